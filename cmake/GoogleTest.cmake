# GoogleTest as GTest::gtest and GTest::gtest_main: the installed package where
# there is one (Debian's for the native build, vcpkg's with MSVC), else built
# from Debian's sources for the cross build.
if(NOT TARGET GTest::gtest)
    find_package(GTest QUIET)
endif()
if(NOT TARGET GTest::gtest AND CMAKE_HOST_WIN32)
    # There are no Debian sources to fall back on here.
    message(FATAL_ERROR "GoogleTest was not found. Configure with the msvc or msvc-ninja preset: it installs "
        "GoogleTest from vcpkg.json through the vcpkg that VCPKG_ROOT names (Visual Studio's own, or a clone "
        "of Microsoft's vcpkg repository).")
endif()
if(NOT TARGET GTest::gtest)
    if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
        message(FATAL_ERROR "GoogleTest was not found: run scripts/install-deps.sh (Debian's googletest "
            "and libgtest-dev packages)")
    endif()
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
