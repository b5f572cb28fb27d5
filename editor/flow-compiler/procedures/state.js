// UI procedures, state family: hover, active and checked colours, the parts of toggles, accordions and
// splitters, opening and closing accordions, and classes.
// Hover and active colours are kept in data keys (qlHoverBg, qlHoverTc, qlActiveBg) and shown by one set of
// pointer listeners per element, installed on the first call: calling again only changes the colour. The
// rest colours are saved when the pointer comes in and given back when it leaves, so the element never
// keeps a state colour after the pointer has gone.
// Registers the shim helpers _qlpStateColours, _qlpStatePaint, _qlpRestColour, _qlpAccordion, _qlpPart; the
//   procedure bodies UI_SetHoverBgColor, UI_SetHoverTextColor, UI_SetActiveBgColor, UI_SetCheckedBg,
//   UI_SetCheckedText, UI_SetThumbColor, UI_SetActiveTrackColor, UI_SetInactiveTrackColor,
//   UI_SetHeaderBgColor, UI_SetHeaderTextColor, UI_SetSplitColor, UI_SetSplitHoverColor, UI_OpenAccordion,
//   UI_CloseAccordion, UI_ToggleClass, UI_AddClass, UI_RemoveClass (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies, _qlDefineShimHelpers

_qlDefineShimHelpers({
  // Stores one state colour (data key `key`) and gives the element its pointer listeners on the first
  // call. An element the renderer drew with hover or press colours carries handlers of its own that read
  // these same keys; it gets no second set, which would save the hover colour as the rest colour.
  _qlpStateColours: function (el, key, color) {
    if (!el) return;
    el.dataset[key] = _qlpText(color);
    if (el._qlPrevBg !== undefined) _qlpStatePaint(el);
    if (el._qlStateColours || /qlHover(In|Bg|Tc)/.test(el.getAttribute('onmouseenter') || '')) return;
    el._qlStateColours = true;
    var listen = function (type, hovering, pressed) {
      el.addEventListener(type, function () {
        if (hovering !== null) el._qlHovering = hovering;
        if (pressed !== null) el._qlPressed = pressed && Boolean(el.dataset.qlActiveBg);
        _qlpStatePaint(el);
      });
    };
    listen('pointerenter', true, null);
    listen('pointerleave', false, false);
    listen('pointerdown', null, true);
    listen('pointerup', null, false);
  },

  // Shows the element's state: the active colour while pressed, the hover colours while the pointer is
  // over it, else its rest colours. Those are saved when the pointer comes in (_qlPrevBg, _qlPrevColor:
  // the inline values to give back; _qlRestBg, _qlRestColor: the colours shown, for the colour getters)
  // and given back when it leaves; a property no state colour covers is left alone.
  _qlpStatePaint: function (el) {
    var d = el.dataset;
    var inside = el._qlHovering || el._qlPressed;
    if (inside && el._qlPrevBg === undefined) {
      var shown = window.getComputedStyle(el);
      el._qlPrevBg = el.style.backgroundColor;
      el._qlPrevColor = el.style.color;
      el._qlRestBg = shown.backgroundColor;
      el._qlRestColor = shown.color;
    }
    if (el._qlPrevBg === undefined) return;
    var bg = el._qlPressed && d.qlActiveBg ? d.qlActiveBg : el._qlHovering && d.qlHoverBg ? d.qlHoverBg : null;
    var tc = el._qlHovering && d.qlHoverTc ? d.qlHoverTc : null;
    if (bg !== null || el._qlBgShown) el.style.backgroundColor = bg !== null ? bg : el._qlPrevBg;
    if (tc !== null || el._qlColorShown) el.style.color = tc !== null ? tc : el._qlPrevColor;
    el._qlBgShown = bg !== null;
    el._qlColorShown = tc !== null;
    if (!inside) el._qlPrevBg = el._qlPrevColor = el._qlRestBg = el._qlRestColor = undefined;
  },

  // A new rest colour ('background-color' or 'color'): shown at once unless a state colour covers it
  // while the pointer is over the element, then kept for when it leaves. Every stored copy of the rest
  // colour follows: the data keys the colour getters read (qlBaseBg, qlBaseTc), the rest colour the
  // renderer's hover handlers saved (qlPrevBg, qlPrevTc) and a splitter's own colour (qlColor).
  _qlpRestColour: function (el, property, color) {
    if (!el) return;
    var value = _qlpText(color);
    // A colour the browser refuses changes nothing, not even the stored copies.
    var probe = document.createElement('span').style;
    probe.setProperty(property, value);
    if (value !== '' && probe.getPropertyValue(property) === '') return;
    var text = property === 'color';
    var d = el.dataset;
    (text ? ['qlBaseTc', 'qlPrevTc'] : ['qlBaseBg', 'qlPrevBg', 'qlColor']).forEach(function (k) {
      if (d[k] !== undefined) d[k] = value;
    });
    if (el._qlPrevBg !== undefined) {
      if (text) el._qlPrevColor = el._qlRestColor = value;
      else el._qlPrevBg = el._qlRestBg = value;
    }
    if (!(text ? el._qlColorShown : el._qlBgShown)) _qlpStyle(el, property, value);
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

  // A part of W|E: the first match of `selector`, else (`fallback`) its first child ('first') or itself
  // ('self'); null when there is none.
  _qlpPart: function (id, selector, fallback) {
    var host = _qlpWrapOrEl(id);
    if (!host) return null;
    return host.querySelector(selector) || (fallback === 'first' ? host.firstElementChild : fallback === 'self' ? host : null);
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

  // The parts of toggles, accordions and splitters carry data-ql-* marks; the renderer's own classes
  // (tog-thumb, acc-header, ql-splitter) are found as well. The colour getters read the same parts.
  UI_SetThumbColor: function (g, elementId, color) {
    _qlpStyle(_qlpPart(elementId, '[data-ql-thumb],.tog-thumb', ''), 'background-color', color);
  },

  UI_SetActiveTrackColor: function (g, elementId, color) {
    _qlpStyle(_qlpPart(elementId, '[data-ql-track].active,[data-ql-track-active]', ''), 'background-color', color);
  },

  UI_SetInactiveTrackColor: function (g, elementId, color) {
    _qlpStyle(_qlpPart(elementId, '[data-ql-track]:not(.active)', ''), 'background-color', color);
  },

  UI_SetHeaderBgColor: function (g, elementId, color) {
    _qlpStyle(_qlpPart(elementId, '[data-ql-header],.acc-header', 'first'), 'background-color', color);
  },

  UI_SetHeaderTextColor: function (g, elementId, color) {
    _qlpStyle(_qlpPart(elementId, '[data-ql-header],.acc-header', 'first'), 'color', color);
  },

  UI_SetSplitColor: function (g, elementId, color) {
    _qlpRestColour(_qlpPart(elementId, '[data-ql-split],.ql-splitter', 'self'), 'background-color', color);
  },

  // The renderer's splitter shows its data key qlHover while hovered; any other bar gets the state
  // listeners of hover colours.
  UI_SetSplitHoverColor: function (g, elementId, hoverColor) {
    var bar = _qlpPart(elementId, '[data-ql-split],.ql-splitter', 'self');
    if (!bar) return;
    bar.style.transition = 'background-color 0.2s';
    if (bar.dataset.qlHover !== undefined) bar.dataset.qlHover = _qlpText(hoverColor);
    else _qlpStateColours(bar, 'qlHoverBg', hoverColor);
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
