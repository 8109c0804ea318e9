#include "app/version_info.h"

#include <gtest/gtest.h>

namespace corvimap {
namespace {

// The line is put together from the stored values; missing ones leave the fixed pieces.
TEST(VersionInfoTest, VersionLineJoinsTheValuesAndKeepsTheFixedPieces) {
    EXPECT_EQ(VersionInfo(std::map<std::string, std::string, std::less<>>{}).VersionLine(),
              " ..beta  by ");
    const VersionInfo no_build({{"InternalName", "Corvimap"},
                                {"ProductVersion", "2.0"},
                                {"LegalCopyright", "(C) 2026"},
                                {"CompanyName", "Tarvok"}});
    EXPECT_EQ(no_build.VersionLine(), "Corvimap 2.0..beta (C) 2026 by Tarvok");
}

}  // namespace
}  // namespace corvimap
