// The procedures of the script shim that no catalogue entry describes: custom events, checked,
// enabled and visible states and their readers, and the truth rule they share. A hand-written
// procedure takes the place of a catalogue procedure of the same name (UI_EmitCustomEvent, whose
// catalogue body is this same function).
// Provides: _QL_SHIM_HANDWRITTEN
// Needs: _qlDefineProcedureBodies

var _QL_SHIM_HANDWRITTEN = Object.freeze({
  UI_EmitCustomEvent: function (g, eventName, payload) {
    if (typeof window.pb_event === 'function') {
      window.pb_event({ id: '_flow', type: 'custom:' + _qlpText(eventName), value: payload });
    } else {
      console.warn('[flow] UI_EmitCustomEvent: pb_event not ready');
    }
  },

  // Sends "change" as a click would, but only when the state really changes.
  UI_SetChecked: function (g, id, state) {
    var el = _qlpEl(id);
    if (!el) return;
    var input = el.tagName === 'INPUT' ? el : el.querySelector('input[type=checkbox],input[type=radio]');
    var want = _flowTruthy(state);
    if (!input) {
      el.classList.toggle('active', want);
      return;
    }
    if (input.checked === want) return;
    input.checked = want;
    if (typeof window.pb_event === 'function') {
      window.pb_event({ id: el.id || _qlpText(id), type: 'change', value: want ? '1' : '0' });
    }
  },

  // Booleans as they are, numbers not 0, texts other than "", "false", "0", "no", "off".
  _flowTruthy: function (state) {
    if (typeof state === 'boolean') return state;
    if (typeof state === 'number') return state !== 0;
    if (typeof state === 'string') return ['', 'false', '0', 'no', 'off'].indexOf(state.trim().toLowerCase()) === -1;
    return Boolean(state);
  },

  UI_SetEnabled: function (g, id, state) {
    var on = _flowTruthy(state);
    var wrap = _qlpWrap(id);
    var clear = function (node) {
      if ('disabled' in node) node.disabled = false;
      node.style.pointerEvents = '';
      node.classList.remove('disabled-container');
    };
    if (wrap) {
      if (on) {
        clear(wrap);
        Array.prototype.forEach.call(wrap.querySelectorAll('*'), clear);
      } else {
        wrap.classList.add('disabled-container');
        Array.prototype.forEach.call(wrap.querySelectorAll('input,textarea,select,button,a[href]'), function (node) {
          if ('disabled' in node) node.disabled = true;
          node.style.pointerEvents = 'none';
        });
      }
      return;
    }
    var el = _qlpEl(id);
    if (!el) return;
    if (on) {
      clear(el);
      Array.prototype.forEach.call(el.children, clear);
    } else {
      if ('disabled' in el) el.disabled = true;
      Array.prototype.forEach.call(el.querySelectorAll('input,textarea,select,button'), function (node) { node.disabled = true; });
    }
  },

  // Shows or hides the wrapper (else the element); a positive auto-hide time hides it again, first
  // fading ("alert-hiding"), 300 ms later for good.
  UI_SetVisible: function (g, id, state) {
    var target = _qlpWrapOrEl(id);
    if (!target) return;
    clearTimeout(target._alertTimer);
    target._alertTimer = null;
    var hide = function () {
      target.style.display = 'none';
      target.classList.add('hidden');
      target.classList.remove('alert-hiding');
      _qlpMainBlur();
    };
    if (!_flowTruthy(state)) {
      hide();
      return;
    }
    target.style.display = target === _qlpWrap(id) ? 'flex' : '';
    target.classList.remove('hidden', 'alert-hiding');
    _qlpMainBlur();
    var ms = _qlpNumber(target.dataset.autoHideMs, 0);
    if (ms > 0) {
      target._alertTimer = setTimeout(function () {
        target.classList.add('alert-hiding');
        target._alertTimer = setTimeout(function () {
          target._alertTimer = null;
          hide();
        }, 300);
      }, ms);
    }
  },

  UI_GetText: function (g, id) {
    var el = _qlpElOrFirst(id, 'button,input,textarea,.ql-select,p,h1,h2,h3,h4,h5,h6,span');
    if (!el) return '';
    if (el.tagName === 'INPUT' || el.tagName === 'TEXTAREA') return el.value;
    if (el.classList.contains('ql-select')) return _qlpText(el.dataset.value);
    var text = el.querySelector('.text-y') || el;
    return 'innerText' in text ? text.innerText : text.textContent;
  },

  UI_GetValue: function (g, id) {
    var el = _qlpElOrFirst(id, 'input,textarea,.ql-select,[role=progressbar]');
    if (!el) return '';
    if (el.tagName === 'INPUT' || el.tagName === 'TEXTAREA') return String(el.value);
    if (el.classList.contains('ql-select')) return _qlpText(el.dataset.value);
    var bar = el.matches('[role=progressbar]') ? el : el.querySelector('[role=progressbar]');
    return bar ? _qlpText(bar.getAttribute('aria-valuenow')) : '';
  },

  UI_GetChecked: function (g, id) {
    var el = _qlpElOrFirst(id, 'input,label');
    if (!el) return '0';
    var box = el.querySelector('input[type=checkbox],input[type=radio]') || el;
    return box.checked ? '1' : '0';
  },

  UI_GetEnabled: function (g, id) {
    var el = _qlpElOrFirst(id, 'input,textarea,select,button');
    if (!el) return '0';
    var field = el.querySelector('input,textarea,select') || el;
    return field.disabled ? '0' : '1';
  },

  UI_GetVisible: function (g, id) {
    var el = _qlpEl(id) || _qlpWrap(id);
    if (!el) return '0';
    var display = window.getComputedStyle ? window.getComputedStyle(el).display : el.style.display;
    return display === 'none' || el.classList.contains('hidden') ? '0' : '1';
  },
});

_qlDefineProcedureBodies({ UI_EmitCustomEvent: _QL_SHIM_HANDWRITTEN.UI_EmitCustomEvent });
