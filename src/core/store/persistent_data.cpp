#include "core/store/persistent_data.h"

#include "core/base/platform.h"
#include "core/base/text.h"
#include "core/store/store_errors.h"

namespace swapwright {

namespace {

constexpr std::string_view kSeparators = "\\/";

} // namespace

TWqPersistentData::TWqPersistentData() : m_backEnd(std::make_unique<TWqIniFilePersistentData>(std::string())) {}
TWqPersistentData::~TWqPersistentData() = default;

void TWqPersistentData::notImplemented() const {
    throw StoreError("This Storage Type has not been implemented yet.", "InternalSetStorageType");
}

void TWqPersistentData::SetStorageType(TPDStorageType type) {
    if (type == m_storageType)
        return;
    if (type == stStorageFile && !m_fileName.empty())
        CheckStorageGuid(m_storageFileGuid, readSettingsFile(m_fileName), "InternalSetStorageType");
    notImplemented(); // neither the registry nor structured storage back-end is built
}

void TWqPersistentData::SetBaseKey(std::string_view baseKey) {
    m_baseKey = text::trim(baseKey, kSeparators);
    m_readValues.clear();
}

void TWqPersistentData::SetFileName(const std::string& fileName) {
    const bool same = platform::kFileNamesIgnoreCase ? text::equalsIgnoreCase(fileName, m_fileName)
                                                     : fileName == m_fileName;
    if (same)
        return;
    std::optional<SettingsFileContent> content;
    if (!fileName.empty()) {
        content = readSettingsFile(fileName);
        if (!m_fileName.empty())
            CheckStorageGuid(m_storageFileGuid, *content, "SetFileName");
        RefuseUnlessText(fileName, *content, "SetFileName");
    }
    m_backEnd->Flush(); // what is pending belongs to the old file
    m_backEnd->SetFileName(fileName, std::move(content));
    m_fileName = fileName;
}

void TWqPersistentData::SetUseRootKey(bool on) {
    m_readValues.clear();
    m_useRootKey = on;
    m_backEnd->UseRootKey = on;
}

void TWqPersistentData::SetRootKey(std::uint32_t rootKey) {
    if (RootKeyName(rootKey).empty())
        throw StoreError(text::format("Invalid Root Key '%d'", rootKey), "SetRootKey");
    m_rootKey = rootKey;
    m_backEnd->RootKey = rootKey;
    m_readValues.clear();
}

void TWqPersistentData::SetWriteProtected(bool on) {
    m_writeProtected = on;
    m_backEnd->WriteProtected = on;
}

std::string TWqPersistentData::resolveKey(std::string_view key) const {
    std::string path(text::trim(key, " \t"));
    for (auto& c : path)
        if (c == '/')
            c = '\\';
    const bool absolute = !path.empty() && path.front() == '\\';
    path = text::trim(path, kSeparators);
    if (absolute || path.empty() || m_currentKey.empty())
        return path;
    return m_currentKey + "\\" + path;
}

std::string TWqPersistentData::fullKey(const std::string& path) const {
    return std::string(text::trim(m_baseKey + "\\" + path, kSeparators));
}

bool TWqPersistentData::OpenKey(std::string_view key, bool canCreate) {
    auto path = resolveKey(key);
    if (path == m_currentKey)
        return true;
    if (!m_backEnd->InternalOpenKey(fullKey(path), canCreate))
        return false;
    m_currentKey = std::move(path);
    return true;
}

bool TWqPersistentData::KeyExists(std::string_view key) {
    return m_backEnd->InternalOpenKey(fullKey(resolveKey(key)), false);
}

void TWqPersistentData::ReadValueNames(std::vector<std::string>& names) {
    names.clear();
    names = m_backEnd->ReadValueNames(fullKey(m_currentKey));
}

void TWqPersistentData::DeleteValue(std::string_view name) { m_backEnd->DeleteValue(fullKey(m_currentKey), name); }

void TWqPersistentData::DeleteKey(std::string_view key) {
    const auto path = resolveKey(key);
    if (text::trim(key, " \t\\/").empty())
        return;
    m_backEnd->DeleteKey(fullKey(path));
}

std::optional<std::string> TWqPersistentData::readText(std::string_view name) {
    return m_backEnd->ReadText(fullKey(m_currentKey), name);
}

void TWqPersistentData::writeText(std::string_view name, std::string_view text) {
    m_backEnd->WriteText(fullKey(m_currentKey), name, text);
}

std::string TWqPersistentData::ReadString(std::string_view name, std::string_view defaultValue) {
    auto t = readText(name);
    return t ? std::move(*t) : std::string(defaultValue);
}

void TWqPersistentData::WriteString(std::string_view name, std::string_view value) { writeText(name, value); }

std::int32_t TWqPersistentData::ReadInteger(std::string_view name, std::int32_t defaultValue) {
    const auto t = readText(name);
    if (!t)
        return defaultValue;
    return text::parseInt32(*t).value_or(defaultValue);
}

void TWqPersistentData::WriteInteger(std::string_view name, std::int32_t value) {
    writeText(name, std::to_string(value));
}

std::int64_t TWqPersistentData::ReadInt64(std::string_view name, std::int64_t defaultValue) {
    const auto t = readText(name);
    if (!t)
        return defaultValue;
    return text::parseInt64(*t).value_or(defaultValue);
}

void TWqPersistentData::WriteInt64(std::string_view name, std::int64_t value) {
    writeText(name, std::to_string(value));
}

bool TWqPersistentData::ReadBool(std::string_view name, bool defaultValue) {
    const auto t = readText(name);
    return t ? text::isTrueText(*t) : defaultValue;
}

void TWqPersistentData::WriteBool(std::string_view name, bool value) { writeText(name, text::boolText(value)); }

double TWqPersistentData::ReadFloat(std::string_view name, double defaultValue) {
    const auto t = readText(name);
    if (!t)
        return defaultValue;
    return TextToFloat(*t).value_or(defaultValue);
}

void TWqPersistentData::WriteFloat(std::string_view name, double value) { writeText(name, FloatToText(value)); }

TDateTime TWqPersistentData::ReadDateTime(std::string_view name, TDateTime defaultValue) {
    return ReadFloat(name, defaultValue);
}

void TWqPersistentData::WriteDateTime(std::string_view name, TDateTime value) { WriteFloat(name, value); }

TWqVariant TWqPersistentData::ReadVariant(std::string_view name, const TWqVariant& defaultValue) {
    auto t = readText(name);
    if (!t)
        return defaultValue;
    return std::move(*t);
}

void TWqPersistentData::WriteVariant(std::string_view name, const TWqVariant& value) {
    writeText(name, VariantToText(value));
}

std::string TWqPersistentData::StorageDescription() const {
    switch (m_storageType) {
    case stIniFile:
    case stStorageFile: return m_fileName;
    case stRegistry: return "Registry";
    }
    return "Unknown";
}

void TWqPersistentData::ForEachValueName(std::string_view key,
                                         const std::function<void(const std::string&)>& routine) {
    if (key.empty() || !OpenKey(key, false))
        return;
    std::vector<std::string> names;
    ReadValueNames(names);
    for (const auto& name : names)
        routine(name);
}

void TWqPersistentData::BeginUpdate() { m_backEnd->BeginUpdate(); }
void TWqPersistentData::EndUpdate() { m_backEnd->EndUpdate(true); }
void TWqPersistentData::CancelUpdate() { m_backEnd->EndUpdate(false); }
void TWqPersistentData::DiscardChanges() { m_backEnd->Discard(); }

} // namespace swapwright
