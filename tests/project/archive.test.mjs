// Project archives against a fake host: the export saves first and names the project it saved; the
// host's Start, Done and Error answers drive one lasting notice; an import loads exactly the document
// the host staged for it, as an imported project.
import assert from 'node:assert/strict';
import { test, describe } from 'node:test';

import { loadProjectPage, designDoc } from './project-page.mjs';

async function openDemo(options = {}) {
  const page = await loadProjectPage(Object.assign({ projects: { demo: designDoc(), other: designDoc() } }, options));
  page.window.html2canvas = async () => ({ toDataURL: () => 'data:image/png;base64,UE5H' });
  page.run('_qlSendToHost("load_project", "demo")');
  await page.settle();
  page.host.log.length = 0;
  page.host.sent.length = 0;
  page.toasts.length = 0;
  return page;
}

const later = (fn) => Promise.resolve().then(fn);

describe('export', () => {
  test('the open project is saved, then the host is asked for a zip of it; its answers show and clear one notice', async () => {
    const page = await openDemo();
    page.host.answer.export_project_zip = () => later(() => {
      page.window._onExportProjectZipStart();
      assert.equal(page.document.querySelectorAll('.ql-toast').length > 0, true);
      page.window._onExportProjectZipDone('/home/me/demo.pqui');
    });
    page.run('saveHistoryState(); elements[1].text = "seen by the user";');
    await page.run('exportProjectZip()');
    await page.settle();
    assert.deepEqual(page.host.log.filter((x) => x !== 'save_thumbnail'), ['POST save/', 'export_project_zip']);
    assert.equal(page.host.sent.find((m) => m.type === 'export_project_zip').value, 'demo');
    assert.equal(JSON.parse(page.host.projects.get('demo')).elements[1].text, 'seen by the user');
    assert.deepEqual(page.toastKeys().filter((k) => k.startsWith('toast.zip')), ['toast.zipExporting', 'toast.zipExported']);
    assert.equal(page.run('_qlZipToastDismiss'), null);
  });

  test('a save that fails asks for no zip', async () => {
    const page = await openDemo();
    page.host.route['save/'] = () => ({ status: 500, body: 'disk full' });
    assert.equal(await page.run('exportProjectZip()'), false);
    assert.equal(page.host.log.includes('export_project_zip'), false);
    assert.equal(page.toasts.at(-1).key, 'toast.projectSaveErrorStatus');
  });

  test('an error after Start removes the notice and says why', async () => {
    const page = await openDemo();
    page.host.answer.export_project_zip = () => later(() => {
      page.window._onExportProjectZipStart();
      page.window._onExportProjectZipError('the zip cannot be written');
    });
    await page.run('exportProjectZip()');
    await page.settle();
    assert.deepEqual(page.toasts.at(-1), { key: 'toast.zipExportError', vars: { msg: 'the zip cannot be written' }, type: 'error' });
    assert.equal(page.run('_qlZipToastDismiss'), null);
  });
});

describe('import', () => {
  const importing = (page, name, staged) => () => later(() => {
    page.window._onImportProjectZipStart();
    page.host.projects.set(name, staged);
    page.host.current = name;
    page.host.staged = staged;
    page.window._onImportProjectZipDone(name);
  });

  test('Done loads the staged document as an imported project (its standalone path is not taken over)', async () => {
    const page = await openDemo();
    const staged = designDoc({ elements: [{ id: 'zipped', type: 'text', parentId: null, text: 'from the zip' }] });
    page.host.answer.import_project_zip = importing(page, 'Zipped', staged);
    page.run('importProjectZip()');
    await page.settle();
    assert.deepEqual(page.host.log, ['import_project_zip', 'GET tmp/']);
    assert.equal(page.run('currentProjectName'), 'Zipped');
    assert.deepEqual(page.json('elements.map((e) => e.id)'), ['zipped']);
    assert.equal(page.document.getElementById('standalone-path-input')?.value ?? '', '');
    assert.equal(page.toastKeys().includes('toast.projectLoaded'), true);
    assert.equal(page.run('_qlZipToastDismiss'), null);
  });

  test('unsaved edits are not thrown away without a question', async () => {
    const page = await openDemo();
    page.host.answer.import_project_zip = importing(page, 'Zipped', designDoc());
    page.run('saveHistoryState(); elements[1].text = "unsaved";');
    page.run('importProjectZip()');
    await page.settle();
    assert.equal(page.host.log.includes('import_project_zip'), false);
    page.document.querySelector('#confirm-load-project-modal [data-role="confirm"]').click();
    await page.settle();
    assert.equal(page.run('currentProjectName'), 'Zipped');
  });

  test('an error keeps the open project and says why', async () => {
    const page = await openDemo();
    page.host.answer.import_project_zip = () => later(() => {
      page.window._onImportProjectZipStart();
      page.window._onImportProjectZipError('the zip holds no document of the project "X"');
    });
    page.run('importProjectZip()');
    await page.settle();
    assert.equal(page.run('currentProjectName'), 'demo');
    assert.equal(page.toasts.at(-1).key, 'toast.zipImportError');
    assert.equal(page.host.log.includes('GET tmp/'), false);
  });
});

test('without the desktop host both say they need it and send nothing', async () => {
  const page = await loadProjectPage({ bridge: false });
  page.run('currentProjectName = "demo"');
  await page.run('exportProjectZip()');
  page.run('importProjectZip()');
  assert.deepEqual(page.toastKeys(), ['toast.zipNeedsHost', 'toast.zipNeedsHost']);
});
