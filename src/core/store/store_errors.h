#pragma once

#include "core/base/exceptions.h"
#include "core/store/settings_file.h"

#include <string>

// The failures the store raises, worded once for the store and its back-end.
namespace swapwright {

inline EWqException StoreError(const std::string& message, std::string routine) {
    return EWqException(message, std::move(routine), {}, "TWqPersistentData");
}

// Raises the store's refusal of a file that is not a text settings file (NUL bytes, a
// structured storage file); nothing for text and missing files.
void RefuseUnlessText(const std::string& fileName, const SettingsFileContent& content, std::string routine);

// Raises "Invalid Storage GUID, requested GUID %s storage GUID %s" when the content is a
// structured storage file whose root class identifier is not the requested one (an empty
// request is the all-zero identifier).
void CheckStorageGuid(const std::string& requestedGuid, const SettingsFileContent& content, std::string routine);

} // namespace swapwright
