#pragma once
// Types shared by the editor's text core: buffer and display coordinates, selection modes,
// the highlighter range and the line-break styles.

#include <cstdint>

// Position in the text: Char counts characters of the line (a multi-byte UTF-8 character is
// one), Line counts lines; both from 1.
struct TBufferCoord {
  int Char = 0;
  int Line = 0;
  friend bool operator==(const TBufferCoord&, const TBufferCoord&) = default;
};

// Position on the screen grid after tab expansion and word wrap, both from 1.
struct TDisplayPoint {
  int Column = 0;
  int Row = 0;
  friend bool operator==(const TDisplayPoint&, const TDisplayPoint&) = default;
};

inline TBufferCoord BufferCoord(int aChar, int aLine) { return {aChar, aLine}; }
inline TDisplayPoint DisplayCoord(int aColumn, int aRow) { return {aColumn, aRow}; }

enum TSxSelectionMode : std::uint8_t { smNormal, smLine, smColumn };

// The scanner state at the start of a line; 0 is the state of a fresh text.
using TSxRange = std::intptr_t;

enum TLineBreakStyle : std::uint8_t { lbsCrLf = 0, lbsLf = 1, lbsCr = 2 };
