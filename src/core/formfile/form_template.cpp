#include "core/formfile/form_template.h"

#include "core/base/exceptions.h"
#include "core/formfile/extended.h"
#include "core/formfile/float_text.h"

#include <cstring>
#include <vector>

namespace swapwright {

namespace {

std::size_t integerWidth(TValueType tag) {
    switch (tag) {
    case tagInt8:
        return 1;
    case tagInt16:
        return 2;
    case tagInt32:
        return 4;
    default:
        return 8;
    }
}

bool isInteger(std::uint8_t tag) { return tag == tagInt8 || tag == tagInt16 || tag == tagInt32 || tag == tagInt64; }

} // namespace

FormTemplate::FormTemplate(Stream& original) : m_reader(std::make_unique<TReader>(original)) {}

FormTemplate FormTemplate::binary(Stream& original) {
    FormTemplate t(original);
    t.guarded([&] {
        t.m_reader->readSignature();
        return true;
    });
    return t;
}

FormTemplate FormTemplate::resource(Stream& original) {
    try {
        const std::int64_t start = original.position();
        ReadResHeader(original);
        const std::int64_t end = original.position();
        std::string header(static_cast<std::size_t>(end - start), '\0');
        original.setPosition(start);
        original.readBuffer(header.data(), header.size());
        // 0xFF, the type, the name and its 0, the flags, the size.
        const std::size_t nameLength = header.size() - 10;
        FormTemplate t = binary(original);
        t.m_resourceName = header.substr(3, nameLength);
        t.m_resourceFlags = static_cast<std::uint16_t>(static_cast<std::uint8_t>(header[nameLength + 4]) |
                                                       (static_cast<std::uint8_t>(header[nameLength + 5]) << 8));
        return t;
    } catch (const std::exception&) {
        return FormTemplate();
    }
}

template <typename Step>
auto FormTemplate::guarded(Step step) noexcept -> decltype(step()) {
    if (!m_reader)
        return {};
    try {
        return step();
    } catch (const std::exception&) {
        stop();
        return {};
    }
}

std::string FormTemplate::storedInteger(TValueType tag, std::int64_t& value) {
    std::string stored(1, static_cast<char>(tag));
    const std::size_t width = integerWidth(tag);
    std::uint64_t bits = 0;
    for (std::size_t i = 0; i < width; ++i) {
        const std::uint8_t b = m_reader->readByte();
        stored += static_cast<char>(b);
        bits |= static_cast<std::uint64_t>(b) << (8 * i);
    }
    const unsigned shift = static_cast<unsigned>(64 - 8 * width);
    value = static_cast<std::int64_t>(bits << shift) >> shift; // sign-extended
    return stored;
}

std::optional<FormTemplate::Component> FormTemplate::component() {
    if (m_passing >= 0)
        stop();
    return guarded([&]() -> std::optional<Component> {
        Component c;
        if ((m_reader->peekTag() & 0xF0) == 0xF0) {
            const std::uint8_t prefix = m_reader->readByte();
            c.flags = static_cast<TFilerFlags>(prefix & 0x0F);
            c.prefix = static_cast<char>(prefix);
            if ((c.flags & flagChildPos) != 0) {
                const TValueType tag = m_reader->readTag();
                if (tag != tagInt8 && tag != tagInt16 && tag != tagInt32) {
                    stop();
                    return std::nullopt;
                }
                std::int64_t position = 0;
                c.prefix += storedInteger(tag, position);
                c.position = static_cast<std::int32_t>(position);
            }
        }
        std::string className = m_reader->ReadStr();
        m_reader->ReadStr(); // the component name
        if (!m_rootClassName)
            m_rootClassName = std::move(className);
        return c;
    });
}

void FormTemplate::end() {
    if (m_passing > 0) {
        --m_passing;
        if (m_passing == 0)
            m_passing = -1;
        return;
    }
    guarded([&] {
        if (m_reader->peekTag() == tagNull)
            m_reader->readTag();
        else
            stop();
        return true;
    });
}

void FormTemplate::more() {
    if (m_passing >= 0)
        return;
    guarded([&] {
        if (m_reader->peekTag() == tagNull)
            stop();
        return true;
    });
}

void FormTemplate::propertyName(std::string_view name) {
    if (m_passing >= 0)
        return;
    guarded([&] {
        if (m_reader->ReadStr() != name) {
            skipValue();
            m_passing = 0;
        }
        return true;
    });
}

std::optional<FormTemplate::Value> FormTemplate::scalar() {
    if (m_passing >= 0) {
        if (m_passing == 0)
            m_passing = -1; // the passed-over value ends here
        return std::nullopt;
    }
    return guarded([&]() -> std::optional<Value> {
        Value v = readValue();
        if (v.tag == tagList || v.tag == tagCollection) {
            stop();
            return std::nullopt;
        }
        return v;
    });
}

void FormTemplate::enter(TValueType tag) {
    if (m_passing >= 0) {
        ++m_passing;
        return;
    }
    guarded([&] {
        if (readValue().tag != tag)
            stop();
        return true;
    });
}

void FormTemplate::skipScalar(TValueType tag) {
    switch (tag) {
    case tagNull:
    case tagFalse:
    case tagTrue:
    case tagNil:
        break;
    case tagInt8:
    case tagInt16:
    case tagInt32:
    case tagInt64:
        m_reader->skip(integerWidth(tag));
        break;
    case tagExtended:
        m_reader->skip(10);
        break;
    case tagSingle:
        m_reader->skip(4);
        break;
    case tagCurrency:
    case tagDate:
        m_reader->skip(8);
        break;
    case tagIdent:
    case tagShortString:
        m_reader->skip(m_reader->readByte());
        break;
    case tagLongString:
    case tagBinary:
        m_reader->skip(m_reader->readUInt32());
        break;
    case tagWideString:
        m_reader->skip(2 * static_cast<std::uint64_t>(m_reader->readUInt32()));
        break;
    case tagSet:
        for (std::uint8_t n = m_reader->readByte(); n != 0; n = m_reader->readByte())
            m_reader->skip(n);
        break;
    default:
        throw EReadError(kInvalidPropertyValue);
    }
}

void FormTemplate::skipValue() {
    // Lists hold values, collections items, items properties; each ends at a 0.
    enum class In : char { List, Collection, ItemProperties };
    std::vector<In> open;
    const auto oneValue = [&] {
        const TValueType tag = m_reader->readTag();
        if (tag == tagList || tag == tagCollection) {
            if (open.size() >= static_cast<std::size_t>(kMaxNestingLevel))
                throw EReadError(kInvalidPropertyValue);
            open.push_back(tag == tagList ? In::List : In::Collection);
        } else {
            skipScalar(tag);
        }
    };
    oneValue();
    while (!open.empty()) {
        if (m_reader->peekTag() == tagNull) {
            m_reader->readTag();
            open.pop_back();
            continue;
        }
        switch (open.back()) {
        case In::List:
            oneValue();
            break;
        case In::Collection:
            if (isInteger(m_reader->peekTag()) && m_reader->peekTag() != tagInt64)
                m_reader->ReadInteger();
            m_reader->checkTag(tagList);
            open.push_back(In::ItemProperties);
            break;
        case In::ItemProperties:
            m_reader->ReadStr();
            oneValue();
            break;
        }
    }
}

FormTemplate::Value FormTemplate::readValue() {
    Value v;
    v.tag = m_reader->readTag();
    const char tag = static_cast<char>(v.tag);
    const auto floatPayload = [&](std::size_t width) {
        v.stored.resize(1 + width);
        v.stored[0] = tag;
        m_reader->read(v.stored.data() + 1, width);
    };
    switch (v.tag) {
    case tagNull:
        v.text = "Null";
        v.stored = tag;
        break;
    case tagFalse:
        v.text = "False";
        v.stored = tag;
        break;
    case tagTrue:
        v.text = "True";
        v.stored = tag;
        break;
    case tagNil:
        v.text = "nil";
        v.stored = tag;
        break;
    case tagIdent:
        v.text = m_reader->ReadStr();
        v.stored = std::string(1, tag) + static_cast<char>(v.text.size()) + v.text;
        break;
    case tagInt8:
    case tagInt16:
    case tagInt32:
    case tagInt64:
        v.stored = storedInteger(v.tag, v.integer);
        break;
    case tagExtended:
        floatPayload(10);
        v.text = floattext::format(extended::decode(reinterpret_cast<const std::uint8_t*>(v.stored.data() + 1)));
        break;
    case tagSingle: {
        floatPayload(4);
        float f;
        std::memcpy(&f, v.stored.data() + 1, 4);
        v.text = floattext::format(f) + "s";
        break;
    }
    case tagCurrency: {
        floatPayload(8);
        std::int64_t amount;
        std::memcpy(&amount, v.stored.data() + 1, 8);
        v.text = floattext::format(static_cast<long double>(amount)) + "c";
        break;
    }
    case tagDate: {
        floatPayload(8);
        double d;
        std::memcpy(&d, v.stored.data() + 1, 8);
        v.text = floattext::format(d) + "d";
        break;
    }
    case tagList:
    case tagCollection:
        break;
    default:
        skipScalar(v.tag);
    }
    return v;
}

std::optional<FormTemplate::Item> FormTemplate::item() {
    if (m_passing >= 0) {
        ++m_passing;
        return std::nullopt;
    }
    return guarded([&]() -> std::optional<Item> {
        Item item;
        if (isInteger(m_reader->peekTag()) && m_reader->peekTag() != tagInt64) {
            std::int64_t index = 0;
            item.index = storedInteger(m_reader->readTag(), index);
            item.value = static_cast<std::int32_t>(index);
        }
        if (m_reader->readTag() != tagList) {
            stop();
            return std::nullopt;
        }
        return item;
    });
}

} // namespace swapwright
