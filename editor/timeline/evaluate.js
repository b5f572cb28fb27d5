// The mathematics of keyframe animation: finding a track's segment at a moment, the 24 easings and their
// composition, interpolating two values, and turning a value into CSS text. It is one self-contained
// script without any editor global, so that exported pages carry it unchanged and play animations
// exactly as the editor shows them.
// Provides: QL_EASING_NAMES, QL_EASINGS, _tlEase, _tlSegment, _tlInterpolate, _tlValueAt, _formatValue,
//   _TL_SAME_MOMENT, _TL_UNITLESS_PROPS, _TL_FONT_SIZES, _TL_BORDER_WIDTHS, _TL_BORDER_STYLES,
//   _TL_IMG_FILTERS, _tlFontSizePx, _tlBorderWidthPx, _tlBorderStyleCss, _tlImgFilterAmount,
//   _tlParseLength, _tlSortKeyframes
// Needs: nothing

// Two keyframes of one track closer than this are the same moment.
var _TL_SAME_MOMENT = 0.001;

// Written as bare numbers, without a unit.
var _TL_UNITLESS_PROPS = ['floatZ'];

var _TL_C1 = 1.70158;
var _TL_C2 = _TL_C1 * 1.525;
var _TL_C3 = _TL_C1 + 1;
var _TL_C4 = (2 * Math.PI) / 3;

function _tlBounceOut(x) {
  var B = 7.5625;
  var D = 2.75;
  if (x < 1 / D) return B * x * x;
  if (x < 2 / D) { var y1 = x - 1.5 / D; return B * y1 * y1 + 0.75; }
  if (x < 2.5 / D) { var y2 = x - 2.25 / D; return B * y2 * y2 + 0.9375; }
  var y3 = x - 2.625 / D;
  return B * y3 * y3 + 0.984375;
}

var QL_EASINGS = {
  'linear': function (x) { return x; },
  'ease-in': function (x) { return x * x; },
  'ease-out': function (x) { return x * (2 - x); },
  'ease-in-out': function (x) { return x < 0.5 ? 2 * x * x : 1 - 2 * (1 - x) * (1 - x); },
  'ease-in-sine': function (x) { return 1 - Math.cos((x * Math.PI) / 2); },
  'ease-out-sine': function (x) { return Math.sin((x * Math.PI) / 2); },
  'ease-in-out-sine': function (x) { return -(Math.cos(Math.PI * x) - 1) / 2; },
  'ease-in-circ': function (x) { return 1 - Math.sqrt(1 - x * x); },
  'ease-out-circ': function (x) { return Math.sqrt(1 - (x - 1) * (x - 1)); },
  'ease-in-out-circ': function (x) {
    return x < 0.5 ? (1 - Math.sqrt(1 - 4 * x * x)) / 2 : (Math.sqrt(1 - Math.pow(-2 * x + 2, 2)) + 1) / 2;
  },
  'ease-in-cubic': function (x) { return x * x * x; },
  'ease-out-cubic': function (x) { return 1 - Math.pow(1 - x, 3); },
  'ease-in-out-cubic': function (x) { return x < 0.5 ? 4 * x * x * x : 1 - Math.pow(-2 * x + 2, 3) / 2; },
  'ease-in-expo': function (x) { return x === 0 ? 0 : Math.pow(2, 10 * x - 10); },
  'ease-out-expo': function (x) { return x === 1 ? 1 : 1 - Math.pow(2, -10 * x); },
  'ease-in-out-expo': function (x) {
    if (x === 0) return 0;
    if (x === 1) return 1;
    return x < 0.5 ? Math.pow(2, 20 * x - 10) / 2 : (2 - Math.pow(2, -20 * x + 10)) / 2;
  },
  'ease-in-back': function (x) { return _TL_C3 * x * x * x - _TL_C1 * x * x; },
  'ease-out-back': function (x) { return 1 + _TL_C3 * Math.pow(x - 1, 3) + _TL_C1 * Math.pow(x - 1, 2); },
  'ease-in-out-back': function (x) {
    return x < 0.5
      ? (Math.pow(2 * x, 2) * ((_TL_C2 + 1) * 2 * x - _TL_C2)) / 2
      : (Math.pow(2 * x - 2, 2) * ((_TL_C2 + 1) * (2 * x - 2) + _TL_C2) + 2) / 2;
  },
  'ease-out-bounce': _tlBounceOut,
  'ease-in-bounce': function (x) { return 1 - _tlBounceOut(1 - x); },
  'ease-in-elastic': function (x) {
    if (x === 0) return 0;
    if (x === 1) return 1;
    return -Math.pow(2, 10 * x - 10) * Math.sin((10 * x - 10.75) * _TL_C4);
  },
  'ease-out-elastic': function (x) {
    if (x === 0) return 0;
    if (x === 1) return 1;
    return Math.pow(2, -10 * x) * Math.sin((10 * x - 0.75) * _TL_C4) + 1;
  },
  'step': function (x) { return x < 1 ? 0 : 1; },
};

var QL_EASING_NAMES = Object.keys(QL_EASINGS);

// A name outside the table eases linearly.
function _tlEase(name, x) {
  var fn = Object.prototype.hasOwnProperty.call(QL_EASINGS, name) ? QL_EASINGS[name] : QL_EASINGS.linear;
  return fn(x);
}

// Sorts a track in place by time, only when it is out of order (a frame must not reorder sorted tracks).
function _tlSortKeyframes(kfs) {
  for (var i = 1; i < kfs.length; i++) {
    if (kfs[i - 1].t > kfs[i].t) {
      kfs.sort(function (a, b) { return a.t - b.t; });
      return kfs;
    }
  }
  return kfs;
}

// The two keyframes around t and the local time between them: {a, b, local}; null without keyframes.
// The track must be sorted. On an inner keyframe the earlier segment is used, with local time 1.
function _tlSegment(kfs, t) {
  if (!kfs || !kfs.length) return null;
  var first = kfs[0];
  var last = kfs[kfs.length - 1];
  if (t <= first.t) return { a: first, b: first, local: 0 };
  if (t >= last.t) return { a: last, b: last, local: 0 };
  for (var i = 0; i < kfs.length - 1; i++) {
    var k0 = kfs[i];
    var k1 = kfs[i + 1];
    if (k0.t <= t && t <= k1.t) {
      var span = k1.t - k0.t;
      return { a: k0, b: k1, local: span === 0 ? 0 : (t - k0.t) / span };
    }
  }
  return { a: last, b: last, local: 0 };
}

// ---- value tables: the editor's class-based values as numbers ----

var _TL_FONT_SIZES = {
  'text-[10px]': '10px', 'text-[11px]': '11px', 'text-xs': '0.75rem', 'text-sm': '0.875rem', 'text-base': '1rem',
  'text-lg': '1.125rem', 'text-xl': '1.25rem', 'text-2xl': '1.5rem', 'text-3xl': '1.875rem', 'text-4xl': '2.25rem',
  'text-6xl': '3.75rem',
};
var _TL_BORDER_WIDTHS = { '': 0, 'border-0': 0, 'border': 1, 'border-2': 2, 'border-4': 4, 'border-8': 8 };
var _TL_BORDER_STYLES = {
  '': '', 'border-solid': 'solid', 'border-dashed': 'dashed', 'border-dotted': 'dotted', 'border-double': 'double',
};
var _TL_IMG_FILTERS = {
  imgBlur: { 'blur-none': 0, 'blur-sm': 4, 'blur': 8, 'blur-md': 12, 'blur-lg': 16, 'blur-xl': 24, 'blur-2xl': 40,
    'blur-3xl': 64 },
  imgBrightness: { 'brightness-0': 0, 'brightness-50': 0.5, 'brightness-75': 0.75, 'brightness-90': 0.9,
    'brightness-95': 0.95, 'brightness-100': 1, 'brightness-105': 1.05, 'brightness-110': 1.1, 'brightness-125': 1.25,
    'brightness-150': 1.5, 'brightness-200': 2 },
  imgContrast: { 'contrast-0': 0, 'contrast-50': 0.5, 'contrast-75': 0.75, 'contrast-100': 1, 'contrast-125': 1.25,
    'contrast-150': 1.5, 'contrast-200': 2 },
  imgSaturate: { 'saturate-0': 0, 'saturate-50': 0.5, 'saturate-100': 1, 'saturate-150': 1.5, 'saturate-200': 2 },
};

var _TL_NUMBER_RE = /^\s*(-?\d+(?:\.\d*)?|-?\.\d+)\s*(px|rem|em|%|deg)?\s*$/;

// {n, unit} for a number or a numeric text with an optional unit ("" for none); null otherwise.
function _tlParseLength(v) {
  if (typeof v === 'number') return Number.isFinite(v) ? { n: v, unit: '' } : null;
  if (typeof v !== 'string') return null;
  var m = _TL_NUMBER_RE.exec(v);
  return m ? { n: parseFloat(m[1]), unit: m[2] || '' } : null;
}

function _tlPxOf(n, unit) {
  return unit === 'rem' || unit === 'em' ? n * 16 : n;
}

// Pixels of a font size: a table class, "text-[N unit]", or a number with px, rem or em; null otherwise.
function _tlFontSizePx(v) {
  if (typeof v === 'number') return Number.isFinite(v) ? v : null;
  if (typeof v !== 'string') return null;
  var s = v.trim();
  if (Object.prototype.hasOwnProperty.call(_TL_FONT_SIZES, s)) s = _TL_FONT_SIZES[s];
  else {
    var br = /^text-\[(.*)\]$/.exec(s);
    if (br) s = br[1];
  }
  var m = /^(-?\d+(?:\.\d*)?|-?\.\d+)\s*(px|rem|em)?$/.exec(s);
  return m ? _tlPxOf(parseFloat(m[1]), m[2] || 'px') : null;
}

// Pixels of a border width: a table class or a number with px, rem or em; null otherwise.
function _tlBorderWidthPx(v) {
  if (v === undefined || v === null) return 0;
  if (typeof v === 'number') return Number.isFinite(v) ? v : null;
  var s = String(v).trim();
  if (Object.prototype.hasOwnProperty.call(_TL_BORDER_WIDTHS, s)) return _TL_BORDER_WIDTHS[s];
  var m = /^(-?\d+(?:\.\d*)?|-?\.\d+)\s*(px|rem|em)?$/.exec(s);
  return m ? _tlPxOf(parseFloat(m[1]), m[2] || 'px') : null;
}

function _tlBorderStyleCss(v) {
  var s = v === undefined || v === null ? '' : String(v).trim();
  return Object.prototype.hasOwnProperty.call(_TL_BORDER_STYLES, s) ? _TL_BORDER_STYLES[s] : String(v);
}

// The filter function's amount of an image-filter value; null when it is neither a table class nor a
// bare number with an optional "px" or "%".
function _tlImgFilterAmount(prop, v) {
  if (typeof v === 'number') return Number.isFinite(v) ? v : null;
  if (typeof v !== 'string') return null;
  var s = v.trim();
  var table = _TL_IMG_FILTERS[prop];
  if (table && Object.prototype.hasOwnProperty.call(table, s)) return table[s];
  var m = /^(-?\d+(?:\.\d*)?|-?\.\d+)\s*(px|%)?$/.exec(s);
  return m ? parseFloat(m[1]) : null;
}

// ---- interpolation ----

function _tlMissing(v) {
  return v === undefined || v === null || v === '';
}

function _tlNearest(a, b, x) {
  return x < 0.5 ? a : b;
}

var _TL_HEX6 = /^#[0-9a-fA-F]{6}$/;

function _tlMixColour(a, b, x) {
  var out = '#';
  for (var i = 1; i < 7; i += 2) {
    var ca = parseInt(a.slice(i, i + 2), 16);
    var cb = parseInt(b.slice(i, i + 2), 16);
    var c = Math.max(0, Math.min(255, Math.round(ca + (cb - ca) * x)));
    out += (c < 16 ? '0' : '') + c.toString(16);
  }
  return out;
}

function _tlLinearOrNearest(na, nb, a, b, x) {
  return na === null || nb === null ? _tlNearest(a, b, x) : na + (nb - na) * x;
}

// The value between a (first keyframe) and b (second) at eased time x, by property and value shape.
function _tlInterpolate(prop, a, b, x) {
  if (_tlMissing(a) && _tlMissing(b)) return undefined;
  if (Object.prototype.hasOwnProperty.call(_TL_IMG_FILTERS, prop)) {
    return _tlLinearOrNearest(_tlImgFilterAmount(prop, a), _tlImgFilterAmount(prop, b), a, b, x);
  }
  if (prop === 'fontSize') return _tlLinearOrNearest(_tlFontSizePx(a), _tlFontSizePx(b), a, b, x);
  if (prop === 'borderWidth') {
    var wa = _tlMissing(a) ? null : _tlBorderWidthPx(a);
    var wb = _tlMissing(b) ? null : _tlBorderWidthPx(b);
    return _tlLinearOrNearest(wa, wb, a, b, x);
  }
  if (prop === 'borderStyle') return _tlNearest(a, b, x);
  if (typeof a === 'string' && typeof b === 'string' && a.charAt(0) === '#' && b.charAt(0) === '#') {
    return _TL_HEX6.test(a) && _TL_HEX6.test(b) ? _tlMixColour(a, b, x) : _tlNearest(a, b, x);
  }
  var la = _tlParseLength(a);
  var lb = _tlParseLength(b);
  // A bare number is the property's own measure: pixels beside "px", degrees beside "deg" (a width
  // captured while unset is 0, and typed as "300px" later).
  if (la && lb && la.unit !== lb.unit && (la.unit === '' || lb.unit === '')) {
    var unit = la.unit || lb.unit;
    if (unit === 'px' || unit === 'deg') {
      la = { n: la.n, unit: unit };
      lb = { n: lb.n, unit: unit };
    }
  }
  if (la && lb && la.unit === lb.unit) {
    var n = la.n + (lb.n - la.n) * x;
    return la.unit ? n + la.unit : n;
  }
  return _tlNearest(a, b, x);
}

// The value of a sorted track at time t (0..1); undefined without keyframes.
function _tlValueAt(kfs, t, prop) {
  var seg = _tlSegment(kfs, t);
  if (!seg) return undefined;
  var eased = _tlEase(seg.b.ease, _tlEase(seg.a.ease, seg.local));
  return _tlInterpolate(prop, seg.a.v, seg.b.v, eased);
}

// ---- CSS text ----

function _tlNumberText(n) {
  return String(Math.round(n * 1e6) / 1e6);
}

function _formatValue(prop, v) {
  if (_tlMissing(v)) return '';
  if (_TL_UNITLESS_PROPS.indexOf(prop) !== -1) {
    var u = typeof v === 'number' ? v : (_TL_NUMBER_RE.test(String(v)) && !/[a-z%]/i.test(String(v)) ? parseFloat(v) : NaN);
    return Number.isFinite(u) ? _tlNumberText(u) : String(v);
  }
  if (prop === 'opacity') {
    var o = typeof v === 'number' ? v : parseFloat(v);
    return Number.isFinite(o) ? _tlNumberText(1 - o / 100) : '';
  }
  if (prop === 'fontSize' || prop === 'borderWidth') {
    if (typeof v === 'number') return _tlNumberText(v) + 'px';
    var px = prop === 'fontSize' ? _tlFontSizePx(v) : _tlBorderWidthPx(v);
    return px === null ? String(v) : _tlNumberText(px) + 'px';
  }
  if (prop === 'borderStyle') return _tlBorderStyleCss(v);
  if (typeof v === 'number') return _tlNumberText(v) + (prop === 'rotation' ? 'deg' : 'px');
  return String(v);
}
