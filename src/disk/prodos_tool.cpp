// Not yet implemented: the prodos tool.
#include "disk/prodos_tool.h"
int prodos_tool_main(int, char**) { return 1; }
