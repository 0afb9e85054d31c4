// A minimal JSON reader for the manifests that come with outside test
// data: objects, arrays, strings (with simple escapes), integers, true,
// false and null.  Throws std::runtime_error on text it cannot read.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct json_value {
  enum kind_t { null_kind, bool_kind, number_kind, string_kind, array_kind, object_kind };
  kind_t kind = null_kind;
  bool boolean = false;
  std::int64_t number = 0;
  std::string text;
  std::vector<json_value> items;
  std::map<std::string, json_value> members;
};

json_value parse_json(const std::string& text);

// Member `key` of an object; throws when it is missing.
const json_value& json_member(const json_value& object, const std::string& key);
// Whether an object has member `key`.
bool json_has(const json_value& object, const std::string& key);
