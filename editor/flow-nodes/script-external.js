// A script-code node edited in the outside code editor: the node's code is written to a file of the
// projects folder ("<project>.fnjs/<node id>.js") and the host starts the editor on it and watches it;
// each save there comes back through `_fnjsExternalSync` and replaces the node's code (the file on disk
// wins over edits made here meanwhile), also in an open inspector and an open code dialog. A report that
// names a file other than the open project's file of that node (another project was opened since, or
// the node is no script node now) changes nothing.
// Provides: openFunctionJSExternal, _fnjsExternalSync, _fnjsExternalError, _fnjsExternalPath, _fnjsExternalProject
// Needs: _flowEditor, _flowFindRecord, _flowCommitData, _flowInspectorHost, _fnjsModal, _fnjsRepaint,
//   checkFunctionJSSyntax, currentProjectName, saveHistoryState, showToast, t, _qlSendToHost
// Calls: _qlHasHost, _qlHostFetch

// The file of a node: {folder, file, subPath}. The project part keeps letters, digits, "_", "-", "." and
// blanks ("untitled" when nothing is left), the node part letters, digits, "_" and "-".
function _fnjsExternalPath(project, nodeId) {
  const base = String(project === undefined || project === null ? '' : project).replace(/[^\p{L}\p{N}_\-. ]/gu, '_').trim() || 'untitled';
  const folder = base + '.fnjs';
  const file = String(nodeId).replace(/[^A-Za-z0-9_-]/g, '_') + '.js';
  return { folder, file, subPath: folder + '/' + file };
}

// The open project's name as the name field shows it, else the one it was opened under.
function _fnjsExternalProject() {
  const input = document.getElementById('input-filename');
  const typed = input ? String(input.value || '').trim() : '';
  return typed || (typeof currentProjectName === 'string' ? currentProjectName : '');
}

function _fnjsExternalNotFound() {
  showToast(t('flow.functionjs.externalNotFound'), 'error', 5000);
}

async function openFunctionJSExternal(id) {
  const key = String(id);
  const node = _flowEditor ? _flowFindRecord(key) : null;
  if (!node) return;
  if (!_qlHasHost()) {
    _fnjsExternalNotFound();
    return;
  }
  const path = _fnjsExternalPath(_fnjsExternalProject(), key);
  const code = node.data && node.data.code !== undefined && node.data.code !== null ? String(node.data.code) : '';
  let reply;
  try {
    reply = await _qlHostFetch('save/' + encodeURIComponent(path.folder) + '/' + encodeURIComponent(path.file),
      { method: 'POST', headers: { 'Content-Type': 'text/plain; charset=utf-8' }, body: code });
  } catch (e) {
    showToast(t('toast.projectSaveErrorStatus', { status: 0, msg: String(e && e.message ? e.message : e) }), 'error', 6000);
    return;
  }
  if (!reply.ok) {
    let text = '';
    try { text = await reply.text(); } catch (e) { text = ''; }
    showToast(t('toast.projectSaveErrorStatus', { status: reply.status, msg: text }), 'error', 6000);
    return;
  }
  _qlSendToHost('open_external_editor', JSON.stringify({ subPath: path.subPath, nodeId: key }));
}

// Called by the host when no outside editor could be started.
function _fnjsExternalError() {
  _fnjsExternalNotFound();
}

// Called by the host after each save of the watched file: the node's id, the file's text and the file's
// path below the projects folder.
function _fnjsExternalSync(id, code, subPath) {
  const key = String(id);
  const node = _flowEditor ? _flowFindRecord(key) : null;
  if (!node || node.name !== 'FunctionJS') return;
  if (subPath !== _fnjsExternalPath(_fnjsExternalProject(), key).subPath) return;
  const text = String(code === undefined || code === null ? '' : code);
  const stored = node.data && node.data.code !== undefined && node.data.code !== null ? String(node.data.code) : '';
  if (stored !== text) {
    saveHistoryState();
    _flowCommitData(key, 'code', text);
  }
  // Text areas hold line breaks as LF: a file written with CR LF is the same text to them.
  const shown = text.replace(/\r\n?/g, '\n');
  const host = _flowInspectorHost();
  if (host && host.getAttribute('data-host-id') === key) {
    const area = host.querySelector('[data-flow-key="code"]');
    // Only shown: the code is stored already, and the field's own edit path would store it again as
    // another undo step (with its line breaks made LF).
    if (area && area.value !== shown) area.value = text;
  }
  if (_fnjsModal.nodeId === key) {
    const ta = document.getElementById('functionjs-modal-ta');
    if (ta && ta.value !== shown) {
      ta.value = text;
      _fnjsRepaint();
      checkFunctionJSSyntax();
    }
  }
}
