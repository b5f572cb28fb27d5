// The two ways the shell reaches beyond itself: calling a page function that a later part of the editor
// provides (when it is there), and sending a message to the host.
// Provides: _qlCallIfDefined(name, ...args), _qlSendToHost(type, value, asArray). Needs: nothing.

// Calls the global function `name` when it exists; a failure is logged and does not stop the caller.
function _qlCallIfDefined(name, ...args) {
  const fn = window[name];
  if (typeof fn !== 'function') return undefined;
  try {
    return fn(...args);
  } catch (e) {
    console.error('[shell] ' + name + ' failed:', e);
    return undefined;
  }
}

// Every message to the host is {id: 'quorlin', type, value} with a text value, some wrapped in a
// one-element array; without a host (a plain browser) nothing is sent.
function _qlSendToHost(type, value = '', asArray = false) {
  if (typeof window.pb_event !== 'function') return false;
  const message = { id: 'quorlin', type, value: String(value) };
  try {
    window.pb_event(asArray ? [message] : message);
  } catch (e) {
    console.error('[bridge] ' + type + ' could not be sent:', e);
    return false;
  }
  return true;
}
