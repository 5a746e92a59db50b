// With VT_SCREENSHOT_DIR set (run alone, under a real X server) shows the check box, radio
// group, check list box, spin and time edits on the Qt shell with the installed fonts and saves
// a picture of the screen there; otherwise skipped.

#include <gtest/gtest.h>

#include <cstdlib>

#include "editors-extended/kcCalendar.h"
#include "editors-extended/kcCheckListBox.h"
#include "editors-extended/kcDateEdit.h"
#include "editors-extended/kcRadioGroup.h"
#include "editors-extended/kcTimeEdit.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/win/QtShell.h"

TEST(KcControlsPicture, OnTheScreen) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP() << "no VT_SCREENSHOT_DIR";
  EnsureShellApplication();
  Application->Initialize();
  InstallQtShell();
  {
    TForm form(nullptr);
    form.SetBounds(20, 20, 760, 460);
    form.SetCaption("Editors");
    auto* check = new TkcCheckBox(&form);
    check->SetParent(&form);
    check->SetBounds(10, 10, 150, 21);
    check->SetCaption("&Active");
    check->SetChecked(true);
    auto* grayed = new TkcCheckBox(&form);
    grayed->SetParent(&form);
    grayed->SetBounds(10, 35, 150, 21);
    grayed->SetCaption("Grayed");
    grayed->Properties()->SetAllowGrayed(true);
    grayed->SetState(cbsGrayed);
    auto* spin = new TkcSpinEdit(&form);
    spin->SetParent(&form);
    spin->SetBounds(10, 65, 120, 21);
    spin->SetValue(Variant(42));
    auto* fast = new TkcSpinEdit(&form);
    fast->SetParent(&form);
    fast->SetBounds(10, 95, 150, 21);
    fast->Properties()->SpinButtons()->SetShowFastButtons(true);
    fast->Properties()->SpinButtons()->SetPosition(sbpHorzLeftRight);
    auto* time = new TkcTimeEdit(&form);
    time->SetParent(&form);
    time->SetBounds(10, 125, 120, 21);
    time->SetTime(0.5625);
    auto* radio = new TkcRadioGroup(&form);
    radio->SetParent(&form);
    radio->SetBounds(180, 10, 160, 110);
    radio->SetCaption("&Plan view");
    for (const char* c : {"Tree", "Text", "Both", "None", "Chart"}) radio->Properties()->Items()->Add()->SetCaption(c);
    radio->Properties()->SetColumns(2);
    radio->SetItemIndex(1);
    auto* list = new TkcCheckListBox(&form);
    list->SetParent(&form);
    list->SetBounds(350, 10, 150, 110);
    for (const char* c : {"PLAN", "Reads", "Index", "Selectivity"}) list->Items()->Add()->SetText(c);
    list->Items()->Items(1)->SetChecked(true);
    auto* side = new TkcGroupBox(&form);
    side->SetParent(&form);
    side->SetBounds(180, 130, 160, 80);
    side->SetCaption("Side");
    side->SetAlignment(alLeftCenter);
    auto* calendar = new TkcPopupCalendar(&form);
    calendar->SetParent(&form);
    calendar->SetLeft(350);
    calendar->SetTop(130);
    calendar->SetKind(ckDateTime);
    calendar->SetDateButtons(TDateButtons{btnClear, btnNow, btnToday});
    auto* date = new TkcDateEdit(&form);
    date->SetParent(&form);
    date->SetBounds(10, 230, 150, 21);
    date->SetDate(EncodeDate(2004, 3, 5) + 0.6);
    form.Show();
    date->SetFocus();
    date->DropDown();
    bool due = false;
    TTimer wait(nullptr);
    wait.SetInterval(900);
    wait.SetOnTimer([&](TObject*) { due = true; });
    while (!due) Application->HandleMessage();
    const String cmd = String("import -window root '") + dir + "/editors-extended.png'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    form.Hide();
  }
  RemoveQtShell();
}
