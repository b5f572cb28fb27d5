// The toolbox: one tile per catalogue type and one per custom component; a click places the
// component (or wraps the selection in a new container), a drag carries a create payload.
// Provides: renderToolbox, handleToolboxClick, handleToolboxDragStart, WRAPPING_TYPES, _cdiDragInfo,
//   _createFromToolbox
// Needs: _deepCopy, _findElement, _qlCallIfDefined, _toolboxEnabled, _topLevelSelection, _translatedDefault,
//   createElement, customComponents, elements, escapeHtml, generateId, insertElementInArray, REQUEST_FIELDS,
//   saveHistoryState, selectedIds, selectElement, t, TOOLBOX_ITEMS
// Calls: _cdiEndDrag, createCustomComponent (takes its own snapshot, which merges with ours),
//   promptDeleteComponent

var WRAPPING_TYPES = ['container', 'accordion', 'nineslice'];
var _cdiDragInfo = null;

function _toolTile(icon, label, attrs, extra) {
  return '<div class="ql-tool-tile' + (_toolboxEnabled ? '' : ' ql-tool-disabled') + '" role="button" tabindex="0" draggable="' +
    (_toolboxEnabled ? 'true' : 'false') + '"' + attrs + '><i class="ph ' + escapeHtml(icon) + '"></i><span>' +
    escapeHtml(label) + '</span>' + (extra || '') + '</div>';
}

function renderToolbox() {
  const box = document.getElementById('toolbox');
  if (box) {
    box.innerHTML = TOOLBOX_ITEMS.map(function (item) {
      return _toolTile(item.icon, t('toolbox.items.' + item.type), ' data-ql-type="' + escapeHtml(item.type) + '"');
    }).join('');
    _bindToolboxEvents(box);
  }
  const custom = document.getElementById('custom-toolbox');
  if (custom) {
    const list = Array.isArray(customComponents) ? customComponents : [];
    const dis = _toolboxEnabled ? '' : ' disabled';
    custom.innerHTML = (list.length ? list.map(function (c) {
      return _toolTile('ph-package', String(c.name || c.id), ' data-ql-custom="' + escapeHtml(c.id) + '"',
        '<button type="button" class="ql-tool-delete" data-ql-delete="' + escapeHtml(c.id) + '" title="' + escapeHtml(t('toolbox.deleteCustom')) +
        '"' + dis + '><i class="ph ph-trash"></i></button>').replace('ql-tool-tile', 'ql-tool-tile ql-tool-custom');
    }).join('') : '<div class="ql-tool-empty">' + escapeHtml(t('toolbox.emptyCustom')) + '</div>') +
      '<div class="ql-tool-actions"><button type="button" class="ql-btn" data-ql-tool-action="import"' + dis + '>' + escapeHtml(t('toolbox.importBtn')) +
      '</button><button type="button" class="ql-btn" data-ql-tool-action="export"' + dis + '>' + escapeHtml(t('toolbox.exportBtn')) + '</button></div>';
    _bindToolboxEvents(custom);
  }
}

// One set of delegated listeners per box; tiles are rebuilt freely.
function _bindToolboxEvents(box) {
  if (box.dataset.qlToolboxBound) return;
  box.dataset.qlToolboxBound = '1';
  const tileOf = function (e) {
    const tile = e.target.closest ? e.target.closest('.ql-tool-tile') : null;
    if (!tile) return null;
    const custom = tile.getAttribute('data-ql-custom');
    return custom !== null ? { id: custom, custom: true } : { id: tile.getAttribute('data-ql-type'), custom: false };
  };
  box.addEventListener('click', function (e) {
    const del = e.target.closest && e.target.closest('[data-ql-delete]');
    if (del) { e.stopPropagation(); if (_toolboxEnabled) _qlCallIfDefined('promptDeleteComponent', del.getAttribute('data-ql-delete'), e); return; }
    const action = e.target.closest && e.target.closest('[data-ql-tool-action]');
    if (action) {
      if (_toolboxEnabled) _qlCallIfDefined(action.getAttribute('data-ql-tool-action') === 'import' ? 'importComponents' : 'exportComponents');
      return;
    }
    const tile = tileOf(e);
    if (tile) handleToolboxClick(tile.id, tile.custom);
  });
  box.addEventListener('keydown', function (e) {
    if (e.key !== 'Enter' && e.key !== ' ') return;
    const tile = tileOf(e);
    if (!tile || e.target.closest('button')) return;
    e.preventDefault();
    handleToolboxClick(tile.id, tile.custom);
  });
  box.addEventListener('dragstart', function (e) {
    const tile = tileOf(e);
    if (tile) handleToolboxDragStart(e, tile.id, tile.custom);
  });
  box.addEventListener('dragend', function () { _qlCallIfDefined('_cdiEndDrag'); });
}

function handleToolboxDragStart(e, typeOrId, isCustom) {
  if (!_toolboxEnabled) { e.preventDefault(); return; }
  _cdiDragInfo = { action: 'create', type: typeOrId, isCustom: !!isCustom };
  e.dataTransfer.effectAllowed = 'copyMove';
  e.dataTransfer.setData('application/json', JSON.stringify({ action: 'create', type: typeOrId, isCustom: !!isCustom }));
}

// A wrapping container as the catalogue makes it, not yet in the design.
function _newWrapperRecord(type, parentId) {
  const entry = TOOLBOX_ITEMS.find(function (item) { return item.type === type; });
  const record = Object.assign({ id: generateId(type), parentId: parentId, type: type }, _deepCopy(entry.defaultProps));
  REQUEST_FIELDS.forEach(function (f) { record[f] = ''; });
  if (type === 'container' || type === 'nineslice') record.layout = 'flex-col';
  const text = typeof _translatedDefault === 'function' ? _translatedDefault(type, 'text') : undefined;
  if (text !== undefined) record.text = text;
  return record;
}

function _createFromToolbox(typeOrId, isCustom, parentId, beforeId) {
  if (isCustom) return _qlCallIfDefined('createCustomComponent', typeOrId, parentId, beforeId);
  return createElement(typeOrId, parentId, beforeId);
}

function handleToolboxClick(typeOrId, isCustom) {
  if (!_toolboxEnabled) return;
  saveHistoryState();
  const first = selectedIds.length ? _findElement(selectedIds[0]) : null;
  if (!first) {
    _createFromToolbox(typeOrId, isCustom, null, null);
    return;
  }
  const parentId = first.parentId === undefined ? null : first.parentId;
  if (isCustom) {
    _createFromToolbox(typeOrId, true, parentId, first.id);
    return;
  }
  if (WRAPPING_TYPES.indexOf(typeOrId) !== -1) {
    // Elements whose ancestor is selected travel inside it; moving them too would pull them out.
    const tops = _topLevelSelection();
    const anchor = _findElement(tops[0]) || first;
    const wrapParent = anchor.parentId === undefined ? null : anchor.parentId;
    const wrapper = _newWrapperRecord(typeOrId, wrapParent);
    insertElementInArray(wrapper, anchor.id);
    const moved = new Set(tops);
    const records = elements.filter(function (el) { return moved.has(el.id); });
    elements = elements.filter(function (el) { return !moved.has(el.id); });
    records.forEach(function (el) { el.parentId = wrapper.id; });
    const at = elements.indexOf(wrapper);
    Array.prototype.splice.apply(elements, [at + 1, 0].concat(records));
    selectElement(wrapper.id);
    return;
  }
  _createFromToolbox(typeOrId, false, parentId, null);
}
