#pragma once
// Private to platform/win: the window table, the state of the window layer and the backend
// interface through which a host (the Qt shell, or the headless test session) mirrors windows
// and feeds input. Controls never include this header.

#include <QRegion>

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi/Surface.h"
#include "platform/win/Windows.h"

namespace win {

struct ClassRec {
  WNDCLASS wc;
  String key;  // the name in upper case
};

struct ScrollBarRec {
  int min = 0;
  int max = 0;
  UINT page = 0;
  int pos = 0;
  int trackPos = 0;
  UINT arrowsDisabled = ESB_ENABLE_BOTH;
};

struct WindowRec {
  HWND handle;
  bool alive = false;
  bool destroying = false;
  std::shared_ptr<ClassRec> cls;
  std::shared_ptr<WNDPROC> proc;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent;                 // child windows
  HWND owner;                  // top-level windows
  std::vector<HWND> children;  // front first
  RECT rect;                   // window rectangle: parent client coordinates, screen for top-levels
  RECT client;                 // client rectangle, window coordinates
  String text;
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  bool suppressNext = false;
  // painting
  QRegion update;  // client coordinates
  bool erase = false;
  bool ncDirty = false;
  bool internalPaint = false;
  bool redrawOff = false;            // WM_SETREDRAW FALSE
  std::optional<QRegion> region;     // window region, window coordinates
  std::shared_ptr<Surface> surface;  // top-level windows: the retained picture of the whole window
  // non-client scroll bars
  ScrollBarRec hbar;
  ScrollBarRec vbar;
  void* host = nullptr;  // the backend's object for the window
};

// How a host mirrors our windows and brings in events. The layer calls it on the UI thread,
// except Wake, which any thread may call.
class TBackend {
public:
  virtual ~TBackend() = default;
  // Called by GetMessage when nothing is waiting: bring in more input, or return after
  // `timeoutMs` (-1: no limit) so that due timers can run.
  virtual void WaitForEvents(int timeoutMs) = 0;
  // Called by PeekMessage: bring in what the window system has pending now (input, close
  // requests, exposed parts to repaint) without waiting. Never called inside itself.
  virtual void PollEvents() {}
  // A message was posted (possibly from another thread): end a WaitForEvents early.
  virtual void Wake() {}
  virtual void WindowCreated(HWND) {}
  virtual void WindowDestroyed(HWND) {}
  // Geometry, visibility, z-order, styles, owner or window region of a top-level changed.
  virtual void WindowChanged(HWND) {}
  // Pixels of a top-level window's surface changed (window coordinates).
  virtual void SurfaceChanged(HWND, const RECT&) {}
  virtual void CursorChanged(HCURSOR) {}
  virtual void CaptureChanged(HWND) {}
  virtual void FocusChanged(HWND) {}
  virtual void CaretChanged() {}
  virtual void Beep() {}
};

// Installs a backend (null: the default one, which waits only for posted messages and then
// fails, since no input can ever arrive).
void SetBackend(TBackend* backend);
TBackend& Backend();

// ---- the window table ----
WindowRec* Find(HWND wnd);            // null for an invalid handle
std::vector<HWND> TopLevelWindows();  // z-order, front first (topmost ones first)
HWND TopLevelOf(HWND wnd);
bool IsUiThread();
// Destroys every window, timer, hook and queued message, and resets focus, capture,
// activation, caret, cursor and settings: a test session starts from nothing.
void ResetAll();

// Calls a window procedure with the exception guard and the message trace.
LRESULT CallProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool sent);

// Observes every message that reaches a window procedure (sent or dispatched).
using TMessageTrace = std::function<void(HWND, UINT, WPARAM, LPARAM)>;
void SetMessageTrace(TMessageTrace trace);

// ---- input, as hosts bring it in ----
enum class TMouseAction { Move, Down, Up, Wheel };
enum class TMouseButtonKind { None, Left, Right, Middle };
// Screen coordinates. Wheel: `wheelDelta` in 120ths per notch, positive away from the user.
void InjectMouse(TMouseAction action, TMouseButtonKind button, POINT screen, int wheelDelta = 0);
// A key going down or up; `text` is what it types (UTF-8, may be empty).
void InjectKey(WORD vk, bool down, String text = {});
// The pointer position as the host knows it.
POINT CursorPos();
// Whether the application as a whole is active in the window system.
void SetApplicationActive(bool active);

// ---- timers, for the hosts ----
// Milliseconds until the earliest timer is due (0: one is due now), or -1 without timers.
int MillisecondsToNextTimer();

// ---- painting, for the hosts ----
// Paints every window with a pending update now (sends WM_NCPAINT, WM_ERASEBKGND, WM_PAINT).
void PaintAllNow();
std::shared_ptr<Surface> TopSurface(HWND wnd);
// Where the client area's (0, 0) lies on the top-level surface.
POINT ClientOriginOnSurface(HWND wnd);
// The caret as the host draws it: owner window, rectangle in that window's client
// coordinates, and whether it is shown now.
struct TCaretState {
  HWND wnd;
  RECT rect;
  bool visible = false;
};
TCaretState CaretState();
// The cursor id the pointer shows now (IDC_ value, or the program's cursor id).
int CursorId(HCURSOR cursor);

// Internal: state shared by the files of the layer.
bool IsValidFromAnyThread(HWND wnd);
void ActivateByMouse(HWND top);
void SetCursorPosInternal(POINT p);
void CaretDestroyedWith(HWND wnd);
HWND NextWindowToPaint(HWND filter);
void ValidateUnpainted(HWND wnd);

// Internal: the window region and update region helpers shared by the files of the layer.
QRegion RegionFromHRGN(HRGN rgn);
HRGN HRGNFromRegion(const QRegion& r);
void RecalcNonClient(HWND wnd);
void ScheduleRepaint(HWND wnd);
void ForgetPaint(HWND wnd);
void KillWindowTimers(HWND wnd);
void ForgetWindowInQueue(HWND wnd);
void ResetQueue();
void ClearHooks();
void ResetPaint();
HDC PaintDC(HWND wnd, bool wholeWindow, const QRegion* updateClip);
// The visible region of the window's client (or whole window) in its own coordinates,
// clipped by ancestors, clipped children and siblings, and window regions.
QRegion VisibleRegion(HWND wnd, bool wholeWindow);
int NonClientHitTest(HWND wnd, POINT screen);
void DrawNonClient(HWND wnd);
LRESULT ScrollBarNcLButtonDown(HWND wnd, int hit, POINT screen);

}  // namespace win
