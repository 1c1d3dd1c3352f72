/*
 * A test that cannot run where it is skips, saying why. Under CI=true the scripts have
 * installed every tool the tests need and given them a network of their own, so a skip
 * there can only mean that something broke: the test fails instead.
 */
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace test_support {

inline bool under_ci() {
  const char* ci = std::getenv("CI");
  return ci && std::string(ci) == "true";
}

}  // namespace test_support

// Skips the running test, saying `why`, or fails it under CI=true; returns from the test.
#define SKIP_OR_FAIL_UNDER_CI(why)                                                 \
  do {                                                                             \
    if (test_support::under_ci()) FAIL() << "a skip fails under CI=true: " << why; \
    GTEST_SKIP() << why;                                                           \
  } while (0)
