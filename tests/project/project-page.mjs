// The editor page (every script but the start-up sequence) in jsdom against a fake host: a projects
// folder in memory, the bridge messages of the project commands answered the way the host answers
// them, and the host's HTTP routes the project commands use.
//
//   const page = await loadProjectPage({ host?: {...options}, bridge?, clock? });
//   page.host.projects            Map name -> document text ('' = folder without a document)
//   page.host.sent                every message {type, value}; page.host.log: messages and requests in order
//   page.host.answer[type] = fn   replaces the answer to a message (fn(value) runs in the test)
//   page.host.route[prefix] = fn  replaces a route: fn(request) -> {status, body} | undefined (default)
//   page.toasts                   {key, vars, type}; page.settle() lets pending promises run
//   await page.thumbnailsDone()   until the thumbnail asked for by a save has been taken
//   page.clock                    the manual clock when `clock: true`
//   allowErrors                   page errors the test provokes on purpose (see loadPage)
import { loadPage, pageScripts } from '../page/jsdom-page.mjs';
import { installClock } from '../page/fake-clock.mjs';

// The libraries' loader stays out: jsdom loads no libraries.
export const PROJECT_SCRIPTS = pageScripts().filter((f) => !f.endsWith('/startup.js') && !f.endsWith('/libs.js'));

export function makeHost(window, projects = {}) {
  const host = {
    projects: new Map(Object.entries(projects)),
    current: '',
    staged: null,
    sent: [],
    log: [],
    answer: {},
    route: {},
    token: 'secret-token',
  };
  const later = (fn) => Promise.resolve().then(fn);
  const defaults = {
    new_project_request: () => later(() => window._newProjectName({ name: host.nextName ?? '', cancelled: !host.nextName })),
    check_new: (v) => later(() => window._checkNewResult(v, host.projects.has(v.replace(/\.qui$/, '')) ? 1 : 0)),
    new: (v) => {
      const name = v.split('/').pop().replace(/\.qui$/, '');
      host.current = name;
      if (!host.projects.has(name)) host.projects.set(name, '');
    },
    save_as: (v) => {
      if (!host.saveAsName) return;
      host.projects.set(host.saveAsName, host.projects.get(v) ?? '');
      host.current = host.saveAsName;
      later(() => window._onSaveAsComplete(host.saveAsName));
    },
    load: () => later(() => window._showProjectPicker([...host.projects.keys()])),
    load_project: (v) => {
      host.current = v;
      host.staged = host.projects.get(v) ?? null;
      later(() => window._loadProjectFromTemp(v));
    },
    delete: (v) => { host.projects.delete(v); },
  };
  window.pb_event = (message) => {
    const m = Array.isArray(message) ? message[0] : message;
    host.sent.push({ type: m.type, value: m.value });
    host.log.push(m.type);
    const fn = host.answer[m.type] || defaults[m.type];
    if (fn) fn(m.value);
    return Promise.resolve('');
  };
  window._qlHostToken = host.token;

  const reply = (status, body = '') => new Response(body, { status });
  window.fetch = async (input, init = {}) => {
    const url = new URL(String(input), 'http://127.0.0.1:56789/');
    const path = decodeURIComponent(url.pathname).replace(/^\//, '');
    const method = (init.method || 'GET').toUpperCase();
    const headers = init.headers || {};
    const request = { method, path, body: init.body, token: headers['X-Quorlin-Token'] };
    host.log.push(method + ' ' + path.split('/')[0] + '/');
    for (const [prefix, fn] of Object.entries(host.route)) {
      if (path.startsWith(prefix)) {
        const r = await fn(request);
        if (r) return reply(r.status, r.body);
      }
    }
    const needsToken = /^(save|rename|listdir)\//.test(path);
    if (needsToken && request.token !== host.token) return reply(403, 'token');
    if (method === 'POST' && path.startsWith('save/')) {
      host.projects.set(path.slice(5), String(init.body));
      return reply(200, 'saved');
    }
    if (method === 'POST' && path.startsWith('rename/')) {
      const [from, to] = url.pathname.slice('/rename/'.length).split('/').map(decodeURIComponent);
      if (!host.projects.has(from) || host.projects.has(to)) return reply(409, 'The project "' + from + '" cannot be renamed');
      host.projects.set(to, host.projects.get(from));
      host.projects.delete(from);
      return reply(200, 'renamed');
    }
    if (path.startsWith('pexists/')) {
      const doc = host.projects.get(path.slice(8));
      return doc ? reply(200, 'true') : reply(404, 'false');
    }
    if (path.startsWith('listdir/')) return host.projects.has(host.current) ? reply(200, '[]') : reply(404, 'No project is open.');
    if (path === 'tmp/quorlin_project.json') return host.staged === null ? reply(404) : reply(200, host.staged);
    return reply(404);
  };
  return host;
}

export async function loadProjectPage({ projects = {}, bridge = true, clock = false, html, before, allowErrors } = {}) {
  const toasts = [];
  let host = null;
  let theClock = null;
  const page = await loadPage({
    scripts: PROJECT_SCRIPTS,
    html,
    bridge: false,
    console: 'none',
    allowErrors,
    before: async (window) => {
      if (clock) theClock = installClock(window);
      if (bridge) host = makeHost(window, projects);
      if (before) await before(window);
    },
  });
  const { window } = page;
  // The locale files the page asks for as it loads belong to no command.
  if (host) host.log.splice(0, host.log.length, ...host.log.filter((x) => x !== 'GET Locale/'));
  // Texts are their keys, so tests read which message showed; toasts are recorded as well as shown.
  window.t = (key, vars) => (vars ? key + ' ' + JSON.stringify(vars) : key);
  const show = window.showToast;
  window.showToast = (message, type, duration, options) => {
    const [key, ...rest] = String(message).split(' ');
    toasts.push({ key, vars: rest.length ? JSON.parse(rest.join(' ')) : undefined, type });
    return show(message, type, duration, options);
  };
  window.renderToolbox = () => {};
  // Thumbnails: the canvas content has a size (jsdom lays nothing out), the picture's drawing calls are
  // accepted and do nothing, and the editor counts as idle as soon as the page has a free moment.
  const content = window.document.getElementById('canvas-content');
  if (content) {
    Object.defineProperty(content, 'offsetWidth', { configurable: true, get: () => 680 });
    Object.defineProperty(content, 'offsetHeight', { configurable: true, get: () => 480 });
  }
  const drawing = new Proxy({}, { get: (target, name) => (name in target ? target[name] : () => {}), set: (target, name, v) => { target[name] = v; return true; } });
  window.HTMLCanvasElement.prototype.getContext = () => drawing;
  window.HTMLCanvasElement.prototype.toDataURL = () => 'data:image/png;base64,UE5H';
  page.run('QL_THUMBNAIL_QUIET_MS = 0;');
  page.host = host;
  page.toasts = toasts;
  page.clock = theClock;
  page.settle = async (rounds = 20) => {
    for (let i = 0; i < rounds; i++) await new Promise((r) => setImmediate(r));
  };
  page.toastKeys = () => toasts.map((x) => x.key);
  // Waits until no thumbnail is waiting or being taken (moving the manual clock on, when there is one).
  page.thumbnailsDone = async () => {
    for (let i = 0; i < 400 && page.run('Boolean(_qlThumbnailPending || _qlThumbnailRunning)'); i++) {
      if (theClock) theClock.tick(1);
      await new Promise((r) => setTimeout(r, 5));
    }
  };
  return page;
}

// A small design as a project document text.
export function designDoc(extra = {}) {
  return JSON.stringify(Object.assign({
    version: 2,
    elements: [
      { id: 'box1', type: 'container', parentId: null, className: 'p-4' },
      { id: 'btn1', type: 'button', parentId: 'box1', text: 'Hello' },
    ],
    canvasSettings: { resolution: '800x600', padding: 'p-4' },
    flow: null,
    flowSettings: { enabled: false, size: 16 },
    animations: [{ id: 'anim_1', name: 'Intro', duration: 3, loop: false, autoRun: true, tracks: {}, muted: {} }],
    activeAnimationId: 'anim_1',
    compileSettings: { checks: { optimizer: false }, values: { icon: 'app.ico' } },
    standalonePath: '/tmp/app',
  }, extra));
}
