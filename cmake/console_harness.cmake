# What the console's end-to-end test (scripts/test.d/console.sh) runs beside
# the console program under qemu-arm: the supervisor that answers its device
# requests, the second processor as a process of its own, the clock and
# screen shim loaded into qemu-arm, and the desktop's side of the comparison
# of the lines both say. Plain builds only: a sanitizer's run-time
# library cannot be loaded into qemu-arm.
if(DEMO_SANITIZE OR DEMO_TSAN OR DEMO_FUZZ OR CMAKE_CROSSCOMPILING)
  return()
endif()

add_executable(device_supervisor tools/console/device_supervisor.cpp)
add_executable(second_cpu_process tools/console/second_cpu_process.cpp)
target_link_libraries(second_cpu_process PRIVATE demo_engine)
# The lines the demo says, as the desktop's C library formats them; the
# console program's build has the same program for its own.
add_executable(message_lines tools/console/message_lines.cpp)
target_link_libraries(message_lines PRIVATE demo_engine)
add_library(console_clock_shim MODULE tools/console/clock_shim.c)
set_target_properties(console_clock_shim PROPERTIES PREFIX "")
target_link_libraries(console_clock_shim PRIVATE ${CMAKE_DL_LIBS})
