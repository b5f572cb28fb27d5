// UI procedures, pages, theme and animation family: page switching, the page theme, auto-hide times,
// the built-in attention animations ("wb-" keyframes of the page's style sheet) and the timeline
// animations of the page's animation runtime QuorlinAnim.
// Registers the shim helper _qlpAnim; the procedure bodies UI_SetPage, UI_GetPage, UI_SetTheme,
//   UI_SetAutoHideMs, UI_TriggerAnimation, UI_PlayAnimation, UI_PauseAnimation, UI_StopAnimation,
//   UI_SeekAnimation, UI_GetAnimationPosition, UI_GetAnimationState (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies, _qlDefineShimHelpers

_qlDefineShimHelpers({
  // Calls the animation runtime's `method`; `fallback` without the runtime.
  _qlpAnim: function (method, args, fallback) {
    var anim = window.QuorlinAnim;
    if (!anim || typeof anim[method] !== 'function') return fallback;
    return anim[method].apply(anim, args);
  },
});

_qlDefineProcedureBodies({
  UI_SetPage: function (g, pageName) {
    var name = _qlpText(pageName);
    Array.prototype.forEach.call(document.querySelectorAll('[data-page-id]'), function (page) {
      var wrap = page.parentElement;
      while (wrap && wrap !== document.body && (wrap.id || '').indexOf('wrap-') !== 0) wrap = wrap.parentElement;
      var display = page.getAttribute('data-page-id') === name ? 'flex' : 'none';
      page.style.display = display;
      if (wrap && wrap !== document.body) wrap.style.display = display;
    });
  },

  UI_GetPage: function (g) {
    var current = '';
    Array.prototype.forEach.call(document.querySelectorAll('[data-page-id]'), function (page) {
      var wrap = page.parentElement;
      while (wrap && wrap !== document.body && (wrap.id || '').indexOf('wrap-') !== 0) wrap = wrap.parentElement;
      var shown = wrap && wrap !== document.body ? wrap : page;
      if (shown.style.display !== 'none' && !shown.classList.contains('hidden')) current = page.getAttribute('data-page-id');
    });
    return current;
  },

  UI_SetTheme: function (g, theme) {
    if (typeof window.setQuorlinTheme === 'function') window.setQuorlinTheme(_qlpInt(theme, 0));
  },

  UI_SetAutoHideMs: function (g, elementId, autoHideMs) {
    var el = _qlpWrapOrEl(elementId);
    if (el) el.dataset.autoHideMs = _qlpText(autoHideMs);
  },

  UI_TriggerAnimation: function (g, elementId, animationIndex, duration, count, timing) {
    var el = _qlpWrapOrEl(elementId);
    if (!el) return;
    var names = ['', 'pulse', 'spin', 'bounce', 'shake', 'flash', 'swing', 'float', 'ping', 'tada', 'heartbeat'];
    var index = _qlpInt(animationIndex, 0);
    if (index < 0 || index >= names.length) return;
    ['animation', 'animation-name', 'animation-duration', 'animation-timing-function', 'animation-iteration-count',
      'animation-fill-mode'].forEach(function (p) { el.style.removeProperty(p); });
    void el.offsetWidth;
    if (index === 0) return;
    el.style.animationName = 'wb-' + names[index];
    el.style.animationDuration = _qlpText(duration) || '1s';
    el.style.animationTimingFunction = _qlpText(timing) || 'ease-in-out';
    el.style.animationIterationCount = _qlpText(count) || 'infinite';
    el.style.animationFillMode = 'both';
  },

  UI_PlayAnimation: function (g, animationName, loop, reverse, reset, rate) {
    var yes = function (v) { return v === true || v === 1 || v === '1' || v === 'true'; };
    var no = function (v) { return v === false || v === 0 || v === '0' || v === 'false'; };
    var speed = _qlpNumber(rate, 1);
    _qlpAnim('play', [_qlpText(animationName), yes(loop) ? true : no(loop) ? false : undefined, yes(reverse),
      !no(reset), speed > 0 ? speed : 1]);
  },

  UI_PauseAnimation: function (g, animationName) {
    _qlpAnim('pause', [_qlpText(animationName)]);
  },

  UI_StopAnimation: function (g, animationName) {
    _qlpAnim('stop', [_qlpText(animationName)]);
  },

  UI_SeekAnimation: function (g, animationName, time) {
    _qlpAnim('seek', [_qlpText(animationName), _qlpNumber(time, 0)]);
  },

  UI_GetAnimationPosition: function (g, animationName) {
    return _qlpAnim('getPosition', [_qlpText(animationName)], 0);
  },

  UI_GetAnimationState: function (g, animationName) {
    return _qlpAnim('getState', [_qlpText(animationName)], 'Stopped');
  },
});
