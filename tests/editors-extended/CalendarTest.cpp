// The calendar through the headless session: metrics and layout with fixed font metrics, the
// dates of the day grid per first day of the week, keys, clicks on days and arrows with the
// 200 ms repeat on the fake clock, the month list and its scroll timer, the buttons, and what
// is painted where.

#include <gtest/gtest.h>

#include <vector>

#include "editors-extended/kcCalendar.h"
#include "editors-extended/kcDateEdit.h"
#include "editors/kcFormats.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }

struct CalendarFixture {
  TFormsSession session;
  FormatSettingsScope settings{DefaultFormatSettings()};  // weeks from Sunday
  TPlainForm form{400, 400};
  TkcPopupCalendar* cal;
  std::vector<int> hides;
  int changes = 0;
  explicit CalendarFixture(int firstDayOfWeek = 6) {
    FormatSettings.FirstDayOfWeek = firstDayOfWeek;
    GetFormatController()->Refresh();
    SetNowProvider([] { return EncodeDate(2024, 9, 12) + 0.5; });
    RootLookAndFeel()->SetKind(lfFlat);
    cal = new TkcPopupCalendar(&form);
    cal->SetParent(&form);
    cal->SetLeft(10);
    cal->SetTop(10);
    cal->OnHidePopup = [this](TObject*, int reason) { hides.push_back(reason); };
    cal->OnDateTimeChanged = [this](TObject*) { ++changes; };
    form.Show();
    session.ProcessMessages();
    cal->SetSelectDate(D(2024, 9, 12));
    session.Clock().AdvanceMs(1000);
  }
  ~CalendarFixture() {
    RootLookAndFeel()->Reset();
    SetNowProvider(nullptr);
    GetFormatController()->Refresh();
  }
  POINT CellPoint(int col, int row) {
    TRect r = cal->CellRect(col, row);
    return TFormsSession::At(cal, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  POINT Centre(const TRect& r) { return TFormsSession::At(cal, (r.left + r.right) / 2, (r.top + r.bottom) / 2); }
};

}  // namespace

TEST(KcCalendar, MetricsAndLayout) {
  CalendarFixture f;
  // 7-pixel glyphs, 13-pixel lines, an 8-point font.
  EXPECT_EQ(f.cal->ColWidth(), 21);
  EXPECT_EQ(f.cal->SideWidth(), 14);
  EXPECT_EQ(f.cal->RowHeight(), 15);
  EXPECT_EQ(f.cal->HeaderHeight(), 18);
  EXPECT_EQ(f.cal->DaysOfWeekHeight(), 16);
  EXPECT_EQ(f.cal->ButtonHeight(), MulDiv(13, 20, 13) + 1);
  EXPECT_EQ(f.cal->DateRegionWidth(), 2 * 14 + 7 * 21);
  EXPECT_EQ(f.cal->Width(), f.cal->DateRegionWidth());
  int fontSize = f.cal->Font()->Size();
  int buttonsArea = MulDiv(fontSize, 3, 4) + fontSize / 2 + f.cal->ButtonHeight() - 1;
  EXPECT_EQ(f.cal->ButtonsAreaHeight(), buttonsArea);
  EXPECT_EQ(f.cal->Height(), 16 + 6 * 15 + 18 + 1 + buttonsArea + 1);
  // The days lie below the header; the arrows sit at the header's ends.
  EXPECT_EQ(f.cal->DaysRect().top, f.cal->MonthCaptionRect().bottom + 1);
  EXPECT_EQ(f.cal->ArrowRect(0).left, 0);
  EXPECT_EQ(f.cal->ArrowRect(3).right, f.cal->DateRegionWidth());
  EXPECT_LT(f.cal->ArrowRect(1).left, f.cal->ArrowRect(2).left);
  // Week numbers widen the calendar by their column.
  int w = f.cal->Width();
  f.cal->SetWeekNumbers(true);
  EXPECT_EQ(f.cal->Width(), w + f.cal->WeekNumberWidth() + 5);
  // Without year arrows there are two arrows and one caption.
  f.cal->SetArrowsForYear(false);
  EXPECT_EQ(f.cal->ArrowRect(2), TRect{});
  EXPECT_EQ(f.cal->YearCaptionRect(), TRect{});
  EXPECT_EQ(f.cal->ArrowRect(1).right, f.cal->DateRegionWidth());
  // Alone a button is centred; together they sit at one third and two thirds.
  int drw = f.cal->DateRegionWidth(), bw = f.cal->ButtonWidth();
  EXPECT_EQ(f.cal->TodayButton()->Left(), (drw - 2 * bw) / 3);
  EXPECT_EQ(f.cal->ClearButton()->Left(), drw - bw - (drw - 2 * bw) / 3);
  f.cal->SetDateButtons(TDateButtons{btnToday});
  EXPECT_FALSE(f.cal->ClearButton()->Visible());
  EXPECT_EQ(f.cal->TodayButton()->Left(), (drw - bw) / 2);
  EXPECT_EQ(f.cal->ClearButton()->Caption(), "Clear");
  EXPECT_EQ(f.cal->TodayButton()->Caption(), "Today");
}

TEST(KcCalendar, GridDatesFollowTheFirstDayOfTheWeek) {
  struct Row {
    int firstDayOfWeek;  // 0 Monday .. 6 Sunday
    TDateTime month, firstCell, lastCell;
  } rows[] = {
      {6, D(2024, 9, 1), D(2024, 8, 25), D(2024, 10, 5)},  // starts on a Sunday: a whole week before
      {0, D(2024, 9, 1), D(2024, 8, 26), D(2024, 10, 6)},
      {6, D(2024, 2, 1), D(2024, 1, 28), D(2024, 3, 9)},
      {6, D(100, 1, 1), D(100, 1, 1) - GetDayOfWeekIndex(D(100, 1, 1)),
       D(100, 1, 1) - GetDayOfWeekIndex(D(100, 1, 1)) + 41},
  };
  for (const Row& r : rows) {
    CalendarFixture f(r.firstDayOfWeek);
    f.cal->SetFirstDate(r.month);
    EXPECT_EQ(f.cal->CellDate(0, 0), r.firstCell) << r.firstDayOfWeek;
    EXPECT_EQ(f.cal->CellDate(6, 5), r.lastCell) << r.firstDayOfWeek;
  }
  CalendarFixture f;
  // Year 100 cannot go back a week: its first day is in the first row.
  f.cal->SetFirstDate(D(100, 1, 1));
  EXPECT_LE(f.cal->CellDate(0, 0), D(100, 1, 1));
  EXPECT_GT(f.cal->CellDate(0, 0) + 7, D(100, 1, 1));
  EXPECT_EQ(f.cal->PosToDate(TPoint{-1, -1}), NullDate);
  TRect r = f.cal->CellRect(3, 2);
  EXPECT_EQ(f.cal->PosToDate(TPoint{r.left, r.top}), f.cal->CellDate(3, 2));
}

TEST(KcCalendar, KeysMoveTheSelection) {
  CalendarFixture f;
  struct Row {
    TDateTime from;
    WORD key;
    bool ctrl;
    TDateTime to;
  } rows[] = {
      {D(2024, 1, 31), VK_NEXT, false, D(2024, 2, 29)},  {D(2023, 1, 31), VK_NEXT, false, D(2023, 2, 28)},
      {D(2024, 3, 31), VK_PRIOR, false, D(2024, 2, 29)}, {D(2024, 9, 12), VK_HOME, false, D(2024, 9, 8)},
      {D(2024, 9, 12), VK_END, false, D(2024, 9, 14)},   {D(2024, 9, 12), VK_HOME, true, D(2024, 9, 1)},
      {D(2024, 9, 12), VK_END, true, D(2024, 9, 30)},    {D(2024, 9, 30), VK_RIGHT, false, D(2024, 10, 1)},
      {D(2024, 9, 12), VK_UP, false, D(2024, 9, 5)},     {D(9999, 12, 31), VK_RIGHT, false, D(9999, 12, 31)},
  };
  for (const Row& r : rows) {
    f.cal->SetSelectDate(r.from);
    if (r.ctrl) f.session.KeyDown(VK_CONTROL);
    f.session.Key(r.key);
    if (r.ctrl) f.session.KeyUp(VK_CONTROL);
    EXPECT_EQ(f.cal->SelectDate(), r.to) << DateToStr(r.from) << " key " << r.key;
  }
  // The shown month follows the selection.
  f.cal->SetSelectDate(D(2024, 1, 31));
  f.session.Key(VK_NEXT);
  EXPECT_EQ(f.cal->FirstDate(), D(2024, 2, 1));
  // Enter accepts, Escape cancels, F4 closes.
  f.session.Key(VK_RETURN);
  f.session.Key(VK_ESCAPE);
  f.session.Key(VK_F4);
  EXPECT_EQ(f.hides, (std::vector<int>{4, 3, 2}));
  EXPECT_EQ(f.changes, 1);
}

TEST(KcCalendar, ClickingADayChoosesIt) {
  CalendarFixture f;
  // A grayed day of the next month is chosen and reported; the shown month stays.
  f.session.Click(f.CellPoint(6, 5));
  EXPECT_EQ(f.cal->SelectDate(), D(2024, 10, 5));
  EXPECT_EQ(f.cal->FirstDate(), D(2024, 9, 1));
  EXPECT_EQ(f.hides, (std::vector<int>{4}));
  EXPECT_EQ(f.changes, 1);
  // Dragging with the button down moves the selection; the release chooses.
  f.session.MoveTo(f.CellPoint(1, 1));
  f.session.Press();
  f.session.MoveTo(f.CellPoint(2, 2));
  EXPECT_EQ(f.cal->SelectDate(), f.cal->CellDate(2, 2));
  f.session.Release();
  EXPECT_EQ(f.changes, 2);
}

TEST(KcCalendar, HeldArrowRepeatsEvery200ms) {
  CalendarFixture f;
  f.session.MoveTo(f.Centre(f.cal->ArrowRect(1)));
  f.session.Press();
  EXPECT_EQ(f.cal->FirstDate(), D(2024, 10, 1));
  f.session.Advance(199);
  EXPECT_EQ(f.cal->FirstDate(), D(2024, 10, 1));
  f.session.Advance(1);
  EXPECT_EQ(f.cal->FirstDate(), D(2024, 11, 1));
  f.session.Advance(400);
  EXPECT_EQ(f.cal->FirstDate(), D(2025, 1, 1));
  // The release stops the repeat and chooses nothing.
  f.session.Release();
  f.session.Advance(600);
  EXPECT_EQ(f.cal->FirstDate(), D(2025, 1, 1));
  EXPECT_TRUE(f.hides.empty());
  EXPECT_EQ(f.cal->SelectDate(), D(2024, 9, 12));
  // The year arrows move by a year; a step past year 9999 is not made.
  f.session.Click(f.Centre(f.cal->ArrowRect(3)));
  EXPECT_EQ(f.cal->FirstDate(), D(2026, 1, 1));
  f.cal->SetFirstDate(D(9999, 6, 1));
  f.session.Click(f.Centre(f.cal->ArrowRect(3)));
  EXPECT_EQ(f.cal->FirstDate(), D(9999, 6, 1));
}

TEST(KcCalendar, MonthListRowsAndScrolling) {
  CalendarFixture f;
  TMonthListBox* list = f.cal->MonthListBox();
  f.cal->YearsInMonthList = false;
  EXPECT_EQ(list->RowCount(), 12);  // year arrows, no years: the months of the shown year
  f.cal->YearsInMonthList = true;
  EXPECT_EQ(list->RowCount(), 7);
  f.cal->SetArrowsForYear(false);
  f.cal->YearsInMonthList = false;
  EXPECT_EQ(list->RowCount(), 7);
  EXPECT_EQ(MonthListScrollInterval(0), 500u);
  EXPECT_EQ(MonthListScrollInterval(1), 250u);
  EXPECT_EQ(MonthListScrollInterval(2), 100u);
  EXPECT_EQ(MonthListScrollInterval(7), 50u);

  // Pressing the caption shows seven months from three before the shown one.
  POINT caption = f.Centre(f.cal->MonthCaptionRect());
  f.session.MoveTo(caption);
  f.session.Press();
  ASSERT_TRUE(list->Shown());
  EXPECT_EQ(list->TopYear(), 2024);
  EXPECT_EQ(list->TopMonth(), 6);
  // Held just below the list it scrolls one row per 500 ms; further below, faster.
  POINT below{list->Left() + list->Width() / 2, list->Top() + list->Height()};
  f.session.MoveTo(below);
  EXPECT_EQ(list->Timer()->Interval(), 500u);
  f.session.Advance(500);
  EXPECT_EQ(list->TopMonth(), 7);
  f.session.MoveTo(POINT{below.x, below.y + 3 * list->RowHeight()});
  EXPECT_EQ(list->Timer()->Interval(), 50u);
  f.session.Advance(100);
  EXPECT_EQ(list->TopMonth(), 9);
  // Released on a row, that month is shown.
  f.session.MoveTo(POINT{below.x, list->Top() + 1 + list->RowHeight() / 2});
  f.session.Release();
  EXPECT_FALSE(list->Shown());
  EXPECT_EQ(f.cal->FirstDate(), D(2024, 9, 1));
  EXPECT_TRUE(f.hides.empty());
}

TEST(KcCalendar, ButtonsChooseTodayOrNothing) {
  CalendarFixture f;
  f.cal->SetSelectDate(D(2024, 1, 5));
  TkcButton* clear = f.cal->ClearButton();
  f.session.Click(TFormsSession::At(clear, clear->Width() / 2, clear->Height() / 2));
  EXPECT_EQ(f.cal->SelectDate(), NullDate);
  TkcButton* today = f.cal->TodayButton();
  f.session.Click(TFormsSession::At(today, today->Width() / 2, today->Height() / 2));
  EXPECT_EQ(f.cal->SelectDate(), D(2024, 9, 12));
  EXPECT_EQ(f.cal->FirstDate(), D(2024, 9, 1));
  EXPECT_EQ(f.hides, (std::vector<int>{4, 4}));
  EXPECT_EQ(f.changes, 2);
}

TEST(KcCalendar, PaintsDaysNamesAndSelection) {
  CalendarFixture f;
  f.cal->SetSelectDate(D(2024, 9, 20));
  TBitmap bitmap;
  bitmap.SetSize(f.cal->Width(), f.cal->Height());
  HDC dc = bitmap.Canvas()->Handle();
  StartRecording(dc);
  f.cal->Perform(WM_PRINTCLIENT, static_cast<WPARAM>(dc.value), PRF_CLIENT);
  std::vector<GdiRecord> calls = StopRecording(dc);
  std::vector<std::string> texts;
  for (auto& c : calls)
    if (c.op == "DrawText" || c.op == "TextOut" || c.op == "ExtTextOut") texts.push_back(c.text);
  // Day names from Sunday, the caption, then 42 day numbers.
  ASSERT_GE(texts.size(), 2u + 7 + 42);
  EXPECT_EQ(texts[0], "September");
  EXPECT_EQ(texts[1], "2024");
  EXPECT_EQ((std::vector<std::string>(texts.begin() + 2, texts.begin() + 9)),
            (std::vector<std::string>{"S", "M", "T", "W", "T", "F", "S"}));
  EXPECT_EQ(texts[9], "25");
  EXPECT_EQ(texts.back(), "5");
  // The selected cell is in the selection colour; today has a maroon frame.
  Surface s = f.session.Snapshot(f.form.Handle());
  auto at = [&](int x, int y) { return ColorFromPixel(s.At(10 + x, 10 + y)) & 0xFFFFFF; };
  TRect sel = f.cal->CellRect(5, 3);  // Friday 20 September
  EXPECT_EQ(f.cal->CellDate(5, 3), D(2024, 9, 20));
  EXPECT_EQ(at(sel.left + 1, sel.top + 1), ColorToRGB(clHighlight) & 0xFFFFFF);
  TRect today = f.cal->CellRect(4, 2);
  EXPECT_EQ(f.cal->CellDate(4, 2), D(2024, 9, 12));
  EXPECT_EQ(at(today.left, today.top), ColorToRGB(static_cast<TColor>(0x000080)) & 0xFFFFFF);
  EXPECT_EQ(at(today.left + 2, today.top + 2), ColorToRGB(clWindow) & 0xFFFFFF);
}

// Week numbers stand on the calendar colour in their column, beside a one-pixel shadow line.
TEST(KcCalendar, WeekNumbersOnTheCalendarColour) {
  CalendarFixture f;
  f.cal->SetWeekNumbers(true);
  f.session.ProcessMessages();
  Surface s = f.session.Snapshot(f.form.Handle());
  auto at = [&](int x, int y) { return ColorFromPixel(s.At(10 + x, 10 + y)) & 0xFFFFFF; };
  const TRect first = f.cal->CellRect(0, 0);
  const int lineX = first.left - 2;
  const COLORREF background = ColorToRGB(clWindow) & 0xFFFFFF, shadow = ColorToRGB(clBtnShadow) & 0xFFFFFF;
  EXPECT_EQ(at(lineX, first.top + 2), shadow);
  EXPECT_EQ(at(lineX - 1, first.top + 2), background);
  EXPECT_EQ(at(lineX + 1, first.top + 2), background);
  // In every row's number box, no pixel has the shadow colour (the digits are text coloured).
  for (int row = 0; row < 6; ++row) {
    const TRect cell = f.cal->CellRect(0, row);
    int shadowPixels = 0, textPixels = 0;
    for (int y = cell.top; y < cell.bottom; ++y)
      for (int x = lineX - 1 - f.cal->WeekNumberWidth(); x < lineX; ++x) {
        shadowPixels += at(x, y) == shadow;
        textPixels += at(x, y) == (ColorToRGB(clBtnText) & 0xFFFFFF);
      }
    EXPECT_EQ(shadowPixels, 0) << row;
    EXPECT_GT(textPixels, 0) << row;
  }
}

TEST(KcClock, HandsAndTimeOfDay) {
  struct Row {
    int h, m, s;
    double hour, minute, second;  // in turns from three o'clock
  } rows[] = {
      {3, 0, 0, 0, -0.25, -0.25},
      {12, 0, 0, -0.25, -0.25, -0.25},
      {15, 30, 45, 30.0 * 60 / 43200 + 45.0 / 43200, (1800 + 45 - 900) / 3600.0, 30.0 / 60},
  };
  for (const Row& r : rows) {
    TkcClockAngles a = ClockHandAngles(EncodeTime(r.h, r.m, r.s, 0));
    EXPECT_NEAR(a.Hour, r.hour * 2 * M_PI, 1e-9) << r.h;
    EXPECT_NEAR(a.Minute, r.minute * 2 * M_PI, 1e-9) << r.h;
    EXPECT_NEAR(a.Second, r.second * 2 * M_PI, 1e-9) << r.h;
  }
  TFormsSession session;
  TPlainForm form(100, 100);
  auto* clock = new TkcClock(&form);
  clock->SetParent(&form);
  clock->SetTime(EncodeDate(2024, 1, 2) + 0.5);
  EXPECT_DOUBLE_EQ(clock->Time(), 0.5);
  form.Show();
  Surface s = session.Snapshot(form.Handle());
  // Noon: both hands point up from the centre; the second hand too.
  EXPECT_EQ(ColorFromPixel(s.At(30, 14)) & 0xFFFFFF, 0x0000FFu);  // the red second hand on top
  EXPECT_EQ(ColorFromPixel(s.At(32, 18)) & 0xFFFFFF, 0x808000u);
  EXPECT_EQ(ColorFromPixel(s.At(5, 30)) & 0xFFFFFF, ColorToRGB(clWindow) & 0xFFFFFF);
}

TEST(KcCalendar, DateTimeKindChoosesDayAndTime) {
  CalendarFixture f;
  f.cal->SetKind(ckDateTime);
  f.cal->SetDateButtons(TDateButtons{btnClear, btnNow, btnToday});
  f.session.ProcessMessages();
  TkcTimeEdit* time = f.cal->TimeEdit();
  ASSERT_TRUE(time->Visible());
  EXPECT_TRUE(f.cal->Clock()->Visible());
  EXPECT_TRUE(f.cal->NowButton()->Visible());
  EXPECT_TRUE(f.cal->OkButton()->Visible());
  // Time editor and clock right of the month; the date-time line on top.
  EXPECT_GE(time->Left(), f.cal->DaysRect().right);
  EXPECT_GE(f.cal->Clock()->Left(), f.cal->DaysRect().right);
  EXPECT_GT(f.cal->Clock()->Width(), 0);
  EXPECT_GE(f.cal->MonthCaptionRect().top, f.cal->DateTimeLineRect().bottom);
  EXPECT_GT(f.cal->Width(), f.cal->DateRegionWidth());
  // A single click chooses a day without closing; a typed time joins it; OK accepts.
  f.session.Click(f.CellPoint(2, 3));  // 17 September
  EXPECT_EQ(f.cal->SelectDate(), D(2024, 9, 17));
  EXPECT_TRUE(f.hides.empty());
  time->SetFocus();
  time->SetSelStart(0);
  f.session.Type("0930");
  EXPECT_NEAR(f.cal->SelectDateTime(), D(2024, 9, 17) + 9.5 / 24, 1e-9);
  EXPECT_NEAR(f.cal->Clock()->Time(), 9.5 / 24, 1e-9) << "the clock follows the editor";
  f.session.Click(f.Centre(f.cal->OkButton()->BoundsRect()));
  ASSERT_EQ(f.hides, std::vector<int>{4});
  EXPECT_EQ(f.changes, 1);
  EXPECT_NEAR(f.cal->SelectDate(), D(2024, 9, 17) + 9.5 / 24, 1e-9);
  // A double click on a day accepts it at once.
  f.hides.clear();
  f.session.Click(f.CellPoint(4, 3));
  f.session.Click(f.CellPoint(4, 3));
  EXPECT_EQ(std::floor(f.cal->SelectDate()), D(2024, 9, 19));
  EXPECT_EQ(f.hides, std::vector<int>{4});
}

TEST(KcCalendar, DateEditSetsItsCalendarUp) {
  CalendarFixture f;
  TkcDateEditProperties p(nullptr);
  p.SetKind(ckDateTime);
  p.SetWeekNumbers(true);
  p.SetArrowsForYear(false);
  TFont font;
  SetupDateEditCalendar(f.cal, &p, D(2004, 3, 5) + 14.5 / 24, &font, clInfoBk, false);
  EXPECT_EQ(f.cal->Kind(), ckDateTime);
  EXPECT_TRUE(f.cal->WeekNumbers());
  EXPECT_FALSE(f.cal->ArrowsForYear());
  EXPECT_FALSE(f.cal->Flat());
  EXPECT_EQ(f.cal->Color(), clInfoBk);
  EXPECT_EQ(f.cal->FirstDate(), D(2004, 3, 1));
  EXPECT_EQ(f.cal->SelectDate(), D(2004, 3, 5));
  EXPECT_NEAR(f.cal->TimeEdit()->Time(), 14.5 / 24, 1e-9);
  EXPECT_NEAR(f.cal->SelectDateTime(), D(2004, 3, 5) + 14.5 / 24, 1e-9);
  EXPECT_TRUE(f.cal->NowButton()->Visible() == p.DateButtons().Contains(btnNow));
  // No date yet: today's month, today chosen.
  p.SetKind(ckDate);
  SetupDateEditCalendar(f.cal, &p, NullDate, nullptr, clWindow, true);
  EXPECT_EQ(f.cal->SelectDate(), D(2024, 9, 12));
  EXPECT_EQ(f.cal->FirstDate(), D(2024, 9, 1));
  EXPECT_FALSE(f.cal->TimeEdit()->Visible());
}
