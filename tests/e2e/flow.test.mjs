// Flows with the real host and its web view under a virtual display: the script shim runs in
// WebKitGTK (its colour reader uses the web view's own canvas), and a project's flow graph goes to disk
// and back through save, close and the project picker without a byte changing.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { startXvfb } from '../tools/xvfb.mjs';
import { artifacts, missingTools, repo, startEditor } from './editor.mjs';

const skip = missingTools();
let display;
before(async () => { if (!skip) display = await startXvfb(); });
after(async () => { await display?.stop(); });

const graphText = () => fs.readFileSync(path.join(repo, 'tests', 'flow', 'fixtures', 'graph-sound.json'), 'utf8');

test('the shim runs in the web view, and a project keeps its flow graph byte for byte through disk',
  { skip: skip || false, timeout: 180000 }, async () => {
    const ed = await startEditor({ display });
    try {
      await ed.waitFor('window._canvasReady && typeof _doNewWithName === "function"');
      await ed.session.executeScript('_dismissWelcomeModal(); return true;');
      const shim = await ed.session.executeScript(`return {
        functions: Object.keys(QuorlinFlow.shim).length,
        red: _colorToHex('red'), half: _colorToHex('rgba(255, 0, 0, 0.5)'), alias: typeof Flow_SetText,
        src: _qlResolveSrc('/home/u/My Pictures/a.png') };`);
      assert.deepEqual(shim, { functions: 141 + 56 + 8 + 1, red: '#ff0000', half: '#ff000080', alias: 'function',
        src: `http://localhost:56789/ext:/home/u/My%20Pictures/a.png` });

      assert.equal(await ed.session.executeScript('return _doNewWithName(arguments[0]);', ['Flows']), true);
      const file = path.join(ed.tmp.documents, 'Quorlin', 'Flows', 'Flows.qui');
      const graph = JSON.parse(graphText());
      const doc = JSON.stringify({ version: 2, elements: [{ id: 'btn1', type: 'button', parentId: null, text: 'Go' }], flow: graph });
      assert.equal(await ed.session.executeScript('return _applyProjectData(arguments[0], "Flows.qui");', [doc]), true);
      assert.equal(await ed.session.executeScript('return saveProject();'), true);
      const saved = fs.readFileSync(file, 'utf8');
      assert.equal(JSON.stringify(JSON.parse(saved).flow), JSON.stringify(graph));

      await ed.session.executeScript('closeProject(); return true;');
      await ed.session.executeScript('openProject(); return true;');
      await ed.waitFor('document.querySelector(\'#_pb_picker_modal ._proj-item[data-project="Flows"]\')');
      await ed.session.executeScript(
        'document.querySelector(\'._proj-item[data-project="Flows"] .ql-picker-open\').click(); return true;');
      await ed.waitFor('currentProjectName === "Flows" && !_isDirty');
      assert.equal(await ed.session.executeScript('return _flowPortNameById(4, "input_2", false);'), 'In_0');
      assert.equal(await ed.session.executeScript('return saveProject();'), true);
      assert.equal(fs.readFileSync(file, 'utf8'), saved);
      fs.mkdirSync(artifacts, { recursive: true });
      await ed.session.screenshot(path.join(artifacts, 'flow-project.png'));
    } finally {
      await ed.stop();
    }
  });
