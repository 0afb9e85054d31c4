// A structure-aware mutator for ProDOS images.
//
// Random byte flips rarely hit the few hundred bytes of a 140 KiB image
// that the reader follows.  This mutator finds them: it walks the image as
// a volume (in whichever sector order shows a volume directory header at
// block 2), collects the directory blocks, the entries and the index and
// master index blocks, and edits those: storage types, name lengths, key
// pointers, eofs, next and previous block pointers, index entries, the bit
// map pointer, whole entries copied over others, the image's length.  New
// block numbers are drawn from the blocks it found, the image's edges and
// numbers far outside it.  Part of the time it hands the input to
// libFuzzer's own byte mutation (dictionary included) instead.
#pragma once

#include <cstddef>
#include <cstdint>

// Mutates `size` bytes at `data` in place (the buffer holds `max_size`) and
// returns the new size, at most `max_size`.
std::size_t mutate_prodos_image(std::uint8_t* data, std::size_t size, std::size_t max_size,
                                unsigned int seed);
