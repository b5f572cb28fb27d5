// The flow parts of the editor page (the procedure catalogues, the script shim, the flow graph model)
// in jsdom, with only the shell and model scripts they stand on; and a bare page that runs nothing but
// the shim's text, as a preview or an exported page does.
//
//   const page = await loadFlowPage();          // page.run(code), page.json(expr), page.window
//   const bare = await loadBarePage(shimText);  // a page with the resolvers and the shim, nothing else
//   readFixture('graph-sound.json')             // the text of a fixture under tests/flow/fixtures/
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

import { loadPage, pageScripts } from '../page/jsdom-page.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));

export const FLOW_SCRIPTS = pageScripts().filter((f) => /^editor\/(shell\/hooks|model\/text|model\/records|flow-)/.test(f));

export function readFixture(name) {
  return fs.readFileSync(path.join(here, 'fixtures', name), 'utf8');
}

function withJson(page) {
  page.json = (expr) => JSON.parse(page.run(`JSON.stringify(${expr})`) ?? 'null');
  return page;
}

export async function loadFlowPage(options = {}) {
  return withJson(await loadPage({ scripts: FLOW_SCRIPTS, ...options }));
}

// A page with a small design (wrappers "wrap-<id>" around elements "<id>") and nothing but the element
// resolvers and `shimText`, run the way the flow script runs them.
export async function loadBarePage(shimText, { body = '', before } = {}) {
  const page = withJson(await loadPage({ html: `<!DOCTYPE html><html><head></head><body>${body}</body></html>`, before }));
  page.run(fs.readFileSync(path.join(here, '..', '..', 'editor/flow-compiler/resolvers.js'), 'utf8'));
  page.run(shimText, 'shim.js');
  return page;
}
