// SPDX-License-Identifier: GPL-3.0-or-later
#include "feed_options.h"

#include <QCommandLineParser>

namespace vantrel::feed {
namespace {

CommandLine invalid(const QString &error)
{
    CommandLine line;
    line.error = error;
    return line;
}

std::optional<QHostAddress> hostAddressOf(const QString &text)
{
    if (text == QLatin1StringView("localhost"))
        return QHostAddress(QHostAddress::LocalHost);
    const QHostAddress address(text);
    if (address.isNull())
        return std::nullopt;
    return address;
}

CommandLine parseCheck(const QStringList &arguments)
{
    if (arguments.size() != 3)
        return invalid(QStringLiteral("check takes exactly one argument: the saved page"));
    CommandLine line;
    line.action = CommandLine::Action::Check;
    line.checkPage = arguments[2];
    return line;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    if (arguments.size() >= 2 && arguments[1] == QLatin1StringView("check"))
        return parseCheck(arguments);

    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("N"));
    const QCommandLineOption bind(QStringLiteral("bind"), QString(), QStringLiteral("ADDRESS"));
    const QCommandLineOption seed(QStringLiteral("seed"), QString(), QStringLiteral("N"));
    const QCommandLineOption page(QStringLiteral("page"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption delay(QStringLiteral("delay"), QString(), QStringLiteral("MS"));
    const QCommandLineOption fault(QStringLiteral("fault"), QString(), QStringLiteral("MODE"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});

    // parse() rather than process(): process() would exit with status 1 on its own.
    QCommandLineParser parser;
    parser.addOptions({port, bind, seed, page, delay, fault, help});
    if (!parser.parse(arguments))
        return invalid(parser.errorText());
    if (parser.isSet(help)) {
        CommandLine line;
        line.action = CommandLine::Action::Help;
        return line;
    }
    if (!parser.positionalArguments().isEmpty())
        return invalid(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));

    FeedOptions options;
    bool ok = true;
    if (parser.isSet(port)) {
        const uint value = parser.value(port).toUInt(&ok);
        if (!ok || value > 65535)
            return invalid(QStringLiteral("--port needs a number from 0 to 65535, not '%1'").arg(parser.value(port)));
        options.port = quint16(value);
    }
    if (parser.isSet(bind)) {
        const std::optional<QHostAddress> address = hostAddressOf(parser.value(bind));
        if (!address)
            return invalid(QStringLiteral("--bind needs an IP address, not '%1'").arg(parser.value(bind)));
        options.bindAddress = *address;
    }
    if (parser.isSet(seed)) {
        options.seed = parser.value(seed).toULongLong(&ok);
        if (!ok)
            return invalid(QStringLiteral("--seed needs a whole number, not '%1'").arg(parser.value(seed)));
    }
    if (parser.isSet(page)) {
        options.pageFile = parser.value(page);
        if (options.pageFile.isEmpty())
            return invalid(QStringLiteral("--page needs a file name"));
    }
    if (parser.isSet(delay)) {
        options.delayMs = parser.value(delay).toInt(&ok);
        if (!ok || options.delayMs < 0)
            return invalid(QStringLiteral("--delay needs a number of milliseconds, not '%1'").arg(parser.value(delay)));
    }
    if (parser.isSet(fault)) {
        const std::optional<FaultMode> mode = faultModeFromName(parser.value(fault));
        if (!mode)
            return invalid(QStringLiteral("--fault needs one of %1, not '%2'")
                               .arg(faultModeNames().join(QStringLiteral(", ")), parser.value(fault)));
        options.fault = *mode;
    }

    CommandLine line;
    line.action = CommandLine::Action::Serve;
    line.options = options;
    return line;
}

QString usageText()
{
    return QStringLiteral(
               "Usage: vantrel-feed [--port N] [--bind ADDRESS] [--seed N] [--page FILE] [--delay MS] [--fault MODE]\n"
               "       vantrel-feed check PAGE\n"
               "\n"
               "Serves a foreign exchange quote page for Vantrel, with rates that move like a market, at\n"
               "http://127.0.0.1:8755/interesthq/market.dll?getexmarket_5l?branch=0755\n"
               "\n"
               "Options:\n"
               "  --port N        port to listen on, 0 for any free port (default 8755)\n"
               "  --bind ADDRESS  address to listen on (default 127.0.0.1)\n"
               "  --seed N        seed of the simulated market; the same seed serves the same pages\n"
               "                  (default: from the clock)\n"
               "  --page FILE     serve this saved page as it is instead of the simulated market\n"
               "  --delay MS      wait this many milliseconds before answering each request (default 0)\n"
               "  --fault MODE    misbehave on purpose (default none), MODE one of:\n"
               "%1"
               "  -h, --help      show this text\n"
               "\n"
               "check PAGE prints the rates Vantrel would read from a saved page, one PAIR<TAB>RATE line\n"
               "for each of the 35 pairs; exit status 0 when all were read, 1 otherwise.\n")
        .arg(QStringLiteral("                    ")
             + faultModeDescriptions().join(QStringLiteral("\n                    ")) + QLatin1Char('\n'));
}

} // namespace vantrel::feed
