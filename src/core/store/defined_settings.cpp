#include "core/store/persistent_data.h"

#include "core/base/text.h"
#include "core/store/store_errors.h"

// The defined settings of the store: read and written by number.
namespace swapwright {

void TWqPersistentData::DefineValue(std::int32_t id, std::string_view key, TWqVariant defaultValue,
                                    std::string_view valueName) {
    if (m_values.contains(id))
        throw StoreError(text::format("A Value with Id '%d' already exists", id), "DefineValue");
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
        throw StoreError(text::format("No Value with Id '%d'", id), "ValueNotExists");
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
    if (const auto it = m_readValues.find(id); it != m_readValues.end() && it->second.first == m_backEnd->ContentVersion())
        return it->second.second;
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
    m_readValues[id] = {m_backEnd->ContentVersion(), result};
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

} // namespace swapwright
