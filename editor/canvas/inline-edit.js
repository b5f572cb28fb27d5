// Inline text editing: a double click on a text-bearing element turns its text into an editable region on
// the canvas itself. Enter (or leaving the text) commits, Escape cancels, Shift+Enter starts a new line,
// Alt+C colours the selected words through the colour picker. A committed change is one undo step; no
// change, no step. While an edit is under way the canvas is not drawn again (renderCanvas returns), so
// the text is never replaced under the caret.
// Provides: startInlineEdit, _isInlineEditing, _inlineEditCommit, _inlineEditCancel, _inlineEditText,
//   _inlineColorRange, _inlineColorNode, _inlineColorContainer
// Needs: _findElement, _qlCallIfDefined, _inlineEditId, _sanitizeRichText, INLINE_EDIT_TYPES, renderCanvas, saveHistoryState,
//   selectedIds, setElementProp
// Calls: openCPForInlineText, renderComponentTree, renderProperties

// The edit under way: {id, node (editable), container (mark), text, richText (as they were)}.
var _inlineEdit = null;
// What Alt+C hands the colour picker: the selected range, the edited node and the element's container.
var _inlineColorRange = null;
var _inlineColorNode = null;
var _inlineColorContainer = null;

function _isInlineEditing() {
  return _inlineEditId !== null && _inlineEditId !== undefined;
}

function _inlineShowOverlays(shown) {
  ['selection-box', 'drag-handle'].forEach(function (id) {
    const node = document.getElementById(id);
    if (node) node.style.visibility = shown ? '' : 'hidden';
  });
}

// The text an edited node holds, as the record keeps it: markup (rich) when any tag is left in it, else
// plain text. Non-breaking spaces that editing put in for typed spaces become plain spaces; a lone line
// break that the browser leaves in an emptied region is no text.
function _inlineEditText(node) {
  let html = node.innerHTML.replace(/(<br\s*\/?>)+$/i, '');
  if (/<[a-z!/]/i.test(html)) {
    html = _sanitizeRichText(html.replace(/&nbsp;/g, ' ').replace(/\u00a0/g, ' '));
    if (/<[a-z!/]/i.test(html)) return { text: html, richText: true };
  }
  const holder = document.createElement('div');
  holder.innerHTML = html;
  return { text: holder.textContent.replace(/\u00a0/g, ' '), richText: false };
}

function _inlineFinish(edit) {
  const node = edit.node;
  node.removeAttribute('contenteditable');
  node.removeAttribute('spellcheck');
  node.classList.remove('outline-none', 'cursor-text');
  delete node.dataset.inlineEditor;
  node.removeEventListener('keydown', edit.onKey);
  node.removeEventListener('blur', edit.onBlur);
  if (edit.container) edit.container.removeAttribute('data-inline-editing');
  if (_inlineEdit === edit) _inlineEdit = null;
  _inlineEditId = null;
  _inlineShowOverlays(true);
}

function _inlineRedraw(full) {
  renderCanvas();
  _qlCallIfDefined('renderComponentTree');
  if (full) _qlCallIfDefined('renderProperties');
}

// Ends the edit under way, keeping what was typed (one undo step when it changed the element).
function _inlineEditCommit() {
  const edit = _inlineEdit;
  if (!edit) return;
  // The colour picker is colouring the selection: the text is not left yet.
  if (window._cpProp === '__inlineText__') return;
  const now = _inlineEditText(edit.node);
  _inlineFinish(edit);
  const el = _findElement(edit.id);
  if (el && (now.text !== String(edit.text ?? '') || now.richText !== !!edit.richText)) {
    saveHistoryState();
    setElementProp(el, 'text', now.text);
    setElementProp(el, 'richText', now.richText);
  }
  _inlineRedraw(true);
}

// Ends the edit under way as if nothing was typed: the element is not changed, no undo step is taken.
function _inlineEditCancel() {
  const edit = _inlineEdit;
  if (!edit) return;
  if (edit.richText) edit.node.innerHTML = _sanitizeRichText(String(edit.text ?? ''));
  else edit.node.textContent = String(edit.text ?? '');
  _inlineFinish(edit);
  _inlineRedraw(false);
}

function _inlineKey(edit, e) {
  // No key of an edit reaches the canvas's own shortcuts.
  e.stopPropagation();
  if (e.key === 'Enter' && !e.shiftKey) {
    e.preventDefault();
    edit.node.blur();
  } else if (e.key === 'Enter') {
    e.preventDefault();
    document.execCommand('insertLineBreak');
  } else if (e.key === 'Escape') {
    e.preventDefault();
    _inlineEditCancel();
  } else if (e.altKey && (e.key === 'c' || e.key === 'C' || e.code === 'KeyC')) {
    e.preventDefault();
    const sel = window.getSelection();
    const range = sel && sel.rangeCount ? sel.getRangeAt(0) : null;
    if (range && !range.collapsed && edit.node.contains(range.commonAncestorContainer) && range.toString() !== '') {
      _inlineColorRange = range.cloneRange();
      _inlineColorNode = edit.node;
      _inlineColorContainer = edit.container;
      _qlCallIfDefined('openCPForInlineText', edit.node, range.cloneRange());
    }
  } else if (e.key === ' ' && !e.ctrlKey && !e.metaKey && !e.altKey) {
    // Typed as text: a button or a link being edited is not pressed by it.
    e.preventDefault();
    document.execCommand('insertText', false, ' ');
  }
}

// The node whose text is edited inside a wrapper or a list item, or null.
function _inlineTextNode(container, inList) {
  const host = inList ? container : container.querySelector('.rotation-fix-container') || container;
  const node = host.querySelector(inList ? 'h2, p, button, a, label' : 'h2, p, button, a, label, span, div.rot-target, [contenteditable="true"]');
  if (!node) return null;
  const inner = node.querySelector('.text-y');
  if (inner) return inner;
  if (node.nodeName === 'LABEL') {
    const spans = Array.prototype.slice.call(node.querySelectorAll('span'));
    return spans.filter(function (s) { return !s.className; })[0] || spans[0] || node;
  }
  return node;
}

function startInlineEdit(id) {
  if (_isInlineEditing()) return false;
  const el = _findElement(id);
  if (!el || INLINE_EDIT_TYPES.indexOf(el.type) === -1 || el.pageMode === true) return false;
  _inlineEditId = id;
  selectedIds = [id];
  _inlineShowOverlays(false);
  let container = document.getElementById('wrap-' + id);
  let inList = false;
  if (!container) {
    container = Array.prototype.slice.call(document.querySelectorAll('[data-ql-item]')).filter(function (n) {
      return n.getAttribute('data-ql-item') === id;
    })[0] || null;
    inList = !!container;
  }
  const node = container ? _inlineTextNode(container, inList) : null;
  if (!node) {
    _inlineEditId = null;
    selectedIds = [];
    _inlineShowOverlays(true);
    renderCanvas();
    return false;
  }
  container.setAttribute('data-inline-editing', '1');
  const edit = { id: id, node: node, container: container, text: el.text, richText: !!el.richText };
  edit.onKey = function (e) { _inlineKey(edit, e); };
  edit.onBlur = function () { if (_inlineEdit === edit) _inlineEditCommit(); };
  _inlineEdit = edit;
  node.setAttribute('contenteditable', 'true');
  node.setAttribute('spellcheck', 'false');
  node.classList.add('outline-none', 'cursor-text');
  node.dataset.inlineEditor = id;
  node.addEventListener('keydown', edit.onKey);
  node.addEventListener('blur', edit.onBlur);
  node.focus();
  const range = document.createRange();
  range.selectNodeContents(node);
  const sel = window.getSelection();
  sel.removeAllRanges();
  sel.addRange(range);
  return true;
}
