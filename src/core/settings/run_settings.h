#pragma once

#include "core/engine/replacement_run.h"
#include "core/store/persistent_data.h"

namespace swapwright {

// The run's settings read from the store by number, at the moment the run asks.
class TStoreRunSettings final : public IRunSettings {
public:
    explicit TStoreRunSettings(TWqPersistentData& store) : m_store(store) {}

    bool createBackupFiles() const override;
    std::string backupFilePrefix() const override;
    TFormStoreFormat formFileStoreFormat() const override;
    int progressResolution() const override;
    TOperationErrorAction operationErrorAction() const override;

private:
    TWqPersistentData& m_store;
};

} // namespace swapwright
