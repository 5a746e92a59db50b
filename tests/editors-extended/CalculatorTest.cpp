// The calculator: key sequences and the display they leave (errors, overflow, percent, memory,
// precision), its layout, and a calculator on a form driven by real keys and the mouse.

#include <gtest/gtest.h>

#include <set>

#include "editors-extended/kcCalc.h"
#include "platform/core/FormatSettings.h"
#include "platform/forms/Clipbrd.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

// A calculator with a display of its own, as a host would lend it.
class TDisplayCalculator : public TkcCustomCalculator {
public:
  explicit TDisplayCalculator(TComponent* AOwner) : TkcCustomCalculator(AOwner) { BeepOnError = false; }
  String Display = "0";
  String GetDisplayText() override { return Display; }
  void SetDisplayText(const String& AText) override { Display = AText; }
};

// Runs the characters as calculator buttons: digits and operators as typed, 's' square root,
// 'r' reciprocal, 'n' sign, 'b' back, 'c' clear, 'M' store, 'P' memory add, 'R' recall, 'L'
// memory clear.
void Press(TkcCustomCalculator& c, const std::string& keys) {
  for (char k : keys) {
    TkcCalculatorButton b = CalculatorButtonOfChar(static_cast<char32_t>(k));
    switch (k) {
      case 's': b = cbtSqrt; break;
      case 'r': b = cbtReciprocal; break;
      case 'n': b = cbtSign; break;
      case 'b': b = cbtBack; break;
      case 'c': b = cbtClear; break;
      case 'M': b = cbtMemoryStore; break;
      case 'P': b = cbtMemoryAdd; break;
      case 'R': b = cbtMemoryRecall; break;
      case 'L': b = cbtMemoryClear; break;
      default: break;
    }
    ASSERT_NE(b, cbtNone) << k;
    c.ExecuteButton(b);
  }
}

}  // namespace

TEST(Calculator, KeySequencesAndDisplays) {
  const std::pair<const char*, const char*> cases[] = {
      {"2+3*4=", "20"},           // left to right, no precedence
      {"2+=", "2"},               // nothing entered after the plus
      {"7/0=", "Error"},          // division by zero
      {"7/0=5", "Error"},         // only clear leaves the error
      {"7/0=c", "0"},             //
      {"9s", "3"},                // square root
      {"4+9s=", "7"},             // the root is the second operand
      {"0r", "Error"},            // reciprocal of zero
      {"4nsr", "Error"},          // root of a negative
      {"4r", "0.25"},             //
      {"5+10%", "5.5"},           // percent of the left operand
      {"50*10%", "5"},            //
      {"1.5.5", "1.55"},          // one decimal separator
      {"12b", "1"},               //
      {"5nb", "0"},               // back on "-5"
      {"3+*2=", "6"},             // a second operator replaces the first
      {"8=", "8"},                //
      {"6=*=", "6"},              // equals repeats nothing
      {"5M0+R=", "5"},            // memory store and recall
      {"5MP3+R=", "13"},          // memory add: 10 in memory
  };
  for (const auto& [keys, display] : cases) {
    TDisplayCalculator c(nullptr);
    Press(c, keys);
    EXPECT_EQ(c.Display, display) << keys;
  }
}

TEST(Calculator, OverflowIsAnErrorNotANumber) {
  TDisplayCalculator c(nullptr);
  Press(c, "9");
  c.Display = "1E300";
  Press(c, "*9");
  c.Display = "1E300";
  Press(c, "=");
  // The display never shows a number it cannot read back.
  EXPECT_EQ(c.Display, "Error");
  EXPECT_EQ(c.Status(), cstError);
  EXPECT_EQ(c.GetValue(), 0);
  // The memory sums past the largest double; recalling it is the error too.
  TDisplayCalculator m(nullptr);
  m.Display = "1E308";
  Press(m, "M");
  m.Display = "1E308";
  Press(m, "PR");
  EXPECT_EQ(m.Display, "Error");
  EXPECT_EQ(m.Status(), cstError);
}

TEST(Calculator, PrecisionLimitsTypedDigitsAndMemoryButtonsFollowMemory) {
  TDisplayCalculator c(nullptr);
  Press(c, "1234567890123456");
  EXPECT_EQ(c.Display, "123456789012345") << "the sixteenth digit is refused";
  Press(c, "cn");
  Press(c, "123456789012345");
  c.ExecuteButton(cbtSign);
  EXPECT_EQ(c.Display, "-123456789012345");
  // MC and MR are disabled while the memory is empty.
  EXPECT_TRUE(c.ButtonInfo(cbtMemoryRecall).Disabled);
  Press(c, "c0M");
  EXPECT_TRUE(c.ButtonInfo(cbtMemoryClear).Disabled) << "storing 0 keeps it empty";
  Press(c, "7M");
  EXPECT_FALSE(c.ButtonInfo(cbtMemoryRecall).Disabled);
  Press(c, "L");
  EXPECT_TRUE(c.ButtonInfo(cbtMemoryRecall).Disabled);
}

TEST(Calculator, PasteTakesNumbersAndCurrencyTexts) {
  TDisplayCalculator c(nullptr);
  Clipboard()->SetAsText(" $12.5 ");
  c.PasteFromClipboard();
  EXPECT_EQ(c.Display, "12.5");
  EXPECT_EQ(c.Status(), cstEntering);
  Clipboard()->SetAsText("twelve");
  c.PasteFromClipboard();
  EXPECT_EQ(c.Display, "0");
}

TEST(Calculator, LayoutOfTheKeypad) {
  TDisplayCalculator c(nullptr);
  // A new calculator has its nominal size; a later size goes through the size rule.
  EXPECT_EQ(c.Width(), 198);
  EXPECT_EQ(c.Height(), 131);
  EXPECT_EQ(c.FontSize(), 8);
  c.SetBounds(0, 0, 199, 131);
  EXPECT_EQ(c.Width(), 202);
  EXPECT_EQ(c.Height(), 133);
  // The nominal size is its own fixed point; a larger area grows the buttons.
  int w = 196, h = 128;
  c.CalculateSize(w, h);
  EXPECT_EQ(h, 5 * 22 + 6 * 3);
  EXPECT_EQ(w, 6 * 28 + 8 * 3 + 4);
  int w2 = 400, h2 = 400;
  c.CalculateSize(w2, h2);
  EXPECT_GT(h2, h);
  EXPECT_GT(c.FontSize(), 8);
  c.CalculateSize(w, h);
  // Row 4 column 0 is the zero, the memory column is left of the block, C ends at column 4.
  EXPECT_EQ(c.ButtonAtPoint(c.ButtonInfo(cbtDigit0).Bounds.left + 1, c.ButtonInfo(cbtDigit0).Bounds.top + 1),
            cbtDigit0);
  EXPECT_LT(c.ButtonInfo(cbtMemoryAdd).Bounds.right, c.ButtonInfo(cbtDigit0).Bounds.left);
  EXPECT_EQ(c.ButtonInfo(cbtClear).Bounds.right, c.ButtonInfo(cbtEquals).Bounds.right);
  EXPECT_EQ(c.ButtonInfo(cbtDigit0).Bounds.top, c.ButtonInfo(cbtEquals).Bounds.top);
  EXPECT_EQ(c.ButtonAtPoint(0, 0), cbtNone);
  EXPECT_EQ(c.ButtonInfo(cbtDecimal).Caption, String(1, FormatSettings.DecimalSeparator));
}

TEST(Calculator, KeysAndMouseOnAForm) {
  TFormsSession session;
  TPlainForm form;
  auto* c = new TDisplayCalculator(&form);
  c->SetParent(&form);
  c->SetLeft(10);
  c->SetTop(10);
  form.Show();
  c->SetFocus();
  session.ProcessMessages();
  session.Type("12+3");
  session.Key(VK_RETURN, "\r");
  EXPECT_EQ(c->Display, "15");
  // A held Backspace deletes on every repeated character.
  session.Type("987");
  session.KeyDown(VK_BACK, "\b");
  session.KeyDown(VK_BACK, "\b");
  session.KeyUp(VK_BACK);
  EXPECT_EQ(c->Display, "9");
  session.Key(VK_ESCAPE, "\x1b");
  EXPECT_EQ(c->Display, "0");
  // Clicking 7 and then the square root button.
  auto click = [&](TkcCalculatorButton b) {
    const TRect r = c->ButtonInfo(b).Bounds;
    session.Click(TFormsSession::At(c, (r.left + r.right) / 2, (r.top + r.bottom) / 2));
  };
  click(cbtDigit9);
  click(cbtSqrt);
  EXPECT_EQ(c->Display, "3");
  // A press released outside its button does nothing.
  const TRect r = c->ButtonInfo(cbtDigit5).Bounds;
  session.MoveTo(TFormsSession::At(c, r.left + 2, r.top + 2));
  session.Press();
  session.MoveTo(TFormsSession::At(c, 1, 1));
  session.Release();
  EXPECT_EQ(c->Display, "3");

  // A border takes its room from the window: the keys are sized by the client area.
  c->SetBorderStyle(cbsSingleBorder);
  c->SetBounds(10, 10, 196 + c->Width() - c->ClientWidth(), 128 + c->Height() - c->ClientHeight());
  EXPECT_EQ(c->ButtonInfo(cbtDigit0).Bounds.bottom - c->ButtonInfo(cbtDigit0).Bounds.top, 22);
  EXPECT_EQ(c->ClientHeight(), 5 * 22 + 6 * 3);
  c->SetBorderStyle(cbsNoBorder);

  // Every caption is drawn in its button, each enabled one in its own colour.
  std::set<int> captions;
  for (const GdiRecord& rec : RecordPainting(c))
    for (int i = 0; i < cbtNone; ++i) {
      const auto& info = c->ButtonInfo(static_cast<TkcCalculatorButton>(i));
      const POINT at = rec.points.empty() ? POINT{rec.rect.left, rec.rect.top} : rec.points[0];
      if (rec.text == info.Caption && PtInRect(&info.Bounds, at) &&
          (info.Disabled || rec.textColor == ColorToRGB(info.TextColor)))
        captions.insert(i);
    }
  EXPECT_EQ(captions.size(), static_cast<std::size_t>(cbtNone));
}
