// A piece of the flow script (see runtime/state.js): the action nodes that stay inside the page: custom
// events and flow signals, variables, timers, the console, speech and tones.
// Provides: _QL_FLOW_RT_ACTION_NODES

var _QL_FLOW_RT_ACTION_NODES = function () {
  var FLOW_OUT = 'flow_out';

  function _flowDone(out) {
    return { outputs: out || {}, branch: FLOW_OUT };
  }

  // Events and variables.
  _flowNodeHandlers.Action_CustomEmit = function (node, ctx, io) {
    var name = _flowText(io.pick('eventName')).trim();
    var payload = _flowValueText(io.pick('payload'));
    if (name.indexOf(':') !== -1) {
      _flowReport(new Error('Action_CustomEmit: invalid eventName (must not contain a colon)'));
    } else if (name && typeof window.pb_event === 'function') {
      // Flagged: the page's bridge sends it to the host instead of raising a flow event.
      window.pb_event({ id: '_flow', type: 'custom:' + name, value: payload, _fromFlow: true });
    }
    return _flowDone();
  };

  _flowNodeHandlers.Action_FlowEmit = function (node, ctx, io) {
    var name = _flowText(io.pick('eventName')).trim();
    var payload = io.pick('payload');
    var targets = (_flowSignalNodes[name] || []).concat(name === '*' ? [] : _flowSignalNodes['*'] || []);
    if (!name || !targets.length) return _flowDone();
    if (_flowSignalInFlight[name]) {
      _flowReport(new Error('FlowEmit: re-entrant emit of "' + name + '" skipped (loop guard)'));
      return _flowDone();
    }
    _flowSignalInFlight[name] = true;
    _flowDefer(function () {
      try {
        // Read again: a later binding may have changed the receivers.
        var now = (_flowSignalNodes[name] || []).concat(name === '*' ? [] : _flowSignalNodes['*'] || []);
        now.forEach(function (nid) {
          flow_start(nid, { customName: name, payload: payload, elementId: '_flow' });
        });
      } finally {
        delete _flowSignalInFlight[name];
      }
    });
    return _flowDone();
  };

  _flowNodeHandlers.Action_SetVariable = function (node, ctx, io) {
    var name = _flowText(io.data.name).trim();
    if (!name) _flowReport(new Error('Action_SetVariable: missing variable name'));
    else _flowVars[name] = io.get('value');
    return _flowDone();
  };

  _flowNodeHandlers.Action_MathVariable = function (node, ctx, io) {
    var name = _flowText(io.data.name).trim();
    if (!name) {
      _flowReport(new Error('Action_MathVariable: missing variable name'));
      return _flowDone();
    }
    var a = _flowNum(_flowVars[name], 0);
    var b = _flowNum(io.get('value'), 0);
    var op = _flowText(_pickVal(io.get('op'), io.data.op)).trim() || 'add';
    var result;
    if (op === 'sub') result = a - b;
    else if (op === 'mul') result = a * b;
    else if (op === 'div') result = b === 0 ? undefined : a / b;
    else if (op === 'mod') result = b === 0 ? undefined : a - Math.floor(a / b) * b;
    else if (op === 'pow') result = a < 0 && Math.floor(b) !== b ? undefined : Math.pow(a, b);
    else result = a + b;
    if (typeof result === 'number' && !isNaN(result)) _flowVars[name] = result;
    return _flowDone();
  };

  // Timers.
  function _flowStopTimer(entry) {
    if (!entry) return;
    clearTimeout(entry.id);
    clearInterval(entry.id);
    if (entry.type === 'timedloop' && _flowLoopState[entry.nodeId]) _flowLoopState[entry.nodeId].cancelled = true;
  }

  function _flowTimerNode(kind) {
    return function (node, ctx, io) {
      var id = String(node.id);
      if (ctx._isTick && String(ctx._tickSource) === id) return { outputs: {}, branch: 'timer_flow_out' };
      var name = _flowText(io.pick('name')).trim();
      if (!name) {
        _flowReport(new Error(node.name + ': missing timer name'));
        return _flowDone();
      }
      var ms = _flowInt(io.pick('ms'), NaN);
      if (!(ms >= 1)) ms = 1000;
      var module = ctx._module || null;
      var running = _flowTimers[name];
      if (running && running.nodeId === id && running.ms === ms && running.type === kind) return _flowDone();
      _flowStopTimer(running);
      var entry = { type: kind, nodeId: id, sourceName: node.name, ms: ms, module: module };
      if (kind === 'interval') {
        entry.id = setInterval(function () { _flowFireTimer(id, module); }, ms);
      } else {
        entry.id = setTimeout(function () {
          if (_flowTimers[name] === entry) delete _flowTimers[name];
          _flowFireTimer(id, module);
        }, ms);
      }
      _flowTimers[name] = entry;
      return _flowDone();
    };
  }

  _flowNodeHandlers.Action_StartInterval = _flowTimerNode('interval');
  _flowNodeHandlers.Action_StartTimeout = _flowTimerNode('timeout');

  _flowNodeHandlers.Action_ClearTimer = function (node, ctx, io) {
    var name = _flowText(io.pick('name')).trim();
    var key = Object.prototype.hasOwnProperty.call(_flowTimers, name) ? name : null;
    if (key === null) {
      var lower = name.toLowerCase();
      key = Object.keys(_flowTimers).filter(function (k) { return k.toLowerCase() === lower; })[0] || null;
    }
    if (key !== null) {
      _flowStopTimer(_flowTimers[key]);
      delete _flowTimers[key];
    }
    return _flowDone();
  };

  // Console.
  _flowNodeHandlers.Action_ConsoleLog = function (node, ctx, io) {
    var level = _flowText(io.data.level).trim() || 'log';
    try {
      var method = typeof console[level] === 'function' ? level : 'log';
      console[method](_flowValueText(io.get('text')));
    } catch (e) {
      _flowReport(e);
    }
    return _flowDone();
  };

  // A number within [lo, hi]; `fallback` only when the value is missing or no number (0 is kept).
  function _flowClamp(value, fallback, lo, hi) {
    var n = _flowNum(value, NaN);
    if (isNaN(n)) return fallback;
    return Math.min(hi, Math.max(lo, n));
  }

  // Speech.
  _flowNodeHandlers.Action_TTS = function (node, ctx, io) {
    var speech = window.speechSynthesis;
    if (!speech) return _flowDone();
    var op = _flowText(io.data.op).trim() || 'speak';
    try {
      if (op === 'cancel' || op === 'pause' || op === 'resume') {
        speech[op]();
        return _flowDone();
      }
      var text = _flowValueText(io.cable(2, io.pick('text')));
      if (text === '' || !window.SpeechSynthesisUtterance) return _flowDone();
      var utterance = new window.SpeechSynthesisUtterance(text);
      utterance.rate = _flowClamp(io.cable(3, io.pick('rate')), 1, 0.1, 10);
      utterance.pitch = _flowClamp(io.cable(4, io.pick('pitch')), 1, 0, 2);
      utterance.volume = _flowClamp(io.cable(5, io.pick('volume')), 1, 0, 1);
      var lang = _flowText(io.cable(6, io.pick('lang'))).trim();
      var wanted = _flowText(io.data.voice).trim();
      var voices = typeof speech.getVoices === 'function' ? speech.getVoices() || [] : [];
      var voice = null;
      for (var i = 0; i < voices.length && !voice; i++) if (wanted && voices[i].name === wanted) voice = voices[i];
      for (var j = 0; j < voices.length && !voice; j++) if (lang && voices[j].lang === lang) voice = voices[j];
      if (voice) utterance.voice = voice;
      if (lang) utterance.lang = lang;
      speech.cancel();
      speech.speak(utterance);
    } catch (e) {
      _flowReport(e);
    }
    return _flowDone();
  };

  // Tones: an oscillator through an envelope (attack, decay, sustain, release); the flow goes on at once
  // and "flow_done" follows when the tone has ended.
  _flowNodeHandlers.Action_PlayTone = function (node, ctx, io) {
    var frequency = _flowNum(io.cable(2, io.pick('frequency')), NaN);
    if (!(frequency > 0)) frequency = 440;
    var volume = _flowClamp(io.cable(3, io.pick('volume')), 0.3, 0, 1);
    var duration = Math.max(0, _flowNum(io.cable(4, io.pick('duration')), 0));
    var waveform = _flowText(io.cable(5, io.pick('waveform'))).trim() || 'sine';
    var attack = Math.max(0, _flowNum(io.cable(6, io.pick('attack')), 0));
    var decay = Math.max(0, _flowNum(io.cable(7, io.pick('decay')), 0));
    var sustain = _flowClamp(io.cable(8, io.pick('sustain')), 0.7, 0, 1);
    var release = Math.max(0, _flowNum(io.cable(9, io.pick('release')), 0));
    var done = _flowAsyncBegin(node, ctx);
    var context = null;
    try {
      var Audio = window.AudioContext || window.webkitAudioContext;
      if (!Audio) throw new Error('audio is not available');
      context = new Audio();
      var osc = context.createOscillator();
      var gain = context.createGain();
      osc.type = waveform;
      osc.frequency.value = frequency;
      osc.connect(gain);
      gain.connect(context.destination);
      var t0 = context.currentTime;
      var held = t0 + attack + decay + duration;
      var end = held + release;
      gain.gain.setValueAtTime(0, t0);
      gain.gain.linearRampToValueAtTime(volume, t0 + attack);
      gain.gain.linearRampToValueAtTime(sustain * volume, t0 + attack + decay);
      gain.gain.setValueAtTime(sustain * volume, held);
      gain.gain.linearRampToValueAtTime(0, end);
      var ctxRef = context;
      osc.onended = function () {
        try { ctxRef.close(); } catch (e) { /* already closed */ }
        done('flow_done', { frequency: frequency, waveform: waveform });
      };
      osc.start(t0);
      osc.stop(end + 0.02);
    } catch (e) {
      _flowReport(e);
      try { if (context) context.close(); } catch (e2) { /* already closed */ }
      var message = _flowMsg(e);
      _flowDefer(function () { done('flow_done', { error: message }); });
    }
    return _flowDone();
  };
};
