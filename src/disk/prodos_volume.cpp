// Not yet implemented: ProDOS volume reader.
#include "disk/prodos.h"
void prodos_dir_deleter::operator()(prodos_dir_block*) const noexcept {}
int prodos_open(prodos_volume&, const char*, std::int32_t) { return -1; }
void prodos_close(prodos_volume&) {}
