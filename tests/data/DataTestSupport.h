#pragma once
// Byte helpers for the stream tests of the data layer.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/core/Classes.h"

inline std::vector<std::uint8_t> StreamBytes(TMemoryStream& ms) {
  auto* p = static_cast<const std::uint8_t*>(ms.Memory());
  return std::vector<std::uint8_t>(p, p + ms.Size());
}

inline std::unique_ptr<TMemoryStream> MemoryStreamOf(const std::vector<std::uint8_t>& bytes) {
  auto ms = std::make_unique<TMemoryStream>();
  if (!bytes.empty()) ms->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  ms->SetPosition(0);
  return ms;
}
