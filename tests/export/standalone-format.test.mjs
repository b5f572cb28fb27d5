// The bytes after the loader in a standalone program: the golden payload (the loader's reader tests read
// the same files), the settings the loader is given (window size, title bar, name) and the limits that
// keep an unreadable payload from being written.
// QUORLIN_WRITE_GOLDEN=1 writes the golden files anew from container.json (then review the diff).
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import { after, before, describe, test } from 'node:test';

import { loadPage, repo } from '../page/jsdom-page.mjs';
import { readProgram } from './standalone-reader.mjs';

const DIR = path.join(repo, 'tests/fixtures/standalone');
const golden = JSON.parse(fs.readFileSync(path.join(DIR, 'container.json'), 'utf8'));

let page;
before(async () => {
  page = await loadPage({
    scripts: ['editor/export/standalone-format.js'],
    html: '<!DOCTYPE html><body></body>',
    before: (window) => {
      window.eval('var elements = []; var canvasSettings = {}; var currentProjectName = "";');
    },
  });
});
after(() => page.close());

// Runs fn(window) in the page and returns plain data.
function inPage(code) {
  return page.run(code);
}
function design({ projectName = '', canvasSettings = {}, elements = [] } = {}) {
  page.window.__design = { projectName, canvasSettings, elements };
  inPage('currentProjectName = __design.projectName; canvasSettings = __design.canvasSettings; elements = __design.elements;');
}
const bytes = (buffer) => Buffer.from(new Uint8Array(buffer));

describe('golden payload', () => {
  test('the design gives the golden settings, written in member order', () => {
    const d = golden.design;
    design({ projectName: d.projectName, canvasSettings: d.canvasSettings, elements: [d.titlebar] });
    const metaText = inPage(`JSON.stringify(_qrlBuildMeta(${d.embedded}))`);
    assert.equal(metaText, golden.metaText);
    assert.deepEqual(JSON.parse(metaText), golden.meta);
  });

  test('container and whole program are byte for byte the golden files; an independent read gives the inputs back', () => {
    page.window.__golden = golden;
    const container = bytes(inPage(`_qrlBuildContainer(JSON.parse(__golden.metaText), __golden.html,
      __golden.resources.map((r) => ({ name: r.name, bytes: Uint8Array.from(atob(r.data), (c) => c.charCodeAt(0)) })))`));
    page.window.__container = new Uint8Array(container).buffer;
    const program = bytes(inPage(`(function () {
      const loader = _qrlU8(__golden.loader);
      return _qrlConcat([loader, __container, _qrlBuildFooter(loader.length, __container.byteLength)]);
    })()`));
    const read = readProgram(program);
    const layout = {
      payloadOffset: read.offset, payloadLength: read.length, fileSize: program.length,
      dataOffsets: read.resources.map((r) => r.dataOffset),
    };
    if (process.env.QUORLIN_WRITE_GOLDEN === '1') {
      fs.writeFileSync(path.join(DIR, 'container.bin'), container);
      fs.writeFileSync(path.join(DIR, 'payload.bin'), program);
      fs.writeFileSync(path.join(DIR, 'container.json'), JSON.stringify({ ...golden, layout }, null, 2) + '\n');
    }
    assert.ok(container.equals(fs.readFileSync(path.join(DIR, 'container.bin'))), 'container.bin');
    assert.ok(program.equals(fs.readFileSync(path.join(DIR, 'payload.bin'))), 'payload.bin');
    assert.deepEqual(layout, golden.layout);
    assert.equal(read.meta, golden.metaText);
    assert.equal(read.html, golden.html);
    assert.deepEqual(read.resources.map(({ name, data }) => ({ name, data: data.toString('base64') })), golden.resources);
    assert.equal(program.subarray(0, read.offset).toString('utf8'), golden.loader);
  });

  test('the same container after a loader of another size changes only the payload offset', () => {
    const program = fs.readFileSync(path.join(DIR, 'payload.bin'));
    const container = fs.readFileSync(path.join(DIR, 'container.bin'));
    page.window.__container = new Uint8Array(container).buffer;
    const other = bytes(inPage('_qrlConcat([new Uint8Array(1000), __container, _qrlBuildFooter(1000, __container.byteLength)])'));
    assert.ok(other.subarray(1000, other.length - 16).equals(program.subarray(golden.layout.payloadOffset, program.length - 16)));
    assert.equal(Number(other.readBigUInt64LE(other.length - 16)), 1000);
    assert.equal(Number(other.readBigUInt64LE(other.length - 8)), container.length);
  });
});

describe('container and footer', () => {
  test('no resources: the container ends in four zero bytes, straight before the footer', () => {
    const c = bytes(inPage('_qrlBuildContainer({}, "", [])'));
    assert.deepEqual([...c], [2, 0, 0, 0, 0x7b, 0x7d, 0, 0, 0, 0, 0, 0, 0, 0]);
  });

  test('lengths count UTF-8 bytes', () => {
    const c = bytes(inPage('_qrlBuildContainer({ a: "é" }, "中", [{ name: "é", bytes: new Uint8Array([7]) }])'));
    const metaLen = c.readUInt32LE(0);
    assert.equal(c.subarray(4, 4 + metaLen).toString('utf8'), '{"a":"é"}');
    assert.equal(metaLen, 10);
    assert.equal(c.readUInt32LE(4 + metaLen), 3);
    const entry = 4 + metaLen + 4 + 3 + 4;
    assert.equal(c.readUInt16LE(entry), 2);
    assert.equal(c.subarray(entry + 2, entry + 4).toString('utf8'), 'é');
  });

  const FOOTERS = [
    [0, 1],
    [29, 1234],
    [2 ** 32 + 5, 2 ** 33],           // above 32 bits: both halves written
    [Number.MAX_SAFE_INTEGER, 1],
  ];
  for (const [offset, length] of FOOTERS) {
    test(`footer for offset ${offset}, length ${length}`, () => {
      const f = bytes(inPage(`_qrlBuildFooter(${offset}, ${length})`));
      assert.equal(f.length, 24);
      assert.equal(f.subarray(0, 8).toString('latin1'), 'QORLNPAK');
      assert.equal(f.readBigUInt64LE(8), BigInt(offset));
      assert.equal(f.readBigUInt64LE(16), BigInt(length));
    });
  }

  test('a footer of a negative, fractional or unsafe count is refused', () => {
    for (const bad of ['-1, 1', '1.5, 1', '0, 2**53', '"8", 1']) {
      assert.throws(() => inPage(`_qrlBuildFooter(${bad})`), /not a byte count/, bad);
    }
  });

  test('a name the loader could not read back is refused, one byte shorter is written', () => {
    // The largest readable name is 32,767 bytes; 16,384 two-byte letters are 32,768.
    assert.throws(() => inPage('_qrlBuildContainer({}, "", [{ name: "é".repeat(16384), bytes: new Uint8Array(0) }])'), /too large/);
    const ok = bytes(inPage('_qrlBuildContainer({}, "", [{ name: "a".repeat(32767), bytes: new Uint8Array(0) }])'));
    assert.equal(ok.readUInt16LE(14), 32767);
  });

  test('a resource or page of 2^31 bytes is refused before anything is allocated', () => {
    // A stand-in view that only reports its length.
    inPage('window.__huge = { length: 2147483648 }; window.__huge.__proto__ = Uint8Array.prototype;');
    assert.throws(() => inPage('_qrlBuildContainer({}, "", [{ name: "big", bytes: __huge }])'), /too large/);
  });
});

describe('settings for the loader', () => {
  const WINDOWS = [
    ['responsive', {}, [1920, 1080]],
    ['none set', { resolution: '' }, [1920, 1080]],
    ['centered', { resolution: 'centered' }, [1920, 1080]],
    ['1280x720', { resolution: '1280x720' }, [1280, 720]],
    ['Wx (one part no number)', { resolution: '800xabc' }, [800, 768]],
    ['three parts', { resolution: '1x2x3' }, [1024, 768]],
    ['custom', { resolution: 'custom', customW: 640, customH: '480' }, [640, 480]],
    ['custom, empty width', { resolution: 'custom', customW: '', customH: 500 }, [1024, 500]],
    ['custom, zero height', { resolution: 'custom', customW: 300, customH: 0 }, [300, 768]],
  ];
  for (const [label, cs, [w, h]] of WINDOWS) {
    test(`window size: ${label}`, () => {
      design({ canvasSettings: cs });
      const got = JSON.parse(inPage('JSON.stringify(_qrlWindowSize())'));
      assert.deepEqual([got.w, got.h], [w, h]);
    });
  }

  test('window limits: set values, 0 below and 8192 above when unset', () => {
    design({ canvasSettings: { resolution: 'responsive', minW: 300, minH: 0, maxW: 1600, maxH: -4 } });
    assert.deepEqual(JSON.parse(inPage('JSON.stringify(_qrlWindowSize())')),
      { w: 1920, h: 1080, minW: 300, minH: 0, maxW: 1600, maxH: 8192 });
  });

  const NAMES = [['My:App?', 'My_App_'], ['a\\b/c*d"e<f>g|h', 'a_b_c_d_e_f_g_h'], ['', 'QuorlinApp'], ['Café 中', 'Café 中']];
  for (const [name, want] of NAMES) {
    test(`application name of "${name}"`, () => {
      design({ projectName: name });
      assert.equal(inPage('_qrlAppName()'), want);
    });
  }

  const bar = (fields) => ({ id: 'con_bar', type: 'container', isTitlebar: true, windowMaximize: -1, windowMinimize: -1, windowClose: -1,
    windowMaximizeId: '', windowMinimizeId: '', windowCloseId: '', ...fields });
  const TITLEBARS = [
    ['no title bar', [{ id: 'con_x', type: 'container', isTitlebar: false }], {},
      { available: false, radiusTL: 0, radiusTR: 0, radiusBR: 0, radiusBL: 0, maxBtn: '', minBtn: '', closeBtn: '' }],
    ['a title bar with a preset', [bar({})], { windowRadius: 'rounded-xl' },
      { available: true, radiusTL: 12, radiusTR: 12, radiusBR: 12, radiusBL: 12, maxBtn: '', minBtn: '', closeBtn: '' }],
    ['an unknown preset gives 0', [bar({})], { windowRadius: 'rounded-weird' },
      { available: true, radiusTL: 0, radiusTR: 0, radiusBR: 0, radiusBL: 0, maxBtn: '', minBtn: '', closeBtn: '' }],
    ['custom corners, all empty: 0', [bar({})], { windowRadius: 'custom' },
      { available: true, radiusTL: 0, radiusTR: 0, radiusBR: 0, radiusBL: 0, maxBtn: '', minBtn: '', closeBtn: '' }],
    ['buttons: -1 hides an id, null with an id shows it', [bar({ windowMaximize: null, windowMaximizeId: 'b1', windowMinimize: -1,
      windowMinimizeId: 'b2', windowClose: null, windowCloseId: '' })], { windowRadius: 'rounded-full' },
    { available: true, radiusTL: 9999, radiusTR: 9999, radiusBR: 9999, radiusBL: 9999, maxBtn: 'b1', minBtn: '', closeBtn: '' }],
    ['the first marked nine-slice counts; a marked text does not', [{ id: 'txt_a', type: 'text', isTitlebar: true },
      { ...bar({ windowClose: null, windowCloseId: 'c1' }), type: 'nineslice' }], {},
    { available: true, radiusTL: 0, radiusTR: 0, radiusBR: 0, radiusBL: 0, maxBtn: '', minBtn: '', closeBtn: 'c1' }],
  ];
  for (const [label, elements, cs, want] of TITLEBARS) {
    test(`title bar: ${label}`, () => {
      design({ elements, canvasSettings: cs });
      assert.equal(inPage('JSON.stringify(_qrlTitlebarMeta())'), JSON.stringify(want));
    });
  }

  const RESOURCE_NAMES = [
    ['images/logo.png', ['images/logo.png', 'logo.png']],
    ['/images/my%20pic.png', ['images/my pic.png', 'my pic.png']],
    ['images/caf%C3%A9.png', ['images/café.png', 'café.png']],
    ['images/café.png', ['images/café.png', 'café.png']],
    ['logo.png', ['logo.png']],
    ['images/100%.png', ['images/100%.png', '100%.png']],  // not an escape: kept as written
  ];
  for (const [path, want] of RESOURCE_NAMES) {
    test(`media entry names of ${path}`, () => {
      assert.deepEqual(JSON.parse(inPage(`JSON.stringify(_qrlMediaEntryNames(${JSON.stringify(path)}))`)), want);
    });
  }
});
