// The code editor of script-code nodes ("FunctionJS"): a full-window dialog whose coloured layer lies under
// a transparent text area that takes all input, with find, font size and family (kept across runs) and
// a syntax check. Apply stores the text, one trailing line break removed, as one undo step; only a
// syntax error keeps it from being applied (names nothing declares are a warning: the page that runs the
// flow may well provide them). Escape, the close button, Cancel or a press on the dark backdrop close
// without applying; Ctrl+Enter applies.
// Provides: openFunctionJSModal, closeFunctionJSModal, checkFunctionJSSyntax, onFunctionJSMInput,
//   onFunctionJSMKeydown, onFunctionJSMScroll, onFunctionJSMFontFamilyChange, onFunctionJSMFontSizeChange,
//   onFunctionJSMFindInput, onFunctionJSMFindKeydown, _fnjsModal, _fnjsRepaint, _fnjsStoredSize,
//   _fnjsStoredFamily, _fnjsFindMatches, _fnjsApplyText, FNJS_SIZE_KEY, FNJS_FAMILY_KEY
// Needs: _functionJSTokenize, checkFunctionJSIdentifiers, _flowEditor, _flowFindRecord, _flowNodeRecord,
//   _flowCommitData, saveHistoryState, t, _qlCallIfDefined
// Calls: updateFlowNodeTitle, renderFlowInspector

var FNJS_SIZE_KEY = 'quorlin_functionjs_fontsize';
var FNJS_FAMILY_KEY = 'quorlin_functionjs_fontfamily';
var _FNJS_SIZE_DEFAULT = 13;
var _FNJS_FAMILY_DEFAULT = 'monospace';

// What the open dialog edits: the node (null while closed), the port names it colours, the pending
// repaint and the find state.
var _fnjsModal = { nodeId: null, inputs: new Set(), outputs: new Set(), frame: 0, matches: [], current: -1,
  onKey: null, onPress: null };

function _fnjsEl(id) {
  return document.getElementById(id);
}

function _fnjsStorageGet(key) {
  try {
    return localStorage.getItem(key);
  } catch (e) {
    return null;
  }
}

function _fnjsStorageSet(key, value) {
  try {
    localStorage.setItem(key, String(value));
  } catch (e) {
    // Not kept; the dialog still uses it.
  }
}

// The stored size when it is a whole number from 10 to 24, else 13.
function _fnjsStoredSize() {
  const text = _fnjsStorageGet(FNJS_SIZE_KEY);
  const n = text !== null && /^\s*\d+\s*$/.test(text) ? Number(text) : NaN;
  return n >= 10 && n <= 24 ? n : _FNJS_SIZE_DEFAULT;
}

// The stored family when the font list offers it, else the system's monospace face.
function _fnjsStoredFamily() {
  const stored = _fnjsStorageGet(FNJS_FAMILY_KEY);
  const select = _fnjsEl('functionjs-modal-font');
  const offered = select ? [...select.options].map((o) => o.value) : [_FNJS_FAMILY_DEFAULT];
  return stored !== null && offered.includes(stored) ? stored : _FNJS_FAMILY_DEFAULT;
}

function _fnjsSetSize(size) {
  const modal = _fnjsEl('functionjs-modal');
  if (modal) modal.style.setProperty('--fnjs-font-size', size + 'px');
  const slider = _fnjsEl('functionjs-modal-size');
  if (slider) slider.value = String(size);
  const label = _fnjsEl('functionjs-modal-size-label');
  if (label) label.textContent = size + 'px';
}

function _fnjsSetFamily(family) {
  const modal = _fnjsEl('functionjs-modal');
  if (modal) modal.style.setProperty('--fnjs-font-family', family);
  const select = _fnjsEl('functionjs-modal-font');
  if (select) select.value = family;
}

// The coloured layer rebuilt from the text area, at its scroll offsets.
function _fnjsRepaint() {
  _fnjsModal.frame = 0;
  const ta = _fnjsEl('functionjs-modal-ta');
  const pre = _fnjsEl('functionjs-modal-pre');
  if (!ta || !pre) return;
  pre.innerHTML = _functionJSTokenize(ta.value, _fnjsModal.inputs, _fnjsModal.outputs);
  pre.scrollTop = ta.scrollTop;
  pre.scrollLeft = ta.scrollLeft;
}

function _fnjsScheduleRepaint() {
  if (!_fnjsModal.frame) _fnjsModal.frame = requestAnimationFrame(_fnjsRepaint);
}

function _fnjsCancelRepaint() {
  if (_fnjsModal.frame) cancelAnimationFrame(_fnjsModal.frame);
  _fnjsModal.frame = 0;
}

// The status line of the check: kind "ok", "warn" or "error", flashed on each update.
function _fnjsStatus(text, kind) {
  const status = _fnjsEl('functionjs-modal-check-status');
  if (!status) return;
  status.textContent = text;
  status.title = text;
  status.className = 'fnjs-status fnjs-status-' + kind;
  void status.offsetWidth;   // restarts the flash
  status.classList.add('fnjs-flash');
}

// Parses the text as a function body (never runs it) and lints its names: {parsed, message, unknown}.
function _fnjsCheck(code) {
  try {
    // eslint-disable-next-line no-new-func
    new Function('__in0', code);
  } catch (e) {
    return { parsed: false, message: String(e && e.message ? e.message : e), unknown: [] };
  }
  return { parsed: true, message: '', unknown: checkFunctionJSIdentifiers(code, [..._fnjsModal.inputs]) };
}

function _fnjsShowCheck(result) {
  if (!result.parsed) _fnjsStatus(t('flow.functionjs.syntaxError', { msg: result.message }), 'error');
  else if (result.unknown.length === 1) _fnjsStatus(t('flow.functionjs.unknownIdentifier', { name: result.unknown[0] }), 'warn');
  else if (result.unknown.length) _fnjsStatus(t('flow.functionjs.unknownIdentifiers', { names: result.unknown.join(', ') }), 'warn');
  else _fnjsStatus(t('flow.functionjs.checkOk'), 'ok');
}

// True when the code parses and uses no unknown name; the status says which it is.
function checkFunctionJSSyntax() {
  const ta = _fnjsEl('functionjs-modal-ta');
  const result = _fnjsCheck(ta ? ta.value : '');
  _fnjsShowCheck(result);
  return result.parsed && result.unknown.length === 0;
}

function _fnjsPortNames(list, skip) {
  return new Set((Array.isArray(list) ? list : []).map(String).filter((name) => name !== skip));
}

function openFunctionJSModal(id) {
  const key = String(id);
  const node = _flowEditor ? _flowFindRecord(key) : null;
  const modal = _fnjsEl('functionjs-modal');
  const ta = _fnjsEl('functionjs-modal-ta');
  if (!node || !modal || !ta) return;
  if (_fnjsModal.nodeId !== null) closeFunctionJSModal(false);
  // Last in the body, so it lies above every panel and dialog of the frame.
  document.body.appendChild(modal);
  const data = node.data || {};
  _fnjsModal.nodeId = key;
  _fnjsModal.inputs = _fnjsPortNames(data._inputNames, 'flow_in');
  _fnjsModal.outputs = _fnjsPortNames(data._outputNames, 'flow_out');
  ta.value = data.code === undefined || data.code === null ? '' : String(data.code);
  const label = _fnjsEl('functionjs-modal-node');
  if (label) label.textContent = ' · ' + key;
  _fnjsSetSize(_fnjsStoredSize());
  _fnjsSetFamily(_fnjsStoredFamily());
  ta.scrollTop = 0;
  ta.scrollLeft = 0;
  _fnjsRepaint();
  checkFunctionJSSyntax();
  modal.hidden = false;
  setTimeout(() => {
    if (_fnjsModal.nodeId !== key) return;
    ta.focus();
    ta.setSelectionRange(ta.value.length, ta.value.length);
  }, 0);
  _fnjsModal.onKey = (e) => {
    if (e.key !== 'Escape' || e.ctrlKey || e.shiftKey || e.altKey || e.metaKey) {
      // Keys meant for what lies behind the dialog do nothing while it is open.
      if (!modal.contains(e.target) && e.key !== 'Tab') {
        e.preventDefault();
        e.stopPropagation();
      }
      return;
    }
    // In the find box, Escape first clears what was searched.
    const search = _fnjsEl('functionjs-modal-search');
    if (search && e.target === search && search.value) return;
    e.preventDefault();
    e.stopPropagation();
    closeFunctionJSModal(false);
  };
  _fnjsModal.onPress = (e) => {
    if (e.target === modal) closeFunctionJSModal(false);
  };
  document.addEventListener('keydown', _fnjsModal.onKey, true);
  // The editor's own shortcuts (Delete, arrows, ...) never see the dialog's keys; the dialog's fields
  // and their default actions have had them by then.
  if (!modal._qlKeysKept) {
    modal._qlKeysKept = true;
    modal.addEventListener('keydown', (e) => e.stopPropagation());
  }
  modal.addEventListener('mousedown', _fnjsModal.onPress);
}

// The dialog's text as it is stored: one trailing line break less.
function _fnjsApplyText(text) {
  return String(text).replace(/\r?\n$/, '');
}

function closeFunctionJSModal(apply) {
  const key = _fnjsModal.nodeId;
  if (key === null) return;
  const modal = _fnjsEl('functionjs-modal');
  const ta = _fnjsEl('functionjs-modal-ta');
  if (apply && ta) {
    const result = _fnjsCheck(ta.value);
    _fnjsShowCheck(result);
    if (!result.parsed) {
      ta.focus();
      return;
    }
    const node = _flowFindRecord(key);
    const code = _fnjsApplyText(ta.value);
    if (node && String(node.data && node.data.code !== undefined ? node.data.code : '') !== code) {
      saveHistoryState();
      _flowCommitData(key, 'code', code);
      _qlCallIfDefined('updateFlowNodeTitle', key);
    }
    setTimeout(() => {
      if (_flowNodeRecord(key)) _qlCallIfDefined('renderFlowInspector', key);
    }, 0);
  }
  if (modal) {
    modal.hidden = true;
    if (_fnjsModal.onPress) modal.removeEventListener('mousedown', _fnjsModal.onPress);
  }
  if (_fnjsModal.onKey) document.removeEventListener('keydown', _fnjsModal.onKey, true);
  _fnjsCancelRepaint();
  _fnjsModal.nodeId = null;
  _fnjsModal.inputs = new Set();
  _fnjsModal.outputs = new Set();
  _fnjsModal.onKey = null;
  _fnjsModal.onPress = null;
  const search = _fnjsEl('functionjs-modal-search');
  if (search) search.value = '';
  _fnjsClearFind();
}

// Forgets the find's matches and hides their mark and count.
function _fnjsClearFind() {
  _fnjsModal.matches = [];
  _fnjsModal.current = -1;
  const status = _fnjsEl('functionjs-modal-search-status');
  if (status) status.textContent = '';
  const mark = _fnjsEl('functionjs-modal-findmark');
  if (mark) mark.hidden = true;
}

// Typing drops the find's matches (their places moved); Enter in the find box looks again.
function onFunctionJSMInput() {
  _fnjsScheduleRepaint();
  if (_fnjsModal.current === -1 && !_fnjsModal.matches.length) return;
  _fnjsClearFind();
}

function onFunctionJSMScroll() {
  const ta = _fnjsEl('functionjs-modal-ta');
  const pre = _fnjsEl('functionjs-modal-pre');
  if (!ta || !pre) return;
  pre.scrollTop = ta.scrollTop;
  pre.scrollLeft = ta.scrollLeft;
  if (_fnjsModal.current !== -1) _fnjsPlaceMark(_fnjsModal.matches[_fnjsModal.current]);
}

function onFunctionJSMKeydown(e) {
  const ta = e.target;
  if (e.key === 'Escape') {
    e.preventDefault();
    closeFunctionJSModal(false);
  } else if (e.key === 'Enter' && (e.ctrlKey || e.metaKey)) {
    e.preventDefault();
    closeFunctionJSModal(true);
  } else if (e.key === 'Tab' && !e.ctrlKey && !e.altKey && !e.metaKey) {
    e.preventDefault();
    ta.setRangeText('  ', ta.selectionStart, ta.selectionEnd, 'end');
    _fnjsScheduleRepaint();
  }
}

function onFunctionJSMFontFamilyChange(e) {
  const family = String(e.target.value || _FNJS_FAMILY_DEFAULT);
  _fnjsSetFamily(family);
  _fnjsStorageSet(FNJS_FAMILY_KEY, family);
  onFunctionJSMScroll();
}

function onFunctionJSMFontSizeChange(e) {
  const n = Math.round(Number(e.target.value));
  const size = n >= 10 && n <= 24 ? n : _FNJS_SIZE_DEFAULT;
  _fnjsSetSize(size);
  _fnjsStorageSet(FNJS_SIZE_KEY, size);
  onFunctionJSMScroll();
}

// Every occurrence of `query` in `text`, from the start, none overlapping: [{start, end}].
function _fnjsFindMatches(text, query) {
  const found = [];
  if (!query) return found;
  for (let at = text.indexOf(query); at !== -1; at = text.indexOf(query, at + query.length)) {
    found.push({ start: at, end: at + query.length });
  }
  return found;
}

function _fnjsMetrics(ta) {
  const style = getComputedStyle(ta);
  const size = parseFloat(style.fontSize) || 13;
  const line = parseFloat(style.lineHeight) || 18;
  return { charWidth: 0.6 * size, line, pad: 16 };
}

// The highlight over the match's first line, where the estimated metrics put it.
function _fnjsPlaceMark(match) {
  const ta = _fnjsEl('functionjs-modal-ta');
  const mark = _fnjsEl('functionjs-modal-findmark');
  if (!ta || !mark || !match) return;
  const m = _fnjsMetrics(ta);
  const before = ta.value.slice(0, match.start);
  const line = before.split('\n').length - 1;
  const column = match.start - (before.lastIndexOf('\n') + 1);
  const firstLineEnd = ta.value.indexOf('\n', match.start);
  const length = (firstLineEnd === -1 || firstLineEnd >= match.end ? match.end : firstLineEnd) - match.start;
  mark.style.left = (m.pad + column * m.charWidth - ta.scrollLeft) + 'px';
  mark.style.top = (m.pad + line * m.line - ta.scrollTop) + 'px';
  mark.style.width = Math.max(2, length * m.charWidth) + 'px';
  mark.style.height = m.line + 'px';
  mark.hidden = false;
}

function _fnjsSelectMatch(index) {
  const ta = _fnjsEl('functionjs-modal-ta');
  const status = _fnjsEl('functionjs-modal-search-status');
  const matches = _fnjsModal.matches;
  if (!ta) return;
  if (!matches.length) {
    _fnjsModal.current = -1;
    if (status) status.textContent = '0 / 0';
    const mark = _fnjsEl('functionjs-modal-findmark');
    if (mark) mark.hidden = true;
    return;
  }
  const i = ((index % matches.length) + matches.length) % matches.length;
  _fnjsModal.current = i;
  const match = matches[i];
  if (status) status.textContent = (i + 1) + ' / ' + matches.length;
  const m = _fnjsMetrics(ta);
  const line = ta.value.slice(0, match.start).split('\n').length - 1;
  ta.scrollTop = Math.max(0, m.pad + line * m.line - 40);
  onFunctionJSMScroll();
  _fnjsPlaceMark(match);
  // Selected for the text area without taking the focus from the find box.
  const focused = document.activeElement;
  ta.setSelectionRange(match.start, match.end);
  if (focused && focused !== ta && typeof focused.focus === 'function' && document.activeElement !== focused) focused.focus();
}

function _fnjsFindRun() {
  const search = _fnjsEl('functionjs-modal-search');
  const ta = _fnjsEl('functionjs-modal-ta');
  const query = search ? search.value : '';
  if (!query || !ta) {
    _fnjsClearFind();
    return;
  }
  _fnjsModal.matches = _fnjsFindMatches(ta.value, query);
  _fnjsSelectMatch(0);
}

function onFunctionJSMFindInput() {
  _fnjsFindRun();
}

function onFunctionJSMFindKeydown(e) {
  if (e.key === 'Enter') {
    e.preventDefault();
    if (!_fnjsModal.matches.length) _fnjsFindRun();
    else _fnjsSelectMatch(_fnjsModal.current + (e.shiftKey ? -1 : 1));
  } else if (e.key === 'Escape') {
    e.preventDefault();
    e.target.value = '';
    _fnjsFindRun();
  }
}
