# Cross-building the Qt-free core for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64).
# The programs are linked statically, so they run under Wine without any DLL from mingw, and every
# program that CMake runs at build or test time (test discovery, the tests themselves) is started
# through Wine in a prefix of the build tree's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QMR_MINGW_TRIPLET x86_64-w64-mingw32)

# The posix thread model gives the whole C++ thread library; the win32 one lacks it before GCC 13.
find_program(QMR_MINGW_CXX NAMES ${QMR_MINGW_TRIPLET}-g++-posix ${QMR_MINGW_TRIPLET}-g++ REQUIRED)
find_program(QMR_MINGW_CC NAMES ${QMR_MINGW_TRIPLET}-gcc-posix ${QMR_MINGW_TRIPLET}-gcc REQUIRED)
set(CMAKE_CXX_COMPILER ${QMR_MINGW_CXX})
set(CMAKE_C_COMPILER ${QMR_MINGW_CC})
set(CMAKE_RC_COMPILER ${QMR_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QMR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# libgcc, libstdc++ and winpthread linked in: the .exe files need only what Windows (or Wine) has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# CMake's try_compile projects read this file too; only the real build tree gets the prefix.
if(NOT CMAKE_BINARY_DIR MATCHES "/CMakeFiles/CMakeScratch/|/CMakeFiles/CMakeTmp")
    get_filename_component(_qmr_source_dir "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        "${_qmr_source_dir}/tests/windows/run_under_wine.sh;${CMAKE_BINARY_DIR}/wine-prefix")
endif()
