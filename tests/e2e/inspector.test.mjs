// The inspector's editors in the real editor under a virtual display: a real pointer (XTest) drags the
// width field sideways, the host hides and captures the pointer, the element follows, and afterwards
// the pointer is back where the drag began with its cursor shown. Screenshots of the window go to
// tests/artifacts/.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { x11Input } from '../tools/x11-input.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor, until } from './editor.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

const x11 = (...args) => x11Input(display, args).trim();
const pointer = () => x11('position').split(' ').map(Number);

// Where the window's web view begins on the screen (the window has no frame under a bare X server).
function windowOrigin() {
  const out = spawnSync('xwininfo', ['-name', 'Quorlin'], { env: { ...process.env, DISPLAY: display.display }, encoding: 'utf8' }).stdout;
  return [Number(/Absolute upper-left X:\s+(-?\d+)/.exec(out)[1]), Number(/Absolute upper-left Y:\s+(-?\d+)/.exec(out)[1])];
}

test('dragging the width field with the real pointer widens the element; the pointer is given back',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await startEditor({ display });
    try {
      // The welcome dialog comes after the splash: both are gone before the press, or they would take it.
      await ed.waitFor('window._canvasReady === true && window._welcomeShown', { timeoutMs: 20000 });
      await ed.session.executeScript(`_dismissWelcomeModal();
        for (const id of ['welcome-modal', 'splash-overlay']) document.getElementById(id).hidden = true;
        window.__qlDown = null;
        document.addEventListener('mousedown', (e) => { window.__qlDown = e.target.id; }, true);
        return true;`);
      const id = await ed.session.executeScript(`
        const rec = createElement('button');
        rec.width = '100px';
        rec.text = 'Drag me';
        selectElement(rec.id);
        historyStack.length = 0;
        document.getElementById('input-width').scrollIntoView({ block: 'center' });
        return rec.id;`);
      const [dx, dy] = windowOrigin();
      const rect = await ed.session.executeScript(`const r = document.getElementById('input-width').getBoundingClientRect();
        return [r.left, r.top, r.width, r.height];`);
      const origin = [Math.round(dx + rect[0] + 12), Math.round(dy + rect[1] + rect[3] / 2)];
      x11('warp', String(origin[0]), String(origin[1]));
      await sleep(100);
      x11('press', '1');
      assert.equal(await ed.waitFor('window.__qlDown'), 'input-width', 'the press lands on the width field');
      await until('the capture to hide the cursor', () => x11('cursor') === 'hidden');
      // 50 px to the right in two moves: ten steps of 1 px. The host puts the pointer back past 40 px.
      x11('warp', String(origin[0] + 25), String(origin[1]));
      await ed.waitFor(`_findElement(${JSON.stringify(id)}).width === '105px'`);
      x11('warp', String(origin[0] + 50), String(origin[1]));
      await ed.waitFor(`_findElement(${JSON.stringify(id)}).width === '110px'`);
      await until('the pointer to be put back at the origin', () => pointer().join() === origin.join());
      fs.mkdirSync(artifacts, { recursive: true });
      await ed.session.screenshot(path.join(artifacts, 'inspector-scrub-during.png'));
      x11('release', '1');
      await until('the cursor to be shown again', () => x11('cursor') === 'shown');
      const out = await ed.session.executeScript(`return {
        stored: _findElement(arguments[0]).width,
        drawn: Math.round(document.getElementById('wrap-' + arguments[0]).getBoundingClientRect().width),
        field: document.getElementById('input-width').value,
        steps: historyStack.length };`, [id]);
      assert.deepEqual(out, { stored: '110px', drawn: 110, field: '110px', steps: 1 });
      assert.deepEqual(pointer(), origin, 'the pointer is where the drag began');
      // The pointer is free again: a move stays where it is put.
      x11('warp', String(origin[0] + 200), String(origin[1] + 30));
      await sleep(100);
      assert.deepEqual(pointer(), [origin[0] + 200, origin[1] + 30]);
      assert.equal(await ed.session.executeScript(`return _findElement(arguments[0]).width;`, [id]), '110px');
      await ed.session.screenshot(path.join(artifacts, 'inspector-scrub-after.png'));
    } catch (e) {
      e.message += `\nhost log:\n${ed.log()}`;
      throw e;
    } finally {
      await ed.stop();
    }
  });
