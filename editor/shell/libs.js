// Loads the page's libraries from the host's own folders (Internal_lib/, Fonts/) at the page's host and
// port: nothing comes from anywhere else. Runs in the document head.
// Start-up loads only what the frame itself shows: the regular Phosphor icons. The frame's utility
// classes come from a stylesheet made at build time (editor/shell/utilities.css). Everything else
// loads the first time it is needed, once: the utility-class engine when a design is first drawn, the
// chart, table and list libraries when a design holds such an element, the other icon sheets when a
// design shows one of their icons, html2canvas when a thumbnail is taken.
// Provides: exports (for Grid.js), QL_LIBRARIES, _qlLoadLibrary, _qlLibraryLoaded, _qlLoadDesignLibraries,
//   _qlDesignStylesReady
// Needs: _twBlockerReady
// Calls: _qlCallIfDefined, _initSortableLists, initCharts, initGridTables
var exports = {};

// name -> {script | fetchEval | sheet, sheets, global, ready (hook run once loaded)}
var QL_LIBRARIES = {
  tailwind: { script: '/Internal_lib/tailwind.min.js', global: 'tailwind' },
  chart: { script: '/Internal_lib/chartjs/chart.umd.min.js', global: 'Chart', ready: 'initCharts' },
  html2canvas: { script: '/Internal_lib/html2canvas.min.js', global: 'html2canvas' },
  sortable: { script: '/Internal_lib/sortablejs/sortable.min.js', global: 'Sortable', ready: '_initSortableLists' },
  // Grid.js is evaluated from its text (with the exports object above for its module wrapper).
  gridjs: { fetchEval: '/Internal_lib/gridjs/gridjs.min.js', sheets: ['/Internal_lib/gridjs/theme/mermaid.min.css'],
    global: 'gridjs', ready: 'initGridTables' },
  'phosphor-regular': { sheets: ['/Fonts/phosphor/regular/style.css'], icons: true },
  'phosphor-bold': { sheets: ['/Fonts/phosphor/bold/style.css'], icons: true },
  'phosphor-fill': { sheets: ['/Fonts/phosphor/fill/style.css'], icons: true },
  'phosphor-light': { sheets: ['/Fonts/phosphor/light/style.css'], icons: true },
  'phosphor-thin': { sheets: ['/Fonts/phosphor/thin/style.css'], icons: true },
  'phosphor-duotone': { sheets: ['/Fonts/phosphor/duotone/style.css'], icons: true },
  fontawesome: { sheets: ['/Fonts/fontawesome/all.min.css'], icons: true },
  'bootstrap-icons': { sheets: ['/Fonts/bootstrap-icons/bootstrap-icons.min.css'], icons: true },
  ionicons: { sheets: ['/Fonts/ionicons/ionicons.min.css'], icons: true },
};

// What in a drawn design needs which library: a selector matched inside the canvas content.
var _QL_DESIGN_NEEDS = [
  ['chart', '[data-chart-config]'],
  ['gridjs', '[data-grid-config]'],
  ['sortable', '[data-ql-list]'],
  ['phosphor-bold', '.ph-bold'],
  ['phosphor-fill', '.ph-fill'],
  ['phosphor-light', '.ph-light'],
  ['phosphor-thin', '.ph-thin'],
  ['phosphor-duotone', '.ph-duotone'],
  ['fontawesome', '.fa, .fas, .far, .fab, .fa-solid, .fa-regular, .fa-brands, [class^="fa-"], [class*=" fa-"]'],
  ['bootstrap-icons', '.bi, [class^="bi-"], [class*=" bi-"]'],
  ['ionicons', '[class^="ion-"], [class*=" ion-"]'],
];

var _qlLibraryPromises = {};
// False until the utility-class engine has written its styles for the design: the canvas content
// stays invisible until then (class "ql-design-styles-pending"), so a design is never seen unstyled.
var _qlDesignStylesReady = false;
// The last library style sheet put in: the next goes after it. Library sheets stand together before
// the frame's own sheets, the regular Phosphor sheet first so the weight sheets win the cascade.
var _qlSheetAnchor = document.currentScript;

function _qlAddScript(src) {
  return new Promise(function (resolve, reject) {
    const el = document.createElement('script');
    el.src = src;
    el.async = false;
    el.addEventListener('load', function () { resolve(); });
    el.addEventListener('error', function () { reject(new Error(src + ' could not be loaded')); });
    document.head.appendChild(el);
  });
}

function _qlAddStylesheet(href) {
  return new Promise(function (resolve) {
    const el = document.createElement('link');
    el.rel = 'stylesheet';
    el.href = href;
    el.addEventListener('load', function () { resolve(true); });
    el.addEventListener('error', function () {
      console.warn('[libs] ' + href + ' could not be loaded');
      resolve(false);
    });
    if (_qlSheetAnchor && _qlSheetAnchor.parentNode) _qlSheetAnchor.after(el);
    else document.head.prepend(el);
    _qlSheetAnchor = el;
  });
}

// Resolves when the utility-class engine has put its style element into the head (after its first
// pass over the document: the element holds the engine's banner), or after two seconds at the latest.
function _qlTailwindStylesWritten() {
  return new Promise(function (resolve) {
    const observer = new MutationObserver(function (records) {
      const written = records.some(function (r) {
        return Array.prototype.some.call(r.addedNodes, function (n) {
          return n.nodeName === 'STYLE' && n.textContent.indexOf('tailwindcss') !== -1;
        });
      });
      if (written) done();
    });
    const timer = setTimeout(done, 2000);
    function done() { observer.disconnect(); clearTimeout(timer); resolve(); }
    observer.observe(document.head, { childList: true });
  });
}

function _qlLoadLibraryNow(name) {
  const lib = QL_LIBRARIES[name];
  const steps = (lib.sheets || []).map(_qlAddStylesheet);
  if (name === 'tailwind') {
    const written = _qlTailwindStylesWritten();
    steps.push(_qlAddScript(lib.script).then(function () {
      window.tailwind.config = {
        darkMode: 'class',
        theme: { extend: { colors: { accent: 'var(--accent-color)', accent2: 'var(--th-accent2)' } } },
      };
      return written;
    }));
  } else if (lib.script) {
    steps.push(_qlAddScript(lib.script));
  }
  if (lib.fetchEval) {
    steps.push(fetch(lib.fetchEval)
      .then(function (r) { return r.ok ? r.text() : Promise.reject(new Error('status ' + r.status)); })
      .then(function (code) { (0, eval)(code); }));
  }
  return Promise.all(steps).then(function () {
    if (lib.ready) _qlCallIfDefined(lib.ready);
    return true;
  }, function (e) {
    const what = name === 'chart' ? 'Chart.js could not be loaded: the chart element is unavailable'
      : name === 'tailwind' ? 'the utility-class engine could not be loaded' : name + ' could not be loaded';
    console.warn('[libs] ' + what, e);
    return false;
  });
}

// Loads a library of QL_LIBRARIES once; resolves true when it is there, false when it failed.
function _qlLoadLibrary(name) {
  if (!Object.prototype.hasOwnProperty.call(QL_LIBRARIES, name)) return Promise.reject(new Error('unknown library ' + name));
  if (!_qlLibraryPromises[name]) _qlLibraryPromises[name] = _qlLoadLibraryNow(name);
  return _qlLibraryPromises[name];
}

// Whether a library has been asked for (loaded, loading or failed).
function _qlLibraryLoaded(name) {
  return Object.prototype.hasOwnProperty.call(_qlLibraryPromises, name);
}

// After each drawing of the canvas: starts what the drawn design needs and has not been asked for.
function _qlLoadDesignLibraries() {
  const content = document.getElementById('canvas-content');
  if (!content || !content.firstElementChild) return;
  if (!_qlLibraryPromises.tailwind) {
    document.documentElement.classList.add('ql-design-styles-pending');
    _qlLoadLibrary('tailwind').then(function () {
      _qlDesignStylesReady = true;
      document.documentElement.classList.remove('ql-design-styles-pending');
    });
  }
  _QL_DESIGN_NEEDS.forEach(function (need) {
    if (!_qlLibraryPromises[need[0]] && content.querySelector(need[1])) _qlLoadLibrary(need[0]);
  });
}

(function () {
  // Icon fonts only from the local host.
  const host = location.hostname;
  if (host === '127.0.0.1' || host === 'localhost' || host === '::1' || host === '[::1]') {
    _qlLoadLibrary('phosphor-regular');
  } else {
    Object.keys(QL_LIBRARIES).forEach(function (name) {
      if (QL_LIBRARIES[name].icons) _qlLibraryPromises[name] = Promise.resolve(false);
    });
  }
  // The frame's styles are in place before the first paint: nothing is covered any more.
  _twBlockerReady = true;
})();
