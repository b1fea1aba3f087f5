#include "core/store/settings_file.h"

#include "core/base/file_replace.h"

#include <sys/stat.h>

namespace swapwright {

namespace {

FileStamp stampOf(const struct stat& st) {
    FileStamp s;
    s.exists = true;
    s.device = static_cast<std::uint64_t>(st.st_dev);
    s.inode = static_cast<std::uint64_t>(st.st_ino);
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.modifiedSeconds = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    s.modifiedNanoseconds = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return s;
}

} // namespace

FileStamp fileStamp(const std::string& fileName) noexcept {
    struct stat st {};
    if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0)
        return {};
    return stampOf(st);
}

SettingsFileKind classifySettingsBytes(std::string_view bytes) noexcept {
    if (isStructuredStorageSignature(bytes))
        return SettingsFileKind::StructuredStorage;
    if (bytes.find('\0') != std::string_view::npos)
        return SettingsFileKind::Binary;
    return SettingsFileKind::Text;
}

SettingsFileContent readSettingsFile(const std::string& fileName) {
    SettingsFileContent content;
    auto file = files::FileReader::openIfExists(fileName);
    if (!file)
        return content;
    content.stamp = stampOf(file->status());

    // The first block tells a compound file or a binary one; neither is read any further.
    std::string bytes(1 << 16, '\0');
    bytes.resize(file->read(bytes.data(), bytes.size()));
    if (isStructuredStorageSignature(bytes)) {
        content.kind = SettingsFileKind::StructuredStorage;
        char header[512];
        if (file->readAt(0, sizeof header, header))
            content.rootClassId = structuredStorageRootClassId(
                std::string_view(header, sizeof header),
                [&file](std::uint64_t offset, std::size_t size, char* out) { return file->readAt(offset, size, out); });
        return content;
    }
    if (bytes.find('\0') != std::string::npos) {
        content.kind = SettingsFileKind::Binary;
        return content;
    }
    file->readRest(bytes);
    content.kind = classifySettingsBytes(bytes);
    if (content.kind == SettingsFileKind::Text)
        content.bytes = std::move(bytes);
    return content;
}

} // namespace swapwright
