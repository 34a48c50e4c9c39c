# Cross compilation for 64-bit ARM Linux with Debian's cross compilers
# (g++-aarch64-linux-gnu) against the sysroot of libc6-dev-arm64-cross; the programs run
# under qemu-aarch64 (qemu-user), also when ctest and gtest_discover_tests start them.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(LOADGEN_AARCH64_SYSROOT /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH ${LOADGEN_AARCH64_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Linked statically, so that qemu needs no -L prefix for the ARM libraries: that prefix
# also redirects the absolute paths the program itself opens ("/" becomes the sysroot),
# which the file tests walk one folder at a time.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
