# Cross-compiles the same sources for 64-bit Windows (g++-mingw-w64-x86-64), for machines whose
# kernel cannot run 32-bit x86 code and so cannot run the 32-bit build under Wine.
set(QUARNEL_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
