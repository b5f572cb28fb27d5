// The component runtimes of an exported page, each written only when the design needs it:
// - "layout" (always): collapse thresholds (_checkCollapse), the rotated wrappers' observer, fluid text and
//   the texts beside an icon, with the canvas's own fitting code (fluid-text.js, applyTextOffsets);
// - "components" (a table): the table runtime of the canvas (grid-runtime.js, carried whole: GridJS_* over
//   _gridDataCache with the hidden "_idx_" column), made live by "grid-init", which also edits cells in
//   place;
// - "chart-init" (a chart): the chart runtime of the canvas (chart-runtime.js, carried whole) and one chart
//   per placeholder, from its configuration unchanged;
// - "select" (a select): QuorlinSelect, the menu that replaces the native select;
// - "lists" (a list): QuorlinList over SortableJS, with the drag-out question;
// - "players" (a media player): a Plyr player per video, its icon sprite from the page's own files;
// - "contentscroll" (a content strip): initSeamlessScroll and scrollContentStop / Play / Restart;
// - "image" (a "pb" page with an image): pb_renderImage.
// Provides: _QL_EXPORT_RT_LAYOUT, _QL_EXPORT_RT_SELECT, _QL_EXPORT_RT_LISTS, _QL_EXPORT_RT_PLAYERS, _QL_EXPORT_RT_SEAMLESS,
//   _QL_EXPORT_RT_GRID_EDIT, _QL_EXPORT_RT_IMAGE, _exportLayoutBlock, _exportChartBlock
// Needs: _exportAssetBase, _exportGlobalsText, _exportSourceText, _qlFlowLiteral, _qlFunctionBody, registerExportBlock, t
// Creates: _checkCollapse, QuorlinSelect, QuorlinList, plyrPlayers, __qlPlyrIconUrl, _seamlessScrolls, initSeamlessScroll,
//   scrollContentStop, scrollContentPlay, scrollContentRestart, pb_renderImage (in exported pages)

var _QL_EXPORT_RT_LAYOUT = function () {
  // An element with a collapse threshold hides while its wrapper's parent box is narrower or lower, and
  // comes back with the display it had.
  window._checkCollapse = function () {
    Array.prototype.forEach.call(document.querySelectorAll('[data-min-parent-w],[data-min-parent-h]'), function (el) {
      var box = el.parentElement ? el.parentElement.closest('[id^="wrap-"]') : null;
      if (!box) box = el.parentElement;
      if (!box) return;
      var w = parseFloat(el.getAttribute('data-min-parent-w'));
      var h = parseFloat(el.getAttribute('data-min-parent-h'));
      var r = box.getBoundingClientRect();
      var collapse = (isFinite(w) && r.width < w) || (isFinite(h) && r.height < h);
      if (collapse && !el._qlCollapsed) {
        el._qlCollapsed = [el.style.getPropertyValue('display'), el.style.getPropertyPriority('display')];
        el.style.setProperty('display', 'none', 'important');
      } else if (!collapse && el._qlCollapsed) {
        var was = el._qlCollapsed;
        el._qlCollapsed = null;
        // Hidden meanwhile (a script set its own display): it stays as it was set.
        if (el.style.getPropertyValue('display') !== 'none' || el.style.getPropertyPriority('display') !== 'important') return;
        if (was[0]) el.style.setProperty('display', was[0], was[1]);
        else el.style.removeProperty('display');
      }
    });
  };
  // A wrapper turned a quarter (90, -90, 270) shows its width as height: one of set height gives its
  // content the wrapper's width, one without takes its content's length as height. A half turn keeps its
  // box as laid out.
  var rot = typeof ResizeObserver === 'function' ? new ResizeObserver(function (entries) {
    entries.forEach(function (entry) {
      var wrap = entry.target;
      var inner = wrap.querySelector('.rot-target');
      if (!inner || ['90', '-90', '270'].indexOf(wrap.getAttribute('data-rot')) === -1) return;
      var wr = wrap.getBoundingClientRect();
      var ir = inner.getBoundingClientRect();
      if (wrap.getAttribute('data-has-height') === 'true') {
        if (Math.abs(ir.width - wr.height) > 1) inner.style.width = wr.height + 'px';
      } else if (ir.width > 0 && Math.abs(wr.height - ir.width) > 1) {
        wrap.style.height = ir.width + 'px';
      }
    });
  }) : null;
  var start = function () {
    if (rot) Array.prototype.forEach.call(document.querySelectorAll('[data-rot]'), function (n) { rot.observe(n); });
    window._checkCollapse();
    fitAllFluidText();
  };
  // The texts beside an icon are moved by a share of their wrapper's height, which a resize changes.
  window.addEventListener('resize', function () { window._checkCollapse(); applyTextOffsets(document); });
  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
  else start();
};

function _exportLayoutBlock() {
  return ['var _fluidRO = null;', 'var _fluidPass = 0;',
    _exportGlobalsText(['_qlNum', 'applyTextOffsets', '_fluidPadding', '_fluidButtonLike', '_fitFluidTextEl', 'fitAllFluidText']),
    _qlFunctionBody(_QL_EXPORT_RT_LAYOUT)].join('\n');
}

// One chart per placeholder; the charts take their events (tooltips, clicks) in the page.
function _exportChartBlock() {
  return [_exportSourceText('editor/canvas/chart-runtime.js'),
    '(function () {',
    '  var start = function () {',
    "    if (typeof Chart === 'undefined') return;",
    "    Array.prototype.forEach.call(document.querySelectorAll('[data-chart-config]'), function (node) {",
    '      try {',
    "        QuorlinChart.create(node.id, JSON.parse(node.getAttribute('data-chart-config')));",
    '      } catch (e) {',
    "        console.warn('Chart init error:', e);",
    '      }',
    '    });',
    '  };',
    "  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);",
    '  else start();',
    '})();'].join('\n');
}

var _QL_EXPORT_RT_SELECT = function () {
  window.QuorlinSelect = (function () {
    var esc = function (s) {
      return String(s === undefined || s === null ? '' : s).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;')
        .replace(/"/g, '&quot;').replace(/'/g, '&#39;');
    };
    var root = function (id) {
      var n = document.getElementById(id);
      return n && n.classList.contains('ql-select') ? n : n ? n.querySelector('.ql-select') : null;
    };
    var parts = function (r) {
      return { btn: r.querySelector('.ql-select-btn'), label: r.querySelector('.ql-select-label'), menu: r.querySelector('.ql-select-menu') };
    };
    var items = function (r) { return Array.prototype.slice.call(r.querySelectorAll('.ql-select-item:not(.ql-select-empty)')); };
    var send = function (id, type, value) {
      if (typeof window.pb_event === 'function') window.pb_event({ id: id, type: type, value: String(value) });
    };
    var valueOf = function (li) { return li.hasAttribute('data-value') ? li.getAttribute('data-value') : li.textContent; };
    var isOpen = function (r) { var m = parts(r).menu; return !!m && !m.hidden; };
    var mark = function (r, index) {
      items(r).forEach(function (li, i) {
        li.classList.toggle('ql-select-active', i === index);
        li.setAttribute('aria-selected', i === index ? 'true' : 'false');
      });
    };
    var setValue = function (r, index) {
      var list = items(r);
      var li = list[index];
      var v = li ? valueOf(li) : '';
      r.setAttribute('data-value', v);
      r.setAttribute('data-selected-index', li ? String(index) : '-1');
      var p = parts(r);
      if (p.label) p.label.textContent = li ? li.textContent : '';
      mark(r, li ? index : -1);
      return v;
    };
    var close = function (r) {
      var p = parts(r);
      if (!p.menu) return;
      p.menu.hidden = true;
      p.menu.classList.add('hidden');
      r.removeAttribute('aria-expanded');
      if (p.btn) p.btn.removeAttribute('aria-expanded');
    };
    var closeAll = function (except) {
      Array.prototype.forEach.call(document.querySelectorAll('.ql-select'), function (r) { if (r !== except && isOpen(r)) close(r); });
    };
    var open = function (r) {
      closeAll(r);
      var p = parts(r);
      if (!p.menu) return;
      p.menu.hidden = false;
      p.menu.classList.remove('hidden');
      r.setAttribute('aria-expanded', 'true');
      if (p.btn) p.btn.setAttribute('aria-expanded', 'true');
      var b = (p.btn || r).getBoundingClientRect();
      p.menu.style.position = 'fixed';
      p.menu.style.left = b.left + 'px';
      p.menu.style.right = 'auto';
      p.menu.style.minWidth = b.width + 'px';
      var h = p.menu.offsetHeight;
      var below = b.bottom + 2;
      p.menu.style.top = (below + h > window.innerHeight && b.top - 2 - h >= 0 ? b.top - 2 - h : below) + 'px';
      mark(r, parseInt(r.getAttribute('data-selected-index'), 10));
      send(r.id, 'click', r.getAttribute('data-value') || '');
    };
    var api = {
      toggle: function (id) {
        var r = root(id);
        if (!r) return;
        if (isOpen(r)) close(r); else open(r);
      },
      select: function (id, index) {
        var r = root(id);
        var i = parseInt(index, 10);
        var li = r ? items(r)[i] : null;
        if (!li) return;
        var text = setValue(r, i);
        close(r);
        send(r.id, 'change', text);
        r.value = text;
        r.dispatchEvent(new Event('change', { bubbles: false }));
      },
      setItems: function (id, list) {
        var r = root(id);
        if (!r) return;
        var menu = parts(r).menu;
        if (!menu) return;
        var bg = menu.getAttribute('data-ql-menu-bg') || '';
        var fg = menu.getAttribute('data-ql-menu-text') || '';
        var border = menu.getAttribute('data-ql-menu-border') || '';
        menu.style.background = bg;
        menu.style.color = fg;
        menu.style.borderColor = border;
        var texts = Array.isArray(list) ? list : [];
        if (!texts.length) {
          var empty = typeof window.t === 'function' ? window.t('selectEmpty') : '';
          menu.innerHTML = '<li class="ql-select-item ql-select-empty" data-index="-1">' + esc(empty && empty !== 'selectEmpty' ? empty : 'Empty') + '</li>';
          setValue(r, -1);
          return;
        }
        menu.innerHTML = texts.map(function (text, i) {
          return '<li class="ql-select-item" role="option" data-index="' + i + '" data-value="' + esc(text) + '" style="color:' + esc(fg) + '">' +
            esc(text) + '</li>';
        }).join('');
        setValue(r, 0);
      },
      // The text is shown as text, as setItems shows it.
      add: function (id, text, pos) {
        var r = root(id);
        if (!r) return;
        var menu = parts(r).menu;
        if (!menu) return;
        Array.prototype.forEach.call(menu.querySelectorAll('.ql-select-empty'), function (n) { n.remove(); });
        var li = document.createElement('li');
        li.className = 'ql-select-item';
        li.setAttribute('role', 'option');
        li.setAttribute('data-value', String(text === undefined || text === null ? '' : text));
        li.textContent = String(text === undefined || text === null ? '' : text);
        var fg = menu.getAttribute('data-ql-menu-text');
        if (fg) li.style.color = fg;
        var list = items(r);
        var at = parseInt(pos, 10);
        if (at >= 0 && at < list.length) menu.insertBefore(li, list[at]); else menu.appendChild(li);
        list = items(r);
        list.forEach(function (n, i) { n.setAttribute('data-index', String(i)); });
        var selected = -1;
        list.forEach(function (n, i) { if (selected < 0 && n.classList.contains('ql-select-active')) selected = i; });
        if (selected >= 0) r.setAttribute('data-selected-index', String(selected));
        else setValue(r, 0);
      },
      getSelectedIndex: function (id) {
        var r = root(id);
        var i = r ? parseInt(r.getAttribute('data-selected-index'), 10) : -1;
        return isFinite(i) ? i : -1;
      },
      getCount: function (id) { var r = root(id); return r ? items(r).length : 0; },
      // The values joined by "|", sent as plain text.
      getItems: function (id) {
        var r = root(id);
        var text = r ? items(r).map(valueOf).join('|') : '';
        if (r) send(r.id, 'listItems', text);
        return text;
      },
      getAt: function (id, pos) {
        var r = root(id);
        var li = r ? items(r)[parseInt(pos, 10)] : null;
        var text = li ? valueOf(li) : '';
        send(r ? r.id : String(id), 'listItem', text);
        return text;
      },
      getValue: function (id) { var r = root(id); return r ? r.getAttribute('data-value') || '' : ''; },
      getText: function (id) { var r = root(id); return r ? r.getAttribute('data-value') || '' : ''; },
    };
    document.addEventListener('click', function (e) {
      var li = e.target && e.target.closest ? e.target.closest('.ql-select-item') : null;
      if (li && !li.classList.contains('ql-select-empty')) {
        var r = li.closest('.ql-select');
        if (r) {
          e.preventDefault();
          e.stopPropagation();
          api.select(r.id, items(r).indexOf(li));
          return;
        }
      }
      if (!(e.target && e.target.closest && e.target.closest('.ql-select'))) closeAll(null);
    }, true);
    document.addEventListener('scroll', function (e) {
      if (e.target && e.target.closest && e.target.closest('.ql-select-menu')) return;
      closeAll(null);
    }, true);
    window.addEventListener('resize', function () { closeAll(null); });
    document.addEventListener('keydown', function (e) {
      var r = document.activeElement && document.activeElement.closest ? document.activeElement.closest('.ql-select') : null;
      if (!r) return;
      var opened = isOpen(r);
      var count = items(r).length;
      var at = api.getSelectedIndex(r.id);
      if (e.key === 'Escape' && opened) { close(r); e.preventDefault(); return; }
      if (e.key === 'Enter' || e.key === ' ') {
        e.preventDefault();
        if (!opened) open(r); else api.select(r.id, at);
        return;
      }
      if (e.key === 'ArrowDown' || e.key === 'ArrowUp') {
        e.preventDefault();
        if (!opened) { open(r); return; }
        if (!count) return;
        var next = ((at < 0 ? 0 : at + (e.key === 'ArrowDown' ? 1 : -1)) + count) % count;
        setValue(r, next);
        var li = items(r)[next];
        if (li && li.scrollIntoView) li.scrollIntoView({ block: 'nearest' });
      }
    });
    return api;
  })();
};

var _QL_EXPORT_RT_LISTS = function () {
  window.QuorlinList = (function () {
    var instances = {};
    var api = {};
    var find = function (id) {
      var n = document.getElementById(id) || document.getElementById('wrap-' + id);
      if (!n) return null;
      return n.nodeName === 'UL' || n.nodeName === 'OL' ? n : n.querySelector('ul,ol');
    };
    var itemsOf = function (list) {
      return Array.prototype.filter.call(list.children, function (li) { return li.nodeName === 'LI' && !li.classList.contains('empty-list-placeholder'); });
    };
    var idOf = function (list) { return list.getAttribute('data-ql-list') || list.id; };
    var send = function (listId, type, value) {
      if (typeof window.pb_event === 'function') window.pb_event({ id: listId, type: type, value: JSON.stringify(value) });
    };
    var textOf = function (li) {
      var t = li.querySelector('.ql-item-text');
      if (t) return t.textContent;
      return li.textContent.replace(/^[\u2630\s]+/, '').trim();
    };
    var get = function (id, what) {
      var list = find(id);
      if (!list) console.warn('QuorlinList.' + what + ': no list "' + id + '"');
      return list;
    };
    var esc = function (s) {
      return String(s).replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;').replace(/"/g, '&quot;');
    };

    // A drop that left the list more than this many pixels away asks whether the item goes.
    api.DRAG_OUT_PX = 4;

    function closePopup() {
      var old = document.getElementById('ql-list-delete-popup');
      if (old) {
        if (old._qlCleanup) old._qlCleanup();
        old.remove();
      }
    }
    function themeVar(name, fallback) {
      var v = getComputedStyle(document.documentElement).getPropertyValue(name).trim();
      return v || fallback;
    }
    function light(colour) {
      var m = /^#([0-9a-f]{6})$/i.exec(colour);
      if (!m) return false;
      var n = parseInt(m[1], 16);
      return 0.299 * (n >> 16) + 0.587 * ((n >> 8) & 255) + 0.114 * (n & 255) > 160;
    }
    // The question at the pointer: OK or Cancel; a press outside or Escape cancels.
    function askDelete(x, y, ok, cancel) {
      closePopup();
      var i18n = api._i18n || {};
      var bg = themeVar('--th-bg-panel', '#1e293b');
      var fg = themeVar('--th-text1', '#f1f5f9');
      var border = themeVar('--th-border', '#475569');
      var surface = themeVar('--th-surface', '#334155');
      var isLight = light(bg);
      var pop = document.createElement('div');
      pop.id = 'ql-list-delete-popup';
      pop.style.cssText = 'position:fixed;left:' + x + 'px;top:' + y + 'px;background:' + bg + ';color:' + fg + ';border:1px solid ' + border +
        ';border-radius:6px;padding:6px 8px;box-shadow:0 4px 12px ' + (isLight ? 'rgba(0,0,0,.18)' : 'rgba(0,0,0,.5)') +
        ';z-index:2147483647;font:12px system-ui,sans-serif;min-width:90px;';
      pop.innerHTML = '<div style="text-align:center;margin-bottom:6px">' + esc(i18n.deleteConfirm || '¿Eliminar?') + '</div>' +
        '<div style="display:flex;gap:6px;justify-content:center"><button type="button" data-ql-ok style="background:#ef4444;color:#fff;border:0;border-radius:4px;padding:2px 10px;cursor:pointer">' +
        esc(i18n.deleteOk || 'Ok') + '</button><button type="button" data-ql-cancel style="background:' + (isLight ? '#e2e8f0' : surface) + ';color:' +
        (isLight ? '#1e293b' : fg) + ';border:0;border-radius:4px;padding:2px 10px;cursor:pointer">' + esc(i18n.deleteCancel || 'Cancelar') + '</button></div>';
      document.body.appendChild(pop);
      var okBtn = pop.querySelector('[data-ql-ok]');
      var cancelBtn = pop.querySelector('[data-ql-cancel]');
      var cancelBg = cancelBtn.style.background;
      okBtn.onmouseenter = function () { okBtn.style.background = '#dc2626'; };
      okBtn.onmouseleave = function () { okBtn.style.background = '#ef4444'; };
      cancelBtn.onmouseenter = function () { cancelBtn.style.background = isLight ? '#cbd5e1' : '#475569'; };
      cancelBtn.onmouseleave = function () { cancelBtn.style.background = cancelBg; };
      var r = pop.getBoundingClientRect();
      if (r.right > window.innerWidth) pop.style.left = Math.max(4, window.innerWidth - r.width - 8) + 'px';
      if (r.bottom > window.innerHeight) pop.style.top = Math.max(4, window.innerHeight - r.height - 8) + 'px';
      var done = false;
      var finish = function (yes) {
        if (done) return;
        done = true;
        closePopup();
        if (yes) ok(); else cancel();
      };
      okBtn.addEventListener('click', function (e) { e.stopPropagation(); finish(true); });
      cancelBtn.addEventListener('click', function (e) { e.stopPropagation(); finish(false); });
      var outside = function (e) { if (!pop.contains(e.target)) finish(false); };
      var key = function (e) { if (e.key === 'Escape') finish(false); };
      setTimeout(function () {
        if (done) return;
        document.addEventListener('pointerdown', outside, true);
        document.addEventListener('keydown', key, true);
      }, 0);
      pop._qlCleanup = function () {
        document.removeEventListener('pointerdown', outside, true);
        document.removeEventListener('keydown', key, true);
      };
    }

    function pointOf(evt) {
      var e = evt && (evt.originalEvent || evt);
      if (e && e.changedTouches && e.changedTouches[0]) e = e.changedTouches[0];
      return e && typeof e.clientX === 'number' ? { x: e.clientX, y: e.clientY } : null;
    }
    // How far (px) the point lies outside the rectangle; 0 inside.
    function outsideBy(rect, p) {
      var dx = Math.max(rect.left - p.x, 0, p.x - rect.right);
      var dy = Math.max(rect.top - p.y, 0, p.y - rect.bottom);
      return Math.max(dx, dy);
    }

    function onEnd(evt) {
      var item = evt.item;
      var itemId = item && item.getAttribute('data-ql-item');
      var from = evt.from;
      if (!itemId || from === undefined || from === null || evt.oldIndex === undefined || evt.oldIndex === null) return;
      Array.prototype.forEach.call(document.querySelectorAll('.sortable-pull-disabled,.sortable-put-disabled'), function (n) {
        n.classList.remove('sortable-pull-disabled', 'sortable-put-disabled');
      });
      var to = evt.to || from;
      var fromId = idOf(from);
      var toId = idOf(to);
      var p = pointOf(evt);
      if (to === from && evt.newIndex === evt.oldIndex) {
        if (p && outsideBy(from.getBoundingClientRect(), p) > api.DRAG_OUT_PX) {
          var index = evt.oldIndex;
          var removed = !item.parentNode;
          askDelete(p.x, p.y, function () {
            if (item.parentNode) item.parentNode.removeChild(item);
            send(fromId, 'listRemove', { itemId: itemId, index: index, total: itemsOf(from).length, reason: 'draggedOut' });
            api._reinit(from);
          }, function () {
            if (!removed && item.parentNode === from) return;
            var before = itemsOf(from)[index];
            if (before) from.insertBefore(item, before); else from.appendChild(item);
          });
        }
        return;
      }
      if (to === from) send(fromId, 'listMove', { itemId: itemId, from: evt.oldIndex, to: evt.newIndex });
      else send(toId, 'listMoveToList', { itemId: itemId, fromList: fromId, fromIndex: evt.oldIndex, toList: toId, toIndex: evt.newIndex });
    }

    api._reinit = function (list) {
      if (!list || typeof Sortable === 'undefined') return;
      var id = idOf(list);
      if (instances[id]) {
        try { instances[id].destroy(); } catch (e) { /* already gone */ }
        delete instances[id];
      }
      var group = list.getAttribute('data-ql-group');
      var options = {
        handle: '.drag-handle', animation: 150, forceFallback: true, fallbackOnBody: true, fallbackTolerance: 3, removeOnSpill: false,
        onEnd: onEnd,
        onMove: function (evt) {
          Array.prototype.forEach.call(document.querySelectorAll('.sortable-pull-disabled,.sortable-put-disabled'), function (n) {
            n.classList.remove('sortable-pull-disabled', 'sortable-put-disabled');
          });
          if (evt.from === evt.to) return true;
          var noPull = evt.from.getAttribute('data-ql-pull') === 'false';
          var noPut = evt.to.getAttribute('data-ql-put') === 'false';
          if (noPull) evt.from.classList.add('sortable-pull-disabled');
          if (noPut) evt.to.classList.add('sortable-put-disabled');
          return !(noPull || noPut);
        },
      };
      if (group) options.group = { name: group, pull: true, put: true };
      instances[id] = Sortable.create(list, options);
    };
    api._initAll = function () {
      Array.prototype.forEach.call(document.querySelectorAll('[data-ql-list]'), function (list) {
        if (list.nodeName === 'UL' || list.nodeName === 'OL') api._reinit(list);
      });
    };
    api.add = function (listId, text, position) {
      var list = get(listId, 'add');
      if (!list) return;
      Array.prototype.forEach.call(list.querySelectorAll(':scope > .empty-list-placeholder'), function (n) { n.remove(); });
      var li = document.createElement('li');
      li.setAttribute('data-ql-item', 'auto-' + Date.now() + '-' + Math.random().toString(36).slice(2, 8));
      var handle = document.createElement('span');
      handle.className = 'drag-handle';
      handle.textContent = '\u2630';
      var inner = document.createElement('div');
      inner.className = 'item-inner';
      var span = document.createElement('span');
      span.className = 'ql-item-text';
      span.textContent = String(text === undefined || text === null ? '' : text);
      inner.appendChild(span);
      li.appendChild(handle);
      li.appendChild(inner);
      var items = itemsOf(list);
      var at = parseInt(position, 10);
      if (!(at >= 0) || at >= items.length) { at = items.length; list.appendChild(li); } else list.insertBefore(li, items[at]);
      send(idOf(list), 'listAdd', { itemId: li.getAttribute('data-ql-item'), position: at, total: itemsOf(list).length });
    };
    api.remove = function (listId, index) {
      var list = get(listId, 'remove');
      if (!list) return;
      var items = itemsOf(list);
      var i = parseInt(index, 10);
      if (!(i >= 0 && i < items.length)) return;
      send(idOf(list), 'listRemove', { itemId: items[i].getAttribute('data-ql-item'), index: i, total: items.length - 1 });
      items[i].remove();
    };
    api.move = function (listId, from, to) {
      var list = get(listId, 'move');
      if (!list) return;
      var items = itemsOf(list);
      var a = parseInt(from, 10);
      var b = parseInt(to, 10);
      if (!(a >= 0 && a < items.length && b >= 0 && b < items.length) || a === b) return;
      send(idOf(list), 'listMove', { itemId: items[a].getAttribute('data-ql-item'), from: a, to: b });
      var item = items[a];
      list.removeChild(item);
      var rest = itemsOf(list);
      if (b < rest.length) list.insertBefore(item, rest[b]); else list.appendChild(item);
    };
    api.clear = function (listId) {
      var list = get(listId, 'clear');
      if (!list) return;
      var items = itemsOf(list);
      if (items.length) send(idOf(list), 'listClear', {});
      items.forEach(function (li) { li.remove(); });
    };
    api.moveToList = function (sourceListId, index, targetListId, targetIndex) {
      var src = get(sourceListId, 'moveToList');
      var dst = get(targetListId, 'moveToList');
      if (!src || !dst) return;
      var items = itemsOf(src);
      var i = parseInt(index, 10);
      if (!(i >= 0 && i < items.length)) return;
      if (dst.getAttribute('data-ql-put') === 'false') {
        send(idOf(dst), 'listError', { reason: 'put-disabled' });
        return;
      }
      var targets = itemsOf(dst);
      var j = parseInt(targetIndex, 10);
      if (!(j >= 0) || j > targets.length) j = targets.length;
      var item = items[i];
      send(idOf(dst), 'listMoveToList', { itemId: item.getAttribute('data-ql-item'), fromList: idOf(src), fromIndex: i, toList: idOf(dst), toIndex: j });
      Array.prototype.forEach.call(dst.querySelectorAll(':scope > .empty-list-placeholder'), function (n) { n.remove(); });
      if (j < targets.length) dst.insertBefore(item, targets[j]); else dst.appendChild(item);
      api._reinit(src);
      api._reinit(dst);
    };
    api.sortableEnable = function (listId, enabled) {
      var list = get(listId, 'sortableEnable');
      if (!list) return;
      if (enabled === true || enabled === 1 || enabled === '1' || enabled === 'true') api._reinit(list);
      else if (instances[idOf(list)]) {
        try { instances[idOf(list)].destroy(); } catch (e) { /* already gone */ }
        delete instances[idOf(list)];
      }
    };
    api.getCount = function (listId) {
      var list = get(listId, 'getCount');
      var n = list ? itemsOf(list).length : 0;
      if (list) send(idOf(list), 'listCount', n);
      return n;
    };
    // The texts joined by "|", sent as a JSON string (quoted).
    api.getItems = function (listId) {
      var list = get(listId, 'getItems');
      var text = list ? itemsOf(list).map(textOf).join('|') : '';
      if (list) send(idOf(list), 'listItems', text);
      return text;
    };
    api.getAt = function (listId, pos) {
      var list = get(listId, 'getAt');
      if (!list) return '';
      var li = itemsOf(list)[parseInt(pos, 10)];
      var text = li ? textOf(li) : '';
      send(idOf(list), 'listItem', text);
      return text;
    };

    // SortableJS may arrive after the page: looked for every 100 ms, for 5 s.
    var boot = function () {
      var waited = 0;
      (function look() {
        if (typeof Sortable !== 'undefined') { api._initAll(); return; }
        waited += 100;
        if (waited <= 5000) setTimeout(look, 100);
      })();
    };
    if (document.readyState === 'complete') boot(); else window.addEventListener('load', boot);
    return api;
  })();
};

// Media players: one Plyr player per video, with its icons from the page's own files (never a remote
// address), and their events to the host with the video's id.
var _QL_EXPORT_RT_PLAYERS = function () {
  window.plyrPlayers = window.plyrPlayers || {};
  (function () {
    var send = function (id, type, value) {
      if (typeof window.pb_event === 'function') window.pb_event({ id: id, type: type, value: value === undefined ? '' : String(value) });
    };
    var start = function () {
      if (typeof Plyr === 'undefined') return;
      Array.prototype.forEach.call(document.querySelectorAll('video.plyr-video, audio.plyr-video, .plyr-video'), function (media) {
        if (!media.id || window.plyrPlayers[media.id] || (media.nodeName !== 'VIDEO' && media.nodeName !== 'AUDIO')) return;
        var config = {};
        try {
          config = JSON.parse(media.getAttribute('data-plyr-config') || '{}') || {};
        } catch (e) {
          config = {};
        }
        if (!Array.isArray(config.controls)) {
          config.controls = ['play-large', 'restart', 'rewind', 'fast-forward', 'play', 'progress', 'current-time', 'duration', 'mute',
            'volume', 'captions', 'settings', 'fullscreen'];
        }
        config.iconUrl = window.__qlPlyrIconUrl;
        config.loadSprite = true;
        config.blankVideo = '';
        var id = media.id;
        var player = new Plyr(media, config);
        window.plyrPlayers[id] = player;
        if (config.speed && config.speed.selected) player.speed = config.speed.selected;
        player.on('play', function () { send(id, 'play'); });
        player.on('pause', function () { send(id, 'pause'); });
        player.on('ended', function () { send(id, 'ended'); });
        player.on('volumechange', function () { send(id, 'volumechange', player.muted ? '0' : Math.round(player.volume * 100)); });
        player.on('enterfullscreen', function () { send(id, 'fullscreen', 'enter'); });
        player.on('exitfullscreen', function () { send(id, 'fullscreen', 'exit'); });
        player.on('controlshown', function () { send(id, 'control', 'shown'); });
        ['timeupdate', 'seeking', 'seeked'].forEach(function (type) {
          player.on(type, function () { send(id, type, Math.floor(player.currentTime || 0)); });
        });
        player.on('ratechange', function () { send(id, 'ratechange', player.speed); });
      });
    };
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
    else start();
  })();
};

// Seamless content strips: the strip holds its content three times and moves by one copy's length in a
// loop of duration x 50 steps, one step per display frame; a count other than "infinite" leaves it still
// until it is played.
var _QL_EXPORT_RT_SEAMLESS = function () {
  window._seamlessScrolls = window._seamlessScrolls || {};
  window.initSeamlessScroll = function (id, direction, duration, count, gapPx, reverse) {
    var strip = document.getElementById(id + '-scroll-wrap');
    if (!strip) return;
    var old = window._seamlessScrolls[id];
    if (old && old.raf) cancelAnimationFrame(old.raf);
    var rec = window._seamlessScrolls[id] = {
      pos: 0, step: 0, running: String(count) === 'infinite', reverse: reverse === true || reverse === 'true',
      isVertical: direction === 'vertical', gapPx: Number(gapPx) || 0, oneCopyWidth: 0, frame: 0, raf: 0,
      steps: Math.max(1, Math.round((parseFloat(duration) || 10) * 50)),
    };
    rec.step = rec.reverse ? rec.steps - 1 : 0;
    var measure = function () {
      var first = strip.firstElementChild;
      var n = Math.floor(strip.children.length / 3);
      if (!first || n < 1) return 0;
      var r = first.getBoundingClientRect();
      return (rec.isVertical ? r.height : r.width) * n + (n > 1 ? n * rec.gapPx : 0);
    };
    var place = function () {
      strip.style.transform = (rec.isVertical ? 'translateY(' : 'translateX(') + (-rec.pos) + 'px)';
    };
    rec.loop = function () {
      rec.raf = 0;
      if (!rec.running) return;
      if (!(rec.oneCopyWidth > 0)) rec.oneCopyWidth = measure();
      if (rec.oneCopyWidth > 0) {
        rec.pos = rec.step / rec.steps * rec.oneCopyWidth;
        place();
        if (rec.reverse) rec.step = rec.step <= 0 ? rec.steps - 1 : rec.step - 1;
        else rec.step = rec.step >= rec.steps - 1 ? 0 : rec.step + 1;
        rec.frame++;
      }
      rec.raf = requestAnimationFrame(rec.loop);
    };
    rec.place = place;
    rec.measure = measure;
    if (rec.running) rec.raf = requestAnimationFrame(rec.loop);
  };
  window.scrollContentStop = function (id) {
    var rec = window._seamlessScrolls[id];
    if (rec) rec.running = false;
  };
  window.scrollContentPlay = function (id) {
    var rec = window._seamlessScrolls[id];
    if (!rec) return;
    rec.running = true;
    if (rec.raf) cancelAnimationFrame(rec.raf);
    rec.raf = requestAnimationFrame(rec.loop);
  };
  window.scrollContentRestart = function (id) {
    var rec = window._seamlessScrolls[id];
    if (!rec) return;
    rec.running = false;
    if (rec.raf) cancelAnimationFrame(rec.raf);
    rec.raf = 0;
    rec.step = rec.reverse ? rec.steps - 1 : 0;
    rec.pos = 0;
    rec.oneCopyWidth = rec.measure();
    rec.place();
  };
};

// Tables of an exported page edit their cells in place: a double click on a body cell opens it; Enter or
// leaving keeps the text (into the table's rows, so a later sort or page keeps it), Escape gives the old
// text back; a change is sent as "cellchange".
var _QL_EXPORT_RT_GRID_EDIT = function () {
  document.addEventListener('dblclick', function (e) {
    var td = e.target && e.target.closest ? e.target.closest('td') : null;
    if (!td || td.querySelector('input.gridjs-input-edit')) return;
    var node = td.closest('[data-grid-config]');
    var tr = td.parentElement;
    if (!node || !_gridInstances[node.id] || !tr || !tr.parentElement || tr.parentElement.nodeName !== 'TBODY') return;
    var at = Array.prototype.indexOf.call(tr.children, td);
    if (at < 1 || td.classList.contains('gridjs-notfound') || td.classList.contains('gridjs-loading')) return;
    var open = document.querySelector('input.gridjs-input-edit');
    if (open) open.blur();
    var idxText = tr.getAttribute('data-original-idx');
    if (idxText === null && tr.firstElementChild) idxText = tr.firstElementChild.textContent.trim();
    var idx = Number(idxText);
    var old = td.textContent.trim();
    var input = document.createElement('input');
    input.type = 'text';
    input.className = 'gridjs-input-edit';
    input.value = old;
    td.textContent = '';
    td.appendChild(input);
    input.focus();
    input.select();
    var done = false;
    var finish = function (keep) {
      if (done) return;
      done = true;
      var value = input.value;
      if (!keep || value === old) {
        td.textContent = old;
        return;
      }
      td.textContent = value;
      var rows = _gridDataCache[node.id];
      var row = rows && Number.isInteger(idx) ? rows[idx] : null;
      if (row) row[at] = value;
      _qlGridRefresh(node.id);
      var col = _qlGridVisibleColumns(node.id)[at - 1];
      if (typeof window.pb_event === 'function') {
        window.pb_event({ id: node.id, type: 'cellchange', value: JSON.stringify({ row: (Number.isInteger(idx) ? idx : -1) + 1,
          column: col && col.name !== '' ? col.name : String(at), oldData: old, newData: value }) });
      }
    };
    input.addEventListener('keydown', function (k) {
      if (k.key === 'Enter') { k.preventDefault(); finish(true); } else if (k.key === 'Escape') { k.preventDefault(); finish(false); }
      k.stopPropagation();
    });
    input.addEventListener('blur', function () { finish(true); });
    input.addEventListener('click', function (c) { c.stopPropagation(); });
  }, true);
};

// pb_renderImage (id): the image as drawn (its CSS filter too) at its natural size, sent to the host as a
// PNG in Base64 pieces of 65536 characters, "i/n/piece", one piece per turn; "0/0/" once when there is
// nothing to send.
var _QL_EXPORT_RT_IMAGE = function () {
  window.pb_renderImage = function (id) {
    var send = function (value) {
      if (typeof window.pb_event === 'function') window.pb_event({ id: id, type: 'imageChunk', value: value });
    };
    var img = document.getElementById(id);
    if (!img || img.nodeName !== 'IMG' || !img.getAttribute('src')) {
      send('0/0/');
      return;
    }
    var copy = new Image();
    copy.crossOrigin = 'anonymous';
    copy.onload = function () {
      var data;
      try {
        var canvas = document.createElement('canvas');
        canvas.width = copy.naturalWidth || 300;
        canvas.height = copy.naturalHeight || 200;
        var ctx = canvas.getContext('2d');
        var filter = getComputedStyle(img).filter;
        if (filter && filter !== 'none') ctx.filter = filter;
        ctx.drawImage(copy, 0, 0, canvas.width, canvas.height);
        data = canvas.toDataURL('image/png').replace(/^data:image\/png;base64,/, '');
      } catch (e) {
        send('0/0/');
        return;
      }
      var size = 65536;
      var n = Math.max(1, Math.ceil(data.length / size));
      var i = 0;
      (function next() {
        i++;
        send(i + '/' + n + '/' + data.slice((i - 1) * size, i * size));
        if (i < n) setTimeout(next, 0);
      })();
    };
    copy.onerror = function () { send('0/0/'); };
    copy.src = img.src;
  };
};

registerExportBlock('layout', function () { return _exportLayoutBlock(); });
registerExportBlock('components', function (ctx) {
  return ctx && ctx.needs && ctx.needs.tables ? _exportSourceText('editor/canvas/grid-runtime.js') : '';
});
registerExportBlock('grid-init', function () {
  return "if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', initGridTables);\nelse initGridTables();\n" +
    _qlFunctionBody(_QL_EXPORT_RT_GRID_EDIT);
});
registerExportBlock('chart-init', function () { return _exportChartBlock(); });
registerExportBlock('lists', function () {
  const i18n = { deleteConfirm: t('list.deleteConfirm'), deleteOk: t('list.deleteOk'), deleteCancel: t('list.deleteCancel') };
  return _qlFunctionBody(_QL_EXPORT_RT_LISTS) + '\nQuorlinList._i18n = ' + _qlFlowLiteral(i18n) + ';';
});
registerExportBlock('players', function (ctx) {
  if (!ctx || !ctx.needs || !ctx.needs.players) return '';
  return 'window.__qlPlyrIconUrl = ' + _qlFlowLiteral(_exportAssetBase(ctx.mode) + 'Libraries/plyr.svg') + ';\n' + _qlFunctionBody(_QL_EXPORT_RT_PLAYERS);
});
registerExportBlock('contentscroll', function () { return _qlFunctionBody(_QL_EXPORT_RT_SEAMLESS); });
registerExportBlock('image', function () { return _qlFunctionBody(_QL_EXPORT_RT_IMAGE); });
registerExportBlock('select', function (ctx) {
  return ctx && ctx.needs && ctx.needs.selects ? _qlFunctionBody(_QL_EXPORT_RT_SELECT) : '';
});
