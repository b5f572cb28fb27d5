// The flow palette: the left column of the flow panel, a filterable list of node types in sections from
// which a node is dragged into the flow editor or added by a double click; and the drop handler of the
// flow editor for palette items and canvas elements. The same section list gives node headers their
// labels (_flowNodeLabels).
//
// The filter input and its clear button are made once and kept (the filter text survives a rebuild, for
// example after a change of language); only the item list is rebuilt. Listeners are attached once.
// Provides: _flowNodeLabels, _flowPaletteCoreName, _buildFlowPaletteCategories, initFlowPalette,
//   _flowPaletteFilter, flowAddFromPalette, flowHandleDrop
// Needs: _FLOW_PALETTE_SECTIONS, _FLOW_PALETTE_LABELS, _FLOW_BUILTIN_NODE_ROWS, _UI_GETTER_CATALOG,
//   _FLOW_SUPER_NODES_ENABLED, FLOW_PB_ICONS, FLOW_BROWSER_ONLY_ICON, flowNodePbDep, flowNodeBrowserOnly,
//   _flowEditor, _flowRunCommand, _flowClientToInternal, _flowInnermostContainerAtPointXY, _flowModuleData,
//   addToFlowContainer, updateFlowNodeCount, _qlCallIfDefined, t
// Calls: addFlowNode, _flowCanAddType, _dropElementToFlow

// Node type -> the label its palette item shows.
var _flowNodeLabels = {};
var _FLOW_PALETTE_SUBGROUP_COLOR = '#cbd5e1';
// Half a node, so an added node sits centred where it is put.
var _FLOW_PALETTE_NODE_HALF = { x: 80, y: 30 };
var _FLOW_PALETTE_JITTER = 20;

function _flowText(key, fallback) {
  const text = t(key);
  return text && text !== key ? text : fallback;
}

// A type's name without its family prefix, with the grid families made alike and a leading Get or Set
// dropped: the name a setter and its getter share ("Action_UI_Grid_SetData", "Data_UI_GetGridData":
// "griddata").
function _flowPaletteCoreName(type) {
  let name = String(type);
  for (const prefix of ['Action_UI_', 'Data_UI_']) if (name.startsWith(prefix)) name = name.slice(prefix.length);
  for (const prefix of ['Grid_Set', 'GetGrid']) if (name.startsWith(prefix)) name = 'Grid' + name.slice(prefix.length);
  if (name.startsWith('Get') || name.startsWith('Set')) name = name.slice(3);
  return name.toLowerCase();
}

function _flowPaletteGetters() {
  const types = _FLOW_BUILTIN_NODE_ROWS.map((r) => r[0]).filter((type) => type.startsWith('Data_UI_Get'));
  const order = ['Text', 'Value', 'Checked', 'Enabled', 'Visible', 'ListItems', 'Attribute', 'Style', 'ParentId', 'ChildId',
    'ChildrenIds', 'ElementAt'].map((n) => 'Data_UI_Get' + n).filter((type) => types.includes(type));
  for (const entry of _UI_GETTER_CATALOG) if (entry.node && !order.includes(entry.node)) order.push(entry.node);
  return order.map((type) => ({ type, label: 'Get' + type.slice('Data_UI_Get'.length) }));
}

// The palette's sections (see catalogue-data.js) with translated labels and the getters placed; also
// fills _flowNodeLabels.
function _buildFlowPaletteCategories() {
  const item = (entry) => (Array.isArray(entry) ? { type: entry[0], label: entry[1] } : {
    type: 'Action_UI_' + entry, label: _FLOW_PALETTE_LABELS['Action_UI_' + entry] || entry,
  });
  const label = (s) => (s.key ? t(s.key) : s.label);
  const categories = _FLOW_PALETTE_SECTIONS.map((s) => (s.subGroups ? {
    label: label(s), color: s.color, subGroups: s.subGroups.map((g) => ({
      _subKey: g.key || null, label: label(g), color: g.color || _FLOW_PALETTE_SUBGROUP_COLOR, items: g.items.map(item),
    })),
  } : { label: label(s), color: s.color, items: s.items.map(item) }));
  if (_FLOW_SUPER_NODES_ENABLED) categories.push({ label: 'Modular', color: '#8b5cf6', items: [{ type: 'SuperNode', label: 'Super Node' }] });

  // Each getter goes right after the setter of its core name (a later setter of a core wins), after any
  // getter placed there before it; the others go at the end of the data section.
  const setters = new Map();
  for (const c of categories) {
    for (const g of c.subGroups || []) {
      for (const it of g.items) if (it.type.includes('Set')) setters.set(_flowPaletteCoreName(it.type), { group: g, setter: it });
    }
  }
  const data = categories.find((c, i) => _FLOW_PALETTE_SECTIONS[i] && _FLOW_PALETTE_SECTIONS[i].key === 'flow.section.data');
  const placedAfter = new Map();
  for (const getter of _flowPaletteGetters()) {
    const at = setters.get(_flowPaletteCoreName(getter.type));
    if (!at) {
      data.items.push(getter);
      continue;
    }
    const last = placedAfter.get(at.setter) || at.setter;
    at.group.items.splice(at.group.items.indexOf(last) + 1, 0, getter);
    placedAfter.set(at.setter, getter);
  }

  const labels = {};
  for (const c of categories) {
    for (const it of c.items || []) labels[it.type] = it.label;
    for (const g of c.subGroups || []) for (const it of g.items) labels[it.type] = it.label;
  }
  _flowNodeLabels = labels;
  return categories;
}

function _flowPaletteHeader(className, text, color) {
  const header = document.createElement('div');
  header.className = className;
  header.dataset.header = className === 'flow-palette-header' ? 'section' : 'group';
  header.style.color = color;
  header.textContent = text;
  return header;
}

function _flowPaletteItem(it, hint) {
  const row = document.createElement('div');
  row.className = 'flow-palette-item';
  row.draggable = true;
  row.title = it.type + hint;
  row.dataset.type = it.type;
  row.dataset.filterLabel = it.label.toLowerCase();
  row.dataset.filterType = it.type.toLowerCase();
  const text = document.createElement('span');
  text.className = 'flow-palette-label';
  text.textContent = it.label;
  row.appendChild(text);
  const tier = flowNodePbDep(it.type);
  let icon = null;
  let tip = '';
  if (tier) {
    icon = FLOW_PB_ICONS[tier];
    tip = t(tier === 'strict' ? 'flow.badge.pbStrict' : 'flow.badge.pbConditional');
  } else if (flowNodeBrowserOnly(it.type)) {
    icon = FLOW_BROWSER_ONLY_ICON;
    tip = t('flow.badge.browserOnly');
  }
  if (icon) {
    const badge = document.createElement('i');
    badge.className = 'ph ' + icon + ' flow-palette-badge';
    badge.title = tip;
    row.appendChild(badge);
  }
  return row;
}

// The filter wrapper and the item list, made on first use with their listeners.
function _flowPaletteParts(root) {
  let items = document.getElementById('flow-palette-items');
  if (items && root.contains(items)) return { input: document.getElementById('flow-palette-filter'), clear: document.getElementById('flow-palette-filter-clear'), items };
  const wrap = document.createElement('div');
  wrap.className = 'flow-palette-filter-wrap';
  const input = document.createElement('input');
  input.id = 'flow-palette-filter';
  input.type = 'text';
  input.autocomplete = 'off';
  input.spellcheck = false;
  const clear = document.createElement('button');
  clear.id = 'flow-palette-filter-clear';
  clear.type = 'button';
  clear.textContent = '×';
  clear.hidden = true;
  wrap.append(input, clear);
  items = document.createElement('div');
  items.id = 'flow-palette-items';
  root.replaceChildren(wrap, items);
  input.addEventListener('input', _flowPaletteFilter);
  input.addEventListener('keydown', (e) => {
    if (e.key === 'Enter') input.blur();
  });
  clear.addEventListener('click', () => {
    input.value = '';
    _flowPaletteFilter();
    input.focus();
  });
  items.addEventListener('dragstart', (e) => {
    const row = e.target && e.target.closest ? e.target.closest('.flow-palette-item') : null;
    if (!row || !e.dataTransfer) return;
    e.dataTransfer.setData('application/json', JSON.stringify({ action: 'create', type: row.dataset.type }));
    e.dataTransfer.effectAllowed = 'copy';
    row.classList.add('dragging');
  });
  items.addEventListener('dragend', (e) => {
    const row = e.target && e.target.closest ? e.target.closest('.flow-palette-item') : null;
    if (row) row.classList.remove('dragging');
  });
  items.addEventListener('dblclick', (e) => {
    const row = e.target && e.target.closest ? e.target.closest('.flow-palette-item') : null;
    if (row) flowAddFromPalette(row.dataset.type);
  });
  const editor = document.getElementById('flow-editor');
  if (editor && !editor._qlDropBound) {
    editor._qlDropBound = true;
    editor.addEventListener('dragover', (e) => {
      const types = e.dataTransfer ? [...e.dataTransfer.types] : [];
      if (!types.includes('application/json') && !types.includes('text/plain')) return;
      e.preventDefault();
      e.dataTransfer.dropEffect = 'copy';
    });
    editor.addEventListener('drop', flowHandleDrop);
  }
  return { input, clear, items };
}

// Builds or rebuilds the palette in "flow-palette" (nothing when it is absent).
function initFlowPalette() {
  const root = document.getElementById('flow-palette');
  if (!root) return;
  const { input, clear, items } = _flowPaletteParts(root);
  input.placeholder = _flowText('flow.palette.filterPlaceholder', 'Filtrar...');
  input.setAttribute('aria-label', _flowText('flow.palette.filterAriaLabel', 'Filtrar nodos'));
  const clearText = _flowText('flow.palette.clearFilter', 'Borrar filtro');
  clear.title = clearText;
  clear.setAttribute('aria-label', clearText);
  const hint = t('flow.palette.itemHint');
  const list = document.createDocumentFragment();
  for (const c of _buildFlowPaletteCategories()) {
    list.appendChild(_flowPaletteHeader('flow-palette-header', c.label.toUpperCase(), c.color));
    if (c.subGroups) {
      for (const g of c.subGroups) {
        list.appendChild(_flowPaletteHeader('flow-palette-subheader', g.label, g._subKey ? g.color : _FLOW_PALETTE_SUBGROUP_COLOR));
        for (const it of g.items) list.appendChild(_flowPaletteItem(it, hint));
      }
    } else {
      for (const it of c.items) list.appendChild(_flowPaletteItem(it, hint));
    }
  }
  const empty = document.createElement('div');
  empty.className = 'flow-palette-empty';
  empty.textContent = _flowText('flow.palette.emptyResults', 'Sin resultados');
  empty.hidden = true;
  list.appendChild(empty);
  items.replaceChildren(list);
  _flowPaletteFilter();
}

// Shows the items whose label or type holds the filter text. A sub-header shows while an item of its
// group shows, a section header while an item of its section does; the empty line when none shows.
function _flowPaletteFilter() {
  const input = document.getElementById('flow-palette-filter');
  const items = document.getElementById('flow-palette-items');
  if (!input || !items) return;
  const q = input.value.trim().toLowerCase();
  let section = null;
  let group = null;
  let any = false;
  const close = (header) => {
    if (header) header.el.hidden = !header.shown;
  };
  for (const el of items.children) {
    if (el.classList.contains('flow-palette-header')) {
      close(group);
      close(section);
      section = { el, shown: false };
      group = null;
    } else if (el.classList.contains('flow-palette-subheader')) {
      close(group);
      group = { el, shown: false };
    } else if (el.classList.contains('flow-palette-item')) {
      const shown = !q || el.dataset.filterLabel.includes(q) || el.dataset.filterType.includes(q);
      el.hidden = !shown;
      if (shown) {
        any = true;
        if (section) section.shown = true;
        if (group) group.shown = true;
      }
    } else if (el.classList.contains('flow-palette-empty')) {
      close(group);
      close(section);
      section = group = null;
      el.hidden = any;
    }
  }
  const clear = document.getElementById('flow-palette-filter-clear');
  if (clear) clear.hidden = !q;
}

// Adds a node of the type in the middle of the flow editor's visible area, moved by up to 20 units each
// way so that repeated adds do not cover each other.
function flowAddFromPalette(type) {
  const editor = _flowEditor;
  if (!editor) {
    console.warn('[flow] flowAddFromPalette: the flow editor is not open');
    return null;
  }
  try {
    const area = document.getElementById('flow-editor');
    const r = area ? area.getBoundingClientRect() : null;
    const centre = r && r.width > 0 ? _flowClientToInternal(r.left + r.width / 2, r.top + r.height / 2) : null;
    const base = centre ? { x: centre.x - _FLOW_PALETTE_NODE_HALF.x, y: centre.y - _FLOW_PALETTE_NODE_HALF.y }
      : { x: Math.max(20, 400 / 2 - _FLOW_PALETTE_NODE_HALF.x), y: Math.max(20, 200 / 2 - _FLOW_PALETTE_NODE_HALF.y) };
    const taken = new Set(Object.values(_flowModuleData(editor)).map((n) => n.pos_x + ',' + n.pos_y));
    const jitter = () => Math.round((Math.random() * 2 - 1) * _FLOW_PALETTE_JITTER);
    let x;
    let y;
    for (let tries = 0; tries < 20; tries++) {
      x = Math.round(base.x) + jitter();
      y = Math.round(base.y) + jitter();
      if (!taken.has(x + ',' + y)) break;
    }
    const id = addFlowNode(type, x, y, {});
    updateFlowNodeCount();
    return id;
  } catch (e) {
    console.error('[flow] flowAddFromPalette error:', e);
    return null;
  }
}

// The drop onto the flow editor: a palette item becomes a node at the drop point, inside the smallest
// group whose box holds that point (one undo step); a canvas element goes to its element node.
function flowHandleDrop(event) {
  event.preventDefault();
  const dt = event.dataTransfer;
  const text = dt ? dt.getData('application/json') || dt.getData('text/plain') : '';
  if (!text) return;
  let data;
  try {
    data = JSON.parse(text);
  } catch (e) {
    return;
  }
  if (!data || typeof data !== 'object') return;
  const at = _flowClientToInternal(event.clientX, event.clientY);
  if (!at) return;
  if (data.action === 'create') {
    if (!_flowCanAddType(data.type)) return;
    _flowRunCommand(() => {
      const id = addFlowNode(data.type, at.x, at.y, {});
      if (id === null || id === undefined) return;
      const group = _flowInnermostContainerAtPointXY(event.clientX, event.clientY, new Set([String(id)]));
      if (group !== undefined) addToFlowContainer(id, group);
    });
    updateFlowNodeCount();
  } else if (data.id !== undefined && data.id !== null) {
    _qlCallIfDefined('_dropElementToFlow', data.id, at.x, at.y);
  }
}
