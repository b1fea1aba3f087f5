#include "core/settings/app_store.h"

#include "core/base/files.h"
#include "core/settings/app_settings.h"

#include <climits>
#include <unistd.h>

namespace swapwright {

std::string DefaultSettingsFileName(std::string_view programDirectory, const char* xdgConfigHome, const char* home) {
    if (!programDirectory.empty()) {
        std::string portable(programDirectory);
        if (portable.back() != '/')
            portable += '/';
        portable += kDefaultSettingsFileName;
        if (files::fileExists(portable))
            return portable;
    }
    std::string config;
    if (xdgConfigHome && xdgConfigHome[0] == '/')
        config = xdgConfigHome;
    else
        config = std::string(home && home[0] ? home : "") + "/.config";
    return config + "/swapwright/" + std::string(kDefaultSettingsFileName);
}

std::string ProgramDirectory() {
    char buffer[PATH_MAX];
    const auto n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(files::directoryOf(std::string_view(buffer, static_cast<std::size_t>(n))));
}

std::unique_ptr<TWqPersistentData> CreateAppPersistentData(const std::string& fileName, bool writeProtected) {
    auto store = std::make_unique<TWqPersistentData>();
    store->SetBaseKey(kAppBaseKey);
    store->SetWriteProtected(writeProtected);
    store->SetFileName(fileName);
    DefineAppSettings(*store);
    return store;
}

} // namespace swapwright
