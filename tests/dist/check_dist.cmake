# The release as an author gets it (cmake -P, from CTest): ZIP, the archive; DLL, the plug-in the
# tests ran; VERSION_OF, the command that prints a DLL's version resource; WORK, a scratch folder.
function(fail)
  string(JOIN "" message ${ARGN})
  message(FATAL_ERROR "${message}")
endfunction()

get_filename_component(zip_name ${ZIP} NAME)
if(NOT zip_name MATCHES "^Vitrelle-(([0-9]+)\\.([0-9][0-9])(\\.([0-9]+))?)\\.zip$")
  fail("unexpected archive name ${zip_name}")
endif()
set(version ${CMAKE_MATCH_1})
math(EXPR major "${CMAKE_MATCH_2}")
math(EXPR minor "${CMAKE_MATCH_3}")
set(patch 0)
if(NOT "${CMAKE_MATCH_5}" STREQUAL "")
  math(EXPR patch "${CMAKE_MATCH_5}")
endif()

# Exactly these entries, in this order.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP} OUTPUT_VARIABLE listing COMMAND_ERROR_IS_FATAL ANY)
set(expected "Vitrelle.nbp\nGuide-en.html\nGuide-ru.html\nLICENSE.txt\n"
  "Samples/1-Attach.txt\nSamples/2-Open.txt\nSamples/3-Close.txt\n")
string(JOIN "" expected ${expected})
if(NOT listing STREQUAL expected)
  fail("the archive holds\n${listing}instead of\n${expected}")
endif()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${WORK} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${DLL} ${WORK}/Vitrelle.nbp RESULT_VARIABLE differs)
if(differs)
  fail("the archive's Vitrelle.nbp is not the tested ${DLL}")
endif()

execute_process(COMMAND ${VERSION_OF} ${WORK}/Vitrelle.nbp OUTPUT_VARIABLE resource COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\r" "" resource "${resource}")
set(expected "${major}.${minor}.${patch}.0\n${major}.${minor}.${patch}.0\n${version}\n${version}\n")
if(NOT resource STREQUAL expected)
  fail("the DLL's version resource reads\n${resource}instead of\n${expected}")
endif()

# Each guide names the version and has no placeholder left.
foreach(guide Guide-en.html Guide-ru.html)
  file(READ ${WORK}/${guide} text)
  string(FIND "${text}" "<title>Vitrelle ${version}:" titled)
  if(titled LESS 0 OR text MATCHES "@[A-Z_]+@")
    fail("${guide} does not carry version ${version} throughout")
  endif()
endforeach()

file(SHA256 ${ZIP} hash)
file(READ ${ZIP}.sha256 checksum)
if(NOT checksum STREQUAL "${hash}  ${zip_name}\n")
  fail("${zip_name}.sha256 reads '${checksum}', the archive's SHA-256 is ${hash}")
endif()
