# Copies the page's own files and the desktop build's assets into the page's
# folder, and writes files.json: every file the page downloads, with its size
# in bytes (its loading bar counts them): the assets, then the modules'
# script and WebAssembly.
file(MAKE_DIRECTORY ${PAGE_DIR}/data)
file(GLOB page_files ${PAGE_SOURCE}/*)
foreach(f ${page_files})
  file(COPY ${f} DESTINATION ${PAGE_DIR})
endforeach()
if(NOT EXISTS ${ASSETS}/data/ondrivale.ogg)
  message(FATAL_ERROR "no assets in ${ASSETS}: build the desktop demo first (it generates them)")
endif()
# code940.bin is the console's and the desktop's program: the page's second
# processor is song-decoder.wasm.
file(GLOB assets RELATIVE ${ASSETS} ${ASSETS}/data/*)
file(REMOVE ${PAGE_DIR}/code940.bin)
list(SORT assets)
set(json "[")
set(sep "")
foreach(a ${assets})
  file(COPY_FILE ${ASSETS}/${a} ${PAGE_DIR}/${a} ONLY_IF_DIFFERENT)
  file(SIZE ${ASSETS}/${a} size)
  string(APPEND json "${sep}\n  {\"name\": \"${a}\", \"bytes\": ${size}}")
  set(sep ",")
endforeach()
foreach(m ondrivale.js ondrivale.wasm song-decoder.wasm)
  file(SIZE ${PAGE_DIR}/${m} size)
  string(APPEND json "${sep}\n  {\"name\": \"${m}\", \"bytes\": ${size}}")
endforeach()
string(APPEND json "\n]\n")
file(WRITE ${PAGE_DIR}/files.json.new "${json}")
file(COPY_FILE ${PAGE_DIR}/files.json.new ${PAGE_DIR}/files.json ONLY_IF_DIFFERENT)
file(REMOVE ${PAGE_DIR}/files.json.new)
