// The exporter in jsdom: the design model, the canvas renderer, the flow compiler and the export scripts,
// with a design made from the component catalogue. Documents are built by the page's own buildExportHTML.
//
//   const page = await loadExporter({ markup? });                          // markup: more of the editor's markup
//   const a = page.add('button', { text: 'Go', exportEvents: true });       // a record; returns its id
//   page.set({ resolution: 'responsive' });                                  // canvas settings laid over
//   page.flow(graph)                                                         // the project's flow graph (flow-run.mjs's flow())
//   const html = await page.build('pb', null, false);                        // buildExportHTML
//   const doc = page.parseDocument(html);                                    // a detached document, no script run
//
// bridgePage(html) runs only the host-bridge block of a built document in a fresh page, with a recording
// pb_event (page.messages) or none ({bridge: false}).
import { JSDOM } from 'jsdom';

import { loadPage, pageScripts, repoFetch } from '../page/jsdom-page.mjs';
import { FIXTURE, PAGE_SCRIPTS } from '../model/model-page.mjs';
import { CANVAS_SCRIPTS } from '../canvas/canvas-page.mjs';

export const EXPORT_SCRIPTS = pageScripts().filter((f) => /^editor\/(flow-compiler|export)\//.test(f));

export async function loadExporter({ before, markup = '' } = {}) {
  const page = await loadPage({
    scripts: [...PAGE_SCRIPTS, 'editor/shell/locale-es.js', 'editor/shell/i18n.js', ...CANVAS_SCRIPTS,
      'editor/timeline/evaluate.js', 'editor/timeline/registry.js', 'editor/timeline/model.js', 'editor/timeline/playback.js',
      'editor/flow-editor/graph.js', ...EXPORT_SCRIPTS],
    html: markup ? FIXTURE.replace('</body>', `${markup}</body>`) : FIXTURE,
    fetch: repoFetch(),
    before: async (window) => {
      window.t = (key) => (key === 'toolbox.itemDefaults.list.listItems' ? 'Item 1\nItem 2' : key);
      window.showToast = () => {};
      window.renderProperties = () => {};
      window.renderComponentTree = () => {};
      if (before) await before(window);
    },
  });
  page.json = (expr) => JSON.parse(page.run(`JSON.stringify(${expr})`) ?? 'null');
  page.add = (type, fields = {}, parentId = null) => {
    page.window.__fields = fields;
    return page.run(`(function () {
      const rec = createElement(${JSON.stringify(type)}, ${JSON.stringify(parentId)});
      Object.assign(rec, window.__fields);
      selectedIds = [];
      return rec.id;
    })()`);
  };
  page.set = (settings) => {
    page.window.__settings = settings;
    page.run('Object.assign(canvasSettings, window.__settings)');
  };
  page.flow = (graph) => {
    page.window.__graph = graph;
    page.run('_pendingFlowImport = window.__graph');
  };
  page.build = (mode = 'html', titlebar = null, debug = false) => {
    page.window.__args = [mode, titlebar, debug];
    return page.run('buildExportHTML.apply(null, window.__args)');
  };
  page.parseDocument = (html) => new JSDOM(html).window.document;
  return page;
}

// The host-bridge script of a built document (the one that defines setQuorlinTheme).
export function bridgeScript(html) {
  const scripts = [...html.matchAll(/<script>\n([\s\S]*?)\n<\/script>/g)].map((m) => m[1]);
  return scripts.find((s) => s.includes('window.setQuorlinTheme = function'));
}

// A fresh page with `body` and only the bridge block of `html` run in its head (DOMContentLoaded fires
// after it, as in a real page).
export async function bridgePage(html, { body = '', bridge = true, before } = {}) {
  const page = await loadPage({
    html: `<!DOCTYPE html><html><head></head><body>${body}<div id="pb-toast-container"></div></body></html>`,
    bridge,
    before,
  });
  page.run(bridgeScript(html), 'bridge.js');
  page.json = (expr) => JSON.parse(page.run(`JSON.stringify(${expr})`) ?? 'null');
  page.ready = () => page.document.dispatchEvent(new page.window.Event('DOMContentLoaded'));
  return page;
}

// A built document run in a fresh page: its body's markup in place, then every inline script of the
// document in order (library files are not loaded; `skip` drops scripts whose text matches it), then
// DOMContentLoaded. `before(window)` runs first (fake clocks, stubs).
export async function runDocument(html, { before, bridge = true, allowErrors = null, skip = null } = {}) {
  const parsed = new JSDOM(html).window.document;
  const scripts = [...parsed.querySelectorAll('script:not([src])')].map((s) => s.textContent)
    .filter((code) => !/^\s*tailwind\./.test(code));
  parsed.querySelectorAll('script').forEach((s) => s.remove());
  const page = await loadPage({
    html: `<!DOCTYPE html><html><head></head><body>${parsed.body.innerHTML}</body></html>`,
    bridge, before, allowErrors,
  });
  scripts.forEach((code, i) => { if (!skip || !skip.test(code)) page.run(code, `document-script-${i}.js`); });
  page.document.dispatchEvent(new page.window.Event('DOMContentLoaded'));
  page.json = (expr) => JSON.parse(page.run(`JSON.stringify(${expr})`) ?? 'null');
  return page;
}

// Animation frames and the clock under the test's hand: clock.tick(ms) moves time and runs the frames
// that were asked for.
export function fakeFrames(window) {
  const clock = { now: 1000, queue: new Map(), seq: 0 };
  window.performance.now = () => clock.now;
  window.requestAnimationFrame = (cb) => { clock.queue.set(++clock.seq, cb); return clock.seq; };
  window.cancelAnimationFrame = (id) => { clock.queue.delete(id); };
  clock.tick = (ms = 16) => {
    clock.now += ms;
    const due = [...clock.queue.values()];
    clock.queue.clear();
    due.forEach((cb) => cb(clock.now));
  };
  return clock;
}
