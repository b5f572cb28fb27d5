// The standalone builder in the real window against the real host: a project with pictures named with a
// space and an "é" is built into a program, once with its files beside it and once with everything
// embedded and the user's icon patched into the loader. The editor runs from a copy of the program folder
// whose loader template is the built loader (a stand-in with the icon slot when it is not built). The
// program with the icon then runs: its window carries the icon's images and its pictures show. A
// screenshot of the window after the build is kept (tests/artifacts/standalone-webkit.png).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { readProgram } from '../export/standalone-reader.mjs';
import { writePng } from '../tools/png.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { appBinary, artifacts, buildDir, missingTools, sleep, startEditor, until } from './editor.mjs';
import { loaderBinary, shownWindow, startStandalone, windowIconSizes } from './standalone.mjs';

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
  const loader = fs.existsSync(loaderBinary) ? fs.readFileSync(loaderBinary) : standInLoader();
  fs.writeFileSync(path.join(folder, 'loader', 'quorlin_loader'), loader, { mode: 0o755 });
  return { folder, loader };
}

// An icon file with one 32-bit image per size: a bitmap of one colour (bottom-up rows, then the empty
// transparency mask), as icon editors write them.
function iconFile(sizes) {
  const images = sizes.map((n) => {
    const head = Buffer.alloc(40);
    head.writeUInt32LE(40, 0);
    head.writeInt32LE(n, 4);
    head.writeInt32LE(2 * n, 8);  // colour rows and mask rows
    head.writeUInt16LE(1, 12);
    head.writeUInt16LE(32, 14);
    return Buffer.concat([head, Buffer.alloc(n * n * 4, Buffer.from([0xc0, 0x80, 0x20, 0xff])), Buffer.alloc(Math.ceil(n / 32) * 4 * n)]);
  });
  const directory = Buffer.alloc(6 + 16 * sizes.length);
  directory.writeUInt16LE(1, 2);
  directory.writeUInt16LE(sizes.length, 4);
  let at = directory.length;
  sizes.forEach((n, i) => {
    const entry = 6 + 16 * i;
    directory[entry] = n;
    directory[entry + 1] = n;
    directory.writeUInt16LE(1, entry + 4);
    directory.writeUInt16LE(32, entry + 6);
    directory.writeUInt32LE(images[i].length, entry + 8);
    directory.writeUInt32LE(at, entry + 12);
    at += images[i].length;
  });
  return { bytes: Buffer.concat([directory, ...images]), images };
}
const ICON = iconFile([16, 32]);
const PICTURES = [['images/my pic.png', writePng(3, 2, () => 0x2080c0ff)], ['images/café.png', writePng(5, 4, () => 0xc08020ff)]];

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
    for (const [name, bytes] of PICTURES) fs.writeFileSync(path.join(project, name), bytes);
    const icon = path.join(ed.tmp.root, 'app icon.ico');
    fs.writeFileSync(icon, ICON.bytes);
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
    for (const [name, bytes] of PICTURES) assert.ok(fs.readFileSync(path.join(out, name)).equals(bytes), name);
    assert.ok(fs.statSync(path.join(out, 'Libraries', 'tailwind.min.js')).size > 1000);

    // Everything inside, with the icon.
    const inside = path.join(out, 'embedded', 'App');
    assert.equal(await build(true, icon, inside), 'saved', await toastsShown());
    const bytes = fs.readFileSync(inside);
    const packed = readProgram(bytes);
    assert.equal(packed.offset, program.loader.length, 'the icon changes no length');
    assert.ok(!bytes.subarray(0, packed.offset).equals(program.loader), 'the icon is in the loader part');
    for (const image of ICON.images) assert.ok(bytes.subarray(0, packed.offset).includes(image), 'each image of the icon is in the loader part');
    const names = packed.resources.map((r) => r.name);
    for (const name of ['images/my pic.png', 'my pic.png', 'images/café.png', 'café.png', 'Libraries/tailwind.min.js']) assert.ok(names.includes(name), name);
    assert.equal(fs.readFileSync(path.join(program.folder, 'loader', 'quorlin_loader')).equals(program.loader), true, 'the template is unchanged');

    const toasts = await ed.waitFor('[...document.querySelectorAll(".ql-toast")].map((n) => n.textContent.trim()).filter(Boolean).join(" | ")');
    assert.match(toasts, /Standalone application "Stand alone" saved/);
    await sleep(300);
    fs.mkdirSync(artifacts, { recursive: true });
    await ed.session.screenshot(path.join(artifacts, 'standalone-webkit.png'));

    // The program with the icon runs (the stand-in loader cannot): its window carries the icon's two sizes,
    // and the pictures it holds show (none lies beside it in its folder).
    if (!fs.existsSync(loaderBinary)) return;
    const app = await startStandalone({ display, exe: inside });
    try {
      const sizes = await app.waitFor('document.images.length === 2 && Array.from(document.images).every((i) => i.complete) && ' +
        'Array.from(document.images).map((i) => i.naturalWidth + "x" + i.naturalHeight).join(" ")', { timeoutMs: 30000 });
      assert.equal(sizes, '3x2 5x4');
      const shown = await until('the program window to be shown', () => shownWindow(display, 'Stand alone'), { timeoutMs: 15000 });
      assert.deepEqual(windowIconSizes(display, shown).sort(), ['16x16', '32x32']);
    } finally {
      await app.stop();
    }
  } finally {
    await ed.stop();
  }
});
