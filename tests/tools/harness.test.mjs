// Proves the real-program test harness (xvfb.mjs, webdriver.mjs, tmpenv.mjs, png.mjs) against WebKitGTK's
// MiniBrowser, the same web view and driver the program tests use: a session is opened under Xvfb, a page is
// loaded, scripts run, an element is clicked and typed into, a screenshot shows the page's colours, the driver's
// errors come back readable, and the environment given to the driver reaches the launched program.
// Skips, saying why, when WebKitWebDriver, Xvfb or MiniBrowser is missing.
import { describe, test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { pathToFileURL, fileURLToPath } from 'node:url';
import { findXvfb, startXvfb } from './xvfb.mjs';
import { findWebDriver, startDriver, WebDriverError } from './webdriver.mjs';
import { makeTempEnv } from './tmpenv.mjs';
import { readPng } from './png.mjs';

const MINIBROWSER = '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';
const artifacts = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../artifacts');

const missing = [
  !findWebDriver() && 'WebKitWebDriver is not installed (Debian package webkit2gtk-driver)',
  !process.env.QUORLIN_TEST_DISPLAY && !findXvfb() && 'Xvfb is not installed (Debian package xvfb)',
  !fs.existsSync(MINIBROWSER) && `${MINIBROWSER} is missing (Debian package libwebkit2gtk-4.1-0)`,
].filter(Boolean);

const PAGE = `<!doctype html><html><head><meta charset="utf-8"><title>harness page</title><style>
  html, body { margin: 0; height: 100%; background: rgb(0, 128, 255); }
  #go { position: absolute; left: 0; top: 0; width: 200px; height: 100px; border: 0; background: rgb(255, 0, 0); }
  #field { position: absolute; left: 0; top: 150px; }
</style></head><body>
  <button id="go" onclick="document.title = 'clicked ' + (window.clicks = (window.clicks || 0) + 1)">go</button>
  <input id="field">
</body></html>`;

// Asserts that `promise` fails with the driver's error code `code` and a message matching `message`.
async function rejectsWith(promise, code, message) {
  await assert.rejects(promise, (e) => {
    assert.ok(e instanceof WebDriverError, `not a WebDriverError: ${e}`);
    assert.equal(e.error, code, e.message);
    if (message) assert.match(e.message, message);
    return true;
  });
}

describe('the harness drives a WebKitGTK web view', { skip: missing.join('; ') || false }, () => {
  let tmp;
  let display;
  let driver;
  let session;

  before(async () => {
    tmp = makeTempEnv();
    display = await startXvfb();
    driver = await startDriver({ env: { ...tmp.env, ...display.env } });
    session = await driver.newSession({ binary: MINIBROWSER, args: ['--automation'] });
    fs.writeFileSync(path.join(tmp.root, 'page.html'), PAGE);
    await session.navigate(pathToFileURL(path.join(tmp.root, 'page.html')).href);
  });

  after(async () => {
    await driver?.stop();
    await display?.stop();
    tmp?.cleanup();
  });

  test('scripts run in the page, with arguments and results passed as JSON', async () => {
    assert.equal(await session.getTitle(), 'harness page');
    assert.equal(await session.executeScript('return document.title'), 'harness page');
    const tricky = 'quote " backslash \\ newline \n ü';
    assert.deepEqual(
      await session.executeScript('return [arguments[0] + 1, arguments[1].k, arguments[2]]', [41, { k: tricky }, null]),
      [42, tricky, null]);
    assert.equal(
      await session.executeAsyncScript('const done = arguments[arguments.length - 1]; setTimeout(() => done(arguments[0] * 2), 50)', [21]),
      42);
  });

  test('clicking and typing reach the page', async () => {
    await session.click(await session.findElement('#go'));
    assert.equal(await session.getTitle(), 'clicked 1');
    const field = await session.findElement('#field');
    await session.sendKeys(field, 'héllo wörld');
    assert.equal(await session.executeScript('return document.getElementById("field").value'), 'héllo wörld');
  });

  test('a screenshot shows the page as drawn', async () => {
    const file = path.join(artifacts, 'harness-minibrowser.png');
    const png = await session.screenshot(file);
    assert.ok(fs.readFileSync(file).equals(png));
    const img = readPng(png);
    assert.ok(img.width >= 400 && img.height >= 300, `screenshot is only ${img.width}x${img.height}`);
    assert.deepEqual(img.pixel(20, 20).slice(0, 3), [255, 0, 0], 'the red button is not at the top left');
    assert.deepEqual(img.pixel(img.width - 20, img.height - 20).slice(0, 3), [0, 128, 255], 'the blue page is not behind it');
  });

  test('driver errors come back with their code and message; async scripts time out', async () => {
    await rejectsWith(session.executeScript('throw new Error("boom in page")'), 'javascript error', /boom in page/);
    await rejectsWith(session.findElement('#nothing-here'), 'no such element');
    await rejectsWith(session.executeAsyncScript('/* never calls back */', [], { timeoutMs: 300 }), 'script timeout');
    assert.equal(await session.executeScript('return 1 + 1'), 2, 'the session is still usable');
  });

  test('the environment reaches the launched program; a program that ends at once fails the session fast', async () => {
    await session.deleteSession();
    await rejectsWith(driver.newSession({ binary: MINIBROWSER, args: ['--automation'], browserName: 'not-this-program' }),
      'session not created');
    await rejectsWith(driver.newSession({ binary: '/bin/false', timeoutMs: 20000 }), 'cancelled', /\/bin\/false is not running/);
    session = await driver.newSession({
      binary: MINIBROWSER, args: ['--automation'], browserName: 'MiniBrowser', env: { QUORLIN_PROBE: 'a b=c' },
    });
    assert.equal(session.capabilities.browserName, 'MiniBrowser');
    const pids = driver.childPids();
    assert.equal(pids.length, 1, `expected one launched program, found ${pids.length}`);
    const environ = Object.fromEntries(fs.readFileSync(`/proc/${pids[0]}/environ`, 'utf8').split('\0').filter(Boolean)
      .map((kv) => [kv.slice(0, kv.indexOf('=')), kv.slice(kv.indexOf('=') + 1)]));
    for (const [k, v] of Object.entries({ ...tmp.env, ...display.env, QUORLIN_PROBE: 'a b=c' }))
      assert.equal(environ[k], v, `${k} in the launched program`);
    assert.equal(fs.statSync(tmp.env.XDG_RUNTIME_DIR).mode & 0o777, 0o700);
    assert.equal(await session.executeScript('return 6 * 7'), 42);
  });
});
