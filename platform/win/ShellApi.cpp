#include "platform/win/ShellApi.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/core/Utf8.h"

namespace {
std::mutex gMutex;
TShellOpenProvider gProvider;
std::vector<std::pair<String, String>> gVersionStrings;

bool DesktopOpen(const String& target) {
  if (IsShellLaunchTarget(target)) return false;
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

bool IsShellLaunchTarget(const String& fileOrUrl) {
  const QString text = QString::fromStdString(fileOrUrl).trimmed();
  if (text.isEmpty()) return false;
  QString path = text;
  if (!text.startsWith('/')) {
    const QUrl url(text);
    const QString scheme = url.scheme().toLower();
    // A one-letter scheme is no scheme here; anything else with a scheme is an address.
    if (scheme == "file")
      path = url.toLocalFile();
    else if (scheme.size() > 1)
      return false;
  }
  const QFileInfo info(path);
  if (!info.exists() || info.isDir()) return false;
  return info.isExecutable() || info.suffix().compare("desktop", Qt::CaseInsensitive) == 0;
}

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

// ---- dropped files ----------------------------------------------------------------------

namespace {
struct TDrop {
  POINT pt;
  bool inClient = false;
  std::vector<String> files;
};
std::map<std::uintptr_t, TDrop> gDrops;  // guarded by gMutex
std::uintptr_t gNextDrop = 0;

bool FindDrop(HDROP drop, TDrop& out) {
  std::lock_guard lock(gMutex);
  auto it = gDrops.find(drop.value);
  if (it == gDrops.end()) return false;
  out = it->second;
  return true;
}
}  // namespace

void DragAcceptFiles(HWND wnd, BOOL accept) {
  const DWORD ex = static_cast<DWORD>(GetWindowLong(wnd, GWL_EXSTYLE));
  SetWindowLong(wnd, GWL_EXSTYLE, accept ? ex | WS_EX_ACCEPTFILES : ex & ~WS_EX_ACCEPTFILES);
}

UINT DragQueryFile(HDROP drop, UINT file, char* buffer, UINT size) {
  TDrop d;
  if (!FindDrop(drop, d)) return 0;
  if (file == 0xFFFFFFFFu) return static_cast<UINT>(d.files.size());
  if (file >= d.files.size()) return 0;
  const String& path = d.files[file];
  if (!buffer) return static_cast<UINT>(path.size());
  if (size == 0) return 0;
  std::size_t n = std::min<std::size_t>(path.size(), size - 1);
  while (n > 0 && !Utf8IsBoundary(path, n)) --n;
  std::memcpy(buffer, path.data(), n);
  buffer[n] = 0;
  return static_cast<UINT>(n);
}

BOOL DragQueryPoint(HDROP drop, POINT* pt) {
  TDrop d;
  if (!FindDrop(drop, d)) return FALSE;
  if (pt) *pt = d.pt;
  return d.inClient;
}

void DragFinish(HDROP drop) {
  std::lock_guard lock(gMutex);
  gDrops.erase(drop.value);
}

HWND FileDropTarget(POINT screen) {
  for (HWND w = WindowFromPoint(screen); w; w = GetAncestor(w, GA_PARENT))
    if (IsWindowEnabled(w) && (static_cast<DWORD>(GetWindowLong(w, GWL_EXSTYLE)) & WS_EX_ACCEPTFILES)) return w;
  return {};
}

HWND PostFileDrop(POINT screen, std::vector<String> files) {
  const HWND target = FileDropTarget(screen);
  if (!target || files.empty()) return {};
  TDrop d;
  d.pt = screen;
  ScreenToClient(target, &d.pt);
  RECT client;
  GetClientRect(target, &client);
  d.inClient = PtInRect(&client, d.pt);
  d.files = std::move(files);
  HDROP drop;
  {
    std::lock_guard lock(gMutex);
    drop = HDROP(++gNextDrop);
    gDrops.emplace(drop.value, std::move(d));
  }
  if (!PostMessage(target, WM_DROPFILES, static_cast<WPARAM>(drop.value), 0)) {
    DragFinish(drop);
    return {};
  }
  return target;
}
