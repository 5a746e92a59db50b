#pragma once
// The table view's option groups its controllers read: data operations, selection, keyboard and
// mouse behaviour, the header's filter buttons and the navigator's delete question.

class TkcGridColumn;

// What the user may do to the records.
struct TkcGridTableOptionsData {
  bool Editing = true, Deleting = true, DeletingConfirmation = true, Inserting = true, Appending = false;
  bool CancelOnExit = true;
};

struct TkcGridTableOptionsSelection {
  // Several rows may be selected (the data controller follows through the view).
  bool MultiSelect = false;
  bool CellSelect = true, InvertSelect = true, HideFocusRectOnExit = true;
};

struct TkcGridTableOptionsBehavior {
  // Typing searches the incremental-search column (the first visible one when none is set).
  bool IncSearch = false;
  TkcGridColumn* IncSearchItem = nullptr;
  bool FocusCellOnTab = false, GoToNextCellOnEnter = false, PullFocusing = false;
  bool ImmediateEditor = true, AlwaysShowEditor = false, FocusFirstCellOnNewRecord = false;
  bool DragScrolling = true;
};

struct TkcGridTableOptionsCustomize {
  // Column headers carry a filter drop-down button.
  bool ColumnFiltering = true;
  // Columns may be dragged between the header and the customization form.
  bool ColumnMoving = true;
};

struct TkcGridNavigatorButtons {
  bool ConfirmDelete = true;
};
