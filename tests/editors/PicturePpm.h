#pragma once
// Saves a window picture as a PPM file, for looking at what a test drew.

#include <cstdio>

#include <gtest/gtest.h>

#include "platform/gdi/Surface.h"

inline void SavePicturePpm(const Surface& s, const std::string& APath) {
  FILE* out = std::fopen(APath.c_str(), "wb");
  ASSERT_NE(out, nullptr) << APath;
  std::fprintf(out, "P6\n%d %d\n255\n", s.Width(), s.Height());
  for (int i = 0; i < s.Width() * s.Height(); ++i) {
    const auto p = s.Bits()[i];
    const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                  static_cast<unsigned char>(p)};
    std::fwrite(rgb, 1, 3, out);
  }
  std::fclose(out);
}
