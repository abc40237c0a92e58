# Writes the steel hardness conversion table of the hardness conversion as C++
# rows from its CSV source: run as
#   cmake -DCSV=<csv> -DOUT=<inc> -P hardness_table.cmake
#
# The CSV has a header line and 98 rows of Rm, HV, HRB, HRF, HRC, HRA, HRD,
# HR15N, HR30N, HR45N, HB. Rm and HV are whole numbers; the eight Rockwell
# columns have one decimal and are written in tenths. An empty cell is written
# as 0 (the scale is not defined in that row). The HB column is the standard's
# 0.95 HV and is left out: the program computes HB from HV.
# Any other shape of the file stops the build with the line that is wrong.

cmake_policy(SET CMP0007 NEW)

set(_expected_header "Rm,HV,HRB,HRF,HRC,HRA,HRD,HR15N,HR30N,HR45N,HB")
set(_expected_rows 98)

file(STRINGS "${CSV}" _lines)
list(POP_FRONT _lines _header)
string(STRIP "${_header}" _header)
if(NOT _header STREQUAL _expected_header)
  message(FATAL_ERROR "${CSV}: header is '${_header}', expected '${_expected_header}'")
endif()

get_filename_component(_csv_name "${CSV}" NAME)
set(_out "// Generated from ${_csv_name} by cmake/hardness_table.cmake; do not edit.\n")
set(_count 0)
foreach(_line IN LISTS _lines)
  string(STRIP "${_line}" _line)
  if(_line STREQUAL "")
    continue()
  endif()
  math(EXPR _count "${_count} + 1")
  string(REPLACE "," ";" _cells "${_line};")
  list(LENGTH _cells _n)
  # The ';' appended above keeps a trailing empty cell; 11 cells give 12 entries.
  if(NOT _n EQUAL 12)
    message(FATAL_ERROR "${CSV}: row ${_count} '${_line}' does not have 11 cells")
  endif()
  set(_row "")
  foreach(_col RANGE 0 9)
    list(GET _cells ${_col} _v)
    if(_v STREQUAL "")
      set(_v 0)
    elseif(_col LESS 2)
      if(NOT _v MATCHES "^[0-9]+$")
        message(FATAL_ERROR "${CSV}: row ${_count}: '${_v}' is not a whole number")
      endif()
    else()
      if(NOT _v MATCHES "^[0-9]+\\.[0-9]$")
        message(FATAL_ERROR "${CSV}: row ${_count}: '${_v}' does not have one decimal")
      endif()
      string(REPLACE "." "" _v "${_v}")
    endif()
    string(REGEX REPLACE "^0+([0-9])" "\\1" _v "${_v}")
    string(APPEND _row "${_v}, ")
  endforeach()
  string(REGEX REPLACE ", $" "" _row "${_row}")
  string(APPEND _out "{${_row}},\n")
endforeach()
if(NOT _count EQUAL _expected_rows)
  message(FATAL_ERROR "${CSV}: ${_count} rows, expected ${_expected_rows}")
endif()

# Rewrite only on a change, so the library is not rebuilt for nothing.
if(EXISTS "${OUT}")
  file(READ "${OUT}" _old)
  if(_old STREQUAL _out)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${_out}")
