// Build step: writes the start page the program serves at "/". It is editor/shell/index.html with each
// of the page's own scripts (those under /editor/) put inside it, so that start-up makes one request
// for them instead of one per file (about 125, which the web view asks for a handful at a time). Each
// script stays a script element of its own, in the same place and order, so the page runs exactly as
// with separate files: one global scope, and a script that fails stops only itself. A "sourceURL" line keeps each script's own name in error
// reports and stack traces. The style sheets (a dozen, asked for at once, and the flow editor finds its
// own by address), the library files (Internal_lib/, Fonts/) and the markup fragments are still asked
// for by the page.
//
// usage: node cmake/start_page.mjs <repository> <output .html>
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const SCRIPT_TAG = /<script src="\/(editor\/[^"]+\.js)"><\/script>/g;

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

// The start page for `html` (the skeleton's text), reading page files through `read(relativePath)`.
export function startPage(html, read) {
  return html.replace(SCRIPT_TAG, (tag, rel) => inlineScript(read(rel), rel));
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const [root, out] = process.argv.slice(2);
  if (!root || !out) {
    console.error('usage: node cmake/start_page.mjs <repository> <output .html>');
    process.exit(2);
  }
  try {
    const read = (rel) => fs.readFileSync(path.join(root, rel), 'utf8');
    const page = startPage(read('editor/shell/index.html'), read);
    fs.mkdirSync(path.dirname(out), { recursive: true });
    fs.writeFileSync(out + '.part', page);
    fs.renameSync(out + '.part', out);
  } catch (e) {
    console.error(`start page: ${e.message}`);
    process.exit(1);
  }
}
