// Removals the user can take back: Ctrl+Z brings back the last item or page
// removed since the panel was created, then the one before it (kept in the
// panel record, so a new panel starts with nothing to undo). Removals still
// happen at once; nothing else is undone.
#pragma once

// Removes item `item` of the shown page and its list item, keeping it (every field,
// its image and its place in the list) for undoing.
void RemoveShownItem(int item);
// Keeps page `page`, the shown one, with its items and their places, just before
// the caller removes it.
void KeepPageRemoval(int page);
// Brings back the latest removal kept and shows it; false when none is left.
bool UndoLastRemoval();
