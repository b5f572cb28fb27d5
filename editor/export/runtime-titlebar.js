// The title bar of an exported page (the "titlebar" block, written when the design marks a container or
// nine-slice as its title bar). The page cannot move or size its window, so it asks its host: moveWindow,
// resizeWindow ({zone}), minimizeWindow, maximizeWindow and closeWindow send {id "_titlebar_", type: the
// function's name, value: "" or the options' JSON} through pb_event (these page functions replace any
// host functions of the same names). A press on the title bar drags the window unless it lands on
// interactive content, an element with an on-click event, the window buttons or a resize zone; the
// window's edges (the canvas's resize border, 10 px unless set) size it while resizing is allowed. Window
// buttons the design does not supply itself are added at the title bar's right end (min, max, close).
//
// _exportTitlebarConfig (elements, canvasSettings) -> {containerId, allowResize, border, buttons:
// {minimize, maximize, close}} with each button -1 (switched off), an element id (the design's own) or
// null (a default button), or null when no element is the title bar.
// Provides: _QL_EXPORT_RT_TITLEBAR, _exportTitlebarConfig
// Creates: moveWindow, resizeWindow, closeWindow, minimizeWindow, maximizeWindow (in the exported page only)
// Needs: _qlFunctionBody, _qlFlowLiteral, registerExportBlock

function _exportTitlebarConfig(elements, canvasSettings) {
  const bar = (elements || []).find(function (el) {
    return el && (el.type === 'container' || el.type === 'nineslice') && el.isTitlebar;
  });
  if (!bar) return null;
  const button = function (prop) {
    if (bar[prop] === -1 || bar[prop] === '-1') return -1;
    const id = bar[prop + 'Id'];
    return id !== undefined && id !== null && id !== '' ? String(id) : null;
  };
  const border = parseInt(canvasSettings && canvasSettings.resizeBorder, 10);
  return {
    containerId: String(bar.id),
    allowResize: bar.allowResize !== false,
    border: border > 0 ? border : 10,
    buttons: { minimize: button('windowMinimize'), maximize: button('windowMaximize'), close: button('windowClose') },
  };
}

// Runs in the exported page after `var __qlTitlebar = <config>`.
var _QL_EXPORT_RT_TITLEBAR = function () {
  (function () {
    var cfg = window.__qlTitlebar || {};
    var border = cfg.border > 0 ? cfg.border : 10;
    var CURSORS = { top: 'n-resize', bottom: 's-resize', left: 'w-resize', right: 'e-resize', topleft: 'nw-resize',
      topright: 'ne-resize', bottomleft: 'sw-resize', bottomright: 'se-resize' };
    var INTERACTIVE = { BUTTON: 1, INPUT: 1, A: 1, SELECT: 1, TEXTAREA: 1, LABEL: 1 };

    function send(type, value) {
      if (typeof window.pb_event !== 'function') return;
      try {
        window.pb_event({ id: '_titlebar_', type: type, value: value });
      } catch (e) {
        console.warn('[titlebar] ' + type + ':', e);
      }
    }
    window.moveWindow = function () { send('moveWindow', ''); };
    window.resizeWindow = function (options) { send('resizeWindow', JSON.stringify(options || {})); };
    window.closeWindow = function () { send('closeWindow', ''); };
    window.minimizeWindow = function () { send('minimizeWindow', ''); };
    window.maximizeWindow = function () { send('maximizeWindow', ''); };

    // The edge or corner under a point of the window, "" inside.
    function zoneAt(x, y) {
      if (!cfg.allowResize) return '';
      var top = y < border, bottom = y > window.innerHeight - border;
      var left = x < border, right = x > window.innerWidth - border;
      if (top && left) return 'topleft';
      if (top && right) return 'topright';
      if (bottom && left) return 'bottomleft';
      if (bottom && right) return 'bottomright';
      return top ? 'top' : bottom ? 'bottom' : left ? 'left' : right ? 'right' : '';
    }
    function inButtons(node) { return !!(node && node.closest && node.closest('.winbtns')); }
    function interactive(node) {
      if (!node || !node.closest) return false;
      return !!(INTERACTIVE[node.tagName] || node.closest('button, label') || node.closest('[data-ql-click]'));
    }

    document.addEventListener('mousemove', function (e) {
      if (!document.body) return;
      var zone = inButtons(e.target) ? '' : zoneAt(e.clientX, e.clientY);
      document.body.style.cursor = zone ? CURSORS[zone] : '';
    });
    document.addEventListener('mousedown', function (e) {
      if (e.button !== 0 || inButtons(e.target)) return;
      var zone = zoneAt(e.clientX, e.clientY);
      if (!zone) return;
      e.preventDefault();
      window.resizeWindow({ zone: zone });
    });

    var ICONS = {
      minimize: '<svg width="10" height="10" viewBox="0 0 10 10"><rect x="0" y="4.5" width="10" height="1" fill="currentColor"/></svg>',
      maximize: '<svg width="10" height="10" viewBox="0 0 10 10"><rect x="0.5" y="0.5" width="9" height="9" fill="none" stroke="currentColor" stroke-width="1"/></svg>',
      close: '<svg width="10" height="10" viewBox="0 0 10 10"><path d="M0 0L10 10M10 0L0 10" stroke="currentColor" stroke-width="1.2"/></svg>',
    };
    var ACTIONS = { minimize: 'minimizeWindow', maximize: 'maximizeWindow', close: 'closeWindow' };
    var BUTTON_IDS = { minimize: 'btn-min', maximize: 'btn-max', close: 'btn-close' };

    function addDefaultButtons(bar) {
      var wanted = ['minimize', 'maximize', 'close'].filter(function (name) {
        return !cfg.buttons || cfg.buttons[name] === null || cfg.buttons[name] === undefined;
      });
      if (!wanted.length) return;
      if (getComputedStyle(bar).position === 'static') bar.style.position = 'relative';
      var block = document.createElement('div');
      block.style.cssText = 'position:absolute;top:0;right:0;height:32px;z-index:50;';
      var group = document.createElement('div');
      group.className = 'winbtns';
      group.style.cssText = 'display:flex;height:100%;';
      wanted.forEach(function (name) {
        var b = document.createElement('button');
        b.id = BUTTON_IDS[name];
        b.type = 'button';
        b.setAttribute('aria-label', name);
        b.style.cssText = 'width:46px;height:32px;display:flex;align-items:center;justify-content:center;border:0;padding:0;' +
          'margin:0;background:transparent;color:#fff;cursor:default;outline:none;';
        b.innerHTML = ICONS[name];
        b.addEventListener('click', function (e) {
          e.preventDefault();
          window[ACTIONS[name]]();
        });
        group.appendChild(b);
      });
      block.appendChild(group);
      bar.appendChild(block);
    }

    function install() {
      var bar = document.getElementById(cfg.containerId);
      if (!bar) return;
      addDefaultButtons(bar);
      bar.addEventListener('mousedown', function (e) {
        if (e.button !== 0) return;
        if (inButtons(e.target) || zoneAt(e.clientX, e.clientY)) return;
        if (interactive(e.target)) {
          // The press belongs to the control: no drag, and the click reaches the page.
          e.stopPropagation();
          return;
        }
        e.preventDefault();
        window.moveWindow();
      });
      bar.addEventListener('mousemove', function (e) {
        var zone = zoneAt(e.clientX, e.clientY);
        bar.style.cursor = inButtons(e.target) ? '' : zone ? CURSORS[zone] : 'move';
      });
      bar.style.cursor = 'move';
    }
    if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', install);
    else install();
  })();
};

registerExportBlock('titlebar', function (ctx) {
  const cfg = _exportTitlebarConfig(ctx.elements, ctx.canvasSettings);
  if (!cfg) return '';
  return 'var __qlTitlebar = ' + _qlFlowLiteral(cfg) + ';\n' + _qlFunctionBody(_QL_EXPORT_RT_TITLEBAR);
});
