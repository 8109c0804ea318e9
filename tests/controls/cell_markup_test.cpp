#include "controls/cell_markup.h"

#include <gtest/gtest.h>

namespace corvimap {
namespace {

std::vector<int> Xs(const std::vector<PlacedImage>& placed) {
    std::vector<int> xs;
    for (const auto& image : placed) {
        xs.push_back(image.x);
    }
    return xs;
}

TEST(CellMarkupTest, ImageCellItemsEndAtTheirBarAndNeedThePrefixAtTheStart) {
    EXPECT_EQ(ImageCellItems("$IMG|"), std::vector<int32_t>{});
    EXPECT_EQ(ImageCellItems("$IMG|2|4|"), (std::vector<int32_t>{2, 4}));
    EXPECT_EQ(ImageCellItems("$IMG|-1|3|"), (std::vector<int32_t>{-1, 3}));
    EXPECT_EQ(ImageCellItems("$IMG|2|4"), std::vector<int32_t>{2}) << "text after the last bar";
    EXPECT_EQ(ImageCellItems("$IMG|x|12abc|"), (std::vector<int32_t>{0, 12})) << "read like atoi";
    EXPECT_FALSE(ImageCellItems("name $IMG|1|"));
    EXPECT_FALSE(ImageCellItems("$img|1|"));
}

TEST(CellMarkupTest, ImagesStepEighteenPixelsWhileMoreThanSixteenRemain) {
    // -1 takes no room: image 3 stands at the left edge.
    const auto skipped = PlaceImageCell({-1, 3}, 10, 100);
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].image, 3);
    EXPECT_EQ(skipped[0].x, 10);

    // 17 pixels left at the third place: it is drawn; 16 left: it is not.
    EXPECT_EQ(Xs(PlaceImageCell({1, 2, 3, 4}, 0, 36 + 17)), (std::vector<int>{0, 18, 36}));
    EXPECT_EQ(Xs(PlaceImageCell({1, 2, 3, 4}, 0, 36 + 16)), (std::vector<int>{0, 18}));
    EXPECT_TRUE(PlaceImageCell({1}, 0, 16).empty());
    EXPECT_TRUE(PlaceImageCell({}, 0, 100).empty());
}

TEST(CellMarkupTest, ColourCodesSplitTheTextAndAreNeverShown) {
    EXPECT_FALSE(CaretColour('9'));
    const auto runs = SplitColourCodes("^1Red^7Grey");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].colour, CaretColour('1'));
    EXPECT_EQ(runs[0].text, "Red");
    EXPECT_EQ(runs[1].colour, CaretColour('7'));
    EXPECT_EQ(runs[1].text, "Grey");
    EXPECT_NE(runs[0].colour, runs[1].colour);

    const auto plain_start = SplitColourCodes("ab^xcd^");
    ASSERT_EQ(plain_start.size(), 1u) << "^x hides both characters and keeps the colour";
    EXPECT_FALSE(plain_start[0].colour);
    EXPECT_EQ(plain_start[0].text, "abcd");

    // A caret before a multi-byte character hides the whole character, never half of it.
    EXPECT_EQ(StripColourCodes("a^\xC3\xA9z\xC3\xA9"), "az\xC3\xA9");
    EXPECT_EQ(StripColourCodes("^"), "");
    EXPECT_EQ(StripColourCodes("^^1x"), "1x") << "the second caret is the code character";
    EXPECT_TRUE(SplitColourCodes("^1^2").empty());
}

}  // namespace
}  // namespace corvimap
