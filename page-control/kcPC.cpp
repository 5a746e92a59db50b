// The tab control: properties, the painter by style or look and feel, layout requests, hot
// tracking, the navigator with its repeat timer, mouse, wheel and keys.
#include "page-control/kcPC.h"

#include <algorithm>

#include "controls/kcLocalize.h"
#include "page-control/kcPCGoDialog.h"
#include "page-control/kcPCPainters.h"
#include "platform/core/Utf8.h"

bool HasAccelerator(char32_t ACharCode, const String& ACaption) {
  for (std::size_t i = 0; i + 1 < ACaption.size(); ++i)
    if (ACaption[i] == '&') {
      if (ACaption[i + 1] == '&') {
        ++i;
        continue;
      }
      std::size_t pos = i + 1;
      char32_t c = Utf8Decode(ACaption, pos);
      return UnicodeUpper(c) == UnicodeUpper(ACharCode);
    }
  return false;
}

TkcCustomTabControl::TkcCustomTabControl(TComponent* AOwner) : TkcControl(AOwner) {
  RegisterStandardPCPainters();
  TabControlCreated();
  fTabs = std::make_unique<TkcTabs>(this);
  fVisibleTabs = std::make_unique<TkcVisibleTabList>(this);
  fTabSlants = std::make_unique<TkcTabSlants>(this);
  fImageList = std::make_unique<TkcPCImageList>(this);
  fImageList->OnChange = [this](TObject*) {
    if (!IsLoading()) ImagesChanged();
  };
  fTabSlants->OnChange = [this](TObject*) { RequestLayout(); };
  if (!IsDesigning()) {
    fGoDialog = std::make_unique<TkcPCGoDialog>(this);
    fGoDialog->OnSelectTab = [this](int AIndex) { GoDialogTabSelected(AIndex); };
  }
  SetBounds(Left(), Top(), 289, 193);
  SetTabStop(true);
  ControlStyle().Include(csAcceptsControls).Include(csOpaque).Include(csParentBackground);
  SetScrollBars(ssNone);
  SetKeys(TkcControlKeys{kArrows});
  SetStyle(0);
}

TkcCustomTabControl::~TkcCustomTabControl() {
  ComponentState().Include(csDestroying);
  fTabSlants.reset();
  fScrollTimer.reset();
  fGoDialog.reset();
  fTabs.reset(new TkcTabs(this));  // frees the tabs while the visible list still exists
  if (PaintersFactory() && fPainter) PaintersFactory()->FreePainter(fPainter);
  fPainter = nullptr;
  TabControlDestroyed();
}

bool TkcCustomTabControl::AreChangeEventsSuppressed() const {
  return ChangeEventLock > 0 || IsLoading() || IsDesigning() || IsDestroying();
}

bool TkcCustomTabControl::IsButtonStyle() const { return fPainter && fPainter->IsButtonStyle(); }

// ---- Properties -----------------------------------------------------------------------------

void TkcCustomTabControl::SetHideTabs(bool Value) {
  if (fHideTabs == Value) return;
  fHideTabs = Value;
  RealignAndRepaint();
}

void TkcCustomTabControl::SetHotTrack(bool Value) {
  if (fHotTrack == Value) return;
  fHotTrack = Value;
  UpdateHotTrack();
}

void TkcCustomTabControl::SetImageBorder(int Value) {
  if (Value < 0 || fImageBorder == Value) return;
  fImageBorder = Value;
  if (fVisibleTabs->Count() > 0) RequestLayout();
}

void TkcCustomTabControl::SetImages(TCustomImageList* Value) {
  if (fImages == Value) return;
  fImages = Value;
  fImageList->SetBaseImages(Value);
}

void TkcCustomTabControl::SetMaxRotatedTabWidth(int Value) {
  if (Value < 0) Value = 0;
  if (Value > 0 && fPainter && Value < fPainter->GetMinTabNormalWidth()) Value = fPainter->GetMinTabNormalWidth();
  if (fMaxRotatedTabWidth == Value) return;
  fMaxRotatedTabWidth = Value;
  if (fRotate && fVisibleTabs->Count() > 0) RequestLayout();
}

void TkcCustomTabControl::SetMultiLine(bool Value) {
  if (fMultiLine == Value) return;
  fMultiLine = Value;
  RequestLayout();
}

void TkcCustomTabControl::SetNavigatorPosition(TkcPCNavigatorPosition Value) {
  if (fNavigatorPosition == Value) return;
  fNavigatorPosition = Value;
  RequestLayout();
}

void TkcCustomTabControl::SetOptions(TkcPCOptions Value) {
  if (fOptions == Value) return;
  TkcPCOptions old = fOptions;
  fOptions = Value;
  bool layout = false;
  for (TkcPCOption o : {pcoCloseButton, pcoFixedTabWidthWhenRotated, pcoGoDialog, pcoGradient, pcoGradientClientArea,
                        pcoNoArrows, pcoTopToBottomText})
    if (old.Contains(o) != Value.Contains(o)) layout = true;
  if (layout)
    RequestLayout();
  else if (old.Contains(pcoUsePageColorForTab) != Value.Contains(pcoUsePageColorForTab))
    Invalidate();
}

void TkcCustomTabControl::SetOwnerDraw(bool Value) {
  if (fOwnerDraw == Value) return;
  fOwnerDraw = Value;
  Invalidate();
}

void TkcCustomTabControl::SetRaggedRight(bool Value) {
  if (fRaggedRight == Value) return;
  fRaggedRight = Value;
  if (fMultiLine) RequestLayout();
}

void TkcCustomTabControl::SetRotate(bool Value) {
  if (fRotate == Value) return;
  if (Value && fPainter && !fPainter->PainterClass()->AllowRotate())
    throw Exception(
        Format(LocalizeText("%s style does not support rotation of tabs"), {fPainter->PainterClass()->GetStyleName()}));
  fRotate = Value;
  RequestLayout();
}

void TkcCustomTabControl::SetScrollOpposite(bool Value) {
  if (fScrollOpposite == Value) return;
  fScrollOpposite = Value;
  if (fMultiLine && MainTabVisibleIndex != -1 && fPainter && fPainter->MovesMainTabLine() && LineCount > 0) {
    ArrangeLines();
    RealignAndRepaint();
  } else
    Realign();
}

void TkcCustomTabControl::SetShowFrame(bool Value) {
  if (fShowFrame == Value) return;
  fShowFrame = Value;
  RequestLayout();
}

void TkcCustomTabControl::SetTabHeight(int Value) {
  if (fTabHeight == Value) return;
  fTabHeight = Value;
  RequestLayout();
}

void TkcCustomTabControl::SetTabWidth(int Value) {
  if (fTabWidth == Value) return;
  fTabWidth = Value;
  RequestLayout();
}

void TkcCustomTabControl::SetTabPosition(TkcTabPosition Value) {
  if (fTabPosition == Value) return;
  fTabPosition = Value;
  RequestLayout();
}

void TkcCustomTabControl::SetStyle(TkcPCStyleID Value) {
  if (Value == 0) {
    fStyleID = 0;
    TkcPCPaintersFactory* f = PaintersFactory();
    if (!f) return;
    TkcPCStyleID id = f->GetStyleIDByLookAndFeel(LookAndFeel());
    if (id == -1) id = f->GetDefaultStyleID(LookAndFeel());
    ApplyStyle(id);
    fStyleID = 0;
    return;
  }
  if (Value == fStyleID) return;
  ApplyStyle(Value);
}

void TkcCustomTabControl::ApplyStyle(TkcPCStyleID AStyleID) {
  TkcPCPaintersFactory* f = PaintersFactory();
  TkcPCPainterClass cls = f ? f->GetPainterClass(AStyleID) : nullptr;
  if (!cls) return;
  fStyleID = AStyleID;
  if (fPainter && fPainter->PainterClass() == cls) return;
  if (fPainter) f->FreePainter(fPainter);
  fPainter = nullptr;
  fPainter = f->GetPainterInstance(cls, this);
  if (!cls->AllowRotate()) fRotate = false;
  fTabs->FreeRotatedTextCaches();
  RequestLayout();
  if (HandleAllocated()) RedrawWindow(Handle(), nullptr, 0, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TkcCustomTabControl::LookAndFeelChanged(TkcLookAndFeel* Sender, TkcLookAndFeelValues AChangedValues) {
  TkcControl::LookAndFeelChanged(Sender, AChangedValues);
  if (fStyleID == 0) SetStyle(0);
  RequestLayout();
  if (AChangedValues.Contains(lfvNativeStyle) && HandleAllocated())
    RedrawWindow(Handle(), nullptr, 0, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

// ---- Tab index and events -------------------------------------------------------------------

bool TkcCustomTabControl::CanChange(int) {
  bool allow = true;
  if (!AreChangeEventsSuppressed() && OnChanging) OnChanging(this, allow);
  return allow;
}

void TkcCustomTabControl::Change() {
  if (!AreChangeEventsSuppressed() && OnChange) OnChange(this);
}

void TkcCustomTabControl::SetTabIndex(int Value) {
  if (IsLoading()) {
    fTabIndex = Value;
    return;
  }
  if (Value < -1 || Value >= fTabs->Count()) return;
  if (Value != -1 && ActiveTabMustBeVisible() && !fTabs->GetTab(Value)->Visible()) Value = -1;
  if (Value == fTabIndex || !CanChange(Value)) return;
  fTabIndex = -1;
  fTabs->UpdateMainTabVisibleIndex();
  for (int i = 0; i < fTabs->Count(); ++i) fTabs->GetTab(i)->fSelected = false;
  fTabs->SetFocusedTab(-1);
  fTabIndex = Value;
  fTabs->UpdateMainTabVisibleIndex();
  if (!fMultiLine) {
    MakeTabVisible(MainTabVisibleIndex);
    RequestLayout();
  } else if (fPainter && fPainter->MovesMainTabLine() && LineCount > 0) {
    ArrangeLines();
    RealignAndRepaint();
  } else
    Invalidate();
  UpdateNavigatorButtonStates();
  UpdateHotTrack();
  Change();
}

int TkcCustomTabControl::GetImageIndex(int ATabIndex) {
  int result = fTabs->GetTab(ATabIndex)->StoredImageIndex();
  if (OnGetImageIndex) OnGetImageIndex(this, ATabIndex, result);
  if (result < 0) return -1;
  if (!fImages || fImages->Width() <= 0 || fImages->Height() <= 0 || result >= fImages->Count()) return -1;
  return result;
}

void TkcCustomTabControl::PrepareTabCanvasFont(TkcTab* ATab, TkcCanvas* ACanvas) {
  ACanvas->SetFont(Font());
  if (fPainter) ACanvas->Font()->SetColor(fPainter->GetTabTextColor(ATab->VisibleIndex()));
  if (OnDrawTabEx) OnDrawTabEx(this, ATab, ACanvas->Font());
}

bool TkcCustomTabControl::CanSelectTab(int ATabIndex) {
  TkcTab* t = fTabs->GetTab(ATabIndex);
  return t->Visible() && t->RealEnabled();
}

bool TkcCustomTabControl::SelectTabByAccelerator(char32_t ACharCode) {
  if (!CanFocus()) return false;
  for (int i = 0; i < fTabs->Count(); ++i)
    if (HasAccelerator(ACharCode, fTabs->GetTab(i)->Caption()) && CanSelectTab(i)) {
      SetTabIndex(i);
      return true;
    }
  return false;
}

bool TkcCustomTabControl::CanCloseTab() {
  bool can = true;
  if (OnCanClose) OnCanClose(this, can);
  return can;
}

void TkcCustomTabControl::CloseActiveTab() {
  // The close handler may have changed the selection: nothing to close then.
  if (fTabIndex >= 0 && fTabIndex < fTabs->Count()) fTabs->Delete(fTabIndex);
}

void TkcCustomTabControl::GoDialogTabSelected(int ATabIndex) {
  fGoDialogShowing = false;
  PressedNavigatorButton.Exclude(nbGoDialog);
  SetNavigatorButtonState(nbGoDialog, 0);
  if (ATabIndex != -1) SetTabIndex(ATabIndex);
  UpdateHotTrack();
}

void TkcCustomTabControl::ShowGoDialog() {
  if (!fGoDialog) return;
  fGoDialogShowing = true;
  fGoDialog->Popup(fOptions.Contains(pcoSort));
  if (fGoDialogShowing) GoDialogTabSelected(-1);
}

// ---- Layout requests and painting -----------------------------------------------------------

void TkcCustomTabControl::RequestLayout() {
  if (IsLoading() || fInLayout || IsDestroying() || !fPainter) return;
  fInLayout = true;
  try {
    if (fMaxRotatedTabWidth > 0 && fMaxRotatedTabWidth < fPainter->GetMinTabNormalWidth())
      fMaxRotatedTabWidth = fPainter->GetMinTabNormalWidth();
    fTabs->FreeRotatedTextCaches();
    CalculateLayout();
    fTabs->ImagesChanged();
    TkcPCImageList* images = fImageList.get();
    if (fImages && fImages->Count() > 0 && images->RotationAngle() != GetPaintingTextDirection())
      images->SetRotationAngle(GetPaintingTextDirection());
    RealignAndRepaint();
    fTabs->UpdateMainTabVisibleIndex();
  } catch (...) {
    fInLayout = false;
    throw;
  }
  fInLayout = false;
  UpdateHotTrack();
}

void TkcCustomTabControl::RealignAndRepaint() {
  Realign();
  Invalidate();
}

void TkcCustomTabControl::AdjustClientRect(TRect& R) {
  if (IsLoading() || !fPainter)
    R = GetControlRect();
  else
    R = GetPageClientRect();
}

bool TkcCustomTabControl::CanFocus() { return TkcControl::CanFocus() && fFocusable; }

void TkcCustomTabControl::Paint() {
  if (IsDestroying() || !fPainter) return;
  TkcRegion* saved = Canvas()->GetClipRegion();
  try {
    fPainter->Paint();
  } catch (...) {
    Canvas()->SetClipRegion(saved, roSet);
    throw;
  }
  Canvas()->SetClipRegion(saved, roSet);
}

void TkcCustomTabControl::Resize() {
  TkcControl::Resize();
  RequestLayout();
  if (fOptions.Contains(pcoRedrawOnResize) && fPainter && fPainter->NeedsRedrawOnResize() && HandleAllocated())
    RedrawWindow(Handle(), nullptr, 0, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void TkcCustomTabControl::CreateWnd() {
  TkcControl::CreateWnd();
  RequestLayout();
}

void TkcCustomTabControl::FontChanged() {
  TkcControl::FontChanged();
  RequestLayout();
}

void TkcCustomTabControl::FocusChanged() {
  TkcControl::FocusChanged();
  if (MainTabVisibleIndex != -1 && MainTabVisibleIndex < fVisibleTabs->Count() &&
      fVisibleTabs->GetTab(MainTabVisibleIndex)->RealVisible())
    fTabs->Changed(MainTabVisibleIndex, tckFocus);
}

void TkcCustomTabControl::Loaded() {
  TkcControl::Loaded();
  RequestLayout();
  int index = fTabIndex;
  fTabIndex = -1;
  ++ChangeEventLock;
  try {
    SetTabIndex(index);
  } catch (...) {
    --ChangeEventLock;
    throw;
  }
  --ChangeEventLock;
}

void TkcCustomTabControl::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR: {
      if (SelectTabByAccelerator(char32_t(Message.WParam))) {
        Message.Result = 1;
        return;
      }
      break;
    }
    case CM_DIALOGKEY: {
      TkcControl::Dispatch(Message);
      if (Message.Result == 0 && HandleAllocated() && (Focused() || ContainsControl(FindControl(GetFocus())))) {
        WORD key = WORD(Message.WParam);
        if (HandleKey(key, GetShiftState())) Message.Result = 1;
      }
      return;
    }
    case CM_ENABLEDCHANGED:
    case CM_PARENTCOLORCHANGED:
      TkcControl::Dispatch(Message);
      Invalidate();
      return;
    case WM_GETDLGCODE:
      TkcControl::Dispatch(Message);
      Message.Result |= DLGC_WANTARROWS;
      return;
  }
  TkcControl::Dispatch(Message);
}

// ---- Hot tracking and the mouse -------------------------------------------------------------

void TkcCustomTabControl::UpdateHotTrack() { UpdateHotTrack(GetShiftState()); }

void TkcCustomTabControl::UpdateHotTrack(TShiftState AShift) {
  if (IsLoading() || IsDestroying() || IsDesigning() || !HandleAllocated() || fGoDialogShowing || !fPainter) return;
  bool active = (fHotTrack || fPainter->IsNativePainting()) && Enabled();
  TPoint p = ScreenToClient(Mouse->CursorPos());
  bool leftDown = AShift.Contains(ssLeft);
  TkcPCNavigatorButtons hot;
  int hotTab = -1;
  TkcPCNavigatorButton button;
  TRect client = GetControlRect();
  bool inside = PtInRect(&client, p);
  if (inside && !leftDown && fPainter->GetNavigatorButtonAt(p.x, p.y, button) &&
      !PressedNavigatorButton.Contains(button) && NavigatorButtonStates[button] != 3)
    hot.Include(button);
  else if (active && inside && !(leftDown && IsButtonStyle())) {
    hotTab = GetTabAt(p.x, p.y);
    if (hotTab != -1 && !fVisibleTabs->GetTab(hotTab)->Enabled()) hotTab = -1;
  }
  if (!active) hot = {};
  if (!(hot == HotNavigatorButtons)) {
    for (int b = nbTopLeft; b <= nbClose; ++b)
      if (HotNavigatorButtons.Contains(TkcPCNavigatorButton(b)) && NavigatorButtonStates[b] == 2)
        SetNavigatorButtonState(TkcPCNavigatorButton(b), 0);
    HotNavigatorButtons = hot;
    for (int b = nbTopLeft; b <= nbClose; ++b)
      if (hot.Contains(TkcPCNavigatorButton(b))) SetNavigatorButtonState(TkcPCNavigatorButton(b), 2);
  }
  fTabs->SetHotTrackTab(hotTab);
}

void TkcCustomTabControl::StopScrollTimer() {
  if (fScrollTimer) fScrollTimer->SetEnabled(false);
}

void TkcCustomTabControl::ScrollTimerHandler(TObject*) {
  fScrollTimer->SetInterval(150);
  if (PressedNavigatorButton.Contains(nbTopLeft))
    ScrollTabs(nbTopLeft);
  else if (PressedNavigatorButton.Contains(nbBottomRight))
    ScrollTabs(nbBottomRight);
  else
    StopScrollTimer();
}

void TkcCustomTabControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || fHideTabs || !fPainter) return;
  UpdateHotTrack(Shift);
  TkcPCNavigatorButton nb;
  if (fPainter->GetNavigatorButtonAt(X, Y, nb)) {
    if (PressedNavigatorButton.Contains(nb) || NavigatorButtonStates[nb] == 3) return;
    HotNavigatorButtons.Exclude(nb);
    PressedNavigatorButton = {nb};
    SetNavigatorButtonState(nb, 1);
    if (nb == nbTopLeft || nb == nbBottomRight) {
      ScrollTabs(nb);
      if (PressedNavigatorButton.Contains(nb)) {
        if (!fScrollTimer) {
          fScrollTimer = std::make_unique<TkcTimer>(nullptr);
          fScrollTimer->SetEnabled(false);
          fScrollTimer->SetOnTimer([this](TObject* S) { ScrollTimerHandler(S); });
        }
        fScrollTimer->SetEnabled(false);
        fScrollTimer->SetInterval(300);
        fScrollTimer->SetEnabled(true);
      }
    }
    return;
  }
  int tab = GetTabAt(X, Y);
  if (tab == -1) return;
  if (!fVisibleTabs->GetTab(tab)->RealEnabled() && !IsDesigning()) return;
  if (IsButtonStyle() && !IsDesigning()) {
    PressedTabVisibleIndex = tab;
    fTabs->Changed(tab, tckPressed);
    return;
  }
  TabClick(tab, Shift.Contains(ssCtrl));
}

void TkcCustomTabControl::MouseMove(TShiftState Shift, int X, int Y) {
  TkcControl::MouseMove(Shift, X, Y);
  if (fHideTabs || fGoDialogShowing || !fPainter) return;
  if (!PressedNavigatorButton.Empty()) {
    TkcPCNavigatorButton pressed = FirstNavigatorButton(PressedNavigatorButton);
    TkcPCNavigatorButton at;
    if (!fPainter->GetNavigatorButtonAt(X, Y, at) || at != pressed) {
      StopScrollTimer();
      PressedNavigatorButton = {};
      if (NavigatorButtonStates[pressed] == 1) SetNavigatorButtonState(pressed, 0);
    }
  }
  if (PressedTabVisibleIndex != -1 && GetTabAt(X, Y) != PressedTabVisibleIndex) {
    int old = PressedTabVisibleIndex;
    PressedTabVisibleIndex = -1;
    fTabs->Changed(old, tckPressed);
  }
  UpdateHotTrack(Shift);
}

void TkcCustomTabControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcControl::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft || fHideTabs || fGoDialogShowing || !fPainter) return;
  TkcPCNavigatorButton nb;
  if (fPainter->GetNavigatorButtonAt(X, Y, nb)) {
    StopScrollTimer();
    if (NavigatorButtonStates[nb] == 3) return;
    bool wasPressed = PressedNavigatorButton.Contains(nb);
    if (!IsDesigning() && nb == nbGoDialog && wasPressed) {
      ShowGoDialog();
      return;
    }
    if (wasPressed) PressedNavigatorButton = {};
    SetNavigatorButtonState(nb, 0);
    UpdateHotTrack(Shift);
    if (nb == nbClose && wasPressed && !IsDesigning() && CanCloseTab()) CloseActiveTab();
    return;
  }
  if (!PressedNavigatorButton.Empty()) {
    TkcPCNavigatorButton pressed = FirstNavigatorButton(PressedNavigatorButton);
    PressedNavigatorButton = {};
    SetNavigatorButtonState(pressed, 0);
  }
  int tab = GetTabAt(X, Y);
  if (tab != -1 && (fVisibleTabs->GetTab(tab)->RealEnabled() || IsDesigning()) && IsButtonStyle() && !IsDesigning() &&
      tab == PressedTabVisibleIndex) {
    PressedTabVisibleIndex = -1;
    fTabs->Changed(tab, tckPressed);
    TabClick(tab, Shift.Contains(ssCtrl));
  } else if (PressedTabVisibleIndex != -1) {
    int old = PressedTabVisibleIndex;
    PressedTabVisibleIndex = -1;
    fTabs->Changed(old, tckPressed);
  }
  if (!IsDestroying()) UpdateHotTrack(Shift);
}

void TkcCustomTabControl::MouseLeave(TControl* AControl) {
  TkcControl::MouseLeave(AControl);
  if (!fGoDialogShowing) UpdateHotTrack();
}

void TkcCustomTabControl::TabClick(int AVisibleIndex, bool ACtrl) {
  TkcTab* tab = fVisibleTabs->GetTab(AVisibleIndex);
  if (fMultiSelect && fPainter->AllowMultiSelectTabs() && ACtrl) {
    if (tab->IsMainTab())
      SetTabIndex(-1);
    else
      tab->SetSelected(!tab->Selected());
    return;
  }
  SetTabIndex(tab->Index());
}

bool TkcCustomTabControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (!fMultiLine && FirstShownTab != -1 && FirstShownTab < fVisibleTabs->Count()) {
    TPoint p = ScreenToClient(MousePos);
    TRect r = fVisibleTabs->GetTab(FirstShownTab)->GetFullRect();
    bool horizontal = fTabPosition == tpTop || fTabPosition == tpBottom;
    bool inBand = horizontal ? p.y >= r.top && p.y < r.bottom : p.x >= r.left && p.x < r.right;
    if (inBand) {
      ScrollTabsBy(WheelDelta < 0 ? 1 : -1);
      return true;
    }
  }
  return TkcControl::DoMouseWheel(Shift, WheelDelta, MousePos);
}

// ---- Keys -----------------------------------------------------------------------------------

void TkcCustomTabControl::KeyDown(WORD& Key, TShiftState Shift) {
  TkcControl::KeyDown(Key, Shift);
  if (Key != 0 && HandleKey(Key, Shift)) Key = 0;
}

bool TkcCustomTabControl::HandleKey(WORD& Key, TShiftState Shift) {
  int count = fVisibleTabs->Count();
  if (fHideTabs || count == 0) return false;
  if (Shift == TShiftState{ssAlt} || Shift == TShiftState{ssShift, ssAlt}) return false;
  bool reversed = IsTabOrderReversed();
  int step = 0;  // +1 forward, -1 backward (visual order)
  bool wrap = false, home = false, end = false;
  switch (Key) {
    case VK_TAB:
      if (!Shift.Contains(ssCtrl)) return false;
      step = Shift.Contains(ssShift) ? -1 : 1;
      wrap = true;
      break;
    case VK_LEFT:
    case VK_UP: step = -1; break;
    case VK_RIGHT:
    case VK_DOWN: step = 1; break;
    case VK_HOME: home = true; break;
    case VK_END: end = true; break;
    case VK_RETURN:
    case VK_SPACE:
      if (FocusedTabVisibleIndex != -1) {
        SetTabIndex(fVisibleTabs->GetTab(FocusedTabVisibleIndex)->Index());
        return true;
      }
      return false;
    default: return false;
  }
  int found = -1;
  if (home || end) {
    // Inwards from the first (Home) or last (End) tab in visual order.
    int dirVisual = home ? 1 : -1;
    int d = reversed ? -dirVisual : dirVisual;
    int i = d > 0 ? 0 : count - 1;
    for (; i >= 0 && i < count; i += d)
      if (fVisibleTabs->GetTab(i)->RealEnabled()) {
        found = i;
        break;
      }
  } else {
    int d = reversed ? -step : step;
    int start;
    if (FocusedTabVisibleIndex != -1)
      start = FocusedTabVisibleIndex + d;
    else if (MainTabVisibleIndex != -1)
      start = MainTabVisibleIndex + d;
    else
      start = d > 0 ? 0 : count - 1;
    if (start < 0 || start >= count) {
      if (!wrap) return true;
      start = d > 0 ? 0 : count - 1;
    }
    int i = start;
    do {
      if (fVisibleTabs->GetTab(i)->RealEnabled()) {
        found = i;
        break;
      }
      i += d;
      if (i < 0 || i >= count) {
        if (!wrap) break;
        i = d > 0 ? 0 : count - 1;
      }
    } while (i != start);
  }
  if (found != -1) {
    if (IsButtonStyle() && Key != VK_TAB)
      fTabs->SetFocusedTab(found);
    else if (found != MainTabVisibleIndex)
      SetTabIndex(fVisibleTabs->GetTab(found)->Index());
  }
  return true;
}
