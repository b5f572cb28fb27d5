// The HTML export: the design as one page ("html" mode, relative addresses) written into the project's
// folder under the host, next to the libraries and fonts it loads, so the written file runs when opened
// from disk; without a host the page is downloaded. The export dialog (dialog.js) shows the page before
// saving it through the same helpers; exportHtmlPage saves it at once.
// Provides: exportHtmlPage, _exportSaveHtmlPage, _exportSaveName, _exportWriteProjectFile, _exportCopyAssets
// Needs: _qlSendToHost, buildExportHTML, collectEmbedAssets, currentProjectName, showToast, t
// Calls: _qlDownloadText, _qlHasHost, _qlHostFetch, _qlRoute

// The base name of the written files: the name field, else the open project, else "interfaz".
function _exportSaveName() {
  const field = document.getElementById('input-filename');
  const typed = field && typeof field.value === 'string' ? field.value.trim() : '';
  return typed || String(currentProjectName || '').trim() || 'interfaz';
}

// POST save/<base>/<relative path>; resolves true on a 2xx answer.
async function _exportWriteProjectFile(base, relative, body, type) {
  try {
    const reply = await _qlHostFetch(_qlRoute('save/', base) + '/' + relative.split('/').map(encodeURIComponent).join('/'), {
      method: 'POST', headers: { 'Content-Type': type }, body: body,
    });
    return reply.status >= 200 && reply.status < 300;
  } catch (e) {
    return false;
  }
}

// Copies every library and font file the page loads from the program folder into the project folder.
// Resolves the paths that could not be copied.
async function _exportCopyAssets(base, html) {
  const assets = await collectEmbedAssets(html);
  const failed = [];
  for (const path of assets.libs.concat(assets.fonts)) {
    let ok = false;
    try {
      const reply = await fetch('/' + path.split('/').map(encodeURIComponent).join('/'));
      ok = reply.ok && await _exportWriteProjectFile(base, path, await reply.arrayBuffer(), 'application/octet-stream');
    } catch (e) {
      ok = false;
    }
    if (!ok) failed.push(path);
  }
  return failed;
}

// The page written into the project's folder with the files it loads; false when something failed (said).
async function _exportSaveHtmlPage(base, file, html) {
  const saved = await _exportWriteProjectFile(base, file, '\uFEFF' + html, 'text/plain; charset=utf-8');
  if (!saved) {
    showToast(t('toast.exportSaveError'), 'error');
    return false;
  }
  const missing = await _exportCopyAssets(base, html);
  if (missing.length) {
    console.error('[export] files the page loads could not be copied: ' + missing.join(', '));
    showToast(t('toast.exportAssetsMissing', { count: missing.length }), 'error', 6000);
    return false;
  }
  showToast(t('toast.exportSaved', { name: file }), 'success', 4000);
  return true;
}

// The page saved at once, without the dialog.
async function exportHtmlPage() {
  const base = _exportSaveName();
  const file = base + '.html';
  let html;
  try {
    html = await buildExportHTML('html', null, localStorage.getItem('quorlin_include_debug') === '1');
  } catch (e) {
    console.error('[export] the page could not be built:', e);
    showToast(t('toast.exportSaveError'), 'error');
    return false;
  }
  if (!_qlHasHost()) {
    _qlDownloadText(file, '\uFEFF' + html, 'text/html;charset=utf-8');
    showToast(t('toast.exportDownloaded', { name: file }), 'success');
    return true;
  }
  if (!await _exportSaveHtmlPage(base, file, html)) return false;
  _qlSendToHost('export_html', file);
  return true;
}
