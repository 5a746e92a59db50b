#include "controls/kcControlUtils.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

#include "platform/core/FormatSettings.h"
#include "platform/core/Math.h"
#include "platform/core/Utf8.h"

// ---- Geometry and windows -------------------------------------------------------------------

TRect GetDesktopWorkArea(const TPoint& P) {
  MONITORINFO info;
  if (HMONITOR monitor = MonitorFromPoint(P, MONITOR_DEFAULTTONEAREST); monitor && GetMonitorInfo(monitor, &info))
    return info.rcWork;
  RECT r{};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}

void FitRectToDesktop(TRect& ABounds, const TPoint& P) {
  TRect w = GetDesktopWorkArea(P);
  if (ABounds.right > w.right) OffsetRect(&ABounds, w.right - ABounds.right, 0);
  if (ABounds.bottom > w.bottom) OffsetRect(&ABounds, 0, w.bottom - ABounds.bottom);
  if (ABounds.left < w.left) OffsetRect(&ABounds, w.left - ABounds.left, 0);
  if (ABounds.top < w.top) OffsetRect(&ABounds, 0, w.top - ABounds.top);
}

void MapWindowPointToWindow(HWND AFromWindow, HWND AToWindow, TPoint& P) {
  MapWindowPoints(AFromWindow, AToWindow, &P, 1);
}

void MapWindowBounds(HWND AFromWindow, HWND AToWindow, TRect& R) {
  TPoint a{R.left, R.top}, b{R.right, R.bottom};
  MapWindowPointToWindow(AFromWindow, AToWindow, a);
  MapWindowPointToWindow(AFromWindow, AToWindow, b);
  R = TRect{a.x, a.y, b.x, b.y};
}

bool HasParentWithHandle(TControl* AControl) {
  for (TWinControl* p = AControl ? AControl->Parent() : nullptr; p; p = p->Parent())
    if (p->HandleAllocated()) return true;
  return false;
}

bool HasChildWindowStyle(HWND AWindow) { return (GetWindowLong(AWindow, GWL_STYLE) & WS_CHILD) != 0; }
void GetMouseCursorPos(TPoint& P) { GetCursorPos(&P); }
UINT GetDblClickInterval() { return GetDoubleClickTime(); }
bool IsCtrlPressed() { return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; }

// ---- Keys and characters --------------------------------------------------------------------

WORD ShiftStateToMKFlags(TShiftState AShift) {
  WORD flags = 0;
  if (AShift.Contains(ssShift)) flags |= MK_SHIFT;
  if (AShift.Contains(ssCtrl)) flags |= MK_CONTROL;
  if (AShift.Contains(ssLeft)) flags |= MK_LBUTTON;
  if (AShift.Contains(ssRight)) flags |= MK_RBUTTON;
  if (AShift.Contains(ssMiddle)) flags |= MK_MBUTTON;
  return flags;
}

bool IsNumericChar(char32_t AChar, int AKind) {
  if ((AChar >= '0' && AChar <= '9') || AChar == '+' || AChar == '-') return true;
  if (AKind == 1 || AKind == 2)
    if (AChar == static_cast<unsigned char>(FormatSettings.DecimalSeparator)) return true;
  return AKind == 2 && (AChar == 'e' || AChar == 'E');
}

String StripHotkeyPrefix(const String& AText) {
  String result;
  for (std::size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] != '&') {
      result += AText[i];
      continue;
    }
    if (i + 1 == AText.size()) {
      result += '_';
      break;
    }
    // The character after the mark is copied as it is (a doubled mark gives one).
    std::size_t next = Utf8Next(AText, i + 1);
    result += AText.substr(i + 1, next - i - 1);
    i = next - 1;
  }
  return result;
}

// ---- Dragging -------------------------------------------------------------------------------

bool IsInDragThreshold(const TPoint& ADownPoint, int X, int Y) {
  int t = Mouse->DragThreshold();
  return std::abs(X - ADownPoint.x) < t && std::abs(Y - ADownPoint.y) < t;
}

int WaitForDragStart(HWND AWindow) {
  int result = 2;
  int t = Mouse->DragThreshold();
  TPoint cursor;
  GetCursorPos(&cursor);
  TRect start{cursor.x - t, cursor.y - t, cursor.x + t, cursor.y + t};
  SetCapture(AWindow);
  struct ReleaseOnExit {
    HWND wnd;
    ~ReleaseOnExit() {
      if (GetCapture() == wnd) ReleaseCapture();
    }
  } release{AWindow};
  MSG msg;
  while (GetCapture() == AWindow) {
    int got = GetMessage(&msg, HWND(), 0, 0);
    if (got == -1) break;
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
    bool done = true;
    switch (msg.message) {
      case WM_KEYDOWN:
      case WM_KEYUP: done = msg.wParam == VK_ESCAPE; break;
      case WM_MOUSEMOVE:
        if (msg.hwnd == AWindow) {
          TPoint p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
          ClientToScreen(AWindow, &p);
          done = !PtInRect(&start, p);
          if (done) result = 1;
        } else {
          done = false;
        }
        break;
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
      case WM_MBUTTONUP: result = 0; break;
      default: done = false; break;
    }
    if (done) break;
  }
  return result;
}

// ---- Popup menus ----------------------------------------------------------------------------

bool IsPopupMenuShortCut(TComponent* AMenu, TMessage& AMessage) {
  if (!AMenu) return false;
  IkcPopupMenu* menu;
  if (Supports(static_cast<TObject*>(AMenu), menu)) return menu->IsShortCut(AMessage);
  if (auto* popup = dynamic_cast<TPopupMenu*>(AMenu)) return popup->IsShortCut(AMessage);
  return false;
}

bool ShowPopupMenu(TComponent* ACaller, TComponent* AMenu, int X, int Y) {
  if (!AMenu) return false;
  IkcPopupMenu* menu;
  if (Supports(static_cast<TObject*>(AMenu), menu)) {
    menu->Popup(X, Y);
    return true;
  }
  if (auto* popup = dynamic_cast<TPopupMenu*>(AMenu); popup && popup->AutoPopup) {
    popup->PopupComponent = ACaller;
    popup->Popup(X, Y);
    return true;
  }
  return false;
}

int GetPopupMenuHeight(TPopupMenu* AMenu) {
  TkcScreenCanvas canvas;
  canvas.SetFont(Screen->MenuFont());
  int itemHeight = canvas.TextHeight("Qg") + 4;
  int height = 0;
  for (int i = 0; i < AMenu->Items()->Count(); ++i)
    if (AMenu->Items()->Items(i)->Visible()) height += itemHeight;
  return height + 4;
}

// ---- Hourglass and forms --------------------------------------------------------------------

namespace {
int gHourglassCount = 0;
TCursor gSavedCursor = crDefault;
}  // namespace

void ShowHourglassCursor() {
  if (gHourglassCount == 0) {
    gSavedCursor = Screen->Cursor();
    Screen->SetCursor(crHourGlass);
  }
  ++gHourglassCount;
}

void HideHourglassCursor() {
  if (gHourglassCount == 0) return;
  if (--gHourglassCount == 0) Screen->SetCursor(gSavedCursor);
}

void ScaleFormToFont(TCustomForm* AForm, TFont* AFont) {
  TkcScreenCanvas canvas;
  int h0 = canvas.FontHeight(AForm->Font());
  AForm->SetFont(AFont);
  int h1 = canvas.FontHeight(AForm->Font());
  if (h0 <= 0 || h0 == h1) return;
  int w = AForm->ClientWidth(), h = AForm->ClientHeight();
  for (int i = 0; i < AForm->ControlCount(); ++i) {
    TControl* c = AForm->Controls(i);
    c->SetBounds(MulDiv(c->Left(), h1, h0), MulDiv(c->Top(), h1, h0), MulDiv(c->Width(), h1, h0),
                 MulDiv(c->Height(), h1, h0));
  }
  AForm->SetClientSize(MulDiv(w, h1, h0), MulDiv(h, h1, h0));
}

// ---- Message windows ------------------------------------------------------------------------

TkcMessageWindow::~TkcMessageWindow() {
  if (IsWindow(fHandle)) DeallocateHWnd(fHandle);
}

HWND TkcMessageWindow::Handle() {
  if (!IsWindow(fHandle))
    fHandle = AllocateHWnd([this](TMessage& m) {
      try {
        WndProc(m);
      } catch (...) {
        HandleException(std::current_exception());
      }
    });
  return fHandle;
}

void TkcMessageWindow::WndProc(TMessage& AMessage) {
  AMessage.Result = DefWindowProc(fHandle, AMessage.Msg, AMessage.WParam, AMessage.LParam);
}

namespace {
std::map<UINT_PTR, TkcTimer*>& ActiveTimers() {
  static std::map<UINT_PTR, TkcTimer*> timers;
  return timers;
}
UINT_PTR gNextTimerId = 0;
}  // namespace

void TkcTimerWindow::WndProc(TMessage& AMessage) {
  if (AMessage.Msg == WM_TIMER) {
    // A message queued before its timer was killed finds no timer and is dropped.
    auto it = ActiveTimers().find(AMessage.WParam);
    if (it != ActiveTimers().end()) it->second->TimeOut();
    return;
  }
  TkcMessageWindow::WndProc(AMessage);
}

// The process-wide windows live until the process ends: the window layer's tables may be gone
// before static destructors would free them.
TkcMessageWindow* GetHiddenMessageWindow() {
  static TkcMessageWindow* window = new TkcMessageWindow;
  return window;
}

TkcTimerWindow* GetTimerWindow() {
  static TkcTimerWindow* window = new TkcTimerWindow;
  return window;
}

// ---- TkcTimer -------------------------------------------------------------------------------

TkcTimer::TkcTimer(TComponent* AOwner) : TComponent(AOwner), fId(++gNextTimerId) {}

TkcTimer::~TkcTimer() { StopTimer(); }

void TkcTimer::SetEnabled(bool Value) {
  if (fEnabled == Value) return;
  fEnabled = Value;
  UpdateTimer();
}

void TkcTimer::SetInterval(UINT Value) {
  if (Value == 0 || Value == fInterval) return;
  fInterval = Value;
  UpdateTimer();
}

void TkcTimer::SetOnTimer(TNotifyEvent Value) {
  fOnTimer = std::move(Value);
  UpdateTimer();
}

void TkcTimer::TimeOut() {
  if (fOnTimer) fOnTimer(this);
}

void TkcTimer::UpdateTimer() {
  StopTimer();
  StartTimer();
}

void TkcTimer::StartTimer() {
  if (!fEnabled || fTimerOn || !fOnTimer) return;
  SetTimerOn(SetTimer(GetTimerWindow()->Handle(), fId, fInterval) != 0);
}

void TkcTimer::StopTimer() {
  if (!fTimerOn) return;
  KillTimer(GetTimerWindow()->Handle(), fId);
  SetTimerOn(false);
}

void TkcTimer::SetTimerOn(bool Value) {
  if (fTimerOn == Value) return;
  fTimerOn = Value;
  if (Value)
    ActiveTimers()[fId] = this;
  else
    ActiveTimers().erase(fId);
}

// ---- Settings controller --------------------------------------------------------------------

TkcSettingsController* GetSettingsController() {
  static TkcSettingsController* controller = new TkcSettingsController;
  return controller;
}

TkcSettingsController::~TkcSettingsController() {
  if (IsWindow(fWindow)) DeallocateHWnd(fWindow);
}

void TkcSettingsController::RegisterControl(TWinControl* AControl) {
  if (std::find(fControls.begin(), fControls.end(), AControl) != fControls.end()) return;
  if (fControls.empty() || !IsWindow(fWindow))
    fWindow = AllocateHWnd([this](TMessage& m) {
      try {
        WndProc(m);
      } catch (...) {
        HandleException(std::current_exception());
      }
    });
  fControls.push_back(AControl);
}

void TkcSettingsController::UnregisterControl(TWinControl* AControl) {
  auto it = std::find(fControls.begin(), fControls.end(), AControl);
  if (it == fControls.end()) return;
  fControls.erase(it);
  if (fControls.empty() && IsWindow(fWindow)) {
    DeallocateHWnd(fWindow);
    fWindow = HWND();
  }
}

void TkcSettingsController::NotifyControls() {
  for (TWinControl* c : std::vector<TWinControl*>(fControls))
    if (c->HandleAllocated()) SendNotifyMessage(c->Handle(), KCM_SETTINGSCHANGED, 0, 0);
}

void TkcSettingsController::WndProc(TMessage& AMessage) {
  if (AMessage.Msg == WM_SETTINGCHANGE && AMessage.WParam == SPI_SETNONCLIENTMETRICS) {
    NotifyControls();
    AMessage.Result = 0;
    return;
  }
  AMessage.Result = DefWindowProc(fWindow, AMessage.Msg, AMessage.WParam, AMessage.LParam);
}

// ---- Mouse tracking -------------------------------------------------------------------------

namespace {
std::vector<TMouseTrackingTimer*>& TrackingList() {
  static std::vector<TMouseTrackingTimer*> list;
  return list;
}

// One step of a tracked caller. Uses locals only: the caller's MouseLeave may end the tracking
// (and free this timer) itself.
void TrackingStep(TMouseTrackingTimer* ATimer) {
  IkcMouseTrackingCaller* caller = ATimer->Caller;
  TWinControl* control = ATimer->Control();
  TPoint cursor;
  GetCursorPos(&cursor);
  bool inside;
  IkcMouseTrackingArea* area = nullptr;
  if (caller && Supports(static_cast<IInterface*>(caller), area)) {
    inside = control && control->HandleAllocated() && area->PtInArea(control->ScreenToClient(cursor));
  } else {
    inside = PtInRect(&ATimer->Bounds, cursor);
  }
  if (inside) return;
  if (control && control->HandleAllocated()) {
    TPoint p = control->ScreenToClient(cursor);
    TRect client = control->ClientRect();
    if (!PtInRect(&client, p)) SendMessage(control->Handle(), CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(control));
  }
  if (FindMouseTrackingTimer(caller) == ATimer) caller->MouseLeave();
  EndMouseTracking(caller);
}
}  // namespace

void TMouseTrackingTimer::SetControl(TWinControl* Value) {
  if (fControl) fControl->RemoveFreeNotification(this);
  fControl = Value;
  if (fControl) fControl->FreeNotification(this);
}

void TMouseTrackingTimer::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fControl) fControl = nullptr;
}

void BeginMouseTracking(TWinControl* AControl, const TRect& ABounds, IkcMouseTrackingCaller* ACaller) {
  if (IsMouseTracking(ACaller)) return;
  auto* timer = new TMouseTrackingTimer(nullptr);
  timer->SetControl(AControl);
  timer->Bounds = ABounds;
  if (AControl) MapWindowBounds(AControl->Handle(), HWND(), timer->Bounds);
  timer->Caller = ACaller;
  TrackingList().push_back(timer);
  timer->SetInterval(10);
  timer->SetOnTimer([timer](TObject*) { TrackingStep(timer); });
}

void EndMouseTracking(IkcMouseTrackingCaller* ACaller) {
  auto& list = TrackingList();
  auto it = std::find_if(list.begin(), list.end(), [ACaller](auto* t) { return t->Caller == ACaller; });
  if (it == list.end()) return;
  TMouseTrackingTimer* timer = *it;
  list.erase(it);
  delete timer;
}

TMouseTrackingTimer* FindMouseTrackingTimer(IkcMouseTrackingCaller* ACaller) {
  for (auto* t : TrackingList())
    if (t->Caller == ACaller) return t;
  return nullptr;
}

bool IsMouseTracking(IkcMouseTrackingCaller* ACaller) { return FindMouseTrackingTimer(ACaller) != nullptr; }
int MouseTrackingCount() { return static_cast<int>(TrackingList().size()); }
