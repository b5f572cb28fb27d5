// Token pickers of the inspector's colour fields: beside each hidden select "theme-sel-<field>" a
// drop-down (a button with the token's swatch and label, and a scrolling list of tokens).
// Provides: populateThemeSelects, applyThemeColor, syncThemeSelToValue, toggleTCP, pickTCP, _closeAllTCP
// Needs: _findElement, _isShown, _qlCallIfDefined, _safeCssColour, _setShown, escapeHtml, isThemeToken,
//   resetRichText, resolveColor, saveHistoryState, selectedIds, THEME_COLOR_FIELDS, THEME_TOKENS,
//   themeTokenLabel, themeTokenToValue
// Calls: _inspPaintSwatch, _lastInspectorProp, ANIMATABLE_PROPS, renderCanvas, t

var _TCP_OPENS_UP = ['activeBgColor', 'checkedText', 'splitHoverColor'];
var _tcpOutsideListener = false;

function _tcpToken(key) {
  return THEME_TOKENS.find(function (tk) { return tk.key === key; });
}

function _tcpSwatch(colour) {
  return colour
    ? '<span class="tcp-swatch inline-block w-3 h-3 rounded-sm border border-slate-600" style="background:' +
      escapeHtml(_safeCssColour(colour)) + '"></span>'
    : '<span class="tcp-swatch inline-block w-3 h-3 rounded-sm border border-dashed border-slate-500"></span>';
}

function _tcpButtonContent(key, customColour) {
  if (key === '__custom__') {
    return _tcpSwatch(customColour || '') + '<span class="tcp-label">' + escapeHtml(t('theme.customColor')) + '</span>';
  }
  return _tcpSwatch(themeTokenToValue(key)) +
    '<span class="tcp-label">' + escapeHtml(themeTokenLabel(_tcpToken(key))) + '</span>';
}

function populateThemeSelects() {
  THEME_COLOR_FIELDS.forEach(function (prop) {
    const select = document.getElementById('theme-sel-' + prop);
    if (!select) return;
    const current = select.value;
    select.innerHTML = THEME_TOKENS.map(function (tk) {
      return '<option value="' + escapeHtml(tk.key) + '">' + escapeHtml(themeTokenLabel(tk)) + '</option>';
    }).join('');
    select.value = current || '';
    select.style.display = 'none';
    let box = document.getElementById('tcp-' + prop);
    if (!box) {
      box = document.createElement('div');
      box.id = 'tcp-' + prop;
      box.className = 'tcp relative';
      select.parentNode.insertBefore(box, select);
    }
    const up = _TCP_OPENS_UP.indexOf(prop) !== -1;
    // The token rows are written when the list is first opened (_tcpFillPanel): some thirty lists of
    // every token would otherwise be built, and styled, at every start.
    box.innerHTML =
      '<button type="button" id="tcp-btn-' + prop + '" class="tcp-btn flex items-center gap-1 w-full text-xs">' +
      _tcpButtonContent(select.value) + '</button>' +
      '<div id="tcp-panel-' + prop + '" hidden class="tcp-panel hidden absolute z-50 ' +
      (up ? 'bottom-full' : 'top-full') +
      ' left-0 right-0 overflow-y-auto" style="max-height:120px"></div>';
    box.querySelector('.tcp-btn').addEventListener('click', function (e) { e.stopPropagation(); toggleTCP(prop); });
    box.querySelector('.tcp-panel').addEventListener('click', function (e) {
      const row = e.target && e.target.closest ? e.target.closest('.tcp-row') : null;
      if (!row) return;
      e.stopPropagation();
      pickTCP(prop, row.getAttribute('data-key'));
    });
  });
  if (!_tcpOutsideListener) {
    _tcpOutsideListener = true;
    document.addEventListener('click', function (e) {
      if (!(e.target && e.target.closest && e.target.closest('.tcp'))) _closeAllTCP();
    });
  }
}

function _closeAllTCP(except) {
  document.querySelectorAll('.tcp-panel').forEach(function (panel) {
    if (panel.id !== except) _setShown(panel, false);
  });
}

// Writes a token list's rows, with the swatches of the theme in force.
function _tcpFillPanel(panel) {
  panel.innerHTML = THEME_TOKENS.map(function (tk) {
    return '<div class="tcp-row flex items-center gap-1 text-xs cursor-pointer" data-key="' +
      escapeHtml(tk.key) + '">' +
      (tk.key === '__custom__' ? '' : _tcpSwatch(themeTokenToValue(tk.key))) +
      '<span>' + escapeHtml(themeTokenLabel(tk)) + '</span></div>';
  }).join('');
}

function toggleTCP(prop) {
  const panel = document.getElementById('tcp-panel-' + prop);
  if (!panel) return;
  _closeAllTCP(panel.id);
  if (!_isShown(panel)) _tcpFillPanel(panel);
  _setShown(panel, !_isShown(panel));
}

function pickTCP(prop, key) {
  const panel = document.getElementById('tcp-panel-' + prop);
  _setShown(panel, false);
  const select = document.getElementById('theme-sel-' + prop);
  if (select) select.value = key;
  applyThemeColor(prop, key);
  if (key !== '__custom__') {
    const first = selectedIds.length ? _findElement(selectedIds[0]) : null;
    syncThemeSelToValue(prop, first ? first[prop] : '');
  }
}

// The colour input that stands for the field's custom colour.
function _tcpCustomInput(prop, show) {
  const input = document.getElementById('input-' + prop);
  if (!input) return null;
  input.style.display = show ? '' : 'none';
  if (show && !input.style.position) {
    const button = document.getElementById('tcp-btn-' + prop);
    input.style.position = 'absolute';
    input.style.width = '60px';
    input.style.right = '0';
    if (button) input.style.top = (button.offsetTop + button.offsetHeight / 2) + 'px';
    input.style.transform = 'translateY(-50%)';
  }
  return input;
}

function _isAnimatableProp(prop) {
  if (typeof ANIMATABLE_PROPS === 'undefined' || !ANIMATABLE_PROPS) return false;
  if (typeof ANIMATABLE_PROPS.has === 'function') return ANIMATABLE_PROPS.has(prop);
  if (Array.isArray(ANIMATABLE_PROPS)) return ANIMATABLE_PROPS.indexOf(prop) !== -1;
  return Object.prototype.hasOwnProperty.call(ANIMATABLE_PROPS, prop);
}

// Sets a colour field on every selected element from a picker choice. "__custom__" is only the
// picker's choice, never a stored colour: without a colour given, each element keeps the colour it
// shows now (its token resolved), so switching to "custom" changes nothing until a colour is picked.
function applyThemeColor(prop, key, customColor) {
  if (_isAnimatableProp(prop)) window._lastInspectorProp = prop;
  if (!selectedIds.length) return;
  const records = selectedIds.map(_findElement).filter(Boolean);
  if (key === '__custom__') {
    const input = _tcpCustomInput(prop, true);
    saveHistoryState();
    records.forEach(function (el) {
      if (prop === 'textColor') resetRichText(el);
      el[prop] = customColor || resolveColor(el[prop]) || '';
    });
    const shown = customColor || (records[0] ? records[0][prop] : '');
    if (input && /^#[0-9a-f]{6}$/i.test(shown)) input.value = shown;
    const button = document.getElementById('tcp-btn-' + prop);
    if (button) button.innerHTML = _tcpButtonContent('__custom__', shown);
    _qlCallIfDefined('_inspPaintSwatch', prop, shown);
  } else {
    _tcpCustomInput(prop, false);
    saveHistoryState();
    const value = key ? 'th:' + key : '';
    records.forEach(function (el) {
      if (prop === 'textColor') resetRichText(el);
      el[prop] = value;
    });
    const input = document.getElementById('input-' + prop);
    const colour = themeTokenToValue(key);
    if (input && colour) input.value = colour;
    _qlCallIfDefined('_inspPaintSwatch', prop, value);
  }
  _qlCallIfDefined('renderCanvas');
}

function syncThemeSelToValue(prop, value) {
  const select = document.getElementById('theme-sel-' + prop);
  let key = '';
  if (isThemeToken(value)) {
    key = value.slice(3);
    _tcpCustomInput(prop, false);
  } else if (value) {
    key = '__custom__';
    const input = _tcpCustomInput(prop, true);
    if (input) input.value = /^#[0-9a-f]{6}$/i.test(value) ? value : '#000000';
  } else {
    _tcpCustomInput(prop, false);
  }
  if (select) select.value = key;
  const button = document.getElementById('tcp-btn-' + prop);
  if (button) button.innerHTML = _tcpButtonContent(key, key === '__custom__' ? value : '');
}
