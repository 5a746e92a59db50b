#include "platform/win/ShellApi.h"

#include <QDesktopServices>
#include <QUrl>

#include <cstring>
#include <mutex>

namespace {
std::mutex gMutex;
TShellOpenProvider gProvider;
std::vector<std::pair<String, String>> gVersionStrings;

bool DesktopOpen(const String& target) {
  QString text = QString::fromStdString(target);
  // A path opens as a local file; anything with a scheme as the address it is.
  QUrl url = text.startsWith('/') ? QUrl::fromLocalFile(text) : QUrl(text);
  return url.isValid() && QDesktopServices::openUrl(url);
}

// The block: for each string, its key, NUL, its value, NUL; then one more NUL.
std::string VersionBlock() {
  std::string block;
  for (const auto& [key, value] : gVersionStrings) {
    block += key;
    block += '\0';
    block += value;
    block += '\0';
  }
  block += '\0';  // an empty key ends the block
  return block;
}

constexpr const char* kStringTable = "StringFileInfo\\040904E4\\";
}  // namespace

HINSTANCE ShellExecute(HWND, const String&, const String& file, const String&, const String&, int) {
  TShellOpenProvider provider;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    provider = gProvider;
  }
  bool opened = provider ? provider(file) : DesktopOpen(file);
  return HINSTANCE(opened ? 42 : 2);
}

TShellOpenProvider SetShellOpenProvider(TShellOpenProvider provider) {
  std::lock_guard<std::mutex> lock(gMutex);
  std::swap(gProvider, provider);
  return provider;
}

void SetVersionResource(std::vector<std::pair<String, String>> strings) {
  std::lock_guard<std::mutex> lock(gMutex);
  gVersionStrings = std::move(strings);
}

DWORD GetFileVersionInfoSize(const String&, DWORD* handle) {
  if (handle) *handle = 0;
  std::lock_guard<std::mutex> lock(gMutex);
  return gVersionStrings.empty() ? 0 : static_cast<DWORD>(VersionBlock().size());
}

BOOL GetFileVersionInfo(const String&, DWORD, DWORD size, void* data) {
  std::lock_guard<std::mutex> lock(gMutex);
  std::string block = VersionBlock();
  if (gVersionStrings.empty() || !data || size < block.size()) return FALSE;
  std::memcpy(data, block.data(), block.size());
  return TRUE;
}

BOOL VerQueryValue(const void* data, const String& subBlock, const char** value, UINT* length) {
  if (!data || subBlock.rfind(kStringTable, 0) != 0) return FALSE;
  const String key = subBlock.substr(std::strlen(kStringTable));
  // The block ends with an empty key (the buffer is at least one string long).
  for (const char* p = static_cast<const char*>(data); *p;) {
    const char* v = p + std::strlen(p) + 1;
    if (key == p) {
      if (value) *value = v;
      if (length) *length = static_cast<UINT>(std::strlen(v) + 1);
      return TRUE;
    }
    p = v + std::strlen(v) + 1;
  }
  return FALSE;
}
