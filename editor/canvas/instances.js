// What runs around every canvas render: linked-instance reconciliation, float centring, and the
// inspector header's switches (solo, lock, pass-through, snapping).
// Provides: syncLinkedInstances, setElementProp, LINK_OWN_FIELDS, LINK_ROOT_OWN_FIELDS, applyFloatCentering,
//   _isAnimatablePropVisibleForType, _computeSoloSet, toggleInspectorSolo, _refreshInspectorSolo,
//   toggleInspectorLock, toggleInspectorPass, _styleHeaderButton, _inspectorSolo, _inspectorSoloVisible
// Needs: _childrenIndex, _collectBreadthFirst, _deepCopy, _findElement, _qlCallIfDefined, elements, getAnimEntry,
//   selectedIds
// Calls: _setDirty, renderCanvas, renderComponentTree, renderProperties
// The snapping switch and step live with the snapping itself (editor/interaction/snap.js).

var _inspectorSolo = false;
var _inspectorSoloVisible = null;

function setElementProp(el, prop, value) {
  if (el) el[prop] = value;
}

// Fields an instance never takes from its master: its identity in the tree and the document.
var LINK_OWN_FIELDS = Object.freeze(['id', 'parentId', 'linkNodeId', 'pageMode', 'pageId', 'isTitlebar']);
// Fields an instance's root keeps as well: where the instance is placed. Copying them would put every
// instance on top of the master (a duplicated floating instance would jump back onto its source).
var LINK_ROOT_OWN_FIELDS = Object.freeze(['floating', 'floatTop', 'floatRight', 'floatBottom', 'floatLeft', 'floatZ',
  'floatCenter', 'marginTop', 'marginRight', 'marginBottom', 'marginLeft', 'editorHidden']);

// The instance last selected is the master: its group's other instances take its properties.
function syncLinkedInstances() {
  if (!selectedIds || !selectedIds.length) return;
  const sel = _findElement(selectedIds[0]);
  if (!sel || !sel.linkGroupId) return;
  const group = sel.linkGroupId;
  const byId = new Map(elements.map(function (e) { return [e.id, e]; }));
  const index = _childrenIndex();
  const inGroup = function (e) { return !!e && e.linkGroupId === group; };
  let masterRoot = sel;
  const seen = new Set([sel.id]);
  while (inGroup(byId.get(masterRoot.parentId)) && !seen.has(masterRoot.parentId)) {
    masterRoot = byId.get(masterRoot.parentId);
    seen.add(masterRoot.id);
  }
  const walk = function (root, visit) {
    const done = new Set();
    (function step(node) {
      if (done.has(node.id)) return;
      done.add(node.id);
      visit(node);
      (index.get(node.id) || []).forEach(function (c) { if (inGroup(c)) step(c); });
    })(root);
  };
  const master = new Map();
  walk(masterRoot, function (n) { if (n.linkNodeId) master.set(n.linkNodeId, n); });
  const masterIds = new Set();
  master.forEach(function (n) { masterIds.add(n.id); });
  elements.forEach(function (peer) {
    if (!inGroup(peer) || !peer.linkNodeId || masterIds.has(peer.id) || inGroup(byId.get(peer.parentId))) return;
    walk(peer, function (node) {
      const src = master.get(node.linkNodeId);
      if (!src || src === node) return;
      const isRoot = node === peer;
      Object.keys(src).forEach(function (k) {
        if (LINK_OWN_FIELDS.indexOf(k) !== -1) return;
        if (isRoot && LINK_ROOT_OWN_FIELDS.indexOf(k) !== -1) return;
        const v = src[k];
        node[k] = v !== null && typeof v === 'object' ? _deepCopy(v) : v;
      });
    });
  });
}

// Keeps floating elements with floatCenter centred in their positioned parent (else the canvas).
function applyFloatCentering() {
  elements.forEach(function (el) {
    if (!el.floating || !el.floatCenter) return;
    const w = document.getElementById('wrap-' + el.id);
    if (!w) return;
    const ref = w.offsetParent || document.getElementById('canvas');
    if (!ref) return;
    const W = ref.clientWidth;
    const H = ref.clientHeight;
    const ww = w.offsetWidth;
    const wh = w.offsetHeight;
    if (!W || !H || !ww || !wh) return;
    el.floatTop = Math.round((H - wh) / 2) + 'px';
    el.floatLeft = Math.round((W - ww) / 2) + 'px';
    w.style.top = el.floatTop;
    w.style.left = el.floatLeft;
  });
}

function _isAnimatablePropVisibleForType(prop, type, el) {
  try {
    const entry = typeof getAnimEntry === 'function' ? getAnimEntry(prop) : null;
    if (!entry || typeof entry.visible !== 'function') return false;
    return !!entry.visible(type, el);
  } catch (e) {
    return false;
  }
}

// ---- solo, lock, pass-through, snapping ----

var _SOLO_STYLE = '#canvas-content.solo-active .element-wrapper{visibility:hidden;pointer-events:none}' +
  '#canvas-content.solo-active .element-wrapper.solo-visible{visibility:visible;pointer-events:auto}';

function _ensureSoloStyle() {
  if (document.getElementById('inspector-solo-style')) return;
  const style = document.createElement('style');
  style.id = 'inspector-solo-style';
  style.textContent = _SOLO_STYLE;
  document.head.appendChild(style);
}

// The selected ids and all their descendants; null with nothing selected (then nothing is hidden).
function _computeSoloSet() {
  if (!selectedIds || !selectedIds.length) {
    window._inspectorSoloVisible = null;
    return null;
  }
  window._inspectorSoloVisible = new Set(_collectBreadthFirst(selectedIds.slice()).map(function (e) { return typeof e === 'string' ? e : e.id; }));
  return window._inspectorSoloVisible;
}

function _styleHeaderButton(id, on) {
  const b = document.getElementById(id);
  if (!b) return;
  b.style.background = on ? '#f97316' : '';
  b.style.color = on ? '#ffffff' : '';
  b.setAttribute('aria-pressed', on ? 'true' : 'false');
}

function toggleInspectorSolo() {
  window._inspectorSolo = !window._inspectorSolo;
  _ensureSoloStyle();
  _styleHeaderButton('btn-inspector-solo', window._inspectorSolo);
  const content = document.getElementById('canvas-content');
  if (!window._inspectorSolo) {
    window._inspectorSoloVisible = null;
    if (content) content.classList.remove('solo-active');
  }
  renderCanvas();
}

function _refreshInspectorSolo() {
  if (!window._inspectorSolo) return;
  const set = _computeSoloSet();
  const content = document.getElementById('canvas-content');
  if (!content) return;
  content.classList.toggle('solo-active', set !== null);
  content.querySelectorAll('.element-wrapper').forEach(function (w) {
    w.classList.toggle('solo-visible', !!set && set.has(w.id.slice(5)));
  });
}

function _toggleSelectedFlag(flag, alsoTree) {
  if (!selectedIds || selectedIds.length !== 1) return;
  const el = _findElement(selectedIds[0]);
  if (!el) return;
  el[flag] = !el[flag];
  // Saved with the project but not an undo step: mark the project changed.
  _qlCallIfDefined('_setDirty');
  renderCanvas();
  _qlCallIfDefined('renderProperties');
  if (alsoTree) _qlCallIfDefined('renderComponentTree');
}

function toggleInspectorLock() { _toggleSelectedFlag('locked', true); }
function toggleInspectorPass() { _toggleSelectedFlag('passEvents', false); }

