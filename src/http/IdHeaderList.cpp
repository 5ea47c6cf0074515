#include "IdHeaderList.h"

#include "IdGlobal.h"

namespace korvane::http {

namespace {

bool IsContinuation(const std::string& line) {
    return !line.empty() && (line[0] == ' ' || line[0] == '\t');
}

bool IsBreakChar(char ch) {
    return ch == ' ' || ch == '\t' || ch == ',';
}

bool IsSkippedAfterBreak(char ch) {
    return ch == ' ' || ch == '\t' || ch == ',' || ch == '\r' || ch == '\n';
}

constexpr auto npos = std::string_view::npos;

} // namespace

void TIdHeaderList::AddStrings(const TIdHeaderList& other) {
    Lines.insert(Lines.end(), other.Lines.begin(), other.Lines.end());
}

std::string TIdHeaderList::LineName(std::size_t i) const {
    const std::string& line = Lines[i];
    const auto colon = line.find(':');
    return colon == std::string::npos ? std::string{} : line.substr(0, colon);
}

std::string TIdHeaderList::LineValue(std::size_t i) const {
    const std::string& line = Lines[i];
    const auto colon = line.find(':');
    std::string value = colon == std::string::npos ? std::string{} : line.substr(colon + 1);
    for (std::size_t next = i + 1; next < Lines.size() && IsContinuation(Lines[next]); ++next)
        value = std::string(Trim(value)) + " " + std::string(Trim(Lines[next]));
    return std::string(Trim(value));
}

long TIdHeaderList::FindHeader(std::string_view name) const {
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        const auto colon = Lines[i].find(':');
        if (colon != std::string::npos &&
            SameText(std::string_view(Lines[i]).substr(0, colon), name))
            return static_cast<long>(i);
    }
    return -1;
}

std::string TIdHeaderList::HeaderValue(std::string_view name) const {
    const long i = FindHeader(name);
    return i < 0 ? std::string{} : LineValue(static_cast<std::size_t>(i));
}

std::vector<std::string> TIdHeaderList::CollectValues(std::string_view name) const {
    std::vector<std::string> values;
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        const auto colon = Lines[i].find(':');
        if (colon != std::string::npos &&
            SameText(std::string_view(Lines[i]).substr(0, colon), name))
            values.push_back(LineValue(i));
    }
    return values;
}

void TIdHeaderList::RemoveContinuations(std::size_t i) {
    std::size_t end = i + 1;
    while (end < Lines.size() && IsContinuation(Lines[end]))
        ++end;
    Lines.erase(Lines.begin() + static_cast<long>(i) + 1, Lines.begin() + static_cast<long>(end));
}

void TIdHeaderList::PutHeader(std::string_view name, std::string_view value) {
    long found = FindHeader(name);
    if (value.empty()) {
        if (found >= 0) {
            RemoveContinuations(static_cast<std::size_t>(found));
            Lines.erase(Lines.begin() + found);
        }
        return;
    }
    if (found < 0) {
        Lines.emplace_back();
        found = static_cast<long>(Lines.size()) - 1;
    }
    const auto at = static_cast<std::size_t>(found);
    RemoveContinuations(at);
    std::string line;
    line.reserve(name.size() + 2 + value.size());
    line.append(name).append(": ").append(value);
    if (FoldWidth == kNoFolding) {
        Lines[at] = std::move(line);
        return;
    }
    std::vector<std::string> pieces = FoldLine(line, FoldWidth);
    Lines[at] = std::move(pieces[0]);
    Lines.insert(Lines.begin() + found + 1, std::make_move_iterator(pieces.begin() + 1),
                 std::make_move_iterator(pieces.end()));
}

std::vector<std::string> TIdHeaderList::FoldLine(std::string_view line, std::size_t width) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    std::size_t column = 0; // characters of the current piece scanned so far
    std::size_t lastBreak = npos;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size();) {
        const char ch = line[i];
        if (IsGbkLeadByte(ch) && i + 1 < line.size()) {
            i += 2; // two columns, never split
            column += 2;
        } else {
            if (ch == '"')
                quoted = !quoted;
            else if (!quoted && IsBreakChar(ch))
                lastBreak = i;
            ++i;
            ++column;
        }
        if (column <= width || lastBreak == npos || lastBreak < start)
            continue;
        // No break that would leave a last piece of one character at most.
        std::size_t rest = lastBreak + 1;
        while (rest < line.size() && IsSkippedAfterBreak(line[rest]))
            ++rest;
        if (line.size() - rest <= 1)
            continue;
        parts.push_back(line.substr(start, lastBreak + 1 - start));
        start = lastBreak + 1;
        column = i - start;
        lastBreak = npos;
    }
    parts.push_back(line.substr(start));

    std::vector<std::string> pieces;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        std::string_view piece = TrimRight(parts[p]);
        if (p == 0) {
            pieces.emplace_back(piece);
        } else {
            piece = TrimLeft(piece);
            std::string continuation(1, ' ');
            continuation.append(piece);
            pieces.push_back(std::move(continuation));
        }
    }
    return pieces;
}

} // namespace korvane::http
