// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "feed_faults.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel::feed {

// How the quote server runs, as chosen on the command line.
struct FeedOptions {
    QHostAddress bindAddress{QHostAddress::LocalHost};
    quint16 port = 8755;
    std::optional<quint64> seed; // nothing: a seed from the clock
    QString pageFile;            // empty: pages from the simulated market
    int delayMs = 0;
    FaultMode fault = FaultMode::None;
};

// What the command line asks vantrel-feed to do.
struct CommandLine {
    enum class Action { Serve, Check, Help, Invalid };

    Action action = Action::Invalid;
    FeedOptions options; // for Serve
    QString checkPage;   // for Check
    QString error;       // for Invalid: what is wrong with the arguments
};

// Reads the arguments, the program name first as in QCoreApplication::arguments().
CommandLine parseCommandLine(const QStringList &arguments);

// The usage text shown by --help and after a bad argument.
QString usageText();

} // namespace vantrel::feed
