// A piece of the flow script (see runtime/state.js): the UI procedure nodes ("Action_UI_*"), which call
// the script shim's procedures, and the getter nodes ("Data_UI_Get*"), which read the page.
//
// _FLOW_UI_NODES (written by the compiler from the procedure catalogue): node type -> {fn: procedure
// name, params: its inputs in order, result: the output its return value goes to ("" for none),
// colour: the parameter that takes a colour or a theme index, cable: parameter -> input port read
// cable first}.
// Provides: _QL_FLOW_RT_UI_NODES

var _QL_FLOW_RT_UI_NODES = function () {
  function _flowShimFn(name) {
    var shim = window.QuorlinFlow && window.QuorlinFlow.shim;
    var fn = shim && shim[name];
    if (typeof fn === 'function') return fn;
    return typeof window[name] === 'function' ? window[name] : null;
  }

  _flowPrefixHandlers.push(['Action_UI_', function (node, ctx, io) {
    var entry = _FLOW_UI_NODES[node.name];
    if (!entry || !window.QuorlinFlow || !window.QuorlinFlow.shim) return { outputs: {}, branch: null };
    var out = io.out;
    var args = [0];
    entry.params.forEach(function (param) {
      var value = io.pick(param);
      if (entry.cable && entry.cable[param]) value = io.cable(entry.cable[param], value);
      args.push(value);
    });
    var elementId = entry.params.indexOf('elementId') === -1 ? undefined : args[entry.params.indexOf('elementId') + 1];
    try {
      if (entry.colour) {
        var at = entry.params.indexOf(entry.colour) + 1;
        args[at] = _resolveColorWithIdx(elementId, args[at], _flowTruthy(io.data.useThemeColor));
      }
      var fn = _flowShimFn(entry.fn);
      if (!fn) throw new Error(node.name + ': ' + entry.fn + ' is not available');
      var result = fn.apply(window, args);
      if (entry.result) out[entry.result] = result;
    } catch (e) {
      _flowReport(e);
    }
    out.elementId = elementId === undefined || elementId === null ? '' : elementId;
    return { outputs: out, branch: 'flow_out' };
  }]);

  // Getters.
  function _flowGetterId(io) {
    var id = io.pick('elementId');
    return id === undefined || id === null ? '' : id;
  }

  // The design wrapper around `el` (its nearest ancestor "wrap-*"), or null.
  function _flowParentWrapper(el) {
    for (var p = el ? el.parentElement : null; p; p = p.parentElement) {
      if (p.id && p.id.indexOf('wrap-') === 0) return p;
    }
    return null;
  }

  // The wrappers directly inside the wrapper of `id` (those whose nearest ancestor wrapper it is).
  function _flowChildWrappers(id) {
    var wrap = _resolveWrap(id);
    if (!wrap) return [];
    return Array.prototype.filter.call(wrap.querySelectorAll('[id^="wrap-"]'), function (w) {
      return _flowParentWrapper(w) === wrap;
    });
  }

  function _flowWrapperId(wrap) {
    return wrap ? wrap.id.slice(5) : '';
  }

  function _flowGetter(compute) {
    return function (node, ctx, io) {
      var id = _flowGetterId(io);
      var out = io.out;
      compute(id, io, out);
      out.elementId = id;
      return { outputs: out, branch: null };
    };
  }

  function _flowStateGetter(procedure, output) {
    return _flowGetter(function (id, io, out) {
      out[output] = id === '' ? false : _flowTruthy(_flowShimFn(procedure)(0, id));
    });
  }

  _flowNodeHandlers.Data_UI_GetText = _flowGetter(function (id, io, out) {
    out.text = id === '' ? '' : _flowShimFn('UI_GetText')(0, id);
  });
  _flowNodeHandlers.Data_UI_GetValue = _flowGetter(function (id, io, out) {
    out.value = id === '' ? '' : _flowShimFn('UI_GetValue')(0, id);
  });
  _flowNodeHandlers.Data_UI_GetChecked = _flowStateGetter('UI_GetChecked', 'checked');
  _flowNodeHandlers.Data_UI_GetEnabled = _flowStateGetter('UI_GetEnabled', 'enabled');
  _flowNodeHandlers.Data_UI_GetVisible = _flowStateGetter('UI_GetVisible', 'visible');

  _flowNodeHandlers.Data_UI_GetListItems = _flowGetter(function (id, io, out) {
    var list = id === '' ? null : _qlpList(id);
    out.items = list ? JSON.stringify(Array.prototype.map.call(list.children, _qlpItemText)) : '[]';
  });

  _flowNodeHandlers.Data_UI_GetAttribute = _flowGetter(function (id, io, out) {
    var name = _flowText(io.pick('attribute')).trim();
    var el = id === '' ? null : _resolveEl(id);
    out.value = el && name && el.hasAttribute(name) ? el.getAttribute(name) : '';
  });

  _flowNodeHandlers.Data_UI_GetStyle = _flowGetter(function (id, io, out) {
    out.value = '';
    var property = _flowText(io.pick('property')).trim();
    var el = id === '' ? null : _resolveEl(id);
    if (!el || !property) return;
    try {
      var css = property.indexOf('-') === -1 ? property.replace(/[A-Z]/g, function (c) { return '-' + c.toLowerCase(); }) : property;
      var value = el.style.getPropertyValue(css) || el.style[property] || '';
      if (!value) value = window.getComputedStyle(el).getPropertyValue(css);
      out.value = _flowText(value);
    } catch (e) {
      out.value = '';
    }
  });

  _flowNodeHandlers.Data_UI_GetParentId = _flowGetter(function (id, io, out) {
    out.parentId = id === '' ? '' : _flowWrapperId(_flowParentWrapper(_resolveWrap(id)));
  });

  _flowNodeHandlers.Data_UI_GetChildId = _flowGetter(function (id, io, out) {
    var children = id === '' ? [] : _flowChildWrappers(id);
    out.firstChildId = _flowWrapperId(children[0]);
    out.lastChildId = _flowWrapperId(children[children.length - 1]);
  });

  _flowNodeHandlers.Data_UI_GetChildrenIds = _flowGetter(function (id, io, out) {
    var ids = (id === '' ? [] : _flowChildWrappers(id)).map(_flowWrapperId);
    out.childIds = ids.join(',');
    out.childCount = ids.length;
  });

  _flowNodeHandlers.Data_UI_GetElementAt = _flowGetter(function (id, io, out) {
    var n = function (name) {
      var text = _flowText(io.pick(name)).trim();
      return /^-?\d+$/.test(text) ? Number(text) : NaN;
    };
    var columns = n('totalColumns');
    var rows = n('totalRows');
    var row = n('row');
    var column = n('column');
    out.out_elementId = '';
    if (!(row >= 0 && row < rows && column >= 0 && column < columns)) return;
    var child = id === '' ? null : _flowChildWrappers(id)[row * columns + column];
    out.out_elementId = _flowWrapperId(child);
  });

  // The getters of the shim's getter table.
  _flowPrefixHandlers.push(['Data_UI_Get', function (node, ctx, io) {
    var table = window._UI_GETTER_TABLE || {};
    var spec = table[node.name];
    if (!spec) return { outputs: {}, branch: null };
    var out = io.out;
    var inputs = Array.isArray(spec.inputs) ? spec.inputs : ['elementId'];
    var args = [0].concat(inputs.map(function (name) {
      var value = io.pick(name);
      return value === undefined || value === null ? '' : value;
    }));
    var id = inputs.indexOf('elementId') === -1 ? undefined : args[inputs.indexOf('elementId') + 1];
    var value = _flowShimFn(spec.pb).apply(window, args);
    var port = spec.outputPort || 'value';
    if (port === 'color' && _flowTruthy(io.data.useThemeColor)) {
      var el = _qlpEl(id);
      var stamped = el ? el.getAttribute('data-ql-theme-idx') : null;
      value = stamped !== null && stamped !== '' ? Number(stamped) : _colorToThemeIndex(value);
    }
    if (spec.coerce === 'bool') value = _flowTruthy(value);
    out[port] = value;
    if (id !== undefined) out.elementId = id;
    return { outputs: out, branch: null };
  }]);
};
