#pragma once
// The clipboard: text, bitmaps, and pictures in the framework's private format (the graphic's
// class and its own stream, so a picture pastes back byte for byte). The desktop's clipboard
// is used when a GUI application runs; otherwise one kept in the process.

#include "platform/forms/Graphics.h"
#include "platform/win/Windows.h"

// The private picture format.
constexpr UINT CF_PICTURE = 0xC0F0;

// A format of the program's own by name: the same name answers the same number (from 0xC100).
UINT RegisterClipboardFormat(const String& name);

class TClipboard {
public:
  String AsText() const;
  void SetAsText(const String& v);
  bool HasText() const { return HasFormat(CF_TEXT); }
  bool HasFormat(UINT format) const;
  // Puts the graphic (CF_PICTURE) and its drawing (CF_BITMAP); text is gone.
  void Assign(TGraphic* graphic);
  void Assign(TPicture* picture) { Assign(picture ? picture->Graphic() : nullptr); }
  // A picture from CF_PICTURE, else from CF_BITMAP; false (picture untouched) when neither.
  bool AssignTo(TPicture* picture) const;
  // Puts text (CF_TEXT) and the bytes of a registered format together, in one change.
  void SetTextWithData(const String& text, UINT format, const std::string& data);
  // The bytes of a registered format; false when the clipboard holds none.
  bool GetData(UINT format, std::string& data) const;
  void Clear();
};
TClipboard* Clipboard();
