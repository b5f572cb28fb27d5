// The version read-out that the host fills in, and the splash shown while the editor starts.
// Provides: setQuorlinVersion, openSplash, _isDebugMode, _splashGone
// Needs: _qlCallIfDefined, _qlSendToHost
// Calls: _clearDirty, _qlMaybeWelcome

var _isDebugMode = false;
var _splashGone = false;

var QL_SPLASH_SHOW_MS = 3000;
var QL_SPLASH_FADE_MS = 500;

// Called by the host once the page is ready: "1.2.0", "1646" -> "1.2.0 (build 1646)".
function setQuorlinVersion(version, build) {
  const text = String(version) + ' (build ' + String(build) + ')';
  _isDebugMode = String(version).toUpperCase().includes('DEBUG');
  for (const id of ['quorlin-version', 'splash-version']) {
    const out = document.getElementById(id);
    if (!out) continue;
    out.textContent = text;
    out.classList.toggle('debug-version', _isDebugMode);
  }
}

// Outside a debug build the console is quiet once the editor is up.
function _qlSilenceConsole() {
  if (_isDebugMode) return;
  const quiet = () => {};
  console.log = quiet;
  console.warn = quiet;
  console.error = quiet;
}

function openSplash() {
  const overlay = document.getElementById('splash-overlay');
  if (!overlay) {
    _qlSplashDone();
    return;
  }
  const version = document.getElementById('quorlin-version');
  const line = document.getElementById('splash-version');
  if (version && line) {
    line.textContent = version.textContent;
    line.classList.toggle('debug-version', version.classList.contains('debug-version'));
  }
  overlay.hidden = false;
  overlay.classList.remove('splash-out');
  overlay.classList.add('splash-in');
  setTimeout(() => {
    overlay.classList.add('splash-out');
    setTimeout(() => {
      overlay.hidden = true;
      _qlSplashDone();
    }, QL_SPLASH_FADE_MS);
  }, QL_SPLASH_SHOW_MS);
}

function _qlSplashDone() {
  _qlCallIfDefined('_clearDirty');
  window._splashGone = true;
  _qlMaybeWelcome();
  _qlSilenceConsole();
  _qlSendToHost('get_zoom', '', true);
}
