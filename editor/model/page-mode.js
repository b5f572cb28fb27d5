// Page mode: containers that stand for pages of the designed program; the editor shows one page
// at a time and the header strip carries one button per page.
// Provides: activatePageMode, deactivatePageMode, renderPageModeButtons, selectPageModeContainer
// Needs: _nextPageId, _qlCallIfDefined, _setDirty, _setShown, activePageModeId, elements, escapeHtml,
//   selectElement
// Calls: renderCanvas
//
// These take no undo step, but pageMode, pageId and editorHidden are saved with the project, so
// each change marks it dirty.

function activatePageMode(record) {
  if (!record) return;
  record.pageMode = true;
  if (!record.pageId) record.pageId = _nextPageId();
  record.hidden = false;
  record.editorHidden = false;
  _setDirty();
  renderPageModeButtons();
}

function deactivatePageMode(record) {
  if (!record) return;
  record.pageMode = false;
  record.pageId = null;
  if (activePageModeId === record.id) activePageModeId = null;
  _setDirty();
  renderPageModeButtons();
  _qlCallIfDefined('renderCanvas');
}

function renderPageModeButtons() {
  const strip = document.getElementById('page-mode-buttons');
  if (!strip) return;
  const pages = elements.filter(function (el) { return el.pageMode === true; });
  if (!pages.length) {
    strip.innerHTML = '';
    _setShown(strip, false);
    return;
  }
  _setShown(strip, true);
  strip.innerHTML = pages.map(function (el) {
    const active = el.id === activePageModeId;
    return '<button type="button" class="page-mode-btn px-2 py-0.5 rounded text-xs ' +
      (active ? 'bg-blue-600 text-white' : 'text-slate-300 hover:text-white') + '" data-page-el="' +
      escapeHtml(el.id) + '">' + escapeHtml(el.pageId || '') + '</button>';
  }).join('');
  strip.querySelectorAll('button[data-page-el]').forEach(function (button) {
    button.addEventListener('click', function () { selectPageModeContainer(button.getAttribute('data-page-el')); });
  });
}

function selectPageModeContainer(id) {
  const pages = elements.filter(function (el) { return el.pageMode === true; });
  if (id === activePageModeId) {
    activePageModeId = null;
    pages.forEach(function (el) { el.editorHidden = true; });
    _setDirty();
    renderPageModeButtons();
    _qlCallIfDefined('renderCanvas');
    return;
  }
  activePageModeId = id;
  pages.forEach(function (el) { el.editorHidden = el.id !== id; });
  _setDirty();
  selectElement(id);
  renderPageModeButtons();
}
