// The toolkit application object for tools and tests.

#include "platform/gdi/GuiApplication.h"

#include <QGuiApplication>

#include <cstdlib>

TGuiApplicationArgs PrepareGuiApplicationArgs() {
  if (!std::getenv("QT_QPA_PLATFORM") || !*std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static int argc = 1;
  static char name[] = "vantorelle";
  static char* argv[] = {name, nullptr};
  return {&argc, argv};
}

void EnsureGuiApplication() {
  if (QCoreApplication::instance()) return;
  TGuiApplicationArgs a = PrepareGuiApplicationArgs();
  new QGuiApplication(*a.argc, a.argv);
}
