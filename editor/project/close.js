// The question the host asks when the user closes the editor window: one overlay "_pb_close_modal",
// above everything; confirming answers confirm_close "yes", cancelling just removes it.
// Provides: _pbConfirmClose. Needs: t (editor/shell/i18n.js), _qlSendToHost (editor/shell/hooks.js).

function _pbCloseModalRemove() {
  document.getElementById('_pb_close_modal')?.remove();
}

function _pbConfirmClose() {
  if (document.getElementById('_pb_close_modal')) return;
  const modal = document.createElement('div');
  modal.id = '_pb_close_modal';
  modal.className = 'ql-dialog-backdrop ql-dialog-top';
  const card = document.createElement('div');
  card.className = 'ql-dialog-card';
  card.setAttribute('role', 'alertdialog');
  card.setAttribute('aria-modal', 'true');
  const body = document.createElement('p');
  body.id = '_pb_close_body';
  body.className = 'ql-dialog-body';
  body.textContent = t('modal.confirmClose.body');
  card.setAttribute('aria-labelledby', body.id);
  const buttons = document.createElement('div');
  buttons.className = 'ql-dialog-buttons';
  const cancel = document.createElement('button');
  cancel.type = 'button';
  cancel.id = '_pb_close_cancel';
  cancel.className = 'ql-btn';
  cancel.textContent = t('modal.confirmClose.cancel');
  const confirm = document.createElement('button');
  confirm.type = 'button';
  confirm.id = '_pb_close_confirm';
  confirm.className = 'ql-btn ql-btn-danger';
  confirm.textContent = t('modal.confirmClose.confirm');
  buttons.append(cancel, confirm);
  card.append(body, buttons);
  modal.appendChild(card);

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
window._pbConfirmClose = _pbConfirmClose;
