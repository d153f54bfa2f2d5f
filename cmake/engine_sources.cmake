# What every build of the engine shares, whichever host it is for: its
# source list and the names under which it calls Tremor. The desktop's
# CMakeLists.txt, the page's web/CMakeLists.txt, the console program's
# console/CMakeLists.txt and the second processor's own build
# (platform/code940/arm/) read it.

# The five calls the decoder program makes into Tremor, under their private
# names (platform/code940/tremor_private.h): tremor_ov_read for ov_read, ...
set(TREMOR_CALLS ov_open_callbacks ov_read ov_info ov_clear ov_pcm_seek)

# engine_sources(<variable> <repository root> <platform folder>...)
# The engine's sources for a host: every subsystem, what every host shares
# of the platform layer (platform/ and the second processor's program,
# code940/), and the host's own folders under platform/: the desktop's
# simulated/, second_cpu/ and desktop/; the page's stb/ and web/; the
# console's stb/ and gp2x/. core/main.cpp is the desktop's entry point: each
# host has its own.
function(engine_sources variable root)
  set(globs ${root}/core/*.cpp ${root}/video/*.cpp ${root}/fixed/*.cpp ${root}/engine3d/*.cpp
      ${root}/music/*.cpp ${root}/scenes/*.cpp ${root}/platform/*.cpp ${root}/platform/*.c
      ${root}/platform/code940/*.cpp ${root}/platform/code940/*.c)
  foreach(folder ${ARGN})
    list(APPEND globs ${root}/platform/${folder}/*.cpp ${root}/platform/${folder}/*.S)
  endforeach()
  file(GLOB sources CONFIGURE_DEPENDS ${globs})
  list(FILTER sources EXCLUDE REGEX "/core/main\\.cpp$")
  set(${variable} ${sources} PARENT_SCOPE)
endfunction()
