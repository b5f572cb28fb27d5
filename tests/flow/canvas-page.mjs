// The whole editor page in jsdom with its flow panel open on the staged graph library (jsdom has no layout:
// every box measures 0 x 0, so geometry is tested through the pure functions and in Chromium).
//
//   const page = await openFlowPage();   // page.json(expr), page.run(code); __flow helpers defined
//   page.graph()                         // the Home module's nodes as {id: {pos, ins, outs}} for comparisons
import fs from 'node:fs';
import path from 'node:path';

import { loadPage, pageScripts, repo, repoFetch } from '../page/jsdom-page.mjs';
import { FLOW_TEST_HELPERS } from './canvas-nodes.mjs';

export const DRAWFLOW = fs.readFileSync(path.join(repo, 'node_modules/drawflow/dist/drawflow.min.js'), 'utf8');

export async function openFlowPage(options = {}) {
  const page = await loadPage({
    scripts: pageScripts().filter((f) => f !== 'editor/shell/libs.js'),
    fetch: repoFetch(),
    console: 'errors',
    ...options,
    before: async (w) => {
      w.localStorage.setItem('quorlin_lang', 'es');
      if (options.before) await options.before(w);
    },
  });
  for (let i = 0; i < 400 && !page.window._canvasReady; i++) await new Promise((r) => setTimeout(r, 25));
  page.run(DRAWFLOW, 'drawflow.min.js');
  page.run(FLOW_TEST_HELPERS);
  if (options.open !== false) page.run('toggleFlowMode()');
  // The whole graph as the editor holds it, for before/after comparisons.
  page.graph = () => page.json('_flowEditor.export()');
  // Cables of the Home module as "out.port>in.port" texts, sorted.
  page.cables = () => page.json(`(function () {
    const out = [];
    const data = _flowEditor.drawflow.drawflow[_flowEditor.module].data;
    for (const [id, n] of Object.entries(data)) for (const [p, v] of Object.entries(n.outputs))
      for (const c of v.connections) out.push(id + '.' + p + '>' + c.node + '.' + c.output);
    return out.sort();
  })()`);
  return page;
}
