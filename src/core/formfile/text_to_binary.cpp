// The binary form stream written from the text form. Like the other direction it walks the
// nesting with an explicit stack bounded by kMaxNestingLevel, so deep input costs no call stack.
// With the original binary form at hand (FormTemplate), each part the text leaves as the original
// shows it is written with the original's encoding.
#include "core/base/exceptions.h"
#include "core/base/text.h"
#include "core/formfile/extended.h"
#include "core/formfile/form_conversion.h"
#include "core/formfile/form_reader.h"
#include "core/formfile/form_template.h"
#include "core/formfile/form_writer.h"
#include "core/formfile/parser.h"

#include <limits>
#include <optional>
#include <vector>

namespace swapwright {

namespace {

constexpr const char* kLongerThan255 = "%s longer than 255 characters";

bool fitsIntegerTag(TValueType tag, std::int64_t v) {
    switch (tag) {
    case tagInt8:
        return v >= -128 && v <= 127;
    case tagInt16:
        return v >= -32768 && v <= 32767;
    case tagInt32:
        return v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max();
    case tagInt64:
        return true;
    default:
        return false;
    }
}

// The keyword the text form shows for a component's flags.
enum class Keyword { Object, Inherited, Inline };
Keyword keywordOf(TFilerFlags flags) {
    return (flags & flagInherited) != 0 ? Keyword::Inherited : (flags & flagInline) != 0 ? Keyword::Inline : Keyword::Object;
}

class TextToBinary {
public:
    TextToBinary(Stream& input, Stream& output, FormTemplate& original)
        : m_parser(input), m_writer(output), m_original(original) {}

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

    // Names and identifiers are stored as short strings; a longer one would have to be cut.
    void checkShortString(std::string_view s, const char* what) const {
        if (s.size() > kMaxShortString)
            m_parser.errorFormat(kLongerThan255, what);
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
        Keyword keyword = Keyword::Object;
        if (m_parser.TokenSymbolIs("INHERITED")) {
            flags |= flagInherited;
            keyword = Keyword::Inherited;
        } else if (m_parser.TokenSymbolIs("INLINE")) {
            flags |= flagInline;
            keyword = Keyword::Inline;
        } else {
            m_parser.checkTokenSymbol("OBJECT");
        }
        m_parser.NextToken();
        m_parser.CheckToken(TParser::toSymbol);
        std::string className(m_parser.tokenText());
        const int firstLine = m_parser.sourceLine();
        std::string name;
        m_parser.NextToken();
        if (className.size() > kMaxShortString)
            m_parser.errorOnLine(text::format(kLongerThan255, m_parser.token() == ':' ? "Component name" : "Class name"), firstLine);
        if (m_parser.token() == ':') {
            m_parser.NextToken();
            m_parser.CheckToken(TParser::toSymbol);
            name = std::move(className);
            className = m_parser.tokenText();
            checkShortString(className, "Class name");
            m_parser.NextToken();
        }
        std::optional<std::int32_t> position;
        if (m_parser.token() == '[') {
            m_parser.NextToken();
            position = int32Token();
            m_parser.NextToken();
            m_parser.CheckToken(']');
            m_parser.NextToken();
            if (*position >= 0)
                flags |= flagChildPos;
        }
        // The original's prefix where the text shows it as the original would be shown: a prefix
        // without flags, flags the text has no word for, a negative child position, a position
        // stored wider than needed.
        std::optional<std::string> originalPrefix;
        if (const auto original = m_original.component()) {
            const bool originalShowsPosition = (original->flags & flagChildPos) != 0;
            if (keywordOf(original->flags) == keyword && originalShowsPosition == position.has_value() &&
                (!position || *position == original->position))
                originalPrefix = original->prefix;
        }
        // Without a prefix the class name's length byte comes first and must not look like one.
        const bool hasPrefix = originalPrefix ? !originalPrefix->empty() : flags != 0;
        if (!hasPrefix && className.size() > kMaxPlainClassName)
            m_parser.error("Class name too long");
        push(Kind::Properties, level, level + 1);
        if (originalPrefix)
            m_writer.writeRaw(*originalPrefix);
        else
            m_writer.WritePrefix(flags, position.value_or(0));
        m_writer.WriteStr(className);
        m_writer.WriteStr(name);
    }

    void beginProperty(int level) {
        m_parser.CheckToken(TParser::toSymbol);
        std::string name(m_parser.tokenText());
        checkShortString(name, "Property name");
        m_parser.NextToken();
        while (m_parser.token() == '.') {
            m_parser.NextToken();
            m_parser.CheckToken(TParser::toSymbol);
            name += '.';
            name += m_parser.tokenText();
            checkShortString(name, "Property name");
            m_parser.NextToken();
        }
        m_original.propertyName(name);
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
        // A string the original stores wide or long stays so: the text form shows a wide string
        // whose characters are all below 256, and a long one of up to 255, as a narrow short one.
        const auto original = m_original.scalar();
        const TValueType as = original ? original->tag : tagShortString;
        if (wide) {
            m_writer.WriteWideString(units);
        } else if (as == tagWideString) {
            units.assign(narrow.size(), u'\0');
            for (std::size_t i = 0; i < narrow.size(); ++i)
                units[i] = static_cast<char16_t>(static_cast<unsigned char>(narrow[i]));
            m_writer.WriteWideString(units);
        } else if (as == tagLongString) {
            m_writer.writeLongString(narrow);
        } else {
            m_writer.WriteString(narrow);
        }
    }

    void writeIntegerValue() {
        const std::int64_t value = m_parser.TokenInt();
        const auto original = m_original.scalar();
        if (original && fitsIntegerTag(original->tag, value)) {
            m_writer.writeIntegerAs(original->tag, value); // the original's width
        } else if (original && original->tag == tagExtended) {
            // A whole extended value is shown without a decimal point.
            if (original->text == m_parser.tokenText())
                m_writer.writeRaw(original->stored);
            else
                m_writer.writeFloat(static_cast<long double>(value));
        } else {
            m_writer.writeInt64(value);
        }
    }

    void writeFloat() {
        // The text shows 15 significant digits; the original's bytes where they are what it shows.
        const char suffix = m_parser.floatSuffix();
        const TValueType kind = suffix == 's' || suffix == 'S'   ? tagSingle
                                : suffix == 'c' || suffix == 'C' ? tagCurrency
                                : suffix == 'd' || suffix == 'D' ? tagDate
                                                                 : tagExtended;
        if (const auto original = m_original.scalar(); original && original->tag == kind) {
            std::string shown(m_parser.tokenText());
            if (suffix != 0)
                shown += suffix;
            if (original->text == shown) {
                m_parser.TokenFloat(); // the text must still be a number
                m_writer.writeRaw(original->stored);
                return;
            }
        }
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
                checkShortString(m_parser.tokenText(), "Set element");
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
        case TParser::toSymbol:
        case '.': { // a component path may start at the owner: .Owner
            const std::string ident = m_parser.TokenComponentIdent();
            checkShortString(ident, "Identifier");
            // Null is stored as tag 0, which ends a list: the stream would not read back.
            if (inList && text::equalsIgnoreCase(ident, "Null"))
                m_parser.error(kInvalidPropertyValue);
            // The original's tag where it shows the same text: an identifier stored as text
            // although it reads True, or a float that is infinite or not a number (INF, NANs).
            const auto original = m_original.scalar();
            if (original && !original->text.empty() && original->text == ident)
                m_writer.writeRaw(original->stored);
            else
                m_writer.WriteIdent(ident);
            break;
        }
        case TParser::toInteger:
            writeIntegerValue();
            break;
        case TParser::toFloat:
            writeFloat();
            break;
        case '[':
            m_original.scalar();
            writeSet();
            return;
        case '(':
            m_original.enter(tagList);
            push(Kind::List, level, level + 1);
            m_writer.writeListBegin();
            break;
        case '<':
            m_original.enter(tagCollection);
            push(Kind::Collection, level, level + 2);
            m_writer.writeTag(tagCollection);
            break;
        case '{':
            m_original.scalar();
            m_writer.WriteBinary(m_parser.readBinary());
            break;
        default:
            m_parser.error(kInvalidPropertyValue);
        }
        m_parser.NextToken();
    }

    // After the keyword item: its optional index.
    void beginItem() {
        const auto original = m_original.item();
        m_parser.NextToken();
        std::optional<std::int32_t> index;
        if (m_parser.token() == '[') {
            m_parser.NextToken();
            index = int32Token();
            m_parser.NextToken();
            m_parser.CheckToken(']');
            m_parser.NextToken();
        }
        // The text shows every stored index, -1 included, and nothing for an item without one.
        if (original && index.has_value() == !original->index.empty() && (!index || *index == original->value))
            m_writer.writeRaw(original->index);
        else if (index && *index != -1)
            m_writer.writeInteger(*index);
    }

    void step() {
        const Frame frame = m_stack.back();
        switch (frame.kind) {
        case Kind::Properties:
            if (atComponentKeyword()) {
                m_original.end();
                m_writer.writeListEnd();
                m_stack.back().kind = Kind::Children;
            } else {
                m_original.more();
                beginProperty(frame.level + 1);
            }
            break;
        case Kind::Children:
            if (m_parser.TokenSymbolIs("END")) {
                m_original.end();
                m_writer.writeListEnd();
                m_stack.pop_back();
                if (!m_stack.empty()) // text after the root's end is not read
                    m_parser.NextToken();
            } else {
                m_original.more();
                beginComponent(frame.level + 1);
            }
            break;
        case Kind::List:
            if (m_parser.token() == ')') {
                m_original.end();
                m_writer.writeListEnd();
                m_stack.pop_back();
                m_parser.NextToken();
            } else {
                m_original.more();
                beginValue(frame.level + 1, true);
            }
            break;
        case Kind::Collection:
            if (m_parser.token() == '>') {
                m_original.end();
                m_writer.writeListEnd();
                m_stack.pop_back();
                m_parser.NextToken();
            } else {
                m_parser.checkTokenSymbol("item");
                m_original.more();
                beginItem();
                push(Kind::Item, frame.level + 1, frame.level + 2);
                m_writer.writeListBegin();
            }
            break;
        case Kind::Item:
            if (m_parser.TokenSymbolIs("END")) {
                m_original.end();
                m_writer.writeListEnd();
                m_stack.pop_back();
                m_parser.NextToken();
            } else {
                m_original.more();
                beginProperty(frame.level + 1);
            }
            break;
        }
    }

    TParser m_parser;
    TWriter m_writer;
    FormTemplate& m_original;
    std::vector<Frame> m_stack;
};

void textToResource(Stream& input, Stream& output, FormTemplate& original) {
    MemoryStream binary;
    TextToBinary(input, binary, original).run();
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
    const std::string_view className = std::string_view(bytes).substr(at, length);
    const auto size = static_cast<std::uint32_t>(bytes.size());
    // The original's resource name and flags while the root's class is the one it was made for.
    if (original.resourceName() && original.rootClassName() && *original.rootClassName() == className)
        writeResHeader(output, *original.resourceName(), original.resourceFlags(), size);
    else
        writeResHeader(output, className, size);
    output.write(bytes);
}

} // namespace

void ObjectTextToBinary(Stream& input, Stream& output) {
    FormTemplate none;
    TextToBinary(input, output, none).run();
}

void ObjectTextToBinary(Stream& input, Stream& output, Stream& original) {
    FormTemplate form = FormTemplate::binary(original);
    TextToBinary(input, output, form).run();
}

void ObjectTextToResource(Stream& input, Stream& output) {
    FormTemplate none;
    textToResource(input, output, none);
}

void ObjectTextToResource(Stream& input, Stream& output, Stream& original) {
    FormTemplate form = FormTemplate::resource(original);
    textToResource(input, output, form);
}

} // namespace swapwright
