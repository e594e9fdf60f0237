# Writes a stand-in for one of the game's data files: a line saying what it stands
# for, then filler lines up to about SIZE_KIB kibibytes, so that copying it to the
# handheld takes measurable room. Run with cmake -P; the output is the same every time.
#   -DOUTPUT=file -DNAME=QMRes_VGA.dat -DWHAT="..." -DSIZE_KIB=n
foreach(var OUTPUT NAME WHAT SIZE_KIB)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "MakeStandInData.cmake needs -D${var}=...")
  endif()
endforeach()

# 64 bytes per line, 16 lines per kibibyte.
set(line "${NAME} filler: not the game's data, only its size ")
string(LENGTH "${line}" length)
math(EXPR pad "63 - ${length}")
if(pad LESS 0)
  message(FATAL_ERROR "name too long for a filler line: ${NAME}")
endif()
string(REPEAT "." ${pad} dots)
math(EXPR count "${SIZE_KIB} * 16")
string(REPEAT "${line}${dots}\n" ${count} filler)
file(WRITE "${OUTPUT}" "Stand-in for ${NAME}: ${WHAT}\n${filler}")
