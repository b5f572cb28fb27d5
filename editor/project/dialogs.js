// The project confirmations, built on demand with the fixed ids other parts and tests look for:
// "confirm-load-project-modal", "confirm-close-project-modal", "confirm-delete-project-modal",
// "confirm-delete-from-picker-modal", "confirm-rename-from-picker-modal" (with "input-rename-project").
// Cancel, Escape or a press on the backdrop hides the dialog; confirm hides it and runs the action.
// Provides: _qlConfirmProject, _qlHideConfirm, _pendingConfirmAction, _runPendingConfirm.
// Needs: t.

var _pendingConfirmAction = null;

function _qlHideConfirm(id) {
  document.getElementById(id)?.remove();
}

// keys: {title, body, confirm}; opts.input: initial text of an input the action receives; opts.danger.
function _qlConfirmProject(id, keys, action, opts = {}) {
  _qlHideConfirm(id);
  const modal = document.createElement('div');
  modal.id = id;
  modal.className = 'ql-dialog-backdrop ql-dialog-top';
  const card = document.createElement('div');
  card.className = 'ql-dialog-card';
  card.setAttribute('role', 'dialog');
  card.setAttribute('aria-modal', 'true');
  const title = document.createElement('h2');
  title.id = id + '-title';
  title.textContent = t(keys.title, opts.vars);
  card.setAttribute('aria-labelledby', title.id);
  const body = document.createElement('p');
  body.className = 'ql-dialog-body';
  body.textContent = t(keys.body, opts.vars);
  card.append(title, body);
  let input = null;
  if (opts.input !== undefined) {
    input = document.createElement('input');
    input.id = 'input-rename-project';
    input.className = 'ql-input';
    input.type = 'text';
    input.value = opts.input;
    card.appendChild(input);
  }
  const buttons = document.createElement('div');
  buttons.className = 'ql-dialog-buttons';
  const cancel = document.createElement('button');
  cancel.type = 'button';
  cancel.className = 'ql-btn';
  cancel.dataset.role = 'cancel';
  cancel.textContent = t('modal.projectCancel');
  const ok = document.createElement('button');
  ok.type = 'button';
  ok.className = 'ql-btn ' + (opts.danger ? 'ql-btn-danger' : 'ql-btn-primary');
  ok.dataset.role = 'confirm';
  ok.textContent = t(keys.confirm, opts.vars);
  buttons.append(cancel, ok);
  card.appendChild(buttons);
  modal.appendChild(card);
  const hide = () => {
    document.removeEventListener('keydown', onKey, true);
    modal.remove();
  };
  const run = () => {
    const value = input ? input.value : undefined;
    hide();
    action(value);
  };
  const onKey = (e) => {
    if (e.key === 'Escape') { e.stopPropagation(); hide(); }
    else if (e.key === 'Enter' && input && document.activeElement === input) { e.preventDefault(); run(); }
  };
  cancel.addEventListener('click', hide);
  ok.addEventListener('click', run);
  modal.addEventListener('mousedown', (e) => { if (e.target === modal) hide(); });
  document.addEventListener('keydown', onKey, true);
  document.body.appendChild(modal);
  (input || ok).focus();
  return modal;
}

function _runPendingConfirm() {
  const action = _pendingConfirmAction;
  _pendingConfirmAction = null;
  if (typeof action === 'function') action();
}
