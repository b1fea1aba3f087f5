#pragma once
#include "core/base/text.h"
#include "core/store/ini_file.h"
#include "core/session/session.h"
