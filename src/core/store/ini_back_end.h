#pragma once

#include "core/store/ini_file.h"
#include "core/store/settings_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The store's back-ends: what each offers, and the INI file back-end, the one in use.
namespace swapwright {

enum TPDStorageType : int { stIniFile = 0, stRegistry = 1, stStorageFile = 2 };

// The predefined roots a store may hang below. In INI files the root's name leads every section.
inline constexpr std::uint32_t kHKeyClassesRoot = 0x80000000u;
inline constexpr std::uint32_t kHKeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kHKeyLocalMachine = 0x80000002u;
inline constexpr std::uint32_t kHKeyUsers = 0x80000003u;
inline constexpr std::uint32_t kHKeyCurrentConfig = 0x80000005u;
inline constexpr std::uint32_t kHKeyDynData = 0x80000006u;
// "HKEY_CURRENT_USER" and so on; empty for a value that is no predefined root.
std::string_view RootKeyName(std::uint32_t rootKey) noexcept;

// What every back-end offers. Keys given to it are full keys (base key and path).
class TWqStorageBase {
public:
    virtual ~TWqStorageBase() = default;
    std::uint32_t RootKey = kHKeyCurrentUser;

    virtual bool InternalOpenKey(const std::string& fullKey, bool canCreate) = 0;
    virtual std::vector<std::string> ReadValueNames(const std::string& fullKey) = 0;
    virtual void DeleteValue(const std::string& fullKey, std::string_view name) = 0;
    virtual void DeleteKey(const std::string& fullKey) = 0;
    // nullopt when there is no such value.
    virtual std::optional<std::string> ReadText(const std::string& fullKey, std::string_view name) = 0;
    virtual void WriteText(const std::string& fullKey, std::string_view name, std::string_view text) = 0;

    virtual void BeginUpdate() {}
    // The outermost end writes what changed (commit) or drops it (no commit).
    virtual void EndUpdate(bool /*commit*/) {}
};

// The INI back-end: one section per key, named after the root key (when UseRootKey is on) and
// the full key. Texts are stored as stored_text.h says (line breaks as the bytes 0xFE and 0xFF,
// texts that form cannot carry escaped). The file is held in memory and read again when it
// changed on disk; every change is written at once, except between BeginUpdate and EndUpdate,
// where the outermost EndUpdate writes once.
class TWqIniFilePersistentData final : public TWqStorageBase {
public:
    explicit TWqIniFilePersistentData(std::string fileName) : m_fileName(std::move(fileName)) {}

    const std::string& FileName() const noexcept { return m_fileName; }
    // Points the back-end at another file; content already read and checked may be handed over.
    void SetFileName(std::string fileName, std::optional<SettingsFileContent> content = std::nullopt);

    bool UseRootKey = true;
    // Changes stay in memory and never reach the file.
    bool WriteProtected = false;

    std::string SectionName(const std::string& fullKey) const;
    bool hasPendingChanges() const noexcept { return m_dirty; }
    // Writes pending changes now (nothing when there are none or the back-end is write protected).
    void Flush();
    // The file as it stands in memory.
    std::string Content();

    bool InternalOpenKey(const std::string& fullKey, bool canCreate) override;
    std::vector<std::string> ReadValueNames(const std::string& fullKey) override;
    void DeleteValue(const std::string& fullKey, std::string_view name) override;
    void DeleteKey(const std::string& fullKey) override;
    std::optional<std::string> ReadText(const std::string& fullKey, std::string_view name) override;
    void WriteText(const std::string& fullKey, std::string_view name, std::string_view text) override;
    void BeginUpdate() override {
        if (m_depth++ == 0)
            m_checkedInBatch = false;
    }
    void EndUpdate(bool commit) override;
    void Discard();
    // Goes up with every change of the content in memory (a write, a deletion, the file read
    // again); looks first whether the file changed on disk, as every read does.
    std::uint64_t ContentVersion() {
        (void)ini();
        return m_version;
    }
    // While held (a run goes on), the file on disk is looked at for changes only at the first use;
    // reads come from memory, and what is written still reaches the file at once.
    void HoldDiskChecks() {
        if (m_holds++ == 0)
            m_checkedInHold = false;
    }
    void ReleaseDiskChecks() {
        if (m_holds > 0)
            --m_holds;
    }

private:
    IniFile& ini();
    void load(SettingsFileContent content);
    void changed();

    std::string m_fileName;
    std::optional<IniFile> m_ini;
    FileStamp m_stamp;
    int m_depth = 0;
    bool m_dirty = false;
    bool m_checkedInBatch = false;
    std::uint64_t m_version = 0;
    int m_holds = 0;
    bool m_checkedInHold = false;
};

} // namespace swapwright
