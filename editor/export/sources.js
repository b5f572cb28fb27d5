// The editor's own code carried into exported pages from its one source. A runtime file that stands alone
// (the timeline's evaluator, the table and chart runtimes) travels as its file text: the start page holds
// each script inline (marked with its sourceURL line), else the file is asked for once and kept. Single
// functions and tables of editor files that also hold editor-only code travel as their own text
// (_exportValueText), so the page runs exactly what the editor runs.
// Provides: EXPORT_PAGE_SOURCES, _exportLoadSources, _exportSourceText, _exportValueText, _exportGlobalsText
// Needs: nothing

// The files exported pages may carry whole, relative to the program folder.
var EXPORT_PAGE_SOURCES = Object.freeze(['editor/timeline/evaluate.js', 'editor/canvas/grid-runtime.js', 'editor/canvas/chart-runtime.js']);
var _exportSourceCache = {};

function _exportInlineSource(rel) {
  const mark = '//# sourceURL=/' + rel;
  const scripts = document.getElementsByTagName('script');
  for (let i = 0; i < scripts.length; i++) {
    const text = scripts[i].src ? '' : scripts[i].textContent;
    const at = text ? text.lastIndexOf(mark) : -1;
    if (at !== -1 && !text.slice(at + mark.length).trim()) return text.slice(0, at);
  }
  return null;
}

// Resolves once every listed file's text is at hand (those that cannot be read are left out: the block
// that needs one fails where it is written).
async function _exportLoadSources(list) {
  for (const rel of list || EXPORT_PAGE_SOURCES) {
    if (Object.prototype.hasOwnProperty.call(_exportSourceCache, rel)) continue;
    const inline = _exportInlineSource(rel);
    if (inline !== null) {
      _exportSourceCache[rel] = inline;
      continue;
    }
    try {
      const reply = await fetch('/' + rel);
      if (reply.ok) _exportSourceCache[rel] = await reply.text();
    } catch (e) {
      // left out: reported by the block that needs it
    }
  }
}

function _exportSourceText(rel) {
  if (!Object.prototype.hasOwnProperty.call(_exportSourceCache, rel)) {
    const inline = _exportInlineSource(rel);
    if (inline === null) throw new Error('the page runtime "' + rel + '" could not be read');
    _exportSourceCache[rel] = inline;
  }
  return _exportSourceCache[rel];
}

// A value of the editor as script text: functions as their source, arrays and plain objects member by
// member, anything else as JSON (with "<" escaped).
function _exportValueText(value) {
  if (typeof value === 'function') return String(value);
  if (Array.isArray(value)) return '[' + value.map(_exportValueText).join(', ') + ']';
  if (value && typeof value === 'object') {
    return '{' + Object.keys(value).map(function (k) { return JSON.stringify(k) + ': ' + _exportValueText(value[k]); }).join(', ') + '}';
  }
  if (value === undefined) return 'undefined';
  return JSON.stringify(value).replace(/</g, '\\u003c');
}

// Declarations of the named editor globals: a function as itself, any other value as "var name = ...;".
function _exportGlobalsText(names) {
  return names.map(function (name) {
    const value = window[name];
    if (value === undefined) throw new Error('the editor has no "' + name + '" to carry into the page');
    return typeof value === 'function' && /^function\s/.test(String(value)) && value.name === name
      ? String(value) : 'var ' + name + ' = ' + _exportValueText(value) + ';';
  }).join('\n');
}
