// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "server/feed_faults.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace vantrel::feed {

// Where the served prices come from: "simulated", "page:FILE", "ecb", "oanda", "truefx", "kraken" or
// "file:PATH".
struct SourceChoice {
    enum class Kind { Simulated, SavedPage, Ecb, Oanda, TrueFx, Kraken, RatesFile };

    Kind kind = Kind::Simulated;
    QString path; // the saved page or the rates file
};

// One source, or several in order of preference ("truefx,kraken"): the first that answers well is
// served, the next when it fails.
using SourceList = QList<SourceChoice>;

std::optional<SourceChoice> sourceChoiceFrom(const QString &text);
// A list of sources, or why the text is none: only real sources may stand in a list, each once.
std::optional<SourceList> sourceListFrom(const QString &text, QString &why);

// How the quote server runs, as chosen in feed.conf and on the command line.
struct FeedOptions {
    // A Unix socket, the user's own one unless --socket names another; or TCP when --port or --bind
    // asks for it.
    QString socketPath;  // empty: the user's own
    bool tcp = false;
    QHostAddress bindAddress{QHostAddress::LocalHost};
    quint16 port = 8755;
    std::optional<quint64> seed; // nothing: a seed from the clock
    std::optional<SourceList> source;
    SourceList defaultSource{SourceChoice{}}; // when nothing names a source
    QString account;             // for oanda
    QString tokenFile;           // for oanda: the token itself never appears on a command line
    QUrl ecbUrl;                 // empty: the ECB's own address
    QUrl oandaUrl;               // empty: OANDA's practice server
    QUrl truefxUrl;              // empty: TrueFX's own address
    QUrl krakenUrl;              // empty: Kraken's own server
    int delayMs = 0;
    FaultMode fault = FaultMode::None;

    SourceList chosenSources() const { return source.value_or(defaultSource); }
};

// What the command line asks vantrel-feed to do.
struct CommandLine {
    enum class Action { Serve, Check, Help, Version, Invalid };

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

// The usage text shown by --help.
QString usageText();

// The line that follows a usage error.
QString tryHelpText();

} // namespace vantrel::feed
