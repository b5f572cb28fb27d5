// The ways the page's parts reach each other and the host: calling a page function by name (built, or
// answered by the pending table when it is not built yet), reporting a failure that is not allowed to stop
// the caller, and sending a message to the host.
// Provides: _qlCallIfDefined, _qlReportFailure, _qlNotYet, _qlSendToHost, _qlStrict
// Calls: QL_PENDING, showToast, t

// The test harnesses set this before any script runs: a failure that the page only logs is then thrown,
// so that a broken or misspelt hook fails the test instead of passing unnoticed.
var _qlStrict = window._qlStrict === true;

// Logs a failure the caller goes on after; in tests it is thrown.
function _qlReportFailure(where, error) {
  console.error('[page] ' + where + ' failed:', error);
  if (_qlStrict) throw error;
}

// The notice of a feature that is not built yet (its key is a pending row's value). One user action may
// reach the same row twice (a double click is also two clicks): the notice shows once.
var _qlLastNotYet = { key: '', at: 0 };
var QL_NOT_YET_REPEAT_MS = 1000;

function _qlNotYet(noticeKey) {
  const now = Date.now();
  if (_qlLastNotYet.key === noticeKey && now - _qlLastNotYet.at < QL_NOT_YET_REPEAT_MS) return;
  _qlLastNotYet = { key: noticeKey, at: now };
  showToast(t(noticeKey), 'info', 3000);
}

// Calls the page function `name`. A name the page does not define yet has a row in QL_PENDING
// (editor/shell/pending.js): a control's row shows its "not available yet" notice, a hook's row does
// nothing. tests/page/contracts.test.mjs checks that every name called this way is defined or pending;
// one that is neither is only reported here (a test page may leave its part out). A failure of the
// function is logged and does not stop the caller (thrown in tests).
function _qlCallIfDefined(name, ...args) {
  const fn = window[name];
  if (typeof fn === 'function') {
    try {
      return fn(...args);
    } catch (e) {
      _qlReportFailure(name, e);
      return undefined;
    }
  }
  if (typeof QL_PENDING === 'object' && Object.prototype.hasOwnProperty.call(QL_PENDING, name)) {
    if (QL_PENDING[name]) _qlNotYet(QL_PENDING[name]);
    return undefined;
  }
  console.warn('[page] "' + name + '" is neither a page function nor a pending row');
  return undefined;
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
