#include "core/formfile/form_reader.h"

#include "core/base/exceptions.h"
#include "core/base/text.h"
#include "core/formfile/extended.h"

#include <algorithm>
#include <cstring>

namespace swapwright {

TReader::TReader(Stream& input) : m_input(input) {}

TReader::~TReader() {
    try {
        if (m_end > m_pos)
            m_input.seekRelative(-static_cast<std::int64_t>(m_end - m_pos));
    } catch (...) {
        // A stream that cannot seek back keeps its position; nothing to report from here.
    }
}

void TReader::fill() {
    m_pos = 0;
    m_end = m_input.read(m_buffer.data(), m_buffer.size());
    if (m_end == 0)
        throw EReadError(std::string(kStreamReadError));
}

void TReader::invalidValue() { throw EReadError(kInvalidPropertyValue); }

void TReader::read(void* buffer, std::size_t n) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (n > 0) {
        if (m_pos == m_end)
            fill();
        const std::size_t chunk = std::min(n, m_end - m_pos);
        std::memcpy(out, m_buffer.data() + m_pos, chunk);
        m_pos += chunk;
        out += chunk;
        n -= chunk;
    }
}

void TReader::skip(std::uint64_t n) {
    const std::size_t buffered = std::min<std::uint64_t>(n, m_end - m_pos);
    m_pos += buffered;
    n -= buffered;
    if (n == 0)
        return;
    const std::int64_t target = m_input.position() + static_cast<std::int64_t>(n);
    if (target > m_input.size())
        throw EReadError(std::string(kStreamReadError));
    m_input.setPosition(target);
}

std::uint32_t TReader::readUInt32() {
    std::uint8_t b[4];
    read(b, 4);
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::string TReader::readBytes(std::uint64_t count) {
    // Grows with the bytes that really arrive, so a count that claims gigabytes fails with a read
    // error once the input ends instead of allocating the claimed size first.
    std::string out;
    constexpr std::uint64_t kStep = 1 << 16;
    while (count > 0) {
        const auto chunk = static_cast<std::size_t>(std::min(count, kStep));
        const std::size_t old = out.size();
        out.resize(old + chunk);
        read(out.data() + old, chunk);
        count -= chunk;
    }
    return out;
}

TValueType TReader::peekTag() {
    if (m_pos == m_end)
        fill();
    return static_cast<TValueType>(m_buffer[m_pos]);
}

void TReader::checkTag(TValueType tag) {
    if (readTag() != tag)
        invalidValue();
}

void TReader::readSignature() {
    char signature[4];
    read(signature, 4);
    if (std::memcmp(signature, kSignature, 4) != 0)
        throw EReadError(kInvalidStreamFormat);
}

void TReader::readPrefix(TFilerFlags& flags, std::int32_t& childPosition) {
    flags = 0;
    childPosition = 0;
    if ((peekTag() & 0xF0) != 0xF0)
        return;
    flags = static_cast<TFilerFlags>(readByte() & 0x0F);
    if ((flags & flagChildPos) != 0)
        childPosition = ReadInteger();
}

std::string TReader::ReadStr() {
    const std::uint8_t length = readByte();
    std::string s(length, '\0');
    read(s.data(), length);
    return s;
}

std::int32_t TReader::readIntegerPayload(TValueType tag) {
    switch (tag) {
    case tagInt8:
        return static_cast<std::int8_t>(readByte());
    case tagInt16: {
        std::uint8_t b[2];
        read(b, 2);
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] | (b[1] << 8)));
    }
    case tagInt32:
        return static_cast<std::int32_t>(readUInt32());
    default:
        invalidValue();
    }
}

std::int32_t TReader::ReadInteger() { return readIntegerPayload(readTag()); }

std::int64_t TReader::ReadInt64() {
    if (peekTag() != tagInt64)
        return ReadInteger();
    readTag();
    return readInt64Payload();
}

std::int64_t TReader::readInt64Payload() {
    const std::uint64_t low = readUInt32();
    const std::uint64_t high = readUInt32();
    return static_cast<std::int64_t>(low | (high << 32));
}

long double TReader::ReadFloat() {
    std::uint8_t b[10];
    read(b, sizeof b);
    return extended::decode(b);
}

float TReader::ReadSingle() {
    const std::uint32_t bits = readUInt32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

std::int64_t TReader::ReadCurrency() { return readInt64Payload(); }

double TReader::ReadDate() {
    const std::uint64_t low = readUInt32();
    const std::uint64_t bits = low | (static_cast<std::uint64_t>(readUInt32()) << 32);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

std::string TReader::ReadIdent() {
    switch (readTag()) {
    case tagNull:
        return "Null";
    case tagIdent:
        return ReadStr();
    case tagFalse:
        return "False";
    case tagTrue:
        return "True";
    case tagNil:
        return "nil";
    default:
        invalidValue();
    }
}

std::string TReader::ReadString() {
    switch (readTag()) {
    case tagShortString:
        return ReadStr();
    case tagLongString:
        return readBytes(readUInt32());
    default:
        invalidValue();
    }
}

std::u16string TReader::ReadWideString() {
    if (readTag() != tagWideString)
        invalidValue();
    return readWideStringPayload();
}

std::u16string TReader::readWideStringPayload() {
    const std::string bytes = readBytes(static_cast<std::uint64_t>(readUInt32()) * 2);
    std::u16string s(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<char16_t>(static_cast<std::uint8_t>(bytes[2 * i]) |
                                     (static_cast<std::uint8_t>(bytes[2 * i + 1]) << 8));
    return s;
}

void ReadResHeader(Stream& input) {
    // 0xFF, type 10, the zero-terminated name of at most 255 characters, flags and size.
    constexpr std::size_t kNameOffset = 3;
    constexpr std::size_t kLongest = kNameOffset + kMaxShortString + 1 + 6;
    std::array<std::uint8_t, kLongest + 1> header{};
    const std::int64_t start = input.position();
    input.read(header.data(), kLongest);
    if (header[0] != 0xFF || (header[1] | (header[2] << 8)) != 10)
        throw EInvalidImage(kInvalidStreamFormat);
    // Bytes past the end of a short input read as zero, so the name always ends in the buffer;
    // a header cut short then leaves the position past the end, and the next read fails.
    const auto* name = reinterpret_cast<const char*>(header.data() + kNameOffset);
    const std::size_t n = ::strnlen(name, header.size() - kNameOffset);
    if (n > kMaxShortString)
        throw EInvalidImage(kInvalidStreamFormat);
    input.setPosition(start + static_cast<std::int64_t>(n) + 10);
}

void writeResHeader(Stream& output, std::string_view className, std::uint32_t size) {
    writeResHeader(output, text::toAsciiUpper(className.substr(0, kMaxShortString)), 0x1030, size);
}

void writeResHeader(Stream& output, std::string_view resourceName, std::uint16_t flags, std::uint32_t size) {
    std::string header;
    header.reserve(resourceName.size() + 10);
    header += '\xFF';
    header += '\x0A';
    header += '\0';
    header += resourceName;
    header += '\0';
    header += static_cast<char>(flags & 0xFF);
    header += static_cast<char>(flags >> 8);
    for (int i = 0; i < 4; ++i)
        header += static_cast<char>((size >> (8 * i)) & 0xFF);
    output.write(header);
}

} // namespace swapwright
