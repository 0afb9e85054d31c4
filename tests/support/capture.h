// What a call prints: the routines under test report on standard output.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

// Runs `f` and returns what it wrote to standard output.
template <class F>
std::string stdout_of(F&& f) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  f();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}
