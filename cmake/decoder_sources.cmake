# The upstream sources of Tremor and libogg, fetched and checked at build time
# by scripts/fetch-decoder-sources into ${DECODER_SOURCES}/libvorbisidec and
# ${DECODER_SOURCES}/libogg, for the builds that compile the decoder from
# source. Targets that read them depend on `decoder_sources`; after the first
# run the script only finds its stamps.
set(DECODER_SOURCES ${CMAKE_BINARY_DIR}/decoder-sources)
add_custom_target(decoder_sources
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/fetch-decoder-sources ${DECODER_SOURCES}
  COMMENT "Fetching the decoder's sources"
  VERBATIM)
