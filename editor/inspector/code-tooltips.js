// Code tooltips of the inspector: when the pointer rests on a field for a second, a tooltip shows the
// call of the generated source module that changes the same property of the selected element while
// the program runs; Ctrl+C copies it while it shows. The calls come from PB_INSPECTOR_MAP, each placed
// on its control as data-pb-proc.
// Provides: initPBTooltips, PB_TOOLTIP_TIMING, _pbResolveTemplate
// Needs: PB_INSPECTOR_MAP, t
// Calls: _findElement, selectedIds

// Milliseconds: rest before showing, shown for, grace after leaving, copy feedback. Pixels: offset from
// the pointer and the margin kept from the window's edges.
var PB_TOOLTIP_TIMING = { showDelay: 1000, visibleFor: 3000, leaveDelay: 140, copiedFor: 1000, offset: 14, margin: 8 };

// The program's web view gadget in generated code.
var _PB_GADGET = '#MainGadget';

// The tooltip's state: the control hovered, the one shown for, the code shown, the timers, the pointer.
var _pbTip = null;

function _pbResolveTemplate(template, id) {
  return template.replace(/%(GADGET|ID_WRAPPER|ID_HEADER|ID)%/g, (m, name) => {
    if (name === 'GADGET') return _PB_GADGET;
    if (name === 'ID_WRAPPER') return id + '_wrapper';
    if (name === 'ID_HEADER') return id + ' .acc-header';
    return id;
  });
}

// The code for a control and the first selected element; '' when nothing is selected.
function _pbCodeFor(control) {
  const id = typeof selectedIds !== 'undefined' && selectedIds.length ? selectedIds[0] : null;
  if (!id) return '';
  let template = control.dataset.pbProc;
  // A drop-down's items are added by the select's own call.
  if (control.id === 'input-listItems' && typeof _findElement === 'function' && (_findElement(id) || {}).type === 'select')
    template = PB_INSPECTOR_MAP['input-listItems--select'];
  return _pbResolveTemplate(template, id);
}

function _pbClear(name) {
  if (_pbTip[name]) clearTimeout(_pbTip[name]);
  _pbTip[name] = 0;
}

function _pbPlace() {
  const box = _pbTip.box;
  const { offset, margin } = PB_TOOLTIP_TIMING;
  const width = box.offsetWidth;
  const height = box.offsetHeight;
  let x = _pbTip.x + offset;
  let y = _pbTip.y + offset;
  // Past the right or bottom edge it goes to the other side of the pointer.
  if (x + width > window.innerWidth - margin) x = _pbTip.x - offset - width;
  if (y + height > window.innerHeight - margin) y = _pbTip.y - offset - height;
  box.style.left = Math.max(margin, x) + 'px';
  box.style.top = Math.max(margin, y) + 'px';
}

function _pbShow(control) {
  _pbTip.showTimer = 0;
  const code = _pbCodeFor(control);
  if (!code) return;
  _pbTip.shownFor = control;
  _pbTip.code = code;
  _pbTip.header.textContent = t('inspector.tooltips.pbHeader');
  _pbTip.codeBox.textContent = code;
  _pbTip.box.classList.remove('pb-tooltip-copied');
  _pbTip.box.hidden = false;
  _pbPlace();
  _pbClear('autoHideTimer');
  _pbTip.autoHideTimer = setTimeout(_pbHide, PB_TOOLTIP_TIMING.visibleFor);
}

function _pbHide() {
  for (const name of ['showTimer', 'leaveTimer', 'autoHideTimer', 'copiedTimer']) _pbClear(name);
  _pbTip.box.hidden = true;
  _pbTip.box.classList.remove('pb-tooltip-copied');
  _pbTip.shownFor = null;
  _pbTip.code = '';
}

function _pbControlAt(node) {
  return node && node.nodeType === 1 ? node.closest('[data-pb-proc]') : null;
}

function _pbOnOver(e) {
  const control = _pbControlAt(e.target);
  if (!control) return;
  _pbClear('leaveTimer');
  // Moving among the parts of the control already hovered starts nothing anew.
  if (control === _pbTip.hovered) return;
  _pbTip.hovered = control;
  _pbTip.x = e.clientX;
  _pbTip.y = e.clientY;
  _pbClear('showTimer');
  _pbTip.showTimer = setTimeout(() => _pbShow(control), PB_TOOLTIP_TIMING.showDelay);
}

function _pbOnOut(e) {
  if (!_pbControlAt(e.target) || _pbControlAt(e.relatedTarget)) return;
  _pbTip.hovered = null;
  _pbClear('showTimer');
  _pbClear('leaveTimer');
  _pbTip.leaveTimer = setTimeout(_pbHide, PB_TOOLTIP_TIMING.leaveDelay);
}

// A press means the field is being worked with: the tooltip goes and stays away until the pointer
// enters a field anew.
function _pbOnPress() {
  _pbClear('showTimer');
  if (!_pbTip.box.hidden) _pbHide();
}

function _pbOnMove(e) {
  _pbTip.x = e.clientX;
  _pbTip.y = e.clientY;
  if (!_pbTip.box.hidden) _pbPlace();
}

// Text selected in a field keeps its own Ctrl+C.
function _pbFieldHasSelection() {
  const el = document.activeElement;
  if (!el) return false;
  if ((el.tagName === 'INPUT' || el.tagName === 'TEXTAREA') && typeof el.selectionStart === 'number')
    return el.selectionEnd > el.selectionStart;
  return el.isContentEditable && String(window.getSelection()) !== '';
}

function _pbCopyText(text) {
  const viaTextArea = () => {
    const area = document.createElement('textarea');
    area.value = text;
    area.setAttribute('readonly', '');
    area.style.cssText = 'position:fixed;left:-9999px;top:0;opacity:0';
    const before = document.activeElement;
    document.body.appendChild(area);
    area.focus();
    area.select();
    let done = false;
    try {
      done = document.execCommand('copy');
    } catch (err) {
      done = false;
    }
    area.remove();
    if (before && typeof before.focus === 'function') before.focus();
    return Promise.resolve(done);
  };
  const clipboard = navigator.clipboard;
  if (clipboard && typeof clipboard.writeText === 'function')
    return clipboard.writeText(text).then(() => true, viaTextArea);
  return viaTextArea();
}

function _pbOnKey(e) {
  if (_pbTip.box.hidden || !_pbTip.code) return;
  if (!(e.ctrlKey || e.metaKey) || e.altKey || e.shiftKey || (e.key || '').toLowerCase() !== 'c') return;
  if (_pbFieldHasSelection()) return;
  // The code is what is copied: not the selected components as well.
  e.preventDefault();
  e.stopImmediatePropagation();
  const shownFor = _pbTip.shownFor;
  _pbCopyText(_pbTip.code).then((done) => {
    if (!done || _pbTip.box.hidden || _pbTip.shownFor !== shownFor) return;
    _pbTip.header.textContent = t('inspector.tooltips.pbCopied');
    _pbTip.box.classList.add('pb-tooltip-copied');
    _pbClear('copiedTimer');
    _pbTip.copiedTimer = setTimeout(() => {
      _pbTip.copiedTimer = 0;
      _pbTip.box.classList.remove('pb-tooltip-copied');
      _pbTip.header.textContent = t('inspector.tooltips.pbHeader');
    }, PB_TOOLTIP_TIMING.copiedFor);
    // The confirmation is seen whole before the tooltip goes.
    _pbClear('autoHideTimer');
    _pbTip.autoHideTimer = setTimeout(_pbHide, PB_TOOLTIP_TIMING.copiedFor);
  });
}

function initPBTooltips() {
  if (_pbTip) return;
  for (const [id, template] of Object.entries(PB_INSPECTOR_MAP)) {
    const control = document.getElementById(id);
    if (control) control.dataset.pbProc = template;
  }
  const box = document.getElementById('pb-tooltip');
  box.hidden = true;
  _pbTip = { box, header: document.getElementById('pb-tooltip-hdr'), codeBox: document.getElementById('pb-tooltip-code'),
    hovered: null, shownFor: null, code: '', x: 0, y: 0, showTimer: 0, leaveTimer: 0, autoHideTimer: 0, copiedTimer: 0 };
  document.addEventListener('mouseover', _pbOnOver);
  document.addEventListener('mouseout', _pbOnOut);
  document.addEventListener('mousemove', _pbOnMove, { passive: true });
  document.addEventListener('mousedown', _pbOnPress, true);
  // Before the editor's own Ctrl+C, which would copy the selected components.
  window.addEventListener('keydown', _pbOnKey, true);
}
