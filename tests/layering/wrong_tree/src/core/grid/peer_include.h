#pragma once
#include "core/settings/app_settings.h"
#include "core/filelist/file_list_model.h"
