// The content renderer and the element wrapper in jsdom: the markup of every type on the canvas and in
// exported pages, the split of layout classes between wrapper and content, hostile record values that
// must stay text, rich text through the allow-list, the colour helpers, and export events.
import assert from 'node:assert/strict';
import { beforeEach, describe, test } from 'node:test';

import { ALL_TYPES, loadCanvas } from './canvas-page.mjs';

const page = await loadCanvas();
const q = (id) => `[id="${id}"]`;
const content = (id, opts = {}) => page.run(`buildElementContent(_findElement(${JSON.stringify(id)}), ${JSON.stringify(opts)})`);
const wrapper = (id) => page.run(`buildHtmlTree(null) && _renderElementWrapper(_findElement(${JSON.stringify(id)}), null)`);

beforeEach(() => page.run('elements = []; selectedIds = []; _inlineEditId = null;'));

describe('markup of each type', () => {
  // type -> [on the canvas, in an exported page]; ID stands for the element's own id.
  const MARKUP = {
    table: ['div.gridjs-wrapper[data-grid-config]ID table.ql-grid-static', 'div.gridjs-wrapper[data-grid-config]ID:empty'],
    chart: ['div.chart-container > canvasID[data-chart-config]', 'div.chart-container > canvasID[data-chart-config]'],
    heading: ['h2ID[tabindex="-1"]:not([onclick])', 'h2ID[onclick]:not([tabindex])'],
    text: ['pID', 'pID:not([onclick])'],
    button: ['buttonID[type="button"]:not([onclick])', 'buttonID[onclick]'],
    link: ['aID[href="#"][onclick]', 'aID[href="#"][onclick]'],
    icon: ['divID > i.ph.ph-smiley', 'divID[onclick] > i.ph.ph-smiley'],
    image: ['imgID[draggable="false"][tabindex="-1"][src="Images/placeholder255x255.png"]', 'imgID[tabindex="-1"][onclick]'],
    input: ['inputID[type="text"][readonly]', 'inputID[type="text"][oninput][onkeydown]:not([readonly])'],
    textarea: ['textareaID[readonly][data-enter-submit="0"]', 'textareaID[onkeydown]:not([readonly])'],
    select: ['div.ql-selectID[data-ql-edit-mode="true"][data-value="Opción 1"] > button.ql-select-btn[disabled]',
      'div.ql-selectID[data-ql-select="1"][tabindex="0"] > button.ql-select-btn[onclick]:not([disabled])'],
    checkbox: ['labelID > input[type="checkbox"]', 'labelID[onchange] > input[type="checkbox"]'],
    radio: ['labelID > input[type="radio"]', 'labelID[onclick] > input[type="radio"]'],
    'toggle-btn': ['style + labelID[data-toggle-btn] > input[type="radio"][hidden] + div.tb-inner',
      'style + labelID:not([data-toggle-btn])[onchange] > input[type="radio"] + div.tb-inner'],
    toggle: ['style + labelID .tog-track + .tog-thumb', 'style + labelID[onchange] input[type="checkbox"][hidden]'],
    slider: ['style + inputID[type="range"][value="50"][readonly]', 'style + inputID[type="range"][oninput]'],
    progress: ['divID > div.bg-accent[style*="width: 50%"]', 'divID[onclick] > div.bg-accent'],
    alert: ['divID i.ph.ph-info.icon-y + span.text-y', 'divID i.ph.ph-info'],
    list: ['ulID[data-ql-list] > li[data-ql-item] .item-inner', 'ulID[data-ql-list][onclick] > li[data-ql-item] p'],
    splitter: ['divID[data-ql-dir="horizontal"][data-split-min="40"][onpointerdown]', 'divID[data-ql-dir="horizontal"][onclick]'],
    canvas: ['canvasID[width="800"][height="600"]', 'canvasID[width="800"][height="600"]'],
    avplayer: ['divID > i.ph.ph-video', 'video.plyr-videoID[data-plyr-config][preload="auto"]'],
    container: ['divID.flex.flex-col.w-full', 'divID.flex.flex-col'],
    accordion: [null, null],
    nineslice: [null, null],
    contentscroll: [null, null],
  };

  test('the catalogue has exactly these types', () => {
    assert.deepEqual(Object.keys(MARKUP).sort(), [...ALL_TYPES].sort());
  });

  for (const type of ALL_TYPES) {
    test(`${type}: content on the canvas and in an export`, () => {
      const id = page.add(type);
      if (type === 'list') page.run(`_childrenOf(${JSON.stringify(id)})`);
      for (const [mode, opts] of [[0, {}], [1, { forExport: true }]]) {
        const selector = MARKUP[type][mode];
        const html = type === 'list' && mode === 0 ? wrapper(id) : content(id, opts);
        if (selector === null) { assert.equal(html, '', 'the wrapper draws this type'); continue; }
        const root = page.parse(html);
        assert.ok(root.querySelector(selector.replace(/ID/g, q(id))), `${mode ? 'export' : 'canvas'}: ${selector}\n${html}`);
      }
    });
  }

  test('every type gets a wrapper "wrap-<id>" holding its content node; leaves pass clicks to the wrapper, a splitter keeps its bar live', () => {
    const ids = ALL_TYPES.map((type) => [type, page.add(type)]);
    const root = page.parse(page.run('buildHtmlTree(null)'));
    for (const [type, id] of ids) {
      const w = root.querySelector(q(`wrap-${id}`));
      assert.ok(w?.classList.contains('element-wrapper'), type);
      assert.ok(w.querySelector(`.rotation-fix-container ${q(id)}`), `${type} content inside the rotation container`);
      const leaf = !['container', 'accordion', 'contentscroll', 'nineslice', 'list', 'splitter'].includes(type);
      assert.equal(w.classList.contains('pointer-events-none-inner'), leaf, type);
    }
  });

  test('an empty list shows the drop hint; a list without grips shows none', () => {
    const empty = page.add('list');
    page.run(`elements = elements.filter((e) => e.parentId !== ${JSON.stringify(empty)})`);
    assert.ok(page.parse(wrapper(empty)).querySelector('li.empty-list-placeholder[data-drop-hint="list.dropHint"]'));
    const full = page.add('list', { sortableHandle: false });
    const root = page.parse(wrapper(full));
    assert.equal(root.querySelectorAll('li[data-ql-item]').length, 2);
    assert.equal(root.querySelector('.drag-handle'), null);
  });

  test('an empty invisible list wrapper left by a delete is not drawn as an item', () => {
    const list = page.add('list');
    page.run(`elements.push(_makeListWrapper(${JSON.stringify(list)}))`);
    assert.equal(page.parse(wrapper(list)).querySelectorAll('li[data-ql-item]').length, 2);
  });
});

describe('layout classes', () => {
  const CASES = [
    // className, floating, on the wrapper, on the content
    ['mt-4 w-32 text-red-500', false, ['mt-4', 'w-32'], ['text-red-500']],
    ['md:w-32 -mt-2 flex-1 whitespace-nowrap flex-col', false, ['md:w-32', '-mt-2', 'flex-1'], ['whitespace-nowrap', 'flex-col']],
    ['min-h-[100px] max-w-5xl self-center order-2 flex-[2] flex-auto', false,
      ['min-h-[100px]', 'max-w-5xl', 'self-center', 'order-2', 'flex-[2]', 'flex-auto'], []],
    ['mt-4 w-32 text-red-500', true, [], ['text-red-500']],
  ];
  for (const [className, floating, onWrapper, onContent] of CASES) {
    test(`"${className}"${floating ? ' floating' : ''}`, () => {
      const id = page.add('text', { className, floating });
      const root = page.parse(wrapper(id));
      const w = root.querySelector(q(`wrap-${id}`)).classList;
      const c = root.querySelector(q(id)).classList;
      for (const cls of className.split(' ')) {
        assert.equal(w.contains(cls), onWrapper.includes(cls), `wrapper ${cls}`);
        assert.equal(c.contains(cls), onContent.includes(cls), `content ${cls}`);
      }
    });
  }

  test('a 50% wide child of a stretching row gets flex 0 1 50% and no flex-1', () => {
    const row = page.add('container', { layout: 'flex-row', justify: 'justify-stretch-children' });
    const child = page.add('button', { width: '50%' }, row);
    const w = page.parse(wrapper(child)).querySelector(q(`wrap-${child}`));
    assert.match(w.getAttribute('style'), /flex: 0 1 50%/);
    assert.equal(w.classList.contains('flex-1'), false);
  });

  test('a button at the end of a justify-end row has its grips on its left edge', () => {
    const row = page.add('container', { layout: 'flex-row', justify: 'justify-end' });
    const child = page.add('button', {}, row);
    page.run(`selectedIds = [${JSON.stringify(child)}]`);
    const handles = page.parse(page.run(`buildHtmlTree(${JSON.stringify(row)})`)).querySelector('.resize-handles-container');
    assert.ok(handles.classList.contains('pin-right'));
    assert.equal(handles.classList.contains('pin-bottom'), false);
  });

  test('a floating element with no floatZ and position animation', () => {
    const id = page.add('button', { floating: true, floatTop: '10px', floatLeft: '20px', posAnim: true });
    const style = page.parse(wrapper(id)).querySelector(q(`wrap-${id}`)).getAttribute('style');
    assert.match(style, /position: absolute; top: 10px; left: 20px; z-index: 1001;/);
    assert.match(style, /transition: top 0.3s ease, left 0.3s ease, right 0.3s ease, bottom 0.3s ease/);
  });
});

describe('hostile record values stay text', () => {
  // Ends every context it could land in: attribute, text, style element, text area, script.
  const HOSTILE = `"'><img id=pwned src=x onerror=alert(1)></style></textarea></title><script id=pwned2>alert(2)</script>&amp;`;
  const URL_HOSTILE = 'javascript:alert(1)';
  const URL_FIELDS = ['src', 'poster', 'bgImage', 'sliceImage', 'thumbImage', 'checkedImage', 'uncheckedImage', 'href'];
  const KEEP = new Set(['id', 'parentId', 'type']);

  function hostileDesign(rich) {
    const ids = ALL_TYPES.map((type) => page.add(type));
    page.run(`elements.forEach((el) => { el.richText = ${rich}; })`);
    page.run(`elements.forEach((el) => {
      for (const k of Object.keys(el)) {
        if (${JSON.stringify([...KEEP])}.includes(k) || typeof el[k] !== 'string') continue;
        el[k] = ${JSON.stringify(URL_FIELDS)}.includes(k) ? ${JSON.stringify(URL_HOSTILE)} : ${JSON.stringify(HOSTILE)};
      }
      el.tooltip = ${JSON.stringify(HOSTILE)};
      el.name = ${JSON.stringify(HOSTILE)};
      el.bgGradient = { enabled: true, type: 'linear', angle: '90', stops: [{ color: ${JSON.stringify(HOSTILE)}, position: 0 }, { color: 'red', position: 100 }] };
      el.checkedImage = el.uncheckedImage = 'x.png';
      el.opacityEnabled = true;
      el.opacity = '30';
    });
    // Ids come from documents too: every id becomes hostile, parents follow.
    (() => {
      const renamed = new Map(elements.map((el, i) => [el.id, ${JSON.stringify(HOSTILE)} + i]));
      elements.forEach((el) => { el.id = renamed.get(el.id); if (renamed.has(el.parentId)) el.parentId = renamed.get(el.parentId); });
      window.__ids = ${JSON.stringify(ids)}.map((id) => renamed.get(id));
    })();`);
    return page.json('window.__ids');
  }

  function assertInert(html, label) {
    const root = page.parse(html);
    assert.equal(root.querySelector('#pwned, #pwned2, script, iframe, object, embed'), null, `${label}: markup broke out`);
    for (const node of root.querySelectorAll('*')) {
      for (const attr of node.attributes) {
        if (attr.name.startsWith('on')) {
          assert.doesNotThrow(() => new page.window.Function('event', attr.value), `${label}: ${attr.name} is one valid script`);
        }
        if (['href', 'src', 'poster'].includes(attr.name)) assert.doesNotMatch(attr.value, /^\s*javascript:/i, label);
        if (attr.name === 'style') assert.doesNotMatch(attr.value, /url\(\s*["']?javascript:|expression\(|<|>/i, `${label}: style`);
      }
    }
    for (const style of root.querySelectorAll('style')) assert.doesNotMatch(style.textContent, /javascript:|<|>/i, `${label}: style element`);
    return root;
  }

  for (const rich of [false, true]) {
    test(`on the canvas and in exports, for every type, no value leaves its attribute, text or rule${rich ? ' (rich text)' : ''}`, () => {
      const ids = hostileDesign(rich);
      assertInert(page.run('buildHtmlTree(null)'), 'canvas tree');
      for (const id of ids) {
        for (const opts of [{}, { forExport: true }]) assertInert(content(id, opts), `${page.json(`_findElement(${JSON.stringify(id)}).type`)} ${JSON.stringify(opts)}`);
      }
    });
  }

  test('values come back unchanged through the DOM where they are kept as text', () => {
    const ids = Object.fromEntries(ALL_TYPES.map((type) => [type, page.add(type)]));
    page.run(`elements.forEach((el) => { el.tooltip = el.text = el.placeholder = el.value = el.alt = el.listItems = el.name = el.sortableGroup = ${JSON.stringify(HOSTILE)}; })`);
    const tree = page.parse(page.run('buildHtmlTree(null)'));
    const CHECKS = [
      // type, selector inside the content, what to read
      ['button', '', (n) => n.getAttribute('title')],
      ['heading', '', (n) => n.textContent],
      ['input', '', (n) => n.getAttribute('placeholder')],
      ['input', '', (n) => n.getAttribute('value')],
      ['textarea', '', (n) => n.value],
      ['image', '', (n) => n.getAttribute('alt')],
      ['select', '', (n) => n.getAttribute('data-value')],
      ['select', '.ql-select-item', (n) => n.getAttribute('data-value')],
      ['checkbox', 'input', (n) => n.getAttribute('name')],
      ['list', '', (n) => n.getAttribute('data-ql-group')],
    ];
    for (const [type, sel, read] of CHECKS) {
      const node = tree.querySelector(q(ids[type]) + (sel ? ' ' + sel : ''));
      assert.equal(read(node), HOSTILE, `${type} ${sel}`);
    }
  });

  test('script URLs are refused and media paths keep working', () => {
    const CASES = [
      ['javascript:alert(1)', ''], [' JaVa\tScript:alert(1)', ''], ['data:text/html,<b>x</b>', ''], ['vbscript:x', ''],
      ['Images/a b.png', 'Images/a%20b.png'], ['https://127.0.0.1/x.png', 'https://127.0.0.1/x.png'],
      ['data:image/png;base64,AAAA', 'data:image/png;base64,AAAA'],
    ];
    for (const [src, expected] of CASES) {
      const id = page.add('image', { src });
      assert.equal(page.parse(content(id)).querySelector('img').getAttribute('src'), expected, src);
    }
  });
});

describe('rich text', () => {
  const CASES = [
    ['<img src=x onerror="alert(1)">hi', 'hi'],
    ['<script>alert(1)</script>ok', 'ok'],
    ['<span style="color:#f00;background:url(javascript:alert(1))" onclick="x()">red</span>', '<span style="color:#f00">red</span>'],
    ['<a href="javascript:alert(1)">link</a>', 'link'],
    ['<svg><script>alert(1)</script></svg>t', 't'],
    ['<iframe srcdoc="<script>alert(1)</script>"></iframe>z', 'z'],
    ['<style>body{display:none}</style>q', 'q'],
    ['a<br>b<div>c</div>', 'a<br>b<div>c</div>'],
    ['<b>x</b><font color="red">y</font>', '<b>x</b><span style="color:red">y</span>'],
    ['<span style="color: var(--th-text1)">v</span>', '<span style="color:var(--th-text1)">v</span>'],
    ['1 &lt; 2 &amp; <u>3</u>', '1 &lt; 2 &amp; <u>3</u>'],
  ];
  for (const [input, expected] of CASES) {
    test(`${input} -> ${expected}`, () => {
      assert.equal(page.run(`_sanitizeRichText(${JSON.stringify(input)})`), expected);
    });
  }

  test('rich text is sanitised when it is drawn and when a document is opened', () => {
    const id = page.add('heading', { richText: true, text: 'x<img src=x onerror="alert(1)"><span style="color:red">y</span>' });
    const h2 = page.parse(content(id, { forExport: true })).querySelector('h2');
    assert.equal(h2.innerHTML, 'x<span style="color:red">y</span>');
    assert.equal(h2.getAttribute('data-ql-rich-text'), '1');
    assert.equal(page.run('_sanitizeElementsRichText(elements)'), 1);
    assert.equal(page.json(`_findElement(${JSON.stringify(id)}).text`), 'x<span style="color:red">y</span>');
  });
});

describe('colours, sizes and helpers', () => {
  test('_alphaColor', () => {
    const CASES = [['#ff000080', 50, 'rgba(255, 0, 0, 0.251)'], ['#ff0000', 0, '#ff0000'], ['#f00', 0, '#f00'],
      ['#f00', 25, 'rgba(255, 0, 0, 0.75)'], ['red', 30, 'color-mix(in srgb, red, transparent 30%)'], ['red', 0, 'red']];
    for (const [colour, pct, expected] of CASES) assert.equal(page.run(`_alphaColor(${JSON.stringify(colour)}, ${pct})`), expected, `${colour} ${pct}`);
  });

  test('gradients: one stop gives nothing, stops are sorted', () => {
    assert.equal(page.run(`buildGradientCSS({ enabled: true, stops: [{ color: '#000', position: 0 }] })`), '');
    assert.equal(page.run(`buildGradientCSS({ enabled: true, stops: [{ color: '#fff', position: 80 }, { color: '#000', position: 20 }] })`),
      'linear-gradient(180deg, #000 20%, #fff 80%)');
  });

  test('a select whose index is out of range shows its first item; without items -1 and the empty text', () => {
    const id = page.add('select', { listItems: 'a\nb\nc', selectedIndex: 7 });
    const sel = page.parse(content(id)).querySelector('.ql-select');
    assert.equal(sel.getAttribute('data-selected-index'), '0');
    assert.equal(sel.querySelector('.ql-select-label').textContent, 'a');
    const none = page.add('select', { listItems: ' \n ' });
    const empty = page.parse(content(none)).querySelector('.ql-select');
    assert.equal(empty.getAttribute('data-selected-index'), '-1');
    assert.equal(empty.querySelector('.ql-select-empty').textContent, 'selectEmpty');
  });

  test('chart and table configurations fall back on bad JSON and compute the ring cutout', () => {
    const chart = page.add('chart', { chartType: 'doughnut', chartOptions: '{bad', chartData: JSON.stringify({ cutout: 30, labels: ['a'],
      datasets: [{ data: [1] }, { data: [2] }] }) });
    const cfg = JSON.parse(page.parse(content(chart)).querySelector('canvas').getAttribute('data-chart-config'));
    assert.equal(cfg.options.cutout, '40%');
    assert.equal(cfg.data.datasets[0].backgroundColor[0], '#3b82f6');
    const broken = page.add('chart', { chartData: '42' });
    assert.deepEqual(JSON.parse(page.parse(content(broken)).querySelector('canvas').getAttribute('data-chart-config')).data.datasets, []);
    const table = page.add('table', { columns: 'nope', tableFeatures: '[', tableData: 'a | b\n\n c|d ' });
    const grid = JSON.parse(page.parse(content(table)).querySelector('.gridjs-wrapper').getAttribute('data-grid-config'));
    assert.deepEqual(grid.columns, [{ id: 'col_1', name: 'Col 1', sort: true, filter: true }]);
    assert.deepEqual(grid.data, [['a', 'b'], ['c', 'd']]);
  });

  test('a canvas element 50% wide gets an 800 x 600 bitmap; a link to #btn1 points at its wrapper', () => {
    const c = page.add('canvas', { width: '50%', height: '' });
    const node = page.parse(content(c)).querySelector('canvas');
    assert.deepEqual([node.width, node.height], [800, 600]);
    const l = page.add('link', { href: '#btn1' });
    assert.equal(page.parse(content(l)).querySelector('a').getAttribute('href'), '#wrap-btn1');
  });

  test('a leaf under a container at transparency 40 is drawn at opacity 0.6, the container only in its colours', () => {
    const box = page.add('container', { opacityEnabled: true, opacity: '40', bgColor: '#000000' });
    const child = page.add('text', {}, box);
    assert.match(page.parse(content(child)).querySelector('p').getAttribute('style'), /opacity: 0.6;/);
    const style = page.parse(content(box)).querySelector('div').getAttribute('style');
    assert.match(style, /background-color: rgba\(0, 0, 0, 0.6\)/);
    assert.doesNotMatch(style, /opacity:/);
  });

  test('exported content carries its composite animation fallbacks; the canvas does not', () => {
    const id = page.add('button', { rotation: '45', scale: 1.5, transformOriginX: '0' });
    const attr = page.parse(content(id, { forExport: true })).querySelector('button').getAttribute('data-ql-anim');
    assert.deepEqual(JSON.parse(attr).tf, { rot: '45', scl: 1.5, ox: '0', oy: '50' });
    assert.equal(page.parse(content(id)).querySelector('button').hasAttribute('data-ql-anim'), false);
  });

  test('Phosphor icons get the base class when they have no weight class', () => {
    const CASES = [['ph-info', 'ph ph-info'], ['ph ph-smiley', 'ph ph-smiley'], ['ph-bold ph-star', 'ph-bold ph-star'],
      ['fa-solid fa-star', 'fa-solid fa-star'], ['', null]];
    for (const [iconClass, expected] of CASES) {
      const i = page.parse(page.run(`getIconHtml(${JSON.stringify({ iconClass })})`)).querySelector('i');
      assert.equal(i ? i.className : null, expected, iconClass);
    }
  });
});

describe('hover and press colours', () => {
  // [name, fields, events in order, [background colour, background image, text colour] after each]
  const GRADIENT = { enabled: true, type: 'linear', angle: 90, stops: [{ color: '#000000', position: 0 }, { color: '#ffffff', position: 100 }] };
  const CASES = [
    ['a plain background colour comes back after hovering', { bgColor: '#112233', hoverBgColor: '#445566' },
      ['mouseenter', 'mouseleave', 'mouseenter', 'mouseleave'],
      [['rgb(68, 85, 102)', 'none', ''], ['rgb(17, 34, 51)', '', ''], ['rgb(68, 85, 102)', 'none', ''], ['rgb(17, 34, 51)', '', '']]],
    ['the text colour alone changes and comes back', { textColor: '#010203', hoverTextColor: '#0a0b0c' }, ['mouseenter', 'mouseleave'],
      [['', '', 'rgb(10, 11, 12)'], ['', '', 'rgb(1, 2, 3)']]],
    ['a gradient is covered by the hover colour and comes back', { bgGradient: GRADIENT, hoverBgColor: '#445566' }, ['mouseenter', 'mouseleave'],
      [['rgb(68, 85, 102)', 'none', ''], [null, 'linear-gradient(90deg, rgb(0, 0, 0) 0%, rgb(255, 255, 255) 100%)', '']]],
    ['a press shows the active colour, the release the colour before it', { bgColor: '#112233', activeBgColor: '#778899' },
      ['pointerdown', 'pointerup'], [['rgb(119, 136, 153)', 'none', ''], ['rgb(17, 34, 51)', '', '']]],
  ];
  for (const [name, fields, events, after] of CASES) {
    test(name, () => {
      const id = page.add('button', { text: 'Go', bgColor: '', textColor: '', hoverBgColor: '', hoverTextColor: '', activeBgColor: '', ...fields });
      page.run('renderCanvas();');
      const node = page.document.getElementById(id);
      // jsdom does not run enter and leave handler attributes: each runs as the browser would.
      const seen = events.map((type) => {
        new page.window.Function('event', node.getAttribute('on' + type)).call(node, new page.window.MouseEvent(type));
        return [node.style.backgroundColor, node.style.backgroundImage, node.style.color];
      });
      // A gradient's own colour part reads differently between engines: only its image is compared.
      assert.deepEqual(seen.map((s, i) => (after[i][0] === null ? [null, s[1], s[2]] : s)), after);
    });
  }
});

test('a toggle marks its parts where flows look for them: one off track, one on layer inside it, the thumb', () => {
  const id = page.add('toggle', { activeTrackColor: '#00ff00', inactiveTrackColor: '#ff0000' });
  // The selectors the track and thumb procedures and getters use.
  const PARTS = [['[data-ql-track]:not(.active)', 'tog-track'], ['[data-ql-track].active,[data-ql-track-active]', 'tog-track-on'],
    ['[data-ql-thumb],.tog-thumb', 'tog-thumb']];
  for (const opts of [{}, { forExport: true }]) {
    const node = page.parse(content(id, opts));
    for (const [selector, cls] of PARTS) {
      const found = node.querySelectorAll(selector);
      assert.deepEqual([...found].map((n) => n.className), [cls], `${selector} ${JSON.stringify(opts)}`);
    }
    const rules = node.querySelector('style').textContent;
    assert.match(rules, /\.tog-track\{background:(#ff0000|#FF0000);/i, 'the off colour on the track');
    assert.match(rules, /\.tog-track-on\{background:#00ff00;opacity:0;\}/i, 'the on colour on the layer, hidden');
    assert.match(rules, /input:checked~\.tog-track \.tog-track-on\{opacity:1;\}/, 'shown while checked');
  }
});

describe('audio and video players', () => {
  test('a WebM source is a video; an audio source is a 52 px bar drawn at render time; the record is never written', () => {
    const video = page.add('avplayer', { src: 'media/clip.webm', height: '240px' });
    const audio = page.add('avplayer', { src: 'media/song.mp3', height: '240px' });
    const before = page.json('elements');
    const tree = page.parse(page.run('buildHtmlTree(null)'));
    for (const id of page.json('elements.map((e) => e.id)')) content(id, { forExport: true });
    assert.ok(tree.querySelector(`${q(video)} .ph-video`));
    assert.doesNotMatch(tree.querySelector(q(`wrap-${video}`)).getAttribute('style'), /52px/);
    assert.ok(tree.querySelector(`${q(audio)} .ph-music-notes`));
    assert.match(tree.querySelector(q(`wrap-${audio}`)).getAttribute('style'), /height: 52px; min-height: 52px; max-height: 52px;/);
    assert.deepEqual(page.json('elements'), before);
  });
});

describe('container family', () => {
  const tree = (id) => page.parse(wrapper(id));

  test('a shadow with clipping: the shadow goes to the wrapper, the clipping to an inner box', () => {
    const box = page.add('container', { className: 'shadow-lg', overflow: 'overflow-hidden', borderRadius: 'rounded-xl' });
    page.add('text', {}, box);
    const root = tree(box);
    const w = root.querySelector(`[id="wrap-${box}"]`);
    const c = root.querySelector(`[id="${box}"]`);
    assert.ok(w.classList.contains('shadow-lg') && w.classList.contains('rounded-xl'));
    assert.equal(c.classList.contains('shadow-lg') || c.classList.contains('overflow-hidden'), false);
    assert.ok(c.querySelector(':scope > div.overflow-hidden.rounded-xl.flex.w-full.h-full > [id^="wrap-"]'));
  });

  test('a column scrolling along its main axis moves its flex layout to an inner box', () => {
    const box = page.add('container', { overflow: 'overflow-y-auto', boxShadowEnabled: false, className: '' });
    page.add('text', {}, box);
    const c = tree(box).querySelector(`[id="${box}"]`);
    assert.ok(c.classList.contains('block'));
    assert.equal(c.classList.contains('flex'), false);
    assert.ok(c.querySelector(':scope > div.flex.flex-col.w-full > [id^="wrap-"]'));
  });

  test('a see-through container with a picture paints colour and picture on its own layer, not on the children', () => {
    const box = page.add('container', { bgImage: 'pics/back.png', opacityEnabled: true, opacity: '50', bgColor: '#ff0000' });
    const root = tree(box);
    const rule = root.querySelector('style').textContent;
    assert.match(rule, new RegExp(`^#wrap-${box} \\.ql-bg-layer::before\\{`));
    assert.match(rule, /opacity:0\.5;.*background-color:#ff0000;background-image:url\("pics\/back\.png"\)/);
    const c = root.querySelector(`[id="${box}"]`);
    assert.ok(c.classList.contains('ql-bg-layer'));
    assert.doesNotMatch(c.getAttribute('style'), /background/);
  });

  test('a nine-slice box draws its picture as a border image with scaled bands', () => {
    const box = page.add('nineslice', { sliceImage: 'frame.png', sliceTop: 10, sliceRight: 20, sliceBottom: 10, sliceLeft: 20, sliceScale: 2 });
    const style = tree(box).querySelector(`[id="${box}"]`).getAttribute('style');
    assert.match(style, /border-width: 20px 40px 20px 40px;/);
    assert.match(style, /border-image-source: url\("frame\.png"\); border-image-slice: 10 20 10 20 fill;/);
  });

  test('a quarter-turned container is laid out through a phantom box, without turning its wrapper', () => {
    const box = page.add('container', { rotation: '90' });
    const root = tree(box);
    assert.equal(root.querySelector(`[id="wrap-${box}"]`).hasAttribute('data-rot'), false);
    assert.match(root.querySelector('.phantom-rot-container > .rotation-fix-container').getAttribute('style'), /transform: rotate\(90deg\)/);
  });

  test('an accordion: header with the chevron, body open or closed, wrapper height from the body height', () => {
    const acc = page.add('accordion', { checked: false, bodyHeight: '80', name: 'grp' });
    const root = tree(acc);
    const w = root.querySelector(`[id="wrap-${acc}"]`);
    assert.match(w.getAttribute('style'), /height: 125px !important/);
    assert.ok(w.classList.contains('accordion-animatable'));
    assert.ok(root.querySelector(`[id="${acc}"][data-accordion-group="grp"] > .acc-header .acc-chevron:not(.acc-open)`));
    assert.ok(root.querySelector('.acc-body:not(.acc-body-open) .ql-drop-placeholder'));
  });
});
