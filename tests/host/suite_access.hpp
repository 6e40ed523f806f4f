// Typed access to the stand-in host's function tables for the host's own tests.
#pragma once

#include "host/host.hpp"

namespace hosttest {

template <class Suite>
const Suite& Table(host::Host& h) {
  return *static_cast<const Suite*>(h.suiteTable(Suite::kName));
}

}  // namespace hosttest
