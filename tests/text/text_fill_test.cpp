#include "text/text_fill.h"

#include <gtest/gtest.h>

namespace corvimap {
namespace {

TEST(FillTextTest, EachPlaceholderTakesTheNextValueAndNothingElseIsFormatted) {
    struct Case {
        const char* format;
        std::initializer_list<std::string_view> values;
        const char* filled;
    };
    const Case cases[] = {
        {"Cannot start %s: %s", {"ssh", "gone"}, "Cannot start ssh: gone"},
        {"%s", {"%s%n"}, "%s%n"},
        {"100% %d %n %s", {"x"}, "100% %d %n x"},
        {"%s and %s", {"one"}, "one and "},
        {"no placeholder", {"unused"}, "no placeholder"},
        {"ends with %", {}, "ends with %"},
    };
    for (const Case& each : cases) {
        EXPECT_EQ(FillText(each.format, each.values), each.filled) << each.format;
    }
}

}  // namespace
}  // namespace corvimap
