// The colour picker's arithmetic, free of the page: hexadecimal colours to and from RGB and HSV, the
// alpha byte, and the one rule that says which texts are colours at all. A colour is 6 hexadecimal
// digits when opaque and 8 (RRGGBBAA) when its alpha is below 255, so an opaque colour never gains an
// alpha byte and documents that never used alpha stay as they were.
// Provides: hexToRgb, hexToHsv, hsvToHex, cpNormalizeHex, cpSlotHex, cpAppendAlpha, cpLoadAlpha, cpAlphaOf,
//   cpRgbToHex, CP_DEFAULT_HEX
// Needs: nothing

var CP_DEFAULT_HEX = '808080';

function _cpHexDigits(text) {
  return String(text === null || text === undefined ? '' : text).trim().replace(/^#/, '');
}

// A stored or typed colour as the picker holds it: upper case, without "#", 3 digits doubled; exactly
// 6 or 8 digits count (a 7-digit text can never be applied, so it is no colour), anything else is
// `fallback`.
function cpNormalizeHex(value, fallback) {
  let h = _cpHexDigits(value);
  if (/^[0-9a-f]{3}$/i.test(h)) h = h.split('').map(function (c) { return c + c; }).join('');
  if (/^([0-9a-f]{6}|[0-9a-f]{8})$/i.test(h)) return h.toUpperCase();
  return fallback === undefined ? CP_DEFAULT_HEX : fallback;
}

// What a custom slot keeps of a dropped or stored text: the normalised colour, or null.
function cpSlotHex(value) {
  return cpNormalizeHex(value, null);
}

// The first three byte pairs; 128, 128, 128 for a text that is no colour.
function hexToRgb(hex) {
  const h = cpNormalizeHex(hex, null);
  if (!h) return { r: 128, g: 128, b: 128 };
  return { r: parseInt(h.slice(0, 2), 16), g: parseInt(h.slice(2, 4), 16), b: parseInt(h.slice(4, 6), 16) };
}

// Alpha 0..255 of a colour: its fourth byte, 255 when it has none.
function cpAlphaOf(hex) {
  const h = cpNormalizeHex(hex, null);
  return h && h.length === 8 ? parseInt(h.slice(6, 8), 16) : 255;
}

function _cpByte(n) {
  const v = Math.max(0, Math.min(255, Math.round(Number(n) || 0)));
  return (v < 16 ? '0' : '') + v.toString(16);
}

function cpRgbToHex(r, g, b) {
  return (_cpByte(r) + _cpByte(g) + _cpByte(b)).toUpperCase();
}

// Six digits plus the alpha byte when the alpha is below 255.
function cpAppendAlpha(hex6, alpha) {
  const h = _cpHexDigits(hex6).slice(0, 6).toUpperCase();
  const a = Math.max(0, Math.min(255, Math.round(Number(alpha))));
  return isFinite(a) && a < 255 ? h + _cpByte(a).toUpperCase() : h;
}

// The opaque part of a colour (its first 6 digits).
function cpLoadAlpha(hex) {
  return cpNormalizeHex(hex).slice(0, 6);
}

// Hue in whole degrees, saturation and value in percent; {h 0, s 0, v 50} for a text that is no colour.
function hexToHsv(hex) {
  if (!cpNormalizeHex(hex, null)) return { h: 0, s: 0, v: 50 };
  const c = hexToRgb(hex);
  const r = c.r / 255, g = c.g / 255, b = c.b / 255;
  const max = Math.max(r, g, b), min = Math.min(r, g, b);
  const d = max - min;
  let h = 0;
  if (d !== 0) {
    if (max === r) h = ((g - b) / d) % 6;
    else if (max === g) h = (b - r) / d + 2;
    else h = (r - g) / d + 4;
    h *= 60;
    if (h < 0) h += 360;
  }
  return { h: Math.round(h) % 360, s: max === 0 ? 0 : (d / max) * 100, v: max * 100 };
}

// Six lower-case digits from hue (degrees), saturation and value (percent).
function hsvToHex(h, s, v) {
  const hue = ((Number(h) || 0) % 360 + 360) % 360;
  const sat = Math.max(0, Math.min(100, Number(s) || 0)) / 100;
  const val = Math.max(0, Math.min(100, Number(v) || 0)) / 100;
  const c = val * sat;
  const x = c * (1 - Math.abs(((hue / 60) % 2) - 1));
  const m = val - c;
  const sector = Math.floor(hue / 60);
  const parts = [[c, x, 0], [x, c, 0], [0, c, x], [0, x, c], [x, 0, c], [c, 0, x]][sector] || [c, x, 0];
  return parts.map(function (p) { return _cpByte((p + m) * 255); }).join('');
}
