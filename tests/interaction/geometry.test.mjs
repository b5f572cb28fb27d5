// The arithmetic of canvas interaction, called directly with plain numbers.
import assert from 'node:assert/strict';
import { before, test } from 'node:test';

import { loadPage } from '../page/jsdom-page.mjs';

let g;
before(async () => {
  const page = await loadPage({ scripts: ['editor/interaction/geometry.js'], html: '<!DOCTYPE html><html><body></body></html>' });
  g = page.window;
});
const plain = (v) => JSON.parse(JSON.stringify(v));
const near = (a, b, what) => assert.ok(Math.abs(a - b) < 1e-9, `${what}: ${a} != ${b}`);

test('resize factors follow the flex layout around the child', () => {
  const row = { main: 'x', justify: 'flex-start', align: 'stretch', spreads: false, n: 3, k: 1 };
  const cases = [
    ['free child', row, 1, 1],
    ['centred on the main axis doubles x', { ...row, justify: 'center' }, 2, 1],
    ['centred on the cross axis doubles y', { ...row, align: 'center' }, 1, 2],
    ['packed to the end inverts x', { ...row, justify: 'flex-end' }, -1, 1],
    ['end on the cross axis inverts y', { ...row, align: 'end' }, 1, -1],
    ['space-between, first of three', { ...row, spreads: true, k: 0 }, 1, 1],
    ['space-between, middle of three', { ...row, spreads: true, k: 1 }, 2, 1],
    ['space-between, last of three acts as end-packed', { ...row, spreads: true, k: 2 }, -1, 1],
    ['growing, second of four', { ...row, spreads: true, n: 4, k: 1 }, 1.5, 1],
    ['centring wins over spreading', { ...row, spreads: true, justify: 'center', k: 1 }, 2, 1],
    ['column: the main axis is y', { ...row, main: 'y', spreads: true, k: 1 }, 1, 2],
  ];
  for (const [name, info, fx, fy] of cases) assert.deepEqual(plain(g.qlResizeFactors(info)), { fx, fy }, name);
});

test('a resize delta is projected for a rotation and divided by the scale; sizes never go below 20', () => {
  const r = Math.SQRT1_2;
  const cases = [
    ['unrotated, unscaled', [10, 5, 0, false, 1], 10, 5],
    ['scale 2 halves', [10, 5, 0, false, 2], 5, 2.5],
    ['45 degrees', [10, 0, 45, true, 1], 10 * r, -10 * r],
    ['45 degrees and scale 1.5', [10, 10, 45, true, 1.5], 20 * r / 1.5, 0],
    ['a cardinal turn is not projected', [10, 0, 90, false, 1], 10, 0],
  ];
  for (const [name, args, x, y] of cases) {
    const d = g.qlResizeDelta(...args);
    near(d.x, x, name + ' x');
    near(d.y, y, name + ' y');
  }
  const sizes = [
    ['grows with the factor', [100, 30, 2, '0'], 160],
    ['rotation 180 reverses', [100, 30, 1, '180'], 70],
    ['rotation 270 reverses', [100, 30, 1, '270'], 70],
    ['never below 20', [100, -500, 1, ''], 20],
  ];
  for (const [name, args, want] of sizes) assert.equal(g.qlResizedSize(...args), want, name);
});

test('a scaled element keeps its far edge: the anchor shift about the pivot', () => {
  const cases = [
    ['left anchor, scale 0.5, pivot 50', [100, 0.5, 50, 'left'], -25],
    ['right anchor, scale 0.5, pivot 50', [100, 0.5, 50, 'right'], -75],
    ['top anchor, pivot 0 does not move', [100, 2, 0, 'top'], 0],
    ['bottom anchor, scale 2, pivot 100', [100, 2, 100, 'bottom'], -200],
  ];
  for (const [name, args, want] of cases) near(g.qlScaleAnchorShift(...args), want, name);
});

test('anchors move in px and %, bottom and right the other way, other texts stay', () => {
  const cases = [
    ['px moves and rounds', ['10px', 5.4, 400, false], '15px'],
    ['% moves by the delta in % of the parent', ['10%', 20, 200, false], '20%'],
    ['% keeps one decimal', ['10%', 1, 300, false], '10.3%'],
    ['bottom in px follows the pointer down', ['40px', 15, 400, true], '25px'],
    ['right in % follows the pointer right', ['50%', 10, 200, true], '45%'],
    ['negative values', ['-5px', -5, 100, false], '-10px'],
    ['not a length', ['auto', 10, 100, false], 'auto'],
    ['empty', ['', 10, 100, false], ''],
  ];
  for (const [name, args, want] of cases) assert.equal(g.qlShiftAnchor(...args), want, name);
});

test('posDragSnapDelta locks an axis within the step onto the parent centre', () => {
  const cases = [
    ['x within the step snaps exactly', [100, 300, 150, 150, 45, 0, 10], { dx: 50, dy: 0, snapX: true, snapY: false }],
    ['exactly at the step still snaps', [100, 300, 150, 150, 40, 0, 10], { dx: 50, dy: 0, snapX: true, snapY: false }],
    ['beyond the step moves freely', [100, 300, 150, 150, 30, 0, 10], { dx: 30, dy: 0, snapX: false, snapY: false }],
    ['both axes', [100, 100, 150, 150, 48, 53, 10], { dx: 50, dy: 50, snapX: true, snapY: true }],
    ['an axis without anchored elements never snaps', [NaN, 100, 150, 150, 50, 0, 10], { dx: 50, dy: 0, snapX: false, snapY: false }],
  ];
  for (const [name, args, want] of cases) assert.deepEqual(plain(g.posDragSnapDelta(...args)), want, name);
});

test('a splitter clamps both panes to the minimum', () => {
  const cases = [
    ['100/200 min 40 cannot pass 260', [100, 300, 500, 40], { prev: 260, next: 40 }],
    ['nor go below 40', [100, 300, -100, 40], { prev: 40, next: 260 }],
    ['free in between', [100, 300, 20, 40], { prev: 120, next: 180 }],
  ];
  for (const [name, args, want] of cases) assert.deepEqual(plain(g.qlSplitClamp(...args)), want, name);
});

test('distribute: smallest gap, largest with Shift, equal share with Ctrl', () => {
  const items = [{ lead: 0, size: 10 }, { lead: 40, size: 20 }, { lead: 100, size: 30 }];
  const cases = [
    ['plain click keeps the first and uses the smallest gap', items, 'smallest', [0, 40, 90]],
    ['Shift uses the largest gap', items, 'largest', [0, 50, 110]],
    ['Ctrl keeps both ends and shares the free space', items, 'equal', [0, 45, 100]],
    ['overlapping items get gap 0', [{ lead: 0, size: 50 }, { lead: 20, size: 50 }], 'smallest', [0, 50]],
    ['no room to share gives gap 0', [{ lead: 0, size: 50 }, { lead: 10, size: 10 }, { lead: 30, size: 10 }], 'equal', [0, 50, 60]],
  ];
  for (const [name, list, mode, want] of cases) assert.deepEqual(plain(g.qlDistribute(list, mode)), want, name);
  assert.equal(g.qlDistributeAxis([{ left: 0, top: 0, width: 10, height: 10 }, { left: 100, top: 20, width: 10, height: 10 }]), 'x');
  assert.equal(g.qlDistributeAxis([{ left: 0, top: 0, width: 10, height: 10 }, { left: 5, top: 100, width: 10, height: 10 }]), 'y');
});

test('align brings every edge to the outermost one', () => {
  const rects = [{ left: 10, top: 5, width: 20, height: 10 }, { left: 30, top: 0, width: 40, height: 30 }];
  const cases = [['left', [0, -20]], ['top', [-5, 0]], ['right', [40, 0]], ['bottom', [15, 0]]];
  for (const [side, want] of cases) assert.deepEqual(plain(g.qlAlignDeltas(rects, side)), want, side);
});

test('a pivot follows the pointer in its frame and stops at the element edges', () => {
  const cases = [
    ['right by a quarter', [50, 50, 25, 0, 0, 100, 100], { x: 75, y: 50 }],
    ['past the corner stops at 100 and 0', [50, 50, 300, -300, 0, 100, 100], { x: 100, y: 0 }],
    ['rotation 180 turns the frame', [50, 50, 10, 10, 180, 100, 100], { x: 40, y: 40 }],
    ['rounded to integers', [50, 50, 1, 0, 0, 300, 100], { x: 50, y: 50 }],
  ];
  for (const [name, args, want] of cases) assert.deepEqual(plain(g.qlPivotFromDrag(...args)), want, name);
});

test('the size rule: what every child of the new parent shares, else auto', () => {
  const cases = [
    ['all 200px', ['200px', '200px'], '200px'],
    ['all auto', ['', undefined], ''],
    ['mixed', ['200px', '50%'], ''],
    ['no children', [], ''],
  ];
  for (const [name, values, want] of cases) assert.equal(g.qlSharedSize(values), want, name);
});

test('the insertion slot is before the first child whose middle lies beyond the pointer', () => {
  const items = [{ id: 'a', mid: 50 }, { id: 'b', mid: 150 }];
  assert.equal(g.qlInsertBefore(items, 10), 'a');
  assert.equal(g.qlInsertBefore(items, 100), 'b');
  assert.equal(g.qlInsertBefore(items, 200), null);
});
