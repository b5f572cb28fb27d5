// A small lexical checker for the outside compiler's language, for tests only: what the generated module
// must get right without the compiler at hand.
//   checkPb(text) -> [problem, ...]   (empty when the text passes)
// - string literals: "..." without a double quote inside, ~"..." with only the known escapes, both closed
//   on their line; character constants 'x';
// - comments (";" to the end of the line) never inside a literal;
// - constant names: "#" then a letter or "_", letters, digits, "_", an optional "$";
// - blocks balanced: Procedure/EndProcedure, If/EndIf (ElseIf, Else inside), Select/EndSelect (Case and
//   Default inside), For and ForEach/Next, While/Wend, Repeat/Until or ForEver, Structure, DataSection,
//   Enumeration, Macro, CompilerIf/CompilerEndIf, CompilerSelect; no line continued by an operator.
// - element constants defined once (names compare without regard to case).
const TILDE_ESCAPES = new Set(['\\', '"', 'n', 'r', 't', 'a', 'b', 'f', 'v', '0']);

const OPENERS = {
  Procedure: 'EndProcedure', ProcedureC: 'EndProcedure', If: 'EndIf', Select: 'EndSelect', For: 'Next', ForEach: 'Next',
  While: 'Wend', Repeat: 'Until', With: 'EndWith', Structure: 'EndStructure', DataSection: 'EndDataSection',
  Enumeration: 'EndEnumeration', Macro: 'EndMacro', CompilerIf: 'CompilerEndIf', CompilerSelect: 'CompilerEndSelect',
};
const CLOSERS = new Set(Object.values(OPENERS).concat(['ForEver']));
const INSIDE = { Else: ['If'], ElseIf: ['If'], Case: ['Select'], Default: ['Select'], CompilerElse: ['CompilerIf'], CompilerCase: ['CompilerSelect'] };

// One line -> {code: statements with literals blanked, problems}.
function scanLine(line, at) {
  const problems = [];
  let code = '';
  let i = 0;
  while (i < line.length) {
    const ch = line[i];
    if (ch === ';') break;
    if (ch === '~' && line[i + 1] === '"') {
      let j = i + 2;
      let closed = false;
      while (j < line.length) {
        if (line[j] === '\\') {
          if (!TILDE_ESCAPES.has(line[j + 1])) problems.push(`${at}: unknown escape \\${line[j + 1] ?? ''}`);
          j += 2;
          continue;
        }
        if (line[j] === '"') { closed = true; break; }
        j++;
      }
      if (!closed) problems.push(`${at}: escaped literal not closed`);
      code += '~""';
      i = j + 1;
      continue;
    }
    if (ch === '"') {
      const j = line.indexOf('"', i + 1);
      if (j === -1) { problems.push(`${at}: literal not closed`); break; }
      code += '""';
      i = j + 1;
      continue;
    }
    if (ch === "'") {
      const j = line.indexOf("'", i + 1);
      if (j === -1 || j - i > 5) { problems.push(`${at}: character constant not closed`); break; }
      code += '0';
      i = j + 1;
      continue;
    }
    if (ch === '~' || ch === '"') problems.push(`${at}: stray ${ch}`);
    code += ch;
    i++;
  }
  // eslint-disable-next-line no-control-regex
  if (/[\u0000-\u0008\u000b-\u001f]/.test(line)) problems.push(`${at}: control character in the line`);
  for (const m of code.matchAll(/#([^\s=,():+\-*/<>|&!]*)/g)) {
    if (!/^[A-Za-z_][A-Za-z0-9_]*\$?$/.test(m[1])) problems.push(`${at}: bad constant name #${m[1]}`);
  }
  // a constant definition names exactly one constant
  const lhs = /^\s*(#[^=]*?)\s*=/.exec(code);
  if (lhs && !/^#[A-Za-z_][A-Za-z0-9_]*\$?$/.test(lhs[1])) problems.push(`${at}: bad constant name ${lhs[1]}`);
  if (/(\+|,|\bAnd|\bOr)\s*$/.test(code.trim()) && code.trim()) problems.push(`${at}: line continued by an operator`);
  return { code, problems };
}

export function checkPb(text) {
  const problems = [];
  const stack = [];
  const constants = new Map();
  String(text).replace(/^\uFEFF/, '').split('\n').forEach((raw, n) => {
    const at = `line ${n + 1}`;
    const line = raw.replace(/\r$/, '');
    const { code, problems: p } = scanLine(line, at);
    problems.push(...p);
    const def = /^\s*(#[A-Za-z_][A-Za-z0-9_]*\$)\s*=/.exec(code);
    if (def) {
      const key = def[1].toLowerCase();
      if (constants.has(key)) problems.push(`${at}: constant ${def[1]} defined again (first at ${constants.get(key)})`);
      else constants.set(key, at);
    }
    for (const statement of code.split(':')) {
      const word = (/^\s*([A-Za-z]+)(?:\.[a-z])?\b/.exec(statement) || [])[1];
      if (!word) continue;
      if (Object.prototype.hasOwnProperty.call(OPENERS, word)) {
        stack.push({ word, at });
      } else if (CLOSERS.has(word)) {
        const top = stack.pop();
        const want = top && OPENERS[top.word];
        const ok = top && (want === word || (top.word === 'Repeat' && word === 'ForEver'));
        if (!ok) problems.push(`${at}: ${word} closes ${top ? top.word + ' of ' + top.at : 'nothing'}`);
      } else if (Object.prototype.hasOwnProperty.call(INSIDE, word)) {
        const top = stack[stack.length - 1];
        if (!top || !INSIDE[word].includes(top.word)) problems.push(`${at}: ${word} outside ${INSIDE[word].join('/')}`);
      }
    }
  });
  for (const open of stack) problems.push(`${open.at}: ${open.word} never closed`);
  return problems;
}
