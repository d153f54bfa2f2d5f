# Link dependencies of the engine beyond SDL: the integer Vorbis decoder that
# the simulated second processor runs.
pkg_check_modules(TREMOR REQUIRED IMPORTED_TARGET vorbisidec)
target_link_libraries(demo_engine PUBLIC PkgConfig::TREMOR)

# Headers that the asset generators share with the engine (the code940 image).
add_library(demo_headers INTERFACE)
target_include_directories(demo_headers INTERFACE ${CMAKE_SOURCE_DIR})
