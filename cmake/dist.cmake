# The release an author installs: build/dist/Vitrelle-<version>.zip and its SHA-256 beside it,
# made from the DLL that the tests run (copied, not rebuilt), the guides with their picture (the
# demo's, docs/demo.png), the licence and the sample scripts. Part of every build; `make dist`
# builds only this. tests/dist/ checks the zip.
cmake_path(ABSOLUTE_PATH CMAKE_BINARY_DIR NORMALIZE OUTPUT_VARIABLE dist_build_dir)
cmake_path(GET dist_build_dir PARENT_PATH dist_dir)
set(VITRELLE_DIST_DIR ${dist_dir}/dist)
set(dist_zip ${VITRELLE_DIST_DIR}/Vitrelle-${VITRELLE_VERSION}.zip)
set(dist_inputs
  ${PROJECT_SOURCE_DIR}/LICENSE
  ${PROJECT_SOURCE_DIR}/docs/guide/Guide-en.html.in
  ${PROJECT_SOURCE_DIR}/docs/guide/Guide-ru.html.in
  ${PROJECT_SOURCE_DIR}/docs/guide/guide.css
  ${PROJECT_SOURCE_DIR}/docs/demo.png)
file(GLOB dist_samples CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/guide/samples/*.txt)
add_custom_command(OUTPUT ${dist_zip} ${dist_zip}.sha256
  COMMAND ${CMAKE_COMMAND} -DDLL=$<TARGET_FILE:Vitrelle> -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -DVERSION=${VITRELLE_VERSION} -DZIP=${dist_zip} -DSTAGE=${CMAKE_BINARY_DIR}/dist
          -P ${PROJECT_SOURCE_DIR}/cmake/dist_package.cmake
  DEPENDS Vitrelle ${dist_inputs} ${dist_samples} ${PROJECT_SOURCE_DIR}/cmake/dist_package.cmake
  COMMENT "Packing ${dist_zip}"
  VERBATIM)
add_custom_target(dist ALL DEPENDS ${dist_zip} ${dist_zip}.sha256)
