// The script-code node's text, read without running it: `_functionJSTokenize` colours it for the code
// editor's layer (one pass, escaped markup), `checkFunctionJSIdentifiers` lists the names it uses that
// nothing declares or provides. Both are pure: no page element, no editor state (they run in plain node);
// the lint reads the procedure catalogue when the page has one, for the flow's own procedure names.
// Provides: _functionJSTokenize, checkFunctionJSIdentifiers, _FNJS_KEYWORDS, _fnjsKnownNames
// Calls: _UI_PROCEDURE_CATALOG

var _FNJS_KEYWORDS = new Set(('var let const function return if else for while do switch case break continue default new ' +
  'delete typeof instanceof in of class extends super this null undefined true false void yield async await try catch ' +
  'finally throw import export from as').split(' '));

// After these words a "/" begins a regular expression, as after an operator.
var _FNJS_REGEX_AFTER_WORDS = new Set('return typeof instanceof in of new delete void throw case do else yield await'.split(' '));

var _FNJS_KNOWN_BASE = ('if else for while do switch case default break continue return var let const function new delete ' +
  'typeof instanceof in of void this super class extends import export yield async await arguments try catch finally ' +
  'throw true false null undefined NaN Infinity ' +
  'Math JSON Object Array String Number Boolean Date RegExp Error Promise Map Set Symbol Proxy Reflect parseInt ' +
  'parseFloat isNaN isFinite encodeURIComponent decodeURIComponent encodeURI decodeURI structuredClone window document ' +
  'console navigator location history alert localStorage sessionStorage setTimeout setInterval clearTimeout ' +
  'clearInterval requestAnimationFrame cancelAnimationFrame performance fetch URL URLSearchParams Blob File FileReader ' +
  'FormData Image Audio CustomEvent Event MouseEvent KeyboardEvent getComputedStyle addEventListener ' +
  'removeEventListener dispatchEvent screen atob btoa crypto queueMicrotask AbortController TextEncoder TextDecoder CSS ' +
  'matchMedia scrollTo open close confirm prompt self top parent frames globalThis QuorlinFlow ' +
  // Script globals that pages use as often as those above.
  'Intl BigInt ArrayBuffer DataView Uint8Array Uint8ClampedArray Int8Array Uint16Array Int16Array Uint32Array ' +
  'Int32Array Float32Array Float64Array WeakMap WeakSet TypeError RangeError SyntaxError WebSocket AudioContext ' +
  'XMLHttpRequest DOMParser speechSynthesis SpeechSynthesisUtterance Notification HTMLElement Node ' +
  // Words that are keywords only where they stand (accessors and static members).
  'get set static').split(/\s+/);

// The known names: the words and globals above and, for every catalogue procedure "UI_x", both "UI_x" and
// "Flow_x" (the compiled flow defines both). Built once per catalogue.
var _fnjsKnownCache = { catalogue: null, names: null };

function _fnjsKnownNames() {
  const catalogue = typeof _UI_PROCEDURE_CATALOG !== 'undefined' && Array.isArray(_UI_PROCEDURE_CATALOG) ? _UI_PROCEDURE_CATALOG : null;
  if (_fnjsKnownCache.names && _fnjsKnownCache.catalogue === catalogue) return _fnjsKnownCache.names;
  const names = new Set(_FNJS_KNOWN_BASE);
  for (const entry of catalogue || []) {
    const pb = entry && typeof entry.pb === 'string' ? entry.pb : '';
    if (pb.startsWith('UI_')) {
      names.add(pb);
      names.add('Flow_' + pb.slice(3));
    }
  }
  _fnjsKnownCache = { catalogue, names };
  return names;
}

function _fnjsIsIdStart(c) {
  return (c >= 97 && c <= 122) || (c >= 65 && c <= 90) || c === 95 || c === 36 || c > 127;
}

function _fnjsIsIdPart(c) {
  return _fnjsIsIdStart(c) || (c >= 48 && c <= 57);
}

function _fnjsIsDigit(c) {
  return c >= 48 && c <= 57;
}

// A "/" after one of these (or at the start, or after a line break) begins a regular expression.
var _FNJS_REGEX_AFTER = '(,=;:!&|?{}+-*%^~<>[';

// The end (exclusive) of a quoted string or template starting at `i`; a line break ends a quoted one.
function _fnjsStringEnd(s, i) {
  const q = s.charCodeAt(i);
  const n = s.length;
  let j = i + 1;
  while (j < n) {
    const c = s.charCodeAt(j);
    if (c === 92) { j += 2; continue; }
    if (c === q) return j + 1;
    if (q !== 96 && (c === 10 || c === 13)) return j;
    if (q === 96 && c === 36 && s.charCodeAt(j + 1) === 123) {
      let depth = 1;
      j += 2;
      while (j < n && depth > 0) {
        const d = s.charCodeAt(j);
        if (d === 123) depth++;
        else if (d === 125) depth--;
        j++;
      }
      continue;
    }
    j++;
  }
  return n;
}

// The end of a regular-expression literal starting at `i` (flags included), or -1 when a line break or
// the end comes first (then it is no literal).
function _fnjsRegexEnd(s, i) {
  const n = s.length;
  let j = i + 1;
  let inClass = false;
  while (j < n) {
    const c = s.charCodeAt(j);
    if (c === 10 || c === 13) return -1;
    if (c === 92) { j += 2; continue; }
    if (c === 91) inClass = true;
    else if (c === 93) inClass = false;
    else if (c === 47 && !inClass) {
      j++;
      while (j < n && 'gimsuy'.indexOf(s[j]) !== -1) j++;
      return j;
    }
    j++;
  }
  return -1;
}

// The end of a number starting at `i`, or `i` when none starts there.
function _fnjsNumberEnd(s, i) {
  const n = s.length;
  const c = s.charCodeAt(i);
  if (!_fnjsIsDigit(c)) return i;
  let j = i + 1;
  const x = s[i + 1];
  if (c === 48 && (x === 'x' || x === 'X' || x === 'b' || x === 'B' || x === 'o' || x === 'O')) {
    const digits = x === 'x' || x === 'X' ? /[0-9a-fA-F_]/ : x === 'b' || x === 'B' ? /[01_]/ : /[0-7_]/;
    j = i + 2;
    while (j < n && digits.test(s[j])) j++;
    return j;
  }
  while (j < n && (_fnjsIsDigit(s.charCodeAt(j)) || s[j] === '_')) j++;
  if (s[j] === '.') {
    j++;
    while (j < n && (_fnjsIsDigit(s.charCodeAt(j)) || s[j] === '_')) j++;
  }
  if ((s[j] === 'e' || s[j] === 'E') && (_fnjsIsDigit(s.charCodeAt(j + 1)) ||
      ((s[j + 1] === '+' || s[j + 1] === '-') && _fnjsIsDigit(s.charCodeAt(j + 2))))) {
    j += 2;
    while (j < n && _fnjsIsDigit(s.charCodeAt(j))) j++;
  }
  return j;
}

var _FNJS_NEEDS_ESCAPE = /[&<>]/;

function _fnjsEscape(text) {
  if (!_FNJS_NEEDS_ESCAPE.test(text)) return text;
  return text.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
}

// Whether a "/" may begin a regular expression, given the last significant character before it and the
// last word (when that character ended a word).
function _fnjsRegexAllowed(prev, word) {
  if (prev === '' || prev === '\n' || prev === '\r') return true;
  if (_FNJS_REGEX_AFTER.indexOf(prev) !== -1) return true;
  return word !== '' && _FNJS_REGEX_AFTER_WORDS.has(word);
}

function _functionJSTokenize(source, inputNames, outputNames) {
  const s = String(source === undefined || source === null ? '' : source);
  const ins = inputNames instanceof Set ? inputNames : new Set(inputNames || []);
  const outs = outputNames instanceof Set ? outputNames : new Set(outputNames || []);
  const n = s.length;
  let html = '';
  let plainFrom = 0;
  let prev = '';   // the last character that was neither blank nor tab
  let word = '';   // the word that ended at `prev`, '' when something else did
  // Names and numbers hold nothing to escape; comments, strings and plain text may.
  const open = (cls, from) => (from > plainFrom ? _fnjsEscape(s.slice(plainFrom, from)) : '') + '<span class="' + cls + '">';
  let i = 0;
  while (i < n) {
    const c = s.charCodeAt(i);
    if (c === 32 || c === 9) { i++; continue; }
    if (c === 10 || c === 13) { prev = '\n'; word = ''; i++; continue; }
    if (c === 47 && s.charCodeAt(i + 1) === 47) {
      let j = i + 2;
      while (j < n && s.charCodeAt(j) !== 10 && s.charCodeAt(j) !== 13) j++;
      html += open('fnjs-c', i) + _fnjsEscape(s.slice(i, j)) + '</span>';
      plainFrom = i = j;
      continue;
    }
    if (c === 47 && s.charCodeAt(i + 1) === 42) {
      const close = s.indexOf('*/', i + 2);
      const j = close === -1 ? n : close + 2;
      html += open('fnjs-c', i) + _fnjsEscape(s.slice(i, j)) + '</span>';
      plainFrom = i = j;
      prev = '/';
      word = '';
      continue;
    }
    if (c === 39 || c === 34 || c === 96) {
      const j = _fnjsStringEnd(s, i);
      html += open('fnjs-s', i) + _fnjsEscape(s.slice(i, j)) + '</span>';
      plainFrom = i = j;
      prev = s[j - 1];
      word = '';
      continue;
    }
    if (c === 47) {
      const j = _fnjsRegexAllowed(prev, word) ? _fnjsRegexEnd(s, i) : -1;
      if (j !== -1) {
        html += open('fnjs-s', i) + _fnjsEscape(s.slice(i, j)) + '</span>';
        plainFrom = i = j;
        prev = s[j - 1];
        word = '';
        continue;
      }
      prev = '/';
      word = '';
      i++;
      continue;
    }
    if (_fnjsIsIdStart(c)) {
      let j = i + 1;
      while (j < n && _fnjsIsIdPart(s.charCodeAt(j))) j++;
      const name = s.slice(i, j);
      let cls = '';
      if (ins.has(name)) cls = 'fnjs-i';
      else if (outs.has(name)) cls = 'fnjs-o';
      else {
        let k = j;
        while (k < n && (s.charCodeAt(k) === 32 || s.charCodeAt(k) === 9)) k++;
        const keyword = _FNJS_KEYWORDS.has(name);
        if (s.charCodeAt(k) === 40) cls = keyword ? 'fnjs-k' : 'fnjs-f';
        else if (keyword) cls = 'fnjs-k';
      }
      if (cls) {
        html += open(cls, i) + name + '</span>';
        plainFrom = j;
      }
      prev = s[j - 1];
      word = name;
      i = j;
      continue;
    }
    if (c >= 48 && c <= 57) {
      const end = _fnjsNumberEnd(s, i);
      html += open('fnjs-n', i) + s.slice(i, end) + '</span>';
      plainFrom = end;
      prev = s[end - 1];
      word = '';
      i = end;
      continue;
    }
    prev = s[i];
    word = '';
    i++;
  }
  if (n > plainFrom) html += _fnjsEscape(s.slice(plainFrom, n));
  return html + '\n';
}

// The code with everything that holds no name taken out: comments become a blank, quoted strings an empty
// string, templates blanks with the code of their interpolations kept, regular-expression literals a 0.
function _fnjsReduce(s) {
  const n = s.length;
  const out = [];
  let kept = 0;   // text from here up to the current place goes out unchanged
  let prev = '';
  let word = '';
  // Open templates, innermost last: -1 while reading a template's text, else the brace depth inside the
  // interpolation being read.
  const templates = [];
  const put = (from, to, replacement) => {
    if (from > kept) out.push(s.slice(kept, from));
    out.push(replacement);
    kept = to;
  };
  let i = 0;
  while (i < n) {
    if (templates.length && templates[templates.length - 1] === -1) {
      // Inside a template's text: up to its end or the next interpolation.
      let j = i;
      for (; j < n; j++) {
        const c = s.charCodeAt(j);
        if (c === 92) { j++; continue; }
        if (c === 96) break;
        if (c === 36 && s.charCodeAt(j + 1) === 123) break;
      }
      if (j >= n) { put(i, n, ' '); i = n; break; }
      if (s.charCodeAt(j) === 96) {
        put(i, j + 1, ' ');
        templates.pop();
        prev = '"';
        i = j + 1;
      } else {
        put(i, j + 2, '  ');
        templates[templates.length - 1] = 0;
        prev = '(';
        i = j + 2;
      }
      word = '';
      continue;
    }
    const c = s.charCodeAt(i);
    if (c === 32 || c === 9) { i++; continue; }
    if (c === 10 || c === 13) { prev = '\n'; word = ''; i++; continue; }
    if (c === 47 && s.charCodeAt(i + 1) === 47) {
      let j = i + 2;
      while (j < n && s.charCodeAt(j) !== 10 && s.charCodeAt(j) !== 13) j++;
      put(i, j, ' ');
      i = j;
      continue;
    }
    if (c === 47 && s.charCodeAt(i + 1) === 42) {
      const close = s.indexOf('*/', i + 2);
      const j = close === -1 ? n : close + 2;
      put(i, j, ' ');
      i = j;
      continue;
    }
    if (c === 39 || c === 34) {
      const j = _fnjsStringEnd(s, i);
      put(i, j, '""');
      prev = '"';
      word = '';
      i = j;
      continue;
    }
    if (c === 96) {
      put(i, i + 1, ' ');
      templates.push(-1);
      i++;
      continue;
    }
    if (templates.length) {
      // Code inside an interpolation: its braces are counted, its closing brace returns to the text.
      const top = templates.length - 1;
      if (c === 123) templates[top]++;
      else if (c === 125) {
        if (templates[top] === 0) {
          put(i, i + 1, ' ');
          templates[top] = -1;
          i++;
          continue;
        }
        templates[top]--;
      }
    }
    if (c === 47) {
      const j = _fnjsRegexAllowed(prev, word) ? _fnjsRegexEnd(s, i) : -1;
      if (j !== -1) {
        put(i, j, ' 0 ');
        prev = '0';
        word = '';
        i = j;
        continue;
      }
    }
    if (_fnjsIsIdStart(c)) {
      let j = i + 1;
      while (j < n && _fnjsIsIdPart(s.charCodeAt(j))) j++;
      word = s.slice(i, j);
      prev = s[j - 1];
      i = j;
      continue;
    }
    prev = s[i];
    word = '';
    i++;
  }
  if (kept < n) out.push(s.slice(kept));
  return out.join('');
}

// The parts of `text` separated by commas outside brackets.
function _fnjsTopLevelParts(text) {
  const parts = [];
  let depth = 0;
  let from = 0;
  for (let i = 0; i < text.length; i++) {
    const c = text[i];
    if (c === '(' || c === '[' || c === '{') depth++;
    else if (c === ')' || c === ']' || c === '}') depth--;
    else if (c === ',' && depth === 0) {
      parts.push(text.slice(from, i));
      from = i + 1;
    }
  }
  parts.push(text.slice(from));
  return parts;
}

// Every name of a binding list ("a, b = f(c), {d, e}"): the names before each part's first "=".
function _fnjsBindingNames(list, into) {
  for (const part of _fnjsTopLevelParts(list)) {
    let depth = 0;
    let end = part.length;
    for (let i = 0; i < part.length; i++) {
      const c = part[i];
      if (c === '(' || c === '[' || c === '{') depth++;
      else if (c === ')' || c === ']' || c === '}') depth--;
      else if (c === '=' && part[i + 1] !== '>' && part[i + 1] !== '=' && depth <= 0) { end = i; break; }
    }
    for (const m of part.slice(0, end).matchAll(/[A-Za-z_$\u0080-\uffff][\w$\u0080-\uffff]*/g)) into.add(m[0]);
  }
}

// The text inside the brackets that close at `close` (the index of ")"), or null.
function _fnjsOpenedAt(text, close) {
  let depth = 0;
  for (let i = close; i >= 0; i--) {
    if (text[i] === ')') depth++;
    else if (text[i] === '(') {
      depth--;
      if (depth === 0) return i;
    }
  }
  return -1;
}

function _fnjsClosingAt(text, open) {
  let depth = 0;
  for (let i = open; i < text.length; i++) {
    if (text[i] === '(') depth++;
    else if (text[i] === ')') {
      depth--;
      if (depth === 0) return i;
    }
  }
  return -1;
}

// The names the code declares: var/let/const bindings, function names and parameters, arrow parameters,
// catch parameters, loop variables, class names, statement labels and method names.
function _fnjsDeclaredNames(text) {
  const declared = new Set();
  for (const m of text.matchAll(/\b(?:var|let|const)\s+/g)) {
    let end = m.index + m[0].length;
    let depth = 0;
    const limit = Math.min(text.length, end + 400);
    for (; end < limit; end++) {
      const c = text[end];
      if (c === '(' || c === '[' || c === '{') depth++;
      else if (c === ')' || c === ']' || c === '}') { if (--depth < 0) break; }
      else if (c === ';' && depth <= 0) break;
      else if (depth <= 0 && c === ' ' && (text.startsWith('in ', end + 1) || text.startsWith('of ', end + 1))) break;
      else if (c === '\n' && depth <= 0 && !/[,=]\s*$/.test(text.slice(Math.max(m.index, end - 40), end))) break;
    }
    _fnjsBindingNames(text.slice(m.index + m[0].length, end), declared);
  }
  for (const m of text.matchAll(/\b(?:function\*?|class)\s*\*?\s*([A-Za-z_$][\w$]*)/g)) declared.add(m[1]);
  for (const m of text.matchAll(/\bfunction\b[^(]*\(/g)) {
    const open = m.index + m[0].length - 1;
    const close = _fnjsClosingAt(text, open);
    if (close !== -1) _fnjsBindingNames(text.slice(open + 1, close), declared);
  }
  for (const m of text.matchAll(/([A-Za-z_$][\w$]*)\s*=>/g)) declared.add(m[1]);
  for (const m of text.matchAll(/\)\s*=>/g)) {
    const open = _fnjsOpenedAt(text, m.index);
    if (open !== -1) _fnjsBindingNames(text.slice(open + 1, m.index), declared);
  }
  for (const m of text.matchAll(/\bcatch\s*\(([^()]*)\)/g)) _fnjsBindingNames(m[1], declared);
  for (const m of text.matchAll(/\bfor\s*\(\s*([A-Za-z_$][\w$]*)\s+(?:in|of)\b/g)) declared.add(m[1]);
  // Labels: a name and ":" where a statement begins.
  for (const m of text.matchAll(/(^|[;{}\n])\s*([A-Za-z_$][\w$]*)\s*:(?!:)/g)) declared.add(m[2]);
  // Methods of classes and object literals: a name, its parameters, then a body.
  for (const m of text.matchAll(/([A-Za-z_$][\w$]*)\s*\(/g)) {
    const open = m.index + m[0].length - 1;
    const close = _fnjsClosingAt(text, open);
    if (_FNJS_KEYWORDS.has(m[1]) || m[1] === 'with') continue;
    if (close === -1 || !/^\s*\{/.test(text.slice(close + 1, close + 40))) continue;
    declared.add(m[1]);
    _fnjsBindingNames(text.slice(open + 1, close), declared);
  }
  return declared;
}

function checkFunctionJSIdentifiers(code, parameterNames) {
  const reduced = _fnjsReduce(String(code === undefined || code === null ? '' : code));
  const labels = new Set();
  for (const m of reduced.matchAll(/(^|[;}\n])\s*([A-Za-z_$][\w$]*)\s*:(?!:)/g)) labels.add(m[2]);
  // Spread dots, property names (after "." or "?.") and object-literal keys hold no name of their own.
  const names = reduced
    .replace(/\.\.\./g, ' ')
    .replace(/\.\s*#?[A-Za-z_$][\w$]*/g, ' ')
    .replace(/([{,]\s*)[A-Za-z_$][\w$]*(\s*:)(?!:)/g, '$1$2');
  const declared = _fnjsDeclaredNames(names);
  for (const l of labels) declared.add(l);
  const known = _fnjsKnownNames();
  const params = new Set((parameterNames || []).map(String));
  const unknown = [];
  const seen = new Set();
  const n = names.length;
  let i = 0;
  while (i < n) {
    const c = names.charCodeAt(i);
    if (_fnjsIsDigit(c)) {
      i++;
      while (i < n && (_fnjsIsIdPart(names.charCodeAt(i)) || names[i] === '.')) i++;
      continue;
    }
    if (!_fnjsIsIdStart(c)) { i++; continue; }
    let j = i + 1;
    while (j < n && _fnjsIsIdPart(names.charCodeAt(j))) j++;
    const name = names.slice(i, j);
    i = j;
    if (known.has(name) || params.has(name) || declared.has(name) || seen.has(name) || _FNJS_KEYWORDS.has(name)) continue;
    seen.add(name);
    unknown.push(name);
  }
  return unknown;
}
