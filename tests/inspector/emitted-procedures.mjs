// The UI_ procedures that the source generator emits into a program's module: the names of its UI
// procedure library (editor/codegen/ui-library.js and its blocks), read from the generator itself.
import { loadPage } from '../page/jsdom-page.mjs';

const LIBRARY = ['editor/codegen/pb-text.js', 'editor/codegen/ui-library.js', 'editor/codegen/ui-blocks-a.js',
  'editor/codegen/ui-blocks-b.js'];

export async function emittedProcedures() {
  const page = await loadPage({ scripts: ['editor/shell/hooks.js', 'editor/shell/pending.js', ...LIBRARY],
    html: '<!DOCTYPE html><body></body>' });
  try {
    return new Set(page.run('Object.keys(pbUiProcedureNames())').filter((name) => name.startsWith('UI_')));
  } finally {
    page.close();
  }
}
