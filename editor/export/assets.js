// The library and font files a built page refers to, so they can travel with it: copied beside an HTML
// export, embedded in a standalone program, carried as resources of the generated module.
// collectEmbedAssets (html) -> promise of {fonts, libs}: paths relative to the program folder, each once.
// - fonts: every url(...) under Fonts/, every style sheet under Fonts/ that the page links, and for each
//   such sheet the font files it names (the program ships woff2 only, so only those are listed: a
//   Phosphor sheet brings its own weight's file, not all eighteen of the package).
// - libs: every script and style sheet under Libraries/ the page loads, whatever its extension (Plyr's
//   style sheet too), Tailwind always, and Plyr's icon sprite with Plyr's script (players would show no
//   icons offline without it).
// Addresses may be absolute on the local server ("http://localhost:<port>/", "pb" pages) or relative
// ("html" pages).
// Provides: collectEmbedAssets, _exportSheetFonts, EXPORT_ICON_FONT_FILES
// Needs: nothing

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

function collectEmbedAssets(html) {
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
  let m;
  while ((m = inUrl.exec(text))) add(fonts, m[1]);
  while ((m = inAttr.exec(text))) {
    const path = m[1];
    if (path.indexOf('Fonts/') === 0) {
      add(fonts, path);
      if (/\.css$/i.test(path.replace(/[?#].*$/, ''))) _exportSheetFonts(path.replace(/[?#].*$/, '')).forEach(function (f) { add(fonts, f); });
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
  return Promise.resolve({ fonts: fonts, libs: libs });
}
