// Build step: writes the start page the program serves at "/". It is editor/shell/index.html with each
// of the page's own scripts (those under /editor/) put inside it, so that start-up makes one request
// for them instead of one per file (about 125, which the web view asks for a handful at a time). Each
// script stays a script element of its own, in the same place and order, so the page runs exactly as
// with separate files: one global scope, and a script that fails stops only itself. A "sourceURL" line keeps each script's own name in error
// reports and stack traces. The style sheets (a dozen, asked for at once, and the flow editor finds its
// own by address), the library files (Internal_lib/, Fonts/) and the markup fragments are still asked
// for by the page.
// The scripts marked data-ql-later (those start-up does not use) are left out: they go, in page order,
// into a file of their own (LATER_KEY, a JSON list of [file, text]), and where the first of them stood the
// page tells editor/shell/later.js that file and the functions they declare.
//
// usage: node cmake/start_page.mjs <repository> <output .html> <output later scripts .json>
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const SCRIPT_TAG = /<script src="\/(editor\/[^"]+\.js)"( data-ql-later)?><\/script>(\n?)/g;

// Where the page finds the scripts left for later.
export const LATER_KEY = 'editor/shell/later-scripts.json';

// A script's text made safe inside a script element. "</script" would end the element early; written
// "<\/script" it is the same text in a string, a regular expression or a comment. "<!--" followed later by
// "<script" would change how the rest of the element is read, so such a file is refused.
export function inlineScript(text, name) {
  if (/<!--/.test(text) && /<script/i.test(text)) {
    throw new Error(`${name} holds "<!--" and "<script": it cannot be put inside the start page`);
  }
  const safe = text.replace(/<\/(script)/gi, '<\\/$1');
  return `<script>${safe}${safe.endsWith('\n') ? '' : '\n'}//# sourceURL=/${name}\n</script>`;
}

// Functions a script declares at its top level (as the page's files are written: at the start of a line),
// by `function` or by a `var` given a function.
export function declaredFunctions(text) {
  const names = [];
  for (const m of text.matchAll(/^(?:async\s+)?function\*?\s+([A-Za-z_$][\w$]*)|^var\s+([A-Za-z_$][\w$]*)\s*=\s*(?:async\s+)?(?:function\b|\([^()]*\)\s*=>|[A-Za-z_$][\w$]*\s*=>)/gm)) {
    names.push(m[1] ?? m[2]);
  }
  return names;
}

// Every top-level name a script declares (function, var, let, const, class).
function declaredNames(text) {
  return [...text.matchAll(/^(?:async\s+)?(?:function\*?|var|let|const|class)\s+([A-Za-z_$][\w$]*)/gm)].map((m) => m[1]);
}

// {page, later}: the start page for `html` (the skeleton's text), reading each page file once through
// `readFile(relativePath)`, and the text of the later scripts' file ("[]" when none is marked). A function of a
// later script that a start-up script also declares is refused: which of the two wins would change.
export function startPageParts(html, readFile) {
  const texts = new Map();
  const read = (rel) => {
    if (!texts.has(rel)) texts.set(rel, readFile(rel));
    return texts.get(rel);
  };
  const later = [];
  const startNames = new Set();
  for (const [, rel, isLater] of html.matchAll(SCRIPT_TAG)) {
    if (isLater) later.push([rel, read(rel).replace(/\n$/, '')]);
    else for (const name of declaredNames(read(rel))) startNames.add(name);
  }
  const names = [];
  for (const [rel, text] of later) {
    for (const name of declaredFunctions(text)) {
      if (startNames.has(name)) throw new Error(`${rel} declares ${name}, which a start-up script also declares`);
      if (!names.includes(name)) names.push(name);
    }
  }
  let first = true;
  const page = html.replace(SCRIPT_TAG, (tag, rel, isLater, newline) => {
    if (!isLater) return inlineScript(read(rel), rel) + newline;
    if (!first) return '';
    first = false;
    return inlineScript(`_qlLater(${JSON.stringify('/' + LATER_KEY)}, ${JSON.stringify(names)});`, 'editor/shell/later-names.js') + newline;
  });
  return { page, later: JSON.stringify(later) };
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const [root, out, laterOut] = process.argv.slice(2);
  if (!root || !out || !laterOut) {
    console.error('usage: node cmake/start_page.mjs <repository> <output .html> <output later scripts .json>');
    process.exit(2);
  }
  try {
    const read = (rel) => fs.readFileSync(path.join(root, rel), 'utf8');
    const { page, later } = startPageParts(read('editor/shell/index.html'), read);
    for (const [file, text] of [[laterOut, later], [out, page]]) {
      fs.mkdirSync(path.dirname(file), { recursive: true });
      fs.writeFileSync(file + '.part', text);
      fs.renameSync(file + '.part', file);
    }
  } catch (e) {
    console.error(`start page: ${e.message}`);
    process.exit(1);
  }
}
