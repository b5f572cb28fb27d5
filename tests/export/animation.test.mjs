// The animations of an exported page in jsdom, with animation frames and the clock under the test's hand:
// the data the page carries, play / pause / stop / seek with their direction, reset and rate rules, the
// lifecycle reaching both window listeners and the host, the first frame before load, auto-run, and the
// component animations of triggerAnimation.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { fakeFrames, loadExporter, runDocument } from './export-page.mjs';

const PHASES = ['anim_play', 'anim_start', 'anim_pause', 'anim_stop', 'anim_end', 'anim_position'];

let exporter;
let ids;
let html;

// A button whose wrapper grows 100px -> 300px over 2 s; a text whose every track is muted.
function design(page, { autoRun = false, loop = false } = {}) {
  page.run('elements = []');
  const b = page.add('button', { text: 'Go' });
  const t = page.add('text', { text: 'Quiet' });
  page.window.__anims = [
    { id: 'a1', name: 'Grow', duration: 2, loop, autoRun, muted: {},
      tracks: { [b]: { width: [{ t: 1, v: '300px' }, { t: 0, v: '100px' }], opacity: [{ t: 0, v: 0 }, { t: 1, v: 100 }] } } },
    { id: 'a2', name: 'Muted', duration: 1, loop: false, autoRun: true, muted: { [`${t}::opacity`]: true },
      tracks: { [t]: { opacity: [{ t: 0, v: 0 }, { t: 1, v: 50 }] }, [b]: { height: [] } } },
  ];
  page.run('animations = window.__anims');
  return { b, t };
}

async function player(doc) {
  let clock;
  const page = await runDocument(doc, {
    before: (window) => {
      clock = fakeFrames(window);
      window.__events = [];
      for (const phase of PHASES) window.addEventListener(`quorlin:${phase}`, (e) => window.__events.push([phase, e.detail]));
    },
  });
  page.clock = clock;
  page.width = () => page.document.getElementById(`wrap-${ids.b}`).style.width;
  page.events = () => page.json('window.__events');
  page.call = (code) => page.run(`QuorlinAnim.${code}`);
  return page;
}

before(async () => {
  exporter = await loadExporter();
  ids = design(exporter);
  html = await exporter.build('html');
});
after(() => exporter?.close());

describe('exported animations', () => {
  test('the page carries unmuted tracks only, keyframes sorted, and shows every first frame before load', async () => {
    const doc = exporter.parseDocument(html);
    const block = [...doc.querySelectorAll('script')].map((s) => s.textContent).find((s) => s.trim().startsWith('var __animationsData'));
    assert.ok(block, 'the animation block is written');
    const page = await player(html);
    const data = page.json('__animationsData');
    assert.deepEqual(data.map((a) => a.name), ['Grow'], 'an animation left without tracks is not written');
    assert.deepEqual(data[0].tracks.find((tr) => tr.prop === 'width').keyframes.map((k) => [k.t, k.v, k.ease]),
      [[0, '100px', 'linear'], [1, '300px', 'linear']]);
    assert.equal(page.width(), '100px', 'seeked to 0 right after the markup');
    assert.equal(page.document.getElementById(ids.b).style.opacity, '1');
    page.close();
  });

  test('a name no animation has (all tracks muted) does nothing and reads stopped at 0', async () => {
    const page = await player(html);
    page.call("play('Muted', true)");
    page.call("seek('Muted', 0.5)");
    assert.equal(page.call("getState('Muted')"), 'Stopped');
    assert.equal(page.call("getPosition('Muted')"), 0);
    assert.deepEqual(page.events(), []);
    assert.deepEqual(page.messages.filter((m) => m.type.startsWith('anim_')), []);
    page.close();
  });

  test('play, pause and stop: states, positions and every phase to listeners and host alike', async () => {
    const page = await player(html);
    page.call("play('Grow')");
    assert.equal(page.call("getState('Grow')"), 'Playing');
    page.clock.tick(500);
    assert.equal(page.width(), '150px');
    page.call("pause('Grow')");
    assert.equal(page.call("getState('Grow')"), 'Paused');
    assert.equal(page.call("getPosition('Grow')"), 0.5);
    page.clock.tick(500);
    assert.equal(page.width(), '150px', 'a paused animation holds its frame');
    page.call("play('Grow')");
    page.clock.tick(500);
    assert.equal(page.width(), '200px', 'resumed where it paused');
    page.call("stop('Grow')");
    assert.equal(page.call("getState('Grow')"), 'Stopped');
    assert.equal(page.call("getPosition('Grow')"), 0);
    assert.equal(page.width(), '200px', 'the element keeps what was last written');
    const phases = ['anim_play', 'anim_start', 'anim_pause', 'anim_play', 'anim_stop'];
    assert.deepEqual(page.events(), phases.map((p) => [p, { name: 'Grow' }]));
    assert.deepEqual(page.messages.filter((m) => m.type.startsWith('anim_')), phases.map((p) => ({ id: 'quorlin', type: p, value: 'Grow' })));
    page.close();
  });

  test('reverse on a stopped animation runs from the last frame to the first', async () => {
    const page = await player(html);
    page.call("play('Grow', false, true)");
    assert.equal(page.width(), '300px');
    page.clock.tick(1500);
    assert.equal(page.width(), '150px');
    page.clock.tick(600);
    assert.equal(page.width(), '100px');
    page.close();
  });

  test('reset false with the other direction continues from the same picture; at the end of that direction nothing happens', async () => {
    const page = await player(html);
    page.call("play('Grow', false, false)");
    page.clock.tick(500);
    assert.equal(page.width(), '150px');
    page.call("play('Grow', false, true, false)");
    assert.equal(page.width(), '150px', 'no jump');
    page.clock.tick(250);
    assert.equal(page.width(), '125px', 'now backwards');
    page.clock.tick(1000);
    assert.equal(page.width(), '100px');
    const before = page.events().length;
    page.call("play('Grow', false, true, false)");
    assert.equal(page.call("getState('Grow')"), 'Stopped');
    assert.equal(page.events().length, before, 'already at the end: no phase');
    page.call("play('Grow', false, false, true)");
    assert.equal(page.width(), '100px', 'reset true starts over forwards');
    page.close();
  });

  test('a rate stays until changed; a non-looping animation ends once on its last frame and restarts from 0', async () => {
    const page = await player(html);
    page.call("play('Grow', false, false, true, 2)");
    page.clock.tick(2000);
    assert.equal(page.width(), '200px', 'twice the duration');
    page.call("stop('Grow')");
    page.call("play('Grow', false)");
    page.clock.tick(2000);
    assert.equal(page.width(), '200px', 'the rate persisted');
    page.clock.tick(5000);
    page.clock.tick(16);
    assert.equal(page.width(), '300px');
    assert.equal(page.call("getState('Grow')"), 'Stopped');
    const ends = page.events().filter(([p]) => p === 'anim_end');
    assert.deepEqual(ends, [['anim_end', { name: 'Grow' }]]);
    assert.equal(page.messages.filter((m) => m.type === 'anim_end').length, 1);
    page.call("play('Grow')");
    assert.equal(page.width(), '100px', 'started again from the beginning');
    assert.equal(page.events().at(-1)[0], 'anim_start');
    page.close();
  });

  test('a looping animation wraps; positions go out only while the flow asks for them', async () => {
    const page = await player(html);
    page.call("play('Grow', true)");
    page.clock.tick(2500);
    assert.equal(page.width(), '150px', 'wrapped');
    assert.equal(page.events().filter(([p]) => p === 'anim_position').length, 0);
    page.run('window._quorlinAnimPositionActive = true');
    page.clock.tick(500);
    assert.deepEqual(page.events().at(-1), ['anim_position', { name: 'Grow', beat: 1 }]);
    assert.deepEqual(page.messages.at(-1), { id: 'quorlin', type: 'anim_position', value: 'Grow|1' });
    page.close();
  });

  test('seek shows the frame at once, clamped to the animation', async () => {
    const page = await player(html);
    for (const [seconds, width] of [[1, '200px'], [-3, '100px'], [9, '300px'], ['0.5', '150px']]) {
      page.call(`seek('Grow', ${JSON.stringify(seconds)})`);
      assert.equal(page.width(), width, `seek ${seconds}`);
    }
    page.close();
  });

  test('auto-run animations start when the document has loaded, with their own loop', async () => {
    const page = await loadExporter();
    try {
      const own = design(page, { autoRun: true, loop: true });
      ids = { ...ids, b: own.b };
      const run = await player(await page.build('pb'));
      await new Promise((r) => setTimeout(r, 5));
      assert.equal(run.call("getState('Grow')"), 'Playing');
      run.clock.tick(2500);
      assert.equal(run.width(), '150px', 'loops');
      run.close();
    } finally {
      page.close();
      ids = design(exporter);
      html = await exporter.build('html');
    }
  });

  test('triggerAnimation plays a component animation on the wrapper, index 0 clears it, others do nothing', async () => {
    const page = await player(html);
    const wrap = page.document.getElementById(`wrap-${ids.b}`);
    page.run(`triggerAnimation(${JSON.stringify(ids.b)}, 2, '3s')`);
    assert.equal(wrap.style.animationName, 'wb-spin');
    assert.equal(wrap.style.animationDuration, '3s');
    assert.equal(wrap.style.animationIterationCount, 'infinite');
    page.run(`triggerAnimation(${JSON.stringify(ids.b)}, 11)`);
    assert.equal(wrap.style.animationName, 'wb-spin', 'an index out of range changes nothing');
    page.run(`triggerAnimation(${JSON.stringify(ids.b)}, 0)`);
    assert.equal(wrap.style.animationName, '');
    assert.equal(wrap.style.animation, '');
    page.close();
  });
});
