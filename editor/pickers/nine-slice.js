// The nine-slice editor ("nineslice-modal"): the element's image with four guides that set the slice
// widths by dragging, zoom from 10 to 200 % and fit, the repeat mode and the centre fill. Slice widths
// are pixels of the source image whatever the zoom. Saving writes them in one undo step; cancelling
// (its button, the close button, the backdrop or Escape) writes nothing.
// Provides: openNineSliceModal, closeNineSliceModal, ninesliceModalLoadImage, ninesliceSyncGuidesFromInputs,
//   ninesliceSetZoom, ninesliceFitZoom, ninesliceRenderGuides, ninesliceFitPercent, ninesliceGuideOffsets,
//   ninesliceValueAt, _ninesliceModalElId, _ninesliceState
// Needs: _blobSrcMap, _findElement, _qlDialogShell, escapeHtml, pickLocalImageSlice, saveHistoryState, selectedIds, t
// Calls: renderCanvas, setElementProp

var _ninesliceModalElId = null;
var _ninesliceState = { naturalW: 0, naturalH: 0, dispW: 0, dispH: 0 };
var _ninesliceDrag = null;
var NINESLICE_SIDES = ['top', 'right', 'bottom', 'left'];
var NINESLICE_PROPS = { top: 'sliceTop', right: 'sliceRight', bottom: 'sliceBottom', left: 'sliceLeft' };

// Zoom that fits the natural width into the stage (16 px of room on each side), 10..200 %.
function ninesliceFitPercent(stageWidth, naturalWidth) {
  if (!(naturalWidth > 0)) return 100;
  return Math.max(10, Math.min(200, Math.floor(((stageWidth - 32) / naturalWidth) * 100)));
}

// Where each guide is drawn, in displayed pixels from the image's top-left corner.
function ninesliceGuideOffsets(values, s) {
  const sx = s.naturalW > 0 ? s.dispW / s.naturalW : 0;
  const sy = s.naturalH > 0 ? s.dispH / s.naturalH : 0;
  return {
    top: values.top * sy,
    bottom: (s.naturalH - values.bottom) * sy,
    left: values.left * sx,
    right: (s.naturalW - values.right) * sx,
  };
}

// The slice width a guide dragged to `at` (pointer position relative to the displayed image, along the
// guide's axis) stands for: clamped to the image, rounded to a whole source pixel.
function ninesliceValueAt(side, at, s) {
  const horizontal = side === 'top' || side === 'bottom';
  const size = horizontal ? s.dispH : s.dispW;
  const scale = horizontal ? (s.naturalH > 0 ? s.dispH / s.naturalH : 0) : (s.naturalW > 0 ? s.dispW / s.naturalW : 0);
  if (!(scale > 0)) return 0;
  const p = Math.max(0, Math.min(size, at));
  const value = side === 'top' || side === 'left' ? p / scale : (size - p) / scale;
  return Math.round(value) + 0;   // no -0
}

function _nsEl(id) {
  return document.getElementById(id);
}

function _nsInt(text) {
  const n = parseInt(text, 10);
  return isFinite(n) && n > 0 ? n : 0;
}

function _nsValues() {
  const out = {};
  NINESLICE_SIDES.forEach(function (side) {
    const field = _nsEl('nineslice-modal-' + side);
    out[side] = field ? _nsInt(field.value) : 0;
  });
  return out;
}

function _nsEnsureModal() {
  let modal = _nsEl('nineslice-modal');
  if (modal) {
    // Kept last in the body, above whatever opened since.
    if (modal.parentNode !== document.body || modal !== document.body.lastElementChild) document.body.appendChild(modal);
    return modal;
  }
  const shell = _qlDialogShell('nineslice-modal', { cardClass: 'ql-ns-card' });
  modal = shell.modal;
  modal.hidden = true;
  const label = function (key) { return '<span data-i18n="' + key + '">' + escapeHtml(t(key)) + '</span>'; };
  const number = function (side) {
    return '<label class="ql-ns-num">' + label('modal.nineSlice.' + side) + '<input id="nineslice-modal-' + side +
      '" type="number" min="0" step="1" class="ql-ns-input"></label>';
  };
  shell.card.innerHTML =
    '<div class="ql-ns-head"><h2 data-i18n="modal.nineSlice.title">' + escapeHtml(t('modal.nineSlice.title')) + '</h2>' +
      '<button id="nineslice-modal-close" type="button" class="ql-btn ql-btn-icon" data-i18n-title="modal.nineSlice.close" title="' +
      escapeHtml(t('modal.nineSlice.close')) + '"><i class="ph ph-x"></i></button></div>' +
    '<div class="ql-ns-bar">' +
      '<button id="nineslice-modal-load" type="button" class="ql-btn"><i class="ph ph-image"></i> ' + label('modal.nineSlice.loadImage') + '</button>' +
      '<input id="nineslice-modal-file" type="file" accept="image/*" hidden>' +
      '<label class="ql-ns-zoom">' + label('modal.nineSlice.zoom') +
        '<input id="nineslice-modal-zoom" type="range" min="10" max="200" step="1" value="100"></label>' +
      '<span id="nineslice-modal-zoom-label" class="ql-ns-zoom-label">100%</span>' +
      '<button id="nineslice-modal-fit" type="button" class="ql-btn">' + label('modal.nineSlice.fit') + '</button>' +
    '</div>' +
    '<div id="nineslice-modal-stage" class="ql-ns-stage">' +
      '<div id="nineslice-modal-imgwrap" class="ql-ns-imgwrap" hidden><img id="nineslice-modal-img" alt="" draggable="false">' +
        '<div id="nineslice-modal-guides" class="ql-ns-guides"></div></div>' +
      '<div id="nineslice-modal-empty" class="ql-ns-empty">' + label('modal.nineSlice.empty') + '</div>' +
    '</div>' +
    '<div class="ql-ns-hint">' + label('modal.nineSlice.hint') + '</div>' +
    '<div class="ql-ns-fields">' + NINESLICE_SIDES.map(number).join('') +
      '<label class="ql-ns-num">' + label('modal.nineSlice.repeat') + '<select id="nineslice-modal-repeat" class="ql-ns-input">' +
        ['stretch', 'repeat', 'round'].map(function (v) {
          const key = 'modal.nineSlice.repeat' + v[0].toUpperCase() + v.slice(1);
          return '<option value="' + v + '" data-i18n="' + key + '">' + escapeHtml(t(key)) + '</option>';
        }).join('') + '</select></label>' +
      '<label class="ql-ns-check"><input id="nineslice-modal-fill" type="checkbox"> ' + label('modal.nineSlice.fill') + '</label>' +
    '</div>' +
    '<div class="ql-ns-actions"><button id="nineslice-modal-cancel" type="button" class="ql-btn">' + label('modal.nineSlice.cancel') + '</button>' +
      '<button id="nineslice-modal-save" type="button" class="ql-btn ql-btn-primary">' + label('modal.nineSlice.save') + '</button></div>';
  document.body.appendChild(modal);
  _nsEl('nineslice-modal-close').addEventListener('click', function () { closeNineSliceModal(false); });
  _nsEl('nineslice-modal-cancel').addEventListener('click', function () { closeNineSliceModal(false); });
  _nsEl('nineslice-modal-save').addEventListener('click', function () { closeNineSliceModal(true); });
  modal.addEventListener('mousedown', function (e) { if (e.target === modal) closeNineSliceModal(false); });
  _nsEl('nineslice-modal-load').addEventListener('click', function () { _nsEl('nineslice-modal-file').click(); });
  _nsEl('nineslice-modal-file').addEventListener('change', function (e) { ninesliceModalLoadImage(e.target); });
  _nsEl('nineslice-modal-zoom').addEventListener('input', function (e) { ninesliceSetZoom(e.target.value); });
  _nsEl('nineslice-modal-fit').addEventListener('click', ninesliceFitZoom);
  NINESLICE_SIDES.forEach(function (side) {
    _nsEl('nineslice-modal-' + side).addEventListener('input', ninesliceSyncGuidesFromInputs);
  });
  _nsEl('nineslice-modal-img').addEventListener('load', _nsImageLoaded);
  _nsEl('nineslice-modal-guides').addEventListener('mousedown', _nsGuidePress);
  document.addEventListener('mousemove', _nsGuideMove);
  document.addEventListener('mouseup', function () { _ninesliceDrag = null; });
  return modal;
}

function _nsEscape(e) {
  if (e.key !== 'Escape') return;
  e.preventDefault();
  e.stopImmediatePropagation();
  closeNineSliceModal(false);
}

function _nsResize() {
  ninesliceRenderGuides();
}

function _nsShowImage(src) {
  const img = _nsEl('nineslice-modal-img');
  const wrap = _nsEl('nineslice-modal-imgwrap');
  const empty = _nsEl('nineslice-modal-empty');
  _ninesliceState = { naturalW: 0, naturalH: 0, dispW: 0, dispH: 0 };
  if (src) {
    wrap.hidden = false;
    empty.hidden = true;
    img.src = src;
  } else {
    img.removeAttribute('src');
    wrap.hidden = true;
    empty.hidden = false;
  }
  ninesliceRenderGuides();
}

function _nsImageLoaded() {
  const img = _nsEl('nineslice-modal-img');
  _ninesliceState.naturalW = img.naturalWidth || 0;
  _ninesliceState.naturalH = img.naturalHeight || 0;
  ninesliceFitZoom();
}

function openNineSliceModal(elId) {
  const id = elId || (typeof selectedIds !== 'undefined' ? selectedIds[0] : null);
  const el = id ? _findElement(id) : null;
  if (!el) return;
  const modal = _nsEnsureModal();
  _ninesliceModalElId = el.id;
  NINESLICE_SIDES.forEach(function (side) {
    _nsEl('nineslice-modal-' + side).value = String(_nsInt(el[NINESLICE_PROPS[side]]));
  });
  const repeat = ['stretch', 'repeat', 'round'].indexOf(el.sliceRepeat) !== -1 ? el.sliceRepeat : 'stretch';
  _nsEl('nineslice-modal-repeat').value = repeat;
  _nsEl('nineslice-modal-fill').checked = el.sliceFill !== false;
  const path = String(el.sliceImage || '').trim();
  const mapped = path && typeof _blobSrcMap !== 'undefined' && _blobSrcMap && _blobSrcMap.get ? _blobSrcMap.get(path) : null;
  modal.hidden = false;
  _nsShowImage(mapped || path);
  document.addEventListener('keydown', _nsEscape, true);
  window.addEventListener('resize', _nsResize);
}

function closeNineSliceModal(apply) {
  const modal = _nsEl('nineslice-modal');
  if (!modal || modal.hidden) return;
  const el = _ninesliceModalElId ? _findElement(_ninesliceModalElId) : null;
  if (apply && el) {
    saveHistoryState();
    const values = _nsValues();
    const write = function (prop, value) {
      if (typeof setElementProp === 'function') setElementProp(el, prop, value);
      else el[prop] = value;
    };
    NINESLICE_SIDES.forEach(function (side) { write(NINESLICE_PROPS[side], values[side]); });
    const repeat = _nsEl('nineslice-modal-repeat').value || 'stretch';
    const fill = _nsEl('nineslice-modal-fill').checked;
    write('sliceRepeat', repeat);
    write('sliceFill', fill);
    // The inspector shows what was saved.
    NINESLICE_SIDES.forEach(function (side) {
      const field = _nsEl('input-' + NINESLICE_PROPS[side]);
      if (field) field.value = String(values[side]);
    });
    const repeatField = _nsEl('input-sliceRepeat');
    if (repeatField) repeatField.value = repeat;
    const fillField = _nsEl('input-sliceFill');
    if (fillField) fillField.checked = fill;
    _qlCallIfDefined('renderCanvas');
  }
  modal.hidden = true;
  _ninesliceDrag = null;
  _ninesliceModalElId = null;
  document.removeEventListener('keydown', _nsEscape, true);
  window.removeEventListener('resize', _nsResize);
  const img = _nsEl('nineslice-modal-img');
  if (img) img.removeAttribute('src');
}

// A picture chosen in the dialog comes into the project like any other (images/), and shows at once.
async function ninesliceModalLoadImage(fileInput) {
  const path = await pickLocalImageSlice(fileInput);
  if (!path || !_ninesliceModalElId) return;
  const src = typeof _blobSrcMap !== 'undefined' && _blobSrcMap && _blobSrcMap.get ? _blobSrcMap.get(path) : null;
  _nsShowImage(src || path);
}

function ninesliceSetZoom(pct) {
  let zoom = parseInt(pct, 10);
  if (!isFinite(zoom)) zoom = 100;
  zoom = Math.max(10, Math.min(200, zoom));
  const s = _ninesliceState;
  const img = _nsEl('nineslice-modal-img');
  if (img && s.naturalW > 0) {
    s.dispW = Math.round((s.naturalW * zoom) / 100);
    s.dispH = Math.round((s.naturalH * zoom) / 100);
    img.style.width = s.dispW + 'px';
    img.style.height = s.dispH + 'px';
  }
  const slider = _nsEl('nineslice-modal-zoom');
  if (slider) slider.value = String(zoom);
  const label = _nsEl('nineslice-modal-zoom-label');
  if (label) label.textContent = zoom + '%';
  ninesliceRenderGuides();
}

function ninesliceFitZoom() {
  const stage = _nsEl('nineslice-modal-stage');
  const width = stage ? stage.clientWidth || stage.getBoundingClientRect().width : 0;
  ninesliceSetZoom(ninesliceFitPercent(width, _ninesliceState.naturalW));
}

function ninesliceSyncGuidesFromInputs() {
  ninesliceRenderGuides();
}

// The four guides and the tinted centre between them; nothing without an image.
function ninesliceRenderGuides() {
  const layer = _nsEl('nineslice-modal-guides');
  if (!layer) return;
  const s = _ninesliceState;
  if (!(s.naturalW > 0 && s.dispW > 0)) {
    layer.innerHTML = '';
    return;
  }
  const g = ninesliceGuideOffsets(_nsValues(), s);
  const px = function (n) { return Math.round(n * 100) / 100 + 'px'; };
  layer.style.width = px(s.dispW);
  layer.style.height = px(s.dispH);
  layer.innerHTML =
    '<div class="ql-ns-centre" style="left:' + px(g.left) + ';top:' + px(g.top) + ';width:' + px(Math.max(0, g.right - g.left)) +
      ';height:' + px(Math.max(0, g.bottom - g.top)) + '"></div>' +
    '<div class="ql-ns-guide ql-ns-h" data-side="top" style="top:' + px(g.top - 1) + '"></div>' +
    '<div class="ql-ns-guide ql-ns-h" data-side="bottom" style="top:' + px(g.bottom - 1) + '"></div>' +
    '<div class="ql-ns-guide ql-ns-v" data-side="left" style="left:' + px(g.left - 1) + '"></div>' +
    '<div class="ql-ns-guide ql-ns-v" data-side="right" style="left:' + px(g.right - 1) + '"></div>';
}

function _nsGuidePress(e) {
  const guide = e.target.closest('.ql-ns-guide');
  if (!guide || e.button !== 0) return;
  e.preventDefault();
  _ninesliceDrag = guide.getAttribute('data-side');
}

function _nsGuideMove(e) {
  if (!_ninesliceDrag) return;
  const img = _nsEl('nineslice-modal-img');
  if (!img) return;
  const r = img.getBoundingClientRect();
  const side = _ninesliceDrag;
  const at = side === 'top' || side === 'bottom' ? e.clientY - r.top : e.clientX - r.left;
  _nsEl('nineslice-modal-' + side).value = String(ninesliceValueAt(side, at, _ninesliceState));
  ninesliceRenderGuides();
}
