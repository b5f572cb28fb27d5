// Toasts, the working overlay, the zoom messages and the debug trace in a jsdom page on a manual clock.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { installClock } from './fake-clock.mjs';
import { loadPage } from './jsdom-page.mjs';

const SCRIPTS = ['editor/model/text.js', 'editor/shell/hooks.js', 'editor/shell/pending.js', 'editor/shell/locale-es.js', 'editor/shell/i18n.js', 'editor/shell/toast.js', 'editor/shell/zoom.js',
  'editor/shell/trace.js'];

async function noticePage(options = {}) {
  let clock;
  const page = await loadPage({ scripts: SCRIPTS, ...options, before(window) { clock = installClock(window); options.before?.(window); } });
  page.clock = clock;
  page.toasts = () => [...page.document.querySelectorAll('#toast-container .ql-toast')];
  page.overlays = () => page.document.querySelectorAll('.ql-working-overlay').length;
  page.bodyPointer = () => page.document.body.style.pointerEvents;
  return page;
}

test('a toast with only a message is a red error for 3 s, and its message is text, never markup', async () => {
  const page = await noticePage();
  page.window.showToast('<img src=x onerror="window.hit=1"> & "quotes"');
  const [toast] = page.toasts();
  assert.ok(toast.classList.contains('ql-toast-error'));
  assert.ok(toast.querySelector('.ph-warning'));
  assert.equal(toast.querySelector('img'), null);
  assert.equal(toast.textContent, '<img src=x onerror="window.hit=1"> & "quotes"');
  page.clock.tick(2999);
  assert.equal(page.toasts().length, 1);
  page.clock.tick(1);
  assert.equal(page.toasts().length, 0);
  page.close();
});

test('toast types pick their colours and icons; toasts stack, each on its own timer; 0 keeps one until dismissed', async () => {
  const page = await noticePage();
  const cases = [
    ['warning', 'ql-toast-warning', 'ph-warning'],
    ['info', 'ql-toast-info', 'ph-info'],
    ['success', 'ql-toast-success', 'ph-check-circle'],
    ['anything', 'ql-toast-success', 'ph-check-circle'],
  ];
  for (const [type, cls, icon] of cases) {
    page.window.showToast(type, type, 1000);
    const last = page.toasts().at(-1);
    assert.ok(last.classList.contains(cls) && last.querySelector('.' + icon), type);
  }
  page.clock.tick(500);
  page.window.showToast('later', 'info', 1000);
  const kept = page.window.showToast('kept', 'info', 0);
  assert.equal(page.window._lastToastDismiss, kept);
  assert.equal(page.toasts().length, 6);
  page.clock.tick(500);
  assert.deepEqual(page.toasts().map((t) => t.textContent), ['later', 'kept']);
  page.clock.tick(60_000);
  assert.deepEqual(page.toasts().map((t) => t.textContent), ['kept']);
  page.window._lastToastDismiss();
  assert.equal(page.toasts().length, 0);
  assert.equal(page.window._lastToastDismiss, null);
  page.close();
});

test('a centred advisory never catches the pointer and goes after its time', async () => {
  const page = await noticePage();
  page.window.showToast('<b>centre</b>', 'info', 800, { center: true });
  const block = page.document.querySelector('.ql-toast-center');
  assert.equal(block.textContent, '<b>centre</b>');
  assert.equal(page.bodyPointer(), '');
  page.clock.tick(800);
  assert.equal(page.document.querySelector('.ql-toast-center'), null);
  page.close();
});

test('the working overlay blocks the pointer for at least 600 ms, or until a pending click, at most 500 ms more', async () => {
  const page = await noticePage();
  const press = () => page.document.dispatchEvent(new page.window.MouseEvent('mousedown', { bubbles: true }));
  const click = () => page.document.dispatchEvent(new page.window.MouseEvent('click', { bubbles: true }));

  // Dismissed 100 ms after it appeared: it stays until 600 ms have passed.
  let dismiss = page.window.showToast('Guardando…', 'info', 0, { centered: true });
  assert.equal(page.overlays(), 1);
  assert.equal(page.bodyPointer(), 'none');
  page.clock.tick(100);
  dismiss();
  page.clock.tick(499);
  assert.equal(page.overlays(), 1);
  page.clock.tick(1);
  assert.equal(page.overlays(), 0);
  assert.equal(page.bodyPointer(), '');

  // A press under the overlay: it waits for that press's click.
  dismiss = page.window.showToast('Guardando…', 'info', 0, { centered: true });
  page.clock.tick(700);
  press();
  dismiss();
  page.clock.tick(200);
  assert.equal(page.overlays(), 1);
  click();
  assert.equal(page.overlays(), 0);

  // A press whose click never comes: 500 ms at most.
  dismiss = page.window.showToast('Guardando…', 'info', 0, { centered: true });
  press();
  dismiss();
  page.clock.tick(499);
  assert.equal(page.overlays(), 1);
  page.clock.tick(1);
  assert.equal(page.overlays(), 0);
  assert.equal(page.bodyPointer(), '');
  page.close();
});

test('overlapping working overlays give the body back its own pointer setting, whichever closes first', async () => {
  for (const order of [['a', 'b'], ['b', 'a']]) {
    const page = await noticePage();
    page.document.body.style.pointerEvents = 'auto';
    const dismiss = {
      a: page.window.showToast('A', 'info', 0, { centered: true }),
      b: (page.clock.tick(50), page.window.showToast('B', 'info', 0, { centered: true })),
    };
    dismiss[order[0]]();
    page.clock.tick(1000);
    assert.equal(page.overlays(), 1, `after ${order[0]} closed`);
    assert.equal(page.bodyPointer(), 'none', 'still blocked while one overlay is up');
    dismiss[order[1]]();
    dismiss[order[1]]();
    page.clock.tick(1000);
    assert.equal(page.overlays(), 0);
    assert.equal(page.bodyPointer(), 'auto', `closing ${order.join(' then ')}`);
    page.close();
  }
});

test('zoom steps are clamped and sent with two decimals; reports outside the range are ignored', async () => {
  const page = await noticePage({
    html: '<!DOCTYPE html><body><div id="zoom-container"><span id="zoom-value"></span><div id="zoom-dropdown"></div></div></body>',
  });
  const sent = () => page.messages.map((m) => `${m.type}:${m.value}`);
  page.window.buildZoomDropdown();
  page.run('currentZoom = 2.95');
  page.window.setZoomLevel(0.1);
  page.window.setZoomLevel(0.1);
  page.run('currentZoom = 0.3');
  page.window.setZoomLevel(-0.1);
  page.window.setZoomLevel(0, true);
  page.document.querySelector('#zoom-dropdown .zoom-option[data-zoom="1.75"]').click();
  assert.deepEqual(sent(), ['zoom:3.00', 'zoom:3.00', 'zoom:0.25', 'zoom:1.00', 'zoom:1.75']);
  assert.equal(page.document.getElementById('zoom-value').textContent, '175%');

  for (const report of ['4.00', 4, '0.1', 'abc', '']) page.window._onZoomChange(report);
  assert.equal(page.document.getElementById('zoom-value').textContent, '175%');
  page.window._onZoomChange('1.25');
  assert.equal(page.document.getElementById('zoom-value').textContent, '125%');
  assert.equal(page.messages.length, 5, 'a report from the host is not answered');
  page.close();
});

test('zoom keys: Ctrl + keypad plus, minus and 0 zoom, and every Ctrl key asks the host for the zoom', async () => {
  const page = await noticePage();
  page.window.installZoomListeners();
  const key = (code, init = {}) => {
    const e = new page.window.KeyboardEvent('keydown', { code, key: init.key ?? '', ctrlKey: true, cancelable: true, bubbles: true, ...init });
    page.document.body.dispatchEvent(e);
    return e.defaultPrevented;
  };
  const cases = [
    ['NumpadAdd', {}, true, ['zoom:1.10', 'get_zoom:']],
    ['NumpadSubtract', {}, true, ['zoom:1.00', 'get_zoom:']],
    ['NumpadAdd', {}, true, ['zoom:1.10', 'get_zoom:']],
    ['Digit0', { key: '0' }, true, ['zoom:1.00', 'get_zoom:']],
    ['KeyC', { key: 'c' }, false, ['get_zoom:']],
    ['NumpadAdd', { ctrlKey: false }, false, []],
  ];
  for (const [code, init, prevented, expected] of cases) {
    page.messages.length = 0;
    assert.equal(key(code, init), prevented, code);
    assert.deepEqual(page.messages.map((m) => `${m.type}:${m.value}`), expected, `${code} ${JSON.stringify(init)}`);
  }
  const wheel = (init) => page.document.body.dispatchEvent(new page.window.WheelEvent('wheel', { bubbles: true, deltaY: -1, ...init }));
  page.messages.length = 0;
  wheel({ ctrlKey: true });
  wheel({ ctrlKey: true, shiftKey: true });
  wheel({});
  assert.deepEqual(page.messages.map((m) => m.type), ['get_zoom']);
  page.close();
});

test('the debug trace keeps at most one post in flight and gives up a post the host never answers', async () => {
  const posts = [];
  const page = await noticePage({
    before(window) {
      window.fetch = (url, init) => new Promise((resolve, reject) => {
        const post = { url, body: init.body, resolve, aborted: false };
        init.signal.addEventListener('abort', () => { post.aborted = true; reject(new Error('aborted')); });
        posts.push(post);
      });
    },
  });
  const settle = () => new Promise((r) => setImmediate(r));
  page.window._quorlinTraceStart();
  page.window._quorlinTraceStart();
  page.window._quorlinTrace.renderCount = 3;
  page.window._quorlinTrace.lastFunc = 'renderCanvas';
  page.clock.tick(500);
  assert.equal(posts.length, 1);
  assert.match(posts[0].body, /^JS t=500 renderCount=3 roCanvas=0 roRot=0 roFluid=0 parentIdDepth=0 lastFunc=renderCanvas lastId=$/);
  page.clock.tick(2000);
  assert.equal(posts.length, 1, 'no second post while the first is unanswered');
  posts[0].resolve(new Response('', { status: 405 }));
  await settle();
  page.clock.tick(500);
  assert.equal(posts.length, 2);
  page.clock.tick(5000);
  await settle();
  assert.equal(posts[1].aborted, true, 'an unanswered post is given up');
  page.clock.tick(500);
  assert.equal(posts.length, 3);
  page.close();
});

test('the update alert goes to the page\'s modal alert when there is one, else to an info toast for 9 s', async () => {
  const expected = 'Hay una nueva versión disponible: 2.0. Descárgala en https://example.invalid/get';
  let page = await noticePage({ before(window) { window.__alerts = []; window.pb_alert = (...a) => window.__alerts.push(a); } });
  page.window.showUpdateAlert('2.0', 'https://example.invalid/get');
  assert.deepEqual(JSON.parse(JSON.stringify(page.window.__alerts)), [[expected, 'info', 9000, true]]);
  page.close();

  page = await noticePage();
  page.window.showUpdateAlert('2.0', 'https://example.invalid/get');
  const [toast] = page.toasts();
  assert.ok(toast.classList.contains('ql-toast-info'));
  assert.equal(toast.textContent, expected);
  page.clock.tick(9000);
  assert.equal(page.toasts().length, 0);
  page.close();
});
