// Values written into an exported page's scripts cannot end them: an animation name, a keyframe value and a
// list translation holding "</script>" (and "<!--") leave the page with the scripts a plain design has, arrive
// in the page unchanged, and run nothing of their own.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadExporter, runDocument } from './export-page.mjs';

const HOSTILE = [
  '</script><script>window.__ran = (window.__ran || 0) + 1</script>',
  '<!--<script>window.__ran = (window.__ran || 0) + 1</script>',
  '</SCRIPT ><img src=x onerror="window.__ran = 1">',
];

async function build(words) {
  const exporter = await loadExporter();
  try {
    const plain = exporter.window.t;
    exporter.window.t = (key) => (key === 'list.deleteConfirm' ? words.list : plain(key));
    exporter.run('elements = []');
    const b = exporter.add('button', { text: 'Go' });
    const list = exporter.add('list', { width: '300px' });
    exporter.add('text', { text: 'One' }, list);
    exporter.window.__anims = [{ id: 'a1', name: words.name, duration: 1, loop: false, autoRun: false, muted: {},
      tracks: { [b]: { bgColor: [{ t: 0, v: '#ff0000' }, { t: 1, v: words.value }] } } }];
    exporter.run('animations = window.__anims');
    return { html: await exporter.build('pb', null, false), parse: exporter.parseDocument };
  } finally {
    exporter.close();
  }
}

test('"</script>" in an animation name, a keyframe value and a list translation stays data', async () => {
  const plain = await build({ name: 'Fade', value: '#0000ff', list: 'Delete?' });
  const shape = (built) => [...built.parse(built.html).querySelectorAll('script')].map((s) => (s.src ? 'src' : 'inline'));
  for (const words of HOSTILE) {
    const built = await build({ name: 'Fade ' + words, value: '#0000ff' + words, list: 'Delete? ' + words });
    assert.deepEqual(shape(built), shape(plain), `the page's scripts are the plain design's, with ${words}`);
    const page = await runDocument(built.html);
    try {
      const data = page.json('__animationsData');
      assert.equal(data[0].name, 'Fade ' + words);
      assert.equal(data[0].tracks[0].keyframes[1].v, '#0000ff' + words);
      assert.equal(page.json('QuorlinList._i18n.deleteConfirm'), 'Delete? ' + words);
      assert.equal(page.window.__ran, undefined, 'nothing of the values ran');
      assert.equal(page.document.querySelectorAll('img').length, 0);
    } finally {
      page.close();
    }
  }
});
