// Canvas settings applied to the canvas element and its content box (inline styles; geometry is
// measured in the Chromium test).
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadModel } from './model-page.mjs';

const style = (page, id, prop) => page.run(`document.getElementById(${JSON.stringify(id)}).style[${JSON.stringify(prop)}]`);
const hidden = (page, id) => page.run(`document.getElementById(${JSON.stringify(id)}).classList.contains('hidden')`);

test('size modes', async () => {
  const page = await loadModel();
  // [settings, width, height, position, resize handle shown]
  const cases = [
    [{ resolution: '1280x720' }, '1280px', '720px', 'absolute', true],
    [{ resolution: 'custom', customW: 0, customH: 0 }, '1024px', '768px', 'absolute', true],
    [{ resolution: 'custom', customW: 300, customH: 200 }, '300px', '200px', 'absolute', true],
    [{ resolution: 'responsive' }, '100%', '', '', false],
    [{ resolution: 'centered' }, '100%', '', '', false],
  ];
  for (const [settings, w, h, position, handle] of cases) {
    page.run(`Object.assign(canvasSettings, ${JSON.stringify(settings)}); applyCanvasSettings();`);
    assert.deepEqual([style(page, 'canvas', 'width'), style(page, 'canvas', 'height'), style(page, 'canvas', 'position'), !hidden(page, 'canvas-resize-handle')],
      [w, h, position, handle], JSON.stringify(settings));
    assert.equal(hidden(page, 'canvas-custom-dim'), settings.resolution !== 'custom');
  }
  page.run('canvasSettings.resolution = "centered"; applyCanvasSettings();');
  assert.deepEqual([style(page, 'canvas', 'maxWidth'), style(page, 'canvas', 'marginLeft')], ['64rem', 'auto']);
});

test('clipping: the content box in fixed sizes, the canvas itself otherwise', async () => {
  const page = await loadModel();
  page.run('canvasSettings.hideOverflow = true; canvasSettings.resolution = "800x600"; applyCanvasSettings();');
  assert.deepEqual([style(page, 'canvas', 'overflow'), style(page, 'canvas-content', 'overflow')], ['', 'hidden']);
  page.run('canvasSettings.resolution = "responsive"; applyCanvasSettings();');
  assert.deepEqual([style(page, 'canvas', 'overflow'), style(page, 'canvas-content', 'overflow')], ['hidden', '']);
});

test('padding and gap: presets, custom lengths, and anything else', async () => {
  const page = await loadModel();
  const padding = [['p-[13px]', '13px'], ['p-4', '1rem'], ['p-0', '0px'], ['p-5', '2rem'], ['p-[1px;color:red]', '2rem']];
  for (const [value, css] of padding) {
    page.run(`canvasSettings.padding = ${JSON.stringify(value)}; applyCanvasSettings();`);
    assert.equal(style(page, 'canvas-content', 'padding'), css, value);
  }
  const gap = [['gap-[5px]', '5px'], ['gap-8', '32px'], ['gap-99', '16px'], ['', '16px']];
  for (const [value, css] of gap) {
    page.run(`canvasSettings.gap = ${JSON.stringify(value)}; applyCanvasLayoutSettings();`);
    assert.equal(style(page, 'canvas-content', 'gap'), css, value);
  }
  page.run('canvasSettings.padding = "p-[13px]"; applyCanvasSettings();');
  assert.deepEqual(page.json('[document.getElementById("input-canvas-padding").value, document.getElementById("input-canvas-padding-custom").value]'), ['__custom__', '13px']);
});

test('size limits; a maximum height alone gives a minimum height of 1px', async () => {
  const page = await loadModel();
  page.run('Object.assign(canvasSettings, { resolution: "responsive", maxH: 500, maxW: 900, minW: 120 }); applyCanvasSettings();');
  assert.deepEqual(['maxHeight', 'minHeight', 'maxWidth', 'minWidth'].map((p) => style(page, 'canvas', p)), ['500px', '1px', '900px', '120px']);
  assert.equal(page.run('document.getElementById("pin-maxH").title'), 'inspector.tooltips.deleteLimit');
  assert.equal(page.run('document.getElementById("pin-minW").title'), 'inspector.tooltips.deleteLimit');
  page.run('canvasSettings.minH = 200; applyCanvasSettings();');
  assert.equal(style(page, 'canvas', 'minHeight'), '200px');
});

test('stored sizes are integers', async () => {
  const page = await loadModel();
  for (const [value, stored] of [['300.7', 300], ['abc', 0], ['', 0], ['42px', 42]]) {
    page.run(`updateCanvasSettings('maxW', ${JSON.stringify(value)});`);
    assert.equal(page.run('canvasSettings.maxW'), stored, value);
  }
  page.run('updateCanvasSettings("resolution", "1024x768");');
  assert.equal(style(page, 'canvas', 'width'), '1024px');
});

test('the transparent background needs a title bar with an image', async () => {
  const page = await loadModel();
  page.run('elements = [{ id: "bar", type: "container", isTitlebar: true, bgImage: "" }]; canvasSettings.transparentBg = true; applyCanvasSettings();');
  assert.deepEqual([page.run('canvasSettings.transparentBg'), hidden(page, 'wrap-canvas-transparent-bg')], [false, true]);
  page.run('elements[0].bgImage = "bg.png"; canvasSettings.transparentBg = true; applyCanvasSettings();');
  assert.deepEqual([page.run('canvasSettings.transparentBg'), hidden(page, 'wrap-canvas-transparent-bg'), style(page, 'canvas', 'backgroundColor')],
    [true, false, 'transparent']);
  assert.equal(hidden(page, 'section-canvas-windowRadius'), false);
  page.run('elements = []; applyCanvasSettings();');
  assert.equal(hidden(page, 'section-canvas-windowRadius'), true);
});

test('the roots\' flex layout; stretched children', async () => {
  const page = await loadModel();
  page.run(`document.getElementById('canvas-content').innerHTML = '<div class="element-wrapper"></div><div class="element-wrapper"></div>';
    Object.assign(canvasSettings, { layout: 'flex-row', justify: 'justify-stretch-children', items: 'items-center', wrap: 'flex-wrap', alignContent: 'content-between' });
    applyCanvasLayoutSettings();`);
  assert.deepEqual(['flexDirection', 'justifyContent', 'alignItems', 'flexWrap', 'alignContent'].map((p) => style(page, 'canvas-content', p)),
    ['row', 'flex-start', 'stretch', 'wrap', 'space-between']);
  assert.equal(page.run('document.querySelector("#canvas-content .element-wrapper").style.flexGrow'), '1');
  page.run('canvasSettings.justify = "justify-end"; applyCanvasLayoutSettings();');
  assert.deepEqual([style(page, 'canvas-content', 'justifyContent'), style(page, 'canvas-content', 'alignItems'),
    page.run('document.querySelector("#canvas-content .element-wrapper").style.flex')], ['flex-end', 'center', '']);
});

test('custom padding: choosing it shows 10px and stores nothing; typing stores the bracketed value', async () => {
  const page = await loadModel();
  page.run(`var select = document.getElementById('input-canvas-padding'); var steps = historyStack.length;
    select.value = '__custom__'; handleCanvasCustomSelect(select, 'input-canvas-padding-custom', 'p-');`);
  assert.deepEqual(page.json('[document.getElementById("input-canvas-padding-custom").value, canvasSettings.padding, historyStack.length - steps]'), ['10px', 'p-2', 0]);
  page.run("var input = document.getElementById('input-canvas-padding-custom'); input.value = '3rem'; handleCanvasCustomInput(input, 'padding');");
  assert.equal(page.run('canvasSettings.padding'), 'p-[3rem]');
  assert.equal(style(page, 'canvas-content', 'padding'), '3rem');
  page.run("select.value = 'p-4'; handleCanvasCustomSelect(select, 'input-canvas-padding-custom', 'p-');");
  assert.deepEqual([page.run('canvasSettings.padding'), hidden(page, 'input-canvas-padding-custom')], ['p-4', true]);
});
