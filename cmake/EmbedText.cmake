# Writes a C++ source that holds a text file as a string constant:
#   cmake -DINPUT=<file> -DOUTPUT=<file.cpp> -DNAMESPACE=<ns> -DSYMBOL=<name> -P EmbedText.cmake
file(READ "${INPUT}" text)
file(WRITE "${OUTPUT}.tmp" "// Generated from ${INPUT}; do not edit.\nnamespace ${NAMESPACE} {\nextern const char ${SYMBOL}[];\nconst char ${SYMBOL}[] = R\"PFTEXT(${text})PFTEXT\";\n}  // namespace ${NAMESPACE}\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
