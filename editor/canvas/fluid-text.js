// Fluid text: an element with a fluid font size has no size of its own; its text takes the largest size that
// fits its box both ways (capped at a share of the box's shorter side), and is fitted again whenever the box
// changes size. One resize observer serves every fluid text of the canvas; a design with many of them is
// fitted ten at a time between timer ticks, so the page never waits long for it.
// Provides: fitAllFluidText, _fitFluidTextEl, _fluidRO
// Needs: applyTextOffsets

var _fluidRO = null;
// Counts the fitting passes: a pass whose design has been drawn again since stops between its chunks.
var _fluidPass = 0;

function _fluidPadding(style, a, b) {
  return (parseFloat(style[a]) || 0) + (parseFloat(style[b]) || 0);
}

function _fluidButtonLike(box, node) {
  return box.nodeName === 'BUTTON' || node.nodeName === 'BUTTON' || !!node.closest('button') || node.classList.contains('tb-inner');
}

// Fits one text (a node marked data-fluid-fs) to its parent's content box; returns the size in px.
function _fitFluidTextEl(node) {
  const box = node && node.parentElement;
  if (!box) return 0;
  const bs = getComputedStyle(box);
  const cw = box.clientWidth - _fluidPadding(bs, 'paddingLeft', 'paddingRight');
  const ch = box.clientHeight - _fluidPadding(bs, 'paddingTop', 'paddingBottom');
  box._qlFitSize = cw + 'x' + ch;
  if (cw <= 0 || ch <= 0) {
    node.style.fontSize = '1px';
    return 1;
  }
  let factor = parseFloat(node.getAttribute('data-fluid-factor'));
  if (!(factor > 0)) factor = 100;
  const cap = Math.min(cw, ch) * factor / 100;
  const buttonLike = _fluidButtonLike(box, node);
  const kept = {};
  const keep = ['width', 'maxWidth', 'flex', 'flexShrink', 'flexGrow', 'flexBasis', 'whiteSpace'];
  keep.forEach(function (k) { kept[k] = node.style[k]; });
  if (buttonLike) {
    // Measured at its natural width (its padding and border included), not squeezed by its box.
    node.style.width = 'max-content';
    node.style.maxWidth = 'none';
    node.style.flex = '0 0 auto';
  }
  node.style.whiteSpace = 'nowrap';
  let lo = 1;
  let hi = Math.max(2, Math.min(cap, Math.max(cw, ch) * 2));
  let best = 1;
  for (let step = 0; step < 20 && hi - lo >= 0.5; step++) {
    const mid = (lo + hi) / 2;
    node.style.fontSize = mid + 'px';
    const w = buttonLike ? Math.max(node.offsetWidth, node.scrollWidth) : node.scrollWidth;
    const h = buttonLike ? Math.max(node.offsetHeight, node.scrollHeight) : node.scrollHeight;
    if (w <= cw + 0.5 && h <= ch + 0.5) { best = mid; lo = mid; } else { hi = mid; }
  }
  keep.forEach(function (k) { node.style[k] = kept[k]; });
  node.style.fontSize = best + 'px';
  return best;
}

// Fits every fluid text of the canvas, then places the texts that stand beside an icon.
function fitAllFluidText() {
  const pass = ++_fluidPass;
  const content = document.getElementById('canvas-content') || document;
  const nodes = Array.prototype.slice.call(content.querySelectorAll('[data-fluid-fs="1"]'));
  if (!nodes.length) {
    applyTextOffsets(content);
    return;
  }
  if (_fluidRO) _fluidRO.disconnect();
  _fluidRO = typeof ResizeObserver === 'function' ? new ResizeObserver(function (entries) {
    let fitted = false;
    entries.forEach(function (entry) {
      const box = entry.target;
      const text = box.querySelector('[data-fluid-fs="1"]');
      if (!text) return;
      // The observer also reports each box once when it starts watching it: a box fitted at its size
      // is not measured again.
      const s = getComputedStyle(box);
      const size = (box.clientWidth - _fluidPadding(s, 'paddingLeft', 'paddingRight')) + 'x' +
        (box.clientHeight - _fluidPadding(s, 'paddingTop', 'paddingBottom'));
      if (box._qlFitSize === size) return;
      _fitFluidTextEl(text);
      fitted = true;
    });
    if (fitted) applyTextOffsets(content);
  }) : null;
  const observer = _fluidRO;
  let at = 0;
  (function chunk() {
    if (pass !== _fluidPass) return;
    nodes.slice(at, at + 10).forEach(function (node) {
      if (!node.isConnected) return;
      _fitFluidTextEl(node);
      if (observer && node.parentElement) observer.observe(node.parentElement);
    });
    at += 10;
    if (at < nodes.length) setTimeout(chunk, 0);
    else applyTextOffsets(content);
  })();
}
