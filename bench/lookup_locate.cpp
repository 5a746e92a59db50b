// Typing a prefix into a lookup over 1,000,000 rows: each keystroke asks for the first row
// whose text begins with the typed text. The lookup grid's text index (built once) against a
// scan of the rows per keystroke, as a plain search would do. Prints the build time, the time
// per keystroke of each, and their ratio. Then keys typed into a lookup combo box over a
// dataset of 1,000,000 rows (and of 1,000 rows) against the bare index locate of the same
// prefixes: medians of interleaved runs, the ratio of the editor to the index printed last.

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "bench/BenchTiming.h"
#include "editors-extended/kcDBLookupComboBox.h"
#include "editors-extended/kcEditorsRegister.h"
#include "editors-extended/kcLookupGrid.h"
#include "platform/core/SysUtils.h"
#include "platform/db/DBClient.h"
#include "platform/forms/Forms.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/win/TestDriver.h"

namespace {
using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

std::string RandomName(std::mt19937& ARandom) {
  std::string name;
  for (int i = 0; i < 8; ++i) name += static_cast<char>('a' + ARandom() % 26);
  return name;
}

// A lookup combo box over a dataset of names, focused on a form, its list closed while typing.
struct LookupForm {
  TForm form{nullptr};
  TClientDataSet names{nullptr};
  TDataSource source{nullptr};
  TkcLookupComboBox* combo;
  std::vector<std::string> typed;  // three names of the list
  explicit LookupForm(int ARows) {
    names.FieldDefs().Add("ID", ftInteger);
    names.FieldDefs().Add("NAME", ftString, 8);
    names.CreateDataSet();
    names.DisableControls();
    std::mt19937 random(11);
    for (int r = 0; r < ARows; ++r) {
      const std::string name = RandomName(random);
      if (r == ARows / 7 || r == ARows / 2 || r == ARows - 3) typed.push_back(name);
      names.AppendRecord({Variant(r), Variant(name)});
    }
    names.EnableControls();
    source.SetDataSet(&names);
    form.SetBounds(0, 0, 300, 200);
    combo = new TkcLookupComboBox(&form);
    combo->SetParent(&form);
    combo->SetBounds(10, 10, 200, 21);
    TkcLookupComboBoxProperties* p = combo->Properties();
    p->ImmediateDropDown = false;
    p->SetListSource(&source);
    p->SetKeyFieldNames("ID");
    p->SetListFieldNames("NAME");
    form.Show();
    combo->SetFocus();
  }
  ~LookupForm() { names.Close(); }
  // Seconds per keystroke of typing the three names, each after selecting the whole text.
  // With AListShown the first key drops the list down and the others filter it; Escape closes
  // it after each name.
  double Typing(TTestSession& ASession, bool AListShown = false) {
    // The keys go to the focused window: this form's editor.
    form.Show();
    combo->SetFocus();
    combo->Properties()->ImmediateDropDown = AListShown;
    ASession.ProcessMessages();
    int keys = 0;
    const double seconds = Seconds([&] {
      for (const std::string& name : typed) {
        combo->SelectAll();
        ASession.Type(name);
        if (combo->HasPopupWindow()) ASession.Key(VK_ESCAPE, "\x1b");
        keys += static_cast<int>(name.size());
      }
    });
    return seconds / keys;
  }
  // Seconds per keystroke of the bare index locate of the same prefixes.
  double IndexLocate() {
    TkcCustomLookupDBGrid* grid = combo->Properties()->ListGrid();
    int keys = 0, found = 0;
    const double seconds = Seconds([&] {
      for (int round = 0; round < 100; ++round)
        for (const std::string& name : typed)
          for (std::size_t n = 1; n <= name.size(); ++n, ++keys) found += grid->FindRowByText(0, name.substr(0, n), true) >= 0;
    });
    return found == keys ? seconds / keys : -1;
  }
};
}  // namespace

int main() {
  constexpr int kRows = 1'000'000;
  TkcDataController dc(nullptr);
  TObject item;
  dc.AddItem(&item);
  dc.ChangeValueTypeClass(0, TkcStringValueType::Class());
  std::mt19937 random(7);
  dc.BeginUpdate();
  dc.SetRecordCount(kRows);
  for (int r = 0; r < kRows; ++r) {
    std::string name;
    for (int i = 0; i < 8; ++i) name += static_cast<char>('a' + random() % 26);
    dc.SetValue(r, 0, Variant(name));
  }
  dc.EndUpdate();

  auto start = Clock::now();
  TkcLookupTextIndex index;
  index.Build(&dc, 0);
  const double build = Ms(Clock::now() - start);

  // The keystrokes of typing three names that exist, prefix by prefix.
  std::vector<std::string> typed;
  for (int r : {123456, 654321, 999}) {
    const std::string name = dc.GetDisplayText(r, 0);
    for (std::size_t n = 1; n <= name.size(); ++n) typed.push_back(name.substr(0, n));
  }
  int found = 0;
  start = Clock::now();
  for (int round = 0; round < 100; ++round)
    for (const std::string& t : typed) found += index.FindRow(t, true) >= 0;
  const double indexed = Ms(Clock::now() - start) / (100.0 * typed.size());

  start = Clock::now();
  int scanned = 0;
  for (const std::string& t : typed) {
    const std::string key = AnsiUpperCase(t);
    for (int row = 0; row < dc.GetRowCount(); ++row) {
      const std::string text = AnsiUpperCase(dc.GetDisplayText(dc.GetRowInfo(row).RecordIndex, 0));
      if (text.compare(0, key.size(), key) == 0) {
        ++scanned;
        break;
      }
    }
  }
  const double scan = Ms(Clock::now() - start) / typed.size();
  std::printf("rows %d, index build %.1f ms\n", kRows, build);
  std::printf("per keystroke: index %.4f ms, scan %.3f ms (found %d/%zu and %d/%zu)\n", indexed, scan, found / 100,
              typed.size(), scanned, typed.size());
  std::printf("scan / index: %.0f\n", scan / indexed);

  // Keys typed into the lookup combo box.
  TTestSession session;
  SetFontSource(std::make_shared<FixedFontSource>());
  InitializeExtendedEditors();
  start = Clock::now();
  LookupForm small(1000), large(kRows);
  session.ProcessMessages();
  std::printf("lookup combo boxes over 1,000 and %d rows set up in %.0f ms\n", kRows, Ms(Clock::now() - start));
  small.Typing(session);
  large.Typing(session);  // the list's text index is built on the first keystroke
  std::vector<double> typing[2], locate;
  for (int round = 0; round < 9; ++round) {
    LookupForm* forms[] = {&small, &large};
    for (int k = 0; k < 2; ++k) typing[(k + round) % 2].push_back(forms[(k + round) % 2]->Typing(session));
    locate.push_back(large.IndexLocate());
  }
  const bool typedRight = large.combo->Text() == large.typed.back() && small.combo->Text() == small.typed.back();
  const double t1k = Median(typing[0]), t1m = Median(typing[1]), bare = Median(locate);
  std::printf("per keystroke into the lookup edit: 1,000 rows %.1f us, %d rows %.1f us (1,000,000 / 1,000: %.2f)%s\n",
              t1k * 1e6, kRows, t1m * 1e6, t1m / t1k, typedRight ? "" : "  TEXT MISMATCH");
  std::vector<double> filtering[2];
  for (int round = 0; round < 3; ++round) {
    LookupForm* forms[] = {&small, &large};
    for (int k = 0; k < 2; ++k) filtering[(k + round) % 2].push_back(forms[(k + round) % 2]->Typing(session, true));
  }
  const double f1k = Median(filtering[0]), f1m = Median(filtering[1]);
  std::printf("per keystroke with the list shown (filtered): 1,000 rows %.1f us, %d rows %.1f us (1,000,000 / 1,000: "
              "%.0f)\n",
              f1k * 1e6, kRows, f1m * 1e6, f1m / f1k);
  std::printf("bare index locate per keystroke at %d rows: %.3f us\n", kRows, bare * 1e6);
  std::printf("lookup edit / bare index locate: %.0f\n", t1m / bare);
  SetFontSource(nullptr);
  return 0;
}
