#include "editors-extended/kcGroupBox.h"

#include "platform/win/Windows.h"

TRect CalculateGroupCaptionRect(TkcCaptionAlignment AAlignment, const TSize& ATextSize, int AWidth, int AHeight,
                                bool AShadow) {
  if (ATextSize.cx <= 0) return TRect{};
  const int S = AShadow ? 3 : 0, T = ATextSize.cx, U = ATextSize.cy, W = AWidth, H = AHeight;
  TRect r{};
  switch (AAlignment) {
    case alTopLeft:
    case alBottomLeft: r.left = 8; break;
    case alTopCenter:
    case alBottomCenter:
    case alCenterCenter: r.left = (W - S - T) / 2; break;
    case alTopRight:
    case alBottomRight: r.left = W - 8 - S - T; break;
    default: break;
  }
  r.right = r.left + T;
  switch (AAlignment) {
    case alTopLeft:
    case alTopCenter:
    case alTopRight:
      r.top = 0;
      r.bottom = U;
      break;
    case alBottomLeft:
    case alBottomCenter:
    case alBottomRight:
      r.top = H - U - 2;
      r.bottom = H - 2;
      break;
    case alCenterCenter:
      r.top = (H - S - U) / 2;
      r.bottom = r.top + U;
      break;
    case alLeftTop: r = Rect(-1, 8, U - 1, 8 + T); break;
    case alLeftCenter:
      r.left = -1;
      r.right = U - 1;
      r.bottom = H - S - (H - S - T) / 2;
      r.top = r.bottom - T;
      break;
    case alLeftBottom:
      r.left = -1;
      r.right = U - 1;
      r.bottom = H - S - 8;
      r.top = r.bottom - T;
      break;
    case alRightTop: r = Rect(W - U + 1, 8, W + 1, 8 + T); break;
    case alRightCenter:
      r.left = W - U + 1;
      r.right = W + 1;
      r.top = (H - T) / 2;
      r.bottom = r.top + T;
      break;
    case alRightBottom: r = Rect(W - U + 1, H - 8 - T, W + 1, H - 8); break;
  }
  return r;
}

void TkcButtonGroupItem::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcButtonGroupItem*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  SetCaption(source->Caption());
  SetEnabled(source->Enabled());
  Tag = source->Tag;
}

void TkcButtonGroupItem::SetCaption(const String& Value) {
  if (fCaption == Value) return;
  fCaption = Value;
  Changed(false);
}

void TkcButtonGroupItem::SetEnabled(bool Value) {
  if (fEnabled == Value) return;
  fEnabled = Value;
  Changed(false);
}

TkcButtonGroupItems::~TkcButtonGroupItems() { fDestroying = true; }

void TkcButtonGroupItems::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  if (fDestroying) return;
  fChangedItemIndex = Item ? Item->Index() : -1;
  fChangedItemOperation = Action == cnAdded ? bgicAdded : bgicDeleted;
}

void TkcButtonGroupItems::Update(TCollectionItem* Item) {
  if (fDestroying) return;
  if (Item && fChangedItemOperation == bgicNone) {
    fChangedItemIndex = Item->Index();
    fChangedItemOperation = bgicChanged;
  }
  if (auto* properties = dynamic_cast<TkcCustomEditProperties*>(Owner())) properties->Changed();
  fChangedItemIndex = -1;
  fChangedItemOperation = bgicNone;
}

TkcCustomButtonGroupProperties::TkcCustomButtonGroupProperties(TPersistent* AOwner)
    : TkcCustomGroupBoxProperties(AOwner) {
  fItems = CreateItems();
}

TkcCustomButtonGroupProperties::~TkcCustomButtonGroupProperties() = default;

std::unique_ptr<TkcButtonGroupItems> TkcCustomButtonGroupProperties::CreateItems() {
  return std::make_unique<TkcButtonGroupItems>(this, TkcButtonGroupItem::StaticClass());
}

void TkcCustomButtonGroupProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomButtonGroupProperties*>(Source);
  if (!source) {
    TkcCustomGroupBoxProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    TkcCustomGroupBoxProperties::Assign(Source);
    SetColumns(source->Columns());
    SetItems(source->Items());
    SetWordWrap(source->WordWrap());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TkcCustomButtonGroupProperties::GetOperationSupport() {
  int support = (1 << 0) | (1 << 1) | (1 << 2) | (1 << 3) | (1 << 7) | (1 << 8) | (1 << 10);
  if (fItems->Count() > 0) support |= 1 << 5;
  return support;
}

int TkcCustomButtonGroupProperties::GetColumnCount() const {
  const int count = fItems->Count();
  const int c = std::min(fColumns, count);
  if (count == 0) return c;
  const int rows = (count + c - 1) / c;
  return (count + rows - 1) / rows;
}

int TkcCustomButtonGroupProperties::GetRowCount() const {
  const int columns = GetColumnCount();
  return columns == 0 ? 0 : (fItems->Count() + columns - 1) / columns;
}

TRect LayoutButtonGroupItem(int AIndex, int ACount, int AColumns, const TRect& ABounds, const TRect& AExtent,
                            const TkcButtonGroupItemMetrics& AMetrics) {
  const int rows = (ACount + AColumns - 1) / AColumns;
  const int column = AIndex / rows, row = AIndex % rows;
  const int columnWidth = ((ABounds.right - ABounds.left) - AExtent.left - AExtent.right +
                           AMetrics.LayoutWidthAdjustment - (AColumns - 1) * AMetrics.ColumnGap) /
                          AColumns;
  const int clientHeight = (ABounds.bottom - ABounds.top) - AExtent.top - AExtent.bottom;
  const int rowHeight = clientHeight / rows;
  const int left =
      ABounds.left + AExtent.left + (columnWidth + AMetrics.ColumnGap) * column + AMetrics.LayoutLeftOffset;
  const int top = ABounds.top + AExtent.top + (clientHeight % rows) / 2 + row * rowHeight;
  return Bounds(left, top, columnWidth, rowHeight);
}

int ButtonGroupArrowTarget(int AFocused, int ACount, int AColumns, WORD AKey) {
  if (AFocused < 0 || AFocused >= ACount || AColumns < 1) return AFocused;
  const int rows = (ACount + AColumns - 1) / AColumns;
  const int column = AFocused / rows, row = AFocused % rows;
  const int rowsInColumn = std::min(rows, ACount - column * rows);
  switch (AKey) {
    case VK_LEFT: return column > 0 ? AFocused - rows : AFocused;
    case VK_UP: return row > 0 ? AFocused - 1 : AFocused;
    case VK_RIGHT: return AFocused + rows < ACount ? AFocused + rows : AFocused;
    case VK_DOWN: return row < rowsInColumn - 1 ? AFocused + 1 : AFocused;
    default: return AFocused;
  }
}

// ---- The group box control ---------------------------------------------------------------------

#include <algorithm>

#include "controls/kcControlUtils.h"
#include "editors-extended/kcCheckBox.h"
#include "controls/kcGraphics.h"
#include "editors/kcEditUtils.h"
#include "platform/forms/Forms.h"

TClass TkcCustomGroupBoxProperties::GetContainerClass() { return TkcGroupBox::StaticClass(); }

TkcCustomEditViewData* TkcCustomGroupBoxProperties::CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                                                   bool APreviewMode) {
  auto* data = new TkcGroupBoxViewData(this, AStyle, AIsInplace);
  data->PreviewMode = APreviewMode;
  return data;
}

namespace {

bool IsTopCaption(TkcCaptionAlignment A) { return A <= alTopRight; }
bool IsBottomCaption(TkcCaptionAlignment A) { return A >= alBottomLeft && A <= alBottomRight; }
bool IsLeftCaption(TkcCaptionAlignment A) { return A >= alLeftTop && A <= alLeftBottom; }
bool IsRightCaption(TkcCaptionAlignment A) { return A >= alRightTop && A <= alRightBottom; }

// Replaces the side of an extent that the caption lies on.
void SetCaptionSide(TRect& AExtent, TkcCaptionAlignment A, int AValue) {
  if (IsTopCaption(A)) AExtent.top = AValue;
  if (IsBottomCaption(A)) AExtent.bottom = AValue;
  if (IsLeftCaption(A)) AExtent.left = AValue;
  if (IsRightCaption(A)) AExtent.right = AValue;
}

}  // namespace

int TkcGroupBoxViewData::CaptionLineHeight() {
  if (!Group) return 0;
  TkcScreenCanvas canvas;
  canvas.SetFont(Group->CaptionFont());
  return canvas.TextHeight("Qq");
}

TRect TkcGroupBoxViewData::GetBorderExtent() {
  if (IsInplace || !Style) return TkcCustomEditViewData::GetBorderExtent();
  const int width = GetContainerBorderWidth(Style->BorderStyle());
  TRect extent{width, width, width, width};
  const TkcCaptionAlignment a = Group ? Group->Alignment() : alTopLeft;
  if (a != alCenterCenter) {
    const int q = CaptionLineHeight();
    SetCaptionSide(extent, a, IsTopCaption(a) || IsBottomCaption(a) ? q / 2 + 1 : q / 2);
  }
  return extent;
}

TRect TkcGroupBoxViewData::GetClientExtent(TkcCustomEditViewInfo*) {
  TRect extent = GetBorderExtent();
  if (IsInplace || !Group) return extent;
  const TkcCaptionAlignment a = Group->Alignment();
  if (a != alCenterCenter) SetCaptionSide(extent, a, CaptionLineHeight() + 3);
  return extent;
}

TColor TkcGroupBoxViewData::GetBorderColor(TkcCustomEditViewInfo*) {
  const TkcContainerBorderStyle border = Style->BorderStyle();
  if (border == cbsUltraFlat || border == cbsOffice11)
    return Enabled ? GetHighlightBorderColor(border == cbsOffice11) : clBtnShadow;
  return Style->BorderColor();
}

bool TkcGroupBoxViewData::HasShadow() {
  const TkcCaptionAlignment a = Group ? Group->Alignment() : alTopLeft;
  return TkcCustomEditViewData::HasShadow() && (IsTopCaption(a) || IsLeftCaption(a) || a == alCenterCenter);
}

void TkcGroupBoxViewData::Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                                    TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  // Made by the framework (automatic size), the view data finds its group through the edit.
  if (!Group && Edit) Group = dynamic_cast<TkcCustomGroupBox*>(Edit->GetEditObject());
  TkcCustomEditViewData::Calculate(ACanvas, ABounds, P, AShift, AViewInfo, AIsMouseEvent);
  auto* info = static_cast<TkcGroupBoxViewInfo*>(AViewInfo);
  // The group is never hot or focused: its buttons are.
  info->ContainerState = Enabled ? TkcContainerState{csNormal} : TkcContainerState{csDisabled};
  info->EditBorderStyle = ebsNone;
  info->BorderStyle = Style->BorderStyle();
  info->CaptionRect = TRect{};
  info->FrameRect = ABounds;
  if (IsInplace || !Group) return;
  const TkcCaptionAlignment a = Group->Alignment();
  info->CaptionAlignment = a;
  info->CaptionFont = Group->CaptionFont();
  info->Text = Group->CaptionText();
  TkcScreenCanvas canvas;
  canvas.SetFont(Group->CaptionFont());
  const int q = canvas.TextHeight("Qq");
  TSize text{0, 0};
  if (!info->Text.empty()) {
    TRect r{8, 0, 8 + 0x7FFF, 0x7FFF};
    canvas.CalculateTextRect(info->Text, r, IsVerticalCaption(a) ? kctfSingleLine : kctfSingleLine | kctfShowPrefix);
    text = TSize{r.right - r.left, r.bottom - r.top};
  }
  info->CaptionRect = CalculateGroupCaptionRect(a, text, ABounds.right - ABounds.left, ABounds.bottom - ABounds.top,
                                                info->Shadow);
  OffsetRect(&info->CaptionRect, ABounds.left, ABounds.top);
  if (a != alCenterCenter) {
    TRect frame = ABounds;
    if (IsTopCaption(a)) frame.top += q / 2;
    if (IsBottomCaption(a)) frame.bottom -= q / 2;
    if (IsLeftCaption(a)) frame.left += q / 2;
    if (IsRightCaption(a)) frame.right -= q / 2;
    info->FrameRect = frame;
  }
  if (info->Shadow) {
    info->FrameRect.right -= 3;
    info->FrameRect.bottom -= 3;
  }
  if (!Enabled && !Style->IsValueAssigned(csvTextColor)) info->TextColor = clBtnShadow;
}

TSize TkcGroupBoxViewData::GetContentSize(TkcCanvas* ACanvas, const Variant&, const TkcEditSizeProperties& ASize) {
  if (!Group && Edit) Group = dynamic_cast<TkcCustomGroupBox*>(Edit->GetEditObject());
  auto* buttons = dynamic_cast<TkcCustomButtonGroup*>(Group);
  if (!buttons || !ACanvas) return TSize{0, 0};
  TkcCustomButtonGroupProperties* p = buttons->ActiveProperties();
  const TkcButtonGroupItemMetrics m = buttons->GetItemMetrics();
  const TRect offsets = GetContentDefaultOffsets();
  if (Style && Style->GetVisibleFont()) ACanvas->SetFont(Style->GetVisibleFont());
  const int line = ACanvas->TextHeight("Zg") + offsets.top + offsets.bottom;
  TkcButtonGroupItems* items = p->Items();
  const int count = items->Count();
  if (count == 0) return TSize{0, line};
  const int columns = std::max(1, p->GetColumnCount());
  const int rows = (count + columns - 1) / columns;
  if (ASize.Width < 0) {
    int widest = 0;
    for (int i = 0; i < count; ++i) widest = std::max(widest, ACanvas->TextWidth(items->GetCaption(i)));
    return TSize{(widest + m.GlyphToTextGap + m.GlyphWidth) * columns + (columns - 1) * m.ColumnGap + m.OuterWidthReserve,
                 std::max(m.GlyphHeight, line) * rows};
  }
  // A given width: wrapped captions may make the rows taller.
  const TRect border = GetBorderExtent();
  const int textWidth = std::max(1, (ASize.Width + m.MeasuringWidthAdjustment - border.left - border.right -
                                     (columns - 1) * m.ColumnGap) / columns -
                                        m.GlyphWidth - m.TextOffset);
  int rowHeight = line;
  if (p->WordWrap())
    for (int i = 0; i < count; ++i) {
      const String caption = items->GetCaption(i);
      if (caption.empty()) continue;
      TRect r{0, 0, textWidth, 0};
      ACanvas->CalculateTextRect(caption, r, kctfWordBreak | kctfTop | kctfLeft | kctfShowPrefix);
      rowHeight = std::max<int>(rowHeight, r.bottom - r.top + offsets.top + offsets.bottom);
    }
  return TSize{0, rowHeight * rows};
}

void TkcGroupBoxViewInfo::OffsetBounds(int DX, int DY) {
  TkcCustomTextEditViewInfo::OffsetBounds(DX, DY);
  OffsetRect(&CaptionRect, DX, DY);
  OffsetRect(&FrameRect, DX, DY);
}

void TkcGroupBoxViewInfo::DrawBackground(TkcCanvas* ACanvas) {
  if (!Transparent) ACanvas->FillRect(Bounds, BackgroundColor);
  TRect r = FrameRect;
  switch (BorderStyle) {
    case cbsSingle: ACanvas->FrameRect(r, BorderColor, 1, Edges); break;
    case cbsThick: ACanvas->FrameRect(r, BorderColor, 2, Edges); break;
    case cbsFlat:
      ACanvas->FrameRect(r, clBtnShadow, 1, Edges);
      InflateRect(&r, -1, -1);
      ACanvas->FrameRect(r, clBtnHighlight, 1, Edges);
      break;
    case cbs3D: {
      TRect shadow = r;
      --shadow.right;
      --shadow.bottom;
      TRect light = shadow;
      OffsetRect(&light, 1, 1);
      ACanvas->FrameRect(light, clBtnHighlight, 1, Edges);
      ACanvas->FrameRect(shadow, clBtnShadow, 1, Edges);
      break;
    }
    case cbsUltraFlat:
    case cbsOffice11: ACanvas->FrameRect(r, BorderColor, 1, Edges); break;
    default: break;
  }
  if (Shadow) PaintContainerShadow(ACanvas, FrameRect);
  DrawCaption(ACanvas);
}

void TkcGroupBoxViewInfo::DrawCaption(TkcCanvas* ACanvas) {
  if (Text.empty() || IsRectEmpty(&CaptionRect)) return;
  // The frame is broken where the caption stands.
  if (!Transparent) ACanvas->FillRect(CaptionRect, BackgroundColor);
  if (CaptionFont) ACanvas->SetFont(CaptionFont);
  ACanvas->Font()->SetColor(TextColor);
  ACanvas->Brush()->SetStyle(bsClear);
  if (!IsVerticalCaption(CaptionAlignment)) {
    ACanvas->DrawText(Text, CaptionRect, kctfSingleLine | kctfShowPrefix | kctfLeft | kctfTop);
  } else {
    HDC dc = ACanvas->Handle();
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, CaptionRect.left, CaptionRect.top, CaptionRect.right, CaptionRect.bottom);
    ACanvas->Canvas()->RequiredState();
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(TextColor));
    if (IsLeftCaption(CaptionAlignment))
      TextOut(dc, CaptionRect.left, CaptionRect.bottom - 1, Text);
    else
      TextOut(dc, CaptionRect.right, CaptionRect.top + 1, Text);
    RestoreDC(dc, saved);
  }
  ACanvas->Brush()->SetStyle(bsSolid);
}

// ---- Control ---------------------------------------------------------------------------------

TkcCustomGroupBox::~TkcCustomGroupBox() = default;

void TkcCustomGroupBox::Initialize() {
  TkcCustomEdit::Initialize();
  TControlStyle style = ControlStyle();
  style.Include(csAcceptsControls);
  style.Include(csCaptureMouse);
  style.Include(csClickEvents);
  SetControlStyle(style);
  SetBounds(Left(), Top(), 185, 105);
  SetTabStop(false);
  SetParentColor(true);
  UpdateCaptionFont();
}

void TkcCustomGroupBox::UpdateCaptionFont() {
  if (!fCaptionFont) fCaptionFont = std::make_unique<TFont>();
  TFont* styleFont = Style() && Style()->Font() ? Style()->Font() : Font();
  fCaptionFont->Assign(styleFont);
  if (!IsVerticalCaption(fAlignment)) return;
  // Turned text needs an outline font: the left side reads upwards, the right side downwards.
  LOGFONT lf = fCaptionFont->LogFont();
  lf.lfEscapement = lf.lfOrientation = IsLeftCaption(fAlignment) ? 900 : 2700;
  lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  fCaptionFont->SetHandle(CreateFontIndirect(lf));
}

TFont* TkcCustomGroupBox::CaptionFont() {
  if (!fCaptionFont) UpdateCaptionFont();
  return fCaptionFont.get();
}

String TkcCustomGroupBox::CaptionText() {
  return IsVerticalCaption(fAlignment) ? StripHotkeyPrefix(Caption()) : Caption();
}

void TkcCustomGroupBox::SetAlignment(TkcCaptionAlignment Value) {
  if (fAlignment == Value) return;
  fAlignment = Value;
  UpdateCaptionFont();
  UpdateStateFromCursor(false);
  Realign();
}

TkcContainerStyle* TkcCustomGroupBox::CalculateActiveStyle() {
  return Enabled() ? static_cast<TkcContainerStyle*>(Style()) : static_cast<TkcContainerStyle*>(StyleDisabled());
}

void TkcCustomGroupBox::PrepareViewData(TkcGroupBoxViewData* AData) {
  AData->Edit = this;
  AData->Group = this;
  AData->Enabled = Enabled();
  AData->Focused = false;
}

void TkcCustomGroupBox::CalculateViewInfo(const TPoint& P, bool AHotAllowed) {
  if (!Properties() || !ViewInfo()) return TkcContainer::CalculateViewInfo(P, AHotAllowed);
  std::unique_ptr<TkcCustomEditViewData> base(GetEffectiveProperties()->CreateViewData(EditStyle(), IsInplace()));
  auto* data = static_cast<TkcGroupBoxViewData*>(base.get());
  PrepareViewData(data);
  TkcScreenCanvas canvas;
  data->Calculate(&canvas, TRect{0, 0, Width(), Height()}, P, fShift, EditViewInfo(), fIsMouseEvent);
  if (HandleAllocated()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TkcCustomGroupBox::AdjustClientRect(TRect& Rect) {
  if (IsContainerDestroying() || !Properties()) return;
  std::unique_ptr<TkcCustomEditViewData> base(GetEffectiveProperties()->CreateViewData(EditStyle(), IsInplace()));
  auto* data = static_cast<TkcGroupBoxViewData*>(base.get());
  PrepareViewData(data);
  TkcGroupBoxViewInfo scratch;
  const TRect extent = data->GetClientExtent(&scratch);
  Rect = TRect{extent.left, extent.top, Width() - extent.right, Height() - extent.bottom};
}

void TkcCustomGroupBox::GetVisibleBounds(TRect& R) {
  // The frame lies on the outer pixels (the caption side's line half a caption inside), so the
  // whole control shows, less a shadow's corners.
  R = TRect{0, 0, Width(), Height()};
  if (GroupViewInfo() && GroupViewInfo()->Shadow) {
    R.right -= 3;
    R.bottom -= 3;
  }
}

void TkcCustomGroupBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
      TkcCustomEdit::Dispatch(Message);
      UpdateCaptionFont();
      UpdateStateFromCursor(false);
      Realign();
      return;
    case CM_DIALOGCHAR: {
      const char32_t key = static_cast<char32_t>(Message.WParam);
      if (IsCaptionAccelerator(key, Caption()) && CanFocus()) {
        fSelectingFirstChild = true;
        if (TWinControl* first = FindNextControl(nullptr, true, true, false)) first->SetFocus();
        fSelectingFirstChild = false;
        Message.Result = 1;
        return;
      }
      break;
    }
    default: break;
  }
  TkcCustomEdit::Dispatch(Message);
}

// ---- The button group control ------------------------------------------------------------------

TkcCustomButtonGroup::~TkcCustomButtonGroup() {
  fUpdatingButtons = true;
  SyncButtonCount(0);
}

void TkcCustomButtonGroup::Initialize() {
  TkcCustomGroupBox::Initialize();
  SetAutoSize(false);
  SetTabStop(true);
  // Focused itself (nothing chosen), the group takes the arrow keys to reach its buttons.
  SetKeys(TkcControlKeys{kArrows});
}

void TkcCustomButtonGroup::CreateHandle() {
  TkcCustomGroupBox::CreateHandle();
  UpdateButtons();
  SynchronizeDisplayValue();
}

int TkcCustomButtonGroup::IndexOfButton(TWinControl* AButton) const {
  const auto it = std::find(fButtons.begin(), fButtons.end(), AButton);
  return it == fButtons.end() ? -1 : static_cast<int>(it - fButtons.begin());
}

void TkcCustomButtonGroup::Notification(TComponent* AComponent, TOperation Operation) {
  TkcCustomGroupBox::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  const auto it = std::find(fButtons.begin(), fButtons.end(), AComponent);
  if (it != fButtons.end()) fButtons.erase(it);
}

void TkcCustomButtonGroup::InitializeButton(TWinControl* AButton) {
  AButton->SetParentShowHint(false);
  AButton->SetParent(this);
  AButton->FreeNotification(this);
}

void TkcCustomButtonGroup::SyncButtonCount(int ACount) {
  TkcButtonGroupItems* items = ActiveProperties() ? ActiveProperties()->Items() : nullptr;
  // During an item notification only the one button concerned comes or goes.
  if (items && ACount > 0 && items->ChangedItemOperation() == bgicAdded &&
      ACount == static_cast<int>(fButtons.size()) + 1) {
    TWinControl* button = CreateButton();
    InitializeButton(button);
    fButtons.insert(fButtons.begin() + std::clamp(items->ChangedItemIndex(), 0, ACount - 1), button);
    return;
  }
  if (items && items->ChangedItemOperation() == bgicDeleted && ACount == static_cast<int>(fButtons.size()) - 1) {
    const int index = std::clamp(items->ChangedItemIndex(), 0, static_cast<int>(fButtons.size()) - 1);
    TWinControl* button = fButtons[static_cast<std::size_t>(index)];
    fButtons.erase(fButtons.begin() + index);
    delete button;
    return;
  }
  while (static_cast<int>(fButtons.size()) > ACount) {
    TWinControl* button = fButtons.back();
    fButtons.pop_back();
    delete button;
  }
  while (static_cast<int>(fButtons.size()) < ACount) {
    TWinControl* button = CreateButton();
    InitializeButton(button);
    fButtons.push_back(button);
  }
}

void TkcCustomButtonGroup::UpdateButtons() {
  if (IsDestroying() || fUpdatingButtons) return;
  fUpdatingButtons = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{fUpdatingButtons};
  TkcButtonGroupItems* items = ActiveProperties()->Items();
  SyncButtonCount(items->Count());
  for (int i = 0; i < ButtonCount(); ++i) {
    Buttons(i)->SetEnabled(Enabled() && (!items->Items(i) || items->Items(i)->Enabled()));
    Buttons(i)->SetCursor(Cursor());
  }
  UpdateStateFromCursor(false);
  ArrangeButtons();
  UpdateButtonStyles();
}

TRect TkcCustomButtonGroup::ButtonBounds(int AIndex) {
  std::unique_ptr<TkcCustomEditViewData> base(GetEffectiveProperties()->CreateViewData(EditStyle(), IsInplace()));
  auto* data = static_cast<TkcGroupBoxViewData*>(base.get());
  PrepareViewData(data);
  TkcGroupBoxViewInfo scratch;
  const TRect extent = data->GetClientExtent(&scratch);
  const int count = ButtonCount();
  const int columns = std::max(1, ActiveProperties()->GetColumnCount());
  return LayoutButtonGroupItem(AIndex, count, columns, TRect{0, 0, Width(), Height()}, extent, GetItemMetrics());
}

void TkcCustomButtonGroup::ArrangeButtons() {
  for (int i = 0; i < ButtonCount(); ++i) Buttons(i)->SetBoundsRect(ButtonBounds(i));
}

void TkcCustomButtonGroup::UpdateButtonStyles() {
  TkcContainerStyle* style = GetActiveStyle();
  for (TWinControl* button : fButtons) {
    button->SetColor(style->GetVisibleColor());
    if (TFont* font = style->Font()) button->Font()->Assign(font);
    button->Font()->SetColor(style->TextColor());
  }
}

bool TkcCustomButtonGroup::UpdateContainerState(const TPoint& P, int AButton, TShiftState AShift,
                                                bool AIsMouseEvent) {
  const bool result = TkcCustomGroupBox::UpdateContainerState(P, AButton, AShift, AIsMouseEvent);
  if (!IsContainerDestroying()) {
    ArrangeButtons();
    UpdateButtonStyles();
  }
  return result;
}

void TkcCustomButtonGroup::PropertiesChanged(TObject* Sender) {
  if (!ComponentState().Contains(csReading)) UpdateButtons();
  TkcCustomGroupBox::PropertiesChanged(Sender);
}

bool TkcCustomButtonGroup::HandleArrowKey(TWinControl* AFrom, WORD AKey) {
  if (AKey != VK_LEFT && AKey != VK_RIGHT && AKey != VK_UP && AKey != VK_DOWN) return false;
  const int from = IndexOfButton(AFrom);
  if (from < 0) return false;
  const int to =
      ButtonGroupArrowTarget(from, ButtonCount(), std::max(1, ActiveProperties()->GetColumnCount()), AKey);
  if (to != from && Buttons(to)->CanFocus()) Buttons(to)->SetFocus();
  return true;
}

void TkcCustomButtonGroup::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  for (TWinControl* button : fButtons)
    if (button->Focused() && HandleArrowKey(button, Key)) {
      Key = 0;
      return;
    }
  // The group itself has the focus (nothing chosen yet): an arrow key goes to the first button.
  const bool arrow = Key == VK_LEFT || Key == VK_RIGHT || Key == VK_UP || Key == VK_DOWN;
  if (arrow && !fButtons.empty() && fButtons.front()->CanFocus()) {
    fButtons.front()->SetFocus();
    Key = 0;
    return;
  }
  TkcCustomGroupBox::DoEditKeyDown(Key, Shift);
}

bool TkcCustomButtonGroup::Focused() {
  if (TkcCustomGroupBox::Focused()) return true;
  return std::any_of(fButtons.begin(), fButtons.end(), [](TWinControl* b) { return b->Focused(); });
}

void TkcCustomButtonGroup::Dispatch(TMessage& Message) {
  TkcCustomGroupBox::Dispatch(Message);
  if (Message.Msg == CM_ENABLEDCHANGED || Message.Msg == CM_CURSORCHANGED) UpdateButtons();
}
