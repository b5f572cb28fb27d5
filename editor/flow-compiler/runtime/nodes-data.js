// A piece of the flow script (see runtime/state.js): the pure data nodes ("Data_*" other than the page
// getters). The walk asks them on demand when a later node reads one of their outputs; they end no
// branch of their own (Data_Gate alone carries "flow_out").
// Provides: _QL_FLOW_RT_DATA_NODES

var _QL_FLOW_RT_DATA_NODES = function () {
  function _flowData(compute) {
    return function (node, ctx, io) {
      var out = io.out;
      var branch = compute(io, out, node, ctx);
      return { outputs: out, branch: branch === undefined ? null : branch };
    };
  }

  // The op field (an input of that name wins when the node has one), else `fallback`.
  function _flowOp(io, fallback) {
    return _flowText(_pickVal(io.get('op'), io.data.op)).trim() || fallback;
  }

  // Values of a node with a variable number of value inputs: the cable when wired, else the stored
  // input value, else the field.
  function _flowPortValues(node, io) {
    var names = _flowNames(node, false);
    var stored = Array.isArray(io.data._inputValues) ? io.data._inputValues : [];
    var values = [];
    names.forEach(function (name, i) {
      if (_flowIsFlowName(name)) return;
      var value = io.cable(i + 1, undefined);
      if (value === undefined) value = stored[i];
      if (value === undefined || value === null || value === '') {
        var field = io.data[name];
        if (field !== undefined && field !== null && field !== '') value = flowResolveValue(field, null);
      }
      values.push(value);
    });
    return values;
  }

  _flowNodeHandlers.Data_GetVariable = _flowData(function (io, out) {
    out.value = _flowVars[_flowText(io.data.name)];
  });

  _flowNodeHandlers.Data_GetConstant = _flowData(function (io, out) {
    out.value = _flowConsts[_flowText(io.data.name)];
  });

  _flowNodeHandlers.Data_Value = _flowData(function (io, out) {
    var value = flowResolveValue(io.data.value, null);
    var type = _flowText(io.data.type);
    if (type === 'number') out.value = _flowNum(value, 0);
    else if (type === 'boolean') out.value = value === true || value === 'true' || value === 1 || value === '1';
    else out.value = _flowText(value);
  });

  _flowNodeHandlers.Data_Concat = function (node, ctx, io) {
    io.out.result = _flowPortValues(node, io).map(function (v) { return _flowValueText(v); }).join('');
    return { outputs: io.out, branch: null };
  };

  _flowNodeHandlers.Data_ValueSwitch = _flowData(function (io, out) {
    out.result = _flowTruthy(io.get('cond')) ? io.get('A') : io.get('B');
  });

  _flowNodeHandlers.Data_Math = _flowData(function (io, out) {
    var a = _flowNum(io.get('A'), 0);
    var b = _flowNum(io.get('B'), 0);
    var op = _flowOp(io, 'add');
    var r;
    var rad = Math.PI / 180;
    if (op === 'sub') r = a - b;
    else if (op === 'mul') r = a * b;
    else if (op === 'div') r = b === 0 ? null : a / b;
    else if (op === 'mod') r = b === 0 ? null : a - Math.floor(a / b) * b;
    else if (op === 'pow') {
      r = a < 0 && Math.floor(b) !== b ? null : Math.pow(a, b);
      if (typeof r === 'number' && isNaN(r)) r = null;
    } else if (op === 'min') r = Math.min(a, b);
    else if (op === 'max') r = Math.max(a, b);
    else if (op === 'hypot') r = Math.sqrt(a * a + b * b);
    else if (op === 'atan2') r = Math.atan2(a, b);
    else if (op === 'sin') r = Math.sin(a * rad);
    else if (op === 'cos') r = Math.cos(a * rad);
    else if (op === 'tan') r = Math.tan(a * rad);
    else r = a + b;
    out.result = r;
  });

  _flowNodeHandlers.Data_MathFunc = _flowData(function (io, out) {
    var v = _flowNum(io.get('value'), 0);
    var op = _flowOp(io, 'round');
    if (op === 'floor') out.result = Math.floor(v);
    else if (op === 'ceil') out.result = Math.ceil(v);
    else if (op === 'abs') out.result = Math.abs(v);
    else if (op === 'sqrt') out.result = v < 0 ? null : Math.sqrt(v);
    else if (op === 'sign') out.result = Math.sign(v);
    else out.result = Math.round(v);
  });

  _flowNodeHandlers.Data_Json = _flowData(function (io, out) {
    var value = io.get('value');
    var op = _flowOp(io, 'parse');
    if (op === 'stringify') {
      try {
        var text = JSON.stringify(value);
        out.result = text === undefined ? 'null' : text;
      } catch (e) {
        out.result = '';
      }
    } else if (op === 'isValid') {
      try {
        JSON.parse(_flowText(value));
        out.result = true;
      } catch (e) {
        out.result = false;
      }
    } else {
      try {
        out.result = typeof value === 'string' ? JSON.parse(value) : value === undefined ? null : value;
      } catch (e) {
        out.result = null;
      }
    }
  });

  // "a.b[0]['c d'][\"e\"]" -> ['a', 'b', '0', 'c d', 'e']; null when the path cannot be read.
  function _flowPathSteps(path) {
    var steps = [];
    var re = /\s*(?:\.?\s*([^.[\]\s'"]+)|\[\s*(?:'((?:[^'\\]|\\.)*)'|"((?:[^"\\]|\\.)*)"|([^\]'"]*?))\s*\])/y;
    var text = _flowText(path).trim();
    var at = 0;
    while (at < text.length) {
      re.lastIndex = at;
      var m = re.exec(text);
      if (!m || re.lastIndex === at) return null;
      var step = m[1] !== undefined ? m[1] : m[2] !== undefined ? m[2] : m[3] !== undefined ? m[3] : m[4];
      steps.push(String(step).replace(/\\(.)/g, '$1'));
      at = re.lastIndex;
    }
    return steps;
  }

  _flowNodeHandlers.Data_JsonPath = _flowData(function (io, out) {
    var value = io.get('value');
    out.result = null;
    if (typeof value === 'string') {
      try {
        value = JSON.parse(value);
      } catch (e) {
        return;
      }
    }
    var steps = _flowPathSteps(io.get('path'));
    if (!steps) return;
    for (var i = 0; i < steps.length; i++) {
      if (value === null || typeof value !== 'object' || !Object.prototype.hasOwnProperty.call(value, steps[i])) return;
      value = value[steps[i]];
    }
    out.result = value === undefined ? null : value;
  });

  _flowNodeHandlers.Data_Convert = _flowData(function (io, out) {
    var value = io.get('value');
    var op = _flowOp(io, 'toString');
    var zeroNaN = function (n) { return isNaN(n) ? 0 : n; };
    if (op === 'toNumber') out.result = zeroNaN(Number(value));
    else if (op === 'toBoolean') out.result = _flowTruthy(value);
    else if (op === 'parseInt') out.result = zeroNaN(parseInt(value, 10));
    else if (op === 'parseFloat') out.result = zeroNaN(parseFloat(value));
    else out.result = _flowValueText(value);
  });

  _flowNodeHandlers.Data_String = _flowData(function (io, out) {
    var s = _flowValueText(io.get('str'));
    var a = io.get('a');
    var b = io.get('b');
    var op = _flowOp(io, 'length');
    var present = function (v) { return v !== undefined && v !== null && v !== ''; };
    if (op === 'upper') out.result = s.toUpperCase();
    else if (op === 'lower') out.result = s.toLowerCase();
    else if (op === 'trim') out.result = s.trim();
    else if (op === 'substr') {
      var start = _flowInt(a, 0);
      out.result = present(b) ? s.substr(start, _flowInt(b, 0)) : s.substr(start);
    } else if (op === 'replace') out.result = _flowText(a) === '' ? s : s.split(_flowText(a)).join(_flowText(b));
    else if (op === 'split') out.result = JSON.stringify(_flowText(a) === '' ? [s] : s.split(_flowText(a)));
    else if (op === 'indexOf') out.result = s.indexOf(_flowText(a));
    else if (op === 'includes') out.result = s.indexOf(_flowText(a)) !== -1;
    else if (op === 'padStart') out.result = s.padStart(_flowInt(a, 0), present(b) ? _flowText(b) : ' ');
    else out.result = s.length;
  });

  function _flowArrayOf(value) {
    if (Array.isArray(value)) return value.slice();
    try {
      var parsed = JSON.parse(_flowText(value));
      return Array.isArray(parsed) ? parsed : [];
    } catch (e) {
      return [];
    }
  }

  _flowNodeHandlers.Data_Array = _flowData(function (io, out) {
    var list = _flowArrayOf(io.get('array'));
    var item = io.get('item');
    var a = io.get('a');
    var b = io.get('b');
    var op = _flowOp(io, 'length');
    var texts = function () { return list.map(function (v) { return _flowValueText(v); }); };
    if (op === 'push') { list.push(item); out.result = JSON.stringify(list); }
    else if (op === 'unshift') { list.unshift(item); out.result = JSON.stringify(list); }
    else if (op === 'pop') { list.pop(); out.result = JSON.stringify(list); }
    else if (op === 'shift') { list.shift(); out.result = JSON.stringify(list); }
    else if (op === 'length') out.result = list.length;
    else if (op === 'get') {
      var at = _flowInt(a, -1);
      out.result = String(at) === _flowText(a).trim() && at >= 0 && at < list.length ? list[at] : '';
    } else if (op === 'indexOf') out.result = texts().indexOf(_flowValueText(item));
    else if (op === 'includes') out.result = texts().indexOf(_flowValueText(item)) !== -1;
    else if (op === 'join') out.result = texts().join(a === undefined || a === null ? ',' : _flowText(a));
    else if (op === 'slice') {
      var present = function (v) { return v !== undefined && v !== null && v !== ''; };
      out.result = JSON.stringify(present(b) ? list.slice(_flowInt(a, 0), _flowInt(b, list.length)) : list.slice(_flowInt(a, 0)));
    } else if (op === 'sort') {
      out.result = JSON.stringify(list.slice().sort(function (x, y) {
        var p = _flowValueText(x);
        var q = _flowValueText(y);
        return p < q ? -1 : p > q ? 1 : 0;
      }));
    } else out.result = JSON.stringify(list);
  });

  _flowNodeHandlers.Data_Switch = _flowData(function (io, out) {
    var key = _flowValueText(io.get('value'));
    var cases = Array.isArray(io.data.cases) ? io.data.cases : [];
    for (var i = 0; i < cases.length; i++) {
      if (cases[i] && _flowText(cases[i].key) === key) {
        out.result = cases[i].value;
        return;
      }
    }
    out.result = io.data.default === undefined || io.data.default === null ? '' : io.data.default;
  });

  function _flowRgb(colour) {
    var m = /^#([0-9a-f]{6})$/i.exec(_flowText(colour).trim());
    var n = m ? parseInt(m[1], 16) : 0;
    return [(n >> 16) & 255, (n >> 8) & 255, n & 255];
  }

  _flowNodeHandlers.Data_Random = _flowData(function (io, out) {
    var mode = _flowText(io.data.mode).trim() || 'int';
    if (mode === 'color') {
      var p = _flowRgb(io.pick('color1'));
      var q = _flowRgb(io.pick('color2'));
      out.result = '#' + [0, 1, 2].map(function (i) {
        var lo = Math.min(p[i], q[i]);
        var c = lo + Math.floor(Math.random() * (Math.max(p[i], q[i]) - lo + 1));
        return (c < 16 ? '0' : '') + c.toString(16);
      }).join('');
      return;
    }
    var min = _flowNum(io.get('min'), 0);
    var max = _flowNum(io.get('max'), 1);
    if (min > max) {
      var t = min;
      min = max;
      max = t;
    }
    if (mode === 'float') {
      out.result = min + Math.random() * (max - min);
    } else {
      var lo = Math.ceil(min);
      var hi = Math.floor(max);
      out.result = hi < lo ? lo : lo + Math.floor(Math.random() * (hi - lo + 1));
    }
  });

  function _flowLocale(value) {
    var text = _flowText(value).trim();
    if (!text || text === 'system') return (window.navigator && window.navigator.language) || 'en';
    return text;
  }

  function _flowDateName(date, locale, options) {
    try {
      return date.toLocaleString(locale, options);
    } catch (e) {
      return date.toLocaleString('en', options);
    }
  }

  _flowNodeHandlers.Data_Date = _flowData(function (io, out) {
    var now = new Date();
    var locale = _flowLocale(io.data.locale);
    var pad = function (n) { return (n < 10 ? '0' : '') + n; };
    var Y = now.getFullYear();
    var M = now.getMonth() + 1;
    var D = now.getDate();
    var h = now.getHours();
    var m = now.getMinutes();
    var s = now.getSeconds();
    var wd = now.getDay();
    var tokens = {
      YYYY: String(Y), YY: pad(Y % 100), MMMM: _flowDateName(now, locale, { month: 'long' }),
      MMM: _flowDateName(now, locale, { month: 'short' }), MM: pad(M), M: String(M), DD: pad(D), D: String(D),
      dddd: _flowDateName(now, locale, { weekday: 'long' }), ddd: _flowDateName(now, locale, { weekday: 'short' }),
      d: String(wd), HH: pad(h), H: String(h), mm: pad(m), m: String(m), ss: pad(s), s: String(s),
      A: h < 12 ? 'AM' : 'PM', a: h < 12 ? 'am' : 'pm',
    };
    var format = _flowText(_pickVal(io.get('format'), io.data.format)) || 'YYYY-MM-DD HH:mm:ss';
    var weekdayText = _flowText(io.data.weekdayText).trim();
    out.timestamp = now.getTime();
    out.iso = now.toISOString();
    out.date = tokens.YYYY + '-' + tokens.MM + '-' + tokens.DD;
    out.time = tokens.HH + ':' + tokens.mm + ':' + tokens.ss;
    out.year = Y;
    out.month = M;
    out.day = D;
    out.hour = h;
    out.minute = m;
    out.second = s;
    out.weekday = weekdayText === 'short' ? tokens.ddd : weekdayText === 'long' ? tokens.dddd : wd;
    out.formatted = format.replace(/YYYY|YY|MMMM|MMM|MM|M|DD|D|dddd|ddd|d|HH|H|mm|m|ss|s|A|a/g, function (t) { return tokens[t]; });
  });

  // A gate's truth: "1"/"true" and "0"/"false" as texts, anything else by ordinary truthiness.
  function _flowGateTruth(value) {
    if (value === '1' || value === 'true') return true;
    if (value === '0' || value === 'false') return false;
    return Boolean(value);
  }

  _flowNodeHandlers.Data_Gate = function (node, ctx, io) {
    var truths = _flowPortValues(node, io).map(_flowGateTruth);
    var count = truths.filter(Boolean).length;
    var op = _flowOp(io, 'and');
    var r;
    if (op === 'and') r = truths.length > 0 && count === truths.length;
    else if (op === 'or') r = count > 0;
    else if (op === 'not') r = !truths[0];
    else if (op === 'xor') r = count === 1;
    else if (op === 'nand') r = !(truths.length > 0 && count === truths.length);
    else if (op === 'nor') r = count === 0;
    else if (op === 'xnor') r = count !== 1;
    else r = null;
    io.out.result = r;
    return { outputs: io.out, branch: 'flow_out' };
  };

  function _flowIsNumeric(value) {
    if (typeof value === 'number') return isFinite(value);
    return typeof value === 'string' && value.trim() !== '' && isFinite(Number(value));
  }

  _flowNodeHandlers.Data_Compare = _flowData(function (io, out) {
    var a = io.get('A');
    var b = io.get('B');
    var op = _flowOp(io, '==');
    var numeric = _flowIsNumeric(a) && _flowIsNumeric(b);
    var x = numeric ? Number(a) : _flowValueText(a);
    var y = numeric ? Number(b) : _flowValueText(b);
    /* eslint-disable eqeqeq */
    if (op === '==') out.result = a == b;
    else if (op === '!=') out.result = a != b;
    /* eslint-enable eqeqeq */
    else if (op === '===') out.result = a === b;
    else if (op === '!==') out.result = a !== b;
    else if (op === '<') out.result = x < y;
    else if (op === '>') out.result = x > y;
    else if (op === '<=') out.result = x <= y;
    else if (op === '>=') out.result = x >= y;
    else out.result = null;
  });

  // Whether the boxes of two elements meet (touching counts), once per pass; `changed` tells whether
  // that differs from this node's evaluation before.
  _flowNodeHandlers.Data_Overlap = function (node, ctx, io) {
    var id = String(node.id);
    var state = _flowOverlapState[id] || (_flowOverlapState[id] = { pass: -1, previous: null, outputs: null });
    if (state.pass === _flowPassId && state.outputs) return { outputs: state.outputs, branch: null };
    var box = function (name) {
      var el = _resolveWrap(io.get(name));
      return el ? el.getBoundingClientRect() : null;
    };
    var a = box('elementIdA');
    var b = box('elementIdB');
    var overlap = Boolean(a && b && a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom);
    var changed = state.previous !== null && state.previous !== overlap ? 1 : 0;
    state.previous = overlap;
    state.pass = _flowPassId;
    state.outputs = { overlap: overlap, changed: changed };
    return { outputs: state.outputs, branch: null };
  };
};
