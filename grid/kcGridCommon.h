#pragma once
// Small pieces every part of the grid shares: cell states, the grid's cursors, the text forms
// of binary values and Booleans in stored layouts, and the base of the drag-open objects.

#include "controls/kcControls.h"
#include "controls/kcLookAndFeelPainters.h"

VT_DECLARE_EXCEPTION(EkcHexStringConvertError, Exception);
// A stored property whose text is no value of its type.
VT_DECLARE_EXCEPTION(EPropertyConvertError, Exception);

enum TkcGridCellState : std::uint8_t { gcsNormal, gcsHot, gcsPressed };

// The grid's cursors: the library's sizing and dragging cursors and the row-selection cursor.
constexpr TCursor crkcGridHorzSize = crkcHorzSize, crkcGridVertSize = crkcVertSize, crkcGridRemove = crkcRemove,
                  crkcGridNoDrop = crkcNoDrop, crkcGridDrag = crkcDrag, crkcGridMultiDrag = crkcMultiDrag,
                  crkcGridSelectRow = 4007;
// Registers the library cursors and the row-selection cursor with the screen (once).
void RegisterGridCursors();

// Two pixels of text offset on each side.
inline void AddCellTextOffsets(int& AValue) { AValue += 4; }
TkcButtonState CellStateToButtonState(int AState);

// "Hex:" and two upper-case digits per byte of the whole stream; empty for none or empty.
String StreamToHexText(TStream* AStream);
// Decodes the digit pairs after the first four characters at the stream's position; a text of
// five characters or fewer writes nothing, an odd last digit is ignored.
void HexTextToStream(const String& AText, TStream* AStream);
// "TRUE" / "FALSE" in any letter case.
bool TextToBoolean(const String& AText);

// What a drag held over a place opens once the grid's waiting time has passed.
class TkcCustomGridDragOpenInfo : public TObject {
  VT_CLASS(TkcCustomGridDragOpenInfo, TObject)
public:
  virtual bool Equals(TkcCustomGridDragOpenInfo* AInfo) { return AInfo && AInfo->ClassType() == ClassType(); }
  virtual void Run() = 0;
};

// Watches an object across a call that may free it.
struct TkcGridLinkScope {
  explicit TkcGridLinkScope(TObject* AObject) : fLink(AddObjectLink(AObject)) {}
  ~TkcGridLinkScope() { RemoveObjectLink(fLink); }
  TkcGridLinkScope(const TkcGridLinkScope&) = delete;
  TkcGridLinkScope& operator=(const TkcGridLinkScope&) = delete;
  bool Alive() const { return fLink->LinkTarget != nullptr; }

private:
  TkcObjectLink* fLink;
};
