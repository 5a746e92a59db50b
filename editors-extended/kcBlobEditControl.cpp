#include "editors-extended/kcBlobEditControl.h"

#include "controls/kcLocalize.h"
#include "editors/kcEditRepository.h"
#include "platform/core/Math.h"
#include "platform/core/Utf8.h"

TClass TkcCustomBlobEditProperties::GetContainerClass() { return TkcBlobEdit::StaticClass(); }

TkcCustomEditPopupWindowClass TkcCustomBlobEditProperties::GetPopupWindowClass() {
  return TkcBlobEditPopupWindow::StaticClass();
}

void TkcBlobEditPopupWindow::SendCharToFocus(WPARAM ACharCode) {
  auto* blob = dynamic_cast<TkcCustomBlobEdit*>(Edit());
  TkcPopupMemo* memo = blob ? blob->PopupMemo() : nullptr;
  if (!memo || memo->Properties()->ReadOnly() || !blob->ActiveProperties()->MemoAutoReplace)
    return TkcPopupEditPopupWindow::SendCharToFocus(ACharCode);
  blob->ReplacePopupMemoText(Utf8Encode(static_cast<char32_t>(ACharCode)));
}

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

void TkcPopupImage::KeyDown(WORD& Key, TShiftState Shift) {
  if (BlobEdit) {
    const TModalResult result = TranslateBlobPopupKey(Key, Shift, BlobEdit->ActiveProperties()->AlwaysSaveData, true);
    if (result != mrNone) {
      Key = 0;
      BlobEdit->ClosePopupWithResult(result);
      return;
    }
  }
  TkcImage::KeyDown(Key, Shift);
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
  // The memo, the image and the buttons work while the rest of the program runs on.
  if (PopupWindow()) PopupWindow()->ModalLoop = false;
}

void TkcCustomBlobEdit::UpdateDrawValue() {
  // The icon or text of the value now.
  auto* info = dynamic_cast<TkcBlobEditViewInfo*>(EditViewInfo());
  if (!info) return;
  std::unique_ptr<TkcCustomEditViewData> data(GetEffectiveProperties()->CreateViewData(EditStyle(), IsInplace()));
  data->Edit = this;
  TkcScreenCanvas canvas;
  static_cast<TkcBlobEditViewData*>(data.get())->FillViewInfoValue(&canvas, EditValue(), info);
  if (HandleAllocated()) Invalidate();
}

bool TkcCustomBlobEdit::CanDropDown() {
  // Only memos and pictures have an editor for the popup; other kinds open nothing.
  ActiveProperties()->ResolveAutoEditKind();
  const TkcBlobEditKind kind = ActiveProperties()->BlobEditKind();
  return kind == bekMemo || kind == bekPict;
}

void TkcCustomBlobEdit::DropDown() {
  if (CanDropDown()) CreatePopupControls();
  TkcCustomPopupEdit::DropDown();
}

TWinControl* TkcCustomBlobEdit::GetPopupFocusedControl() {
  if (fMemo) return fMemo;
  if (fImage) return fImage;
  return TkcCustomPopupEdit::GetPopupFocusedControl();
}

void TkcCustomBlobEdit::GetPopupClientSize(SIZE& ASize) {
  TkcCustomPopupEdit::GetPopupClientSize(ASize);
  if (!fImage || !ActiveProperties()->PictureAutoSize) return;
  TPicture* picture = fImage->Picture();
  ASize.cx = std::max(picture->Width() + 4, ActiveProperties()->PopupMinWidth());
  ASize.cy = std::max(picture->Height() + 4 + fButtonBar->Height(), ActiveProperties()->PopupMinHeight());
}

TGraphicClass TkcCustomBlobEdit::GetGraphicClass(bool APastingFromClipboard) {
  TkcCustomBlobEditProperties* p = ActiveProperties();
  if (IsInplace()) return p->GetGraphicClass(this, -1, APastingFromClipboard);
  TGraphicClass result = p->PictureGraphicClass();
  if (!result && APastingFromClipboard) result = TGraphicClass::Of<TBitmap>();
  if (OnGetGraphicClass) OnGetGraphicClass(this, APastingFromClipboard, result);
  return result;
}

void TkcCustomBlobEdit::ReplacePopupMemoText(const String& AText) {
  if (!fMemo) return;
  fMemo->SetText(AText);
  fMemo->SetSelStart(static_cast<int>(Utf8Length(AText)));
  fMemo->SetSelLength(0);
  fMemo->SetModifiedAfterEnter(true);
  PopupControlChanged();
}

void TkcCustomBlobEdit::PopupControlChanged() {
  fPopupModified = true;
  if (fOkButton) {
    fOkButton->SetEnabled(true);
    fOkButton->SetDefault(true);
  }
}

void TkcCustomBlobEdit::CreatePopupControls() {
  TkcCustomBlobEditProperties* props = ActiveProperties();
  const bool memoKind = props->BlobEditKind() == bekMemo;
  // A change of kind between openings replaces the control.
  if ((memoKind && fImage) || (!memoKind && fMemo)) DestroyPopupControls();
  if (!fHost) {
    fHost = new TPanel(nullptr);
    fHost->SetBevelOuter(bvNone);
    fHost->SetVisible(false);
    fHost->SetBounds(0, 0, props->PopupWidth(), props->PopupHeight());
    fButtonBar = new TPanel(nullptr);
    fButtonBar->SetBevelOuter(bvNone);
    fButtonBar->SetParent(fHost);
    fButtonBar->SetAlign(alBottom);
  }
  const bool readOnly = !CanModify();
  if (memoKind) {
    if (!fMemo) {
      fMemo = new TkcPopupMemo(nullptr);
      fMemo->BlobEdit = this;
      fMemo->SetParent(fHost);
      fMemo->SetAlign(alClient);
      fMemo->Properties()->OnChange = [this](TObject*) { PopupControlChanged(); };
      fMemo->OnEditing = [this](TObject*, bool& CanEdit) { CanEdit = CanModify(); };
    }
    TkcCustomMemoProperties* memo = fMemo->Properties();
    memo->SetReadOnly(readOnly);
    memo->SetCharCase(props->MemoCharCase);
    memo->SetMaxLength(props->MemoMaxLength);
    memo->SetScrollBars(props->MemoScrollBars);
    memo->SetWantReturns(props->MemoWantReturns);
    memo->SetWantTabs(props->MemoWantTabs);
    memo->SetWordWrap(props->MemoWordWrap);
    // The memo looks as the editor does.
    fMemo->EditStyle()->SetFont(GetActiveStyle()->GetVisibleFont());
    fMemo->EditStyle()->SetColor(GetActiveStyle()->GetColor());
    fMemo->SetEditValue(EditValue());
  } else {
    if (!fImage) {
      fImage = new TkcPopupImage(nullptr);
      fImage->BlobEdit = this;
      fImage->SetParent(fHost);
      fImage->SetAlign(alClient);
      fImage->EditStyle()->SetEditBorderStyle(ebsNone);
      TkcImageProperties* image = fImage->Properties();
      image->OnChange = [this](TObject*) { PopupControlChanged(); };
      fImage->OnEditing = [this](TObject*, bool& CanEdit) { CanEdit = CanModify(); };
      // A picture loaded from a file while the popup was already gone still goes back.
      image->OnClosePopup = [this](TObject* Sender, TkcEditCloseUpReason AReason) {
        if (DroppedDown()) return;
        if (AReason == crEnter) PostPopupValue();
        if (TkcCustomEditProperties* p = GetEffectiveProperties(); p->OnClosePopup) p->OnClosePopup(Sender, AReason);
      };
      image->OnGetGraphicClass = [this](TObject*, int, bool APasting, TGraphicClass& AClass) {
        AClass = GetGraphicClass(APasting);
      };
      fImage->OnGetGraphicClass = [this](TObject*, bool APasting, TGraphicClass& AClass) {
        AClass = GetGraphicClass(APasting);
      };
    }
    TkcImageProperties* image = fImage->Properties();
    image->SetReadOnly(readOnly);
    image->SetShowFocusRect(false);
    image->SetStretch(true);
    image->SetCustomFilter(props->PictureFilter);
    image->SetGraphicTransparency(props->PictureTransparency);
    image->SetGraphicClass(props->PictureGraphicClass());
    TkcPopupMenuItems items = {pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave};
    if (!props->ShowPicturePopup) {
      items = {};
    } else if (!props->ShowExPopupItems) {
      items.Exclude(pmiLoad);
      items.Exclude(pmiSave);
    }
    image->PopupMenuLayout()->MenuItems = items;
    // Loaded without counting as a change of the user's.
    fImage->SetEditValue(EditValue());
  }
  fPopupModified = false;
  CreateButtons(readOnly);
  props->SetPopupControl(fHost);
}

void TkcCustomBlobEdit::CreateButtons(bool AReadOnly) {
  // The buttons, measured on the editor's font.
  const String firstCaption = LocalizeText(AReadOnly || !DataBinding()->IsDataSourceActive() ? "&Close" : "&Cancel");
  const String okCaption = LocalizeText("&OK");
  TkcCanvas* canvas = Canvas();
  canvas->SetFont(GetActiveStyle()->GetVisibleFont());
  fButtonWidth = std::max(canvas->TextWidth(okCaption + "00"), canvas->TextWidth(firstCaption + "00"));
  fButtonHeight = MulDiv(canvas->TextHeight("Wg"), 20, 13);
  fButtonBar->SetHeight(fButtonHeight + 2 * (fButtonHeight / 6));
  if (!fCancelButton) {
    fCancelButton = new TkcButton(nullptr);
    fCancelButton->SetParent(fButtonBar);
    fCancelButton->OnClick = [this](TObject*) { ClosePopupWithResult(mrCancel); };
  }
  fCancelButton->SetCaption(firstCaption);
  if (AReadOnly) {
    delete fOkButton;
    fOkButton = nullptr;
  } else {
    if (!fOkButton) {
      fOkButton = new TkcButton(nullptr);
      fOkButton->SetParent(fButtonBar);
      fOkButton->OnClick = [this](TObject*) { ClosePopupWithResult(mrOk); };
    }
    fOkButton->SetCaption(okCaption);
    fOkButton->SetEnabled(false);
    fOkButton->SetDefault(false);
  }
  PlaceButtons();
}

void TkcCustomBlobEdit::PlaceButtons() {
  if (!fCancelButton) return;
  const int w = fButtonWidth, h = fButtonHeight, gap = h / 3;
  fCancelButton->SetBounds(fHost->ClientWidth() - w - gap, h / 6, w, h);
  if (fOkButton) fOkButton->SetBounds(fCancelButton->Left() - gap - w, h / 6, w, h);
}

void TkcCustomBlobEdit::PositionPopupWindowChildren(const TRect& AClientRect) {
  TkcCustomPopupEdit::PositionPopupWindowChildren(AClientRect);
  if (ActiveProperties()->PopupControl() == fHost) PlaceButtons();
}

void TkcCustomBlobEdit::DestroyPopupControls() {
  if (!fHost) return;
  if (Properties()->PopupControl() == fHost) Properties()->SetPopupControl(nullptr);
  ActiveProperties()->SetPopupControl(nullptr);
  delete fHost;  // the buttons and the memo or image are its children
  fHost = nullptr;
  fButtonBar = nullptr;
  fMemo = nullptr;
  fImage = nullptr;
  fOkButton = fCancelButton = nullptr;
}

void TkcCustomBlobEdit::ClosePopupWithResult(TModalResult AResult) {
  ClosePopupWithReason(AResult == mrOk ? crEnter : AResult == mrCancel ? crCancel : crClose);
}

void TkcCustomBlobEdit::PropertiesChanged(TObject* Sender) {
  TkcCustomPopupEdit::PropertiesChanged(Sender);
  // An open picture popup reads pictures with the class now set.
  if (fImage && !IsDestroying() && DroppedDown())
    fImage->Properties()->SetGraphicClass(ActiveProperties()->PictureGraphicClass());
}

void TkcCustomBlobEdit::DoEditKeyPress(char32_t& Key) {
  // Without ImmediatePopup a typed character does nothing: there is no text to type into.
  if (Key >= 32 && !ActiveProperties()->ImmediatePopup && !HasPopupWindow()) {
    Key = 0;
    return;
  }
  TkcCustomPopupEdit::DoEditKeyPress(Key);
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
  if (!fMemo && !fImage) return;
  const TModalResult result = CloseUpReason() == crEnter ? mrOk : CloseUpReason() == crCancel ? mrCancel : mrNone;
  if (!ShouldPostBlobPopupValue(fPopupModified, result, ActiveProperties()->AlwaysSaveData)) return;
  if (!DoEditing()) return;
  fPopupModified = false;
  Variant value;
  if (fMemo) {
    value = Variant(fMemo->Text());
  } else {
    TGraphic* graphic = fImage->Picture()->Graphic();
    fLastGraphicClass = graphic && !graphic->Empty() ? TGraphicClass(graphic->ClassType()) : TGraphicClass();
    value = fImage->EditValue();
  }
  fUserChange = true;
  try {
    SetInternalEditValue(value);
  } catch (...) {
    fUserChange = false;
    throw;
  }
  fUserChange = false;
  SetModifiedAfterEnter(true);
  if (fImage) DoAssignPicture();
  if (ActiveProperties()->ImmediatePost && CanPostEditValue() && ValidateEdit(true)) PostEditValue(false);
}

void TkcCustomBlobEdit::DoAssignPicture() {
  LockEditValueChanging(true);
  try {
    if (Properties()->OnAssignPicture) Properties()->OnAssignPicture(this, fImage->Picture());
    if (RepositoryItem()) {
      auto* p = static_cast<TkcCustomBlobEditProperties*>(RepositoryItem()->Properties());
      if (p->OnAssignPicture) p->OnAssignPicture(this, fImage->Picture());
    }
  } catch (...) {
    LockEditValueChanging(false);
    throw;
  }
  LockEditValueChanging(false);
  // The handlers may have changed the picture; the editing check runs once more.
  PushModifiedState();
  SetModified(false);
  try {
    DoEditing();
  } catch (...) {
    PopModifiedState();
    throw;
  }
  PopModifiedState();
}
