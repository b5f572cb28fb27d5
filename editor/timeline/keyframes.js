// Editing keyframes on the lanes: selecting, dragging (Ctrl copies, Shift scales about the playhead,
// snapping to other keyframes and the playhead), the marquee, the playhead on the ruler, deleting,
// the value field and the easing drop-down, stepping to the previous or next keyframe, and the keyframe
// clipboard.
// Provides: startKeyframeDrag, _tlStartLanePress, _tlStartRulerDrag, deleteSelectedKeyframe, _syncValueField,
//   _tlSyncEaseSelect, setSelectedKeyframesEase, prevKeyframe, nextKeyframe, copySelectedKeyframes, pasteKeyframes,
//   _tlSelectedKeyframeObjects, _tlSetPlayhead, _tlInstallValueField, _TL_SNAP_PX
// Needs: getActiveAnim, timelineState, _tlView, _tlSnap, _tlSelectedKfs, _tlSelectedKf, _tlSelectedTracks, _tlClip,
//   _tlSameKf, _ensureAnimTrack, _getAnimTrackKfs, _tlInsertKeyframe (model.js), _tlClampMoveDelta, _tlScaleFactor,
//   _tlClampScaleFactor, _tlSnapTime, _tlPasteTime, _tlPasteTargets (edit-ops.js), _tlValueAt, _tlSortKeyframes
//   (evaluate.js), applyTimelineAt, clearTimelineAppliedProp, _tlReapply, _tlClock (playback.js), _tlDragPointer
//   (panel.js), renderTimelineTracks, updatePlayheadUI, _tlLaneRect, _tlTimeAtX, _tlIsTrackActive,
//   selectTimelineTrack, _tlScrollTrackIntoView, _tlGeom (tracks.js), selectedIds, selectElement, _findElement,
//   saveHistoryState, renderCanvas, t, _qlCallIfDefined

// Snapping reaches this far on screen.
var _TL_SNAP_PX = 8;

// The selected keyframes as [{elId, prop, kf, kfs}] (entries whose keyframe is gone are dropped).
function _tlSelectedKeyframeObjects() {
  const anim = getActiveAnim();
  const out = [];
  _tlSelectedKfs.forEach(function (s) {
    const kfs = _getAnimTrackKfs(anim, s.elId, s.prop);
    const kf = kfs && kfs.find(function (k) { return _tlSameKf(k.t, s.t); });
    if (kf) out.push({ elId: s.elId, prop: s.prop, kf: kf, kfs: kfs });
  });
  return out;
}

function _tlSetSelection(list) {
  _tlSelectedKfs.length = 0;
  list.forEach(function (s) { _tlSelectedKfs.push({ elId: s.elId, prop: s.prop, t: s.t }); });
  _tlSelectedKf = _tlSelectedKfs.length ? _tlSelectedKfs[_tlSelectedKfs.length - 1] : null;
}

function _tlFindSelected(elId, prop, t) {
  return _tlSelectedKfs.findIndex(function (s) { return s.elId === elId && s.prop === prop && _tlSameKf(s.t, t); });
}

function _tlSetPlayhead(t) {
  const x = Math.min(1, Math.max(0, t));
  if (timelineState.playing) {
    _tlClock.startWall = Date.now();
    _tlClock.startT = x;
  }
  applyTimelineAt(x);
  updatePlayheadUI();
  _syncValueField();
}

function _tlSnapLimit() {
  return _TL_SNAP_PX / Math.max(1, _tlGeom.laneW || _tlLaneRect().width) / _tlView.zoom;
}

// Keyframe times of the tracks that hold none of the moving keyframes, and the playhead.
function _tlSnapCandidates(moving) {
  const anim = getActiveAnim();
  const busy = new Set(moving.map(function (m) { return m.kfs; }));
  const out = [timelineState.t];
  Object.keys(anim.tracks).forEach(function (elId) {
    Object.keys(anim.tracks[elId] || {}).forEach(function (prop) {
      const kfs = anim.tracks[elId][prop];
      if (busy.has(kfs)) return;
      kfs.forEach(function (k) { out.push(k.t); });
    });
  });
  return out;
}

var _tlRedrawPending = 0;

function _tlRedrawSoon() {
  if (_tlRedrawPending) return;
  _tlRedrawPending = requestAnimationFrame(function () {
    _tlRedrawPending = 0;
    renderTimelineTracks();
  });
}

function startKeyframeDrag(e, elId, prop, t) {
  const ctrl = e.ctrlKey || e.metaKey;
  const wasSelected = _tlFindSelected(elId, prop, t) !== -1;
  if (!(Array.isArray(selectedIds) && selectedIds.length === 1 && selectedIds[0] === elId)) selectElement(elId);
  if (!ctrl && !wasSelected) _tlSetSelection([{ elId: elId, prop: prop, t: t }]);
  else if (ctrl && !wasSelected) _tlSetSelection(_tlSelectedKfs.concat([{ elId: elId, prop: prop, t: t }]));
  saveHistoryState();
  renderTimelineTracks();
  _syncValueField();

  const rect = _tlLaneRect();
  const startX = e.clientX;
  const shift = e.shiftKey;
  let moving = null;
  let grabbed = null;
  const begin = function () {
    let items = _tlSelectedKeyframeObjects();
    if (ctrl) {
      // Ctrl+drag leaves the originals in place and moves copies.
      items = items.map(function (it) {
        const copy = { t: it.kf.t, v: it.kf.v, ease: it.kf.ease };
        it.kfs.push(copy);
        return { elId: it.elId, prop: it.prop, kf: copy, kfs: it.kfs };
      });
    }
    moving = items.map(function (it) { return Object.assign({ t0: it.kf.t }, it); });
    grabbed = moving.find(function (m) { return m.elId === elId && m.prop === prop && _tlSameKf(m.t0, t); }) || moving[0];
  };
  _tlDragPointer(e, function (ev) {
    if (!moving) {
      if (Math.abs(ev.clientX - startX) < 3) return;
      begin();
      if (!moving.length) return;
    }
    const times = moving.map(function (m) { return m.t0; });
    const pointerT = _tlTimeAtX(ev.clientX, rect);
    if (shift) {
      const playhead = timelineState.t;
      const f = _tlClampScaleFactor(times, playhead, _tlScaleFactor(pointerT, grabbed.t0, playhead, ev.clientX - startX, rect.width));
      moving.forEach(function (m) { m.kf.t = playhead + (m.t0 - playhead) * f; });
    } else {
      let delta = _tlClampMoveDelta(times, pointerT - _tlTimeAtX(startX, rect));
      if (_tlSnap && !ev.shiftKey) {
        const candidates = _tlSnapCandidates(moving);
        const limit = _tlSnapLimit();
        let best = null;
        moving.forEach(function (m) {
          const target = m.t0 + delta;
          const snapped = _tlSnapTime(target, candidates, limit);
          if (snapped !== target && (best === null || Math.abs(snapped - target) < Math.abs(best))) best = snapped - target;
        });
        if (best !== null) delta = _tlClampMoveDelta(times, delta + best);
      }
      moving.forEach(function (m) { m.kf.t = m.t0 + delta; });
    }
    moving.forEach(function (m) { _tlSortKeyframes(m.kfs); });
    _tlSetSelection(moving.map(function (m) { return { elId: m.elId, prop: m.prop, t: m.kf.t }; }));
    _tlReapply();
    _tlRedrawSoon();
  }, function () {
    if (moving) {
      renderTimelineTracks();
      _syncValueField();
      return;
    }
    // A click: Ctrl on a selected keyframe takes it out; one selected keyframe brings the playhead.
    if (ctrl && wasSelected) {
      const at = _tlFindSelected(elId, prop, t);
      if (at !== -1) _tlSelectedKfs.splice(at, 1);
      _tlSelectedKf = _tlSelectedKfs.length ? _tlSelectedKfs[_tlSelectedKfs.length - 1] : null;
    }
    if (_tlSelectedKfs.length === 1) _tlSetPlayhead(_tlSelectedKfs[0].t);
    renderTimelineTracks();
    _syncValueField();
  });
}

// A press on empty lane space: a marquee when the pointer moves, otherwise a click that selects the row's
// track (or, on empty space, clears the track and canvas selections); both clear the keyframe selection.
function _tlStartLanePress(e, row) {
  const body = document.getElementById('timeline-body');
  const box = document.getElementById('tl-marquee');
  if (!body || !box) return;
  const bodyRect = body.getBoundingClientRect();
  const startX = e.clientX;
  const startY = e.clientY;
  let moved = false;
  const rectOf = function (ev) {
    return { left: Math.min(startX, ev.clientX), right: Math.max(startX, ev.clientX), top: Math.min(startY, ev.clientY), bottom: Math.max(startY, ev.clientY) };
  };
  _tlDragPointer(e, function (ev) {
    if (!moved && Math.hypot(ev.clientX - startX, ev.clientY - startY) < 3) return;
    moved = true;
    const r = rectOf(ev);
    box.hidden = false;
    box.style.left = (r.left - bodyRect.left) + 'px';
    box.style.top = (r.top - bodyRect.top) + 'px';
    box.style.width = (r.right - r.left) + 'px';
    box.style.height = (r.bottom - r.top) + 'px';
  }, function (ev) {
    box.hidden = true;
    _tlSetSelection([]);
    if (moved) {
      const r = rectOf(ev);
      const picked = [];
      document.querySelectorAll('#timeline-tracks .tl-kf').forEach(function (marker) {
        const m = marker.getBoundingClientRect();
        if (m.right < r.left || m.left > r.right || m.bottom < r.top || m.top > r.bottom) return;
        const rowNode = marker.closest('.tl-row');
        picked.push({ elId: rowNode.dataset.el, prop: rowNode.dataset.prop, t: parseFloat(marker.getAttribute('data-t')) });
      });
      _tlSetSelection(picked);
      renderTimelineTracks();
      _syncValueField();
      return;
    }
    if (row) {
      selectTimelineTrack(row.dataset.el, row.dataset.prop, e.ctrlKey || e.metaKey);
    } else {
      _tlSelectedTracks.length = 0;
      selectElement(null);
      _tlReapply();
    }
    renderTimelineTracks();
    _syncValueField();
  });
}

// The ruler sets the playhead and drags it, snapping (unless Shift) to any keyframe within reach.
function _tlStartRulerDrag(e) {
  if (e.button !== 0) return;
  e.preventDefault();
  const rect = _tlLaneRect();
  const anim = getActiveAnim();
  const all = [];
  Object.keys(anim.tracks).forEach(function (elId) {
    Object.keys(anim.tracks[elId] || {}).forEach(function (prop) { anim.tracks[elId][prop].forEach(function (k) { all.push(k.t); }); });
  });
  const place = function (ev) {
    let tt = Math.min(1, Math.max(0, _tlTimeAtX(ev.clientX, rect)));
    if (_tlSnap && !ev.shiftKey) tt = _tlSnapTime(tt, all, _TL_SNAP_PX / Math.max(1, rect.width) / _tlView.zoom);
    _tlSetPlayhead(tt);
  };
  place(e);
  _tlDragPointer(e, place);
}

function deleteSelectedKeyframe() {
  const items = _tlSelectedKeyframeObjects();
  if (!items.length) return;
  saveHistoryState();
  let emptied = false;
  items.forEach(function (it) {
    const at = it.kfs.indexOf(it.kf);
    if (at !== -1) it.kfs.splice(at, 1);
    if (!it.kfs.length) {
      clearTimelineAppliedProp(it.elId, it.prop);
      emptied = true;
    }
  });
  _tlSetSelection([]);
  if (emptied) renderCanvas();
  _tlReapply();
  renderTimelineTracks();
  _syncValueField();
}

// ---- the value field and the easing drop-down ----

function _tlRound2(v) {
  return typeof v === 'number' ? String(Math.round(v * 100) / 100) : v === undefined || v === null ? '' : String(v);
}

function _tlActiveTracks() {
  const anim = getActiveAnim();
  const out = [];
  if (!anim) return out;
  Object.keys(anim.tracks).forEach(function (elId) {
    Object.keys(anim.tracks[elId] || {}).forEach(function (prop) {
      if (_tlIsTrackActive(elId, prop)) out.push({ elId: elId, prop: prop, kfs: anim.tracks[elId][prop] });
    });
  });
  return out;
}

// What the value field shows: {value, placeholder, editable}.
function _tlValueFieldState() {
  const items = _tlSelectedKeyframeObjects();
  const interpolated = function (kfs, prop) {
    if (!kfs || !kfs.length) return '';
    _tlSortKeyframes(kfs);
    return _tlRound2(_tlValueAt(kfs, timelineState.t, prop));
  };
  if (items.length) {
    const props = new Set(items.map(function (it) { return it.prop; }));
    if (props.size !== 1) return { value: '', placeholder: t('timeline.valueMixed'), editable: false };
    const onPlayhead = items.some(function (it) { return _tlSameKf(it.kf.t, timelineState.t) || Math.abs(it.kf.t - timelineState.t) < 0.001; });
    if (!onPlayhead) return { value: interpolated(items[0].kfs, items[0].prop), placeholder: '', editable: false };
    const values = new Set(items.map(function (it) { return JSON.stringify(it.kf.v); }));
    if (values.size !== 1) return { value: '', placeholder: t('timeline.valueMixed'), editable: true };
    return { value: items[0].kf.v === undefined || items[0].kf.v === null ? '' : String(items[0].kf.v), placeholder: '', editable: true };
  }
  const active = _tlActiveTracks();
  if (active.length === 1) return { value: interpolated(active[0].kfs, active[0].prop), placeholder: '', editable: false };
  return { value: '', placeholder: '', editable: false };
}

function _syncValueField() {
  const field = document.getElementById('tl-kf-value');
  if (field && document.activeElement !== field) {
    const s = _tlValueFieldState();
    field.value = s.value;
    field.placeholder = s.placeholder;
    field.readOnly = !s.editable;
    field.classList.toggle('editable', s.editable);
  }
  _tlSyncEaseSelect();
}

function _tlSyncEaseSelect() {
  const select = document.getElementById('tl-ease');
  if (!select) return;
  const items = _tlSelectedKeyframeObjects();
  select.disabled = !items.length;
  if (!items.length) { select.value = 'linear'; return; }
  const eases = new Set(items.map(function (it) { return it.kf.ease || 'linear'; }));
  select.value = eases.size === 1 ? [...eases][0] : '';
}

function setSelectedKeyframesEase(ease) {
  const items = _tlSelectedKeyframeObjects();
  if (!items.length || !ease) return;
  saveHistoryState();
  items.forEach(function (it) { it.kf.ease = ease; });
  _tlReapply();
  renderTimelineTracks();
  _syncValueField();
}

// A typed value: numeric keyframes take only numbers (else the field is restored); others take the text.
function _tlCommitValue(text) {
  const items = _tlSelectedKeyframeObjects();
  if (!items.length) return false;
  const numeric = typeof items[0].kf.v === 'number';
  let value = text;
  if (numeric) {
    const n = Number(String(text).trim());
    if (String(text).trim() === '' || !Number.isFinite(n)) return false;
    value = n;
  }
  saveHistoryState();
  items.forEach(function (it) { it.kf.v = value; });
  _tlReapply();
  renderTimelineTracks();
  return true;
}

// Numbers in the field can be dragged sideways: one step per 4 px, the step following the value's decimals.
function _tlInstallValueField() {
  const field = document.getElementById('tl-kf-value');
  if (!field || field._tlInstalled) return;
  field._tlInstalled = true;
  field.addEventListener('keydown', function (e) {
    if (e.key === 'Enter') {
      e.preventDefault();
      if (!_tlCommitValue(field.value)) { field.blur(); _syncValueField(); }
      field.blur();
    } else if (e.key === 'Escape') {
      e.preventDefault();
      e.stopPropagation();
      field.blur();
      _syncValueField();
    }
  });
  field.addEventListener('change', function () {
    if (field.readOnly) return;
    _tlCommitValue(field.value);
    _syncValueField();
  });
  field.addEventListener('blur', function () { setTimeout(_syncValueField, 0); });
  field.addEventListener('pointerdown', function (e) {
    const items = _tlSelectedKeyframeObjects();
    if (field.readOnly || !items.length || typeof items[0].kf.v !== 'number' || e.button !== 0) return;
    const start = items[0].kf.v;
    const decimals = (String(start).split('.')[1] || '').length;
    const step = decimals ? Math.pow(10, -decimals) : 1;
    const startX = e.clientX;
    let snapshot = false;
    _tlDragPointer(e, function (ev) {
      const steps = Math.round((ev.clientX - startX) / 4);
      if (!steps && !snapshot) return;
      if (!snapshot) { saveHistoryState(); snapshot = true; field.blur(); }
      const v = Math.round((start + steps * step) * 1e6) / 1e6;
      _tlSelectedKeyframeObjects().forEach(function (it) { it.kf.v = v; });
      field.value = String(v);
      _tlReapply();
    }, function () {
      if (snapshot) { renderTimelineTracks(); _syncValueField(); }
    });
  });
}

// ---- stepping and the clipboard ----

function _tlAllTimes() {
  const anim = getActiveAnim();
  const out = [];
  if (!anim) return out;
  Object.keys(anim.tracks).forEach(function (elId) {
    Object.keys(anim.tracks[elId] || {}).forEach(function (prop) { anim.tracks[elId][prop].forEach(function (k) { out.push(k.t); }); });
  });
  return out.sort(function (a, b) { return a - b; });
}

function prevKeyframe() {
  const times = _tlAllTimes();
  if (!times.length) return;
  const before = times.filter(function (x) { return x < timelineState.t - 0.000001; });
  _tlSetPlayhead(before.length ? before[before.length - 1] : times[times.length - 1]);
}

function nextKeyframe() {
  const times = _tlAllTimes();
  if (!times.length) return;
  const after = times.filter(function (x) { return x > timelineState.t + 0.000001; });
  _tlSetPlayhead(after.length ? after[0] : times[0]);
}

function copySelectedKeyframes() {
  const items = _tlSelectedKeyframeObjects();
  if (!items.length) return false;
  _tlClip.length = 0;
  items.forEach(function (it) { _tlClip.push({ elId: it.elId, prop: it.prop, v: it.kf.v, ease: it.kf.ease || 'linear', t: it.kf.t }); });
  return true;
}

function pasteKeyframes() {
  const anim = getActiveAnim();
  if (!anim || !_tlClip.length) return false;
  const earliest = Math.min.apply(null, _tlClip.map(function (c) { return c.t; }));
  const targets = _tlPasteTargets(_tlClip, _tlSelectedTracks.slice(), Array.isArray(selectedIds) ? selectedIds.slice() : [])
    .filter(function (x) { return !!_findElement(x.elId); });
  if (!targets.length) return false;
  saveHistoryState();
  const pasted = [];
  let lastNew = null;
  targets.forEach(function (x) {
    const existed = !!_getAnimTrackKfs(anim, x.elId, x.prop);
    const at = _tlPasteTime(x.entry.t, earliest, timelineState.t);
    const kf = _tlInsertKeyframe(_ensureAnimTrack(anim, x.elId, x.prop), at, x.entry.v, x.entry.ease);
    pasted.push({ elId: x.elId, prop: x.prop, t: kf.t });
    if (!existed) lastNew = x;
  });
  _tlSetSelection(pasted);
  _tlReapply();
  renderTimelineTracks();
  if (lastNew) _tlScrollTrackIntoView(lastNew.elId, lastNew.prop);
  _syncValueField();
  return true;
}
