// The timeline panel in headless Chromium with a real pointer and real keys, in the real editor page:
// managing animations (with both refusals), +Key and its revert, a second +Key at the same moment,
// Ctrl+drag copying, Shift+drag scaling within 0..1, the marquee, paste at the playhead, zoom about the
// pointer, solo, keys taken only over the panel, and a saved project reopening with its animations.
import assert from 'node:assert/strict';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { artifacts, openEditorPage, whyNoEditorPage } from '../page/editor-browser.mjs';

const skip = whyNoEditorPage();

let editor;
let page;
let errors = [];

before(async () => {
  if (skip) return;
  editor = await openEditorPage({ viewport: { width: 1400, height: 900 } });
  ({ page, errors } = editor);
  await page.click('#btn-timeline');
  await page.evaluate(() => { document.getElementById('timeline-panel').style.height = '320px'; renderTimelineTracks(); });
});
after(async () => {
  await editor?.close();
});

const settle = () => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(r, 20)))));
const toasts = () => page.evaluate(() => [...document.querySelectorAll('#toast-container .ql-toast-text')].map((n) => n.textContent));

// A design of two buttons and the given tracks on `a` in one animation; the panel redrawn.
async function fresh(tracks = {}, more = {}) {
  await page.evaluate(({ tracks, more }) => {
    document.getElementById('toast-container').replaceChildren();
    stopTimeline();
    elements = []; selectedIds = []; historyStack = []; redoStack = [];
    const a = createElement('button', null); a.id = 'a';
    const b = createElement('button', null); b.id = 'b';
    selectedIds = [];
    animations = [Object.assign({ id: 'anim_1', name: 'Intro', duration: 2, loop: true, autoRun: true, muted: {}, tracks }, more)];
    activeAnimationId = 'anim_1';
    _tlSelectedKfs.length = 0; _tlSelectedTracks.length = 0; _tlClip.length = 0;
    _tlView.zoom = 1; _tlView.scroll = 0; _tlSnap = true;
    timelineState.t = 0;
    renderCanvas(); _populateAnimationSelect(); _syncTimelineToolbar(); renderTimelineTracks(); updatePlayheadUI();
  }, { tracks, more });
  await settle();
}

const kfs = (el, prop) => page.evaluate(({ el, prop }) => JSON.parse(JSON.stringify(getActiveAnim().tracks[el]?.[prop] ?? null)), { el, prop });

// Screen point of time t on the row of (el, prop).
async function at(el, prop, t) {
  return page.evaluate(({ el, prop, t }) => {
    const lane = document.getElementById('tl-ruler-lane').getBoundingClientRect();
    const row = [...document.querySelectorAll('.tl-row')].find((r) => r.dataset.el === el && r.dataset.prop === prop);
    const rr = row.querySelector('.tl-lane').getBoundingClientRect();
    return { x: lane.left + ((t - _tlView.scroll) * _tlView.zoom) * lane.width, y: rr.top + rr.height / 2 };
  }, { el, prop, t });
}

async function drag(from, to, { modifiers = [] } = {}) {
  for (const m of modifiers) await page.keyboard.down(m);
  await page.mouse.move(from.x, from.y);
  await page.mouse.down();
  for (let i = 1; i <= 8; i++) await page.mouse.move(from.x + ((to.x - from.x) * i) / 8, from.y + ((to.y - from.y) * i) / 8);
  await page.mouse.up();
  for (const m of modifiers) await page.keyboard.up(m);
  await settle();
}

const kf = (t, v, ease = 'linear') => ({ t, v, ease });
const near = (a, b, what) => assert.ok(Math.abs(a - b) < 0.01, `${what}: ${a} is not ${b}`);

describe('timeline panel in Chromium', { skip: skip || false, timeout: 120000 }, () => {
  test('animations: a name used in other letter case and deleting the last one are refused', async () => {
    await fresh();
    await page.click('#tl-anim-add');
    await page.keyboard.type('INTRO');
    await page.keyboard.press('Enter');
    assert.equal(await page.evaluate(() => animations.length), 1);
    assert.equal((await toasts()).length, 1);
    await page.click('#tl-anim-del');
    assert.equal(await page.evaluate(() => animations.length), 1);
    assert.equal((await toasts()).length, 2);
    await page.click('#tl-anim-add');
    await page.keyboard.type('Outro');
    await page.keyboard.press('Enter');
    assert.deepEqual(await page.evaluate(() => [animations.map((a) => a.name), getActiveAnim().name]), [['Intro', 'Outro'], 'Outro']);
    await page.click('#tl-anim-del');
    await page.click('#tl-confirm-yes');
    assert.deepEqual(await page.evaluate(() => animations.map((a) => a.name)), ['Intro']);
  });

  test('+Key with opacity 50 creates the keyframe and reverts the element; a second +Key updates it and keeps its easing', async () => {
    await fresh();
    await page.evaluate(() => { _findElement('a').opacity = 50; selectElement('a'); _lastInspectorProp = 'opacity'; });
    await page.click('#tl-add-kf');
    await page.click('#tl-addkf-props button');
    assert.deepEqual(await kfs('a', 'opacity'), [kf(0, 50)]);
    assert.equal(await page.evaluate(() => _findElement('a').opacity), '');
    await page.evaluate(() => { getActiveAnim().tracks.a.opacity[0].ease = 'ease-in'; _findElement('a').opacity = 70; });
    await page.mouse.move(700, 820);
    await page.keyboard.press('k');
    assert.deepEqual(await kfs('a', 'opacity'), [kf(0, 70, 'ease-in')]);
    await page.evaluate(() => undo());
    assert.deepEqual(await kfs('a', 'opacity'), [kf(0, 50, 'ease-in')], 'one undo step per capture');
  });

  test('Ctrl+drag leaves the keyframe in place and moves a copy', async () => {
    await fresh({ a: { width: [kf(0.2, 10), kf(0.9, 90)] } });
    await drag(await at('a', 'width', 0.2), await at('a', 'width', 0.5), { modifiers: ['Control'] });
    const list = await kfs('a', 'width');
    assert.equal(list.length, 3);
    near(list[0].t, 0.2, 'original');
    near(list[1].t, 0.5, 'copy');
    assert.equal(list[1].v, 10);
  });

  test('Shift+drag of keyframes at 0.2 and 0.4 about playhead 0 to 0.8 puts them at 0.4 and 0.8, never past 1', async () => {
    await fresh({ a: { width: [kf(0.2, 1), kf(0.4, 2)] } });
    await page.evaluate(() => { _tlSelectedKfs.push({ elId: 'a', prop: 'width', t: 0.2 }, { elId: 'a', prop: 'width', t: 0.4 }); renderTimelineTracks(); });
    await drag(await at('a', 'width', 0.4), await at('a', 'width', 0.8), { modifiers: ['Shift'] });
    let list = await kfs('a', 'width');
    near(list[0].t, 0.4, 'first');
    near(list[1].t, 0.8, 'second');
    await drag(await at('a', 'width', 0.8), await at('a', 'width', 1.3), { modifiers: ['Shift'] });
    list = await kfs('a', 'width');
    assert.ok(list.every((k) => k.t >= 0 && k.t <= 1), JSON.stringify(list));
    near(list[1].t, 1, 'held at the end');
  });

  test('the marquee selects the keyframes it touches; copy and paste land at the playhead', async () => {
    await fresh({ a: { width: [kf(0.5, 5), kf(0.7, 7)] }, b: { height: [kf(0.1, 1)] } });
    const from = await at('a', 'width', 0.45);
    const to = await at('a', 'width', 0.75);
    await drag({ x: from.x, y: from.y - 8 }, { x: to.x, y: to.y + 8 });
    assert.deepEqual(await page.evaluate(() => _tlSelectedKfs.map((s) => s.t)), [0.5, 0.7]);
    await page.evaluate(() => { timelineState.t = 0.1; });
    await page.mouse.move(to.x, to.y);
    await page.keyboard.press('Control+c');
    await page.keyboard.press('Control+V');
    const list = await kfs('a', 'width');
    assert.deepEqual(list.map((k) => +k.t.toFixed(6)), [0.1, 0.3, 0.5, 0.7]);
  });

  test('Ctrl+Shift+wheel zooms about the pointer and keeps the time under it', async () => {
    await fresh({ a: { width: [kf(0, 1), kf(1, 2)] } });
    const p = await at('a', 'width', 0.3);
    await page.mouse.move(p.x, p.y);
    await page.keyboard.down('Control');
    await page.keyboard.down('Shift');
    for (let i = 0; i < 5; i++) await page.mouse.wheel(0, 100);
    await page.keyboard.up('Shift');
    await page.keyboard.up('Control');
    await settle();
    const view = await page.evaluate(() => ({ ..._tlView }));
    assert.ok(view.zoom > 1.9, `zoomed to ${view.zoom}`);
    const under = await page.evaluate((x) => _tlTimeAtX(x), p.x);
    near(under, 0.3, 'time under the pointer');
    assert.match(await page.textContent('#tl-zoom-label'), /^\d+%$/);
    await page.click('#tl-zoom-reset');
    assert.deepEqual(await page.evaluate(() => ({ ..._tlView })), { zoom: 1, scroll: 0 });
  });

  test('soloing a track and un-soloing it restores exactly the previous mute flags', async () => {
    await fresh({ a: { width: [kf(0, 1)], height: [kf(0, 1)] }, b: { width: [kf(0, 1)] } }, { muted: { 'b::width': true } });
    const row = (el, prop) => `.tl-row[data-el="${el}"][data-prop="${prop}"]`;
    await page.click(`${row('a', 'height')} .tl-row-solo`);
    assert.equal(await page.evaluate(() => isTrackMuted(getActiveAnim(), 'a', 'width')), true);
    assert.deepEqual(await page.evaluate(() => getActiveAnim().muted), { 'b::width': true });
    await page.click(`${row('a', 'height')} .tl-row-solo`);
    assert.equal(await page.evaluate(() => isTrackMuted(getActiveAnim(), 'a', 'width')), false);
    assert.deepEqual(await page.evaluate(() => getActiveAnim().muted), { 'b::width': true });
  });

  test('keys are taken only while the pointer is over the panel', async () => {
    await fresh({ a: { width: [kf(0, 1), kf(1, 2)] } });
    await page.evaluate(() => { _tlSelectedKfs.push({ elId: 'a', prop: 'width', t: 0 }); });
    await page.mouse.move(600, 200);
    await page.keyboard.press('Delete');
    await page.keyboard.press('ArrowRight');
    assert.equal((await kfs('a', 'width')).length, 2, 'Delete over the canvas leaves the keyframe');
    assert.equal(await page.evaluate(() => timelineState.t), 0);
    const p = await at('a', 'width', 0.5);
    await page.mouse.move(p.x, p.y);
    await page.keyboard.press('ArrowRight');
    near(await page.evaluate(() => timelineState.t), 1 / 60 / 2, 'one frame');
    await page.keyboard.press('Delete');
    assert.equal((await kfs('a', 'width')).length, 1);
    await page.keyboard.press(' ');
    assert.equal(await page.evaluate(() => timelineState.playing), true);
    await page.keyboard.press('Escape');
    assert.deepEqual(await page.evaluate(() => [timelineState.playing, timelineState.t]), [false, 0]);
  });

  test('pressing the ruler sets the playhead and a click on a keyframe moves it there', async () => {
    await fresh({ a: { width: [kf(0.25, 10), kf(0.75, 30)] } });
    const lane = await page.evaluate(() => { const r = document.getElementById('tl-ruler-lane').getBoundingClientRect(); return { x: r.left, y: r.top + r.height / 2, w: r.width }; });
    await page.mouse.click(lane.x + lane.w * 0.5, lane.y, { modifiers: ['Shift'] });
    near(await page.evaluate(() => timelineState.t), 0.5, 'playhead');
    assert.equal(await page.textContent('#tl-time'), '1.00s');
    const k = await at('a', 'width', 0.75);
    await page.mouse.click(k.x, k.y);
    near(await page.evaluate(() => timelineState.t), 0.75, 'playhead on the keyframe');
    assert.equal(await page.inputValue('#tl-kf-value'), '30');
    await page.screenshot({ path: path.join(artifacts, 'timeline-panel.png') });
  });

  test('a saved project reopens with its animations', async () => {
    await fresh({ a: { width: [kf(0, 10), kf(1, 90, 'ease-out-bounce')] } }, { muted: { 'a::width': true } });
    await page.evaluate(() => {
      animations.push({ id: 'anim_2', name: 'Second', duration: 1.5, loop: false, autoRun: false, tracks: { b: { opacity: [{ t: 0.5, v: 30, ease: 'step' }] } }, muted: {} });
      activeAnimationId = 'anim_2';
    });
    const saved = await page.evaluate(() => JSON.stringify(buildProjectDocument()));
    await fresh();
    const reopened = await page.evaluate((text) => {
      _applyProjectData(text, 'demo.qui');
      return { animations: JSON.parse(JSON.stringify(animations)), active: activeAnimationId,
        options: [...document.querySelectorAll('#tl-anim-select option')].map((o) => o.textContent),
        rows: [...document.querySelectorAll('.tl-row')].map((r) => r.dataset.el + '.' + r.dataset.prop) };
    }, saved);
    assert.deepEqual(reopened.animations, JSON.parse(saved).animations);
    assert.equal(reopened.active, 'anim_2');
    assert.deepEqual(reopened.options, ['Intro', 'Second']);
    assert.deepEqual(reopened.rows, ['b.opacity']);
    assert.deepEqual(errors, []);
  });
});
