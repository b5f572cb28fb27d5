// The canvas panel's helpers that sit next to the settings: size-limit pin buttons, custom padding
// and gap values, and the conversion between CSS and display pixels.
// Provides: pinCanvasSize, toggleCanvasLimit, updateCanvasLimitBtn, handleCanvasCustomSelect,
//   handleCanvasCustomInput, syncCanvasCustomInput, getDPR, cssToDisplay, displayToCss
// Needs: _setShown, applyCanvasSettings, canvasSettings, saveHistoryState, t

var _CANVAS_LIMIT_INPUTS = {
  minW: 'input-canvas-min-w', minH: 'input-canvas-min-h', maxW: 'input-canvas-max-w', maxH: 'input-canvas-max-h',
};

function _fireChange(input) {
  input.dispatchEvent(new Event('change', { bubbles: true }));
}

// Writes the canvas's rendered size into the limit field; the field's change listener stores it.
function pinCanvasSize(prop, axis) {
  const input = document.getElementById(_CANVAS_LIMIT_INPUTS[prop]);
  const canvas = document.getElementById('canvas');
  if (!input || !canvas) return;
  input.value = Math.round(axis === 'H' ? canvas.offsetHeight : canvas.offsetWidth);
  _fireChange(input);
}

function toggleCanvasLimit(prop, axis) {
  const input = document.getElementById(_CANVAS_LIMIT_INPUTS[prop]);
  if (!input) return;
  if (parseInt(input.value, 10) > 0) {
    input.value = '';
    _fireChange(input);
  } else {
    pinCanvasSize(prop, axis);
  }
}

function updateCanvasLimitBtn(prop) {
  const button = document.getElementById('pin-' + prop);
  if (!button) return;
  const set = canvasSettings[prop] > 0;
  button.innerHTML = set ? '<i class="ph ph-x"></i>' : '<i class="ph ph-push-pin"></i>';
  if (set) {
    button.title = t('inspector.tooltips.deleteLimit');
  } else {
    const key = button.getAttribute('data-i18n-title');
    const text = key ? t(key) : '';
    button.title = text && text !== key ? text : 'Usar valor actual del lienzo';
  }
}

function _canvasCustomProp(select) {
  return String(select.id || '').replace('input-canvas-', '').replace('-custom', '');
}

function handleCanvasCustomSelect(select, customInputId, prefix) {
  const input = document.getElementById(customInputId);
  if (select.value === '__custom__') {
    if (input) {
      _setShown(input, true);
      if (!input.value) input.value = '10px';
      if (prefix) input.setAttribute('data-prefix', prefix);
      input.focus();
    }
    return;
  }
  _setShown(input, false);
  saveHistoryState();
  canvasSettings[_canvasCustomProp(select)] = select.value;
  applyCanvasSettings();
}

function handleCanvasCustomInput(input, propName) {
  const value = String(input.value || '').trim();
  if (!value) return;
  saveHistoryState();
  canvasSettings[propName] = (input.getAttribute('data-prefix') || '') + '[' + value + ']';
  applyCanvasSettings();
}

function syncCanvasCustomInput(prop, prefix, selectId, customInputId) {
  const select = document.getElementById(selectId);
  const input = document.getElementById(customInputId);
  const value = String(canvasSettings[prop] || '');
  const m = new RegExp('^' + prefix + '\\[(.*)\\]$').exec(value);
  if (m) {
    if (select) select.value = '__custom__';
    if (input) { input.value = m[1]; _setShown(input, true); input.setAttribute('data-prefix', prefix); }
  } else {
    if (select) select.value = value;
    _setShown(input, false);
  }
}

function getDPR() {
  return window.devicePixelRatio || 1;
}

function cssToDisplay(px) {
  return Math.round(px * getDPR());
}

function displayToCss(px) {
  return Math.round(px / getDPR());
}
