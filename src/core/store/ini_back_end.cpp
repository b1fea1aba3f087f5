#include "core/store/ini_back_end.h"

#include "core/base/file_replace.h"
#include "core/base/text.h"
#include "core/store/store_errors.h"
#include "core/store/stored_text.h"

namespace swapwright {

namespace {

constexpr std::string_view kSeparators = "\\/";

} // namespace

std::string_view RootKeyName(std::uint32_t rootKey) noexcept {
    switch (rootKey) {
    case kHKeyClassesRoot: return "HKEY_CLASSES_ROOT";
    case kHKeyCurrentUser: return "HKEY_CURRENT_USER";
    case kHKeyLocalMachine: return "HKEY_LOCAL_MACHINE";
    case kHKeyUsers: return "HKEY_USERS";
    case kHKeyCurrentConfig: return "HKEY_CURRENT_CONFIG";
    case kHKeyDynData: return "HKEY_DYN_DATA";
    default: return {};
    }
}

void TWqIniFilePersistentData::SetFileName(std::string fileName, std::optional<SettingsFileContent> content) {
    m_fileName = std::move(fileName);
    m_ini.reset();
    ++m_version;
    m_dirty = false;
    if (content)
        load(std::move(*content));
}

void TWqIniFilePersistentData::load(SettingsFileContent content) {
    RefuseUnlessText(m_fileName, content, "LoadFile");
    m_ini = content.kind == SettingsFileKind::Text ? IniFile::parse(content.bytes) : IniFile();
    m_stamp = content.stamp;
    ++m_version;
}

IniFile& TWqIniFilePersistentData::ini() {
    if (m_fileName.empty()) {
        if (!m_ini)
            m_ini.emplace();
        return *m_ini;
    }
    // Outside a batch every use looks whether the file changed on disk; inside one, or while the
    // checks are held, the first use.
    if (m_ini && (m_dirty || (m_depth > 0 && m_checkedInBatch) || (m_holds > 0 && m_checkedInHold)))
        return *m_ini;
    if (!m_ini || fileStamp(m_fileName) != m_stamp)
        load(readSettingsFile(m_fileName));
    m_checkedInBatch = m_depth > 0;
    m_checkedInHold = m_holds > 0;
    return *m_ini;
}

void TWqIniFilePersistentData::changed() {
    ++m_version;
    m_dirty = true;
    if (m_depth == 0)
        Flush();
}

void TWqIniFilePersistentData::Flush() {
    if (!m_dirty || WriteProtected || m_fileName.empty() || !m_ini)
        return;
    files::writeFileAtomically(m_fileName, m_ini->serialize());
    m_stamp = fileStamp(m_fileName);
    m_dirty = false;
}

void TWqIniFilePersistentData::EndUpdate(bool commit) {
    if (m_depth > 0)
        --m_depth;
    if (m_depth > 0)
        return;
    if (commit) {
        Flush();
    } else if (m_dirty && !WriteProtected) {
        Discard();
    }
}

void TWqIniFilePersistentData::Discard() {
    m_ini.reset(); // read the file again at the next use: it was not changed
    ++m_version;
    m_dirty = false;
}

std::string TWqIniFilePersistentData::Content() { return ini().serialize(); }

std::string TWqIniFilePersistentData::SectionName(const std::string& fullKey) const {
    std::string name;
    if (UseRootKey) {
        name = RootKeyName(RootKey);
        name += '\\';
    }
    name += fullKey;
    return std::string(text::trim(name, kSeparators));
}

bool TWqIniFilePersistentData::InternalOpenKey(const std::string& fullKey, bool canCreate) {
    if (canCreate)
        return true; // a section comes into being with its first value
    const auto section = SectionName(fullKey);
    auto& file = ini();
    if (file.hasSection(section))
        return true;
    const auto prefix = section + "\\";
    for (const auto& name : file.sectionNames())
        if (text::startsWithIgnoreCase(name, prefix))
            return true;
    return false;
}

std::vector<std::string> TWqIniFilePersistentData::ReadValueNames(const std::string& fullKey) {
    if (!InternalOpenKey(fullKey, false))
        return {};
    return ini().valueNames(SectionName(fullKey));
}

void TWqIniFilePersistentData::DeleteValue(const std::string& fullKey, std::string_view name) {
    if (ini().remove(SectionName(fullKey), name))
        changed();
}

void TWqIniFilePersistentData::DeleteKey(const std::string& fullKey) {
    const auto section = SectionName(fullKey);
    const auto below = section + "\\";
    auto& file = ini();
    bool erased = false;
    for (const auto& name : file.sectionNames())
        if (text::equalsIgnoreCase(name, section) || text::startsWithIgnoreCase(name, below))
            erased = file.eraseSection(name) > 0 || erased;
    if (erased)
        changed();
}

std::optional<std::string> TWqIniFilePersistentData::ReadText(const std::string& fullKey, std::string_view name) {
    auto value = ini().read(SectionName(fullKey), name);
    if (value)
        *value = DecodeStoredText(*value);
    return value;
}

void TWqIniFilePersistentData::WriteText(const std::string& fullKey, std::string_view name, std::string_view text) {
    const auto section = SectionName(fullKey);
    const auto encoded = EncodeStoredText(text);
    auto& file = ini();
    if (const auto current = file.read(section, name); current && *current == encoded)
        return; // the file already says so
    file.write(section, name, encoded);
    changed();
}

} // namespace swapwright
