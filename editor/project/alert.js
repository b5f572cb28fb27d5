// pb_alert: the host's alert box. Its text may come from outside (update notices, archive errors),
// so it is placed as text nodes, and only http and https addresses become links.
// Provides: pb_alert
// Needs: _qlDialogButton, _qlDialogShell, t

var _QL_ALERT_ICONS = {
  info: ['ph-info', '#60a5fa'], success: ['ph-check-circle', '#34d399'],
  warning: ['ph-warning', '#fbbf24'], error: ['ph-x-circle', '#f87171'],
};

// Text with line breaks and links, built from nodes only.
function _qlAlertMessage(target, message) {
  const lines = String(message === undefined || message === null ? '' : message).split(/\r\n|\r|\n/);
  lines.forEach((line, i) => {
    if (i) target.appendChild(document.createElement('br'));
    let last = 0;
    for (const m of line.matchAll(/https?:\/\/[^\s<>"']+/g)) {
      if (m.index > last) target.appendChild(document.createTextNode(line.slice(last, m.index)));
      const a = document.createElement('a');
      a.href = m[0];
      a.target = '_blank';
      a.rel = 'noopener noreferrer';
      a.textContent = m[0];
      target.appendChild(a);
      last = m.index + m[0].length;
    }
    if (last < line.length) target.appendChild(document.createTextNode(line.slice(last)));
  });
}

function pb_alert(message, type, autoCloseMs, showButton) {
  document.getElementById('_pb_alert_modal')?.remove();
  const [icon, colour] = _QL_ALERT_ICONS[type] || _QL_ALERT_ICONS.info;
  const ms = Number(autoCloseMs) > 0 ? Number(autoCloseMs) : 0;
  const { modal, card } = _qlDialogShell('_pb_alert_modal', { role: 'alertdialog', ariaModal: false });
  const i = document.createElement('i');
  i.className = 'ph ' + icon + ' ql-alert-icon';
  i.style.color = colour;
  const text = document.createElement('p');
  text.className = 'ql-dialog-body ql-alert-text';
  _qlAlertMessage(text, message);
  card.append(i, text);
  const close = () => modal.remove();
  if (!ms || showButton) {
    const buttons = document.createElement('div');
    buttons.className = 'ql-dialog-buttons';
    const ok = _qlDialogButton(t('modal.alertOk'), 'ql-btn ql-btn-primary');
    ok.addEventListener('click', close);
    buttons.appendChild(ok);
    card.appendChild(buttons);
  }
  if (ms) {
    const bar = document.createElement('div');
    bar.className = 'ql-alert-bar';
    bar.style.cssText = 'height:3px;background:' + colour + ';width:100%;transition:width ' + ms + 'ms linear';
    card.appendChild(bar);
    requestAnimationFrame(() => { bar.style.width = '0%'; });
    setTimeout(close, ms);
  } else {
    modal.addEventListener('mousedown', (e) => { if (e.target === modal) close(); });
  }
  document.body.appendChild(modal);
  return modal;
}
