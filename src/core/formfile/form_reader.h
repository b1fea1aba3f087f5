#pragma once

#include "core/base/stream.h"
#include "core/formfile/form_stream.h"

#include <array>
#include <cstdint>
#include <string>

namespace swapwright {

// Reads the primitives of a binary form stream through a 4096-byte buffer. When destroyed it moves
// the input back to just after the last byte it consumed. Input that ends early raises EReadError
// "Stream read error", an unexpected tag EReadError "Invalid property value".
class TReader {
public:
    explicit TReader(Stream& input);
    ~TReader();
    TReader(const TReader&) = delete;
    TReader& operator=(const TReader&) = delete;

    // Requires the four bytes "TPF0" ("Invalid stream format" otherwise).
    void readSignature();
    // The flags of an optional prefix byte and, with flagChildPos, the child position.
    void readPrefix(TFilerFlags& flags, std::int32_t& childPosition);

    std::string ReadStr();
    TValueType readTag() { return static_cast<TValueType>(readByte()); }
    TValueType peekTag();
    bool endOfList() { return peekTag() == tagNull; }
    void readListEnd() { checkTag(tagNull); }
    void checkTag(TValueType tag);

    std::int32_t ReadInteger();
    std::int64_t ReadInt64();
    long double ReadFloat();
    float ReadSingle();
    std::int64_t ReadCurrency();
    double ReadDate();
    std::string ReadIdent();
    std::string ReadString();
    std::u16string ReadWideString();

    // Payloads, after their tag has been read.
    std::int32_t readIntegerPayload(TValueType tag);
    std::int64_t readInt64Payload();
    std::u16string readWideStringPayload();
    std::string readBytes(std::uint64_t count);
    std::uint8_t readByte() {
        if (m_pos == m_end)
            fill();
        return m_buffer[m_pos++];
    }
    std::uint32_t readUInt32();
    void read(void* buffer, std::size_t n);
    // Passes over n bytes; input that ends among them raises EReadError as a read would.
    void skip(std::uint64_t n);

private:
    void fill();
    [[noreturn]] static void invalidValue();

    Stream& m_input;
    std::array<std::uint8_t, 4096> m_buffer{};
    std::size_t m_pos = 0;
    std::size_t m_end = 0;
};

// Reads the resource header in front of a binary form stream and leaves the input just after its
// size field. A header that does not start with 0xFF and resource type 10 raises EInvalidImage
// "Invalid stream format". Flags and size are not examined.
void ReadResHeader(Stream& input);

// Writes the header for a stream of `size` bytes whose root class is `className`; the resource
// name is the class name with ASCII letters upper-cased.
void writeResHeader(Stream& output, std::string_view className, std::uint32_t size);
// The same with a resource name and memory flags as another header has them.
void writeResHeader(Stream& output, std::string_view resourceName, std::uint16_t flags, std::uint32_t size);

} // namespace swapwright
