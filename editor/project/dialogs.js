// The project confirmations, built on demand with the fixed ids other parts and tests look for:
// "confirm-load-project-modal", "confirm-close-project-modal", "confirm-delete-project-modal",
// "confirm-delete-from-picker-modal", "confirm-rename-from-picker-modal" (with "input-rename-project").
// Cancel, Escape or a press on the backdrop hides the dialog; confirm hides it and runs the action.
// Provides: _qlConfirmProject, _qlHideConfirm, _pendingConfirmAction, _runPendingConfirm
// Needs: _qlDialogButton, _qlDialogShell, t

var _pendingConfirmAction = null;

function _qlHideConfirm(id) {
  document.getElementById(id)?.remove();
}

// keys: {title, body, confirm}; opts.input: initial text of an input the action receives (opts.inputId
// names it, "input-rename-project" by default); opts.danger; opts.keepOpen: the dialog stays while the
// action answers false (a value it refused).
function _qlConfirmProject(id, keys, action, opts = {}) {
  _qlHideConfirm(id);
  const { modal, card } = _qlDialogShell(id);
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
    input.id = opts.inputId || 'input-rename-project';
    input.className = 'ql-input';
    input.type = 'text';
    input.value = opts.input;
    card.appendChild(input);
  }
  const buttons = document.createElement('div');
  buttons.className = 'ql-dialog-buttons';
  const cancel = _qlDialogButton(t('modal.projectCancel'));
  cancel.dataset.role = 'cancel';
  const ok = _qlDialogButton(t(keys.confirm, opts.vars), 'ql-btn ' + (opts.danger ? 'ql-btn-danger' : 'ql-btn-primary'));
  ok.dataset.role = 'confirm';
  buttons.append(cancel, ok);
  card.appendChild(buttons);
  const hide = () => {
    document.removeEventListener('keydown', onKey, true);
    modal.remove();
  };
  const run = () => {
    const value = input ? input.value : undefined;
    if (opts.keepOpen) {
      if (action(value) !== false) hide();
      return;
    }
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
