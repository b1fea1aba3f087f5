#include "core/store/store_errors.h"

#include "core/base/text.h"
#include "core/store/storage_guid.h"

namespace swapwright {

void RefuseUnlessText(const std::string& fileName, const SettingsFileContent& content, std::string routine) {
    if (content.kind == SettingsFileKind::StructuredStorage)
        throw StoreError(text::format("The file \"%s\" is a structured storage file, not a text settings file; "
                                      "it is neither loaded nor overwritten.",
                                      fileName),
                         std::move(routine));
    if (content.kind == SettingsFileKind::Binary)
        throw StoreError(text::format("The file \"%s\" is not a text settings file (it holds NUL bytes); "
                                      "it is neither loaded nor overwritten.",
                                      fileName),
                         std::move(routine));
}

void CheckStorageGuid(const std::string& requestedGuid, const SettingsFileContent& content, std::string routine) {
    if (content.kind != SettingsFileKind::StructuredStorage || !content.rootClassId)
        return;
    const auto requested = guidFromString(requestedGuid);
    if (requested && *requested == *content.rootClassId)
        return;
    throw StoreError(text::format("Invalid Storage GUID, requested GUID %s storage GUID %s",
                                  requested ? guidToString(*requested) : requestedGuid,
                                  guidToString(*content.rootClassId)),
                     std::move(routine));
}

} // namespace swapwright
