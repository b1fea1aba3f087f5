#include "core/settings/run_settings.h"

#include "core/settings/app_settings.h"

namespace swapwright {

bool TStoreRunSettings::createBackupFiles() const { return ReadBoolSetting(m_store, sidCreateBackupFiles); }

std::string TStoreRunSettings::backupFilePrefix() const { return ReadTextSetting(m_store, sidBackupFilePrefix); }

TFormStoreFormat TStoreRunSettings::formFileStoreFormat() const { return ReadFormStoreFormat(m_store); }

int TStoreRunSettings::progressResolution() const { return ReadIntegerSetting(m_store, sidProgressResolution); }

TOperationErrorAction TStoreRunSettings::operationErrorAction() const { return ReadOperationErrorAction(m_store); }

bool TStoreRunSettings::leaveUnchangedFiles() const { return ReadBoolSetting(m_store, sidLeaveUnchangedFiles); }

} // namespace swapwright
