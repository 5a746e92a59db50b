#include <gtest/gtest.h>
#include <chrono>
#include <thread>
#include "page-control/kcPC.h"
#include "platform/forms/Forms.h"
#include "platform/win/QtShell.h"

TEST(Shot, Styles) {
  if (!getenv("PC_SHOT")) GTEST_SKIP();
  EnsureShellApplication();
  InstallQtShell();
  TForm form(nullptr);
  form.SetBounds(0, 0, 1000, 520);
  form.SetCaption("Tab styles");
  const int styles[] = {1, 2, 3, 5, 6, 8, 7, 9, 10};
  for (int i = 0; i < 9; ++i) {
    auto* pc = new TkcPageControl(&form);
    pc->SetParent(&form);
    pc->SetBounds(10 + (i % 3) * 330, 10 + (i / 3) * 165, 320, 155);
    pc->SetStyle(styles[i]);
    if (i == 4) pc->SetTabPosition(tpBottom);
    if (i == 6) pc->SetTabPosition(tpLeft);
    if (i == 3) pc->SetOptions(pc->Options() + TkcPCOptions{pcoGoDialog, pcoCloseButton});
    const char* caps[] = {"General", "Plan", "Statistics", "Reads", "History", "Options", "Äpfel & Birnen"};
    for (int k = 0; k < (i == 3 ? 7 : 4); ++k) {
      auto* p = new TkcTabSheet(&form);
      p->SetCaption(caps[k]);
      p->SetPageControl(pc);
    }
    pc->Tabs()->GetTab(2)->SetEnabled(false);
    if (i == 1) pc->Tabs()->GetTab(3)->SetSelected(true);
    pc->SetActivePage(pc->Pages(1));
  }
  form.Show();
  SetTimer(0, 0, 4000, [](HWND, UINT, UINT_PTR, DWORD) { PostQuitMessage(0); });
  RunMessageLoop();
  RemoveQtShell();
}
