// The lookup list grid over a dataset: columns by field name with the field's caption, width
// and editor kind, rows from the dataset, and locating by typed text.

#include <gtest/gtest.h>

#include "editors-extended/kcEditDBRegisteredRepositoryItems.h"
#include "editors-extended/kcEditorsRegister.h"
#include "editors-extended/kcLookupDBGrid.h"
#include "platform/db/DBClient.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {
// A list grid over the source, keyed by ID and showing AListFields, on the shown form.
TkcLookupDBGrid* ShowListGrid(TFormsSession& ASession, TPlainForm& AForm, TDataSource& ASource, const char* AListFields) {
  auto* grid = new TkcLookupDBGrid(&AForm);
  grid->SetParent(&AForm);
  grid->SetBounds(0, 0, 450, 200);
  grid->SetDataSource(&ASource);
  grid->SetKeyFieldNames("ID");
  grid->SetListFieldNames(AListFields);
  AForm.Show();
  ASession.ProcessMessages();
  return grid;
}
}  // namespace

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

  TkcLookupDBGrid* grid = ShowListGrid(session, form, source, "NAME;CITY;NOSUCH");

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

// In grid mode the list holds only the dataset's buffer: the scroll bar stands for all the
// records, its thumb moves the dataset, and Down on the buffer's last row brings the next
// record in.
TEST(LookupDBGrid, GridModeReachesRecordsPastTheBuffer) {
  InitializeExtendedEditors();
  TFormsSession session;
  TPlainForm form(500, 400);
  TClientDataSet ds(nullptr);
  ds.FieldDefs().Add("ID", ftInteger);
  ds.FieldDefs().Add("NAME", ftString, 20);
  ds.CreateDataSet();
  for (int i = 1; i <= 1000; ++i) ds.AppendRecord({Variant(i), Variant(String("n") + std::to_string(i))});
  ds.First();
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  auto* grid = new TkcLookupDBGrid(&form);
  grid->SetParent(&form);
  grid->DBDataController()->DataModeController()->SetGridModeBufferCount(20);
  grid->DBDataController()->DataModeController()->SetGridMode(true);
  grid->SetDataSource(&source);
  grid->SetKeyFieldNames("ID");
  grid->SetListFieldNames("NAME");
  form.Show();
  session.ProcessMessages();
  grid->SetBounds(0, 0, 300, grid->HeightForRows(8) + 2 * grid->GetBorderSize());
  session.ProcessMessages();
  ASSERT_EQ(grid->VisibleRowCount(), 8);
  TkcCustomDataController* dc = grid->DataController();
  auto focusedText = [&] { return dc->GetDisplayText(dc->GetRowInfo(grid->FocusedRowIndex()).RecordIndex, 0); };

  grid->SetFocus();
  grid->FocusRow(dc->GetRowCount() - 1);
  const String last = focusedText();
  session.Key(VK_DOWN);
  EXPECT_EQ(focusedText(), "n" + std::to_string(std::stoi(last.substr(1)) + 1));

  ds.SetRecNo(10);
  grid->FullRefresh();
  TkcControlScrollBar* bar = grid->VScrollBar();
  EXPECT_EQ(bar->Min(), 0);
  EXPECT_EQ(bar->Max(), 1006);
  EXPECT_EQ(bar->PageSize(), 8);
  EXPECT_EQ(bar->Position(), 9);
  int pos = 499;
  grid->Scroll(sbVertical, scPosition, pos);
  EXPECT_EQ(ds.RecNo(), 500);
  EXPECT_EQ(pos, 499);
  pos = 10;
  grid->Scroll(sbVertical, scTrack, pos);
  EXPECT_EQ(ds.RecNo(), 500) << "tracking the thumb leaves the dataset";
}

// Each column's cells take its field's display format, also where the columns share one
// repository item.
TEST(LookupDBGrid, CellsShowTheFieldsDisplayFormat) {
  InitializeExtendedEditors();
  TFormsSession session;
  TPlainForm form(500, 300);
  TClientDataSet ds(nullptr);
  ds.FieldDefs().Add("ID", ftInteger);
  ds.FieldDefs().Add("PRICE", ftFloat);
  ds.FieldDefs().Add("RATE", ftFloat);
  ds.CreateDataSet();
  static_cast<TFloatField*>(ds.FieldByName("PRICE"))->SetDisplayFormat("0.00");
  static_cast<TFloatField*>(ds.FieldByName("RATE"))->SetDisplayFormat("0.000");
  ds.AppendRecord({Variant(1), Variant(1234.5), Variant(0.5)});
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  TkcLookupDBGrid* grid = ShowListGrid(session, form, source, "PRICE;RATE");
  ASSERT_EQ(grid->Column(0)->GetActualRepositoryItem(), grid->Column(1)->GetActualRepositoryItem());

  std::vector<String> texts;
  for (const GdiRecord& r : RecordPainting(grid)) texts.push_back(r.text);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "1234.50"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "0.500"), texts.end());
}
