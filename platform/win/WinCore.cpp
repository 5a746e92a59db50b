// The window table: classes, creation and destruction, procedures, geometry, visibility,
// focus, activation, capture, the caret, cursors and the system settings.

#include "platform/win/WinCoreInternal.h"
#include "platform/win/WinUiThread.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <iostream>
#include <map>
#include <mutex>

namespace win {
namespace {

class TNullBackend : public TBackend {
public:
  void WaitForEvents(int timeoutMs) override;
  void Wake() override {
    std::lock_guard<std::mutex> lock(fMutex);
    fWoken = true;
    fCond.notify_all();
  }

private:
  std::mutex fMutex;
  std::condition_variable fCond;
  bool fWoken = false;
};

struct CursorRec {
  int id;
  const char* name;
};

// System cursors, then the program's cursors.
const CursorRec kCursors[] = {
    {IDC_ARROW, "IDC_ARROW"},
    {IDC_IBEAM, "IDC_IBEAM"},
    {IDC_WAIT, "IDC_WAIT"},
    {IDC_CROSS, "IDC_CROSS"},
    {IDC_UPARROW, "IDC_UPARROW"},
    {IDC_SIZENWSE, "IDC_SIZENWSE"},
    {IDC_SIZENESW, "IDC_SIZENESW"},
    {IDC_SIZEWE, "IDC_SIZEWE"},
    {IDC_SIZENS, "IDC_SIZENS"},
    {IDC_SIZEALL, "IDC_SIZEALL"},
    {IDC_NO, "IDC_NO"},
    {IDC_HAND, "IDC_HAND"},
    {IDC_APPSTARTING, "IDC_APPSTARTING"},
    {IDC_HELP, "IDC_HELP"},
    {2100, "KC_DRAGCOPYCURSOR"},
    {2101, "KC_FULLSCROLLCURSOR"},
    {2102, "KC_HORSCROLLCURSOR"},
    {2103, "KC_VERSCROLLCURSOR"},
    {2104, "KC_UPSCROLLCURSOR"},
    {2105, "KC_RIGHTSCROLLCURSOR"},
    {2106, "KC_DOWNSCROLLCURSOR"},
    {2107, "KC_LEFTSCROLLCURSOR"},
    {2108, "KC_REMOVECURSOR"},
    {2109, "KC_VERTSIZECURSOR"},
    {2110, "KC_HORZSIZECURSOR"},
    {2111, "KC_MULTIDRAGCURSOR"},
    {2112, "KC_NODROPCURSOR"},
    {2113, "KC_DRAGCURSOR"},
};

struct CaretRec {
  HWND owner;
  int width = 0;
  int height = 0;
  POINT pos;
  int hideCount = 1;
};

struct State {
  std::vector<std::unique_ptr<WindowRec>> records;
  std::vector<std::uint32_t> generations;  // per slot; guarded by tableMutex for other threads
  std::vector<std::uint8_t> liveSlots;     // per slot; guarded by tableMutex
  std::deque<std::size_t> freeSlots;
  std::mutex tableMutex;
  std::map<String, std::shared_ptr<ClassRec>> classes;
  std::vector<HWND> topLevels;  // front first
  HWND focus, active, capture;
  bool appActive = false;
  HCURSOR cursor;
  POINT cursorPos;
  CaretRec caret;
  TSystemSettings settings;
  TExceptionHandler exceptionHandler;
  TMessageTrace trace;
  int beeps = 0;
  std::thread::id uiThread = std::this_thread::get_id();
  TNullBackend nullBackend;
  TBackend* backend = nullptr;
};

State& S() {
  static State* s = new State();  // never destroyed: posts from other threads may outlive main
  return *s;
}

// Wherever there are windows, workers hand their calls to the user-interface thread through
// the window dispatcher (this file is part of every program that uses the window layer).
const bool gUiDispatcherRegistered =
    (SetSystemUiThreadDispatcher([]() -> TUiThreadDispatcher& { return WindowUiDispatcher(); }), true);

constexpr std::uintptr_t kIndexBits = 24;
constexpr std::uintptr_t kIndexMask = (std::uintptr_t{1} << kIndexBits) - 1;

String UpperKey(std::string_view name) {
  String s(name);
  for (auto& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

void RegisterBuiltInClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASS wc;
  wc.lpszClassName = "STATIC";
  RegisterClass(wc);
  wc.lpszClassName = "TPUtilWindow";  // the hidden windows of AllocateHWnd
  RegisterClass(wc);
}

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

POINT ClientOriginScreen(WindowRec* r) {
  POINT p{r->rect.left + r->client.left, r->rect.top + r->client.top};
  if (WindowRec* parent = Find(r->parent)) {
    POINT q = ClientOriginScreen(parent);
    p.x += q.x;
    p.y += q.y;
  }
  return p;
}

std::vector<HWND>& SiblingList(WindowRec* r) {
  if (WindowRec* parent = Find(r->parent)) return parent->children;
  return S().topLevels;
}

void Unlink(WindowRec* r) {
  auto& list = SiblingList(r);
  list.erase(std::remove(list.begin(), list.end(), r->handle), list.end());
}

// Inserts a top-level window in front of the others of its tier (topmost windows first).
void InsertTopLevel(HWND wnd, bool front) {
  auto& list = S().topLevels;
  WindowRec* r = Find(wnd);
  bool topmost = r && (r->exStyle & WS_EX_TOPMOST);
  auto tierBegin = list.begin();
  auto tierEnd = list.begin();
  while (tierEnd != list.end()) {
    WindowRec* o = Find(*tierEnd);
    bool oTop = o && (o->exStyle & WS_EX_TOPMOST);
    if (oTop != topmost && oTop) {
      ++tierEnd;
      tierBegin = tierEnd;
      continue;
    }
    if (oTop != topmost) break;
    ++tierEnd;
  }
  list.insert(front ? tierBegin : tierEnd, wnd);
}

void SetActive(HWND wnd, WORD how, bool focus);

// The next window to activate when `gone` stops being active: its owner, else the first
// visible, enabled top-level.
HWND NextActivationCandidate(HWND gone) {
  WindowRec* r = Find(gone);
  if (r && r->owner && IsWindowVisible(r->owner) && IsWindowEnabled(r->owner)) return r->owner;
  for (HWND h : S().topLevels) {
    WindowRec* o = Find(h);
    if (h == gone || !o || !(o->style & WS_VISIBLE) || (o->style & WS_DISABLED)) continue;
    if (o->exStyle & WS_EX_NOACTIVATE) continue;
    if (o->cls && o->cls->key == "TPUTILWINDOW") continue;
    return h;
  }
  return {};
}

}  // namespace

void TNullBackend::WaitForEvents(int timeoutMs) {
  std::unique_lock<std::mutex> lock(fMutex);
  if (timeoutMs < 0) {
    // Nothing but a post from another thread can arrive; give it a generous while.
    if (!fCond.wait_for(lock, std::chrono::seconds(30), [&] { return fWoken; }))
      throw EInvalidOperation("The message queue is empty and no input can arrive");
  } else {
    fCond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return fWoken; });
  }
  fWoken = false;
}

void SetBackend(TBackend* backend) { S().backend = backend; }
TBackend& Backend() { return S().backend ? *S().backend : S().nullBackend; }

bool IsUiThread() { return std::this_thread::get_id() == S().uiThread; }

WindowRec* Find(HWND wnd) {
  std::uintptr_t v = wnd.value;
  std::uintptr_t index = v & kIndexMask;
  if (index == 0) return nullptr;
  State& s = S();
  if (index > s.records.size()) return nullptr;
  WindowRec* r = s.records[index - 1].get();
  return (r->alive && r->handle == wnd) ? r : nullptr;
}

// Whether a handle is valid, from any thread.
bool IsValidFromAnyThread(HWND wnd) {
  State& s = S();
  std::uintptr_t index = wnd.value & kIndexMask;
  std::lock_guard<std::mutex> lock(s.tableMutex);
  if (index == 0 || index > s.generations.size()) return false;
  return s.liveSlots[index - 1] && s.generations[index - 1] == (wnd.value >> kIndexBits);
}

std::vector<HWND> TopLevelWindows() { return S().topLevels; }

HWND TopLevelOf(HWND wnd) {
  WindowRec* r = Find(wnd);
  while (r && r->parent) {
    WindowRec* p = Find(r->parent);
    if (!p) break;
    r = p;
  }
  return r ? r->handle : HWND{};
}

void SetMessageTrace(TMessageTrace trace) { S().trace = std::move(trace); }

LRESULT CallProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, bool /*sent*/) {
  WindowRec* r = Find(wnd);
  if (!r) return 0;
  if (r->suppressNext) {
    r->suppressNext = false;
    return 1;
  }
  std::shared_ptr<WNDPROC> proc = r->proc;
  if (S().trace) S().trace(wnd, msg, wParam, lParam);
  try {
    if (proc && *proc) return (*proc)(wnd, msg, wParam, lParam);
    return DefWindowProc(wnd, msg, wParam, lParam);
  } catch (...) {
    HandleException(std::current_exception());
    return 0;
  }
}

POINT CursorPos() { return S().cursorPos; }
void SetCursorPosInternal(POINT p) { S().cursorPos = p; }

TCaretState CaretState() {
  const CaretRec& c = S().caret;
  TCaretState st;
  st.wnd = Find(c.owner) ? c.owner : HWND{};
  st.rect = RECT{c.pos.x, c.pos.y, c.pos.x + c.width, c.pos.y + c.height};
  st.visible = st.wnd && c.hideCount == 0 && IsWindowVisible(st.wnd);
  return st;
}

int CursorId(HCURSOR cursor) {
  std::size_t i = cursor.value;
  if (i == 0 || i > std::size(kCursors)) return 0;
  return kCursors[i - 1].id;
}

void ResetAll() {
  State& s = S();
  // What the windows still run is code of a test or component that may be gone: hooks and
  // procedures go first, then the windows (their children go with them).
  ClearHooks();
  for (auto& rec : s.records)
    if (rec->alive) rec->proc = std::make_shared<WNDPROC>();
  s.exceptionHandler = nullptr;
  for (int guard = 0; guard < 100000 && !s.topLevels.empty(); ++guard) DestroyWindow(s.topLevels.front());
  ResetQueue();
  ResetPaint();
  s.focus = {};
  s.active = {};
  s.capture = {};
  s.appActive = false;
  s.cursor = {};
  s.cursorPos = {};
  s.caret = CaretRec{};
  s.settings = TSystemSettings{};
  s.beeps = 0;
}

// ---- activation and focus internals ----
namespace {

void BroadcastActivateApp(bool active) {
  for (HWND h : TopLevelWindows()) SendMessage(h, WM_ACTIVATEAPP, active ? TRUE : FALSE, 0);
}

void SetActive(HWND wnd, WORD how, bool focus) {
  State& s = S();
  HWND previous = Find(s.active) ? s.active : HWND{};
  if (previous == wnd) return;
  if (previous) {
    SendMessage(previous, WM_NCACTIVATE, FALSE, static_cast<LPARAM>(wnd.value));
    SendMessage(previous, WM_ACTIVATE, WA_INACTIVE, static_cast<LPARAM>(wnd.value));
  }
  if (wnd && !Find(wnd)) return;
  s.active = wnd;
  if (wnd && !s.appActive) {
    s.appActive = true;
    BroadcastActivateApp(true);
  }
  if (wnd && Find(wnd) && s.active == wnd) {
    SendMessage(wnd, WM_NCACTIVATE, TRUE, static_cast<LPARAM>(previous.value));
    SendMessage(wnd, WM_ACTIVATE, how, static_cast<LPARAM>(previous.value));
  }
  if (focus && s.active == wnd) {
    if (!wnd) {
      SetFocus({});
    } else if (!s.focus || TopLevelOf(s.focus) != wnd) {
      SetFocus(wnd);
    }
  }
  if (s.active == wnd && wnd) Backend().WindowChanged(wnd);
}

}  // namespace

void ActivateByMouse(HWND top) { SetActive(top, WA_CLICKACTIVE, true); }

void SetApplicationActive(bool active) {
  State& s = S();
  if (active == s.appActive) return;
  if (active) {
    s.appActive = true;
    BroadcastActivateApp(true);
    return;
  }
  HWND previous = Find(s.active) ? s.active : HWND{};
  if (previous) {
    SendMessage(previous, WM_NCACTIVATE, FALSE, 0);
    SendMessage(previous, WM_ACTIVATE, WA_INACTIVE, 0);
  }
  s.active = {};
  s.appActive = false;
  BroadcastActivateApp(false);
  if (s.focus) SetFocus({});
}

// ---- hidden helpers used by the queue and painting files ----
void CaretDestroyedWith(HWND wnd) {
  if (S().caret.owner == wnd) {
    S().caret = CaretRec{};
    Backend().CaretChanged();
  }
}

}  // namespace win

using namespace win;

// ---- exceptions ----
TExceptionHandler SetExceptionHandler(TExceptionHandler handler) {
  std::swap(S().exceptionHandler, handler);
  return handler;
}

void HandleException(std::exception_ptr error) {
  if (S().exceptionHandler) {
    try {
      S().exceptionHandler(error);
    } catch (...) {
      std::cerr << "exception in the exception handler\n";
    }
    return;
  }
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
  } catch (...) {
    std::cerr << "unknown exception\n";
  }
}

// ---- classes ----
ATOM RegisterClass(const WNDCLASS& wc) {
  if (wc.lpszClassName.empty()) return 0;
  String key = UpperKey(wc.lpszClassName);
  auto& classes = S().classes;
  if (classes.count(key)) return 0;
  auto rec = std::make_shared<ClassRec>();
  rec->wc = wc;
  rec->key = key;
  classes[key] = rec;
  return static_cast<ATOM>(classes.size());
}

BOOL UnregisterClass(std::string_view className, HINSTANCE) {
  auto& classes = S().classes;
  auto it = classes.find(UpperKey(className));
  if (it == classes.end()) return FALSE;
  // Refused while a window of the class exists.
  for (auto& slot : S().records)
    if (slot->alive && slot->cls == it->second) return FALSE;
  classes.erase(it);
  return TRUE;
}

BOOL GetClassInfo(HINSTANCE, std::string_view className, WNDCLASS* wc) {
  RegisterBuiltInClasses();
  auto& classes = S().classes;
  auto it = classes.find(UpperKey(className));
  if (it == classes.end()) return FALSE;
  if (wc) *wc = it->second->wc;
  return TRUE;
}

String GetClassName(HWND wnd) {
  WindowRec* r = Find(wnd);
  return r && r->cls ? r->cls->wc.lpszClassName : String();
}

// ---- creation and destruction ----
HWND CreateWindowEx(DWORD exStyle, std::string_view className, std::string_view windowName, DWORD style, int x, int y,
                    int width, int height, HWND parentOrOwner, HMENU menuOrId, HINSTANCE instance, void* param) {
  RegisterBuiltInClasses();
  State& s = S();
  auto it = s.classes.find(UpperKey(className));
  if (it == s.classes.end()) return {};
  bool child = (style & WS_CHILD) != 0;
  if (child && !Find(parentOrOwner)) return {};
  if (x == CW_USEDEFAULT) x = y = 0;
  if (width == CW_USEDEFAULT) width = height = 0;
  width = std::max(width, 0);
  height = std::max(height, 0);

  std::size_t index;
  if (!s.freeSlots.empty()) {
    index = s.freeSlots.front();
    s.freeSlots.pop_front();
  } else {
    if (s.records.size() >= kIndexMask) return {};
    std::lock_guard<std::mutex> lock(s.tableMutex);
    s.records.push_back(std::make_unique<WindowRec>());
    s.generations.push_back(0);
    s.liveSlots.push_back(0);
    index = s.records.size() - 1;
  }
  WindowRec* r = s.records[index].get();
  *r = WindowRec{};
  {
    std::lock_guard<std::mutex> lock(s.tableMutex);
    std::uint32_t gen = ++s.generations[index];
    s.liveSlots[index] = 1;
    r->handle = HWND{(static_cast<std::uintptr_t>(gen) << kIndexBits) | (index + 1)};
  }
  HWND h = r->handle;
  r->alive = true;
  r->cls = it->second;
  r->proc = std::make_shared<WNDPROC>(it->second->wc.lpfnWndProc);
  r->style = style & ~WS_VISIBLE;
  r->exStyle = exStyle;
  r->text = String(windowName);
  r->rect = RECT{x, y, x + width, y + height};
  r->client = RECT{0, 0, width, height};
  if (child) {
    r->parent = parentOrOwner;
    r->id = static_cast<LONG_PTR>(menuOrId.value);
    auto& list = Find(parentOrOwner)->children;
    list.insert(list.begin(), h);
  } else {
    r->owner = TopLevelOf(parentOrOwner);
    r->surface = std::make_shared<Surface>(width, height);
    InsertTopLevel(h, true);
  }
  Backend().WindowCreated(h);

  CREATESTRUCT cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menuOrId;
  cs.hwndParent = parentOrOwner;
  cs.x = x;
  cs.y = y;
  cs.cx = width;
  cs.cy = height;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = String(windowName);
  cs.lpszClass = String(className);
  cs.dwExStyle = exStyle;
  if (!SendMessage(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    DestroyWindow(h);
    return {};
  }
  if (!Find(h)) return {};
  RecalcNonClient(h);
  if (SendMessage(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return {};
  }
  if (!(r = Find(h))) return {};
  SendMessage(h, WM_SIZE, 0, MAKELPARAM(static_cast<WORD>(Width(r->client)), static_cast<WORD>(Height(r->client))));
  if (!(r = Find(h))) return {};
  SendMessage(
      h, WM_MOVE, 0,
      MAKELPARAM(static_cast<WORD>(r->rect.left + r->client.left), static_cast<WORD>(r->rect.top + r->client.top)));
  if (!Find(h)) return {};
  if (style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
  return Find(h) ? h : HWND{};
}

namespace {

void SendDestroy(HWND wnd) {
  SendMessage(wnd, WM_DESTROY, 0, 0);
  if (WindowRec* r = Find(wnd)) {
    std::vector<HWND> children = r->children;
    for (HWND c : children)
      if (Find(c)) SendDestroy(c);
  }
}

void FreeWindow(HWND wnd) {
  WindowRec* r = Find(wnd);
  if (!r) return;
  std::vector<HWND> children = r->children;
  for (HWND c : children) FreeWindow(c);
  if (!(r = Find(wnd))) return;
  SendMessage(wnd, WM_NCDESTROY, 0, 0);
  if (!(r = Find(wnd))) return;
  KillWindowTimers(wnd);
  ForgetPaint(wnd);
  ForgetWindowInQueue(wnd);
  CaretDestroyedWith(wnd);
  State& s = S();
  if (s.focus == wnd) s.focus = {};
  if (s.active == wnd) s.active = {};
  if (s.capture == wnd) s.capture = {};
  Unlink(r);
  if (!r->parent) Backend().WindowDestroyed(wnd);
  std::size_t index = (wnd.value & kIndexMask) - 1;
  {
    std::lock_guard<std::mutex> lock(s.tableMutex);
    s.liveSlots[index] = 0;
  }
  *r = WindowRec{};
  s.freeSlots.push_back(index);
}

}  // namespace

BOOL DestroyWindow(HWND wnd) {
  WindowRec* r = Find(wnd);
  if (!r || r->destroying) return FALSE;
  r->destroying = true;
  State& s = S();
  // Owned windows go first.
  std::vector<HWND> owned;
  for (HWND h : s.topLevels) {
    WindowRec* o = Find(h);
    if (o && o->owner == wnd) owned.push_back(h);
  }
  for (HWND h : owned) DestroyWindow(h);
  if (!(r = Find(wnd))) return TRUE;
  bool child = r->parent.value != 0;
  HWND parent = r->parent;
  RECT oldRect = r->rect;
  bool wasVisible = IsWindowVisible(wnd);
  if (s.capture == wnd || IsChild(wnd, s.capture)) ReleaseCapture();
  if (s.focus == wnd || IsChild(wnd, s.focus)) SetFocus(child && Find(parent) ? parent : HWND{});
  if ((r = Find(wnd)) && (r->style & WS_VISIBLE)) {
    r->style &= ~WS_VISIBLE;
    if (!child) Backend().WindowChanged(wnd);
  }
  if (s.active == wnd) {
    HWND next = NextActivationCandidate(wnd);
    SetActive(next, WA_ACTIVE, true);
  }
  if (!Find(wnd)) return TRUE;
  SendDestroy(wnd);
  FreeWindow(wnd);
  if (child && wasVisible && Find(parent)) InvalidateRect(parent, &oldRect, TRUE);
  return TRUE;
}

BOOL IsWindow(HWND wnd) {
  if (!IsUiThread()) return IsValidFromAnyThread(wnd) ? TRUE : FALSE;
  return Find(wnd) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND wnd) {
  WindowRec* r = Find(wnd);
  if (!r) return FALSE;
  for (; r; r = Find(r->parent))
    if (!(r->style & WS_VISIBLE)) return FALSE;
  return TRUE;
}

BOOL IsIconic(HWND wnd) {
  WindowRec* r = Find(wnd);
  return r && (r->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND wnd) {
  WindowRec* r = Find(wnd);
  return r && !(r->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND wnd, BOOL enable) {
  WindowRec* r = Find(wnd);
  if (!r) return FALSE;
  BOOL wasDisabled = (r->style & WS_DISABLED) ? TRUE : FALSE;
  if (enable && wasDisabled) {
    r->style &= ~WS_DISABLED;
    SendMessage(wnd, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    SendMessage(wnd, WM_CANCELMODE, 0, 0);
    if (!(r = Find(wnd))) return wasDisabled;
    r->style |= WS_DISABLED;
    State& s = S();
    if (s.focus == wnd || IsChild(wnd, s.focus)) SetFocus({});
    SendMessage(wnd, WM_ENABLE, FALSE, 0);
  }
  return wasDisabled;
}

BOOL IsChild(HWND parent, HWND wnd) {
  if (!parent) return FALSE;
  WindowRec* r = Find(wnd);
  while (r && r->parent) {
    if (r->parent == parent) return TRUE;
    r = Find(r->parent);
  }
  return FALSE;
}

HWND GetParent(HWND wnd) {
  WindowRec* r = Find(wnd);
  if (!r) return {};
  if (r->style & WS_CHILD) return r->parent;
  return (r->style & WS_POPUP) ? r->owner : HWND{};
}

HWND SetParent(HWND wnd, HWND newParent) {
  WindowRec* r = Find(wnd);
  if (!r) return {};
  if (newParent && (!Find(newParent) || newParent == wnd || IsChild(wnd, newParent))) return {};
  HWND old = r->parent;
  bool wasVisible = IsWindowVisible(wnd);
  RECT oldRect = r->rect;
  Unlink(r);
  if (!r->parent) Backend().WindowDestroyed(wnd);
  r->parent = newParent;
  if (newParent) {
    r->owner = {};
    r->surface.reset();
    auto& list = Find(newParent)->children;
    list.insert(list.begin(), wnd);
  } else {
    r->surface = std::make_shared<Surface>(Width(r->rect), Height(r->rect));
    InsertTopLevel(wnd, true);
    Backend().WindowCreated(wnd);
    Backend().WindowChanged(wnd);
  }
  if (wasVisible && Find(old)) InvalidateRect(old, &oldRect, TRUE);
  RedrawWindow(wnd, nullptr, {}, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  return old;
}

HWND GetWindow(HWND wnd, UINT cmd) {
  WindowRec* r = Find(wnd);
  if (!r) return {};
  if (cmd == GW_OWNER) return r->owner;
  if (cmd == GW_CHILD) return r->children.empty() ? HWND{} : r->children.front();
  auto& list = SiblingList(r);
  auto it = std::find(list.begin(), list.end(), wnd);
  switch (cmd) {
    case GW_HWNDFIRST: return list.empty() ? HWND{} : list.front();
    case GW_HWNDLAST: return list.empty() ? HWND{} : list.back();
    case GW_HWNDNEXT: return (it != list.end() && it + 1 != list.end()) ? *(it + 1) : HWND{};
    case GW_HWNDPREV: return (it != list.end() && it != list.begin()) ? *(it - 1) : HWND{};
  }
  return {};
}

HWND GetAncestor(HWND wnd, UINT flags) {
  WindowRec* r = Find(wnd);
  if (!r) return {};
  switch (flags) {
    case GA_PARENT: return r->parent;
    case GA_ROOT: return TopLevelOf(wnd);
    case GA_ROOTOWNER: {
      HWND h = TopLevelOf(wnd);
      for (WindowRec* o = Find(h); o && o->owner; o = Find(o->owner)) h = o->owner;
      return h;
    }
  }
  return {};
}

HWND GetDesktopWindow() { return {}; }

LONG_PTR GetWindowLong(HWND wnd, int index) {
  WindowRec* r = Find(wnd);
  if (!r) return 0;
  switch (index) {
    case GWL_STYLE: return static_cast<LONG_PTR>(r->style);
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(r->exStyle);
    case GWL_ID: return r->id;
    case GWL_USERDATA: return r->userData;
    case GWL_HWNDPARENT: return static_cast<LONG_PTR>((r->parent ? r->parent : r->owner).value);
  }
  return 0;
}

LONG_PTR SetWindowLong(HWND wnd, int index, LONG_PTR value) {
  WindowRec* r = Find(wnd);
  if (!r) return 0;
  LONG_PTR old = GetWindowLong(wnd, index);
  switch (index) {
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      // Visibility changes go through ShowWindow; the other bits are stored as given.
      DWORD v = static_cast<DWORD>(value);
      if (index == GWL_STYLE) {
        r->style = (v & ~WS_VISIBLE) | (r->style & WS_VISIBLE);
      } else {
        bool topmostChanged = ((r->exStyle ^ v) & WS_EX_TOPMOST) != 0;
        r->exStyle = v;
        if (topmostChanged && !r->parent) {
          Unlink(r);
          InsertTopLevel(wnd, true);
        }
      }
      if (!r->parent) Backend().WindowChanged(wnd);
      break;
    }
    case GWL_ID: r->id = value; break;
    case GWL_USERDATA: r->userData = value; break;
    case GWL_HWNDPARENT:
      if (!r->parent) r->owner = TopLevelOf(HWND{static_cast<std::uintptr_t>(value)});
      Backend().WindowChanged(wnd);
      break;
  }
  return old;
}

WNDPROC GetWindowProc(HWND wnd) {
  WindowRec* r = Find(wnd);
  return r && r->proc ? *r->proc : WNDPROC{};
}

WNDPROC SetWindowProc(HWND wnd, WNDPROC proc) {
  WindowRec* r = Find(wnd);
  if (!r) return {};
  WNDPROC old = r->proc ? *r->proc : WNDPROC{};
  // A new holder: a procedure that is running keeps its own copy alive.
  r->proc = std::make_shared<WNDPROC>(std::move(proc));
  return old;
}

LRESULT CallWindowProc(const WNDPROC& proc, HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (proc) return proc(wnd, msg, wParam, lParam);
  return DefWindowProc(wnd, msg, wParam, lParam);
}

void SuppressNextMessage(HWND wnd) {
  if (WindowRec* r = Find(wnd)) r->suppressNext = true;
}

BOOL SetWindowText(HWND wnd, std::string_view text) {
  String t(text);
  return SendMessage(wnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str())) ? TRUE : FALSE;
}

String GetWindowText(HWND wnd) {
  if (!Find(wnd)) return {};
  auto len = static_cast<std::size_t>(std::max<LRESULT>(SendMessage(wnd, WM_GETTEXTLENGTH, 0, 0), 0));
  std::vector<char> buffer(len + 1, '\0');
  auto got = SendMessage(wnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return String(buffer.data(), static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, static_cast<LRESULT>(len))));
}

int GetWindowTextLength(HWND wnd) { return static_cast<int>(SendMessage(wnd, WM_GETTEXTLENGTH, 0, 0)); }

// ---- geometry ----
BOOL GetWindowRect(HWND wnd, RECT* rect) {
  WindowRec* r = Find(wnd);
  if (!r || !rect) return FALSE;
  POINT o{r->rect.left, r->rect.top};
  if (WindowRec* p = Find(r->parent)) {
    POINT q = ClientOriginScreen(p);
    o.x += q.x;
    o.y += q.y;
  }
  *rect = RECT{o.x, o.y, o.x + Width(r->rect), o.y + Height(r->rect)};
  return TRUE;
}

BOOL GetClientRect(HWND wnd, RECT* rect) {
  WindowRec* r = Find(wnd);
  if (!r || !rect) return FALSE;
  *rect = RECT{0, 0, Width(r->client), Height(r->client)};
  return TRUE;
}

BOOL ClientToScreen(HWND wnd, POINT* pt) {
  WindowRec* r = Find(wnd);
  if (!r || !pt) return FALSE;
  POINT o = ClientOriginScreen(r);
  pt->x += o.x;
  pt->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND wnd, POINT* pt) {
  WindowRec* r = Find(wnd);
  if (!r || !pt) return FALSE;
  POINT o = ClientOriginScreen(r);
  pt->x -= o.x;
  pt->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT a{}, b{};
  if (WindowRec* r = Find(from)) a = ClientOriginScreen(r);
  if (WindowRec* r = Find(to)) b = ClientOriginScreen(r);
  int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

int MapWindowPoints(HWND from, HWND to, RECT* rect) {
  return MapWindowPoints(from, to, reinterpret_cast<POINT*>(rect), 2);
}

namespace {

bool InWindowShape(WindowRec* r, POINT screen) {
  RECT wr;
  GetWindowRect(r->handle, &wr);
  if (screen.x < wr.left || screen.y < wr.top || screen.x >= wr.right || screen.y >= wr.bottom) return false;
  if (r->region && !r->region->contains(QPoint(screen.x - wr.left, screen.y - wr.top))) return false;
  return true;
}

HWND ChildAt(WindowRec* r, POINT screen) {
  POINT o = ClientOriginScreen(r);
  if (screen.x < o.x || screen.y < o.y || screen.x >= o.x + Width(r->client) || screen.y >= o.y + Height(r->client))
    return r->handle;
  for (HWND c : r->children) {
    WindowRec* cr = Find(c);
    if (!cr || !(cr->style & WS_VISIBLE) || (cr->exStyle & WS_EX_TRANSPARENT)) continue;
    if (!InWindowShape(cr, screen)) continue;
    if (cr->style & WS_DISABLED) return r->handle;
    return ChildAt(cr, screen);
  }
  return r->handle;
}

}  // namespace

HWND WindowFromPoint(POINT pt) {
  for (HWND h : S().topLevels) {
    WindowRec* r = Find(h);
    if (!r || !(r->style & WS_VISIBLE) || !InWindowShape(r, pt)) continue;
    if (r->style & WS_DISABLED) return {};
    return ChildAt(r, pt);
  }
  return {};
}

int SetWindowRgn(HWND wnd, HRGN rgn, BOOL redraw) {
  WindowRec* r = Find(wnd);
  if (!r) return 0;
  if (rgn)
    r->region = RegionFromHRGN(rgn);
  else
    r->region.reset();
  if (!r->parent) Backend().WindowChanged(wnd);
  if (redraw) RedrawWindow(wnd, nullptr, {}, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  if (r->parent && Find(r->parent)) {
    RECT rc = r->rect;
    InvalidateRect(r->parent, &rc, TRUE);
  }
  return 1;
}

int GetWindowRgn(HWND wnd, HRGN rgn) {
  WindowRec* r = Find(wnd);
  if (!r || !r->region || !rgn) return ERROR;
  HRGN copy = HRGNFromRegion(*r->region);
  int kind = CombineRgn(rgn, copy, {}, RGN_COPY);
  DeleteObject(copy);
  return kind;
}

namespace {

void ApplyZOrder(WindowRec* r, HWND after) {
  HWND wnd = r->handle;
  auto& list = SiblingList(r);
  if (!r->parent) {
    if (after == HWND_TOPMOST) r->exStyle |= WS_EX_TOPMOST;
    if (after == HWND_NOTOPMOST) r->exStyle &= ~WS_EX_TOPMOST;
    Unlink(r);
    if (after == HWND_BOTTOM) {
      InsertTopLevel(wnd, false);
    } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
      InsertTopLevel(wnd, true);
    } else {
      auto it = std::find(list.begin(), list.end(), after);
      list.insert(it == list.end() ? list.begin() : it + 1, wnd);
    }
    return;
  }
  Unlink(r);
  if (after == HWND_BOTTOM) {
    list.push_back(wnd);
  } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
    list.insert(list.begin(), wnd);
  } else {
    auto it = std::find(list.begin(), list.end(), after);
    list.insert(it == list.end() ? list.begin() : it + 1, wnd);
  }
}

}  // namespace

BOOL SetWindowPos(HWND wnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  WindowRec* r = Find(wnd);
  if (!r) return FALSE;
  if (r->style & WS_VISIBLE)
    flags &= ~SWP_SHOWWINDOW;
  else
    flags &= ~SWP_HIDEWINDOW;
  WINDOWPOS wp;
  wp.hwnd = wnd;
  wp.hwndInsertAfter = insertAfter;
  wp.x = (flags & SWP_NOMOVE) ? r->rect.left : x;
  wp.y = (flags & SWP_NOMOVE) ? r->rect.top : y;
  wp.cx = (flags & SWP_NOSIZE) ? Width(r->rect) : std::max(cx, 0);
  wp.cy = (flags & SWP_NOSIZE) ? Height(r->rect) : std::max(cy, 0);
  wp.flags = flags;
  if (!(flags & SWP_NOSENDCHANGING)) {
    SendMessage(wnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!(r = Find(wnd))) return FALSE;
  }
  RECT old = r->rect;
  bool wasVisible = IsWindowVisible(wnd);
  RECT newRect{wp.x, wp.y, wp.x + std::max(wp.cx, 0), wp.y + std::max(wp.cy, 0)};
  bool moved = newRect.left != old.left || newRect.top != old.top;
  bool sized = Width(newRect) != Width(old) || Height(newRect) != Height(old);
  if (!moved) wp.flags |= SWP_NOMOVE;
  if (!sized) wp.flags |= SWP_NOSIZE;
  r->rect = newRect;
  if (r->surface && sized) r->surface->Resize(Width(newRect), Height(newRect));
  if (sized || (flags & SWP_FRAMECHANGED)) {
    RecalcNonClient(wnd);
    if (!(r = Find(wnd))) return FALSE;
  }
  if (!(flags & SWP_NOZORDER)) ApplyZOrder(r, wp.hwndInsertAfter);
  bool showing = (wp.flags & SWP_SHOWWINDOW) != 0;
  bool hiding = (wp.flags & SWP_HIDEWINDOW) != 0;
  if (showing) r->style |= WS_VISIBLE;
  if (hiding) r->style &= ~WS_VISIBLE;
  bool child = r->parent.value != 0;
  HWND parent = r->parent;
  if (!child) Backend().WindowChanged(wnd);
  bool nowVisible = IsWindowVisible(wnd);
  if (!(flags & SWP_NOREDRAW)) {
    if (nowVisible && (showing || sized || moved || (flags & SWP_FRAMECHANGED))) {
      if (child || showing || sized || (flags & SWP_FRAMECHANGED))
        RedrawWindow(wnd, nullptr, {}, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    if (child && wasVisible && (hiding || moved || sized) && Find(parent)) {
      QRegion uncovered(QRect(old.left, old.top, Width(old), Height(old)));
      if (nowVisible) uncovered -= QRegion(QRect(newRect.left, newRect.top, Width(newRect), Height(newRect)));
      if (!uncovered.isEmpty()) {
        HRGN rgn = HRGNFromRegion(uncovered);
        InvalidateRgn(parent, rgn, TRUE);
        DeleteObject(rgn);
      }
    }
  }
  SendMessage(wnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  if (!(r = Find(wnd))) return TRUE;
  if (!child) {
    State& s = S();
    if (showing && !(flags & SWP_NOACTIVATE) && !(r->exStyle & WS_EX_NOACTIVATE)) {
      SetActive(wnd, WA_ACTIVE, true);
    } else if (hiding && s.active == wnd) {
      SetActive(NextActivationCandidate(wnd), WA_ACTIVE, true);
    }
  }
  return TRUE;
}

BOOL MoveWindow(HWND wnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(wnd, {}, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND wnd, int cmd) {
  WindowRec* r = Find(wnd);
  if (!r) return FALSE;
  BOOL wasVisible = (r->style & WS_VISIBLE) ? TRUE : FALSE;
  if (cmd == SW_MINIMIZE || cmd == SW_SHOWMINIMIZED)
    r->style |= WS_MINIMIZE;
  else if (cmd == SW_RESTORE || cmd == SW_SHOWNORMAL || cmd == SW_SHOWMAXIMIZED)
    r->style &= ~WS_MINIMIZE;
  bool show = cmd != SW_HIDE && cmd != SW_MINIMIZE;
  bool child = (r->style & WS_CHILD) != 0;
  UINT flags = SWP_NOMOVE | SWP_NOSIZE;
  if (!show) {
    if (!wasVisible) return FALSE;
    flags |= SWP_HIDEWINDOW;
    if (S().active != wnd) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
  } else {
    if (wasVisible) {
      if (!child && (cmd == SW_SHOW || cmd == SW_SHOWNORMAL || cmd == SW_RESTORE) && !(r->exStyle & WS_EX_NOACTIVATE))
        SetActive(wnd, WA_ACTIVE, true);
      return TRUE;
    }
    flags |= SWP_SHOWWINDOW;
    if (child || cmd == SW_SHOWNA || cmd == SW_SHOWNOACTIVATE) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
  }
  SendMessage(wnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
  if (!Find(wnd)) return wasVisible;
  SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, flags);
  if (!show && child) {
    State& s = S();
    if (s.focus == wnd || IsChild(wnd, s.focus)) {
      HWND parent = GetAncestor(wnd, GA_PARENT);
      SetFocus(parent);
    }
  }
  return wasVisible;
}

BOOL BringWindowToTop(HWND wnd) { return SetWindowPos(wnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

// ---- capture, focus, activation ----
HWND SetCapture(HWND wnd) {
  State& s = S();
  HWND previous = Find(s.capture) ? s.capture : HWND{};
  if (!Find(wnd)) return previous;
  if (previous == wnd) return previous;
  s.capture = wnd;
  Backend().CaptureChanged(wnd);
  if (previous) SendMessage(previous, WM_CAPTURECHANGED, 0, static_cast<LPARAM>(wnd.value));
  return previous;
}

BOOL ReleaseCapture() {
  State& s = S();
  HWND previous = Find(s.capture) ? s.capture : HWND{};
  s.capture = {};
  if (previous) {
    Backend().CaptureChanged({});
    SendMessage(previous, WM_CAPTURECHANGED, 0, 0);
  }
  return TRUE;
}

HWND GetCapture() { return Find(S().capture) ? S().capture : HWND{}; }

HWND SetFocus(HWND wnd) {
  State& s = S();
  HWND previous = Find(s.focus) ? s.focus : HWND{};
  if (!wnd) {
    s.focus = {};
    if (previous) {
      Backend().FocusChanged({});
      SendMessage(previous, WM_KILLFOCUS, 0, 0);
    }
    return previous;
  }
  if (!Find(wnd)) return {};
  if (wnd == previous) return previous;
  HWND top = TopLevelOf(wnd);
  if (s.active != top) {
    SetActive(top, WA_ACTIVE, false);
    if (s.active != top || !Find(wnd)) return {};
  }
  HWND losing = Find(s.focus) ? s.focus : HWND{};
  if (losing == wnd) return previous;
  s.focus = wnd;
  if (losing) {
    SendMessage(losing, WM_KILLFOCUS, static_cast<WPARAM>(wnd.value), 0);
    if (s.focus != wnd || !Find(wnd)) return previous;
  }
  Backend().FocusChanged(wnd);
  SendMessage(wnd, WM_SETFOCUS, static_cast<WPARAM>(losing.value), 0);
  return previous;
}

HWND GetFocus() { return Find(S().focus) ? S().focus : HWND{}; }

HWND SetActiveWindow(HWND wnd) {
  HWND previous = GetActiveWindow();
  HWND top = TopLevelOf(wnd);
  if (!top) return {};
  SetActive(top, WA_ACTIVE, true);
  return previous;
}

HWND GetActiveWindow() { return Find(S().active) ? S().active : HWND{}; }
HWND GetForegroundWindow() { return GetActiveWindow(); }
BOOL SetForegroundWindow(HWND wnd) { return Find(wnd) ? (SetActiveWindow(wnd), TRUE) : FALSE; }

// ---- cursors ----
HCURSOR LoadCursor(HINSTANCE, int id) {
  for (std::size_t i = 0; i < std::size(kCursors); ++i)
    if (kCursors[i].id == id) return HCURSOR{i + 1};
  return {};
}

HCURSOR LoadCursor(HINSTANCE, std::string_view name) {
  String key = UpperKey(name);
  for (std::size_t i = 0; i < std::size(kCursors); ++i)
    if (key == kCursors[i].name) return HCURSOR{i + 1};
  return {};
}

HCURSOR SetCursor(HCURSOR cursor) {
  State& s = S();
  HCURSOR previous = s.cursor;
  if (cursor != previous) {
    s.cursor = cursor;
    Backend().CursorChanged(cursor);
  }
  return previous;
}

HCURSOR GetCursor() { return S().cursor; }

BOOL GetCursorPos(POINT* pt) {
  if (!pt) return FALSE;
  *pt = S().cursorPos;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  InjectMouse(TMouseAction::Move, TMouseButtonKind::None, POINT{x, y});
  return TRUE;
}

// ---- caret ----
BOOL CreateCaret(HWND wnd, HBITMAP, int width, int height) {
  if (!Find(wnd)) return FALSE;
  State& s = S();
  s.caret = CaretRec{};
  s.caret.owner = wnd;
  s.caret.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
  s.caret.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
  Backend().CaretChanged();
  return TRUE;
}

BOOL DestroyCaret() {
  State& s = S();
  if (!s.caret.owner) return FALSE;
  s.caret = CaretRec{};
  Backend().CaretChanged();
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  State& s = S();
  if (!Find(s.caret.owner)) return FALSE;
  s.caret.pos = POINT{x, y};
  Backend().CaretChanged();
  return TRUE;
}

BOOL GetCaretPos(POINT* pt) {
  State& s = S();
  if (!pt || !Find(s.caret.owner)) return FALSE;
  *pt = s.caret.pos;
  return TRUE;
}

BOOL ShowCaret(HWND wnd) {
  State& s = S();
  if (!Find(s.caret.owner) || (wnd && wnd != s.caret.owner) || s.caret.hideCount == 0) return FALSE;
  --s.caret.hideCount;
  Backend().CaretChanged();
  return TRUE;
}

BOOL HideCaret(HWND wnd) {
  State& s = S();
  if (!Find(s.caret.owner) || (wnd && wnd != s.caret.owner)) return FALSE;
  ++s.caret.hideCount;
  Backend().CaretChanged();
  return TRUE;
}

UINT GetCaretBlinkTime() { return S().settings.caretBlinkTime; }
BOOL SetCaretBlinkTime(UINT ms) {
  S().settings.caretBlinkTime = ms;
  return TRUE;
}

UINT GetDoubleClickTime() { return S().settings.doubleClickTime; }
BOOL SetDoubleClickTime(UINT ms) {
  S().settings.doubleClickTime = ms == 0 ? 500 : ms;
  return TRUE;
}

// ---- system settings ----
const TSystemSettings& SystemSettings() { return S().settings; }
void SetSystemSettings(const TSystemSettings& settings) {
  S().settings = settings;
  if (S().settings.monitors.empty())
    S().settings.monitors.push_back(TMonitorSettings{RECT{0, 0, 1024, 768}, RECT{0, 0, 1024, 768}});
}

int GetSystemMetrics(int index) {
  const TSystemSettings& st = S().settings;
  const RECT& primary = st.monitors.front().bounds;
  switch (index) {
    case SM_CXSCREEN: return Width(primary);
    case SM_CYSCREEN: return Height(primary);
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL: return st.scrollBarSize;
    case SM_CYCAPTION:
    case SM_CXSIZE:
    case SM_CYSIZE: return st.captionHeight;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME:
    case SM_CYFRAME: return 4;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    case SM_CYMENU: return st.menuHeight;
    case SM_CXFULLSCREEN: return Width(st.monitors.front().workArea);
    case SM_CYFULLSCREEN: return Height(st.monitors.front().workArea) - st.captionHeight;
    case SM_CXMIN: return 112;
    case SM_CYMIN: return 27;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return st.doubleClickSize;
    case SM_CXDRAG:
    case SM_CYDRAG: return st.dragThreshold;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK: return 13;
    case SM_CMONITORS: return static_cast<int>(st.monitors.size());
    case SM_MOUSEWHEELPRESENT: return 1;
    case SM_CXVIRTUALSCREEN:
    case SM_CYVIRTUALSCREEN: {
      RECT u = primary;
      for (const auto& m : st.monitors) {
        u.left = std::min(u.left, m.bounds.left);
        u.top = std::min(u.top, m.bounds.top);
        u.right = std::max(u.right, m.bounds.right);
        u.bottom = std::max(u.bottom, m.bounds.bottom);
      }
      return index == SM_CXVIRTUALSCREEN ? Width(u) : Height(u);
    }
  }
  return 0;
}

BOOL SystemParametersInfo(UINT action, UINT uiParam, void* pvParam, UINT) {
  TSystemSettings& st = S().settings;
  switch (action) {
    case SPI_GETWORKAREA:
      if (!pvParam) return FALSE;
      *static_cast<RECT*>(pvParam) = st.monitors.front().workArea;
      return TRUE;
    case SPI_GETWHEELSCROLLLINES:
      if (!pvParam) return FALSE;
      *static_cast<UINT*>(pvParam) = st.wheelScrollLines;
      return TRUE;
    case SPI_SETWHEELSCROLLLINES: st.wheelScrollLines = uiParam; return TRUE;
  }
  return FALSE;
}

namespace {

long long DistanceToRect(const RECT& r, POINT p) {
  long long dx = p.x < r.left ? r.left - p.x : (p.x >= r.right ? p.x - r.right + 1 : 0);
  long long dy = p.y < r.top ? r.top - p.y : (p.y >= r.bottom ? p.y - r.bottom + 1 : 0);
  return dx * dx + dy * dy;
}

}  // namespace

// Monitor handles are 1 + the index in the settings.
HMONITOR MonitorFromPoint(POINT pt, DWORD flags) {
  const auto& ms = S().settings.monitors;
  std::size_t best = 0;
  long long bestDistance = -1;
  for (std::size_t i = 0; i < ms.size(); ++i) {
    long long d = DistanceToRect(ms[i].bounds, pt);
    if (d == 0) return HMONITOR{i + 1};
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  if (flags == MONITOR_DEFAULTTONULL) return {};
  if (flags == MONITOR_DEFAULTTOPRIMARY) return HMONITOR{1};
  return HMONITOR{best + 1};
}

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
  if (!rect) return {};
  const auto& ms = S().settings.monitors;
  long long bestArea = 0;
  std::size_t best = 0;
  for (std::size_t i = 0; i < ms.size(); ++i) {
    const RECT& b = ms[i].bounds;
    long long w = std::min(b.right, rect->right) - std::max(b.left, rect->left);
    long long h = std::min(b.bottom, rect->bottom) - std::max(b.top, rect->top);
    if (w > 0 && h > 0 && w * h > bestArea) {
      bestArea = w * h;
      best = i;
    }
  }
  if (bestArea > 0) return HMONITOR{best + 1};
  return MonitorFromPoint(POINT{(rect->left + rect->right) / 2, (rect->top + rect->bottom) / 2}, flags);
}

HMONITOR MonitorFromWindow(HWND wnd, DWORD flags) {
  RECT r;
  if (!GetWindowRect(wnd, &r)) return flags == MONITOR_DEFAULTTONULL ? HMONITOR{} : HMONITOR{1};
  return MonitorFromRect(&r, flags);
}

BOOL GetMonitorInfo(HMONITOR monitor, MONITORINFO* info) {
  const auto& ms = S().settings.monitors;
  if (!info || monitor.value == 0 || monitor.value > ms.size()) return FALSE;
  info->rcMonitor = ms[monitor.value - 1].bounds;
  info->rcWork = ms[monitor.value - 1].workArea;
  info->dwFlags = monitor.value == 1 ? MONITORINFOF_PRIMARY : 0;
  return TRUE;
}

void BroadcastSystemChange(TSystemChange change) {
  for (HWND h : TopLevelWindows()) {
    switch (change) {
      case TSystemChange::Colors: SendMessage(h, WM_SYSCOLORCHANGE, 0, 0); break;
      case TSystemChange::NonClientMetrics: SendMessage(h, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0); break;
      case TSystemChange::Theme: SendMessage(h, WM_THEMECHANGED, 0, 0); break;
    }
  }
}

// ---- hidden windows, beeps ----
HWND AllocateHWnd(TWndMethod handler) {
  auto shared = std::make_shared<TWndMethod>(std::move(handler));
  HWND wnd = CreateWindowEx(WS_EX_TOOLWINDOW, "TPUtilWindow", "", WS_POPUP, 0, 0, 0, 0, {});
  SetWindowProc(wnd, [shared](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
    TMessage m{msg, wParam, lParam, 0};
    if (*shared) (*shared)(m);
    return m.Result;
  });
  return wnd;
}

void DeallocateHWnd(HWND wnd) { DestroyWindow(wnd); }

BOOL MessageBeep(UINT) {
  ++S().beeps;
  Backend().Beep();
  return TRUE;
}

int MessageBeepCount() { return S().beeps; }
