#include "editors-extended/kcTimeEdit.h"

#include <array>
#include <cmath>

#include "controls/kcLocalize.h"
#include "editors/kcEditChars.h"
#include "platform/core/DateUtils.h"
#include "platform/core/Utf8.h"

namespace {

std::array<TkcTimeEditFormat, 6>& Table() {
  static std::array<TkcTimeEditFormat, 6> table = [] {
    std::array<TkcTimeEditFormat, 6> t;
    t[1] = {"hh:nn:ss", "00:00:00;1;0"};
    t[3] = {"hh:nn", "00:00;1;0"};
    t[5] = {"hh", "00;1;0"};
    return t;
  }();
  static bool built = false;
  if (!built) {
    built = true;
    RebuildTimeEditMasks();
  }
  return table;
}

bool LocaleDesignatorsUsable() { return !FormatSettings.TimeAMString.empty() && !FormatSettings.TimePMString.empty(); }

char32_t FoldCase(char32_t c) { return UnicodeUpper(c); }

}  // namespace

void GetTimeEditDesignators(String& AAM, String& APM) {
  if (LocaleDesignatorsUsable()) {
    AAM = FormatSettings.TimeAMString;
    APM = FormatSettings.TimePMString;
  } else {
    AAM = "AM";
    APM = "PM";
  }
}

const TkcTimeEditFormat& GetTimeEditFormat(TkcTimeEditTimeFormat ATimeFormat, bool AUse24HourFormat) {
  return Table()[size_t(2 * ATimeFormat + (AUse24HourFormat ? 1 : 0))];
}

void RebuildTimeEditMasks() {
  auto& t = Table();
  bool locale = LocaleDesignatorsUsable();
  String designator = locale ? "ampm" : "AM/PM";
  t[0].DisplayFormat = "hh:nn:ss " + designator;
  t[2].DisplayFormat = "hh:nn " + designator;
  t[4].DisplayFormat = "hh " + designator;
  // The designator zone: a blank where both designators have one, else a character to type.
  // Sized for the longer designator, so neither half of the day is cut off.
  String am, pm;
  GetTimeEditDesignators(am, pm);
  kcChars a = kcToChars(am), p = kcToChars(pm);
  kcChars zone{U' '};
  for (size_t i = 0; i < std::max(a.size(), p.size()); ++i) {
    bool blank = (i >= a.size() || a[i] == U' ') && (i >= p.size() || p[i] == U' ');
    zone.push_back(blank ? U' ' : U'c');
  }
  while (!zone.empty() && zone.back() == U' ') zone.pop_back();
  String z = kcFromChars(zone);
  t[0].EditMask = String("00:00:00") + z + ";1;0";
  t[2].EditMask = String("00:00") + z + ";1;0";
  t[4].EditMask = String("00") + z + ";1;0";
}

TkcTimeCharResult TimeDigitForPart(String& APart, int AOffset, char32_t& AChar, int AMin, int AMax, int& ANewOffset) {
  if (AChar < U'0' || AChar > U'9') return tcrReject;
  auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : 0; };
  char typed = static_cast<char>(AChar);
  String p = APart;
  p.resize(2, '0');
  String withTyped = p;
  withTyped[size_t(AOffset)] = typed;
  int value = digit(withTyped[0]) * 10 + digit(withTyped[1]);
  ANewOffset = AOffset;
  if (value >= AMin && value <= AMax) return tcrAccept;
  if (AOffset == 0) {
    if (typed == '0') {
      APart = String("0") + p[0];
      ANewOffset = 1;
      return tcrConsumed;
    }
    if (typed - '0' > AMax / 10) {
      // Too big for the first place: it becomes the second digit.
      APart = String("0") + p[1];
      ANewOffset = 1;
      return tcrAccept;
    }
    APart = String(1, typed) + "0";
    ANewOffset = 1;
    return tcrConsumed;
  }
  if (typed == '0') return tcrReject;
  APart = String("0") + p[1];
  return tcrAccept;
}

// ---- Properties -----------------------------------------------------------------------------

TkcCustomTimeEditProperties::TkcCustomTimeEditProperties(TPersistent* AOwner) : TkcCustomSpinEditProperties(AOwner) {
  BeginUpdate();
  SetValueType(vtFloat);
  SetIgnoreMaskBlank(true);
  SetIncrement(1.0);
  SetMinValue(0);
  SetMaxValue(86399);
  SetAlwaysShowBlanksAndLiterals(true);
  ApplyEditMask();
  EndUpdate(false);
}

void TkcCustomTimeEditProperties::Assign(TPersistent* Source) {
  BeginUpdate();
  TkcCustomSpinEditProperties::Assign(Source);
  if (auto* source = dynamic_cast<TkcCustomTimeEditProperties*>(Source)) {
    AutoCorrectHours = source->AutoCorrectHours;
    SetShowDate(source->fShowDate);
    SetTimeFormat(source->fTimeFormat);
    SetUse24HourFormat(source->fUse24HourFormat);
    SetUseTimeFormatWhenUnfocused(source->fUseTimeFormatWhenUnfocused);
  }
  EndUpdate();
}

void TkcCustomTimeEditProperties::ApplyEditMask() {
  SetEditMask(GetTimeEditFormat(fTimeFormat, fUse24HourFormat).EditMask);
}

void TkcCustomTimeEditProperties::SetTimeFormat(TkcTimeEditTimeFormat Value) {
  if (fTimeFormat == Value) return;
  fTimeFormat = Value;
  ApplyEditMask();
  Changed();
}

void TkcCustomTimeEditProperties::SetUse24HourFormat(bool Value) {
  if (fUse24HourFormat == Value) return;
  fUse24HourFormat = Value;
  ApplyEditMask();
  Changed();
}

void TkcCustomTimeEditProperties::FormatChanged() {
  RebuildTimeEditMasks();
  BeginUpdate();
  TkcCustomSpinEditProperties::FormatChanged();
  ApplyEditMask();
  EndUpdate();
}

String TkcCustomTimeEditProperties::FormatTime(double AValue) {
  return TrimRight(FormatDateTime(DisplayFormatOfTime(), AValue));
}

void TkcCustomTimeEditProperties::GetDefaultDisplayValue(Variant& AValue) { AValue = FormatTime(0); }

int TkcCustomTimeEditProperties::GetTimePart(int APos) {
  int maxLength = MaxLength();
  if (maxLength > 0 && maxLength < APos) APos = maxLength;
  if (!fUse24HourFormat && APos > 8 - 3 * fTimeFormat) return tpAMPM;
  String f = UpperCase(DisplayFormatOfTime());
  int n = int(f.size());
  if (n == 0) return tpHour;
  APos = std::clamp(APos, 1, n);
  char c = f[size_t(APos - 1)];
  if (c == 'H') return tpHour;
  if (c == 'N') return tpMin;
  if (c == 'S') return tpSec;
  c = f[size_t(std::min(APos, n - 1))];
  return c == 'H' ? tpHour : c == 'N' ? tpMin : tpSec;
}

int TkcCustomTimeEditProperties::SecondsOfText(const String& AText) {
  auto num = [&](size_t from) {
    int v = 0;
    for (size_t i = from; i < from + 2 && i < AText.size(); ++i)
      if (AText[i] >= '0' && AText[i] <= '9') v = v * 10 + (AText[i] - '0');
    return v;
  };
  int hours = num(0);
  if (!fUse24HourFormat) hours %= 12;
  int seconds = hours * 3600;
  if (fTimeFormat != tfHour) seconds += num(3) * 60;
  if (fTimeFormat == tfHourMinSec) seconds += num(6);
  if (!fUse24HourFormat) {
    String am, pm;
    GetTimeEditDesignators(am, pm);
    String text = TrimRight(AText);
    if (!pm.empty() && text.size() >= pm.size() && text.compare(text.size() - pm.size(), pm.size(), pm) == 0)
      seconds += 43200;
  }
  return seconds;
}

double TkcCustomTimeEditProperties::StepIncrement(int ADirection, int ASelStart, double AValue) {
  bool up = IsSpinUp(ADirection);
  int part = GetTimePart(ASelStart + 1);
  static const double seconds[] = {3600, 60, 1, 43200};
  double step = seconds[part];
  if (part == tpAMPM && ((up && AValue >= 43200) || (!up && AValue < 43200))) step = -step;
  if ((part == tpMin || part == tpSec) && ADirection >= 2) step *= 10;
  return up ? step : -step;
}

bool TkcCustomTimeEditProperties::Spin(const String& AText, int ASelStart, int ADirection, String& ANewText,
                                       int& ASelStartOut, int& ASelLength) {
  TkcSpinEngine e = Engine();
  e.ValueType = vtFloat;
  double value = SecondsOfText(AText);
  int part = GetTimePart(ASelStart + 1);
  TkcSpinValue v = value;
  if (!e.GetNextValue(ADirection, v, StepIncrement(ADirection, ASelStart, value))) return false;
  double seconds = std::get<double>(v);
  ANewText = FormatTime(seconds / 86400.0);
  if (part == tpAMPM) {
    String am, pm;
    GetTimeEditDesignators(am, pm);
    kcChars chars = kcToChars(ANewText);
    int start = 8 - 3 * fTimeFormat;
    while (start < int(chars.size()) && chars[size_t(start)] == U' ') ++start;
    ASelStartOut = start;
    ASelLength = int(Utf8Length(seconds >= 43200 ? pm : am));
  } else {
    ASelStartOut = ASelStart <= 1 ? 1 : ASelStart <= 4 ? 4 : 7;
    ASelLength = 1;
  }
  return true;
}

Variant TkcCustomTimeEditProperties::TextToTime(const String& AText, double ADate) {
  // The text stands in the editor's fixed format, so it is read by position: no locale parser
  // can take one designator for another ("a.g" / "a.k") or misread a separator.
  kcChars chars = kcToChars(AText);
  size_t digits = fUse24HourFormat ? chars.size() : std::min(chars.size(), size_t(8 - 3 * fTimeFormat));
  auto field = [&](size_t from, int& value) {
    if (from + 2 > digits) return from >= digits;  // a missing field reads as 0
    value = 0;
    for (size_t i = from; i < from + 2; ++i) {
      if (chars[i] < U'0' || chars[i] > U'9') return false;
      value = value * 10 + int(chars[i] - U'0');
    }
    return true;
  };
  int h = 0, n = 0, sec = 0;
  bool ok = Trim(AText).empty() ||
            (field(0, h) && (fTimeFormat == tfHour || field(3, n)) && (fTimeFormat != tfHourMinSec || field(6, sec)));
  if (ok && !fUse24HourFormat && !Trim(AText).empty()) {
    String am, pm;
    GetTimeEditDesignators(am, pm);
    String rest = kcFromChars(chars.substr(digits));
    bool isAM = rest.find(am) != String::npos;
    ok = h <= 12;
    h = h % 12 + (isAM ? 0 : 12);
  }
  if (!ok || h > 23 || n > 59 || sec > 59) h = n = sec = 0;
  double t = (h * 3600 + n * 60 + sec) / 86400.0;
  double r = ADate >= 0 ? ADate + t : ADate - t;
  if (r == 0) return Variant(0.0);
  return Variant::FromDate(r);
}

TkcTimeCharResult TkcCustomTimeEditProperties::CharForPos(String& AText, int APos, char32_t& AChar, int& ACaret) {
  kcChars text = kcToChars(AText);
  int part = GetTimePart(APos + 1);
  int start = GetTimePartStart(part) - 1;
  ACaret = APos;
  if (part == tpAMPM) {
    String am, pm;
    GetTimeEditDesignators(am, pm);
    kcChars a = kcToChars(am), p = kcToChars(pm);
    size_t k = 0;
    while (k < a.size() && k < p.size() && FoldCase(a[k]) == FoldCase(p[k])) ++k;
    int offset = APos - start;
    if (offset < 0) return tcrReject;
    if (size_t(offset) == k) {
      const kcChars* chosen = k < a.size() && FoldCase(AChar) == FoldCase(a[k])   ? &a
                              : k < p.size() && FoldCase(AChar) == FoldCase(p[k]) ? &p
                                                                                  : nullptr;
      if (!chosen) return tcrReject;
      // The whole designator is replaced and the caret goes behind it.
      kcChars result = text.substr(0, size_t(start)) + *chosen;
      AText = kcFromChars(result);
      ACaret = int(result.size());
      return tcrConsumed;
    }
    const kcChars& model = size_t(offset) < k ? a : text.substr(size_t(start));
    if (size_t(offset) >= model.size() || FoldCase(model[size_t(offset)]) != FoldCase(AChar)) return tcrReject;
    AChar = model[size_t(offset)];
    return tcrAccept;
  }
  if (text.size() < size_t(start + 2)) text.resize(size_t(start + 2), U'0');
  String digits = kcFromChars(text.substr(size_t(start), 2));
  int maxValue = part == tpHour ? (fUse24HourFormat ? 23 : 12) : 59;
  int minValue = part == tpHour && !fUse24HourFormat ? 1 : 0;
  int offset = APos - start, newOffset = offset;
  TkcTimeCharResult r = TimeDigitForPart(digits, offset, AChar, minValue, maxValue, newOffset);
  if (r == tcrReject) return r;
  text[size_t(start)] = char32_t(digits[0]);
  text[size_t(start + 1)] = char32_t(digits[1]);
  AText = kcFromChars(text);
  ACaret = start + newOffset;
  return r;
}

bool TkcCustomTimeEditProperties::IsDisplayTextValid(Variant& ADisplayValue, bool) {
  TDateTime t;
  String text = Trim(ADisplayValue.IsNull() ? String() : ADisplayValue.AsString());
  if (!TryStrToDateTime(text, t) && !TryStrToTime(text, t)) return false;
  ADisplayValue = FormatTime(t);
  return true;
}

bool TkcCustomTimeEditProperties::IsEditValueValid(Variant& AEditValue, bool AEditFocused) {
  if (AEditValue.IsNull() || AEditValue.IsEmpty() || AEditValue.IsNumeric() || AEditValue.VarType() == varDate)
    return true;
  if (AEditValue.IsStr()) {
    Variant v = AEditValue;
    return IsDisplayTextValid(v, AEditFocused);
  }
  return false;
}

void TkcCustomTimeEditProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                          bool AEditFocused) {
  if (AEditValue.IsNull() || AEditValue.IsEmpty()) {
    ADisplayValue = AEditFocused ? FormatTime(0) : String();
    return;
  }
  double v = 0;
  if (AEditValue.IsStr()) {
    TDateTime t;
    String text = Trim(AEditValue.AsString());
    if (!TryStrToDateTime(text, t) && !TryStrToTime(text, t)) {
      // A stored text that is no time: shown as it is, never replaced by an invented value.
      ADisplayValue = AEditFocused ? FormatTime(0) : AEditValue.AsString();
      return;
    }
    v = t;
  } else if (AEditValue.IsNumeric() || AEditValue.VarType() == varDate) {
    v = AEditValue.AsDouble();
  } else {
    if (AEditFocused) throw EConvertError(LocalizeText("Could not convert to time"));
    ADisplayValue = AEditValue.AsString();  // cells show the value's own text
    return;
  }
  String text;
  try {
    if (AEditFocused)
      text = FormatTime(v);
    else if (fShowDate && v != 0 && std::trunc(v) != 0)
      text = DateTimeToStr(v);
    else if (fUseTimeFormatWhenUnfocused)
      text = FormatTime(v);
    else
      text = TimeToStr(v);
  } catch (const Exception&) {
    text = AEditFocused ? FormatTime(0) : String();
  }
  ADisplayValue = TrimRight(text);
}

void TkcCustomTimeEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                       IkcEditHost* AEdit) {
  if (AErrorText.empty()) AErrorText = LocalizeText("Could not convert to time");
  bool changedByUser = false;
  DoValidate(ADisplayValue, AErrorText, AError, AEdit, changedByUser);
}

// ---- The control -------------------------------------------------------------------------------

TClass TkcCustomTimeEditProperties::GetContainerClass() { return TkcTimeEdit::StaticClass(); }

void TkcCustomTimeEdit::Initialize() {
  TkcCustomSpinEdit::Initialize();
  SetEditValue(Null());
}

void TkcCustomTimeEdit::RememberDatePart() {
  Variant value = EditValue();
  double date = 0;
  if (value.IsStr()) {
    TDateTime parsed;
    if (TryStrToDateTime(value.AsString(), parsed)) date = parsed;
  } else if (!value.IsNull() && (value.IsNumeric() || value.VarType() == varDate)) {
    Variant checked = value;
    if (ActiveProperties()->IsEditValueValid(checked, false)) date = value.AsDouble();
  }
  fDatePart = std::trunc(date);
}

void TkcCustomTimeEdit::SynchronizeDisplayValue() {
  RememberDatePart();
  TkcCustomSpinEdit::SynchronizeDisplayValue();
}

String TkcCustomTimeEdit::ValueToText(const Variant& AValue) {
  return TkcCustomSpinEdit::ValueToText(Variant(AValue.AsDouble() / 86400.0));
}

Variant TkcCustomTimeEdit::GetValue() { return Variant(static_cast<double>(ActiveProperties()->SecondsOfText(Text()))); }

void TkcCustomTimeEdit::SetValue(const Variant& AValue) {
  if (AValue.IsNumeric()) SetTime(AValue.AsDouble() / 86400.0);
}

void TkcCustomTimeEdit::DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  AEditValue = ActiveProperties()->TextToTime(VarIsNull(ADisplayValue) ? String() : VarToStr(ADisplayValue), fDatePart);
}

double TkcCustomTimeEdit::Time() {
  Variant v;
  if (Focused())
    DisplayValueToEditValue(Variant(Text()), v, true);
  else
    v = EditValue();
  double t = 0;
  if (v.IsStr()) {
    TDateTime parsed;
    if (TryStrToDateTime(v.AsString(), parsed)) t = parsed;
  } else if (v.IsNumeric() || v.VarType() == varDate) {
    t = v.AsDouble();
  }
  return std::fabs(t - std::trunc(t));
}

void TkcCustomTimeEdit::SetTime(double Value) {
  const double time = std::fabs(Value - std::trunc(Value));
  const double date = fDatePart;
  const double value = date >= 0 ? date + time : date - time;
  fUserChange = true;
  try {
    SetEditValue(Variant::FromDate(value));
  } catch (...) {
    fUserChange = false;
    throw;
  }
  fUserChange = false;
}

bool TkcCustomTimeEdit::Spin(int ADirection) {
  LockChangeEvents(true);
  struct Unlock {
    TkcCustomTimeEdit* e;
    ~Unlock() { e->LockChangeEvents(false); }
  } unlock{this};
  if (!DoEditing()) return false;
  TkcCustomTimeEditProperties* p = ActiveProperties();
  String text;
  int selStart = 0, selLength = 0;
  if (!p->Spin(Text(), SelStart(), ADirection, text, selStart, selLength)) return false;
  const String old = Text();
  fInternalValue = GetValue();
  InnerTextEdit()->SetText(text);
  if (HandleAllocated()) {
    SetSelStart(selStart);
    SetSelLength(selLength);
  }
  if (text == old) return false;
  SetModifiedAfterEnter(true);
  if (p->ImmediatePost && CanPostEditValue() && ValidateEdit(true)) {
    PostEditValue(false);
    SynchronizeDisplayValue();
  }
  return true;
}

void TkcCustomTimeEdit::DoEditKeyPress(char32_t& Key) {
  // Every character goes to the mask, which asks IsCharValidForPos.
  TkcCustomMaskEdit::DoEditKeyPress(Key);
}

bool TkcCustomTimeEdit::IsCharValidForPos(char32_t& AChar, int APos) {
  const String before = Text();
  String text = before;
  int caret = APos - 1;
  const int pos = APos - 1;
  const TkcTimeCharResult result = ActiveProperties()->CharForPos(text, pos, AChar, caret);
  if (result == tcrReject) return false;
  if (result == tcrAccept && caret == pos && text == before) return true;
  if (result == tcrAccept) {
    // The rule changed the part's other digit or moved the digit on: typed here by hand, since
    // the mask writes into the text it read before asking.
    kcChars chars = kcToChars(text);
    if (caret < static_cast<int>(chars.size())) chars[static_cast<std::size_t>(caret)] = AChar;
    text = kcFromChars(chars);
    ++caret;
  }
  TkcCustomMaskEdit::SetEditText(text);
  SetSelection(caret, 0);
  fInternalValue = GetValue();
  AChar = 0;
  return false;
}
