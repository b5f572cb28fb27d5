// Loads the editor skeleton (with the inspector's markup) into jsdom with the design model and the
// inspector scripts, translations and toasts stubbed, listeners installed.
//
//   const page = await loadInspector();
//   page.add('button', {text: 'Hi'}) -> id      // a record from the catalogue, appended to the design
//   page.select(...ids)                         // selects and refreshes the panel
//   page.field(id) / page.shown(id)             // a form control; whether it and its ancestors show
//   page.json(expr), page.toasts, page.steps()  // page values; toasts; undo steps taken so far
//   page.fresh(type, props) -> id               // a design of that one element, selected, no history
//
//   const editor = await openEditorInChromium();  // the real page served as the host serves it, ready,
//   editor.page, editor.errors, editor.server,    // with the start screens out of the way; page errors
//   editor.browser, await editor.close()          // are collected in editor.errors
import { loadPage } from '../page/jsdom-page.mjs';
import { MODEL_SCRIPTS } from '../model/model-page.mjs';
import { openBrowser } from '../page/browser.mjs';
import { startPageServer } from '../page/page-server.mjs';

export const INSPECTOR_SCRIPTS = ['form-data.js', 'render.js', 'bind.js', 'identity.js', 'box-rules.js', 'size-editors.js',
  'gradient.js', 'style-editors.js', 'type-editors.js', 'canvas-form.js', 'scrub.js'].map((f) => `editor/inspector/${f}`);

export async function loadInspector({ before } = {}) {
  const toasts = [];
  const page = await loadPage({
    scripts: ['editor/shell/hooks.js', 'editor/shell/pending.js', ...MODEL_SCRIPTS, 'editor/timeline/evaluate.js', 'editor/timeline/registry.js',
      ...INSPECTOR_SCRIPTS],
    before: async (window) => {
      window.t = (key, vars) => (vars ? key + JSON.stringify(vars) : key);
      window.showToast = (message, type = 'error', duration = 3000) => { toasts.push({ message, type, duration }); };
      window.renderCanvas = () => {};
      if (before) await before(window);
    },
  });
  const { window, document } = page;
  page.run('setupPropertyListeners(); populateThemeSelects();');
  page.toasts = toasts;
  page.add = (type, props = {}, parentId) => {
    const id = page.run(`(function () {
      const entry = TOOLBOX_ITEMS.find((i) => i.type === ${JSON.stringify(type)});
      const rec = Object.assign({}, _deepCopy(entry.defaultProps),
        { id: generateId(${JSON.stringify(type)}), type: ${JSON.stringify(type)} }, ${JSON.stringify(props)});
      if (${JSON.stringify(parentId ?? null)}) rec.parentId = ${JSON.stringify(parentId ?? null)};
      elements.push(rec);
      return rec.id;
    })()`);
    return id;
  };
  page.select = (...ids) => page.run(`selectedIds = ${JSON.stringify(ids)}; renderProperties();`);
  page.field = (id) => document.getElementById(id);
  page.shown = (id) => {
    let el = document.getElementById(id);
    if (!el) throw new Error(`no element #${id}`);
    for (; el && el !== document.body; el = el.parentElement) {
      if (el.hidden || el.classList.contains('hidden') || el.style.display === 'none') return false;
    }
    return true;
  };
  page.steps = () => page.run('historyStack.length');
  // Types into a field the way a user does: focus, one input event per character, change, blur.
  page.type = (id, text) => {
    const field = document.getElementById(id);
    field.dispatchEvent(new window.FocusEvent('focus'));
    field.focus();
    field.value = '';
    for (const ch of text) {
      field.value += ch;
      field.dispatchEvent(new window.Event('input', { bubbles: true }));
    }
    field.dispatchEvent(new window.Event('change', { bubbles: true }));
    field.blur();
  };
  page.record = (id) => page.json(`_findElement(${JSON.stringify(id)})`);
  page.fresh = (type, props) => {
    page.run('elements = []; historyStack = []; redoStack = [];');
    const id = page.add(type, props);
    page.select(id);
    return id;
  };
  return page;
}

// Waits for a page of the editor to be ready and puts the splash and the welcome dialog away for good.
export async function editorReady(page) {
  await page.waitForFunction(() => window._canvasReady === true && window._twBlockerReady, null, { timeout: 20000 });
  await page.evaluate(() => {
    window._welcomeShown = true;
    _qlCallIfDefined('_dismissWelcomeModal');
    for (const id of ['welcome-modal', 'splash-overlay']) document.getElementById(id).hidden = true;
  });
}

export async function openEditorInChromium({ viewport = { width: 1440, height: 1000 } } = {}) {
  const server = await startPageServer();
  const browser = await openBrowser();
  const session = await browser.newPage({ viewport });
  const errors = [];
  session.page.on('pageerror', (e) => errors.push(e.message));
  await session.page.goto(server.origin + '/');
  await editorReady(session.page);
  return {
    server, browser, errors, page: session.page,
    async close() {
      await session.context.close();
      await browser.close();
      await server.close();
    },
  };
}
