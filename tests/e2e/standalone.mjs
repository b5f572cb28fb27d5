// Standalone applications for tests of the real loader: an executable made of build/loader/quorlin_loader
// with a payload appended, started under a virtual display through WebKitWebDriver (the loader's
// --automation), the way tests/e2e/editor.mjs starts the editor.
//
//   const exe = writeStandalone(folder, 'My app', { meta, html, resources: [[name, bytes], ...] });
//   const app = await startStandalone({ display, exe, env });
//   app.session (WebDriver session), app.tmp (its private home), app.exitCode(), app.stop()
//   runLoader(exe, { env }) -> { status, stderr } of a run without WebDriver (failure paths)
//   const exe = await buildWithEditor({ dir, name, embed, project, design: (exporter) => {...} })
//                                          // the editor's own builder makes the program (see below)
//   shownWindow(display, title) -> X id of the shown window of that title, or null
//   windowIconSizes(display, id) -> ['16x16', ...], the images of its _NET_WM_ICON ([] when it has none)
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

import { loadExporter } from '../export/export-page.mjs';
import { makeTempEnv } from '../tools/tmpenv.mjs';
import { startDriver } from '../tools/webdriver.mjs';
import { buildDir, repo, until } from './editor.mjs';

export const loaderBinary = path.join(buildDir, 'loader', 'quorlin_loader');
const recordExit = path.join(path.dirname(new URL(import.meta.url).pathname), 'record-exit.sh');

const u32 = (n) => { const b = Buffer.alloc(4); b.writeUInt32LE(n); return b; };
const u16 = (n) => { const b = Buffer.alloc(2); b.writeUInt16LE(n); return b; };

// The container as the editor lays it out: meta, page, then the resources back to back.
export function container(meta, html, resources = []) {
  const parts = [];
  const metaBytes = Buffer.from(typeof meta === 'string' ? meta : JSON.stringify(meta));
  const htmlBytes = Buffer.from(html);
  parts.push(u32(metaBytes.length), metaBytes, u32(htmlBytes.length), htmlBytes, u32(resources.length));
  for (const [name, bytes] of resources) {
    const n = Buffer.from(name);
    const d = Buffer.from(bytes);
    parts.push(u16(n.length), n, u32(d.length), d);
  }
  return Buffer.concat(parts);
}

export function footer(offset, length) {
  const b = Buffer.alloc(24);
  b.write('QORLNPAK', 0, 'latin1');
  b.writeBigUInt64LE(BigInt(offset), 8);
  b.writeBigUInt64LE(BigInt(length), 16);
  return b;
}

// Writes loader + container + footer as an executable file in `folder`.
export function writeStandalone(folder, name, { meta = {}, html, resources = [] }) {
  const loader = fs.readFileSync(loaderBinary);
  const body = container(meta, html, resources);
  const exe = path.join(folder, name);
  fs.writeFileSync(exe, Buffer.concat([loader, body, footer(loader.length, body.length)]), { mode: 0o755 });
  return exe;
}

export function runLoader(exe, { env = {}, timeoutMs = 20000 } = {}) {
  const tmp = makeTempEnv({ prefix: 'quorlin-loader-' });
  try {
    const r = spawnSync(exe, [], { env: { PATH: process.env.PATH, ...tmp.env, ...env }, encoding: 'utf8', timeout: timeoutMs });
    return { status: r.status, stderr: r.stderr };
  } finally {
    tmp.cleanup();
  }
}

export async function startStandalone({ display, exe, env = {} }) {
  const tmp = makeTempEnv({ prefix: 'quorlin-standalone-' });
  const exitFile = path.join(tmp.root, 'exit-code');
  const programEnv = { ...tmp.env, DISPLAY: display.display, QUORLIN_APP: exe, QUORLIN_EXIT_FILE: exitFile, ...env };
  const driver = await startDriver({ env: programEnv });
  let session;
  try {
    session = await driver.newSession({ binary: recordExit, args: ['--automation'] });
  } catch (e) {
    await driver.stop();
    tmp.cleanup();
    throw e;
  }
  return {
    session, driver, tmp,
    async waitFor(expression, options) {
      return until(expression, () => session.executeScript(`return (${expression}) || null`), options);
    },
    async exitCode(timeoutMs = 15000) {
      await until('the application to end', () => fs.existsSync(exitFile) && fs.readFileSync(exitFile, 'utf8').trim() !== '',
        { timeoutMs });
      return Number(fs.readFileSync(exitFile, 'utf8').trim());
    },
    async stop() {
      await driver.stop();
      tmp.cleanup();
    },
  };
}

// The editor's own builder (buildStandaloneExe in jsdom) against a stand-in for the host's routes: files
// are served from the project folder, then the build folder and the sources; the program is written as
// `dir`/`name` (mode 0755) and the files the builder sends beside it under their decoded names, as the
// host writes them. `design(exporter)` lays out the design (tests/export/export-page.mjs).
export async function buildWithEditor({ dir, name, embed = true, project = null, design }) {
  let program = null;
  const beside = new Map();
  const roots = [project, buildDir, repo].filter(Boolean);
  const exporter = await loadExporter({
    before: (w) => {
      for (const api of ['Response', 'CompressionStream', 'DecompressionStream', 'TextEncoder']) if (!w[api]) w[api] = globalThis[api];
      w.fetch = async (url, init = {}) => {
        const route = decodeURIComponent(String(url).replace(/^\//, '').split('?')[0]);
        if ((init.method || 'GET') === 'POST') {
          const body = Buffer.from(new Uint8Array(init.body));
          if (route === 'saveexe') program = body;
          else if (route.startsWith('saveasset/')) beside.set(route.slice('saveasset/'.length), body);
          return new Response('ok');
        }
        const file = roots.map((root) => path.join(root, route)).find((f) => fs.existsSync(f) && fs.statSync(f).isFile());
        return file ? new Response(fs.readFileSync(file)) : new Response('', { status: 404 });
      };
    },
  });
  try {
    // The editor's host bridge, and its media paths that point pages at the local server.
    for (const file of ['editor/project/bridge-page.js', 'editor/project/media.js']) exporter.run(fs.readFileSync(path.join(repo, file), 'utf8'), file);
    exporter.window.__name = name;
    exporter.run(`showToast = function () {}; currentProjectName = window.__name;
      document.body.insertAdjacentHTML('beforeend', '<input type="checkbox" id="standalone-embed-check"><input id="standalone-path-input" value="/tmp/x/">');`);
    exporter.window.document.getElementById('standalone-embed-check').checked = embed;
    await design(exporter);
    const result = await exporter.run('buildStandaloneExe()');
    if (result !== 'saved') throw new Error(`the builder answered ${result}`);
  } finally {
    exporter.close?.();
  }
  const exe = path.join(dir, name);
  fs.writeFileSync(exe, program, { mode: 0o755 });
  for (const [file, bytes] of beside) {
    fs.mkdirSync(path.dirname(path.join(dir, file)), { recursive: true });
    fs.writeFileSync(path.join(dir, file), bytes);
  }
  return exe;
}

// GTK's hidden leader window carries the program's file name, which may be the same text as the title, so
// every window of that name is asked for its map state.
export function shownWindow(display, title) {
  const env = { ...process.env, DISPLAY: display.display };
  const tree = spawnSync('xwininfo', ['-root', '-tree'], { env, encoding: 'utf8' }).stdout;
  const ids = [...tree.matchAll(/^\s*(0x[0-9a-f]+) "([^"]*)"/gm)].filter((m) => m[2] === title).map((m) => m[1]);
  return ids.find((id) => /Map State:\s+IsViewable/.test(spawnSync('xwininfo', ['-id', id], { env, encoding: 'utf8' }).stdout)) ?? null;
}

// xprop draws each image of the property and heads it "Icon (W x H):"; an unset property is "not found".
export function windowIconSizes(display, id) {
  const r = spawnSync('xprop', ['-id', id, '_NET_WM_ICON'], { env: { ...process.env, DISPLAY: display.display }, encoding: 'utf8' });
  if (r.status !== 0 || !r.stdout.startsWith('_NET_WM_ICON')) throw new Error(`xprop -id ${id} failed: ${r.stderr || r.stdout}`);
  return [...r.stdout.matchAll(/Icon \((\d+) x (\d+)\)/g)].map((m) => `${m[1]}x${m[2]}`);
}
