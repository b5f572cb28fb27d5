// The page loader itself: scripts share one global scope, as classic <script> files do.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { loadPage } from './jsdom-page.mjs';

test('later scripts see earlier top-level functions, let and const; pb_event calls are recorded', async () => {
  const page = await loadPage({ html: '<!DOCTYPE html><body></body>' });
  page.run('const TABLE = [1, 2]; let counter = 0; function bump() { counter += TABLE.length; }');
  page.run('bump(); window.pb_event({id: "quorlin", type: "page_ready", value: ""});');
  assert.equal(page.run('counter'), 2);
  assert.deepEqual(page.messages, [{ id: 'quorlin', type: 'page_ready', value: '' }]);
  page.close();
});
