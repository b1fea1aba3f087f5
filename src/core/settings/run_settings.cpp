#include "core/settings/run_settings.h"

#include "core/settings/app_settings.h"

namespace swapwright {

bool TStoreRunSettings::createBackupFiles() const { return ReadBoolSetting(m_store, sidCreateBackupFiles); }

std::string TStoreRunSettings::backupFilePrefix() const { return ReadTextSetting(m_store, sidBackupFilePrefix); }

int TStoreRunSettings::formFileStoreFormat() const { return ReadIntegerSetting(m_store, sidDfmFileStoreFormat); }

int TStoreRunSettings::progressResolution() const { return ReadIntegerSetting(m_store, sidProgressResolution); }

int TStoreRunSettings::operationErrorAction() const { return ReadIntegerSetting(m_store, sidOperationErrorAction); }

} // namespace swapwright
