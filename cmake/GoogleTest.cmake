# GoogleTest as GTest::gtest and GTest::gtest_main: the installed package where
# there is one (Debian's for the native build, vcpkg's with MSVC), else built
# from Debian's sources for the cross build.
if(NOT TARGET GTest::gtest)
    find_package(GTest QUIET)
endif()
if(NOT TARGET GTest::gtest)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
