// The pieces every built-on-demand dialog shares: the backdrop over the whole editor with its card,
// and plain buttons. Callers add their own content, keys and behaviour.
// Provides: _qlDialogShell, _qlDialogButton

// A backdrop with the given id holding an empty card; not yet in the document.
function _qlDialogShell(id, { role = 'dialog', cardClass = '', ariaModal = true } = {}) {
  const modal = document.createElement('div');
  modal.id = id;
  modal.className = 'ql-dialog-backdrop ql-dialog-top';
  const card = document.createElement('div');
  card.className = cardClass ? 'ql-dialog-card ' + cardClass : 'ql-dialog-card';
  card.setAttribute('role', role);
  if (ariaModal) card.setAttribute('aria-modal', 'true');
  modal.appendChild(card);
  return { modal, card };
}

function _qlDialogButton(text, className = 'ql-btn', id = '') {
  const button = document.createElement('button');
  button.type = 'button';
  button.className = className;
  if (id) button.id = id;
  button.textContent = text;
  return button;
}
