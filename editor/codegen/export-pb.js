// The source export's part of the export dialog: the module made from the page (fonts addressed on
// the local server, the page packed, the design's title bar), the options restored when the dialog
// opens, and Save: <base>.pbi, then the base program and IDE project when asked for (an existing base
// program is the user's: replaced only after the question, never when compiling finds one; a failed
// existence test counts as "there is one"), then compiling or opening the IDE project. .pb and .pbi
// start with a byte-order mark.
// Provides: _pbConfirmSaveBasePb, _pbTitlebarConfig, _pbExportModule, _pbRestoreExportOptions,
//   _pbFileExists, _pbSaveExport, _pbSaveHostlessExtras, _pbPostExportAction
// Needs: _exportCopyAssets, _exportWriteProjectFile, _pbCompileRequest, _pbCompilerPath,
//   _pbRenderCompileFields, _qlDialogButton, _qlDialogShell, _qlHostFetch, _qlRoute, _qlSendToHost,
//   _readCompileSettingsFromDom, _qrlTitlebarConfig, _qrlTitlebarMeta, closeExportModal, collectEmbedAssets,
//   generateBasePb, generatePbpProject, obfuscateHtml, showToast, t
// Calls: _qlDownloadText, generatePureBasicCode

// The page the shown module was made from, and its title bar: Save copies the page's files and writes
// the base program for the same design.
var _pbLastPage = '';
var _pbLastTitlebar = null;

function _pbTitlebarConfig() {
  return _qrlTitlebarConfig(_qrlTitlebarMeta());
}

function _pbChecked(id, fallback) {
  const box = document.getElementById(id);
  return box ? !!box.checked : fallback;
}

// The module for the page built in mode "pb" with `titlebar`.
async function _pbExportModule(html, titlebar) {
  const page = String(html).replace(/url\((['"]?)Fonts\//g, 'url($1http://localhost:56789/Fonts/');
  _pbLastPage = page;
  _pbLastTitlebar = titlebar || null;
  const assets = await collectEmbedAssets(page);
  const packed = await obfuscateHtml(page);
  const ids = _pbChecked('ids-as-constants-check', true);
  return generatePureBasicCode(packed, _pbChecked('obfuscate-check', true), assets, _pbLastTitlebar, ids);
}

function _pbStoredAction() {
  let action = '';
  try { action = localStorage.getItem('quorlin_post_export_action') || ''; } catch (e) { action = ''; }
  return action === 'compile' || action === 'openpbp' ? action : 'openpbp';
}

// What follows Save: "compile", "openpbp" or "none" (the two radios off).
function _pbPostExportAction() {
  if (_pbChecked('run-after-export-check', false)) return 'compile';
  if (_pbChecked('open-pbp-check', false)) return 'openpbp';
  return 'none';
}

// Whether a file of the project's folder is there: true, false, or null when the host cannot tell.
async function _pbFileExists(base, relative) {
  try {
    const reply = await _qlHostFetch(_qlRoute('fileexists/', base) + '/' + relative.split('/').map(encodeURIComponent).join('/'));
    if (!reply.ok) return null;
    const text = (await reply.text()).trim();
    return text === 'true' ? true : text === 'false' ? false : null;
  } catch (e) {
    return null;
  }
}

// The dialog's source options as they were left; "save the base program" is ticked when the project
// has none yet (or the host cannot tell). A dialog made again for a changed option keeps what is shown.
async function _pbRestoreExportOptions(base) {
  _pbRenderCompileFields();
  const modal = document.getElementById('export-modal');
  if (modal && !modal.hidden) return;
  const action = _pbStoredAction();
  const run = document.getElementById('run-after-export-check');
  const open = document.getElementById('open-pbp-check');
  if (run) run.checked = action === 'compile';
  if (open) open.checked = action === 'openpbp';
  const compileFields = document.getElementById('compile-fields');
  if (compileFields) compileFields.hidden = action !== 'compile';
  const openFields = document.getElementById('open-pbp-fields');
  if (openFields) openFields.hidden = action !== 'openpbp';
  const path = document.getElementById('compiler-path');
  if (path) path.value = _pbCompilerPath();
  let ids = 'true';
  try { ids = localStorage.getItem('quorlin_ids_as_constants') || 'true'; } catch (e) { ids = 'true'; }
  const idsBox = document.getElementById('ids-as-constants-check');
  if (idsBox) idsBox.checked = ids !== 'false';
  const icon = document.getElementById('flag-icon-val');
  const shown = document.getElementById('pb-icon-path');
  if (shown) shown.value = icon ? icon.value : '';
  const basePb = document.getElementById('basepb-check');
  let answer = '';
  try {
    const reply = await _qlHostFetch(_qlRoute('pbexists/', base));
    answer = (await reply.text()).trim();
  } catch (e) {
    answer = '';
  }
  if (basePb) basePb.checked = answer !== 'true';
}

// The question before an existing base program is replaced; resolves true to replace it. A second
// question while one is shown is answered "no" at once.
function _pbConfirmSaveBasePb() {
  if (document.getElementById('_pb_save_basepb_modal')) return Promise.resolve(false);
  return new Promise(function (resolve) {
    const shell = _qlDialogShell('_pb_save_basepb_modal', { role: 'alertdialog' });
    const title = document.createElement('h2');
    title.id = '_pb_save_basepb_title';
    title.textContent = t('modal.confirmSaveBasePb.title');
    const body = document.createElement('p');
    body.className = 'ql-dialog-body';
    body.textContent = t('modal.confirmSaveBasePb.body');
    shell.card.setAttribute('aria-labelledby', title.id);
    const buttons = document.createElement('div');
    buttons.className = 'ql-dialog-buttons';
    const cancel = _qlDialogButton(t('modal.confirmSaveBasePb.cancel'), 'ql-btn', '_pb_save_basepb_cancel');
    const confirm = _qlDialogButton(t('modal.confirmSaveBasePb.confirm'), 'ql-btn ql-btn-danger', '_pb_save_basepb_confirm');
    buttons.append(cancel, confirm);
    shell.card.append(title, body, buttons);
    const onKey = function (e) {
      if (e.key !== 'Escape') return;
      e.stopPropagation();
      finish(false);
    };
    const finish = function (answer) {
      document.removeEventListener('keydown', onKey, true);
      shell.modal.remove();
      resolve(answer);
    };
    cancel.addEventListener('click', function () { finish(false); });
    confirm.addEventListener('click', function () { finish(true); });
    document.addEventListener('keydown', onKey, true);
    document.body.appendChild(shell.modal);
    cancel.focus();
  });
}

function _pbWriteBase(base) {
  return _exportWriteProjectFile(base, base + '.pb', '\uFEFF' + generateBasePb(base, _pbLastTitlebar), 'text/plain; charset=utf-8');
}

function _pbWriteProject(base, settings) {
  return _exportWriteProjectFile(base, base + '.pbp', generatePbpProject(base, settings), 'text/plain; charset=utf-8');
}

// Save under the host: the module, the base program and IDE project as chosen, then what follows.
// Resolves false (said) when a file could not be written.
async function _pbSaveExport(base, file, content) {
  if (!await _exportWriteProjectFile(base, file, content, 'text/plain; charset=utf-8')) {
    showToast(t('toast.exportSaveError'), 'error');
    return false;
  }
  const action = _pbPostExportAction();
  const settings = _readCompileSettingsFromDom();
  let written = true;
  if (_pbChecked('basepb-check', false)) {
    const there = await _pbFileExists(base, base + '.pb');
    if (there === false || await _pbConfirmSaveBasePb()) written = await _pbWriteBase(base) && await _pbWriteProject(base, settings);
  } else if (action !== 'none') {
    // Compiling or opening the IDE project needs the files they work on; only missing ones are written.
    if (await _pbFileExists(base, base + '.pb') === false) written = await _pbWriteBase(base);
    if (written && action === 'openpbp' && await _pbFileExists(base, base + '.pbp') === false) written = await _pbWriteProject(base, settings);
  }
  if (!written) {
    showToast(t('toast.exportSaveError'), 'error');
    return false;
  }
  closeExportModal();
  showToast(t('toast.exportSaved', { name: file }), 'success', 4000);
  _qlSendToHost('export_pb', file);
  if (action === 'none') return true;
  const missing = await _exportCopyAssets(base, _pbLastPage);
  if (missing.length) {
    console.error('[export] files the program loads could not be copied: ' + missing.join(', '));
    showToast(t('toast.exportAssetsMissing', { count: missing.length }), 'warning', 6000);
  }
  if (action === 'compile') {
    showToast(t('toast.compiling', { name: base }), 'info', 3000);
    _qlSendToHost('run_compiler', _pbCompileRequest(base, settings));
  } else {
    _qlSendToHost('run_pbp', base);
  }
  return true;
}

// Without a host the base program and IDE project, when asked for, are downloaded beside the module.
function _pbSaveHostlessExtras(base) {
  if (!_pbChecked('basepb-check', false)) return false;
  _qlDownloadText(base + '.pb', '\uFEFF' + generateBasePb(base, _pbLastTitlebar), 'text/plain;charset=utf-8');
  _qlDownloadText(base + '.pbp', generatePbpProject(base, _readCompileSettingsFromDom()), 'application/xml;charset=utf-8');
  return true;
}
