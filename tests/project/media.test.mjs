// Media picked in the inspector against a fake host: where the file goes, under which name, what the
// element gets, what the user is told when the upload fails, and that one project's media never show
// in another.
import assert from 'node:assert/strict';
import { test, describe } from 'node:test';

import { loadProjectPage, designDoc } from './project-page.mjs';

const PICTURE = { id: 'img1', type: 'image', parentId: 'box1', src: '' };
const PLAYER = { id: 'av1', type: 'avplayer', parentId: 'box1', src: '' };

// A page with project "demo" open (a container, a button, a picture and a player), and a host whose
// project folder is `files` (path -> bytes) and records every upload.
async function openDemo({ files = {}, other = designDoc() } = {}) {
  const doc = designDoc();
  const parsed = JSON.parse(doc);
  parsed.elements.push(PICTURE, PLAYER);
  const page = await loadProjectPage({ projects: { demo: JSON.stringify(parsed), other } });
  const host = page.host;
  host.files = new Map(Object.entries(files));
  host.uploads = [];
  host.route['save/demo/'] = (request) => {
    const path = request.path.slice('save/demo/'.length);
    if (host.failUploads) return { status: 500, body: 'disk full' };
    host.uploads.push(path);
    host.files.set(path, Buffer.from(request.body).toString('latin1'));
    return { status: 200, body: 'saved' };
  };
  for (const folder of ['images/', 'Videos/']) {
    host.route[folder] = (request) => (host.files.has(request.path) ? { status: 200, body: new Uint8Array(Buffer.from(host.files.get(request.path), 'latin1')) } : { status: 404 });
  }
  // The inspector's field listeners, which the editor installs at start-up.
  page.run('setupPropertyListeners()');
  page.run('_qlSendToHost("load_project", "demo")');
  await page.settle();
  host.log.length = 0;
  page.toasts.length = 0;
  return page;
}

// Chooses a file in a hidden file field and runs the field's change handler from the markup (jsdom runs
// no inline handlers itself), then waits until the pick is done; the path the pick wrote.
async function pick(page, fileFieldId, name, bytes, { select = 'img1', meanwhile } = {}) {
  if (select) page.run(`selectElement(${JSON.stringify(select)}); renderProperties();`);
  const ids = page.json('selectedIds');
  const field = page.document.getElementById(fileFieldId);
  const file = new page.window.File([bytes], name, { type: 'application/octet-stream' });
  Object.defineProperty(field, 'files', { configurable: true, value: [file] });
  page.run(`(function () { ${field.getAttribute('onchange')} }).call(document.getElementById(${JSON.stringify(fileFieldId)}))`);
  if (meanwhile) meanwhile();
  for (let i = 0; i < 400 && page.run('_qlMediaPicksRunning') > 0; i++) await new Promise((r) => setTimeout(r, 5));
  assert.equal(page.run('_qlMediaPicksRunning'), 0, 'the pick ended');
  await page.settle();
  return page.run(`_qlLastMediaPath`);
}

const media = (page) => page.json('Object.fromEntries(_blobSrcMap)');
const src = (page, id, prop = 'src') => page.run(`_findElement(${JSON.stringify(id)})[${JSON.stringify(prop)}]`);

describe('picking media', () => {
  test('a picture goes to images/ of the open project, shows from memory at once and is one undo step', async () => {
    const page = await openDemo();
    const path = await pick(page, 'input-src-file', 'a b.png', 'PNG-1');
    assert.equal(path, 'images/a b.png');
    assert.equal(src(page, 'img1'), 'images/a b.png');
    assert.deepEqual(page.host.uploads, ['images/a b.png']);
    assert.ok(page.host.log.includes('POST save/'));
    assert.match(media(page)['images/a b.png'], /^data:/);
    assert.equal(page.document.getElementById('input-src-file').value, '', 'cleared: the same file can be picked again');
    page.run('undo()');
    assert.equal(src(page, 'img1'), '');
  });

  test('every picker writes its own property and folder', async () => {
    const page = await openDemo();
    const CASES = [
      ['input-avplayer-src-file', 'clip.mp4', 'av1', 'src', 'Videos/clip.mp4'],
      ['input-avplayer-poster-file', 'poster.png', 'av1', 'poster', 'images/poster.png'],
      ['input-bgImage-file', 'bg.png', 'box1', 'bgImage', 'images/bg.png'],
    ];
    for (const [field, name, id, prop, expected] of CASES) {
      await pick(page, field, name, 'bytes of ' + name, { select: id });
      assert.equal(src(page, id, prop), expected, field);
    }
    assert.deepEqual(page.host.uploads, ['Videos/clip.mp4', 'images/poster.png', 'images/bg.png']);
  });

  test('a different file of the same name gets a free name; the very same file keeps its name and is not sent again', async () => {
    const page = await openDemo({ files: { 'images/logo.png': 'OLD LOGO', 'images/logo-2.png': 'OTHER' } });
    assert.equal(await pick(page, 'input-src-file', 'logo.png', 'NEW LOGO'), 'images/logo-3.png');
    assert.equal(page.host.files.get('images/logo.png'), 'OLD LOGO', 'the other file is untouched');
    assert.deepEqual(page.toasts.map((x) => x.key), ['toast.mediaRenamed']);
    assert.deepEqual(page.toasts[0].vars, { name: 'logo.png', saved: 'logo-3.png' });

    page.toasts.length = 0;
    page.host.uploads.length = 0;
    assert.equal(await pick(page, 'input-src-file', 'logo.png', 'OLD LOGO'), 'images/logo.png', 'the file already there');
    assert.equal(await pick(page, 'input-src-file', 'logo.png', 'NEW LOGO'), 'images/logo-3.png', 'picked again this session');
    assert.deepEqual(page.host.uploads, []);
    assert.deepEqual(page.toastKeys(), ['toast.mediaRenamed'], 'said again for the file stored under another name');
  });

  test('an upload that fails says so; the element keeps the path and the picture shows from memory', async () => {
    const page = await openDemo();
    page.host.failUploads = true;
    await pick(page, 'input-src-file', 'pic.png', 'PNG');
    assert.equal(src(page, 'img1'), 'images/pic.png');
    assert.equal(page.toasts.at(-1).key, 'toast.mediaUploadFailed');
    assert.deepEqual(page.toasts.at(-1).vars, { name: 'pic.png', msg: 'HTTP 500: disk full' });
  });

  test('the path reaches the element picked for, even when the selection changed while the file was read', async () => {
    const page = await openDemo();
    await pick(page, 'input-src-file', 'late.png', 'PNG', { meanwhile: () => page.run('selectElement("btn1")') });
    assert.equal(src(page, 'img1'), 'images/late.png');
    assert.equal(src(page, 'btn1'), undefined);
    page.run('undo()');
    assert.equal(src(page, 'img1'), '');
  });
});

test('one project\'s media never show in another: the map is emptied by open, new and close', async () => {
  const other = JSON.parse(designDoc({ imageData: { 'images/own.png': 'data:image/png;base64,T1dO' } }));
  const page = await openDemo({ other: JSON.stringify(other) });
  await pick(page, 'input-src-file', 'mine.png', 'MINE');
  assert.deepEqual(Object.keys(media(page)), ['images/mine.png']);
  page.run('_qlSendToHost("load_project", "other")');
  await page.settle();
  assert.deepEqual(Object.keys(media(page)), ['images/own.png']);
  page.run('closeProject(); _runPendingConfirm && _runPendingConfirm();');
  await page.settle();
  assert.deepEqual(media(page), {});
});

test('transformSrcForPB: paths become addresses of the placeholder server; web, data and blob addresses stay', async () => {
  const page = await loadProjectPage();
  const CASES = [
    ['', ''],
    ['images/a.png', 'http://localhost:56789/images/a.png'],
    ['/images/a.png', 'http://localhost:56789/images/a.png'],
    ['file:///C:/pics/a b.png', 'http://localhost:56789/pics/a b.png'],
    ['file:///d:/pics/x.png', 'http://localhost:56789/pics/x.png'],
    ['file:///home/me/x.png', 'http://localhost:56789/home/me/x.png'],
    ['https://example.com/a.png', 'https://example.com/a.png'],
    ['HTTP://example.com/a.png', 'HTTP://example.com/a.png'],
    ['//cdn.example.com/a.png', '//cdn.example.com/a.png'],
    ['data:image/png;base64,AAAA', 'data:image/png;base64,AAAA'],
    ['blob:http://127.0.0.1:56789/1234', 'blob:http://127.0.0.1:56789/1234'],
  ];
  for (const [input, expected] of CASES) assert.equal(page.run(`transformSrcForPB(${JSON.stringify(input)})`), expected, input);
});

describe('loadProjectImages', () => {
  test('fetches each picture the design refers to below images/ once, from the project (never the program\'s Images/)', async () => {
    const page = await openDemo({ files: { 'images/a.png': 'A', 'images/thumb.png': 'T' } });
    page.run(`elements.push({id: 'i2', type: 'image', parentId: null, src: '/images/a.png'},
      {id: 'i3', type: 'image', parentId: null, src: 'images/a.png'},
      {id: 's1', type: 'slider', parentId: null, thumbImage: 'images/thumb.png'},
      {id: 'i4', type: 'image', parentId: null, src: 'images/missing.png'},
      {id: 'i5', type: 'image', parentId: null, src: 'https://example.com/x.png'}); _blobSrcMap.clear();`);
    page.host.log.length = 0;
    assert.equal(await page.run('loadProjectImages()'), 2);
    assert.deepEqual(page.host.log.sort(), ['GET images/', 'GET images/', 'GET images/']);
    assert.deepEqual(Object.keys(media(page)).sort(), ['images/a.png', 'images/thumb.png']);
  });

  test('a design without pictures below images/ fetches nothing', async () => {
    const page = await openDemo();
    page.host.log.length = 0;
    assert.equal(page.run('loadProjectImages()'), 0, 'at once, so no redraw follows');
    assert.deepEqual(page.host.log, []);
  });
});
