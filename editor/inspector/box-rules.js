// Inspector controls whose write goes beyond plain binding: the exported-event boxes, the page-mode
// box with its page name, and the floating box. Each shows its record field (renderProperties fills
// them) and writes it here, one undo step per change.
// Provides: toggleFloating, togglePageMode, setPageName, setEventFlag, _inspEventsOfType, _inspEventFlag,
//   _inspInstallBoxRules
// Needs: _INSP_MOUSE_EVENTS, _INSP_TYPE_EVENTS, _inspBeginSession, _inspSelectedRecords, _inspWriteSelected,
//   _qlCallIfDefined, activatePageMode, deactivatePageMode, INSPECTOR_EVENT_BOXES, makeElementFloating,
//   renderPageModeButtons, saveHistoryState
// Calls: _EVENT_FLAG, _syncElementFlowNodeOutputs, renderCanvas, renderComponentTree, renderProperties,
//   supportedEventsForType

function _inspEventsOfType(type) {
  if (typeof supportedEventsForType === 'function') return supportedEventsForType(type) || [];
  return (_INSP_TYPE_EVENTS[type] || []).concat(_INSP_MOUSE_EVENTS);
}

function _inspEventFlag(event, fallback) {
  const table = typeof _EVENT_FLAG !== 'undefined' && _EVENT_FLAG ? _EVENT_FLAG : null;
  return table && table[event] ? table[event] : fallback;
}

// An event box: its flag on every selected element, and each element's flow node follows. The
// panel is not rebuilt: the box already shows the new state.
function setEventFlag(boxId, on) {
  const row = INSPECTOR_EVENT_BOXES.find(function (r) { return r[0] === boxId; });
  if (!row) return;
  if (!_inspWriteSelected(_inspEventFlag(row[1], row[2]), !!on, null)) return;
  if (typeof _syncElementFlowNodeOutputs === 'function') _inspSelectedRecords().forEach(_syncElementFlowNodeOutputs);
}

// The page-mode box: a page is visible and gets a page id; leaving page mode drops it.
function togglePageMode(on) {
  const records = _inspSelectedRecords().filter(function (el) { return el.type === 'container' || el.type === 'nineslice'; });
  if (!records.length) return;
  saveHistoryState();
  records.forEach(function (el) {
    if (on) activatePageMode(el);
    else deactivatePageMode(el);
  });
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
  _qlCallIfDefined('renderComponentTree');
}

// The page name field (one page selected): every keystroke stores the trimmed name; a blank name is
// not stored, and leaving the field shows the page's name again.
function setPageName(field) {
  const records = _inspSelectedRecords();
  if (records.length !== 1 || records[0].pageMode !== true) return;
  const name = String(field.value ?? '').trim();
  if (!name) return;
  _inspWriteSelected('pageId', name, field);
  renderPageModeButtons();
}

// Ticking keeps the element where it is drawn: its offset inside its positioned parent becomes its
// top and left. Unticking puts it back into the flow of its parent.
function toggleFloating(on) {
  const records = _inspSelectedRecords();
  if (!records.length) return;
  saveHistoryState();
  records.forEach(function (el) {
    if (!on) {
      el.floating = false;
      return;
    }
    const wrapper = document.getElementById('wrap-' + el.id);
    if (wrapper && wrapper.offsetParent) {
      el.floatTop = Math.round(wrapper.offsetTop) + 'px';
      el.floatLeft = Math.round(wrapper.offsetLeft) + 'px';
    }
    makeElementFloating(el);
  });
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
}

function _inspInstallBoxRules() {
  INSPECTOR_EVENT_BOXES.forEach(function (row) {
    const box = document.getElementById(row[0]);
    if (box) box.addEventListener('change', function () { setEventFlag(row[0], box.checked); });
  });
  const floating = document.getElementById('input-floating');
  if (floating) floating.addEventListener('change', function () { toggleFloating(floating.checked); });
  const pageMode = document.getElementById('input-page-mode');
  if (pageMode) pageMode.addEventListener('change', function () { togglePageMode(pageMode.checked); });
  const pageName = document.getElementById('input-page-name');
  if (pageName) {
    pageName.addEventListener('focus', function () { _inspBeginSession(pageName); });
    pageName.addEventListener('input', function () { setPageName(pageName); });
    pageName.addEventListener('change', function () { _qlCallIfDefined('renderProperties'); });
  }
}
