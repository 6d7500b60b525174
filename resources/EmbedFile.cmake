# Writes the bytes of INPUT as a C++ array SYMBOL (with SYMBOL_SIZE beside it)
# into OUTPUT. Run at build time by the rule in CMakeLists.txt.
file(READ "${INPUT}" Hex HEX)
string(LENGTH "${Hex}" HexLength)
math(EXPR Size "${HexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," Bytes "${Hex}")
# Twenty bytes a line keeps the generated file readable in a debugger.
string(REGEX REPLACE "((0x[0-9a-f][0-9a-f],){20})" "\\1\n    " Bytes "${Bytes}")
file(WRITE "${OUTPUT}.tmp"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <cstddef>\n#include <cstdint>\n\n"
  "extern const std::uint8_t ${SYMBOL}[];\n"
  "extern const std::size_t ${SYMBOL}Size;\n\n"
  "alignas(16) const std::uint8_t ${SYMBOL}[] = {\n    ${Bytes}\n};\n"
  "const std::size_t ${SYMBOL}Size = ${Size};\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
