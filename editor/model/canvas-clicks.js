// Group behaviour of toggle buttons and accordions when they are clicked on the design canvas.
// Provides: _handleToggleBtnClick, toggleAccordion
// Needs: _ancestorIds, _findElement, _qlCallIfDefined, _setDirty, elements, saveHistoryState, selectedIds
// Calls: _selectForKeyboard, renderCanvas, renderProperties, sendToPB

// The checked state is saved with the project, so a change marks it dirty (no undo step).
function _handleToggleBtnClick(id, event) {
  const el = _findElement(id);
  if (!el) return;
  if (event && (event.ctrlKey || event.metaKey || event.shiftKey)) {
    const at = selectedIds.indexOf(id);
    if (at !== -1) selectedIds.splice(at, 1);
    else selectedIds.push(id);
  } else {
    if (selectedIds.length === 1 && selectedIds[0] === id) return;
    elements.forEach(function (other) {
      if (other.type === 'toggle-btn' && (!el.name || other.name === el.name) && other.checked) {
        other.checked = false;
        _setDirty();
      }
    });
    selectedIds = [id];
    if (!el.checked) { el.checked = true; _setDirty(); }
  }
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
}

function _accordionHeights(wrapper, el) {
  const header = wrapper && wrapper.querySelector('.acc-header');
  const headerHeight = header && header.offsetHeight ? header.offsetHeight : 45;
  const body = parseFloat(el.bodyHeight);
  return { header: headerHeight, body: isNaN(body) ? 100 : body };
}

// Opens or closes one accordion; opening one of a named group closes the others.
function _animateAccordion(el, open) {
  const wrapper = document.getElementById('wrap-' + el.id);
  if (!wrapper) return;
  const h = _accordionHeights(wrapper, el);
  const body = wrapper.querySelector('.acc-body');
  const chevron = wrapper.querySelector('.acc-chevron');
  wrapper.classList.add('accordion-animatable');
  wrapper.style.height = (open ? h.header + h.body : h.header) + 'px';
  if (body) {
    body.style.maxHeight = (open ? h.body : 0) + 'px';
    body.classList.toggle('acc-body-open', open);
  }
  if (chevron) chevron.classList.toggle('acc-open', open);
  setTimeout(function () { wrapper.classList.remove('accordion-animatable'); }, 400);
}

function toggleAccordion(id, event) {
  saveHistoryState();
  const el = _findElement(id);
  if (!el) return;
  const disabled = el.disabled || _ancestorIds(id).some(function (a) {
    const ancestor = _findElement(a);
    return ancestor && ancestor.disabled;
  });
  if (disabled) return;
  if (el.noToggle && el.checked) {
    _qlCallIfDefined('_selectForKeyboard', id);
    return;
  }
  el.checked = !el.checked;
  if (el.checked && el.name) {
    elements.forEach(function (other) {
      if (other !== el && other.type === 'accordion' && other.name === el.name && other.checked) {
        other.checked = false;
        _animateAccordion(other, false);
      }
    });
  }
  _animateAccordion(el, el.checked);
  _qlCallIfDefined('_selectForKeyboard', id);
  _qlCallIfDefined('sendToPB', id, 'click', el.checked ? '0' : '1');
}
