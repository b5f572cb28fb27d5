// The browser store of the editor: IndexedDB "quorlin_fonts" (version 2), one object store "handles" of
// values under text keys. It keeps what the font scan learned ("fontMeta", "fontDataCache"), the folder
// handles of the browser's file access ("fontDir", "projectDir") and the library texts that the asset copy
// caches. The store is only ever a help: a put that fails does nothing and a get that fails gives null, so
// the editor goes on without it.
// Provides: FONT_DB_NAME, FONT_DB_VERSION, FONT_DB_STORE, openFontDB, dbPut, dbGet

var FONT_DB_NAME = 'quorlin_fonts';
var FONT_DB_VERSION = 2;
var FONT_DB_STORE = 'handles';

var _fontDbPromise = null;

// The open database (one connection, opened on first use; a failed open is tried again next time).
function openFontDB() {
  if (_fontDbPromise) return _fontDbPromise;
  _fontDbPromise = new Promise(function (resolve, reject) {
    const idb = window.indexedDB;
    if (!idb) throw new Error('IndexedDB is not available');
    const request = idb.open(FONT_DB_NAME, FONT_DB_VERSION);
    request.onupgradeneeded = function () {
      const db = request.result;
      if (!db.objectStoreNames.contains(FONT_DB_STORE)) db.createObjectStore(FONT_DB_STORE);
    };
    request.onsuccess = function () {
      const db = request.result;
      // Another page upgrading the database: let it, and open again on the next use.
      db.onversionchange = function () { db.close(); _fontDbPromise = null; };
      resolve(db);
    };
    request.onerror = function () { reject(request.error); };
    request.onblocked = function () { reject(new Error('the font store is held open elsewhere')); };
  });
  _fontDbPromise.catch(function () { _fontDbPromise = null; });
  return _fontDbPromise;
}

function _fontDbRun(mode, work) {
  return openFontDB().then(function (db) {
    return new Promise(function (resolve, reject) {
      const tx = db.transaction(FONT_DB_STORE, mode);
      const request = work(tx.objectStore(FONT_DB_STORE));
      tx.oncomplete = function () { resolve(request.result); };
      tx.onerror = function () { reject(tx.error || request.error); };
      tx.onabort = function () { reject(tx.error || new Error('aborted')); };
    });
  });
}

async function dbPut(key, value) {
  try {
    await _fontDbRun('readwrite', function (store) { return store.put(value, key); });
  } catch (e) {
    console.warn('[fonts] the browser store could not keep "' + key + '":', e);
  }
}

async function dbGet(key) {
  try {
    const value = await _fontDbRun('readonly', function (store) { return store.get(key); });
    return value === undefined ? null : value;
  } catch (e) {
    console.warn('[fonts] the browser store could not read "' + key + '":', e);
    return null;
  }
}
