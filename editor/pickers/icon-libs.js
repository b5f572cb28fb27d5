// The four icon-font libraries of icon elements and how their icons are found: the icon names are not
// kept in the editor, they are read from each library's stylesheet (the one the host serves under
// Fonts/). Font Awesome's names per style come from a list the build makes from the pinned package.
// Pure functions over texts and lists, so they are tested against the shipped stylesheets.
// Provides: ICON_LIBS_UPDATED, ICON_LIST_LIMIT, ICON_FA_MODIFIERS, _iconFontsBase, _iconParseCss, _iconFilter,
//   _iconFullClass, _iconShortName
// Needs: nothing

// key -> name shown, stylesheet (under the fonts base), base class, styles [label, class], the pattern of an
// icon class in the stylesheet (its first group is the class), and the tag an exported page loads it by.
var ICON_LIBS_UPDATED = {
  phosphor: {
    name: 'Phosphor Icons', css: 'phosphor/regular/style.css', base: 'ph',
    styles: [['regular', ''], ['fill', 'ph-fill'], ['light', 'ph-light'], ['thin', 'ph-thin'], ['bold', 'ph-bold'], ['duotone', 'ph-duotone']],
    pattern: /\.(ph-[a-z0-9]+(?:-[a-z0-9]+)*):{1,2}before/g,
    tag: '<script src="Libraries/phosphor/phosphor.min.js"></script>',
  },
  fontawesome: {
    name: 'FontAwesome Free', css: 'fontawesome/all.min.css', base: 'fa-solid',
    styles: [['solid', 'fa-solid'], ['regular', 'fa-regular'], ['brands', 'fa-brands']],
    pattern: /\.(fa-[a-z0-9]+(?:-[a-z0-9]+)*):{1,2}before/g,
    tag: '<link rel="stylesheet" href="Libraries/fontawesome/all.min.css">',
  },
  bootstrap: {
    name: 'Bootstrap Icons', css: 'bootstrap-icons/bootstrap-icons.min.css', base: 'bi',
    styles: [['default', '']],
    pattern: /\.(bi-[a-z0-9]+(?:-[a-z0-9]+)*):{1,2}before/g,
    tag: '<link rel="stylesheet" href="Libraries/bootstrap-icons/bootstrap-icons.min.css">',
  },
  ionicons: {
    name: 'Ionicons (CSS)', css: 'ionicons/ionicons.min.css', base: 'icon',
    styles: [['ios', 'ios'], ['material', 'md']],
    pattern: /\.(ion-(?:md|ios|logo)-[a-z0-9]+(?:-[a-z0-9]+)*):{1,2}before/g,
    tag: '<link rel="stylesheet" href="Libraries/ionicons/ionicons.min.css">',
  },
};

// At most this many icons are shown at once; the filter narrows the rest.
var ICON_LIST_LIMIT = 2500;

// Font Awesome classes that style an icon rather than name one. "fa-rotate" is not among them: in this
// release it is an icon (the circling arrows), and the rotations are "fa-rotate-90" and the like.
var ICON_FA_MODIFIERS = /^fa-(solid|regular|light|thin|duotone|brands|fw|lg|sm|xs|\d+x|ul|li|border|pull|spin|pulse|flip|stack|inverse)$/;

// The host serves the fonts from its own root; a page opened some other way finds them beside itself.
function _iconFontsBase(hostname) {
  return ['127.0.0.1', 'localhost', '::1', '[::1]'].indexOf(String(hostname)) !== -1 ? '/Fonts/' : 'Fonts/';
}

// The icon classes a library's stylesheet defines, in stylesheet order, each once.
function _iconParseCss(libId, cssText) {
  const lib = ICON_LIBS_UPDATED[libId];
  if (!lib) return [];
  const seen = new Set();
  const out = [];
  const pattern = new RegExp(lib.pattern.source, 'g');
  let m;
  while ((m = pattern.exec(String(cssText))) !== null) {
    const cls = m[1];
    if (seen.has(cls)) continue;
    seen.add(cls);
    if (libId === 'fontawesome' && ICON_FA_MODIFIERS.test(cls)) continue;
    if (libId === 'phosphor' && /^ph-(fill|light|thin|bold|duotone)$/.test(cls)) continue;
    out.push(cls);
  }
  return out;
}

// The icons of a style that match a search (case-insensitive part of the class). faSets: Font Awesome's
// names per style ({solid: [...], regular: [...], brands: [...]}, without "fa-"); a style it lacks shows nothing.
function _iconFilter(libId, variant, icons, term, faSets) {
  const needle = String(term || '').trim().toLowerCase();
  let keep = function () { return true; };
  if (libId === 'ionicons') {
    const own = variant === 'md' ? 'ion-md-' : 'ion-ios-';
    keep = function (cls) { return cls.indexOf(own) === 0 || cls.indexOf('ion-logo-') === 0; };
  } else if (libId === 'fontawesome') {
    const style = String(variant || 'fa-solid').replace(/^fa-/, '');
    const names = new Set(faSets && Array.isArray(faSets[style]) ? faSets[style] : []);
    keep = function (cls) { return names.has(cls.slice(3)); };
  }
  return (icons || []).filter(function (cls) { return keep(cls) && (!needle || cls.toLowerCase().indexOf(needle) !== -1); });
}

// The classes an element gets for an icon of a library in a style.
function _iconFullClass(libId, variant, icon) {
  let parts;
  if (libId === 'phosphor') parts = ['ph', icon, variant || ''];
  else if (libId === 'fontawesome') parts = [variant || 'fa-solid', icon];
  else if (libId === 'bootstrap') parts = ['bi', icon];
  else parts = ['icon', icon];
  return parts.join(' ').replace(/\s+/g, ' ').trim();
}

// The label of an icon: its class without the library's prefix.
function _iconShortName(icon) {
  return String(icon).replace(/^(ph-|fa-|bi-|ion-(md-|ios-)?)/, '');
}
