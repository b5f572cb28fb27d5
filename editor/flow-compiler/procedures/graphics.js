// UI procedures, drawing family: 2D drawing on a canvas element E (nothing without a 2D context).
// Coordinates are numbers (0 when not a number); modes: "fill", "both" (fill, then stroke), else stroke.
// Registers the shim helpers _qlpContext, _qlpPaint; the procedure bodies UI_ClearCanvas, UI_SetCanvasStyle,
//   UI_DrawLine, UI_DrawPolygon, UI_DrawRect, UI_DrawCircle, UI_DrawArc, UI_DrawText, UI_DrawImage,
//   UI_CanvasTransform (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies, _qlDefineShimHelpers
// Calls: _blobSrcMap

_qlDefineShimHelpers({
  _qlpContext: function (id) {
    var el = _qlpEl(id);
    if (!el || el.tagName !== 'CANVAS' || typeof el.getContext !== 'function') return null;
    try { return el.getContext('2d'); } catch (e) { return null; }
  },

  _qlpPaint: function (ctx, mode) {
    if (mode === 'fill' || mode === 'both') ctx.fill();
    if (mode !== 'fill') ctx.stroke();
  },
});

_qlDefineProcedureBodies({
  UI_ClearCanvas: function (g, elementId, color) {
    var ctx = _qlpContext(elementId);
    if (!ctx) return;
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.clearRect(0, 0, ctx.canvas.width, ctx.canvas.height);
    if (_qlpText(color)) {
      ctx.fillStyle = _qlpText(color);
      ctx.fillRect(0, 0, ctx.canvas.width, ctx.canvas.height);
    }
  },

  UI_SetCanvasStyle: function (g, elementId, strokeColor, fillColor, lineWidth) {
    var ctx = _qlpContext(elementId);
    if (!ctx) return;
    if (_qlpText(strokeColor)) ctx.strokeStyle = _qlpText(strokeColor);
    if (_qlpText(fillColor)) ctx.fillStyle = _qlpText(fillColor);
    var width = _qlpNumber(lineWidth, 0);
    if (width > 0) ctx.lineWidth = width;
  },

  UI_DrawLine: function (g, elementId, x1, y1, x2, y2) {
    var ctx = _qlpContext(elementId);
    if (!ctx) return;
    ctx.beginPath();
    ctx.moveTo(_qlpNumber(x1, 0), _qlpNumber(y1, 0));
    ctx.lineTo(_qlpNumber(x2, 0), _qlpNumber(y2, 0));
    ctx.stroke();
  },

  // Points "x,y" separated by ";" or line breaks; pairs that are not two numbers are skipped.
  UI_DrawPolygon: function (g, elementId, points, closed, mode) {
    var ctx = _qlpContext(elementId);
    if (!ctx) return;
    var pts = _qlpText(points).split(/[;\r\n]+/).map(function (p) {
      var xy = p.split(',');
      var x = parseFloat(xy[0]);
      var y = parseFloat(xy[1]);
      return xy.length === 2 && isFinite(x) && isFinite(y) ? [x, y] : null;
    }).filter(Boolean);
    if (pts.length < 2) return;
    ctx.beginPath();
    ctx.moveTo(pts[0][0], pts[0][1]);
    for (var i = 1; i < pts.length; i++) ctx.lineTo(pts[i][0], pts[i][1]);
    if (_qlpOn(closed)) ctx.closePath();
    _qlpPaint(ctx, mode);
  },

  UI_DrawRect: function (g, elementId, x, y, w, h, mode) {
    var ctx = _qlpContext(elementId);
    if (!ctx) return;
    ctx.beginPath();
    ctx.rect(_qlpNumber(x, 0), _qlpNumber(y, 0), _qlpNumber(w, 0), _qlpNumber(h, 0));
    _qlpPaint(ctx, mode);
  },

  UI_DrawCircle: function (g, elementId, x, y, r, mode) {
    var ctx = _qlpContext(elementId);
    if (!ctx) return;
    ctx.beginPath();
    ctx.arc(_qlpNumber(x, 0), _qlpNumber(y, 0), Math.abs(_qlpNumber(r, 0)), 0, Math.PI * 2);
    _qlpPaint(ctx, mode);
  },

  UI_DrawArc: function (g, elementId, x, y, r, startDeg, endDeg, mode) {
    var ctx = _qlpContext(elementId);
    if (!ctx) return;
    var rad = Math.PI / 180;
    ctx.beginPath();
    ctx.arc(_qlpNumber(x, 0), _qlpNumber(y, 0), Math.abs(_qlpNumber(r, 0)), _qlpNumber(startDeg, 0) * rad, _qlpNumber(endDeg, 0) * rad);
    _qlpPaint(ctx, mode);
  },

  UI_DrawText: function (g, elementId, x, y, text, fontSize, mode) {
    var ctx = _qlpContext(elementId);
    if (!ctx) return;
    var size = _qlpInt(fontSize, 0);
    ctx.font = (size > 0 ? size : 16) + 'px sans-serif';
    if (mode === 'stroke') ctx.strokeText(_qlpText(text), _qlpNumber(x, 0), _qlpNumber(y, 0));
    else ctx.fillText(_qlpText(text), _qlpNumber(x, 0), _qlpNumber(y, 0));
  },

  UI_DrawImage: function (g, elementId, x, y, w, h, src) {
    var ctx = _qlpContext(elementId);
    var path = _qlpText(src);
    if (!ctx || !path) return;
    var media = window._blobSrcMap;
    var known = media instanceof Map ? media.get(path) : media && typeof media === 'object' ? media[path] : undefined;
    var img = new Image();
    img.onload = function () {
      try {
        var width = _qlpNumber(w, 0);
        var height = _qlpNumber(h, 0);
        if (width > 0 && height > 0) ctx.drawImage(img, _qlpNumber(x, 0), _qlpNumber(y, 0), width, height);
        else ctx.drawImage(img, _qlpNumber(x, 0), _qlpNumber(y, 0));
      } catch (e) { /* an image the canvas cannot draw is skipped */ }
    };
    img.src = typeof known === 'string' ? known : _qlResolveSrc(path);
  },

  UI_CanvasTransform: function (g, elementId, op, x, y, angleDeg, sx, sy) {
    var ctx = _qlpContext(elementId);
    if (!ctx) return;
    if (op === 'save') ctx.save();
    else if (op === 'restore') ctx.restore();
    else if (op === 'translate') ctx.translate(_qlpNumber(x, 0), _qlpNumber(y, 0));
    else if (op === 'rotate') ctx.rotate(_qlpNumber(angleDeg, 0) * Math.PI / 180);
    else if (op === 'scale') ctx.scale(_qlpNumber(sx, 1), _qlpNumber(sy, 1));
  },
});
