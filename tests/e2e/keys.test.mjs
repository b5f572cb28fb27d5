// The editor's keys in the real window under a virtual display (WebKitGTK), pressed on the X keyboard:
// a component clicked with the X pointer, Tab selects the next one, Delete removes it, Ctrl+Z brings it
// back, Escape leaves the canvas for the inspector with nothing selected, and Right from the canvas goes
// to the inspector. A screenshot goes to tests/artifacts/.
import assert from 'node:assert/strict';
import path from 'node:path';
import fs from 'node:fs';
import { after, before, test } from 'node:test';
import { spawnSync } from 'node:child_process';

import { x11Input } from '../tools/x11-input.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor } from './editor.mjs';

const skip = missingTools() ?? (spawnSync('xwininfo', ['-version']).error ? 'xwininfo is not installed (Debian package x11-utils)' : null);
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

function windowOrigin() {
  const out = spawnSync('xwininfo', ['-name', 'Quorlin'], { env: { ...process.env, DISPLAY: display.display }, encoding: 'utf8' }).stdout;
  return [Number(/Absolute upper-left X:\s+(-?\d+)/.exec(out)[1]), Number(/Absolute upper-left Y:\s+(-?\d+)/.exec(out)[1])];
}

test('keys on the X keyboard: Tab selects the next component, Delete and Ctrl+Z, Escape and Right change zones',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await startEditor({ display });
    const x11 = (...args) => x11Input(display, args.map(String)).trim();
    const run = (code, args = []) => ed.session.executeScript(code, args);
    try {
      await ed.waitFor('window._canvasReady === true && window._welcomeShown', { timeoutMs: 20000 });
      const ids = await run(`_dismissWelcomeModal();
        for (const id of ['welcome-modal', 'splash-overlay']) document.getElementById(id).hidden = true;
        const ids = ['button', 'button', 'heading'].map((t) => createElement(t, null).id);
        selectedIds = [];
        _canvasFocusRestore = null;
        renderCanvas();
        historyStack.length = 0;
        return ids;`);
      await sleep(300);
      const rect = await run(`const r = document.getElementById('wrap-' + arguments[0]).getBoundingClientRect();
        return [r.left, r.top, r.width, r.height];`, [ids[0]]);
      const [ox, oy] = windowOrigin();
      x11('move', Math.round(ox + rect[0] + rect[2] / 2), Math.round(oy + rect[1] + rect[3] / 2));
      await sleep(100);
      x11('button', '1', 'click');
      await ed.waitFor(`selectedIds.length === 1 && selectedIds[0] === ${JSON.stringify(ids[0])}`, { timeoutMs: 5000 });
      await ed.waitFor(`document.activeElement?.id === 'wrap-' + ${JSON.stringify(ids[0])}`, { timeoutMs: 5000 });

      x11('key', 'Tab');
      await ed.waitFor(`selectedIds[0] === ${JSON.stringify(ids[1])} && document.activeElement?.id === 'wrap-' + ${JSON.stringify(ids[1])}`, { timeoutMs: 5000 });
      x11('key', 'Delete');
      await ed.waitFor(`!_findElement(${JSON.stringify(ids[1])})`, { timeoutMs: 5000 });
      assert.equal(await run('return historyStack.length;'), 1, 'one undo step');
      // The pointer stays over the canvas, where Ctrl+Z undoes the design's last change.
      x11('key', 'ctrl+z');
      await ed.waitFor(`Boolean(_findElement(${JSON.stringify(ids[1])}))`, { timeoutMs: 5000 });

      await run(`document.getElementById('wrap-' + arguments[0]).focus(); return true;`, [ids[0]]);
      x11('key', 'Escape');
      await ed.waitFor("Boolean(document.activeElement?.closest('#inspector-aside')) && selectedIds.length === 0", { timeoutMs: 5000 });
      x11('key', 'Left');
      await ed.waitFor("Boolean(document.activeElement?.closest('#canvas-container'))", { timeoutMs: 5000 });
      x11('key', 'Right');
      await ed.waitFor("Boolean(document.activeElement?.closest('#inspector-aside'))", { timeoutMs: 5000 });
      fs.mkdirSync(artifacts, { recursive: true });
      await ed.session.screenshot(path.join(artifacts, 'keys-webkit.png'));
    } finally {
      await ed.stop();
    }
  });
