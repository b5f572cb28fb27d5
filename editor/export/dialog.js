// The export dialog: openExportModal (mode) prepares it for "html" (the page, shown before it is saved),
// "standalone" (a summary; Save builds the executable) or "pb" (the generated source module), restores the
// options chosen last time and shows it; downloadCode performs the export of the open mode. The options
// are kept in local storage:
//   "quorlin_include_debug"      "1" includes the debug panel          (default: not)
//   "quorlin_obfuscate"          "false" leaves the resources out      (default: included)
//   "quorlin_ids_as_constants"   "true" / "false"                      (default: true)
//   "quorlin_post_export_action" "compile", "openpbp" or "none"        (default: open the IDE project)
//   "quorlin_autorun"            "true" starts a saved executable      (default: off)
//   "quorlin_standalone_path"    the last save path of an executable
//   "quorlin_flag_icon_val"      the icon path the executable gets
// An HTML export is written under the host into the project's folder (with a byte-order mark, and the files
// it loads beside it); without a host it goes through the browser's save picker when there is one, else
// it is downloaded.
// Provides: currentExportMode, _lastExportContent, _compilerPath, openExportModal, closeExportModal, downloadCode, onObfuscateChange,
//   onDebugOverlayChange, onIdsAsConstantsChange, onPostExportActionChange, onStandaloneEmbedChange, onStandaloneIconChange,
//   onStandaloneAutorunChange, _browseIconPath, _exportOptionChanged, _exportCopyCode, _exportStored, _exportStore,
//   _exportStandaloneSummary, _exportSaveHostless, EXPORT_ICON_WAIT_MS
// Needs: _projectDirHandle, _exportSaveName, _exportSaveHtmlPage, _exportWriteProjectFile, _qlCallIfDefined,
//   _qlSendToHost, buildExportHTML, currentProjectName, showToast, t
// Calls: _qlDownloadText, _qlHasHost, _browseCompilerPath, _qrlAppName, _usedLocalFonts, buildStandaloneExe, generatePureBasicCode,
//   _pbExportModule, _pbRestoreExportOptions, _pbSaveExport, _pbSaveHostlessExtras, _pbTitlebarConfig

var currentExportMode = 'html';
var _lastExportContent = '';
// The host answers an icon (or compiler) request by calling this with the chosen path ("" for none).
var _compilerPath;
// The host's answer to an icon request comes back through this callback; unanswered requests give up.
var EXPORT_ICON_WAIT_MS = 30000;
var _exportBuildSeq = 0;

function _exportStored(key, fallback) {
  try {
    const v = localStorage.getItem(key);
    return v === null ? fallback : v;
  } catch (e) {
    return fallback;
  }
}

function _exportStore(key, value) {
  try {
    localStorage.setItem(key, String(value));
  } catch (e) {
    // the option holds for this editing run
  }
}

function _exportEl(id) {
  return document.getElementById(id);
}

function _exportShow(id, shown) {
  const node = _exportEl(id);
  if (node) node.hidden = !shown;
}

// The application name the executable gets: the standalone builder's when it is there.
function _exportAppName() {
  const own = _qlCallIfDefined('_qrlAppName');
  if (typeof own === 'string' && own) return own;
  return String(currentProjectName || '').trim() || 'QuorlinApp';
}

function _exportStandaloneSummary() {
  const embed = _exportEl('standalone-embed-check');
  const icon = _exportStored('quorlin_flag_icon_val', '');
  const iconOn = _exportEl('standalone-icon-check');
  return t('modal.exportModal.standaloneSummary', {
    name: _exportAppName(),
    embed: embed && !embed.checked ? t('modal.exportModal.standaloneNoEmbed') : t('modal.exportModal.includeResources'),
    icon: iconOn && iconOn.checked && icon ? icon : t('modal.exportModal.standaloneNoIcon'),
  });
}

function _exportSetSaveLabel(key, icon) {
  const label = _exportEl('btn-download-text');
  if (label) {
    label.setAttribute('data-i18n', key);
    label.textContent = t(key);
  }
  const i = _exportEl('btn-download') && _exportEl('btn-download').querySelector('i');
  if (i) i.className = 'ph ' + icon;
}

function _exportSetTitle(key) {
  const title = _exportEl('export-modal-title-text');
  if (title) {
    title.setAttribute('data-i18n', key);
    title.textContent = t(key);
  }
}

// The path field keeps the last path as it is typed.
function _exportWirePathField() {
  const input = _exportEl('standalone-path-input');
  if (!input || input._qlWired) return;
  input._qlWired = true;
  input.addEventListener('input', function () { _exportStore('quorlin_standalone_path', input.value); });
}

async function openExportModal(mode) {
  const want = mode === 'pb' || mode === 'standalone' ? mode : 'html';
  if (want === 'pb' && typeof window.generatePureBasicCode !== 'function') {
    // The source export is not built: its pending row says so.
    _qlCallIfDefined('generatePureBasicCode');
    return false;
  }
  const modal = _exportEl('export-modal');
  if (!modal) return false;
  currentExportMode = want;
  const seq = ++_exportBuildSeq;
  const debug = _exportEl('debug-overlay-check');
  if (debug) debug.checked = _exportStored('quorlin_include_debug', '0') === '1';
  const code = _exportEl('export-code');
  const summary = _exportEl('export-summary');
  _exportShow('pb-checks-group', want === 'pb');
  _exportShow('webapp-checks-group', false);
  _exportShow('standalone-checks-group', want === 'standalone');
  _exportShow('standalone-path-row', want === 'standalone');
  _exportShow('btn-copy', want !== 'standalone');
  if (want === 'standalone') {
    _lastExportContent = '';
    const embed = _exportEl('standalone-embed-check');
    if (embed) embed.checked = _exportStored('quorlin_obfuscate', 'true') !== 'false';
    const icon = _exportStored('quorlin_flag_icon_val', '');
    const iconCheck = _exportEl('standalone-icon-check');
    if (iconCheck) iconCheck.checked = !!icon;
    ['standalone-icon-path', 'flag-icon-val'].forEach(function (id) { if (_exportEl(id)) _exportEl(id).value = icon; });
    const autorun = _exportEl('standalone-autorun-check');
    if (autorun) autorun.checked = _exportStored('quorlin_autorun', 'false') === 'true';
    const path = _exportEl('standalone-path-input');
    if (path) path.value = _exportStored('quorlin_standalone_path', '');
    _exportWirePathField();
    if (code) { code.hidden = true; code.value = ''; }
    if (summary) { summary.hidden = false; summary.textContent = _exportStandaloneSummary(); }
    _exportSetTitle('modal.exportModal.titleStandalone');
    _exportSetSaveLabel('modal.exportModal.btnSaveExe', 'ph-rocket-launch');
    modal.hidden = false;
    return true;
  }
  const obfuscate = _exportEl('obfuscate-check');
  if (obfuscate) obfuscate.checked = want === 'html' ? true : _exportStored('quorlin_obfuscate', 'true') !== 'false';
  let html;
  try {
    const titlebar = want === 'pb' ? _pbTitlebarConfig() : null;
    if (want === 'pb') await _pbRestoreExportOptions(_exportSaveName());
    html = await buildExportHTML(want, titlebar, !!(debug && debug.checked));
    if (want === 'pb' && seq === _exportBuildSeq) html = String(await _pbExportModule(html, titlebar) || '');
  } catch (e) {
    console.error('[export] the ' + (want === 'pb' ? 'module' : 'page') + ' could not be built:', e);
    showToast(t('toast.exportSaveError'), 'error');
    return false;
  }
  // A later opening (an option changed meanwhile) wins.
  if (seq !== _exportBuildSeq) return false;
  _lastExportContent = html;
  if (code) { code.hidden = false; code.value = _lastExportContent; }
  if (summary) { summary.hidden = true; summary.textContent = ''; }
  _exportSetTitle(want === 'pb' ? 'modal.exportModal.titlePb' : 'modal.exportModal.titleHtml');
  _exportSetSaveLabel(want === 'pb' ? 'modal.exportModal.btnSavePb' : 'modal.exportModal.btnSaveHtml', 'ph-floppy-disk');
  modal.hidden = false;
  return true;
}

function closeExportModal() {
  _exportBuildSeq++;
  const modal = _exportEl('export-modal');
  if (modal) modal.hidden = true;
}

function _exportReopen() {
  const modal = _exportEl('export-modal');
  if (modal && !modal.hidden) return openExportModal(currentExportMode);
  return Promise.resolve(false);
}

// An option that changes the produced page: the dialog is made again.
function _exportOptionChanged() {
  return _exportReopen();
}

function onDebugOverlayChange() {
  const box = _exportEl('debug-overlay-check');
  _exportStore('quorlin_include_debug', box && box.checked ? '1' : '0');
  return _exportReopen();
}

function _exportWarnLocalFonts(included) {
  const used = _qlCallIfDefined('_usedLocalFonts');
  if (!included && Array.isArray(used) && used.length) showToast(t('toast.noEmbeddedAssets'), 'warning', 6000);
}

function onObfuscateChange() {
  const box = _exportEl('obfuscate-check');
  const on = !box || box.checked;
  _exportWarnLocalFonts(on);
  _exportStore('quorlin_obfuscate', on ? 'true' : 'false');
  return _exportReopen();
}

function onStandaloneEmbedChange() {
  const box = _exportEl('standalone-embed-check');
  const on = !box || box.checked;
  _exportWarnLocalFonts(on);
  _exportStore('quorlin_obfuscate', on ? 'true' : 'false');
  return _exportReopen();
}

function onIdsAsConstantsChange() {
  const box = _exportEl('ids-as-constants-check');
  _exportStore('quorlin_ids_as_constants', box && box.checked ? 'true' : 'false');
  return _exportReopen();
}

function onPostExportActionChange() {
  const run = _exportEl('run-after-export-check');
  const open = _exportEl('open-pbp-check');
  const action = run && run.checked ? 'compile' : open && open.checked ? 'openpbp' : 'none';
  _exportStore('quorlin_post_export_action', action);
  _exportShow('compile-fields', action === 'compile');
  _exportShow('open-pbp-fields', action === 'openpbp');
}

// Without a path the icon option asks for one; switched off it keeps the path for next time.
function onStandaloneIconChange() {
  const box = _exportEl('standalone-icon-check');
  if (box && box.checked && !_exportStored('quorlin_flag_icon_val', '')) {
    box.checked = false;
    return _browseIconPath();
  }
  const summary = _exportEl('export-summary');
  if (summary && !summary.hidden) summary.textContent = _exportStandaloneSummary();
  return Promise.resolve(true);
}

function onStandaloneAutorunChange() {
  const box = _exportEl('standalone-autorun-check');
  _exportStore('quorlin_autorun', box && box.checked ? 'true' : 'false');
}

// Asks the host for an icon file; resolves its path ("" when cancelled, refused or not answered in time).
function _browseIconPath() {
  return new Promise(function (resolve) {
    if (!_qlHasHost()) {
      resolve('');
      return;
    }
    let done = false;
    const finish = function (path) {
      if (done) return;
      done = true;
      clearTimeout(timer);
      if (_compilerPath === answer) _compilerPath = undefined;
      const text = typeof path === 'string' ? path : '';
      if (text) {
        _exportStore('quorlin_flag_icon_val', text);
        ['standalone-icon-path', 'flag-icon-val', 'pb-icon-path'].forEach(function (id) { if (_exportEl(id)) _exportEl(id).value = text; });
        const box = _exportEl('standalone-icon-check');
        if (box) box.checked = true;
        const summary = _exportEl('export-summary');
        if (summary && !summary.hidden) summary.textContent = _exportStandaloneSummary();
      }
      resolve(text);
    };
    const answer = function (path) { finish(path); };
    const timer = setTimeout(function () { finish(''); }, EXPORT_ICON_WAIT_MS);
    _compilerPath = answer;
    if (!_qlSendToHost('icon_requester', '')) finish('');
  });
}

async function _exportCopyCode() {
  try {
    await navigator.clipboard.writeText(_lastExportContent);
    showToast(t('toast.exportCopied'), 'success', 2000);
  } catch (e) {
    const code = _exportEl('export-code');
    if (code) code.select();
    showToast(t('toast.exportCopyError'), 'error');
  }
}

// Without a host: the browser's save picker when it has one (a cancel ends quietly), else a download.
async function _exportSaveHostless(file, content, type) {
  if (typeof window.showSaveFilePicker === 'function') {
    try {
      const handle = _projectDirHandle;
      const picked = await window.showSaveFilePicker({ suggestedName: file, startIn: handle || 'documents' });
      const writable = await picked.createWritable();
      await writable.write(new Blob([content], { type: type }));
      await writable.close();
      showToast(t('toast.exportSavedOk'), 'success', 4000);
      return true;
    } catch (e) {
      if (e && e.name === 'AbortError') return false;
      console.warn('[export] the save picker failed, downloading instead:', e);
    }
  }
  _qlDownloadText(file, content, type);
  showToast(t('toast.fileSaved', { name: file }), 'success', 4000);
  return true;
}

async function downloadCode() {
  const mode = currentExportMode;
  if (mode === 'standalone') {
    closeExportModal();
    return _qlCallIfDefined('buildStandaloneExe');
  }
  const base = _exportSaveName();
  const pb = mode === 'pb';
  const file = base + (pb ? '.pbi' : '.html');
  const type = pb ? 'text/plain;charset=utf-8' : 'text/html;charset=utf-8';
  const content = '\uFEFF' + _lastExportContent;
  let ok;
  if (_qlHasHost()) {
    // The source export's files and what follows them are its own (it closes the dialog and reports).
    ok = pb ? await _pbSaveExport(base, file, content) : await _exportSaveHtmlPage(base, file, _lastExportContent);
    if (ok && !pb) {
      closeExportModal();
      _qlSendToHost('export_html', file);
    }
  } else {
    ok = await _exportSaveHostless(file, content, type);
    if (ok && pb) _pbSaveHostlessExtras(base);
    if (ok) closeExportModal();
  }
  const basePb = _exportEl('basepb-check');
  if (basePb) basePb.checked = false;
  return ok;
}
