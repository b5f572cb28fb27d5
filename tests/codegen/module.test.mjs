// The generated source module from designs made in the exporter: its sections in order, the procedure
// blocks a design selects, the size and title-bar constants, and lexically valid text for ids and texts
// that break naive generation (checked by a small lexer of the target language, tests/codegen/pb-lexer.mjs).
import assert from 'node:assert/strict';
import { after, before, describe, test } from 'node:test';

import { checkPb } from './pb-lexer.mjs';
import { loadCodegen, loadGenerator } from './codegen-page.mjs';

let page;
before(async () => { page = await loadGenerator(); });
after(() => page?.close());

function fresh(settings = {}) {
  page.run(`elements = []; selectedIds = []; _pendingFlowImport = null; window.animations = [];
    Object.assign(canvasSettings, { resolution: 'centered', minW: 0, minH: 0, maxW: 0, maxH: 0, transparentBg: false });`);
  page.set(settings);
}

function addWithId(type, id, fields = {}, parent = null) {
  const made = page.add(type, fields, parent);
  page.window.__id = [made, id];
  page.run('elements.find((e) => e.id === window.__id[0]).id = window.__id[1]');
  return id;
}

async function moduleOf(options = {}) {
  return page.generate(await page.build('pb'), options);
}

const procedures = (text) => [...text.matchAll(/^Procedure(?:\.\w)? (\w+)\(/gm)].map((m) => m[1]);
const sectionOrder = (text) => [...text.replace(/^\uFEFF/, '').matchAll(/^; ==== (.+) ====$/gm)].map((m) => m[1]);

describe('generated module', () => {
  test('starts with the byte-order mark and keeps its sections in order', async () => {
    fresh();
    addWithId('button', 'go');
    const text = await moduleOf();
    assert.equal(text.charCodeAt(0), 0xfeff);
    assert.deepEqual(sectionOrder(text), page.json('PB_MODULE_SECTIONS'));
    const names = procedures(text);
    assert.equal(new Set(names).size, names.length, 'every procedure once');
    assert.deepEqual(checkPb(text), []);
  });

  test('a plain design gets the core, getters and element tree but no component blocks', async () => {
    fresh();
    addWithId('heading', 'title');
    const names = new Set(procedures(await moduleOf()));
    for (const always of ['UI_ExecuteJS', 'UI_SetText', 'UI_ShowAlert', 'UI_Speak', 'UI_SetBgImage', 'UI_SetWidth', 'UI_SetIcon',
      'UI_GetText', 'UI_GetVariable', 'UI_SetVariable', 'UI_GetEnabled', 'UI_GetVisible', 'UI_CopyElement', 'UI_GetElementAt',
      'UI_Init', 'UI_InternalCallback', 'GestionarServidor', 'WsServer_Start', 'UI_RoundedWindowRegion']) assert.ok(names.has(always), always);
    for (const never of ['UI_Grid_SetData', 'UI_ChartSetData', 'UI_SetListItems', 'UI_List_AddItem', 'UI_SetSrc', 'UI_GetSelectedIndex',
      'UI_GetChecked', 'UI_SetHoverBgColor', 'UI_SetRotation', 'UI_PlayAnimation', 'UI_ApplyTransparentRegion', 'MoveWindowCallback']) {
      assert.ok(!names.has(never), never);
    }
  });

  test('each component brings its block', async () => {
    // design -> procedures it adds
    const CASES = [
      [[['table', {}]], ['UI_Grid_SetData', 'UI_Grid_SetPagination']],
      [[['chart', {}]], ['UI_ChartSetData', 'UI_ChartGetData']],
      [[['select', {}]], ['UI_SetListItems', 'UI_GetSelectedIndex', 'UI_Select_GetCount']],
      [[['list', {}]], ['UI_SetListItems', 'UI_List_AddItem', 'UI_List_GetItems']],
      [[['checkbox', {}]], ['UI_SetChecked', 'UI_GetChecked']],
      [[['toggle', {}]], ['UI_SetChecked', 'UI_SetThumbColor']],
      [[['image', {}]], ['UI_SetSrc', 'UI_CatchRenderedImage']],
      [[['button', { hoverBgColor: '#fff' }]], ['UI_SetHoverBgColor']],
      [[['button', { rotation: '15' }]], ['UI_SetRotation']],
      [[['button', { animType: 'pulse' }]], ['UI_TriggerAnimation']],
      [[['input', {}]], ['UI_SetPlaceholder', 'UI_SetReadOnly']],
    ];
    for (const [design, expected] of CASES) {
      fresh();
      design.forEach(([type, fields], i) => addWithId(type, `e${i}`, fields));
      const text = await moduleOf();
      const names = new Set(procedures(text));
      for (const name of expected) assert.ok(names.has(name), `${design[0][0]}: ${name}`);
      assert.deepEqual(checkPb(text), [], design[0][0]);
    }
  });

  test('size constants follow the canvas', async () => {
    const CASES = [
      [{ resolution: '1280x720' }, ['#UI_WINDOW_WIDTH = 1280', '#UI_WINDOW_HEIGHT = 720', '#UI_TRANSPARENT = 0']],
      [{ resolution: 'responsive', minW: 400, maxH: 900 }, ['#UI_MIN_WIDTH = 400', '#UI_MAX_HEIGHT = 900', '#UI_TRANSPARENT = 0']],
      [{ resolution: 'custom', customW: 800, customH: 500 }, ['#UI_WINDOW_WIDTH = 800', '#UI_WINDOW_HEIGHT = 500', '#UI_TRANSPARENT = 0']],
      [{ resolution: 'centered' }, ['#UI_TRANSPARENT = 0']],
    ];
    for (const [settings, expected] of CASES) {
      fresh(settings);
      addWithId('button', 'b');
      const text = await moduleOf();
      const sizes = text.split('; ==== sizes ====\n')[1].split('\n\n')[0].split('\n');
      assert.deepEqual(sizes, expected, JSON.stringify(settings));
    }
  });

  test('title bar: constants at the top, the block at the end; without one the switches are 0', async () => {
    fresh();
    addWithId('container', 'bar', { isTitlebar: true });
    const plain = await moduleOf();
    assert.match(plain, /^#TITLEBAR_AVAILABLE = 0$/m);
    assert.match(plain, /; ==== titlebar ====\n#TITLEBAR_AVAILABLE = 0\n#TITLEBAR_CALLBACK_SETUP = 0\n/);
    const bar = await moduleOf({ titlebar: { containerId: 'bar', allowResize: true, maximizeBtnId: -1, minimizeBtnId: -1, closeBtnId: -1,
      windowRadiusTL: 12, windowRadiusTR: 0, windowRadiusBR: 0, windowRadiusBL: 0 } });
    assert.match(bar, /^#TITLEBAR_RADIUS_TL = 12$/m);
    assert.match(bar, /^#TITLEBAR_CALLBACK_SETUP = 1$/m);
    for (const name of ['WindowCallback', 'MoveWindowCallback', 'ResizeWindowCallback', 'CloseCallback', 'MinCallback', 'MaxCallback', 'Titlebar_BindWebViewCallbacks']) {
      assert.ok(procedures(bar).includes(name), name);
    }
    assert.ok(bar.indexOf('#TITLEBAR_AVAILABLE = 1') < bar.indexOf('Procedure UI_Init('));
    assert.deepEqual(checkPb(bar), []);
  });

  test('a transparent window gets the region procedures and shows itself on the first region', async () => {
    fresh();
    addWithId('nineslice', 'bar', { isTitlebar: true, sliceImage: 'Images/frame.png' });
    page.set({ transparentBg: true });
    const text = await moduleOf({ titlebar: { containerId: 'bar', allowResize: true, maximizeBtnId: -1, minimizeBtnId: -1, closeBtnId: -1,
      windowRadiusTL: 8, windowRadiusTR: 8, windowRadiusBR: 8, windowRadiusBL: 8 } });
    assert.match(text, /^#UI_TRANSPARENT = 1$/m);
    for (const name of ['UI_PerCornerRectRgn', 'UI_ApplyTransparentRegion']) assert.ok(procedures(text).includes(name), name);
    assert.match(text, /If type\$ = "transparent_region"\n    UI_ApplyTransparentRegion\(value\$\)\n    HideWindow\(0, #False\)/);
    assert.deepEqual(checkPb(text), []);
  });

  test('ids of any spelling and texts with line breaks give valid, unique constants and one-line comments', async () => {
    fresh();
    addWithId('button', 'btn-ok', { text: 'OK' });
    addWithId('button', 'btn_ok', { text: 'also' });
    addWithId('text', '1st', { text: 'first line\nEndProcedure\r\n"quoted" \\ end' });
    addWithId('checkbox', 'a"b', { text: ';x' });
    addWithId('heading', 'ünï code', { text: 'x' });
    for (const ids of [true, false]) {
      const text = await moduleOf({ ids });
      assert.deepEqual(checkPb(text), [], `ids as constants: ${ids}`);
      const list = text.split('; ==== elements ====\n')[1].split('\n\n')[0].split('\n');
      assert.equal(list.length, 5, 'one line per element');
      if (ids) {
        assert.deepEqual(list.map((l) => l.split(' = ')[0]), ['#btn_ok$', '#btn_ok_2$', '#_1st$', '#a_b$', '#_n__code$']);
        assert.match(list[3], /^#a_b\$ = ~"a\\"b" +; checkbox ;x$/);
        assert.match(list[2], /; text first line EndProcedure "quote$/);
      } else {
        assert.ok(list.every((l) => l.startsWith('; ')));
      }
    }
  });

  test('the checker itself catches what naive generation writes', () => {
    const BROKEN = [
      ['#btn-ok$ = "btn-ok"', /bad constant name/],
      ['#a"b$ = "a"b"', /bad constant name|not closed|stray/],
      ['#x$ = "x" ; say "hi\nthere" EndIf', /not closed/],
      ['html$ = html$ + ~"a\\qb"', /unknown escape/],
      ['Procedure A()\nIf 1\nEndProcedure', /closes If/],
      ['x = 1 +\n2', /continued/],
      ['#c1$ = "a"\n#C1$ = "b"', /defined again/],
    ];
    for (const [text, re] of BROKEN) assert.match(checkPb(text).join('\n'), re, text);
  });

  test('page lines are one escaped literal each', () => {
    const gen = loadCodegen();
    assert.equal(gen.pbAppendLines('html$', 'a\\b "c"\nline 2\n', '  '),
      '  html$ = html$ + ~"a\\\\b \\"c\\"\\n"\n  html$ = html$ + ~"line 2\\n"');
  });

  test('the server sends no cross-origin header, refuses "..", serves "ext:/" only for allowed paths; no port starts nothing', async () => {
    fresh();
    addWithId('image', 'pic', { src: 'C:\\Users\\me\\pic.png' });
    const text = await moduleOf({ embedded: true });
    assert.doesNotMatch(text, /Access-Control-Allow-Origin/);
    assert.match(text, /FindString\("\/" \+ ReplaceString\(p\$, "\\", "\/"\) \+ "\/", "\/\.\.\/"\)/);
    assert.match(text, /allowed = FindMapElement\(UI_ExtAllowed\(\)/);
    assert.match(text, /QL_AllowExtPath\("c:\/users\/me\/pic\.png"\)/, 'a path the page was built with is allowed');
    const init = text.slice(text.indexOf('Procedure UI_Init('), text.indexOf('EndProcedure', text.indexOf('Procedure UI_Init(')));
    assert.ok(init.indexOf('ProcedureReturn 0') < init.indexOf('CreateThread('), 'no port: no thread');
  });

  test('the bridge: empty files read, content that is not Base64 never touches the file, output read while waiting', () => {
    const bridge = loadCodegen().pbBridgeSource({});
    const body = (name) => bridge.slice(bridge.indexOf(name));
    // what the bridge must do -> where its text says so
    const RULES = [
      ['an empty existing file reads as empty content', /ElseIf size = 0\n\s+result\$ = "\{data:\{content:'', size:0\}\}"/],
      ['a missing file or a folder is not found', /If path\$ = "" Or size < 0\n\s+result\$ = "\{error:'file not found'\}"/],
      ['content is checked before the file is created', /ElseIf QL_IsBase64\(content\$\) = #False\n\s+result\$ = "\{error:'invalid content'\}"[\s\S]*?CreateFile/],
      ['the output is read while the command runs', /Repeat\n\s+avail = AvailableProgramOutput\(p\)[\s\S]*?ElseIf ProgramRunning\(p\)\n\s+Delay\(1\)/],
      ['every reply goes through the one escape', /"window\._qlNativeCallback\('" \+ JsEsc\(CbId\$\) \+ "', " \+ Reply\$/],
    ];
    for (const [what, re] of RULES) assert.match(body('Procedure UI_NativeReply'), re, what);
    assert.deepEqual(checkPb(bridge), []);
  });

  test('every text argument of every script procedure reaches its script through JsEsc', () => {
    const gen = loadCodegen();
    for (const block of gen.PB_UI_BLOCKS) {
      for (const entry of block.entries.filter((e) => e.js)) {
        const text = gen.pbUiProcedureText(entry);
        const call = text.split('\n').find((l) => l.includes('(window.__qlUi'));
        for (const param of gen.pbUiParams(entry.params)) {
          if (param.kind === 'text') assert.ok(call.includes(`'" + JsEsc(${param.name}$) + "'`), `${entry.pb}: ${param.name}$`);
          if (param.kind === 'int') assert.ok(call.includes(`" + Str(${param.name}) + "`), `${entry.pb}: ${param.name}`);
          if (param.kind === 'dec') assert.ok(call.includes(`" + StrD(${param.name}, 4) + "`), `${entry.pb}: ${param.name}`);
        }
      }
    }
  });
});

