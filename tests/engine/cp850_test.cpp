#include "engine/cp850.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace corvimap {
namespace {

// The system's own converter, as a reference.
std::string IconvCp850ToUtf8(std::string input) {
    const iconv_t converter = iconv_open("UTF-8", "CP850");
    std::string output(input.size() * 4, '\0');
    char* in = input.data();
    char* out = output.data();
    std::size_t in_left = input.size();
    std::size_t out_left = output.size();
    const bool converted = converter != reinterpret_cast<iconv_t>(-1) &&
                           iconv(converter, &in, &in_left, &out, &out_left) != std::size_t(-1);
    if (converter != reinterpret_cast<iconv_t>(-1)) {
        iconv_close(converter);
    }
    output.resize(output.size() - out_left);
    return converted ? output : "(no CP850 conversion)";
}

TEST(Cp850Test, EveryByteAgreesWithIconv) {
    for (int byte = 1; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(Cp850ToUtf8(one), IconvCp850ToUtf8(one)) << "byte 0x" << std::hex << byte;
    }
    EXPECT_EQ(Cp850ToUtf8(std::string("A\0B", 3)), std::string("A\0B", 3));
}

}  // namespace
}  // namespace corvimap
