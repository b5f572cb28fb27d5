// The animatable-property registry: which element properties can carry tracks, how each is captured
// from a record, what kind of value it holds, where and under which CSS name playback writes it (or
// which special applier or composite group does), and for which element types it is offered. Capture,
// playback, the inspector's keyframe offers and the visibility test all follow it.
// Provides: ANIM_REGISTRY, ANIMATABLE_PROPS, ANIM_GROUPS, getAnimEntry, isGroupMember, captureAnimValue,
//   _TL_PROP_TO_CSS, _TL_WRAPPER_PROPS, _TL_TYPOGRAPHY_TYPES
// Needs: _TL_UNITLESS_PROPS (evaluate.js)

var _TL_TYPOGRAPHY_TYPES = ['heading', 'text', 'button', 'link', 'textarea', 'icon', 'checkbox', 'radio', 'toggle',
  'toggle-btn', 'select', 'alert', 'table', 'list'];

function _tlOfferAll(type) { return type !== 'splitter'; }
function _tlOfferNoPlayer(type) { return type !== 'splitter' && type !== 'avplayer'; }
function _tlOfferNoPlayerNoImage(type) { return _tlOfferNoPlayer(type) && type !== 'image'; }
function _tlOfferTypography(type) { return _TL_TYPOGRAPHY_TYPES.indexOf(type) !== -1; }
function _tlOfferTypes(types) { return function (type) { return types.indexOf(type) !== -1; }; }

function _tlGradientOf(el) {
  const g = el && el.bgGradient;
  return g && typeof g === 'object' && g.enabled && Array.isArray(g.stops) ? g : null;
}

// Rows of the registry table: [names, kind, target, css names (one per name, or one for all), offered for,
// extra members]. Expanded below into one entry per property.
var _TL_REGISTRY_ROWS = [
  [['left', 'top', 'width', 'height', 'minWidth', 'maxWidth', 'minHeight', 'maxHeight'], 'number', 'wrapper', null, _tlOfferAll],
  [['opacity'], 'number', 'inner', ['opacity'], _tlOfferAll],
  [['rotation'], 'number', 'wrapper-rotate', [], _tlOfferAll],
  [['scale'], 'number', 'wrapper-rotate', [], _tlOfferAll, { capture: function (el) { return _tlEmpty(el.scale) ? 1 : el.scale; } }],
  [['transformOriginX'], 'number', 'wrapper-rotate', [], _tlOfferAll, { capture: function (el) { return _tlEmpty(el.transformOriginX) ? 50 : el.transformOriginX; } }],
  [['transformOriginY'], 'number', 'wrapper-rotate', [], _tlOfferAll, { capture: function (el) { return _tlEmpty(el.transformOriginY) ? 50 : el.transformOriginY; } }],
  [['marginTop', 'marginBottom'], 'number', 'inner', null, _tlOfferAll],
  [['marginRight', 'marginLeft'], 'number', 'wrapper', null, _tlOfferAll],
  [['floatTop', 'floatRight', 'floatBottom', 'floatLeft'], 'number', 'wrapper', ['top', 'right', 'bottom', 'left'], _tlOfferAll],
  [['floatZ'], 'number', 'wrapper', ['zIndex'], _tlOfferAll],
  [['padding'], 'number', 'inner', ['padding'], _tlOfferAll],
  [['borderRadius'], 'number', 'inner', ['borderRadius'], _tlOfferNoPlayer],
  [['borderRadiusCustomTL', 'borderRadiusCustomTR', 'borderRadiusCustomBR', 'borderRadiusCustomBL'], 'number', 'inner',
    ['borderTopLeftRadius', 'borderTopRightRadius', 'borderBottomRightRadius', 'borderBottomLeftRadius'], _tlOfferNoPlayer],
  [['borderWidth'], 'borderWidth', 'inner', ['borderWidth'], _tlOfferNoPlayer],
  [['borderStyle'], 'borderStyle', 'inner', ['borderStyle'], _tlOfferNoPlayer],
  [['borderColor', 'bgColor'], 'color', 'inner', ['borderColor', 'backgroundColor'], _tlOfferNoPlayer],
  [['textColor'], 'color', 'inner', ['color'], _tlOfferNoPlayerNoImage],
  [['fontSize'], 'fontSize', 'inner', ['fontSize'], _tlOfferTypography],
  [['fontFamily', 'fontWeight', 'fontStyle'], 'keyword', 'inner', null, _tlOfferTypography],
  [['hoverBgColor'], 'color', 'inner', [], _tlOfferNoPlayer, { custom: 'hoverBg' }],
  [['hoverTextColor'], 'color', 'inner', [], _tlOfferNoPlayerNoImage, { custom: 'hoverText' }],
  [['activeBgColor'], 'color', 'inner', [], _tlOfferNoPlayer, { custom: 'activeBg' }],
  [['thumbColor'], 'color', 'inner', [], _tlOfferTypes(['toggle', 'slider']), { custom: 'thumb' }],
  [['activeTrackColor'], 'color', 'inner', [], _tlOfferTypes(['toggle']), { custom: 'trackActive' }],
  [['inactiveTrackColor'], 'color', 'inner', [], _tlOfferTypes(['toggle']), { custom: 'trackInactive' }],
  [['checkedBg'], 'color', 'inner', [], _tlOfferTypes(['toggle-btn']), { custom: 'checkedBg' }],
  [['checkedText'], 'color', 'inner', [], _tlOfferTypes(['toggle-btn']), { custom: 'checkedText' }],
  [['headerBgColor'], 'color', 'inner', [], _tlOfferTypes(['accordion']), { custom: 'headerBg' }],
  [['headerTextColor'], 'color', 'inner', [], _tlOfferTypes(['accordion']), { custom: 'headerText' }],
  [['splitColor'], 'color', 'inner', [], _tlOfferTypes(['splitter']), { custom: 'splitColor' }],
  [['splitHoverColor'], 'color', 'inner', [], _tlOfferTypes(['splitter']), { custom: 'splitHover' }],
  [['textShadowColor'], 'color', 'inner', [], _tlOfferTypography, { group: 'textShadow' }],
  [['textShadowX', 'textShadowY', 'textShadowBlur', 'textShadowOpacity'], 'number', 'inner', [], _tlOfferTypography, { group: 'textShadow' }],
  [['boxShadowColor'], 'color', 'inner', [], _tlOfferNoPlayer, { group: 'boxShadow' }],
  [['boxShadowX', 'boxShadowY', 'boxShadowBlur', 'boxShadowOpacity'], 'number', 'inner', [], _tlOfferNoPlayer, { group: 'boxShadow' }],
  [['imgBlur', 'imgBrightness', 'imgContrast', 'imgSaturate'], 'imgFilter', 'inner', [], _tlOfferTypes(['image']), { group: 'imgFilter' }],
  [['imgScale', 'imgOffsetX', 'imgOffsetY'], 'number', 'inner', [], _tlOfferTypes(['image']), { group: 'imgFilter' }],
  [['imgGrayscale', 'imgSepia', 'imgInvert'], 'keyword', 'inner', [], _tlOfferTypes(['image']), { group: 'imgFilter' }],
  [['bgGradientAngle'], 'number', 'inner', [], function (type, el) { return type !== 'avplayer' && !!_tlGradientOf(el); },
    { group: 'bgGradient', capture: function (el) { const g = _tlGradientOf(el); return g ? g.angle : undefined; } }],
];

// Stops 0..7 of the gradient: colour, position and opacity each, offered while the stop exists.
for (let i = 0; i < 8; i++) {
  const stopField = function (field) {
    return function (el) {
      const g = _tlGradientOf(el);
      const stop = g && g.stops[i];
      return stop ? stop[field] : undefined;
    };
  };
  const offered = function (type, el) {
    const g = _tlGradientOf(el);
    return type !== 'avplayer' && !!g && g.stops.length > i;
  };
  _TL_REGISTRY_ROWS.push(
    [['bgGradientStop' + i + 'Color'], 'color', 'inner', [], offered, { group: 'bgGradient', capture: stopField('color') }],
    [['bgGradientStop' + i + 'Position'], 'number', 'inner', [], offered, { group: 'bgGradient', capture: stopField('position') }],
    [['bgGradientStop' + i + 'Opacity'], 'number', 'inner', [], offered, { group: 'bgGradient', capture: stopField('opacity') }]);
}

function _tlEmpty(v) {
  return v === undefined || v === null || v === '';
}

var ANIM_REGISTRY = [];
_TL_REGISTRY_ROWS.forEach(function (row) {
  const names = row[0];
  const css = row[3];
  const extra = row[5] || {};
  names.forEach(function (name, i) {
    const entry = { name: name, kind: row[1], target: row[2], visible: row[4] };
    const cssName = css === null ? name : css[i] !== undefined ? css[i] : css.length === 1 ? css[0] : undefined;
    if (cssName) entry.css = cssName;
    if (_TL_UNITLESS_PROPS.indexOf(name) !== -1) entry.noUnit = true;
    if (extra.custom) entry.custom = extra.custom;
    if (extra.group) entry.group = extra.group;
    if (extra.capture) entry.capture = extra.capture;
    ANIM_REGISTRY.push(Object.freeze(entry));
  });
});

var ANIMATABLE_PROPS = ANIM_REGISTRY.map(function (e) { return e.name; });

var _TL_REGISTRY_INDEX = new Map(ANIM_REGISTRY.map(function (e) { return [e.name, e]; }));

var ANIM_GROUPS = {};
ANIM_REGISTRY.forEach(function (e) {
  if (!e.group) return;
  if (!ANIM_GROUPS[e.group]) ANIM_GROUPS[e.group] = { members: [], target: 'inner' };
  ANIM_GROUPS[e.group].members.push(e.name);
});

// The older flat tables: property -> CSS name, and the properties written on the wrapper.
var _TL_PROP_TO_CSS = {};
ANIM_REGISTRY.forEach(function (e) {
  if (e.css && !e.group && !e.custom) _TL_PROP_TO_CSS[e.name] = e.css;
});
var _TL_WRAPPER_PROPS = ['left', 'top', 'width', 'height', 'marginRight', 'marginLeft', 'rotation', 'minWidth', 'maxWidth',
  'minHeight', 'maxHeight', 'floatTop', 'floatRight', 'floatBottom', 'floatLeft', 'floatZ'];

function getAnimEntry(prop) {
  return _TL_REGISTRY_INDEX.get(prop) || null;
}

function isGroupMember(prop) {
  const e = getAnimEntry(prop);
  return !!(e && e.group);
}

// The value a keyframe takes from the record: the entry's rule, else the property; an empty number is 0
// (for opacity, a transparency, 0 is fully visible); other empty values stay empty and are skipped.
function captureAnimValue(prop, el) {
  const e = getAnimEntry(prop);
  if (!e || !el) return undefined;
  const v = e.capture ? e.capture(el) : el[prop];
  if (_tlEmpty(v)) return e.kind === 'number' ? 0 : v;
  return v;
}
