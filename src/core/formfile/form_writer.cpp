#include "core/formfile/form_writer.h"

#include "core/base/exceptions.h"
#include "core/base/text.h"
#include "core/formfile/extended.h"

#include <limits>

namespace swapwright {

BufferedOutput::~BufferedOutput() {
    try {
        flush();
    } catch (...) {
        // Reached while an earlier failure unwinds; that one is the one to report.
    }
}

void BufferedOutput::flush() {
    if (m_used == 0)
        return;
    const std::size_t n = m_used;
    m_used = 0;
    m_output.write(m_buffer.data(), n);
}

void BufferedOutput::writeSlow(const void* data, std::size_t n) {
    flush();
    if (n >= m_buffer.size()) {
        m_output.write(data, n);
        return;
    }
    std::memcpy(m_buffer.data(), data, n);
    m_used = n;
}

void TWriter::writeUInt32(std::uint32_t v) {
    const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    m_out.write(b, 4);
}

void TWriter::writeUInt64(std::uint64_t v) {
    writeUInt32(static_cast<std::uint32_t>(v));
    writeUInt32(static_cast<std::uint32_t>(v >> 32));
}

void TWriter::writeCount(std::size_t count) {
    if (count > std::numeric_limits<std::uint32_t>::max())
        throw EWriteError(std::string(kStreamWriteError));
    writeUInt32(static_cast<std::uint32_t>(count));
}

void TWriter::WritePrefix(TFilerFlags flags, std::int32_t childPosition) {
    if (flags == 0)
        return;
    m_out.writeByte(static_cast<std::uint8_t>(0xF0 | (flags & 0x0F)));
    if ((flags & flagChildPos) != 0)
        writeInteger(childPosition);
}

void TWriter::WriteStr(std::string_view s) {
    if (s.size() > kMaxShortString)
        throw EWriteError("Short string longer than 255 characters");
    m_out.writeByte(static_cast<std::uint8_t>(s.size()));
    m_out.write(s);
}

void TWriter::writeInteger(std::int32_t value) {
    if (value >= -128 && value <= 127) {
        writeTag(tagInt8);
        m_out.writeByte(static_cast<std::uint8_t>(value));
    } else if (value >= -32768 && value <= 32767) {
        writeTag(tagInt16);
        const auto v = static_cast<std::uint16_t>(value);
        m_out.writeByte(static_cast<std::uint8_t>(v));
        m_out.writeByte(static_cast<std::uint8_t>(v >> 8));
    } else {
        writeTag(tagInt32);
        writeUInt32(static_cast<std::uint32_t>(value));
    }
}

void TWriter::writeInt64(std::int64_t value) {
    if (value >= std::numeric_limits<std::int32_t>::min() && value <= std::numeric_limits<std::int32_t>::max()) {
        writeInteger(static_cast<std::int32_t>(value));
        return;
    }
    writeTag(tagInt64);
    writeUInt64(static_cast<std::uint64_t>(value));
}

void TWriter::writeIntegerAs(TValueType tag, std::int64_t value) {
    const std::size_t width = tag == tagInt8 ? 1 : tag == tagInt16 ? 2 : tag == tagInt32 ? 4 : 8;
    writeTag(tag);
    const auto v = static_cast<std::uint64_t>(value);
    for (std::size_t i = 0; i < width; ++i)
        m_out.writeByte(static_cast<std::uint8_t>(v >> (8 * i)));
}

void TWriter::writeFloat(long double value) {
    writeTag(tagExtended);
    const auto bytes = extended::encode(value);
    m_out.write(bytes.data(), bytes.size());
}

void TWriter::writeSingle(float value) {
    writeTag(tagSingle);
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    writeUInt32(bits);
}

void TWriter::writeCurrency(std::int64_t amountTimes10000) {
    writeTag(tagCurrency);
    writeUInt64(static_cast<std::uint64_t>(amountTimes10000));
}

void TWriter::writeDate(double value) {
    writeTag(tagDate);
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    writeUInt64(bits);
}

void TWriter::WriteIdent(std::string_view ident) {
    if (text::equalsIgnoreCase(ident, "False"))
        writeTag(tagFalse);
    else if (text::equalsIgnoreCase(ident, "True"))
        writeTag(tagTrue);
    else if (text::equalsIgnoreCase(ident, "Null"))
        writeTag(tagNull);
    else if (text::equalsIgnoreCase(ident, "nil"))
        writeTag(tagNil);
    else {
        writeTag(tagIdent);
        WriteStr(ident);
    }
}

void TWriter::WriteString(std::string_view s) {
    if (s.size() <= kMaxShortString) {
        writeTag(tagShortString);
        WriteStr(s);
        return;
    }
    writeLongString(s);
}

void TWriter::writeLongString(std::string_view s) {
    writeTag(tagLongString);
    writeCount(s.size());
    m_out.write(s);
}

void TWriter::WriteWideString(std::u16string_view s) {
    writeTag(tagWideString);
    writeCount(s.size());
    for (const char16_t c : s) {
        m_out.writeByte(static_cast<std::uint8_t>(c & 0xFF));
        m_out.writeByte(static_cast<std::uint8_t>(c >> 8));
    }
}

void TWriter::WriteBinary(std::string_view bytes) {
    writeTag(tagBinary);
    writeCount(bytes.size());
    m_out.write(bytes);
}

} // namespace swapwright
