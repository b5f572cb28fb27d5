// Turning a toolbox entry into a new element record in the design.
// Provides: createElement, _catalogueEntry, _translatedDefault, _newRecord, typeDisplayName
// Needs: _canvasFocusRestore, _deepCopy, _findElement, elements, generateId, insertElementInArray,
//   REQUEST_FIELDS, selectElement, TOOLBOX_ITEMS
// Calls: t

var _TRANSLATED_DEFAULT_FIELDS = ['text', 'placeholder', 'listItems', 'alt'];

// A type's name as the toolbox shows it, in the active language; the type itself when it has none.
function typeDisplayName(type) {
  const key = 'toolbox.items.' + type;
  const name = t(key);
  return name && name !== key ? name : String(type);
}

function _catalogueEntry(type) {
  return TOOLBOX_ITEMS.find(function (item) { return item.type === type; });
}

// The active language's default text for a field, or undefined when it has none (t answers the key).
function _translatedDefault(type, field) {
  if (typeof t !== 'function') return undefined;
  const key = 'toolbox.itemDefaults.' + type + '.' + field;
  const text = t(key);
  return typeof text === 'string' && text !== key ? text : undefined;
}

function _newRecord(type, parentId, defaults) {
  const record = Object.assign({ id: generateId(type), parentId: parentId === undefined ? null : parentId, type: type },
    _deepCopy(defaults));
  REQUEST_FIELDS.forEach(function (f) { record[f] = ''; });
  return record;
}

// No history snapshot here: the caller (a toolbox drop) takes it before creating.
function createElement(type, parentId, insertBeforeId) {
  const entry = _catalogueEntry(type);
  if (!entry) return undefined;
  const record = _newRecord(type, parentId, entry.defaultProps);
  const parent = _findElement(record.parentId);

  if (type === 'container' || type === 'nineslice') {
    record.layout = 'flex-col';
    if (parent && parent.type === 'accordion') record.height = '100%';
  }
  // Toggle buttons of one parent form their own group.
  if (type === 'toggle-btn' && record.parentId) record.name = record.parentId + '_' + (record.name || 'grp');

  _TRANSLATED_DEFAULT_FIELDS.forEach(function (field) {
    const text = _translatedDefault(type, field);
    if (text !== undefined) record[field] = text;
  });

  insertElementInArray(record, insertBeforeId || null);
  _canvasFocusRestore = record.id;

  // A list starts with real text items, one per line of its default items.
  if (type === 'list' && record.listItems) {
    const lines = String(record.listItems).split('\n').map(function (l) { return l.trim(); }).filter(Boolean);
    record.listItems = '';
    const textDefaults = _catalogueEntry('text').defaultProps;
    lines.forEach(function (line) {
      const item = _newRecord('text', record.id, textDefaults);
      item.text = line;
      elements.push(item);
    });
  }

  selectElement(record.id);
  return record;
}
