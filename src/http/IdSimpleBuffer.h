#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvane::http {

// A growable byte store with a position (a memory stream) that can also give
// up bytes from its front. The bytes live in a string so a finished body can
// be handed over whole instead of copied.
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

    const char* Data() const { return Bytes.data(); }
    std::string_view View() const { return {Bytes.data(), Length}; }
    // Hands over the bytes and leaves the buffer empty.
    std::string Release();

private:
    void Grow(std::size_t capacity);

    std::string Bytes; // its size is the capacity; Length bytes are in use
    std::size_t Length = 0;
    std::size_t Pos = 0;
};

} // namespace korvane::http
