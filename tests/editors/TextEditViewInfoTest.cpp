// Text editors without a window: flags, selection colours, drawn selections, hints and size.
// Fixed metrics: characters 7 pixels wide, rows 13 high.

#include <gtest/gtest.h>

#include <memory>

#include "EditorCanvasFixture.h"
#include "editors/kcTextEditViewInfo.h"

namespace {

class TextEditViewInfoTest : public EditorCanvasFixture {
protected:
  std::unique_ptr<TkcCustomTextEditViewData> Data(bool inplace) {
    return std::unique_ptr<TkcCustomTextEditViewData>(
        static_cast<TkcCustomTextEditViewData*>(properties.CreateViewData(style(), inplace)));
  }
  // Lays a cell of the given width out for the value.
  void Cell(TkcCustomTextEditViewData& data, TkcCustomTextEditViewInfo& info, const char* value, int width) {
    data.Calculate(canvas.get(), TRect{0, 0, width, 15}, POINT{-1, -1}, TShiftState{}, &info, false);
    data.FillViewInfoValue(canvas.get(), Variant(String(value)), &info);
  }
  TkcTextEditProperties properties{nullptr};
};

TEST_F(TextEditViewInfoTest, DrawTextFlags) {
  EXPECT_EQ(Data(true)->GetDrawTextFlags(), 0x2C0u);
  properties.Alignment()->SetHorz(taRightJustify);
  properties.Alignment()->SetVert(taVCenter);
  EXPECT_EQ(Data(true)->GetDrawTextFlags(), 0x2D2u);
}

TEST_F(TextEditViewInfoTest, SelectionColours) {
  auto data = Data(true);
  TkcCustomTextEditViewInfo info;
  data->SelLength = 2;
  data->SelTextColorSetting = 0x00123456;
  data->SetSelectionColors(&info);
  EXPECT_EQ(info.SelTextColor, 0x00123456);
  EXPECT_EQ(info.SelBkColor, 0x00EDCBA9);
  data->SelTextColorSetting = static_cast<TColor>(0x20000000);
  data->SetSelectionColors(&info);
  EXPECT_EQ(info.SelBkColor, clHighlight);
  EXPECT_EQ(info.SelTextColor, clHighlightText);
  style()->SetColor(clHighlight);
  data->SetSelectionColors(&info);
  EXPECT_EQ(info.SelBkColor, 0);
  EXPECT_EQ(info.SelTextColor, 0xFFFFFF);
  data->SelBkColorSetting = 0x00FF0000;
  data->SetSelectionColors(&info);
  EXPECT_EQ(info.SelTextColor, 0x0000FFFF);
}

TEST_F(TextEditViewInfoTest, DrawnSelectionIsClippedToTheText) {
  struct Case {
    int selStart, selLength, highlighted;
  } cases[] = {{3, 5, 2}, {5, 3, 0}, {-1, 3, 0}, {0, 2, 2}};
  for (const auto& c : cases) {
    auto data = Data(true);
    data->SelStart = c.selStart;
    data->SelLength = c.selLength;
    TkcCustomTextEditViewInfo info;
    Cell(*data, info, "abcde", 150);
    HDC dc = canvas->Handle();
    StartRecording(dc);
    info.DrawText(canvas.get());
    int width = 0;
    for (const GdiRecord& r : StopRecording(dc))
      if (r.op == "FillRect") width += r.rect.right - r.rect.left;
    EXPECT_EQ(width, 7 * c.highlighted) << c.selStart << "+" << c.selLength;
  }
}

TEST_F(TextEditViewInfoTest, HintOnlyWhenTheTextIsCut) {
  auto data = Data(true);
  properties.SetCharCase(TEditCharCase::ecUpperCase);
  TkcCustomTextEditViewInfo info;
  // In place the text sits one pixel in on each side, so "abc" (21 pixels) needs 23.
  Cell(*data, info, "abc", 23);
  EXPECT_EQ(info.Text, "ABC");
  EXPECT_EQ(info.TextRect.right - info.TextRect.left, 21);
  EXPECT_FALSE(info.NeedsHintInBounds(canvas.get(), POINT{5, 5}, TRect{}));
  Cell(*data, info, "abc", 22);
  EXPECT_TRUE(info.NeedsHintInBounds(canvas.get(), POINT{5, 5}, TRect{}));
  EXPECT_FALSE(info.NeedsHintInBounds(canvas.get(), POINT{50, 5}, TRect{}));  // not over the text
  Cell(*data, info, "", 22);
  EXPECT_FALSE(info.NeedsHintInBounds(canvas.get(), POINT{5, 5}, TRect{}));
}

TEST_F(TextEditViewInfoTest, MovingKeepsTheLayoutAndSizeFollowsTheText) {
  auto data = Data(true);
  TkcCustomTextEditViewInfo info;
  Cell(*data, info, "abc", 100);
  info.DrawText(canvas.get());
  ASSERT_TRUE(info.IsLaidOut);
  const int left = info.Rows[0].Left;
  info.OffsetBounds(10, 5);
  EXPECT_EQ(info.Rows[0].Left, left + 10);
  EXPECT_EQ(info.TextRect.left, 11);

  const TSize size = data->CalculateEditSize(canvas.get(), Variant(String("abcd")), TkcEditSizeProperties{});
  EXPECT_EQ(size.cx, 28 + 2);  // text and the content offsets
  EXPECT_EQ(size.cy, 13 + 2);
  const TSize viaProperties = properties.GetEditSize(canvas.get(), style(), true, Variant(String("abcd")), {});
  EXPECT_EQ(viaProperties, size);
}

}  // namespace

TEST_F(TextEditViewInfoTest, WrapsIntoRowsOnlyWhenAsked) {
  namespace tl = kcTextLayout;
  properties.Alignment()->SetVert(taVCenter);
  auto data = Data(true);
  TkcCustomTextEditViewInfo info;
  auto lay = [&](int height) {
    data->Calculate(canvas.get(), TRect{0, 0, 50, height}, POINT{-1, -1}, TShiftState{}, &info, false);
    data->FillViewInfoValue(canvas.get(), Variant(String("alpha beta gamma")), &info);
    info.DrawText(canvas.get());
  };
  lay(60);
  EXPECT_EQ(info.RowCount, 1);  // one row, cut
  data->Flags = 2;
  lay(60);
  EXPECT_EQ(info.RowCount, 3);  // "alpha", "beta", "gamma" in 48 pixels
  EXPECT_TRUE(info.TextFlags & tl::kctfWordBreak);
  EXPECT_FALSE(info.TextFlags & tl::kctfSingleLine);
  EXPECT_EQ(info.TextFlags & tl::kctfVertAlignmentMask, tl::kctfVCenter);
  // Rows that do not all fit start at the top.
  lay(20);
  EXPECT_EQ(info.TextFlags & tl::kctfVertAlignmentMask, 0u);
  // A text that fits keeps the single-row flags.
  data->FillViewInfoValue(canvas.get(), Variant(String("ab")), &info);
  info.DrawText(canvas.get());
  EXPECT_TRUE(info.TextFlags & tl::kctfSingleLine);

  // Measured for a given width the text takes as many rows as it wraps into, within the limit.
  TkcEditSizeProperties size;
  size.Width = 50;
  EXPECT_EQ(data->GetContentSize(canvas.get(), Variant(String("alpha beta gamma")), size).cy, 3 * 13 + 2);
  size.MaxLineCount = 2;
  EXPECT_EQ(data->GetContentSize(canvas.get(), Variant(String("alpha beta gamma")), size).cy, 2 * 13 + 2);
  EXPECT_EQ(data->GetContentSize(canvas.get(), Variant(String()), size).cy, 13 + 2);
}
