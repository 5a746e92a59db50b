#include "editors-extended/kcNavigator.h"

#include <algorithm>

#include "controls/kcLookAndFeelPainters.h"
#include "platform/forms/Forms.h"

// ---- Buttons ---------------------------------------------------------------------------------

TkcNavigatorButton::TkcNavigatorButton(TkcCustomNavigatorButtons* AButtons, int ADefaultIndex)
    : fButtons(AButtons), fDefaultIndex(ADefaultIndex) {}

TPersistent* TkcNavigatorButton::GetOwner() { return fButtons; }

void TkcNavigatorButton::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcNavigatorButton*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  SetEnabled(source->Enabled());
  SetHint(source->Hint());
  SetImageIndex(source->ImageIndex());
  SetVisible(source->Visible());
  fVisibleAssigned = source->fVisibleAssigned;
  SetOnClick(source->OnClick());
}

void TkcNavigatorButton::Click() {
  if (fOnClick) {
    fOnClick(this);
    return;
  }
  bool done = false;
  if (fButtons->OnButtonClick()) fButtons->OnButtonClick()(fButtons, fDefaultIndex, done);
  if (!done) fButtons->DoButtonClick(fDefaultIndex);
}

void TkcNavigatorButton::SetEnabled(bool Value) {
  if (fEnabled == Value) return;
  fEnabled = Value;
  fButtons->Changed(2, fVisible);
}

void TkcNavigatorButton::SetHint(const String& Value) {
  if (fHint == Value) return;
  fHint = Value;
  fButtons->Changed(0, false);
}

void TkcNavigatorButton::SetImageIndex(int Value) {
  if (fImageIndex == Value) return;
  fImageIndex = Value;
  fButtons->Changed(2, fVisible);
}

void TkcNavigatorButton::SetVisible(bool Value) {
  fVisibleAssigned = true;
  if (fVisible == Value) return;
  fVisible = Value;
  fButtons->Changed(1, true);
}

void TkcNavigatorButton::SetOnClick(TNotifyEvent Value) {
  fOnClick = std::move(Value);
  fButtons->Changed(0, false);
}

bool TkcNavigatorButton::IsEnabled() const { return fEnabled && fButtons->IsButtonEnabled(fDefaultIndex); }

String TkcNavigatorButton::GetHint() const { return fHint.empty() ? fButtons->GetButtonHint(fDefaultIndex) : fHint; }

TCustomImageList* TkcNavigatorButton::GetImages() const {
  return fButtons->Images() && fImageIndex >= 0 ? fButtons->Images() : NavigatorImages();
}

int TkcNavigatorButton::GetImageIndex() const {
  return fButtons->Images() && fImageIndex >= 0 ? fImageIndex : fDefaultIndex;
}

TSize TkcNavigatorButton::GetImageSize() const {
  TCustomImageList* images = GetImages();
  return TSize{images->Width(), images->Height()};
}

TkcCustomNavigatorButtons::TkcCustomNavigatorButtons(IkcNavigatorOwner* ANavigatorOwner)
    : fNavigatorOwner(ANavigatorOwner) {
  for (int i = 0; i < kcNavigatorButtonCount; ++i) fButtons.push_back(std::make_unique<TkcNavigatorButton>(this, i));
}

TkcCustomNavigatorButtons::~TkcCustomNavigatorButtons() = default;

TPersistent* TkcCustomNavigatorButtons::GetOwner() {
  return fNavigatorOwner ? fNavigatorOwner->GetNavigatorOwner() : nullptr;
}

void TkcCustomNavigatorButtons::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomNavigatorButtons*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  for (int i = 0; i < kcNavigatorButtonCount; ++i) Buttons(i)->Assign(source->Buttons(i));
  SetConfirmDelete(source->ConfirmDelete());
  SetImages(source->Images());
  SetOnButtonClick(source->OnButtonClick());
}

void TkcCustomNavigatorButtons::Changed(int AChangeType, bool ARefresh) {
  if (!fNavigatorOwner) return;
  if (ARefresh) fNavigatorOwner->RefreshNavigator();
  fNavigatorOwner->NavigatorChanged(AChangeType);
}

void TkcCustomNavigatorButtons::SetConfirmDelete(bool Value) {
  if (fConfirmDelete == Value) return;
  fConfirmDelete = Value;
  Changed(0, false);
}

void TkcCustomNavigatorButtons::SetImages(TCustomImageList* Value) {
  if (fImages == Value) return;
  TComponent* owner = fNavigatorOwner ? fNavigatorOwner->GetNavigatorOwner() : nullptr;
  if (fImages && owner) fImages->RemoveFreeNotification(owner);
  fImages = Value;
  if (fImages && owner) fImages->FreeNotification(owner);
  Changed(2, true);
}

void TkcCustomNavigatorButtons::SetOnButtonClick(TkcNavigatorButtonClickEvent Value) {
  fOnButtonClick = std::move(Value);
  Changed(0, false);
}

bool TkcCustomNavigatorButtons::IsButtonEnabled(int) {
  TWinControl* control = fNavigatorOwner ? fNavigatorOwner->GetNavigatorControl() : nullptr;
  return control && control->Enabled();
}

String TkcCustomNavigatorButtons::GetButtonHint(int AButtonIndex) {
  static const char* const kHints[kcNavigatorButtonCount] = {
      "First record", "Prior page",    "Prior record",  "Next record",   "Next page",
      "Last record",  "Insert record", "Delete record", "Edit record",   "Post edit",
      "Cancel edit",  "Refresh data",  "Save Bookmark", "Goto Bookmark", "Filter data"};
  if (AButtonIndex < 0 || AButtonIndex >= kcNavigatorButtonCount) return String();
  return LocalizeText(kHints[AButtonIndex]);
}

void TkcNavigatorControlButtons::DoButtonClick(int AButtonIndex) {
  if (IkcNavigator* navigator = Navigator()) navigator->DoAction(AButtonIndex);
  if (NavigatorOwner()) NavigatorOwner()->NavigatorStateChanged();
}

bool TkcNavigatorControlButtons::IsButtonEnabled(int AButtonIndex) {
  IkcNavigator* navigator = Navigator();
  if (!navigator || !TkcCustomNavigatorButtons::IsButtonEnabled(AButtonIndex)) return false;
  if (AButtonIndex == NBDI_FILTER) return true;
  if (!navigator->IsActive()) return false;
  switch (AButtonIndex) {
    case NBDI_FIRST:
    case NBDI_PRIORPAGE:
    case NBDI_PRIOR: return !navigator->IsBof();
    case NBDI_NEXT:
    case NBDI_NEXTPAGE:
    case NBDI_LAST: return !navigator->IsEof();
    case NBDI_INSERT: return navigator->CanInsert();
    case NBDI_DELETE: return navigator->CanDelete();
    case NBDI_EDIT: return navigator->CanEdit() && !navigator->IsEditing();
    case NBDI_POST:
    case NBDI_CANCEL: return navigator->IsEditing();
    case NBDI_GOTOBOOKMARK: return navigator->IsBookmarkAvailable();
    default: return true;
  }
}

void TkcNavigatorControlButtons::ReleaseBookmark() {
  IkcNavigator* navigator = Navigator();
  if (navigator && navigator->IsBookmarkAvailable()) navigator->ClearBookmark();
}

void TkcNavigatorControlNotifier::AddNavigator(IkcNavigatorOwner* ANavigator) {
  if (std::find(fNavigators.begin(), fNavigators.end(), ANavigator) == fNavigators.end())
    fNavigators.push_back(ANavigator);
}

void TkcNavigatorControlNotifier::RemoveNavigator(IkcNavigatorOwner* ANavigator) {
  fNavigators.erase(std::remove(fNavigators.begin(), fNavigators.end(), ANavigator), fNavigators.end());
}

void TkcNavigatorControlNotifier::RefreshNavigators() {
  const std::vector<IkcNavigatorOwner*> navigators = fNavigators;
  for (IkcNavigatorOwner* n : navigators) n->NavigatorStateChanged();
}

namespace {

// The glyphs of the buttons, drawn on a 12 x 11 cell in black on olive (the mask colour).
void DrawNavigatorGlyph(TCanvas* C, int AIndex, int X) {
  auto bar = [&](int x, int top, int bottom) { C->FillRect(Rect(X + x, top, X + x + 1, bottom)); };
  auto triangle = [&](int x, bool left, int size) {
    for (int k = 0; k < size; ++k) {
      const int col = left ? x + k : x - k;
      bar(col, 5 - k, 6 + k);
    }
  };
  auto box = [&](int l, int t, int r, int b) { C->FillRect(Rect(X + l, t, X + r, b)); };
  switch (AIndex) {
    case NBDI_FIRST:
      bar(2, 1, 10);
      bar(3, 1, 10);
      triangle(4, true, 5);
      break;
    case NBDI_PRIORPAGE:
      triangle(1, true, 5);
      triangle(6, true, 5);
      break;
    case NBDI_PRIOR: triangle(4, true, 5); break;
    case NBDI_NEXT: triangle(7, false, 5); break;
    case NBDI_NEXTPAGE:
      triangle(5, false, 5);
      triangle(10, false, 5);
      break;
    case NBDI_LAST:
      triangle(7, false, 5);
      bar(8, 1, 10);
      bar(9, 1, 10);
      break;
    case NBDI_INSERT:
      box(5, 1, 7, 10);
      box(1, 4, 11, 6);
      break;
    case NBDI_DELETE: box(1, 4, 11, 6); break;
    case NBDI_EDIT:
      for (int k = 0; k < 8; ++k) box(2 + k, 9 - k, 4 + k, 10 - k);
      break;
    case NBDI_POST:
      for (int k = 0; k < 3; ++k) box(2 + k, 5 + k, 3 + k, 7 + k);
      for (int k = 0; k < 6; ++k) box(5 + k, 6 - k, 6 + k, 8 - k);
      break;
    case NBDI_CANCEL:
      for (int k = 0; k < 8; ++k) {
        box(2 + k, 1 + k, 3 + k, 2 + k);
        box(9 - k, 1 + k, 10 - k, 2 + k);
      }
      break;
    case NBDI_REFRESH:
      C->Brush()->SetStyle(bsClear);
      C->Ellipse(X + 2, 1, X + 10, 10);
      box(8, 1, 11, 3);
      break;
    case NBDI_SAVEBOOKMARK:
      box(3, 1, 9, 10);
      box(5, 7, 7, 10);
      break;
    case NBDI_GOTOBOOKMARK:
      box(3, 1, 9, 10);
      box(5, 7, 7, 10);
      triangle(10, false, 3);
      break;
    default:
      for (int k = 0; k < 5; ++k) box(1 + k, 1 + k, 11 - k, 2 + k);
      box(5, 6, 7, 10);
      break;
  }
  C->Brush()->SetStyle(bsSolid);
}

}  // namespace

TCustomImageList* NavigatorImages() {
  static TCustomImageList* images = [] {
    auto* list = new TCustomImageList(nullptr);
    list->SetWidth(12);
    list->SetHeight(11);
    TBitmap strip(12 * kcNavigatorButtonCount, 11);
    TCanvas* c = strip.Canvas();
    c->Brush()->SetColor(clOlive);
    c->FillRect(Rect(0, 0, strip.Width(), strip.Height()));
    for (int i = 0; i < kcNavigatorButtonCount; ++i) {
      c->Brush()->SetColor(clBlack);
      c->Pen()->SetColor(clBlack);
      DrawNavigatorGlyph(c, i, i * 12);
    }
    list->AddMasked(&strip, clOlive);
    return list;
  }();
  return images;
}

// ---- View ------------------------------------------------------------------------------------

TkcNavigatorViewInfo::TkcNavigatorViewInfo(IkcNavigatorOwner* ANavigator, bool AIsInplace)
    : fNavigator(ANavigator),
      fIsInplace(AIsInplace),
      fButtonPressTimer(std::make_unique<TkcTimer>(nullptr)),
      fHintTimer(std::make_unique<TkcTimer>(nullptr)) {
  fButtonPressTimer->SetEnabled(false);
  fButtonPressTimer->SetOnTimer(TNotifyEvent(this, &TkcNavigatorViewInfo::ButtonPressTimerHandler));
  fHintTimer->SetEnabled(false);
  fHintTimer->SetInterval(500);
  fHintTimer->SetOnTimer(TNotifyEvent(this, &TkcNavigatorViewInfo::HintTimerHandler));
}

TkcNavigatorViewInfo::~TkcNavigatorViewInfo() { ShowHint(false); }

TkcLookAndFeelPainterClass TkcNavigatorViewInfo::Painter() const {
  TkcLookAndFeel* lf = fNavigator->GetNavigatorLookAndFeel();
  return lf ? lf->Painter() : nullptr;
}

TSize TkcNavigatorViewInfo::ButtonSize(TkcNavigatorButton* AButton, int AIndex, int ACount, bool AFlag) const {
  const TSize image = AButton->GetImageSize();
  TRect borders{};
  if (TkcLookAndFeelPainterClass painter = Painter()) borders = painter->GetButtonGroupBorderWidths(ACount, AIndex);
  TSize size;
  size.cx = image.cx + borders.left + borders.right + 1;
  size.cy = (AFlag ? image.cy : 0) + borders.top + borders.bottom + 1;
  return size;
}

void TkcNavigatorViewInfo::CalculateBounds(int& AWidth, int& AHeight, bool AFlag) {
  const TRect bounds = fNavigator->GetNavigatorBounds();
  fIsDirty = true;
  TkcNavigatorButton* hot = fHotButton ? fHotButton->Button : nullptr;
  TkcNavigatorButton* pressed = fPressedButton ? fPressedButton->Button : nullptr;
  fHotButton = fPressedButton = nullptr;

  TkcCustomNavigatorButtons* buttons = fNavigator->GetNavigatorButtons();
  std::vector<TkcNavigatorButton*> visible;
  for (int i = 0; i < buttons->ButtonCount(); ++i)
    if (buttons->Buttons(i)->Visible()) visible.push_back(buttons->Buttons(i));
  const int count = static_cast<int>(visible.size());
  fButtons.resize(visible.size());
  for (auto& b : fButtons)
    if (!b) b = std::make_unique<TkcNavigatorButtonViewInfo>();

  int sum = 0, height = 0;
  std::vector<int> widths(visible.size());
  for (int i = 0; i < count; ++i) {
    TkcNavigatorButtonViewInfo* info = fButtons[static_cast<std::size_t>(i)].get();
    info->Button = visible[static_cast<std::size_t>(i)];
    if (info->Button == hot) fHotButton = info;
    if (info->Button == pressed) fPressedButton = info;
    const TSize size = ButtonSize(info->Button, i, count, AFlag);
    widths[static_cast<std::size_t>(i)] = ButtonSize(info->Button, i, count, false).cx;
    sum += size.cx;
    height = std::max(height, static_cast<int>(size.cy));
  }
  AHeight = std::max(AHeight, height);
  int extra = 0;
  if (AWidth >= sum && count > 0) {
    extra = (AWidth - sum) / count;
    sum += extra * count;
  }
  AWidth = sum;
  int x = bounds.left;
  for (int i = 0; i < count; ++i) {
    const int w = widths[static_cast<std::size_t>(i)] + extra;
    fButtons[static_cast<std::size_t>(i)]->Bounds = Rect(x, bounds.top, x + w, bounds.top + AHeight);
    x += w;
  }
  if (fFocusedButton && !fFocusedButton->Visible()) fFocusedButton = nullptr;
}

void TkcNavigatorViewInfo::Calculate() {
  const TRect bounds = fNavigator->GetNavigatorBounds();
  int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
  CalculateBounds(width, height, false);
  for (auto& b : fButtons) {
    b->Enabled = b->Button->IsEnabled();
    b->Hint = b->Button->GetHint();
  }
  fIsDirty = false;
}

TkcNavigatorButtonViewInfo* TkcNavigatorViewInfo::GetButtonAt(const TPoint& P) const {
  for (const auto& b : fButtons)
    if (PtInRect(&b->Bounds, P)) return b.get();
  return nullptr;
}

TkcNavigatorButtonViewInfo* TkcNavigatorViewInfo::ViewInfoOf(TkcNavigatorButton* AButton) const {
  for (const auto& b : fButtons)
    if (b->Button == AButton) return b.get();
  return nullptr;
}

TkcNavigatorButton* TkcNavigatorViewInfo::FocusedButton() {
  if (fFocusedButton && !fFocusedButton->Visible()) fFocusedButton = nullptr;
  if (!fFocusedButton && !fButtons.empty()) fFocusedButton = fButtons.front()->Button;
  return fFocusedButton;
}

TkcButtonState TkcNavigatorViewInfo::GetButtonState(TkcNavigatorButtonViewInfo* AButton) const {
  if (!AButton->Enabled) return kcbsDisabled;
  if (AButton == fPressedButton && AButton == fHotButton) return kcbsPressed;
  if (AButton == fHotButton) return kcbsHot;
  return kcbsNormal;
}

void TkcNavigatorViewInfo::InvalidateButton(TkcNavigatorButtonViewInfo* AButton) {
  if (!AButton) return;
  TWinControl* control = fNavigator->GetNavigatorControl();
  if (control && control->HandleAllocated()) InvalidateRect(control->Handle(), &AButton->Bounds, FALSE);
}

void TkcNavigatorViewInfo::UpdateSelected() {
  TkcLookAndFeelPainterClass painter = Painter();
  if (!painter || !painter->IsButtonHotTrackingEnabled()) return;
  const bool selected = fHotButton || fPressedButton || fNavigator->GetNavigatorFocused();
  if (selected == fSelected) return;
  fSelected = selected;
  TWinControl* control = fNavigator->GetNavigatorControl();
  if (!control || !control->HandleAllocated()) return;
  const TRect r = fNavigator->GetNavigatorBounds();
  const TRect edges[] = {Rect(r.left, r.top, r.right, r.top + 1), Rect(r.left, r.bottom - 1, r.right, r.bottom),
                         Rect(r.left, r.top, r.left + 1, r.bottom), Rect(r.right - 1, r.top, r.right, r.bottom)};
  for (const TRect& e : edges) InvalidateRect(control->Handle(), &e, FALSE);
}

void TkcNavigatorViewInfo::MouseDown(int X, int Y) {
  fHintTimer->SetEnabled(false);
  ShowHint(false);
  if (fIsDirty) Calculate();
  TkcNavigatorButtonViewInfo* button = GetButtonAt(Point(X, Y));
  if (button && button->Enabled) {
    fButtonPressTimer->SetInterval(400);
    fButtonPressTimer->SetEnabled(true);
    fPressedButton = button;
    TkcNavigatorButtonViewInfo* oldFocused = ViewInfoOf(fFocusedButton);
    fFocusedButton = button->Button;
    InvalidateButton(oldFocused);
    InvalidateButton(button);
  }
  UpdateSelected();
}

void TkcNavigatorViewInfo::MouseMove(int X, int Y) {
  if (fIsDirty) Calculate();
  TkcNavigatorButtonViewInfo* button = GetButtonAt(Point(X, Y));
  if (button != fHotButton) {
    if (fHotButton && fHotButton->Enabled) InvalidateButton(fHotButton);
    fHotButton = button;
    if (fHotButton && fHotButton->Enabled) InvalidateButton(fHotButton);
    if (!fShownHint.empty())
      ShowHint(true);
    else
      fHintTimer->SetEnabled(true);
  }
  if (!fHotButton) ShowHint(false);
  UpdateSelected();
}

void TkcNavigatorViewInfo::MouseUp() {
  fButtonPressTimer->SetEnabled(false);
  TkcNavigatorButtonViewInfo* button = fPressedButton;
  fPressedButton = nullptr;
  InvalidateButton(button);
  fHintTimer->SetEnabled(true);
  UpdateSelected();
  if (button) button->Button->Click();
}

void TkcNavigatorViewInfo::ButtonPressTimerHandler(TObject*) {
  if ((GetKeyState(VK_LBUTTON) & 0x8000) == 0) {
    fButtonPressTimer->SetEnabled(false);
    MouseUp();
    return;
  }
  fButtonPressTimer->SetInterval(100);
  TkcNavigatorButtonViewInfo* button = fPressedButton;
  if (button && button == fHotButton && button->Enabled &&
      (button->Button->DefaultIndex() == NBDI_PRIOR || button->Button->DefaultIndex() == NBDI_NEXT)) {
    try {
      button->Button->Click();
    } catch (...) {
      fButtonPressTimer->SetEnabled(false);
      throw;
    }
  }
}

void TkcNavigatorViewInfo::HintTimerHandler(TObject*) { ShowHint(true); }

void TkcNavigatorViewInfo::ShowHint(bool AShow) {
  fHintWindow.reset();
  fHintTimer->SetEnabled(false);
  fShownHint.clear();
  if (!AShow || !fHotButton || !fNavigator->GetNavigatorShowHint()) return;
  const String text = GetShortHint(fHotButton->Hint);
  if (text.empty()) return;
  // Only over a visible owner that is under the mouse.
  TWinControl* control = fNavigator->GetNavigatorControl();
  if (!control || !control->HandleAllocated() || !IsWindowVisible(control->Handle())) return;
  TPoint p;
  GetMouseCursorPos(p);
  HWND under = WindowFromPoint(p);
  if (under != control->Handle() && !IsChild(control->Handle(), under)) return;
  fHintWindow = std::make_unique<THintWindow>(nullptr);
  fHintWindow->SetColor(Application->HintColor);
  TRect r = fHintWindow->CalcHintRect(Screen->Width(), text);
  // Below the cursor image, kept on the screen.
  OffsetRect(&r, p.x, p.y + GetSystemMetrics(SM_CYCURSOR));
  if (r.right > Screen->Width()) OffsetRect(&r, Screen->Width() - r.right, 0);
  if (r.left < 0) OffsetRect(&r, -r.left, 0);
  fHintWindow->ActivateHint(r, text);
  fShownHint = text;
}

void TkcNavigatorViewInfo::CheckButtonsEnabled() {
  for (auto& b : fButtons) {
    const bool enabled = b->Button->IsEnabled();
    if (b->Enabled == enabled) continue;
    b->Enabled = enabled;
    InvalidateButton(b.get());
  }
}

void TkcNavigatorViewInfo::Paint() {
  TCanvas* canvas = fNavigator->GetNavigatorCanvas();
  TkcLookAndFeelPainterClass painter = Painter();
  if (!canvas || !painter) return;
  if (fIsDirty) Calculate();
  TkcCanvas c(canvas);
  for (int i = 0; i < ButtonCount(); ++i) PaintButton(&c, Buttons(i), i);
  TWinControl* control = fNavigator->GetNavigatorControl();
  const bool enabled = control && control->Enabled();
  const TRect bounds = fNavigator->GetNavigatorBounds();
  painter->DrawButtonGroupBorder(&c, bounds, fIsInplace && enabled, fSelected);
  if (fIsInplace) ExcludeClipRect(c.Handle(), bounds.left, bounds.top, bounds.right, bounds.bottom);
}

void TkcNavigatorViewInfo::PaintButton(TkcCanvas* ACanvas, TkcNavigatorButtonViewInfo* AButton, int AIndex) {
  if (!RectVisible(ACanvas->Handle(), &AButton->Bounds)) return;
  TkcLookAndFeelPainterClass painter = Painter();
  const TkcButtonState state = GetButtonState(AButton);
  const TRect content = painter->CalculateGroupButtonRect(AButton->Bounds, ButtonCount(), AIndex);
  const TSize size = AButton->Button->GetImageSize();
  int left = (content.left + content.right - size.cx) / 2, top = (content.top + content.bottom - size.cy) / 2;
  if (state == kcbsPressed) {
    ++left;
    ++top;
  }
  const TRect image = Bounds(left, top, size.cx, size.cy);
  const int saved = SaveDC(ACanvas->Handle());
  IntersectClipRect(ACanvas->Handle(), content.left, content.top, content.right, content.bottom);
  ACanvas->FillRect(image, painter->GetButtonFaceColor(state));
  AButton->Button->GetImages()->Draw(ACanvas->Canvas(), left, top, AButton->Button->GetImageIndex(),
                                     state != kcbsDisabled);
  RestoreDC(ACanvas->Handle(), saved);
  if (fNavigator->GetNavigatorTabStop() && AButton->Button == FocusedButton() && fNavigator->GetNavigatorFocused())
    ACanvas->DrawFocusRect(image);
  TRect clip{};
  IntersectRect(&clip, &image, &content);
  ExcludeClipRect(ACanvas->Handle(), clip.left, clip.top, clip.right, clip.bottom);
  painter->DrawGroupButton(ACanvas, AButton->Bounds, state, ButtonCount(), AIndex, clWindow);
}
