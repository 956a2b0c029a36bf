# cmake -DDIR=WEB_BUILD -DTEMPLATE=service_worker.js.in -DFILES=a;b;c -P service_worker.cmake
# Writes DIR/duckview-sw.js from the template with the files it caches and
# the cache's name: "duckview-" and the start of a SHA-256 over the files'
# names and contents, so that any change to them names a new cache. The
# file is rewritten only when it changes.
set(digests "")
set(list "")
foreach(file IN LISTS FILES)
  file(SHA256 ${DIR}/${file} digest)
  string(APPEND digests "${file} ${digest}\n")
  string(APPEND list "'${file}', ")
endforeach()
string(SHA256 build "${digests}")
string(SUBSTRING ${build} 0 16 build)
set(DV_CACHE_NAME "duckview-${build}")
string(REGEX REPLACE ", $" "" DV_FILES "${list}")
configure_file(${TEMPLATE} ${DIR}/duckview-sw.js @ONLY)
