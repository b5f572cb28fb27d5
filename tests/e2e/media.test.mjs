// Media, custom components and project archives in the real window, used as a person would: a picture
// chosen through the inspector's file field lands in the project folder and shows on the canvas; a
// component is saved from its dialog and inserted from its toolbox tile; the project goes out as a zip
// through the host's save dialog and comes back through its open dialog and overwrite question, typed
// and answered with the X keyboard. Screenshots of the whole screen (dialogs included) go to
// tests/artifacts/.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { offerClipboard, x11Input } from '../tools/x11-input.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor, until } from './editor.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

const x11 = (...args) => x11Input(display, args);

// A small PNG: 2 x 2 pixels, red, green, blue and white.
const PNG = Buffer.from('iVBORw0KGgoAAAANSUhEUgAAAAIAAAACCAIAAAD91JpzAAAAFklEQVR4nGP4z8DAwMDAxMDAwMDAAAANHQEDasKb6QAAAABJRU5ErkJggg==', 'base64');

// The title of every top-level window on the display.
function windowTitles() {
  const tree = execFileSync('xwininfo', ['-root', '-tree'], { env: { ...process.env, DISPLAY: display.display }, encoding: 'utf8' });
  return [...tree.matchAll(/^\s+0x[0-9a-f]+ "([^"]*)"/gm)].map((m) => m[1]);
}

function screenshot(name) {
  fs.mkdirSync(artifacts, { recursive: true });
  execFileSync('import', ['-window', 'root', path.join(artifacts, name)], { env: { ...process.env, DISPLAY: display.display } });
}

// Waits for the host's dialog titled `title`, then answers it with the keyboard as a user would; a path
// is pasted (typed, the dialog's completion would take letters of it for its own).
async function answerDialog(title, keys, shot) {
  await until(`the dialog "${title}"`, () => windowTitles().includes(title), { timeoutMs: 20000 });
  await sleep(700);   // mapped is not yet drawn and focused
  // Over the dialog (it opens over the middle of the editor), as a user's pointer would be.
  x11('move', '960', '540');
  await sleep(100);
  for (const [how, what] of keys) {
    if (how === 'key' && what === 'Return') {
      // The pasted path is taken in before Return chooses it.
      await sleep(800);
      if (shot) screenshot(shot);
    }
    if (how === 'paste') {
      const stop = await offerClipboard(display, what);
      x11('key', 'ctrl+v');
      assert.ok(await stop.served(), 'the dialog took the pasted path');
      await sleep(100);
      stop();
    } else {
      x11(how, what);
    }
  }
  if (keys.length === 1 && shot) screenshot(shot);
}

test('a picked picture, a saved component and the project as a zip, in the real window',
  { skip: skip || false, timeout: 240000 }, async () => {
    const ed = await startEditor({ display });
    const s = ed.session;
    try {
      await ed.waitFor('window._canvasReady && typeof _doNewWithName === "function"');
      await s.executeScript('_dismissWelcomeModal(); return true;');
      assert.equal(await s.executeScript('return _doNewWithName("Zip me");'), true);
      const project = path.join(ed.tmp.documents, 'Quorlin', 'Zip me');

      // A picture, chosen in the inspector's hidden file field.
      const picture = path.join(ed.tmp.root, 'red dot.png');
      fs.writeFileSync(picture, PNG);
      const imageId = await s.executeScript(`saveHistoryState(); const box = createElement('container');
        const img = createElement('image', box.id); selectElement(img.id); renderProperties(); return img.id;`);
      await s.sendKeys(await s.findElement('#input-src-file'), picture);
      await ed.waitFor(`_qlMediaPicksRunning === 0 && _findElement(${JSON.stringify(imageId)}).src === "images/red dot.png"`);
      await until('the upload on disk', () => fs.existsSync(path.join(project, 'images', 'red dot.png')));
      assert.deepEqual(fs.readFileSync(path.join(project, 'images', 'red dot.png')), PNG);
      await ed.waitFor(`(document.querySelector('#wrap-${imageId} img') || {}).naturalWidth === 2`);

      // The container saved as a component from its dialog, then inserted from its tile.
      await s.executeScript(`selectElement(_findElement(${JSON.stringify(imageId)}).parentId); return true;`);
      // Notices lie over the inspector's header for a few seconds.
      await ed.waitFor('!document.querySelector(".ql-toast")', { timeoutMs: 20000 });
      await s.click(await s.findElement('#btn-save-comp'));
      await ed.waitFor('document.activeElement && document.activeElement.id === "input-component-name"');
      await s.sendKeys(await s.findElement('#input-component-name'), 'Picture card\uE007');
      await ed.waitFor('customComponents.length === 1 && !document.getElementById("save-component-modal")');
      await ed.waitFor('!document.querySelector(".ql-toast")', { timeoutMs: 20000 });
      await s.click(await s.findElement('#custom-toolbox [data-ql-custom]'));
      assert.equal(await s.executeScript('return elements.filter((e) => e.type === "image").length;'), 2);
      await s.screenshot(path.join(artifacts, 'media-component.png'));

      // Out as a zip: saved first, then the host's save dialog, typed into.
      const zip = path.join(ed.tmp.root, 'out', 'zip-me.pqui');
      fs.mkdirSync(path.dirname(zip));
      await s.executeScript('exportProjectZip(); return true;');
      await answerDialog('Export project', [['key', 'ctrl+a'], ['paste', zip], ['key', 'Return']], 'media-export-dialog.png');
      await until('the zip', () => fs.existsSync(zip), { timeoutMs: 20000 });
      await ed.waitFor('!_qlZipToastDismiss');
      const names = execFileSync('python3', ['-c', 'import sys, zipfile; print("\\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))', zip],
        { encoding: 'utf8' }).trim().split('\n');
      assert.deepEqual(names.slice(0, 2), ['Zip me.qui', 'Zip me/Zip me.qui']);
      assert.ok(names.includes('Zip me/images/red dot.png'), names.join(', '));
      const saved = JSON.parse(fs.readFileSync(path.join(project, 'Zip me.qui'), 'utf8'));
      assert.equal(saved.elements.filter((e) => e.type === 'image').length, 2, 'the zip holds what the user saw');

      // The project changes on disk, then comes back from the zip: open dialog, overwrite question.
      fs.rmSync(path.join(project, 'images', 'red dot.png'));
      await s.executeScript('closeProject(); return true;');
      await ed.waitFor('!currentProjectName');
      await s.executeScript('importProjectZip(); return true;');
      await answerDialog('Import project', [['key', 'ctrl+l'], ['paste', zip], ['key', 'Return']]);
      await answerDialog('Replace project', [['key', 'alt+y']], 'media-import-question.png');
      await ed.waitFor('currentProjectName === "Zip me" && !_isDirty', { timeoutMs: 20000 });
      assert.deepEqual(fs.readFileSync(path.join(project, 'images', 'red dot.png')), PNG);
      assert.equal(await s.executeScript('return elements.filter((e) => e.type === "image").length;'), 2);
      await ed.waitFor(`(document.querySelector('#wrap-${imageId} img') || {}).naturalWidth === 2`);
      await sleep(300);
      screenshot('media-imported.png');
    } finally {
      await ed.stop();
    }
  });
