// The project's thumbnail: a picture of the design canvas at a quarter of its size, sent to the host as
// save_thumbnail after a save. It is taken while the editor is idle, never as part of the save, and it
// is painted from the design's live layout a slice of nodes at a time, with the editor idle again
// before each slice, so input never waits for more than one slice. (A capture through a copy of the
// page took 30 ms per container of a design on the page's only thread, seconds for a large design,
// with several hundred milliseconds of it in one piece whatever was left out.)
// Designs with a drawing canvas are painted at run time and would capture blank: they get none.
// Provides: _qlScheduleThumbnail, _qlThumbnailPending, QL_THUMBNAIL_QUIET_MS, QL_THUMBNAIL_SLICE_MS
// Needs: _qlEditCount, _qlSendToHost, currentProjectName, elements

// Input counts as recent for this long; a slice starts only after it.
var QL_THUMBNAIL_QUIET_MS = 1000;
// The time one slice of painting takes at most (a node started is finished).
var QL_THUMBNAIL_SLICE_MS = 30;
var _QL_THUMBNAIL_SCALE = 0.25;
var _QL_THUMBNAIL_BACKGROUND = '#0f172a';

// The project whose thumbnail is still to be taken, or ''.
var _qlThumbnailPending = '';
var _qlThumbnailRunning = false;
var _qlLastInputAt = 0;

(function () {
  const note = function () { _qlLastInputAt = Date.now(); };
  ['pointerdown', 'pointermove', 'keydown', 'wheel'].forEach(function (type) {
    document.addEventListener(type, note, { capture: true, passive: true });
  });
})();

// Resolves once no input has come for QL_THUMBNAIL_QUIET_MS and the page has a free moment.
function _qlWhenIdle() {
  return new Promise(function (resolve) {
    const check = function () {
      const wait = _qlLastInputAt + QL_THUMBNAIL_QUIET_MS - Date.now();
      if (wait > 0) {
        setTimeout(check, wait);
        return;
      }
      // Input that arrives while the free moment is awaited starts the wait over.
      const seen = _qlLastInputAt;
      const go = function () { if (_qlLastInputAt !== seen) check(); else resolve(); };
      if (typeof window.requestIdleCallback === 'function') window.requestIdleCallback(go, { timeout: 1000 });
      else setTimeout(go, 0);
    };
    check();
  });
}

// Asks for the open project's thumbnail; a later save while one is waiting asks only once.
function _qlScheduleThumbnail(name) {
  if (!name) return;
  _qlThumbnailPending = name;
  if (!_qlThumbnailRunning) _qlThumbnailLoop();
}

async function _qlThumbnailLoop() {
  _qlThumbnailRunning = true;
  try {
    while (_qlThumbnailPending) {
      await _qlWhenIdle();
      const name = _qlThumbnailPending;
      if (name !== currentProjectName) {
        _qlThumbnailPending = '';
        break;
      }
      const edits = _qlEditCount();
      const picture = await _qlCaptureDesign(function () { return _qlEditCount() !== edits || _qlThumbnailPending !== name; });
      // A design changed during the capture is captured again at the next idle moment.
      if (picture === null) continue;
      if (_qlThumbnailPending === name) _qlThumbnailPending = '';
      if (picture) _qlSendToHost('save_thumbnail', name + '|' + picture.slice(picture.indexOf(',') + 1));
    }
  } catch (e) {
    console.warn('[project] thumbnail:', e);
    _qlThumbnailPending = '';
  } finally {
    _qlThumbnailRunning = false;
  }
}

// Paints one node of the design from its live layout: its background and border, an image, an icon
// drawn by its font, the text of its text children, a field's value. Gradients, shadows, transforms
// and clipping are left out: at a quarter of the size they hardly show.
function _qlPaintNode(context, node, origin) {
  const style = getComputedStyle(node);
  if (style.display === 'none' || style.visibility !== 'visible') return;
  const box = node.getBoundingClientRect();
  if (box.width <= 0 || box.height <= 0) return;
  const x = box.left - origin.left;
  const y = box.top - origin.top;
  context.globalAlpha = Math.max(0, Math.min(1, parseFloat(style.opacity) || 0));
  if (!context.globalAlpha) return;
  const radius = Math.min(parseFloat(style.borderTopLeftRadius) || 0, box.width / 2, box.height / 2);
  const shape = function () {
    context.beginPath();
    if (radius > 0 && context.roundRect) context.roundRect(x, y, box.width, box.height, radius);
    else context.rect(x, y, box.width, box.height);
  };
  if (_qlVisibleColour(style.backgroundColor)) {
    context.fillStyle = style.backgroundColor;
    shape();
    context.fill();
  }
  _qlPaintBorder(context, style, x, y, box, shape);
  if (node.tagName === 'IMG' && node.complete && node.naturalWidth) _qlPaintImage(context, node, style, x, y, box);
  context.fillStyle = style.color;
  context.textBaseline = 'middle';
  const icon = getComputedStyle(node, '::before');
  const glyph = /^["'](.+)["']$/.exec(icon.content || '');
  if (glyph && icon.fontFamily) {
    context.font = icon.fontWeight + ' ' + icon.fontSize + ' ' + icon.fontFamily;
    context.textAlign = 'center';
    context.fillText(glyph[1], x + box.width / 2, y + box.height / 2);
  }
  context.textAlign = 'left';
  context.font = style.fontStyle + ' ' + style.fontWeight + ' ' + style.fontSize + ' ' + style.fontFamily;
  if ((node.tagName === 'INPUT' && !/^(checkbox|radio|range|color|file|hidden)$/i.test(node.type)) || node.tagName === 'TEXTAREA') {
    const text = node.value || node.placeholder || '';
    if (text) context.fillText(text, x + (parseFloat(style.paddingLeft) || 0), y + Math.min(box.height, parseFloat(style.fontSize) * 1.5) / 2, box.width);
    return;
  }
  for (let child = node.firstChild; child; child = child.nextSibling) {
    if (child.nodeType === 3 && child.nodeValue.trim()) _qlPaintText(context, child, origin);
  }
}

// One stroke when the four sides are alike (rounded corners kept), else each side as a bar.
function _qlPaintBorder(context, style, x, y, box, shape) {
  const sides = ['Top', 'Right', 'Bottom', 'Left'].map(function (side) {
    const width = parseFloat(style['border' + side + 'Width']) || 0;
    const colour = style['border' + side + 'Color'];
    return { width: width, colour: colour, shown: width > 0 && style['border' + side + 'Style'] !== 'none' && _qlVisibleColour(colour) };
  });
  if (sides.every(function (s) { return s.shown === sides[0].shown && s.width === sides[0].width && s.colour === sides[0].colour; })) {
    if (!sides[0].shown) return;
    context.strokeStyle = sides[0].colour;
    context.lineWidth = sides[0].width;
    shape();
    context.stroke();
    return;
  }
  const bars = [[x, y, box.width, sides[0].width], [x + box.width - sides[1].width, y, sides[1].width, box.height],
    [x, y + box.height - sides[2].width, box.width, sides[2].width], [x, y, sides[3].width, box.height]];
  sides.forEach(function (side, i) {
    if (!side.shown) return;
    context.fillStyle = side.colour;
    context.fillRect(bars[i][0], bars[i][1], bars[i][2], bars[i][3]);
  });
}

// An image as its object-fit shows it (cover crops, contain leaves room, anything else stretches).
function _qlPaintImage(context, img, style, x, y, box) {
  const iw = img.naturalWidth;
  const ih = img.naturalHeight;
  try {
    if (style.objectFit === 'cover' || style.objectFit === 'contain') {
      const scale = style.objectFit === 'cover' ? Math.max(box.width / iw, box.height / ih) : Math.min(box.width / iw, box.height / ih);
      const w = iw * scale;
      const h = ih * scale;
      context.save();
      context.beginPath();
      context.rect(x, y, box.width, box.height);
      context.clip();
      context.drawImage(img, x + (box.width - w) / 2, y + (box.height - h) / 2, w, h);
      context.restore();
    } else {
      context.drawImage(img, x, y, box.width, box.height);
    }
  } catch (e) { /* an image that cannot be drawn */ }
}

// A text node, word by word into the line boxes the browser laid it out in.
function _qlPaintText(context, text, origin) {
  const range = document.createRange();
  range.selectNodeContents(text);
  const lines = Array.prototype.filter.call(range.getClientRects(), function (r) { return r.width > 0; });
  const words = text.nodeValue.trim().split(/\s+/);
  let w = 0;
  lines.forEach(function (line) {
    let shown = '';
    while (w < words.length) {
      const next = shown ? shown + ' ' + words[w] : words[w];
      if (shown && context.measureText(next).width > line.width + 1) break;
      shown = next;
      w++;
    }
    if (shown) context.fillText(shown, line.left - origin.left, line.top - origin.top + line.height / 2, line.width + 1);
  });
}

function _qlVisibleColour(colour) {
  return Boolean(colour) && colour !== 'transparent' && !/^rgba\(.*,\s*0\)$/.test(colour);
}

// The design as a PNG data URL, painted in slices of about QL_THUMBNAIL_SLICE_MS with the editor
// idle before each; '' when there is nothing to capture; null when `changed` says the design changed
// between two slices (the layout read so far no longer holds).
async function _qlCaptureDesign(changed) {
  if (elements.some(function (el) { return el && el.type === 'canvas'; })) return '';
  const target = document.getElementById('canvas-content');
  if (!target || !target.offsetWidth || !target.offsetHeight) return '';
  const out = document.createElement('canvas');
  out.width = Math.max(1, Math.ceil(target.offsetWidth * _QL_THUMBNAIL_SCALE));
  out.height = Math.max(1, Math.ceil(target.offsetHeight * _QL_THUMBNAIL_SCALE));
  const context = out.getContext('2d');
  if (!context) return '';
  context.fillStyle = _QL_THUMBNAIL_BACKGROUND;
  context.fillRect(0, 0, out.width, out.height);
  context.scale(_QL_THUMBNAIL_SCALE, _QL_THUMBNAIL_SCALE);
  const nodes = [target].concat(Array.prototype.slice.call(target.querySelectorAll('*')));
  let origin = target.getBoundingClientRect();
  for (let at = 0; at < nodes.length;) {
    if (at > 0) {
      await _qlWhenIdle();
      if (changed() || !target.isConnected) return null;
      origin = target.getBoundingClientRect();
    }
    const until = Date.now() + QL_THUMBNAIL_SLICE_MS;
    do {
      _qlPaintNode(context, nodes[at], origin);
      at++;
    } while (at < nodes.length && Date.now() < until);
  }
  return out.toDataURL('image/png');
}
