// First script of the page, run before anything is drawn: the light theme class from storage (no dark
// flash), and a question before any unload, so that nothing reloads the editor and loses the design.
// _twBlockerReady tells that the frame's styles are in place (libs.js): they come from a style sheet
// made at build time, so the page needs no cover while an engine starts.
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
