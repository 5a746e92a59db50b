#include "app/Program.h"

#include <QApplication>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "analyzer/Settings.h"
#include "analyzer/ui/DemoDatabase.h"
#include "analyzer/ui/Images.h"
#include "analyzer/ui/MainForm.h"
#include "editors-extended/kcEditorsRegister.h"
#include "filter-builder/kcFilterExtendedEditHelpers.h"
#include "platform/core/FormatSettings.h"
#include "platform/forms/Dialogs.h"
#include "platform/ib/IBIntf.h"
#include "platform/win/QtShell.h"
#include "platform/win/ShellApi.h"

#ifndef VT_VERSION
#define VT_VERSION "0.1"
#endif

namespace {
std::atomic<bool> gStopRequested{false};
extern "C" void RequestStop(int) { gStopRequested = true; }

const char* const kTitle = "InterBase Vantorelle";

String Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? String(v) : String();
}

// The window system the platform plugin needs is there, or the reason it is not.
bool DisplayAvailable(String& reason) {
  const String platform = Env("QT_QPA_PLATFORM");
  if (platform.rfind("xcb", 0) == 0 && Env("DISPLAY").empty()) {
    reason = "no X display is set (DISPLAY is empty)";
    return false;
  }
  if (platform.rfind("wayland", 0) == 0 && Env("WAYLAND_DISPLAY").empty()) {
    reason = "no Wayland display is set (WAYLAND_DISPLAY is empty)";
    return false;
  }
  return true;
}

// A failure of the demo database is told once; the program goes on without it.
String PrepareDemoDatabase() {
  const String demo = DemoDatabaseFileName();
  if (demo.empty()) return String();
  try {
    EnsureDemoDatabase(demo);
    RememberDemoConnection(GetSettingsFileName(), demo);
    return demo;
  } catch (Exception& e) {
    MessageBox(HWND(), "The demo database could not be prepared.\r\n\r\n" + e.Message(), kTitle,
               MB_OK | MB_ICONWARNING);
  }
  return String();
}
}  // namespace

int RunProgram(int argc, char** argv, std::function<void(TfrmMain*)> started) {
  PreparePlatformPlugin();
  String reason;
  if (!DisplayAvailable(reason)) {
    std::fprintf(stderr, "%s needs a graphical display: %s.\n", kTitle, reason.c_str());
    return 2;
  }
  PrepareEmbeddedEngineLock();
  QApplication app(argc, argv);
  ApplyLocaleFormatSettings();
  InstallQtShell();
  Application->Initialize();
  Application->SetTitle(kTitle);
  LoadAnalyzerIcon(Application->Icon());
  // The editor kinds and their filter helpers are looked up by every grid column and filter.
  InitializeExtendedEditors();
  RegisterExtendedFilterEditHelpers();
  SetVersionResource({{"CompanyName", "Kestrum"},
                      {"FileDescription", kTitle},
                      {"FileVersion", String(VT_VERSION) + ".0.0"},
                      {"InternalName", "vantorelle"},
                      {"LegalCopyright", "Copyright (C) Kestrum. All rights reserved."},
                      {"OriginalFileName", "vantorelle"},
                      {"ProductName", kTitle},
                      {"ProductVersion", VT_VERSION}});
  String demo;
  if (!TryIBLoad())
    MessageBox(HWND(),
               "InterBase client not found.  You must install the InterBase client software to use this program.",
               kTitle, MB_OK);
  else
    demo = PrepareDemoDatabase();

  // Termination and interrupt close the window as the user would (the client library's own
  // handlers would only end its connections and leave the program running).
  std::signal(SIGTERM, RequestStop);
  std::signal(SIGINT, RequestStop);
  TfrmMain* main = nullptr;
  Application->CreateForm(main);
  auto* stopWatch = new TTimer(main);
  stopWatch->SetInterval(200);
  stopWatch->SetOnTimer([main](TObject*) {
    if (gStopRequested.exchange(false)) main->Close();
  });
  if (!demo.empty()) main->memSQL->SetText(DemoSQL);
  if (started) {
    auto* timer = new TTimer(main);
    timer->SetInterval(1);
    timer->SetOnTimer([main, timer, started](TObject*) {
      timer->SetEnabled(false);
      started(main);
    });
  }
  Application->Run();
  main->Free();
  UnregisterExtendedFilterEditHelpers();
  FinalizeExtendedEditors();
  RemoveQtShell();
  IBShutdown();
  return 0;
}
