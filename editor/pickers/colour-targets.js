// What the colour picker edits: one target at a time, each knowing the colour it holds now, what a
// previewed colour writes, and what closing the picker still has to commit.
// - Element properties, gradient stops, chart colours and theme tokens are written live; every opening
//   is one undo step, taken before its first write (none when nothing is written).
// - Flow node fields and flow variables or constants only show the colour while the picker is open and
//   are written when it closes, in one undo step, and not at all when the colour went back to the
//   stored one.
// - Selected text being edited on the canvas is wrapped once in a span whose colour follows; closing
//   the picker ends the edit with it.
// Provides: _cpMakeTarget, _cpThemeTarget, _cpFlowNodeTarget, _cpFlowVarTarget, _cpInlineTarget, CP_ELEMENT_PROPS, CP_CHART_DEFAULT_HEX
// Needs: _findElement, _qlCallIfDefined, cpNormalizeHex, cpRgbToHex, resolveColor, saveHistoryState, selectedIds
// Calls: _flowEditor, _flowIsGroup, _flowRefreshContainerHeader, _flowRunCommand, _flowVarsRegistry, _flowConstsRegistry,
//   _inlineEditCommit, _isInlineEditing, _inspPaintSwatch, _inspSet, _inspSnapshotOnce, _inspWriteSelected, _setDirty,
//   getActiveTheme, handleGradientStopColorChange, QuorlinChart, renderCanvas, renderFlowInspector, resetRichText,
//   setElementProp, syncThemeSelToValue, updateFlowNodeTitle, updateThemeColor, updateThemeColorLive

// The element properties the inspector's colour buttons ("__cpBtn-" + property) open the picker on.
var CP_ELEMENT_PROPS = ['activeBgColor', 'activeTrackColor', 'bgColor', 'borderColor', 'boxShadowColor', 'checkedBg',
  'checkedText', 'headerBgColor', 'headerTextColor', 'hoverBgColor', 'hoverTextColor', 'inactiveTrackColor', 'splitColor',
  'splitHoverColor', 'tableBodyBg', 'tableBodyText', 'tableHeaderBg', 'tableHeaderText', 'tablePaginationBg',
  'tableRowHoverBg', 'tableRowHoverText', 'tableRowSelectedBg', 'tableRowSelectedText', 'textColor', 'textShadowColor',
  'thumbColor'];
var CP_CHART_DEFAULT_HEX = '3B82F6';

function _cpFirstSelected() {
  return typeof selectedIds !== 'undefined' && selectedIds.length ? _findElement(selectedIds[0]) : null;
}

// "#" + hex for a colour text the page may hold as a token: the token's colour in the active theme.
function _cpResolvedHex(value, fallback) {
  const text = value === null || value === undefined ? '' : String(value);
  return cpNormalizeHex(text.indexOf('th:') === 0 ? resolveColor(text) : text, fallback);
}

// The chart colour a target name addresses: ['label', i], ['bg', i] or ['border', i]; null otherwise.
function _cpChartSlot(name) {
  const m = /^chart(LblBg|DsBg|DsBorder)_(\d+)$/.exec(String(name));
  if (!m) return null;
  return [{ LblBg: 'label', DsBg: 'bg', DsBorder: 'border' }[m[1]], Number(m[2])];
}

function _cpChartRead(data, slot) {
  if (slot[0] === 'label') return Array.isArray(data.labelColors) ? data.labelColors[slot[1]] : undefined;
  const ds = Array.isArray(data.datasets) ? data.datasets[slot[1]] : null;
  return ds ? ds[slot[0] === 'bg' ? 'bgColor' : 'borderColor'] : undefined;
}

function _cpChartWrite(data, slot, colour) {
  if (slot[0] === 'label') {
    if (!Array.isArray(data.labelColors)) data.labelColors = [];
    data.labelColors[slot[1]] = colour;
    return true;
  }
  const ds = Array.isArray(data.datasets) ? data.datasets[slot[1]] : null;
  if (!ds || typeof ds !== 'object') return false;
  ds[slot[0] === 'bg' ? 'bgColor' : 'borderColor'] = colour;
  return true;
}

function _cpChartDataOf(el) {
  try {
    const d = typeof el.chartData === 'string' ? JSON.parse(el.chartData || '{}') : el.chartData;
    return d && typeof d === 'object' && !Array.isArray(d) ? d : {};
  } catch (e) {
    return {};
  }
}

// The inspector row of an element property shows what the picker wrote.
function _cpShowElementValue(prop, value) {
  const hexField = document.getElementById('input-' + prop + 'Hex');
  if (hexField) hexField.value = value;
  _qlCallIfDefined('syncThemeSelToValue', prop, value);
  if (typeof _inspPaintSwatch === 'function') _inspPaintSwatch(prop, value);
}

// A target for the inspector's colour buttons: an element property, the gradient stop being edited,
// or a chart colour (chartLblBg_i, chartDsBg_i, chartDsBorder_i) of the first selected chart.
function _cpMakeTarget(prop, anchor) {
  const session = { picker: prop };   // the undo step of this opening
  const chart = _cpChartSlot(prop);
  if (chart) {
    return {
      kind: 'chart', prop, anchor, defaultHex: CP_CHART_DEFAULT_HEX,
      current() {
        const el = _cpFirstSelected();
        return el && el.type === 'chart' ? _cpResolvedHex(_cpChartRead(_cpChartDataOf(el), chart), null) : null;
      },
      preview(hex) {
        const el = _cpFirstSelected();
        if (!el || el.type !== 'chart') return;
        const data = _cpChartDataOf(el);
        if (!_cpChartWrite(data, chart, '#' + hex)) return;
        _inspSnapshotOnce(session);
        _inspSet(el, 'chartData', typeof el.chartData === 'string' || el.chartData === undefined ? JSON.stringify(data) : data);
        _qlCallIfDefined('_setDirty');
        if (typeof QuorlinChart !== 'undefined' && QuorlinChart && QuorlinChart.setData) QuorlinChart.setData(el.id, data);
        if (anchor) anchor.style.background = '#' + hex;
      },
      commit() {},
    };
  }
  if (prop === 'bgGradientStopColor') {
    return {
      kind: 'gradient', prop, anchor, defaultHex: CP_DEFAULT_HEX,
      current() {
        // The stop editor marks the stop it shows on its colour field.
        const field = document.getElementById('input-bgGradientStopColor');
        const index = field ? parseInt(field.getAttribute('data-stop-index'), 10) : NaN;
        const el = _cpFirstSelected();
        const stops = el && el.bgGradient && Array.isArray(el.bgGradient.stops) ? el.bgGradient.stops : [];
        return stops[index] ? _cpResolvedHex(stops[index].color, null) : null;
      },
      preview(hex) {
        handleGradientStopColorChange('#' + hex, session);
        if (anchor) anchor.style.background = '#' + hex;
      },
      commit() {},
    };
  }
  return {
    kind: 'element', prop, anchor, defaultHex: CP_DEFAULT_HEX,
    current() {
      const el = _cpFirstSelected();
      return el ? _cpResolvedHex(el[prop], null) : null;
    },
    preview(hex) {
      const value = '#' + hex;
      const written = _inspWriteSelected(prop, function (el) {
        // A colour for the whole text replaces the colours of parts of it.
        if (prop === 'textColor') _qlCallIfDefined('resetRichText', el);
        return value;
      }, session);
      if (written) _cpShowElementValue(prop, value);
    },
    commit() {},
  };
}

// A theme token of the active theme: written live, one undo step once the picker lets it go.
function _cpThemeTarget(key, anchor) {
  let last = null;
  return {
    kind: 'theme', prop: key, anchor, defaultHex: CP_DEFAULT_HEX,
    current() {
      const theme = typeof getActiveTheme === 'function' ? getActiveTheme() : null;
      return theme ? cpNormalizeHex(theme[key], null) : null;
    },
    preview(hex) {
      last = '#' + hex;
      updateThemeColorLive(key, last);
    },
    commit() {
      if (last !== null) updateThemeColor(key, last);
      last = null;
    },
  };
}

// The swatch that opened a flow target and the text field beside it show the previewed colour.
function _cpShowOnAnchor(anchor, value) {
  if (!anchor) return;
  anchor.style.background = value;
  const field = anchor.parentNode && anchor.parentNode.querySelector('input[type="text"], input:not([type])');
  if (field) field.value = value;
}

function _cpContrastText(hex) {
  const n = parseInt(String(hex).slice(0, 6), 16);
  return 0.299 * (n >> 16) + 0.587 * ((n >> 8) & 255) + 0.114 * (n & 255) > 150 ? '#111827' : '#ffffff';
}

function _cpFlowNode(id) {
  const editor = typeof _flowEditor !== 'undefined' ? _flowEditor : null;
  if (!editor) return null;
  try {
    return editor.getNodeFromId(id);
  } catch (e) {
    return null;   // the node went away while the picker was open
  }
}

// A field of a flow node (default "titleColor", a group's header colour). Headers show the colour at
// once; the node's data changes when the picker closes.
function _cpFlowNodeTarget(nodeId, field, anchor) {
  const key = field || 'titleColor';
  let last = null;
  const stored = function () {
    const node = _cpFlowNode(nodeId);
    return node && node.data ? node.data[key] : undefined;
  };
  return {
    kind: 'flowNode', prop: key, nodeId, anchor, defaultHex: CP_DEFAULT_HEX,
    current() { return _cpResolvedHex(stored(), null); },
    lastHex() { return last; },
    preview(hex) {
      last = hex;
      _cpShowOnAnchor(anchor, '#' + hex);
      if (key !== 'headerColor' && key !== 'titleColor') return;
      const el = document.getElementById('node-' + nodeId);
      const header = el && el.querySelector('.container-header, .flow-node-header');
      if (!header) return;
      header.style.background = '#' + hex.slice(0, 6);
      header.style.color = _cpContrastText(hex);
    },
    commit() {
      if (last === null) return;
      const value = '#' + last;
      last = null;
      const node = _cpFlowNode(nodeId);
      if (!node) return;
      if (cpNormalizeHex(node.data && node.data[key], null) === cpNormalizeHex(value)) {
        // Dragged back to what is stored: nothing to record; the header shows the stored colour again.
        _cpRefreshFlowHeader(node, key);
        return;
      }
      const write = function () {
        _flowEditor.updateNodeDataFromId(nodeId, Object.assign({}, node.data, { [key]: value }));
        return true;
      };
      if (typeof _flowRunCommand === 'function') _flowRunCommand(write);
      else { saveHistoryState(); write(); }
      _cpRefreshFlowHeader(_cpFlowNode(nodeId) || node, key);
      _qlCallIfDefined('_setDirty');
    },
  };
}

function _cpRefreshFlowHeader(node, key) {
  const group = typeof _flowIsGroup === 'function' && _flowIsGroup(node);
  if (group && key === 'titleColor') _qlCallIfDefined('_flowRefreshContainerHeader', node.id);
  else if (!group) _qlCallIfDefined('updateFlowNodeTitle', node.id);
}

// A colour-typed flow variable ({kind: 'var'}) or constant ({kind: 'const'}) at its place in the list.
function _cpFlowVarTarget(target, anchor) {
  const kind = target && target.kind === 'const' ? 'const' : 'var';
  const idx = Number(target && target.idx);
  let last = null;
  const entry = function () {
    const list = kind === 'const' ? (typeof _flowConstsRegistry !== 'undefined' ? _flowConstsRegistry : [])
      : (typeof _flowVarsRegistry !== 'undefined' ? _flowVarsRegistry : []);
    return Array.isArray(list) ? list[idx] : null;
  };
  return {
    kind: 'flowVar', prop: kind + ':' + idx, varTarget: { kind, idx }, anchor, defaultHex: CP_DEFAULT_HEX,
    current() {
      const e = entry();
      return e ? _cpResolvedHex(e.value, null) : null;
    },
    lastHex() { return last; },
    preview(hex) {
      last = hex;
      _cpShowOnAnchor(anchor, '#' + hex);
    },
    commit() {
      if (last === null) return;
      const value = '#' + last;
      last = null;
      const e = entry();
      if (!e || cpNormalizeHex(e.value, null) === cpNormalizeHex(value)) return;
      saveHistoryState();
      e.value = value;
      _qlCallIfDefined('renderFlowInspector');
    },
  };
}

// The text colour an element shows, as 6 digits.
function _cpComputedTextHex(node) {
  const colour = node && node.ownerDocument && node.ownerDocument.defaultView
    ? node.ownerDocument.defaultView.getComputedStyle(node).color : '';
  const m = /^rgba?\((\d+),\s*(\d+),\s*(\d+)/.exec(colour || '');
  return m ? cpRgbToHex(m[1], m[2], m[3]) : null;
}

// The selected words of a text being edited on the canvas (`editable`: the edited node, `range`: the
// selection inside it).
function _cpInlineTarget(editable, range) {
  let span = null;
  const wrap = function (hex) {
    if (span || !range) return;
    span = document.createElement('span');
    span.style.color = '#' + hex;
    span.appendChild(range.extractContents());
    range.insertNode(span);
  };
  const editing = function () {
    return typeof _isInlineEditing === 'function' && _isInlineEditing() && editable && editable.isConnected &&
      editable.getAttribute('contenteditable') === 'true';
  };
  const elementId = function () {
    const wrapper = editable && editable.closest ? editable.closest('[id^="wrap-"]') : null;
    return wrapper ? wrapper.id.slice(5) : null;
  };
  return {
    kind: 'inline', prop: '__inlineText__', anchor: editable, defaultHex: '000000',
    current() { return _cpComputedTextHex(editable); },
    preview(hex) {
      wrap(hex);
      if (span) span.style.color = '#' + hex;
    },
    // hex: the picker's colour, for a span no preview has made yet.
    commit(hex) {
      wrap(hex);
      if (editing()) {
        // The edit under way ends with the coloured words (one undo step when the text changed).
        _qlCallIfDefined('_inlineEditCommit');
        return;
      }
      const el = _findElement(elementId());
      if (!el || !editable || !/<[a-z]/i.test(editable.innerHTML)) return;
      saveHistoryState();
      setElementProp(el, 'text', editable.innerHTML);
      setElementProp(el, 'richText', true);
      _qlCallIfDefined('renderCanvas');
    },
  };
}
