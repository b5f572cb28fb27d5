// The flow editor's geometry as plain functions of numbers and boxes, so that the rules are tested
// without a layout engine: the view (wheel zoom about the pointer, fit, focus, client to graph), the grid
// lines of the visible cells, snapping steps, alignment and distribution, the layered tidy layout, the
// auto-pan step beside the columns and the cable ghost's curve.
// A view is {x, y, zoom}: the drawing surface is translated by (x, y) and scaled by zoom about its centre
// (ox, oy = half its width and height), so a graph point g shows at ox + x + (g - ox) * zoom.
// Provides: FLOW_ZOOM_MIN, FLOW_ZOOM_MAX, FLOW_ZOOM_STEP, FLOW_GRID_SIZES, FLOW_GRID_MIN_ZOOM, _flowClamp,
//   _flowWheelView, _flowClientToGraph, _flowGraphToClient, _flowFitView, _flowFocusView, _flowVisibleRect,
//   _flowGridLines, _flowGridSize, _flowSnapAxis, _flowRoundToGrid, _flowAlignMoves, _flowDistributeMoves,
//   _flowTidyPositions, _flowAutoPanStep, _flowGhostPath, _flowRectsIntersect, _flowPointSegmentDistance
// Needs: nothing

var FLOW_ZOOM_MIN = 0.05;
var FLOW_ZOOM_MAX = 2.0;
// The library's own zoom step; the wheel takes half of it.
var FLOW_ZOOM_STEP = 0.08;
var FLOW_GRID_SIZES = [8, 16, 32, 64];
// Below this zoom the grid is not drawn (its lines would be closer than a few pixels).
var FLOW_GRID_MIN_ZOOM = 0.15;

function _flowClamp(v, lo, hi) {
  return Math.min(hi, Math.max(lo, v));
}

// One wheel step: the new view, or null when the zoom is at its limit. The graph point under the
// pointer (mx, my relative to the flow area) stays where it is.
function _flowWheelView(view, deltaY, mx, my, ox, oy) {
  const step = FLOW_ZOOM_STEP / 2;
  const zoom = deltaY < 0 ? Math.min(FLOW_ZOOM_MAX, view.zoom + step) : Math.max(FLOW_ZOOM_MIN, view.zoom - step);
  if (Math.abs(zoom - view.zoom) < 1e-12) return null;
  const k = 1 - zoom / view.zoom;
  return { x: view.x + (mx - view.x - ox) * k, y: view.y + (my - view.y - oy) * k, zoom };
}

// A point relative to the flow area's corner, in graph units, and back.
function _flowClientToGraph(view, px, py, ox, oy) {
  const z = view.zoom || 1;
  return { x: ox + (px - view.x - ox) / z, y: oy + (py - view.y - oy) / z };
}

function _flowGraphToClient(view, gx, gy, ox, oy) {
  const z = view.zoom || 1;
  return { x: ox + view.x + (gx - ox) * z, y: oy + view.y + (gy - oy) * z };
}

// The view that shows a graph point (cx, cy) at the middle of the area between the side columns
// (palette left, inspector right), at that zoom.
function _flowCentreView(cx, cy, zoom, W, H, paletteW, inspectorW) {
  return {
    x: W / 2 + (paletteW - inspectorW) / 2 - cx * zoom - (W / 2) * (1 - zoom),
    y: H / 2 - cy * zoom - (H / 2) * (1 - zoom),
    zoom,
  };
}

// Fits a box {x, y, w, h} into the area between the columns with 10 % to spare; null without a box.
// An area without size keeps the zoom.
function _flowFitView(box, W, H, paletteW, inspectorW, currentZoom) {
  if (!box) return null;
  const usable = Math.max(1, W - paletteW - inspectorW);
  const bw = Math.max(1, box.w);
  const bh = Math.max(1, box.h);
  let zoom = currentZoom;
  if (W > 0 && H > 0) zoom = _flowClamp(Math.min((usable * 0.9) / bw, (H * 0.9) / bh), FLOW_ZOOM_MIN, FLOW_ZOOM_MAX);
  return _flowCentreView(box.x + box.w / 2, box.y + box.h / 2, zoom, W, H, paletteW, inspectorW);
}

// Centres one node box; the zoom shows it at 70 % of the area, between the minimum and 1.2.
function _flowFocusView(box, W, H, paletteW, inspectorW) {
  const usable = Math.max(1, W - paletteW - inspectorW);
  const w = Math.max(1, box.w);
  const h = Math.max(1, box.h);
  const zoom = W > 0 && H > 0 ? _flowClamp(Math.min((usable * 0.7) / w, (H * 0.7) / h), FLOW_ZOOM_MIN, 1.2) : 1;
  return _flowCentreView(box.x + w / 2, box.y + h / 2, zoom, W, H, paletteW, inspectorW);
}

// The graph rectangle an area of W x H shows: {x0, y0, x1, y1}.
function _flowVisibleRect(view, W, H) {
  const z = view.zoom || 1;
  return {
    x0: W / 2 - (W / 2 + view.x) / z, x1: W / 2 + (W / 2 - view.x) / z,
    y0: H / 2 - (H / 2 + view.y) / z, y1: H / 2 + (H / 2 - view.y) / z,
  };
}

function _flowGridSize(size) {
  return FLOW_GRID_SIZES.indexOf(Number(size)) !== -1 ? Number(size) : 32;
}

// The grid lines that cover the visible cells plus two cells on every side, in graph units; every
// fourth line, counted from graph coordinate 0, is bold. {hidden, lines: [{x1, y1, x2, y2, bold}]}.
function _flowGridLines(view, W, H, cell) {
  const size = _flowGridSize(cell);
  if (!(view.zoom >= FLOW_GRID_MIN_ZOOM) || !(W > 0) || !(H > 0)) return { hidden: true, lines: [] };
  const r = _flowVisibleRect(view, W, H);
  const i0 = Math.floor(r.x0 / size) - 2;
  const i1 = Math.ceil(r.x1 / size) + 2;
  const j0 = Math.floor(r.y0 / size) - 2;
  const j1 = Math.ceil(r.y1 / size) + 2;
  const lines = [];
  for (let i = i0; i <= i1; i++) lines.push({ x1: i * size, y1: j0 * size, x2: i * size, y2: j1 * size, bold: i % 4 === 0 });
  for (let j = j0; j <= j1; j++) lines.push({ x1: i0 * size, y1: j * size, x2: i1 * size, y2: j * size, bold: j % 4 === 0 });
  return { hidden: false, lines };
}

// The snapped cell of one axis for a free position: at the start (cell null) the nearest multiple;
// later one cell on once the free position is within 1.5 units of the next boundary, one back once it
// is more than a cell less 1.5 below.
function _flowSnapAxis(cell, free, size) {
  if (cell === null || cell === undefined) return Math.round(free / size) * size;
  let c = cell;
  while (free >= c + size - 1.5) c += size;
  while (free < c - size + 1.5) c -= size;
  return c;
}

function _flowRoundToGrid(v, size) {
  return Math.round(v / size) * size;
}

// Alignment of roots [{id, x, y, w, h}] on a side ("top", "left", "right", "bottom"): the moves
// [{id, dx, dy}] (rounded) that bring each root's edge to the outermost one. Fewer than two: none.
function _flowAlignMoves(roots, side) {
  if (!Array.isArray(roots) || roots.length < 2) return [];
  const edge = {
    top: (r) => r.y, left: (r) => r.x, bottom: (r) => r.y + r.h, right: (r) => r.x + r.w,
  }[side];
  if (!edge) return [];
  const edges = roots.map(edge);
  const target = side === 'top' || side === 'left' ? Math.min(...edges) : Math.max(...edges);
  const vertical = side === 'top' || side === 'bottom';
  return roots.map((r, i) => {
    const d = Math.round(target - edges[i]);
    return { id: r.id, dx: vertical ? 0 : d, dy: vertical ? d : 0 };
  });
}

// Even distribution of roots [{id, x, y, w, h}] with the modifiers {ctrl, shift}: the axis with the
// larger spread of positions (x on a tie), the gap (Ctrl alone: the outer edges stay and the free space
// is shared; Shift alone: the largest existing gap; otherwise the smallest; never negative), and the moves.
// {axis, gap, moves: [{id, dx, dy}]}; null for fewer than two roots.
function _flowDistributeMoves(roots, mods) {
  if (!Array.isArray(roots) || roots.length < 2) return null;
  const spread = (key) => Math.max(...roots.map((r) => r[key])) - Math.min(...roots.map((r) => r[key]));
  const axis = spread('x') >= spread('y') ? 'x' : 'y';
  const sizeKey = axis === 'x' ? 'w' : 'h';
  const sorted = roots.slice().sort((a, b) => a[axis] - b[axis]);
  const gaps = [];
  for (let i = 1; i < sorted.length; i++) gaps.push(sorted[i][axis] - (sorted[i - 1][axis] + sorted[i - 1][sizeKey]));
  const ctrl = Boolean(mods && mods.ctrl);
  const shift = Boolean(mods && mods.shift);
  let gap;
  if (ctrl && !shift) {
    const first = sorted[0];
    const last = sorted[sorted.length - 1];
    const sizes = sorted.reduce((s, r) => s + r[sizeKey], 0);
    gap = (last[axis] + last[sizeKey] - first[axis] - sizes) / (sorted.length - 1);
  } else if (shift && !ctrl) {
    gap = Math.max(...gaps);
  } else {
    gap = Math.min(...gaps);
  }
  if (!(gap > 0)) gap = 0;
  const moves = [];
  let at = sorted[0][axis];
  sorted.forEach((r, i) => {
    if (i > 0) at += sorted[i - 1][sizeKey] + gap;
    const d = i === 0 ? 0 : at - r[axis];
    moves.push({ id: r.id, dx: axis === 'x' ? d : 0, dy: axis === 'y' ? d : 0 });
  });
  return { axis, gap, moves };
}

// A layered layout of nodes [{id, x, y, w, h}] joined by edges [[from id, to id]]: each node goes one
// column right of its furthest predecessor (cables that close a loop are left out), columns keep the
// order of their nodes' predecessors, then their old height. The layout starts at the nodes' old top-left
// corner. Returns {id: {x, y}}.
function _flowTidyPositions(nodes, edges, options) {
  const gapX = (options && options.gapX) || 80;
  const gapY = (options && options.gapY) || 40;
  const out = {};
  if (!Array.isArray(nodes) || !nodes.length) return out;
  const byId = new Map(nodes.map((n) => [String(n.id), n]));
  const next = new Map(nodes.map((n) => [String(n.id), []]));
  const prev = new Map(nodes.map((n) => [String(n.id), []]));
  for (const [a, b] of edges || []) {
    const from = String(a);
    const to = String(b);
    if (from === to || !byId.has(from) || !byId.has(to)) continue;
    next.get(from).push(to);
    prev.get(to).push(from);
  }
  // Depth-first order that drops the cables closing a loop, then the longest path from the sources.
  const state = new Map();
  const forward = new Map(nodes.map((n) => [String(n.id), []]));
  const order = [];
  const sortedIds = nodes.slice().sort((p, q) => p.y - q.y || p.x - q.x).map((n) => String(n.id));
  const visit = (start) => {
    const stack = [[start, 0]];
    state.set(start, 1);
    while (stack.length) {
      const top = stack[stack.length - 1];
      const list = next.get(top[0]);
      if (top[1] < list.length) {
        const to = list[top[1]++];
        if (state.get(to) === 1) continue;
        forward.get(top[0]).push(to);
        if (!state.has(to)) {
          state.set(to, 1);
          stack.push([to, 0]);
        }
      } else {
        state.set(top[0], 2);
        order.push(top[0]);
        stack.pop();
      }
    }
  };
  for (const id of sortedIds) if (!prev.get(id).length && !state.has(id)) visit(id);
  for (const id of sortedIds) if (!state.has(id)) visit(id);
  const layer = new Map();
  for (let i = order.length - 1; i >= 0; i--) {
    const id = order[i];
    if (!layer.has(id)) layer.set(id, 0);
    for (const to of forward.get(id)) layer.set(to, Math.max(layer.get(to) || 0, layer.get(id) + 1));
  }
  const columns = [];
  for (const id of sortedIds) {
    const l = layer.get(id) || 0;
    (columns[l] = columns[l] || []).push(id);
  }
  const left = Math.min(...nodes.map((n) => n.x));
  const top = Math.min(...nodes.map((n) => n.y));
  const rank = new Map();
  let x = left;
  for (const column of columns) {
    if (!column) continue;
    const key = (id) => {
      const ps = prev.get(id).filter((p) => rank.has(p));
      return ps.length ? ps.reduce((s, p) => s + rank.get(p), 0) / ps.length : Infinity;
    };
    const keyed = column.map((id, i) => ({ id, k: key(id), i }));
    keyed.sort((p, q) => (p.k === q.k ? p.i - q.i : p.k - q.k));
    let y = top;
    let width = 0;
    keyed.forEach(({ id }, i) => {
      const n = byId.get(id);
      out[id] = { x, y };
      rank.set(id, i);
      y += n.h + gapY;
      width = Math.max(width, n.w);
    });
    x += width + gapX;
  }
  return out;
}

// One frame of auto-pan while a cable is dragged: the pointer (px, py) against the effective edges
// {left, right, top, bottom}; 40 px bands, at most 15 px a frame. {dx, dy}, both 0 when outside every band.
function _flowAutoPanStep(px, py, edges) {
  const band = 40;
  const most = 15;
  const intensity = (d) => _flowClamp((band - d) / band, 0, 1);
  const dx = (intensity(px - edges.left) - intensity(edges.right - px)) * most;
  const dy = (intensity(py - edges.top) - intensity(edges.bottom - py)) * most;
  return { dx, dy };
}

// The dashed curve from a port (sx, sy) to the pointer (px, py): control points lie horizontally
// max(40, half the distance) away, outward from the port and inward at the pointer.
function _flowGhostPath(sx, sy, px, py, fromOutput) {
  const dx = Math.max(40, Math.abs(px - sx) / 2);
  const out = fromOutput ? 1 : -1;
  return 'M ' + sx + ' ' + sy + ' C ' + (sx + out * dx) + ' ' + sy + ' ' + (px - out * dx) + ' ' + py + ' ' + px + ' ' + py;
}

function _flowRectsIntersect(a, b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

function _flowPointSegmentDistance(px, py, ax, ay, bx, by) {
  const vx = bx - ax;
  const vy = by - ay;
  const len = vx * vx + vy * vy;
  const t = len > 0 ? _flowClamp(((px - ax) * vx + (py - ay) * vy) / len, 0, 1) : 0;
  return Math.hypot(px - (ax + t * vx), py - (ay + t * vy));
}
