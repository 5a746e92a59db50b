#pragma once
// Private to platform/forms: state the units of the control model share.

#include "platform/forms/Controls.h"

class TCustomForm;
class TPopupMenu;

namespace forms_detail {

// ---- the narrow interface of the control model ----
// What Controls.cpp needs of the application, the screen, forms and popup menus. Forms.cpp and
// Menus.cpp implement it, so that the control model includes none of their headers.

// The form a top-level control is, as a window control (null when it is no form).
TWinControl* FormControl(TControl* c);
bool FormKeyPreview(TWinControl* form);
void FormFocusControl(TWinControl* form, TWinControl* c);
void FormSetFocusedControl(TWinControl* form, TWinControl* c);
void FormControlRemoving(TWinControl* form, TControl* c);
// The application's hint follows the control under the pointer; CancelHint hides it.
void HintMouseEnter(TControl* c);
void CancelHint();
// The screen's handle for a cursor value.
HCURSOR ScreenCursorHandle(TCursor c);
// A popup menu as the component it is (for free notification).
TComponent* MenuComponent(TPopupMenu* menu);

// The screen's cursor (crDefault: each control shows its own).
TCursor& ScreenCursor();
// Hands the current exception to the application's handler (inside a catch block).
void HandleCurrentException(TObject* Sender);
// Installs the application's handler in the window layer (a test session may have reset it).
void EnsureExceptionHandler();
// The control under the pointer: sends CM_MOUSELEAVE / CM_MOUSEENTER on a change.
void UpdateMouseControl(TControl* c);
// Forgets a control that goes away (mouse, capture and drag records).
void ForgetControl(TControl* c);
// Frees the device contexts that control canvases got outside painting.
void FreeDeviceContexts();
// Keys the control model passes to menus and action lists before a control sees them.
bool IsShortCutForForm(TWinControl* control, TMessage& m);
bool IsPopupShortCut(TControl* control, TMessage& m);
// Pops the control's popup menu at a screen point; false when it has none.
bool PopupControlMenu(TControl* control, TPoint screen);
// Alt and an accelerator letter of a main menu bar on the form.
bool MainMenuBarShortCut(TCustomForm* form, TMessage& m);
// A key message's shift state (the keyboard state now).
TShiftState ShiftNow();
// The lines a WM_MOUSEWHEEL message scrolls (positive: towards the start), by the user's setting.
int WheelLines(WPARAM wParam);
// The first visible row of a list that shows `row` with the least scrolling from `top`.
inline int TopToShow(int row, int top, int visible) {
  if (row < top) return row;
  if (row >= top + visible) return row - visible + 1;
  return top;
}

}  // namespace forms_detail
