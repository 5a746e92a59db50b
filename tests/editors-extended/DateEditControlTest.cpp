// The date edit control in a headless session: a typed date validated on leaving (with the
// kept time of day), the popup calendar dropped down with F4 and a day chosen with the mouse.

#include <gtest/gtest.h>

#include <cmath>

#include "editors-extended/kcDateEdit.h"
#include "editors/kcFormats.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }

struct DateEditFixture {
  TFormsSession session;
  FormatSettingsScope settings{DefaultFormatSettings()};  // m/d/yyyy
  TPlainForm form{600, 400};
  TkcDateEdit* edit;
  TEdit* other;
  DateEditFixture() {
    GetFormatController()->Refresh();
    SetNowProvider([] { return EncodeDate(2024, 9, 12) + 0.25; });
    edit = new TkcDateEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 150, 21);
    other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(10, 300, 50, 21);
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
  ~DateEditFixture() {
    SetNowProvider(nullptr);
    GetFormatController()->Refresh();
  }
  void Leave() {
    other->SetFocus();
    session.ProcessMessages();
  }
};

TEST(KcDateEditControl, TypedDateKeepsTheTimeOfDay) {
  DateEditFixture f;
  f.edit->SetEditValue(Variant::FromDate(D(2004, 3, 5) + 14.5 / 24));
  f.session.ProcessMessages();
  EXPECT_NEAR(f.edit->SavedTime(), 14.5 / 24, 1e-9);
  f.edit->SelectAll();
  f.session.Type("3/7/2004");
  EXPECT_FALSE(f.edit->DroppedDown()) << "typing opens nothing";
  f.Leave();
  EXPECT_NEAR(f.edit->Date(), D(2004, 3, 7) + 14.5 / 24, 1e-9) << "the kept time comes back";
  // A text that is no date: kept (no change) and the focus comes back with the error.
  f.edit->SetFocus();
  f.session.ProcessMessages();
  f.edit->Properties()->SetDateOnError(deNull);
  f.edit->Properties()->SetInputKind(ikStandard);  // no mask to refuse the letters
  f.edit->SelectAll();
  f.session.Type("xx");
  f.Leave();
  EXPECT_TRUE(VarIsNull(f.edit->EditValue())) << "no date by DateOnError";
}

TEST(KcDateEditControl, PopupCalendarChoosesADay) {
  DateEditFixture f;
  f.edit->SetDate(D(2004, 3, 5) + 14.5 / 24);
  f.session.ProcessMessages();
  int changes = 0;
  f.edit->Properties()->OnEditValueChanged = [&](TObject*) { ++changes; };
  f.session.Key(VK_F4);
  f.session.ProcessMessages();
  ASSERT_TRUE(f.edit->DroppedDown());
  TkcPopupCalendar* cal = f.edit->Calendar();
  ASSERT_NE(cal, nullptr);
  EXPECT_EQ(cal->FirstDate(), D(2004, 3, 1)) << "the value's month";
  EXPECT_EQ(cal->SelectDate(), D(2004, 3, 5));
  // 10 March 2004 is a Wednesday: column 3 of the second week (weeks from Sunday).
  const TRect r = cal->CellRect(3, 1);
  f.session.Click(TFormsSession::At(cal, (r.left + r.right) / 2, (r.top + r.bottom) / 2));
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_NEAR(f.edit->Date(), D(2004, 3, 10) + 14.5 / 24, 1e-9) << "the day at the kept time";
  EXPECT_GE(changes, 1);
  // Escape closes without a change.
  f.session.Key(VK_F4);
  f.session.ProcessMessages();
  ASSERT_TRUE(f.edit->DroppedDown());
  f.session.Key(VK_ESCAPE);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_NEAR(f.edit->Date(), D(2004, 3, 10) + 14.5 / 24, 1e-9);
}

}  // namespace

namespace {

TEST(KcDateEditControl, CloseKeysReachTheCalendarFromItsTimeEditor) {
  DateEditFixture f;
  f.edit->Properties()->SetKind(ckDateTime);
  f.edit->SetDate(D(2004, 3, 5) + 14.5 / 24);
  f.session.ProcessMessages();
  f.session.Key(VK_F4);
  f.session.ProcessMessages();
  ASSERT_TRUE(f.edit->DroppedDown());
  TkcTimeEdit* time = f.edit->Calendar()->TimeEdit();
  EXPECT_NEAR(time->Time(), 14.5 / 24, 1e-9) << "the value's time";
  time->SetFocus();
  f.session.ProcessMessages();
  time->SetSelStart(0);
  f.session.Type("1");
  f.session.Key(VK_ESCAPE);
  f.session.ProcessMessages();
  EXPECT_TRUE(f.edit->DroppedDown()) << "the first Escape undoes the typing";
  f.session.Key(VK_ESCAPE);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_NEAR(f.edit->Date(), D(2004, 3, 5) + 14.5 / 24, 1e-9) << "cancelled";
}

}  // namespace
