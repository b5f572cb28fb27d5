// The arithmetic of keyframe editing, apart from the panel so it can be checked on its own: moving a
// selection within 0..1, scaling times around the playhead, choosing a snap target, and where pasted
// keyframes land.
// Provides: _tlClampMoveDelta, _tlScaleFactor, _tlClampScaleFactor, _tlSnapTime, _tlPasteTime, _tlPasteTargets,
//   _tlZoomAbout, _tlClampScroll, _TL_ZOOM_MAX, _TL_ZOOM_STEP
// Needs: nothing

var _TL_ZOOM_MAX = 20;
var _TL_ZOOM_STEP = 1.15;

// The time difference by which every time in `times` can move without any leaving 0..1.
function _tlClampMoveDelta(times, delta) {
  if (!times.length) return 0;
  const lo = Math.min.apply(null, times);
  const hi = Math.max.apply(null, times);
  return Math.min(1 - hi, Math.max(-lo, delta));
}

// Shift+drag: the factor by which the grabbed keyframe's distance to the playhead changes. With the grabbed
// keyframe on the playhead the horizontal movement decides: 2 ^ (movement / half the lane width).
function _tlScaleFactor(pointerT, grabbedT, playhead, movePx, laneWidthPx) {
  const span = grabbedT - playhead;
  if (Math.abs(span) < 0.000001) return Math.pow(2, movePx / Math.max(1, laneWidthPx / 2));
  return Math.max(0, (pointerT - playhead) / span);
}

// The largest factor up to `factor` that keeps every scaled time (playhead + (t - playhead) x factor)
// within 0..1.
function _tlClampScaleFactor(times, playhead, factor) {
  let f = Math.max(0, factor);
  times.forEach(function (t) {
    const d = t - playhead;
    if (d > 0.000001) f = Math.min(f, (1 - playhead) / d);
    else if (d < -0.000001) f = Math.min(f, playhead / -d);
  });
  return f;
}

// The nearest candidate time within `limitT` of t (the smallest distance wins), or t itself.
function _tlSnapTime(t, candidates, limitT) {
  let best = t;
  let bestD = limitT;
  candidates.forEach(function (c) {
    const d = Math.abs(c - t);
    if (d <= bestD) { bestD = d; best = c; }
  });
  return best;
}

// A pasted keyframe keeps its distance to the clip's earliest keyframe, counted from the playhead.
function _tlPasteTime(t, earliest, playhead) {
  return Math.min(1, Math.max(0, playhead + (t - earliest)));
}

// Where each clip entry goes: [{entry, elId, prop}]. Narrowed tracks take the entries of their property
// (all entries when the track names none); one selected element that is not a source takes all of them;
// otherwise every entry goes back to its own element and property.
function _tlPasteTargets(clip, narrowed, selected) {
  const out = [];
  if (narrowed.length) {
    narrowed.forEach(function (track) {
      clip.forEach(function (entry) {
        if (!track.prop || entry.prop === track.prop) out.push({ entry: entry, elId: track.elId, prop: entry.prop });
      });
    });
    return out;
  }
  const sources = new Set(clip.map(function (e) { return e.elId; }));
  if (selected.length === 1 && !sources.has(selected[0])) {
    clip.forEach(function (entry) { out.push({ entry: entry, elId: selected[0], prop: entry.prop }); });
    return out;
  }
  clip.forEach(function (entry) { out.push({ entry: entry, elId: entry.elId, prop: entry.prop }); });
  return out;
}

function _tlClampScroll(scroll, zoom) {
  return Math.min(Math.max(0, 1 - 1 / zoom), Math.max(0, scroll));
}

// Zooming about a point of the lane (0..1 of its width) keeps the time under it in place.
function _tlZoomAbout(view, frac, deltaY) {
  const before = view.scroll + frac / view.zoom;
  const zoom = Math.min(_TL_ZOOM_MAX, Math.max(1, deltaY > 0 ? view.zoom * _TL_ZOOM_STEP : view.zoom / _TL_ZOOM_STEP));
  if (zoom === 1) return { zoom: 1, scroll: 0 };
  return { zoom: zoom, scroll: _tlClampScroll(before - frac / zoom, zoom) };
}
