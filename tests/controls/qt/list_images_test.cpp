#include "controls/qt/list_images.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <set>

namespace corvimap {
namespace {

int OpaquePixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
        }
    }
    return count;
}

TEST(ListImagesTest, NineDistinctSixteenPixelPictures) {
    const ListImages& images = ListImages::Standard();
    std::vector<QImage> seen;
    for (int index = 0; index < ListImages::kCount; ++index) {
        const QImage& image = images.Image(index);
        ASSERT_FALSE(image.isNull()) << index;
        EXPECT_EQ(image.size(), QSize(16, 16)) << index;
        EXPECT_GT(OpaquePixels(image), 60) << "picture " << index << " is mostly empty";
        for (const QImage& other : seen) {
            EXPECT_NE(image, other) << "picture " << index << " repeats another";
        }
        seen.push_back(image);
    }
    EXPECT_TRUE(images.Image(-1).isNull());
    EXPECT_TRUE(images.Image(9).isNull());
}

TEST(ListImagesTest, DrawingAnUnknownIndexLeavesTheSurfaceAlone) {
    QImage surface(20, 20, QImage::Format_ARGB32);
    surface.fill(Qt::white);
    {
        QPainter painter(&surface);
        ListImages::Standard().Draw(painter, 42, QPoint(2, 2));
        ListImages::Standard().Draw(painter, -1, QPoint(2, 2));
    }
    QImage white(20, 20, QImage::Format_ARGB32);
    white.fill(Qt::white);
    EXPECT_EQ(surface, white);
}

TEST(ListImagesTest, EveryPictureHasItsOwnMeaning) {
    std::set<QString> meanings;
    for (int index = 0; index < ListImages::kCount; ++index) {
        meanings.insert(ListImages::Meaning(index));
    }
    EXPECT_EQ(meanings.size(), 9u);
    EXPECT_EQ(ListImages::Meaning(ListImages::kShares), QStringLiteral("Shares"));
    EXPECT_EQ(ListImages::Meaning(ListImages::kQuake3), QStringLiteral("Quake III Arena"));
}

TEST(ListImagesTest, TheLogSetHasPicturesForTheMessageKindsOnly) {
    const ListImages& log = ListImages::LogKinds();
    for (int index = 0; index < ListImages::kCount; ++index) {
        const bool kind = index == 0 || index == 2 || index == 3 || index == 5;
        EXPECT_EQ(log.Image(index).isNull(), !kind) << index;
        if (kind) {
            EXPECT_GT(OpaquePixels(log.Image(index)), 60) << index;
        }
    }
    EXPECT_NE(log.Image(0), ListImages::Standard().Image(0));
    EXPECT_NE(log.Image(5), ListImages::Standard().Image(5));

    QImage surface(20, 20, QImage::Format_ARGB32);
    surface.fill(Qt::white);
    const QImage white = surface;
    {
        QPainter painter(&surface);
        log.Draw(painter, ListImages::kShares, QPoint(2, 2));
    }
    EXPECT_EQ(surface, white) << "no picture, nothing drawn";

    EXPECT_EQ(ListImages::LogKindMeaning(0), QStringLiteral("Message"));
    EXPECT_EQ(ListImages::LogKindMeaning(5), QStringLiteral("Internal error"));
}

}  // namespace
}  // namespace corvimap
