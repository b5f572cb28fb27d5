// The table runtime: turns each table placeholder (a node with data-grid-config) into a live Grid.js table,
// themes it with the element's colours, keeps each table's rows in a cache that the run-time commands
// (GridJS_SetData and the rest) edit, reports cell clicks to the host and keeps a fixed-header table's
// height in step with its wrapper. The file stands alone (it needs only Grid.js), so an exported page
// carries the same text. Every command catches its own failure and logs it with its name.
//
// Every table gets a hidden first column "_idx_" holding each row's place in the data as set, so a click
// reports the source row also after sorting or filtering: visible column k (from 0) is child k + 2 of
// its row. The indexes are renumbered 0, 1, ... after every insert, delete or move, so row n of a
// command is always the row that a click reports as n.
//
// The table's node and its wrapper carry _qlGrid, the table object the flow procedures call.
// Provides: _gridInstances, _gridDataCache, _gridColumnsCache, _gridIdxObservers, _tableStyleObserversEditor,
//   _tableResizeObservers, initGridTables, initSingleGrid, GridJS_SetData, GridJS_SetColumns, GridJS_AddRow,
//   GridJS_UpdateRow, GridJS_DeleteRow, GridJS_MoveRow, GridJS_GetRow, GridJS_Clear, GridJS_SetSort,
//   GridJS_SetFilter, GridJS_SetSearch, GridJS_SetPagination, _qlGridRadius, _qlGridFixedHeight
// Needs: nothing
// Calls: _qlTableHeightChanged

var _gridInstances = {};
// Kept beside the instances, out of their keys: the full Grid.js configuration of each table (with the
// index column) and its node.
Object.defineProperty(_gridInstances, '_configs', { value: {}, enumerable: false });
Object.defineProperty(_gridInstances, '_containers', { value: {}, enumerable: false });
var _gridDataCache = {};
var _gridColumnsCache = {};
var _gridIdxObservers = {};
var _tableStyleObserversEditor = {};
var _tableResizeObservers = {};
// id -> the placeholder's configuration (its features and colours) and the text it was built from.
var _qlGridSources = {};

var _QL_GRID_RADII = {
  'rounded-none': '0', 'rounded-sm': '6px', 'rounded': '12px', 'rounded-md': '18px', 'rounded-lg': '24px',
  'rounded-xl': '36px', 'rounded-2xl': '48px', 'rounded-3xl': '72px', 'rounded-[2rem]': '96px',
  'rounded-[3rem]': '144px', 'rounded-[4rem]': '192px', 'rounded-full': '9999px',
};

var _QL_GRID_TOKEN_VARS = {
  'th:surface': '--th-surface', 'th:bgPanel': '--th-bg-panel', 'th:textPrimary': '--th-text1',
  'th:textSecondary': '--th-text2', 'th:border': '--th-border', 'th:bgPage': '--th-bg-page',
};

// Hover and selection of rows, the index column's hiding aside: what every table needs, put in once.
var _QL_GRID_BASE_STYLE = '[data-grid-config].gridjs-wrapper{box-shadow:none;overflow:hidden;border-radius:var(--table-br,12px)}' +
  '[data-grid-config] .gridjs-container{color:var(--table-body-text,inherit)}' +
  '[data-grid-config] .gridjs-tr:hover>.gridjs-td{background-image:linear-gradient(var(--table-row-hover,rgba(128,128,128,.15)),var(--table-row-hover,rgba(128,128,128,.15)))}' +
  '[data-grid-config][data-row-hover] .gridjs-tr:hover>.gridjs-td{background-color:var(--table-row-hover)!important;background-image:none}' +
  '[data-grid-config][data-row-hover-text] .gridjs-tr:hover>.gridjs-td{color:var(--table-row-hover-text)!important}' +
  '[data-grid-config] .gridjs-tr-selected>.gridjs-td{background-color:var(--table-row-selected,var(--accent-row,rgba(59,130,246,.25)))!important;background-image:none}' +
  '[data-grid-config][data-row-selected-text] .gridjs-tr-selected>.gridjs-td{color:var(--table-row-selected-text)!important}';

function _qlGridLog(name, e) {
  console.warn(name + ' error:', e);
}

function _qlGridLoaded() {
  return typeof gridjs !== 'undefined' && gridjs && typeof gridjs.Grid === 'function';
}

function _qlGridCss(value) {
  return String(value).replace(/[<>{};]/g, '');
}

function _qlGridStyleEl(id, css) {
  let node = document.getElementById(id);
  if (!node) {
    node = document.createElement('style');
    node.id = id;
    document.head.appendChild(node);
  }
  if (node.textContent !== css) node.textContent = css;
  return node;
}

function _qlGridSel(id) {
  return '[id="' + String(id).replace(/["\\]/g, '\\$&').replace(/[\n\r<>{}]/g, '') + '"]';
}

// A table colour: tokens and var(--name) become the root's current value (the text itself when the
// variable is empty); empty becomes white, or stays empty where the style sheet's default should apply.
function _qlGridColour(value, keepEmpty) {
  const text = value === undefined || value === null ? '' : String(value).trim();
  if (!text) return keepEmpty ? '' : '#ffffff';
  let name = _QL_GRID_TOKEN_VARS[text];
  const m = /^var\(\s*(--[\w-]+)\s*(?:,[^)]*)?\)$/.exec(text);
  if (m) name = m[1];
  if (!name) return text;
  const css = getComputedStyle(document.documentElement).getPropertyValue(name).trim();
  return css || text;
}

// The corner radius of the table box.
function _qlGridRadius(cfg) {
  const custom = ['borderRadiusCustomTL', 'borderRadiusCustomTR', 'borderRadiusCustomBR', 'borderRadiusCustomBL']
    .some(function (k) { return cfg[k] !== undefined && cfg[k] !== null && String(cfg[k]).trim() !== ''; });
  if (custom) {
    const n = parseFloat(cfg.borderRadiusCustomTR);
    return (isFinite(n) ? n : 0) + 'px';
  }
  const cls = cfg.borderRadius || 'rounded-lg';
  return Object.prototype.hasOwnProperty.call(_QL_GRID_RADII, cls) ? _QL_GRID_RADII[cls] : '12px';
}

// The height of a fixed-header table in a wrapper whose content is h px high: what the search bar and the
// pagination take is left out; null when the wrapper is too small to size by.
function _qlGridFixedHeight(h, search, pagination) {
  if (!(h > 100)) return null;
  return Math.max(50, h - (10 + (search ? 60 : 0) + (pagination ? 55 : 0)));
}

function _qlGridPx(value) {
  const text = String(value);
  return /^\d+(\.\d+)?$/.test(text) ? text + 'px' : text;
}

function _qlGridFeatures(cfg) {
  const f = cfg && cfg.features && typeof cfg.features === 'object' ? cfg.features : {};
  const pagination = f.pagination && typeof f.pagination === 'object' ? f.pagination : {};
  const size = parseInt(pagination.pageSize, 10);
  return {
    search: f.search !== false, sort: f.sort !== false, filter: f.filter !== false,
    pagination: pagination.enabled !== false, limit: size > 0 ? size : 10,
    fixedHeader: f.fixedHeader === true, tableHeight: f.tableHeight, nowrap: f.nowrap === true,
  };
}

function _qlGridColumn(c) {
  const name = String(c && c.name !== undefined && c.name !== null ? c.name : '');
  const col = { id: c && c.id ? String(c.id) : name.toLowerCase().replace(/\s+/g, '_') || '_c', name: name };
  col.sort = !!(c && (c.sort === true || c.sortable === true));
  if (c && c.width) col.width = String(c.width);
  const align = c && (c.align || (c.style && c.style['text-align']));
  if (align && align !== 'left') col.style = { 'text-align': String(align) };
  return col;
}

// Makes every column id unique, as Grid.js needs, keeping the first of each.
function _qlGridUniqueIds(columns) {
  const seen = {};
  return columns.map(function (c) {
    let id = c.id;
    for (let n = 2; seen[id]; n++) id = c.id + '_' + n;
    seen[id] = true;
    return id === c.id ? c : Object.assign({}, c, { id: id });
  });
}

function _qlGridIndexed(rows) {
  return rows.map(function (r, i) { return [i].concat(Array.isArray(r) ? r.map(function (v) { return v === null || v === undefined ? '' : v; }) : [r]); });
}

function _qlGridRenumber(rows) {
  rows.forEach(function (r, i) { r[0] = i; });
  return rows;
}

// The Grid.js configuration of a table from its placeholder configuration, its columns and its rows.
function _qlGridBuild(cfg, feat, columns, rows, colours) {
  const border = colours.border;
  const cell = { 'background-color': colours.bodyBg, 'border-color': border, padding: '4px 8px' };
  if (cfg.rowHeight) cell.height = _qlGridPx(cfg.rowHeight);
  if (feat.nowrap) cell['white-space'] = 'nowrap';
  const out = {
    columns: [{ id: '_idx_', name: '_idx_', sort: false }].concat(_qlGridUniqueIds(columns.map(function (c) {
      return Object.assign({}, c, { sort: feat.sort && !!c.sort });
    }))),
    data: rows.map(function (r) { return r.slice(); }),
    search: feat.search,
    sort: feat.sort,
    pagination: feat.pagination ? { limit: feat.limit } : false,
    fixedHeader: feat.fixedHeader,
    autoWidth: feat.nowrap,
    style: {
      table: { 'border-color': border },
      th: { 'background-color': colours.hdrBg, color: colours.hdrText, 'border-color': border, padding: '4px 8px' },
      td: cell,
    },
    language: cfg.language && typeof cfg.language === 'object' ? cfg.language : {},
    // Grid.js waits 100 ms by default before it processes data: a table would show late after each drawing.
    processingThrottleMs: 0,
  };
  if (feat.fixedHeader) out.height = feat.tableHeight ? _qlGridPx(feat.tableHeight) : '400px';
  return out;
}

function _qlGridColours(cfg) {
  const c = cfg.colors || {};
  return {
    hdrBg: _qlGridColour(c.tHdrBg), hdrText: _qlGridColour(c.tHdrText), bodyBg: _qlGridColour(c.tBodyBg),
    bodyText: _qlGridColour(c.tBodyText), border: _qlGridColour(c.tBorder), pagerBg: _qlGridColour(c.tPaginationBg),
    rowHover: _qlGridColour(c.tRowHover, true), rowSelected: _qlGridColour(c.tRowSelected, true),
    rowHoverText: _qlGridColour(c.tRowHoverText, true), rowSelectedText: _qlGridColour(c.tRowSelectedText, true),
  };
}

function _qlGridAlignStyle(id, columns, all) {
  const old = document.getElementById('grid-align-' + id);
  if (old) old.remove();
  const sel = _qlGridSel(id);
  const rules = [];
  columns.forEach(function (c, k) {
    const align = c.style && c.style['text-align'] ? c.style['text-align'] : all ? 'left' : '';
    if (!align || (!all && align === 'left')) return;
    const n = k + 2;
    rules.push(sel + ' .gridjs-th:nth-child(' + n + '),' + sel + ' .gridjs-td:nth-child(' + n + '){text-align:' + _qlGridCss(align) + (all ? '!important' : '') + '}');
  });
  if (rules.length) _qlGridStyleEl('grid-align-' + id, rules.join(''));
}

function _qlGridHideIndex(id) {
  const sel = _qlGridSel(id);
  _qlGridStyleEl('grid-idx-hide-' + id, sel + ' .gridjs-th:first-child,' + sel + ' .gridjs-td:first-child{display:none}');
}

function _qlGridBodyRows(node) {
  return node.querySelectorAll('.gridjs-tbody > .gridjs-tr, tbody > tr');
}

function _qlGridMarkRows(node) {
  _qlGridBodyRows(node).forEach(function (tr) {
    const first = tr.firstElementChild;
    const idx = first ? first.textContent.trim() : '';
    if (idx !== '' && tr.getAttribute('data-original-idx') !== idx) tr.setAttribute('data-original-idx', idx);
  });
}

// The styling pass: what Grid.js's own style options cannot say (per-column alignment, the footer and
// the pagination buttons, the row colours that the style sheet's hover and selection rules must beat).
function _qlGridStylePass(node, cfg, colours, columns) {
  const set = function (el, prop, value, important) { if (value !== '') el.style.setProperty(prop, value, important ? 'important' : ''); };
  node.querySelectorAll('.gridjs-th').forEach(function (th) {
    set(th, 'background-color', colours.hdrBg, true);
    set(th, 'color', colours.hdrText, true);
    set(th, 'border-color', colours.border, true);
    set(th, 'border-top-color', colours.border, true);
  });
  const rowHeight = cfg.rowHeight ? _qlGridPx(cfg.rowHeight) : '';
  _qlGridBodyRows(node).forEach(function (tr) {
    Array.prototype.forEach.call(tr.children, function (td) {
      set(td, 'background-color', colours.bodyBg, false);
      set(td, 'color', colours.rowHoverText || colours.rowSelectedText ? 'var(--table-body-text)' : colours.bodyText, false);
      set(td, 'border-color', colours.border, true);
      if (rowHeight) set(td, 'height', rowHeight, false);
    });
  });
  columns.forEach(function (c, k) {
    const align = c.style && c.style['text-align'] ? c.style['text-align'] : '';
    if (!align) return;
    node.querySelectorAll('.gridjs-tr > :nth-child(' + (k + 2) + ')').forEach(function (cell) { set(cell, 'text-align', align, false); });
  });
  node.querySelectorAll('.gridjs-footer').forEach(function (footer) {
    set(footer, 'background-color', colours.pagerBg, true);
    set(footer, 'border-top-color', colours.border, true);
  });
  node.querySelectorAll('.gridjs-pagination, .gridjs-summary').forEach(function (p) { set(p, 'color', colours.bodyText, true); });
}

// The pagination buttons by a rule of the table's own: Grid.js makes them anew on every page change, and
// the current page's button is marked in the table's colours (the theme's light grey hid its number).
function _qlGridPagerStyle(id, colours) {
  const sel = _qlGridSel(id) + ' .gridjs-pagination .gridjs-pages button';
  const css = function (v) { return _qlGridCss(v); };
  _qlGridStyleEl('grid-pager-' + id, sel + '{border-color:' + css(colours.border) + '!important;background-color:' + css(colours.pagerBg) +
    '!important;color:' + css(colours.bodyText) + '!important}' + sel + '.gridjs-currentPage{font-weight:700;box-shadow:inset 0 -2px 0 ' +
    css(colours.bodyText) + '}');
}

function _qlGridForget(id) {
  const grid = _gridInstances[id];
  delete _gridInstances[id];
  if (grid) {
    try { grid.destroy(); } catch (e) { /* a table whose node has gone may fail to let go: it is forgotten anyway */ }
  }
  [_gridIdxObservers, _tableStyleObserversEditor, _tableResizeObservers].forEach(function (map) {
    if (map[id]) { try { map[id].disconnect(); } catch (e) { /* already gone */ } delete map[id]; }
  });
}

// Renders a Grid.js configuration into the table's node and watches the result: the index marks, the
// styling pass after each burst of Grid.js's changes.
function _qlGridMount(id, node, gridCfg, cfg, colours, columns) {
  _qlGridAlignStyle(id, columns, false);
  node.innerHTML = '';
  const grid = new gridjs.Grid(gridCfg).render(node);
  _qlGridHideIndex(id);
  _gridInstances[id] = grid;
  _gridInstances._configs[id] = gridCfg;
  _gridInstances._containers[id] = node;
  const marks = new MutationObserver(function () { _qlGridMarkRows(node); });
  marks.observe(node, { childList: true, subtree: true });
  _gridIdxObservers[id] = marks;
  let timer = 0;
  const watch = { childList: true, subtree: true, attributes: true, attributeFilter: ['style', 'class'] };
  const styles = new MutationObserver(function () {
    clearTimeout(timer);
    timer = setTimeout(function () {
      if (_tableStyleObserversEditor[id] !== styles) return;
      // The pass's own writes are not a change to answer.
      styles.disconnect();
      _qlGridStylePass(node, cfg, colours, columns);
      styles.takeRecords();
      styles.observe(node, watch);
    }, 10);
  });
  styles.observe(node, watch);
  _tableStyleObserversEditor[id] = styles;
  setTimeout(function () { if (_gridInstances[id] === grid) _qlGridMarkRows(node); }, 0);
  _qlGridStylePass(node, cfg, colours, columns);
  return grid;
}

function _qlGridCellClick(id, node, e) {
  const td = e.target && e.target.closest ? e.target.closest('.gridjs-td, td') : null;
  if (!td || !node.contains(td)) return;
  const tr = td.parentElement;
  if (!tr || !tr.parentElement || tr.parentElement.nodeName !== 'TBODY') return;
  // The "nothing found" and "loading" rows are no rows of the data.
  if (td.classList.contains('gridjs-notfound') || td.classList.contains('gridjs-loading')) return;
  node.querySelectorAll('.gridjs-tr-selected').forEach(function (n) { n.classList.remove('gridjs-tr-selected'); });
  node.querySelectorAll('.gridjs-cell-selected').forEach(function (n) { n.classList.remove('gridjs-cell-selected'); });
  tr.classList.add('gridjs-tr-selected');
  td.classList.add('gridjs-cell-selected');
  let idxText = tr.getAttribute('data-original-idx');
  if (idxText === null && tr.firstElementChild) idxText = tr.firstElementChild.textContent.trim();
  const idx = idxText !== null && idxText !== '' && isFinite(Number(idxText)) ? Number(idxText) : -1;
  const column = Array.prototype.indexOf.call(tr.children, td) - 1;
  const ordered = Array.prototype.indexOf.call(_qlGridBodyRows(node), tr) + 1;
  const columns = _qlGridVisibleColumns(id);
  const col = columns[column];
  const name = col ? (col.name !== '' ? col.name : String(column + 1)) : '';
  if (typeof window.pb_event === 'function') {
    window.pb_event({ id: id, type: 'cellclick', value: JSON.stringify({ row: idx + 1, orderedRow: ordered, column: name, data: td.textContent }) });
  }
}

function _qlGridVisibleColumns(id) {
  const cfg = _gridInstances._configs[id];
  return cfg && Array.isArray(cfg.columns) ? cfg.columns.slice(1) : [];
}

// Keeps a fixed-header table's height in step with its wrapper, when the wrapper's height is its own (a
// wrapper sized by its content would follow the table, and each answer would move it again).
function _qlGridWatchHeight(id, node) {
  if (typeof ResizeObserver !== 'function') return;
  const wrapper = document.getElementById('wrap-' + id);
  if (!wrapper) return;
  const observer = new ResizeObserver(function () {
    const src = _qlGridSources[id];
    const grid = _gridInstances[id];
    if (!src || !grid || _gridInstances._containers[id] !== node) return;
    const feat = _qlGridFeatures(src.cfg);
    if (!feat.fixedHeader || wrapper.getAttribute('data-has-height') !== 'true') return;
    const style = getComputedStyle(wrapper);
    const h = wrapper.clientHeight - (parseFloat(style.paddingTop) || 0) - (parseFloat(style.paddingBottom) || 0);
    const height = _qlGridFixedHeight(h, feat.search, feat.pagination);
    if (height === null || String(feat.tableHeight) === String(height)) return;
    src.cfg.features = Object.assign({}, src.cfg.features, { tableHeight: height });
    if (typeof _qlTableHeightChanged === 'function') _qlTableHeightChanged(id, height);
    const gridCfg = _gridInstances._configs[id];
    gridCfg.height = height + 'px';
    grid.updateConfig({ height: gridCfg.height }).forceRender();
  });
  observer.observe(wrapper);
  _tableResizeObservers[id] = observer;
}

function initSingleGrid(id, cfg, text) {
  if (!_qlGridLoaded()) return;
  const node = document.getElementById(id);
  if (!node || !cfg || typeof cfg !== 'object') return;
  _qlGridForget(id);
  const colours = _qlGridColours(cfg);
  const vars = {
    '--th-bg-panel': colours.bodyBg, '--th-text1': colours.bodyText, '--th-border': colours.border,
    '--gridjs-header-bg': colours.hdrBg, '--gridjs-header-text': colours.hdrText, '--gridjs-body-bg': colours.bodyBg,
    '--gridjs-body-text': colours.bodyText, '--gridjs-border': colours.border,
    '--table-br': _qlGridRadius(cfg), '--table-body-text': colours.bodyText,
  };
  Object.keys(vars).forEach(function (k) { node.style.setProperty(k, vars[k]); });
  [['--table-row-hover', colours.rowHover, 'data-row-hover'], ['--table-row-selected', colours.rowSelected, 'data-row-selected'],
    ['--table-row-hover-text', colours.rowHoverText, 'data-row-hover-text'],
    ['--table-row-selected-text', colours.rowSelectedText, 'data-row-selected-text']].forEach(function (v) {
    if (v[1]) { node.style.setProperty(v[0], v[1]); node.setAttribute(v[2], ''); } else { node.style.removeProperty(v[0]); node.removeAttribute(v[2]); }
  });
  _qlGridStyleEl('ql-grid-base-style', _QL_GRID_BASE_STYLE);
  _qlGridPagerStyle(id, colours);
  const columns = (Array.isArray(cfg.columns) ? cfg.columns : []).map(_qlGridColumn);
  const rows = _qlGridIndexed(Array.isArray(cfg.data) ? cfg.data : []);
  const feat = _qlGridFeatures(cfg);
  _qlGridMount(id, node, _qlGridBuild(cfg, feat, columns, rows, colours), cfg, colours, columns);
  _qlGridSources[id] = { cfg: cfg, text: text === undefined ? JSON.stringify(cfg) : text, colours: colours, node: node };
  delete _gridColumnsCache[id];
  _gridDataCache[id] = rows;
  if (!node._qlGridClicks) {
    node._qlGridClicks = true;
    node.addEventListener('click', function (e) { _qlGridCellClick(node.id, node, e); }, true);
  }
  _qlGridAttach(id, node);
  _qlGridWatchHeight(id, node);
}

// Builds every table of the document that is not live yet, or whose configuration changed; forgets the
// tables whose node has gone.
function initGridTables() {
  const nodes = document.querySelectorAll('[data-grid-config]');
  if (!_qlGridLoaded()) {
    if (nodes.length) console.log('grid.js not loaded');
    return;
  }
  Object.keys(_gridInstances).forEach(function (id) {
    const node = _gridInstances._containers[id];
    if (!node || !node.isConnected) {
      _qlGridForget(id);
      delete _gridDataCache[id];
      delete _gridColumnsCache[id];
      delete _qlGridSources[id];
    }
  });
  nodes.forEach(function (node) {
    const text = node.getAttribute('data-grid-config');
    const src = _qlGridSources[node.id];
    if (src && src.node === node && src.text === text && _gridInstances[node.id] && _gridInstances._containers[node.id] === node) return;
    let cfg;
    try {
      cfg = JSON.parse(text);
    } catch (e) {
      console.warn('initGridTables: the table ' + node.id + ' has a configuration that does not parse', e);
      return;
    }
    try {
      initSingleGrid(node.id, cfg, text);
    } catch (e) {
      _qlGridLog('initSingleGrid', e);
    }
  });
}

// Hands the cache to the live table.
function _qlGridRefresh(id) {
  const grid = _gridInstances[id];
  if (!grid) return;
  const rows = _gridDataCache[id].map(function (r) { return r.slice(); });
  _gridInstances._configs[id].data = rows;
  grid.updateConfig({ data: rows }).forceRender();
}

// A data command: runs `edit` on the table's cache, then re-renders; nothing for an id without a table.
function _qlGridEdit(name, id, edit) {
  try {
    if (!_gridInstances[id]) return;
    const rows = _gridDataCache[id] || (_gridDataCache[id] = []);
    if (edit(rows) === false) return;
    _qlGridRefresh(id);
  } catch (e) {
    _qlGridLog(name, e);
  }
}

function _qlGridRowNumber(value, count) {
  const n = Number(value);
  return Number.isInteger(n) && n >= 1 && n <= count ? n : 0;
}

function _qlGridParse(text) {
  return typeof text === 'string' ? JSON.parse(text) : text;
}

function GridJS_SetData(id, json) {
  _qlGridEdit('GridJS_SetData', id, function (rows) {
    const data = _qlGridParse(json);
    if (!Array.isArray(data)) return false;
    rows.length = 0;
    Array.prototype.push.apply(rows, _qlGridIndexed(data));
    return true;
  });
}

function _qlGridCells(cells) {
  return Array.isArray(cells) ? cells.map(String) : String(cells === undefined || cells === null ? '' : cells).split('|');
}

function GridJS_AddRow(id, cells, position) {
  _qlGridEdit('GridJS_AddRow', id, function (rows) {
    const row = [rows.length].concat(_qlGridCells(cells));
    const p = Number(position);
    if (Number.isInteger(p) && p >= 1 && p <= rows.length) rows.splice(p - 1, 0, row);
    else rows.push(row);
    _qlGridRenumber(rows);
    return true;
  });
}

function GridJS_UpdateRow(id, row, cells) {
  _qlGridEdit('GridJS_UpdateRow', id, function (rows) {
    const n = _qlGridRowNumber(row, rows.length);
    if (!n) return false;
    rows[n - 1] = [rows[n - 1][0]].concat(_qlGridCells(cells));
    return true;
  });
}

function GridJS_DeleteRow(id, row) {
  _qlGridEdit('GridJS_DeleteRow', id, function (rows) {
    const n = _qlGridRowNumber(row, rows.length);
    if (!n) return false;
    rows.splice(n - 1, 1);
    _qlGridRenumber(rows);
    return true;
  });
}

function GridJS_MoveRow(id, from, to) {
  _qlGridEdit('GridJS_MoveRow', id, function (rows) {
    const a = _qlGridRowNumber(from, rows.length);
    const b = _qlGridRowNumber(to, rows.length);
    if (!a || !b) return false;
    const moved = rows.splice(a - 1, 1)[0];
    rows.splice(b - 1, 0, moved);
    _qlGridRenumber(rows);
    return true;
  });
}

function GridJS_Clear(id) {
  _qlGridEdit('GridJS_Clear', id, function (rows) { rows.length = 0; return true; });
}

// The cached row n (index cell first), or null.
function _qlGridRow(id, row) {
  const rows = _gridDataCache[id];
  if (!_gridInstances[id] || !rows) return null;
  const n = _qlGridRowNumber(row, rows.length);
  return n ? rows[n - 1].slice() : null;
}

function GridJS_GetRow(id, row) {
  try {
    const found = _qlGridRow(id, row);
    if (found && typeof window.pb_event === 'function') window.pb_event({ id: id, type: 'getRow', value: JSON.stringify(found) });
  } catch (e) {
    _qlGridLog('GridJS_GetRow', e);
  }
}

// Destroys and builds the table again from its stored configuration with `change` applied to it, with the
// run-time columns when any were set and the cached rows.
function _qlGridRebuild(name, id, change, newColumns) {
  try {
    const grid = _gridInstances[id];
    const stored = _gridInstances._configs[id];
    const node = _gridInstances._containers[id];
    const src = _qlGridSources[id];
    if (!grid || !stored || !node || !src) return;
    const gridCfg = Object.assign({}, stored);
    change(gridCfg);
    if (newColumns) _gridColumnsCache[id] = newColumns;
    // The designed columns keep their own sort flags: sorting switched off and on again sorts them again.
    const columns = _gridColumnsCache[id] || (Array.isArray(src.cfg.columns) ? src.cfg.columns : []).map(_qlGridColumn);
    gridCfg.columns = [stored.columns[0]].concat(_qlGridUniqueIds(columns.map(function (c) {
      return Object.assign({}, c, { sort: !!gridCfg.sort && !!c.sort });
    })));
    const rows = _gridDataCache[id] && _gridDataCache[id].length ? _gridDataCache[id]
      : _qlGridIndexed(Array.isArray(src.cfg.data) ? src.cfg.data : []);
    _gridDataCache[id] = rows;
    gridCfg.data = rows.map(function (r) { return r.slice(); });
    const observers = _tableResizeObservers[id];
    delete _tableResizeObservers[id];
    _qlGridForget(id);
    if (observers) _tableResizeObservers[id] = observers;
    _qlGridMount(id, node, gridCfg, src.cfg, src.colours, columns);
    _qlGridAlignStyle(id, columns, true);
  } catch (e) {
    _qlGridLog(name, e);
  }
}

function GridJS_SetColumns(id, json) {
  let list;
  try {
    list = _qlGridParse(json);
  } catch (e) {
    _qlGridLog('GridJS_SetColumns', e);
    return;
  }
  if (!Array.isArray(list)) return;
  _qlGridRebuild('GridJS_SetColumns', id, function () {}, list.map(_qlGridColumn));
}

function _qlGridOn(value) {
  return value === true || value === 1 || value === '1' || value === 'true';
}

function GridJS_SetSort(id, enabled) {
  _qlGridRebuild('GridJS_SetSort', id, function (c) { c.sort = _qlGridOn(enabled); });
}

// Grid.js has no filter of its own beyond the search box: the switch is kept for the getters.
function GridJS_SetFilter(id, enabled) {
  _qlGridRebuild('GridJS_SetFilter', id, function (c) { c.qlFilter = _qlGridOn(enabled); });
}

function GridJS_SetSearch(id, enabled) {
  _qlGridRebuild('GridJS_SetSearch', id, function (c) { c.search = _qlGridOn(enabled); });
}

function GridJS_SetPagination(id, enabled, pageSize) {
  _qlGridRebuild('GridJS_SetPagination', id, function (c) {
    if (!_qlGridOn(enabled)) { c.pagination = false; return; }
    const size = parseInt(pageSize, 10);
    const current = c.pagination && c.pagination.limit;
    c.pagination = { limit: size > 0 ? size : current > 0 ? current : 10 };
  });
}

// The table object of the flow procedures and getters, on the table's node and on its wrapper. Rows are
// numbered from 1; cells come as lists.
function _qlGridAttach(id, node) {
  if (node._qlGrid && node._qlGrid.id === id) {
    const w = document.getElementById('wrap-' + id);
    if (w) w._qlGrid = node._qlGrid;
    return;
  }
  const stored = function () { return _gridInstances._configs[id] || {}; };
  const api = {
    id: id,
    setData: function (json) { GridJS_SetData(id, json); },
    setColumns: function (json) { GridJS_SetColumns(id, json); },
    addRow: function (cells, position) { GridJS_AddRow(id, cells, position); },
    updateRow: function (row, cells) { GridJS_UpdateRow(id, row, cells); },
    deleteRow: function (row) { GridJS_DeleteRow(id, row); },
    moveRow: function (from, to) { GridJS_MoveRow(id, from, to); },
    getRow: function (row) { return _qlGridRow(id, row); },
    clear: function () { GridJS_Clear(id); },
    setSort: function (on) { GridJS_SetSort(id, on); },
    setFilter: function (on) { GridJS_SetFilter(id, on); },
    setSearch: function (on) { GridJS_SetSearch(id, on); },
    setPagination: function (on, size) { GridJS_SetPagination(id, on, size); },
    // The rows as set (without the index cell), the visible columns and the switches.
    getData: function () { return (_gridDataCache[id] || []).map(function (r) { return r.slice(1); }); },
    getColumns: function () {
      return _qlGridVisibleColumns(id).map(function (c) {
        const out = { id: c.id, name: c.name, sort: !!c.sort };
        if (c.width) out.width = c.width;
        if (c.style) out.style = c.style;
        return out;
      });
    },
    getSort: function () { return !!stored().sort; },
    getFilter: function () { const c = stored(); return c.qlFilter !== undefined ? !!c.qlFilter : _qlGridFeatures((_qlGridSources[id] || {}).cfg).filter; },
    getSearch: function () { return !!stored().search; },
    getPagination: function () {
      const p = stored().pagination;
      return { enabled: !!p, limit: p && p.limit ? p.limit : 10 };
    },
  };
  node._qlGrid = api;
  const w = document.getElementById('wrap-' + id);
  if (w) w._qlGrid = api;
}
