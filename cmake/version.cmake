# The product's version is set once, in project() at the top of the tree. The host and the guide
# show it as the year and a two-digit release ("2011.02" for 2011.2, a patch appended when there
# is one); the DLL's version resource carries it as four numbers (2011,2,0,0). Everything else
# takes it from here.
string(LENGTH "${PROJECT_VERSION_MINOR}" minor_length)
if(minor_length LESS 2)
  set(VITRELLE_VERSION "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}")
else()
  set(VITRELLE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
endif()
set(VITRELLE_VERSION_NUMBERS ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR})
foreach(part PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    list(APPEND VITRELLE_VERSION_NUMBERS 0)
  else()
    list(APPEND VITRELLE_VERSION_NUMBERS ${PROJECT_VERSION_${part}})
    string(APPEND VITRELLE_VERSION ".${PROJECT_VERSION_${part}}")
  endif()
endforeach()
list(JOIN VITRELLE_VERSION_NUMBERS "," VITRELLE_VERSION_COMMAS)
