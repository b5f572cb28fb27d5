// Standalone applications for tests of the real loader: an executable made of build/loader/quorlin_loader
// with a payload appended, started under a virtual display through WebKitWebDriver (the loader's
// --automation), the way tests/e2e/editor.mjs starts the editor.
//
//   const exe = writeStandalone(folder, 'My app', { meta, html, resources: [[name, bytes], ...] });
//   const app = await startStandalone({ display, exe, env });
//   app.session (WebDriver session), app.tmp (its private home), app.exitCode(), app.stop()
//   runLoader(exe, { env }) -> { status, stderr } of a run without WebDriver (failure paths)
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

import { makeTempEnv } from '../tools/tmpenv.mjs';
import { startDriver } from '../tools/webdriver.mjs';
import { buildDir, until } from './editor.mjs';

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
