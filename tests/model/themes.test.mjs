// Themes: token resolution, the page variables, the theme creator and the theme store.
import assert from 'node:assert/strict';
import { test, describe } from 'node:test';

import { loadModel } from './model-page.mjs';

const storedThemes = (page) => JSON.parse(page.window.localStorage.getItem('quorlin_themes'));
// What the store must hold for the editor's current themes: all but the ephemeral one.
const editorThemesForStore = (page) => page.json('canvasSettings.themes.filter((_, i) => i !== _ephemeralThemeIdx)');

describe('resolveColor', () => {
  test('tokens, export variables, CSS values and unknown tokens', async () => {
    const page = await loadModel();
    const cases = [
      ['th:bgPanel', false, '#1E293B'],
      ['th:bgPanel', true, 'var(--th-bg-panel)'],
      ['th:accentMod2', true, 'var(--th-accent3)'],
      ['th:extra4', false, '#06B6D4'],
      ['th:noSuchToken', false, ''],
      ['th:noSuchToken', true, 'th:noSuchToken'],
      ['#ff0000', false, '#ff0000'],
      ['rgba(0, 0, 0, 0.5)', true, 'rgba(0, 0, 0, 0.5)'],
      ['red', false, 'red'],
      ['', false, ''],
      [null, false, ''],
      ['__custom__', false, ''],
    ];
    for (const [value, forExport, expected] of cases) {
      assert.equal(page.run(`resolveColor(${JSON.stringify(value)}, ${forExport})`), expected, `${value} ${forExport}`);
    }
    // A theme of an older project without the extra tokens: no colour in the editor.
    page.run('canvasSettings.themes.push({name: "Old", type: "dark", textPrimary: "#111111"}); canvasSettings.activeTheme = 10;');
    assert.equal(page.run('resolveColor("th:extra1")'), '');
    assert.equal(page.run('resolveColor("th:textPrimary")'), '#111111');
  });
});

describe('page variables', () => {
  test('the style element carries the theme, with fallbacks and without foreign CSS', async () => {
    const page = await loadModel();
    page.run('applyThemeCSSVars({name: "x", textPrimary: "#010203", textSecondary: "#0a0b0c", accentPrimary: "#abcdef", bgPanel: "#222222", border: "red;} body{display:none"})');
    const css = page.run('document.getElementById("dynamic-root-styles").textContent');
    for (const line of ['--th-text1: #010203;', '--th-text3: #0a0b0c;', '--th-bg-panel2: #222222;', '--th-extra2: #808080;',
      '--accent-row: #abcdef33;', '--accent-cell: #abcdef80;', '--th-border: initial;']) {
      assert.ok(css.includes(line), line);
    }
    assert.ok(!css.includes('display:none'));
    assert.equal(page.run('document.querySelectorAll("#dynamic-root-styles").length'), 1);
    page.run('applyThemeCSSVars()');
    assert.equal(page.run('document.querySelectorAll("#dynamic-root-styles").length'), 1);
    // Preview strip of the first built-in: lightest first, darkest last.
    const swatches = page.json('[...document.querySelectorAll("#theme-preview-strip span")].map(s => s.getAttribute("style"))');
    assert.equal(swatches.length, 16);
    assert.equal(swatches[0], 'background:#F8FAFC');
    assert.equal(swatches[15], 'background:#020617');
  });
});

describe('theme creator', () => {
  test('create, delete and the one-theme refusal', async () => {
    const page = await loadModel();
    page.run('canvasSettings.themes = canvasSettings.themes.slice(0, 3); setActiveTheme(1); createTheme();');
    assert.deepEqual(page.json('[canvasSettings.activeTheme, getActiveTheme().name, getActiveTheme().i18nKey]'), [3, 'Tema 4', null]);
    assert.equal(page.run('document.getElementById("input-theme-name").value'), 'Tema 4');
    assert.equal(page.run('document.getElementById("input-active-theme").selectedOptions[0].textContent'), 'Tema 4');
    page.run('setActiveTheme(1); deleteTheme();');
    assert.deepEqual(page.json('[canvasSettings.activeTheme, canvasSettings.themes.map(t => t.name)]'),
      [0, ['Estudio Oscuro', 'Neon Cyberpunk', 'Tema 4']]);
    page.run('canvasSettings.themes = [canvasSettings.themes[0]]; deleteTheme();');
    assert.equal(page.run('canvasSettings.themes.length'), 1);
    assert.deepEqual(page.toasts.at(-1), { message: 'toast.themeMinOne', type: 'error', duration: 3000 });
  });

  test('every colour code is readable on its own swatch, in every built-in theme', async () => {
    const page = await loadModel();
    // WCAG contrast of two "#rrggbb" colours.
    const ratio = (a, b) => {
      const [x, y] = [a, b].map((c) => page.run(`_relativeLuminance(${JSON.stringify(c.slice(0, 7))})`)).sort((m, n) => n - m);
      return (x + 0.05) / (y + 0.05);
    };
    page.run(`THEME_COLOR_KEYS.forEach((k) => document.getElementById('theme-color-label-' + k) ||
      document.body.insertAdjacentHTML('beforeend', '<button id="theme-color-btn-' + k + '"></button><span id="theme-color-label-' + k + '"></span>'))`);
    const themes = page.json('canvasSettings.themes.map((_, i) => i)');
    for (const i of themes) {
      page.run(`setActiveTheme(${i})`);
      const swatches = page.json(`THEME_COLOR_KEYS.map((k) => [k, getActiveTheme()[k],
        document.getElementById('theme-color-label-' + k).style.color])`);
      for (const [key, colour, text] of swatches) {
        const hex = '#' + text.match(/\d+/g).map((n) => Number(n).toString(16).padStart(2, '0')).join('');
        assert.ok(ratio(colour, hex) >= 4.5, `theme ${i} ${key}: ${hex} on ${colour} is ${ratio(colour, hex).toFixed(2)}:1`);
      }
    }
    // The flow headers' rule: black above a brightness of 150.
    assert.deepEqual(['#969696', '#979797', '#94a3b8ff', 'nonsense'].map((c) => page.run(`_brightnessTextColour(${JSON.stringify(c)})`)),
      ['#ffffff', '#000000', '#000000', '']);
  });

  test('after a theme is deleted the list shows the theme that is active', async () => {
    // [what is deleted, set-up]
    const CASES = [
      ['the first', 'setActiveTheme(0);'],
      ['one in the middle', 'setActiveTheme(4);'],
      ['the last', 'setActiveTheme(canvasSettings.themes.length - 1);'],
      ['one before a project\'s theme', 'canvasSettings.themes.push({ name: "P *", type: "dark" }); _ephemeralThemeIdx = 10; setActiveTheme(3);'],
      ['one after a new theme', 'createTheme(); setActiveTheme(10);'],
    ];
    for (const [what, setup] of CASES) {
      const page = await loadModel();
      page.run(setup + ' deleteTheme();');
      const shown = page.json(`(function () {
        const s = document.getElementById('input-active-theme');
        return [s.selectedIndex, s.options[s.selectedIndex].textContent, document.getElementById('input-theme-name').value];
      })()`);
      const active = page.json('[canvasSettings.activeTheme, _themeDisplayName(getActiveTheme())]');
      assert.deepEqual(shown, [active[0], active[1], active[1]], what);
    }
  });

  test('the live colour render waits 20 ms after the last move and stores nothing', async () => {
    const page = await loadModel();
    page.run('createTheme(); localStorage.removeItem("quorlin_themes");');
    page.calls.length = 0;
    page.run('updateThemeColorLive("accentPrimary", "#000001"); updateThemeColorLive("accentPrimary", "#000002");');
    assert.ok(page.run('document.getElementById("dynamic-root-styles").textContent').includes('--th-accent1: #000002;'));
    await new Promise((r) => setTimeout(r, 60));
    assert.deepEqual(page.calls.filter((c) => c === 'renderCanvas'), ['renderCanvas']);
    assert.equal(page.window.localStorage.getItem('quorlin_themes'), null);
  });

  test('a colour edit on a built-in theme lands in a copy that survives the next start', async () => {
    const page = await loadModel();
    page.run('setActiveTheme(0); updateThemeColorLive("accentPrimary", "#111111"); updateThemeColor("accentPrimary", "#123456");');
    assert.equal(page.run('canvasSettings.themes[0].accentPrimary'), '#3B82F6', 'the built-in is untouched');
    assert.deepEqual(page.json('[canvasSettings.activeTheme, getActiveTheme().name, getActiveTheme().accentPrimary, "i18nKey" in getActiveTheme()]'),
      [1, 'Estudio Oscuro (theme.editedCopy)', '#123456', false]);
    assert.equal(page.toasts.at(-1).type, 'info');
    const next = await loadModel({ storage: { quorlin_themes: page.window.localStorage.getItem('quorlin_themes') } });
    next.run('loadThemesFromStorage()');
    assert.deepEqual(next.json('[canvasSettings.activeTheme, getActiveTheme().accentPrimary, canvasSettings.themes[0].accentPrimary]'),
      [1, '#123456', '#3B82F6']);
    // Copy and colour were one step: one undo removes both, and the store follows.
    page.run('undo()');
    assert.equal(page.run('canvasSettings.themes.length'), 10);
    assert.deepEqual(storedThemes(page).themes, editorThemesForStore(page));
  });

  test('a user theme cannot take a built-in name, and a renamed built-in becomes the user\'s', async () => {
    const page = await loadModel();
    page.run('createTheme(); renameTheme("Nordico Oscuro");');
    assert.equal(page.run('getActiveTheme().name'), 'Nordico Oscuro (2)');
    page.run('setActiveTheme(0); renameTheme("Mi tema");');
    assert.deepEqual(page.json('[getActiveTheme().name, getActiveTheme().i18nKey]'), ['Mi tema', null]);
  });
});

describe('theme store', () => {
  test('merging the store with the built-ins', async () => {
    const page = await loadModel();
    const builtIn = (name) => ({ name, type: 'dark', accentPrimary: '#000000' });
    const stored = [builtIn('Nocturno'), { name: 'Mine', type: 'light', accentPrimary: '#abcdef' }, builtIn('Estudio Oscuro'),
      builtIn('Azul Hielo'), { name: 'Other', type: 'dark' }];
    const merged = page.json(`_mergeStoredThemes(${JSON.stringify(stored)}, 4)`);
    const names = merged.themes.map((t) => t.name);
    assert.deepEqual(names.slice(0, 3), ['Mine', 'Estudio Oscuro', 'Other']);
    assert.equal(names.length, 12, 'the nine missing built-ins are appended');
    assert.ok(!names.includes('Nocturno') && !names.includes('Azul Hielo'));
    assert.equal(merged.themes[1].accentPrimary, '#3B82F6', 'a stored built-in comes back with the built-in colours');
    assert.equal(merged.themes[0].accentPrimary, '#abcdef');
    assert.equal(merged.activeTheme, 2, 'the active theme follows its theme');
  });

  test('storing leaves out the ephemeral theme and moves the active index', async () => {
    const page = await loadModel();
    // [ephemeral index, active index, stored active index]
    const cases = [[1, 3, 2], [1, 1, 0], [3, 1, 1], [-1, 2, 2]];
    for (const [eph, active, expected] of cases) {
      page.run(`canvasSettings.themes = [0,1,2,3].map(i => ({name: "T" + i})); _ephemeralThemeIdx = ${eph};
        canvasSettings.activeTheme = ${active}; saveThemesToStorage();`);
      const store = storedThemes(page);
      assert.equal(store.activeTheme, expected, `eph ${eph} active ${active}`);
      assert.deepEqual(store.themes.map((t) => t.name), ['T0', 'T1', 'T2', 'T3'].filter((_, i) => i !== eph));
    }
  });

  test('undo and redo never leave the store and the editor apart', async () => {
    // Each scenario ends with an undo or redo; afterwards the store holds exactly the editor's themes.
    const scenarios = [
      ['colour edit, then undo of the step before it', 'createTheme(); saveHistoryState(); elements.push({id: "a"}); updateThemeColor("bgPage", "#010101"); undo(); undo();'],
      ['delete a user theme before the ephemeral one, undo',
        'createTheme(); canvasSettings.themes.push({name: "Project *", type: "dark"}); _ephemeralThemeIdx = 11; saveThemesToStorage(); setActiveTheme(10); deleteTheme(); undo();'],
      ['rename, undo, redo', 'createTheme(); renameTheme("A"); renameTheme("AB"); undo(); redo();'],
      ['create, switch, undo twice', 'createTheme(); setActiveTheme(3); undo(); undo();'],
      ['clear canvas, undo', 'createTheme(); executeClearCanvas(); undo();'],
    ];
    for (const [name, script] of scenarios) {
      const page = await loadModel();
      page.run(script);
      assert.deepEqual(storedThemes(page).themes, editorThemesForStore(page), name);
    }
    const page = await loadModel();
    page.run(scenarios[1][1]);
    assert.deepEqual(page.json('[_ephemeralThemeIdx, canvasSettings.themes[_ephemeralThemeIdx].name]'), [11, 'Project *']);
    assert.ok(storedThemes(page).themes.some((t) => t.name === 'Tema 11'), 'the restored user theme is stored');
  });

  test('a project\'s theme is kept through the save button of the theme editor', async () => {
    const page = await loadModel();
    page.run('canvasSettings.themes.push({ name: "Project *", type: "light", bgPage: "#fefefe" }); _ephemeralThemeIdx = 10; setActiveTheme(10);');
    assert.equal(page.run('document.getElementById("btn-theme-delete").title'), 'inspector.tooltips.saveThisTheme');
    assert.ok(!storedThemes(page).themes.some((t) => t.name === 'Project *'));
    page.run('document.getElementById("btn-theme-delete").click();');
    assert.equal(page.run('_ephemeralThemeIdx'), -1);
    assert.deepEqual([storedThemes(page).themes[10].name, storedThemes(page).activeTheme], ['Project *', 10]);
    assert.equal(page.run('document.getElementById("btn-theme-delete").title'), 'inspector.tooltips.deleteTheme');
    assert.equal(page.toasts.at(-1).message, 'toast.themeSaved');
  });

  test('typing a theme name is one undo step', async () => {
    const page = await loadModel();
    page.run('createTheme(); var before = historyStack.length; renameTheme("N"); renameTheme("Ne"); renameTheme("New");');
    assert.equal(page.run('historyStack.length - before'), 1);
    page.run('undo()');
    assert.equal(page.run('getActiveTheme().name'), 'Tema 11');
  });
});

describe('token pickers', () => {
  test('a token list is written when it opens, with the swatches of the theme then in force; a click on a row picks it', async () => {
    const page = await loadModel();
    page.run(`elements = [{id: "a", type: "text", textColor: ""}]; selectedIds = ["a"]; populateThemeSelects();`);
    assert.equal(page.run('document.querySelectorAll("#tcp-panel-textColor .tcp-row").length'), 0);
    page.run('toggleTCP("textColor")');
    assert.equal(page.run('document.querySelectorAll("#tcp-panel-textColor .tcp-row").length'), page.run('THEME_TOKENS.length'));
    assert.equal(page.run('document.querySelectorAll(".tcp-panel .tcp-row").length'), page.run('THEME_TOKENS.length'), 'only the open list');
    page.run('document.querySelector(\'#tcp-panel-textColor .tcp-row[data-key="surface"]\').click()');
    assert.equal(page.run('elements[0].textColor'), 'th:surface');
    assert.equal(page.run('document.getElementById("tcp-panel-textColor").hidden'), true);
  });

  test('"__custom__" is never stored: the field keeps the colour it shows until one is picked', async () => {
    const page = await loadModel();
    page.run(`elements = [{id: "a", type: "text", textColor: "th:accentPrimary"}, {id: "b", type: "text", textColor: ""},
      {id: "c", type: "text", textColor: "#00ff00", richText: true, text: "<span style='color:red'>hi</span><br>there"}];
      selectedIds = ["a", "b", "c"]; populateThemeSelects(); pickTCP("textColor", "__custom__");`);
    assert.deepEqual(page.json('elements.map(e => e.textColor)'), ['#3B82F6', '', '#00ff00']);
    assert.deepEqual(page.json('[elements[2].text, elements[2].richText]'), ['hi\nthere', false]);
    page.run('applyThemeColor("textColor", "__custom__", "#abcdef")');
    assert.deepEqual(page.json('elements.map(e => e.textColor)'), ['#abcdef', '#abcdef', '#abcdef']);
    page.run('pickTCP("textColor", "surface")');
    assert.deepEqual(page.json('elements.map(e => e.textColor)'), ['th:surface', 'th:surface', 'th:surface']);
    assert.equal(page.run('document.getElementById("theme-sel-textColor").value'), 'surface');
    assert.equal(page.run('document.getElementById("input-textColor").value'), '#1e293b');
  });
});
