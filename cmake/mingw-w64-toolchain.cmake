# Cross-compiling for 64-bit Windows from Linux with MinGW-w64 (the POSIX
# threads variant, which std::thread needs). The Windows builds of Qt 6, HDF5
# and libdeflate go under VL_WINDOWS_PREFIX (an MSYS2 mingw64 tree, for
# example); Qt's build tools (moc, rcc, lupdate) come from the host's Qt of
# the same version through QT_HOST_PATH. docs/windows.md has the commands.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(VL_WINDOWS_PREFIX "" CACHE PATH "Windows builds of Qt 6, HDF5 and libdeflate")
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${VL_WINDOWS_PREFIX})
set(CMAKE_PREFIX_PATH ${VL_WINDOWS_PREFIX})
# Programs from the host, libraries, headers and packages from the Windows trees.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
