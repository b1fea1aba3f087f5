#pragma once

#include <map>
#include <string>
#include <vector>

// Definition files as the program writes them, for tests that run the command line.
namespace swapwright::test {

inline const std::string kStorePrefix = "HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\";

struct SwdDefinition {
    std::string find, replacement;
    bool caseSensitive = true, wholeWord = false;
};

struct SwdFile {
    std::string name;
    bool checked = true;
    std::string prefix = "None";
};

// Texts are written as they are: keep them to what the plain stored form carries.
inline std::string definitionFileText(const std::vector<SwdFile>& files, const std::vector<SwdDefinition>& defs,
                                      const std::map<std::string, std::string>& general,
                                      const std::map<std::string, std::string>& mainWindow = {}) {
    std::string ini;
    auto section = [&](const std::string& key, const std::map<std::string, std::string>& values) {
        ini += "[" + kStorePrefix + key + "]\n";
        for (const auto& [name, value] : values)
            ini += name + "=" + value + "\n";
    };
    section("General Settings", general);
    section("Main Window", mainWindow);
    std::map<std::string, std::string> list;
    for (std::size_t i = 0; i < files.size(); ++i)
        list["File " + std::to_string(i)] = files[i].name + ", " + (files[i].checked ? "True" : "False") + ", " + files[i].prefix;
    section("File List\\Contents", list);
    std::map<std::string, std::string> cells;
    for (std::size_t row = 0; row < defs.size(); ++row) {
        auto cell = [&](int column, const std::string& text) {
            cells["Grid Cell (" + std::to_string(column) + ", " + std::to_string(row) + ")"] = text;
        };
        cell(0, "Yes");
        cell(1, defs[row].find);
        if (!defs[row].replacement.empty())
            cell(2, defs[row].replacement);
        cell(3, defs[row].caseSensitive ? "Yes" : "No");
        cell(4, defs[row].wholeWord ? "Yes" : "No");
    }
    section("Find Replace Grid\\Cell Contents", cells);
    return ini;
}

} // namespace swapwright::test
