// Custom components: a selected element with everything inside it kept as a reusable component of the
// editor (not of a project), listed in the toolbox's "My Components", inserted as fresh copies, and
// moved between installations as a ".quicomp" file through the host's dialogs (or the browser's).
// The collection lives in local storage under "quorlin_custom_components"; a change that cannot be
// stored is undone and said, never reported as saved. Imported files are checked component by
// component: a damaged one is skipped and counted, never stored.
// Provides: promptSaveComponent, confirmSaveComponent, closeSaveComponentModal, promptDeleteComponent,
//   confirmDeleteComponent, exportComponents, importComponents, handleImportFileSelect, _onImportComponents,
//   processImportData, createCustomComponent, componentToDelete, _qlValidComponent, _qlStoreComponents,
//   _QL_COMPONENTS_KEY
// Needs: _canvasFocusRestore, _childrenIndex, _deepCopy, _findElement, _qlCallIfDefined, _qlConfirmProject,
//   _qlDownloadText, _qlHasHost, _qlHideConfirm, _qlPickLocalFile, _qlSendToHost, customComponents, elements,
//   generateId,
//   insertElementInArray, saveHistoryState, selectedIds, selectElement, showToast, t, TOOLBOX_ITEMS
// Calls: renderCanvas, renderComponentTree, renderProperties, renderToolbox

var _QL_COMPONENTS_KEY = 'quorlin_custom_components';
var componentToDelete = null;

// A component as the toolbox and insert can use it: a name, and records with unique ids of known types,
// exactly one root (parentId null) first, every other record's parent among them.
function _qlValidComponent(c) {
  if (!c || typeof c !== 'object' || typeof c.name !== 'string' || !c.name.trim()) return false;
  const list = c.elements;
  if (!Array.isArray(list) || !list.length) return false;
  const types = new Set(TOOLBOX_ITEMS.map((item) => item.type));
  const ids = new Set();
  for (const el of list) {
    if (!el || typeof el !== 'object' || typeof el.id !== 'string' || !el.id || ids.has(el.id) || !types.has(el.type)) return false;
    ids.add(el.id);
  }
  if (list[0].parentId !== null) return false;
  return list.slice(1).every((el) => el.parentId !== null && ids.has(el.parentId) && el.parentId !== el.id);
}

function _qlComponentId() {
  return 'comp_' + Math.random().toString(36).slice(2, 11).padEnd(9, '0');
}

// Stores the collection; false (nothing changed in storage) when local storage refuses it.
function _qlStoreComponents(list) {
  try {
    localStorage.setItem(_QL_COMPONENTS_KEY, JSON.stringify(list));
    return true;
  } catch (e) {
    console.error('[components] not stored:', e);
    return false;
  }
}

// The stored collection at start-up; damaged entries are left out (and stay out at the next store).
function _qlLoadStoredComponents() {
  let list = [];
  try {
    const parsed = JSON.parse(localStorage.getItem(_QL_COMPONENTS_KEY) || '[]');
    if (Array.isArray(parsed)) list = parsed;
  } catch (e) {
    console.warn('[components] the stored collection is damaged:', e);
  }
  const valid = list.filter(_qlValidComponent);
  if (valid.length !== list.length) console.warn('[components] left out ' + (list.length - valid.length) + ' damaged component(s)');
  customComponents = valid;
}

// Replaces the collection by `next` when it can be stored; says why not otherwise.
function _qlCommitComponents(next, failureKey) {
  if (!_qlStoreComponents(next)) {
    showToast(t(failureKey), 'error', 5000);
    return false;
  }
  customComponents = next;
  _qlCallIfDefined('renderToolbox');
  return true;
}

function promptSaveComponent() {
  if (selectedIds.length !== 1 || !_findElement(selectedIds[0])) {
    showToast(t('toast.componentSaveSelectOne'), 'warning', 3000);
    return;
  }
  _qlConfirmProject('save-component-modal',
    { title: 'modal.saveComponent.title', body: 'modal.saveComponent.body', confirm: 'modal.saveComponent.confirm' },
    confirmSaveComponent, { input: '', inputId: 'input-component-name', keepOpen: true });
}

function closeSaveComponentModal() {
  _qlHideConfirm('save-component-modal');
}

// The root, then its descendants: its children in `elements` order, then each child's in turn.
function _qlComponentRecords(root) {
  const index = _childrenIndex();
  const out = [root];
  const walk = (id) => {
    const children = index.get(id) || [];
    out.push(...children);
    children.forEach((child) => walk(child.id));
  };
  walk(root.id);
  return out;
}

function confirmSaveComponent(typedName) {
  const input = document.getElementById('input-component-name');
  const name = String(typedName !== undefined ? typedName : (input ? input.value : '')).trim();
  if (!name) {
    showToast(t('toast.componentNameRequired'), 'error', 3000);
    return false;
  }
  const root = selectedIds.length === 1 ? _findElement(selectedIds[0]) : null;
  if (!root) {
    closeSaveComponentModal();
    showToast(t('toast.componentSaveSelectOne'), 'warning', 3000);
    return false;
  }
  const records = _deepCopy(_qlComponentRecords(root));
  records[0].parentId = null;
  const component = { id: _qlComponentId(), name, elements: records };
  if (!_qlCommitComponents(customComponents.concat([component]), 'toast.componentSaveFailed')) return false;
  closeSaveComponentModal();
  showToast(t('toast.componentSaved'), 'success', 3000);
  return true;
}

function promptDeleteComponent(compId, event) {
  if (event && typeof event.stopPropagation === 'function') event.stopPropagation();
  const component = customComponents.find((c) => c.id === compId);
  if (!component) return;
  componentToDelete = compId;
  _qlConfirmProject('delete-component-modal',
    { title: 'modal.deleteComponent.title', body: 'modal.deleteComponent.body', confirm: 'modal.deleteComponent.confirm' },
    confirmDeleteComponent, { danger: true, vars: { name: component.name } });
}

function confirmDeleteComponent() {
  const id = componentToDelete;
  componentToDelete = null;
  _qlHideConfirm('delete-component-modal');
  if (!customComponents.some((c) => c.id === id)) return false;
  if (!_qlCommitComponents(customComponents.filter((c) => c.id !== id), 'toast.componentDeleteFailed')) return false;
  showToast(t('toast.componentDeleted'), 'success', 3000);
  return true;
}

function exportComponents() {
  if (!customComponents.length) {
    showToast(t('toast.exportEmpty'), 'warning', 3000);
    return;
  }
  const text = JSON.stringify({ version: 1, components: customComponents });
  if (_qlHasHost()) {
    _qlSendToHost('export_components', text);
    return;
  }
  _qlDownloadText('mis_componentes.quicomp', text);
  showToast(t('toast.exportSuccess'), 'success', 3000);
}

function importComponents() {
  if (_qlHasHost()) {
    _qlSendToHost('import_components', '');
    return;
  }
  _qlPickLocalFile('import-components-input', '.quicomp,.json,application/json', handleImportFileSelect);
}

async function handleImportFileSelect(event) {
  const file = event && event.target && event.target.files && event.target.files[0];
  if (!file) return false;
  return _onImportComponents(await file.text());
}

// The host's answer to import_components: the text of the chosen file.
function _onImportComponents(jsonData) {
  try {
    const data = JSON.parse(String(jsonData));
    if (!data || typeof data !== 'object' || !Array.isArray(data.components)) throw new Error('Invalid format');
    return processImportData(data);
  } catch (e) {
    console.warn('[components] import refused:', e);
    showToast(t('toast.importError'), 'error', 5000);
    return false;
  }
}

// Imports every sound component (a new id each; one named like an existing component replaces it in
// place, the others are appended). Damaged ones are skipped and counted.
function processImportData(data) {
  const incoming = data.components.filter(_qlValidComponent);
  const skipped = data.components.length - incoming.length;
  const next = customComponents.slice();
  for (const c of incoming) {
    const component = { id: _qlComponentId(), name: c.name, elements: _deepCopy(c.elements) };
    const at = next.findIndex((x) => x.name === c.name);
    if (at === -1) next.push(component);
    else next[at] = component;
  }
  if (incoming.length && !_qlCommitComponents(next, 'toast.componentSaveFailed')) return false;
  if (skipped) showToast(t('toast.importSkipped', { n: skipped, total: data.components.length }), 'warning', 6000);
  if (incoming.length) showToast(t('toast.importSuccess'), 'success', 3000);
  else if (!skipped) showToast(t('toast.importError'), 'error', 5000);
  return incoming.length > 0;
}

// A fresh copy of the component under `targetParentId` (before `insertBeforeId`, or last): new ids,
// parents mapped, never linked to other copies. Returns the inserted root, or null.
function createCustomComponent(compId, targetParentId, insertBeforeId = null) {
  const component = customComponents.find((c) => c.id === compId);
  if (!component || !_qlValidComponent(component)) return null;
  saveHistoryState();
  const copies = _deepCopy(component.elements);
  const ids = new Map();
  copies.forEach((el) => ids.set(el.id, generateId(el.type)));
  let root = null;
  const rest = [];
  for (const el of copies) {
    const isRoot = el.parentId === null;
    el.id = ids.get(el.id);
    el.parentId = isRoot ? (targetParentId === undefined ? null : targetParentId) : ids.get(el.parentId);
    delete el.linkGroupId;
    if (isRoot && !root) root = el;
    else rest.push(el);
  }
  insertElementInArray(root, insertBeforeId);
  elements.push(...rest);
  _canvasFocusRestore = root.id;
  selectElement(root.id);
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
  _qlCallIfDefined('renderComponentTree');
  showToast(t('toast.componentInserted', { name: component.name }), 'success', 3000);
  return root;
}

_qlLoadStoredComponents();
