// The binary form stream written from the text form. Like the other direction it walks the
// nesting with an explicit stack bounded by kMaxNestingLevel, so deep input costs no call stack.
#include "core/base/exceptions.h"
#include "core/base/text.h"
#include "core/formfile/extended.h"
#include "core/formfile/form_conversion.h"
#include "core/formfile/form_reader.h"
#include "core/formfile/form_writer.h"
#include "core/formfile/parser.h"

#include <limits>
#include <vector>

namespace swapwright {

namespace {

class TextToBinary {
public:
    TextToBinary(Stream& input, Stream& output) : m_parser(input), m_writer(output) {}

    void run() {
        m_writer.writeSignature();
        beginComponent(0);
        while (!m_stack.empty())
            step();
        m_writer.flush();
    }

private:
    enum class Kind { Properties, Children, List, Collection, Item };
    struct Frame {
        Kind kind;
        int level; // text nesting level of the line that opened the frame
    };

    void push(Kind kind, int level, int contentLevel) {
        if (contentLevel > kMaxNestingLevel)
            m_parser.error(text::format(kNestingTooDeep, kMaxNestingLevel));
        m_stack.push_back({kind, level});
    }

    bool atComponentKeyword() const {
        return m_parser.TokenSymbolIs("END") || m_parser.TokenSymbolIs("OBJECT") ||
               m_parser.TokenSymbolIs("INHERITED") || m_parser.TokenSymbolIs("INLINE");
    }

    // A value that must fit the 32-bit integers of the binary form.
    std::int32_t int32Token() {
        m_parser.CheckToken(TParser::toInteger);
        const std::int64_t v = m_parser.TokenInt();
        if (v < std::numeric_limits<std::int32_t>::min() || v > std::numeric_limits<std::int32_t>::max())
            m_parser.error("Number out of range");
        return static_cast<std::int32_t>(v);
    }

    void beginComponent(int level) {
        TFilerFlags flags = 0;
        if (m_parser.TokenSymbolIs("INHERITED"))
            flags |= flagInherited;
        else if (m_parser.TokenSymbolIs("INLINE"))
            flags |= flagInline;
        else
            m_parser.checkTokenSymbol("OBJECT");
        m_parser.NextToken();
        m_parser.CheckToken(TParser::toSymbol);
        std::string className(m_parser.tokenText());
        std::string name;
        m_parser.NextToken();
        if (m_parser.token() == ':') {
            m_parser.NextToken();
            m_parser.CheckToken(TParser::toSymbol);
            name = std::move(className);
            className = m_parser.tokenText();
            m_parser.NextToken();
        }
        std::int32_t position = 0;
        if (m_parser.token() == '[') {
            m_parser.NextToken();
            position = int32Token();
            m_parser.NextToken();
            m_parser.CheckToken(']');
            m_parser.NextToken();
            if (position >= 0)
                flags |= flagChildPos;
        }
        // Without a prefix the class name's length byte comes first and must not look like one.
        if (flags == 0 && className.size() > kMaxPlainClassName)
            m_parser.error("Class name too long");
        push(Kind::Properties, level, level + 1);
        m_writer.WritePrefix(flags, position);
        m_writer.WriteStr(className);
        m_writer.WriteStr(name);
    }

    void beginProperty(int level) {
        m_parser.CheckToken(TParser::toSymbol);
        std::string name(m_parser.tokenText());
        m_parser.NextToken();
        while (m_parser.token() == '.') {
            m_parser.NextToken();
            m_parser.CheckToken(TParser::toSymbol);
            name += '.';
            name += m_parser.tokenText();
            m_parser.NextToken();
        }
        m_writer.WriteStr(name);
        m_parser.CheckToken('=');
        m_parser.NextToken();
        beginValue(level);
    }

    void writeString() {
        // Pieces joined with +; one wide piece makes the whole value a wide string.
        bool wide = m_parser.token() == TParser::toWString;
        std::string narrow;
        std::u16string units;
        for (;;) {
            if (m_parser.token() == TParser::toWString) {
                if (!wide) {
                    units.assign(narrow.begin(), narrow.end());
                    for (auto& u : units)
                        u = static_cast<char16_t>(static_cast<unsigned char>(u));
                    wide = true;
                }
                units += m_parser.tokenWideString();
            } else if (wide) {
                for (const char c : m_parser.tokenString())
                    units += static_cast<char16_t>(static_cast<unsigned char>(c));
            } else {
                narrow += m_parser.tokenString();
            }
            m_parser.NextToken();
            if (m_parser.token() != '+')
                break;
            m_parser.NextToken();
            if (m_parser.token() != TParser::toString && m_parser.token() != TParser::toWString)
                m_parser.CheckToken(TParser::toString);
        }
        if (wide)
            m_writer.WriteWideString(units);
        else
            m_writer.WriteString(narrow);
    }

    void writeFloat() {
        const long double value = m_parser.TokenFloat();
        const auto outOfRange = [&]() -> void {
            throw EConvertError(text::format("'%s' is not a valid floating point value", m_parser.tokenText()));
        };
        switch (m_parser.floatSuffix()) {
        case 's':
        case 'S': {
            const auto single = extended::toSingle(value);
            if (!single)
                outOfRange();
            m_writer.writeSingle(*single);
            break;
        }
        case 'c':
        case 'C': {
            const auto amount = extended::toInt64(value);
            if (!amount)
                outOfRange();
            m_writer.writeCurrency(*amount);
            break;
        }
        case 'd':
        case 'D': {
            const auto date = extended::toDouble(value);
            if (!date)
                outOfRange();
            m_writer.writeDate(*date);
            break;
        }
        default:
            m_writer.writeFloat(value);
        }
    }

    void writeSet() {
        m_writer.writeTag(tagSet);
        m_parser.NextToken();
        if (m_parser.token() != ']') {
            for (;;) {
                if (m_parser.token() != TParser::toSymbol && m_parser.token() != TParser::toInteger)
                    m_parser.CheckToken(TParser::toSymbol);
                m_writer.WriteStr(m_parser.tokenText());
                m_parser.NextToken();
                if (m_parser.token() == ']')
                    break;
                m_parser.CheckToken(',');
                m_parser.NextToken();
            }
        }
        m_parser.NextToken();
        m_writer.WriteStr("");
    }

    // The value at the current token; lists and collections push a frame for step().
    void beginValue(int level, bool inList = false) {
        switch (m_parser.token()) {
        case TParser::toString:
        case TParser::toWString:
            writeString();
            return;
        case TParser::toSymbol: {
            const std::string ident = m_parser.TokenComponentIdent();
            // Null is stored as tag 0, which ends a list: the stream would not read back.
            if (inList && text::equalsIgnoreCase(ident, "Null"))
                m_parser.error(kInvalidPropertyValue);
            m_writer.WriteIdent(ident);
            break;
        }
        case TParser::toInteger:
            m_writer.writeInt64(m_parser.TokenInt());
            break;
        case TParser::toFloat:
            writeFloat();
            break;
        case '[':
            writeSet();
            return;
        case '(':
            push(Kind::List, level, level + 1);
            m_writer.writeListBegin();
            break;
        case '<':
            push(Kind::Collection, level, level + 2);
            m_writer.writeTag(tagCollection);
            break;
        case '{':
            m_writer.WriteBinary(m_parser.readBinary());
            break;
        default:
            m_parser.error(kInvalidPropertyValue);
        }
        m_parser.NextToken();
    }

    void step() {
        const Frame frame = m_stack.back();
        switch (frame.kind) {
        case Kind::Properties:
            if (atComponentKeyword()) {
                m_writer.writeListEnd();
                m_stack.back().kind = Kind::Children;
            } else {
                beginProperty(frame.level + 1);
            }
            break;
        case Kind::Children:
            if (m_parser.TokenSymbolIs("END")) {
                m_writer.writeListEnd();
                m_stack.pop_back();
                if (!m_stack.empty()) // text after the root's end is not read
                    m_parser.NextToken();
            } else {
                beginComponent(frame.level + 1);
            }
            break;
        case Kind::List:
            if (m_parser.token() == ')') {
                m_writer.writeListEnd();
                m_stack.pop_back();
                m_parser.NextToken();
            } else {
                beginValue(frame.level + 1, true);
            }
            break;
        case Kind::Collection:
            if (m_parser.token() == '>') {
                m_writer.writeListEnd();
                m_stack.pop_back();
                m_parser.NextToken();
            } else {
                m_parser.checkTokenSymbol("item");
                m_parser.NextToken();
                if (m_parser.token() == '[') {
                    m_parser.NextToken();
                    const std::int32_t index = int32Token();
                    if (index != -1)
                        m_writer.writeInteger(index);
                    m_parser.NextToken();
                    m_parser.CheckToken(']');
                    m_parser.NextToken();
                }
                push(Kind::Item, frame.level + 1, frame.level + 2);
                m_writer.writeListBegin();
            }
            break;
        case Kind::Item:
            if (m_parser.TokenSymbolIs("END")) {
                m_writer.writeListEnd();
                m_stack.pop_back();
                m_parser.NextToken();
            } else {
                beginProperty(frame.level + 1);
            }
            break;
        }
    }

    TParser m_parser;
    TWriter m_writer;
    std::vector<Frame> m_stack;
};

} // namespace

void ObjectTextToBinary(Stream& input, Stream& output) { TextToBinary(input, output).run(); }

void ObjectTextToResource(Stream& input, Stream& output) {
    MemoryStream binary;
    ObjectTextToBinary(input, binary);
    const std::string& bytes = binary.bytes();
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max())
        throw EWriteError(std::string(kStreamWriteError));
    // The root's class name: after the signature, an optional prefix with its child position.
    std::size_t at = sizeof kSignature;
    const auto byteAt = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes.at(i)); };
    std::uint8_t length = byteAt(at++);
    if ((length & 0xF0) == 0xF0) {
        if ((length & flagChildPos) != 0) {
            const std::uint8_t tag = byteAt(at++);
            at += tag == tagInt8 ? 1 : tag == tagInt16 ? 2 : 4;
        }
        length = byteAt(at++);
    }
    writeResHeader(output, std::string_view(bytes).substr(at, length), static_cast<std::uint32_t>(bytes.size()));
    output.write(bytes);
}

} // namespace swapwright
