// The icon picker: the icon names read from the stylesheets the program ships (the build's Fonts/), the
// style filters, and in the editor's markup (jsdom) one undo step for an icon on three elements, a
// stylesheet that cannot be fetched tried again, and the Phosphor weight chosen loaded for the canvas.
import test from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';

import { readRepoFile, repo } from '../page/jsdom-page.mjs';
import { loadInspector } from '../inspector/inspector-page.mjs';

const out = process.env.QUORLIN_BUILD_DIR ?? path.join(repo, 'build');
const fonts = path.join(out, 'Fonts');
const laidOut = { skip: !fs.existsSync(path.join(fonts, 'fontawesome', 'icon-sets.json')) && `${fonts} is not laid out` };
const sheet = (rel) => fs.readFileSync(path.join(fonts, rel), 'utf8');

const lib = vm.createContext({});
vm.runInContext(readRepoFile('editor/pickers/icon-libs.js'), lib);
const parse = (id) => [...lib._iconParseCss(id, sheet(lib.ICON_LIBS_UPDATED[id].css))];

test('every library\'s icons are read from its shipped stylesheet, each once, without style or modifier classes', laidOut, () => {
  const rows = [
    // [library, at least, must hold, must not hold]
    ['phosphor', 1200, ['ph-house', 'ph-acorn', 'ph-arrow-left'], ['ph-fill', 'ph-duotone', 'ph-bold']],
    ['fontawesome', 1800, ['fa-house', 'fa-github', 'fa-0', 'fa-heart', 'fa-rotate'], ['fa-spin', 'fa-2x', 'fa-solid', 'fa-brands', 'fa-fw', 'fa-li', 'fa-stack']],
    ['bootstrap', 1800, ['bi-alarm', 'bi-0-circle', 'bi-house-door'], []],
    ['ionicons', 600, ['ion-md-add', 'ion-ios-add', 'ion-logo-github'], ['ion-add']],
  ];
  for (const [id, least, has, hasNot] of rows) {
    const icons = parse(id);
    assert.ok(icons.length >= least, `${id}: ${icons.length} icons`);
    assert.equal(new Set(icons).size, icons.length, `${id}: each icon once`);
    for (const cls of has) assert.ok(icons.includes(cls), `${id} holds ${cls}`);
    for (const cls of hasNot) assert.ok(!icons.includes(cls), `${id} has no ${cls}`);
    if (id === 'fontawesome') assert.deepEqual(icons.filter((c) => lib.ICON_FA_MODIFIERS.test(c)), []);
  }
  assert.deepEqual([...lib._iconParseCss('nope', '.x::before{}')], []);
});

test('style filters: Ionicons md or ios (logos in both), Font Awesome only the chosen style\'s icons', laidOut, () => {
  const ion = parse('ionicons');
  for (const [variant, own, other] of [['md', 'ion-md-', 'ion-ios-'], ['ios', 'ion-ios-', 'ion-md-']]) {
    const shown = lib._iconFilter('ionicons', variant, ion, '', null);
    assert.ok(shown.some((c) => c.startsWith(own)) && shown.some((c) => c.startsWith('ion-logo-')));
    assert.ok(!shown.some((c) => c.startsWith(other)), variant);
  }
  assert.deepEqual([...lib._iconFilter('ionicons', 'md', ion, 'GITHUB', null)], ['ion-logo-github']);

  const sets = JSON.parse(sheet('fontawesome/icon-sets.json'));
  const fa = parse('fontawesome');
  for (const [style, least] of [['solid', 1300], ['regular', 150], ['brands', 450]]) {
    assert.ok(sets[style].length >= least, `${style}: ${sets[style].length}`);
    // The lists come from the same release as the stylesheet: every listed name is a class of it.
    assert.deepEqual(sets[style].filter((n) => !fa.includes('fa-' + n)), [], style);
  }
  const brands = lib._iconFilter('fontawesome', 'fa-brands', fa, 'arrow', sets);
  assert.ok(brands.every((c) => sets.brands.includes(c.slice(3)) && c.includes('arrow')));
  assert.ok(lib._iconFilter('fontawesome', 'fa-brands', fa, 'github', sets).includes('fa-github'));
  assert.ok(!lib._iconFilter('fontawesome', 'fa-solid', fa, 'github', sets).includes('fa-github'));
  assert.deepEqual([...lib._iconFilter('fontawesome', 'fa-regular', fa, 'house', null)], [], 'no lists: nothing to show');
});

test('full classes and short names', () => {
  const rows = [
    ['phosphor', '', 'ph-house', 'ph ph-house'],
    ['phosphor', 'ph-duotone', 'ph-house', 'ph ph-house ph-duotone'],
    ['fontawesome', 'fa-brands', 'fa-github', 'fa-brands fa-github'],
    ['fontawesome', '', 'fa-house', 'fa-solid fa-house'],
    ['bootstrap', '', 'bi-alarm', 'bi bi-alarm'],
    ['ionicons', 'md', 'ion-md-add', 'icon ion-md-add'],
  ];
  for (const [id, variant, icon, full] of rows) assert.equal(lib._iconFullClass(id, variant, icon), full);
  assert.deepEqual(['ph-house', 'fa-github', 'bi-alarm', 'ion-md-add', 'ion-logo-github'].map(lib._iconShortName),
    ['house', 'github', 'alarm', 'add', 'logo-github']);
  assert.deepEqual(['127.0.0.1', 'localhost', '::1', 'example.org', ''].map(lib._iconFontsBase),
    ['/Fonts/', '/Fonts/', '/Fonts/', 'Fonts/', 'Fonts/']);
});

test('in the editor: an icon for three elements is one undo step; a failed stylesheet is fetched again; the weight is loaded', laidOut, async () => {
  const requests = [];
  const failing = new Set(['/Fonts/bootstrap-icons/bootstrap-icons.min.css']);
  const loaded = [];
  const page = await loadInspector({
    before: (w) => {
      w.fetch = async (url) => {
        const p = new URL(String(url), 'http://127.0.0.1:56789/').pathname;
        requests.push(p);
        if (failing.has(p) || !p.startsWith('/Fonts/')) return new Response('', { status: 500 });
        return new Response(fs.readFileSync(path.join(out, p)), { status: 200 });
      };
      w._qlLoadLibrary = (name) => { loaded.push(name); return Promise.resolve(); };
    },
  });
  page.run(readRepoFile('editor/shell/dialog.js'));
  for (const f of ['icon-libs.js', 'icon-picker.js']) page.run(readRepoFile(`editor/pickers/${f}`));
  const { document, window } = page;
  const $ = (id) => document.getElementById(id);
  const cells = () => [...document.querySelectorAll('#icon-grid [data-icon-class]')];

  const ids = [page.fresh('icon', { iconClass: 'ph ph-star' }), page.add('icon'), page.add('button')];
  page.select(...ids);
  $('input-iconClass').value = 'untouched';
  await page.run('openIconPicker()');
  assert.equal($('icon-modal').hidden, false);
  assert.equal(cells().length, Math.min(2500, cells().length));
  assert.ok(cells().length > 1000);
  $('icon-search').value = 'acorn';
  $('icon-search').dispatchEvent(new window.Event('input'));
  assert.deepEqual(cells().map((c) => c.getAttribute('data-icon-class')), ['ph ph-acorn']);
  // The duotone weight: its sheet is asked for, so the canvas draws duotone icons as duotone.
  $('icon-variant-select').value = 'ph-duotone';
  $('icon-variant-select').dispatchEvent(new window.Event('change'));
  assert.ok(loaded.includes('phosphor-duotone'));
  assert.ok($('css-lib-phosphor'));
  cells()[0].click();
  assert.equal($('icon-modal').hidden, true);
  assert.deepEqual(ids.map((id) => page.record(id).iconClass), Array(3).fill('ph ph-acorn ph-duotone'));
  assert.equal(page.steps(), 1);
  assert.equal($('input-iconClass').value, 'untouched', 'several selected: the class field is left alone');
  page.run('undo()');
  assert.equal(page.record(ids[0]).iconClass, 'ph ph-star');

  // Bootstrap's sheet fails: nothing shown, nothing kept; the next try reads it.
  await page.run("openIconPicker(); switchIconLibrary('bootstrap')");
  assert.equal(cells().length, 0);
  assert.equal($('icon-grid').textContent, 'modal.iconPicker.noResults');
  assert.equal(page.run("cachedIcons.bootstrap === undefined"), true);
  failing.clear();
  const before = requests.length;
  await page.run("switchIconLibrary('bootstrap')");
  assert.ok(requests.slice(before).includes('/Fonts/bootstrap-icons/bootstrap-icons.min.css'));
  assert.ok(cells().length > 1000);
  assert.ok(loaded.includes('bootstrap-icons'));
  // Read once: switching back does not fetch again.
  const count = requests.length;
  await page.run("switchIconLibrary('phosphor')");
  assert.equal(requests.length, count);

  // One element: its class field shows the icon.
  page.select(ids[1]);
  await page.run("openIconPicker(); switchIconLibrary('fontawesome')");
  $('icon-variant-select').value = 'fa-brands';
  $('icon-variant-select').dispatchEvent(new window.Event('change'));
  $('icon-search').value = 'github';
  $('icon-search').dispatchEvent(new window.Event('input'));
  cells().find((c) => c.getAttribute('data-icon-class') === 'fa-brands fa-github').click();
  assert.equal($('input-iconClass').value, 'fa-brands fa-github');
  assert.equal(page.record(ids[1]).iconClass, 'fa-brands fa-github');
  assert.match($('icon-preview').innerHTML, /fa-brands fa-github/);
  page.close();
});
