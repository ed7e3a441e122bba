# Cross build for Windows with mingw-w64's posix thread model (the win32 model's
# libstdc++ has no std::thread or std::mutex).  Included by the per-target files.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${PLINTHAR_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PLINTHAR_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PLINTHAR_TRIPLE}-windres)
if(NOT DEFINED ENV{PLINTHAR_CACHE})
    set(ENV{PLINTHAR_CACHE} "$ENV{HOME}/.cache/plinthar")
endif()
set(CMAKE_FIND_ROOT_PATH /usr/${PLINTHAR_TRIPLE} $ENV{PLINTHAR_CACHE}/libjpeg-${CMAKE_SYSTEM_PROCESSOR}
    $ENV{PLINTHAR_CACHE}/libpng-${CMAKE_SYSTEM_PROCESSOR})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Every test program runs under Wine inside the session that the test fixture starts.
set(CMAKE_CROSSCOMPILING_EMULATOR
    ${CMAKE_CURRENT_LIST_DIR}/../tests/harness/wine-run ${CMAKE_SYSTEM_PROCESSOR})
