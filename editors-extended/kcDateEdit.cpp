#include "editors-extended/kcDateEdit.h"

#include <cmath>

#include "controls/kcLocalize.h"
#include "editors/kcEditChars.h"
#include "editors/kcFormats.h"
#include "editors/kcStandardMask.h"
#include "platform/core/DateUtils.h"

namespace {

double TimePart(double AValue) { return std::fabs(AValue - std::trunc(AValue)); }

bool UseLocaleConversion() { return !GetFormatController()->UseFormatSettings(); }

}  // namespace

// ---- Assigned values ------------------------------------------------------------------------

void TkcDateEditPropertiesValues::Assign(TPersistent* Source) {
  BeginUpdate();
  TkcTextEditPropertiesValues::Assign(Source);
  if (auto* source = dynamic_cast<TkcDateEditPropertiesValues*>(Source)) {
    SetDateButtons(source->fDateButtons);
    SetInputKind(source->fInputKind);
  }
  EndUpdate();
}

void TkcDateEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  TkcTextEditPropertiesValues::RestoreDefaults();
  SetDateButtons(false);
  SetInputKind(false);
  EndUpdate();
}

// ---- Properties -----------------------------------------------------------------------------

TkcCustomDateEditProperties::TkcCustomDateEditProperties(TPersistent* AOwner) : TkcCustomPopupEditProperties(AOwner) {
  SetCaseInsensitive(true);
  // Typing edits the text; the calendar opens only when asked for, at its own size.
  ImmediateDropDown = false;
  fPopupSizeable = false;
  UpdateEditMask();
}

TkcCustomEditPropertiesValuesClass TkcCustomDateEditProperties::GetAssignedValuesClass() {
  return TkcCustomEditPropertiesValuesClass::Of<TkcDateEditPropertiesValues>();
}

void TkcCustomDateEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomDateEditProperties*>(Source);
  BeginUpdate();
  TkcCustomPopupEditProperties::Assign(Source);
  if (source) {
    SetArrowsForYear(source->fArrowsForYear);
    if (source->AssignedValues()->DateButtons())
      SetDateButtons(source->fDateButtons);
    else
      AssignedValues()->SetDateButtons(false);
    SetDateOnError(source->fDateOnError);
    if (source->AssignedValues()->InputKind())
      SetInputKind(source->fInputKind);
    else
      AssignedValues()->SetInputKind(false);
    SetKind(source->fKind);
    SetSaveTime(source->fSaveTime);
    SetShowTime(source->fShowTime);
    SetWeekNumbers(source->fWeekNumbers);
    SetYearsInMonthList(source->fYearsInMonthList);
  }
  EndUpdate();
}

void TkcCustomDateEditProperties::Changed() {
  // Held back changes are only recorded; the mask follows once they are let through.
  if (!IsChangeLocked()) UpdateEditMask();
  TkcCustomPopupEditProperties::Changed();
}

void TkcCustomDateEditProperties::FormatChanged() {
  BeginUpdate();
  TkcCustomPopupEditProperties::FormatChanged();
  UpdateEditMask();
  EndUpdate();
}

TDateButtons TkcCustomDateEditProperties::DateButtons() {
  if (AssignedValues()->DateButtons()) return fDateButtons;
  return fKind == ckDate ? TDateButtons{btnClear, btnToday} : TDateButtons{btnClear, btnNow};
}

void TkcCustomDateEditProperties::SetDateButtons(TDateButtons Value) {
  if (AssignedValues()->DateButtons() && fDateButtons == Value) return;
  fDateButtons = Value;
  AssignedValues()->SetDateButtons(true);
  Changed();
}

TkcInputKind TkcCustomDateEditProperties::InputKind() {
  if (AssignedValues()->InputKind()) return fInputKind;
  return fKind == ckDate ? ikRegExpr : ikMask;
}

void TkcCustomDateEditProperties::SetInputKind(TkcInputKind Value) {
  if (AssignedValues()->InputKind() && fInputKind == Value) return;
  fInputKind = Value;
  AssignedValues()->SetInputKind(true);
  Changed();
}

void TkcCustomDateEditProperties::UpdateEditMask() {
  if (fUpdatingMask) return;
  fUpdatingMask = true;
  // The mask's own change notices are held back: the caller is already changing.
  BeginUpdate();
  const TkcFormatController* c = GetFormatController();
  try {
    switch (InputKind()) {
      case ikMask:
        SetMaskKind(emkStandard);
        SetEditMask(fKind == ckDateTime ? c->DateTimeStandardMask() : c->DateStandardMask());
        break;
      case ikRegExpr:
        SetMaskKind(emkRegExprEx);
        SetEditMask(fKind == ckDateTime ? c->DateTimeRegExprMask() : c->DateRegExprMask());
        break;
      case ikStandard: SetEditMask(String()); break;
    }
  } catch (...) {
    EndUpdate(false);
    fUpdatingMask = false;
    throw;
  }
  EndUpdate(false);
  fUpdatingMask = false;
}

bool TkcCustomDateEditProperties::IsValueBoundDefined(int ABound) {
  double mn = MinValue(), mx = MaxValue();
  if (mn != 0 && mx != 0) return mx > mn;
  return (ABound == 0 ? mn : mx) != 0;
}

bool TkcCustomDateEditProperties::IsValueBoundsDefined() {
  double mn = MinValue(), mx = MaxValue();
  if (mn != 0 && mx != 0) return mx > mn;
  return mn != 0 || mx != 0;
}

String TkcCustomDateEditProperties::GetEmptyText(bool AEditFocused) {
  if (!IsMasked() || MaskKind() != emkStandard) return String();
  TkcStandardMask mask;
  mask.SetMask(EditMask());
  String text = mask.GetEmptyText();
  const TkcFormatController* c = GetFormatController();
  if (AEditFocused && fKind == ckDateTime && InputKind() == ikMask && !c->DateTimeStandardMaskAssigned) {
    // The empty date-time text shows a zero time rather than blanks.
    size_t n = size_t(TkcFormatController::GetFormatTextLength(c->TimeFormatInfo()));
    String zero;
    DateTimeToTextEx(true, true, false, zero, 0);
    kcChars t = kcToChars(text), z = kcToChars(zero);
    if (n <= t.size() && n <= z.size()) {
      t.replace(t.size() - n, n, z.substr(z.size() - n));
      text = kcFromChars(t);
    }
  }
  return text;
}

bool TkcCustomDateEditProperties::IsTimePartShown(bool AEditFocused, TDateTime ADate) {
  if (!AEditFocused) return fKind == ckDateTime || fShowTime;
  if (fKind == ckDateTime) return TimePart(ADate) != 0 || InputKind() == ikMask;
  return fShowTime && TimePart(ADate) != 0 && InputKind() == ikStandard;
}

String TkcCustomDateEditProperties::EditingText(TDateTime ADate, bool ADropTime) {
  if (ADropTime) ADate = std::trunc(ADate);
  String text;
  DateTimeToTextEx(InputKind() == ikMask, fKind == ckDateTime, false, text, ADate);
  return TrimRight(text);
}

Variant TkcCustomDateEditProperties::TextToDateValue(const String& AText) {
  if (Trim(AText).empty() || AText == GetEmptyText(false) || AText == GetEmptyText(true)) return Null();
  TDateTime d;
  if (TryStrToDateTimeEx(AText, UseLocaleConversion(), d) && d != NullDate) return Variant::FromDate(d);
  if (fDateOnError == deToday) return Variant::FromDate(fKind == ckDateTime ? Now() : ::Date());
  return Null();
}

bool TkcCustomDateEditProperties::IsEditValueValid(Variant& AEditValue, bool) {
  try {
    if (AEditValue.IsNull() || AEditValue.IsEmpty() || AEditValue.VarType() == varDate || AEditValue.IsNumeric())
      return true;
    if (!AEditValue.IsStr()) return false;
    Variant v = TextToDateValue(AEditValue.AsString());
    return !v.IsNull() && v.AsDouble() != NullDate;
  } catch (const Exception&) {
    return false;
  }
}

bool TkcCustomDateEditProperties::IsDisplayTextValid(Variant& ADisplayValue, bool AEditFocused) {
  if (InputKind() != ikStandard) return TkcCustomPopupEditProperties::IsDisplayTextValid(ADisplayValue, AEditFocused);
  TDateTime d;
  return TryStrToDateTimeEx(ADisplayValue.IsNull() ? String() : ADisplayValue.AsString(), UseLocaleConversion(), d) &&
         d != NullDate;
}

void TkcCustomDateEditProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                          bool AEditFocused) {
  if (AEditValue.IsNull() || AEditValue.IsEmpty() ||
      ((AEditValue.IsNumeric() || AEditValue.VarType() == varDate) && AEditValue.AsDouble() == NullDate)) {
    ADisplayValue = GetEmptyText(AEditFocused);
    return;
  }
  // Focused, a value that is no date is an error for the caller; a cell shows its own text
  // instead of failing on every repaint.
  auto fail = [&]() {
    if (AEditFocused) throw EConvertError(LocalizeText("Could not convert to date"));
    ADisplayValue = AEditValue.IsStr() ? AEditValue.AsString() : String();
  };
  TDateTime d;
  if (AEditValue.IsStr()) {
    Variant v = TextToDateValue(AEditValue.AsString());
    if (v.IsNull() || v.AsDouble() == NullDate) return fail();
    d = v.AsDouble();
  } else if (AEditValue.IsNumeric() || AEditValue.VarType() == varDate) {
    d = AEditValue.AsDouble();
  } else {
    return fail();
  }
  if (!IsTimePartShown(AEditFocused, d)) d = std::trunc(d);
  String text;
  try {
    if (AEditFocused)
      DateTimeToTextEx(InputKind() == ikMask, fKind == ckDateTime, false, text, d);
    else
      DateTimeToTextEx(false, false, false, text, d);
  } catch (const Exception&) {
    return fail();
  }
  text = TrimRight(text);
  if (AEditFocused && IsMasked())
    TkcCustomPopupEditProperties::EditValueToDisplayValue(text, ADisplayValue, true);
  else
    ADisplayValue = text;
}

// ---- Value logic ----------------------------------------------------------------------------

void TkcDateEditValue::SetEditValue(const Variant& AValue) {
  if (fProperties->Kind() == ckDate) {
    fSavedTime = 0;
    if (fProperties->SaveTime()) {
      if (AValue.IsStr()) {
        TDateTime d;
        if (TryStrToDateTimeEx(AValue.AsString(), UseLocaleConversion(), d) && d != NullDate) fSavedTime = TimePart(d);
      } else if ((AValue.IsNumeric() || AValue.VarType() == varDate) && AValue.AsDouble() != NullDate) {
        fSavedTime = TimePart(AValue.AsDouble());
      }
    }
  }
  fEditValue = AValue;
}

TDateTime TkcDateEditValue::Date() const {
  if (fEditValue.IsNull() || fEditValue.IsEmpty()) return NullDate;
  if (fEditValue.IsNumeric() || fEditValue.VarType() == varDate) return fEditValue.AsDouble();
  if (fEditValue.IsStr()) {
    TDateTime d;
    return TryTextToDate(fEditValue.AsString(), d) ? d : NullDate;
  }
  return NullDate;
}

void TkcDateEditValue::SetDate(TDateTime AValue) {
  if (AValue == NullDate) {
    SetEditValue(Null());
    return;
  }
  if (fProperties->Kind() == ckDate && TimePart(AValue) == 0)
    AValue = fProperties->SaveTime() ? std::trunc(AValue) + DateSign(AValue) * fSavedTime : std::trunc(AValue);
  SetEditValue(Variant::FromDate(AValue));
}

Variant TkcDateEditValue::DisplayValueToEditValue(const String& AText) {
  Variant v = fProperties->TextToDateValue(AText);
  if (v.IsNull() || v.AsDouble() == NullDate) return v;
  double d = v.AsDouble();
  if (fProperties->Kind() == ckDate && fProperties->SaveTime()) d = std::trunc(d) + DateSign(d) * fSavedTime;
  return Variant::FromDate(d);
}

bool TkcDateEditValue::Validate(Variant& ADisplay, String& AErrorText, IkcEditHost* AEdit) {
  AErrorText = LocalizeText("Invalid Date");
  bool error = false;
  TDateTime d = 0;
  String text = ADisplay.IsNull() ? String() : ADisplay.AsString();
  bool empty = Trim(text).empty() || text == fProperties->GetEmptyText(true);
  try {
    if (!empty) error = !TryTextToDate(text, d);
    if (fProperties->OnValidate) {
      if (!empty && !error) ADisplay = fProperties->EditingText(d, false);
      bool changedByUser = false;
      fProperties->DoValidate(ADisplay, AErrorText, error, AEdit, changedByUser);
      text = ADisplay.IsNull() ? String() : ADisplay.AsString();
      empty = Trim(text).empty() || text == fProperties->GetEmptyText(true);
      if (!error && !empty) error = !TryTextToDate(text, d);
    } else if (error) {
      switch (fProperties->DateOnError()) {
        case deNoChange: break;
        case deToday:
          d = fProperties->Kind() == ckDateTime ? Now() : ::Date();
          error = false;
          break;
        case deNull:
          d = NullDate;
          error = false;
          break;
      }
    }
    if (error) return false;
    if (empty || d == NullDate) {
      // An emptied editor holds no date: never a bare time of day on day 0.
      fEditValue = Null();
      fSavedTime = 0;
      ADisplay = fProperties->GetEmptyText(true);
      return true;
    }
    if ((fProperties->IsValueBoundDefined(0) && d < fProperties->MinDate()) ||
        (fProperties->IsValueBoundDefined(1) && d > fProperties->MaxDate())) {
      AErrorText = fProperties->GetValidateErrorText(1);
      return false;
    }
    if (fProperties->Kind() == ckDate) {
      if (TimePart(d) != 0)
        fSavedTime = TimePart(d);
      else if (fProperties->SaveTime())
        d = std::trunc(d) + DateSign(d) * fSavedTime;
      else
        fSavedTime = 0;
    }
    fEditValue = Variant::FromDate(d);
    ADisplay = Variant::FromDate(d);
    return true;
  } catch (const Exception&) {
    return false;
  }
}

void TkcDateEditValue::CheckEditorValueBounds() {
  TDateTime d = Date();
  if (d == NullDate) return;
  if (fProperties->IsValueBoundDefined(0) && d < fProperties->MinDate())
    SetDate(fProperties->MinDate());
  else if (fProperties->IsValueBoundDefined(1) && d > fProperties->MaxDate())
    SetDate(fProperties->MaxDate());
}

bool TkcDateEditValue::CalendarDateChanged(TDateTime ASelected, double ATime, TDateTime APopupDate, String& AText) {
  TDateTime d = ASelected;
  if (d != NullDate) {
    if (fProperties->Kind() == ckDateTime)
      d = std::trunc(d) + DateSign(d) * TimePart(ATime);
    else if (fProperties->SaveTime() && APopupDate != NullDate)
      d = std::trunc(d) + DateSign(d) * TimePart(APopupDate);
  }
  Variant display;
  fProperties->EditValueToDisplayValue(d == NullDate ? Null() : Variant::FromDate(d), display, true);
  AText = display.AsString();
  if (fProperties->InputKind() == ikStandard && d != NullDate) {
    // A locale format with a two-digit year cannot show every year: write it out in full.
    Variant back = fProperties->TextToDateValue(AText);
    if (back.IsNull() || std::trunc(back.AsDouble()) != std::trunc(d)) {
      String full;
      DateTimeToTextEx(false, fProperties->Kind() == ckDateTime, true, full,
                       fProperties->IsTimePartShown(true, d) ? d : std::trunc(d));
      AText = TrimRight(full);
    }
  }
  if (Date() == d && (d == NullDate) == (fEditValue.IsNull())) return false;
  fEditValue = d == NullDate ? Null() : Variant::FromDate(d);
  return true;
}

// ---- The popup calendar --------------------------------------------------------------------

void SetupDateEditCalendar(TkcPopupCalendar* ACalendar, TkcCustomDateEditProperties* AProperties,
                           TDateTime APopupDate, TFont* AFont, TColor AColor, bool AFlat) {
  ACalendar->SetColor(AColor);
  ACalendar->SetFlat(AFlat);
  ACalendar->SetDateButtons(AProperties->DateButtons());
  ACalendar->SetArrowsForYear(AProperties->ArrowsForYear());
  ACalendar->SetKind(AProperties->Kind());
  // The time editor shows the parts the locale's date-time format has.
  const TkcDateTimeFormatInfo& info = GetFormatController()->DateTimeFormatInfo();
  TkcTimeEditTimeFormat timeFormat = tfHourMinSec;
  if (info.DefinedItems[dtikSec])
    timeFormat = tfHourMinSec;
  else if (info.DefinedItems[dtikMin])
    timeFormat = tfHourMin;
  else if (info.DefinedItems[dtikHour])
    timeFormat = tfHour;
  bool use24 = true;
  for (const TkcDateTimeFormatItem& item : info.Items)
    if (item.Kind == dtikHour) use24 = item.Data.rfind("24", 0) == 0;
  ACalendar->SetTimeFormat(timeFormat);
  ACalendar->SetUse24HourFormat(use24);
  ACalendar->SetWeekNumbers(AProperties->WeekNumbers());
  ACalendar->YearsInMonthList = AProperties->YearsInMonthList();
  const TDateTime start = APopupDate == NullDate ? Date() : APopupDate;
  if (AProperties->Kind() == ckDateTime) {
    TkcTimeEdit* time = ACalendar->TimeEdit();
    time->LockChangeEvents(true);
    time->SetTime(std::fabs(start - std::trunc(start)));
    time->LockChangeEvents(false, false);
    ACalendar->Clock()->SetTime(time->Time());
  }
  const TDateTime day = std::trunc(start);
  int y, m, d;
  DecodeDate(day, y, m, d);
  ACalendar->SetFirstDate(EncodeDate(y, m, 1));
  ACalendar->SetSelectDate(APopupDate == NullDate ? Date() : day);
  if (AFont) {
    ACalendar->Font()->Assign(AFont);
    ACalendar->Font()->SetColor(clBtnText);
  }
  ACalendar->CalculateViewInfo();
}

// ---- The control -------------------------------------------------------------------------------

#include "controls/kcLookAndFeel.h"

TClass TkcCustomDateEditProperties::GetContainerClass() { return TkcDateEdit::StaticClass(); }

TkcCustomEditPopupWindowClass TkcCustomDateEditProperties::GetPopupWindowClass() {
  return TkcDateEditPopupWindow::StaticClass();
}

TkcDateEditPopupWindow::TkcDateEditPopupWindow(TControl* AOwnerControl) : TkcPopupEditPopupWindow(AOwnerControl) {
  SetKeyPreview(true);
}

bool TkcDateEditPopupWindow::IsCalendarKey(WORD AKey, TShiftState AShift) {
  const bool alt = AShift.Contains(ssAlt);
  if ((AKey == VK_UP || AKey == VK_DOWN) && alt) return true;
  if (AKey == VK_F4 && !alt) return true;
  if (AKey != VK_ESCAPE) return false;
  TWinControl* active = ActiveControl();
  if (dynamic_cast<TkcButton*>(active)) return true;
  // The time editor's own Escape first undoes its change; unchanged it closes the popup.
  for (TWinControl* c = active; c; c = c->Parent())
    if (auto* time = dynamic_cast<TkcTimeEdit*>(c)) return !time->ModifiedAfterEnter();
  return false;
}

void TkcDateEditPopupWindow::KeyDown(WORD& Key, TShiftState Shift) {
  auto* edit = dynamic_cast<TkcCustomDateEdit*>(Edit());
  TkcPopupCalendar* calendar = edit ? edit->Calendar() : nullptr;
  if (!fForwarding && calendar && calendar->HandleAllocated() && IsCalendarKey(Key, Shift) &&
      ActiveControl() != calendar) {
    const WORD key = Key;
    Key = 0;
    fForwarding = true;
    TkcObjectLinkScope link(this);
    try {
      SendMessage(calendar->Handle(), WM_KEYDOWN, key, 0);
    } catch (...) {
      if (link.Alive()) fForwarding = false;
      throw;
    }
    if (link.Alive()) fForwarding = false;
    return;
  }
  TkcPopupEditPopupWindow::KeyDown(Key, Shift);
}

void TkcCustomDateEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                       IkcEditHost* AEdit) {
  if (AEdit)
    if (auto* edit = dynamic_cast<TkcCustomDateEdit*>(AEdit->GetEditObject())) {
      edit->ValidateText(ADisplayValue, AErrorText, AError);
      return;
    }
  TkcDateEditValue value(this);
  AError = !value.Validate(ADisplayValue, AErrorText, AEdit);
}

TkcCustomDateEdit::~TkcCustomDateEdit() { FreeCalendar(); }

void TkcCustomDateEdit::BeforeDestruction() {
  FreeCalendar();
  TkcCustomPopupEdit::BeforeDestruction();
}

void TkcCustomDateEdit::FreeCalendar() {
  if (!fCalendar) return;
  TkcPopupCalendar* calendar = fCalendar;
  fCalendar = nullptr;
  if (ActiveProperties()->PopupControl() == calendar) ActiveProperties()->SetPopupControl(nullptr);
  calendar->Free();
}

void TkcCustomDateEdit::Initialize() {
  TkcCustomPopupEdit::Initialize();
  TControlStyle style = ControlStyle();
  style.Exclude(csSetCaption);
  SetControlStyle(style);
  fPopupDate = NullDate;
}

TkcDateEditValue& TkcCustomDateEdit::ValueSide() {
  // Made for the properties in force (a repository item's may replace the own ones).
  if (!fValue) fValue = std::make_unique<TkcDateEditValue>(ActiveProperties());
  return *fValue;
}

void TkcCustomDateEdit::SynchronizeDisplayValue() {
  fValue = std::make_unique<TkcDateEditValue>(ActiveProperties());
  fValue->SetEditValue(EditValue());
  TkcCustomPopupEdit::SynchronizeDisplayValue();
}

TDateTime TkcCustomDateEdit::Date() { return ValueSide().Date(); }

void TkcCustomDateEdit::SetDate(TDateTime Value) {
  TkcDateEditValue& value = ValueSide();
  value.SetDate(Value);
  SetEditValue(value.EditValue());
}

void TkcCustomDateEdit::DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  if (ADisplayValue.VarType() == varDate) {
    AEditValue = ADisplayValue;
    return;
  }
  AEditValue = ValueSide().DisplayValueToEditValue(VarIsNull(ADisplayValue) ? String() : VarToStr(ADisplayValue));
}

void TkcCustomDateEdit::ValidateText(Variant& ADisplayValue, String& AErrorText, bool& AError) {
  // The value side keeps the time it validates with (and the one it takes from the text).
  TkcDateEditValue& value = ValueSide();
  AError = !value.Validate(ADisplayValue, AErrorText, this);
  if (AError) ADisplayValue = Variant(Text());
}

void TkcCustomDateEdit::SetValidatedDisplayValue(const Variant& AValue) {
  if (AValue.VarType() != varDate) return TkcCustomPopupEdit::SetValidatedDisplayValue(AValue);
  // A validated date is shown in its editing form, which reads back (with the kept time) as it.
  TkcCustomPopupEdit::SetValidatedDisplayValue(Variant(ActiveProperties()->EditingText(AValue.AsDouble(), false)));
}

void TkcCustomDateEdit::CreatePopupWindow() {
  TkcCustomPopupEdit::CreatePopupWindow();
  // The calendar's buttons and clicks work while the rest of the program runs on.
  if (PopupWindow()) PopupWindow()->ModalLoop = false;
}

void TkcCustomDateEdit::CreateCalendar() {
  fCalendar = new TkcPopupCalendar(this);
  fCalendar->SetParent(PopupWindow());
  fCalendar->OnHidePopup = [this](TObject*, int AReason) {
    ClosePopupWithReason(AReason == 3 ? crCancel : AReason == 2 ? crClose : crEnter);
  };
  TkcLookAndFeel* look = EditStyle()->LookAndFeel();
  for (TkcButton* b : {fCalendar->ClearButton(), fCalendar->OkButton(), fCalendar->NowButton(), fCalendar->TodayButton()})
    b->LookAndFeel()->SetMasterLookAndFeel(look);
  fCalendar->TimeEdit()->Style()->LookAndFeel()->SetMasterLookAndFeel(look);
}

void TkcCustomDateEdit::DropDown() {
  if (!fCalendar) CreateCalendar();
  ActiveProperties()->SetPopupControl(fCalendar);
  TkcCustomPopupEdit::DropDown();
}

void TkcCustomDateEdit::SetupPopupWindow() {
  TkcCustomPopupEdit::SetupPopupWindow();
  // The popup's window first: made on the calendar's demand it would make the calendar's
  // window among its children and the calendar then a second one.
  PopupWindow()->HandleNeeded();
  fCalendar->HandleNeeded();
  fCalendar->OnDateTimeChanged = nullptr;
  // The date of the text being typed, else the value's.
  fPopupDate = Date();
  if (Focused() && !IsValidated() && ModifiedAfterEnter()) {
    TDateTime typed;
    if (TryTextToDate(Text(), typed)) fPopupDate = typed;
  }
  TkcContainerStyle* style = GetActiveStyle();
  SetupDateEditCalendar(fCalendar, ActiveProperties(), fPopupDate, style->GetVisibleFont(), style->GetVisibleColor(),
                        EditStyle()->LookAndFeel()->Kind() != lfStandard);
  fCalendar->OnDateTimeChanged = TNotifyEvent(this, &TkcCustomDateEdit::CalendarDateChanged);
}

void TkcCustomDateEdit::PopupWindowClosed(TObject* Sender) {
  TkcCustomPopupEdit::PopupWindowClosed(Sender);
  if (fCalendar) fCalendar->CheckHotTrack();
}

void TkcCustomDateEdit::CalendarDateChanged(TObject*) {
  TkcDateEditValue& value = ValueSide();
  const Variant before = value.EditValue();
  String text;
  const double time = fCalendar->TimeEdit()->Time();
  if (!value.CalendarDateChanged(fCalendar->SelectDate(), time, fPopupDate, text) && text == Text()) return;
  if (!DoEditing()) {
    value.SetEditValue(before);
    return;
  }
  LockChangeEvents(true);
  try {
    fUserChange = true;
    SetInternalEditValue(value.EditValue());
    fUserChange = false;
    SetModifiedAfterEnter(true);
    if (text != Text()) InnerTextEdit()->SetText(text);
    SelectAll();
  } catch (...) {
    fUserChange = false;
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
}
