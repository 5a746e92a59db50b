// The PLAN tree of the main window for PLANs of 1,000 to 10,000 table reads in one join: the
// parse and tree build, then a paint of the PLAN page. Prints the milliseconds of each and the
// time per table read, which stays flat when both are linear in the PLAN's size.
//
//   bench_plan_tree

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "analyzer/ui/MainForm.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/win/TestDriver.h"

namespace {
double Ms(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since).count();
}

String Plan(int reads) {
  String plan = "PLAN JOIN (";
  for (int i = 0; i < reads; ++i) plan += (i ? ", T" : "T") + std::to_string(i) + " NATURAL";
  return plan + ")";
}
}  // namespace

int main() {
  TTestSession session;
  SetFontSource(std::make_shared<FixedFontSource>());
  auto* form = new TfrmMain(nullptr);
  form->Show();
  form->SetActivePage(1);
  form->PlanParser.SetMaxDepth(1000000);
  std::printf("%8s %12s %10s %14s\n", "reads", "build ms", "paint ms", "us per read");
  for (int reads : {1000, 2000, 5000, 10000}) {
    form->memPlan->SetText(Plan(reads));
    auto t0 = std::chrono::steady_clock::now();
    form->ParsePlanAndBuildTree();
    const double build = Ms(t0);
    if (form->treePlanAnalysis->Items()->Count() != reads + 3) std::printf("unexpected tree\n");
    // Scrolled to the end, so that the rows painted are the last ones.
    form->treePlanAnalysis->SetSelected(form->treePlanAnalysis->Items()->Item(reads + 2));
    auto t1 = std::chrono::steady_clock::now();
    form->treePlanAnalysis->Invalidate();
    session.Snapshot(form->Handle());
    const double paint = Ms(t1);
    std::printf("%8d %12.1f %10.1f %14.2f\n", reads, build, paint, (build + paint) * 1000 / reads);
  }
  form->Free();
  SetFontSource(nullptr);
  return 0;
}
