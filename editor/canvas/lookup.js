// The renderer's view of the design: records by id and children in sibling order. A drawing takes a
// lookup instead of reading `elements` itself, so records that are not in the design (the drop ghost's
// stand-ins, a preview) are drawn without touching the design, and a big design is indexed once per
// drawing instead of searched per element.
// Provides: _qlLookupOf, _qlOverlayLookup, _qlWithLookup, _qlActiveLookup, _qlElById, _qlChildren
// Needs: _findElement, elements

// A lookup over a list of records: get(id) -> record, children(parentId) -> records in list order
// (the top level under null). Made once; later changes to the list are not seen.
function _qlLookupOf(list) {
  const byId = new Map();
  const kids = new Map();
  list.forEach(function (el) {
    byId.set(el.id, el);
    const key = el.parentId === undefined ? null : el.parentId;
    let row = kids.get(key);
    if (!row) { row = []; kids.set(key, row); }
    row.push(el);
  });
  return {
    get: function (id) { return id === null || id === undefined ? undefined : byId.get(id); },
    children: function (parentId) { return kids.get(parentId === undefined ? null : parentId) || []; },
    duplicates: byId.size !== list.length,
  };
}

// `base` with some records laid over it: a record whose id is in `base` stands in for that one (in its
// place among its siblings); the others join their parent's children after the existing ones.
function _qlOverlayLookup(base, records) {
  const over = new Map();
  records.forEach(function (r) { over.set(r.id, r); });
  const added = records.filter(function (r) { return base.get(r.id) === undefined; });
  return {
    get: function (id) { return over.has(id) ? over.get(id) : base.get(id); },
    children: function (parentId) {
      const key = parentId === undefined ? null : parentId;
      return base.children(key).map(function (c) { return over.has(c.id) ? over.get(c.id) : c; })
        .concat(added.filter(function (r) { return (r.parentId === undefined ? null : r.parentId) === key; }));
    },
    duplicates: base.duplicates,
  };
}

// The lookup of the drawing under way; null outside one (then the design itself is read).
var _qlActiveLookup = null;

// Runs fn with `lookup` as the active one; a nested call with no lookup of its own keeps the outer one.
function _qlWithLookup(lookup, fn) {
  if (!lookup || lookup === _qlActiveLookup) return fn();
  const outer = _qlActiveLookup;
  _qlActiveLookup = lookup;
  try {
    return fn();
  } finally {
    _qlActiveLookup = outer;
  }
}

function _qlElById(id) {
  if (id === null || id === undefined) return undefined;
  return _qlActiveLookup ? _qlActiveLookup.get(id) : _findElement(id);
}

function _qlChildren(parentId) {
  const key = parentId === undefined ? null : parentId;
  if (_qlActiveLookup) return _qlActiveLookup.children(key);
  return elements.filter(function (e) { return (e.parentId === undefined ? null : e.parentId) === key; });
}
