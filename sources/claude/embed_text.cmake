# Turns a file into a C++ constant, byte for byte:
#     cmake -DINPUT=<file> -DOUTPUT=<cpp> -DHEADER=<header> -DNAME=<constant> -P embed_text.cmake
# Every byte becomes a \xHH escape, so no byte of the text can change its meaning.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hexLength)
math(EXPR byteCount "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
set(content "// Generated at build time from ${INPUT}; edit that file instead.
#include \"${HEADER}\"

namespace tallyglass {

extern const std::string_view ${NAME} = std::string_view(\"${escaped}\", ${byteCount});

} // namespace tallyglass
")
if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" previous)
endif()
if(NOT previous STREQUAL content)
    file(WRITE "${OUTPUT}" "${content}")
endif()
