// A virtual X display for tests of the real programs: starts `Xvfb :N -screen 0 1920x1080x24 -nolisten tcp`
// on a free display number and waits until its socket accepts clients. When QUORLIN_TEST_DISPLAY is set
// (for example ":0" to watch a run), that display is used instead and nothing is started. Node built-ins only.
//
//   findXvfb() -> absolute path of Xvfb, or null
//   const x = await startXvfb({ screen, timeoutMs });  // x.display ":N", x.env { DISPLAY }, x.pid (null when reused)
//   await x.stop();                                    // ends the Xvfb started here; safe to call twice
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';

import { findProgram } from './which.mjs';

const SOCKET_DIR = '/tmp/.X11-unix';

export function findXvfb() {
  return findProgram('Xvfb');
}

function displayInUse(n) {
  return fs.existsSync(path.join(SOCKET_DIR, `X${n}`)) || fs.existsSync(`/tmp/.X${n}-lock`);
}

export async function startXvfb({ screen = '1920x1080x24', first = 110, last = 999, timeoutMs = 10000 } = {}) {
  const reuse = process.env.QUORLIN_TEST_DISPLAY;
  if (reuse) return { display: reuse, env: { DISPLAY: reuse }, pid: null, async stop() {} };

  const xvfb = findXvfb();
  if (!xvfb) throw new Error('Xvfb is not installed (Debian package xvfb)');
  let lastError = 'no free display number';
  for (let n = first, tries = 0; n <= last && tries < 5; n++) {
    if (displayInUse(n)) continue;
    tries++;
    const started = await tryDisplay(xvfb, n, screen, timeoutMs);
    if (started.ok) return started.handle;
    lastError = started.error;
  }
  throw new Error(`Xvfb could not be started: ${lastError}`);
}

// Starts Xvfb on :n. Another process may take the same number first; then Xvfb exits and the caller moves on.
function tryDisplay(xvfb, n, screen, timeoutMs) {
  return new Promise((resolve) => {
    const child = spawn(xvfb, [`:${n}`, '-screen', '0', screen, '-nolisten', 'tcp'], { stdio: ['ignore', 'ignore', 'pipe'] });
    let stderr = '';
    let settled = false;
    child.stderr.on('data', (d) => { stderr = (stderr + d).slice(-4000); });
    const exited = new Promise((r) => child.once('exit', (code, signal) => r({ code, signal })));
    const onExit = () => { try { child.kill('SIGKILL'); } catch { /* gone */ } };
    process.once('exit', onExit);

    const done = (result) => {
      if (settled) return;
      settled = true;
      clearInterval(poll);
      clearTimeout(timer);
      resolve(result);
    };
    child.once('error', (e) => done({ ok: false, error: e.message }));
    exited.then(({ code, signal }) => {
      process.removeListener('exit', onExit);
      done({ ok: false, error: `Xvfb :${n} exited (${signal ?? code}): ${stderr.trim()}` });
    });
    const timer = setTimeout(() => {
      child.kill('SIGKILL');
      done({ ok: false, error: `the socket of :${n} did not appear within ${timeoutMs} ms` });
    }, timeoutMs);
    const poll = setInterval(() => {
      if (child.exitCode !== null || !fs.existsSync(path.join(SOCKET_DIR, `X${n}`))) return;
      let stopped = false;
      done({
        ok: true,
        handle: {
          display: `:${n}`,
          env: { DISPLAY: `:${n}` },
          pid: child.pid,
          async stop() {
            if (stopped) return;
            stopped = true;
            if (child.exitCode === null && child.signalCode === null) {
              child.kill('SIGTERM');
              const timeout = new Promise((r) => setTimeout(r, 5000, 'timeout'));
              if ((await Promise.race([exited, timeout])) === 'timeout') {
                child.kill('SIGKILL');
                await exited;
              }
            }
          },
        },
      });
    }, 25);
  });
}
