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
// `fetch` gives the page a fetch function; repoFetch() answers like the host from the repository's files:
//   loadPage({ scripts: pageScripts(), fetch: repoFetch({ missing: ['/Locale/de.json'] }) })
// pageScripts() lists the page's own scripts in the order the skeleton loads them.
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { fileURLToPath } from 'node:url';

import { JSDOM, VirtualConsole } from 'jsdom';

export const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');

export function readRepoFile(relative) {
  return fs.readFileSync(path.join(repo, relative), 'utf8');
}

// The repository files behind the page's script tags under /editor/, in document order.
export function pageScripts() {
  const html = readRepoFile('editor/shell/index.html');
  return [...html.matchAll(/<script\b[^>]*\bsrc="\/(editor\/[^"]+)"/gi)].map((m) => m[1]);
}

// A fetch for the page that serves /Locale/, /editor/ and /Images/ from the repository the way the host
// does (query ignored). Paths in `missing` answer 404; every requested path is kept in `requests`.
export function repoFetch({ missing = [] } = {}) {
  const requests = [];
  const fetchStub = async (input) => {
    const url = new URL(String(input?.url ?? input), 'http://127.0.0.1:56789/');
    requests.push(url.pathname);
    const rel = decodeURIComponent(url.pathname).replace(/^\/+/, '');
    const file = path.join(repo, rel);
    const allowed = /^(Locale|editor|Images)\//.test(rel) && !rel.includes('..');
    if (!allowed || missing.includes(url.pathname) || !fs.existsSync(file) || !fs.statSync(file).isFile())
      return new Response('', { status: 404 });
    return new Response(fs.readFileSync(file), { status: 200 });
  };
  fetchStub.requests = requests;
  return fetchStub;
}

function skeleton() {
  return readRepoFile('editor/shell/index.html').replace(/<script\b[^>]*>[\s\S]*?<\/script>/gi, '');
}

export async function loadPage({ scripts = [], html, url = 'http://127.0.0.1:56789/', before, bridge = true,
  fetch: pageFetch, console: pageConsole = 'errors' } = {}) {
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
  if (pageFetch) window.fetch = pageFetch;
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
