// The helpers that the UI procedures share, written by the script shim ahead of the procedures: the
// media source resolver and the element lookups and value conversions every family uses.
//   E: the element "<id>"; W: its wrapper "wrap-<id>"; W|E: the wrapper, else the element.
// Registers the shim helpers _qlResolveSrc, _qlpText, _qlpValueText, _qlpEl, _qlpWrap, _qlpWrapOrEl,
//   _qlpElOrFirst, _qlpOn, _qlpNumber, _qlpInt, _qlpClasses, _qlpEncodePath, _qlpMainBlur, _qlpRuntime, _qlpTr
//   (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineShimHelpers

_qlDefineShimHelpers({
  // Media source of an image, a background or a player: data URLs and addresses with a scheme stay;
  // raw Base64 image data becomes a data URL; local paths (drive or absolute POSIX) go through the
  // host's "ext:/" route, other texts are relative to the page's server.
  _qlResolveSrc: function (value) {
    if (typeof value !== 'string' || value === '') return value;
    if (value.slice(0, 5).toLowerCase() === 'data:' || value.indexOf('://', 1) > 0) return value;
    var server = 'http://localhost:56789/';
    if (value.slice(0, 5) === 'ext:/') return server + value;
    if (value.length >= 16 && value.length % 4 === 0 && /^[A-Za-z0-9+/]+={0,2}$/.test(value)) {
      var kinds = [['iVBORw0KGg', 'image/png'], ['/9j/', 'image/jpeg'], ['R0lGOD', 'image/gif'], ['UklGR', 'image/webp'],
        ['Qk', 'image/bmp'], ['PHN2Z', 'image/svg+xml'], ['PD94', 'image/svg+xml']];
      var type = '';
      for (var i = 0; i < kinds.length && !type; i++) if (value.indexOf(kinds[i][0]) === 0) type = kinds[i][1];
      // Without a known image start, only text with Base64 padding or "+" counts as data: an
      // extension-less path such as "media/background" stays a path.
      if (type || /[+=]/.test(value)) return 'data:' + (type || 'image/png') + ';base64,' + value;
    }
    var drive = /^([A-Za-z]):[\\/](.*)$/.exec(value);
    if (drive) return server + 'ext:/' + drive[1].toUpperCase() + ':/' + _qlpEncodePath(drive[2].replace(/\\/g, '/'));
    if (value.charAt(0) === '/') return server + 'ext:/' + _qlpEncodePath(value.slice(1));
    return server + value;
  },

  // Each segment of a file path encoded for a URL, so blanks, "#", "?" and "%" in file names load.
  _qlpEncodePath: function (path) {
    return String(path).split('/').map(function (part) { return encodeURIComponent(part); }).join('/');
  },

  _qlpText: function (value) {
    return value === undefined || value === null ? '' : String(value);
  },

  // A value kept or shown as text: objects and arrays (a parsed answer on a cable) as JSON.
  _qlpValueText: function (value) {
    return value !== null && typeof value === 'object' ? JSON.stringify(value) : _qlpText(value);
  },

  _qlpEl: function (id) {
    var key = _qlpText(id);
    return key ? document.getElementById(key) : null;
  },

  _qlpWrap: function (id) {
    var key = _qlpText(id);
    return key ? document.getElementById('wrap-' + key) : null;
  },

  _qlpWrapOrEl: function (id) {
    return _qlpWrap(id) || _qlpEl(id);
  },

  // E, else the first match of `selector` inside the wrapper.
  _qlpElOrFirst: function (id, selector) {
    var el = _qlpEl(id);
    if (el) return el;
    var wrap = _qlpWrap(id);
    return wrap ? wrap.querySelector(selector) : null;
  },

  // The procedures' switch rule: true, 1, "1" and "true" are on, everything else off.
  _qlpOn: function (value) {
    return value === true || value === 1 || value === '1' || value === 'true';
  },

  _qlpNumber: function (value, fallback) {
    var n = parseFloat(value);
    return isFinite(n) ? n : fallback;
  },

  _qlpInt: function (value, fallback) {
    var n = parseInt(value, 10);
    return isFinite(n) ? n : fallback;
  },

  // Blank-separated class names.
  _qlpClasses: function (value) {
    return _qlpText(value).split(/\s+/).filter(Boolean);
  },

  // Calls `method` of the page runtime window[name] (QuorlinChart, QuorlinSelect, QuorlinList, QuorlinAnim);
  // `fallback` when the page has no such runtime or it lacks the method.
  _qlpRuntime: function (name, method, args, fallback) {
    var runtime = window[name];
    if (!runtime || typeof runtime[method] !== 'function') return fallback;
    return runtime[method].apply(runtime, args);
  },

  // A text of the page's language when the page has translations (the editor, an exported page that
  // carries them), else the English text.
  _qlpTr: function (key, english) {
    if (typeof window.t !== 'function') return english;
    var text = window.t(key);
    return typeof text === 'string' && text && text !== key ? text : english;
  },

  // The page's main element blurs what lies behind a shown element marked data-floating-blur.
  _qlpMainBlur: function () {
    var main = document.querySelector('main');
    if (!main) return;
    var marked = document.querySelectorAll('[data-floating-blur="true"]');
    var shown = false;
    for (var i = 0; i < marked.length && !shown; i++) {
      var m = marked[i];
      shown = m.style.display !== 'none' && !m.classList.contains('hidden');
    }
    main.classList.toggle('floating-blur-active', shown);
  },
});
