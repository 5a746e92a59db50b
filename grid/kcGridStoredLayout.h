#pragma once
// The user's arrangement of a table view as named properties per stored object (the view, its
// columns and, with the summary option, its summary items), and a stream that holds them. A
// restore reads and checks the whole stream, filter streams included, before it changes
// anything, so a truncated, foreign or hostile stream is refused with an error and the view
// keeps its layout.

#include "grid/kcGridTableView.h"

VT_DECLARE_EXCEPTION(EkcGridLayoutError, Exception);

// What a layout holds besides the columns: the filter with its history, and the summaries.
enum TkcGridStorageOption { gsoUseFilter, gsoUseSummary };
using TkcGridStorageOptions = TSet<TkcGridStorageOption, 8>;
inline constexpr TkcGridStorageOptions kcGridDefaultStorageOptions{gsoUseFilter, gsoUseSummary};

// A stored object's properties, in the order they are listed.
using TkcStoredProperties = std::vector<std::pair<String, Variant>>;

// "GroupIndex", "Width", "AlignmentHorz", "Index", "Visible", "SortOrder", "SortIndex",
// "WasVisibleBeforeGrouping".
TkcStoredProperties GetColumnStoredProperties(TkcGridColumn* AColumn);
// With the filter option "FilterActive", "Filter" (hex text of the criteria) and
// "FilterMRUItem<n>" from the oldest history entry to the newest; then "Version" (byte 1).
TkcStoredProperties GetViewStoredProperties(TkcGridTableView* AView,
                                            TkcGridStorageOptions AOptions = kcGridDefaultStorageOptions);
// A column's stored name: its ID in decimal.
String GetColumnStoredName(TkcGridColumn* AColumn);
// The index in a "SummaryGroup<i>..." name: the digits from the 13th character up to the first
// "_" (or the end); -1 when they are no number.
int SummaryGroupIndexOfName(const String& AName);

void StoreTableViewLayout(TkcGridTableView* AView, TStream* AStream,
                          TkcGridStorageOptions AOptions = kcGridDefaultStorageOptions);
void RestoreTableViewLayout(TkcGridTableView* AView, TStream* AStream,
                            TkcGridStorageOptions AOptions = kcGridDefaultStorageOptions);
