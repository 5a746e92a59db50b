#include "platform/forms/Chart.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/core/Math.h"
#include "platform/gdi/Printers.h"

namespace {
COLORREF Ref(TColor c) { return ColorToRGB(c); }
const TColor kSeriesColors[] = {clRed, clGreen, clYellow, clBlue, clWhite, clGray, clFuchsia, clTeal, clNavy, clMaroon};

String NumberText(double v) {
  char buf[64];
  if (v == std::floor(v) && std::fabs(v) < 1e15)
    std::snprintf(buf, sizeof buf, "%.0f", v);
  else
    std::snprintf(buf, sizeof buf, "%.3g", v);
  return buf;
}

// 1, 2 or 5 times a power of ten, giving at most about `ticks` steps up to `max`.
double NiceStep(double max, int ticks) {
  if (max <= 0) return 1;
  double raw = max / ticks;
  double p = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * p >= raw) return m * p;
  return 10 * p;
}
}  // namespace

// ---- TChartSeries ---------------------------------------------------------------------------

TChartSeries::~TChartSeries() {
  if (fChart) fChart->DetachSeries(this);
}

void TChartSeries::SetParentChart(TChart* c) {
  if (c == fChart) return;
  if (fChart) fChart->DetachSeries(this);
  if (c) c->AttachSeries(this);
}

void TChartSeries::SetSeriesColor(TColor v) {
  fColor = v;
  fColorSet = true;
  Changed();
}

void TChartSeries::Changed() {
  if (fChart) fChart->Invalidate();
}

int TChartSeries::Add(double Value, const String& Label, TColor Color) {
  fValues.push_back(Value);
  fLabels.push_back(Label);
  fColors.push_back(Color);
  Changed();
  return Count() - 1;
}

void TChartSeries::Clear() {
  fValues.clear();
  fLabels.clear();
  fColors.clear();
  Changed();
}

void TChartSeries::Delete(int i) {
  if (i < 0 || i >= Count()) throw EListError("List index out of bounds (" + IntToStr(i) + ")");
  fValues.erase(fValues.begin() + i);
  fLabels.erase(fLabels.begin() + i);
  fColors.erase(fColors.begin() + i);
  Changed();
}

TColor TChartSeries::ValueColor(int i) const {
  TColor c = fColors.at(i);
  return c == clTeeColor ? fColor : c;
}

double TChartSeries::MaxValue() const {
  return fValues.empty() ? 0 : *std::max_element(fValues.begin(), fValues.end());
}
double TChartSeries::MinValue() const {
  return fValues.empty() ? 0 : *std::min_element(fValues.begin(), fValues.end());
}

String TChartSeries::MarkText(int i) const {
  switch (Marks.Style) {
    case smsLabel: return fLabels.at(i);
    case smsLabelValue: return fLabels.at(i) + " " + NumberText(fValues.at(i));
    case smsPercent: {
      double total = 0;
      for (double v : fValues) total += v;
      char buf[32];
      std::snprintf(buf, sizeof buf, "%.0f %%", total ? fValues.at(i) * 100 / total : 0.0);
      return buf;
    }
    default: return NumberText(fValues.at(i));
  }
}

// ---- TChart ---------------------------------------------------------------------------------

TChart::TChart(TComponent* AOwner) : TCustomControl(AOwner) {
  fWidth = 400;
  fHeight = 250;
  fColor = clBtnFace;
  fParentColor = false;
}

TChart::~TChart() {
  for (TChartSeries* s : fSeries) s->fChart = nullptr;
}

void TChart::AttachSeries(TChartSeries* s) {
  if (std::find(fSeries.begin(), fSeries.end(), s) != fSeries.end()) return;
  if (!s->fColorSet) s->fColor = kSeriesColors[fSeries.size() % std::size(kSeriesColors)];
  fSeries.push_back(s);
  s->fChart = this;
  Invalidate();
}

void TChart::DetachSeries(TChartSeries* s) {
  fSeries.erase(std::remove(fSeries.begin(), fSeries.end(), s), fSeries.end());
  s->fChart = nullptr;
  Invalidate();
}

void TChart::RemoveSeries(TChartSeries* s) { DetachSeries(s); }
void TChart::RemoveAllSeries() {
  while (!fSeries.empty()) DetachSeries(fSeries.back());
}

double TChart::AxisMaximum() const {
  double max = 0;
  for (TChartSeries* s : fSeries)
    if (s->Active) max = std::max(max, s->MaxValue());
  double step = NiceStep(max, 5);
  return max <= 0 ? 1 : std::ceil(max / step) * step;
}

double TChart::AxisStep() const {
  double max = 0;
  for (TChartSeries* s : fSeries)
    if (s->Active) max = std::max(max, s->MaxValue());
  return NiceStep(max, 5);
}

TRect TChart::BarRect(int s, int index) const {
  if (s < 0 || s >= static_cast<int>(fBars.size()) || index < 0 || index >= static_cast<int>(fBars[s].size()))
    return TRect{};
  return fBars[s][index];
}

void TChart::Draw(TCanvas* c, const TRect& area) {
  HDC dc = c->Handle();
  c->Font()->Assign(Font());
  c->Brush()->SetColor(BackColor != clNone ? BackColor : Color());
  c->FillRect(area);
  c->TextExtent("");
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Ref(Font()->Color()));
  int textH = c->TextHeight("Qq");
  TRect r = area;
  InflateRect(&r, -6, -6);

  if (Title.Visible && Title.Text.Count()) {
    String t = Title.Text.Text();
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
    RECT tr{r.left, r.top, r.right, r.top + textH};
    DrawText(dc, t, &tr, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
    r.top += textH + 4;
  }
  std::vector<TChartSeries*> active;
  for (TChartSeries* s : fSeries)
    if (s->Active) active.push_back(s);
  if (Legend.Visible && !active.empty()) {
    int w = 0;
    for (TChartSeries* s : active) w = std::max(w, c->TextWidth(s->Title));
    int lw = w + 30;
    TRect lr{r.right - lw, r.top, r.right, r.top + static_cast<int>(active.size()) * (textH + 4) + 6};
    c->Brush()->SetColor(clWhite);
    c->Pen()->SetColor(clBlack);
    c->Rectangle(lr);
    int y = lr.top + 4;
    for (TChartSeries* s : active) {
      c->Brush()->SetColor(s->SeriesColor());
      c->Rectangle(lr.left + 4, y + 2, lr.left + 16, y + textH - 1);
      c->Brush()->SetStyle(bsClear);
      c->TextOut(lr.left + 22, y, s->Title);
      y += textH + 4;
    }
    r.right -= lw + 8;
  }
  int rows = 0;
  for (TChartSeries* s : active) rows = std::max(rows, s->Count());
  auto label = [&](int i) {
    for (TChartSeries* s : active)
      if (i < s->Count() && !s->XLabel(i).empty()) return s->XLabel(i);
    return String();
  };
  int labelW = 0;
  for (int i = 0; i < rows; ++i) labelW = std::max(labelW, c->TextWidth(label(i)));
  int bottomH = textH + 6 + (BottomAxis.Title.Caption.empty() ? 0 : textH + 4);
  TRect wall{r.left + labelW + 6, r.top, r.right, r.bottom - bottomH};
  if (wall.right <= wall.left || wall.bottom <= wall.top) return;
  c->Brush()->SetColor(BackWall.Color);
  c->Pen()->SetColor(clBlack);
  c->Rectangle(wall);

  double max = AxisMaximum(), step = NiceStep(max, 5);
  int wallW = wall.right - wall.left - 2;
  c->Brush()->SetStyle(bsClear);
  for (double v = 0; v <= max + step / 2; v += step) {
    int x = wall.left + 1 + static_cast<int>(std::lround(v / max * wallW));
    c->MoveTo(x, wall.bottom);
    c->LineTo(x, wall.bottom + 4);
    String t = NumberText(v);
    c->TextOut(x - c->TextWidth(t) / 2, wall.bottom + 5, t);
  }
  if (!BottomAxis.Title.Caption.empty()) {
    RECT tr{wall.left, r.bottom - textH, wall.right, r.bottom};
    DrawText(dc, BottomAxis.Title.Caption, &tr, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
  }

  fBars.assign(fSeries.size(), {});
  if (rows == 0) return;
  int rowH = (wall.bottom - wall.top) / rows;
  for (int i = 0; i < rows; ++i) {
    int rowTop = wall.top + i * rowH;
    String l = label(i);
    c->Brush()->SetStyle(bsClear);
    c->TextOut(wall.left - 4 - c->TextWidth(l), rowTop + (rowH - textH) / 2, l);
    int band = std::max(1, rowH * 70 / 100);
    int each = std::max(1, band / static_cast<int>(active.size()));
    int y = rowTop + (rowH - band) / 2;
    for (std::size_t k = 0; k < active.size(); ++k, y += each) {
      TChartSeries* s = active[k];
      if (i >= s->Count()) continue;
      double v = std::max(0.0, s->YValue(i));
      int w = static_cast<int>(std::lround(v / max * wallW));
      TRect bar{wall.left + 1, y, wall.left + 1 + w, y + each};
      auto si = static_cast<std::size_t>(std::find(fSeries.begin(), fSeries.end(), s) - fSeries.begin());
      if (fBars[si].size() < static_cast<std::size_t>(s->Count())) fBars[si].resize(s->Count());
      fBars[si][i] = bar;
      c->Brush()->SetColor(s->ValueColor(i));
      c->Pen()->SetColor(clBlack);
      if (w > 0) c->Rectangle(bar);
      if (s->Marks.Visible) {
        String t = s->MarkText(i);
        int tw = c->TextWidth(t);
        TRect mr{bar.right + 4, y + (each - textH) / 2 - 1, bar.right + 8 + tw, y + (each - textH) / 2 + textH + 1};
        c->Brush()->SetColor(s->Marks.BackColor);
        c->Rectangle(mr);
        c->Brush()->SetStyle(bsClear);
        c->TextOut(mr.left + 2, mr.top + 1, t);
      }
    }
  }
}

void TChart::Paint() { Draw(Canvas(), ClientRect()); }

void TChart::Print() {
  TBitmap picture(std::max(fWidth, 1), std::max(fHeight, 1));
  Draw(picture.Canvas(), Bounds(0, 0, picture.Width(), picture.Height()));
  TPrinter& p = Printer();
  p.BeginDoc();
  try {
    int w = p.PageWidth();
    int h = MulDiv(w, picture.Height(), picture.Width());
    StretchBlt(p.Handle(), 0, 0, w, h, picture.Canvas()->Handle(), 0, 0, picture.Width(), picture.Height(), SRCCOPY);
  } catch (...) {
    p.Abort();
    throw;
  }
  p.EndDoc();
}
