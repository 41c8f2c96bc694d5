# vcpkg's toolchain, for the msvc preset: the hosted runner's vcpkg is named by
# VCPKG_INSTALLATION_ROOT, a developer's own by VCPKG_ROOT.
if(NOT "$ENV{VCPKG_INSTALLATION_ROOT}" STREQUAL "")
    file(TO_CMAKE_PATH "$ENV{VCPKG_INSTALLATION_ROOT}" tessary_vcpkg_root)
elseif(NOT "$ENV{VCPKG_ROOT}" STREQUAL "")
    file(TO_CMAKE_PATH "$ENV{VCPKG_ROOT}" tessary_vcpkg_root)
else()
    message(FATAL_ERROR "Set VCPKG_ROOT to the folder that holds vcpkg")
endif()
include("${tessary_vcpkg_root}/scripts/buildsystems/vcpkg.cmake")
