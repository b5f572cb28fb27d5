// The shim's colour and transform readers in headless Chromium, where a real drawing canvas normalises
// colours and computed styles give real matrices: _colorToHex over names and notations, _parseTransform
// on computed transforms, and a colour getter reading the rest colour while the pointer hovers.
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { openBrowser, whyNoBrowser } from '../page/browser.mjs';
import { buildHasLibraries, defaultBuildDir, startPageServer } from '../page/page-server.mjs';

const skip = whyNoBrowser() ?? (buildHasLibraries() ? null : `${defaultBuildDir} has no Internal_lib/ (build first)`);

let server;
let browser;
let page;
const errors = [];

before(async () => {
  if (skip) return;
  server = await startPageServer();
  browser = await openBrowser();
  ({ page } = await browser.newPage());
  page.on('pageerror', (e) => errors.push(e.message));
  await page.goto(server.origin + '/');
  await page.waitForFunction(() => window.QuorlinFlow && window._welcomeShown, null, { timeout: 20000 });
  await page.evaluate(() => _dismissWelcomeModal());
});
after(async () => {
  await browser?.close();
  await server?.close();
});

describe('shim in Chromium', { skip: skip || false, timeout: 60000 }, () => {
  test('_colorToHex: names and rgb notations become lower-case hex, alpha as a fourth pair', async () => {
    const CASES = [
      ['red', '#ff0000'], ['RebeccaPurple', '#663399'], ['transparent', '#00000000'],
      ['rgba(255, 0, 0, 0.5)', '#ff000080'], ['rgb(255 0 0 / 50%)', '#ff000080'], ['rgb(300, -4, 12.6)', '#ff000d'],
      ['rgba(0,128,255,1)', '#0080ffff'], ['#ABC', '#abc'], ['#A1B2C3', '#a1b2c3'], ['#A1B2C3D4', '#a1b2c3d4'],
      ['hsl(120, 100%, 50%)', 'hsl(120, 100%, 50%)'], ['not a colour', 'not a colour'], ['#12', '#12'],
      ['  blue ', '#0000ff'], ['', ''], [null, ''],
    ];
    const got = await page.evaluate((cases) => cases.map(([input]) => _colorToHex(input)), CASES);
    assert.deepEqual(got, CASES.map(([, want]) => want));
  });

  test('_parseTransform reads the angle and the scale from computed matrices', async () => {
    const got = await page.evaluate(() => {
      const box = document.createElement('div');
      document.body.appendChild(box);
      const read = (transform, kind) => {
        box.style.transform = transform;
        return _parseTransform(getComputedStyle(box).transform, kind);
      };
      const out = [read('rotate(30deg)', 'rotate'), read('rotate(-90deg)', 'rotate'), read('scale(1.5)', 'scale'),
        read('rotate(45deg) scale(2)', 'scale'), read('none', 'rotate'), _parseTransform('rotate(12deg)', 'rotate'),
        _parseTransform('scale(0.5)', 'scale')];
      box.remove();
      return out;
    });
    assert.deepEqual(got, ['30', '-90', '1.5', '2', '', '12deg', '0.5']);
  });

  test('a colour getter reads the rest colour set by a flow, also while the pointer hovers the element', async () => {
    await page.evaluate(() => {
      const wrap = document.createElement('div');
      wrap.id = 'wrap-hoverbox';
      wrap.style.cssText = 'position:fixed;left:10px;top:10px;z-index:2147483647';
      wrap.innerHTML = '<div id="hoverbox" style="width:80px;height:40px;background:#101010">x</div>';
      document.body.appendChild(wrap);
      UI_SetHoverBgColor(0, 'hoverbox', '#00ff00');
      UI_SetBgColor(0, 'hoverbox', 'rgb(200, 10, 20)');
    });
    await page.mouse.move(30, 25);
    const hovered = await page.evaluate(() => [getComputedStyle(document.getElementById('hoverbox')).backgroundColor,
      UI_GetBgColor(0, 'hoverbox'), Flow_GetBgColor('hoverbox')]);
    assert.deepEqual(hovered, ['rgb(0, 255, 0)', '#c80a14', '#c80a14']);
    await page.mouse.move(600, 600);
    assert.equal(await page.evaluate(() => document.getElementById('hoverbox').style.backgroundColor), 'rgb(200, 10, 20)');
    assert.deepEqual(errors, []);
  });
});
