// The standalone program builder: the design's page in "pb" mode with everything it refers to (fonts,
// libraries, pictures, sounds, videos, also those named in flow code), the loader template from the
// host (with the user's icon when one is chosen), then the container and footer, posted to the host,
// which writes the program (mode 0755) and, when asked, starts it.
// - The files go into the container when the assets are embedded, else beside the program; videos always
//   beside it (the loader serves byte ranges of files only).
// - Each file travels under its decoded project-relative name, fetched and posted with each segment
//   encoded once, so a name with a space or a letter such as "é" is found in both modes.
// - Every file is downloaded before anything is saved: a missing library or style sheet fails the build,
//   missing media are named in a warning. With auto-run and files beside the program, the start request
//   rides on the last file, so the program never starts before its files are there.
// Provides: buildStandaloneExe, _qrlTitlebarConfig, _QRL_MEDIA_EXT, _QRL_VIDEO_EXT, _QRL_CODE_MEDIA_FOLDERS, _qrlLocalBase, _qrlFetchBytes,
//   _getSharedStandaloneIcon, _browseStandaloneIcon, onStandaloneIconToggle, _browseStandaloneExePath,
//   _requestStandaloneSavePath, _qrlCollectMediaPaths, _qrlFlowGraph, _qrlWalkGraphStrings,
//   _qrlCollectCodeRelativePaths, _qrlCollectCodeFragmentPaths, _qlRewriteMediaInCode
// Needs: _LOADER_FETCH_PATH, _qrlAppName, _qrlBuildContainer, _qrlBuildFooter, _qrlBuildMeta, _qrlConcat,
//   _qrlMediaEntryNames, _qrlResourceName, _qrlTitlebarMeta, _qrlWindowSize, buildExportHTML, collectEmbedAssets,
//   elements
// Calls: _qlAskHost, _qlFlowSourceGraph, _qlHostFetch, _qlSendToHost, showToast, t
// Creates: _standaloneSavePath, _qlFlowCodeRewriter

var _QRL_MEDIA_EXT_LIST = 'png|jpg|jpeg|gif|svg|webp|ico|bmp|mp3|wav|ogg|aac|m4a|flac|opus|mp4|webm|ogv|mov|m4v';
var _QRL_MEDIA_EXT = new RegExp('\\.(?:' + _QRL_MEDIA_EXT_LIST + ')$', 'i');
var _QRL_VIDEO_EXT = /\.(?:mp4|webm|ogv|mov|m4v)$/i;
// Folders below the project that flow code builds media paths in.
var _QRL_CODE_MEDIA_FOLDERS = 'images|img|sound|sounds|music|audio|media|assets';
var _QRL_LOCAL_ORIGIN = 'http://localhost:56789/';

function _qrlLocalBase() {
  return 'http://127.0.0.1:' + (location.port || '56789') + '/';
}

// A relative path with each segment encoded once (the host decodes it once).
function _qrlEncodePath(path) {
  return String(path).split('/').map(encodeURIComponent).join('/');
}

// GET of a host route or file -> bytes; a reply that is not OK throws with its status and text.
async function _qrlFetchBytes(route) {
  const reply = await _qlHostFetch(route);
  if (!reply.ok) {
    let text = '';
    try { text = (await reply.text()).trim(); } catch (e) { /* the status says enough */ }
    throw new Error('Fetch failed: ' + route + ' (' + reply.status + (text ? ' - ' + text : '') + ')');
  }
  return new Uint8Array(await reply.arrayBuffer());
}

function _qrlField(id) {
  return document.getElementById(id);
}
function _qrlChecked(id) {
  const box = _qrlField(id);
  return !!(box && box.checked);
}
function _qrlStored(key) {
  try { return localStorage.getItem(key) || ''; } catch (e) { return ''; }
}
function _qrlStore(key, value) {
  try { localStorage.setItem(key, value); } catch (e) { /* shown in the field all the same */ }
}

// The icon path shared with the compile options; a bare name (the "icon.ico" placeholder) is no icon.
function _getSharedStandaloneIcon() {
  const field = _qrlField('flag-icon-val');
  const path = String(field && field.value ? field.value : _qrlStored('quorlin_flag_icon_val')).trim();
  return /[/\\]/.test(path) ? path : '';
}

async function _browseStandaloneIcon() {
  const answer = await _qlAskHost('_compilerPath', 'icon_requester', '', 30000);
  const path = answer.answered ? String(answer.value || '').trim() : '';
  const shown = _qrlField('standalone-icon-path');
  if (path) {
    const field = _qrlField('flag-icon-val');
    if (field) field.value = path;
    _qrlStore('quorlin_flag_icon_val', path);
    if (shown) shown.textContent = path;
    const box = _qrlField('standalone-icon-check');
    if (box) box.checked = true;
  }
  return path;
}

function onStandaloneIconToggle() {
  const box = _qrlField('standalone-icon-check');
  const shown = _qrlField('standalone-icon-path');
  if (!box || !box.checked) {
    if (shown) shown.textContent = '';
    return;
  }
  const icon = _getSharedStandaloneIcon();
  if (icon) {
    if (shown) shown.textContent = icon;
  } else {
    box.checked = false;  // ticked again once a path comes back
    _browseStandaloneIcon();
  }
}

// Asks the host for a save path: resolves the path or "cancelled" (also without a host).
function _requestStandaloneSavePath(appName) {
  return new Promise(function (resolve) {
    window._standaloneSavePath = function (path) {
      window._standaloneSavePath = null;
      resolve(path ? String(path) : 'cancelled');
    };
    if (!_qlSendToHost('standalone_save_request', appName)) {
      window._standaloneSavePath = null;
      resolve('cancelled');
    }
  });
}

async function _browseStandaloneExePath() {
  const path = await _requestStandaloneSavePath(_qrlAppName());
  if (path === 'cancelled') return '';
  const field = _qrlField('standalone-path-input');
  if (field) field.value = path;
  _qrlStore('quorlin_standalone_path', path);
  return path;
}

// The distinct media paths (as written after the address) the page loads from the local server.
function _qrlCollectMediaPaths(html) {
  const out = [];
  const re = /http:\/\/localhost:\d+\/([^"'\s)]+)/g;
  let m;
  while ((m = re.exec(String(html)))) {
    const p = m[1];
    if (p.indexOf('Fonts/') === 0 || p.indexOf('Libraries/') === 0 || !_QRL_MEDIA_EXT.test(p)) continue;
    if (out.indexOf(p) === -1) out.push(p);
  }
  return out;
}

// The flow graph the page will be built from.
function _qrlFlowGraph() {
  return typeof _qlFlowSourceGraph === 'function' ? _qlFlowSourceGraph() : null;
}

function _qrlWalkGraphStrings(graph, callback) {
  const walk = function (value, depth) {
    if (typeof value === 'string') callback(value);
    else if (value && typeof value === 'object' && depth < 200) Object.keys(value).forEach(function (k) { walk(value[k], depth + 1); });
  };
  walk(graph, 0);
}

var _QRL_QUOTED_MEDIA = new RegExp('(["\'])((?:(?!\\1)[^\\s])*?\\.(?:' + _QRL_MEDIA_EXT_LIST + '))\\1', 'gi');
var _QRL_NOT_RELATIVE = /^(?:https?:|data:|ext:|blob:|\/\/|Fonts\/|Libraries\/)/i;

// Media paths flow code names in full ("images/logo.png", '/sound/beep.mp3').
function _qrlCollectCodeRelativePaths(graph) {
  const out = [];
  _qrlWalkGraphStrings(graph === undefined ? _qrlFlowGraph() : graph, function (s) {
    _QRL_QUOTED_MEDIA.lastIndex = 0;
    let m;
    while ((m = _QRL_QUOTED_MEDIA.exec(s))) {
      if (_QRL_NOT_RELATIVE.test(m[2])) continue;
      const p = m[2].replace(/^\/+/, '');
      // A bare extension (".png", the tail of a name built from pieces) names no file.
      if (/(?:^|\/)\.[^/]*$/.test(p)) continue;
      if (out.indexOf(p) === -1) out.push(p);
    }
  });
  return out;
}

// Media paths flow code builds from pieces ("/images/car_" + n + ".png"): every file of the folder that
// begins with the piece and has the extension, as the host lists the folder.
async function _qrlCollectCodeFragmentPaths(graph) {
  const wanted = [];
  const extRe = new RegExp('(["\'])\\.(' + _QRL_MEDIA_EXT_LIST + ')\\1', 'i');
  const startRe = new RegExp('(["\'])(\\/(?:' + _QRL_CODE_MEDIA_FOLDERS + ')\\/(?:(?!\\1).)*)\\1', 'gi');
  _qrlWalkGraphStrings(graph === undefined ? _qrlFlowGraph() : graph, function (s) {
    const ext = extRe.exec(s);
    if (!ext) return;
    startRe.lastIndex = 0;
    let m;
    while ((m = startRe.exec(s))) {
      const text = m[2].slice(1);
      const cut = text.lastIndexOf('/');
      const item = { folder: text.slice(0, cut), prefix: text.slice(cut + 1), ext: ext[2].toLowerCase() };
      if (!wanted.some(function (w) { return w.folder === item.folder && w.prefix === item.prefix && w.ext === item.ext; })) wanted.push(item);
    }
  });
  const out = [];
  for (const w of wanted) {
    let names;
    try {
      const reply = await _qlHostFetch('listdir/' + _qrlEncodePath(w.folder));
      if (!reply.ok) continue;
      names = await reply.json();
    } catch (e) {
      continue;
    }
    (Array.isArray(names) ? names : []).forEach(function (name) {
      const n = String(name);
      if (n.indexOf(w.prefix) === 0 && n.toLowerCase().endsWith('.' + w.ext)) {
        const p = w.folder + '/' + n;
        if (out.indexOf(p) === -1) out.push(p);
      }
    });
  }
  return out;
}

// A copy of the graph whose media paths in code point at the local server, where the loader serves them.
function _qlRewriteMediaInCode(graph) {
  const folderRe = new RegExp('(["\'])\\/((?:' + _QRL_CODE_MEDIA_FOLDERS + ')\\/)', 'gi');
  const rewrite = function (s) {
    return s.replace(_QRL_QUOTED_MEDIA, function (all, q, p) {
      const bare = /(?:^|\/)\.[^/]*$/.test(p.replace(/^\/+/, ''));
      return _QRL_NOT_RELATIVE.test(p) || bare ? all : q + _QRL_LOCAL_ORIGIN + p.replace(/^\/+/, '') + q;
    }).replace(folderRe, function (all, q, folder) { return q + _QRL_LOCAL_ORIGIN + folder; });
  };
  const copy = function (value, depth) {
    if (typeof value === 'string') return rewrite(value);
    if (Array.isArray(value)) return value.map(function (v) { return copy(v, depth + 1); });
    if (value && typeof value === 'object' && depth < 200) {
      const out = {};
      Object.keys(value).forEach(function (k) { out[k] = copy(value[k], depth + 1); });
      return out;
    }
    return value;
  };
  return copy(graph, 0);
}

// What the export dialog and the stored options ask for.
function _qrlStandaloneInputs() {
  const pathField = _qrlField('standalone-path-input');
  return {
    embed: _qrlChecked('standalone-embed-check'),
    icon: _qrlChecked('standalone-icon-check') ? _getSharedStandaloneIcon() : '',
    savePath: String(pathField && pathField.value ? pathField.value : _qrlStored('quorlin_standalone_path')).trim(),
    autorun: _qrlChecked('standalone-autorun-check'),
    debug: _qrlStored('quorlin_include_debug') === '1',
  };
}

function _qrlTitlebarConfig(meta) {
  if (!meta.available) return null;
  const bar = elements.find(function (el) { return el && (el.type === 'container' || el.type === 'nineslice') && el.isTitlebar; });
  return {
    containerId: bar.id, allowResize: true,
    maximizeBtnId: meta.maxBtn || null, minimizeBtnId: meta.minBtn || null, closeBtnId: meta.closeBtn || null,
    windowRadiusTL: meta.radiusTL, windowRadiusTR: meta.radiusTR, windowRadiusBR: meta.radiusBR, windowRadiusBL: meta.radiusBL,
  };
}

// Downloads every file at once: {name: bytes} for those that came, and the names that did not.
async function _qrlDownloadAll(names) {
  const got = {};
  const missing = [];
  await Promise.all(names.map(async function (name) {
    try {
      got[name] = await _qrlFetchBytes(_qrlEncodePath(name));
    } catch (e) {
      missing.push(name);
    }
  }));
  return { got: got, missing: names.filter(function (n) { return missing.indexOf(n) !== -1; }) };
}

async function _qrlPost(route, body) {
  const reply = await _qlHostFetch(route, { method: 'POST', headers: { 'Content-Type': 'application/octet-stream' }, body: body });
  let text = '';
  try { text = (await reply.text()).trim(); } catch (e) { text = ''; }
  return text || String(reply.status);
}

// Builds and saves the program; reports with toasts and never throws. Resolves "saved", "cancelled",
// "locked" or "failed".
async function buildStandaloneExe() {
  try {
    const inputs = _qrlStandaloneInputs();
    const appName = _qrlAppName();
    const titlebar = _qrlTitlebarMeta();
    const windowSize = _qrlWindowSize();

    const graph = _qrlFlowGraph();
    const codeMedia = [];
    _qrlCollectCodeRelativePaths(graph).concat(await _qrlCollectCodeFragmentPaths(graph)).forEach(function (p) {
      const name = _qrlResourceName(p);
      if (codeMedia.indexOf(name) === -1) codeMedia.push(name);
    });

    window._qlFlowCodeRewriter = _qlRewriteMediaInCode;
    let html;
    try {
      html = await buildExportHTML('pb', _qrlTitlebarConfig(titlebar), inputs.debug);
    } finally {
      window._qlFlowCodeRewriter = null;
    }
    html = html.replace(/url\((['"]?)Fonts\//g, 'url($1' + _QRL_LOCAL_ORIGIN + 'Fonts/');

    const assets = await collectEmbedAssets(html);
    const assetPaths = assets.fonts.concat(assets.libs.filter(function (p) { return assets.fonts.indexOf(p) === -1; }));
    const media = [];
    _qrlCollectMediaPaths(html).forEach(function (p) {
      const name = _qrlResourceName(p);
      if (codeMedia.indexOf(name) === -1 && media.indexOf(name) === -1) media.push(name);
    });
    const mediaAll = media.concat(codeMedia);

    const files = await _qrlDownloadAll(assetPaths.concat(mediaAll));
    const missingLibs = files.missing.filter(function (p) { return assets.libs.indexOf(p) !== -1; });
    if (missingLibs.length) throw new Error('Missing library: ' + missingLibs.join(', '));
    if (files.missing.length) {
      console.warn('[buildStandaloneExe] missing assets, skipped: ' + files.missing.join(', '));
      showToast(t('modal.exportModal.standaloneMissing', { files: files.missing.join(', ') }), 'warning', 6000);
    }

    const resources = [];
    const beside = [];
    assetPaths.concat(mediaAll).forEach(function (name) {
      if (!files.got[name]) return;
      const isMedia = mediaAll.indexOf(name) !== -1;
      if (!inputs.embed || (isMedia && _QRL_VIDEO_EXT.test(name))) {
        beside.push(name);
        return;
      }
      (isMedia ? _qrlMediaEntryNames(name) : [name]).forEach(function (entry) {
        resources.push({ name: entry, bytes: files.got[name] });
      });
    });

    const meta = _qrlBuildMeta(inputs.embed, { appName: appName, window: windowSize, titlebar: titlebar });
    const container = _qrlBuildContainer(meta, html, resources);

    const loader = await _qrlFetchBytes(inputs.icon ? 'patchloadericon?iconpath=' + encodeURIComponent(inputs.icon) : _LOADER_FETCH_PATH);
    const program = _qrlConcat([loader, container, _qrlBuildFooter(loader.byteLength, container.byteLength)]);

    let query = '';
    if (inputs.savePath) {
      const target = /[/\\]$/.test(inputs.savePath) ? inputs.savePath + appName : inputs.savePath;
      query = '?path=' + encodeURIComponent(target);
    } else {
      const chosen = await _requestStandaloneSavePath(appName);
      if (!chosen || chosen === 'cancelled') return 'cancelled';
      const field = _qrlField('standalone-path-input');
      if (field) field.value = chosen;
      _qrlStore('quorlin_standalone_path', chosen);
    }
    // The program starts with its last file when it has files beside it, else as soon as it is written.
    const autorun = inputs.autorun ? 'autorun=1' : '';
    const saveQuery = autorun && !beside.length ? query + (query ? '&' : '?') + autorun : query;
    const saved = await _qrlPost('saveexe' + saveQuery, program);
    if (saved === 'locked') {
      showToast(t('modal.exportModal.standaloneLocked'), 'error', 6000);
      return 'locked';
    }
    if (saved !== 'ok') throw new Error('Host save failed: ' + saved);

    for (let i = 0; i < beside.length; i++) {
      const last = i === beside.length - 1;
      const route = 'saveasset/' + _qrlEncodePath(beside[i]) + (last && autorun ? '?' + autorun : '');
      const reply = await _qrlPost(route, files.got[beside[i]]);
      if (reply !== 'ok') throw new Error('Asset save failed: ' + beside[i] + ' (' + reply + ')');
    }
    showToast(t('modal.exportModal.standaloneSaved', { name: appName }), 'success');
    return 'saved';
  } catch (e) {
    if (e && e.name === 'AbortError') return 'cancelled';
    console.error('[buildStandaloneExe]', e);
    showToast(t('modal.exportModal.standaloneError') + ': ' + (e && e.message ? e.message : String(e)), 'error', 6000);
    return 'failed';
  }
}
