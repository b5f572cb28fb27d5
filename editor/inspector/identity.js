// The identity of the selected element: renaming its id (with every reference to it), copying the id,
// the linked-instance group, and the group name of radios, toggle buttons and accordions.
// Element ids become constant names and string literals of generated code, DOM ids ("wrap-" + id) and
// CSS selectors, so they follow the same rule as group names: a letter or "_", then letters, digits or
// "_".
// Provides: INSPECTOR_NAME_RE, suggestName, renameElementId, copyElementId, setLinked, applyGroupName
// Needs: _childrenOf, _findElement, _qlCallIfDefined, _subtreePreorder, activePageModeId, elements,
//   saveHistoryState, selectedIds, selectElement, showToast, t
// Calls: _propagateIdToFlow, _propagateIdToTimeline, renderCanvas, renderProperties

var INSPECTOR_NAME_RE = /^[A-Za-z_][A-Za-z0-9_]*$/;

// "my group" -> "my_group", "2col" -> "_2col"; '' when nothing usable is left.
function suggestName(text) {
  let s = String(text ?? '').trim().replace(/[^A-Za-z0-9_]/g, '_').replace(/_+/g, '_');
  if (!s || s === '_') return '';
  if (!/^[A-Za-z_]/.test(s)) s = '_' + s;
  return s;
}

// Element properties that hold another element's id.
var _INSP_ID_REFS = ['windowMaximizeId', 'windowMinimizeId', 'windowCloseId'];

function _inspRewriteReferences(oldId, newId) {
  elements.forEach(function (el) {
    if (el.parentId === oldId) el.parentId = newId;
    if (el.href === '#' + oldId) el.href = '#' + newId;
    _INSP_ID_REFS.forEach(function (prop) { if (el[prop] === oldId) el[prop] = newId; });
  });
  if (activePageModeId === oldId) activePageModeId = newId;
}

function renameElementId(typed) {
  const field = document.getElementById('input-element-id');
  if (selectedIds.length !== 1) return;
  const el = _findElement(selectedIds[0]);
  if (!el) return;
  const oldId = el.id;
  const restore = function () { if (field) field.value = oldId; };
  const newId = String(typed ?? '').trim().replace(/\s+/g, '_');
  if (!newId) { showToast(t('toast.idEmpty'), 'error'); restore(); return; }
  if (newId === oldId) { restore(); return; }
  if (!INSPECTOR_NAME_RE.test(newId)) {
    showToast(t('toast.idInvalid'), 'error');
    const suggestion = suggestName(newId);
    if (suggestion && !_findElement(suggestion)) showToast(t('toast.nameSuggestion', { suggestion: suggestion }), 'info');
    restore();
    return;
  }
  if (_findElement(newId)) { showToast(t('toast.idExists'), 'error'); restore(); return; }
  saveHistoryState();
  el.id = newId;
  _inspRewriteReferences(oldId, newId);
  _qlCallIfDefined('_propagateIdToFlow', oldId, newId);
  _qlCallIfDefined('_propagateIdToTimeline', oldId, newId);
  selectElement(newId);
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
  showToast(t('toast.idUpdated'), 'success');
}

// Copies through a hidden text area (the web view's clipboard API may be unavailable).
function copyElementId() {
  if (selectedIds.length !== 1) return;
  const id = selectedIds[0];
  const area = document.createElement('textarea');
  area.value = id;
  area.setAttribute('readonly', '');
  area.style.position = 'fixed';
  area.style.opacity = '0';
  document.body.appendChild(area);
  area.select();
  try { document.execCommand('copy'); } catch (e) { /* nothing to copy with: the toast still names it */ }
  area.remove();
  const field = document.getElementById('input-element-id');
  if (field) {
    field.classList.add('ql-insp-flash');
    setTimeout(function () { field.classList.remove('ql-insp-flash'); }, 1000);
  }
  showToast(t('toast.idCopied'), 'success');
}

function _inspNewGroupId() {
  let s = '';
  while (s.length < 9) s += Math.random().toString(36).slice(2);
  return 'lg_' + s.slice(0, 9);
}

// Checking links the element and its whole subtree as one instance (node ids in depth-first order);
// unchecking releases the element and the descendants that share its group.
function setLinked(checked) {
  if (selectedIds.length !== 1) return;
  const el = _findElement(selectedIds[0]);
  if (!el) return;
  saveHistoryState();
  if (checked) {
    const group = _inspNewGroupId();
    _subtreePreorder(el.id).forEach(function (node, i) {
      node.linkGroupId = group;
      node.linkNodeId = 'ln_' + i;
    });
  } else {
    const group = el.linkGroupId;
    const release = function (node) {
      delete node.linkGroupId;
      delete node.linkNodeId;
      _childrenOf(node.id).forEach(function (child) {
        if (group && child.linkGroupId === group) release(child);
      });
    };
    release(el);
    showToast(t('toast.unlinked'), 'info', 2500);
  }
  _qlCallIfDefined('renderProperties');
  _qlCallIfDefined('renderCanvas');
}

// The group name, validated against the first selected element and stored on it only.
function applyGroupName(typed) {
  const field = document.getElementById('input-name');
  const el = _findElement(selectedIds[0]);
  if (!el) return;
  const current = el.name || '';
  const fail = function (key) { showToast(t(key), 'error'); if (field) field.value = current; };
  const name = String(typed ?? '').trim();
  if (!name && el.type !== 'accordion') { fail('toast.nameEmpty'); return; }
  if (name && !INSPECTOR_NAME_RE.test(name)) {
    fail('toast.nameInvalid');
    const suggestion = suggestName(name);
    if (suggestion) showToast(t('toast.nameSuggestion', { suggestion: suggestion }), 'info');
    return;
  }
  if (name && el.type !== 'accordion' &&
      elements.some(function (other) { return other !== el && other.name === name; })) {
    fail('toast.nameExists');
    return;
  }
  if (name === current) return;
  saveHistoryState();
  el.name = name;
  _qlCallIfDefined('renderCanvas');
  showToast(t('toast.nameUpdated'), 'success');
}
