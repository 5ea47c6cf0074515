#include "IdSimpleBuffer.h"

#include "IdException.h"

#include <algorithm>
#include <cstring>

namespace korvane::http {

void TIdSimpleBuffer::Grow(std::size_t capacity) {
    if (capacity <= Capacity)
        return;
    const std::size_t grown = std::max(capacity, Capacity + Capacity / 2);
    std::unique_ptr<char[]> bytes(new char[grown]);
    if (Length > 0)
        std::memcpy(bytes.get(), Bytes.get(), Length);
    Bytes = std::move(bytes);
    Capacity = grown;
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
    std::memcpy(Bytes.get() + Pos, bytes, count);
    Pos = end;
}

char* TIdSimpleBuffer::Reserve(std::size_t position, std::size_t count) {
    if (position + count > Length)
        SetSize(position + count);
    return Bytes.get() + position;
}

std::size_t TIdSimpleBuffer::Read(void* bytes, std::size_t count) {
    const std::size_t n = Pos < Length ? std::min(count, Length - Pos) : 0;
    if (n > 0)
        std::memcpy(bytes, Bytes.get() + Pos, n);
    Pos += n;
    return n;
}

void TIdSimpleBuffer::Remove(std::size_t count) {
    if (count > Length)
        throw EIdNotEnoughDataInBuffer();
    std::memmove(Bytes.get(), Bytes.get() + count, Length - count);
    Length -= count;
    Pos = Pos > count ? Pos - count : 0;
}

void TIdSimpleBuffer::Clear() {
    Length = 0;
    Pos = 0;
}

} // namespace korvane::http
