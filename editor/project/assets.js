// What an export needs inside the project folder besides its page: the pictures and videos picked in
// this session (only without the host, which already has them from the pickers' uploads) and the script
// libraries and fonts the exported page loads ("Libraries/", "Fonts/"). Library texts are kept in the
// browser's cache store when the local-font store provides one (dbGet/dbPut), else fetched each time.
// Provides: copySessionImagesToProject, copySessionVideosToProject, copyDirectoryContents, copyAssetsToProject,
//   _QL_ASSET_LIBRARIES, _QL_ICON_FOLDERS
// The facts the last export left (window._lastExport*: tables, lists, charts, compression, icon libraries)
// decide which libraries and fonts are copied.
// Needs: _blobSrcMap, _projectDirHandle, _qlCallIfDefined, _qlHasHost, _qlHostFetch, _qlRoute,
//   _QL_IMAGE_PROPS, currentProjectName, elements, showToast, t
// Calls: dbGet, dbPut

// The libraries an exported page may load: file in Libraries/, cache key, source beside the program,
// and which fact of the last export asks for it (none: always).
var _QL_ASSET_LIBRARIES = [
  { file: 'tailwind.min.js', cache: 'twCache', source: 'Internal_lib/tailwind.min.js', when: null },
  { file: 'gridjs.min.js', cache: 'gridjsCache', source: 'Internal_lib/gridjs/gridjs.min.js', when: '_lastExportHasTables' },
  { file: 'gridjs.min.css', cache: 'gridjsCssCache', source: 'Internal_lib/gridjs/theme/mermaid.min.css', when: '_lastExportHasTables' },
  { file: 'sortable.min.js', cache: 'sortablejsCache', source: 'Internal_lib/sortablejs/sortable.min.js', when: '_lastExportHasLists' },
  { file: 'chart.umd.min.js', cache: 'chartjsCache', source: 'Internal_lib/chartjs/chart.umd.min.js', when: '_lastExportHasCharts' },
];
// Icon library id -> its folder under Fonts/.
var _QL_ICON_FOLDERS = { phosphor: 'phosphor', fontawesome: 'fontawesome', bootstrap: 'bootstrap-icons', ionicons: 'ionicons' };

function _qlDataUrlBytes(url) {
  const comma = String(url).indexOf(',');
  if (comma < 0) return null;
  const head = url.slice(0, comma);
  const body = url.slice(comma + 1);
  if (!/;base64$/i.test(head)) return new TextEncoder().encode(decodeURIComponent(body));
  const raw = atob(body);
  const bytes = new Uint8Array(raw.length);
  for (let i = 0; i < raw.length; i++) bytes[i] = raw.charCodeAt(i);
  return bytes;
}

async function _qlWriteHandleFile(dir, name, data) {
  const handle = await dir.getFileHandle(name, { create: true });
  const writable = await handle.createWritable();
  await writable.write(data);
  await writable.close();
}

// Every picture (each image property) or every player source of the design, written once per file
// from the session's data URLs into the project folder's "images" or "Videos". Without a folder
// handle (under the host the pickers uploaded them already) nothing is done.
async function _qlCopySessionMedia(folderName, paths) {
  const root = typeof _projectDirHandle !== 'undefined' ? _projectDirHandle : null;
  if (!root) return 0;
  let written = 0;
  const done = new Set();
  for (const raw of paths) {
    const path = String(raw).replace(/^\/+/, '');
    const name = path.slice(path.indexOf('/') + 1);
    if (!path.startsWith(folderName + '/') || done.has(name)) continue;
    done.add(name);
    const url = _blobSrcMap.get(path);
    if (!url) continue;
    try {
      const dir = await root.getDirectoryHandle(folderName, { create: true });
      await _qlWriteHandleFile(dir, name, _qlDataUrlBytes(url));
      written++;
    } catch (e) {
      console.warn('[assets] ' + path + ' could not be written:', e);
    }
  }
  return written;
}

function copySessionImagesToProject() {
  const paths = [];
  for (const el of elements) for (const prop of _QL_IMAGE_PROPS) if (typeof el[prop] === 'string' && el[prop]) paths.push(el[prop]);
  return _qlCopySessionMedia('images', paths);
}

function copySessionVideosToProject() {
  return _qlCopySessionMedia('Videos', elements.filter((el) => el.type === 'avplayer' && el.src).map((el) => el.src));
}

async function copyDirectoryContents(source, target) {
  for await (const [name, handle] of source.entries()) {
    try {
      if (handle.kind === 'directory') await copyDirectoryContents(handle, await target.getDirectoryHandle(name, { create: true }));
      else await _qlWriteHandleFile(target, name, await handle.getFile());
    } catch (e) {
      console.warn('[assets] ' + name + ' could not be copied:', e);
    }
  }
}

async function _qlCacheGet(key) {
  try { return (await _qlCallIfDefined('dbGet', key)) || null; } catch (e) { return null; }
}

async function _qlCachePut(key, value) {
  try { await _qlCallIfDefined('dbPut', key, value); } catch (e) { /* the cache is only a shortcut */ }
}

async function _qlLibraryText(library) {
  const cached = await _qlCacheGet(library.cache);
  if (typeof cached === 'string' && cached) return cached;
  const reply = await _qlHostFetch(library.source);
  if (reply.status < 200 || reply.status >= 300) throw new Error('HTTP ' + reply.status);
  const text = await reply.text();
  await _qlCachePut(library.cache, text);
  return text;
}

async function _qlLibraryPresent(dir, project, library) {
  if (dir) {
    try {
      const file = await (await dir.getFileHandle(library.file)).getFile();
      return file.size > (library.cache === 'twCache' ? 1000 : 0);
    } catch (e) {
      return false;
    }
  }
  try {
    const reply = await _qlHostFetch(_qlRoute('fileexists/', project) + '/Libraries/' + encodeURIComponent(library.file));
    return (await reply.text()) === 'true';
  } catch (e) {
    return false;
  }
}

// Run by the exports once their page is written. Writes what is missing and says what it did.
async function copyAssetsToProject() {
  const dir = (typeof _projectDirHandle !== 'undefined' && _projectDirHandle) || (await _qlCacheGet('projectDir'));
  const project = currentProjectName;
  const errors = [];
  let total = 0;
  let libraries = null;
  if (dir) {
    try { libraries = await dir.getDirectoryHandle('Libraries', { create: true }); } catch (e) { errors.push('Libraries/: ' + e); }
  }
  for (const library of _QL_ASSET_LIBRARIES) {
    if (library.when && window[library.when] !== true) continue;
    if (!libraries && (!project || !_qlHasHost())) continue;
    try {
      if (await _qlLibraryPresent(libraries, project, library)) continue;
      const text = await _qlLibraryText(library);
      if (libraries) {
        await _qlWriteHandleFile(libraries, library.file, text);
      } else {
        const reply = await _qlHostFetch(_qlRoute('save/', project) + '/Libraries/' + encodeURIComponent(library.file), {
          method: 'POST', headers: { 'Content-Type': 'application/octet-stream' }, body: text,
        });
        if (reply.status < 200 || reply.status >= 300) throw new Error('HTTP ' + reply.status);
      }
      total++;
    } catch (e) {
      errors.push('Libraries/' + library.file + ': ' + (e && e.message || e));
    }
  }
  if (dir && window._lastExportObfuscate !== true) total += await _qlCopyFonts(dir, errors);
  if (errors.length) {
    errors.forEach((e) => console.warn('[assets]', e));
    const more = errors.length > 1 ? ' (+' + (errors.length - 1) + ' más -- ver consola)' : '';
    showToast(t('toast.assetsError', { msg: errors[0] + more }), 'warning', 8000);
  } else if (total > 0) {
    showToast(t('toast.assetsCopied', { total, plural: total === 1 ? '' : 's' }), 'success', 4000);
  } else {
    console.info('[assets] the project already had every file the export needs');
  }
  return total;
}

// Fonts for a page that loads them from beside itself (only with a project folder handle).
async function _qlCopyFonts(dir, errors) {
  let total = 0;
  const fonts = await dir.getDirectoryHandle('Fonts', { create: true });
  const cache = await _qlCacheGet('fontDataCache');
  const entries = cache && typeof cache === 'object' ? Object.entries(cache) : [];
  if (!entries.length) {
    errors.push('Fonts/: fontDataCache vacío -- usa el botón "Seleccionar carpeta Fonts" para escanear tus fuentes antes de exportar');
  }
  for (const [path, base64] of entries) {
    const parts = String(path).split('/');
    if (parts[0] !== 'Fonts' || parts.length < 4 || parts.some((p) => !p || p === '..' || p === '.')) continue;
    try {
      let folder = fonts;
      for (const part of parts.slice(1, -1)) folder = await folder.getDirectoryHandle(part, { create: true });
      const name = parts[parts.length - 1];
      try {
        if ((await (await folder.getFileHandle(name)).getFile()).size > 0) continue;
      } catch (e) { /* missing: written below */ }
      await _qlWriteHandleFile(folder, name, _qlDataUrlBytes('data:;base64,' + base64));
      total++;
    } catch (e) {
      errors.push(path + ': ' + (e && e.message || e));
    }
  }
  const used = window._lastExportUsedIconLibs instanceof Set ? [...window._lastExportUsedIconLibs] : [];
  for (const id of used) {
    const folderName = _QL_ICON_FOLDERS[id];
    if (!folderName) continue;
    try {
      await fonts.getDirectoryHandle(folderName);
      continue;
    } catch (e) { /* not in the project yet */ }
    const fontDir = await _qlCacheGet('fontDir');
    let granted = false;
    try { granted = Boolean(fontDir) && (await fontDir.queryPermission({ mode: 'read' })) === 'granted'; } catch (e) { granted = false; }
    if (!granted) {
      errors.push('Fonts/' + folderName + ': no encontrado -- descarga los archivos de la librería y colócalos en la carpeta Fonts/' + folderName + '/ del proyecto');
      continue;
    }
    try {
      await copyDirectoryContents(await fontDir.getDirectoryHandle(folderName), await fonts.getDirectoryHandle(folderName, { create: true }));
      total++;
    } catch (e) {
      errors.push('Fonts/' + folderName + ': no encontrado -- descarga los archivos de la librería y colócalos en la carpeta Fonts/' + folderName + '/ del proyecto');
    }
  }
  return total;
}
