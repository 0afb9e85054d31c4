// The page's static files (index.html, its style and script), built into
// the program from the folder src/atlas/page/, so that the installed
// program needs nothing beside it.
#pragma once

#include <cstddef>
#include <span>

struct page_file {
  const char* name;           // the file's name in the atlas folder
  const unsigned char* data;  // its bytes
  std::size_t size;
};

// Every file of the page, by name.
std::span<const page_file> page_files();
