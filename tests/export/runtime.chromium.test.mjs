// The runtimes of exported pages in headless Chromium: the editor page builds the design's page, which is
// served beside the program's libraries and opened in a fresh tab.
// - an animation seeked mid-way in the page shows what the timeline shows on the canvas at that moment;
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { openEditorPage, whyNoEditorPage } from '../page/editor-browser.mjs';
import { startExportServer } from './export-server.mjs';
import { openExported } from './export-browser.mjs';

const skip = whyNoEditorPage();

let editor;
let server;

async function exportTab(name, viewport, options) {
  const html = await editor.page.evaluate(() => buildExportHTML('pb', null, false));
  return openExported(editor.page.context().browser(), server.put(name, html, { rewrite: true }), viewport, options);
}

before(async () => {
  if (skip) return;
  editor = await openEditorPage({ viewport: { width: 1600, height: 1000 } });
  server = await startExportServer();
});
after(async () => {
  await server?.close();
  await editor?.close();
});

// The computed styles an animation frame writes, read from the wrapper, its rotation container and the node.
function readFrame(ids) {
  const pick = (node, props) => (node ? Object.fromEntries(props.map((p) => [p, getComputedStyle(node)[p]])) : null);
  return Object.fromEntries(ids.map((id) => {
    const wrap = document.getElementById('wrap-' + id);
    return [id, {
      wrap: pick(wrap, ['width', 'height', 'marginLeft']),
      rot: pick(wrap.querySelector('.rotation-fix-container'), ['transform', 'transformOrigin']),
      node: pick(document.getElementById(id), ['opacity', 'backgroundColor', 'backgroundImage', 'color', 'borderRadius', 'textShadow',
        'boxShadow', 'fontSize', 'borderTopWidth', 'paddingTop']),
    }];
  }));
}

describe('exported runtimes in Chromium', { skip: skip || false, timeout: 120000 }, () => {
  test('an exported animation mid-way equals the timeline on the canvas at the same moment', async () => {
    const ids = await editor.page.evaluate(() => {
      elements = [];
      const b = createElement('button', null);
      Object.assign(b, { text: 'Move', boxShadowEnabled: true, boxShadowColor: '#112233', boxShadowX: 2, boxShadowY: 3, boxShadowBlur: 4 });
      const t = createElement('text', null);
      Object.assign(t, { width: '240px', text: 'Shadowed', textShadowEnabled: true, textShadowColor: '#334455', textShadowX: 1, textShadowY: 1, textShadowBlur: 2,
        rotation: '15', transformOriginX: '20' });
      const c = createElement('container', null);
      Object.assign(c, { width: '300px', flexChild: '', height: '80px', bgGradient: { enabled: true, type: 'linear', angle: 90,
        stops: [{ color: '#ff0000', position: 0 }, { color: '#00ff00', position: 100 }] } });
      const kf = (a, b, ease) => [{ t: 0, v: a, ease: ease || 'linear' }, { t: 1, v: b, ease: 'linear' }];
      animations = [{ id: 'anim_1', name: 'Mid', duration: 2, loop: false, autoRun: false, muted: {}, tracks: {
        [b.id]: { width: kf('100px', '300px', 'ease-out-bounce'), bgColor: kf('#ff0000', '#0000ff'), opacity: kf(0, 60),
          rotation: kf(0, 90, 'ease-in-out'), borderRadius: kf('0px', '20px'), boxShadowBlur: kf(4, 24), fontSize: kf('text-sm', 'text-2xl') },
        [t.id]: { textShadowX: kf(1, 9), textColor: kf('#000000', '#ffffff'), scale: kf(1, 2), padding: kf('0px', '16px') },
        [c.id]: { bgGradientAngle: kf(90, 270), height: kf('80px', '120px'), marginLeft: kf('0px', '40px') },
      } }];
      activeAnimationId = 'anim_1';
      selectedIds = [];
      renderCanvas();
      return [b.id, t.id, c.id];
    });
    for (const at of [0.37, 0.8]) {
      const canvas = await editor.page.evaluate(`applyTimelineAt(${at}); (${readFrame})(${JSON.stringify(ids)})`);
      const tab = await exportTab(`anim-${at}.html`);
      try {
        const page = await tab.page.evaluate(`QuorlinAnim.seek('Mid', ${at * 2}); (${readFrame})(${JSON.stringify(ids)})`);
        assert.deepEqual(page, canvas, `at ${at}`);
        assert.notEqual(page[ids[0]].wrap.width, '100px', 'the frame moved');
        assert.deepEqual(tab.problems, []);
      } finally {
        await tab.close();
      }
    }
    await editor.page.evaluate(() => { stopTimeline(); animations = [_tlDefaultAnimation()]; elements = []; renderCanvas(); });
  });
});
