// The base program and the IDE project of the source export. The base program (<base>.pb) includes the
// generated module (<base>.pbi), opens the window with the web view, starts the module and holds the
// event handler the user fills in: one Case per element that reports an event. It is the user's file
// from then on (the export writes it only when asked, or when it is missing). The IDE project
// (<base>.pbp) lists both files and one target. Element ids and texts reach the source only as escaped
// string literals or as one-line comments, so no id or text can break the program.
// Provides: generateBasePb, generatePbpProject, _PB_EVENT_TYPES
// Needs: canvasSettings, elements, pbCommentText, pbPlainLiteral, t

// Which element types report which event (the first five need the element's "export events" flag).
var _PB_EVENT_TYPES = {
  click: ['button', 'link', 'icon', 'image', 'alert', 'container', 'accordion', 'heading', 'text', 'list', 'canvas',
    'divider', 'splitter', 'select'],
  input: ['input', 'textarea', 'slider', 'progress', 'file'],
  change: ['checkbox', 'radio', 'toggle', 'toggle-btn', 'select'],
  cellclick: ['table'],
  cellchange: ['table'],
};
// The mouse events and the element flag that exports each.
var _PB_MOUSE_EVENTS = [['mousedown', 'exportMousedown'], ['mouseup', 'exportMouseup'], ['mouseenter', 'exportMouseenter'],
  ['mouseleave', 'exportMouseleave'], ['mousemove', 'exportMousemove']];
var _PB_GETTER_EVENTS = ['getText', 'getChecked', 'getEnabled', 'getVisible', 'getSelectedIndex', 'getValue', 'getVariable',
  'getParentId', 'getFirstChildId', 'getLastChildId', 'getChildrenIds', 'getElementAt', 'getPivot'];

function _pbElementLabel(el) {
  const raw = typeof el.text === 'string' && el.text ? el.text : (el.name || '');
  return pbCommentText(String(raw).replace(/<[^>]*>/g, ''), 30);
}

function _pbTitlebarButtons(titlebarConfig) {
  const tb = titlebarConfig || {};
  const buttons = {};
  [['maximizeBtnId', 'MaxCallback'], ['minimizeBtnId', 'MinCallback'], ['closeBtnId', 'CloseCallback']].forEach(function (pair) {
    const id = tb[pair[0]];
    if (id !== undefined && id !== null && id !== '' && id !== -1 && id !== '-1') buttons[String(id)] = pair[1];
  });
  return buttons;
}

// The elements that report `event`, in design order.
function _pbElementsFor(event) {
  const list = Array.isArray(elements) ? elements : [];
  const mouse = _PB_MOUSE_EVENTS.find(function (m) { return m[0] === event; });
  return list.filter(function (el) {
    if (!el || el.id === undefined || el.id === null || el.id === '') return false;
    if (mouse) return !!el[mouse[1]];
    return !!el.exportEvents && _PB_EVENT_TYPES[event].indexOf(el.type) !== -1;
  });
}

function _pbEventCase(event, titlebarButtons, out) {
  out.push('    Case "' + event + '"');
  const cases = [];
  const seen = {};
  _pbElementsFor(event).forEach(function (el) {
    const id = String(el.id);
    if (seen[id] || (event === 'click' && titlebarButtons[id])) return;
    seen[id] = true;
    cases.push('        Case ' + pbPlainLiteral(id) + ' ;' + pbCommentText(el.type) + ' -- ' + _pbElementLabel(el));
  });
  if (event === 'click') {
    Object.keys(titlebarButtons).forEach(function (id) {
      cases.push('        Case ' + pbPlainLiteral(id));
      cases.push('          ' + titlebarButtons[id] + '("")');
    });
  }
  if (!cases.length) {
    out.push('      ; ' + pbCommentText(t('exportBase.noElements', { event: event })));
    return;
  }
  out.push('      Select ElementID$');
  cases.forEach(function (line) { out.push(line); });
  out.push('      EndSelect');
}

function _pbHasVideo() {
  return (Array.isArray(elements) ? elements : []).some(function (el) { return el && el.type === 'avplayer'; });
}

// The base program for the module <baseName>.pbi; titlebarConfig as the module gets it (null without a
// title bar).
function generateBasePb(baseName, titlebarConfig) {
  const base = String(baseName || 'interfaz');
  const titlebar = !!titlebarConfig;
  const transparent = !!(canvasSettings && canvasSettings.transparentBg);
  const buttons = _pbTitlebarButtons(titlebarConfig);
  const out = [];
  const comment = function (key, params) { out.push('; ' + pbCommentText(t(key, params))); };

  comment('exportBase.appTitle');
  comment('exportBase.integrationPoint', { name: base + '.pbi' });
  out.push(';');
  comment('exportBase.generalFlow');
  comment('exportBase.step1');
  comment('exportBase.step2');
  comment('exportBase.step3');
  out.push('');
  // The module numbers the window (#MainWindow = 0); the web view gadget is the program's.
  out.push('Enumeration Gadgets', '  #MainGadget', 'EndEnumeration', '');
  out.push('UsePNGImageDecoder()', '');
  out.push('IncludeFile ' + pbPlainLiteral(base + '.pbi'), '');

  if (transparent) {
    out.push(
      '; The window keeps only what the page draws: one region per opaque box (one corner radius each).',
      'Procedure QL_JsonNumber(*item, key$)',
      '  Protected *member = GetJSONMember(*item, key$)',
      '  If *member',
      '    ProcedureReturn GetJSONInteger(*member)',
      '  EndIf',
      '  ProcedureReturn 0',
      'EndProcedure',
      '',
      'Procedure QL_AddBoxes(region, *list, rounded)',
      '  Protected i, *box, x, y, w, h, r, part',
      '  If *list = 0 Or JSONType(*list) <> #PB_JSON_Array',
      '    ProcedureReturn',
      '  EndIf',
      '  For i = 0 To JSONArraySize(*list) - 1',
      '    *box = GetJSONElement(*list, i)',
      '    x = QL_JsonNumber(*box, "x") : y = QL_JsonNumber(*box, "y")',
      '    w = QL_JsonNumber(*box, "w") : h = QL_JsonNumber(*box, "h")',
      '    r = 0',
      '    If rounded',
      '      r = QL_JsonNumber(*box, "r")',
      '    EndIf',
      '    If r > 0',
      '      part = CreateRoundRectRgn_(x, y, x + w + 1, y + h + 1, r * 2, r * 2)',
      '    Else',
      '      part = CreateRectRgn_(x, y, x + w, y + h)',
      '    EndIf',
      '    CombineRgn_(region, region, part, #RGN_OR)',
      '    DeleteObject_(part)',
      '  Next',
      'EndProcedure',
      '',
      'Procedure ApplyTransparentRegion(Json$)',
      '  Protected json = ParseJSON(#PB_Any, Json$)',
      '  Protected region',
      '  If json = 0',
      '    ProcedureReturn',
      '  EndIf',
      '  region = CreateRectRgn_(0, 0, 0, 0)',
      '  If JSONType(JSONValue(json)) = #PB_JSON_Object',
      '    QL_AddBoxes(region, GetJSONMember(JSONValue(json), "rects"), #True)',
      '    QL_AddBoxes(region, GetJSONMember(JSONValue(json), "images"), #False)',
      '  EndIf',
      '  FreeJSON(json)',
      '  SetWindowRgn_(WindowID(#MainWindow), region, #True)',
      'EndProcedure',
      '');
  }

  out.push('Procedure EventHandler(ElementID$, EventType$, EventValue$)');
  out.push('  Debug "Event: " + EventType$ + " | ID: " + ElementID$ + " | Value: " + EventValue$');
  out.push('  Select EventType$');
  ['click', 'input', 'change', 'cellclick', 'cellchange'].concat(_PB_MOUSE_EVENTS.map(function (m) { return m[0]; }))
    .forEach(function (event) { _pbEventCase(event, buttons, out); });
  _PB_GETTER_EVENTS.forEach(function (event) {
    out.push('    Case "' + event + '"', '      Debug "' + event + ': " + ElementID$ + " = " + EventValue$');
  });
  out.push('    Case "page_ready"');
  if (transparent) out.push('      ; ' + pbCommentText(t('exportBase.waitRegion')));
  else out.push('      HideWindow(#MainWindow, #False)');
  if (transparent) {
    out.push('    Case "transparent_region"', '      ApplyTransparentRegion(EventValue$)', '      HideWindow(#MainWindow, #False)');
  }
  if (titlebar) {
    [['moveWindow', 'MoveWindowCallback'], ['resizeWindow', 'ResizeWindowCallback'], ['closeWindow', 'CloseCallback'],
      ['minimizeWindow', 'MinCallback'], ['maximizeWindow', 'MaxCallback']].forEach(function (pair) {
      out.push('    Case "' + pair[0] + '"', '      ' + pair[1] + '(EventValue$)');
    });
  }
  if (_pbHasVideo() && !titlebar) {
    out.push('    Case "fullscreen"',
      '      If EventValue$ = "enter"',
      '        SetWindowLongPtr_(WindowID(#MainWindow), #GWL_STYLE, GetWindowLongPtr_(WindowID(#MainWindow), #GWL_STYLE) & ~#WS_CAPTION)',
      '        SetWindowState(#MainWindow, #PB_Window_Maximize)',
      '      Else',
      '        SetWindowLongPtr_(WindowID(#MainWindow), #GWL_STYLE, GetWindowLongPtr_(WindowID(#MainWindow), #GWL_STYLE) | #WS_CAPTION)',
      '        SetWindowState(#MainWindow, #PB_Window_Normal)',
      '      EndIf');
  }
  out.push('  EndSelect', 'EndProcedure', '');

  out.push('Procedure SizeWindowHandler()');
  out.push('  ResizeGadget(#MainGadget, 0, 0, WindowWidth(#MainWindow), WindowHeight(#MainWindow))');
  if (titlebar && !transparent) {
    out.push('  MakeRoundedWindow(#MainWindow, #TITLEBAR_RADIUS_TL, #TITLEBAR_RADIUS_TR, #TITLEBAR_RADIUS_BR, #TITLEBAR_RADIUS_BL)');
  }
  out.push('EndProcedure', '');

  const limits = [['UI_MAX_WIDTH', 8192], ['UI_MAX_HEIGHT', 8192], ['UI_MIN_WIDTH', 0], ['UI_MIN_HEIGHT', 0]];
  limits.forEach(function (pair) {
    out.push('CompilerIf Not Defined(' + pair[0] + ', #PB_Constant)', '  #' + pair[0] + ' = ' + pair[1], 'CompilerEndIf');
  });
  out.push('CompilerIf Defined(UI_WINDOW_WIDTH, #PB_Constant) And Defined(UI_WINDOW_HEIGHT, #PB_Constant)',
    '  #QL_WINDOW_WIDTH = #UI_WINDOW_WIDTH', '  #QL_WINDOW_HEIGHT = #UI_WINDOW_HEIGHT',
    'CompilerElse', '  #QL_WINDOW_WIDTH = 1920', '  #QL_WINDOW_HEIGHT = 1080', 'CompilerEndIf', '');

  let flags;
  if (titlebar) flags = '#TITLEBAR_FLAGS';
  else if (transparent) flags = '#PB_Window_BorderLess | #PB_Window_ScreenCentered | #PB_Window_Invisible';
  else flags = '#PB_Window_SystemMenu | #PB_Window_MinimizeGadget | #PB_Window_MaximizeGadget | #PB_Window_SizeGadget | #PB_Window_ScreenCentered | #PB_Window_Invisible';
  out.push('If OpenWindow(#MainWindow, 0, 0, #QL_WINDOW_WIDTH, #QL_WINDOW_HEIGHT, "Quorlin generated interface", ' + flags + ')');
  if (titlebar) out.push('  SetWindowCallback(@WindowCallback(), #MainWindow)');
  out.push('  WindowBounds(#MainWindow, #UI_MIN_WIDTH, #UI_MIN_HEIGHT, #UI_MAX_WIDTH, #UI_MAX_HEIGHT)');
  out.push('  WebViewGadget(#MainGadget, 0, 0, WindowWidth(#MainWindow), WindowHeight(#MainWindow))');
  // The module starts nothing when it finds no free port for its server: the program says so and ends.
  out.push('  If UI_Init(#MainGadget, @EventHandler()) = 0',
    '    MessageRequester("Quorlin generated interface", ' + pbPlainLiteral(t('exportBase.noPort')) + ', #PB_MessageRequester_Error)',
    '    End 1', '  EndIf');
  if (titlebar && !transparent) {
    out.push('  MakeRoundedWindow(#MainWindow, #TITLEBAR_RADIUS_TL, #TITLEBAR_RADIUS_TR, #TITLEBAR_RADIUS_BR, #TITLEBAR_RADIUS_BL)');
  }
  out.push('  CompilerIf #TITLEBAR_CALLBACK_SETUP', '    Titlebar_BindWebViewCallbacks()', '  CompilerEndIf');
  out.push('  BindEvent(#PB_Event_SizeWindow, @SizeWindowHandler(), #MainWindow)');
  out.push('  SetActiveGadget(#MainGadget)');
  out.push('  ; ' + pbCommentText(t('exportBase.tabShortcut')));
  out.push('  AddKeyboardShortcut(#MainWindow, #PB_Shortcut_Tab, 1000)');
  out.push('');
  out.push('  Repeat', '  Until WaitWindowEvent() = #PB_Event_CloseWindow', '');
  out.push('  WsServer_Stop()', '  If Server', '    CloseNetworkServer(Server)', '  EndIf');
  out.push('  If IsThread(ThreadID)', '    WaitThread(ThreadID, 100)', '  EndIf');
  out.push('EndIf', '');
  out.push('; IDE Options = PureBasic 6.x (Windows - x64)', '; Optimizer', '; EnableThread', '; EnableXP', '; DPIAware',
    '; CompileSourceDirectory', '; EnableBuildCount = 0');
  return out.join('\n') + '\n';
}

function _pbXmlAttr(text) {
  return String(text).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;')
    .replace(/[\u0000-\u001f]/g, function (c) { return '&#' + c.charCodeAt(0) + ';'; });
}

// The IDE project: both files and one target. compileOptions: the export's compile settings
// ({checks: {id: boolean}}), or null when they were not read (every option then on).
function generatePbpProject(baseName, compileOptions) {
  const base = String(baseName || 'interfaz');
  const checks = compileOptions && compileOptions.checks ? compileOptions.checks : null;
  const on = function (id) { return !checks || checks[id] === undefined || checks[id] ? '1' : '0'; };
  const a = function (text) { return _pbXmlAttr(text); };
  const file = function (name, sort) {
    return [
      '    <file name="' + a(name) + '">',
      '      <config load="1" scan="1" panel="1" warn="0" lastopen="1" sortindex="' + sort + '" panelstate=""/>',
      '    </file>',
    ];
  };
  return [
    '<?xml version="1.0" encoding="UTF-8"?>',
    '',
    '<project xmlns="http://www.purebasic.com/namespace" version="1.0" creator="Quorlin">',
    '  <section name="config">',
    '    <options closefiles="1" openmode="1" name="' + a(base) + '"/>',
    '  </section>',
    '  <section name="data">',
    '    <explorer view="" pattern="0"/>',
    '    <log show="1"/>',
    '  </section>',
    '  <section name="files">',
  ].concat(file(base + '.pbi', 1), file(base + '.pb', 2), [
    '  </section>',
    '  <section name="targets">',
    '    <target name="Quorlin Target" enabled="1" default="1">',
    '      <inputfile value="' + a(base + '.pb') + '"/>',
    '      <outputfile value="' + a(base + '.exe') + '"/>',
    '      <options thread="1" xpskin="' + on('xp') + '" dpiaware="' + on('dpiaware') + '" optimizer="' + on('optimizer') + '" debug="1"/>',
    '      <temporaryexe value="source"/>',
    '    </target>',
    '  </section>',
    '</project>',
  ]).join('\n') + '\n';
}
