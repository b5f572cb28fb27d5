// UI procedure library, blocks 1 to 12: core, colours, dimensions, style, hover and active colours,
// rotation, inputs, checkable, toggle, images and video, link. Script templates as described in
// ui-library.js; `when` names a design flag of pbDesignFlags.
// Provides: nothing
// Needs: pbDefineUiBlock, pbUiPreludeSource, pbLiteral

// The prelude and the script runner: the page gets the helpers with the first script it runs.
var _PB_UI_CORE_SOURCE = [
  'Global UI_Prelude$',
  '',
  'Procedure QL_BuildPrelude()',
  '  UI_Prelude$ = ' + pbLiteral('if (!window.__qlUi) window.__qlUi = ('),
].concat(pbUiPreludeSource().split('\n').map(function (l) { return '  UI_Prelude$ = UI_Prelude$ + ' + pbLiteral(l + '\n'); }))
  .concat(['  UI_Prelude$ = UI_Prelude$ + ")(" + Str(UI_ServerPort) + ~");\\n"', 'EndProcedure']).join('\n');

pbDefineUiBlock(1, 'Core', null, [
  { pb: 'QL_BuildPrelude', source: _PB_UI_CORE_SOURCE },
  { pb: 'UI_ExecuteJS', source: [
    'Procedure UI_ExecuteJS(Gadget, Script$)',
    '  If IsGadget(Gadget)',
    '    If UI_Prelude$ = "" : QL_BuildPrelude() : EndIf',
    '    WebViewExecuteScript(Gadget, UI_Prelude$ + Script$)',
    '  EndIf',
    'EndProcedure'].join('\n') },
  ['UI_SetText', 'ElementID$, Text$', function (Q, ElementID, Text) {
    var el = Q.find(ElementID, 'button,input,textarea,p,h1,h2,h3,h4,h5,h6,span');
    if (!el) return;
    if (el.tagName === 'INPUT' || el.tagName === 'TEXTAREA') {
      el.value = Text;
      if (el.hasAttribute('data-autogrow')) { el.style.height = 'auto'; el.style.height = el.scrollHeight + 'px'; }
    } else if (el.hasAttribute('data-ql-rich-text')) el.innerHTML = Text;
    else el.textContent = Text;
  }],
  ['UI_SetValue', 'ElementID$, Value$', function (Q, ElementID, Value) {
    var el = Q.find(ElementID, 'input,textarea,progress,[role=progressbar]');
    if (!el) return;
    if (/^(INPUT|TEXTAREA|PROGRESS)$/.test(el.tagName)) { el.value = Value; return; }
    var bar = el.getAttribute('role') === 'progressbar' ? el : el.querySelector('[role=progressbar]');
    if (bar) { bar.style.width = Value + '%'; bar.setAttribute('aria-valuenow', Value); }
    else if (el.firstElementChild) el.firstElementChild.style.width = Value + '%';
  }],
  ['UI_GetValue', 'ElementID$', function (Q, ElementID) {
    var el = Q.find(ElementID, 'input,textarea,.ql-select,[role=progressbar]');
    var v = '';
    if (el && (el.tagName === 'INPUT' || el.tagName === 'TEXTAREA')) v = el.value;
    else if (el && el.classList.contains('ql-select')) v = Q.call('QuorlinSelect', 'getValue', [el.id || ElementID]) || el.getAttribute('data-value') || '';
    else if (el) {
      var bar = el.getAttribute('role') === 'progressbar' ? el : el.querySelector('[role=progressbar]');
      v = bar ? bar.getAttribute('aria-valuenow') || '' : '';
    }
    Q.send(ElementID, 'getValue', v);
  }],
  ['UI_SetPivot', 'ElementID$, PivotX, PivotY', function (Q, ElementID, PivotX, PivotY) {
    var x = isFinite(PivotX) ? PivotX : 50;
    var y = isFinite(PivotY) ? PivotY : 50;
    var origin = x + '% ' + y + '%';
    var w = Q.wrap(ElementID);
    var el = Q.el(ElementID);
    [w, w && w.querySelector('.rotation-fix-container'), w && w.querySelector('.rotation-fix-container img'), el].forEach(function (n) {
      if (n) n.style.transformOrigin = origin;
    });
  }],
  ['UI_GetPivot', 'ElementID$', function (Q, ElementID) {
    var w = Q.box(ElementID);
    var n = w && (w.querySelector('.rotation-fix-container') || w.querySelector('img'));
    var o = n && n.style.transformOrigin;
    Q.send(ElementID, 'getPivot', o || '50% 50%');
  }],
  ['UI_EmitCustomEvent', 'EventName$, Payload$', function (Q, EventName, Payload) {
    if (typeof window.pb_event === 'function') window.pb_event({ id: '_flow', type: 'custom:' + EventName, value: Payload });
  }],
  ['UI_SetTooltip', 'ElementID$, Tooltip$', function (Q, ElementID, Tooltip) {
    var el = Q.box(ElementID);
    if (el) el.setAttribute('title', Tooltip);
  }],
  ['UI_SetEnabled', 'ElementID$, State', function (Q, ElementID, State) {
    var off = State === 0;
    var w = Q.wrap(ElementID);
    var FORM = 'input,textarea,select,button,a';
    var set = function (n) {
      if (off) { n.disabled = true; n.style.pointerEvents = 'none'; } else { n.disabled = false; n.style.pointerEvents = ''; }
    };
    if (w) {
      w.classList.toggle('disabled-container', off);
      var nodes = off ? w.querySelectorAll(FORM) : w.querySelectorAll('*');
      for (var i = 0; i < nodes.length; i++) {
        if (off) set(nodes[i]);
        else { nodes[i].classList.remove('disabled-container'); if ('disabled' in nodes[i]) nodes[i].disabled = false; nodes[i].style.pointerEvents = ''; }
      }
      return;
    }
    var el = Q.el(ElementID);
    if (!el) return;
    set(el);
    for (var j = 0; j < el.children.length; j++) if (el.children[j].matches(FORM)) set(el.children[j]);
  }],
  ['UI_SetVisible', 'ElementID$, State', function (Q, ElementID, State) {
    var w = Q.wrap(ElementID);
    var n = w || Q.el(ElementID);
    if (!n) return;
    var inner = Q.el(ElementID) || n;
    if (State === 1) {
      n.style.display = w ? 'flex' : '';
      n.classList.remove('hidden', 'alert-hiding');
      var ms = parseInt(inner.getAttribute('data-auto-hide-ms'), 10);
      if (ms > 0) {
        clearTimeout(n.__qlAutoHide);
        n.__qlAutoHide = setTimeout(function () {
          n.classList.add('alert-hiding');
          setTimeout(function () { n.style.display = 'none'; n.classList.add('hidden'); Q.mainBlur(); }, 300);
        }, ms);
      }
    } else {
      n.style.display = 'none';
      n.classList.add('hidden');
    }
    Q.mainBlur();
  }],
  ['UI_SetTheme', 'Theme$', function (Q, Theme) {
    var i = /^\s*-?\d+\s*$/.test(Theme) ? parseInt(Theme, 10) : Theme === 'dark' ? 1 : 0;
    if (typeof window.setQuorlinTheme === 'function') window.setQuorlinTheme(i);
    else document.documentElement.setAttribute('data-theme', String(i));
  }],
  ['UI_SetVersion', 'Version$, Build$', function (Q, Version, Build) {
    if (typeof window.setQuorlinVersion === 'function') window.setQuorlinVersion(Version, Build);
  }],
  ['UI_ShowAlert', 'Message$, Type$ = "info", Duration = 3000, Position$ = "bottom-right"', function (Q, Message, Type, Duration, Position) {
    if (typeof window.pb_showAlert === 'function') window.pb_showAlert(Message, Type, Duration, Position);
  }],
  ['UI_Speak', 'Text$, Voice$, Lang$, Rate.d = 1.0, Pitch.d = 1.0, Volume.d = 1.0', function (Q, Text, Voice, Lang, Rate, Pitch, Volume) {
    var s = window.speechSynthesis;
    var Utterance = window.SpeechSynthesisUtterance;
    if (!Text || !s || !Utterance) return;
    var clamp = function (v, lo, hi) { v = v || 1; return Math.min(hi, Math.max(lo, v)); };
    var u = new Utterance(Text);
    u.rate = clamp(Rate, 0.1, 10);
    u.pitch = clamp(Pitch, 0, 2);
    u.volume = clamp(Volume, 0, 1);
    if (Lang) u.lang = Lang;
    var voices = s.getVoices ? s.getVoices() : [];
    var v = null;
    for (var i = 0; i < voices.length && !v; i++) if (Voice && voices[i].name === Voice) v = voices[i];
    for (var j = 0; j < voices.length && !v; j++) if (Lang && voices[j].lang === Lang) v = voices[j];
    if (v) u.voice = v;
    s.cancel();
    s.speak(u);
  }],
]);

var _PB_UI_COLOUR_SOURCES = {
  QL_Base64ToDataUrl: [
    'Procedure.s QL_Base64ToDataUrl(B64$)',
    '  Protected mime$ = "image/png"',
    '  If Left(B64$, 10) = "iVBORw0KGg" : mime$ = "image/png"',
    '  ElseIf Left(B64$, 4) = "/9j/" : mime$ = "image/jpeg"',
    '  ElseIf Left(B64$, 6) = "R0lGOD" : mime$ = "image/gif"',
    '  ElseIf Left(B64$, 5) = "UklGR" : mime$ = "image/webp"',
    '  ElseIf Left(B64$, 2) = "Qk" : mime$ = "image/bmp"',
    '  ElseIf Left(B64$, 5) = "PHN2Z" Or Left(B64$, 4) = "PD94" : mime$ = "image/svg+xml"',
    '  EndIf',
    '  ProcedureReturn "data:" + mime$ + ";base64," + B64$',
    'EndProcedure'],
  UI_SetImageFromMemory: [
    'Procedure UI_SetImageFromMemory(Gadget, ElementID$, *ImageData, ImageSize, Mode$ = "bg")',
    '  Protected url$, mime$ = "image/png", head$',
    '  If Mode$ = "" : Mode$ = "bg" : EndIf',
    '  If *ImageData And ImageSize > 0',
    '    If ImageSize >= 4 And PeekA(*ImageData) = $89 And PeekA(*ImageData + 1) = $50 And PeekA(*ImageData + 2) = $4E And PeekA(*ImageData + 3) = $47',
    '      mime$ = "image/png"',
    '    ElseIf ImageSize >= 3 And PeekA(*ImageData) = $FF And PeekA(*ImageData + 1) = $D8 And PeekA(*ImageData + 2) = $FF',
    '      mime$ = "image/jpeg"',
    '    ElseIf ImageSize >= 4 And PeekS(*ImageData, 4, #PB_Ascii) = "GIF8"',
    '      mime$ = "image/gif"',
    '    ElseIf ImageSize >= 2 And PeekA(*ImageData) = $42 And PeekA(*ImageData + 1) = $4D',
    '      mime$ = "image/bmp"',
    '    ElseIf ImageSize >= 4 And PeekL(*ImageData) = $00010000',
    '      mime$ = "image/x-icon"',
    '    ElseIf ImageSize >= 12 And PeekS(*ImageData, 4, #PB_Ascii) = "RIFF" And PeekS(*ImageData + 8, 4, #PB_Ascii) = "WEBP"',
    '      mime$ = "image/webp"',
    '    Else',
    '      head$ = LTrim(PeekS(*ImageData, 64, #PB_Ascii))',
    '      If Left(head$, 4) = "<svg" Or Left(head$, 5) = "<?xml" : mime$ = "image/svg+xml" : EndIf',
    '    EndIf',
    '    url$ = "data:" + mime$ + ";base64," + Base64Encoder(*ImageData, ImageSize)',
    '  EndIf',
    '  If Mode$ = "src"',
    '    UI_ExecuteJS(Gadget, "(function (Q, id, u) { var el = Q.media(id); if (el) { if (u) el.setAttribute(\'src\', u); else el.removeAttribute(\'src\'); } })(window.__qlUi, \'" + JsEsc(ElementID$) + "\', \'" + JsEsc(url$) + "\');")',
    '  Else',
    '    UI_SetBgImage(Gadget, ElementID$, url$)',
    '  EndIf',
    'EndProcedure'],
};

pbDefineUiBlock(2, 'Colours', null, [
  { pb: 'QL_Base64ToDataUrl', source: _PB_UI_COLOUR_SOURCES.QL_Base64ToDataUrl.join('\n') },
  ['UI_SetTextColor', 'ElementID$, Color$', function (Q, ElementID, Color) {
    var el = Q.el(ElementID) || Q.wrap(ElementID);
    if (el) el.style.color = Color;
  }],
  ['UI_SetBgColor', 'ElementID$, Color$', function (Q, ElementID, Color) {
    var el = Q.el(ElementID) || Q.wrap(ElementID);
    if (el) { el.style.background = ''; el.style.backgroundColor = Color; }
  }],
  ['UI_SetBorderColor', 'ElementID$, Color$', function (Q, ElementID, Color) {
    var el = Q.el(ElementID) || Q.wrap(ElementID);
    if (el) el.style.borderColor = Color;
  }],
  ['UI_SetBgImage', 'ElementID$, Url$', function (Q, ElementID, Url) {
    var el = Q.bgTarget(ElementID);
    if (!el) return;
    var u = Q.url(Url);
    el.style.backgroundImage = u ? "url('" + u.replace(/\\/g, '\\\\').replace(/'/g, "\\'") + "')" : 'none';
  }, { before: ['QL_AllowExtPath(Url$)'] }],
  { pb: 'UI_SetImageFromMemory', source: _PB_UI_COLOUR_SOURCES.UI_SetImageFromMemory.join('\n') },
]);

// Dimensions and style values: one CSS property each, written on the element.
function _pbStyleSetter(prop, onWrapper) {
  return new Function('Q', 'ElementID', 'Value',
    'var el = ' + (onWrapper ? 'Q.box(ElementID)' : 'Q.el(ElementID) || Q.wrap(ElementID)') + ';\n' +
    'if (el) el.style.' + prop + ' = Value;');
}

pbDefineUiBlock(3, 'Dimensions', null, [
  ['UI_SetWidth', 'ElementID$, Value$', _pbStyleSetter('width', true)],
  ['UI_SetHeight', 'ElementID$, Value$', _pbStyleSetter('height', true)],
  ['UI_SetMinWidth', 'ElementID$, Value$', _pbStyleSetter('minWidth', true)],
  ['UI_SetMaxWidth', 'ElementID$, Value$', _pbStyleSetter('maxWidth', true)],
  ['UI_SetMinHeight', 'ElementID$, Value$', _pbStyleSetter('minHeight', true)],
  ['UI_SetMaxHeight', 'ElementID$, Value$', _pbStyleSetter('maxHeight', true)],
]);

pbDefineUiBlock(4, 'Style', null, [
  ['UI_ToggleClass', 'ElementID$, ClassName$', function (Q, ElementID, ClassName) {
    var el = Q.el(ElementID) || Q.wrap(ElementID);
    if (!el) return;
    ClassName.split(/\s+/).filter(Boolean).forEach(function (c) { el.classList.toggle(c); });
  }],
  ['UI_SetIcon', 'ElementID$, IconClass$', function (Q, ElementID, IconClass) {
    var el = Q.el(ElementID);
    if (!el) return;
    var icon = el.querySelector('i');
    if (!IconClass) { if (icon) icon.parentNode.removeChild(icon); return; }
    if (!icon) { icon = document.createElement('i'); el.insertBefore(icon, el.firstChild); }
    icon.className = IconClass;
  }],
  ['UI_SetPadding', 'ElementID$, Value$', _pbStyleSetter('padding')],
  ['UI_SetMarginTop', 'ElementID$, Value$', _pbStyleSetter('marginTop', true)],
  ['UI_SetMarginRight', 'ElementID$, Value$', _pbStyleSetter('marginRight', true)],
  ['UI_SetMarginBottom', 'ElementID$, Value$', _pbStyleSetter('marginBottom', true)],
  ['UI_SetMarginLeft', 'ElementID$, Value$', _pbStyleSetter('marginLeft', true)],
  ['UI_SetFontSize', 'ElementID$, Value$', _pbStyleSetter('fontSize')],
  ['UI_SetFontFamily', 'ElementID$, Value$', _pbStyleSetter('fontFamily')],
  ['UI_SetBorderRadius', 'ElementID$, Value$', _pbStyleSetter('borderRadius')],
  ['UI_SetBorderRadiusEx', 'ElementID$, TopLeft$, TopRight$, BottomRight$, BottomLeft$', function (Q, ElementID, TopLeft, TopRight, BottomRight, BottomLeft) {
    var el = Q.el(ElementID) || Q.wrap(ElementID);
    if (el) el.style.borderRadius = [TopLeft, TopRight, BottomRight, BottomLeft].map(function (v) { return v || '0'; }).join(' ');
  }],
  ['UI_SetFloatTop', 'ElementID$, Value$', _pbStyleSetter('top', true)],
  ['UI_SetFloatRight', 'ElementID$, Value$', _pbStyleSetter('right', true)],
  ['UI_SetFloatBottom', 'ElementID$, Value$', _pbStyleSetter('bottom', true)],
  ['UI_SetFloatLeft', 'ElementID$, Value$', _pbStyleSetter('left', true)],
  ['UI_SetFloatZ', 'ElementID$, Value$', _pbStyleSetter('zIndex', true)],
]);

// Hover and active colours keep the colour in a data attribute; the listeners are installed once.
function _pbPointerColour(kind) {
  return new Function('Q', 'ElementID', 'Color',
    'var el = Q.el(ElementID) || Q.wrap(ElementID);\n' +
    'if (!el) return;\n' +
    "el.setAttribute('data-ql-" + kind + "', Color);\n" +
    "Q.pointerColour(el, '" + kind + "');");
}

pbDefineUiBlock(5, 'Hover colours', 'hover', [
  ['UI_SetHoverBgColor', 'ElementID$, Color$', _pbPointerColour('hover-bg')],
  ['UI_SetHoverTextColor', 'ElementID$, Color$', _pbPointerColour('hover-text')],
]);

pbDefineUiBlock(6, 'Active colour', 'active', [
  ['UI_SetActiveBgColor', 'ElementID$, Color$', _pbPointerColour('active-bg')],
]);

pbDefineUiBlock(7, 'Rotation', 'rotation', [
  ['UI_SetRotation', 'ElementID$, Degrees.d', function (Q, ElementID, Degrees) {
    var w = Q.outer(ElementID);
    var n = w && (w.querySelector('.rotation-fix-container') || w);
    if (n) n.style.transform = 'rotate(' + Degrees + 'deg)';
  }],
]);

pbDefineUiBlock(8, 'Inputs', 'input', [
  ['UI_SetPlaceholder', 'ElementID$, Text$', function (Q, ElementID, Text) {
    var el = Q.find(ElementID, 'input,textarea');
    if (el) el.placeholder = Text;
  }],
  ['UI_SetReadOnly', 'ElementID$, State', function (Q, ElementID, State) {
    var el = Q.find(ElementID, 'input,textarea');
    if (el) el.readOnly = State !== 0;
  }],
]);

// The coloured part of a checkable element shows its colour only while it is checked ("active").
function _pbCheckedColour(prop) {
  return new Function('Q', 'ElementID', 'Color',
    'var el = Q.el(ElementID);\n' +
    "if (el && el.classList.contains('active')) el.style." + prop + ' = Color;');
}

pbDefineUiBlock(9, 'Checkable', 'checkable', [
  ['UI_SetChecked', 'ElementID$, State', function (Q, ElementID, State) {
    var el = Q.el(ElementID) || Q.wrap(ElementID);
    if (!el) return;
    var on = State !== 0;
    var box = el.tagName === 'INPUT' ? el : el.querySelector('input[type=checkbox],input[type=radio]');
    if (box) {
      if (box.checked === on) return;
      box.checked = on;
      if (typeof window.pb_event === 'function') window.pb_event({ id: ElementID, type: 'change', value: on ? '1' : '0' });
    } else {
      el.classList.toggle('active', on);
    }
  }],
  ['UI_SetCheckedBg', 'ElementID$, Color$', _pbCheckedColour('backgroundColor')],
  ['UI_SetCheckedText', 'ElementID$, Color$', _pbCheckedColour('color')],
]);

function _pbCssVariable(name) {
  return new Function('Q', 'ElementID', 'Color',
    'var el = Q.el(ElementID) || Q.wrap(ElementID);\n' +
    "if (el) el.style.setProperty('" + name + "', Color);");
}

pbDefineUiBlock(10, 'Toggle', 'toggle', [
  ['UI_SetThumbColor', 'ElementID$, Color$', _pbCssVariable('--thumb-color')],
  ['UI_SetActiveTrackColor', 'ElementID$, Color$', _pbCssVariable('--track-active-color')],
  ['UI_SetInactiveTrackColor', 'ElementID$, Color$', _pbCssVariable('--track-inactive-color')],
]);

var _PB_UI_IMAGE_SOURCES = {
  UI_CatchRenderedImage: [
    'Global NewList QL_ImageChunks.s()',
    'Global QL_ImageChunkTotal',
    '',
    '; Collects the pieces of a rendered image; the image number once all are there, 0 before, -1 for none.',
    'Procedure UI_CatchRenderedImage(EventType$, EventValue$)',
    '  Protected index, total, piece$, b64$, *buf, size, img',
    '  If EventType$ <> "imageChunk" : ProcedureReturn 0 : EndIf',
    '  index = Val(StringField(EventValue$, 1, "/"))',
    '  total = Val(StringField(EventValue$, 2, "/"))',
    '  piece$ = Mid(EventValue$, FindString(EventValue$, "/", FindString(EventValue$, "/") + 1) + 1)',
    '  If total = 0 : ClearList(QL_ImageChunks()) : ProcedureReturn -1 : EndIf',
    '  If index = 1 : ClearList(QL_ImageChunks()) : QL_ImageChunkTotal = total : EndIf',
    '  AddElement(QL_ImageChunks()) : QL_ImageChunks() = piece$',
    '  If ListSize(QL_ImageChunks()) < QL_ImageChunkTotal : ProcedureReturn 0 : EndIf',
    '  ForEach QL_ImageChunks() : b64$ + QL_ImageChunks() : Next',
    '  ClearList(QL_ImageChunks())',
    '  *buf = AllocateMemory(Len(b64$) + 16)',
    '  If *buf = 0 : ProcedureReturn 0 : EndIf',
    '  size = Base64Decoder(b64$, *buf, MemorySize(*buf))',
    '  UsePNGImageDecoder()',
    '  img = CatchImage(#PB_Any, *buf, size)',
    '  FreeMemory(*buf)',
    '  ProcedureReturn img',
    'EndProcedure'],
};

pbDefineUiBlock(11, 'Images and video', 'image|video', [
  ['UI_SetSrc', 'ElementID$, Url$', function (Q, ElementID, Url) {
    var el = Q.media(ElementID);
    if (!el) return;
    var u = Q.url(Url);
    if (u) el.setAttribute('src', u); else el.removeAttribute('src');
    if (el.tagName === 'VIDEO' && typeof el.load === 'function') { try { el.load(); } catch (e) { /* not playable here */ } }
  }, { before: ['QL_AllowExtPath(Url$)'] }],
  ['UI_SetSrc2', 'ElementID$, Poster$', function (Q, ElementID, Poster) {
    var el = Q.media(ElementID);
    if (!el) return;
    var u = Q.url(Poster);
    if (u) el.setAttribute('poster', u); else el.removeAttribute('poster');
  }, { before: ['QL_AllowExtPath(Poster$)'] }],
  ['UI_AVPlayerPlay', 'ElementID$', function (Q, ElementID) { Q.call(window, 'UI_AVPlayerPlay', [0, ElementID]); }],
  ['UI_AVPlayerPause', 'ElementID$', function (Q, ElementID) { Q.call(window, 'UI_AVPlayerPause', [0, ElementID]); }],
  ['UI_AVPlayerStop', 'ElementID$', function (Q, ElementID) { Q.call(window, 'UI_AVPlayerStop', [0, ElementID]); }],
  ['UI_AVPlayerSetVolume', 'ElementID$, Vol.d', function (Q, ElementID, Vol) { Q.call(window, 'UI_AVPlayerSetVolume', [0, ElementID, Vol]); }],
  ['UI_AVPlayerSetSpeed', 'ElementID$, Speed.d', function (Q, ElementID, Speed) {
    Q.call(window, 'UI_AVPlayerSetSpeed', [0, ElementID, Math.round(Speed * 100) / 100]);
  }],
  ['UI_AVPlayerSeek', 'ElementID$, Seconds.d', function (Q, ElementID, Seconds) { Q.call(window, 'UI_AVPlayerSeek', [0, ElementID, Seconds]); }],
  ['UI_SetImgFit', 'ElementID$, Value$', function (Q, ElementID, Value) {
    var el = Q.media(ElementID);
    if (el) el.style.objectFit = Value;
  }],
  ['UI_SetImgPosition', 'ElementID$, Value$', function (Q, ElementID, Value) {
    var el = Q.media(ElementID);
    if (el) el.style.objectPosition = Value;
  }],
  ['UI_SetImgFilter', 'ElementID$, Value$', function (Q, ElementID, Value) {
    var el = Q.media(ElementID);
    if (!el) return;
    if (!Value.trim()) { el.style.filter = ''; return; }
    var parse = function (text) {
      var out = [];
      String(text || '').replace(/([a-z-]+)\(([^)]*)\)/gi, function (m, name) { out.push([name.toLowerCase(), m]); return m; });
      return out;
    };
    var cur = parse(el.style.filter);
    parse(Value).forEach(function (f) {
      var at = -1;
      for (var i = 0; i < cur.length; i++) if (cur[i][0] === f[0]) at = i;
      if (at === -1) cur.push(f); else cur[at] = f;
    });
    el.style.filter = cur.map(function (f) { return f[1]; }).join(' ');
  }],
  ['UI_SetImgScale', 'ElementID$, Value.d', function (Q, ElementID, Value) {
    var el = Q.media(ElementID);
    if (!el) return;
    // A rotation already on the image stays; only its scale is replaced.
    var rest = (el.style.transform || '').replace(/scale\([^)]*\)/g, '').trim();
    el.style.transform = (rest ? rest + ' ' : '') + 'scale(' + (Value / 100) + ')';
  }],
  ['UI_SetImgOffset', 'ElementID$, OffsetX$, OffsetY$', function (Q, ElementID, OffsetX, OffsetY) {
    var el = Q.media(ElementID);
    if (!el) return;
    var KEY = { left: 0, top: 0, center: 50, right: 100, bottom: 100 };
    var parts = (el.style.objectPosition || 'center center').split(/\s+/);
    var base = function (p) { return Object.prototype.hasOwnProperty.call(KEY, p) ? KEY[p] : 0; };
    var x = base(parts[0]) + (parseFloat(OffsetX) || 0);
    var y = base(parts[1] || parts[0]) + (parseFloat(OffsetY) || 0);
    el.style.objectPosition = x + '% ' + y + '%';
  }],
  ['UI_GetImageRendered', 'ElementID$', function (Q, ElementID) {
    if (typeof window.pb_renderImage === 'function') window.pb_renderImage(ElementID);
  }],
  { pb: 'UI_CatchRenderedImage', source: _PB_UI_IMAGE_SOURCES.UI_CatchRenderedImage.join('\n') },
]);

pbDefineUiBlock(12, 'Link', 'link', [
  ['UI_SetHref', 'ElementID$, Url$', function (Q, ElementID, Url) {
    var el = Q.find(ElementID, 'a');
    // A script address would run program data on a click.
    if (!el || /^\s*(javascript|vbscript):/i.test(Url)) return;
    el.setAttribute('href', Url);
  }],
]);
