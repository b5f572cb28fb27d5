// The toolbox catalogue: the 26 component types with their toolbox icon, built-in Spanish label and
// default record (base fields, then the type's own fields, which overwrite base fields of the same name).
// Provides: TOOLBOX_ITEMS
// Needs: baseProps

var TOOLBOX_ITEMS = Object.freeze([
  ['container', 'ph-bounding-box', 'Contenedor', {
    width: '', height: '', padding: 'p-2', layout: 'flex-col', justify: 'justify-start', items: 'items-stretch',
    gap: 'gap-2', wrap: 'flex-nowrap', bgColor: 'th:bgPanel', borderColor: 'th:border', borderWidth: 'border',
    bgImage: '', bgImageSize: 'cover', bgImagePosition: 'center', className: '', flexChild: 'flex-1',
    borderRadius: 'rounded-lg', overflow: 'overflow-hidden', minWidth: '32px', minHeight: '32px',
    minParentWidthThreshold: '', minParentHeightThreshold: '',
  }],
  ['nineslice', 'ph-squares-four', 'Custom Container', {
    width: '', height: '', padding: 'p-0', layout: 'flex-col', justify: 'justify-start', items: 'items-stretch',
    gap: 'gap-2', wrap: 'flex-nowrap', bgColor: '', borderColor: '', borderWidth: '', className: '',
    flexChild: 'flex-1', borderRadius: '', overflow: '', minWidth: '32px', minHeight: '32px', sliceImage: '',
    sliceTop: 0, sliceRight: 0, sliceBottom: 0, sliceLeft: 0, sliceFill: true, sliceRepeat: 'stretch',
    sliceScale: 1, minParentWidthThreshold: '', minParentHeightThreshold: '',
  }],
  ['accordion', 'ph-arrows-down-up', 'Acordeón', {
    width: '', height: '', text: 'Panel Desplegable', padding: 'p-2', headerPadding: 'p-3',
    headerAlign: 'justify-start', headerFontSize: 'text-base', headerFontWeight: 'font-bold', headerFontStyle: '',
    headerFontFamily: '', headerBgColor: 'th:surface', headerTextColor: 'th:textPrimary', layout: 'flex-col',
    justify: 'justify-start', items: 'items-stretch', gap: 'gap-2', wrap: 'flex-nowrap', bgColor: 'th:bgPanel',
    borderColor: 'th:border', borderWidth: 'border', className: '', flexChild: '', borderRadius: 'rounded-lg',
    // checked = open; accordions sharing a non-empty name form a group
    checked: true, bodyHeight: '', name: '', exportEvents: true,
  }],
  ['table', 'ph-table', 'Tabla', {
    width: '', height: '260px', padding: '', minHeight: '200px',
    columns: JSON.stringify([
      { name: 'Col 1', align: 'left', sortable: true, filterable: true, width: '' },
      { name: 'Col 2', align: 'center', sortable: true, filterable: true, width: '' },
      { name: 'Col 3', align: 'right', sortable: true, filterable: true, width: '' },
    ]),
    tableData: [1, 2, 3].map(function (r) {
      return [1, 2, 3].map(function (c) { return 'Row ' + r + '-Col ' + c; }).join('|');
    }).join('\n'),
    tableFeatures: JSON.stringify({
      sort: true, filter: true, pagination: { enabled: true, pageSize: 10 }, search: true, rowHeight: '',
      fixedHeader: false, tableHeight: '',
    }),
    bgColor: 'th:bgPanel', borderColor: 'th:border', borderWidth: 'border', tableHeaderBg: 'th:surface',
    tableHeaderText: 'th:textPrimary', tableBodyBg: 'th:bgPanel', tableBodyText: 'th:textPrimary',
    tablePaginationBg: 'th:bgPanel', tableRowHoverBg: 'th:border', tableRowSelectedBg: 'th:accentMod2',
    tableRowHoverText: '', tableRowSelectedText: '', className: 'w-full', borderRadius: 'rounded-md',
    boxShadowEnabled: true, boxShadowColor: '#000000', boxShadowX: '0', boxShadowY: '2', boxShadowBlur: '4',
    boxShadowOpacity: '30', exportEvents: true,
  }],
  ['heading', 'ph-text-h', 'Título', {
    width: '', height: '', text: 'Título', textColor: 'th:textPrimary', textAlign: 'text-center', className: '',
    fontSize: 'text-3xl', fontWeight: 'font-extrabold',
  }],
  ['text', 'ph-paragraph', 'Texto', {
    width: '', height: '', text: 'Texto base.', textColor: 'th:textSecondary', textAlign: 'text-center',
    className: 'leading-relaxed', fontSize: 'text-base',
  }],
  ['button', 'ph-cursor-click', 'Botón', {
    width: '', height: '', text: 'Botón', bgColor: 'th:accentPrimary', textColor: 'th:textPrimary',
    hoverBgColor: 'th:accentSecondary',
    className: 'px-5 py-2.5 shadow whitespace-nowrap cursor-pointer transition-colors duration-150',
    textAlign: 'text-center', fontWeight: 'font-medium', borderRadius: 'rounded-lg',
    clickEffect: 'active:scale-95 transition-transform', exportEvents: true,
  }],
  ['link', 'ph-link', 'Enlace', {
    width: '', height: '', text: 'Enlace ID', href: '', textColor: 'th:accentPrimary',
    hoverTextColor: 'th:accentSecondary', textAlign: 'text-center', className: 'cursor-pointer',
    underlineOnHover: true, exportEvents: true,
  }],
  ['icon', 'ph-star', 'Icono', {
    width: '', height: '', iconClass: 'ph ph-smiley', fontSize: 'text-3xl', textColor: 'th:textPrimary',
    textAlign: 'text-center', className: 'inline-block',
  }],
  ['image', 'ph-image', 'Imagen', {
    // a file of the program folder's images
    src: 'Images/placeholder255x255.png', alt: 'Descripción', className: '', borderRadius: 'rounded-lg',
    width: '', height: '', objectFit: 'object-cover', objectPosition: 'object-center', aspectRatio: '',
    imgBlur: '', imgBrightness: '', imgContrast: '', imgSaturate: '', imgGrayscale: false, imgSepia: false,
    imgInvert: false, imgScale: '', imgOffsetX: '', imgOffsetY: '',
  }],
  ['input', 'ph-textbox', 'Input Texto', {
    width: '', height: '', placeholder: 'Escribir...', inputType: 'text', name: 'campo', autoGrow: false,
    enterSubmit: true, readOnly: false, bgColor: 'th:bgPanel', textColor: 'th:textPrimary',
    borderColor: 'th:border', borderWidth: 'border', className: 'w-full px-4 py-2', borderRadius: 'rounded-lg',
    exportEvents: true,
  }],
  ['textarea', 'ph-text-align-justify', 'Textarea', {
    width: '', height: '', text: '', placeholder: 'Múltiples líneas...', name: 'mensaje', readOnly: false,
    noResize: false, enterSubmit: false, bgColor: 'th:bgPanel', textColor: 'th:textPrimary',
    borderColor: 'th:border', borderWidth: 'border', className: 'w-full px-4 py-2 min-h-[100px]',
    borderRadius: 'rounded-lg', exportEvents: true,
  }],
  ['select', 'ph-caret-down', 'Desplegable', {
    width: '', height: '', listItems: 'Opción 1\nOpción 2\nOpción 3', selectedIndex: 0, name: 'select1',
    bgColor: 'th:bgPanel', textColor: 'th:textPrimary', borderColor: 'th:border', borderWidth: 'border',
    className: 'w-full px-4 py-2 cursor-pointer', borderRadius: 'rounded-lg', exportEvents: true,
  }],
  ['checkbox', 'ph-check-square', 'Checkbox', {
    width: '', height: '', text: 'Opción', checked: false, name: 'check1', textColor: 'th:textPrimary',
    className: 'font-medium cursor-pointer', exportEvents: true, checkedImage: '', uncheckedImage: '',
    chkImageSize: '',
  }],
  ['radio', 'ph-radio-button', 'Radio', {
    width: '', height: '', text: 'Opción Única', checked: false, name: 'grupoOpciones',
    textColor: 'th:textPrimary', className: 'font-medium cursor-pointer', exportEvents: true,
    checkedImage: '', uncheckedImage: '', chkImageSize: '',
  }],
  ['toggle-btn', 'ph-push-pin', 'Botón Grupo', {
    width: '', height: '', text: 'Opción', checked: false, name: 'grupoOpciones', bgColor: 'th:bgPanel',
    textColor: 'th:textPrimary', borderColor: 'th:border', checkedBg: 'th:accentPrimary', checkedText: 'th:bgPage',
    borderRadius: 'rounded-lg', className: 'font-medium cursor-pointer', exportEvents: true,
  }],
  ['toggle', 'ph-toggle-right', 'Interruptor', {
    width: '', height: '', text: 'Activar', checked: false, name: 'toggle1', textColor: 'th:textPrimary',
    inactiveTrackColor: 'th:surface', activeTrackColor: 'th:accentPrimary', thumbColor: 'th:bgPage',
    checkedImage: '', uncheckedImage: '', chkImageSize: '', className: 'font-medium cursor-pointer',
    exportEvents: true,
  }],
  ['slider', 'ph-sliders-horizontal', 'Deslizador', {
    width: '100%', height: '20px', name: 'rango', value: '50', bgColor: 'th:surface', thumbImage: '',
    thumbSize: '', className: 'w-full h-2 appearance-none cursor-pointer', borderRadius: 'rounded-lg',
    exportEvents: true,
  }],
  ['progress', 'ph-hourglass-high', 'Progreso', {
    width: '100%', height: '20px', value: '50', bgColor: 'th:surface', minHeight: '10px',
    className: 'w-full overflow-hidden', borderRadius: 'rounded-full',
  }],
  ['alert', 'ph-warning-circle', 'Alerta', {
    width: '', height: '', padding: 'p-2', text: 'Mensaje importante', bgColor: 'th:surface',
    textColor: 'th:textPrimary', borderColor: 'th:border', borderWidth: 'border',
    className: 'text-sm flex items-center gap-3', iconClass: 'ph-info', borderRadius: 'rounded-lg',
    // an alert starts hidden; the flow shows it
    hidden: true, autoHideMs: 0,
  }],
  ['list', 'ph-list-bullets', 'Lista', {
    width: '50%', height: '', padding: 'p-2', listStyle: 'none', listStyleSize: 'medium',
    listJustify: 'justify-start', listAlign: 'items-stretch', sortable: true, sortableHandle: true,
    sortableAnimation: 150, sortableGroup: '', sortablePull: true, sortablePut: true, sortableDelay: 0,
    sortableSwap: false, textColor: 'th:textPrimary', className: 'w-full', borderRadius: 'rounded-lg',
  }],
  ['splitter', 'ph-split-vertical', 'Divisor', {
    width: '', height: '', splitDir: 'horizontal', splitThickness: '10', splitColor: '#1e293b',
    splitHoverColor: '#3b82f6', splitMinSize: '40',
  }],
  ['contentscroll', 'ph-scroll', 'Scroll de Contenido', {
    width: '', height: '200px', padding: 'p-2', layout: 'flex-col', justify: 'justify-start',
    items: 'items-stretch', gap: 'gap-2', wrap: 'flex-nowrap', bgColor: 'th:bgPanel', borderColor: 'th:border',
    borderWidth: 'border', className: '', flexChild: '', borderRadius: 'rounded-lg', overflow: 'overflow-hidden',
    scrollDir: 'horizontal', scrollReverse: false, scrollCount: 'infinite', scrollSeamless: false,
    animDuration: '10s',
  }],
  ['chart', 'ph-chart-bar', 'Gráfico', {
    width: '', height: '300px', padding: '', chartType: 'bar',
    chartData: JSON.stringify({
      labels: ['Q1', 'Q2', 'Q3', 'Q4'],
      labelColors: ['th:accentPrimary', 'th:accentSecondary', 'th:accentMod2', 'th:surface'],
      datasets: [{
        label: 'Series 1', data: [10, 20, 15, 30], bgColor: 'th:accentPrimary', borderColor: 'th:accentSecondary',
      }],
    }),
    chartOptions: '', className: 'w-full', borderRadius: 'rounded-lg',
  }],
  ['canvas', 'ph-pencil-line', 'Lienzo', {
    width: '800px', height: '600px', className: '', borderRadius: '',
  }],
  ['avplayer', 'ph-video', 'AVPlayer', {
    src: '', poster: '', autoplay: false, loop: false, clickToPlay: true, resetOnEnd: false, volume: 100,
    hideControls: true, tooltipsSeek: true, fit: 'cover',
    plyrControls: ['play-large', 'restart', 'rewind', 'fast-forward', 'play', 'progress', 'current-time',
      'duration', 'mute', 'volume', 'captions', 'settings', 'fullscreen'],
    speedSelected: 1, width: '100%', height: '', className: '',
  }],
].map(function (row) {
  return Object.freeze({
    type: row[0], icon: row[1], label: row[2],
    defaultProps: Object.freeze(Object.assign({}, baseProps, row[3])),
  });
}));
