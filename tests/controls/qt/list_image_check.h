#pragma once

#include <QImage>
#include <QPoint>

#include "controls/qt/list_images.h"

namespace corvimap::testing {

// True when every opaque pixel of the list picture stands unchanged at `at` in the shot.
inline bool ShowsImage(const QImage& shot, int image, QPoint at) {
    const QImage picture =
        ListImages::Standard().Image(image).convertToFormat(QImage::Format_ARGB32);
    int opaque = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y);
            if (qAlpha(pixel) != 255) {
                continue;
            }
            ++opaque;
            if (shot.pixel(at.x() + x, at.y() + y) != (pixel | 0xFF000000u)) {
                return false;
            }
        }
    }
    return opaque > 20;
}

}  // namespace corvimap::testing
