// The option registry: which values the inspector's drop-downs accept for each element property, read
// from the form's own markup, so that a caller setting properties by name cannot store a value the
// inspector cannot show. Each property maps to {options: the drop-down's values in document order,
// custom: 'none' | 'tw-bracket' (with prefix) | 'per-corner' | 'free-text'}.
// Provides: getInspectorEnum, invalidateInspectorEnum, validateEnumProp
// Needs: nothing

// Built on first use; dropped by invalidateInspectorEnum when an option list changes at run time.
var _inspectorEnumCache = null;

// The option values that stand for "type your own" in a drop-down.
var _INSPECTOR_CUSTOM_OPTIONS = ['__custom__', 'custom'];

function _inspectorEnumSpec(select) {
  const options = Array.from(select.options, (o) => o.value);
  if (!options.some((v) => _INSPECTOR_CUSTOM_OPTIONS.includes(v))) return { options, custom: 'none' };
  // The companion field of a Tailwind scale (padding, gap, text size) carries the class prefix of the
  // bracket form; the corner fields belong to the border radius; anything else (a repetition count)
  // takes free text.
  const companion = document.getElementById(select.id + '-custom');
  if (companion && companion.dataset.prefix) return { options, custom: 'tw-bracket', prefix: companion.dataset.prefix };
  if (document.getElementById(select.id + 'CustomTL')) return { options, custom: 'per-corner' };
  return { options, custom: 'free-text' };
}

function getInspectorEnum() {
  if (_inspectorEnumCache) return _inspectorEnumCache;
  const registry = Object.create(null);
  for (const select of document.querySelectorAll('select[id^="input-"]')) {
    // The canvas settings are checked by their own form.
    if (select.id.startsWith('input-canvas-')) continue;
    const prop = select.dataset.prop || select.id.slice('input-'.length);
    // Its options are the selected list's items, rebuilt whenever the selection changes.
    if (prop === 'selectedIndex') continue;
    registry[prop] = _inspectorEnumSpec(select);
  }
  _inspectorEnumCache = registry;
  return registry;
}

function invalidateInspectorEnum() {
  _inspectorEnumCache = null;
}

function validateEnumProp(prop, value) {
  const spec = getInspectorEnum()[prop];
  const text = value === null || value === undefined ? '' : String(value);
  if (!spec || text === '') return { ok: true };
  const fail = (reason) => ({ ok: false, error: 'value for ' + JSON.stringify(String(prop)) + ' ' + reason });
  const got = JSON.stringify(text);
  switch (spec.custom) {
    case 'free-text':
      return { ok: true };
    case 'tw-bracket': {
      // "__custom__" only opens the companion field: stored, it would be a class that does nothing.
      if ((spec.options.includes(text) && text !== '__custom__') ||
          (text.startsWith(spec.prefix + '[') && text.endsWith(']'))) return { ok: true };
      const presets = spec.options.filter((v) => v !== '' && v !== '__custom__').join(', ');
      return fail('must be a Tailwind preset (' + presets + ') or the custom bracket form ' + spec.prefix + '[Npx]; got ' +
        got + '. Bare numbers or bare px do not work here.');
    }
    case 'per-corner': {
      if (spec.options.includes(text)) return { ok: true };
      const presets = spec.options.filter((v) => v !== '' && v !== 'custom').join(', ');
      return fail('must be a preset (' + presets + ') or "custom" (then set ' + prop + 'CustomTL/TR/BR/BL); got ' + got);
    }
    default:
      if (spec.options.includes(text)) return { ok: true };
      return fail('must be one of: ' + spec.options.join(', ') + '; got ' + got);
  }
}
