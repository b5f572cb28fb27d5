// The UI procedure catalogue: one UiProcedureEntry per row of catalog-data.js, with its node type,
// ports, parameter specifications and the body text taken from the procedure's function. Built once
// when the page loads and frozen: nothing changes it afterwards.
//   {pb, node, kind, category, title, subtitlePrefix, inputs, outputs, paramSpecs, jsBody}
//   ParamSpec: {key, type: 'id' | 'string' | 'select' | 'number', mode: 'ifUnwired' | 'always', options?}
// Provides: _UI_PROCEDURE_CATALOG, _uiProcedureByName, _uiProcedureByNode, _qlDeepFreeze
// Needs: _qlFunctionBody, _UI_CHART_NODES, _UI_ID_PARAMS, _UI_PROCEDURE_BODIES, _UI_PROCEDURE_ROWS,
//   _UI_PROCEDURE_TITLES

function _qlDeepFreeze(value) {
  if (value && typeof value === 'object' && !Object.isFrozen(value)) {
    Object.freeze(value);
    for (const key of Object.keys(value)) _qlDeepFreeze(value[key]);
  }
  return value;
}

// "name", "name:number", "name:always", "name:select(a|b)".
function _qlParamSpec(token) {
  const colon = token.indexOf(':');
  const key = colon === -1 ? token : token.slice(0, colon);
  const kind = colon === -1 ? '' : token.slice(colon + 1);
  const spec = { key, type: _UI_ID_PARAMS.includes(key) ? 'id' : 'string', mode: 'ifUnwired' };
  if (kind === 'always') spec.mode = 'always';
  else if (kind === 'number') spec.type = 'number';
  else if (kind.startsWith('select(')) {
    spec.type = 'select';
    spec.options = kind.slice('select('.length, -1).split('|');
  }
  return spec;
}

function _qlProcedureEntry([pb, category, subtitlePrefix, inputText, result]) {
  const paramSpecs = inputText ? inputText.split(/\s+/).map(_qlParamSpec) : [];
  const inputs = ['flow_in', ...paramSpecs.map((s) => s.key)];
  // A result replaces the element id that most actions pass on.
  const outputs = ['flow_out'];
  if (result) outputs.push(result);
  else if (inputs.includes('elementId')) outputs.push('elementId');
  const body = _UI_PROCEDURE_BODIES[pb];
  return {
    pb,
    node: _UI_CHART_NODES[pb] || 'Action_' + pb,
    // The one procedure that only reads (no reader depends on this).
    kind: pb === 'UI_ChartGetData' ? 'getter' : 'action',
    category,
    title: _UI_PROCEDURE_TITLES[pb] || 'UI ' + pb.slice(3),
    subtitlePrefix,
    inputs,
    outputs,
    paramSpecs,
    jsBody: body ? _qlFunctionBody(body) : '',
  };
}

var _UI_PROCEDURE_CATALOG = _qlDeepFreeze(_UI_PROCEDURE_ROWS.map(_qlProcedureEntry));

function _uiProcedureByName(pb) {
  return _UI_PROCEDURE_CATALOG.find((e) => e.pb === pb) || null;
}

function _uiProcedureByNode(node) {
  return _UI_PROCEDURE_CATALOG.find((e) => e.node === node) || null;
}
