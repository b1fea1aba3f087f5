#pragma once

#include "core/base/stream.h"
#include "core/formfile/form_stream.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace swapwright {

// Collects output in a 4096-byte buffer and writes it out when the buffer is full, on flush()
// and when destroyed, so output produced before a failure still reaches the stream.
class BufferedOutput {
public:
    explicit BufferedOutput(Stream& output) : m_output(output) {}
    ~BufferedOutput();
    BufferedOutput(const BufferedOutput&) = delete;
    BufferedOutput& operator=(const BufferedOutput&) = delete;

    void write(const void* data, std::size_t n) {
        if (n <= m_buffer.size() - m_used) {
            std::memcpy(m_buffer.data() + m_used, data, n);
            m_used += n;
        } else {
            writeSlow(data, n);
        }
    }
    void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
    void writeByte(std::uint8_t b) {
        if (m_used == m_buffer.size())
            flush();
        m_buffer[m_used++] = static_cast<char>(b);
    }
    void flush();

private:
    void writeSlow(const void* data, std::size_t n);

    Stream& m_output;
    std::array<char, 4096> m_buffer{};
    std::size_t m_used = 0;
};

// Writes the primitives of a binary form stream, choosing the smallest encoding the format
// allows: integers by range, narrow strings by length, the fixed identifiers by their own tags.
class TWriter {
public:
    explicit TWriter(Stream& output) : m_out(output) {}

    void writeSignature() { m_out.write(kSignature, 4); }
    // Nothing for an empty flag set; otherwise 0xF0 | flags and, with flagChildPos, the position.
    void WritePrefix(TFilerFlags flags, std::int32_t childPosition);
    // Length byte and bytes. Text beyond 255 bytes does not fit and raises EWriteError; callers
    // that read names from text check the length first and say where.
    void WriteStr(std::string_view s);
    void writeTag(TValueType tag) { m_out.writeByte(tag); }
    void writeListBegin() { writeTag(tagList); }
    void writeListEnd() { writeTag(tagNull); }

    void writeInteger(std::int32_t value);
    void writeInt64(std::int64_t value);
    // The value with the given integer tag (2, 3, 4 or 19), which the caller knows it fits.
    void writeIntegerAs(TValueType tag, std::int64_t value);
    void writeFloat(long double value);
    void writeSingle(float value);
    void writeCurrency(std::int64_t amountTimes10000);
    void writeDate(double value);
    void WriteIdent(std::string_view ident);
    void WriteString(std::string_view s);
    // Tag 12 whatever the length.
    void writeLongString(std::string_view s);
    void WriteWideString(std::u16string_view s);
    void WriteBinary(std::string_view bytes);
    // Bytes exactly as given, such as a value copied from another stream.
    void writeRaw(std::string_view bytes) { m_out.write(bytes); }

    void flush() { m_out.flush(); }

private:
    void writeUInt32(std::uint32_t v);
    void writeUInt64(std::uint64_t v);
    void writeCount(std::size_t count);

    BufferedOutput m_out;
};

} // namespace swapwright
