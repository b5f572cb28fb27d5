// The parts of the editor that start-up does not use (the flow editor's panel and nodes, the timeline
// panel, the flow compiler, export and source generation) are left out of the start page: the build puts
// their scripts, in page order, into one file and leaves in their place only the names of their
// functions (_qlLater). Each name starts as a stand-in that, when called, runs all those scripts at once
// and then calls the real function; so a button, a key or the host that reaches one of them first works
// as before, only that once a little later. Once the editor is drawn they load in the background, a few
// milliseconds of them per task, so input is answered between them. The skeleton page loads every script
// itself: there nothing is left for later.
// Provides: _qlLater, _qlLoadLater, _qlLoadLaterSoon, _qlWhenLaterLoaded, _qlLaterLoaded
// Needs: _qlReportFailure

// True once every script of the page has run.
var _qlLaterLoaded = true;
var _qlLaterUrl = '';
// [[file, text], ...] once the file has arrived; _qlLaterNext is the first one not run yet.
var _qlLaterScripts = null;
var _qlLaterNext = 0;
var _qlLaterRunning = false;
var _qlLaterStarted = false;
var _qlLaterWaiting = [];

// Called by the start page where the first script left out stood: `url` holds the scripts, `names` the
// functions they declare.
function _qlLater(url, names) {
  _qlLaterUrl = url;
  _qlLaterLoaded = false;
  for (const name of names) {
    const standIn = function () {
      _qlLoadLater();
      const real = window[name];
      if (real === standIn) throw new Error(name + ' is called before its script has run');
      return new.target ? Reflect.construct(real, arguments) : real.apply(this, arguments);
    };
    window[name] = standIn;
  }
}

function _qlLaterFetchSync() {
  const request = new XMLHttpRequest();
  request.open('GET', _qlLaterUrl, false);
  request.send();
  if (request.status !== 200) throw new Error(_qlLaterUrl + ' answered ' + request.status);
  return JSON.parse(request.responseText);
}

// Runs the next script; an inline script runs as it is put in. Its failure is the page's error, as it
// would have been at start-up, and the next ones still run. The element and the text go once it has run.
function _qlLaterRunNext() {
  const [file, text] = _qlLaterScripts[_qlLaterNext];
  _qlLaterScripts[_qlLaterNext++] = null;
  const script = document.createElement('script');
  script.textContent = text + '\n//# sourceURL=/' + file + '\n';
  document.head.appendChild(script);
  script.remove();
}

function _qlLaterFinish() {
  _qlLaterLoaded = true;
  const waiting = _qlLaterWaiting;
  _qlLaterWaiting = [];
  for (const fn of waiting) {
    try {
      fn();
    } catch (e) {
      _qlReportFailure('after the later scripts', e);
    }
  }
}

// Runs scripts not run yet until none is left or the clock passes `until`; false while some are left.
function _qlLaterRunUntil(until) {
  _qlLaterRunning = true;
  try {
    while (_qlLaterNext < _qlLaterScripts.length) {
      _qlLaterRunNext();
      if (performance.now() >= until) break;
    }
  } finally {
    _qlLaterRunning = false;
  }
  return _qlLaterNext >= _qlLaterScripts.length;
}

// Runs every script not run yet, now. A script that calls one of the names at its top level before the
// script declaring it has run finds the stand-in, which then throws, as the name would have been
// undefined at that point of the full page.
function _qlLoadLater() {
  if (_qlLaterLoaded || _qlLaterRunning) return;
  if (!_qlLaterScripts) _qlLaterScripts = _qlLaterFetchSync();
  _qlLaterRunUntil(Infinity);
  _qlLaterFinish();
}

// Milliseconds of scripts run in one task of the background load, so input waits no longer than that.
var QL_LATER_SLICE_MS = 8;

// Loads the scripts in the background: the file, then a few milliseconds of scripts per task (a message
// to itself: timers that set timers are held back to 4 ms each).
function _qlLoadLaterSoon() {
  if (_qlLaterLoaded || _qlLaterStarted) return;
  _qlLaterStarted = true;
  const channel = new MessageChannel();
  const step = () => {
    if (_qlLaterLoaded) return;
    if (_qlLaterRunUntil(performance.now() + QL_LATER_SLICE_MS)) _qlLaterFinish();
    else channel.port2.postMessage(null);
  };
  channel.port1.onmessage = step;
  fetch(_qlLaterUrl)
    .then((reply) => (reply.ok ? reply.json() : Promise.reject(new Error(_qlLaterUrl + ' answered ' + reply.status))))
    .then((scripts) => {
      if (!_qlLaterScripts) _qlLaterScripts = scripts;
      step();
    })
    .catch((e) => {
      // A stand-in asks again when it is called.
      if (!_qlLaterLoaded) _qlReportFailure('loading ' + _qlLaterUrl, e);
    });
}

// Runs fn once every script has run: at once on a page that has nothing left for later.
function _qlWhenLaterLoaded(fn) {
  if (_qlLaterLoaded) fn();
  else _qlLaterWaiting.push(fn);
}
