#include "editors/kcDropDownEdit.h"

#include <algorithm>

#include "controls/kcControlUtils.h"
#include "controls/kcLookAndFeelPainters.h"
#include "platform/core/Utf8.h"
#include "platform/forms/Forms.h"

// ---- Popup window view info -----------------------------------------------------------------

void TkcCustomEditPopupWindowViewInfo::Calculate() {
  Layout.Bounds = Bounds;
  Layout.Calculate();
  ClientRect = Layout.ClientRect;
  BorderRect = TRect{0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top};
}

void TkcCustomEditPopupWindowViewInfo::DrawPopupBorder(TkcCanvas* ACanvas, TRect& ARect) {
  auto shrink = [&ARect] { InflateRect(&ARect, -1, -1); };
  if (Layout.NativeStyle || Layout.BorderStyle == epbsSingle) {
    ACanvas->FrameRect(ARect, clBtnText);
    shrink();
    return;
  }
  switch (Layout.BorderStyle) {
    case epbsFrame3D:
      ACanvas->DrawEdge(ARect, false, false);
      shrink();
      ACanvas->DrawEdge(ARect, false, true);
      shrink();
      if (Layout.ClientEdge) {
        ACanvas->FrameRect(ARect, clInactiveBorder);
        shrink();
        ACanvas->FrameRect(ARect, clBtnFace);
        shrink();
      } else {
        ACanvas->FrameRect(ARect, clBtnFace);
        shrink();
        ACanvas->DrawEdge(ARect, true, false);
        shrink();
      }
      break;
    case epbsFlat:
      ACanvas->DrawEdge(ARect, false, false);
      shrink();
      ACanvas->DrawEdge(ARect, false, true);
      shrink();
      break;
    default: break;
  }
}

void TkcCustomEditPopupWindowViewInfo::DrawSizeGrip(TkcCanvas* ACanvas) {
  TRect r = Layout.SizeGripRect;
  ACanvas->FillRect(r, clBtnFace);
  // The grip points into its corner: the right-hand shape for the right corners, the
  // left-hand one otherwise.
  const bool right = Layout.SizeGripCorner == sgcTopRight || Layout.SizeGripCorner == sgcBottomRight;
  DrawFrameControl(ACanvas->Handle(), &r, DFC_SCROLL, right ? DFCS_SCROLLSIZEGRIP : DFCS_SCROLLSIZEGRIPRIGHT);
}

void TkcCustomEditPopupWindowViewInfo::DrawBackground(TkcCanvas* ACanvas) {
  TRect r = BorderRect;
  ACanvas->FillRect(ClientRect, clBtnFace);
  if (Layout.Shadow) {
    r.right -= kcEditPopupShadowSize;
    r.bottom -= kcEditPopupShadowSize;
    PaintContainerShadow(ACanvas, r);
  }
  DrawPopupBorder(ACanvas, r);
  const bool panelAtBottom = Layout.SizeGripCorner == sgcBottomLeft || Layout.SizeGripCorner == sgcBottomRight;
  if (Layout.SysPanelStyle) {
    // The panel: what lies between the border and the client area on the panel's side.
    TRect panel = r;
    if (panelAtBottom)
      panel.top = ClientRect.bottom;
    else
      panel.bottom = ClientRect.top;
    ACanvas->FillRect(panel, clBtnFace);
    if (Layout.NativeStyle || Layout.BorderStyle == epbsSingle) {
      const int y = panelAtBottom ? panel.top : panel.bottom - 1;
      ACanvas->FillRect(TRect{panel.left, y, panel.right, y + 1}, clBtnText);
    }
  }
  if (Layout.ClientEdge) {
    const int width = GetEditPopupClientEdgeWidth(Layout.BorderStyle, Layout.NativeStyle);
    TRect edge = ClientRect;
    InflateRect(&edge, width, width);
    ACanvas->DrawEdge(edge, true, false);
    if (width > 1) {
      InflateRect(&edge, -1, -1);
      ACanvas->DrawEdge(edge, true, true);
    }
  }
  if (Layout.SysPanelStyle && Layout.Sizeable) DrawSizeGrip(ACanvas);
  if (Layout.SysPanelStyle && Layout.CloseButton) {
    static constexpr TkcButtonState states[] = {kcbsNormal, kcbsNormal, kcbsHot, kcbsPressed};
    PainterOfKind(CloseButtonStyle)
        ->DrawFilterCloseButton(ACanvas, Layout.CloseButtonRect, states[std::clamp(CloseButtonState, 0, 3)]);
  }
}

// ---- Popup window ---------------------------------------------------------------------------

TkcCustomEditPopupWindow::TkcCustomEditPopupWindow(TControl* AOwnerControl) : TkcCustomPopupWindow(AOwnerControl) {
  PopupViewInfo()->CloseButtonState = 1;
}

TkcCustomEditPopupWindow::~TkcCustomEditPopupWindow() = default;

TkcCustomDropDownEdit* TkcCustomEditPopupWindow::Edit() const {
  return dynamic_cast<TkcCustomDropDownEdit*>(OwnerControl());
}

TkcCustomEditPopupWindowViewInfo* TkcCustomEditPopupWindow::PopupViewInfo() {
  if (!fViewInfo) fViewInfo.reset(GetViewInfoClass().Create());
  return fViewInfo.get();
}

TkcEditPopupBorderStyle TkcCustomEditPopupWindow::BorderStyle() { return PopupViewInfo()->Layout.BorderStyle; }

void TkcCustomEditPopupWindow::SetBorderStyle(TkcEditPopupBorderStyle Value) {
  PopupViewInfo()->Layout.BorderStyle = Value;
}

void TkcCustomEditPopupWindow::CalculatePosition(TPoint& P) {
  if (TkcCustomDropDownEdit* edit = Edit()) OwnerBounds = edit->GetPopupOwnerBounds();
  inherited::CalculatePosition(P);
  TRect owner;
  GetOwnerScreenBounds(owner);
  static constexpr TAlignment alignments[] = {taLeftJustify, taCenter, taRightJustify};
  PopupViewInfo()->Layout.SizeGripCorner =
      CalculateSizeGripCorner(alignments[std::clamp(HorzAlignment, 0, 2)], P, Width(), owner, GetDesktopWorkArea(P));
  P.y += GetEditPopupShadowShift(Shadow(), P, owner);
}

void TkcCustomEditPopupWindow::CalculateSize() {
  TkcCustomDropDownEdit* edit = Edit();
  if (!edit) return;
  TkcEditPopupLayout& layout = PopupViewInfo()->Layout;
  OwnerBounds = edit->GetPopupOwnerBounds();
  TkcEditPopupSizeRequest request;
  request.AutoSize = PopupAutoSize;
  edit->GetPopupClientSize(request.ClientSize);
  request.PopupWidth = PopupWidth;
  request.PopupHeight = PopupHeight;
  request.MinWidth = MinWidth;
  request.MinHeight = MinHeight;
  request.Sizeable = Sizeable();
  request.OwnerWidth = OwnerBounds.right - OwnerBounds.left;
  const SIZE size = CalculateEditPopupSize(layout, request);
  SetBounds(Left(), Top(), size.cx, size.cy);
}

bool TkcCustomEditPopupWindow::CanShrinkToDesktop() {
  TkcCustomDropDownEdit* edit = Edit();
  return edit && edit->ActiveProperties()->PopupWindowCanShrinkToDesktop();
}

void TkcCustomEditPopupWindow::NotifyClosed() {
  fResizing = false;
  fHasSizingCursor = false;
  inherited::NotifyClosed();
}

void TkcCustomEditPopupWindow::ClosePopupWithModalResult() {
  TkcCustomDropDownEdit* edit = Edit();
  if (!edit) return ClosePopup();
  const TModalResult result = ModalResult();
  edit->CloseUp(result == mrOk ? crEnter : result == mrCancel ? crCancel : crUnknown);
}

void TkcCustomEditPopupWindow::ShowPopup(TWinControl* AFocusControl) {
  // An owner that is not visible gets no popup: the opening is undone.
  if (!IsOwnerControlVisible())
    if (TkcCustomDropDownEdit* edit = Edit()) edit->DoDeinitPopup();
  inherited::ShowPopup(AFocusControl);
}

void TkcCustomEditPopupWindow::CalculateViewInfo() {
  TkcCustomEditPopupWindowViewInfo* info = PopupViewInfo();
  info->Bounds = TRect{0, 0, Width(), Height()};
  info->Calculate();
  if (TkcCustomDropDownEdit* edit = Edit()) info->CloseButtonStyle = edit->Style()->LookAndFeel()->Kind();
}

void TkcCustomEditPopupWindow::SendCharToFocus(WPARAM ACharCode) {
  if (HWND focus = GetFocus()) SendMessage(focus, WM_CHAR, ACharCode, 0);
}

TSize TkcCustomEditPopupWindow::GetMinSize() { return PopupViewInfo()->Layout.GetMinSize(); }

void TkcCustomEditPopupWindow::RefreshPopupWindow() {
  TkcCustomDropDownEdit* edit = Edit();
  if (edit) OwnerBounds = edit->GetPopupOwnerBounds();
  CalculateViewInfo();
  if (edit) edit->PositionPopupWindowChildren(PopupViewInfo()->ClientRect);
  if (HandleAllocated()) {
    ::InvalidateRect(Handle(), nullptr, TRUE);
    Update();
  }
}

void TkcCustomEditPopupWindow::AdjustClientRect(TRect& Rect) {
  const TRect extent = PopupViewInfo()->Layout.CalculateClientExtent();
  Rect.left += extent.left;
  Rect.top += extent.top;
  Rect.right -= extent.right;
  Rect.bottom -= extent.bottom;
}

void TkcCustomEditPopupWindow::Resize() {
  inherited::Resize();
  if (!HandleAllocated()) return;
  // The shadow's corners outside the popup's shape show what lies below.
  const int shadow = Shadow() ? kcEditPopupShadowSize : 0;
  ApplyWindowRegion(Handle(), TRect{0, 0, Width() - shadow, Height() - shadow}, !Shadow(), Shadow(), TRect{});
}

bool TkcCustomEditPopupWindow::CanResize(int& NewWidth, int& NewHeight) {
  // Only the user's resizing is fitted; the sizes the popup calculates are already fitted.
  if (!fResizing || !Sizeable() || (NewWidth == Width() && NewHeight == Height())) return true;
  TSize minSize = GetMinSize();
  if (MinWidth > 0) minSize.cx = std::max<LONG>(minSize.cx, MinWidth);
  if (MinHeight > 0) minSize.cy = std::max<LONG>(minSize.cy, MinHeight);
  NewWidth = std::max<int>(NewWidth, minSize.cx);
  NewHeight = std::max<int>(NewHeight, minSize.cy);
  TkcCustomDropDownEdit* edit = Edit();
  if ((NewWidth == Width() && NewHeight == Height()) || !edit || !edit->UsesLookupData()) return true;
  const TRect extent = PopupViewInfo()->Layout.CalculateClientExtent();
  SIZE client{NewWidth - extent.left - extent.right, NewHeight - extent.top - extent.bottom};
  TRect owner;
  GetOwnerScreenBounds(owner);
  const int available = Top() < owner.top ? owner.top - Top() : GetDesktopWorkArea(TPoint{Left(), Top()}).bottom - Top();
  if (!edit->CanResizePopupClient(client, std::max(0, available - extent.top - extent.bottom))) {
    NewWidth = Width();
    NewHeight = Height();
    return true;
  }
  NewWidth = std::max<int>(extent.left + extent.right + client.cx, minSize.cx);
  NewHeight = std::max<int>(extent.top + extent.bottom + client.cy, minSize.cy);
  return true;
}

void TkcCustomEditPopupWindow::SetCloseButtonState(int AState) {
  TkcCustomEditPopupWindowViewInfo* info = PopupViewInfo();
  if (info->CloseButtonState == AState) return;
  info->CloseButtonState = AState;
  if (HandleAllocated()) ::InvalidateRect(Handle(), &info->Layout.CloseButtonRect, FALSE);
}

void TkcCustomEditPopupWindow::UpdateSizingCursor(int X, int Y) {
  int horz = 0, vert = 0;
  if (PopupViewInfo()->Layout.GetSizingHitTest(X, Y, horz, vert)) {
    TCursor cursor = horz == 0 ? crSizeNS : vert == 0 ? crSizeWE : horz == vert ? crSizeNWSE : crSizeNESW;
    ::SetCursor(Screen->Cursors(cursor));
    fHasSizingCursor = true;
  } else if (fHasSizingCursor) {
    ::SetCursor(Screen->Cursors(crArrow));
    fHasSizingCursor = false;
  }
}

void TkcCustomEditPopupWindow::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  TkcCustomEditPopupWindowViewInfo* info = PopupViewInfo();
  const POINT p{X, Y};
  if (PtInRect(&info->Layout.CloseButtonRect, p) && info->CloseButtonState != 3) {
    SetCloseButtonState(3);
    SetCaptureControl(this);
    return;
  }
  if (!info->Layout.GetSizingHitTest(X, Y, fHorzDir, fVertDir)) return;
  fDeltaX = fHorzDir > 0 ? Width() - X : fHorzDir < 0 ? X : 0;
  fDeltaY = fVertDir > 0 ? Height() - Y : fVertDir < 0 ? Y : 0;
  fResizing = true;
  SetCaptureControl(this);
  UpdateSizingCursor(X, Y);
}

void TkcCustomEditPopupWindow::MouseMove(TShiftState Shift, int X, int Y) {
  inherited::MouseMove(Shift, X, Y);
  TkcCustomEditPopupWindowViewInfo* info = PopupViewInfo();
  if (!fResizing) {
    const bool over = PtInRect(&info->Layout.CloseButtonRect, POINT{X, Y});
    if (info->CloseButtonState != 3) {
      if (!over)
        SetCloseButtonState(1);
      else if (!Shift.Contains(ssLeft))
        SetCloseButtonState(2);
    }
    UpdateSizingCursor(X, Y);
    return;
  }
  // The moving edges follow the mouse; the edges next to the owner stay.
  const TPoint mouse = ClientToScreen(TPoint{X, Y});
  TRect b = BoundsRect();
  if (fHorzDir > 0) b.right = mouse.x + fDeltaX;
  if (fHorzDir < 0) b.left = mouse.x - fDeltaX;
  if (fVertDir > 0) b.bottom = mouse.y + fDeltaY;
  if (fVertDir < 0) b.top = mouse.y - fDeltaY;
  int width = b.right - b.left, height = b.bottom - b.top;
  CanResize(width, height);
  if (fHorzDir < 0)
    b.left = b.right - width;
  else
    b.right = b.left + width;
  if (fVertDir < 0)
    b.top = b.bottom - height;
  else
    b.bottom = b.top + height;
  TRect owner;
  GetOwnerScreenBounds(owner);
  // At least one pixel of overlap with the owner, and inside the work area.
  if (b.right <= owner.left) b.right = owner.left + 1;
  if (b.left >= owner.right) b.left = owner.right - 1;
  const TRect work = GetDesktopWorkArea(TPoint{Left(), Top()});
  b.left = std::max(b.left, work.left);
  b.top = std::max(b.top, work.top);
  b.right = std::min(b.right, work.right);
  b.bottom = std::min(b.bottom, work.bottom);
  if (b == BoundsRect()) return;
  if (TkcCustomDropDownEdit* edit = Edit()) edit->PopupResizedByUser();
  // Always shown live: the content follows the frame.
  SetBounds(b.left, b.top, b.right - b.left, b.bottom - b.top);
  RefreshPopupWindow();
}

void TkcCustomEditPopupWindow::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  if (fResizing) {
    SetCaptureControl(nullptr);
    fResizing = false;
    UpdateSizingCursor(X, Y);
    return;
  }
  TkcCustomEditPopupWindowViewInfo* info = PopupViewInfo();
  if (info->CloseButtonState != 3) return;
  SetCaptureControl(nullptr);
  if (PtInRect(&info->Layout.CloseButtonRect, POINT{X, Y})) {
    TkcObjectLinkScope link(this);
    info->CloseButtonState = 1;
    if (TkcCustomDropDownEdit* edit = Edit()) edit->CloseUp(crUnknown);
    if (!link.Alive() || !IsShown()) return;
  }
  SetCloseButtonState(2);
}

void TkcCustomEditPopupWindow::PaintWindow(HDC dc) {
  TkcCanvas canvas(Canvas());
  Canvas()->SetHandle(dc);
  CalculateViewInfo();
  PopupViewInfo()->Paint(&canvas);
  Canvas()->SetHandle(HDC());
}

void TkcCustomEditPopupWindow::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case KCM_SHOWPOPUPAGAIN: ShowPopup(PopupFocusedControl); return;
    case KCM_POPUPCHAR:
      if (IsShown()) SendCharToFocus(Message.WParam);
      return;
    case CM_MOUSELEAVE:
      inherited::Dispatch(Message);
      SetCloseButtonState(1);
      if (fHasSizingCursor && !fResizing) {
        ::SetCursor(Screen->Cursors(crArrow));
        fHasSizingCursor = false;
      }
      return;
    default: break;
  }
  inherited::Dispatch(Message);
}

// ---- Properties -----------------------------------------------------------------------------

TkcCustomDropDownEditProperties::TkcCustomDropDownEditProperties(TPersistent* AOwner)
    : TkcCustomMaskEditProperties(AOwner) {
  // The button is announced while it is still being made: Changed must not look at it yet.
  fInternalChanging = true;
  LockChanged(true);
  Buttons()->Clear();
  Buttons()->Add()->SetKind(bkDown);
  LockChanged(false);
  fInternalChanging = false;
}

void TkcCustomDropDownEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomDropDownEditProperties*>(Source);
  if (!source) return inherited::Assign(Source);
  BeginUpdate();
  try {
    inherited::Assign(Source);
    fGlyphButtonIndex = source->fGlyphButtonIndex;
    ImmediateDropDown = source->ImmediateDropDown;
    ImmediatePopup = source->ImmediatePopup;
    fKeepArrowButtonPressed = source->fKeepArrowButtonPressed;
    PopupAutoSize = source->PopupAutoSize;
    fPopupClientEdge = source->fPopupClientEdge;
    PopupDirection = source->PopupDirection;
    fPopupMinHeight = source->fPopupMinHeight;
    fPopupMinWidth = source->fPopupMinWidth;
    fPopupHeight = source->fPopupHeight;
    PopupHorzAlignment = source->PopupHorzAlignment;
    fPopupSizeable = source->fPopupSizeable;
    fPopupSysPanelStyle = source->fPopupSysPanelStyle;
    PopupVertAlignment = source->PopupVertAlignment;
    fPopupWidth = source->fPopupWidth;
    PostPopupValueOnTab = source->PostPopupValueOnTab;
    OnCloseQuery = source->OnCloseQuery;
    OnCloseUp = source->OnCloseUp;
    OnInitPopup = source->OnInitPopup;
    OnPopup = source->OnPopup;
    Changed();
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

TkcEditButton* TkcCustomDropDownEditProperties::GlyphButton() {
  return fGlyphButtonIndex >= 0 && fGlyphButtonIndex < Buttons()->Count() ? Buttons()->Items(fGlyphButtonIndex)
                                                                         : nullptr;
}

void TkcCustomDropDownEditProperties::Changed() {
  if (!fInternalChanging) {
    fInternalChanging = true;
    if (TkcEditButton* button = GlyphButton()) {
      const bool valid = button->HasGlyph() && !button->Glyph()->Empty();
      if (valid)
        button->SetKind(bkGlyph);
      else if (button->Kind() == bkGlyph)
        button->SetKind(bkDown);
    }
    fInternalChanging = false;
  }
  inherited::Changed();
}

TBitmap* TkcCustomDropDownEditProperties::ButtonGlyph() {
  TkcEditButton* button = GlyphButton();
  return button && button->HasGlyph() ? button->Glyph() : nullptr;
}

void TkcCustomDropDownEditProperties::SetButtonGlyph(TBitmap* Value) {
  TkcEditButton* button = GlyphButton();
  if (!button) return;
  button->SetGlyph(Value);
  Changed();
}

void TkcCustomDropDownEditProperties::SetGlyphButtonIndex(int AIndex) {
  if (AIndex == fGlyphButtonIndex) return;
  std::unique_ptr<TBitmap> glyph;
  if (TBitmap* old = ButtonGlyph()) {
    glyph = std::make_unique<TBitmap>();
    glyph->Assign(old);
  }
  BeginUpdate();
  if (TkcEditButton* old = GlyphButton()) {
    old->SetGlyph(nullptr);
    if (old->Kind() == bkGlyph) old->SetKind(bkDown);
  }
  fGlyphButtonIndex = AIndex;
  if (glyph) SetButtonGlyph(glyph.get());
  EndUpdate(true);
}

TAlignment TkcCustomDropDownEditProperties::PopupAlignment() const {
  switch (PopupHorzAlignment) {
    case 1: return taCenter;
    case 2: return taRightJustify;
    default: return taLeftJustify;
  }
}

void TkcCustomDropDownEditProperties::SetPopupAlignment(TAlignment Value) {
  const int horz = Value == taCenter ? 1 : Value == taRightJustify ? 2 : 0;
  SetAndNotify(PopupHorzAlignment, horz);
}

void TkcCustomDropDownEditProperties::SetPopupMinHeight(int Value) {
  fPopupMinHeight = std::max(Value, 0);
  SetPopupHeight(fPopupHeight);
}

void TkcCustomDropDownEditProperties::SetPopupMinWidth(int Value) {
  fPopupMinWidth = std::max(Value, 0);
  SetPopupWidth(fPopupWidth);
}

TClass TkcCustomDropDownEditProperties::GetContainerClass() { return TkcCustomDropDownEdit::StaticClass(); }

TkcCustomEditViewData* TkcCustomDropDownEditProperties::CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                                                       bool APreviewMode) {
  auto* data = new TkcCustomDropDownEditViewData(this, AStyle, AIsInplace);
  data->PreviewMode = APreviewMode;
  return data;
}

// ---- View data ------------------------------------------------------------------------------

void TkcCustomDropDownEditViewData::Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                                              TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  TkcCustomDropDownEdit* edit = Edit ? dynamic_cast<TkcCustomDropDownEdit*>(Edit->GetEditObject()) : nullptr;
  if (edit) {
    HasPopupWindow = edit->HasPopupWindow();
    IsHotAndPopup = edit->IsHotAndPopup();
  }
  inherited::Calculate(ACanvas, ABounds, P, AShift, AViewInfo, AIsMouseEvent);
  TkcCustomDropDownEditProperties* p = DropDownProperties();
  // The drop-down button shows pressed while the popup is open, when asked to.
  if ((HasPopupWindow || IsHotAndPopup) && p->KeepArrowButtonPressedWhenDroppedDown())
    for (auto& button : AViewInfo->ButtonsInfo)
      if (button->Index == p->GetDropDownButtonIndex()) button->Data.State = ebsPressed;
  auto* text = dynamic_cast<TkcCustomTextEditViewInfo*>(AViewInfo);
  if (!text) return;
  text->IsHighlighted = !IsInplace && p->GetEditingStyle() == esFixedList && Focused && !p->Transparent() &&
                        !HasPopupWindow && !(p->FixedListSelection() && edit && edit->FindSelection());
}

bool TkcCustomDropDownEditViewData::CanPressButton(TkcCustomEditViewInfo* AViewInfo, int AIndex) {
  if (IsHotAndPopup && AIndex == DropDownProperties()->GetDropDownButtonIndex()) return false;
  return inherited::CanPressButton(AViewInfo, AIndex);
}

// ---- The edit -------------------------------------------------------------------------------

void TkcCustomDropDownEdit::Initialize() {
  TkcCustomMaskEdit::Initialize();
  if (!IsDesigning()) CreatePopupWindow();
}

void TkcCustomDropDownEdit::InitializeEditData() {
  TkcCustomDropDownEditData* data = DropDownEditData();
  if (!data) return;
  data->PopupSizeChanged = false;
  data->PopupWidth = ActiveProperties()->PopupWidth();
  data->PopupHeight = ActiveProperties()->PopupHeight();
}

void TkcCustomDropDownEdit::CreatePopupWindow() {
  fPopupWindow.reset(ActiveProperties()->GetPopupWindowClass().Create(this));
  fPopupWindow->SetTakesFocus(ActiveProperties()->PopupTakesFocus());
  fPopupWindow->SetInheritTopMost(!IsInplace());
  fPopupWindow->OnCloseQuery = TCloseQueryEvent(this, &TkcCustomDropDownEdit::PopupWindowCloseQuery);
  fPopupWindow->OnPopupClosed = TNotifyEvent(this, &TkcCustomDropDownEdit::PopupWindowClosed);
  fPopupWindow->OnPopupShown = TNotifyEvent(this, &TkcCustomDropDownEdit::PopupWindowShown);
}

void TkcCustomDropDownEdit::BeforeDestruction() {
  if (TkcCustomTextEditLookupData* lookup = LookupData()) lookup->SetList(nullptr);
  inherited::BeforeDestruction();
}

TkcCustomDropDownEdit::~TkcCustomDropDownEdit() {
  if (!fPopupWindow) return;
  // Only bookkeeping here: no user event and no validation runs on a half-destroyed edit.
  fPopupWindow->OnCloseQuery = nullptr;
  fPopupWindow->OnPopupClosed = nullptr;
  fPopupWindow->OnPopupShown = nullptr;
  if (fPopupWindow->HandleAllocated())
    RemoveMessages(fPopupWindow->Handle(), KCM_SHOWPOPUPAGAIN, KCM_SHOWPOPUPAGAIN, true);
  fPopupWindow->ClosePopup();
  fIsPopupInitialized = false;
  fPopupWindow.reset();
}

bool TkcCustomDropDownEdit::HasPopupWindow() { return fPopupWindow && fPopupWindow->IsShown(); }

bool TkcCustomDropDownEdit::Focused() { return inherited::Focused() || HasPopupWindow(); }

bool TkcCustomDropDownEdit::UsesLookupData() {
  TkcCustomDropDownEditProperties* p = ActiveProperties();
  return LookupData() && p->UseLookupData() && p->PopupShowsLookupList();
}

bool TkcCustomDropDownEdit::IsShowMessageQueued() {
  if (!fPopupWindow || !fPopupWindow->HandleAllocated()) return false;
  MSG msg;
  return PeekMessage(&msg, fPopupWindow->Handle(), KCM_SHOWPOPUPAGAIN, KCM_SHOWPOPUPAGAIN, PM_NOREMOVE);
}

void TkcCustomDropDownEdit::WithdrawShowMessage() {
  if (!IsShowMessageQueued()) return;
  RemoveMessages(fPopupWindow->Handle(), KCM_SHOWPOPUPAGAIN, KCM_SHOWPOPUPAGAIN, true);
  // As if the popup had been closed.
  PopupWindowClosed(fPopupWindow.get());
}

void TkcCustomDropDownEdit::SetDroppedDown(bool AValue) {
  if (HasPopupWindow() == AValue) return;
  if (!AValue)
    CloseUp(crUnknown);
  else if (!IsShowMessageQueued())
    DropDown();
}

TRect TkcCustomDropDownEdit::GetPopupOwnerBounds() {
  // The edit's frame lies on its outer pixels: the popup aligns to them.
  TRect r;
  GetVisibleBounds(r);
  if (EditViewInfo()->Shadow) r.right += kcEditPopupShadowSize;
  OffsetRect(&r, Left(), Top());
  return r;
}

TWinControl* TkcCustomDropDownEdit::GetPopupFocusedControl() {
  TkcCustomDropDownEditProperties* p = ActiveProperties();
  if (LookupData() && p->PopupShowsLookupList() && p->PopupTakesFocus())
    if (TWinControl* list = GetLookupActiveControl()) return list;
  // A fixed list hides its inner edit: the editor itself keeps the focus then.
  TWinControl* inner = InnerEditControl();
  return inner && inner->Visible() ? inner : this;
}

void TkcCustomDropDownEdit::InitializeLookupData() {}

void TkcCustomDropDownEdit::PositionPopupWindowChildren(const TRect&) {}

void TkcCustomDropDownEdit::SetupPopupWindow() {
  TkcCustomDropDownEditProperties* p = ActiveProperties();
  TkcCustomEditPopupWindow* w = fPopupWindow.get();
  w->SetOwnerParent(Parent());
  w->PopupDirection = p->PopupDirection;
  w->HorzAlignment = p->PopupHorzAlignment;
  w->VertAlignment = p->PopupVertAlignment;
  w->SetClientEdge(p->PopupClientEdge());
  w->MinHeight = p->PopupMinHeight();
  w->MinWidth = p->PopupMinWidth();
  w->PopupAutoSize = p->PopupAutoSize;
  w->SetSizeable(p->PopupSizeable());
  w->SetSysPanelStyle(p->PopupSysPanelStyle());
  TkcCustomDropDownEditData* data = DropDownEditData();
  if (IsInplace() && p->PopupSizeable() && data) {
    w->PopupWidth = data->PopupWidth;
    w->PopupHeight = data->PopupHeight;
  } else {
    w->PopupWidth = p->PopupWidth();
    w->PopupHeight = p->PopupHeight();
  }
  w->SetCloseButton(EditStyle()->PopupCloseButton());
  w->SetBorderStyle(EditViewInfo()->PopupBorderStyle);
  w->SetNativeStyle(EditViewInfo()->NativeStyle);
  w->SetShadow(EditViewInfo()->Shadow);
}

void TkcCustomDropDownEdit::InitializePopupWindow() {
  TkcCustomEditPopupWindow* w = fPopupWindow.get();
  w->SetTakesFocus(ActiveProperties()->PopupTakesFocus());
  InitializeLookupData();
  SetupPopupWindow();
  w->CalculateSize();
  TPoint p;
  w->CalculatePosition(p);
  w->AdjustBoundsToDesktop(p);
  w->SetBounds(p.x, p.y, w->Width(), w->Height());
  w->RefreshPopupWindow();
}

void TkcCustomDropDownEdit::DropDown() {
  if (!fPopupWindow || !HandleAllocated() || !IsWindowVisible(Handle())) return;
  DoInitPopup();
  if (!CanDropDown()) {
    DoDeinitPopup();
    return;
  }
  InitializePopupWindow();
  fPopupWindow->HandleNeeded();
  fPopupWindow->PopupFocusedControl = GetPopupFocusedControl();
  PostMessage(fPopupWindow->Handle(), KCM_SHOWPOPUPAGAIN, 0, 0);
}

void TkcCustomDropDownEdit::PostImmediately() {
  if (ActiveProperties()->ImmediatePost && CanPostEditValue()) PostEditValue(true);
}

void TkcCustomDropDownEdit::ChangeLookupKey(const std::function<void(TkcCustomTextEditLookupData*)>& AStep) {
  TkcCustomTextEditLookupData* lookup = LookupData();
  const int previous = lookup->CurrentKey();
  LockClick(true);
  try {
    AStep(lookup);
  } catch (...) {
    LockClick(false);
    throw;
  }
  LockClick(false);
  if (lookup->CurrentKey() != previous) {
    SetModified(true);
    Click();
  }
}

void TkcCustomDropDownEdit::ApplyLookupSelection() {
  ChangeLookupKey([](TkcCustomTextEditLookupData* ALookup) { ALookup->SelectItem(); });
}

void TkcCustomDropDownEdit::CloseUp(TkcEditCloseUpReason AReason) {
  if (!HasPopupWindow()) return;
  TkcObjectLinkScope link(this);
  LockChangeEvents(true);
  try {
    if (AReason == crTab || AReason == crClose || AReason == crEnter) {
      if (UsesLookupData()) ApplyLookupSelection();
      if (!ActiveProperties()->PostValueOnPopupClosed()) PostImmediately();
    }
  } catch (...) {
    if (link.Alive()) LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
  if (!link.Alive()) return;
  fCloseUpReason = AReason;
  fPopupWindow->ClosePopup();
}

bool TkcCustomDropDownEdit::DoCloseQuery() {
  bool canClose = true;
  if (Properties()->OnCloseQuery) Properties()->OnCloseQuery(this, canClose);
  if (auto* item = dynamic_cast<TkcCustomDropDownEditProperties*>(GetRepositoryItemProperties()))
    if (item->OnCloseQuery) item->OnCloseQuery(this, canClose);
  return canClose;
}

void TkcCustomDropDownEdit::PopupWindowCloseQuery(TObject*, bool& CanClose) { CanClose = DoCloseQuery(); }

void TkcCustomDropDownEdit::PopupWindowClosed(TObject*) {
  TkcCustomDropDownEditProperties* p = ActiveProperties();
  if (p->PopupSizeable() && fPopupResizedByUser) {
    TkcCustomDropDownEditData* data = DropDownEditData();
    if (IsInplace() && data) {
      data->PopupSizeChanged = true;
      data->PopupWidth = fPopupWindow->Width();
      data->PopupHeight = fPopupWindow->Height();
      fPopupSizeChanged = true;
    } else {
      p->SetPopupWidth(fPopupWindow->Width());
      p->SetPopupHeight(fPopupWindow->Height());
    }
  }
  fPopupResizedByUser = false;
  TkcObjectLinkScope link(this);
  DoDeinitPopup();
  if (!link.Alive()) return;
  DoCloseUp();
  if (!link.Alive()) return;
  if (p->PostValueOnPopupClosed()) {
    LockChangeEvents(true);
    try {
      PostImmediately();
    } catch (...) {
      if (link.Alive()) LockChangeEvents(false);
      throw;
    }
    LockChangeEvents(false);
  }
  if (!link.Alive()) return;
  // IsHotAndPopup stays until the mouse moves: a click on the drop-down button that closed
  // the popup must not open it again.
  if (!HandleAllocated()) fIsHotAndPopup = false;
  UpdateStateFromCursor(false);
  CalculateViewInfo(ScreenToClient(Mouse->CursorPos()), true);
}

void TkcCustomDropDownEdit::PopupWindowShown(TObject*) {
  fPopupWindow->CalculateViewInfo();
  PositionPopupWindowChildren(fPopupWindow->PopupViewInfo()->ClientRect);
  TkcObjectLinkScope link(this);
  DoPopup();
  if (!link.Alive()) return;
  UpdateDrawValue();
  if (UsesLookupData()) SetFindSelection(true);
  fPopupResizedByUser = false;
  CalculateViewInfo(ScreenToClient(Mouse->CursorPos()), true);
}

void TkcCustomDropDownEdit::DoInitPopup() {
  fIsPopupInitialized = true;
  try {
    if (Properties()->OnInitPopup) Properties()->OnInitPopup(this);
    if (auto* item = dynamic_cast<TkcCustomDropDownEditProperties*>(GetRepositoryItemProperties()))
      if (item->OnInitPopup) item->OnInitPopup(this);
  } catch (...) {
    fIsPopupInitialized = false;
    throw;
  }
}

void TkcCustomDropDownEdit::DoDeinitPopup() {
  if (!fIsPopupInitialized) return;
  fIsPopupInitialized = false;
  if (TkcCustomTextEditLookupData* lookup = LookupData(); lookup && UsesLookupData()) lookup->CloseUp();
  if (Properties()->OnFinalizePopup) Properties()->OnFinalizePopup(this);
  if (auto* item = dynamic_cast<TkcCustomDropDownEditProperties*>(GetRepositoryItemProperties()))
    if (item->OnFinalizePopup) item->OnFinalizePopup(this);
}

void TkcCustomDropDownEdit::DoPopup() {
  fCloseUpReason = crUnknown;
  if (Properties()->OnPopup) Properties()->OnPopup(this);
  if (auto* item = dynamic_cast<TkcCustomDropDownEditProperties*>(GetRepositoryItemProperties()))
    if (item->OnPopup) item->OnPopup(this);
}

void TkcCustomDropDownEdit::DoCloseUp() {
  TkcObjectLinkScope link(this);
  TkcCustomEditProperties* own = Properties();
  auto* item = dynamic_cast<TkcCustomDropDownEditProperties*>(GetRepositoryItemProperties());
  if (own->OnClosePopup) own->OnClosePopup(this, fCloseUpReason);
  if (!link.Alive()) return;
  if (item && item->OnClosePopup) item->OnClosePopup(this, fCloseUpReason);
  if (!link.Alive()) return;
  if (Properties()->OnCloseUp) Properties()->OnCloseUp(this);
  if (!link.Alive()) return;
  if (item && item->OnCloseUp) item->OnCloseUp(this);
}

bool TkcCustomDropDownEdit::NeedsActivationKey(char32_t Key) {
  TkcCustomDropDownEditProperties* p = ActiveProperties();
  return !(Key != VK_RETURN && p->ImmediateDropDown && p->PopupTakesFocus());
}

void TkcCustomDropDownEdit::KeyDown(WORD& Key, TShiftState Shift) {
  fClosedByKey = false;
  inherited::KeyDown(Key, Shift);
}

void TkcCustomDropDownEdit::KeyPress(char32_t& Key) {
  // The Enter or Esc that closed the popup is not typed as well.
  if (fClosedByKey && (Key == VK_RETURN || Key == VK_ESCAPE)) {
    fClosedByKey = false;
    Key = 0;
    return;
  }
  inherited::KeyPress(Key);
}

bool TkcCustomDropDownEdit::IsInternalKey(WORD Key, TShiftState Shift) {
  if (TkcCustomMaskEdit::IsInternalKey(Key, Shift)) return true;
  return IsInplace() && HasPopupWindow() &&
         (Shift.Contains(ssAlt) || Shift.Contains(ssCtrl) || Key < 32 || Key > 255);
}

void TkcCustomDropDownEdit::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  const bool alt = Shift.Contains(ssAlt);
  if ((alt && (Key == VK_UP || Key == VK_DOWN)) || (Key == VK_F4 && !alt)) {
    if (HasPopupWindow())
      CloseUp(crClose);
    else
      SetDroppedDown(true);
    Key = 0;
    return;
  }
  if ((Key == VK_RETURN || Key == VK_ESCAPE) && !alt && HasPopupWindow()) {
    fClosedByKey = true;
    const bool escape = Key == VK_ESCAPE;
    CloseUp(escape || !DoEditing() ? crCancel : crEnter);
    if (!HasPopupWindow()) {
      Key = 0;
      if (escape && GetCaptureControl()) SetCaptureControl(nullptr);
    }
    return;
  }
  if (Key == VK_TAB && HasPopupWindow() && ActiveProperties()->PostPopupValueOnTab) CloseUp(crTab);
  inherited::DoEditKeyDown(Key, Shift);
}

void TkcCustomDropDownEdit::DoEditKeyPress(char32_t& Key) {
  TkcCustomDropDownEditProperties* p = ActiveProperties();
  if (Key >= 32 && p->ImmediateDropDown && !HasPopupWindow()) {
    SetDroppedDown(true);
    // A focus-taking popup types the character into its focused control.
    if (p->PopupTakesFocus() && Key != VK_RETURN && CanDropDown() && GetPopupFocusedControl() && fPopupWindow &&
        fPopupWindow->HandleAllocated()) {
      PostMessage(fPopupWindow->Handle(), KCM_POPUPCHAR, static_cast<WPARAM>(Key), 0);
      Key = 0;
      return;
    }
  }
  inherited::DoEditKeyPress(Key);
}

void TkcCustomDropDownEdit::DoButtonDown(int AButtonVisibleIndex) {
  const auto& buttons = EditViewInfo()->ButtonsInfo;
  if (AButtonVisibleIndex < 0 || AButtonVisibleIndex >= static_cast<int>(buttons.size())) return;
  if (buttons[AButtonVisibleIndex]->Index != ActiveProperties()->GetDropDownButtonIndex()) return;
  if (HasPopupWindow())
    CloseUp(crUnknown);
  else if (!fIsHotAndPopup)
    SetDroppedDown(true);
}

void TkcCustomDropDownEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcObjectLinkScope link(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (!link.Alive() || Button != mbLeft || IsReadOnly()) return;
  const POINT p{X, Y};
  // A press on a button reached DoButtonDown through the edit's pressed-button tracking.
  if (EditViewInfo()->ButtonAt(p) >= 0) return;
  if (!fIsActivatingByMouse && ActiveProperties()->DropDownOnClick() && inherited::Focused() &&
      PtInRect(&EditViewInfo()->ClientRect, p) && !HasPopupWindow() && !fIsHotAndPopup)
    SetDroppedDown(true);
}

void TkcCustomDropDownEdit::MouseMove(TShiftState Shift, int X, int Y) {
  inherited::MouseMove(Shift, X, Y);
  if (!Shift.Contains(ssLeft)) {
    const TRect r{0, 0, Width(), Height()};
    fIsHotAndPopup = HasPopupWindow() && PtInRect(&r, POINT{X, Y});
  }
}

void TkcCustomDropDownEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcObjectLinkScope link(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (!link.Alive()) return;
  const TRect r{0, 0, Width(), Height()};
  fIsHotAndPopup = HasPopupWindow() && PtInRect(&r, POINT{X, Y});
}

bool TkcCustomDropDownEdit::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (inherited::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  if (!HasPopupWindow() || !UsesLookupData() || LookupData()->IsEmpty()) return false;
  if (TWinControl* list = GetLookupActiveControl(); list && list->HandleAllocated())
    SendMessage(list->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WheelDelta)),
                MAKELPARAM(MousePos.x, MousePos.y));
  return true;
}

void TkcCustomDropDownEdit::DoExit() {
  CloseUp(crUnknown);
  inherited::DoExit();
}

void TkcCustomDropDownEdit::FocusChanged() {
  inherited::FocusChanged();
  // While the popup is being shown the focus may pass through it.
  if (IsContainerDestroying() || !HasPopupWindow() || fPopupWindow->IsShowing() ||
      ActiveProperties()->PopupTakesFocus())
    return;
  // Neither the editor nor its inner edit (hidden in a fixed list) holds the focus any more.
  if (!TkcCustomMaskEdit::Focused()) CloseUp(crUnknown);
}

bool TkcCustomDropDownEdit::CanNavigateLookupItems(bool AByMouseWheel) {
  if (!InnerEditControl()) return false;
  return AByMouseWheel || !IsInplace() || HasPopupWindow();
}

void TkcCustomDropDownEdit::PasteFromClipboard() {
  const String before = Text();
  inherited::PasteFromClipboard();
  if (Text() == before || !ActiveProperties()->ImmediateDropDown || HasPopupWindow()) return;
  SetDroppedDown(true);
  if (UsesLookupData()) PostMessage(Handle(), KCM_POPUPLOOKUPSYNC, 0, 0);
}

void TkcCustomDropDownEdit::PropertiesChanged(TObject* Sender) {
  if (!fPopupWindow) return inherited::PropertiesChanged(Sender);
  if (!ActiveProperties()->PopupSizeable()) fPopupSizeChanged = false;
  if (HasPopupWindow()) InitializePopupWindow();
  inherited::PropertiesChanged(Sender);
}

void TkcCustomDropDownEdit::Dispatch(TMessage& Message) {
  if (Message.Msg != KCM_POPUPLOOKUPSYNC) return inherited::Dispatch(Message);
  TkcCustomTextEditLookupData* lookup = LookupData();
  if (!HasPopupWindow() || !lookup) return;
  ChangeLookupKey([](TkcCustomTextEditLookupData* ALookup) { ALookup->SynchronizeCurrentKey(); });
  switch (ActiveProperties()->GetEditingStyle()) {
    case esEdit:
      SetFindSelection(SelStart() == static_cast<int>(Utf8Length(Text())) && lookup->Find(Text()));
      break;
    case esFixedList: SetFindSelection(true); break;
    default: break;
  }
}
