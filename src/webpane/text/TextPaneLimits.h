#pragma once

#include <cstdint>

namespace korvane {

// What one page of a text pane may bring in. A publisher's page is tens of
// kilobytes with a few dozen images; anything far past that is a page that
// means harm (or a broken one), and is cut off where these bounds lie.
inline constexpr std::int64_t kTextPaneMaxPageBytes = 1024 * 1024;
inline constexpr std::int64_t kTextPaneMaxImageBytes = 1024 * 1024;
inline constexpr std::int64_t kTextPaneMaxImageBytesPerPage = 8 * 1024 * 1024;
inline constexpr int kTextPaneMaxImagesPerPage = 64;
// A decoded image's pixels: a small file can unpack into gigabytes.
inline constexpr std::int64_t kTextPaneMaxImagePixels = 2048 * 2048;
// An image written into the page itself (a data: address), in its written length.
inline constexpr int kTextPaneMaxDataImageChars = 16 * 1024;
// The whole answer: a page that trickles in is given up by then.
inline constexpr int kTextPanePageAnswerMs = 20000;
inline constexpr int kTextPaneImageAnswerMs = 10000;

struct TTextPaneLimits {
    std::int64_t PageBytes = kTextPaneMaxPageBytes;
    std::int64_t ImageBytes = kTextPaneMaxImageBytes;
    std::int64_t ImageBytesPerPage = kTextPaneMaxImageBytesPerPage;
    int ImagesPerPage = kTextPaneMaxImagesPerPage;
    std::int64_t ImagePixels = kTextPaneMaxImagePixels;
    int DataImageChars = kTextPaneMaxDataImageChars;
    int PageAnswerMs = kTextPanePageAnswerMs;
    int ImageAnswerMs = kTextPaneImageAnswerMs;
};

} // namespace korvane
