// The pending table: every page name that a control, a hook call or a contract header uses while no
// code defines it yet. _qlCallIfDefined answers a row instead of the missing function.
// Provides: QL_PENDING
//
// How to use it:
// - A control (markup on* handler, data-ql-call, or a call made because the user did something) whose
//   function is not built: add `name: 'pending.<feature>'`; the key is the translated notice
//   "... is not available yet", in all seven Locale/*.json files.
// - A hook, or a global, that a later part of the editor will provide: add `name: null`; calls to it do
//   nothing until it is built.
// - When you build a name, delete its row: tests/page/contracts.test.mjs fails on a row whose name is
//   defined, on a handler or hook name that is neither defined nor here, and on a notice key that a
//   locale file lacks. The table is empty when the editor is complete.

var QL_PENDING = {
  // Controls: the user is told the feature is not there yet (none today).

  // Hooks and globals of parts not built yet: silent until they are.
  // Flow editor and flow runtime.
  _flowWindowSync: null,
  _qlNativeRequest: null,
  // Media, export, older documents and the outside compiler.
  _exportWrapper: null,
  _usedLocalFonts: null,
  sendToPB: null,
  setQuorlinTheme: null,
};
