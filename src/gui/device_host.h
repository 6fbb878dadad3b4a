// The window's thread as the driving thread of the device thread: results come
// back as queued calls, and while a sensor operation waits for an exchange the
// window's event loop goes on (paint, timers, the operator's input), so the
// window never freezes and never sleeps on the device.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimer>
#include <functional>

#include "device/device_thread.h"

namespace gvc::gui {

class QtDeviceHost : public DeviceHost {
public:
    // Results are delivered to `context`'s thread while it lives.
    explicit QtDeviceHost(QObject* context) : context_(context) {}

    void Post(std::function<void()> task) override {
        QMetaObject::invokeMethod(context_, std::move(task), Qt::QueuedConnection);
    }

    void WaitUntil(const std::function<bool()>& ready) override {
        // Each result arrives as an event, which ends the wait for more. A
        // timer wakes the wait now and then as well, and every pass delivers
        // the posted results: under Wine a result posted while the window was
        // closing was seen to wait for another event that never came.
        QTimer wake;
        wake.start(kWakeMs);
        while (!ready())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

private:
    static constexpr int kWakeMs = 50;
    QObject* context_;
};

}  // namespace gvc::gui
