// Timeline playback on the design canvas: the applied-values side map, applying a moment of the active
// animation, the per-frame writer with its special appliers and composite groups, and play, pause, stop
// and seek. Playback never changes element records: values are written straight into the drawn wrapper
// ("wrap-" + id) and element node. A frame touches only animated elements and reads no computed style
// (a parent's flex direction comes from its class list), so it forces no layout.
// Provides: _tlApplied, _tlClock, getTimelineApplied, clearTimelineAppliedProp, _tlForgetApplied, applyTimelineAt,
//   _tlApplyFrame, applyTimelineLightRender, seekAnimation, playTimeline, stopTimeline, timelineFrameStep,
//   _tlWrapperStyleWhilePlaying, _tlReapply
// Needs: getActiveAnim, isTrackMuted, timelineState, elements, _findElement (timeline/model.js, model),
//   _tlSortKeyframes, _tlValueAt, _formatValue, _tlImgFilterAmount (evaluate.js), getAnimEntry, _TL_PROP_TO_CSS,
//   _TL_WRAPPER_PROPS (registry.js), pivotOriginApplied, buildGradientCSS, _textShadowStyle, _boxShadowStyle,
//   _qlNum (canvas), resolveColor, _qlCallIfDefined
// Calls: _qlCanvasTouched, renderCanvas, updatePlayheadUI, _syncTimelineToolbar, _syncValueField

// Key animation id + "::" + element id -> {property: value last applied}. Never saved.
var _tlApplied = {};
// The frame request and the clock of the playing animation.
var _tlClock = { frame: 0, startWall: 0, startT: 0 };

function _tlAppliedKey(animId, elId) {
  return animId + '::' + elId;
}

function getTimelineApplied(elId) {
  const anim = getActiveAnim();
  return anim ? _tlApplied[_tlAppliedKey(anim.id, elId)] || null : null;
}

function clearTimelineAppliedProp(elId, prop) {
  const anim = getActiveAnim();
  if (!anim) return;
  const key = _tlAppliedKey(anim.id, elId);
  const entry = _tlApplied[key];
  if (!entry) return;
  delete entry[prop];
  if (!Object.keys(entry).length) delete _tlApplied[key];
}

// Forgets every applied value of an animation (the active one when none is given).
function _tlForgetApplied(anim) {
  const a = anim || getActiveAnim();
  if (!a) return;
  const prefix = a.id + '::';
  Object.keys(_tlApplied).forEach(function (k) { if (k.indexOf(prefix) === 0) delete _tlApplied[k]; });
}

// Values of every unmuted track at t, stored and written. Does not touch the paused mark.
function _tlApplyFrame(t) {
  const anim = getActiveAnim();
  timelineState.t = t;
  if (!anim || !anim.tracks) return;
  const list = Array.isArray(elements) ? elements : [];
  for (let i = 0; i < list.length; i++) {
    const el = list[i];
    const tracks = anim.tracks[el.id];
    if (!tracks) continue;
    const key = _tlAppliedKey(anim.id, el.id);
    let applied = _tlApplied[key];
    let any = false;
    for (const prop in tracks) {
      const kfs = tracks[prop];
      if (!Array.isArray(kfs) || !kfs.length || isTrackMuted(anim, el.id, prop)) continue;
      _tlSortKeyframes(kfs);
      const v = _tlValueAt(kfs, t, prop);
      if (v === undefined) continue;
      if (!applied) applied = _tlApplied[key] = {};
      applied[prop] = v;
      any = true;
    }
    if (any) applyTimelineLightRender(el);
  }
}

function applyTimelineAt(t) {
  const x = Math.min(1, Math.max(0, Number(t) || 0));
  timelineState.paused = false;
  _tlApplyFrame(x);
}

// ---- the frame writer ----

function _tlRotationContainer(wrapper) {
  return wrapper.querySelector('.rotation-fix-container');
}

function _tlNumberOr(v, fallback) {
  const n = typeof v === 'number' ? v : parseFloat(v);
  return Number.isFinite(n) ? n : fallback;
}

function _tlPick(applied, el, prop) {
  return Object.prototype.hasOwnProperty.call(applied, prop) ? applied[prop] : el[prop];
}

function _tlColour(v) {
  if (v === undefined || v === null || v === '') return '';
  return typeof resolveColor === 'function' ? resolveColor(v) : String(v);
}

// Special appliers: state colours live in attributes or in parts of the element's markup.
var _TL_APPLIERS = {
  hoverBg: function (node, wrapper, v) { node.setAttribute('data-ql-hover-bg', v); },
  hoverText: function (node, wrapper, v) { node.setAttribute('data-ql-hover-tc', v); },
  activeBg: function (node, wrapper, v) { node.setAttribute('data-ql-active-bg', v); },
  thumb: function (node, wrapper, v) {
    node.style.accentColor = v;
    wrapper.querySelectorAll('.tog-thumb').forEach(function (n) { n.style.background = v; });
    wrapper.querySelectorAll('input[type="range"]').forEach(function (n) { n.style.accentColor = v; });
  },
  // A toggle's track: the on layer and the off track beneath it, each its own part.
  trackActive: function (node, wrapper, v) { wrapper.querySelectorAll('[data-ql-track-active]').forEach(function (n) { n.style.background = v; }); },
  trackInactive: function (node, wrapper, v) { wrapper.querySelectorAll('[data-ql-track]').forEach(function (n) { n.style.background = v; }); },
  checkedBg: function (node, wrapper, v) { wrapper.querySelectorAll('.tb-inner').forEach(function (n) { n.style.background = v; }); },
  checkedText: function (node, wrapper, v) { wrapper.querySelectorAll('.tb-inner').forEach(function (n) { n.style.color = v; }); },
  headerBg: function (node, wrapper, v) { wrapper.querySelectorAll('.acc-header').forEach(function (n) { n.style.background = v; }); },
  headerText: function (node, wrapper, v) { wrapper.querySelectorAll('.acc-header').forEach(function (n) { n.style.color = v; }); },
  splitColor: function (node, wrapper, v) {
    const rot = _tlRotationContainer(wrapper);
    const bar = rot && rot.firstElementChild;
    if (!bar) return;
    bar.style.background = v;
    bar.setAttribute('data-ql-color', v);
  },
  splitHover: function (node, wrapper, v) {
    const rot = _tlRotationContainer(wrapper);
    const bar = rot && rot.firstElementChild;
    if (bar) bar.setAttribute('data-ql-hover', v);
  },
};

// A "%" width or height on the main axis of the wrapper's flex parent also sets the flex basis.
function _tlWriteFlex(wrapper, prop, css) {
  const parent = wrapper.parentElement;
  const row = !!(parent && parent.classList && parent.classList.contains('flex-row'));
  const mainAxis = prop === 'width' ? row : !row;
  wrapper.style.flex = css.indexOf('%') !== -1 && mainAxis ? '0 1 ' + css : '';
}

function _tlWriteTransform(el, wrapper, node, applied) {
  const rotation = _tlNumberOr(_tlPick(applied, el, 'rotation'), 0);
  let scale = _tlNumberOr(_tlPick(applied, el, 'scale'), 1);
  const origin = pivotOriginApplied(el, applied);
  let target;
  if (el.type === 'image') {
    target = node;
    scale *= _tlNumberOr(_tlPick(applied, el, 'imgScale'), 100) / 100;
  } else {
    target = _tlRotationContainer(wrapper);
    wrapper.style.transform = 'none';
  }
  if (!target) return;
  target.style.transform = 'rotate(' + rotation + 'deg)' + (scale !== 1 ? ' scale(' + scale + ')' : '');
  target.style.transformBox = 'fill-box';
  target.style.transformOrigin = origin;
}

// The value part of a "name: value;" declaration made by the canvas helpers ("" for none).
function _tlDeclValue(decl) {
  const at = decl.indexOf(':');
  return at === -1 ? '' : decl.slice(at + 1).replace(/;\s*$/, '').trim();
}

function _tlOn(v) {
  return v === true || v === 1 || v === '1' || v === 'true' || v === 'on';
}

var _TL_GROUP_WRITERS = {
  textShadow: function (el, wrapper, node, applied) {
    const get = function (p) { return _tlPick(applied, el, p); };
    const decl = _textShadowStyle(get('textShadowColor'), get('textShadowX'), get('textShadowY'), get('textShadowBlur'),
      _tlEmptyOr(get('textShadowOpacity'), 100));
    node.style.textShadow = _tlDeclValue(decl);
  },
  boxShadow: function (el, wrapper, node, applied) {
    const get = function (p) { return _tlPick(applied, el, p); };
    const colour = get('boxShadowColor');
    const decl = colour === undefined || colour === null || colour === '' ? ''
      : _boxShadowStyle(colour, get('boxShadowX'), get('boxShadowY'), get('boxShadowBlur'), _tlEmptyOr(get('boxShadowOpacity'), 100), !!el.boxShadowInset);
    const track = el.type === 'toggle' && el.boxShadowAltTrack ? wrapper.querySelector('.tog-track') : null;
    (track || node).style.boxShadow = _tlDeclValue(decl);
  },
  imgFilter: function (el, wrapper, node, applied) {
    const parts = [];
    const amount = function (prop) {
      const v = _tlPick(applied, el, prop);
      return v === undefined || v === null || v === '' ? null : _tlImgFilterAmount(prop, v);
    };
    const blur = amount('imgBlur');
    if (blur !== null) parts.push('blur(' + blur + 'px)');
    [['imgBrightness', 'brightness'], ['imgContrast', 'contrast'], ['imgSaturate', 'saturate']].forEach(function (f) {
      const n = amount(f[0]);
      if (n !== null) parts.push(f[1] + '(' + n + ')');
    });
    [['imgGrayscale', 'grayscale'], ['imgSepia', 'sepia'], ['imgInvert', 'invert']].forEach(function (f) {
      if (_tlOn(_tlPick(applied, el, f[0]))) parts.push(f[1] + '(1)');
    });
    node.style.filter = parts.join(' ');
    const animatedTransform = ['rotation', 'scale'].some(function (p) { return Object.prototype.hasOwnProperty.call(applied, p); });
    if (Object.prototype.hasOwnProperty.call(applied, 'imgScale') && !animatedTransform) {
      const s = (_tlNumberOr(applied.imgScale, 100) / 100) * _tlNumberOr(el.scale, 1);
      node.style.transform = 'rotate(' + _tlNumberOr(el.rotation, 0) + 'deg) scale(' + s + ')';
      node.style.transformOrigin = pivotOriginApplied(el, applied);
    }
    const ox = _tlNumberOr(_tlPick(applied, el, 'imgOffsetX'), 0);
    const oy = _tlNumberOr(_tlPick(applied, el, 'imgOffsetY'), 0);
    node.style.objectPosition = ox || oy ? 'calc(50% + ' + ox + 'px) calc(50% + ' + oy + 'px)' : '';
  },
  bgGradient: function (el, wrapper, node, applied) {
    const stored = el.bgGradient && typeof el.bgGradient === 'object' ? el.bgGradient : null;
    if (!stored) return;
    const g = { enabled: stored.enabled, type: stored.type, angle: stored.angle,
      stops: (Array.isArray(stored.stops) ? stored.stops : []).map(function (s) { return Object.assign({}, s); }) };
    if (Object.prototype.hasOwnProperty.call(applied, 'bgGradientAngle')) g.angle = applied.bgGradientAngle;
    g.stops.forEach(function (stop, i) {
      const base = 'bgGradientStop' + i;
      if (Object.prototype.hasOwnProperty.call(applied, base + 'Color')) stop.color = applied[base + 'Color'];
      if (Object.prototype.hasOwnProperty.call(applied, base + 'Position')) stop.position = applied[base + 'Position'];
      if (Object.prototype.hasOwnProperty.call(applied, base + 'Opacity')) stop.opacity = applied[base + 'Opacity'];
    });
    node.style.background = buildGradientCSS(g);
  },
};

function _tlEmptyOr(v, fallback) {
  return v === undefined || v === null || v === '' ? fallback : v;
}

var _TL_TRANSFORM_PROPS = ['rotation', 'scale', 'transformOriginX', 'transformOriginY'];

function applyTimelineLightRender(el) {
  const applied = getTimelineApplied(el.id);
  if (!applied) return;
  const wrapper = document.getElementById('wrap-' + el.id);
  if (!wrapper) return;
  // Written outside a render: a renderer that redraws only changed wrappers must draw this one again
  // from its record next time, or a forgotten value (a muted or deleted track, a stop) would stay on it.
  _qlCallIfDefined('_qlCanvasTouched', [el.id]);
  const node = document.getElementById(el.id) || wrapper;
  wrapper.style.transition = 'none';
  node.style.transition = 'none';
  const groups = {};
  let transform = false;
  for (const prop in applied) {
    const entry = getAnimEntry(prop);
    if (entry && entry.group) {
      groups[entry.group] = true;
      continue;
    }
    const v = applied[prop];
    if (entry && entry.custom) {
      const applier = _TL_APPLIERS[entry.custom];
      if (applier) applier(node, wrapper, _tlColour(v));
      continue;
    }
    if (_TL_TRANSFORM_PROPS.indexOf(prop) !== -1) {
      transform = true;
      continue;
    }
    const cssName = entry && entry.css ? entry.css : _TL_PROP_TO_CSS[prop] || prop;
    const onWrapper = entry ? entry.target === 'wrapper' : _TL_WRAPPER_PROPS.indexOf(prop) !== -1;
    const css = _formatValue(prop, entry && entry.kind === 'color' ? _tlColour(v) : v);
    (onWrapper ? wrapper : node).style[cssName] = css;
    if (prop === 'width' || prop === 'height') _tlWriteFlex(wrapper, prop, css);
  }
  if (transform) _tlWriteTransform(el, wrapper, node, applied);
  Object.keys(groups).forEach(function (g) {
    if (_TL_GROUP_WRITERS[g]) _TL_GROUP_WRITERS[g](el, wrapper, node, applied);
  });
}

// Wrapper declarations a render adds while the timeline plays, so a render in the middle of playback keeps
// the animated size and placement: [css text of each declaration]. `parentRow` tells the parent's main axis.
function _tlWrapperStyleWhilePlaying(el, parentRow, inAccordion) {
  if (!timelineState.playing) return [];
  const applied = getTimelineApplied(el.id);
  if (!applied) return [];
  const out = [];
  _TL_WRAPPER_PROPS.forEach(function (prop) {
    if (prop === 'rotation' || !Object.prototype.hasOwnProperty.call(applied, prop)) return;
    const cssName = _TL_PROP_TO_CSS[prop] || prop;
    const css = _formatValue(prop, applied[prop]);
    if (css === '') return;
    out.push(cssName.replace(/[A-Z]/g, function (c) { return '-' + c.toLowerCase(); }) + ': ' + css + ';');
    const main = prop === 'width' ? parentRow : prop === 'height' ? !parentRow : false;
    if (main && !inAccordion && css.indexOf('%') !== -1) out.push('flex: 0 1 ' + css + ';');
  });
  return out;
}

// ---- clock ----

function _tlDuration(anim) {
  const d = anim && Number(anim.duration);
  return d > 0 ? d : 0;
}

function seekAnimation(seconds) {
  const anim = getActiveAnim();
  const d = _tlDuration(anim);
  if (!d) return;
  applyTimelineAt(Math.min(1, Math.max(0, Number(seconds) / d)));
  _qlCallIfDefined('updatePlayheadUI');
}

function _tlCancelFrame() {
  if (_tlClock.frame) cancelAnimationFrame(_tlClock.frame);
  _tlClock.frame = 0;
}

function _tlFrame() {
  _tlClock.frame = 0;
  if (!timelineState.playing) return;
  const anim = getActiveAnim();
  const d = _tlDuration(anim) || 2;
  const now = Date.now();
  let elapsed = (now - _tlClock.startWall) / (d * 1000) + _tlClock.startT;
  if (elapsed >= 1) {
    if (anim && anim.loop) {
      elapsed = elapsed % 1;
      _tlClock.startWall = now;
      _tlClock.startT = elapsed;
    } else {
      timelineState.playing = false;
      _tlApplyFrame(1);
      _qlCallIfDefined('updatePlayheadUI');
      return;
    }
  }
  _tlApplyFrame(elapsed);
  _qlCallIfDefined('updatePlayheadUI');
  if (timelineState.playing) _tlClock.frame = requestAnimationFrame(_tlFrame);
}

function playTimeline() {
  if (timelineState.playing) {
    _tlCancelFrame();
    timelineState.playing = false;
    timelineState.paused = true;
    _qlCallIfDefined('_syncTimelineToolbar');
    return;
  }
  if (!hasAnimTracksAny()) return;
  if (!(timelineState.paused && timelineState.t < 1)) {
    _tlForgetApplied();
    timelineState.t = 0;
    _qlCallIfDefined('updatePlayheadUI');
  }
  timelineState.paused = false;
  timelineState.playing = true;
  _tlClock.startWall = Date.now();
  _tlClock.startT = timelineState.t;
  _tlCancelFrame();
  _tlClock.frame = requestAnimationFrame(_tlFrame);
  _qlCallIfDefined('_syncTimelineToolbar');
}

function stopTimeline() {
  _tlCancelFrame();
  timelineState.playing = false;
  timelineState.paused = false;
  _tlForgetApplied();
  timelineState.t = 0;
  _qlCallIfDefined('renderCanvas');
  _tlApplyFrame(0);
  _qlCallIfDefined('updatePlayheadUI');
  _qlCallIfDefined('_syncTimelineToolbar');
}

// One frame at 60 frames per second, as a fraction of the animation (2 s when it has no duration).
function timelineFrameStep() {
  const d = _tlDuration(getActiveAnim()) || 2;
  return (1 / 60) / d;
}

// After a render drew the records again: the playhead's frame is written back without a seek (the paused
// mark stays).
function _tlReapply() {
  if (hasAnimTracksAny()) _tlApplyFrame(timelineState.t);
}
