// Builds small flow graphs in a page whose flow editor is open: nodes of known types with the port names a
// test gives. When those differ from the type's template (the catalogue would put its own ports back), the
// node takes a test type named after it (type + "_Test") drawn on a plain template, so its ports stay.
//
//   await page.evaluate(FLOW_TEST_HELPERS)       // (or page.run in jsdom) defines window.__flow
//   __flow.node(type, x, y, inputs, outputs, data) -> id    __flow.cable(outId, outPort, inId, inPort)
//   __flow.group(title, memberIds) -> id (a group around them)      __flow.reset()  (empty graph and history)
export const FLOW_TEST_HELPERS = `window.__flow = {
  node(type, x, y, inputs, outputs, data) {
    const e = _flowEditor;
    _flowRaiseIdCounter(e);
    const d = Object.assign({ _inputNames: inputs || [], _outputNames: outputs || [] }, data || {});
    const own = typeof _flowTemplatePortNames === 'function' ? _flowTemplatePortNames(type) : null;
    const same = (a, b) => JSON.stringify(a) === JSON.stringify(b || []);
    let name = type;
    if (own && !(same(own.inputs, inputs) && same(own.outputs, outputs))) {
      name = type + '_Test';
      if (!e.noderegister[name]) e.registerNode(name, _flowFallbackTemplate(name));
    }
    return String(e.addNode(name, (inputs || []).length, (outputs || []).length, x, y, '', d, name, true));
  },
  cable(outId, outPort, inId, inPort) {
    _flowEditor.addConnection(String(outId), String(inId), outPort, inPort);
  },
  group(title, members) {
    const e = _flowEditor;
    _flowRaiseIdCounter(e);
    const id = String(e.addNode('Container', 0, 0, 0, 0, 'container', { title, childIds: members.map(String) },
      _flowContainerHtml(title), false));
    _flowRebuildContainerIndex();
    return id;
  },
  reset() {
    _clearFlowState();
    historyStack = []; redoStack = []; saveHistoryState();
  },
};`;

// A flow port pair "flow_in" -> "flow_out" with data ports, for the common test node.
export const ACTION = ['Action_ConsoleLog', ['flow_in', 'text'], ['flow_out']];
