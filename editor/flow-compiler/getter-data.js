// The pure-data getters: one UiGetterEntry per value a flow can read from the page without running a
// node ("Data_UI_Get" + name, shim function "UI_Get" + name).
//   {node, pb, title, subtitlePrefix, inputs, outputPort, readKind, ...read details, ...flags}
//   readKind 'css' (cssProp), 'attr' (attr, or prop of the first `selector` match), 'dataset'
//   (datasetKey), 'grid' (gridMethod), 'transform' (transformKind), 'origin', 'theme', 'class';
//   selector + selectorFallback ('firstElementChild' | 'self'); flags useWrap, useImg, coerce 'bool',
//   pack 'json', gridJson. The parts of toggles, accordions and splitters are found by their data-ql-*
//   marks or the renderer's classes, as the procedures that colour them find them.
// Provides: _UI_GETTER_CATALOG, _uiGetterByNode
// Needs: _qlDeepFreeze

var _UI_GETTER_CATALOG = _qlDeepFreeze([
  // name, output port, read kind, detail, extra fields, subtitle prefix
  ['BgColor', 'color', 'css', 'background-color', {}, 'GET BG'],
  ['TextColor', 'color', 'css', 'color', {}, 'GET TEXT COLOR'],
  ['BorderColor', 'color', 'css', 'border-color', {}, 'GET BORDER COLOR'],
  ['FontSize', 'size', 'css', 'font-size', {}, 'GET FONT SIZE'],
  ['FontFamily', 'family', 'css', 'font-family', {}, 'GET FONT FAMILY'],
  ['ThumbColor', 'color', 'css', 'background-color', { selector: '[data-ql-thumb],.tog-thumb', useWrap: true }, 'GET THUMB COLOR'],
  ['ActiveTrackColor', 'color', 'css', 'background-color',
    { selector: '[data-ql-track].active,[data-ql-track-active]', useWrap: true }, 'GET ACTIVE TRACK'],
  ['InactiveTrackColor', 'color', 'css', 'background-color',
    { selector: '[data-ql-track]:not(.active)', useWrap: true }, 'GET INACTIVE TRACK'],
  ['HeaderBgColor', 'color', 'css', 'background-color',
    { selector: '[data-ql-header],.acc-header', selectorFallback: 'firstElementChild', useWrap: true }, 'GET HEADER BG'],
  ['HeaderTextColor', 'color', 'css', 'color',
    { selector: '[data-ql-header],.acc-header', selectorFallback: 'firstElementChild', useWrap: true }, 'GET HEADER TEXT COLOR'],
  ['SplitColor', 'color', 'css', 'background-color',
    { selector: '[data-ql-split],.ql-splitter', selectorFallback: 'self', useWrap: true }, 'GET SPLIT COLOR'],
  ['Width', 'width', 'css', 'width', { useWrap: true }, 'GET WIDTH'],
  ['Height', 'height', 'css', 'height', { useWrap: true }, 'GET HEIGHT'],
  ['MinWidth', 'minwidth', 'css', 'min-width', { useWrap: true }, 'GET MIN WIDTH'],
  ['MaxWidth', 'maxwidth', 'css', 'max-width', { useWrap: true }, 'GET MAX WIDTH'],
  ['MinHeight', 'minheight', 'css', 'min-height', { useWrap: true }, 'GET MIN HEIGHT'],
  ['MaxHeight', 'maxheight', 'css', 'max-height', { useWrap: true }, 'GET MAX HEIGHT'],
  ['Padding', 'padding', 'css', 'padding', { useWrap: true }, 'GET PADDING'],
  ['MarginTop', 'margin', 'css', 'margin-top', {}, 'GET MARGIN TOP'],
  ['MarginRight', 'margin', 'css', 'margin-right', {}, 'GET MARGIN RIGHT'],
  ['MarginBottom', 'margin', 'css', 'margin-bottom', {}, 'GET MARGIN BOTTOM'],
  ['MarginLeft', 'margin', 'css', 'margin-left', {}, 'GET MARGIN LEFT'],
  ['BorderRadius', 'radius', 'css', 'border-radius', {}, 'GET RADIUS'],
  ['Rotation', 'degrees', 'transform', 'rotate', { useWrap: true }, 'GET ROTATION'],
  ['Pivot', 'pivot', 'origin', '', { useWrap: true }, 'GET PIVOT'],
  ['BorderRadiusEx', 'radius', 'css', 'border-radius', { pack: 'json' }, 'GET RADIUS EX'],
  ['FloatTop', 'position', 'css', 'top', { useWrap: true }, 'GET FLOAT TOP'],
  ['FloatRight', 'position', 'css', 'right', { useWrap: true }, 'GET FLOAT RIGHT'],
  ['FloatBottom', 'position', 'css', 'bottom', { useWrap: true }, 'GET FLOAT BOTTOM'],
  ['FloatLeft', 'position', 'css', 'left', { useWrap: true }, 'GET FLOAT LEFT'],
  ['FloatZ', 'zIndex', 'css', 'z-index', { useWrap: true }, 'GET FLOAT Z'],
  ['ImgFit', 'fit', 'css', 'object-fit', { useImg: true }, 'GET IMG FIT'],
  ['ImgPosition', 'position', 'css', 'object-position', { useImg: true }, 'GET IMG POSITION'],
  ['ImgFilter', 'filter', 'css', 'filter', { useImg: true }, 'GET IMG FILTER'],
  ['ImgScale', 'scale', 'transform', 'scale', { useImg: true }, 'GET IMG SCALE'],
  ['ImgOffset', 'offset', 'css', 'object-position', { useImg: true, pack: 'json' }, 'GET IMG OFFSET'],
  ['Src', 'url', 'attr', 'src', {}, 'GET SRC'],
  ['Src2', 'poster', 'attr', 'poster', {}, 'GET SRC2'],
  ['Href', 'url', 'attr', 'href', {}, 'GET HREF'],
  ['Placeholder', 'text', 'attr', 'placeholder', {}, 'GET PLACEHOLDER'],
  ['Tooltip', 'tooltip', 'attr', 'title', {}, 'GET TOOLTIP'],
  ['Icon', 'icon', 'attr', '', { prop: 'className', selector: 'i' }, 'GET ICON'],
  ['CheckedBg', 'color', 'dataset', 'checkedBg', { useWrap: true }, 'GET CHECKED BG'],
  ['CheckedText', 'color', 'dataset', 'checkedText', { useWrap: true }, 'GET CHECKED TEXT'],
  ['HoverBgColor', 'color', 'dataset', 'qlHoverBg', {}, 'GET HOVER BG'],
  ['HoverTextColor', 'color', 'dataset', 'qlHoverTc', {}, 'GET HOVER TEXT'],
  ['ActiveBgColor', 'color', 'dataset', 'qlActiveBg', {}, 'GET ACTIVE BG'],
  ['AutoHideMs', 'ms', 'dataset', 'autoHideMs', { useWrap: true }, 'GET AUTOHIDE MS'],
  ['GridData', 'data', 'grid', 'getData', { gridJson: true }, 'GET GRID DATA'],
  ['GridColumns', 'columns', 'grid', 'getColumns', { gridJson: true }, 'GET GRID COLUMNS'],
  ['GridSort', 'enabled', 'grid', 'getSort', { coerce: 'bool' }, 'GET GRID SORT'],
  ['GridFilter', 'enabled', 'grid', 'getFilter', { coerce: 'bool' }, 'GET GRID FILTER'],
  ['GridSearch', 'enabled', 'grid', 'getSearch', { coerce: 'bool' }, 'GET GRID SEARCH'],
  ['GridPagination', 'pagination', 'grid', 'getPagination', { pack: 'json' }, 'GET GRID PAGINATION'],
  ['Theme', 'theme', 'theme', '', { inputs: [] }, 'GET THEME'],
  ['ToggleClass', 'hasClass', 'class', '', { coerce: 'bool', inputs: ['elementId', 'className'] }, 'GET CLASS'],
].map(([name, outputPort, readKind, detail, extra, subtitlePrefix]) => {
  const detailField = { css: 'cssProp', attr: 'attr', dataset: 'datasetKey', grid: 'gridMethod', transform: 'transformKind' }[readKind];
  const entry = {
    node: 'Data_UI_Get' + name, pb: 'UI_Get' + name, title: 'UI Get' + name, subtitlePrefix,
    inputs: extra.inputs || ['elementId'], outputPort, readKind,
  };
  if (detailField && detail) entry[detailField] = detail;
  for (const [key, value] of Object.entries(extra)) if (key !== 'inputs') entry[key] = value;
  return entry;
}));

function _uiGetterByNode(node) {
  return _UI_GETTER_CATALOG.find((e) => e.node === node) || null;
}
