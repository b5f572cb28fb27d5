// UI procedures, text and value family: texts, values, placeholders, tooltips, links, icons, alerts.
// Registers the procedure bodies UI_SetText, UI_SetValue, UI_SetPlaceholder, UI_SetTooltip, UI_SetHref,
//   UI_SetIcon, UI_Alert (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies

_qlDefineProcedureBodies({
  UI_SetText: function (g, elementId, text) {
    var el = _qlpElOrFirst(elementId, 'button,input,textarea,p,h1,h2,h3,h4,h5,h6,span');
    if (!el) return;
    var value = _qlpText(text);
    if (el.tagName === 'INPUT' || el.tagName === 'TEXTAREA') el.value = value;
    else if ('innerText' in el) el.innerText = value;
    else el.textContent = value;
  },

  UI_SetValue: function (g, elementId, value) {
    var el = _qlpEl(elementId);
    if (!el) return;
    var v = _qlpText(value);
    if (el.tagName === 'INPUT' || el.tagName === 'TEXTAREA' || el.tagName === 'PROGRESS') {
      el.value = v;
      return;
    }
    var bar = el.querySelector('[role=progressbar]');
    if (bar) {
      bar.style.width = v + '%';
      bar.setAttribute('aria-valuenow', v);
    } else if (el.firstElementChild) {
      el.firstElementChild.style.width = v + '%';
    }
  },

  UI_SetPlaceholder: function (g, elementId, text) {
    var el = _qlpElOrFirst(elementId, 'input,textarea');
    if (el) el.placeholder = _qlpText(text);
  },

  UI_SetTooltip: function (g, elementId, tooltip) {
    var el = _qlpWrapOrEl(elementId);
    if (el) el.setAttribute('title', _qlpText(tooltip));
  },

  // A script address is refused: flow data must not become code that runs on a click.
  UI_SetHref: function (g, elementId, url) {
    var el = _qlpEl(elementId);
    var href = _qlpText(url);
    if (!el || /^\s*(javascript|vbscript):/i.test(href)) return;
    el.setAttribute('href', href);
  },

  UI_SetIcon: function (g, elementId, iconClass) {
    var el = _qlpEl(elementId);
    if (!el) return;
    var icon = el.querySelector('i');
    if (!icon) {
      icon = document.createElement('i');
      el.insertBefore(icon, el.firstChild);
    }
    icon.className = _qlpText(iconClass);
  },

  UI_Alert: function (g, message) {
    window.alert(_qlpText(message));
  },
});
