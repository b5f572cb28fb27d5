// Loads the design-model scripts into a jsdom page with a small fixture of the page ids they drive,
// and stubs for what later subsystems provide (t, showToast, render hooks).
//
//   const page = await loadModel({ translations?, html?, storage?, before? });
//   page.json('expr')          // a page value as plain test data (JSON round trip across realms)
//   page.toasts, page.calls    // showToast calls; calls of the stubbed render hooks by name
import { loadPage } from '../page/jsdom-page.mjs';

// The model's scripts in load order (the skeleton lists them the same way, after the shell's hooks.js).
export const MODEL_SCRIPTS = [
  'text.js', 'dom.js', 'themes-data.js', 'records.js', 'catalogue-data.js', 'state.js', 'tree.js', 'themes.js',
  'theme-store.js', 'history-parts.js', 'history.js', 'select.js', 'tree-ops.js', 'create.js',
  'clipboard.js', 'operations.js', 'page-mode.js', 'canvas-clicks.js', 'clear-canvas.js',
  'theme-pickers.js', 'theme-creator.js', 'canvas-settings.js', 'canvas-inputs.js', 'canvas-frame.js',
  'canvas-header.js',
].map((f) => `editor/model/${f}`);

// What the page loads before the model and the model uses: the shell's hook caller and pending table.
export const PAGE_SCRIPTS = ['editor/shell/hooks.js', 'editor/shell/pending.js', ...MODEL_SCRIPTS];

const LIMIT_INPUTS = ['min-w', 'min-h', 'max-w', 'max-h'].map((s) => `<input id="input-canvas-${s}">`).join('');
const THEME_BUTTONS = ['textPrimary', 'accentPrimary', 'bgPage']
  .map((k) => `<button id="theme-color-btn-${k}"></button><span id="theme-color-label-${k}"></span>`).join('');

export const FIXTURE = `<!DOCTYPE html><html><head></head><body>
<div id="canvas-header-content"><span id="canvas-header-title">Canvas</span><span class="ql-divider"></span>
  <button id="btn-undo"></button><button id="btn-redo"></button><div id="page-mode-buttons" class="hidden"></div></div>
<button id="btn-save-project"></button>
<div id="canvas-container"><div id="canvas"><div id="canvas-content"></div></div><div id="canvas-resize-handle"></div></div>
<div id="canvas-custom-dim"></div>
<select id="input-canvas-resolution"></select><input id="input-canvas-custom-w"><input id="input-canvas-custom-h">
<input id="input-canvas-overflow" type="checkbox">
<div id="wrap-canvas-transparent-bg"><input id="input-canvas-transparent-bg" type="checkbox"></div>
<select id="input-canvas-padding"><option value="p-2">p-2</option><option value="p-4">p-4</option><option value="__custom__">c</option></select>
<input id="input-canvas-padding-custom" data-prefix="p-">
<select id="input-canvas-gap"><option value="gap-2">gap-2</option><option value="__custom__">c</option></select>
<input id="input-canvas-gap-custom" data-prefix="gap-">
${LIMIT_INPUTS}<button id="pin-minW"></button><button id="pin-maxH"></button>
<div id="section-canvas-windowRadius"><select id="input-canvas-windowRadius"></select></div>
<input id="input-canvas-resize-border">
<select id="input-active-theme"></select><input id="input-theme-name"><button id="btn-theme-delete"></button>
${THEME_BUTTONS}<div id="theme-preview-strip"></div>
<div><select id="theme-sel-textColor"></select><input id="input-textColor" type="color"></div>
<div id="titlebar-options" class="hidden"></div><textarea id="input-text"></textarea>
<div id="confirm-clear-modal" class="hidden"></div>
</body></html>`;

// Texts the model writes into the design itself, as the Spanish file has them; other keys read as themselves.
const MODEL_TEXTS = { 'theme.newName': 'Tema {n}' };

export async function loadModel({ translations = {}, html = FIXTURE, storage, before } = {}) {
  translations = { ...MODEL_TEXTS, ...translations };
  const toasts = [];
  const calls = [];
  const page = await loadPage({
    scripts: PAGE_SCRIPTS,
    html,
    before: async (window) => {
      window.t = (key, vars) => {
        let text = Object.prototype.hasOwnProperty.call(translations, key) ? translations[key] : key;
        if (vars) text = text.replace(/\{(\w+)\}/g, (m, name) => (name in vars ? String(vars[name]) : m));
        return text;
      };
      window.showToast = (message, type = 'error', duration = 3000) => { toasts.push({ message, type, duration }); };
      for (const name of ['renderCanvas', 'renderProperties', 'renderComponentTree']) {
        window[name] = () => { calls.push(name); };
      }
      if (storage) for (const [k, v] of Object.entries(storage)) window.localStorage.setItem(k, v);
      if (before) await before(window);
    },
  });
  page.toasts = toasts;
  page.calls = calls;
  return page;
}
