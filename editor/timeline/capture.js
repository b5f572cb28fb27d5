// Keyframe capture: the +Key popup, keyframes taken from the selected elements at the playhead (the
// property last touched in the inspector, or every registered one), and keyframes added to the active
// tracks at their value under the playhead.
// Provides: openAddKeyframeModal, closeAddKeyframeModal, addKeyframeAtPlayhead, addKeyframeToSelectedTracks,
//   _tlCaptureValue, _tlLastPropOffered
// Needs: getActiveAnim, timelineState, _ensureAnimTrack, _getAnimTrackKfs, _tlInsertKeyframe (model.js),
//   ANIMATABLE_PROPS, getAnimEntry, captureAnimValue (registry.js), _tlValueAt, _tlSortKeyframes, _tlFontSizePx,
//   _tlBorderWidthPx, _tlBorderStyleCss (evaluate.js), _tlIsTrackActive, renderTimelineTracks, _tlScrollTrackIntoView
//   (tracks.js), _tlReapply (playback.js), selectedIds, _findElement, saveHistoryState, renderCanvas, resolveColor,
//   showToast, t, escapeHtml, _lastInspectorProp, _qlCallIfDefined
// Calls: renderProperties, _syncValueField

function _tlEmptyValue(v) {
  return v === undefined || v === null || v === '';
}

// Theme tokens become colours; class-based sizes and styles become what they stand for.
function _tlResolveStored(entry, v) {
  if (entry.kind === 'color' && typeof v === 'string' && v) return resolveColor(v);
  if (entry.kind === 'fontSize') { const px = _tlFontSizePx(v); return px === null ? v : px; }
  if (entry.kind === 'borderWidth') { const px = _tlBorderWidthPx(v); return px === null ? v : px; }
  if (entry.kind === 'borderStyle') return _tlBorderStyleCss(v);
  return v;
}

// The value a capture takes for one element and property: the stored value (resolved), else the track's
// value at the playhead, else the registry's capture value (resolved); undefined when there is none.
function _tlCaptureValue(anim, el, prop, t) {
  const entry = getAnimEntry(prop);
  if (!entry) return undefined;
  const stored = entry.capture ? entry.capture(el) : el[prop];
  if (!_tlEmptyValue(stored)) return _tlResolveStored(entry, stored);
  const kfs = _getAnimTrackKfs(anim, el.id, prop);
  if (kfs && kfs.length) {
    _tlSortKeyframes(kfs);
    return _tlValueAt(kfs, t, prop);
  }
  const captured = captureAnimValue(prop, el);
  return _tlEmptyValue(captured) ? undefined : _tlResolveStored(entry, captured);
}

function _tlOffered(entry, el) {
  try {
    return !!entry.visible(el.type, el);
  } catch (e) {
    return false;
  }
}

function _tlSelectedRecords() {
  return (Array.isArray(selectedIds) ? selectedIds : []).map(_findElement).filter(Boolean);
}

// The inspector's last property when it is animatable and offered for every selected element, else null.
function _tlLastPropOffered(records) {
  const prop = typeof _lastInspectorProp === 'string' ? _lastInspectorProp : null;
  const entry = prop ? getAnimEntry(prop) : null;
  if (!entry || !records.length) return null;
  return records.every(function (el) { return _tlOffered(entry, el); }) ? prop : null;
}

// `prop`: one property, or "all" (every registered one). With `revert`, a captured number property is
// cleared on the element afterwards, which returns to its default while the keyframe keeps the value.
function addKeyframeAtPlayhead(prop, revert) {
  const anim = getActiveAnim();
  const records = _tlSelectedRecords();
  if (!anim || !records.length) return false;
  const props = prop === 'all' || !prop ? ANIMATABLE_PROPS : [prop];
  const t = timelineState.t;
  const captures = [];
  records.forEach(function (el) {
    props.forEach(function (p) {
      const entry = getAnimEntry(p);
      if (!entry || !_tlOffered(entry, el)) return;
      const v = _tlCaptureValue(anim, el, p, t);
      if (_tlEmptyValue(v)) return;
      captures.push({ el: el, prop: p, v: v, entry: entry });
    });
  });
  if (!captures.length) return false;
  saveHistoryState();
  let firstNew = null;
  let cleared = false;
  captures.forEach(function (c) {
    const existed = !!_getAnimTrackKfs(anim, c.el.id, c.prop);
    _tlInsertKeyframe(_ensureAnimTrack(anim, c.el.id, c.prop), t, c.v);
    if (!existed && !firstNew) firstNew = c;
    if (revert && c.entry.kind === 'number' && !c.entry.capture && Object.prototype.hasOwnProperty.call(c.el, c.prop)) {
      c.el[c.prop] = '';
      cleared = true;
    }
  });
  if (cleared) {
    renderCanvas();
    _qlCallIfDefined('renderProperties');
  }
  _tlReapply();
  renderTimelineTracks();
  if (firstNew) _tlScrollTrackIntoView(firstNew.el.id, firstNew.prop);
  _qlCallIfDefined('_syncValueField');
  return true;
}

function addKeyframeToSelectedTracks() {
  closeAddKeyframeModal();
  const anim = getActiveAnim();
  const records = _tlSelectedRecords();
  if (!records.length) {
    showToast(t('timeline.oneElement'), 'warning');
    return false;
  }
  if (!anim) return false;
  const t0 = timelineState.t;
  const writes = [];
  Object.keys(anim.tracks).forEach(function (elId) {
    const el = _findElement(elId);
    Object.keys(anim.tracks[elId] || {}).forEach(function (prop) {
      if (!_tlIsTrackActive(elId, prop)) return;
      const kfs = anim.tracks[elId][prop];
      let v;
      if (kfs.length) {
        _tlSortKeyframes(kfs);
        v = _tlValueAt(kfs, t0, prop);
      } else if (el) {
        v = _tlCaptureValue(anim, el, prop, t0);
      }
      if (!_tlEmptyValue(v)) writes.push({ kfs: kfs, v: v });
    });
  });
  if (!writes.length) return false;
  saveHistoryState();
  writes.forEach(function (w) { _tlInsertKeyframe(w.kfs, t0, w.v); });
  _tlReapply();
  renderTimelineTracks();
  _qlCallIfDefined('_syncValueField');
  return true;
}

// ---- the +Key popup ----

function _tlAnyActiveTrack(anim) {
  return !!anim && Object.keys(anim.tracks).some(function (elId) {
    return Object.keys(anim.tracks[elId] || {}).some(function (prop) { return _tlIsTrackActive(elId, prop); });
  });
}

var _tlAddKfKeyHandler = null;

function openAddKeyframeModal() {
  const overlay = document.getElementById('tl-addkf-overlay');
  const list = document.getElementById('tl-addkf-props');
  const selButton = document.getElementById('tl-addkf-sel');
  const records = _tlSelectedRecords();
  if (!records.length) {
    showToast(t('timeline.oneElement'), 'warning');
    return;
  }
  const prop = _tlLastPropOffered(records);
  const withTracks = _tlAnyActiveTrack(getActiveAnim());
  if (!prop && !withTracks) {
    showToast(t('timeline.selectAttr'), 'warning');
    return;
  }
  if (!overlay || !list) return;
  list.innerHTML = prop
    ? '<button type="button" class="tl-btn tl-btn-accent tl-addkf-prop" data-prop="' + escapeHtml(prop) + '"><i class="ph ph-diamond"></i> ' + escapeHtml(prop) + '</button>'
    : '';
  const propButton = list.querySelector('button');
  if (propButton) {
    propButton.addEventListener('click', function () {
      closeAddKeyframeModal();
      addKeyframeAtPlayhead(prop, true);
    });
  }
  if (selButton) selButton.hidden = !withTracks;
  overlay.hidden = false;
  _tlAddKfKeyHandler = function (e) {
    if (e.key === 'Escape') {
      e.preventDefault();
      e.stopPropagation();
      closeAddKeyframeModal();
    }
  };
  document.addEventListener('keydown', _tlAddKfKeyHandler, true);
  overlay.onpointerdown = function (e) { if (e.target === overlay) closeAddKeyframeModal(); };
  (propButton || selButton).focus();
}

function closeAddKeyframeModal() {
  const overlay = document.getElementById('tl-addkf-overlay');
  if (overlay) overlay.hidden = true;
  if (_tlAddKfKeyHandler) document.removeEventListener('keydown', _tlAddKfKeyHandler, true);
  _tlAddKfKeyHandler = null;
}
