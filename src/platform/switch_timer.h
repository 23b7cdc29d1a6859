// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

namespace vantrel {

// A timer that is switched on and off like a switch: switching on a timer that is already on changes
// nothing (its countdown goes on), so several handlers can each make sure it runs. A tick handler may
// switch its own timer.
class SwitchTimer : public QObject
{
    Q_OBJECT

public:
    explicit SwitchTimer(int intervalMs, QObject *parent = nullptr)
        : QObject(parent)
    {
        m_timer.setInterval(intervalMs);
        connect(&m_timer, &QTimer::timeout, this, &SwitchTimer::tick);
    }

    void setEnabled(bool enabled)
    {
        if (!enabled)
            m_timer.stop();
        else if (!m_timer.isActive())
            m_timer.start();
    }
    void enable() { setEnabled(true); }
    void disable() { setEnabled(false); }
    bool isEnabled() const { return m_timer.isActive(); }
    int interval() const { return m_timer.interval(); }

signals:
    void tick();

private:
    QTimer m_timer;
};

} // namespace vantrel
