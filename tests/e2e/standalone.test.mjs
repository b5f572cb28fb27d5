// The standalone builder in the real window against the real host: a project with pictures named with a
// space and an "é" is built into a program, once with its files beside it and once with everything
// embedded and the user's icon patched into the loader. The editor runs from a copy of the program folder
// whose loader template is a stand-in with the icon slot (or the built loader, once there is one). A
// screenshot of the window after the build is kept (tests/artifacts/standalone-webkit.png).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { readProgram } from '../export/standalone-reader.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { appBinary, artifacts, buildDir, missingTools, sleep, startEditor } from './editor.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

// The loader stand-in: some code, the reserved icon slot (its head, then zeros), some data.
function standInLoader() {
  const slot = Buffer.alloc(1 << 20);
  Buffer.from('QORLNICONSLOT001').copy(slot, 0);
  slot.writeUInt32LE(1, 16);
  slot.writeUInt32LE(1 << 20, 20);
  return Buffer.concat([Buffer.from('\x7fELF stand-in loader code\n'), slot, Buffer.from('stand-in data\n')]);
}

// A program folder: a copy of the editor and of the build's folders (the host serves nothing through a
// link that leads out of its folder), and a loader template.
function programFolder(root) {
  const folder = path.join(root, 'program');
  fs.mkdirSync(path.join(folder, 'loader'), { recursive: true });
  fs.copyFileSync(appBinary, path.join(folder, 'quorlin_app'));
  fs.chmodSync(path.join(folder, 'quorlin_app'), 0o755);
  for (const name of ['Internal_lib', 'Libraries', 'Fonts', 'Images', 'Locale']) {
    if (fs.existsSync(path.join(buildDir, name))) fs.cpSync(path.join(buildDir, name), path.join(folder, name), { recursive: true, dereference: true });
  }
  const built = path.join(buildDir, 'loader', 'quorlin_loader');
  const loader = fs.existsSync(built) ? fs.readFileSync(built) : standInLoader();
  fs.writeFileSync(path.join(folder, 'loader', 'quorlin_loader'), loader, { mode: 0o755 });
  return { folder, loader };
}

// A one-image icon file (16 x 16, 32 bits).
const ICON = Buffer.concat([Buffer.from([0, 0, 1, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 4, 0, 0, 0, 22, 0, 0, 0]), Buffer.from('PIXS')]);

test('the builder writes a program that holds its page and files, beside it or inside, with the chosen icon', { skip: skip || false, timeout: 240000 }, async () => {
  let program;
  const ed = await startEditor({
    display,
    before: ({ tmp, env }) => {
      program = programFolder(tmp.root);
      env.QUORLIN_APP = path.join(program.folder, 'quorlin_app');
    },
  });
  try {
    await ed.waitFor('window._canvasReady === true && window._welcomeShown && typeof _doNewWithName === "function"', { timeoutMs: 20000 });
    await ed.session.executeScript(`_dismissWelcomeModal();
      for (const id of ['welcome-modal', 'splash-overlay']) document.getElementById(id).hidden = true;
      return true;`);
    assert.equal(await ed.session.executeScript('return _doNewWithName("Stand alone");'), true);
    const project = path.join(ed.tmp.documents, 'Quorlin', 'Stand alone');
    fs.mkdirSync(path.join(project, 'images'), { recursive: true });
    fs.writeFileSync(path.join(project, 'images', 'my pic.png'), 'MY PIC');
    fs.writeFileSync(path.join(project, 'images', 'café.png'), 'CAFE');
    const icon = path.join(ed.tmp.root, 'app icon.ico');
    fs.writeFileSync(icon, ICON);
    const out = path.join(ed.tmp.root, 'out');
    await ed.session.executeScript(`
      saveHistoryState();
      Object.assign(createElement('button'), { text: 'Go' });
      Object.assign(createElement('image'), { src: 'images/my pic.png' });
      Object.assign(createElement('image'), { src: 'images/café.png' });
      selectedIds = [];
      renderCanvas();
      // The export dialog's options.
      document.body.insertAdjacentHTML('beforeend', '<div id="opts" hidden><input type="checkbox" id="standalone-embed-check">' +
        '<input type="checkbox" id="standalone-icon-check"><input id="flag-icon-val"><input id="standalone-path-input"></div>');
      return true;`);
    const toastsShown = () => ed.session.executeScript('return [...document.querySelectorAll(".ql-toast")].map((n) => n.textContent.trim()).join(" | ")');
    const build = (embed, iconPath, target) => ed.session.executeScript(`
      document.getElementById('standalone-embed-check').checked = arguments[0];
      document.getElementById('standalone-icon-check').checked = !!arguments[1];
      document.getElementById('flag-icon-val').value = arguments[1] || '';
      document.getElementById('standalone-path-input').value = arguments[2];
      return buildStandaloneExe();`, [embed, iconPath, target]);

    // Files beside the program.
    assert.equal(await build(false, '', out + '/'), 'saved', await toastsShown());
    const beside = path.join(out, 'Stand alone');
    assert.equal(fs.statSync(beside).mode & 0o777, 0o755);
    const plain = readProgram(fs.readFileSync(beside));
    assert.ok(fs.readFileSync(beside).subarray(0, plain.offset).equals(program.loader));
    assert.deepEqual(plain.resources, []);
    assert.equal(JSON.parse(plain.meta).appName, 'Stand alone');
    assert.equal(fs.readFileSync(path.join(out, 'images', 'my pic.png'), 'utf8'), 'MY PIC');
    assert.equal(fs.readFileSync(path.join(out, 'images', 'café.png'), 'utf8'), 'CAFE');
    assert.ok(fs.statSync(path.join(out, 'Libraries', 'tailwind.min.js')).size > 1000);

    // Everything inside, with the icon.
    const inside = path.join(out, 'embedded', 'App');
    assert.equal(await build(true, icon, inside), 'saved', await toastsShown());
    const bytes = fs.readFileSync(inside);
    const packed = readProgram(bytes);
    assert.equal(packed.offset, program.loader.length, 'the icon changes no length');
    assert.ok(!bytes.subarray(0, packed.offset).equals(program.loader), 'the icon is in the loader part');
    assert.ok(bytes.subarray(0, packed.offset).includes(Buffer.from('PIXS')));
    const names = packed.resources.map((r) => r.name);
    for (const name of ['images/my pic.png', 'my pic.png', 'images/café.png', 'café.png', 'Libraries/tailwind.min.js']) assert.ok(names.includes(name), name);
    assert.equal(fs.readFileSync(path.join(program.folder, 'loader', 'quorlin_loader')).equals(program.loader), true, 'the template is unchanged');

    const toasts = await ed.waitFor('[...document.querySelectorAll(".ql-toast")].map((n) => n.textContent.trim()).filter(Boolean).join(" | ")');
    assert.match(toasts, /Standalone application "Stand alone" saved/);
    await sleep(300);
    fs.mkdirSync(artifacts, { recursive: true });
    await ed.session.screenshot(path.join(artifacts, 'standalone-webkit.png'));
  } finally {
    await ed.stop();
  }
});
