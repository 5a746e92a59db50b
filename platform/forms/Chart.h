#pragma once
// The chart: horizontal bar series drawn on a back wall, one row per label, the series of a
// row side by side, a bottom axis with its title, a legend, and value marks at the bar ends.

#include <memory>
#include <vector>

#include "platform/forms/Controls.h"

class TChart;

constexpr TColor clTeeColor = clDefault;  // a point without its own colour takes the series colour

enum TSeriesMarksStyle { smsValue, smsLabel, smsLabelValue, smsPercent };
enum TPanningMode { pmNone, pmHorizontal, pmVertical, pmBoth };

struct TSeriesMarks {
  bool Visible = true;
  TSeriesMarksStyle Style = smsValue;
  TColor BackColor = clInfoBk;
};

class TChartSeries : public TComponent {
  VT_CLASS(TChartSeries, TComponent)
public:
  explicit TChartSeries(TComponent* AOwner) : TComponent(AOwner) {}
  ~TChartSeries() override;
  TChart* ParentChart() const { return fChart; }
  void SetParentChart(TChart* c);
  String Title;
  TColor SeriesColor() const { return fColor; }
  void SetSeriesColor(TColor v);
  TSeriesMarks Marks;
  bool Active = true;
  bool ShowInLegend = true;
  // Appends a point; answers its index.
  int Add(double Value, const String& Label = String(), TColor Color = clTeeColor);
  void Clear();
  void Delete(int i);
  int Count() const { return static_cast<int>(fValues.size()); }
  double YValue(int i) const { return fValues.at(i); }
  const String& XLabel(int i) const { return fLabels.at(i); }
  TColor ValueColor(int i) const;
  double MaxValue() const;
  double MinValue() const;
  // Mark text of a point.
  String MarkText(int i) const;

protected:
  void Changed();

private:
  friend class TChart;
  TChart* fChart = nullptr;
  TColor fColor = clRed;
  bool fColorSet = false;
  std::vector<double> fValues;
  std::vector<String> fLabels;
  std::vector<TColor> fColors;
};

enum TBarStyle { bsRectangle, bsPyramid, bsInvPyramid, bsCilinder, bsEllipse, bsArrow, bsRectGradient };

class THorizBarSeries : public TChartSeries {
  VT_CLASS(THorizBarSeries, TChartSeries)
public:
  explicit THorizBarSeries(TComponent* AOwner) : TChartSeries(AOwner) {}
  TBarStyle BarStyle = bsRectangle;
  int BarWidthPercent = 70;
};

struct TChartTitle {
  bool Visible = true;
  TStringList Text;
};

struct TChartAxisTitle {
  String Caption;
};

struct TChartAxis {
  TChartAxisTitle Title;
  bool Visible = true;
};

struct TChartWall {
  TColor Color = clWhite;
};

struct TChartLegend {
  bool Visible = true;
};

class TChart : public TCustomControl {
  VT_CLASS(TChart, TCustomControl)
public:
  explicit TChart(TComponent* AOwner);
  ~TChart() override;
  TChartTitle Title;
  TChartAxis BottomAxis, LeftAxis;
  TChartWall BackWall;
  TChartLegend Legend;
  bool View3D = true;
  bool AllowZoom = true;
  TPanningMode AllowPanning = pmBoth;
  TColor BackColor = clNone;
  int SeriesCount() const { return static_cast<int>(fSeries.size()); }
  TChartSeries* Series(int i) const { return fSeries.at(i); }
  void AddSeries(TChartSeries* s) { s->SetParentChart(this); }
  void RemoveSeries(TChartSeries* s);
  void RemoveAllSeries();
  // Draws the whole chart into a rectangle of a canvas (used for the screen and for printing).
  void Draw(TCanvas* canvas, const TRect& r);
  // Prints the chart on one page of the printer, as wide as the page.
  void Print();
  // The rectangle of point `index` of series `s` (client coordinates, last drawing).
  TRect BarRect(int s, int index) const;
  // Largest value on the bottom axis and its step.
  double AxisMaximum() const;
  double AxisStep() const;

protected:
  void Paint() override;

private:
  friend class TChartSeries;
  void AttachSeries(TChartSeries* s);
  void DetachSeries(TChartSeries* s);
  std::vector<TChartSeries*> fSeries;
  std::vector<std::vector<TRect>> fBars;
};
