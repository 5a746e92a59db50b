#include "grid/kcGridCommon.h"

#include "platform/forms/Forms.h"

void RegisterGridCursors() {
  static bool registered = false;
  if (registered || !Screen) return;
  registered = true;
  RegisterLibraryCursors();
  Screen->SetCursors(crkcGridSelectRow, LoadCursor(HINSTANCE(), "KC_GRIDSELECTROWCURSOR"));
}

TkcButtonState CellStateToButtonState(int AState) {
  switch (AState & 0x7F) {
    case gcsHot: return kcbsHot;
    case gcsPressed: return kcbsPressed;
    default: return kcbsNormal;
  }
}

String StreamToHexText(TStream* AStream) {
  if (!AStream || AStream->Size() == 0) return {};
  static const char digits[] = "0123456789ABCDEF";
  std::int64_t size = AStream->Size();
  std::string bytes(static_cast<size_t>(size), '\0');
  std::int64_t old = AStream->Position();
  AStream->SetPosition(0);
  AStream->ReadBuffer(bytes.data(), size);
  AStream->SetPosition(old);
  String result = "Hex:";
  result.reserve(4 + bytes.size() * 2);
  for (unsigned char b : bytes) {
    result += digits[b >> 4];
    result += digits[b & 15];
  }
  return result;
}

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  throw EkcHexStringConvertError("");
}
}  // namespace

void HexTextToStream(const String& AText, TStream* AStream) {
  if (!AStream || AText.size() <= 5) return;
  std::string bytes;
  bytes.reserve((AText.size() - 4) / 2);
  for (size_t i = 4; i + 1 < AText.size(); i += 2)
    bytes += static_cast<char>(HexDigit(AText[i]) * 16 + HexDigit(AText[i + 1]));
  if (!bytes.empty()) AStream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

bool TextToBoolean(const String& AText) {
  if (SameText(AText, "TRUE")) return true;
  if (SameText(AText, "FALSE")) return false;
  throw EPropertyConvertError("");
}
