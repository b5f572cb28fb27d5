// UI procedures, pages, theme and animation family: page switching, the page theme, auto-hide times,
// the built-in attention animations ("wb-" keyframes of the page's style sheet) and the timeline
// animations of the page's animation runtime QuorlinAnim.
// Registers the shim helper _qlpPageWrap; the procedure bodies UI_SetPage, UI_GetPage, UI_SetTheme,
//   UI_SetAutoHideMs, UI_TriggerAnimation, UI_PlayAnimation, UI_PauseAnimation, UI_StopAnimation,
//   UI_SeekAnimation, UI_GetAnimationPosition, UI_GetAnimationState (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies, _qlDefineShimHelpers

_qlDefineShimHelpers({
  // The wrapper of a page element (its nearest ancestor below the body whose id begins "wrap-"), or null.
  _qlpPageWrap: function (page) {
    for (var p = page.parentElement; p && p !== document.body; p = p.parentElement) {
      if ((p.id || '').indexOf('wrap-') === 0) return p;
    }
    return null;
  },
});

_qlDefineProcedureBodies({
  UI_SetPage: function (g, pageName) {
    var name = _qlpText(pageName);
    Array.prototype.forEach.call(document.querySelectorAll('[data-page-id]'), function (page) {
      var display = page.getAttribute('data-page-id') === name ? 'flex' : 'none';
      var wrap = _qlpPageWrap(page);
      page.style.display = display;
      if (wrap) wrap.style.display = display;
    });
  },

  // The last page whose wrapper (else the page itself) is shown.
  UI_GetPage: function (g) {
    var current = '';
    Array.prototype.forEach.call(document.querySelectorAll('[data-page-id]'), function (page) {
      var shown = _qlpPageWrap(page) || page;
      if (window.getComputedStyle(shown).display !== 'none' && !shown.classList.contains('hidden')) current = page.getAttribute('data-page-id');
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
    _qlpRuntime('QuorlinAnim', 'play', [_qlpText(animationName), yes(loop) ? true : no(loop) ? false : undefined, yes(reverse),
      !no(reset), speed > 0 ? speed : 1]);
  },

  UI_PauseAnimation: function (g, animationName) {
    _qlpRuntime('QuorlinAnim', 'pause', [_qlpText(animationName)]);
  },

  UI_StopAnimation: function (g, animationName) {
    _qlpRuntime('QuorlinAnim', 'stop', [_qlpText(animationName)]);
  },

  UI_SeekAnimation: function (g, animationName, time) {
    _qlpRuntime('QuorlinAnim', 'seek', [_qlpText(animationName), _qlpNumber(time, 0)]);
  },

  UI_GetAnimationPosition: function (g, animationName) {
    return _qlpRuntime('QuorlinAnim', 'getPosition', [_qlpText(animationName)], 0);
  },

  UI_GetAnimationState: function (g, animationName) {
    return _qlpRuntime('QuorlinAnim', 'getState', [_qlpText(animationName)], 'Stopped');
  },
});
