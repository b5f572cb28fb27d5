// First script of the page, run before anything is drawn: the light theme class from storage (no dark
// flash), and a question before any unload, so that nothing reloads the editor and loses the design.
// The black cover "tw-blocker" in the markup stays until the utility-class engine is ready (libs.js).
// Provides: _twBlockerReady
var _twBlockerReady = false;

(function () {
  try {
    if (localStorage.getItem('quorlin_editor_theme') === 'light') document.documentElement.classList.add('theme-light');
  } catch (e) { /* no storage: the dark theme */ }
  window.addEventListener('beforeunload', (e) => {
    e.preventDefault();
    e.returnValue = '';
  });
})();
