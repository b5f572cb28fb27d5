// The pointer and clipboard helper of the end-to-end tests (tests/tools/x11_input.c), built beside the
// program on first use and run on a test display.
//
//   x11Input(display, ['move', '100', '200'])               // its output text
//   x11Input(display, ['clipboard'], { background: true })  // a running child process
//   const stop = await offerClipboard(display, 'text'); ...; await stop.served(); stop()
//   const stop = await showPatch(display, x, y, w, h, 'FF0000'); ...; stop()   // a window of that colour
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const repo = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..', '..');
const buildDir = process.env.QUORLIN_BUILD_DIR ?? path.join(repo, 'build');

export function x11Input(display, args, options = {}) {
  const tool = path.join(buildDir, 'test_x11_input');
  const source = path.join(repo, 'tests', 'tools', 'x11_input.c');
  if (!fs.existsSync(tool) || fs.statSync(tool).mtimeMs < fs.statSync(source).mtimeMs)
    execFileSync('cc', ['-O1', '-Wall', '-Wextra', '-Werror', source, '-o', tool, '-lX11', '-lXtst', '-lXfixes', '-lXext']);
  const env = { ...process.env, DISPLAY: display.display };
  if (options.background) return spawn(tool, args, { env, stdio: ['pipe', 'pipe', 'inherit'] });
  return execFileSync(tool, args, { env, encoding: 'utf8' });
}

// Takes the display's clipboard with `text` until the returned stop() is called. await stop.served()
// waits until a program has read the text (false after `timeoutMs` without a reader): a paste under a
// busy machine is taken in later than the key press.
export async function offerClipboard(display, text) {
  const child = x11Input(display, ['clipboard'], { background: true });
  let served = false;
  const waiting = [];
  const ready = new Promise((resolve, reject) => {
    child.stdout.once('data', resolve);
    child.once('exit', (code) => reject(new Error(`the clipboard helper ended (${code})`)));
  });
  child.stdout.on('data', (chunk) => {
    if (!String(chunk).includes('served')) return;
    served = true;
    for (const resolve of waiting.splice(0)) resolve(true);
  });
  child.stdin.end(text);
  await ready;
  const stop = () => child.kill();
  stop.served = (timeoutMs = 10000) => served ? Promise.resolve(true) : new Promise((resolve) => {
    waiting.push(resolve);
    setTimeout(() => resolve(served), timeoutMs);
  });
  return stop;
}

// Shows a borderless window of exactly the colour `hex` (RRGGBB) at x, y until the returned stop() is called.
export async function showPatch(display, x, y, width, height, hex) {
  const child = x11Input(display, ['patch', x, y, width, height, hex].map(String), { background: true });
  await new Promise((resolve, reject) => {
    child.stdout.once('data', resolve);
    child.once('exit', (code) => reject(new Error(`the patch helper ended (${code})`)));
  });
  return () => child.kill();
}
