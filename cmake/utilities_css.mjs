// Build step: writes the editor frame's utility-class style sheet (editor/shell/utilities.css in the
// packed page). The candidate class names are every token of the page's markup fragments and scripts
// (as the engine's own content scan would find them); the pinned utility-class engine, the same runtime
// that styles designs, run once in jsdom with the page's configuration, turns the ones it knows into
// rules, its base styles first. The frame then needs no engine at start-up.
//
// usage: node cmake/utilities_css.mjs <repository> <tailwind runtime .js> <output .css>
import fs from 'node:fs';
import path from 'node:path';
import { JSDOM, VirtualConsole } from 'jsdom';

// The page's configuration of the engine (editor/shell/libs.js sets the same when it loads it).
export const ENGINE_CONFIG = {
  darkMode: 'class',
  theme: { extend: { colors: { accent: 'var(--accent-color)', accent2: 'var(--th-accent2)' } } },
};

const TOKEN = /^[-!@\w.:/[\]%#(),&>+*~]+$/;

function pageFiles(root) {
  const found = [];
  const walk = (dir) => {
    for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
      const full = path.join(dir, entry.name);
      if (entry.isDirectory()) walk(full);
      else if (/\.(html|js)$/.test(entry.name) && !/\.test\.m?js$/.test(entry.name)) found.push(full);
    }
  };
  walk(path.join(root, 'editor'));
  return found.sort();
}

// Every whitespace-, quote- or markup-separated token that could be a class name.
export function candidateClasses(texts) {
  const tokens = new Set();
  for (const text of texts) {
    for (const token of text.split(/[\s'"`<>=;{}\\]+/)) {
      if (token && token.length <= 100 && TOKEN.test(token)) tokens.add(token);
    }
  }
  return [...tokens].sort();
}

// The engine's style sheet for these classes, through the engine itself in a jsdom page.
export async function engineCss(enginePath, classes) {
  const dom = new JSDOM('<!DOCTYPE html><html class="dark"><head></head><body></body></html>',
    { runScripts: 'outside-only', pretendToBeVisual: true, virtualConsole: new VirtualConsole() });
  const w = dom.window;
  try {
    w.eval(fs.readFileSync(enginePath, 'utf8'));
    w.tailwind.config = ENGINE_CONFIG;
    const holder = w.document.createElement('div');
    holder.className = classes.join(' ');
    w.document.body.appendChild(holder);
    return await new Promise((resolve, reject) => {
      const started = Date.now();
      const poll = setInterval(() => {
        const style = [...w.document.head.querySelectorAll('style')].find((s) => s.textContent.includes('tailwindcss'));
        if (style && style.textContent.includes('.ql-engine-probe')) {
          clearInterval(poll);
          resolve(style.textContent);
        } else if (Date.now() - started > 60000) {
          clearInterval(poll);
          reject(new Error('the utility-class engine wrote no styles within 60 s'));
        }
      }, 20);
      // A rule of our own, written last, tells that the engine has seen every class.
      const probe = w.document.createElement('style');
      probe.type = 'text/tailwindcss';
      probe.textContent = '.ql-engine-probe { display: block; }';
      w.document.head.appendChild(probe);
    });
  } finally {
    // The engine's observers may still run once: the page is left open, the process ends soon.
  }
}

async function main() {
  const [root, enginePath, output] = process.argv.slice(2);
  if (!root || !enginePath || !output) {
    console.error('usage: node cmake/utilities_css.mjs <repository> <tailwind runtime .js> <output .css>');
    process.exit(2);
  }
  const texts = pageFiles(root).map((f) => fs.readFileSync(f, 'utf8'));
  let css = await engineCss(enginePath, candidateClasses(texts));
  css = css.replace(/\.ql-engine-probe\s*\{[^}]*\}\s*/, '');
  const text = '/* Made at build time by cmake/utilities_css.mjs from the classes of editor/: do not edit. */\n' + css + '\n';
  fs.mkdirSync(path.dirname(output), { recursive: true });
  if (!fs.existsSync(output) || fs.readFileSync(output, 'utf8') !== text) fs.writeFileSync(output, text);
  process.exit(0);
}

if (import.meta.url === `file://${process.argv[1]}`) await main();
