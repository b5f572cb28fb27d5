// The source module for the outside compiler: generatePureBasicCode (htmlContent, isEmbedded = false,
// assetPaths = null, titlebarConfig = null, idsAsConstants = false) -> promise of the module text, the
// byte-order mark U+FEFF in front. htmlContent is the "pb" export of the design; a page that is not packed
// yet gets its Fonts addresses made absolute and is packed as the compressed-page wrapper. The design
// (elements, canvasSettings, window.animations) decides the feature flags, the element list and the sizes.
//
// Sections, in this order (bracketed ones only when they apply):
//   1 header comment   2 element list   3 EnableExplicit, window enumeration, thread-safety check
//   4 size constants   5 title-bar constants and forward declarations   [6 nothing: fonts come from the
//   server]   7 shared declarations   8 the WebSocket relay   9 [transparent region] page bridge
//   10 UI procedures (the blocks the flags select)   11 window utilities   12 [UI_InitAssets] server thread
//   13 UI_Init   14 [DataSection]   15 title-bar block, or its two switches
// Ids of any spelling become valid, unique constant names; comment texts stay on their line; the page is
// one escaped literal per line.
// Provides: generatePureBasicCode, pbDesignFlags, pbElementList, pbSizeConstants, pbModuleAssets, PB_MODULE_SECTIONS
// Needs: pbLiteral, pbPlainLiteral, pbCommentText, pbConstName, pbPad, pbUiLibraryText, _WS_SERVER_PB, pbSharedSource,
//   pbBridgeSource, pbWindowUtilitiesSource, pbServerSource, pbAssetsSource, pbInitSource, pbTitlebarSource,
//   obfuscateHtml, elements, canvasSettings, t
// Calls: animations

// The comment that opens each section, which tests and readers find the sections by.
var PB_MODULE_SECTIONS = ['header', 'elements', 'setup', 'sizes', 'titlebar constants', 'shared', 'relay', 'bridge',
  'ui procedures', 'window utilities', 'server', 'init', 'data', 'titlebar'];

function _pbSection(name) {
  return '; ==== ' + name + ' ====';
}

// Which procedure blocks the design needs.
function pbDesignFlags(list, anims) {
  const els = Array.isArray(list) ? list : [];
  const has = function (types) { return els.some(function (e) { return e && types.indexOf(e.type) !== -1; }); };
  const any = function (test) { return els.some(function (e) { return e && test(e); }); };
  return {
    table: has(['table']), accordion: has(['accordion']), toggle: has(['toggle', 'toggle-btn']),
    checkable: has(['toggle', 'toggle-btn', 'checkbox', 'radio']), input: has(['input', 'textarea']),
    select: has(['select']), list: has(['list']), chart: has(['chart']), image: has(['image']), video: has(['avplayer']),
    link: has(['link']), splitter: has(['splitter']), alert: has(['alert']),
    pageMode: any(function (e) { return e.pageMode === true; }),
    hover: any(function (e) { return !!(e.hoverBgColor || e.hoverTextColor); }),
    active: any(function (e) { return !!e.activeBgColor; }),
    rotation: any(function (e) { const r = parseFloat(e.rotation); return isFinite(r) && r !== 0; }),
    cssAnim: any(function (e) { return !!e.animType; }),
    timeline: (Array.isArray(anims) ? anims : []).some(function (a) { return a && Array.isArray(a.tracks) && a.tracks.length > 0; }),
  };
}

// The element's own text for the list's comment.
function _pbElementText(el) {
  const raw = el.text !== undefined && el.text !== null && el.text !== '' ? el.text : el.label || el.placeholder || '';
  return pbCommentText(String(raw).replace(/<[^>]*>/g, ' '), 30);
}

// Section 2: constants (or comment lines) naming every element.
function pbElementList(list, asConstants) {
  const els = (Array.isArray(list) ? list : []).filter(function (e) { return e && e.id !== undefined && e.id !== null && e.id !== ''; });
  if (!asConstants) {
    return els.map(function (e) {
      return '; ' + pbPad(pbCommentText(e.id), 28) + ' ' + pbCommentText(e.type) + (_pbElementText(e) ? ' ' + _pbElementText(e) : '');
    }).join('\n');
  }
  const taken = new Set();
  const defs = els.map(function (e) { return pbConstName(e.id, taken) + ' = ' + pbPlainLiteral(String(e.id)); });
  const width = Math.max(40, defs.reduce(function (m, d) { return Math.max(m, d.length + 1); }, 0));
  return els.map(function (e, i) {
    return pbPad(defs[i], width - 1) + ' ; ' + pbCommentText(e.type) + (_pbElementText(e) ? ' ' + _pbElementText(e) : '');
  }).join('\n');
}

// Section 4.
function pbSizeConstants(cs) {
  const c = cs || {};
  const out = [];
  const pos = function (v) { const n = parseInt(v, 10); return isFinite(n) && n > 0 ? n : 0; };
  if (pos(c.minW)) out.push('#UI_MIN_WIDTH = ' + pos(c.minW));
  if (pos(c.minH)) out.push('#UI_MIN_HEIGHT = ' + pos(c.minH));
  if (pos(c.maxW)) out.push('#UI_MAX_WIDTH = ' + pos(c.maxW));
  if (pos(c.maxH)) out.push('#UI_MAX_HEIGHT = ' + pos(c.maxH));
  const res = String(c.resolution || 'centered');
  if (res !== 'responsive' && res !== 'centered') {
    const m = /^(\d+)\s*x\s*(\d+)$/i.exec(res);
    const w = m ? parseInt(m[1], 10) : pos(c.customW) || 1024;
    const h = m ? parseInt(m[2], 10) : pos(c.customH) || 768;
    out.push('#UI_WINDOW_WIDTH = ' + w, '#UI_WINDOW_HEIGHT = ' + h);
  }
  out.push('#UI_TRANSPARENT = ' + (c.transparentBg ? 1 : 0));
  return out.join('\n');
}

function _pbLocalPath(src) {
  const s = String(src || '').trim();
  return s && !/^data:/i.test(s) && s.indexOf('://') === -1 ? s : '';
}

// The resources the module carries: Tailwind always, with the embed option the fonts, libraries and every
// local image of the design (key = its file name). [{key, path}], each key once.
function pbModuleAssets(assetPaths, isEmbedded, list) {
  const a = assetPaths || {};
  const out = [];
  const seen = new Set();
  const add = function (key, path) {
    if (!key || seen.has(key)) return;
    seen.add(key);
    out.push({ key: key, path: path });
  };
  (a.libs || []).forEach(function (p) { if (isEmbedded || /tailwind/i.test(p)) add(p, p); });
  if (!out.length) add('Libraries/tailwind.min.js', 'Libraries/tailwind.min.js');
  if (!isEmbedded) return out;
  (a.fonts || []).forEach(function (p) { add(p, p); });
  (Array.isArray(list) ? list : []).forEach(function (e) {
    if (!e) return;
    [e.type === 'image' ? e.src : '', e.bgImage, e.type === 'nineslice' ? e.sliceImage : ''].forEach(function (src) {
      const p = _pbLocalPath(src);
      if (p) add(p.split('/').pop(), p);
    });
  });
  return out;
}

// Absolute paths the page was built with, which the server may serve as "ext:/".
function _pbExtPaths(list) {
  const out = [];
  (Array.isArray(list) ? list : []).forEach(function (e) {
    if (!e) return;
    [e.src, e.bgImage, e.sliceImage, e.poster].forEach(function (src) {
      const s = String(src || '');
      if (s.length >= 3 && s.charAt(1) === ':' && (s.charAt(2) === '\\' || s.charAt(2) === '/')) {
        const p = s.replace(/\\/g, '/').toLowerCase();
        if (out.indexOf(p) === -1) out.push(p);
      }
    });
  });
  return out;
}

function _pbIsPacked(html) {
  return /DecompressionStream\("deflate-raw"\)/.test(html) && /\bvar _b = /.test(html);
}

function _pbStamp(now) {
  const two = function (n) { return String(n).padStart(2, '0'); };
  return two(now.getDate()) + '/' + two(now.getMonth() + 1) + '/' + now.getFullYear() + '  ' +
    two(now.getHours()) + ':' + two(now.getMinutes()) + ':' + two(now.getSeconds());
}

function _pbHeader(list, asConstants, now) {
  const rule = '; ' + '═'.repeat(78);
  const c = function (text) { return '; ' + pbCommentText(text); };
  return [
    rule,
    c(t('export.moduleTitle')),
    c(t('export.exportedOn') + ' ' + _pbStamp(now)),
    rule,
    c(t('export.elementsInUI') + ' ' + list.length),
    ';',
    c(t('export.basicUsage')),
    ';   XIncludeFile "<base>.pbi"',
    ';   Procedure MyHandler(ElementID$, EventType$, EventValue$) : EndProcedure',
    ';   UI_Init(#MainGadget, @MyHandler())',
    asConstants && list.length ? ';   UI_SetText(#MainGadget, ' + pbConstName(list[0].id, new Set()) + ', "...")' : ';   UI_SetText(#MainGadget, "<element id>", "...")',
    ';',
    c(t('export.requiredFolders')),
    ';   Libraries\\tailwind.min.js   (Internal_lib/tailwind.min.js)',
    ';   Fonts\\',
    rule,
  ].join('\n');
}

function _pbAnimComments(list) {
  return (Array.isArray(list) ? list : []).filter(function (e) { return e && e.animType; }).map(function (e) {
    return pbCommentText(e.id + ': ' + e.animType + ' x ' + (e.animCount ? e.animCount : 'infinite'));
  });
}

async function generatePureBasicCode(htmlContent, isEmbedded, assetPaths, titlebarConfig, idsAsConstants) {
  const list = Array.isArray(elements) ? elements.filter(Boolean) : [];
  const cs = canvasSettings || {};
  const anims = Array.isArray(window.animations) ? window.animations : [];
  const flags = pbDesignFlags(list, anims);
  const tb = titlebarConfig || null;
  const transparent = !!cs.transparentBg;
  let page = String(htmlContent || '');
  if (!_pbIsPacked(page)) {
    page = await obfuscateHtml(page.replace(/url\((['"]?)Fonts\//g, function (m, q) { return 'url(' + q + 'http://localhost:56789/Fonts/'; }));
  }
  const assets = pbModuleAssets(assetPaths, !!isEmbedded, list);
  const assetText = pbAssetsSource(assets);
  const radius = function (v) { const n = Math.round(Number(v)); return tb && isFinite(n) && n > 0 ? n : 0; };
  const out = [];
  const section = function (name, text) { out.push(_pbSection(name)); if (text) out.push(text); out.push(''); };
  section('header', _pbHeader(list, !!idsAsConstants, new Date()));
  section('elements', pbElementList(list, !!idsAsConstants));
  section('setup', [
    'EnableExplicit',
    '',
    'Enumeration Window',
    '  #MainWindow',
    'EndEnumeration',
    '',
    'CompilerIf #PB_Compiler_Thread = 0',
    '  CompilerError "Please, compile with: \'Create threadsafe executable\' check."',
    'CompilerEndIf'].join('\n'));
  section('sizes', pbSizeConstants(cs));
  section('titlebar constants', [
    '#TITLEBAR_AVAILABLE = ' + (tb ? 1 : 0),
    '#TITLEBAR_RADIUS_TL = ' + radius(tb && tb.windowRadiusTL),
    '#TITLEBAR_RADIUS_TR = ' + radius(tb && tb.windowRadiusTR),
    '#TITLEBAR_RADIUS_BR = ' + radius(tb && tb.windowRadiusBR),
    '#TITLEBAR_RADIUS_BL = ' + radius(tb && tb.windowRadiusBL),
    '',
    'Declare UI_RoundedWindowRegion(hWnd, rTL, rTR, rBR, rBL)',
    'Declare MakeRoundedWindowHwnd(hWnd, rTL = 0, rTR = 0, rBR = 0, rBL = 0)',
    'Declare Titlebar_BindWebViewCallbacks()'].join('\n'));
  section('shared', pbSharedSource());
  section('relay', _WS_SERVER_PB.replace(/\n+$/, ''));
  section('bridge', pbBridgeSource({ transparent: transparent, titlebar: !!tb }));
  section('ui procedures', pbUiLibraryText(flags).replace(/\n+$/, ''));
  section('window utilities', pbWindowUtilitiesSource());
  section('server', assetText.init + '\n\n' + pbServerSource());
  section('init', pbInitSource({ page: page, assets: true, titlebar: !!tb, transparent: transparent,
    extPaths: _pbExtPaths(list), animComments: _pbAnimComments(list) }));
  section('data', assetText.data);
  section('titlebar', tb ? pbTitlebarSource(tb, transparent) : pbTitlebarSource(null));
  return '\uFEFF' + out.join('\n');
}
