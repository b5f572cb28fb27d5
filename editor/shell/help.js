// The three overlay dialogs of the frame (markup in help.html): the help viewer, which shows the user
// documentation the host serves beside the program (Locale/Quorlin-docs-<language>.html, English when
// the language has no page); the keyboard shortcuts reference, which F1 opens and closes; and the about
// dialog. Each closes with Escape, its close button or a press on its backdrop. Their keys are taken on
// the window before any other key handler (the panels' own keys included), also while the focus is inside
// the help page.
// Provides: openHelp, closeHelp, openShortcuts, closeShortcuts, renderShortcutsModal, openAbout,
//   closeAbout, _qlHelpPageFor, _qlHelpPageUrl
// Needs: t, I18n, SHORTCUTS_SECTIONS, _KBD_LABEL, QL_SHORTCUT_GESTURES, QL_SHORTCUT_MODIFIERS, _qlReportFailure

var QL_OVERLAY_Z = 10001;
var QL_HELP_FALLBACK_LANG = 'en';
// The open overlays, the last opened on top; Escape closes the top one.
var _qlOverlayStack = [];
var _qlOverlayReturnFocus = null;

function _qlHelpPageUrl(lang) {
  return '/Locale/Quorlin-docs-' + lang + '.html';
}

// The help page for a language: Spanish and English are always there; for the others the host is asked
// first (HEAD), and a missing page or a failed request gives the English one.
async function _qlHelpPageFor(lang) {
  const own = _qlHelpPageUrl(lang);
  if (lang === 'es' || lang === QL_HELP_FALLBACK_LANG) return own;
  try {
    const reply = await fetch(own, { method: 'HEAD', cache: 'no-store' });
    if (reply.ok) return own;
  } catch (e) { /* unreachable: English */ }
  return _qlHelpPageUrl(QL_HELP_FALLBACK_LANG);
}

function _qlOverlay(id) {
  return document.getElementById(id);
}

function _qlShowOverlay(id, focusId) {
  const overlay = _qlOverlay(id);
  if (!overlay) return false;
  if (!_qlOverlayStack.length) _qlOverlayReturnFocus = document.activeElement;
  _qlOverlayStack = _qlOverlayStack.filter((open) => open !== id);
  _qlOverlayStack.push(id);
  overlay.style.zIndex = String(QL_OVERLAY_Z + _qlOverlayStack.length - 1);
  overlay.hidden = false;
  // The focus leaves the canvas, so the editor's keys do not act on the design behind the dialog.
  const focus = document.getElementById(focusId);
  if (focus) focus.focus();
  return true;
}

function _qlHideOverlay(id) {
  const overlay = _qlOverlay(id);
  if (overlay) overlay.hidden = true;
  _qlOverlayStack = _qlOverlayStack.filter((open) => open !== id);
  if (!_qlOverlayStack.length) {
    const back = _qlOverlayReturnFocus;
    _qlOverlayReturnFocus = null;
    if (back && back.isConnected && typeof back.focus === 'function') back.focus();
  }
}

function _qlOverlayOpen(id) {
  const overlay = _qlOverlay(id);
  return Boolean(overlay && !overlay.hidden);
}

// ---- Help viewer ----

// The viewer's address changes only when the page differs, so an open page keeps its scroll position.
function _qlSetHelpPage(url) {
  const frame = document.getElementById('help-iframe');
  if (frame && frame.getAttribute('src') !== url) frame.setAttribute('src', url);
}

// The help page reads the editor's theme when it loads; a page kept loaded follows a later switch here.
function _qlHelpPageTheme() {
  const frame = document.getElementById('help-iframe');
  try {
    const root = frame && frame.contentDocument && frame.contentDocument.documentElement;
    if (root) root.classList.toggle('light', document.documentElement.classList.contains('theme-light'));
  } catch (e) { /* not loaded yet: its own script reads the theme */ }
}

async function openHelp() {
  const url = await _qlHelpPageFor(I18n.lang);
  _qlSetHelpPage(url);
  _qlHelpPageTheme();
  _qlShowOverlay('help-overlay', 'help-close');
}

function closeHelp() {
  _qlHideOverlay('help-overlay');
}

// A loaded help page follows a change of language (with the same fallback as when it opens).
window.addEventListener('ql-langchange', async (ev) => {
  const frame = document.getElementById('help-iframe');
  if (!frame || !frame.getAttribute('src')) return;
  _qlSetHelpPage(await _qlHelpPageFor(ev.detail || I18n.lang));
});

// ---- Shortcuts reference ----

function _qlShortcutShown(entry) {
  return !entry.needs || typeof window[entry.needs] === 'function';
}

function _qlKeyCap(token) {
  if (Object.prototype.hasOwnProperty.call(QL_SHORTCUT_GESTURES, token)) {
    const word = document.createElement('span');
    word.className = 'ql-kbd-gesture';
    word.textContent = t(QL_SHORTCUT_GESTURES[token]);
    return word;
  }
  const cap = document.createElement('kbd');
  cap.className = 'ql-kbd';
  if (Object.prototype.hasOwnProperty.call(QL_SHORTCUT_MODIFIERS, token)) cap.textContent = t(QL_SHORTCUT_MODIFIERS[token]);
  else cap.textContent = Object.prototype.hasOwnProperty.call(_KBD_LABEL, token) ? _KBD_LABEL[token] : token;
  return cap;
}

// One combination, kept on one line (an alternative may go to the next).
function _qlKeyCombo(tokens, into) {
  const combo = document.createElement('span');
  combo.className = 'ql-combo';
  tokens.forEach((token, i) => {
    if (i) combo.append('+');
    combo.appendChild(_qlKeyCap(token));
  });
  into.appendChild(combo);
}

function renderShortcutsModal() {
  const body = document.getElementById('shortcuts-body');
  if (!body) return;
  body.textContent = '';
  for (const section of SHORTCUTS_SECTIONS) {
    if (!_qlShortcutShown(section)) continue;
    const items = section.items.filter(_qlShortcutShown);
    if (!items.length) continue;
    const block = document.createElement('section');
    block.className = 'ql-shortcuts-section';
    block.dataset.section = section.id;
    const head = document.createElement('h3');
    const icon = document.createElement('i');
    icon.className = 'ph ' + section.icon;
    const title = document.createElement('span');
    title.textContent = t(section.titleKey);
    head.append(icon, title);
    block.appendChild(head);
    for (const item of items) {
      const row = document.createElement('div');
      row.className = 'ql-shortcut-row';
      row.dataset.desc = item.desc;
      const keys = document.createElement('div');
      keys.className = 'ql-shortcut-keys';
      _qlKeyCombo(item.keys, keys);
      if (item.alt) {
        keys.append(' / ');
        _qlKeyCombo(item.alt, keys);
      }
      const desc = document.createElement('div');
      desc.className = 'ql-shortcut-desc';
      desc.textContent = t(item.desc);
      row.append(keys, desc);
      block.appendChild(row);
    }
    body.appendChild(block);
  }
}

function openShortcuts() {
  renderShortcutsModal();
  _qlShowOverlay('shortcuts-overlay', 'shortcuts-close');
}

function closeShortcuts() {
  _qlHideOverlay('shortcuts-overlay');
}

// ---- About ----

function openAbout() {
  const source = document.getElementById('quorlin-version');
  const out = document.getElementById('about-version');
  if (out) {
    out.textContent = source ? source.textContent : '';
    out.classList.toggle('debug-version', Boolean(source && source.classList.contains('debug-version')));
  }
  _qlShowOverlay('about-overlay', 'about-close');
}

function closeAbout() {
  _qlHideOverlay('about-overlay');
}

// ---- Keys, backdrops ----

var _QL_OVERLAY_CLOSE = { 'help-overlay': closeHelp, 'shortcuts-overlay': closeShortcuts, 'about-overlay': closeAbout };

// F1 opens or closes the shortcuts reference anywhere; Escape closes the overlay on top. Both are kept from
// every other handler (the canvas would otherwise take Escape for itself).
function _qlOverlayKey(ev) {
  const plain = !ev.ctrlKey && !ev.altKey && !ev.metaKey && !ev.shiftKey;
  if (ev.key === 'F1' && plain) {
    ev.preventDefault();
    ev.stopImmediatePropagation();
    if (ev.repeat) return;
    if (_qlOverlayOpen('shortcuts-overlay')) closeShortcuts();
    else openShortcuts();
    return;
  }
  if (ev.key !== 'Escape' || !_qlOverlayStack.length) return;
  ev.preventDefault();
  ev.stopImmediatePropagation();
  _QL_OVERLAY_CLOSE[_qlOverlayStack[_qlOverlayStack.length - 1]]();
}

window.addEventListener('keydown', _qlOverlayKey, true);

// The overlays' markup is a fragment that start-up inserts later: presses are followed on the document.
document.addEventListener('mousedown', (ev) => {
  const id = ev.target && ev.target.id;
  if (Object.prototype.hasOwnProperty.call(_QL_OVERLAY_CLOSE, id) && _qlOverlayStack.includes(id)) _QL_OVERLAY_CLOSE[id]();
});

// Keys pressed inside the help page (same origin) reach the same handler.
document.addEventListener('load', (ev) => {
  const frame = ev.target;
  if (!frame || frame.id !== 'help-iframe') return;
  try {
    frame.contentWindow.addEventListener('keydown', _qlOverlayKey, true);
  } catch (e) {
    _qlReportFailure('help page keys', e);
  }
}, true);
