# Cross-building the client for 64-bit Windows with Debian's MinGW-w64 (the POSIX-thread compilers).
#
#   cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DKZ_WINDOWS_QT=<Qt for Windows prefix>
#
# The Qt prefix is the cross-built one (scripts/windows-qt prints it). Its moc, uic and rcc are host programs;
# lrelease comes from the host's own Qt tools, since the cross build has no qttools.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KZ_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KZ_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KZ_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KZ_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${KZ_MINGW_TRIPLET}-objdump)

set(KZ_WINDOWS_QT "$ENV{KZ_WINDOWS_QT}" CACHE PATH "Qt 5 built for x86_64-w64-mingw32")
set(CMAKE_FIND_ROOT_PATH /usr/${KZ_MINGW_TRIPLET} ${KZ_WINDOWS_QT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
list(APPEND CMAKE_PREFIX_PATH ${KZ_WINDOWS_QT})

# The host's lrelease, found outside the find root.
set(Qt5LinguistTools_DIR /usr/lib/x86_64-linux-gnu/cmake/Qt5LinguistTools CACHE PATH "Host Qt linguist tools")

# Tests run under Wine; ctest prefixes every test command with this.
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()

# No build time in the programs' PE headers: two builds of one commit give the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--no-insert-timestamp")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-Wl,--no-insert-timestamp")
