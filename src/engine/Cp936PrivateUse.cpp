#include "Cp936PrivateUse.h"

#include <array>
#include <cstddef>

namespace korvane {

namespace {

// A block of codes, rows first through last, trail bytes first through last
// of each row (0x7F, which is never a trail byte, skipped), given characters
// one after another from First.
struct TBlock {
    unsigned char FirstRow, LastRow, FirstTrail, LastTrail;
    char32_t First;

    constexpr int TrailsPerRow() const {
        return LastTrail - FirstTrail + 1 - (FirstTrail <= 0x7F && LastTrail >= 0x7F ? 1 : 0);
    }
    constexpr char32_t End() const {
        return First + static_cast<char32_t>((LastRow - FirstRow + 1) * TrailsPerRow());
    }
    bool Holds(unsigned char lead, unsigned char trail) const {
        return lead >= FirstRow && lead <= LastRow && trail >= FirstTrail && trail <= LastTrail &&
               trail != 0x7F;
    }
    char32_t CharacterOf(unsigned char lead, unsigned char trail) const {
        const int column = trail - FirstTrail - (FirstTrail <= 0x7F && trail > 0x7F ? 1 : 0);
        return First + static_cast<char32_t>((lead - FirstRow) * TrailsPerRow() + column);
    }
    std::string CodeOf(char32_t c) const {
        const int index = static_cast<int>(c - First);
        int trail = FirstTrail + index % TrailsPerRow();
        if (FirstTrail <= 0x7F && trail >= 0x7F)
            ++trail;
        return {static_cast<char>(FirstRow + index / TrailsPerRow()), static_cast<char>(trail)};
    }
};

// The user-defined areas, then GBK's reserved codes in the order of their
// bytes: code page 936 numbers all of them without a gap.
constexpr std::array<TBlock, 29> kBlocks{{
    {0xAA, 0xAF, 0xA1, 0xFE, 0xE000}, {0xF8, 0xFE, 0xA1, 0xFE, 0xE234},
    {0xA1, 0xA7, 0x40, 0xA0, 0xE4C6}, {0xA2, 0xA2, 0xAB, 0xB0, 0xE766},
    {0xA2, 0xA2, 0xE3, 0xE4, 0xE76C}, {0xA2, 0xA2, 0xEF, 0xF0, 0xE76E},
    {0xA2, 0xA2, 0xFD, 0xFE, 0xE770}, {0xA4, 0xA4, 0xF4, 0xFE, 0xE772},
    {0xA5, 0xA5, 0xF7, 0xFE, 0xE77D}, {0xA6, 0xA6, 0xB9, 0xC0, 0xE785},
    {0xA6, 0xA6, 0xD9, 0xDF, 0xE78D}, {0xA6, 0xA6, 0xEC, 0xED, 0xE794},
    {0xA6, 0xA6, 0xF3, 0xF3, 0xE796}, {0xA6, 0xA6, 0xF6, 0xFE, 0xE797},
    {0xA7, 0xA7, 0xC2, 0xD0, 0xE7A0}, {0xA7, 0xA7, 0xF2, 0xFE, 0xE7AF},
    {0xA8, 0xA8, 0x96, 0xA0, 0xE7BC}, {0xA8, 0xA8, 0xBC, 0xBC, 0xE7C7},
    {0xA8, 0xA8, 0xBF, 0xBF, 0xE7C8}, {0xA8, 0xA8, 0xC1, 0xC4, 0xE7C9},
    {0xA8, 0xA8, 0xEA, 0xFE, 0xE7CD}, {0xA9, 0xA9, 0x58, 0x58, 0xE7E2},
    {0xA9, 0xA9, 0x5B, 0x5B, 0xE7E3}, {0xA9, 0xA9, 0x5D, 0x5F, 0xE7E4},
    {0xA9, 0xA9, 0x89, 0x95, 0xE7E7}, {0xA9, 0xA9, 0x97, 0xA3, 0xE7F4},
    {0xA9, 0xA9, 0xF0, 0xFE, 0xE801}, {0xD7, 0xD7, 0xFA, 0xFE, 0xE810},
    {0xFE, 0xFE, 0x50, 0xA0, 0xE815},
}};

constexpr bool NumberedWithoutAGap() {
    for (std::size_t i = 1; i < kBlocks.size(); ++i)
        if (kBlocks[i].First != kBlocks[i - 1].End())
            return false;
    return kBlocks.back().End() == 0xE865;
}
static_assert(NumberedWithoutAGap());

} // namespace

std::optional<char32_t> TCp936PrivateUse::Decode(unsigned char lead, unsigned char trail) {
    for (const TBlock& block : kBlocks)
        if (block.Holds(lead, trail))
            return block.CharacterOf(lead, trail);
    return std::nullopt;
}

std::optional<std::string> TCp936PrivateUse::Encode(char32_t c) {
    for (const TBlock& block : kBlocks)
        if (c >= block.First && c < block.End())
            return block.CodeOf(c);
    return std::nullopt;
}

} // namespace korvane
