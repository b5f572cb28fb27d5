// renderProperties: rebuilds the inspector from the model on every selection or element change. Three
// states: the canvas form (nothing selected), the element form, and (transiently) empty. Which fields
// show and what they show come from the tables in form-data.js; missing fields are skipped.
// Provides: renderProperties, _inspShow, _inspAll, _inspCommon, _inspParent, _inspSelection,
//   _inspSelectOptions, _inspShownSize, _inspShowReadout, _inspPaintSwatch, _inspSetLabel, _inspShown
// Needs: _findElement, _qlCallIfDefined, _safeCssColour, canvasSettings, elements, INSPECTOR_ALWAYS_HIDDEN,
//   INSPECTOR_BOUND_BOXES, INSPECTOR_BOUND_FIELDS, INSPECTOR_CUSTOM_PRESETS, INSPECTOR_DEFAULTS,
//   INSPECTOR_EVENT_BOXES, INSPECTOR_VISIBILITY, resolveColor, selectedIds, t, typeDisplayName
// Calls: _inspEventFlag, _inspEventsOfType, _inspFillStyleEditors, _inspFillTypeEditors, applyCanvasSettings,
//   renderChartLabelsEditor,
//   renderChartSeriesEditor, renderGradientUI, renderTableColumnsEditor, syncCanvasCustomInput,
//   syncCustomInput, syncThemeSelToValue, toggleTableHeight, toggleTablePageSize, updateIconPreview

function _inspEl(id) { return document.getElementById(id); }

// Hidden means both the class and an inline display of none, so utility-class rules and the
// hidden attribute agree whichever stylesheet is loaded.
function _inspShow(target, shown) {
  const el = typeof target === 'string' ? _inspEl(target) : target;
  if (!el) return;
  el.hidden = !shown;
  el.classList.toggle('hidden', !shown);
  el.style.display = shown ? '' : 'none';
}

function _inspAll(sel, types) {
  return sel.length > 0 && sel.every(function (el) { return types.indexOf(el.type) !== -1; });
}

function _inspParent(el) {
  return el && el.parentId ? _findElement(el.parentId) : undefined;
}

// The value every selected record shares (strict equality), else undefined.
function _inspCommon(sel, prop) {
  if (!sel.length) return undefined;
  const first = sel[0][prop];
  for (let i = 1; i < sel.length; i++) if (sel[i][prop] !== first) return undefined;
  return first;
}

// Selected records in the order of `elements`.
function _inspSelection() {
  const wanted = new Set(selectedIds);
  return elements.filter(function (el) { return wanted.has(el.id); });
}

function _inspSetValue(id, value) {
  const el = _inspEl(id);
  if (el) el.value = value === undefined || value === null ? '' : String(value);
}

function _inspSetChecked(id, checked) {
  const el = _inspEl(id);
  if (el) el.checked = !!checked;
}

function _inspSetActive(id, active) {
  const el = _inspEl(id);
  if (el) el.classList.toggle('active', !!active);
}

function _inspSetLabel(id, key) {
  const el = _inspEl(id);
  if (!el) return;
  el.setAttribute('data-i18n', key);
  el.textContent = t(key);
}

// The shown text of a common value: falsy common values show empty.
function _inspShown(sel, prop) {
  const v = _inspCommon(sel, prop);
  return v ? String(v) : '';
}

var _INSP_SWAPPED_ROTATIONS = ['90', '-90', '270'];

// Width and height as the size fields show them: the visual size, so a quarter-turned element
// shows its height under width.
function _inspShownSize(sel) {
  let width = _inspShown(sel, 'width');
  let height = sel[0] && sel[0].type === 'accordion' ? _inspShown(sel, 'bodyHeight') : _inspShown(sel, 'height');
  if (sel[0] && _INSP_SWAPPED_ROTATIONS.indexOf(String(sel[0].rotation)) !== -1) {
    const swap = width; width = height; height = swap;
  }
  return { width: width, height: height };
}

// Active-item options of select elements, and the index written back when it is out of range.
function _inspSelectOptions(sel) {
  const items = String(_inspCommon(sel, 'listItems') ?? sel[0].listItems ?? '').split('\n')
    .map(function (line) { return line.trim(); }).filter(Boolean);
  const select = _inspEl('input-selectedIndex');
  if (select) {
    select.innerHTML = '';
    if (!items.length) {
      select.appendChild(new Option('—', '-1'));
    } else {
      items.forEach(function (line, i) { select.appendChild(new Option(i + ': ' + line, String(i))); });
    }
  }
  const raw = _inspCommon(sel, 'selectedIndex');
  let index = parseInt(raw, 10);
  if (!items.length) index = -1;
  else if (isNaN(index) || index < 0 || index >= items.length) index = 0;
  if (raw !== index) sel.forEach(function (el) { el.selectedIndex = index; });
  if (select) select.value = String(index);
}

function _inspVisibility(sel) {
  INSPECTOR_VISIBILITY.forEach(function (row) {
    let shown;
    if (row.all) shown = _inspAll(sel, row.all);
    else if (row.notAll) shown = !_inspAll(sel, row.notAll);
    else shown = !!row.when(sel);
    row.ids.forEach(function (id) { _inspShow(id, shown); });
  });
}

function _inspCorrections(sel) {
  if (_inspAll(sel, ['select'])) _inspSelectOptions(sel);
  if (_inspAll(sel, ['container']) && _inspShown(sel, 'bgImage') && !_inspShown(sel, 'bgImageSize')) {
    sel.forEach(function (el) { el.bgImageSize = 'cover'; el.bgImagePosition = 'center'; });
  }
}

// Fields filled from the selection beside the bound ones (written by their own handlers).
var _INSP_EXTRA_FIELDS = [['input-marginTop', 'marginTop'], ['input-marginRight', 'marginRight'],
  ['input-marginBottom', 'marginBottom'], ['input-marginLeft', 'marginLeft'], ['input-floatTop', 'floatTop'],
  ['input-floatRight', 'floatRight'], ['input-floatBottom', 'floatBottom'], ['input-floatLeft', 'floatLeft'],
  ['input-scrollPosX', 'scrollPosX'], ['input-scrollPosY', 'scrollPosY'], ['input-tooltip', 'tooltip'],
  ['input-name', 'name'], ['input-page-name', 'pageId'], ['input-animType', 'animType'],
  ['input-fluidFontSize', 'fluidFontSize'], ['input-textShadowColorHex', 'textShadowColor'],
  ['input-boxShadowColorHex', 'boxShadowColor'], ['input-animDuration', 'animDuration'],
  ['input-bodyHeight', 'bodyHeight'], ['input-scrollCount', 'scrollCount'],
  ['input-boxShadowX', 'boxShadowX'], ['input-boxShadowY', 'boxShadowY'], ['input-boxShadowBlur', 'boxShadowBlur'],
  ['input-boxShadowOpacity', 'boxShadowOpacity'], ['input-textShadowX', 'textShadowX'],
  ['input-textShadowY', 'textShadowY'], ['input-textShadowBlur', 'textShadowBlur'],
  ['input-textShadowOpacity', 'textShadowOpacity']];

// Stored short forms of the overflow choices, shown as the choice they stand for.
var _INSP_OVERFLOW_SHORT = { 'overflow-y-auto': 'overflow-y-auto overflow-x-hidden',
  'overflow-x-auto': 'overflow-x-auto overflow-y-hidden' };

function _inspFillBound(sel) {
  const defaults = INSPECTOR_DEFAULTS.fields;
  const custom = new Set(INSPECTOR_CUSTOM_PRESETS.map(function (p) { return 'input-' + p[0]; }));
  const filled = new Set();
  INSPECTOR_BOUND_FIELDS.concat(_INSP_EXTRA_FIELDS).forEach(function (pair) {
    const id = pair[0];
    if (custom.has(id) || id === 'input-selectedIndex' || filled.has(id)) return;
    filled.add(id);
    let shown = _inspShown(sel, pair[1]);
    if (!shown && Object.prototype.hasOwnProperty.call(defaults, id)) shown = defaults[id];
    _inspSetValue(id, shown);
  });
  Object.keys(defaults).forEach(function (id) {
    if (!filled.has(id) && !custom.has(id)) _inspSetValue(id, defaults[id]);
  });
  const size = _inspShownSize(sel);
  _inspSetValue('input-width', size.width);
  _inspSetValue('input-height', size.height);
  _inspSetValue('input-href', _inspShown(sel, 'href').replace(/^#/, ''));
  const overflow = _inspShown(sel, 'overflow');
  if (_INSP_OVERFLOW_SHORT[overflow]) _inspSetValue('input-overflow', _INSP_OVERFLOW_SHORT[overflow]);
  INSPECTOR_CUSTOM_PRESETS.forEach(function (p) {
    const common = _inspShown(sel, p[0]) || defaults['input-' + p[0]] || '';
    syncCustomInput(p[0], p[1], 'input-' + p[0], 'input-' + p[0] + '-custom', common);
  });
  const count = _inspShown(sel, 'scrollCount') || 'infinite';
  if (['infinite', '1', '2', '5', '10'].indexOf(count) === -1) {
    _inspSetValue('input-scrollCount', 'custom');
    _inspSetValue('input-scrollCountCustom', count);
    _inspShow('input-scrollCountCustom', true);
  } else {
    _inspShow('input-scrollCountCustom', false);
  }
}

function _inspFillBoxes(sel) {
  INSPECTOR_BOUND_BOXES.forEach(function (pair) {
    const common = _inspCommon(sel, pair[1]);
    const unlessFalse = INSPECTOR_DEFAULTS.tickedUnlessFalse.indexOf(pair[0]) !== -1;
    _inspSetChecked(pair[0], unlessFalse ? common !== false : common === true);
  });
  if (_inspAll(sel, ['input'])) _inspSetChecked('input-enterSubmit', _inspCommon(sel, 'enterSubmit') !== false);
  _inspSetChecked('input-page-mode', _inspCommon(sel, 'pageMode') === true);
  const pageName = _inspEl('input-page-name');
  if (pageName) pageName.disabled = !(sel.length === 1 && sel[0].pageMode === true);
  _inspSetChecked('input-floating', _inspCommon(sel, 'floating') === true);
  _inspSetChecked('input-is-titlebar', _inspCommon(sel, 'isTitlebar') === true);
  _inspShow('titlebar-options', _inspCommon(sel, 'isTitlebar') === true);
  Object.keys(INSPECTOR_DEFAULTS.windowButtons).forEach(function (id) {
    const idProp = INSPECTOR_DEFAULTS.windowButtons[id];
    _inspSetValue(id + '-id', _inspShown(sel, idProp));
  });
  const controls = _inspCommon(sel, 'plyrControls');
  const list = Array.isArray(controls) ? controls : INSPECTOR_DEFAULTS.plyrControls;
  document.querySelectorAll('[data-plyr-control]').forEach(function (box) {
    box.checked = list.indexOf(box.getAttribute('data-plyr-control')) !== -1;
  });
  _inspSetActive('btn-bold', sel.every(function (el) { return !!el.fontWeight; }));
  _inspSetActive('btn-italic', sel.every(function (el) { return !!el.fontStyle; }));
  _inspSetActive('btn-header-bold', sel.every(function (el) { return !!el.headerFontWeight; }));
  _inspSetActive('btn-header-italic', sel.every(function (el) { return !!el.headerFontStyle; }));
  _inspSetActive('btn-layout-col', _inspCommon(sel, 'layout') !== 'flex-row');
  _inspSetActive('btn-layout-row', _inspCommon(sel, 'layout') === 'flex-row');
  _inspShow('float-fields', _inspCommon(sel, 'floating') === true);
  _inspShow('posAnim-fields', _inspCommon(sel, 'posAnim') === true);
  _inspShow('textShadow-controls', _inspCommon(sel, 'textShadowEnabled') === true);
  _inspShow('boxShadow-controls', _inspCommon(sel, 'boxShadowEnabled') === true);
  _inspShow('borderRadius-custom-inputs', _inspCommon(sel, 'borderRadius') === 'custom');
  _inspShow('floatCenter-hint', _inspCommon(sel, 'floatCenter') === true);
  const opacity = _inspEl('input-opacity');
  if (opacity) opacity.disabled = _inspCommon(sel, 'opacityEnabled') !== true;
}

function _inspFillColours(sel) {
  const byProp = {};
  Object.keys(INSPECTOR_DEFAULTS.colours).forEach(function (colour) {
    INSPECTOR_DEFAULTS.colours[colour].forEach(function (prop) { byProp[prop] = colour; });
  });
  Object.keys(byProp).concat(['splitColor', 'splitHoverColor']).forEach(function (prop) {
    const common = _inspShown(sel, prop);
    if (typeof syncThemeSelToValue === 'function') syncThemeSelToValue(prop, common);
    _inspPaintSwatch(prop, common, byProp[prop]);
  });
}

// The swatch of a colour row shows the colour the field holds now (a token as the active theme
// colours it), else the row's default colour.
function _inspPaintSwatch(prop, value, fallback) {
  const swatch = _inspEl('__cpBtn-' + prop);
  if (!swatch) return;
  if (fallback === undefined) {
    fallback = Object.keys(INSPECTOR_DEFAULTS.colours).find(function (colour) {
      return INSPECTOR_DEFAULTS.colours[colour].indexOf(prop) !== -1;
    }) || '';
  }
  swatch.style.background = (value && _safeCssColour(resolveColor(value))) || fallback;
}

// Sliders whose value shows beside them: slider id -> [read-out id, text of a value]. Filled with the
// panel and again on every move of the slider.
var _INSP_READOUTS = {
  'input-rotation': ['rotation-value', function (v) { return (isFinite(v) ? Math.round(v) : 0) + 'º'; }],
  'input-pivotX': ['pivotX-value', function (v) { return (isFinite(v) ? Math.round(v) : 50) + '%'; }],
  'input-pivotY': ['pivotY-value', function (v) { return (isFinite(v) ? Math.round(v) : 50) + '%'; }],
  'input-sliceScale': ['sliceScale-value', function (v) { return (isFinite(v) ? v : 1).toFixed(2) + 'x'; }],
  'input-opacity': ['opacity-value', function (v) { return (isFinite(v) ? Math.round(v) : 0) + '%'; }],
  'input-textShadowOpacity': ['textShadowOpacityValue', function (v) { return (isFinite(v) ? Math.round(v) : 50) + '%'; }],
  'input-boxShadowOpacity': ['boxShadowOpacityValue', function (v) { return (isFinite(v) ? Math.round(v) : 50) + '%'; }],
};

function _inspShowReadout(sliderId, value) {
  const row = _INSP_READOUTS[sliderId];
  const label = row && _inspEl(row[0]);
  if (label) label.textContent = row[1](parseFloat(value));
}

function _inspFillSliders(sel) {
  const first = sel[0];
  ['width', 'height'].forEach(function (axis) {
    const slider = _inspEl('slider-' + axis + '-percent');
    const label = _inspEl('label-' + axis + '-percent');
    if (axis === 'height' && first.type === 'accordion') {
      const px = parseFloat(_inspShown(sel, 'bodyHeight'));
      if (isNaN(px)) {
        if (slider) slider.value = 50;
        if (label) label.textContent = '50% (250px)';
      } else {
        const step = Math.min(100, Math.max(1, Math.round(px / 5)));
        if (slider) slider.value = step;
        if (label) label.textContent = step + '% (' + Math.round(px) + 'px)';
      }
      return;
    }
    const value = _inspShown(sel, axis);
    if (/%$/.test(value)) {
      if (slider) slider.value = parseInt(value, 10);
      if (label) { label.removeAttribute('data-i18n'); label.textContent = value; }
    } else {
      if (slider) slider.value = 50;
      _inspSetLabel('label-' + axis + '-percent', value ? 'inspector.fixed' : 'inspector.auto');
    }
  });
  let rotation = Number(first.rotation);
  if (!isFinite(rotation)) rotation = 0;
  if (rotation < 0) rotation = ((rotation % 720) + 720) % 720;
  if (rotation > 720) rotation = 720;
  _inspSetValue('input-rotation', rotation);
  _inspShowReadout('input-rotation', rotation);
  const factor = parseFloat(first.scale);
  const zoom = Math.round((isFinite(factor) ? factor : 1) * 100);
  _inspSetValue('input-scale', zoom);
  const zoomLabel = _inspEl('scale-value');
  if (zoomLabel) zoomLabel.textContent = zoom + '%';
  [['X', 'transformOriginX'], ['Y', 'transformOriginY']].forEach(function (pair) {
    let v = parseFloat(first[pair[1]]);
    v = isFinite(v) ? Math.min(100, Math.max(0, v)) : 50;
    _inspSetValue('input-pivot' + pair[0], v);
    _inspShowReadout('input-pivot' + pair[0], v);
  });
  ['input-sliceScale', 'input-opacity'].forEach(function (id) {
    const slider = _inspEl(id);
    if (slider) _inspShowReadout(id, slider.value);
  });
}

// Each event box shows when every selected type raises its event, ticked when every selected
// element has the event's flag on.
function _inspFillEvents(sel) {
  const supported = sel.map(function (el) { return _inspEventsOfType(el.type); });
  INSPECTOR_EVENT_BOXES.forEach(function (row) {
    const box = _inspEl(row[0]);
    if (!box) return;
    _inspShow(box.closest('label') || box, supported.every(function (list) { return list.indexOf(row[1]) !== -1; }));
    box.checked = _inspCommon(sel, _inspEventFlag(row[1], row[2])) === true;
  });
}

function _inspFillTables(sel) {
  if (!_inspAll(sel, ['table'])) return;
  let features = null;
  try {
    const raw = _inspCommon(sel, 'tableFeatures');
    features = typeof raw === 'string' && raw ? JSON.parse(raw) : (raw && typeof raw === 'object' ? raw : {});
  } catch (e) {
    features = null; // unreadable: the fields keep what they show
  }
  if (features) {
    // The stored form keeps the page size inside pagination and the height as tableHeight.
    const flat = Object.assign({}, features);
    if (features.pagination && typeof features.pagination === 'object') {
      flat.pagination = features.pagination.enabled !== false;
      if (features.pagination.pageSize !== undefined) flat.pageSize = features.pagination.pageSize;
    }
    if (features.tableHeight !== undefined) flat.height = features.tableHeight;
    const merged = Object.assign({}, INSPECTOR_DEFAULTS.tableFeatures, flat);
    document.querySelectorAll('[data-table-feat-prop]').forEach(function (field) {
      const key = field.getAttribute('data-table-feat-prop');
      if (field.type === 'checkbox') field.checked = !!merged[key];
      else field.value = merged[key] === undefined || merged[key] === null ? '' : String(merged[key]);
    });
  }
  _qlCallIfDefined('renderTableColumnsEditor');
  _qlCallIfDefined('toggleTablePageSize');
  _qlCallIfDefined('toggleTableHeight');
}

function _inspHeaderRows(sel) {
  const one = sel.length === 1 ? sel[0] : null;
  const badge = _inspEl('prop-type-badge');
  if (badge) badge.textContent = one ? typeDisplayName(one.type) : t('inspector.multiple', { n: sel.length });
  _inspShow('btn-parent', !!(one && one.parentId));
  ['btn-move-up', 'btn-move-down', 'field-element-id-container', 'btn-save-comp'].forEach(function (id) {
    _inspShow(id, !!one);
  });
  if (!one) return;
  const idField = _inspEl('input-element-id');
  if (idField && document.activeElement !== idField) idField.value = one.id;
  _inspSetActive('btn-inspector-lock', one.locked === true);
  _inspSetActive('btn-inspector-pass', one.passEvents === true);
  _inspSetChecked('input-linked', !!one.linkGroupId);
}

function _inspCanvasState() {
  ['props-empty', 'props-form', 'quick-actions-bar', 'field-element-id-container', 'field-linked']
    .forEach(function (id) { _inspShow(id, false); });
  _inspShow('props-canvas', true);
  _inspSetActive('btn-canvas-layout-col', canvasSettings.layout !== 'flex-row');
  _inspSetActive('btn-canvas-layout-row', canvasSettings.layout === 'flex-row');
  [['input-canvas-justify', 'justify'], ['input-canvas-items', 'items'], ['input-canvas-wrap', 'wrap'],
    ['input-canvas-alignContent', 'alignContent']].forEach(function (pair) {
    _inspSetValue(pair[0], canvasSettings[pair[1]]);
  });
  _qlCallIfDefined('syncCanvasCustomInput', 'gap', 'gap-', 'input-canvas-gap', 'input-canvas-gap-custom');
  _qlCallIfDefined('applyCanvasSettings');
}

// Which of its three states the panel shows now.
var _inspPanelState = null;

// A different state starts at its top: the scroll position of a long element form would otherwise
// leave the shorter canvas form out of sight.
function _inspEnterState(state) {
  if (_inspPanelState === state) return;
  const first = _inspPanelState === null;
  _inspPanelState = state;
  const panel = _inspEl('properties-panel');
  // The first state finds the panel at its top; setting it would lay out the half-started page.
  if (panel && !first) panel.scrollTop = 0;
}

function renderProperties() {
  INSPECTOR_ALWAYS_HIDDEN.forEach(function (id) { _inspShow(id, false); });
  if (!selectedIds.length) {
    _inspCanvasState();
    _inspEnterState('canvas');
    return;
  }
  _inspShow('props-form', true);
  _inspShow('quick-actions-bar', true);
  _inspShow('props-canvas', false);
  _inspShow('props-empty', false);
  const sel = _inspSelection();
  if (!sel.length) {
    _inspShow('props-form', false);
    _inspShow('props-empty', true);
    _inspEnterState('empty');
    return;
  }
  _inspEnterState('form');
  _inspHeaderRows(sel);
  _inspVisibility(sel);
  _inspCorrections(sel);
  _inspFillBound(sel);
  _inspFillBoxes(sel);
  _inspFillColours(sel);
  _inspFillSliders(sel);
  _inspFillEvents(sel);
  _inspFillTables(sel);
  const first = sel[0];
  _inspSetLabel('label-checked', first.type === 'accordion' ? 'inspector.openByDefault' : 'inspector.checkedActive');
  _inspSetLabel('label-value', first.type === 'input' ? 'inspector.valueText' : 'inspector.valueLevel');
  if (_inspAll(sel, ['chart'])) {
    _qlCallIfDefined('renderChartLabelsEditor');
    _qlCallIfDefined('renderChartSeriesEditor');
  }
  _qlCallIfDefined('updateIconPreview', _inspShown(sel, 'iconClass'));
  _qlCallIfDefined('renderGradientUI');
  _inspFillStyleEditors(sel);
  _inspFillTypeEditors(sel);
}
