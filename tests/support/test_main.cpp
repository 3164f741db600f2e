// The test programs' entry: the runtime (and with it the offscreen platform
// when there is no display) exists before any test runs.
#include <gtest/gtest.h>

#include "framework/runtime.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  fw::RuntimeInit(argc, argv);
  const int result = RUN_ALL_TESTS();
  fw::RuntimeExit();
  return result;
}
