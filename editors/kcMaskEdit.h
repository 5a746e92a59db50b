#pragma once
// Properties of masked text editors: the mask (its kind, the data source's mask when none is
// set), how it behaves, and the display text of values under it for cells without an edit.
// Without a mask (empty or blanks) everything behaves as the plain text kind.

#include "editors/kcMaskEditModes.h"
#include "editors/kcTextEdit.h"

class TkcCustomMaskEditProperties : public TkcCustomTextEditProperties {
  VT_CLASS(TkcCustomMaskEditProperties, TkcCustomTextEditProperties)
public:
  explicit TkcCustomMaskEditProperties(TPersistent* AOwner);
  ~TkcCustomMaskEditProperties() override;
  void Assign(TPersistent* Source) override;

  bool AlwaysShowBlanksAndLiterals() const { return fAlwaysShowBlanksAndLiterals; }
  void SetAlwaysShowBlanksAndLiterals(bool Value) { SetAndNotify(fAlwaysShowBlanksAndLiterals, Value); }
  bool CaseInsensitive() const { return fCaseInsensitive; }
  // Stays true while the character case is not normal.
  void SetCaseInsensitive(bool Value);
  // The own mask, or for the classic kind without one the data source's.
  String EditMask();
  // Compiles the mask first: an invalid one raises and nothing changes.
  void SetEditMask(const String& Value);
  bool IgnoreMaskBlank() const { return fIgnoreMaskBlank; }
  void SetIgnoreMaskBlank(bool Value) { SetAndNotify(fIgnoreMaskBlank, Value); }
  TkcEditMaskKind MaskKind() const { return fMaskKind; }
  void SetMaskKind(TkcEditMaskKind Value) { SetAndNotify(fMaskKind, Value); }
  bool IsMasked();
  // The value of an empty input under the current mask (kept by the edit).
  String EmptyString;
  String GetEmptyMaskText() const { return EmptyString; }

  // A mode for the mask (none for a blank mask), compiled and bound to AEdit (may be null).
  TClass GetContainerClass() override;
  std::unique_ptr<TkcMaskEditCustomMode> CreateMaskMode(IkcMaskEditHost* AEdit = nullptr);
  virtual std::unique_ptr<TkcMaskEditCustomMode> NewMaskMode(TkcEditMaskKind AKind, IkcMaskEditHost* AEdit);
  TkcMaskModeSettings GetMaskModeSettings();

  void Changed() override;
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  bool UseLookupData() override { return !IsMasked(); }
  int GetProviderFormatSupport() override { return IsMasked() ? 0 : kcProviderFormatDisplay; }
  void MaxLengthChanged() override;
  void SetCharCase(TEditCharCase Value) override;
  void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, IkcEditHost* AEdit) override;

private:
  // The formatting mode for cells, kept while kind and mask stay.
  TkcMaskEditCustomMode* TempMode();
  bool fAlwaysShowBlanksAndLiterals = false;
  bool fCaseInsensitive = true;
  String fEditMask;
  bool fIgnoreMaskBlank = false;
  TkcEditMaskKind fMaskKind = emkStandard;
  bool fMaxLengthLock = false;
  std::unique_ptr<TkcMaskEditCustomMode> fTempMode;
};

class TkcMaskEditProperties : public TkcCustomMaskEditProperties {
  VT_CLASS(TkcMaskEditProperties, TkcCustomMaskEditProperties)
public:
  explicit TkcMaskEditProperties(TPersistent* AOwner) : TkcCustomMaskEditProperties(AOwner) {}
};
