// With VT_SCREENSHOT_DIR set (run alone, under a real X server) shows calendars on the Qt shell
// with the installed fonts and saves a picture of the screen there; otherwise skipped.

#include <gtest/gtest.h>

#include <cstdlib>

#include "editors-extended/kcCalendar.h"
#include "editors-extended/kcDateEdit.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"
#include "platform/win/QtShell.h"

TEST(KcCalendarPicture, OnTheScreen) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP() << "no VT_SCREENSHOT_DIR";
  EnsureShellApplication();
  Application->Initialize();
  InstallQtShell();
  {
    TForm form(nullptr);
    form.SetBounds(20, 20, 520, 300);
    form.SetCaption("Calendars");
    // A date editor's cell text above its popup calendar, as the date edit shows them.
    TkcDateEditProperties props(nullptr);
    Variant text;
    props.EditValueToDisplayValue(Variant::FromDate(Date() + 0.6), text, false);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 200, 21);
    edit->SetText(text.AsString());
    auto* cal = new TkcPopupCalendar(&form);
    cal->SetParent(&form);
    cal->SetLeft(10);
    cal->SetTop(32);
    auto* weeks = new TkcCustomCalendar(&form);
    weeks->SetParent(&form);
    weeks->SetLeft(260);
    weeks->SetTop(10);
    weeks->SetFlat(false);
    weeks->SetWeekNumbers(true);
    weeks->SetArrowsForYear(false);
    weeks->SetSelectDate(Date() + 3);
    form.Show();
    bool due = false;
    TTimer wait(nullptr);
    wait.SetInterval(900);
    wait.SetOnTimer([&](TObject*) { due = true; });
    while (!due) Application->HandleMessage();
    const String cmd = String("import -window root '") + dir + "/calendar.png'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    form.Hide();
  }
  RemoveQtShell();
}
