// UI procedures, media family: image and video sources (resolved by _qlResolveSrc), how an image sits
// in its box, and the audio and video player.
// Registers the shim helpers _qlpImage, _qlpMedia; the procedure bodies UI_SetSrc, UI_SetSrc2,
//   UI_GetImageRendered, UI_SetImgFit, UI_SetImgPosition, UI_SetImgFilter, UI_SetImgScale, UI_SetImgOffset,
//   UI_AVPlayerPlay, UI_AVPlayerPause, UI_AVPlayerStop, UI_AVPlayerSetVolume, UI_AVPlayerSetSpeed,
//   UI_AVPlayerSeek (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies, _qlDefineShimHelpers

_qlDefineShimHelpers({
  // The first image inside W|E, else W|E itself.
  _qlpImage: function (id) {
    var host = _qlpWrapOrEl(id);
    return host ? host.querySelector('img') || host : null;
  },

  // The element when it is a media element, else the first video or audio inside it.
  _qlpMedia: function (id) {
    var el = _qlpEl(id);
    if (!el || el.tagName === 'VIDEO' || el.tagName === 'AUDIO') return el;
    return el.querySelector('video,audio');
  },
});

_qlDefineProcedureBodies({
  UI_SetSrc: function (g, elementId, url) {
    var el = _qlpEl(elementId);
    if (el) el.src = _qlResolveSrc(_qlpText(url));
  },

  UI_SetSrc2: function (g, elementId, poster) {
    var el = _qlpMedia(elementId) || _qlpEl(elementId);
    if (!el) return;
    el.poster = _qlResolveSrc(_qlpText(poster));
    if (typeof el.load === 'function') el.load();
  },

  UI_GetImageRendered: function (g, elementId) {
    var el = _qlpEl(elementId);
    return el ? _qlpText(el.src) : '';
  },

  UI_SetImgFit: function (g, elementId, fit) {
    _qlpStyle(_qlpImage(elementId), 'object-fit', fit);
  },

  UI_SetImgPosition: function (g, elementId, position) {
    _qlpStyle(_qlpImage(elementId), 'object-position', position);
  },

  UI_SetImgFilter: function (g, elementId, filter) {
    _qlpStyle(_qlpImage(elementId), 'filter', filter);
  },

  UI_SetImgScale: function (g, elementId, scale) {
    _qlpStyle(_qlpImage(elementId), 'transform', 'scale(' + _qlpNumber(scale, 1) + ')');
  },

  UI_SetImgOffset: function (g, elementId, offsetX, offsetY) {
    _qlpStyle(_qlpImage(elementId), 'object-position', _qlpText(offsetX) + ' ' + _qlpText(offsetY));
  },

  UI_AVPlayerPlay: function (g, elementId) {
    var media = _qlpMedia(elementId);
    if (!media) return;
    var playing = media.play();
    if (playing && typeof playing.catch === 'function') playing.catch(function () { /* play refused by the page */ });
  },

  UI_AVPlayerPause: function (g, elementId) {
    var media = _qlpMedia(elementId);
    if (media) media.pause();
  },

  UI_AVPlayerStop: function (g, elementId) {
    var media = _qlpMedia(elementId);
    if (!media) return;
    media.pause();
    media.currentTime = 0;
  },

  UI_AVPlayerSetVolume: function (g, elementId, vol) {
    var media = _qlpMedia(elementId);
    if (media) media.volume = Math.min(1, Math.max(0, _qlpNumber(vol, 0)));
  },

  UI_AVPlayerSetSpeed: function (g, elementId, speed) {
    var media = _qlpMedia(elementId);
    if (media) media.playbackRate = _qlpNumber(speed, 0) || 1;
  },

  UI_AVPlayerSeek: function (g, elementId, seconds) {
    var media = _qlpMedia(elementId);
    if (media) media.currentTime = _qlpNumber(seconds, 0);
  },
});
