// The calc edit in a headless session: the popup calculator types into the edit's own text, Enter
// accepts the result, Escape closes with cancellation.

#include <gtest/gtest.h>

#include "editors-extended/kcCalcEdit.h"
#include "platform/core/FormatSettings.h"
#include "platform/forms/Clipbrd.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct CalcEditFixture {
  TFormatSettings saved = FormatSettings;
  TFormsSession session;
  TPlainForm form{600, 400};
  TkcCalcEdit* edit;
  TEdit* other;
  CalcEditFixture() {
    edit = new TkcCalcEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 150, 21);
    other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(10, 300, 50, 21);
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
  void Open() {
    session.Key(VK_F4);
    session.ProcessMessages();
    ASSERT_TRUE(edit->DroppedDown());
  }
  void Leave() {
    other->SetFocus();
    session.ProcessMessages();
  }
  ~CalcEditFixture() { FormatSettings = saved; }
};

TEST(KcCalcEditControl, StartsAtZeroAndFormatsByPrecision) {
  CalcEditFixture f;
  EXPECT_EQ(f.edit->Value(), 0) << "a new calc edit holds 0";
  EXPECT_EQ(f.edit->Text(), "0");
  f.edit->Properties()->SetPrecision(4);
  f.edit->SetValue(2.0 / 3);
  EXPECT_EQ(f.edit->Text(), "0.6667");
  // Typing keeps the text a number: letters and a second separator are dropped, "," is the
  // decimal separator.
  f.edit->SelectAll();
  f.session.Type("-1x2,5.3");
  EXPECT_EQ(f.edit->Text(), "-12.53");
}

TEST(KcCalcEditControl, PopupComputesIntoTheText) {
  CalcEditFixture f;
  f.Open();
  f.session.Type("2+3");
  f.session.ProcessMessages();
  EXPECT_EQ(f.edit->Text(), "3") << "the calculator's display is the edit's text";
  f.session.Key(VK_RETURN);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.edit->Text(), "5");
  f.Leave();
  EXPECT_EQ(f.edit->Value(), 5);

  // The mouse: 7 / 0 = shows the error, which leaves 0 when the popup closes.
  f.edit->SetFocus();
  f.session.ProcessMessages();
  f.Open();
  TkcPopupCalculator* calc = f.edit->Calculator();
  for (TkcCalculatorButton b : {cbtDigit7, cbtDivide, cbtDigit0, cbtEquals}) {
    const TRect r = calc->ButtonInfo(b).Bounds;
    f.session.Click(TFormsSession::At(calc, (r.left + r.right) / 2, (r.top + r.bottom) / 2));
  }
  f.session.ProcessMessages();
  EXPECT_EQ(f.edit->Text(), "Error");
  f.session.Key(VK_F4);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.edit->Value(), 0);
  EXPECT_EQ(f.edit->Text(), "0");

  // Escape closes with cancellation: nothing is posted by the closing.
  f.edit->SetValue(8);
  f.Open();
  f.session.Type("4");
  f.session.Key(VK_ESCAPE);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.edit->Value(), 8);
}

TEST(KcCalcEditControl, KeypadDrawsInTheEditsLookAndFeel) {
  CalcEditFixture f;
  TkcLookAndFeel* look = f.edit->Style()->LookAndFeel();
  TkcPopupCalculator* calc = f.edit->Calculator();
  look->SetKind(lfUltraFlat);
  look->SetNativeStyle(false);
  EXPECT_EQ(calc->GetPainter(), TkcUltraFlatLookAndFeelPainter::Instance());
  look->SetKind(lfFlat);
  EXPECT_EQ(calc->GetPainter(), TkcFlatLookAndFeelPainter::Instance());
  // Office 11 has no push button of its own: without themes the standard one.
  look->SetKind(lfOffice11);
  EXPECT_EQ(calc->GetPainter(), TkcStandardLookAndFeelPainter::Instance());
}

TEST(KcCalcEditControl, EscapeKeepsTheNumberTheUserHad) {
  CalcEditFixture f;
  f.edit->SelectAll();
  f.session.Type("42");
  f.Open();
  f.session.Type("*2");
  EXPECT_EQ(f.edit->Text(), "2");
  f.session.Key(VK_ESCAPE);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.edit->Text(), "42") << "cancelling neither clears nor keeps the calculator's display";
  f.Leave();
  EXPECT_EQ(f.edit->Value(), 42);
}

TEST(KcCalcEditControl, TypedTextsAndTheCalculatorOnThem) {
  CalcEditFixture f;
  FormatSettings.DecimalSeparator = '.';
  FormatSettings.ThousandSeparator = ',';
  f.edit->Properties()->SetUseThousandSeparator(true);
  f.edit->SetValue(1234567);
  EXPECT_EQ(f.edit->Text(), "1,234,567");
  // Typing between the separators keeps a number: they are dropped before reading it.
  f.edit->SetSelStart(static_cast<int>(f.edit->Text().size()));
  f.edit->SetSelLength(0);
  const int beeps = MessageBeepCount();
  f.session.Type("8x");
  EXPECT_EQ(f.edit->Text(), "1,234,5678");
  EXPECT_EQ(MessageBeepCount(), beeps + 1) << "the refused letter beeps";
  f.Leave();
  EXPECT_EQ(f.edit->Value(), 12345678);
  EXPECT_EQ(f.edit->Text(), "12,345,678");

  // A lone minus is typed; the calculator cannot read it and shows the error, which closing
  // turns into 0.
  f.edit->SetFocus();
  f.session.ProcessMessages();
  f.edit->SelectAll();
  f.session.Type("-");
  EXPECT_EQ(f.edit->Text(), "-");
  f.Open();
  f.session.Type("+");
  EXPECT_EQ(f.edit->Text(), "Error");
  f.session.Key(VK_RETURN);
  f.session.ProcessMessages();
  EXPECT_EQ(f.edit->Value(), 0);
  EXPECT_EQ(f.edit->SelLength(), static_cast<int>(f.edit->Text().size())) << "AutoSelect selects the result";

  // With QuickClose "=" closes and accepts; without AutoSelect the caret goes to the end.
  f.edit->Properties()->QuickClose = true;
  f.edit->Properties()->SetAutoSelect(false);
  f.edit->SetValue(6);
  f.Open();
  f.session.Type("*7=");
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.edit->Text(), "42");
  EXPECT_EQ(f.edit->SelStart(), 2);
  EXPECT_EQ(f.edit->SelLength(), 0);

  // Pasting goes through the calculator: a currency text becomes its number.
  Clipboard()->SetAsText(FormatSettings.CurrencyString + "12.5");
  f.edit->PasteFromClipboard();
  EXPECT_EQ(f.edit->Text(), "12.5");

  // Read-only: no calculator.
  f.edit->Properties()->SetReadOnly(true);
  f.session.Key(VK_F4);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
}

}  // namespace
