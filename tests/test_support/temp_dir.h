#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace swapwright::test {

// A fresh folder below the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir() : TempDir(std::filesystem::temp_directory_path()) {}
    // The same below `parent`.
    explicit TempDir(const std::filesystem::path& parent) {
        std::string pattern = (parent / "swapwright-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        m_root = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(m_root, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(m_root, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& root() const { return m_root; }
    std::string path(const std::string& relative) const { return m_root + "/" + relative; }

private:
    std::string m_root;
};

inline void writeFile(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(name).parent_path());
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + name);
}

inline std::string readFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + name);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The names in a folder, sorted (to see that no temporary file stayed behind).
inline std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A file below the project's source tree (corpus files, fixtures).
inline std::string sourcePath(const std::string& relative) { return std::string(SWAPWRIGHT_SOURCE_DIR) + "/" + relative; }

} // namespace swapwright::test
