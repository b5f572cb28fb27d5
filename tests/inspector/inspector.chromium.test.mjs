// The inspector in the real page in Chromium: selecting fills the form, edits reach the canvas live,
// typing is one undo step; screenshots of the panel for a button and for the canvas are kept in
// tests/artifacts/. Skips, saying why, without Chromium or a build with the libraries.
import test, { before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';

import { repo } from '../page/jsdom-page.mjs';
import { whyNoBrowser } from '../page/browser.mjs';
import { buildHasLibraries, defaultBuildDir } from '../page/page-server.mjs';
import { openEditorInChromium } from './inspector-page.mjs';

const skip = whyNoBrowser() ?? (buildHasLibraries() ? null : `${defaultBuildDir} has no Internal_lib/ (build first)`);
const artifacts = path.join(repo, 'tests', 'artifacts');

let editor;
let session;
let errors;

before(async () => {
  if (skip) return;
  editor = await openEditorInChromium();
  session = { page: editor.page };
  errors = editor.errors;
});

after(async () => {
  await editor?.close();
});

const opts = { skip: skip || false, timeout: 60000 };

test('selecting a button fills the form; width, colour and text edits change the canvas at once', opts, async () => {
  const { page } = session;
  const id = await page.evaluate(() => {
    const rec = createElement('button');
    rec.text = 'Press';
    selectElement(rec.id);
    return rec.id;
  });
  assert.equal(await page.inputValue('#input-element-id'), id);
  assert.equal(await page.inputValue('#input-text'), 'Press');
  // The badge names the type in the editor's language, as the toolbox does.
  assert.equal(await page.textContent('#prop-type-badge'), await page.evaluate(() => t('toolbox.items.button')));
  assert.notEqual(await page.textContent('#prop-type-badge'), 'button');
  assert.equal(await page.isVisible('#section-typography'), true);
  assert.equal(await page.isVisible('#field-placeholder'), false);

  await page.fill('#input-width', '180');
  const width = await page.evaluate((i) => ({
    stored: _findElement(i).width,
    drawn: Math.round(document.getElementById('wrap-' + i).getBoundingClientRect().width),
  }), id);
  assert.deepEqual(width, { stored: '180px', drawn: 180 });

  await page.click('#tcp-btn-bgColor');
  await page.click('#tcp-panel-bgColor .tcp-row[data-key="accentMod2"]');
  const colour = await page.evaluate((i) => {
    const wrap = document.getElementById('wrap-' + i);
    const probe = document.createElement('div');
    probe.style.color = resolveColor('th:accentMod2');
    document.body.appendChild(probe);
    const expected = getComputedStyle(probe).color;
    probe.remove();
    const painted = [wrap, ...wrap.querySelectorAll('*')].map((n) => getComputedStyle(n).backgroundColor);
    return { stored: _findElement(i).bgColor, expected, painted };
  }, id);
  assert.equal(colour.stored, 'th:accentMod2');
  assert.ok(colour.painted.includes(colour.expected), `${colour.expected} painted in ${colour.painted}`);

  const before = await page.evaluate(() => historyStack.length);
  await page.click('#input-text');
  await page.keyboard.press('Control+A');
  await page.keyboard.type('Hello you!');
  const text = await page.evaluate((i) => ({
    stored: _findElement(i).text,
    drawn: document.getElementById('wrap-' + i).textContent.trim(),
    steps: historyStack.length,
  }), id);
  assert.deepEqual(text, { stored: 'Hello you!', drawn: 'Hello you!', steps: before + 1 });

  await page.evaluate(() => document.activeElement.blur());
  fs.mkdirSync(artifacts, { recursive: true });
  await page.locator('#inspector-aside').screenshot({ path: path.join(artifacts, 'inspector-button.png') });
  assert.deepEqual(errors, []);
});

test('nothing selected shows the canvas form', opts, async () => {
  const { page } = session;
  await page.evaluate(() => selectElement(null));
  assert.equal(await page.isVisible('#props-canvas'), true);
  assert.equal(await page.isVisible('#props-form'), false);
  assert.equal(await page.isVisible('#quick-actions-bar'), false);
  assert.equal(await page.inputValue('#input-canvas-justify'), await page.evaluate(() => canvasSettings.justify));
  await page.locator('#inspector-aside').screenshot({ path: path.join(artifacts, 'inspector-canvas.png') });
  assert.deepEqual(errors, []);
});
