#pragma once
// The local wall clock with millisecond resolution.
#include "logline.h"

#include <QDateTime>

namespace tav {

class SystemClock : public Clock {
public:
    DateTime now() override
    {
        const QDateTime t = QDateTime::currentDateTime();
        const QDate d = t.date();
        const QTime tm = t.time();
        return encodeDateTime(d.year(), d.month(), d.day(), tm.hour(), tm.minute(), tm.second(), tm.msec());
    }
};

} // namespace tav
