// The model inside the real page shell: the start-up sequence reads the theme store, applies the
// canvas and leaves one clean undo step.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadPage, pageScripts, repoFetch } from '../page/jsdom-page.mjs';
import { MODEL_SCRIPTS } from './model-page.mjs';

// The skeleton's scripts (which hold the model's); jsdom loads no libraries, so their loader stays out.
function scriptsWithModel() {
  assert.ok(pageScripts().includes(MODEL_SCRIPTS[0]));
  return pageScripts().filter((file) => file !== 'editor/shell/libs.js');
}

test('start-up reads the theme store, applies the canvas and takes one clean step', async () => {
  const stored = { themes: [{ name: 'Mine', type: 'dark', bgPage: '#123456', textPrimary: '#fefefe' }], activeTheme: 0 };
  const page = await loadPage({
    scripts: scriptsWithModel(),
    fetch: repoFetch(),
    console: 'none',
    before: (w) => w.localStorage.setItem('quorlin_themes', JSON.stringify(stored)),
  });
  await new Promise((resolve) => {
    const poll = () => (page.window._canvasReady ? resolve() : setTimeout(poll, 10));
    poll();
  });
  const state = JSON.parse(page.run(`JSON.stringify([canvasSettings.themes.length, getActiveTheme().name,
    document.getElementById('canvas').style.backgroundColor, historyStack.length, _isDirty])`));
  assert.deepEqual(state, [11, 'Mine', 'rgb(18, 52, 86)', 1, false]);
  page.run('saveHistoryState(); createElement("button", null); undo();');
  assert.equal(page.run('elements.length'), 0);
  assert.equal(page.run('document.getElementById("toast-container").children.length'), 1, 'the undo toast');
  page.close();
});
