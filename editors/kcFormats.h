#pragma once
// The locale format controller: parses the date and time formats of the process format settings
// into typed items and derives the edit masks and display formats the date, time and currency
// editors use. Editors register as listeners and are told when the regional settings change.

#include <array>
#include <cstdint>
#include <vector>

#include "platform/core/SysUtils.h"

enum TkcDateTimeFormatItemKind : uint8_t {
  dtikString = 0,      // literal text
  dtikYear = 1,        // "YY" or "YYYY"
  dtikMonth = 2,       // "M" .. "MMMM"
  dtikDay = 3,         // "D" .. "DDDD"
  dtikHour = 4,        // "12" or "24" followed by "H" or "HH"
  dtikMin = 5,         // "N" or "NN"
  dtikSec = 6,         // "S" or "SS"
  dtikMSec = 7,        // "Z" .. "ZZZ"
  dtikTimeSuffix = 8,  // "AM/PM", "A/P" or "AMPM" as written
  dtikDateSeparator = 9,
  dtikTimeSeparator = 10,
};

struct TkcDateTimeFormatItem {
  uint8_t Kind = dtikString;
  String Data;
};

struct TkcDateTimeFormatInfo {
  std::array<bool, 11> DefinedItems{};
  std::vector<TkcDateTimeFormatItem> Items;
};

// The item of a formatted text at a position.
struct TkcDateTimeFormatItemInfo {
  uint8_t Kind = dtikString;
  int ItemZoneStart = 0;  // 1-based
  int ItemZoneLength = 0;
  int TimeSuffixKind = 0;  // 0 "A/P", 1 "AM/PM", 2 the locale's strings
};

class IkcFormatChangedListener {
public:
  virtual ~IkcFormatChangedListener() = default;
  virtual void FormatChanged() = 0;
};

// A format listener that also implements this one is told of system time changes.
class IkcTimeChangedListener {
public:
  virtual ~IkcTimeChangedListener() = default;
  virtual void TimeChanged() = 0;
};

class TkcFormatController {
public:
  TkcFormatController();
  virtual ~TkcFormatController();
  TkcFormatController(const TkcFormatController&) = delete;
  TkcFormatController& operator=(const TkcFormatController&) = delete;

  virtual void AddListener(IkcFormatChangedListener* Listener);
  virtual void RemoveListener(IkcFormatChangedListener* Listener);
  int ListenerCount() const { return int(fListeners.size()); }
  // True while there are listeners: only then does the controller follow setting changes.
  bool IsWatching() const { return !fListeners.empty(); }

  // Recomputes everything not marked as assigned from the process format settings.
  void Refresh();
  void NotifyListeners();
  // Entry points of the platform: the regional settings (FormatSettings) or the system time
  // changed. Ignored while nobody listens.
  void FormatSettingsChanged();
  void SystemTimeChanged();

  static bool ParseFormat(const String& Format, TkcDateTimeFormatInfo& Info);
  static bool FindFormatItemAtPos(const TkcDateTimeFormatInfo& Info, int Pos, TkcDateTimeFormatItemInfo& ItemInfo);
  static int GetFormatTextLength(const TkcDateTimeFormatInfo& Info);

  const String& CurrencyDisplayFormat() const { return fCurrencyDisplayFormat; }
  const String& DateEditText() const { return fDateEditText; }
  const String& DateMask() const { return fDateMask; }
  const TkcDateTimeFormatInfo& DateFormatInfo() const { return fDateFormatInfo; }
  const TkcDateTimeFormatInfo& DateTimeFormatInfo() const { return fDateTimeFormatInfo; }
  const TkcDateTimeFormatInfo& TimeFormatInfo() const { return fTimeFormatInfo; }
  uint8_t FirstWeekRule() const { return fFirstWeekRule; }
  void SetFirstWeekRule(uint8_t Value) { fFirstWeekRule = Value; }
  const String& DateDisplayFormat() const { return fDateDisplayFormat; }
  const String& DateTimeDisplayFormat() const { return fDateTimeDisplayFormat; }
  const String& DateRegExprMask() const { return fDateRegExprMask; }
  const String& DateTimeRegExprMask() const { return fDateTimeRegExprMask; }
  const String& DateStandardMask() const { return fDateStandardMask; }
  const String& DateTimeStandardMask() const { return fDateTimeStandardMask; }
  uint8_t WeekStart() const { return fWeekStart; }  // 0 Sunday .. 6 Saturday
  bool UseFormatSettings() const { return fUseFormatSettings; }
  void SetUseFormatSettings(bool Value) { fUseFormatSettings = Value; }

  // When set, Refresh keeps the corresponding value.
  bool CurrencyFormatAssigned = false;
  bool DateRegExprMaskAssigned = false;
  bool DateTimeRegExprMaskAssigned = false;
  bool DateStandardMaskAssigned = false;
  bool DateTimeStandardMaskAssigned = false;
  bool WeekStartAssigned = false;

private:
  String fCurrencyDisplayFormat;
  String fDateEditText;
  String fDateMask;
  TkcDateTimeFormatInfo fDateFormatInfo;
  TkcDateTimeFormatInfo fDateTimeFormatInfo;
  uint8_t fFirstWeekRule = 0;
  std::vector<IkcFormatChangedListener*> fListeners;
  String fDateDisplayFormat;
  String fDateTimeDisplayFormat;
  String fDateRegExprMask;
  String fDateTimeRegExprMask;
  String fDateStandardMask;
  String fDateTimeStandardMask;
  uint8_t fWeekStart = 0;
  TkcDateTimeFormatInfo fTimeFormatInfo;
  bool fUseFormatSettings = false;
};

// The controller of the process, created on first use.
TkcFormatController* GetFormatController();
