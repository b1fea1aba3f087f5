// The text form written from a binary form stream, byte for byte: two blanks per nesting level,
// CR LF after every line, strings in pieces of at most 64 characters, binary data in lines of 32
// bytes. The component tree is walked with an explicit stack, so nesting depth costs heap, not
// call stack, and is bounded by kMaxNestingLevel.
#include "core/base/exceptions.h"
#include "core/base/text.h"
#include "core/formfile/float_text.h"
#include "core/formfile/form_conversion.h"
#include "core/formfile/form_reader.h"
#include "core/formfile/form_writer.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

namespace swapwright {

namespace {

constexpr std::size_t kStringLine = 64; // characters of a string per text line
constexpr std::size_t kBinaryLine = 32; // bytes of binary data per text line

class TextOut {
public:
    explicit TextOut(Stream& output) : m_out(output), m_blanks(2 * (kMaxNestingLevel + 2), ' ') {}

    void write(std::string_view s) { m_out.write(s); }
    void write(char c) { m_out.writeByte(static_cast<std::uint8_t>(c)); }
    void indent(int level) { m_out.write(m_blanks.data(), 2 * static_cast<std::size_t>(level)); }
    void lineEnd() { m_out.write("\r\n", 2); }
    void newLine(int level) {
        lineEnd();
        indent(level);
    }
    template <typename Int>
    void number(Int value) {
        char buffer[24];
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
        m_out.write(buffer, static_cast<std::size_t>(r.ptr - buffer));
    }
    void flush() { m_out.flush(); }

private:
    BufferedOutput m_out;
    std::string m_blanks;
};

// Narrow and wide strings share the layout; a wide character above 255 is never plain. The
// characters come one at a time from `next`, so a string of any length is written without being
// held in memory.
template <typename Next>
void writeStringText(TextOut& out, std::uint64_t length, int level, Next next) {
    if (length == 0) {
        out.write("''");
        return;
    }
    const auto plain = [](unsigned c) { return c >= 32 && c != '\'' && c <= 255; };
    ++level;
    if (length > kStringLine)
        out.newLine(level);
    std::uint64_t i = 0;
    std::uint64_t lineStart = 0;
    unsigned c = next();
    const auto advance = [&] {
        if (++i < length)
            c = next();
    };
    while (i < length) {
        bool lineBreak = false;
        if (plain(c)) {
            out.write('\'');
            do {
                out.write(static_cast<char>(c));
                advance();
            } while (i < length && plain(c) && i - lineStart < kStringLine);
            lineBreak = i - lineStart >= kStringLine;
            out.write('\'');
        } else {
            out.write('#');
            out.number(c);
            advance();
            lineBreak = i - lineStart >= kStringLine;
        }
        if (lineBreak && i < length) {
            out.write(" +");
            out.newLine(level);
            lineStart = i;
        }
    }
}

void writeNarrowStringText(TextOut& out, TReader& reader, std::uint64_t length, int level) {
    writeStringText(out, length, level, [&]() -> unsigned { return reader.readByte(); });
}

void writeWideStringText(TextOut& out, TReader& reader, int level) {
    writeStringText(out, reader.readUInt32(), level, [&]() -> unsigned {
        const unsigned low = reader.readByte();
        return low | (static_cast<unsigned>(reader.readByte()) << 8);
    });
}

void writeBinaryText(TextOut& out, TReader& reader, int level) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::uint32_t remaining = reader.readUInt32();
    const bool manyLines = remaining >= kBinaryLine;
    out.write('{');
    std::uint8_t chunk[kBinaryLine];
    char hex[2 * kBinaryLine];
    while (remaining > 0) {
        const std::uint32_t n = std::min<std::uint32_t>(remaining, kBinaryLine);
        reader.read(chunk, n);
        if (manyLines)
            out.newLine(level + 1);
        for (std::uint32_t k = 0; k < n; ++k) {
            hex[2 * k] = kHex[chunk[k] >> 4];
            hex[2 * k + 1] = kHex[chunk[k] & 0x0F];
        }
        out.write(std::string_view(hex, 2 * n));
        remaining -= n;
    }
    out.write('}');
}

class BinaryToText {
public:
    BinaryToText(Stream& input, Stream& output) : m_reader(input), m_out(output) {}

    void run() {
        m_reader.readSignature();
        beginComponent(0);
        while (!m_stack.empty())
            step();
        m_out.flush();
    }

private:
    enum class Kind { Properties, Children, List, Collection, Item };
    struct Frame {
        Kind kind;
        int level; // the level of the line that opened the frame
    };

    void push(Kind kind, int level, int contentLevel) {
        if (contentLevel > kMaxNestingLevel)
            throw EReadError(text::format(kNestingTooDeep, kMaxNestingLevel));
        m_stack.push_back({kind, level});
    }

    void beginComponent(int level) {
        TFilerFlags flags = 0;
        std::int32_t position = 0;
        m_reader.readPrefix(flags, position);
        const std::string className = m_reader.ReadStr();
        const std::string name = m_reader.ReadStr();
        push(Kind::Properties, level, level + 1);
        m_out.indent(level);
        if ((flags & flagInherited) != 0)
            m_out.write("inherited ");
        else if ((flags & flagInline) != 0)
            m_out.write("inline ");
        else
            m_out.write("object ");
        if (!name.empty()) {
            m_out.write(name);
            m_out.write(": ");
        }
        m_out.write(className);
        if ((flags & flagChildPos) != 0) {
            m_out.write(" [");
            m_out.number(position);
            m_out.write(']');
        }
        m_out.lineEnd();
    }

    void beginProperty(int level) {
        const std::string name = m_reader.ReadStr();
        m_out.indent(level);
        m_out.write(name);
        m_out.write(" = ");
        beginValue(level);
    }

    // A value completed: property lines end here, list elements do not.
    void valueDone() {
        const Kind parent = m_stack.back().kind;
        if (parent == Kind::Properties || parent == Kind::Item)
            m_out.lineEnd();
    }

    // Writes the value at the reader's position; lists and collections push a frame and are
    // finished by step().
    void beginValue(int level) {
        const TValueType tag = m_reader.readTag();
        switch (tag) {
        case tagNull:
            m_out.write("Null");
            break;
        case tagList:
            push(Kind::List, level, level + 1);
            m_out.write('(');
            return;
        case tagInt8:
        case tagInt16:
        case tagInt32:
            m_out.number(m_reader.readIntegerPayload(tag));
            break;
        case tagExtended:
            m_out.write(floattext::format(m_reader.ReadFloat()));
            break;
        case tagShortString:
            writeNarrowStringText(m_out, m_reader, m_reader.readByte(), level);
            break;
        case tagLongString:
            writeNarrowStringText(m_out, m_reader, m_reader.readUInt32(), level);
            break;
        case tagIdent:
            m_out.write(m_reader.ReadStr());
            break;
        case tagFalse:
            m_out.write("False");
            break;
        case tagTrue:
            m_out.write("True");
            break;
        case tagNil:
            m_out.write("nil");
            break;
        case tagBinary:
            writeBinaryText(m_out, m_reader, level);
            break;
        case tagSet: {
            m_out.write('[');
            bool first = true;
            for (;;) {
                const std::string element = m_reader.ReadStr();
                if (element.empty())
                    break;
                if (!first)
                    m_out.write(", ");
                m_out.write(element);
                first = false;
            }
            m_out.write(']');
            break;
        }
        case tagCollection:
            push(Kind::Collection, level, level + 2);
            m_out.write('<');
            return;
        case tagSingle:
            m_out.write(floattext::format(m_reader.ReadSingle()));
            m_out.write('s');
            break;
        case tagCurrency:
            m_out.write(floattext::format(static_cast<long double>(m_reader.ReadCurrency())));
            m_out.write('c');
            break;
        case tagDate:
            m_out.write(floattext::format(m_reader.ReadDate()));
            m_out.write('d');
            break;
        case tagWideString:
            writeWideStringText(m_out, m_reader, level);
            break;
        case tagInt64:
            m_out.number(m_reader.readInt64Payload());
            break;
        default:
            throw EReadError(kInvalidPropertyValue);
        }
        valueDone();
    }

    void step() {
        const Frame frame = m_stack.back();
        switch (frame.kind) {
        case Kind::Properties:
            if (m_reader.endOfList()) {
                m_reader.readListEnd();
                m_stack.back().kind = Kind::Children;
            } else {
                beginProperty(frame.level + 1);
            }
            break;
        case Kind::Children:
            if (m_reader.endOfList()) {
                m_reader.readListEnd();
                m_stack.pop_back();
                m_out.indent(frame.level);
                m_out.write("end");
                m_out.lineEnd();
            } else {
                beginComponent(frame.level + 1);
            }
            break;
        case Kind::List:
            if (m_reader.endOfList()) {
                m_reader.readListEnd();
                m_stack.pop_back();
                m_out.write(')');
                valueDone();
            } else {
                m_out.newLine(frame.level + 1);
                beginValue(frame.level + 1);
            }
            break;
        case Kind::Collection:
            if (m_reader.endOfList()) {
                m_reader.readListEnd();
                m_stack.pop_back();
                m_out.write('>');
                valueDone();
            } else {
                m_out.newLine(frame.level + 1);
                m_out.write("item");
                const TValueType tag = m_reader.peekTag();
                if (tag == tagInt8 || tag == tagInt16 || tag == tagInt32) {
                    m_out.write(" [");
                    m_out.number(m_reader.ReadInteger());
                    m_out.write(']');
                }
                m_reader.checkTag(tagList);
                m_out.lineEnd();
                push(Kind::Item, frame.level + 1, frame.level + 2);
            }
            break;
        case Kind::Item:
            if (m_reader.endOfList()) {
                m_reader.readListEnd();
                m_stack.pop_back();
                m_out.indent(frame.level);
                m_out.write("end");
            } else {
                beginProperty(frame.level + 1);
            }
            break;
        }
    }

    TReader m_reader;
    TextOut m_out;
    std::vector<Frame> m_stack;
};

bool startsLikeText(std::uint8_t b) {
    return b == 9 || b == 11 || b == 13 || b == ' ' || b == 'I' || b == 'O' || b == 'i' || b == 'o';
}

enum class Detected { Copy, Convert };

// What the detecting conversion does with the input, by its first byte; updates the stored format.
Detected detect(Stream& input, TStoredFormat& storedFormat) {
    const std::int64_t start = input.position();
    std::uint8_t first = 0;
    input.read(&first, 1);
    input.setPosition(start);
    if (first == 0xFF) {
        if (storedFormat == fmtBinary)
            return Detected::Copy;
        if (storedFormat == fmtUnknown)
            storedFormat = fmtBinary;
        return Detected::Convert;
    }
    if (storedFormat == fmtText || (storedFormat == fmtUnknown && startsLikeText(first))) {
        storedFormat = fmtText;
        return Detected::Copy;
    }
    return Detected::Convert; // fails on the header
}

// Counts what is written to it and keeps nothing.
class CountingStream final : public Stream {
public:
    std::size_t read(void*, std::size_t) override { return 0; }
    void write(const void*, std::size_t n) override { m_size += static_cast<std::int64_t>(n); }
    std::int64_t position() const override { return m_size; }
    void setPosition(std::int64_t) override { throw EStreamError("Invalid stream position"); }
    std::int64_t size() const override { return m_size; }

private:
    std::int64_t m_size = 0;
};

// Appends to a string whose room was reserved beforehand.
class StringOutput final : public Stream {
public:
    explicit StringOutput(std::size_t capacity) { m_data.reserve(capacity); }
    std::size_t read(void*, std::size_t) override { return 0; }
    void write(const void* buffer, std::size_t n) override { m_data.append(static_cast<const char*>(buffer), n); }
    std::int64_t position() const override { return static_cast<std::int64_t>(m_data.size()); }
    void setPosition(std::int64_t) override { throw EStreamError("Invalid stream position"); }
    std::int64_t size() const override { return static_cast<std::int64_t>(m_data.size()); }
    std::string take() noexcept { return std::move(m_data); }

private:
    std::string m_data;
};

} // namespace

void ObjectBinaryToText(Stream& input, Stream& output) { BinaryToText(input, output).run(); }

void ObjectResourceToText(Stream& input, Stream& output) {
    ReadResHeader(input);
    ObjectBinaryToText(input, output);
}

void ObjectResourceToText(Stream& input, Stream& output, TStoredFormat& storedFormat) {
    if (detect(input, storedFormat) == Detected::Copy)
        output.copyFrom(input);
    else
        ObjectResourceToText(input, output);
}

std::string readFormText(Stream& input, TStoredFormat& storedFormat) {
    const std::int64_t start = input.position();
    if (detect(input, storedFormat) == Detected::Copy) {
        StringOutput text(static_cast<std::size_t>(std::max<std::int64_t>(0, input.size() - start)));
        text.copyFrom(input);
        return text.take();
    }
    CountingStream counter;
    ObjectResourceToText(input, counter);
    input.setPosition(start);
    StringOutput text(static_cast<std::size_t>(counter.size()));
    ObjectResourceToText(input, text);
    return text.take();
}

} // namespace swapwright
