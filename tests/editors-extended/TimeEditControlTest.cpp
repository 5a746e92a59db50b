// The time edit control in a headless session: typed parts, spinning the part at the caret,
// the kept date part.

#include <gtest/gtest.h>

#include "editors-extended/kcTimeEdit.h"
#include "platform/core/DateUtils.h"
#include "platform/core/FormatSettings.h"
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

namespace {

TEST(KcTimeEdit, TwelveHourTypingInSomeLocales) {
  FormatSettingsScope scope{DefaultFormatSettings()};
  int tried = 0;
  for (const char* name : {"en_US", "fi_FI", "ko_KR", "zh_CN", "ar_EG"}) {
    FormatSettings = GetLocaleFormatSettings(name);
    RebuildTimeEditMasks();
    TimeFixture f;
    f.edit->Properties()->SetUse24HourFormat(false);
    f.edit->Properties()->FormatChanged();
    f.edit->SetTime(0);
    f.session.ProcessMessages();
    f.edit->SetSelStart(0);
    f.edit->SetSelLength(0);
    String am, pm;
    GetTimeEditDesignators(am, pm);
    f.session.Type("093015");
    // The designator is chosen by its first character that differs from the other one.
    std::size_t k = 0;
    while (k < am.size() && k < pm.size() && am[k] == pm[k]) ++k;
    if (k < pm.size() && static_cast<unsigned char>(pm[k]) < 0x80) {
      f.session.Type(std::string(1, pm[k]));
      EXPECT_NEAR(f.edit->Time() * 86400, 21 * 3600 + 30 * 60 + 15, 0.5) << name << " '" << f.edit->Text() << "'";
    } else {
      EXPECT_NEAR(f.edit->Time() * 86400, 9 * 3600 + 30 * 60 + 15, 0.5) << name << " '" << f.edit->Text() << "'";
    }
    ++tried;
  }
  RebuildTimeEditMasks();
  EXPECT_GT(tried, 0);
}

}  // namespace
