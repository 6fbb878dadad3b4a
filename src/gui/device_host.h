// The window's thread as the driving thread of the device thread: results come
// back as queued calls, and while a sensor operation waits for an exchange the
// window's event loop goes on (paint, timers, the operator's input), so the
// window never freezes and never sleeps on the device.
#pragma once

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
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
        // Each result arrives as an event, which ends the wait for more.
        while (!ready())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

private:
    QObject* context_;
};

}  // namespace gvc::gui
