// The timeline's keys, taken while the pointer is over its panel and before any other key handler (which
// then does not see the key): Space plays or pauses, Escape stops, Delete and Backspace delete keyframes,
// Left and Right step one frame, Ctrl+C and Ctrl+V copy and paste keyframes, K captures the inspector's
// last property. A text field inside the panel keeps its keys; a field focused elsewhere loses the focus.
// Provides: _tlPointerOver, _tlKeyRouter, _tlCaptureLastProp
// Needs: timelineState, getActiveAnim (model.js), playTimeline, stopTimeline, timelineFrameStep (playback.js),
//   _tlPanelOpen (panel.js), deleteSelectedKeyframe, copySelectedKeyframes, pasteKeyframes, _tlSetPlayhead
//   (keyframes.js), addKeyframeAtPlayhead, _tlLastPropOffered (capture.js), selectedIds, _findElement, showToast, t

var _tlPointerOver = false;

function _tlIsField(node) {
  if (!node || node.nodeType !== 1) return false;
  const tag = node.tagName;
  return tag === 'INPUT' || tag === 'TEXTAREA' || tag === 'SELECT' || node.isContentEditable === true;
}

// K: the inspector's last property at the playhead, as the popup's property button does.
function _tlCaptureLastProp() {
  const records = (Array.isArray(selectedIds) ? selectedIds : []).map(_findElement).filter(Boolean);
  if (!records.length) {
    showToast(t('timeline.oneElement'), 'warning');
    return;
  }
  const prop = _tlLastPropOffered(records);
  if (!prop) {
    showToast(t('timeline.selectAttr'), 'warning');
    return;
  }
  addKeyframeAtPlayhead(prop, true);
}

function _tlKeyAction(e) {
  const ctrl = e.ctrlKey || e.metaKey;
  const key = e.key || '';
  const lower = key.length === 1 ? key.toLowerCase() : key;
  if (ctrl && !e.altKey && lower === 'c') return copySelectedKeyframes;
  if (ctrl && !e.altKey && lower === 'v') return pasteKeyframes;
  if (ctrl || e.altKey) return null;
  if (key === ' ' || key === 'Spacebar') return playTimeline;
  if (key === 'Escape') {
    const popup = document.getElementById('tl-addkf-overlay');
    return popup && !popup.hidden ? null : stopTimeline;
  }
  if (key === 'Delete' || key === 'Backspace') return deleteSelectedKeyframe;
  if (key === 'ArrowLeft') return function () { _tlSetPlayhead(timelineState.t - timelineFrameStep()); };
  if (key === 'ArrowRight') return function () { _tlSetPlayhead(timelineState.t + timelineFrameStep()); };
  if (lower === 'k') return _tlCaptureLastProp;
  return null;
}

function _tlKeyRouter(e) {
  if (e.type !== 'keydown' || !_tlPointerOver || !_tlPanelOpen() || !getActiveAnim()) return;
  const panel = document.getElementById('timeline-panel');
  const focused = document.activeElement;
  if (_tlIsField(focused) && panel && panel.contains(focused)) return;
  const action = _tlKeyAction(e);
  if (!action) return;
  if (_tlIsField(focused) && focused.blur) focused.blur();
  e.preventDefault();
  e.stopImmediatePropagation();
  action();
}

// The window's capture phase runs before every listener of the document.
window.addEventListener('keydown', _tlKeyRouter, true);

// The panel's markup is a fragment that start-up inserts after this file has run, so the document, not
// the panel, follows the pointer in and out of it.
document.addEventListener('pointerover', function (e) {
  _tlPointerOver = !!(e.target && e.target.closest && e.target.closest('#timeline-panel'));
}, true);
document.addEventListener('pointerout', function (e) {
  if (!e.relatedTarget) _tlPointerOver = false;
}, true);
