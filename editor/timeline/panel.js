// The timeline panel at the bottom of the editor: opening and closing it (never together with the flow
// panel), its two splitters, and the toolbar: the animations (choose, add, rename, delete), duration,
// loop and auto-run, snapping and the canvas view modes. The tracks are drawn by tracks.js.
// Provides: toggleTimelineMode, _tlPanelOpen, _populateAnimationSelect, _syncTimelineToolbar, setActiveAnimation,
//   setActiveAnimationFromSelect, addAnimation, renameAnimation, deleteAnimation, setAnimationDuration,
//   setAnimationFlag, toggleTimelineSnap, toggleTlCanvasSolo, toggleTlCanvasMute, _tlConfirm, _tlDragPointer,
//   _tlInstallPanel, _TL_EASE_GROUPS
// Needs: animations, activeAnimationId, timelineState, _tlView, _tlSolo, _tlCanvasMode, _tlSnap, getActiveAnim,
//   _generateAnimId, _animationNameExists, _tlComputeCanvasHidden, _tlSelectedKfs, _tlSelectedTracks (model.js),
//   stopTimeline, playTimeline (playback.js), saveHistoryState, renderCanvas, showToast, t, escapeHtml,
//   _qlCallIfDefined, _qlDialogButton
// Calls: renderTimelineTracks, updatePlayheadUI, _syncValueField, _tlSyncEaseSelect, toggleFlowMode, _tlInstallTracks,
//   _tlInstallValueField, _tlReapply

// The easing drop-down: linear, the families with their variants, then step.
var _TL_EASE_GROUPS = [
  ['Quad', ['ease-in', 'ease-out', 'ease-in-out']],
  ['Sine', ['ease-in-sine', 'ease-out-sine', 'ease-in-out-sine']],
  ['Circ', ['ease-in-circ', 'ease-out-circ', 'ease-in-out-circ']],
  ['Cubic', ['ease-in-cubic', 'ease-out-cubic', 'ease-in-out-cubic']],
  ['Expo', ['ease-in-expo', 'ease-out-expo', 'ease-in-out-expo']],
  ['Back', ['ease-in-back', 'ease-out-back', 'ease-in-out-back']],
  ['Bounce', ['ease-in-bounce', 'ease-out-bounce']],
  ['Elastic', ['ease-in-elastic', 'ease-out-elastic']],
];

function _tlEl(id) {
  return document.getElementById(id);
}

function _tlPanelOpen() {
  const panel = _tlEl('timeline-panel');
  return !!(panel && !panel.hidden);
}

function _tlFlowPanelOpen() {
  const flow = _tlEl('flow-panel');
  return !!(flow && !flow.hidden && !flow.classList.contains('hidden'));
}

function toggleTimelineMode() {
  const panel = _tlEl('timeline-panel');
  const splitter = _tlEl('timeline-splitter');
  const button = _tlEl('btn-timeline');
  if (!panel) return;
  if (_tlPanelOpen()) {
    if (timelineState.playing) stopTimeline();
    panel.hidden = true;
    if (splitter) splitter.hidden = true;
    if (button) { button.classList.remove('active'); button.setAttribute('aria-pressed', 'false'); }
    return;
  }
  if (_tlFlowPanelOpen()) {
    if (typeof toggleFlowMode === 'function') toggleFlowMode();
    else _tlEl('flow-panel').hidden = true;
  }
  _tlInstallPanel();
  panel.style.height = Math.round(window.innerHeight * 0.2) + 'px';
  panel.style.setProperty('--tl-label-w', timelineState.labelWidth + 'px');
  panel.hidden = false;
  if (splitter) splitter.hidden = false;
  if (button) { button.classList.add('active'); button.setAttribute('aria-pressed', 'true'); }
  _tlView.zoom = 1;
  _tlView.scroll = 0;
  _populateAnimationSelect();
  _syncTimelineToolbar();
  _qlCallIfDefined('renderTimelineTracks');
  _qlCallIfDefined('updatePlayheadUI');
}

function _populateAnimationSelect() {
  const select = _tlEl('tl-anim-select');
  if (!select) return;
  const anim = getActiveAnim();
  select.innerHTML = animations.map(function (a) {
    return '<option value="' + escapeHtml(a.id) + '"' + (anim && a.id === anim.id ? ' selected' : '') + '>' + escapeHtml(a.name) + '</option>';
  }).join('');
}

function _tlSetPressed(id, on) {
  const b = _tlEl(id);
  if (!b) return;
  b.classList.toggle('active', !!on);
  b.setAttribute('aria-pressed', on ? 'true' : 'false');
}

function _syncTimelineToolbar() {
  const anim = getActiveAnim();
  const duration = _tlEl('tl-duration');
  if (duration && anim && document.activeElement !== duration) duration.value = String(anim.duration);
  const loop = _tlEl('tl-loop-chk');
  if (loop && anim) loop.checked = !!anim.loop;
  const autoRun = _tlEl('tl-autorun-chk');
  if (autoRun && anim) autoRun.checked = !!anim.autoRun;
  _tlSetPressed('tl-snap-btn', _tlSnap);
  _tlSetPressed('tl-canvas-solo', _tlCanvasMode === 'solo');
  _tlSetPressed('tl-canvas-mute', _tlCanvasMode === 'mute');
  const play = _tlEl('tl-play');
  if (play) {
    play.innerHTML = '<i class="ph ' + (timelineState.playing ? 'ph-pause' : 'ph-play') + '"></i>';
    play.classList.toggle('active', !!timelineState.playing);
  }
  const del = _tlEl('tl-anim-del');
  if (del) del.disabled = false;
  _qlCallIfDefined('_tlSyncEaseSelect');
}

// Makes an animation the active one: playback stops at 0, the view resets, the canvas view mode follows.
function setActiveAnimation(id) {
  if (!animations.some(function (a) { return a.id === id; })) return;
  if (timelineState.playing) stopTimeline();
  activeAnimationId = id;
  timelineState.t = 0;
  timelineState.paused = false;
  _tlView.zoom = 1;
  _tlView.scroll = 0;
  _tlSelectedKfs.length = 0;
  _tlSelectedKf = null;
  _tlSelectedTracks.length = 0;
  _populateAnimationSelect();
  _syncTimelineToolbar();
  _tlComputeCanvasHidden();
  stopTimeline();
  _qlCallIfDefined('renderTimelineTracks');
  _qlCallIfDefined('_syncValueField');
}

function setActiveAnimationFromSelect(id) {
  const anim = getActiveAnim();
  if (anim && anim.id === id) return;
  saveHistoryState();
  setActiveAnimation(id);
}

// ---- the inline name field ----

var _tlNameEdit = null;

function _tlOpenNameField(mode) {
  const field = _tlEl('tl-anim-edit');
  const select = _tlEl('tl-anim-select');
  if (!field) return;
  _tlInstallPanel();
  const anim = getActiveAnim();
  _tlNameEdit = { mode: mode, id: anim ? anim.id : null };
  field.value = mode === 'rename' && anim ? anim.name : '';
  field.hidden = false;
  if (select) select.hidden = true;
  field.focus();
  field.select();
}

function _tlCloseNameField() {
  const field = _tlEl('tl-anim-edit');
  const select = _tlEl('tl-anim-select');
  _tlNameEdit = null;
  if (field) field.hidden = true;
  if (select) select.hidden = false;
}

function _tlCommitNameField() {
  const edit = _tlNameEdit;
  const field = _tlEl('tl-anim-edit');
  if (!edit || !field) return;
  const name = field.value.trim();
  _tlCloseNameField();
  if (!name) return;
  if (_animationNameExists(name, edit.mode === 'rename' ? edit.id : null)) {
    showToast(t('timeline.anim.nameExists'), 'warning');
    return;
  }
  saveHistoryState();
  if (edit.mode === 'add') {
    const anim = { id: _generateAnimId(), name: name, duration: 2.0, loop: true, autoRun: true, tracks: {}, muted: {} };
    animations.push(anim);
    setActiveAnimation(anim.id);
  } else {
    const anim = animations.find(function (a) { return a.id === edit.id; });
    if (anim) anim.name = name;
    _populateAnimationSelect();
  }
}

function addAnimation() {
  _tlOpenNameField('add');
}

function renameAnimation() {
  _tlOpenNameField('rename');
}

// A small yes/no popup beside `anchor`; `onYes` runs on yes. Escape or a click elsewhere says no.
function _tlConfirm(anchor, text, onYes) {
  const old = _tlEl('tl-confirm');
  if (old) old.remove();
  const box = document.createElement('div');
  box.id = 'tl-confirm';
  box.className = 'tl-confirm';
  box.setAttribute('role', 'alertdialog');
  const p = document.createElement('div');
  p.className = 'tl-confirm-text';
  p.textContent = text;
  const row = document.createElement('div');
  row.className = 'tl-confirm-buttons';
  const no = _qlDialogButton(t('timeline.confirmNo'), 'tl-btn', 'tl-confirm-no');
  const yes = _qlDialogButton(t('timeline.confirmYes'), 'tl-btn tl-btn-danger', 'tl-confirm-yes');
  row.append(no, yes);
  box.append(p, row);
  document.body.appendChild(box);
  const r = anchor ? anchor.getBoundingClientRect() : { left: 20, bottom: 20 };
  box.style.left = Math.max(4, Math.min(window.innerWidth - 240, r.left)) + 'px';
  box.style.top = Math.max(4, r.top - 8) + 'px';
  box.style.transform = 'translateY(-100%)';
  const close = function () {
    box.remove();
    document.removeEventListener('pointerdown', outside, true);
    document.removeEventListener('keydown', onKey, true);
  };
  const outside = function (e) { if (!box.contains(e.target)) close(); };
  const onKey = function (e) {
    if (e.key === 'Escape') { e.preventDefault(); e.stopPropagation(); close(); }
  };
  no.addEventListener('click', close);
  yes.addEventListener('click', function () { close(); onYes(); });
  document.addEventListener('pointerdown', outside, true);
  document.addEventListener('keydown', onKey, true);
  yes.focus();
  return box;
}

function deleteAnimation() {
  const anim = getActiveAnim();
  if (!anim) return;
  if (animations.length <= 1) {
    showToast(t('timeline.anim.deleteLast'), 'warning');
    return;
  }
  _tlConfirm(_tlEl('tl-anim-del'), t('timeline.anim.deleteConfirm', { name: anim.name }), function () {
    const at = animations.indexOf(anim);
    if (at === -1 || animations.length <= 1) return;
    saveHistoryState();
    animations.splice(at, 1);
    delete _tlSolo[anim.id];
    setActiveAnimation(animations[0].id);
  });
}

function setAnimationDuration(value) {
  const anim = getActiveAnim();
  if (!anim) return;
  const n = parseFloat(value);
  const duration = Math.max(0.1, Number.isFinite(n) ? n : 2.0);
  saveHistoryState();
  anim.duration = duration;
  _syncTimelineToolbar();
  _qlCallIfDefined('renderTimelineTracks');
  _qlCallIfDefined('updatePlayheadUI');
}

function setAnimationFlag(flag, on) {
  const anim = getActiveAnim();
  if (!anim || (flag !== 'loop' && flag !== 'autoRun')) return;
  saveHistoryState();
  anim[flag] = !!on;
  _syncTimelineToolbar();
}

function toggleTimelineSnap() {
  _tlSnap = !_tlSnap;
  _syncTimelineToolbar();
}

function _tlSetCanvasMode(mode) {
  _tlCanvasMode = _tlCanvasMode === mode ? null : mode;
  _tlComputeCanvasHidden();
  _syncTimelineToolbar();
  renderCanvas();
  _qlCallIfDefined('_tlReapply');
}

function toggleTlCanvasSolo() {
  _tlSetCanvasMode('solo');
}

function toggleTlCanvasMute() {
  _tlSetCanvasMode('mute');
}

// ---- splitters and toolbar scrolling ----

// A drag followed through pointer events (a press whose default is prevented sends no mouse events, so
// the shell's mouse-based drag cannot follow it).
function _tlDragPointer(e, onMove, onEnd) {
  const move = function (ev) { onMove(ev); };
  const up = function (ev) {
    document.removeEventListener('pointermove', move, true);
    document.removeEventListener('pointerup', up, true);
    document.removeEventListener('pointercancel', up, true);
    document.body.classList.remove('ql-dragging');
    if (onEnd) onEnd(ev);
  };
  document.addEventListener('pointermove', move, true);
  document.addEventListener('pointerup', up, true);
  document.addEventListener('pointercancel', up, true);
  document.body.classList.add('ql-dragging');
}

function _tlInstallSplitters() {
  const panel = _tlEl('timeline-panel');
  const splitter = _tlEl('timeline-splitter');
  if (splitter) {
    splitter.addEventListener('pointerdown', function (e) {
      e.preventDefault();
      const startY = e.clientY;
      const startH = panel.getBoundingClientRect().height;
      _tlDragPointer(e, function (ev) {
        const h = Math.min(window.innerHeight * 0.85, Math.max(80, startH + (startY - ev.clientY)));
        panel.style.height = Math.round(h) + 'px';
      }, function () { _qlCallIfDefined('renderTimelineTracks'); });
    });
  }
  const col = _tlEl('tl-col-splitter');
  if (col) {
    col.addEventListener('pointerdown', function (e) {
      e.preventDefault();
      e.stopPropagation();
      const startX = e.clientX;
      const startW = timelineState.labelWidth;
      const panelW = panel.getBoundingClientRect().width;
      _tlDragPointer(e, function (ev) {
        timelineState.labelWidth = Math.round(Math.min(panelW * 0.7, Math.max(100, startW + ev.clientX - startX)));
        panel.style.setProperty('--tl-label-w', timelineState.labelWidth + 'px');
      }, function () { _qlCallIfDefined('renderTimelineTracks'); });
    });
  }
}

// The toolbar scrolls sideways with the wheel (eased) and by dragging its empty space; a drag of more than
// 3 px swallows the click that follows.
function _tlInstallToolbarScroll() {
  const bar = _tlEl('timeline-toolbar');
  if (!bar) return;
  let target = 0;
  let frame = 0;
  const stepTowards = function () {
    frame = 0;
    const d = target - bar.scrollLeft;
    if (Math.abs(d) < 0.5) { bar.scrollLeft = target; return; }
    bar.scrollLeft += d * 0.25;
    frame = requestAnimationFrame(stepTowards);
  };
  bar.addEventListener('wheel', function (e) {
    const delta = e.deltaY || e.deltaX;
    if (!delta) return;
    e.preventDefault();
    const max = bar.scrollWidth - bar.clientWidth;
    target = Math.min(max, Math.max(0, (frame ? target : bar.scrollLeft) + delta * 0.4));
    if (!frame) frame = requestAnimationFrame(stepTowards);
  }, { passive: false });
  bar.addEventListener('pointerdown', function (e) {
    if (e.target !== bar || e.button !== 0) return;
    const startX = e.clientX;
    const startScroll = bar.scrollLeft;
    let moved = false;
    _tlDragPointer(e, function (ev) {
      if (Math.abs(ev.clientX - startX) > 3) moved = true;
      if (moved) bar.scrollLeft = startScroll - (ev.clientX - startX);
    }, function () {
      if (!moved) return;
      const swallow = function (ev) { ev.stopPropagation(); ev.preventDefault(); };
      bar.addEventListener('click', swallow, { capture: true, once: true });
      setTimeout(function () { bar.removeEventListener('click', swallow, true); }, 0);
    });
  });
}

function _tlInstallNameField() {
  const field = _tlEl('tl-anim-edit');
  if (!field) return;
  field.addEventListener('keydown', function (e) {
    if (e.key === 'Enter') { e.preventDefault(); _tlCommitNameField(); }
    else if (e.key === 'Escape') { e.preventDefault(); e.stopPropagation(); _tlCloseNameField(); }
  });
  field.addEventListener('blur', function () { if (_tlNameEdit) _tlCommitNameField(); });
}

function _tlFillEaseSelect() {
  const select = _tlEl('tl-ease');
  if (!select || select.options.length) return;
  const opt = function (value, label) { return '<option value="' + value + '">' + escapeHtml(label) + '</option>'; };
  select.innerHTML = '<option value="" hidden>— mixed —</option>' + opt('linear', 'linear') +
    _TL_EASE_GROUPS.map(function (g) {
      return '<optgroup label="' + g[0] + '">' + g[1].map(function (n) { return opt(n, n); }).join('') + '</optgroup>';
    }).join('') + opt('step', 'step (hold)');
}

var _tlPanelInstalled = false;

// Listeners of the panel's fixed markup, installed once.
function _tlInstallPanel() {
  if (_tlPanelInstalled || !_tlEl('timeline-panel')) return;
  _tlPanelInstalled = true;
  _tlFillEaseSelect();
  _tlInstallSplitters();
  _tlInstallToolbarScroll();
  _tlInstallNameField();
  _qlCallIfDefined('_tlInstallTracks');
  _qlCallIfDefined('_tlInstallValueField');
}
