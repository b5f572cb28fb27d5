// The standalone program builder against a fake host: what it downloads, what the program it posts
// holds (read back as the loader reads it), what it writes beside the program, in which order, and how
// each failure ends (nothing written when the build cannot be whole).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, beforeEach, describe, test } from 'node:test';

import { repo } from '../page/jsdom-page.mjs';
import { flow } from '../flow/flow-run.mjs';
import { loadExporter } from './export-page.mjs';
import { readProgram } from './standalone-reader.mjs';

const LOADER = Buffer.from('\x7fELF plain loader template\n');
const PATCHED = Buffer.from('\x7fELF loader with the user icon, a little longer\n');

// The files the fake host serves (decoded paths), and the folder listings it answers.
function hostFiles() {
  return new Map([
    ['Libraries/tailwind.min.js', 'TAILWIND'],
    ['Libraries/plyr.js', 'PLYR'], ['Libraries/plyr.css', 'PLYR CSS'], ['Libraries/plyr.svg', '<svg/>'],
    ['Fonts/phosphor/regular/style.css', 'PH CSS'], ['Fonts/phosphor/regular/Phosphor.woff2', 'PH FONT'],
    ['Images/placeholder255x255.png', 'PLACEHOLDER'],
    ['images/my pic.png', 'MY PIC'], ['images/café.png', 'CAFE'],
    ['images/car_1.png', 'CAR 1'], ['images/car_2.png', 'CAR 2'], ['images/other.png', 'OTHER'],
    ['sounds/beep.mp3', 'BEEP'], ['Videos/clip.mp4', 'CLIP'],
  ].map(([k, v]) => [k, Buffer.from(v)]));
}

let page;
let host;  // {files, saveReply, requests, posts, loaderStatus}

before(async () => {
  page = await loadExporter({
    before: (w) => {
      w.fetch = async (url, init = {}) => {
        const raw = String(url);
        const method = init.method || 'GET';
        const [route, query = ''] = raw.replace(/^\//, '').split('?');
        host.requests.push(method + ' ' + raw);
        if (method === 'POST') {
          const body = Buffer.from(init.body instanceof ArrayBuffer ? new Uint8Array(init.body) : init.body);
          host.posts.push({ route: decodeURIComponent(route), query: decodeURIComponent(query), body, token: init.headers['X-Quorlin-Token'] });
          const reply = route === 'saveexe' ? host.saveReply : 'ok';
          return new Response(reply, { status: reply === 'ok' ? 200 : 409 });
        }
        if (route === 'loader/quorlin_loader') return new Response(host.loaderStatus === 200 ? LOADER : 'The loader file does not exist.', { status: host.loaderStatus });
        if (route === 'patchloadericon') return new Response(PATCHED);
        if (route.startsWith('listdir/')) {
          const folder = decodeURIComponent(route.slice('listdir/'.length)) + '/';
          const names = [...host.files.keys()].filter((k) => k.startsWith(folder) && !k.slice(folder.length).includes('/'));
          return names.length ? new Response(JSON.stringify(names.map((n) => n.slice(folder.length)))) : new Response('', { status: 404 });
        }
        const file = host.files.get(decodeURIComponent(route));
        return file ? new Response(file) : new Response('', { status: 404 });
      };
    },
  });
  for (const file of ['editor/project/bridge-page.js', 'editor/project/media.js']) page.run(fs.readFileSync(path.join(repo, file), 'utf8'), file);
  page.run(`window._qlHostToken = 'T0K';
    window.__toasts = [];
    showToast = function (message, kind) { window.__toasts.push([message, kind]); };
    t = function (key, params) { return params ? key + ' ' + JSON.stringify(params) : key; };`);
});
after(() => page.close());

beforeEach(() => {
  host = { files: hostFiles(), saveReply: 'ok', requests: [], posts: [], loaderStatus: 200 };
  page.run(`elements = []; selectedIds = []; window.__toasts = []; localStorage.clear(); currentProjectName = 'My:App?';
    _pendingFlowImport = null; document.body.innerHTML = '';`);
});

// The dialog's options as fields of the page.
function options({ embed = true, autorun = false, savePath = '/out/dir/', icon = null } = {}) {
  page.run(`document.body.insertAdjacentHTML('beforeend',
    '<input type="checkbox" id="standalone-embed-check"><input type="checkbox" id="standalone-autorun-check">' +
    '<input type="checkbox" id="standalone-icon-check"><span id="standalone-icon-path"></span>' +
    '<input id="standalone-path-input"><input id="flag-icon-val">');`);
  page.window.__opts = { embed, autorun, savePath, icon };
  page.run(`document.getElementById('standalone-embed-check').checked = __opts.embed;
    document.getElementById('standalone-autorun-check').checked = __opts.autorun;
    document.getElementById('standalone-icon-check').checked = __opts.icon !== null;
    document.getElementById('flag-icon-val').value = __opts.icon || '';
    document.getElementById('standalone-path-input').value = __opts.savePath;`);
}

// A design with pictures named with a space and an "é", a player with a video, and flow code that
// names a sound in full and builds picture names from pieces.
function richDesign() {
  page.add('button', { text: 'Go', exportEvents: true });
  page.add('image', { src: 'images/my%20pic.png' });
  page.add('image', { src: 'images/café.png' });
  page.add('avplayer', { src: 'Videos/clip.mp4' });
  page.flow(flow({
    1: ['Event_OnClick', { elementId: 'go' }],
    2: ['FunctionJS', { code: 'var n = 1; var car = "/images/car_" + n + ".png"; new Audio(\'sounds/beep.mp3\');' }],
  }, [[1, 'flow_out', 2, 'flow_in']]));
}

describe('media named in flow code', () => {
  // [code, paths found, code as the page runs it]
  const CASES = [
    ['play("sounds/beep.mp3")', ['sounds/beep.mp3'], 'play("http://localhost:56789/sounds/beep.mp3")'],
    ["img.src = '/images/Logo.PNG'", ['images/Logo.PNG'], "img.src = 'http://localhost:56789/images/Logo.PNG'"],
    ['"/images/car_" + n + ".png"', [], '"http://localhost:56789/images/car_" + n + ".png"'],  // the bare extension stays
    ['x = "https://cdn.example/a.png"; y = "data:image/png;base64,AA.png"', [], 'x = "https://cdn.example/a.png"; y = "data:image/png;base64,AA.png"'],
    ['"Fonts/a.svg" + "Libraries/b.png"', [], '"Fonts/a.svg" + "Libraries/b.png"'],
    ['"a b.png" + "readme.txt"', [], '"a b.png" + "readme.txt"'],
  ];
  for (const [code, paths, rewritten] of CASES) {
    test(code, () => {
      page.window.__graph = { drawflow: { Home: { data: { 1: { data: { code } } } } } };
      assert.deepEqual(page.json('_qrlCollectCodeRelativePaths(window.__graph)'), paths);
      assert.equal(page.json('_qlRewriteMediaInCode(window.__graph)').drawflow.Home.data[1].data.code, rewritten);
    });
  }
});

const build = () => page.run('buildStandaloneExe()');
const toasts = () => page.json('window.__toasts');
const saved = () => host.posts.find((p) => p.route === 'saveexe');
const besides = () => host.posts.filter((p) => p.route.startsWith('saveasset/'));

describe('standalone builder', () => {
  test('embedded: everything in the container, media under their path and bare name, videos beside the program, the start with the last file', async () => {
    options({ embed: true, autorun: true });
    richDesign();
    assert.equal(await build(), 'saved');

    const exe = saved();
    assert.equal(exe.query, 'path=/out/dir/My_App_');  // a folder gets the application's name, no suffix
    assert.equal(exe.token, 'T0K');
    const program = readProgram(exe.body);
    assert.ok(exe.body.subarray(0, program.offset).equals(LOADER));
    const meta = JSON.parse(program.meta);
    assert.equal(meta.appName, 'My_App_');
    assert.equal(meta.embedded, true);
    const names = program.resources.map((r) => r.name);
    for (const [name, bytes] of [['Libraries/tailwind.min.js', 'TAILWIND'], ['Libraries/plyr.css', 'PLYR CSS'], ['Libraries/plyr.svg', '<svg/>'],
      ['images/my pic.png', 'MY PIC'], ['my pic.png', 'MY PIC'], ['images/café.png', 'CAFE'], ['café.png', 'CAFE'],
      ['images/car_1.png', 'CAR 1'], ['car_2.png', 'CAR 2'], ['sounds/beep.mp3', 'BEEP'], ['beep.mp3', 'BEEP']]) {
      const entry = program.resources.find((r) => r.name === name);
      assert.ok(entry, name + ' is in the container');
      assert.equal(entry.data.toString(), bytes, name);
    }
    assert.ok(!names.includes('images/other.png'), 'a file the code does not build is left out');
    assert.ok(!names.some((n) => n.endsWith('clip.mp4')), 'videos are served from disk');
    // The page's code reaches its pictures and sounds on the local server.
    assert.ok(program.html.includes('http://localhost:56789/images/car_'));
    assert.ok(!program.html.includes('localhost:56789/.png'), 'the bare extension the name is built with stays');
    assert.match(program.html, /http:\/\/localhost:56789\/sounds\/beep\.mp3/);

    assert.deepEqual(besides().map((p) => [p.route, p.query, p.body.toString()]), [['saveasset/Videos/clip.mp4', 'autorun=1', 'CLIP']]);
    assert.equal(exe.query.includes('autorun'), false, 'not started before its files are there');
    assert.deepEqual(toasts(), [['modal.exportModal.standaloneSaved {"name":"My_App_"}', 'success']]);
  });

  test('not embedded: an empty container, every file beside the program under its decoded name, the start with the last', async () => {
    options({ embed: false, autorun: true, savePath: '/out/App' });
    richDesign();
    assert.equal(await build(), 'saved');
    const program = readProgram(saved().body);
    assert.deepEqual(program.resources, []);
    assert.equal(JSON.parse(program.meta).embedded, false);
    assert.equal(saved().query, 'path=/out/App');
    const posts = besides();
    const routes = posts.map((p) => p.route);
    for (const name of ['Libraries/tailwind.min.js', 'images/my pic.png', 'images/café.png', 'Videos/clip.mp4', 'images/car_1.png', 'sounds/beep.mp3'])
      assert.ok(routes.includes('saveasset/' + name), name);
    assert.ok(!routes.includes('saveasset/my pic.png'), 'no bare-name copies on disk');
    // Sent encoded once, so the host decodes it to the very name the page asks for.
    assert.ok(host.requests.includes('POST /saveasset/images/my%20pic.png'));
    assert.ok(host.requests.includes('POST /saveasset/images/caf%C3%A9.png'));
    assert.ok(host.requests.includes('GET /images/caf%C3%A9.png'));
    assert.deepEqual(posts.map((p) => p.query), [...Array(posts.length - 1).fill(''), 'autorun=1']);
    // The program first, then its files.
    assert.ok(host.requests.indexOf('POST /saveexe?path=%2Fout%2FApp') < host.requests.findIndex((r) => r.startsWith('POST /saveasset/')));
  });

  test('embedded without media: fonts and libraries only; auto-run with the program itself when nothing goes beside it', async () => {
    options({ embed: true, autorun: true });
    page.add('icon', { iconClass: 'ph-star' });
    assert.equal(await build(), 'saved');
    const names = readProgram(saved().body).resources.map((r) => r.name).sort();
    assert.deepEqual(names, ['Fonts/phosphor/regular/Phosphor.woff2', 'Fonts/phosphor/regular/style.css', 'Libraries/tailwind.min.js']);
    assert.equal(saved().query, 'path=/out/dir/My_App_&autorun=1');
    assert.deepEqual(besides(), []);
  });

  const ICONS = [
    ['a chosen icon: the host patches it into the loader', '/home/me/app.ico', PATCHED, 'GET /patchloadericon?iconpath=%2Fhome%2Fme%2Fapp.ico'],
    ['the bare placeholder name counts as no icon', 'icon.ico', LOADER, 'GET /loader/quorlin_loader'],
  ];
  for (const [label, icon, loader, request] of ICONS) {
    test(label, async () => {
      options({ icon });
      page.add('button', {});
      assert.equal(await build(), 'saved');
      assert.ok(host.requests.includes(request), host.requests.join('\n'));
      const exe = saved().body;
      const program = readProgram(exe);
      assert.equal(program.offset, loader.length);
      assert.ok(exe.subarray(0, program.offset).equals(loader));
    });
  }

  test('without a save path the host is asked; its answer is remembered, a cancel ends quietly', async () => {
    options({ savePath: '' });
    page.add('button', {});
    const answered = build();
    await new Promise((r) => setTimeout(r, 50));
    assert.deepEqual(page.messages.at(-1), { id: 'quorlin', type: 'standalone_save_request', value: 'My_App_' });
    page.run("window._standaloneSavePath('/picked/App')");
    assert.equal(await answered, 'saved');
    assert.equal(saved().query, '');  // the host keeps the path it gave
    assert.equal(page.run("document.getElementById('standalone-path-input').value"), '/picked/App');
    assert.equal(page.run("localStorage.getItem('quorlin_standalone_path')"), '/picked/App');

    host.posts = [];
    page.run("document.getElementById('standalone-path-input').value = ''; localStorage.clear(); window.__toasts = []");
    const cancelled = build();
    await new Promise((r) => setTimeout(r, 50));
    page.run("window._standaloneSavePath('cancelled')");
    assert.equal(await cancelled, 'cancelled');
    assert.deepEqual(host.posts, []);
    assert.deepEqual(toasts(), []);
  });

  const FAILURES = [
    ['a running program: the save answers "locked"', () => { host.saveReply = 'locked'; }, 'locked',
      [['modal.exportModal.standaloneLocked', 'error']], ['saveexe']],
    ['a missing library fails the build before anything is written', () => { host.files.delete('Libraries/tailwind.min.js'); }, 'failed',
      [['modal.exportModal.standaloneError: Missing library: Libraries/tailwind.min.js', 'error']], []],
    ['no loader template', () => { host.loaderStatus = 404; }, 'failed',
      [['modal.exportModal.standaloneError: Fetch failed: loader/quorlin_loader (404 - The loader file does not exist.)', 'error']], []],
    ['a save the host refuses', () => { host.saveReply = 'The standalone program cannot be created.'; }, 'failed',
      [['modal.exportModal.standaloneError: Host save failed: The standalone program cannot be created.', 'error']], ['saveexe']],
    ['a name the loader could not read back is never written', () => {
      const long = 'images/' + 'a'.repeat(33000) + '.png';
      host.files.set(long, Buffer.from('LONG'));
      page.add('image', { src: long });
    }, 'failed', null, []],
    ['a missing picture is named and left out; the program is written', () => { host.files.delete('images/café.png'); }, 'saved',
      [['modal.exportModal.standaloneMissing {"files":"images/café.png"}', 'warning'], ['modal.exportModal.standaloneSaved {"name":"My_App_"}', 'success']],
      ['saveexe', 'saveasset/Videos/clip.mp4']],
  ];
  for (const [label, arrange, outcome, wantToasts, wantPosts] of FAILURES) {
    test(label, async () => {
      options({ embed: true });
      richDesign();
      arrange();
      page.run('console.error = function () {}');  // the builder logs the failure it shows
      assert.equal(await build(), outcome);
      if (wantToasts) assert.deepEqual(toasts(), wantToasts);
      else assert.match(toasts()[0][0], /^modal\.exportModal\.standaloneError: .*too large/);
      assert.deepEqual(host.posts.map((p) => p.route), wantPosts);
    });
  }
});
