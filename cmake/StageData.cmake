# Links every entry of SOURCE into TARGET, so the program finds its files in its working directory.
file(MAKE_DIRECTORY ${TARGET})
file(GLOB entries RELATIVE ${SOURCE} ${SOURCE}/*)
foreach(entry ${entries})
  if(NOT EXISTS ${TARGET}/${entry})
    file(CREATE_LINK ${SOURCE}/${entry} ${TARGET}/${entry} SYMBOLIC)
  endif()
endforeach()
