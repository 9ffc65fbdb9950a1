# GoogleTest for a cross build: there is no prebuilt GoogleTest for the target, so it is built
# from Debian's sources (package googletest, /usr/src/googletest) with the target's compiler and
# given the names find_package(GTest) would give.
include_guard(GLOBAL)

set(QMR_GOOGLETEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources to build for the target")
if(NOT EXISTS "${QMR_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest sources not found in ${QMR_GOOGLETEST_SOURCE_DIR}; "
                        "install the Debian package googletest")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
# Statically linked test programs: the static C runtime throughout.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
add_subdirectory("${QMR_GOOGLETEST_SOURCE_DIR}" "${PROJECT_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

foreach(name gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${name})
        add_library(GTest::${name} ALIAS ${name})
    endif()
endforeach()
