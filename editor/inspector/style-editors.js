// The style editors beside the gradient: text and box shadows (all their fields written together),
// the opacity switch, custom corner radii, bold and italic, the fluid text size, the looping
// animation with its preview, and the colour swatches of the selection. Each click is one undo step,
// each field or slider session one.
// Provides: parseHexColour, updateTextShadowPreview, syncTextShadowColorFromHex, updateBoxShadowPreview,
//   syncBoxShadowColorFromHex, toggleOpacity, toggleBold, toggleItalic, toggleHeaderBold, toggleHeaderItalic,
//   resetFluidFontSize, onAnimTypeChange, previewAnimation, updateAnimPreviewBtn, _syncCPButtonsToSelection,
//   _inspFillStyleEditors, _inspInstallStyleEditors, _clickedAnimProps
// Needs: _inspSessionField, _inspChangeSelected, _inspCommon, _inspPaintSwatch, _inspSelectedRecords, _inspSet, _inspShow,
//   _inspSnapshotOnce, _inspWriteSelected, _lastInspectorProp, _qlCallIfDefined, _safeCssColour,
//   INSPECTOR_DEFAULTS, saveHistoryState, t
// Calls: renderCanvas, renderProperties

// Properties the user switched on for animation in this session (the timeline offers them first).
var _clickedAnimProps = [];

// "ff0000" or "#FF0000" -> "#ff0000"; anything but six hexadecimal digits -> null.
function parseHexColour(text) {
  const m = /^#?([0-9a-f]{6})$/i.exec(String(text ?? '').trim());
  return m ? '#' + m[1].toLowerCase() : null;
}

// The shadow kinds: their fields (property -> field id) with the values written when a field is empty.
var _SHADOWS = {
  textShadow: { defaults: { Color: '#000000', X: '0', Y: '0', Blur: '0', Opacity: '50' }, boxes: [] },
  boxShadow: { defaults: { Color: '#000000', X: '0', Y: '0', Blur: '0', Opacity: '50' },
    boxes: [['boxShadowInset', 'input-boxShadowInset'], ['boxShadowAltTrack', 'input-boxShadowAltTrack']] },
};

function _shadowField(kind, part) {
  return document.getElementById('input-' + kind + (part === 'Color' ? 'ColorHex' : part));
}

// Writes every value of a shadow from its fields, switched on.
function _updateShadow(kind, session) {
  const records = _inspSelectedRecords();
  if (!records.length) return;
  const spec = _SHADOWS[kind];
  const values = {};
  Object.keys(spec.defaults).forEach(function (part) {
    const field = _shadowField(kind, part);
    let value = field ? String(field.value ?? '').trim() : '';
    if (part === 'Color') value = parseHexColour(value) || (value ? null : spec.defaults.Color);
    if (value === '' ) value = spec.defaults[part];
    values[kind + part] = value;
  });
  if (values[kind + 'Color'] === null) return;
  if (session) _inspSnapshotOnce(session);
  else saveHistoryState();
  records.forEach(function (el) {
    _inspSet(el, kind + 'Enabled', true);
    Object.keys(values).forEach(function (prop) { _inspSet(el, prop, values[prop]); });
    spec.boxes.forEach(function (pair) {
      const box = document.getElementById(pair[1]);
      if (box) _inspSet(el, pair[0], !!box.checked);
    });
  });
  _shadowShow(kind, values[kind + 'Color'], values[kind + 'Opacity']);
  _qlCallIfDefined('renderCanvas');
}

function _shadowShow(kind, colour, opacity) {
  const swatch = document.getElementById('__cpBtn-' + kind + 'Color');
  if (swatch) swatch.style.background = _safeCssColour(colour) || '#000000';
  const shown = document.getElementById(kind + 'OpacityValue');
  if (shown) shown.textContent = (parseInt(opacity, 10) || 0) + '%';
}

// The shadow's switch. Switching it on writes what the fields show (one undo step), so the shadow
// appears at once instead of waiting for a field to change; switching it off keeps the values.
function _toggleShadow(kind, on) {
  if (on) _updateShadow(kind, null);
  else _inspWriteSelected(kind + 'Enabled', false, null);
  _qlCallIfDefined('renderProperties');
}

function updateTextShadowPreview(session) { _updateShadow('textShadow', session); }
function updateBoxShadowPreview(session) { _updateShadow('boxShadow', session); }

// The hex field takes six hexadecimal digits, with or without "#"; anything else is not written.
function _syncShadowHex(kind, session) {
  const field = _shadowField(kind, 'Color');
  if (!field || !parseHexColour(field.value)) return;
  _updateShadow(kind, session);
}

function syncTextShadowColorFromHex(session) { _syncShadowHex('textShadow', session); }
function syncBoxShadowColorFromHex(session) { _syncShadowHex('boxShadow', session); }

// The opacity switch. Switching it on gives elements without an opacity the slider's value, so a
// keyframe taken at once has one.
function toggleOpacity(box) {
  const on = !!(box && box.checked);
  const slider = document.getElementById('input-opacity');
  if (slider) slider.disabled = !on;
  const records = _inspSelectedRecords();
  if (!records.length) return;
  saveHistoryState();
  records.forEach(function (el) {
    _inspSet(el, 'opacityEnabled', on);
    if (on && (el.opacity === undefined || el.opacity === null || el.opacity === '')) _inspSet(el, 'opacity', slider ? slider.value : '100');
  });
  if (on) {
    _lastInspectorProp = 'opacity';
    if (_clickedAnimProps.indexOf('opacity') === -1) _clickedAnimProps.push('opacity');
  }
  _qlCallIfDefined('renderCanvas');
}

// Bold and italic: on for every selected element unless all have it already, then off for all.
function _toggleStyle(prop, value) {
  const all = _inspSelectedRecords().every(function (el) { return !!el[prop]; });
  _inspChangeSelected(function (el) { _inspSet(el, prop, all ? '' : value); }, true);
}

function toggleBold() { _toggleStyle('fontWeight', 'font-bold'); }
function toggleItalic() { _toggleStyle('fontStyle', 'italic'); }
function toggleHeaderBold() { _toggleStyle('headerFontWeight', 'font-bold'); }
function toggleHeaderItalic() { _toggleStyle('headerFontStyle', 'italic'); }

function _fluidShown(v) {
  const n = parseInt(v, 10) || 0;
  return n > 0 ? n + '%' : '--';
}

function _fluidMoved(slider) {
  const n = parseInt(slider.value, 10) || 0;
  const shown = document.getElementById('fluid-value-display');
  if (shown) shown.textContent = _fluidShown(n);
  _inspWriteSelected('fluidFontSize', n > 0 ? String(n) : '', slider);
}

function resetFluidFontSize() {
  _inspChangeSelected(function (el) { _inspSet(el, 'fluidFontSize', ''); }, true);
}

function onAnimTypeChange(value) {
  _inspShow('anim-params', !!value);
  _inspChangeSelected(function (el) { _inspSet(el, 'animType', value); }, true);
}

function _animWrappers() {
  return _inspSelectedRecords().map(function (el) { return document.getElementById('wrap-' + el.id); })
    .filter(function (w) { return w && getComputedStyle(w).getPropertyValue('--wb-anim-name').trim(); });
}

// Stops the running animations of the selection, or plays them from the start; a counted animation
// is taken off again once it has played.
function previewAnimation() {
  _animWrappers().forEach(function (wrapper) {
    if (wrapper.classList.contains('wb-anim-active')) {
      wrapper.classList.remove('wb-anim-active');
      return;
    }
    wrapper.classList.remove('wb-anim-active');
    void wrapper.offsetWidth; // a new layout, so the animation starts again
    wrapper.classList.add('wb-anim-active');
    if (getComputedStyle(wrapper).getPropertyValue('--wb-anim-count').trim() !== 'infinite') {
      wrapper.addEventListener('animationend', function () {
        wrapper.classList.remove('wb-anim-active');
        updateAnimPreviewBtn();
      }, { once: true });
    }
  });
  updateAnimPreviewBtn();
  _syncCPButtonsToSelection();
}

function updateAnimPreviewBtn() {
  const button = document.getElementById('btn-anim-preview');
  if (!button) return;
  const running = _animWrappers().some(function (w) { return w.classList.contains('wb-anim-active'); });
  const key = running ? 'inspector.stopAnim' : 'inspector.preview';
  button.innerHTML = '<i class="ph ' + (running ? 'ph-stop' : 'ph-play') + '"></i> <span data-i18n="' + key + '"></span>';
  button.lastChild.textContent = t(key);
  button.classList.toggle('active', running);
}

// The colour swatches show the first selected element's colours (a theme token as the active theme
// colours it); a row without a colour shows grey.
var _SWATCH_PROPS = ['bgColor', 'textColor', 'borderColor', 'headerBgColor', 'headerTextColor', 'activeTrackColor',
  'inactiveTrackColor', 'thumbColor', 'splitColor', 'splitHoverColor', 'checkedBg', 'checkedText', 'hoverBgColor',
  'hoverTextColor', 'activeBgColor', 'activeTextColor', 'tableHeaderBg', 'tableHeaderText', 'tableBodyBg',
  'tableBodyText', 'tablePaginationBg', 'tableRowHoverBg', 'tableRowSelectedBg', 'tableRowHoverText',
  'tableRowSelectedText'];

function _syncCPButtonsToSelection() {
  const first = _inspSelectedRecords()[0];
  if (!first) return;
  _SWATCH_PROPS.forEach(function (prop) {
    const value = first[prop];
    _inspPaintSwatch(prop, value === '__custom__' ? '' : value, '#808080');
  });
  const stop = document.getElementById('input-bgGradientStopColor');
  const stopSwatch = document.getElementById('__cpBtn-bgGradientStopColor');
  if (stop && stopSwatch) stopSwatch.style.background = _safeCssColour(stop.value) || '#808080';
}

// What renderProperties shows of these editors for the selection `sel`.
function _inspFillStyleEditors(sel) {
  ['textShadow', 'boxShadow'].forEach(function (kind) {
    const colour = _inspCommon(sel, kind + 'Color');
    const opacity = _inspCommon(sel, kind + 'Opacity');
    _shadowShow(kind, parseHexColour(colour) || INSPECTOR_DEFAULTS.fields['input-' + kind + 'ColorHex'],
      opacity || INSPECTOR_DEFAULTS.fields['input-' + kind + 'Opacity']);
  });
  const fluid = document.getElementById('fluid-value-display');
  if (fluid) fluid.textContent = _fluidShown(_inspCommon(sel, 'fluidFontSize'));
  _inspShow('anim-params', !!_inspCommon(sel, 'animType'));
  ['TL', 'TR', 'BR', 'BL'].forEach(function (corner) {
    const field = document.getElementById('input-borderRadiusCustom' + corner);
    const v = parseFloat(_inspCommon(sel, 'borderRadiusCustom' + corner));
    if (field) field.value = isFinite(v) ? String(v) : '';
  });
  updateAnimPreviewBtn();
}

function _inspInstallStyleEditors() {
  ['textShadow', 'boxShadow'].forEach(function (kind) {
    const update = kind === 'textShadow' ? updateTextShadowPreview : updateBoxShadowPreview;
    ['X', 'Y', 'Blur', 'Opacity'].forEach(function (part) {
      const field = _shadowField(kind, part);
      if (!field) return;
      _inspSessionField(field);
      field.setAttribute('data-ql-live', '');
      field.addEventListener('input', function () { update(field); });
    });
    const enabled = document.getElementById('input-' + kind + 'Enabled');
    if (enabled) enabled.addEventListener('change', function () { _toggleShadow(kind, enabled.checked); });
    const hex = _shadowField(kind, 'Color');
    if (hex) {
      _inspSessionField(hex);
      hex.addEventListener('input', function () { _syncShadowHex(kind, hex); });
      hex.addEventListener('change', function () {
        const colour = parseHexColour(hex.value);
        if (colour) hex.value = colour;
      });
    }
    _SHADOWS[kind].boxes.forEach(function (pair) {
      const box = document.getElementById(pair[1]);
      if (box) box.addEventListener('change', function () { update(null); });
    });
  });
  const opacity = document.getElementById('input-opacityEnabled');
  if (opacity) opacity.addEventListener('change', function () { toggleOpacity(opacity); });
  const radius = document.getElementById('input-borderRadius');
  if (radius) {
    // After the preset is stored (same undo step): any preset but "custom" drops the corner values,
    // which would otherwise keep winning over it.
    radius.addEventListener('change', function () {
      if (radius.value === 'custom' || !_inspSelectedRecords().length) return;
      ['TL', 'TR', 'BR', 'BL'].forEach(function (corner) {
        _inspWriteSelected('borderRadiusCustom' + corner, '', radius);
        const field = document.getElementById('input-borderRadiusCustom' + corner);
        if (field) field.value = '';
      });
      _qlCallIfDefined('renderProperties');
    });
  }
  const fluid = document.getElementById('input-fluidFontSize');
  if (fluid) {
    _inspSessionField(fluid);
    fluid.addEventListener('input', function () { _fluidMoved(fluid); });
  }
  const animType = document.getElementById('input-animType');
  if (animType) animType.addEventListener('change', function () { onAnimTypeChange(animType.value); });
}
