#pragma once

#include <QAccessible>

// Where the program's own accessibility events go: to Qt, which hands them to the screen
// reader's bridge, or to a sink a test installs. Qt passes events on only while a bridge is
// active, and the offscreen platform has none, so tests record them through the sink.
class CAccessibleEvents {
public:
    using Sink = void (*)(QAccessibleEvent* event);

    // Whether events are worth making: an assistive technology listens, or a sink takes them.
    // Building an event already makes the interface it is about.
    static bool IsListening() { return s_sink || QAccessible::isActive(); }
    static void SetSink(Sink sink) { s_sink = sink; }
    static void Deliver(QAccessibleEvent* event) {
        if (s_sink)
            s_sink(event);
        else
            QAccessible::updateAccessibility(event);
    }

private:
    static inline Sink s_sink = nullptr;
};
