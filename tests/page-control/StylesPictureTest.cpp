// With VT_SCREENSHOT_DIR set (run alone, under a real X server) shows the OneNote, Slanted and
// Office11 tab styles on the Qt shell, with captions across and along the tabs, and scroll bars
// of each look and feel (their arrows), and saves a picture of the screen there; otherwise
// skipped.

#include <gtest/gtest.h>

#include <cstdlib>

#include "controls/kcScrollBar.h"
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
    form.SetBounds(20, 20, 760, 620);
    form.SetCaption("Tab styles");
    struct Setup {
      int style;
      TkcTabPosition position;
      TRect bounds;
      bool rotate;
    } setups[] = {{10, tpTop, {10, 10, 620, 200}, false},
                  {9, tpLeft, {10, 210, 300, 400}, false},
                  {10, tpBottom, {320, 210, 620, 400}, false},
                  {8, tpLeft, {10, 410, 300, 600}, false},
                  {8, tpTop, {320, 410, 620, 600}, true}};
    for (const Setup& s : setups) {
      auto* tc = new TkcTabControl(&form);
      tc->SetParent(&form);
      tc->SetBounds(s.bounds.left, s.bounds.top, s.bounds.right - s.bounds.left, s.bounds.bottom - s.bounds.top);
      tc->SetStyle(s.style);
      tc->SetTabPosition(s.position);
      tc->SetRotate(s.rotate);
      tc->SetOptions(tc->Options() + TkcPCOptions{pcoGradient});
      for (const char* caption : {"General", "Plan", "Statistics", "Notes"}) tc->Tabs()->Add(caption);
      tc->Tabs()->GetTab(2)->SetColor(static_cast<TColor>(0x00A0D0F0));
      tc->SetTabIndex(1);
    }
    const TkcLookAndFeelKind looks[] = {lfFlat, lfStandard, lfUltraFlat, lfOffice11};
    for (int i = 0; i < 4; ++i) {
      for (TScrollBarKind kind : {sbVertical, sbHorizontal}) {
        auto* bar = new TkcScrollBar(&form);
        bar->SetParent(&form);
        bar->SetKind(kind);
        if (kind == sbVertical)
          bar->SetBounds(630 + 30 * i, 10, 17, 300);
        else
          bar->SetBounds(630, 330 + 30 * i, 120, 17);
        bar->LookAndFeel()->SetKind(looks[i]);
        bar->SetScrollParams(0, 99, 30, 20);
      }
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
