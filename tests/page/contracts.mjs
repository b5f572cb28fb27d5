// The page's contracts, read from its files: each script's header (Provides, Needs, Calls), the globals it
// declares, the handler names of the markup and the names the scripts call by name. The checks return a
// list of problems (empty when the contracts hold); tests/page/contracts.test.mjs runs them over the page
// and over small fixtures.
//
// A script's header is the comment block it opens with. Besides prose it holds, each on its own line
// (continued on lines indented by three spaces):
//   // Provides: a, b, c          page globals this file declares that others use
//   // Needs: x, y                names it uses from files loaded before it (or pending)
//   // Calls: p, q                names it calls at run time from files loaded after it (or pending)
//   // Creates: r                 globals it makes at run time by assigning window.r (a script it runs, such
//                                 as the flow shim, which also runs in exported pages), not declared
// A note in parentheses after a name is allowed: "Needs: t (i18n.js)". Page globals are declared at the
// top level of their file with `function` or `var`, never with const, let or class (those are not window
// properties, so a name lookup or the host cannot reach them, and a second declaration in another file
// stops that whole file), and never created by assigning window.name unless the header says Creates.
import { readRepoFile } from './jsdom-page.mjs';

const NAME = /^[A-Za-z_$][\w$]*$/;
const KEYWORD_LINE = /^\/\/ (Provides|Needs|Calls|Creates):(.*)$/;

function headerLines(text) {
  const lines = [];
  for (const line of text.split('\n')) {
    if (!line.startsWith('//')) break;
    lines.push(line);
  }
  return lines;
}

function splitItems(source) {
  let s = source;
  for (let before = ''; before !== s;) {
    before = s;
    s = s.replace(/\([^()]*\)/g, '');
  }
  return s.split(',').map((item) => item.trim().replace(/\.$/, '')).filter((item) => item && item !== 'nothing');
}

// {provides, needs, calls, creates, problems}; problems name what cannot be read.
export function readHeader(text) {
  const fields = { Provides: null, Needs: [], Calls: [], Creates: [] };
  const problems = [];
  let current = null;
  let buffer = '';
  const flush = () => {
    if (!current) return;
    const items = splitItems(buffer);
    for (const item of items) if (!NAME.test(item)) problems.push(`${current}: "${item}" is not a name`);
    fields[current] = (fields[current] || []).concat(items.filter((item) => NAME.test(item)));
    current = null;
    buffer = '';
  };
  for (const line of headerLines(text)) {
    const keyword = line.match(KEYWORD_LINE);
    if (keyword) {
      flush();
      current = keyword[1];
      buffer = keyword[2];
      if (/\b(Provides|Needs|Calls|Creates):/.test(buffer)) problems.push(`one keyword per line: "${line}"`);
    } else if (current && line.startsWith('//   ')) {
      buffer += ' ' + line.slice(2);
    } else {
      flush();
    }
  }
  flush();
  if (fields.Provides === null) problems.push('no "// Provides:" line in the header');
  return { provides: fields.Provides || [], needs: fields.Needs, calls: fields.Calls, creates: fields.Creates, problems };
}

// Top-level declarations (at the start of a line, as the page's files are written).
export function declarations(text) {
  const globals = [];
  const lexical = [];
  text.split('\n').forEach((line, i) => {
    const m = line.match(/^(?:async\s+)?(function\*?|var|let|const|class)\s+([A-Za-z_$][\w$]*)/);
    if (!m) return;
    if (m[1] === 'let' || m[1] === 'const' || m[1] === 'class') lexical.push({ name: m[2], keyword: m[1], line: i + 1 });
    else globals.push({ name: m[2], keyword: m[1], line: i + 1, fn: m[1].startsWith('function') });
  });
  return { globals, lexical };
}

// The text without its string literals (a script written as text may hold "window.x = ...").
function withoutStrings(text) {
  return text.replace(/'(?:[^'\\\n]|\\.)*'|"(?:[^"\\\n]|\\.)*"|`(?:[^`\\]|\\.)*`/g, "''");
}

// Names given a value through window.name = ...
export function windowWrites(text) {
  return [...new Set([...withoutStrings(text).matchAll(/\bwindow\.([A-Za-z_$][\w$]*)\s*=(?!=)/g)].map((m) => m[1]))];
}

// Names called through _qlCallIfDefined('name', ...).
export function hookCalls(text) {
  return [...new Set([...text.matchAll(/_qlCallIfDefined\(\s*(['"])([^'"]+)\1/g)].map((m) => m[2]))];
}

// Names a script tests for before it uses them (typeof name === 'function' / !== 'undefined' ...), which
// are hook calls by another spelling; names bound in the file itself (parameters, locals) are left out.
export function guardedNames(text) {
  const bound = new Set();
  for (const m of text.matchAll(/\b(?:const|let|var|function)\s+([A-Za-z_$][\w$]*)/g)) bound.add(m[1]);
  for (const m of text.matchAll(/\b([A-Za-z_$][\w$]*)\s*=>/g)) bound.add(m[1]);
  for (const m of text.matchAll(/(?:\bfunction\s*[\w$]*\s*|\bcatch\s*)\(([^()]*)\)|\(([^()]*)\)\s*=>/g)) {
    for (const p of (m[1] ?? m[2]).split(',')) {
      const name = p.trim().replace(/^\.\.\./, '').split('=')[0].trim();
      if (/^[A-Za-z_$][\w$]*$/.test(name)) bound.add(name);
    }
  }
  const names = new Set();
  for (const m of text.matchAll(/typeof\s+(?:window\.)?([A-Za-z_$][\w$]*)\s*[!=]==?\s*'(function|undefined|object)'/g)) {
    if (!bound.has(m[1])) names.add(m[1]);
  }
  return [...names];
}

// Handler names in markup: data-ql-call values, and in on* attributes the names passed to
// _qlCallIfDefined (`hook`) and the functions called directly (`direct`).
export function markupHandlers(html) {
  const found = [];
  for (const m of html.matchAll(/\sdata-ql-call="([^"]*)"/g)) found.push({ name: m[1], how: 'data-ql-call' });
  for (const m of html.matchAll(/\s(on[a-z]+)="([^"]*)"/g)) {
    const code = m[2].replace(/&#39;|&apos;/g, "'").replace(/&quot;/g, '"');
    for (const name of hookCalls(code)) found.push({ name, how: m[1] });
    for (const c of code.matchAll(/(?<![.\w$])([A-Za-z_$][\w$]*)\s*\(/g)) {
      if (c[1] !== '_qlCallIfDefined') found.push({ name: c[1], how: m[1], direct: true });
    }
  }
  return found;
}

// The pending table of a page: name -> notice key, or null for a silent hook.
export function pendingTable(text) {
  const body = text.slice(text.indexOf('var QL_PENDING = {'));
  const table = new Map();
  for (const m of body.matchAll(/^\s+([A-Za-z_$][\w$]*):\s*(null|'([^']*)')\s*,/gm)) table.set(m[1], m[3] ?? null);
  return table;
}

// The contract problems of scripts in load order ([{file, text}]) with a pending table (Map).
export function checkContracts(files, pending) {
  const problems = [];
  const declaredBy = new Map();
  const providedAt = new Map();
  const createdBy = new Map();
  files.forEach(({ file, text }, index) => {
    const header = readHeader(text);
    for (const p of header.problems) problems.push(`${file}: ${p}`);
    const { globals, lexical } = declarations(text);
    for (const d of lexical) {
      problems.push(`${file}:${d.line}: page global "${d.name}" is declared with ${d.keyword}; declare page globals with var (or function)`);
    }
    for (const d of globals) {
      const first = declaredBy.get(d.name);
      if (first && first.file !== file) problems.push(`${file}:${d.line}: "${d.name}" is defined twice (also in ${first.file}:${first.line})`);
      else if (first && first.file === file && first.line !== d.line) problems.push(`${file}:${d.line}: "${d.name}" is declared twice in this file`);
      else if (!first) declaredBy.set(d.name, { file, line: d.line, fn: d.fn });
    }
    const own = new Set(globals.map((d) => d.name));
    for (const name of header.creates) {
      if (!providedAt.has(name)) providedAt.set(name, { file, index });
      if (!declaredBy.has(name)) createdBy.set(name, file);
    }
    for (const name of header.provides) {
      if (!own.has(name)) problems.push(`${file}: provides "${name}", which it does not declare`);
      if (providedAt.has(name) && providedAt.get(name).file !== file) problems.push(`${file}: provides "${name}", also provided by ${providedAt.get(name).file}`);
      else providedAt.set(name, { file, index });
    }
  });
  files.forEach(({ file, text }, index) => {
    const header = readHeader(text);
    for (const name of header.needs) {
      const at = providedAt.get(name);
      if (at && at.index < index) continue;
      if (pending.has(name)) continue;
      problems.push(at
        ? `${file}: needs "${name}", which ${at.file} provides only after it (list it under Calls)`
        : `${file}: needs "${name}", which no earlier file provides and no pending row names`);
    }
    for (const name of header.calls) {
      if (!providedAt.has(name) && !pending.has(name)) problems.push(`${file}: calls "${name}", which no file provides and no pending row names`);
    }
    for (const name of windowWrites(text)) {
      if (!declaredBy.has(name) && !pending.has(name) && !createdBy.has(name)) {
        problems.push(`${file}: window.${name} is assigned but no page file declares "${name}" (declare it with var in its owner's file)`);
      }
    }
  });
  for (const name of pending.keys()) {
    if (declaredBy.has(name)) problems.push(`pending row "${name}" is built (${declaredBy.get(name).file}): delete the row`);
  }
  return { problems, declaredBy, providedAt, createdBy };
}

// Handler and hook names that are neither defined nor pending. `defined` is the set of page functions;
// `outside` names that the browser, the host or a library provides. A control must not be routed to a
// silent row: the user would get no answer.
export function checkNames({ markup, files, pending, defined, outside = new Set() }) {
  const problems = [];
  for (const { name, how, direct } of markupHandlers(markup)) {
    if (defined.has(name) || outside.has(name) || (direct && typeof globalThis[name] === 'function')) continue;
    if (direct) problems.push(`markup ${how}: calls ${name}() directly, which no page file defines`);
    else if (!pending.has(name)) problems.push(`markup ${how}: "${name}" is neither a page function nor a pending row`);
    else if (!pending.get(name)) problems.push(`markup ${how}: "${name}" is a control with a silent pending row: give it a notice`);
  }
  for (const { file, text } of files) {
    for (const name of hookCalls(text)) {
      if (!defined.has(name) && !pending.has(name)) problems.push(`${file}: _qlCallIfDefined('${name}') is neither a page function nor a pending row`);
    }
    for (const name of guardedNames(text)) {
      if (!defined.has(name) && !pending.has(name) && !outside.has(name)) {
        problems.push(`${file}: tests for "${name}", which is neither a page global nor a pending row`);
      }
    }
  }
  return problems;
}

export function pageFiles(scripts) {
  return scripts.map((file) => ({ file, text: readRepoFile(file) }));
}
