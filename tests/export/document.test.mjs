// The exported document and its element markup, built by the page's own buildExportHTML in jsdom and read
// back as a parsed document (no script of it runs here; tests/export/export.chromium.test.mjs runs them).
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { loadExporter } from './export-page.mjs';

let page;
before(async () => { page = await loadExporter(); });
after(() => page.close());

function fresh(settings = {}) {
  page.run(`elements = []; selectedIds = []; _pendingFlowImport = null;
    Object.assign(canvasSettings, { resolution: 'centered', padding: 'p-2', layout: 'flex-col', justify: 'justify-start', items: 'items-stretch',
      transparentBg: false, hideOverflow: false, activeTheme: 0 });
    currentProjectName = '';`);
  page.set(settings);
}

function links(html) {
  return [...html.matchAll(/<(?:script src|link rel="stylesheet" href)="([^"]+)"/g)].map((m) => m[1]);
}

describe('library inclusion', () => {
  // design -> the libraries the page loads (html mode, in document order)
  const CASES = [
    ['a heading alone: Tailwind only', [['heading', {}]], ['Libraries/tailwind.min.js']],
    ['a Phosphor bold icon also links the regular weight', [['icon', { iconClass: 'ph-bold ph-star' }]],
      ['Libraries/tailwind.min.js', 'Fonts/phosphor/regular/style.css', 'Fonts/phosphor/bold/style.css']],
    ['a bare "ph-x" icon is a regular Phosphor icon', [['icon', { iconClass: 'ph-star' }]],
      ['Libraries/tailwind.min.js', 'Fonts/phosphor/regular/style.css']],
    ['Font Awesome, Bootstrap Icons and Ionicons', [['icon', { iconClass: 'fa-solid fa-star' }], ['icon', { iconClass: 'bi bi-alarm' }],
      ['icon', { iconClass: 'ion-md-heart' }]],
    ['Libraries/tailwind.min.js', 'Fonts/fontawesome/all.min.css', 'Fonts/bootstrap-icons/bootstrap-icons.min.css', 'Fonts/ionicons/ionicons.min.css']],
    ['a select needs Phosphor', [['select', {}]], ['Libraries/tailwind.min.js', 'Fonts/phosphor/regular/style.css']],
    ['a list: Phosphor and SortableJS', [['list', {}]],
      ['Libraries/tailwind.min.js', 'Fonts/phosphor/regular/style.css', 'Libraries/sortable.min.js']],
    ['a player: Plyr sheet and script', [['avplayer', {}]], ['Libraries/tailwind.min.js', 'Libraries/plyr.css', 'Libraries/plyr.js']],
    ['a table: Grid.js', [['table', {}]], ['Libraries/tailwind.min.js', 'Libraries/gridjs.min.css', 'Libraries/gridjs.min.js']],
    ['a chart: Chart.js', [['chart', {}]], ['Libraries/tailwind.min.js', 'Libraries/chart.umd.min.js']],
  ];
  for (const [name, design, expected] of CASES) {
    test(name, async () => {
      fresh();
      for (const [type, fields] of design) page.add(type, fields);
      assert.deepEqual(links(await page.build('html')), expected);
    });
  }

  test('the debug overlay brings Phosphor', async () => {
    fresh();
    page.add('heading');
    assert.ok(links(await page.build('html', null, true)).includes('Fonts/phosphor/regular/style.css'));
  });
});

describe('document', () => {
  test('"pb" addresses are absolute on localhost:56789, "html" ones relative', async () => {
    fresh();
    for (const type of ['list', 'table', 'chart', 'avplayer', 'icon']) page.add(type, type === 'icon' ? { iconClass: 'fa-solid fa-star' } : {});
    const pb = links(await page.build('pb'));
    const html = links(await page.build('html'));
    assert.equal(pb.length, html.length);
    assert.deepEqual(pb.filter((u) => !u.startsWith('http://localhost:56789/')), []);
    assert.deepEqual(html.filter((u) => /^[a-z]+:|^\//i.test(u)), []);
    assert.deepEqual(pb.map((u) => u.slice('http://localhost:56789/'.length)), html);
  });

  test('the floating-blur script is the last script, directly before </body>, then </html>', async () => {
    fresh();
    page.add('button', { floating: true, floatingBlur: true });
    const html = await page.build('pb', null, true);
    const last = html.lastIndexOf('<script>');
    assert.match(html.slice(last), /^<script>\n[\s\S]*floating-blur-active[\s\S]*\n<\/script>\n<\/body>\n<\/html>\n$/);
    assert.equal(html.indexOf('<script', last + 1), -1);
  });

  test('order: reload blocker, libraries, style, bridge in the head; main, toasts and the flow script in the body', async () => {
    fresh();
    page.add('heading');
    const html = await page.build('html');
    const at = (text) => { const i = html.indexOf(text); assert.ok(i >= 0, text); return i; };
    const order = ['<!DOCTYPE html>', '<title>', "'F3'", 'tailwind.min.js', '<style>', 'html, body { height: 100%; }',
      'window.setQuorlinTheme = function', '</head>', '<body oncontextmenu="return false;"', '<main ', '</main>', '<div id="pb-toast-container">',
      "toggle('window-inactive', inactive)", "querySelectorAll('[data-ql-scroll-x]", "main.classList.add('floating-blur-active')", '</body>'].map(at);
    assert.deepEqual(order, [...order].sort((a, b) => a - b));
  });

  test('the title is the project name with "&", "<" and ">" escaped, else "UI"', async () => {
    fresh();
    const doc = (h) => page.parseDocument(h);
    assert.equal(doc(await page.build('html')).title, 'UI');
    page.run('currentProjectName = "R&D <b>beta</b>"');
    const html = await page.build('html');
    assert.match(html, /<title>R&amp;D &lt;b&gt;beta&lt;\/b&gt;<\/title>/);
    assert.equal(doc(html).title, 'R&D <b>beta</b>');
  });

  test('theme texts cannot end the script they sit in; every theme gets its rule; the active one is on <html>', async () => {
    fresh({ activeTheme: 1 });
    page.run(`canvasSettings.themes = [Object.assign({}, DEFAULT_THEMES[0], { name: '</script><script>alert(1)</script>' }),
      Object.assign({}, DEFAULT_THEMES[1], { accentPrimary: 'red;}</style><script>x()</script>' })];`);
    page.add('heading');
    const html = await page.build('html');
    page.run('canvasSettings.themes = _deepCopy(DEFAULT_THEMES)');
    assert.equal((html.match(/<script/g) || []).length, (html.match(/<\/script>/g) || []).length);
    assert.ok(!html.includes('alert(1)</script>'));
    assert.ok(!html.includes('x()</script>'));
    const doc = page.parseDocument(html);
    assert.equal(doc.documentElement.getAttribute('data-theme'), '1');
    assert.match(html, /\[data-theme="0"\] \{/);
    assert.match(html, /\[data-theme="1"\] \{[^}]*--th-accent1: initial;/);
  });

  test('keyframes only when something can play them: an animation type, a content strip, or a flow that triggers one', async () => {
    fresh();
    page.add('heading');
    assert.doesNotMatch(await page.build('html'), /@keyframes/);
    page.add('text', { animType: 'pulse' });
    const html = await page.build('html');
    const names = [...html.matchAll(/@keyframes ([\w-]+)/g)].map((m) => m[1]);
    assert.equal(names.length, 18);
    assert.ok(names.includes('wb-heartbeat') && names.includes('wb-scroll-v-reverse-seamless'));
    fresh();
    page.add('heading');
    page.flow({ drawflow: { Home: { data: { 1: { id: 1, name: 'Action_UI_TriggerAnimation', data: {}, inputs: {}, outputs: {} } } } } });
    assert.match(await page.build('html'), /@keyframes wb-pulse/);
  });

  test('the canvas frame: classes and style by resolution and mode', async () => {
    const CASES = [
      ['responsive', 'html', ['max-w-none', 'flex-1', 'min-h-0'], 'height: 100vh;'],
      ['centered', 'html', ['max-w-5xl', 'mx-auto', 'min-h-[600px]'], 'border: 1px solid var(--th-border);'],
      ['800x600', 'html', [], 'width: 800px; height: 600px; overflow: hidden;'],
      ['800x600', 'pb', ['max-w-none', 'overflow-hidden', 'h-full'], ''],
    ];
    for (const [resolution, mode, classes, style] of CASES) {
      fresh({ resolution, padding: 'p-4', layout: 'flex-row', justify: 'justify-between', items: 'items-center' });
      const main = page.parseDocument(await page.build(mode)).querySelector('main');
      for (const c of ['flex', 'flex-row', ...classes]) assert.ok(main.classList.contains(c), `${resolution}/${mode}: ${c}`);
      const s = main.getAttribute('style');
      if (style) assert.ok(s.includes(style), `${resolution}/${mode}: ${s}`);
      assert.ok(s.includes('padding: 1rem calc(1rem + 1px) calc(1rem + 1px) 1rem;'), s);
      assert.ok(s.includes('justify-content: space-between;') && s.includes('align-items: center;'), s);
    }
  });
});

describe('element markup', () => {
  function wrapperOf(html, id) {
    return page.parseDocument(html).getElementById('wrap-' + id);
  }

  test('each element: a type comment, its wrapper, the rotation container, then the element', async () => {
    fresh();
    const id = page.add('heading', { text: 'Hi' });
    const html = await page.build('html');
    assert.match(html, new RegExp(`<!-- HEADING -->\\n\\s*<div id="wrap-${id}"[^>]*>\\n\\s*<div class="rotation-fix-container text-align-host"[^>]*>\\n\\s*<h2 id="${id}"`));
  });

  test('wrapper rules', async () => {
    fresh();
    const row = page.add('container', { layout: 'flex-row' });
    const half = page.add('text', { width: '50%' }, row);
    const hidden = page.add('text', { hidden: true });
    const pass = page.add('text', { passEvents: true });
    const click = page.add('button', { exportEvents: true });
    const split = page.add('splitter', { splitDir: 'vertical', splitMinSize: '60' });
    const disabled = page.add('container', { disabled: true });
    const rotated = page.add('text', { rotation: '90', height: '40px' });
    const floating = page.add('button', { floating: true, floatTop: '10px', floatLeft: '20px', floatZ: '7', floatingBlur: true });
    const centred = page.add('button', { floating: true, floatCenter: true, width: '100px', height: '40px' });
    const html = await page.build('html');
    const w = (id) => wrapperOf(html, id);
    assert.match(w(half).getAttribute('style'), /flex: 0 1 50%;/);
    assert.ok(w(hidden).classList.contains('hidden'));
    assert.match(w(hidden).getAttribute('style'), /display: none;/);
    assert.equal(w(pass).getAttribute('data-ql-pass-events'), '1');
    assert.equal(w(click).getAttribute('data-ql-click'), '1');
    assert.equal(w(pass).getAttribute('data-ql-click'), null);
    assert.equal(w(split).getAttribute('data-splitter'), 'vertical');
    assert.equal(w(split).getAttribute('data-split-min'), '60');
    assert.match(w(split).getAttribute('style'), /cursor: col-resize;/);
    assert.ok(w(disabled).classList.contains('disabled-container'));
    assert.equal(w(rotated).getAttribute('data-rot'), '90');
    assert.equal(w(rotated).getAttribute('data-has-height'), 'true');
    assert.match(w(floating).getAttribute('style'), /position: absolute; top: 10px; left: 20px; z-index: 7;/);
    assert.equal(w(floating).getAttribute('data-floating-blur'), 'true');
    assert.match(w(centred).getAttribute('style'), /top: calc\(50% - 20px\); left: calc\(50% - 50px\);/);
  });

  test('a seamless content strip holds its children three times and starts its scroller', async () => {
    fresh();
    const strip = page.add('contentscroll', { scrollSeamless: true, gap: 'gap-3' });
    const child = page.add('button', { text: 'One' }, strip);
    const html = await page.build('html');
    const doc = page.parseDocument(html);
    assert.equal(doc.querySelectorAll(`#${strip}-scroll-wrap > [id="wrap-${child}"]`).length, 3);
    assert.match(html, new RegExp(`initSeamlessScroll\\("${strip}","horizontal","10s","infinite",12,false\\)`));
  });

  test('a link to an element points at its wrapper; a component animation gives way to timeline tracks', async () => {
    fresh();
    const target = page.add('heading');
    const link = page.add('link', { href: '#' + target });
    const anim = page.add('text', { animType: 'pulse' });
    let html = await page.build('html');
    assert.equal(page.parseDocument(html).getElementById(link).getAttribute('href'), '#wrap-' + target);
    assert.match(wrapperOf(html, anim).getAttribute('style'), /animation-name: wb-pulse;.*animation-fill-mode: both;/);
    page.run(`animations = [{ name: 'A', duration: 1, tracks: { ${JSON.stringify(anim)}: { opacity: [{ t: 0, v: 1 }, { t: 1, v: 0 }] } } }]`);
    const tracked = page.json(`hasAnimTracks(${JSON.stringify(anim)})`);
    html = await page.build('html');
    page.run('animations = []');
    if (tracked) assert.doesNotMatch(wrapperOf(html, anim).getAttribute('style'), /animation-name/);
  });

  test('an accordion: its group, no-toggle mark, heights, header calling toggleAccordion and its children', async () => {
    fresh();
    const acc = page.add('accordion', { name: 'faq', noToggle: true, bodyHeight: '120', checked: true });
    const child = page.add('text', { text: 'Inside' }, acc);
    const html = await page.build('html');
    const node = page.parseDocument(html).getElementById(acc);
    assert.equal(node.getAttribute('data-accordion-group'), 'faq');
    assert.equal(node.getAttribute('data-no-toggle'), 'true');
    assert.equal(node.getAttribute('data-total-height'), '165');
    assert.match(node.querySelector('.acc-header').getAttribute('onclick'), /toggleAccordion\("[^"]+",event\)/);
    assert.ok(node.querySelector('.acc-body.acc-body-open [id="wrap-' + child + '"]'));
    assert.match(html, /window\.toggleAccordion = function/);
  });

  test('a list writes each child as an exported wrapper inside its item', async () => {
    fresh();
    const list = page.add('list');
    for (const text of ['One', 'Two']) page.add('text', { text }, list);
    const doc = page.parseDocument(await page.build('html'));
    const items = doc.querySelectorAll(`#${list} > li[data-ql-item]`);
    assert.equal(items.length, 2);
    for (const li of items) assert.ok(li.querySelector('.item-inner > [id^="wrap-"] > .rotation-fix-container'));
  });

  test('a parentId cycle is written once and stops', async () => {
    fresh();
    const a = page.add('container');
    const b = page.add('container', {}, a);
    page.run(`elements.find((e) => e.id === ${JSON.stringify(a)}).parentId = ${JSON.stringify(b)}; elements.push(Object.assign({}, elements[0], { id: 'root_x', parentId: null }));`);
    const html = await page.build('html');
    assert.ok(html.includes('</html>'));
  });
});
