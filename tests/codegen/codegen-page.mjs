// The source generator outside the editor: its files run in a plain context (the text rules, the UI
// procedure library and the relay and bridge sources need nothing of the page), and in the exporter of
// tests/export/export-page.mjs for the module itself.
//
//   const gen = loadCodegen();         gen.pbUiScript('UI_SetText', ['id', 'text'], 56790)
//   const page = await loadGenerator(); await page.generate(html, { embedded, assets, titlebar, ids })
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';

import { pageScripts, repo } from '../page/jsdom-page.mjs';
import { loadExporter } from '../export/export-page.mjs';

export const CODEGEN_SCRIPTS = pageScripts().filter((f) => f.startsWith('editor/codegen/'));

export function loadCodegen() {
  const context = vm.createContext({});
  for (const file of CODEGEN_SCRIPTS) {
    new vm.Script(fs.readFileSync(path.join(repo, file), 'utf8'), { filename: path.join(repo, file) }).runInContext(context);
  }
  return context;
}

export async function loadGenerator(options = {}) {
  const page = await loadExporter({
    ...options,
    before: async (window) => {
      // the packer's streams, which jsdom lacks
      for (const name of ['Response', 'CompressionStream', 'DecompressionStream', 'TextEncoder']) window[name] = globalThis[name];
      if (options.before) await options.before(window);
    },
  });
  for (const file of CODEGEN_SCRIPTS) page.run(fs.readFileSync(path.join(repo, file), 'utf8'), path.join(repo, file));
  page.generate = (html, { embedded = false, assets = null, titlebar = null, ids = false } = {}) => {
    page.window.__gen = [html, embedded, assets, titlebar, ids];
    return page.run('generatePureBasicCode.apply(null, window.__gen)');
  };
  return page;
}
