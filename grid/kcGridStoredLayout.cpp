#include "grid/kcGridStoredLayout.h"

#include <algorithm>
#include <map>
#include <optional>

#include "data/kcDataUtils.h"
#include "grid/kcGridFiltering.h"
#include "grid/kcGridSummary.h"
#include "grid/kcGridTableOptions.h"

namespace {

const char kMagic[4] = {'K', 'G', 'L', 'T'};
constexpr std::uint8_t kFormatVersion = 1;
constexpr int kViewVersion = 1;
// More properties or objects than any view has: a count beyond these is damage.
constexpr int kMaxProperties = 100000, kMaxChildren = 100000;

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
  int Alignment = -1, SortOrder = -1, Visible = -1, WasVisibleBeforeGrouping = -1;
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
    else if (name == "WasVisibleBeforeGrouping")
      l.WasVisibleBeforeGrouping = BooleanOf(value, name);
  }
  return l;
}

String StringOf(const Variant& AValue, const String& AName) {
  if (!AValue.IsStr()) Refuse("\"" + AName + "\" is not a text");
  return AValue.AsString();
}

// A criteria stream read into a new criteria object of the controller, checked before use. A
// text too short to hold a stream stands for no conditions.
std::unique_ptr<TkcDataFilterCriteria> ReadCriteria(TkcCustomDataController* AController, const String& AHex,
                                                    const String& AName) {
  std::unique_ptr<TkcDataFilterCriteria> criteria(AController->CreateFilterCriteria());
  TMemoryStream stream;
  try {
    HexTextToStream(AHex, &stream);
  } catch (const EkcHexStringConvertError&) {
    Refuse("\"" + AName + "\" is no filter");
  }
  if (stream.Size() == 0) return criteria;
  stream.SetPosition(0);
  try {
    criteria->ReadData(&stream);
  } catch (const Exception&) {
    Refuse("\"" + AName + "\" is no filter");
  }
  return criteria;
}

String CriteriaHex(TkcFilterCriteria* ACriteria) {
  if (ACriteria->IsEmpty()) return String();
  TMemoryStream stream;
  ACriteria->WriteData(&stream);
  return StreamToHexText(&stream);
}

// What a restore will set on the view itself.
struct TViewLayout {
  int Footer = -1, GroupByBox = -1, GroupFooters = -1, NewItemRow = -1;
  int FilterActive = -1;
  bool HasFilter = false;
  std::unique_ptr<TkcDataFilterCriteria> Filter;
  // In the order listed: oldest first, so adding each in front rebuilds the history.
  std::vector<std::unique_ptr<TkcDataFilterCriteria>> History;
};

bool StartsWith(const String& AText, const char* APrefix) { return AText.rfind(APrefix, 0) == 0; }

// A summary object as stored: which collection, which group, its properties.
struct TSummaryLayout {
  enum TKind { Footer, DefaultGroup, Group, GroupItem, GroupLink } Kind;
  int GroupIndex = -1, Index = -1;
  String Column;
  int ItemKind = -1, Position = -1;
  bool HasFormat = false;
  String Format;
};

constexpr std::size_t kSummaryGroupPrefix = 12;  // "SummaryGroup"

int TrailingIndex(const String& AName, std::size_t AFrom) {
  int v = -1;
  return TryStrToInt(AName.substr(AFrom), v) && v >= 0 ? v : -1;
}

// Nothing for a name that is no summary object, or whose group index is no number.
std::optional<TSummaryLayout> SummaryOfName(const String& AName) {
  TSummaryLayout l{};
  if (StartsWith(AName, "FooterSummaryItem")) {
    l.Kind = TSummaryLayout::Footer;
    l.Index = TrailingIndex(AName, 17);
  } else if (StartsWith(AName, "DefaultGroupSummaryItem")) {
    l.Kind = TSummaryLayout::DefaultGroup;
    l.Index = TrailingIndex(AName, 23);
  } else if (StartsWith(AName, "SummaryGroup")) {
    l.GroupIndex = SummaryGroupIndexOfName(AName);
    if (l.GroupIndex < 0) return std::nullopt;
    std::size_t item = AName.find("_Item"), link = AName.find("_Link");
    if (item != String::npos) {
      l.Kind = TSummaryLayout::GroupItem;
      l.Index = TrailingIndex(AName, item + 5);
    } else if (link != String::npos) {
      l.Kind = TSummaryLayout::GroupLink;
      l.Index = TrailingIndex(AName, link + 5);
    } else {
      l.Kind = TSummaryLayout::Group;
      l.Index = l.GroupIndex;
    }
  } else {
    return std::nullopt;
  }
  if (l.Index < 0) return std::nullopt;
  return l;
}

void ReadSummaryProperties(TSummaryLayout& l, const TkcStoredProperties& AProperties) {
  for (const auto& [name, value] : AProperties) {
    if (name == "Column")
      l.Column = StringOf(value, name);
    else if (name == "Kind")
      l.ItemKind = OrdinalOf(value, name, skAverage + 1);
    else if (name == "Position")
      l.Position = OrdinalOf(value, name, spFooter + 1);
    else if (name == "Format")
      l.Format = StringOf(value, name), l.HasFormat = true;
  }
}

TkcStoredProperties SummaryItemProperties(TkcCustomDataSummaryItem* AItem) {
  auto* column = dynamic_cast<TkcGridColumn*>(AItem->GetItemLink());
  TkcStoredProperties p{{"Column", Variant(column ? GetColumnStoredName(column) : String())}};
  if (auto* item = dynamic_cast<TkcDataSummaryItem*>(AItem)) {
    p.emplace_back("Kind", ByteVariant(item->Kind()));
    p.emplace_back("Position", ByteVariant(item->GetPosition()));
    p.emplace_back("Format", Variant(item->Format()));
  }
  return p;
}

void WriteObject(TStream* AStream, const String& AName, const String& AClass, const TkcStoredProperties& AProperties) {
  StreamWriteString(AStream, AName);
  StreamWriteString(AStream, AClass);
  WriteProperties(AStream, AProperties);
}

// Gets the summary object a layout names, making it when the restore meets one that is not
// there; nil when its group does not exist.
TkcCustomDataSummaryItem* SummaryObjectOf(TkcDataSummary* ASummary, const TSummaryLayout& l) {
  auto itemAt = [](TkcDataSummaryItems* AItems, int AIndex) -> TkcCustomDataSummaryItem* {
    return AIndex < AItems->Count() ? AItems->GetItem(AIndex) : AItems->Add();
  };
  switch (l.Kind) {
    case TSummaryLayout::Footer: return itemAt(ASummary->FooterSummaryItems(), l.Index);
    case TSummaryLayout::DefaultGroup: return itemAt(ASummary->DefaultGroupSummaryItems(), l.Index);
    case TSummaryLayout::Group:
      if (l.Index >= ASummary->SummaryGroups()->Count()) ASummary->SummaryGroups()->AddGroup();
      return nullptr;
    case TSummaryLayout::GroupItem:
      if (l.GroupIndex >= ASummary->SummaryGroups()->Count()) return nullptr;
      return itemAt(ASummary->SummaryGroups()->GetGroup(l.GroupIndex)->SummaryItems(), l.Index);
    case TSummaryLayout::GroupLink: {
      if (l.GroupIndex >= ASummary->SummaryGroups()->Count()) return nullptr;
      TkcDataSummaryGroupItemLinks* links = ASummary->SummaryGroups()->GetGroup(l.GroupIndex)->Links();
      return l.Index < links->Count() ? links->GetItem(l.Index) : links->Add();
    }
  }
  return nullptr;
}

}  // namespace

int SummaryGroupIndexOfName(const String& AName) {
  if (AName.size() <= kSummaryGroupPrefix) return -1;
  String digits = AName.substr(kSummaryGroupPrefix, AName.find('_', kSummaryGroupPrefix) - kSummaryGroupPrefix);
  int v = -1;
  return !digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
                 TryStrToInt(digits, v)
             ? v
             : -1;
}

String GetColumnStoredName(TkcGridColumn* AColumn) { return std::to_string(AColumn->ID()); }

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
          {"SortIndex", Variant(sortIndex)},
          {"WasVisibleBeforeGrouping", Variant(AColumn->WasVisibleBeforeGrouping)}};
}

TkcStoredProperties GetViewStoredProperties(TkcGridTableView* AView, TkcGridStorageOptions AOptions) {
  // The table's own view options come before the names every view stores.
  TkcGridTableOptionsView* options = AView->OptionsView();
  TkcStoredProperties p{{"Footer", Variant(options->Footer())},
                        {"GroupByBox", Variant(options->GroupByBox())},
                        {"GroupFooters", ByteVariant(options->GroupFooters())},
                        {"NewItemRow", Variant(options->NewItemRow())}};
  if (AOptions.Contains(gsoUseFilter)) {
    TkcDataFilterCriteria* filter = AView->DataController()->Filter();
    p.emplace_back("FilterActive", Variant(filter->Active()));
    p.emplace_back("Filter", Variant(CriteriaHex(filter)));
    if (AView->Filtering()->MRUItemsList()) {
      TkcGridFilterMRUItems* mru = AView->Filtering()->MRUItems();
      for (int n = mru->Count() - 1; n >= 0; --n)
        p.emplace_back("FilterMRUItem" + std::to_string(n), Variant(CriteriaHex(mru->Items(n)->Filter())));
    }
  }
  p.emplace_back("Version", ByteVariant(kViewVersion));
  return p;
}

void StoreTableViewLayout(TkcGridTableView* AView, TStream* AStream, TkcGridStorageOptions AOptions) {
  AStream->WriteBuffer(kMagic, 4);
  StreamWriteByte(AStream, kFormatVersion);
  WriteProperties(AStream, GetViewStoredProperties(AView, AOptions));
  TkcDataSummary* summary = AView->DataController()->Summary();
  int count = AView->ColumnCount();
  if (AOptions.Contains(gsoUseSummary)) {
    count += summary->FooterSummaryItems()->Count() + summary->DefaultGroupSummaryItems()->Count();
    for (int i = 0; i < summary->SummaryGroups()->Count(); ++i) {
      TkcDataSummaryGroup* g = summary->SummaryGroups()->GetGroup(i);
      count += 1 + g->SummaryItems()->Count() + g->Links()->Count();
    }
  }
  StreamWriteInteger(AStream, count);
  for (int i = 0; i < AView->ColumnCount(); ++i) {
    TkcGridColumn* column = AView->Columns(i);
    WriteObject(AStream, GetColumnStoredName(column), column->ClassName(), GetColumnStoredProperties(column));
  }
  if (!AOptions.Contains(gsoUseSummary)) return;
  auto writeItems = [&](TkcDataSummaryItems* AItems, const String& APrefix) {
    for (int i = 0; i < AItems->Count(); ++i)
      WriteObject(AStream, APrefix + std::to_string(i), AItems->GetItem(i)->ClassName(),
                  SummaryItemProperties(AItems->GetItem(i)));
  };
  writeItems(summary->FooterSummaryItems(), "FooterSummaryItem");
  writeItems(summary->DefaultGroupSummaryItems(), "DefaultGroupSummaryItem");
  for (int i = 0; i < summary->SummaryGroups()->Count(); ++i) {
    TkcDataSummaryGroup* g = summary->SummaryGroups()->GetGroup(i);
    String name = "SummaryGroup" + std::to_string(i);
    WriteObject(AStream, name, g->ClassName(), {});
    writeItems(g->SummaryItems(), name + "_Item");
    for (int j = 0; j < g->Links()->Count(); ++j)
      WriteObject(AStream, name + "_Link" + std::to_string(j), g->Links()->GetItem(j)->ClassName(),
                  SummaryItemProperties(g->Links()->GetItem(j)));
  }
}

void RestoreTableViewLayout(TkcGridTableView* AView, TStream* AStream, TkcGridStorageOptions AOptions) {
  TkcCustomDataController* dc = AView->DataController();
  std::vector<TColumnLayout> layouts;
  std::vector<TSummaryLayout> summaries;
  TViewLayout view;
  try {
    char magic[4];
    if (AStream->Read(magic, 4) != 4 || !std::equal(magic, magic + 4, kMagic)) Refuse("it is no grid layout");
    if (StreamReadByte(AStream) != kFormatVersion) Refuse("it was written by another version");
    for (const auto& [name, value] : ReadProperties(AStream)) {
      if (name == "Version") {
        if (IntegerOf(value, name) != kViewVersion) Refuse("it was written by another version");
      } else if (name == "Footer") {
        view.Footer = BooleanOf(value, name);
      } else if (name == "GroupByBox") {
        view.GroupByBox = BooleanOf(value, name);
      } else if (name == "NewItemRow") {
        view.NewItemRow = BooleanOf(value, name);
      } else if (name == "GroupFooters") {
        // A text is the older Boolean form: shown when expanded, or not at all.
        view.GroupFooters = value.IsStr() ? (BooleanOf(value, name) ? gfVisibleWhenExpanded : gfInvisible)
                                          : OrdinalOf(value, name, gfAlwaysVisible + 1);
      } else if (!AOptions.Contains(gsoUseFilter)) {
        continue;
      } else if (name == "FilterActive") {
        view.FilterActive = BooleanOf(value, name);
      } else if (name == "Filter") {
        view.HasFilter = true;
        view.Filter = ReadCriteria(dc, StringOf(value, name), name);
      } else if (StartsWith(name, "FilterMRUItem")) {
        view.History.push_back(ReadCriteria(dc, StringOf(value, name), name));
      }
    }
    int count = CheckedCount(AStream, kMaxChildren);
    for (int i = 0; i < count; ++i) {
      String name = StreamReadString(AStream);
      String className = StreamReadString(AStream);
      TkcStoredProperties properties = ReadProperties(AStream);
      if (std::optional<TSummaryLayout> summary = SummaryOfName(name)) {
        if (!AOptions.Contains(gsoUseSummary)) continue;
        ReadSummaryProperties(*summary, properties);
        summaries.push_back(*summary);
        continue;
      }
      if (StartsWith(name, "SummaryGroup")) continue;  // a group index that is no number
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

  AView->BeginUpdate();
  dc->BeginUpdate();
  try {
    for (const TColumnLayout& l : layouts) {
      if (l.Width >= 0) l.Column->SetWidth(l.Width);
      if (l.Visible >= 0) l.Column->SetVisible(l.Visible != 0);
      if (l.Alignment >= 0) l.Column->SetAlignment(static_cast<TAlignment>(l.Alignment));
      if (l.WasVisibleBeforeGrouping >= 0) l.Column->WasVisibleBeforeGrouping = l.WasVisibleBeforeGrouping != 0;
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

    TkcGridTableOptionsView* options = AView->OptionsView();
    if (view.Footer >= 0) options->SetFooter(view.Footer != 0);
    if (view.GroupByBox >= 0) options->SetGroupByBox(view.GroupByBox != 0);
    if (view.GroupFooters >= 0) options->SetGroupFooters(static_cast<TkcGridGroupFootersMode>(view.GroupFooters));
    if (view.NewItemRow >= 0) options->SetNewItemRow(view.NewItemRow != 0);
    if (view.HasFilter) dc->Filter()->Assign(view.Filter.get());
    if (view.FilterActive >= 0) dc->Filter()->SetActive(view.FilterActive != 0);
    for (auto& criteria : view.History) AView->Filtering()->AddFilterToMRUItems(criteria.get());

    TkcDataSummary* summary = dc->Summary();
    for (const TSummaryLayout& l : summaries) {
      TkcCustomDataSummaryItem* object = SummaryObjectOf(summary, l);
      if (!object) continue;
      TkcGridColumn* column = nullptr;
      int id = -1;
      if (TryStrToInt(l.Column, id)) column = AView->FindColumnByID(id);
      object->SetItemLink(column);
      if (auto* item = dynamic_cast<TkcDataSummaryItem*>(object)) {
        if (l.Position >= 0) item->SetPosition(static_cast<TkcSummaryPosition>(l.Position));
        if (l.ItemKind >= 0) item->SetKind(static_cast<TkcSummaryKind>(l.ItemKind));
        if (l.HasFormat) item->SetFormat(l.Format);
      }
    }
  } catch (...) {
    dc->EndUpdate();
    AView->EndUpdate();
    throw;
  }
  dc->EndUpdate();
  AView->EndUpdate();
}
