// Older project documents brought to the current shape: the per-element fixes of a load and the chain
// of named migrations. Every step changes the parsed document in place and can run again on its own
// output without changing it, so loading one document twice gives the same state.
// Provides: _qlFixLoadedElements, applyMigrations_v1_to_v2, applyMigrations_MathLegacy,
//   applyMigrations_GateLegacy, applyMigrations_BranchLegacy, applyMigrations_ForLoopLegacy,
//   applyMigrations_VideoToAVPlayer, applyDefaultProps, migrateBoxShadow, migrateBoxShadowAll,
//   _qlRunMigrations
// Needs: t, _LEGACY_DEFAULTS_BY_TYPE, _NEW_EVENT_FLAGS
// Calls: TOOLBOX_ITEMS

var _QL_MOUSE_FLAGS = ['exportMousedown', 'exportMouseup', 'exportMouseenter', 'exportMouseleave', 'exportMousemove'];
function _qlEventFlagNames() {
  return _NEW_EVENT_FLAGS;
}

// The events that element types raised before each had its own flag.
function _qlLegacyEvents(type) {
  const listed = _LEGACY_DEFAULTS_BY_TYPE[type];
  return Array.isArray(listed) ? listed : [];
}

function _qlPivotWord(word, low, high) {
  if (word === low) return '0';
  if (word === 'center') return '50';
  if (word === high) return '100';
  return '50';
}

// A list whose items were one text becomes a list with one text child per non-blank line.
function _qlLegacyListChildren(list) {
  const lines = String(list.listItems).split(/\r?\n/).map((s) => s.trim()).filter(Boolean);
  return lines.map((line, i) => ({
    id: list.id + '_item_' + (i + 1), type: 'text', parentId: list.id, text: line,
    textColor: list.textColor || 'th:textPrimary', fontSize: list.fontSize || '', fontWeight: list.fontWeight || '',
    className: list.itemClassName || '', width: '', height: '', padding: '', flexChild: '', minWidth: '',
    maxWidth: '', minHeight: '', maxHeight: '', hidden: false, disabled: false,
  }));
}

// The fixes every loaded element gets; appends the children of legacy lists to `list`.
function _qlFixLoadedElements(list) {
  const appended = [];
  for (const el of list) {
    if (!el || typeof el !== 'object') throw new Error('an element is not an object');
    if (el.type === 'video') el.type = 'avplayer';
    for (const key of ['width', 'height']) {
      const v = el[key];
      if (typeof v === 'number') el[key] = v + 'px';
      else if (v !== undefined && v !== null && typeof v !== 'string') el[key] = String(v);
    }
    // Earlier editors stored the read-only box as `readonly`, a field nothing reads: the box's state
    // is what the user chose, so it becomes the element's `readOnly`.
    if (typeof el.readonly === 'boolean') {
      el.readOnly = el.readonly;
      delete el.readonly;
    }
    if (el.overflow === 'overflow-y-auto') el.overflow = 'overflow-y-auto overflow-x-hidden';
    else if (el.overflow === 'overflow-x-auto') el.overflow = 'overflow-x-auto overflow-y-hidden';
    for (const flag of _QL_MOUSE_FLAGS) if (el[flag] === undefined) el[flag] = false;
    const legacy = _qlLegacyEvents(el.type);
    for (const flag of _qlEventFlagNames()) if (el[flag] === undefined) el[flag] = legacy.includes(flag);
    if (el.type === 'list' && typeof el.listItems === 'string') {
      appended.push(..._qlLegacyListChildren(el));
      delete el.listItems;
    }
    if (el.type === 'image' && el.transformOriginX === undefined && el.imgScale && el.objectPosition) {
      const words = String(el.objectPosition).replace('object-', '').split('-');
      el.transformOriginX = _qlPivotWord(words[0], 'left', 'right');
      el.transformOriginY = _qlPivotWord(words.length > 1 ? words[1] : words[0], 'top', 'bottom');
    }
  }
  list.push(...appended);
}

function _qlElementsOf(doc) {
  return Array.isArray(doc && doc.elements) ? doc.elements : [];
}

function applyMigrations_v1_to_v2(doc) {
  for (const el of _qlElementsOf(doc)) {
    if (el.style && typeof el.style === 'object') {
      if (el.style['overflow-y'] === 'auto' || el.style['overflow-y'] === 'scroll') delete el.style['overflow-y'];
      delete el.style['overflow-x'];
    }
    delete el.children;
  }
}

// Nodes of the main flow module only; sub-flow modules keep their nodes as they are.
function _qlHomeNodes(doc) {
  const data = doc && doc.flow && doc.flow.drawflow && doc.flow.drawflow.Home && doc.flow.drawflow.Home.data;
  return data && typeof data === 'object' ? Object.values(data).filter((n) => n && typeof n === 'object') : [];
}

function _qlRenameNode(node, to) {
  if (node.html === node.name) node.html = to;
  node.name = to;
  node.data = node.data && typeof node.data === 'object' ? node.data : {};
}

function applyMigrations_MathLegacy(doc) {
  const ops = { Data_MathAdd: 'add', Data_MathSub: 'sub', Data_MathMul: 'mul', Data_MathDiv: 'div' };
  let changed = 0;
  for (const node of _qlHomeNodes(doc)) {
    if (!ops[node.name]) continue;
    const op = ops[node.name];
    _qlRenameNode(node, 'Data_Math');
    if (!node.data.op) node.data.op = op;
    changed++;
  }
  if (changed) console.warn('[flow] ' + changed + ' math node(s) brought to Data_Math');
}

function applyMigrations_GateLegacy(doc) {
  const ops = { Control_And: 'and', Control_Or: 'or', Control_Not: 'not' };
  let changed = 0;
  for (const node of _qlHomeNodes(doc)) {
    if (ops[node.name]) {
      const op = ops[node.name];
      _qlRenameNode(node, 'Data_Gate');
      node.data.op = op;
      changed++;
    }
    if (node.name !== 'Data_Gate') continue;
    node.data = node.data && typeof node.data === 'object' ? node.data : {};
    const outs = Array.isArray(node.data._outputNames) ? node.data._outputNames : ['result'];
    if (!outs.includes('flow_out')) {
      node.data._outputNames = outs.concat('flow_out');
      node.outputs = node.outputs && typeof node.outputs === 'object' ? node.outputs : {};
      if (!node.outputs.output_2) node.outputs.output_2 = { connections: [] };
      changed++;
    }
    if (!Array.isArray(node.data._inputNames)) {
      node.data._inputNames = ['A', 'B'];
      node.data._inputValues = [node.data.A || '', node.data.B || ''];
      changed++;
    }
  }
  if (changed) console.warn('[flow] logic gate nodes updated');
}

function applyMigrations_BranchLegacy(doc) {
  let changed = 0;
  for (const node of _qlHomeNodes(doc)) {
    if (node.name !== 'Control_If') continue;
    _qlRenameNode(node, 'Control_Branch');
    node.data._inputNames = ['flow_in', 'Condition'];
    node.data._outputNames = ['flow_true', 'flow_false'];
    delete node.data.A;
    delete node.data.op;
    delete node.data.B;
    changed++;
  }
  if (changed) console.warn('[flow] ' + changed + ' "If" node(s) became Branch nodes: connect their Condition input again');
}

function applyMigrations_ForLoopLegacy(doc) {
  let changed = 0;
  for (const node of _qlHomeNodes(doc)) {
    if (node.name !== 'Control_Loop') continue;
    _qlRenameNode(node, 'Control_ForLoop');
    changed++;
  }
  if (changed) console.warn('[flow] ' + changed + ' loop node(s) became For loops');
}

function applyMigrations_VideoToAVPlayer(doc) {
  let changed = 0;
  for (const node of _qlHomeNodes(doc)) {
    if (typeof node.name !== 'string' || !node.name.startsWith('Action_UI_Video')) continue;
    const to = 'Action_UI_AVPlayer' + node.name.slice('Action_UI_Video'.length);
    if (typeof node.html === 'string' && node.html.startsWith('Action_UI_Video')) {
      node.html = 'Action_UI_AVPlayer' + node.html.slice('Action_UI_Video'.length);
    }
    node.name = to;
    changed++;
  }
  if (changed) console.warn('[flow] ' + changed + ' video node(s) became player nodes');
}

function applyDefaultProps(doc) {
  const defaults = new Map((typeof TOOLBOX_ITEMS !== 'undefined' ? TOOLBOX_ITEMS : []).map((it) => [it.type, it.defaultProps]));
  for (const el of _qlElementsOf(doc)) {
    const props = defaults.get(el.type);
    if (!props) continue;
    for (const key of Object.keys(props)) {
      if (el[key] === undefined) el[key] = JSON.parse(JSON.stringify(props[key] === undefined ? null : props[key]));
    }
  }
}

var _QL_SHADOW_SIZES = [['shadow-2xl', 28, 50], ['shadow-xl', 18, 30], ['shadow-lg', 10, 20],
  ['shadow-md', 6, 10], ['shadow-sm', 2, 4], ['shadow', 3, 6]];
var _QL_SHADOW_DIRS = { tl: [-1, -1], t: [0, -1], tr: [1, -1], l: [-1, 0], c: [0, 0], r: [1, 0],
  bl: [-1, 1], b: [0, 1], br: [1, 1] };

function migrateBoxShadow(el) {
  if (!el || typeof el !== 'object') return el;
  if (el.boxShadowEnabled !== undefined || el.boxShadowX !== undefined) return el;
  const cls = typeof el.boxShadow === 'string' ? el.boxShadow : '';
  const dir = el.shadowDir;
  const size = _QL_SHADOW_SIZES.find((s) => cls.includes(s[0]));
  if (!cls.trim() || cls.includes('shadow-inner') || !dir || !size) {
    Object.assign(el, { boxShadowEnabled: false, boxShadowColor: '', boxShadowX: '', boxShadowY: '',
      boxShadowBlur: '', boxShadowOpacity: '', boxShadow: '', shadowDir: '' });
    return el;
  }
  const [mx, my] = _QL_SHADOW_DIRS[dir] || [0, 1];
  const opacity = /\/(\d+)/.exec(cls);
  Object.assign(el, {
    boxShadowEnabled: true, boxShadowColor: '#000000', boxShadowX: String(mx * size[1] + 0),
    boxShadowY: String(my * size[1] + 0), boxShadowBlur: String(size[2]),
    boxShadowOpacity: opacity ? opacity[1] : '35', boxShadow: '', shadowDir: '',
  });
  return el;
}

function migrateBoxShadowAll(doc) {
  for (const el of _qlElementsOf(doc)) migrateBoxShadow(el);
  return doc;
}

// The chain in its fixed order; a step that fails is skipped and the others run. The shadow
// migration runs before the defaults: these hold the new shadow fields, and an element that has them
// counts as migrated, so after the defaults an old shadow would be lost.
function _qlRunMigrations(doc) {
  const steps = [applyMigrations_MathLegacy, applyMigrations_GateLegacy, applyMigrations_BranchLegacy,
    applyMigrations_ForLoopLegacy, applyMigrations_VideoToAVPlayer, migrateBoxShadowAll, applyDefaultProps];
  if (doc.version === undefined) steps.unshift(applyMigrations_v1_to_v2);
  for (const step of steps) {
    try {
      step(doc);
    } catch (e) {
      console.warn('[project] migration ' + step.name + ' skipped:', e);
    }
  }
  doc.version = 2;
}
