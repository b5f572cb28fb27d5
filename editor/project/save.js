// Saving the open project: under the host a POST of the whole document to "save/", after which the
// canvas's thumbnail is taken once the editor is idle (thumbnail.js); without a host the browser's
// save picker or a download.
// The save always targets the open project (the name field renames it: name-field.js). The project
// counts as saved only when the host confirmed the write and nothing was edited after the document was
// taken.
// Provides: saveProject, _qlSaveDocument, _qlResyncName, _qlDownloadText, _qlSaveWithoutHost
// Needs: _clearDirty, _qlCallIfDefined, _qlEditCount, _qlHasHost, _qlHostFetch, _qlRoute, _qlScheduleThumbnail,
//   buildNoHostProjectDocument, buildProjectDocument,
//   currentProjectName, elements, showToast, t
// Calls: _projectDirHandle, copySessionImagesToProject

// A project name whose staged document the host is about to announce only to follow the page.
var _qlResyncName = '';

var _QL_SAVING_TOAST_MAX_MS = 5000;

// POSTs one document text under `name`; resolves {ok, status, text} (status 0 on a network failure).
async function _qlSaveDocument(name, text) {
  try {
    const reply = await _qlHostFetch(_qlRoute('save/', name), {
      method: 'POST',
      headers: { 'Content-Type': 'application/json; charset=utf-8' },
      body: text,
    });
    const body = await reply.text().catch(() => '');
    return { ok: reply.status >= 200 && reply.status < 300, status: reply.status, text: body };
  } catch (e) {
    return { ok: false, status: 0, text: String(e && e.message || e) };
  }
}

function _qlSaveFailureToast(result) {
  if (result.status === 0) showToast(t('toast.projectSaveError'), 'error', 5000);
  else showToast(t('toast.projectSaveErrorStatus', { status: result.status, msg: result.text || '' }), 'error', 6000);
}

// Resolves true when the document reached the disk.
async function saveProject(options) {
  const silent = Boolean(options && options.silent);
  if (!currentProjectName) return false;
  if (!_qlHasHost()) return _qlSaveWithoutHost(currentProjectName);
  const name = currentProjectName;
  const dismiss = silent ? null : showToast(t('toast.saving'), 'info', 0, { centered: true });
  const timer = dismiss ? setTimeout(dismiss, _QL_SAVING_TOAST_MAX_MS) : null;
  _qlCallIfDefined('copySessionImagesToProject');
  const generation = _qlEditCount();
  const result = await _qlSaveDocument(name, JSON.stringify(buildProjectDocument()));
  if (timer !== null) clearTimeout(timer);
  if (dismiss) dismiss();
  if (!result.ok) {
    _qlSaveFailureToast(result);
    return false;
  }
  if (_qlEditCount() === generation) _clearDirty();
  showToast(t(silent ? 'toast.autoSaved' : 'toast.projectSaved'), 'success');
  _qlScheduleThumbnail(name);
  return true;
}

function _qlDownloadText(fileName, text, type = 'application/json') {
  const blob = new Blob([text], { type });
  const a = document.createElement('a');
  a.href = URL.createObjectURL(blob);
  a.download = fileName;
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 1000);
}

// Without a host: the browser's save picker, else a download. Resolves true when written.
async function _qlSaveWithoutHost(name, noHostShape) {
  const generation = _qlEditCount();
  const text = JSON.stringify(noHostShape ? buildNoHostProjectDocument() : buildProjectDocument());
  if (typeof window.showSaveFilePicker === 'function') {
    try {
      const handle = await window.showSaveFilePicker({
        suggestedName: name + '.qui',
        types: [{ description: t('project.fileType'), accept: { 'application/json': ['.qui'] } }],
        startIn: (typeof _projectDirHandle !== 'undefined' && _projectDirHandle) || 'documents',
      });
      const writable = await handle.createWritable();
      await writable.write(text);
      await writable.close();
      if (_qlEditCount() === generation) _clearDirty();
      showToast(t('toast.projectSavedOk'), 'success');
      return handle.name ? String(handle.name) : true;
    } catch (e) {
      if (e && e.name === 'AbortError') return false;
    }
  }
  _qlDownloadText(name + '.qui', text);
  if (_qlEditCount() === generation) _clearDirty();
  showToast(t('toast.projectSaved'), 'success');
  return true;
}
