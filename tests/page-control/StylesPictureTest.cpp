// With VT_SCREENSHOT_DIR set (run alone, under a real X server) shows the OneNote and Slanted
// tab styles on the Qt shell, with captions across and along the tabs, and saves a picture of
// the screen there; otherwise skipped.

#include <gtest/gtest.h>

#include <cstdlib>

#include "page-control/kcPC.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/win/QtShell.h"

TEST(KcPCStylesPicture, OnTheScreen) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP() << "no VT_SCREENSHOT_DIR";
  EnsureShellApplication();
  Application->Initialize();
  InstallQtShell();
  {
    TForm form(nullptr);
    form.SetBounds(20, 20, 640, 420);
    form.SetCaption("Tab styles");
    struct Setup {
      int style;
      TkcTabPosition position;
      TRect bounds;
    } setups[] = {{10, tpTop, {10, 10, 620, 200}}, {9, tpLeft, {10, 210, 300, 400}}, {10, tpBottom, {320, 210, 620, 400}}};
    for (const Setup& s : setups) {
      auto* tc = new TkcTabControl(&form);
      tc->SetParent(&form);
      tc->SetBounds(s.bounds.left, s.bounds.top, s.bounds.right - s.bounds.left, s.bounds.bottom - s.bounds.top);
      tc->SetStyle(s.style);
      tc->SetTabPosition(s.position);
      tc->SetOptions(tc->Options() + TkcPCOptions{pcoGradient});
      for (const char* caption : {"General", "Plan", "Statistics", "Notes"}) tc->Tabs()->Add(caption);
      tc->Tabs()->GetTab(2)->SetColor(static_cast<TColor>(0x00A0D0F0));
      tc->SetTabIndex(1);
    }
    form.Show();
    // The window system shows and paints everything before the picture is taken.
    TTimer settle(nullptr);
    bool settled = false;
    settle.SetOnTimer([&settled](TObject*) { settled = true; });
    settle.SetInterval(900);
    do Application->HandleMessage();
    while (!settled);
    const String cmd = String("import -window root '") + dir + "/tabstyles.png'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    form.Hide();
  }
  RemoveQtShell();
}
