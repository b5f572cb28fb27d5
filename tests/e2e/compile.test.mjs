// The source export from the real window with a fake compiler under QUORLIN_COMPILER_HOME: the host finds
// it, the source button opens the dialog in source mode (screenshots in English and German,
// tests/artifacts/export-pb-en-webkit.png, export-pb-de-webkit.png), and Save with "compile and run"
// writes the module and a fresh base program, runs the compiler in the project's folder and starts the
// program it wrote.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { x11Input } from '../tools/x11-input.mjs';
import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor, until } from './editor.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

// Records its folder and arguments beside its home, writes the program named after /EXE: a script that
// leaves a mark (with the folder it runs in) when started.
const FAKE_COMPILER = `#!/bin/sh
here=$(dirname "$0")
{ pwd; for a in "$@"; do printf '[%s]\\n' "$a"; done; } > "$here/../calls.txt"
out=""; prev=""
for a in "$@"; do [ "$prev" = "/EXE" ] && out="$a"; prev="$a"; done
printf '#!/bin/sh\\npwd > "%s.ran"\\n' "$out" > "$out"
chmod 755 "$out"
echo "compiled"
`;

function windowOrigin() {
  const out = spawnSync('xwininfo', ['-name', 'Quorlin'], { env: { ...process.env, DISPLAY: display.display }, encoding: 'utf8' }).stdout;
  return [Number(/Absolute upper-left X:\s+(-?\d+)/.exec(out)[1]), Number(/Absolute upper-left Y:\s+(-?\d+)/.exec(out)[1])];
}

test('a source export with compiling starts the program the compiler wrote', { skip: skip || false, timeout: 180000 }, async () => {
  let home;
  const ed = await startEditor({
    display,
    before({ tmp, env }) {
      home = path.join(tmp.root, 'pb home') + '/';
      fs.mkdirSync(path.join(home, 'Compilers'), { recursive: true });
      fs.writeFileSync(path.join(home, 'Compilers', 'pbcompiler'), FAKE_COMPILER, { mode: 0o755 });
      env.QUORLIN_COMPILER_HOME = home;
    },
  });
  try {
    await ed.waitFor('window._canvasReady === true && window._welcomeShown && typeof _doNewWithName === "function" && window._pbInstalled',
      { timeoutMs: 20000 });
    assert.equal(await ed.session.executeScript('return window._pbHome;'), home, 'the host found the compiler');
    await ed.session.executeScript(`_dismissWelcomeModal();
      for (const id of ['welcome-modal', 'splash-overlay']) document.getElementById(id).hidden = true;
      return true;`);
    assert.equal(await ed.session.executeScript('return _doNewWithName("Compile me");'), true);
    await ed.session.executeScript(`
      saveHistoryState();
      Object.assign(createElement('button', null), { id: 'go', text: 'Go', exportEvents: true });
      selectedIds = [];
      renderCanvas();
      localStorage.setItem('quorlin_post_export_action', 'compile');
      return I18n.setLang('en').then(() => true);`);

    const button = await ed.waitFor(`(function () {
      const b = document.getElementById('btn-export-pb');
      if (!b || b.disabled) return null;
      b.scrollIntoView({ block: 'center' });
      const r = b.getBoundingClientRect();
      return { x: r.left + r.width / 2, y: r.top + r.height / 2 };
    })()`, { timeoutMs: 10000 });
    const [ox, oy] = windowOrigin();
    x11Input(display, ['click', String(Math.round(ox + button.x)), String(Math.round(oy + button.y))]);
    await ed.waitFor('!document.getElementById("export-modal").hidden && document.getElementById("export-code").value.length > 0 && document.getElementById("basepb-check").checked',
      { timeoutMs: 20000 });
    assert.equal(await ed.session.executeScript('return document.getElementById("compiler-path").value;'), home + 'Compilers/pbcompiler');
    fs.mkdirSync(artifacts, { recursive: true });
    await sleep(300);
    await ed.session.screenshot(path.join(artifacts, 'export-pb-en-webkit.png'));
    await ed.session.executeScript('return I18n.setLang("de").then(() => true);');
    await sleep(300);
    await ed.session.screenshot(path.join(artifacts, 'export-pb-de-webkit.png'));

    const save = await ed.session.executeScript(`const r = document.getElementById('btn-download').getBoundingClientRect();
      return { x: r.left + r.width / 2, y: r.top + r.height / 2 };`);
    x11Input(display, ['click', String(Math.round(ox + save.x)), String(Math.round(oy + save.y))]);

    const folder = path.join(ed.tmp.documents, 'Quorlin', 'Compile me');
    const mark = path.join(folder, 'Compile me.ran');
    await until('the compiled program to run', () => fs.existsSync(mark), { timeoutMs: 30000 });
    assert.equal(fs.readFileSync(mark, 'utf8').trim(), folder, 'the program runs in its own folder');
    assert.equal(fs.readFileSync(path.join(home, 'calls.txt'), 'utf8'),
      `${folder}\n[${folder}/Compile me.pb]\n[/THREAD]\n[/OPTIMIZER]\n[/XP]\n[/DPIAWARE]\n[/EXE]\n[${folder}/Compile me]\n`);
    for (const file of ['Compile me.pbi', 'Compile me.pb']) {
      assert.deepEqual([...fs.readFileSync(path.join(folder, file)).subarray(0, 3)], [0xef, 0xbb, 0xbf], `${file} starts with a byte-order mark`);
    }
    assert.match(fs.readFileSync(path.join(folder, 'Compile me.pb'), 'utf8'), /IncludeFile "Compile me\.pbi"/);
    assert.match(fs.readFileSync(path.join(folder, 'Compile me.pbi'), 'utf8'), /^\uFEFF[\s\S]*Procedure UI_Init\(/, 'the generated module');
    assert.match(fs.readFileSync(path.join(folder, 'Compile me.pb'), 'utf8'), /Case "go" ;button -- Go/);
    assert.ok(fs.existsSync(path.join(folder, 'Compile me.pbp')));
    assert.ok(fs.existsSync(path.join(folder, 'Libraries', 'tailwind.min.js')), 'the libraries are copied before the run');
    const notice = await ed.waitFor('[...document.querySelectorAll(".ql-toast")].map((n) => n.textContent.trim()).find((t) => t.includes("Kompiliert und gestartet")) || ""',
      { timeoutMs: 10000 });
    assert.match(notice, /Compile me/);
  } finally {
    await ed.stop();
  }
});
