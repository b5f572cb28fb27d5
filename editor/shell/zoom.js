// Page zoom controls of the canvas header: the indicator "zoom-value", the drop-down of fixed factors
// "zoom-dropdown", Ctrl + keypad keys and Ctrl + wheel. The host zooms the whole web view and reports the
// result through _onZoomChange; the page only asks and shows.
// Provides: currentZoom, ZOOM_MIN, ZOOM_MAX, ZOOM_STEP, QL_ZOOM_FACTORS, setZoomLevel, setZoomFactor,
//   updateZoomIndicator, buildZoomDropdown, installZoomListeners, _onZoomChange
// Needs: _qlSendToHost

var currentZoom = 1.0;
var ZOOM_MIN = 0.25;
var ZOOM_MAX = 3.0;
var ZOOM_STEP = 0.1;
var QL_ZOOM_FACTORS = [0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0, 2.5, 3.0];

function _qlZoomInRange(z) {
  return typeof z === 'number' && Number.isFinite(z) && z >= ZOOM_MIN && z <= ZOOM_MAX;
}

function updateZoomIndicator() {
  const out = document.getElementById('zoom-value');
  if (out) out.textContent = Math.round(currentZoom * 100) + '%';
  for (const item of document.querySelectorAll('#zoom-dropdown .zoom-option')) {
    item.classList.toggle('active', Math.abs(Number(item.dataset.zoom) - currentZoom) < 0.001);
  }
}

function _qlApplyZoom(z) {
  currentZoom = Math.round(Math.min(ZOOM_MAX, Math.max(ZOOM_MIN, z)) * 100) / 100;
  _qlSendToHost('zoom', currentZoom.toFixed(2), true);
  updateZoomIndicator();
}

function setZoomLevel(delta, reset = false) {
  _qlApplyZoom(reset ? 1.0 : currentZoom + Number(delta || 0));
}

function setZoomFactor(factor) {
  _qlApplyZoom(Number(factor));
  _qlZoomDropdown(false);
}

// The host's report of the web view's zoom; values outside the page's range are not ours to show.
function _onZoomChange(zoom) {
  const z = typeof zoom === 'number' ? zoom : parseFloat(zoom);
  if (!_qlZoomInRange(z)) return;
  currentZoom = z;
  updateZoomIndicator();
}

function buildZoomDropdown() {
  const list = document.getElementById('zoom-dropdown');
  if (!list) return;
  list.textContent = '';
  for (const factor of QL_ZOOM_FACTORS) {
    const item = document.createElement('button');
    item.type = 'button';
    item.className = 'zoom-option';
    item.dataset.zoom = factor.toFixed(2);
    item.textContent = Math.round(factor * 100) + '%';
    item.addEventListener('click', (e) => {
      e.stopPropagation();
      setZoomFactor(factor);
    });
    list.appendChild(item);
  }
  updateZoomIndicator();
}

// The list is placed fixed under the control, so the header strip's overflow cannot clip it.
function _qlZoomDropdown(open) {
  const box = document.getElementById('zoom-container');
  const list = document.getElementById('zoom-dropdown');
  if (!box || !list) return;
  if (open) {
    const r = box.getBoundingClientRect();
    list.style.position = 'fixed';
    list.style.left = Math.round(r.left) + 'px';
    list.style.top = Math.round(r.bottom) + 'px';
    list.hidden = false;
  } else {
    list.hidden = true;
  }
}

var _qlZoomListenersInstalled = false;

function installZoomListeners() {
  if (_qlZoomListenersInstalled) return;
  _qlZoomListenersInstalled = true;
  const box = document.getElementById('zoom-container');
  if (box) {
    box.addEventListener('mouseenter', () => _qlZoomDropdown(true));
    box.addEventListener('mouseleave', () => _qlZoomDropdown(false));
  }
  document.addEventListener('keydown', (e) => {
    if (!e.ctrlKey) return;
    if (e.code === 'NumpadAdd') {
      e.preventDefault();
      setZoomLevel(ZOOM_STEP);
    } else if (e.code === 'NumpadSubtract') {
      e.preventDefault();
      setZoomLevel(-ZOOM_STEP);
    } else if (e.code === 'Digit0' || e.code === 'Numpad0' || e.key === '0') {
      e.preventDefault();
      setZoomLevel(0, true);
    }
    _qlSendToHost('get_zoom', '', true);
  });
  // The web view zooms itself on Ctrl + wheel; the page asks for the result. Ctrl + Shift belongs to the timeline.
  document.addEventListener('wheel', (e) => {
    if (e.ctrlKey && !e.shiftKey) _qlSendToHost('get_zoom', '', true);
  }, { passive: true });
}
