// Element records: the id prefixes, generateId and the base fields every new element starts with.
// Provides: TYPE_PREFIXES, generateId, baseProps, REQUEST_FIELDS, CONTAINER_LIKE_TYPES, LIST_WRAPPABLE_TYPES,
//   _deepCopy

// Element id prefixes. chart and canvas have none (their ids begin "el_"); label, file and divider
// are kept for ids of older documents although the toolbox no longer offers them.
var TYPE_PREFIXES = Object.freeze({
  container: 'con', nineslice: 'cco', accordion: 'acc', table: 'tab', button: 'btn', label: 'lbl',
  text: 'txt', heading: 'hdg', input: 'inp', textarea: 'txa', checkbox: 'chk', radio: 'rad',
  toggle: 'tgl', 'toggle-btn': 'bgr', select: 'sel', slider: 'sld', image: 'img', icon: 'ico',
  progress: 'prg', link: 'lnk', file: 'fil', alert: 'alt', list: 'lst', divider: 'sep',
  splitter: 'spl', contentscroll: 'srl', avplayer: 'ply',
});

// Prefix, "_", then nine base-36 characters from a random fraction (fewer in the rare case of a
// short fraction). Ids are never reused: projects keep the ids they were saved with.
function generateId(type) {
  const prefix = Object.prototype.hasOwnProperty.call(TYPE_PREFIXES, type) ? TYPE_PREFIXES[type] : 'el';
  return prefix + '_' + Math.random().toString(36).slice(2, 11);
}

// The base fields and their defaults, in the order documents list them. Texts are CSS values,
// utility classes, theme references ("th:" + token) or numbers as the inspector writes them.
var baseProps = Object.freeze({
  // size and spacing
  width: '', height: '', minWidth: '10px', maxWidth: '', minHeight: '10px', maxHeight: '', padding: '',
  marginTop: '', marginRight: '', marginBottom: '', marginLeft: '', overflow: '', flexChild: '',
  // text and colours
  textAlign: '', textColor: '', bgColor: '', hoverBgColor: '', hoverTextColor: '', activeBgColor: '',
  hoverEffect: '', clickEffect: '', boxShadow: '', shadowDir: '', fontFamily: '', fontSize: '',
  fontWeight: '', fontStyle: '', fluidFontSize: '',
  // border
  borderRadius: '', borderWidth: '', borderStyle: '', borderColor: '',
  // control colours
  thumbColor: '', activeTrackColor: '', inactiveTrackColor: '', checkedBg: '', checkedText: '',
  tableHeaderBg: '', tableHeaderText: '', tableBodyBg: '', tableBodyText: '',
  // icon
  iconClass: '', iconOffsetY: '',
  // transform: degrees, factor, pivot in percent
  rotation: '0', scale: 1, transformOriginX: '50', transformOriginY: '50',
  // state
  value: '', checked: false, disabled: false, hidden: false,
  // accordion header
  headerPadding: '', headerAlign: '', headerFontSize: '', headerBgColor: '', headerTextColor: '',
  headerFontWeight: '', headerFontStyle: '',
  // floating placement
  floating: false, floatingBlur: false, floatTop: '', floatRight: '', floatBottom: '', floatLeft: '',
  floatZ: '', floatCenter: false,
  // gradient
  bgGradient: null,
  // text shadow (opacity 0-100)
  textShadowEnabled: false, textShadowColor: '', textShadowX: '', textShadowY: '', textShadowBlur: '',
  textShadowOpacity: '',
  // box shadow (opacity 0-100)
  boxShadowEnabled: false, boxShadowColor: '', boxShadowX: '', boxShadowY: '', boxShadowBlur: '',
  boxShadowOpacity: '', boxShadowInset: false, boxShadowAltTrack: false,
  // opacity
  opacityEnabled: false, opacity: '0',
  // corner radii
  borderRadiusCustomTL: '', borderRadiusCustomTR: '', borderRadiusCustomBR: '', borderRadiusCustomBL: '',
  // CSS animation
  animType: '', animDuration: '1s', animCount: 'infinite', animTiming: 'ease-in-out',
  // splitter
  splitDir: 'horizontal', splitThickness: '10', splitColor: '#1e293b', splitHoverColor: '#3b82f6',
  splitMinSize: '40',
  // exported events
  exportEvents: false, exportMousedown: false, exportMouseup: false, exportMouseenter: false,
  exportMouseleave: false, exportMousemove: false, exportInput: false, exportChange: false,
  exportFocus: false, exportBlur: false, exportCellClick: false, exportKeyDown: false, exportKeyUp: false,
  // window title bar: -1 = no such window button; null = present, its element id in the id field
  isTitlebar: false, allowResize: true, windowMaximize: -1, windowMinimize: -1, windowClose: -1,
  windowMaximizeId: '', windowMinimizeId: '', windowCloseId: '',
  // rich text: true while `text` holds inline colour spans
  richText: false,
});

// The request fields every new record ends with.
var REQUEST_FIELDS = Object.freeze(['hxGet', 'hxPost', 'hxTarget', 'hxSwap', 'hxTrigger']);

// Types that hold children: paste targets and setLayoutDir.
var CONTAINER_LIKE_TYPES = Object.freeze(['container', 'accordion', 'contentscroll', 'nineslice']);
// Types that need an invisible wrapper when they are placed inside a list.
var LIST_WRAPPABLE_TYPES = Object.freeze(['container', 'contentscroll', 'nineslice']);

// Records, settings and snapshots are plain JSON data; a JSON round trip is the one deep copy they need.
function _deepCopy(value) {
  return value === undefined ? undefined : JSON.parse(JSON.stringify(value));
}
