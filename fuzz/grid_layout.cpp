// A table view's stored layout restored from a stream; whatever was restored is stored again.
#include <memory>

#include "FuzzTarget.h"
#include "grid/kcGridStoredLayout.h"
#include "platform/core/Classes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::unique_ptr<TkcGridTableView> view{CreateGridView<TkcGridTableView>(nullptr)};
  for (const char* caption : {"A", "B", "C"}) view->CreateColumn()->SetCaption(caption);
  view->Columns(1)->SetSortOrder(soAscending);
  TMemoryStream in;
  in.WriteBuffer(data, static_cast<std::int64_t>(size));
  in.SetPosition(0);
  try {
    RestoreTableViewLayout(view.get(), &in);
  } catch (const Exception&) {
    return 0;
  }
  TMemoryStream out;
  StoreTableViewLayout(view.get(), &out);
  return 0;
}
