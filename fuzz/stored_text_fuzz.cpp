// Any byte string as a stored text and as a file list name: it reads back exactly through the
// INI file, and a text that the plain stored form carries is stored in that form, as older
// versions store it.
#include "core/session/saved_state.h"
#include "core/store/ini_file.h"
#include "core/store/stored_text.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace swapwright;

namespace {

std::string lineBreaksAsBytes(std::string s) {
    for (auto& c : s)
        c = c == '\n' ? '\xFE' : c == '\r' ? '\xFF' : c;
    return s;
}

// What the INI back-end does with a text: encoded, written, serialized, parsed, read, decoded.
std::string throughTheFile(const std::string& text) {
    IniFile ini;
    ini.write("Section", "Value", EncodeStoredText(text));
    const auto read = IniFile::parse(ini.serialize()).read("Section", "Value");
    if (!read)
        std::abort();
    return DecodeStoredText(*read);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    if (throughTheFile(bytes) != bytes)
        std::abort();
    // The form older versions write, wherever it reads back and keeps the file a text file.
    const auto plain = lineBreaksAsBytes(bytes);
    if (plain.find('\0') == std::string::npos && DecodeStoredText(plain) == bytes && EncodeStoredText(bytes) != plain)
        std::abort();
    if (UnescapeText(EscapeText(bytes)) != bytes)
        std::abort();

    // As a file list entry: the name, the check state and the prefix come back.
    if (!bytes.empty()) {
        const auto value = throughTheFile(FileListValueText(bytes, size % 2 == 0, "16 Bit"));
        const auto entry = ParseFileListValue(value);
        if (entry.FileName != bytes || entry.Checked != (size % 2 == 0) || entry.Prefix != slp16Bit)
            std::abort();
    }
    return 0;
}
