// The compile settings of the source export and what the host is asked to do with them: the compiler's
// path (local storage "quorlin_compiler_path"; when empty the located compiler, or the path relative
// to the compiler's home), the option check boxes "flag-<id>" (made here from one table, their values
// held by the project document), the flags text and the compile request "compiler|base|flags".
// Detecting the compiler at start-up, asking the host for its path, and the host's report of a
// compile (_pbRunStarted, _pbRunFailed) live here too.
// Provides: initPbDetection, _requestCompilerPath, _browseCompilerPath, _pbCompilerPath, _pbFlagsText,
//   _pbCompileRequest, _pbRenderCompileFields, _pbRunStarted, _pbRunFailed, _PB_COMPILE_OPTIONS,
//   _PB_COMPILER_RELATIVE, PB_COMPILER_WAIT_MS, _pbInstalled, _pbHome
// Needs: _qlAskHost, _qlHasHost, _qlSendToHost, _qlCompileSettings, _readCompileSettingsFromDom, pb_alert, showToast, t
// Calls: _enableProjectButtons, _setDirty

// Whether a compiler is there (the host's detect_pb answer, or a stored compiler path) and the home
// folder the host found it in ("" when none or not asked).
var _pbInstalled = false;
var _pbHome = '';
// The compiler program below its home folder.
var _PB_COMPILER_RELATIVE = 'Compilers/pbcompiler';
// How long the host's file dialog for the compiler is waited for.
var PB_COMPILER_WAIT_MS = 30000;
// The options in the order they join the flags text: [id, option, how its value is added].
//   'always': a check box that is always on; 'plain': the option alone; 'value': option + blank + value
//   (default when empty); 'quoted': option + blank + the value in double quotes, only with a value.
var _PB_COMPILE_OPTIONS = [
  ['constant', '/CONSTANT', 'value', 'PB_Editor_BuildCount=1'],
  ['thread', '/THREAD', 'always'],
  ['subsystem', '/SUBSYSTEM', 'quoted'],
  ['optimizer', '/OPTIMIZER', 'plain'],
  ['icon', '/ICON', 'quoted'],
  ['xp', '/XP', 'plain'],
  ['administrator', '/ADMINISTRATOR', 'plain'],
  ['user', '/USER', 'plain'],
  ['dpiaware', '/DPIAWARE', 'plain'],
  ['dllprotection', '/DLLPROTECTION', 'plain'],
  ['ucrt', '/UCRT', 'plain'],
];

// A stored compiler path counts as an installed compiler; otherwise the host looks for one.
function initPbDetection() {
  let stored = '';
  try { stored = localStorage.getItem('quorlin_compiler_path') || ''; } catch (e) { stored = ''; }
  if (stored.trim()) {
    window._pbInstalled = true;
    window._pbHome = '';
    _qlCallIfDefined('_enableProjectButtons');
    return;
  }
  if (_qlHasHost()) _qlSendToHost('detect_pb', '');
}

// Asks the host for the compiler program; "" without a host, when cancelled or not answered in time.
async function _requestCompilerPath() {
  if (!_qlHasHost()) return '';
  const answer = await _qlAskHost('_compilerPath', 'compiler_requester', '', PB_COMPILER_WAIT_MS);
  return answer.answered && typeof answer.value === 'string' ? answer.value : '';
}

// The compiler path the dialog shows and the request uses.
function _pbCompilerPath() {
  let stored = '';
  try { stored = localStorage.getItem('quorlin_compiler_path') || ''; } catch (e) { stored = ''; }
  if (stored.trim()) return stored.trim();
  return (typeof window._pbHome === 'string' ? window._pbHome : '') + _PB_COMPILER_RELATIVE;
}

async function _browseCompilerPath() {
  const path = await _requestCompilerPath();
  if (!path) return '';
  try { localStorage.setItem('quorlin_compiler_path', path); } catch (e) { /* kept for this run in the field */ }
  const field = document.getElementById('compiler-path');
  if (field) field.value = path;
  window._pbInstalled = true;
  _qlCallIfDefined('_enableProjectButtons');
  return path;
}

// The option check boxes (and the value fields of the options that take one), made once inside
// "compile-flags" and set from the open project's settings.
function _pbRenderCompileFields() {
  const box = document.getElementById('compile-flags');
  if (!box) return;
  if (!box.childElementCount) {
    _PB_COMPILE_OPTIONS.forEach(function (option) {
      const id = option[0];
      const row = document.createElement('label');
      row.className = 'ql-export-check ql-export-flag';
      const check = document.createElement('input');
      check.type = 'checkbox';
      check.id = 'flag-' + id;
      if (option[2] === 'always') {
        check.checked = true;
        check.disabled = true;
      }
      const name = document.createElement('span');
      name.setAttribute('data-i18n', 'modal.exportModal.flags.' + id);
      name.textContent = t('modal.exportModal.flags.' + id);
      row.append(check, name);
      check.addEventListener('change', function () { _pbCompileOptionChanged(id); });
      // The icon's path is the shared one the icon requester fills (hidden field "flag-icon-val").
      if (option[2] === 'value' || id === 'subsystem') {
        const value = document.createElement('input');
        value.type = 'text';
        value.id = 'flag-' + id + '-val';
        value.className = 'ql-input ql-export-flag-value';
        value.spellcheck = false;
        if (option[3]) value.placeholder = option[3];
        value.addEventListener('input', function () { _pbCompileOptionChanged(id); });
        row.append(value);
      }
      box.appendChild(row);
    });
  }
  const cs = _qlCompileSettings || { checks: {}, values: {} };
  _PB_COMPILE_OPTIONS.forEach(function (option) {
    const id = option[0];
    const check = document.getElementById('flag-' + id);
    if (check && option[2] !== 'always') check.checked = !!cs.checks[id];
    const value = document.getElementById('flag-' + id + '-val');
    if (value && id !== 'icon') value.value = cs.values[id] === undefined ? '' : String(cs.values[id]);
  });
}

// An option changed in the dialog: kept under its keys, and the project has something to save.
function _pbCompileOptionChanged(id) {
  const check = document.getElementById('flag-' + id);
  const value = document.getElementById('flag-' + id + '-val');
  try {
    if (check) localStorage.setItem('quorlin_flag_' + id, check.checked ? 'true' : 'false');
    if (value) localStorage.setItem('quorlin_flag_' + id + '_val', value.value);
  } catch (e) { /* the dialog still holds it */ }
  // The held settings follow, so the dialog made again (another option changed) shows the same.
  _qlCompileSettings = _readCompileSettingsFromDom();
  _qlCallIfDefined('_setDirty');
}

// The options joined in their fixed order, single blanks, no blank at either end.
function _pbFlagsText(settings) {
  const cs = settings || _readCompileSettingsFromDom();
  const parts = [];
  _PB_COMPILE_OPTIONS.forEach(function (option) {
    const id = option[0];
    const kind = option[2];
    if (kind !== 'always' && !cs.checks[id]) return;
    const value = String(cs.values[id] === undefined || cs.values[id] === null ? '' : cs.values[id]).trim();
    if (kind === 'always' || kind === 'plain') parts.push(option[1]);
    else if (kind === 'value') parts.push(option[1] + ' ' + (value || option[3]));
    else if (value) parts.push(option[1] + ' "' + value.replace(/"/g, '') + '"');
  });
  return parts.join(' ').trim();
}

function _pbCompileRequest(base, settings) {
  return _pbCompilerPath() + '|' + base + '|' + _pbFlagsText(settings);
}

// The host's reports of a compile or of opening the IDE project.
function _pbRunStarted(program) {
  showToast(t('toast.compileStarted', { name: String(program || '').split('/').pop() }), 'success', 4000);
}

function _pbRunFailed(reason, detail, output) {
  const known = ['request', 'source', 'start', 'exit', 'noprogram', 'run', 'timeout', 'output', 'pbp', 'pbpopen'];
  const key = 'toast.compileFailed.' + (known.indexOf(reason) !== -1 ? reason : 'start');
  const message = t(key, { detail: String(detail || '') });
  const text = String(output || '').trim();
  if (!text) {
    showToast(message, 'error', 6000);
    return;
  }
  // The compiler's own words stay up until read: the end of its output, where it names the error.
  console.error('[compile] ' + text);
  pb_alert(message + '\n\n' + text.split('\n').slice(-20).join('\n').slice(-2000), 'error', 0, true);
}
