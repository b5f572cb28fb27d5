// The preview: the design run as it will run, in the host's preview window (or, without a host, in a
// new browser tab). The page is the exported page of mode "pb" with the debug overlay, marked as a
// preview, pointed at the editor's own server and, when a project is open, extended with a one-time
// capture that becomes the project's thumbnail. While the preview is open the editor is dimmed.
// F5 previews too (the shortcut table, shell/shortcuts.js).
// Provides: previewProject, _previewPage, _previewThumbnailScript, _previewRequest, _showPreviewOverlay,
//   _hidePreviewOverlay, _pbPreviewClosed, PREVIEW_PB_ADDRESS
// Needs: buildExportHTML, canvasSettings, currentProjectName, elements, encodeUrl, showToast, t, timelineState
// Calls: _qlCallIfDefined, _qlHasHost, _qlHostFetch, _qlNotYet, _qlSendToHost, copySessionImagesToProject,
//   playTimeline

// The address "pb" pages give every server resource; the program showing the page puts its own there.
var PREVIEW_PB_ADDRESS = 'localhost:56789';
// The capture that becomes the thumbnail: its scale, and when it is taken.
var PREVIEW_THUMB_SCALE = 0.25;
var PREVIEW_THUMB_AFTER_READY_MS = 1200;
var PREVIEW_THUMB_LATEST_MS = 5000;
var PREVIEW_OVERLAY_ID = '_preview_overlay';
var PREVIEW_BLOB_LIFETIME_MS = 60000;

// JSON for a page's script element: "<" written as \u003c, so no text can end the element.
function _previewScriptJson(value) {
  return JSON.stringify(value).replace(/</g, '\\u003c');
}

function _previewRegExp(text) {
  return String(text).replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
}

// The script that captures the previewed design once and sends it as the project's thumbnail.
function _previewThumbnailScript(origin) {
  const capture = function (scale, afterReady, latest) {
    var sent = false;
    function capture() {
      if (sent) return;
      sent = true;
      try {
        var root = document.querySelector('main') || document.body;
        var background = getComputedStyle(document.body).backgroundColor;
        window.html2canvas(root, { useCORS: true, scale: scale, backgroundColor: background }).then(function (canvas) {
          var b64 = canvas.toDataURL('image/png').split(',')[1] || '';
          window.pb_event({ id: 'quorlin', type: 'save_thumbnail', value: window.__QUORLIN_THUMB_PROJECT__ + '|' + b64 });
          console.log('[thumb] sent ' + b64.length + ' b64 chars');
        }, function (e) { console.log('[thumb] capture failed:', e); });
      } catch (e) {
        console.log('[thumb] capture failed:', e);
      }
    }
    window.addEventListener('quorlin:page_ready', function () { setTimeout(capture, afterReady); });
    setTimeout(capture, latest);
  };
  return '<script src="' + origin + '/Internal_lib/html2canvas.min.js"></script>\n<script>(' + capture.toString() + ')(' +
    PREVIEW_THUMB_SCALE + ', ' + PREVIEW_THUMB_AFTER_READY_MS + ', ' + PREVIEW_THUMB_LATEST_MS + ');</script>\n';
}

// The preview page from an exported "pb" page. opts: {port, projectName ('' for none), media (path ->
// data URI of media picked in this run), thumbnail (add the capture)}.
function _previewPage(html, opts) {
  const port = String(opts.port || '');
  const origin = 'http://127.0.0.1:' + port;
  const name = String(opts.projectName || '');
  let page = String(html);

  // The mark comes first in the head, before any of the page's own scripts runs.
  const mark = '<script>window.__QUORLIN_PREVIEW__ = true; window.__QUORLIN_THUMB_PROJECT__ = ' +
    _previewScriptJson(name) + ';</script>';
  const head = /<head(\s[^>]*)?>/i.exec(page);
  page = head ? page.slice(0, head.index + head[0].length) + mark + page.slice(head.index + head[0].length) : mark + page;

  page = page.split(PREVIEW_PB_ADDRESS).join('127.0.0.1:' + port);
  page = page.replace(/url\((['"]?)(?:\.\/)?Fonts\//g, (m, quote) => 'url(' + quote + origin + '/Fonts/');

  // Media picked in this run may not be on disk yet: its address gives way to the data it holds. Only
  // the exact name matches (logo.png must not take the place of biglogo.png).
  for (const [path, uri] of Object.entries(opts.media || {})) {
    if (typeof uri !== 'string' || !uri.startsWith('data:')) continue;
    const file = String(path).split('/').pop();
    if (!file) continue;
    const names = new Set([file, encodeUrl(file), encodeURIComponent(file)]);
    for (const n of names) {
      const address = new RegExp(_previewRegExp(origin + '/images/') + '(?:[^"\'()\\s<>]*/)?' + _previewRegExp(n) + '(?=["\')])', 'g');
      page = page.replace(address, () => uri);
    }
  }

  if (opts.thumbnail && name) {
    const close = page.search(/<\/body>/i);
    const script = _previewThumbnailScript(origin);
    page = close >= 0 ? page.slice(0, close) + script + page.slice(close) : page + script;
  }
  return page;
}

// The preview command's value: the canvas's limits (0 when unset) and its size on screen (1024 x 768
// when it cannot be measured).
function _previewRequest() {
  const cs = canvasSettings || {};
  const limit = (v) => (Number(v) > 0 ? Math.round(Number(v)) : 0);
  const canvas = document.getElementById('canvas');
  const w = canvas ? Math.round(canvas.offsetWidth) : 0;
  const h = canvas ? Math.round(canvas.offsetHeight) : 0;
  return { minW: limit(cs.minW), minH: limit(cs.minH), maxW: limit(cs.maxW), maxH: limit(cs.maxH), w: w || 1024, h: h || 768 };
}

async function previewProject() {
  // The page the preview shows is the exported page; until the exporter is part of the editor there
  // is nothing to show.
  if (typeof window.buildExportHTML !== 'function') {
    _qlNotYet('pending.preview');
    return;
  }
  if (timelineState.playing) _qlCallIfDefined('playTimeline');   // a toggle: pauses
  if (!elements.length) {
    showToast(t('toast.canvasEmpty'), 'warning');
    return;
  }
  showToast(t('toast.generatingPreview'), 'info', 2000);
  const host = _qlHasHost();
  try {
    if (host && currentProjectName) await _qlCallIfDefined('copySessionImagesToProject');
    const html = await buildExportHTML('pb', null, true);
    const page = _previewPage(html, {
      port: location.port, projectName: currentProjectName, media: window._blobSrcMap || {}, thumbnail: host,
    });
    if (!host) {
      const url = URL.createObjectURL(new Blob([page], { type: 'text/html' }));
      window.open(url, '_blank');
      _showPreviewOverlay(false);
      setTimeout(() => URL.revokeObjectURL(url), PREVIEW_BLOB_LIFETIME_MS);
      return;
    }
    const answer = await _qlHostFetch('preview', {
      method: 'POST', headers: { 'Content-Type': 'text/html; charset=utf-8' }, body: page,
    });
    if (!answer.ok) throw new Error('the host answered ' + answer.status);
    _showPreviewOverlay(true);
    if (!_qlSendToHost('preview', JSON.stringify(_previewRequest()))) throw new Error('the host cannot be reached');
  } catch (e) {
    _hidePreviewOverlay();
    showToast(t('toast.previewError'), 'error');
    console.error('[preview] failed:', e);
  }
}

// Dims the editor while the preview is open. Without a host the browser tab cannot say when it
// closes: a click on the overlay takes it away.
function _showPreviewOverlay(isPb) {
  if (document.getElementById(PREVIEW_OVERLAY_ID)) return;
  const overlay = document.createElement('div');
  overlay.id = PREVIEW_OVERLAY_ID;
  overlay.className = 'ql-preview-overlay';
  if (!isPb) {
    overlay.title = t('inspector.tooltips.clickToClosePreview');
    overlay.classList.add('ql-preview-overlay-closable');
    overlay.addEventListener('mousedown', _hidePreviewOverlay);
  }
  document.body.appendChild(overlay);
  requestAnimationFrame(() => overlay.classList.add('ql-preview-overlay-shown'));
}

function _hidePreviewOverlay() {
  const overlay = document.getElementById(PREVIEW_OVERLAY_ID);
  if (!overlay) return;
  overlay.id = '';
  overlay.classList.remove('ql-preview-overlay-shown');
  setTimeout(() => overlay.remove(), 200);
}

// The host calls this when its preview window closes.
function _pbPreviewClosed() {
  _hidePreviewOverlay();
}
