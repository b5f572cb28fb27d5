// The page side of the host bridge for projects: one fetch helper for the host's routes, questions to
// the host that wait for an answering script or a time-out, and the answer functions the host calls.
// Provides: _QL_DIALOG_WAIT_MS, _QL_CHECK_WAIT_MS, _qlHasHost, _qlRoute, _qlHostFetch, _qlAskHost,
//   _qlProjectExists, _newProjectName, _checkNewResult
// Needs: _qlSendToHost

var _QL_DIALOG_WAIT_MS = 30000;
var _QL_CHECK_WAIT_MS = 5000;

// Routes that write, rename or list need the per-run secret the host puts into the page.
var _QL_TOKEN_ROUTES = /^(save\/|rename\/|preview|saveexe|saveasset\/|patchloadericon|listdir\/)/;

function _qlHasHost() {
  return typeof window.pb_event === 'function';
}

// A route path from its fixed head and its arguments, each argument encoded on its own.
function _qlRoute(head, ...args) {
  return head + args.map((a) => encodeURIComponent(String(a))).join('/');
}

// Every HTTP call of the project commands goes through here: same origin, token where needed.
function _qlHostFetch(route, init = {}) {
  const headers = Object.assign({}, init.headers || {});
  if (_QL_TOKEN_ROUTES.test(route) && window._qlHostToken) headers['X-Quorlin-Token'] = String(window._qlHostToken);
  return fetch('/' + route, Object.assign({}, init, { headers }));
}

// Sends a question and waits for the host's answer script, which calls the resolver kept in the
// global `slot`. Resolves {answered: true, value} or {answered: false} after `ms`; a late answer
// finds the slot emptied and is ignored.
function _qlAskHost(slot, type, value, ms) {
  return new Promise((resolve) => {
    let timer = null;
    const settle = (result) => {
      if (window[slot] !== resolver) return;
      window[slot] = null;
      clearTimeout(timer);
      resolve(result);
    };
    const resolver = (answer) => settle({ answered: true, value: answer });
    window[slot] = resolver;
    timer = setTimeout(() => settle({ answered: false }), ms);
    if (!_qlSendToHost(type, value)) settle({ answered: false });
  });
}

function _qlAnswerHost(slot, value) {
  const resolver = window[slot];
  if (typeof resolver === 'function') resolver(value);
}

function _newProjectName(answer) {
  const a = answer && typeof answer === 'object' ? answer : {};
  _qlAnswerHost('_newProjectNamePromise', { name: String(a.name || ''), cancelled: Boolean(a.cancelled) });
}

function _checkNewResult(projName, exists) {
  _qlAnswerHost('_checkNewResultPromise', { name: String(projName || ''), exists: exists === true || Number(exists) === 1 });
}

// Whether the project's document is on disk: true, false, or null when the host cannot tell.
async function _qlProjectExists(name) {
  try {
    const reply = await _qlHostFetch(_qlRoute('pexists/', name) + '?t=' + Date.now());
    if (reply.status === 200) return true;
    if (reply.status === 404) return false;
    return null;
  } catch (e) {
    return null;
  }
}
