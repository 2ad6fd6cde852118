#pragma once
// What a poll tick needs of the open serial port and where its readings go.
#include "bytes.h"

namespace tav {

class SensorPort {
public:
    virtual ~SensorPort() = default;
    virtual bool isOpen() const = 0;
    // Everything received so far; never waits for bytes not yet arrived.
    // Failures are thrown by the port layer and not caught by the tick.
    virtual Bytes readAll() = 0;
    // True when every byte was written.
    virtual bool send(ByteView frame) = 0;
};

class ReadingSink {
public:
    virtual ~ReadingSink() = default;
    // display: 1 or 2.
    virtual void showValue(int display, double value) = 0;
    virtual void setSecondDisplayVisible(bool visible) = 0;
    // channel: 0 or 1.
    virtual void appendPoint(int channel, double x, double y) = 0;
    // Builds the log line for `reading` and appends it to the log.
    virtual void appendLogLine(float reading) = 0;
};

} // namespace tav
