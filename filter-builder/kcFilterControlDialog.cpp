#include "filter-builder/kcFilterControlDialog.h"

#include "controls/kcLocalize.h"

namespace {
int gLeft = -1, gTop = -1, gWidth = -1, gHeight = -1;
}  // namespace

void TfmFilterControlDialog::ForgetBounds() { gLeft = gTop = gWidth = gHeight = -1; }

TfmFilterControlDialog::TfmFilterControlDialog(TComponent* AOwner) : TForm(AOwner) {
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetBounds(0, 0, 526, 363);
  Constraints()->MinWidth = 520;
  Constraints()->MinHeight = 165;
  SetKeyPreview(true);
  pnlBottom = new TPanel(this);
  pnlBottom->SetParent(this);
  pnlBottom->SetHeight(38);
  pnlBottom->SetAlign(alBottom);
  pnlBottom->SetBevelOuter(bvNone);
  pnlBottomRight = new TPanel(this);
  pnlBottomRight->SetParent(pnlBottom);
  pnlBottomRight->SetWidth(248);
  pnlBottomRight->SetAlign(alRight);
  pnlBottomRight->SetBevelOuter(bvNone);
  auto button = [this](TWinControl* AParent, int x, int w) {
    auto* b = new TkcButton(this);
    b->SetParent(AParent);
    b->SetBounds(x, 8, w, 23);
    return b;
  };
  btOpen = button(pnlBottom, 6, 74);
  btSave = button(pnlBottom, 85, 76);
  btOk = button(pnlBottomRight, 7, 74);
  btCancel = button(pnlBottomRight, 88, 75);
  btApply = button(pnlBottomRight, 167, 75);
  btOpen->SetHint("Open|Opens an existing filter");
  btSave->SetHint("Save As|Saves the active filter with a new name");
  btOk->SetModalResult(mrOk);
  btCancel->SetModalResult(mrCancel);
  btCancel->SetCancel(true);
  btOpen->OnClick = [this](TObject* Sender) { acOpenExecute(Sender); };
  btSave->OnClick = [this](TObject* Sender) { acSaveExecute(Sender); };
  btOk->OnClick = [this](TObject* Sender) { acOkExecute(Sender); };
  btApply->OnClick = [this](TObject* Sender) { acApplyExecute(Sender); };
  OpenDialog = new TOpenDialog(this);
  SaveDialog = new TSaveDialog(this);
  SaveDialog->Options = TOpenOptions{ofOverwritePrompt, ofHideReadOnly, ofEnableSizing};
  OnClose = [this](TObject*, TCloseAction&) {
    gLeft = Left();
    gTop = Top();
    gWidth = Width();
    gHeight = Height();
  };
}

void TfmFilterControlDialog::InitializeDialog(TkcCustomFilterControl* AControl, const String& AInitialDir) {
  fFilterControl = AControl;
  SetFileName(LocalizeText("untitled.flt"));
  OpenDialog->InitialDir = AInitialDir;
  OpenDialog->Title = LocalizeText("Open an existing filter");
  OpenDialog->DefaultExt = "flt";
  OpenDialog->Filter = LocalizeText("Filters (*.flt)|*.flt");
  SaveDialog->InitialDir = AInitialDir;
  SaveDialog->Title = LocalizeText("Save the active filter to file");
  SaveDialog->DefaultExt = OpenDialog->DefaultExt;
  SaveDialog->Filter = OpenDialog->Filter;
  btSave->SetCaption(LocalizeText("&Save As..."));
  btOpen->SetCaption(LocalizeText("&Open..."));
  btApply->SetCaption(LocalizeText("&Apply"));
  btOk->SetCaption(LocalizeText("OK"));
  btCancel->SetCaption(LocalizeText("Cancel"));
  AControl->SetAlign(alClient);
  AControl->SetParent(this);
  if (gLeft == -1 || gTop == -1) {
    SetPosition(poScreenCenter);
  } else {
    SetPosition(poDesigned);
    SetLeft(gLeft);
    SetTop(gTop);
  }
  if (gWidth > 0 && gHeight > 0) {
    SetWidth(gWidth);
    SetHeight(gHeight);
  }
}

void TfmFilterControlDialog::DoShow() {
  TForm::DoShow();
  if (fFilterControl && fFilterControl->CanFocus()) SetActiveControl(fFilterControl);
}

void TfmFilterControlDialog::SetFileName(const String& AName) {
  SaveDialog->FileName = AName;
  SetCaption(LocalizeText("Filter builder") + " - [" + AName + "]");
}

void TfmFilterControlDialog::acOpenExecute(TObject*) {
  OpenDialog->FileName.clear();
  if (!OpenDialog->Execute()) return;
  fFilterControl->LoadFromFile(OpenDialog->FileName);
  SetFileName(OpenDialog->FileName);
}

void TfmFilterControlDialog::acSaveExecute(TObject*) {
  if (!SaveDialog->Execute()) return;
  fFilterControl->SaveToFile(SaveDialog->FileName);
  SetFileName(SaveDialog->FileName);
}

void TfmFilterControlDialog::acApplyExecute(TObject*) { fFilterControl->ApplyFilter(); }

void TfmFilterControlDialog::acOkExecute(TObject*) {
  try {
    fFilterControl->ApplyFilter();
  } catch (...) {
    // The dialog stays open with what could not be applied.
    SetModalResult(mrNone);
    throw;
  }
}

bool ExecuteFilterControlDialog(TComponent* ALinkComponent, TkcLookAndFeel* ALookAndFeel, TColor AColor, TFont* AFont,
                                const String& AInitialDir, TNotifyEvent AOnShow, TNotifyEvent AOnApplyFilter) {
  auto form = std::make_unique<TfmFilterControlDialog>(Application);
  auto control = std::make_unique<TkcFilterControl>(nullptr);
  if (ALookAndFeel) {
    control->LookAndFeel()->SetMasterLookAndFeel(ALookAndFeel);
    for (TkcButton* button : {form->btOpen, form->btSave, form->btOk, form->btCancel, form->btApply})
      button->LookAndFeel()->SetMasterLookAndFeel(ALookAndFeel);
  }
  if (AFont) form->Font()->Assign(AFont);
  IkcFilterControlLinkSetter* setter = nullptr;
  if (Supports(static_cast<TObject*>(control.get()), IkcFilterControlLinkSetter::IID,
               reinterpret_cast<void**>(&setter)))
    setter->SetLinkComponent(ALinkComponent);
  if (AColor != clDefault) control->SetColor(AColor);
  control->OnApplyFilter = AOnApplyFilter;
  form->InitializeDialog(control.get(), AInitialDir);
  form->OnShow = AOnShow;
  bool ok = form->ShowModal() == mrOk;
  control->SetParent(nullptr);
  return ok;
}
