#pragma once
// Properties of the editor kinds that show their value as one line of text: display text with
// character case and password echo, number formats while shown and while edited, value bounds,
// lookup items. Grid text columns format their cells through these with no edit control.

#include <bitset>

#include "editors/kcEdit.h"
#include "editors/kcFormats.h"
#include "platform/forms/StdCtrls.h"

enum TkcEditEchoMode { eemNormal, eemPassword };
enum TkcTextEditingStyle { esEdit, esEditList, esFixedList, esNoEdit };
enum TkcTextEditViewStyle { vsNormal, vsHideCursor, vsButtonsOnly, vsButtonsAutoWidth };

using TkcNewLookupDisplayTextEvent = TEvent<void(TObject* Sender, const String& AText)>;

// Operation support bits of the text kinds (besides the buttons bit of every kind).
constexpr int kcTextEditOperationSupport = (1 << 1) | (1 << 2) | (1 << 3) | (1 << 4) | (1 << 6) | (1 << 8);

class TkcTextEditPropertiesValues : public TkcCustomEditPropertiesValues {
  VT_CLASS(TkcTextEditPropertiesValues, TkcCustomEditPropertiesValues)
public:
  explicit TkcTextEditPropertiesValues(TPersistent* AOwner) : TkcCustomEditPropertiesValues(AOwner) {}
  void Assign(TPersistent* Source) override;
  void RestoreDefaults() override;
  bool DisplayFormat() const { return fDisplayFormat; }
  void SetDisplayFormat(bool Value) { SetFlag(fDisplayFormat, Value); }
  bool EditFormat() const { return fEditFormat; }
  void SetEditFormat(bool Value) { SetFlag(fEditFormat, Value); }
  bool MaxLength() const { return fMaxLength; }
  void SetMaxLength(bool Value);
  bool MaxValue() const { return fMaxValue; }
  void SetMaxValue(bool Value) { SetFlag(fMaxValue, Value); }
  bool MinValue() const { return fMinValue; }
  void SetMinValue(bool Value) { SetFlag(fMinValue, Value); }

private:
  bool fDisplayFormat = false, fEditFormat = false, fMaxLength = false, fMaxValue = false, fMinValue = false;
};

class TkcCustomTextEditProperties : public TkcCustomEditProperties, public IkcFormatChangedListener {
  VT_CLASS(TkcCustomTextEditProperties, TkcCustomEditProperties)
public:
  explicit TkcCustomTextEditProperties(TPersistent* AOwner);
  ~TkcCustomTextEditProperties() override;
  void Assign(TPersistent* Source) override;

  // Overrides of the properties base.
  void AlignmentChangedHandler(TObject* Sender) override;
  void SetAlignment(TkcEditAlignment* Value) override;
  bool CanValidate() override { return true; }
  TkcCustomEditPropertiesValuesClass GetAssignedValuesClass() override;
  int GetProviderFormatSupport() override { return kcProviderFormatDisplay; }
  String GetValidateErrorText(int AErrorKind) override;
  bool HasSeparateChangeEvents() override { return true; }
  bool IsEditValueComparable() override { return true; }
  bool CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) override;
  WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  int GetOperationSupport() override;
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  bool CanResetEditValue() override { return GetEditingStyle() != esNoEdit; }
  void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, IkcEditHost* AEdit) override;
  bool IsProviderFormatUsed(bool) override { return true; }
  TClass GetContainerClass() override;
  TkcCustomEditViewData* CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                        bool APreviewMode = false) override;

  // Operations the text kinds override.
  void FormatChanged() override;
  virtual void CheckValueBounds(Variant& ADisplayValue, String& AErrorText, bool& AError, IkcEditHost* AEdit);
  virtual void GetDefaultDisplayValue(Variant& AValue) { AValue = String(); }
  virtual bool IsLookupItem(const String& AText);
  virtual String GetDefaultDisplayFormat() { return String(); }
  virtual int GetDefaultMaxLength();
  virtual int GetDropDownRowCount() { return 8; }
  virtual TkcTextEditingStyle GetEditingStyle() { return fHideCursor ? esNoEdit : esEdit; }
  virtual bool IsThousandSeparatorShown(bool) { return false; }
  virtual void GetEditFormatInfo(bool& AIsCurrency, bool& AHasCustomText, String& AFormat, IkcEditHost* AEdit);
  virtual bool IsEditValueNumeric() { return false; }
  virtual bool PopupShowsLookupList() { return false; }
  virtual bool IsMultiLine() { return false; }
  virtual bool IsPopupNavigationKey(WORD, TShiftState) { return false; }
  virtual bool IsValueBoundDefined(int ABound);
  virtual bool IsValueBoundsDefined();
  virtual void NotifyChanged() { Changed(); }
  virtual void MaxLengthChanged() { Changed(); }
  virtual void SetCharCase(TEditCharCase Value) { SetAndNotify(fCharCase, Value); }
  // The class of the lookup data a text editor of this kind owns (null: none).
  virtual TClass GetLookupDataClass();
  virtual bool UseLookupData() { return GetLookupDataClass() != nullptr; }
  virtual void PrepareDisplayText(String& AText);
  virtual bool IsDisplayTextValid(Variant& ADisplayValue, bool AEditFocused);

  // The text an edit gets when AText replaces its selection (typing, pasting, cutting), with the
  // caret after it; false when the kind refuses the change. While the inner edit is editing,
  // MaxLength cuts the result (a paste that adds nothing is refused).
  bool ChangeSelText(const String& AEditText, int ASelStart, int ASelLength, const String& AText, bool AInnerEditing,
                     bool AEditFocused, String& ANewText, int& ANewSelStart);

  // Edit value to display value as shown for the focus state (the text view data uses it).
  void ConvertEditValueForDisplay(const Variant& AEditValue, bool AEditFocused, Variant& ADisplayValue);

  TkcTextEditPropertiesValues* AssignedValues() {
    return static_cast<TkcTextEditPropertiesValues*>(TkcCustomEditProperties::AssignedValues());
  }
  TEditCharCase CharCase() const { return fCharCase; }
  String DisplayFormat();
  void SetDisplayFormat(const String& Value);
  TkcEditEchoMode EchoMode = eemNormal;
  String EditFormat();
  void SetEditFormat(const String& Value);
  bool FixedListSelection() const { return fFixedListSelection; }
  void SetFixedListSelection(bool Value);
  bool FormatChanging() const { return fFormatChanging; }
  bool HideCursor() const { return fHideCursor; }
  void SetHideCursor(bool Value) { fHideCursor = Value; }
  bool HideSelection = true;
  bool ImmediateUpdateText = false;
  bool IncrementalSearch = true;
  TStringList* LookupItems() const { return fLookupItems.get(); }
  void SetLookupItems(TStrings* Value) { fLookupItems->Assign(Value); }
  bool LookupItemsSorted() const { return fLookupItems->Sorted(); }
  void SetLookupItemsSorted(bool Value) { fLookupItems->SetSorted(Value); }
  int MaxLength();
  void SetMaxLength(int Value);
  double MaxValue();
  void SetMaxValue(double Value);
  double MinValue();
  void SetMinValue(double Value);
  bool MRUMode = false;
  bool OEMConvert = false;
  char PasswordChar = '\0';
  bool UseDisplayFormatWhenEditing = false;
  std::bitset<256> ValidChars;
  TkcTextEditViewStyle ViewStyle();
  void SetViewStyle(TkcTextEditViewStyle Value);
  TkcNewLookupDisplayTextEvent OnNewLookupDisplayText;

private:
  TEditCharCase fCharCase = TEditCharCase::ecNormal;
  String fDisplayFormat, fEditFormat;
  bool fFixedListSelection = true;
  bool fFormatChanging = false;
  bool fHideCursor = false;
  std::unique_ptr<TStringList> fLookupItems;
  int fMaxLength = 0;
  double fMaxValue = 0, fMinValue = 0;
};

class TkcTextEditProperties : public TkcCustomTextEditProperties {
  VT_CLASS(TkcTextEditProperties, TkcCustomTextEditProperties)
public:
  explicit TkcTextEditProperties(TPersistent* AOwner) : TkcCustomTextEditProperties(AOwner) {}
};

// Text helpers shared by the text kinds.
void ApplyCharCase(String& AText, TEditCharCase ACharCase);
// Cuts the exponent ("E" and what follows) off a number text and answers it.
void SplitExponent(String& AText, String& AExponent);
void RemoveThousandSeparators(String& AText);
// Groups the integer digits of a number text with the locale's thousand separator.
void NormalizeNumberText(String& AText);
bool IsNumericText(String AText);
