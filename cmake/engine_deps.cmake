# Link dependencies of the engine beyond SDL: the integer Vorbis decoder that
# the simulated second processor runs.
#
# Tremor exports the same function names as the reference Vorbis library
# (vorbis_info_init, vorbis_block_init, ...) with different structures. In a
# process that also holds libvorbis (the song generator's encoder, linked into
# the tests) whichever comes first in the link wins for both, and either the
# encoder crashes or Tremor silently decodes nothing. So the engine takes a
# private copy of Tremor: its static archive merged into one object, every
# symbol made local except the five calls the decoder program makes, which get
# a tremor_ prefix.
pkg_check_modules(TREMOR REQUIRED vorbisidec)
pkg_check_modules(OGG REQUIRED IMPORTED_TARGET ogg)
find_library(TREMOR_ARCHIVE NAMES libvorbisidec.a HINTS ${TREMOR_LIBRARY_DIRS} REQUIRED)

set(TREMOR_PRIVATE_OBJECT ${CMAKE_BINARY_DIR}/tremor_private.o)
set(TREMOR_CALLS ov_open_callbacks ov_read ov_info ov_clear ov_pcm_seek)
set(TREMOR_RENAMES)
foreach(call ${TREMOR_CALLS})
  list(APPEND TREMOR_RENAMES --redefine-sym ${call}=tremor_${call} -G tremor_${call})
endforeach()
add_custom_command(OUTPUT ${TREMOR_PRIVATE_OBJECT}
  COMMAND ${CMAKE_LINKER} -r --whole-archive ${TREMOR_ARCHIVE} -o tremor_merged.o
  COMMAND ${CMAKE_OBJCOPY} ${TREMOR_RENAMES} tremor_merged.o ${TREMOR_PRIVATE_OBJECT}
  DEPENDS ${TREMOR_ARCHIVE}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  COMMENT "Making a private copy of Tremor")
set_source_files_properties(${TREMOR_PRIVATE_OBJECT} PROPERTIES EXTERNAL_OBJECT TRUE GENERATED TRUE)
target_sources(demo_engine PRIVATE ${TREMOR_PRIVATE_OBJECT})
target_include_directories(demo_engine PRIVATE ${TREMOR_INCLUDE_DIRS})
target_link_libraries(demo_engine PUBLIC PkgConfig::OGG)

# Headers that the asset generators share with the engine (the code940 image).
add_library(demo_headers INTERFACE)
target_include_directories(demo_headers INTERFACE ${CMAKE_SOURCE_DIR})

# The tests encode their songs with the reference Vorbis encoder, in the same
# process as the engine's Tremor: that they coexist is part of what is tested.
# demo_tests is defined after this file is read, hence the deferred call.
if(NOT DEMO_PLAYERS_ONLY AND DEMO_TESTS)
  pkg_check_modules(VORBISENC REQUIRED IMPORTED_TARGET vorbisenc vorbis)
  cmake_language(DEFER CALL target_link_libraries demo_tests PRIVATE PkgConfig::VORBISENC)
endif()

# The ARM emulator that runs the second processor's own program: its headers
# only, the library is opened when the emulated processor first runs.
pkg_check_modules(UNICORN REQUIRED unicorn)
target_include_directories(demo_engine PRIVATE ${UNICORN_INCLUDE_DIRS})
target_link_libraries(demo_engine PRIVATE ${CMAKE_DL_LIBS})
