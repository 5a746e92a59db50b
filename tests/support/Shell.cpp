#include "support/Shell.h"

#include <array>
#include <cstdio>

std::string ShellOutput(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (!p) return out;
  std::array<char, 256> buf{};
  while (fgets(buf.data(), buf.size(), p)) out += buf.data();
  pclose(p);
  return out;
}
