// The start page's script: tells the host the page is ready and takes what the host pushes into it
// (version, last project, zoom, the close question). Provides setQuorlinVersion, showUpdateAlert,
// _onLastProject, _onZoomChange, _pbConfirmClose and _loadProjectFromCLI; needs pb_event from the host.
(function () {
  'use strict';

  function send(type, value) {
    if (typeof window.pb_event !== 'function') return;
    window.pb_event({ id: 'quorlin', type: type, value: value === undefined ? '' : String(value) });
  }

  window.setQuorlinVersion = function (version, build) {
    window._quorlinVersion = { version: String(version), build: String(build) };
    var el = document.getElementById('ql-version');
    el.textContent = 'Version ' + version + ' (build ' + build + ')';
    el.dataset.version = version;
  };

  window.showUpdateAlert = function (version, url) {
    window._quorlinUpdate = { version: String(version), url: String(url) };
    window.alert('Quorlin ' + version + ' is available.\n' + url);
  };

  window._onLastProject = function (name) {
    window._quorlinLastProject = String(name);
  };

  window._onZoomChange = function (zoom) {
    window._quorlinZoom = String(zoom);
  };

  window._loadProjectFromCLI = function () {
    window._quorlinCliProject = { name: window._cliProjectName, document: window._cliProjectJson };
  };

  // The host's close button only asks; the answer goes back as confirm_close.
  var confirmOpen = false;
  window._pbConfirmClose = function () {
    if (confirmOpen) return;
    confirmOpen = true;
    var modal = document.getElementById('ql-confirm-close');
    modal.hidden = false;
    document.getElementById('ql-confirm-close-yes').focus();
  };
  function answerClose(yes) {
    document.getElementById('ql-confirm-close').hidden = true;
    confirmOpen = false;
    if (yes) send('confirm_close', 'yes');
  }
  document.getElementById('ql-confirm-close-yes').addEventListener('click', function () { answerClose(true); });
  document.getElementById('ql-confirm-close-no').addEventListener('click', function () { answerClose(false); });

  document.getElementById('ql-status').textContent = typeof window.pb_event === 'function' ? 'Ready' : 'No host';
  send('page_ready');
})();
