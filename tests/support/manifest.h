// The manifests of the outside ProDOS test volumes (JSON, read with
// nlohmann-json) and SHA-256 digests (OpenSSL) to compare file contents
// with them.
#pragma once

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

#include "common/buffer.h"

// The parsed manifest at `path`; throws when it cannot be read or parsed.
nlohmann::json read_manifest(const std::filesystem::path& path);

// The SHA-256 digest of `data` in lower-case hexadecimal.
std::string sha256_hex(const bytes& data);
