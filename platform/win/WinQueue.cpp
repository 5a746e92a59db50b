// The message queue: sent and posted messages, input turned into window messages, the
// GetMessage order, hooks and timers.

#include <algorithm>
#include <deque>
#include <mutex>

#include "platform/core/Clock.h"
#include "platform/core/Utf8.h"
#include "platform/win/WinCoreInternal.h"

namespace win {
namespace {

struct RawInput {
  bool mouse = true;
  TMouseAction action = TMouseAction::Move;
  TMouseButtonKind button = TMouseButtonKind::None;
  POINT pt;
  int wheel = 0;
  WORD vk = 0;
  bool down = false;
  String text;
  DWORD time = 0;
  WPARAM buttons = 0;  // MK_ flags after this event
};

struct Timer {
  HWND wnd;
  UINT_PTR id = 0;
  UINT interval = 0;
  std::uint64_t due = 0;
  std::shared_ptr<TIMERPROC> proc;
  std::uintptr_t serial = 0;
};

struct Hook {
  HHOOK handle;
  int kind = 0;
  std::shared_ptr<HOOKPROC> proc;
};

struct DoubleClickState {
  TMouseButtonKind button = TMouseButtonKind::None;
  HWND wnd;
  DWORD time = 0;
  POINT pt;
  bool armed = false;
};

struct QueueState {
  std::mutex postMutex;
  std::deque<MSG> posted;
  bool quitPending = false;
  int quitCode = 0;
  std::deque<RawInput> input;
  std::vector<Timer> timers;
  UINT_PTR nextThreadTimerId = 1;
  std::uintptr_t nextTimerSerial = 1;
  std::vector<Hook> hooks;  // most recent first
  std::uintptr_t nextHook = 1;
  BYTE keyState[256] = {};
  BYTE asyncKeyState[256] = {};
  WPARAM asyncButtons = 0;
  DoubleClickState dbl;
  DWORD lastTime = 0;
  POINT lastPos;
};

QueueState& Q() {
  static QueueState* q = new QueueState();
  return *q;
}

std::uint64_t TickNow() { return GetTickCount64(); }

bool InRange(UINT msg, UINT lo, UINT hi) { return (lo == 0 && hi == 0) || (msg >= lo && msg <= hi); }

bool MatchesWindow(HWND filter, HWND wnd) {
  if (!filter) return true;
  if (filter.value == static_cast<std::uintptr_t>(-1)) return !wnd;
  return wnd == filter || IsChild(filter, wnd);
}

LRESULT RunHook(const Hook& hook, int code, WPARAM wParam, LPARAM lParam) {
  std::shared_ptr<HOOKPROC> proc = hook.proc;
  try {
    return (proc && *proc) ? (*proc)(code, wParam, lParam) : 0;
  } catch (...) {
    HandleException(std::current_exception());
    return 0;
  }
}

LRESULT CallHooks(int kind, int code, WPARAM wParam, LPARAM lParam) {
  for (const Hook& h : Q().hooks)
    if (h.kind == kind) {
      Hook copy = h;
      return RunHook(copy, code, wParam, lParam);
    }
  return 0;
}

bool HasHooks(int kind) {
  for (const Hook& h : Q().hooks)
    if (h.kind == kind) return true;
  return false;
}

WPARAM KeyFlags(WPARAM buttons) {
  WPARAM f = buttons;
  const BYTE* ks = Q().asyncKeyState;
  if (ks[VK_SHIFT] & 0x80) f |= MK_SHIFT;
  if (ks[VK_CONTROL] & 0x80) f |= MK_CONTROL;
  return f;
}

WPARAM ButtonFlag(TMouseButtonKind b) {
  switch (b) {
    case TMouseButtonKind::Left: return MK_LBUTTON;
    case TMouseButtonKind::Right: return MK_RBUTTON;
    case TMouseButtonKind::Middle: return MK_MBUTTON;
    default: return 0;
  }
}

WORD ButtonVk(TMouseButtonKind b) {
  switch (b) {
    case TMouseButtonKind::Left: return VK_LBUTTON;
    case TMouseButtonKind::Right: return VK_RBUTTON;
    case TMouseButtonKind::Middle: return VK_MBUTTON;
    default: return 0;
  }
}

UINT ButtonBase(TMouseButtonKind b) {
  switch (b) {
    case TMouseButtonKind::Right: return WM_RBUTTONDOWN;
    case TMouseButtonKind::Middle: return WM_MBUTTONDOWN;
    default: return WM_LBUTTONDOWN;
  }
}

bool ClassWantsDoubleClicks(HWND wnd) {
  WindowRec* r = Find(wnd);
  return r && r->cls && (r->cls->wc.style & CS_DBLCLKS);
}

// What a raw mouse event becomes now: target, message, hit-test code, parameters.
struct MouseMessage {
  MSG msg;
  int hit = HTCLIENT;
  bool dblclk = false;
};

bool TranslateMouse(const RawInput& in, MouseMessage* out) {
  QueueState& q = Q();
  MSG& m = out->msg;
  m.time = in.time;
  m.pt = in.pt;
  if (in.action == TMouseAction::Wheel) {
    HWND target = GetFocus();
    if (!target) target = GetCapture();
    if (!target) target = WindowFromPoint(in.pt);
    if (!target) return false;
    m.hwnd = target;
    m.message = WM_MOUSEWHEEL;
    m.wParam = MAKEWPARAM(static_cast<WORD>(KeyFlags(in.buttons)), static_cast<WORD>(static_cast<short>(in.wheel)));
    m.lParam = MAKELPARAM(static_cast<WORD>(in.pt.x), static_cast<WORD>(in.pt.y));
    return true;
  }
  HWND capture = GetCapture();
  HWND target = capture ? capture : WindowFromPoint(in.pt);
  if (!target) return false;
  int hit = HTCLIENT;
  if (!capture) {
    hit = static_cast<int>(
        SendMessage(target, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(in.pt.x), static_cast<WORD>(in.pt.y))));
    if (!Find(target)) return false;
    if (hit == HTNOWHERE || hit == HTTRANSPARENT || hit == HTERROR) hit = HTCLIENT;
  }
  bool client = hit == HTCLIENT;
  UINT msg = WM_MOUSEMOVE;
  if (in.action == TMouseAction::Down || in.action == TMouseAction::Up) {
    msg = ButtonBase(in.button) + (in.action == TMouseAction::Up ? 1 : 0);
    if (in.action == TMouseAction::Down) {
      const DoubleClickState& d = q.dbl;
      int cx = GetSystemMetrics(SM_CXDOUBLECLK) / 2, cy = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
      bool near = std::abs(in.pt.x - d.pt.x) <= cx && std::abs(in.pt.y - d.pt.y) <= cy;
      if (d.armed && d.button == in.button && d.wnd == target && in.time - d.time <= GetDoubleClickTime() && near &&
          (!client || ClassWantsDoubleClicks(target))) {
        msg += 2;
        out->dblclk = true;
      }
    }
  }
  if (!client) msg = msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
  m.hwnd = target;
  m.message = msg;
  out->hit = hit;
  if (client) {
    POINT p = in.pt;
    ScreenToClient(target, &p);
    m.wParam = KeyFlags(in.buttons);
    m.lParam = MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
  } else {
    m.wParam = static_cast<WPARAM>(hit);
    m.lParam = MAKELPARAM(static_cast<WORD>(in.pt.x), static_cast<WORD>(in.pt.y));
  }
  return true;
}

bool TranslateKey(const RawInput& in, MSG* m) {
  QueueState& q = Q();
  HWND target = GetFocus();
  if (!target) target = GetActiveWindow();
  if (!target) return false;
  bool alt = (q.asyncKeyState[VK_MENU] & 0x80) != 0;
  bool ctrl = (q.asyncKeyState[VK_CONTROL] & 0x80) != 0;
  bool sys = (alt && !ctrl) || in.vk == VK_F10 || (in.vk == VK_MENU && !ctrl);
  m->hwnd = target;
  m->message = in.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  m->wParam = in.vk;
  LPARAM lp = 1;
  if (alt) lp |= LPARAM{1} << 29;
  if (in.down ? (q.keyState[in.vk] & 0x80) : true) lp |= LPARAM{1} << 30;
  if (!in.down) lp |= LPARAM{1} << 31;
  m->lParam = static_cast<LPARAM>(static_cast<std::int32_t>(static_cast<std::uint32_t>(lp)));
  m->time = in.time;
  m->pt = q.lastPos;
  m->text = in.text;
  return true;
}

// A key going down toggles its low bit (as Caps Lock does) and sets the high bit; the
// left/right variants also move the plain modifier.
void SetKeyInTable(BYTE* table, WORD vk, bool down) {
  auto set = [&](WORD k) {
    if (down) {
      if (!(table[k] & 0x80)) table[k] ^= 0x01;
      table[k] |= 0x80;
    } else {
      table[k] &= 0x7F;
    }
  };
  set(vk);
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) set(VK_SHIFT);
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) set(VK_CONTROL);
  if (vk == VK_LMENU || vk == VK_RMENU) set(VK_MENU);
}

// Updates the state GetKeyState reads, as the message is retrieved.
void CommitInput(const RawInput& in) {
  QueueState& q = Q();
  if (in.mouse) {
    if (in.action == TMouseAction::Down || in.action == TMouseAction::Up) {
      WORD vk = ButtonVk(in.button);
      if (vk) q.keyState[vk] = in.action == TMouseAction::Down ? (q.keyState[vk] | 0x80) : (q.keyState[vk] & 0x7F);
    }
    return;
  }
  SetKeyInTable(q.keyState, in.vk, in.down);
}

// Runs what retrieving a mouse message does: the mouse hook, activation by a click and
// WM_SETCURSOR. Answers false when the message is discarded.
bool RetrieveMouse(const RawInput& in, MouseMessage& mm) {
  QueueState& q = Q();
  MSG& m = mm.msg;
  if (in.action == TMouseAction::Down) {
    if (mm.dblclk) {
      q.dbl.armed = false;
    } else {
      q.dbl = DoubleClickState{in.button, m.hwnd, in.time, in.pt, true};
    }
  }
  if (HasHooks(WH_MOUSE)) {
    MOUSEHOOKSTRUCT mh;
    mh.pt = in.pt;
    mh.hwnd = m.hwnd;
    mh.wHitTestCode = static_cast<UINT>(mm.hit);
    if (CallHooks(WH_MOUSE, HC_ACTION, m.message, reinterpret_cast<LPARAM>(&mh)) != 0) return false;
    if (!Find(m.hwnd)) return false;
  }
  if (in.action == TMouseAction::Down) {
    HWND top = TopLevelOf(m.hwnd);
    if (top && top != GetActiveWindow()) {
      LRESULT ma = SendMessage(m.hwnd, WM_MOUSEACTIVATE, static_cast<WPARAM>(top.value),
                               MAKELPARAM(static_cast<WORD>(mm.hit), static_cast<WORD>(m.message)));
      if ((ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT) && Find(top)) ActivateByMouse(top);
      if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) return false;
      if (!Find(m.hwnd)) return false;
    }
  }
  if (in.action != TMouseAction::Wheel && !GetCapture()) {
    SendMessage(m.hwnd, WM_SETCURSOR, static_cast<WPARAM>(m.hwnd.value),
                MAKELPARAM(static_cast<WORD>(mm.hit), static_cast<WORD>(m.message)));
    if (!Find(m.hwnd)) return false;
  }
  return true;
}

std::uint64_t TimerDue(const Timer& t) { return t.due; }

bool PeekInternal(MSG* out, HWND filter, UINT lo, UINT hi, UINT flags) {
  QueueState& q = Q();
  bool remove = (flags & PM_REMOVE) != 0;
  // 1. posted messages
  {
    std::unique_lock<std::mutex> lock(q.postMutex);
    for (auto it = q.posted.begin(); it != q.posted.end();) {
      if (it->hwnd && !Find(it->hwnd)) {
        it = q.posted.erase(it);
        continue;
      }
      if (MatchesWindow(filter, it->hwnd) && InRange(it->message, lo, hi)) {
        *out = *it;
        if (remove) q.posted.erase(it);
        lock.unlock();
        if (HasHooks(WH_GETMESSAGE))
          CallHooks(WH_GETMESSAGE, HC_ACTION, flags & PM_REMOVE, reinterpret_cast<LPARAM>(out));
        return true;
      }
      ++it;
    }
    // 2. the quit request, once no posted message is left
    if (q.quitPending && InRange(WM_QUIT, lo, hi)) {
      *out = MSG{};
      out->message = WM_QUIT;
      out->wParam = static_cast<WPARAM>(q.quitCode);
      out->time = GetTickCount();
      if (remove) q.quitPending = false;
      return true;
    }
  }
  // 3. input
  for (std::size_t i = 0; i < q.input.size();) {
    RawInput in = q.input[i];
    MSG m;
    MouseMessage mm;
    bool ok = in.mouse ? TranslateMouse(in, &mm) : TranslateKey(in, &m);
    if (in.mouse) m = mm.msg;
    if (!ok) {  // nobody to receive it
      q.input.erase(q.input.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    if (!MatchesWindow(filter, m.hwnd) || !InRange(m.message, lo, hi)) {
      ++i;
      continue;
    }
    if (!remove) {
      *out = m;
      if (HasHooks(WH_GETMESSAGE)) CallHooks(WH_GETMESSAGE, HC_ACTION, PM_NOREMOVE, reinterpret_cast<LPARAM>(out));
      return true;
    }
    q.input.erase(q.input.begin() + static_cast<std::ptrdiff_t>(i));
    CommitInput(in);
    q.lastTime = in.time;
    q.lastPos = in.pt;
    if (in.mouse && !RetrieveMouse(in, mm)) continue;
    if (in.mouse) m = mm.msg;
    *out = m;
    if (HasHooks(WH_GETMESSAGE)) CallHooks(WH_GETMESSAGE, HC_ACTION, PM_REMOVE, reinterpret_cast<LPARAM>(out));
    return true;
  }
  // 4. paint
  if (InRange(WM_PAINT, lo, hi)) {
    HWND wnd = NextWindowToPaint(filter);
    if (wnd) {
      *out = MSG{};
      out->hwnd = wnd;
      out->message = WM_PAINT;
      out->time = GetTickCount();
      out->pt = q.lastPos;
      if (HasHooks(WH_GETMESSAGE))
        CallHooks(WH_GETMESSAGE, HC_ACTION, flags & PM_REMOVE, reinterpret_cast<LPARAM>(out));
      return true;
    }
  }
  // 5. timers: the earliest due one, once
  if (InRange(WM_TIMER, lo, hi) && !q.timers.empty()) {
    std::uint64_t now = TickNow();
    Timer* best = nullptr;
    for (Timer& t : q.timers)
      if (t.due <= now && MatchesWindow(filter, t.wnd) && (!best || t.due < best->due)) best = &t;
    if (best) {
      *out = MSG{};
      out->hwnd = best->wnd;
      out->message = WM_TIMER;
      out->wParam = best->id;
      out->lParam = best->proc ? static_cast<LPARAM>(best->serial) : 0;
      out->time = static_cast<DWORD>(now);
      out->pt = q.lastPos;
      if (remove) best->due = now + best->interval;
      if (HasHooks(WH_GETMESSAGE))
        CallHooks(WH_GETMESSAGE, HC_ACTION, flags & PM_REMOVE, reinterpret_cast<LPARAM>(out));
      return true;
    }
  }
  return false;
}

int MillisecondsToNextTimerFor(HWND filter) {
  QueueState& q = Q();
  if (q.timers.empty()) return -1;
  std::uint64_t now = TickNow();
  std::uint64_t best = UINT64_MAX;
  for (const Timer& t : q.timers)
    if (MatchesWindow(filter, t.wnd)) best = std::min(best, TimerDue(t));
  if (best == UINT64_MAX) return -1;
  return best <= now ? 0 : static_cast<int>(std::min<std::uint64_t>(best - now, 0x7FFFFFFF));
}

}  // namespace

int MillisecondsToNextTimer() { return MillisecondsToNextTimerFor({}); }

void InjectMouse(TMouseAction action, TMouseButtonKind button, POINT screen, int wheelDelta) {
  QueueState& q = Q();
  SetCursorPosInternal(screen);
  WORD vk = ButtonVk(button);
  if (action == TMouseAction::Down) {
    q.asyncButtons |= ButtonFlag(button);
    if (vk) q.asyncKeyState[vk] |= 0x80;
  } else if (action == TMouseAction::Up) {
    q.asyncButtons &= ~ButtonFlag(button);
    if (vk) q.asyncKeyState[vk] &= 0x7F;
  }
  RawInput in;
  in.mouse = true;
  in.action = action;
  in.button = button;
  in.pt = screen;
  in.wheel = wheelDelta;
  in.time = GetTickCount();
  in.buttons = q.asyncButtons;
  // Moves coalesce: only the latest position of a run of moves is delivered.
  if (action == TMouseAction::Move && !q.input.empty()) {
    RawInput& last = q.input.back();
    if (last.mouse && last.action == TMouseAction::Move && last.buttons == in.buttons) {
      last = in;
      return;
    }
  }
  q.input.push_back(std::move(in));
  Backend().Wake();
}

void InjectKey(WORD vk, bool down, String text) {
  QueueState& q = Q();
  SetKeyInTable(q.asyncKeyState, vk, down);
  RawInput in;
  in.mouse = false;
  in.vk = vk;
  in.down = down;
  in.text = std::move(text);
  in.time = GetTickCount();
  q.input.push_back(std::move(in));
  Backend().Wake();
}

void KillWindowTimers(HWND wnd) {
  auto& ts = Q().timers;
  ts.erase(std::remove_if(ts.begin(), ts.end(), [&](const Timer& t) { return t.wnd == wnd; }), ts.end());
}

void ForgetWindowInQueue(HWND wnd) {
  QueueState& q = Q();
  std::lock_guard<std::mutex> lock(q.postMutex);
  q.posted.erase(std::remove_if(q.posted.begin(), q.posted.end(), [&](const MSG& m) { return m.hwnd == wnd; }),
                 q.posted.end());
}

void ResetQueue() {
  QueueState& q = Q();
  {
    std::lock_guard<std::mutex> lock(q.postMutex);
    q.posted.clear();
    q.quitPending = false;
    q.quitCode = 0;
  }
  q.input.clear();
  q.timers.clear();
  q.hooks.clear();
  std::fill(std::begin(q.keyState), std::end(q.keyState), BYTE{0});
  std::fill(std::begin(q.asyncKeyState), std::end(q.asyncKeyState), BYTE{0});
  q.asyncButtons = 0;
  q.dbl = DoubleClickState{};
  q.lastTime = 0;
  q.lastPos = {};
}

void ClearHooks() { Q().hooks.clear(); }

}  // namespace win

using namespace win;

// ---- sending and posting ----
LRESULT SendMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!Find(wnd)) return 0;
  if (HasHooks(WH_CALLWNDPROC)) {
    CWPSTRUCT cwp;
    cwp.lParam = lParam;
    cwp.wParam = wParam;
    cwp.message = msg;
    cwp.hwnd = wnd;
    CallHooks(WH_CALLWNDPROC, HC_ACTION, 0, reinterpret_cast<LPARAM>(&cwp));
    if (!Find(wnd)) return 0;
  }
  return CallProc(wnd, msg, wParam, lParam, true);
}

BOOL SendNotifyMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!IsUiThread()) return PostMessage(wnd, msg, wParam, lParam);
  if (!Find(wnd)) return FALSE;
  SendMessage(wnd, msg, wParam, lParam);
  return TRUE;
}

BOOL PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (wnd && !IsWindow(wnd)) return FALSE;
  QueueState& q = Q();
  MSG m;
  m.hwnd = wnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = GetTickCount();
  if (IsUiThread()) m.pt = q.lastPos;  // the UI thread's state is not read from others
  {
    std::lock_guard<std::mutex> lock(q.postMutex);
    q.posted.push_back(std::move(m));
  }
  Backend().Wake();
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  QueueState& q = Q();
  {
    std::lock_guard<std::mutex> lock(q.postMutex);
    q.quitPending = true;
    q.quitCode = exitCode;
  }
  Backend().Wake();
}

int GetMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax) {
  if (!msg) return -1;
  if (wnd && wnd.value != static_cast<std::uintptr_t>(-1) && !Find(wnd)) return -1;
  for (;;) {
    if (PeekInternal(msg, wnd, filterMin, filterMax, PM_REMOVE)) return msg->message == WM_QUIT ? 0 : 1;
    Backend().WaitForEvents(MillisecondsToNextTimerFor(wnd));
  }
}

BOOL PeekMessage(MSG* msg, HWND wnd, UINT filterMin, UINT filterMax, UINT flags) {
  if (!msg) return FALSE;
  // As on Windows, a peek sees the window system's new input too, so a loop that handles
  // pending messages (a long fetch between packets) keeps the window alive. A peek made while
  // the host delivers those events (a handler of one of them) takes only what is queued.
  static bool polling = false;
  if (!polling) {
    polling = true;
    try {
      Backend().PollEvents();
    } catch (...) {
      polling = false;
      throw;
    }
    polling = false;
  }
  return PeekInternal(msg, wnd, filterMin, filterMax, flags) ? TRUE : FALSE;
}

BOOL WaitMessage() {
  MSG m;
  while (!PeekInternal(&m, {}, 0, 0, PM_NOREMOVE)) Backend().WaitForEvents(MillisecondsToNextTimer());
  return TRUE;
}

DWORD GetMessageTime() { return Q().lastTime; }
DWORD GetMessagePos() {
  POINT p = Q().lastPos;
  return MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}

namespace {

// The character a key gives when the host supplied no text.
char32_t CharForKey(WORD vk, const BYTE* ks) {
  bool ctrl = (ks[VK_CONTROL] & 0x80) != 0;
  bool alt = (ks[VK_MENU] & 0x80) != 0;
  bool shift = (ks[VK_SHIFT] & 0x80) != 0;
  bool caps = (ks[VK_CAPITAL] & 0x01) != 0;
  if (ctrl && !alt) {
    if (vk >= 'A' && vk <= 'Z') return static_cast<char32_t>(vk - 'A' + 1);
    if (vk == VK_RETURN) return 10;
    if (vk == VK_BACK) return 127;
    if (vk == VK_ESCAPE) return 27;
    return 0;
  }
  switch (vk) {
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_RETURN: return 13;
    case VK_ESCAPE: return 27;
    case VK_SPACE: return 32;
  }
  if (vk >= 'A' && vk <= 'Z') return static_cast<char32_t>((shift != caps) ? vk : vk - 'A' + 'a');
  if (vk >= '0' && vk <= '9' && !shift) return vk;
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return static_cast<char32_t>('0' + vk - VK_NUMPAD0);
  return 0;
}

}  // namespace

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  UINT charMsg = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
  std::vector<char32_t> chars;
  if (!msg->text.empty()) {
    for (char32_t c : Utf8ToUcs4(msg->text)) chars.push_back(c);
  } else if (char32_t c = CharForKey(static_cast<WORD>(msg->wParam), Q().keyState)) {
    chars.push_back(c);
  }
  for (char32_t c : chars) PostMessage(msg->hwnd, charMsg, static_cast<WPARAM>(c), msg->lParam);
  return TRUE;
}

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  if (msg->message == WM_TIMER) {
    // A timer killed since the message was taken is not delivered.
    const Timer* found = nullptr;
    for (const Timer& t : Q().timers)
      if (msg->lParam ? t.serial == static_cast<std::uintptr_t>(msg->lParam)
                      : (t.wnd == msg->hwnd && t.id == msg->wParam && !t.proc))
        found = &t;
    if (!found) return 0;
    if (found->proc) {
      std::shared_ptr<TIMERPROC> proc = found->proc;
      try {
        (*proc)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
      } catch (...) {
        HandleException(std::current_exception());
      }
      return 0;
    }
  }
  if (!msg->hwnd || !Find(msg->hwnd)) return 0;
  LRESULT result = CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam, false);
  // A procedure that did not paint must not be asked again and again.
  if (msg->message == WM_PAINT) ValidateUnpainted(msg->hwnd);
  return result;
}

// ---- hooks ----
HHOOK SetWindowsHookEx(int idHook, HOOKPROC proc, HINSTANCE, DWORD) {
  if (idHook != WH_CALLWNDPROC && idHook != WH_GETMESSAGE && idHook != WH_MOUSE) return {};
  if (!proc) return {};
  QueueState& q = Q();
  Hook h;
  h.handle = HHOOK{q.nextHook++};
  h.kind = idHook;
  h.proc = std::make_shared<HOOKPROC>(std::move(proc));
  q.hooks.insert(q.hooks.begin(), h);
  return h.handle;
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  auto& hs = Q().hooks;
  auto it = std::find_if(hs.begin(), hs.end(), [&](const Hook& h) { return h.handle == hook; });
  if (it == hs.end()) return FALSE;
  hs.erase(it);
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam) {
  auto& hs = Q().hooks;
  auto it = std::find_if(hs.begin(), hs.end(), [&](const Hook& h) { return h.handle == hook; });
  if (it == hs.end()) return 0;
  int kind = it->kind;
  for (++it; it != hs.end(); ++it)
    if (it->kind == kind) {
      Hook copy = *it;
      return RunHook(copy, code, wParam, lParam);
    }
  return 0;
}

// ---- timers ----
UINT_PTR SetTimer(HWND wnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  if (wnd && !Find(wnd)) return 0;
  QueueState& q = Q();
  elapse = std::max(elapse, USER_TIMER_MINIMUM);
  if (!wnd) id = q.nextThreadTimerId++;
  for (Timer& t : q.timers)
    if (wnd && t.wnd == wnd && t.id == id) {
      t.interval = elapse;
      t.due = TickNow() + elapse;
      t.proc = proc ? std::make_shared<TIMERPROC>(std::move(proc)) : nullptr;
      return id ? id : 1;
    }
  Timer t;
  t.wnd = wnd;
  t.id = id;
  t.interval = elapse;
  t.due = TickNow() + elapse;
  t.proc = proc ? std::make_shared<TIMERPROC>(std::move(proc)) : nullptr;
  t.serial = q.nextTimerSerial++;
  q.timers.push_back(std::move(t));
  return (wnd && id == 0) ? 1 : id;
}

BOOL KillTimer(HWND wnd, UINT_PTR id) {
  auto& ts = Q().timers;
  auto it = std::find_if(ts.begin(), ts.end(), [&](const Timer& t) { return t.wnd == wnd && t.id == id; });
  if (it == ts.end()) return FALSE;
  ts.erase(it);
  return TRUE;
}

// ---- key state ----
SHORT GetKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  BYTE b = Q().keyState[vk];
  return static_cast<SHORT>(((b & 0x80) ? 0x8000 : 0) | (b & 0x01));
}

SHORT GetAsyncKeyState(int vk) {
  if (vk < 0 || vk > 255) return 0;
  return (Q().asyncKeyState[vk] & 0x80) ? static_cast<SHORT>(0x8000) : SHORT{0};
}

BOOL GetKeyboardState(BYTE state[256]) {
  if (!state) return FALSE;
  std::copy(std::begin(Q().keyState), std::end(Q().keyState), state);
  return TRUE;
}
