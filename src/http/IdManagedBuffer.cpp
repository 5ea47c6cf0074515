#include "IdManagedBuffer.h"

#include "IdException.h"

#include <algorithm>
#include <cstring>

namespace korvane::http {

void TIdManagedBuffer::Reserve(std::size_t capacity) {
    if (capacity <= Capacity)
        return;
    const std::size_t grown = std::max(capacity, Capacity * 2);
    std::unique_ptr<char[]> bytes(new char[grown]);
    if (Length > 0)
        std::memcpy(bytes.get(), Bytes.get(), Length);
    Bytes = std::move(bytes);
    Capacity = grown;
}

void TIdManagedBuffer::Append(const void* bytes, std::size_t count) {
    if (count == 0)
        return; // an empty store has no memory to copy into
    std::memcpy(PrepareAppend(count), bytes, count);
    CommitAppend(count);
}

char* TIdManagedBuffer::PrepareAppend(std::size_t count) {
    Reserve(Length + count);
    return Bytes.get() + Length;
}

void TIdManagedBuffer::Remove(std::size_t count) {
    if (count > Size())
        throw EIdNotEnoughDataInBuffer();
    if (count == Size()) {
        Clear();
        return;
    }
    ConsumedCount += count;
    if (ConsumedCount >= CompactThreshold) {
        std::memmove(Bytes.get(), Bytes.get() + ConsumedCount, Length - ConsumedCount);
        Length -= ConsumedCount;
        ConsumedCount = 0;
    }
}

std::string TIdManagedBuffer::ExtractText(std::size_t count) {
    if (count > Size())
        throw EIdNotEnoughDataInBuffer();
    std::string text(Data(), count);
    Remove(count);
    return text;
}

void TIdManagedBuffer::ExtractTo(void* destination, std::size_t count) {
    if (count > Size())
        throw EIdNotEnoughDataInBuffer();
    if (count > 0)
        std::memcpy(destination, Data(), count);
    Remove(count);
}

void TIdManagedBuffer::Clear() {
    Length = 0;
    ConsumedCount = 0;
}

} // namespace korvane::http
