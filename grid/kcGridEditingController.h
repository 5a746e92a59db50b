#pragma once
// In-place editing of a table cell: the editor of the column's kind (its repository item, its
// own properties, or the default kind for its value type) comes from the in-place editor list,
// sits over the cell, starts with the record's edit value, and either writes its value into
// the record, which stays in edit until the focus leaves the row, or drops it.

#include <memory>

#include "editors/kcEditControl.h"
#include "grid/kcGridTableView.h"

class TkcGridTableController;
class TkcCustomTextEditProperties;

class TkcGridEditingController : public TObject {
  VT_CLASS(TkcGridEditingController, TObject)
public:
  explicit TkcGridEditingController(TkcGridTableController* AController);
  ~TkcGridEditingController() override;
  TkcGridTableController* Controller() const { return fController; }
  TkcCustomEdit* Edit() const { return fEdit; }
  TkcGridColumn* EditingItem() const { return fEditingItem; }
  bool IsEditing() const { return fEditingItem != nullptr; }
  // The editor of a column (made on first use); columns editing through the same properties
  // object share it, columns with properties of their own each get one.
  TkcCustomEdit* GetEditFor(TkcGridColumn* AItem);
  // Opens the editor on the focused record's cell of AItem; a typed character (0: none)
  // goes on into the editor. False when the cell cannot be edited.
  bool ShowEdit(TkcGridColumn* AItem, char32_t AKey = 0);
  // Opens the editor by the click at X, Y (site coordinates), which then reaches the editor
  // (a check box toggles at once).
  bool ShowEditByMouse(TkcGridColumn* AItem, TShiftState AShift, int X, int Y);
  // Ends editing: with ASave the editor's value is written into the record, which stays in
  // edit (a value the editor or the data refuses keeps the editor open and raises); otherwise
  // the editor's value is dropped and the record keeps what was written before.
  void HideEdit(bool ASave);
  // Writes the editor's value into the record when it was changed (a value the editor refuses
  // raises); the editor stays open.
  void UpdateValue();
  // A column going away ends its editing without touching the column again.
  void ItemRemoved(TkcGridColumn* AItem);
  // Properties about to be freed: their editor is dropped with its value.
  void RemoveEdit(TkcCustomEditProperties* AProperties);
  // Puts the editor over its cell again after a layout change (hidden when the cell left view).
  void PlaceEdit();

private:
  TkcCustomEditProperties* EditPropertiesOf(TkcGridColumn* AItem);
  // Opens the editor for AItem without activating it; the previous editor is posted first.
  bool PrepareEdit(TkcGridColumn* AItem);
  bool CheckEdit();
  // Ends the editor's part in editing (state and handlers); answers the editor.
  TkcCustomEdit* DetachEdit();
  void EditKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void EditExit(TObject* Sender);
  TkcGridTableController* fController;
  TkcInplaceEditList fEditList;
  std::unique_ptr<TkcCustomTextEditProperties> fTextProperties;
  TkcCustomEdit* fEdit = nullptr;
  TkcCustomEditProperties* fEditProperties = nullptr;
  TkcGridColumn* fEditingItem = nullptr;
  int fEditingRow = -1;
  bool fHiding = false;
};
