# One line per asset generator: its folder under tools/assetgen/ and the files it
# writes into the run folder.
pkg_check_modules(VORBIS REQUIRED IMPORTED_TARGET vorbisenc vorbisfile vorbis ogg)
add_asset_generator(font OUTPUTS data/font.png)
add_asset_generator(song OUTPUTS data/patterndata.bin data/ondrivale.ogg
  LIBS PkgConfig::VORBIS demo_headers)
add_asset_generator(meshes OUTPUTS data/cube data/spid data/flow)
if(NOT DEMO_ASSETS_FROM)
  include(cmake/code940.cmake)
endif()
add_asset_generator(code940 OUTPUTS code940.bin LIBS demo_headers INPUTS ${CODE940_RAW_IMAGE})
pkg_check_modules(FREETYPE REQUIRED IMPORTED_TARGET freetype2)
add_asset_generator(pictures LIBS PkgConfig::FREETYPE gen_meshes_lib OUTPUTS
  data/seinae.png
  data/title.png
  data/title-alpha.png
  data/logo-overlay.png
  data/logo-overlay-alpha.png
  data/credits-mervo.png
  data/credits-tallik.png
  data/credits-sunbo.png
  data/credits-yorrel.png
  data/credits-mervo-alpha.png
  data/credits-tallik-alpha.png
  data/credits-sunbo-alpha.png
  data/credits-yorrel-alpha.png
  data/velmira.png
  data/flarealpha16.png
  data/env.png
  data/brisklo-logo-png.png
  data/brisklo-logo-png-alpha.png
  data/greets.png
  data/flower.png
  data/kukkatausta.png)
