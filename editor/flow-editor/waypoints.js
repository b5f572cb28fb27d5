// Cable waypoints (the graph library's reroute points) and junctions, where several cables share one
// waypoint so that they read as merging into one input. A waypoint's junction id is repeated on its circle
// as "data-jid".
// Provides: _flowRebuildJunctionAttrs, _flowCablePoints
// Needs: _flowEditor, _flowModuleData, _flowCableElement

// The waypoint records of a cable (the source's connection entry), or [].
function _flowCablePoints(outId, outPort, inId, inPort) {
  const data = _flowModuleData();
  const port = data[String(outId)] && data[String(outId)].outputs[outPort];
  const c = port && port.connections.find((x) => String(x.node) === String(inId) && x.output === inPort);
  return c && Array.isArray(c.points) ? c.points : [];
}

// Puts "data-jid" on the circle of every waypoint that has a junction id (after an import or a module
// change, which draw the circles afresh).
function _flowRebuildJunctionAttrs() {
  const editor = _flowEditor;
  if (!editor) return;
  for (const [id, node] of Object.entries(_flowModuleData(editor))) {
    for (const [outPort, port] of Object.entries(node.outputs || {})) {
      for (const c of port.connections || []) {
        if (!Array.isArray(c.points) || !c.points.some((p) => p && p.junctionId)) continue;
        const svg = _flowCableElement({ out: id, outPort, in: String(c.node), inPort: c.output });
        const circles = svg ? svg.querySelectorAll('.point') : [];
        c.points.forEach((p, i) => {
          if (!circles[i]) return;
          if (p && p.junctionId) circles[i].setAttribute('data-jid', String(p.junctionId));
          else circles[i].removeAttribute('data-jid');
        });
      }
    }
  }
}
