// The "prodos" tool: lists and extracts the files of a ProDOS disk image.
#pragma once
// Runs the tool on a null-terminated argument vector; the exit status.
int prodos_tool_main(int argc, char** argv);
