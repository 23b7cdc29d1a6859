// SPDX-License-Identifier: GPL-3.0-or-later
#include "feed_options.h"

#include <QCommandLineParser>

namespace vantrel::feed {
namespace {

const QString kSourceNames = QStringLiteral("simulated, page:FILE, ecb, oanda, file:PATH");

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

std::optional<SourceChoice> sourceChoiceFrom(const QString &text)
{
    using Kind = SourceChoice::Kind;
    if (text == QLatin1StringView("simulated"))
        return SourceChoice{Kind::Simulated, QString()};
    if (text == QLatin1StringView("ecb"))
        return SourceChoice{Kind::Ecb, QString()};
    if (text == QLatin1StringView("oanda"))
        return SourceChoice{Kind::Oanda, QString()};
    for (const auto &[prefix, kind] : {std::pair{QLatin1StringView("page:"), Kind::SavedPage},
                                       std::pair{QLatin1StringView("file:"), Kind::RatesFile}}) {
        if (text.startsWith(prefix) && text.size() > prefix.size())
            return SourceChoice{kind, text.mid(prefix.size())};
    }
    return std::nullopt;
}

QStringList valueOptionNames()
{
    return {"port", "bind", "seed", "page", "delay", "fault", "source", "default-source", "account",
            "token-file", "source-url"};
}

CommandLine parseCommandLine(const QStringList &arguments, const QStringList &configArguments)
{
    if (arguments.size() >= 2 && arguments[1] == QLatin1StringView("check"))
        return parseCheck(arguments);

    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("N"));
    const QCommandLineOption bind(QStringLiteral("bind"), QString(), QStringLiteral("ADDRESS"));
    const QCommandLineOption seed(QStringLiteral("seed"), QString(), QStringLiteral("N"));
    const QCommandLineOption page(QStringLiteral("page"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption delay(QStringLiteral("delay"), QString(), QStringLiteral("MS"));
    const QCommandLineOption fault(QStringLiteral("fault"), QString(), QStringLiteral("MODE"));
    const QCommandLineOption source(QStringLiteral("source"), QString(), QStringLiteral("SOURCE"));
    const QCommandLineOption defaultSource(QStringLiteral("default-source"), QString(), QStringLiteral("SOURCE"));
    const QCommandLineOption account(QStringLiteral("account"), QString(), QStringLiteral("ID"));
    const QCommandLineOption tokenFile(QStringLiteral("token-file"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption sourceUrl(QStringLiteral("source-url"), QString(), QStringLiteral("URL"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});

    // parse() rather than process(): process() would exit with status 1 on its own.
    QCommandLineParser parser;
    parser.addOptions({port, bind, seed, page, delay, fault, source, defaultSource, account, tokenFile, sourceUrl, help});
    const QStringList all = arguments.mid(0, 1) + configArguments + arguments.mid(1);
    if (!parser.parse(all))
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
    // --page FILE is the older name of --source page:FILE; whichever comes last wins.
    for (const QString &name : parser.optionNames()) {
        if (name == QLatin1StringView("page")) {
            if (parser.value(page).isEmpty())
                return invalid(QStringLiteral("--page needs a file name"));
            options.source = SourceChoice{SourceChoice::Kind::SavedPage, parser.value(page)};
        } else if (name == QLatin1StringView("source")) {
            options.source = sourceChoiceFrom(parser.value(source));
            if (!options.source)
                return invalid(QStringLiteral("--source needs one of %1, not '%2'").arg(kSourceNames, parser.value(source)));
        }
    }
    if (parser.isSet(defaultSource)) {
        const std::optional<SourceChoice> choice = sourceChoiceFrom(parser.value(defaultSource));
        if (!choice)
            return invalid(QStringLiteral("--default-source needs one of %1, not '%2'")
                               .arg(kSourceNames, parser.value(defaultSource)));
        options.defaultSource = *choice;
    }
    options.account = parser.value(account);
    options.tokenFile = parser.value(tokenFile);
    if (parser.isSet(sourceUrl)) {
        options.sourceUrl = QUrl(parser.value(sourceUrl), QUrl::StrictMode);
        const QString scheme = options.sourceUrl.scheme();
        if (!options.sourceUrl.isValid() || (scheme != QLatin1StringView("http") && scheme != QLatin1StringView("https")))
            return invalid(QStringLiteral("--source-url needs an http or https address, not '%1'").arg(parser.value(sourceUrl)));
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
               "Usage: vantrel-feed [--source SOURCE] [--default-source SOURCE] [--source-url URL]\n"
               "                    [--account ID] [--token-file FILE] [--port N] [--bind ADDRESS]\n"
               "                    [--seed N] [--page FILE] [--delay MS] [--fault MODE]\n"
               "       vantrel-feed check PAGE\n"
               "\n"
               "Serves a foreign exchange quote page for Vantrel at\n"
               "http://127.0.0.1:8755/interesthq/market.dll?getexmarket_5l?branch=0755\n"
               "with the prices of one source. Options may also be set in\n"
               "~/.config/vantrel/feed.conf, one 'option = value' a line; the command line wins.\n"
               "\n"
               "Sources:\n"
               "  simulated       a market that moves like a real one (see --seed)\n"
               "  page:FILE       this saved page as it is\n"
               "  ecb             the European Central Bank's daily euro reference rates; bid and\n"
               "                  offer are both the reference rate\n"
               "  oanda           live bids and offers from OANDA v20 pricing; needs --account and\n"
               "                  --token-file\n"
               "  file:PATH       'PAIR BID OFFER' lines another program writes, read again whenever\n"
               "                  the file changes\n"
               "Pairs a source does not quote are crossed through USD (EUR for ecb). Until a source's\n"
               "first good answer, and once its prices are too old, the page is answered 503.\n"
               "\n"
               "Options:\n"
               "  --source SOURCE          where the prices come from\n"
               "  --default-source SOURCE  the source when neither the command line nor feed.conf\n"
               "                           names one (default simulated)\n"
               "  --source-url URL         the source's address instead of its own (ecb: the XML\n"
               "                           file; oanda: the server the /v3/... path follows)\n"
               "  --account ID             the OANDA account\n"
               "  --token-file FILE        the file holding the OANDA access token\n"
               "  --port N                 port to listen on, 0 for any free port (default 8755)\n"
               "  --bind ADDRESS           address to listen on (default 127.0.0.1)\n"
               "  --seed N                 seed of the simulated market; the same seed serves the same\n"
               "                           pages (default: from the clock)\n"
               "  --page FILE              the same as --source page:FILE\n"
               "  --delay MS               wait this many milliseconds before answering each request\n"
               "                           (default 0)\n"
               "  --fault MODE             misbehave on purpose (default none), MODE one of:\n"
               "%1"
               "  -h, --help               show this text\n"
               "\n"
               "check PAGE prints the rates Vantrel would read from a saved page, one PAIR<TAB>RATE line\n"
               "for each of the 35 pairs; exit status 0 when all were read, 1 otherwise.\n")
        .arg(QStringLiteral("                             ")
             + faultModeDescriptions().join(QStringLiteral("\n                             ")) + QLatin1Char('\n'));
}

} // namespace vantrel::feed
