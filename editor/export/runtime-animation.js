// The animations of an exported page (the "animation" and "seek" blocks). The design's keyframe
// animations travel as data (__animationsData: {name, duration, loop, autoRun, tracks [{id, prop,
// keyframes [{t, v, ease}]}]}, keyframes sorted here once; muted tracks, empty tracks and animations left
// without tracks are not written) and are played by QuorlinAnim, which evaluates them with the timeline's
// own evaluator (evaluate.js, carried whole) and writes them with the timeline's own frame writer
// (applyTimelineLightRender and its appliers, carried as their text). The page has no element records:
// each animated element's record is made from its type (__animationsTypes) and the composite values its
// markup carries in data-ql-anim (shadows, image filter, gradient, rotation, scale and pivot).
//
// QuorlinAnim: play (name, loop, reverse, reset, rate), pause, stop, seek (name, seconds), getPosition,
// getState. Every phase ("anim_play", "anim_start", "anim_pause", "anim_stop", "anim_end" and, while the
// flow asks for it through _quorlinAnimPositionActive, "anim_position") goes out as the window event
// "quorlin:" + phase and, with a host, as pb_event {id "quorlin", type phase, value name (or name|beat)}.
// triggerAnimation (id, index, duration, count, timing) plays a component animation through the UI
// procedure of the same name. Right after the markup every animation shows its first frame; the auto-run
// ones start when the document has loaded.
// Provides: _QL_EXPORT_RT_ANIMATION, _QL_EXPORT_ANIM_WRITER, _exportAnimationsData, _exportAnimEntries, _exportAnimationBlock,
//   _exportTriggerAnimationText
// Needs: _exportGlobalsText, _exportSourceText, _qlFlowLiteral, _qlFunctionBody, _qlWindowFunction, _qlWindowFunctionText,
//   _QL_SHIM_HELPERS, _tlUserMuted, _UI_PROCEDURE_CATALOG, animations, ANIM_REGISTRY, registerExportBlock, THEME_TOKEN_TO_CSS_VAR

// The timeline's frame writer and the canvas helpers it uses, carried into the page by name.
var _QL_EXPORT_ANIM_WRITER = ['_qlNum', '_safeCssColour', '_colour', '_alphaColor', 'buildGradientCSS', '_shadowColour', '_boxShadowStyle',
  '_textShadowStyle', '_pivotPct', 'pivotOriginApplied', '_tlRotationContainer', '_tlNumberOr', '_tlPick', '_tlColour', '_TL_APPLIERS',
  '_tlWriteFlex', '_tlWriteTransform', '_tlDeclValue', '_tlOn', '_TL_GROUP_WRITERS', '_tlEmptyOr', '_TL_TRANSFORM_PROPS',
  '_TL_PROP_TO_CSS', '_TL_WRAPPER_PROPS', 'applyTimelineLightRender'];

// {list, types}: the animations as the page plays them and the type of every animated element.
function _exportAnimationsData(list, els) {
  const known = {};
  (Array.isArray(els) ? els : []).forEach(function (el) { if (el && el.id) known[el.id] = el.type || ''; });
  const types = {};
  const out = [];
  (Array.isArray(list) ? list : []).forEach(function (anim) {
    if (!anim || !anim.tracks || typeof anim.tracks !== 'object') return;
    const tracks = [];
    Object.keys(anim.tracks).forEach(function (id) {
      const props = anim.tracks[id];
      if (!props || typeof props !== 'object' || !Object.prototype.hasOwnProperty.call(known, id)) return;
      Object.keys(props).forEach(function (prop) {
        const kfs = props[prop];
        if (!Array.isArray(kfs) || !kfs.length || _tlUserMuted(anim, id, prop)) return;
        const keyframes = kfs.filter(function (k) { return k && Number.isFinite(Number(k.t)); })
          .map(function (k) { return { t: Number(k.t), v: k.v, ease: k.ease || 'linear' }; })
          .sort(function (a, b) { return a.t - b.t; });
        if (!keyframes.length) return;
        tracks.push({ id: id, prop: prop, keyframes: keyframes });
        types[id] = known[id];
      });
    });
    if (!tracks.length) return;
    const duration = Number(anim.duration);
    out.push({ name: String(anim.name === undefined || anim.name === null ? '' : anim.name), duration: duration > 0 ? duration : 2,
      loop: !!anim.loop, autoRun: !!anim.autoRun, tracks: tracks });
  });
  return { list: out, types: types };
}

// The registry entries the tracks name: prop -> {css, target, kind, custom, group}.
function _exportAnimEntries(list) {
  const used = {};
  list.forEach(function (a) { a.tracks.forEach(function (tr) { used[tr.prop] = true; }); });
  const out = {};
  ANIM_REGISTRY.forEach(function (e) {
    if (!used[e.name]) return;
    const entry = { target: e.target, kind: e.kind };
    ['css', 'custom', 'group'].forEach(function (k) { if (e[k]) entry[k] = e[k]; });
    out[e.name] = entry;
  });
  return out;
}

function _exportAnimationBlock(ctx) {
  const data = _exportAnimationsData(animations, ctx && ctx.elements);
  if (!data.list.length) return '';
  return ['var __animationsData = ' + _qlFlowLiteral(data.list) + ';',
    'var __animationsTypes = ' + _qlFlowLiteral(data.types) + ';',
    'var QuorlinAnim = (function () {',
    _exportSourceText('editor/timeline/evaluate.js'),
    'var _QL_ANIM_ENTRIES = ' + _qlFlowLiteral(_exportAnimEntries(data.list)) + ';',
    'var THEME_TOKEN_TO_CSS_VAR = ' + _qlFlowLiteral(THEME_TOKEN_TO_CSS_VAR) + ';',
    _exportGlobalsText(_QL_EXPORT_ANIM_WRITER),
    _qlFunctionBody(_QL_EXPORT_RT_ANIMATION),
    '})();'].join('\n');
}

// The player, inside the function that also holds the evaluator and the writer.
var _QL_EXPORT_RT_ANIMATION = function () {
  var states = {};
  var records = {};
  var current = null;

  // What the carried writer asks of the editor, answered by the page.
  function resolveColor(value) {
    if (value === null || value === undefined || value === '' || value === '__custom__') return '';
    var text = String(value);
    if (text.indexOf('th:') !== 0) return text;
    var key = text.slice(3);
    return Object.prototype.hasOwnProperty.call(THEME_TOKEN_TO_CSS_VAR, key) ? THEME_TOKEN_TO_CSS_VAR[key] : text;
  }
  function getAnimEntry(prop) {
    return Object.prototype.hasOwnProperty.call(_QL_ANIM_ENTRIES, prop) ? _QL_ANIM_ENTRIES[prop] : null;
  }
  function getTimelineApplied() { return current; }
  function _qlCallIfDefined() {}

  __animationsData.forEach(function (a) {
    a.tracks.forEach(function (tr) { _tlSortKeyframes(tr.keyframes); });
  });

  function find(name) {
    var key = String(name === undefined || name === null ? '' : name);
    for (var i = 0; i < __animationsData.length; i++) if (__animationsData[i].name === key) return __animationsData[i];
    return null;
  }
  function state(a) {
    if (!states[a.name]) {
      states[a.name] = { playing: false, paused: false, stopped: true, ended: false, t: 0, frame: 0, start: 0, startT: 0,
        rev: false, rate: 1, loop: a.loop, written: {} };
    }
    return states[a.name];
  }
  function now() {
    return window.performance && typeof performance.now === 'function' ? performance.now() : Date.now();
  }
  function emit(phase, name, beat) {
    var detail = beat === undefined ? { name: name } : { name: name, beat: beat };
    try {
      window.dispatchEvent(new CustomEvent('quorlin:' + phase, { detail: detail }));
    } catch (e) {
      console.warn('quorlin:' + phase, e);
    }
    if (typeof window.pb_event === 'function') window.pb_event({ id: 'quorlin', type: phase, value: beat === undefined ? name : name + '|' + beat });
  }

  // The record of an element as the writer reads it, from its type and its markup's fallback values.
  function record(id) {
    if (records[id]) return records[id];
    var r = { id: id, type: __animationsTypes[id] || '' };
    var node = document.getElementById(id);
    var fb = null;
    try {
      fb = node ? JSON.parse(node.getAttribute('data-ql-anim') || 'null') : null;
    } catch (e) {
      fb = null;
    }
    fb = fb || {};
    if (fb.ts) {
      r.textShadowColor = fb.ts.c; r.textShadowX = fb.ts.x; r.textShadowY = fb.ts.y; r.textShadowBlur = fb.ts.b; r.textShadowOpacity = fb.ts.o;
    }
    if (fb.bs) {
      r.boxShadowColor = fb.bs.c; r.boxShadowX = fb.bs.x; r.boxShadowY = fb.bs.y; r.boxShadowBlur = fb.bs.b; r.boxShadowOpacity = fb.bs.o;
      r.boxShadowInset = !!fb.bs.i; r.boxShadowAltTrack = !!fb.bs.alt;
    }
    if (fb.im) Object.keys(fb.im).forEach(function (k) { r[k] = fb.im[k]; });
    if (fb.g) r.bgGradient = fb.g;
    if (fb.tf) {
      r.rotation = fb.tf.rot; r.scale = fb.tf.scl; r.transformOriginX = fb.tf.ox; r.transformOriginY = fb.tf.oy;
    }
    records[id] = r;
    return r;
  }

  // Writes animation a at visible time x (0..1).
  function applyAt(a, s, x) {
    var values = {};
    var order = [];
    a.tracks.forEach(function (tr) {
      var v = _tlValueAt(tr.keyframes, x, tr.prop);
      if (v === undefined) return;
      if (!values[tr.id]) { values[tr.id] = {}; order.push(tr.id); }
      values[tr.id][tr.prop] = v;
    });
    order.forEach(function (id) {
      current = values[id];
      s.written[id] = true;
      try {
        applyTimelineLightRender(record(id));
      } finally {
        current = null;
      }
    });
  }
  function visible(s) { return s.rev ? 1 - s.t : s.t; }
  function cancel(s) {
    if (s.frame) cancelAnimationFrame(s.frame);
    s.frame = 0;
  }
  function frame(a, s) {
    s.frame = 0;
    if (!s.playing) return;
    var ms = a.duration * 1000 * s.rate;
    var at = now();
    var elapsed = ms > 0 ? (at - s.start) / ms + s.startT : 1;
    var ended = false;
    if (elapsed >= 1) {
      if (s.loop) {
        elapsed = elapsed % 1;
        s.start = at;
        s.startT = elapsed;
      } else {
        elapsed = 1;
        ended = true;
      }
    }
    s.t = elapsed;
    applyAt(a, s, visible(s));
    if (ended) {
      s.playing = false;
      s.ended = true;
      emit('anim_end', a.name);
      return;
    }
    if (window._quorlinAnimPositionActive) emit('anim_position', a.name, Math.round(visible(s) * a.duration * 1000) / 1000);
    if (s.playing && !s.frame) s.frame = requestAnimationFrame(function () { frame(a, s); });
  }
  function on(v) { return v === true || v === 1 || v === '1' || v === 'true'; }
  function off(v) { return v === false || v === 0 || v === '0' || v === 'false'; }

  function play(name, loop, reverse, reset, rate) {
    var a = find(name);
    if (!a) return;
    var s = state(a);
    if (rate !== undefined && rate !== null && rate !== '' && Number(rate) > 0) s.rate = Number(rate);
    var rev = on(reverse) ? true : off(reverse) ? false : s.rev;
    s.loop = on(loop) ? true : off(loop) ? false : a.loop;
    var fresh = s.stopped || s.ended;
    if (on(reset)) {
      s.t = 0;
      s.written = {};
    } else if (off(reset)) {
      if (rev !== s.rev) s.t = 1 - s.t;
      if (s.t >= 1) {
        s.rev = rev;
        return;
      }
    } else if (s.playing) {
      return;
    } else if (s.t >= 1) {
      s.t = 0;
      s.written = {};
    }
    s.rev = rev;
    cancel(s);
    s.playing = true;
    s.paused = false;
    s.stopped = false;
    s.ended = false;
    s.start = now();
    s.startT = s.t;
    emit('anim_play', a.name);
    if (fresh) emit('anim_start', a.name);
    frame(a, s);
  }
  function pause(name) {
    var a = find(name);
    if (!a) return;
    var s = state(a);
    cancel(s);
    if (s.playing) {
      var ms = a.duration * 1000 * s.rate;
      if (ms > 0) s.t = Math.min(1, (now() - s.start) / ms + s.startT);
    }
    s.playing = false;
    s.paused = !s.stopped;
    emit('anim_pause', a.name);
  }
  function stop(name) {
    var a = find(name);
    if (!a) return;
    var s = state(a);
    cancel(s);
    s.playing = false;
    s.paused = false;
    s.stopped = true;
    s.ended = false;
    s.rev = false;
    s.t = 0;
    s.written = {};
    emit('anim_stop', a.name);
  }
  function seek(name, seconds) {
    var a = find(name);
    if (!a) return;
    var s = state(a);
    var x = Math.min(1, Math.max(0, (Number(seconds) || 0) / a.duration));
    s.t = s.rev ? 1 - x : x;
    if (s.playing) {
      s.start = now();
      s.startT = s.t;
    }
    applyAt(a, s, x);
  }
  function getPosition(name) {
    var a = find(name);
    if (!a || !states[a.name]) return 0;
    return visible(states[a.name]) * a.duration;
  }
  function getState(name) {
    var a = find(name);
    var s = a && states[a.name];
    if (!s) return 'Stopped';
    return s.playing ? 'Playing' : s.paused ? 'Paused' : 'Stopped';
  }
  // Every animation at its first frame, before the first paint.
  function seekAllToStart() {
    __animationsData.forEach(function (a) { applyAt(a, state(a), 0); });
  }
  function autoRun() {
    __animationsData.forEach(function (a) { if (a.autoRun) play(a.name, a.loop); });
  }
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', autoRun);
  else setTimeout(autoRun, 0);

  return { play: play, pause: pause, stop: stop, seek: seek, getPosition: getPosition, getState: getState, _seekAllToStart: seekAllToStart };
};

// triggerAnimation: the UI procedure of the same name with the shim helpers it uses, written as the shim
// writes them (a page with a flow defines them again, identically).
function _exportTriggerAnimationText() {
  const entry = _UI_PROCEDURE_CATALOG.find(function (e) { return e.pb === 'UI_TriggerAnimation'; });
  const helpers = ['_qlpText', '_qlpEl', '_qlpWrap', '_qlpWrapOrEl', '_qlpInt'].map(function (name) {
    return _qlWindowFunction(name, _QL_SHIM_HELPERS[name]);
  });
  const params = ['g'].concat(entry.inputs.filter(function (i) { return i !== 'flow_in' && i !== 'flow_out'; }));
  return helpers.concat(_qlWindowFunctionText('UI_TriggerAnimation', params, entry.jsBody),
    'window.triggerAnimation = function (id, index, duration, count, timing) {\n' +
    '  window.UI_TriggerAnimation(0, id, index, duration, count, timing);\n};').join('\n');
}

registerExportBlock('animation', function (ctx) {
  const block = _exportAnimationBlock(ctx);
  return (block ? block + '\n' : '') + _exportTriggerAnimationText();
});

registerExportBlock('seek', function (ctx) {
  return _exportAnimationsData(animations, ctx && ctx.elements).list.length
    ? "if (window.QuorlinAnim && typeof QuorlinAnim._seekAllToStart === 'function') QuorlinAnim._seekAllToStart();" : '';
});
