// The timeline in the real program under a virtual display: a project with two animations is saved,
// closed and reopened through the picker with its animations, and the timeline panel, opened with its
// button, shows the tracks; the real window is captured while a frame is applied.
import assert from 'node:assert/strict';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, startEditor } from './editor.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

test('a saved project reopens with its animations; the timeline panel shows them in the real window',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await startEditor({ display });
    try {
      // The splash lies over the window for its first seconds and the welcome dialog follows it: both are
      // gone before the first click, or they would take it.
      await ed.waitFor('window._canvasReady && window._welcomeShown && typeof _doNewWithName === "function"', { timeoutMs: 20000 });
      await ed.session.executeScript('_dismissWelcomeModal(); return true;');
      assert.equal(await ed.session.executeScript('return _doNewWithName("Moving");'), true);
      await ed.session.executeScript(`
        saveHistoryState();
        const row = createElement('container'); row.layout = 'flex-row'; row.id = 'row';
        const b = createElement('button', 'row'); b.id = 'go';
        const h = createElement('heading', 'row'); h.id = 'title';
        selectedIds = ['go'];
        animations = [
          { id: 'anim_1', name: 'Intro', duration: 2, loop: true, autoRun: true, muted: { 'title::opacity': true },
            tracks: { go: { rotation: [{ t: 0, v: 0, ease: 'linear' }, { t: 1, v: 30, ease: 'ease-in-out' }],
                            bgColor: [{ t: 0, v: '#2563eb', ease: 'linear' }, { t: 1, v: '#db2777', ease: 'linear' }] },
                      title: { width: [{ t: 0.2, v: '20%', ease: 'linear' }, { t: 0.8, v: '60%', ease: 'ease-out-bounce' }],
                               opacity: [{ t: 0, v: 0, ease: 'linear' }, { t: 1, v: 80, ease: 'step' }] } } },
          { id: 'anim_2', name: 'Outro', duration: 1.5, loop: false, autoRun: false, muted: {},
            tracks: { title: { fontSize: [{ t: 0, v: 18, ease: 'linear' }, { t: 1, v: 36, ease: 'linear' }] } } }];
        activeAnimationId = 'anim_1';
        renderCanvas();
        return true;`);
      assert.equal(await ed.session.executeScript('return saveProject();'), true);
      const saved = JSON.parse(await ed.session.executeScript('return JSON.stringify(buildProjectDocument());'));
      await ed.session.executeScript('closeProject(); return true;');
      assert.equal(await ed.session.executeScript('return animations.length + ":" + Object.keys(animations[0].tracks).length;'), '1:0');

      await ed.session.executeScript('openProject(); return true;');
      await ed.waitFor('document.querySelector(\'#_pb_picker_modal ._proj-item[data-project="Moving"]\')');
      await ed.session.executeScript('document.querySelector(\'._proj-item[data-project="Moving"] .ql-picker-open\').click(); return true;');
      // The working overlay stays for its least time after the project is open, taking clicks until then.
      await ed.waitFor('currentProjectName === "Moving" && !_isDirty && !document.querySelector(".ql-working-overlay")');
      assert.deepEqual(JSON.parse(await ed.session.executeScript('return JSON.stringify(animations);')), saved.animations);
      assert.equal(await ed.session.executeScript('return activeAnimationId;'), 'anim_1');

      await ed.session.click(await ed.session.findElement('#btn-timeline'));
      await ed.waitFor('!document.getElementById("timeline-panel").hidden');
      // The panel takes room from the canvas, whose size read-out redraws the records a frame or two later;
      // the seek comes after that redraw, as a user's would.
      await ed.session.executeScript(`document.getElementById("timeline-panel").style.height = "300px";
        window.__settled = false;
        requestAnimationFrame(() => requestAnimationFrame(() => requestAnimationFrame(() => { window.__settled = true; })));
        return true;`);
      await ed.waitFor('window.__settled');
      await ed.session.executeScript('selectElement("go"); renderTimelineTracks(); seekAnimation(1.2); return true;');
      const shown = await ed.session.executeScript(`return {
        rows: [...document.querySelectorAll('.tl-row')].map((r) => r.dataset.el + '.' + r.dataset.prop),
        options: [...document.querySelectorAll('#tl-anim-select option')].map((o) => o.textContent),
        time: document.getElementById('tl-time').textContent,
        rot: document.querySelector('#wrap-go .rotation-fix-container').style.transform,
        flex: document.getElementById('wrap-title').style.flex };`);
      assert.deepEqual(shown.rows, ['go.rotation', 'go.bgColor', 'title.width', 'title.opacity']);
      assert.deepEqual(shown.options, ['Intro', 'Outro']);
      assert.equal(shown.time, '1.20s');
      assert.match(shown.rot, /^rotate\(\d+(\.\d+)?deg\)$/);
      assert.match(shown.flex, /^0 1 \d+(\.\d+)?%$/);
      await ed.session.screenshot(path.join(artifacts, 'timeline-webkit.png'));
    } finally {
      await ed.stop();
    }
  });
