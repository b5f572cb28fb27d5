// Help keys of flow node types for the flow inspector's help block. The texts live in the locale files
// ("flow.node." + type + ".desc"); catalogue nodes are keyed by their node type first and by their
// procedure name as the fallback. The getters share one description.
// Provides: _NODE_HELP, _nodeHelpKey, _FLOW_GETTER_HELP_KEY
// Needs: _qlDeepFreeze, _UI_PROCEDURE_CATALOG

var _NODE_HELP = _qlDeepFreeze(Object.fromEntries(['Event_OnInit', 'Event_OnFrame', 'Event_OnClick', 'Event_OnInput',
  'Event_OnChange', 'Event_OnCellClick', 'Event_OnFocus', 'Event_OnBlur', 'Event_OnMouseDown', 'Event_OnMouseMove',
  'Event_OnMouseUp', 'Event_OnCustomReceive', 'Event_AddListener', 'Event_OnConsoleLog']
  .map((type) => [type, { desc: 'flow.node.' + type + '.desc' }])));

var _FLOW_GETTER_HELP_KEY = 'flow.node.Data_UI_Get.desc';

// {desc, descFallback?, example, exampleFallback?} of i18n keys, or null. The caller tries a key, then
// its fallback, and treats a key that translates to itself as absent.
function _nodeHelpKey(name) {
  if (!name) return null;
  const entry = _UI_PROCEDURE_CATALOG.find((e) => e.node === name && e.pb);
  if (entry) {
    return {
      desc: 'flow.node.' + entry.node + '.desc', descFallback: 'flow.node.' + entry.pb + '.desc',
      example: 'flow.node.' + entry.node + '.example', exampleFallback: 'flow.node.' + entry.pb + '.example',
    };
  }
  if (Object.prototype.hasOwnProperty.call(_NODE_HELP, name)) {
    return { desc: _NODE_HELP[name].desc || null, example: _NODE_HELP[name].example || null };
  }
  if (String(name).startsWith('Data_UI_Get')) return { desc: _FLOW_GETTER_HELP_KEY, example: null };
  return null;
}
