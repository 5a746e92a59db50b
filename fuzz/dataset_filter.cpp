// The dataset filter language: an expression set as a dataset's Filter and applied to records.
#include "FuzzTarget.h"
#include "platform/db/DBClient.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const std::uint8_t options = in.Byte();
  static TClientDataSet* ds = [] {
    auto* d = new TClientDataSet(nullptr);
    d->FieldDefs().Add("ID", ftInteger);
    d->FieldDefs().Add("NAME", ftString, 20);
    d->FieldDefs().Add("D", ftDateTime);
    d->FieldDefs().Add("N", ftFloat);
    d->CreateDataSet();
    d->AppendRecord({1, "alpha", Variant::FromDate(45000.25), 1.5});
    d->AppendRecord({2, "Beta%_", Variant::FromDate(45001), Null()});
    d->AppendRecord({3, Null(), Null(), -2.0});
    return d;
  }();
  ds->SetFiltered(false);
  TFilterOptions fo;
  if (options & 1) fo.Include(foCaseInsensitive);
  if (options & 2) fo.Include(foNoPartialCompare);
  ds->SetFilterOptions(fo);
  try {
    ds->SetFilter(in.Rest());
    ds->SetFiltered(true);
    for (ds->First(); !ds->Eof(); ds->Next()) {}
  } catch (const Exception&) {}
  return 0;
}
