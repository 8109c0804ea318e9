#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvimap {

// List cells may carry markup: "$IMG|2|4|" shows images 2 and 4 of the list's image list instead
// of text, and in lists with colour codes "^" and a digit change the colour of the text after
// them. These functions read that markup; the list control draws it.

inline constexpr std::string_view kImageCellPrefix = "$IMG|";
// Horizontal step between the images of an image cell, and the room an image needs.
inline constexpr int kImageCellStep = 18;
inline constexpr int kImageCellMinRoom = 16;

// The image indexes of an image cell, in order, -1 items included; nothing when the text does not
// begin with "$IMG|". Each item ends with "|"; text after the last "|" is ignored. An item is
// read like atoi, so a non-number item reads as 0.
std::optional<std::vector<int32_t>> ImageCellItems(std::string_view text);

struct PlacedImage {
    int32_t image = 0;
    int x = 0;
};

// Where the images of an image cell go in a text area from left to right (right exclusive): -1
// items take no room; the walk stops once no more than 16 pixels remain.
std::vector<PlacedImage> PlaceImageCell(const std::vector<int32_t>& items, int left, int right);

struct Rgb {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The colour that "^" followed by this character selects; nothing for characters that leave the
// colour as it is.
std::optional<Rgb> CaretColour(char code);

// A piece of colour-coded text in one colour; no colour means the row's own text colour.
struct ColourRun {
    std::optional<Rgb> colour;
    std::string text;
};

// Splits a colour-coded UTF-8 text into runs. A caret and the character after it (a whole UTF-8
// sequence) are never shown; a caret at the very end is dropped. Empty runs are left out.
std::vector<ColourRun> SplitColourCodes(std::string_view text);

// The text without its colour codes.
std::string StripColourCodes(std::string_view text);

}  // namespace corvimap
