// The host bridge of every exported or previewed page: the head script that connects the page to the
// native program showing it (the preview window, a standalone loader, a generated program) and that
// degrades to a page that sends nothing in a plain browser. buildExportHTML writes the function's body
// into the page, after `var _quorlUIThemes = [...]` and `var _qlThemeVars = <_themeCssVars>`; it never
// runs in the editor.
//
// It gives the page: setQuorlinTheme (index), sendToPB (id, type, value), the pb_event wrapper (disabled
// containers and the click rules of data-ql-click / data-ql-pass-events), the custom-event bridge
// ("custom:<name>" messages become the document event "quorlin:custom"), the native requests
// (_qlNativeRequest, _qlNativeCallback), __qlEvalRun, pb_showAlert, and on DOMContentLoaded the
// delegated click, input and change messages, keyboard navigation, growing text areas, focusable table
// cells, splitter drags and the page_ready signal ("quorlin:page_ready").
//
// Native requests that are not file dialogs fail after a time-out (30 s, a waited command 10 min;
// window.__QUORLIN_NATIVE_TIMEOUT_MS overrides both): a host that drops a request must not hang the flow
// that waits for it. A late reply then finds no entry and is ignored.
// Provides: _QL_EXPORT_RT_BRIDGE
// Creates: setQuorlinTheme, sendToPB, pb_event, __quorlinCustomEventBridgeInstalled, _qlNativeSeq, _qlNativeCallbacks,
//   _qlNativeRequest, _qlNativeCallback, __qlEvalRun, pb_showAlert, _quorlinPageReadyFired (in the exported page only)

var _QL_EXPORT_RT_BRIDGE = function () {
  (function () {
    var DIALOGS = { native_open_file_dialog: 1, native_save_file_dialog: 1 };
    var TIMEOUTS = { native_run_command: 10 * 60000 };
    var DEFAULT_TIMEOUT = 30000;

    // ---- Themes ----
    window.setQuorlinTheme = function (index) {
      var themes = Array.isArray(window._quorlUIThemes) ? window._quorlUIThemes : [];
      var i = parseInt(index, 10);
      if (!(i >= 0 && i < themes.length)) i = 0;
      var root = document.documentElement;
      root.setAttribute('data-theme', String(i));
      var vars = typeof window._qlThemeVars === 'function' ? window._qlThemeVars(themes[i] || {}) : [];
      vars.forEach(function (pair) { root.style.setProperty(pair[0], String(pair[1])); });
    };

    // ---- Messages to the host ----
    function nodeOf(id) {
      if (id === undefined || id === null || id === '') return null;
      return document.getElementById(String(id)) || document.getElementById('wrap-' + id);
    }
    function inDisabled(id) {
      var node = nodeOf(id);
      return !!(node && node.closest && node.closest('.disabled-container'));
    }
    function valueText(value) {
      if (value === undefined || value === null) return '';
      if (typeof value === 'object') {
        try { return JSON.stringify(value); } catch (e) { return String(value); }
      }
      return String(value);
    }
    // The id a click is reported under: its own when its wrapper has an on-click event, its nearest
    // ancestor's with one when it passes its events on, else none. An id with no node (a flow's own) goes as it is.
    function clickSender(id) {
      var wrap = document.getElementById('wrap-' + id) || document.getElementById(id);
      if (!wrap) return id;
      if (wrap.hasAttribute('data-ql-click')) return id;
      if (!wrap.hasAttribute('data-ql-pass-events')) return null;
      var holder = wrap.parentElement ? wrap.parentElement.closest('[data-ql-click]') : null;
      if (!holder || !holder.id) return null;
      return holder.id.indexOf('wrap-') === 0 ? holder.id.slice(5) : holder.id;
    }
    function admitted(message) {
      if (!message || typeof message !== 'object') return null;
      if (message.id === undefined || message.id === null || message.id === '') return null;
      if (inDisabled(message.id)) return null;
      if (message.type === 'click') {
        var to = clickSender(String(message.id));
        if (to === null) return null;
        if (to !== String(message.id)) {
          var copy = {};
          for (var k in message) copy[k] = message[k];
          copy.id = to;
          return copy;
        }
      }
      return message;
    }
    function wrapBridge() {
      var inner = window.pb_event;
      if (typeof inner !== 'function' || inner.__qlBridge) return;
      var wrapped = function (message) {
        if (Array.isArray(message)) {
          var last;
          message.forEach(function (item) {
            var m = admitted(item);
            if (m) last = inner.call(window, m);
          });
          return last;
        }
        var one = admitted(message);
        return one ? inner.call(window, one) : undefined;
      };
      wrapped.__qlBridge = true;
      window.pb_event = wrapped;
    }
    wrapBridge();

    window.sendToPB = function (id, type, value) {
      if (inDisabled(id) || typeof window.pb_event !== 'function') return;
      window.pb_event({ id: id, type: type, value: valueText(value) });
    };

    // ---- Custom events stay in the page ----
    function installCustomBridge() {
      if (window.__quorlinCustomEventBridgeInstalled) return true;
      var inner = window.pb_event;
      if (typeof inner !== 'function') return false;
      window.pb_event = function (message) {
        if (message && !Array.isArray(message) && typeof message === 'object' && typeof message.type === 'string' &&
            message.type.indexOf('custom:') === 0 && !message._fromFlow) {
          var payload = message.value === undefined || message.value === null ? '' : String(message.value);
          document.dispatchEvent(new CustomEvent('quorlin:custom', { detail: { name: message.type.slice(7), payload: payload } }));
          return undefined;
        }
        return inner.apply(window, arguments);
      };
      window.__quorlinCustomEventBridgeInstalled = true;
      return true;
    }
    if (!installCustomBridge()) {
      document.addEventListener('DOMContentLoaded', function () {
        wrapBridge();
        installCustomBridge();
      });
    }

    // ---- Native requests ----
    window._qlNativeSeq = window._qlNativeSeq || 0;
    window._qlNativeCallbacks = window._qlNativeCallbacks || {};
    function timeoutOf(type) {
      var forced = Number(window.__QUORLIN_NATIVE_TIMEOUT_MS);
      if (forced > 0) return forced;
      return TIMEOUTS[type] || DEFAULT_TIMEOUT;
    }
    window._qlNativeRequest = function (type, payload) {
      return new Promise(function (resolve, reject) {
        window._qlNativeSeq += 1;
        var id = 'cb_' + window._qlNativeSeq.toString(36) + '_' + Date.now().toString(36);
        var entry = { resolve: resolve, reject: reject, timer: null };
        window._qlNativeCallbacks[id] = entry;
        if (typeof window.pb_event !== 'function') {
          delete window._qlNativeCallbacks[id];
          reject(new Error('no pb bridge'));
          return;
        }
        if (!DIALOGS[type]) {
          entry.timer = setTimeout(function () {
            if (window._qlNativeCallbacks[id] !== entry) return;
            delete window._qlNativeCallbacks[id];
            reject(new Error('no answer from the host to ' + type + ' within ' + timeoutOf(type) + ' ms'));
          }, timeoutOf(type));
        }
        try {
          window.pb_event({ id: '_native', type: String(type),
            value: JSON.stringify({ cbId: id, data: JSON.stringify(payload === undefined || payload === null ? {} : payload) }) });
        } catch (e) {
          if (entry.timer) clearTimeout(entry.timer);
          delete window._qlNativeCallbacks[id];
          reject(e);
        }
      });
    };
    window._qlNativeCallback = function (id, result) {
      var key = String(id);
      if (!Object.prototype.hasOwnProperty.call(window._qlNativeCallbacks, key)) return;
      var entry = window._qlNativeCallbacks[key];
      delete window._qlNativeCallbacks[key];
      if (entry.timer) clearTimeout(entry.timer);
      if (result && result.error) entry.reject(new Error(String(result.error)));
      else entry.resolve(result ? result.data : undefined);
    };

    // ---- Scripts the host runs ----
    window.__qlEvalRun = function (code) {
      var reply = function (body) {
        if (typeof window.pb_event !== 'function') return;
        var text;
        try { text = JSON.stringify(body); } catch (e) { text = JSON.stringify({ ok: false, error: 'result is not JSON' }); }
        window.pb_event({ id: 'quorlin', type: '_preview_eval_reply', value: text });
      };
      var run;
      try {
        var AsyncFunction = Object.getPrototypeOf(async function () {}).constructor;
        run = new AsyncFunction(String(code));
      } catch (e) {
        reply({ ok: false, error: String(e && e.message || e) });
        return;
      }
      Promise.resolve().then(run).then(function (value) {
        reply({ ok: true, result: value === undefined ? null : value });
      }, function (e) {
        reply({ ok: false, error: String(e && e.message || e) });
      });
    };

    // ---- Toasts ----
    var TOAST_LOOK = {
      success: ['#065f46', '#ecfdf5', 'ph-check-circle'], error: ['#991b1b', '#fef2f2', 'ph-warning-circle'],
      warning: ['#92400e', '#fffbeb', 'ph-warning'], info: ['#1e3a8a', '#eff6ff', 'ph-info'],
    };
    var TOAST_PLACE = {
      'top-right': 'top:1rem;right:1rem;', 'top-left': 'top:1rem;left:1rem;', 'bottom-left': 'bottom:1rem;left:1rem;',
      'top-center': 'top:1rem;left:50%;transform:translateX(-50%);', 'bottom-center': 'bottom:1rem;left:50%;transform:translateX(-50%);',
      center: 'top:50%;left:50%;transform:translate(-50%,-50%);', 'bottom-right': 'bottom:1rem;right:1rem;',
    };
    function escapeText(text) {
      return String(text === undefined || text === null ? '' : text).replace(/&/g, '&amp;').replace(/</g, '&lt;')
        .replace(/>/g, '&gt;').replace(/"/g, '&quot;').replace(/'/g, '&#39;');
    }
    window.pb_showAlert = function (message, type, duration, position) {
      var box = document.getElementById('pb-toast-container');
      if (!box) return;
      var look = TOAST_LOOK[type] || TOAST_LOOK.info;
      var place = Object.prototype.hasOwnProperty.call(TOAST_PLACE, position) ? position : 'bottom-right';
      var ms = Number(duration) > 0 ? Number(duration) : 3000;
      var toast = document.createElement('div');
      toast.className = 'pb-toast';
      toast.setAttribute('data-position', place);
      toast.style.cssText = 'position:fixed;' + TOAST_PLACE[place] + 'z-index:99999;display:flex;align-items:center;gap:0.5rem;' +
        'padding:0.6rem 0.9rem;border-radius:0.5rem;box-shadow:0 4px 14px rgba(0,0,0,0.25);font-size:0.9rem;max-width:90vw;' +
        'background:' + look[1] + ';color:' + look[0] + ';opacity:0;transition:opacity 0.3s;pointer-events:auto;';
      toast.innerHTML = '<i class="ph ' + look[2] + '"></i><span>' + escapeText(message) + '</span>';
      if (place.indexOf('top') === 0) box.insertBefore(toast, box.firstChild);
      else box.appendChild(toast);
      requestAnimationFrame(function () { toast.style.opacity = '1'; });
      setTimeout(function () {
        toast.style.transition = 'opacity 1s';
        toast.style.opacity = '0';
        setTimeout(function () { if (toast.parentNode) toast.parentNode.removeChild(toast); }, 1000);
      }, ms);
    };

    // ---- Delegated events ----
    function senderOf(target) {
      var node = target && target.nodeType === 1 ? target : target && target.parentElement;
      while (node && !node.id) node = node.parentElement;
      if (!node) return null;
      return { node: node, id: node.id.indexOf('wrap-') === 0 ? node.id.slice(5) : node.id };
    }
    function textOf(node) { return node.innerText !== undefined ? node.innerText : node.textContent; }
    function holdsTable(node) { return !!(node.querySelector && node.querySelector('table')); }
    function holdsCheck(node) { return !!(node.querySelector && node.querySelector('input[type="checkbox"],input[type="radio"]')); }
    var lastClick = { id: null, at: 0 };

    function onClick(event) {
      var target = event.target;
      if (target && target.tagName === 'INPUT' && (target.type === 'checkbox' || target.type === 'radio')) return;
      var found = senderOf(target);
      if (!found || found.id === 'canvas-content') return;
      var node = found.node;
      var id = found.id;
      if (id.indexOf('tog_') === 0) {
        var label = node.closest('label[id]');
        if (label) { node = label; id = label.id; }
      }
      var to = clickSender(id);
      if (to === null) return;
      if (to !== id) { id = to; node = document.getElementById(id) || node; }
      var now = Date.now();
      if (lastClick.id === id && now - lastClick.at < 10) return;
      lastClick = { id: id, at: now };
      var tag = node.tagName;
      var value;
      if (tag === 'TABLE' || tag === 'TBODY' || tag === 'THEAD') value = '';
      else if ((tag === 'DIV' || tag === 'LABEL') && holdsCheck(node)) return;
      else if (tag === 'DIV' && (holdsTable(node) || node.value === undefined)) value = '';
      else if (tag === 'LABEL') value = textOf(node);
      else value = node.value !== undefined && node.value !== null && node.value !== '' ? node.value : textOf(node);
      window.sendToPB(id, 'click', value);
    }

    function onValue(kind) {
      return function (event) {
        var target = event.target;
        if (!target || !target.id) return;
        if (target.type === 'checkbox' || target.type === 'radio') return;
        if (kind === 'input' && target.tagName === 'SELECT') return;
        var id = target.id.indexOf('wrap-') === 0 ? target.id.slice(5) : target.id;
        window.sendToPB(id, kind, target.value !== undefined ? target.value : textOf(target));
      };
    }

    function isShown(node) {
      if (node.hidden || node.closest('[hidden]')) return false;
      var rect = node.getBoundingClientRect();
      return rect.width > 0 || rect.height > 0;
    }
    function focusables() {
      var list = document.querySelectorAll('input:not([disabled]):not([type="hidden"]), textarea:not([disabled]), ' +
        'select:not([disabled]), button:not([disabled]), a[href], tbody[id$="_tbody"]');
      return Array.prototype.filter.call(list, isShown);
    }
    function focusNode(node) {
      if (node.tagName === 'TBODY') {
        var cell = node.querySelector('td');
        if (cell) { cell.focus(); return; }
      }
      node.focus();
    }
    function onKey(event) {
      var key = event.key;
      var active = document.activeElement;
      if (key === 'Tab') {
        var ring = focusables();
        if (!ring.length) return;
        event.preventDefault();
        var at = -1;
        for (var i = 0; i < ring.length; i++) {
          if (ring[i] === active || (ring[i].tagName === 'TBODY' && ring[i].contains(active))) { at = i; break; }
        }
        var next = event.shiftKey ? (at <= 0 ? ring.length - 1 : at - 1) : (at + 1) % ring.length;
        focusNode(ring[next]);
        return;
      }
      if (active && active.tagName === 'TD' && /^Arrow(Up|Down|Left|Right)$/.test(key)) {
        var row = active.parentElement;
        var col = Array.prototype.indexOf.call(row.cells, active);
        var dest = null;
        if (key === 'ArrowLeft') dest = row.cells[col - 1];
        else if (key === 'ArrowRight') dest = row.cells[col + 1];
        else {
          var other = key === 'ArrowUp' ? row.previousElementSibling : row.nextElementSibling;
          if (other && other.cells && other.cells.length) dest = other.cells[Math.min(col, other.cells.length - 1)];
        }
        if (dest) { event.preventDefault(); dest.focus(); }
        return;
      }
      if ((key === 'Enter' || key === ' ') && active && /^(BUTTON|SUMMARY|A|TD)$/.test(active.tagName)) {
        // The browser's own activation (Space fires at key-up, past the duplicate filter) would click twice.
        event.preventDefault();
        active.click();
        return;
      }
      if (key === 'Enter' && active && active.tagName === 'INPUT' && !/^(submit|button|checkbox|radio)$/.test(active.type)) {
        active.blur();
      }
    }

    function grow(area) {
      area.style.height = 'auto';
      area.style.height = area.scrollHeight + 'px';
    }

    function signalReady() {
      if (typeof window.pb_event === 'function') {
        try { window.pb_event({ id: 'quorlin', type: 'page_ready', value: '' }); } catch (e) { console.warn('[bridge] page_ready:', e); }
      }
      window._quorlinPageReadyFired = true;
      window.dispatchEvent(new Event('quorlin:page_ready'));
    }

    document.addEventListener('DOMContentLoaded', function () {
      wrapBridge();
      document.body.addEventListener('click', onClick);
      document.addEventListener('input', onValue('input'));
      window.addEventListener('keydown', onKey, true);
      document.addEventListener('change', onValue('change'));
      Array.prototype.forEach.call(document.querySelectorAll('textarea[data-autogrow="1"]'), function (area) {
        grow(area);
        area.addEventListener('input', function () { grow(area); });
      });
      signalReady();
    });

    // ---- Table cells and splitters ----
    function startSplit(bar, event) {
      var wrap = bar.closest('[data-splitter]') || bar;
      // Drags are reported with the splitter element's id (its wrapper carries data-splitter).
      bar = wrap.querySelector('.ql-splitter') || bar;
      var prev = wrap.previousElementSibling;
      var next = wrap.nextElementSibling;
      if (!prev || !next) return;
      var vertical = wrap.getAttribute('data-splitter') === 'vertical';
      var min = parseFloat(wrap.getAttribute('data-split-min'));
      if (!(min >= 0)) min = 40;
      var size = function (n) { var r = n.getBoundingClientRect(); return vertical ? r.width : r.height; };
      var a = size(prev);
      var total = a + size(next);
      var start = vertical ? event.clientX : event.clientY;
      var select = document.body.style.userSelect;
      document.body.style.userSelect = 'none';
      event.preventDefault();
      var move = function (e) {
        if (!(total > 0)) return;
        var at = Math.max(min, Math.min(total - min, a + (vertical ? e.clientX : e.clientY) - start));
        var share = Math.round(at * 100 / total);
        prev.style.flex = '0 1 ' + share + '%';
        next.style.flex = '0 1 ' + (100 - share) + '%';
        if (bar && bar.id && typeof window.pb_event === 'function') {
          window.pb_event({ id: bar.id, type: 'drag', value: (at * 100 / total).toFixed(1) + '%' });
        }
      };
      var up = function () {
        document.removeEventListener('pointermove', move);
        document.removeEventListener('pointerup', up);
        document.body.style.userSelect = select;
      };
      document.addEventListener('pointermove', move);
      document.addEventListener('pointerup', up);
    }
    document.addEventListener('DOMContentLoaded', function () {
      Array.prototype.forEach.call(document.querySelectorAll('tbody[id$="_tbody"] td'), function (cell) { cell.tabIndex = 0; });
      document.addEventListener('pointerdown', function (event) {
        var bar = event.target && event.target.closest ? event.target.closest('[data-splitter]') : null;
        if (bar && event.button === 0) startSplit(bar, event);
      });
    });
  })();
};
