// UI procedures, structure family: removing, moving, counting, scrolling, focusing and renaming
// elements, and copying an element with its ids, styles, radio groups, animation tracks and flow nodes.
// Registers the shim helper _qlpCopyIds; the procedure bodies UI_DeleteElement, UI_MoveElementTo,
//   UI_MoveElementUp, UI_MoveElementDown, UI_GetElementCount, UI_ScrollIntoView, UI_Focus, UI_Blur,
//   UI_ScrollContentStop, UI_ScrollContentPlay, UI_ScrollContentRestart, UI_ChangeElementId, UI_ElementExists,
//   UI_CopyElement (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies, _qlDefineShimHelpers, t
// Creates: __lastCopyIdMap (the ids of the last copy, for the page that ran it)

_qlDefineShimHelpers({
  // Gives every element of a copy its new id and returns the map old id -> new id: the source's
  // wrapper and element get prefix + "_" + source id, every other id (wrapper or not) the prefix.
  _qlpCopyIds: function (clone, sourceId, prefix) {
    var map = {};
    var all = [clone].concat(Array.prototype.slice.call(clone.querySelectorAll('[id]')));
    all.forEach(function (el) {
      var old = el.id;
      if (!old) return;
      var next = old === 'wrap-' + sourceId ? 'wrap-' + prefix + '_' + sourceId
        : old === sourceId ? prefix + '_' + sourceId
          : old.indexOf('wrap-') === 0 ? 'wrap-' + prefix + '_' + old.slice(5) : prefix + '_' + old;
      map[old] = next;
      el.id = next;
    });
    // Style rules of the copy follow its ids, in one pass so that a new id is never mapped again.
    var olds = Object.keys(map).sort(function (a, b) { return b.length - a.length; });
    if (olds.length) {
      var ids = new RegExp('#(' + olds.map(function (old) { return old.replace(/[.*+?^${}()|[\]\\]/g, '\\$&'); }).join('|') + ')(?![\\w-])', 'g');
      Array.prototype.forEach.call(clone.querySelectorAll('style'), function (style) {
        style.textContent = style.textContent.replace(ids, function (whole, old) { return '#' + map[old]; });
      });
    }
    // A radio group of the copy is its own group; a radio without a group stays without one.
    Array.prototype.forEach.call(clone.querySelectorAll('input[type=radio]'), function (radio) {
      var name = radio.getAttribute('name');
      if (!name) return;
      var parts = name.split('_');
      radio.setAttribute('name', prefix + '_' + parts[parts.length - 1]);
    });
    return map;
  },
});

_qlDefineProcedureBodies({
  UI_DeleteElement: function (g, elementId, nodesToo) {
    var el = _qlpWrapOrEl(elementId);
    if (el) el.remove();
    // An unticked box arrives as "false": only a true value also deletes the element's flow nodes.
    if (_flowTruthy(nodesToo) && typeof window._quorlDeleteFlowForElement === 'function') {
      window._quorlDeleteFlowForElement(_qlpText(elementId));
    }
  },

  UI_MoveElementTo: function (g, elementId, referenceId, after) {
    var el = _qlpWrapOrEl(elementId);
    var ref = _qlpWrapOrEl(referenceId);
    if (!el || !ref || el === ref || el.contains(ref) || !ref.parentNode) return;
    ref.parentNode.insertBefore(el, _qlpOn(after) ? ref.nextSibling : ref);
  },

  UI_MoveElementUp: function (g, elementId) {
    var el = _qlpWrapOrEl(elementId);
    var prev = el ? el.previousElementSibling : null;
    if (prev) el.parentNode.insertBefore(el, prev);
  },

  UI_MoveElementDown: function (g, elementId) {
    var el = _qlpWrapOrEl(elementId);
    var next = el ? el.nextElementSibling : null;
    if (next) el.parentNode.insertBefore(next, el);
  },

  UI_GetElementCount: function (g, parentId) {
    var el = _qlpEl(parentId) || _qlpWrap(parentId);
    return el ? el.children.length : 0;
  },

  // The nearest scrolling ancestor (content taller than its box) is scrolled so that the element's
  // top lands at the alignment plus the offset; without one the window scrolls (alignment ignored).
  UI_ScrollIntoView: function (g, elementId, align, offset, smooth) {
    var el = _qlpEl(elementId) || _qlpWrap(elementId);
    if (!el) return;
    var behavior = _qlpOn(smooth) ? 'smooth' : 'instant';
    var off = _qlpNumber(offset, 0);
    var mode = align === 'top' || align === 'bottom' ? align : 'center';
    var box = el.getBoundingClientRect();
    for (var p = el.parentElement; p && p !== document.documentElement; p = p.parentElement) {
      var cs = window.getComputedStyle(p);
      if (!/(auto|scroll)/.test((cs.overflowY || '') + ' ' + (cs.overflow || '')) || p.scrollHeight <= p.clientHeight) continue;
      var base = mode === 'top' ? 0 : mode === 'center' ? (p.clientHeight - box.height) / 2 : p.clientHeight - box.height;
      var top = p.scrollTop + (box.top - p.getBoundingClientRect().top - p.clientTop) - base - off;
      if (typeof p.scrollTo === 'function') p.scrollTo({ top: top, behavior: behavior });
      else p.scrollTop = top;
      return;
    }
    if (typeof window.scrollTo === 'function') window.scrollTo({ top: window.pageYOffset + box.top - off, behavior: behavior });
  },

  UI_Focus: function (g, elementId) {
    try { _qlpEl(elementId).focus(); } catch (e) { /* nothing to focus */ }
  },

  UI_Blur: function (g, elementId) {
    try { _qlpEl(elementId).blur(); } catch (e) { /* nothing to blur */ }
  },

  // A scrolling text runs as a CSS animation; a seamless strip of an exported page runs from the page's
  // own loop (scrollContentStop, scrollContentPlay, scrollContentRestart), which is told as well.
  UI_ScrollContentStop: function (g, elementId) {
    var el = _qlpWrapOrEl(elementId);
    if (!el) return;
    el.style.animationPlayState = 'paused';
    el._qlScrollPause = true;
    if (typeof window.scrollContentStop === 'function') window.scrollContentStop(_qlpText(elementId));
  },

  UI_ScrollContentPlay: function (g, elementId) {
    var el = _qlpWrapOrEl(elementId);
    if (!el) return;
    el.style.animationPlayState = 'running';
    el._qlScrollPause = false;
    if (typeof window.scrollContentPlay === 'function') window.scrollContentPlay(_qlpText(elementId));
  },

  UI_ScrollContentRestart: function (g, elementId) {
    var el = _qlpWrapOrEl(elementId);
    if (!el) return;
    var animation = el.style.animation;
    el.style.animation = 'none';
    void el.offsetWidth;
    el.style.animation = animation;
    if (typeof window.scrollContentRestart === 'function') window.scrollContentRestart(_qlpText(elementId));
  },

  // A new id that is empty or already taken is refused, so ids stay unique; true when renamed.
  UI_ChangeElementId: function (g, oldId, newId) {
    var el = _qlpEl(oldId);
    var wrap = _qlpWrap(oldId);
    var next = _qlpText(newId);
    if ((!el && !wrap) || !next || next === _qlpText(oldId)) return false;
    if (document.getElementById(next) || document.getElementById('wrap-' + next)) return false;
    if (el) el.id = next;
    if (wrap) wrap.id = 'wrap-' + next;
    return true;
  },

  UI_ElementExists: function (g, elementId) {
    return Boolean(_qlpEl(elementId));
  },

  // Returns the new element id (prefix + "_" + source id), "" when the source or the target is
  // missing. Without a prefix a free one ("copy1", "copy2" ...) is taken, so copies never share ids.
  UI_CopyElement: function (g, sourceId, targetId, prefix, newAnimation) {
    var source = _qlpText(sourceId);
    var target = _qlpText(targetId);
    var targetWrap = _qlpWrap(target);
    var container = _qlpEl(target) || (targetWrap ? targetWrap.firstElementChild : null);
    if (!container) return '';
    var scroll = document.getElementById(target + '-scroll-wrap');
    if (scroll && container.contains(scroll)) container = scroll;
    var original = _qlpWrapOrEl(source);
    if (!original) return '';
    var pre = _qlpText(prefix);
    if (pre) {
      // The earlier copy: its wrapper, or the element itself when the source had no wrapper.
      var earlier = document.getElementById('wrap-' + pre + '_' + source) || document.getElementById(pre + '_' + source);
      if (earlier && earlier.contains(container)) return '';
      if (earlier) earlier.remove();
    } else {
      for (var n = 1; !pre; n++) {
        if (!document.getElementById('copy' + n + '_' + source) && !document.getElementById('wrap-copy' + n + '_' + source)) pre = 'copy' + n;
      }
    }
    var clone = original.cloneNode(true);
    var map = _qlpCopyIds(clone, source, pre);
    window.__lastCopyIdMap = map;
    clone.classList.remove('hidden');
    if (clone.style.display === 'none') clone.style.display = '';
    container.appendChild(clone);

    var asNew = _qlpOn(newAnimation);
    var animMap = asNew ? {} : null;
    var anims = window.__animationsData;
    if (Array.isArray(anims)) {
      var made = [];
      anims.forEach(function (a) {
        var tracks = a && Array.isArray(a.tracks) ? a.tracks : [];
        var copies = tracks.filter(function (t) { return t && Object.prototype.hasOwnProperty.call(map, t.id); })
          .map(function (t) { return { id: map[t.id], prop: t.prop, keyframes: JSON.parse(JSON.stringify(t.keyframes || [])) }; });
        if (!copies.length) return;
        if (asNew) {
          animMap[a.name] = pre + '_' + a.name;
          made.push({ name: pre + '_' + a.name, duration: a.duration, loop: a.loop, autoRun: a.autoRun, tracks: copies });
        } else {
          var fresh = copies.map(function (c) { return c.id; });
          a.tracks = tracks.filter(function (t) { return !t || fresh.indexOf(t.id) === -1; }).concat(copies);
        }
      });
      made.forEach(function (m) {
        var at = anims.findIndex(function (a) { return a && a.name === m.name; });
        if (at === -1) anims.push(m);
        else anims[at] = m;
      });
    }
    // The copy stands even when its flow nodes cannot be cloned; the failure is reported.
    if (typeof window._quorlCloneFlowForElement === 'function') {
      try {
        window._quorlCloneFlowForElement(map, animMap);
      } catch (e) {
        console.error('[flow] UI_CopyElement: the flow of the copy could not be cloned:', e);
      }
    }
    return pre + '_' + source;
  },
});
