#pragma once
// The user's arrangement of a table view (column order, widths, visibility, alignment, sorting,
// grouping) as named properties per stored object, and a stream that holds them. A restore
// reads and checks the whole stream before it changes anything, so a truncated, foreign or
// hostile stream is refused with an error and the view keeps its layout.

#include "grid/kcGridTableView.h"

VT_DECLARE_EXCEPTION(EkcGridLayoutError, Exception);

// A stored object's properties, in the order they are listed.
using TkcStoredProperties = std::vector<std::pair<String, Variant>>;

// "GroupIndex", "Width", "AlignmentHorz", "Index", "Visible", "SortOrder", "SortIndex".
TkcStoredProperties GetColumnStoredProperties(TkcGridColumn* AColumn);
// "Version" (byte 1).
TkcStoredProperties GetViewStoredProperties(TkcGridTableView* AView);

void StoreTableViewLayout(TkcGridTableView* AView, TStream* AStream);
void RestoreTableViewLayout(TkcGridTableView* AView, TStream* AStream);
