// A test fixture for core and the layers above: a fresh headless desktop and the services object
// `os` for every test. Header only: testsupport itself links no layer.
#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "core/r_base.h"
#include "platform/windows.h"

namespace testenv {

class HeadlessOsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto b = std::make_unique<platform::THeadlessBackend>();
    hb = b.get();
    platform::resetDesktop(std::move(b));
    createOs();
  }
  void TearDown() override { freeOs(); }
  // The desktop's backend, for scripted input and the fake clock.
  platform::THeadlessBackend* hb = nullptr;
};

}  // namespace testenv
