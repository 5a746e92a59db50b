#pragma once
// Small types shared by the printing code: header and footer frames, margin units, the print
// status reported to the caller, wrap positions in a line, and Roman page numbers.

#include <cstdint>
#include <vector>

#include "editor/SxEditMiscProcs.h"
#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

enum TFrameType { ftLine, ftBox, ftShaded };
using TFrameTypes = TSet<TFrameType, 3>;

enum TUnitSystem { usMM, usCM, usInch, muThousandthsOfInches };

enum TSxPrintStatus { psBegin, psNewPage, psEnd };

// Where a printed row ends: the 1-based index of its last character in the line.
struct TWrapPos {
  std::int32_t Index = 0;
  friend bool operator==(const TWrapPos&, const TWrapPos&) = default;
};

// Finds where to break a line longer than MaxCol characters so that each row ends on one of
// BreakChars (appended to WrapPositions). True when the line fits, or when at least one break
// was found; false, with nothing added, when no break character allows a wrap. MaxCol below 1
// counts as 1.
bool WrapTextEx(std::string_view Line, const TSxCharSet& BreakChars, int MaxCol, std::vector<TWrapPos>& WrapPositions);

// Roman numeral; thousands are repeated "M"; 0 and negative values give "".
String IntToRoman(int Value);
