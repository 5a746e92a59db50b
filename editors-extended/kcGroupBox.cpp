#include "editors-extended/kcGroupBox.h"

#include "platform/win/Windows.h"

TRect CalculateGroupCaptionRect(TkcCaptionAlignment AAlignment, const TSize& ATextSize, int AWidth, int AHeight,
                                bool AShadow) {
  if (ATextSize.cx <= 0) return TRect{};
  const int S = AShadow ? 3 : 0, T = ATextSize.cx, U = ATextSize.cy, W = AWidth, H = AHeight;
  TRect r{};
  switch (AAlignment) {
    case alTopLeft:
    case alBottomLeft: r.left = 8; break;
    case alTopCenter:
    case alBottomCenter:
    case alCenterCenter: r.left = (W - S - T) / 2; break;
    case alTopRight:
    case alBottomRight: r.left = W - 8 - S - T; break;
    default: break;
  }
  r.right = r.left + T;
  switch (AAlignment) {
    case alTopLeft:
    case alTopCenter:
    case alTopRight:
      r.top = 0;
      r.bottom = U;
      break;
    case alBottomLeft:
    case alBottomCenter:
    case alBottomRight:
      r.top = H - U - 2;
      r.bottom = H - 2;
      break;
    case alCenterCenter:
      r.top = (H - S - U) / 2;
      r.bottom = r.top + U;
      break;
    case alLeftTop: r = Rect(-1, 8, U - 1, 8 + T); break;
    case alLeftCenter:
      r.left = -1;
      r.right = U - 1;
      r.bottom = H - S - (H - S - T) / 2;
      r.top = r.bottom - T;
      break;
    case alLeftBottom:
      r.left = -1;
      r.right = U - 1;
      r.bottom = H - S - 8;
      r.top = r.bottom - T;
      break;
    case alRightTop: r = Rect(W - U + 1, 8, W + 1, 8 + T); break;
    case alRightCenter:
      r.left = W - U + 1;
      r.right = W + 1;
      r.top = (H - T) / 2;
      r.bottom = r.top + T;
      break;
    case alRightBottom: r = Rect(W - U + 1, H - 8 - T, W + 1, H - 8); break;
  }
  return r;
}

void TkcButtonGroupItem::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcButtonGroupItem*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  SetCaption(source->Caption());
  SetEnabled(source->Enabled());
  Tag = source->Tag;
}

void TkcButtonGroupItem::SetCaption(const String& Value) {
  if (fCaption == Value) return;
  fCaption = Value;
  Changed(false);
}

void TkcButtonGroupItem::SetEnabled(bool Value) {
  if (fEnabled == Value) return;
  fEnabled = Value;
  Changed(false);
}

TkcButtonGroupItems::~TkcButtonGroupItems() { fDestroying = true; }

void TkcButtonGroupItems::Notify(TCollectionItem* Item, TCollectionNotification Action) {
  if (fDestroying) return;
  fChangedItemIndex = Item ? Item->Index() : -1;
  fChangedItemOperation = Action == cnAdded ? bgicAdded : bgicDeleted;
}

void TkcButtonGroupItems::Update(TCollectionItem* Item) {
  if (fDestroying) return;
  if (Item && fChangedItemOperation == bgicNone) {
    fChangedItemIndex = Item->Index();
    fChangedItemOperation = bgicChanged;
  }
  if (auto* properties = dynamic_cast<TkcCustomEditProperties*>(Owner())) properties->Changed();
  fChangedItemIndex = -1;
  fChangedItemOperation = bgicNone;
}

TkcCustomButtonGroupProperties::TkcCustomButtonGroupProperties(TPersistent* AOwner)
    : TkcCustomGroupBoxProperties(AOwner) {
  fItems = CreateItems();
}

TkcCustomButtonGroupProperties::~TkcCustomButtonGroupProperties() = default;

std::unique_ptr<TkcButtonGroupItems> TkcCustomButtonGroupProperties::CreateItems() {
  return std::make_unique<TkcButtonGroupItems>(this, TkcButtonGroupItem::StaticClass());
}

void TkcCustomButtonGroupProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomButtonGroupProperties*>(Source);
  if (!source) {
    TkcCustomGroupBoxProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    TkcCustomGroupBoxProperties::Assign(Source);
    SetColumns(source->Columns());
    SetItems(source->Items());
    SetWordWrap(source->WordWrap());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TkcCustomButtonGroupProperties::GetOperationSupport() {
  int support = (1 << 0) | (1 << 1) | (1 << 2) | (1 << 3) | (1 << 7) | (1 << 8) | (1 << 10);
  if (fItems->Count() > 0) support |= 1 << 5;
  return support;
}

int TkcCustomButtonGroupProperties::GetColumnCount() const {
  const int count = fItems->Count();
  const int c = std::min(fColumns, count);
  if (count == 0) return c;
  const int rows = (count + c - 1) / c;
  return (count + rows - 1) / rows;
}

int TkcCustomButtonGroupProperties::GetRowCount() const {
  const int columns = GetColumnCount();
  return columns == 0 ? 0 : (fItems->Count() + columns - 1) / columns;
}

TRect LayoutButtonGroupItem(int AIndex, int ACount, int AColumns, const TRect& ABounds, const TRect& AExtent,
                            const TkcButtonGroupItemMetrics& AMetrics) {
  const int rows = (ACount + AColumns - 1) / AColumns;
  const int column = AIndex / rows, row = AIndex % rows;
  const int columnWidth = ((ABounds.right - ABounds.left) - AExtent.left - AExtent.right +
                           AMetrics.LayoutWidthAdjustment - (AColumns - 1) * AMetrics.ColumnGap) /
                          AColumns;
  const int clientHeight = (ABounds.bottom - ABounds.top) - AExtent.top - AExtent.bottom;
  const int rowHeight = clientHeight / rows;
  const int left =
      ABounds.left + AExtent.left + (columnWidth + AMetrics.ColumnGap) * column + AMetrics.LayoutLeftOffset;
  const int top = ABounds.top + AExtent.top + (clientHeight % rows) / 2 + row * rowHeight;
  return Bounds(left, top, columnWidth, rowHeight);
}

int ButtonGroupArrowTarget(int AFocused, int ACount, int AColumns, WORD AKey) {
  if (AFocused < 0 || AFocused >= ACount || AColumns < 1) return AFocused;
  const int rows = (ACount + AColumns - 1) / AColumns;
  const int column = AFocused / rows, row = AFocused % rows;
  const int rowsInColumn = std::min(rows, ACount - column * rows);
  switch (AKey) {
    case VK_LEFT: return column > 0 ? AFocused - rows : AFocused;
    case VK_UP: return row > 0 ? AFocused - 1 : AFocused;
    case VK_RIGHT: return AFocused + rows < ACount ? AFocused + rows : AFocused;
    case VK_DOWN: return row < rowsInColumn - 1 ? AFocused + 1 : AFocused;
    default: return AFocused;
  }
}
