# Toolchain for the console program: Debian's arm-none-eabi GCC with newlib
# and its libstdc++, for the console's ARM920T (ARMv4T, ARM state, no
# floating point), linked statically with a start-up and system calls of our
# own (platform/gp2x/): the console's kernel is Linux 2.4 with the old ARM
# system-call convention, which no Debian C library speaks.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-none-eabi-gcc)
set(CMAKE_CXX_COMPILER arm-none-eabi-g++)
set(CMAKE_ASM_COMPILER arm-none-eabi-gcc)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
foreach(lang C CXX ASM)
  string(APPEND CMAKE_${lang}_FLAGS_INIT " -march=armv4t -mtune=arm920t -marm -mfloat-abi=soft")
endforeach()
