// Loads the model, the canvas renderer and the interaction scripts into one jsdom page (no layout:
// every wrapper measures 0 x 0 there, so slot choices fall back to appending).
//
//   const page = await loadInteraction();
//   page.json('expr'), page.add(type, fields, parentId) as in the canvas tests; page.toasts
import { loadPage } from '../page/jsdom-page.mjs';
import { FIXTURE, PAGE_SCRIPTS } from '../model/model-page.mjs';
import { CANVAS_SCRIPTS } from '../canvas/canvas-page.mjs';

export const INTERACTION_SCRIPTS = ['geometry.js', 'snap.js', 'drag.js', 'toolbox.js', 'drop.js', 'resize.js', 'move.js', 'marquee.js', 'sortable.js']
  .map((f) => `editor/interaction/${f}`);

const HTML = FIXTURE
  .replace('<div id="canvas-content"></div>', '<div id="canvas-empty"></div><div id="canvas-content"></div>')
  .replace('<body>', '<body><div id="toolbox"></div><div id="custom-toolbox"></div>');

export async function loadInteraction() {
  const toasts = [];
  const page = await loadPage({
    scripts: [...PAGE_SCRIPTS, ...CANVAS_SCRIPTS, ...INTERACTION_SCRIPTS],
    html: HTML,
    before: (window) => {
      // A list starts with one text child per line of its translated default items.
      window.t = (key) => (key === 'toolbox.itemDefaults.list.listItems' ? 'Item 1\nItem 2\nItem 3' : key);
      window.showToast = (text) => { toasts.push(text); };
      window.renderProperties = () => {};
      window.renderComponentTree = () => {};
    },
  });
  page.toasts = toasts;
  page.add = (type, fields = {}, parentId = null) => {
    page.window.__fields = fields;
    return page.run(`(function () {
      const rec = createElement(${JSON.stringify(type)}, ${JSON.stringify(parentId)});
      Object.assign(rec, window.__fields);
      selectedIds = [];
      return rec.id;
    })()`);
  };
  // The design as parent/child pairs in array order: what the user sees of the tree.
  page.tree = () => page.json('elements.map(function (e) { return [e.id, e.parentId]; })');
  return page;
}
