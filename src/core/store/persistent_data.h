#pragma once

#include "core/store/defined_settings.h"
#include "core/store/ini_back_end.h"
#include "core/store/store_values.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The persistent data store: one key/value model (a tree of keys, each holding named values)
// over an exchangeable back-end, with typed values and a table of settings read by number.
namespace swapwright {

// The store. One instance serves the whole program (see app_store.h); tests make their own.
class TWqPersistentData {
public:
    TWqPersistentData();
    ~TWqPersistentData();
    TWqPersistentData(const TWqPersistentData&) = delete;
    TWqPersistentData& operator=(const TWqPersistentData&) = delete;

    TPDStorageType StorageType() const noexcept { return m_storageType; }
    // Only stIniFile is built; the others raise "This Storage Type has not been implemented yet.".
    void SetStorageType(TPDStorageType type);

    const std::string& BaseKey() const noexcept { return m_baseKey; }
    void SetBaseKey(std::string_view baseKey);

    const std::string& FileName() const noexcept { return m_fileName; }
    // Redirects the store to another file. A file that exists and is not a text settings file
    // (NUL bytes, a structured storage file) is refused: the store keeps its file and the other
    // file is left untouched. Changes not yet written go to the old file first.
    void SetFileName(const std::string& fileName);

    const std::string& StorageFileGuid() const noexcept { return m_storageFileGuid; }
    void SetStorageFileGuid(std::string guid) { m_storageFileGuid = std::move(guid); }

    bool UseRootKey() const noexcept { return m_useRootKey; }
    void SetUseRootKey(bool on);

    std::uint32_t RootKey() const noexcept { return m_rootKey; }
    void SetRootKey(std::uint32_t rootKey);

    bool WriteProtected() const noexcept { return m_writeProtected; }
    void SetWriteProtected(bool on);

    // Keys: names separated by '\' ('/' counts as '\'); a leading separator makes a key absolute
    // (below the base key), any other is relative to the current key; the empty key is the base key.
    bool OpenKey(std::string_view key, bool canCreate);
    // Whether the key exists (has values or keys below it), without making it current.
    bool KeyExists(std::string_view key);
    const std::string& CurrentKey() const noexcept { return m_currentKey; }
    void ReadValueNames(std::vector<std::string>& names);
    void DeleteValue(std::string_view name);
    // The key and every key below it; the current key stays as it is.
    void DeleteKey(std::string_view key);

    // Typed values of the current key. A missing value, or a number or Boolean whose text cannot
    // be read, gives the default.
    std::string ReadString(std::string_view name, std::string_view defaultValue);
    void WriteString(std::string_view name, std::string_view value);
    std::int32_t ReadInteger(std::string_view name, std::int32_t defaultValue);
    void WriteInteger(std::string_view name, std::int32_t value);
    std::int64_t ReadInt64(std::string_view name, std::int64_t defaultValue);
    void WriteInt64(std::string_view name, std::int64_t value);
    bool ReadBool(std::string_view name, bool defaultValue);
    void WriteBool(std::string_view name, bool value);
    double ReadFloat(std::string_view name, double defaultValue);
    void WriteFloat(std::string_view name, double value);
    // Stored as the number of days, like a floating point value.
    TDateTime ReadDateTime(std::string_view name, TDateTime defaultValue);
    void WriteDateTime(std::string_view name, TDateTime value);
    // The stored text, or the default when there is none.
    TWqVariant ReadVariant(std::string_view name, const TWqVariant& defaultValue);
    void WriteVariant(std::string_view name, const TWqVariant& value);

    // Defined settings.
    void DefineValue(std::int32_t id, std::string_view key, TWqVariant defaultValue, std::string_view valueName);
    const TPersistentValue& ValueDefinition(std::int32_t id) const;
    std::vector<std::int32_t> DefinedIds() const;
    TWqVariant ReadValue(std::int32_t id);
    void WriteValue(std::int32_t id, const TWqVariant& value);

    TPersistentDataState CreateState();
    void RestoreState(const TPersistentDataState& state);

    // The file name for file stores, "Registry" for the registry, "Unknown" otherwise.
    std::string StorageDescription() const;

    // Calls the routine with each value name of the key, in the back-end's order, with that key
    // current; nothing when the key is empty or does not exist.
    void ForEachValueName(std::string_view key, const std::function<void(const std::string&)>& routine);

    // Many changes, one write: see TWqUpdateScope.
    void BeginUpdate();
    void EndUpdate();
    void CancelUpdate();
    // Drops changes not yet written; the file is read again at the next use.
    void DiscardChanges();
    // Reads from memory without looking at the file on disk each time, until released.
    void HoldDiskChecks() { m_backEnd->HoldDiskChecks(); }
    void ReleaseDiskChecks() { m_backEnd->ReleaseDiskChecks(); }

    // The INI back-end (the only one built).
    TWqIniFilePersistentData& IniBackEnd() noexcept { return *m_backEnd; }

private:
    std::string resolveKey(std::string_view key) const;
    std::string fullKey(const std::string& path) const;
    std::optional<std::string> readText(std::string_view name);
    void writeText(std::string_view name, std::string_view text);
    [[noreturn]] void notImplemented() const;

    TPDStorageType m_storageType = stIniFile;
    std::string m_baseKey;
    std::string m_fileName;
    std::string m_storageFileGuid;
    bool m_useRootKey = true;
    bool m_writeProtected = false;
    std::uint32_t m_rootKey = kHKeyCurrentUser;
    std::string m_currentKey;
    std::unique_ptr<TWqIniFilePersistentData> m_backEnd;
    std::map<std::int32_t, TPersistentValue> m_values;
    // Defined values as last read, with the content version they were read at: a read of an
    // unchanged store is a look-up.
    std::map<std::int32_t, std::pair<std::uint64_t, TWqVariant>> m_readValues;
};

// Many changes written to the file once: commit() writes them; leaving the scope without it (an
// exception on the way) drops them, so the file keeps its previous content whole.
class TWqUpdateScope {
public:
    explicit TWqUpdateScope(TWqPersistentData& store) : m_store(store) { m_store.BeginUpdate(); }
    ~TWqUpdateScope() {
        if (!m_done)
            m_store.CancelUpdate();
    }
    TWqUpdateScope(const TWqUpdateScope&) = delete;
    TWqUpdateScope& operator=(const TWqUpdateScope&) = delete;
    void commit() {
        m_done = true;
        m_store.EndUpdate();
    }

private:
    TWqPersistentData& m_store;
    bool m_done = false;
};

} // namespace swapwright
