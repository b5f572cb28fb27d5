// The flow inspector: the right column of the flow panel. With one node selected it shows the node's
// type and id and a form of its fields (FLOW_INSPECTOR_FIELDS), every edit written at once into the
// node's data; with none it shows the variable and constant manager. The form is built as one text,
// every piece of node data, element id and registry or animation name escaped where it is placed, and
// put into the column in one step; its listeners are delegated from the column, bound once.
//
// A field whose input port has a cable is disabled (the cable feeds it) and shown empty. Typing into a
// field is one undo step per burst: the step is recorded before its first keystroke.
// Provides: renderFlowInspector, clearFlowInspector, _inputPortIndexForField, _flowFieldLabel,
//   _flowFieldIsWired, _flowInspectorEdit, _flowRepeaterAdd, _flowRepeaterRemove, _flowRepeaterRename,
//   _flowNumDragSpec, _flowNumDragValue, _flowNumDrag, _flowEditBurst, _flowEndBurst, _flowInspectorHost,
//   _flowCommitData, _flowFindRecord
// Needs: FLOW_INSPECTOR_FIELDS, FLOW_FIELD_LABEL_KEYS, FLOW_INPUT_ORDER, _FLOW_TONE_PRESETS, _flowEditor,
//   _flowNodeRecord, _flowRunCommand, _flowSubtitleSpecs, _flowVarsRegistry, _flowConstsRegistry,
//   _FLOW_SUPER_NODES_ENABLED, _historyVersion, escapeHtml, flowState, saveHistoryState, selectedIds,
//   showToast, startHostScrub, t, _qlCallIfDefined
// Calls: updateFlowAlignButtonsVisibility, updateFlowNodeTitle, _flowRefreshContainerHeader,
//   openFlowContainerColorPicker, _snUnlinkSuperNode, _snAddPort, _snRemovePort, _snRenamePort,
//   _syncFunctionJSPorts, openFunctionJSModal, openFunctionJSExternal, _nodeHelpKey, _ensureSpeechVoices,
//   renderFlowVarManager

var _FLOW_HEX = /^#[0-9a-fA-F]{6}$/;
var _FLOW_FALLBACK_SWATCH = '#4338ca';

function _flowInspectorHost() {
  return document.getElementById('flow-inspector');
}

// 1-based position of an input in the type's port order, 0 when the type has no such input.
function _inputPortIndexForField(type, key) {
  const order = FLOW_INPUT_ORDER[type];
  return order ? order.indexOf(key) + 1 : 0;
}

// The input port that backs a field: the node's own port names first (they grow on some types).
function _flowFieldPortIndex(node, key) {
  const own = node && node.data && Array.isArray(node.data._inputNames) ? node.data._inputNames : null;
  if (own) return own.indexOf(key) + 1;
  return _inputPortIndexForField(node && node.name, key);
}

function _flowFieldIsWired(node, key) {
  const k = _flowFieldPortIndex(node, key);
  const port = k && node.inputs ? node.inputs['input_' + k] : null;
  return Boolean(port && Array.isArray(port.connections) && port.connections.length);
}

// An explicit key wins; then the table's key when it translates; else the English label.
function _flowFieldLabel(field) {
  if (field.labelKey) {
    const own = t(field.labelKey);
    if (own !== field.labelKey) return own;
  }
  const key = FLOW_FIELD_LABEL_KEYS[field.label];
  if (key) {
    const text = t(key);
    if (text !== key) return text;
  }
  return field.label || field.key;
}

function _flowOptionLabel(option) {
  if (option.labelKey) {
    const text = t(option.labelKey);
    if (text !== option.labelKey) return text;
  }
  return option.label !== undefined ? option.label : option.value;
}

function _flowOptions(field) {
  return (field.options || []).map((o) => (o && typeof o === 'object' ? o : { value: String(o), label: String(o) }));
}

function _flowRequiredKeys(type) {
  const spec = _flowSubtitleSpecs[type];
  return new Set(spec && Array.isArray(spec.fields) ? spec.fields.filter((f) => f.required).map((f) => f.key) : []);
}

// Names offered by a select that lists a registry, the system's voices or the project's animations.
function _flowSourceNames(source) {
  let list = [];
  if (source === 'flowVars') list = _flowVarsRegistry.map((v) => v && v.name);
  else if (source === 'flowConsts') list = _flowConstsRegistry.map((v) => v && v.name);
  else if (source === 'speechVoices') list = (window._speechVoicesRegistry || []).map((v) => v && (v.name || v));
  else if (source === 'animations') list = (Array.isArray(window.animations) ? window.animations : []).map((a) => a && a.name);
  return [...new Set(list.filter((n) => typeof n === 'string' && n !== ''))];
}

function _flowOptionTag(value, label, selected) {
  return '<option value="' + escapeHtml(value) + '"' + (selected ? ' selected' : '') + '>' + escapeHtml(label) + '</option>';
}

// A select over names: an empty first choice while nothing is chosen, a stored name that is gone kept
// as "(missing)".
function _flowNamesSelect(names, value, attrs, emptyLabel, alwaysEmpty) {
  let html = '<select ' + attrs + '>';
  if (value === '' || alwaysEmpty) html += _flowOptionTag('', emptyLabel, value === '');
  for (const n of names) html += _flowOptionTag(n, n, n === value);
  if (value !== '' && !names.includes(value)) html += _flowOptionTag(value, value + ' (' + t('flow.inspector.missing') + ')', true);
  return html + '</select>';
}

function _flowFieldSwatchColor(node, value) {
  if (_FLOW_HEX.test(value)) return value;
  const spec = _flowSubtitleSpecs[node.name];
  return spec && spec.accent ? spec.accent : _FLOW_FALLBACK_SWATCH;
}

function _flowColorPair(node, key, value, disabled, hidden) {
  const dis = disabled ? ' disabled' : '';
  return '<div class="flow-color-pair"><button type="button" class="flow-swatch" data-flow-swatch="' + escapeHtml(key) + '"' +
    (hidden ? ' hidden' : '') + dis + ' style="background:' + escapeHtml(_flowFieldSwatchColor(node, value)) + '"></button>' +
    '<input type="text" class="flow-field-input" data-flow-key="' + escapeHtml(key) + '" data-flow-kind="color" value="' +
    escapeHtml(value) + '" spellcheck="false"' + dis + '></div>';
}

// The input of one field (the label is placed by the caller).
function _flowFieldInput(node, field, value, disabled) {
  const key = escapeHtml(field.key);
  const dis = disabled ? ' disabled' : '';
  const base = 'class="flow-field-input" data-flow-key="' + key + '" data-flow-kind="' + escapeHtml(field.type) + '"' + dis;
  const data = node.data;
  switch (field.type) {
    case 'textarea':
      return '<textarea ' + base + ' rows="8" spellcheck="false">' + escapeHtml(value) + '</textarea>';
    case 'number':
      return '<input type="number" ' + base + ' value="' + escapeHtml(value) + '">';
    case 'checkbox':
      return '<input type="checkbox" ' + base + (value === 'true' ? ' checked' : '') + '>';
    case 'select': {
      if (field.optionsSource === 'speechVoices') {
        _qlCallIfDefined('_ensureSpeechVoices');
        return _flowNamesSelect(_flowSourceNames('speechVoices'), value, base, t('flow.tts.system'), true);
      }
      if (field.optionsSource) return _flowNamesSelect(_flowSourceNames(field.optionsSource), value, base, '—', false);
      const options = _flowOptions(field);
      let html = '<select ' + base + '>';
      for (const o of options) html += _flowOptionTag(o.value, _flowOptionLabel(o), o.value === value);
      if (!options.some((o) => o.value === value)) html += _flowOptionTag(value, value + ' (' + t('flow.inspector.missing') + ')', true);
      return html + '</select>';
    }
    case 'combobox': {
      const list = 'flow-dl-' + escapeHtml(node.id) + '-' + key;
      return '<input type="text" ' + base + ' list="' + list + '" value="' + escapeHtml(value) + '" spellcheck="false">' +
        '<datalist id="' + list + '">' + _flowOptions(field).map((o) => '<option value="' + escapeHtml(o.value) + '"></option>').join('') +
        '</datalist>';
    }
    case 'animation-select':
      return _flowNamesSelect(_flowSourceNames('animations'), value, base, '—', false);
    case 'color':
      return _flowColorPair(node, field.key, value, disabled, data.useThemeColor === 'true');
    case 'var-type-readonly': {
      const list = field.optionsSource === 'flowConsts' ? _flowConstsRegistry : _flowVarsRegistry;
      const entry = list.find((v) => v && v.name === data.name && data.name !== undefined && data.name !== '');
      return '<input type="text" class="flow-field-input" readonly value="' + escapeHtml(entry ? entry.type : '—') + '">';
    }
    case 'typed-value': {
      const kind = data.type;
      if (kind === 'number') return '<input type="number" ' + base + ' value="' + escapeHtml(value) + '">';
      if (kind === 'boolean') return '<input type="checkbox" ' + base + (value === 'true' ? ' checked' : '') + '>';
      if (kind === 'color') return _flowColorPair(node, field.key, value || '#000000', disabled, false);
      break;
    }
    default:
      break;
  }
  let html = '<input type="text" ' + base + ' value="' + escapeHtml(value) + '" spellcheck="false">';
  if (field.type === 'text' && !disabled && /Id[A-Z]?$/.test(field.key)) {
    html = '<div class="flow-id-pair">' + html + '<button type="button" class="flow-pick-id" data-flow-pick="' + key + '" title="' +
      escapeHtml(t('flow.inspector.pickSelectedId')) + '"><i class="ph ph-crosshair"></i></button></div>';
  }
  return html;
}

function _flowRepeaterRows(node, field) {
  const data = node.data;
  const side = field.repeaterFor === 'outputs' ? 'output' : 'input';
  const names = Array.isArray(data[field.key]) ? data[field.key] : [];
  let html = '';
  names.forEach((name, i) => {
    if (name === 'flow_in' || name === 'flow_out') return;
    const at = ' data-flow-rep="' + escapeHtml(field.key) + '" data-flow-idx="' + i + '"';
    html += '<div class="flow-rep-row"><input type="text" class="flow-rep-name"' + at + ' value="' + escapeHtml(name) + '" spellcheck="false">';
    if (side === 'input' && field.repeaterValues) {
      const values = Array.isArray(data._inputValues) ? data._inputValues : [];
      const value = values[i] !== undefined ? values[i] : data[name];
      const wired = (() => {
        const port = node.inputs && node.inputs['input_' + (i + 1)];
        return Boolean(port && port.connections && port.connections.length);
      })();
      html += '<input type="text" class="flow-rep-value"' + at + ' value="' + escapeHtml(value === undefined ? '' : value) + '"' +
        (wired ? ' disabled' : '') + ' spellcheck="false">';
    } else if (side === 'input') {
      const types = Array.isArray(data._inputTypes) ? data._inputTypes : [];
      const type = types[i] || 'pass';
      html += '<select class="flow-rep-type"' + at + '>' + ['pass', 'number', 'string', 'boolean'].map((v) =>
        _flowOptionTag(v, t('flow.functionjs.type' + v[0].toUpperCase() + v.slice(1)), v === type)).join('') + '</select>';
    }
    html += '<button type="button" class="flow-rep-remove"' + at + ' title="' + escapeHtml(t('flow.inspector.remove')) + '">✕</button></div>';
  });
  const addKey = side === 'input' ? 'flow.functionjs.addInput' : 'flow.functionjs.addOutput';
  return html + '<button type="button" class="flow-rep-add" data-flow-rep-add="' + escapeHtml(field.key) + '">' + escapeHtml(t(addKey)) + '</button>';
}

function _flowKeyValueRows(node, field) {
  const list = Array.isArray(node.data[field.key]) ? node.data[field.key] : [];
  const keyPh = _flowFieldLabel({ label: field.kvKeyLabel || 'Key' });
  const valPh = _flowFieldLabel({ label: field.kvValLabel || 'Value' });
  let html = '';
  list.forEach((pair, i) => {
    const p = pair && typeof pair === 'object' ? pair : {};
    const at = ' data-flow-kv="' + escapeHtml(field.key) + '" data-flow-idx="' + i + '"';
    html += '<div class="flow-rep-row"><input type="text" class="flow-kv-key"' + at + ' placeholder="' + escapeHtml(keyPh) + '" value="' +
      escapeHtml(p.key === undefined ? '' : p.key) + '"><input type="text" class="flow-kv-value"' + at + ' placeholder="' + escapeHtml(valPh) +
      '" value="' + escapeHtml(p.value === undefined ? '' : p.value) + '"><button type="button" class="flow-kv-remove"' + at + ' title="' +
      escapeHtml(t('flow.inspector.remove')) + '">✕</button></div>';
  });
  return html + '<button type="button" class="flow-kv-add" data-flow-kv-add="' + escapeHtml(field.key) + '">' + escapeHtml(t('flow.inspector.addPair')) + '</button>';
}

function _flowHelpBlock(type) {
  const keys = typeof _nodeHelpKey === 'function' ? _nodeHelpKey(type) : null;
  if (!keys) return '';
  const pick = (key, fallback) => {
    for (const k of [key, fallback]) {
      if (!k) continue;
      const text = t(k);
      if (text !== k) return text;
    }
    return '';
  };
  const desc = pick(keys.desc, keys.descFallback);
  const example = pick(keys.example, keys.exampleFallback);
  if (!desc && !example) return '';
  let html = '<div class="flow-help"><div class="flow-help-title">' + escapeHtml(t('flow.help.title')) + '</div>';
  if (desc) html += '<div class="flow-help-desc">' + escapeHtml(desc) + '</div>';
  if (example) html += '<div class="flow-help-title">' + escapeHtml(t('flow.help.example')) + '</div><pre class="flow-help-example">' + escapeHtml(example) + '</pre>';
  return html + '</div>';
}

function _flowSuperNodePorts(node) {
  let html = '<div class="flow-sn-ports"><div class="flow-insp-heading">' + escapeHtml(t('flow.supernode.ports')) + '</div>';
  for (const [side, list] of [['input', node.data._inputNames], ['output', node.data._outputNames]]) {
    (Array.isArray(list) ? list : []).forEach((name, i) => {
      const fixed = i === 0 || String(name).startsWith('flow_');
      if (fixed) {
        html += '<div class="flow-rep-row"><input type="text" class="flow-field-input" readonly value="' + escapeHtml(name) + '"></div>';
        return;
      }
      const at = ' data-flow-sn="' + side + '" data-flow-sn-name="' + escapeHtml(name) + '"';
      html += '<div class="flow-rep-row"><input type="text" class="flow-sn-name"' + at + ' value="' + escapeHtml(name) + '" spellcheck="false">' +
        '<button type="button" class="flow-sn-remove"' + at + '>✕</button></div>';
    });
  }
  return html + '<button type="button" class="flow-sn-add" data-flow-sn-add="input">' + escapeHtml(t('flow.supernode.addInput')) + '</button>' +
    '<button type="button" class="flow-sn-add" data-flow-sn-add="output">' + escapeHtml(t('flow.supernode.addOutput')) + '</button>' +
    '<p class="flow-insp-note">' + escapeHtml(t('flow.supernode.portsNote')) + '</p></div>';
}

function _flowInspectorHeader(node) {
  const d = node.data;
  if (String(node.name).startsWith('Element_')) {
    return '<div class="flow-insp-label">' + escapeHtml(t('flow.inspector.component')) + '</div>' +
      '<div class="flow-insp-type">' + escapeHtml(t('flow.inspector.element')) + ' #' + escapeHtml(d.elementId) + '</div>' +
      '<div class="flow-insp-id">' + escapeHtml(d.elementType) + '</div>' +
      '<label class="flow-field"><span class="flow-field-label">' + escapeHtml(t('flow.inspector.type')) + '</span>' +
      '<input type="text" class="flow-field-input" readonly value="' + escapeHtml(d.elementType) + '"></label>' +
      '<label class="flow-field"><span class="flow-field-label">' + escapeHtml(_flowFieldLabel({ label: 'Element ID' })) + '</span>' +
      '<input type="text" class="flow-field-input" readonly value="' + escapeHtml(d.elementId) + '"></label>' +
      '<p class="flow-insp-note">' + escapeHtml(t('flow.inspector.elementNote')) + '</p>';
  }
  return '<div class="flow-insp-label">' + escapeHtml(t('flow.inspector.type')) + '</div>' +
    '<div class="flow-insp-type">' + escapeHtml(node.name) + '</div><div class="flow-insp-id">id: ' + escapeHtml(node.id) + '</div>';
}

// The stored value as text; an unset member takes the first option of a plain select, or the
// field's default (both written into the node at once).
function _flowFieldValue(node, field) {
  const data = node.data;
  let v = data[field.key];
  if (v === undefined || v === null) {
    if (field.type === 'select' && !field.optionsSource && field.options && field.options.length) {
      v = _flowOptions(field)[0].value;
      data[field.key] = v;
    } else if (field.default !== undefined) {
      v = field.default;
      data[field.key] = v;
    }
  }
  return v === undefined || v === null ? '' : String(v);
}

function _flowRenderForm(host, node) {
  const data = node.data;
  const fields = FLOW_INSPECTOR_FIELDS[node.name] || [];
  const required = _flowRequiredKeys(node.name);
  const cleared = [];
  let html = '<div class="flow-insp">' + _flowInspectorHeader(node);
  if (!fields.length && !String(node.name).startsWith('Element_')) html += '<p class="flow-insp-note">' + escapeHtml(t('flow.inspector.noFields')) + '</p>';
  for (const field of fields) {
    if (typeof field.showIf === 'function' && !field.showIf(data)) continue;
    const label = _flowFieldLabel(field);
    if (field.type === 'repeater' || field.type === 'keyvalue-repeater') {
      html += '<div class="flow-field" data-flow-field="' + escapeHtml(field.key) + '"><span class="flow-field-label">' + escapeHtml(label) + '</span>' +
        (field.type === 'repeater' ? _flowRepeaterRows(node, field) : _flowKeyValueRows(node, field)) + '</div>';
      continue;
    }
    let value = _flowFieldValue(node, field);
    const disabled = _flowFieldPortIndex(node, field.key) > 0 && _flowFieldIsWired(node, field.key);
    if (disabled && value !== '' && field.type !== 'checkbox') {
      cleared.push(field.key);
      value = '';
    }
    const empty = required.has(field.key) && value === '' && !disabled;
    const text = label + (disabled ? ' (' + t('flow.inspector.wired') + ')' : '');
    html += '<div class="flow-field' + (field.type === 'checkbox' ? ' flow-field-check' : '') + '" data-flow-field="' + escapeHtml(field.key) + '">' +
      '<span class="flow-field-label' + (empty ? ' flow-field-req-empty' : '') + '"' + (required.has(field.key) ? ' data-flow-required="1"' : '') +
      '>' + escapeHtml(text) + '</span>';
    if (node.name === 'FunctionJS' && field.key === 'code') {
      html += '<div class="flow-code-buttons"><button type="button" data-flow-call="openFunctionJSModal">' + escapeHtml(t('flow.functionjs.edit')) +
        '</button><button type="button" data-flow-call="openFunctionJSExternal">' + escapeHtml(t('flow.functionjs.external')) + '</button></div>';
    }
    html += _flowFieldInput(node, field, value, disabled) + '</div>';
  }
  html += _flowHelpBlock(node.name);
  if (node.name === 'SuperNode' && typeof _FLOW_SUPER_NODES_ENABLED !== 'undefined' && _FLOW_SUPER_NODES_ENABLED) html += _flowSuperNodePorts(node);
  html += '</div>';
  host.innerHTML = html;
  host.setAttribute('data-host-id', String(node.id));
  _flowBindInspector(host);
  // A field fed by a cable holds nothing of its own: what it held is kept aside for when the cable goes.
  for (const key of cleared) {
    if (!data._wiredBackup || typeof data._wiredBackup !== 'object') data._wiredBackup = {};
    if (!Object.prototype.hasOwnProperty.call(data._wiredBackup, key)) data._wiredBackup[key] = data[key];
    _flowCommitData(String(node.id), key, '');
  }
  _qlCallIfDefined('updateFlowNodeTitle', String(node.id));
}

// Renders the inspector for a node of the open module, or the manager for null; see the file's head.
// Never throws: a failure is logged and the previous content stays.
function renderFlowInspector(id) {
  try {
    _qlCallIfDefined('updateFlowAlignButtonsVisibility');
    const host = _flowInspectorHost();
    if (!host) return;
    let node = null;
    if (id !== null && id !== undefined) {
      try {
        node = _flowNodeRecord(id);
      } catch (e) {
        return;
      }
      if (!node) return;
    }
    if (!node) {
      _qlCallIfDefined('renderFlowVarManager', host);
      host.removeAttribute('data-host-id');
      host.hidden = flowState.chromeVisible === false;
      return;
    }
    if (flowState.chromeVisible === false) {
      host.hidden = true;
      return;
    }
    host.hidden = false;
    if (!node.data) {
      setTimeout(() => { if (_flowNodeRecord(id)) renderFlowInspector(id); }, 0);
      return;
    }
    _flowRenderForm(host, node);
  } catch (e) {
    console.error('[flow] renderFlowInspector error (suppressed):', e);
  }
}

function clearFlowInspector() {
  renderFlowInspector(null);
}

// One typing burst on one field of one node is one undo step, recorded before its first change; any
// other step in between starts a new burst.
var _flowBurst = null;

function _flowEditBurst(nodeId, key) {
  const b = _flowBurst;
  if (b && b.node === nodeId && b.key === key && b.version === _historyVersion) return;
  saveHistoryState();
  _flowBurst = { node: nodeId, key, version: _historyVersion };
}

function _flowEndBurst() {
  _flowBurst = null;
}

// Writes one member of a node's data through the graph editor (the node may live in any module).
function _flowCommitData(id, key, value) {
  const editor = _flowEditor;
  const node = editor ? _flowFindRecord(id) : null;
  if (!node) return false;
  node.data[key] = value;
  try {
    editor.updateNodeDataFromId(id, node.data);
  } catch (e) {
    // The record is already written; only the library's own inputs were not refreshed.
  }
  return true;
}

function _flowFindRecord(id) {
  const editor = _flowEditor;
  if (!editor) return null;
  for (const m of Object.values(editor.drawflow.drawflow)) {
    if (m && m.data && Object.prototype.hasOwnProperty.call(m.data, String(id))) return m.data[String(id)];
  }
  return null;
}

function _flowFieldOf(node, key) {
  return (FLOW_INSPECTOR_FIELDS[node.name] || []).find((f) => f.key === key) || null;
}

// A field edit from the form (or a drag): value, burst step, write, header, required mark, re-render.
function _flowInspectorEdit(input) {
  const host = _flowInspectorHost();
  const id = host && host.getAttribute('data-host-id');
  const node = id ? _flowFindRecord(id) : null;
  const key = input.getAttribute('data-flow-key');
  if (!node || !key) return;
  const field = _flowFieldOf(node, key) || { key, type: 'text' };
  let value = input.type === 'checkbox' ? (input.checked ? 'true' : 'false') : String(input.value);
  if (field.normalize === 'duration' && /^-?\d+(\.\d+)?$/.test(value.trim())) {
    value = value.trim() + 's';
    input.value = value;
  }
  if (String(node.data[key] === undefined ? '' : node.data[key]) === value) return;
  _flowEditBurst(id, key);
  _flowCommitData(id, key, value);
  if (node.name === 'Action_PlayTone' && key === 'preset' && _FLOW_TONE_PRESETS[value]) {
    for (const [k, v] of Object.entries(_FLOW_TONE_PRESETS[value])) _flowCommitData(id, k, v);
  }
  if (node.name === 'SuperNode' && key === 'linked' && value === 'false') _qlCallIfDefined('_snUnlinkSuperNode', id);
  if (field.type === 'color' || input.getAttribute('data-flow-kind') === 'color') {
    const swatch = input.parentNode && input.parentNode.querySelector('.flow-swatch');
    if (swatch && _FLOW_HEX.test(value)) swatch.style.background = value;
  }
  if (key === 'useThemeColor') {
    for (const s of host.querySelectorAll('.flow-swatch')) s.hidden = value === 'true';
  }
  _qlCallIfDefined('updateFlowNodeTitle', id);
  const label = input.closest('.flow-field') && input.closest('.flow-field').querySelector('[data-flow-required]');
  if (label) label.classList.toggle('flow-field-req-empty', value === '' && !input.disabled);
  if (field.rerender) setTimeout(() => renderFlowInspector(id), 0);
  if (node.name === 'Container') _qlCallIfDefined('_flowRefreshContainerHeader', id);
}

// Repeaters: the port name lists of the types whose ports vary. Each change is one flow command.
function _flowRepeaterField(node, key) {
  return _flowFieldOf(node, key) || { key, repeaterFor: key === '_outputNames' ? 'outputs' : 'inputs' };
}

function _flowRepeaterAdd(id, key) {
  const node = _flowFindRecord(id);
  if (!node) return;
  const field = _flowRepeaterField(node, key);
  const inputs = field.repeaterFor !== 'outputs';
  const prefix = field.namePrefix || (inputs ? 'param' : 'out');
  _flowRunCommand(() => {
    const d = node.data;
    if (!Array.isArray(d[key])) d[key] = [inputs ? 'flow_in' : 'flow_out'];
    let high = 0;
    for (const n of d[key]) {
      const m = String(n).startsWith(prefix) ? /^(\d+)$/.exec(String(n).slice(prefix.length)) : null;
      if (m) high = Math.max(high, Number(m[1]));
    }
    d[key].push(prefix + (high + 1));
    if (inputs) {
      if (!Array.isArray(d._inputTypes)) d._inputTypes = ['pass'];
      while (d._inputTypes.length < d[key].length) d._inputTypes.push('pass');
      if (Array.isArray(d._inputValues)) while (d._inputValues.length < d[key].length) d._inputValues.push('');
    }
    _qlCallIfDefined('_syncFunctionJSPorts', id);
  });
  _qlCallIfDefined('updateFlowNodeTitle', id);
  renderFlowInspector(id);
}

// Index 0 keeps a control port; at least one data port stays.
function _flowRepeaterCanRemove(list, index) {
  if (!Array.isArray(list) || index < 0 || index >= list.length) return false;
  const flowFirst = list[0] === 'flow_in' || list[0] === 'flow_out';
  if (index === 0 && flowFirst) return false;
  return list.length > (flowFirst ? 2 : 1);
}

function _flowRepeaterRemove(id, key, index) {
  const node = _flowFindRecord(id);
  if (!node || !_flowRepeaterCanRemove(node.data[key], index)) return false;
  const inputs = _flowRepeaterField(node, key).repeaterFor !== 'outputs';
  _flowRunCommand((editor) => {
    const d = node.data;
    d[key].splice(index, 1);
    if (inputs) {
      if (Array.isArray(d._inputTypes)) d._inputTypes.splice(index, 1);
      if (Array.isArray(d._inputValues)) d._inputValues.splice(index, 1);
    }
    const port = (inputs ? 'input_' : 'output_') + (index + 1);
    const ports = inputs ? node.inputs : node.outputs;
    if (ports && ports[port]) {
      if (inputs) editor.removeNodeInput(String(id), port);
      else editor.removeNodeOutput(String(id), port);
    }
    _qlCallIfDefined('_syncFunctionJSPorts', id);
  });
  _qlCallIfDefined('updateFlowNodeTitle', id);
  renderFlowInspector(id);
  return true;
}

function _flowRepeaterRename(id, key, index, name) {
  const node = _flowFindRecord(id);
  const list = node && node.data[key];
  if (!Array.isArray(list) || index < 0 || index >= list.length) return false;
  if (index === 0 && (list[0] === 'flow_in' || list[0] === 'flow_out')) return false;
  if (list[index] === name) return true;
  _flowEditBurst(String(id), key + '#' + index);
  list[index] = name;
  _qlCallIfDefined('_syncFunctionJSPorts', id);
  _qlCallIfDefined('updateFlowNodeTitle', id);
  return true;
}

function _flowRepeaterSet(id, member, index, value, fill) {
  const node = _flowFindRecord(id);
  if (!node) return;
  const d = node.data;
  if (!Array.isArray(d[member])) d[member] = [];
  if (d[member][index] === value) return;
  _flowEditBurst(String(id), member + '#' + index);
  while (d[member].length <= index) d[member].push(fill);
  d[member][index] = value;
  _qlCallIfDefined('updateFlowNodeTitle', id);
}

function _flowKeyValueChange(id, key, op, index, part, value) {
  const node = _flowFindRecord(id);
  if (!node) return;
  const d = node.data;
  if (op === 'add') {
    saveHistoryState();
    if (!Array.isArray(d[key])) d[key] = [];
    d[key].push({ key: '', value: '' });
    renderFlowInspector(id);
  } else if (op === 'remove') {
    if (!Array.isArray(d[key]) || !d[key][index]) return;
    saveHistoryState();
    d[key].splice(index, 1);
    renderFlowInspector(id);
  } else if (Array.isArray(d[key]) && d[key][index]) {
    _flowEditBurst(String(id), key + '#' + index + part);
    d[key][index][part] = value;
  }
  _qlCallIfDefined('updateFlowNodeTitle', id);
}

// Sub-flow ports: names "In_" / "Out_" + the next number; a blank or refused rename puts the old name back.
function _flowSuperNodeAdd(id, side) {
  const node = _flowFindRecord(id);
  if (!node) return;
  const prefix = side === 'input' ? 'In_' : 'Out_';
  const list = side === 'input' ? node.data._inputNames : node.data._outputNames;
  let high = -1;
  for (const n of Array.isArray(list) ? list : []) {
    const m = String(n).startsWith(prefix) ? /^(\d+)$/.exec(String(n).slice(prefix.length)) : null;
    if (m) high = Math.max(high, Number(m[1]));
  }
  _qlCallIfDefined('_snAddPort', id, side, prefix + (high + 1));
  renderFlowInspector(id);
}

function _flowSuperNodeRenameEnd(input) {
  const host = _flowInspectorHost();
  const id = host.getAttribute('data-host-id');
  const old = input.getAttribute('data-flow-sn-name');
  const name = input.value.trim();
  if (!name || name === old) {
    input.value = old;
  } else if (!_qlCallIfDefined('_snRenamePort', id, input.getAttribute('data-flow-sn'), old, name)) {
    input.value = old;
    showToast(t('flow.supernode.duplicateName'), 'warning', 2500);
    return;
  }
  renderFlowInspector(id);
}

// Numeric drag on a field that holds a number (with an optional unit after it); element ids never.
var _flowNumDrag = null;

function _flowNumDragSpec(text) {
  const m = /^(-?\d+)(?:\.(\d+))?(.*)$/.exec(String(text));
  if (!m) return null;
  const decimals = m[2] ? m[2].length : 0;
  return { val: parseFloat(m[1] + (m[2] ? '.' + m[2] : '')), decimals, step: Math.pow(10, -decimals), suffix: m[3] };
}

function _flowNumDragValue(spec, accumulated) {
  const scale = Math.pow(10, spec.decimals);
  const v = Math.round((spec.val + Math.round(accumulated / 5) * spec.step) * scale) / scale;
  return v.toFixed(spec.decimals) + spec.suffix;
}

function _flowNumDragArm(ev, input) {
  if (ev.button !== 0 || input.disabled || input.readOnly || document.activeElement === input) return;
  if (!(input.type === 'text' || input.type === 'number')) return;
  const key = input.getAttribute('data-flow-key') || '';
  if (!key || /Id$/.test(key)) return;
  const spec = _flowNumDragSpec(input.value);
  if (!spec) return;
  const drag = { input, acc: 0, active: false, lastX: ev.clientX, val: spec.val, step: spec.step, mult: 1, suffix: spec.suffix, spec };
  drag.handle = startHostScrub(ev, (accumulated) => {
    drag.acc = accumulated;
    if (!drag.active) {
      drag.active = true;
      document.body.classList.add('ql-scrubbing');
      input.blur();
    }
    const next = _flowNumDragValue(spec, accumulated);
    if (input.value !== next) {
      input.value = next;
      _flowInspectorEdit(input);
    }
  });
  _flowNumDrag = drag;
  const end = () => {
    window.removeEventListener('mouseup', end, true);
    window.removeEventListener('blur', end);
    if (_flowNumDrag !== drag) return;
    _flowNumDrag = null;
    const started = drag.handle.stop();
    document.body.classList.remove('ql-scrubbing');
    if (started) _flowEndBurst();
  };
  window.addEventListener('mouseup', end, true);
  window.addEventListener('blur', end);
}

function _flowPickSelectedId(button) {
  const host = _flowInspectorHost();
  const key = button.getAttribute('data-flow-pick');
  const input = [...host.querySelectorAll('input[data-flow-key]')].find((i) => i.getAttribute('data-flow-key') === key);
  const ids = Array.isArray(selectedIds) ? selectedIds : [];
  if (!ids.length) {
    showToast(t('flow.inspector.noSelection'), 'warning', 2000);
    return;
  }
  if (!input) return;
  input.value = ids[ids.length - 1];
  _flowInspectorEdit(input);
  _flowEndBurst();
}

function _flowInspectorClick(ev) {
  const host = _flowInspectorHost();
  const id = host.getAttribute('data-host-id');
  const target = ev.target.closest('button');
  if (!id || !target || !host.contains(target)) return;
  const idx = Number(target.getAttribute('data-flow-idx'));
  if (target.hasAttribute('data-flow-pick')) _flowPickSelectedId(target);
  else if (target.hasAttribute('data-flow-swatch')) _qlCallIfDefined('openFlowContainerColorPicker', id, target);
  else if (target.hasAttribute('data-flow-rep-add')) _flowRepeaterAdd(id, target.getAttribute('data-flow-rep-add'));
  else if (target.classList.contains('flow-rep-remove')) _flowRepeaterRemove(id, target.getAttribute('data-flow-rep'), idx);
  else if (target.hasAttribute('data-flow-kv-add')) _flowKeyValueChange(id, target.getAttribute('data-flow-kv-add'), 'add');
  else if (target.classList.contains('flow-kv-remove')) _flowKeyValueChange(id, target.getAttribute('data-flow-kv'), 'remove', idx);
  else if (target.hasAttribute('data-flow-sn-add')) _flowSuperNodeAdd(id, target.getAttribute('data-flow-sn-add'));
  else if (target.classList.contains('flow-sn-remove')) {
    _qlCallIfDefined('_snRemovePort', id, target.getAttribute('data-flow-sn'), target.getAttribute('data-flow-sn-name'));
    renderFlowInspector(id);
  } else if (target.hasAttribute('data-flow-call')) _qlCallIfDefined(target.getAttribute('data-flow-call'), id);
}

function _flowInspectorInput(ev, isChange) {
  const host = _flowInspectorHost();
  const id = host.getAttribute('data-host-id');
  const el = ev.target;
  if (!id || !el || !el.matches) return;
  const idx = Number(el.getAttribute('data-flow-idx'));
  if (el.hasAttribute('data-flow-key')) {
    if ((el.tagName === 'SELECT' || el.type === 'checkbox') !== isChange) return;
    _flowInspectorEdit(el);
  } else if (isChange) {
    if (el.classList.contains('flow-rep-type')) _flowRepeaterSet(id, '_inputTypes', idx, el.value, 'pass');
  } else if (el.classList.contains('flow-rep-name')) {
    if (!_flowRepeaterRename(id, el.getAttribute('data-flow-rep'), idx, el.value)) el.value = (_flowFindRecord(id).data[el.getAttribute('data-flow-rep')] || [])[idx] || '';
  } else if (el.classList.contains('flow-rep-value')) {
    _flowRepeaterSet(id, '_inputValues', idx, el.value, '');
  } else if (el.classList.contains('flow-kv-key') || el.classList.contains('flow-kv-value')) {
    _flowKeyValueChange(id, el.getAttribute('data-flow-kv'), 'set', idx, el.classList.contains('flow-kv-key') ? 'key' : 'value', el.value);
  }
}

function _flowBindInspector(host) {
  if (host._qlFlowInspectorBound) return;
  host._qlFlowInspectorBound = true;
  host.addEventListener('input', (ev) => { if (host.hasAttribute('data-host-id')) _flowInspectorInput(ev, false); });
  host.addEventListener('change', (ev) => {
    if (!host.hasAttribute('data-host-id')) return;
    _flowInspectorInput(ev, true);
    if (ev.target && ev.target.tagName !== 'SELECT') _flowEndBurst();
  });
  host.addEventListener('click', (ev) => { if (host.hasAttribute('data-host-id')) _flowInspectorClick(ev); });
  host.addEventListener('mousedown', (ev) => {
    const input = ev.target && ev.target.closest ? ev.target.closest('input[data-flow-key]') : null;
    if (input && host.hasAttribute('data-host-id')) _flowNumDragArm(ev, input);
  });
  host.addEventListener('focusout', (ev) => {
    if (!host.hasAttribute('data-host-id')) return;
    _flowEndBurst();
    if (ev.target && ev.target.classList && ev.target.classList.contains('flow-sn-name')) _flowSuperNodeRenameEnd(ev.target);
  });
  host.addEventListener('keydown', (ev) => {
    const el = ev.target;
    if (!host.hasAttribute('data-host-id') || !el || el.tagName !== 'INPUT') return;
    if (el.classList.contains('flow-sn-name') && ev.key === 'Escape') {
      el.value = el.getAttribute('data-flow-sn-name');
      el.blur();
    } else if (ev.key === 'Enter' && (el.type === 'text' || el.type === 'number')) {
      ev.preventDefault();
      el.blur();
    }
  });
}
