#pragma once

#include <optional>
#include <string>

namespace korvane {

// The two-byte codes of code page 936 that GBK's own table leaves without a
// character: the three user-defined areas, and the codes GBK reserves in its
// symbol rows and at the end of its last row. Windows reads every one of
// them as a character of Unicode's private-use area (U+E000 to U+E864), so a
// shop title holding one shows and copies as one character; iconv's GBK
// rejects them. Both builds take them from here so they read alike.
class TCp936PrivateUse {
public:
    // The character of the code lead, trail; nothing when GBK's own table
    // covers the code, or when it is no code at all.
    static std::optional<char32_t> Decode(unsigned char lead, unsigned char trail);
    // The two bytes of c; nothing when c is not one of these characters.
    static std::optional<std::string> Encode(char32_t c);
};

} // namespace korvane
