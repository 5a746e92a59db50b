#pragma once
// The filter builder control: draws the rows of its TkcFilterControlModel (buttons, coloured
// underlined bool operators, items and operators, values, level lines, the add-condition line)
// and edits them with the keyboard and the mouse. Row menus are popup menus; items, bool
// operators and operators are picked from a drop-down combo box shown over the clicked text;
// values are typed in an in-place editor of the column's own kind.

#include <memory>

#include <map>

#include "controls/kcControls.h"
#include "editors/kcComboBox.h"
#include "filter-builder/kcFilterControlModel.h"
#include "platform/forms/Menus.h"
#include "platform/forms/StdCtrls.h"

enum TkcFilterHitPart : std::uint8_t {
  fhpNone,
  fhpRowButton,
  fhpBoolOperator,
  fhpItem,
  fhpOperator,
  fhpValue,
  fhpAddCondition,
  fhpAddValue
};

struct TkcFilterHitInfo {
  TkcFilterHitPart HitPart = fhpNone;
  TPoint MousePos{};
  TShiftState Shift;
  TkcCustomRowViewInfo* Row = nullptr;
  int ValueIndex = -1;
};

// What is open: none, the row menu, the item list, the bool operator list, the operator list,
// the value editor.
enum TkcFilterOpenEditor : std::uint8_t {
  foeNone,
  foeRowMenu,
  foeItemList,
  foeBoolOperatorList,
  foeOperatorList,
  foeValue
};

class TkcCustomFilterControl : public TkcControl {
  VT_CLASS(TkcCustomFilterControl, TkcControl)
public:
  explicit TkcCustomFilterControl(TComponent* AOwner);
  ~TkcCustomFilterControl() override;
  void BeforeDestruction() override;

  TkcFilterControlModel* Model() const { return fModel.get(); }
  IkcFilterControl* Link() const { return fModel->Link(); }
  // Takes the link's criteria (when it has any) and builds the rows from them.
  void SetLink(IkcFilterControl* ALink);

  TFont* FontBoolOperator() const { return fFonts[0].get(); }
  TFont* FontItem() const { return fFonts[1].get(); }
  TFont* FontCondition() const { return fFonts[2].get(); }
  TFont* FontValue() const { return fFonts[3].get(); }
  const String& NullString() const { return fNullString; }
  void SetNullString(const String& Value);
  bool ShowLevelLines() const { return fShowLevelLines; }
  void SetShowLevelLines(bool Value);
  bool WantTabs() const { return fWantTabs; }
  void SetWantTabs(bool Value);
  bool HotTrackOnUnfocused = true;

  void ApplyFilter() {
    CloseValueEditor(true);
    fModel->ApplyFilter();
    Refresh();
  }
  void ClearAll();
  void LoadFromFile(const String& AFileName);
  void SaveToFile(const String& AFileName);
  String GetFilterText() {
    CloseValueEditor(true);
    return fModel->GetFilterText();
  }

  // Focus and navigation.
  const TkcFilterHitInfo& FocusInfo() const { return fFocus; }
  const TkcFilterHitInfo& HotInfo() const { return fHot; }
  void FocusRow(TkcCustomRowViewInfo* ARow);
  void SetFocusedPart(TkcFilterHitPart APart, int AValueIndex = -1);
  void MoveLeft(bool APrevRow);
  void MoveRight(bool ANextRow);
  void MoveUp(bool APrevRow);
  void MoveDown(bool ANextRow);
  void ActivatePart(TkcFilterHitPart APart, bool AByMouse);
  void AddCondition(TkcCustomRowViewInfo* ARow);
  void AddGroup();
  void AddValue();
  void RemoveFocused();
  void RemoveRow();
  void ShowValueEditor(char32_t AKey = 0);
  // Stores the typed value when AAccept; EkcFilterControlError (and the editor stays) when the
  // value does not suit the column.
  void CloseValueEditor(bool AAccept);
  // The open value editor (null when none is open).
  TkcCustomEdit* ValueEditor() const { return fValueEditor ? fValueEditor->GetFilterEditControl() : nullptr; }
  TkcFilterOpenEditor OpenEditor() const { return fOpenEditor; }
  TPopupMenu* RowMenu() const { return fRowMenu.get(); }
  TkcComboBox* ListEditor() const { return fListEditor; }

  // Layout (client coordinates), recalculated on demand.
  void Calculate();
  int RowHeight() const { return fRowHeight; }
  int TopRow() const { return fTopRow; }
  int LeftOffset() const { return fLeftOffset; }
  const TRect& AddConditionRect() const { return fAddConditionRect; }
  TkcButtonState AddConditionState() const { return fAddConditionState; }
  const TRect& FocusRect() const { return fFocusRect; }
  int WidestRow() const { return fWidestRow; }
  void CalculateHitTest(TShiftState AShift, TPoint APoint, TkcFilterHitInfo& AInfo);
  void MakeFocusedVisible();
  void Refresh();

  TNotifyEvent OnApplyFilter;

protected:
  void Paint() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseLeave(TControl* AControl) override;
  void FocusChanged() override;
  // The part fonts follow the control's font in name, size and character set.
  void FontChanged() override;
  void BoundsChanged() override;
  void InitScrollBarsParameters() override;
  void Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, int& AScrollPos) override;

private:
  bool HasItems() { return fModel->HasItems(); }
  bool HotTrackingApplies();
  TkcConditionViewInfo* FocusedCondition() const { return dynamic_cast<TkcConditionViewInfo*>(fFocus.Row); }
  TkcGroupViewInfo* NearestGroup(TkcCustomRowViewInfo* ARow) const;
  int RowIndex(TkcCustomRowViewInfo* ARow) const;
  TRect PartRect(const TkcFilterHitInfo& AInfo) const;
  String ValueText(TkcValueInfo* AValue) const;
  void LayoutRow(TkcCustomRowViewInfo* ARow, const TRect& ARect);
  TkcButtonState PartState(TkcCustomRowViewInfo* ARow, TkcFilterHitPart APart, const TRect& R, int AValueIndex);
  void DrawRow(TkcCanvas* ACanvas, TkcCustomRowViewInfo* ARow);
  void DrawLevelLines(TkcCanvas* ACanvas, TkcCustomRowViewInfo* ARow);
  void DrawPartText(TkcCanvas* ACanvas, TFont* AFont, const TRect& R, const String& AText);
  void ShowRowMenu();
  void ShowList(TkcFilterOpenEditor AKind);
  void ListChosen(TkcFilterOpenEditor AKind, int AValue);
  void ListEditorCloseUp(TObject* Sender);
  void ListEditorExit(TObject* Sender);
  TkcCustomEditProperties* SourceProperties(TkcConditionViewInfo* ACondition);
  void FreeEditors();
  void ValueEditorKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void ValueEditorExit(TObject* Sender);
  void RowsChanged();
  void AdjustScrollPositions();

  std::unique_ptr<TkcFilterControlModel> fModel;
  std::unique_ptr<TFont> fFonts[4];
  std::unique_ptr<TBitmap> fMeasureBitmap;
  std::unique_ptr<TkcCanvas> fMeasureCanvas;
  std::unique_ptr<TPopupMenu> fRowMenu;
  TkcComboBox* fListEditor = nullptr;
  // The values the list editor's rows stand for.
  std::vector<int> fListValues;
  // One cached value editor per properties class, each unparented while unused.
  class TInplaceEdits : public IkcFilterInplaceEditList {
  public:
    ~TInplaceEdits() override { Clear(); }
    IkcFilterEdit* GetEditOfClass(TkcFilterEditClass AClass) override;
    void RemoveItem(TkcCustomEditPropertiesClass AClass) override;
    void Clear();

  private:
    std::map<TClass, IkcFilterEdit*> fEdits;
  } fInplaceEdits;
  IkcFilterEdit* fValueEditor = nullptr;
  TkcFilterHitInfo fFocus, fHot;
  TkcFilterOpenEditor fOpenEditor = foeNone;
  bool fValueError = false;
  bool fClosingEditor = false;
  String fNullString = "<empty>";
  bool fShowLevelLines = true;
  bool fWantTabs = false;
  int fRowHeight = 0;
  int fMinValueWidth = 0;
  int fTopRow = 0;
  int fLeftOffset = 0;
  int fWidestRow = 0;
  TRect fAddConditionRect{};
  TkcButtonState fAddConditionState = kcbsNormal;
  TRect fFocusRect{};
};

// Sets the link component of a filter control (the dialog reaches the control through it).
class IkcFilterControlLinkSetter : public IInterface {
public:
  VT_INTERFACE("{D2369F8D-3B22-41A8-881E-B01BEB624B7D}")
  virtual void SetLinkComponent(TComponent* AValue) = 0;
};

// The published control: linked to a component that offers IkcFilterControl (the grid's
// table view); the link is dropped when that component is freed.
class TkcFilterControl : public TkcCustomFilterControl, public IkcFilterControlLinkSetter {
  VT_CLASS(TkcFilterControl, TkcCustomFilterControl)
public:
  using TkcCustomFilterControl::TkcCustomFilterControl;
  ~TkcFilterControl() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
  TComponent* LinkComponent() const { return fLinkComponent; }
  // A component without IkcFilterControl counts as none.
  void SetLinkComponent(TComponent* AValue) override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TComponent* fLinkComponent = nullptr;
};

// The display text of a bool operator ("AND", "OR", "NOT AND", "NOT OR").
String GetBoolOperatorText(TkcFilterBoolOperatorKind AKind);
