// The seven locale files hold every key the page asks for, the same keys each, and the skeleton's own
// Spanish wording is the Spanish file's.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { JSDOM } from 'jsdom';

import { checkLocales, flatten, readLocale } from './locale-keys.mjs';
import { pageMarkup } from './jsdom-page.mjs';

test('every key the page asks for is in all seven locale files, which hold the same keys and placeholders', () => {
  const { used, problems } = checkLocales();
  assert.ok(used.size > 0, 'the scan found the page\'s keys');
  assert.deepEqual(problems, []);
});

test('the page\'s initial texts, titles and placeholders (its fragments and generated markup too) are the Spanish file\'s', () => {
  const es = flatten(readLocale('es'));
  const { document } = new JSDOM(pageMarkup()).window;
  const mismatches = [];
  const expect = (el, key, actual) => {
    if (actual !== es.get(key)) mismatches.push(`#${el.id || el.tagName} ${key}: "${actual}" vs "${es.get(key)}"`);
  };
  for (const el of document.querySelectorAll('[data-i18n]')) {
    const texts = [...el.childNodes].filter((n) => n.nodeType === 3 && n.nodeValue.trim());
    expect(el, el.dataset.i18n, el.children.length ? texts.at(-1)?.nodeValue.trim() : el.textContent);
  }
  for (const el of document.querySelectorAll('[data-i18n-title]')) expect(el, el.dataset.i18nTitle, el.title);
  for (const el of document.querySelectorAll('[data-i18n-ph]')) expect(el, el.dataset.i18nPh, el.placeholder);
  assert.deepEqual(mismatches, []);
});
