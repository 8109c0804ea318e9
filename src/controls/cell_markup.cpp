#include "controls/cell_markup.h"

#include "text/leading_int.h"

namespace corvimap {
namespace {

// Bytes of the UTF-8 sequence that starts with this byte; stray bytes count as one.
size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    if (lead >= 0xE0) {
        return lead <= 0xEF ? 3 : 1;
    }
    if (lead >= 0xC2) {
        return 2;
    }
    return 1;
}

}  // namespace

std::optional<std::vector<int32_t>> ImageCellItems(std::string_view text) {
    if (!text.starts_with(kImageCellPrefix)) {
        return std::nullopt;
    }
    std::vector<int32_t> items;
    std::string_view rest = text.substr(kImageCellPrefix.size());
    for (size_t bar = rest.find('|'); bar != std::string_view::npos; bar = rest.find('|')) {
        items.push_back(AtoiValue(rest.substr(0, bar)));
        rest.remove_prefix(bar + 1);
    }
    return items;
}

std::vector<PlacedImage> PlaceImageCell(const std::vector<int32_t>& items, int left, int right) {
    std::vector<PlacedImage> placed;
    int x = left;
    for (const int32_t image : items) {
        if (image == -1) {
            continue;
        }
        if (right - x <= kImageCellMinRoom) {
            break;
        }
        placed.push_back({image, x});
        x += kImageCellStep;
    }
    return placed;
}

std::optional<Rgb> CaretColour(char code) {
    switch (code) {
        case '0':
        case '8':
            return Rgb{0, 0, 0};
        case '1':
            return Rgb{241, 0, 0};
        case '2':
            return Rgb{0, 241, 0};
        case '3':
            return Rgb{241, 241, 0};
        case '4':
            return Rgb{0, 0, 241};
        case '5':
            return Rgb{0, 241, 241};
        case '6':
            return Rgb{128, 0, 241};
        case '7':
            return Rgb{192, 192, 192};
        default:
            return std::nullopt;
    }
}

std::vector<ColourRun> SplitColourCodes(std::string_view text) {
    std::vector<ColourRun> runs;
    ColourRun current;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '^') {
            const size_t length = std::min(SequenceLength(text[i]), text.size() - i);
            current.text.append(text.substr(i, length));
            i += length;
            continue;
        }
        if (i + 1 >= text.size()) {
            break;  // a trailing caret shows nothing
        }
        const std::optional<Rgb> colour = CaretColour(text[i + 1]);
        if (colour && colour != current.colour) {
            if (!current.text.empty()) {
                runs.push_back(std::move(current));
            }
            current = ColourRun{colour, {}};
        }
        i += 1 + std::min(SequenceLength(text[i + 1]), text.size() - i - 1);
    }
    if (!current.text.empty()) {
        runs.push_back(std::move(current));
    }
    return runs;
}

std::string StripColourCodes(std::string_view text) {
    std::string plain;
    for (const ColourRun& run : SplitColourCodes(text)) {
        plain += run.text;
    }
    return plain;
}

}  // namespace corvimap
