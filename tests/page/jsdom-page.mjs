// Loads editor page scripts into a jsdom window the way the browser does: each file runs as a classic
// script in one shared global scope (top-level functions, let and const are seen by later files).
//
//   const page = await loadPage({ scripts: ['editor/shell/i18n.js', ...], html?, url?, before? });
//   page.window, page.document, page.run('code')       // run more code in the page's global scope
//   page.messages                                       // every pb_event call: {id, type, value}
//   page.close()
// `html` defaults to the editor's start page (editor/shell/index.html) with its own <script> tags removed,
// so only the listed scripts run. `before(window)` runs before the first script (stubs, storage, fetch).
// With `bridge: false` the page has no pb_event, as in a browser without the host.
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { fileURLToPath } from 'node:url';

import { JSDOM, VirtualConsole } from 'jsdom';

export const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');

export function readRepoFile(relative) {
  return fs.readFileSync(path.join(repo, relative), 'utf8');
}

function skeleton() {
  return readRepoFile('editor/shell/index.html').replace(/<script\b[^>]*>[\s\S]*?<\/script>/gi, '');
}

export async function loadPage({ scripts = [], html, url = 'http://127.0.0.1:56789/', before, bridge = true,
  console: pageConsole = 'errors' } = {}) {
  const virtualConsole = new VirtualConsole();
  const errors = [];
  virtualConsole.on('jsdomError', (e) => errors.push(e));
  if (pageConsole === 'all') virtualConsole.forwardTo(console);
  else if (pageConsole === 'errors') virtualConsole.on('error', (...a) => console.error('[page]', ...a));
  const dom = new JSDOM(html ?? skeleton(), { url, runScripts: 'outside-only', pretendToBeVisual: true, virtualConsole });
  const { window } = dom;
  const messages = [];
  if (bridge) {
    window.pb_event = (...args) => {
      const message = Array.isArray(args[0]) ? args[0][0] : args[0];
      messages.push({ id: message?.id, type: message?.type, value: message?.value });
      return Promise.resolve('');
    };
  }
  if (before) await before(window);
  const context = dom.getInternalVMContext();
  const run = (code, filename = 'inline.js') => new vm.Script(code, { filename }).runInContext(context);
  for (const file of scripts) run(readRepoFile(file), path.join(repo, file));
  return {
    window,
    document: window.document,
    messages,
    errors,
    run,
    close: () => window.close(),
  };
}
