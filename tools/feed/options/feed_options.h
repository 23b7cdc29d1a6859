// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "server/feed_faults.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace vantrel::feed {

// Where the served prices come from: "simulated", "page:FILE", "ecb", "oanda" or "file:PATH".
struct SourceChoice {
    enum class Kind { Simulated, SavedPage, Ecb, Oanda, RatesFile };

    Kind kind = Kind::Simulated;
    QString path; // the saved page or the rates file
};

std::optional<SourceChoice> sourceChoiceFrom(const QString &text);

// How the quote server runs, as chosen in feed.conf and on the command line.
struct FeedOptions {
    QHostAddress bindAddress{QHostAddress::LocalHost};
    quint16 port = 8755;
    std::optional<quint64> seed; // nothing: a seed from the clock
    std::optional<SourceChoice> source;
    SourceChoice defaultSource;  // when nothing names a source
    QString account;             // for oanda
    QString tokenFile;           // for oanda: the token itself never appears on a command line
    QUrl ecbUrl;                 // empty: the ECB's own address
    QUrl oandaUrl;               // empty: OANDA's practice server
    int delayMs = 0;
    FaultMode fault = FaultMode::None;

    SourceChoice chosenSource() const { return source.value_or(defaultSource); }
};

// What the command line asks vantrel-feed to do.
struct CommandLine {
    enum class Action { Serve, Check, Help, Invalid };

    Action action = Action::Invalid;
    FeedOptions options; // for Serve
    QString checkPage;   // for Check
    QString error;       // for Invalid: what is wrong with the arguments
};

// Reads the arguments, the program name first as in QCoreApplication::arguments(). `configArguments`,
// the options of feed.conf, count as given before the real ones, so that those win.
CommandLine parseCommandLine(const QStringList &arguments, const QStringList &configArguments = {});

// The long options that take a value: the keys feed.conf may set.
QStringList valueOptionNames();

// The usage text shown by --help and after a bad argument.
QString usageText();

} // namespace vantrel::feed
