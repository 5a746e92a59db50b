#pragma once
// The library's list box: a container around the platform list box (the inner list box) with
// container styles, look-and-feel scroll bars, a data binding that may forbid changes, owner
// drawing through its own event and the integral-height rule. The rule itself is a plain
// function: a requested height is cut down to the borders plus a whole number of items (at
// least one), with the horizontal scroll bar's height where one shows.

#include <functional>

#include "controls/kcInnerListBox.h"
#include "data/kcDataUtils.h"

struct TkcIntegralHeightParams {
  int BorderTop = 0, BorderBottom = 0;
  int ClientWidth = 0;  // the width less the left and right borders
  int ScrollWidth = 0;  // 0: no horizontal scrolling
  int VScrollBarWidth = 17, HScrollBarHeight = 17;
  int ItemCount = 0;
  // The height of item i (also asked beyond the last item while the height is not filled).
  std::function<int(int)> ItemHeight;
};

int CalculateIntegralHeight(int ARequestedHeight, const TkcIntegralHeightParams& AParams);

// The binding of the list editors; it adds nothing to the base.
class TkcDataBinding : public TkcCustomDataBinding {
  VT_CLASS(TkcDataBinding, TkcCustomDataBinding)
public:
  using TkcCustomDataBinding::TkcCustomDataBinding;
};

class TkcListBox;
using TkcListBoxDrawItemEvent = TEvent<void(TkcListBox* Sender, int Index, TRect Rect, TOwnerDrawState State)>;
using TkcListBoxMeasureItemEvent = TEvent<void(TkcListBox* Sender, int Index, int& Height)>;

class TkcInnerListBox : public TkcCustomInnerListBox {
  VT_CLASS(TkcInnerListBox, TkcCustomInnerListBox)
public:
  explicit TkcInnerListBox(TComponent* AOwner) : TkcCustomInnerListBox(AOwner) {}
  TkcListBox* ListBox() const;
  bool CanFocus() override;
  void Dispatch(TMessage& Message) override;

protected:
  void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;
  void Click() override;
  void CreateWnd() override;
};
using TkcInnerListBoxClass = TClassOf<TkcInnerListBox, TComponent*>;

class TkcListBox : public TkcContainer {
  VT_CLASS(TkcListBox, TkcContainer)
public:
  explicit TkcListBox(TComponent* AOwner) : TkcListBox(AOwner, TDeferCreation{}) { Initialize(); }
  // As for edits: a descendant with its own inner list box or binding class defers and then
  // calls Initialize in its own constructor.
  TkcListBox(TComponent* AOwner, TDeferCreation) : TkcContainer(AOwner, TkcContainer::TDeferCreation{}) {}
  ~TkcListBox() override;

  TkcInnerListBox* InnerListBox() const { return fInnerListBox; }
  TkcCustomDataBinding* DataBinding() const { return fDataBinding.get(); }
  TStrings* Items() const { return fInnerListBox->Items(); }
  void SetItems(TStrings* Value);
  int ItemIndex() const { return fInnerListBox->ItemIndex(); }
  void SetItemIndex(int Value) { fInnerListBox->SetItemIndex(Value); }
  int ItemHeight() const { return fInnerListBox->ItemHeight(); }
  void SetItemHeight(int Value);
  TListBoxStyle ListStyle() const { return fInnerListBox->Style(); }
  void SetListStyle(TListBoxStyle Value);
  bool MultiSelect() const { return fInnerListBox->MultiSelect(); }
  void SetMultiSelect(bool Value) { fInnerListBox->SetMultiSelect(Value); }
  bool Sorted() const { return fInnerListBox->Sorted(); }
  void SetSorted(bool Value) { fInnerListBox->SetSorted(Value); }
  int ScrollWidth() const { return fScrollWidth; }
  void SetScrollWidth(int Value);
  bool IntegralHeight() const { return fIntegralHeight; }
  void SetIntegralHeight(bool Value);
  bool ReadOnly() const { return fDataBinding->GetReadOnly(); }
  void SetReadOnly(bool Value) { fDataBinding->SetReadOnly(Value); }
  void Clear() { fInnerListBox->Clear(); }
  // In the list box's coordinates.
  int ItemAtPos(const TPoint& P, bool AExisting);
  TRect ItemRect(int AIndex);
  TkcListBoxDrawItemEvent OnDrawItem;
  TkcListBoxMeasureItemEvent OnMeasureItem;

  // Draws an item through OnDrawItem; false when no handler is set (the default drawing runs).
  virtual bool DoDrawItem(int AIndex, const TRect& ARect, TOwnerDrawState AState);
  virtual TkcCustomDataBindingClass GetDataBindingClass() { return TkcDataBinding::StaticClass(); }
  virtual TkcInnerListBoxClass GetInnerListBoxClass() { return TkcInnerListBox::StaticClass(); }
  void DataChange() override;
  void UpdateData() override;
  void AdjustBounds() override;
  void Dispatch(TMessage& Message) override;

protected:
  void Initialize();
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DoExit() override;
  bool CanResize(int& NewWidth, int& NewHeight) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  int GetIntegralHeight(int AHeight, int AWidth);
  TkcInnerListBox* fInnerListBox = nullptr;
  std::unique_ptr<TkcCustomDataBinding> fDataBinding;
  int fScrollWidth = 0;
  bool fIntegralHeight = false;
  bool fExiting = false;
};
