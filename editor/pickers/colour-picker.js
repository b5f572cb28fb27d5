// The one floating colour picker of the editor ("__cpPicker"): saturation-value square, hue, RGB or HSV
// sliders, alpha, a hexadecimal field, a draggable swatch, twelve custom slots and the eyedropper that
// asks the host to pick a colour anywhere on the screen. Every change is shown at once on its target
// (editor/pickers/colour-targets.js); a press anywhere outside the picker commits what is pending and
// closes it. Opening it for another target while it is open re-targets it.
// Provides: openCP, openCPForTheme, openCPForInlineText, openCPForFlowNode, openCPForFlowVar,
//   openFlowContainerColorPicker, closeCP, cpPreview, cpToggleMode, cpEyedropper, cpUpdateFromRgb, cpUpdateFromHsv,
//   cpLoadSlots, cpSaveSlot, _applyPickedColor, _cpProp, _cpThemeColorKey, _cpFlowNodeId, _cpFlowField, _cpFlowLastHex, _cpVarMgrTarget,
//   _cpVarMgrLastHex, _cpMode, _cpDrag, _cpDraggingSlider, CP_SLOTS_KEY, CP_SLOT_COUNT
// Needs: _cpMakeTarget, _cpThemeTarget, _cpFlowNodeTarget, _cpFlowVarTarget, _cpInlineTarget, _qlSendToHost,
//   _qlReportFailure, cpAlphaOf, cpAppendAlpha, cpNormalizeHex, cpRgbToHex, cpSlotHex, hexToHsv, hexToRgb,
//   hsvToHex, t
// Calls: _lastInspectorProp, ANIMATABLE_PROPS

var CP_SLOTS_KEY = 'quorlin_custom_colors';
var CP_SLOT_COUNT = 12;
var CP_WIDTH = 240;
var CP_SQUARE_W = 216;
var CP_SQUARE_H = 144;

// Picker state. The target is one of the records of colour-targets.js; the names below tell outside
// code what it is (the canvas's text editing waits while `_cpProp` is "__inlineText__").
var _cpTarget = null;
var _cpProp = null;
var _cpThemeColorKey = null;
var _cpFlowNodeId = null;
var _cpFlowField = 'titleColor';
var _cpFlowLastHex = null;
var _cpVarMgrTarget = null;
var _cpVarMgrLastHex = null;
var _cpMode = 'rgb';
var _cpDrag = false;
var _cpDraggingSlider = false;
// The colour shown: hue in degrees, saturation and value in percent, alpha 0..255.
var _cpHsv = { h: 0, s: 50, v: 50 };
var _cpAlpha = 255;
var _cpSliderTimer = null;

function _cpEl(id) {
  return document.getElementById(id);
}

function _cpSliderRow(id, label, max) {
  return '<div class="ql-cp-slider"><span class="ql-cp-slider-label">' + label + '</span>' +
    '<input id="' + id + '" type="range" min="0" max="' + max + '" step="1" value="0">' +
    '<span id="' + id + 'Val" class="ql-cp-slider-value">0</span></div>';
}

// Made on first use, at the end of the body.
function _cpEnsurePicker() {
  let picker = _cpEl('__cpPicker');
  if (picker) return picker;
  picker = document.createElement('div');
  picker.id = '__cpPicker';
  picker.className = 'ql-cp';
  picker.hidden = true;
  let slots = '';
  for (let i = 0; i < CP_SLOT_COUNT; i++) slots += '<button type="button" class="ql-cp-slot" data-slot="' + i + '"></button>';
  picker.innerHTML =
    '<div id="__cpSquare" class="ql-cp-square"><div id="__cpHandle" class="ql-cp-handle"></div></div>' +
    '<input id="__cpHue" class="ql-cp-hue" type="range" min="0" max="360" step="1" value="0">' +
    '<div class="ql-cp-row">' +
      '<button id="__cpEyedropper" type="button" class="ql-cp-tool" data-i18n-title="picker.eyedropper" title="' +
        t('picker.eyedropper') + '"><i class="ph ph-eyedropper"></i></button>' +
      '<div id="__cpSwatch" class="ql-cp-swatch" draggable="true" data-i18n-title="picker.dragSwatch" title="' +
        t('picker.dragSwatch') + '"></div>' +
      '<span class="ql-cp-hash">#</span><input id="__cpHex" class="ql-cp-hex" type="text" maxlength="8" spellcheck="false" autocomplete="off">' +
      '<button id="__cpModeToggle" type="button" class="ql-cp-tool ql-cp-mode">RGB</button>' +
    '</div>' +
    '<div id="__cpRgbGroup">' + _cpSliderRow('__cpR', 'R', 255) + _cpSliderRow('__cpG', 'G', 255) + _cpSliderRow('__cpB', 'B', 255) + '</div>' +
    '<div id="__cpHsvGroup" hidden>' + _cpSliderRow('__cpH', 'H', 360) + _cpSliderRow('__cpS', 'S', 100) + _cpSliderRow('__cpV', 'V', 100) + '</div>' +
    _cpSliderRow('__cpA', 'A', 255) +
    '<div class="ql-cp-slots-title" data-i18n="picker.customColors">' + t('picker.customColors') + '</div>' +
    '<div id="__cpSlots" class="ql-cp-slots">' + slots + '</div>';
  document.body.appendChild(picker);
  _cpWire(picker);
  return picker;
}

function _cpWire(picker) {
  const square = _cpEl('__cpSquare');
  square.addEventListener('mousedown', function (e) {
    if (e.button !== 0) return;
    e.preventDefault();
    _cpDrag = true;
    _cpSquareAt(e);
  });
  document.addEventListener('mousemove', function (e) { if (_cpDrag) _cpSquareAt(e); });
  document.addEventListener('mouseup', function () { _cpDrag = false; });
  _cpEl('__cpHue').addEventListener('input', function (e) {
    _cpHsv.h = Number(e.target.value) || 0;
    _cpFromHsvState();
  });
  _cpEl('__cpHex').addEventListener('input', _cpHexTyped);
  ['__cpR', '__cpG', '__cpB'].forEach(function (id) {
    _cpEl(id).addEventListener('input', function () { if (_cpMode === 'rgb') { _cpMarkSlider(); cpUpdateFromRgb(); } });
  });
  ['__cpH', '__cpS', '__cpV'].forEach(function (id) {
    _cpEl(id).addEventListener('input', function () { if (_cpMode === 'hsv') { _cpMarkSlider(); cpUpdateFromHsv(); } });
  });
  _cpEl('__cpA').addEventListener('input', function (e) {
    _cpMarkSlider();
    _cpAlpha = Number(e.target.value) || 0;
    const c = { r: Number(_cpEl('__cpR').value), g: Number(_cpEl('__cpG').value), b: Number(_cpEl('__cpB').value) };
    _cpShow(cpAppendAlpha(cpRgbToHex(c.r, c.g, c.b), _cpAlpha), { keepSquare: true });
    cpPreview();
  });
  _cpEl('__cpModeToggle').addEventListener('click', cpToggleMode);
  _cpEl('__cpEyedropper').addEventListener('click', cpEyedropper);
  _cpEl('__cpSwatch').addEventListener('dragstart', function (e) {
    if (e.dataTransfer) e.dataTransfer.setData('text/plain', JSON.stringify({ color: _cpEl('__cpHex').value }));
  });
  const slots = _cpEl('__cpSlots');
  slots.addEventListener('click', function (e) {
    const slot = e.target.closest('.ql-cp-slot');
    if (!slot) return;
    const hex = cpLoadSlots()[Number(slot.getAttribute('data-slot'))];
    _cpShow(hex);
    cpPreview();
  });
  slots.addEventListener('dragover', function (e) { if (e.target.closest('.ql-cp-slot')) e.preventDefault(); });
  slots.addEventListener('drop', function (e) {
    const slot = e.target.closest('.ql-cp-slot');
    if (!slot) return;
    e.preventDefault();
    const text = e.dataTransfer ? e.dataTransfer.getData('text/plain') : '';
    let colour = text;
    try {
      const parsed = JSON.parse(text);
      if (parsed && typeof parsed === 'object' && 'color' in parsed) colour = parsed.color;
    } catch (err) { /* a plain text */ }
    if (cpSaveSlot(Number(slot.getAttribute('data-slot')), colour)) _cpPaintSlots();
  });
  // Capture phase: the press is seen before the control under it acts (and before it can stop it).
  document.addEventListener('mousedown', _cpOutsidePress, true);
  picker.addEventListener('keydown', function (e) { e.stopPropagation(); });
}

// The twelve slots; missing or unreadable entries are grey.
function cpLoadSlots() {
  let list = [];
  try {
    const parsed = JSON.parse(localStorage.getItem(CP_SLOTS_KEY) || '[]');
    if (Array.isArray(parsed)) list = parsed;
  } catch (e) { /* unreadable: grey slots */ }
  const out = [];
  for (let i = 0; i < CP_SLOT_COUNT; i++) out.push(cpSlotHex(list[i]) || CP_DEFAULT_HEX);
  return out;
}

// Keeps a colour in slot i: only a colour of 6 or 8 digits (3 doubled) is taken. False when refused.
function cpSaveSlot(i, value) {
  const hex = cpSlotHex(value);
  if (hex === null || !(i >= 0 && i < CP_SLOT_COUNT)) return false;
  const list = cpLoadSlots();
  list[i] = hex;
  try {
    localStorage.setItem(CP_SLOTS_KEY, JSON.stringify(list));
  } catch (e) {
    _qlReportFailure('cpSaveSlot', e);
    return false;
  }
  return true;
}

function _cpPaintSlots() {
  const list = cpLoadSlots();
  document.querySelectorAll('#__cpSlots .ql-cp-slot').forEach(function (slot, i) {
    slot.style.background = '#' + list[i];
    slot.title = list[i];
  });
}

function _cpMarkSlider() {
  _cpDraggingSlider = true;
  clearTimeout(_cpSliderTimer);
  _cpSliderTimer = setTimeout(function () { _cpDraggingSlider = false; }, 10);
}

function _cpSquareAt(e) {
  const square = _cpEl('__cpSquare');
  const r = square.getBoundingClientRect();
  const w = r.width || CP_SQUARE_W;
  const h = r.height || CP_SQUARE_H;
  const x = Math.max(0, Math.min(w, e.clientX - r.left));
  const y = Math.max(0, Math.min(h, e.clientY - r.top));
  _cpHsv.s = (x / w) * 100;
  _cpHsv.v = (1 - y / h) * 100;
  _cpFromHsvState();
}

// Hue, saturation and value changed by the square or the hue slider.
function _cpFromHsvState() {
  _cpShow(cpAppendAlpha(hsvToHex(_cpHsv.h, _cpHsv.s, _cpHsv.v), _cpAlpha), { keepHsv: true });
  cpPreview();
}

function _cpHexTyped(e) {
  const field = e.target;
  const clean = field.value.replace(/[^0-9a-f]/gi, '').slice(0, 8).toUpperCase();
  if (field.value !== clean) field.value = clean;
  if (_cpDraggingSlider) return;
  if (clean.length !== 6 && clean.length !== 8) return;
  _cpShow(clean, { keepHexField: true });
  cpPreview();
}

function cpUpdateFromRgb() {
  const hex = cpAppendAlpha(cpRgbToHex(_cpEl('__cpR').value, _cpEl('__cpG').value, _cpEl('__cpB').value), _cpAlpha);
  _cpShow(hex);
  cpPreview();
}

function cpUpdateFromHsv() {
  _cpHsv = { h: Number(_cpEl('__cpH').value) || 0, s: Number(_cpEl('__cpS').value) || 0, v: Number(_cpEl('__cpV').value) || 0 };
  _cpShow(cpAppendAlpha(hsvToHex(_cpHsv.h, _cpHsv.s, _cpHsv.v), _cpAlpha), { keepHsv: true });
  cpPreview();
}

function _cpSet(id, value, label) {
  const el = _cpEl(id);
  if (el) el.value = String(value);
  const shown = _cpEl(id + 'Val');
  if (shown) shown.textContent = String(label === undefined ? value : label);
}

// Shows a colour (6 or 8 digits) on every control. keepHsv: the hue, saturation and value come from
// the square or sliders (they stay exact, a grey keeps its hue); keepSquare: only the alpha changed;
// keepHexField: the user is typing there.
function _cpShow(hex, opts) {
  const o = opts || {};
  const h = cpNormalizeHex(hex);
  _cpAlpha = cpAlphaOf(h);
  if (!o.keepHsv && !o.keepSquare) {
    const hsv = hexToHsv(h);
    // A grey has no hue of its own: the slider keeps the one it shows.
    _cpHsv = { h: hsv.s === 0 ? _cpHsv.h : hsv.h, s: hsv.s, v: hsv.v };
  }
  const rgb = hexToRgb(h);
  if (!o.keepHexField) _cpEl('__cpHex').value = h;
  _cpSet('__cpR', rgb.r);
  _cpSet('__cpG', rgb.g);
  _cpSet('__cpB', rgb.b);
  _cpSet('__cpH', Math.round(_cpHsv.h));
  _cpSet('__cpS', Math.round(_cpHsv.s));
  _cpSet('__cpV', Math.round(_cpHsv.v));
  _cpSet('__cpA', _cpAlpha);
  _cpEl('__cpHue').value = String(Math.round(_cpHsv.h));
  const square = _cpEl('__cpSquare');
  square.style.background = 'linear-gradient(to bottom, #fff 0%, rgba(255,255,255,0) 50%, #000 100%), ' +
    'linear-gradient(to right, hsl(' + Math.round(_cpHsv.h) + ', 0%, 100%), hsl(' + Math.round(_cpHsv.h) + ', 100%, 50%))';
  square.style.backgroundBlendMode = 'multiply';
  const handle = _cpEl('__cpHandle');
  handle.style.left = (_cpHsv.s / 100) * CP_SQUARE_W + 'px';
  handle.style.top = (1 - _cpHsv.v / 100) * CP_SQUARE_H + 'px';
  const a = (_cpAlpha / 255).toFixed(3);
  _cpEl('__cpSwatch').style.background = 'rgba(' + rgb.r + ', ' + rgb.g + ', ' + rgb.b + ', ' + a + ')';
}

// Writes the hex field's colour to the target; only a whole colour of 6 or 8 digits acts.
function cpPreview() {
  const field = _cpEl('__cpHex');
  if (!_cpTarget || !field) return;
  const hex = field.value.toUpperCase();
  if (!/^([0-9A-F]{6}|[0-9A-F]{8})$/.test(hex)) return;
  try {
    _cpTarget.preview(hex);
  } catch (e) {
    _qlReportFailure('cpPreview', e);
  }
  if (_cpTarget.kind === 'flowNode') _cpFlowLastHex = hex;
  if (_cpTarget.kind === 'flowVar') _cpVarMgrLastHex = hex;
}

function cpToggleMode() {
  _cpMode = _cpMode === 'rgb' ? 'hsv' : 'rgb';
  _cpEl('__cpModeToggle').textContent = _cpMode === 'rgb' ? 'RGB' : 'HSV';
  _cpEl('__cpRgbGroup').hidden = _cpMode !== 'rgb';
  _cpEl('__cpHsvGroup').hidden = _cpMode !== 'hsv';
  _cpShow(_cpEl('__cpHex').value);
}

// The picker beside the control that opened it: to its left and above it, below when there is no
// room above; always inside the window.
function _cpPlace(picker, anchor, inline) {
  const r = anchor && anchor.getBoundingClientRect ? anchor.getBoundingClientRect() : { left: 0, top: 0, bottom: 0 };
  const height = picker.offsetHeight || 330;
  const winW = window.innerWidth || 1024;
  const winH = window.innerHeight || 768;
  let left;
  let top;
  if (inline) {
    left = Math.max(10, Math.min(r.left, winW - CP_WIDTH - 10));
    top = r.top - height - 10;
    if (top < 10) top = r.bottom + 10;
  } else {
    left = Math.max(0, r.left - CP_WIDTH);
    top = r.top - 260;
    if (top < 10) top = r.bottom + 10;
  }
  top = Math.max(0, Math.min(top, winH - height - 4));
  picker.style.left = Math.round(left) + 'px';
  picker.style.top = Math.round(top) + 'px';
}

// Opens (or re-targets) the picker on `target`. A target still holding an uncommitted colour (flow
// fields and variables, a theme token) gets it first, so re-targeting never drops a shown change.
function _cpOpen(target, inline) {
  const picker = _cpEnsurePicker();
  if (_cpTarget && _cpTarget !== target) {
    if (_cpTarget.kind === 'inline') _cpProp = null;
    _cpCommitTarget();
  }
  _cpSetTarget(target);
  let current = null;
  try {
    current = target.current();
  } catch (e) {
    _qlReportFailure('openCP', e);
  }
  _cpShow(cpNormalizeHex(current, target.defaultHex));
  _cpPaintSlots();
  picker.hidden = false;
  _cpPlace(picker, target.anchor, inline);
}

function _cpSetTarget(target) {
  _cpTarget = target;
  _cpProp = target ? target.prop : null;
  _cpThemeColorKey = target && target.kind === 'theme' ? target.prop : null;
  _cpFlowNodeId = target && target.kind === 'flowNode' ? target.nodeId : null;
  _cpFlowField = target && target.kind === 'flowNode' ? target.prop : 'titleColor';
  _cpVarMgrTarget = target && target.kind === 'flowVar' ? target.varTarget : null;
  _cpFlowLastHex = null;
  _cpVarMgrLastHex = null;
  if (target && target.kind === 'theme') _cpProp = null;
}

function _cpCommitTarget() {
  const target = _cpTarget;
  if (!target) return;
  try {
    target.commit(_cpEl('__cpHex') ? cpNormalizeHex(_cpEl('__cpHex').value, target.defaultHex) : target.defaultHex);
  } catch (e) {
    _qlReportFailure('closeCP', e);
  }
}

// An inspector colour button: an element property, the gradient stop, a chart colour.
function openCP(prop) {
  const anchor = _cpEl('__cpBtn-' + prop);
  if (typeof ANIMATABLE_PROPS !== 'undefined' && ANIMATABLE_PROPS.indexOf(prop) !== -1) window._lastInspectorProp = prop;
  _cpOpen(_cpMakeTarget(prop, anchor), false);
}

function openCPForTheme(colorKey) {
  _cpOpen(_cpThemeTarget(colorKey, _cpEl('__cpThemeBtn-' + colorKey) || _cpEl('theme-color-btn-' + colorKey)), false);
}

// Alt+C while editing text on the canvas: the selection's colour.
function openCPForInlineText(element, range) {
  if (!element || !range) return;
  _cpOpen(_cpInlineTarget(element, range), true);
}

// A colour field of a flow node (the flow inspector's swatch is `anchor`); written when the picker closes.
function openCPForFlowNode(nodeId, field, anchor) {
  _cpOpen(_cpFlowNodeTarget(String(nodeId), field || 'titleColor', anchor || null), false);
}

// A colour-typed flow variable or constant ({kind: 'var' | 'const', idx}); written when the picker closes.
function openCPForFlowVar(target, anchor) {
  _cpOpen(_cpFlowVarTarget(target, anchor || null), false);
}

// The colour button of a flow group's header, or a colour swatch of the flow inspector (its field in
// data-flow-swatch; a group's header colour otherwise).
function openFlowContainerColorPicker(nodeId, anchor, field) {
  const key = field || (anchor && anchor.getAttribute && anchor.getAttribute('data-flow-swatch')) || 'titleColor';
  openCPForFlowNode(nodeId, key, anchor);
}

function _cpIsOpener(node) {
  return Boolean(node && node.closest && node.closest('[id^="__cpBtn-"], [id^="__cpThemeBtn-"], [id^="theme-color-btn-"]'));
}

function _cpOutsidePress(e) {
  const picker = _cpEl('__cpPicker');
  if (!picker || picker.hidden) return;
  const target = e.target;
  if (target && picker.contains(target)) return;
  if (_cpIsOpener(target)) return;
  closeCP();
}

// Commits what is pending and hides the picker; every target is let go.
function closeCP() {
  const picker = _cpEl('__cpPicker');
  const target = _cpTarget;
  _cpDrag = false;
  if (target) {
    // The canvas's text edit waits while the picker holds its selection: let it go before it ends.
    if (target.kind === 'inline') _cpProp = null;
    _cpCommitTarget();
  }
  _cpSetTarget(null);
  if (picker) picker.hidden = true;
}

// Asks the host for a colour anywhere on the screen; it answers through window._applyPickedColor.
function cpEyedropper() {
  if (typeof window.pb_event !== 'function') {
    window.alert(t('picker.noHost'));
    return;
  }
  _qlSendToHost('pick_screen_color', '');
}

// The host's answer: six hexadecimal digits, typed into the hex field as the user would.
var _applyPickedColor = function (hex) {
  const field = _cpEl('__cpHex');
  const picker = _cpEl('__cpPicker');
  if (!field || !picker || picker.hidden) return;
  field.value = String(hex === null || hex === undefined ? '' : hex).toUpperCase();
  field.dispatchEvent(new Event('input', { bubbles: true }));
};
