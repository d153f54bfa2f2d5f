# The second processor's program: platform/code940/arm/ is its own
# project, built for the ARM940T with the arm-none-eabi toolchain against the
# fetched Tremor and libogg; gen_code940 then fills its header and writes
# code940.bin into the run folder.
include(ExternalProject)
include(cmake/decoder_sources.cmake)

set(CODE940_ARM_BUILD ${CMAKE_BINARY_DIR}/code940-arm)
set(CODE940_RAW_IMAGE ${CODE940_ARM_BUILD}/code940-raw.bin)
ExternalProject_Add(code940_arm
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/platform/code940/arm
  BINARY_DIR ${CODE940_ARM_BUILD}
  CMAKE_GENERATOR Ninja
  CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/arm-none-eabi.cmake
             -DCMAKE_BUILD_TYPE=Release
             -DDEMO_SOURCE_DIR=${CMAKE_SOURCE_DIR}
             -DDECODER_SOURCES=${DECODER_SOURCES}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${CODE940_RAW_IMAGE}
  DEPENDS decoder_sources)
