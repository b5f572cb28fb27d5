// A piece of the flow script (see runtime/state.js): bindEventListeners, which ties the flow's event
// nodes to the page. Every binding rebuilds the registries from the graph; the page listeners are
// installed once and always read the latest registries, so nodes added later (copies of an element's
// flow) are served and deleted nodes simply stop being found.
//
// DOM events reach flows through one capturing listener per event type on the document, so elements a
// flow creates later are covered. The element of an event is the nearest design element around its
// target (the "wrap-" prefix taken off). A click on a table's body cell also tells the cell: the row
// (the table's source row from 1, else the shown row) and the column (from 1), for the cell-click
// nodes, which run only for such clicks.
//
// A custom event that a receiver raises again while its receivers still run is skipped (loop guard),
// as a flow signal is.
// Provides: _QL_FLOW_RT_BINDING
// Creates: _quorlinAnimPositionActive

var _QL_FLOW_RT_BINDING = function () {
  var _FLOW_EVENT_DOM = {
    Event_OnClick: 'click', Event_OnInput: 'input', Event_OnChange: 'change', Event_OnFocus: 'focus', Event_OnBlur: 'blur',
    Event_OnCellClick: 'click', Event_OnMouseDown: 'mousedown', Event_OnMouseMove: 'mousemove', Event_OnMouseUp: 'mouseup',
  };
  var _FLOW_OUTPUT_DOM = {
    onMouseDown: 'mousedown', onMouseEnter: 'mouseenter', onMouseLeave: 'mouseleave', onMouseMove: 'mousemove', onCellClick: 'click',
  };
  var _FLOW_ANIM_PHASES = {
    Event_OnStartAnim: 'anim_start', Event_OnEndAnim: 'anim_end', Event_OnPlayAnim: 'anim_play', Event_OnPauseAnim: 'anim_pause',
    Event_OnStopAnim: 'anim_stop', Event_OnAnimPosition: 'anim_position',
  };
  var _FLOW_DOM_EVENTS = ['click', 'input', 'change', 'focus', 'blur', 'mousedown', 'mouseenter', 'mouseleave', 'mousemove',
    'mouseup', 'keydown', 'keyup'];
  var _FLOW_CONSOLE_LEVELS = 'log,info,warn,error,debug';

  var _flowBound = { delegated: false, init: false, frame: false, anim: {}, console: false };
  var _flowListenerNodes = {};
  var _flowConsoleBusy = {};

  function _flowPush(map, key, entry) {
    (map[key] || (map[key] = [])).push(entry);
  }

  function _flowTrimmed(value) {
    return _flowText(value).trim();
  }

  function _flowNodeEntry(nid, outName, cell) {
    var entry = { nid: String(nid) };
    if (outName) entry.outName = outName;
    if (cell) entry.cell = true;
    return entry;
  }

  function _flowBindRegistries(data) {
    var bindings = {};
    var wildcards = {};
    var custom = {};
    var signals = {};
    var consoleNodes = {};
    _flowInitNodes = [];
    _flowFrameNodes = [];
    Object.keys(data).forEach(function (nid) {
      var node = data[nid];
      if (!node || typeof node.name !== 'string') return;
      var d = node.data || {};
      var type = node.name;
      var elementId = _flowTrimmed(d.elementId);
      if (_FLOW_EVENT_DOM[type]) {
        var entry = _flowNodeEntry(nid, '', type === 'Event_OnCellClick');
        if (elementId) _flowPush(bindings[elementId] || (bindings[elementId] = {}), _FLOW_EVENT_DOM[type], entry);
        else _flowPush(wildcards, _FLOW_EVENT_DOM[type], entry);
      } else if (type.indexOf('Element_') === 0) {
        var id = elementId || type.slice(8);
        var outputs = Array.isArray(d._enabledOutputs) ? d._enabledOutputs : _flowNames(node, true);
        outputs.forEach(function (name) {
          if (typeof name !== 'string' || name.indexOf('on') !== 0 || name.length < 3) return;
          var domEvent = _FLOW_OUTPUT_DOM[name] || name.slice(2).toLowerCase();
          _flowPush(bindings[id] || (bindings[id] = {}), domEvent, _flowNodeEntry(nid, name, name === 'onCellClick'));
        });
      } else if (type === 'Event_OnInit') {
        _flowInitNodes.push(String(nid));
      } else if (type === 'Event_OnFrame') {
        _flowFrameNodes.push(String(nid));
      } else if (type === 'Event_OnCustomReceive' && _flowTrimmed(d.eventName)) {
        _flowPush(custom, _flowTrimmed(d.eventName), String(nid));
      } else if (type === 'Event_OnFlowEvent' && _flowTrimmed(d.eventName)) {
        _flowPush(signals, _flowTrimmed(d.eventName), String(nid));
      } else if (type === 'Event_OnConsoleLog') {
        var levels = _flowTrimmed(d.levels) || _FLOW_CONSOLE_LEVELS;
        levels.split(',').map(function (l) { return l.trim(); }).filter(Boolean).forEach(function (level) {
          _flowPush(consoleNodes, level, String(nid));
        });
      }
    });
    _flowBindings = bindings;
    _flowWildcards = wildcards;
    _flowCustomNodes = custom;
    _flowSignalNodes = signals;
    _flowSignalInFlight = {};
    _flowConsoleNodes = consoleNodes;
    try {
      var ws = { Event_OnWebSocketMessage: {}, Event_OnWebSocketClose: {}, Event_OnWebSocketError: {} };
      Object.keys(data).forEach(function (nid) {
        var node = data[nid];
        if (node && ws[node.name]) _flowPush(ws[node.name], _flowTrimmed(node.data && node.data.url) || '*', String(nid));
      });
      _wsMessageListeners = ws.Event_OnWebSocketMessage;
      _wsCloseListeners = ws.Event_OnWebSocketClose;
      _wsErrorListeners = ws.Event_OnWebSocketError;
    } catch (e) {
      _flowReport(e);
    }
    try {
      var anim = {};
      var position = false;
      Object.keys(data).forEach(function (nid) {
        var node = data[nid];
        var phase = node ? _FLOW_ANIM_PHASES[node.name] : undefined;
        if (!phase) return;
        if (phase === 'anim_position') position = true;
        _flowPush(anim, phase, { nid: String(nid), filter: _flowTrimmed(node.data && node.data.animationName) });
      });
      _flowAnimNodes = anim;
      window._quorlinAnimPositionActive = position;
    } catch (e) {
      _flowAnimNodes = {};
      _flowReport(e);
      _dbgPush('anim-registry-err: ' + _flowMsg(e));
    }
  }

  // The design element an event belongs to: from the target up to the body, the first id that is a
  // wrapper ("wrap-" taken off) or an element drawn in one; without any, the nearest id.
  function _flowEventElementId(target) {
    var nearest = '';
    for (var el = target; el && el.nodeType === 1 && el !== document.body && el !== document.documentElement; el = el.parentElement) {
      var id = el.id;
      if (!id) continue;
      if (id.indexOf('wrap-') === 0) return id.slice(5);
      if (document.getElementById('wrap-' + id)) return id;
      if (!nearest) nearest = id;
    }
    return nearest;
  }

  function _flowWrapOf(id) {
    return document.getElementById('wrap-' + id) || document.getElementById(id);
  }

  // The clicked body cell of a table inside the element: {row, col}, else null.
  function _flowCellOf(target, id) {
    var root = _flowWrapOf(id);
    var cell = target && target.closest ? target.closest('td') : null;
    if (!cell || !root || !root.contains(cell)) return null;
    var row = cell.parentElement;
    if (!row || !row.parentElement || row.parentElement.tagName === 'THEAD') return null;
    var visible = function (el) {
      try {
        return window.getComputedStyle(el).display !== 'none' && !el.hidden;
      } catch (e) {
        return true;
      }
    };
    var cells = Array.prototype.filter.call(row.children, function (c) { return c.tagName === 'TD' && visible(c); });
    var col = cells.indexOf(cell) + 1;
    if (col === 0) return null;
    var source = parseInt(row.getAttribute('data-original-idx'), 10);
    var rows = Array.prototype.filter.call(row.parentElement.children, function (r) { return r.tagName === 'TR'; });
    return { row: isFinite(source) && source >= 0 ? source + 1 : rows.indexOf(row) + 1, col: col };
  }

  function _flowEventData(type, event, elementId) {
    var values = { type: type, elementId: elementId };
    var target = event.target;
    if (target && 'value' in target && target.value !== undefined) values.value = target.value;
    if (typeof event.buttons === 'number') values.buttons = event.buttons;
    if (typeof event.pageX === 'number') values.winPosX = event.pageX;
    if (typeof event.pageY === 'number') values.winPosY = event.pageY;
    if (typeof event.offsetX === 'number') values.offsetX = event.offsetX;
    if (typeof event.offsetY === 'number') values.offsetY = event.offsetY;
    return values;
  }

  function _flowStartEntry(entry, values) {
    var run = {};
    for (var k in values) run[k] = values[k];
    if (entry.outName) run._flowOutName = entry.outName;
    flow_start(entry.nid, run);
  }

  function _flowOnCustom(event) {
    var detail = event.detail || {};
    var name = _flowTrimmed(detail.name);
    if (!name) return;
    var nodes = (_flowCustomNodes[name] || []).concat(name === '*' ? [] : _flowCustomNodes['*'] || []);
    if (!nodes.length) return;
    if (_flowCustomInFlight[name]) {
      _flowReport(new Error('custom event "' + name + '" raised again by its own receivers: skipped (loop guard)'));
      return;
    }
    _flowCustomInFlight[name] = true;
    try {
      var payload = detail.payload === undefined || detail.payload === null ? '' : detail.payload;
      nodes.forEach(function (nid) {
        flow_start(nid, { type: 'quorlin:custom', elementId: '_flow', customName: name, payload: payload });
      });
    } finally {
      delete _flowCustomInFlight[name];
    }
  }

  function _flowOnDomEvent(event) {
    var type = event.type;
    var id = _flowEventElementId(event.target);
    if (!id) return;
    var wrap = _flowWrapOf(id);
    if (type === 'click' && wrap && wrap.hasAttribute('data-ql-pass-events') && !wrap.hasAttribute('data-ql-click')) {
      var holder = wrap.parentElement ? wrap.parentElement.closest('[data-ql-click]') : null;
      if (holder && holder.id) {
        id = holder.id.indexOf('wrap-') === 0 ? holder.id.slice(5) : holder.id;
        wrap = _flowWrapOf(id);
      }
    }
    var own = (_flowBindings[id] && _flowBindings[id][type]) || [];
    var wild = _flowWildcards[type] || [];
    if (!own.length && !wild.length) return;
    var values = _flowEventData(type, event, id);
    var wildValues = values;
    if (type === 'click' && !(wrap && wrap.closest('[data-ql-click]'))) {
      wildValues = {};
      for (var k in values) wildValues[k] = values[k];
      wildValues.elementId = '';
    }
    var cell = type === 'click' ? _flowCellOf(event.target, id) : null;
    var runs = [];
    own.forEach(function (entry) { runs.push([entry, values]); });
    wild.forEach(function (entry) { runs.push([entry, wildValues]); });
    runs = runs.filter(function (run) { return !run[0].cell || cell; });
    _dbgPush('evt: ' + type + ' on ' + id + ' -> ' + runs.length + ' node(s)');
    runs.forEach(function (run) {
      var v = run[1];
      if (run[0].cell) {
        v = {};
        for (var key in run[1]) v[key] = run[1][key];
        v.row = cell.row;
        v.col = cell.col;
      }
      _flowStartEntry(run[0], v);
    });
  }

  function _flowInstallDelegated() {
    if (_flowBound.delegated) return;
    _flowBound.delegated = true;
    document.addEventListener('quorlin:custom', function (event) {
      try { _flowOnCustom(event); } catch (e) { _flowReport(e); }
    }, true);
    _FLOW_DOM_EVENTS.forEach(function (type) {
      document.addEventListener(type, function (event) {
        try { _flowOnDomEvent(event); } catch (e) { _flowReport(e); }
      }, true);
    });
  }

  function _flowInstallInit() {
    if (_flowBound.init || !_flowInitNodes.length) return;
    _flowBound.init = true;
    var fired = false;
    var fire = function () {
      if (fired) return;
      fired = true;
      _flowInitNodes.slice().forEach(function (nid) { flow_start(nid, { type: 'page_ready' }); });
    };
    if (window._quorlinPageReadyFired) setTimeout(fire, 0);
    else window.addEventListener('quorlin:page_ready', fire);
  }

  function _flowInstallFrames() {
    if (_flowBound.frame || !_flowFrameNodes.length || typeof window.requestAnimationFrame !== 'function') return;
    _flowBound.frame = true;
    var previous = null;
    var frame = function () {
      var now = window.performance && performance.now ? performance.now() : Date.now();
      var delta = previous === null ? 0 : now - previous;
      previous = now;
      _flowFrameNodes.slice().forEach(function (nid) {
        flow_start(nid, { type: 'frame', deltaMs: delta, elapsedMs: now });
      });
      window.requestAnimationFrame(frame);
    };
    window.requestAnimationFrame(frame);
  }

  function _flowInstallAnimations() {
    try {
      Object.keys(_flowAnimNodes).forEach(function (phase) {
        if (_flowBound.anim[phase]) return;
        _flowBound.anim[phase] = true;
        window.addEventListener('quorlin:' + phase, function (event) {
          var detail = event.detail || {};
          var name = _flowText(detail.name);
          (_flowAnimNodes[phase] || []).slice().forEach(function (entry) {
            if (entry.filter && entry.filter !== name) return;
            flow_start(entry.nid, { type: phase, animationName: name, beat: detail.beat });
          });
        });
      });
    } catch (e) {
      _dbgPush('anim-bind-err: ' + _flowMsg(e));
    }
  }

  function _flowInstallListeners(data) {
    Object.keys(data).forEach(function (nid) {
      var node = data[nid];
      if (!node || node.name !== 'Event_AddListener' || _flowListenerNodes[nid]) return;
      var d = node.data || {};
      var name = _flowTrimmed(d.eventName);
      if (!name) return;
      var elementId = _flowTrimmed(d.elementId);
      var target = elementId ? document.getElementById(elementId) : window;
      if (!target) return;
      var listener = function (event) {
        flow_start(nid, { type: name, elementId: elementId, originalEvent: event });
      };
      _flowListenerNodes[nid] = listener;
      target.addEventListener(name, listener, _flowTruthy(d.useCapture));
    });
  }

  // Console lines reach console-log nodes after the call that wrote them; a node whose own run for a
  // console line is still going is not started again (a node that logs does not trigger itself).
  function _flowConsoleText(args) {
    return Array.prototype.map.call(args, function (a) {
      if (typeof a === 'string') return a;
      if (a instanceof Error) return a.message;
      try {
        var json = JSON.stringify(a);
        return json === undefined ? String(a) : json;
      } catch (e) {
        return String(a);
      }
    }).join(' ');
  }

  function _flowConsoleDispatch(level, text) {
    if (!(_flowConsoleNodes[level] || []).length) return;
    // The nodes whose runs wrote this line (or run while it was written) are not told of it.
    var writers = {};
    for (var busy in _flowConsoleBusy) writers[busy] = true;
    setTimeout(function () {
      (_flowConsoleNodes[level] || []).slice().forEach(function (nid) {
        if (writers[nid] || _flowConsoleBusy[nid]) return;
        _flowConsoleBusy[nid] = true;
        try {
          flow_start(nid, { consoleText: text, consoleLevel: level });
        } finally {
          delete _flowConsoleBusy[nid];
        }
      });
    }, 0);
  }

  function _flowInstallConsole() {
    if (_flowBound.console || !Object.keys(_flowConsoleNodes).length) return;
    _flowBound.console = true;
    var original = {};
    ['log', 'info', 'warn', 'error', 'debug'].forEach(function (level) {
      var fn = console[level];
      if (typeof fn !== 'function') return;
      original[level] = fn;
      console[level] = function () {
        fn.apply(console, arguments);
        _flowConsoleDispatch(level, _flowConsoleText(arguments));
      };
    });
    window._flowReportError = function (error) {
      var message = _flowMsg(error);
      _dbgPush('[error] ' + message);
      if (original.error) original.error.call(console, '[flow] ' + message);
      _flowConsoleDispatch('error', message);
    };
    window.addEventListener('error', function (event) {
      _flowConsoleDispatch('error', event && event.message ? event.message : 'Unknown error');
    });
    window.addEventListener('unhandledrejection', function (event) {
      var reason = event ? event.reason : undefined;
      _flowConsoleDispatch('error', 'Unhandled rejection: ' + (reason && reason.message ? reason.message : _flowText(reason)));
    });
  }

  function bindEventListeners() {
    var data = _flowModuleData(_flowHomeModule());
    _flowBindRegistries(data);
    _dbgPush('bind: ' + JSON.stringify(Object.keys(_flowBindings)) + ' wildcards=' + JSON.stringify(Object.keys(_flowWildcards)));
    _flowInstallInit();
    _flowInstallFrames();
    _flowInstallAnimations();
    _flowInstallListeners(data);
    _flowInstallConsole();
    _flowInstallDelegated();
  }
};
