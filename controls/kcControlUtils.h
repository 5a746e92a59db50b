#pragma once
// Control utilities (work area, coordinates, keys and characters, the drag threshold and the
// captured wait for a drag start, popup-menu helpers, a nestable hourglass, the settings
// controller), the library's timers on one hidden window, and mouse tracking.

#include <vector>

#include "controls/kcClasses.h"
#include "controls/kcGraphics.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"

constexpr UINT KCM_SETTINGSCHANGED = 0x8131;

// Which cell lines a grid draws: the data grid and the lookup list grid share it.
enum TkcGridLines { glBoth, glNone, glVertical, glHorizontal };

// ---- Geometry and windows -------------------------------------------------------------------

// The work area of the monitor nearest to a screen point.
TRect GetDesktopWorkArea(const TPoint& P);
// Moves Bounds onto the work area nearest P; the left and top edges win when it is too large.
void FitRectToDesktop(TRect& ABounds, const TPoint& P);
void MapWindowPointToWindow(HWND AFromWindow, HWND AToWindow, TPoint& P);
void MapWindowBounds(HWND AFromWindow, HWND AToWindow, TRect& R);
bool HasParentWithHandle(TControl* AControl);
bool HasChildWindowStyle(HWND AWindow);
void GetMouseCursorPos(TPoint& P);
UINT GetDblClickInterval();
bool IsCtrlPressed();

// ---- Keys and characters --------------------------------------------------------------------

WORD ShiftStateToMKFlags(TShiftState AShift);
inline WORD ConvertKeyCode(WORD AKey) { return AKey; }
// AKind: 0 integer, 1 number with the decimal separator, 2 number with an exponent.
bool IsNumericChar(char32_t AChar, int AKind);
inline bool IsTextChar(char32_t AChar) { return AChar >= 32; }
// "&File" -> "File", "A&&B" -> "A&B", "Save&" -> "Save_".
String StripHotkeyPrefix(const String& AText);

// ---- Dragging -------------------------------------------------------------------------------

bool IsInDragThreshold(const TPoint& ADownPoint, int X, int Y);
// Holds the capture until the user decides: 0 released (a click), 1 moved out of the square of
// twice the drag threshold around the cursor (a drag), 2 Esc or a lost capture.
int WaitForDragStart(HWND AWindow);

// ---- Popup menus ----------------------------------------------------------------------------

// A component that can stand wherever a popup menu is accepted.
struct IkcPopupMenu : IInterface {
  VT_INTERFACE("{61EEDA7D-88CC-45BF-8A00-5C25174D6501}")
  virtual bool IsShortCut(TMessage& AMessage) = 0;
  virtual void Popup(int X, int Y) = 0;
};

bool IsPopupMenuShortCut(TComponent* AMenu, TMessage& AMessage);
bool ShowPopupMenu(TComponent* ACaller, TComponent* AMenu, int X, int Y);
int GetPopupMenuHeight(TPopupMenu* AMenu);

// ---- Cursor, forms, designer ----------------------------------------------------------------

void ShowHourglassCursor();
void HideHourglassCursor();
void ScaleFormToFont(TCustomForm* AForm, TFont* AFont);
// The designer is not part of this program: nothing to tell.
inline void NotifyDesignerModified(TControl*) {}

// Turns a change of the non-client metrics into KCM_SETTINGSCHANGED for every registered control.
class TkcSettingsController : public TObject {
  VT_CLASS(TkcSettingsController, TObject)
public:
  ~TkcSettingsController() override;
  void RegisterControl(TWinControl* AControl);
  void UnregisterControl(TWinControl* AControl);
  void NotifyControls();
  HWND Handle() const { return fWindow; }
  int Count() const { return static_cast<int>(fControls.size()); }

protected:
  virtual void WndProc(TMessage& AMessage);

private:
  std::vector<TWinControl*> fControls;
  HWND fWindow;
};

TkcSettingsController* GetSettingsController();

// ---- Message windows and timers -------------------------------------------------------------

// A hidden window whose messages go to the virtual WndProc. Made again when it was destroyed
// from outside (a window layer that was reset).
class TkcMessageWindow : public TObject {
  VT_CLASS(TkcMessageWindow, TObject)
public:
  TkcMessageWindow() = default;
  ~TkcMessageWindow() override;
  HWND Handle();

protected:
  virtual void WndProc(TMessage& AMessage);

private:
  HWND fHandle;
};

class TkcTimerWindow : public TkcMessageWindow {
  VT_CLASS(TkcTimerWindow, TkcMessageWindow)
protected:
  void WndProc(TMessage& AMessage) override;
};

TkcMessageWindow* GetHiddenMessageWindow();
TkcTimerWindow* GetTimerWindow();

// A timer on the shared timer window. Ids come from a counter, so a message queued for a freed
// timer never reaches a new one.
class TkcTimer : public TComponent {
  VT_CLASS(TkcTimer, TComponent)
public:
  explicit TkcTimer(TComponent* AOwner);
  ~TkcTimer() override;
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool Value);
  UINT Interval() const { return fInterval; }
  void SetInterval(UINT Value);
  const TNotifyEvent& OnTimer() const { return fOnTimer; }
  void SetOnTimer(TNotifyEvent Value);
  bool TimerOn() const { return fTimerOn; }
  UINT_PTR Id() const { return fId; }

protected:
  friend class TkcTimerWindow;
  virtual void TimeOut();

private:
  void UpdateTimer();
  void StartTimer();
  void StopTimer();
  void SetTimerOn(bool Value);
  bool fEnabled = true;
  UINT fInterval = 1000;
  TNotifyEvent fOnTimer;
  UINT_PTR fId;
  bool fTimerOn = false;
};

// ---- Mouse tracking -------------------------------------------------------------------------

struct IkcMouseTrackingCaller : IInterface {
  VT_INTERFACE("{84A4BCBE-E001-4D60-B7A6-75E2B0DCD3E9}")
  virtual void MouseLeave() = 0;
};

struct IkcMouseTrackingArea : IInterface {
  VT_INTERFACE("{3A5D973B-F016-4F22-80B6-1D35668D7743}")
  // Whether a point of the control's client area still lies in the caller's area.
  virtual bool PtInArea(const TPoint& P) = 0;
};

class TMouseTrackingTimer : public TkcTimer {
  VT_CLASS(TMouseTrackingTimer, TkcTimer)
public:
  explicit TMouseTrackingTimer(TComponent* AOwner) : TkcTimer(AOwner) {}
  IkcMouseTrackingCaller* Caller = nullptr;
  TWinControl* Control() const { return fControl; }
  void SetControl(TWinControl* Value);
  TRect Bounds;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TWinControl* fControl = nullptr;
};

void BeginMouseTracking(TWinControl* AControl, const TRect& ABounds, IkcMouseTrackingCaller* ACaller);
void EndMouseTracking(IkcMouseTrackingCaller* ACaller);
TMouseTrackingTimer* FindMouseTrackingTimer(IkcMouseTrackingCaller* ACaller);
bool IsMouseTracking(IkcMouseTrackingCaller* ACaller);
int MouseTrackingCount();
