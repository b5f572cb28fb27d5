// Loaders for the timeline's tests. `loadTimelineCore()` runs the pure scripts (evaluator, registry, model,
// editing arithmetic) in a bare script context with small stand-ins for the model globals they use;
// `loadTimelinePage()` loads the design model, the canvas and the whole timeline into a jsdom page with a
// manual clock, so frames, pause and play run when a test moves time on.
import vm from 'node:vm';

import { loadPage, readRepoFile } from '../page/jsdom-page.mjs';
import { installClock } from '../page/fake-clock.mjs';
import { FIXTURE, PAGE_SCRIPTS } from '../model/model-page.mjs';
import { CANVAS_SCRIPTS } from '../canvas/canvas-page.mjs';

export const CORE_SCRIPTS = ['evaluate.js', 'registry.js', 'model.js', 'edit-ops.js'].map((f) => `editor/timeline/${f}`);
export const PANEL_SCRIPTS = ['playback.js', 'panel.js', 'tracks.js', 'capture.js', 'keyframes.js', 'keys.js']
  .map((f) => `editor/timeline/${f}`);

export function loadTimelineCore() {
  const context = {
    elements: [],
    _deepCopy: (v) => JSON.parse(JSON.stringify(v)),
    _qlCallIfDefined: (name, ...args) => (typeof context[name] === 'function' ? context[name](...args) : undefined),
  };
  vm.createContext(context);
  for (const file of CORE_SCRIPTS) vm.runInContext(readRepoFile(file), context, { filename: file });
  // Plain data out of the context (its arrays and objects belong to another realm).
  context.json = (expr) => JSON.parse(vm.runInContext(`JSON.stringify(${expr})`, context) ?? 'null');
  context.run = (code) => vm.runInContext(code, context);
  return context;
}

// The timeline panel's markup (its fragment), beside the model's fixture and the canvas regions.
function panelMarkup() {
  return readRepoFile('editor/timeline/panel.html');
}

export async function loadTimelinePage({ before, trapComputedStyle = true } = {}) {
  let clock;
  const html = FIXTURE.replace('<div id="canvas-content"></div>',
    '<div id="canvas-empty"></div><div id="canvas-content"></div>') .replace('</body>', panelMarkup() + '</body>');
  const page = await loadPage({
    scripts: [...PAGE_SCRIPTS, ...CORE_SCRIPTS, ...CANVAS_SCRIPTS, ...PANEL_SCRIPTS],
    html,
    before: async (window) => {
      clock = installClock(window);
      window.t = (key, vars) => (vars && vars.name ? `${key}:${vars.name}` : key);
      window.toasts = [];
      window.showToast = (message, type) => { window.toasts.push({ message, type }); };
      for (const name of ['renderProperties', 'renderComponentTree']) window[name] = () => {};
      // A frame must never force a layout: reading computed styles throws.
      window.computedStyleReads = 0;
      if (trapComputedStyle) {
        window.getComputedStyle = () => {
          window.computedStyleReads++;
          throw new Error('getComputedStyle called');
        };
      }
      if (before) await before(window);
    },
  });
  page.clock = clock;
  page.add = (type, fields = {}, parentId = null) => {
    page.window.__fields = fields;
    return page.run(`(function () {
      const rec = createElement(${JSON.stringify(type)}, ${JSON.stringify(parentId)});
      Object.assign(rec, window.__fields);
      if (window.__fields.id) rec.id = window.__fields.id;
      selectedIds = [];
      return rec.id;
    })()`);
  };
  return page;
}
