#pragma once

#include "core/engine/replacement_run.h"
#include "core/store/persistent_data.h"

namespace swapwright {

// The run's settings read from the store by number, at the moment the run asks; during a run
// the settings file on disk is looked at once, at the first read.
class TStoreRunSettings final : public IRunSettings {
public:
    explicit TStoreRunSettings(TWqPersistentData& store) : m_store(store) {}

    bool createBackupFiles() const override;
    std::string backupFilePrefix() const override;
    TFormStoreFormat formFileStoreFormat() const override;
    int progressResolution() const override;
    TOperationErrorAction operationErrorAction() const override;
    bool leaveUnchangedFiles() const override;
    void runStarted() const override { m_store.HoldDiskChecks(); }
    void runEnded() const override { m_store.ReleaseDiskChecks(); }

private:
    TWqPersistentData& m_store;
};

} // namespace swapwright
