// The timeline's tracks: one row per element and property of the active animation with its keyframe
// markers, the ruler, the playhead across the tracks, zoom and horizontal scroll (wheel and scroll bar),
// and the row buttons (delete, mute, solo) and row selection.
// Provides: renderTimelineTracks, updatePlayheadUI, resetTimelineZoom, deleteTrack, toggleTrackMute,
//   toggleTrackSolo, selectTimelineTrack, _tlIsTrackActive, _tlLaneRect, _tlTimeAtX, _tlXOfTime, _tlInstallTracks,
//   _tlScrollTrackIntoView, _tlSetView, _tlGeom, _tlDrawVisibleRows, _tlRowList, _TL_ROW_H
// Needs: getActiveAnim, timelineState, _tlView, _tlSolo, _tlSelectedKfs, _tlSelectedKf, _tlSelectedTracks,
//   _tlUserMuted, isTrackSoloed, getSoloState, setSoloState, clearSoloState, _tlTrackKey, _tlSameKf, _tlComputeCanvasHidden
//   (model.js), _tlClampScroll, _tlZoomAbout (edit-ops.js), clearTimelineAppliedProp, _tlForgetApplied, _tlReapply
//   (playback.js), _tlPanelOpen, _tlConfirm, _tlDragPointer (panel.js), selectedIds, selectElement, saveHistoryState,
//   renderCanvas, escapeHtml, t, _qlCallIfDefined
// Calls: startKeyframeDrag, _tlStartLanePress, _syncValueField, _tlStartRulerDrag

// The lane's place in the panel body and its width, measured when the tracks are drawn, so that the
// playhead moves each frame without a layout read.
var _tlGeom = { laneLeft: 0, laneW: 0 };

function _tlLaneRect() {
  const lane = document.getElementById('tl-ruler-lane');
  return lane ? lane.getBoundingClientRect() : { left: 0, width: 1, top: 0, right: 1 };
}

function _tlTimeAtX(clientX, rect) {
  const r = rect || _tlLaneRect();
  return _tlView.scroll + ((clientX - r.left) / Math.max(1, r.width)) / _tlView.zoom;
}

// The fraction of the lane width at which t lies (outside 0..1 when outside the visible window).
function _tlXOfTime(t) {
  return (t - _tlView.scroll) * _tlView.zoom;
}

function _tlPct(t) {
  return (_tlXOfTime(t) * 100).toFixed(4) + '%';
}

// Active: in the narrowed track selection, or, when its element has no entry there, its element is selected.
function _tlIsTrackActive(elId, prop) {
  const own = _tlSelectedTracks.filter(function (s) { return s.elId === elId; });
  if (own.length) return own.some(function (s) { return s.prop === prop; });
  return Array.isArray(selectedIds) && selectedIds.indexOf(elId) !== -1;
}

function _tlKfSelected(elId, prop, t) {
  return _tlSelectedKfs.some(function (s) { return s.elId === elId && s.prop === prop && _tlSameKf(s.t, t); });
}

function _tlValueText(v) {
  return v === undefined || v === null ? '' : String(v);
}

function _tlRowHtml(anim, elId, prop, kfs) {
  const cls = ['tl-row'];
  if (_tlIsTrackActive(elId, prop)) cls.push('active');
  if (_tlUserMuted(anim, elId, prop)) cls.push('muted');
  if (isTrackSoloed(anim, elId, prop)) cls.push('soloed');
  else if (getSoloState(anim)) cls.push('silenced');
  const e = escapeHtml;
  let lane = '';
  for (let i = 0; i + 1 < kfs.length; i++) {
    const a = kfs[i];
    const b = kfs[i + 1];
    const flat = _tlValueText(a.v) === _tlValueText(b.v);
    const left = _tlXOfTime(a.t) * 100;
    const width = (b.t - a.t) * _tlView.zoom * 100;
    lane += '<div class="tl-span' + (flat ? ' flat' : '') + '" style="left:' + left.toFixed(4) + '%;width:' + width.toFixed(4) + '%"></div>';
  }
  kfs.forEach(function (k) {
    lane += '<div class="tl-kf' + (_tlKfSelected(elId, prop, k.t) ? ' selected' : '') + (k.ease && k.ease !== 'linear' ? ' eased' : '') +
      '" data-t="' + k.t + '" style="left:' + _tlPct(k.t) + '" title="' + e(_tlValueText(k.v)) + '"></div>';
  });
  const title = elId + ' · ' + prop;
  return '<div class="' + cls.join(' ') + '" data-el="' + e(elId) + '" data-prop="' + e(prop) + '">' +
    '<div class="tl-label"><span class="tl-label-text" title="' + e(title) + '"><span class="tl-label-id">' + e(elId) +
    '</span> <span class="tl-label-prop">' + e(prop) + '</span></span>' +
    '<button class="tl-row-btn tl-row-mute' + (_tlUserMuted(anim, elId, prop) ? ' active' : '') + '" type="button" data-act="mute" title="' + e(t('timeline.mute')) + '"><i class="ph ph-speaker-slash"></i></button>' +
    '<button class="tl-row-btn tl-row-solo' + (isTrackSoloed(anim, elId, prop) ? ' active' : '') + '" type="button" data-act="solo" title="' + e(t('timeline.solo')) + '"><i class="ph ph-headphones"></i></button>' +
    '<button class="tl-row-btn tl-row-del" type="button" data-act="delete" title="' + e(t('timeline.delTrack')) + '"><i class="ph ph-trash"></i></button>' +
    '</div><div class="tl-lane">' + lane + '</div></div>';
}

function _tlEachTrack(anim, fn) {
  Object.keys(anim.tracks || {}).forEach(function (elId) {
    const tracks = anim.tracks[elId];
    if (!tracks || typeof tracks !== 'object') return;
    Object.keys(tracks).forEach(function (prop) {
      if (Array.isArray(tracks[prop])) fn(elId, prop, tracks[prop]);
    });
  });
}

// Rows are drawn only where the track list shows them (plus a margin): a long animation keeps its redraws
// short, whatever the number of tracks.
var _TL_ROW_H = 25;
var _tlRowList = [];

function _tlDrawVisibleRows() {
  const box = document.getElementById('timeline-tracks');
  const anim = getActiveAnim();
  if (!box || !anim) return;
  if (!_tlRowList.length) {
    box.innerHTML = '<div class="tl-empty">' + escapeHtml(t('timeline.empty')) + '</div>';
    return;
  }
  const first = Math.max(0, Math.floor(box.scrollTop / _TL_ROW_H) - 4);
  const last = Math.min(_tlRowList.length, first + Math.ceil((box.clientHeight || 600) / _TL_ROW_H) + 8);
  let html = '';
  for (let i = first; i < last; i++) {
    const r = _tlRowList[i];
    html += _tlRowHtml(anim, r[0], r[1], r[2]).replace('<div class="tl-row', '<div style="top:' + i * _TL_ROW_H + 'px" class="tl-row');
  }
  box.innerHTML = '<div class="tl-rows" style="height:' + _tlRowList.length * _TL_ROW_H + 'px">' + html + '</div>';
}

function renderTimelineTracks() {
  const box = document.getElementById('timeline-tracks');
  if (!box || !_tlPanelOpen()) return;
  const anim = getActiveAnim();
  if (!anim) { box.innerHTML = ''; return; }
  const solo = getSoloState(anim);
  if (solo) {
    const at = solo.key.lastIndexOf('::');
    const kfs = anim.tracks[solo.key.slice(0, at)] && anim.tracks[solo.key.slice(0, at)][solo.key.slice(at + 2)];
    if (!Array.isArray(kfs)) clearSoloState(anim);
  }
  _tlRowList = [];
  _tlEachTrack(anim, function (elId, prop, kfs) { _tlRowList.push([elId, prop, kfs]); });
  _tlDrawVisibleRows();
  _tlMeasure();
  _tlRenderRuler();
  updatePlayheadUI();
  _tlRenderScrollbar();
}

function _tlMeasure() {
  const body = document.getElementById('timeline-body');
  const lane = document.getElementById('tl-ruler-lane');
  if (!body || !lane) return;
  const b = body.getBoundingClientRect();
  const r = lane.getBoundingClientRect();
  _tlGeom.laneLeft = r.left - b.left;
  _tlGeom.laneW = r.width;
}

function _tlRenderRuler() {
  const lane = document.getElementById('tl-ruler-lane');
  const anim = getActiveAnim();
  if (!lane || !anim) return;
  let html = '';
  const span = 1 / _tlView.zoom;
  for (let i = 0; i <= 10; i++) {
    const tt = _tlView.scroll + (span * i) / 10;
    html += '<div class="tl-mark' + (i === 10 ? ' last' : '') + '" style="left:' + i * 10 + '%"><span>' + (tt * anim.duration).toFixed(2) + 's</span></div>';
  }
  lane.innerHTML = html + '<div id="tl-ruler-playhead" class="tl-ruler-playhead"></div>';
}

function _tlRenderScrollbar() {
  const thumb = document.getElementById('tl-scrollbar-thumb');
  if (thumb) {
    thumb.style.width = (100 / _tlView.zoom) + '%';
    thumb.style.left = (_tlView.scroll * 100) + '%';
  }
  const label = document.getElementById('tl-zoom-label');
  if (label) label.textContent = Math.round(_tlView.zoom * 100) + '%';
}

function updatePlayheadUI() {
  const anim = getActiveAnim();
  const time = document.getElementById('tl-time');
  if (time && anim) time.textContent = (timelineState.t * anim.duration).toFixed(2) + 's';
  const x = _tlXOfTime(timelineState.t);
  const visible = x >= -0.0001 && x <= 1.0001;
  const head = document.getElementById('tl-tracks-playhead');
  if (head) {
    const dpr = window.devicePixelRatio || 1;
    const px = Math.round((_tlGeom.laneLeft + x * _tlGeom.laneW) * dpr) / dpr;
    head.style.transform = 'translateX(' + px + 'px)';
    head.hidden = !visible;
  }
  const mark = document.getElementById('tl-ruler-playhead');
  if (mark) {
    mark.style.left = (x * 100) + '%';
    mark.hidden = !visible;
  }
}

function _tlSetView(zoom, scroll) {
  _tlView.zoom = Math.min(20, Math.max(1, zoom));
  _tlView.scroll = _tlView.zoom === 1 ? 0 : _tlClampScroll(scroll, _tlView.zoom);
  renderTimelineTracks();
}

function resetTimelineZoom() {
  _tlSetView(1, 0);
}

function _tlTrackEntry(anim, elId, prop) {
  return anim && anim.tracks && anim.tracks[elId] && Array.isArray(anim.tracks[elId][prop]) ? anim.tracks[elId][prop] : null;
}

function _tlForgetTrackSelections(elId, prop) {
  for (let i = _tlSelectedKfs.length - 1; i >= 0; i--) {
    if (_tlSelectedKfs[i].elId === elId && _tlSelectedKfs[i].prop === prop) _tlSelectedKfs.splice(i, 1);
  }
  _tlSelectedKf = _tlSelectedKfs.length ? _tlSelectedKfs[_tlSelectedKfs.length - 1] : null;
  for (let i = _tlSelectedTracks.length - 1; i >= 0; i--) {
    if (_tlSelectedTracks[i].elId === elId && _tlSelectedTracks[i].prop === prop) _tlSelectedTracks.splice(i, 1);
  }
}

// Draws the records again and writes the playhead's frame over them.
function _tlRedrawCanvas() {
  _tlComputeCanvasHidden();
  renderCanvas();
  _tlReapply();
}

function deleteTrack(elId, prop, anchor) {
  const anim = getActiveAnim();
  if (!_tlTrackEntry(anim, elId, prop)) return;
  _tlConfirm(anchor || null, t('timeline.delTrack') + ': ' + elId + ' · ' + prop + '?', function () {
    if (!_tlTrackEntry(anim, elId, prop)) return;
    saveHistoryState();
    delete anim.tracks[elId][prop];
    if (!Object.keys(anim.tracks[elId]).length) delete anim.tracks[elId];
    delete anim.muted[_tlTrackKey(elId, prop)];
    clearTimelineAppliedProp(elId, prop);
    _tlForgetTrackSelections(elId, prop);
    _tlRedrawCanvas();
    renderTimelineTracks();
    _qlCallIfDefined('_syncValueField');
  });
}

function toggleTrackMute(elId, prop) {
  const anim = getActiveAnim();
  if (!_tlTrackEntry(anim, elId, prop)) return;
  saveHistoryState();
  const key = _tlTrackKey(elId, prop);
  if (anim.muted[key]) delete anim.muted[key];
  else anim.muted[key] = true;
  clearTimelineAppliedProp(elId, prop);
  _tlRedrawCanvas();
  renderTimelineTracks();
}

// Solo is view state: the animation's mute map stays as the user set it, so un-soloing gives it back exactly.
function toggleTrackSolo(elId, prop) {
  const anim = getActiveAnim();
  if (!_tlTrackEntry(anim, elId, prop)) return;
  saveHistoryState();
  if (isTrackSoloed(anim, elId, prop)) clearSoloState(anim);
  else setSoloState(anim, _tlTrackKey(elId, prop), anim.muted);
  _tlForgetApplied(anim);
  _tlRedrawCanvas();
  renderTimelineTracks();
}

function selectTimelineTrack(elId, prop, ctrl) {
  if (ctrl) {
    const at = _tlSelectedTracks.findIndex(function (s) { return s.elId === elId && s.prop === prop; });
    if (at !== -1) _tlSelectedTracks.splice(at, 1);
    else _tlSelectedTracks.push({ elId: elId, prop: prop });
    renderTimelineTracks();
    _qlCallIfDefined('_syncValueField');
    return;
  }
  const selected = Array.isArray(selectedIds) && selectedIds.indexOf(elId) !== -1;
  const narrowed = _tlSelectedTracks.some(function (s) { return s.elId === elId; });
  if (selected && !narrowed) {
    _tlSelectedTracks.length = 0;
    _tlSelectedTracks.push({ elId: elId, prop: prop });
    renderTimelineTracks();
    _qlCallIfDefined('_syncValueField');
    return;
  }
  _tlSelectedTracks.length = 0;
  selectElement(elId);
  _tlReapply();
}

function _tlScrollTrackIntoView(elId, prop) {
  const box = document.getElementById('timeline-tracks');
  const at = _tlRowList.findIndex(function (r) { return r[0] === elId && r[1] === prop; });
  if (!box || at === -1) return;
  const top = at * _TL_ROW_H;
  if (top < box.scrollTop) box.scrollTop = top;
  else if (top + _TL_ROW_H > box.scrollTop + box.clientHeight) box.scrollTop = top + _TL_ROW_H - box.clientHeight;
  _tlDrawVisibleRows();
}

// ---- pointer and wheel ----

function _tlOnTracksPointerDown(e) {
  if (e.button !== 0) return;
  const row = e.target.closest('.tl-row');
  const btn = e.target.closest('.tl-row-btn');
  if (btn && row) {
    e.preventDefault();
    e.stopPropagation();
    const act = btn.getAttribute('data-act');
    if (act === 'mute') toggleTrackMute(row.dataset.el, row.dataset.prop);
    else if (act === 'solo') toggleTrackSolo(row.dataset.el, row.dataset.prop);
    else if (act === 'delete') deleteTrack(row.dataset.el, row.dataset.prop, btn);
    return;
  }
  const kf = e.target.closest('.tl-kf');
  if (kf && row) {
    e.preventDefault();
    _qlCallIfDefined('startKeyframeDrag', e, row.dataset.el, row.dataset.prop, parseFloat(kf.getAttribute('data-t')));
    return;
  }
  if (row && e.target.closest('.tl-label')) {
    selectTimelineTrack(row.dataset.el, row.dataset.prop, e.ctrlKey || e.metaKey);
    return;
  }
  if (e.target.closest('.tl-lane') || e.target === e.currentTarget || e.target.closest('.tl-empty')) {
    e.preventDefault();
    _qlCallIfDefined('_tlStartLanePress', e, row);
  }
}

function _tlOnTracksWheel(e) {
  const ctrl = e.ctrlKey || e.metaKey;
  const delta = e.deltaY || e.deltaX;
  if (ctrl && e.shiftKey) {
    e.preventDefault();
    const r = _tlLaneRect();
    const frac = Math.min(1, Math.max(0, (e.clientX - r.left) / Math.max(1, r.width)));
    const next = _tlZoomAbout(_tlView, frac, delta);
    _tlSetView(next.zoom, next.scroll);
  } else if (e.shiftKey) {
    e.preventDefault();
    const step = (1 / _tlView.zoom) * 0.1 * (delta > 0 ? 1 : -1);
    _tlSetView(_tlView.zoom, _tlView.scroll + step);
  }
}

function _tlOnScrollbarDown(e) {
  const track = document.getElementById('tl-scrollbar-track');
  const thumb = document.getElementById('tl-scrollbar-thumb');
  if (!track || e.button !== 0) return;
  e.preventDefault();
  const r = track.getBoundingClientRect();
  if (e.target === thumb) {
    const startX = e.clientX;
    const start = _tlView.scroll;
    _tlDragPointer(e, function (ev) {
      _tlSetView(_tlView.zoom, start + (ev.clientX - startX) / Math.max(1, r.width));
    });
    return;
  }
  const at = (e.clientX - r.left) / Math.max(1, r.width);
  const page = 1 / _tlView.zoom;
  _tlSetView(_tlView.zoom, _tlView.scroll + (at < _tlView.scroll ? -page : page));
}

var _tlTracksInstalled = false;

function _tlInstallTracks() {
  if (_tlTracksInstalled) return;
  const box = document.getElementById('timeline-tracks');
  if (!box) return;
  _tlTracksInstalled = true;
  box.addEventListener('pointerdown', _tlOnTracksPointerDown);
  box.addEventListener('wheel', _tlOnTracksWheel, { passive: false });
  let pending = 0;
  box.addEventListener('scroll', function () {
    if (pending) return;
    pending = requestAnimationFrame(function () { pending = 0; _tlDrawVisibleRows(); });
  });
  const ruler = document.getElementById('timeline-ruler');
  if (ruler) {
    ruler.addEventListener('pointerdown', function (e) { _qlCallIfDefined('_tlStartRulerDrag', e); });
    ruler.addEventListener('wheel', _tlOnTracksWheel, { passive: false });
  }
  const bar = document.getElementById('tl-scrollbar-track');
  if (bar) bar.addEventListener('pointerdown', _tlOnScrollbarDown);
  window.addEventListener('resize', function () { if (_tlPanelOpen()) renderTimelineTracks(); });
}
