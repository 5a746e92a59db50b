#pragma once
// The month calendar that drops down from the date edit: a caption header with month (and year)
// arrows, six weeks of days with one-letter day names and optional week numbers, the month list
// that pops up from the caption, and the Today and Clear buttons.

#include <memory>

#include "controls/kcControls.h"
#include "editors-extended/kcButtons.h"
#include "editors-extended/kcTimeEdit.h"
#include "editors/kcDateUtils.h"

enum TkcCalendarKind { ckDate, ckDateTime };
enum TCalendarButton { btnClear, btnNow, btnToday, btnOk };
using TDateButtons = TSet<TCalendarButton, 3>;

constexpr TDateTime InvalidDate = -699999.0;

// Years 100..9999.
bool IsDateInRange(TDateTime ADate);
// The date, or InvalidDate for an impossible year, month or day.
TDateTime SafeEncodeDate(int AYear, int AMonth, int ADay);
// The month list's scroll interval for a mouse that is ARows rows beyond its edge.
UINT MonthListScrollInterval(int ARows);

class TkcCustomCalendar;

// The angles (radians, clockwise from three o'clock) of the hour, minute and second hands.
struct TkcClockAngles {
  double Hour, Minute, Second;
};
TkcClockAngles ClockHandAngles(TDateTime ATime);

// The analog clock of the date-and-time calendar.
class TkcClock : public TkcControl {
  VT_CLASS(TkcClock, TkcControl)
public:
  explicit TkcClock(TComponent* AOwner);
  TColor MinuteDotColor() const { return fMinuteDotColor; }
  void SetMinuteDotColor(TColor Value);
  // Only the time of day is kept.
  TDateTime Time() const { return fTime; }
  void SetTime(TDateTime Value);
  bool HasScrollBars() override { return false; }

protected:
  void Paint() override;

private:
  TColor fMinuteDotColor = clWindow;
  TDateTime fTime = 0;
};

// The list of months that pops up from the calendar's caption. In scroll mode it shows seven
// months around the shown one (with years), captures the mouse and scrolls while the mouse is
// held above or below it; otherwise the twelve months of the shown year, chosen by a click.
class TMonthListBox : public TCustomControl {
  VT_CLASS(TMonthListBox, TCustomControl)
public:
  explicit TMonthListBox(TkcCustomCalendar* ACalendar);
  ~TMonthListBox() override;
  bool ScrollMode() const;
  int RowCount() const { return ScrollMode() ? 7 : 12; }
  int RowHeight() const;
  // The first row's year and month.
  int TopYear() const { return fTopYear; }
  int TopMonth() const { return fTopMonth; }
  int ItemIndex() const { return fItemIndex; }
  TkcTimer* Timer() const { return fTimer.get(); }
  void ShowList();
  void CloseList();
  bool Shown() const { return Visible(); }
  // One row up (-1) or down (1); no step brings a year outside 100..9999 into the list.
  bool ScrollRows(int ADelta);
  void Dispatch(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  bool RowDate(int ARow, int& AYear, int& AMonth) const;
  void TimerTick(TObject*);
  TkcCustomCalendar* fCalendar;
  std::unique_ptr<TkcTimer> fTimer;
  int fTopYear = 2000, fTopMonth = 1;
  int fItemIndex = -1;
  int fScrollDirection = 0;
};

class TkcCustomCalendar : public TkcControl {
  VT_CLASS(TkcCustomCalendar, TkcControl)
public:
  explicit TkcCustomCalendar(TComponent* AOwner);
  ~TkcCustomCalendar() override;

  bool ArrowsForYear() const { return fArrowsForYear; }
  void SetArrowsForYear(bool Value);
  TDateButtons DateButtons() const { return fDateButtons; }
  void SetDateButtons(TDateButtons Value);
  bool Flat() const { return fFlat; }
  void SetFlat(bool Value);
  TkcCalendarKind Kind() const { return fKind; }
  void SetKind(TkcCalendarKind Value);
  bool WeekNumbers() const { return fWeekNumbers; }
  void SetWeekNumbers(bool Value);
  bool YearsInMonthList = true;
  TDateTime FirstDate() const { return fFirstDate; }
  void SetFirstDate(TDateTime Value);
  TDateTime SelectDate() const { return fSelectDate; }
  void SetSelectDate(TDateTime Value) { InternalSetSelectDate(true, Value); }
  TNotifyEvent OnDateTimeChanged;

  // Metrics and layout (after the window exists).
  int ColWidth() const { return fColWidth; }
  int SideWidth() const { return fSideWidth; }
  int RowHeight() const { return fRowHeight; }
  int HeaderHeight() const { return fHeaderHeight; }
  int DaysOfWeekHeight() const { return fDaysOfWeekHeight; }
  int ButtonHeight() const { return fButtonHeight; }
  int ButtonWidth() const { return fButtonWidth; }
  int ButtonsAreaHeight() const { return fButtonsAreaHeight; }
  int WeekNumberWidth() const { return fWeekNumberWidth; }
  int DateRegionWidth() const { return fDateRegionWidth; }
  const TRect& ArrowRect(int AIndex) const { return fArrowRects[AIndex]; }
  const TRect& MonthCaptionRect() const { return fMonthCaptionRect; }
  const TRect& YearCaptionRect() const { return fYearCaptionRect; }
  const TRect& DaysRect() const { return fDaysRect; }
  int HotTrackRegion() const { return fHotTrackRegion; }
  TkcButton* TodayButton() const { return fTodayButton; }
  TkcButton* ClearButton() const { return fClearButton; }
  TkcButton* NowButton() const { return fNowButton; }
  TkcButton* OkButton() const { return fOkButton; }
  // The date-and-time kind's clock and time editor.
  TkcClock* Clock() const { return fClock; }
  TkcTimeEdit* TimeEdit() const { return fTimeEdit; }
  const TRect& DateTimeLineRect() const { return fDateTimeLineRect; }
  // The date and time the date-and-time kind shows: the chosen day at the editor's time.
  TDateTime SelectDateTime();
  void SetTimeFormat(TkcTimeEditTimeFormat Value);
  void SetUse24HourFormat(bool Value);
  TMonthListBox* MonthListBox() const { return fMonthListBox.get(); }
  TkcTimer* ScrollTimer() const { return fTimer.get(); }

  TDateTime GetFirstVisibleDate() const;
  TDateTime GetLastDate() const;
  // The date of the cell in column 0..6 and row 0..5.
  TDateTime CellDate(int ACol, int ARow) const { return GetFirstVisibleDate() + 7 * ARow + ACol; }
  TRect CellRect(int ACol, int ARow) const;
  TDateTime PosToDate(const TPoint& P);
  virtual TSize GetSize();
  virtual void CalculateViewInfo();
  // Reasons: 2 a close key, 3 cancel, 4 a date was chosen.
  virtual void HidePopup(int AReason);
  void DoDateTimeChanged() {
    if (OnDateTimeChanged) OnDateTimeChanged(this);
  }
  void InternalSetSelectDate(bool ARepositionVisibleDates, TDateTime ADate);
  // Moves the shown month: 0 previous month, 1 next month, 2 previous year, 3 next year.
  void StepArrow(int AIndex);
  void CheckHotTrack();

  bool CanResize(int& NewWidth, int& NewHeight) override;
  void InitScrollBarsParent() override;
  bool HasScrollBars() override { return false; }
  void FontChanged() override;
  void MouseEnter(TControl* AControl) override;
  void MouseLeave(TControl* AControl) override;

protected:
  void CreateWnd() override;
  void Paint() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DblClick() override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  int DateAreaOffset() { return fKind == ckDateTime ? MulDiv(Font()->Size(), 3, 4) : 0; }
  int WeekColumnWidth() const { return fWeekNumbers ? fWeekNumberWidth + 5 : 0; }
  bool HasButtonsArea() const;
  TColor CalendarColor() { return Color(); }

private:
  void ButtonClick(TObject* Sender);
  void TimerTick(TObject*);
  int ArrowAt(const TPoint& P) const;
  void PlaceButtons();
  void PaintHeader();
  void PaintDays();
  void PaintDateTimeArea();
  void TimeChanged(TObject*);

  bool fArrowsForYear = true;
  TDateButtons fDateButtons{btnClear, btnToday};
  bool fFlat = true;
  TkcCalendarKind fKind = ckDate;
  bool fWeekNumbers = false;
  TDateTime fFirstDate = 0, fSelectDate = 0;
  int fHotTrackRegion = 0;
  int fColWidth = 0, fSideWidth = 0, fRowHeight = 0, fHeaderHeight = 0, fDaysOfWeekHeight = 0;
  int fButtonHeight = 0, fButtonIndent = 0, fButtonsAreaHeight = 0, fButtonWidth = 0;
  int fWeekNumberWidth = 0, fDateRegionWidth = 0;
  TRect fArrowRects[4]{};
  int fLastArrow = 1;
  int fTimerArrow = -1;
  TRect fMonthCaptionRect{}, fYearCaptionRect{}, fHeaderRect{}, fDaysRect{};
  TkcButton* fTodayButton;
  TkcButton* fClearButton;
  TkcButton* fNowButton;
  TkcButton* fOkButton;
  TkcClock* fClock;
  TkcTimeEdit* fTimeEdit;
  int fClockSize = 0, fTimeEditWidth = 0;
  TRect fDateTimeLineRect{};
  std::unique_ptr<TkcTimer> fTimer;
  std::unique_ptr<TMonthListBox> fMonthListBox;
};

class TkcPopupCalendar : public TkcCustomCalendar {
  VT_CLASS(TkcPopupCalendar, TkcCustomCalendar)
public:
  explicit TkcPopupCalendar(TComponent* AOwner) : TkcCustomCalendar(AOwner) {}
  std::function<void(TObject* Sender, int AReason)> OnHidePopup;
  void HidePopup(int AReason) override;

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
};
