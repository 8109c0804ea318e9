#include "engine/cp850.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace corvimap {
namespace {

// The system's own converter, as a reference.
std::string IconvCp850ToUtf8(const std::string& bytes) {
    iconv_t converter = iconv_open("UTF-8", "CP850");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        return "(no CP850 converter)";
    }
    std::string input = bytes;
    std::string output(bytes.size() * 4, '\0');
    char* in = input.data();
    size_t in_left = input.size();
    char* out = output.data();
    size_t out_left = output.size();
    const size_t result = iconv(converter, &in, &in_left, &out, &out_left);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1)) {
        return "(conversion failed)";
    }
    output.resize(output.size() - out_left);
    return output;
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
