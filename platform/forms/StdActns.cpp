#include "platform/forms/StdActns.h"

TCustomEdit* TEditAction::Edit(TObject* Target) const { return dynamic_cast<TCustomEdit*>(Target); }

bool TEditAction::HandlesTarget(TObject* Target) {
  TCustomEdit* e = Edit(Target);
  return e && e->Focused();
}
void TEditAction::UpdateTarget(TObject*) { SetEnabled(true); }

namespace {
DWORD SelLength(TCustomEdit* e) {
  DWORD a = 0, b = 0;
  e->Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
  return b - a;
}
}  // namespace

TEditCut::TEditCut(TComponent* AOwner) : TEditAction(AOwner) {
  SetCaption("Cu&t");
  SetShortCut(MenuShortCut('X', TShiftState{ssCtrl}));
}
void TEditCut::ExecuteTarget(TObject* t) { Edit(t)->Perform(WM_CUT); }
void TEditCut::UpdateTarget(TObject* t) { SetEnabled(SelLength(Edit(t)) > 0 && !Edit(t)->ReadOnly()); }

TEditCopy::TEditCopy(TComponent* AOwner) : TEditAction(AOwner) {
  SetCaption("&Copy");
  SetShortCut(MenuShortCut('C', TShiftState{ssCtrl}));
}
void TEditCopy::ExecuteTarget(TObject* t) { Edit(t)->Perform(WM_COPY); }
void TEditCopy::UpdateTarget(TObject* t) { SetEnabled(SelLength(Edit(t)) > 0); }

TEditPaste::TEditPaste(TComponent* AOwner) : TEditAction(AOwner) {
  SetCaption("&Paste");
  SetShortCut(MenuShortCut('V', TShiftState{ssCtrl}));
}
void TEditPaste::ExecuteTarget(TObject* t) { Edit(t)->Perform(WM_PASTE); }
void TEditPaste::UpdateTarget(TObject* t) { SetEnabled(Clipboard()->HasText() && !Edit(t)->ReadOnly()); }

TEditSelectAll::TEditSelectAll(TComponent* AOwner) : TEditAction(AOwner) {
  SetCaption("Select &All");
  SetShortCut(MenuShortCut('A', TShiftState{ssCtrl}));
}
void TEditSelectAll::ExecuteTarget(TObject* t) { Edit(t)->Perform(EM_SETSEL, 0, -1); }
void TEditSelectAll::UpdateTarget(TObject* t) { SetEnabled(!Edit(t)->Text().empty()); }

TEditUndo::TEditUndo(TComponent* AOwner) : TEditAction(AOwner) {
  SetCaption("&Undo");
  SetShortCut(MenuShortCut('Z', TShiftState{ssCtrl}));
}
void TEditUndo::ExecuteTarget(TObject* t) { Edit(t)->Perform(WM_UNDO); }
void TEditUndo::UpdateTarget(TObject* t) { SetEnabled(Edit(t)->Perform(EM_CANUNDO) != 0); }

TEditDelete::TEditDelete(TComponent* AOwner) : TEditAction(AOwner) {
  SetCaption("&Delete");
  SetShortCut(MenuShortCut(VK_DELETE, TShiftState{}));
}
void TEditDelete::ExecuteTarget(TObject* t) { Edit(t)->Perform(WM_CLEAR); }
void TEditDelete::UpdateTarget(TObject* t) { SetEnabled(SelLength(Edit(t)) > 0 && !Edit(t)->ReadOnly()); }

TFileExit::TFileExit(TComponent* AOwner) : TAction(AOwner) { SetCaption("E&xit"); }
void TFileExit::ExecuteTarget(TObject*) {
  if (Application->MainForm())
    Application->MainForm()->Close();
  else
    Application->Terminate();
}

TFilePrintSetup::TFilePrintSetup(TComponent* AOwner) : TAction(AOwner), fDialog(new TPrinterSetupDialog(nullptr)) {
  SetCaption("Print Set&up...");
}
TFilePrintSetup::~TFilePrintSetup() { fDialog->Free(); }
void TFilePrintSetup::ExecuteTarget(TObject*) {
  if (BeforeExecute) BeforeExecute(this);
  if (fDialog->Execute()) {
    if (OnAccept) OnAccept(this);
  } else if (OnCancel) {
    OnCancel(this);
  }
}
