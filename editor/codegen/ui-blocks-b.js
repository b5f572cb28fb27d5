// UI procedure library, blocks 13 to 24: lists, list runtime, tables, charts, accordion, page mode,
// splitter, alerts, CSS and timeline animations, getters, element tree. Script templates as described in
// ui-library.js; `when` names a design flag of pbDesignFlags.
// Provides: nothing
// Needs: pbDefineUiBlock

pbDefineUiBlock(13, 'Lists', 'select|list', [
  ['UI_SetListItems', 'ElementID$, Items$', function (Q, ElementID, Items) {
    var list = Items === '' ? [] : Items.split('|');
    var box = Q.box(ElementID);
    if (box && box.querySelector('.ql-select') || (Q.el(ElementID) && Q.el(ElementID).classList.contains('ql-select'))) {
      Q.call('QuorlinSelect', 'setItems', [ElementID, list]);
      return;
    }
    if (!window.QuorlinList) return;
    Q.call('QuorlinList', 'clear', [ElementID]);
    list.forEach(function (text) { Q.call('QuorlinList', 'add', [ElementID, text, -1]); });
  }],
  ['UI_GetListItems', 'ElementID$', function (Q, ElementID) {
    var sel = window.QuorlinSelect && Q.call('QuorlinSelect', 'getItems', [ElementID]);
    if (Array.isArray(sel)) Q.send(ElementID, 'listItems', sel.join('|'));
    else Q.call('QuorlinList', 'getItems', [ElementID]);
  }],
  ['UI_GetListItem', 'ElementID$, Index$', function (Q, ElementID, Index) {
    var sel = window.QuorlinSelect && Q.call('QuorlinSelect', 'getItems', [ElementID]);
    if (Array.isArray(sel)) Q.send(ElementID, 'listItem', sel[parseInt(Index, 10)] || '');
    else Q.call('QuorlinList', 'getAt', [ElementID, Index]);
  }],
]);

function _pbListCall(method, params) {
  return new Function(['Q', 'ElementID'].concat(params).join(','),
    "Q.call('QuorlinList', '" + method + "', [" + ['ElementID'].concat(params).join(', ') + ']);');
}

pbDefineUiBlock(14, 'List runtime', 'list', [
  ['UI_List_AddItem', 'ElementID$, Text$, Position$', function (Q, ElementID, Text, Position) {
    var p = Position === '' ? -1 : parseInt(Position, 10);
    Q.call('QuorlinList', 'add', [ElementID, Text, isFinite(p) ? p : -1]);
  }],
  ['UI_List_RemoveItem', 'ElementID$, Index', _pbListCall('remove', ['Index'])],
  ['UI_List_MoveItem', 'ElementID$, FromIndex, ToIndex', _pbListCall('move', ['FromIndex', 'ToIndex'])],
  ['UI_List_Clear', 'ElementID$', _pbListCall('clear', [])],
  ['UI_List_MoveItemToList', 'ElementID$, Index, TargetID$, TargetIndex', _pbListCall('moveToList', ['Index', 'TargetID', 'TargetIndex'])],
  ['UI_List_SortableEnable', 'ElementID$, Enable$', _pbListCall('sortableEnable', ['Enable'])],
  ['UI_List_GetCount', 'ElementID$', _pbListCall('getCount', [])],
  ['UI_List_GetItems', 'ElementID$', _pbListCall('getItems', [])],
]);

function _pbGridCall(fn, params) {
  return new Function(['Q', 'ElementID'].concat(params).join(','),
    "Q.call(window, '" + fn + "', [" + ['ElementID'].concat(params).join(', ') + ']);');
}

pbDefineUiBlock(15, 'Tables', 'table', [
  ['UI_Grid_SetData', 'ElementID$, Json$', _pbGridCall('GridJS_SetData', ['Json'])],
  ['UI_Grid_SetColumns', 'ElementID$, Json$', _pbGridCall('GridJS_SetColumns', ['Json'])],
  ['UI_Grid_AddRow', 'ElementID$, Cells$, Position', _pbGridCall('GridJS_AddRow', ['Cells', 'Position'])],
  ['UI_Grid_UpdateRow', 'ElementID$, Row, Cells$', _pbGridCall('GridJS_UpdateRow', ['Row', 'Cells'])],
  ['UI_Grid_DeleteRow', 'ElementID$, Row', _pbGridCall('GridJS_DeleteRow', ['Row'])],
  ['UI_Grid_MoveRow', 'ElementID$, FromRow, ToRow', _pbGridCall('GridJS_MoveRow', ['FromRow', 'ToRow'])],
  ['UI_Grid_GetRow', 'ElementID$, Row', _pbGridCall('GridJS_GetRow', ['Row'])],
  ['UI_Grid_Clear', 'ElementID$', _pbGridCall('GridJS_Clear', [])],
  ['UI_Grid_SetSort', 'ElementID$, Enable', _pbGridCall('GridJS_SetSort', ['Enable'])],
  ['UI_Grid_SetFilter', 'ElementID$, Enable', _pbGridCall('GridJS_SetFilter', ['Enable'])],
  ['UI_Grid_SetSearch', 'ElementID$, Enable', _pbGridCall('GridJS_SetSearch', ['Enable'])],
  ['UI_Grid_SetPagination', 'ElementID$, Enable, PageSize', _pbGridCall('GridJS_SetPagination', ['Enable', 'PageSize'])],
]);

// Chart texts (JSON included) arrive unchanged: the general escape undoes itself in the script literal.
function _pbChartCall(method, params) {
  return new Function(['Q', 'ElementID'].concat(params).join(','),
    "Q.call('QuorlinChart', '" + method + "', [" + ['ElementID'].concat(params).join(', ') + ']);');
}

pbDefineUiBlock(16, 'Charts', 'chart', [
  ['UI_ChartSetData', 'ElementID$, Json$', function (Q, ElementID, Json) {
    var data;
    try { data = JSON.parse(Json); } catch (e) { return; }
    Q.call('QuorlinChart', 'setData', [ElementID, data]);
  }],
  ['UI_ChartSetType', 'ElementID$, Type$', _pbChartCall('setType', ['Type'])],
  ['UI_ChartSetOptions', 'ElementID$, Json$', function (Q, ElementID, Json) {
    var options;
    try { options = JSON.parse(Json); } catch (e) { return; }
    Q.call('QuorlinChart', 'setOptions', [ElementID, options]);
  }],
  ['UI_ChartAppendPoint', 'ElementID$, Label$, Value$, SeriesLabel$', _pbChartCall('appendPoint', ['Label', 'Value', 'SeriesLabel'])],
  ['UI_ChartAddDataset', 'ElementID$, Label$, Color$', _pbChartCall('addDataset', ['Label', 'Color'])],
  ['UI_ChartSetSeriesColors', 'ElementID$, SeriesLabel$, BgColor$, BorderColor$', _pbChartCall('setSeriesColors', ['SeriesLabel', 'BgColor', 'BorderColor'])],
  ['UI_ChartSetSliceColor', 'ElementID$, Label$, Value$, Color$', _pbChartCall('setSliceColor', ['Label', 'Value', 'Color'])],
  ['UI_ChartGetData', 'ElementID$', function (Q, ElementID) {
    var data = Q.call('QuorlinChart', 'getData', [ElementID]);
    Q.send(ElementID, 'getChartData', JSON.stringify(data === undefined ? null : data));
  }],
  ['UI_ChartSetValue', 'ElementID$, DatasetIndex, ValueIndex, Value$', _pbChartCall('setValue', ['DatasetIndex', 'ValueIndex', 'Value'])],
]);

function _pbAccordion(open) {
  return new Function('Q', 'ElementID',
    'var el = Q.el(ElementID);\n' +
    "var body = el && el.querySelector('.acc-body');\n" +
    'if (!body) return;\n' +
    "var chevron = el.querySelector('.acc-chevron');\n" +
    "body.style.overflow = 'hidden';\n" +
    (open
      ? "body.classList.add('acc-body-open');\nbody.style.height = '0px';\nbody.style.height = body.scrollHeight + 'px';\n" +
        "if (chevron) chevron.style.transform = 'rotate(180deg)';\n" +
        "setTimeout(function () { if (body.classList.contains('acc-body-open')) body.style.height = 'auto'; }, 300);"
      : "body.style.height = body.scrollHeight + 'px';\nbody.classList.remove('acc-body-open');\n" +
        "setTimeout(function () { body.style.height = '0px'; }, 0);\n" +
        "if (chevron) chevron.style.transform = '';"));
}

pbDefineUiBlock(17, 'Accordion', 'accordion', [
  ['UI_SetHeaderBgColor', 'ElementID$, Color$', function (Q, ElementID, Color) {
    var el = Q.el(ElementID);
    var h = el && el.querySelector('.acc-header');
    if (h) h.style.backgroundColor = Color;
  }],
  ['UI_SetHeaderTextColor', 'ElementID$, Color$', function (Q, ElementID, Color) {
    var el = Q.el(ElementID);
    var h = el && el.querySelector('.acc-header');
    if (h) h.style.color = Color;
  }],
  ['UI_OpenAccordion', 'ElementID$', _pbAccordion(true)],
  ['UI_CloseAccordion', 'ElementID$', _pbAccordion(false)],
]);

pbDefineUiBlock(18, 'Page mode', 'pageMode', [
  ['UI_SetPage', 'PageName$', function (Q, PageName) {
    var pages = document.querySelectorAll('[data-page-id]');
    for (var i = 0; i < pages.length; i++) {
      var w = pages[i].closest('[id^="wrap-"]') || pages[i];
      var on = pages[i].getAttribute('data-page-id') === PageName;
      w.style.display = on ? 'flex' : 'none';
      w.classList.toggle('hidden', !on);
    }
  }],
  ['UI_GetPage', '', function (Q) {
    var pages = document.querySelectorAll('[data-page-id]');
    var name = '';
    for (var i = 0; i < pages.length && !name; i++) {
      var w = pages[i].closest('[id^="wrap-"]') || pages[i];
      if (w.style.display !== 'none' && !w.classList.contains('hidden')) name = pages[i].getAttribute('data-page-id');
    }
    Q.send('page', 'getPage', name);
  }],
]);

function _pbSplitColour(attr) {
  return new Function('Q', 'ElementID', 'Color',
    'var w = Q.outer(ElementID);\n' +
    "var bar = w && w.querySelector('[data-splitter]');\n" +
    'if (!bar) return;\n' +
    (attr === 'hover'
      ? "bar.setAttribute('data-hover-color', Color);\nQ.pointerColour(bar, 'hover-bg');\nbar.setAttribute('data-ql-hover-bg', Color);"
      : 'bar.style.backgroundColor = Color;'));
}

pbDefineUiBlock(19, 'Splitter', 'splitter', [
  ['UI_SetSplitColor', 'ElementID$, Color$', _pbSplitColour('bg')],
  ['UI_SetSplitHoverColor', 'ElementID$, Color$', _pbSplitColour('hover')],
]);

pbDefineUiBlock(20, 'Alerts', 'alert', [
  ['UI_SetAutoHideMs', 'ElementID$, Milliseconds', function (Q, ElementID, Milliseconds) {
    var el = Q.el(ElementID) || Q.wrap(ElementID);
    if (!el) return;
    if (Milliseconds > 0) el.setAttribute('data-auto-hide-ms', String(Milliseconds));
    else el.removeAttribute('data-auto-hide-ms');
  }],
]);

pbDefineUiBlock(21, 'CSS animations', 'cssAnim', [
  ['UI_TriggerAnimation', 'ElementID$, AnimationIndex, Duration$, Count$, Timing$', function (Q, ElementID, AnimationIndex, Duration, Count, Timing) {
    Q.call(window, 'triggerAnimation', [ElementID, AnimationIndex, Duration, Count, Timing]);
  }],
]);

pbDefineUiBlock(22, 'Timeline animations', 'timeline', [
  ['UI_PlayAnimation', 'AnimName$, Loop$ = "", Reverse$ = "", Reset$ = "", Rate$ = ""', function (Q, AnimName, Loop, Reverse, Reset, Rate) {
    var rate = parseFloat(Rate);
    Q.call('QuorlinAnim', 'play', [AnimName, Loop === '' ? undefined : Loop, Reverse === '' ? undefined : Reverse === '1',
      Reset === '' ? undefined : Reset === '1', rate > 0 ? rate : undefined]);
  }],
  ['UI_PauseAnimation', 'AnimName$', function (Q, AnimName) { Q.call('QuorlinAnim', 'pause', [AnimName]); }],
  ['UI_StopAnimation', 'AnimName$', function (Q, AnimName) { Q.call('QuorlinAnim', 'stop', [AnimName]); }],
  ['UI_SeekAnimation', 'AnimName$, Time.d', function (Q, AnimName, Time) { Q.call('QuorlinAnim', 'seek', [AnimName, Time]); }],
  ['UI_GetAnimationPosition', 'ElementID$, AnimName$', function (Q, ElementID, AnimName) {
    var p = Q.call('QuorlinAnim', 'getPosition', [AnimName]);
    Q.send(ElementID, 'getAnimationPosition', p === undefined ? 0 : p);
  }],
  ['UI_GetAnimationState', 'ElementID$, AnimName$', function (Q, ElementID, AnimName) {
    var s = Q.call('QuorlinAnim', 'getState', [AnimName]);
    Q.send(ElementID, 'getAnimationState', s === undefined ? 'Stopped' : s);
  }],
]);

function _pbSelectCall(method, event) {
  return new Function('Q', 'ElementID',
    "var v = Q.call('QuorlinSelect', '" + method + "', [ElementID]);\n" +
    "Q.send(ElementID, '" + event + "', v === undefined || v === null ? '' : v);");
}

pbDefineUiBlock(23, 'Getters', null, [
  ['UI_GetText', 'ElementID$', function (Q, ElementID) {
    var el = Q.find(ElementID, 'button,input,textarea,p,h1,h2,h3,h4,h5,h6,span');
    var v = !el ? '' : el.tagName === 'INPUT' || el.tagName === 'TEXTAREA' ? el.value : el.textContent;
    Q.send(ElementID, 'getText', v);
  }],
  ['UI_GetChecked', 'ElementID$', function (Q, ElementID) {
    var el = Q.el(ElementID) || Q.wrap(ElementID);
    var box = el && (el.tagName === 'INPUT' ? el : el.querySelector('input[type=checkbox],input[type=radio]'));
    var on = box ? box.checked : !!(el && el.classList.contains('active'));
    Q.send(ElementID, 'getChecked', on ? '1' : '0');
  }, { when: 'checkable' }],
  ['UI_GetEnabled', 'ElementID$', function (Q, ElementID) {
    var w = Q.wrap(ElementID);
    var el = Q.el(ElementID);
    var off = (w && w.classList.contains('disabled-container')) || (el && el.disabled === true);
    Q.send(ElementID, 'getEnabled', off ? '0' : '1');
  }],
  ['UI_GetVisible', 'ElementID$', function (Q, ElementID) {
    var n = Q.box(ElementID);
    var shown = !!n && n.style.display !== 'none' && !n.classList.contains('hidden');
    Q.send(ElementID, 'getVisible', shown ? '1' : '0');
  }],
  ['UI_GetSelectedIndex', 'ElementID$', _pbSelectCall('getSelectedIndex', 'getSelectedIndex'), { when: 'select' }],
  ['UI_SetSelectedIndex', 'ElementID$, Index', function (Q, ElementID, Index) {
    Q.call('QuorlinSelect', 'select', [ElementID, Index]);
  }, { when: 'select' }],
  ['UI_Select_AddItem', 'ElementID$, Text$, Position$', function (Q, ElementID, Text, Position) {
    var p = Position === '' ? -1 : parseInt(Position, 10);
    Q.call('QuorlinSelect', 'add', [ElementID, Text, isFinite(p) ? p : -1]);
  }, { when: 'select' }],
  ['UI_GetSelectedText', 'ElementID$', _pbSelectCall('getText', 'getSelectedText'), { when: 'select' }],
  ['UI_Select_GetCount', 'ElementID$', _pbSelectCall('getCount', 'selectGetCount'), { when: 'select' }],
]);

pbDefineUiBlock(24, 'Element tree', null, [
  ['UI_CopyElement', 'SourceElementID$, TargetElementID$, Prefix$, NewAnimation = #False', function (Q, SourceElementID, TargetElementID, Prefix, NewAnimation) {
    var target = Q.el(TargetElementID) || (Q.wrap(TargetElementID) && Q.wrap(TargetElementID).firstElementChild);
    if (!target) return;
    target = document.getElementById(TargetElementID + '-scroll-wrap') || target;
    var source = Q.wrap(SourceElementID) || Q.el(SourceElementID);
    if (!source) return;
    var earlier = document.getElementById('wrap-' + Prefix + '_' + SourceElementID);
    if (earlier && earlier.parentNode) earlier.parentNode.removeChild(earlier);
    var clone = source.cloneNode(true);
    var map = {};
    var rename = function (n) {
      if (!n.id) return;
      var old = n.id;
      var fresh = old.indexOf('wrap-') === 0 ? 'wrap-' + Prefix + '_' + old.slice(5) : Prefix + '_' + old;
      if (old.indexOf('wrap-') !== 0) map[old] = fresh;
      n.id = fresh;
    };
    rename(clone);
    Array.prototype.forEach.call(clone.querySelectorAll('[id]'), rename);
    var ids = Object.keys(map).sort(function (a, b) { return b.length - a.length; });
    Array.prototype.forEach.call(clone.querySelectorAll('style'), function (st) {
      var css = st.textContent;
      ids.forEach(function (old) { css = css.split('#' + old).join('#' + map[old]).split('#wrap-' + old).join('#wrap-' + map[old]); });
      st.textContent = css;
    });
    Array.prototype.forEach.call(clone.querySelectorAll('input[type=radio][name]'), function (r) {
      var parts = r.name.split('_');
      r.name = Prefix + '_' + parts[parts.length - 1];
    });
    window.__lastCopyIdMap = map;
    clone.classList.remove('hidden');
    if (clone.style.display === 'none') clone.style.display = '';
    target.appendChild(clone);
    var anims = Array.isArray(window.__animationsData) ? window.__animationsData : [];
    var names = {};
    anims.slice().forEach(function (a) {
      var tracks = (a.tracks || []).filter(function (t) { return Object.prototype.hasOwnProperty.call(map, t.elementId); });
      if (!tracks.length) return;
      var copies = tracks.map(function (t) { var c = JSON.parse(JSON.stringify(t)); c.elementId = map[t.elementId]; return c; });
      if (NewAnimation) {
        var name = Prefix + '_' + a.name;
        names[a.name] = name;
        for (var i = anims.length - 1; i >= 0; i--) if (anims[i].name === name) anims.splice(i, 1);
        anims.push({ name: name, duration: a.duration, loop: a.loop, autoRun: false, tracks: copies });
      } else {
        var fresh = copies.map(function (c) { return c.elementId; });
        a.tracks = a.tracks.filter(function (t) { return fresh.indexOf(t.elementId) === -1; }).concat(copies);
      }
    });
    if (typeof window._quorlCloneFlowForElement === 'function') {
      try { window._quorlCloneFlowForElement(SourceElementID, map, NewAnimation ? names : null); } catch (e) { /* the copy stands without its flow */ }
    }
  }],
  ['UI_DeleteElement', 'ElementID$, NodesToo = #False', function (Q, ElementID, NodesToo) {
    var n = Q.box(ElementID);
    if (n && n.parentNode) n.parentNode.removeChild(n);
    if (NodesToo && typeof window._quorlDeleteFlowForElement === 'function') window._quorlDeleteFlowForElement(ElementID);
  }],
  ['UI_MoveElementTo', 'ElementID$, ReferenceID$, After = #True', function (Q, ElementID, ReferenceID, After) {
    var n = Q.box(ElementID);
    var ref = Q.box(ReferenceID);
    if (!n || !ref || n === ref || !ref.parentNode) return;
    ref.parentNode.insertBefore(n, After ? ref.nextSibling : ref);
  }],
  ['UI_MoveElementUp', 'ElementID$', function (Q, ElementID) {
    var n = Q.box(ElementID);
    var prev = n && n.previousElementSibling;
    if (prev) n.parentNode.insertBefore(n, prev);
  }],
  ['UI_MoveElementDown', 'ElementID$', function (Q, ElementID) {
    var n = Q.box(ElementID);
    var next = n && n.nextElementSibling;
    if (next) n.parentNode.insertBefore(next, n);
  }],
  ['UI_GetElementCount', 'ParentID$', function (Q, ParentID) {
    var el = Q.el(ParentID) || Q.wrap(ParentID);
    Q.send(ParentID, 'getElementCount', el ? el.children.length : 0);
  }],
  ['UI_ScrollIntoView', 'ElementID$, Align$ = "center", Offset = 0, Smooth = #True', function (Q, ElementID, Align, Offset, Smooth) {
    var el = document.getElementById(ElementID + '_wrapper') || Q.el(ElementID);
    if (!el) return;
    var behavior = Smooth ? 'smooth' : 'auto';
    var box = el.parentElement;
    while (box) {
      var o = window.getComputedStyle(box).overflowY;
      if ((o === 'auto' || o === 'scroll') && box.scrollHeight > box.clientHeight) break;
      box = box.parentElement;
    }
    if (!box) {
      window.scrollTo({ top: el.getBoundingClientRect().top + window.scrollY - Offset, behavior: behavior });
      return;
    }
    var top = el.getBoundingClientRect().top - box.getBoundingClientRect().top + box.scrollTop;
    if (Align === 'center') top -= (box.clientHeight - el.offsetHeight) / 2;
    else if (Align === 'bottom') top -= box.clientHeight - el.offsetHeight;
    box.scrollTo({ top: top - Offset, behavior: behavior });
  }],
  ['UI_ScrollContentStop', 'ElementID$', function (Q, ElementID) { Q.call(window, 'scrollContentStop', [ElementID]); }],
  ['UI_ScrollContentPlay', 'ElementID$', function (Q, ElementID) { Q.call(window, 'scrollContentPlay', [ElementID]); }],
  ['UI_ScrollContentRestart', 'ElementID$', function (Q, ElementID) { Q.call(window, 'scrollContentRestart', [ElementID]); }],
  ['UI_Focus', 'ElementID$', function (Q, ElementID) {
    var el = Q.find(ElementID, 'input,textarea,button,a,select,[tabindex]');
    if (el && el.focus) el.focus();
  }],
  ['UI_Blur', 'ElementID$', function (Q, ElementID) {
    var el = Q.find(ElementID, 'input,textarea,button,a,select,[tabindex]');
    if (el && el.blur) el.blur();
  }],
  ['UI_ChangeElementId', 'OldID$, NewID$', function (Q, OldID, NewID) {
    var el = Q.el(OldID);
    var w = Q.wrap(OldID);
    if ((!el && !w) || !NewID || Q.el(NewID) || Q.wrap(NewID)) { Q.send(OldID, 'changeId', '0'); return; }
    if (w) w.id = 'wrap-' + NewID;
    if (el) el.id = NewID;
    Q.send(OldID, 'changeId', '1');
  }],
  ['UI_ElementExists', 'ElementID$', function (Q, ElementID) {
    Q.send(ElementID, 'elementExists', Q.box(ElementID) ? '1' : '0');
  }],
  ['UI_GetVariable', 'VarName$', function (Q, VarName) {
    var v = Q.call('QuorlinFlow', 'getVar', [VarName]);
    Q.send('flowvar', 'getVariable', v === undefined || v === null ? '' : typeof v === 'object' ? JSON.stringify(v) : v);
  }],
  ['UI_SetVariable', 'VarName$, Value$', function (Q, VarName, Value) {
    Q.call('QuorlinFlow', 'setVar', [VarName, Value]);
  }],
  ['UI_GetParentId', 'ElementID$', function (Q, ElementID) {
    var w = Q.wrap(ElementID);
    var p = w && w.parentElement;
    while (p && !(p.id && p.id.indexOf('wrap-') === 0)) p = p.parentElement;
    Q.send(ElementID, 'getParentId', p ? p.id.slice(5) : '');
  }],
  ['UI_GetFirstChildId', 'ElementID$', function (Q, ElementID) {
    Q.send(ElementID, 'getFirstChildId', Q.children(ElementID)[0] || '');
  }],
  ['UI_GetLastChildId', 'ElementID$', function (Q, ElementID) {
    var c = Q.children(ElementID);
    Q.send(ElementID, 'getLastChildId', c.length ? c[c.length - 1] : '');
  }],
  ['UI_GetChildrenIds', 'ElementID$', function (Q, ElementID) {
    Q.send(ElementID, 'getChildrenIds', Q.children(ElementID).join(','));
  }],
  ['UI_GetElementAt', 'ElementID$, Cols, Rows, Row, Col', function (Q, ElementID, Cols, Rows, Row, Col) {
    var c = Q.children(ElementID);
    var ok = Row >= 0 && Row < Rows && Col >= 0 && Col < Cols;
    Q.send(ElementID, 'getElementAt', ok ? c[Row * Cols + Col] || '' : '');
  }],
]);
