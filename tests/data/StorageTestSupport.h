#pragma once
// Small helpers of the record storage tests.

#include <cstdio>
#include <string>

#include "platform/core/Classes.h"

// The stream's bytes as "00 07 00 00 00".
inline std::string StorageHex(TMemoryStream& s) {
  std::string out;
  auto* p = static_cast<const unsigned char*>(s.Memory());
  for (std::int64_t i = 0; i < s.Size(); ++i) {
    char b[4];
    std::snprintf(b, sizeof b, "%02X", p[i]);
    if (!out.empty()) out += ' ';
    out += b;
  }
  return out;
}

// A stream holding the given bytes, positioned at its start.
inline void StorageSetBytes(TMemoryStream& s, std::initializer_list<unsigned char> bytes) {
  s.Clear();
  for (unsigned char b : bytes) s.WriteUInt8(b);
  s.SetPosition(0);
}
