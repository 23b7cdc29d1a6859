// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace vantrel {

// One wave-audio player (`MMControl1` ... `MMControl13`): set its device type and file name, then give
// it commands ("stop", "close", "open", "play"). Done comes once after each play has ended, always
// through the event loop, never from inside a command. "stop" and "close" are harmless on an idle
// player, never raise Done, and drop a Done that was still on its way.
class WavePlayer : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual void setDeviceType(const QString &deviceType) = 0;
    virtual void setFileName(const QString &fileName) = 0;
    virtual void setCommand(const QString &command) = 0;

signals:
    void Done();
};

} // namespace vantrel
