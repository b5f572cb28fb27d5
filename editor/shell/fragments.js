// Markup fragments. Each part of the editor keeps the markup of its region in a file beside its code
// (editor/<part>/<name>.html); the page file marks where it goes with
//   <template data-ql-fragment="/editor/inspector/form.html"></template>
// The fragments are fetched as soon as this file runs, while the page's later scripts still load, and
// start-up inserts them before anything looks for their ids.
// Markup that repeats is written once, as a generator: a tag <ql-NAME attr="...">...</ql-NAME> in a
// fragment is replaced by what the generator registered under NAME returns for its attributes and content.
// Innermost tags go first, so a generator's content may hold other generated tags. Attribute values and
// content are markup source from our own files: a generator places them unchanged into the same context.
// Provides: _qlMarkup, _qlExpandMarkup, _qlInsertFragments
// Needs: _qlReportFailure

var _qlMarkupGenerators = Object.create(null);

// Registers the generator of <ql-NAME>: fn(attrs, content) -> markup; attrs maps names to their source
// text, a bare attribute to true.
function _qlMarkup(name, fn) {
  _qlMarkupGenerators[name] = fn;
}

// A generated tag whose content holds no other generated tag, or one that closes itself.
var _QL_MARKUP_TAG = /<ql-([a-z][a-z0-9-]*)((?:\s+[a-zA-Z][\w-]*(?:="[^"]*")?)*)\s*(?:\/>|>([^<]*(?:<(?!\/?ql-)[^<]*)*)<\/ql-\1>)/g;
var _QL_MARKUP_ATTR = /([a-zA-Z][\w-]*)(?:="([^"]*)")?/g;

function _qlMarkupAttrs(source) {
  const attrs = Object.create(null);
  for (const m of source.matchAll(_QL_MARKUP_ATTR)) attrs[m[1]] = m[2] === undefined ? true : m[2];
  return attrs;
}

function _qlExpandMarkup(text) {
  let out = String(text);
  for (;;) {
    let replaced = false;
    out = out.replace(_QL_MARKUP_TAG, (whole, name, attrs, content) => {
      replaced = true;
      const generator = _qlMarkupGenerators[name];
      if (!generator) {
        _qlReportFailure('markup <ql-' + name + '>', new Error('no generator for <ql-' + name + '>'));
        return '';
      }
      return generator(_qlMarkupAttrs(attrs), content || '');
    });
    if (!replaced) return out;
  }
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
