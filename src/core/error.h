#pragma once
// The one error type of the core: conversions and parsing throw it with the
// message text the operator is shown.
#include <stdexcept>
#include <string>

namespace tav {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tav
