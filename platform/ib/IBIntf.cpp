#include "platform/ib/IBIntf.h"

#include "platform/ib/IBErrors.h"

#include <dlfcn.h>

#include <mutex>

namespace {
TIBClientLibrary gLoaded;
bool gLoadOk = false;
std::once_flag gLoadOnce;
const TIBClientLibrary* gInstalled = nullptr;
}  // namespace

bool LoadIBClientLibrary(const std::string& fileName, TIBClientLibrary& into, std::string* missing) {
  void* handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (missing) *missing = fileName;
    return false;
  }
  TIBClientLibrary table;
  bool ok = true;
#define VT_IB_RESOLVE(name)                                                  \
  table.name = reinterpret_cast<decltype(table.name)>(dlsym(handle, #name)); \
  if (!table.name && ok) {                                                   \
    ok = false;                                                              \
    if (missing) *missing = #name;                                           \
  }
  VT_IB_ENTRIES(VT_IB_RESOLVE)
#undef VT_IB_RESOLVE
  if (!ok) {
    dlclose(handle);
    return false;
  }
  // The library stays loaded for the life of the process: handles of it live in many objects.
  into = table;
  return true;
}

bool TryIBLoad() {
  std::call_once(gLoadOnce, [] { gLoadOk = LoadIBClientLibrary(IBClientLibraryName, gLoaded); });
  return gLoadOk;
}

const TIBClientLibrary& IBClient() {
  if (gInstalled) return *gInstalled;
  if (!TryIBLoad())
    throw EIBClientError("InterBase library " + std::string(IBClientLibraryName) + " not found in the path.");
  return gLoaded;
}

void IBShutdown() {
  if (gLoadOk && gLoaded.fb_shutdown) gLoaded.fb_shutdown(0, fb_shutrsn_app_stopped);
}

const TIBClientLibrary* SetIBClientLibrary(const TIBClientLibrary* library) {
  const TIBClientLibrary* previous = gInstalled;
  gInstalled = library;
  return previous;
}
