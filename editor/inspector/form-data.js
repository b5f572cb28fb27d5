// The inspector's tables as data: which sections and fields each selection shows, what a field shows
// when the selection has no common value, and which fields write which element property.
// Provides: INSPECTOR_ALWAYS_HIDDEN, INSPECTOR_VISIBILITY, INSPECTOR_DEFAULTS, INSPECTOR_BOUND_FIELDS,
//   INSPECTOR_BOUND_BOXES, INSPECTOR_OWN_BOXES, INSPECTOR_DIRECT_FIELDS, INSPECTOR_CUSTOM_PRESETS,
//   INSPECTOR_RELAYOUT_PROPS, INSPECTOR_EVENT_BOXES, _INSP_TYPE_EVENTS, _INSP_MOUSE_EVENTS
// Calls: _inspAll, _inspCommon, _inspParent

// Hidden before every refresh: several of these sit outside props-form, so hiding the form alone
// would leave them on screen.
var INSPECTOR_ALWAYS_HIDDEN = [
  'section-visuals', 'section-interaction', 'section-container', 'section-typography', 'section-spacing',
  'section-floating', 'section-animation', 'section-splitter', 'section-nineslice',
];

var _INSP_LIST_FIELDS = ['field-listStyle', 'field-listStyleSize', 'field-listLayoutHeader', 'field-listJustify',
  'field-listAlign', 'field-sortable', 'field-sortableHandle', 'field-sortableAnimation', 'field-sortableGroup',
  'field-sortablePull', 'field-sortablePut', 'field-sortableDelay', 'field-sortableSwap'];

// Each row: the ids it governs and when they show. `all`: every selected type is listed; `notAll`:
// not every selected type is listed; `when(sel)`: a rule over the selected records.
var INSPECTOR_VISIBILITY = [
  { ids: ['section-container', 'field-minParentThreshold'], all: ['container', 'accordion', 'contentscroll', 'nineslice'] },
  { ids: ['section-nineslice'], all: ['nineslice'] },
  { ids: ['field-bgImage'], all: ['container'] },
  { ids: ['field-page-mode'], all: ['container', 'nineslice'] },
  { ids: ['field-text'], all: ['heading', 'text', 'button', 'link', 'textarea', 'checkbox', 'radio', 'toggle', 'toggle-btn', 'alert', 'accordion'] },
  { ids: ['field-checked'], all: ['checkbox', 'radio', 'toggle', 'toggle-btn', 'accordion'] },
  { ids: ['field-checkedImage', 'field-uncheckedImage', 'field-chkImageSize'], all: ['checkbox', 'radio', 'toggle'] },
  { ids: ['field-noToggle'], all: ['accordion'] },
  { ids: ['field-disabled'], all: ['button', 'input', 'textarea', 'slider', 'checkbox', 'radio', 'toggle', 'toggle-btn', 'select', 'file', 'container', 'accordion'] },
  { ids: ['field-value'], all: ['progress', 'slider', 'input'] },
  { ids: ['field-placeholder', 'field-readonly'], all: ['input', 'textarea'] },
  { ids: ['field-inputType', 'field-autoGrow'], all: ['input'] },
  { ids: ['field-enterSubmit'], when: (sel) => _inspAll(sel, ['input']) ? sel[0].autoGrow === true : _inspAll(sel, ['textarea']) },
  { ids: ['field-no-resize'], all: ['textarea'] },
  { ids: ['field-listItems', 'field-selectedIndex'], all: ['select'] },
  { ids: ['field-name'], all: ['radio', 'toggle-btn', 'accordion'] },
  { ids: ['field-thumbColor'], when: (sel) => _inspAll(sel, ['toggle', 'slider']) && !sel.some((el) => el.type === 'slider' && el.thumbImage) },
  { ids: ['field-thumbImage', 'field-thumbSize'], all: ['slider'] },
  { ids: ['field-activeTrackColor', 'field-inactiveTrackColor', 'field-boxShadowAltTrack'], all: ['toggle'] },
  { ids: _INSP_LIST_FIELDS, all: ['list'] },
  { ids: ['field-listItemDelete'], when: (sel) => sel.some((el) => { const p = _inspParent(el); return !!p && p.type === 'list'; }) },
  { ids: ['field-src', 'field-alt', 'field-img-fit', 'field-img-effects'], all: ['image'] },
  { ids: ['field-avplayer-src', 'field-avplayer-poster', 'field-avplayer-opts', 'field-avplayer-ui', 'field-avplayer-controls-visibility', 'field-avplayer-visual'], all: ['avplayer'] },
  { ids: ['field-textColor'], notAll: ['avplayer', 'image', 'canvas'] },
  { ids: ['field-bgColor', 'field-bgGradient', 'field-borders', 'field-borderColor', 'field-borderRadius', 'section-boxShadow', 'section-textShadow', 'field-hoverBgColor', 'field-hoverTextColor', 'field-hoverEffect', 'field-activeBgColor'], notAll: ['avplayer'] },
  { ids: ['field-href', 'field-underlineOnHover'], all: ['link'] },
  { ids: ['field-icon-group', 'field-iconOffsetY'], all: ['button', 'link', 'icon', 'alert', 'toggle-btn', 'accordion'] },
  { ids: ['field-autoHideMs'], all: ['alert'] },
  { ids: ['section-typography'], all: ['heading', 'text', 'button', 'link', 'input', 'textarea', 'icon', 'checkbox', 'radio', 'toggle', 'toggle-btn', 'select', 'alert', 'table', 'list'] },
  { ids: ['section-accordion-header', 'field-bodyHeight'], all: ['accordion'] },
  { ids: ['section-contentscroll'], all: ['contentscroll'] },
  { ids: ['section-table-datos', 'section-table-features', 'section-table-colors'], all: ['table'] },
  { ids: ['section-chart-data'], all: ['chart'] },
  { ids: ['section-checked-colors'], all: ['toggle-btn'] },
  { ids: ['section-size', 'section-spacing', 'section-visuals', 'section-interaction'], notAll: ['splitter'] },
  { ids: ['section-splitter'], all: ['splitter'] },
  { ids: ['section-floating'], when: () => true },
  { ids: ['margin-fields'], when: (sel) => _inspCommon(sel, 'floating') !== true },
  { ids: ['section-animation'], notAll: ['contentscroll'] },
  { ids: ['field-linked'], when: (sel) => sel.length === 1 },
  { ids: ['field-hidden'], when: (sel) => _inspCommon(sel, 'pageMode') !== true },
  { ids: ['field-editor-hidden'], when: (sel) => _inspCommon(sel, 'hidden') === true && _inspCommon(sel, 'pageMode') !== true },
  { ids: ['field-events'], when: () => true },
  // Scroll start positions only on an axis that scrolls.
  { ids: ['scrollPosX-wrap'], when: (sel) => /(^|\s)overflow-(auto|x-auto)(\s|$)/.test(String(_inspCommon(sel, 'overflow') || '')) },
  { ids: ['scrollPosY-wrap'], when: (sel) => /(^|\s)overflow-(auto|y-auto)(\s|$)/.test(String(_inspCommon(sel, 'overflow') || '')) },
];

var _INSP_PLYR_CONTROLS = ['play-large', 'restart', 'rewind', 'fast-forward', 'play', 'progress', 'current-time',
  'duration', 'mute', 'volume', 'captions', 'settings', 'fullscreen'];

// Text shown in a field when the selection has no common value. Keys are field ids; colour rows
// are keyed by property (their picker row shows the colour).
var INSPECTOR_DEFAULTS = {
  colours: {
    '#000000': ['textColor', 'borderColor', 'hoverBgColor', 'hoverTextColor', 'activeBgColor', 'headerBgColor',
      'headerTextColor', 'activeTrackColor', 'inactiveTrackColor', 'tableHeaderBg', 'tableHeaderText',
      'tableRowHoverBg', 'tableRowSelectedBg', 'tableRowHoverText', 'tableRowSelectedText', 'tableBodyText', 'checkedBg'],
    '#ffffff': ['bgColor', 'thumbColor', 'tableBodyBg', 'checkedText'],
    '#1e293b': ['tablePaginationBg'],
  },
  fields: {
    'input-boxShadowX': '0', 'input-boxShadowY': '0', 'input-boxShadowBlur': '0', 'input-boxShadowOpacity': '50',
    'input-boxShadowColorHex': '#000000',
    'input-textShadowX': '2', 'input-textShadowY': '2', 'input-textShadowBlur': '4', 'input-textShadowOpacity': '50',
    'input-textShadowColorHex': '#000000',
    'input-opacity': '0',
    'input-floatZ': '1001',
    'input-posAnimTiming': 'ease', 'input-posAnimDuration': '0.3s',
    'input-animDurSelect': '1s', 'input-animCount': 'infinite', 'input-animTiming': 'ease-in-out',
    'input-splitDir': 'horizontal', 'input-splitThickness': '6', 'input-splitMinSize': '40',
    'input-scrollDir': 'horizontal', 'input-animDuration': '10s', 'input-scrollCount': 'infinite',
    'input-headerPadding': 'p-3', 'input-headerAlign': 'justify-start', 'input-headerFontSize': 'text-base',
    'input-justify': 'justify-start', 'input-items': 'items-stretch', 'input-gap': 'gap-4',
    'input-wrap': 'flex-nowrap', 'input-alignContent': 'content-auto',
    'input-inputType': 'text',
    'input-listStyle': 'none', 'input-listStyleSize': 'medium', 'input-listJustify': 'justify-start',
    'input-listAlign': 'items-stretch', 'input-sortableAnimation': '150', 'input-sortableDelay': '0',
    'input-img-fit': 'object-cover',
    'input-avplayer-fit': 'cover', 'input-avplayer-seekTime': '10', 'input-avplayer-volume': '100',
    'input-avplayer-speedSelected': '1',
    'input-chartType': 'bar', 'input-chartOrientation': 'vertical', 'input-chartCutout': '50',
    'input-sliceRepeat': 'stretch', 'input-sliceScale': '1',
    'input-bgImageSize': 'cover', 'input-bgImagePosition': 'center',
  },
  // Boxes ticked when the common value is anything but false.
  tickedUnlessFalse: ['input-allow-resize', 'input-sliceFill'],
  // Window button id fields (the boxes beside them: type-editors.js).
  windowButtons: { 'input-window-maximize': 'windowMaximizeId', 'input-window-minimize': 'windowMinimizeId',
    'input-window-close': 'windowCloseId' },
  plyrControls: _INSP_PLYR_CONTROLS,
  tableFeatures: { sort: true, filter: true, search: true, pagination: true, pageSize: 10, rowHeight: '', height: '',
    fixedHeader: false, nowrap: false },
};

// Fields that write a property, by id. A bare name stands for "input-" + name writing that name.
var INSPECTOR_BOUND_FIELDS = [
  'text', 'placeholder', 'value', 'thumbImage', 'thumbSize', 'checkedImage', 'uncheckedImage', 'chkImageSize',
  'inputType', 'listItems', 'selectedIndex', 'className', 'src', 'alt',
  ['input-avplayer-src', 'src'], ['input-avplayer-poster', 'poster'], ['input-avplayer-fit', 'fit'],
  ['input-avplayer-speedSelected', 'speedSelected'], ['input-avplayer-seekTime', 'seekTime'],
  ['input-avplayer-volume', 'volume'],
  'bgImage', 'bgImageSize', 'bgImagePosition', 'sliceImage', 'sliceTop', 'sliceRight', 'sliceBottom', 'sliceLeft',
  'sliceRepeat', 'sliceScale', 'href',
  ['input-img-fit', 'objectFit'], ['input-img-aspect', 'aspectRatio'], ['input-img-blur', 'imgBlur'],
  ['input-img-brightness', 'imgBrightness'], ['input-img-contrast', 'imgContrast'],
  ['input-img-saturate', 'imgSaturate'], ['input-img-scale', 'imgScale'], ['input-img-offset-x', 'imgOffsetX'],
  ['input-img-offset-y', 'imgOffsetY'],
  'width', 'height', 'minWidth', 'maxWidth', 'minHeight', 'maxHeight', 'minParentWidthThreshold',
  'minParentHeightThreshold', 'overflow', 'flexChild', 'iconClass', 'iconOffsetY', 'textAlign', 'fontFamily',
  'borderRadius', 'borderRadiusCustomTL', 'borderRadiusCustomTR', 'borderRadiusCustomBR', 'borderRadiusCustomBL',
  'opacity', 'rotation',
  ['input-pivotX', 'transformOriginX'], ['input-pivotY', 'transformOriginY'], 'hoverEffect', 'clickEffect',
  'borderWidth', 'borderStyle', 'headerAlign', 'headerFontFamily', 'scrollDir', 'listStyle',
  'listStyleSize', 'listJustify', 'listAlign', 'sortableAnimation', 'sortableGroup', 'sortableDelay', 'justify',
  'items', 'wrap', 'alignContent', 'posAnim', 'posAnimTiming', 'posAnimDuration', 'floatZ',
  ['input-animDurSelect', 'animDuration'], 'animCount', 'animTiming', 'splitDir', 'splitThickness', 'splitMinSize',
  'autoHideMs', 'bodyHeight', 'animDuration',
].map(function (entry) { return Array.isArray(entry) ? entry : ['input-' + entry, entry]; });

// Tick boxes that write a boolean property of the same name (field id -> property).
var INSPECTOR_BOUND_BOXES = [
  'checked', 'noToggle', 'disabled', 'hidden', 'underlineOnHover', 'autoGrow', 'enterSubmit', ['input-readonly', 'readOnly'],
  'listLayoutHeader', 'sortable', 'sortableHandle', 'sortablePull', 'sortablePut', 'sortableSwap', 'sliceFill',
  'floatingBlur', 'floatCenter', 'posAnim', 'boxShadowEnabled', 'boxShadowInset', 'boxShadowAltTrack',
  'textShadowEnabled', 'opacityEnabled', 'scrollReverse', 'scrollSeamless',
  ['input-no-resize', 'noResize'], ['input-editor-hidden', 'editorHidden'], ['input-allow-resize', 'allowResize'],
  ['input-avplayer-autoplay', 'autoplay'], ['input-avplayer-loop', 'loop'],
  ['input-avplayer-clickToPlay', 'clickToPlay'], ['input-avplayer-resetOnEnd', 'resetOnEnd'],
  ['input-avplayer-hideControls', 'hideControls'], ['input-avplayer-tooltipsSeek', 'tooltipsSeek'],
  ['input-img-grayscale', 'imgGrayscale'], ['input-img-sepia', 'imgSepia'], ['input-img-invert', 'imgInvert'],
].map(function (entry) { return Array.isArray(entry) ? entry : ['input-' + entry, entry]; });

// Boxes shown from the table above whose writes have rules of their own (type-editors.js,
// style-editors.js).
var INSPECTOR_OWN_BOXES = ['input-checked', 'input-disabled', 'input-hidden', 'input-opacityEnabled',
  'input-textShadowEnabled', 'input-boxShadowEnabled'];

// Boxes whose value changes which fields apply, so the panel is rebuilt after them.
var INSPECTOR_RELAYOUT_PROPS = ['hidden', 'autoGrow', 'posAnim', 'boxShadowEnabled', 'textShadowEnabled',
  'opacityEnabled', 'floatCenter', 'checked', 'readOnly', 'noResize'];

// The exported-event boxes: box id, the event it switches on, the element flag that holds it. The
// flow nodes' own table (_EVENT_FLAG) names the flag when it is loaded.
var INSPECTOR_EVENT_BOXES = [
  ['input-export', 'onClick', 'exportEvents'], ['input-change', 'onChange', 'exportChange'],
  ['input-input', 'onInput', 'exportInput'], ['input-focus', 'onFocus', 'exportFocus'],
  ['input-blur', 'onBlur', 'exportBlur'], ['input-cellclick', 'onCellClick', 'exportCellClick'],
  ['input-keydown', 'onKeyDown', 'exportKeyDown'], ['input-keyup', 'onKeyUp', 'exportKeyUp'],
  ['input-mousedown', 'onMouseDown', 'exportMousedown'], ['input-mouseup', 'onMouseUp', 'exportMouseup'],
  ['input-mouseenter', 'onMouseEnter', 'exportMouseenter'], ['input-mouseleave', 'onMouseLeave', 'exportMouseleave'],
  ['input-mousemove', 'onMouseMove', 'exportMousemove'],
];

// The events each type raises, while the flow nodes' catalogue (supportedEventsForType) is not loaded;
// every type also raises the mouse events, and a type not listed raises only those.
var _INSP_MOUSE_EVENTS = ['onMouseDown', 'onMouseUp', 'onMouseEnter', 'onMouseLeave', 'onMouseMove'];
var _INSP_TYPE_EVENTS = {
  button: ['onClick'], link: ['onClick'],
  input: ['onClick', 'onInput', 'onChange', 'onFocus', 'onBlur', 'onKeyDown', 'onKeyUp'],
  textarea: ['onClick', 'onInput', 'onChange', 'onFocus', 'onBlur', 'onKeyDown', 'onKeyUp'],
  select: ['onClick', 'onChange', 'onKeyDown', 'onKeyUp'],
  checkbox: ['onClick', 'onChange'], radio: ['onClick', 'onChange'], toggle: ['onClick', 'onChange'],
  'toggle-btn': ['onClick', 'onChange'], accordion: ['onClick', 'onChange'],
  slider: ['onInput', 'onChange'], progress: ['onInput', 'onChange'], table: ['onClick', 'onCellClick'],
  image: ['onClick'], icon: ['onClick'], heading: ['onClick'], text: ['onClick'], container: ['onClick'],
  nineslice: ['onClick'], alert: ['onClick'], avplayer: ['onClick'], list: ['onClick'], canvas: ['onClick'],
};

// Fields stored as typed (trimmed, also when empty) when they are committed.
var INSPECTOR_DIRECT_FIELDS = ['marginTop', 'marginRight', 'marginBottom', 'marginLeft', 'minParentWidthThreshold',
  'minParentHeightThreshold'];

// Preset drop-downs paired with a custom field: [property, prefix].
var INSPECTOR_CUSTOM_PRESETS = [['padding', 'p-'], ['fontSize', 'text-'], ['headerPadding', 'p-'],
  ['headerFontSize', 'text-'], ['gap', 'gap-'], ['tableHeaderFontSize', 'text-']];
