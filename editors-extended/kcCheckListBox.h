#pragma once
// The check list box: a container around an owner-drawn list whose items carry a check state,
// an enabled flag and a text. The items' states together are one edit value, in one of the
// check-state formats or by the owner's events.

#include <memory>

#include "controls/kcInnerListBox.h"
#include "editors-extended/kcCheckStates.h"
#include "platform/forms/ImgList.h"

// Where item images stand: before or after the check squares.
enum TkcCheckListBoxImageLayout { ilBeforeChecks, ilAfterChecks };

class TkcCustomInnerCheckListBox;
class TkcCustomCheckListBox;

class TkcCheckListBoxItem : public TCollectionItem {
  VT_CLASS(TkcCheckListBoxItem, TCollectionItem)
public:
  explicit TkcCheckListBoxItem(TCollection* ACollection) : TCollectionItem(ACollection) {}
  void Assign(TPersistent* Source) override;
  String DisplayName() override { return fText.empty() ? TCollectionItem::DisplayName() : fText; }
  const String& Text() const { return fText; }
  void SetText(const String& Value);
  TkcCheckBoxState State() const { return fState; }
  void SetState(TkcCheckBoxState Value);
  bool Checked() const { return fState == cbsChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbsChecked : cbsUnchecked); }
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool Value);
  int ImageIndex = -1;
  int Tag = 0;
  TObject* ItemObject = nullptr;

private:
  TkcCustomInnerCheckListBox* ListBox() const;
  String fText;
  TkcCheckBoxState fState = cbsUnchecked;
  bool fEnabled = true;
};

class TkcCheckListBoxItems : public TOwnedCollection, public IkcCheckItemCaptions {
  VT_CLASS(TkcCheckListBoxItems, TOwnedCollection)
public:
  explicit TkcCheckListBoxItems(TkcCustomInnerCheckListBox* AListBox);
  // Null for an item still being built (a collection reports it from the base constructor).
  TkcCheckListBoxItem* Items(int Index) const { return dynamic_cast<TkcCheckListBoxItem*>(TCollection::Items(Index)); }
  TkcCheckListBoxItem* Add() { return static_cast<TkcCheckListBoxItem*>(TCollection::Add()); }
  // The first item whose text equals AText, case ignored; -1 when none.
  int IndexOfText(const String& AText) const;
  int GetCount() override { return Count(); }
  String GetCaption(int Index) override { return Items(Index) ? Items(Index)->Text() : String(); }
  TkcCustomInnerCheckListBox* ListBox() const { return fListBox; }
  // While held, item states do not become the edit value (it is the edit value that sets them).
  int StateLockCount = 0;

protected:
  void Update(TCollectionItem* Item) override;

private:
  TkcCustomInnerCheckListBox* fListBox;
};

using TkcClickCheckEvent =
    TEvent<void(TObject* Sender, int AIndex, TkcCheckBoxState APrevState, TkcCheckBoxState ANewState)>;
using TkcCheckStatesToEditValueEvent =
    TEvent<void(TObject* Sender, const TkcCheckStates& ACheckStates, Variant& AEditValue)>;
using TkcEditValueToCheckStatesEvent =
    TEvent<void(TObject* Sender, const Variant& AEditValue, TkcCheckStates& ACheckStates)>;

class TkcCustomInnerCheckListBox : public TkcCustomInnerListBox {
  VT_CLASS(TkcCustomInnerCheckListBox, TkcCustomInnerListBox)
public:
  explicit TkcCustomInnerCheckListBox(TkcCustomCheckListBox* AOwner);
  ~TkcCustomInnerCheckListBox() override;
  TkcCustomCheckListBox* Owner() const { return fOwner; }
  TkcCheckListBoxItems* CheckItems() const { return fItems.get(); }
  bool AllowGrayed = false;
  bool AllowDblClickToggle = true;
  TBitmap* Glyph();
  int GlyphCount = 6;
  TkcClickCheckEvent OnClickCheck;

  // Layout: the check square of an item (empty without checks), where the text area starts,
  // an item's height, and the check under a point.
  TRect GetCheckRect(int AIndex);
  int GetCheckAreaWidth();
  int GetItemHeight();
  int CheckIndexAt(int X, int Y);
  int HotCheckIndex() const { return fHotCheck; }
  int PressedCheckIndex() const { return fPressedCheck; }
  // One user toggle of an item (unchecked, grayed when allowed, checked).
  void Toggle(int AIndex);
  void InvalidateItem(int AIndex);
  void UpdateItemHeight();
  void Dispatch(TMessage& Message) override;

protected:
  void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyPress(char32_t& Key) override;
  void DblClick() override;
  virtual void DoClickCheck(int AIndex, TkcCheckBoxState APrevState, TkcCheckBoxState ANewState);

private:
  TSize CheckSize();
  int CheckBorderOffset();
  void UpdateHotAndPressed(TShiftState AShift, int X, int Y);
  void SetHotAndPressed(int AHot, int APressed);
  void InvalidateCheck(int AIndex);
  TkcCustomCheckListBox* fOwner;
  std::unique_ptr<TkcCheckListBoxItems> fItems;
  std::unique_ptr<TBitmap> fGlyph;
  int fHotCheck = -1, fPressedCheck = -1, fCapturedCheck = -1;
  int fDownCheck = -1;
  bool fDownItemFullyVisible = true;
};

class TkcCustomCheckListBox : public TkcContainer {
  VT_CLASS(TkcCustomCheckListBox, TkcContainer)
public:
  explicit TkcCustomCheckListBox(TComponent* AOwner);
  ~TkcCustomCheckListBox() override;
  TkcCustomInnerCheckListBox* InnerCheckListBox() const { return fInner; }
  TkcCheckListBoxItems* Items() const { return fInner->CheckItems(); }
  void Clear() { Items()->Clear(); }

  Variant EditValue() const { return fEditValue; }
  void SetEditValue(const Variant& Value);
  TkcCheckStatesValueFormat EditValueFormat() const { return fEditValueFormat; }
  void SetEditValueFormat(TkcCheckStatesValueFormat Value);
  bool ShowChecks() const { return fShowChecks; }
  void SetShowChecks(bool Value);
  bool Sorted() const { return fSorted; }
  void SetSorted(bool Value);
  bool IntegralHeight() const { return fIntegralHeight; }
  void SetIntegralHeight(bool Value);
  int ScrollWidth = 0;
  bool ReadOnly = false;
  // Item images (not owned; forgotten when freed).
  TCustomImageList* Images() const { return fImages; }
  void SetImages(TCustomImageList* Value);
  bool HasImages() const { return fImages && fImages->Count() > 0; }
  TkcCheckListBoxImageLayout ImageLayout() const { return fImageLayout; }
  void SetImageLayout(TkcCheckListBoxImageLayout Value);
  // The check squares' border by the look and feel (flat, 3D, ultra-flat, Office 11).
  TkcEditBorderStyle CheckBorderStyle() const { return fCheckBorderStyle; }

  int CalculateOptimalWidth();
  int GetItemWidth(int AIndex);
  int GetHeightForRows(int ARowCount);
  static bool IsValueValid(const Variant& AValue, bool AAllowEmpty);
  // The height the integral-height rule gives for a requested one.
  int IntegralHeightFor(int AHeight);

  TkcCheckStatesToEditValueEvent OnCheckStatesToEditValue;
  TkcEditValueToCheckStatesEvent OnEditValueToCheckStates;
  TNotifyEvent OnEditValueChanged;
  TDrawItemEvent OnDrawItem;

  // Called by the items.
  void StatesToEditValue();
  void EditValueToStates();
  void ItemsChanged(TCollectionItem* AItem);
  void SortItems();
  bool CanChangeStates() { return !ReadOnly; }
  bool CanResize(int& NewWidth, int& NewHeight) override;
  void Dispatch(TMessage& Message) override;

protected:
  void LookAndFeelChanged(TkcLookAndFeel* Sender, TkcLookAndFeelValues AChangedValues) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual void DoEditValueChanged();

private:
  void UpdateCheckLook();
  TkcCustomInnerCheckListBox* fInner;
  TCustomImageList* fImages = nullptr;
  TkcCheckListBoxImageLayout fImageLayout = ilBeforeChecks;
  Variant fEditValue;
  TkcCheckStatesValueFormat fEditValueFormat = cvfInteger;
  TkcEditBorderStyle fCheckBorderStyle = ebs3D;
  bool fEditValueFromStates = false;
  bool fShowChecks = true;
  bool fSorted = false;
  bool fIntegralHeight = false;
  bool fSorting = false;
};

class TkcCheckListBox : public TkcCustomCheckListBox {
  VT_CLASS(TkcCheckListBox, TkcCustomCheckListBox)
public:
  explicit TkcCheckListBox(TComponent* AOwner) : TkcCustomCheckListBox(AOwner) {}
};
