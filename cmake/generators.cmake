# One line per asset generator: its folder under tools/assetgen/ and the files it
# writes into the run folder.
pkg_check_modules(VORBIS REQUIRED IMPORTED_TARGET vorbisenc vorbisfile vorbis ogg)
add_asset_generator(font OUTPUTS data/font.png)
add_asset_generator(song OUTPUTS data/patterndata.bin data/ondrivale.ogg LIBS PkgConfig::VORBIS)
add_asset_generator(meshes OUTPUTS data/cube data/spid data/flow)
add_asset_generator(code940 OUTPUTS code940.bin LIBS demo_headers)
