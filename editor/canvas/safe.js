// Guards for record text on its way into markup. Documents are opened and imported from other
// people, so every value is untrusted: each is escaped for the context it lands in (attribute, script
// argument inside an attribute, CSS value, CSS url(), style element), and rich text passes an allow-list.
// Provides: _jsArg, _cssVal, _cssIdent, _safeUrl, _cssUrl, _sanitizeRichText, _sanitizeElementsRichText,
//   RICH_TEXT_TAGS
// Needs: _safeCssColour, encodeUrl, escapeHtml

// A text as a script string argument inside a double-quoted attribute: JSON gives a valid literal,
// escapeHtml keeps the attribute closed (the parser turns the entities back before the script runs).
function _jsArg(value) {
  return escapeHtml(JSON.stringify(value === null || value === undefined ? '' : String(value)));
}

// A free CSS value (a length, a keyword, a font name). Anything that could end the declaration or the
// rule, open a comment, load a resource or leave a style element is refused as a whole.
function _cssVal(value) {
  if (value === null || value === undefined) return '';
  const v = String(value).trim();
  if (/[;{}<>"\\\r\n]|\/\*|\*\//.test(v)) return '';
  if (/url\s*\(|expression\s*\(|@import|image-set\s*\(|javascript:/i.test(v)) return '';
  return v;
}

// An identifier for a selector: every character outside [A-Za-z0-9_-] becomes a hex escape, so an id
// can never close the rule or the style element ("<" is written \3c, never as itself).
function _cssIdent(text) {
  return String(text === null || text === undefined ? '' : text).replace(/[^A-Za-z0-9_-]|^[0-9-]/g, function (c) {
    return '\\' + c.charCodeAt(0).toString(16) + ' ';
  });
}

// A URL for src, href or url(): relative paths, http(s), blob and media data URLs pass; any other
// scheme (javascript:, vbscript:, data:text/html, ...) gives "". Control characters and blanks are
// ignored when reading the scheme, as browsers ignore them.
function _safeUrl(url) {
  if (url === null || url === undefined) return '';
  const raw = String(url).trim();
  if (!raw) return '';
  const probe = raw.replace(/[\u0000-\u0020\u007f]/g, '');
  const scheme = /^([a-z][a-z0-9+.-]*):/i.exec(probe);
  if (!scheme) return raw;
  const name = scheme[1].toLowerCase();
  if (name === 'http' || name === 'https' || name === 'blob' || name === 'file') return raw;
  if (name === 'data' && /^data:(image\/(png|jpe?g|gif|webp|avif|bmp|svg\+xml)|audio\/|video\/|font\/)/i.test(probe)) return raw;
  return '';
}

// url("...") for a style attribute or a style element: the text is written as a CSS string with hex
// escapes for quotes, backslashes, line ends and angle brackets.
function _cssUrl(url) {
  const safe = encodeUrl(_safeUrl(url));
  if (!safe) return '';
  return 'url("' + safe.replace(/["\\<>\r\n\f]/g, function (c) {
    return '\\' + c.charCodeAt(0).toString(16) + ' ';
  }) + '")';
}

// Rich text is what the inline editor produces: inline runs with colours and line breaks. Only these
// elements survive; any other element is unwrapped (its text kept), and the ones whose content is code
// or foreign markup are dropped with their content. The only attribute kept is a style with the
// declarations below.
var RICH_TEXT_TAGS = Object.freeze(['span', 'br', 'b', 'strong', 'i', 'em', 'u', 's', 'sub', 'sup', 'div', 'p', 'font']);
var _RICH_DROP = new Set(['script', 'style', 'template', 'iframe', 'frame', 'frameset', 'object', 'embed',
  'svg', 'math', 'noscript', 'noembed', 'noframes', 'xmp', 'title', 'textarea', 'select', 'option', 'head',
  'link', 'meta', 'base', 'audio', 'video', 'canvas', 'img', 'picture', 'source', 'input', 'button', 'form']);
var _RICH_STYLE = {
  'color': 'colour', 'background-color': 'colour', 'font-weight': /^(normal|bold|bolder|lighter|[1-9]00)$/,
  'font-style': /^(normal|italic|oblique)$/, 'text-decoration': /^(none|underline|line-through|overline)( [a-z-]+)*$/,
  'text-decoration-line': /^(none|underline|line-through|overline)$/, 'font-size': /^\d+(\.\d+)?(px|em|rem|%)$/,
};
var _RICH_MAX_DEPTH = 32;
var _richCache = new Map();

function _richStyle(text) {
  const out = [];
  String(text || '').split(';').forEach(function (decl) {
    const at = decl.indexOf(':');
    if (at < 0) return;
    const name = decl.slice(0, at).trim().toLowerCase();
    const value = decl.slice(at + 1).trim();
    const rule = _RICH_STYLE[name];
    if (!rule) return;
    const ok = rule === 'colour' ? _safeCssColour(value) : (rule.test(value.toLowerCase()) ? value.toLowerCase() : '');
    if (ok) out.push(name + ':' + ok);
  });
  return out.join(';');
}

function _richNode(node, depth) {
  if (node.nodeType === 3) return escapeHtml(node.nodeValue);
  if (node.nodeType !== 1) return '';
  const tag = node.nodeName.toLowerCase();
  if (_RICH_DROP.has(tag)) return '';
  let inner = '';
  if (depth < _RICH_MAX_DEPTH) {
    for (let c = node.firstChild; c; c = c.nextSibling) inner += _richNode(c, depth + 1);
  } else {
    inner = escapeHtml(node.textContent);
  }
  if (RICH_TEXT_TAGS.indexOf(tag) === -1) return inner;
  if (tag === 'br') return '<br>';
  // <font color> is how some engines colour a selection; it becomes a span with that colour.
  let style = _richStyle(node.getAttribute('style'));
  if (tag === 'font') {
    const colour = _safeCssColour(node.getAttribute('color'));
    style = colour ? 'color:' + colour + (style ? ';' + style : '') : style;
    return '<span' + (style ? ' style="' + escapeHtml(style) + '"' : '') + '>' + inner + '</span>';
  }
  return '<' + tag + (style ? ' style="' + escapeHtml(style) + '"' : '') + '>' + inner + '</' + tag + '>';
}

// Rich markup -> the same markup restricted to the allow-list. Parsed in an inert template, so nothing
// in it loads or runs while it is read.
function _sanitizeRichText(html) {
  const text = html === null || html === undefined ? '' : String(html);
  if (text.indexOf('<') === -1 && text.indexOf('&') === -1) return text;
  const hit = _richCache.get(text);
  if (hit !== undefined) return hit;
  const template = document.createElement('template');
  template.innerHTML = text;
  let out = '';
  for (let c = template.content.firstChild; c; c = c.nextSibling) out += _richNode(c, 0);
  if (_richCache.size > 500) _richCache.clear();
  _richCache.set(text, out);
  return out;
}

// For documents as they are opened: every rich text in the list is replaced by its sanitised form.
// Returns the number of records whose text changed.
function _sanitizeElementsRichText(list) {
  let changed = 0;
  (list || []).forEach(function (el) {
    if (!el || !el.richText || typeof el.text !== 'string') return;
    const clean = _sanitizeRichText(el.text);
    if (clean !== el.text) { el.text = clean; changed++; }
  });
  return changed;
}
