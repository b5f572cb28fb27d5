// Drives a real WebKitGTK web view from a test: starts Debian's WebKitWebDriver on a free port and speaks the
// W3C WebDriver protocol to it. The driver launches the program under test itself, from the session capability
// "webkitgtk:browserOptions" {binary, args}, and hands it its own environment: give startDriver() the
// environment the program must see (HOME, XDG_*, DISPLAY: see tmpenv.mjs and xvfb.mjs). Node built-ins only.
//
//   findWebDriver() -> absolute path of WebKitWebDriver, or null
//   const driver = await startDriver({ env, port?, timeoutMs?, logFile? });
//   const s = await driver.newSession({ binary, args: ['--automation'], env?, browserName?, timeoutMs? });
//   await s.navigate(url);                      await s.getTitle();            await s.getUrl();
//   await s.executeScript('return 1 + arguments[0]', [1]);
//   await s.executeAsyncScript('arguments[arguments.length - 1](42)', [], { timeoutMs });
//   const el = await s.findElement('#id');      await s.findElements('li');    // element ids
//   await s.click(el);                          await s.sendKeys(el, 'text');
//   await s.screenshot('/path/shot.png');       // also returns the PNG bytes
//   await s.setTimeouts({ script, pageLoad, implicit });
//   await s.command('GET', '/window/rect');     // any other endpoint, relative to the session
//   await s.deleteSession();                    // closes the program
//   driver.childPids();  driver.output();       await driver.stop();  // stop ends the driver and what it launched
// One session at a time per driver (WebKitWebDriver refuses a second). Every call has a time limit; a failed
// call throws WebDriverError carrying the driver's error code and message.
import { spawn } from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import path from 'node:path';

import { findProgram } from './which.mjs';

export const ELEMENT_KEY = 'element-6066-11e4-a52e-4f735466cecf';

export class WebDriverError extends Error {
  constructor(command, { status, error, message }) {
    super(`${command}: ${error}${message ? `: ${message}` : ''}`);
    this.name = 'WebDriverError';
    this.command = command;
    this.status = status;
    this.error = error;
    this.driverMessage = message;
  }
}

// A reference to an element, for passing it to executeScript as an argument.
export function elementRef(id) {
  return { [ELEMENT_KEY]: id };
}

export function findWebDriver() {
  return findProgram('WebKitWebDriver');
}

async function freePort() {
  const server = net.createServer();
  await new Promise((resolve, reject) => server.once('error', reject).listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  await new Promise((resolve) => server.close(resolve));
  return port;
}

// One call to the driver. `cancel`, when given, is an AbortSignal whose reason (an Error) ends the wait early.
async function request(base, method, urlPath, body, timeoutMs, cancel) {
  const command = `${method} ${urlPath}`;
  const signals = [AbortSignal.timeout(timeoutMs), ...(cancel ? [cancel] : [])];
  let res;
  let text;
  try {
    res = await fetch(base + urlPath, {
      method,
      headers: body === undefined ? {} : { 'Content-Type': 'application/json; charset=utf-8' },
      body: body === undefined ? undefined : JSON.stringify(body),
      signal: AbortSignal.any(signals),
    });
    text = await res.text();
  } catch (e) {
    if (cancel?.aborted) throw new WebDriverError(command, { error: 'cancelled', message: cancel.reason?.message });
    if (e.name === 'TimeoutError' || e.name === 'AbortError')
      throw new WebDriverError(command, { error: 'no answer', message: `the driver did not answer within ${timeoutMs} ms` });
    throw new WebDriverError(command, { error: 'connection failed', message: e.cause?.message ?? e.message });
  }
  let json;
  try {
    json = JSON.parse(text);
  } catch {
    throw new WebDriverError(command, { status: res.status, error: `HTTP ${res.status}, not JSON`, message: text.slice(0, 500) });
  }
  const value = json?.value;
  if (!res.ok || (value && typeof value === 'object' && typeof value.error === 'string'))
    throw new WebDriverError(command, { status: res.status, error: value?.error ?? `HTTP ${res.status}`, message: value?.message });
  return value;
}

const elementId = (el) => (typeof el === 'string' ? el : el?.[ELEMENT_KEY]);

export async function startDriver({ env = {}, binary = findWebDriver(), port, timeoutMs = 15000, logFile } = {}) {
  if (!binary) throw new Error('WebKitWebDriver is not installed (Debian package webkit2gtk-driver)');
  let lastError;
  for (let attempt = 0; attempt < 3; attempt++) {
    const p = port ?? (await freePort());
    try {
      return await launch(binary, p, env, timeoutMs, logFile);
    } catch (e) {
      lastError = e;
      if (port || e.cannotStart) break; // a port the caller chose is not replaced by another
    }
  }
  throw lastError;
}

async function launch(binary, port, env, timeoutMs, logFile) {
  // The driver's environment is the program's: PATH, a silenced accessibility bridge, and what the caller gives
  // (a variable given as undefined is left out).
  const childEnv = Object.fromEntries(Object.entries({ PATH: process.env.PATH ?? '/usr/bin:/bin', NO_AT_BRIDGE: '1', ...env })
    .filter(([, v]) => v !== undefined));
  // Own process group: stop() ends the driver and every program it launched, by the group's id.
  const child = spawn(binary, [`--port=${port}`], { env: childEnv, detached: true, stdio: ['ignore', 'pipe', 'pipe'] });
  const log = logFile ? fs.createWriteStream(logFile, { flags: 'a' }) : null;
  const state = { output: '', exit: null };
  const take = (d) => {
    state.output = (state.output + d).slice(-16000);
    log?.write(d);
  };
  child.stdout.on('data', take);
  child.stderr.on('data', take);
  const exited = new Promise((resolve) => child.once('exit', (code, signal) => {
    state.exit = signal ?? code;
    log?.end();
    resolve();
  }));
  const spawnError = new Promise((resolve) => child.once('error', resolve));
  const killGroup = () => { try { process.kill(-child.pid, 'SIGKILL'); } catch { /* gone */ } };
  process.once('exit', killGroup);
  exited.then(() => process.removeListener('exit', killGroup));

  const driver = new Driver(child.pid, `http://127.0.0.1:${port}`, port, state, exited);
  const deadline = Date.now() + timeoutMs;
  for (;;) {
    const failed = await Promise.race([spawnError, exited.then(() => 'exited'), new Promise((r) => setTimeout(r, 50))]);
    if (failed) {
      killGroup();
      if (failed !== 'exited')
        throw Object.assign(new Error(`${binary} could not be started: ${failed.message}`), { cannotStart: true });
      throw new Error(`WebKitWebDriver on port ${port} exited (${state.exit}): ${state.output.trim()}`);
    }
    try {
      await driver.status({ timeoutMs: 1000 });
      return driver;
    } catch { /* not listening yet */ }
    if (Date.now() > deadline) {
      await driver.stop();
      throw new Error(`WebKitWebDriver did not answer /status within ${timeoutMs} ms: ${state.output.trim()}`);
    }
  }
}

class Driver {
  #state;
  #exited;
  #sessions = new Set();

  constructor(pid, url, port, state, exited) {
    this.#state = state;
    this.#exited = exited;
    this.url = url;
    this.port = port;
    this.pid = pid;
  }

  request(method, urlPath, body, timeoutMs = 30000, cancel) {
    return request(this.url, method, urlPath, body, timeoutMs, cancel);
  }

  status({ timeoutMs = 5000 } = {}) {
    return this.request('GET', '/status', undefined, timeoutMs);
  }

  // Launches `binary args...` under automation. `env` adds variables for this program only (through
  // /usr/bin/env, which keeps the driver's own variables). `browserName`, when given, must equal the name
  // the program reports, or the driver refuses the session. The driver itself waits forever for a program
  // that ended at start-up; here the call fails at once then, with what the program wrote.
  async newSession({ binary, args = [], env, browserName, capabilities = {}, timeoutMs = 60000 } = {}) {
    if (!binary) throw new Error('newSession needs the binary to launch');
    let launchBinary = path.resolve(binary);
    let launchArgs = [...args];
    if (env && Object.keys(env).length) {
      for (const key of Object.keys(env))
        if (!/^[A-Za-z_][A-Za-z0-9_]*$/.test(key)) throw new Error(`not an environment variable name: ${key}`);
      launchArgs = [...Object.entries(env).map(([k, v]) => `${k}=${v}`), launchBinary, ...launchArgs];
      launchBinary = '/usr/bin/env';
    }
    const alwaysMatch = { ...capabilities, 'webkitgtk:browserOptions': { binary: launchBinary, args: launchArgs } };
    if (browserName !== undefined) alwaysMatch.browserName = browserName;
    const gone = new AbortController();
    const asked = Date.now();
    let seen = false;
    const watch = setInterval(() => {
      if (this.childPids().length > 0) seen = true;
      else if (seen || Date.now() - asked > 3000)
        gone.abort(new Error(`${binary} is not running (it ended or never started) and no session began; ` +
          `output of the driver and the program:\n${this.output().trim() || '(none)'}`));
    }, 100);
    let value;
    try {
      value = await this.request('POST', '/session', { capabilities: { alwaysMatch } }, timeoutMs, gone.signal);
    } finally {
      clearInterval(watch);
    }
    const session = new Session(this, value.sessionId, value.capabilities, () => this.#sessions.delete(session));
    this.#sessions.add(session);
    return session;
  }

  // Running processes the driver launched (the programs under test), by process id.
  childPids() {
    const pids = [];
    for (const entry of fs.readdirSync('/proc')) {
      if (!/^\d+$/.test(entry)) continue;
      try {
        const stat = fs.readFileSync(`/proc/${entry}/stat`, 'utf8');
        const [state, ppid] = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
        if (Number(ppid) === this.pid && state !== 'Z') pids.push(Number(entry));
      } catch { /* ended meanwhile */ }
    }
    return pids;
  }

  // The last lines the driver (and the programs it launched) wrote to stdout and stderr.
  output() {
    return this.#state.output;
  }

  async stop() {
    for (const s of [...this.#sessions]) await s.deleteSession({ timeoutMs: 5000 }).catch(() => {});
    const signalGroup = (sig) => { try { process.kill(-this.pid, sig); } catch { /* gone */ } };
    if (this.#state.exit === null) {
      signalGroup('SIGTERM');
      const timeout = new Promise((r) => setTimeout(r, 5000, 'timeout'));
      if ((await Promise.race([this.#exited, timeout])) === 'timeout') signalGroup('SIGKILL');
      await this.#exited;
    }
    signalGroup('SIGKILL'); // a launched program that outlived the driver
  }
}

class Session {
  #driver;
  #forget;
  #scriptTimeout;

  constructor(driver, id, capabilities, forget) {
    this.#driver = driver;
    this.#forget = forget;
    this.id = id;
    this.capabilities = capabilities;
    this.#scriptTimeout = capabilities?.timeouts?.script ?? 30000;
  }

  command(method, subPath, body, { timeoutMs = 30000 } = {}) {
    if (this.id === null) throw new Error('the session has been deleted');
    return this.#driver.request(method, `/session/${this.id}${subPath}`, body, timeoutMs);
  }

  navigate(url, { timeoutMs = 60000 } = {}) {
    return this.command('POST', '/url', { url }, { timeoutMs });
  }

  getUrl() {
    return this.command('GET', '/url');
  }

  getTitle() {
    return this.command('GET', '/title');
  }

  async setTimeouts(timeouts) {
    await this.command('POST', '/timeouts', timeouts);
    if (timeouts.script !== undefined) this.#scriptTimeout = timeouts.script;
  }

  async #useScriptTimeout(timeoutMs) {
    if (timeoutMs !== this.#scriptTimeout) await this.setTimeouts({ script: timeoutMs });
  }

  // The script is a function body: `arguments` holds args, `return` gives the result.
  async executeScript(script, args = [], { timeoutMs = 30000 } = {}) {
    await this.#useScriptTimeout(timeoutMs);
    return this.command('POST', '/execute/sync', { script, args }, { timeoutMs: timeoutMs + 5000 });
  }

  // The last argument is the callback that ends the script with its result.
  async executeAsyncScript(script, args = [], { timeoutMs = 30000 } = {}) {
    await this.#useScriptTimeout(timeoutMs);
    return this.command('POST', '/execute/async', { script, args }, { timeoutMs: timeoutMs + 5000 });
  }

  async findElement(css) {
    return elementId(await this.command('POST', '/element', { using: 'css selector', value: css }));
  }

  async findElements(css) {
    return (await this.command('POST', '/elements', { using: 'css selector', value: css })).map(elementId);
  }

  click(element) {
    return this.command('POST', `/element/${elementId(element)}/click`, {});
  }

  sendKeys(element, text) {
    return this.command('POST', `/element/${elementId(element)}/value`, { text: String(text) });
  }

  async screenshot(filePath) {
    const png = Buffer.from(await this.command('GET', '/screenshot', undefined, { timeoutMs: 60000 }), 'base64');
    if (filePath) {
      fs.mkdirSync(path.dirname(filePath), { recursive: true });
      fs.writeFileSync(filePath, png);
    }
    return png;
  }

  async deleteSession({ timeoutMs = 30000 } = {}) {
    if (this.id === null) return;
    try {
      await this.command('DELETE', '', undefined, { timeoutMs });
    } finally {
      this.id = null;
      this.#forget();
    }
  }
}
