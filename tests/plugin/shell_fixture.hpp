// A fixture over the fake host: the shell's process-wide state starts and ends
// empty, with the fake host's basic suite in its slot.
#pragma once

#include <gtest/gtest.h>

#include "plugin/suite_slots.hpp"
#include "tests/plugin/fake_host.hpp"
#include "tests/plugin/probe.hpp"

namespace probe {

template <class Base = ::testing::Test>
class ShellFixture : public Base {
 protected:
  void SetUp() override {
    ResetShellState();
    slots::gBasicSuite = host.basic();
  }
  void TearDown() override {
    ResetShellState();
    slots::gBasicSuite = nullptr;
  }
  fake::Host host;
};

}  // namespace probe
