// Debug trace for hosts in a debug mode: counters that instrumented functions update, posted as one line
// to the host's "/trace" every 500 ms. Nothing in the page starts it.
// Provides: _quorlinTraceStart, _quorlinTrace
// Needs: t

var QL_TRACE_EVERY_MS = 500;
// A post the host leaves unanswered is given up after this long, so it cannot hold a connection for ever.
var QL_TRACE_TIMEOUT_MS = 5000;

function _qlTraceLine(trace) {
  return 'JS t=' + Math.round(Date.now() - trace.t0) +
    ' renderCount=' + trace.renderCount + ' roCanvas=' + trace.roCanvas + ' roRot=' + trace.roRot +
    ' roFluid=' + trace.roFluid + ' parentIdDepth=' + trace.parentIdDepth +
    ' lastFunc=' + trace.lastFunc + ' lastId=' + trace.lastId;
}

// The counters, once the trace has started.
var _quorlinTrace = null;

function _quorlinTraceStart() {
  if (_quorlinTrace) return;
  const trace = { renderCount: 0, roCanvas: 0, roRot: 0, roFluid: 0, parentIdDepth: 0, lastFunc: '', lastId: '', t0: Date.now() };
  _quorlinTrace = trace;
  // One post in flight at most: a tick that finds the previous post unanswered skips its line, so
  // trace posts never take up the browser's few connections to the host that saves and assets need.
  let inFlight = false;
  setInterval(() => {
    if (inFlight) return;
    inFlight = true;
    const abort = new AbortController();
    const timer = setTimeout(() => abort.abort(), QL_TRACE_TIMEOUT_MS);
    const headers = { 'Content-Type': 'text/plain; charset=utf-8' };
    if (window._qlHostToken) headers['X-Quorlin-Token'] = window._qlHostToken;
    fetch('/trace', { method: 'POST', body: _qlTraceLine(trace), headers, signal: abort.signal })
      .catch(() => { /* a failed post is ignored */ })
      .finally(() => {
        clearTimeout(timer);
        inFlight = false;
      });
  }, QL_TRACE_EVERY_MS);
}
