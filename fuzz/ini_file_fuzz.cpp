// The INI reader over any bytes: parsing never fails, an untouched file serializes to exactly its
// bytes, and a value written into it reads back exactly, also after serializing and parsing again.
#include "core/store/ini_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using swapwright::IniFile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    auto ini = IniFile::parse(bytes);
    if (ini.serialize() != bytes)
        std::abort();

    // Every listed name of every listed section can be read (or has no value).
    std::string firstSection;
    for (const auto& section : ini.sectionNames()) {
        if (firstSection.empty() && !section.empty())
            firstSection = section;
        for (const auto& name : ini.valueNames(section))
            (void)ini.read(section, name);
    }

    // A value made of the input's bytes (without line breaks) survives a write and a reparse.
    std::string value;
    for (const char c : bytes.substr(0, 64))
        if (c != '\n' && c != '\r')
            value += c;
    const std::string sections[] = {"Fuzz Section", firstSection};
    for (const auto& section : sections) {
        if (section.empty() || section.back() == ']' || section.front() == ';' || section.front() == '[' ||
            section.find('=') != std::string::npos || section.find_first_of("\r\n") != std::string::npos)
            continue;
        ini.write(section, "Fuzz Value", value);
        if (ini.read(section, "Fuzz Value") != value)
            std::abort();
        const auto again = IniFile::parse(ini.serialize());
        if (again.read(section, "Fuzz Value") != value)
            std::abort();
        ini.remove(section, "Fuzz Value");
        if (ini.read(section, "Fuzz Value"))
            std::abort();
    }
    return 0;
}
