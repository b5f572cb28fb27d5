// The flow panel opened in the real host's window, with pointer input sent through the X server.
//
//   const w = await openFlowWindow(ed, display);    // ed from startEditor({ display })
//   await w.run(code)        // runs a script in the page (WebDriver), returns its result
//   w.x(['move', x, y])      // one command of tests/tools/x11_input
//   w.screen(cx, cy)         // a page point in screen pixels (the offset a real motion event reports)
import { x11Input } from '../tools/x11-input.mjs';
import { until } from './editor.mjs';

export async function openFlowWindow(ed, display) {
  const x = (args) => x11Input(display, args.map(String));
  const run = (code, args = []) => ed.session.executeScript(code, args);
  await ed.waitFor('window._canvasReady && window._welcomeShown');
  await run('_dismissWelcomeModal(); document.querySelectorAll(".ql-dialog-backdrop, #splash-overlay").forEach((n) => { n.hidden = true; }); return true;');
  await run('toggleFlowMode(); return true;');
  await ed.waitFor('Boolean(window._flowEditor)');
  await run(`window.__last = null;
    document.addEventListener('mousemove', (e) => { window.__last = [e.screenX - e.clientX, e.screenY - e.clientY]; }, true);
    return true;`);
  x(['move', 300, 300]);
  x(['move', 310, 305]);
  const offset = await until('a motion event in the page', () => run('return window.__last;'));
  const screen = (cx, cy) => [Math.round(cx + offset[0]), Math.round(cy + offset[1])];
  return { x, run, screen };
}
