#include "editors/kcFormats.h"

#include <algorithm>
#include <memory>

#include "editors/kcDateUtils.h"
#include "editors/kcEditChars.h"
#include "platform/core/FormatSettings.h"
#include "platform/win/Windows.h"

namespace {

TkcFormatController* gController = nullptr;
std::unique_ptr<TkcFormatController> gOwnedController;

// ---- format parsing ----------------------------------------------------------------------

class TFormatParser {
public:
  explicit TFormatParser(TkcDateTimeFormatInfo& Info) : fInfo(Info) {}

  bool Run(const String& Format) {
    fInfo = TkcDateTimeFormatInfo();
    bool ok = Parse(Format.empty() ? String("C") : Format, 0);
    if (!ok) {
      fInfo = TkcDateTimeFormatInfo();
      return false;
    }
    auto& items = fInfo.Items;
    auto hour = std::find_if(items.begin(), items.end(), [](const auto& i) { return i.Kind == dtikHour; });
    if (hour != items.end()) {
      hour->Data = (fAmPmRecorded ? "12" : "24") + hour->Data;
    } else {
      auto suffix = std::find_if(items.begin(), items.end(), [](const auto& i) { return i.Kind == dtikTimeSuffix; });
      if (suffix != items.end()) {
        items.erase(suffix);
        fInfo.DefinedItems[dtikTimeSuffix] = false;
      }
    }
    return true;
  }

private:
  void AddItem(uint8_t Kind, const String& Data) {
    auto& items = fInfo.Items;
    if (Kind == dtikString) {
      if (!items.empty() && items.back().Kind == dtikString)
        items.back().Data += Data;
      else
        items.push_back({Kind, Data});
      return;
    }
    if (Kind != dtikDateSeparator && Kind != dtikTimeSeparator) {
      if (fInfo.DefinedItems[Kind]) return;
    }
    fInfo.DefinedItems[Kind] = true;
    items.push_back({Kind, Data});
  }

  bool Parse(const String& Format, int Level) {
    if (Level >= 2) return true;
    const kcChars f = kcToChars(Format);
    const char32_t dateSep = kcDateSeparator(), timeSep = kcTimeSeparator();
    bool sawHour = false, sawAmPm = false;
    char32_t lastLetter = 0;
    size_t i = 0;
    auto upper = [&](size_t k) { return k < f.size() ? kcUpperChar(f[k]) : char32_t(0); };
    auto startsWith = [&](const char32_t* s) {
      for (size_t k = 0; s[k]; ++k)
        if (upper(i + k) != s[k]) return false;
      return true;
    };
    while (i < f.size()) {
      const char32_t c = upper(i);
      size_t run = 1;
      while (i + run < f.size() && upper(i + run) == c) ++run;
      if (c == U'"' || c == U'\'') {
        size_t end = i + 1;
        while (end < f.size() && f[end] != f[i]) ++end;
        AddItem(dtikString, kcFromChars(f.substr(i + 1, end - i - 1)));
        i = std::min(end + 1, f.size());
        continue;
      }
      const bool letter = (c >= U'A' && c <= U'Z');
      bool ok = true;
      size_t used = run;
      switch (c) {
        case U'A':
          if (startsWith(U"AM/PM")) {
            AddItem(dtikTimeSuffix, kcFromChars(f.substr(i, 5)));
            sawAmPm = true;
            used = 5;
          } else if (startsWith(U"A/P")) {
            AddItem(dtikTimeSuffix, kcFromChars(f.substr(i, 3)));
            sawAmPm = true;
            used = 3;
          } else if (startsWith(U"AMPM")) {
            AddItem(dtikTimeSuffix, "AMPM");
            sawAmPm = true;
            used = 4;
          } else if (run >= 4) {
            AddItem(dtikDay, "DDDD");
            used = 4;
          } else if (run == 3) {
            AddItem(dtikDay, "DDD");
          } else {
            AddItem(dtikString, kcCharToStr(f[i]));
            used = 1;
          }
          break;
        case U'C':
          ok = Parse(FormatSettings.ShortDateFormat, Level + 1);
          if (ok) AddItem(dtikString, " ");
          ok = ok && Parse(FormatSettings.LongTimeFormat, Level + 1);
          used = 1;
          break;
        case U'D':
          if (run <= 4)
            AddItem(dtikDay, String(run, 'D'));
          else if (run == 5)
            ok = Parse(FormatSettings.ShortDateFormat, Level + 1);
          else
            ok = Parse(FormatSettings.LongDateFormat, Level + 1);
          break;
        case U'E':
        case U'Y': AddItem(dtikYear, run > 2 ? "YYYY" : "YY"); break;
        case U'G': return false;
        case U'H':
          AddItem(dtikHour, String(std::min<size_t>(run, 2), 'H'));
          sawHour = true;
          break;
        case U'M':
          if (lastLetter == U'H')
            AddItem(dtikMin, String(std::min<size_t>(run, 2), 'N'));
          else
            AddItem(dtikMonth, String(std::min<size_t>(run, 4), 'M'));
          break;
        case U'N': AddItem(dtikMin, String(std::min<size_t>(run, 2), 'N')); break;
        case U'S': AddItem(dtikSec, String(std::min<size_t>(run, 2), 'S')); break;
        case U'Z': AddItem(dtikMSec, String(std::min<size_t>(run, 3), 'Z')); break;
        case U'T':
          ok = Parse(run == 1 ? FormatSettings.ShortTimeFormat : FormatSettings.LongTimeFormat, Level + 1);
          break;
        default:
          used = 1;
          if (f[i] == dateSep)
            AddItem(dtikDateSeparator, "");
          else if (f[i] == timeSep)
            AddItem(dtikTimeSeparator, "");
          else
            AddItem(dtikString, kcCharToStr(f[i]));
          break;
      }
      if (!ok) return false;
      if (letter) lastLetter = c;
      i += used;
    }
    if (sawHour) fAmPmRecorded = sawAmPm;
    return true;
  }

  TkcDateTimeFormatInfo& fInfo;
  bool fAmPmRecorded = false;
};

// ---- derived strings ---------------------------------------------------------------------

size_t CharCount(const String& s) { return kcToChars(s).size(); }

size_t LongerSuffix() {
  return std::max(CharCount(FormatSettings.TimeAMString), CharCount(FormatSettings.TimePMString));
}

// A quoted literal of a mask expression; a quote inside is doubled so the mask still compiles.
String RegExprQuoted(const String& Text) {
  String r = "'";
  for (char c : Text) {
    r += c;
    if (c == '\'') r += '\'';
  }
  return r + "'";
}

// A literal of a date-time display format; a single quote inside goes in double quotes.
String DisplayQuoted(const String& Text) {
  String r = "'";
  for (char c : Text) {
    if (c == '\'')
      r += "'\"'\"'";
    else
      r += c;
  }
  return r + "'";
}

String StandardMaskOf(const TkcDateTimeFormatInfo& Info) {
  if (Info.Items.empty()) return "";
  String r = "!";
  for (const auto& item : Info.Items) {
    switch (item.Kind) {
      case dtikString:
        for (char32_t c : kcToChars(item.Data)) r += "\\" + kcCharToStr(c);
        break;
      case dtikYear: r += item.Data.size() == 2 ? "99" : "9999"; break;
      case dtikMonth:
      case dtikDay: r += item.Data.size() > 2 ? "lll" : "99"; break;
      case dtikHour:
      case dtikMin:
      case dtikSec: r += "99"; break;
      case dtikTimeSuffix:
        if (item.Data.size() == 3)
          r += "c";
        else if (item.Data.size() == 5)
          r += "cc";
        else
          r += String(LongerSuffix(), 'c');
        break;
      case dtikDateSeparator: r += "/"; break;
      case dtikTimeSeparator: r += ":"; break;
      default: break;
    }
  }
  return r + ";1; ";
}

String SeparatorExpr(char Separator) {
  if (Separator == 0) return "";
  if (Separator == ' ') return "' '";
  return "\\" + String(1, Separator);
}

String DateRegExprOf(const TkcDateTimeFormatInfo& Info) {
  String r;
  for (const auto& item : Info.Items) {
    switch (item.Kind) {
      case dtikString: r += RegExprQuoted(item.Data); break;
      case dtikYear: r += item.Data.size() == 2 ? "\\d\\d" : "\\d\\d\\d\\d"; break;
      case dtikMonth: {
        const auto& names = item.Data.size() == 4 ? FormatSettings.LongMonthNames : FormatSettings.ShortMonthNames;
        r += "((0?[1-9]|1[012])|(";
        for (size_t m = 0; m < names.size(); ++m) r += (m ? "|" : "") + RegExprQuoted(names[m]);
        r += "))";
        break;
      }
      case dtikDay: r += "([012]?[1-9]|[123]0|31)"; break;
      case dtikDateSeparator: r += SeparatorExpr(FormatSettings.DateSeparator); break;
      case dtikTimeSeparator: r += SeparatorExpr(FormatSettings.TimeSeparator); break;
      default: break;
    }
  }
  return r;
}

String TimeRegExprOf(const TkcDateTimeFormatInfo& Info) {
  String r;
  for (const auto& item : Info.Items) {
    switch (item.Kind) {
      case dtikString: r += RegExprQuoted(item.Data); break;
      case dtikHour: r += item.Data.rfind("12", 0) == 0 ? "(0?[1-9]|1[012])" : "([01]?\\d|2[0-3])"; break;
      case dtikMin:
      case dtikSec: r += "[0-5]?\\d"; break;
      case dtikTimeSuffix: {
        // "a/p" and "am/pm" show in the case they are written in, and in lower case through
        // the display format.
        if (item.Data.size() == 3 || item.Data.size() == 5) {
          const size_t half = item.Data.size() / 2;
          std::vector<String> marks;
          for (const String& data : {item.Data, LowerCase(item.Data)})
            for (const String& mark : {data.substr(0, half), data.substr(half + 1)})
              if (std::find(marks.begin(), marks.end(), mark) == marks.end()) marks.push_back(mark);
          String alternatives;
          for (const String& mark : marks) alternatives += (alternatives.empty() ? "" : "|") + RegExprQuoted(mark);
          r += "(" + alternatives + ")?";
        } else {
          const String& am = FormatSettings.TimeAMString;
          const String& pm = FormatSettings.TimePMString;
          if (!am.empty() && !pm.empty())
            r += "(" + RegExprQuoted(am) + "|" + RegExprQuoted(pm) + ")?";
          else if (!am.empty() || !pm.empty())
            r += "(" + RegExprQuoted(am.empty() ? pm : am) + ")?";
        }
        break;
      }
      case dtikTimeSeparator: r += SeparatorExpr(FormatSettings.TimeSeparator); break;
      // A time written with the date separator's character (Finnish "H.mm.ss") keeps it.
      case dtikDateSeparator: r += SeparatorExpr(FormatSettings.DateSeparator); break;
      default: break;
    }
  }
  return r;
}

String DisplayFormatOf(const TkcDateTimeFormatInfo& Info) {
  String r;
  for (const auto& item : Info.Items) {
    switch (item.Kind) {
      case dtikString: r += DisplayQuoted(item.Data); break;
      case dtikYear: r += item.Data == "YY" ? "yy" : "yyyy"; break;
      case dtikMonth: r += item.Data.size() > 2 ? "mmm" : "mm"; break;
      case dtikDay: r += item.Data.size() > 2 ? "ddd" : "dd"; break;
      case dtikHour: r += "hh"; break;
      case dtikMin: r += "nn"; break;
      case dtikSec: r += "ss"; break;
      case dtikTimeSuffix:
        r += kcFromChars([&] {
          kcChars c = kcToChars(item.Data);
          for (auto& ch : c) ch = kcLowerChar(ch);
          return c;
        }());
        break;
      case dtikDateSeparator: r += "/"; break;
      case dtikTimeSeparator: r += ":"; break;
      default: break;
    }
  }
  return r;
}

String CurrencyFormatOf(const TFormatSettings& S) {
  const String number = ",0." + String(size_t(std::max(S.CurrencyDecimals, 0)), '0');
  String c;
  for (char ch : S.CurrencyString) {
    if (ch == ',' || ch == '.')
      c += String("'") + ch + "'";
    else
      c += ch;
  }
  if (c.empty()) return number + ";-" + number;
  const String& n = number;
  String positive;
  switch (S.CurrencyFormat) {
    case 1: positive = n + c; break;
    case 2: positive = c + " " + n; break;
    case 3: positive = n + " " + c; break;
    default: positive = c + n; break;
  }
  String negative;
  switch (S.NegCurrFormat) {
    case 1: negative = "-" + c + n; break;
    case 2: negative = c + "-" + n; break;
    case 3: negative = c + n + "-"; break;
    case 4: negative = "(" + n + c + ")"; break;
    case 5: negative = "-" + n + c; break;
    case 6: negative = n + "-" + c; break;
    case 7: negative = n + c + "-"; break;
    case 8: negative = "-" + n + " " + c; break;
    case 9: negative = "-" + c + " " + n; break;
    case 10: negative = n + " " + c + "-"; break;
    case 11: negative = c + " " + n + "-"; break;
    case 12: negative = c + " -" + n; break;
    case 13: negative = n + "- " + c; break;
    case 14: negative = "(" + c + " " + n + ")"; break;
    case 15: negative = "(" + n + " " + c + ")"; break;
    default: negative = "(" + c + n + ")"; break;
  }
  return positive + ";" + negative;
}

// The short date format with every single "d" and single "M" doubled.
String DateEditTextOf(const String& Format) {
  String r;
  for (size_t i = 0; i < Format.size(); ++i) {
    char c = Format[i];
    r += c;
    if (c != 'd' && c != 'M') continue;
    bool single = (i == 0 || Format[i - 1] != c) && (i + 1 >= Format.size() || Format[i + 1] != c);
    if (single) r += c;
  }
  return r;
}

int ItemLength(const TkcDateTimeFormatItem& Item) {
  switch (Item.Kind) {
    case dtikString: return int(CharCount(Item.Data));
    case dtikYear: return Item.Data.size() == 2 ? 2 : 4;
    case dtikMonth:
    case dtikDay: return Item.Data.size() > 2 ? 3 : 2;
    case dtikHour:
    case dtikMin:
    case dtikSec: return 2;
    case dtikTimeSuffix: return Item.Data.size() == 3 ? 1 : Item.Data.size() == 5 ? 2 : int(LongerSuffix());
    case dtikDateSeparator:
    case dtikTimeSeparator: return 1;
    default: return 0;
  }
}

}  // namespace

// ---- controller --------------------------------------------------------------------------

TkcFormatController::TkcFormatController() { Refresh(); }

TkcFormatController::~TkcFormatController() {
  if (gController == this) gController = nullptr;
}

TkcFormatController* GetFormatController() {
  if (!gController) {
    gOwnedController = std::make_unique<TkcFormatController>();
    gController = gOwnedController.get();
  }
  return gController;
}

void TkcFormatController::AddListener(IkcFormatChangedListener* Listener) {
  if (!Listener || std::find(fListeners.begin(), fListeners.end(), Listener) != fListeners.end()) return;
  fListeners.push_back(Listener);
}

void TkcFormatController::RemoveListener(IkcFormatChangedListener* Listener) {
  fListeners.erase(std::remove(fListeners.begin(), fListeners.end(), Listener), fListeners.end());
}

void TkcFormatController::NotifyListeners() {
  // Listeners may come and go while they are told; those removed meanwhile are skipped.
  const auto snapshot = fListeners;
  for (auto* listener : snapshot)
    if (std::find(fListeners.begin(), fListeners.end(), listener) != fListeners.end()) listener->FormatChanged();
}

// Both entry points are called from the platform's event handling: an exception goes to the
// application's handler, never back into the event loop.
void TkcFormatController::FormatSettingsChanged() {
  if (!IsWatching()) return;
  try {
    Refresh();
    NotifyListeners();
  } catch (...) {
    HandleException(std::current_exception());
  }
}

void TkcFormatController::SystemTimeChanged() {
  try {
    const auto snapshot = fListeners;
    for (auto* listener : snapshot) {
      if (std::find(fListeners.begin(), fListeners.end(), listener) == fListeners.end()) continue;
      if (auto* time = dynamic_cast<IkcTimeChangedListener*>(listener)) time->TimeChanged();
    }
  } catch (...) {
    HandleException(std::current_exception());
  }
}

void TkcFormatController::Refresh() {
  if (!gController) gController = this;
  const TFormatSettings& s = FormatSettings;
  if (!CurrencyFormatAssigned) fCurrencyDisplayFormat = CurrencyFormatOf(s);
  if (!WeekStartAssigned) fWeekStart = uint8_t((s.FirstDayOfWeek + 1) % 7);
  ParseFormat(s.ShortDateFormat, fDateFormatInfo);
  ParseFormat(s.LongTimeFormat, fTimeFormatInfo);
  ParseFormat(s.ShortDateFormat + " " + s.LongTimeFormat, fDateTimeFormatInfo);
  fDateMask = StandardMaskOf(fDateFormatInfo);
  if (!DateStandardMaskAssigned) fDateStandardMask = fDateMask;
  const String dateExpr = DateRegExprOf(fDateFormatInfo);
  if (!DateRegExprMaskAssigned) {
    fDateRegExprMask = dateExpr;
    if (!dateExpr.empty()) AddSmartDateWordsToMask(fDateRegExprMask, false);
  }
  if (!DateTimeRegExprMaskAssigned) {
    const String timeExpr = TimeRegExprOf(fTimeFormatInfo);
    fDateTimeRegExprMask = dateExpr.empty() ? String() : dateExpr + " ' '(" + timeExpr + ")?";
    if (!fDateTimeRegExprMask.empty()) AddSmartDateWordsToMask(fDateTimeRegExprMask, true);
  }
  if (!DateTimeStandardMaskAssigned) fDateTimeStandardMask = StandardMaskOf(fDateTimeFormatInfo);
  fDateDisplayFormat = DisplayFormatOf(fDateFormatInfo);
  fDateTimeDisplayFormat = DisplayFormatOf(fDateTimeFormatInfo);
  fDateEditText = DateEditTextOf(s.ShortDateFormat);
}

bool TkcFormatController::ParseFormat(const String& Format, TkcDateTimeFormatInfo& Info) {
  return TFormatParser(Info).Run(Format);
}

bool TkcFormatController::FindFormatItemAtPos(const TkcDateTimeFormatInfo& Info, int Pos,
                                              TkcDateTimeFormatItemInfo& ItemInfo) {
  if (Pos < 1 || Info.Items.empty()) return false;
  int start = 1;
  for (const auto& item : Info.Items) {
    int len = ItemLength(item);
    if (Pos >= start && Pos < start + len) {
      ItemInfo.Kind = item.Kind;
      ItemInfo.ItemZoneStart = start;
      ItemInfo.ItemZoneLength = len;
      ItemInfo.TimeSuffixKind = item.Kind != dtikTimeSuffix ? 0
                                : item.Data.size() == 3     ? 0
                                : item.Data.size() == 5     ? 1
                                                            : 2;
      return true;
    }
    start += len;
  }
  return false;
}

int TkcFormatController::GetFormatTextLength(const TkcDateTimeFormatInfo& Info) {
  int n = 0;
  for (const auto& item : Info.Items) n += ItemLength(item);
  return n;
}
