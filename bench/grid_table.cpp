// A table view of five columns over 1,000 and over 1,000,000 rows: the first screen (layout and
// paint), a page down, a jump to the end, each painted into a bitmap; then the clipboard text
// of 100,000 and of 1,000,000 rows. Interleaved rounds; each ratio is the median of the rounds'
// ratios. The screen operations should cost the same at both sizes (only visible rows are laid
// out) and the clipboard text should cost the same per row; the ratios come last, the worst on
// the last line.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "grid/kcGridTableView.h"
#include "platform/forms/Forms.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/win/TestDriver.h"

namespace {

struct Table {
  TForm form{nullptr};
  TkcGrid* grid;
  TkcGridTableView* view;
  TBitmap bitmap{640, 480};
  TkcCanvas canvas{bitmap.Canvas()};
  explicit Table(int ARows) {
    form.SetBounds(0, 0, 660, 500);
    grid = new TkcGrid(&form);
    view = CreateGridView<TkcGridTableView>(&form);
    grid->Levels()->Add()->SetGridView(view);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 640, 480);
    TkcCustomDataController* dc = view->DataController();
    for (int i = 0; i < 5; ++i) view->CreateColumn()->SetCaption("Column " + std::to_string(i));
    view->Columns(0)->SetValueTypeClass(TkcIntegerValueType::Class());
    view->Columns(1)->SetValueTypeClass(TkcStringValueType::Class());
    view->Columns(2)->SetValueTypeClass(TkcIntegerValueType::Class());
    view->Columns(3)->SetValueTypeClass(TkcFloatValueType::Class());
    view->Columns(4)->SetValueTypeClass(TkcStringValueType::Class());
    dc->BeginUpdate();
    dc->SetRecordCount(ARows);
    for (int r = 0; r < ARows; ++r) {
      dc->SetValue(r, 0, Variant(r));
      dc->SetValue(r, 1, Variant("name " + std::to_string(r % 9973)));
      dc->SetValue(r, 2, Variant(r % 1000));
      dc->SetValue(r, 3, Variant(r * 0.25));
      dc->SetValue(r, 4, Variant("text"));
    }
    dc->EndUpdate();
    form.Show();
  }
  void Paint() { view->Painter()->Paint(&canvas); }
  double FirstScreen() {
    return Seconds([&] {
      view->SetTopRowIndex(0);
      view->TableViewInfo()->Recalculate();
      Paint();
    });
  }
  double PageDown() {
    return Seconds([&] {
      view->SetTopRowIndex(view->TopRowIndex() + view->TableViewInfo()->VisibleRowCount());
      Paint();
    });
  }
  double ToEnd() {
    return Seconds([&] {
      view->SetTopRowIndex(view->MaxTopRowIndex());
      Paint();
    });
  }
};

}  // namespace

int main() {
  TTestSession session;
  SetFontSource(std::make_shared<FixedFontSource>());
  Table small(1000), large(1000000);
  TTestSession* s = &session;
  s->ProcessMessages();
  std::vector<double> fs[2], pd[2], te[2];
  for (int round = 0; round < 7; ++round) {
    Table* tables[] = {&small, &large};
    for (int k = 0; k < 2; ++k) {
      Table* t = tables[(k + round) % 2];
      int i = t == &small ? 0 : 1;
      fs[i].push_back(t->FirstScreen());
      pd[i].push_back(t->PageDown());
      te[i].push_back(t->ToEnd());
    }
  }
  std::printf("rows laid out at 1,000,000 rows: %d (of %d)\n", large.view->TableViewInfo()->PartVisibleRowCount(),
              large.view->DataController()->GetRowCount());
  const char* names[] = {"first screen", "page down", "to the end"};
  std::vector<double>* series[] = {fs, pd, te};
  double worst = 0;
  for (int n = 0; n < 3; ++n) {
    double a = Median(series[n][0]), b = Median(series[n][1]);
    std::vector<double> ratios;
    for (std::size_t k = 0; k < series[n][0].size(); ++k) ratios.push_back(series[n][1][k] / series[n][0][k]);
    double ratio = Median(ratios);
    std::printf("%-14s 1,000 rows %8.1f us   1,000,000 rows %8.1f us   ratio %.2f\n", names[n], a * 1e6, b * 1e6,
                ratio);
    worst = std::max(worst, ratio);
  }
  // Clipboard text: time per row at 100,000 and at 1,000,000 rows.
  std::vector<double> copy[2];
  Table medium(100000);
  std::size_t length = 0;
  for (int round = 0; round < 3; ++round) {
    copy[0].push_back(Seconds([&] { length = medium.view->GetCopyText(true, false).size(); }) / 100000);
    copy[1].push_back(Seconds([&] { length = large.view->GetCopyText(true, false).size(); }) / 1000000);
  }
  double c0 = Median(copy[0]), c1 = Median(copy[1]);
  std::vector<double> copyRatios;
  for (std::size_t k = 0; k < copy[0].size(); ++k) copyRatios.push_back(copy[1][k] / copy[0][k]);
  double copyRatio = Median(copyRatios);
  std::printf("clipboard text per row: 100,000 rows %.3f us   1,000,000 rows %.3f us (%zu bytes)   ratio %.2f\n",
              c0 * 1e6, c1 * 1e6, length, copyRatio);
  worst = std::max(worst, copyRatio);
  std::printf("worst ratio (1,000,000 rows against the smaller table; 1.00 is flat): %.2f\n", worst);
  SetFontSource(nullptr);
  return 0;
}
