// Flows with the real host and its web view under a virtual display: the script shim runs in
// WebKitGTK (its colour reader uses the web view's own canvas), and a project's flow graph goes to disk
// and back through save, close and the project picker without a byte changing; the UI procedures act
// on a small design laid over the editor (drawing read back by pixels, scrolling, quoted file names,
// markup in list items) as they do in Chromium.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, repo, sleep, startEditor } from './editor.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

const graphText = () => fs.readFileSync(path.join(repo, 'tests', 'flow', 'fixtures', 'graph-sound.json'), 'utf8');

test('the shim runs in the web view, and a project keeps its flow graph byte for byte through disk',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await startEditor({ display });
    try {
      // The shim is one of the scripts start-up leaves for later.
      await ed.waitFor('window._canvasReady && window._qlLaterLoaded && typeof _doNewWithName === "function"');
      await ed.session.executeScript('_dismissWelcomeModal(); return true;');
      const shim = await ed.session.executeScript(`return {
        functions: Object.keys(QuorlinFlow.shim).length,
        red: _colorToHex('red'), half: _colorToHex('rgba(255, 0, 0, 0.5)'), alias: typeof Flow_SetText,
        src: _qlResolveSrc('/home/u/My Pictures/a.png') };`);
      assert.deepEqual(shim, { functions: 141 + 56 + 8 + 1, red: '#ff0000', half: '#ff000080', alias: 'function',
        src: `http://localhost:56789/ext:/home/u/My%20Pictures/a.png` });

      assert.equal(await ed.session.executeScript('return _doNewWithName(arguments[0]);', ['Flows']), true);
      const file = path.join(ed.tmp.documents, 'Quorlin', 'Flows', 'Flows.qui');
      const graph = JSON.parse(graphText());
      const doc = JSON.stringify({ version: 2, elements: [{ id: 'btn1', type: 'button', parentId: null, text: 'Go' }], flow: graph });
      assert.equal(await ed.session.executeScript('return _applyProjectData(arguments[0], "Flows.qui");', [doc]), true);
      assert.equal(await ed.session.executeScript('return saveProject();'), true);
      const saved = fs.readFileSync(file, 'utf8');
      assert.equal(JSON.stringify(JSON.parse(saved).flow), JSON.stringify(graph));

      await ed.session.executeScript('closeProject(); return true;');
      await ed.session.executeScript('openProject(); return true;');
      await ed.waitFor('document.querySelector(\'#_pb_picker_modal ._proj-item[data-project="Flows"]\')');
      await ed.session.executeScript(
        'document.querySelector(\'._proj-item[data-project="Flows"] .ql-picker-open\').click(); return true;');
      await ed.waitFor('currentProjectName === "Flows" && !_isDirty');
      assert.equal(await ed.session.executeScript('return _flowPortNameById(4, "input_2", false);'), 'In_0');
      assert.equal(await ed.session.executeScript('return saveProject();'), true);
      assert.equal(fs.readFileSync(file, 'utf8'), saved);
      fs.mkdirSync(artifacts, { recursive: true });
      await ed.session.screenshot(path.join(artifacts, 'flow-project.png'));
    } finally {
      await ed.stop();
    }
  });

test('the UI procedures act on a design in the web view: drawing, scrolling, quoted file names, list text',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await startEditor({ display });
    try {
      await ed.waitFor('window._canvasReady && typeof UI_DrawPolygon === "function"');
      await ed.session.executeScript('_dismissWelcomeModal(); return true;');
      const got = await ed.session.executeScript(`
        const layer = document.createElement('div');
        layer.id = 'wrap-qlp';
        layer.style.cssText = 'position:fixed;left:40px;top:80px;z-index:2147483647;background:#fff;padding:12px;display:flex;gap:12px;font:14px sans-serif;color:#111';
        layer.innerHTML = '<div id="wrap-qlpsketch"><canvas id="qlpsketch" width="160" height="120" style="border:1px solid #999"></canvas></div>' +
          '<div id="wrap-qlpbox"><div id="qlpbox" style="width:120px;height:120px;border:1px solid #999">Box</div></div>' +
          '<div id="qlpfeed" style="height:120px;width:120px;overflow-y:auto">' +
          [1, 2, 3, 4, 5, 6, 7, 8].map((n) => '<div id="qlpitem' + n + '" style="height:40px">Item ' + n + '</div>').join('') + '</div>' +
          '<div id="wrap-qlplist"><ul id="qlplist" style="width:200px"></ul></div>';
        document.body.appendChild(layer);
        UI_ClearCanvas(0, 'qlpsketch', '#ffffff');
        UI_SetCanvasStyle(0, 'qlpsketch', '#0000ff', '#00ff00', '4');
        UI_DrawPolygon(0, 'qlpsketch', '10,110;60,20;110,110', 'true', 'both');
        UI_DrawCircle(0, 'qlpsketch', 130, 30, 20, 'fill');
        UI_CanvasTransform(0, 'qlpsketch', 'save');
        UI_CanvasTransform(0, 'qlpsketch', 'translate', 135, 85);
        UI_CanvasTransform(0, 'qlpsketch', 'rotate', '', '', 45);
        UI_SetCanvasStyle(0, 'qlpsketch', '', '#ff0000', '');
        UI_DrawRect(0, 'qlpsketch', -10, -10, 20, 20, 'fill');
        UI_CanvasTransform(0, 'qlpsketch', 'restore');
        UI_DrawText(0, 'qlpsketch', 112, 117, 'Flow', '14', 'fill');
        const ctx = document.getElementById('qlpsketch').getContext('2d');
        const px = (x, y) => Array.from(ctx.getImageData(x, y, 1, 1).data);
        UI_SetBgImage(0, 'qlpbox', "it's (1).png");
        UI_ScrollIntoView(0, 'qlpitem6', 'top', 0, 'false');
        const feed = document.getElementById('qlpfeed');
        UI_SetListItems(0, 'qlplist', JSON.stringify(['<img src=x onerror="window.__qlpPwned=1">', 'plain']));
        return { inside: px(60, 80), edge: px(60, 20), circle: px(130, 30), turned: [px(135, 73), px(146, 74)], outside: px(5, 5),
          image: getComputedStyle(document.getElementById('qlpbox')).backgroundImage,
          scrolled: document.getElementById('qlpitem6').getBoundingClientRect().top - feed.getBoundingClientRect().top,
          items: UI_GetListItems(0, 'qlplist'), images: document.querySelectorAll('#qlplist img').length };`);
      assert.deepEqual(got, { inside: [0, 255, 0, 255], edge: [0, 0, 255, 255], circle: [0, 255, 0, 255],
        turned: [[255, 0, 0, 255], [255, 255, 255, 255]], outside: [255, 255, 255, 255],
        image: 'url("http://localhost:56789/it\'s%20(1).png")', scrolled: 0,
        items: JSON.stringify(['<img src=x onerror="window.__qlpPwned=1">', 'plain']), images: 0 });
      await sleep(300);
      assert.equal(await ed.session.executeScript('return window.__qlpPwned === undefined;'), true);
      fs.mkdirSync(artifacts, { recursive: true });
      await ed.session.screenshot(path.join(artifacts, 'flow-procedures.png'));
    } finally {
      await ed.stop();
    }
  });
