#pragma once
// The toolkit application object, for code that runs without a program around it (tools and
// tests): fonts, printing and the window shell need one to exist.

// Before an application object is created: the platform plugin is "offscreen" unless
// QT_QPA_PLATFORM already names one. Answers the argument vector (the program name only) that
// lives as long as the process, as the application object requires.
struct TGuiApplicationArgs {
  int* argc;
  char** argv;
};
TGuiApplicationArgs PrepareGuiApplicationArgs();

// Creates the GUI application once, when no application object exists yet; never destroyed,
// since objects living to the end of the process may still refer to it.
void EnsureGuiApplication();
