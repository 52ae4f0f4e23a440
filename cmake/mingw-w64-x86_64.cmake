# Cross build for 64-bit Windows with mingw-w64 (the posix thread model, for std::thread):
#   cmake -S . -B build-win -G Ninja -DVK_SERIAL_CORE_ONLY=ON \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Programs link statically, so they run without the toolchain's DLLs (under wine too), and
# CTest runs them through wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(VK_WINE NAMES wine64 wine HINTS /usr/lib/wine)
if(VK_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VK_WINE})
endif()
