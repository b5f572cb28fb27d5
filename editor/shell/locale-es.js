// The built-in Spanish texts: the last fallback of t() when neither the active language's file nor the
// Spanish file has a key (they are the same texts as Locale/es.json for the keys they hold).
// Provides: _LOCALE_ES_EMBEDDED

var _LOCALE_ES_EMBEDDED = {
  "toast": {
    "updateAvailable": "Hay una nueva versión disponible: {version}. Descárgala en {url}",
    "undo": "Deshecho",
    "redo": "Rehecho",
    "themeCreated": "Tema creado",
    "themeSaved": "Tema guardado",
    "themeMinOne": "Debe quedar al menos un tema",
    "themeDeleted": "Tema eliminado",
    "canvasCleared": "Lienzo vaciado",
    "elementsCopied": "{n} elemento{plural} copiado{plural}",
    "textAdded": "Texto añadido"
  },
  "canvas": {
    "title": "Lienzo",
    "undo": "Deshacer (Ctrl+Z)",
    "redo": "Rehacer (Ctrl+Y)",
    "clear": "Vaciar el lienzo",
    "elements": "{n} elementos",
    "elementsSelected": "{s} de {n} seleccionados",
    "emptyLine1": "El lienzo está vacío",
    "emptyLine2": "Arrastra componentes desde la izquierda o haz clic en uno para añadirlo"
  },
  "inspector": {
    "title": "Propiedades",
    "stop": "Parada"
  },
  "project": {
    "nameLabel": "Proyecto",
    "namePlaceholder": "Nombre del proyecto",
    "newBtn": "Nuevo",
    "newBtnTitle": "Crear un proyecto nuevo",
    "loadBtn": "Abrir",
    "saveBtn": "Guardar",
    "autoSaveTitle": "Guardado automático",
    "exportLabel": "Exportar",
    "previewBtn": "Vista previa",
    "helpBtn": "Ayuda",
    "aboutBtn": "Acerca de",
    "exportPbTitle": "Exportar el código fuente para el compilador",
    "exportPbNoCompiler": "Exportar el código fuente para el compilador (no se encontró ningún compilador en este equipo)",
    "exportPbLabel": "Código",
    "exportStandaloneLabel": "Ejecutable",
    "exportStandaloneTitle": "Exportar un ejecutable independiente",
    "exportWebappLabel": "Web",
    "exportWebappTitle": "Exportar como aplicación web (HTML)",
    "exportZipTitle": "Exportar el proyecto como archivo ZIP",
    "exportZipLabel": "Exportar ZIP",
    "importZipTitle": "Importar un proyecto desde un archivo ZIP",
    "importZipLabel": "Importar ZIP"
  },
  "modal": {
    "confirmClose": {
      "body": "¿Cerrar Quorlin? Los cambios sin guardar se perderán.",
      "confirm": "Cerrar",
      "cancel": "Cancelar"
    }
  },
  "lang": {
    "selector": "Idioma"
  },
  "splash": {
    "tagline": "Diseña interfaces de escritorio de forma visual"
  },
  "timeline": {
    "title": "Línea de tiempo"
  }
};
