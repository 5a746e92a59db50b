// Theme manager, Office 2003 colours and look and feel: the handle cache and theme switch under
// a fake theme library, the scheme colours, the master chain and its announcements.

#include <gtest/gtest.h>

#include "FakeTheme.h"
#include "controls/kcLookAndFeel.h"
#include "controls/kcLookAndFeelPainters.h"
#include "controls/kcOffice11.h"
#include "platform/win/TestDriver.h"

TEST(KcThemeManager, WithoutThemeLibraryEverythingAnswersNo) {
  InitThemeManager();
  EXPECT_FALSE(HasThemeLibrary());
  EXPECT_FALSE(AreThemesAvailable());
  EXPECT_FALSE(IsThemeObjectAvailable(totButton));
  EXPECT_EQ(GetThemeHandle(totButton), HTHEME());
  EXPECT_EQ(CloseTheme(totButton), S_FALSE);
  EXPECT_FALSE(IsLunaOrRoyaleTheme());
  EXPECT_EQ(ThemeChangedReceiverWindow(), HWND());
}

TEST(KcThemeManager, HandleCacheClassListsAndThemeSwitch) {
  TTestSession session;
  TFakeTheme fake;
  TThemeScope scope(&fake);
  HTHEME button = GetThemeHandle(totButton);
  ASSERT_TRUE(button);
  EXPECT_EQ(GetThemeHandle(totButton, u"button"), button);  // same class list, any case
  EXPECT_EQ(fake.Opens, 1);
  HTHEME edit = GetThemeHandle(totButton, u"Edit");
  EXPECT_NE(edit, button);
  EXPECT_EQ(fake.Opens, 2);
  EXPECT_EQ(fake.Closes, 1);
  EXPECT_EQ(GetThemeHandle(totButton), edit);  // the stored class list stays
  EXPECT_TRUE(AreThemesAvailable(TkcThemedObjectTypes{totButton, totHeader}));
  EXPECT_TRUE(IsLunaOrRoyaleTheme());
  fake.FileName = u"D:\\royale.MSSTYLES";
  EXPECT_TRUE(IsLunaOrRoyaleTheme());
  fake.FileName = u"other.msstyles";
  EXPECT_FALSE(IsLunaOrRoyaleTheme());

  std::vector<int> order;
  TkcThemeChangedNotificator first, second;
  first.OnThemeChanged = [&] { order.push_back(1); };
  second.OnThemeChanged = [&] { order.push_back(2); };
  int opens = fake.Opens;
  fake.Active = FALSE;
  BroadcastSystemChange(TSystemChange::Theme);
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
  EXPECT_FALSE(AreThemesAvailable());  // the active flag was read again
  fake.Active = TRUE;
  BroadcastSystemChange(TSystemChange::Theme);
  EXPECT_EQ(fake.Opens, opens);  // reopened lazily
  EXPECT_TRUE(GetThemeHandle(totButton));
  EXPECT_EQ(fake.Opens, opens + 1);
  EXPECT_EQ(CloseTheme(totHeader), S_OK);
}

TEST(KcOffice11Colors, SchemeTablesAndSystemBlends) {
  TTestSession session;
  TFakeTheme fake;
  TThemeScope scope(&fake);
  TkcSystemPaletteChangedNotifier notifier;  // keeps the palette listener alive
  fake.FileName = u"C:\\x\\LUNA.MSSTYLES";
  fake.ColorName = u"HOMESTEAD";
  BroadcastSystemChange(TSystemChange::Colors);
  EXPECT_EQ(GetOffice11ColorScheme(), 2);
  EXPECT_TRUE(IsLunaColorScheme());
  EXPECT_EQ(Office11BorderColor, 0x5E8D75);
  EXPECT_EQ(Office11HeaderDarkLineColor, 0x588060);
  EXPECT_EQ(Office11GroupRowBandColor, 0xC9EEFD);
  EXPECT_EQ(Office11FilterBoxTextColor, clWhite);
  EXPECT_EQ(Office11GroupByBoxColor, MixColors(0x6B7760, 0x8FC4B5, 50));
  EXPECT_EQ(Office11TabLightColor, 0xDEF7F4);  // the tab painters' name for entry 0
  fake.ColorName = u"Metallic";
  BroadcastSystemChange(TSystemChange::Colors);
  EXPECT_EQ(GetOffice11ColorScheme(), 3);
  EXPECT_EQ(Office11SelectionColor, 0x94E6FB);
  fake.ColorName = u"NormalColor";
  BroadcastSystemChange(TSystemChange::Colors);
  EXPECT_EQ(TkcOffice11LookAndFeelPainter::Instance()->GetHeaderMiddleColor(), 0xF0CBB0);
  fake.FileName = u"C:\\x\\Aero.msstyles";
  BroadcastSystemChange(TSystemChange::Colors);
  EXPECT_EQ(GetOffice11ColorScheme(), 0);
  EXPECT_EQ(Office11BackgroundColor, clBtnFace);
  EXPECT_EQ(Office11GroupRowBandColor, clBtnFace);
  EXPECT_EQ(Office11HeaderLightLineColor, clWhite);
  EXPECT_EQ(Office11DisabledColor, clGrayText);
}

namespace {
struct Follower {
  TkcLookAndFeel lf{nullptr};
  std::vector<TkcLookAndFeelValues> changes;
  Follower() {
    lf.OnChanged = [this](TkcLookAndFeel*, TkcLookAndFeelValues v) { changes.push_back(v); };
  }
};
}  // namespace

TEST(KcLookAndFeel, DefaultsAndControllerRoundTrip) {
  Follower plain, local;
  local.lf.SetKind(lfFlat);
  local.changes.clear();
  EXPECT_EQ(plain.lf.Kind(), lfUltraFlat);
  EXPECT_FALSE(plain.lf.NativeStyle());
  EXPECT_EQ(plain.lf.MasterLookAndFeel(), RootLookAndFeel());
  {
    TkcLookAndFeelController controller(nullptr);
    controller.SetKind(lfOffice11);
    EXPECT_EQ(controller.Kind(), lfOffice11);
    EXPECT_EQ(plain.lf.Kind(), lfOffice11);
    ASSERT_EQ(plain.changes.size(), 1u);
    EXPECT_EQ(plain.changes[0], TkcLookAndFeelValues{lfvKind});
    EXPECT_TRUE(local.changes.empty());  // its own kind hides the root's
    controller.SetNativeStyle(true);
    ASSERT_EQ(local.changes.size(), 1u);
    EXPECT_EQ(local.changes[0], TkcLookAndFeelValues{lfvNativeStyle});
  }
  // The last controller gone: the root is back at its defaults.
  EXPECT_EQ(RootLookAndFeel()->Kind(), lfUltraFlat);
  EXPECT_FALSE(RootLookAndFeel()->NativeStyle());
  EXPECT_EQ(plain.lf.Kind(), lfUltraFlat);
  // A controller is never a listener of anything but the root.
  TkcLookAndFeelController controller(nullptr);
  plain.lf.AddListener(&controller);
  plain.changes.clear();
  plain.lf.SetKind(lfUltraFlat);  // already effective: assigned, nothing announced
  EXPECT_TRUE(plain.lf.AssignedValues().Contains(lfvKind));
  EXPECT_TRUE(plain.changes.empty());
}

TEST(KcLookAndFeel, MasterChainAndItsDestruction) {
  auto* master = new TkcLookAndFeel(nullptr);
  Follower follower;
  master->SetKind(lfStandard);
  follower.lf.SetMasterLookAndFeel(master);
  EXPECT_EQ(follower.lf.Kind(), lfStandard);
  ASSERT_EQ(follower.changes.size(), 1u);
  master->SetKind(lfFlat);
  EXPECT_EQ(follower.lf.Kind(), lfFlat);
  EXPECT_EQ(follower.changes.size(), 2u);
  follower.changes.clear();
  delete master;  // the follower falls back to the root and says so
  EXPECT_EQ(follower.lf.MasterLookAndFeel(), RootLookAndFeel());
  EXPECT_EQ(follower.lf.Kind(), lfUltraFlat);
  ASSERT_EQ(follower.changes.size(), 1u);
  EXPECT_EQ(follower.changes[0], TkcLookAndFeelValues{lfvKind});
  // Assign takes the stored values and the master.
  TkcLookAndFeel other(nullptr);
  other.SetKind(lfOffice11);
  follower.lf.Assign(&other);
  EXPECT_EQ(follower.lf.Kind(), lfOffice11);
  EXPECT_EQ(follower.lf.AssignedValues(), TkcLookAndFeelValues{lfvKind});
  follower.lf.Reset();
  EXPECT_EQ(follower.lf.Kind(), lfUltraFlat);
}

TEST(KcLookAndFeel, PainterChoice) {
  const TkcLookAndFeelKind kinds[] = {lfFlat, lfStandard, lfUltraFlat, lfStandard, lfOffice11};
  for (int code = 0; code < 5; ++code) EXPECT_EQ(StyleCodeToLookAndFeelKind(code), kinds[code]);
  TkcLookAndFeel lf(nullptr);
  lf.SetKind(lfStandard);
  lf.SetNativeStyle(true);
  EXPECT_EQ(lf.Painter(), TkcStandardLookAndFeelPainter::Instance());  // no themes
  TFakeTheme fake;
  TThemeScope scope(&fake);
  EXPECT_EQ(lf.Painter(), TkcWinXPLookAndFeelPainter::Instance());
  EXPECT_EQ(lf.GetAvailablePainterForType(totScrollBar), TkcWinXPLookAndFeelPainter::Instance());
  lf.SetNativeStyle(false);
  lf.SetKind(lfOffice11);
  EXPECT_EQ(lf.Painter(), TkcOffice11LookAndFeelPainter::Instance());
}

TEST(KcLookAndFeel, SystemColourChangeReachesPrimaryThenOrdinaryNotifiers) {
  TTestSession session;
  std::vector<std::string> order;
  TkcSystemPaletteChangedNotifier ordinary(false), primary(true);
  ordinary.OnSystemPaletteChanged = [&] { order.push_back("ordinary"); };
  primary.OnSystemPaletteChanged = [&] { order.push_back("primary"); };
  Follower follower;
  BroadcastSystemChange(TSystemChange::Colors);
  EXPECT_EQ(order, (std::vector<std::string>{"primary", "ordinary"}));
  ASSERT_FALSE(follower.changes.empty());
  EXPECT_EQ(follower.changes.back(), TkcLookAndFeelValues{lfvNativeStyle});
  // A failing notifier goes to the application's handler instead of out of the window procedure.
  int handled = 0;
  auto old = SetExceptionHandler([&](std::exception_ptr) { ++handled; });
  primary.OnSystemPaletteChanged = [] { throw Exception("boom"); };
  BroadcastSystemChange(TSystemChange::Colors);
  SetExceptionHandler(old);
  EXPECT_EQ(handled, 1);
}
