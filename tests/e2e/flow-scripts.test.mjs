// A script-code node edited in an outside code editor, in the real host under a virtual display: the
// page uploads the node's code, the host starts the editor named by QUORLIN_CODE_EDITOR (a shell script
// that saves new text into the file a moment later) and watches the file; the save reaches the node and
// the open code dialog. Screenshots of the dialog in English and German go to tests/artifacts/.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, sleep, startEditor } from './editor.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

const SAVED = 'const total = param1 * 2; // «saved outside»\nreturn { out1: total, note: \'it\\\'s "done"\' };';

test('a save in the outside code editor reaches the node and the open code dialog',
  { skip: skip || false, timeout: 180000 }, async () => {
    let editorLog = '';
    const ed = await startEditor({
      display,
      before: ({ tmp, env }) => {
        editorLog = path.join(tmp.root, 'editor-args.txt');
        const stub = path.join(tmp.root, 'code editor.sh');
        fs.writeFileSync(path.join(tmp.root, 'saved.js'), SAVED);
        fs.writeFileSync(stub, `#!/bin/sh\nprintf '%s\\n' "$#:$1" >> '${editorLog}'\nsleep 0.3\ncat '${path.join(tmp.root, 'saved.js')}' > "$1"\n`);
        fs.chmodSync(stub, 0o755);
        env.QUORLIN_CODE_EDITOR = stub;
      },
    });
    try {
      const run = (code, args = []) => ed.session.executeScript(code, args);
      await ed.waitFor('window._canvasReady && window._welcomeShown');
      await run('_dismissWelcomeModal(); document.querySelectorAll(".ql-dialog-backdrop, #splash-overlay").forEach((n) => { n.hidden = true; }); return true;');
      await run('toggleFlowMode(); return true;');
      await ed.waitFor('Boolean(window._flowEditor)');
      const id = await run(`currentProjectName = 'Demo'; document.getElementById('input-filename').value = '';
        const id = addFlowNode('FunctionJS', 300, 80, { name: 'Double', code: 'return param1;' });
        renderFlowInspector(id);
        openFunctionJSModal(id);
        openFunctionJSExternal(id);
        return id;`);
      await ed.waitFor(`_flowFindRecord(${JSON.stringify(id)}).data.code === ${JSON.stringify(SAVED)}`);
      const shown = await run(`return { modal: document.getElementById('functionjs-modal-ta').value,
        open: !document.getElementById('functionjs-modal').hidden,
        status: document.getElementById('functionjs-modal-check-status').className };`);
      assert.deepEqual(shown, { modal: SAVED, open: true, status: 'fnjs-status fnjs-status-ok fnjs-flash' });
      assert.match(fs.readFileSync(editorLog, 'utf8'), new RegExp(`^1:/.*/Demo\\.fnjs/${id}\\.js\\n$`), 'started once, on the file');

      fs.mkdirSync(artifacts, { recursive: true });
      for (const lang of ['en', 'de']) {
        await run('I18n.setLang(arguments[0]); return true;', [lang]);
        await ed.waitFor(`I18n.lang === ${JSON.stringify(lang)}`);
        await run(`closeFunctionJSModal(false); openFunctionJSModal(arguments[0]);
          const s = document.getElementById('functionjs-modal-search'); s.value = 'total';
          onFunctionJSMFindInput(); return true;`, [id]);
        await sleep(300);
        await ed.session.screenshot(path.join(artifacts, `flow-script-editor-${lang}.png`));
      }
    } catch (e) {
      e.message += `\nhost log:\n${ed.log()}`;
      throw e;
    } finally {
      await ed.stop();
    }
  });
