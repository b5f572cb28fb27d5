// Drawing the canvas content: whole, or only the wrappers that changed. After each drawing this file
// keeps what the content was drawn from (every record's drawn fields, the selection and switches each
// wrapper shows, the tree's shape, the theme, the canvas settings and the language). The next drawing
// compares: with the same shape and context only the wrappers of changed records are drawn again, each
// with its subtree, and put in place of the old ones; anything else it cannot vouch for (a changed
// shape, theme, canvas settings or language, a wrapper it cannot find) draws the whole content. Either
// way the content is the same as a whole drawing from the design. Code that changes a wrapper on the
// page outside a render (a drag's live preview) names it with _qlCanvasTouched, so the next render
// draws it again even when its record ends as it was.
// Provides: _qlDrawCanvas, _qlForgetCanvas, _qlCanvasTouched, _qlPatchRenders, _qlCanvasState, _qlLastDraw,
//   _qlTrackedFields, RENDER_EXTRA_FIELDS, DRAWN_TEXT_KEYS
// Needs: _inspectorSolo, _inspectorSoloVisible, _qlLookupOf, _renderElementWrapper, baseProps, buildHtmlTree,
//   canvasSettings, getActiveTheme, I18n, REQUEST_FIELDS, selectedIds, t, TOOLBOX_ITEMS
// Calls: _blobSrcMap, _timelineHiddenIds, hasAnimTracks, timelineState

// false: every drawing is whole (the render benchmark compares the two ways).
var _qlPatchRenders = true;
// What the content was last drawn from; null when unknown (the next drawing is whole).
var _qlCanvasState = null;
// The ids drawn again by the last drawing (each with its subtree), or null when it drew the whole content.
var _qlLastDraw = null;
// Wrappers that something changed on the page outside a drawing (a drag's live preview): drawn again next time.
var _qlTouchedIds = new Set();

// Fields a drawing reads that a record may lack until the inspector or a later part sets them (the base
// fields and the catalogue's defaults of the record's type are tracked anyway); the layout fields are
// read from every parent. A field read by the renderer and in none of these would make a change of it
// go unseen: tests/canvas/patch.test.mjs keeps this list whole.
var RENDER_EXTRA_FIELDS = Object.freeze(['alignContent', 'bgImagePosition', 'bgImageSize', 'chartOrientation', 'className',
  'editorHidden', 'gap', 'iconName', 'isListWrapper', 'items', 'justify', 'layout', 'locked', 'minParentHeightThreshold',
  'minParentWidthThreshold', 'muted', 'noToggle', 'noTransition', 'playsinline', 'posAnim', 'posAnimDuration', 'posAnimTiming',
  'scrollPosX', 'scrollPosY', 'seekTime', 'showXAxis', 'showYAxis', 'tooltip', 'wrap']);

var _qlFieldLists = new Map();

// Every field whose value a drawing of a record of this type may read, in a fixed order; for a type
// the catalogue does not know, the fields of all types.
function _qlTrackedFields(type) {
  const known = TOOLBOX_ITEMS.some(function (item) { return item.type === type; });
  const key = known ? type : '';
  if (_qlFieldLists.has(key)) return _qlFieldLists.get(key);
  const set = new Set(['id', 'parentId', 'type']);
  const add = function (k) { set.add(k); };
  Object.keys(baseProps).forEach(add);
  REQUEST_FIELDS.forEach(add);
  TOOLBOX_ITEMS.forEach(function (item) { if (!known || item.type === type) Object.keys(item.defaultProps || {}).forEach(add); });
  RENDER_EXTRA_FIELDS.forEach(add);
  const list = Array.from(set);
  _qlFieldLists.set(key, list);
  return list;
}

// An object-valued field is kept as its JSON text, so a change inside it (a gradient stop) is seen.
function _QlJson(text) { this.text = text; }

function _qlFieldValues(el, fields) {
  const out = new Array(fields.length);
  for (let i = 0; i < fields.length; i++) {
    const v = el[fields[i]];
    out[i] = v !== null && typeof v === 'object' ? new _QlJson(JSON.stringify(v)) : v;
  }
  return out;
}

function _qlSameValues(el, fields, kept) {
  for (let i = 0; i < fields.length; i++) {
    const v = el[fields[i]];
    const k = kept[i];
    if (v === k) continue;
    if (v !== null && typeof v === 'object' && k instanceof _QlJson && JSON.stringify(v) === k.text) continue;
    if (v !== v && k !== k) continue; // NaN
    return false;
  }
  return true;
}

// What a wrapper shows besides its record: selection, solo, timeline. One short text per element.
function _qlOuterInputs(sel) {
  const single = sel.length === 1 ? sel[0] : null;
  const chosen = new Set(sel);
  const solo = window._inspectorSolo && window._inspectorSoloVisible ? window._inspectorSoloVisible : null;
  const tracks = typeof hasAnimTracks === 'function' ? hasAnimTracks : null;
  const tlHidden = typeof _timelineHiddenIds !== 'undefined' && _timelineHiddenIds && _timelineHiddenIds.has ? _timelineHiddenIds : null;
  return function (id) {
    let s = id === single ? 's' : chosen.has(id) ? 'm' : '-';
    if (solo && solo.has(id)) s += 'v';
    if (tracks && tracks(id)) s += 'a';
    if (tlHidden && tlHidden.has(id)) s += 'h';
    return s;
  };
}

// The translated texts that wrappers show (a language switch, or a locale file arriving, changes them).
var DRAWN_TEXT_KEYS = Object.freeze(['canvas.audioPlayer', 'canvas.dropHere', 'canvas.mediaPlayer', 'list.dragToReorder',
  'list.dropHint', 'selectEmpty', 'sortableNoDrop', 'sortableNoPull', 'toast.renderFailed']);

// What every wrapper depends on: canvas settings (the top level's packing, themes), the active theme,
// the language and its texts, the media map. Any change draws the whole content.
function _qlSharedInputs() {
  const media = typeof _blobSrcMap !== 'undefined' && _blobSrcMap
    ? (_blobSrcMap instanceof Map ? Array.from(_blobSrcMap.keys()).map(function (k) { return k + '=' + String(_blobSrcMap.get(k)).length; })
      : Object.keys(_blobSrcMap).map(function (k) { return k + '=' + String(_blobSrcMap[k]).length; })).join('|') : '';
  return JSON.stringify([canvasSettings, typeof getActiveTheme === 'function' ? getActiveTheme() : null,
    typeof I18n !== 'undefined' && I18n ? I18n.lang : '', DRAWN_TEXT_KEYS.map(function (k) { return t(k, { count: 1 }); }), media]);
}

// The tree's shape in design order; a change of it draws the whole content.
function _qlShapeOf(list) {
  const ids = new Array(list.length);
  const parents = new Array(list.length);
  for (let i = 0; i < list.length; i++) {
    ids[i] = list[i].id;
    parents[i] = (list[i].parentId === undefined ? null : list[i].parentId) + (list[i].isListWrapper ? '\u0001' : '');
  }
  return { ids: ids, parents: parents };
}

function _qlSameShape(a, b) {
  if (a.ids.length !== b.ids.length) return false;
  for (let i = 0; i < a.ids.length; i++) if (a.ids[i] !== b.ids[i] || a.parents[i] !== b.parents[i]) return false;
  return true;
}

// The timeline draws its frames over the canvas while it plays: every drawing then is whole.
function _qlTimelinePlaying() {
  return typeof timelineState !== 'undefined' && !!timelineState && !!timelineState.playing;
}

// Wrappers drawn by every render: one whose collapse depends on its parent's last layout, and one the
// timeline animates (playback and seeking write its frame straight into the drawn wrapper; a render
// draws the record again and the timeline writes its frame back, as after a whole drawing).
function _qlAlwaysDrawn(el) {
  if (el.parentId && (el.minParentWidthThreshold || el.minParentHeightThreshold)) return true;
  return typeof hasAnimTracks === 'function' && !!hasAnimTracks(el.id);
}

function _qlForgetCanvas() {
  _qlCanvasState = null;
  _qlTouchedIds.clear();
}

// Wrappers changed on the page outside a drawing (live previews during a drag): drawn again next time,
// even if their records end as they were.
function _qlCanvasTouched(ids) {
  (ids || []).forEach(function (id) { if (id !== null && id !== undefined) _qlTouchedIds.add(id); });
}

// The outermost of the changed elements: each is drawn again with its whole subtree.
function _qlDirtyRoots(dirty, lookup) {
  const roots = [];
  dirty.forEach(function (id) {
    const seen = new Set([id]);
    for (let p = lookup.get(id) && lookup.get(id).parentId; p !== null && p !== undefined && !seen.has(p); p = lookup.get(p) && lookup.get(p).parentId) {
      if (dirty.has(p)) return;
      seen.add(p);
    }
    roots.push(id);
  });
  return roots;
}

// The ids whose wrappers must be drawn again, or null when the whole content must be.
function _qlChangedIds(state, list, lookup, shared, shape, sel) {
  if (!state || !_qlPatchRenders || lookup.duplicates || _qlTimelinePlaying()) return null;
  if (state.shared !== shared || !_qlSameShape(state.shape, shape)) return null;
  const outer = _qlOuterInputs(sel);
  const dirty = new Set();
  for (let i = 0; i < list.length; i++) {
    const el = list[i];
    const kept = state.records.get(el.id);
    if (!kept || kept.outer !== outer(el.id) || _qlAlwaysDrawn(el) || !_qlSameValues(el, kept.fields, kept.values)) dirty.add(el.id);
  }
  _qlTouchedIds.forEach(function (id) { if (lookup.get(id)) dirty.add(id); });
  // The grips of the one selected element follow its siblings (a right or bottom pin).
  if (sel.length === 1 && dirty.size && !dirty.has(sel[0]) && lookup.get(sel[0])) {
    const parentId = lookup.get(sel[0]).parentId;
    const key = parentId === undefined ? null : parentId;
    if (lookup.children(key).some(function (s) { return dirty.has(s.id); })) dirty.add(sel[0]);
  }
  return dirty;
}

function _qlRemember(list, lookup, shared, shape, sel, only) {
  const outer = _qlOuterInputs(sel);
  const records = only && _qlCanvasState ? _qlCanvasState.records : new Map();
  const keep = function (el) {
    const fields = _qlTrackedFields(el.type);
    records.set(el.id, { fields: fields, values: _qlFieldValues(el, fields), outer: outer(el.id) });
  };
  if (only) only.forEach(function (id) { const el = lookup.get(id); if (el) keep(el); });
  else list.forEach(keep);
  _qlCanvasState = { records: records, shared: shared, shape: shape };
  _qlTouchedIds.clear();
}

// Draws the content of `content` from `list` (the design). Returns the ids drawn again, or null when
// the content was drawn whole.
function _qlDrawCanvas(content, list) {
  const lookup = _qlLookupOf(list);
  const sel = Array.isArray(selectedIds) ? selectedIds.slice() : [];
  const shared = _qlSharedInputs();
  const shape = _qlShapeOf(list);
  const dirty = _qlChangedIds(_qlCanvasState, list, lookup, shared, shape, sel);
  if (dirty) {
    const roots = _qlDirtyRoots(dirty, lookup);
    const nodes = roots.map(function (id) {
      const node = document.getElementById('wrap-' + id);
      return node && content.contains(node) ? node : null;
    });
    if (nodes.every(Boolean)) {
      // Every piece is drawn before any is put in, so all of them measure the same last layout.
      const html = roots.map(function (id) {
        const el = lookup.get(id);
        return _renderElementWrapper(el, lookup.get(el.parentId) || null, lookup);
      });
      nodes.forEach(function (node, i) { node.outerHTML = html[i]; });
      _qlRemember(list, lookup, shared, shape, sel, dirty);
      _qlLastDraw = roots;
      return roots;
    }
  }
  content.innerHTML = buildHtmlTree(null, lookup);
  _qlRemember(list, lookup, shared, shape, sel, null);
  _qlLastDraw = null;
  return null;
}
