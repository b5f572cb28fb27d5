// The inspector code looks its fields up by id and silently skips a missing one, so a typo in an id
// shows as a field that never fills or never writes. This check finds every id the code names (literal
// ids in lookups and the ids of the inspector's tables) and requires each one in the page's markup.
import test from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';

import { JSDOM } from 'jsdom';

import { pageMarkup, repo } from '../page/jsdom-page.mjs';
import { loadInspector } from './inspector-page.mjs';

const CODE = [
  // (form-markup.js makes markup rather than looking ids up: the generated ids are checked in the markup.)
  ...fs.readdirSync(path.join(repo, 'editor/inspector')).filter((f) => f.endsWith('.js') && f !== 'form-markup.js')
    .map((f) => `editor/inspector/${f}`),
  // The model's code that fills the canvas form, whose markup the inspector region holds.
  'editor/model/canvas-settings.js', 'editor/model/canvas-inputs.js', 'editor/model/theme-creator.js',
];

// A literal id handed to a lookup: getElementById('x'), _byId('x'), or an inspector helper taking an id.
const LOOKUP = /\b(?:getElementById|_byId|_inspEl|_inspShow|_inspSetValue|_inspSetChecked|_inspSetActive|_inspSetLabel|set)\(\s*'([A-Za-z_][\w-]*)'(?!\s*\+)/g;
// A literal that can only be an id of the form (the id shapes the markup uses).
const ID_SHAPED = /'((?:input|field|section|slider|label|btn|props|pin)-[\w-]+|[a-z]+[A-Z]\w*-(?:row|wrap)|\w+-(?:controls|fields|value|hint|bar|container))'(?!\s*\+)/g;

function literalIds() {
  const ids = new Map();
  for (const file of CODE) {
    const text = fs.readFileSync(path.join(repo, file), 'utf8');
    for (const re of [LOOKUP, ID_SHAPED]) {
      for (const m of text.matchAll(re)) {
        // A literal that ends in "-" is a prefix joined to a name at run time; the tables cover those.
        // One with "--" names a variant of a field's row in a table (the code tooltips' drop-down row).
        if (!m[1].endsWith('-') && !m[1].includes('--') && !ids.has(m[1])) ids.set(m[1], file);
      }
    }
  }
  return ids;
}

test('every id the inspector code and its tables name exists in the page markup', async () => {
  const page = await loadInspector();
  const tableIds = page.json(`[].concat(
    INSPECTOR_ALWAYS_HIDDEN,
    INSPECTOR_VISIBILITY.flatMap((r) => r.ids),
    INSPECTOR_BOUND_FIELDS.map((p) => p[0]),
    INSPECTOR_BOUND_BOXES.map((p) => p[0]),
    _INSP_EXTRA_FIELDS.map((p) => p[0]),
    Object.keys(INSPECTOR_DEFAULTS.fields),
    INSPECTOR_DEFAULTS.tickedUnlessFalse,
    Object.keys(INSPECTOR_DEFAULTS.windowButtons),
    Object.keys(INSPECTOR_DEFAULTS.windowButtons).map((id) => id + '-id'),
    INSPECTOR_CUSTOM_PRESETS.flatMap((p) => ['input-' + p[0], 'input-' + p[0] + '-custom']),
    Object.values(INSPECTOR_DEFAULTS.colours).flat().flatMap((p) => ['theme-sel-' + p, '__cpBtn-' + p, 'picker-' + p]),
    THEME_COLOR_FIELDS.map((p) => 'theme-sel-' + p),
    THEME_COLOR_KEYS.flatMap((k) => ['theme-color-btn-' + k, 'theme-color-label-' + k])
  )`);
  const wanted = new Map(literalIds());
  for (const id of tableIds) if (!wanted.has(id)) wanted.set(id, 'the inspector tables');
  assert.ok(wanted.size > 250, 'the scan found the inspector ids');
  const missing = [...wanted].filter(([id]) => !page.document.getElementById(id)).map(([id, where]) => `${id} (${where})`);
  assert.deepEqual(missing, []);
});

test('ids in the page markup (the inspector generated from its fragment) are unique', () => {
  const { document } = new JSDOM(pageMarkup()).window;
  const ids = [...document.querySelectorAll('[id]')].map((el) => el.id);
  assert.ok(ids.length > 600);
  assert.deepEqual(ids.filter((id, i) => ids.indexOf(id) !== i), []);
});

// The inspector's form as it stood while written out in the page file: every id with the kind of its
// element (tag, and an input's type), in document order. The generated form must give the same.
test('the inspector renders the same form: its ids and field kinds, in order', () => {
  const { document } = new JSDOM(pageMarkup()).window;
  const kind = (el) => el.tagName.toLowerCase() + (el.tagName === 'INPUT' ? ':' + (el.getAttribute('type') || 'text') : '');
  const form = [...document.getElementById('inspector-aside').querySelectorAll('[id]')].map((el) => [el.id, kind(el)]);
  const before = JSON.parse(fs.readFileSync(path.join(repo, 'tests/inspector/form-snapshot.json'), 'utf8'));
  assert.deepEqual(form, before);
});
