// The animation mathematics, as exported pages run it too: the 24 easings, segments, composed easing,
// interpolation by property and value shape, and the CSS text of a value.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { loadTimelineCore } from './timeline-page.mjs';

const core = loadTimelineCore();
const close = (actual, expected, what) => assert.ok(Math.abs(actual - expected) < 1e-6, `${what}: ${actual} is not ${expected}`);

// [name, value at 0, at 0.5, at 1], worked out from the formulas by hand.
const EASINGS = [
  ['linear', 0, 0.5, 1], ['ease-in', 0, 0.25, 1], ['ease-out', 0, 0.75, 1], ['ease-in-out', 0, 0.5, 1],
  ['ease-in-sine', 0, 1 - Math.SQRT1_2, 1], ['ease-out-sine', 0, Math.SQRT1_2, 1], ['ease-in-out-sine', 0, 0.5, 1],
  ['ease-in-circ', 0, 1 - Math.sqrt(0.75), 1], ['ease-out-circ', 0, Math.sqrt(0.75), 1], ['ease-in-out-circ', 0, 0.5, 1],
  ['ease-in-cubic', 0, 0.125, 1], ['ease-out-cubic', 0, 0.875, 1], ['ease-in-out-cubic', 0, 0.5, 1],
  ['ease-in-expo', 0, 0.03125, 1], ['ease-out-expo', 0, 0.96875, 1], ['ease-in-out-expo', 0, 0.5, 1],
  ['ease-in-back', 0, -0.0876975, 1], ['ease-out-back', 0, 1.0876975, 1], ['ease-in-out-back', 0, 0.5, 1],
  ['ease-out-bounce', 0, 0.765625, 1], ['ease-in-bounce', 0, 0.234375, 1],
  ['ease-in-elastic', 0, -0.015625, 1], ['ease-out-elastic', 0, 1.015625, 1], ['step', 0, 0, 1],
];

describe('easings', () => {
  test('the table holds exactly the 24 names', () => {
    assert.deepEqual([...core.QL_EASING_NAMES].sort(), EASINGS.map((e) => e[0]).sort());
  });
  for (const [name, at0, atHalf, at1] of EASINGS) {
    test(`${name} at 0, 0.5 and 1`, () => {
      close(core._tlEase(name, 0), at0, `${name}(0)`);
      close(core._tlEase(name, 0.5), atHalf, `${name}(0.5)`);
      close(core._tlEase(name, 1), at1, `${name}(1)`);
    });
  }
  test('a name outside the table eases linearly; back dips below 0 near the start', () => {
    assert.equal(core._tlEase('no-such-ease', 0.3), 0.3);
    assert.ok(core._tlEase('ease-in-back', 0.1) < 0);
  });
});

const kf = (t, v, ease = 'linear') => ({ t, v, ease });

describe('a track at a moment', () => {
  const CASES = [
    ['one keyframe gives its value everywhere', [kf(0.4, 7)], [[0, 7], [0.4, 7], [1, 7]]],
    ['before the first and after the last hold their values', [kf(0.2, 10), kf(0.6, 30)], [[0, 10], [0.9, 30]]],
    ['linear between two keyframes', [kf(0, 0), kf(1, 100)], [[0.25, 25], [0.5, 50]]],
    ['the two easings compose: E_b(E_a(local))', [kf(0, 0, 'ease-in'), kf(1, 100, 'ease-in')], [[0.5, 6.25]]],
    ['"50%" to "80%" stays in percent', [kf(0, '50%'), kf(1, '80%')], [[0.5, '65%']]],
    ['"50%" to "100px" jumps at the middle', [kf(0, '50%'), kf(1, '100px')], [[0.49, '50%'], [0.5, '100px']]],
    ['"#fff" to "#000000" jumps at the middle', [kf(0, '#fff'), kf(1, '#000000')], [[0.4, '#fff'], [0.6, '#000000']]],
    ['six-digit colours blend, lower case', [kf(0, '#FF0000'), kf(1, '#0000ff')], [[0.5, '#800080']]],
    ['a colour channel past 255 stays 255', [kf(0, '#f0f0f0', 'ease-out-back'), kf(1, '#ffffff')], [[0.6, '#ffffff']]],
    ['numbers and unit-less texts mix as numbers', [kf(0, 0), kf(1, '10')], [[0.5, 5]]],
    ['a bare number beside "px" is pixels', [kf(0, 0), kf(1, '300px')], [[0.5, '150px'], [1, '300px']]],
    ['a bare number beside "deg" is degrees', [kf(0, '30deg'), kf(1, 10)], [[0.5, '20deg']]],
    ['a bare number beside "%" still jumps at the middle', [kf(0, 100), kf(1, '50%')], [[0.49, 100], [0.5, '50%']]],
    ['keywords take the nearest', [kf(0, 'bold'), kf(1, 'normal')], [[0.3, 'bold'], [0.7, 'normal']]],
  ];
  for (const [what, kfs, samples] of CASES) {
    test(what, () => {
      for (const [t, expected] of samples) assert.deepEqual(core._tlValueAt(kfs, t, 'x'), expected, `at ${t}`);
    });
  }
  test('on an inner keyframe the earlier segment is used, with local time 1', () => {
    const kfs = [kf(0, 0), kf(0.5, 10, 'step'), kf(1, 20)];
    const seg = core._tlSegment(kfs, 0.5);
    assert.equal(seg.a, kfs[0]);
    assert.equal(seg.b, kfs[1]);
    assert.equal(seg.local, 1);
    assert.equal(core._tlValueAt(kfs, 0.5, 'x'), 10);
  });
  test('ease-in-back from 0 to 100 dips below 0 near the start', () => {
    assert.ok(core._tlValueAt([kf(0, 0, 'ease-in-back'), kf(1, 100)], 0.1, 'x') < 0);
  });
  test('no keyframes, or both values missing, give no value', () => {
    assert.equal(core._tlValueAt([], 0.5, 'x'), undefined);
    assert.equal(core._tlValueAt([kf(0, ''), kf(1, null)], 0.5, 'x'), undefined);
  });
  test('class values interpolate through the value tables', () => {
    assert.equal(core._tlValueAt([kf(0, 'text-lg'), kf(1, 'text-lg')], 0.5, 'fontSize'), 18);
    assert.equal(core._tlValueAt([kf(0, 'text-base'), kf(1, 'text-2xl')], 0.5, 'fontSize'), 20);
    assert.equal(core._tlValueAt([kf(0, 'border'), kf(1, 'border-2')], 0.5, 'borderWidth'), 1.5);
    assert.equal(core._tlValueAt([kf(0, 'blur-none'), kf(1, 'blur-md')], 0.5, 'imgBlur'), 6);
    assert.equal(core._tlValueAt([kf(0, 'brightness-50'), kf(1, '150%')], 0.5, 'imgBrightness'), 75.25);
    assert.equal(core._tlValueAt([kf(0, 'border-solid'), kf(1, 'border-dashed')], 0.6, 'borderStyle'), 'border-dashed');
  });
  test('an unsorted track is sorted once; a sorted one is left as it is', () => {
    const kfs = [kf(0.8, 2), kf(0.1, 1)];
    core._tlSortKeyframes(kfs);
    assert.deepEqual(kfs.map((k) => k.t), [0.1, 0.8]);
    const sorted = [kf(0, 0), kf(1, 1)];
    const before = sorted.slice();
    core._tlSortKeyframes(sorted);
    assert.ok(sorted.every((k, i) => k === before[i]));
  });
});

describe('CSS text of a value', () => {
  const CASES = [
    ['opacity', 25, '0.75'], ['opacity', '40', '0.6'], ['floatZ', 12.5, '12.5'], ['floatZ', '7', '7'],
    ['rotation', 45, '45deg'], ['width', 120, '120px'], ['width', '50%', '50%'], ['fontSize', 18, '18px'],
    ['fontSize', 'text-lg', '18px'], ['fontSize', 'huge', 'huge'], ['borderWidth', 'border-4', '4px'],
    ['borderStyle', 'border-dotted', 'dotted'], ['textColor', '#abcdef', '#abcdef'], ['width', '', ''],
    ['width', undefined, ''],
  ];
  for (const [prop, v, css] of CASES) {
    test(`${prop} ${JSON.stringify(v)} -> ${JSON.stringify(css)}`, () => assert.equal(core._formatValue(prop, v), css));
  }
});
