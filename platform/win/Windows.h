#pragma once
// The user-interface API the controls are written against: windows and their classes,
// window procedures, the message queue, hooks, timers, capture, focus and activation, cursors,
// the caret, painting, non-client scroll bars and the system settings.
//
// Everything runs on the user-interface thread, except PostMessage, which any thread may
// call. Window handles carry a generation: the handle of a destroyed window stays invalid
// even when its slot is reused, and messages sent or posted to it do nothing.

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/SysUtils.h"
#include "platform/core/WinTypes.h"
#include "platform/gdi/WinGdi.h"
#include "platform/win/Messages.h"

using ATOM = WORD;
using SHORT = std::int16_t;
using LONG_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;

// A window procedure. Sub-classing keeps the previous one and calls it with CallWindowProc.
using WNDPROC = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
using HOOKPROC = std::function<LRESULT(int code, WPARAM, LPARAM)>;
using TIMERPROC = std::function<void(HWND, UINT, UINT_PTR, DWORD)>;

struct MSG {
  HWND hwnd;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt;
  // The text a key produced, kept for TranslateMessage (UTF-8; empty for keys without text).
  String text;
};

// ---- window classes ----
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_DBLCLKS = 0x0008;
constexpr UINT CS_SAVEBITS = 0x0800;

struct WNDCLASS {
  UINT style = 0;
  WNDPROC lpfnWndProc;
  HINSTANCE hInstance;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  String lpszClassName;
};

// Registers a class under a case-insensitive name; 0 when the name is taken or empty.
ATOM RegisterClass(const WNDCLASS& wc);
BOOL UnregisterClass(std::string_view className, HINSTANCE instance = {});
BOOL GetClassInfo(HINSTANCE instance, std::string_view className, WNDCLASS* wc);
String GetClassName(HWND wnd);
// "STATIC" is registered by the layer: a plain window with the default procedure.

// ---- styles ----
constexpr DWORD WS_OVERLAPPED = 0x00000000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD WS_EX_STATICEDGE = 0x00020000;
constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;

constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000u);

struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  HINSTANCE hInstance;
  HMENU hMenu;
  HWND hwndParent;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  String lpszName;
  String lpszClass;
  DWORD dwExStyle = 0;
};

// parentOrOwner is the parent of a WS_CHILD window and the owner of any other.
HWND CreateWindowEx(DWORD exStyle, std::string_view className, std::string_view windowName, DWORD style, int x, int y,
                    int width, int height, HWND parentOrOwner, HMENU menuOrId = {}, HINSTANCE instance = {},
                    void* param = nullptr);
// Destroys the window, its owned windows and its children: WM_DESTROY parent first,
// WM_NCDESTROY children first. Answers FALSE for an invalid handle.
BOOL DestroyWindow(HWND wnd);
BOOL IsWindow(HWND wnd);
BOOL IsWindowVisible(HWND wnd);  // the window and all its ancestors are visible
BOOL IsWindowEnabled(HWND wnd);
BOOL IsIconic(HWND wnd);                   // minimised: SW_MINIMIZE or SW_SHOWMINIMIZED, until restored
BOOL EnableWindow(HWND wnd, BOOL enable);  // answers whether it was disabled before
BOOL IsChild(HWND parent, HWND wnd);       // a descendant, at any depth
HWND GetParent(HWND wnd);                  // the parent of a child, else the owner
HWND SetParent(HWND wnd, HWND newParent);  // 0 makes it a top-level window

constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;
HWND GetWindow(HWND wnd, UINT cmd);
constexpr UINT GA_PARENT = 1;
constexpr UINT GA_ROOT = 2;
constexpr UINT GA_ROOTOWNER = 3;
HWND GetAncestor(HWND wnd, UINT flags);
HWND GetDesktopWindow();  // 0: top-level windows have no parent window of ours

constexpr int GWL_WNDPROC = -4;
constexpr int GWL_HINSTANCE = -6;
constexpr int GWL_HWNDPARENT = -8;
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;
constexpr int GWL_USERDATA = -21;
constexpr int GWL_ID = -12;
// Styles, extended styles, id and user data. GWL_WNDPROC goes through Get/SetWindowProc.
LONG_PTR GetWindowLong(HWND wnd, int index);
LONG_PTR SetWindowLong(HWND wnd, int index, LONG_PTR value);  // answers the previous value

WNDPROC GetWindowProc(HWND wnd);
WNDPROC SetWindowProc(HWND wnd, WNDPROC proc);  // answers the previous procedure
LRESULT CallWindowProc(const WNDPROC& proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The next message to the window is answered 1 without reaching its procedure.
void SuppressNextMessage(HWND wnd);

BOOL SetWindowText(HWND wnd, std::string_view text);  // through WM_SETTEXT
String GetWindowText(HWND wnd);                       // through WM_GETTEXT
int GetWindowTextLength(HWND wnd);                    // bytes of UTF-8, through WM_GETTEXTLENGTH

// ---- position, size, visibility ----
inline const HWND HWND_TOP{};
inline const HWND HWND_BOTTOM{std::uintptr_t{1}};
inline const HWND HWND_TOPMOST{static_cast<std::uintptr_t>(-1)};
inline const HWND HWND_NOTOPMOST{static_cast<std::uintptr_t>(-2)};
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;
constexpr UINT SWP_NOOWNERZORDER = 0x0200;
constexpr UINT SWP_NOSENDCHANGING = 0x0400;

struct WINDOWPOS {
  HWND hwnd;
  HWND hwndInsertAfter;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
};

struct NCCALCSIZE_PARAMS {
  RECT rgrc[3];  // in: the new window rectangle; out: the new client rectangle (parent coordinates)
  WINDOWPOS* lppos = nullptr;
};

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;

// Positions are in the parent's client coordinates for child windows, in screen
// coordinates for top-level windows.
BOOL SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND wnd, int x, int y, int width, int height, BOOL repaint);
BOOL ShowWindow(HWND wnd, int cmd);  // answers whether it was visible before
BOOL BringWindowToTop(HWND wnd);
BOOL GetWindowRect(HWND wnd, RECT* rect);  // screen coordinates
BOOL GetClientRect(HWND wnd, RECT* rect);  // (0, 0, client width, client height)
BOOL ClientToScreen(HWND wnd, POINT* pt);
BOOL ScreenToClient(HWND wnd, POINT* pt);
// Maps points between the client areas of two windows (0 = the screen).
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
int MapWindowPoints(HWND from, HWND to, RECT* rect);
// The visible, enabled window under a screen point (honours window regions).
HWND WindowFromPoint(POINT pt);

// A window region in window coordinates: the window shows and is hit only inside it.
// The layer keeps its own copy (the caller keeps ownership of `rgn`); 0 removes it.
int SetWindowRgn(HWND wnd, HRGN rgn, BOOL redraw);
// Copies the window region into `rgn`; answers its kind, or ERROR (0) when there is none.
int GetWindowRgn(HWND wnd, HRGN rgn);

// ---- messages and the queue ----
LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
BOOL SendNotifyMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Thread-safe. wnd 0 posts a message for the thread (it reaches no window procedure).
BOOL PostMessage(HWND wnd, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
// Waits for a message: posted messages first, then input, then WM_PAINT, then WM_TIMER.
// Answers 0 for WM_QUIT, else non-zero. wnd filters a window and its children
// (HWND{-1}: thread messages only); min..max filters numbers (0, 0: all).
int GetMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax);
constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;
constexpr UINT PM_NOYIELD = 0x0002;
BOOL PeekMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax, UINT flags);
// Posts WM_CHAR (WM_SYSCHAR) for a key down that produces a character.
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessage(const MSG* msg);
void PostQuitMessage(int exitCode);
BOOL WaitMessage();
DWORD GetMessageTime();
DWORD GetMessagePos();

// ---- hooks (for the current thread) ----
constexpr int WH_GETMESSAGE = 3;
constexpr int WH_CALLWNDPROC = 4;
constexpr int WH_MOUSE = 7;
constexpr int HC_ACTION = 0;

struct CWPSTRUCT {
  LPARAM lParam = 0;
  WPARAM wParam = 0;
  UINT message = 0;
  HWND hwnd;
};

struct MOUSEHOOKSTRUCT {
  POINT pt;
  HWND hwnd;
  UINT wHitTestCode = 0;
  std::uintptr_t dwExtraInfo = 0;
};

// WH_CALLWNDPROC: lParam is a CWPSTRUCT*, called before each sent message reaches the window.
// WH_GETMESSAGE: wParam is PM_REMOVE or PM_NOREMOVE, lParam a MSG* the hook may rewrite.
// WH_MOUSE: wParam is the mouse message, lParam a MOUSEHOOKSTRUCT*; a non-zero answer discards it.
HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HINSTANCE instance = {}, DWORD threadId = 0);
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

// ---- timers ----
constexpr UINT USER_TIMER_MINIMUM = 10;
// wnd 0: a thread timer whose id comes from a counter. WM_TIMER is generated only when
// nothing else is waiting, and a late timer is delivered once, not once per missed period.
UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapse, TIMERPROC proc = {});
BOOL KillTimer(HWND wnd, UINT_PTR id);

// ---- capture, focus, activation ----
HWND SetCapture(HWND wnd);
BOOL ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND wnd);
HWND GetFocus();
HWND SetActiveWindow(HWND wnd);
HWND GetActiveWindow();
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND wnd);

constexpr WORD WA_INACTIVE = 0;
constexpr WORD WA_ACTIVE = 1;
constexpr WORD WA_CLICKACTIVE = 2;
constexpr int MA_ACTIVATE = 1;
constexpr int MA_ACTIVATEANDEAT = 2;
constexpr int MA_NOACTIVATE = 3;
constexpr int MA_NOACTIVATEANDEAT = 4;

// ---- hit tests ----
constexpr int HTERROR = -2;
constexpr int HTTRANSPARENT = -1;
constexpr int HTNOWHERE = 0;
constexpr int HTCLIENT = 1;
constexpr int HTCAPTION = 2;
constexpr int HTHSCROLL = 6;
constexpr int HTVSCROLL = 7;
constexpr int HTBORDER = 18;

// ---- keyboard and mouse ----
constexpr WPARAM MK_LBUTTON = 0x0001;
constexpr WPARAM MK_RBUTTON = 0x0002;
constexpr WPARAM MK_SHIFT = 0x0004;
constexpr WPARAM MK_CONTROL = 0x0008;
constexpr WPARAM MK_MBUTTON = 0x0010;
constexpr int WHEEL_DELTA = 120;

constexpr WORD VK_LBUTTON = 0x01;
constexpr WORD VK_RBUTTON = 0x02;
constexpr WORD VK_CANCEL = 0x03;
constexpr WORD VK_MBUTTON = 0x04;
constexpr WORD VK_BACK = 0x08;
constexpr WORD VK_TAB = 0x09;
constexpr WORD VK_CLEAR = 0x0C;
constexpr WORD VK_RETURN = 0x0D;
constexpr WORD VK_SHIFT = 0x10;
constexpr WORD VK_CONTROL = 0x11;
constexpr WORD VK_MENU = 0x12;
constexpr WORD VK_PAUSE = 0x13;
constexpr WORD VK_CAPITAL = 0x14;
constexpr WORD VK_ESCAPE = 0x1B;
constexpr WORD VK_SPACE = 0x20;
constexpr WORD VK_PRIOR = 0x21;
constexpr WORD VK_NEXT = 0x22;
constexpr WORD VK_END = 0x23;
constexpr WORD VK_HOME = 0x24;
constexpr WORD VK_LEFT = 0x25;
constexpr WORD VK_UP = 0x26;
constexpr WORD VK_RIGHT = 0x27;
constexpr WORD VK_DOWN = 0x28;
constexpr WORD VK_SNAPSHOT = 0x2C;
constexpr WORD VK_INSERT = 0x2D;
constexpr WORD VK_DELETE = 0x2E;
constexpr WORD VK_HELP = 0x2F;
constexpr WORD VK_LWIN = 0x5B;
constexpr WORD VK_RWIN = 0x5C;
constexpr WORD VK_APPS = 0x5D;
constexpr WORD VK_NUMPAD0 = 0x60;
constexpr WORD VK_MULTIPLY = 0x6A;
constexpr WORD VK_ADD = 0x6B;
constexpr WORD VK_SEPARATOR = 0x6C;
constexpr WORD VK_SUBTRACT = 0x6D;
constexpr WORD VK_DECIMAL = 0x6E;
constexpr WORD VK_DIVIDE = 0x6F;
constexpr WORD VK_F1 = 0x70;
constexpr WORD VK_F2 = 0x71;
constexpr WORD VK_F3 = 0x72;
constexpr WORD VK_F4 = 0x73;
constexpr WORD VK_F5 = 0x74;
constexpr WORD VK_F9 = 0x78;
constexpr WORD VK_F10 = 0x79;
constexpr WORD VK_F12 = 0x7B;
constexpr WORD VK_NUMLOCK = 0x90;
constexpr WORD VK_SCROLL = 0x91;
constexpr WORD VK_LSHIFT = 0xA0;
constexpr WORD VK_RSHIFT = 0xA1;
constexpr WORD VK_LCONTROL = 0xA2;
constexpr WORD VK_RCONTROL = 0xA3;
constexpr WORD VK_LMENU = 0xA4;
constexpr WORD VK_RMENU = 0xA5;

// High bit: down; low bit: toggled (Caps Lock style). GetKeyState follows the messages
// retrieved so far; GetAsyncKeyState the input as it arrives.
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
BOOL GetKeyboardState(BYTE state[256]);

UINT GetDoubleClickTime();
BOOL SetDoubleClickTime(UINT ms);

// ---- cursors ----
constexpr int IDC_ARROW = 32512;
constexpr int IDC_IBEAM = 32513;
constexpr int IDC_WAIT = 32514;
constexpr int IDC_CROSS = 32515;
constexpr int IDC_UPARROW = 32516;
constexpr int IDC_SIZENWSE = 32642;
constexpr int IDC_SIZENESW = 32643;
constexpr int IDC_SIZEWE = 32644;
constexpr int IDC_SIZENS = 32645;
constexpr int IDC_SIZEALL = 32646;
constexpr int IDC_NO = 32648;
constexpr int IDC_HAND = 32649;
constexpr int IDC_APPSTARTING = 32650;
constexpr int IDC_HELP = 32651;

// A system cursor (instance 0, IDC_ id) or one of the program's cursor resources, by id
// (2100-2113) or by name ("KC_DRAGCOPYCURSOR"). 0 when unknown.
HCURSOR LoadCursor(HINSTANCE instance, int id);
HCURSOR LoadCursor(HINSTANCE instance, std::string_view name);
HCURSOR SetCursor(HCURSOR cursor);  // answers the previous one
HCURSOR GetCursor();
BOOL GetCursorPos(POINT* pt);
BOOL SetCursorPos(int x, int y);  // moves the pointer; the windows see a mouse move

// ---- caret (one per thread) ----
BOOL CreateCaret(HWND wnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT* pt);
BOOL ShowCaret(HWND wnd);  // undoes one HideCaret
BOOL HideCaret(HWND wnd);  // hides are counted
UINT GetCaretBlinkTime();
BOOL SetCaretBlinkTime(UINT ms);

// ---- painting ----
struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase = FALSE;  // TRUE when the background still has to be erased
  RECT rcPaint;
};

constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;

constexpr UINT SW_SCROLLCHILDREN = 0x0001;
constexpr UINT SW_INVALIDATE = 0x0002;
constexpr UINT SW_ERASE = 0x0004;

// rect 0: the whole client area. Children are included unless the window clips them.
BOOL InvalidateRect(HWND wnd, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND wnd, HRGN rgn, BOOL erase);
BOOL ValidateRect(HWND wnd, const RECT* rect);
BOOL ValidateRgn(HWND wnd, HRGN rgn);
BOOL GetUpdateRect(HWND wnd, RECT* rect, BOOL erase);
int GetUpdateRgn(HWND wnd, HRGN rgn, BOOL erase);
BOOL UpdateWindow(HWND wnd);  // paints now, the window and (unclipped) its children
BOOL RedrawWindow(HWND wnd, const RECT* rect, HRGN rgn, UINT flags);
HDC BeginPaint(HWND wnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND wnd, const PAINTSTRUCT* ps);
HDC GetDC(HWND wnd);        // the client area; 0 = the screen (for measuring)
HDC GetWindowDC(HWND wnd);  // the whole window, non-client area included
int ReleaseDC(HWND wnd, HDC dc);
// Shifts the client picture inside `scroll` (0: the client) clipped to `clip` (0: the client)
// and, with SW_INVALIDATE, invalidates the part that was uncovered. Answers its kind.
int ScrollWindowEx(HWND wnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN updateRgn, RECT* updateRect,
                   UINT flags);
BOOL ScrollWindow(HWND wnd, int dx, int dy, const RECT* scroll, const RECT* clip);

// ---- non-client scroll bars ----
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;
constexpr int SB_LINEUP = 0;
constexpr int SB_LINELEFT = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_LINERIGHT = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGELEFT = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_PAGERIGHT = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_LEFT = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_RIGHT = 7;
constexpr int SB_ENDSCROLL = 8;

constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

constexpr UINT ESB_ENABLE_BOTH = 0;
constexpr UINT ESB_DISABLE_LTUP = 1;
constexpr UINT ESB_DISABLE_RTDN = 2;
constexpr UINT ESB_DISABLE_BOTH = 3;

struct SCROLLINFO {
  UINT cbSize = 28;
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

constexpr LONG OBJID_VSCROLL = -5;
constexpr LONG OBJID_HSCROLL = -6;
constexpr DWORD STATE_SYSTEM_UNAVAILABLE = 0x00000001;
constexpr DWORD STATE_SYSTEM_PRESSED = 0x00000008;
constexpr DWORD STATE_SYSTEM_INVISIBLE = 0x00008000;
constexpr DWORD STATE_SYSTEM_OFFSCREEN = 0x00010000;

struct SCROLLBARINFO {
  DWORD cbSize = 60;
  RECT rcScrollBar;  // screen coordinates
  int dxyLineButton = 0;
  int xyThumbTop = 0;     // relative to the bar
  int xyThumbBottom = 0;  // relative to the bar
  int reserved = 0;
  DWORD rgstate[6] = {};  // 0: the bar, 1: top arrow, 2: page up, 3: thumb, 4: page down, 5: bottom arrow
};

// The range includes the page; the position is kept within nMin .. nMax - max(nPage - 1, 0).
// A bar whose page covers its range is hidden, or disabled with SIF_DISABLENOSCROLL.
int SetScrollInfo(HWND wnd, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND wnd, int bar, SCROLLINFO* info);
int SetScrollPos(HWND wnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND wnd, int bar);
BOOL SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL GetScrollRange(HWND wnd, int bar, int* minPos, int* maxPos);
BOOL ShowScrollBar(HWND wnd, int bar, BOOL show);
BOOL EnableScrollBar(HWND wnd, UINT bar, UINT arrows);
BOOL GetScrollBarInfo(HWND wnd, LONG idObject, SCROLLBARINFO* info);

// ---- dialog codes and system commands ----
constexpr LRESULT DLGC_WANTARROWS = 0x0001;
constexpr LRESULT DLGC_WANTTAB = 0x0002;
constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
constexpr LRESULT DLGC_WANTCHARS = 0x0080;
constexpr WPARAM SC_CLOSE = 0xF060;

// ---- system metrics, parameters, monitors ----
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CYVTHUMB = 9;
constexpr int SM_CXHTHUMB = 10;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CXCURSOR = 13;
constexpr int SM_CYCURSOR = 14;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_SWAPBUTTON = 23;
constexpr int SM_CXMIN = 28;
constexpr int SM_CYMIN = 29;
constexpr int SM_CXSIZE = 30;
constexpr int SM_CYSIZE = 31;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CXDOUBLECLK = 36;
constexpr int SM_CYDOUBLECLK = 37;
constexpr int SM_CXEDGE = 45;
constexpr int SM_CYEDGE = 46;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
constexpr int SM_CXMENUCHECK = 71;
constexpr int SM_CYMENUCHECK = 72;
constexpr int SM_CXDRAG = 68;
constexpr int SM_CYDRAG = 69;
constexpr int SM_CMONITORS = 80;
constexpr int SM_CXVIRTUALSCREEN = 78;
constexpr int SM_CYVIRTUALSCREEN = 79;
constexpr int SM_MOUSEWHEELPRESENT = 75;
int GetSystemMetrics(int index);

constexpr UINT SPI_SETNONCLIENTMETRICS = 42;
constexpr UINT SPI_GETWORKAREA = 48;
constexpr UINT SPI_GETWHEELSCROLLLINES = 0x0068;
constexpr UINT SPI_SETWHEELSCROLLLINES = 0x0069;
// SPI_GETWORKAREA: pvParam is a RECT*; SPI_GETWHEELSCROLLLINES: pvParam is a UINT*.
BOOL SystemParametersInfo(UINT action, UINT uiParam, void* pvParam, UINT winIni);

constexpr DWORD MONITOR_DEFAULTTONULL = 0;
constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 1;
constexpr DWORD MONITOR_DEFAULTTONEAREST = 2;
constexpr DWORD MONITORINFOF_PRIMARY = 1;
struct MONITORINFO {
  DWORD cbSize = 40;
  RECT rcMonitor;
  RECT rcWork;
  DWORD dwFlags = 0;
};
HMONITOR MonitorFromPoint(POINT pt, DWORD flags);
HMONITOR MonitorFromRect(const RECT* rect, DWORD flags);
HMONITOR MonitorFromWindow(HWND wnd, DWORD flags);
BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info);

// The settings the system reports; the product reads them from the screen and the desktop,
// the test session pins them.
struct TMonitorSettings {
  RECT bounds;
  RECT workArea;
};
struct TSystemSettings {
  std::vector<TMonitorSettings> monitors{{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 768}}};  // the first is primary
  int scrollBarSize = 17;  // SM_CXVSCROLL, SM_CYHSCROLL, the arrows and thumbs
  int dragThreshold = 5;   // SM_CXDRAG, SM_CYDRAG
  UINT doubleClickTime = 500;
  int doubleClickSize = 4;  // SM_CXDOUBLECLK, SM_CYDOUBLECLK
  UINT wheelScrollLines = 3;
  UINT caretBlinkTime = 530;
  int captionHeight = 18;  // SM_CYCAPTION, SM_CYSIZE, SM_CXSIZE
  int menuHeight = 19;     // SM_CYMENU
};
const TSystemSettings& SystemSettings();
void SetSystemSettings(const TSystemSettings& settings);

// Sends a change to every top-level window, hidden ones included.
enum class TSystemChange { Colors, NonClientMetrics, Theme };
void BroadcastSystemChange(TSystemChange change);

// ---- hidden windows and beeps ----
// A hidden top-level window (so that it receives broadcasts) whose messages all go to
// `handler`; the handler answers through Result and calls DefWindowProc itself if it wants.
using TWndMethod = std::function<void(TMessage&)>;
HWND AllocateHWnd(TWndMethod handler);
void DeallocateHWnd(HWND wnd);

BOOL MessageBeep(UINT type);
int MessageBeepCount();  // how many beeps were asked for (tests read it)

// ---- message box flags and answers, standard clipboard formats ----
// (The box itself and the clipboard are the framework's: platform/forms Dialogs.h, Clipbrd.h.)
constexpr UINT MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4,
               MB_RETRYCANCEL = 0x5, MB_ICONHAND = 0x10, MB_ICONSTOP = 0x10, MB_ICONERROR = 0x10,
               MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30, MB_ICONASTERISK = 0x40,
               MB_ICONINFORMATION = 0x40, MB_DEFBUTTON1 = 0x0, MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200,
               MB_APPLMODAL = 0x0, MB_TASKMODAL = 0x2000;
constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;
constexpr UINT CF_TEXT = 1, CF_BITMAP = 2, CF_METAFILEPICT = 3, CF_UNICODETEXT = 13;

// ---- exceptions ----
// Exceptions never leave a window procedure, hook or timer: the layer catches them and hands
// them to this handler (the application's). Without one, the message goes to stderr.
using TExceptionHandler = std::function<void(std::exception_ptr)>;
TExceptionHandler SetExceptionHandler(TExceptionHandler handler);
void HandleException(std::exception_ptr error);
