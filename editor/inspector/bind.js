// The inspector's writing rules: every field edit reaches all selected element records, one undo step
// per focus, click or drag session (taken before its first write, never per keystroke or slider move,
// and not at all when nothing is written), value normalisation, preset drop-downs with a custom value,
// clearing, and the property the user touched last (for the timeline).
// Provides: setupPropertyListeners, handleCustomSelect, handleCustomInput, syncCustomInput,
//   handleDirectInput, handleTooltipInput, clearProperty, normalizeSizeValue, isSizeValue, sizeLimitProblem,
//   normalizeHref, _inspWriteSelected, _inspSelectedRecords, _inspBeginSession, _inspSessionField, _inspSnapshotOnce, _inspSet,
//   _inspPropOf, _inspChangeSelected, _inspCommitUnitField, _inspSessionStart, _lastInspectorProp, _inspectorClickTracked
// Needs: _findElement, _inspSelection, _inspSetLabel, _inspShow, _inspShown, _inspShownSize,
//   _inspShowReadout, _qlCallIfDefined, INSPECTOR_BOUND_BOXES, INSPECTOR_BOUND_FIELDS,
//   INSPECTOR_CUSTOM_PRESETS, INSPECTOR_DIRECT_FIELDS, INSPECTOR_OWN_BOXES, INSPECTOR_RELAYOUT_PROPS, saveHistoryState,
//   dropUnchangedHistoryStep, selectedIds, showToast, t
// Calls: _inspInstallBoxRules, _inspInstallCanvasForm, _inspInstallGradient, _inspInstallSizeEditors,
//   _inspInstallStyleEditors, _inspInstallTypeEditors, _qlOnStartup, ANIMATABLE_PROPS, applyGroupName,
//   renameElementId, renderCanvas, renderProperties, resetRichText, setElementProp, setLinked, setupScrubFields,
//   syncThemeSelToValue, updateIconPreview

var _lastInspectorProp = null;
var _inspectorClickTracked = false;
var _inspListenersInstalled = false;

// The current edit session: the field it belongs to and whether its undo step was taken.
// `before` keeps each record's values from before the session's first write, so a refused value
// can put them back.
var _inspSession = { field: null, saved: false, before: null };

function _inspBeginSession(field) {
  _inspSession = { field: field, saved: false, before: null };
}

// A field whose focus, and each press on it, begins a session: a slider dragged twice is two steps
// even when it kept the focus.
function _inspSessionField(field) {
  field.addEventListener('focus', function () { _inspBeginSession(field); });
  field.addEventListener('pointerdown', function () { _inspBeginSession(field); });
}

// One snapshot per session, taken just before the session's first write.
function _inspSnapshotOnce(field) {
  if (_inspSession.field !== field) _inspBeginSession(field);
  if (_inspSession.saved) return;
  _inspSession.saved = true;
  saveHistoryState();
}

// The value `prop` of `el` had before the current session of `field` first wrote (its value now when
// the session has written nothing).
function _inspSessionStart(field, el, prop) {
  const before = _inspSession.field === field && _inspSession.before ? _inspSession.before.get(el) : null;
  return before ? before[prop] : el[prop];
}

function _inspSelectedRecords() {
  return selectedIds.map(_findElement).filter(Boolean);
}

function _inspSet(el, prop, value) {
  if (typeof setElementProp === 'function') setElementProp(el, prop, value);
  else el[prop] = value;
}

// Writes one value to every selected record. `field` names the session (undo step) it belongs to;
// null takes a fresh step of its own.
function _inspWriteSelected(prop, value, field) {
  const records = _inspSelectedRecords();
  if (!records.length) return false;
  if (field) _inspSnapshotOnce(field);
  else saveHistoryState();
  if (field && !_inspSession.before) {
    _inspSession.before = new Map(records.map(function (el) { return [el, Object.assign({}, el)]; }));
  }
  records.forEach(function (el) { _inspSet(el, prop, typeof value === 'function' ? value(el) : value); });
  _qlCallIfDefined('renderCanvas');
  return true;
}

// One click's change on every selected record: one undo step first, then the canvas (and with `panel`
// the panel) drawn again. False when nothing is selected.
function _inspChangeSelected(change, panel) {
  const records = _inspSelectedRecords();
  if (!records.length) return false;
  saveHistoryState();
  records.forEach(change);
  _qlCallIfDefined('renderCanvas');
  if (panel) _qlCallIfDefined('renderProperties');
  return true;
}

// Puts back what the current session of `field` has written to the properties `props` (a refused
// value typed over several keystrokes must leave nothing behind).
function _inspUndoSession(field, props) {
  if (_inspSession.field !== field || !_inspSession.before) return;
  _inspSession.before.forEach(function (before, el) {
    props.forEach(function (prop) { _inspSet(el, prop, before[prop]); });
  });
  _inspSession.before = null;
  if (_inspSession.saved) _inspSession.saved = !dropUnchangedHistoryStep();
  _qlCallIfDefined('renderCanvas');
}

var _INSP_SIZE_WORDS = ['auto', 'inherit', 'initial', 'none'];

// "120" -> "120px"; values with a unit or a keyword are kept as typed.
function normalizeSizeValue(value) {
  const text = String(value ?? '').trim();
  if (/^-?\d+(\.\d+)?$/.test(text)) return text + 'px';
  return text;
}

// The largest size per unit: no canvas is wider than a few large screens (10000 px, 625 em at 16 px
// to the em); a share of the parent or of the window is at most all of it.
var _INSP_SIZE_LIMITS = { px: 10000, em: 625, rem: 625, '%': 100, vw: 100, vh: 100 };

// Whether the width or height fields take a text: empty (no size), one of the words, or a number
// from 0 (digits with at most one decimal point) with no unit (pixels) or one of the units above.
function isSizeValue(value) {
  const text = String(value ?? '').trim();
  if (!text || _INSP_SIZE_WORDS.indexOf(text.toLowerCase()) !== -1) return true;
  const m = /^(\d+(?:\.\d+)?|\.\d+)(px|em|rem|%|vw|vh)?$/i.exec(text);
  return !!m && Number(m[1]) <= _INSP_SIZE_LIMITS[(m[2] || 'px').toLowerCase()];
}

// Each size limit and the limit it pairs with: a minimum may not be above its maximum.
var _INSP_LIMIT_PAIRS = { minWidth: 'maxWidth', maxWidth: 'minWidth', minHeight: 'maxHeight', maxHeight: 'minHeight' };

// A length as {n, unit} ("120" is 120 px); null for an empty value or a word.
function _inspLength(value) {
  const m = /^(\d+(?:\.\d+)?|\.\d+)(px|em|rem|%|vw|vh)?$/i.exec(String(value ?? '').trim());
  return m ? { n: Number(m[1]), unit: (m[2] || 'px').toLowerCase() } : null;
}

// Why the size limit `prop` of the record `el` cannot take `value` ({key, vars} of the notice), or
// null when it can. Limits in different units are not compared: they meet only once laid out.
function sizeLimitProblem(el, prop, value) {
  const text = String(value ?? '').trim();
  if (!isSizeValue(text)) return { key: 'inspector.sizeInvalid', vars: { value: text } };
  const pairText = String(el[_INSP_LIMIT_PAIRS[prop]] ?? '').trim();
  const mine = _inspLength(text);
  const pair = _inspLength(pairText);
  if (!mine || !pair || mine.unit !== pair.unit) return null;
  const isMin = prop.indexOf('min') === 0;
  if (isMin ? mine.n <= pair.n : pair.n <= mine.n) return null;
  const shown = [normalizeSizeValue(text), normalizeSizeValue(pairText)];
  return { key: 'inspector.limitCrossed', vars: { min: shown[isMin ? 0 : 1], max: shown[isMin ? 1 : 0] } };
}

// Link targets are element ids: anything that starts like an address is refused (null).
var _INSP_ADDRESS_RE = /^(?:(?:https?|ftps?|file|mailto|tel|sms)[:/]|www\.|\/)/i;
function normalizeHref(value) {
  const text = String(value ?? '').trim();
  if (!text) return '';
  if (_INSP_ADDRESS_RE.test(text)) return null;
  return text.charAt(0) === '#' ? text : '#' + text;
}

var _INSP_QUARTER_TURNS = ['90', '-90', '270'];

function _inspBoundInput(field, prop) {
  if (!selectedIds.length) return;
  let value = field.value;
  if (prop === 'width' || prop === 'height') {
    // Half-typed text ("12p" on the way to "12px") is written once it is a size; the commit refuses
    // what never became one.
    if (!isSizeValue(value)) return;
    value = normalizeSizeValue(value);
    const other = prop === 'width' ? 'height' : 'width';
    _inspWriteSelected(prop, function (el) {
      if (_INSP_QUARTER_TURNS.indexOf(String(el.rotation)) !== -1) {
        _inspSet(el, other, value);
        return el[prop];
      }
      return value;
    }, field);
    return;
  }
  if (_INSP_LIMIT_PAIRS[prop]) {
    // As with the size: half-typed or crossing values are not written; the commit says why.
    if (_inspSelectedRecords().some(function (el) { return sizeLimitProblem(el, prop, value); })) return;
    _inspWriteSelected(prop, String(value).trim(), field);
    return;
  }
  if (prop === 'href') {
    const target = normalizeHref(value);
    if (target === null) {
      showToast(t('inspector.hrefOnlyIds'), 'warning', 4500);
      field.value = '';
      _inspUndoSession(field, [prop]);
      return;
    }
    value = target;
  }
  if (prop === 'selectedIndex') value = parseInt(value, 10);
  _inspWriteSelected(prop, value, field);
  _inspShowReadout(field.id, value);
  if (prop === 'listItems' || prop === 'borderRadius' || prop === 'scrollCount' || prop === 'thumbImage') {
    _qlCallIfDefined('renderProperties');
  }
}

// Leaving a width or height field that holds no size: the notice says why, and the elements and the
// field keep the size they had before the field was entered.
function _inspCommitSize(field) {
  if (isSizeValue(field.value)) return;
  showToast(t('inspector.sizeInvalid', { value: String(field.value).trim() }), 'warning', 4500);
  _inspUndoSession(field, ['width', 'height']);
  const size = _inspShownSize(_inspSelection());
  field.value = field.id === 'input-height' ? size.height : size.width;
}

// Leaving a size limit field that holds no size, or a limit that crosses its pair on a selected
// element: the notice says why, and the elements and the field keep the limit they had before.
function _inspCommitLimit(field, prop) {
  const problem = _inspSelectedRecords().map(function (el) { return sizeLimitProblem(el, prop, field.value); }).find(Boolean);
  if (!problem) return;
  showToast(t(problem.key, problem.vars), 'warning', 4500);
  _inspUndoSession(field, [prop]);
  field.value = _inspShown(_inspSelection(), prop);
}

// Preset drop-down with a custom value.
function _inspPropOf(field) {
  return field.getAttribute('data-prop') || String(field.id || '').replace(/^input-/, '');
}

function handleCustomSelect(select, customFieldId, prefix) {
  const prop = _inspPropOf(select);
  const custom = document.getElementById(customFieldId);
  if (select.value === '__custom__') {
    _inspShow(custom, true);
    if (custom && !custom.value) {
      custom.value = '10px';
      if (selectedIds.length) _inspWriteSelected(prop, (prefix || '') + '[10px]', null);
    }
    if (custom) custom.focus();
    return;
  }
  _inspShow(custom, false);
  if (select.value !== '') _inspWriteSelected(prop, select.value, null);
}

// The stored form of a custom value: a bare number gets "px"; with a prefix, prefix[value].
function _inspCustomValue(text, prefix) {
  let value = String(text ?? '').trim();
  if (!value) return null;
  if (/^[\d.-]+$/.test(value)) value += 'px';
  return prefix ? prefix + '[' + value + ']' : value;
}

function handleCustomInput(field, selectId, prefix) {
  const stored = _inspCustomValue(field.value, prefix);
  if (stored === null) return;
  const select = document.getElementById(selectId);
  const prop = field.getAttribute('data-prop') || (select ? _inspPropOf(select) : '');
  if (!prop) return;
  _inspWriteSelected(prop, stored, field);
}

function syncCustomInput(prop, prefix, selectId, customFieldId, fallback) {
  const select = document.getElementById(selectId);
  const custom = document.getElementById(customFieldId);
  const sel = _inspSelection();
  const value = _inspShown(sel, prop) || fallback || '';
  const open = prefix + '[';
  if (value.indexOf(open) === 0 && value.charAt(value.length - 1) === ']') {
    if (select) select.value = '__custom__';
    if (custom) { custom.value = value.slice(open.length, -1); _inspShow(custom, true); }
  } else {
    if (select) select.value = value;
    if (custom) { custom.value = ''; _inspShow(custom, false); }
  }
}

// Leaving a unit field that holds a bare number: it gets its unit ("px", or the field's data-unit) and
// is stored again the way the field stores (its input listener, then its change listener), in the
// same undo step as the typing.
function _inspCommitUnitField(field) {
  const text = String(field.value ?? '').trim();
  if (!/^-?(\d+\.?\d*|\.\d+)$/.test(text)) return;
  field.value = text + (field.getAttribute('data-unit') || 'px');
  if (field.hasAttribute('data-ql-live')) field.dispatchEvent(new Event('input', { bubbles: true }));
  field.dispatchEvent(new Event('change', { bubbles: true }));
}

function handleDirectInput(field, propName) {
  _inspWriteSelected(propName, String(field.value ?? '').trim(), field);
}

function handleTooltipInput(value) {
  const text = String(value ?? '').trim();
  const records = _inspSelectedRecords();
  if (!records.length) return;
  saveHistoryState();
  records.forEach(function (el) {
    if (text) _inspSet(el, 'tooltip', text);
    else delete el.tooltip;
  });
  _qlCallIfDefined('renderCanvas');
}

// What clearing leaves: rotation goes back to none, the text shadow switches off, the gradient goes,
// everything else becomes empty.
function _inspClearedValue(prop) {
  if (prop === 'rotation') return '0';
  if (prop === 'textShadowEnabled') return false;
  if (prop === 'bgGradient') return null;
  return '';
}

function clearProperty(prop) {
  const records = _inspSelectedRecords();
  if (!records.length) return;
  saveHistoryState();
  records.forEach(function (el) {
    if (prop === 'bgGradientEnabled') {
      if (el.bgGradient && typeof el.bgGradient === 'object') el.bgGradient.enabled = false;
      return;
    }
    if (prop === 'textColor' && typeof resetRichText === 'function') resetRichText(el);
    _inspSet(el, prop, _inspClearedValue(prop));
  });
  const field = document.getElementById('input-' + prop);
  if (field) field.value = field.type === 'color' ? '#000000' : '';
  const theme = document.getElementById('theme-sel-' + prop);
  if (theme) {
    theme.value = '';
    if (typeof syncThemeSelToValue === 'function') syncThemeSelToValue(prop, '');
  }
  const bold = { fontWeight: 'btn-bold', fontStyle: 'btn-italic', headerFontWeight: 'btn-header-bold', headerFontStyle: 'btn-header-italic' };
  if (bold[prop]) document.getElementById(bold[prop])?.classList.remove('active');
  if (prop === 'width' || prop === 'height') {
    const slider = document.getElementById('slider-' + prop + '-percent');
    if (slider) slider.value = 50;
    _inspSetLabel('label-' + prop + '-percent', 'inspector.auto');
  }
  if (prop === 'iconClass') _qlCallIfDefined('updateIconPreview', '');
  if (prop === 'bgGradient' || prop === 'bgGradientEnabled') {
    const box = document.getElementById('input-bgGradientEnabled');
    if (box) box.checked = false;
    _inspShow('gradient-controls', false);
  }
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
}

function _inspBoundBox(field, prop) {
  if (!_inspWriteSelected(prop, field.checked, null)) return;
  if (INSPECTOR_RELAYOUT_PROPS.indexOf(prop) !== -1) _qlCallIfDefined('renderProperties');
}

// The inspector field under an event and the property it edits.
var _INSP_TRACK_PREFIXES = ['input-', 'slider-', '__cpBtn-', 'picker-', 'theme-sel-'];
function _inspTrackedField(target) {
  if (!target || !target.closest) return null;
  const selector = '[data-prop],' + _INSP_TRACK_PREFIXES.map(function (p) { return '[id^="' + p + '"]'; }).join(',');
  return target.closest(selector) || (target.querySelector ? target.querySelector(selector) : null);
}

function _inspTrackedProp(field) {
  if (field.hasAttribute('data-prop')) return field.getAttribute('data-prop');
  const id = field.id;
  if (id.indexOf('slider-') === 0) return (/^slider-([A-Za-z]+)/.exec(id) || [])[1] || null;
  for (const prefix of ['input-', '__cpBtn-', 'picker-', 'theme-sel-']) {
    if (id.indexOf(prefix) === 0) return id.slice(prefix.length);
  }
  return null;
}

function _inspIsAnimatable(prop) {
  if (typeof ANIMATABLE_PROPS === 'undefined' || !ANIMATABLE_PROPS) return false;
  if (typeof ANIMATABLE_PROPS.has === 'function') return ANIMATABLE_PROPS.has(prop);
  return Array.isArray(ANIMATABLE_PROPS) && ANIMATABLE_PROPS.indexOf(prop) !== -1;
}

function _inspTrack(event) {
  const field = _inspTrackedField(event.target);
  if (!field) return;
  const prop = _inspTrackedProp(field);
  if (prop && _inspIsAnimatable(prop)) _lastInspectorProp = prop;
}

// Showing or hiding sections after a box or drop-down must not move the panel under the pointer.
function _inspKeepScroll() {
  const panel = document.getElementById('properties-panel');
  if (!panel) return;
  let saved = null;
  panel.addEventListener('mousedown', function (e) {
    const t = e.target;
    if (t && (t.type === 'checkbox' || t.tagName === 'SELECT')) saved = panel.scrollTop;
  }, true);
  panel.addEventListener('change', function () {
    if (saved === null) return;
    const top = saved;
    saved = null;
    const restore = function () { panel.scrollTop = top; };
    requestAnimationFrame(restore);
    setTimeout(restore, 0);
  });
}

function _inspLeaveOnEnter(field, commit) {
  field.addEventListener('keydown', function (e) {
    if (e.key !== 'Enter' || field.tagName === 'TEXTAREA') return;
    e.preventDefault();
    if (commit) commit();
    field.blur();
  });
}

function setupPropertyListeners() {
  if (_inspListenersInstalled) return;
  _inspListenersInstalled = true;
  INSPECTOR_BOUND_FIELDS.forEach(function (pair) {
    const field = document.getElementById(pair[0]);
    if (!field) return;
    _inspSessionField(field);
    field.setAttribute('data-ql-live', '');
    field.addEventListener('input', function () { _inspBoundInput(field, pair[1]); });
    if (field.tagName === 'SELECT') field.addEventListener('change', function () { _inspBoundInput(field, pair[1]); });
    if (pair[1] === 'width' || pair[1] === 'height') field.addEventListener('change', function () { _inspCommitSize(field); });
    if (_INSP_LIMIT_PAIRS[pair[1]]) field.addEventListener('change', function () { _inspCommitLimit(field, pair[1]); });
  });
  _inspInstallBoxRules();
  INSPECTOR_BOUND_BOXES.forEach(function (pair) {
    const box = document.getElementById(pair[0]);
    if (box && INSPECTOR_OWN_BOXES.indexOf(pair[0]) === -1) box.addEventListener('change', function () { _inspBoundBox(box, pair[1]); });
  });
  INSPECTOR_CUSTOM_PRESETS.forEach(function (p) {
    const select = document.getElementById('input-' + p[0]);
    const custom = document.getElementById('input-' + p[0] + '-custom');
    if (select) select.addEventListener('change', function () { handleCustomSelect(select, 'input-' + p[0] + '-custom', p[1]); });
    if (!custom) return;
    custom.addEventListener('focus', function () { _inspBeginSession(custom); });
    custom.addEventListener('change', function () { handleCustomInput(custom, 'input-' + p[0], p[1]); });
    _inspLeaveOnEnter(custom, null);
  });
  INSPECTOR_DIRECT_FIELDS.forEach(function (prop) {
    const field = document.getElementById('input-' + prop);
    if (!field) return;
    field.addEventListener('focus', function () { _inspBeginSession(field); });
    field.addEventListener('change', function () { handleDirectInput(field, prop); });
    _inspLeaveOnEnter(field, null);
  });
  const tooltip = document.getElementById('input-tooltip');
  if (tooltip) tooltip.addEventListener('change', function () { handleTooltipInput(tooltip.value); });
  const idField = document.getElementById('input-element-id');
  if (idField) {
    idField.addEventListener('change', function () { renameElementId(idField.value); });
    _inspLeaveOnEnter(idField, null);
  }
  const nameField = document.getElementById('input-name');
  if (nameField) {
    nameField.addEventListener('change', function () { applyGroupName(nameField.value); });
    _inspLeaveOnEnter(nameField, null);
  }
  const linked = document.getElementById('input-linked');
  if (linked) linked.addEventListener('change', function () { setLinked(linked.checked); });
  if (!_inspectorClickTracked) {
    _inspectorClickTracked = true;
    ['mousedown', 'focusin', 'change'].forEach(function (type) { document.addEventListener(type, _inspTrack, true); });
  }
  _inspKeepScroll();
  _inspInstallSizeEditors();
  _inspInstallGradient();
  _inspInstallStyleEditors();
  _inspInstallTypeEditors();
  _inspInstallCanvasForm();
  setupScrubFields();
}

// The start-up registry (startup.js) loads after this file; register when the document is parsed,
// just before the sequence starts (the same moment the theme store uses).
function _inspRegisterStartup() {
  if (typeof _qlOnStartup === 'function') _qlOnStartup('inspector', setupPropertyListeners);
}
if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', _inspRegisterStartup, { once: true });
else setTimeout(_inspRegisterStartup, 0);
