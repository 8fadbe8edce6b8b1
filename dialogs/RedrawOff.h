#pragma once

#include <QWidget>

#include <initializer_list>
#include <vector>

// Redrawing off for a burst of changes to several widgets, on again at the end of the scope.
class CRedrawOff {
public:
    explicit CRedrawOff(std::initializer_list<QWidget*> widgets) : m_widgets(widgets) {
        for (QWidget* w : m_widgets)
            w->setUpdatesEnabled(false);
    }
    ~CRedrawOff() {
        for (QWidget* w : m_widgets)
            w->setUpdatesEnabled(true);
    }
    CRedrawOff(const CRedrawOff&) = delete;
    CRedrawOff& operator=(const CRedrawOff&) = delete;

private:
    std::vector<QWidget*> m_widgets;
};
