// The table editors of the inspector: the columns (name, width with drag-to-change, alignment, sortable,
// filterable), the rows as typed, and the table's features. Every change reaches each selected table and
// is one undo step (a width typed in one go is one step); the last column of a table cannot be removed.
// The texts are kept in the elements as JSON: `columns`, `tableData` (the typed text) and `tableFeatures`.
// Provides: renderTableColumnsEditor, updateTableColumn, removeTableColumn, addTableColumn, saveTableData,
//   saveTableFeatures, toggleTablePageSize, toggleTableHeight, tableFixedHeaderHeight, _tableColumnsOf
// Needs: _inspSelectedRecords, _inspSessionField, _inspShow, _inspSnapshotOnce, _qlCallIfDefined,
//   dropUnchangedHistoryStep, escapeHtml, saveHistoryState, selectedIds, setupColWidthDrag, t
// Calls: renderCanvas

// The columns of a table record, or null when its text does not parse to a list.
function _tableColumnsOf(el) {
  try {
    const cols = typeof el.columns === 'string' ? JSON.parse(el.columns || '[]') : el.columns;
    return Array.isArray(cols) ? cols : null;
  } catch (e) {
    return null;
  }
}

function _tableSelected() {
  return _inspSelectedRecords().filter(function (el) { return el.type === 'table'; });
}

var _TABLE_ALIGNS = [['left', 'inspector.tableCol.alignLeft'], ['center', 'inspector.tableCol.alignCenter'],
  ['right', 'inspector.tableCol.alignRight']];

// One row per column of the first selected table (or of `cols` when given), and that table's rows.
function renderTableColumnsEditor(cols) {
  const box = document.getElementById('table-columns-editor');
  if (!box) return;
  if (!Array.isArray(cols)) {
    const first = _tableSelected()[0];
    cols = first ? _tableColumnsOf(first) || [] : [];
    // The rows as typed, unless they are being typed now.
    const data = document.getElementById('input-tableData');
    if (data && first && document.activeElement !== data) {
      data.value = typeof first.tableData === 'string' ? first.tableData : (first.tableData === undefined || first.tableData === null ? '' : JSON.stringify(first.tableData));
    }
  }
  box.innerHTML = cols.map(function (c, i) {
    c = c && typeof c === 'object' ? c : {};
    const align = ['left', 'center', 'right'].indexOf(c.align) !== -1 ? c.align : 'left';
    return '<div class="ql-table-col" data-col="' + i + '">' +
      '<div class="ql-insp-row">' +
      '<input type="text" class="ql-insp-input ql-table-col-name" data-col-prop="name" autocomplete="off" spellcheck="false" placeholder="' +
        escapeHtml(t('inspector.tableCol.column')) + '" value="' + escapeHtml(c.name === undefined || c.name === null ? '' : c.name) + '">' +
      '<input type="text" class="ql-insp-input ql-table-col-width" data-col-prop="width" autocomplete="off" spellcheck="false" placeholder="auto" value="' +
        escapeHtml(c.width === undefined || c.width === null ? '' : c.width) + '">' +
      '<button type="button" class="ql-insp-btn" data-col-remove="1" title="' + escapeHtml(t('inspector.tableCol.deleteColumn')) +
        '"><i class="ph ph-trash"></i></button></div>' +
      '<div class="ql-insp-row">' +
      '<select class="ql-insp-select ql-table-col-align" data-col-prop="align">' + _TABLE_ALIGNS.map(function (a) {
        return '<option value="' + a[0] + '"' + (a[0] === align ? ' selected' : '') + '>' + escapeHtml(t(a[1])) + '</option>';
      }).join('') + '</select>' +
      '<label class="ql-insp-check"><input type="checkbox" data-col-prop="sortable"' + (c.sortable !== false ? ' checked' : '') + '> ' +
        escapeHtml(t('inspector.tableCol.sortable')) + '</label>' +
      '<label class="ql-insp-check"><input type="checkbox" data-col-prop="filterable"' + (c.filterable !== false ? ' checked' : '') + '> ' +
        escapeHtml(t('inspector.tableCol.filterable')) + '</label>' +
      '</div></div>';
  }).join('');
  box.querySelectorAll('.ql-table-col').forEach(function (row) {
    const index = Number(row.getAttribute('data-col'));
    row.querySelectorAll('[data-col-prop]').forEach(function (field) {
      const prop = field.getAttribute('data-col-prop');
      if (prop === 'width') {
        _inspSessionField(field);
        field.addEventListener('input', function () { updateTableColumn(index, 'width', field.value.trim(), field); });
        setupColWidthDrag(field, index);
      } else if (field.type === 'checkbox') {
        field.addEventListener('change', function () { updateTableColumn(index, prop, field.checked); });
      } else {
        field.addEventListener('change', function () { updateTableColumn(index, prop, field.value); });
      }
    });
    row.querySelector('[data-col-remove]').addEventListener('click', function () { removeTableColumn(index); });
  });
}

// Sets one property of column `index` in every selected table that has it. A width typed in one go (the
// field given as `session`) is one undo step.
function updateTableColumn(index, prop, value, session) {
  const tables = _tableSelected().filter(function (el) {
    const cols = _tableColumnsOf(el);
    return cols && cols[index] && typeof cols[index] === 'object';
  });
  if (!tables.length) return;
  if (session) _inspSnapshotOnce(session);
  else saveHistoryState();
  tables.forEach(function (el) {
    const cols = _tableColumnsOf(el);
    cols[index][prop] = value;
    el.columns = JSON.stringify(cols);
  });
  _qlCallIfDefined('renderCanvas');
}

// Removes column `index` from every selected table that keeps at least one column after it.
function removeTableColumn(index) {
  saveHistoryState();
  _tableSelected().forEach(function (el) {
    const cols = _tableColumnsOf(el);
    if (!cols || cols.length <= 1 || index < 0 || index >= cols.length) return;
    cols.splice(index, 1);
    el.columns = JSON.stringify(cols);
  });
  dropUnchangedHistoryStep();
  renderTableColumnsEditor();
  _qlCallIfDefined('renderCanvas');
}

function addTableColumn() {
  const tables = _tableSelected();
  if (!tables.length) return;
  saveHistoryState();
  tables.forEach(function (el) {
    const cols = _tableColumnsOf(el) || [];
    cols.push({ name: t('inspector.tableCol.newColumn'), align: 'left', sortable: true, filterable: true, width: '' });
    el.columns = JSON.stringify(cols);
  });
  renderTableColumnsEditor();
  _qlCallIfDefined('renderCanvas');
}

// The rows exactly as typed.
function saveTableData() {
  const field = document.getElementById('input-tableData');
  const tables = _tableSelected();
  if (!field || !tables.length) return;
  saveHistoryState();
  tables.forEach(function (el) { el.tableData = field.value; });
  _qlCallIfDefined('renderCanvas');
}

function _tableChecked(id, fallback) {
  const box = document.getElementById(id);
  return box ? box.checked : fallback;
}

function _tableValue(id) {
  const field = document.getElementById(id);
  return field ? String(field.value).trim() : '';
}

// The height a fixed-header table takes in a wrapper `wrapperHeight` px high: the search bar and the
// pagination are left out, and 10 px of margin; at least 50.
function tableFixedHeaderHeight(wrapperHeight, search, pagination) {
  const margin = 10 + (search ? 60 : 0) + (pagination ? 55 : 0);
  return Math.max(50, Math.round(wrapperHeight - margin));
}

function _tableFeaturesOf(el) {
  try {
    const f = typeof el.tableFeatures === 'string' ? JSON.parse(el.tableFeatures || '{}') : el.tableFeatures;
    return f && typeof f === 'object' ? f : {};
  } catch (e) {
    return {};
  }
}

// Features in their stored form: sort, filter, search and pagination on unless off, fixed header and
// no-wrap only when on, a page size of 5, 10, 25 or 50 (else 10).
function _tableFeaturesNormal(f) {
  const p = f.pagination && typeof f.pagination === 'object' ? f.pagination : { enabled: f.pagination !== false };
  const size = parseInt(p.pageSize, 10);
  const text = function (v) { return v === undefined || v === null ? '' : String(v); };
  return {
    sort: f.sort !== false, filter: f.filter !== false, search: f.search !== false,
    pagination: { enabled: p.enabled !== false, pageSize: [5, 10, 25, 50].indexOf(size) !== -1 ? size : 10 },
    rowHeight: text(f.rowHeight), fixedHeader: f.fixedHeader === true, tableHeight: text(f.tableHeight), nowrap: f.nowrap === true,
  };
}

function saveTableFeatures() {
  const tables = _tableSelected();
  if (!tables.length) return;
  const search = _tableChecked('input-tableSearch', true);
  const pagination = _tableChecked('input-tablePagination', true);
  const fixedHeader = _tableChecked('input-tableFixedHeader', false);
  const size = parseInt(_tableValue('input-tablePageSize'), 10);
  let tableHeight = _tableValue('input-tableHeight');
  if (fixedHeader) {
    const wrapper = document.getElementById('wrap-' + tables[0].id);
    const h = wrapper ? wrapper.getBoundingClientRect().height : 0;
    if (h > 0) {
      tableHeight = tableFixedHeaderHeight(h, search, pagination) + 'px';
      const field = document.getElementById('input-tableHeight');
      if (field) field.value = tableHeight;
    }
  }
  const features = JSON.stringify(_tableFeaturesNormal({
    sort: _tableChecked('input-tableSort', true),
    filter: _tableChecked('input-tableFilter', true),
    search: search,
    pagination: { enabled: pagination, pageSize: size },
    rowHeight: _tableValue('input-tableRowHeight'),
    fixedHeader: fixedHeader,
    tableHeight: tableHeight,
    nowrap: _tableChecked('input-tableNowrap', false),
  }));
  // A save that changes no feature (a column width drag ends with one) takes no undo step of its own.
  const same = tables.every(function (el) { return JSON.stringify(_tableFeaturesNormal(_tableFeaturesOf(el))) === features; });
  if (!same) saveHistoryState();
  tables.forEach(function (el) { el.tableFeatures = features; });
  toggleTablePageSize();
  toggleTableHeight();
  _qlCallIfDefined('renderCanvas');
}

function _tableFieldRow(id) {
  const field = document.getElementById(id);
  return field ? field.closest('.ql-insp-field') || field : null;
}

// The page size shows only with pagination on, the table height only with a fixed header.
function toggleTablePageSize() {
  const row = _tableFieldRow('input-tablePageSize');
  if (row) _inspShow(row, _tableChecked('input-tablePagination', true));
}

function toggleTableHeight() {
  const row = _tableFieldRow('input-tableHeight');
  if (row) _inspShow(row, _tableChecked('input-tableFixedHeader', false));
}
