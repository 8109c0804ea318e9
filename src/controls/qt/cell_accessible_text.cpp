#include "controls/qt/cell_accessible_text.h"

#include <QStringList>

#include "controls/cell_markup.h"
#include "controls/qt/list_images.h"

namespace corvimap {

QString AccessibleCellText(const QString& text, bool image_cells, bool colour_codes) {
    if (!image_cells && !colour_codes) {
        return text;
    }
    const std::string bytes = text.toStdString();
    if (image_cells) {
        if (const auto items = ImageCellItems(bytes)) {
            QStringList names;
            for (const int32_t image : *items) {
                if (image != -1) {
                    names << ListImages::Meaning(image);
                }
            }
            return names.join(QStringLiteral(", "));
        }
    }
    if (colour_codes) {
        return QString::fromStdString(StripColourCodes(bytes));
    }
    return text;
}

}  // namespace corvimap
