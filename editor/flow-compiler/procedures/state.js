// UI procedures, state family: hover, active and checked colours, the parts of toggles, accordions and
// splitters, opening and closing accordions, and classes.
// Hover and active colours are kept in data keys (qlHoverBg, qlHoverTc, qlActiveBg) and applied by one
// set of pointer listeners per element, installed on the first call: calling again only changes the
// colour, and leaving the element always brings back its rest colour (qlBaseBg, qlBaseTc).
// Registers the shim helpers _qlpStateColours, _qlpAccordion, _qlpPartColour; the procedure bodies
//   UI_SetHoverBgColor, UI_SetHoverTextColor, UI_SetActiveBgColor, UI_SetCheckedBg, UI_SetCheckedText,
//   UI_SetThumbColor, UI_SetActiveTrackColor, UI_SetInactiveTrackColor, UI_SetHeaderBgColor,
//   UI_SetHeaderTextColor, UI_SetSplitColor, UI_SetSplitHoverColor, UI_OpenAccordion, UI_CloseAccordion,
//   UI_ToggleClass, UI_AddClass, UI_RemoveClass (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies, _qlDefineShimHelpers

_qlDefineShimHelpers({
  // Stores one state colour (data key `key`) and installs the element's listeners on the first call.
  _qlpStateColours: function (el, key, color) {
    if (!el) return;
    el.dataset[key] = _qlpText(color);
    if (el._qlStateColours) return;
    el._qlStateColours = true;
    if (el.dataset.qlBaseBg === undefined) el.dataset.qlBaseBg = el.style.backgroundColor;
    if (el.dataset.qlBaseTc === undefined) el.dataset.qlBaseTc = el.style.color;
    el.addEventListener('pointerenter', function () {
      el._qlHovering = true;
      if (el.dataset.qlHoverBg) {
        el._qlPrevBg = el.style.backgroundColor;
        el.style.backgroundColor = el.dataset.qlHoverBg;
      }
      if (el.dataset.qlHoverTc) {
        el._qlPrevColor = el.style.color;
        el.style.color = el.dataset.qlHoverTc;
      }
    });
    el.addEventListener('pointerleave', function () {
      el._qlHovering = false;
      if (el.dataset.qlHoverBg || el.dataset.qlActiveBg) el.style.backgroundColor = el.dataset.qlBaseBg || '';
      if (el.dataset.qlHoverTc) el.style.color = el.dataset.qlBaseTc || '';
    });
    el.addEventListener('pointerdown', function () {
      if (el.dataset.qlActiveBg) el.style.backgroundColor = el.dataset.qlActiveBg;
    });
    el.addEventListener('pointerup', function () {
      if (!el.dataset.qlActiveBg) return;
      el.style.backgroundColor = el._qlHovering && el.dataset.qlHoverBg ? el.dataset.qlHoverBg : el.dataset.qlBaseBg || '';
    });
  },

  // Opens or closes the accordion's body (its height animated by the page's style sheet) and turns
  // its chevron.
  _qlpAccordion: function (id, open) {
    var host = _qlpWrapOrEl(id);
    var body = host ? host.querySelector('.acc-body') : null;
    if (!body) return;
    body.classList.toggle('acc-body-open', open);
    body.style.maxHeight = open ? body.scrollHeight + 'px' : '0px';
    var chevron = host.querySelector('.acc-chevron');
    if (chevron) chevron.classList.toggle('acc-open', open);
  },

  // A part of W|E found by `selector` (else by `fallback`: 'first' its first child, 'self' itself).
  _qlpPartColour: function (id, selector, fallback, property, color) {
    var host = _qlpWrapOrEl(id);
    if (!host) return;
    var part = host.querySelector(selector);
    if (!part && fallback === 'first') part = host.firstElementChild;
    if (!part && fallback === 'self') part = host;
    _qlpStyle(part, property, color);
  },
});

_qlDefineProcedureBodies({
  UI_SetHoverBgColor: function (g, elementId, color) {
    _qlpStateColours(_qlpEl(elementId), 'qlHoverBg', color);
  },

  UI_SetHoverTextColor: function (g, elementId, color) {
    _qlpStateColours(_qlpEl(elementId), 'qlHoverTc', color);
  },

  UI_SetActiveBgColor: function (g, elementId, color) {
    _qlpStateColours(_qlpEl(elementId), 'qlActiveBg', color);
  },

  UI_SetCheckedBg: function (g, elementId, color) {
    var host = _qlpWrapOrEl(elementId);
    if (!host) return;
    host.dataset.checkedBg = _qlpText(color);
    var box = host.matches('input[type=checkbox]') ? host : host.querySelector('input[type=checkbox]');
    if (box && box.checked) _qlpStyle(box.parentElement, 'background-color', color);
  },

  UI_SetCheckedText: function (g, elementId, color) {
    var host = _qlpWrapOrEl(elementId);
    if (!host) return;
    host.dataset.checkedText = _qlpText(color);
    var box = host.matches('input[type=checkbox]') ? host : host.querySelector('input[type=checkbox]');
    if (box && box.checked && box.parentElement) _qlpStyle(box.parentElement.querySelector('.text-y,span'), 'color', color);
  },

  UI_SetThumbColor: function (g, elementId, color) {
    _qlpPartColour(elementId, '[data-ql-thumb]', '', 'background-color', color);
  },

  UI_SetActiveTrackColor: function (g, elementId, color) {
    _qlpPartColour(elementId, '[data-ql-track].active,[data-ql-track-active]', '', 'background-color', color);
  },

  UI_SetInactiveTrackColor: function (g, elementId, color) {
    _qlpPartColour(elementId, '[data-ql-track]:not(.active)', '', 'background-color', color);
  },

  UI_SetHeaderBgColor: function (g, elementId, color) {
    _qlpPartColour(elementId, '[data-ql-header]', 'first', 'background-color', color);
  },

  UI_SetHeaderTextColor: function (g, elementId, color) {
    _qlpPartColour(elementId, '[data-ql-header]', 'first', 'color', color);
  },

  UI_SetSplitColor: function (g, elementId, color) {
    _qlpPartColour(elementId, '[data-ql-split]', 'self', 'background-color', color);
  },

  // One pair of listeners per bar; a later call only changes the hover colour.
  UI_SetSplitHoverColor: function (g, elementId, hoverColor) {
    var host = _qlpWrapOrEl(elementId);
    var bar = host ? host.querySelector('[data-ql-split]') || host : null;
    if (!bar) return;
    bar.dataset.qlSplitHover = _qlpText(hoverColor);
    bar.style.transition = 'background-color 0.2s';
    if (bar._qlSplitHover) return;
    bar._qlSplitHover = true;
    bar.addEventListener('pointerenter', function () {
      if (!bar._qlSplitInside) bar._qlPrevBg = bar.style.backgroundColor;
      bar._qlSplitInside = true;
      bar.style.backgroundColor = bar.dataset.qlSplitHover;
    });
    bar.addEventListener('pointerleave', function () {
      bar._qlSplitInside = false;
      bar.style.backgroundColor = bar._qlPrevBg || '';
    });
  },

  UI_OpenAccordion: function (g, elementId) {
    _qlpAccordion(elementId, true);
  },

  UI_CloseAccordion: function (g, elementId) {
    _qlpAccordion(elementId, false);
  },

  UI_ToggleClass: function (g, elementId, className) {
    var el = _qlpEl(elementId);
    if (el) _qlpClasses(className).forEach(function (c) { el.classList.toggle(c); });
  },

  UI_AddClass: function (g, elementId, className) {
    var wrap = _qlpWrap(elementId);
    var targets = [wrap, wrap ? wrap.querySelector('.rotation-fix-container') : null, _qlpEl(elementId)];
    targets.filter(Boolean).forEach(function (el) {
      _qlpClasses(className).forEach(function (c) {
        if (c === 'hidden' && !el.classList.contains('hidden')) {
          el.dataset.qlPrevDisplay = el.style.display;
          el.style.display = 'none';
        }
        el.classList.add(c);
      });
    });
  },

  UI_RemoveClass: function (g, elementId, className) {
    var wrap = _qlpWrap(elementId);
    var targets = [wrap, wrap ? wrap.querySelector('.rotation-fix-container') : null, _qlpEl(elementId)];
    targets.filter(Boolean).forEach(function (el) {
      _qlpClasses(className).forEach(function (c) {
        el.classList.remove(c);
        if (c !== 'hidden') return;
        el.style.display = el.dataset.qlPrevDisplay || '';
        delete el.dataset.qlPrevDisplay;
      });
    });
  },
});
