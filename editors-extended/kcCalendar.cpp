#include "editors-extended/kcCalendar.h"

#include <algorithm>
#include <cmath>

#include "controls/kcControlUtils.h"
#include "controls/kcLocalize.h"
#include "editors/kcEditUtils.h"
#include "editors/kcFormats.h"
#include "platform/core/Math.h"
#include "platform/core/Utf8.h"

namespace {

int YearOf(TDateTime D) {
  int y, m, d;
  DecodeDate(D, y, m, d);
  return y;
}

bool IsOffice11(TkcLookAndFeelPainterClass P) { return P == TkcOffice11LookAndFeelPainter::Instance(); }

}  // namespace

bool IsDateInRange(TDateTime ADate) {
  static const TDateTime first = EncodeDate(100, 1, 1), last = EncodeDate(9999, 12, 31) + 1;
  return ADate >= first && ADate < last;
}

TDateTime SafeEncodeDate(int AYear, int AMonth, int ADay) {
  TDateTime d;
  if (AYear < 100 || AYear > 9999 || !TryEncodeDate(AYear, AMonth, ADay, d)) return InvalidDate;
  return d;
}

UINT MonthListScrollInterval(int ARows) {
  static const UINT intervals[] = {500, 250, 100, 50};
  return intervals[std::clamp(ARows, 0, 3)];
}

// ---- Clock --------------------------------------------------------------------------------

TkcClockAngles ClockHandAngles(TDateTime ATime) {
  int h, m, sec, ms;
  DecodeTime(std::fabs(ATime - std::trunc(ATime)), h, m, sec, ms);
  const double pi2 = 2 * M_PI;
  return TkcClockAngles{((h % 12) * 3600 + m * 60 + sec - 10800) * pi2 / 43200, (m * 60 + sec - 900) * pi2 / 3600,
                        (sec - 15) * pi2 / 60};
}

TkcClock::TkcClock(TComponent* AOwner) : TkcControl(AOwner) {
  SetColor(clWindow);
  SetBounds(0, 0, 60, 60);
}

void TkcClock::SetMinuteDotColor(TColor Value) {
  fMinuteDotColor = Value;
  Invalidate();
}

void TkcClock::SetTime(TDateTime Value) {
  fTime = std::fabs(Value - std::trunc(Value));
  Invalidate();
}

void TkcClock::Paint() {
  TkcCanvas* c = Canvas();
  c->FillRect(ClientRect(), Color());
  int cx = Width() / 2, cy = Height() / 2;
  double rx = Width() / 2.0 - 2, ry = Height() / 2.0 - 2;
  for (int i = 0; i < 60; i += 5) {
    double a = i * 2 * M_PI / 60;
    int x = cx + int(std::lround(rx * std::cos(a))), y = cy + int(std::lround(ry * std::sin(a)));
    c->SetPixel(x - 1, y, static_cast<TColor>(0xFFFF00));
    c->SetPixel(x, y - 1, static_cast<TColor>(0xFFFF00));
    c->SetPixel(x, y, static_cast<TColor>(0x808000));
    c->SetPixel(x + 1, y, clBtnText);
    c->SetPixel(x, y + 1, clBtnText);
  }
  TkcClockAngles a = ClockHandAngles(fTime);
  auto at = [&](double angle, double radius) {
    return TPoint{cx + int(std::lround(rx * radius * std::cos(angle))),
                  cy + int(std::lround(ry * radius * std::sin(angle)))};
  };
  auto hand = [&](double angle, double tip, double tail, double halfWidth) {
    TPoint side1{cx + int(std::lround(halfWidth * std::cos(angle + M_PI / 2))),
                 cy + int(std::lround(halfWidth * std::sin(angle + M_PI / 2)))};
    TPoint side2{cx + int(std::lround(halfWidth * std::cos(angle - M_PI / 2))),
                 cy + int(std::lround(halfWidth * std::sin(angle - M_PI / 2)))};
    c->Brush()->SetColor(static_cast<TColor>(0x808000));
    c->Pen()->SetColor(static_cast<TColor>(0x808000));
    c->Polygon({at(angle, tip), side1, at(angle + M_PI, tail), side2});
  };
  hand(a.Hour, 0.75, 0.15, 4.5);
  hand(a.Minute, 0.85, 0.2, 3.5);
  c->Pen()->SetColor(static_cast<TColor>(0x0000FF));
  TPoint tip = at(a.Second, 0.9);
  c->MoveTo(cx, cy);
  c->LineTo(tip.x, tip.y);
}

// ---- Month list -----------------------------------------------------------------------------

TMonthListBox::TMonthListBox(TkcCustomCalendar* ACalendar) : TCustomControl(nullptr), fCalendar(ACalendar) {
  fVisible = false;
  SetTabStop(false);
  fTimer = std::make_unique<TkcTimer>(nullptr);
  fTimer->SetEnabled(false);
  fTimer->SetOnTimer([this](TObject* Sender) { TimerTick(Sender); });
}

TMonthListBox::~TMonthListBox() = default;

void TMonthListBox::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.Style = WS_POPUP;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WndParent = HWND();
}

bool TMonthListBox::ScrollMode() const { return !fCalendar->ArrowsForYear() || fCalendar->YearsInMonthList; }

int TMonthListBox::RowHeight() const { return fCalendar->HeaderHeight() - 2; }

bool TMonthListBox::RowDate(int ARow, int& AYear, int& AMonth) const {
  uint16_t y = static_cast<uint16_t>(fTopYear), m = static_cast<uint16_t>(fTopMonth);
  int year = fTopYear, month = fTopMonth + ARow;
  year += (month - 1) / 12;
  month = (month - 1) % 12 + 1;
  (void)y;
  (void)m;
  AYear = year;
  AMonth = month;
  return year >= 100 && year <= 9999;
}

void TMonthListBox::ShowList() {
  int y, m, d;
  DecodeDate(fCalendar->FirstDate(), y, m, d);
  if (ScrollMode()) {
    m -= 3;
    if (m < 1) {
      m += 12;
      --y;
    }
    fTopYear = y;
    fTopMonth = m;
  } else {
    fTopYear = y;
    fTopMonth = 1;
  }
  fItemIndex = -1;
  fScrollDirection = 0;
  Font()->Assign(fCalendar->Font());
  int w = 6 * fCalendar->ColWidth() + 2, h = RowCount() * RowHeight() + 2;
  TRect cap = fCalendar->MonthCaptionRect();
  TPoint c = fCalendar->ClientToScreen(TPoint{(cap.left + cap.right) / 2, (cap.top + cap.bottom) / 2});
  SetBounds(c.x - w / 2, c.y - h / 2, w, h);
  HandleNeeded();
  ShowWindow(Handle(), SW_SHOWNA);
  fVisible = true;
  if (ScrollMode()) SetCapture(Handle());
  Invalidate();
}

void TMonthListBox::CloseList() {
  if (!fVisible) return;
  fTimer->SetEnabled(false);
  if (GetCapture() == Handle()) ReleaseCapture();
  int row = fItemIndex;
  fVisible = false;
  if (HandleAllocated()) ShowWindow(Handle(), SW_HIDE);
  int y, m;
  if (row >= 0 && RowDate(row, y, m)) {
    if (!ScrollMode()) y = YearOf(fCalendar->FirstDate());
    fCalendar->SetFirstDate(SafeEncodeDate(y, m, 1));
  }
  fCalendar->CheckHotTrack();
}

bool TMonthListBox::ScrollRows(int ADelta) {
  int y = fTopYear, m = fTopMonth + ADelta;
  if (m < 1) {
    m += 12;
    --y;
  } else if (m > 12) {
    m -= 12;
    ++y;
  }
  int lastMonth = m + RowCount() - 1, lastYear = y + (lastMonth - 1) / 12;
  if (y < 100 || lastYear > 9999) return false;
  fTopYear = y;
  fTopMonth = m;
  Invalidate();
  return true;
}

void TMonthListBox::TimerTick(TObject*) {
  if (fScrollDirection != 0) ScrollRows(fScrollDirection);
}

void TMonthListBox::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  int h = Height(), rh = std::max(1, RowHeight());
  int oldIndex = fItemIndex;
  if (X < 0 || X >= Width()) {
    fItemIndex = -1;
    fScrollDirection = 0;
    fTimer->SetEnabled(false);
  } else if (Y >= 0 && Y < h) {
    int row = std::clamp((Y - 1) / rh, 0, RowCount() - 1);
    int y, m;
    fItemIndex = RowDate(row, y, m) ? row : -1;
    fScrollDirection = 0;
    fTimer->SetEnabled(false);
  } else if (ScrollMode()) {
    fItemIndex = -1;
    int distance = Y < 0 ? -Y : Y - h + 1;  // the first pixel outside counts 1
    fScrollDirection = Y < 0 ? -1 : 1;
    UINT interval = MonthListScrollInterval(distance / rh);
    if (!(fTimer->Enabled() && fTimer->Interval() == interval)) {
      fTimer->SetEnabled(false);
      fTimer->SetInterval(interval);
      fTimer->SetEnabled(true);
    }
  }
  if (oldIndex != fItemIndex) Invalidate();
}

void TMonthListBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  if (!ScrollMode()) {
    fItemIndex = -1;
    if (X >= 0 && X < Width() && Y >= 1 && Y < Height() - 1)
      fItemIndex = std::clamp((Y - 1) / std::max(1, RowHeight()), 0, RowCount() - 1);
  }
  CloseList();
}

void TMonthListBox::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_MOUSEACTIVATE) {
    Message.Result = MA_NOACTIVATE;
    return;
  }
  if (Message.Msg == WM_CAPTURECHANGED && ScrollMode() && fVisible) {
    TCustomControl::Dispatch(Message);
    CloseList();
    return;
  }
  TCustomControl::Dispatch(Message);
}

void TMonthListBox::Paint() {
  TkcCanvas canvas(Canvas());
  TRect r = ClientRect();
  canvas.FrameRect(r, clBlack);
  canvas.SetFont(Font());
  canvas.Brush()->SetStyle(bsClear);
  const auto& names = FormatSettings.LongMonthNames;
  for (int i = 0; i < RowCount(); ++i) {
    TRect row{1, 1 + i * RowHeight(), r.right - 1, 1 + (i + 1) * RowHeight()};
    int y, m;
    bool valid = RowDate(i, y, m);
    bool selected = valid && i == fItemIndex;
    canvas.FillRect(row, selected ? clWindowText : fCalendar->Color());
    if (!valid) continue;
    String text = names[m - 1];
    if (ScrollMode()) text += " " + IntToStr(y);
    canvas.Font()->SetColor(selected ? fCalendar->Color() : clWindowText);
    canvas.DrawText(text, row, kctfHCenter | kctfVCenter | kctfSingleLine);
  }
}

// ---- Calendar -------------------------------------------------------------------------------

TkcCustomCalendar::TkcCustomCalendar(TComponent* AOwner) : TkcControl(AOwner) {
  TControlStyle s = ControlStyle();
  s.Include(csCaptureMouse);
  s.Include(csOpaque);
  s.Exclude(csClickEvents);
  s.Exclude(csDoubleClicks);
  SetControlStyle(s);
  fSelectDate = Date();
  int y, m, d;
  DecodeDate(fSelectDate, y, m, d);
  fFirstDate = EncodeDate(y, m, 1);
  SetBounds(0, 0, 20, 20);
  SetColor(clWindow);
  SetKeys(TkcControlKeys{kAll, kArrows, kChars, kTab});
  fTimer = std::make_unique<TkcTimer>(nullptr);
  fTimer->SetEnabled(false);
  fTimer->SetInterval(200);
  fTimer->SetOnTimer([this](TObject* Sender) { TimerTick(Sender); });
  fMonthListBox = std::make_unique<TMonthListBox>(this);
  auto makeButton = [this](const char* caption, int tag) {
    auto* b = new TkcButton(this);
    b->SetCaption(LocalizeText(caption));
    b->SetTag(tag);
    b->SetTabStop(false);
    b->SetVisible(false);
    b->OnClick = [this](TObject* Sender) { ButtonClick(Sender); };
    return b;
  };
  fClearButton = makeButton("Clear", 0);
  fNowButton = makeButton("Now", 1);
  fTodayButton = makeButton("Today", 2);
  fOkButton = makeButton("OK", 3);
  fOkButton->SetDefault(true);
  fClock = new TkcClock(this);
  fClock->SetVisible(false);
  fTimeEdit = new TkcTimeEdit(this);
  fTimeEdit->SetVisible(false);
  fTimeEdit->Properties()->Circular = true;
  fTimeEdit->SetEditValue(Variant::FromDate(0));
  fTimeEdit->Properties()->OnChange = TNotifyEvent(this, &TkcCustomCalendar::TimeChanged);
}

void TkcCustomCalendar::TimeChanged(TObject*) {
  fClock->SetTime(fTimeEdit->Time());
  if (HandleAllocated() && !IsRectEmpty(&fDateTimeLineRect)) {
    TRect r = fDateTimeLineRect;
    if (!fFlat) InflateRect(&r, -1, -1);
    ::InvalidateRect(Handle(), &r, FALSE);
  }
}

TDateTime TkcCustomCalendar::SelectDateTime() {
  if (fSelectDate == NullDate) return NullDate;
  const double sign = fSelectDate < 0 ? -1 : 1;
  return std::trunc(fSelectDate) + sign * fTimeEdit->Time();
}

void TkcCustomCalendar::SetTimeFormat(TkcTimeEditTimeFormat Value) {
  fTimeEdit->Properties()->SetTimeFormat(Value);
  CalculateViewInfo();
}

void TkcCustomCalendar::SetUse24HourFormat(bool Value) {
  fTimeEdit->Properties()->SetUse24HourFormat(Value);
  CalculateViewInfo();
}

TkcCustomCalendar::~TkcCustomCalendar() {
  fTimer.reset();
  fMonthListBox.reset();
}

void TkcCustomCalendar::CreateWnd() {
  TkcControl::CreateWnd();
  CalculateViewInfo();
}

void TkcCustomCalendar::InitScrollBarsParent() {
  TkcControl::InitScrollBarsParent();
  for (TWinControl* child : std::initializer_list<TWinControl*>{fClearButton, fOkButton, fNowButton, fTodayButton,
                                                                 fClock, fTimeEdit})
    child->SetParent(this);
  FontChanged();
}

void TkcCustomCalendar::FontChanged() {
  TkcControl::FontChanged();
  CalculateViewInfo();
}

bool TkcCustomCalendar::CanResize(int& NewWidth, int& NewHeight) {
  if (fColWidth > 0) {
    TSize s = GetSize();
    NewWidth = s.cx;
    NewHeight = s.cy;
  }
  return true;
}

void TkcCustomCalendar::SetArrowsForYear(bool Value) {
  if (fArrowsForYear == Value) return;
  fArrowsForYear = Value;
  CalculateViewInfo();
}

void TkcCustomCalendar::SetDateButtons(TDateButtons Value) {
  if (fDateButtons == Value) return;
  fDateButtons = Value;
  fClearButton->SetVisible(Value.Contains(btnClear));
  fNowButton->SetVisible(fKind == ckDateTime && Value.Contains(btnNow));
  fTodayButton->SetVisible(Value.Contains(btnToday));
  CalculateViewInfo();
}

void TkcCustomCalendar::SetFlat(bool Value) {
  if (fFlat == Value) return;
  fFlat = Value;
  CalculateViewInfo();
}

void TkcCustomCalendar::SetKind(TkcCalendarKind Value) {
  if (fKind == Value) return;
  fKind = Value;
  // The date-and-time kind takes single and double clicks: one chooses, two accept.
  TControlStyle style = ControlStyle();
  if (Value == ckDateTime) {
    style.Include(csClickEvents);
    style.Include(csDoubleClicks);
  } else {
    style.Exclude(csClickEvents);
    style.Exclude(csDoubleClicks);
  }
  SetControlStyle(style);
  CalculateViewInfo();
}

void TkcCustomCalendar::SetWeekNumbers(bool Value) {
  if (fWeekNumbers == Value) return;
  fWeekNumbers = Value;
  CalculateViewInfo();
}

bool TkcCustomCalendar::HasButtonsArea() const {
  return fKind == ckDateTime || fDateButtons.Contains(btnToday) || fDateButtons.Contains(btnClear);
}

void TkcCustomCalendar::CalculateViewInfo() {
  if (!HandleAllocated()) return;
  TkcCanvas* c = Canvas();
  TkcLookAndFeelPainterClass painter = GetPainter();
  TFont small;
  small.Assign(Font());
  small.SetSize(MulDiv(Font()->Size(), 2, 3));
  c->SetFont(&small);
  fWeekNumberWidth = c->TextWidth("99");
  c->SetFont(Font());
  fColWidth = 3 * c->TextWidth("0");
  fSideWidth = 2 * c->TextWidth("0");
  fRowHeight = c->TextHeight("0") + 2;
  fHeaderHeight = fRowHeight + 3 - (fKind == ckDate && IsOffice11(painter) ? 1 : 0);
  fDaysOfWeekHeight = fRowHeight + 1;
  const bool dateTime = fKind == ckDateTime;
  int widest = 0;
  if (fDateButtons.Contains(btnToday)) widest = std::max(widest, c->TextWidth(fTodayButton->Caption()));
  if (dateTime && fDateButtons.Contains(btnNow)) widest = std::max(widest, c->TextWidth(fNowButton->Caption()));
  if (fDateButtons.Contains(btnClear)) widest = std::max(widest, c->TextWidth(fClearButton->Caption()));
  if (dateTime) widest = std::max(widest, c->TextWidth(fOkButton->Caption()));
  fButtonWidth = widest + fColWidth;
  fButtonIndent = Font()->Size() / 2;
  fButtonHeight = MulDiv(c->TextHeight("Wg"), 20, 13) + 1;
  if (dateTime) {
    int v = MulDiv(Font()->Size(), 5, 4) + 1;
    if (v % 2 == 0) ++v;
    fButtonsAreaHeight = v + fButtonHeight;
  } else {
    fButtonsAreaHeight = MulDiv(Font()->Size(), 3, 4) + fButtonIndent + fButtonHeight - 1;
  }
  fDateRegionWidth = WeekColumnWidth() + 2 * fSideWidth + 7 * fColWidth;
  // Only the date-and-time kind's buttons and editor take the focus, in this order.
  fTimeEdit->SetTabStop(dateTime);
  fTodayButton->SetTabStop(dateTime);
  fNowButton->SetTabStop(dateTime);
  fClearButton->SetTabStop(dateTime);
  fOkButton->SetTabStop(dateTime);
  fTimeEdit->SetTabOrder(0);
  fTodayButton->SetTabOrder(1);
  fNowButton->SetTabOrder(2);
  fClearButton->SetTabOrder(3);
  fOkButton->SetTabOrder(4);
  fTimeEdit->SetFont(Font());
  {
    TkcScreenCanvas measure;
    measure.SetFont(Font());
    const TSize editSize = fTimeEdit->ActiveProperties()->GetEditSize(&measure, fTimeEdit->EditStyle(), false,
                                                                       Variant(0.0), TkcEditSizeProperties{});
    fTimeEditWidth = editSize.cx + c->TextWidth("0");
  }

  TSize size = GetSize();
  SetBounds(Left(), Top(), size.cx, size.cy);

  // The header: arrows at both ends, the month (and year) captions between them.
  bool office = fKind == ckDate && IsOffice11(painter);
  TRect m = office ? TRect{2, 2, 2, 0} : TRect{0, 0, 0, 0};
  int f = fKind == ckDateTime ? 1 : (fFlat ? 0 : 1);
  int top = m.top + f, bottom = m.top + fHeaderHeight - 1;
  TRect first{m.left + f, top, m.left + f + fColWidth - 2, bottom};
  TRect last{fDateRegionWidth - fColWidth - f - m.right + 2, top, fDateRegionWidth - f - m.right, bottom};
  for (TRect& r : fArrowRects) r = TRect{};
  fArrowRects[0] = first;
  if (!fArrowsForYear) {
    fLastArrow = 1;
    fArrowRects[1] = last;
    fMonthCaptionRect = TRect{first.right, m.top, last.left, m.top + fHeaderHeight};
    fYearCaptionRect = TRect{};
  } else {
    fLastArrow = 3;
    fArrowRects[3] = last;
    int w = 0;
    for (const auto& n : FormatSettings.LongMonthNames) w = std::max(w, c->TextWidth(n));
    int y = c->TextWidth("9999");
    int spare = fDateRegionWidth - 2 * f - m.left - m.right - w - y - 4 * fColWidth + 8;
    int x1 = first.right + w + (w + y > 0 ? w * spare / (w + y) : 0);
    fArrowRects[1] = TRect{x1, top, x1 + fColWidth - 2, bottom};
    fArrowRects[2] = TRect{fArrowRects[1].right, top, fArrowRects[1].right + fColWidth - 2, bottom};
    fMonthCaptionRect = TRect{first.right, m.top, fArrowRects[1].left, m.top + fHeaderHeight};
    fYearCaptionRect = TRect{fArrowRects[2].right, m.top, last.left, m.top + fHeaderHeight};
  }
  fHeaderRect = TRect{0, fMonthCaptionRect.top, fDateRegionWidth, fMonthCaptionRect.bottom};
  fDaysRect = TRect{0, fMonthCaptionRect.bottom + 1, fDateRegionWidth,
                    fMonthCaptionRect.bottom + 1 + fDaysOfWeekHeight + 6 * fRowHeight + 1};
  fDateTimeLineRect = TRect{};
  if (dateTime) {
    // The chosen date and time above the month, which moves down and in by the date offset.
    fDateTimeLineRect = TRect{0, 0, size.cx, fHeaderHeight};
    if (IsOffice11(painter)) {
      fDateTimeLineRect.left += 2;
      fDateTimeLineRect.top += 2;
      fDateTimeLineRect.right -= 2;
    }
    const int o = DateAreaOffset(), dy = o + fDateTimeLineRect.bottom;
    for (TRect* r : {&fArrowRects[0], &fArrowRects[1], &fArrowRects[2], &fArrowRects[3], &fMonthCaptionRect,
                     &fYearCaptionRect, &fHeaderRect, &fDaysRect})
      if (!IsRectEmpty(r)) OffsetRect(r, o, dy);
  }
  PlaceButtons();
  Invalidate();
}

TSize TkcCustomCalendar::GetSize() {
  int h = fDaysOfWeekHeight + 6 * fRowHeight + fHeaderHeight + 1;
  if (HasButtonsArea()) h += fButtonsAreaHeight;
  if (fKind == ckDateTime) {
    const int o = DateAreaOffset();
    h += o + fHeaderHeight + Font()->Size() / 2;
    // The clock fills the height the time editor and the margins leave beside the month.
    const int b = (fButtonsAreaHeight - fButtonHeight - 1) / 2;
    fClockSize = std::max(0, h - (fHeaderHeight + o + fButtonsAreaHeight + fTimeEdit->Height() + 3 * b));
    const int timeArea = 2 * b + std::max(fClockSize, fTimeEditWidth);
    return TSize{2 * o + fDateRegionWidth + fColWidth + timeArea, h};
  }
  h += 1;
  if (fKind == ckDate && IsOffice11(GetPainter())) h += 2;
  return TSize{fDateRegionWidth, h};
}

void TkcCustomCalendar::PlaceButtons() {
  bool clear = fDateButtons.Contains(btnClear), today = fDateButtons.Contains(btnToday);
  const bool dateTime = fKind == ckDateTime, now = dateTime && fDateButtons.Contains(btnNow);
  fClearButton->SetVisible(clear);
  fTodayButton->SetVisible(today);
  fNowButton->SetVisible(now);
  fOkButton->SetVisible(dateTime);
  fClock->SetVisible(dateTime);
  fTimeEdit->SetVisible(dateTime);
  for (TkcButton* b : {fTodayButton, fNowButton, fClearButton, fOkButton})
    b->LookAndFeel()->SetMasterLookAndFeel(LookAndFeel());
  if (dateTime) {
    const int d = MulDiv(Font()->Size(), 5, 4), w = Width(), bw = fButtonWidth;
    const int top = Height() - fButtonsAreaHeight + 1 + (fButtonsAreaHeight - fButtonHeight - 1) / 2;
    std::vector<TkcButton*> listed;
    if (today) listed.push_back(fTodayButton);
    if (now) listed.push_back(fNowButton);
    if (clear) listed.push_back(fClearButton);
    const int okLeft = w - d - bw - 1;
    fOkButton->SetBounds(okLeft, top, bw + 1, fButtonHeight);
    if (listed.size() == 1) {
      listed[0]->SetBounds(okLeft - d - bw - 1, top, bw + 1, fButtonHeight);
    } else {
      int left = d;
      for (TkcButton* b : listed) {
        b->SetBounds(left, top, bw + 1, fButtonHeight);
        left += d + bw + 1;
      }
    }
    const int o = DateAreaOffset(), c = (fButtonsAreaHeight - fButtonHeight - 1) / 2;
    const int editHeight = fTimeEdit->Height();
    fTimeEdit->SetBounds(w + (fClockSize + 2 * c - fTimeEditWidth) / 2 - o - fClockSize - 2 * c,
                         Height() - fButtonsAreaHeight - editHeight - c, fTimeEditWidth, editHeight);
    fClock->SetBounds(w - o - c - fClockSize, o + fHeaderHeight + c, fClockSize, fClockSize);
    return;
  }
  int top = ClientHeight() - fButtonsAreaHeight + fButtonIndent;
  int drw = fDateRegionWidth, bw = fButtonWidth;
  // Alone each is centred; together they sit at one third and two thirds.
  int todayLeft = (drw - bw - bw * (clear ? 1 : 0)) / (clear ? 3 : 2);
  int clearLeft = drw - bw - (drw - bw - bw * (today ? 1 : 0)) / (today ? 3 : 2);
  fTodayButton->SetBounds(todayLeft, top, bw + 1, fButtonHeight);
  fClearButton->SetBounds(clearLeft, top, bw + 1, fButtonHeight);
  fTodayButton->LookAndFeel()->SetMasterLookAndFeel(LookAndFeel());
  fClearButton->LookAndFeel()->SetMasterLookAndFeel(LookAndFeel());
}

TDateTime TkcCustomCalendar::GetFirstVisibleDate() const {
  int i = GetDayOfWeekIndex(fFirstDate);
  TDateTime r = fFirstDate - i;
  if (i == 0 && fFirstDate > EncodeDate(100, 1, 1)) r -= 7;
  return r;
}

TDateTime TkcCustomCalendar::GetLastDate() const {
  int y, m, d;
  DecodeDate(fFirstDate, y, m, d);
  return EncodeDate(y, m, MonthDayCount(y, m));
}

void TkcCustomCalendar::SetFirstDate(TDateTime Value) {
  if (!IsDateInRange(Value)) return;
  int y, m, d;
  DecodeDate(Value, y, m, d);
  TDateTime first = EncodeDate(y, m, 1);
  if (first == fFirstDate) return;
  fFirstDate = first;
  Repaint();
}

void TkcCustomCalendar::InternalSetSelectDate(bool ARepositionVisibleDates, TDateTime ADate) {
  if (ADate == fSelectDate || (ADate != NullDate && !IsDateInRange(ADate))) return;
  fSelectDate = ADate;
  if (ARepositionVisibleDates && ADate != NullDate) SetFirstDate(std::floor(ADate));
  if (ARepositionVisibleDates || fKind == ckDateTime)
    Repaint();
  else
    InvalidateRect(TRect{fDaysRect.left, fDaysRect.top + fDaysOfWeekHeight, fDaysRect.right, fDaysRect.bottom}, false);
}

void TkcCustomCalendar::StepArrow(int AIndex) {
  int y, m, d;
  DecodeDate(fFirstDate, y, m, d);
  switch (AIndex) {
    case 0: --m; break;
    case 1: ++m; break;
    case 2: --y; break;
    case 3: ++y; break;
    default: return;
  }
  if (m < 1) {
    m = 12;
    --y;
  } else if (m > 12) {
    m = 1;
    ++y;
  }
  SetFirstDate(SafeEncodeDate(y, m, 1));
}

TRect TkcCustomCalendar::CellRect(int ACol, int ARow) const {
  int left = fDaysRect.left + fSideWidth + WeekColumnWidth() + ACol * fColWidth;
  int top = fDaysRect.top + fDaysOfWeekHeight + ARow * fRowHeight;
  return TRect{left, top, left + fColWidth, top + fRowHeight};
}

TDateTime TkcCustomCalendar::PosToDate(const TPoint& P) {
  TRect client = ClientRect();
  if (!PtInRect(&client, P)) return NullDate;
  TRect cells = CellRect(0, 0);
  cells.right = cells.left + 7 * fColWidth;
  cells.bottom = cells.top + 6 * fRowHeight;
  if (!PtInRect(&cells, P)) return NullDate;
  TDateTime d = CellDate((P.x - cells.left) / fColWidth, (P.y - cells.top) / fRowHeight);
  return IsDateInRange(d) ? d : NullDate;
}

int TkcCustomCalendar::ArrowAt(const TPoint& P) const {
  for (int i = 0; i <= fLastArrow; ++i)
    if (PtInRect(&fArrowRects[i], P)) return i;
  return -1;
}

void TkcCustomCalendar::CheckHotTrack() {
  int region = 0;
  TPoint p;
  GetMouseCursorPos(p);
  p = ScreenToClient(p);
  if (!fMonthListBox->Shown() && !GetCapture()) {
    if (PtInRect(&fMonthCaptionRect, p))
      region = 1;
    else if (PtInRect(&fYearCaptionRect, p))
      region = 2;
  }
  if (region == fHotTrackRegion) return;
  fHotTrackRegion = region;
  InvalidateRect(fHeaderRect, false);
}

void TkcCustomCalendar::MouseEnter(TControl* AControl) {
  TkcControl::MouseEnter(AControl);
  CheckHotTrack();
}

void TkcCustomCalendar::MouseLeave(TControl* AControl) {
  TkcControl::MouseLeave(AControl);
  CheckHotTrack();
}

void TkcCustomCalendar::HidePopup(int) {
  fTimer->SetEnabled(false);
  fMonthListBox->Timer()->SetEnabled(false);
  if (fMonthListBox->Shown()) fMonthListBox->CloseList();
}

void TkcCustomCalendar::ButtonClick(TObject* Sender) {
  const double clock = fClock->Time();
  TDateTime d = NullDate;
  switch (static_cast<TComponent*>(Sender)->Tag()) {
    case 1: d = Now(); break;
    case 2: d = Date() + (Date() < 0 ? -clock : clock); break;
    case 3: d = fSelectDate == NullDate ? NullDate : std::trunc(fSelectDate) + (fSelectDate < 0 ? -clock : clock); break;
    default: break;
  }
  // The clock and the editor show the chosen time.
  const double time = d == NullDate ? 0 : std::fabs(d - std::trunc(d));
  fClock->SetTime(time);
  if (fKind == ckDateTime) {
    fTimeEdit->LockChangeEvents(true);
    fTimeEdit->SetTime(time);
    fTimeEdit->LockChangeEvents(false, false);
  }
  SetSelectDate(d);
  DoDateTimeChanged();
  HidePopup(4);
}

void TkcCustomCalendar::TimerTick(TObject*) {
  TPoint p;
  GetMouseCursorPos(p);
  int arrow = ArrowAt(ScreenToClient(p));
  if (arrow >= 0) StepArrow(arrow);
}

void TkcCustomCalendar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcControl::MouseDown(Button, Shift, X, Y);
  CheckHotTrack();
  if (Button != mbLeft) return;
  TPoint p{X, Y};
  TDateTime d = PosToDate(p);
  if (d != NullDate) {
    InternalSetSelectDate(false, d);
    return;
  }
  int arrow = ArrowAt(p);
  if (arrow >= 0) {
    StepArrow(arrow);
    fTimer->SetEnabled(true);
    return;
  }
  if (PtInRect(&fMonthCaptionRect, p)) {
    // The month list takes the mouse from here.
    SetMouseCapture(false);
    fMonthListBox->ShowList();
  }
}

void TkcCustomCalendar::MouseMove(TShiftState Shift, int X, int Y) {
  TkcControl::MouseMove(Shift, X, Y);
  CheckHotTrack();
  if (fTimer->Enabled()) return;
  if (Shift.Contains(ssLeft)) {
    TDateTime d = PosToDate(TPoint{X, Y});
    if (d != NullDate) InternalSetSelectDate(false, d);
  }
}

void TkcCustomCalendar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcControl::MouseUp(Button, Shift, X, Y);
  CheckHotTrack();
  if (fTimer->Enabled()) {
    fTimer->SetEnabled(false);
    return;
  }
  TPoint p{X, Y};
  TRect client = ClientRect();
  if (fKind == ckDateTime && fSelectDate != NullDate) SetFirstDate(std::floor(fSelectDate));
  if (fKind == ckDate && PtInRect(&client, p) && !PtInRect(&fMonthCaptionRect, p) && !PtInRect(&fYearCaptionRect, p) &&
      ArrowAt(p) < 0) {
    bool onDay = PosToDate(p) != NullDate;
    HidePopup(4);
    if (onDay) DoDateTimeChanged();
  }
}

void TkcCustomCalendar::DblClick() {
  TkcControl::DblClick();
  if (fKind != ckDateTime) return;
  const TPoint p = ScreenToClient(Mouse->CursorPos());
  const TDateTime d = PosToDate(p);
  if (d == NullDate) return;
  SetSelectDate(d);
  HidePopup(4);
  DoDateTimeChanged();
}

bool TkcCustomCalendar::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (TkcControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  if (fMonthListBox->Shown()) return true;
  TPoint p = ScreenToClient(MousePos);
  if (PtInRect(&fMonthCaptionRect, p))
    StepArrow(WheelDelta > 0 ? 0 : 1);
  else if (PtInRect(&fYearCaptionRect, p))
    StepArrow(WheelDelta > 0 ? 2 : 3);
  return true;
}

void TkcCustomCalendar::KeyDown(WORD& Key, TShiftState Shift) {
  TDateTime d = fSelectDate == NullDate ? Date() : std::floor(fSelectDate);
  int y, m, day;
  DecodeDate(d, y, m, day);
  TDateTime target = NullDate;
  switch (Key) {
    case VK_PRIOR:
    case VK_NEXT: {
      int ny = y, nm = m + (Key == VK_PRIOR ? -1 : 1);
      if (nm < 1) {
        nm = 12;
        --ny;
      } else if (nm > 12) {
        nm = 1;
        ++ny;
      }
      // The same day, cut to the length of the target month.
      if (ny >= 100 && ny <= 9999) target = SafeEncodeDate(ny, nm, std::min(day, MonthDayCount(ny, nm)));
      break;
    }
    case VK_HOME: target = Shift.Contains(ssCtrl) ? SafeEncodeDate(y, m, 1) : d - GetDayOfWeekIndex(d); break;
    case VK_END:
      target = Shift.Contains(ssCtrl) ? SafeEncodeDate(y, m, MonthDayCount(y, m)) : d + 6 - GetDayOfWeekIndex(d);
      break;
    case VK_LEFT: target = d - 1; break;
    case VK_RIGHT: target = d + 1; break;
    case VK_UP:
    case VK_DOWN:
      if (!(Shift.Contains(ssAlt) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssShift)))
        target = d + (Key == VK_UP ? -7 : 7);
      break;
    default: break;
  }
  if (target != NullDate && target != InvalidDate) SetSelectDate(target);
  TkcControl::KeyDown(Key, Shift);
}

// ---- Painting -------------------------------------------------------------------------------

void TkcCustomCalendar::Paint() {
  TkcCanvas* c = Canvas();
  c->FillRect(ClientRect(), CalendarColor());
  c->SetFont(Font());
  if (fKind == ckDateTime) PaintDateTimeArea();
  PaintHeader();
  PaintDays();
}

void TkcCustomCalendar::PaintDateTimeArea() {
  TkcCanvas* c = Canvas();
  TkcLookAndFeelPainterClass painter = GetPainter();
  const TColor header = IsOffice11(painter) ? painter->GetCalendarHeaderDefaultColor() : clBtnFace;
  TRect line = fDateTimeLineRect;
  c->FillRect(line, header);
  if (fFlat) {
    c->FillRect(TRect{line.left, line.bottom - 1, line.right, line.bottom}, clBtnText);
  } else {
    c->DrawEdge(line, false, false);
    InflateRect(&line, -1, -1);
  }
  const TDateTime shown = SelectDateTime();
  if (shown != NullDate) {
    c->Font()->SetColor(clBtnText);
    c->Brush()->SetStyle(bsClear);
    String text;
    try {
      text = DateTimeToStr(shown);
    } catch (const Exception&) {
      text.clear();
    }
    c->DrawText(text, line, kctfHCenter | kctfVCenter | kctfSingleLine);
    c->Brush()->SetStyle(bsSolid);
  }
  // The buttons strip along the bottom, and the line between the month and the time.
  const TRect strip{0, ClientHeight() - fButtonsAreaHeight, ClientWidth(), ClientHeight()};
  c->FillRect(strip, CalendarColor());
  c->FillRect(TRect{strip.left, strip.top, strip.right, strip.top + 1}, clBtnText);
  if (!fFlat) c->DrawEdge(strip, false, false);
  const int x = fDaysRect.right + fColWidth / 2;
  c->FillRect(TRect{x, fDaysRect.top, x + 1, fTimeEdit->Top() + fTimeEdit->Height()}, clBtnShadow);
}

void TkcCustomCalendar::PaintHeader() {
  TkcCanvas* c = Canvas();
  TkcLookAndFeelPainterClass painter = GetPainter();
  bool office = IsOffice11(painter);
  TColor header = office ? painter->GetCalendarHeaderDefaultColor() : clBtnFace;
  c->FillRect(fHeaderRect, header);
  for (int i = 0; i <= fLastArrow; ++i) {
    TRect r = fArrowRects[i];
    c->FillRect(r, header);
    if (fFlat && fKind == ckDate && !office) {
      r.top += 1;
      r.bottom -= 1;
    }
    bool left = i == 0 || i == 2;
    // A filled triangle half as high as the arrow's rectangle, pointing away from the caption.
    int h = std::max(2, std::min(r.right - r.left, r.bottom - r.top) / 2) / 2;
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    int tip = left ? cx - h / 2 : cx + h / 2, base = left ? tip + h : tip - h;
    c->Brush()->SetColor(clBtnText);
    c->Pen()->SetColor(clBtnText);
    c->Polygon({TPoint{tip, cy}, TPoint{base, cy - h}, TPoint{base, cy + h}});
  }
  int y, mo, d;
  DecodeDate(fFirstDate, y, mo, d);
  String month = FormatSettings.LongMonthNames[mo - 1];
  c->Brush()->SetStyle(bsClear);
  auto caption = [&](TRect r, const String& text, int region) {
    if (r.right <= r.left) return;
    r.bottom -= 1;
    if (fKind == ckDateTime || !fFlat) r.top += 1;
    c->Font()->SetColor(fHotTrackRegion == region ? GetHotLightColor() : clBtnText);
    c->DrawText(text, r, kctfHCenter | kctfVCenter | kctfSingleLine);
  };
  if (fArrowsForYear) {
    caption(fMonthCaptionRect, month, 1);
    caption(fYearCaptionRect, IntToStr(y), 2);
  } else {
    caption(fMonthCaptionRect, month + " " + IntToStr(y), 1);
  }
  if (!fFlat) {
    c->DrawEdge(fHeaderRect, false, false);
  } else if (office) {
    TRect r = fHeaderRect;
    r.top -= 2;
    r.bottom += 1;
    c->FrameRect(r, CalendarColor(), 2);
  } else {
    c->FillRect(TRect{fHeaderRect.left, fHeaderRect.bottom - 1, fHeaderRect.right, fHeaderRect.bottom}, clBtnText);
  }
}

void TkcCustomCalendar::PaintDays() {
  TkcCanvas* c = Canvas();
  TkcLookAndFeelPainterClass painter = GetPainter();
  int left = fDaysRect.left + fSideWidth + WeekColumnWidth();
  int right = left + 7 * fColWidth;
  // Day names, from the first day of the week.
  int weekStart = GetFormatController()->WeekStart();
  c->Font()->SetColor(clBtnText);
  c->Brush()->SetStyle(bsClear);
  for (int i = 0; i < 7; ++i) {
    TRect r{left + i * fColWidth, fDaysRect.top, left + (i + 1) * fColWidth - 3, fDaysRect.top + fDaysOfWeekHeight - 2};
    String name = FormatSettings.ShortDayNames[(weekStart + i) % 7];
    String first = Utf8Copy(name, 0, 1);
    c->DrawText(first, r, kctfRight | kctfVCenter | kctfSingleLine);
  }
  int lineY = fDaysRect.top + fDaysOfWeekHeight - 2;
  c->FillRect(TRect{left, lineY, right, lineY + 1}, clBtnShadow);
  c->FillRect(TRect{left, lineY + 1, right, lineY + 2}, clWindow);
  if (fKind == ckDate && HasButtonsArea()) {
    int y = ClientHeight() - fButtonsAreaHeight - 1;
    c->FillRect(TRect{left, y, right, y + 1}, clBtnShadow);
  }
  if (fWeekNumbers) {
    TFont small;
    small.Assign(Font());
    small.SetSize(MulDiv(Font()->Size(), 2, 3));
    int colLeft = fDaysRect.left + fSideWidth;
    int x = colLeft + fWeekNumberWidth + 3;
    int bottom = fKind == ckDate && HasButtonsArea() ? ClientHeight() - fButtonsAreaHeight - 1 : fDaysRect.bottom - 3;
    // The numbers stand on the calendar colour, beside the shadow line.
    c->FillRect(TRect{colLeft, fDaysRect.top + fDaysOfWeekHeight, x, bottom}, CalendarColor());
    c->FillRect(TRect{x, lineY, x + 1, bottom}, clBtnShadow);
    c->Brush()->SetStyle(bsClear);
    c->SetFont(&small);
    c->Font()->SetColor(clBtnText);
    for (int row = 0; row < 6; ++row) {
      TDateTime d = CellDate(0, row);
      if (!IsDateInRange(d)) continue;
      int top = fDaysRect.top + fDaysOfWeekHeight + row * fRowHeight;
      int week = GetWeekOfYear(weekStart, GetFormatController()->FirstWeekRule(), d);
      c->DrawText(IntToStr(week), TRect{colLeft, top, colLeft + fWeekNumberWidth, top + fRowHeight},
                  kctfRight | kctfVCenter | kctfSingleLine);
    }
    c->SetFont(Font());
  }
  TDateTime today = Date(), last = GetLastDate();
  TColor selColor = painter->GetCalendarSelectionDefaultColor(),
         selText = painter->GetCalendarSelectionDefaultTextColor();
  for (int row = 0; row < 6; ++row)
    for (int col = 0; col < 7; ++col) {
      TDateTime d = CellDate(col, row);
      TRect r = CellRect(col, row);
      bool selected = d == std::floor(fSelectDate) || (fSelectDate == NullDate && d == today);
      if (d == today) {
        c->FrameRect(r, static_cast<TColor>(0x000080));
        InflateRect(&r, -1, -1);
      }
      c->FillRect(r, selected ? selColor : CalendarColor());
      TColor text = selected ? selText : (d < fFirstDate || d > last) ? clGrayText : clWindowText;
      c->Font()->SetColor(text);
      if (!IsDateInRange(d)) continue;
      int y, m, day;
      DecodeDate(d, y, m, day);
      TRect tr = r;
      tr.right -= 3;
      c->DrawText(IntToStr(day), tr, kctfRight | kctfVCenter | kctfSingleLine);
    }
}

// ---- Popup calendar -------------------------------------------------------------------------

void TkcPopupCalendar::HidePopup(int AReason) {
  TkcCustomCalendar::HidePopup(AReason);
  if (OnHidePopup) OnHidePopup(this, AReason);
}

void TkcPopupCalendar::KeyDown(WORD& Key, TShiftState Shift) {
  TkcCustomCalendar::KeyDown(Key, Shift);
  switch (Key) {
    case VK_RETURN:
      if (!MonthListBox()->Shown()) {
        HidePopup(4);
        DoDateTimeChanged();
      }
      break;
    case VK_ESCAPE:
      if (MonthListBox()->Shown() && !MonthListBox()->ScrollMode())
        MonthListBox()->CloseList();
      else
        HidePopup(3);
      break;
    case VK_UP:
    case VK_DOWN:
      if (Shift.Contains(ssAlt)) HidePopup(2);
      break;
    case VK_F4:
      if (!Shift.Contains(ssAlt)) HidePopup(2);
      break;
    default: break;
  }
}
