// Text rules of the generated source module: how a value becomes a string literal, a comment or a
// constant name of the outside compiler's language, and the script escape the module applies at run time.
// - pbLiteral (text): the escaped-string ("tilde") literal holding text exactly: backslash doubled, the
//   double quote, CR, LF and tab written as escapes, other control characters dropped.
// - pbPlainLiteral (text): a plain "..." literal where text allows it (no double quote, no control
//   character), else pbLiteral.
// - pbCommentText (text, max): text for after ";" that stays on its line (line breaks and other control
//   characters become blanks), cut to max characters.
// - pbConstName (id, taken): a valid, unique constant name "#<name>$" for an element id (characters other
//   than letters, digits and "_" become "_", a leading digit gets "_" in front; a repeat gets "_2", "_3"...).
//   `taken` is a Set shared by every name of one module.
// - pbJsEsc (text): the module's JsEsc, in this page: backslash, single quote, CR, LF escaped in that
//   order, for single-quoted script literals; the module applies exactly this at run time, so tests can
//   reproduce the scripts it runs.
// - pbAppendLines (variable, text, indent): one statement per line of text, each appending the line
//   and a line feed to the variable.
// Provides: pbLiteral, pbPlainLiteral, pbCommentText, pbConstName, pbJsEsc, pbAppendLines, pbPad
// Needs: nothing

function pbLiteral(text) {
  let out = '';
  for (const ch of String(text)) {
    const code = ch.codePointAt(0);
    if (ch === '\\') out += '\\\\';
    else if (ch === '"') out += '\\"';
    else if (ch === '\n') out += '\\n';
    else if (ch === '\r') out += '\\r';
    else if (ch === '\t') out += '\\t';
    else if (code < 32 || code === 127) continue;
    else out += ch;
  }
  return '~"' + out + '"';
}

function pbPlainLiteral(text) {
  const s = String(text);
  // eslint-disable-next-line no-control-regex
  return /["\u0000-\u001f\u007f]/.test(s) ? pbLiteral(s) : '"' + s + '"';
}

function pbCommentText(text, max) {
  // eslint-disable-next-line no-control-regex
  let s = String(text == null ? '' : text).replace(/[\u0000-\u001f\u007f\u2028\u2029]+/g, ' ').trim();
  if (max && [...s].length > max) s = [...s].slice(0, max).join('');
  return s;
}

function pbConstName(id, taken) {
  let base = String(id == null ? '' : id).replace(/[^A-Za-z0-9_]/g, '_');
  if (!base) base = '_';
  if (/^[0-9]/.test(base)) base = '_' + base;
  let name = base;
  for (let n = 2; taken && taken.has(name.toLowerCase()); n++) name = base + '_' + n;
  // Constant names are not case sensitive in the target language.
  if (taken) taken.add(name.toLowerCase());
  return '#' + name + '$';
}

function pbJsEsc(text) {
  return String(text).replace(/\\/g, '\\\\').replace(/'/g, "\\'").replace(/\r/g, '\\r').replace(/\n/g, '\\n');
}

function pbAppendLines(variable, text, indent) {
  const pad = indent || '';
  const lines = String(text).split('\n');
  if (lines.length && lines[lines.length - 1] === '') lines.pop();
  return lines.map(function (line) { return pad + variable + ' = ' + variable + ' + ' + pbLiteral(line + '\n'); }).join('\n');
}

function pbPad(text, width) {
  const s = String(text);
  return s.length >= width ? s : s + ' '.repeat(width - s.length);
}
