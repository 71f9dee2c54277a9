# The Windows viewer: the program's own sources against the real Win32 and DirectDraw, with the
# version resource, as one static GUI executable (quarnel.exe in the build folder's top).
enable_language(RC)

add_executable(quarnel WIN32 ${QUARNEL_PROGRAM_SOURCES} viewer/version.rc)
target_include_directories(quarnel PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(quarnel PRIVATE ddraw user32 gdi32)
# Both run-times linked in, so the one file runs on a bare system with no mingw DLLs beside it.
target_link_options(quarnel PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(quarnel PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# A console tool for the Windows tests: the program's brightness code with the platform's pow.
add_executable(brightness_tables tests/windows/brightness_tables.cpp palette/brightness.cpp
                                 palette/work_palette.cpp)
target_include_directories(brightness_tables PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(brightness_tables PRIVATE user32)
target_link_options(brightness_tables PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(brightness_tables PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
