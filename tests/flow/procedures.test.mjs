// The UI procedures acting on a page drawn like an exported design (fixtures/exported-page.html: wrappers
// "wrap-<id>" around elements "<id>"), family by family, in jsdom: which element each procedure finds
// (E, W|E, W), the values it writes, the runtimes it calls (the real chart and table runtimes over
// stand-ins of Chart.js and Grid.js, recording fakes of the select, list and animation runtimes) and the
// results it gives back. Drawing is checked by pixels in Chromium
// (procedures.chromium.test.mjs); here only which canvas calls a drawing makes.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import { fileURLToPath } from 'node:url';
import { before, describe, test as nodeTest } from 'node:test';

import { loadExportedPage, loadFlowPage } from './flow-page.mjs';

let shimText;
let catalogue;
before(async () => {
  const editor = await loadFlowPage();
  shimText = editor.run('_uiJsShim()');
  catalogue = editor.json('_UI_PROCEDURE_CATALOG.map((e) => e.pb)');
  editor.close();
});

// Media elements and alerts do nothing in jsdom: they record what they were asked instead.
function stubPage(w) {
  w.__alerts = [];
  w.alert = (message) => w.__alerts.push(message);
  w.scrollTo = (options) => { w.__scrolled = options; };
  const media = w.HTMLMediaElement.prototype;
  media.play = function () { (this.__did ||= []).push('play'); return w.Promise.reject(new w.Error('refused')); };
  media.pause = function () { (this.__did ||= []).push('pause'); };
  media.load = function () { (this.__did ||= []).push('load'); };
}

// Each case gets a fresh page; a page error or a console error it did not expect fails it.
function test(name, fn) {
  nodeTest(name, async () => {
    const page = await loadExportedPage(shimText, { before: stubPage });
    try {
      await fn(page);
      assert.deepEqual(page.consoleErrors, [], 'console errors');
      assert.deepEqual(page.errors.map(String), [], 'page errors');
    } finally {
      page.close();
    }
  });
}

const lit = (value) => JSON.stringify(value);
// Runs `UI_<name>(0, ...args)` in the page and gives back its result (through JSON).
const call = (page, name, ...args) => page.json(`UI_${name}(0${args.map((a) => ', ' + lit(a)).join('')})`);
const style = (page, id, property) => page.run(`document.getElementById(${lit(id)}).style.getPropertyValue(${lit(property)})`);
const prop = (page, id, expr) => page.json(`(function (el) { return ${expr}; })(document.getElementById(${lit(id)}))`);

describe('text and value', () => {
  test('UI_SetText: inputs and text areas take the value, other elements their text; without the element the wrapper\'s first text element', (page) => {
    const CASES = [
      ['title', 'Hello', 'title', 'el.textContent'],
      ['name', 'Ana', 'name', 'el.value'],
      ['notes', 'two\nlines', 'notes', 'el.value'],
      ['caption', 'New caption', 'wrap-caption', 'el.querySelector("p").textContent'],
      ['field', 'typed', 'wrap-field', 'el.querySelector("input").value'],
      ['go', 42, 'go', 'el.textContent'],
      ['title', '<b>bold</b>', 'title', 'el.innerHTML'],
    ];
    for (const [id, text, target, read] of CASES) {
      call(page, 'SetText', id, text);
      const want = read === 'el.innerHTML' ? '&lt;b&gt;bold&lt;/b&gt;' : String(text);
      assert.equal(prop(page, target, read), want, `${id} <- ${lit(text)}`);
    }
    assert.equal(call(page, 'SetText', 'nope', 'x'), null);
  });

  test('UI_SetValue: E only; fields and progress elements take the value, a bar inside its width and aria value, else the first child its width', (page) => {
    const CASES = [
      ['name', '7', 'name', 'el.value', '7'],
      ['native', '40', 'native', 'String(el.value)', '40'],
      ['meter', '40', 'meter', '[el.querySelector("[role=progressbar]").style.width, el.querySelector("[role=progressbar]").getAttribute("aria-valuenow")]', ['40%', '40']],
      ['prog', 75, 'prog', 'el.firstElementChild.style.width', '75%'],
      ['caption', '50', 'wrap-caption', 'el.querySelector("p").getAttribute("style")', null],
    ];
    for (const [id, value, target, read, want] of CASES) {
      call(page, 'SetValue', id, value);
      assert.deepEqual(prop(page, target, read), want, id);
    }
  });

  test('UI_SetPlaceholder, UI_SetTooltip (on the wrapper, else the element), UI_SetHref, UI_SetIcon and UI_Alert', (page) => {
    call(page, 'SetPlaceholder', 'name', 'Full name');
    call(page, 'SetPlaceholder', 'field', 'Inside the wrapper');
    assert.deepEqual([prop(page, 'name', 'el.placeholder'), prop(page, 'wrap-field', 'el.querySelector("input").placeholder')],
      ['Full name', 'Inside the wrapper']);

    call(page, 'SetTooltip', 'go', 'Send it');
    call(page, 'SetTooltip', 'loose', 'No wrapper');
    assert.deepEqual([prop(page, 'wrap-go', 'el.title'), prop(page, 'go', 'el.getAttribute("title")'), prop(page, 'loose', 'el.title')],
      ['Send it', null, 'No wrapper']);

    const hrefs = [['https://example.org/a?b=1', 'https://example.org/a?b=1'], ['#wrap-title', '#wrap-title'],
      ['javascript:alert(1)', '#wrap-title'], ['  JavaScript:void 0', '#wrap-title'], ['mailto:a@b.c', 'mailto:a@b.c']];
    for (const [url, want] of hrefs) {
      call(page, 'SetHref', 'help', url);
      assert.equal(prop(page, 'help', 'el.getAttribute("href")'), want, url);
    }

    call(page, 'SetIcon', 'star', 'ph ph-heart');
    call(page, 'SetIcon', 'go', 'fa-solid fa-check');
    assert.deepEqual(prop(page, 'star', '[el.querySelectorAll("i").length, el.querySelector("i").className]'), [1, 'ph ph-heart']);
    assert.deepEqual(prop(page, 'go', '[el.firstElementChild.tagName, el.firstElementChild.className, el.textContent]'), ['I', 'fa-solid fa-check', 'Go']);

    call(page, 'Alert', 'Saved');
    call(page, 'Alert', 42);
    call(page, 'Alert', null);
    assert.deepEqual(page.json('window.__alerts'), ['Saved', '42', '']);
  });
});

describe('style', () => {
  // [procedure, id, value, element whose inline style changes, property, value read back]
  const CASES = [
    ['SetBgColor', 'box', 'rgb(10, 20, 30)', 'box', 'background-color', 'rgb(10, 20, 30)'],
    ['SetTextColor', 'box', 'red', 'box', 'color', 'red'],
    ['SetBorderColor', 'box', 'blue', 'box', 'border-color', 'blue'],
    ['SetMarginTop', 'box', '4px', 'box', 'margin-top', '4px'],
    ['SetMarginRight', 'box', '5%', 'box', 'margin-right', '5%'],
    ['SetMarginBottom', 'box', '1rem', 'box', 'margin-bottom', '1rem'],
    ['SetMarginLeft', 'box', 'auto', 'box', 'margin-left', 'auto'],
    ['SetFontSize', 'box', '18px', 'box', 'font-size', '18px'],
    ['SetFontFamily', 'box', 'Georgia, serif', 'box', 'font-family', 'Georgia, serif'],
    ['SetBorderRadius', 'box', '12px', 'box', 'border-radius', '12px'],
    ['SetWidth', 'box', '120px', 'wrap-box', 'width', '120px'],
    ['SetWidth', 'loose', '50%', 'loose', 'width', '50%'],
    ['SetHeight', 'box', '3em', 'wrap-box', 'height', '3em'],
    ['SetMinWidth', 'box', '10px', 'wrap-box', 'min-width', '10px'],
    ['SetMaxWidth', 'box', '300px', 'wrap-box', 'max-width', '300px'],
    ['SetMinHeight', 'box', '20px', 'wrap-box', 'min-height', '20px'],
    ['SetMaxHeight', 'box', '90vh', 'wrap-box', 'max-height', '90vh'],
    ['SetPadding', 'box', '8px 4px', 'wrap-box', 'padding', '8px 4px'],
    ['SetFloatTop', 'box', '10px', 'wrap-box', 'top', '10px'],
    ['SetFloatRight', 'box', '0px', 'wrap-box', 'right', '0px'],
    ['SetFloatBottom', 'box', '25%', 'wrap-box', 'bottom', '25%'],
    ['SetFloatLeft', 'box', '3px', 'wrap-box', 'left', '3px'],
    ['SetFloatZ', 'box', '7', 'wrap-box', 'z-index', '7'],
    ['SetFloatTop', 'loose', '10px', 'loose', 'top', ''],
    ['SetRotation', 'box', '45', 'wrap-box', 'transform', 'rotate(45deg)'],
    ['SetRotation', 'box', 'sideways', 'wrap-box', 'transform', 'rotate(0deg)'],
    ['SetRotation', 'loose', -90, 'loose', 'transform', 'rotate(-90deg)'],
  ];

  test('each procedure writes its property unchanged on E, W|E or W', (page) => {
    for (const [name, id, value, target, property, want] of CASES) {
      call(page, name, id, value);
      assert.equal(style(page, target, property), want, `${name}(${id}, ${lit(value)})`);
    }
    // A value the page refuses leaves the property as it was.
    call(page, 'SetWidth', 'box', 'wide');
    assert.equal(style(page, 'wrap-box', 'width'), '120px');
  });

  test('UI_SetBorderRadiusEx: the four corners in order, an empty corner as 0', (page) => {
    const CASES = [[['4px', '6px', '8px', '10px'], '4px 6px 8px 10px'], [['4px', '', '8px', null], '4px 0 8px 0'], [['', '', '', ''], '0 0 0 0']];
    for (const [corners, want] of CASES) {
      call(page, 'SetBorderRadiusEx', 'box', ...corners);
      assert.equal(style(page, 'box', 'border-radius'), want, lit(corners));
    }
  });

  test('UI_SetPivot: the origin on the wrapper, its rotation container, the image inside and the element', (page) => {
    call(page, 'SetPivot', 'photo', '20', 'top');
    const origins = page.json(`['wrap-photo', 'photo'].map((id) => document.getElementById(id).style.transformOrigin)
      .concat([document.querySelector('#wrap-photo .rotation-fix-container').style.transformOrigin])`);
    assert.deepEqual(origins, ['20% 50%', '20% 50%', '20% 50%']);
    assert.equal(call(page, 'GetPivot', 'photo'), '20% 50%');
  });

  test('UI_SetBgImage: E, else the wrapper\'s .rot-target, else W; resolved sources in a url() that quotes cannot break; "" and "0" clear', (page) => {
    const host = 'http://localhost:56789/';
    const CASES = [
      ['box', 'images/bg.png', 'box', `url("${host}images/bg.png")`],
      ['box', "it's.png", 'box', `url("${host}it's.png")`],
      ['box', "x') ; color: red; background: url('y", 'box', `url("${host}x') ; color: red; background: url('y")`],
      ['box', 'C:\\Art\\back slash\\a.png', 'box', `url("${host}ext:/C:/Art/back%20slash/a.png")`],
      ['box', 'two\nlines.png', 'box', `url("${host}two%0Alines.png")`],
      ['solo', 'a.png', 'wrap-solo .rot-target', `url("${host}a.png")`],
      ['bare', 'b.png', 'wrap-bare', `url("${host}b.png")`],
      ['box', '0', 'box', ''],
    ];
    for (const [id, url, target, want] of CASES) {
      call(page, 'SetBgImage', id, url);
      const el = target.includes(' ') ? `document.querySelector('#${target}')` : `document.getElementById('${target}')`;
      assert.equal(page.run(`${el}.style.backgroundImage`), want, lit(url));
    }
    assert.equal(style(page, 'box', 'color'), '', 'nothing but the image is written');
    call(page, 'SetBgImage', 'box', 'c.png');
    call(page, 'SetBgImage', 'box', '');
    assert.equal(style(page, 'box', 'background-image'), '');
  });

  test('UI_SetStyle and UI_SetAttribute: E, else W; names in either spelling; refused names and script values change nothing', (page) => {
    call(page, 'SetStyle', 'box', 'letter-spacing', '2px');
    call(page, 'SetStyle', 'box', 'textTransform', 'uppercase');
    call(page, 'SetStyle', 'bare', 'color', 'green');
    call(page, 'SetStyle', 'box', 'not a property!', 'x');
    assert.deepEqual([style(page, 'box', 'letter-spacing'), style(page, 'box', 'text-transform'), style(page, 'wrap-bare', 'color')],
      ['2px', 'uppercase', 'green']);

    const CASES = [
      ['box', 'data-state', 'open', 'box', 'open'],
      ['bare', 'aria-label', 'Only', 'wrap-bare', 'Only'],
      ['box', 'onclick', 'alert(1)', 'box', null],
      ['box', 'ONMOUSEOVER', 'alert(1)', 'box', null],
      ['help', 'href', 'javascript:alert(1)', 'help', '#'],
      ['box', 'bad name', 'x', 'box', null],
    ];
    for (const [id, name, value, target, want] of CASES) {
      call(page, 'SetAttribute', id, name, value);
      assert.equal(prop(page, target, `el.getAttribute(${lit(name.trim())})`), want, `${id}.${name}`);
    }
  });
});

describe('state colours and classes', () => {
  const bg = (page, id) => style(page, id, 'background-color');
  const fire = (page, id, type) => page.run(`document.getElementById(${lit(id)}).dispatchEvent(new PointerEvent(${lit(type)}))`);

  test('hover set twice, then enter and leave: the hover colour while inside, the rest colour after, every time', (page) => {
    call(page, 'SetHoverBgColor', 'box', 'rgb(255, 0, 0)');
    call(page, 'SetHoverBgColor', 'box', 'rgb(0, 0, 255)');
    call(page, 'SetHoverTextColor', 'box', 'rgb(255, 255, 0)');
    for (let round = 0; round < 2; round++) {
      fire(page, 'box', 'pointerenter');
      assert.deepEqual([bg(page, 'box'), style(page, 'box', 'color')], ['rgb(0, 0, 255)', 'rgb(255, 255, 0)'], `inside, round ${round}`);
      fire(page, 'box', 'pointerleave');
      assert.deepEqual([bg(page, 'box'), style(page, 'box', 'color')], ['rgb(1, 2, 3)', ''], `after, round ${round}`);
    }
    assert.deepEqual([call(page, 'GetHoverBgColor', 'box'), call(page, 'GetHoverTextColor', 'box')], ['#0000ff', '#ffff00']);
  });

  test('active colour while pressed, back to the hover colour on release, rest colour after leaving', (page) => {
    call(page, 'SetActiveBgColor', 'box', 'rgb(0, 128, 0)');
    fire(page, 'box', 'pointerenter');
    assert.equal(bg(page, 'box'), 'rgb(1, 2, 3)', 'no hover colour: the rest colour stays');
    fire(page, 'box', 'pointerdown');
    assert.equal(bg(page, 'box'), 'rgb(0, 128, 0)');
    call(page, 'SetHoverBgColor', 'box', 'rgb(9, 9, 9)');
    fire(page, 'box', 'pointerup');
    assert.equal(bg(page, 'box'), 'rgb(9, 9, 9)', 'a hover colour set while inside shows at once');
    fire(page, 'box', 'pointerdown');
    fire(page, 'box', 'pointerleave');
    assert.equal(bg(page, 'box'), 'rgb(1, 2, 3)');
    assert.equal(call(page, 'GetActiveBgColor', 'box'), '#008000');
  });

  test('a rest colour set while the pointer is inside shows after it leaves; the colour getter never reads a hover colour', (page) => {
    call(page, 'SetHoverBgColor', 'box', 'rgb(0, 0, 255)');
    fire(page, 'box', 'pointerenter');
    assert.equal(call(page, 'GetBgColor', 'box'), '#010203', 'hovered: the rest colour');
    call(page, 'SetBgColor', 'box', 'rgb(200, 10, 20)');
    assert.equal(bg(page, 'box'), 'rgb(0, 0, 255)', 'the hover colour stays while inside');
    assert.equal(call(page, 'GetBgColor', 'box'), '#c80a14');
    call(page, 'SetBgColor', 'box', 'not a colour');
    assert.equal(call(page, 'GetBgColor', 'box'), '#c80a14', 'a refused colour changes nothing');
    fire(page, 'box', 'pointerleave');
    assert.equal(bg(page, 'box'), 'rgb(200, 10, 20)');
    call(page, 'SetBgColor', 'box', 'rgb(1, 1, 1)');
    fire(page, 'box', 'pointerenter');
    fire(page, 'box', 'pointerleave');
    assert.equal(bg(page, 'box'), 'rgb(1, 1, 1)');
  });

  test('the stored rest colours follow UI_SetBgColor and UI_SetTextColor; an element with the renderer\'s hover handlers gets no second set', (page) => {
    call(page, 'SetBgColor', 'go', '#112233');
    call(page, 'SetTextColor', 'go', '#445566');
    assert.deepEqual(prop(page, 'go', '[el.dataset.qlBaseBg, el.dataset.qlBaseTc]'), ['#112233', '#445566']);
    assert.deepEqual([call(page, 'GetBgColor', 'go'), call(page, 'GetTextColor', 'go')], ['#112233', '#445566']);
    call(page, 'SetBgColor', 'box', 'red');
    assert.equal(prop(page, 'box', 'el.dataset.qlBaseBg'), null, 'no rest colour key where the renderer wrote none');
    call(page, 'SetBgColor', 'go', 'nonsense');
    assert.deepEqual([prop(page, 'go', 'el.dataset.qlBaseBg'), bg(page, 'go')], ['#112233', 'rgb(17, 34, 51)'], 'a refused colour changes nothing');

    page.run(`document.getElementById('go').setAttribute('onmouseenter', '_qlHoverIn.call(this,event)');
      document.getElementById('go').dataset.qlPrevBg = '#3B82F6'`);
    call(page, 'SetHoverBgColor', 'go', 'rgb(0, 255, 0)');
    fire(page, 'go', 'pointerenter');
    assert.equal(bg(page, 'go'), 'rgb(17, 34, 51)', 'the renderer\'s handlers show it, reading the data key');
    assert.equal(prop(page, 'go', 'el.dataset.qlHoverBg'), 'rgb(0, 255, 0)');
    call(page, 'SetBgColor', 'go', '#000000');
    assert.equal(prop(page, 'go', 'el.dataset.qlPrevBg'), '#000000', 'the rest colour those handlers give back follows');
  });

  test('checked colours: the data key always, the colour on the checkbox\'s parent or text only while checked', (page) => {
    call(page, 'SetCheckedBg', 'agree', 'rgb(0, 0, 128)');
    call(page, 'SetCheckedText', 'agree', 'rgb(255, 255, 255)');
    assert.deepEqual(prop(page, 'wrap-agree', '[el.dataset.checkedBg, el.dataset.checkedText]'), ['rgb(0, 0, 128)', 'rgb(255, 255, 255)']);
    assert.deepEqual([bg(page, 'agree'), prop(page, 'agree', 'el.querySelector("span").style.color')], ['', '']);
    page.run('document.querySelector("#agree input").checked = true');
    call(page, 'SetCheckedBg', 'agree', 'rgb(0, 0, 129)');
    call(page, 'SetCheckedText', 'agree', 'rgb(255, 255, 254)');
    assert.deepEqual([bg(page, 'agree'), prop(page, 'agree', 'el.querySelector("span").style.color')], ['rgb(0, 0, 129)', 'rgb(255, 255, 254)']);
    assert.deepEqual([call(page, 'GetCheckedBg', 'agree'), call(page, 'GetCheckedText', 'agree')], ['#000081', '#fffffe']);
  });

  test('parts of toggles, accordions and splitters by their marks or the renderer\'s classes; the getters read the same parts', (page) => {
    // [procedure, id, the part (selector from the page), property, getter]
    const CASES = [
      ['SetThumbColor', 'level', '#level [data-ql-thumb]', 'background-color', 'GetThumbColor'],
      ['SetThumbColor', 'power', '#power .tog-thumb', 'background-color', 'GetThumbColor'],
      ['SetActiveTrackColor', 'level', '#level [data-ql-track].active', 'background-color', 'GetActiveTrackColor'],
      ['SetInactiveTrackColor', 'level', '#level [data-ql-track]:not(.active)', 'background-color', 'GetInactiveTrackColor'],
      ['SetHeaderBgColor', 'faq', '#faq .acc-header', 'background-color', 'GetHeaderBgColor'],
      ['SetHeaderTextColor', 'faq', '#faq .acc-header', 'color', 'GetHeaderTextColor'],
      ['SetHeaderBgColor', 'panel', '#panel [data-ql-header]', 'background-color', 'GetHeaderBgColor'],
      ['SetHeaderTextColor', 'box', '#wrap-box > .rotation-fix-container', 'color', 'GetHeaderTextColor'],
      ['SetSplitColor', 'split', '#split', 'background-color', 'GetSplitColor'],
      ['SetSplitColor', 'divider', '#divider [data-ql-split]', 'background-color', 'GetSplitColor'],
      ['SetSplitColor', 'box', '#wrap-box', 'background-color', 'GetSplitColor'],
    ];
    let n = 10;
    for (const [name, id, part, property, getter] of CASES) {
      const colour = `rgb(${n}, ${n + 1}, ${n + 2})`;
      const hex = '#' + [n, n + 1, n + 2].map((c) => c.toString(16).padStart(2, '0')).join('');
      n += 10;
      call(page, name, id, colour);
      assert.equal(page.run(`document.querySelector(${lit(part)}).style.getPropertyValue(${lit(property)})`), colour, `${name}(${id})`);
      assert.equal(call(page, getter, id), hex, `${getter}(${id})`);
    }
    assert.equal(prop(page, 'split', 'el.dataset.qlColor'), 'rgb(90, 91, 92)', 'the renderer\'s splitter gives the new colour back on leaving');
    call(page, 'SetThumbColor', 'box', 'red');
    assert.equal(page.run('document.querySelector("#wrap-box [style*=red]")'), null, 'no part: nothing');
  });

  test('UI_SetSplitHoverColor: the renderer\'s splitter takes the colour in its data key; another bar gets hover listeners', (page) => {
    call(page, 'SetSplitHoverColor', 'split', 'rgb(1, 200, 1)');
    assert.deepEqual(prop(page, 'split', '[el.dataset.qlHover, el.style.transition]'), ['rgb(1, 200, 1)', 'background-color 0.2s']);
    fire(page, 'split', 'pointerenter');
    assert.equal(prop(page, 'split', 'el.style.backgroundColor'), 'rgb(30, 41, 59)', 'no second set of listeners');

    call(page, 'SetSplitColor', 'divider', 'rgb(5, 5, 5)');
    call(page, 'SetSplitHoverColor', 'divider', 'rgb(7, 7, 7)');
    call(page, 'SetSplitHoverColor', 'divider', 'rgb(8, 8, 8)');
    const bar = '#divider [data-ql-split]';
    const barBg = () => page.run(`document.querySelector(${lit(bar)}).style.backgroundColor`);
    page.run(`document.querySelector(${lit(bar)}).dispatchEvent(new PointerEvent('pointerenter'))`);
    assert.equal(barBg(), 'rgb(8, 8, 8)');
    page.run(`document.querySelector(${lit(bar)}).dispatchEvent(new PointerEvent('pointerleave'))`);
    assert.equal(barBg(), 'rgb(5, 5, 5)');
    assert.equal(page.run(`document.querySelector(${lit(bar)}).style.transition`), 'background-color 0.2s');
  });

  test('accordions open and close their body and turn the chevron', (page) => {
    const state = () => prop(page, 'faq', `[el.querySelector('.acc-body').classList.contains('acc-body-open'),
      el.querySelector('.acc-chevron').classList.contains('acc-open'), el.querySelector('.acc-body').style.maxHeight]`);
    call(page, 'OpenAccordion', 'faq');
    assert.deepEqual(state().slice(0, 2), [true, true]);
    call(page, 'CloseAccordion', 'faq');
    assert.deepEqual(state(), [false, false, '0px']);
    call(page, 'OpenAccordion', 'box');
  });

  test('classes: toggle on E; add and remove on W, its rotation container and E, "hidden" keeping the display to give back', (page) => {
    call(page, 'ToggleClass', 'box', 'a  b');
    assert.equal(prop(page, 'box', 'el.className'), 'rot-target a b');
    call(page, 'ToggleClass', 'box', 'a');
    assert.equal(prop(page, 'box', 'el.className'), 'rot-target b');
    assert.equal(call(page, 'GetToggleClass', 'box', 'b'), '1');

    page.run('document.getElementById("box").style.display = "grid"');
    call(page, 'AddClass', 'box', 'hidden big');
    const marks = () => page.json(`['wrap-box', 'box'].map((id) => document.getElementById(id))
      .concat([document.querySelector('#wrap-box > .rotation-fix-container')])
      .map((el) => [el.classList.contains('hidden'), el.classList.contains('big'), el.style.display, el.dataset.qlPrevDisplay ?? null])`);
    assert.deepEqual(marks(), [[true, true, 'none', ''], [true, true, 'none', 'grid'], [true, true, 'none', '']]);
    call(page, 'AddClass', 'box', 'hidden');
    assert.equal(prop(page, 'box', 'el.dataset.qlPrevDisplay'), 'grid', 'hiding twice keeps the first display');
    call(page, 'RemoveClass', 'box', 'hidden big');
    assert.deepEqual(marks(), [[false, false, '', null], [false, false, 'grid', null], [false, false, '', null]]);
  });
});

describe('structure', () => {
  const order = (page) => page.json('[...document.getElementById("stack").children].map((c) => c.id.replace("wrap-", ""))');

  test('moving: before or after a reference, up and down among the siblings; impossible moves change nothing', (page) => {
    // [procedure, arguments, order after]
    const CASES = [
      ['MoveElementTo', ['row1', 'row3', 'true'], ['row2', 'row3', 'row1']],
      ['MoveElementTo', ['row1', 'row2', 'false'], ['row1', 'row2', 'row3']],
      ['MoveElementTo', ['row3', 'row1', ''], ['row3', 'row1', 'row2']],
      ['MoveElementTo', ['row3', 'row2', 1], ['row1', 'row2', 'row3']],
      ['MoveElementTo', ['row1', 'nope', 'true'], ['row1', 'row2', 'row3']],
      ['MoveElementTo', ['row1', 'row1', 'true'], ['row1', 'row2', 'row3']],
      ['MoveElementUp', ['row3'], ['row1', 'row3', 'row2']],
      ['MoveElementUp', ['row1'], ['row1', 'row3', 'row2']],
      ['MoveElementDown', ['row1'], ['row3', 'row1', 'row2']],
      ['MoveElementDown', ['row2'], ['row3', 'row1', 'row2']],
    ];
    for (const [name, args, want] of CASES) {
      call(page, name, ...args);
      assert.deepEqual(order(page), want, `${name}(${args.join(', ')})`);
    }
    call(page, 'MoveElementTo', 'stack', 'row1', 'true');
    assert.equal(page.run('document.getElementById("wrap-stack").parentElement.id'), 'main', 'not into itself');
  });

  test('counting children, existence, focus and blur', (page) => {
    assert.deepEqual([call(page, 'GetElementCount', 'stack'), call(page, 'GetElementCount', 'bare'), call(page, 'GetElementCount', 'nope')],
      [3, 1, 0]);
    assert.deepEqual(['box', 'loose', 'solo', 'nope', ''].map((id) => call(page, 'ElementExists', id)), [true, true, false, false, false]);
    call(page, 'Focus', 'name');
    assert.equal(page.run('document.activeElement.id'), 'name');
    call(page, 'Blur', 'name');
    assert.equal(page.run('document.activeElement.tagName'), 'BODY');
    call(page, 'Focus', 'nope');
  });

  test('deleting removes the wrapper (else the element), and the flow nodes only when asked', (page) => {
    const CASES = [['row3', 'true', 'wrap-row3', true], ['row2', false, 'wrap-row2', false], ['loose', '', 'loose', false],
      ['row1', 'false', 'wrap-row1', false]];
    for (const [id, nodesToo, gone, hook] of CASES) {
      page.calls();
      call(page, 'DeleteElement', id, nodesToo);
      assert.equal(page.run(`document.getElementById(${lit(gone)})`), null, id);
      assert.deepEqual(page.calls(), hook ? [['window', '_quorlDeleteFlowForElement', id]] : [], `${id} nodes`);
    }
  });

  test('scrolling content stops, plays and restarts its animation and tells the page\'s strip', (page) => {
    call(page, 'ScrollContentStop', 'ticker');
    assert.deepEqual(prop(page, 'wrap-ticker', '[el.style.animationPlayState, el._qlScrollPause]'), ['paused', true]);
    call(page, 'ScrollContentPlay', 'ticker');
    assert.deepEqual(prop(page, 'wrap-ticker', '[el.style.animationPlayState, el._qlScrollPause]'), ['running', false]);
    const before = style(page, 'wrap-ticker', 'animation');
    call(page, 'ScrollContentRestart', 'ticker');
    assert.equal(style(page, 'wrap-ticker', 'animation'), before);
    assert.deepEqual(page.calls(), [['window', 'scrollContentStop', 'ticker'], ['window', 'scrollContentPlay', 'ticker'],
      ['window', 'scrollContentRestart', 'ticker']]);
  });

  test('renaming: the element and its wrapper; a taken or empty id is refused', (page) => {
    const CASES = [['row2', 'rowB', true, ['rowB', 'wrap-rowB']], ['rowB', 'box', false, []], ['rowB', '', false, []],
      ['loose', 'free', true, ['free']], ['nope', 'x', false, []]];
    for (const [from, to, ok, present] of CASES) {
      assert.equal(call(page, 'ChangeElementId', from, to), ok, `${from} -> ${to}`);
      for (const id of present) assert.ok(page.run(`!!document.getElementById(${lit(id)})`), id);
    }
    assert.equal(page.run('document.getElementById("row2")'), null);
  });
});

describe('copying elements', () => {
  const ANIMATIONS = [
    { name: 'intro', duration: 2, loop: false, autoRun: true, tracks: [
      { id: 'card-title', prop: 'opacity', keyframes: [{ t: 0, v: 0, ease: 'linear' }, { t: 1, v: 1 }] },
      { id: 'box', prop: 'width', keyframes: [{ t: 0, v: 10 }] }] },
    { name: 'other', duration: 1, loop: true, autoRun: false, tracks: [{ id: 'box', prop: 'left', keyframes: [] }] },
  ];
  const MAP = { 'wrap-card': 'wrap-c1_card', card: 'c1_card', 'card-title': 'c1_card-title', 'wrap-card-btn': 'wrap-c1_card-btn',
    'card-btn': 'c1_card-btn' };

  test('the copy: every id mapped, its style rules and radio groups following, shown, appended to the target; the id map kept', (page) => {
    assert.equal(call(page, 'CopyElement', 'card', 'deck', 'c1', ''), 'c1_card');
    assert.deepEqual(page.json('window.__lastCopyIdMap'), MAP);
    const copy = page.json(`(function () {
      var w = document.getElementById('wrap-c1_card');
      return { parent: w.parentElement.id, hidden: w.classList.contains('hidden'), display: w.style.display,
        ids: [w].concat([].slice.call(w.querySelectorAll('[id]'))).map(function (e) { return e.id; }),
        css: w.querySelector('style').textContent.trim().split('\\n'),
        radios: [].map.call(w.querySelectorAll('input[type=radio]'), function (r) { return r.getAttribute('name'); }) };
    })()`);
    assert.deepEqual(copy, {
      parent: 'deck', hidden: false, display: '',
      ids: ['wrap-c1_card', 'c1_card', 'c1_card-title', 'wrap-c1_card-btn', 'c1_card-btn'],
      css: ['#c1_card { border: 1px solid #ccc; }', '#c1_card-title, #wrap-c1_card-btn > .x { color: red; }', '#card10 { color: blue; }'],
      radios: ['c1_size', 'c1_sizes', null],
    });
    assert.equal(page.run('document.getElementById("wrap-card").classList.contains("hidden")'), true, 'the source stays as it was');
    assert.deepEqual(page.calls(), [['window', '_quorlCloneFlowForElement', MAP, null]]);
  });

  test('copying again with the same prefix replaces the earlier copy, also of an element without a wrapper', (page) => {
    call(page, 'CopyElement', 'card', 'deck', 'c1', '');
    call(page, 'CopyElement', 'card', 'deck', 'c1', '');
    call(page, 'CopyElement', 'loose', 'deck', 'p', '');
    call(page, 'CopyElement', 'loose', 'deck', 'p', '');
    assert.deepEqual(page.json('[...document.getElementById("deck").children].map((c) => c.id)'), ['wrap-c1_card', 'p_loose']);
    assert.equal(page.run('document.querySelectorAll("#c1_card-title").length'), 1);
  });

  test('targets: E, else the first child of its wrapper, a content strip\'s scroll area; a missing source or target gives ""', (page) => {
    const CASES = [['card', 'deck', 'a', 'a_card', 'deck'], ['card', 'strip', 'b', 'b_card', 'strip-scroll-wrap'],
      ['card', 'solo', 'c', 'c_card', ''], ['nope', 'deck', 'd', '', null], ['card', 'nope', 'e', '', null]];
    for (const [source, target, prefix, want, parent] of CASES) {
      assert.equal(call(page, 'CopyElement', source, target, prefix, ''), want, `${source} -> ${target}`);
      if (parent !== null) assert.equal(page.run(`document.getElementById('wrap-${want}').parentElement.id`), parent, target);
    }
    assert.equal(page.run('document.getElementById("wrap-c_card").parentElement.className'), 'rotation-fix-container');
  });

  test('without a prefix a free one is taken, so copies never share ids', (page) => {
    assert.deepEqual([1, 2, 3].map(() => call(page, 'CopyElement', 'card', 'deck', '', '')), ['copy1_card', 'copy2_card', 'copy3_card']);
    const ids = page.json('[...document.querySelectorAll("[id]")].map((e) => e.id)');
    assert.equal(new Set(ids).size, ids.length);
  });

  test('animations: tracks of copied elements join the same animation, once per copy', (page) => {
    page.run(`window.__animationsData = ${lit(ANIMATIONS)}`);
    call(page, 'CopyElement', 'card', 'deck', 'c1', 'false');
    call(page, 'CopyElement', 'card', 'deck', 'c1', false);
    const anims = page.json('window.__animationsData');
    assert.deepEqual(anims.map((a) => [a.name, a.tracks.map((t) => t.id)]),
      [['intro', ['card-title', 'box', 'c1_card-title']], ['other', ['box']]]);
    assert.deepEqual(anims[0].tracks[2], { id: 'c1_card-title', prop: 'opacity', keyframes: ANIMATIONS[0].tracks[0].keyframes });
    assert.deepEqual(page.calls().map((c) => c[3]), [null, null]);
  });

  test('animations: a new animation per copy holds only the copied tracks, deep-copied, replaced on the next copy; the flow hook gets the name map', (page) => {
    page.run(`window.__animationsData = ${lit(ANIMATIONS)}`);
    call(page, 'CopyElement', 'card', 'deck', 'c2', 'true');
    call(page, 'CopyElement', 'card', 'deck', 'c2', 1);
    page.run('window.__animationsData[0].tracks[0].keyframes[0].v = 99');
    const anims = page.json('window.__animationsData');
    assert.deepEqual(anims.map((a) => a.name), ['intro', 'other', 'c2_intro']);
    assert.deepEqual(anims[2], { name: 'c2_intro', duration: 2, loop: false, autoRun: true,
      tracks: [{ id: 'c2_card-title', prop: 'opacity', keyframes: ANIMATIONS[0].tracks[0].keyframes }] });
    assert.deepEqual(anims[0].tracks.map((t) => t.id), ['card-title', 'box']);
    const hooks = page.calls();
    assert.deepEqual(hooks.map((c) => c[3]), [{ intro: 'c2_intro' }, { intro: 'c2_intro' }]);
    assert.equal(hooks[0][2]['card-title'], 'c2_card-title');
  });

  test('a failing flow hook leaves the copy standing and is reported', (page) => {
    page.run('window._quorlCloneFlowForElement = function () { throw new Error("no graph"); }');
    assert.equal(call(page, 'CopyElement', 'card', 'deck', 'z', ''), 'z_card');
    assert.ok(page.run('!!document.getElementById("wrap-z_card")'));
    assert.equal(page.consoleErrors.length, 1);
    assert.match(page.consoleErrors.splice(0)[0], /UI_CopyElement.*no graph/);
  });
});

describe('lists', () => {
  const texts = (page, id) => page.json(`[...document.getElementById(${lit(id)}).children].map((li) => li.textContent.replace(/^[\\s\u2630]+/, '').trim())`);

  test('UI_SetListItems: a JSON array, else the text split at "|"; items are text, never markup', (page) => {
    const CASES = [
      ['["x","y"]', ['x', 'y']],
      ['p|q|r', ['p', 'q', 'r']],
      ['{"a":1}', []],
      ['5', []],
      ['', []],
      ['[1,{"a":1},null]', ['1', '{"a":1}', '']],
      ['["<img src=x onerror=\\"window.__pwned=1\\">","<b>b</b>"]', ['<img src=x onerror="window.__pwned=1">', '<b>b</b>']],
    ];
    for (const [items, want] of CASES) {
      call(page, 'SetListItems', 'todo', items);
      assert.deepEqual(texts(page, 'todo'), want, items);
    }
    assert.equal(page.run('document.querySelectorAll("#todo li *").length'), 0, 'no element inside the items');
    assert.equal(page.run('window.__pwned'), undefined);
    page.run('UI_SetListItems(0, "steps", ["from", "a cable", 3])');
    assert.deepEqual(page.json('[...document.querySelectorAll("#wrap-steps li")].map((li) => li.textContent)'), ['from', 'a cable', '3']);
  });

  test('UI_List_AddItem: a draggable item with its handle and text, before the item at the position, else last', (page) => {
    const CASES = [['0', 'first'], [1, 'second'], ['', 'last'], ['-1', 'last'], ['99', 'last'], ['x', 'last']];
    for (const [position, where] of CASES) {
      page.run('document.getElementById("todo").innerHTML = "<li>a</li><li>b</li><li>c</li>"');
      call(page, 'List_AddItem', 'todo', '<i>new</i>', position);
      const at = texts(page, 'todo').indexOf('<i>new</i>');
      assert.equal(at, { first: 0, second: 1, last: 3 }[where], lit(position));
    }
    assert.deepEqual(page.json(`(function (li) {
      return [li.hasAttribute('data-ql-item'), li.children.length, li.children[0].className, li.children[0].title,
        li.children[0].firstElementChild.className, li.children[1].className, li.children[1].textContent, li.querySelectorAll('i').length];
    })(document.getElementById('todo').lastElementChild)`), [true, 2, 'drag-handle', 'Drag to reorder', 'ph ph-list', 'item-inner', '<i>new</i>', 1]);
    page.run('window.t = (key) => key === "list.dragToReorder" ? "Ziehen zum Sortieren" : key');
    call(page, 'List_AddItem', 'todo', 'z', '');
    assert.equal(page.run('document.querySelector("#todo li:last-child .drag-handle").title'), 'Ziehen zum Sortieren', 'in the page\'s language');
  });

  test('removing, moving (the item ends at the index), clearing, and moving to another list', (page) => {
    // [procedure, arguments, todo after, done after]
    const CASES = [
      ['List_MoveItem', ['todo', 0, 2], ['b', 'c', 'a'], ['x']],
      ['List_MoveItem', ['todo', '2', '0'], ['a', 'b', 'c'], ['x']],
      ['List_MoveItem', ['todo', 0, 1], ['b', 'a', 'c'], ['x']],
      ['List_MoveItem', ['todo', 0, 3], ['b', 'a', 'c'], ['x']],
      ['List_MoveItem', ['todo', 'x', 0], ['b', 'a', 'c'], ['x']],
      ['List_RemoveItem', ['todo', 5], ['b', 'a', 'c'], ['x']],
      ['List_RemoveItem', ['todo', '1'], ['b', 'c'], ['x']],
      ['List_MoveItemToList', ['todo', 0, 'done', 0], ['c'], ['b', 'x']],
      ['List_MoveItemToList', ['done', '1', 'todo', 'x'], ['c', 'x'], ['b']],
      ['List_MoveItemToList', ['done', 3, 'todo', 0], ['c', 'x'], ['b']],
      ['List_MoveItemToList', ['done', 0, 'nope', 0], ['c', 'x'], ['b']],
      ['List_Clear', ['done'], ['c', 'x'], []],
    ];
    for (const [name, args, todo, done] of CASES) {
      call(page, name, ...args);
      assert.deepEqual([texts(page, 'todo'), texts(page, 'done')], [todo, done], `${name}(${args.join(', ')})`);
    }
  });

  test('counting and reading items; UI_GetListItems gives a JSON array of texts (a select\'s values)', (page) => {
    assert.deepEqual([call(page, 'List_GetCount', 'todo'), call(page, 'List_GetCount', 'steps'), call(page, 'List_GetCount', 'nope')], [3, 2, 0]);
    assert.deepEqual([call(page, 'List_GetItems', 'todo'), call(page, 'List_GetItems', 'done'), call(page, 'List_GetItems', 'steps')],
      [['a', 'b', 'c'], ['x'], ['one', 'two']]);
    const CASES = [['todo', '["a","b","c"]'], ['steps', '["one","two"]'], ['size', '["S","Medium","L"]'], ['empty', '[]'], ['nope', '[]']];
    for (const [id, want] of CASES) assert.equal(call(page, 'GetListItems', id), want, id);
    assert.deepEqual(JSON.parse(call(page, 'GetListItems', 'size')), ['S', 'Medium', 'L']);
  });

  test('UI_GetListItem: a select\'s value (else text) or a list item\'s text at a whole index; "" otherwise', (page) => {
    const CASES = [['size', 0, 'S'], ['size', '1', 'Medium'], ['size', 2, 'L'], ['size', 3, ''], ['size', -1, ''], ['size', '1.5', ''],
      ['size', 'x', ''], ['todo', 1, 'b'], ['done', 0, 'x'], ['steps', '0', 'one'], ['empty', 0, ''], ['box', 0, ''], ['nope', 0, '']];
    for (const [id, index, want] of CASES) assert.equal(call(page, 'GetListItem', id, index), want, `${id}[${index}]`);
  });

  test('dragging on and off: the class on W|E and the list runtime told', (page) => {
    call(page, 'List_SortableEnable', 'todo', 'false');
    assert.equal(page.run('document.getElementById("wrap-todo").classList.contains("sortable-disabled")'), true);
    call(page, 'List_SortableEnable', 'todo', 'true');
    assert.equal(page.run('document.getElementById("wrap-todo").classList.contains("sortable-disabled")'), false);
    call(page, 'List_SortableEnable', 'nope', 'true');
    assert.deepEqual(page.calls(), [['QuorlinList', 'sortableEnable', 'todo', false], ['QuorlinList', 'sortableEnable', 'todo', true]]);
  });
});

describe('selects', () => {
  test('adding, selecting and counting through the select runtime; index and text from the select itself', (page) => {
    call(page, 'Select_AddItem', 'size', 'XL', '1');
    call(page, 'Select_AddItem', 'size', 'XXL', 'end');
    call(page, 'SetSelectedIndex', 'size', '2');
    call(page, 'SetSelectedIndex', 'size', 'none');
    assert.equal(call(page, 'Select_GetCount', 'size'), 3);
    assert.deepEqual(page.calls(), [['QuorlinSelect', 'add', 'size', 'XL', 1], ['QuorlinSelect', 'add', 'size', 'XXL', -1],
      ['QuorlinSelect', 'select', 'size', 2], ['QuorlinSelect', 'select', 'size', -1], ['QuorlinSelect', 'getCount', 'size']]);
    const CASES = [['size', 1, 'Medium'], ['empty', -1, ''], ['box', -1, ''], ['nope', -1, '']];
    for (const [id, index, text] of CASES) {
      assert.deepEqual([call(page, 'GetSelectedIndex', id), call(page, 'GetSelectedText', id)], [index, text], id);
    }
    page.run('delete window.QuorlinSelect');
    assert.equal(call(page, 'Select_GetCount', 'size'), 0);
    call(page, 'Select_AddItem', 'size', 'x', 0);
  });
});

describe('tables', () => {
  test('each procedure hands its converted arguments to the table object on the wrapper, which acts on the live table', (page) => {
    // [procedure, arguments after the id, the recorded call after the method name]
    const CASES = [
      ['Grid_SetData', ['[["Ana",31]]'], ['[["Ana",31]]']],
      ['Grid_SetColumns', ['[{"name":"Name"}]'], ['[{"name":"Name"}]']],
      ['Grid_AddRow', ['Bo|40|x', '2'], [['Bo', '40', 'x'], 2]],
      ['Grid_AddRow', ['solo', 'end'], [['solo'], 0]],
      ['Grid_UpdateRow', ['3', 'a|b'], [3, ['a', 'b']]],
      ['Grid_DeleteRow', ['1'], [1]],
      ['Grid_MoveRow', ['1', '3'], [1, 3]],
      ['Grid_GetRow', [2], [2]],
      ['Grid_Clear', [], []],
      ['Grid_SetSort', ['true'], [true]],
      ['Grid_SetFilter', ['false'], [false]],
      ['Grid_SetSearch', [1], [true]],
      ['Grid_SetPagination', ['true', '25'], [true, 25]],
      ['Grid_SetPagination', ['false', ''], [false, 10]],
    ];
    for (const [name, args, want] of CASES) {
      call(page, name, 'grid', ...args);
      const method = name.slice(5, 6).toLowerCase() + name.slice(6);
      assert.deepEqual(page.calls(), [['_qlGrid', method, ...want]], name);
    }
    // The live table: rows as set, an insert at 1 first, the switches and page size of the rebuilds.
    const rows = () => page.json('document.getElementById("wrap-grid")._qlGrid.getData()');
    call(page, 'Grid_SetData', 'grid', '[["Ana","31"],["Cy","40"]]');
    call(page, 'Grid_AddRow', 'grid', 'Bo|25', '1');
    call(page, 'Grid_MoveRow', 'grid', '1', '3');
    call(page, 'Grid_UpdateRow', 'grid', '2', 'Cyd|41');
    assert.deepEqual(rows(), [['Ana', '31'], ['Cyd', '41'], ['Bo', '25']]);
    assert.deepEqual(call(page, 'Grid_GetRow', 'grid', 1), [0, 'Ana', '31']);
    assert.equal(call(page, 'Grid_GetRow', 'grid', 9), null);
    call(page, 'Grid_SetPagination', 'grid', 'true', '25');
    assert.deepEqual(page.json('_gridInstances._configs.grid.pagination'), { limit: 25 });
    assert.deepEqual(rows(), [['Ana', '31'], ['Cyd', '41'], ['Bo', '25']], 'a rebuild keeps the rows');
    // The getters read the same table object.
    assert.deepEqual([call(page, 'GetGridData', 'grid'), call(page, 'GetGridPagination', 'grid'), call(page, 'GetGridSort', 'grid'),
      call(page, 'GetGridColumns', 'grid'), call(page, 'GetGridData', 'box')],
    ['[["Ana","31"],["Cyd","41"],["Bo","25"]]', '{"enabled":true,"limit":25}', 'true', '[{"id":"name","name":"Name","sort":false}]', '']);
    page.calls();
    assert.equal(call(page, 'Grid_GetRow', 'box', 1), null);
    call(page, 'Grid_SetData', 'box', '[]');
    page.run('document.getElementById("wrap-grid")._qlGrid = {}');
    call(page, 'Grid_Clear', 'grid');
    assert.deepEqual(page.calls(), []);
  });
});

describe('charts', () => {
  test('each procedure calls the chart runtime with the element id and its converted arguments, which change the live chart', (page) => {
    const data = (labels, values, label, colour) => JSON.stringify({ labels,
      datasets: [{ label, data: values, backgroundColor: colour, borderColor: colour }] });
    const CASES = [
      ['ChartSetData', ['Mon, Tue ,Wed', '3,x,5.5', 'Sales', ''], ['setData', data(['Mon', 'Tue', 'Wed'], [3, 0, 5.5], 'Sales', '#4f46e5')]],
      ['ChartSetData', ['', '', '', '#ff0000'], ['setData', data([], [], '', '#ff0000')]],
      ['ChartSetType', ['line'], ['setType', 'line']],
      ['ChartSetOptions', ['horizontal', 'true', 'false', '{"a":1}'], ['applyOptions', 'horizontal', 'true', 'false', '{"a":1}']],
      ['ChartAppendPoint', ['Thu', '4', 'Sales'], ['appendPoint', 'Thu', '4', 'Sales']],
      ['ChartAddDataset', ['Costs', '#00ff00'], ['addDataset', 'Costs', '#00ff00']],
      ['ChartSetSeriesColors', ['Costs', 'red', ''], ['setSeriesColors', 'Costs', 'red', '']],
      ['ChartSetSliceColor', ['Mon', '2', 'blue'], ['setSliceColor', 'Mon', '2', 'blue']],
      ['ChartSetValue', ['1', 'x', '7.5'], ['setValue', 1, 0, 7.5]],
      ['ChartSetValue', ['', '2', 'y'], ['setValue', 0, 2, 0]],
    ];
    for (const [name, args, [method, ...rest]] of CASES) {
      call(page, name, 'sales', ...args);
      assert.deepEqual(page.calls(), [['QuorlinChart', method, 'sales', ...rest]], `${name}(${args.join(', ')})`);
    }
    // The live chart after the cases: the second data set (empty), the point under a series it lacks
    // written into the first, the new series recoloured, the slice's value, then the two values set.
    const live = JSON.parse(call(page, 'ChartGetData', 'sales'));
    assert.deepEqual(live.labels, ['Thu', 'Mon']);
    assert.deepEqual(live.datasets.map((d) => [d.label, d.data, d.backgroundColor]),
      [['', [4, 2, 0], 'th:accentPrimary'], ['Costs', [7.5, null], 'red']]);
    assert.equal(page.json('QuorlinChart.get("sales").config.type'), 'line');
    assert.equal(page.json('QuorlinChart.get("sales").options.indexAxis'), 'y');
    page.run('window.QuorlinChart = undefined');
    assert.equal(call(page, 'ChartGetData', 'sales'), '{}');
    for (const [name, args] of CASES) call(page, name, 'sales', ...args);
  });
});

describe('media', () => {
  test('sources resolved for the page\'s server; the poster reloads the player; the image read back', (page) => {
    const host = 'http://localhost:56789/';
    const CASES = [['images/p.png', host + 'images/p.png'], ['/home/ana/my pics/a.png', host + 'ext:/home/ana/my%20pics/a.png'],
      ['https://example.org/a.png', 'https://example.org/a.png']];
    for (const [url, want] of CASES) {
      call(page, 'SetSrc', 'photo', url);
      assert.equal(prop(page, 'photo', 'el.src'), want, url);
      assert.equal(call(page, 'GetImageRendered', 'photo'), want);
    }
    call(page, 'SetSrc2', 'clip', 'frames/poster.jpg');
    assert.deepEqual(prop(page, 'clip', '[el.poster, el.__did]'), [host + 'frames/poster.jpg', ['load']]);
  });

  test('the image inside W|E (else W|E itself) takes fit, position, filter, scale and offset', (page) => {
    // [procedure, id, arguments, element changed, property, value]
    const CASES = [
      ['SetImgFit', 'photo', ['contain'], 'photo', 'object-fit', 'contain'],
      ['SetImgPosition', 'photo', ['left top'], 'photo', 'object-position', 'left top'],
      ['SetImgFilter', 'photo', ['blur(2px) grayscale(1)'], 'photo', 'filter', 'blur(2px) grayscale(1)'],
      ['SetImgScale', 'photo', ['1.5'], 'photo', 'transform', 'scale(1.5)'],
      ['SetImgScale', 'photo', ['big'], 'photo', 'transform', 'scale(1)'],
      ['SetImgOffset', 'photo', ['10px', '20%'], 'photo', 'object-position', '10px 20%'],
      ['SetImgFit', 'box', ['cover'], 'wrap-box', 'object-fit', 'cover'],
    ];
    for (const [name, id, args, target, property, want] of CASES) {
      call(page, name, id, ...args);
      assert.equal(style(page, target, property), want, `${name}(${id}, ${args.join(', ')})`);
    }
  });

  test('the player: play (a refused play is ignored), pause, stop rewinds; volume, speed and time converted', async (page) => {
    call(page, 'AVPlayerPlay', 'clip');
    call(page, 'AVPlayerPause', 'clip');
    page.run('document.getElementById("clip").currentTime = 30');
    call(page, 'AVPlayerStop', 'clip');
    await new Promise((r) => setTimeout(r, 10));
    assert.deepEqual(prop(page, 'clip', '[el.__did, el.currentTime]'), [['play', 'pause', 'pause'], 0]);
    // [procedure, argument, property, value]
    const CASES = [['AVPlayerSetVolume', '0.5', 'volume', 0.5], ['AVPlayerSetVolume', '2', 'volume', 1], ['AVPlayerSetVolume', -1, 'volume', 0],
      ['AVPlayerSetVolume', 'loud', 'volume', 0], ['AVPlayerSetSpeed', '1.5', 'playbackRate', 1.5], ['AVPlayerSetSpeed', '0', 'playbackRate', 1],
      ['AVPlayerSetSpeed', 'fast', 'playbackRate', 1], ['AVPlayerSeek', '12.5', 'currentTime', 12.5], ['AVPlayerSeek', 'x', 'currentTime', 0]];
    for (const [name, value, property, want] of CASES) {
      for (const id of ['clip', 'song']) {
        call(page, name, id, value);
        const el = id === 'clip' ? 'document.getElementById("clip")' : 'document.querySelector("#song audio")';
        assert.equal(page.run(`${el}.${property}`), want, `${name}(${id}, ${value})`);
      }
    }
    call(page, 'AVPlayerPlay', 'box');
  });
});

describe('drawing (calls made; the pixels are checked in Chromium)', () => {
  // A 2D context that records what it is asked.
  const CONTEXT = `(function () {
    var log = window.__ctx = [];
    var ctx = { canvas: document.getElementById('sketch') };
    ['setTransform', 'clearRect', 'fillRect', 'beginPath', 'moveTo', 'lineTo', 'closePath', 'fill', 'stroke', 'rect', 'arc',
      'fillText', 'strokeText', 'save', 'restore', 'translate', 'rotate', 'scale', 'drawImage'].forEach(function (m) {
      ctx[m] = function () { log.push([m].concat([].slice.call(arguments).map(function (a) { return typeof a === 'number' ? Math.round(a * 1000) / 1000 : a; }))); };
    });
    ['fillStyle', 'strokeStyle', 'lineWidth', 'font'].forEach(function (p) {
      Object.defineProperty(ctx, p, { set: function (v) { log.push(['set ' + p, v]); } });
    });
    HTMLCanvasElement.prototype.getContext = function (kind) { return kind === '2d' ? ctx : null; };
  })()`;

  test('polygons: points by ";" or line breaks, bad pairs skipped, fewer than two draw nothing; modes fill, both, else stroke', (page) => {
    page.run(CONTEXT);
    const CASES = [
      [['10,10', 'true', 'fill'], []],
      [['10,10;x,1;20', 'true', 'fill'], []],
      [['0,0;10,0;5,8', 'true', 'fill'], [['beginPath'], ['moveTo', 0, 0], ['lineTo', 10, 0], ['lineTo', 5, 8], ['closePath'], ['fill']]],
      [['0,0\n10,0\r\n5,8', '1', 'both'], [['beginPath'], ['moveTo', 0, 0], ['lineTo', 10, 0], ['lineTo', 5, 8], ['closePath'], ['fill'], ['stroke']]],
      [['1,1;a,b;2,2', 'no', ''], [['beginPath'], ['moveTo', 1, 1], ['lineTo', 2, 2], ['stroke']]],
    ];
    for (const [args, want] of CASES) {
      page.run('window.__ctx.length = 0');
      call(page, 'DrawPolygon', 'sketch', ...args);
      assert.deepEqual(page.json('window.__ctx'), want, lit(args));
    }
  });

  test('every drawing procedure: its calls, its number conversions and defaults', (page) => {
    page.run(CONTEXT);
    const rad = (d) => Math.round(d * Math.PI / 180 * 1000) / 1000;
    const CASES = [
      ['ClearCanvas', ['#fff'], [['setTransform', 1, 0, 0, 1, 0, 0], ['clearRect', 0, 0, 100, 60], ['set fillStyle', '#fff'], ['fillRect', 0, 0, 100, 60]]],
      ['ClearCanvas', [''], [['setTransform', 1, 0, 0, 1, 0, 0], ['clearRect', 0, 0, 100, 60]]],
      ['SetCanvasStyle', ['red', '', '3'], [['set strokeStyle', 'red'], ['set lineWidth', 3]]],
      ['SetCanvasStyle', ['', 'blue', '-2'], [['set fillStyle', 'blue']]],
      ['DrawLine', ['1', 'x', 30, '4.5'], [['beginPath'], ['moveTo', 1, 0], ['lineTo', 30, 4.5], ['stroke']]],
      ['DrawRect', ['1', '2', '3', '4', 'both'], [['beginPath'], ['rect', 1, 2, 3, 4], ['fill'], ['stroke']]],
      ['DrawRect', ['1', '2', '3', '4', ''], [['beginPath'], ['rect', 1, 2, 3, 4], ['stroke']]],
      ['DrawCircle', ['5', '6', '-7', 'fill'], [['beginPath'], ['arc', 5, 6, 7, 0, rad(360)], ['fill']]],
      ['DrawArc', ['5', '6', '7', '90', '180', ''], [['beginPath'], ['arc', 5, 6, 7, rad(90), rad(180)], ['stroke']]],
      ['DrawText', ['2', '3', 'Hi', '20', ''], [['set font', '20px sans-serif'], ['fillText', 'Hi', 2, 3]]],
      ['DrawText', ['2', '3', 'Hi', '-4', 'stroke'], [['set font', '16px sans-serif'], ['strokeText', 'Hi', 2, 3]]],
      ['CanvasTransform', ['save'], [['save']]],
      ['CanvasTransform', ['translate', '10', 'x'], [['translate', 10, 0]]],
      ['CanvasTransform', ['rotate', '', '', '90'], [['rotate', rad(90)]]],
      ['CanvasTransform', ['scale', '', '', '', '2', 'y'], [['scale', 2, 1]]],
      ['CanvasTransform', ['restore'], [['restore']]],
      ['CanvasTransform', ['skew', '1', '1'], []],
      ['DrawImage', ['0', '0', '10', '10', ''], []],
    ];
    for (const [name, args, want] of CASES) {
      page.run('window.__ctx.length = 0');
      call(page, name, 'sketch', ...args);
      assert.deepEqual(page.json('window.__ctx'), want, `${name}(${args.join(', ')})`);
    }
    page.run('window.__ctx.length = 0');
    for (const [name, args] of CASES) call(page, name, 'box', ...args);
    assert.deepEqual(page.json('window.__ctx'), [], 'not a canvas: nothing');
  });
});

describe('pages, theme and animation', () => {
  const shown = (page) => page.json(`['wrap-home', 'home', 'wrap-settings', 'settings'].map((id) => document.getElementById(id).style.display)`);

  test('UI_SetPage shows the named page and its wrapper and hides the others; UI_GetPage names the one shown', (page) => {
    assert.equal(call(page, 'GetPage'), 'home');
    const CASES = [['settings', ['none', 'none', 'flex', 'flex'], 'settings'], ['home', ['flex', 'flex', 'none', 'none'], 'home'],
      ['nowhere', ['none', 'none', 'none', 'none'], '']];
    for (const [name, displays, current] of CASES) {
      call(page, 'SetPage', name);
      assert.deepEqual([shown(page), call(page, 'GetPage')], [displays, current], name);
    }
  });

  test('theme, auto-hide time and custom events', (page) => {
    call(page, 'EmitCustomEvent', 'saved', '{"n":1}');
    assert.deepEqual(page.messages, [{ id: '_flow', type: 'custom:saved', value: '{"n":1}' }]);
    call(page, 'SetTheme', '2');
    call(page, 'SetTheme', 'dark');
    assert.deepEqual(page.calls(), [['window', 'setQuorlinTheme', 2], ['window', 'setQuorlinTheme', 0]]);
    page.run('delete window.setQuorlinTheme');
    call(page, 'SetTheme', '1');
    call(page, 'SetAutoHideMs', 'box', '1500');
    call(page, 'SetAutoHideMs', 'loose', 200);
    assert.deepEqual([prop(page, 'wrap-box', 'el.dataset.autoHideMs'), prop(page, 'loose', 'el.dataset.autoHideMs')], ['1500', '200']);
    assert.equal(call(page, 'GetAutoHideMs', 'box'), '1500');
  });

  test('attention animations: index to keyframes, defaults for empty values; 0 or not a number stops; other indexes change nothing', (page) => {
    const anim = () => page.json(`(function (s) { return [s.animationName, s.animationDuration, s.animationTimingFunction,
      s.animationIterationCount, s.animationFillMode]; })(document.getElementById('wrap-box').style)`);
    const NAMES = ['pulse', 'spin', 'bounce', 'shake', 'flash', 'swing', 'float', 'ping', 'tada', 'heartbeat'];
    NAMES.forEach((word, i) => {
      call(page, 'TriggerAnimation', 'box', String(i + 1), '', '', '');
      assert.deepEqual(anim(), ['wb-' + word, '1s', 'ease-in-out', 'infinite', 'both'], word);
    });
    call(page, 'TriggerAnimation', 'box', 3, '0.5s', '2', 'linear');
    assert.deepEqual(anim(), ['wb-bounce', '0.5s', 'linear', '2', 'both']);
    for (const index of ['11', '-1']) {
      call(page, 'TriggerAnimation', 'box', index, '', '', '');
      assert.deepEqual(anim(), ['wb-bounce', '0.5s', 'linear', '2', 'both'], index);
    }
    for (const index of ['0', 'stop']) {
      call(page, 'TriggerAnimation', 'box', '5', '', '', '');
      call(page, 'TriggerAnimation', 'box', index, '', '', '');
      assert.deepEqual(anim(), ['', '', '', '', ''], index);
    }
  });

  test('timeline animations through the animation runtime: the switches and the rate converted', (page) => {
    const CASES = [
      [['intro', '1', 'true', '0', '2'], ['intro', true, true, false, 2]],
      [['intro', '', '', '', ''], ['intro', '<undefined>', false, true, 1]],
      [['intro', 'false', 'yes', 'x', '-3'], ['intro', false, false, true, 1]],
      [['intro', 0, 1, false, '0.5'], ['intro', false, true, false, 0.5]],
      [['intro', true, 'TRUE', 'false', 'fast'], ['intro', true, false, false, 1]],
    ];
    for (const [args, want] of CASES) {
      call(page, 'PlayAnimation', ...args);
      assert.deepEqual(page.calls(), [['QuorlinAnim', 'play', ...want]], lit(args));
    }
    call(page, 'PauseAnimation', 'intro');
    call(page, 'StopAnimation', 'intro');
    call(page, 'SeekAnimation', 'intro', '2.5');
    call(page, 'SeekAnimation', 'intro', 'later');
    assert.deepEqual([call(page, 'GetAnimationPosition', 'intro'), call(page, 'GetAnimationState', 'intro')], [1.5, 'Playing']);
    assert.deepEqual(page.calls(), [['QuorlinAnim', 'pause', 'intro'], ['QuorlinAnim', 'stop', 'intro'], ['QuorlinAnim', 'seek', 'intro', 2.5],
      ['QuorlinAnim', 'seek', 'intro', 0], ['QuorlinAnim', 'getPosition', 'intro'], ['QuorlinAnim', 'getState', 'intro']]);
    page.run('delete window.QuorlinAnim');
    assert.deepEqual([call(page, 'GetAnimationPosition', 'intro'), call(page, 'GetAnimationState', 'intro')], [0, 'Stopped']);
    call(page, 'PlayAnimation', 'intro', '1', '', '', '');
  });
});

describe('storage', () => {
  test('set, read, remove and clear in local and session storage; values as text', (page) => {
    for (const kind of ['Local', 'Session']) {
      const store = kind === 'Local' ? 'localStorage' : 'sessionStorage';
      page.run(`${store}.clear(); ${store}.setItem('keep', '1')`);
      // [op, key, value, result, the stored key after]
      const CASES = [
        ['set', 'k', 'v', '', 'v'], ['get', 'k', '', 'v', 'v'], ['anything', 'k', '', 'v', 'v'],
        ['set', 'k', { a: [1] }, '', '{"a":[1]}'], ['set', 'k', null, '', ''], ['set', 'k', 12, '', '12'],
        ['remove', 'k', '', '', null], ['get', 'k', '', '', null],
      ];
      for (const [op, key, value, result, stored] of CASES) {
        assert.equal(call(page, 'Storage_' + kind, op, key, value), result, `${kind} ${op} ${lit(value)}`);
        assert.equal(page.run(`${store}.getItem('k')`), stored, `${kind} ${op} stored`);
      }
      assert.equal(call(page, 'Storage_' + kind, 'clear', '', ''), '');
      assert.equal(page.run(`${store}.length`), 0);
    }
  });

  test('in the preview keys get their own prefix and clearing does nothing; a storage that fails gives ""', (page) => {
    page.run('localStorage.setItem("k", "real"); window.__QUORLIN_PREVIEW__ = true');
    call(page, 'Storage_Local', 'set', 'k', 'trial');
    call(page, 'Storage_Local', 'clear', '', '');
    assert.deepEqual(page.json('[localStorage.getItem("k"), localStorage.getItem("quipreview_k")]'), ['real', 'trial']);
    assert.equal(call(page, 'Storage_Local', 'get', 'k', ''), 'trial');
    call(page, 'Storage_Local', 'remove', 'k', '');
    assert.deepEqual(page.json('[localStorage.getItem("k"), localStorage.getItem("quipreview_k")]'), ['real', null]);
    page.run('Object.defineProperty(window, "sessionStorage", { get() { throw new Error("denied"); }, configurable: true })');
    assert.deepEqual([call(page, 'Storage_Session', 'set', 'k', 'v'), call(page, 'Storage_Session', 'get', 'k', '')], ['', '']);
  });
});

nodeTest('every catalogue procedure is exercised here or in the Chromium tests', () => {
  const here = fileURLToPath(import.meta.url);
  const text = fs.readFileSync(here, 'utf8') + fs.readFileSync(here.replace('procedures.test', 'procedures.chromium.test'), 'utf8');
  const missing = catalogue.filter((pb) => !new RegExp(`['"\`]${pb.slice(3)}['"\`]|\\b${pb}\\b`).test(text));
  assert.deepEqual(missing, []);
});
