// Projects with the real host and page under a virtual display: a new project is created, designed,
// saved, closed and opened again through the project picker with the same design; and a host killed
// while it receives a large save leaves either the old or the new document, never a broken one.
// The host's own dialog for the new project's name is skipped: the page continues from its answer.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { readPng } from '../tools/png.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor, until } from './editor.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

const projectDocument = (ed, name) => path.join(ed.tmp.documents, 'Quorlin', name, `${name}.qui`);
const designState = (ed) => ed.session.executeScript('return JSON.stringify(buildProjectDocument());');

async function startReady() {
  const ed = await startEditor({ display });
  await ed.waitFor('window._canvasReady && typeof _doNewWithName === "function"');
  await ed.session.executeScript('_dismissWelcomeModal(); return true;');
  return ed;
}

async function newProject(ed, name) {
  const check = await ed.session.executeScript(
    'return _qlAskHost("_checkNewResultPromise", "check_new", arguments[0], 5000);', [name]);
  assert.deepEqual(check, { answered: true, value: { name, exists: false } });
  assert.equal(await ed.session.executeScript('return _doNewWithName(arguments[0]);', [name]), true);
}

// The process this test started: the one whose environment names this run's exit file.
function editorPid(ed) {
  const marker = 'QUORLIN_EXIT_FILE=' + ed.env.QUORLIN_EXIT_FILE;
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      if (fs.readFileSync(`/proc/${entry}/comm`, 'utf8').trim() !== 'quorlin_app') continue;
      if (fs.readFileSync(`/proc/${entry}/environ`, 'utf8').split('\0').includes(marker)) return Number(entry);
    } catch { /* gone or not ours */ }
  }
  return null;
}

test('new project, add elements, save, close, reopen through the picker: the same design',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await startReady();
    try {
      await newProject(ed, 'Round trip');
      assert.ok(fs.existsSync(projectDocument(ed, 'Round trip')), 'the first document is on disk');
      await ed.session.executeScript(`
        saveHistoryState();
        const box = createElement('container');
        createElement('button', box.id);
        createElement('heading');
        canvasSettings.padding = 'p-6';
        renderCanvas();
        return true;`);
      assert.equal(await ed.session.executeScript('return _isDirty;'), true);
      assert.equal(await ed.session.executeScript('return saveProject();'), true);
      assert.equal(await ed.session.executeScript('return _isDirty;'), false);
      // The thumbnail follows once the editor is idle, painted from the design in the real web view.
      const thumbnail = path.join(ed.tmp.documents, 'Quorlin', 'Round trip', '.thumbnail.png');
      await until('the thumbnail to be written', () => fs.existsSync(thumbnail), { timeoutMs: 30000 });
      await until('the thumbnail to be whole', () => !ed.session || fs.statSync(thumbnail).size > 0);
      const picture = readPng(fs.readFileSync(thumbnail));
      const colours = new Set();
      for (let y = 0; y < picture.height; y += 2) for (let x = 0; x < picture.width; x += 2) colours.add(picture.pixel(x, y).join());
      assert.ok(colours.size > 10, `the thumbnail shows the design, not a flat picture (${colours.size} colours)`);
      fs.mkdirSync(artifacts, { recursive: true });
      fs.copyFileSync(thumbnail, path.join(artifacts, 'project-thumbnail.png'));
      const design = await designState(ed);
      assert.deepEqual(JSON.parse(fs.readFileSync(projectDocument(ed, 'Round trip'), 'utf8')), JSON.parse(design));
      assert.equal(JSON.parse(design).elements.length, 3);

      await ed.session.executeScript('closeProject(); return true;');
      assert.equal(await ed.session.executeScript('return elements.length + ":" + currentProjectName;'), '0:');

      await ed.session.executeScript('openProject(); return true;');
      await ed.waitFor('document.querySelector(\'#_pb_picker_modal ._proj-item[data-project="Round trip"]\')');
      await ed.session.executeScript(
        'document.querySelector(\'._proj-item[data-project="Round trip"] .ql-picker-open\').click(); return true;');
      await ed.waitFor('currentProjectName === "Round trip" && !_isDirty');
      const reopened = JSON.parse(await designState(ed));
      for (const key of Object.keys(JSON.parse(design))) {
        assert.deepEqual(reopened[key], JSON.parse(design)[key], key);
      }
      assert.equal(await ed.session.executeScript('return document.querySelectorAll("#canvas-content [id^=wrap-]").length;'), 3);
    } finally {
      await ed.stop();
    }
  });

test('kill -9 while a large design is being saved leaves the old or the new document, never a broken one',
  { skip: skip || false, timeout: 240000 }, async (t) => {
    const ed = await startReady();
    let killed = false;
    try {
      await newProject(ed, 'Big');
      await ed.session.executeScript(`
        saveHistoryState();
        for (let i = 0; i < 300; i++) createElement('text');
        return saveProject();`);
      const file = projectDocument(ed, 'Big');
      const oldText = fs.readFileSync(file, 'utf8');
      // About 40 MB of text: the body takes a while to arrive and be written.
      await ed.session.executeScript(`
        const filler = 'x'.repeat(2000);
        for (let i = 0; i < 20000; i++) elements.push({ id: 'big' + i, type: 'text', parentId: null, text: filler });
        _setDirty();
        window._bigSave = saveProject();
        return true;`);
      const folder = path.dirname(file);
      await until('the upload to start', () => fs.readdirSync(folder).some((n) => n.startsWith('.ql-upload-')),
        { timeoutMs: 20000, everyMs: 5 });
      await sleep(20);
      const pid = editorPid(ed);
      assert.ok(pid, 'the editor process is found');
      process.kill(pid, 'SIGKILL');
      killed = true;
      const text = fs.readFileSync(file, 'utf8');
      const doc = JSON.parse(text);
      const which = text === oldText ? 'old' : 'new';
      assert.equal(doc.version, 2);
      assert.equal(doc.elements.length, which === 'old' ? 300 : 20300);
      t.diagnostic(`the ${which} document is on disk`);
    } finally {
      await ed.stop().catch(() => {});
      if (!killed) console.warn('the editor was not killed');
    }
  });

test('what an upload cut short by a crash left behind is gone at the next start, and never listed',
  { skip: skip || false, timeout: 120000 }, async () => {
    let project;
    const ed = await startEditor({
      display,
      before({ tmp }) {
        project = path.join(tmp.documents, 'Quorlin', 'Crashed');
        fs.mkdirSync(path.join(project, 'images'), { recursive: true });
        fs.writeFileSync(path.join(project, 'Crashed.qui'), JSON.stringify({ version: 2, elements: [] }));
        fs.writeFileSync(path.join(project, 'images', 'photo.png'), 'PNG');
        fs.writeFileSync(path.join(project, '.ql-upload-a1b2c3.qltmp'), 'x'.repeat(100000));
        fs.writeFileSync(path.join(project, 'images', '.ql-upload-d4e5f6.qltmp'), 'half a picture');
      },
    });
    try {
      await ed.waitFor('window._canvasReady');
      const left = fs.readdirSync(project, { recursive: true }).filter((n) => n.includes('.ql-upload-'));
      assert.deepEqual(left, []);
      assert.equal(fs.readFileSync(path.join(project, 'images', 'photo.png'), 'utf8'), 'PNG');
      assert.ok(fs.existsSync(path.join(project, 'Crashed.qui')));
    } finally {
      await ed.stop();
    }
  });
