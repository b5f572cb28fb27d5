// The layout and player runtimes of exported pages in headless Chromium, on pages the editor builds:
// - collapse thresholds: an element hides while its parent box is narrower than its threshold and comes back
//   with its own display; one hidden by a script meanwhile stays hidden;
// - a text beside an icon is moved by its share of the wrapper's height, also after the window resized;
// - rotated wrappers keep the box the canvas gives them (quarter and half turns, with and without a set
//   height), and their content turns with them after the wrapper is resized;
// - a media player tells the host of play, time, pause, mute and the end, with the player's id.
import assert from 'node:assert/strict';
import { describe, test } from 'node:test';

import { whyNoEditorPage } from '../page/editor-browser.mjs';
import { openExported, withEditorAndExportServer } from './export-browser.mjs';

const skip = whyNoEditorPage();

let editor;
let server;

async function exportTab(name, viewport) {
  const html = await editor.page.evaluate(() => buildExportHTML('pb', null, false));
  return openExported(editor.page.context().browser(), server.put(name, html, { rewrite: true }), viewport);
}

async function design(build, arg) {
  return editor.page.evaluate(`(function () {
    elements = [];
    const out = (${build})(${JSON.stringify(arg ?? null)});
    selectedIds = [];
    renderCanvas();
    return out;
  })()`);
}

// A mono 16-bit PCM WAV of silence.
function silentWav(seconds, rate = 8000) {
  const n = Math.round(seconds * rate);
  const b = Buffer.alloc(44 + n * 2);
  b.write('RIFF', 0);
  b.writeUInt32LE(36 + n * 2, 4);
  b.write('WAVEfmt ', 8);
  b.writeUInt32LE(16, 16);
  b.writeUInt16LE(1, 20);
  b.writeUInt16LE(1, 22);
  b.writeUInt32LE(rate, 24);
  b.writeUInt32LE(rate * 2, 28);
  b.writeUInt16LE(2, 32);
  b.writeUInt16LE(16, 34);
  b.write('data', 36);
  b.writeUInt32LE(n * 2, 40);
  return b;
}

withEditorAndExportServer(skip, (e, s) => { editor = e; server = s; });

const settle = (page) => page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => setTimeout(r, 50)))));

describe('exported layout and players in Chromium', { skip: skip || false, timeout: 120000 }, () => {
  test('collapse thresholds and icon text offsets follow the window', async () => {
    const ids = await design(() => {
      const box = createElement('container', null);
      Object.assign(box, { width: '50%', height: '120px', flexChild: '' });
      const narrow = createElement('button', box.id);
      Object.assign(narrow, { text: 'Wide only', minParentWidthThreshold: '400' });
      const low = createElement('button', box.id);
      Object.assign(low, { text: 'Tall only', minParentHeightThreshold: '100' });
      const hidden = createElement('button', box.id);
      Object.assign(hidden, { text: 'Hidden later', minParentWidthThreshold: '400' });
      const iconed = createElement('button', null);
      Object.assign(iconed, { text: 'Starred', iconClass: 'ph ph-star', iconOffsetY: 20, height: '20vh', width: '200px', flexChild: '' });
      return { box: box.id, narrow: narrow.id, low: low.id, hidden: hidden.id, iconed: iconed.id };
    });
    const tab = await exportTab('collapse.html', { width: 1000, height: 800 });
    try {
      const { page } = tab;
      const read = () => page.evaluate((ids) => {
        const wrap = (id) => document.getElementById('wrap-' + id);
        const iconWrap = wrap(ids.iconed).getBoundingClientRect().height;
        return {
          box: Math.round(wrap(ids.box).getBoundingClientRect().width),
          shown: ['narrow', 'low', 'hidden'].map((k) => getComputedStyle(wrap(ids[k])).display),
          offset: document.querySelector('#' + ids.iconed + ' .text-y').style.transform,
          want: 'translateY(' + (iconWrap * 20 / 100) + 'px)',
        };
      }, ids);
      const wide = await read();
      assert.ok(wide.box >= 400, JSON.stringify(wide));
      assert.deepEqual(wide.shown, ['flex', 'flex', 'flex'], 'above every threshold: shown with the wrapper\'s own display');
      assert.equal(wide.offset, wide.want);
      assert.equal(wide.offset, 'translateY(32px)');

      await page.setViewportSize({ width: 700, height: 500 });
      await settle(page);
      const narrow = await read();
      assert.ok(narrow.box < 400, JSON.stringify(narrow));
      assert.deepEqual(narrow.shown, ['none', 'flex', 'none'], 'below the width threshold; the height one is still met');
      assert.equal(narrow.offset, narrow.want, 'the offset follows the wrapper\'s new height');
      assert.equal(narrow.offset, 'translateY(20px)');

      // A script hides one while it is collapsed: widening the window does not bring it back.
      await page.evaluate((id) => { document.getElementById('wrap-' + id).style.display = 'none'; }, ids.hidden);
      await page.setViewportSize({ width: 1000, height: 800 });
      await settle(page);
      const back = await read();
      assert.deepEqual(back.shown, ['flex', 'flex', 'none'], 'back with its own display; the hidden one stays hidden');
      assert.equal(back.offset, 'translateY(32px)');
      assert.deepEqual(tab.problems, []);
    } finally {
      await tab.close();
    }
  });

  test('rotated wrappers keep the canvas\'s box; their content follows a resize', async () => {
    const cases = [['90', '50px'], ['180', '50px'], ['270', '50px'], ['-90', ''], ['90', ''], ['180', '']];
    const ids = await design((list) => list.map(([rotation, height]) => {
      const rec = createElement('text', null);
      Object.assign(rec, { text: 'Turned ' + rotation, rotation, height, width: '200px', flexChild: '' });
      return rec.id;
    }), cases);
    const boxes = (list) => Object.fromEntries(list.map((id) => {
      const size = (n) => { const r = n.getBoundingClientRect(); return [Math.round(r.width), Math.round(r.height)]; };
      return [id, { wrap: size(document.getElementById('wrap-' + id)), inner: size(document.getElementById(id)) }];
    }));
    const grow = (list) => list.forEach((id) => { document.getElementById('wrap-' + id).style.height = '80px'; });
    const tab = await exportTab('rotated.html', { width: 1000, height: 800 });
    try {
      await settle(editor.page);
      const canvas = await editor.page.evaluate(boxes, ids);
      assert.deepEqual(await tab.page.evaluate(boxes, ids), canvas, 'as laid out');
      assert.deepEqual(canvas[ids[1]], { wrap: [200, 50], inner: [200, 50] }, 'a half turn keeps its width');
      // Grown as an animation or a script grows them: the content turns with its wrapper.
      await tab.page.evaluate(grow, ids);
      await settle(tab.page);
      const grown = Object.fromEntries(cases.map(([rotation], i) => {
        const box = rotation === '180' ? [200, 80] : [80, 200];
        return [ids[i], { wrap: box, inner: box }];
      }));
      assert.deepEqual(await tab.page.evaluate(boxes, ids), grown, 'after the wrappers grew');
      assert.deepEqual(tab.problems, []);
    } finally {
      await tab.close();
      await design(() => null);
    }
  });

  test('a media player sends play, time, pause, mute and the end to the host', async () => {
    server.put('silence.wav', silentWav(1.2));
    const id = await design((src) => {
      const player = createElement('avplayer', null);
      Object.assign(player, { height: '160px', src });
      return player.id;
    }, server.origin + '/silence.wav');
    const tab = await exportTab('player.html', { width: 1000, height: 800 });
    try {
      const { page } = tab;
      const button = (name) => page.locator(`.plyr__controls [data-plyr="${name}"]`);
      const mine = () => tab.messages.filter((m) => m.id === id).map((m) => m.type);
      // The page's calls reach the test through the browser's messages, a moment after the player's state.
      const arrived = async (type) => {
        for (let i = 0; i < 100 && !mine().includes(type); i++) await page.waitForTimeout(50);
      };
      await page.waitForFunction(() => document.querySelector('.plyr__controls [data-plyr="play"]'), null, { timeout: 5000 });
      await button('play').click();
      await page.waitForFunction(() => Object.values(plyrPlayers)[0].currentTime > 0.3, null, { timeout: 5000 });
      await button('play').click();
      await page.waitForFunction(() => Object.values(plyrPlayers)[0].paused, null, { timeout: 5000 });
      await arrived('pause');
      assert.deepEqual([...new Set(mine())], ['play', 'timeupdate', 'pause']);
      await button('mute').click();
      await page.waitForFunction(() => Object.values(plyrPlayers)[0].muted, null, { timeout: 5000 });
      await button('play').click();
      await page.waitForFunction(() => Object.values(plyrPlayers)[0].ended, null, { timeout: 5000 });
      await arrived('ended');
      await page.waitForTimeout(100);   // nothing may follow the end
      const sent = tab.messages.filter((m) => m.id === id);
      assert.deepEqual(sent.find((m) => m.type === 'volumechange'), { id, type: 'volumechange', value: '0' });
      assert.equal(sent.filter((m) => m.type === 'play').length, 2);
      assert.equal(sent.at(-1).type, 'ended', JSON.stringify(sent.slice(-3)));
      assert.equal(sent.filter((m) => m.type === 'ended').length, 1);
      const times = sent.filter((m) => m.type === 'timeupdate').map((m) => m.value);
      assert.ok(times.every((v) => /^\d+$/.test(v)) && times.includes('1'), JSON.stringify(times));
      assert.deepEqual(tab.problems, []);
    } finally {
      await tab.close();
      await design(() => null);
    }
  });
});
