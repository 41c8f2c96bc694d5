# The Windows program and its tests, cross-built with mingw-w64 (or built with MSVC).
enable_language(RC)

add_library(tessary_win32 STATIC
    core/win32/registry_win32.cpp
    core/win32/sdk_copies.cpp
    core/win32/undo_file_win32.cpp
    settings/win32/profile_win32.cpp
    ui/win32/texts.cpp
    ui/win32/apply_seams.cpp)
target_link_libraries(tessary_win32 PUBLIC tessary_logic)
target_compile_definitions(tessary_logic PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX)

set(resource_inputs res/Tessary.rc res/Tessary.manifest res/Tessary.ico res/resource.h)
if(MINGW)
    # windres upper-cases the list view's class name; compile to .res, restore
    # it, then turn the .res into an object.
    set(raw_res ${CMAKE_CURRENT_BINARY_DIR}/Tessary.res)
    set(resources ${CMAKE_CURRENT_BINARY_DIR}/Tessary.res.obj)
    add_custom_command(OUTPUT ${resources}
        COMMAND ${CMAKE_RC_COMPILER} -I ${PROJECT_SOURCE_DIR}/res -O res -o ${raw_res} ${PROJECT_SOURCE_DIR}/res/Tessary.rc
        COMMAND perl -0777 -pi ${PROJECT_SOURCE_DIR}/cmake/restore-class-case.pl ${raw_res}
        COMMAND ${CMAKE_RC_COMPILER} -i ${raw_res} -O coff -o ${resources}
        DEPENDS ${resource_inputs} cmake/restore-class-case.pl
        WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}/res
        VERBATIM)
else()
    set(resources res/Tessary.rc)
    # rc.exe finds the manifest and the icon through the include path.
    set_property(SOURCE res/Tessary.rc APPEND PROPERTY INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/res)
endif()

add_executable(Tessary WIN32
    ui/win32/main.cpp
    ui/win32/main_dialog.cpp
    ${resources})
target_link_libraries(Tessary PRIVATE tessary_win32 comctl32)

if(MINGW)
    # Self-contained: no libstdc++, libgcc or winpthread DLLs beside the exe.
    # Reproducible: no link time stamp (and no source directory, see the top
    # CMakeLists.txt). Hardened: ASLR with high-entropy addresses, and DEP.
    target_link_options(Tessary PRIVATE -static -municode -s
        -Wl,--no-insert-timestamp,--dynamicbase,--high-entropy-va,--nxcompat)
elseif(MSVC)
    # ASLR, high-entropy addresses and DEP are the linker's defaults. The
    # manifest is in the resources (RT_MANIFEST 1): one made by the linker would
    # be a second, a duplicate resource or one without requireAdministrator.
    target_compile_options(Tessary PRIVATE /Brepro)
    target_link_options(Tessary PRIVATE /Brepro /MANIFEST:NO)
endif()

if(TESSARY_BENCH)
    # The start-up measurement (bench/startup.sh): a dialog-only baseline and a timer.
    add_executable(minimal_dialog WIN32 bench/win32/minimal_dialog.cpp ${resources})
    target_link_libraries(minimal_dialog PRIVATE comctl32)
    target_include_directories(minimal_dialog PRIVATE ${PROJECT_SOURCE_DIR})
    add_executable(startup_timer bench/win32/startup_timer.cpp)
    target_include_directories(startup_timer PRIVATE tests/win32)
    if(MINGW)
        target_link_options(minimal_dialog PRIVATE -static -municode -s)
        target_link_options(startup_timer PRIVATE -static -municode)
    elseif(MSVC)
        target_link_options(minimal_dialog PRIVATE /MANIFEST:NO)
    endif()
endif()

if(TESSARY_WINDOWS_TESTS)
    enable_testing()
    add_subdirectory(tests/win32)
endif()
