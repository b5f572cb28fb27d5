// Media of the open project: files the user picks in the inspector come into the project folder
// ("images/", "Videos/") and are shown at once from `_blobSrcMap` (project-relative path -> data URL);
// a project's pictures are loaded back into the map when it opens; media paths are rewritten for pages
// the local server shows. The map belongs to one project: it is emptied on every load, new project and
// close (apply.js, close-project.js), so one project never shows another's media.
// A picked file never silently replaces a different file of the same name: it gets a free name
// ("logo-2.png"); picking the very same file again reuses its name. An upload that fails says so.
// Provides: _blobSrcMap, pickLocalImage, pickLocalVideo, pickLocalVideoPoster, pickLocalImageBg,
//   pickLocalImageSlice, pickLocalImageThumb, pickLocalImageFor, transformSrcForPB, loadProjectImages,
//   _qlMediaPick, _qlMediaFreeName, _qlMediaPicksRunning, _qlLastMediaPath, _QL_IMAGE_PROPS
// Needs: _findElement, _inspBeginSession, _inspPropOf, _projectDirHandle, _qlCallIfDefined, _qlHasHost,
//   _qlHostFetch, _qlRoute, currentProjectName, elements, saveHistoryState, selectedIds, setElementProp,
//   showToast, t
// Calls: renderCanvas, renderProperties

var _blobSrcMap = new Map();

// Element properties that hold a picture of the project.
var _QL_IMAGE_PROPS = ['src', 'thumbImage', 'checkedImage', 'uncheckedImage', 'bgImage', 'sliceImage', 'poster'];
var _QL_IMAGE_EXTENSIONS = /\.(png|jpe?g|gif|webp|svg|bmp|ico)$/i;
// How many "-2", "-3" ... names are tried before a pick gives up.
var _QL_MEDIA_NAME_TRIES = 200;
// Picks still reading, naming or uploading their file, and the path the last finished one wrote.
var _qlMediaPicksRunning = 0;
var _qlLastMediaPath = '';

function pickLocalImage(input) { return _qlMediaPick(input, 'images/', 'input-src'); }
function pickLocalVideo(input) { return _qlMediaPick(input, 'Videos/', 'input-avplayer-src'); }
function pickLocalVideoPoster(input) { return _qlMediaPick(input, 'images/', 'input-avplayer-poster'); }
function pickLocalImageBg(input) { return _qlMediaPick(input, 'images/', 'input-bgImage'); }
function pickLocalImageSlice(input) { return _qlMediaPick(input, 'images/', 'input-sliceImage'); }
function pickLocalImageThumb(input) { return _qlMediaPick(input, 'images/', 'input-thumbImage'); }
function pickLocalImageFor(input, targetInputId) { return _qlMediaPick(input, 'images/', String(targetInputId || '')); }

function _qlReadFile(file, how) {
  return new Promise((resolve, reject) => {
    const reader = new FileReader();
    reader.onload = () => resolve(reader.result);
    reader.onerror = () => reject(reader.error || new Error('read failed'));
    if (how === 'dataURL') reader.readAsDataURL(file);
    else reader.readAsArrayBuffer(file);
  });
}

function _qlBytesToDataUrl(buffer, type) {
  const bytes = new Uint8Array(buffer);
  let binary = '';
  for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  return 'data:' + type + ';base64,' + btoa(binary);
}

function _qlSameBytes(a, b) {
  if (a.byteLength !== b.byteLength) return false;
  const x = new Uint8Array(a);
  const y = new Uint8Array(b);
  for (let i = 0; i < x.length; i++) if (x[i] !== y[i]) return false;
  return true;
}

// "logo.png", "logo-2.png", "logo-3.png" ...
function _qlMediaVariant(name, n) {
  if (n < 2) return name;
  const dot = name.lastIndexOf('.');
  return dot > 0 ? name.slice(0, dot) + '-' + n + name.slice(dot) : name + '-' + n;
}

// Whether `folder + name` is free for these bytes: 'free', 'same' (that very file is there) or 'taken'.
async function _qlMediaSlot(folder, name, bytes, dataUrl) {
  const path = folder + name;
  const known = _blobSrcMap.get(path);
  if (known !== undefined) return known === dataUrl ? 'same' : 'taken';
  if (!_qlHasHost()) return 'free';
  let reply;
  try {
    reply = await _qlHostFetch(_qlRoute(folder, name) + '?t=' + Date.now());
  } catch (e) {
    return 'taken';
  }
  if (reply.status === 404) return 'free';
  // A file that cannot be compared is never written over.
  if (reply.status < 200 || reply.status >= 300) return 'taken';
  return _qlSameBytes(await reply.arrayBuffer(), bytes) ? 'same' : 'taken';
}

// The name the picked file gets in `folder`: {name, same}; null when no free name was found.
async function _qlMediaFreeName(folder, name, bytes, dataUrl) {
  for (let n = 1; n <= _QL_MEDIA_NAME_TRIES; n++) {
    const candidate = _qlMediaVariant(name, n);
    const slot = await _qlMediaSlot(folder, candidate, bytes, dataUrl);
    if (slot !== 'taken') return { name: candidate, same: slot === 'same' };
  }
  return null;
}

async function _qlUploadMedia(project, folder, name, bytes) {
  try {
    const reply = await _qlHostFetch(_qlRoute('save/', project) + '/' + folder + encodeURIComponent(name), {
      method: 'POST',
      headers: { 'Content-Type': 'application/octet-stream' },
      body: bytes,
    });
    if (reply.status >= 200 && reply.status < 300) return '';
    const body = await reply.text().catch(() => '');
    return 'HTTP ' + reply.status + (body ? ': ' + body : '');
  } catch (e) {
    return String(e && e.message || e);
  }
}

// Writes the path where the user asked for it when the pick began. The inspector field is used while
// the same elements are still selected (so its rules run, as for typing, in one undo step); otherwise
// the elements picked for get it directly, never whatever is selected by then.
function _qlMediaWrite(targetInputId, ids, path) {
  const field = document.getElementById(targetInputId);
  const prop = field ? _inspPropOf(field) : String(targetInputId).replace(/^input-/, '');
  const same = ids.length === selectedIds.length && ids.every((id) => selectedIds.includes(id));
  if (field && same) {
    _inspBeginSession(field);
    field.value = path;
    field.dispatchEvent(new Event('input', { bubbles: true }));
    field.dispatchEvent(new Event('change', { bubbles: true }));
    return;
  }
  const records = ids.map(_findElement).filter(Boolean);
  if (!records.length) return;
  saveHistoryState();
  records.forEach((el) => setElementProp(el, prop, path));
  _qlCallIfDefined('renderCanvas');
  _qlCallIfDefined('renderProperties');
}

// One media pick: resolves the path written, or '' when nothing was.
async function _qlMediaPick(input, folder, targetInputId) {
  const file = input && input.files && input.files[0];
  if (!file) return '';
  _qlMediaPicksRunning++;
  try {
    _qlLastMediaPath = await _qlMediaPickFile(input, file, folder, targetInputId);
    return _qlLastMediaPath;
  } finally {
    _qlMediaPicksRunning--;
  }
}

async function _qlMediaPickFile(input, file, folder, targetInputId) {
  // Cleared at once, so picking the same file again is a change too.
  input.value = '';
  const ids = selectedIds.slice();
  const project = currentProjectName;
  let bytes;
  let dataUrl;
  try {
    [bytes, dataUrl] = await Promise.all([_qlReadFile(file, 'bytes'), _qlReadFile(file, 'dataURL')]);
  } catch (e) {
    showToast(t('toast.mediaReadFailed', { name: file.name }), 'error', 5000);
    return '';
  }
  const slot = await _qlMediaFreeName(folder, file.name, bytes, dataUrl);
  if (!slot) {
    showToast(t('toast.mediaNoName', { name: file.name }), 'error', 6000);
    return '';
  }
  const path = folder + slot.name;
  _blobSrcMap.set(path, dataUrl);
  _qlMediaWrite(targetInputId, ids, path);
  if (slot.name !== file.name) showToast(t('toast.mediaRenamed', { name: file.name, saved: slot.name }), 'warning', 6000);
  if (!_qlHasHost() || slot.same) return path;
  if (!project) {
    showToast(t('toast.mediaUploadFailed', { name: slot.name, msg: t('toast.mediaNoProject') }), 'error', 8000);
    return path;
  }
  const failure = await _qlUploadMedia(project, folder, slot.name, bytes);
  if (failure) {
    console.warn('[media] upload of ' + path + ' failed:', failure);
    // The picture shows from memory for now; without the file the project loses it when reopened.
    showToast(t('toast.mediaUploadFailed', { name: slot.name, msg: failure }), 'error', 8000);
  }
  return path;
}

// For pages the local server shows (exports for the outside compiler): paths become addresses of the
// placeholder server that those pages rewrite to their own. Data and blob addresses stay as they are.
function transformSrcForPB(src) {
  const s = src === undefined || src === null ? '' : String(src);
  if (!s) return s;
  const base = 'http://localhost:56789';
  if (/^(data|blob):/i.test(s) || /^https?:\/\//i.test(s) || s.startsWith('//')) return s;
  if (/^file:\/\/\//i.test(s)) {
    let path = s.slice('file:///'.length).replace(/^[A-Za-z]:\/?/, '');
    if (!path.startsWith('/')) path = '/' + path;
    return base + path;
  }
  return base + '/' + s.replace(/^\/+/, '');
}

// The project's pictures into `_blobSrcMap`, so the next drawing shows them. Under the host every picture
// the design refers to below "images/" is fetched once; without it, the images folder of the project's
// folder handle is read. Resolves, when all that arrived is in, the number loaded; 0 at once (no
// promise, so no redraw follows) when there is nothing to load.
function loadProjectImages() {
  if (!_qlHasHost()) return typeof _projectDirHandle !== 'undefined' && _projectDirHandle ? _qlLoadImagesFromHandle() : 0;
  if (!currentProjectName) return 0;
  const names = new Set();
  for (const el of elements) {
    for (const prop of _QL_IMAGE_PROPS) {
      const value = typeof el[prop] === 'string' ? el[prop].replace(/^\/+/, '') : '';
      if (value.startsWith('images/') && value.length > 7) names.add(value.slice(7));
    }
  }
  if (!names.size) return 0;
  return Promise.all([...names].map(async (name) => {
    try {
      // "images/" in lower case: the program's own "Images/" folder must not answer for the project's.
      const reply = await _qlHostFetch(_qlRoute('images/', name) + '?t=' + Date.now());
      if (reply.status < 200 || reply.status >= 300) return false;
      const type = (reply.headers.get('Content-Type') || 'application/octet-stream').split(';')[0];
      _blobSrcMap.set('images/' + name, _qlBytesToDataUrl(await reply.arrayBuffer(), type));
      return true;
    } catch (e) {
      return false;
    }
  })).then((results) => results.filter(Boolean).length);
}

async function _qlLoadImagesFromHandle() {
  const dir = typeof _projectDirHandle !== 'undefined' ? _projectDirHandle : null;
  if (!dir) return 0;
  try {
    const options = { mode: 'read' };
    if (typeof dir.queryPermission === 'function' && (await dir.queryPermission(options)) !== 'granted' &&
        (typeof dir.requestPermission !== 'function' || (await dir.requestPermission(options)) !== 'granted')) return 0;
    const images = await dir.getDirectoryHandle('images');
    let count = 0;
    for await (const [name, handle] of images.entries()) {
      if (handle.kind !== 'file' || !_QL_IMAGE_EXTENSIONS.test(name)) continue;
      _blobSrcMap.set('images/' + name, await _qlReadFile(await handle.getFile(), 'dataURL'));
      count++;
    }
    return count;
  } catch (e) {
    console.warn('[media] the project\'s images could not be read:', e);
    return 0;
  }
}
