#pragma once
// Summaries of a table view: the column's shortcuts to its footer, group-footer and group-row
// summaries (held by the data controller's summary collections), and the summary item and group
// item link classes whose item link is a column.

#include "data/kcDataSummary.h"

class TkcGridColumn;
class TkcGridTableView;

// Reads and writes the column's summary in each collection; writing an empty kind and format
// frees the summary item.
class TkcGridColumnSummary : public TPersistent {
  VT_CLASS(TkcGridColumnSummary, TPersistent)
public:
  explicit TkcGridColumnSummary(TkcGridColumn* AColumn) : fColumn(AColumn) {}
  void Assign(TPersistent* Source) override;
  TkcGridColumn* Column() const { return fColumn; }

  TkcSummaryKind FooterKind() const { return Kind(Footer(), spFooter); }
  void SetFooterKind(TkcSummaryKind Value) { Footer()->SetDataItemKind(ItemIndex(), spFooter, Value); }
  String FooterFormat() const { return Format(Footer(), spFooter); }
  void SetFooterFormat(const String& Value) { Footer()->SetDataItemFormat(ItemIndex(), spFooter, Value); }
  TkcSummaryKind GroupFooterKind() const { return Kind(Group(), spFooter); }
  void SetGroupFooterKind(TkcSummaryKind Value) { Group()->SetDataItemKind(ItemIndex(), spFooter, Value); }
  String GroupFooterFormat() const { return Format(Group(), spFooter); }
  void SetGroupFooterFormat(const String& Value) { Group()->SetDataItemFormat(ItemIndex(), spFooter, Value); }
  TkcSummaryKind GroupKind() const { return Kind(Group(), spGroup); }
  void SetGroupKind(TkcSummaryKind Value) { Group()->SetDataItemKind(ItemIndex(), spGroup, Value); }
  String GroupFormat() const { return Format(Group(), spGroup); }
  void SetGroupFormat(const String& Value) { Group()->SetDataItemFormat(ItemIndex(), spGroup, Value); }

private:
  int ItemIndex() const;
  TkcDataSummaryItems* Footer() const;
  TkcDataSummaryItems* Group() const;
  TkcSummaryKind Kind(TkcDataSummaryItems* AItems, TkcSummaryPosition APosition) const;
  String Format(TkcDataSummaryItems* AItems, TkcSummaryPosition APosition) const;
  TkcGridColumn* fColumn;
};

class TkcGridTableSummaryItem : public TkcDataSummaryItem {
  VT_CLASS(TkcGridTableSummaryItem, TkcDataSummaryItem)
public:
  using TkcDataSummaryItem::TkcDataSummaryItem;
  TkcGridColumn* Column() const;
  void SetColumn(TkcGridColumn* Value);
  TkcGridTableView* GetGridView();
};

class TkcGridTableSummaryGroupItemLink : public TkcDataSummaryGroupItemLink {
  VT_CLASS(TkcGridTableSummaryGroupItemLink, TkcDataSummaryGroupItemLink)
public:
  using TkcDataSummaryGroupItemLink::TkcDataSummaryGroupItemLink;
  TkcGridColumn* Column() const;
  void SetColumn(TkcGridColumn* Value);
  TkcGridTableView* GetGridView();
};
