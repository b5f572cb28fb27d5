// The eyedropper in the real host under a virtual display: the colour picker asks the host, which
// captures the screen, shows it under a lens with a blank cursor and answers the pixel clicked with the X
// pointer, exactly; Esc and a right click answer nothing; the editor answers afterwards. The known
// colours are X windows of their own (the web view's pixels are not in this display's root image, for
// any program that reads it). A picture of the screen during the pick (the lens) and of the window with
// the picker is kept.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { startXvfb } from '../tools/xvfb.mjs';
import { findProgram } from '../tools/which.mjs';
import { showPatch, x11Input } from '../tools/x11-input.mjs';
import { artifacts, missingTools, sleep, startEditor, until } from './editor.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

// Two patches of known colour on the screen: [colour, left]; each 60 x 60 at top 220.
const PATCHES = [['FF0000', 60], ['0A0B0C', 160]];

test('the eyedropper picks FF0000 and 0A0B0C exactly; Esc and a right click send nothing',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await startEditor({ display });
    const x = (args) => x11Input(display, args.map(String));
    const run = (code) => ed.session.executeScript(code, []);
    const stops = [];
    try {
      for (const [hex, left] of PATCHES) stops.push(await showPatch(display, left, 220, 60, 60, hex));
      await ed.waitFor('window._canvasReady && window._welcomeShown');
      await run(`_dismissWelcomeModal(); document.querySelectorAll('.ql-dialog-backdrop, #splash-overlay').forEach((n) => { n.hidden = true; });
        window.__picked = [];
        const apply = window._applyPickedColor;
        window._applyPickedColor = function (hex) { window.__picked.push(hex); return apply(hex); };
        openCP('bgColor');
        return true;`);
      const picked = () => run('return window.__picked.slice();');

      // Starts a pick and waits until the pick holds the pointer (its cursor is blank).
      const startPick = async () => {
        await run('document.getElementById("__cpEyedropper").click(); return true;');
        await until('the pick to hold the pointer', () => x(['cursor']).trim() === 'hidden', { timeoutMs: 10000 });
        await sleep(100);
      };

      for (const [hex, left] of PATCHES) {
        const before = (await picked()).length;
        await startPick();
        const at = [left + 30, 250];
        x(['move', ...at]);
        await sleep(120);   // a frame or more: the lens follows
        if (hex === 'FF0000' && findProgram('import')) {
          fs.mkdirSync(artifacts, { recursive: true });
          try {
            execFileSync('import', ['-window', 'root', path.join(artifacts, 'screen-pick-lens.png')], { env: { ...process.env, DISPLAY: display.display } });
          } catch { /* the picture is only a record */ }
        }
        x(['button', 1, 'click']);
        const got = await until(`the answer ${hex}`, async () => ((await picked()).length > before ? picked() : null));
        assert.deepEqual(got.slice(before), [hex]);
        assert.equal(await run('return document.getElementById("__cpHex").value;'), hex);
        assert.equal(x(['cursor']).trim(), 'shown', 'the cursor is given back');
      }

      // Cancelled picks: nothing is sent, and the picker keeps its colour.
      const count = (await picked()).length;
      for (const cancel of [() => x(['key', 'Escape']), () => x(['button', 3, 'click'])]) {
        await startPick();
        x(['move', 90, 250]);
        await sleep(100);
        cancel();
        await until('the pick to end', () => x(['cursor']).trim() === 'shown', { timeoutMs: 10000 });
        await sleep(300);
        assert.equal((await picked()).length, count);
        assert.equal(await run('return document.getElementById("__cpHex").value;'), '0A0B0C');
      }

      // The editor answers afterwards: the host takes messages again and the page still picks.
      await startPick();
      x(['move', 90, 250]);
      await sleep(100);
      x(['button', 1, 'click']);
      const last = await until('a pick after the cancelled ones', async () => ((await picked()).length > count ? picked() : null));
      assert.deepEqual(last.slice(count), ['FF0000']);
      fs.mkdirSync(artifacts, { recursive: true });
      await ed.session.screenshot(path.join(artifacts, 'screen-pick-webkit.png'));
      assert.doesNotMatch(ed.log(), /screen colour pick not available/);
    } finally {
      stops.forEach((stop) => stop());
      await ed.stop();
    }
  });
