// Key coverage of the locale files: every key the page asks for (literal t('...') calls, the notices of
// the pending table and the data-i18n, data-i18n-title and data-i18n-ph attributes in its files and in
// the markup its generators make) must be in each language file,
// and every language file must hold the same keys as Spanish, using no placeholder that Spanish lacks (a
// language may leave one out, as Chinese does "{plural}").
//
//   import { checkLocales } from './locale-keys.mjs';  checkLocales() -> { used, languages, problems: [text] }
//   node tests/page/locale-keys.mjs                      prints the problems; exit status 1 when there are any
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';
import { fileURLToPath } from 'node:url';

import { pageMarkup } from './jsdom-page.mjs';

export const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
export const LANGUAGES = ['es', 'en', 'fr', 'it', 'de', 'zh', 'ru'];

function pageFiles(dir = path.join(repo, 'editor')) {
  const out = [];
  for (const entry of fs.readdirSync(dir, { withFileTypes: true })) {
    const full = path.join(dir, entry.name);
    if (entry.isDirectory()) out.push(...pageFiles(full));
    else if (/\.(js|html)$/.test(entry.name) && !/\.test\.m?js$/.test(entry.name)) out.push(full);
  }
  return out.sort();
}

// Keys asked for in the page's source, each with the first file that asks for it.
export function usedKeys() {
  const used = new Map();
  const note = (key, file) => { if (!used.has(key)) used.set(key, path.relative(repo, file)); };
  for (const file of pageFiles()) {
    const text = fs.readFileSync(file, 'utf8');
    for (const m of text.matchAll(/(?<![\w$])(?:I18n\.)?t\(\s*(['"`])([\w.-]+)\1\s*[,)]/g)) note(m[2], file);
    for (const m of text.matchAll(/\bdata-i18n(?:-title|-ph)?\s*=\s*(["'])([\w.-]+)\1/g)) note(m[2], file);
    for (const m of text.matchAll(/(['"])(pending\.[\w.-]+)\1/g)) note(m[2], file);
  }
  const markup = path.join(repo, 'editor/shell/index.html');
  for (const m of pageMarkup().matchAll(/\bdata-i18n(?:-title|-ph)?\s*=\s*(["'])([\w.-]+)\1/g)) note(m[2], markup);
  return used;
}

// Leaves of a nested locale object as dotted keys; a property name may itself hold dots.
export function flatten(node, prefix = '', out = new Map()) {
  for (const [name, value] of Object.entries(node)) {
    const key = prefix ? `${prefix}.${name}` : name;
    if (value !== null && typeof value === 'object' && !Array.isArray(value)) flatten(value, key, out);
    else out.set(key, value);
  }
  return out;
}

const placeholders = (text) => new Set([...String(text).matchAll(/\{(\w+)\}/g)].map((m) => m[1]));

export function readLocale(code) {
  return JSON.parse(fs.readFileSync(path.join(repo, 'Locale', `${code}.json`), 'utf8'));
}

export function embeddedSpanish() {
  const context = vm.createContext({});
  new vm.Script(fs.readFileSync(path.join(repo, 'editor/shell/locale-es.js'), 'utf8') + '\n;this.out = _LOCALE_ES_EMBEDDED;')
    .runInContext(context);
  return JSON.parse(JSON.stringify(context.out));
}

export function checkLocales() {
  const problems = [];
  const used = usedKeys();
  const languages = Object.fromEntries(LANGUAGES.map((code) => [code, flatten(readLocale(code))]));
  const spanish = languages.es;

  for (const [key, file] of used) {
    const missing = LANGUAGES.filter((code) => typeof languages[code].get(key) !== 'string');
    if (missing.length) problems.push(`${key} (asked for in ${file}) is missing from ${missing.join(', ')}`);
  }
  for (const code of LANGUAGES) {
    for (const [key, text] of languages[code]) {
      if (typeof text !== 'string' || text.trim() === '') problems.push(`${code}: ${key} is not a text`);
      if (!spanish.has(key)) problems.push(`${code}: ${key} is not in es`);
      else {
        const known = placeholders(spanish.get(key));
        for (const name of placeholders(text)) if (!known.has(name)) problems.push(`${code}: ${key} has {${name}}, which Spanish lacks`);
      }
    }
    for (const key of spanish.keys()) if (!languages[code].has(key)) problems.push(`${code}: ${key} is missing (Spanish has it)`);
  }

  const manifest = JSON.parse(fs.readFileSync(path.join(repo, 'Locale', 'manifest.json'), 'utf8'));
  const codes = (manifest.languages ?? []).map((l) => l.code);
  if (codes.join() !== LANGUAGES.join()) problems.push(`manifest.json lists ${codes.join(', ')}`);
  for (const l of manifest.languages ?? []) if (!l.name) problems.push(`manifest.json: ${l.code} has no name`);

  for (const [key, text] of flatten(embeddedSpanish())) {
    if (spanish.get(key) !== text) problems.push(`the built-in Spanish ${key} differs from es.json`);
  }
  return { used, languages, problems };
}

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const { used, problems } = checkLocales();
  console.log(`${used.size} keys asked for by the page; ${LANGUAGES.length} languages`);
  for (const p of problems) console.log(`  ${p}`);
  process.exitCode = problems.length ? 1 : 0;
}
