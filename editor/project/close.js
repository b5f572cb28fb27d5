// The question the host asks when the user closes the editor window: one overlay "_pb_close_modal",
// above everything; confirming answers confirm_close "yes", cancelling just removes it.
// Provides: _pbConfirmClose
// Needs: _qlDialogButton, _qlDialogShell, _qlSendToHost, t

function _pbCloseModalRemove() {
  document.getElementById('_pb_close_modal')?.remove();
}

function _pbConfirmClose() {
  if (document.getElementById('_pb_close_modal')) return;
  const { modal, card } = _qlDialogShell('_pb_close_modal', { role: 'alertdialog' });
  const body = document.createElement('p');
  body.id = '_pb_close_body';
  body.className = 'ql-dialog-body';
  body.textContent = t('modal.confirmClose.body');
  card.setAttribute('aria-labelledby', body.id);
  const buttons = document.createElement('div');
  buttons.className = 'ql-dialog-buttons';
  const cancel = _qlDialogButton(t('modal.confirmClose.cancel'), 'ql-btn', '_pb_close_cancel');
  const confirm = _qlDialogButton(t('modal.confirmClose.confirm'), 'ql-btn ql-btn-danger', '_pb_close_confirm');
  buttons.append(cancel, confirm);
  card.append(body, buttons);

  const onKey = (e) => {
    if (e.key !== 'Escape') return;
    e.stopPropagation();
    close();
  };
  const close = () => {
    document.removeEventListener('keydown', onKey, true);
    _pbCloseModalRemove();
  };
  cancel.addEventListener('click', close);
  confirm.addEventListener('click', () => {
    close();
    _qlSendToHost('confirm_close', 'yes');
  });
  modal.addEventListener('mousedown', (e) => {
    if (e.target === modal) close();
  });
  document.addEventListener('keydown', onKey, true);
  document.body.appendChild(modal);
  confirm.focus();
}
