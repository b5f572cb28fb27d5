// The flow's variables and constants: the two registries, edited in the inspector column while no node
// is selected (a filter, a section each, one row per entry), and renaming the nodes that use an entry.
//
// A rename reaches only the nodes that named the entry when its name input took the focus, however many
// keystrokes it takes: names need not be unique, so renaming "score" to "s" through "sc" leaves the nodes
// of another entry called "sc" alone. Entries that share a name are marked. Each typing burst is one undo
// step, recorded before its first keystroke.
// Provides: renderFlowVarManager, openFlowVarColorPicker, _flowVarPropagateRename, _flowVarMgrSelectNodes, _flowVarFilterText,
//   _flowVarRenameOld, _flowVarReferrers, _FLOW_VAR_NODE_TYPES, _FLOW_CONST_NODE_TYPES
// Needs: _flowVarsRegistry, _flowConstsRegistry, _flowEditor, _flowApplyMultiSelect, _flowClearSelection,
//   _flowEditBurst, _flowEndBurst, escapeHtml, saveHistoryState, t, _qlCallIfDefined
// Calls: updateAllFlowNodeTitles, updateFlowNodeTitle, openCPForFlowVar

var _FLOW_VAR_NODE_TYPES = ['Data_GetVariable', 'Action_SetVariable', 'Action_MathVariable'];
var _FLOW_CONST_NODE_TYPES = ['Data_GetConstant'];
var _flowVarFilterText = '';
var _flowVarRenameOld = null;
// The nodes a rename in progress acts on: [{module, id}].
var _flowVarRenameTargets = [];

function _flowVarList(kind) {
  return kind === 'const' ? _flowConstsRegistry : _flowVarsRegistry;
}

function _flowVarTypes(kind) {
  return kind === 'const' ? _FLOW_CONST_NODE_TYPES : _FLOW_VAR_NODE_TYPES;
}

// The nodes in every module that name `name` through a node type of `kind`.
function _flowVarReferrers(kind, name) {
  const e = _flowEditor;
  const out = [];
  if (!e || name === '' || name === null || name === undefined) return out;
  const types = _flowVarTypes(kind);
  for (const [module, m] of Object.entries(e.drawflow.drawflow)) {
    for (const node of Object.values((m && m.data) || {})) {
      if (node && types.includes(node.name) && node.data && node.data.name === name) out.push({ module, id: String(node.id) });
    }
  }
  return out;
}

function _flowVarSetNodeName(target, name) {
  const m = _flowEditor.drawflow.drawflow[target.module];
  const node = m && m.data && m.data[target.id];
  if (!node || !node.data) return;
  node.data.name = name;
  try {
    _flowEditor.updateNodeDataFromId(target.id, node.data);
  } catch (e) {
    // Written already; only the library's own inputs were not refreshed.
  }
  _qlCallIfDefined('updateFlowNodeTitle', target.id);
}

// Every node in every module whose name is `oldName` (by type of `kind`) gets `newName`.
function _flowVarPropagateRename(kind, oldName, newName) {
  for (const target of _flowVarReferrers(kind, oldName)) _flowVarSetNodeName(target, newName);
}

// In the open module, the nodes that use the entry become the selection.
function _flowVarMgrSelectNodes(isVariable, name) {
  const e = _flowEditor;
  if (!e) return;
  const kind = isVariable ? 'var' : 'const';
  const ids = _flowVarReferrers(kind, name).filter((r) => r.module === e.module).map((r) => r.id);
  _flowClearSelection();
  if (ids.length) _flowApplyMultiSelect(ids);
}

// The colour picker for a colour entry, placed by its swatch; the picker writes the entry's value.
function openFlowVarColorPicker(kind, index, swatch) {
  if (!_flowVarList(kind)[index]) return;
  _qlCallIfDefined('openCPForFlowVar', { kind, idx: index }, swatch || null);
}
window.openFlowVarColorPicker = openFlowVarColorPicker;

function _flowVarSwatch(value) {
  return /^#[0-9a-fA-F]{6}$/.test(String(value)) ? String(value) : '#4338ca';
}

function _flowVarRow(kind, entry, index, duplicate) {
  const e = entry && typeof entry === 'object' ? entry : { name: '', type: 'string', value: '' };
  const at = ' data-var-kind="' + kind + '" data-var-idx="' + index + '"';
  const types = ['string', 'number', 'boolean', 'color'];
  return '<div class="flow-var-row" data-var-row="1"' + at + ' data-var-name="' + escapeHtml(e.name) + '">' +
    '<div class="flow-var-line"><input type="text" class="flow-var-name' + (duplicate ? ' flow-var-dup' : '') + '"' + at +
    ' value="' + escapeHtml(e.name) + '" placeholder="' + escapeHtml(t('flow.vars.colName')) + '" spellcheck="false" autocomplete="off"' +
    (duplicate ? ' title="' + escapeHtml(t('flow.vars.duplicate')) + '"' : '') + '>' +
    '<button type="button" class="flow-var-delete"' + at + ' title="' + escapeHtml(t('flow.vars.delete')) + '">✕</button></div>' +
    '<div class="flow-var-line"><select class="flow-var-type"' + at + '>' + types.map((v) => '<option value="' + v + '"' +
    (v === e.type ? ' selected' : '') + '>' + escapeHtml(t('flow.vars.type.' + v)) + '</option>').join('') + '</select>' +
    '<input type="text" class="flow-var-value"' + at + ' value="' + escapeHtml(e.value) + '" placeholder="' +
    escapeHtml(t('flow.vars.colValue')) + '" spellcheck="false" autocomplete="off">' +
    (e.type === 'color' ? '<button type="button" class="flow-var-swatch"' + at + ' title="' + escapeHtml(t('flow.vars.pickColor')) +
      '" style="background:' + escapeHtml(_flowVarSwatch(e.value)) + '"></button>' : '') + '</div></div>';
}

function _flowVarSection(kind) {
  const list = _flowVarList(kind);
  const counts = new Map();
  for (const v of list) if (v && v.name) counts.set(v.name, (counts.get(v.name) || 0) + 1);
  const title = kind === 'const' ? 'flow.consts.title' : 'flow.vars.title';
  const add = kind === 'const' ? 'flow.consts.add' : 'flow.vars.add';
  return '<section class="flow-var-section" data-var-section="' + kind + '"><div class="flow-var-head"><span class="flow-insp-heading">' +
    escapeHtml(t(title)) + '</span><button type="button" class="flow-var-add" data-var-add="' + kind + '">+ ' + escapeHtml(t(add)) +
    '</button></div>' + list.map((v, i) => _flowVarRow(kind, v, i, Boolean(v && v.name && counts.get(v.name) > 1))).join('') + '</section>';
}

// Shows the rows whose name holds the filter text; with a filter a section without rows is hidden,
// without one both show (their add buttons stay reachable).
function _flowVarApplyFilter(host) {
  const q = _flowVarFilterText.trim().toLowerCase();
  for (const section of host.querySelectorAll('[data-var-section]')) {
    let shown = 0;
    for (const row of section.querySelectorAll('[data-var-row]')) {
      const match = !q || String(row.getAttribute('data-var-name')).toLowerCase().includes(q);
      row.hidden = !match;
      if (match) shown++;
    }
    section.hidden = Boolean(q) && shown === 0;
  }
  const clear = host.querySelector('.flow-var-clear');
  if (clear) clear.hidden = !q;
}

function renderFlowVarManager(host) {
  if (!host) return;
  host.innerHTML = '<div class="flow-var-manager"><div class="flow-var-filter-bar"><input type="text" id="flow-var-filter" ' +
    'autocomplete="off" spellcheck="false" placeholder="' + escapeHtml(t('flow.vars.filter')) + '" value="' + escapeHtml(_flowVarFilterText) +
    '"><button type="button" class="flow-var-clear" title="' + escapeHtml(t('flow.vars.clearFilter')) + '">×</button></div>' +
    _flowVarSection('var') + _flowVarSection('const') + '</div>';
  _flowVarApplyFilter(host);
  _flowVarBind(host);
}

function _flowVarEntry(el) {
  const kind = el.getAttribute('data-var-kind');
  const index = Number(el.getAttribute('data-var-idx'));
  const list = _flowVarList(kind);
  return { kind, index, list, entry: list[index] };
}

function _flowVarRerender(host) {
  renderFlowVarManager(host);
}

function _flowVarClick(host, ev) {
  const el = ev.target;
  const button = el.closest ? el.closest('button') : null;
  if (button && button.hasAttribute('data-var-add')) {
    const kind = button.getAttribute('data-var-add');
    saveHistoryState();
    _flowVarList(kind).push({ name: '', type: 'string', value: '' });
    _flowVarFilterText = '';
    _flowVarRerender(host);
    const rows = host.querySelectorAll('.flow-var-name[data-var-kind="' + kind + '"]');
    if (rows.length) rows[rows.length - 1].focus();
    return;
  }
  if (button && button.classList.contains('flow-var-delete')) {
    const { list, index, entry } = _flowVarEntry(button);
    if (!entry) return;
    saveHistoryState();
    list.splice(index, 1);
    _flowVarRerender(host);
    _qlCallIfDefined('updateAllFlowNodeTitles');
    return;
  }
  if (button && button.classList.contains('flow-var-swatch')) {
    const { kind, index } = _flowVarEntry(button);
    openFlowVarColorPicker(kind, index, button);
    return;
  }
  if (button && button.classList.contains('flow-var-clear')) {
    _flowVarFilterText = '';
    const filter = host.querySelector('#flow-var-filter');
    if (filter) {
      filter.value = '';
      filter.focus();
    }
    _flowVarApplyFilter(host);
    return;
  }
  if (el.closest && !el.closest('input, select, button')) {
    const row = el.closest('[data-var-row]');
    if (!row) return;
    const { kind, entry } = _flowVarEntry(row);
    if (entry && entry.name) _flowVarMgrSelectNodes(kind === 'var', entry.name);
  }
}

function _flowVarInput(host, ev, isChange) {
  const el = ev.target;
  if (el.id === 'flow-var-filter') {
    _flowVarFilterText = el.value;
    _flowVarApplyFilter(host);
    return;
  }
  if (!el.hasAttribute || !el.hasAttribute('data-var-kind')) return;
  const { kind, index, entry } = _flowVarEntry(el);
  if (!entry) return;
  if (el.classList.contains('flow-var-type')) {
    if (!isChange) return;
    saveHistoryState();
    entry.type = el.value;
    _flowVarRerender(host);
    return;
  }
  if (isChange) return;
  if (el.classList.contains('flow-var-name')) {
    if (entry.name === el.value) return;
    _flowEditBurst('vars', kind + '#' + index + '.name');
    entry.name = el.value;
    const row = el.closest('[data-var-row]');
    if (row) row.setAttribute('data-var-name', el.value);
    if (_flowVarRenameOld !== null && _flowVarRenameOld !== '' && _flowVarRenameOld !== el.value) {
      for (const target of _flowVarRenameTargets) _flowVarSetNodeName(target, el.value);
      _flowVarRenameOld = el.value;
    }
    _flowVarMarkDuplicates(host, kind);
  } else if (el.classList.contains('flow-var-value')) {
    if (entry.value === el.value) return;
    _flowEditBurst('vars', kind + '#' + index + '.value');
    entry.value = el.value;
  }
}

function _flowVarMarkDuplicates(host, kind) {
  const counts = new Map();
  for (const v of _flowVarList(kind)) if (v && v.name) counts.set(v.name, (counts.get(v.name) || 0) + 1);
  for (const input of host.querySelectorAll('.flow-var-name[data-var-kind="' + kind + '"]')) {
    const dup = Boolean(input.value) && counts.get(input.value) > 1;
    input.classList.toggle('flow-var-dup', dup);
    if (dup) input.title = t('flow.vars.duplicate');
    else input.removeAttribute('title');
  }
}

function _flowVarBind(host) {
  if (host._qlFlowVarsBound) return;
  host._qlFlowVarsBound = true;
  const mine = () => !host.hasAttribute('data-host-id') && host.querySelector('.flow-var-manager');
  host.addEventListener('click', (ev) => { if (mine()) _flowVarClick(host, ev); });
  host.addEventListener('input', (ev) => { if (mine()) _flowVarInput(host, ev, false); });
  host.addEventListener('change', (ev) => { if (mine()) _flowVarInput(host, ev, true); });
  host.addEventListener('focusin', (ev) => {
    if (!mine()) return;
    const el = ev.target;
    if (el.classList && el.classList.contains('flow-var-name')) {
      const { kind, entry } = _flowVarEntry(el);
      _flowVarRenameOld = entry ? String(entry.name || '') : null;
      _flowVarRenameTargets = entry ? _flowVarReferrers(kind, entry.name) : [];
    } else {
      _flowVarRenameOld = null;
      _flowVarRenameTargets = [];
    }
  });
  host.addEventListener('focusout', (ev) => {
    if (!mine()) return;
    _flowEndBurst();
    if (ev.target.classList && ev.target.classList.contains('flow-var-name')) {
      _flowVarRenameOld = null;
      _flowVarRenameTargets = [];
      _qlCallIfDefined('updateAllFlowNodeTitles');
    }
  });
  host.addEventListener('keydown', (ev) => {
    if (!mine() || ev.key !== 'Enter') return;
    const el = ev.target;
    if (el.id === 'flow-var-filter' || (el.classList && (el.classList.contains('flow-var-name') || el.classList.contains('flow-var-value')))) {
      ev.preventDefault();
      el.blur();
    }
  });
}
