// Markup fragments. Each part of the editor keeps the markup of its region in a file beside its code
// (editor/<part>/<name>.html); the page file marks where it goes with
//   <template data-ql-fragment="/editor/inspector/form.html"></template>
// The fragments are fetched as soon as this file runs, while the page's later scripts still load, and
// start-up inserts them before anything looks for their ids.
// Markup that repeats is written once, as a generator: a tag <ql-NAME attr="...">...</ql-NAME> in a
// fragment is replaced by what the generator registered under NAME returns for its attributes and content.
// A generator's content is expanded first, so it may hold other generated tags, and so may what it makes.
// Attribute values and content are markup source from our own files: a generator places them unchanged
// into the same context.
// Provides: _qlMarkup, _qlExpandMarkup, _qlInsertFragments
// Needs: _qlReportFailure

var _qlMarkupGenerators = Object.create(null);

// Registers the generator of <ql-NAME>: fn(attrs, content) -> markup; attrs maps names to their source
// text, a bare attribute to true.
function _qlMarkup(name, fn) {
  _qlMarkupGenerators[name] = fn;
}

// A generated tag's opening (group 1 the name, 2 its attributes, 3 "/" when it closes itself) or its end
// (group 4 the name).
var _QL_MARKUP_TAG = /<ql-([a-z][a-z0-9-]*)((?:\s+[a-zA-Z][\w-]*(?:="[^"]*")?)*)\s*(\/?)>|<\/ql-([a-z][a-z0-9-]*)>/g;
var _QL_MARKUP_ATTR = /([a-zA-Z][\w-]*)(?:="([^"]*)")?/g;

function _qlMarkupAttrs(source) {
  const attrs = Object.create(null);
  for (const m of source.matchAll(_QL_MARKUP_ATTR)) attrs[m[1]] = m[2] === undefined ? true : m[2];
  return attrs;
}

// What the generator of <ql-NAME> makes, itself expanded when it holds generated tags.
function _qlGenerate(name, attrs, content) {
  const generator = _qlMarkupGenerators[name];
  if (!generator) {
    _qlReportFailure('markup <ql-' + name + '>', new Error('no generator for <ql-' + name + '>'));
    return '';
  }
  const made = String(generator(_qlMarkupAttrs(attrs), content));
  return made.includes('<ql-') ? _qlExpandMarkup(made) : made;
}

// One pass over the text, open tags on a stack: each tag's content is expanded before its own generator
// sees it. A tag left open, or an end without its opening, stays as it stands.
function _qlExpandMarkup(text) {
  const source = String(text);
  const open = [];
  let out = '';
  let last = 0;
  const append = (markup) => {
    if (open.length) open[open.length - 1].content += markup;
    else out += markup;
  };
  for (const m of source.matchAll(_QL_MARKUP_TAG)) {
    append(source.slice(last, m.index));
    last = m.index + m[0].length;
    if (m[4] === undefined) {
      if (m[3]) append(_qlGenerate(m[1], m[2], ''));
      else open.push({ tag: m[0], name: m[1], attrs: m[2], content: '' });
    } else if (open.length && open[open.length - 1].name === m[4]) {
      const tag = open.pop();
      append(_qlGenerate(tag.name, tag.attrs, tag.content));
    } else {
      append(m[0]);
    }
  }
  append(source.slice(last));
  while (open.length) {
    const tag = open.pop();
    append(tag.tag + tag.content);
  }
  return out;
}

// One fetch per fragment mark, started when this file runs; each resolves to the text or to an Error.
var _qlFragmentLoads = [...document.querySelectorAll('template[data-ql-fragment]')].map((mark) => {
  const url = mark.getAttribute('data-ql-fragment');
  const text = fetch(url)
    .then((reply) => (reply.ok ? reply.text() : Promise.reject(new Error('status ' + reply.status))))
    .catch((e) => (e instanceof Error ? e : new Error(String(e))));
  return { mark, url, text };
});

// Puts every fragment in place of its mark. A fragment that cannot be had is reported; the rest of the
// page still starts.
async function _qlInsertFragments() {
  const loads = _qlFragmentLoads;
  _qlFragmentLoads = [];
  for (const { mark, url, text } of loads) {
    const source = await text;
    if (source instanceof Error) {
      _qlReportFailure('fragment ' + url, source);
      continue;
    }
    mark.outerHTML = _qlExpandMarkup(source);
  }
}
