#include "IdSimpleBuffer.h"

#include "IdException.h"

#include <algorithm>
#include <cstring>

namespace korvane::http {

void TIdSimpleBuffer::Grow(std::size_t capacity) {
    if (capacity <= Bytes.size())
        return;
    // Exact when sized for a counted body; by half again when written piecemeal.
    const std::size_t grown =
        Bytes.empty() ? capacity : std::max(capacity, Bytes.size() + Bytes.size() / 2);
    Bytes.resize(grown);
}

std::string TIdSimpleBuffer::Release() {
    Bytes.resize(Length);
    std::string bytes = std::move(Bytes);
    Bytes.clear();
    Length = 0;
    Pos = 0;
    return bytes;
}

void TIdSimpleBuffer::SetSize(std::size_t size) {
    if (size > Length)
        Grow(size);
    Length = size;
}

void TIdSimpleBuffer::Write(const void* bytes, std::size_t count) {
    if (count == 0)
        return;
    const std::size_t end = Pos + count;
    if (end > Length) {
        Grow(end);
        Length = end;
    }
    std::memcpy(Bytes.data() + Pos, bytes, count);
    Pos = end;
}

char* TIdSimpleBuffer::Reserve(std::size_t position, std::size_t count) {
    if (position + count > Length)
        SetSize(position + count);
    return Bytes.data() + position;
}

std::size_t TIdSimpleBuffer::Read(void* bytes, std::size_t count) {
    const std::size_t n = Pos < Length ? std::min(count, Length - Pos) : 0;
    if (n > 0)
        std::memcpy(bytes, Bytes.data() + Pos, n);
    Pos += n;
    return n;
}

void TIdSimpleBuffer::Remove(std::size_t count) {
    if (count > Length)
        throw EIdNotEnoughDataInBuffer();
    std::memmove(Bytes.data(), Bytes.data() + count, Length - count);
    Length -= count;
    Pos = Pos > count ? Pos - count : 0;
}

void TIdSimpleBuffer::Clear() {
    Length = 0;
    Pos = 0;
}

} // namespace korvane::http
