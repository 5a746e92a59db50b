#pragma once
// Forms, frames and data modules; the application object with the message loop and the
// exception handler; the screen and the mouse.

#include <exception>
#include <map>
#include <vector>

#include "platform/forms/Controls.h"

class TMainMenu;

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
                       mrAll = 8, mrNoToAll = 9, mrYesToAll = 10, mrClose = 11;

enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TPosition {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon, 4>;
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TDefaultMonitor { dmDesktop, dmPrimary, dmMainForm, dmActiveForm };
enum TFormStateItem { fsCreating, fsVisible, fsShowing, fsModal, fsCreatedMDIChild, fsActivated };
using TFormState = TSet<TFormStateItem, 8>;

using TCloseEvent = TEvent<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = TEvent<void(TObject* Sender, bool& CanClose)>;
using TShortCutEvent = TEvent<void(TMessage& Msg, bool& Handled)>;
using TExceptionEvent = TEvent<void(TObject* Sender, Exception& E)>;
using TIdleEvent = TEvent<void(TObject* Sender, bool& Done)>;
using TMessageEvent = TEvent<void(MSG& Msg, bool& Handled)>;

class TCustomForm : public TWinControl {
  VT_CLASS(TCustomForm, TWinControl)
public:
  explicit TCustomForm(TComponent* AOwner);
  ~TCustomForm() override;
  void BeforeDestruction() override;

  TBorderStyle BorderStyle() const { return fFormBorderStyle; }
  void SetBorderStyle(TBorderStyle v);
  TBorderIcons BorderIcons() const { return fBorderIcons; }
  void SetBorderIcons(TBorderIcons v);
  TFormStyle FormStyle() const { return fFormStyle; }
  void SetFormStyle(TFormStyle v);
  TPosition Position() const { return fPosition; }
  void SetPosition(TPosition v) { fPosition = v; }
  TDefaultMonitor DefaultMonitor = dmActiveForm;
  bool KeyPreview() const { return fKeyPreview; }
  void SetKeyPreview(bool v) { fKeyPreview = v; }
  TModalResult ModalResult() const { return fModalResult; }
  void SetModalResult(TModalResult v) { fModalResult = v; }
  TWindowState WindowState() const { return fWindowState; }
  void SetWindowState(TWindowState v);
  TFormState FormState() const { return fFormState; }
  bool Active() const { return fActive; }
  TWinControl* ActiveControl() const { return fActiveControl; }
  // EInvalidOperation "Cannot focus a disabled or invisible window" for a control that cannot take focus.
  void SetActiveControl(TWinControl* c);
  TMainMenu* Menu() const { return fMenu; }
  void SetMenu(TMainMenu* m) { fMenu = m; }
  TPopupMenu* PopupMenu() const { return TControl::PopupMenu(); }

  void Show();
  void Hide() { SetVisible(false); }
  // Runs a modal loop until ModalResult is set (and the form agrees to close).
  virtual TModalResult ShowModal();
  void Close();
  virtual bool CloseQuery();
  // Frees the form once the messages waiting for it are handled.
  void Release();
  void FocusControl(TWinControl* c);
  void SetFocusedControl(TWinControl* c);
  TWinControl* FocusedControl() const { return fFocusedControl; }
  void SetFocus() override;
  bool CanFocus() override;
  virtual bool IsShortCut(TMessage& m);
  void ControlRemoving(TControl* c);
  TRect ClientRect() override;
  void Dispatch(TMessage& m) override;

  TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate, OnPaint;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;
  TShortCutEvent OnShortCut;

protected:
  void CreateParams(TCreateParams& p) override;
  void CreateWindowDone() override;
  void UpdateWindowPlacement() override;
  void PaintWindow(HDC dc) override;
  virtual void DoShow();
  virtual void DoHide();
  virtual void DoClose(TCloseAction& a);
  virtual void Activate();
  virtual void Deactivate();
  void CloseModal();
  void ApplyPosition();
  void SetWindowFocus();
  TCanvas* FormCanvas();

  TBorderStyle fFormBorderStyle = bsSizeable;
  TBorderIcons fBorderIcons{biSystemMenu, biMinimize, biMaximize};
  TFormStyle fFormStyle = fsNormal;
  TPosition fPosition = poDesigned;
  bool fKeyPreview = false;
  TModalResult fModalResult = mrNone;
  TWindowState fWindowState = wsNormal;
  TFormState fFormState;
  bool fActive = false;
  bool fPositioned = false;
  TWinControl* fActiveControl = nullptr;
  TWinControl* fFocusedControl = nullptr;
  TMainMenu* fMenu = nullptr;
  std::unique_ptr<TControlCanvas> fCanvas;
};

class TForm : public TCustomForm {
  VT_CLASS(TForm, TCustomForm)
public:
  explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
  TCanvas* Canvas() { return FormCanvas(); }
};
using TFormClass = TClassOf<TForm, TComponent*>;

// A reusable group of controls placed on a form like one control.
class TFrame : public TCustomControl {
  VT_CLASS(TFrame, TCustomControl)
public:
  explicit TFrame(TComponent* AOwner);
};

class TDataModule : public TComponent {
  VT_CLASS(TDataModule, TComponent)
public:
  explicit TDataModule(TComponent* AOwner) : TComponent(AOwner) {}
  ~TDataModule() override {
    if (OnDestroy) OnDestroy(this);
  }
  TNotifyEvent OnCreate, OnDestroy;
};

// A scroll box: a window whose children scroll (the position moves the children).
class TScrollBox : public TWinControl {
  VT_CLASS(TScrollBox, TWinControl)
public:
  explicit TScrollBox(TComponent* AOwner);
  int VertPosition() const { return fVertPos; }
  void SetVertPosition(int v);
  int ContentHeight();
  void Dispatch(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& p) override;
  void UpdateScrollBar();

private:
  int fVertPos = 0;
};

// "short|long": the short part shows in the hint window, the long part in Application.Hint.
String GetShortHint(const String& hint);
String GetLongHint(const String& hint);
// Whether hints show for the control (its ShowHint, or its parents' when ParentShowHint).
bool ControlShowsHint(TControl* c);
// Whether the character (any case) is the caption's accelerator: the one after a single '&'
// ("&&" shows an ampersand).
bool IsAccel(char32_t Key, const String& Caption);

// A hint window: a borderless popup showing one text.
class THintWindow : public TCustomControl {
  VT_CLASS(THintWindow, TCustomControl)
public:
  explicit THintWindow(TComponent* AOwner);
  void ActivateHint(const TRect& r, const String& hint);
  void ReleaseHandle();
  TRect CalcHintRect(int maxWidth, const String& hint);

protected:
  void CreateParams(TCreateParams& p) override;
  void Paint() override;
};

// ---- TApplication ---------------------------------------------------------------------------

class TApplication : public TComponent {
  VT_CLASS(TApplication, TComponent)
public:
  explicit TApplication(TComponent* AOwner);
  ~TApplication() override;

  // Makes the GUI toolkit's application object when the program has none (fonts, printing,
  // clipboard and the desktop's dialogs need it).
  void Initialize();
  // The first form created is the main form; OnCreate runs when the constructor set it.
  template <class T>
  void CreateForm(T*& ref) {
    ref = new T(this);
    if (!fMainForm) fMainForm = ref;
    if (ref->OnCreate) ref->OnCreate(ref);
  }
  TIcon* Icon() { return &fIcon; }
  TCustomForm* MainForm() const { return fMainForm; }
  void SetMainForm(TCustomForm* f) { fMainForm = f; }
  // Shows the main form and runs the message loop until WM_QUIT.
  void Run();
  void Terminate();
  bool Terminated() const { return fTerminated; }
  void SetTerminated(bool v) { fTerminated = v; }
  // Handles every waiting message, then returns.
  void ProcessMessages();
  // Handles one message, or idles and waits when none is waiting.
  void HandleMessage();
  // Hands the exception (the current one when none is given) to OnException, or shows it.
  void HandleException(TObject* Sender);
  void HandleException(TObject* Sender, std::exception_ptr error);
  void ShowException(Exception& E);
  int MessageBox(const String& text, const String& caption, UINT flags);
  HWND Handle();
  const String& Title() const { return fTitle; }
  void SetTitle(const String& v) { fTitle = v; }
  String ExeName() const;
  bool Active() const { return fActive; }
  bool ShowMainForm = true;
  bool ShowHint() const { return fShowHint; }
  void SetShowHint(bool v) { fShowHint = v; }
  const String& Hint() const { return fHint; }
  void SetHint(const String& v);
  int HintPause = 500;
  TColor HintColor = clInfoBk;
  // Hides the hint window and forgets the pending hint.
  void CancelHint();
  // The pointer entered a control: Hint follows its long hint, and its short hint shows after
  // HintPause when hints are on for it.
  void HintMouseEnter(TControl* c);
  THintWindow* HintWindow() const { return fHintWindow; }
  void BringToFront();
  void Minimize() {}
  void Restore() {}
  void UpdateActions();
  // Runs the idle work once (mouse tracking, action updates, OnIdle).
  void DoIdle();

  TExceptionEvent OnException;
  TIdleEvent OnIdle;
  TMessageEvent OnMessage;
  TNotifyEvent OnActivate, OnDeactivate, OnHint;

private:
  bool ProcessMessage(MSG& msg);
  void Idle(const MSG& msg);
  void WndProc(TMessage& m);
  String fTitle = "InterBase Vantorelle";
  String fHint;
  TCustomForm* fMainForm = nullptr;
  bool fTerminated = false;
  bool fActive = true;
  bool fShowHint = true;
  bool fHandlingException = false;
  HWND fHandle;
  THintWindow* fHintWindow = nullptr;
  TControl* fHintControl = nullptr;
  TIcon fIcon;
};

// ---- TScreen, TMouse ------------------------------------------------------------------------

class TScreen : public TComponent {
  VT_CLASS(TScreen, TComponent)
public:
  explicit TScreen(TComponent* AOwner);
  ~TScreen() override;

  TCursor Cursor() const;
  void SetCursor(TCursor v);
  HCURSOR Cursors(int index) const;
  void SetCursors(int index, HCURSOR h);
  int FormCount() const { return static_cast<int>(fForms.size()); }
  TCustomForm* Forms(int i) const { return fForms[i]; }
  int CustomFormCount() const { return FormCount(); }
  TCustomForm* CustomForms(int i) const { return Forms(i); }
  TCustomForm* ActiveForm() const { return fActiveForm; }
  TCustomForm* ActiveCustomForm() const { return fActiveForm; }
  TWinControl* ActiveControl() const { return fActiveControl; }
  int Width() const;
  int Height() const;
  TRect WorkAreaRect() const;
  TRect DesktopRect() const;
  int MonitorCount() const;
  int PixelsPerInch() const { return 96; }
  TFont* MenuFont() { return &fMenuFont; }
  TFont* IconFont() { return &fIconFont; }
  TFont* HintFont() { return &fHintFont; }
  TNotifyEvent OnActiveFormChange, OnActiveControlChange;

private:
  friend class TCustomForm;
  void AddForm(TCustomForm* f);
  void RemoveForm(TCustomForm* f);
  void SetActiveForm(TCustomForm* f);
  void SetActiveControl(TWinControl* c);
  std::vector<TCustomForm*> fForms;
  TCustomForm* fActiveForm = nullptr;
  TWinControl* fActiveControl = nullptr;
  TFont fMenuFont, fIconFont, fHintFont;
};

class TMouse {
public:
  TPoint CursorPos() const;
  void SetCursorPos(TPoint p);
  HWND Capture() const { return GetCapture(); }
  void SetCapture(HWND h);
  TControl* CaptureControl() const { return GetCaptureControl(); }
  int DragThreshold() const;
  void SetDragThreshold(int v) { fDragThreshold = v; }
  bool DragImmediate = true;
  int WheelScrollLines() const;
  bool MousePresent() const { return true; }
  bool WheelPresent() const { return true; }
  bool IsDragging() const { return ::IsDragging(); }

private:
  int fDragThreshold = -1;
};

extern TApplication* Application;
extern TScreen* Screen;
extern TMouse* Mouse;
