// UI procedures, tables family: the wrapper (W|E) carries the table component object _qlGrid; a
// missing object or method does nothing. Row numbers are passed on as given.
// Registers the shim helper _qlpGrid; the procedure bodies UI_Grid_SetData, UI_Grid_SetColumns,
//   UI_Grid_AddRow, UI_Grid_UpdateRow, UI_Grid_DeleteRow, UI_Grid_MoveRow, UI_Grid_GetRow, UI_Grid_Clear,
//   UI_Grid_SetSort, UI_Grid_SetFilter, UI_Grid_SetSearch, UI_Grid_SetPagination (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies, _qlDefineShimHelpers

_qlDefineShimHelpers({
  // Calls `method` of the table object with `args`; null when there is none.
  _qlpGrid: function (id, method, args) {
    var host = _qlpWrapOrEl(id);
    var grid = host ? host._qlGrid : null;
    if (!grid || typeof grid[method] !== 'function') return null;
    return grid[method].apply(grid, args);
  },
});

_qlDefineProcedureBodies({
  UI_Grid_SetData: function (g, elementId, jsonData) {
    _qlpGrid(elementId, 'setData', [jsonData]);
  },

  UI_Grid_SetColumns: function (g, elementId, jsonColumns) {
    _qlpGrid(elementId, 'setColumns', [jsonColumns]);
  },

  UI_Grid_AddRow: function (g, elementId, cells, position) {
    _qlpGrid(elementId, 'addRow', [_qlpText(cells).split('|'), _qlpInt(position, 0)]);
  },

  UI_Grid_UpdateRow: function (g, elementId, row, cells) {
    _qlpGrid(elementId, 'updateRow', [_qlpInt(row, 0), _qlpText(cells).split('|')]);
  },

  UI_Grid_DeleteRow: function (g, elementId, row) {
    _qlpGrid(elementId, 'deleteRow', [_qlpInt(row, 0)]);
  },

  UI_Grid_MoveRow: function (g, elementId, fromRow, toRow) {
    _qlpGrid(elementId, 'moveRow', [_qlpInt(fromRow, 0), _qlpInt(toRow, 0)]);
  },

  UI_Grid_GetRow: function (g, elementId, row) {
    return _qlpGrid(elementId, 'getRow', [_qlpInt(row, 0)]);
  },

  UI_Grid_Clear: function (g, elementId) {
    _qlpGrid(elementId, 'clear', []);
  },

  UI_Grid_SetSort: function (g, elementId, enable) {
    _qlpGrid(elementId, 'setSort', [_qlpOn(enable)]);
  },

  UI_Grid_SetFilter: function (g, elementId, enable) {
    _qlpGrid(elementId, 'setFilter', [_qlpOn(enable)]);
  },

  UI_Grid_SetSearch: function (g, elementId, enable) {
    _qlpGrid(elementId, 'setSearch', [_qlpOn(enable)]);
  },

  UI_Grid_SetPagination: function (g, elementId, enable, pageSize) {
    _qlpGrid(elementId, 'setPagination', [_qlpOn(enable), _qlpInt(pageSize, 10)]);
  },
});
