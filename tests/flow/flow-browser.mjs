// The real editor page in headless Chromium with its flow panel open, the welcome dialog and splash put
// away and the __flow graph helpers defined; page errors and console errors are collected.
//
//   const skip = whyNoFlowBrowser();                 // why it cannot run here, or null
//   const flow = await openFlowBrowser();           // flow.page (playwright), flow.errors, await flow.close()
import { openBrowser, whyNoBrowser } from '../page/browser.mjs';
import { buildHasLibraries, defaultBuildDir, startPageServer } from '../page/page-server.mjs';
import { FLOW_TEST_HELPERS } from './canvas-nodes.mjs';

export function whyNoFlowBrowser() {
  return whyNoBrowser() ?? (buildHasLibraries() ? null : `${defaultBuildDir} has no Internal_lib/ (build first)`);
}

export async function openFlowBrowser({ viewport = { width: 1400, height: 1000 } } = {}) {
  const server = await startPageServer();
  const browser = await openBrowser();
  const errors = [];
  const close = async () => {
    await browser.close();
    await server.close();
  };
  try {
    const { page } = await browser.newPage({ viewport });
    page.on('pageerror', (e) => errors.push(e.message));
    page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
    await page.goto(server.origin + '/');
    await page.waitForFunction(() => window._twBlockerReady && window._canvasReady && window._welcomeShown, null, { timeout: 20000 });
    await page.evaluate(() => {
      window._welcomeShown = true;
      document.querySelectorAll('.ql-dialog-backdrop, #splash-overlay').forEach((n) => { n.hidden = true; });
    });
    await page.click('#btn-flow-mode');
    await page.waitForFunction(() => window._flowEditor && !document.getElementById('flow-panel').hidden, null, { timeout: 10000 });
    await page.evaluate(FLOW_TEST_HELPERS);
    return { page, errors, close };
  } catch (e) {
    await close();
    throw e;
  }
}
