// The project picker the host opens with the projects it found: open, rename and delete per row,
// keyboard moves, thumbnails fetched per row, and the projects-folder button.
// Provides: _showProjectPicker, _closeProjectPicker, _qlRenameProject, _executeRenameFromPicker,
//   _executeDeleteFromPicker, _qlPickerAsk
// Needs: _deleteFromPickerItem, _deleteFromPickerName, _qlConfirmProject, _qlDialogButton, _qlDialogShell,
//   _qlHostFetch, _qlResyncName, _qlRoute, _qlSendToHost, _qlSetOpenProjectName, _renameFromPickerItem,
//   _renameFromPickerName, currentProjectName, showToast, t
// Calls: _qlDeleteOnHost, changeProjectsFolder, executeCloseProject

function _closeProjectPicker() {
  document.getElementById('_pb_picker_modal')?.remove();
}

function _qlPickerRows(modal) {
  return [...modal.querySelectorAll('._proj-item')];
}

function _qlPickerSelect(modal, row) {
  for (const r of _qlPickerRows(modal)) r.classList.toggle('ql-picker-selected', r === row);
  row?.scrollIntoView?.({ block: 'nearest' });
}

function _qlPickerEmpty(list) {
  const empty = document.createElement('div');
  empty.className = 'ql-picker-empty';
  empty.textContent = t('project.noProjects');
  list.appendChild(empty);
}

function _qlPickerOpen(name) {
  _closeProjectPicker();
  _qlSendToHost('load_project', name);
}

function _qlPickerButton(cls, icon, titleKey) {
  const b = document.createElement('button');
  b.type = 'button';
  b.className = 'ql-btn ql-btn-icon ' + cls;
  b.title = t(titleKey);
  const i = document.createElement('i');
  i.className = 'ph ' + icon;
  b.appendChild(i);
  return b;
}

// The row commands of the picker: each remembers its project and row, asks first, then runs.
var _QL_PICKER_ASK = {
  rename: {
    modal: 'confirm-rename-from-picker-modal',
    keys: { title: 'modal.renameProject.title', body: 'modal.renameProject.body', confirm: 'modal.renameProject.confirm' },
    remember: (name, row) => { _renameFromPickerName = name; _renameFromPickerItem = row; },
    run: (value) => _executeRenameFromPicker(value), opts: (name) => ({ input: name }),
  },
  delete: {
    modal: 'confirm-delete-from-picker-modal',
    keys: { title: 'modal.deleteProject.title', body: 'modal.deleteProject.body', confirm: 'modal.deleteProject.confirm' },
    remember: (name, row) => { _deleteFromPickerName = name; _deleteFromPickerItem = row; },
    run: () => _executeDeleteFromPicker(), opts: () => ({ danger: true }),
  },
};

// A row's rename or delete button: the question about the row's project (its current name).
function _qlPickerAsk(e, command, row) {
  e.stopPropagation();
  const ask = _QL_PICKER_ASK[command];
  const name = row.dataset.project;
  ask.remember(name, row);
  _qlConfirmProject(ask.modal, ask.keys, ask.run, { ...ask.opts(name), vars: { name } });
}

function _qlPickerRow(modal, name) {
  const row = document.createElement('div');
  row.className = '_proj-item ql-picker-row';
  row.dataset.project = name;
  const open = document.createElement('button');
  open.type = 'button';
  open.className = 'ql-picker-open';
  const img = document.createElement('img');
  img.className = 'ql-picker-thumb';
  img.alt = '';
  const label = document.createElement('span');
  label.className = 'ql-picker-name';
  label.textContent = name;
  open.append(img, label);
  const rename = _qlPickerButton('ql-picker-rename', 'ph-pencil-simple', 'project.renameTitle');
  const del = _qlPickerButton('ql-picker-delete', 'ph-trash', 'project.deleteTitle');
  row.append(open, rename, del);
  open.addEventListener('click', () => _qlPickerOpen(row.dataset.project));
  rename.addEventListener('click', (e) => _qlPickerAsk(e, 'rename', row));
  del.addEventListener('click', (e) => _qlPickerAsk(e, 'delete', row));
  row.addEventListener('mouseenter', () => _qlPickerSelect(modal, row));
  _qlPickerThumb(img, name);
  return row;
}

async function _qlPickerThumb(img, name) {
  try {
    const reply = await _qlHostFetch(_qlRoute('thumb/', name) + '?t=' + Date.now());
    if (reply.status < 200 || reply.status >= 300) return;
    const blob = await reply.blob();
    img.src = URL.createObjectURL(blob);
  } catch (e) {
    // The placeholder stays.
  }
}

function _showProjectPicker(projects) {
  document.getElementById('_pb_loading_overlay')?.remove();
  _closeProjectPicker();
  const names = (Array.isArray(projects) ? projects : [])
    .map((p) => (p && typeof p === 'object' ? p.name : p))
    .filter((n) => typeof n === 'string' && n);
  const { modal, card } = _qlDialogShell('_pb_picker_modal', { cardClass: 'ql-picker' });
  const header = document.createElement('div');
  header.className = 'ql-picker-header';
  const title = document.createElement('h2');
  title.textContent = t('project.pickerTitle');
  const folder = _qlDialogButton(t('project.projectsFolderBtn'), 'ql-btn', '_pb_picker_change_folder');
  const close = _qlPickerButton('', 'ph-x', 'project.pickerClose');
  close.id = '_pb_picker_close';
  header.append(title, folder, close);
  const list = document.createElement('div');
  list.className = 'ql-picker-list';
  card.append(header, list);
  for (const name of names) list.appendChild(_qlPickerRow(modal, name));
  if (!names.length) _qlPickerEmpty(list);

  const onKey = (e) => {
    if (!document.body.contains(modal)) return document.removeEventListener('keydown', onKey, true);
    if (document.querySelector('#confirm-rename-from-picker-modal, #confirm-delete-from-picker-modal')) return;
    const rows = _qlPickerRows(modal);
    const at = rows.findIndex((r) => r.classList.contains('ql-picker-selected'));
    if (e.key === 'Escape') {
      e.stopPropagation();
      _closeProjectPicker();
    } else if (e.key === 'ArrowDown' || e.key === 'ArrowUp') {
      e.preventDefault();
      const next = Math.max(0, Math.min(rows.length - 1, at + (e.key === 'ArrowDown' ? 1 : -1)));
      if (rows[next]) _qlPickerSelect(modal, rows[next]);
    } else if ((e.key === 'Enter' || e.key === ' ') && rows[at]) {
      e.preventDefault();
      _qlPickerOpen(rows[at].dataset.project);
    }
  };
  document.addEventListener('keydown', onKey, true);
  folder.addEventListener('click', () => {
    _closeProjectPicker();
    changeProjectsFolder();
  });
  close.addEventListener('click', _closeProjectPicker);
  modal.addEventListener('mousedown', (e) => { if (e.target === modal) _closeProjectPicker(); });
  document.body.appendChild(modal);
  const first = _qlPickerRows(modal)[0];
  if (first) _qlPickerSelect(modal, first);
}

// Renames a project on the host: nothing when a name is empty or both are equal; the host's refusal
// or a failed request is told. When the open project is the one renamed, the page and the host follow
// it to its new name (the host's answer is taken as a confirmation, not loaded again). True when renamed.
async function _qlRenameProject(oldName, value) {
  const newName = String(value ?? '').trim();
  if (!oldName || !newName || oldName === newName) return false;
  let reply;
  try {
    reply = await _qlHostFetch(_qlRoute('rename/', oldName, newName), { method: 'POST' });
  } catch (e) {
    showToast(t('toast.errorRenameProject'), 'error', 3000);
    return false;
  }
  if (reply.status < 200 || reply.status >= 300) {
    const msg = await reply.text().catch(() => '');
    showToast(t('toast.errorRename', { msg }), 'error', 4000);
    return false;
  }
  if (currentProjectName === oldName) {
    _qlSetOpenProjectName(newName);
    _qlResyncName = newName;
    _qlSendToHost('load_project', newName);
  }
  showToast(t('toast.projectRenamed', { name: newName }), 'success', 3000);
  return true;
}

async function _executeRenameFromPicker(value) {
  const row = _renameFromPickerItem;
  const newName = String(value === undefined ? document.getElementById('input-rename-project')?.value || '' : value).trim();
  const renamed = await _qlRenameProject(_renameFromPickerName, newName);
  if (renamed && row) {
    row.dataset.project = newName;
    const label = row.querySelector('.ql-picker-name');
    if (label) label.textContent = newName;
  }
  return renamed;
}

async function _executeDeleteFromPicker() {
  const name = _deleteFromPickerName;
  const row = _deleteFromPickerItem;
  if (!name) return false;
  const gone = await _qlDeleteOnHost(name);
  if (!gone) return false;
  if (name === currentProjectName) executeCloseProject();
  const list = row && row.parentElement;
  row?.remove();
  if (list && !list.querySelector('._proj-item')) _qlPickerEmpty(list);
  return true;
}
