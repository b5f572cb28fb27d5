// The see-through window of an exported page (the "transparent" block, written when the canvas
// background is transparent). The page measures what it shows and sends it to its host, which shapes
// the window to it: {id "quorlin", type "transparent_region", value: JSON of {rects, images}}, every
// number in device pixels (CSS pixels x devicePixelRatio, rounded) from the window's top-left corner.
//   rects[]  {x, y, w, h} wholly opaque boxes, with r when all four corners are equally rounded, else
//            rtl, rtr, rbr, rbl (each at most half the box's width and height)
//   images[] {x, y, w, h, src} boxes whose opaque part is the image's; border images also carry slice
//            and bw (their CSS texts) and dpr
// _qlComputeTransparentRegion (quick): a quick pass sends the boxes of the page's top-level elements and
// their inner elements only; a full pass sends images where elements show them. Passes run at load (the
// next frame, then 400, 1200 and 2500 ms later, so late layout heals), on the window's load, and on every
// resize (a quick pass at once, a full one 500 ms after the last). Without a host nothing is sent.
// Provides: _QL_EXPORT_RT_TRANSPARENT
// Creates: _qlComputeTransparentRegion, _qlExtractUrl, _qlPickStyleNode, _qlApplyRectRadii, _qlAddDescendantRects
//   (in the exported page only)
// Needs: _qlFunctionBody, registerExportBlock

var _QL_EXPORT_RT_TRANSPARENT = function () {
  (function () {
    function dpr() { return window.devicePixelRatio || 1; }
    function box(node) {
      var r = node.getBoundingClientRect();
      var d = dpr();
      return { x: Math.round(r.left * d), y: Math.round(r.top * d), w: Math.round(r.width * d), h: Math.round(r.height * d) };
    }
    function hasImage(value) { return !!value && value !== 'none'; }

    // The address inside url(...), without quotes; "" for none.
    window._qlExtractUrl = function (css) {
      var m = /url\(\s*(['"]?)(.*?)\1\s*\)/.exec(String(css || ''));
      return m ? m[2] : '';
    };

    // The style node that draws an element: the element, or its first child, or that child's first child,
    // going down while the node shows no image and has children.
    window._qlPickStyleNode = function (el) {
      var node = el;
      for (var depth = 0; depth < 2; depth++) {
        var cs = getComputedStyle(node);
        if (hasImage(cs.borderImageSource) || hasImage(cs.backgroundImage) || !node.firstElementChild) break;
        node = node.firstElementChild;
      }
      return { node: node, style: getComputedStyle(node) };
    };

    // The corner radii of a style in device pixels on a box of device size w x h.
    function radius(value, w, h) {
      var text = String(value || '0').split(' ')[0];
      var n = parseFloat(text) || 0;
      if (/%$/.test(text)) return n * Math.min(w, h) / dpr() / 100;
      return n;
    }
    window._qlApplyRectRadii = function (rect, style) {
      var d = dpr();
      var corners = [style.borderTopLeftRadius, style.borderTopRightRadius, style.borderBottomRightRadius,
        style.borderBottomLeftRadius].map(function (v) { return radius(v, rect.w, rect.h); });
      if (corners[0] === corners[1] && corners[1] === corners[2] && corners[2] === corners[3]) {
        var r = Math.round(corners[0] * d);
        if (r > 0) rect.r = r;
        return rect;
      }
      var cap = function (v) { return Math.round(Math.min(v * d, rect.w / 2, rect.h / 2)); };
      rect.rtl = cap(corners[0]);
      rect.rtr = cap(corners[1]);
      rect.rbr = cap(corners[2]);
      rect.rbl = cap(corners[3]);
      return rect;
    };

    // Every inner element wrapper ("wrap-" ids) of a positive size, as a box with its own radii.
    window._qlAddDescendantRects = function (el, rects) {
      Array.prototype.forEach.call(el.querySelectorAll('[id^="wrap-"]'), function (inner) {
        var b = box(inner);
        if (b.w > 0 && b.h > 0) rects.push(window._qlApplyRectRadii(b, window._qlPickStyleNode(inner).style));
      });
    };

    function measure(quick) {
      var rects = [];
      var images = [];
      var main = document.querySelector('main') || document.body;
      Array.prototype.forEach.call(main ? main.children : [], function (child) {
        if (!child.id) return;
        var b = box(child);
        if (!(b.w > 0 && b.h > 0)) return;
        var picked = window._qlPickStyleNode(child);
        var style = picked.style;
        if (quick) {
          rects.push(window._qlApplyRectRadii(b, style));
          window._qlAddDescendantRects(child, rects);
          return;
        }
        var imgs = child.querySelectorAll('img');
        if (imgs.length) {
          Array.prototype.forEach.call(imgs, function (img) {
            var ib = box(img);
            if (!(ib.w > 0 && ib.h > 0)) return;
            var src = img.currentSrc || img.src || '';
            if (/^data:/i.test(src) || !src) rects.push(ib);
            else images.push({ x: ib.x, y: ib.y, w: ib.w, h: ib.h, src: src });
          });
          window._qlAddDescendantRects(child, rects);
        } else if (hasImage(style.borderImageSource)) {
          var nb = box(picked.node);
          images.push({ x: nb.x, y: nb.y, w: nb.w, h: nb.h, src: window._qlExtractUrl(style.borderImageSource),
            slice: style.borderImageSlice, bw: style.borderImageWidth, dpr: dpr() });
          window._qlAddDescendantRects(child, rects);
        } else if (hasImage(style.backgroundImage) && window._qlExtractUrl(style.backgroundImage)) {
          var bb = box(picked.node);
          images.push({ x: bb.x, y: bb.y, w: bb.w, h: bb.h, src: window._qlExtractUrl(style.backgroundImage) });
          window._qlAddDescendantRects(child, rects);
        } else {
          rects.push(window._qlApplyRectRadii(b, style));
        }
      });
      return { rects: rects, images: images };
    }

    window._qlComputeTransparentRegion = function (quick) {
      if (typeof window.pb_event !== 'function') return;
      var region = measure(!!quick);
      try {
        window.pb_event({ id: 'quorlin', type: 'transparent_region', value: JSON.stringify(region) });
      } catch (e) {
        console.warn('[transparent] region:', e);
      }
    };

    var full = function () { window._qlComputeTransparentRegion(false); };
    document.addEventListener('DOMContentLoaded', function () {
      requestAnimationFrame(full);
      [400, 1200, 2500].forEach(function (ms) { setTimeout(full, ms); });
    });
    window.addEventListener('load', full);
    var settle = 0;
    window.addEventListener('resize', function () {
      window._qlComputeTransparentRegion(true);
      clearTimeout(settle);
      settle = setTimeout(full, 500);
    });
  })();
};

registerExportBlock('transparent', function () { return _qlFunctionBody(_QL_EXPORT_RT_TRANSPARENT); });
