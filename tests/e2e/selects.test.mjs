// The real editor window under a virtual display: every select of the editor's frame reads with a
// contrast of at least 4.5:1, measured on screenshots of the web view as WebKitGTK draws it, and so does
// a select's open list (a window of its own, taken from the screen). Once under the GTK theme a new user
// gets (nothing in the environment or the fresh home chooses one), once under its dark variant.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { readPng } from '../tools/png.mjs';
import { findProgram } from '../tools/which.mjs';
import { x11Input } from '../tools/x11-input.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor, until } from './editor.mjs';

const skip = missingTools() ?? (findProgram('import') ? null : 'ImageMagick\'s import is not installed (Debian package imagemagick)') ??
  (findProgram('xwininfo') ? null : 'xwininfo is not installed (Debian package x11-utils)');
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

const MIN_CONTRAST = 4.5;

function luminance([r, g, b]) {
  const lin = (v) => { v /= 255; return v <= 0.04045 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4; };
  return 0.2126 * lin(r) + 0.7152 * lin(g) + 0.0722 * lin(b);
}

function contrast(a, b) {
  const [hi, lo] = [luminance(a), luminance(b)].sort((x, y) => y - x);
  return (hi + 0.05) / (lo + 0.05);
}

// The text's contrast inside a box of a picture: the commonest colour is the ground, the colour farthest
// from it the ink (glyph stems reach the full text colour; the anti-aliased edges lie between).
function inkContrast(img, { x, y, w, h }) {
  const counts = new Map();
  const pixels = [];
  for (let j = Math.max(0, Math.round(y)); j < Math.min(img.height, Math.round(y + h)); j++) {
    for (let i = Math.max(0, Math.round(x)); i < Math.min(img.width, Math.round(x + w)); i++) {
      const p = img.pixel(i, j).slice(0, 3);
      pixels.push(p);
      const key = p.join(',');
      counts.set(key, (counts.get(key) ?? 0) + 1);
    }
  }
  const ground = [...counts].sort((a, b) => b[1] - a[1])[0][0].split(',').map(Number);
  let best = { ratio: 1, ink: ground };
  for (const p of pixels) {
    const ratio = contrast(p, ground);
    if (ratio > best.ratio) best = { ratio, ink: p };
  }
  return { ratio: Math.round(best.ratio * 100) / 100, ground: ground.join(','), ink: best.ink.join(',') };
}

// Every select of the frame made visible with the panel that holds it (sections opened, the type's
// fields shown) and showing a text; the token selects that a drop-down of our own replaces are left out.
const REVEAL = `
  const ids = [];
  document.querySelectorAll('select').forEach((s, i) => {
    // A closed modal dialog's selects stay closed with it: shown, its backdrop would cover the frame.
    if (s.closest('#canvas') || s.closest('[aria-modal="true"]') || s.style.display === 'none') return;
    if (!s.id) s.id = 'select-' + i;
    for (let n = s; n && n !== document.body; n = n.parentElement) {
      n.hidden = false;
      n.classList.remove('hidden', 'collapsed');
      if (n.style.display === 'none') n.style.display = '';
    }
    if (!s.options.length) s.add(new Option('Abc 123'));
    const shown = s.selectedOptions[0];
    if (!shown || !shown.textContent.trim() || shown.disabled) s.value = [...s.options].find((o) => o.textContent.trim() && !o.disabled).value;
    ids.push(s.id);
  });
  return ids;`;

// The selects among `ids` that lie wholly in the window and on top, with their text boxes: inside the
// border, left of the arrow.
const ON_SCREEN = `
  return arguments[0].flatMap((id) => {
    const s = document.getElementById(id);
    const r = s.getBoundingClientRect();
    if (r.width < 30 || r.top < 0 || r.left < 0 || r.bottom > innerHeight || r.right > innerWidth) return [];
    const hit = document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2);
    if (hit !== s && !s.contains(hit)) return [];
    return [{ id, text: s.selectedOptions[0].textContent.trim(), x: r.left + 3, y: r.top + 3, w: r.width - 30, h: r.height - 6 }];
  });`;

async function checkTheme(gtkTheme, shotName) {
  const ed = await startEditor({
    display,
    env: gtkTheme ? { GTK_THEME: gtkTheme } : {},
    before({ settingsPath }) {
      fs.mkdirSync(path.dirname(settingsPath), { recursive: true });
      fs.writeFileSync(settingsPath, '"x":0,"y":0,"w":1600,"h":1000,"zoom":1.00,"projectsFolder":""}\n');
    },
  });
  try {
    if (!gtkTheme) {
      // The default a user gets: no theme named in the environment nor in the user's GTK settings.
      assert.equal(ed.env.GTK_THEME, undefined);
      assert.equal(fs.existsSync(path.join(ed.env.XDG_CONFIG_HOME, 'gtk-3.0', 'settings.ini')), false);
    }
    await ed.waitFor('window._splashGone && window._canvasReady', { timeoutMs: 30000 });
    await ed.session.executeScript('_dismissWelcomeModal(); document.querySelectorAll(".ql-dialog-backdrop").forEach((n) => { n.hidden = true; })');

    // The open list of a select: clicked as a person clicks, then read from the screen.
    const origin = await ed.session.executeScript(`window._qlPointer = null;
      addEventListener('mousemove', (e) => { window._qlPointer = [e.screenX, e.screenY, e.clientX, e.clientY]; });
      const r = document.getElementById('input-canvas-justify').getBoundingClientRect();
      return [r.left, r.top, r.width, r.height, document.getElementById('input-canvas-justify').options.length];`);
    // Where the page lies on the screen: from a pointer move the page sees at a known screen position.
    x11Input(display, ['warp', '500', '500']);
    x11Input(display, ['warp', '510', '505']);
    const pointer = await until('the pointer to reach the page',
      () => ed.session.executeScript('const p = window._qlPointer; return p && p[0] === 510 && p[1] === 505 ? p : null'));
    const [ox, oy] = [pointer[0] - pointer[2], pointer[1] - pointer[3]];
    const [sx, sy, sw, sh, count] = origin;
    const env = { ...process.env, DISPLAY: display.display };
    // The top-level windows shown now: id -> place on the screen.
    const shownWindows = () => {
      const shown = new Map();
      for (const line of execFileSync('xwininfo', ['-root', '-children'], { env, encoding: 'utf8' }).split('\n')) {
        const m = line.match(/^\s+(0x[0-9a-f]+)\b.*\s(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+)\s*$/);
        if (!m) continue;
        let state = '';
        try { state = execFileSync('xwininfo', ['-id', m[1]], { env, encoding: 'utf8' }); } catch { continue; }   // gone meanwhile
        if (/Map State: IsViewable/.test(state)) shown.set(m[1], { w: +m[2], h: +m[3], x: +m[4], y: +m[5] });
      }
      return shown;
    };
    // The select's list is a window of its own that appears with the click, as wide as the select (give or
    // take its frame), right below or right above it.
    const [left, top, bottom] = [ox + sx, oy + sy, oy + sy + sh];
    const isList = (p) => Math.abs(p.x - left) <= 12 && p.w >= sw - 12 && p.w <= sw + 40 && p.h >= 40 &&
      (Math.abs(p.y - bottom) <= 40 || Math.abs(p.y + p.h - top) <= 40);
    const shownBefore = shownWindows();
    const click = () => x11Input(display, ['click', String(Math.round(left + sw / 2)), String(Math.round(top + sh / 2))]);
    click();
    // A loaded machine may take a while to map the list's window and draw its rows: the list is read until
    // it reads well or time is up; the click is given once more when no list has appeared.
    const listShot = path.join(ed.tmp.root, 'list.png');
    let list = null;
    let open = null;
    for (let tries = 0; tries < 60 && !(open && open.ratio >= MIN_CONTRAST); tries++) {
      await sleep(250);
      if (!list) {
        list = [...shownWindows()].find(([id, p]) => !shownBefore.has(id) && isList(p))?.[0] ?? null;
        if (!list && tries === 20) click();
        if (!list) continue;
      }
      execFileSync('import', ['-window', list, '-depth', '8', `png24:${listShot}`], { env });
      const img = readPng(fs.readFileSync(listShot));
      // The rows after the first: the first holds the chosen option, which the theme marks in its own colours.
      const row = img.height / count;
      open = inkContrast(img, { x: 3, y: row + 2, w: img.width - 6, h: img.height - row - 4 });
    }
    fs.mkdirSync(artifacts, { recursive: true });
    execFileSync('import', ['-window', 'root', '-depth', '8', `png24:${path.join(artifacts, `${shotName}-open-list.png`)}`], { env });
    assert.ok(list, `the select's list opened on the screen (${JSON.stringify([...shownWindows()])})`);
    assert.ok(open.ratio >= MIN_CONTRAST, `the open list reads ${JSON.stringify(open)}`);
    x11Input(display, ['click', '5', String(Math.round(oy + 990))]);   // closes the list
    await sleep(300);

    const ids = await ed.session.executeScript(REVEAL);
    assert.ok(ids.length >= 40, `the frame's selects were found (${ids.length})`);
    const results = new Map();
    for (let round = 0; results.size < ids.length && round < ids.length; round++) {
      const next = ids.find((id) => !results.has(id));
      await ed.session.executeScript('document.getElementById(arguments[0]).scrollIntoView({ block: "center" })', [next]);
      await sleep(100);
      const boxes = (await ed.session.executeScript(ON_SCREEN, [ids.filter((id) => !results.has(id))]));
      if (!boxes.some((b) => b.id === next)) { results.set(next, { ratio: 0, why: 'never on top, on screen' }); continue; }
      const png = await ed.session.screenshot(round === 0 ? path.join(artifacts, `${shotName}.png`) : undefined);
      const img = readPng(png);
      for (const b of boxes) results.set(b.id, { text: b.text, ...inkContrast(img, b) });
    }
    // A loaded machine may take a screenshot before a select is drawn: one that read badly is read again
    // once the page has settled; a select that does not read well stays so.
    for (const [id, r] of [...results].filter(([, r]) => !(r.ratio >= MIN_CONTRAST) && r.why === undefined)) {
      await ed.session.executeScript('document.getElementById(arguments[0]).scrollIntoView({ block: "center" })', [id]);
      await sleep(1000);
      const box = (await ed.session.executeScript(ON_SCREEN, [[id]]))[0];
      if (box) results.set(id, { text: box.text, ...inkContrast(readPng(await ed.session.screenshot()), box) });
    }
    const unreadable = [...results].filter(([, r]) => !(r.ratio >= MIN_CONTRAST)).map(([id, r]) => `${id} ${JSON.stringify(r)}`);
    assert.deepEqual(unreadable, [], `selects under ${gtkTheme ?? 'the default GTK theme'}`);
  } finally {
    await ed.stop();
  }
}

test('every select of the frame reads at 4.5:1 or better in the real window, closed and open, under the default GTK theme',
  { skip: skip || false, timeout: 180000 }, () => checkTheme(null, 'selects-default-theme'));

test('and under the dark variant of the GTK theme',
  { skip: skip || false, timeout: 180000 }, () => checkTheme('Adwaita:dark', 'selects-dark-theme'));
