#pragma once
// An unbound data controller with plain item objects, filled inside one update.

#include <memory>
#include <string>
#include <vector>

#include "data/kcCustomData.h"

struct ControllerFixture {
  // One item per value type, in order.
  explicit ControllerFixture(std::vector<TkcValueTypeClass> types) {
    for (std::size_t i = 0; i < types.size(); ++i) {
      items.push_back(std::make_unique<TObject>());
      dc.AddItem(items.back().get());
      dc.ChangeValueTypeClass(static_cast<int>(i), types[i]);
    }
  }

  // Replaces the records by rows of values (one Variant per item).
  void Load(const std::vector<std::vector<Variant>>& rows) {
    dc.BeginUpdate();
    dc.SetRecordCount(0);
    dc.SetRecordCount(static_cast<int>(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r)
      for (std::size_t i = 0; i < rows[r].size(); ++i)
        dc.SetValue(static_cast<int>(r), static_cast<int>(i), rows[r][i]);
    dc.EndUpdate();
  }

  // The records of the rows in display order (group rows as -1 - level).
  std::vector<int> RowRecords() {
    std::vector<int> out;
    const int levels = dc.DataControllerInfo()->DataGroups()->GetLevelCount();
    for (int row = 0; row < dc.GetRowCount(); ++row) {
      TkcRowInfo info = dc.GetRowInfo(row);
      out.push_back(info.Level < levels ? -1 - info.Level : info.RecordIndex);
    }
    return out;
  }

  std::vector<int> FilteredRecords() {
    std::vector<int> out;
    for (int p = 0; p < dc.GetFilteredRecordCount(); ++p) out.push_back(dc.GetFilteredRecordIndex(p));
    return out;
  }

  TkcDataController dc{nullptr};
  std::vector<std::unique_ptr<TObject>> items;
};
