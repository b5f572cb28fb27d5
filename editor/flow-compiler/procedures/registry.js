// Where the UI procedures' bodies and the helpers they share are kept. Each body is a real function in
// a family file (procedures/*.js), so the page's own parser checks it and tests can call it; the
// catalogue takes each function's source text as the entry's jsBody, and the script shim writes that
// text back as a window function. A body may use only its parameters, the shim's helpers and page
// globals that every page running the shim has (document, window, the runtimes it tests for).
// Provides: _UI_PROCEDURE_BODIES, _QL_SHIM_HELPERS, _qlDefineProcedureBodies, _qlDefineShimHelpers,
//   _qlFunctionParams, _qlFunctionBody, _qlWindowFunctionText, _qlWindowFunction

// pb -> the function whose body becomes the procedure (its parameters: g, then the entry's inputs).
var _UI_PROCEDURE_BODIES = Object.create(null);
// helper name -> function, in the order the shim writes them (before the procedures).
var _QL_SHIM_HELPERS = Object.create(null);

function _qlDefineInto(store, table, what) {
  for (const [name, fn] of Object.entries(table)) {
    if (typeof fn !== 'function') throw new Error(what + ' ' + name + ' is not a function');
    if (Object.prototype.hasOwnProperty.call(store, name)) throw new Error(what + ' ' + name + ' is defined twice');
    store[name] = fn;
  }
}

function _qlDefineProcedureBodies(table) {
  _qlDefineInto(_UI_PROCEDURE_BODIES, table, 'procedure');
}

function _qlDefineShimHelpers(table) {
  _qlDefineInto(_QL_SHIM_HELPERS, table, 'shim helper');
}

// The parameter names of a function written as `function (a, b) { ... }` (plain names only).
function _qlFunctionParams(fn) {
  const src = String(fn);
  const open = src.indexOf('(');
  const close = src.indexOf(')', open);
  return src.slice(open + 1, close).split(',').map((p) => p.trim()).filter(Boolean);
}

// The text between the braces of such a function, without its first line break and with the common
// indentation of the family file taken off, so the shim's text reads like hand-written script.
function _qlFunctionBody(fn) {
  const src = String(fn);
  const open = src.indexOf('{', src.indexOf(')'));
  const lines = src.slice(open + 1, src.lastIndexOf('}')).replace(/^[ \t]*\n/, '').replace(/\s+$/, '').split('\n');
  const indents = lines.filter((l) => l.trim()).map((l) => l.match(/^[ \t]*/)[0].length);
  const cut = indents.length ? Math.min(...indents) : 0;
  return lines.map((l) => l.slice(Math.min(cut, l.match(/^[ \t]*/)[0].length))).join('\n');
}

// "window.name = function (params) {", the body indented by two spaces, "};".
function _qlWindowFunctionText(name, params, body) {
  return 'window.' + name + ' = function (' + params.join(', ') + ') {\n' + body.replace(/^(?=.)/gm, '  ') + '\n};';
}

// A function of a family file written back as a window function of the shim.
function _qlWindowFunction(name, fn) {
  return _qlWindowFunctionText(name, _qlFunctionParams(fn), _qlFunctionBody(fn));
}
