// The time edit control in a headless session: typed parts, spinning the part at the caret,
// the kept date part.

#include <gtest/gtest.h>

#include "editors-extended/kcTimeEdit.h"
#include "platform/core/DateUtils.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct TimeFixture {
  TFormsSession session;
  TPlainForm form;
  TkcTimeEdit* edit;
  TimeFixture() {
    edit = new TkcTimeEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 120, 21);
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
};

TEST(KcTimeEdit, TypingFollowsThePartRules) {
  struct Case {
    const char* keys;
    const char* text;
  } cases[] = {
      {"123456", "12:34:56"},
      {"7", "07:00:00"},  // above the hours' first digit: "0" before it
      {"2x5", "05:00:00"},  // 25 is no hour: the first digit becomes "0"
      {"1261", "12:06:10"},
  };
  for (const Case& c : cases) {
    TimeFixture f;
    f.edit->SetSelStart(0);
    f.edit->SetSelLength(0);
    f.session.Type(c.keys);
    EXPECT_EQ(f.edit->Text(), c.text) << c.keys;
  }
}

TEST(KcTimeEdit, SpinsThePartAtTheCaretAndKeepsTheDate) {
  TimeFixture f;
  const double date = EncodeDate(2024, 3, 9);
  f.edit->SetEditValue(Variant::FromDate(date + EncodeTime(23, 59, 30, 0)));
  f.session.ProcessMessages();
  EXPECT_EQ(f.edit->Text(), "23:59:30");
  f.edit->SetSelStart(4);  // minutes
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.edit->Text(), "23:58:30");
  f.edit->SetSelStart(0);
  f.session.Key(VK_UP);
  EXPECT_EQ(f.edit->Text(), "23:58:30") << "past midnight is refused";
  f.edit->Properties()->Circular = true;
  f.session.Key(VK_UP);
  EXPECT_EQ(f.edit->Text(), "00:58:30") << "or wraps";
  auto* other = new TEdit(&f.form);
  other->SetParent(&f.form);
  other->SetBounds(10, 50, 50, 21);
  other->SetFocus();
  f.session.ProcessMessages();
  const double value = f.edit->EditValue().AsDouble();
  EXPECT_DOUBLE_EQ(std::trunc(value), date) << "the date part stays";
  EXPECT_NEAR(f.edit->Time(), EncodeTime(0, 58, 30, 0), 1e-9);
}

}  // namespace
