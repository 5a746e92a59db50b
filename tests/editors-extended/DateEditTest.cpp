// The date edit's properties and value logic: kinds and their defaults, bounds, display texts,
// validation with DateOnError and smart words, the kept time of a date-only editor, masks that
// accept the editor's texts in every locale, and a day chosen in the popup calendar by mouse.

#include <gtest/gtest.h>

#include <cmath>

#include "editors-extended/kcDateEdit.h"
#include "editors/kcFormats.h"
#include "editors/kcStandardMask.h"
#include "platform/core/Utf8.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }
const double k1430 = 14.5 / 24;

struct DateFixture {
  FormatSettingsScope settings{DefaultFormatSettings()};
  TkcDateEditProperties p{nullptr};
  TkcDateEditValue value{&p};
  DateFixture() {
    GetFormatController()->Refresh();
    p.FormatChanged();
    SetNowProvider([] { return EncodeDate(2024, 9, 12) + 0.25; });
  }
  ~DateFixture() {
    SetNowProvider(nullptr);
    GetFormatController()->Refresh();
  }
  String Display(const Variant& v, bool focused) {
    Variant d;
    p.EditValueToDisplayValue(v, d, focused);
    return d.AsString();
  }
};

}  // namespace

TEST(KcDateEdit, KindsGiveTheDefaults) {
  DateFixture f;
  EXPECT_EQ(f.p.Kind(), ckDate);
  EXPECT_EQ(f.p.DateButtons(), (TDateButtons{btnClear, btnToday}));
  EXPECT_EQ(f.p.InputKind(), ikRegExpr);
  EXPECT_EQ(f.p.MaskKind(), emkRegExprEx);
  EXPECT_EQ(f.p.EditMask(), GetFormatController()->DateRegExprMask());
  f.p.SetKind(ckDateTime);
  EXPECT_EQ(f.p.DateButtons(), (TDateButtons{btnClear, btnNow}));
  EXPECT_EQ(f.p.InputKind(), ikMask);
  EXPECT_EQ(f.p.EditMask(), GetFormatController()->DateTimeStandardMask());
  // Assigning the computed default still marks it assigned.
  f.p.SetDateButtons(TDateButtons{btnClear, btnNow});
  EXPECT_TRUE(f.p.AssignedValues()->DateButtons());
  f.p.SetKind(ckDate);
  EXPECT_EQ(f.p.DateButtons(), (TDateButtons{btnClear, btnNow}));
  f.p.SetInputKind(ikStandard);
  EXPECT_EQ(f.p.EditMask(), "");
  TkcDateEditProperties copy(nullptr);
  copy.Assign(&f.p);
  EXPECT_TRUE(copy.AssignedValues()->DateButtons());
  EXPECT_EQ(copy.InputKind(), ikStandard);
}

TEST(KcDateEdit, BoundsThatApply) {
  DateFixture f;
  struct Row {
    TDateTime mn, mx;
    bool minApplies, maxApplies;
  } rows[] = {{D(2000, 1, 1), 0, true, false},
              {D(2000, 1, 1), D(1999, 1, 1), false, false},
              {0, D(2000, 1, 1), false, true},
              {D(2000, 1, 1), D(2001, 1, 1), true, true},
              {0, 0, false, false}};
  for (const Row& r : rows) {
    f.p.SetMinDate(r.mn);
    f.p.SetMaxDate(r.mx);
    EXPECT_EQ(f.p.IsValueBoundDefined(0), r.minApplies);
    EXPECT_EQ(f.p.IsValueBoundDefined(1), r.maxApplies);
  }
  f.p.SetMinDate(D(2000, 1, 1));
  f.p.SetMaxDate(0);
  f.value.SetDate(D(1990, 5, 5));
  f.value.CheckEditorValueBounds();
  EXPECT_EQ(f.value.Date(), D(2000, 1, 1));
  Variant display = String("1/1/1999");
  String error;
  EXPECT_FALSE(f.value.Validate(display, error));
  EXPECT_EQ(error, "Value out of bounds");
}

TEST(KcDateEdit, DisplayTexts) {
  DateFixture f;
  TDateTime dt = D(2004, 3, 5) + k1430;
  // Cells show the time when there is one; while edited a date-only editor shows the date.
  EXPECT_EQ(f.Display(Variant::FromDate(dt), false), DateTimeToStr(dt));
  EXPECT_EQ(f.Display(Variant::FromDate(D(2004, 3, 5)), false), DateToStr(D(2004, 3, 5)));
  EXPECT_EQ(f.Display(Variant::FromDate(dt), true), DateToStr(D(2004, 3, 5)));
  f.p.SetShowTime(false);
  EXPECT_EQ(f.Display(Variant::FromDate(dt), false), DateToStr(D(2004, 3, 5)));
  EXPECT_EQ(f.Display(Null(), false), "");
  EXPECT_EQ(f.Display(Variant(NullDate), false), "");
  // A text that is no date: an error while edited, its own text in a cell.
  try {
    f.Display(Variant(String("abc")), true);
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Could not convert to date");
  }
  EXPECT_EQ(f.Display(Variant(String("abc")), false), "abc");
  // A masked date-time editor shows a zero time in its empty text.
  f.p.SetKind(ckDateTime);
  String empty = f.p.GetEmptyText(true);
  String zero;
  DateTimeToTextEx(true, true, false, zero, 0);
  size_t n = size_t(TkcFormatController::GetFormatTextLength(GetFormatController()->TimeFormatInfo()));
  EXPECT_EQ(empty.substr(empty.size() - n), zero.substr(zero.size() - n));
  EXPECT_NE(f.p.GetEmptyText(false), empty);
}

TEST(KcDateEdit, ValidationFollowsDateOnError) {
  DateFixture f;
  f.value.SetDate(D(2001, 2, 3));
  struct Row {
    TDateOnError onError;
    TkcCalendarKind kind;
    const char* text;
    bool ok;
    bool isNull;
    TDateTime date;
  } rows[] = {
      {deNoChange, ckDate, "abc", false, false, D(2001, 2, 3)},
      {deNull, ckDate, "abc", true, true, 0},
      {deToday, ckDate, "abc", true, false, D(2024, 9, 12)},
      {deToday, ckDateTime, "abc", true, false, D(2024, 9, 12) + 0.25},
      {deNoChange, ckDate, "today", true, false, D(2024, 9, 12)},
      {deNoChange, ckDate, "tomorrow", true, false, D(2024, 9, 13)},
      {deNoChange, ckDate, "", true, true, 0},
  };
  for (const Row& r : rows) {
    f.p.SetDateOnError(r.onError);
    f.p.SetKind(r.kind);
    f.value.SetDate(D(2001, 2, 3));
    Variant display = String(r.text);
    String error;
    bool ok = f.value.Validate(display, error);
    SCOPED_TRACE(r.text);
    EXPECT_EQ(ok, r.ok);
    if (!ok) {
      EXPECT_EQ(error, "Invalid Date");
    }
    EXPECT_EQ(f.value.EditValue().IsNull(), r.isNull);
    if (!r.isNull) {
      EXPECT_DOUBLE_EQ(f.value.Date(), r.date);
    }
  }
  // A smart word is typed text, not a stored value.
  Variant v = String("today");
  EXPECT_FALSE(f.p.IsEditValueValid(v, false));
  v = String("9/12/2024");
  EXPECT_TRUE(f.p.IsEditValueValid(v, false));
}

TEST(KcDateEdit, DateOnlyEditorsKeepTheTimeOfDay) {
  DateFixture f;
  f.value.SetEditValue(Variant::FromDate(D(2004, 3, 5) + k1430));
  EXPECT_NEAR(f.value.SavedTime(), k1430, 1e-9);
  // A typed date keeps 14:30.
  Variant display = String("3/6/2004");
  String error;
  ASSERT_TRUE(f.value.Validate(display, error));
  EXPECT_DOUBLE_EQ(f.value.Date(), D(2004, 3, 6) + k1430);
  // A day chosen in the calendar keeps the time of the date the popup opened with.
  String text;
  EXPECT_TRUE(f.value.CalendarDateChanged(D(2004, 3, 7), 0, D(2004, 3, 5) + k1430, text));
  EXPECT_DOUBLE_EQ(f.value.Date(), D(2004, 3, 7) + k1430);
  EXPECT_EQ(text, DateToStr(D(2004, 3, 7)));
  EXPECT_FALSE(f.value.CalendarDateChanged(D(2004, 3, 7), 0, D(2004, 3, 5) + k1430, text));
  f.p.SetSaveTime(false);
  EXPECT_TRUE(f.value.CalendarDateChanged(D(2004, 3, 8), 0, D(2004, 3, 5) + k1430, text));
  EXPECT_DOUBLE_EQ(f.value.Date(), D(2004, 3, 8));
  // Clearing the text clears the value: no bare time on day 0.
  f.p.SetSaveTime(true);
  f.value.SetEditValue(Variant::FromDate(D(2004, 3, 5) + k1430));
  display = String("");
  ASSERT_TRUE(f.value.Validate(display, error));
  EXPECT_TRUE(f.value.EditValue().IsNull());
  EXPECT_EQ(f.value.SavedTime(), 0);
  // A date-time editor takes the time of the calendar's time editor.
  f.p.SetKind(ckDateTime);
  EXPECT_TRUE(f.value.CalendarDateChanged(D(2004, 3, 9), 0.75, NullDate, text));
  EXPECT_DOUBLE_EQ(f.value.Date(), D(2004, 3, 9) + 0.75);
  EXPECT_TRUE(f.value.CalendarDateChanged(NullDate, 0, NullDate, text));
  EXPECT_TRUE(f.value.EditValue().IsNull());
}

TEST(KcDateEdit, StandardInputShowsFourDigitYearsWhenTwoCannotReadBack) {
  DateFixture f;
  FormatSettings.ShortDateFormat = "M/d/yy";
  GetFormatController()->Refresh();
  f.p.SetInputKind(ikStandard);
  String text;
  ASSERT_TRUE(f.value.CalendarDateChanged(D(1850, 6, 1), 0, NullDate, text));
  EXPECT_NE(text.find("1850"), String::npos) << text;
}

TEST(KcDateEdit, MasksAcceptTheEditorsTextsInEveryLocale) {
  FormatSettingsScope scope{DefaultFormatSettings()};
  TkcDateEditProperties p(nullptr);
  p.SetInputKind(ikMask);
  const TDateTime dates[] = {D(2024, 1, 5) + 0.5, D(1999, 12, 31) + 0.999, D(2000, 2, 29)};
  int checked = 0;
  for (const std::string& name : AvailableLocaleNames()) {
    FormatSettings = GetLocaleFormatSettings(name);
    GetFormatController()->Refresh();
    for (TkcCalendarKind kind : {ckDate, ckDateTime}) {
      p.SetKind(kind);
      p.FormatChanged();
      TkcStandardMask mask;
      mask.SetMask(p.EditMask());
      for (TDateTime d : dates) {
        String text;
        DateTimeToTextEx(true, kind == ckDateTime, false, text, kind == ckDate ? std::trunc(d) : d);
        // The mask edit shows a shorter designator with blanks behind it. A designator in front
        // of the time whose halves differ in length cannot be padded that way: the locale's
        // date-time mask has one zone for both, so such texts are left to the mask edit's fitting.
        String fitted = text + String(size_t(std::max(0, mask.Count() - int(Utf8Length(text)))), ' ');
        bool designatorFirst = kind == ckDateTime &&
                               Utf8Length(FormatSettings.TimeAMString) != Utf8Length(FormatSettings.TimePMString) &&
                               p.EditMask().rfind('c') < p.EditMask().rfind('9');
        if (designatorFirst) continue;
        ASSERT_TRUE(mask.IsFullyValid(fitted))
            << name << " " << FormatSettings.ShortDateFormat << " mask '" << p.EditMask() << "' text '" << text << "'";
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 1000);
  GetFormatController()->Refresh();
}

TEST(KcDateEdit, PopupCalendarChoosesByMouse) {
  TFormsSession session;
  FormatSettingsScope scope{DefaultFormatSettings()};
  GetFormatController()->Refresh();
  SetNowProvider([] { return EncodeDate(2004, 3, 10) + 0.5; });
  TkcDateEditProperties p(nullptr);
  TkcDateEditValue value(&p);
  value.SetEditValue(Variant::FromDate(D(2004, 3, 5) + k1430));
  TPlainForm form(300, 300);
  auto* cal = new TkcPopupCalendar(&form);
  cal->SetParent(&form);
  TDateTime popupDate = value.Date();
  String shown;
  int closed = -1;
  cal->OnDateTimeChanged = [&](TObject*) { value.CalendarDateChanged(cal->SelectDate(), 0, popupDate, shown); };
  cal->OnHidePopup = [&](TObject*, int reason) { closed = reason; };
  form.Show();
  session.ProcessMessages();
  cal->SetSelectDate(std::trunc(popupDate));
  // 7 March 2004 is a Sunday: the first column of the second row.
  ASSERT_EQ(cal->CellDate(0, 1), D(2004, 3, 7));
  TRect r = cal->CellRect(0, 1);
  session.Click(TFormsSession::At(cal, (r.left + r.right) / 2, (r.top + r.bottom) / 2));
  EXPECT_EQ(closed, 4);
  EXPECT_DOUBLE_EQ(value.Date(), D(2004, 3, 7) + k1430);
  EXPECT_EQ(shown, DateToStr(D(2004, 3, 7)));
  SetNowProvider(nullptr);
}
