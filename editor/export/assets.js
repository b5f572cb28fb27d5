// The library and font files a built page refers to, so they can travel with it: copied beside an HTML
// export, embedded in a standalone program, carried as resources of the generated module.
// collectEmbedAssets (html) -> promise of {fonts, libs}: paths relative to the program folder, each once.
// - fonts: every url(...) under Fonts/, every style sheet under Fonts/ that the page links, and for each
//   such sheet the font files it names (the program ships woff2 only, so only those are listed: a
//   Phosphor sheet brings its own weight's file, not all eighteen of the package), and the files of the
//   editor's local-font store ("fontDataCache") that lie in the sheet's folder.
// - libs: every script and style sheet under Libraries/ the page loads, whatever its extension (Plyr's
//   style sheet too), Tailwind always, and Plyr's icon sprite with Plyr's script (players would show no
//   icons offline without it).
// Addresses may be absolute on the local server ("http://localhost:<port>/", "pb" pages) or relative
// ("html" pages).
// Provides: collectEmbedAssets, _exportSheetFonts, _exportCachedFonts, EXPORT_ICON_FONT_FILES
// Needs: nothing
// Calls: dbGet

// Font files of each icon library's style sheet, by the sheet's folder under Fonts/.
var EXPORT_ICON_FONT_FILES = {
  fontawesome: ['Fonts/fontawesome/webfonts/fa-brands-400.woff2', 'Fonts/fontawesome/webfonts/fa-regular-400.woff2',
    'Fonts/fontawesome/webfonts/fa-solid-900.woff2', 'Fonts/fontawesome/webfonts/fa-v4compatibility.woff2'],
  'bootstrap-icons': ['Fonts/bootstrap-icons/fonts/bootstrap-icons.woff2'],
  ionicons: ['Fonts/ionicons/fonts/ionicons.woff2'],
};
var _EXPORT_PH_SUFFIX = { regular: '', bold: '-Bold', light: '-Light', thin: '-Thin', fill: '-Fill', duotone: '-Duotone' };

// The font files a linked style sheet under Fonts/ needs.
function _exportSheetFonts(sheet) {
  const ph = /^Fonts\/phosphor\/([a-z]+)\/style\.css$/.exec(sheet);
  if (ph) return Object.prototype.hasOwnProperty.call(_EXPORT_PH_SUFFIX, ph[1]) ? ['Fonts/phosphor/' + ph[1] + '/Phosphor' + _EXPORT_PH_SUFFIX[ph[1]] + '.woff2'] : [];
  const folder = /^Fonts\/([^/]+)\//.exec(sheet);
  return folder && EXPORT_ICON_FONT_FILES[folder[1]] ? EXPORT_ICON_FONT_FILES[folder[1]].slice() : [];
}

// The paths of the local-font store's files (keys "Fonts/<folder>/<file>"); none when there is no store.
async function _exportCachedFonts() {
  try {
    const cache = typeof dbGet === 'function' ? await dbGet('fontDataCache') : null;
    return cache && typeof cache === 'object' ? Object.keys(cache) : [];
  } catch (e) {
    return [];
  }
}

async function collectEmbedAssets(html) {
  const text = String(html || '');
  const fonts = [];
  const libs = [];
  const add = function (list, path) {
    const clean = path.replace(/[?#].*$/, '');
    if (clean && clean.split('/').indexOf('..') === -1 && list.indexOf(clean) === -1) list.push(clean);
  };
  const prefix = '(?:https?://(?:localhost|127\\.0\\.0\\.1):\\d+/|/)?';
  const inUrl = new RegExp('url\\(\\s*[\'"]?' + prefix + '(Fonts/[^\'")\\s]+)', 'g');
  const inAttr = new RegExp('\\b(?:src|href)\\s*=\\s*["\']' + prefix + '((?:Fonts|Libraries)/[^"\'\\s>]+)["\']', 'g');
  const cached = await _exportCachedFonts();
  let m;
  while ((m = inUrl.exec(text))) add(fonts, m[1]);
  while ((m = inAttr.exec(text))) {
    const path = m[1];
    if (path.indexOf('Fonts/') === 0) {
      add(fonts, path);
      const sheet = path.replace(/[?#].*$/, '');
      if (/\.css$/i.test(sheet)) {
        const folder = sheet.slice(0, sheet.lastIndexOf('/') + 1);
        cached.forEach(function (f) { if (f.indexOf(folder) === 0 && !/\.css$/i.test(f)) add(fonts, f); });
        _exportSheetFonts(sheet).forEach(function (f) { add(fonts, f); });
      }
    } else {
      add(libs, path);
    }
  }
  add(libs, 'Libraries/tailwind.min.js');
  if (libs.indexOf('Libraries/gridjs.min.js') !== -1) add(libs, 'Libraries/gridjs.min.css');
  if (libs.indexOf('Libraries/plyr.js') !== -1) {
    add(libs, 'Libraries/plyr.css');
    add(libs, 'Libraries/plyr.svg');
  }
  return { fonts: fonts, libs: libs };
}
