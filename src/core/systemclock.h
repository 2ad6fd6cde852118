#pragma once
// The local wall clock with millisecond resolution.
#include "logline.h"

namespace tav {

class SystemClock : public Clock {
public:
    DateTime now() override;
};

} // namespace tav
