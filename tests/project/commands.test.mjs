// The project commands against a fake host: the messages and requests each sends, in order; what
// happens when the host does not answer; and when the project counts as saved.
import assert from 'node:assert/strict';
import { test, describe } from 'node:test';

import { loadProjectPage, designDoc } from './project-page.mjs';

const THUMB = 'data:image/png;base64,UE5H';

// A page with project "demo" open and clean, and a thumbnail capture that works.
async function openDemo(options = {}) {
  const page = await loadProjectPage(Object.assign({ projects: { demo: designDoc(), other: designDoc() } }, options));
  page.window.html2canvas = async () => ({ toDataURL: () => THUMB });
  page.run('_qlSendToHost("load_project", "demo")');
  await page.settle();
  assert.equal(page.run('currentProjectName'), 'demo');
  page.host.log.length = 0;
  page.host.sent.length = 0;
  page.toasts.length = 0;
  return page;
}

const edit = (page) => page.run('saveHistoryState(); elements[1].text = "changed " + Date.now();');
const modal = (page, id) => page.document.getElementById(id);
const confirm = (page, id) => modal(page, id).querySelector('[data-role="confirm"]').click();

describe('save', () => {
  test('POST save/ to the open project, then the thumbnail once idle; no thumbnail for a design with a drawing canvas', async () => {
    const page = await openDemo();
    page.document.getElementById('input-filename').value = '';
    edit(page);
    assert.equal(await page.run('saveProject()'), true);
    assert.deepEqual(page.host.log, ['POST save/'], 'the thumbnail is not part of the save');
    await page.thumbnailsDone();
    assert.deepEqual(page.host.log, ['POST save/', 'save_thumbnail']);
    assert.equal(page.host.sent.at(-1).value, 'demo|UE5H');
    assert.equal(JSON.parse(page.host.projects.get('demo')).elements[1].text.startsWith('changed'), true);
    assert.equal(page.run('_isDirty'), false);
    assert.equal(page.host.projects.has('interfaz'), false, 'an empty name input still saves the open project');

    page.host.log.length = 0;
    page.run('elements.push({id: "draw", type: "canvas"})');
    await page.run('saveProject()');
    await page.thumbnailsDone();
    assert.deepEqual(page.host.log, ['POST save/']);
  });

  test('without an open project nothing is written', async () => {
    const page = await loadProjectPage();
    page.document.getElementById('input-filename').value = 'interfaz';
    assert.equal(await page.run('saveProject()'), false);
    assert.deepEqual(page.host.log.filter((x) => x !== 'GET Internal_lib/'), []);
  });

  const REPLIES = [
    ['2xx', () => ({ status: 201, body: 'saved' }), false, 'toast.projectSaved'],
    ['a refusal', () => ({ status: 500, body: '-1 | -1' }), true, 'toast.projectSaveErrorStatus'],
    ['a network failure', () => { throw new TypeError('connection refused'); }, true, 'toast.projectSaveError'],
  ];
  for (const [what, route, dirty, toast] of REPLIES) {
    test(`${what}: dirty afterwards ${dirty}, toast ${toast}`, async () => {
      const page = await openDemo();
      page.host.route['save/'] = route;
      edit(page);
      await page.run('saveProject()');
      await page.thumbnailsDone();
      assert.equal(page.run('_isDirty'), dirty);
      assert.equal(page.toasts.at(-1).key, toast);
      if (what === 'a refusal') assert.deepEqual(page.toasts.at(-1).vars, { status: 500, msg: '-1 | -1' });
      assert.equal(page.host.log.includes('save_thumbnail'), !dirty);
    });
  }

  test('an edit made while the save is on its way stays unsaved', async () => {
    const page = await openDemo();
    let release;
    page.host.route['save/'] = () => new Promise((resolve) => { release = () => resolve(undefined); });
    edit(page);
    const saving = page.run('saveProject({silent: true})');
    await page.settle();
    edit(page);
    delete page.host.route['save/'];
    release();
    assert.equal(await saving, true);
    assert.equal(page.run('_isDirty'), true);
    await page.run('saveProject({silent: true})');
    assert.equal(page.run('_isDirty'), false);
  });

  test('autosave: nothing while clean; after an edit the next tick saves silently', async () => {
    const page = await openDemo({ clock: true });
    page.run('toggleAutosave()');
    page.clock.tick(300000);
    await page.settle();
    assert.deepEqual(page.host.log, []);
    edit(page);
    page.clock.tick(300000);
    await page.settle();
    await page.thumbnailsDone();
    assert.deepEqual(page.host.log, ['POST save/', 'save_thumbnail']);
    assert.deepEqual(page.toastKeys(), ['toast.autoSaved']);
    assert.equal(page.window.localStorage.getItem('quorlin_autosave_enabled'), 'true');
  });
});

describe('new project', () => {
  test('name, check, create, wait for the folder, first document', async () => {
    const page = await loadProjectPage();
    page.host.nextName = '/home/u/Documents/Quorlin/Fresh.qui';
    await page.run('newProject()');
    await page.settle();
    assert.deepEqual(page.host.log.filter((x) => x !== 'GET Internal_lib/'),
      ['new_project_request', 'check_new', 'new', 'GET listdir/', 'POST save/']);
    assert.deepEqual(Object.keys(JSON.parse(page.host.projects.get('Fresh'))), ['version', 'elements', 'canvasSettings', 'imageData', 'flow']);
    assert.deepEqual([page.run('currentProjectName'), page.run('_isDirty'), page.run('_toolboxEnabled')], ['Fresh', false, true]);
    assert.equal(page.toasts.at(-1).key, 'toast.projectCreated');
  });

  test('with a dirty project open, the close question comes first, then the name request', async () => {
    const page = await openDemo();
    edit(page);
    page.host.nextName = 'Next';
    page.run('newProject()');
    assert.ok(modal(page, 'confirm-close-project-modal'));
    assert.deepEqual(page.host.log, []);
    confirm(page, 'confirm-close-project-modal');
    await page.settle();
    assert.equal(page.host.log[0], 'new_project_request');
    assert.equal(page.run('currentProjectName'), 'Next');
  });

  const SILENCES = [
    ['no answer to the name request', 'new_project_request', 30000, []],
    ['no answer to the existence check', 'check_new', 5000, ['toast.projectCheckFailed']],
  ];
  for (const [what, silent, wait, toasts] of SILENCES) {
    test(`${what}: after ${wait} ms the command ends and nothing is created`, async () => {
      const page = await loadProjectPage({ clock: true, projects: { Taken: designDoc() } });
      page.host.nextName = 'Taken';
      page.host.answer[silent] = () => {};
      page.run('newProject()');
      await page.settle();
      page.clock.tick(wait - 1);
      await page.settle();
      assert.equal(page.run('_newProjectRunning'), true);
      page.clock.tick(1);
      await page.settle();
      assert.equal(page.run('_newProjectRunning'), false);
      assert.equal(page.host.log.includes('new'), false);
      assert.equal(page.host.projects.get('Taken'), designDoc(), 'the existing project is not overwritten');
      assert.deepEqual(page.toastKeys(), toasts);
      page.run('window._checkNewResult("Taken", 0); window._newProjectName({name: "Taken", cancelled: false})');
      await page.settle();
      assert.equal(page.host.log.includes('new'), false, 'a late answer is ignored');
    });
  }

  test('an existing project is refused', async () => {
    const page = await loadProjectPage({ projects: { Taken: designDoc() } });
    page.host.nextName = 'Taken';
    await page.run('newProject()');
    await page.settle();
    assert.equal(page.host.log.includes('new'), false);
    assert.equal(page.toasts.at(-1).key, 'toast.projectExists');
  });

  test('a folder the host never creates: an error, and the design stays unsaved', async () => {
    const page = await loadProjectPage({ clock: true });
    page.host.nextName = 'Ghost';
    page.host.answer.new = () => {};
    page.run('newProject()');
    for (let i = 0; i < 60; i++) {
      page.clock.tick(100);
      await page.settle(3);
    }
    assert.equal(page.host.log.includes('POST save/'), false);
    assert.equal(page.toasts.at(-1).key, 'toast.projectCreateFailed');
    assert.equal(page.toastKeys().includes('toast.projectCreated'), false);
    assert.equal(page.run('_isDirty'), true);
  });
});

describe('open', () => {
  test('unsaved changes ask first; then load, the picker, load_project and the staged document', async () => {
    const page = await openDemo();
    edit(page);
    page.run('openProject()');
    assert.deepEqual(page.host.log, []);
    confirm(page, 'confirm-load-project-modal');
    await page.settle();
    const rows = [...page.document.querySelectorAll('#_pb_picker_modal ._proj-item')];
    assert.deepEqual(rows.map((r) => r.dataset.project), ['demo', 'other']);
    rows[1].querySelector('.ql-picker-open').click();
    await page.settle();
    assert.deepEqual(page.host.log, ['load', 'GET thumb/', 'GET thumb/', 'load_project', 'GET tmp/']);
    assert.deepEqual([page.run('currentProjectName'), page.run('_isDirty')], ['other', false]);
    assert.equal(modal(page, '_pb_picker_modal'), null);
  });

  test('picker keys: no wrap at the ends, Enter opens the selected row; an empty folder says so', async () => {
    // The rows name projects the fake host does not hold: opening "c" is refused (and logged).
    const page = await openDemo({ allowErrors: /staged document/ });
    page.run('_showProjectPicker(["a", {name: "b", thumb: null}, "c"])');
    const key = (k) => page.document.dispatchEvent(new page.window.KeyboardEvent('keydown', { key: k }));
    const selected = () => page.document.querySelector('.ql-picker-selected').dataset.project;
    key('ArrowUp');
    assert.equal(selected(), 'a');
    key('ArrowDown'); key('ArrowDown'); key('ArrowDown');
    assert.equal(selected(), 'c');
    key('Enter');
    assert.deepEqual(page.host.sent.at(-1), { type: 'load_project', value: 'c' });
    page.run('_showProjectPicker([])');
    assert.equal(page.document.querySelector('#_pb_picker_modal .ql-picker-empty').textContent, 'project.noProjects');
  });

  test('a staged document that cannot be read: the toast says so and the host is sent back to the open project', async () => {
    const page = await openDemo({ allowErrors: /load refused/ });
    page.host.projects.set('broken', '{"elements": 7}');
    const before = page.run('JSON.stringify(buildProjectDocument())');
    page.run('_qlSendToHost("load_project", "broken")');
    await page.settle();
    assert.equal(page.toasts[0].key, 'toast.projectLoadError');
    assert.deepEqual(page.host.sent.map((m) => m.type + ':' + m.value), ['load_project:broken', 'load_project:demo']);
    assert.equal(page.host.current, 'demo');
    assert.equal(page.run('JSON.stringify(buildProjectDocument())'), before);
    assert.equal(page.host.log.filter((x) => x === 'GET tmp/').length, 1, 'the host\'s answer is not loaded again');
  });

  test('a command-line document opens like any other: flow, animations and compile settings kept', async () => {
    const page = await loadProjectPage({ projects: { cli: '' } });
    const node = { id: 1, name: 'Event_OnClick', data: {}, class: '', html: 'Event_OnClick', typenode: true, inputs: {}, outputs: {}, pos_x: 0, pos_y: 0 };
    const flow = { drawflow: { Home: { data: { 1: node } } }, variables: [], constants: [] };
    page.window._cliProjectName = 'cli';
    page.window._cliProjectJson = JSON.parse(designDoc({ flow }));
    assert.equal(page.run('_loadProjectFromCLI()'), true);
    await page.run('saveProject()');
    const saved = JSON.parse(page.host.projects.get('cli'));
    assert.deepEqual(saved.flow.drawflow, flow.drawflow);
    assert.equal(saved.animations[0].name, 'Intro');
    assert.equal(saved.compileSettings !== undefined, true);
  });
});

describe('save as, delete, close, rename', () => {
  test('save as: save_as, then the host names the copy and the design is saved there', async () => {
    const page = await openDemo();
    page.host.saveAsName = 'Copy';
    await page.run('saveProjectAs()');
    await page.settle();
    await page.thumbnailsDone();
    assert.deepEqual(page.host.log, ['save_as', 'POST save/', 'save_thumbnail']);
    assert.equal(page.run('currentProjectName'), 'Copy');
    assert.equal(page.window.document.title, 'Quorlin - Copy');
    assert.ok(page.host.projects.get('Copy'));
  });

  test('delete the open project: asked, sent, confirmed gone, closed', async () => {
    const page = await openDemo();
    page.run('deleteProject()');
    confirm(page, 'confirm-delete-project-modal');
    await page.settle();
    assert.deepEqual(page.host.log, ['delete', 'GET pexists/']);
    assert.equal(page.host.sent[0].value, 'demo');
    assert.equal(page.run('currentProjectName'), '');
    assert.equal(page.toasts.at(-1).key, 'toast.projectDeleted');
  });

  test('a delete the host does not carry out is reported, and the project stays open', async () => {
    const page = await openDemo({ clock: true });
    page.host.answer.delete = () => {};
    const done = page.run('executeDeleteProject()');
    for (let i = 0; i < 40; i++) {
      page.clock.tick(150);
      await page.settle(3);
    }
    assert.equal(await done, false);
    assert.equal(page.run('currentProjectName'), 'demo');
    assert.deepEqual(page.toastKeys(), ['toast.projectDeleteFailed']);
  });

  test('deleting another project from the picker leaves the open one; deleting the open one closes it', async () => {
    const page = await openDemo();
    page.run('_showProjectPicker(["demo", "other"])');
    const row = (n) => page.document.querySelector(`._proj-item[data-project="${n}"]`);
    row('other').querySelector('.ql-picker-delete').click();
    confirm(page, 'confirm-delete-from-picker-modal');
    await page.settle();
    assert.equal(row('other'), null);
    assert.equal(page.run('currentProjectName'), 'demo');
    row('demo').querySelector('.ql-picker-delete').click();
    confirm(page, 'confirm-delete-from-picker-modal');
    await page.settle();
    assert.equal(page.run('currentProjectName'), '');
    assert.ok(page.document.querySelector('#_pb_picker_modal .ql-picker-empty'));
  });

  test('the source export is offered once a compiler is found; until then its tooltip says why it is off', async () => {
    const page = await openDemo();
    const pb = () => page.json('[document.getElementById("btn-export-pb").disabled, document.getElementById("btn-export-pb").title]');
    page.run('window._pbInstalled = false; _enableProjectButtons()');
    assert.deepEqual(pb(), [true, page.run('t("project.exportPbNoCompiler")')]);
    page.run('window._pbInstalled = true; _enableProjectButtons()');
    assert.deepEqual(pb(), [false, page.run('t("project.exportPbTitle")')]);
  });

  test('close: empty design, no history, no name, toolbox off, buttons off', async () => {
    const page = await openDemo();
    edit(page);
    page.run('closeProject()');
    confirm(page, 'confirm-close-project-modal');
    assert.deepEqual(page.json('[elements.length, historyStack.length, redoStack.length, currentProjectName, _isDirty, _toolboxEnabled]'),
      [0, 0, 0, '', false, false]);
    const cs = page.json('canvasSettings');
    assert.deepEqual([cs.resolution, cs.customW, cs.padding, cs.gap, cs.resizeBorder, cs.activeTheme], ['responsive', 680, 'p-2', 'gap-2', 10, 0]);
    assert.deepEqual(['btn-save-project', 'btn-delete-project', 'btn-autosave'].map((id) => page.document.getElementById(id).disabled), [true, true, true]);
    assert.equal(page.document.getElementById('btn-close-project').hidden, true);
    assert.equal(page.document.title, 'Quorlin');
  });

  const RENAMES = [
    ['the same name sends nothing', 'demo', [], null],
    ['a refusal shows the host\'s text', 'other', ['POST rename/'], 'toast.errorRename'],
    ['the open project and the host follow its new name', 'renamed', ['POST rename/', 'load_project'], 'toast.projectRenamed'],
  ];
  for (const [what, to, log, toast] of RENAMES) {
    test(`rename in the picker: ${what}`, async () => {
      const page = await openDemo();
      page.run('_showProjectPicker(["demo", "other"])');
      page.host.log.length = 0;
      page.document.querySelector('._proj-item[data-project="demo"] .ql-picker-rename').click();
      page.document.getElementById('input-rename-project').value = to;
      confirm(page, 'confirm-rename-from-picker-modal');
      await page.settle();
      assert.deepEqual(page.host.log, log);
      if (toast) assert.equal(page.toasts.at(-1).key, toast);
      if (toast === 'toast.errorRename') assert.match(page.toasts.at(-1).vars.msg, /cannot be renamed/);
      if (to === 'renamed') {
        assert.deepEqual([page.run('currentProjectName'), page.document.title], ['renamed', 'Quorlin - renamed']);
        assert.equal(page.host.current, 'renamed', 'the host\'s open project follows (its folder was moved)');
      }
    });
  }

  // The name field of the left column renames through the same steps; whatever it does not rename to
  // goes back to the project's own name.
  const type = (page, text, key) => {
    const input = page.document.getElementById('input-filename');
    input.focus();
    input.value = text;
    input.dispatchEvent(new page.window.KeyboardEvent('keydown', { key, bubbles: true }));
    if (key !== 'Enter') input.blur();
    return input;
  };
  const FIELD = [
    ['Enter with a new name renames the project', 'fresh', 'Enter', ['POST rename/', 'load_project'], 'fresh', 'toast.projectRenamed'],
    ['Enter with the name of another project is refused with the host\'s text', 'other', 'Enter', ['POST rename/'], 'demo', 'toast.errorRename'],
    ['Enter with the same name or blanks sends nothing', '  demo ', 'Enter', [], 'demo', null],
    ['Enter on an empty field sends nothing', '   ', 'Enter', [], 'demo', null],
    ['Escape drops what was typed', 'fresh', 'Escape', [], 'demo', null],
    ['leaving the field drops what was typed', 'fresh', 'Tab', [], 'demo', null],
  ];
  for (const [what, text, key, log, shown, toast] of FIELD) {
    test(`name field: ${what}`, async () => {
      const page = await openDemo();
      const input = type(page, text, key);
      await page.settle();
      assert.deepEqual(page.host.log, log);
      assert.equal(input.value, shown);
      assert.equal(page.run('currentProjectName'), shown);
      assert.equal(page.host.current, shown);
      assert.equal(page.host.projects.has(shown), true);
      assert.equal(page.toasts.at(-1)?.key ?? null, toast);
      assert.equal(page.host.log.includes('GET tmp/'), false, 'the open design is not loaded again');
    });
  }

  test('name field: a rename that cannot reach the host is told and the name goes back; with no project it is read-only', async () => {
    const page = await openDemo();
    page.host.route['rename/'] = () => { throw new TypeError('connection refused'); };
    const input = type(page, 'fresh', 'Enter');
    await page.settle();
    assert.deepEqual([input.value, page.run('currentProjectName'), page.toasts.at(-1).key], ['demo', 'demo', 'toast.errorRenameProject']);
    assert.equal(input.readOnly, false);
    page.run('executeCloseProject()');
    assert.deepEqual([input.value, input.readOnly], ['', true]);
  });

  test('name field without a host: it names the next new project; an open project\'s name is read-only', async () => {
    const page = await loadProjectPage({ bridge: false });
    const input = page.document.getElementById('input-filename');
    assert.equal(input.readOnly, false);
    input.value = 'draft';
    input.dispatchEvent(new page.window.FocusEvent('blur'));
    assert.equal(input.value, 'draft', 'kept for the new project');
    page.run(`_applyProjectData(${JSON.stringify(designDoc())}, 'local.qui')`);
    assert.deepEqual([input.value, input.readOnly, page.run('currentProjectName')], ['local', true, 'local']);
  });
});

describe('projects folder', () => {
  test('the picker\'s folder button asks the host; its answer shows a spinner, then the picker lists the new folder', async () => {
    const page = await loadProjectPage({ clock: true, projects: { a: designDoc() } });
    page.run('_showProjectPicker(["a"])');
    page.document.getElementById('_pb_picker_change_folder').click();
    assert.deepEqual(page.host.sent.map((m) => m.type), ['change_projects_folder']);
    assert.equal(modal(page, '_pb_picker_modal'), null);
    page.run('_onProjectsFolderChanged("/home/u/Elsewhere/")');
    assert.ok(modal(page, '_pb_loading_overlay'));
    assert.deepEqual(page.toasts.at(-1).vars, { folder: '/home/u/Elsewhere/' });
    page.clock.tick(100);
    await page.settle();
    assert.deepEqual(page.host.sent.map((m) => m.type), ['change_projects_folder', 'load']);
    assert.equal(modal(page, '_pb_loading_overlay'), null);
    assert.ok(page.document.querySelector('#_pb_picker_modal ._proj-item[data-project="a"]'));
  });
});

describe('pb_alert', () => {
  test('the message stays text; only http and https addresses become links, their quotes cannot break out', async () => {
    const page = await loadProjectPage();
    page.run(`pb_alert('See <b>this</b> & https://example.test/a"onmouseover="alert(1) or javascript:alert(2)\\nline two', 'error', 0)`);
    const box = page.document.getElementById('_pb_alert_modal');
    assert.equal(box.querySelector('b'), null);
    const links = [...box.querySelectorAll('a')];
    assert.deepEqual(links.map((a) => a.getAttribute('href')), ['https://example.test/a']);
    assert.equal(links[0].getAttribute('onmouseover'), null);
    assert.equal(box.querySelectorAll('br').length, 1);
    assert.ok(box.querySelector('.ph-x-circle'));
    assert.match(box.textContent, /See <b>this<\/b> &/);
  });
});
