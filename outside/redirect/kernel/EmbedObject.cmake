# cmake -DINPUT=<object> -DOUTPUT=<source> -P EmbedObject.cmake
# Writes the object's bytes as the body of UdpKernelPathObject().
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
file(WRITE "${OUTPUT}.tmp"
  "#include \"outside/redirect/UdpKernelPathObject.h\"\n\n"
  "namespace {\nconst char kObject[] = {${bytes}};\n}\n\n"
  "std::string_view UdpKernelPathObject() { return {kObject, sizeof(kObject)}; }\n")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
