#include "cli/commands.h"
#include "core/session/session.h"
#include "gui/main_window.h"
