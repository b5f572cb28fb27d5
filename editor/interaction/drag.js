// A press on a grip becomes a drag at its first movement, and that movement takes the drag's one undo
// step: a press that never moves changes nothing and leaves no step behind. The floating move, the
// resize and the pivot drag share this rule.
// Provides: _qlDragMoved
// Needs: saveHistoryState

// state.moved says whether the drag has moved yet. False while the pointer is still on its press point;
// at the first movement the snapshot is taken and onStart runs (once), then true from there on.
function _qlDragMoved(state, dx, dy, onStart) {
  if (state.moved) return true;
  if (!dx && !dy) return false;
  state.moved = true;
  saveHistoryState();
  if (onStart) onStart();
  return true;
}
