# Writes a C++ source that holds the program's icon pictures as bytes and registers
# them with the layer's resource registry before main runs, so that LoadImageW finds
# them by resource id, as it finds a Windows program's embedded icons.
#   cmake -DOUTPUT=<file.cpp> "-DICONS=101=<a.png>;102=<b.png>" -P EmbedIcons.cmake
set(arrays "")
set(registrations "")
foreach(entry ${ICONS})
  string(REPLACE "=" ";" parts "${entry}")
  list(GET parts 0 id)
  list(GET parts 1 file)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  if(digits EQUAL 0)
    message(FATAL_ERROR "Icon ${id}: ${file} is empty")
  endif()
  # Sixteen bytes (32 hexadecimal digits) a line.
  set(lines "")
  foreach(start RANGE 0 ${digits} 32)
    string(SUBSTRING "${hex}" ${start} 32 chunk)
    if(chunk STREQUAL "")
      break()
    endif()
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1, " chunk "${chunk}")
    string(STRIP "${chunk}" chunk)
    string(APPEND lines "    ${chunk}\n")
  endforeach()
  string(APPEND arrays "const unsigned char kIcon${id}[] = {\n${lines}};\n")
  string(APPEND registrations "    layer::RegisterResource(${id}, kIcon${id}, sizeof kIcon${id});\n")
endforeach()

file(WRITE "${OUTPUT}.tmp"
"// Generated at build time from the icon pictures; do not edit.
#include \"platform/win32/resources.h\"

namespace {

${arrays}
struct IconRegistration {
  IconRegistration() {
${registrations}  }
} g_iconRegistration;

}  // namespace
")
# Touch the real output only when its text changes, so unchanged icons rebuild nothing.
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
