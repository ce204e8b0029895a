# Checks the dynamic symbols of the server library: every one is an export
# the chief header declares, and the volume core's exports are all there.
execute_process(COMMAND nm -D --defined-only ${LIBRARY} OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
file(READ ${HEADER} header)
string(REGEX MATCHALL "int32_t (tavovxf[A-Za-z]+)\\(" declarations "${header}")
set(declared "")
foreach(d ${declarations})
  string(REGEX REPLACE "int32_t (tavovxf[A-Za-z]+)\\(" "\\1" name "${d}")
  list(APPEND declared ${name})
endforeach()
list(LENGTH declared declaredCount)
if(NOT declaredCount EQUAL 54)
  message(FATAL_ERROR "the header declares ${declaredCount} exports, not 54")
endif()

string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(defined "")
foreach(line ${lines})
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
  list(FIND declared ${name} at)
  if(at EQUAL -1)
    message(FATAL_ERROR "unexpected dynamic symbol: ${name}")
  endif()
  list(APPEND defined ${name})
endforeach()

set(volumeCore tavovxfSetHWND tavovxfGetErrorString
  tavovxfDriveGetNum tavovxfDriveOpen tavovxfDriveClose tavovxfDriveUnmount tavovxfDriveIsFormatted
  tavovxfDriveGetSize tavovxfDriveGetInfo tavovxfDriveNumLBAs tavovxfDriveGetFSVersion tavovxfDriveGetFreeSpace
  tavovxfDriveGetName tavovxfDriveSetName tavovxfDriveGetExtName tavovxfDriveSetExtName tavovxfDriveFormat
  tavovxfProjectGetNum tavovxfProjectCreate tavovxfProjectGetLastPrimary tavovxfProjectSetPrimary
  tavovxfProjectDelete tavovxfProjectGetName tavovxfProjectSetName tavovxfProjectGetExtName
  tavovxfProjectSetExtName tavovxfProjectMove)
foreach(name ${volumeCore})
  list(FIND defined ${name} at)
  if(at EQUAL -1)
    message(FATAL_ERROR "missing export: ${name}")
  endif()
endforeach()
list(LENGTH defined definedCount)
message(STATUS "${definedCount} of 54 exports defined, nothing else")
