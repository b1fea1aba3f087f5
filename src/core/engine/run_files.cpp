#include "core/engine/run_files.h"

#include "core/base/exceptions.h"
#include "core/base/file_ops.h"
#include "core/base/files.h"
#include "core/base/text.h"

#include <cerrno>
#include <cstdlib>

namespace swapwright {

namespace {

std::string temporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

// The folder without its trailing separators; the root stays the root.
std::string trimFolder(std::string_view directory) {
    std::string d(directory.empty() ? std::string_view(temporaryFolder()) : directory);
    while (d.size() > 1 && d.back() == files::kPathSeparator)
        d.pop_back();
    return d;
}

std::string formatTempName(const std::string& folder, std::string_view prefix, unsigned counter,
                           std::string_view extension) {
    const std::string separator = folder.back() == files::kPathSeparator ? "" : "/";
    return text::format("%s%s%s%x.%s", folder, separator, prefix, counter, extension);
}

} // namespace

std::string MakeTempFileName(std::string_view directory, std::string_view prefix, std::string_view extension,
                             unsigned startCounter) {
    const std::string folder = trimFolder(directory);
    prefix = prefix.substr(0, 3);
    extension = text::trim(extension, ".");
    const unsigned mask = prefix.size() * 4 >= 32 ? 0u : 0xFFFFFFFFu >> (4 * prefix.size());
    unsigned counter = startCounter & mask;
    std::string name = formatTempName(folder, prefix, counter, extension);
    while (files::entryExists(name))
        name = formatTempName(folder, prefix, ++counter, extension);
    return name;
}

std::string MakeTempFileName(std::string_view directory, std::string_view prefix, std::string_view extension) {
    return MakeTempFileName(directory, prefix, extension, files::millisecondsSinceStart());
}

TTempFile CreateTempFile(std::string_view directory, std::string_view prefix, std::string_view extension) {
    unsigned counter = files::millisecondsSinceStart();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        TTempFile temp;
        temp.Name = MakeTempFileName(directory, prefix, extension, counter);
        temp.Descriptor = files::createExclusive(temp.Name);
        if (temp.Descriptor >= 0)
            return temp;
        if (errno != EEXIST)
            throw EFCreateError(files::createErrorMessage(temp.Name, errno));
        counter += 1; // someone took the name between the test and the creation
    }
    throw EFCreateError(files::createErrorMessage(trimFolder(directory), EEXIST));
}

std::string MakeBackupFileName(std::string_view fileName, std::string_view backupPrefix) {
    const auto dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return {};
    std::string name(fileName.substr(0, dot + 1));
    name += backupPrefix;
    name += fileName.substr(dot + 1);
    return name;
}

bool IsFormFileName(std::string_view fileName) {
    const auto name = files::nameOf(fileName);
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    return text::equalsIgnoreCase(text::trim(name.substr(dot + 1), " ."), "DFM");
}

} // namespace swapwright
