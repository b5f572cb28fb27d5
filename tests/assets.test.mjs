// Checks the folders the build lays out beside the program (target quorlin_assets): every file that
// cmake/asset_table.cmake maps is there with the right content, the paths the page and the exports name
// exist, every url(...) of a copied style sheet names a copied file, and the script libraries work when
// loaded the way the editor page loads them.
// The build folder is $QUORLIN_BUILD_DIR, else build/ in the repository. Run: node --test tests/assets.test.mjs
import { test } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { JSDOM } from 'jsdom';

import { readPng } from './tools/png.mjs';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const out = path.resolve(process.env.QUORLIN_BUILD_DIR ?? path.join(repo, 'build'));
const nodeModules = path.join(repo, 'node_modules');

// The lines of the table, parsed as cmake/asset_table.cmake parses them.
function readTable() {
  const text = fs.readFileSync(path.join(repo, 'cmake/asset_table.cmake'), 'utf8');
  const block = text.match(/set\(QUORLIN_ASSET_TABLE\n([\s\S]*?)\n\)/);
  assert.ok(block, 'cmake/asset_table.cmake has no set(QUORLIN_ASSET_TABLE ...) block');
  return [...block[1].matchAll(/^\s*"([^"]*)"\s*$/gm)].map(([, row]) => {
    const m = row.match(/^\s*(\S+)\s*\|\s*(\S+)\s*(?:\|\s*(\S+) => (\S+)\s*)?$/);
    assert.ok(m, `unreadable table line: ${row}`);
    return { src: m[1], dst: m[2], from: m[3], to: m[4] };
  });
}

// Files under node_modules matching a pattern whose * stands for any part of one path segment.
function expand(pattern) {
  const parts = pattern.split('/');
  const fixed = parts.findIndex((p) => p.includes('*'));
  let found = [''];
  for (const part of parts.slice(fixed)) {
    const re = new RegExp('^' + part.split('*').map((s) => s.replace(/[.+?^${}()|[\]\\]/g, '\\$&')).join('[^/]*') + '$');
    found = found.flatMap((rel) => {
      const dir = path.join(nodeModules, ...parts.slice(0, fixed), rel);
      return fs.existsSync(dir) && fs.statSync(dir).isDirectory()
        ? fs.readdirSync(dir).filter((n) => re.test(n)).map((n) => (rel ? `${rel}/${n}` : n))
        : [];
    });
  }
  const base = parts.slice(0, fixed).join('/');
  return found
    .filter((rel) => fs.statSync(path.join(nodeModules, base, rel)).isFile())
    .map((rel) => ({ src: `${base}/${rel}`, rel }));
}

function mappedFiles() {
  return readTable().flatMap((row) => {
    if (!row.src.includes('*')) return [{ ...row }];
    const files = expand(row.src);
    assert.ok(files.length > 0, `${row.src} matches no file in node_modules`);
    return files.map(({ src, rel }) => ({ ...row, src, dst: row.dst + rel }));
  });
}

function walk(dir) {
  return fs.readdirSync(dir, { withFileTypes: true }).flatMap((e) =>
    e.isDirectory() ? walk(path.join(dir, e.name)) : [path.join(dir, e.name)]);
}

// What the build does to the @font-face rules of the sheets under Fonts/: only the woff2 sources stay,
// and a src declaration without one goes.
function woff2Only(css) {
  return css.replace(/@font-face *\{[^}]*\}/g, (face) =>
    face.replace(/src *:([^;}]*)(;|\})/g, (all, value, end) => {
      const kept = value.split(',').filter((item) => item.includes('.woff2')).map((item) => item.trim());
      return kept.length ? `src:${kept.join(',')}${end}` : (end === '}' ? '}' : '');
    }));
}

const folders = ['Internal_lib', 'Libraries', 'Fonts', 'Images', 'Locale'];
const laidOut = folders.every((f) => fs.existsSync(path.join(out, f)));
const needsCopy = { skip: !laidOut && `${out} is not laid out` };

test('the build folder has been laid out', () => {
  for (const folder of folders)
    assert.ok(fs.existsSync(path.join(out, folder)),
      `${path.join(out, folder)} is missing: build the target quorlin_assets (or set QUORLIN_BUILD_DIR)`);
});

test('every mapped file is copied, unchanged or with only its listed change', needsCopy, () => {
  for (const f of mappedFiles()) {
    const target = path.join(out, f.dst);
    assert.ok(fs.existsSync(target), `${f.dst} (from ${f.src}) is missing`);
    const source = fs.readFileSync(path.join(nodeModules, f.src));
    const copy = fs.readFileSync(target);
    if (/^Fonts\/.*\.css$/.test(f.dst)) {
      let text = source.toString('utf8');
      if (f.from !== undefined) text = text.replaceAll(f.from, f.to);
      assert.equal(copy.toString('utf8'), woff2Only(text), `${f.dst} is not ${f.src} with its changes and woff2 sources only`);
    } else if (f.from === undefined) {
      assert.ok(copy.equals(source), `${f.dst} differs from ${f.src}: the copy is stale`);
    } else {
      assert.ok(source.includes(f.from), `${f.src} no longer holds "${f.from}"`);
      assert.equal(copy.toString('utf8'), source.toString('utf8').replaceAll(f.from, f.to), `${f.dst} is not ${f.src} with "${f.from}" => "${f.to}"`);
    }
  }
});

test('the paths the editor page and the exports request are there', needsCopy, () => {
  const weights = { regular: '', bold: '-Bold', light: '-Light', thin: '-Thin', fill: '-Fill', duotone: '-Duotone' };
  const names = [
    'Internal_lib/tailwind.min.js',
    'Internal_lib/chartjs/chart.umd.min.js',
    'Internal_lib/gridjs/gridjs.min.js',
    'Internal_lib/gridjs/theme/mermaid.min.css',
    'Internal_lib/sortablejs/sortable.min.js',
    'Internal_lib/html2canvas.min.js',
    'Internal_lib/plyr/plyr.svg',
    // Under the names exported pages load them by.
    ...['tailwind.min.js', 'chart.umd.min.js', 'gridjs.min.js', 'gridjs.min.css', 'sortable.min.js', 'plyr.js', 'plyr.css', 'plyr.svg']
      .map((f) => `Libraries/${f}`),
    'Fonts/fontawesome/all.min.css',
    'Fonts/fontawesome/webfonts/fa-brands-400.woff2',
    'Fonts/fontawesome/webfonts/fa-regular-400.woff2',
    'Fonts/fontawesome/webfonts/fa-solid-900.woff2',
    'Fonts/bootstrap-icons/bootstrap-icons.min.css',
    'Fonts/bootstrap-icons/fonts/bootstrap-icons.woff2',
    'Fonts/ionicons/ionicons.min.css',
    'Fonts/ionicons/fonts/ionicons.woff2',
    ...Object.entries(weights).flatMap(([w, suffix]) => [
      `Fonts/phosphor/${w}/style.css`,
      `Fonts/phosphor/${w}/Phosphor${suffix}.woff2`,
    ]),
  ];
  const missing = names.filter((n) => !(fs.existsSync(path.join(out, n)) && fs.statSync(path.join(out, n)).size > 0));
  assert.deepEqual(missing, []);
});

test('every picture the component catalogue names stands beside the program, a real picture of its size', needsCopy, () => {
  const catalogue = fs.readFileSync(path.join(repo, 'editor/model/catalogue-data.js'), 'utf8');
  const named = [...new Set([...catalogue.matchAll(/'(Images\/[^']+)'/g)].map((m) => m[1]))];
  assert.ok(named.includes('Images/placeholder255x255.png'), 'a new image starts with the placeholder');
  for (const name of named) {
    const file = path.join(out, name);
    assert.ok(fs.existsSync(file), `${name} is not in ${out}`);
    const picture = readPng(fs.readFileSync(file));
    const size = /(\d+)x(\d+)\.png$/.exec(name);
    if (size) assert.deepEqual([picture.width, picture.height], [Number(size[1]), Number(size[2])], name);
    const corner = picture.pixel(0, 0);
    const middle = picture.pixel(Math.floor(picture.width / 2), Math.floor(picture.height * 0.7));
    assert.notDeepEqual(corner, middle, `${name} shows something, not one flat colour`);
  }
});

test('every url() of a copied style sheet names a file of the copy, never a remote address', needsCopy, () => {
  const sheets = ['Internal_lib', 'Libraries', 'Fonts'].flatMap((d) => walk(path.join(out, d))).filter((f) => f.endsWith('.css'));
  assert.ok(sheets.length >= 10, `only ${sheets.length} style sheets were copied`);
  const bad = new Set();
  for (const sheet of sheets) {
    const css = fs.readFileSync(sheet, 'utf8');
    for (const m of css.matchAll(/url\(\s*(?:"([^"]*)"|'([^']*)'|([^)'"]*))\s*\)/g)) {
      const raw = (m[1] ?? m[2] ?? m[3]).trim();
      if (raw.startsWith('data:') || raw.startsWith('#')) continue;
      const file = raw.replace(/[?#].*$/, '');
      if (/^[a-z][a-z0-9+.-]*:|^\//i.test(raw) || !fs.existsSync(path.resolve(path.dirname(sheet), file)))
        bad.add(`${path.relative(out, sheet)}: url(${raw})`);
    }
  }
  assert.deepEqual([...bad], []);
});

// The web views read woff2: the other formats were nine tenths of the folder and were never requested.
test('Fonts/ holds woff2 fonts only and every @font-face names woff2 sources only', needsCopy, () => {
  const files = walk(path.join(out, 'Fonts')).map((f) => path.relative(out, f));
  // Beside the sheets and fonts: Font Awesome's icon names per style, made by the build for the icon picker.
  assert.deepEqual(files.filter((f) => !/\.(woff2|css)$/.test(f)), ['Fonts/fontawesome/icon-sets.json']);
  let faces = 0;
  for (const sheet of files.filter((f) => f.endsWith('.css'))) {
    for (const [face] of fs.readFileSync(path.join(out, sheet), 'utf8').matchAll(/@font-face *\{[^}]*\}/g)) {
      faces++;
      const urls = [...face.matchAll(/url\(([^)]*)\)/g)].map((m) => m[1]);
      assert.ok(urls.length > 0, `${sheet}: a face without a source`);
      assert.deepEqual(urls.filter((u) => !/\.woff2/.test(u)), [], `${sheet}: ${face}`);
    }
  }
  assert.ok(faces >= 9, `only ${faces} font faces found`);
});

test('woff2Only keeps the woff2 sources of each face and drops a declaration without one', () => {
  const ionicons = '@font-face{font-family:"I";src:url("f.eot?v=1");src:url("f.eot?#iefix") format("embedded-opentype"),url("f.woff2?v=1") format("woff2"),url("f.ttf") format("truetype");font-weight:normal}';
  assert.equal(woff2Only(ionicons), '@font-face{font-family:"I";src:url("f.woff2?v=1") format("woff2");font-weight:normal}');
  const last = '@font-face{font-family:b;src:url("b.woff2") format("woff2"),url("b.woff") format("woff")} .x{src:url(a.ttf)}';
  assert.equal(woff2Only(last), '@font-face{font-family:b;src:url("b.woff2") format("woff2")} .x{src:url(a.ttf)}');
});

// The icon picker lists a library's icons by scanning its style sheet for "<prefix><name>:before" or
// "::before" rules. Font Awesome 6.7 moved to ".fa-<name>{--fa:...}" rules, which would leave its picker empty.
test('each icon style sheet declares its icons as ::before rules the icon picker can list', needsCopy, () => {
  const sheets = [
    ['Fonts/phosphor/regular/style.css', /\.ph-([a-z0-9-]+):{1,2}before/g, 1000],
    ['Fonts/fontawesome/all.min.css', /\.fa-([a-z0-9-]+):{1,2}before/g, 1000],
    ['Fonts/bootstrap-icons/bootstrap-icons.min.css', /\.bi-([a-z0-9-]+):{1,2}before/g, 1000],
    ['Fonts/ionicons/ionicons.min.css', /\.(ion-(?:md|ios|logo)-[a-z0-9-]+):{1,2}before/g, 500],
  ];
  for (const [file, rule, least] of sheets) {
    const names = new Set([...fs.readFileSync(path.join(out, file), 'utf8').matchAll(rule)].map((m) => m[1]));
    assert.ok(names.size >= least, `${file}: only ${names.size} icons found by ${rule}`);
  }
});

test('each script library defines its global when loaded as the editor page loads it', needsCopy, () => {
  const dom = new JSDOM('<!doctype html><html><head></head><body></body></html>', { runScripts: 'outside-only', pretendToBeVisual: true });
  const w = dom.window;
  const load = (file) => {
    try { w.eval(fs.readFileSync(path.join(out, 'Internal_lib', file), 'utf8')); }
    catch (e) { assert.fail(`${file} fails as a plain script: ${e.message}`); }
  };
  const plain = [
    ['chartjs/chart.umd.min.js', 'Chart', 'function'],
    ['html2canvas.min.js', 'html2canvas', 'function'],
    ['sortablejs/sortable.min.js', 'Sortable', 'function'],
    ['drawflow/drawflow.min.js', 'Drawflow', 'function'],
    ['plyr/plyr.min.js', 'Plyr', 'function'],
  ];
  for (const [file, global, type] of plain) {
    load(file);
    assert.equal(typeof w[global], type, `${file} does not define window.${global}: not the browser (UMD) build?`);
  }
  // Grid.js is fetched and evaluated after the page sets window.exports = {}.
  w.exports = {};
  load('gridjs/gridjs.min.js');
  assert.equal(typeof w.gridjs?.Grid, 'function', 'gridjs.min.js does not define window.gridjs.Grid');
  w.close();
});

test('the Tailwind runtime is the v3 one: configured through tailwind.config, with v3 scales', needsCopy, async () => {
  const dom = new JSDOM('<!doctype html><html><head></head><body><div class="rounded-sm blur-sm bg-accent"></div></body></html>',
    { runScripts: 'outside-only', pretendToBeVisual: true });
  const w = dom.window;
  w.console.warn = () => {};
  w.eval(fs.readFileSync(path.join(out, 'Internal_lib/tailwind.min.js'), 'utf8'));
  w.tailwind.config = { darkMode: 'class', theme: { extend: { colors: { accent: 'var(--accent-color)' } } } };
  const css = await new Promise((resolve, reject) => {
    const started = Date.now();
    const poll = setInterval(() => {
      const text = [...w.document.querySelectorAll('style')].map((s) => s.textContent).join('\n');
      if (text.includes('.bg-accent')) { clearInterval(poll); resolve(text); }
      else if (Date.now() - started > 10000) { clearInterval(poll); reject(new Error('no CSS generated for .bg-accent within 10 s')); }
    }, 20);
  });
  assert.match(css, /\.bg-accent\s*\{\s*background-color:\s*var\(--accent-color\)/);
  assert.match(css, /\.rounded-sm\s*\{\s*border-radius:\s*0\.125rem/, 'rounded-sm is not the v3 2 px');
  assert.match(css, /\.blur-sm\s*\{[^}]*blur\(4px\)/, 'blur-sm is not the v3 4 px');
});
