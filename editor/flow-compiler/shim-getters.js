// The getter block of the script shim: the getter table the compiled flow dispatches through, the
// colour and transform helpers, and one window function per getter entry, whose body hands the
// entry's read details to _flowGetterRead.
// Provides: _THEME_COLOR_VARS, _QL_GETTER_HELPERS, _buildGetterShimFromCatalog
// Needs: _qlWindowFunction, _UI_GETTER_CATALOG, t
// Calls: _resolveEl, _resolveWrap
// Creates: _qlColorCtx (a drawing context the colour getters measure colours with)

// The theme colour variables in index order 0..15, as exported pages declare them.
var _THEME_COLOR_VARS = Object.freeze(['--th-text1', '--th-text2', '--th-text3', '--th-accent1', '--th-accent2',
  '--th-accent3', '--th-bg-panel', '--th-bg-panel2', '--th-bg-panel3', '--th-surface', '--th-border', '--th-bg-page',
  '--th-extra1', '--th-extra2', '--th-extra3', '--th-extra4']);

var _QL_GETTER_HELPERS = Object.freeze({
  _flowResolveEl: function (id, useWrap, useImg) {
    if (useImg) {
      var host = _qlpEl(id) || _qlpWrap(id);
      return host ? host.querySelector('img') || host : null;
    }
    if (useWrap) return typeof _resolveWrap === 'function' ? _resolveWrap(id) : _qlpWrapOrEl(id);
    if (typeof _resolveEl === 'function') return _resolveEl(id);
    return _qlpElOrFirst(id, 'button,input,textarea,p,h1,h2,h3,h4,h5,h6,span,select') || _qlpWrap(id);
  },

  // "#rrggbb" (or "#rrggbbaa") for any colour the page can parse; names and other notations are
  // normalised by a 1x1 canvas made once; what cannot be read comes back unchanged.
  _colorToHex: function (value) {
    if (value === null || value === undefined) return '';
    var v = String(value).trim();
    if (!v) return '';
    if (/^#([0-9a-f]{3}|[0-9a-f]{6}|[0-9a-f]{8})$/i.test(v)) return v.toLowerCase();
    if (!/^(rgba?|hsla?|hwb|lab|lch|oklab|oklch|color)\(/i.test(v) && v.charAt(0) !== '#') {
      if (window._qlColorCtx === undefined) {
        try { window._qlColorCtx = document.createElement('canvas').getContext('2d') || null; } catch (e) { window._qlColorCtx = null; }
      }
      var ctx = window._qlColorCtx;
      if (!ctx) return v;
      ctx.fillStyle = '#000000';
      ctx.fillStyle = v;
      var first = ctx.fillStyle;
      ctx.fillStyle = '#ffffff';
      ctx.fillStyle = v;
      if (ctx.fillStyle !== first) return v;
      v = String(first);
      if (/^#[0-9a-f]{6}$/i.test(v)) return v.toLowerCase();
    }
    var m = /^rgba?\(\s*([-\d.]+)(?:\s*,\s*|\s+)([-\d.]+)(?:\s*,\s*|\s+)([-\d.]+)(?:\s*(?:,|\/)\s*([-\d.]+)(%?))?\s*\)$/i.exec(v);
    if (!m) return v;
    var hex = function (n) {
      var c = Math.min(255, Math.max(0, Math.round(n)));
      return (c < 16 ? '0' : '') + c.toString(16);
    };
    var out = '#' + hex(+m[1]) + hex(+m[2]) + hex(+m[3]);
    if (m[4] !== undefined) out += hex((m[5] ? +m[4] / 100 : +m[4]) * 255);
    return out;
  },

  // Without useTheme the value itself; with it the hex of theme colour `value` (an index 0..15).
  _resolveColor: function (value, useTheme) {
    if (!useTheme) return value === null || value === undefined ? '' : value;
    var text = String(value === null || value === undefined ? '' : value).trim();
    if (!/^\d+$/.test(text) || +text > 15) return '';
    var css = window.getComputedStyle(document.documentElement).getPropertyValue(_THEME_COLOR_VARS[+text]);
    return _colorToHex(css.trim());
  },

  // As _resolveColor, and marks the element with the theme index it was set from (or unmarks it).
  _resolveColorWithIdx: function (elementId, value, useTheme) {
    var result = _resolveColor(value, useTheme);
    var el = _qlpEl(elementId);
    var text = String(value === null || value === undefined ? '' : value).trim();
    if (el) {
      if (useTheme && /^\d+$/.test(text) && +text <= 15) el.setAttribute('data-ql-theme-idx', String(+text));
      else el.removeAttribute('data-ql-theme-idx');
    }
    return result;
  },

  _colorToThemeIndex: function (colour) {
    var want = _colorToHex(colour);
    if (!want) return '';
    var root = window.getComputedStyle(document.documentElement);
    for (var i = 0; i < _THEME_COLOR_VARS.length; i++) {
      if (_colorToHex(root.getPropertyValue(_THEME_COLOR_VARS[i]).trim()) === want) return i;
    }
    return '';
  },

  // The angle (degrees) or the scale of a CSS transform, from its function or its matrix.
  _parseTransform: function (transform, kind) {
    var t = String(transform === null || transform === undefined ? '' : transform).trim();
    if (!t || t === 'none') return '';
    var round = function (n) { return String(Math.round(n * 100) / 100); };
    var fn = new RegExp('\\b' + (kind === 'scale' ? 'scale' : 'rotate') + '\\(\\s*([^)]*?)\\s*\\)').exec(t);
    if (fn) return fn[1];
    var matrix = /matrix(?:3d)?\(\s*([^,]+),\s*([^,]+)/.exec(t);
    if (!matrix) return '';
    var a = parseFloat(matrix[1]);
    var b = parseFloat(matrix[2]);
    if (kind === 'rotate') return round(Math.atan2(b, a) * 180 / Math.PI);
    if (kind === 'scale') return round(Math.sqrt(a * a + b * b));
    return '';
  },

  // One getter's read: `spec` holds the entry's read details, `inputs` its input values in order.
  _flowGetterRead: function (spec, inputs) {
    var id = inputs[0];
    var value = '';
    var el = null;
    if (spec.readKind === 'css' || spec.readKind === 'transform') {
      el = _flowResolveEl(id, spec.useWrap, spec.useImg);
      if (el && spec.selector) {
        var match = el.querySelector(spec.selector);
        el = match || (spec.selectorFallback === 'firstElementChild' ? el.firstElementChild
          : spec.selectorFallback === 'self' ? el : null);
      } else if (el && spec.selectorFallback === 'firstElementChild') {
        el = el.firstElementChild;
      }
      if (el && spec.readKind === 'css') {
        // A hover or active colour must not leak in: the stored rest colour wins, else the one saved
        // while the pointer is over the element.
        value = window.getComputedStyle(el).getPropertyValue(spec.cssProp);
        if (spec.cssProp === 'background-color') value = el.dataset.qlBaseBg || (el._qlRestBg !== undefined ? el._qlRestBg : value);
        if (spec.cssProp === 'color') value = el.dataset.qlBaseTc || (el._qlRestColor !== undefined ? el._qlRestColor : value);
      } else if (el) {
        value = _parseTransform(window.getComputedStyle(el).transform, spec.transformKind);
      }
    } else if (spec.readKind === 'attr') {
      el = typeof _resolveEl === 'function' ? _resolveEl(id) : _qlpEl(id);
      if (el && spec.prop) {
        if (spec.selector) el = el.querySelector(spec.selector);
        value = el && el[spec.prop] !== null && el[spec.prop] !== undefined ? String(el[spec.prop]) : '';
      } else if (el) {
        // Tooltips are set on the wrapper: an attribute the element lacks is read from there.
        var wrapper = el.hasAttribute(spec.attr) ? null : _qlpWrap(id);
        value = (wrapper || el).getAttribute(spec.attr) || '';
      }
    } else if (spec.readKind === 'dataset') {
      el = _flowResolveEl(id, spec.useWrap, false);
      value = el && el.dataset[spec.datasetKey] !== undefined ? el.dataset[spec.datasetKey] : '';
    } else if (spec.readKind === 'grid') {
      var host = typeof _resolveWrap === 'function' ? _resolveWrap(id) : _qlpWrapOrEl(id);
      var grid = host ? host._qlGrid : null;
      if (grid && typeof grid[spec.gridMethod] === 'function') {
        var r = grid[spec.gridMethod]();
        value = r === null || r === undefined ? '' : typeof r === 'object' ? JSON.stringify(r) : String(r);
      }
    } else if (spec.readKind === 'origin') {
      var wrap = _qlpWrap(id);
      var fix = wrap ? wrap.querySelector('.rotation-fix-container') : null;
      var img = fix ? fix.querySelector('img') : null;
      el = fix && !fix.style.transformOrigin && img ? img : fix || wrap || _qlpEl(id);
      value = el && el.style.transformOrigin ? el.style.transformOrigin : '50% 50%';
    } else if (spec.readKind === 'theme') {
      value = document.body && document.body.dataset.theme ? document.body.dataset.theme : '';
    } else if (spec.readKind === 'class') {
      el = typeof _resolveEl === 'function' ? _resolveEl(id) : _qlpEl(id);
      value = el && el.classList.contains(_qlpText(inputs[1]).trim()) ? '1' : '0';
    }
    if (spec.pack === 'json' && spec.readKind !== 'grid') {
      value = value === null || value === undefined ? '' : typeof value === 'object' ? JSON.stringify(value) : value;
    }
    if (spec.outputPort === 'color' && (spec.readKind === 'css' || spec.readKind === 'dataset')) value = _colorToHex(value);
    return value;
  },
});

// The read details a getter function hands to _flowGetterRead.
var _QL_GETTER_READ_FIELDS = ['readKind', 'outputPort', 'cssProp', 'attr', 'prop', 'datasetKey', 'gridMethod',
  'transformKind', 'selector', 'selectorFallback', 'useWrap', 'useImg', 'pack'];

function _buildGetterShimFromCatalog() {
  const table = {};
  const functions = [];
  for (const entry of _UI_GETTER_CATALOG) {
    if (!entry.node || !entry.pb) continue;
    const inputs = Array.isArray(entry.inputs) ? entry.inputs : ['elementId'];
    table[entry.node] = {
      pb: entry.pb, outputPort: entry.outputPort || 'value', coerce: entry.coerce || null, inputs: inputs.slice(),
      extraInputs: inputs.filter((i) => i !== 'elementId'),
    };
    const read = {};
    for (const field of _QL_GETTER_READ_FIELDS) if (entry[field] !== undefined) read[field] = entry[field];
    functions.push('window.' + entry.pb + ' = function (' + ['g'].concat(inputs).join(', ') + ') {\n  return _flowGetterRead('
      + JSON.stringify(read) + ', [' + inputs.join(', ') + ']);\n};');
  }
  const helpers = Object.entries(_QL_GETTER_HELPERS).map(([name, fn]) => _qlWindowFunction(name, fn));
  return ['window._THEME_COLOR_VARS = ' + JSON.stringify(_THEME_COLOR_VARS) + ';',
    'window._UI_GETTER_TABLE = ' + JSON.stringify(table) + ';'].concat(helpers, functions).join('\n') + '\n';
}
