// The accordions of an exported page (the "accordion" block, written when the design has one):
// toggleAccordion (id, event) opens and closes an accordion from its header, and at load every accordion
// takes its starting state. An accordion is as tall as its header as drawn plus its body height
// (data-body-height), as on the canvas; the written total (data-total-height) is only the fallback
// before layout. Opening one of a group (data-accordion-group) closes the others of the group, also
// those marked data-no-toggle; a no-toggle accordion that is open stays open when clicked. A change
// sends {id, "click", "1" | "0"}.
// Provides: _QL_EXPORT_RT_ACCORDION
// Needs: _qlFunctionBody, registerExportBlock

var _QL_EXPORT_RT_ACCORDION = function () {
  (function () {
    function parts(id) {
      var acc = document.getElementById(id);
      if (!acc) return null;
      var wrap = document.getElementById('wrap-' + id) || acc;
      var header = acc.querySelector('.acc-header');
      var body = acc.querySelector('.acc-body');
      var chevron = acc.querySelector('.acc-chevron');
      var headerH = header && header.offsetHeight ? header.offsetHeight : 45;
      var bodyH = parseFloat(acc.getAttribute('data-body-height'));
      if (!(bodyH >= 0)) {
        var total = parseFloat(acc.getAttribute('data-total-height'));
        bodyH = (total >= 0 ? total : 145) - headerH;
      }
      return { acc: acc, wrap: wrap, body: body, chevron: chevron, header: headerH, bodyH: Math.max(0, bodyH) };
    }
    function size(p, open) {
      var h = open ? p.header + p.bodyH : p.header;
      p.wrap.style.setProperty('height', h + 'px', 'important');
      p.acc.style.height = h + 'px';
      if (p.body) {
        p.body.style.maxHeight = (open ? p.bodyH : 0) + 'px';
        p.body.style.height = p.bodyH + 'px';
        p.body.classList.toggle('acc-body-open', open);
      }
      if (p.chevron) p.chevron.classList.toggle('acc-open', open);
    }
    function animate(p, open) {
      p.wrap.classList.add('accordion-animatable');
      size(p, open);
      setTimeout(function () { p.wrap.classList.remove('accordion-animatable'); }, 400);
    }
    window.toggleAccordion = function (id, event) {
      if (event) {
        if (event.preventDefault) event.preventDefault();
        if (event.stopPropagation) event.stopPropagation();
      }
      var p = parts(id);
      if (!p || p.acc.closest('.disabled-container')) return;
      var open = !!(p.chevron && p.chevron.classList.contains('acc-open'));
      if (open && p.acc.getAttribute('data-no-toggle') === 'true') return;
      var opening = !open;
      var group = p.acc.getAttribute('data-accordion-group');
      if (opening && group) {
        Array.prototype.forEach.call(document.querySelectorAll('[data-accordion-group]'), function (other) {
          if (other === p.acc || other.getAttribute('data-accordion-group') !== group) return;
          var q = parts(other.id);
          if (q && q.chevron && q.chevron.classList.contains('acc-open')) animate(q, false);
        });
      }
      animate(p, opening);
      if (typeof window.sendToPB === 'function') window.sendToPB(id, 'click', opening ? '1' : '0');
    };
    function settle() {
      Array.prototype.forEach.call(document.querySelectorAll('.acc-header'), function (header) {
        var acc = header.parentElement;
        var p = acc && acc.id ? parts(acc.id) : null;
        if (p) size(p, !!(p.chevron && p.chevron.classList.contains('acc-open')));
      });
    }
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', settle);
    else settle();
    window.addEventListener('load', settle);
  })();
};

registerExportBlock('accordion', function () { return _qlFunctionBody(_QL_EXPORT_RT_ACCORDION); });
