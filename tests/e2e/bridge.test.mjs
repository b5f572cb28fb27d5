// The real editor host under a virtual display, driven through its web view: the window-level bridge
// messages (page ready, clipboard, zoom, drag-scrubbing) and the page's local storage across ports.
// Recorders are installed from the test, so nothing here depends on the page's own code.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { offerClipboard, x11Input as x11InputOn } from '../tools/x11-input.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import {
  firstFreePortFrom, holdPort, missingTools, pressCloseButton, sleep, startEditor, until,
} from './editor.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

// The pointer helper on this test's display.
const x11Input = (args, options) => x11InputOn(display, args, options);

const pointer = () => x11Input(['position']).trim().split(' ').map(Number);

function windowViewable(title) {
  const out = spawnSync('xwininfo', ['-name', title], { env: { ...process.env, DISPLAY: display.display }, encoding: 'utf8' });
  return /Map State:\s+IsViewable/.test(out.stdout ?? '');
}

// Sends one bridge message as the page does.
const send = (ed, type, value = '') =>
  ed.session.executeScript('window.pb_event({id: "quorlin", type: arguments[0], value: arguments[1]}); return true;', [type, value]);

// Messages are handled in order and their answers run in order, so once get_zoom's answer is in,
// every answer to an earlier message is in too.
async function settle(ed) {
  await ed.session.executeScript('window._qlSettled = false; window._onZoomChange = () => { window._qlSettled = true; };');
  await send(ed, 'get_zoom');
  await ed.waitFor('window._qlSettled');
}

test('page_ready shows the window and offers the last project only while its document exists; clipboard, zoom and scrub answers reach the page',
  { skip: skip || false, timeout: 180000 }, async () => {
    // Quotes and letters outside ASCII reach the page intact (a backslash can name no project).
    const name = 'It\'s "mine" ü <b>';
    let documentPath;
    const ed = await startEditor({
      display,
      before({ tmp }) {
        const config = path.join(tmp.env.XDG_CONFIG_HOME, 'quorlin');
        fs.mkdirSync(config, { recursive: true });
        fs.writeFileSync(path.join(config, 'registry.json'), JSON.stringify({ 'Software\\Quorlin': { LastProject: name } }));
        documentPath = path.join(tmp.documents, 'Quorlin', name, `${name}.qui`);
        fs.mkdirSync(path.dirname(documentPath), { recursive: true });
        fs.writeFileSync(documentPath, JSON.stringify({ version: 2, elements: [] }));
      },
    });
    try {
      await until('the main window to be shown', () => windowViewable('Quorlin'));

      // A later page_ready repeats its steps; the recorder sees what it hands over.
      await ed.session.executeScript('window._qlLast = []; window._onLastProject = (n) => window._qlLast.push(n);');
      await send(ed, 'page_ready');
      assert.deepEqual(await ed.waitFor('window._qlLast.length && window._qlLast'), [name]);
      fs.rmSync(documentPath);
      await ed.session.executeScript('window._qlLast = [];');
      await send(ed, 'page_ready');
      await settle(ed);
      assert.deepEqual(await ed.session.executeScript('return window._qlLast'), []);
      assert.ok(windowViewable('Quorlin'));

      // Clipboard text from another program, with backslashes, quotes and line ends of both kinds.
      const text = 'back\\slash \'single\' "double"\nsecond line\r\nthird é </script>';
      const stopOffering = await offerClipboard(display, text);
      try {
        await ed.session.executeScript('window._clipboardText = null;');
        await send(ed, 'read_clipboard');
        assert.equal(await ed.waitFor('window._clipboardText'), text);
      } finally {
        stopOffering();
      }

      // Zoom: applied within 0.1..10, read back with two decimals.
      await send(ed, 'zoom', '1.25');
      await send(ed, 'zoom', '10.5');
      await ed.session.executeScript('window._qlZoom = []; window._onZoomChange = (z) => window._qlZoom.push(z);');
      await send(ed, 'get_zoom');
      assert.equal(await ed.waitFor('window._qlZoom[0]'), '1.25');
      await send(ed, 'zoom', '1');

      // A native request is answered in the editor's view; one whose callback id could break out of
      // the reply script gets no answer at all.
      await ed.session.executeScript(`window._qlNative = [];
        window._qlNativeCallback = (id, result) => window._qlNative.push([id, result]);`);
      await send(ed, 'native_read_file', JSON.stringify({ cbId: "cb_'1'", data: '{"path":"/x"}' }));
      await send(ed, 'native_read_file', JSON.stringify({ cbId: 'cb_1_x', data: '{"path":"/no/such/file"}' }));
      assert.deepEqual(await ed.waitFor('window._qlNative.length && window._qlNative'), [['cb_1_x', { error: 'file not found' }]]);

      // The URL window opens for http addresses only, and its close button closes it.
      await send(ed, 'open_external_url', 'file:///etc/passwd');
      await send(ed, 'open_external_url', `http://127.0.0.1:${ed.port}/`);
      await until('the URL window to be shown', () => windowViewable('Quorlin: web page'));
      pressCloseButton(display, 'Quorlin: web page');
      await until('the URL window to close', () => !windowViewable('Quorlin: web page'));
      assert.ok(windowViewable('Quorlin'), 'the editor stays open');

      // Drag-scrubbing: the host reads the real pointer, hands the movement over and puts it back. A
      // capture lasts while a button is held (the middle one: it does nothing on the page).
      const [originX, originY] = [700, 400];
      x11Input(['warp', String(originX), String(originY)]);
      x11Input(['press', '2']);
      await ed.session.executeScript(`window._qlDeltas = [];
        Object.defineProperty(window, '_scrubDelta', { configurable: true,
          get() { return 0; }, set(v) { window._qlDeltas.push(v); } });`);
      await send(ed, 'scrub_cursor_start', `${originX},${originY}`);
      await sleep(150);                                       // the capture takes its origin at the first tick
      x11Input(['warp', String(originX + 60), String(originY)]);
      assert.deepEqual(await ed.waitFor('window._qlDeltas.length && window._qlDeltas'), [60]);
      await until('the pointer to be put back at the origin', () => pointer()[0] === originX && pointer()[1] === originY);
      x11Input(['warp', String(originX - 25), String(originY)]);
      await until('the movement to the left', async () =>
        (await ed.session.executeScript('return window._qlDeltas')).join() === '60,-25');
      await send(ed, 'scrub_cursor_end');
      await sleep(100);
      x11Input(['warp', String(originX + 200), String(originY)]);
      await sleep(150);
      assert.deepEqual(await ed.session.executeScript('return window._qlDeltas'), [60, -25]);

      // The end message never comes: letting the button go ends the capture all the same.
      x11Input(['warp', String(originX), String(originY)]);
      await send(ed, 'scrub_cursor_start', `${originX},${originY}`);
      await sleep(150);
      x11Input(['warp', String(originX + 30), String(originY)]);
      await until('the movement of the second capture', async () =>
        (await ed.session.executeScript('return window._qlDeltas')).join() === '60,-25,30');
      x11Input(['release', '2']);
      await sleep(150);
      x11Input(['warp', String(originX + 300), String(originY)]);
      await sleep(150);
      assert.deepEqual(await ed.session.executeScript('return window._qlDeltas'), [60, -25, 30]);
      assert.deepEqual(pointer(), [originX + 300, originY], 'the pointer is left where it was put');
    } catch (e) {
      e.message += `\nhost log:\n${ed.log()}`;
      throw e;
    } finally {
      await ed.stop();
    }
  });

test('a "quorlin_" local-storage value written on the first port is still there when the editor lands on the next',
  { skip: skip || false, timeout: 180000 }, async () => {
    const data = fs.mkdtempSync(path.join(os.tmpdir(), 'quorlin-e2e-data-'));
    const shareData = ({ env }) => { env.XDG_DATA_HOME = data; };
    const value = 'kept "across" ports \\ é\nline two';
    const mirror = path.join(data, 'quorlin', 'page-storage.json');
    let holder;
    try {
      const first = await startEditor({ display, before: shareData });
      let firstPort;
      try {
        firstPort = first.port;
        await first.session.executeScript(
          'localStorage.setItem("quorlin_e2e_setting", arguments[0]); localStorage.setItem("e2e_other", "x");', [value]);
        await until('the mirror file to hold the value', () =>
          fs.existsSync(mirror) && JSON.parse(fs.readFileSync(mirror, 'utf8')).items?.quorlin_e2e_setting === value);
        assert.equal((fs.statSync(mirror).mode & 0o777), 0o600);
      } finally {
        await first.stop();
      }

      // The first editor may still be releasing its port for a moment after it was ended.
      holder = await until(`port ${firstPort} to be free`, () => holdPort(firstPort).catch(() => null));
      const expected = await firstFreePortFrom(firstPort + 1);
      const second = await startEditor({ display, before: shareData });
      try {
        assert.equal(second.port, expected);
        assert.equal(await second.session.executeScript('return localStorage.getItem("quorlin_e2e_setting")'), value);
        // Only the editor's own keys travel; WebKit's storage of the new origin is otherwise empty.
        assert.equal(await second.session.executeScript('return localStorage.getItem("e2e_other")'), null);
      } finally {
        await second.stop();
      }
    } finally {
      holder?.close();
      fs.rmSync(data, { recursive: true, force: true });
    }
  });
