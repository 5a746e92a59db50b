#include "editors-extended/kcBlobEditControl.h"

#include "controls/kcLocalize.h"
#include "platform/core/Math.h"

TClass TkcCustomBlobEditProperties::GetContainerClass() { return TkcBlobEdit::StaticClass(); }

void TkcPopupMemo::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  if (BlobEdit) {
    TkcCustomBlobEditProperties* props = BlobEdit->ActiveProperties();
    const TModalResult result =
        TranslateBlobPopupKey(Key, Shift, props->AlwaysSaveData, !ActiveProperties()->WantReturns());
    if (result != mrNone) {
      Key = 0;
      BlobEdit->ClosePopupWithResult(result);
      return;
    }
  }
  TkcMemo::DoEditKeyDown(Key, Shift);
}

TkcCustomBlobEdit::~TkcCustomBlobEdit() { DestroyPopupControls(); }

void TkcCustomBlobEdit::Initialize() {
  TkcCustomPopupEdit::Initialize();
  TControlStyle style = ControlStyle();
  style.Exclude(csSetCaption);
  SetControlStyle(style);
  SetTabStop(true);
}

void TkcCustomBlobEdit::CreatePopupWindow() {
  TkcCustomPopupEdit::CreatePopupWindow();
  // The memo and the buttons work while the rest of the program runs on.
  if (PopupWindow()) PopupWindow()->ModalLoop = false;
}

bool TkcCustomBlobEdit::CanDropDown() {
  // Only a memo has an editor in the popup here; other kinds open nothing.
  ActiveProperties()->ResolveAutoEditKind();
  return ActiveProperties()->BlobEditKind() == bekMemo;
}

void TkcCustomBlobEdit::DropDown() {
  if (CanDropDown()) CreatePopupControls();
  TkcCustomPopupEdit::DropDown();
}

TWinControl* TkcCustomBlobEdit::GetPopupFocusedControl() {
  return fMemo ? fMemo : TkcCustomPopupEdit::GetPopupFocusedControl();
}

void TkcCustomBlobEdit::CreatePopupControls() {
  TkcCustomBlobEditProperties* props = ActiveProperties();
  if (!fHost) {
    fHost = new TPanel(nullptr);
    fHost->SetBevelOuter(bvNone);
    fHost->SetVisible(false);
    fHost->SetBounds(0, 0, props->PopupWidth(), props->PopupHeight());
    fButtonBar = new TPanel(nullptr);
    fButtonBar->SetBevelOuter(bvNone);
    fButtonBar->SetParent(fHost);
    fButtonBar->SetAlign(alBottom);
    fMemo = new TkcPopupMemo(nullptr);
    fMemo->BlobEdit = this;
    fMemo->SetParent(fHost);
    fMemo->SetAlign(alClient);
    fMemo->Properties()->OnChange = [this](TObject*) {
      fMemoModified = true;
      if (fOkButton) {
        fOkButton->SetEnabled(true);
        fOkButton->SetDefault(true);
      }
    };
    fMemo->OnEditing = [this](TObject*, bool& CanEdit) { CanEdit = CanModify(); };
  }
  const bool readOnly = !CanModify();
  TkcCustomMemoProperties* memo = fMemo->Properties();
  memo->SetReadOnly(readOnly);
  memo->SetCharCase(props->MemoCharCase);
  memo->SetMaxLength(props->MemoMaxLength);
  memo->SetScrollBars(props->MemoScrollBars);
  memo->SetWantReturns(props->MemoWantReturns);
  memo->SetWantTabs(props->MemoWantTabs);
  memo->SetWordWrap(props->MemoWordWrap);
  fMemo->SetEditValue(EditValue());
  fMemoModified = false;

  // The buttons, measured on the editor's font.
  const String firstCaption = LocalizeText(readOnly ? "&Close" : "&Cancel");
  const String okCaption = LocalizeText("&OK");
  TkcCanvas* canvas = Canvas();
  canvas->SetFont(GetActiveStyle()->GetVisibleFont());
  const int w = std::max(canvas->TextWidth(okCaption + "00"), canvas->TextWidth(firstCaption + "00"));
  const int h = MulDiv(canvas->TextHeight("Wg"), 20, 13);
  const int gap = h / 3;
  fButtonBar->SetHeight(h + 2 * (h / 6));
  if (!fCancelButton) {
    fCancelButton = new TkcButton(nullptr);
    fCancelButton->SetParent(fButtonBar);
    fCancelButton->OnClick = [this](TObject*) { ClosePopupWithResult(mrCancel); };
  }
  fCancelButton->SetCaption(firstCaption);
  fCancelButton->SetBounds(fHost->Width() - w - gap, h / 6, w, h);
  fCancelButton->SetAnchors({akTop, akRight});
  if (readOnly) {
    delete fOkButton;
    fOkButton = nullptr;
  } else {
    if (!fOkButton) {
      fOkButton = new TkcButton(nullptr);
      fOkButton->SetParent(fButtonBar);
      fOkButton->OnClick = [this](TObject*) { ClosePopupWithResult(mrOk); };
    }
    fOkButton->SetCaption(okCaption);
    fOkButton->SetBounds(fCancelButton->Left() - gap - w, h / 6, w, h);
    fOkButton->SetAnchors({akTop, akRight});
    fOkButton->SetEnabled(false);
    fOkButton->SetDefault(false);
  }
  props->SetPopupControl(fHost);
}

void TkcCustomBlobEdit::DestroyPopupControls() {
  if (!fHost) return;
  if (Properties()->PopupControl() == fHost) Properties()->SetPopupControl(nullptr);
  ActiveProperties()->SetPopupControl(nullptr);
  delete fHost;  // the buttons and the memo are its children
  fHost = nullptr;
  fButtonBar = nullptr;
  fMemo = nullptr;
  fOkButton = fCancelButton = nullptr;
}

void TkcCustomBlobEdit::ClosePopupWithResult(TModalResult AResult) {
  ClosePopupWithReason(AResult == mrOk ? crEnter : AResult == mrCancel ? crCancel : crClose);
}

void TkcCustomBlobEdit::PopupWindowClosed(TObject* Sender) {
  LockChangeEvents(true);
  try {
    PostPopupValue();
    TkcCustomPopupEdit::PopupWindowClosed(Sender);
  } catch (...) {
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
}

void TkcCustomBlobEdit::PostPopupValue() {
  if (!fMemo) return;
  const TModalResult result = CloseUpReason() == crEnter ? mrOk : CloseUpReason() == crCancel ? mrCancel : mrNone;
  if (!ShouldPostBlobPopupValue(fMemoModified, result, ActiveProperties()->AlwaysSaveData)) return;
  if (!DoEditing()) return;
  fMemoModified = false;
  fUserChange = true;
  try {
    SetInternalEditValue(Variant(fMemo->Text()));
  } catch (...) {
    fUserChange = false;
    throw;
  }
  fUserChange = false;
  SetModifiedAfterEnter(true);
  if (ActiveProperties()->ImmediatePost && CanPostEditValue() && ValidateEdit(true)) PostEditValue(false);
}
