#include "support/system_calls.hpp"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace e2e {

void fail(const std::string& what) { throw std::runtime_error(what + ": " + std::strerror(errno)); }

}  // namespace e2e
