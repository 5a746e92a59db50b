#include "grid/kcGridStoredLayout.h"

#include <algorithm>
#include <map>

#include "data/kcDataUtils.h"

namespace {

const char kMagic[4] = {'K', 'G', 'L', 'T'};
constexpr std::uint8_t kFormatVersion = 1;
constexpr int kViewVersion = 1;
// More properties or objects than any view has: a count beyond these is damage.
constexpr int kMaxProperties = 256, kMaxChildren = 100000;

[[noreturn]] void Refuse(const String& AWhy) {
  throw EkcGridLayoutError("The stored grid layout cannot be read: " + AWhy);
}

Variant ByteVariant(int AValue) {
  Variant v(static_cast<std::uint8_t>(AValue));
  return v;
}

void WriteProperties(TStream* AStream, const TkcStoredProperties& AProperties) {
  StreamWriteInteger(AStream, static_cast<std::int32_t>(AProperties.size()));
  for (const auto& [name, value] : AProperties) {
    StreamWriteString(AStream, name);
    StreamWriteVariant(AStream, value, true);
  }
}

int CheckedCount(TStream* AStream, int AMax) {
  int count = StreamReadInteger(AStream);
  if (count < 0 || count > AMax) Refuse("a count is out of range");
  return count;
}

TkcStoredProperties ReadProperties(TStream* AStream) {
  TkcStoredProperties result;
  int count = CheckedCount(AStream, kMaxProperties);
  for (int i = 0; i < count; ++i) {
    String name = StreamReadString(AStream);
    result.emplace_back(name, StreamReadVariant(AStream));
  }
  return result;
}

int IntegerOf(const Variant& AValue, const String& AName) {
  try {
    return AValue.AsInteger();
  } catch (const Exception&) {
    Refuse("\"" + AName + "\" is not a number");
  }
}

// An enumeration ordinal that must lie in [0, ACount).
int OrdinalOf(const Variant& AValue, const String& AName, int ACount) {
  int v = IntegerOf(AValue, AName);
  if (v < 0 || v >= ACount) Refuse("\"" + AName + "\" is out of range");
  return v;
}

bool BooleanOf(const Variant& AValue, const String& AName) {
  if (AValue.IsStr()) {
    try {
      return TextToBoolean(AValue.AsString());
    } catch (const EPropertyConvertError&) {
      Refuse("\"" + AName + "\" is not a Boolean");
    }
  }
  return IntegerOf(AValue, AName) != 0;
}

// What a restore will set on one column, checked before anything is applied.
struct TColumnLayout {
  TkcGridColumn* Column = nullptr;
  int GroupIndex = -1, Width = -1, Index = -1, SortIndex = -1;
  int Alignment = -1, SortOrder = -1, Visible = -1;
};

TColumnLayout ReadColumnLayout(TkcGridColumn* AColumn, const TkcStoredProperties& AProperties) {
  TColumnLayout l;
  l.Column = AColumn;
  for (const auto& [name, value] : AProperties) {
    if (name == "GroupIndex")
      l.GroupIndex = IntegerOf(value, name);
    else if (name == "Width")
      l.Width = std::max(0, IntegerOf(value, name));
    else if (name == "AlignmentHorz")
      l.Alignment = OrdinalOf(value, name, 3);
    else if (name == "Index")
      l.Index = IntegerOf(value, name);
    else if (name == "Visible")
      l.Visible = BooleanOf(value, name);
    else if (name == "SortOrder")
      l.SortOrder = OrdinalOf(value, name, 3);
    else if (name == "SortIndex")
      l.SortIndex = IntegerOf(value, name);
  }
  return l;
}

}  // namespace

TkcStoredProperties GetColumnStoredProperties(TkcGridColumn* AColumn) {
  TkcCustomDataController* dc = AColumn->GridView()->DataController();
  // The position among the sorted columns that are not grouped (grouped ones sort first anyway).
  int sortIndex = -1;
  for (int i = 0, n = 0; i < dc->GetSortingItemCount(); ++i) {
    int item = dc->GetSortingItemIndex(i);
    if (dc->Groups()->GetItemGroupIndex(item) >= 0) continue;
    if (item == AColumn->ItemIndex()) sortIndex = n;
    ++n;
  }
  return {{"GroupIndex", Variant(AColumn->GroupIndex())},
          {"Width", Variant(AColumn->Width())},
          {"AlignmentHorz", ByteVariant(AColumn->Alignment())},
          {"Index", Variant(AColumn->Index())},
          {"Visible", Variant(AColumn->Visible())},
          {"SortOrder", ByteVariant(AColumn->SortOrder())},
          {"SortIndex", Variant(sortIndex)}};
}

TkcStoredProperties GetViewStoredProperties(TkcGridTableView*) { return {{"Version", ByteVariant(kViewVersion)}}; }

void StoreTableViewLayout(TkcGridTableView* AView, TStream* AStream) {
  AStream->WriteBuffer(kMagic, 4);
  StreamWriteByte(AStream, kFormatVersion);
  WriteProperties(AStream, GetViewStoredProperties(AView));
  StreamWriteInteger(AStream, AView->ColumnCount());
  for (int i = 0; i < AView->ColumnCount(); ++i) {
    TkcGridColumn* column = AView->Columns(i);
    StreamWriteString(AStream, std::to_string(column->ID()));
    StreamWriteString(AStream, column->ClassName());
    WriteProperties(AStream, GetColumnStoredProperties(column));
  }
}

void RestoreTableViewLayout(TkcGridTableView* AView, TStream* AStream) {
  std::vector<TColumnLayout> layouts;
  try {
    char magic[4];
    if (AStream->Read(magic, 4) != 4 || !std::equal(magic, magic + 4, kMagic)) Refuse("it is no grid layout");
    if (StreamReadByte(AStream) != kFormatVersion) Refuse("it was written by another version");
    for (const auto& [name, value] : ReadProperties(AStream))
      if (name == "Version" && IntegerOf(value, name) != kViewVersion) Refuse("it was written by another version");
    int count = CheckedCount(AStream, kMaxChildren);
    for (int i = 0; i < count; ++i) {
      String name = StreamReadString(AStream);
      String className = StreamReadString(AStream);
      TkcStoredProperties properties = ReadProperties(AStream);
      // Columns are named by their IDs; a column that no longer exists is skipped.
      int id = -1;
      if (!TryStrToInt(name, id)) Refuse("an object name is no column ID");
      if (TkcGridColumn* column = AView->FindColumnByID(id); column && className == column->ClassName())
        layouts.push_back(ReadColumnLayout(column, properties));
    }
  } catch (const EReadError&) {
    Refuse("it ends too early");
  } catch (const EStreamError&) {
    Refuse("it is damaged");
  }

  TkcCustomDataController* dc = AView->DataController();
  AView->BeginUpdate();
  dc->BeginUpdate();
  try {
    for (const TColumnLayout& l : layouts) {
      if (l.Width >= 0) l.Column->SetWidth(l.Width);
      if (l.Visible >= 0) l.Column->SetVisible(l.Visible != 0);
      if (l.Alignment >= 0) l.Column->SetAlignment(static_cast<TAlignment>(l.Alignment));
    }
    // Order: stored positions first (those outside the column list are ignored).
    std::vector<const TColumnLayout*> byIndex;
    for (const TColumnLayout& l : layouts)
      if (l.Index >= 0 && l.Index < AView->ColumnCount()) byIndex.push_back(&l);
    std::stable_sort(byIndex.begin(), byIndex.end(), [](auto* a, auto* b) { return a->Index < b->Index; });
    for (const TColumnLayout* l : byIndex) l->Column->SetIndex(l->Index);
    // Grouping and then sorting, each in its stored order.
    dc->Groups()->ClearGrouping();
    dc->ClearSorting(false);
    std::vector<const TColumnLayout*> grouped, sorted;
    for (const TColumnLayout& l : layouts) {
      if (l.GroupIndex >= 0) grouped.push_back(&l);
      if (l.SortOrder > 0) sorted.push_back(&l);
    }
    std::stable_sort(grouped.begin(), grouped.end(), [](auto* a, auto* b) { return a->GroupIndex < b->GroupIndex; });
    for (size_t i = 0; i < grouped.size(); ++i) grouped[i]->Column->SetGroupIndex(static_cast<int>(i));
    std::stable_sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->SortIndex < b->SortIndex; });
    for (const TColumnLayout* l : sorted) l->Column->SetSortOrder(static_cast<TkcDataSortOrder>(l->SortOrder));
  } catch (...) {
    dc->EndUpdate();
    AView->EndUpdate();
    throw;
  }
  dc->EndUpdate();
  AView->EndUpdate();
}
