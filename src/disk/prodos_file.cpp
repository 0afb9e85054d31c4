// Not yet implemented: ProDOS path lookup and file reads.
#include "disk/prodos.h"
const prodos_entry* prodos_find(const prodos_volume&, const char*) { return nullptr; }
int prodos_read_file(const prodos_volume&, const char*, std::uint8_t*, std::uint32_t) { return -1; }
