// Opening project documents: every older shape loads to the current one, a second load of the same
// document changes nothing, a corrupt document leaves the open project as it was, and what a load
// brings in (themes, flow grid, compile flags, animations, the flow graph) survives the next save.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { test, describe } from 'node:test';
import { fileURLToPath } from 'node:url';

import { loadProjectPage, designDoc } from './project-page.mjs';

const FIXTURES = path.join(path.dirname(fileURLToPath(import.meta.url)), 'fixtures');
const fixture = (name) => fs.readFileSync(path.join(FIXTURES, name), 'utf8');

// Loads `text` as project "demo" and returns the document a save then writes.
async function loadAndSave(page, text, opts) {
  const ok = page.run(`_applyProjectData(${JSON.stringify(text)}, 'demo.qui', ${JSON.stringify(opts || {})})`);
  assert.equal(ok, true, 'the document loads');
  assert.equal(await page.run('saveProject()'), true, 'the save reaches the host');
  return JSON.parse(page.host.projects.get('demo'));
}

const byId = (doc, id) => doc.elements.find((e) => e.id === id);

// What each older shape must look like once loaded and saved again.
const MIGRATIONS = [
  ['v1-overflow-style.json', (doc) => {
    assert.deepEqual(byId(doc, 'panel').style, { color: 'red' });
    assert.equal(byId(doc, 'panel').children, undefined);
    assert.equal(byId(doc, 'panel').width, '100px');
    assert.equal(byId(doc, 'panel').height, '50.5px');
    assert.equal(byId(doc, 'label').overflow, 'overflow-y-auto overflow-x-hidden');
    assert.equal(byId(doc, 'label').exportMousemove, false);
  }],
  ['legacy-list-items.json', (doc) => {
    assert.equal(byId(doc, 'menu').listItems, undefined);
    const items = doc.elements.filter((e) => e.parentId === 'menu');
    assert.deepEqual(items.map((e) => [e.id, e.type, e.text, e.textColor, e.fontSize, e.className]), [
      ['menu_item_1', 'text', 'Open', '#ff0000', 'text-lg', 'py-1'],
      ['menu_item_2', 'text', 'Save', '#ff0000', 'text-lg', 'py-1'],
    ]);
  }],
  ['legacy-flow-nodes.json', (doc) => {
    const home = doc.flow.drawflow.Home.data;
    assert.equal(home[2].name, 'Control_Branch');
    assert.deepEqual(home[2].data._inputNames, ['flow_in', 'Condition']);
    assert.equal(home[2].data.A, undefined, 'the old comparison is gone: its Condition input is wired again by hand');
    assert.deepEqual(home[2].inputs.input_1.connections, [{ node: '1', input: 'output_1' }], 'flow cables stay');
    assert.deepEqual([home[3].name, home[3].data.op], ['Data_Math', 'add']);
    assert.equal(home[4].name, 'Control_ForLoop');
    assert.deepEqual([home[5].name, home[5].data.op, home[5].data._inputValues], ['Data_Gate', 'and', ['1', '']]);
    assert.deepEqual(home[5].data._outputNames, ['result', 'flow_out']);
    assert.deepEqual(home[5].outputs.output_2, { connections: [] });
    assert.deepEqual([home[6].name, home[6].html], ['Action_UI_AVPlayer' + 'Play', 'Action_UI_AVPlayerPlay']);
    assert.deepEqual(doc.flow.drawflow.Sub.data, {}, 'migrations change only the main graph: an old type left elsewhere is unknown and dropped');
    assert.deepEqual(home[3].outputs.output_1.connections, [{ node: '2', output: 'input_2' }], 'a cable kept at one end only gets its other end');
    assert.deepEqual(doc.flow.variables, [{ name: 'count', type: 'number', value: 3 }, { name: 'label', type: 'string', value: '' }]);
    assert.deepEqual(doc.flowSettings, { enabled: false, size: 8 });
  }],
  ['legacy-shadow-video.json', (doc) => {
    const card = byId(doc, 'card');
    assert.deepEqual([card.boxShadowEnabled, card.boxShadowX, card.boxShadowY, card.boxShadowBlur, card.boxShadowOpacity, card.boxShadow],
      [true, '-10', '-10', '20', '20', '']);
    assert.equal(byId(doc, 'flat').boxShadowEnabled, false);
    assert.equal(byId(doc, 'clip').type, 'avplayer');
    assert.equal(byId(doc, 'clip').clickToPlay, true, 'the player gets its defaults');
    assert.equal(byId(doc, 'clip').src, 'Videos/intro.mp4', 'a present value is never replaced by a default');
    assert.deepEqual([byId(doc, 'pic').transformOriginX, byId(doc, 'pic').transformOriginY], ['100', '0']);
  }],
  ['legacy-theme-timeline.json', (doc, page) => {
    const active = doc.canvasSettings.themes[doc.canvasSettings.activeTheme];
    assert.deepEqual([active.name, active.accentPrimary, active.bgPage], ['Dark (migrated)', '#ff00aa', '#101010']);
    assert.equal(doc.canvasSettings.padding, 'p-6');
    assert.deepEqual(doc.animations, [{ id: 'anim_1', name: 'Animation 1', duration: 4, loop: false, autoRun: true,
      tracks: { logo: { opacity: [{ t: 0, v: 0, ease: 'linear' }, { t: 1, v: 1, ease: 'ease-out' }] } }, muted: {} }]);
    assert.deepEqual(byId(doc, 'logo').keyframes, {});
    assert.equal(page.run('JSON.parse(localStorage.getItem("quorlin_themes") || "{\\"themes\\":[]}").themes.some(t => t.name === "Dark (migrated)")'),
      false, 'a theme that came with a project is not stored as the editor\'s');
  }],
];

describe('older documents', () => {
  for (const [file, check] of MIGRATIONS) {
    test(`${file} loads to the current shape, and loads again to the same state`, async () => {
      const page = await loadProjectPage();
      const saved = await loadAndSave(page, fixture(file));
      assert.deepEqual(Object.keys(saved), ['version', 'elements', 'canvasSettings', 'flow', 'flowSettings', 'animations',
        'activeAnimationId', 'compileSettings', 'standalonePath']);
      assert.equal(saved.version, 2);
      check(saved, page);
      const stateOnce = page.run('JSON.stringify(buildProjectDocument())');
      const again = await loadAndSave(page, fixture(file));
      assert.equal(page.run('JSON.stringify(buildProjectDocument())'), stateOnce, 'the same document loaded twice gives one state');
      const third = await loadAndSave(page, JSON.stringify(saved));
      assert.deepEqual(third, again, 'a saved document loads back to itself');
    });
  }
});

describe('a document that cannot be loaded', () => {
  const CORRUPT = [
    ['not JSON', '{"version": 2, "elements": ['],
    ['not an object', '[1, 2]'],
    ['elements not a list', '{"elements": {"a": 1}}'],
    ['an element that is not an object', '{"elements": [null]}'],
    ['two elements with one id', '{"elements": [{"id": "a", "type": "text"}, {"id": "a", "type": "button"}]}'],
    ['canvas settings not an object', '{"elements": [], "canvasSettings": 5}'],
  ];
  for (const [what, text] of CORRUPT) {
    test(`${what}: the open project, its name, history and unsaved state stay, and the toast says why`, async () => {
      const page = await loadProjectPage({ allowErrors: /load refused/ });
      page.run(`_applyProjectData(${JSON.stringify(designDoc())}, 'first.qui')`);
      page.run('saveHistoryState(); elements[1].text = "edited"; _setDirty();');
      const before = page.run('JSON.stringify({d: buildProjectDocument(), h: historyStack.length, n: currentProjectName, i: document.getElementById("input-filename").value, dirty: _isDirty})');
      page.toasts.length = 0;
      assert.equal(page.run(`_applyProjectData(${JSON.stringify(text)}, 'second.qui')`), false);
      assert.equal(page.run('JSON.stringify({d: buildProjectDocument(), h: historyStack.length, n: currentProjectName, i: document.getElementById("input-filename").value, dirty: _isDirty})'), before);
      assert.equal(page.toasts.length, 1);
      assert.equal(page.toasts[0].key, 'toast.projectLoadError');
      assert.ok(page.toasts[0].vars.msg, 'the reason is shown');
    });
  }
});

describe('what a load brings in', () => {
  test('rich text from a file loses scripts and event attributes before anything draws it', async () => {
    const page = await loadProjectPage();
    const hostile = '<b>ok</b><img src=x onerror="alert(1)"><script>alert(2)</script><span onclick="x()">t</span>';
    const doc = designDoc({ elements: [{ id: 'txt1', type: 'text', parentId: null, richText: true, text: hostile }] });
    assert.equal(page.run(`_applyProjectData(${JSON.stringify(doc)}, 'rich.qui')`), true);
    const text = page.run('elements[0].text');
    assert.match(text, /<b>ok<\/b>/);
    assert.doesNotMatch(text, /onerror|onclick|<script|<img/i);
  });

  test('the flow graph and the animations come back unchanged in the next save', async () => {
    const page = await loadProjectPage();
    const flow = JSON.parse(fixture('legacy-flow-nodes.json')).flow;
    const saved = await loadAndSave(page, designDoc({ flow: JSON.parse(JSON.stringify(flow)) }));
    const resaved = await loadAndSave(page, JSON.stringify(saved));
    assert.deepEqual(resaved.flow, saved.flow);
    assert.deepEqual(resaved.animations, JSON.parse(designDoc()).animations);
    assert.equal(resaved.activeAnimationId, 'anim_1');
  });

  test('an unknown active animation gives the first; an archive import has no standalone path', async () => {
    const page = await loadProjectPage();
    const two = [{ id: 'a', name: 'A' }, { id: 'b', name: 'B', duration: -1, loop: 'no', muted: [] }];
    const saved = await loadAndSave(page, designDoc({ animations: two, activeAnimationId: 'zzz' }), { zipImport: true });
    assert.equal(saved.activeAnimationId, 'a');
    assert.deepEqual(saved.animations[1], { id: 'b', name: 'B', duration: 2, loop: true, autoRun: true, tracks: {}, muted: {} });
    assert.equal(saved.standalonePath, '');
    assert.equal(page.window.localStorage.getItem('quorlin_standalone_path'), '');
  });

  test('compile flags: the document\'s values, the defaults for the rest, mirrored in local storage', async () => {
    const html = '<!DOCTYPE html><body>' + ['subsystem', 'optimizer', 'icon', 'xp', 'administrator', 'user', 'dpiaware',
      'dllprotection', 'ucrt', 'constant'].map((id) => `<input type="checkbox" id="flag-${id}">`).join('') +
      '<input id="flag-subsystem-val"><input id="flag-icon-val"><input id="flag-constant-val"><input id="standalone-path-input">' +
      '<input id="input-filename"><button id="btn-save-project"></button></body>';
    const page = await loadProjectPage({ html });
    page.run('document.getElementById("flag-administrator").checked = true; document.getElementById("flag-constant-val").value = "OLD"');
    const saved = await loadAndSave(page, designDoc());
    assert.deepEqual(saved.compileSettings, {
      checks: { subsystem: false, optimizer: false, icon: false, xp: true, administrator: false, user: false, dpiaware: true,
        dllprotection: false, ucrt: false, constant: false },
      values: { subsystem: '', icon: 'app.ico', constant: '' },
    });
    assert.equal(saved.standalonePath, '/tmp/app');
    const store = page.window.localStorage;
    assert.deepEqual([store.getItem('quorlin_flag_optimizer'), store.getItem('quorlin_flag_xp'), store.getItem('quorlin_flag_icon_val')],
      ['false', 'true', 'app.ico']);
  });

  test('compile settings pass through an open and a save unchanged while no dialog shows them', async () => {
    const page = await loadProjectPage();
    assert.equal(page.run('document.getElementById("flag-optimizer")'), null, 'the page has no flag inputs');
    const compileSettings = {
      checks: { subsystem: true, optimizer: false, icon: true, xp: false, administrator: true, user: false, dpiaware: false,
        dllprotection: true, ucrt: true, constant: true, futureFlag: true },
      values: { subsystem: 'opengl', icon: 'art/app.ico', constant: '#DEBUG=1', futureFlag: 'x' },
    };
    const saved = await loadAndSave(page, designDoc({ compileSettings }));
    assert.deepEqual(saved.compileSettings, compileSettings);
    const again = await loadAndSave(page, JSON.stringify(saved));
    assert.deepEqual(again.compileSettings, compileSettings, 'a second round trip too');
    // A document with some flags gets the defaults for the others; closing the project drops them all.
    const partial = await loadAndSave(page, designDoc());
    assert.deepEqual(partial.compileSettings, {
      checks: { optimizer: false, subsystem: false, icon: false, xp: true, administrator: false, user: false, dpiaware: true,
        dllprotection: false, ucrt: false, constant: false },
      values: { icon: 'app.ico', subsystem: '', constant: '' },
    });
    page.run('executeCloseProject()');
    assert.deepEqual(page.json('_readCompileSettingsFromDom().checks.optimizer'), true);
    assert.deepEqual(page.json('_readCompileSettingsFromDom().values.icon'), '');
  });

  test('an element that is its own ancestor, or whose parent is missing, loads at the root', async () => {
    const page = await loadProjectPage();
    const elements = [
      { id: 'a', type: 'container', parentId: 'b' }, { id: 'b', type: 'container', parentId: 'a' },
      { id: 'c', type: 'button', parentId: 'b' }, { id: 'd', type: 'text', parentId: 'nowhere' },
      { id: 'e', type: 'text', parentId: 'e' },
    ];
    const saved = await loadAndSave(page, designDoc({ elements }));
    assert.deepEqual(saved.elements.map((e) => [e.id, e.parentId]), [['a', null], ['b', 'a'], ['c', 'b'], ['d', null], ['e', null]]);
    // An archive import takes the same way in.
    page.run(`_applyProjectData(${JSON.stringify(designDoc({ elements }))}, 'zip.qui', { zipImport: true })`);
    assert.deepEqual(page.json('elements.map(e => [e.id, e.parentId])'), [['a', null], ['b', 'a'], ['c', 'b'], ['d', null], ['e', null]]);
  });

  test('a read-only box stored under the old name becomes the element\'s readOnly', async () => {
    const page = await loadProjectPage();
    const elements = [
      { id: 'i1', type: 'input', parentId: null, readonly: true, readOnly: false },
      { id: 'i2', type: 'textarea', parentId: null, readonly: false, readOnly: false },
      { id: 'i3', type: 'input', parentId: null, readOnly: true },
    ];
    const saved = await loadAndSave(page, designDoc({ elements }));
    assert.deepEqual(saved.elements.map((e) => [e.id, e.readOnly, 'readonly' in e]), [['i1', true, false], ['i2', false, false], ['i3', true, false]]);
  });

  test('themes: an identical theme is reused, a changed built-in comes as a " *" copy, the built-in unchanged', async () => {
    const page = await loadProjectPage();
    const builtIn = page.json('DEFAULT_THEMES[2]');
    const count = page.run('canvasSettings.themes.length');
    page.run(`_applyProjectData(${JSON.stringify(designDoc({ canvasSettings: { themes: [builtIn], activeTheme: 0 } }))}, 'a.qui')`);
    assert.deepEqual([page.run('canvasSettings.themes.length'), page.run('canvasSettings.activeTheme')], [count, 2]);
    const changed = Object.assign({}, builtIn, { accentPrimary: '#123456' });
    const doc = designDoc({ canvasSettings: { themes: [changed], activeTheme: 0 } });
    page.run(`_applyProjectData(${JSON.stringify(doc)}, 'b.qui')`);
    page.run(`_applyProjectData(${JSON.stringify(doc)}, 'b.qui')`);
    assert.equal(page.run('canvasSettings.themes.length'), count + 1, 'loading it again adds no second copy');
    assert.deepEqual(page.json('[canvasSettings.themes[canvasSettings.activeTheme].name, canvasSettings.themes[canvasSettings.activeTheme].accentPrimary]'),
      [builtIn.name + ' *', '#123456']);
    assert.deepEqual(page.json('canvasSettings.themes[2]'), builtIn);
  });

  test('a load starts a new undo history and takes no media of the project before', async () => {
    const page = await loadProjectPage();
    page.run(`_applyProjectData(${JSON.stringify(designDoc({ imageData: { 'images/a.png': 'data:image/png;base64,AAAA' } }))}, 'a.qui')`);
    page.run('saveHistoryState(); elements = [];');
    assert.equal(page.run('historyStack.length'), 1);
    page.run(`_applyProjectData(${JSON.stringify(designDoc())}, 'b.qui')`);
    assert.equal(page.run('historyStack.length + redoStack.length'), 0);
    page.run('undo()');
    assert.equal(page.run('elements.length'), 2, 'undo does not bring back the other project');
    assert.deepEqual(page.json('_blobSrcMap'), {});
  });
});
