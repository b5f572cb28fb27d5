// The flow parts of the editor page (the procedure catalogues, the script shim, the flow graph model)
// in jsdom, with only the shell and model scripts they stand on; and a bare page that runs nothing but
// the shim's text, as a preview or an exported page does.
//
//   const page = await loadFlowPage();          // page.run(code), page.json(expr), page.window
//   const bare = await loadBarePage(shimText);  // a page with the resolvers and the shim, nothing else
//   const page = await loadExportedPage(shimText);  // the same over fixtures/exported-page.html, with
//                                                    // recording fakes of the page runtimes (runtime-fakes.mjs),
//                                                    // the real table and chart runtimes over stand-ins of
//                                                    // Grid.js and Chart.js, their calls recorded too
//   page.consoleErrors                          // what the page wrote with console.error
//   readFixture('graph-sound.json')             // the text of a fixture under tests/flow/fixtures/
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { loadPage, pageScripts, readRepoFile } from '../page/jsdom-page.mjs';
import { FAKE_CHART, FAKE_GRID } from '../canvas/library-fakes.mjs';
import { RUNTIME_FAKES, RUNTIME_SPIES } from './runtime-fakes.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));

export const FLOW_SCRIPTS = pageScripts().filter((f) => /^editor\/(shell\/(hooks|pending|locale-es|i18n)|model\/(text|records|themes-data|themes|state)|flow-)/.test(f));

export function readFixture(name) {
  return fs.readFileSync(path.join(here, 'fixtures', name), 'utf8');
}

export async function loadFlowPage(options = {}) {
  return loadPage({ scripts: FLOW_SCRIPTS, ...options });
}

// A page with a small design (wrappers "wrap-<id>" around elements "<id>") and nothing but the element
// resolvers and `shimText`, run the way the flow script runs them. `html` replaces the whole document.
export async function loadBarePage(shimText, { body = '', html, before } = {}) {
  const consoleErrors = [];
  const page = await loadPage({
    html: html ?? `<!DOCTYPE html><html><head></head><body>${body}</body></html>`,
    before: async (w) => {
      w.console.error = (...args) => consoleErrors.push(args.map(String).join(' '));
      if (before) await before(w);
    },
  });
  page.consoleErrors = consoleErrors;
  page.run(fs.readFileSync(path.join(here, '..', '..', 'editor/flow-compiler/resolvers.js'), 'utf8'));
  page.run(shimText, 'shim.js');
  return page;
}

// The exported-page fixture with the shim, the recording runtime fakes and the real table and chart
// runtimes, its table and chart made live (page.calls() reads what they were asked).
export async function loadExportedPage(shimText, { before } = {}) {
  const page = await loadBarePage(shimText, { html: readFixture('exported-page.html'), before });
  page.run(FAKE_GRID, 'gridjs-stand-in.js');
  page.run(FAKE_CHART, 'chartjs-stand-in.js');
  for (const file of ['editor/canvas/grid-runtime.js', 'editor/canvas/chart-runtime.js']) page.run(readRepoFile(file), file);
  page.run("initGridTables(); QuorlinChart.create('sales', QuorlinChart.buildConfig('bar', '{}', ''));");
  page.run(RUNTIME_FAKES, 'runtime-fakes.js');
  page.run(RUNTIME_SPIES, 'runtime-spies.js');
  page.calls = () => page.json('window.__calls.splice(0)');
  return page;
}
