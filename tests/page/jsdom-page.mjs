// Loads editor page scripts into a jsdom window the way the browser does: each file runs as a classic
// script in one shared global scope (top-level functions, let and const are seen by later files).
//
//   const page = await loadPage({ scripts: ['editor/shell/i18n.js', ...], html?, url?, before? });
//   page.window, page.document, page.run('code')       // run more code in the page's global scope
//   page.messages                                       // every pb_event call: {id, type, value}
//   page.close()
// `html` defaults to the editor's start page (editor/shell/index.html) with its markup fragments in place
// (pageMarkup()) and its own <script> tags removed, so only the listed scripts run. `before(window)` runs
// before the first script (stubs, storage, fetch). With `bridge: false` the page has no pb_event, as in a
// browser without the host.
// Page errors fail the running test: an uncaught exception (also in an event handler or a timer) and every
// console.error of the page. A test that provokes one on purpose names it in `allowErrors` (a RegExp);
// those are only collected in page.errors. The page runs strict (window._qlStrict): hook calls and
// start-up steps throw what they would only log in the editor; `strict: false` turns that off.
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

// Where the start page marks a markup fragment: <template data-ql-fragment="/editor/...html"></template>.
export const FRAGMENT_MARK = /<template\s+data-ql-fragment="\/(editor\/[^"]+)"\s*><\/template>/g;

// The start page as the editor shows it once start-up has put its markup fragments in place: each mark
// replaced by its fragment, expanded by the page's own generators (loaded, as the page loads them, in a
// window of their own that is then closed). Built once per process.
let markupCache = null;
export function pageMarkup() {
  if (markupCache) return markupCache;
  const html = readRepoFile('editor/shell/index.html');
  const dom = new JSDOM('<!DOCTYPE html><body></body>', { url: 'http://127.0.0.1:56789/', runScripts: 'outside-only',
    pretendToBeVisual: true, virtualConsole: new VirtualConsole() });
  const context = dom.getInternalVMContext();
  try {
    for (const file of pageScripts()) {
      if (file === 'editor/shell/libs.js') continue;
      new vm.Script(readRepoFile(file), { filename: path.join(repo, file) }).runInContext(context);
    }
    const expand = dom.window._qlExpandMarkup;
    markupCache = html.replace(FRAGMENT_MARK, (mark, file) => expand(readRepoFile(file)));
  } finally {
    dom.window.close();
  }
  return markupCache;
}

function skeleton() {
  return pageMarkup().replace(/<script\b[^>]*>[\s\S]*?<\/script>/gi, '');
}

function consoleError(args) {
  const error = new Error('console.error in the page: ' + args.map((a) => (a instanceof Error || a?.stack ? a.stack : String(a))).join(' '));
  return error;
}

export async function loadPage({ scripts = [], html, url = 'http://127.0.0.1:56789/', before, bridge = true,
  fetch: pageFetch, console: pageConsole = 'errors', allowErrors = null, strict = true } = {}) {
  const virtualConsole = new VirtualConsole();
  const errors = [];
  const pageError = (error) => {
    errors.push(error);
    if (allowErrors && allowErrors.test(String(error?.message ?? error))) return;
    // Thrown outside the page, so the test that is running fails with it.
    process.nextTick(() => { throw error; });
  };
  virtualConsole.on('jsdomError', (e) => pageError(e));
  virtualConsole.on('error', (...a) => pageError(consoleError(a)));
  if (pageConsole === 'all') virtualConsole.forwardTo(console, { jsdomErrors: 'none' });
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
  window._qlStrict = strict;
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
    // A page value read through JSON, so the test gets plain objects of its own realm.
    json: (expr) => JSON.parse(run(`JSON.stringify(${expr})`) ?? 'null'),
    close: () => window.close(),
  };
}
