// prodos: lists and extracts the files of a ProDOS disk image.
#include "prodos_tool/prodos_tool.h"
int main(int argc, char** argv) { return prodos_tool_main(argc, argv); }
