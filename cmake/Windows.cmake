# The Windows program and its tests, cross-built with mingw-w64 (or built with MSVC).
enable_language(RC)

add_library(tessary_win32 STATIC
    core/win32/registry_win32.cpp
    settings/win32/profile_win32.cpp
    ui/win32/texts.cpp)
target_link_libraries(tessary_win32 PUBLIC tessary_logic)
target_compile_definitions(tessary_logic PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

add_executable(Tessary WIN32
    ui/win32/main.cpp
    ui/win32/main_dialog.cpp
    res/Tessary.rc)
target_link_libraries(Tessary PRIVATE tessary_win32 comctl32)
set_source_files_properties(res/Tessary.rc PROPERTIES
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/res/Tessary.manifest;${PROJECT_SOURCE_DIR}/res/Tessary.ico;${PROJECT_SOURCE_DIR}/res/resource.h")

if(MINGW)
    # Self-contained: no libstdc++, libgcc or winpthread DLLs beside the exe.
    target_link_options(Tessary PRIVATE -static -municode -s)
endif()

if(TESSARY_WINDOWS_TESTS)
    add_subdirectory(tests/win32)
endif()
