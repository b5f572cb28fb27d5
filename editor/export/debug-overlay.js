// The debug panel of exported and previewed pages: debugOverlayHTML () gives its style, toggle button, panel
// and one inline script, written after the page's last runtime script when the debug option is on; the
// early capture (_QL_EXPORT_DEBUG_EARLY, written in the head) keeps the errors of the scripts that run
// before the panel exists, which the panel then shows.
// The panel shows the console (the last 200 entries, __QUORLIN_DBG_RING), the flow's trace (its last 300
// lines, redrawn on the number of lines ever added, as the flow keeps only its last 500), the flow's
// variables and the node a breakpoint stopped at; Clear, Pause (capture), Continue and Step drive it. A
// breakpoint pauses the playing animations; Continue plays again those of the first breakpoint of a chain.
// Every value shown is escaped. Ctrl+` and Ctrl+Shift+D open and close it; its top edge resizes it.
// Provides: debugOverlayHTML, _QL_EXPORT_DEBUG_EARLY, _QL_EXPORT_DEBUG_SCRIPT, _QL_DEBUG_STYLE
// Needs: _qlFunctionBody, _exportScript
// Creates: __QUORLIN_DEBUG_OVERLAY, __QUORLIN_FLOW_TRACE, __QUORLIN_DBG_RING, __QUORLIN_DBG_EARLY, __QUORLIN_FLOW_DBG, _qlDbgDump, _qlDbgClear
//   (in exported pages)

var _QL_DEBUG_STYLE = [
  '#quorlin-debug-toggle{position:fixed;right:14px;bottom:14px;width:30px;height:30px;border-radius:50%;border:0;display:flex;align-items:center;',
  'justify-content:center;background:rgba(30,30,40,0.55);color:#e5e7eb;opacity:0.45;z-index:2147483647;cursor:pointer;font-size:16px;padding:0}',
  '#quorlin-debug-toggle:hover{opacity:1;background:rgba(30,30,40,0.85)}',
  '#quorlin-debug-overlay{position:fixed;left:0;right:0;bottom:0;height:300px;background:rgba(30,30,38,0.75);color:#d4d4dc;',
  'border-top:1px solid #3a3a4a;font:12px/1.4 ui-monospace,monospace;box-shadow:0 -4px 24px rgba(0,0,0,0.4);backdrop-filter:blur(2px);',
  '-webkit-backdrop-filter:blur(2px);z-index:2147483647;display:none;flex-direction:column}',
  '#quorlin-debug-overlay.sdg-open{display:flex}',
  '#quorlin-debug-resize{height:6px;cursor:ns-resize;flex:0 0 auto}',
  '#quorlin-debug-header{display:flex;align-items:center;gap:10px;padding:2px 10px;flex:0 0 auto}',
  '#quorlin-debug-header b{margin-right:8px}',
  '#quorlin-debug-tabs{display:flex;gap:4px;flex:1}',
  '.sdg-tab,.sdg-btn,#quorlin-debug-close{background:transparent;color:inherit;border:1px solid #3a3a4a;border-radius:4px;font:inherit;padding:1px 8px;cursor:pointer}',
  '.sdg-tab-active{background:#3a3a4a}',
  '#quorlin-debug-banner{display:none;background:#4a1a1a;color:#fca5a5;font-size:11px;padding:2px 10px}',
  '.sdg-pane{flex:1;overflow:auto;padding:4px 10px;white-space:pre-wrap;word-break:break-all;user-select:text;-webkit-user-select:text;display:none}',
  '.sdg-pane.sdg-shown{display:block}',
  '#quorlin-debug-footer{display:flex;gap:6px;padding:4px 10px;flex:0 0 auto}',
  '.sdg-line{color:#d4d4dc}.sdg-info{color:#58a6ff}.sdg-warn{color:#e3b341}.sdg-error{color:#f85149}',
  '.sdg-time{color:#666;margin-right:6px}.sdg-lvl{color:#888;margin-right:6px}.sdg-var b{color:#79c0ff}',
  '.sdg-empty{color:#666;font-style:italic}.sdg-io-title{margin-top:6px;color:#888}.sdg-io-name{font-weight:bold}',
].join('');

// Runs in the head: errors and rejections before the panel's script are kept for it.
var _QL_EXPORT_DEBUG_EARLY = function () {
  (function () {
    var early = window.__QUORLIN_DBG_EARLY = [];
    window.addEventListener('error', function (e) {
      if (window.__QUORLIN_DBG_EARLY === early) early.push({ kind: 'error', message: e.message, file: e.filename, line: e.lineno });
    });
    window.addEventListener('unhandledrejection', function (e) {
      if (window.__QUORLIN_DBG_EARLY === early) early.push({ kind: 'rejection', reason: e.reason });
    });
  })();
};

var _QL_EXPORT_DEBUG_SCRIPT = function () {
  (function () {
    var RING = 200;
    var TRACE_SHOWN = 300;
    var ring = [];
    var state = { open: false, tab: 'console', paused: false, node: null, traceDrawn: -1, traceBuffer: null, pushed: 0, anims: null, timer: 0 };
    var byId = function (id) { return document.getElementById('quorlin-debug-' + id); };
    var esc = function (s) { return String(s).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;'); };
    var text = function (v) {
      if (typeof v === 'string') return v;
      try {
        var j = JSON.stringify(v);
        return j === undefined ? String(v) : j;
      } catch (e) {
        return String(v);
      }
    };
    window.__QUORLIN_DEBUG_OVERLAY = true;
    window.__QUORLIN_FLOW_TRACE = true;
    window.__QUORLIN_DBG_RING = ring;

    // The flow's trace keeps its last lines only: lines are counted as they are added.
    function traceBuffer() {
      var buffer = window.__QUORLIN_FLOW_DBG;
      if (!Array.isArray(buffer)) buffer = window.__QUORLIN_FLOW_DBG = [];
      if (buffer !== state.traceBuffer) {
        state.traceBuffer = buffer;
        state.pushed += buffer.length + 1;
        var push = Array.prototype.push;
        buffer.push = function () {
          state.pushed += arguments.length;
          return push.apply(this, arguments);
        };
      }
      return buffer;
    }
    traceBuffer();
    window._qlDbgDump = function () { return JSON.stringify({ console: ring, trace: traceBuffer() }); };
    window._qlDbgClear = function () {
      ring.length = 0;
      traceBuffer().length = 0;
      state.pushed++;
      draw();
    };

    function add(lvl, msg) {
      if (state.paused) return;
      ring.push({ lvl: lvl, t: Date.now(), msg: msg });
      if (ring.length > RING) ring.splice(0, ring.length - RING);
      if (lvl === 'error' && !state.open) open(true);
      else if (state.open && state.tab === 'console') draw();
    }
    ['log', 'info', 'warn', 'error'].forEach(function (lvl) {
      var original = console[lvl];
      console[lvl] = function () {
        var r = original.apply(console, arguments);
        try {
          add(lvl, Array.prototype.map.call(arguments, text).join(' '));
        } catch (e) {
          // the console itself keeps working
        }
        return r;
      };
    });
    function onError(message, file, line) {
      add('error', (message || 'Unknown error') + (file ? ' (' + file + ':' + (line || 0) + ')' : ''));
    }
    function onRejection(reason) {
      add('error', 'Unhandled rejection: ' + (reason && reason.message ? reason.message : String(reason)));
    }
    var early = window.__QUORLIN_DBG_EARLY;
    window.__QUORLIN_DBG_EARLY = null;
    (Array.isArray(early) ? early : []).forEach(function (e) {
      if (e.kind === 'error') onError(e.message, e.file, e.line); else onRejection(e.reason);
    });
    window.addEventListener('error', function (e) { onError(e.message, e.filename, e.lineno); });
    window.addEventListener('unhandledrejection', function (e) { onRejection(e.reason); });

    function time(t) {
      var d = new Date(t);
      var two = function (n) { return (n < 10 ? '0' : '') + n; };
      return two(d.getHours()) + ':' + two(d.getMinutes()) + ':' + two(d.getSeconds());
    }
    function lines(obj) {
      var keys = Object.keys(obj || {});
      return keys.map(function (k) { return '<div class="sdg-var"><b>' + esc(k) + '</b>: ' + esc(text(obj[k])) + '</div>'; }).join('');
    }
    function draw(force) {
      if (!state.open) return;
      var pane = byId(state.tab);
      if (!pane) return;
      if (state.tab === 'console') {
        pane.innerHTML = ring.map(function (e) {
          return '<div class="sdg-line sdg-' + e.lvl + '"><span class="sdg-time">' + time(e.t) + '</span><span class="sdg-lvl">[' + e.lvl + ']</span>' +
            esc(e.msg) + '</div>';
        }).join('');
        pane.scrollTop = pane.scrollHeight;
      } else if (state.tab === 'trace') {
        var buffer = traceBuffer();
        if (!force && state.traceDrawn === state.pushed) return;
        state.traceDrawn = state.pushed;
        pane.innerHTML = buffer.slice(-TRACE_SHOWN).map(function (l) { return '<div class="sdg-line">' + esc(l) + '</div>'; }).join('');
        pane.scrollTop = pane.scrollHeight;
      } else if (state.tab === 'vars') {
        var flow = window.QuorlinFlow;
        if (!flow || typeof flow.getAllVars !== 'function') pane.innerHTML = '<div class="sdg-empty">QuorlinFlow not available</div>';
        else {
          var vars = flow.getAllVars() || {};
          pane.innerHTML = Object.keys(vars).length ? lines(vars) : '<div class="sdg-empty">No flow variables</div>';
        }
      } else if (state.tab === 'node') {
        var n = state.node;
        if (!n) pane.innerHTML = '<div class="sdg-empty">No paused node</div>';
        else {
          var block = function (title, obj) {
            var empty = !obj || !Object.keys(obj).length;
            return '<div class="sdg-io-title">' + title + (empty ? ' (empty)' : '') + '</div>' + lines(obj);
          };
          pane.innerHTML = '<div class="sdg-io-name">' + esc(n.name) + '</div>' + block('Inputs', n.inputs) + block('Outputs', n.outputs);
        }
      }
    }
    function show(tab) {
      state.tab = tab;
      ['console', 'trace', 'vars', 'node'].forEach(function (t) {
        var pane = byId(t);
        if (pane) pane.classList.toggle('sdg-shown', t === tab);
      });
      Array.prototype.forEach.call(document.querySelectorAll('#quorlin-debug-tabs .sdg-tab'), function (b) {
        b.classList.toggle('sdg-tab-active', b.getAttribute('data-tab') === tab);
      });
      draw(true);
    }
    function open(yes) {
      state.open = yes;
      var panel = byId('overlay');
      var toggle = byId('toggle');
      if (panel) panel.classList.toggle('sdg-open', yes);
      if (toggle) toggle.style.display = yes ? 'none' : '';
      clearInterval(state.timer);
      state.timer = 0;
      if (yes) {
        show(state.tab);
        state.timer = setInterval(function () { draw(false); }, 500);
      }
    }
    window.addEventListener('quorlin:breakpoint', function (e) {
      var d = (e && e.detail) || {};
      state.node = { name: d.nodeName || 'unknown', inputs: d.inputs || {}, outputs: d.outputs || {} };
      var banner = byId('banner');
      if (banner) {
        banner.textContent = 'Paused at: ' + state.node.name;
        banner.style.display = 'block';
      }
      if (!state.anims && window.QuorlinAnim && Array.isArray(window.__animationsData)) {
        state.anims = [];
        window.__animationsData.forEach(function (a) {
          if (QuorlinAnim.getState(a.name) === 'Playing') {
            QuorlinAnim.pause(a.name);
            state.anims.push(a.name);
          }
        });
      }
      if (!state.open) open(true);
      show('node');
    });
    var actions = {
      clear: function () {
        if (state.tab === 'console') { ring.length = 0; draw(true); } else if (state.tab === 'trace') { traceBuffer().length = 0; state.pushed++; draw(true); } else draw(true);
      },
      pause: function (btn) {
        state.paused = !state.paused;
        btn.textContent = state.paused ? 'Resume' : 'Pause';
      },
      'continue': function () {
        var banner = byId('banner');
        if (banner) banner.style.display = 'none';
        var names = state.anims || [];
        state.anims = null;
        state.node = null;
        names.forEach(function (name) { if (window.QuorlinAnim) QuorlinAnim.play(name); });
        if (window.QuorlinFlow && typeof QuorlinFlow.resume === 'function') QuorlinFlow.resume();
        draw(true);
      },
      step: function () {
        if (window.QuorlinFlow && typeof QuorlinFlow.step === 'function') QuorlinFlow.step();
      },
    };
    var wire = function () {
      var toggle = byId('toggle');
      if (toggle) toggle.addEventListener('click', function () { open(!state.open); });
      var close = byId('close');
      if (close) close.addEventListener('click', function () { open(false); });
      Array.prototype.forEach.call(document.querySelectorAll('#quorlin-debug-tabs .sdg-tab'), function (b) {
        b.addEventListener('click', function () { show(b.getAttribute('data-tab')); });
      });
      Array.prototype.forEach.call(document.querySelectorAll('#quorlin-debug-footer [data-act]'), function (b) {
        b.addEventListener('click', function () { actions[b.getAttribute('data-act')](b); });
      });
      var bar = byId('resize');
      if (bar) {
        bar.addEventListener('pointerdown', function (e) {
          e.preventDefault();
          var move = function (m) {
            var h = Math.max(80, Math.min(window.innerHeight - 40, window.innerHeight - m.clientY));
            byId('overlay').style.height = h + 'px';
          };
          var up = function () {
            document.removeEventListener('pointermove', move);
            document.removeEventListener('pointerup', up);
          };
          document.addEventListener('pointermove', move);
          document.addEventListener('pointerup', up);
        });
      }
    };
    document.addEventListener('keydown', function (e) {
      if (e.ctrlKey && (e.key === '\x60' || (e.shiftKey && (e.key === 'D' || e.key === 'd')))) {
        e.preventDefault();
        open(!state.open);
      }
    });
    wire();
    if (state.open) show(state.tab);
  })();
};

function debugOverlayHTML() {
  const tab = function (id, label) {
    return '<button type="button" class="sdg-tab' + (id === 'console' ? ' sdg-tab-active' : '') + '" data-tab="' + id + '">' + label + '</button>';
  };
  const act = function (id, label) { return '<button type="button" class="sdg-btn" data-act="' + id + '">' + label + '</button>'; };
  return ['<style>' + _QL_DEBUG_STYLE + '</style>',
    '<button type="button" id="quorlin-debug-toggle" class="ph ph-bug" title="Debug overlay (Ctrl+`)"></button>',
    '<div id="quorlin-debug-overlay">',
    '<div id="quorlin-debug-resize"></div>',
    '<div id="quorlin-debug-header"><b>Quorlin Debug</b><div id="quorlin-debug-tabs">' + tab('console', 'Console') + tab('trace', 'Trace') +
      tab('vars', 'Variables') + tab('node', 'Node') + '</div><button type="button" id="quorlin-debug-close">&times;</button></div>',
    '<div id="quorlin-debug-banner"></div>',
    '<div id="quorlin-debug-console" class="sdg-pane sdg-shown"></div><div id="quorlin-debug-trace" class="sdg-pane"></div>' +
      '<div id="quorlin-debug-vars" class="sdg-pane"></div><div id="quorlin-debug-node" class="sdg-pane"></div>',
    '<div id="quorlin-debug-footer">' + act('clear', 'Clear') + act('pause', 'Pause') + act('continue', 'Continue') + act('step', 'Step') + '</div>',
    '</div>',
    _exportScript(_qlFunctionBody(_QL_EXPORT_DEBUG_SCRIPT))].join('\n');
}
