// Notices: coloured toasts in "toast-container", a centred advisory, and the modal "working" overlay
// that holds off the pointer while a save runs. Messages are always shown as text, never as markup.
// Provides: showToast, showUpdateAlert, _lastToastDismiss
// Needs: t
// Calls: escapeHtml, pb_alert

var _lastToastDismiss = null;

var QL_TOAST_STYLES = {
  error: { cls: 'ql-toast-error', icon: 'ph-warning' },
  warning: { cls: 'ql-toast-warning', icon: 'ph-warning' },
  info: { cls: 'ql-toast-info', icon: 'ph-info' },
  success: { cls: 'ql-toast-success', icon: 'ph-check-circle' },
};

// The overlay stays at least this long, so that a quick save never lets the next click through.
var QL_OVERLAY_MIN_MS = 600;
// A press made under the overlay is given this long to end in its click.
var QL_OVERLAY_CLICK_WAIT_MS = 500;

function _qlToastBlock(message, type, extraClass) {
  const style = QL_TOAST_STYLES[type] || QL_TOAST_STYLES.success;
  const block = document.createElement('div');
  block.className = 'ql-toast ' + style.cls + (extraClass ? ' ' + extraClass : '');
  block.setAttribute('role', type === 'error' || type === 'warning' ? 'alert' : 'status');
  block.innerHTML = '<i class="ph ' + style.icon + ' ql-toast-icon" aria-hidden="true"></i>' +
    '<span class="ql-toast-text">' + escapeHtml(message) + '</span>';
  return block;
}

function _qlToastContainer() {
  let box = document.getElementById('toast-container');
  if (!box) {
    box = document.createElement('div');
    box.id = 'toast-container';
    document.body.appendChild(box);
  }
  return box;
}

// A remover that runs once and forgets itself as the latest dismiss.
function _qlOnce(remove) {
  let done = false;
  const dismiss = () => {
    if (done) return;
    done = true;
    if (_lastToastDismiss === dismiss) _lastToastDismiss = null;
    remove();
  };
  return dismiss;
}

// Working overlays may overlap (two saves in a row): the body's own pointer setting is remembered
// when the first appears and given back when the last one goes, never a "none" left by another overlay.
var _qlOverlays = { count: 0, bodyPointer: '', press: null, listening: false };

// One physical press fires pointerdown and mousedown: both belong to the same pending click.
function _qlOverlayPress() {
  if (!_qlOverlays.press) _qlOverlays.press = { waiters: [] };
}

function _qlOverlayClick() {
  const press = _qlOverlays.press;
  _qlOverlays.press = null;
  if (press) for (const wake of press.waiters) wake();
}

function _qlOverlayListen(on) {
  if (on === _qlOverlays.listening) return;
  _qlOverlays.listening = on;
  const method = on ? 'addEventListener' : 'removeEventListener';
  for (const type of ['mousedown', 'pointerdown', 'touchstart']) document[method](type, _qlOverlayPress, true);
  document[method]('click', _qlOverlayClick, true);
}

function _qlShowWorkingOverlay(message) {
  const overlay = document.createElement('div');
  overlay.className = 'ql-working-overlay';
  overlay.setAttribute('role', 'alertdialog');
  overlay.setAttribute('aria-busy', 'true');
  overlay.innerHTML = '<div class="ql-working-box"><div class="ql-spinner" aria-hidden="true"></div>' +
    '<div class="ql-working-text">' + escapeHtml(message) + '</div></div>';
  document.body.appendChild(overlay);
  if (_qlOverlays.count === 0) {
    _qlOverlays.bodyPointer = document.body.style.pointerEvents;
    _qlOverlays.press = null;
    _qlOverlayListen(true);
  }
  _qlOverlays.count++;
  document.body.style.pointerEvents = 'none';
  const shownAt = Date.now();

  const close = () => {
    overlay.remove();
    _qlOverlays.count--;
    if (_qlOverlays.count === 0) {
      document.body.style.pointerEvents = _qlOverlays.bodyPointer;
      _qlOverlays.press = null;
      _qlOverlayListen(false);
    }
  };
  return _qlOnce(() => {
    const press = _qlOverlays.press;
    if (press) {
      // The user is mid-click: wait for that click (or give up after a while), then go.
      let gone = false;
      const go = () => {
        if (gone) return;
        gone = true;
        close();
      };
      press.waiters.push(go);
      setTimeout(go, QL_OVERLAY_CLICK_WAIT_MS);
      return;
    }
    setTimeout(close, Math.max(0, QL_OVERLAY_MIN_MS - (Date.now() - shownAt)));
  });
}

function showToast(message, type = 'error', duration = 3000, options = {}) {
  const opts = options || {};
  let dismiss;
  if (opts.centered) {
    dismiss = _qlShowWorkingOverlay(message);
  } else if (opts.center) {
    const block = _qlToastBlock(message, type, 'ql-toast-center');
    document.body.appendChild(block);
    dismiss = _qlOnce(() => block.remove());
    if (duration > 0) setTimeout(dismiss, duration);
  } else {
    const block = _qlToastBlock(message, type);
    _qlToastContainer().appendChild(block);
    dismiss = _qlOnce(() => block.remove());
    if (duration > 0) setTimeout(dismiss, duration);
  }
  _lastToastDismiss = dismiss;
  return dismiss;
}

// Called by the host's update check.
function showUpdateAlert(version, url) {
  const message = t('toast.updateAvailable', { version, url });
  if (typeof window.pb_alert === 'function') window.pb_alert(message, 'info', 9000, true);
  else showToast(message, 'info', 9000);
}
