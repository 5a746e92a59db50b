// The Qt host of the window layer.

#include "platform/win/QtShell.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCursor>
#include <QDropEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMetaEnum>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <memory>
#include <map>

#include "platform/core/Utf8.h"
#include "platform/gdi/GuiApplication.h"
#include "platform/win/ShellApi.h"
#include "platform/win/WinCoreInternal.h"

namespace {

// Depth of host painting in progress (Qt's paint events do not nest).
int gPainting = 0;

// Runs one entry from Qt; exceptions go to the application's handler.
template <typename F>
void Guard(F&& f) {
  try {
    f();
  } catch (...) {
    HandleException(std::current_exception());
  }
}

class THostWidget : public QWidget {
public:
  THostWidget(HWND wnd, Qt::WindowFlags flags) : QWidget(nullptr, flags), AppliedFlags(flags), fWnd(wnd) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    // Whether a drop is taken is decided per window of ours under the pointer.
    setAcceptDrops(true);
  }
  HWND Wnd() const { return fWnd; }
  // The flags last asked for: windowFlags() answers them with hints Qt adds, so comparing with
  // it would change the flags (and unmap and map the window) at every move.
  Qt::WindowFlags AppliedFlags;
  int PaintCount = 0;

protected:
  void paintEvent(QPaintEvent* e) override {
    ++PaintCount;
    // Qt's painting must not be re-entered: handlers that peek meanwhile take only our queue.
    struct Painting {
      Painting() { ++gPainting; }
      ~Painting() { --gPainting; }
    } painting;
    // Pending painting first, so that a newly shown window shows its picture.
    Guard([] { win::PaintAllNow(); });
    std::shared_ptr<Surface> s = win::TopSurface(fWnd);
    if (!s || s->Empty()) return;
    QPainter p(this);
    QImage img(reinterpret_cast<const uchar*>(s->Bits()), s->Width(), s->Height(), s->StrideBytes(),
               QImage::Format_RGB32);
    p.drawImage(e->rect(), img, e->rect());
    win::TCaretState c = win::CaretState();
    if (c.visible && win::TopLevelOf(c.wnd) == fWnd) {
      POINT o = win::ClientOriginOnSurface(c.wnd);
      p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
      p.fillRect(QRect(o.x + c.rect.left, o.y + c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top),
                 Qt::white);
    }
  }
  QVariant inputMethodQuery(Qt::InputMethodQuery query) const override {
    if (query == Qt::ImCursorRectangle) {
      win::TCaretState c = win::CaretState();
      if (c.wnd && win::TopLevelOf(c.wnd) == fWnd) {
        POINT o = win::ClientOriginOnSurface(c.wnd);
        return QRect(o.x + c.rect.left, o.y + c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top);
      }
    }
    return QWidget::inputMethodQuery(query);
  }

private:
  HWND fWnd;
};

QCursor MakeArrowCursor(int direction) {
  // Generated pictures for the program's directional cursors: a filled triangle.
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(Qt::black);
  p.setBrush(Qt::white);
  QPolygon tri;
  switch (direction) {
    case 0: tri << QPoint(16, 4) << QPoint(8, 16) << QPoint(24, 16); break;   // up
    case 1: tri << QPoint(28, 16) << QPoint(16, 8) << QPoint(16, 24); break;  // right
    case 2: tri << QPoint(16, 28) << QPoint(8, 16) << QPoint(24, 16); break;  // down
    default: tri << QPoint(4, 16) << QPoint(16, 8) << QPoint(16, 24); break;  // left
  }
  p.drawPolygon(tri);
  p.drawEllipse(QPoint(16, 16), 2, 2);
  return QCursor(pm, 16, 16);
}

QCursor MakeRemoveCursor() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setPen(QPen(Qt::black, 3));
  p.drawLine(6, 6, 22, 22);
  p.drawLine(22, 6, 6, 22);
  return QCursor(pm, 14, 14);
}

QCursor CursorFor(int id) {
  switch (id) {
    case IDC_IBEAM: return Qt::IBeamCursor;
    case IDC_WAIT: return Qt::WaitCursor;
    case IDC_CROSS: return Qt::CrossCursor;
    case IDC_UPARROW: return Qt::UpArrowCursor;
    case IDC_SIZENWSE: return Qt::SizeFDiagCursor;
    case IDC_SIZENESW: return Qt::SizeBDiagCursor;
    case IDC_SIZEWE: return Qt::SizeHorCursor;
    case IDC_SIZENS: return Qt::SizeVerCursor;
    case IDC_SIZEALL: return Qt::SizeAllCursor;
    case IDC_NO: return Qt::ForbiddenCursor;
    case IDC_HAND: return Qt::PointingHandCursor;
    case IDC_APPSTARTING: return Qt::BusyCursor;
    case IDC_HELP: return Qt::WhatsThisCursor;
    case 2100: return Qt::DragCopyCursor;
    case 2101: return Qt::SizeAllCursor;
    case 2102: return Qt::SizeHorCursor;
    case 2103: return Qt::SizeVerCursor;
    case 2104: return MakeArrowCursor(0);
    case 2105: return MakeArrowCursor(1);
    case 2106: return MakeArrowCursor(2);
    case 2107: return MakeArrowCursor(3);
    case 2108: return MakeRemoveCursor();
    case 2109: return Qt::SplitVCursor;
    case 2110: return Qt::SplitHCursor;
    case 2111: return Qt::DragMoveCursor;
    case 2112: return Qt::ForbiddenCursor;
    case 2113: return Qt::DragMoveCursor;
  }
  return Qt::ArrowCursor;
}

class TQtBackend : public QObject, public win::TBackend {
public:
  TQtBackend() {
    fDispatcher = QAbstractEventDispatcher::instance(QCoreApplication::instance()->thread());
    fTimer.setSingleShot(true);
    qApp->installEventFilter(this);
    for (HWND h : win::TopLevelWindows()) {
      WindowCreated(h);
      WindowChanged(h);
    }
  }
  ~TQtBackend() override {
    qApp->removeEventFilter(this);
    for (auto& [k, w] : fHosts) delete w;
  }

  THostWidget* Host(HWND wnd) {
    auto it = fHosts.find(wnd.value);
    return it == fHosts.end() ? nullptr : it->second;
  }

  void WaitForEvents(int timeoutMs) override {
    if (timeoutMs >= 0) fTimer.start(timeoutMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents);
  }
  void PollEvents() override {
    if (gPainting) return;
    // Only what is pending: input, close requests, expose and update requests, Qt's timers.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
  }
  void Wake() override {
    if (fDispatcher) fDispatcher->wakeUp();
  }

  void WindowCreated(HWND wnd) override {
    // Child windows are drawn on their top-level's surface: no widget of their own (one made
    // here would never be shown nor freed, as only top-levels are reported destroyed).
    win::WindowRec* r = win::Find(wnd);
    if (!r || r->parent || Host(wnd) || GetClassName(wnd) == "TPUtilWindow") return;
    fHosts[wnd.value] = new THostWidget(wnd, FlagsFor(wnd));
  }
  void WindowDestroyed(HWND wnd) override {
    auto it = fHosts.find(wnd.value);
    if (it == fHosts.end()) return;
    THostWidget* w = it->second;
    fHosts.erase(it);
    w->hide();
    w->deleteLater();
  }
  void WindowChanged(HWND wnd) override {
    THostWidget* w = Host(wnd);
    if (!w) return;
    fSyncing = true;
    Qt::WindowFlags flags = FlagsFor(wnd);
    if (w->AppliedFlags != flags) {
      w->AppliedFlags = flags;
      w->setWindowFlags(flags);
    }
    RECT r;
    GetWindowRect(wnd, &r);
    QRect g(r.left, r.top, r.right - r.left, r.bottom - r.top);
    if (w->geometry() != g) w->setGeometry(g);
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    if (GetWindowRgn(wnd, rgn) != ERROR)
      w->setMask(win::RegionFromHRGN(rgn));
    else
      w->clearMask();
    DeleteObject(rgn);
    HWND owner = GetWindow(wnd, GW_OWNER);
    if (THostWidget* o = Host(owner); o && w->windowHandle() && o->windowHandle())
      w->windowHandle()->setTransientParent(o->windowHandle());
    if (win::WindowRec* rec = win::Find(wnd)) {
      const QString title = QString::fromStdString(rec->text);
      if (w->windowTitle() != title) w->setWindowTitle(title);
    }
    bool visible = IsWindowVisible(wnd);
    if (visible && !w->isVisible()) {
      w->show();
    } else if (!visible && w->isVisible()) {
      w->hide();
    }
    if (visible) w->raise();
    fSyncing = false;
  }
  void SurfaceChanged(HWND wnd, const RECT& r) override {
    if (THostWidget* w = Host(wnd)) w->update(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
  }
  void CursorChanged(HCURSOR cursor) override {
    HWND under = win::TopLevelOf(WindowFromPoint(win::CursorPos()));
    if (THostWidget* w = Host(under)) w->setCursor(CursorFor(win::CursorId(cursor)));
  }
  void CaptureChanged(HWND wnd) override {
    if (fGrabbed) {
      fGrabbed->releaseMouse();
      fGrabbed = nullptr;
    }
    THostWidget* w = Host(win::TopLevelOf(wnd));
    if (w && w->isVisible() && QGuiApplication::platformName() != "offscreen") {
      w->grabMouse();
      fGrabbed = w;
    }
  }
  void FocusChanged(HWND wnd) override {
    THostWidget* w = Host(win::TopLevelOf(wnd));
    if (w && w->isActiveWindow() && !w->hasFocus()) w->setFocus();
  }
  void CaretChanged() override {
    win::TCaretState c = win::CaretState();
    if (THostWidget* w = Host(win::TopLevelOf(c.wnd))) w->update();
  }
  void Beep() override { QApplication::beep(); }

protected:
  bool eventFilter(QObject* obj, QEvent* e) override {
    if (e->type() == QEvent::ApplicationStateChange) {
      bool active = QGuiApplication::applicationState() == Qt::ApplicationActive;
      Guard([&] { win::SetApplicationActive(active); });
      return false;
    }
    if (e->type() == QEvent::ApplicationPaletteChange && obj == qApp) {
      Guard([] { BroadcastSystemChange(TSystemChange::Colors); });
      return false;
    }
    if (e->type() == QEvent::ThemeChange && obj == qApp) {
      Guard([] { BroadcastSystemChange(TSystemChange::Theme); });
      return false;
    }
    auto* host = dynamic_cast<THostWidget*>(obj);
    if (!host) return false;
    bool eaten = false;
    Guard([&] { eaten = Translate(host, e); });
    return eaten;
  }

private:
  static Qt::WindowFlags FlagsFor(HWND wnd) {
    DWORD style = static_cast<DWORD>(GetWindowLong(wnd, GWL_STYLE));
    DWORD ex = static_cast<DWORD>(GetWindowLong(wnd, GWL_EXSTYLE));
    Qt::WindowFlags f;
    if ((style & WS_CAPTION) == WS_CAPTION) {
      f = Qt::Window;
    } else {
      // Popups: non-activating tool windows placed by us.
      f = Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
    }
    if (ex & WS_EX_TOPMOST) f |= Qt::WindowStaysOnTopHint;
    return f;
  }

  static POINT Global(const QPointF& p) {
    return POINT{static_cast<LONG>(std::floor(p.x())), static_cast<LONG>(std::floor(p.y()))};
  }

  // The local files a drag carries, as paths in the file system's own bytes.
  static std::vector<String> DroppedFiles(const QMimeData* mime) {
    std::vector<String> files;
    if (mime && mime->hasUrls())
      for (const QUrl& u : mime->urls())
        if (u.isLocalFile())  // from the encoded form, so bytes that are no UTF-8 survive
          files.push_back(QByteArray::fromPercentEncoding(u.path(QUrl::FullyEncoded).toLatin1()).toStdString());
    return files;
  }

  static POINT DropPoint(THostWidget* host, const QPointF& local) {
    RECT wr;
    GetWindowRect(host->Wnd(), &wr);
    POINT p = Global(local);
    return POINT{wr.left + p.x, wr.top + p.y};
  }

  static win::TMouseButtonKind ButtonOf(Qt::MouseButton b) {
    switch (b) {
      case Qt::LeftButton: return win::TMouseButtonKind::Left;
      case Qt::RightButton: return win::TMouseButtonKind::Right;
      case Qt::MiddleButton: return win::TMouseButtonKind::Middle;
      default: return win::TMouseButtonKind::None;
    }
  }

  bool Translate(THostWidget* host, QEvent* e) {
    switch (e->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:  // double clicks are ours to detect
      case QEvent::MouseButtonRelease:
      case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(e);
        // Host-local position plus our idea of the host's place: the screen as we know it.
        RECT wr;
        GetWindowRect(host->Wnd(), &wr);
        POINT local = Global(me->position());
        POINT pt{wr.left + local.x, wr.top + local.y};
        win::TMouseAction action = e->type() == QEvent::MouseMove            ? win::TMouseAction::Move
                                   : e->type() == QEvent::MouseButtonRelease ? win::TMouseAction::Up
                                                                             : win::TMouseAction::Down;
        win::TMouseButtonKind b =
            action == win::TMouseAction::Move ? win::TMouseButtonKind::None : ButtonOf(me->button());
        if (action != win::TMouseAction::Move && b == win::TMouseButtonKind::None) return true;
        win::InjectMouse(action, b, pt);
        return true;
      }
      case QEvent::Wheel: {
        auto* we = static_cast<QWheelEvent*>(e);
        int delta = we->angleDelta().y();
        if (delta != 0)
          win::InjectMouse(win::TMouseAction::Wheel, win::TMouseButtonKind::None, win::CursorPos(), delta);
        return true;
      }
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        auto* ke = static_cast<QKeyEvent*>(e);
        WORD vk = VirtualKeyFromQtKey(ke->key(), ke->modifiers() & Qt::KeypadModifier);
        if (vk == 0 && ke->text().isEmpty()) return true;
        String text;
        if (e->type() == QEvent::KeyPress && !(ke->modifiers() & Qt::ControlModifier)) {
          QString t = ke->text();
          // Control characters come from TranslateMessage's own rules.
          if (!t.isEmpty() && t.at(0).unicode() >= 32 && t.at(0).unicode() != 127) text = t.toStdString();
        }
        win::InjectKey(vk, e->type() == QEvent::KeyPress, std::move(text));
        return true;
      }
      case QEvent::InputMethod: {
        auto* ie = static_cast<QInputMethodEvent*>(e);
        HWND target = GetFocus();
        if (target)
          for (char32_t c : Utf8ToUcs4(ie->commitString().toStdString()))
            PostMessage(target, WM_CHAR, static_cast<WPARAM>(c), 1);
        return true;
      }
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* de = static_cast<QDropEvent*>(e);
        if (FileDropTarget(DropPoint(host, de->position())) && !DroppedFiles(de->mimeData()).empty()) {
          de->setDropAction(Qt::CopyAction);
          de->accept();
        } else {
          de->ignore();
        }
        return true;
      }
      case QEvent::Drop: {
        auto* de = static_cast<QDropEvent*>(e);
        if (PostFileDrop(DropPoint(host, de->position()), DroppedFiles(de->mimeData()))) {
          de->setDropAction(Qt::CopyAction);
          de->accept();
        } else {
          de->ignore();
        }
        return true;
      }
      case QEvent::Close:
        e->ignore();
        SendMessage(host->Wnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
        return true;
      case QEvent::WindowActivate:
        // A disabled window (the owner of a modal dialog) is never made active, as on Windows:
        // taking it would hand activation back and forth with the dialog.
        if (IsWindow(host->Wnd()) && GetActiveWindow() != host->Wnd() && IsWindowEnabled(host->Wnd()) &&
            !(GetWindowLong(host->Wnd(), GWL_EXSTYLE) & WS_EX_NOACTIVATE) &&
            (static_cast<DWORD>(GetWindowLong(host->Wnd(), GWL_STYLE)) & WS_CAPTION) == WS_CAPTION)
          SetActiveWindow(host->Wnd());
        return false;
      case QEvent::WindowStateChange:
        // The user minimised or restored the window: only the style follows, the window stays.
        if (win::WindowRec* r = win::Find(host->Wnd())) {
          if (host->isMinimized())
            r->style |= WS_MINIMIZE;
          else
            r->style &= ~WS_MINIMIZE;
        }
        return false;
      case QEvent::Move:
      case QEvent::Resize:
        if (!fSyncing && host->isVisible()) {
          RECT wr;
          GetWindowRect(host->Wnd(), &wr);
          QRect g = host->geometry();
          if (g != QRect(wr.left, wr.top, wr.right - wr.left, wr.bottom - wr.top))
            SetWindowPos(host->Wnd(), {}, g.x(), g.y(), g.width(), g.height(), SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return false;
      default: return false;
    }
  }

  std::map<std::uintptr_t, THostWidget*> fHosts;
  QAbstractEventDispatcher* fDispatcher = nullptr;
  QTimer fTimer;
  QWidget* fGrabbed = nullptr;
  bool fSyncing = false;
};

TQtBackend* gShell = nullptr;

}  // namespace

void InstallQtShell() {
  if (gShell || !QCoreApplication::instance()) return;
  gShell = new TQtBackend();
  win::SetBackend(gShell);
}

void RemoveQtShell() {
  if (!gShell) return;
  win::SetBackend(nullptr);
  delete gShell;
  gShell = nullptr;
}

QWidget* HostWidget(HWND wnd) { return gShell ? gShell->Host(wnd) : nullptr; }

int RunMessageLoop() {
  MSG m;
  for (;;) {
    int r = GetMessage(&m, {}, 0, 0);
    if (r == 0) return static_cast<int>(m.wParam);
    if (r < 0) return -1;
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
}

void PreparePlatformPlugin() {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "xcb", 0);
}

WORD VirtualKeyFromQtKey(int key, bool keypad) {
  if (keypad && key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<WORD>(VK_NUMPAD0 + (key - Qt::Key_0));
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return static_cast<WORD>(key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<WORD>(VK_F1 + (key - Qt::Key_F1));
  static const std::map<int, WORD> kKeys = {
      {Qt::Key_Escape, VK_ESCAPE},     {Qt::Key_Tab, VK_TAB},         {Qt::Key_Backtab, VK_TAB},
      {Qt::Key_Backspace, VK_BACK},    {Qt::Key_Return, VK_RETURN},   {Qt::Key_Enter, VK_RETURN},
      {Qt::Key_Insert, VK_INSERT},     {Qt::Key_Delete, VK_DELETE},   {Qt::Key_Pause, VK_PAUSE},
      {Qt::Key_Print, VK_SNAPSHOT},    {Qt::Key_Clear, VK_CLEAR},     {Qt::Key_Home, VK_HOME},
      {Qt::Key_End, VK_END},           {Qt::Key_Left, VK_LEFT},       {Qt::Key_Up, VK_UP},
      {Qt::Key_Right, VK_RIGHT},       {Qt::Key_Down, VK_DOWN},       {Qt::Key_PageUp, VK_PRIOR},
      {Qt::Key_PageDown, VK_NEXT},     {Qt::Key_Shift, VK_SHIFT},     {Qt::Key_Control, VK_CONTROL},
      {Qt::Key_Alt, VK_MENU},          {Qt::Key_AltGr, VK_MENU},      {Qt::Key_Meta, VK_LWIN},
      {Qt::Key_CapsLock, VK_CAPITAL},  {Qt::Key_NumLock, VK_NUMLOCK}, {Qt::Key_ScrollLock, VK_SCROLL},
      {Qt::Key_Space, VK_SPACE},       {Qt::Key_Menu, VK_APPS},       {Qt::Key_Help, VK_HELP},
      {Qt::Key_Asterisk, '8'},        {Qt::Key_Plus, 0xBB},          {Qt::Key_Semicolon, 0xBA},
      {Qt::Key_Equal, 0xBB},           {Qt::Key_Comma, 0xBC},         {Qt::Key_Minus, 0xBD},
      {Qt::Key_Period, 0xBE},          {Qt::Key_Slash, 0xBF},         {Qt::Key_QuoteLeft, 0xC0},
      {Qt::Key_BracketLeft, 0xDB},     {Qt::Key_Backslash, 0xDC},     {Qt::Key_BracketRight, 0xDD},
      {Qt::Key_Apostrophe, 0xDE},
  };
  auto it = kKeys.find(key);
  if (it == kKeys.end()) return 0;
  if (keypad) {
    // Only the keypad's keys are the arithmetic keys: a typed "*" is Shift+8, not numpad *.
    if (key == Qt::Key_Asterisk) return VK_MULTIPLY;
    if (key == Qt::Key_Plus) return VK_ADD;
    if (key == Qt::Key_Minus) return VK_SUBTRACT;
    if (key == Qt::Key_Slash) return VK_DIVIDE;
    if (key == Qt::Key_Period) return VK_DECIMAL;
  }
  return it->second;
}

WORD VirtualKeyFromQtKeyName(const char* keyName, bool keypad) {
  bool ok = false;
  int key = QMetaEnum::fromType<Qt::Key>().keyToValue(keyName, &ok);
  return ok ? VirtualKeyFromQtKey(key, keypad) : 0;
}

void EnsureShellApplication() {
  if (QCoreApplication::instance()) return;
  TGuiApplicationArgs a = PrepareGuiApplicationArgs();
  new QApplication(*a.argc, a.argv);  // never destroyed, as EnsureGuiApplication's
}

bool QtShellHasHost(HWND topLevel) { return HostWidget(topLevel) != nullptr; }

bool QtShellHostVisible(HWND topLevel) {
  QWidget* host = HostWidget(topLevel);
  return host && host->isVisible();
}

RECT QtShellHostRect(HWND topLevel) {
  QWidget* host = HostWidget(topLevel);
  if (!host) return RECT{};
  QRect g = host->geometry();
  return RECT{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
}

namespace {
// A press (down) or release of one button (VK_LBUTTON, VK_RBUTTON or VK_MBUTTON) at a point of
// the host (the top-level window's own coordinates).
std::unique_ptr<QMouseEvent> ClickEvent(QWidget* host, POINT windowPoint, int button, bool down) {
  const Qt::MouseButton b =
      button == VK_RBUTTON ? Qt::RightButton : button == VK_MBUTTON ? Qt::MiddleButton : Qt::LeftButton;
  const QPointF local(windowPoint.x, windowPoint.y);
  const QPointF global = QPointF(host->geometry().topLeft()) + local;
  return std::make_unique<QMouseEvent>(down ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, local, global,
                                       b, down ? b : Qt::NoButton, Qt::NoModifier);
}
}  // namespace

bool QtShellSendMouseClick(HWND topLevel, POINT windowPoint, int button) {
  QWidget* host = HostWidget(topLevel);
  if (!host) return false;
  QApplication::sendEvent(host, ClickEvent(host, windowPoint, button, true).get());
  QApplication::sendEvent(host, ClickEvent(host, windowPoint, button, false).get());
  return true;
}

bool QtShellPostMouseClick(HWND topLevel, POINT windowPoint, int button) {
  QWidget* host = HostWidget(topLevel);
  if (!host) return false;
  QCoreApplication::postEvent(host, ClickEvent(host, windowPoint, button, true).release());
  QCoreApplication::postEvent(host, ClickEvent(host, windowPoint, button, false).release());
  return true;
}

namespace {
// A key event for the Qt::Key enumerator named `keyName`; null for an unknown name.
std::unique_ptr<QKeyEvent> NamedKeyEvent(const char* keyName, bool down, const String& text) {
  bool ok = false;
  const int key = QMetaEnum::fromType<Qt::Key>().keyToValue(keyName, &ok);
  if (!ok) return nullptr;
  return std::make_unique<QKeyEvent>(down ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier,
                                     QString::fromStdString(text));
}
}  // namespace

bool QtShellPostKey(HWND topLevel, const char* keyName, bool down) {
  QWidget* host = HostWidget(topLevel);
  std::unique_ptr<QKeyEvent> e = NamedKeyEvent(keyName, down, {});
  if (!host || !e) return false;
  QCoreApplication::postEvent(host, e.release());
  return true;
}

bool QtShellSendKey(HWND topLevel, const char* keyName, bool down, const String& text) {
  QWidget* host = HostWidget(topLevel);
  std::unique_ptr<QKeyEvent> e = NamedKeyEvent(keyName, down, text);
  if (!host || !e) return false;
  QApplication::sendEvent(host, e.get());
  return true;
}

bool QtShellPostClose(HWND topLevel) {
  QWidget* host = HostWidget(topLevel);
  if (!host) return false;
  QCoreApplication::postEvent(host, new QCloseEvent());
  return true;
}

bool QtShellPostRepaint(HWND topLevel) {
  QWidget* host = HostWidget(topLevel);
  if (!host) return false;
  host->update();
  return true;
}

int QtShellHostPaintCount(HWND topLevel) {
  auto* host = static_cast<THostWidget*>(HostWidget(topLevel));
  return host ? host->PaintCount : 0;
}

bool QtShellSendClose(HWND topLevel) {
  QWidget* host = HostWidget(topLevel);
  if (!host) return false;
  QCloseEvent close;
  QApplication::sendEvent(host, &close);
  return true;
}

COLORREF QtShellHostPixel(HWND topLevel, POINT windowPoint) {
  QWidget* host = HostWidget(topLevel);
  if (!host) return CLR_INVALID;
  QImage shot = host->grab().toImage();
  if (!shot.valid(windowPoint.x, windowPoint.y)) return CLR_INVALID;
  QColor c = shot.pixelColor(windowPoint.x, windowPoint.y);
  return RGB(static_cast<BYTE>(c.red()), static_cast<BYTE>(c.green()), static_cast<BYTE>(c.blue()));
}

bool QtShellSendFileDrop(HWND topLevel, POINT windowPoint, const std::vector<String>& paths) {
  QWidget* host = HostWidget(topLevel);
  if (!host) return false;
  QList<QUrl> urls;
  for (const String& p : paths)
    urls.push_back(
        QUrl::fromEncoded("file://" + QByteArray::fromStdString(p).toPercentEncoding("/"), QUrl::StrictMode));
  QMimeData mime;
  mime.setUrls(urls);
  const QPointF local(windowPoint.x, windowPoint.y);
  QDragEnterEvent enter(local.toPoint(), Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(host, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(local, Qt::CopyAction, &mime, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(host, &drop);
  return drop.isAccepted();
}
