// The animations of a design: the page-wide list, the active animation, the playhead state and the
// transient view state of the timeline (solo, canvas view mode, selections, zoom), with the helpers that
// keep tracks in step with element renames, deletions and copies, and the normalisation of loaded
// documents (older documents kept keyframes on the elements).
// Solo is view state: a soloed track silences the others through isTrackMuted without touching the
// animation's own mute map, so saves, undo steps and exports always keep the user's mutes.
// Provides: animations, activeAnimationId, timelineState, _tlSolo, _tlCanvasMode, _timelineHiddenIds, _tlSnap,
//   _tlView, _tlSelectedKfs, _tlSelectedKf, _tlSelectedTracks, _tlClip, _tlDefaultAnimation, getActiveAnim,
//   hasAnimTracks, hasAnimTracksAny, hasTimelineTracksAny, isTrackMuted, _tlUserMuted, _tlTrackKey,
//   isTrackSoloed, getSoloState, setSoloState, clearSoloState, _clearTimelineState, _generateAnimId,
//   _animationNameExists, _propagateIdToTimeline, _deleteElementFromTimeline, _cloneTimelineTracksOnDuplicate,
//   _getAnimTrackKfs, _ensureAnimTrack, _tlNormaliseAnimation, _tlAnimationsFromDocument, _tlUniqueName,
//   _tlInsertKeyframe, _tlSameKf, _tlComputeCanvasHidden
// Needs: _TL_SAME_MOMENT (evaluate.js), _qlCallIfDefined, elements, _deepCopy
// Calls: stopTimeline, renderTimelineTracks, _populateAnimationSelect, _syncTimelineToolbar, _tlPanelOpen,
//   updatePlayheadUI

function _tlDefaultAnimation() {
  return { id: 'anim_1', name: 'Animation 1', duration: 2.0, loop: true, autoRun: true, tracks: {}, muted: {} };
}

var animations = [_tlDefaultAnimation()];
var activeAnimationId = 'anim_1';
// The label column width is kept here while the editor runs.
var timelineState = { playing: false, t: 0, paused: false, labelWidth: 180 };

// Transient view state, never saved.
var _tlSolo = {};
var _tlCanvasMode = null;
var _timelineHiddenIds = new Set();
var _tlSnap = true;
var _tlView = { zoom: 1, scroll: 0 };
var _tlSelectedKfs = [];
var _tlSelectedKf = null;
var _tlSelectedTracks = [];
var _tlClip = [];

function getActiveAnim() {
  if (!Array.isArray(animations) || !animations.length) return null;
  return animations.find(function (a) { return a && a.id === activeAnimationId; }) || animations[0] || null;
}

function _tlIdOf(elOrId) {
  return elOrId && typeof elOrId === 'object' ? elOrId.id : elOrId;
}

// The renderer asks with an id, the Parts' callers with a record: both are accepted.
function hasAnimTracks(elOrId) {
  const anim = getActiveAnim();
  const id = _tlIdOf(elOrId);
  const tracks = anim && anim.tracks && anim.tracks[id];
  return !!(tracks && typeof tracks === 'object' && Object.keys(tracks).length);
}

function hasAnimTracksAny() {
  const anim = getActiveAnim();
  if (!anim || !anim.tracks) return false;
  return Object.keys(anim.tracks).some(function (id) {
    const t = anim.tracks[id];
    return t && typeof t === 'object' && Object.keys(t).length > 0;
  });
}

function hasTimelineTracksAny() {
  return hasAnimTracksAny();
}

function _tlTrackKey(elId, prop) {
  return elId + '::' + prop;
}

// The user's own mute flag of a track.
function _tlUserMuted(anim, elId, prop) {
  return !!(anim && anim.muted && anim.muted[_tlTrackKey(elId, prop)] === true);
}

// Muted for playback: the user's flag, or another track of the animation is soloed.
function isTrackMuted(anim, elId, prop) {
  if (!anim) return false;
  if (_tlUserMuted(anim, elId, prop)) return true;
  const solo = _tlSolo[anim.id];
  return !!(solo && solo.key !== _tlTrackKey(elId, prop));
}

function isTrackSoloed(anim, elId, prop) {
  const solo = anim && _tlSolo[anim.id];
  return !!(solo && solo.key === _tlTrackKey(elId, prop));
}

function getSoloState(anim) {
  return anim && _tlSolo[anim.id] ? _tlSolo[anim.id] : null;
}

// One soloed track per animation; prevMuted is a copy of the mute map when solo began.
function setSoloState(anim, key, prevMuted) {
  if (!anim) return;
  _tlSolo[anim.id] = { key: key, prevMuted: prevMuted ? Object.assign({}, prevMuted) : Object.assign({}, anim.muted || {}) };
}

function clearSoloState(anim) {
  if (anim) delete _tlSolo[anim.id];
}

function _generateAnimId() {
  const used = new Set((animations || []).map(function (a) { return a && a.id; }));
  let n = 1;
  while (used.has('anim_' + n)) n++;
  return 'anim_' + n;
}

function _tlNameKey(name) {
  return String(name === undefined || name === null ? '' : name).trim().toLowerCase();
}

function _animationNameExists(name, exceptId) {
  const key = _tlNameKey(name);
  return (animations || []).some(function (a) { return a && a.id !== exceptId && _tlNameKey(a.name) === key; });
}

// `base`, or `base` followed by the first free number, among the names in `taken` (a set of name keys).
function _tlUniqueName(base, taken) {
  let name = String(base).trim() || 'Animation 1';
  if (!taken.has(_tlNameKey(name))) return name;
  const stem = name.replace(/\s+\d+$/, '') || name;
  for (let n = 2; ; n++) {
    const candidate = stem + ' ' + n;
    if (!taken.has(_tlNameKey(candidate))) return candidate;
  }
}

function _tlRerenderIfOpen() {
  if (_qlCallIfDefined('_tlPanelOpen')) {
    _qlCallIfDefined('_populateAnimationSelect');
    _qlCallIfDefined('_syncTimelineToolbar');
    _qlCallIfDefined('renderTimelineTracks');
  }
}

function _tlClearSelections() {
  _tlSelectedKfs.length = 0;
  _tlSelectedKf = null;
  _tlSelectedTracks.length = 0;
}

function _clearTimelineState() {
  _qlCallIfDefined('stopTimeline');
  animations = [_tlDefaultAnimation()];
  activeAnimationId = 'anim_1';
  timelineState.playing = false;
  timelineState.t = 0;
  timelineState.paused = false;
  Object.keys(_tlSolo).forEach(function (k) { delete _tlSolo[k]; });
  _tlCanvasMode = null;
  _timelineHiddenIds.clear();
  _tlClearSelections();
  _tlView.zoom = 1;
  _tlView.scroll = 0;
  _tlRerenderIfOpen();
  _qlCallIfDefined('updatePlayheadUI');
}

function _getAnimTrackKfs(anim, elId, prop) {
  const tracks = anim && anim.tracks && anim.tracks[elId];
  const kfs = tracks && tracks[prop];
  return Array.isArray(kfs) ? kfs : null;
}

function _ensureAnimTrack(anim, elId, prop) {
  if (!anim.tracks[elId] || typeof anim.tracks[elId] !== 'object') anim.tracks[elId] = {};
  if (!Array.isArray(anim.tracks[elId][prop])) anim.tracks[elId][prop] = [];
  return anim.tracks[elId][prop];
}

function _tlSameKf(a, b) {
  return Math.abs(a - b) < 0.000001;
}

// Puts a keyframe into a sorted track: one within the same moment takes the value (and, when `ease` is
// given, the easing); otherwise a new keyframe is inserted in order. Returns the keyframe written.
function _tlInsertKeyframe(kfs, t, v, ease) {
  const near = kfs.find(function (k) { return Math.abs(k.t - t) < _TL_SAME_MOMENT; });
  if (near) {
    near.v = v;
    if (ease !== undefined) near.ease = ease;
    return near;
  }
  const kf = { t: t, v: v, ease: ease === undefined ? 'linear' : ease };
  let at = kfs.length;
  while (at > 0 && kfs[at - 1].t > t) at--;
  kfs.splice(at, 0, kf);
  return kf;
}

function _tlMoveKeys(map, oldId, newId) {
  if (!map) return;
  const prefix = oldId + '::';
  Object.keys(map).forEach(function (key) {
    if (key.indexOf(prefix) !== 0) return;
    map[newId + '::' + key.slice(prefix.length)] = map[key];
    delete map[key];
  });
}

// A renamed element keeps its tracks, its mutes and its solo in every animation.
function _propagateIdToTimeline(oldId, newId) {
  if (oldId === newId) return;
  (animations || []).forEach(function (anim) {
    if (anim.tracks && anim.tracks[oldId]) {
      anim.tracks[newId] = anim.tracks[oldId];
      delete anim.tracks[oldId];
    }
    _tlMoveKeys(anim.muted, oldId, newId);
    const solo = _tlSolo[anim.id];
    if (solo && solo.key.indexOf(oldId + '::') === 0) solo.key = newId + '::' + solo.key.slice(oldId.length + 2);
  });
  _tlSelectedKfs.forEach(function (s) { if (s.elId === oldId) s.elId = newId; });
  _tlSelectedTracks.forEach(function (s) { if (s.elId === oldId) s.elId = newId; });
  _tlRerenderIfOpen();
}

function _tlAnimHasKeyframe(anim) {
  return Object.keys(anim.tracks || {}).some(function (id) {
    const tr = anim.tracks[id];
    return tr && Object.keys(tr).some(function (p) { return Array.isArray(tr[p]) && tr[p].length > 0; });
  });
}

// Deleted elements lose their tracks everywhere. An animation that this emptied goes too (never the last
// one); animations that were empty before, such as one just created, stay.
function _deleteElementFromTimeline(ids) {
  const gone = new Set((Array.isArray(ids) ? ids : [ids]).map(String));
  const emptied = new Set();
  (animations || []).forEach(function (anim) {
    let removed = false;
    gone.forEach(function (id) {
      if (anim.tracks && anim.tracks[id]) {
        delete anim.tracks[id];
        removed = true;
      }
      Object.keys(anim.muted || {}).forEach(function (k) { if (k.indexOf(id + '::') === 0) delete anim.muted[k]; });
      const solo = _tlSolo[anim.id];
      if (solo && solo.key.indexOf(id + '::') === 0) delete _tlSolo[anim.id];
    });
    if (removed && !_tlAnimHasKeyframe(anim)) emptied.add(anim);
  });
  for (let i = animations.length - 1; i >= 0 && animations.length > 1; i--) {
    if (emptied.has(animations[i])) animations.splice(i, 1);
  }
  if (!animations.some(function (a) { return a.id === activeAnimationId; })) activeAnimationId = animations[0].id;
  for (let i = _tlSelectedKfs.length - 1; i >= 0; i--) if (gone.has(_tlSelectedKfs[i].elId)) _tlSelectedKfs.splice(i, 1);
  _tlSelectedKf = _tlSelectedKfs.length ? _tlSelectedKfs[_tlSelectedKfs.length - 1] : null;
  for (let i = _tlSelectedTracks.length - 1; i >= 0; i--) if (gone.has(_tlSelectedTracks[i].elId)) _tlSelectedTracks.splice(i, 1);
  _tlRerenderIfOpen();
}

// Pasted or duplicated elements (idMap: source id -> copy id) get copies of the sources' tracks and mutes.
function _cloneTimelineTracksOnDuplicate(idMap) {
  const map = idMap instanceof Map ? Object.fromEntries(idMap) : (idMap || {});
  let copied = false;
  (animations || []).forEach(function (anim) {
    Object.keys(map).forEach(function (src) {
      const dst = map[src];
      if (anim.tracks && anim.tracks[src]) {
        anim.tracks[dst] = _deepCopy(anim.tracks[src]);
        copied = true;
      }
      Object.keys(anim.muted || {}).forEach(function (key) {
        if (key.indexOf(src + '::') === 0) anim.muted[dst + '::' + key.slice(src.length + 2)] = anim.muted[key];
      });
    });
  });
  if (copied) _tlRerenderIfOpen();
}

// ---- the canvas view modes ----

// "solo": every element neither animated by the active animation nor an ancestor or descendant of one is
// hidden; "mute": every animated element is hidden.
function _tlComputeCanvasHidden() {
  _timelineHiddenIds.clear();
  if (!_tlCanvasMode) return _timelineHiddenIds;
  const anim = getActiveAnim();
  const list = Array.isArray(elements) ? elements : [];
  const animated = new Set(list.filter(function (e) { return hasAnimTracks(e.id); }).map(function (e) { return e.id; }));
  if (_tlCanvasMode === 'mute') {
    animated.forEach(function (id) { _timelineHiddenIds.add(id); });
    return _timelineHiddenIds;
  }
  if (!anim) return _timelineHiddenIds;
  const byId = new Map(list.map(function (e) { return [e.id, e]; }));
  const keep = new Set(animated);
  animated.forEach(function (id) {
    const seen = new Set();
    for (let p = byId.get(id) && byId.get(id).parentId; p && !seen.has(p); p = byId.get(p) && byId.get(p).parentId) {
      seen.add(p);
      keep.add(p);
    }
  });
  list.forEach(function (e) {
    const seen = new Set();
    for (let p = e.parentId; p && !seen.has(p); p = byId.get(p) && byId.get(p).parentId) {
      seen.add(p);
      if (animated.has(p)) { keep.add(e.id); break; }
    }
  });
  list.forEach(function (e) { if (!keep.has(e.id)) _timelineHiddenIds.add(e.id); });
  return _timelineHiddenIds;
}

// ---- loading ----

function _tlIsPlainObject(v) {
  return !!v && typeof v === 'object' && !Array.isArray(v);
}

// A track as the timeline can use it: keyframe objects with a time within 0..1, sorted, each with an
// easing; anything else in the array is dropped.
function _tlNormaliseTrack(list) {
  if (!Array.isArray(list)) return null;
  const out = [];
  list.forEach(function (k) {
    if (!_tlIsPlainObject(k)) return;
    const t = typeof k.t === 'number' ? k.t : parseFloat(k.t);
    if (!Number.isFinite(t)) return;
    out.push({ t: Math.min(1, Math.max(0, t)), v: k.v, ease: typeof k.ease === 'string' && k.ease ? k.ease : 'linear' });
  });
  out.sort(function (a, b) { return a.t - b.t; });
  return out;
}

function _tlNormaliseTracks(tracks) {
  const out = {};
  if (!_tlIsPlainObject(tracks)) return out;
  Object.keys(tracks).forEach(function (id) {
    if (!_tlIsPlainObject(tracks[id])) return;
    const props = {};
    Object.keys(tracks[id]).forEach(function (prop) {
      const kfs = _tlNormaliseTrack(tracks[id][prop]);
      if (kfs) props[prop] = kfs;
    });
    out[id] = props;
  });
  return out;
}

function _tlNormaliseAnimation(a) {
  const r = _tlIsPlainObject(a) ? a : {};
  const muted = {};
  if (_tlIsPlainObject(r.muted)) Object.keys(r.muted).forEach(function (k) { if (r.muted[k] === true) muted[k] = true; });
  return {
    id: typeof r.id === 'string' && r.id ? r.id : '',
    name: typeof r.name === 'string' && r.name.trim() ? r.name : 'Animation 1',
    duration: typeof r.duration === 'number' && Number.isFinite(r.duration) && r.duration > 0 ? r.duration : 2.0,
    loop: typeof r.loop === 'boolean' ? r.loop : true,
    autoRun: typeof r.autoRun === 'boolean' ? r.autoRun : true,
    tracks: _tlNormaliseTracks(r.tracks),
    muted: muted,
  };
}

// Ids and names unique (names trimmed, without case): a missing or repeated id takes "anim_" + the smallest
// free number, a repeated name the first free numbered form. Other ids that documents hold are kept.
function _tlMakeUnique(list) {
  const ids = new Set();
  const names = new Set();
  const needId = [];
  list.forEach(function (a) {
    if (a.id && !ids.has(a.id)) ids.add(a.id);
    else needId.push(a);
  });
  needId.forEach(function (a) {
    let n = 1;
    while (ids.has('anim_' + n)) n++;
    a.id = 'anim_' + n;
    ids.add(a.id);
  });
  list.forEach(function (a) {
    a.name = _tlUniqueName(a.name, names);
    names.add(_tlNameKey(a.name));
  });
  return list;
}

// {animations, activeAnimationId} of a parsed document. Older documents (per-element `keyframes`, or
// `timelineSettings`) become one animation; their elements' keyframes are emptied (in `list`).
function _tlAnimationsFromDocument(doc, list) {
  const els = Array.isArray(list) ? list : [];
  let result;
  if (Array.isArray(doc.animations) && doc.animations.length) {
    result = _tlMakeUnique(doc.animations.map(_tlNormaliseAnimation));
  } else {
    const withKeys = els.filter(function (el) { return _tlIsPlainObject(el && el.keyframes) && Object.keys(el.keyframes).length; });
    if (!doc.timelineSettings && !withKeys.length) {
      result = [_tlDefaultAnimation()];
    } else {
      const tracks = {};
      withKeys.forEach(function (el) {
        Object.keys(el.keyframes).forEach(function (prop) {
          const kfs = _tlNormaliseTrack(el.keyframes[prop]);
          if (!kfs || !kfs.length) return;
          (tracks[el.id] = tracks[el.id] || {})[prop] = kfs;
        });
      });
      els.forEach(function (el) { if (el && el.keyframes !== undefined) el.keyframes = {}; });
      const ts = _tlIsPlainObject(doc.timelineSettings) ? doc.timelineSettings : {};
      result = [_tlNormaliseAnimation({ id: 'anim_1', name: 'Animation 1', duration: ts.duration, loop: ts.loop, autoRun: true, tracks: tracks })];
    }
  }
  const active = result.some(function (a) { return a.id === doc.activeAnimationId; }) ? doc.activeAnimationId : result[0].id;
  return { animations: result, activeAnimationId: active };
}
