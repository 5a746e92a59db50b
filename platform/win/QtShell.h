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
// The same, for a key given by its Qt::Key enumerator name ("Key_A", "Key_PageDown"); 0 for an
// unknown name.
WORD VirtualKeyFromQtKeyName(const char* keyName, bool keypad);

// For tools and tests that drive the real shell without seeing Qt.
// Creates the widget application once when none exists ("offscreen" unless QT_QPA_PLATFORM
// names a plugin); the program creates its own after PreparePlatformPlugin instead.
void EnsureShellApplication();
// Whether the top-level window has a host widget; whether that widget is shown; its geometry on
// the screen (empty without a host).
bool QtShellHasHost(HWND topLevel);
bool QtShellHostVisible(HWND topLevel);
RECT QtShellHostRect(HWND topLevel);
// Real Qt mouse press and release of one button (VK_LBUTTON, VK_RBUTTON or VK_MBUTTON) at a
// point of the host (the top-level window's own coordinates, frame included), sent through
// Qt's event delivery, so the shell's event filter sees them. False without a host.
bool QtShellSendMouseClick(HWND topLevel, POINT windowPoint, int button = VK_LBUTTON);
// The same click posted to Qt's queue, as the window system's input arrives: it reaches our
// layer only when Qt's pending events are processed (a message loop's wait, or a peek).
bool QtShellPostMouseClick(HWND topLevel, POINT windowPoint, int button = VK_LBUTTON);
// One real Qt key press or release (key by its Qt::Key name, "Key_Q"), posted to Qt's queue.
bool QtShellPostKey(HWND topLevel, const char* keyName, bool down);
// A real Qt close event posted to Qt's queue.
bool QtShellPostClose(HWND topLevel);
// Asks Qt to repaint the whole host later, as the window system does for an exposed window;
// QtShellHostPaintCount counts the host's paint events so far.
bool QtShellPostRepaint(HWND topLevel);
int QtShellHostPaintCount(HWND topLevel);
// A real Qt key press (down) or release of the key with the Qt::Key enumerator name `keyName`
// ("Key_Alt", "Key_F") and the text it types, sent to the host as the window system would.
// False without a host or for an unknown name.
bool QtShellSendKey(HWND topLevel, const char* keyName, bool down, const String& text = {});
// A real Qt drag of local files entering the host and dropped at a point of it (the top-level
// window's own coordinates). Answers whether the shell took the drop (a window there accepts
// files); the files then arrive as WM_DROPFILES.
bool QtShellSendFileDrop(HWND topLevel, POINT windowPoint, const std::vector<String>& paths);
// A real Qt close event, as from the window system. False without a host.
bool QtShellSendClose(HWND topLevel);
// The colour the host widget shows at a point of its own (rendered by Qt), or CLR_INVALID.
COLORREF QtShellHostPixel(HWND topLevel, POINT windowPoint);
