#include "IdGlobal.h"

#include <gtest/gtest.h>

using namespace korvane::http;

namespace {

// The sales counts of a listing and the numbers of an address read this way.
TEST(NumberToInt32, WholeTextOrNothing) {
    const std::vector<std::pair<std::string, std::optional<std::int32_t>>> cases = {
        {"12", 12},
        {" 12", 12},
        {"   +7", 7},
        {"-3", -3},
        {"0", 0},
        {"007", 7},
        {"$1F", 31},
        {"x1f", 31},
        {"0x10", 16},
        {"-$10", -16},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"2147483648", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"12 ", std::nullopt},
        {"1,234", std::nullopt},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"-", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"12a", std::nullopt},
        {"1F", std::nullopt},
        {"\t12", std::nullopt},
        {"\xA3\xB1\xA3\xB2", std::nullopt}, // full-width digits are not digits
    };
    for (const auto& [text, value] : cases)
        EXPECT_EQ(NumberToInt32(text), value) << "'" << text << "'";
}

} // namespace
