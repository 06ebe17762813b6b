# Packs the release (cmake -P, from the dist target): DLL, the DLL to ship; SOURCE_DIR, the
# repository; VERSION, the product's version; ZIP, the archive to write (its .sha256 goes beside
# it); STAGE, a scratch folder. The texts get Windows line ends, which every Notepad reads.
file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE}/Samples)

file(COPY_FILE ${DLL} ${STAGE}/Vitrelle.nbp)
# The picture at the top of the guides: the lens over the demo page.
file(COPY_FILE ${SOURCE_DIR}/docs/demo.png ${STAGE}/Guide-lens.png)

function(copy_text from to)
  file(READ ${from} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${to} "${text}")
endfunction()
copy_text(${SOURCE_DIR}/LICENSE ${STAGE}/LICENSE.txt)
file(GLOB samples RELATIVE ${SOURCE_DIR}/docs/guide/samples ${SOURCE_DIR}/docs/guide/samples/*.txt)
list(SORT samples)
foreach(sample IN LISTS samples)
  copy_text(${SOURCE_DIR}/docs/guide/samples/${sample} ${STAGE}/Samples/${sample})
  list(APPEND sample_entries Samples/${sample})
endforeach()

# The guides: the version and the style sheet written into each page, which stands alone.
set(VITRELLE_VERSION ${VERSION})
file(READ ${SOURCE_DIR}/docs/guide/guide.css GUIDE_CSS)
foreach(language en ru)
  configure_file(${SOURCE_DIR}/docs/guide/Guide-${language}.html.in ${STAGE}/Guide-${language}.html @ONLY)
  copy_text(${STAGE}/Guide-${language}.html ${STAGE}/Guide-${language}.html)
endforeach()

# A fixed date for every entry: the same inputs give the same archive.
get_filename_component(zip_dir ${ZIP} DIRECTORY)
file(MAKE_DIRECTORY ${zip_dir})
file(REMOVE ${ZIP} ${ZIP}.sha256)
execute_process(
  COMMAND ${CMAKE_COMMAND} -E tar cf ${ZIP}.part --format=zip "--mtime=2026-01-01 00:00:00 UTC"
          Vitrelle.nbp Guide-en.html Guide-ru.html Guide-lens.png LICENSE.txt ${sample_entries}
  WORKING_DIRECTORY ${STAGE}
  COMMAND_ERROR_IS_FATAL ANY)
file(RENAME ${ZIP}.part ${ZIP})

# As sha256sum writes it, so that `sha256sum -c` checks it in the folder of the zip.
file(SHA256 ${ZIP} hash)
get_filename_component(zip_name ${ZIP} NAME)
file(WRITE ${ZIP}.sha256 "${hash}  ${zip_name}\n")
