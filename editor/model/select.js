// The selection: selectElement and what follows every selection change.
// Provides: selectElement, _afterSelectionChange
// Needs: _canvasFocusRestore, _findElement, _qlCallIfDefined, _setDirty, elements, lastTreeAnchorId,
//   selectedIds
// Calls: _syncCPButtonsToSelection, _syncFlowFromCanvas, _syncValueField, activeAnimationId, animations,
//   renderCanvas, renderProperties, renderTimelineTracks, setActiveAnimation, startInlineEdit

function _hasKeyframesFor(animation, id) {
  const tracks = animation && animation.tracks && animation.tracks[id];
  if (!tracks || typeof tracks !== 'object') return false;
  return Object.keys(tracks).some(function (prop) { return Array.isArray(tracks[prop]) && tracks[prop].length > 0; });
}

// A click on a checkbox, toggle or radio wrapper also flips the control the user sees, and the
// record follows it (a saved field, so the project becomes dirty).
function _selectFlipCheckable(id) {
  const el = _findElement(id);
  const wrapper = document.getElementById('wrap-' + id);
  if (!el || !wrapper) return;
  const checkbox = wrapper.querySelector('input[type="checkbox"]');
  if (checkbox && (el.type === 'checkbox' || el.type === 'toggle')) {
    checkbox.checked = !checkbox.checked;
    el.checked = checkbox.checked;
    _setDirty();
    return;
  }
  const radio = wrapper.querySelector('input[type="radio"]');
  if (radio && el.type === 'radio') {
    radio.checked = true;
    el.checked = true;
    elements.forEach(function (other) {
      if (other !== el && other.type === 'radio' && other.name === el.name) other.checked = false;
    });
    _setDirty();
  }
}

function _selectSyncToggleButtons() {
  const selected = new Set(selectedIds);
  elements.forEach(function (el) {
    if (el.type !== 'toggle-btn') return;
    const checked = selected.has(el.id);
    if (el.checked !== checked) { el.checked = checked; _setDirty(); }
  });
}

function selectElement(id, event) {
  if (event) {
    if (id) _selectFlipCheckable(id);
    if (typeof event.stopPropagation === 'function') event.stopPropagation();
    if (id && event.detail >= 2) {
      selectedIds = [id];
      lastTreeAnchorId = id;
      _qlCallIfDefined('startInlineEdit', id);
      return;
    }
    if (id && (event.ctrlKey || event.metaKey || event.shiftKey)) {
      const at = selectedIds.indexOf(id);
      if (at !== -1) selectedIds.splice(at, 1);
      else selectedIds.push(id);
      _selectSyncToggleButtons();
    } else {
      const target = event.target;
      const onHandle = target && typeof target.closest === 'function' &&
        target.closest('.resize-handle, .pivot-handle, .drag-handle, #drag-handle');
      if (!onHandle) selectedIds = id ? [id] : [];
    }
  } else {
    selectedIds = id ? [id] : [];
  }
  if (id && selectedIds.length === 1 && selectedIds[0] === id) lastTreeAnchorId = id;
  if (event && selectedIds.length === 1) _canvasFocusRestore = selectedIds[0];
  _afterSelectionChange();
}

// Re-render, sync the inspector's colour buttons and the flow, and let the timeline follow the
// selected element into the first animation that animates it.
function _afterSelectionChange() {
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
  _qlCallIfDefined('_syncCPButtonsToSelection');
  _qlCallIfDefined('_syncFlowFromCanvas');
  if (Array.isArray(window._tlSelectedTracks)) window._tlSelectedTracks.length = 0;
  const animations = Array.isArray(window.animations) ? window.animations : [];
  let switched = false;
  if (selectedIds.length === 1 && animations.length) {
    const id = selectedIds[0];
    const active = animations.find(function (a) { return a.id === window.activeAnimationId; }) || animations[0];
    if (!_hasKeyframesFor(active, id)) {
      const other = animations.find(function (a) { return a !== active && _hasKeyframesFor(a, id); });
      if (other && typeof window.setActiveAnimation === 'function') {
        window.setActiveAnimation(other.id);
        switched = true;
      }
    }
  }
  if (!switched) _qlCallIfDefined('renderTimelineTracks');
  _qlCallIfDefined('_syncValueField');
}
