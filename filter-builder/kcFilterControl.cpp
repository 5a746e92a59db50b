#include "filter-builder/kcFilterControl.h"

#include <algorithm>

#include "controls/kcLocalize.h"
#include "platform/core/Math.h"
#include "platform/core/Utf8.h"

namespace {

constexpr const char* kBoolOperatorTexts[] = {"AND", "OR", "NOT AND", "NOT OR"};

bool Contains(const TRect& R, TPoint P) { return P.x >= R.left && P.x < R.right && P.y >= R.top && P.y < R.bottom; }

// R moved so that it is centred in the row (top + half the difference of the heights).
TRect CentreIn(int ALeft, int AWidth, int AHeight, const TRect& ARow) {
  int top = ARow.top + ((ARow.bottom - ARow.top) - AHeight) / 2;
  return TRect{ALeft, top, ALeft + AWidth, top + AHeight};
}

bool IsListOperator(TkcConditionOperator A) { return A == kcoInList || A == kcoNotInList; }
bool IsRangeOperator(TkcConditionOperator A) { return A == kcoBetween || A == kcoNotBetween; }

}  // namespace

String GetBoolOperatorText(TkcFilterBoolOperatorKind AKind) { return LocalizeText(kBoolOperatorTexts[AKind & 3]); }

TkcCustomFilterControl::TkcCustomFilterControl(TComponent* AOwner)
    : TkcControl(AOwner), fModel(std::make_unique<TkcFilterControlModel>()) {
  const TColor colors[4] = {clRed, clGreen, clMaroon, clBlue};
  for (int i = 0; i < 4; ++i) {
    fFonts[i] = std::make_unique<TFont>();
    fFonts[i]->Assign(Font());
    fFonts[i]->SetColor(colors[i]);
    if (i < 3) fFonts[i]->SetStyle(TFontStyles{fsUnderline});
  }
  fMeasureBitmap = std::make_unique<TBitmap>();
  fMeasureBitmap->SetSize(1, 1);
  fMeasureCanvas = std::make_unique<TkcCanvas>(fMeasureBitmap->Canvas());
  fRowMenu = std::make_unique<TPopupMenu>(nullptr);
  const char* captions[4] = {"Add &Condition", "Add &Group", "-", "&Remove Row"};
  for (int i = 0; i < 4; ++i) {
    auto* item = new TMenuItem(fRowMenu.get());
    item->SetCaption(LocalizeText(captions[i]));
    item->SetTag(i);
    item->OnClick = [this, i](TObject*) {
      switch (i) {
        case 0: AddCondition(fFocus.Row); break;
        case 1: AddGroup(); break;
        case 3: fFocus.Row == fModel->Root() ? ClearAll() : RemoveRow(); break;
        default: break;
      }
    };
    fRowMenu->Items()->Add(item);
  }
  fListEditor = new TkcComboBox(nullptr);
  fListEditor->SetVisible(false);
  fListEditor->SetParentColor(true);
  fListEditor->Style()->LookAndFeel()->SetMasterLookAndFeel(LookAndFeel());
  TkcComboBoxProperties* list = fListEditor->Properties();
  list->SetDropDownListStyle(lsFixedList);
  list->Buttons()->Items(0)->SetVisible(false);
  list->ImmediateDropDown = false;
  list->OnCloseUp = TNotifyEvent(this, &TkcCustomFilterControl::ListEditorCloseUp);
  fListEditor->OnExit = TNotifyEvent(this, &TkcCustomFilterControl::ListEditorExit);
  // Space picks as Enter does, and is not typed.
  fListEditor->OnKeyDown = [](TObject*, WORD& Key, TShiftState) {
    if (Key == VK_SPACE) Key = VK_RETURN;
  };
  fListEditor->OnKeyPress = [](TObject*, char32_t& Key) {
    if (Key == U' ') Key = 0;
  };
  fModel->Sender = this;
  fModel->OnApplyFilter = [this](TObject* Sender) {
    if (OnApplyFilter) OnApplyFilter(Sender);
  };
  fModel->OnBeforeBuildCriteria = [this] {
    if (fValueEditor) CloseValueEditor(true);
  };
  fModel->OnChanged = [this] { RowsChanged(); };
  fFocus.Row = fModel->Root();
  fFocus.HitPart = fhpBoolOperator;
  SetKeys(TkcControlKeys{kArrows, kChars});
  SetParentColor(false);
  SetColor(clBtnFace);
  SetBounds(0, 0, 300, 200);
}

TkcCustomFilterControl::~TkcCustomFilterControl() {
  fModel->OnChanged = nullptr;
  fModel->OnBeforeBuildCriteria = nullptr;
  FreeEditors();
}

void TkcCustomFilterControl::BeforeDestruction() {
  // The editors are not the control's children: they go before it frees its own.
  FreeEditors();
  TkcControl::BeforeDestruction();
}

void TkcCustomFilterControl::FreeEditors() {
  fValueEditor = nullptr;
  fInplaceEdits.Clear();
  if (!fListEditor) return;
  fListEditor->Properties()->OnCloseUp = nullptr;
  fListEditor->OnExit = nullptr;
  fListEditor->SetParent(nullptr);
  delete fListEditor;
  fListEditor = nullptr;
}

IkcFilterEdit* TkcCustomFilterControl::TInplaceEdits::GetEditOfClass(TkcFilterEditClass AClass) {
  IkcFilterEdit*& edit = fEdits[AClass->PropertiesClass.ClassInfo()];
  if (!edit) edit = AClass->Create();
  return edit;
}

void TkcCustomFilterControl::TInplaceEdits::RemoveItem(TkcCustomEditPropertiesClass AClass) {
  auto it = fEdits.find(AClass.ClassInfo());
  if (it == fEdits.end()) return;
  IkcFilterEdit* edit = it->second;
  fEdits.erase(it);
  edit->GetFilterEditControl()->SetParent(nullptr);
  delete edit;
}

void TkcCustomFilterControl::TInplaceEdits::Clear() {
  for (auto& [cls, edit] : fEdits) {
    edit->GetFilterEditControl()->SetParent(nullptr);
    delete edit;
  }
  fEdits.clear();
}

TkcCustomEditProperties* TkcCustomFilterControl::SourceProperties(TkcConditionViewInfo* ACondition) {
  IkcFilterControl* link = fModel->Link();
  TkcCustomEditProperties* p = nullptr;
  if (link && ACondition->ItemIndex >= 0 && ACondition->ItemIndex < link->GetCount())
    p = link->GetProperties(ACondition->ItemIndex);
  return p ? p : fModel->DefaultProperties();
}

void TkcCustomFilterControl::SetLink(IkcFilterControl* ALink) {
  if (ALink == fModel->Link()) return;
  CloseValueEditor(false);
  fModel->SetLink(ALink);
  TkcFilterCriteria* criteria = ALink ? ALink->GetCriteria() : nullptr;
  if (criteria) {
    if (criteria != fModel->Criteria()) fModel->Criteria()->Assign(criteria);
    fModel->BuildRowsFromCriteria();
  } else {
    fModel->ClearAll();
  }
}

void TkcCustomFilterControl::SetNullString(const String& Value) {
  if (Value == fNullString) return;
  fNullString = Value;
  Refresh();
}

void TkcCustomFilterControl::SetShowLevelLines(bool Value) {
  if (Value == fShowLevelLines) return;
  fShowLevelLines = Value;
  Invalidate();
}

void TkcCustomFilterControl::SetWantTabs(bool Value) {
  fWantTabs = Value;
  SetKeys(Value ? TkcControlKeys{kArrows, kChars, kTab} : TkcControlKeys{kArrows, kChars});
}

void TkcCustomFilterControl::RowsChanged() {
  // A rebuild puts the focus on the root.
  if (RowIndex(fFocus.Row) < 0) {
    fFocus = TkcFilterHitInfo{};
    fFocus.Row = fModel->Root();
    fFocus.HitPart = fhpBoolOperator;
  }
  if (RowIndex(fHot.Row) < 0) fHot = TkcFilterHitInfo{};
  Refresh();
}

void TkcCustomFilterControl::ClearAll() {
  CloseValueEditor(false);
  fModel->ClearAll();
  fFocus = TkcFilterHitInfo{};
  fFocus.Row = fModel->Root();
  fFocus.HitPart = fhpBoolOperator;
  fTopRow = fLeftOffset = 0;
  Refresh();
}

void TkcCustomFilterControl::LoadFromFile(const String& AFileName) {
  CloseValueEditor(false);
  fModel->LoadFromFile(AFileName);
}

void TkcCustomFilterControl::SaveToFile(const String& AFileName) {
  CloseValueEditor(true);
  fModel->SaveToFile(AFileName);
}

int TkcCustomFilterControl::RowIndex(TkcCustomRowViewInfo* ARow) const {
  const auto& rows = fModel->Rows();
  auto it = std::find(rows.begin(), rows.end(), ARow);
  return it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
}

TkcGroupViewInfo* TkcCustomFilterControl::NearestGroup(TkcCustomRowViewInfo* ARow) const {
  for (TkcCustomRowViewInfo* row = ARow; row; row = row->Parent())
    if (auto* group = dynamic_cast<TkcGroupViewInfo*>(row)) return group;
  return fModel->Root();
}

bool TkcCustomFilterControl::HotTrackingApplies() {
  return Enabled() && HasItems() && (HotTrackOnUnfocused || Focused() || (ValueEditor() && ValueEditor()->Focused()));
}

// ---- Layout ---------------------------------------------------------------------------------

String TkcCustomFilterControl::ValueText(TkcValueInfo* AValue) const {
  return AValue->Value.IsNull() ? fNullString : AValue->ValueText;
}

TkcButtonState TkcCustomFilterControl::PartState(TkcCustomRowViewInfo* ARow, TkcFilterHitPart APart, const TRect&,
                                                 int AValueIndex) {
  if (!Enabled() || !HasItems()) return kcbsDisabled;
  if (fFocus.Row == ARow && fFocus.HitPart == APart && (APart != fhpValue || fFocus.ValueIndex == AValueIndex))
    return kcbsDefault;
  if (HotTrackingApplies() && fHot.Row == ARow && fHot.HitPart == APart && fOpenEditor == foeNone) return kcbsHot;
  return kcbsNormal;
}

void TkcCustomFilterControl::LayoutRow(TkcCustomRowViewInfo* ARow, const TRect& R) {
  TkcCanvas* c = fMeasureCanvas.get();
  c->SetFont(Font());
  ARow->RowRect = R;
  ARow->Indent = fRowHeight * ARow->Level();
  int zero = c->TextWidth("0");
  int buttonWidth =
      ARow->Parent() ? zero * static_cast<int>(ARow->ButtonText.size()) : c->TextWidth(ARow->ButtonText + "00");
  ARow->ButtonRect = CentreIn(R.left + ARow->Indent + 4, buttonWidth, fRowHeight - 4, R);
  ARow->ButtonState = PartState(ARow, fhpRowButton, ARow->ButtonRect, -1);
  int width = buttonWidth + ARow->Indent + 5;
  auto textRect = [&](TFont* AFont, const String& AText, int ALeft) {
    c->SetFont(AFont);
    TSize size = c->TextExtent(AText);
    return CentreIn(ALeft, size.cx + 2, size.cy + 2, R);
  };
  if (auto* group = dynamic_cast<TkcGroupViewInfo*>(ARow)) {
    group->BoolOperatorText = GetBoolOperatorText(group->BoolOperator);
    group->BoolOperatorRect = textRect(FontBoolOperator(), group->BoolOperatorText, ARow->ButtonRect.right + 8);
    group->CaptionRect = textRect(Font(), group->Caption, group->BoolOperatorRect.right + 8);
    width += (group->BoolOperatorRect.right - group->BoolOperatorRect.left) +
             (group->CaptionRect.right - group->CaptionRect.left) + 16;
  } else {
    auto* cond = static_cast<TkcConditionViewInfo*>(ARow);
    cond->ItemRect = textRect(FontItem(), cond->ItemText, ARow->ButtonRect.right + 8);
    cond->OperatorRect = textRect(FontCondition(), cond->OperatorText(), cond->ItemRect.right + 8);
    TkcValuesViewInfo* values = cond->Values();
    int valuesWidth = 0;
    values->AddButtonRect = TRect{};
    if (cond->HasValues()) {
      c->SetFont(FontValue());
      int x = cond->OperatorRect.right + 8;
      if (IsListOperator(cond->Operator())) x += c->TextWidth("(");
      int separator = c->TextWidth(values->Separator());
      for (int i = 0; i < values->Count(); ++i) {
        TkcValueInfo* value = values->Items(i);
        TSize size = c->TextExtent(ValueText(value));
        int w = size.cx + 6;
        bool selected = (fFocus.Row == ARow && fFocus.HitPart == fhpValue && fFocus.ValueIndex == i) ||
                        (fHot.Row == ARow && fHot.HitPart == fhpValue && fHot.ValueIndex == i);
        if (selected) w = std::max(w, fMinValueWidth);
        value->ValueRect = CentreIn(x, w, size.cy + 4, R);
        x += w + 4;
        if (IsListOperator(cond->Operator()) || IsRangeOperator(cond->Operator())) x += separator + 4;
      }
      int right = values->Count() ? values->Items(values->Count() - 1)->ValueRect.right : cond->OperatorRect.right;
      if (IsListOperator(cond->Operator())) {
        values->AddButtonRect = CentreIn(right + c->TextWidth(")0"), c->TextWidth("000"), fRowHeight - 4, R);
        values->AddButtonState = PartState(ARow, fhpAddValue, values->AddButtonRect, -1);
        right = values->AddButtonRect.right;
      }
      valuesWidth = right - cond->OperatorRect.right;
    } else {
      for (int i = 0; i < values->Count(); ++i) values->Items(i)->ValueRect = TRect{};
    }
    width += (cond->ItemRect.right - cond->ItemRect.left) + (cond->OperatorRect.right - cond->OperatorRect.left) +
             valuesWidth + 16;
  }
  fWidestRow = std::max(fWidestRow, width);
}

void TkcCustomFilterControl::Calculate() {
  TkcCanvas* c = fMeasureCanvas.get();
  int height = 0;
  for (TFont* font : {Font(), FontBoolOperator(), FontItem(), FontCondition(), FontValue()}) {
    c->SetFont(font);
    height = std::max(height, c->TextHeight("Qq"));
  }
  fRowHeight = (height * 3 + 1) / 2;
  c->SetFont(Font());
  fMinValueWidth = 12 * c->TextWidth("0");
  fWidestRow = 0;
  TRect client = ClientRect();
  TRect r{client.left - fLeftOffset, client.top - fTopRow * fRowHeight, client.right,
          client.top - fTopRow * fRowHeight + fRowHeight};
  TkcCustomRowViewInfo* last = nullptr;
  for (TkcCustomRowViewInfo* row : fModel->Rows()) {
    LayoutRow(row, r);
    last = row;
    r.top += fRowHeight;
    r.bottom += fRowHeight;
  }
  c->SetFont(Font());
  String caption = LocalizeText("press the button to add a new condition");
  int indent = last ? last->Indent : 0;
  int width = c->TextWidth(caption + "00");
  fAddConditionRect = CentreIn(r.left + indent + 4, width, fRowHeight - 4, r);
  fWidestRow = std::max(fWidestRow, width + indent + 4);
  if (!Enabled() || !HasItems())
    fAddConditionState = kcbsDisabled;
  else if (fFocus.HitPart == fhpAddCondition)
    fAddConditionState = kcbsDefault;
  else if (HotTrackingApplies() && fHot.HitPart == fhpAddCondition)
    fAddConditionState = kcbsHot;
  else
    fAddConditionState = kcbsNormal;
  // The focus rectangle: the whole client without items, else the focused text or value.
  if (!HasItems()) {
    fFocusRect = TRect{client.left + 2, client.top + 2, client.right - 2, client.bottom - 2};
  } else {
    fFocusRect = TRect{};
    TkcFilterHitPart part = fFocus.HitPart;
    if (part == fhpBoolOperator || part == fhpItem || part == fhpOperator || part == fhpValue) {
      TRect p = PartRect(fFocus);
      if (p.right > p.left) fFocusRect = TRect{p.left - 1, p.top - 1, p.right + 1, p.bottom + 1};
    }
  }
}

TRect TkcCustomFilterControl::PartRect(const TkcFilterHitInfo& AInfo) const {
  TkcCustomRowViewInfo* row = AInfo.Row;
  if (AInfo.HitPart == fhpAddCondition) return fAddConditionRect;
  if (!row) return TRect{};
  auto* group = dynamic_cast<TkcGroupViewInfo*>(row);
  auto* cond = dynamic_cast<TkcConditionViewInfo*>(row);
  switch (AInfo.HitPart) {
    case fhpRowButton: return row->ButtonRect;
    case fhpBoolOperator: return group ? group->BoolOperatorRect : TRect{};
    case fhpItem: return cond ? cond->ItemRect : TRect{};
    case fhpOperator: return cond ? cond->OperatorRect : TRect{};
    case fhpValue:
      return cond && AInfo.ValueIndex >= 0 && AInfo.ValueIndex < cond->Values()->Count()
                 ? cond->Values()->Items(AInfo.ValueIndex)->ValueRect
                 : TRect{};
    case fhpAddValue: return cond ? cond->Values()->AddButtonRect : TRect{};
    default: return TRect{};
  }
}

void TkcCustomFilterControl::CalculateHitTest(TShiftState AShift, TPoint APoint, TkcFilterHitInfo& AInfo) {
  AInfo = TkcFilterHitInfo{};
  AInfo.MousePos = APoint;
  AInfo.Shift = AShift;
  AInfo.Row = fFocus.Row ? fFocus.Row : fModel->Root();
  if (!Contains(ClientRect(), APoint)) return;
  if (Contains(fAddConditionRect, APoint)) {
    AInfo.HitPart = fhpAddCondition;
    return;
  }
  const auto& rows = fModel->Rows();
  for (std::size_t i = static_cast<std::size_t>(fTopRow); i < rows.size(); ++i) {
    TkcCustomRowViewInfo* row = rows[i];
    if (!Contains(row->RowRect, APoint)) continue;
    AInfo.Row = row;
    if (Contains(row->ButtonRect, APoint)) {
      AInfo.HitPart = fhpRowButton;
    } else if (auto* group = dynamic_cast<TkcGroupViewInfo*>(row)) {
      if (Contains(group->BoolOperatorRect, APoint)) AInfo.HitPart = fhpBoolOperator;
    } else {
      auto* cond = static_cast<TkcConditionViewInfo*>(row);
      if (Contains(cond->ItemRect, APoint))
        AInfo.HitPart = fhpItem;
      else if (Contains(cond->OperatorRect, APoint))
        AInfo.HitPart = fhpOperator;
      else if (Contains(cond->Values()->AddButtonRect, APoint))
        AInfo.HitPart = fhpAddValue;
      else
        for (int v = 0; v < cond->Values()->Count(); ++v)
          if (Contains(cond->Values()->Items(v)->ValueRect, APoint)) {
            AInfo.HitPart = fhpValue;
            AInfo.ValueIndex = v;
          }
    }
    return;
  }
}

void TkcCustomFilterControl::AdjustScrollPositions() {
  if (fRowHeight <= 0) return;
  TRect client = ClientRect();
  int rows = static_cast<int>(fModel->Rows().size());
  // Pull the top row back while the add-condition line leaves more than a row free below it.
  while (fTopRow > 0 && (rows - fTopRow + 1) * fRowHeight + fRowHeight + 2 <= client.bottom - client.top) --fTopRow;
  fLeftOffset = std::max(0, std::min(fLeftOffset, fWidestRow - (client.right - client.left) + 2));
}

void TkcCustomFilterControl::Refresh() {
  if (fModel->LockCount() > 0) return;
  Calculate();
  AdjustScrollPositions();
  Calculate();
  if (HandleAllocated()) {
    UpdateScrollBars();
    Invalidate();
  }
}

void TkcCustomFilterControl::MakeFocusedVisible() {
  Calculate();
  TRect client = ClientRect();
  int index = fFocus.HitPart == fhpAddCondition ? static_cast<int>(fModel->Rows().size()) : RowIndex(fFocus.Row);
  if (index >= 0 && fRowHeight > 0) {
    if (index < fTopRow)
      fTopRow = index;
    else
      while ((index - fTopRow + 1) * fRowHeight > client.bottom - client.top && fTopRow < index) ++fTopRow;
  }
  Calculate();
  TRect part = PartRect(fFocus);
  if (fFocus.HitPart == fhpRowButton && fFocus.Row == fModel->Root()) part.left -= 4;
  if (part.right > part.left) {
    int shift = 0;
    if (part.right >= client.right) shift = part.right - (client.right - 2);
    if (part.left - shift < client.left) shift = part.left - client.left;
    fLeftOffset = std::max(0, fLeftOffset + shift);
  }
  Calculate();
  if (HandleAllocated()) {
    UpdateScrollBars();
    Invalidate();
  }
}

void TkcCustomFilterControl::InitScrollBarsParameters() {
  if (fRowHeight == 0) return;
  TRect client = ClientRect();
  int rows = static_cast<int>(fModel->Rows().size());
  SetScrollBarInfo(sbVertical, 0, rows - 1, 1, std::max(1, (client.bottom - client.top) / fRowHeight - 1), fTopRow,
                   true, true);
  SetScrollBarInfo(sbHorizontal, 0, fWidestRow, 1, client.right - client.left, fLeftOffset, true, true);
}

void TkcCustomFilterControl::Scroll(TScrollBarKind AScrollBarKind, TScrollCode AScrollCode, int& AScrollPos) {
  if (fRowHeight == 0) return;
  TRect client = ClientRect();
  int rows = static_cast<int>(fModel->Rows().size());
  if (AScrollBarKind == sbVertical) {
    int page = std::max(1, (client.bottom - client.top) / fRowHeight - 1);
    int top = fTopRow;
    switch (AScrollCode) {
      case scLineUp: --top; break;
      case scLineDown: ++top; break;
      case scPageUp: top -= page; break;
      case scPageDown: top += page; break;
      case scTrack: top = AScrollPos; break;
      default: break;
    }
    top = std::max(0, std::min(top, rows - (client.bottom - client.top) / fRowHeight + 1));
    AScrollPos = top;
    if (top != fTopRow) {
      fTopRow = top;
      Refresh();
    }
  } else {
    int width = client.right - client.left;
    int offset = fLeftOffset;
    switch (AScrollCode) {
      case scLineUp: offset -= 8; break;
      case scLineDown: offset += 8; break;
      case scPageUp: offset -= width; break;
      case scPageDown: offset += width; break;
      case scTrack: offset = AScrollPos; break;
      default: break;
    }
    offset = std::max(0, std::min(offset, fWidestRow - width + 1));
    AScrollPos = offset;
    if (offset != fLeftOffset) {
      fLeftOffset = offset;
      Refresh();
    }
  }
}

void TkcCustomFilterControl::BoundsChanged() {
  TkcControl::BoundsChanged();
  Refresh();
}

// ---- Painting -------------------------------------------------------------------------------

void TkcCustomFilterControl::DrawPartText(TkcCanvas* ACanvas, TFont* AFont, const TRect& R, const String& AText) {
  ACanvas->SetFont(AFont);
  ACanvas->Brush()->SetStyle(bsClear);
  if (!Enabled() || !HasItems()) {
    // Embossed: a highlight one pixel down and right, the shadow on top.
    ACanvas->Font()->SetColor(clBtnHighlight);
    ACanvas->Canvas()->TextOut(R.left + 2, R.top + 2, AText);
    ACanvas->Font()->SetColor(clBtnShadow);
  }
  ACanvas->Canvas()->TextOut(R.left + 1, R.top + 1, AText);
  ACanvas->Brush()->SetStyle(bsSolid);
}

void TkcCustomFilterControl::DrawLevelLines(TkcCanvas* ACanvas, TkcCustomRowViewInfo* ARow) {
  TkcGroupViewInfo* parent = ARow->Parent();
  if (!fShowLevelLines || !parent) return;
  auto dotted = [&](TRect R) {
    for (int y = R.top; y < R.bottom; ++y)
      for (int x = R.left; x < R.right; ++x) ACanvas->SetPixel(x, y, ((x + y) & 1) ? Color() : TColor(clBtnShadow));
  };
  int half = (ARow->ButtonRect.right - ARow->ButtonRect.left) / 2;
  int x = parent->ButtonRect.left + half;
  int h = fRowHeight / 2;
  int top = ARow->RowRect.top;
  dotted(TRect{x, top, x + 1, top + h});
  if (parent->IndexOf(ARow) < parent->RowCount() - 1) dotted(TRect{x, top + h, x + 1, top + 2 * h + 1});
  dotted(TRect{x, top + h, ARow->ButtonRect.left - 3, top + h + 1});
  for (TkcCustomRowViewInfo* a = parent; a->Parent(); a = a->Parent()) {
    TkcGroupViewInfo* ap = a->Parent();
    if (ap->IndexOf(a) == ap->RowCount() - 1) continue;
    int ax = ap->ButtonRect.left + half;
    dotted(TRect{ax, top, ax + 1, ARow->RowRect.bottom});
  }
}

void TkcCustomFilterControl::DrawRow(TkcCanvas* ACanvas, TkcCustomRowViewInfo* ARow) {
  ACanvas->FillRect(ARow->RowRect, Color());
  ACanvas->SetFont(Font());
  GetPainter()->DrawButton(ACanvas, ARow->ButtonRect, ARow->ButtonText, ARow->ButtonState);
  if (auto* group = dynamic_cast<TkcGroupViewInfo*>(ARow)) {
    DrawPartText(ACanvas, Font(), group->CaptionRect, group->Caption);
    DrawPartText(ACanvas, FontBoolOperator(), group->BoolOperatorRect, group->BoolOperatorText);
  } else {
    auto* cond = static_cast<TkcConditionViewInfo*>(ARow);
    DrawPartText(ACanvas, FontItem(), cond->ItemRect, cond->ItemText);
    DrawPartText(ACanvas, FontCondition(), cond->OperatorRect, cond->OperatorText());
    if (cond->HasValues()) {
      TkcValuesViewInfo* values = cond->Values();
      String separator = values->Separator();
      for (int i = 0; i < values->Count(); ++i) {
        TkcValueInfo* value = values->Items(i);
        bool selected =
            (fFocus.Row == ARow && fFocus.HitPart == fhpValue && fFocus.ValueIndex == i && Focused()) ||
            (fHot.Row == ARow && fHot.HitPart == fhpValue && fHot.ValueIndex == i && fOpenEditor == foeNone);
        if (selected) ACanvas->FillRect(value->ValueRect, clWindow);
        ACanvas->SetFont(FontValue());
        ACanvas->Brush()->SetStyle(bsClear);
        ACanvas->Canvas()->TextOut(value->ValueRect.left + 3, value->ValueRect.top + 2, ValueText(value));
        ACanvas->Brush()->SetStyle(bsSolid);
        if (i + 1 < values->Count() && !separator.empty()) {
          bool range = IsRangeOperator(cond->Operator());
          DrawPartText(ACanvas, range ? FontCondition() : FontValue(),
                       TRect{value->ValueRect.right + (range ? 4 : 2) - 1, value->ValueRect.top, 0, 0}, separator);
        }
      }
      if (IsListOperator(cond->Operator())) {
        DrawPartText(ACanvas, FontValue(), TRect{cond->OperatorRect.right + 3, cond->OperatorRect.top - 1, 0, 0}, "(");
        TRect lastRect = values->Count() ? values->Items(values->Count() - 1)->ValueRect : cond->OperatorRect;
        DrawPartText(ACanvas, FontValue(), TRect{lastRect.right + 2, lastRect.top, 0, 0}, ")");
        ACanvas->SetFont(Font());
        GetPainter()->DrawButton(ACanvas, values->AddButtonRect, "+", values->AddButtonState);
      }
    }
  }
  DrawLevelLines(ACanvas, ARow);
}

void TkcCustomFilterControl::Paint() {
  Calculate();
  TkcCanvas* c = Canvas();
  TRect client = ClientRect();
  c->FillRect(client, Color());
  const auto& rows = fModel->Rows();
  for (std::size_t i = static_cast<std::size_t>(fTopRow); i < rows.size(); ++i) {
    DrawRow(c, rows[i]);
    if (rows[i]->RowRect.top > client.bottom) break;
  }
  c->SetFont(Font());
  GetPainter()->DrawButton(c, fAddConditionRect, LocalizeText("press the button to add a new condition"),
                           fAddConditionState);
  if (fFocusRect.right > fFocusRect.left && (Focused() || fOpenEditor != foeNone)) c->DrawFocusRect(fFocusRect);
  GetPainter()->PaintControlBorder(c, GetBounds());
}

// ---- Focus and keys -------------------------------------------------------------------------

void TkcCustomFilterControl::FocusRow(TkcCustomRowViewInfo* ARow) {
  fFocus.Row = ARow;
  fFocus.HitPart = dynamic_cast<TkcGroupViewInfo*>(ARow) ? fhpBoolOperator : fhpItem;
  fFocus.ValueIndex = -1;
  MakeFocusedVisible();
}

void TkcCustomFilterControl::SetFocusedPart(TkcFilterHitPart APart, int AValueIndex) {
  fFocus.HitPart = APart;
  if (auto* cond = FocusedCondition(); cond && AValueIndex >= 0 && AValueIndex < cond->Values()->Count())
    fFocus.ValueIndex = AValueIndex;
  MakeFocusedVisible();
}

void TkcCustomFilterControl::MoveRight(bool ANextRow) {
  TkcConditionViewInfo* cond = FocusedCondition();
  switch (fFocus.HitPart) {
    case fhpRowButton: SetFocusedPart(cond ? fhpItem : fhpBoolOperator); break;
    case fhpBoolOperator:
    case fhpAddValue:
      if (ANextRow) MoveDown(true);
      break;
    case fhpItem: SetFocusedPart(fhpOperator); break;
    case fhpOperator:
      if (cond && cond->HasValues())
        SetFocusedPart(fhpValue, 0);
      else if (ANextRow)
        MoveDown(true);
      break;
    case fhpValue:
      if (cond && fFocus.ValueIndex + 1 < cond->Values()->Count())
        SetFocusedPart(fhpValue, fFocus.ValueIndex + 1);
      else if (cond && IsListOperator(cond->Operator()))
        SetFocusedPart(fhpAddValue);
      else if (ANextRow)
        MoveDown(true);
      break;
    case fhpAddCondition:
      if (!ANextRow) FocusRow(fModel->Rows().back());
      break;
    default: break;
  }
}

void TkcCustomFilterControl::MoveLeft(bool APrevRow) {
  switch (fFocus.HitPart) {
    case fhpRowButton:
      if (APrevRow) MoveUp(true);
      break;
    case fhpAddCondition: MoveUp(APrevRow); break;
    case fhpBoolOperator:
    case fhpItem: SetFocusedPart(fhpRowButton); break;
    case fhpOperator: SetFocusedPart(fhpItem); break;
    case fhpValue:
      if (fFocus.ValueIndex > 0)
        SetFocusedPart(fhpValue, fFocus.ValueIndex - 1);
      else
        SetFocusedPart(fhpOperator);
      break;
    case fhpAddValue: SetFocusedPart(fhpValue, fFocus.ValueIndex); break;
    default: break;
  }
}

void TkcCustomFilterControl::MoveDown(bool ANextRow) {
  if (fFocus.HitPart == fhpAddCondition) return;
  int index = RowIndex(fFocus.Row);
  const auto& rows = fModel->Rows();
  if (index + 1 >= static_cast<int>(rows.size())) {
    SetFocusedPart(fhpAddCondition);
    return;
  }
  fFocus.ValueIndex = -1;
  if (ANextRow) {
    fFocus.Row = rows[index + 1];
    SetFocusedPart(fhpRowButton);
  } else {
    FocusRow(rows[index + 1]);
  }
}

void TkcCustomFilterControl::MoveUp(bool APrevRow) {
  const auto& rows = fModel->Rows();
  TkcCustomRowViewInfo* target;
  if (fFocus.HitPart == fhpAddCondition)
    target = rows.back();
  else if (fFocus.Row == fModel->Root())
    return;
  else
    target = rows[RowIndex(fFocus.Row) - 1];
  if (!APrevRow) {
    FocusRow(target);
    return;
  }
  fFocus.Row = target;
  if (auto* cond = dynamic_cast<TkcConditionViewInfo*>(target)) {
    if (cond->HasValues() && IsListOperator(cond->Operator())) {
      fFocus.ValueIndex = cond->Values()->Count() - 1;
      SetFocusedPart(fhpAddValue);
    } else if (cond->HasValues()) {
      SetFocusedPart(fhpValue, cond->Values()->Count() - 1);
    } else {
      SetFocusedPart(fhpOperator);
    }
  } else {
    SetFocusedPart(fhpBoolOperator);
  }
}

void TkcCustomFilterControl::KeyDown(WORD& Key, TShiftState Shift) {
  TkcControl::KeyDown(Key, Shift);
  bool none = Shift == TShiftState{};
  switch (Key) {
    case VK_TAB:
      if (Shift.Contains(ssCtrl)) {
        if (TWinControl* parent = Parent()) parent->SelectNext(this, !Shift.Contains(ssShift), true);
      } else if (Shift.Contains(ssShift)) {
        MoveLeft(true);
      } else {
        MoveRight(true);
      }
      Key = 0;
      break;
    case VK_LEFT: MoveLeft(false); break;
    case VK_RIGHT: MoveRight(false); break;
    case VK_UP: MoveUp(false); break;
    case VK_DOWN: MoveDown(false); break;
    case VK_INSERT:
      if (none) AddCondition(fFocus.Row);
      break;
    case VK_DELETE:
      if (Shift == TShiftState{ssCtrl}) RemoveFocused();
      break;
    default: break;
  }
}

void TkcCustomFilterControl::KeyPress(char32_t& Key) {
  TkcControl::KeyPress(Key);
  if (Key == U'\r' || Key == U' ') {
    Key = 0;
    ActivatePart(fFocus.HitPart, false);
  } else if (Key >= U' ' && fFocus.HitPart == fhpValue && HasItems()) {
    char32_t key = Key;
    Key = 0;
    ShowValueEditor(key);
  }
}

void TkcCustomFilterControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcControl::MouseDown(Button, Shift, X, Y);
  if (fValueError || !HasItems()) return;
  Calculate();
  CalculateHitTest(Shift, TPoint{X, Y}, fHot);
  if (fHot.HitPart != fhpNone && fOpenEditor == foeNone && Button == mbLeft) {
    fFocus = fHot;
    MakeFocusedVisible();
    ActivatePart(fHot.HitPart, true);
  }
}

void TkcCustomFilterControl::MouseMove(TShiftState Shift, int X, int Y) {
  TkcControl::MouseMove(Shift, X, Y);
  TkcFilterHitInfo old = fHot;
  CalculateHitTest(Shift, TPoint{X, Y}, fHot);
  SetCursor(HotTrackingApplies() && fHot.HitPart != fhpNone ? crHandPoint : crDefault);
  if (old.Row != fHot.Row || old.HitPart != fHot.HitPart || old.ValueIndex != fHot.ValueIndex) {
    Calculate();
    Invalidate();
  }
}

void TkcCustomFilterControl::MouseLeave(TControl* AControl) {
  TkcControl::MouseLeave(AControl);
  fHot.HitPart = fhpNone;
  Refresh();
}

void TkcCustomFilterControl::FontChanged() {
  TkcControl::FontChanged();
  for (auto& font : fFonts) {
    if (!font) return;  // during construction
    font->SetName(Font()->Name());
    font->SetHeight(Font()->Height());
    font->SetCharset(Font()->Charset());
  }
  Refresh();
}

void TkcCustomFilterControl::FocusChanged() {
  TkcControl::FocusChanged();
  Refresh();
}

// ---- Activation -----------------------------------------------------------------------------

void TkcCustomFilterControl::ActivatePart(TkcFilterHitPart APart, bool) {
  switch (APart) {
    case fhpRowButton: ShowRowMenu(); break;
    case fhpBoolOperator: ShowList(foeBoolOperatorList); break;
    case fhpItem: ShowList(foeItemList); break;
    case fhpOperator: ShowList(foeOperatorList); break;
    case fhpValue: ShowValueEditor(); break;
    case fhpAddCondition: AddCondition(nullptr); break;
    case fhpAddValue: AddValue(); break;
    default: break;
  }
}

void TkcCustomFilterControl::ShowRowMenu() {
  if (!HasItems() || !fFocus.Row) return;
  bool root = fFocus.Row == fModel->Root();
  TMenuItem* items = fRowMenu->Items();
  items->Items(2)->SetVisible(!root || fModel->Root()->RowCount() > 0);
  items->Items(3)->SetVisible(!root || fModel->Root()->RowCount() > 0);
  items->Items(3)->SetCaption(LocalizeText(root ? "Clear &All" : "&Remove Row"));
  TPoint p = ClientToScreen(TPoint{fFocus.Row->ButtonRect.left, fFocus.Row->ButtonRect.bottom});
  fOpenEditor = foeRowMenu;
  try {
    fRowMenu->Popup(p.x, p.y);
  } catch (...) {
    fOpenEditor = foeNone;
    throw;
  }
  fOpenEditor = foeNone;
}

void TkcCustomFilterControl::ShowList(TkcFilterOpenEditor AKind) {
  if (!HasItems()) return;
  auto* group = dynamic_cast<TkcGroupViewInfo*>(fFocus.Row);
  TkcConditionViewInfo* cond = FocusedCondition();
  if ((AKind == foeBoolOperatorList && !group) || (AKind != foeBoolOperatorList && !cond)) return;
  TkcComboBoxProperties* p = fListEditor->Properties();
  TStrings* items = p->Items();
  items->BeginUpdate();
  items->Clear();
  fListValues.clear();
  auto add = [&](const String& ACaption, int AValue) {
    items->Add(ACaption);
    fListValues.push_back(AValue);
  };
  TRect at;
  TFont* font;
  int current;
  if (AKind == foeBoolOperatorList) {
    for (int i = 0; i < 4; ++i) add(GetBoolOperatorText(static_cast<TkcFilterBoolOperatorKind>(i)), i);
    at = group->BoolOperatorRect;
    font = FontBoolOperator();
    current = group->BoolOperator;
  } else if (AKind == foeItemList) {
    IkcFilterControl* link = fModel->Link();
    std::vector<int> order;
    for (int i = 0; i < link->GetCount(); ++i) order.push_back(i);
    if (fModel->SortItems)
      std::stable_sort(order.begin(), order.end(),
                       [&](int a, int b) { return AnsiCompareText(link->GetCaption(a), link->GetCaption(b)) < 0; });
    for (int i : order) add(link->GetCaption(i), i);
    at = cond->ItemRect;
    font = FontItem();
    current = cond->ItemIndex;
  } else {
    TkcConditionOperators ops = cond->SupportedOperators();
    if (!fModel->Criteria()->SupportedLike()) ops = ops.Without(kcLikeConditionOperators);
    for (int i = kcoEqual; i <= kLastConditionOperator; ++i)
      if (ops.Contains(static_cast<TkcConditionOperator>(i)))
        add(GetConditionOperatorText(static_cast<TkcConditionOperator>(i)), i);
    at = cond->OperatorRect;
    font = FontCondition();
    current = cond->Operator();
  }
  items->EndUpdate();
  if (fListValues.empty()) return;
  // The list shows the texts without the part's underline.
  std::unique_ptr<TFont> plain = std::make_unique<TFont>();
  plain->Assign(font);
  plain->SetStyle(TFontStyles{});
  fListEditor->Style()->SetFont(plain.get());
  p->SetDropDownRows(std::min<int>(12, static_cast<int>(fListValues.size())));
  fOpenEditor = AKind;
  fListEditor->SetBounds(at.left, at.top, std::max<int>(at.right - at.left, 40), at.bottom - at.top);
  fListEditor->SetParent(this);
  fListEditor->Show();
  const auto found = std::find(fListValues.begin(), fListValues.end(), current);
  fListEditor->SetItemIndex(found == fListValues.end() ? -1 : static_cast<int>(found - fListValues.begin()));
  if (fListEditor->CanFocus()) fListEditor->SetFocus();
  fListEditor->SetDroppedDown(true);
}

void TkcCustomFilterControl::ListEditorCloseUp(TObject*) {
  if (fOpenEditor != foeItemList && fOpenEditor != foeBoolOperatorList && fOpenEditor != foeOperatorList) return;
  const TkcEditCloseUpReason reason = fListEditor->CloseUpReason();
  const int index = fListEditor->ItemIndex();
  const TkcFilterOpenEditor kind = fOpenEditor;
  fOpenEditor = foeNone;
  if ((reason == crEnter || reason == crClose || reason == crTab) && index >= 0 &&
      index < static_cast<int>(fListValues.size())) {
    ListChosen(kind, fListValues[static_cast<std::size_t>(index)]);
    return;
  }
  // Closed without a choice: the control takes the focus back (which hides the list).
  if (reason == crCancel && CanFocus()) SetFocus();
}

void TkcCustomFilterControl::ListEditorExit(TObject*) {
  fListEditor->Hide();
  if (fOpenEditor == foeItemList || fOpenEditor == foeBoolOperatorList || fOpenEditor == foeOperatorList)
    fOpenEditor = foeNone;
}

void TkcCustomFilterControl::ListChosen(TkcFilterOpenEditor AKind, int AValue) {
  if (AKind == foeBoolOperatorList) {
    if (auto* group = dynamic_cast<TkcGroupViewInfo*>(fFocus.Row))
      group->BoolOperator = static_cast<TkcFilterBoolOperatorKind>(AValue);
  } else if (TkcConditionViewInfo* cond = FocusedCondition()) {
    if (AKind == foeItemList) {
      cond->SetItem(AValue);
      fFocus.HitPart = fhpOperator;
      if (cond->SupportedOperators().Contains(kcoLike) && cond->ValueType() && cond->ValueType()->IsTextType()) {
        cond->SetOperator(kcoLike);
      }
    } else {
      cond->SetOperator(static_cast<TkcConditionOperator>(AValue));
      cond->AdjustValues(true);
      if (cond->HasValues()) {
        fFocus.HitPart = fhpValue;
        fFocus.ValueIndex = 0;
      }
    }
  }
  fOpenEditor = foeNone;
  fListEditor->Hide();
  Refresh();
  MakeFocusedVisible();
  if (CanFocus()) SetFocus();
}

void TkcCustomFilterControl::ShowValueEditor(char32_t AKey) {
  TkcConditionViewInfo* cond = FocusedCondition();
  if (!HasItems() || !cond || fFocus.HitPart != fhpValue || fFocus.ValueIndex < 0 ||
      fFocus.ValueIndex >= cond->Values()->Count())
    return;
  MakeFocusedVisible();
  TkcFilterEditHelperClass helper = cond->EditorHelper();
  IkcFilterEdit* edit = helper ? CreateFilterEdit(helper, SourceProperties(cond), &fInplaceEdits) : nullptr;
  if (!edit) return;
  fOpenEditor = foeValue;
  fValueEditor = edit;
  TkcValueInfo* value = cond->Values()->Items(fFocus.ValueIndex);
  helper->WriteFilterValue(edit, edit->GetFilterEditProperties(), value->Value);
  TkcCustomEdit* control = edit->GetFilterEditControl();
  control->Style()->SetFont(FontValue());
  control->Style()->SetColor(clWindow);
  control->Style()->LookAndFeel()->SetMasterLookAndFeel(LookAndFeel());
  TRect r = value->ValueRect;
  control->SetBounds(r.left, r.top, std::max<int>(r.right - r.left, fMinValueWidth), r.bottom - r.top);
  control->OnKeyDown = [this](TObject* Sender, WORD& Key, TShiftState Shift) { ValueEditorKeyDown(Sender, Key, Shift); };
  control->OnExit = [this](TObject* Sender) { ValueEditorExit(Sender); };
  control->SetParent(this);
  control->SendToBack();
  if (!CanFocus()) return control->Show();
  if (AKey)
    control->ActivateByKey(AKey);
  else
    control->Activate();
}

void TkcCustomFilterControl::CloseValueEditor(bool AAccept) {
  if (fClosingEditor) return;
  fValueError = false;
  if (fOpenEditor == foeValue) fOpenEditor = foeNone;
  if (!fValueEditor) return;
  TkcCustomEdit* control = fValueEditor->GetFilterEditControl();
  TkcConditionViewInfo* cond = FocusedCondition();
  if (AAccept && cond && fFocus.ValueIndex >= 0 && fFocus.ValueIndex < cond->Values()->Count()) {
    try {
      // The editor's own check first (a mask, a bound), then the column's type.
      control->ValidateEdit(true);
      TkcFilterEditHelperClass helper = cond->EditorHelper();
      Variant value;
      String text;
      helper->ReadFilterValue(fValueEditor, fValueEditor->GetFilterEditProperties(), value, text);
      ValidateConditionValue(fValueEditor, value, cond->Operator(), cond->ValueType(), helper);
      TkcValueInfo* info = cond->Values()->Items(fFocus.ValueIndex);
      info->Value = value;
      info->ValueText = value.IsNull() ? String() : text;
    } catch (...) {
      fValueError = true;
      fOpenEditor = foeValue;
      throw;
    }
  }
  fClosingEditor = true;
  fValueEditor = nullptr;
  control->OnKeyDown = nullptr;
  control->OnExit = nullptr;
  control->Hide();
  control->SetParent(nullptr);
  fClosingEditor = false;
  MakeFocusedVisible();
}

void TkcCustomFilterControl::ValueEditorKeyDown(TObject*, WORD& Key, TShiftState Shift) {
  // While the editor's own popup is open its keys are its own.
  if (TkcCustomEdit* control = ValueEditor(); control && control->HasPopupWindow()) return;
  auto acceptAndFocus = [&] {
    CloseValueEditor(true);
    if (CanFocus()) SetFocus();
  };
  switch (Key) {
    case VK_TAB:
      if (!fWantTabs) return;
      Key = 0;
      acceptAndFocus();
      Shift.Contains(ssShift) ? MoveLeft(true) : MoveRight(true);
      break;
    case VK_RETURN:
      Key = 0;
      acceptAndFocus();
      break;
    case VK_ESCAPE:
      Key = 0;
      CloseValueEditor(false);
      if (CanFocus()) SetFocus();
      break;
    case VK_DELETE:
      if (Shift == TShiftState{ssCtrl}) {
        Key = 0;
        CloseValueEditor(false);
        if (CanFocus()) SetFocus();
        RemoveFocused();
      }
      break;
    case VK_UP:
    case VK_DOWN: {
      WORD key = Key;
      Key = 0;
      acceptAndFocus();
      key == VK_UP ? MoveUp(false) : MoveDown(false);
      break;
    }
    default: break;
  }
}

void TkcCustomFilterControl::ValueEditorExit(TObject*) {
  if (fClosingEditor || !fValueEditor) return;
  try {
    CloseValueEditor(true);
  } catch (const Exception&) {
    // The rejected value stays in the editor, which takes the focus back.
    if (TkcCustomEdit* control = ValueEditor(); control && control->CanFocus()) control->SetFocus();
    throw;
  }
}

// ---- Adding and removing --------------------------------------------------------------------

void TkcCustomFilterControl::AddCondition(TkcCustomRowViewInfo* ARow) {
  if (!HasItems()) return;
  CloseValueEditor(true);
  if (!ARow) ARow = fModel->Rows().back();
  TkcConditionViewInfo* row = fModel->AddCondition(NearestGroup(ARow));
  fFocus.Row = row;
  fFocus.ValueIndex = -1;
  // The line below stays in view.
  fFocus.HitPart = fhpAddCondition;
  MakeFocusedVisible();
  fFocus.HitPart = fhpItem;
  MakeFocusedVisible();
}

void TkcCustomFilterControl::AddGroup() {
  if (!HasItems()) return;
  CloseValueEditor(true);
  TkcGroupViewInfo* group = fModel->AddGroup(NearestGroup(fFocus.Row));
  AddCondition(group);
}

void TkcCustomFilterControl::AddValue() {
  TkcConditionViewInfo* cond = FocusedCondition();
  if (!cond) return;
  cond->Values()->AddValue();
  fFocus.HitPart = fhpValue;
  fFocus.ValueIndex = cond->Values()->Count() - 1;
  Calculate();
  fLeftOffset = std::max(0, fWidestRow - ClientWidth() + 2);
  Refresh();
}

void TkcCustomFilterControl::RemoveFocused() {
  TkcConditionViewInfo* cond = FocusedCondition();
  if (cond && fFocus.HitPart == fhpValue && IsListOperator(cond->Operator()) && cond->Values()->Count() > 1) {
    cond->Values()->Delete(fFocus.ValueIndex);
    if (fFocus.ValueIndex > 0) --fFocus.ValueIndex;
    MakeFocusedVisible();
  } else {
    RemoveRow();
  }
}

void TkcCustomFilterControl::RemoveRow() {
  if (!fFocus.Row || fFocus.Row == fModel->Root()) return;
  CloseValueEditor(false);
  TkcCustomRowViewInfo* row = fFocus.Row;
  while (row->Parent() != fModel->Root() && row->Parent()->RowCount() == 1) row = row->Parent();
  TkcCustomRowViewInfo* before = fModel->Rows()[RowIndex(row) - 1];
  fHot = TkcFilterHitInfo{};
  fFocus.Row = before;
  fModel->RemoveRow(row);
  FocusRow(before);
}

// ---- TkcFilterControl -----------------------------------------------------------------------

TkcFilterControl::~TkcFilterControl() {
  if (fLinkComponent) fLinkComponent->RemoveFreeNotification(this);
}

bool TkcFilterControl::GetInterface(const TGUID& IID, void** Obj) {
  if (IID == IkcFilterControlLinkSetter::IID) {
    *Obj = static_cast<IkcFilterControlLinkSetter*>(this);
    return true;
  }
  return TkcCustomFilterControl::GetInterface(IID, Obj);
}

void TkcFilterControl::SetLinkComponent(TComponent* AValue) {
  IkcFilterControl* link = nullptr;
  if (AValue && !Supports(static_cast<TObject*>(AValue), IkcFilterControl::IID, reinterpret_cast<void**>(&link)))
    AValue = nullptr;
  if (AValue == fLinkComponent) return;
  if (fLinkComponent) fLinkComponent->RemoveFreeNotification(this);
  fLinkComponent = AValue;
  if (fLinkComponent) fLinkComponent->FreeNotification(this);
  SetLink(link);
}

void TkcFilterControl::Notification(TComponent* AComponent, TOperation Operation) {
  TkcCustomFilterControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fLinkComponent) {
    fLinkComponent = nullptr;
    SetLink(nullptr);
  }
}
