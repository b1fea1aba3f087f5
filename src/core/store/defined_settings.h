#pragma once

#include "core/store/store_values.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The settings a store defines (id, key, value name, typed default) and a snapshot of their values.
namespace swapwright {

// One defined setting.
struct TPersistentValue {
    std::int32_t Id = 0;
    std::string Key;       // e.g. "General Settings"
    std::string ValueName; // e.g. "Create Backup Files"
    TWqVariant Default;
    TPersistentValueKind Kind = TPersistentValueKind::Variant;
};

// A snapshot: the class identifier and the current value of every defined setting, by id.
struct TPersistentDataState {
    std::string StorageFileGuid;
    std::vector<std::pair<std::int32_t, TWqVariant>> Values;
};

} // namespace swapwright
