#include "platform/forms/Forms.h"

#include <unistd.h>

#include <QApplication>

#include <algorithm>
#include <climits>

#include "platform/core/Utf8.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/FormsInternal.h"
#include "platform/forms/Threads.h"

TApplication* Application = new TApplication(nullptr);
TScreen* Screen = new TScreen(nullptr);
TMouse* Mouse = new TMouse();

namespace {
std::map<int, HCURSOR>& CursorTable() {
  static std::map<int, HCURSOR> t;
  return t;
}
}  // namespace

namespace forms_detail {
TCursor& ScreenCursor() {
  static TCursor c = crDefault;
  return c;
}
void HandleCurrentException(TObject* Sender) { Application->HandleException(Sender, std::current_exception()); }
void EnsureExceptionHandler() {
  SetExceptionHandler([](std::exception_ptr e) { Application->HandleException(nullptr, e); });
}
}  // namespace forms_detail

using namespace forms_detail;

// ---- TCustomForm ----------------------------------------------------------------------------

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
  fVisible = false;
  fColor = clBtnFace;
  fParentColor = false;
  fParentFont = false;
  fWidth = 320;
  fHeight = 240;
  fControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  Screen->AddForm(this);
}

void TCustomForm::BeforeDestruction() {
  if (OnDestroy) OnDestroy(this);
  OnDestroy = nullptr;
  Screen->RemoveForm(this);
  TWinControl::BeforeDestruction();
}

TCustomForm::~TCustomForm() {
  if (OnDestroy) OnDestroy(this);
  Screen->RemoveForm(this);
  if (Application->MainForm() == this) Application->SetMainForm(nullptr);
  while (ControlCount()) Controls(ControlCount() - 1)->Free();
  if (fCanvas) fCanvas->FreeHandle();
}

void TCustomForm::SetBorderStyle(TBorderStyle v) {
  if (v == fFormBorderStyle) return;
  fFormBorderStyle = v;
  RecreateWnd();
}
void TCustomForm::SetBorderIcons(TBorderIcons v) {
  fBorderIcons = v;
  RecreateWnd();
}
void TCustomForm::SetFormStyle(TFormStyle v) {
  if (v == fFormStyle) return;
  fFormStyle = v;
  if (HandleAllocated())
    SetWindowPos(Handle(), v == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}
void TCustomForm::SetWindowState(TWindowState v) {
  fWindowState = v;
  if (HandleAllocated() && fVisible)
    ShowWindow(Handle(), v == wsMaximized ? SW_SHOWMAXIMIZED : v == wsMinimized ? SW_SHOWMINIMIZED : SW_RESTORE);
}

void TCustomForm::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.Style &= ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP);
  p.ExStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
  switch (fFormBorderStyle) {
    case bsNone: p.Style |= WS_POPUP; break;
    case bsSingle:
    case bsToolWindow: p.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable:
    case bsSizeToolWin: p.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      p.Style |= WS_POPUP | WS_CAPTION | WS_DLGFRAME;
      p.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  if (fFormBorderStyle == bsToolWindow || fFormBorderStyle == bsSizeToolWin) p.ExStyle |= WS_EX_TOOLWINDOW;
  if (fFormBorderStyle != bsNone) {
    if (fBorderIcons.Contains(biSystemMenu)) p.Style |= WS_SYSMENU;
    if (fBorderIcons.Contains(biMinimize) && fFormBorderStyle != bsDialog) p.Style |= WS_MINIMIZEBOX;
    if (fBorderIcons.Contains(biMaximize) && fFormBorderStyle != bsDialog) p.Style |= WS_MAXIMIZEBOX;
  }
  if (fFormStyle == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
  p.WndParent = HWND();
  if (auto* owner = dynamic_cast<TCustomForm*>(Owner()); owner && owner->HandleAllocated())
    p.WndParent = owner->Handle();
}

void TCustomForm::CreateWindowDone() {
  if (!fText.empty()) SetWindowText(Handle(), fText);
}

void TCustomForm::UpdateWindowPlacement() {
  if (HandleAllocated()) SetWindowPos(Handle(), HWND(), fLeft, fTop, fWidth, fHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

TRect TCustomForm::ClientRect() {
  HandleNeeded();
  return TWinControl::ClientRect();
}

TCanvas* TCustomForm::FormCanvas() {
  if (!fCanvas) {
    fCanvas = std::make_unique<TControlCanvas>();
    fCanvas->SetControl(this);
  }
  return fCanvas.get();
}

void TCustomForm::PaintWindow(HDC dc) {
  if (!OnPaint) return;
  TCanvas* c = FormCanvas();
  static_cast<TControlCanvas*>(c)->FreeHandle();
  c->SetHandle(dc);
  c->Font()->Assign(Font());
  c->Brush()->SetColor(Color());
  try {
    OnPaint(this);
  } catch (...) {
    c->SetHandle(HDC());
    throw;
  }
  c->SetHandle(HDC());
}

void TCustomForm::ApplyPosition() {
  if (fPositioned) return;
  fPositioned = true;
  TCustomForm* around = nullptr;
  switch (fPosition) {
    case poMainFormCenter: around = Application->MainForm(); break;
    case poOwnerFormCenter: around = dynamic_cast<TCustomForm*>(Owner()); break;
    case poScreenCenter:
    case poDesktopCenter: break;
    default: return;
  }
  if (around == this || (around && !around->fVisible)) around = nullptr;
  TRect area = around ? around->BoundsRect() : Screen->WorkAreaRect();
  if (fPosition == poMainFormCenter || fPosition == poOwnerFormCenter) {
    if (!around) area = Screen->WorkAreaRect();
  }
  int l = area.left + (area.right - area.left - fWidth) / 2;
  int t = area.top + (area.bottom - area.top - fHeight) / 2;
  SetBounds(l, t, fWidth, fHeight);
}

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}
void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}
void TCustomForm::DoClose(TCloseAction& a) {
  if (OnClose) OnClose(this, a);
}
void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}
void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::Show() {
  SetVisible(true);
  if (HandleAllocated()) {
    BringWindowToTop(Handle());
    SetActiveWindow(Handle());
  }
}

bool TCustomForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TCustomForm::Close() {
  if (fFormState.Contains(fsModal)) {
    fModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction a = Application->MainForm() == this ? caFree : caHide;
  DoClose(a);
  if (a == caNone) return;
  if (Application->MainForm() == this) {
    Application->Terminate();
    Hide();
  } else if (a == caHide) {
    Hide();
  } else if (a == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Release();
  }
}

void TCustomForm::Release() {
  if (HandleAllocated()) PostMessage(Handle(), CM_RELEASE);
}

void TCustomForm::CloseModal() {
  TCloseAction a = caHide;
  if (!CloseQuery())
    a = caNone;
  else
    DoClose(a);
  if (a == caNone)
    fModalResult = mrNone;
  else if (a == caFree)
    Release();
}

TModalResult TCustomForm::ShowModal() {
  if (fVisible || !fEnabled || fFormState.Contains(fsModal))
    throw EInvalidOperation("Cannot make a visible window modal");
  CancelDrag();
  if (GetCapture()) SendMessage(GetCapture(), WM_CANCELMODE);
  ReleaseCapture();
  fFormState.Include(fsModal);
  HWND previousActive = GetActiveWindow();
  std::vector<HWND> disabled;
  for (int i = 0; i < Screen->FormCount(); ++i) {
    TCustomForm* f = Screen->Forms(i);
    if (f != this && f->HandleAllocated() && IsWindowVisible(f->Handle()) && IsWindowEnabled(f->Handle())) {
      EnableWindow(f->Handle(), FALSE);
      disabled.push_back(f->Handle());
    }
  }
  auto restore = [&] {
    for (HWND h : disabled)
      if (IsWindow(h)) EnableWindow(h, TRUE);
    fFormState.Exclude(fsModal);
    if (previousActive && IsWindow(previousActive)) SetActiveWindow(previousActive);
  };
  try {
    Show();
    fModalResult = mrNone;
    do {
      Application->HandleMessage();
      if (Application->Terminated())
        fModalResult = mrCancel;
      else if (fModalResult != mrNone)
        CloseModal();
    } while (fModalResult == mrNone);
    Hide();
  } catch (...) {
    if (HandleAllocated()) Hide();
    restore();
    throw;
  }
  restore();
  return fModalResult;
}

void TCustomForm::SetActiveControl(TWinControl* c) {
  if (c == fActiveControl) return;
  if (c && (!ContainsControl(c) || !c->CanFocus()))
    throw EInvalidOperation("Cannot focus a disabled or invisible window");
  fActiveControl = c;
  if (fActive && c && c->HandleAllocated()) ::SetFocus(c->Handle());
}

void TCustomForm::FocusControl(TWinControl* c) {
  if (!c) return;
  bool visibleAndActive = HandleAllocated() && IsWindowVisible(Handle()) && GetActiveWindow() == Handle();
  fActiveControl = c;
  if (visibleAndActive)
    ::SetFocus(c->Handle());
  else if (HandleAllocated() && IsWindowVisible(Handle()))
    ::SetFocus(c->Handle());
}

void TCustomForm::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation("Cannot focus a disabled or invisible window");
  SetActiveWindow(Handle());
  SetWindowFocus();
}

bool TCustomForm::CanFocus() { return fVisible && fEnabled; }

void TCustomForm::SetWindowFocus() {
  if (!fActiveControl) fActiveControl = FindNextControl(nullptr, true, true, false);
  if (fActiveControl && fActiveControl->CanFocus())
    ::SetFocus(fActiveControl->Handle());
  else if (HandleAllocated())
    ::SetFocus(Handle());
}

void TCustomForm::SetFocusedControl(TWinControl* c) {
  if (c == fFocusedControl) return;
  if (c != this) fActiveControl = c;
  // Exit from the inside out up to the common ancestor, enter from the outside in.
  while (fFocusedControl && !fFocusedControl->ContainsControl(c)) {
    TWinControl* leaving = fFocusedControl;
    fFocusedControl = leaving->Parent();
    leaving->Perform(CM_EXIT, 0, 0);
  }
  while (fFocusedControl != c) {
    TWinControl* next = c;
    while (next->Parent() != fFocusedControl && next->Parent()) next = next->Parent();
    fFocusedControl = next;
    next->Perform(CM_ENTER, 0, 0);
    if (fFocusedControl != next) return;  // a handler moved the focus
    if (!next->Parent() && next != c) break;
  }
  Screen->SetActiveControl(c);
  Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(c));
}

void TCustomForm::ControlRemoving(TControl* c) {
  // Works on a control in the middle of its destruction too: only parent links are followed.
  auto inside = [c](TControl* x) {
    for (TControl* p = x; p; p = p->Parent())
      if (p == c) return true;
    return false;
  };
  if (inside(fActiveControl)) fActiveControl = nullptr;
  if (inside(fFocusedControl)) fFocusedControl = c->Parent();
  if (inside(Screen->ActiveControl())) Screen->SetActiveControl(nullptr);
}

bool TCustomForm::IsShortCut(TMessage& m) {
  bool handled = false;
  if (OnShortCut) OnShortCut(m, handled);
  return handled;
}

void TCustomForm::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CM_VISIBLECHANGED:
      if (fVisible) {
        HandleNeeded();
        ApplyPosition();
        fFormState.Include(fsShowing);
        try {
          DoShow();
        } catch (...) {
          fFormState.Exclude(fsShowing);
          throw;
        }
        fFormState.Exclude(fsShowing);
        if (fVisible) ShowWindow(Handle(), fWindowState == wsMaximized ? SW_SHOWMAXIMIZED : SW_SHOW);
      } else if (HandleAllocated()) {
        DoHide();
        ShowWindow(Handle(), SW_HIDE);
      }
      return;
    case WM_ACTIVATE:
      DefaultHandler(m);
      if (LOWORD(m.WParam) != WA_INACTIVE) {
        fActive = true;
        Screen->SetActiveForm(this);
        Perform(CM_ACTIVATE, 0, 0);
        SetWindowFocus();
      } else {
        fActive = false;
        Perform(CM_DEACTIVATE, 0, 0);
      }
      return;
    case CM_ACTIVATE:
      fFormState.Include(fsActivated);
      Activate();
      return;
    case CM_DEACTIVATE: Deactivate(); return;
    case WM_SETFOCUS:
      DefaultHandler(m);
      if (fActiveControl && fActiveControl != this && fActiveControl->CanFocus())
        ::SetFocus(fActiveControl->Handle());
      else
        SetFocusedControl(this);
      return;
    case WM_CLOSE: Close(); return;
    case CM_RELEASE: Free(); return;
    case CM_DIALOGKEY:
      if (GetKeyState(VK_MENU) >= 0) {
        WORD key = static_cast<WORD>(m.WParam);
        bool shift = GetKeyState(VK_SHIFT) < 0;
        if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
          SelectNext(fActiveControl, !shift, true);
          m.Result = 1;
          return;
        }
        if (key == VK_LEFT || key == VK_UP || key == VK_RIGHT || key == VK_DOWN) {
          if (fActiveControl) {
            TWinControl* p = fActiveControl->Parent();
            if (p) {
              if (TWinControl* next =
                      p->FindNextControl(fActiveControl, key == VK_RIGHT || key == VK_DOWN, false, true))
                next->SetFocus();
            }
          }
          m.Result = 1;
          return;
        }
      }
      TWinControl::Dispatch(m);
      return;
  }
  TWinControl::Dispatch(m);
}

// ---- TFrame, TScrollBox, THintWindow --------------------------------------------------------

TFrame::TFrame(TComponent* AOwner) : TCustomControl(AOwner) {
  fWidth = 320;
  fHeight = 240;
  fControlStyle.Include(csAcceptsControls);
}

TScrollBox::TScrollBox(TComponent* AOwner) : TWinControl(AOwner) {
  fWidth = 185;
  fHeight = 41;
  fBorderStyle = bsSingle;
  fTabStop = false;
}

void TScrollBox::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.Style |= WS_VSCROLL;
}

int TScrollBox::ContentHeight() {
  int h = 0;
  for (int i = 0; i < ControlCount(); ++i)
    if (Controls(i)->Visible()) h = std::max(h, Controls(i)->Top() + fVertPos + Controls(i)->Height());
  return h;
}

void TScrollBox::UpdateScrollBar() {
  if (!HandleAllocated()) return;
  SetVertScrollBar(Handle(), ContentHeight(), ClientHeight(), fVertPos);
}

void TScrollBox::SetVertPosition(int v) {
  int maxPos = std::max(0, ContentHeight() - ClientHeight());
  v = std::clamp(v, 0, maxPos);
  if (v == fVertPos) return;
  int d = fVertPos - v;
  fVertPos = v;
  DisableAlign();
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    c->SetBounds(c->Left(), c->Top() + d, c->Width(), c->Height());
  }
  EnableAlign();
  UpdateScrollBar();
  Invalidate();
}

void TScrollBox::Dispatch(TMessage& m) {
  if (m.Msg == WM_VSCROLL) {
    SetVertPosition(ScrollMessagePos(this, SB_VERT, m.WParam, fVertPos, 8, ClientHeight(), INT_MAX / 2));
    return;
  }
  if (m.Msg == CM_CONTROLLISTCHANGE || m.Msg == WM_WINDOWPOSCHANGED) {
    TWinControl::Dispatch(m);
    UpdateScrollBar();
    return;
  }
  TWinControl::Dispatch(m);
}

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  fVisible = false;
  fColor = clInfoBk;
  fParentColor = false;
  fParentFont = false;
  fFont->Assign(Screen->HintFont());
}

void THintWindow::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.Style = WS_POPUP | WS_BORDER;
  p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  p.WndParent = HWND();
}

TRect THintWindow::CalcHintRect(int maxWidth, const String& hint) {
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  RECT r{0, 0, maxWidth, 0};
  DrawText(c.Handle(), hint, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
  r.right += 6;
  r.bottom += 2;
  return r;
}

void THintWindow::ActivateHint(const TRect& r, const String& hint) {
  fText = hint;
  SetBoundsRect(r);
  HandleNeeded();
  SetWindowPos(Handle(), HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  fVisible = true;
  Invalidate();
}

void THintWindow::ReleaseHandle() {
  fVisible = false;
  if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
}

void THintWindow::Paint() {
  TRect r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  r.left += 2;
  r.top += 1;
  Canvas()->Brush()->SetStyle(bsClear);
  DrawText(Canvas()->Handle(), fText, &r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

// ---- TApplication ---------------------------------------------------------------------------

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

void TApplication::Initialize() {
  if (QCoreApplication::instance()) return;
  static int argc = 1;
  static char name[] = "vantorelle";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}
TApplication::~TApplication() {
  fHintWindow = nullptr;  // owned, freed with the components
  if (fHandle) DeallocateHWnd(fHandle);
}

HWND TApplication::Handle() {
  if (!fHandle || !IsWindow(fHandle)) fHandle = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  return fHandle;
}

void TApplication::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_TIMER:
      KillTimer(fHandle, 1);
      if (fHintControl) {
        if (!fHintWindow) fHintWindow = new THintWindow(this);
        String text = GetShortHint(fHintControl->Hint());
        POINT p;
        GetCursorPos(&p);
        TRect r = fHintWindow->CalcHintRect(300, text);
        OffsetRect(&r, p.x, p.y + 20);
        fHintWindow->ActivateHint(r, text);
      }
      break;
    case WM_ACTIVATEAPP:
      fActive = m.WParam != 0;
      if (fActive && OnActivate) OnActivate(this);
      if (!fActive && OnDeactivate) OnDeactivate(this);
      break;
    default: m.Result = DefWindowProc(fHandle, m.Msg, m.WParam, m.LParam);
  }
}

String TApplication::ExeName() const {
  char buf[4096];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  return n > 0 ? String(buf, static_cast<std::size_t>(n)) : String();
}

void TApplication::SetHint(const String& v) {
  if (v == fHint) return;
  fHint = v;
  if (OnHint) OnHint(this);
}

bool IsAccel(char32_t Key, const String& Caption) {
  for (std::size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    std::size_t pos = i + 1;
    return Key && UnicodeUpper(Utf8Decode(Caption, pos)) == UnicodeUpper(Key);
  }
  return false;
}

String GetShortHint(const String& hint) {
  auto bar = hint.find('|');
  return bar == String::npos ? hint : hint.substr(0, bar);
}
String GetLongHint(const String& hint) {
  auto bar = hint.find('|');
  return bar == String::npos ? hint : hint.substr(bar + 1);
}
bool ControlShowsHint(TControl* c) {
  for (; c; c = c->Parent())
    if (!c->ParentShowHint() || !c->Parent()) return c->ShowHint();
  return false;
}

void TApplication::CancelHint() {
  if (fHandle && IsWindow(fHandle)) KillTimer(fHandle, 1);
  fHintControl = nullptr;
  if (fHintWindow) fHintWindow->ReleaseHandle();
}

void TApplication::HintMouseEnter(TControl* c) {
  CancelHint();
  SetHint(c ? GetLongHint(c->Hint()) : String());
  if (!c || !fShowHint || GetShortHint(c->Hint()).empty() || !ControlShowsHint(c)) return;
  fHintControl = c;
  SetTimer(Handle(), 1, static_cast<UINT>(std::max(HintPause, 1)));
}
void TApplication::BringToFront() {
  if (fMainForm && fMainForm->HandleAllocated()) BringWindowToTop(fMainForm->Handle());
}

void TApplication::Terminate() { PostQuitMessage(0); }

bool TApplication::ProcessMessage(MSG& msg) {
  if (!PeekMessage(&msg, HWND(), 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) {
    fTerminated = true;
    return true;
  }
  bool handled = false;
  try {
    if (OnMessage) OnMessage(msg, handled);
  } catch (...) {
    HandleException(this);
    handled = true;
  }
  if (!handled) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return true;
}

void TApplication::ProcessMessages() {
  EnsureExceptionHandler();
  MSG msg;
  while (ProcessMessage(msg)) {
    if (fTerminated) break;
  }
}

void TApplication::DoIdle() {
  CheckSynchronize();
  POINT p;
  GetCursorPos(&p);
  TControl* c = FindDragTarget(p, false);
  if (c && c->Parent() == nullptr && !dynamic_cast<TWinControl*>(c)) c = nullptr;
  UpdateMouseControl(c);
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
    UpdateActions();
  } catch (...) {
    HandleException(this);
  }
  FreeDeviceContexts();
}

void TApplication::Idle(const MSG&) {
  DoIdle();
  WaitMessage();
}

void TApplication::HandleMessage() {
  EnsureExceptionHandler();
  MSG msg;
  if (!ProcessMessage(msg)) Idle(msg);
}

void TApplication::Run() {
  EnsureExceptionHandler();
  fTerminated = false;
  if (fMainForm && ShowMainForm) fMainForm->Show();
  while (!fTerminated) HandleMessage();
}

void TApplication::HandleException(TObject* Sender) { HandleException(Sender, std::current_exception()); }

void TApplication::HandleException(TObject* Sender, std::exception_ptr error) {
  if (!error) return;
  try {
    std::rethrow_exception(error);
  } catch (EAbort&) {
    return;
  } catch (Exception& e) {
    if (OnException) {
      OnException(Sender, e);
    } else {
      ShowException(e);
    }
  } catch (std::exception& e) {
    Exception wrapped(e.what());
    if (OnException)
      OnException(Sender, wrapped);
    else
      ShowException(wrapped);
  } catch (...) {
    Exception wrapped("Unknown exception");
    if (OnException)
      OnException(Sender, wrapped);
    else
      ShowException(wrapped);
  }
}

void TApplication::ShowException(Exception& E) {
  String msg = E.Message();
  if (!msg.empty() && static_cast<unsigned char>(msg.back()) > '.') msg += '.';
  MessageBox(msg, fTitle, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const String& text, const String& caption, UINT flags) {
  return ::MessageBox(HWND(), text, caption, flags);
}

// ---- TScreen, TMouse ------------------------------------------------------------------------

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
  fMenuFont.SetName("Tahoma");
  fIconFont.SetName("Tahoma");
  fHintFont.SetName("Tahoma");
  fHintFont.SetColor(clInfoText);
}
TScreen::~TScreen() = default;

TCursor TScreen::Cursor() const { return ScreenCursor(); }
void TScreen::SetCursor(TCursor v) {
  if (v == ScreenCursor()) return;
  ScreenCursor() = v;
  if (v != crDefault) {
    ::SetCursor(Cursors(v));
  } else {
    POINT p;
    GetCursorPos(&p);
    HWND w = WindowFromPoint(p);
    if (w)
      SendMessage(w, WM_SETCURSOR, static_cast<WPARAM>(w.value), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    else
      ::SetCursor(LoadCursor({}, IDC_ARROW));
  }
}
HCURSOR TScreen::Cursors(int index) const {
  auto it = CursorTable().find(index);
  if (it != CursorTable().end()) return it->second;
  return CursorHandle(static_cast<TCursor>(index));
}
void TScreen::SetCursors(int index, HCURSOR h) {
  if (h)
    CursorTable()[index] = h;
  else
    CursorTable().erase(index);
}

void TScreen::AddForm(TCustomForm* f) { fForms.push_back(f); }
void TScreen::RemoveForm(TCustomForm* f) {
  fForms.erase(std::remove(fForms.begin(), fForms.end(), f), fForms.end());
  if (fActiveForm == f) SetActiveForm(nullptr);
  if (fActiveControl && fActiveControl->GetParentForm() == f) fActiveControl = nullptr;
}
void TScreen::SetActiveForm(TCustomForm* f) {
  if (f == fActiveForm) return;
  fActiveForm = f;
  if (f) {  // the active form is the first
    fForms.erase(std::remove(fForms.begin(), fForms.end(), f), fForms.end());
    fForms.insert(fForms.begin(), f);
  }
  if (OnActiveFormChange) OnActiveFormChange(this);
}
void TScreen::SetActiveControl(TWinControl* c) {
  if (c == fActiveControl) return;
  fActiveControl = c;
  if (OnActiveControlChange) OnActiveControlChange(this);
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }
TRect TScreen::WorkAreaRect() const {
  RECT r;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &r, 0);
  return r;
}
TRect TScreen::DesktopRect() const {
  return Bounds(0, 0, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
}
int TScreen::MonitorCount() const { return GetSystemMetrics(SM_CMONITORS); }

TPoint TMouse::CursorPos() const {
  POINT p;
  GetCursorPos(&p);
  return p;
}
void TMouse::SetCursorPos(TPoint p) { ::SetCursorPos(p.x, p.y); }
void TMouse::SetCapture(HWND h) {
  if (h)
    ::SetCapture(h);
  else
    ReleaseCapture();
}
int TMouse::DragThreshold() const { return fDragThreshold >= 0 ? fDragThreshold : GetSystemMetrics(SM_CXDRAG); }
int TMouse::WheelScrollLines() const {
  UINT n = 3;
  SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &n, 0);
  return static_cast<int>(n);
}

// ---- what the control model reaches through FormsInternal.h ----

TCustomForm* TControl::GetParentForm() const { return dynamic_cast<TCustomForm*>(ParentFormControl()); }

TWinControl* forms_detail::FormControl(TControl* c) { return dynamic_cast<TCustomForm*>(c); }
bool forms_detail::FormKeyPreview(TWinControl* form) { return static_cast<TCustomForm*>(form)->KeyPreview(); }
void forms_detail::FormFocusControl(TWinControl* form, TWinControl* c) {
  static_cast<TCustomForm*>(form)->FocusControl(c);
}
void forms_detail::FormSetFocusedControl(TWinControl* form, TWinControl* c) {
  static_cast<TCustomForm*>(form)->SetFocusedControl(c);
}
void forms_detail::FormControlRemoving(TWinControl* form, TControl* c) {
  static_cast<TCustomForm*>(form)->ControlRemoving(c);
}
void forms_detail::HintMouseEnter(TControl* c) { Application->HintMouseEnter(c); }
void forms_detail::CancelHint() { Application->CancelHint(); }
HCURSOR forms_detail::ScreenCursorHandle(TCursor c) { return Screen->Cursors(c); }

int forms_detail::WheelLines(WPARAM wParam) {
  return static_cast<short>(HIWORD(wParam)) / WHEEL_DELTA * Mouse->WheelScrollLines();
}
