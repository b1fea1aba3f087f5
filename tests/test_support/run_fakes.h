#pragma once

#include "core/engine/replacement_run.h"

#include <string>
#include <vector>

namespace swapwright::test {

// Settings held in fields, as the settings dialog would have stored them.
class FixedRunSettings final : public IRunSettings {
public:
    bool backups = true;
    std::string backupPrefix = "_";
    TFormStoreFormat storeFormat = TFormStoreFormat::AsBefore;
    int resolution = 100;
    TOperationErrorAction errorAction = TOperationErrorAction::Continue;

    bool createBackupFiles() const override { return backups; }
    std::string backupFilePrefix() const override { return backupPrefix; }
    TFormStoreFormat formFileStoreFormat() const override { return storeFormat; }
    int progressResolution() const override { return resolution; }
    TOperationErrorAction operationErrorAction() const override { return errorAction; }
};

// Records what a progress window would show; cancels on request or when an item is reached.
class RecordingProgress final : public IProgressSink {
public:
    std::vector<std::string> items;
    int resolution = -1;
    int cancelAtItem = -1; // the cancel button pressed while this item is being worked on
    bool cancel = false;

    void setItem(int index, std::string_view text) override {
        items.emplace_back(text);
        if (index == cancelAtItem)
            cancel = true;
    }
    void setItemRange(std::int64_t, std::int64_t, std::int64_t) override {}
    void setPosition(std::int64_t) override {}
    void setResolution(int r) override { resolution = r; }
    bool canceled() const override { return cancel; }
};

} // namespace swapwright::test
