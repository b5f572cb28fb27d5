// The UI procedure library of the generated module: the table of its 24 blocks (filled by
// ui-blocks-a.js and ui-blocks-b.js) and the emitter that turns each entry into a procedure of the
// outside compiler's language.
//
// An entry is a script template: a real function here (so this page's own parser checks it and tests can
// run it) whose first parameter is the helper object `Q` and whose other parameters mirror the
// procedure's, in order. The emitted procedure builds the call text
//   (function (Q, ElementID, Text) { ... })(window.__qlUi, '<ElementID$ escaped>', '<Text$ escaped>');
// and runs it with UI_ExecuteJS, which puts the helper prelude in front of every script (the page gets the
// helpers once, on the first call). Every text argument goes through JsEsc (pbJsEsc here); numbers are
// written with a decimal point. Parameters are written as the procedure declares them:
//   "Name$" or "Name$ = \"x\"" text, "Name" or "Name = 3" integer, "Name.d = 1.0" decimal, "*Name" an
//   address (not passed to the script).
// An entry may instead carry its whole procedure text (`source`, for the few that are not scripts), add
// statements in front of the script (`before`), return a value (`returns`), or hold only under a design
// feature (`when`, a flag name of pbDesignFlags).
//
// pbUiScript (pb, args, port) -> the exact script text the module runs for that call (tests run it in
// an exported page). pbUiLibraryText (flags) -> the procedures of every block the flags select, in block
// order. PB_UI_BLOCKS: [{number, name, when, entries}] in output order.
// Provides: PB_UI_BLOCKS, pbDefineUiBlock, pbUiEntry, pbUiProcedureNames, pbUiParams, pbUiScript, pbUiPrelude,
//   pbUiProcedureText, pbUiLibraryText, pbUiPreludeSource, _PB_UI_HELPERS
// Needs: pbLiteral, pbJsEsc

var PB_UI_BLOCKS = [];

function pbDefineUiBlock(number, name, when, entries) {
  const list = entries.map(function (row) {
    const entry = Array.isArray(row) ? Object.assign({ pb: row[0], params: row[1], js: row[2] }, row[3] || {}) : row;
    if (!/^(UI_|QL_)[A-Za-z0-9_]+$/.test(entry.pb)) throw new Error('bad procedure name ' + entry.pb);
    if (!entry.source && typeof entry.js !== 'function') throw new Error(entry.pb + ' has no script template');
    return entry;
  });
  PB_UI_BLOCKS.push({ number: number, name: name, when: when || null, entries: list });
  PB_UI_BLOCKS.sort(function (a, b) { return a.number - b.number; });
}

function pbUiEntry(pb) {
  for (const block of PB_UI_BLOCKS) {
    for (const entry of block.entries) if (entry.pb === pb) return entry;
  }
  return null;
}

// Every procedure name of the library, with its block number: {name: block}.
function pbUiProcedureNames() {
  const out = {};
  PB_UI_BLOCKS.forEach(function (block) { block.entries.forEach(function (e) { out[e.pb] = block.number; }); });
  return out;
}

// "ElementID$, Rate.d = 1.0, *Data" -> [{decl, name, kind}] with kind "text", "int", "dec" or "ptr".
function pbUiParams(spec) {
  if (!spec) return [];
  const out = [];
  let depth = 0;
  let cur = '';
  let quoted = false;
  for (const ch of String(spec)) {
    if (ch === '"') quoted = !quoted;
    if (!quoted && ch === '(') depth++;
    if (!quoted && ch === ')') depth--;
    if (!quoted && depth === 0 && ch === ',') { out.push(cur.trim()); cur = ''; } else cur += ch;
  }
  if (cur.trim()) out.push(cur.trim());
  return out.map(function (decl) {
    const head = decl.split('=')[0].trim();
    if (head.charAt(0) === '*') return { decl: decl, name: head.slice(1), kind: 'ptr' };
    if (/\$$/.test(head)) return { decl: decl, name: head.slice(0, -1), kind: 'text' };
    const typed = /^([A-Za-z_][A-Za-z0-9_]*)\.([a-z])$/.exec(head);
    if (typed) return { decl: decl, name: typed[1], kind: typed[2] === 'd' || typed[2] === 'f' ? 'dec' : 'int' };
    return { decl: decl, name: head, kind: 'int' };
  });
}

// Helpers the scripts share, installed once in the page as window.__qlUi. `port` is the module's
// server port (UI_ServerPort).
var _PB_UI_HELPERS = function (port) {
  var Q = {};
  Q.port = port;
  Q.el = function (id) { return id ? document.getElementById(id) : null; };
  Q.wrap = function (id) { return id ? document.getElementById('wrap-' + id) : null; };
  Q.box = function (id) { return Q.wrap(id) || Q.el(id); };
  // The outer box of rotation, scroll targets and splitters.
  Q.outer = function (id) { return (id && document.getElementById(id + '_wrapper')) || Q.box(id); };
  // The element, else the first match of `sel` inside its wrapper.
  Q.find = function (id, sel) {
    var el = Q.el(id);
    if (el) return el;
    var w = Q.wrap(id);
    return w ? w.querySelector(sel) : null;
  };
  Q.send = function (id, type, value) {
    var v = value === undefined || value === null ? '' : String(value);
    if (typeof window.sendToPB === 'function') window.sendToPB(id, type, v);
    else if (typeof window.pb_event === 'function') window.pb_event({ id: id, type: type, value: v });
  };
  Q.on = function (v) { return v === 1 || v === '1' || v === true || v === 'true'; };
  Q.num = function (v, d) { var n = parseFloat(v); return isFinite(n) ? n : d; };
  Q.call = function (obj, method, args) {
    var o = typeof obj === 'string' ? window[obj] : obj;
    if (!o || typeof o[method] !== 'function') return undefined;
    return o[method].apply(o, args || []);
  };
  Q.server = function (path) {
    return 'http://localhost:' + Q.port + '/' + String(path).split('/').map(encodeURIComponent).join('/');
  };
  var SIGNATURES = [['iVBORw0KGg', 'image/png'], ['/9j/', 'image/jpeg'], ['R0lGOD', 'image/gif'], ['UklGR', 'image/webp'],
    ['Qk', 'image/bmp'], ['PHN2Z', 'image/svg+xml'], ['PD94', 'image/svg+xml']];
  Q.mimeOf = function (b64) {
    for (var i = 0; i < SIGNATURES.length; i++) if (b64.indexOf(SIGNATURES[i][0]) === 0) return SIGNATURES[i][1];
    return null;
  };
  Q.dataUrl = function (b64) { return 'data:' + (Q.mimeOf(b64) || 'image/png') + ';base64,' + b64; };
  // Address of an image or video argument; '' clears.
  Q.url = function (u) {
    u = String(u === undefined || u === null ? '' : u);
    if (u === '' || u === '0') return '';
    if (/^data:/i.test(u)) return u;
    if (u.length >= 3 && u.charAt(1) === ':' && (u.charAt(2) === '\\' || u.charAt(2) === '/')) return Q.server('ext:/' + u.replace(/\\/g, '/'));
    // Raw Base64 only with its alphabet and the start of a known image format.
    if (u.length >= 16 && u.length % 4 === 0 && /^[A-Za-z0-9+/]+={0,2}$/.test(u) && Q.mimeOf(u)) return Q.dataUrl(u);
    if (u.charAt(0) === '/') return 'http://localhost:' + Q.port + u;
    if (u.indexOf('ext/') === 0) return Q.server('ext:/' + u.slice(4));
    if (u.indexOf('://') !== -1) return u;
    return Q.server(u);
  };
  Q.bgTarget = function (id) {
    var el = Q.el(id) || Q.wrap(id);
    if (!el) return null;
    return el.querySelector('.rotation-fix-container > div') || el;
  };
  Q.media = function (id) {
    var el = Q.el(id) || Q.wrap(id);
    if (!el) return null;
    return /^(IMG|VIDEO)$/.test(el.tagName) ? el : el.querySelector('img,video');
  };
  // Hover and active colours: listeners once per element and kind; the colour is read when the event fires.
  Q.pointerColour = function (el, kind) {
    if (!el || el.getAttribute('data-ql-' + kind + '-wired') === '1') return;
    el.setAttribute('data-ql-' + kind + '-wired', '1');
    var prop = kind === 'hover-text' ? 'color' : 'backgroundColor';
    var enter = kind === 'active-bg' ? 'pointerdown' : 'pointerenter';
    var leave = kind === 'active-bg' ? 'pointerup' : 'pointerleave';
    var saved = null;
    el.addEventListener(enter, function (ev) {
      var colour = el.getAttribute('data-ql-' + kind);
      if (!colour) return;
      if (saved === null) saved = el.style[prop];
      el.style[prop] = colour;
      if (kind === 'active-bg' && ev && ev.pointerId !== undefined && el.setPointerCapture) {
        try { el.setPointerCapture(ev.pointerId); } catch (e) { /* no capture in this browser */ }
      }
    });
    el.addEventListener(leave, function () {
      if (saved === null) return;
      el.style[prop] = saved;
      saved = null;
    });
  };
  Q.children = function (id) {
    var w = Q.wrap(id);
    if (!w) return [];
    var out = [];
    var all = w.querySelectorAll('[id^="wrap-"]');
    for (var i = 0; i < all.length; i++) {
      var p = all[i].parentElement;
      while (p && !(p.id && p.id.indexOf('wrap-') === 0)) p = p.parentElement;
      if (p === w) out.push(all[i].id.slice(5));
    }
    return out;
  };
  Q.mainBlur = function () {
    var main = document.querySelector('main');
    if (!main) return;
    var marked = document.querySelectorAll('[data-floating-blur="true"]');
    var shown = false;
    for (var i = 0; i < marked.length && !shown; i++) {
      var w = marked[i].closest('[id^="wrap-"]') || marked[i];
      shown = w.style.display !== 'none' && !w.classList.contains('hidden') && marked[i].style.display !== 'none';
    }
    main.classList.toggle('floating-blur-active', shown);
  };
  return Q;
};

// The source text of a template function, one trimmed line per line, comment-only lines left out.
function _pbScriptLines(fn) {
  return String(fn).split('\n').map(function (l) { return l.trim(); })
    .filter(function (l) { return l && l.indexOf('//') !== 0; });
}

function pbUiPreludeSource() {
  return _pbScriptLines(_PB_UI_HELPERS).join('\n');
}

// The prelude the module puts in front of every script.
function pbUiPrelude(port) {
  return 'if (!window.__qlUi) window.__qlUi = (' + pbUiPreludeSource() + ')(' + Number(port || 0) + ');\n';
}

function _pbJsNumber(kind, value) {
  const n = Number(value);
  if (!isFinite(n)) return '0';
  return kind === 'int' ? String(Math.trunc(n)) : String(Math.round(n * 10000) / 10000);
}

// The script text that the module runs for pb called with args (in parameter order, gadget left out).
function pbUiScript(pb, args, port) {
  const entry = pbUiEntry(pb);
  if (!entry || !entry.js) throw new Error('no script template for ' + pb);
  const params = pbUiParams(entry.params);
  const given = args || [];
  const values = params.filter(function (p) { return p.kind !== 'ptr'; }).map(function (p) {
    const at = params.indexOf(p);
    let v = given[at];
    if (v === undefined) v = _pbDefaultOf(p);
    return p.kind === 'text' ? "'" + pbJsEsc(v) + "'" : _pbJsNumber(p.kind, v);
  });
  return pbUiPrelude(port) + '(' + _pbScriptLines(entry.js).join('\n') + ')(' + ['window.__qlUi'].concat(values).join(', ') + ');';
}

function _pbDefaultOf(p) {
  const at = p.decl.indexOf('=');
  if (at === -1) return p.kind === 'text' ? '' : 0;
  const raw = p.decl.slice(at + 1).trim();
  if (p.kind === 'text') return raw.replace(/^~?"|"$/g, '');
  if (/^#true$/i.test(raw)) return 1;
  if (/^#false$/i.test(raw)) return 0;
  return Number(raw);
}

// The procedure text of one entry.
function pbUiProcedureText(entry) {
  if (entry.source) return entry.source.replace(/\n+$/, '');
  const params = pbUiParams(entry.params);
  const head = 'Procedure' + (entry.returns ? '.' + entry.returns : '') + ' ' + entry.pb + '(' +
    ['Gadget'].concat(params.map(function (p) { return p.decl; })).join(', ') + ')';
  const lines = [head];
  (entry.before || []).forEach(function (l) { lines.push('  ' + l); });
  const body = _pbScriptLines(entry.js);
  lines.push('  Protected js$ = ' + pbLiteral('(' + body[0] + '\n'));
  body.slice(1).forEach(function (l) { lines.push('  js$ = js$ + ' + pbLiteral(l + '\n')); });
  const args = params.filter(function (p) { return p.kind !== 'ptr'; }).map(function (p) {
    if (p.kind === 'text') return "'\" + JsEsc(" + p.name + "$) + \"'";
    if (p.kind === 'dec') return '" + StrD(' + p.name + ', 4) + "';
    return '" + Str(' + p.name + ') + "';
  });
  let call = '")(window.__qlUi' + args.map(function (a) { return ', ' + a; }).join('') + ');"';
  call = call.replace(/ \+ ""$/, '');
  lines.push('  js$ = js$ + ' + call);
  lines.push('  UI_ExecuteJS(Gadget, js$)');
  lines.push('EndProcedure');
  return lines.join('\n');
}

// The procedures of every block whose condition holds, in block order, each block under a comment.
function pbUiLibraryText(flags) {
  const f = flags || {};
  const out = [];
  PB_UI_BLOCKS.forEach(function (block) {
    if (block.when && !block.when.split('|').some(function (k) { return f[k]; })) return;
    const entries = block.entries.filter(function (e) { return !e.when || e.when.split('|').some(function (k) { return f[k]; }); });
    if (!entries.length) return;
    out.push('; ---- ' + block.number + '. ' + block.name + ' ----');
    entries.forEach(function (e) { out.push(pbUiProcedureText(e)); out.push(''); });
  });
  return out.join('\n');
}
