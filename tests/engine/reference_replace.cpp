#include "engine/reference_replace.h"

#include "core/base/exceptions.h"
#include "core/base/stream.h"
#include "core/base/text.h"

namespace swapwright::test {

namespace {

bool isWordByte(char c) { return text::isWordByte(static_cast<unsigned char>(c)); }

char fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool MatchAt(MemoryStream& source, const TFindReplace& d, TStrLenPrefix prefix) {
    const std::int64_t p = source.position();
    const std::int64_t n = static_cast<std::int64_t>(d.Find.size());
    bool result = true;
    if (d.WholeWord && prefix == slpNone && p >= 1) {
        source.setPosition(p - 1);
        char before = 0;
        source.read(&before, 1);
        if (isWordByte(before))
            result = false;
    }
    if (result && source.size() - p < n)
        result = false;
    if (result) {
        source.setPosition(p);
        std::string bytes(static_cast<std::size_t>(n), '\0');
        if (source.read(bytes.data(), bytes.size()) != bytes.size())
            result = false;
        for (std::size_t i = 0; result && i < bytes.size(); ++i) {
            if (d.CaseSensitive ? bytes[i] != d.Find[i] : fold(bytes[i]) != fold(d.Find[i]))
                result = false;
        }
    }
    if (result && d.WholeWord && prefix == slpNone && p + n < source.size()) {
        source.setPosition(p + n);
        char after = 0;
        source.read(&after, 1);
        if (isWordByte(after))
            result = false;
    }
    source.setPosition(p);
    return result;
}

std::string ReadStringRest(MemoryStream& source, const std::string& find, TStrLenPrefix prefix) {
    const std::int64_t n = static_cast<std::int64_t>(find.size());
    if (prefix == slpNone) {
        source.seekRelative(n);
        return {};
    }
    const int width = PrefixWidth(prefix);
    if (source.position() < width)
        throw EReadError(std::string(kStreamReadError)); // would read in front of the buffer
    source.seekRelative(-width);
    unsigned char raw[4] = {0, 0, 0, 0};
    source.readBuffer(raw, static_cast<std::size_t>(width));
    std::int64_t length = 0;
    if (prefix == slp8Bit)
        length = raw[0];
    else if (prefix == slp16Bit)
        length = raw[0] + 256 * raw[1];
    else
        length = static_cast<std::int32_t>(raw[0] | (raw[1] << 8) | (raw[2] << 16) | (static_cast<std::uint32_t>(raw[3]) << 24));
    source.seekRelative(n);
    std::string rest;
    if (length - n > 0) {
        if (length - n > source.size() - source.position())
            throw EReadError(std::string(kStreamReadError)); // the read would run out of bytes
        rest.resize(static_cast<std::size_t>(length - n));
        source.readBuffer(rest.data(), rest.size());
    }
    return rest;
}

void WriteReplacement(MemoryStream& destination, const std::string& replacement, TStrLenPrefix prefix,
                      const std::string& rest) {
    const std::string s = replacement + rest;
    if (prefix == slpNone) {
        destination.write(s);
        return;
    }
    const int width = PrefixWidth(prefix);
    const std::int64_t n = std::min<std::int64_t>(static_cast<std::int64_t>(s.size()), LargestPrefixLength(prefix));
    destination.seekRelative(-width);
    for (int i = 0; i < width; ++i) {
        const char byte = static_cast<char>((n >> (8 * i)) & 0xFF);
        destination.write(&byte, 1);
    }
    destination.write(s.substr(0, static_cast<std::size_t>(n)));
}

} // namespace

ReferenceResult ReferenceReplace(const std::string& sourceBytes, TStrLenPrefix prefix,
                                 std::vector<TFindReplace>& definitions, const ReferenceHooks& hooks) {
    ReferenceResult result;
    // 1. The per-file copy with its counts at 0.
    std::vector<TFindReplace> fileCopy = definitions;
    for (auto& d : fileCopy)
        d.Count = 0;
    // 2. Source at 0, empty destination.
    MemoryStream source(sourceBytes);
    MemoryStream destination;
    const auto canceled = [&] { return hooks.canceled && hooks.canceled(source.position()); };
    try {
        // 4. One step per position.
        while (!canceled() && source.position() < source.size()) {
            bool matched = false;
            for (std::size_t i = 0; i < definitions.size(); ++i) {
                if (!MatchAt(source, definitions[i], prefix))
                    continue;
                const std::string rest = ReadStringRest(source, definitions[i].Find, prefix);
                WriteReplacement(destination, definitions[i].Replacement, prefix, rest);
                if (!hooks.rowExists || hooks.rowExists(definitions[i].Row))
                    ++definitions[i].Count;
                ++fileCopy[i].Count;
                matched = true;
                break;
            }
            if (!matched) {
                char byte = 0;
                source.readBuffer(&byte, 1);
                destination.write(&byte, 1);
            }
        }
    } catch (const Exception& e) {
        result.failed = true;
        result.errorClass = e.className();
        result.errorMessage = e.message();
    }
    result.endPosition = source.position();
    result.output = destination.bytes();
    for (const auto& d : fileCopy) {
        result.fileCounts.push_back(d.Count);
        // 5. The per-file report lines.
        if (!result.failed && d.Count > 0)
            result.reportLines.push_back("   Count: " + std::to_string(d.Count) + ", \t" + d.Find + " -> " + d.Replacement);
    }
    return result;
}

} // namespace swapwright::test
