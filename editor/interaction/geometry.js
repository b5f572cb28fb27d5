// The arithmetic of canvas interaction, kept free of the page so that tests can call it with plain
// numbers: resize factors in flex layouts, rotation projection and scale, anchors in px and %, the
// magnet, the splitter clamp, align and distribute, the pivot, the size rule on moving.
// Provides: MIN_ELEMENT_SIZE, qlResizeFactors, qlResizeDelta, qlResizedSize, qlScaleAnchorShift,
//   qlShiftAnchor, posDragSnapDelta, qlSplitClamp, qlDistribute, qlDistributeAxis, qlAlignDeltas,
//   qlPivotFromDrag, qlSharedSize, qlInsertBefore, qlRectInside, qlParseLength

var MIN_ELEMENT_SIZE = 20;

// "12px" / "-3.5%" -> {n, unit}; anything else -> null.
function qlParseLength(value) {
  const m = /^\s*(-?\d*\.?\d+)\s*(px|%)\s*$/.exec(String(value === undefined || value === null ? '' : value));
  return m ? { n: parseFloat(m[1]), unit: m[2] } : null;
}

// How much a pointer delta changes the size on each axis of a flex child. The handle sits on the
// right and bottom edges; when the layout moves other edges as the element grows, the pointer would
// run away from the handle without these factors.
//   info: {main: 'x'|'y', justify, align, spreads (single-line space-between or a growing element), n, k}
// Returns {fx, fy}; a negative factor means the edge under the handle moves the other way.
function qlResizeFactors(info) {
  const out = { fx: 1, fy: 1 };
  if (!info) return out;
  const main = info.main === 'y' ? 'y' : 'x';
  const cross = main === 'x' ? 'y' : 'x';
  const isEnd = function (v) { return v === 'flex-end' || v === 'end'; };
  const f = { x: 1, y: 1 };
  const centred = { x: false, y: false };
  if (info.justify === 'center') { f[main] = 2; centred[main] = true; } else if (isEnd(info.justify)) f[main] = -1;
  if (info.align === 'center') { f[cross] = 2; centred[cross] = true; } else if (isEnd(info.align)) f[cross] = -1;
  const n = info.n | 0;
  const k = info.k | 0;
  if (info.spreads && n > 1 && !centred[main]) {
    if (k === n - 1) f[main] = -1;
    else if (k > 0) f[main] = (n - 1) / (n - 1 - k);
  }
  out.fx = f.x;
  out.fy = f.y;
  return out;
}

// The pointer delta in the element's own frame: projected onto its axes for an arbitrary rotation,
// divided by its scale (the handle moves scale times as far as the layout size changes).
function qlResizeDelta(dx, dy, angleDeg, arbitrary, scale) {
  let x = dx;
  let y = dy;
  if (arbitrary) {
    const a = (Number(angleDeg) || 0) * Math.PI / 180;
    x = dx * Math.cos(a) + dy * Math.sin(a);
    y = -dx * Math.sin(a) + dy * Math.cos(a);
  }
  const s = Number(scale);
  if (Number.isFinite(s) && s > 0 && s !== 1) { x /= s; y /= s; }
  return { x: x, y: y };
}

// A new size: start + delta * factor, reversed for the turned-over rotations, never below the minimum.
function qlResizedSize(start, delta, factor, rotation) {
  const r = String(rotation === undefined || rotation === null ? '' : rotation).trim();
  const sign = r === '180' || r === '270' ? -1 : 1;
  return Math.max(MIN_ELEMENT_SIZE, start + sign * delta * (factor === undefined ? 1 : factor));
}

// How far a floating element's anchor moves so that the edge opposite the handle stays in place on
// screen while a scaled element grows by dSize about a pivot at pivotPct.
function qlScaleAnchorShift(dSize, scale, pivotPct, side) {
  const p = (1 - scale) * pivotPct / 100;
  return side === 'right' || side === 'bottom' ? dSize * (p - 1) : -p * dSize;
}

// An anchor text moved by delta px: px stays px (rounded), % moves by the delta in % of the parent
// (decimals places). Bottom and right anchors count from the far edge, so they move the other way.
// Texts that are not a number with px or % are returned unchanged.
function qlShiftAnchor(value, delta, parentSize, farEdge, decimals) {
  const v = qlParseLength(value);
  if (!v) return value;
  const d = farEdge ? -delta : delta;
  if (v.unit === 'px') return Math.round(v.n + d) + 'px';
  if (!(parentSize > 0)) return value;
  const places = decimals === undefined ? 1 : decimals;
  return Number((v.n + d / parentSize * 100).toFixed(places)) + '%';
}

// The magnet of a floating move: an axis whose ideal centre comes within threshold px of the
// parent's centre locks exactly onto it.
function posDragSnapDelta(c0x, c0y, parentCx, parentCy, dx, dy, threshold) {
  const out = { dx: dx, dy: dy, snapX: false, snapY: false };
  if (Number.isFinite(c0x) && Math.abs(c0x + dx - parentCx) <= threshold) { out.dx = parentCx - c0x; out.snapX = true; }
  if (Number.isFinite(c0y) && Math.abs(c0y + dy - parentCy) <= threshold) { out.dy = parentCy - c0y; out.snapY = true; }
  return out;
}

// The two panes of a splitter share their total; neither goes below the minimum.
function qlSplitClamp(startPrev, total, delta, min) {
  const hi = Math.max(min, total - min);
  const prev = Math.min(hi, Math.max(min, startPrev + delta));
  return { prev: prev, next: total - prev };
}

// x when the horizontal spread is at least the vertical one. rects: [{left, top, width, height}].
function qlDistributeAxis(rects) {
  const spread = function (lo, size) {
    return Math.max.apply(null, rects.map(function (r) { return r[lo] + r[size]; })) -
      Math.min.apply(null, rects.map(function (r) { return r[lo]; }));
  };
  return spread('left', 'width') >= spread('top', 'height') ? 'x' : 'y';
}

// New leading edges for items [{lead, size}] sorted by lead. mode 'smallest' keeps the first and
// uses the smallest gap, 'largest' the largest gap, 'equal' keeps both ends and shares the free space.
function qlDistribute(items, mode) {
  if (items.length < 2) return items.map(function (i) { return i.lead; });
  const gaps = [];
  for (let i = 1; i < items.length; i++) gaps.push(items[i].lead - (items[i - 1].lead + items[i - 1].size));
  let gap;
  if (mode === 'equal') {
    const last = items[items.length - 1];
    const span = last.lead + last.size - items[0].lead;
    const sizes = items.reduce(function (s, i) { return s + i.size; }, 0);
    gap = Math.max(0, (span - sizes) / (items.length - 1));
  } else if (mode === 'largest') {
    gap = Math.max(0, Math.max.apply(null, gaps));
  } else {
    gap = Math.max(0, Math.min.apply(null, gaps));
  }
  const out = [items[0].lead];
  for (let i = 1; i < items.length; i++) out.push(out[i - 1] + items[i - 1].size + gap);
  return out;
}

// Per-rect deltas that bring every edge on side ('top', 'left', 'right', 'bottom') to the outermost one.
function qlAlignDeltas(rects, side) {
  const edge = function (r) {
    if (side === 'right') return r.left + r.width;
    if (side === 'bottom') return r.top + r.height;
    return r[side];
  };
  const edges = rects.map(edge);
  const target = side === 'right' || side === 'bottom' ? Math.max.apply(null, edges) : Math.min.apply(null, edges);
  return edges.map(function (e) { return target - e; });
}

// A pivot in % after a pointer delta seen in a frame turned by frameDeg, over an element of w x h
// on screen; clamped to the element and rounded.
function qlPivotFromDrag(startX, startY, dx, dy, frameDeg, w, h) {
  const a = (Number(frameDeg) || 0) * Math.PI / 180;
  const lx = dx * Math.cos(a) + dy * Math.sin(a);
  const ly = -dx * Math.sin(a) + dy * Math.cos(a);
  const clamp = function (v) { return Math.max(0, Math.min(100, v)); };
  return {
    x: Math.round(clamp(startX + (w > 0 ? lx / w * 100 : 0))),
    y: Math.round(clamp(startY + (h > 0 ? ly / h * 100 : 0))),
  };
}

// The size a moved element takes in its new parent: the value every child there shares ("" = auto
// counts too), else "" (also with no children).
function qlSharedSize(values) {
  if (!values.length) return '';
  const first = values[0] === undefined || values[0] === null ? '' : String(values[0]);
  return values.every(function (v) { return (v === undefined || v === null ? '' : String(v)) === first; }) ? first : '';
}

// The id of the first item whose middle lies beyond the pointer, else null (append).
function qlInsertBefore(items, pointer) {
  for (let i = 0; i < items.length; i++) if (items[i].mid > pointer) return items[i].id;
  return null;
}

function qlRectInside(inner, outer) {
  return inner.left >= outer.left && inner.top >= outer.top &&
    inner.left + inner.width <= outer.left + outer.width && inner.top + inner.height <= outer.top + outer.height;
}
