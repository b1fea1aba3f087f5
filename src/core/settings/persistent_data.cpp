#include "core/settings/persistent_data.h"

#include "core/base/exceptions.h"
#include "core/base/file_replace.h"
#include "core/base/platform.h"
#include "core/base/text.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace swapwright {

namespace {

constexpr std::string_view kSeparators = "\\/";
constexpr std::string_view kClassName = "TWqPersistentData";

EWqException storeError(const std::string& message, std::string routine) {
    return EWqException(message, std::move(routine), {}, std::string(kClassName));
}

std::string refusalMessage(const std::string& fileName, SettingsFileKind kind) {
    if (kind == SettingsFileKind::StructuredStorage)
        return text::format("The file \"%s\" is a structured storage file, not a text settings file; "
                            "it is neither loaded nor overwritten.",
                            fileName);
    return text::format("The file \"%s\" is not a text settings file (it holds NUL bytes); "
                        "it is neither loaded nor overwritten.",
                        fileName);
}

// Line breaks inside texts, stored as single bytes so that every text stays on one INI line.
std::string encodeLineBreaks(std::string_view s) {
    std::string out(s);
    for (auto& c : out) {
        if (c == '\n')
            c = '\xFE';
        else if (c == '\r')
            c = '\xFF';
    }
    return out;
}

void decodeLineBreaks(std::string& s) {
    for (auto& c : s) {
        if (c == '\xFE')
            c = '\n';
        else if (c == '\xFF')
            c = '\r';
    }
}

std::string floatText(double v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::optional<double> parseFloat(std::string_view s) {
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    double v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size())
        return std::nullopt;
    return v;
}

const char* variantTypeName(const TWqVariant& v) {
    switch (v.index()) {
    case 0: return "Empty";
    case 1: return "Boolean";
    case 2: return "Integer";
    case 3: return "Int64";
    case 4: return "Double";
    case 5: return "Date";
    default: return "String";
    }
}

const char* kindTypeName(TPersistentValueKind k) {
    switch (k) {
    case TPersistentValueKind::Integer: return "Integer";
    case TPersistentValueKind::Float: return "Double";
    case TPersistentValueKind::DateTime: return "Date";
    case TPersistentValueKind::Text: return "String";
    case TPersistentValueKind::Boolean: return "Boolean";
    case TPersistentValueKind::Variant: break;
    }
    return "Variant";
}

[[noreturn]] void cannotConvert(const TWqVariant& v, TPersistentValueKind k) {
    throw EConvertError(text::format("Could not convert variant of type (%s) into type (%s)", variantTypeName(v),
                                     kindTypeName(k)));
}

std::optional<double> numberOf(const TWqVariant& v) {
    if (const auto* b = std::get_if<bool>(&v))
        return *b ? 1.0 : 0.0;
    if (const auto* i = std::get_if<std::int32_t>(&v))
        return *i;
    if (const auto* l = std::get_if<std::int64_t>(&v))
        return static_cast<double>(*l);
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* t = std::get_if<TWqDateTimeValue>(&v))
        return t->Value;
    if (const auto* s = std::get_if<std::string>(&v)) {
        const auto trimmed = text::trim(*s, " \t");
        if (const auto i = text::parseInt64(trimmed))
            return static_cast<double>(*i);
        return parseFloat(trimmed);
    }
    return 0.0;
}

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

TPersistentValueKind KindOfDefault(const TWqVariant& value) noexcept {
    switch (value.index()) {
    case 1: return TPersistentValueKind::Boolean;
    case 2: return TPersistentValueKind::Integer;
    case 4: return TPersistentValueKind::Float;
    case 5: return TPersistentValueKind::DateTime;
    case 6: return TPersistentValueKind::Text;
    default: return TPersistentValueKind::Variant;
    }
}

std::string VariantToText(const TWqVariant& value) {
    if (const auto* b = std::get_if<bool>(&value))
        return text::boolText(*b);
    if (const auto* i = std::get_if<std::int32_t>(&value))
        return std::to_string(*i);
    if (const auto* l = std::get_if<std::int64_t>(&value))
        return std::to_string(*l);
    if (const auto* d = std::get_if<double>(&value))
        return floatText(*d);
    if (const auto* t = std::get_if<TWqDateTimeValue>(&value))
        return floatText(t->Value);
    if (const auto* s = std::get_if<std::string>(&value))
        return *s;
    return {};
}

TWqVariant ConvertVariant(const TWqVariant& value, TPersistentValueKind kind) {
    switch (kind) {
    case TPersistentValueKind::Text: return VariantToText(value);
    case TPersistentValueKind::Variant: return value;
    case TPersistentValueKind::Boolean:
        if (const auto* s = std::get_if<std::string>(&value))
            return text::isTrueText(*s);
        if (const auto n = numberOf(value))
            return *n != 0;
        cannotConvert(value, kind);
    case TPersistentValueKind::Integer: {
        if (const auto* i = std::get_if<std::int32_t>(&value))
            return *i;
        const auto n = numberOf(value);
        if (!n || !std::isfinite(*n))
            cannotConvert(value, kind);
        const double r = std::nearbyint(*n);
        if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
            cannotConvert(value, kind);
        return static_cast<std::int32_t>(r);
    }
    case TPersistentValueKind::Float:
    case TPersistentValueKind::DateTime: {
        const auto n = numberOf(value);
        if (!n)
            cannotConvert(value, kind);
        return kind == TPersistentValueKind::Float ? TWqVariant(*n) : TWqVariant(TWqDateTimeValue{*n});
    }
    }
    cannotConvert(value, kind);
}

// --- INI back-end -----------------------------------------------------------------------------

void TWqIniFilePersistentData::SetFileName(std::string fileName, std::optional<SettingsFileContent> content) {
    m_fileName = std::move(fileName);
    m_ini.reset();
    m_dirty = false;
    if (content)
        load(std::move(*content));
}

void TWqIniFilePersistentData::load(SettingsFileContent content) {
    if (content.kind == SettingsFileKind::StructuredStorage || content.kind == SettingsFileKind::Binary)
        throw storeError(refusalMessage(m_fileName, content.kind), "LoadFile");
    m_ini = content.kind == SettingsFileKind::Text ? IniFile::parse(content.bytes) : IniFile();
    m_stamp = content.stamp;
}

IniFile& TWqIniFilePersistentData::ini() {
    if (m_fileName.empty()) {
        if (!m_ini)
            m_ini.emplace();
        return *m_ini;
    }
    // Outside a batch every use looks whether the file changed on disk; inside one, the first use.
    if (m_ini && (m_dirty || (m_depth > 0 && m_checkedInBatch)))
        return *m_ini;
    if (!m_ini || fileStamp(m_fileName) != m_stamp)
        load(readSettingsFile(m_fileName));
    m_checkedInBatch = m_depth > 0;
    return *m_ini;
}

void TWqIniFilePersistentData::changed() {
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
        decodeLineBreaks(*value);
    return value;
}

void TWqIniFilePersistentData::WriteText(const std::string& fullKey, std::string_view name, std::string_view text) {
    // A NUL byte would make the file one that no reader takes for a text settings file again.
    if (text.find('\0') != std::string_view::npos)
        throw storeError(text::format("The text of \"%s\" holds a NUL byte, which a settings file cannot keep.", name),
                         "WriteString");
    const auto section = SectionName(fullKey);
    const auto encoded = encodeLineBreaks(text);
    auto& file = ini();
    if (const auto current = file.read(section, name); current && *current == encoded)
        return; // the file already says so
    file.write(section, name, encoded);
    changed();
}

// --- the store --------------------------------------------------------------------------------

TWqPersistentData::TWqPersistentData() : m_backEnd(std::make_unique<TWqIniFilePersistentData>(std::string())) {}
TWqPersistentData::~TWqPersistentData() = default;

void TWqPersistentData::notImplemented() const {
    throw storeError("This Storage Type has not been implemented yet.", "InternalSetStorageType");
}

void TWqPersistentData::SetStorageType(TPDStorageType type) {
    if (type == m_storageType)
        return;
    if (type == stStorageFile && !m_fileName.empty()) {
        const auto content = readSettingsFile(m_fileName);
        if (content.kind == SettingsFileKind::StructuredStorage && content.rootClassId) {
            const auto requested = guidFromString(m_storageFileGuid);
            if (!requested || *requested != *content.rootClassId)
                throw storeError(text::format("Invalid Storage GUID, requested GUID %s storage GUID %s",
                                              requested ? guidToString(*requested) : m_storageFileGuid,
                                              guidToString(*content.rootClassId)),
                                 "InternalSetStorageType");
        }
    }
    notImplemented(); // neither the registry nor structured storage back-end is built
}

void TWqPersistentData::SetBaseKey(std::string_view baseKey) { m_baseKey = text::trim(baseKey, kSeparators); }

void TWqPersistentData::SetFileName(const std::string& fileName) {
    const bool same = platform::kFileNamesIgnoreCase ? text::equalsIgnoreCase(fileName, m_fileName)
                                                     : fileName == m_fileName;
    if (same)
        return;
    std::optional<SettingsFileContent> content;
    if (!fileName.empty()) {
        content = readSettingsFile(fileName);
        if (content->kind == SettingsFileKind::StructuredStorage && !m_fileName.empty() && content->rootClassId) {
            const auto requested = guidFromString(m_storageFileGuid);
            if (!requested || *requested != *content->rootClassId)
                throw storeError(text::format("Invalid Storage GUID, requested GUID %s storage GUID %s",
                                              requested ? guidToString(*requested) : m_storageFileGuid,
                                              guidToString(*content->rootClassId)),
                                 "SetFileName");
        }
        if (content->kind == SettingsFileKind::StructuredStorage || content->kind == SettingsFileKind::Binary)
            throw storeError(refusalMessage(fileName, content->kind), "SetFileName");
    }
    m_backEnd->Flush(); // what is pending belongs to the old file
    m_backEnd->SetFileName(fileName, std::move(content));
    m_fileName = fileName;
}

void TWqPersistentData::SetUseRootKey(bool on) {
    m_useRootKey = on;
    m_backEnd->UseRootKey = on;
}

void TWqPersistentData::SetRootKey(std::uint32_t rootKey) {
    if (RootKeyName(rootKey).empty())
        throw storeError(text::format("Invalid Root Key '%d'", rootKey), "SetRootKey");
    m_rootKey = rootKey;
    m_backEnd->RootKey = rootKey;
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
    return parseFloat(*t).value_or(defaultValue);
}

void TWqPersistentData::WriteFloat(std::string_view name, double value) { writeText(name, floatText(value)); }

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

void TWqPersistentData::DefineValue(std::int32_t id, std::string_view key, TWqVariant defaultValue,
                                    std::string_view valueName) {
    if (m_values.contains(id))
        throw storeError(text::format("A Value with Id '%d' already exists", id), "DefineValue");
    TPersistentValue v;
    v.Id = id;
    v.Key = key;
    v.ValueName = valueName;
    v.Kind = KindOfDefault(defaultValue);
    v.Default = std::move(defaultValue);
    m_values.emplace(id, std::move(v));
}

const TPersistentValue& TWqPersistentData::ValueDefinition(std::int32_t id) const {
    const auto it = m_values.find(id);
    if (it == m_values.end())
        throw storeError(text::format("No Value with Id '%d'", id), "ValueNotExists");
    return it->second;
}

std::vector<std::int32_t> TWqPersistentData::DefinedIds() const {
    std::vector<std::int32_t> ids;
    for (const auto& [id, v] : m_values)
        ids.push_back(id);
    return ids;
}

TWqVariant TWqPersistentData::ReadValue(std::int32_t id) {
    const auto& def = ValueDefinition(id);
    const auto remembered = m_currentKey;
    TWqVariant result = def.Default;
    try {
        if (OpenKey("\\" + def.Key, false)) {
            switch (def.Kind) {
            case TPersistentValueKind::Integer:
                result = ReadInteger(def.ValueName, std::get<std::int32_t>(def.Default));
                break;
            case TPersistentValueKind::Float: result = ReadFloat(def.ValueName, std::get<double>(def.Default)); break;
            case TPersistentValueKind::DateTime:
                result = TWqDateTimeValue{ReadDateTime(def.ValueName, std::get<TWqDateTimeValue>(def.Default).Value)};
                break;
            case TPersistentValueKind::Text:
                result = ReadString(def.ValueName, std::get<std::string>(def.Default));
                break;
            case TPersistentValueKind::Boolean: result = ReadBool(def.ValueName, std::get<bool>(def.Default)); break;
            case TPersistentValueKind::Variant: result = ReadVariant(def.ValueName, def.Default); break;
            }
        }
    } catch (...) {
        m_currentKey = remembered;
        throw;
    }
    // The key that was current before is current again, whether or not it has values yet.
    m_currentKey = remembered;
    return result;
}

void TWqPersistentData::WriteValue(std::int32_t id, const TWqVariant& value) {
    const auto& def = ValueDefinition(id);
    const auto converted = ConvertVariant(value, def.Kind);
    const auto remembered = m_currentKey;
    try {
        OpenKey("\\" + def.Key, true);
        switch (def.Kind) {
        case TPersistentValueKind::Integer: WriteInteger(def.ValueName, std::get<std::int32_t>(converted)); break;
        case TPersistentValueKind::Float: WriteFloat(def.ValueName, std::get<double>(converted)); break;
        case TPersistentValueKind::DateTime:
            WriteDateTime(def.ValueName, std::get<TWqDateTimeValue>(converted).Value);
            break;
        case TPersistentValueKind::Text: WriteString(def.ValueName, std::get<std::string>(converted)); break;
        case TPersistentValueKind::Boolean: WriteBool(def.ValueName, std::get<bool>(converted)); break;
        case TPersistentValueKind::Variant: WriteVariant(def.ValueName, converted); break;
        }
    } catch (...) {
        m_currentKey = remembered;
        throw;
    }
    m_currentKey = remembered;
}

TPersistentDataState TWqPersistentData::CreateState() {
    TPersistentDataState state;
    state.StorageFileGuid = m_storageFileGuid;
    for (const auto& [id, v] : m_values)
        state.Values.emplace_back(id, ReadValue(id));
    return state;
}

void TWqPersistentData::RestoreState(const TPersistentDataState& state) {
    TWqUpdateScope scope(*this);
    m_storageFileGuid = state.StorageFileGuid;
    for (const auto& [id, value] : state.Values)
        WriteValue(id, value);
    scope.commit();
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
