// The bytes a standalone program carries after the loader: the container (application settings, the
// page, the resources) and the 24-byte footer that lets the loader find it. The loader reads exactly
// this layout back, so every width and the member order of the settings are fixed here; the golden file
// under tests/fixtures/standalone/ holds one container as the loader's reader tests expect it.
//   file      = loader bytes | container | footer
//   container = u32 metaLen | meta JSON | u32 htmlLen | html | u32 resCount | entries
//   entry     = u16 nameLen | name | u32 resLen | data
//   footer    = "QORLNPAK" | u64 payloadOffset (= loader length) | u64 payloadLength (= container length)
// Integers little-endian, texts UTF-8 without terminator. The loader reads the u16/u32 fields as signed,
// so a name of 32,768 bytes or more, or a text or resource of 2^31 bytes or more, is refused here rather
// than written into a program that cannot start.
// Resource names: libraries and fonts once under their program-relative path ("Libraries/...",
// "Fonts/..."); a media file under its project-relative path and, when that has a folder, again under
// its bare file name. Names are stored decoded ("images/my pic.png", "images/café.png"): the loader
// decodes a request's path before looking it up.
// Provides: _STANDALONE_MAGIC, _LOADER_FETCH_PATH, _TAILWIND_RADIUS_PX, _QRL_NAME_LIMIT, _QRL_DATA_LIMIT,
//   _qrlU8, _qrlBuildContainer, _qrlBuildFooter, _qrlConcat, _qrlAppName, _qrlWindowSize,
//   _resolveWindowRadii, _qrlTitlebarMeta, _qrlBuildMeta, _qrlResourceName, _qrlMediaEntryNames
// Needs: canvasSettings, currentProjectName, elements

var _STANDALONE_MAGIC = 'QORLNPAK';
// The host route that serves the loader template (Linux programs carry no suffix).
var _LOADER_FETCH_PATH = 'loader/quorlin_loader';
var _QRL_NAME_LIMIT = 32768;       // a resource name must be shorter (bytes)
var _QRL_DATA_LIMIT = 2147483648;  // the meta, the page and each resource must be shorter (bytes)

// Window corner radius, in pixels, of each corner preset of the canvas.
var _TAILWIND_RADIUS_PX = Object.freeze({
  'rounded-none': 0, 'rounded-sm': 2, rounded: 4, 'rounded-md': 6, 'rounded-lg': 8, 'rounded-xl': 12,
  'rounded-2xl': 16, 'rounded-3xl': 24, 'rounded-[2rem]': 32, 'rounded-[3rem]': 48, 'rounded-[4rem]': 64,
  'rounded-full': 9999,
});

function _qrlU8(text) {
  return new TextEncoder().encode(String(text));
}

function _qrlBytes(data) {
  if (data instanceof Uint8Array) return data;
  if (ArrayBuffer.isView(data)) return new Uint8Array(data.buffer, data.byteOffset, data.byteLength);
  if (Object.prototype.toString.call(data) === '[object ArrayBuffer]') return new Uint8Array(data);
  if (typeof data === 'string') return _qrlU8(data);
  throw new Error('resource data is not bytes');
}

function _qrlCheckLength(what, length, limit) {
  if (length >= limit) throw new Error(what + ' is too large for a standalone program (' + length + ' bytes)');
}

// metaObj, htmlString, resources [{name, bytes}] -> ArrayBuffer of the container.
function _qrlBuildContainer(metaObj, htmlString, resources) {
  const meta = _qrlU8(JSON.stringify(metaObj));
  const html = _qrlU8(htmlString == null ? '' : htmlString);
  const list = (resources || []).map(function (r) {
    const name = _qrlU8(r.name);
    const bytes = _qrlBytes(r.bytes);
    _qrlCheckLength('The resource name "' + r.name + '"', name.length, _QRL_NAME_LIMIT);
    _qrlCheckLength('The resource "' + r.name + '"', bytes.length, _QRL_DATA_LIMIT);
    return { name: name, bytes: bytes };
  });
  _qrlCheckLength('The application settings', meta.length, _QRL_DATA_LIMIT);
  _qrlCheckLength('The page', html.length, _QRL_DATA_LIMIT);
  let total = 4 + meta.length + 4 + html.length + 4;
  list.forEach(function (r) { total += 2 + r.name.length + 4 + r.bytes.length; });
  const out = new ArrayBuffer(total);
  const view = new DataView(out);
  const bytes = new Uint8Array(out);
  let at = 0;
  const u16 = function (n) { view.setUint16(at, n, true); at += 2; };
  const u32 = function (n) { view.setUint32(at, n, true); at += 4; };
  const put = function (b) { bytes.set(b, at); at += b.length; };
  u32(meta.length); put(meta);
  u32(html.length); put(html);
  u32(list.length);
  list.forEach(function (r) { u16(r.name.length); put(r.name); u32(r.bytes.length); put(r.bytes); });
  return out;
}

function _qrlU64(what, n) {
  if (typeof n !== 'number' || !Number.isSafeInteger(n) || n < 0) throw new Error(what + ' is not a byte count: ' + n);
  return BigInt(n);
}

function _qrlBuildFooter(payloadOffset, payloadLength) {
  const out = new ArrayBuffer(24);
  const view = new DataView(out);
  new Uint8Array(out).set(_qrlU8(_STANDALONE_MAGIC), 0);
  view.setBigUint64(8, _qrlU64('The payload offset', payloadOffset), true);
  view.setBigUint64(16, _qrlU64('The payload length', payloadLength), true);
  return out;
}

// parts (ArrayBuffers or typed arrays) -> one ArrayBuffer with their bytes back to back.
function _qrlConcat(parts) {
  const list = (parts || []).map(_qrlBytes);
  let total = 0;
  list.forEach(function (p) { total += p.length; });
  const out = new Uint8Array(total);
  let at = 0;
  list.forEach(function (p) { out.set(p, at); at += p.length; });
  return out.buffer;
}

// The open project's name with the characters a file name cannot hold as "_"; "QuorlinApp" without one.
function _qrlAppName() {
  const name = currentProjectName ? String(currentProjectName) : 'QuorlinApp';
  return name.replace(/[\\/:*?"<>|]/g, '_');
}

function _qrlPositiveInt(value, fallback) {
  const n = parseInt(String(value), 10);
  return n > 0 ? n : fallback;
}

// The program window's size and limits from the canvas settings.
function _qrlWindowSize(settings) {
  const cs = settings || canvasSettings || {};
  const mode = cs.resolution || 'responsive';
  let w = 1024;
  let h = 768;
  if (mode === 'responsive' || mode === 'centered') {
    w = 1920;
    h = 1080;
  } else if (mode === 'custom') {
    w = _qrlPositiveInt(cs.customW, 1024);
    h = _qrlPositiveInt(cs.customH, 768);
  } else {
    const parts = String(mode).split('x');
    if (parts.length === 2) {
      w = _qrlPositiveInt(parts[0], 1024);
      h = _qrlPositiveInt(parts[1], 768);
    }
  }
  return {
    w: w, h: h,
    minW: _qrlPositiveInt(cs.minW, 0), minH: _qrlPositiveInt(cs.minH, 0),
    maxW: _qrlPositiveInt(cs.maxW, 8192), maxH: _qrlPositiveInt(cs.maxH, 8192),
  };
}

// The four corner radii (pixels) of the program window: the canvas's own values when its corner setting
// is "custom" and one of them is set, else the preset's value on every corner.
function _resolveWindowRadii() {
  const cs = canvasSettings || {};
  const setting = cs.windowRadius || '';
  if (setting === 'custom') {
    const v = function (c) { const n = parseFloat(cs['windowRadiusCustom' + c]); return isFinite(n) ? n : 0; };
    const custom = { tl: v('TL'), tr: v('TR'), br: v('BR'), bl: v('BL') };
    if (custom.tl || custom.tr || custom.br || custom.bl) return custom;
  }
  const r = Object.prototype.hasOwnProperty.call(_TAILWIND_RADIUS_PX, setting) ? _TAILWIND_RADIUS_PX[setting] : 0;
  return { tl: r, tr: r, br: r, bl: r };
}

function _qrlWindowButton(bar, prop) {
  if (bar[prop] === -1 || bar[prop] === '-1') return '';
  const id = bar[prop + 'Id'];
  return id != null && id !== '' && id !== -1 && id !== '-1' ? String(id) : '';
}

// The title bar the loader is told about: the first container or nine-slice marked as title bar.
function _qrlTitlebarMeta() {
  const bar = (elements || []).find(function (el) {
    return el && (el.type === 'container' || el.type === 'nineslice') && el.isTitlebar;
  });
  if (!bar) {
    return { available: false, radiusTL: 0, radiusTR: 0, radiusBR: 0, radiusBL: 0, maxBtn: '', minBtn: '', closeBtn: '' };
  }
  const r = _resolveWindowRadii();
  return {
    available: true, radiusTL: r.tl, radiusTR: r.tr, radiusBR: r.br, radiusBL: r.bl,
    maxBtn: _qrlWindowButton(bar, 'windowMaximize'), minBtn: _qrlWindowButton(bar, 'windowMinimize'),
    closeBtn: _qrlWindowButton(bar, 'windowClose'),
  };
}

// The application settings, members in the order the loader's tests pin.
function _qrlBuildMeta(embedded, parts) {
  const p = parts || {};
  return {
    appName: p.appName != null ? p.appName : _qrlAppName(),
    embedded: !!embedded,
    window: p.window || _qrlWindowSize(),
    titlebar: p.titlebar || _qrlTitlebarMeta(),
    transparentBg: !!(canvasSettings && canvasSettings.transparentBg),
  };
}

// A path as the page writes it ("/images/my%20pic.png") -> the stored name ("images/my pic.png"):
// no leading "/", percent escapes decoded once (a malformed escape is kept as written).
function _qrlResourceName(path) {
  const plain = String(path).replace(/^\/+/, '');
  try {
    return decodeURIComponent(plain);
  } catch (e) {
    return plain;
  }
}

// The names a media file is stored under: its path and, when that has a folder, its bare file name.
function _qrlMediaEntryNames(path) {
  const name = _qrlResourceName(path);
  const slash = name.lastIndexOf('/');
  return slash === -1 ? [name] : [name, name.slice(slash + 1)];
}
