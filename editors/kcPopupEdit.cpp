#include "editors/kcPopupEdit.h"

#include "controls/kcLocalize.h"
#include "platform/forms/Forms.h"

// ---- Popup window ---------------------------------------------------------------------------

void TkcPopupEditPopupWindowViewInfo::DrawPopupBorder(TkcCanvas* ACanvas, TRect& ARect) {
  if (Layout.NativeStyle || Layout.BorderStyle != epbsFrame3D) return inherited::DrawPopupBorder(ACanvas, ARect);
  ACanvas->DrawEdge(ARect, false, false);
  InflateRect(&ARect, -1, -1);
  ACanvas->DrawEdge(ARect, false, true);
  InflateRect(&ARect, -1, -1);
  ACanvas->FrameRect(ARect, clInactiveBorder);
  InflateRect(&ARect, -1, -1);
  ACanvas->FrameRect(ARect, clBtnFace);
  InflateRect(&ARect, -1, -1);
}

// ---- Properties -----------------------------------------------------------------------------

TkcCustomPopupEditProperties::TkcCustomPopupEditProperties(TPersistent* AOwner)
    : TkcCustomDropDownEditProperties(AOwner), fNotificator(std::make_unique<TkcFreeNotificator>(nullptr)) {
  fNotificator->OnFreeNotification = [this](TComponent* AComponent) { FreeNotification(AComponent); };
  // Straight into the fields: nothing is re-applied and no change is announced.
  PopupAutoSize = true;
  fPopupHeight = 200;
  fPopupMinHeight = 100;
  fPopupMinWidth = 100;
  fPopupSizeable = true;
  fPopupWidth = 250;
}

TkcCustomPopupEditProperties::~TkcCustomPopupEditProperties() {
  if (fPopupControl) fNotificator->RemoveSender(fPopupControl);
  fNotificator->OnFreeNotification = nullptr;
}

void TkcCustomPopupEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomPopupEditProperties*>(Source);
  if (!source) return inherited::Assign(Source);
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetPopupControl(source->PopupControl());
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TkcCustomPopupEditProperties::FreeNotification(TComponent* AComponent) {
  inherited::FreeNotification(AComponent);
  if (AComponent == fPopupControl) fPopupControl = nullptr;
}

void TkcCustomPopupEditProperties::SetPopupControl(TControl* Value) {
  if (fPopupControl == Value) return;
  if (fPopupControl) fNotificator->RemoveSender(fPopupControl);
  fPopupControl = Value;
  if (fPopupControl) fNotificator->AddSender(fPopupControl);
}

TClass TkcCustomPopupEditProperties::GetContainerClass() { return TkcPopupEdit::StaticClass(); }

// ---- The edit -------------------------------------------------------------------------------

TkcCustomPopupEdit::~TkcCustomPopupEdit() {
  // The hosted control goes home before the popup window (and so the control) is freed.
  if (fHosting) RestorePopupControlData();
}

void TkcCustomPopupEdit::DoInitPopup() {
  TControl* control = ActiveProperties()->PopupControl();
  if (control) {
    bool circular = control == PopupWindow();
    for (TControl* c = this; c && !circular; c = c->Parent()) circular = c == control;
    if (circular) throw EkcEditError(LocalizeText("Circular referencing is not allowed"));
  }
  inherited::DoInitPopup();
}

TWinControl* TkcCustomPopupEdit::GetPopupFocusedControl() {
  return dynamic_cast<TWinControl*>(ActiveProperties()->PopupControl());
}

void TkcCustomPopupEdit::GetPopupClientSize(SIZE& ASize) {
  TControl* control = ActiveProperties()->PopupControl();
  ASize = control ? SIZE{control->Width(), control->Height()} : SIZE{0, 0};
}

void TkcCustomPopupEdit::PositionPopupWindowChildren(const TRect& AClientRect) {
  TControl* control = ActiveProperties()->PopupControl();
  if (!control || !fHosting) return;
  control->SetLeft(AClientRect.left);
  control->SetTop(AClientRect.top);
  control->SetWidth(AClientRect.right - AClientRect.left);
  control->SetHeight(AClientRect.bottom - AClientRect.top);
}

void TkcCustomPopupEdit::InitializePopupWindow() {
  TControl* control = ActiveProperties()->PopupControl();
  if (!control || fHosting) return inherited::InitializePopupWindow();
  SavePopupControlData();
  fHosting = true;
  control->SetParent(PopupWindow());
  control->SetVisible(true);
  inherited::InitializePopupWindow();
  // From now on it follows the user's resizing.
  control->SetAlign(alClient);
}

void TkcCustomPopupEdit::ClosePopupWithReason(TkcEditCloseUpReason AReason) {
  SetCloseUpReason(AReason);
  PostPopupCloseMessage(PopupWindow());
}

void TkcCustomPopupEdit::PopupWindowClosed(TObject* Sender) {
  RestorePopupControlData();
  inherited::PopupWindowClosed(Sender);
}

void TkcCustomPopupEdit::SavePopupControlData() {
  TControl* control = ActiveProperties()->PopupControl();
  fSaved.Align = control->Align();
  if (auto* form = dynamic_cast<TCustomForm*>(control)) {
    fSaved.BorderStyle = form->BorderStyle();
    form->SetBorderStyle(bsNone);
  }
  fSaved.Bounds = control->BoundsRect();
  fSaved.Parent = control->Parent();
  fSaved.Visible = control->Visible();
}

void TkcCustomPopupEdit::RestorePopupControlData() {
  TControl* control = ActiveProperties()->PopupControl();
  if (!control || !fHosting) return;
  fHosting = false;
  control->SetVisible(false);
  control->SetParent(fSaved.Parent);
  control->SetAlign(fSaved.Align);
  control->SetBoundsRect(fSaved.Bounds);
  control->SetVisible(fSaved.Visible);
  if (auto* form = dynamic_cast<TCustomForm*>(control)) form->SetBorderStyle(fSaved.BorderStyle);
}
