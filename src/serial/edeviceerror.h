#pragma once
// Failures of the serial-port component, carrying the message text shown.
#include <stdexcept>

namespace tav {

class EDeviceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tav
