#pragma once
// Standard actions: edit actions on the focused edit control (through its edit messages),
// exit, printer setup and the customize dialog of the action bars.

#include "platform/forms/ActnList.h"
#include "platform/forms/Dialogs.h"

// Acts on the focused control when it is an edit control of this layer.
class TEditAction : public TAction {
  VT_CLASS(TEditAction, TAction)
public:
  explicit TEditAction(TComponent* AOwner) : TAction(AOwner) {}
  bool HandlesTarget(TObject* Target) override;
  void UpdateTarget(TObject* Target) override;

protected:
  TCustomEdit* Edit(TObject* Target) const;
};

class TEditCut : public TEditAction {
  VT_CLASS(TEditCut, TEditAction)
public:
  explicit TEditCut(TComponent* AOwner);
  void ExecuteTarget(TObject* Target) override;
  void UpdateTarget(TObject* Target) override;
};

class TEditCopy : public TEditAction {
  VT_CLASS(TEditCopy, TEditAction)
public:
  explicit TEditCopy(TComponent* AOwner);
  void ExecuteTarget(TObject* Target) override;
  void UpdateTarget(TObject* Target) override;
};

class TEditPaste : public TEditAction {
  VT_CLASS(TEditPaste, TEditAction)
public:
  explicit TEditPaste(TComponent* AOwner);
  void ExecuteTarget(TObject* Target) override;
  void UpdateTarget(TObject* Target) override;
};

class TEditSelectAll : public TEditAction {
  VT_CLASS(TEditSelectAll, TEditAction)
public:
  explicit TEditSelectAll(TComponent* AOwner);
  void ExecuteTarget(TObject* Target) override;
  void UpdateTarget(TObject* Target) override;
};

class TEditUndo : public TEditAction {
  VT_CLASS(TEditUndo, TEditAction)
public:
  explicit TEditUndo(TComponent* AOwner);
  void ExecuteTarget(TObject* Target) override;
  void UpdateTarget(TObject* Target) override;
};

class TEditDelete : public TEditAction {
  VT_CLASS(TEditDelete, TEditAction)
public:
  explicit TEditDelete(TComponent* AOwner);
  void ExecuteTarget(TObject* Target) override;
  void UpdateTarget(TObject* Target) override;
};

// Closes the main form (which ends the application).
class TFileExit : public TAction {
  VT_CLASS(TFileExit, TAction)
public:
  explicit TFileExit(TComponent* AOwner);
  bool HandlesTarget(TObject*) override { return true; }
  void UpdateTarget(TObject*) override { SetEnabled(true); }
  void ExecuteTarget(TObject* Target) override;
};

class TFilePrintSetup : public TAction {
  VT_CLASS(TFilePrintSetup, TAction)
public:
  explicit TFilePrintSetup(TComponent* AOwner);
  ~TFilePrintSetup() override;
  TPrinterSetupDialog* Dialog() { return fDialog; }
  bool HandlesTarget(TObject*) override { return true; }
  void UpdateTarget(TObject*) override { SetEnabled(true); }
  void ExecuteTarget(TObject* Target) override;
  TNotifyEvent BeforeExecute, OnAccept, OnCancel;

private:
  TPrinterSetupDialog* fDialog;
};
