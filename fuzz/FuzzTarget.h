#pragma once
// What every fuzz target shares: the entry point libFuzzer calls, and a reader that takes
// small choices off the front of an input before the rest is handed to a parser.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

class TFuzzInput {
public:
  TFuzzInput(const std::uint8_t* data, std::size_t size) : fRest(reinterpret_cast<const char*>(data), size) {}
  // One byte of the input (0 when it is used up).
  std::uint8_t Byte() {
    if (fRest.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(fRest.front());
    fRest.remove_prefix(1);
    return b;
  }
  // Text up to the next NUL byte (or the end), which is taken too.
  std::string Part() {
    const std::size_t end = fRest.find('\0');
    std::string part(fRest.substr(0, end));
    fRest.remove_prefix(end == std::string_view::npos ? fRest.size() : end + 1);
    return part;
  }
  std::string Rest() {
    std::string rest(fRest);
    fRest = {};
    return rest;
  }

private:
  std::string_view fRest;
};
