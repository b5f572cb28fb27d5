// Timeline playback in a jsdom page with a manual frame clock: what a frame writes into the drawn nodes
// (one transform for rotation and scale, the image case, a flex basis for "%" sizes, state colours, the
// composite groups) and the clock (pause, play, seek, stop, a non-looping end). getComputedStyle throws
// in this page: a frame that read computed styles would force a layout.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { loadTimelinePage } from './timeline-page.mjs';

let page;
before(async () => { page = await loadTimelinePage(); });
after(() => page?.close());

const kf = (t, v, ease = 'linear') => ({ t, v, ease });
const style = (id, prop) => page.run(`document.getElementById(${JSON.stringify(id)}).style[${JSON.stringify(prop)}]`);
const rot = (id) => page.run(`document.querySelector('#wrap-${id} .rotation-fix-container').style.transform`);

// A fresh design: `build` adds elements, `tracks` is the active animation's tracks.
function design(build, tracks, extra = {}) {
  page.run('elements = []; selectedIds = []; _tlApplied = {}; stopTimeline(); timelineState.t = 0; timelineState.paused = false;');
  build();
  page.window.__anim = Object.assign({ id: 'anim_1', name: 'A', duration: 1, loop: true, autoRun: true, muted: {}, tracks }, extra);
  page.run('animations = [JSON.parse(JSON.stringify(window.__anim))]; activeAnimationId = "anim_1"; renderCanvas();');
}

describe('a frame written into the canvas', () => {
  test('rotation and scale animated together make one transform on the rotation container', () => {
    design(() => page.add('button', { id: 'b1' }), { b1: { rotation: [kf(0, 0), kf(1, 90)], scale: [kf(0, 1), kf(1, 2)] } });
    page.run('applyTimelineAt(0.5)');
    assert.equal(rot('b1'), 'rotate(45deg) scale(1.5)');
    assert.equal(style('wrap-b1', 'transform'), 'none');
    assert.equal(page.run("document.querySelector('#wrap-b1 .rotation-fix-container').style.transformOrigin"), '50% 50%');
    page.run('applyTimelineAt(0)');
    assert.equal(rot('b1'), 'rotate(0deg)', 'scale 1 is left out');
  });

  test('an image turns and zooms itself, its scale times imgScale / 100; an animated pivot moves the origin', () => {
    design(() => page.add('image', { id: 'img1', imgScale: 200 }), { img1: { rotation: [kf(0, 10), kf(1, 10)], transformOriginX: [kf(0, 0), kf(1, 100)] } });
    page.run('applyTimelineAt(0.25)');
    assert.equal(style('img1', 'transform'), 'rotate(10deg) scale(2)');
    assert.equal(style('img1', 'transformOrigin'), '25% 50%');
  });

  test('a "%" width on the main axis of a row also sets the flex basis; in a column it clears it', () => {
    design(() => {
      page.add('container', { id: 'row', layout: 'flex-row' });
      page.add('text', { id: 'inRow' }, 'row');
      page.add('container', { id: 'col', layout: 'flex-col' });
      page.add('text', { id: 'inCol', width: '40%' }, 'col');
    }, { inRow: { width: [kf(0, '50%'), kf(1, '80%')] }, inCol: { width: [kf(0, '50%'), kf(1, '80%')] } });
    page.run('applyTimelineAt(0.5)');
    assert.equal(style('wrap-inRow', 'width'), '65%');
    assert.equal(style('wrap-inRow', 'flex'), '0 1 65%');
    assert.equal(style('wrap-inCol', 'width'), '65%');
    assert.equal(style('wrap-inCol', 'flex'), '');
  });

  test('flat properties land on their node in CSS form; opacity 25 is CSS 0.75; floatZ has no unit', () => {
    design(() => page.add('button', { id: 'b2' }), {
      b2: { opacity: [kf(0, 25)], bgColor: [kf(0, '#000000'), kf(1, '#ffffff')], floatZ: [kf(0, 5)], marginLeft: [kf(0, 8)] },
    });
    page.run('applyTimelineAt(0.5)');
    assert.equal(style('b2', 'opacity'), '0.75');
    assert.equal(style('b2', 'backgroundColor'), 'rgb(128, 128, 128)');
    assert.equal(style('wrap-b2', 'zIndex'), '5');
    assert.equal(style('wrap-b2', 'marginLeft'), '8px');
    assert.equal(style('wrap-b2', 'transition'), 'none');
  });

  test('text shadow in rgba when its opacity is below 100', () => {
    design(() => page.add('heading', { id: 'h1', textShadowColor: '#ff0000', textShadowX: 2, textShadowY: 3, textShadowBlur: 4 }),
      { h1: { textShadowOpacity: [kf(0, 50)] } });
    page.run('applyTimelineAt(0)');
    assert.equal(style('h1', 'textShadow'), '2px 3px 4px rgba(255, 0, 0, 0.5)');
  });

  test('an animated gradient stop rebuilds the gradient from the stored one', () => {
    const bgGradient = { enabled: true, type: 'linear', angle: 90, stops: [{ color: '#000000', position: 0 }, { color: '#ffffff', position: 100 }] };
    design(() => page.add('container', { id: 'g1', bgGradient }),
      { g1: { bgGradientStop1Color: [kf(0, '#ff0000'), kf(1, '#ff0000')], bgGradientAngle: [kf(0, 0), kf(1, 180)] } });
    page.run('applyTimelineAt(0.5)');
    const bg = style('g1', 'background') || style('g1', 'backgroundImage');
    assert.match(bg, /linear-gradient\(90deg, (#000000|rgb\(0, 0, 0\)) 0%, (#ff0000|rgb\(255, 0, 0\)) 100%\)/);
    assert.deepEqual(page.json('elements[0].bgGradient'), bgGradient, 'the record is never written');
  });

  test('state colours go to their appliers', () => {
    design(() => { page.add('toggle', { id: 't1' }); page.add('button', { id: 'b3' }); },
      { t1: { inactiveTrackColor: [kf(0, '#112233')], activeTrackColor: [kf(0, '#778899')] }, b3: { hoverBgColor: [kf(0, '#445566')] } });
    page.run('applyTimelineAt(0)');
    // Each track colour on its own part: the off track and the on layer over it.
    assert.equal(page.run("document.querySelector('#wrap-t1 [data-ql-track]').style.background"), 'rgb(17, 34, 51)');
    assert.equal(page.run("document.querySelector('#wrap-t1 [data-ql-track-active]').style.background"), 'rgb(119, 136, 153)');
    assert.equal(page.run("document.getElementById('b3').getAttribute('data-ql-hover-bg')"), '#445566');
  });

  test('a muted track does not move its element; unmuting writes it again', () => {
    design(() => page.add('button', { id: 'b4' }), { b4: { marginLeft: [kf(0, 0), kf(1, 100)] } }, { muted: { 'b4::marginLeft': true } });
    page.run('applyTimelineAt(0.5)');
    assert.equal(style('wrap-b4', 'marginLeft'), '');
    assert.equal(page.run('getTimelineApplied("b4")'), null);
  });

  test('every wrapper a frame writes is named to the renderer, so its next render draws it from the record', () => {
    design(() => { page.add('button', { id: 'b5' }); page.add('button', { id: 'b6' }); page.add('button', { id: 'b7' }); },
      { b5: { opacity: [kf(0, 0), kf(1, 50)] }, b6: { marginTop: [kf(0, 0), kf(1, 10)] } }, { muted: { 'b6::marginTop': true } });
    page.run(`window.__touched = [];
      window.__renderersOwn = window._qlCanvasTouched;
      window._qlCanvasTouched = function (ids) { window.__touched.push(...ids); if (window.__renderersOwn) window.__renderersOwn(ids); };`);
    try {
      page.run('applyTimelineAt(0.5)');
      assert.deepEqual(page.json('__touched'), ['b5']);
    } finally {
      page.run('if (window.__renderersOwn) window._qlCanvasTouched = window.__renderersOwn; else delete window._qlCanvasTouched;');
    }
  });
});

describe('the clock', () => {
  const left = () => style('wrap-m', 'marginLeft');
  const setup = (extra) => design(() => page.add('button', { id: 'm' }), { m: { marginLeft: [kf(0, 0), kf(1, 100)] } }, extra);

  test('play runs frames, pause keeps the moment, play resumes from it', () => {
    setup();
    page.run('playTimeline()');
    page.clock.tick(500);
    assert.ok(Math.abs(page.run('timelineState.t') - 0.5) < 0.02);
    page.run('playTimeline()');
    const paused = page.run('timelineState.t');
    assert.equal(page.run('timelineState.paused'), true);
    page.clock.tick(400);
    assert.equal(page.run('timelineState.t'), paused, 'nothing moves while paused');
    page.run('playTimeline()');
    page.clock.tick(100);
    assert.ok(page.run('timelineState.t') > paused, 'resumed, not restarted');
    page.run('playTimeline()');
  });

  test('pause, seek, then play starts again from the first frame', () => {
    setup();
    page.run('playTimeline()');
    page.clock.tick(300);
    page.run('playTimeline()');
    page.run('seekAnimation(0.8)');
    assert.equal(left(), '80px');
    page.run('playTimeline()');
    page.clock.tick(16);
    assert.ok(page.run('timelineState.t') < 0.1, 'restarted');
    page.run('stopTimeline()');
  });

  test('a non-looping animation ends on its last frame; play then restarts from 0', () => {
    setup({ loop: false });
    page.run('playTimeline()');
    page.clock.tick(1200);
    assert.equal(page.run('timelineState.playing'), false);
    assert.equal(page.run('timelineState.t'), 1);
    assert.equal(left(), '100px');
    page.run('playTimeline()');
    page.clock.tick(16);
    assert.ok(page.run('timelineState.t') < 0.1);
    page.run('stopTimeline()');
  });

  test('a looping animation wraps around', () => {
    setup();
    page.run('playTimeline()');
    page.clock.tick(1250);
    assert.equal(page.run('timelineState.playing'), true);
    assert.ok(page.run('timelineState.t') < 0.5);
    page.run('stopTimeline()');
  });

  test('stop shows the first frame of every animated element, not the design values', () => {
    design(() => page.add('button', { id: 's', marginLeft: '' }), { s: { marginLeft: [kf(0, 30), kf(1, 100)] } });
    page.run('seekAnimation(0.5)');
    page.run('stopTimeline()');
    assert.equal(style('wrap-s', 'marginLeft'), '30px');
    assert.equal(page.run('timelineState.t'), 0);
  });

  test('a render in the middle of playback keeps the animated wrapper values', () => {
    setup();
    page.run('playTimeline()');
    page.clock.tick(500);
    page.run('renderCanvas()');
    assert.match(page.run("document.getElementById('wrap-m').getAttribute('style')"), /margin-left: (4\d|5\d)(\.\d+)?px/);
    page.run('stopTimeline()');
  });

  test('no frame read a computed style', () => {
    assert.equal(page.run('computedStyleReads'), 0);
  });
});
