#pragma once

#include "core/filelist/file_list_model.h"
#include "core/grid/find_replace_grid_model.h"
#include "core/store/window_font.h"

// What the windows keep in the settings file.
namespace swapwright {

// What belongs to the windows: the GUI fills it before the state is saved and applies it after it
// is loaded (ISessionView). The fields marked "out" are set by loading only.
struct TWindowRecord {
    TWqRect MainWindow;              // the main window's bounds (designed ones before loading)
    TWqScreenSize Screen{1920, 1080}; // the screen the main window is fitted into when loading
    bool MainWindowPositionBySystem = false; // out: no stored position, the system places the window
    int GridHeight = -1;             // the grid's height; loading changes it only for a stored value other than -1
    TFileListColumnWidths FileListColumnWidths = kFileListDefaultColumnWidths;
    TGridColumnWidths GridColumnWidths = kGridDefaultColumnWidths;
    TWqFont ListFont;
    bool ListFontLoaded = false;     // out: the file list and the grid take ListFont
};

} // namespace swapwright
