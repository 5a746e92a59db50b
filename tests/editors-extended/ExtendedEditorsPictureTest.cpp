// With VT_SCREENSHOT_DIR set (run alone, under a real X server) shows the memo, image,
// calculator, currency, hyperlink and button editors and a lookup list on the Qt shell and saves a picture of
// the screen there; otherwise skipped.

#include <gtest/gtest.h>

#include <cstdlib>

#include "editors-extended/kcButtonEdit.h"
#include "editors-extended/kcCalc.h"
#include "editors-extended/kcCurrencyEdit.h"
#include "editors-extended/kcHyperLinkEdit.h"
#include "editors-extended/kcImage.h"
#include "editors-extended/kcLookupGrid.h"
#include "editors-extended/kcMemo.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/win/QtShell.h"

namespace {
class TShownCalculator : public TkcCustomCalculator {
public:
  using TkcCustomCalculator::TkcCustomCalculator;
  String Display = "0";
  String GetDisplayText() override { return Display; }
  void SetDisplayText(const String& AText) override { Display = AText; }
};
}  // namespace

TEST(ExtendedEditorsPicture, OnTheScreen) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP() << "no VT_SCREENSHOT_DIR";
  EnsureShellApplication();
  Application->Initialize();
  InstallQtShell();
  {
    TForm form(nullptr);
    form.SetBounds(20, 20, 640, 360);
    form.SetCaption("Editors");
    auto* memo = new TkcMemo(&form);
    memo->SetParent(&form);
    memo->SetBounds(10, 10, 200, 100);
    memo->SetEditValue(Variant(String("First line\r\nSecond line, long enough to wrap around\r\nThird")));
    auto* image = new TkcImage(&form);
    image->SetParent(&form);
    image->SetBounds(220, 10, 140, 100);
    image->Properties()->SetStretch(true);
    {
      TBitmap bitmap(60, 40);
      bitmap.Canvas()->Brush()->SetColor(clYellow);
      bitmap.Canvas()->FillRect(Rect(0, 0, 60, 40));
      bitmap.Canvas()->Brush()->SetColor(clRed);
      bitmap.Canvas()->Ellipse(10, 5, 50, 35);
      image->Picture()->SetGraphic(&bitmap);
    }
    auto* calc = new TShownCalculator(&form);
    calc->SetParent(&form);
    calc->SetLeft(380);
    calc->SetTop(10);
    auto* currency = new TkcCurrencyEdit(&form);
    currency->SetParent(&form);
    currency->SetBounds(10, 130, 150, 21);
    currency->SetEditValue(Variant(1234.5));
    auto* link = new TkcHyperLinkEdit(&form);
    link->SetParent(&form);
    link->SetBounds(10, 160, 200, 21);
    link->SetEditValue(Variant(String("example.org")));
    auto* button = new TkcButtonEdit(&form);
    button->SetParent(&form);
    button->SetBounds(10, 190, 150, 21);
    button->SetEditValue(Variant(String("with a button")));
    auto* list = new TkcLookupGrid(&form);
    list->SetParent(&form);
    list->SetBounds(220, 160, 300, 150);
    list->BeginUpdate();
    for (const char* caption : {"Name", "City"}) list->Columns()->Add()->SetCaption(caption);
    list->DataController()->SetRecordCount(12);
    for (int r = 0; r < 12; ++r) {
      list->DataController()->SetValue(r, 0, Variant(String("Site ") + std::to_string(r + 1)));
      list->DataController()->SetValue(r, 1, Variant(String(r % 2 ? "Lima" : "Oslo")));
    }
    list->EndUpdate();
    list->Columns()->Items(0)->SetSortOrder(soAscending);
    list->FocusRow(2);
    list->DataController()->ChangeRowSelection(2, true);
    form.Show();
    memo->SetFocus();
    bool due = false;
    TTimer wait(nullptr);
    wait.SetInterval(900);
    wait.SetOnTimer([&](TObject*) { due = true; });
    while (!due) Application->HandleMessage();
    const String cmd = String("import -window root '") + dir + "/editors.png'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    form.Hide();
  }
  RemoveQtShell();
}
