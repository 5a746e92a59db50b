// The lookup list grid over a dataset: columns by field name with the field's caption, width
// and editor kind, rows from the dataset, and locating by typed text.

#include <gtest/gtest.h>

#include "editors-extended/kcEditDBRegisteredRepositoryItems.h"
#include "editors-extended/kcEditorsRegister.h"
#include "editors-extended/kcLookupDBGrid.h"
#include "platform/db/DBClient.h"
#include "tests/platform/forms/FormsTestUtil.h"

TEST(LookupDBGrid, ColumnsFromFieldsAndRowsFromTheDataset) {
  InitializeExtendedEditors();
  TFormsSession session;
  TPlainForm form(500, 300);
  TClientDataSet ds(nullptr);
  ds.FieldDefs().Add("ID", ftInteger);
  ds.FieldDefs().Add("NAME", ftString, 20);
  ds.FieldDefs().Add("CITY", ftString, 10);
  ds.CreateDataSet();
  const char* names[] = {"Oslo office", "Lima depot", "Linz works", "Bonn annex"};
  for (int i = 0; i < 4; ++i) ds.AppendRecord({Variant(i + 1), Variant(String(names[i])), Variant(String("c"))});
  ds.FieldByName("NAME")->SetDisplayLabel("Name of site");
  TDataSource source(nullptr);
  source.SetDataSet(&ds);

  auto* grid = new TkcLookupDBGrid(&form);
  grid->SetParent(&form);
  grid->SetBounds(0, 0, 450, 200);
  grid->SetDataSource(&source);
  grid->SetKeyFieldNames("ID");
  grid->SetListFieldNames("NAME;CITY;NOSUCH");
  form.Show();
  session.ProcessMessages();

  ASSERT_EQ(grid->Columns()->Count(), 3);
  EXPECT_EQ(grid->Column(0)->Caption(), "Name of site");
  EXPECT_EQ(grid->Column(2)->Caption(), "NOSUCH") << "an unknown field shows its name";
  EXPECT_EQ(grid->Column(2)->Field(), nullptr);
  EXPECT_EQ(grid->Column(2)->Width(), 64);
  TkcScreenCanvas canvas;
  canvas.SetFont(grid->Font());
  EXPECT_GE(grid->Column(0)->Width(), canvas.TextWidth("0") * 20 + 4);
  EXPECT_EQ(grid->ColumnByFieldName("city"), grid->Column(1));
  // The editor kind comes from the field's type.
  EXPECT_EQ(grid->Column(0)->GetActualRepositoryItem(),
            GetEditDBRegisteredRepositoryItems()->GetItemByField(ds.FieldByName("NAME")));

  ASSERT_EQ(grid->DataController()->GetRowCount(), 4);
  EXPECT_EQ(grid->FindRowByText(0, "li", true), 1);
  EXPECT_EQ(grid->FindRowByText(0, "LINZ", true), 2);
  EXPECT_TRUE(grid->LocateByPrefix(0, "bonn"));
  EXPECT_EQ(grid->FocusedRowIndex(), 3);
  // A new record is found by the next search.
  ds.AppendRecord({Variant(5), Variant(String("Lisbon hub")), Variant(String("c"))});
  EXPECT_EQ(grid->DataController()->GetRowCount(), 5);
  EXPECT_EQ(grid->FindRowByText(0, "lis", true), 4);
}
