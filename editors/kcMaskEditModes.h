#pragma once
// The keystroke logic of masked editing: a mode per mask kind (classic edit mask, regular
// expression, regular expression with forced characters filled in) turns each key into
// changes of the edit's text and caret. A mode works on an IkcMaskEditHost (the mask edit
// control, or nothing when it only formats values for display).

#include <memory>

#include "editors/kcEditChars.h"
#include "editors/kcEditErrors.h"
#include "editors/kcRegExpr.h"
#include "editors/kcStandardMask.h"
#include "platform/core/Variants.h"
#include "platform/core/WinTypes.h"
#include "platform/forms/StdCtrls.h"

enum TkcEditMaskKind { emkStandard, emkRegExpr, emkRegExprEx };

// What the modes need of the edit. Positions count characters. Keys and characters the modes
// send go to the inner edit as they are (the edit lets them through unfiltered).
class IkcMaskEditHost {
public:
  virtual ~IkcMaskEditHost() = default;
  virtual String GetEditText() = 0;
  virtual void SetEditText(const String& AText) = 0;
  virtual int GetSelStart() = 0;
  virtual int GetSelLength() = 0;
  virtual void SetSelection(int AStart, int ALength) = 0;
  // The caret end of the selection (where Shift+arrows move it).
  virtual int GetCaretPos() = 0;
  virtual void SendKey(WORD AKey) = 0;
  virtual void SendChar(char32_t ACh) = 0;
  virtual void Beep() = 0;
  // The edit's own check of a character for a 1-based position; may change or clear it.
  virtual bool IsCharValidForPos(char32_t& ACh, int APos) = 0;
  virtual bool HasWindow() = 0;
  virtual bool IsFocused() = 0;
  // The unfocused display text of the edit value.
  virtual String EditValueDisplayText() = 0;
  virtual void SetEditValue(const Variant& AValue) = 0;
};

// The properties' values a mode reads.
struct TkcMaskModeSettings {
  TEditCharCase CharCase = TEditCharCase::ecNormal;
  bool CaseInsensitive = true;
  bool IgnoreMaskBlank = false;
  bool BeepOnError = false;
};

class TkcMaskEditCustomMode {
public:
  TkcMaskEditCustomMode(IkcMaskEditHost* AEdit, const TkcMaskModeSettings& ASettings)
      : fEdit(AEdit), fSettings(ASettings) {}
  virtual ~TkcMaskEditCustomMode() = default;
  TkcMaskEditCustomMode(const TkcMaskEditCustomMode&) = delete;
  TkcMaskEditCustomMode& operator=(const TkcMaskEditCustomMode&) = delete;

  virtual TkcEditMaskKind GetMaskKind() = 0;
  virtual void PasteFinished() {}
  virtual void CompileMask(const String& AMask) = 0;
  virtual String GetEmptyValueText() = 0;
  virtual String FormatText(const String& AText, bool ALiteralsInText) = 0;
  virtual void PrepareSelectAll() {}
  virtual bool IsCursorAtBegin();
  virtual bool IsCursorAtEnd();
  virtual bool IsTextValid(const String& AText) = 0;
  virtual void HandleMouseAction() {}
  virtual void PastePreparing() {}
  // Key handlers: true lets the inner edit do its default for the key.
  virtual bool PressBackspace() = 0;
  virtual bool PressDelete() = 0;
  virtual bool PressEnd(bool AShift) = 0;
  virtual bool PressHome(bool AShift) = 0;
  virtual bool PressLeft(bool AShift) = 0;
  virtual bool PressRight(bool AShift) = 0;
  virtual bool PressSymbol(char32_t& ACh) = 0;
  virtual void TextAssigned(const String&) {}
  virtual void RefreshFromEditValue();
  virtual void ApplyEmptyValue();
  virtual String GetValueText(const String& AText, bool ALiteralsInText) = 0;

  const String& EditMask() const { return fEditMask; }
  IkcMaskEditHost* Edit() const { return fEdit; }
  void SetEdit(IkcMaskEditHost* AEdit) { fEdit = AEdit; }
  const TkcMaskModeSettings& Settings() const { return fSettings; }
  void SetSettings(const TkcMaskModeSettings& ASettings) { fSettings = ASettings; }
  // Length of a text being pasted (0 otherwise); the edit sets it around a paste.
  int ClipboardTextLength = 0;
  bool NeedUpdateEditValue() const { return fNeedUpdateEditValue; }

protected:
  void DoBeep();
  IkcMaskEditHost* fEdit;
  TkcMaskModeSettings fSettings;
  String fEditMask;
  bool fNeedUpdateEditValue = false;
};

class TkcMaskEditStandardMode : public TkcMaskEditCustomMode {
public:
  using TkcMaskEditCustomMode::TkcMaskEditCustomMode;
  TkcEditMaskKind GetMaskKind() override { return emkStandard; }
  void CompileMask(const String& AMask) override;
  String GetEmptyValueText() override { return fMask.GetEmptyValue(); }
  String FormatText(const String& AText, bool ALiteralsInText) override;
  bool IsTextValid(const String& AText) override;
  void HandleMouseAction() override { SelectCharAtCaret(); }
  void PastePreparing() override;
  void PasteFinished() override;
  bool PressBackspace() override;
  bool PressDelete() override;
  bool PressEnd(bool AShift) override;
  bool PressHome(bool AShift) override;
  bool PressLeft(bool AShift) override;
  bool PressRight(bool AShift) override;
  bool PressSymbol(char32_t& ACh) override;
  void TextAssigned(const String&) override { SelectCharAtCaret(); }
  void RefreshFromEditValue() override;
  String GetValueText(const String& AText, bool ALiteralsInText) override;
  virtual char32_t GetBlankChar() { return fMask.Blank(); }
  const TkcStandardMask& Mask() const { return fMask; }

private:
  bool IsLiteral(int APos) const;
  void SelectCharAtCaret();
  void SetCaret(int APos);
  // Blanks every fillable position in [AStart, AEnd) of AText.
  void ClearPositions(kcChars& AText, int AStart, int AEnd);
  TkcStandardMask fMask;
  int fPasteStart = 0;
};

class TkcMaskEditRegExprMode : public TkcMaskEditCustomMode {
public:
  TkcMaskEditRegExprMode(IkcMaskEditHost* AEdit, const TkcMaskModeSettings& ASettings);
  TkcEditMaskKind GetMaskKind() override { return emkRegExpr; }
  void CompileMask(const String& AMask) override;
  String GetEmptyValueText() override { return String(); }
  String FormatText(const String& AText, bool ALiteralsInText) override;
  void PrepareSelectAll() override;
  bool IsTextValid(const String& AText) override;
  void HandleMouseAction() override { fMouseAction = true; }
  void PastePreparing() override;
  bool PressBackspace() override;
  bool PressDelete() override;
  bool PressEnd(bool AShift) override;
  bool PressHome(bool AShift) override;
  bool PressLeft(bool AShift) override;
  bool PressRight(bool AShift) override;
  bool PressSymbol(char32_t& ACh) override;
  void TextAssigned(const String& AText) override;
  void RefreshFromEditValue() override;
  String GetValueText(const String& AText, bool) override { return AText; }

  const kcChars& Head() const { return fHead; }
  const kcChars& Tail() const { return fTail; }
  // The caret was moved from outside the mode: the next key splits the text again.
  bool MouseAction() const { return fMouseAction; }

protected:
  virtual void Synchronize();
  // Head = the text before the caret, fed to the reset automaton; Tail = the rest.
  void SplitAtCaret(const kcChars& AText);
  void CutSelection();
  void UndoCutSelection();
  // Cuts the selection for good (the edit removes it from the text).
  void RemoveSelection();
  virtual bool TailFits();
  void DropTail();
  // After a removal: true when the tail still fits (the edit removes as usual), else the mode
  // removes itself and drops the tail.
  bool KeepOrDropTail(bool ABackspace);
  // Compiles a fresh expression from the mask's source.
  std::unique_ptr<TkcRegExpr> CreateExpression();
  TkcRegExpr fExpr;
  kcChars fHead, fTail, fSelect;
  bool fBeginCursor = false;
  bool fCut = false;
  bool fMouseAction = false;
  int fPasteStart = 0;
};

class TkcMaskEditRegExprExMode : public TkcMaskEditRegExprMode {
public:
  TkcMaskEditRegExprExMode(IkcMaskEditHost* AEdit, const TkcMaskModeSettings& ASettings);
  TkcEditMaskKind GetMaskKind() override { return emkRegExprEx; }
  void CompileMask(const String& AMask) override;
  String GetEmptyValueText() override;
  String FormatText(const String& AText, bool ALiteralsInText) override;
  bool IsTextValid(const String& AText) override;
  bool PressBackspace() override;
  bool PressHome(bool AShift) override;
  bool PressSymbol(char32_t& ACh) override;
  void TextAssigned(const String& AText) override;
  void ApplyEmptyValue() override;

protected:
  bool TailFits() override;
  void Synchronize() override;

private:
  // Moves the caret over the forced characters that follow it.
  void SkipForced();
  kcChars fUpdate;
  int fDeleteNumber = 0;
};

std::unique_ptr<TkcMaskEditCustomMode> CreateMaskEditMode(TkcEditMaskKind AKind, IkcMaskEditHost* AEdit,
                                                          const TkcMaskModeSettings& ASettings);
