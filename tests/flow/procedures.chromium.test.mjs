// The UI procedures in headless Chromium, where the page has layout, a drawing canvas and real pointer
// events: every drawing procedure checked by the pixels it leaves (getImageData), scrolling into view
// inside a scrolling box and in the window, attention animations, hover colours under a real pointer
// (also on an element the renderer drew with hover handlers of its own), background images whose file
// names hold quotes, and list items whose text holds markup that must never run.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { openBrowser, whyNoBrowser } from '../page/browser.mjs';
import { readRepoFile } from '../page/jsdom-page.mjs';
import { buildHasLibraries, defaultBuildDir, startPageServer } from '../page/page-server.mjs';
import { loadFlowPage, readFixture } from './flow-page.mjs';

const skip = whyNoBrowser() ?? (buildHasLibraries() ? null : `${defaultBuildDir} has no Internal_lib/ (build first)`);

let server;
let browser;
let shimText;
let rendererButton;
let rendererToggle;

before(async () => {
  if (skip) return;
  const flow = await loadFlowPage();
  shimText = flow.run('_uiJsShim()');
  flow.close();
  server = await startPageServer();
  browser = await openBrowser();
  // A button as the renderer draws it for an exported page, with its own hover handlers.
  const { page: editor } = await browser.newPage();
  await editor.goto(server.origin + '/');
  await editor.waitForFunction(() => typeof buildElementContent === 'function' && typeof createElement === 'function', null, { timeout: 20000 });
  rendererButton = await editor.evaluate(() => {
    const el = createElement('button');
    Object.assign(el, { id: 'rb', bgColor: '#ff0000', hoverBgColor: '#00ff00', text: 'Renderer' });
    return buildElementContent(el, { forExport: true });
  });
  // A toggle as the renderer draws it, with its track colours set.
  rendererToggle = await editor.evaluate(() => {
    const el = createElement('toggle');
    Object.assign(el, { id: 'rt', activeTrackColor: '#00ff00', inactiveTrackColor: '#ff0000', text: 'Switch' });
    return buildElementContent(el, { forExport: true });
  });
  await editor.context().close();
});
after(async () => {
  await browser?.close();
  await server?.close();
});

// A fresh page showing the exported-page fixture with the resolvers and the shim, as an exported page
// runs them; page errors are collected.
async function openFixture() {
  const { page } = await browser.newPage({ viewport: { width: 800, height: 600 } });
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  const url = server.origin + '/procedures.html';
  await page.route(url, (route) => route.fulfill({ contentType: 'text/html; charset=utf-8', body: readFixture('exported-page.html') }));
  await page.goto(url);
  await page.addScriptTag({ content: readRepoFile('editor/flow-compiler/resolvers.js') + '\n' + shimText });
  page.errors = errors;
  return page;
}

// Runs UI_<name>(0, ...args) in the page for each [name, ...args].
const run = (page, steps) => page.evaluate((list) => list.map(([name, ...args]) => window['UI_' + name](0, ...args)), steps);
// The same on the canvas "sketch".
const draw = (page, steps) => run(page, steps.map(([name, ...args]) => [name, 'sketch', ...args]));

describe('UI procedures in Chromium', { skip: skip || false, timeout: 120000 }, () => {
  describe('drawing, checked by pixels', () => {
    const R = [255, 0, 0, 255];
    const G = [0, 255, 0, 255];
    const B = [0, 0, 255, 255];
    const _ = [0, 0, 0, 0];
    // [what, procedure calls on the canvas "sketch" (100 x 60), [x, y, RGBA] pixels expected]. Each case
    // starts from a cleared canvas with stroke blue, fill green and a line width of 4.
    const CASES = [
      ['a clear with a colour fills everything', [['ClearCanvas', '#ff0000']], [[0, 0, R], [99, 59, R], [50, 30, R]]],
      ['a clear without a colour leaves it transparent', [['ClearCanvas', '#ff0000'], ['ClearCanvas', '']], [[0, 0, _], [50, 30, _]]],
      ['a line in the stroke colour and width', [['DrawLine', '10', '30', 90, 30]], [[50, 28, B], [50, 31, B], [50, 34, _], [5, 30, _]]],
      ['a filled rectangle', [['DrawRect', 10, 10, 30, 20, 'fill']], [[25, 20, G], [11, 11, G], [45, 20, _]]],
      ['a stroked rectangle', [['DrawRect', 10, 10, 30, 20, '']], [[10, 20, B], [25, 20, _]]],
      ['a rectangle filled, then stroked', [['DrawRect', 10, 10, 30, 20, 'both']], [[10, 20, B], [25, 20, G]]],
      ['a circle, a negative radius taken as its size', [['DrawCircle', 50, 30, '-20', 'fill']], [[50, 30, G], [65, 30, G], [50, 5, _], [75, 30, _]]],
      ['an arc from 0 to 180 degrees: the lower half', [['DrawArc', 50, 30, 20, '0', '180', 'fill']], [[50, 40, G], [50, 20, _]]],
      ['a polygon of one point draws nothing', [['DrawPolygon', '50,30', 'true', 'both']], [[50, 30, _], [51, 31, _]]],
      ['a closed triangle, filled', [['DrawPolygon', '10,50;50,10;90,50', 'true', 'fill']], [[50, 40, G], [50, 48, G], [15, 15, _]]],
      ['a closed triangle, stroked: the last side drawn', [['DrawPolygon', '10,50;50,10;90,50', 'true', '']], [[50, 50, B], [30, 30, B], [50, 40, _]]],
      ['an open outline leaves the last side out', [['DrawPolygon', '10,50\n50,10\n90,50', 'false', '']], [[50, 50, _], [30, 30, B]]],
      ['translate moves what follows', [['CanvasTransform', 'translate', 50, 0], ['DrawRect', 0, 0, 10, 10, 'fill']], [[55, 5, G], [5, 5, _]]],
      ['a clear resets the transform', [['CanvasTransform', 'translate', 50, 0], ['ClearCanvas', ''], ['DrawRect', 0, 0, 10, 10, 'fill']],
        [[5, 5, G], [55, 5, _]]],
      ['scale between save and restore', [['CanvasTransform', 'save'], ['CanvasTransform', 'scale', '', '', '', 2, 2],
        ['DrawRect', 0, 0, 10, 10, 'fill'], ['CanvasTransform', 'restore'], ['DrawRect', 40, 0, 5, 5, 'fill']],
      [[15, 15, G], [42, 2, G], [82, 2, _], [25, 25, _]]],
      ['rotate by degrees', [['CanvasTransform', 'translate', 50, 30], ['CanvasTransform', 'rotate', '', '', '90'],
        ['DrawRect', 0, 0, 20, 5, 'fill']], [[47, 40, G], [60, 32, _]]],
    ];

    test('each procedure leaves the pixels it should', async () => {
      const page = await openFixture();
      for (const [what, steps, pixels] of CASES) {
        await draw(page, [['ClearCanvas', ''], ['SetCanvasStyle', '#0000ff', '#00ff00', '4'], ...steps]);
        const got = await page.evaluate((points) => {
          const ctx = document.getElementById('sketch').getContext('2d');
          return points.map(([x, y]) => Array.from(ctx.getImageData(x, y, 1, 1).data));
        }, pixels.map(([x, y]) => [x, y]));
        assert.deepEqual(got, pixels.map((p) => p[2]), what);
      }
      assert.deepEqual(page.errors, []);
      await page.context().close();
    });

    test('text: filled or stroked, its size in px, 16 px when the size is not a positive whole number', async () => {
      const page = await openFixture();
      const rows = async (steps) => {
        await draw(page, [['ClearCanvas', ''], ['SetCanvasStyle', '#0000ff', '#00ff00', '1'], ...steps]);
        return page.evaluate(() => {
          const { data } = document.getElementById('sketch').getContext('2d').getImageData(0, 0, 100, 60);
          let top = 60;
          let green = 0;
          let blue = 0;
          for (let i = 0; i < data.length; i += 4) {
            if (!data[i + 3]) continue;
            top = Math.min(top, Math.floor(i / 4 / 100));
            if (data[i + 1] > data[i + 2]) green++; else blue++;
          }
          return { top, green, blue };
        });
      };
      const big = await rows([['DrawText', 5, 50, 'WWW', '40', '']]);
      const fallback = await rows([['DrawText', 5, 50, 'WWW', '-4', 'fill']]);
      const stroked = await rows([['DrawText', 5, 50, 'WWW', '40', 'stroke']]);
      assert.ok(big.green > 100 && big.blue === 0 && big.top < 25, JSON.stringify(big));
      assert.ok(fallback.green > 20 && fallback.top > 30, JSON.stringify(fallback));
      assert.ok(stroked.blue > 50 && stroked.green === 0, JSON.stringify(stroked));
      await page.context().close();
    });

    test('images: scaled to the size given, else at their natural size; a media path is looked up among the loaded media', async () => {
      const page = await openFixture();
      await page.evaluate(() => {
        const c = document.createElement('canvas');
        c.width = 2;
        c.height = 2;
        const ctx = c.getContext('2d');
        ctx.fillStyle = '#ff0000';
        ctx.fillRect(0, 0, 2, 2);
        window._blobSrcMap = { 'media/red.png': c.toDataURL() };
        UI_ClearCanvas(0, 'sketch', '');
        UI_DrawImage(0, 'sketch', 10, 10, 20, 20, c.toDataURL());
        UI_DrawImage(0, 'sketch', 60, 10, '', '', 'media/red.png');
        UI_DrawImage(0, 'sketch', 80, 40, 5, 5, '');
      });
      await page.waitForFunction(() => {
        const ctx = document.getElementById('sketch').getContext('2d');
        return ctx.getImageData(15, 15, 1, 1).data[3] && ctx.getImageData(60, 10, 1, 1).data[3];
      }, null, { timeout: 5000 });
      const got = await page.evaluate(() => {
        const ctx = document.getElementById('sketch').getContext('2d');
        return [[15, 15], [29, 29], [31, 31], [61, 11], [62, 12], [82, 42]].map(([x, y]) => Array.from(ctx.getImageData(x, y, 1, 1).data));
      });
      assert.deepEqual(got, [[255, 0, 0, 255], [255, 0, 0, 255], [0, 0, 0, 0], [255, 0, 0, 255], [0, 0, 0, 0], [0, 0, 0, 0]]);
      await page.context().close();
    });
  });

  test('scrolling into view: inside the scrolling box at the top, centre or bottom plus the offset; else the window, alignment ignored', async () => {
    const page = await openFixture();
    // [align, offset, smooth, where the element's top lands below the box's top]
    const CASES = [['top', 0, 'false', 0], ['center', '', 'false', 30], ['', 0, 'false', 30], ['bottom', 0, 'false', 60], ['top', '10', 'false', 10],
      ['bottom', -5, 'true', 55]];
    for (const [align, offset, smooth, want] of CASES) {
      await page.evaluate(() => { document.getElementById('feed').scrollTop = 0; });
      await page.evaluate((args) => UI_ScrollIntoView(0, 'late', ...args), [align, offset, smooth]);
      await page.waitForFunction((target) => {
        const top = document.getElementById('late').getBoundingClientRect().top - document.getElementById('feed').getBoundingClientRect().top;
        return Math.abs(top - target) < 1;
      }, want, { timeout: 3000 });
    }
    assert.equal(await page.evaluate(() => window.scrollY), 0, 'the window stays where it was');
    for (const [align, offset] of [['bottom', 20], ['top', 0]]) {
      await page.evaluate((args) => UI_ScrollIntoView(0, 'bottom', ...args), [align, offset, 'false']);
      assert.equal(await page.evaluate(() => Math.round(document.getElementById('bottom').getBoundingClientRect().top) + 0), offset, align);
    }
    assert.deepEqual(page.errors, []);
    await page.context().close();
  });

  test('attention animations run with the page\'s keyframes and index 0 takes them off', async () => {
    const page = await openFixture();
    const state = () => page.evaluate(() => {
      const wrap = document.getElementById('wrap-box');
      return [getComputedStyle(wrap).animationName, getComputedStyle(wrap).animationDuration, wrap.getAnimations().length];
    });
    await run(page, [['TriggerAnimation', 'box', '3', '2s', '', '']]);
    assert.deepEqual(await state(), ['wb-bounce', '2s', 1]);
    await run(page, [['TriggerAnimation', 'box', '2', '', '', '']]);
    assert.deepEqual(await state(), ['wb-spin', '1s', 1]);
    await run(page, [['TriggerAnimation', 'box', '0', '', '', '']]);
    assert.deepEqual(await state(), ['none', '0s', 0]);
    await page.context().close();
  });

  test('hover colours under a real pointer: set twice, in and out twice, the rest colour comes back; also on the renderer\'s own handlers', async () => {
    const page = await openFixture();
    await page.evaluate((markup) => {
      const wrap = document.createElement('div');
      wrap.id = 'wrap-rb';
      wrap.style.cssText = 'position:fixed;left:300px;top:300px;width:120px;height:40px;display:flex';
      wrap.innerHTML = markup;
      document.body.appendChild(wrap);
      const box = document.getElementById('wrap-box');
      box.style.cssText += ';position:fixed;left:300px;top:100px;width:120px;height:40px';
    }, rendererButton);
    const colour = (id) => page.evaluate((i) => getComputedStyle(document.getElementById(i)).backgroundColor, id);
    // Pointer events may reach the page a frame later on a loaded machine: the colour is waited for.
    const expectColour = async (id, want, message) => {
      for (let wait = 0; wait < 20 && await colour(id) !== want; wait++) await page.waitForTimeout(50);
      assert.equal(await colour(id), want, message);
    };
    const centre = async (id) => {
      const r = await page.evaluate((i) => { const b = document.getElementById(i).getBoundingClientRect(); return [b.x + b.width / 2, b.y + b.height / 2]; }, id);
      return r;
    };
    for (const [id, rest] of [['box', 'rgb(1, 2, 3)'], ['rb', 'rgb(255, 0, 0)']]) {
      await run(page, [['SetHoverBgColor', id, 'rgb(255, 0, 255)'], ['SetHoverBgColor', id, 'rgb(0, 0, 255)']]);
      const [x, y] = await centre(id);
      for (let round = 0; round < 2; round++) {
        await page.mouse.move(x, y);
        await expectColour(id, 'rgb(0, 0, 255)', `${id} inside, round ${round}`);
        await page.mouse.move(5, 590);
        await expectColour(id, rest, `${id} after, round ${round}`);
      }
      await run(page, [['SetBgColor', id, 'rgb(10, 10, 10)']]);
      await page.mouse.move(x, y);
      await expectColour(id, 'rgb(0, 0, 255)', `${id} inside after a new rest colour`);
      await page.mouse.move(5, 590);
      await expectColour(id, 'rgb(10, 10, 10)', `${id} takes the new rest colour`);
    }
    assert.deepEqual(page.errors, []);
    await page.context().close();
  });

  test('the renderer\'s toggle: the track procedures recolour the on and off tracks, each shown in its state; the getters read them', async () => {
    const page = await openFixture();
    await page.evaluate((markup) => {
      const wrap = document.createElement('div');
      wrap.id = 'wrap-rt';
      wrap.innerHTML = markup;
      document.body.appendChild(wrap);
    }, rendererToggle);
    // The colour seen at the track's middle: the on layer over the off track, after the fade.
    const shown = () => page.evaluate(async () => {
      await new Promise((resolve) => setTimeout(resolve, 300));
      const on = document.querySelector('#rt [data-ql-track-active]');
      const off = document.querySelector('#rt [data-ql-track]');
      return getComputedStyle(on).opacity === '1' ? getComputedStyle(on).backgroundColor : getComputedStyle(off).backgroundColor;
    });
    const check = (on) => page.evaluate((v) => { document.querySelector('#rt input').checked = v; }, on);
    const get = () => run(page, [['GetActiveTrackColor', 'rt'], ['GetInactiveTrackColor', 'rt']]);
    assert.deepEqual(await get(), ['#00ff00', '#ff0000'], 'the record\'s colours');
    assert.equal(await shown(), 'rgb(255, 0, 0)', 'off');
    await check(true);
    assert.equal(await shown(), 'rgb(0, 255, 0)', 'on');
    await run(page, [['SetActiveTrackColor', 'rt', 'rgb(0, 0, 255)'], ['SetInactiveTrackColor', 'rt', 'rgb(255, 255, 0)']]);
    assert.deepEqual(await get(), ['#0000ff', '#ffff00']);
    assert.equal(await shown(), 'rgb(0, 0, 255)', 'on, recoloured');
    await check(false);
    assert.equal(await shown(), 'rgb(255, 255, 0)', 'off, recoloured');
    assert.deepEqual(page.errors, []);
    await page.context().close();
  });

  test('background image file names with quotes, brackets and blanks load as written and cannot add style', async () => {
    const page = await openFixture();
    const CASES = [
      ["it's (1).png", 'url("http://localhost:56789/it\'s%20(1).png")'],
      ["x'); color: rgb(255, 0, 0); background: url('y", 'url("http://localhost:56789/x\');%20color:%20rgb(255,%200,%200);%20background:%20url(\'y")'],
      ['C:\\Users\\ana\\My "best".png', 'url("http://localhost:56789/ext:/C:/Users/ana/My%20%22best%22.png")'],
    ];
    for (const [name, want] of CASES) {
      await run(page, [['SetBgImage', 'box', name]]);
      assert.deepEqual(await page.evaluate(() => [getComputedStyle(document.getElementById('box')).backgroundImage,
        document.getElementById('box').style.color]), [want, ''], name);
    }
    await page.context().close();
  });

  test('markup in list items never runs: set, added and read back as text', async () => {
    const page = await openFixture();
    const evil = '<img src=x onerror="window.__pwned=1"><script>window.__pwned=2</script>';
    await run(page, [['SetListItems', 'todo', JSON.stringify([evil, 'b'])], ['SetListItems', 'steps', evil + '|<svg onload="window.__pwned=3">'],
      ['List_AddItem', 'done', evil, '0']]);
    await page.waitForTimeout(300);
    const got = await page.evaluate(() => [window.__pwned, document.querySelectorAll('main img, main svg, main script').length,
      UI_GetListItem(0, 'todo', 0), UI_GetListItems(0, 'done')]);
    assert.deepEqual(got, [undefined, 1, evil, JSON.stringify([evil, 'x'])]);
    assert.deepEqual(page.errors, []);
    await page.context().close();
  });
});
