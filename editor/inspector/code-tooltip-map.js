// The code tooltips' table: for each inspector control (by id), the call of the generated source
// module that changes the same property of an element while the program runs. Placeholders, filled in
// for the first selected element when the tooltip shows: %GADGET% (the program's web view gadget),
// %ID% (the element id), %ID_WRAPPER% (its wrapper) and %ID_HEADER% (its accordion header). A property
// that only exists at design time gets a comment naming the call to use instead. Every call named here
// is one the source generator emits (tests/inspector/code-tooltips.test.mjs checks both the ids and
// the calls).
// Provides: PB_INSPECTOR_MAP
// Needs: nothing

var PB_INSPECTOR_MAP = (function () {
  const map = {
    // Content.
    'input-text': 'UI_SetText(%GADGET%, "%ID%", "Nuevo texto")',
    'input-value': 'UI_SetValue(%GADGET%, "%ID%", "50")    ; campo, deslizador o barra de progreso',
    'input-placeholder': 'UI_SetPlaceholder(%GADGET%, "%ID%", "Escribe aquí...")',
    'input-checked': 'UI_SetChecked(%GADGET%, "%ID%", #True)',
    'input-disabled': 'UI_SetEnabled(%GADGET%, "%ID%", #False)    ; #True lo vuelve a activar',
    'input-hidden': 'UI_SetVisible(%GADGET%, "%ID%", #False)    ; #True lo vuelve a mostrar',
    'input-href': 'UI_SetHref(%GADGET%, "%ID%", "https://example.com")',
    'input-src': 'UI_SetSrc(%GADGET%, "%ID%", "images/foto.png")',
    'input-avplayer-src': 'UI_SetSrc(%GADGET%, "%ID%", "Videos/video.mp4")',
    'input-avplayer-poster': 'UI_SetSrc2(%GADGET%, "%ID%", "images/portada.jpg")',
    'input-alt': '; texto alternativo: solo en diseño -- usa UI_ExecuteJS en tiempo de ejecución si hace falta',
    'input-img-fit': 'UI_SetImgFit(%GADGET%, "%ID%", "contain")    ; cover, contain, fill, none',
    'input-img-aspect': '; proporción de la imagen: solo en diseño -- usa UI_ToggleClass en tiempo de ejecución si hace falta',
    'input-listItems': 'UI_List_AddItem(%GADGET%, "%ID%", "Item nuevo", -1)   ; usa Clear para resetear; SetListItems para bulk',
    'input-listItems--select': 'UI_Select_AddItem(%GADGET%, "%ID%", "Item nuevo", -1)   ; Position$ = -1 final | 0-based; UI_SetListItems para bulk',
    'input-selectedIndex': 'UI_SetSelectedIndex(%GADGET%, "%ID%", 0)    ; 0-based',
    'input-listStyle': '; viñetas de la lista: solo en diseño -- usa UI_ToggleClass en tiempo de ejecución si hace falta',
    'input-listStyleSize': '; tamaño de las viñetas: solo en diseño -- usa UI_ToggleClass en tiempo de ejecución si hace falta',
    'input-sortable': 'UI_List_SortableEnable(%GADGET%, "%ID%", "1")    ; "0" lo desactiva',
    'input-sortableGroup': '; grupo de arrastre: solo en diseño -- usa UI_List_MoveItemToList en tiempo de ejecución',
    'input-sortablePull': '; sacar elementos a otra lista: solo en diseño -- usa UI_List_MoveItemToList en tiempo de ejecución',
    'input-sortablePut': '; recibir elementos de otra lista: solo en diseño -- usa UI_List_MoveItemToList en tiempo de ejecución',
    'input-iconClass': 'UI_SetIcon(%GADGET%, "%ID%", "ph ph-star")',
    'input-name': '; atributo name: solo en diseño -- usa UI_ExecuteJS en tiempo de ejecución si hace falta',
    'input-inputType': '; tipo del campo: solo en diseño -- usa UI_ExecuteJS en tiempo de ejecución si hace falta',
    'input-autoGrow': '; crecer con el texto: solo en diseño -- usa UI_SetHeight en tiempo de ejecución',
    'input-enterSubmit': '; Intro envía: solo en diseño -- usa UI_EmitCustomEvent para avisar al programa',
    'input-readonly': 'UI_SetReadOnly(%GADGET%, "%ID%", #True)',
    'input-no-resize': '; sin tirador de tamaño: solo en diseño -- usa UI_ToggleClass en tiempo de ejecución si hace falta',
    'input-element-id': 'UI_ChangeElementId(%GADGET%, "%ID%", "nuevo_id")',
    'input-autoHideMs': 'UI_SetAutoHideMs(%GADGET%, "%ID%", 3000)    ; 0 = no se oculta sola',

    // Size and spacing.
    'input-width': 'UI_SetWidth(%GADGET%, "%ID%", "50%")        ;%, auto',
    'input-height': 'UI_SetHeight(%GADGET%, "%ID%", "200px")        ;px, %, auto',
    'input-minWidth': 'UI_SetMinWidth(%GADGET%, "%ID%", "120px")',
    'input-maxWidth': 'UI_SetMaxWidth(%GADGET%, "%ID%", "640px")',
    'input-minHeight': 'UI_SetMinHeight(%GADGET%, "%ID%", "40px")',
    'input-maxHeight': 'UI_SetMaxHeight(%GADGET%, "%ID%", "480px")',
    'input-padding': 'UI_SetPadding(%GADGET%, "%ID%", "16px")',
    'input-marginTop': 'UI_SetMarginTop(%GADGET%, "%ID%", "8px")',
    'input-marginRight': 'UI_SetMarginRight(%GADGET%, "%ID%", "8px")',
    'input-marginBottom': 'UI_SetMarginBottom(%GADGET%, "%ID%", "8px")',
    'input-marginLeft': 'UI_SetMarginLeft(%GADGET%, "%ID%", "8px")',

    // Text and borders.
    'input-textAlign': 'UI_ToggleClass(%GADGET%, "%ID%", "text-center")    ; text-left, text-right, text-justify',
    'input-fontSize': 'UI_SetFontSize(%GADGET%, "%ID%", "18px")',
    'input-fontFamily': 'UI_SetFontFamily(%GADGET%, "%ID%", "Georgia, serif")',
    'input-borderRadius': 'UI_SetBorderRadius(%GADGET%, "%ID%", "12px")    ; UI_SetBorderRadiusEx para cada esquina',
    'input-borderWidth': 'UI_ToggleClass(%GADGET%, "%ID%", "border-2")',
    'input-borderStyle': 'UI_ToggleClass(%GADGET%, "%ID%", "border-dashed")',
    'input-className': '; CSS class -- use UI_ToggleClass in runtime if needed',
    'input-hoverEffect': 'UI_ToggleClass(%GADGET%, "%ID%", "hover:scale-105")',
    'input-clickEffect': 'UI_ToggleClass(%GADGET%, "%ID%", "active:scale-95")',
    'btn-bold': 'UI_ToggleClass(%GADGET%, "%ID%", "font-bold")',
    'btn-italic': 'UI_ToggleClass(%GADGET%, "%ID%", "italic")',

    // Layout of a container's children.
    'btn-layout-col': 'UI_ToggleClass(%GADGET%, "%ID%", "flex-col")    ; hijos en columna',
    'btn-layout-row': 'UI_ToggleClass(%GADGET%, "%ID%", "flex-row")    ; hijos en fila',
    'input-justify': 'UI_ToggleClass(%GADGET%, "%ID%", "justify-center")',
    'input-items': 'UI_ToggleClass(%GADGET%, "%ID%", "items-center")',
    'input-gap': 'UI_ToggleClass(%GADGET%, "%ID%", "gap-4")',
    'input-wrap': 'UI_ToggleClass(%GADGET%, "%ID%", "flex-wrap")',
    'input-alignContent': 'UI_ToggleClass(%GADGET%, "%ID%", "content-center")',
    'input-flexChild': 'UI_ToggleClass(%GADGET%, "%ID%", "flex-1")    ; ocupa el espacio libre del contenedor',
    'input-overflow': 'UI_ToggleClass(%GADGET%, "%ID%", "overflow-auto")',

    // Rotation and pivot.
    'input-rotation': 'UI_SetRotation(%GADGET%, "%ID%", 45)    ; 0-720 grados',
    'input-pivotX': 'UI_SetPivot(%GADGET%, "%ID%", 25, 50)    ; X 0-100 %, Y 0-100 %',
    'input-pivotY': 'UI_SetPivot(%GADGET%, "%ID%", 50, 25)    ; X 0-100 %, Y 0-100 %',
    'btn-pivot-center': 'UI_SetPivot(%GADGET%, "%ID%", 50, 50)    ; centro',

    // Floating position.
    'input-floating': '; posición flotante: solo en diseño -- usa UI_SetFloatTop y UI_SetFloatLeft en tiempo de ejecución',
    'input-floatTop': 'UI_SetFloatTop(%GADGET%, "%ID%", "20px")',
    'input-floatRight': 'UI_SetFloatRight(%GADGET%, "%ID%", "20px")',
    'input-floatBottom': 'UI_SetFloatBottom(%GADGET%, "%ID%", "20px")',
    'input-floatLeft': 'UI_SetFloatLeft(%GADGET%, "%ID%", "20px")',
    'input-floatZ': 'UI_SetFloatZ(%GADGET%, "%ID%", "10")',

    // Looping animations: 0 stop, 1 pulse, 2 spin, 3 bounce ... an empty text keeps the element's own.
    'input-animType': 'UI_TriggerAnimation(%GADGET%, "%ID%", 1, "1s", "infinite", "ease-in-out")',
    'input-animDurSelect': 'UI_TriggerAnimation(%GADGET%, "%ID%", 1, "0.5s", "", "")    ; "" = el valor del elemento',
    'input-animCount': 'UI_TriggerAnimation(%GADGET%, "%ID%", 1, "", "3", "")    ; "" = el valor del elemento',
    'input-animTiming': 'UI_TriggerAnimation(%GADGET%, "%ID%", 1, "", "", "linear")    ; "" = el valor del elemento',

    // Accordion header and splitter.
    'input-headerPadding': '; relleno de la cabecera: solo en diseño -- usa UI_ToggleClass en tiempo de ejecución si hace falta',
    'input-headerAlign': '; alineación de la cabecera: solo en diseño -- usa UI_ToggleClass en tiempo de ejecución si hace falta',
    'input-headerFontSize': '; tamaño del texto de la cabecera: solo en diseño -- usa UI_ToggleClass en tiempo de ejecución si hace falta',
    'btn-header-bold': '; negrita de la cabecera: solo en diseño -- usa UI_ToggleClass en tiempo de ejecución si hace falta',
    'btn-header-italic': '; cursiva de la cabecera: solo en diseño -- usa UI_ToggleClass en tiempo de ejecución si hace falta',
    'input-splitDir': '; dirección del divisor: solo en diseño -- usa UI_ToggleClass en tiempo de ejecución si hace falta',
    'input-splitThickness': '; grosor del divisor: solo en diseño -- usa UI_SetSplitColor para su color',
    'input-splitMinSize': '; tamaño mínimo de los paneles: solo en diseño -- usa UI_SetWidth o UI_SetHeight en tiempo de ejecución',

    // Themes and charts.
    'input-active-theme': 'UI_SetTheme(%GADGET%, "Oscuro")    ; nombre del tema',
    'input-chartType': 'UI_ChartSetType(%GADGET%, "%ID%", "line")    ; bar, line, pie, doughnut',
    'input-chartOrientation': 'UI_ChartSetOptions(%GADGET%, "%ID%", ~"{\\"indexAxis\\": \\"y\\"}")    ; barras horizontales',
    'input-chartColorBySeries': 'UI_ChartSetSeriesColors(%GADGET%, "%ID%", "Ventas", "#2563eb", "#1e40af")',
    'input-chartBorderless': 'UI_ChartSetOptions(%GADGET%, "%ID%", ~"{\\"elements\\": {\\"bar\\": {\\"borderWidth\\": 0}}}")',
    'input-chartCutout': 'UI_ChartSetOptions(%GADGET%, "%ID%", ~"{\\"cutout\\": \\"60%\\"}")    ; anillo',
    'input-chartShowXAxis': 'UI_ChartSetOptions(%GADGET%, "%ID%", ~"{\\"scales\\": {\\"x\\": {\\"display\\": false}}}")',
    'input-chartShowYAxis': 'UI_ChartSetOptions(%GADGET%, "%ID%", ~"{\\"scales\\": {\\"y\\": {\\"display\\": false}}}")',
    'input-chartAnimateRefresh': 'UI_ChartSetOptions(%GADGET%, "%ID%", ~"{\\"animation\\": false}")',
    'input-chartOptions': 'UI_ChartSetOptions(%GADGET%, "%ID%", ~"{\\"plugins\\": {\\"legend\\": {\\"display\\": false}}}")',
    'btn-add-chart-label': 'UI_ChartAppendPoint(%GADGET%, "%ID%", "Mayo", "42", "Ventas")    ; actualiza la etiqueta si ya existe',
    'btn-add-chart-dataset': 'UI_ChartAddDataset(%GADGET%, "%ID%", "Ventas", "#2563eb")    ; crea serie vacía, rellenar con UI_ChartAppendPoint',
  };

  // Image effects: one CSS filter for the picture.
  const filters = { blur: 'blur(4px)', brightness: 'brightness(1.25)', contrast: 'contrast(1.5)', saturate: 'saturate(2)',
    grayscale: 'grayscale(1)', sepia: 'sepia(1)', invert: 'invert(1)' };
  for (const [name, filter] of Object.entries(filters))
    map['input-img-' + name] = 'UI_SetImgFilter(%GADGET%, "%ID%", "' + filter + '")    ; filtro CSS completo';

  // Colours: the theme drop-down and the swatch of each colour property.
  const colours = {
    textColor: 'UI_SetTextColor', bgColor: 'UI_SetBgColor', borderColor: 'UI_SetBorderColor',
    hoverBgColor: 'UI_SetHoverBgColor', hoverTextColor: 'UI_SetHoverTextColor', activeBgColor: 'UI_SetActiveBgColor',
    headerBgColor: 'UI_SetHeaderBgColor', headerTextColor: 'UI_SetHeaderTextColor',
    checkedBg: 'UI_SetCheckedBg', checkedText: 'UI_SetCheckedText', thumbColor: 'UI_SetThumbColor',
    activeTrackColor: 'UI_SetActiveTrackColor', inactiveTrackColor: 'UI_SetInactiveTrackColor',
    splitColor: 'UI_SetSplitColor', splitHoverColor: 'UI_SetSplitHoverColor',
    tableHeaderBg: null, tableHeaderText: null, tableBodyBg: null, tableBodyText: null, tablePaginationBg: null,
  };
  for (const [prop, call] of Object.entries(colours)) {
    const template = call ? call + '(%GADGET%, "%ID%", "#1e40af")'
      : '; colores de la tabla: solo en diseño -- usa UI_ExecuteJS en tiempo de ejecución si hace falta';
    map['theme-sel-' + prop] = template;
    map['__cpBtn-' + prop] = template;
  }

  for (const degrees of [0, 90, 180, 270, 360, 450, 540, 630])
    map['btn-rot-' + degrees] = 'UI_SetRotation(%GADGET%, "%ID%", ' + degrees + ')    ; 0-720 grados';
  return map;
})();
