#pragma once
// The Qt host of the window layer: one QWidget per visible top-level window showing its
// retained surface (child windows are ours, drawn on their top-level's surface), and one
// event filter that turns Qt input, activation, close, palette and theme changes into our
// messages. Popups are non-activating tool windows, never Qt popups.
//
// The program creates its QApplication (QT_QPA_PLATFORM=xcb unless set), calls
// InstallQtShell() and runs RunMessageLoop(); tests run it under "offscreen".

#include "platform/win/Windows.h"

class QWidget;

// Installs the shell as the layer's backend. Needs a QApplication.
void InstallQtShell();
// Removes it (host widgets are deleted; our windows stay).
void RemoveQtShell();
// The host widget of a top-level window, or null (child windows have none).
QWidget* HostWidget(HWND wnd);
// GetMessage, TranslateMessage, DispatchMessage until WM_QUIT; answers its exit code.
int RunMessageLoop();
// Picks the platform plugin for the program before the QApplication exists: xcb, unless
// QT_QPA_PLATFORM is already set.
void PreparePlatformPlugin();
// The virtual-key code of a Qt key (Qt::Key value and whether it came from the keypad).
WORD VirtualKeyFromQtKey(int qtKey, bool keypad);
