#pragma once
// The program's run: the display and client checks, the demo database, the main window and
// the message loop.

#include <functional>

class TfrmMain;

// Runs the program; answers its exit code. `started`, when given, runs once the main window
// is shown (the program's tests drive the window from there).
int RunProgram(int argc, char** argv, std::function<void(TfrmMain*)> started = {});
