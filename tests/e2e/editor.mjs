// Starts the real quorlin_app under a virtual display and drives its web view through WebKitWebDriver.
//
//   const display = await startXvfb();
//   const ed = await startEditor({ display, args: [file], env: {...}, before(tmp) {...} });
//   ed.session (WebDriver session), ed.tmp (temporary home), ed.port, ed.logPath, ed.settingsPath
//   await ed.waitFor('window._canvasReady')      // polls a page expression until it is truthy
//   await ed.exitCode()                           // waits for the program to end; its exit code
//   await ed.stop()
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { makeTempEnv } from '../tools/tmpenv.mjs';
import { findWebDriver, startDriver } from '../tools/webdriver.mjs';
import { findXvfb } from '../tools/xvfb.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
export const repo = path.resolve(here, '..', '..');
export const buildDir = process.env.QUORLIN_BUILD_DIR ?? path.join(repo, 'build');
export const appBinary = path.join(buildDir, 'quorlin_app');
export const artifacts = path.join(repo, 'tests', 'artifacts');

// Why the end-to-end tests cannot run here, or null.
export function missingTools() {
  if (!findXvfb()) return 'Xvfb is not installed';
  if (!findWebDriver()) return 'WebKitWebDriver is not installed';
  if (!fs.existsSync(appBinary)) return `${appBinary} is not built`;
  return null;
}

// Holds a loopback port open, as another program would; close() releases it.
export async function holdPort(port) {
  const server = net.createServer();
  await new Promise((resolve, reject) => server.once('error', reject).listen(port, '127.0.0.1', resolve));
  return server;
}

// The first port from `port` on that nobody holds.
export async function firstFreePortFrom(port) {
  for (;; port++) {
    try {
      const s = await holdPort(port);
      await new Promise((r) => s.close(r));
      return port;
    } catch { /* taken */ }
  }
}

export const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

export async function until(what, test, { timeoutMs = 15000, everyMs = 50 } = {}) {
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const value = await test();
    if (value) return value;
    if (Date.now() > deadline) throw new Error(`timed out waiting for ${what}`);
    await sleep(everyMs);
  }
}

// Presses the close button of the window titled `title` (a WM_DELETE_WINDOW request).
export function pressCloseButton(display, title) {
  const tool = path.join(buildDir, 'test_x11_close');
  const source = path.join(repo, 'tests', 'tools', 'x11_close.c');
  if (!fs.existsSync(tool) || fs.statSync(tool).mtimeMs < fs.statSync(source).mtimeMs)
    execFileSync('cc', ['-O1', '-Wall', '-Wextra', '-Werror', source, '-o', tool, '-lX11']);
  execFileSync(tool, [title], { env: { ...process.env, DISPLAY: display.display } });
}

export async function startEditor({ display, args = [], env = {}, before } = {}) {
  const tmp = makeTempEnv({ prefix: 'quorlin-e2e-' });
  const exitFile = path.join(tmp.root, 'exit-code');
  const settingsPath = path.join(tmp.env.XDG_CONFIG_HOME, 'quorlin', 'settings.txt');
  const logPath = path.join(tmp.env.XDG_RUNTIME_DIR, 'quorlin', 'quorlin_host.log');
  const extraEnv = { ...env };
  if (before) await before({ tmp, settingsPath, env: extraEnv });
  const programEnv = { ...tmp.env, DISPLAY: display.display, QUORLIN_APP: appBinary, QUORLIN_EXIT_FILE: exitFile, ...extraEnv };
  const driver = await startDriver({ env: programEnv });
  let session;
  try {
    session = await driver.newSession({ binary: path.join(here, 'record-exit.sh'), args: ['--automation', ...args] });
  } catch (e) {
    await driver.stop();
    tmp.cleanup();
    throw e;
  }
  const ed = {
    session, driver, tmp, settingsPath, logPath, env: programEnv,
    async waitFor(expression, options) {
      return until(expression, () => session.executeScript(`return (${expression}) || null`), options);
    },
    log: () => (fs.existsSync(logPath) ? fs.readFileSync(logPath, 'utf8') : ''),
    async exitCode(timeoutMs = 15000) {
      await until('the editor to end', () => fs.existsSync(exitFile) && fs.readFileSync(exitFile, 'utf8').trim() !== '',
        { timeoutMs });
      return Number(fs.readFileSync(exitFile, 'utf8').trim());
    },
    async stop() {
      await driver.stop();
      tmp.cleanup();
    },
  };
  ed.port = Number(await ed.waitFor('location.port'));
  return ed;
}
