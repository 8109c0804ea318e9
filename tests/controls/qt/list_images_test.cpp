#include "controls/qt/list_images.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace corvimap {
namespace {

// Every index that a row may carry has a picture of its own in each set; any other index draws
// nothing (a log file read back may carry any number as a row's kind).
TEST(ListImagesTest, EveryIndexThatShouldHaveAPictureHasOneAndOthersDrawNothing) {
    const auto log_kind = [](int index) {
        return index == 0 || index == 2 || index == 3 || index == 5;
    };
    for (const ListImages* set : {&ListImages::Standard(), &ListImages::LogKinds()}) {
        const bool log = set == &ListImages::LogKinds();
        for (int index = -1; index <= ListImages::kCount; ++index) {
            SCOPED_TRACE((log ? "log " : "standard ") + std::to_string(index));
            const bool expected =
                index >= 0 && index < ListImages::kCount && (!log || log_kind(index));
            EXPECT_EQ(!set->Image(index).isNull(), expected);
            QImage surface(20, 20, QImage::Format_ARGB32);
            surface.fill(Qt::white);
            const QImage white = surface;
            {
                QPainter painter(&surface);
                set->Draw(painter, index, QPoint(2, 2));
            }
            EXPECT_EQ(surface != white, expected);
        }
    }
}

}  // namespace
}  // namespace corvimap
