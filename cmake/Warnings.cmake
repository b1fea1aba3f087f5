# Warnings for every target of the project; third-party headers come in as system includes.
add_library(swapwright_warnings INTERFACE)
target_compile_options(swapwright_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
                                                     -Wold-style-cast -Wcast-align -Woverloaded-virtual)
option(SWAPWRIGHT_WERROR "Treat warnings as errors" OFF)
if(SWAPWRIGHT_WERROR)
  target_compile_options(swapwright_warnings INTERFACE -Werror)
endif()
