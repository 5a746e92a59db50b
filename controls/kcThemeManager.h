#pragma once
// Native themed drawing: one open theme handle per kind of themed control, whether themes are
// available, the theme switch (handles closed and reopened lazily, listeners told), and
// recognition of the two standard themes.

#include <string>

#include "platform/core/Classes.h"
#include "platform/win/UxTheme.h"

// The platform is always new enough for the theme library (when one is present).
constexpr bool IsWindowsXPOrLater = true;

enum TkcThemedObjectType {
  totButton,
  totClock,
  totComboBox,
  totEdit,
  totExplorerBar,
  totHeader,
  totListView,
  totMenu,
  totPage,
  totProgress,
  totRebar,
  totScrollBar,
  totSpin,
  totStartPanel,
  totStatus,
  totTab,
  totTaskBand,
  totTaskBar,
  totToolBar,
  totToolTip,
  totTrackBar,
  totTrayNotify,
  totTreeView,
  totWindow
};
constexpr int kcThemedObjectTypeCount = 24;
using TkcThemedObjectTypes = TSet<TkcThemedObjectType, kcThemedObjectTypeCount>;

// The theme class name of a type ("Button", ...).
const char16_t* ThemedObjectClassName(TkcThemedObjectType AType);

bool AreThemesAvailable(TkcThemedObjectTypes ATypes = {});
bool IsThemeObjectAvailable(TkcThemedObjectType AType);
// 0 when themes are not available; a class list differing (ignoring case) from the one the
// handle was opened with reopens it.
HTHEME GetThemeHandle(TkcThemedObjectType AType, const char16_t* AClassList = nullptr);
HRESULT CloseTheme(TkcThemedObjectType AType);
void CloseAllThemes();
bool IsLunaOrRoyaleTheme();
// The file name, without folder, of the current theme in upper case; empty on failure.
std::u16string CurrentThemeFileName(std::u16string* AColorName = nullptr);

// Told after a theme switch, in registration order.
class TkcThemeChangedNotificator : public TObject {
  VT_CLASS(TkcThemeChangedNotificator, TObject)
public:
  TkcThemeChangedNotificator();
  ~TkcThemeChangedNotificator() override;
  TEvent<void()> OnThemeChanged;
};

// Reads the provider again: the themes-active flag, the receiver window and the handles. The
// start-up does it once; tests call it after installing a provider.
void InitThemeManager();
// The hidden window that receives WM_THEMECHANGED (0 without a theme library).
HWND ThemeChangedReceiverWindow();
