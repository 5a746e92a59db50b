#pragma once
// The date edit's properties (kinds, input kinds with their masks, display texts, bounds,
// validation with DateOnError) and its value logic (the kept time of day of a date-only editor,
// the date a chosen calendar day stores), which the edit control and grid cells share.

#include "editors-extended/kcCalendar.h"
#include "editors/kcPopupEdit.h"

enum TDateOnError { deNoChange, deToday, deNull };
enum TkcInputKind { ikStandard, ikMask, ikRegExpr };

class TkcDateEditPropertiesValues : public TkcTextEditPropertiesValues {
  VT_CLASS(TkcDateEditPropertiesValues, TkcTextEditPropertiesValues)
public:
  explicit TkcDateEditPropertiesValues(TPersistent* AOwner) : TkcTextEditPropertiesValues(AOwner) {}
  void Assign(TPersistent* Source) override;
  void RestoreDefaults() override;
  bool DateButtons() const { return fDateButtons; }
  void SetDateButtons(bool Value) { SetFlag(fDateButtons, Value); }
  bool InputKind() const { return fInputKind; }
  void SetInputKind(bool Value) { SetFlag(fInputKind, Value); }
  bool MinDate() const { return MinValue(); }
  bool MaxDate() const { return MaxValue(); }

private:
  bool fDateButtons = false, fInputKind = false;
};

class TkcCustomDateEditProperties : public TkcCustomPopupEditProperties {
  VT_CLASS(TkcCustomDateEditProperties, TkcCustomPopupEditProperties)
public:
  explicit TkcCustomDateEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  void Changed() override;
  TkcCustomEditPropertiesValuesClass GetAssignedValuesClass() override;
  int GetProviderFormatSupport() override { return 3; }
  bool IsProviderFormatUsed(bool AEditFocused) override { return IsProviderFormatDefined(AEditFocused); }
  bool IsEditValueNumeric() override { return true; }
  bool IsValueBoundDefined(int ABound) override;
  bool IsValueBoundsDefined() override;
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  bool IsDisplayTextValid(Variant& ADisplayValue, bool AEditFocused) override;
  // Null shows the empty text; a value of another kind, or a text that is no date, raises
  // "Could not convert to date" when focused and shows its own text in cells.
  void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  void FormatChanged() override;

  TkcDateEditPropertiesValues* AssignedValues() {
    return static_cast<TkcDateEditPropertiesValues*>(TkcCustomEditProperties::AssignedValues());
  }
  bool ArrowsForYear() const { return fArrowsForYear; }
  void SetArrowsForYear(bool Value) { SetAndNotify(fArrowsForYear, Value); }
  TDateButtons DateButtons();
  void SetDateButtons(TDateButtons Value);
  TDateOnError DateOnError() const { return fDateOnError; }
  void SetDateOnError(TDateOnError Value) { SetAndNotify(fDateOnError, Value); }
  TkcInputKind InputKind();
  void SetInputKind(TkcInputKind Value);
  TkcCalendarKind Kind() const { return fKind; }
  void SetKind(TkcCalendarKind Value) { SetAndNotify(fKind, Value); }
  bool SaveTime() const { return fSaveTime; }
  void SetSaveTime(bool Value) { SetAndNotify(fSaveTime, Value); }
  bool ShowTime() const { return fShowTime; }
  void SetShowTime(bool Value) { SetAndNotify(fShowTime, Value); }
  bool WeekNumbers() const { return fWeekNumbers; }
  void SetWeekNumbers(bool Value) { SetAndNotify(fWeekNumbers, Value); }
  bool YearsInMonthList() const { return fYearsInMonthList; }
  void SetYearsInMonthList(bool Value) { SetAndNotify(fYearsInMonthList, Value); }
  TDateTime MinDate() { return MinValue(); }
  void SetMinDate(TDateTime Value) { SetMinValue(Value); }
  TDateTime MaxDate() { return MaxValue(); }
  void SetMaxDate(TDateTime Value) { SetMaxValue(Value); }

  // The text of an empty editor (a zero time in a masked date-time editor while focused).
  String GetEmptyText(bool AEditFocused);
  bool IsTimePartShown(bool AEditFocused, TDateTime ADate);
  // The editing text of a date: what the editor shows while focused.
  String EditingText(TDateTime ADate, bool ADropTime);
  // A text as a date: Null for the empty text; a text that is no date by DateOnError.
  Variant TextToDateValue(const String& AText);

  TClass GetContainerClass() override;
  TkcCustomEditPopupWindowClass GetPopupWindowClass() override;
  bool PostValueOnPopupClosed() override { return true; }
  bool PopupWindowCanShrinkToDesktop() override { return false; }
  // An edit's own value side validates (its kept time); a cell's validates alone.
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, IkcEditHost* AEdit) override;

private:
  void UpdateEditMask();
  bool fArrowsForYear = true;
  TDateButtons fDateButtons{btnClear, btnToday};
  TDateOnError fDateOnError = deNoChange;
  TkcInputKind fInputKind = ikRegExpr;
  TkcCalendarKind fKind = ckDate;
  bool fSaveTime = true, fShowTime = true, fWeekNumbers = false, fYearsInMonthList = true;
  bool fUpdatingMask = false;
};

class TkcDateEditProperties : public TkcCustomDateEditProperties {
  VT_CLASS(TkcDateEditProperties, TkcCustomDateEditProperties)
public:
  explicit TkcDateEditProperties(TPersistent* AOwner) : TkcCustomDateEditProperties(AOwner) {}
};

// The value side of one date editor: its edit value, the kept time of day of a date-only
// editor, validation of a typed text and the choice of a calendar day.
class TkcDateEditValue {
public:
  explicit TkcDateEditValue(TkcCustomDateEditProperties* AProperties) : fProperties(AProperties) {}
  const Variant& EditValue() const { return fEditValue; }
  // Sets the value as a program does; a date-only editor keeps the value's time of day.
  void SetEditValue(const Variant& AValue);
  double SavedTime() const { return fSavedTime; }
  TDateTime Date() const;
  void SetDate(TDateTime AValue);
  // A typed text as an edit value (the kept time added back to a date-only value).
  Variant DisplayValueToEditValue(const String& AText);
  // Validates a typed text; on success the edit value is set and ADisplay is the editing text.
  // On an error ADisplay is left as it was and the edit value stays.
  bool Validate(Variant& ADisplay, String& AErrorText, IkcEditHost* AEdit = nullptr);
  // A programmatic value forced into MinDate..MaxDate.
  void CheckEditorValueBounds();
  // The calendar reports ASelected (ATime the time of its time editor in a date-time editor):
  // the date to store and the text to show; false when nothing changes.
  bool CalendarDateChanged(TDateTime ASelected, double ATime, TDateTime APopupDate, String& AText);

private:
  TkcCustomDateEditProperties* fProperties;
  Variant fEditValue = Null();
  double fSavedTime = 0;
};

inline double DateSign(double AValue) { return AValue >= 0 ? 1.0 : -1.0; }

// Prepares the date edit's popup calendar before it opens: look (colour, flat, font), the
// properties' buttons, kind, arrows, week numbers and month list, the time editor's format from
// the locale's date-time format, and the month and day of APopupDate (today for NullDate) with
// its time in the time editor. The calendar's date-changed event is the caller's to bind.
void SetupDateEditCalendar(TkcPopupCalendar* ACalendar, TkcCustomDateEditProperties* AProperties,
                           TDateTime APopupDate, TFont* AFont, TColor AColor, bool AFlat);

// ---- The control -------------------------------------------------------------------------------

// The calendar's popup: the keys that close it reach the calendar also while one of its buttons
// or its time editor (unchanged since it got the focus) has the focus.
class TkcDateEditPopupWindow : public TkcPopupEditPopupWindow {
  VT_CLASS(TkcDateEditPopupWindow, TkcPopupEditPopupWindow)
public:
  explicit TkcDateEditPopupWindow(TControl* AOwnerControl);
  bool IsCalendarKey(WORD AKey, TShiftState AShift);

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;

private:
  // Set while a key goes on to the calendar, whose own key message comes back here.
  bool fForwarding = false;
};

// The date edit: a popup edit whose popup is the calendar (made on the first drop-down); typed
// texts are validated through the value side, the chosen day comes back with the kept time.
class TkcCustomDateEdit : public TkcCustomPopupEdit {
  VT_CLASS(TkcCustomDateEdit, TkcCustomPopupEdit)
public:
  explicit TkcCustomDateEdit(TComponent* AOwner) : TkcCustomDateEdit(AOwner, false) {}
  TkcCustomDateEdit(TComponent* AOwner, bool AIsInplace) : TkcCustomDateEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomDateEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomPopupEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  ~TkcCustomDateEdit() override;
  // The calendar goes first: its window lives in the popup, which the drop-down edit frees.
  void BeforeDestruction() override;
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomDateEditProperties::StaticClass(); }
  TkcCustomDateEditProperties* ActiveProperties() {
    return static_cast<TkcCustomDateEditProperties*>(GetEffectiveProperties());
  }
  TkcPopupCalendar* Calendar() const { return fCalendar; }
  TDateTime PopupDate() const { return fPopupDate; }
  double SavedTime() { return ValueSide().SavedTime(); }

  // NullDate for no date.
  TDateTime Date();
  void SetDate(TDateTime Value);
  void ClearDate() { SetDate(NullDate); }
  // Validation of a typed text by the value side (see TkcDateEditValue::Validate).
  void ValidateText(Variant& ADisplayValue, String& AErrorText, bool& AError);

  bool CanDropDown() override { return true; }
  void DropDown() override;
  void SetupPopupWindow() override;
  void SynchronizeDisplayValue() override;
  void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  void SetValidatedDisplayValue(const Variant& AValue) override;

protected:
  void Initialize() override;
  void CreatePopupWindow() override;
  void PopupWindowClosed(TObject* Sender) override;
  virtual void CreateCalendar();
  // The calendar reports a chosen day.
  void CalendarDateChanged(TObject* Sender);

private:
  void FreeCalendar();
  TkcDateEditValue& ValueSide();
  std::unique_ptr<TkcDateEditValue> fValue;
  TkcPopupCalendar* fCalendar = nullptr;
  TDateTime fPopupDate = NullDate;
};

class TkcDateEdit : public TkcCustomDateEdit {
  VT_CLASS(TkcDateEdit, TkcCustomDateEdit)
public:
  explicit TkcDateEdit(TComponent* AOwner) : TkcDateEdit(AOwner, false) {}
  TkcDateEdit(TComponent* AOwner, bool AIsInplace) : TkcDateEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcDateEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomDateEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcDateEditProperties::StaticClass(); }
  TkcDateEditProperties* Properties() const {
    return static_cast<TkcDateEditProperties*>(TkcCustomEdit::Properties());
  }
};
