#include "ui/throttled_pump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <memory>

namespace faxlens::ui {

namespace {
constexpr qint64 kPumpIntervalMs = 30;
} // namespace

EventPump ThrottledEventPump() {
    auto clock = std::make_shared<QElapsedTimer>();
    return [clock] {
        if (clock->isValid() && clock->elapsed() < kPumpIntervalMs)
            return;
        QCoreApplication::processEvents();
        clock->start();
    };
}

} // namespace faxlens::ui
