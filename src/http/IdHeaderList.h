#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::http {

// An ordered list of header lines ("Name: value"). Names match without
// regard to case; a line starting with a space or tab continues the line
// before it when read, and long lines are folded when written.
class TIdHeaderList {
public:
    static constexpr std::size_t kDefaultFoldWidth = 78;
    // As FoldWidth: written lines stay whole, however long.
    static constexpr std::size_t kNoFolding = 0;

    explicit TIdHeaderList(std::size_t foldWidth = kDefaultFoldWidth) : FoldWidth(foldWidth) {}

    std::size_t FoldWidth;

    std::size_t Count() const { return Lines.size(); }
    const std::string& operator[](std::size_t i) const { return Lines[i]; }
    const std::vector<std::string>& Strings() const { return Lines; }
    bool Empty() const { return Lines.empty(); }
    void Clear() { Lines.clear(); }
    // Appends a line as it is (received lines are never folded).
    void Add(std::string line) { Lines.push_back(std::move(line)); }
    void AddStrings(const TIdHeaderList& other);

    // The text before the first ":" (not trimmed; empty without ":").
    std::string LineName(std::size_t i) const;
    // The text after the first ":", with continuation lines joined by one
    // space, trimmed.
    std::string LineValue(std::size_t i) const;
    // Index of the first line whose name matches, or -1.
    long FindHeader(std::string_view name) const;
    // The first matching header's value, empty when none.
    std::string HeaderValue(std::string_view name) const;
    std::vector<std::string> CollectValues(std::string_view name) const;
    // Writes (folded) in place of the first line of that name, or at the
    // end; an empty value removes the header.
    void PutHeader(std::string_view name, std::string_view value);

    // The pieces a written line is folded into; every piece after the first
    // starts with one space.
    static std::vector<std::string> FoldLine(std::string_view line, std::size_t width);

private:
    void RemoveContinuations(std::size_t i);

    std::vector<std::string> Lines;
};

} // namespace korvane::http
