#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace korvane::http {

// The receive queue: bytes taken from the front are only counted, and moved
// away once CompactThreshold of them have gathered, so reading many short
// lines does not copy the rest of the queue each time.
class TIdManagedBuffer {
public:
    static constexpr std::size_t CompactThreshold = 32768;

    // Logical size: the bytes not yet taken.
    std::size_t Size() const { return Length - ConsumedCount; }
    const char* Data() const { return Bytes.get() + ConsumedCount; }
    std::string_view View() const { return {Data(), Size()}; }

    void Append(const void* bytes, std::size_t count);
    // Room for count more bytes at the end; CommitAppend says how many were written.
    char* PrepareAppend(std::size_t count);
    void CommitAppend(std::size_t count) { Length += count; }

    // Take count bytes from the front; EIdNotEnoughDataInBuffer when fewer are held.
    std::string ExtractText(std::size_t count);
    void ExtractTo(void* destination, std::size_t count);
    void Remove(std::size_t count);
    void Clear();

    std::size_t Consumed() const { return ConsumedCount; }

private:
    void Reserve(std::size_t capacity);

    std::unique_ptr<char[]> Bytes;
    std::size_t Capacity = 0;
    std::size_t Length = 0; // bytes stored, taken ones included
    std::size_t ConsumedCount = 0;
};

} // namespace korvane::http
