#pragma once
// A grid with one database table view over a client dataset (ID, NAME, or fields of the test's
// own) on a plain form, with the fixed font metrics of the forms session.

#include <gtest/gtest.h>

#include "grid/kcGridDBTableView.h"
#include "platform/db/DBClient.h"
#include "platform/forms/FormsTestUtil.h"

struct DBGridFixture {
  TFormsSession session;
  TPlainForm form{400, 300};
  TClientDataSet ds{nullptr};
  TDataSource source{nullptr};
  TkcGrid* grid;
  TkcGridDBTableView* view;
  // ANames gives the NAME of row r as ANames(r).
  DBGridFixture(int ARows, int AHeight, const std::function<String(int)>& AName)
      : DBGridFixture(AHeight, [&](TClientDataSet& ADataSet) {
          ADataSet.FieldDefs().Add("ID", ftInteger, 0, true);
          ADataSet.FieldDefs().Add("NAME", ftString, 20);
          ADataSet.CreateDataSet();
          for (int r = 0; r < ARows; ++r) ADataSet.AppendRecord({Variant(r + 1), Variant(AName(r))});
        }) {}
  // AMake defines the dataset's fields and appends its rows.
  DBGridFixture(int AHeight, const std::function<void(TClientDataSet&)>& AMake) {
    AMake(ds);
    ds.First();
    source.SetDataSet(&ds);
    grid = new TkcGrid(&form);
    view = CreateGridView<TkcGridDBTableView>(&form);
    view->SetName("dbgrdResultsDBTableView1");
    view->LookAndFeel()->SetKind(lfFlat);
    // The result view shows no group-by box; the places below count from the header.
    view->OptionsView()->SetGroupByBox(false);
    grid->Levels()->Add()->SetGridView(view);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 300, AHeight);
    view->DataController()->SetDataSource(&source);
    form.Show();
    session.ProcessMessages();
  }
  TkcCustomDataController* dc() { return view->DataController(); }
  String Text(int row, int column) {
    return dc()->GetDisplayText(dc()->GetRowInfo(row).RecordIndex, view->Columns(column)->ItemIndex());
  }
};
