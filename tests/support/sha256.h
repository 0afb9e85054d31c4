// SHA-256 of a byte string, as lower-case hex, for comparing file contents
// with published digests.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

std::string sha256_hex(const std::uint8_t* data, std::size_t size);
