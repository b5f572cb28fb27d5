// Loads the design model and the canvas renderer into one jsdom page, with the model's fixture plus
// the canvas regions, and stubs for what later subsystems provide.
//
//   const page = await loadCanvas();
//   page.json('expr')            // a page value as plain test data
//   page.parse(html)             // markup -> a detached <div> of the page's document holding it
//   page.add(type, fields, parentId)  // a record created from the catalogue, with fields laid over it
import { loadPage } from '../page/jsdom-page.mjs';
import { FIXTURE, PAGE_SCRIPTS } from '../model/model-page.mjs';

export const CANVAS_SCRIPTS = ['safe.js', 'lookup.js', 'style-helpers.js', 'configs.js', 'content.js', 'renderers.js', 'wrapper.js',
  'frames.js', 'instances.js', 'patch.js', 'render.js', 'grid-runtime.js', 'chart-runtime.js', 'live-data.js',
  'fluid-text.js', 'inline-edit.js']
  .map((f) => `editor/canvas/${f}`);

export const ALL_TYPES = ['container', 'nineslice', 'accordion', 'table', 'heading', 'text', 'button', 'link', 'icon', 'image',
  'input', 'textarea', 'select', 'checkbox', 'radio', 'toggle-btn', 'toggle', 'slider', 'progress', 'alert', 'list', 'splitter',
  'contentscroll', 'chart', 'canvas', 'avplayer'];

const HTML = FIXTURE.replace('<div id="canvas-content"></div>',
  '<div id="canvas-empty"></div><div id="canvas-content"></div>');

export async function loadCanvas({ before } = {}) {
  const calls = [];
  const page = await loadPage({
    scripts: [...PAGE_SCRIPTS, ...CANVAS_SCRIPTS],
    html: HTML,
    before: async (window) => {
      // A list starts with one text child per line of its translated default items.
      window.t = (key) => (key === 'toolbox.itemDefaults.list.listItems' ? 'Item 1\nItem 2' : key);
      window.showToast = () => {};
      for (const name of ['renderProperties', 'renderComponentTree']) window[name] = () => { calls.push(name); };
      if (before) await before(window);
    },
  });
  page.calls = calls;
  page.parse = (html) => {
    const div = page.document.createElement('div');
    div.innerHTML = html;
    return div;
  };
  page.add = (type, fields = {}, parentId = null) => {
    page.window.__fields = fields;
    const id = page.run(`(function () {
      const rec = createElement(${JSON.stringify(type)}, ${JSON.stringify(parentId)});
      Object.assign(rec, window.__fields);
      selectedIds = [];
      return rec.id;
    })()`);
    return id;
  };
  return page;
}
