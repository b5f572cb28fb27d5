// The inspector form's repeated markup, generated from tables: sections, labelled fields, tick boxes,
// colour rows, text-and-file fields, option lists, size-limit rows, the theme token buttons, the rotation
// presets, the image position grid and the image effects. The form itself is editor/inspector/form.html
// (and canvas-form.html), which uses these as <ql-NAME> tags (see editor/shell/fragments.js).
// Attributes common to the tags: key = the translation key of the label, es = its Spanish text (the
// text the markup shows before the translations are applied).
// Provides: INSPECTOR_COLOUR_LABELS, INSPECTOR_OPTION_LISTS
// Needs: _qlMarkup, THEME_COLOR_KEYS
// Calls: INSPECTOR_EVENT_BOXES, _INSP_MOUSE_EVENTS (form-data.js; generators run at start-up)

// The label of each colour row (its key is "inspector." + the property).
var INSPECTOR_COLOUR_LABELS = {
  textColor: 'Color del texto', bgColor: 'Color de fondo', borderColor: 'Color del borde',
  hoverBgColor: 'Fondo al pasar', hoverTextColor: 'Texto al pasar', activeBgColor: 'Fondo al pulsar',
  headerBgColor: 'Fondo de la cabecera', headerTextColor: 'Texto de la cabecera', thumbColor: 'Color del tirador',
  activeTrackColor: 'Pista activa', inactiveTrackColor: 'Pista inactiva',
  tableHeaderBg: 'Fondo de la cabecera', tableHeaderText: 'Texto de la cabecera', tableBodyBg: 'Fondo del cuerpo',
  tableBodyText: 'Texto del cuerpo', tablePaginationBg: 'Fondo de la paginación', tableRowHoverBg: 'Fondo al pasar',
  tableRowSelectedBg: 'Fondo seleccionado', tableRowHoverText: 'Texto al pasar',
  tableRowSelectedText: 'Texto seleccionado', checkedBg: 'Fondo activo', checkedText: 'Texto activo',
  splitColor: 'Color', splitHoverColor: 'Color al pasar',
};

// Option lists that more than one drop-down offers: [value, key under "inspector.opt.", Spanish text].
var INSPECTOR_OPTION_LISTS = {
  justify: [['justify-start', 'start', 'Inicio'], ['justify-center', 'center', 'Centro'], ['justify-end', 'end', 'Fin'],
    ['justify-between', 'between', 'Repartido']],
  justifyStretch: [['justify-start', 'start', 'Inicio'], ['justify-center', 'center', 'Centro'], ['justify-end', 'end', 'Fin'],
    ['justify-between', 'between', 'Repartido'], ['justify-stretch-children', 'stretchChildren', 'Estirar los hijos']],
  items: [['items-start', 'start', 'Inicio'], ['items-center', 'center', 'Centro'], ['items-end', 'end', 'Fin'],
    ['items-stretch', 'stretch', 'Estirar']],
  wrap: [['flex-nowrap', 'nowrap', 'Sin salto'], ['flex-wrap', 'wrap', 'Con salto']],
  alignContent: [['content-auto', 'auto', 'Auto'], ['content-start', 'start', 'Inicio'], ['content-center', 'center', 'Centro'],
    ['content-end', 'end', 'Fin'], ['content-between', 'between', 'Repartido'], ['content-around', 'around', 'Con espacio alrededor'],
    ['content-stretch', 'stretch', 'Estirar']],
  axis: [['horizontal', 'horizontal', 'Horizontal'], ['vertical', 'vertical', 'Vertical']],
  fontFamily: [['', 'default', 'Por defecto'], ['Arial, sans-serif', 'fontSans', 'Sin serifa'], ['Georgia, serif', 'fontSerif', 'Con serifa'],
    ["'Courier New', Courier, monospace", 'fontMono', 'Monoespaciada'], ["'Times New Roman', Times, serif", 'fontTimes', 'Times New Roman'],
    ['ui-sans-serif, system-ui, sans-serif', 'fontSystemSans', 'Del sistema, sin serifa'], ['ui-serif, Georgia, serif', 'fontSystemSerif', 'Del sistema, con serifa'],
    ['ui-monospace, SFMono-Regular, monospace', 'fontSystemMono', 'Del sistema, monoespaciada']],
};

var _QL_IMAGE_POSITIONS = ['object-left-top', 'object-top', 'object-right-top', 'object-left', 'object-center', 'object-right',
  'object-left-bottom', 'object-bottom', 'object-right-bottom'];

// The image effects ("input-img-" + name, property "img" + Name): [name, Spanish label, the choices after
// "none"] for the graded ones, [name, Spanish label] for the ones that are on or off.
var _QL_IMAGE_EFFECTS = [['blur', 'Desenfoque', ['blur-sm', 'blur', 'blur-md', 'blur-lg']],
  ['brightness', 'Brillo', ['brightness-50', 'brightness-75', 'brightness-90', 'brightness-110', 'brightness-125', 'brightness-150', 'brightness-200']],
  ['contrast', 'Contraste', ['contrast-50', 'contrast-75', 'contrast-125', 'contrast-150', 'contrast-200']],
  ['saturate', 'Saturación', ['saturate-0', 'saturate-50', 'saturate-150', 'saturate-200']],
  ['grayscale', 'Escala de grises'], ['sepia', 'Sepia'], ['invert', 'Invertir']];

// The Spanish label of each exported-event box (key "inspector.event." + the box id without "input-").
var _QL_EVENT_LABELS = {
  export: 'Exportar el elemento', change: 'Al cambiar (change)', input: 'Al escribir (input)',
  focus: 'Al recibir el foco (focus)', blur: 'Al perder el foco (blur)', cellclick: 'Clic en una celda (cellclick)',
  keydown: 'Tecla pulsada (keydown)', keyup: 'Tecla soltada (keyup)', mousedown: 'Botón pulsado (mousedown)',
  mouseup: 'Botón soltado (mouseup)', mouseenter: 'Al entrar (mouseenter)', mouseleave: 'Al salir (mouseleave)',
  mousemove: 'Al mover (mousemove)',
};

var _QL_ROTATION_PRESETS = [0, 90, 180, 270, 360, 450, 540, 630];

// [side, Spanish label] of the floating position fields ("input-" + side, reset "btn-reset-" + side).
var _QL_FLOAT_SIDES = [['floatTop', 'Arriba'], ['floatRight', 'Derecha'], ['floatBottom', 'Abajo'], ['floatLeft', 'Izquierda']];

function _qlAttrText(value) {
  return String(value).replace(/&/g, '&amp;').replace(/"/g, '&quot;').replace(/</g, '&lt;');
}

// The attributes of `attrs` not named in `known`, as markup (in their order).
function _qlOtherAttrs(attrs, known) {
  return Object.keys(attrs).filter((name) => !known.includes(name))
    .map((name) => (attrs[name] === true ? ' ' + name : ' ' + name + '="' + attrs[name] + '"')).join('');
}

function _qlLabelSpan(attrs) {
  const id = attrs['label-id'] ? ' id="' + attrs['label-id'] + '"' : '';
  return '<span' + id + ' data-i18n="' + attrs.key + '">' + (attrs.es || '') + '</span>';
}

function _qlClearButton(prop) {
  return '<button type="button" class="ql-insp-btn" onclick="clearProperty(\'' + prop + '\')" data-i18n-title="inspector.tooltips.clear" title="Borrar valor"><i class="ph ph-x"></i></button>';
}

function _qlPinButton(id, call) {
  return '<button id="' + id + '" type="button" class="ql-insp-btn" onclick="' + call + '" data-i18n-title="inspector.tooltips.pinSize" title="Usar el tamaño actual"><i class="ph ph-push-pin"></i></button>';
}

// <ql-section id key es [nested] [hidden]>body</ql-section>: a folding section of the form; `hidden` for one
// that only a selection shows, so the first layout does not lay out what the empty canvas hides.
_qlMarkup('section', (a, body) => '<section id="' + a.id + '" class="ql-insp-section' + (a.nested ? ' ql-insp-nested' : '') +
  ('hidden' in a ? ' hidden" hidden style="display: none' : '') + '">\n' +
  '<button type="button" class="ql-insp-head" onclick="_qlCallIfDefined(\'toggleInspectorSection\',\'' + a.id + '\')">' +
  _qlLabelSpan(a) + '<i class="ph ph-caret-down"></i></button>\n<div class="ql-insp-body">' + body + '</div>\n</section>');

// <ql-field [id] key es [label-id]>control</ql-field>: a label above its control.
_qlMarkup('field', (a, body) => '<div' + (a.id ? ' id="' + a.id + '"' : '') + ' class="ql-insp-field"><label class="ql-insp-label">' +
  _qlLabelSpan(a) + '</label>' + body + '</div>');

// <ql-check id key es [field] [label-id] ...input attributes>: a tick box with its label, inside a field
// wrapper when `field` names one.
function _qlCheckBox(a) {
  const box = '<label class="ql-insp-check"><input id="' + a.id + '" type="checkbox"' + _qlOtherAttrs(a, ['id', 'key', 'es', 'field', 'label-id']) +
    '> ' + _qlLabelSpan(a) + '</label>';
  return a.field ? '<div id="' + a.field + '" class="ql-insp-field">' + box + '</div>' : box;
}
_qlMarkup('check', _qlCheckBox);

// <ql-text id ...attributes>: a one-line text field.
_qlMarkup('text', (a) => '<input id="' + a.id + '" type="text" class="ql-insp-input" autocomplete="off" spellcheck="false"' +
  _qlOtherAttrs(a, ['id']) + '>');

// <ql-unit id ...attributes>: a length field ("12px", "50%", "auto").
_qlMarkup('unit', (a) => '<input id="' + a.id + '" type="text" autocomplete="off" spellcheck="false" class="ql-insp-input suffix-input"' +
  _qlOtherAttrs(a, ['id']) + '>');

// <ql-float-sides>: the four side fields of a floating element, each with its reset button.
_qlMarkup('float-sides', () => _QL_FLOAT_SIDES.map(([side, es]) => '<div class="ql-insp-row"><label class="ql-insp-label">' +
  _qlLabelSpan({ key: 'inspector.' + side, es }) + '</label><input id="input-' + side + '" type="text" autocomplete="off" spellcheck="false" class="ql-insp-input suffix-input">' +
  '<button id="btn-reset-' + side + '" type="button" class="ql-insp-btn" onclick="resetFloatSide(\'' + side + '\')" data-i18n-title="inspector.tooltips.resetSide" title="Volver al borde"><i class="ph ph-arrow-counter-clockwise"></i></button></div>').join(''));

// <ql-colour prop [sub]>: the theme drop-down, swatch and clear button of a colour property; in a field
// with its label, or (sub) after a sub-heading.
_qlMarkup('colour', (a) => {
  const p = a.prop;
  const label = { key: 'inspector.' + p, es: INSPECTOR_COLOUR_LABELS[p] };
  const row = '<div id="picker-' + p + '" class="ql-insp-row ql-insp-color"><select id="theme-sel-' + p + '" class="ql-insp-select"><option value=""></option></select>' +
    '<button id="__cpBtn-' + p + '" type="button" class="ql-insp-swatch" onclick="_qlCallIfDefined(\'openCP\',\'' + p + '\')" data-i18n-title="inspector.tooltips.pickColor" title="Elegir color"></button>' +
    _qlClearButton(p) + '</div>';
  if (a.sub) return '<div class="ql-insp-sub">' + _qlLabelSpan(label) + '</div>' + row;
  return '<div id="field-' + p + '" class="ql-insp-field"><label class="ql-insp-label">' + _qlLabelSpan(label) + '</label>' + row + '</div>';
});

// <ql-file name key es accept pick [prop]>extra</ql-file>: a path field ("input-" + name) with a hidden
// file field and its pick button; `pick` is the page function the chosen file goes to.
_qlMarkup('file', (a, extra) => {
  const input = 'input-' + a.name;
  const args = a.pick === 'pickLocalImageFor' ? 'this,\'' + input + '\'' : 'this';
  return '<div id="field-' + a.name + '" class="ql-insp-field"><label class="ql-insp-label">' + _qlLabelSpan(a) + '</label><div class="ql-insp-row">' +
    '<input id="' + input + '"' + (a.prop ? ' data-prop="' + a.prop + '"' : '') + ' type="text" class="ql-insp-input" autocomplete="off" spellcheck="false">' +
    '<input id="' + input + '-file" type="file" accept="' + a.accept + '" hidden onchange="_qlCallIfDefined(\'' + a.pick + '\',' + args + ')">' +
    '<button type="button" class="ql-insp-btn" onclick="document.getElementById(\'' + input + '-file\').click()" data-i18n-title="inspector.tooltips.pickFile" title="Elegir archivo"><i class="ph ph-folder-open"></i></button>' +
    '</div>' + extra + '</div>';
});

// <ql-options list="name"> or <ql-options values="a b c" [custom]>: the options of a drop-down, from
// INSPECTOR_OPTION_LISTS or as plain values; `custom` adds the "custom value" option.
_qlMarkup('options', (a) => {
  const rows = a.list ? INSPECTOR_OPTION_LISTS[a.list] : String(a.values).split(' ').map((v) => [v]);
  if (!rows) throw new Error('no option list "' + a.list + '"');
  let out = rows.map(([value, key, es]) => (key
    ? '<option value="' + _qlAttrText(value) + '" data-i18n="inspector.opt.' + key + '">' + es + '</option>'
    : '<option value="' + value + '">' + value + '</option>')).join('');
  if (a.custom) out += '<option value="__custom__" data-i18n="inspector.opt.custom">Personalizado</option>';
  return out;
});

// <ql-canvas-limit member axis key es>: a size limit of the canvas with its pin button.
_qlMarkup('canvas-limit', (a) => '<div class="ql-insp-row"><label class="ql-insp-label">' + _qlLabelSpan(a) + '</label>' +
  '<input id="input-canvas-' + a.member.replace(/^(min|max)([WH])$/, (m, k, x) => k + '-' + x.toLowerCase()) + '" type="number" class="ql-insp-input" min="0" step="1">' +
  _qlPinButton('pin-' + a.member, '_qlCallIfDefined(\'toggleCanvasLimit\',\'' + a.member + '\',\'' + a.axis + '\')') + '</div>');

// <ql-size-limit prop axis key es>: a size limit of the selected elements with its pin and clear buttons.
_qlMarkup('size-limit', (a) => '<div class="ql-insp-row"><label class="ql-insp-label">' + _qlLabelSpan(a) + '</label>' +
  '<input id="input-' + a.prop + '" type="text" autocomplete="off" spellcheck="false" class="ql-insp-input suffix-input" min="0">' +
  _qlPinButton('pin-' + a.prop, '_qlCallIfDefined(\'pinValueTo\',\'' + a.prop + '\',\'' + a.axis + '\')') + _qlClearButton(a.prop) + '</div>');

// <ql-theme-buttons>: one button per theme token, in the token order of the model.
_qlMarkup('theme-buttons', () => '<div class="ql-insp-grid">' + THEME_COLOR_KEYS.map((k) =>
  '<button id="theme-color-btn-' + k + '" type="button" class="ql-insp-theme-btn" onclick="_qlCallIfDefined(\'openCPForTheme\',\'' + k + '\')"><span id="theme-color-label-' + k + '"></span></button>').join('') + '</div>');

// <ql-event-boxes [mouse]>: the grid of exported-event boxes (INSPECTOR_EVENT_BOXES), the pointer events
// or (mouse) the others.
_qlMarkup('event-boxes', (a) => '<div class="ql-insp-grid">' + INSPECTOR_EVENT_BOXES
  .filter((row) => _INSP_MOUSE_EVENTS.includes(row[1]) === Boolean(a.mouse))
  .map(([id]) => {
    const name = id.slice('input-'.length);
    return _qlCheckBox({ id, key: 'inspector.event.' + name, es: _QL_EVENT_LABELS[name] });
  }).join('') + '</div>');

// The three rows of a shadow's controls (kind = "textShadow" or "boxShadow"): <ql-shadow-colour kind>
// (swatch and hex field), <ql-shadow-opacity kind> (slider and read-out), <ql-shadow-offsets kind> (X, Y, blur).
_qlMarkup('shadow-colour', (a) => '<div class="ql-insp-row"><button id="__cpBtn-' + a.kind + 'Color" type="button" class="ql-insp-swatch" onclick="_qlCallIfDefined(\'openCP\',\'' + a.kind +
  'Color\')" data-i18n-title="inspector.tooltips.pickColor" title="Elegir color"></button>' +
  '<input id="input-' + a.kind + 'ColorHex" type="text" class="ql-insp-input" autocomplete="off" spellcheck="false"></div>');
_qlMarkup('shadow-opacity', (a) => '<div class="ql-insp-row"><input id="input-' + a.kind + 'Opacity" type="range" class="ql-insp-range" min="0" max="100" step="1">' +
  '<span id="' + a.kind + 'OpacityValue" class="ql-insp-value"></span></div>');
_qlMarkup('shadow-offsets', (a) => '<div class="ql-insp-row">' + [['X', 'shadowX', 'Desplazamiento X', -100], ['Y', 'shadowY', 'Desplazamiento Y', -100],
  ['Blur', 'shadowBlur', 'Desenfoque', 0]].map(([part, key, es, min]) => '<input id="input-' + a.kind + part + '" type="number" class="ql-insp-input" min="' + min +
  '" max="' + (part === 'Blur' ? 200 : 100) + '" step="1" data-i18n-title="inspector.' + key + '" title="' + es + '">').join('') + '</div>');

// <ql-rotation-presets>: the rotation preset buttons.
_qlMarkup('rotation-presets', () => '<div class="ql-insp-row">' + _QL_ROTATION_PRESETS.map((deg) =>
  '<button id="btn-rot-' + deg + '" type="button" class="ql-insp-chip" onclick="_qlCallIfDefined(\'setRotation\',' + deg + ')">' + deg + 'º</button>').join('') + '</div>');

// <ql-image-positions>: the 3 x 3 grid of image positions.
_qlMarkup('image-positions', () => '<div id="img-position-grid" class="ql-insp-grid3">' + _QL_IMAGE_POSITIONS.map((pos) =>
  '<button type="button" class="ql-insp-btn" data-pos="' + pos + '" onclick="_qlCallIfDefined(\'setImgPosition\',\'' + pos + '\')" data-i18n-title="inspector.tooltips.imgPosition" title="Posición de la imagen"><i class="ph ph-dot-outline"></i></button>').join('') + '</div>');

// <ql-image-effects>: a drop-down per graded image effect, a tick box per on-or-off one.
_qlMarkup('image-effects', () => _QL_IMAGE_EFFECTS.map(([name, es, choices]) => {
  const prop = 'img' + name[0].toUpperCase() + name.slice(1);
  if (!choices) return _qlCheckBox({ id: 'input-img-' + name, key: 'inspector.fx.' + name, es });
  return '<div class="ql-insp-row"><span class="ql-insp-label" data-i18n="inspector.fx.' + name + '">' + es + '</span><select id="input-img-' + name +
    '" data-prop="' + prop + '" class="ql-insp-select"><option value="" data-i18n="inspector.opt.none">Ninguno</option>' +
    choices.map((c) => '<option value="' + c + '">' + c + '</option>').join('') + '</select></div>';
}).join(''));
