#pragma once
// The combo box: a drop-down edit whose popup shows its items (the lookup items) in a list box
// as many rows high as DropDownRows allows and as wide as the widest item. Free text with
// completion (lsEditList), text restricted to the items (lsEditFixedList) or a pure list
// (lsFixedList). The list tracks the mouse, takes a clicked item at once and is resized by the
// user in whole rows; items may be drawn and measured by handlers.

#include "controls/kcInnerListBox.h"
#include "editors/kcComboBoxLayout.h"
#include "editors/kcDropDownEdit.h"

enum TkcEditDropDownListStyle { lsEditFixedList, lsEditList, lsFixedList };

class TkcCustomComboBox;
using TkcEditDrawItemEvent = TEvent<void(TkcCustomComboBox* AControl, TkcCanvas* ACanvas, int AIndex,
                                         const TRect& ARect, TOwnerDrawState AState)>;
using TkcEditMeasureItemEvent = TEvent<void(TkcCustomComboBox* AControl, int AIndex, int& AHeight)>;

class TkcComboBoxPopupWindow : public TkcCustomEditPopupWindow {
  VT_CLASS(TkcComboBoxPopupWindow, TkcCustomEditPopupWindow)
public:
  using TkcCustomEditPopupWindow::TkcCustomEditPopupWindow;
  // Sized in rows; a size the user gave a sizeable popup is kept.
  void CalculateSize() override;
};

class TkcCustomComboBoxProperties : public TkcCustomDropDownEditProperties {
  VT_CLASS(TkcCustomComboBoxProperties, TkcCustomDropDownEditProperties)
public:
  explicit TkcCustomComboBoxProperties(TPersistent* AOwner) : TkcCustomDropDownEditProperties(AOwner) {}
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  int GetDropDownRowCount() override { return fDropDownRows; }
  TkcTextEditingStyle GetEditingStyle() override;
  bool UseLookupData() override { return true; }
  bool DropDownOnClick() override { return fDropDownListStyle == lsFixedList; }
  TkcCustomEditPopupWindowClass GetPopupWindowClass() override { return TkcComboBoxPopupWindow::StaticClass(); }

  TkcEditDropDownListStyle DropDownListStyle() const { return fDropDownListStyle; }
  void SetDropDownListStyle(TkcEditDropDownListStyle Value) { SetAndNotify(fDropDownListStyle, Value); }
  int DropDownRows() const { return fDropDownRows; }
  // Only counts above 0 are taken.
  void SetDropDownRows(int Value) {
    if (Value > 0) SetAndNotify(fDropDownRows, Value);
  }
  int ItemHeight() const { return fItemHeight; }
  void SetItemHeight(int Value) { SetAndNotify(fItemHeight, Value); }
  // A double click on a closed combo box steps to the next item.
  bool Revertable = false;
  TkcEditDrawItemEvent OnDrawItem;
  TkcEditMeasureItemEvent OnMeasureItem;

  TStringList* Items() const { return LookupItems(); }
  void SetItems(TStrings* Value) { SetLookupItems(Value); }
  bool Sorted() const { return LookupItemsSorted(); }
  void SetSorted(bool Value) { SetLookupItemsSorted(Value); }
  bool DropDownAutoWidth() const { return PopupAutoSize; }
  void SetDropDownAutoWidth(bool Value) { PopupAutoSize = Value; }
  bool DropDownSizeable() const { return PopupSizeable(); }
  void SetDropDownSizeable(bool Value) { SetPopupSizeable(Value); }
  int DropDownWidth() const { return PopupWidth(); }
  void SetDropDownWidth(int Value) { SetPopupWidth(Value); }

private:
  TkcEditDropDownListStyle fDropDownListStyle = lsEditList;
  int fDropDownRows = 8;
  int fItemHeight = 0;
};

class TkcComboBoxProperties : public TkcCustomComboBoxProperties {
  VT_CLASS(TkcComboBoxProperties, TkcCustomComboBoxProperties)
public:
  explicit TkcComboBoxProperties(TPersistent* AOwner) : TkcCustomComboBoxProperties(AOwner) {}
};

// The list in the combo's popup: only the item count is kept, the texts come from the combo's
// lookup data. It hot-tracks the mouse and a click takes the item and closes the popup.
class TkcComboBoxListBox : public TkcCustomInnerListBox, public IkcEditLookupList {
  VT_CLASS(TkcComboBoxListBox, TkcCustomInnerListBox)
public:
  TkcComboBoxListBox(TComponent* AOwner, TkcCustomComboBox* ACombo);
  TkcCustomComboBox* Combo() const { return fCombo; }
  bool HotTrack = true;
  virtual int GetItemHeight(int AIndex);
  virtual int GetItemWidth(int AIndex);
  // The height of a row of text in the list's font.
  int GetTextRowHeight();
  int GetItemsHeight(int ACount);
  String GetItemText(int AIndex);
  // Row heights and the owner-draw style from the combo's settings.
  void ApplyItemSettings();

  // IkcEditLookupList.
  bool IsListVisible() override { return HandleAllocated() && IsWindowVisible(Handle()); }
  int ListItemIndex() override { return ItemIndex(); }
  void SetListItemIndex(int AIndex) override;
  void SetListItemCount(int ACount) override;
  void Dispatch(TMessage& Message) override;

protected:
  void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  TkcCustomComboBox* fCombo;
  bool fHotTracking = false;
};

class TkcComboBoxLookupData : public TkcCustomTextEditLookupData {
  VT_CLASS(TkcComboBoxLookupData, TkcCustomTextEditLookupData)
public:
  using TkcCustomTextEditLookupData::TkcCustomTextEditLookupData;
};

class TkcCustomComboBox : public TkcCustomDropDownEdit {
  VT_CLASS(TkcCustomComboBox, TkcCustomDropDownEdit)
public:
  explicit TkcCustomComboBox(TComponent* AOwner) : TkcCustomComboBox(AOwner, false) {}
  TkcCustomComboBox(TComponent* AOwner, bool AIsInplace) : TkcCustomComboBox(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomComboBox(TComponent* AOwner, bool AIsInplace, TDeferCreation);
  ~TkcCustomComboBox() override;

  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomComboBoxProperties::StaticClass(); }
  TkcCustomComboBoxProperties* ActiveProperties() {
    return static_cast<TkcCustomComboBoxProperties*>(GetEffectiveProperties());
  }
  TkcCustomComboBoxProperties* Properties() const {
    return static_cast<TkcCustomComboBoxProperties*>(TkcCustomEdit::Properties());
  }
  TkcComboBoxListBox* List() const { return fList; }
  // The current item (-1 none); setting it shows that item's text.
  int ItemIndex() const { return TkcCustomTextEdit::LookupData()->CurrentKey(); }
  void SetItemIndex(int Value);

  // The text edit's lookup data, made from the properties' lookup data class.
  TkcCustomTextEditLookupData* LookupData() override { return TkcCustomTextEdit::LookupData(); }
  void ApplySelectedLookupItem(TObject* Sender) override { LookupSelectItem(Sender); }
  TWinControl* GetLookupActiveControl() override;
  bool CanDropDown() override { return !LookupData()->IsEmpty(); }
  void GetPopupClientSize(SIZE& ASize) override;
  void SetupPopupWindow() override;
  void InitializeLookupData() override;
  void PositionPopupWindowChildren(const TRect& AClientRect) override;
  bool CanResizePopupClient(SIZE& ASize, int AMaxHeight) override;
  void ChangeHandler(TObject* Sender) override;
  bool IsOwnerDraw();
  bool IsOwnerMeasure();
  // Owner draw: false when no handler drew the item.
  bool DoDrawItem(TkcCanvas* ACanvas, int AIndex, const TRect& ARect, TOwnerDrawState AState);
  void DoMeasureItem(int AIndex, int& AHeight);
  // A sizeable in-place editor forgets the user's popup height, a stand-alone one its own.
  void ResetPopupHeight();

  // While the combo box shows an item's text itself the current key is not looked up again.
  bool IsLookupInternalUpdate() override { return fApplyingItem || TkcCustomDropDownEdit::IsLookupInternalUpdate(); }

protected:
  // Kinds that draw their items otherwise bring a list of their own.
  virtual TkcComboBoxListBox* CreateListBox();
  void Initialize() override;
  void PopupWindowShown(TObject* Sender) override;
  void DblClick() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TkcComboListMetrics ListMetrics();
  // The lookup data chose an item: its text becomes the editor's.
  void LookupSelectItem(TObject* Sender);
  TkcComboBoxListBox* fList = nullptr;
  bool fApplyingItem = false;
  friend class TkcComboBoxListBox;
};

class TkcComboBox : public TkcCustomComboBox {
  VT_CLASS(TkcComboBox, TkcCustomComboBox)
public:
  explicit TkcComboBox(TComponent* AOwner) : TkcComboBox(AOwner, false) {}
  TkcComboBox(TComponent* AOwner, bool AIsInplace) : TkcComboBox(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcComboBox(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomComboBox(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcComboBoxProperties::StaticClass(); }
  TkcComboBoxProperties* Properties() const {
    return static_cast<TkcComboBoxProperties*>(TkcCustomEdit::Properties());
  }
};
