#pragma once
// Picture values for the image and blob editor tests.

#include <string>

#include "platform/forms/Graphics.h"

// The bytes of a bitmap of one colour, as a picture value holds them.
inline std::string BitmapBytes(int w, int h, TColor color) {
  TBitmap bitmap(w, h);
  bitmap.Canvas()->Brush()->SetColor(color);
  bitmap.Canvas()->FillRect(Rect(0, 0, w, h));
  TMemoryStream stream;
  bitmap.SaveToStream(&stream);
  return std::string(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}
