// Drawing only what changed gives the same canvas as drawing everything. Two pages run the same random
// edit sequences (seeded, so ids and edits repeat exactly): one redraws only the changed wrappers, the
// other the whole content every time; after every edit and render their canvases must be equal.
// A failure names its seed: QL_RENDER_SEED=<seed> repeats that sequence alone; QL_RENDER_SEEDS=<n> runs
// n sequences instead of the usual ten.
// Also: every record field a drawing reads is one the comparison tracks, and wrappers changed on the
// page outside a render are drawn again.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { readRepoFile } from '../page/jsdom-page.mjs';
import { ALL_TYPES, loadCanvas } from './canvas-page.mjs';

// A small fast generator with a seed (mulberry32).
function seeded(seed) {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

async function pageWith(seed, patch) {
  const page = await loadCanvas({ before: (window) => { window.Math.random = seeded(seed ^ 0x5bd1e995); } });
  page.run(`_qlPatchRenders = ${patch};`);
  return page;
}

// Field edits: the fields that decide a wrapper's own look, and those its children inherit (layout,
// floating, transparency) or its siblings' grips follow.
const EDITS = {
  text: ['Hello', 'Bye', '', '<b>rich</b>'], richText: [true, false], bgColor: ['#ff0000', 'th:accentPrimary', '', '#00ff0080'],
  textColor: ['th:textPrimary', '#123456', ''], layout: ['flex-row', 'flex-col', 'flex-row-reverse'],
  justify: ['justify-end', 'justify-between', 'justify-stretch-children', 'justify-start'], items: ['items-end', 'items-center', ''],
  wrap: ['flex-wrap', 'flex-nowrap'], gap: ['gap-2', 'gap-8'], floating: [true, false], floatTop: ['10px', '', '5%'],
  floatLeft: ['20px', ''], floatZ: ['', '7'], opacityEnabled: [true, false], opacity: ['30', '0', '80'],
  hidden: [true, false], editorHidden: [true, false], rotation: ['0', '90', '45', '180', '270', ''], scale: [1, 2, 0.5],
  transformOriginX: ['0', '50', ''], className: ['mt-4 w-32 text-red-500', 'shadow-lg rounded-xl', '', 'flex-1 p-2'],
  width: ['50%', '200px', ''], height: ['30%', '100px', ''], flexChild: ['flex-1', ''], overflow: ['overflow-auto', 'overflow-hidden', ''],
  checked: [true, false], bodyHeight: ['80', 'abc', ''], fluidFontSize: ['', '20'], iconClass: ['ph-star', '', 'ph ph-info'],
  locked: [true, false], disabled: [true, false], animType: ['', 'pulse'], listStyle: ['disc', 'none'], sortableHandle: [true, false],
  splitDir: ['vertical', 'horizontal'], boxShadowEnabled: [true, false], selectedIndex: [0, 2, 9], listItems: ['a\nb\nc', ''],
  tooltip: ['tip', ''], minParentWidthThreshold: ['', '50%'], posAnim: [true, false], noTransition: [true, false],
  src: ['media/a.mp3', 'Images/placeholder255x255.png'], bgImage: ['', 'pics/back.png'], scrollPosY: [0, 40],
};
const FIELDS = Object.keys(EDITS);
const TYPES = ALL_TYPES.filter((t) => t !== 'chart' && t !== 'table').concat(['text', 'button', 'container']);

// One random edit as page code, built from the generator (elements are named by their place).
function randomEdit(rnd) {
  const pick = (list) => list[Math.floor(rnd() * list.length)];
  const at = Math.floor(rnd() * 1e6);
  const el = `elements[${at} % elements.length]`;
  const r = rnd();
  if (r < 0.45) {
    const field = pick(FIELDS);
    return `if (elements.length) ${el}[${JSON.stringify(field)}] = ${JSON.stringify(pick(EDITS[field]))};`;
  }
  if (r < 0.53) return `selectedIds = elements.length ? [${el}.id] : [];`;
  if (r < 0.56) return `selectedIds = elements.length ? [...new Set([${el}.id, elements[${at * 7 + 3} % elements.length].id])] : [];`;
  if (r < 0.58) return 'selectedIds = [];';
  if (r < 0.68) {
    const type = pick(TYPES);
    return `(() => { const boxes = elements.filter((e) => ['container', 'accordion', 'contentscroll', 'list', 'nineslice'].includes(e.type));
      const parent = boxes.length && ${at % 3} ? boxes[${at} % boxes.length].id : null; createElement(${JSON.stringify(type)}, parent); })();`;
  }
  if (r < 0.72) return `if (elements.length) { selectedIds = [${el}.id]; deleteSelected(); }`;
  if (r < 0.76) {
    return `(() => { if (!elements.length) return; const boxes = elements.filter((e) => ['container', 'accordion', 'contentscroll', 'list', 'nineslice'].includes(e.type));
      const target = boxes.length && ${at % 2} ? boxes[${at} % boxes.length].id : null; const id = ${el}.id;
      if (target === null || !isDescendantPath(target, id)) moveElementTo(id, target, null); })();`;
  }
  if (r < 0.79) return `canvasSettings.activeTheme = ${Math.floor(rnd() * 4)};`;
  if (r < 0.81) return `canvasSettings.justify = ${JSON.stringify(pick(['justify-start', 'justify-stretch-children', 'justify-end']))};`;
  if (r < 0.83) return 'toggleInspectorSolo();';
  if (r < 0.86) return 'saveHistoryState();';
  if (r < 0.89) return 'undo();';
  if (r < 0.9) return 'redo();';
  if (r < 0.93) {
    return `if (elements.length) { const g = ${el}; g.bgGradient = g.bgGradient && g.bgGradient.stops
      ? (g.bgGradient.stops[0].color = ${JSON.stringify(pick(['#000', '#0f0', 'th:accentPrimary']))}, g.bgGradient)
      : { enabled: true, type: 'linear', angle: 90, stops: [{ color: '#000', position: 0 }, { color: '#fff', position: 100 }] }; }`;
  }
  if (r < 0.95) return 'elements = elements.slice();';
  if (r < 0.97) return `if (elements.length > 1) { const a = ${at} % elements.length; const [x] = elements.splice(a, 1); elements.push(x); }`;
  return `if (elements.length) { const m = ${el}; m.linkGroupId = 'g'; m.linkNodeId = 'n'; }`;
}

// Designs start with a few containers and leaves, so edits have a tree to work on.
const START = `(() => {
  const row = createElement('container', null); Object.assign(row, { layout: 'flex-row' });
  createElement('button', row.id); createElement('text', row.id); createElement('image', row.id);
  const col = createElement('container', null);
  createElement('heading', col.id); createElement('toggle', col.id); createElement('list', col.id);
  createElement('accordion', null); createElement('splitter', null); createElement('select', null);
  selectedIds = [];
})()`;

const HELPERS = `function isDescendantPath(target, id) { return target === id || _ancestorIds(target).indexOf(id) !== -1; }`;

async function runSequence(seed, steps) {
  const patched = await pageWith(seed, true);
  const whole = await pageWith(seed, false);
  const pages = [patched, whole];
  for (const p of pages) p.run(HELPERS + START + '; renderCanvas();');
  const rnd = seeded(seed);
  const done = [];
  let drawnOnly = 0;
  for (let step = 0; step < steps; step++) {
    const edit = randomEdit(rnd);
    done.push(edit);
    for (const p of pages) p.run(`${edit}\nrenderCanvas();`);
    const [a, b] = pages.map((p) => p.document.getElementById('canvas-content').innerHTML);
    if (a !== b) {
      let i = 0;
      while (a[i] === b[i]) i++;
      assert.fail(`seed ${seed}, step ${step}: the patched canvas differs from the whole one at ${i}\n` +
        `patched: ...${a.slice(Math.max(0, i - 200), i + 200)}\nwhole:   ...${b.slice(Math.max(0, i - 200), i + 200)}\n` +
        `last edits:\n${done.slice(-5).join('\n')}`);
    }
    if (patched.run('_qlCanvasState !== null && _qlLastDraw !== null')) drawnOnly++;
  }
  for (const p of pages) p.window.close();
  return drawnOnly;
}

describe('drawing only what changed', () => {
  const only = process.env.QL_RENDER_SEED;
  const count = Number(process.env.QL_RENDER_SEEDS) || 10;
  const seeds = only ? [Number(only)] : Array.from({ length: count }, (_, i) => 1000 + i * 7919);

  test(`random edit sequences give the same canvas as whole drawings (${seeds.length} seeds)`, async () => {
    let patchedRenders = 0;
    for (const seed of seeds) patchedRenders += await runSequence(seed, 50);
    // Most renders of these sequences are single-field edits: they must take the short way.
    assert.ok(patchedRenders > seeds.length * 15, `only ${patchedRenders} renders drew part of the canvas`);
  });

  // Edits whose effect reaches beyond the edited record's own wrapper, each shown once on a small design.
  const REACHING = [
    ['a sibling hidden: the selected last child of a spreading row moves its grips',
      `const row = createElement('container', null); Object.assign(row, { layout: 'flex-row', justify: 'justify-between' });
       const a = createElement('button', row.id); const b = createElement('button', row.id); selectedIds = [b.id];`,
      `elements.find((e) => e.type === 'button').hidden = true;`],
    ['a parent turned floating: its selected child loses its own grips',
      `const box = createElement('container', null); const b = createElement('button', box.id); selectedIds = [b.id];`,
      `elements[0].floating = true;`],
    ['a parent made see-through: its children are drawn at its transparency',
      `const box = createElement('container', null); createElement('text', box.id); createElement('button', box.id); selectedIds = [];`,
      `Object.assign(elements[0], { opacityEnabled: true, opacity: '40' });`],
    ['the canvas stretches its children', `createElement('text', null); createElement('button', null); selectedIds = [];`,
      `canvasSettings.justify = 'justify-stretch-children';`],
    ['another theme', `createElement('button', null); const b = createElement('text', null); b.textColor = 'th:textPrimary'; selectedIds = [];`,
      `canvasSettings.activeTheme = 2;`],
    ['an imported picture', `const i = createElement('image', null); i.src = 'media/pic.png'; selectedIds = [];`,
      `_blobSrcMap = new Map([['media/pic.png', 'data:image/png;base64,AAAA']]);`],
    ['solo mode', `const box = createElement('container', null); createElement('text', box.id); const o = createElement('button', null); selectedIds = [box.id];`,
      `toggleInspectorSolo();`],
    ['a gradient stop changed in place', `const b = createElement('button', null); b.bgGradient = { enabled: true, stops: [{ color: '#000', position: 0 }, { color: '#fff', position: 100 }] }; selectedIds = [];`,
      `elements[0].bgGradient.stops[1].color = '#f00';`],
    ['a field the record did not have', `const box = createElement('container', null); box.overflow = 'overflow-y-auto'; createElement('text', box.id); delete box.scrollPosY; selectedIds = [];`,
      `elements[0].scrollPosY = 40;`],
    ['the timeline wrote a frame into an animated wrapper', `const b = createElement('button', null); createElement('text', null); selectedIds = [];
       window.hasAnimTracks = function (id) { return id === b.id; };`,
      `document.getElementById('wrap-' + elements[0].id).style.opacity = '0.3';`],
    ['undo brings back other records with the same values', `const b = createElement('button', null); const t = createElement('text', null); selectedIds = []; saveHistoryState();`,
      `elements[1].text = 'changed'; renderCanvas(); undo();`],
  ];
  for (const [name, setup, edit] of REACHING) {
    test(name, async () => {
      const pages = [await pageWith(7, true), await pageWith(7, false)];
      for (const p of pages) p.run(`elements = []; (() => { ${setup} })(); renderCanvas();`);
      for (const p of pages) p.run(`${edit} renderCanvas();`);
      const [a, b] = pages.map((p) => p.document.getElementById('canvas-content').innerHTML);
      assert.equal(a, b);
      for (const p of pages) p.window.close();
    });
  }

  test('every record field a drawing reads is a field the comparison tracks', async () => {
    const page = await loadCanvas();
    const VARIANTS = [{}, { floating: true, floatingBlur: true, posAnim: true, floatCenter: true },
      { overflow: 'overflow-auto', boxShadowEnabled: true, className: 'shadow-lg rounded', scrollPosX: 5, scrollPosY: 5 },
      { rotation: '90', scale: 2 }, { rotation: '45' }, { fluidFontSize: '20', richText: true, text: '<b>x</b>' },
      { iconClass: 'ph-star', text: 'x', chartOrientation: 'horizontal', showXAxis: false },
      { checkedImage: 'a.png', uncheckedImage: 'b.png', boxShadowAltTrack: true, boxShadowEnabled: true },
      { autoGrow: true, enterSubmit: false, noToggle: true, noTransition: true, listStyle: 'disc' },
      { opacityEnabled: true, opacity: '30', bgImage: 'x.png', hoverBgColor: '#fff', hoverTextColor: '#000', activeBgColor: '#111', animType: 'pulse' },
      { sliceImage: 'x.png', splitDir: 'vertical', thumbImage: 'a.png', thumbSize: '10', minParentWidthThreshold: '50%', minParentHeightThreshold: '10' },
      { textShadowEnabled: true, textShadowColor: '#000', textShadowX: '1', textShadowY: '2', tooltip: 't', disabled: true, hidden: true, editorHidden: true, locked: true },
      { src: 'a.mp3', borderRadiusCustomTL: '3', layout: 'flex-row', justify: 'justify-stretch-children', width: '50%', height: '20%',
        bgGradient: { enabled: true, stops: [{ color: '#000', position: 0 }, { color: '#fff', position: 100 }] } },
      { everything: true },
    ];
    const untracked = page.json(`(function (types, variants) {
      const read = new Set();
      for (const type of types) for (const v of variants) {
        elements = [];
        const box = createElement('container', null);
        if (v.layout) Object.assign(box, { layout: v.layout, justify: v.justify });
        const rec = createElement(type, box.id);
        // The last variant sets every field any type has, so that branches reading them run.
        if (v.everything) {
          for (const k of _qlTrackedFields('')) {
            if (['id', 'parentId', 'type', 'isListWrapper', 'editorHidden', 'hidden'].includes(k)) continue;
            const was = rec[k];
            rec[k] = typeof was === 'boolean' ? !was : typeof was === 'number' ? was + 1 : was === undefined || was === '' ? '12' : was;
          }
        } else {
          Object.assign(rec, v);
        }
        if (['list', 'container', 'accordion', 'contentscroll', 'nineslice'].includes(type)) {
          for (const kid of types) createElement(kid, rec.id);
        }
        // Each read is checked against the fields tracked for the type of the record it was made on.
        const spy = (el) => new Proxy(el, { get(t, k, r) { if (typeof k === 'string') read.add(t.type + ' ' + k); return Reflect.get(t, k, r); } });
        elements = elements.map(spy);
        for (const sel of [[rec.id], [rec.id, box.id], []]) { selectedIds = sel; buildHtmlTree(null); }
      }
      return [...read].filter((r) => { const [type, k] = r.split(' '); return k !== 'toJSON' && _qlTrackedFields(type).indexOf(k) === -1; });
    })(${JSON.stringify(ALL_TYPES)}, ${JSON.stringify(VARIANTS)})`);
    assert.deepEqual(untracked, [], 'add these fields to RENDER_EXTRA_FIELDS in editor/canvas/patch.js');
  });

  test('every text the canvas draws through t() is one whose change redraws the canvas', async () => {
    const drawing = ['content.js', 'renderers.js', 'wrapper.js', 'frames.js'].map((f) => readRepoFile(`editor/canvas/${f}`)).join('\n');
    const keys = [...new Set([...drawing.matchAll(/(?<![\w$])t\(\s*'([\w.-]+)'/g)].map((m) => m[1]))].sort();
    const page = await loadCanvas();
    assert.deepEqual(keys, page.json('DRAWN_TEXT_KEYS.slice().sort()'));
  });

  test('a wrapper changed on the page outside a render is drawn again, even when its record ends unchanged', async () => {
    const page = await loadCanvas();
    page.run(`elements = []; const b = createElement('button', null); b.floating = true; b.floatTop = '10px'; selectedIds = []; renderCanvas();
      const w = document.getElementById('wrap-' + b.id); w.style.top = '90px'; _qlCanvasTouched([b.id]); renderCanvas();
      window.__top = document.getElementById('wrap-' + b.id).style.top;`);
    assert.equal(page.run('window.__top'), '10px');
  });

  test('a change of the tree\'s shape, the theme or the canvas settings draws the whole content; a field edit only its wrapper', async () => {
    const page = await loadCanvas();
    page.run(`elements = []; createElement('text', null); createElement('button', null); selectedIds = []; renderCanvas();`);
    const CASES = [
      ['elements[0].text = "changed"', 1], ['canvasSettings.activeTheme = 1', null], ['canvasSettings.justify = "justify-end"', null],
      ['elements.reverse()', null], ['elements.push(Object.assign({}, elements[0], { id: "txt_copy" }))', null], ['', 0],
    ];
    for (const [edit, drawn] of CASES) {
      page.run(`${edit}; renderCanvas();`);
      assert.deepEqual(page.json('_qlLastDraw && _qlLastDraw.length'), drawn, edit || 'nothing changed');
    }
  });
});
