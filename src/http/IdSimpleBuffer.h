#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace korvane::http {

// A growable byte store with a position (a memory stream) that can also give
// up bytes from its front. Growing does not zero the new bytes: a counted
// body is sized once and then overwritten.
class TIdSimpleBuffer {
public:
    std::size_t Size() const { return Length; }
    std::size_t Position() const { return Pos; }
    void Seek(std::size_t position) { Pos = position; }
    // Grows or cuts; the position is kept (and may lie past the end).
    void SetSize(std::size_t size);
    // Writes at the position, growing as needed, and advances the position.
    void Write(const void* bytes, std::size_t count);
    // Room for count bytes at position (the size grows to reach past them);
    // the caller fills them in place.
    char* Reserve(std::size_t position, std::size_t count);
    // Reads up to count bytes from the position; the count read.
    std::size_t Read(void* bytes, std::size_t count);
    // Takes count bytes from the front; EIdNotEnoughDataInBuffer when fewer are held.
    void Remove(std::size_t count);
    void Clear();

    const char* Data() const { return Bytes.get(); }
    std::string_view View() const { return {Bytes.get(), Length}; }

private:
    void Grow(std::size_t capacity);

    std::unique_ptr<char[]> Bytes;
    std::size_t Capacity = 0;
    std::size_t Length = 0;
    std::size_t Pos = 0;
};

} // namespace korvane::http
