#pragma once
// The clipboard: text, bitmaps, and pictures in the framework's private format (the graphic's
// class and its own stream, so a picture pastes back byte for byte). The desktop's clipboard
// is used when a GUI application runs; otherwise one kept in the process.

#include "platform/forms/Graphics.h"
#include "platform/win/Windows.h"

// The private picture format.
constexpr UINT CF_PICTURE = 0xC0F0;

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
  void Clear();
};
TClipboard* Clipboard();
