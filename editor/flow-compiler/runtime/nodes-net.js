// A piece of the flow script (see runtime/state.js): the nodes that leave the page. HTTP requests and
// WebSocket clients, and the native requests a host answers (file dialogs, reading and writing files,
// shell commands, the WebSocket relay), sent through the page's _qlNativeRequest (type, data) ->
// promise of the reply's data. Each asynchronous node ends its branch at once and goes on through
// "flow_out" or "error_out" when its answer comes; an answer to a request the node has since repeated
// is dropped.
//
// A request that no host answers must not leave its flow waiting for ever: it fails with an error
// after a time-out (window.__QUORLIN_NATIVE_TIMEOUT_MS when set, else a time per kind: a dialog waits
// for the user, a command may run long).
// Provides: _QL_FLOW_RT_NET_NODES

var _QL_FLOW_RT_NET_NODES = function () {
  var _FLOW_NATIVE_TIMEOUT_MS = {
    native_open_file_dialog: 30 * 60000, native_save_file_dialog: 30 * 60000, native_run_command: 10 * 60000,
  };
  var _FLOW_NATIVE_DEFAULT_TIMEOUT_MS = 30000;
  // Bytes 128..255 of the console code page (850), for command output that is not UTF-8.
  var _FLOW_CP850 = '\u00c7\u00fc\u00e9\u00e2\u00e4\u00e0\u00e5\u00e7\u00ea\u00eb\u00e8\u00ef\u00ee\u00ec\u00c4\u00c5'
    + '\u00c9\u00e6\u00c6\u00f4\u00f6\u00f2\u00fb\u00f9\u00ff\u00d6\u00dc\u00f8\u00a3\u00d8\u00d7\u0192'
    + '\u00e1\u00ed\u00f3\u00fa\u00f1\u00d1\u00aa\u00ba\u00bf\u00ae\u00ac\u00bd\u00bc\u00a1\u00ab\u00bb'
    + '\u2591\u2592\u2593\u2502\u2524\u00c1\u00c2\u00c0\u00a9\u2563\u2551\u2557\u255d\u00a2\u00a5\u2510'
    + '\u2514\u2534\u252c\u251c\u2500\u253c\u00e3\u00c3\u255a\u2554\u2569\u2566\u2560\u2550\u256c\u00a4'
    + '\u00f0\u00d0\u00ca\u00cb\u00c8\u0131\u00cd\u00ce\u00cf\u2518\u250c\u2588\u2584\u00a6\u00cc\u2580'
    + '\u00d3\u00df\u00d4\u00d2\u00f5\u00d5\u00b5\u00fe\u00de\u00da\u00db\u00d9\u00fd\u00dd\u00af\u00b4'
    + '\u00ad\u00b1\u2017\u00be\u00b6\u00a7\u00f7\u00b8\u00b0\u00a8\u00b7\u00b9\u00b3\u00b2\u25a0\u00a0';

  var ENDED = { outputs: {}, branch: null };

  function _flowBase64Bytes(base64) {
    var binary = atob(_flowText(base64));
    var bytes = new Uint8Array(binary.length);
    for (var i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  function _flowBytesBase64(bytes) {
    var chunks = [];
    for (var i = 0; i < bytes.length; i += 0x8000) {
      chunks.push(String.fromCharCode.apply(null, Array.prototype.slice.call(bytes, i, i + 0x8000)));
    }
    return btoa(chunks.join(''));
  }

  // Bytes as UTF-8 text, non-fatal (broken sequences become U+FFFD).
  function _flowUtf8(bytes) {
    return new window.TextDecoder('utf-8').decode(bytes);
  }

  // Command output: UTF-8 when the bytes are valid UTF-8, else the console code page.
  function _flowCommandText(bytes) {
    try {
      return new window.TextDecoder('utf-8', { fatal: true }).decode(bytes);
    } catch (e) {
      var out = '';
      for (var i = 0; i < bytes.length; i++) out += bytes[i] < 128 ? String.fromCharCode(bytes[i]) : _FLOW_CP850.charAt(bytes[i] - 128);
      return out;
    }
  }

  function _flowNativeTimeout(type) {
    var forced = Number(window.__QUORLIN_NATIVE_TIMEOUT_MS);
    if (forced > 0) return forced;
    return _FLOW_NATIVE_TIMEOUT_MS[type] || _FLOW_NATIVE_DEFAULT_TIMEOUT_MS;
  }

  // The host's answer to a native request, or a rejection: no bridge, a failed send, an error reply,
  // or no answer within the time-out.
  function _flowNativeRequest(type, payload) {
    return new Promise(function (resolve, reject) {
      if (typeof window._qlNativeRequest !== 'function') {
        reject(new Error('native bridge not available'));
        return;
      }
      var timer = setTimeout(function () {
        reject(new Error('no answer from the host to ' + type + ' within ' + _flowNativeTimeout(type) + ' ms'));
      }, _flowNativeTimeout(type));
      var settle = function (fn) {
        return function (value) {
          clearTimeout(timer);
          fn(value);
        };
      };
      try {
        Promise.resolve(window._qlNativeRequest(type, payload)).then(settle(resolve), settle(reject));
      } catch (e) {
        settle(reject)(e);
      }
    });
  }

  // An awaited native node: `finish` (reply data) -> [branch, outputs]; a rejection goes out through
  // "error_out".
  function _flowNativeNode(node, ctx, type, payload, finish) {
    var done = _flowAsyncBegin(node, ctx);
    _flowNativeRequest(type, payload).then(function (data) {
      var result;
      try {
        result = finish(data || {});
      } catch (e) {
        result = ['error_out', { error: _flowMsg(e) }];
      }
      done(result[0], result[1]);
    }, function (error) {
      done('error_out', { error: _flowMsg(error) });
    });
    return ENDED;
  }

  // A native request not waited for; its failure is reported.
  function _flowNativeSend(type, payload) {
    _flowNativeRequest(type, payload).then(null, function (error) { _flowReport(error); });
  }

  _flowNodeHandlers.Action_WsServer_Start = function (node, ctx, io) {
    var again = _flowAsyncReentry(node);
    if (again) return again;
    var port = _flowInt(io.pick('port'), 0);
    return _flowNativeNode(node, ctx, 'native_ws_start', { port: port }, function (data) {
      return ['flow_out', { port: _flowNum(data.port, 0) }];
    });
  };

  _flowNodeHandlers.Action_WsServer_Stop = function () {
    _flowNativeSend('native_ws_stop', {});
    return { outputs: {}, branch: 'flow_out' };
  };

  function _flowDialogNode(type) {
    return function (node, ctx, io) {
      var again = _flowAsyncReentry(node);
      if (again) return again;
      var payload = { filter: _flowText(io.pick('filter')), defaultName: _flowText(io.pick('defaultName')) };
      return _flowNativeNode(node, ctx, type, payload, function (data) {
        return ['flow_out', { path: _flowText(data.path) }];
      });
    };
  }

  _flowNodeHandlers.Action_FileOpenDialog = _flowDialogNode('native_open_file_dialog');
  _flowNodeHandlers.Action_FileSaveDialog = _flowDialogNode('native_save_file_dialog');

  _flowNodeHandlers.Action_FileRead = function (node, ctx, io) {
    var again = _flowAsyncReentry(node);
    if (again) return again;
    var path = _flowText(io.pick('path'));
    if (!path) return ENDED;
    return _flowNativeNode(node, ctx, 'native_read_file', { path: path }, function (data) {
      var content = _flowText(data.content);
      var text = '';
      try {
        text = _flowUtf8(_flowBase64Bytes(content));
      } catch (e) {
        text = '';
      }
      return ['flow_out', { content: content, text: text, size: _flowNum(data.size, 0) }];
    });
  };

  _flowNodeHandlers.Action_FileWrite = function (node, ctx, io) {
    var again = _flowAsyncReentry(node);
    if (again) return again;
    var path = _flowText(io.pick('path'));
    if (!path) return ENDED;
    var raw = io.pick('content');
    var content;
    try {
      content = _flowText(io.data.encoding).trim() === 'base64' ? _flowText(raw)
        : _flowBytesBase64(new window.TextEncoder().encode(_flowValueText(raw)));
    } catch (e) {
      var done = _flowAsyncBegin(node, ctx);
      var message = 'encode failed: ' + _flowMsg(e);
      _flowDefer(function () { done('error_out', { error: message }); });
      return ENDED;
    }
    return _flowNativeNode(node, ctx, 'native_write_file', { path: path, content: content }, function (data) {
      return ['flow_out', { bytesWritten: _flowNum(data.bytesWritten, 0) }];
    });
  };

  _flowNodeHandlers.Action_RunCommand = function (node, ctx, io) {
    var again = _flowAsyncReentry(node);
    if (again) return again;
    var command = _flowText(io.pick('command'));
    if (!command) return ENDED;
    var wait = _flowText(io.data.waitForResult === undefined ? 'true' : io.data.waitForResult).trim() || 'true';
    if (wait !== 'true') {
      _flowNativeSend('native_run_command', { command: command, waitForResult: 'false' });
      return { outputs: {}, branch: 'flow_out' };
    }
    return _flowNativeNode(node, ctx, 'native_run_command', { command: command, waitForResult: 'true' }, function (data) {
      var result = '';
      try {
        result = _flowCommandText(_flowBase64Bytes(data.result));
      } catch (e) {
        result = '';
      }
      var exitCode = _flowNum(data.exitCode, 0);
      return [exitCode === 0 ? 'flow_out' : 'error_out', { result: result, exitCode: exitCode }];
    });
  };

  // HTTP: any status is an answer ("flow_out"); only a failed exchange goes out through "error_out".
  _flowNodeHandlers.Action_HttpRequest = function (node, ctx, io) {
    var again = _flowAsyncReentry(node);
    if (again) return again;
    var url = _flowText(io.pick('url')).trim();
    if (!url) return ENDED;
    var method = (_flowText(io.pick('method')).trim() || 'GET').toUpperCase();
    var options = { method: method };
    var headers = io.pick('headers');
    if (headers !== null && typeof headers === 'object') {
      options.headers = headers;
    } else {
      try {
        var parsed = JSON.parse(_flowText(headers).trim() || '{}');
        if (parsed === null || typeof parsed !== 'object' || Array.isArray(parsed)) throw new Error('headers must be a JSON object');
        options.headers = parsed;
      } catch (e) {
        _flowReport(new Error('Action_HttpRequest: headers are not valid JSON: ' + _flowMsg(e)));
      }
    }
    var body = io.pick('body');
    if ((method === 'POST' || method === 'PUT' || method === 'PATCH') && _flowText(body) !== '') options.body = _flowValueText(body);
    var done = _flowAsyncBegin(node, ctx);
    var fail = function (error) {
      done('error_out', { response: '', statusCode: 0, ok: false, error: _flowMsg(error) });
    };
    try {
      window.fetch(url, options).then(function (response) {
        return response.text().then(function (text) {
          done('flow_out', { response: text, statusCode: response.status, ok: response.ok });
        });
      }).then(null, fail);
    } catch (e) {
      _flowDefer(function () { fail(e); });
    }
    return ENDED;
  };

  // WebSocket clients, one per URL.
  function _flowWsDetach(socket) {
    socket.onopen = null;
    socket.onclose = null;
    socket.onerror = null;
    socket.onmessage = null;
  }

  function _flowWsRun(registry, url, data) {
    var nodes = (registry[url] || []).concat(url === '*' ? [] : registry['*'] || []);
    nodes.forEach(function (nid) {
      var values = {};
      for (var k in data) values[k] = data[k];
      flow_start(nid, values);
    });
  }

  _flowNodeHandlers.Action_WebSocket_Connect = function (node, ctx, io) {
    var again = _flowAsyncReentry(node);
    if (again) return again;
    var url = _flowText(io.pick('url')).trim();
    if (!url) return ENDED;
    var old = _wsSockets[url];
    if (old && (old.readyState === 0 || old.readyState === 1)) {
      _flowWsDetach(old);
      try { old.close(); } catch (e) { /* already closing */ }
    }
    delete _wsSockets[url];
    var protocols = _flowText(io.pick('protocols')).split(',').map(function (p) { return p.trim(); }).filter(Boolean);
    var done = _flowAsyncBegin(node, ctx);
    var socket;
    try {
      socket = protocols.length ? new window.WebSocket(url, protocols) : new window.WebSocket(url);
    } catch (e) {
      var message = _flowMsg(e);
      _flowDefer(function () { done('error_out', { error: message }); });
      return ENDED;
    }
    _wsSockets[url] = socket;
    socket.onopen = function () { done('flow_out', {}); };
    socket.onerror = function () {
      done('error_out', { error: 'ws error' });
      _flowWsRun(_wsErrorListeners, url, { error: 'ws error', origin: url });
    };
    socket.onmessage = function (event) {
      _flowWsRun(_wsMessageListeners, url, { message: _flowText(event.data), origin: url });
    };
    socket.onclose = function (event) {
      if (_wsSockets[url] === socket) delete _wsSockets[url];
      _flowWsRun(_wsCloseListeners, url, { code: event.code, reason: _flowText(event.reason), wasClean: String(Boolean(event.wasClean)),
        origin: url });
    };
    return ENDED;
  };

  _flowNodeHandlers.Action_WebSocket_Send = function (node, ctx, io) {
    var socket = _wsSockets[_flowText(io.pick('url')).trim()];
    if (socket && socket.readyState === 1) {
      try {
        socket.send(_flowValueText(io.pick('message')));
      } catch (e) {
        _flowReport(e);
      }
    }
    return { outputs: {}, branch: 'flow_out' };
  };

  _flowNodeHandlers.Action_WebSocket_Close = function (node, ctx, io) {
    var url = _flowText(io.pick('url')).trim();
    var socket = _wsSockets[url];
    if (socket) {
      _flowWsDetach(socket);
      try { socket.close(); } catch (e) { _flowReport(e); }
      delete _wsSockets[url];
    }
    return { outputs: {}, branch: 'flow_out' };
  };
};
