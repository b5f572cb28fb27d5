// The size, floating-position and transform editors: relative size sliders (siblings in a
// stretch-children parent share what is left), the accordion body height, pinned limits, collapse
// thresholds copied from the parent, scroll start positions, the floating sides with their reset
// buttons, rotation and zoom presets and the pivot. Every slider drag and every typed field is one
// undo step, taken before its first write.
// Provides: stretchSiblingShares, fixedHeaderTableHeight, floatCentrePosition, applyRelativeSize, pinValueTo,
//   copyParentSizeToThreshold, resetFloatSide, setRotation, setScale, setPivotCenter, _inspInstallSizeEditors
// Needs: _inspSessionField, _inspChangeSelected, _findElement, _inspSelectedRecords, _inspSet, _inspSnapshotOnce, _inspWriteSelected,
//   _qlCallIfDefined, elements, saveHistoryState, showToast, t
// Calls: renderCanvas, renderProperties

// New shares of the siblings of an element set to v % in a stretch-children parent: what is left
// (100 - v, at least 0) is shared in proportion to their current shares; a sibling without a number
// counts as an equal part of what is left; all-zero shares split it equally. Stored with one decimal.
function stretchSiblingShares(v, siblingValues) {
  const rest = Math.max(0, 100 - v);
  const n = siblingValues.length;
  if (!n) return [];
  const weights = siblingValues.map(function (value) {
    const num = parseFloat(value);
    return isFinite(num) ? num : (100 - v) / n;
  });
  const total = weights.reduce(function (a, b) { return a + b; }, 0);
  return weights.map(function (w) { return (total > 0 ? rest * w / total : rest / n).toFixed(1) + '%'; });
}

// The body height of a fixed-header table whose wrapper becomes `wrapperHeight` pixels high: the room
// left after the search bar and the pagination; null while the table is too small to have a body.
function fixedHeaderTableHeight(wrapperHeight, features) {
  if (!(wrapperHeight > 100)) return null;
  const pagination = features.pagination;
  const paged = pagination && typeof pagination === 'object' ? pagination.enabled !== false : pagination !== false;
  const margin = 10 + (features.search !== false ? 60 : 0) + (paged ? 55 : 0);
  return Math.max(50, wrapperHeight - margin);
}

// Top and left of a w x h box centred in a W x H box, in whole pixels; null when any size is 0.
function floatCentrePosition(W, H, w, h) {
  if (!W || !H || !w || !h) return null;
  return { top: Math.round((H - h) / 2) + 'px', left: Math.round((W - w) / 2) + 'px' };
}

function _sizeMainAxis(parent) {
  return (parent.layout || 'flex-col') === 'flex-row' ? 'width' : 'height';
}

function _sizeTableFeatures(el) {
  if (el.tableFeatures && typeof el.tableFeatures === 'object') return el.tableFeatures;
  try {
    const parsed = JSON.parse(el.tableFeatures || '{}');
    return parsed && typeof parsed === 'object' ? parsed : {};
  } catch (e) {
    return null;
  }
}

// A relative size of v % on every selected element (one undo step per `session`).
function applyRelativeSize(axis, v, session) {
  const records = _inspSelectedRecords();
  if (!records.length) return;
  _inspSnapshotOnce(session);
  records.forEach(function (el) {
    _inspSet(el, axis, v + '%');
    const parent = el.parentId ? _findElement(el.parentId) : null;
    if (parent && parent.justify === 'justify-stretch-children' && _sizeMainAxis(parent) === axis) {
      const siblings = elements.filter(function (s) { return s.parentId === el.parentId && s !== el; });
      const shares = stretchSiblingShares(v, siblings.map(function (s) { return s[axis]; }));
      siblings.forEach(function (s, i) { _inspSet(s, axis, shares[i]); });
    }
    if (axis === 'height' && el.type === 'table') {
      const features = _sizeTableFeatures(el);
      const wrapper = document.getElementById('wrap-' + el.id);
      const outer = wrapper && wrapper.parentElement;
      if (features && features.fixedHeader === true && outer) {
        const body = fixedHeaderTableHeight(Math.round(outer.clientHeight * v / 100), features);
        if (body !== null) {
          features.tableHeight = body + 'px';
          _inspSet(el, 'tableFeatures', typeof el.tableFeatures === 'object' ? features : JSON.stringify(features));
          const field = document.getElementById('input-tableHeight');
          if (field) field.value = body + 'px';
        }
      }
    }
  });
  _qlCallIfDefined('renderCanvas');
}

function _sizeSliderMoved(axis, slider) {
  const v = parseInt(slider.value, 10);
  if (!isFinite(v)) return;
  const field = document.getElementById('input-' + axis);
  if (field) field.value = v + '%';
  const label = document.getElementById('label-' + axis + '-percent');
  if (label) { label.removeAttribute('data-i18n'); label.textContent = v + '%'; }
  applyRelativeSize(axis, v, slider);
}

// The accordion's body height through the height slider: 5 px a step, the wrapper resized at once,
// the canvas redrawn only when the body grows past where the drag began, at most every 33 ms.
var _accDrag = null;

function _accordionSliderMoved(slider, el) {
  if (!_accDrag) {
    const wrapper = document.getElementById('wrap-' + el.id);
    _accDrag = { pending: null, frame: 0, startBody: parseFloat(el.bodyHeight) || 0, lastRender: 0, id: el.id,
      header: (wrapper && wrapper.querySelector('.acc-header') && wrapper.querySelector('.acc-header').offsetHeight) || 45 };
  }
  _accDrag.pending = parseInt(slider.value, 10) || 1;
  _accDrag.slider = slider;
  if (!_accDrag.frame) _accDrag.frame = requestAnimationFrame(_accordionApply);
}

// One update per animation frame; the drag's end applies what is still pending.
function _accordionApply() {
  const drag = _accDrag;
  if (!drag || drag.pending === null) return;
  drag.frame = 0;
  const step = drag.pending;
  const px = step * 5;
  drag.pending = null;
  const field = document.getElementById('input-bodyHeight');
  if (field) field.value = px + 'px';
  const label = document.getElementById('label-height-percent');
  if (label) { label.removeAttribute('data-i18n'); label.textContent = step + '% (' + px + 'px)'; }
  _inspWriteAccordionBody(px + 'px', drag.slider);
  const wrapper = document.getElementById('wrap-' + drag.id);
  if (wrapper) {
    const transition = wrapper.style.transition;
    wrapper.style.transition = 'none';
    wrapper.style.setProperty('height', (drag.header + px) + 'px', 'important');
    void wrapper.offsetHeight; // laid out without the transition before it comes back
    wrapper.style.transition = transition;
  }
  const now = Date.now();
  if (px > drag.startBody && now - drag.lastRender >= 33) {
    drag.lastRender = now;
    _qlCallIfDefined('renderCanvas');
  }
}

function _inspWriteAccordionBody(value, session) {
  const records = _inspSelectedRecords();
  if (!records.length) return;
  _inspSnapshotOnce(session);
  records.forEach(function (el) { _inspSet(el, 'bodyHeight', value); });
}

function _accordionDragEnd() {
  if (!_accDrag) return;
  if (_accDrag.frame) cancelAnimationFrame(_accDrag.frame);
  _accordionApply();
  _accDrag = null;
  _qlCallIfDefined('renderCanvas');
}

function _sizeOneAccordion() {
  const records = _inspSelectedRecords();
  return records.length === 1 && records[0].type === 'accordion' ? records[0] : null;
}

// Stores the rendered size (else the stored one) of each selected element in a limit.
function pinValueTo(targetProp, sourceAxis) {
  const records = _inspSelectedRecords();
  if (!records.length) return;
  const height = sourceAxis === 'H' || sourceAxis === 'height';
  const values = records.map(function (el) {
    const wrapper = document.getElementById('wrap-' + el.id);
    const px = wrapper ? (height ? wrapper.offsetHeight : wrapper.offsetWidth) : 0;
    if (px > 0) return Math.round(px) + 'px';
    return String(el[height ? 'height' : 'width'] ?? '').trim();
  });
  const last = values.filter(Boolean).pop();
  if (!last) {
    showToast(t('toast.sizePinError'), 'error');
    return;
  }
  saveHistoryState();
  records.forEach(function (el, i) { if (values[i]) _inspSet(el, targetProp, values[i]); });
  _qlCallIfDefined('renderProperties');
  _qlCallIfDefined('renderCanvas');
  showToast(t('toast.sizePinned', { val: last }), 'success');
}

// The first selected element's parent size becomes the collapse threshold of every selected element.
function copyParentSizeToThreshold(axis) {
  const records = _inspSelectedRecords();
  if (!records.length) return;
  const first = records[0];
  if (!first.parentId) return showToast(t('toast.noParent'), 'error');
  const parent = _findElement(first.parentId);
  if (!parent) return showToast(t('toast.padreNoEncontrado'), 'error');
  const wrapper = document.getElementById('wrap-' + parent.id);
  if (!wrapper) return showToast(t('toast.parentNotInDom'), 'error');
  const height = axis === 'H' || axis === 'height';
  const size = Math.round(height ? wrapper.getBoundingClientRect().height : wrapper.getBoundingClientRect().width);
  if (!size) return showToast(t('toast.parentSizeInvalid'), 'error');
  const prop = height ? 'minParentHeightThreshold' : 'minParentWidthThreshold';
  const value = size + 'px';
  _inspWriteSelected(prop, value, null);
  const field = document.getElementById('input-' + prop);
  if (field) field.value = value;
  showToast(t('toast.thresholdCopied', { val: value }), 'success');
}

// A floating side typed in: stored at every keystroke. Top and left end centring. An element that
// animates its moves is moved on the canvas directly, so the move plays.
var _FLOAT_SIDES = { floatTop: 'top', floatRight: 'right', floatBottom: 'bottom', floatLeft: 'left' };
var _floatLastAnimated = false;

function _floatSideInput(side, field) {
  const records = _inspSelectedRecords();
  if (!records.length) return;
  _inspSnapshotOnce(field);
  const text = String(field.value ?? '');
  let animated = false;
  records.forEach(function (el) {
    _inspSet(el, side, text);
    if ((side === 'floatTop' || side === 'floatLeft') && el.floatCenter) {
      _inspSet(el, 'floatCenter', false);
      const box = document.getElementById('input-floatCenter');
      if (box) box.checked = false;
    }
    const wrapper = el.floating && el.posAnim ? document.getElementById('wrap-' + el.id) : null;
    if (wrapper) {
      wrapper.style[_FLOAT_SIDES[side]] = text;
      animated = true;
    }
  });
  _floatLastAnimated = animated;
  if (!animated) _qlCallIfDefined('renderCanvas');
}

// A side's reset: "0%" for a side given in percent, else "1px".
function resetFloatSide(side) {
  if (!_FLOAT_SIDES[side]) return;
  _inspChangeSelected(function (el) {
    _inspSet(el, side, String(el[side] ?? '').indexOf('%') !== -1 ? '0%' : '1px');
    if (side === 'floatTop' || side === 'floatLeft') _inspSet(el, 'floatCenter', false);
  }, true);
}

function setRotation(value) {
  _inspChangeSelected(function (el) { _inspSet(el, 'rotation', String(value)); }, true);
}

// Zoom in percent; stored as a factor (1 = 100 %). A slider drag passes its session: one undo step.
function setScale(percent, session) {
  const records = _inspSelectedRecords();
  if (!records.length) return;
  const n = parseFloat(percent);
  const factor = isFinite(n) ? n / 100 : 1;
  if (session) _inspSnapshotOnce(session);
  else saveHistoryState();
  records.forEach(function (el) { _inspSet(el, 'scale', factor); });
  _qlCallIfDefined('renderProperties');
  _qlCallIfDefined('renderCanvas');
}

function setPivotCenter() {
  _inspChangeSelected(function (el) {
    _inspSet(el, 'transformOriginX', '50');
    _inspSet(el, 'transformOriginY', '50');
  }, true);
}

function _inspInstallSizeEditors() {
  const width = document.getElementById('slider-width-percent');
  if (width) {
    _inspSessionField(width);
    width.addEventListener('input', function () { _sizeSliderMoved('width', width); });
  }
  const height = document.getElementById('slider-height-percent');
  if (height) {
    _inspSessionField(height);
    height.addEventListener('input', function () {
      const accordion = _sizeOneAccordion();
      if (accordion) _accordionSliderMoved(height, accordion);
      else _sizeSliderMoved('height', height);
    });
    height.addEventListener('change', _accordionDragEnd);
    height.addEventListener('blur', _accordionDragEnd);
  }
  ['scrollPosX', 'scrollPosY'].forEach(function (prop) {
    const field = document.getElementById('input-' + prop);
    if (!field) return;
    _inspSessionField(field);
    field.setAttribute('data-ql-live', '');
    field.addEventListener('input', function () {
      _inspWriteSelected(prop, Math.max(0, parseInt(field.value, 10) || 0), field);
    });
  });
  Object.keys(_FLOAT_SIDES).forEach(function (side) {
    const field = document.getElementById('input-' + side);
    if (!field) return;
    _inspSessionField(field);
    field.setAttribute('data-ql-live', '');
    field.addEventListener('input', function () { _floatSideInput(side, field); });
    field.addEventListener('change', function () { if (!_floatLastAnimated) _qlCallIfDefined('renderCanvas'); });
  });
  const zoom = document.getElementById('input-scale');
  if (zoom) {
    _inspSessionField(zoom);
    zoom.addEventListener('input', function () { setScale(zoom.value, zoom); });
  }
}
