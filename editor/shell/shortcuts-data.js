// The keyboard shortcuts reference (F1): every shortcut and pointer gesture of the editor, by zone, and
// how a key name shows on its key cap. The rows follow the handlers that do the work: editor/shell/
// shortcuts.js (the main table), focus-zones.js, zoom.js, flow-editor/keys.js, timeline/keys.js, the
// canvas's inline editing, the pickers and dialogs. A row whose feature is a later part of the editor names
// the function that part provides under `needs`, and shows once that function exists.
// Provides: SHORTCUTS_SECTIONS, _KBD_LABEL, QL_SHORTCUT_GESTURES, QL_SHORTCUT_MODIFIERS
//
// Section: {id, icon (Phosphor class), titleKey, needs?, items}. Item: {keys: the tokens of one
// combination, alt?: another combination, desc: translation key, needs?}. A token is a key name, "Ctrl",
// "Shift", "Alt" (shown translated), a character, or a gesture (QL_SHORTCUT_GESTURES, shown translated).

var _KBD_LABEL = {
  ArrowLeft: '←',
  ArrowRight: '→',
  ArrowUp: '↑',
  ArrowDown: '↓',
  Escape: 'Esc',
  NumpadAdd: '+',
  NumpadSubtract: '−',
  Backspace: 'Backspace',
  Delete: 'Delete',
  Enter: 'Enter',
  Space: 'Space',
  Tab: 'Tab',
};

var QL_SHORTCUT_GESTURES = {
  Drag: 'shortcuts.gestureDrag',
  Click: 'shortcuts.gestureClick',
  Wheel: 'shortcuts.gestureWheel',
  'Double Click': 'shortcuts.gestureDoubleClick',
};

// Modifier keys show as the language's keyboards print them (German "Strg").
var QL_SHORTCUT_MODIFIERS = {
  Ctrl: 'shortcuts.keyCtrl',
  Shift: 'shortcuts.keyShift',
  Alt: 'shortcuts.keyAlt',
};

var SHORTCUTS_SECTIONS = [
  {
    id: 'global', icon: 'ph-globe', titleKey: 'shortcuts.sectionGlobal',
    items: [
      { keys: ['F1'], desc: 'shortcuts.items.global.shortcuts' },
      { keys: ['F5'], desc: 'shortcuts.items.global.preview' },
      { keys: ['Ctrl', 'F5'], desc: 'shortcuts.items.global.exportRun', needs: 'generatePureBasicCode' },
      { keys: ['Ctrl', 'Z'], desc: 'shortcuts.items.global.undo' },
      { keys: ['Ctrl', 'Y'], alt: ['Ctrl', 'Shift', 'Z'], desc: 'shortcuts.items.global.redo' },
      { keys: ['Ctrl', 'S'], desc: 'shortcuts.items.global.save' },
      { keys: ['Ctrl', 'NumpadAdd'], desc: 'shortcuts.items.global.zoomIn' },
      { keys: ['Ctrl', 'NumpadSubtract'], desc: 'shortcuts.items.global.zoomOut' },
      { keys: ['Ctrl', '0'], desc: 'shortcuts.items.global.zoomReset' },
      { keys: ['Tab'], alt: ['Shift', 'Tab'], desc: 'shortcuts.items.global.focusCycle' },
      { keys: ['ArrowRight'], alt: ['ArrowLeft'], desc: 'shortcuts.items.global.zoneNav' },
      { keys: ['Escape'], desc: 'shortcuts.items.global.closeOverlay' },
      { keys: ['Ctrl', 'C'], desc: 'shortcuts.items.global.copyPbTooltip', needs: 'initPBTooltips' },
      { keys: ['Ctrl', 'Wheel'], desc: 'shortcuts.items.global.zoomWheel' },
      { keys: ['Ctrl', '`'], alt: ['Ctrl', 'Shift', 'D'], desc: 'shortcuts.items.global.debugOverlay' },
    ],
  },
  {
    id: 'canvas', icon: 'ph-frame-corners', titleKey: 'shortcuts.sectionCanvas',
    items: [
      { keys: ['Ctrl', 'C'], desc: 'shortcuts.items.canvas.copy' },
      { keys: ['Ctrl', 'V'], desc: 'shortcuts.items.canvas.paste' },
      { keys: ['Ctrl', 'D'], desc: 'shortcuts.items.canvas.duplicate' },
      { keys: ['Ctrl', 'ArrowLeft'], desc: 'shortcuts.items.canvas.layoutCol' },
      { keys: ['Ctrl', 'ArrowRight'], desc: 'shortcuts.items.canvas.layoutRow' },
      { keys: ['Ctrl', 'ArrowUp'], desc: 'shortcuts.items.canvas.padUp' },
      { keys: ['Ctrl', 'ArrowDown'], desc: 'shortcuts.items.canvas.padDown' },
      { keys: ['ArrowUp'], desc: 'shortcuts.items.canvas.moveUp' },
      { keys: ['ArrowDown'], desc: 'shortcuts.items.canvas.moveDown' },
      { keys: ['Delete'], alt: ['Backspace'], desc: 'shortcuts.items.canvas.delete' },
      { keys: ['Alt', 'Delete'], desc: 'shortcuts.items.canvas.deleteOnlyElements' },
      { keys: ['Escape'], desc: 'shortcuts.items.canvas.deselect' },
      { keys: ['Enter'], desc: 'shortcuts.items.canvas.inlineCommit' },
      { keys: ['Shift', 'Enter'], desc: 'shortcuts.items.canvas.inlineNewLine' },
      { keys: ['Escape'], desc: 'shortcuts.items.canvas.inlineCancel' },
      { keys: ['Alt', 'C'], desc: 'shortcuts.items.canvas.colorText' },
      { keys: ['Ctrl', 'Click'], desc: 'shortcuts.items.canvas.multiClick' },
      { keys: ['Ctrl', 'Drag'], desc: 'shortcuts.items.canvas.marqueeAdd' },
      { keys: ['Ctrl', 'Drag'], desc: 'shortcuts.items.canvas.floatReparent' },
      { keys: ['Shift', 'Click'], desc: 'shortcuts.items.canvas.floatDistribute' },
      { keys: ['Ctrl', 'Click'], desc: 'shortcuts.items.canvas.floatDistributeFixed' },
    ],
  },
  {
    id: 'flow', icon: 'ph-tree-structure', titleKey: 'shortcuts.sectionFlow',
    items: [
      { keys: ['Ctrl', 'C'], desc: 'shortcuts.items.flow.copy' },
      { keys: ['Ctrl', 'V'], desc: 'shortcuts.items.flow.paste' },
      { keys: ['Ctrl', 'D'], desc: 'shortcuts.items.flow.duplicate' },
      { keys: ['Ctrl', 'N'], desc: 'shortcuts.items.flow.superNode' },
      { keys: ['Ctrl', 'G'], desc: 'shortcuts.items.flow.group' },
      { keys: ['Ctrl', 'Shift', 'G'], desc: 'shortcuts.items.flow.ungroup' },
      { keys: ['Delete'], desc: 'shortcuts.items.flow.delete' },
      { keys: ['Escape'], desc: 'shortcuts.items.flow.exitSub' },
      { keys: ['Enter'], desc: 'shortcuts.items.flow.renameCommit' },
      { keys: ['Ctrl', 'Click'], desc: 'shortcuts.items.flow.multiClick' },
      { keys: ['Alt', 'Drag'], desc: 'shortcuts.items.flow.altGroup' },
      { keys: ['M'], desc: 'shortcuts.items.flow.mute' },
      { keys: ['B'], desc: 'shortcuts.items.flow.breakpoint' },
      { keys: ['Double Click'], desc: 'shortcuts.items.flow.hidePorts' },
      { keys: ['Shift', 'Click'], desc: 'shortcuts.items.flow.distributeMax' },
      { keys: ['Ctrl', 'Click'], desc: 'shortcuts.items.flow.distributeFixed' },
    ],
  },
  {
    id: 'timeline', icon: 'ph-film-strip', titleKey: 'shortcuts.sectionTimeline',
    items: [
      { keys: ['Space'], desc: 'shortcuts.items.timeline.play' },
      { keys: ['K'], desc: 'shortcuts.items.timeline.addKey' },
      { keys: ['Escape'], desc: 'shortcuts.items.timeline.stop' },
      { keys: ['Delete'], alt: ['Backspace'], desc: 'shortcuts.items.timeline.deleteKf' },
      { keys: ['ArrowLeft'], desc: 'shortcuts.items.timeline.frameBack' },
      { keys: ['ArrowRight'], desc: 'shortcuts.items.timeline.frameFwd' },
      { keys: ['Ctrl', 'C'], desc: 'shortcuts.items.timeline.copyKf' },
      { keys: ['Ctrl', 'V'], desc: 'shortcuts.items.timeline.pasteKf' },
      { keys: ['Ctrl', 'Drag'], desc: 'shortcuts.items.tl.copyDrag' },
      { keys: ['Shift', 'Drag'], desc: 'shortcuts.items.tl.scaleDrag' },
      { keys: ['Shift', 'Drag'], desc: 'shortcuts.items.tl.noSnap' },
      { keys: ['Ctrl', 'Click'], desc: 'shortcuts.items.tl.kfClick' },
      { keys: ['Ctrl', 'Click'], desc: 'shortcuts.items.tl.trackClick' },
      { keys: ['Ctrl', 'Shift', 'Wheel'], desc: 'shortcuts.items.tl.zoomPointer' },
      { keys: ['Shift', 'Wheel'], desc: 'shortcuts.items.tl.hScroll' },
    ],
  },
  {
    id: 'inspector', icon: 'ph-sliders-horizontal', titleKey: 'shortcuts.sectionInspector',
    items: [
      { keys: ['Enter'], desc: 'shortcuts.items.inspector.commit' },
      { keys: ['Ctrl', 'Click'], desc: 'shortcuts.items.inspector.toggleGroup' },
      { keys: ['Ctrl', 'Drag'], desc: 'shortcuts.items.inspector.ctrlSnap' },
    ],
  },
  {
    id: 'modals', icon: 'ph-squares-four', titleKey: 'shortcuts.sectionModals',
    items: [
      { keys: ['Ctrl', 'Enter'], desc: 'shortcuts.items.modals.fnjsApply', needs: 'openFunctionJSModal' },
      { keys: ['Tab'], desc: 'shortcuts.items.modals.fnjsTab', needs: 'openFunctionJSModal' },
      { keys: ['Enter'], desc: 'shortcuts.items.modals.fnjsFindNext', needs: 'openFunctionJSModal' },
      { keys: ['Shift', 'Enter'], desc: 'shortcuts.items.modals.fnjsFindPrev', needs: 'openFunctionJSModal' },
      { keys: ['Escape'], desc: 'shortcuts.items.modals.fnjsEscape', needs: 'openFunctionJSModal' },
      { keys: ['ArrowUp'], alt: ['ArrowDown'], desc: 'shortcuts.items.modals.pickerNav' },
      { keys: ['Enter'], alt: ['Space'], desc: 'shortcuts.items.modals.pickerOpen' },
      { keys: ['Escape'], desc: 'shortcuts.items.modals.pickerClose' },
      { keys: ['Enter'], desc: 'shortcuts.items.modals.saveComponent' },
    ],
  },
  {
    id: 'tree', icon: 'ph-tree', titleKey: 'shortcuts.sectionTree', needs: 'renderComponentTree',
    items: [
      { keys: ['Shift', 'Click'], desc: 'shortcuts.items.tree.range' },
      { keys: ['Shift', 'Ctrl', 'Click'], desc: 'shortcuts.items.tree.rangeAdd' },
      { keys: ['Ctrl', 'Click'], desc: 'shortcuts.items.tree.toggle' },
    ],
  },
];
