// The animation model and the animatable-property registry without a page: properties offered per type,
// value tables and capture defaults, loading and migrating documents, the rename, delete and duplicate
// hooks, solo as view state, and the editing arithmetic (scale, paste, snap, zoom).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { loadTimelineCore } from './timeline-page.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const plain = (v) => JSON.parse(JSON.stringify(v));
const fixture = (name) => JSON.parse(fs.readFileSync(path.join(here, 'fixtures', name), 'utf8'));

const ALL = ['left', 'top', 'width', 'height', 'minWidth', 'maxWidth', 'minHeight', 'maxHeight', 'opacity', 'rotation', 'scale',
  'transformOriginX', 'transformOriginY', 'marginTop', 'marginBottom', 'marginRight', 'marginLeft', 'floatTop', 'floatRight',
  'floatBottom', 'floatLeft', 'floatZ', 'padding'];
const BOX = ['borderRadius', 'borderRadiusCustomTL', 'borderRadiusCustomTR', 'borderRadiusCustomBR', 'borderRadiusCustomBL',
  'borderWidth', 'borderStyle', 'borderColor', 'bgColor', 'hoverBgColor', 'activeBgColor', 'boxShadowColor', 'boxShadowX',
  'boxShadowY', 'boxShadowBlur', 'boxShadowOpacity'];
const TEXT_COLOURS = ['textColor', 'hoverTextColor'];
const TYPO = ['fontSize', 'fontFamily', 'fontWeight', 'fontStyle', 'textShadowColor', 'textShadowX', 'textShadowY',
  'textShadowBlur', 'textShadowOpacity'];
const IMAGE = ['imgBlur', 'imgBrightness', 'imgContrast', 'imgSaturate', 'imgScale', 'imgOffsetX', 'imgOffsetY', 'imgGrayscale',
  'imgSepia', 'imgInvert'];
const set = (...lists) => new Set(lists.flat());

// The offered properties of every type (without a gradient).
const OFFERED = {
  container: set(ALL, BOX, TEXT_COLOURS), nineslice: set(ALL, BOX, TEXT_COLOURS), contentscroll: set(ALL, BOX, TEXT_COLOURS),
  input: set(ALL, BOX, TEXT_COLOURS), progress: set(ALL, BOX, TEXT_COLOURS), chart: set(ALL, BOX, TEXT_COLOURS),
  canvas: set(ALL, BOX, TEXT_COLOURS),
  accordion: set(ALL, BOX, TEXT_COLOURS, ['headerBgColor', 'headerTextColor']),
  slider: set(ALL, BOX, TEXT_COLOURS, ['thumbColor']),
  toggle: set(ALL, BOX, TEXT_COLOURS, TYPO, ['thumbColor', 'activeTrackColor', 'inactiveTrackColor']),
  'toggle-btn': set(ALL, BOX, TEXT_COLOURS, TYPO, ['checkedBg', 'checkedText']),
  image: set(ALL, BOX, IMAGE),
  avplayer: set(ALL),
  splitter: set(['splitColor', 'splitHoverColor']),
};
for (const type of ['heading', 'text', 'button', 'link', 'textarea', 'icon', 'checkbox', 'radio', 'select', 'alert', 'table', 'list']) {
  OFFERED[type] = set(ALL, BOX, TEXT_COLOURS, TYPO);
}

describe('registry', () => {
  const core = loadTimelineCore();
  const offered = (type, el = null) => new Set(core.ANIMATABLE_PROPS.filter((p) => core.getAnimEntry(p).visible(type, el)));

  test('every one of the 26 types is offered its properties', () => {
    assert.equal(Object.keys(OFFERED).length, 26);
    for (const [type, expected] of Object.entries(OFFERED)) {
      assert.deepEqual([...offered(type)].sort(), [...expected].sort(), type);
    }
  });

  test('a gradient with three stops offers the angle and the nine properties of stops 0 to 2', () => {
    const el = { type: 'container', bgGradient: { enabled: true, type: 'linear', angle: 90, stops: [{}, {}, {}] } };
    const extra = [...offered('container', el)].filter((p) => p.startsWith('bgGradient'));
    assert.deepEqual(extra.sort(), ['bgGradientAngle', ...[0, 1, 2].flatMap((i) => ['Color', 'Position', 'Opacity']
      .map((f) => `bgGradientStop${i}${f}`))].sort());
    assert.deepEqual([...offered('avplayer', el)].filter((p) => p.startsWith('bgGradient')), []);
  });

  test('groups, appliers and the flat tables', () => {
    assert.deepEqual(core.json('ANIM_GROUPS.textShadow.members'),
      ['textShadowColor', 'textShadowX', 'textShadowY', 'textShadowBlur', 'textShadowOpacity']);
    assert.equal(core.ANIM_GROUPS.bgGradient.members.length, 25);
    assert.equal(core.isGroupMember('imgScale'), true);
    assert.equal(core.isGroupMember('opacity'), false);
    assert.equal(core.getAnimEntry('floatZ').noUnit, true);
    assert.equal(core.getAnimEntry('thumbColor').custom, 'thumb');
    assert.equal(core.getAnimEntry('nope'), null);
    assert.deepEqual(core.json('[_TL_PROP_TO_CSS.bgColor, _TL_PROP_TO_CSS.textColor, _TL_PROP_TO_CSS.floatLeft, _TL_PROP_TO_CSS.floatZ, _TL_PROP_TO_CSS.borderRadiusCustomBR]'),
      ['backgroundColor', 'color', 'left', 'zIndex', 'borderBottomRightRadius']);
  });

  test('capture: scale 1, pivot 50 and 50, an empty number 0, other empty values empty', () => {
    const el = { type: 'button', scale: '', textColor: '' };
    assert.equal(core.captureAnimValue('scale', el), 1);
    assert.equal(core.captureAnimValue('transformOriginX', el), 50);
    assert.equal(core.captureAnimValue('transformOriginY', el), 50);
    assert.equal(core.captureAnimValue('opacity', el), 0);
    assert.equal(core.captureAnimValue('textColor', el), '');
    const g = { type: 'container', bgGradient: { enabled: true, angle: 45, stops: [{ color: '#ff0000', position: 0 }, { color: '#00ff00', position: 100 }] } };
    assert.equal(core.captureAnimValue('bgGradientAngle', g), 45);
    assert.equal(core.captureAnimValue('bgGradientStop1Color', g), '#00ff00');
  });

  test('value tables: text-lg 18 px, border-2 2 px, blur-md 12, a bare "5px" 5', () => {
    assert.equal(core._tlFontSizePx('text-lg'), 18);
    assert.equal(core._tlFontSizePx('text-[1.5rem]'), 24);
    assert.equal(core._tlFontSizePx('20'), 20);
    assert.equal(core._tlFontSizePx('big'), null);
    assert.equal(core._tlBorderWidthPx('border-2'), 2);
    assert.equal(core._tlBorderWidthPx(''), 0);
    assert.equal(core._tlBorderWidthPx('0.5rem'), 8);
    assert.equal(core._tlBorderStyleCss('border-double'), 'double');
    assert.equal(core._tlBorderStyleCss('groove'), 'groove');
    assert.equal(core._tlImgFilterAmount('imgBlur', 'blur-md'), 12);
    assert.equal(core._tlImgFilterAmount('imgBlur', '5px'), 5);
    assert.equal(core._tlImgFilterAmount('imgContrast', 'contrast-125'), 1.25);
    assert.equal(core._tlImgFilterAmount('imgSaturate', 'vivid'), null);
  });
});

describe('loading and migrating', () => {
  test('an older document: per-element keyframes become one animation, the elements keep none', () => {
    const core = loadTimelineCore();
    const doc = fixture('legacy-keyframes.json');
    const { animations, activeAnimationId } = core._tlAnimationsFromDocument(doc, doc.elements);
    assert.deepEqual(JSON.parse(JSON.stringify(animations)), [{
      id: 'anim_1', name: 'Animation 1', duration: 3.5, loop: false, autoRun: true, muted: {},
      tracks: {
        box: { opacity: [{ t: 0, v: 0, ease: 'linear' }, { t: 1, v: 80, ease: 'ease-in' }] },
        label: { textColor: [{ t: 0.25, v: '#ff0000', ease: 'linear' }, { t: 0.75, v: '#0000ff', ease: 'linear' }] },
      },
    }]);
    assert.equal(activeAnimationId, 'anim_1');
    assert.deepEqual(plain(doc.elements.map((e) => e.keyframes)), [{}, {}, {}]);
  });

  test('only timelineSettings, bad durations and missing members get their defaults', () => {
    const core = loadTimelineCore();
    const only = core._tlAnimationsFromDocument({ timelineSettings: { duration: 0, loop: 'yes' } }, []);
    assert.deepEqual(JSON.parse(JSON.stringify(only.animations)), [{ id: 'anim_1', name: 'Animation 1', duration: 2, loop: true, autoRun: true, tracks: {}, muted: {} }]);
    const none = core._tlAnimationsFromDocument({}, []);
    assert.equal(none.animations.length, 1);
    const odd = core._tlAnimationsFromDocument({ animations: [{ id: 'anim_3', name: 'A', duration: '4', loop: 0, tracks: [], muted: ['x'] }] }, []);
    assert.deepEqual(JSON.parse(JSON.stringify(odd.animations[0])), { id: 'anim_3', name: 'A', duration: 2, loop: true, autoRun: true, tracks: {}, muted: {} });
  });

  test('loading makes ids and names unique; an unknown active id falls back to the first', () => {
    const core = loadTimelineCore();
    const doc = { animations: [{ name: 'Intro' }, { id: 'anim_1', name: ' intro ' }, {}, { id: 'anim_1' }], activeAnimationId: 'anim_9' };
    const { animations, activeAnimationId } = core._tlAnimationsFromDocument(doc, []);
    const ids = animations.map((a) => a.id);
    const names = animations.map((a) => a.name.trim().toLowerCase());
    assert.equal(new Set(ids).size, 4, ids.join());
    assert.ok(ids.every((id) => /^anim_[1-9]\d*$/.test(id)), 'missing and repeated ids take free numbers');
    assert.equal(new Set(names).size, 4, names.join());
    assert.equal(activeAnimationId, animations[0].id);
  });

  test('tracks keep only keyframes with a time, clamped and sorted, with an easing', () => {
    const core = loadTimelineCore();
    const doc = { animations: [{ id: 'anim_1', tracks: { a: { width: [{ t: 1.5, v: 9 }, 'x', { t: 'bad' }, { t: -1, v: 1, ease: 'step' }], height: 'no' } } }] };
    const { animations } = core._tlAnimationsFromDocument(doc, []);
    assert.deepEqual(JSON.parse(JSON.stringify(animations[0].tracks)), { a: { width: [{ t: 0, v: 1, ease: 'step' }, { t: 1, v: 9, ease: 'linear' }] } });
  });
});

describe('hooks of element operations', () => {
  const setup = () => {
    const core = loadTimelineCore();
    core.run(`animations = [
      { id: 'anim_1', name: 'One', duration: 2, loop: true, autoRun: true, muted: { 'a::width': true, 'b::opacity': true },
        tracks: { a: { width: [{ t: 0, v: 1, ease: 'linear' }] }, b: { opacity: [{ t: 0, v: 1, ease: 'linear' }] } } },
      { id: 'anim_2', name: 'Only a', duration: 2, loop: true, autoRun: true, muted: {},
        tracks: { a: { height: [{ t: 0, v: 1, ease: 'linear' }] } } },
      { id: 'anim_3', name: 'Fresh', duration: 2, loop: true, autoRun: true, muted: {}, tracks: {} } ];
      activeAnimationId = 'anim_2';`);
    return core;
  };

  test('a renamed element keeps its tracks and its mutes (its old key no longer mutes anything)', () => {
    const core = setup();
    core._propagateIdToTimeline('a', 'z');
    assert.deepEqual(core.json('animations[0].muted'), { 'z::width': true, 'b::opacity': true });
    assert.deepEqual(core.json('Object.keys(animations[0].tracks)'), ['b', 'z']);
    assert.equal(core.run('isTrackMuted(animations[0], "z", "width")'), true);
  });

  test('a deletion removes only the animations it emptied, never one that was empty before', () => {
    const core = setup();
    core._deleteElementFromTimeline(['a']);
    assert.deepEqual(core.json('animations.map((a) => a.id)'), ['anim_1', 'anim_3']);
    assert.equal(core.activeAnimationId, 'anim_1');
    assert.deepEqual(core.json('animations[0].muted'), { 'b::opacity': true });
  });

  test('deleting the only animated element of the last animation keeps that animation', () => {
    const core = loadTimelineCore();
    core.run(`animations = [{ id: 'anim_1', name: 'A', duration: 2, loop: true, autoRun: true, muted: {}, tracks: { a: { x: [{ t: 0, v: 1 }] } } }]`);
    core._deleteElementFromTimeline(['a']);
    assert.equal(core.json('animations.length'), 1);
  });

  test('duplicates get copies of the tracks and mutes in every animation', () => {
    const core = setup();
    core._cloneTimelineTracksOnDuplicate({ a: 'a2' });
    assert.deepEqual(core.json('animations[0].tracks.a2'), core.json('animations[0].tracks.a'));
    assert.equal(core.run('animations[0].tracks.a2 !== animations[0].tracks.a'), true);
    assert.equal(core.json('animations[0].muted["a2::width"]'), true);
    assert.deepEqual(core.json('Object.keys(animations[1].tracks)'), ['a', 'a2']);
  });

  test('solo is view state: the mute map is never written, so saving keeps it and un-soloing restores it exactly', () => {
    const core = setup();
    const anim = core.run('animations[0]');
    const before = core.json('animations[0].muted');
    core.setSoloState(anim, 'a::width', anim.muted);
    assert.equal(core.isTrackMuted(anim, 'b', 'opacity'), true);
    assert.equal(core.isTrackMuted(anim, 'a', 'width'), true, 'the user muted it');
    assert.deepEqual(core.json('animations[0].muted'), before, 'what a save or an undo step would store');
    core.clearSoloState(anim);
    assert.deepEqual(core.json('animations[0].muted'), before);
    core._propagateIdToTimeline('b', 'c');
    core.setSoloState(anim, 'c::opacity');
    core._propagateIdToTimeline('c', 'd');
    assert.equal(core.isTrackSoloed(anim, 'd', 'opacity'), true);
  });

  test('new ids and names: the smallest free number, names compared trimmed and without case', () => {
    const core = setup();
    assert.equal(core._generateAnimId(), 'anim_4');
    core.run("animations.splice(1, 1)");
    assert.equal(core._generateAnimId(), 'anim_2');
    assert.equal(core._animationNameExists('  fresh '), true);
    assert.equal(core._animationNameExists('FRESH', 'anim_3'), false);
  });

  test('a capture at the same moment replaces the value and keeps the easing', () => {
    const core = loadTimelineCore();
    const kfs = core.run('[{ t: 0.2, v: 1, ease: "ease-in" }]');
    core._tlInsertKeyframe(kfs, 0.2005, 5);
    core._tlInsertKeyframe(kfs, 0.1, 0);
    assert.deepEqual(JSON.parse(JSON.stringify(kfs)), [{ t: 0.1, v: 0, ease: 'linear' }, { t: 0.2, v: 5, ease: 'ease-in' }]);
  });
});

describe('editing arithmetic', () => {
  const core = loadTimelineCore();
  test('Shift-scaling 0.2 and 0.4 about playhead 0 with the pointer at 0.8 gives 0.4 and 0.8', () => {
    const f = core._tlClampScaleFactor([0.2, 0.4], 0, core._tlScaleFactor(0.8, 0.4, 0, 0, 500));
    assert.deepEqual([0.2, 0.4].map((t) => +(t * f).toFixed(6)), [0.4, 0.8]);
  });
  test('scaling never pushes a time outside 0..1', () => {
    const SCALES = [[[0.2, 0.4], 0, 0.8, 0.2], [[0.5, 0.9], 0.3, 0.1, 0.9], [[0.1, 0.6], 0.5, 1, 0.6]];
    for (const [times, playhead, pointer, grabbed] of SCALES) {
      const f = core._tlClampScaleFactor(times, playhead, core._tlScaleFactor(pointer, grabbed, playhead, 0, 500));
      for (const t of times) {
        const scaled = playhead + (t - playhead) * f;
        assert.ok(scaled >= -1e-9 && scaled <= 1 + 1e-9, `${t} scaled to ${scaled}`);
      }
    }
    assert.equal(core._tlScaleFactor(0.2, 0.5, 0.5, 250, 500), 2, 'grabbed on the playhead: 2 ^ (movement / half the lane)');
    assert.equal(core._tlScaleFactor(0.1, 0.4, 0.2, 0, 500), 0, 'not below 0');
  });
  test('a move is limited so that no keyframe leaves 0..1', () => {
    assert.equal(core._tlClampMoveDelta([0.2, 0.9], 0.5), 0.09999999999999998);
    assert.equal(core._tlClampMoveDelta([0.2, 0.9], -0.5), -0.2);
  });
  test('pasting keyframes copied at 0.5 and 0.7 with the playhead at 0.1 puts them at 0.1 and 0.3', () => {
    assert.deepEqual([0.5, 0.7].map((t) => +core._tlPasteTime(t, 0.5, 0.1).toFixed(6)), [0.1, 0.3]);
    assert.equal(core._tlPasteTime(0.9, 0.1, 0.6), 1);
  });
  test('paste targets: narrowed tracks, one other selected element, else back to the sources', () => {
    const clip = [{ elId: 'a', prop: 'width', t: 0 }, { elId: 'a', prop: 'opacity', t: 0 }];
    const where = (narrowed, selected) => plain(core._tlPasteTargets(clip, narrowed, selected).map((x) => `${x.elId}.${x.prop}`));
    assert.deepEqual(where([{ elId: 'b', prop: 'opacity' }], ['b']), ['b.opacity']);
    assert.deepEqual(where([], ['c']), ['c.width', 'c.opacity']);
    assert.deepEqual(where([], ['a']), ['a.width', 'a.opacity']);
    assert.deepEqual(where([], ['b', 'c']), ['a.width', 'a.opacity']);
  });
  test('snapping takes the nearest candidate within reach', () => {
    assert.equal(core._tlSnapTime(0.5, [0.48, 0.51, 0.9], 0.02), 0.51);
    assert.equal(core._tlSnapTime(0.5, [0.4], 0.02), 0.5);
  });
  test('zooming about the pointer keeps the time under it; back at 1 the scroll resets', () => {
    let view = { zoom: 1, scroll: 0 };
    const frac = 0.3;
    const under = (v) => v.scroll + frac / v.zoom;
    const t0 = under(view);
    for (let i = 0; i < 10; i++) view = core._tlZoomAbout(view, frac, 1);
    assert.ok(Math.abs(under(view) - t0) < 1e-9);
    for (let i = 0; i < 40; i++) view = core._tlZoomAbout(view, 0.9, 1);
    assert.equal(view.zoom, 20);
    for (let i = 0; i < 40; i++) view = core._tlZoomAbout(view, 0.5, -1);
    assert.deepEqual(plain(view), { zoom: 1, scroll: 0 });
  });
});
