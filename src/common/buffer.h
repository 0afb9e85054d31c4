// Owned buffers whose allocation may fail without an exception: the callers
// report exhausted memory with their own message and result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

// A zero-filled array of `count` elements, or null when memory is exhausted.
template <class T>
std::unique_ptr<T[]> allocate_zeroed(std::size_t count) {
  return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

using byte_buffer = std::unique_ptr<std::uint8_t[]>;
using palette_buffer = std::unique_ptr<std::uint32_t[]>;

// A growable run of bytes: whole files and images built in memory.
using bytes = std::vector<std::uint8_t>;
