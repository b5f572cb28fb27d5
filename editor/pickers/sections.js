// Folding the inspector's sections: a click on a section's heading folds or unfolds it (the body's height
// animates), and the folded sections are kept in local storage "quorlin_inspector_collapsed" (a JSON array
// of section ids), so they stay folded after a restart. Also the inspector's scroll shadows: a gradient at
// the top of the properties panel while it is scrolled down, one at the bottom while more lies below.
// Provides: collapsedInspectorSections, INSPECTOR_SECTION_ANIM_MS, toggleInspectorSection,
//   applyInspectorSectionStates, updateInspectorScrollShadows
// Needs: _qlReportFailure
// Calls: _qlOnStartup

var INSPECTOR_SECTION_ANIM_MS = 700;
var _INSPECTOR_COLLAPSED_KEY = 'quorlin_inspector_collapsed';

function _sectionsRead() {
  try {
    const list = JSON.parse(localStorage.getItem(_INSPECTOR_COLLAPSED_KEY) || '[]');
    return new Set(Array.isArray(list) ? list.filter(function (id) { return typeof id === 'string'; }) : []);
  } catch (e) {
    return new Set();
  }
}

var collapsedInspectorSections = _sectionsRead();

function _sectionsStore() {
  try {
    localStorage.setItem(_INSPECTOR_COLLAPSED_KEY, JSON.stringify(Array.from(collapsedInspectorSections)));
  } catch (e) {
    _qlReportFailure('storing the folded inspector sections', e);
  }
}

function _sectionParts(id) {
  const section = document.getElementById(id);
  if (!section) return null;
  const head = section.querySelector(':scope > .ql-insp-head');
  const body = section.querySelector(':scope > .ql-insp-body');
  return body ? { section: section, head: head, body: body } : null;
}

function _sectionMark(parts, folded) {
  parts.section.classList.toggle('collapsed', folded);
  if (parts.head) {
    parts.head.setAttribute('aria-expanded', folded ? 'false' : 'true');
    const caret = parts.head.querySelector('.ph');
    if (caret) {
      caret.classList.toggle('ph-caret-down', !folded);
      caret.classList.toggle('ph-caret-right', folded);
    }
  }
}

// The timers of sections whose unfolding is still animating.
var _sectionTimers = new Map();

function toggleInspectorSection(sectionId) {
  const parts = _sectionParts(sectionId);
  if (!parts) return;
  const folding = !collapsedInspectorSections.has(sectionId);
  if (folding) collapsedInspectorSections.add(sectionId);
  else collapsedInspectorSections.delete(sectionId);
  _sectionsStore();
  clearTimeout(_sectionTimers.get(sectionId));
  const body = parts.body;
  const full = body.scrollHeight;
  body.style.overflow = 'hidden';
  parts.section.classList.add('ql-sec-anim');
  if (folding) {
    body.style.height = full + 'px';
    void body.offsetHeight;   // the start height takes effect before the end height is set
    _sectionMark(parts, true);
    body.style.height = '0px';
  } else {
    body.style.height = '0px';
    _sectionMark(parts, false);
    void body.offsetHeight;
    body.style.height = full + 'px';
  }
  _sectionTimers.set(sectionId, setTimeout(function () {
    _sectionTimers.delete(sectionId);
    parts.section.classList.remove('ql-sec-anim');
    if (!folding) {
      body.style.height = '';
      body.style.overflow = '';
    }
  }, INSPECTOR_SECTION_ANIM_MS));
}

// Folds the stored sections at once (no animation).
function applyInspectorSectionStates() {
  collapsedInspectorSections.forEach(function (id) {
    const parts = _sectionParts(id);
    if (!parts) return;
    parts.body.style.height = '0px';
    parts.body.style.overflow = 'hidden';
    _sectionMark(parts, true);
  });
}

// The shadows are sticky edges inside the panel, shown by what is out of sight above and below.
function updateInspectorScrollShadows() {
  const panel = document.getElementById('properties-panel');
  const top = document.getElementById('insp-shadow-top');
  const bottom = document.getElementById('insp-shadow-bottom');
  if (!panel || !top || !bottom) return;
  top.classList.toggle('ql-shadow-on', panel.scrollTop > 0);
  bottom.classList.toggle('ql-shadow-on', panel.scrollTop + panel.clientHeight < panel.scrollHeight - 1);
}

function _installInspectorScrollShadows() {
  const panel = document.getElementById('properties-panel');
  if (!panel || document.getElementById('insp-shadow-top')) return;
  const edge = function (id, cls) {
    const div = document.createElement('div');
    div.id = id;
    div.className = 'ql-insp-shadow ' + cls;
    div.setAttribute('aria-hidden', 'true');
    return div;
  };
  panel.insertBefore(edge('insp-shadow-top', 'ql-insp-shadow-top'), panel.firstChild);
  panel.appendChild(edge('insp-shadow-bottom', 'ql-insp-shadow-bottom'));
  panel.addEventListener('scroll', updateInspectorScrollShadows, { passive: true });
  if (typeof ResizeObserver === 'function') {
    // The panel's own size, and each of its parts (their content changes with every selection). The
    // observer also reports them after the first layout, so start-up does not lay the page out for them.
    const observer = new ResizeObserver(updateInspectorScrollShadows);
    observer.observe(panel);
    Array.prototype.forEach.call(panel.children, function (child) { observer.observe(child); });
  } else {
    updateInspectorScrollShadows();
  }
}

function _sectionsStartup() {
  applyInspectorSectionStates();
  _installInspectorScrollShadows();
}

// The form is inserted by the start-up sequence: the stored states are applied in its inspector step.
function _sectionsRegisterStartup() {
  if (typeof _qlOnStartup === 'function') _qlOnStartup('inspector', _sectionsStartup);
}
if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', _sectionsRegisterStartup, { once: true });
else setTimeout(_sectionsRegisterStartup, 0);
