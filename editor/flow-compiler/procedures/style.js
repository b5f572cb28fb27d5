// UI procedures, style family: colours, sizes, margins, typography, radii, floating anchors, rotation,
// pivot, background image and free style or attribute writes. Values are written as given ("120px",
// "50%"); a value the browser refuses leaves the property as it was. Background and text colours are rest
// colours, written through the state family's _qlpRestColour.
// Registers the shim helpers _qlpStyle, _qlpCssUrl; the procedure bodies UI_SetBgColor, UI_SetTextColor,
//   UI_SetBorderColor, UI_SetMarginTop, UI_SetMarginRight, UI_SetMarginBottom, UI_SetMarginLeft,
//   UI_SetFontSize, UI_SetFontFamily, UI_SetBorderRadius, UI_SetBorderRadiusEx, UI_SetWidth, UI_SetHeight,
//   UI_SetMinWidth, UI_SetMaxWidth, UI_SetMinHeight, UI_SetMaxHeight, UI_SetPadding, UI_SetFloatTop,
//   UI_SetFloatRight, UI_SetFloatBottom, UI_SetFloatLeft, UI_SetFloatZ, UI_SetRotation, UI_SetPivot,
//   UI_SetBgImage, UI_SetStyle, UI_SetAttribute (procedures/registry.js).
// Provides: nothing
// Needs: _qlDefineProcedureBodies, _qlDefineShimHelpers

_qlDefineShimHelpers({
  // One style property (CSS name) of an element that may be missing.
  _qlpStyle: function (el, property, value) {
    if (el) el.style.setProperty(property, _qlpText(value));
  },

  // A CSS url() around a source: quotes and backslashes escaped for the CSS string, line breaks
  // percent-encoded (a URL drops them), so a file name such as "it's.png" loads and cannot end the value.
  _qlpCssUrl: function (src) {
    return "url('" + _qlpText(src).replace(/[\\']/g, '\\$&').replace(/\r/g, '%0D').replace(/\n/g, '%0A') + "')";
  },
});

_qlDefineProcedureBodies({
  UI_SetBgColor: function (g, elementId, color) {
    _qlpRestColour(_qlpEl(elementId), 'background-color', color);
  },

  UI_SetTextColor: function (g, elementId, color) {
    _qlpRestColour(_qlpEl(elementId), 'color', color);
  },

  UI_SetBorderColor: function (g, elementId, color) {
    _qlpStyle(_qlpEl(elementId), 'border-color', color);
  },

  UI_SetMarginTop: function (g, elementId, margin) {
    _qlpStyle(_qlpEl(elementId), 'margin-top', margin);
  },

  UI_SetMarginRight: function (g, elementId, margin) {
    _qlpStyle(_qlpEl(elementId), 'margin-right', margin);
  },

  UI_SetMarginBottom: function (g, elementId, margin) {
    _qlpStyle(_qlpEl(elementId), 'margin-bottom', margin);
  },

  UI_SetMarginLeft: function (g, elementId, margin) {
    _qlpStyle(_qlpEl(elementId), 'margin-left', margin);
  },

  UI_SetFontSize: function (g, elementId, fontsize) {
    _qlpStyle(_qlpEl(elementId), 'font-size', fontsize);
  },

  UI_SetFontFamily: function (g, elementId, family) {
    _qlpStyle(_qlpEl(elementId), 'font-family', family);
  },

  UI_SetBorderRadius: function (g, elementId, radius) {
    _qlpStyle(_qlpEl(elementId), 'border-radius', radius);
  },

  UI_SetBorderRadiusEx: function (g, elementId, radiusTL, radiusTR, radiusBR, radiusBL) {
    var corners = [radiusTL, radiusTR, radiusBR, radiusBL].map(function (r) { return _qlpText(r) || '0'; });
    _qlpStyle(_qlpEl(elementId), 'border-radius', corners.join(' '));
  },

  UI_SetWidth: function (g, elementId, width) {
    _qlpStyle(_qlpWrapOrEl(elementId), 'width', width);
  },

  UI_SetHeight: function (g, elementId, height) {
    _qlpStyle(_qlpWrapOrEl(elementId), 'height', height);
  },

  UI_SetMinWidth: function (g, elementId, minwidth) {
    _qlpStyle(_qlpWrapOrEl(elementId), 'min-width', minwidth);
  },

  UI_SetMaxWidth: function (g, elementId, maxwidth) {
    _qlpStyle(_qlpWrapOrEl(elementId), 'max-width', maxwidth);
  },

  UI_SetMinHeight: function (g, elementId, minheight) {
    _qlpStyle(_qlpWrapOrEl(elementId), 'min-height', minheight);
  },

  UI_SetMaxHeight: function (g, elementId, maxheight) {
    _qlpStyle(_qlpWrapOrEl(elementId), 'max-height', maxheight);
  },

  UI_SetPadding: function (g, elementId, padding) {
    _qlpStyle(_qlpWrapOrEl(elementId), 'padding', padding);
  },

  UI_SetFloatTop: function (g, elementId, position) {
    _qlpStyle(_qlpWrap(elementId), 'top', position);
  },

  UI_SetFloatRight: function (g, elementId, position) {
    _qlpStyle(_qlpWrap(elementId), 'right', position);
  },

  UI_SetFloatBottom: function (g, elementId, position) {
    _qlpStyle(_qlpWrap(elementId), 'bottom', position);
  },

  UI_SetFloatLeft: function (g, elementId, position) {
    _qlpStyle(_qlpWrap(elementId), 'left', position);
  },

  UI_SetFloatZ: function (g, elementId, zIndex) {
    _qlpStyle(_qlpWrap(elementId), 'z-index', zIndex);
  },

  UI_SetRotation: function (g, elementId, degrees) {
    _qlpStyle(_qlpWrapOrEl(elementId), 'transform', 'rotate(' + _qlpNumber(degrees, 0) + 'deg)');
  },

  UI_SetPivot: function (g, elementId, x, y) {
    var origin = _qlpNumber(x, 50) + '% ' + _qlpNumber(y, 50) + '%';
    var wrap = _qlpWrap(elementId);
    var fix = wrap ? wrap.querySelector('.rotation-fix-container') : null;
    [wrap, fix, fix ? fix.querySelector('img') : null, _qlpEl(elementId)].forEach(function (el) {
      _qlpStyle(el, 'transform-origin', origin);
    });
  },

  UI_SetBgImage: function (g, elementId, url) {
    var wrap = _qlpWrap(elementId);
    var el = _qlpEl(elementId) || (wrap && wrap.querySelector('.rot-target')) || wrap;
    if (!el) return;
    var src = _qlpText(url);
    el.style.backgroundImage = src === '' || src === '0' ? '' : _qlpCssUrl(_qlResolveSrc(src));
  },

  UI_SetStyle: function (g, elementId, property, value) {
    var el = _qlpEl(elementId) || _qlpWrap(elementId);
    var name = _qlpText(property);
    if (!el || !name) return;
    try {
      if (/[A-Z]/.test(name) && name.indexOf('-') === -1) el.style[name] = _qlpText(value);
      else el.style.setProperty(name, _qlpText(value));
    } catch (e) { /* a property the browser refuses is ignored */ }
  },

  // Event-handler attributes and script addresses are refused: flow data must not become code.
  UI_SetAttribute: function (g, elementId, attribute, value) {
    var el = _qlpEl(elementId) || _qlpWrap(elementId);
    var name = _qlpText(attribute).trim();
    var text = _qlpText(value);
    if (!el || !name || /^on/i.test(name) || /^\s*(javascript|vbscript):/i.test(text)) return;
    try { el.setAttribute(name, text); } catch (e) { /* not a valid attribute name */ }
  },
});
