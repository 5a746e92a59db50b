#include "controls/kcThemeManager.h"

#include <algorithm>
#include <vector>

#include "platform/core/Utf8.h"
#include "platform/win/Windows.h"

namespace {

const char16_t* const kClassNames[kcThemedObjectTypeCount] = {
    u"Button",   u"Clock",    u"ComboBox", u"Edit",      u"ExplorerBar", u"Header",     u"ListView", u"Menu",
    u"Page",     u"Progress", u"Rebar",    u"ScrollBar", u"Spin",        u"StartPanel", u"Status",   u"Tab",
    u"TaskBand", u"TaskBar",  u"ToolBar",  u"ToolTip",   u"TrackBar",    u"TrayNotify", u"TreeView", u"Window"};

struct ThemeData {
  HTHEME handle;
  std::u16string classList;
};

struct ThemeManager {
  ThemeData data[kcThemedObjectTypeCount];
  bool active = false;
  HWND receiver;
  std::vector<TkcThemeChangedNotificator*> notificators;
  bool initialized = false;
};

ThemeManager& Manager() {
  static ThemeManager m;
  return m;
}

void ReceiverWndProc(TMessage& Message);

void EnsureInitialized() {
  ThemeManager& m = Manager();
  if (m.initialized && (!HasThemeLibrary() || IsWindow(m.receiver))) return;
  m.initialized = true;
  if (!HasThemeLibrary()) {
    m.active = false;
    return;
  }
  m.active = IsThemeActive();
  if (!IsWindow(m.receiver)) m.receiver = AllocateHWnd(ReceiverWndProc);
}

std::u16string UpperAscii(std::u16string s) {
  for (auto& c : s)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  return s;
}

void ReceiverWndProc(TMessage& Message) {
  ThemeManager& m = Manager();
  HWND wnd = m.receiver;
  if (Message.Msg != WM_THEMECHANGED) {
    Message.Result = DefWindowProc(wnd, Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  try {
    CloseAllThemes();
    DefWindowProc(wnd, Message.Msg, Message.WParam, Message.LParam);
    m.active = IsThemeActive();
    Message.Result = 0;
    auto list = m.notificators;
    for (auto* n : list)
      if (std::find(m.notificators.begin(), m.notificators.end(), n) != m.notificators.end() && n->OnThemeChanged)
        n->OnThemeChanged();
  } catch (...) {
    HandleException(std::current_exception());
  }
}

}  // namespace

const char16_t* ThemedObjectClassName(TkcThemedObjectType AType) { return kClassNames[AType]; }

void InitThemeManager() {
  ThemeManager& m = Manager();
  for (auto& d : m.data) d = ThemeData{};
  m.initialized = false;
  EnsureInitialized();
}

HWND ThemeChangedReceiverWindow() {
  EnsureInitialized();
  return Manager().receiver;
}

bool AreThemesAvailable(TkcThemedObjectTypes ATypes) {
  EnsureInitialized();
  if (!Manager().active || !HasThemeLibrary()) return false;
  for (int t = 0; t < kcThemedObjectTypeCount; ++t)
    if (ATypes.Contains(TkcThemedObjectType(t)) && !GetThemeHandle(TkcThemedObjectType(t))) return false;
  return true;
}

bool IsThemeObjectAvailable(TkcThemedObjectType AType) { return AreThemesAvailable() && GetThemeHandle(AType); }

HTHEME GetThemeHandle(TkcThemedObjectType AType, const char16_t* AClassList) {
  if (!AreThemesAvailable()) return HTHEME();
  ThemeData& d = Manager().data[AType];
  if (d.handle) {
    if (!AClassList || UpperAscii(AClassList) == UpperAscii(d.classList)) return d.handle;
    CloseTheme(AType);
  }
  std::u16string classList = AClassList ? AClassList : !d.classList.empty() ? d.classList : kClassNames[AType];
  d.handle = OpenThemeData(HWND(), classList);
  if (d.handle)
    d.classList = classList;
  else
    d.classList.clear();
  return d.handle;
}

HRESULT CloseTheme(TkcThemedObjectType AType) {
  if (!AreThemesAvailable()) return S_FALSE;
  ThemeData& d = Manager().data[AType];
  if (!d.handle) return S_OK;
  HRESULT result = CloseThemeData(d.handle);
  d.handle = HTHEME();
  d.classList.clear();
  return result;
}

void CloseAllThemes() {
  for (auto& d : Manager().data)
    if (d.handle) {
      CloseThemeData(d.handle);
      d.handle = HTHEME();
    }
}

std::u16string CurrentThemeFileName(std::u16string* AColorName) {
  std::u16string file, color, size;
  if (!AreThemesAvailable() || GetCurrentThemeName(&file, &color, &size) != S_OK) return {};
  auto slash = file.find_last_of(u"\\/");
  if (slash != std::u16string::npos) file = file.substr(slash + 1);
  if (AColorName) *AColorName = UpperAscii(color);
  return UpperAscii(file);
}

bool IsLunaOrRoyaleTheme() {
  std::u16string file = CurrentThemeFileName();
  return file == u"LUNA.MSSTYLES" || file == u"ROYALE.MSSTYLES";
}

TkcThemeChangedNotificator::TkcThemeChangedNotificator() {
  if (HasThemeLibrary()) Manager().notificators.push_back(this);
}

TkcThemeChangedNotificator::~TkcThemeChangedNotificator() {
  auto& list = Manager().notificators;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}
