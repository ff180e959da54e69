# Turns the window icon's pictures into C++: the array of CARDINALs that
# _NET_WM_ICON holds (EWMH): for each picture its width, its height and then
# its pixels row by row from the top, each 0xAARRGGBB, not premultiplied.
# The pictures are netpbm PAM files of tuple type RGB_ALPHA (pngtopam
# -alphapam), whose raw bytes are already unpremultiplied RGBA.
# Usage: cmake -DIMAGES="a.pam;b.pam" -DOUTPUT=window_icon.cpp -P window-icon.cmake

# The header's text (printable ASCII before "ENDHDR\n") from its hex digits.
function(pam_header hex out)
  string(LENGTH "${hex}" length)
  set(text "")
  set(at 0)
  while(at LESS length)
    string(SUBSTRING "${hex}" ${at} 2 pair)
    math(EXPR code "0x${pair}")
    string(ASCII ${code} character)
    string(APPEND text "${character}")
    math(EXPR at "${at} + 2")
  endwhile()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

set(body "")
foreach(image IN LISTS IMAGES)
  file(READ "${image}" hex HEX)
  # "ENDHDR\n" ends the header; the header is text, so it starts on a byte.
  string(FIND "${hex}" "454e444844520a" end)
  math(EXPR odd "${end} % 2")
  if(end LESS 0 OR odd)
    message(FATAL_ERROR "${image}: not a PAM file")
  endif()
  string(SUBSTRING "${hex}" 0 ${end} header_hex)
  pam_header("${header_hex}" header)
  if(NOT header MATCHES "^P7\n" OR NOT header MATCHES "\nWIDTH ([0-9]+)\n")
    message(FATAL_ERROR "${image}: not a PAM file")
  endif()
  set(width ${CMAKE_MATCH_1})
  string(REGEX MATCH "\nHEIGHT ([0-9]+)\n" ignored "${header}")
  set(height ${CMAKE_MATCH_1})
  if(NOT header MATCHES "\nDEPTH 4\n" OR NOT header MATCHES "\nMAXVAL 255\n" OR NOT header MATCHES "\nTUPLTYPE RGB_ALPHA\n"
     OR NOT height)
    message(FATAL_ERROR "${image}: not an 8-bit RGBA picture:\n${header}")
  endif()

  math(EXPR start "${end} + 14")
  math(EXPR digits "${width} * ${height} * 8")
  string(LENGTH "${hex}" total)
  math(EXPR expected "${start} + ${digits}")
  if(NOT total EQUAL expected)
    message(FATAL_ERROR "${image}: ${width} by ${height} pixels need ${digits} hex digits after the header")
  endif()
  string(SUBSTRING "${hex}" ${start} ${digits} pixels)
  # RRGGBBAA becomes 0xAARRGGBB, eight to a line.
  string(REGEX REPLACE "(..)(..)(..)(..)" " 0x\\4\\1\\2\\3ul," pixels "${pixels}")
  string(REPEAT " 0x[0-9a-f]+ul," 8 line)
  string(REGEX REPLACE "(${line})" "\\1\n   " pixels "${pixels}")
  string(REGEX REPLACE "\n   $" "" pixels "${pixels}")
  string(APPEND body "    // ${width} by ${height}\n    ${width}ul, ${height}ul,\n   ${pixels}\n")
endforeach()

file(WRITE "${OUTPUT}.new" "// Made at build time by scripts/window-icon.cmake from the garden's icon.
#include \"app/desktop.h\"

const unsigned long gardenWindowIcon[] = {
${body}};
const std::size_t gardenWindowIconLength = sizeof gardenWindowIcon / sizeof gardenWindowIcon[0];
")
file(RENAME "${OUTPUT}.new" "${OUTPUT}")
