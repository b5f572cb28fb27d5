// Node headers: what a node is set to do, read at a glance. The header holds the type's icon, a label and
// a summary of its key fields (values of inputs without a cable, required fields still empty, references
// to variables, constants or elements that are gone), a warning badge ("REQUIRED", "MISSING"), the badge
// of nodes that need the desktop program or a web page, a swatch of the node's colour (a theme colour
// when it holds a theme index) and, for tones, a preview of the sound. Every text is set as text.
// Provides: updateFlowNodeTitle, updateAllFlowNodeTitles, flow_syncWithElements, _flowHeaderLabel,
//   _flowSubtitleItems, _flowSwatchColor, FLOW_THEME_COLOR_VARS
// Needs: _flowEditor, _flowNodeRecord, _flowNodeElement, _flowModuleData, _flowSubtitleSpecs,
//   _flowColorField, _flowPortIndex, resolveFlowNodeIcon, flowNodePbDep, flowNodeBrowserOnly, FLOW_PB_ICONS,
//   FLOW_BROWSER_ONLY_ICON, _flowVarsRegistry, _flowConstsRegistry, _flowOrphans, _FLOW_FALLBACK_ACCENT,
//   _FLOW_ELEMENT_ACCENT, _flowQueueCableRedraw, flowDrawToneWaveform, _flowFrame, elements, FLOW_HOME_MODULE, _qlCallIfDefined, t, _brightnessTextColour
// Calls: updateFlowNodeCount, _flowNodeLabels

// The theme colour variables a colour field's index 0..15 names.
var FLOW_THEME_COLOR_VARS = Object.freeze(['--th-text1', '--th-text2', '--th-text3', '--th-accent1', '--th-accent2',
  '--th-accent3', '--th-bg-panel', '--th-bg-panel2', '--th-bg-panel3', '--th-surface', '--th-border', '--th-bg-page',
  '--th-extra1', '--th-extra2', '--th-extra3', '--th-extra4']);
// Fields that name a variable or a constant: type -> [field, registry].
var _FLOW_REGISTRY_FIELDS = Object.freeze({
  Data_GetVariable: ['name', 'variables'], Action_SetVariable: ['name', 'variables'],
  Action_MathVariable: ['name', 'variables'], Data_GetConstant: ['name', 'constants'],
});

// "Set Text" -> "SET TEXT", "getChildId" -> "GET CHILD ID".
function _flowHeaderLabel(text) {
  return String(text || '').replace(/([a-z0-9])([A-Z])/g, '$1 $2').replace(/\s+/g, ' ').trim().toUpperCase();
}

function _flowHex(v) {
  return typeof v === 'string' && /^#[0-9a-f]{6}$/i.test(v) ? v.toLowerCase() : null;
}

// "rgb(1, 2, 3)", "rgba(...)" or "#rrggbb" -> "#rrggbb" (components clamped), else null.
function _flowCssColorToHex(text) {
  const s = String(text || '').trim();
  if (_flowHex(s)) return s.toLowerCase();
  const m = /^rgba?\(\s*(-?[\d.]+)\s*,\s*(-?[\d.]+)\s*,\s*(-?[\d.]+)/i.exec(s);
  if (!m) return null;
  return '#' + [m[1], m[2], m[3]].map((c) => Math.max(0, Math.min(255, Math.round(Number(c)))).toString(16).padStart(2, '0')).join('');
}

// The colour a node's swatch shows, or null when its type has no colour field. `themeColor(index)` reads
// a theme variable's current value.
function _flowSwatchColor(type, data, themeColor) {
  const field = _flowColorField(type);
  if (!field) return null;
  const d = data || {};
  if (String(d.useThemeColor) === 'true') {
    const index = Number(d[field]);
    if (Number.isInteger(index) && index >= 0 && index < 16) {
      const hex = _flowCssColorToHex(themeColor ? themeColor(FLOW_THEME_COLOR_VARS[index]) : '');
      if (hex) return hex;
    }
  }
  const own = _flowHex(d[field]);
  if (own) return own;
  const spec = _flowSubtitleSpecs[type];
  return (spec && _flowHex(spec.accent)) || _FLOW_FALLBACK_ACCENT;
}


// The header summary of a node, from its data alone: {prefix, items: [{label, value, flag}], incomplete,
// stale}. `ctx`: {label (catalogue label or ''), wired(name) -> bool, variables, constants (Sets of
// names), elementExists(id) -> bool}. flag: 'required' (empty) or 'stale' (names something gone).
function _flowSubtitleItems(node, spec, ctx) {
  const out = { prefix: '', items: [], incomplete: false, stale: false };
  if (!spec) return out;
  out.prefix = ctx.label ? _flowHeaderLabel(ctx.label) : (spec.prefix || '');
  if (!out.prefix) return out;
  const d = node.data || {};
  const registry = _FLOW_REGISTRY_FIELDS[node.name];
  for (const f of spec.fields || []) {
    if (f.key.startsWith('flow_')) continue;
    if (typeof f.showIf === 'function' && !f.showIf(d)) continue;
    const wired = ctx.wired(f.key);
    if (f.mode === 'ifUnwired' && wired) continue;
    if (f.mode === 'fallback' && out.items.length) continue;
    const raw = d[f.key];
    let value = raw === undefined || raw === null ? '' : String(raw);
    if (value && f.transform === 'upper') value = value.toUpperCase();
    else if (value && f.transform === 'lower') value = value.toLowerCase();
    else if (value && f.transform && f.transform.i18n) value = t(f.transform.i18n + value);
    if (!value) {
      if (f.required && !wired) {
        out.items.push({ label: f.label || f.key, value: '\u2026', flag: 'required' });
        out.incomplete = true;
      }
      continue;
    }
    let stale = false;
    if (registry && registry[0] === f.key && !wired) stale = !ctx[registry[1]].has(String(raw));
    if (f.key === 'elementId' && node.name.startsWith('Element_')) stale = !ctx.elementExists(String(raw));
    if (stale) out.stale = true;
    out.items.push({ label: f.label || '', value, flag: stale ? 'stale' : '' });
  }
  return out;
}

function _flowThemeColorReader() {
  let style = null;
  return (name) => {
    if (!style) style = getComputedStyle(document.documentElement);
    return style.getPropertyValue(name);
  };
}

// Wraps an item for the values line; flagged items get their own look.
function _flowItemNode(item) {
  const text = item.label ? item.label + '=' + item.value : item.value;
  if (!item.flag) return document.createTextNode(text);
  const span = document.createElement('span');
  span.className = 'flow-node-subtitle-required';
  span.textContent = text;
  return span;
}

// What a node's header shows, from its data: {icon, badge: {kind, cls, title, icon} | null, colour,
// summary, warn, bg, fg}.
function _flowHeaderState(node, c) {
  const d = node.data || {};
  const dep = flowNodePbDep(node.name);
  let badge = null;
  if (dep) badge = { cls: 'flow-node-pb-badge flow-node-pb-badge--' + dep, title: t(dep === 'strict' ? 'flow.badge.pbStrict' : 'flow.badge.pbConditional'), icon: FLOW_PB_ICONS[dep] || 'ph-cpu' };
  else if (flowNodeBrowserOnly(node.name)) badge = { cls: 'flow-node-browser-badge', title: t('flow.badge.browserOnly'), icon: FLOW_BROWSER_ONLY_ICON };
  const spec = _flowSubtitleSpecs[node.name];
  const wiredNames = new Set();
  const names = Array.isArray(d._inputNames) ? d._inputNames : [];
  for (const [port, value] of Object.entries(node.inputs || {})) {
    const k = _flowPortIndex(port, false);
    if (k && value && Array.isArray(value.connections) && value.connections.length && typeof names[k - 1] === 'string') wiredNames.add(names[k - 1]);
  }
  const summary = _flowSubtitleItems(node, spec, Object.assign({}, c, {
    label: node.name.startsWith('Element_') ? '' : (c.labels[node.name] || ''),
    wired: (name) => wiredNames.has(name),
  }));
  const bg = spec && spec.accent ? _flowHex(d.headerColor) || spec.accent : null;
  return {
    icon: 'ph ' + resolveFlowNodeIcon(node.name, d) + ' flow-node-icon',
    badge,
    colour: _flowSwatchColor(node.name, d, c.themeColor),
    summary,
    warn: summary.incomplete ? 'REQUIRED' : summary.stale ? 'MISSING' : '',
    bg,
    fg: bg ? _brightnessTextColour(bg) : null,
  };
}

function _flowSpan(cls, text) {
  const span = document.createElement('span');
  span.className = cls;
  if (text !== undefined) span.textContent = text;
  return span;
}

// Puts a header state on a header element.
function _flowApplyHeader(el, header, st) {
  const icon = Object.assign(document.createElement('i'), { className: st.icon });
  const prefix = _flowSpan('flow-node-subtitle-prefix');
  const values = _flowSpan('flow-node-subtitle-values');
  const parts = [icon, prefix, values];
  const sum = st.summary;
  if (sum.prefix) {
    prefix.textContent = sum.prefix + ':';
    if (sum.items.length) {
      values.appendChild(document.createTextNode('  '));
      sum.items.forEach((item, i) => {
        if (i) values.appendChild(document.createTextNode(' | '));
        values.appendChild(_flowItemNode(item));
      });
    }
    const list = sum.items.map((i) => (i.label ? i.label + '=' + i.value : i.value)).join(' | ');
    header.title = sum.prefix + (list ? ':  ' + list : '');
  } else {
    header.title = '';
  }
  if (st.badge) {
    const badge = _flowSpan(st.badge.cls + (st.colour ? '' : ' flow-node-pb-badge--trailing'));
    badge.title = st.badge.title;
    badge.appendChild(Object.assign(document.createElement('i'), { className: 'ph ' + st.badge.icon }));
    parts.push(badge);
  }
  if (st.colour) {
    const swatch = _flowSpan('flow-node-color-swatch');
    swatch.style.background = st.colour;
    swatch.title = st.colour;
    parts.push(swatch);
  }
  if (st.warn) parts.push(_flowSpan('flow-node-required-badge', st.warn));
  header.replaceChildren(...parts);
  el.classList.toggle('flow-node-required-empty', Boolean(st.warn));
  if (st.bg) {
    header.style.background = st.bg;
    header.style.color = st.fg;
  }
}

// Refreshes a drawn node's header; the header is written only when what it shows changed, and a failure
// never reaches the caller. `ctx` (optional) carries the lookups shared by a refresh of many nodes.
function updateFlowNodeTitle(id, ctx) {
  try {
    const node = _flowNodeRecord(id);
    const el = _flowNodeElement(id);
    const header = el && el.querySelector('.flow-node > .flow-node-header');
    if (!node || !header) return;
    // A node drawn from a plain template (no subtitle of its type) keeps its header: the type's name.
    if (!_flowSubtitleSpecs[node.name]) {
      if (!header.querySelector(':scope > .flow-node-icon')) {
        header.insertBefore(Object.assign(document.createElement('i'), { className: 'ph ' + resolveFlowNodeIcon(node.name, node.data) + ' flow-node-icon' }), header.firstChild);
      }
      return;
    }
    const st = _flowHeaderState(node, ctx || _flowHeaderContext());
    const sig = JSON.stringify(st);
    if (header._qlHeader !== sig || !(header.firstChild && header.firstChild.classList && header.firstChild.classList.contains('flow-node-icon'))) {
      header._qlHeader = sig;
      _flowApplyHeader(el, header, st);
      // Cables follow the header's new height.
      _flowQueueCableRedraw([id]);
    }
    if (node.name === 'Action_PlayTone') flowDrawToneWaveform(node, el);
  } catch (e) {
    console.error('[flow] updateFlowNodeTitle:', e);
  }
}

// The lookups every header of one refresh shares.
function _flowHeaderContext() {
  const name = (v) => String(v && v.name !== undefined ? v.name : '');
  let ids = null;
  return {
    labels: typeof _flowNodeLabels === 'object' && _flowNodeLabels ? _flowNodeLabels : {},
    variables: new Set(_flowVarsRegistry.map(name)),
    constants: new Set(_flowConstsRegistry.map(name)),
    elementExists: (eid) => (ids || (ids = new Set(elements.map((el) => String(el.id))))).has(String(eid)),
    themeColor: _flowThemeColorReader(),
  };
}

// Every drawn node's header (the nodes of the active module; the others are drawn when shown).
function updateAllFlowNodeTitles() {
  if (!_flowEditor) return;
  const ctx = _flowHeaderContext();
  for (const id of Object.keys(_flowModuleData())) updateFlowNodeTitle(id, ctx);
}

// Element nodes follow the design: a node whose element is gone is an orphan (its header says MISSING).
function flow_syncWithElements() {
  _flowOrphans.clear();
  const editor = _flowEditor;
  const home = editor && editor.drawflow.drawflow[FLOW_HOME_MODULE];
  const ctx = _flowHeaderContext();
  for (const [id, node] of Object.entries(home ? home.data : {})) {
    const d = node.data || {};
    if (d.elementId === undefined || !String(node.name).startsWith('Element_')) continue;
    if (!ctx.elementExists(String(d.elementId))) _flowOrphans.add(id);
    if (editor.module === FLOW_HOME_MODULE) updateFlowNodeTitle(id, ctx);
  }
  _qlCallIfDefined('updateFlowNodeCount');
}
