#pragma once

#include <QIcon>

namespace corvimap {

// The program's icon, drawn at 16, 32, 48 and 64 pixels: a radar sweep over a network of dots.
// UI thread only (it paints pixmaps).
QIcon AppIcon();

}  // namespace corvimap
