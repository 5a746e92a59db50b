// Data-aware edit, memo and check box over a client dataset.

#include <gtest/gtest.h>

#include "FormsTestUtil.h"
#include "platform/db/DBClient.h"
#include "platform/forms/DBCtrls.h"

namespace {

struct IndexRecords {
  IndexRecords() {
    ds.FieldDefs().Add("INDEX_NAME", ftString, 31);
    ds.FieldDefs().Add("DESCENDING", ftString, 5);
    ds.FieldDefs().Add("UNIQUE_FLAG", ftBoolean);
    ds.FieldDefs().Add("DESCRIPTION", ftMemo);
    ds.CreateDataSet();
    ds.AppendRecord({"RDB$PRIMARY1", "True", true, "line 1\r\nline 2"});
    ds.AppendRecord({"IDX_B", "false", false, Null()});
    ds.AppendRecord({"IDX_C", "maybe", Null(), "x"});
    ds.First();
    src.SetDataSet(&ds);
  }
  TClientDataSet ds{nullptr};
  TDataSource src{nullptr};
};

}  // namespace

TEST(DBControls, ShowTheCurrentRecordAndFollowScrolling) {
  TFormsSession s;
  IndexRecords r;
  TPlainForm f;
  auto* name = new TDBEdit(&f);
  name->SetParent(&f);
  name->SetDataSource(&r.src);
  name->SetDataField("index_name");  // letter case ignored
  auto* desc = new TDBMemo(&f);
  desc->SetParent(&f);
  desc->SetDataSource(&r.src);
  desc->SetDataField("DESCRIPTION");
  auto* descending = new TDBCheckBox(&f);
  descending->SetParent(&f);
  descending->SetDataSource(&r.src);
  descending->SetDataField("DESCENDING");
  auto* unique = new TDBCheckBox(&f);
  unique->SetParent(&f);
  unique->SetDataSource(&r.src);
  unique->SetDataField("UNIQUE_FLAG");
  f.Show();
  struct Row {
    const char* name;
    int lines;
    TCheckBoxState descending, unique;
  } rows[] = {
      {"RDB$PRIMARY1", 2, cbChecked, cbChecked},
      {"IDX_B", 0, cbUnchecked, cbUnchecked},  // "false": ValueUnchecked, letter case ignored
      {"IDX_C", 1, cbGrayed, cbGrayed},        // another text, and Null
  };
  for (const Row& row : rows) {
    EXPECT_EQ(name->Text(), row.name);
    EXPECT_EQ(desc->Lines()->Count(), row.lines) << row.name;
    EXPECT_EQ(descending->State(), row.descending) << row.name;
    EXPECT_EQ(unique->State(), row.unique) << row.name;
    r.ds.Next();
  }
  // Other texts for checked; a data source that goes away leaves the controls empty and
  // unbound; closing the dataset empties them too.
  r.ds.First();
  descending->SetValueChecked("Yes;TRUE");
  EXPECT_EQ(descending->State(), cbChecked);
  auto* src2 = new TDataSource(nullptr);
  src2->SetDataSet(&r.ds);
  name->SetDataSource(src2);
  EXPECT_EQ(name->Text(), "RDB$PRIMARY1");
  delete src2;
  EXPECT_EQ(name->DataSource(), nullptr);
  EXPECT_EQ(name->Text(), "");
  r.ds.Close();
  EXPECT_EQ(desc->Text(), "");
  EXPECT_EQ(descending->State(), cbUnchecked);
}

TEST(DBControls, UserChangesReachTheFieldOnPostOrExit) {
  TFormsSession s;
  IndexRecords r;
  TPlainForm f;
  auto* name = new TDBEdit(&f);
  name->SetParent(&f);
  name->SetDataSource(&r.src);
  name->SetDataField("INDEX_NAME");
  auto* other = new TEdit(&f);
  other->SetParent(&f);
  auto* unique = new TDBCheckBox(&f);
  unique->SetParent(&f);
  unique->SetDataSource(&r.src);
  unique->SetDataField("UNIQUE_FLAG");
  f.Show();
  name->SetFocus();
  name->SetSelStart(3);
  s.Type("_X");  // the record goes into edit; the typed text stays while editing
  EXPECT_EQ(r.ds.State(), dsEdit);
  EXPECT_EQ(name->Text(), "RDB_X$PRIMARY1");
  EXPECT_EQ(r.ds.FieldByName("INDEX_NAME")->AsString(), "RDB$PRIMARY1");
  r.ds.Post();
  EXPECT_EQ(r.ds.FieldByName("INDEX_NAME")->AsString(), "RDB_X$PRIMARY1");
  // Leaving the control writes the text too; Cancel then restores the field's text.
  s.Type("Z");  // the caret stayed after "_X"
  other->SetFocus();
  EXPECT_EQ(r.ds.FieldByName("INDEX_NAME")->AsString(), "RDB_XZ$PRIMARY1");
  r.ds.Cancel();
  EXPECT_EQ(name->Text(), "RDB_X$PRIMARY1");
  // A click writes the check box's field.
  unique->Perform(BM_CLICK);
  EXPECT_EQ(r.ds.FieldByName("UNIQUE_FLAG")->AsBoolean(), false);
  EXPECT_EQ(unique->State(), cbUnchecked);
  r.ds.Post();
  // Read-only: typing and clicking change neither the control nor the record.
  name->SetReadOnly(true);
  unique->SetReadOnly(true);
  name->SetFocus();
  s.Type("Q");
  unique->Perform(BM_CLICK);
  EXPECT_EQ(name->Text(), "RDB_X$PRIMARY1");
  EXPECT_EQ(unique->State(), cbUnchecked);
  EXPECT_EQ(r.ds.State(), dsBrowse);
  // A dataset that cannot be edited puts the field's text back.
  name->SetReadOnly(false);
  r.src.AutoEdit = false;
  name->SetFocus();
  s.Type("Q");
  EXPECT_EQ(name->Text(), "RDB_X$PRIMARY1");
  EXPECT_EQ(r.ds.State(), dsBrowse);
}
