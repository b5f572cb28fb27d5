// Which libraries an exported page loads, and from where. One table: each row says when the design needs
// the library and which tags load it. Addresses depend on the mode: "html" pages name files relative to
// the page ("Libraries/...", "Fonts/..."), "pb" pages name the local server with the fixed text
// "http://localhost:56789/", which the program showing the page rewrites to its own address and port.
// Every file named here is staged beside the editor program under the same name (cmake/asset_table.cmake).
// Provides: EXPORT_LIBRARIES, EXPORT_RUNTIME_LIBRARIES, EXPORT_PB_ORIGIN, _exportAssetBase, _exportDesignNeeds, _exportLibraryTags,
//   _exportPhosphorWeights
// Needs: _iconClasses, elements, escapeHtml

var EXPORT_PB_ORIGIN = 'http://localhost:56789/';

// The prefix of every library and font address of a page in this mode.
function _exportAssetBase(mode) {
  return mode === 'pb' ? EXPORT_PB_ORIGIN : '';
}

var _EXPORT_PH_WEIGHTS = ['fill', 'light', 'thin', 'bold', 'duotone'];

// The icon classes of the design (as drawn: a bare "ph-x" is a regular Phosphor icon).
function _exportIconClassText(list) {
  return list.map(function (el) { return ' ' + _iconClasses(el && el.iconClass) + ' '; }).join('');
}

// What of the design decides the libraries: icon libraries, Phosphor weights, component types.
function _exportDesignNeeds(list, includeDebug) {
  const els = Array.isArray(list) ? list : elements;
  const icons = _exportIconClassText(els);
  const has = function (type) { return els.some(function (el) { return el && el.type === type; }); };
  const needs = {
    lists: has('list'), selects: has('select'), tables: has('table'), charts: has('chart'), players: has('avplayer'),
    fontawesome: icons.indexOf('fa-') !== -1, bootstrap: / bi /.test(icons), ionicons: icons.indexOf('ion-') !== -1,
  };
  needs.phosphor = / ph /.test(icons) || _EXPORT_PH_WEIGHTS.some(function (w) { return icons.indexOf(' ph-' + w + ' ') !== -1; }) ||
    needs.lists || needs.selects || !!includeDebug;
  needs.weights = needs.phosphor ? ['regular'].concat(_EXPORT_PH_WEIGHTS.filter(function (w) { return icons.indexOf(' ph-' + w + ' ') !== -1; })) : [];
  return needs;
}

function _exportPhosphorWeights(needs) { return needs.weights.slice(); }

function _exportScriptTag(src) { return '<script src="' + escapeHtml(src) + '"></script>'; }
function _exportSheetTag(href) { return '<link rel="stylesheet" href="' + escapeHtml(href) + '">'; }

// [id, needed (needs) -> boolean, tags (lib prefix, font prefix, needs) -> [markup]], in document order.
var EXPORT_LIBRARIES = [
  ['tailwind', function () { return true; }, function (lib) {
    return [_exportScriptTag(lib + 'tailwind.min.js'),
      '<script>tailwind.config = { theme: { extend: { colors: { accent: "var(--th-accent1)", accent2: "var(--th-accent2)" } } } };</script>'];
  }],
  ['phosphor', function (n) { return n.phosphor; }, function (lib, fonts, n) {
    return n.weights.map(function (w) { return _exportSheetTag(fonts + 'phosphor/' + w + '/style.css'); });
  }],
  ['fontawesome', function (n) { return n.fontawesome; }, function (lib, fonts) { return [_exportSheetTag(fonts + 'fontawesome/all.min.css')]; }],
  ['bootstrap-icons', function (n) { return n.bootstrap; }, function (lib, fonts) {
    return [_exportSheetTag(fonts + 'bootstrap-icons/bootstrap-icons.min.css')];
  }],
  ['ionicons', function (n) { return n.ionicons; }, function (lib, fonts) { return [_exportSheetTag(fonts + 'ionicons/ionicons.min.css')]; }],
  ['plyr', function (n) { return n.players; }, function (lib) { return [_exportSheetTag(lib + 'plyr.css'), _exportScriptTag(lib + 'plyr.js')]; }],
];

// Libraries loaded among the runtime scripts (step 6 of the document), each after its own runtime.
var EXPORT_RUNTIME_LIBRARIES = {
  gridjs: { needed: function (n) { return n.tables; }, tags: function (lib) { return [_exportSheetTag(lib + 'gridjs.min.css'), _exportScriptTag(lib + 'gridjs.min.js')]; } },
  sortable: { needed: function (n) { return n.lists; }, tags: function (lib) { return [_exportScriptTag(lib + 'sortable.min.js')]; } },
  chart: { needed: function (n) { return n.charts; }, tags: function (lib) { return [_exportScriptTag(lib + 'chart.umd.min.js')]; } },
};

// The head tags of the libraries the design needs (step 4), in table order.
function _exportLibraryTags(mode, needs) {
  const base = _exportAssetBase(mode);
  const lib = base + 'Libraries/';
  const fonts = base + 'Fonts/';
  const out = [];
  EXPORT_LIBRARIES.forEach(function (row) {
    if (row[1](needs)) out.push.apply(out, row[2](lib, fonts, needs));
  });
  return out;
}
