// The icon picker ("icon-modal"): every icon of the chosen library and style, filtered by name; the
// chosen icon's classes go into every selected element in one undo step. The library's stylesheet is
// loaded by the page's library loader (so a style picked here, duotone too, draws on the canvas), its
// icon names are read from the stylesheet and kept once read; a stylesheet that cannot be fetched
// shows an empty grid and is fetched again next time.
// Provides: openIconPicker, closeIconPicker, switchIconLibrary, switchIconVariant, filterIcons,
//   selectIconFromPicker, updateIconPreview, injectLibraryCSS, fetchIconsFromCSS, cachedIcons,
//   currentIconLibrary, currentIconVariant, currentIconList
// Needs: ICON_LIBS_UPDATED, ICON_LIST_LIMIT, _iconFilter, _iconFontsBase, _iconFullClass, _iconParseCss,
//   _iconShortName, _findElement, _qlDialogShell, _qlLoadLibrary, _qlReportFailure, escapeHtml, saveHistoryState,
//   selectedIds, t
// Calls: _setDirty, renderCanvas

var cachedIcons = {};
var currentIconLibrary = 'phosphor';
var currentIconVariant = '';
var currentIconList = [];
// Font Awesome's icon names per style, read once from the list the build makes.
var _iconFaSets = null;
// Each library switch counts: a slow fetch that a later switch overtook shows nothing.
var _iconSwitchSeq = 0;
// The page-library name of each library (and of each Phosphor weight).
var _ICON_PAGE_LIBRARIES = { fontawesome: 'fontawesome', bootstrap: 'bootstrap-icons', ionicons: 'ionicons' };

function _iconEl(id) {
  return document.getElementById(id);
}

function _iconEnsureModal() {
  let modal = _iconEl('icon-modal');
  if (modal) return modal;
  const shell = _qlDialogShell('icon-modal', { cardClass: 'ql-icon-card' });
  modal = shell.modal;
  modal.hidden = true;
  shell.card.setAttribute('aria-labelledby', 'icon-modal-title');
  shell.card.innerHTML =
    '<div class="ql-icon-head"><h2 id="icon-modal-title" data-i18n="modal.iconPicker.title">' + escapeHtml(t('modal.iconPicker.title')) + '</h2>' +
    '<button id="icon-modal-close" type="button" class="ql-btn ql-btn-icon" data-i18n-title="modal.iconPicker.close" title="' +
      escapeHtml(t('modal.iconPicker.close')) + '"><i class="ph ph-x"></i></button></div>' +
    '<div class="ql-icon-bar">' +
      '<label class="ql-icon-label"><span data-i18n="modal.iconPicker.library">' + escapeHtml(t('modal.iconPicker.library')) + '</span>' +
        '<select id="icon-library-select" class="ql-icon-select"></select></label>' +
      '<label class="ql-icon-label"><span data-i18n="modal.iconPicker.variant">' + escapeHtml(t('modal.iconPicker.variant')) + '</span>' +
        '<select id="icon-variant-select" class="ql-icon-select"></select></label>' +
      '<input id="icon-search" type="search" class="ql-icon-search" autocomplete="off" spellcheck="false" data-i18n-ph="modal.iconPicker.search" placeholder="' +
        escapeHtml(t('modal.iconPicker.search')) + '">' +
    '</div>' +
    '<div id="icon-loading" class="ql-icon-loading" hidden data-i18n="modal.iconPicker.loading">' + escapeHtml(t('modal.iconPicker.loading')) + '</div>' +
    '<div id="icon-count" class="ql-icon-count"></div>' +
    '<div id="icon-grid" class="ql-icon-grid"></div>';
  document.body.appendChild(modal);
  _iconEl('icon-modal-close').addEventListener('click', closeIconPicker);
  modal.addEventListener('mousedown', function (e) { if (e.target === modal) closeIconPicker(); });
  modal.addEventListener('keydown', function (e) {
    if (e.key === 'Escape') {
      e.stopPropagation();
      closeIconPicker();
    }
  });
  _iconEl('icon-library-select').addEventListener('change', function (e) { switchIconLibrary(e.target.value); });
  _iconEl('icon-variant-select').addEventListener('change', function (e) { switchIconVariant(e.target.value); });
  _iconEl('icon-search').addEventListener('input', function (e) { filterIcons(e.target.value); });
  _iconEl('icon-grid').addEventListener('click', function (e) {
    const cell = e.target.closest('[data-icon-class]');
    if (cell) selectIconFromPicker(cell.getAttribute('data-icon-class'));
  });
  return modal;
}

function openIconPicker() {
  const modal = _iconEnsureModal();
  const select = _iconEl('icon-library-select');
  select.innerHTML = Object.keys(ICON_LIBS_UPDATED).map(function (key) {
    return '<option value="' + key + '">' + escapeHtml(ICON_LIBS_UPDATED[key].name) + '</option>';
  }).join('');
  select.value = currentIconLibrary;
  modal.hidden = false;
  const search = _iconEl('icon-search');
  search.value = '';
  search.focus();
  return switchIconLibrary(currentIconLibrary);
}

function closeIconPicker() {
  const modal = _iconEl('icon-modal');
  if (modal) modal.hidden = true;
}

async function switchIconLibrary(libId) {
  const key = Object.prototype.hasOwnProperty.call(ICON_LIBS_UPDATED, libId) ? libId : 'phosphor';
  const lib = ICON_LIBS_UPDATED[key];
  currentIconLibrary = key;
  currentIconVariant = lib.styles[0][1];
  const variants = _iconEl('icon-variant-select');
  if (variants) {
    variants.innerHTML = lib.styles.map(function (s) {
      const label = 'modal.iconPicker.iconVariant:' + s[0];
      return '<option value="' + escapeHtml(s[1]) + '">' + escapeHtml(t(label)) + '</option>';
    }).join('');
    variants.value = currentIconVariant;
  }
  const library = _iconEl('icon-library-select');
  if (library) library.value = key;
  injectLibraryCSS(key);
  const seq = ++_iconSwitchSeq;
  const loading = _iconEl('icon-loading');
  if (loading) loading.hidden = false;
  const icons = await fetchIconsFromCSS(key);
  if (key === 'fontawesome') await _iconLoadFaSets();
  if (seq !== _iconSwitchSeq) return;
  if (loading) loading.hidden = true;
  currentIconList = icons;
  const search = _iconEl('icon-search');
  filterIcons(search ? search.value : '');
}

function switchIconVariant(variant) {
  currentIconVariant = String(variant || '');
  injectLibraryCSS(currentIconLibrary);
  const search = _iconEl('icon-search');
  filterIcons(search ? search.value : '');
}

// Makes sure the library (and the chosen Phosphor weight) is in the page; a marker "css-lib-<key>"
// tells that the picker asked for it.
function injectLibraryCSS(libId) {
  if (!_iconEl('css-lib-' + libId)) {
    const marker = document.createElement('meta');
    marker.id = 'css-lib-' + libId;
    document.head.appendChild(marker);
  }
  const names = [];
  if (libId === 'phosphor') {
    names.push('phosphor-regular');
    const style = ICON_LIBS_UPDATED.phosphor.styles.find(function (s) { return s[1] === currentIconVariant; });
    if (style && style[1]) names.push('phosphor-' + style[0]);
  } else if (_ICON_PAGE_LIBRARIES[libId]) {
    names.push(_ICON_PAGE_LIBRARIES[libId]);
  }
  names.forEach(function (name) {
    _qlLoadLibrary(name).catch(function (e) { _qlReportFailure('injectLibraryCSS', e); });
  });
}

// The icon classes of a library, read from its stylesheet once it has been read successfully; [] when it
// cannot be fetched (not kept, so the next opening tries again).
async function fetchIconsFromCSS(libId) {
  if (cachedIcons[libId]) return cachedIcons[libId];
  const lib = ICON_LIBS_UPDATED[libId];
  if (!lib) return [];
  let text = '';
  try {
    const response = await fetch(_iconFontsBase(location.hostname) + lib.css);
    if (!response.ok) throw new Error('status ' + response.status);
    text = await response.text();
  } catch (e) {
    console.warn('[icons] the ' + lib.name + ' stylesheet could not be read:', e);
    return [];
  }
  const icons = _iconParseCss(libId, text);
  if (icons.length) cachedIcons[libId] = icons;
  return icons;
}

async function _iconLoadFaSets() {
  if (_iconFaSets) return _iconFaSets;
  try {
    const response = await fetch(_iconFontsBase(location.hostname) + 'fontawesome/icon-sets.json');
    if (!response.ok) throw new Error('status ' + response.status);
    const sets = await response.json();
    if (sets && typeof sets === 'object') _iconFaSets = sets;
  } catch (e) {
    console.warn('[icons] the Font Awesome style lists could not be read:', e);
  }
  return _iconFaSets;
}

function filterIcons(searchTerm) {
  const grid = _iconEl('icon-grid');
  if (!grid) return;
  const found = _iconFilter(currentIconLibrary, currentIconVariant, currentIconList, searchTerm, _iconFaSets);
  const count = _iconEl('icon-count');
  if (!found.length) {
    grid.innerHTML = '<div class="ql-icon-empty">' + escapeHtml(t('modal.iconPicker.noResults')) + '</div>';
    if (count) count.textContent = '';
    return;
  }
  const shown = found.slice(0, ICON_LIST_LIMIT);
  grid.innerHTML = shown.map(function (icon) {
    const full = escapeHtml(_iconFullClass(currentIconLibrary, currentIconVariant, icon));
    const name = escapeHtml(_iconShortName(icon));
    return '<button type="button" class="ql-icon-cell" data-icon-class="' + full + '" title="' + name + '"><i class="' + full +
      '"></i><span>' + name + '</span></button>';
  }).join('');
  if (count) count.textContent = t('modal.iconPicker.count', { shown: shown.length, total: found.length });
}

// Every selected element takes the icon, in one undo step; the class field shows it when one is selected.
function selectIconFromPicker(fullClass) {
  const records = (typeof selectedIds !== 'undefined' ? selectedIds : []).map(_findElement).filter(Boolean);
  if (records.length) {
    saveHistoryState();
    records.forEach(function (el) {
      if (typeof setElementProp === 'function') setElementProp(el, 'iconClass', fullClass);
      else el.iconClass = fullClass;
    });
    if (records.length === 1) {
      const field = _iconEl('input-iconClass');
      if (field) field.value = fullClass;
    }
    updateIconPreview(fullClass);
    _qlCallIfDefined('renderCanvas');
  }
  closeIconPicker();
}

function updateIconPreview(fullClass) {
  const cls = String(fullClass || '').trim();
  ['current-icon-preview', 'icon-preview'].forEach(function (id) {
    const node = _iconEl(id);
    if (!node) return;
    node.innerHTML = cls ? '<i class="' + escapeHtml(cls) + ' text-2xl"></i>' : 'N/A';
  });
}
