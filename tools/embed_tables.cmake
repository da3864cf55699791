# Writes OUTPUT, a C++ source that holds every INPUT_DIR/*.csv as bytes: datatool::demoTables().
file(GLOB tables RELATIVE ${INPUT_DIR} ${INPUT_DIR}/*.csv)
list(SORT tables)
set(body "")
set(entries "")
set(n 0)
foreach(name IN LISTS tables)
  file(READ ${INPUT_DIR}/${name} hex HEX)
  string(LENGTH "${hex}" hexLength)
  math(EXPR size "${hexLength} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
  # The bytes as char literals; one extra NUL keeps an empty table a valid array.
  string(APPEND body "const char kTable${n}[] = {${bytes}'\\0'};\n")
  string(REGEX REPLACE "\\.[cC][sS][vV]$" "" label "${name}")
  string(APPEND entries "  tables[\"${label}\"] = Table{\"${name}\", std::string(kTable${n}, ${size}), {}};\n")
  math(EXPR n "${n} + 1")
endforeach()
file(WRITE ${OUTPUT}.tmp
"// Generated from tools/demo/*.csv by embed_tables.cmake; do not edit.
#include \"tools/data_tool.h\"

namespace datatool {
namespace {
${body}}  // namespace

Tables demoTables() {
  Tables tables;
${entries}  return tables;
}

}  // namespace datatool
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
