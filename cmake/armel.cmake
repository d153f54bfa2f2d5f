# Toolchain for the demo and capture on 32-bit ARM, built with Debian's
# g++-arm-linux-gnueabi against the libraries that scripts/armel-sysroot
# unpacked into ARMEL_SYSROOT. The C library and libstdc++ are the cross
# compiler's own; everything else comes from there. Those libraries are
# Debian armel's (ARMv5TE, soft float: qemu-arm -cpu arm926 runs them), but
# everything compiled here is compiled for the console's own processor, an
# ARM920T (ARMv4T, ARM state, no hardware divide, no floating point), and
# linked at a fixed address as it would be there (no position-independent
# code). scripts/check-armv4t checks the objects.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)

set(ARMEL_SYSROOT "" CACHE PATH "Folder of the unpacked armel libraries")
if(NOT IS_DIRECTORY "${ARMEL_SYSROOT}/usr/lib/arm-linux-gnueabi")
  message(FATAL_ERROR "ARMEL_SYSROOT must name a folder made by scripts/armel-sysroot")
endif()
# Try-compiles get their own copy of this file: pass the folder on.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES ARMEL_SYSROOT)

set(CMAKE_FIND_ROOT_PATH ${ARMEL_SYSROOT} /usr/arm-linux-gnueabi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(ENV{PKG_CONFIG_SYSROOT_DIR} ${ARMEL_SYSROOT})
set(ENV{PKG_CONFIG_LIBDIR} ${ARMEL_SYSROOT}/usr/lib/arm-linux-gnueabi/pkgconfig)

# PulseAudio keeps a library of its own in a folder of its own (SDL needs it).
set(ARMEL_LIBRARY_DIRS ${ARMEL_SYSROOT}/usr/lib/arm-linux-gnueabi ${ARMEL_SYSROOT}/lib/arm-linux-gnueabi
    ${ARMEL_SYSROOT}/usr/lib/arm-linux-gnueabi/pulseaudio)
# ARMv5 has no 64-bit atomic instructions: libatomic provides them.
set(CMAKE_CXX_STANDARD_LIBRARIES_INIT "-latomic")
foreach(dir ${ARMEL_LIBRARY_DIRS})
  string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -L${dir} -Wl,-rpath-link,${dir}")
endforeach()
# The whole program is built with one compiler, so GCC 7.1's change to how
# some structures are passed on ARM concerns nothing here: no note for it.
string(APPEND CMAKE_CXX_FLAGS_INIT " -Wno-psabi")
foreach(lang C CXX)
  string(APPEND CMAKE_${lang}_FLAGS_INIT " -march=armv4t -mtune=arm920t -marm -fno-pie")
endforeach()
string(APPEND CMAKE_EXE_LINKER_FLAGS_INIT " -no-pie")
