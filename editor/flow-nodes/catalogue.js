// The flow node catalogue: node templates, the registration of every built-in type and of the types made
// from the two UI catalogues, header icons, native-dependency tiers, element type labels, and bringing a
// node's DOM in line with its type after it is created or loaded (port reconcile, dots, row labels).
//
// A template is one DOM element that the graph library clones for every node of its type: a header (filled
// per node) over one row per port position, input name left, output name right. Texts go in as text.
// Provides: _pendingSubtitleSpec, _flowSubtitleSpecs, _flowEditorNodeHtml, _flowParseSubtitle,
//   _flowDerivedProcedureTypes, _flowDerivedGetterTypes, _flowRegisterNodes, _flowTemplatePortNames,
//   _flowAfterAddNode, _upgradeLegacyNodeHeader, resolveFlowNodeIcon, flowNodePbDep, flowNodeBrowserOnly,
//   _elementTypeLabel, _flowPlainHeader
// Needs: _FLOW_BUILTIN_NODE_ROWS, _FLOW_SUBTITLE_SHOW_IF, _FLOW_SUBTITLE_ACCENTS, _FLOW_CATEGORY_COLORS,
//   _FLOW_VARIABLE_PORT_TYPES, FLOW_NODE_ICONS, FLOW_NODE_ICON_PREFIXES, FLOW_NODE_ICON_DEFAULT,
//   FLOW_PB_STRICT_NODES, FLOW_PB_CONDITIONAL_NODES, FLOW_BROWSER_ONLY_NODES, _ELEMENT_TYPE_LABELS,
//   _UI_PROCEDURE_CATALOG, _UI_GETTER_CATALOG, TOOLBOX_ITEMS, _flowEditor, _restoringFlow, _flowNodeRecord,
//   _flowNodeElement, _flowModuleData, _flowPortDotTop, _flowApplyMutedClass, _flowApplyBreakpointClass, _flowFrame,
//   _qlCallIfDefined, _qlReportFailure, t
// Calls: updateFlowNodeTitle, _flowApplyPortVisibility, _flowNodeLabels, _flowQueueCableRedraw

// The subtitle specification of the template built last, until its registration stores it.
var _pendingSubtitleSpec = null;
// Node type -> subtitle specification.
var _flowSubtitleSpecs = {};
var _FLOW_DEFAULT_ACCENT = '#6366f1';
var _FLOW_GETTER_COLOR = '#f59e0b';
// Procedure and getter types that the built-in rows describe in their own way.
var _FLOW_DERIVED_SKIP = new Set(['Action_UI_Alert', 'Action_UI_CopyElement']);
var _FLOW_GETTER_SKIP = new Set(['Data_UI_GetValue', 'Data_UI_GetChecked', 'Data_UI_GetEnabled', 'Data_UI_GetVisible',
  'Data_UI_GetListItems']);

function _flowWords(text) {
  return text ? text.split(/\s+/).filter(Boolean) : [];
}

// One field token of a built-in row (see catalogue-data.js) as a subtitle field.
function _flowParseField(type, token) {
  const m = /^([A-Za-z0-9_]+)([?*!^]*)(?:~(\S+?))?(?:\[(.*)\])?$/.exec(token);
  if (!m) throw new Error('bad subtitle field "' + token + '" of ' + type);
  const marks = m[2];
  const field = {
    key: m[1],
    mode: marks.includes('?') ? 'ifUnwired' : marks.includes('*') ? 'fallback' : 'always',
    required: marks.includes('!'),
  };
  if (m[4] !== undefined) field.label = m[4];
  if (marks.includes('^')) field.transform = 'upper';
  else if (m[3]) field.transform = { i18n: m[3] };
  const showIf = _FLOW_SUBTITLE_SHOW_IF[type] && _FLOW_SUBTITLE_SHOW_IF[type][field.key];
  if (showIf) field.showIf = showIf;
  return field;
}

function _flowParseSubtitle(type, prefix, fields) {
  const spec = { prefix, fields: _flowWords(fields).map((token) => _flowParseField(type, token)) };
  if (_FLOW_SUBTITLE_ACCENTS[type]) spec.accent = _FLOW_SUBTITLE_ACCENTS[type];
  return spec;
}

// The template element (see the file's head); the subtitle description is left in _pendingSubtitleSpec for the
// caller to store under the type. The title is not drawn: headers are filled per node.
function _flowEditorNodeHtml(title, inputs, outputs, accent, subtitleSpec) {
  const ins = Array.isArray(inputs) ? inputs : [];
  const outs = Array.isArray(outputs) ? outputs : [];
  const root = document.createElement('div');
  root.className = 'flow-node';
  const header = document.createElement('div');
  header.className = 'flow-node-header';
  header.style.background = accent || _FLOW_DEFAULT_ACCENT;
  if (subtitleSpec) {
    const prefix = document.createElement('span');
    prefix.className = 'flow-node-subtitle-prefix';
    const values = document.createElement('span');
    values.className = 'flow-node-subtitle-values';
    header.append(prefix, values);
  }
  const body = document.createElement('div');
  body.className = 'flow-node-rows';
  const count = Math.max(ins.length, outs.length);
  for (let i = 0; i < count; i++) {
    if (!ins[i] && !outs[i]) continue;
    body.appendChild(_flowRowElement(ins[i] || '', outs[i] || ''));
  }
  // A node without ports keeps one empty row, so its body keeps its height.
  if (!body.firstChild) body.appendChild(_flowRowElement('', ''));
  root.append(header, body);
  _pendingSubtitleSpec = subtitleSpec || null;
  return root;
}

function _flowRowElement(input, output) {
  const row = document.createElement('div');
  row.className = 'flow-row';
  const cin = document.createElement('div');
  cin.className = 'flow-cell-in';
  cin.textContent = input;
  const cout = document.createElement('div');
  cout.className = 'flow-cell-out';
  cout.textContent = output;
  row.append(cin, cout);
  return row;
}

// Types made from UI procedures: [{type, inputs, outputs, accent, spec}] in catalogue order, leaving out
// the types in `taken`.
function _flowDerivedProcedureTypes(catalog, taken) {
  const out = [];
  for (const entry of catalog) {
    if (!entry || !entry.node || taken.has(entry.node) || _FLOW_DERIVED_SKIP.has(entry.node)) continue;
    const inputs = Array.isArray(entry.inputs) ? entry.inputs.slice() : [];
    const outputs = Array.isArray(entry.outputs) && entry.outputs.length ? entry.outputs.slice() : ['flow_out'];
    const fields = (Array.isArray(entry.paramSpecs) ? entry.paramSpecs : [])
      .filter((p) => p.key !== 'flow_in' && p.key !== 'flow_out')
      .map((p) => ({ key: p.key, mode: p.mode || 'ifUnwired', required: p.key === 'elementId' }));
    out.push({ type: entry.node, inputs, outputs, accent: _FLOW_CATEGORY_COLORS[entry.category] || _FLOW_DEFAULT_ACCENT,
      spec: { prefix: entry.subtitlePrefix || '', fields } });
  }
  return out;
}

// Types made from UI getters: no flow ports; the read value, then the element id passed on.
function _flowDerivedGetterTypes(catalog, taken) {
  const out = [];
  for (const entry of catalog) {
    if (!entry || !entry.node || taken.has(entry.node) || _FLOW_GETTER_SKIP.has(entry.node)) continue;
    const inputs = Array.isArray(entry.inputs) ? entry.inputs.slice() : [];
    const outputs = [entry.outputPort || 'value'];
    if (inputs.includes('elementId') && !outputs.includes('elementId')) outputs.push('elementId');
    const fields = inputs.map((key) => ({ key, mode: 'ifUnwired', required: key === 'elementId' }));
    out.push({ type: entry.node, inputs, outputs, accent: _FLOW_GETTER_COLOR,
      spec: { prefix: entry.subtitlePrefix || 'GET', fields } });
  }
  return out;
}

function _flowRegisterOne(editor, type, inputs, outputs, accent, spec) {
  const template = _flowEditorNodeHtml(type, inputs, outputs, accent, spec);
  if (type === 'Action_PlayTone') {
    const canvas = document.createElement('canvas');
    canvas.className = 'flow-tone-canvas';
    canvas.title = t('flow.tonePreview');
    template.appendChild(canvas);
  }
  editor.registerNode(type, template);
  _flowSubtitleSpecs[type] = _pendingSubtitleSpec;
  _pendingSubtitleSpec = null;
}

// Registers every built-in and derived type with the flow editor (again: the templates are replaced),
// and subscribes once per editor to node creation and graph import. Nothing without an editor.
function _flowRegisterNodes() {
  const editor = _flowEditor;
  if (!editor) return;
  const taken = new Set();
  for (const [type, ins, outs, color, prefix, fields] of _FLOW_BUILTIN_NODE_ROWS) {
    _flowRegisterOne(editor, type, _flowWords(ins), _flowWords(outs), color, _flowParseSubtitle(type, prefix, fields));
    taken.add(type);
  }
  // A failure stops its own loop only: the other catalogue's types still register.
  const loops = [
    [_flowDerivedProcedureTypes, _UI_PROCEDURE_CATALOG, '[flow] auto-register from catalog error:'],
    [_flowDerivedGetterTypes, _UI_GETTER_CATALOG, '[flow] auto-register from getter catalog error:'],
  ];
  for (const [derive, catalog, message] of loops) {
    try {
      for (const d of derive(catalog, taken)) {
        _flowRegisterOne(editor, d.type, d.inputs, d.outputs, d.accent, d.spec);
        taken.add(d.type);
      }
    } catch (e) {
      console.error(message, e);
    }
  }
  if (editor._qlCatalogueEvents) return;
  editor._qlCatalogueEvents = true;
  // The node's DOM is there when the library tells of it, so it is brought in line at once. The add
  // was recorded before it happened (addFlowNode runs as a command): no step is taken here.
  editor.on('nodeCreated', (id) => {
    if (!_restoringFlow && _flowEditor === editor) _flowAfterAddNode(id);
  });
  // Nodes are brought in line as soon as they are drawn, before the page is first laid out with them,
  // so a large graph is laid out once; the cables follow on the next frame.
  editor.on('import', () => {
    if (_flowEditor !== editor) return;
    const ids = Object.keys(_flowModuleData(editor));
    for (const id of ids) {
      _flowAfterAddNode(id);
      _upgradeLegacyNodeHeader(id);
    }
    _qlCallIfDefined('_flowQueueCableRedraw', ids);
  });
}

// The port names a registered template shows, {inputs, outputs}; null for a type without a template.
function _flowTemplatePortNames(type, editor) {
  const e = editor || _flowEditor;
  const entry = e && e.noderegister && Object.prototype.hasOwnProperty.call(e.noderegister, type) ? e.noderegister[type] : null;
  const html = entry && entry.html;
  if (!html || typeof html.querySelectorAll !== 'function') return null;
  const names = (selector) => [...html.querySelectorAll(selector)].map((c) => c.textContent.trim()).filter(Boolean);
  return { inputs: names('.flow-cell-in'), outputs: names('.flow-cell-out') };
}

function _flowHasFixedPorts(node) {
  const type = node.name;
  if (_FLOW_VARIABLE_PORT_TYPES.includes(type) || String(type).startsWith('Element_')) return false;
  // A node drawn from markup of its own, not from its type's template.
  return node.typenode === true && node.html === type;
}

// Removes the surplus ports of one side (from the highest index down to `keep` + 1) with their dots and
// every cable entry at both ends.
function _flowDropSurplusPorts(editor, id, node, side, keep) {
  const data = _flowModuleData(editor);
  const ports = side === 'input' ? node.inputs : node.outputs;
  const count = Object.keys(ports).length;
  const el = _flowNodeElement(id);
  for (let k = count; k > keep; k--) {
    const key = side + '_' + k;
    const port = ports[key];
    if (!port) continue;
    for (const c of port.connections || []) {
      const far = data[c.node];
      const farKey = side === 'input' ? c.input : c.output;
      const farPorts = far && (side === 'input' ? far.outputs : far.inputs);
      if (farPorts && farPorts[farKey]) {
        farPorts[farKey].connections = farPorts[farKey].connections.filter((fc) => !(String(fc.node) === String(id) &&
          (side === 'input' ? fc.output : fc.input) === key));
      }
      const outId = side === 'input' ? c.node : id;
      const inId = side === 'input' ? id : c.node;
      const outKey = side === 'input' ? farKey : key;
      const inKey = side === 'input' ? key : farKey;
      const svg = editor.precanvas && editor.precanvas.querySelector('.connection.node_in_node-' + inId + '.node_out_node-' + outId +
        '.' + outKey + '.' + inKey);
      if (svg) svg.remove();
    }
    delete ports[key];
    const dot = el && el.querySelector('.' + side + 's .' + key);
    if (dot) dot.remove();
  }
}

function _flowReconcilePorts(editor, id, node) {
  const expected = _flowTemplatePortNames(node.name, editor);
  if (!expected) return;
  node.data = node.data || {};
  for (const [side, names, listKey] of [['input', expected.inputs, '_inputNames'], ['output', expected.outputs, '_outputNames']]) {
    if (!names.length) continue;
    const ports = side === 'input' ? node.inputs : node.outputs;
    const stored = Object.keys(ports).length;
    if (stored < names.length) {
      for (let k = stored; k < names.length; k++) {
        try {
          if (side === 'input') editor.addNodeInput(id);
          else editor.addNodeOutput(id);
        } catch (e) {
          console.error('[flow] port reconcile error:', e);
          break;
        }
      }
    } else if (stored > names.length) {
      _flowDropSurplusPorts(editor, id, node, side, names.length);
    }
    const current = node.data[listKey];
    if (!Array.isArray(current) || current.length !== names.length || current.some((n, i) => n !== names[i])) {
      node.data[listKey] = names.slice();
    }
  }
}

// Dots centred on their rows, and one row per port position labelled from the node's own port names.
function _flowLayoutRows(el, node) {
  const ins = Array.isArray(node.data && node.data._inputNames) ? node.data._inputNames : [];
  const outs = Array.isArray(node.data && node.data._outputNames) ? node.data._outputNames : [];
  const top = (i) => _flowPortDotTop(i) + 'px';
  el.querySelectorAll('.inputs > .input').forEach((dot, i) => { dot.style.top = top(i); });
  el.querySelectorAll('.outputs > .output').forEach((dot, i) => { dot.style.top = top(i); });
  const body = el.querySelector('.flow-node > .flow-node-rows');
  if (!body) return;
  const count = Math.max(Object.keys(node.inputs || {}).length, Object.keys(node.outputs || {}).length, 1);
  while (body.children.length < count) body.appendChild(_flowRowElement('', ''));
  while (body.children.length > count) body.lastChild.remove();
  [...body.children].forEach((row, i) => {
    const cin = row.querySelector('.flow-cell-in');
    const cout = row.querySelector('.flow-cell-out');
    if (cin) cin.textContent = typeof ins[i] === 'string' ? ins[i] : '';
    if (cout) cout.textContent = typeof outs[i] === 'string' ? outs[i] : '';
  });
}

// Until node headers are drawn in full: the type's icon and its subtitle prefix (or label).
function _flowPlainHeader(id) {
  const node = _flowNodeRecord(id);
  const el = _flowNodeElement(id);
  const header = el && el.querySelector('.flow-node > .flow-node-header');
  if (!node || !header) return;
  let prefix = header.querySelector('.flow-node-subtitle-prefix');
  if (!prefix) {
    header.textContent = '';
    prefix = document.createElement('span');
    prefix.className = 'flow-node-subtitle-prefix';
    header.appendChild(prefix);
  }
  const spec = _flowSubtitleSpecs[node.name];
  const labels = typeof _flowNodeLabels === 'object' && _flowNodeLabels ? _flowNodeLabels : {};
  const icon = document.createElement('i');
  icon.className = 'ph ' + resolveFlowNodeIcon(node.name, node.data) + ' flow-node-icon';
  prefix.replaceChildren(icon, document.createTextNode(' ' + ((spec && spec.prefix) || labels[node.name] || node.name)));
  header.title = node.name;
}

// Brings a node's DOM in line with its type and data; see the file's head.
function _flowAfterAddNode(id) {
  const editor = _flowEditor;
  if (!editor) return;
  try {
    const node = _flowNodeRecord(id);
    const el = _flowNodeElement(id);
    if (!node || !el) return;
    if (_flowHasFixedPorts(node)) {
      try {
        _flowReconcilePorts(editor, String(id), node);
      } catch (e) {
        console.error('[flow] port reconcile error:', e);
      }
    }
    _flowLayoutRows(el, node);
    if (typeof updateFlowNodeTitle === 'function') updateFlowNodeTitle(id);
    else _flowPlainHeader(id);
    _flowApplyMutedClass(id);
    _flowApplyBreakpointClass(id);
    _qlCallIfDefined('_flowApplyPortVisibility', id);
  } catch (e) {
    _qlReportFailure('_flowAfterAddNode', e);
  }
}

// A header saved in the older form (a plain title, no subtitle spans) gets the two spans when its type
// has a subtitle, else it is emptied; a header that has the spans is left alone.
function _upgradeLegacyNodeHeader(id) {
  const node = _flowNodeRecord(id);
  const el = _flowNodeElement(id);
  const header = el && el.querySelector('.flow-node > .flow-node-header');
  if (!node || !header || header.querySelector('.flow-node-subtitle-prefix')) return;
  header.textContent = '';
  if (!_flowSubtitleSpecs[node.name]) return;
  for (const cls of ['flow-node-subtitle-prefix', 'flow-node-subtitle-values']) {
    const span = document.createElement('span');
    span.className = cls;
    header.appendChild(span);
  }
  if (typeof updateFlowNodeTitle === 'function') updateFlowNodeTitle(id);
  else _flowPlainHeader(id);
}

// The Phosphor icon class of a node type's header.
function resolveFlowNodeIcon(type, data) {
  const name = String(type || '');
  if (name.startsWith('Element_')) {
    const elementType = data && data.elementType;
    const item = TOOLBOX_ITEMS.find((i) => i.type === elementType);
    return item ? item.icon : FLOW_NODE_ICON_DEFAULT;
  }
  if (Object.prototype.hasOwnProperty.call(FLOW_NODE_ICONS, name)) return FLOW_NODE_ICONS[name];
  for (const [prefix, icon] of FLOW_NODE_ICON_PREFIXES) if (name.startsWith(prefix)) return icon;
  return FLOW_NODE_ICON_DEFAULT;
}

// "strict", "conditional" or null: whether a type needs a native host always, or for local files only.
function flowNodePbDep(type) {
  if (FLOW_PB_STRICT_NODES.includes(type)) return 'strict';
  if (FLOW_PB_CONDITIONAL_NODES.includes(type)) return 'conditional';
  return null;
}

// Needs a page with web storage (at most one tier: the native ones are tested first).
function flowNodeBrowserOnly(type) {
  return !flowNodePbDep(type) && FLOW_BROWSER_ONLY_NODES.includes(type);
}

function _elementTypeLabel(type) {
  const text = type === undefined || type === null ? '' : String(type);
  if (!text) return '';
  const known = _ELEMENT_TYPE_LABELS[text.toLowerCase()];
  return known || text.charAt(0).toUpperCase() + text.slice(1);
}
