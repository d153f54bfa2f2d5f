# The ARM instruction counter (tools/armcount/): a QEMU plugin built with the
# host's compiler, against the plugin interface that
# scripts/fetch-qemu-plugin-header takes from Debian's QEMU sources. bench/run
# --arm loads it into qemu-arm; its test runs a small ARM program of known
# length. Instrumented builds leave it out: a sanitizer's run-time library
# cannot be loaded into qemu-arm.
if(DEMO_SANITIZE OR DEMO_TSAN OR DEMO_FUZZ OR CMAKE_CROSSCOMPILING)
  return()
endif()

set(QEMU_PLUGIN_HEADER_DIR ${CMAKE_BINARY_DIR}/qemu-plugin)
add_custom_command(OUTPUT ${QEMU_PLUGIN_HEADER_DIR}/qemu-plugin.h
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-qemu-plugin-header ${QEMU_PLUGIN_HEADER_DIR}
  DEPENDS ${CMAKE_SOURCE_DIR}/scripts/fetch-qemu-plugin-header
  COMMENT "Fetching QEMU's plugin interface"
  VERBATIM)
add_custom_target(qemu_plugin_header DEPENDS ${QEMU_PLUGIN_HEADER_DIR}/qemu-plugin.h)

add_library(armcount MODULE tools/armcount/armcount.c tools/armcount/arm_ops.c
  tools/armcount/arm920t.c)
set_target_properties(armcount PROPERTIES PREFIX "" C_VISIBILITY_PRESET hidden)
target_include_directories(armcount PRIVATE ${QEMU_PLUGIN_HEADER_DIR})
add_dependencies(armcount qemu_plugin_header)

add_test(NAME ArmCount.CountsTheFirstThreadExactly
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/armcount/count_test.sh $<TARGET_FILE:armcount>)
set_tests_properties(ArmCount.CountsTheFirstThreadExactly PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)
add_test(NAME ArmCount.CyclesAsCountedByHand
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/armcount/cycle_test.sh $<TARGET_FILE:armcount>)
set_tests_properties(ArmCount.CyclesAsCountedByHand PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120)

# The second processor's program under the ARM940T model (tools/armcount/
# count940.cpp): Unicorn's ARM946 core runs it, the model counts its cycles.
add_executable(count940 tools/armcount/count940.cpp tools/armcount/arm940t.c
  tools/armcount/arm_ops.c)
target_include_directories(count940 PRIVATE ${CMAKE_SOURCE_DIR} ${UNICORN_INCLUDE_DIRS})
target_link_directories(count940 PRIVATE ${UNICORN_LIBRARY_DIRS})
target_link_libraries(count940 PRIVATE ${UNICORN_LIBRARIES})
add_test(NAME ArmCount.Arm940CyclesAsCountedByHand
  COMMAND bash ${CMAKE_SOURCE_DIR}/tests/armcount/cycle940_test.sh $<TARGET_FILE:count940>
          ${DEMO_RUN_DIR}/code940.bin ${DEMO_RUN_DIR}/data/ondrivale.ogg)
set_tests_properties(ArmCount.Arm940CyclesAsCountedByHand PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180)
