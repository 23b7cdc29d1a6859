// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/feed_options.h"

#include <QCommandLineParser>
#include <QHash>

namespace vantrel::feed {
namespace {

const QString kSourceNames = QStringLiteral("simulated, page:FILE, ecb, oanda, file:PATH");

// Every option with its line of help, so that reading the command line and --help cannot disagree.
struct FeedOptionList {
    QCommandLineOption source{QStringLiteral("source"), QStringLiteral("where the prices come from (see Sources)"),
                              QStringLiteral("SOURCE")};
    QCommandLineOption defaultSource{QStringLiteral("default-source"),
                                     QStringLiteral("the source when neither the command line nor feed.conf names "
                                                    "one (default simulated)"),
                                     QStringLiteral("SOURCE")};
    QCommandLineOption sourceUrl{QStringLiteral("source-url"),
                                 QStringLiteral("the address of the ecb or oanda source that --source names in the "
                                                "same place, the command line or feed.conf"),
                                 QStringLiteral("URL")};
    QCommandLineOption ecbUrl{QStringLiteral("ecb-url"),
                              QStringLiteral("the ECB reference rates XML file instead of the ECB's own"),
                              QStringLiteral("URL")};
    QCommandLineOption oandaUrl{QStringLiteral("oanda-url"),
                                QStringLiteral("the OANDA server the /v3/... path follows, instead of the practice "
                                               "server; https, as the token goes with it"),
                                QStringLiteral("URL")};
    QCommandLineOption account{QStringLiteral("account"), QStringLiteral("the OANDA account"), QStringLiteral("ID")};
    QCommandLineOption tokenFile{QStringLiteral("token-file"), QStringLiteral("the file holding the OANDA access token"),
                                 QStringLiteral("FILE")};
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("port to listen on, 0 for any free port (default 8755)"), QStringLiteral("N")};
    QCommandLineOption bind{QStringLiteral("bind"), QStringLiteral("address to listen on (default 127.0.0.1)"),
                            QStringLiteral("ADDRESS")};
    QCommandLineOption seed{QStringLiteral("seed"),
                            QStringLiteral("seed of the simulated market; the same seed serves the same pages "
                                           "(default: from the clock)"),
                            QStringLiteral("N")};
    QCommandLineOption page{QStringLiteral("page"), QStringLiteral("the same as --source page:FILE"),
                            QStringLiteral("FILE")};
    QCommandLineOption delay{QStringLiteral("delay"),
                             QStringLiteral("wait this many milliseconds before answering each request (default 0)"),
                             QStringLiteral("MS")};
    QCommandLineOption fault{QStringLiteral("fault"),
                             QStringLiteral("misbehave on purpose (see Fault modes; default none)"),
                             QStringLiteral("MODE")};
    QCommandLineOption help{QStringList{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("show this text")};

    QList<QCommandLineOption> all() const
    {
        return {source,    defaultSource, sourceUrl, ecbUrl, oandaUrl, account, tokenFile,
                port,      bind,          seed,      page,   delay,    fault,   help};
    }
};

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

std::optional<QUrl> webAddressOf(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()
        || (url.scheme() != QLatin1StringView("http") && url.scheme() != QLatin1StringView("https")))
        return std::nullopt;
    return url;
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
    return {"port",    "bind",       "seed",       "page",    "delay",     "fault",    "source",
            "default-source", "account", "token-file", "source-url", "ecb-url", "oanda-url"};
}

CommandLine parseCommandLine(const QStringList &arguments, const QStringList &configArguments)
{
    if (arguments.size() >= 2 && arguments[1] == QLatin1StringView("check"))
        return parseCheck(arguments);

    const FeedOptionList o;
    // parse() rather than process(): process() would exit with status 1 on its own.
    QCommandLineParser parser;
    parser.addOptions(o.all());
    const QStringList all = arguments.mid(0, 1) + configArguments + arguments.mid(1);
    if (!parser.parse(all))
        return invalid(parser.errorText());
    if (parser.isSet(o.help)) {
        CommandLine line;
        line.action = CommandLine::Action::Help;
        return line;
    }
    if (!parser.positionalArguments().isEmpty())
        return invalid(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));

    FeedOptions options;
    bool ok = true;
    if (parser.isSet(o.port)) {
        const uint value = parser.value(o.port).toUInt(&ok);
        if (!ok || value > 65535)
            return invalid(QStringLiteral("--port needs a number from 0 to 65535, not '%1'").arg(parser.value(o.port)));
        options.port = quint16(value);
    }
    if (parser.isSet(o.bind)) {
        const std::optional<QHostAddress> address = hostAddressOf(parser.value(o.bind));
        if (!address)
            return invalid(QStringLiteral("--bind needs an IP address, not '%1'").arg(parser.value(o.bind)));
        options.bindAddress = *address;
    }
    if (parser.isSet(o.seed)) {
        options.seed = parser.value(o.seed).toULongLong(&ok);
        if (!ok)
            return invalid(QStringLiteral("--seed needs a whole number, not '%1'").arg(parser.value(o.seed)));
    }
    // --page FILE is the older name of --source page:FILE; whichever comes last wins.
    for (const QString &name : parser.optionNames()) {
        if (name == QLatin1StringView("page")) {
            if (parser.value(o.page).isEmpty())
                return invalid(QStringLiteral("--page needs a file name"));
            options.source = SourceChoice{SourceChoice::Kind::SavedPage, parser.value(o.page)};
        } else if (name == QLatin1StringView("source")) {
            options.source = sourceChoiceFrom(parser.value(o.source));
            if (!options.source)
                return invalid(QStringLiteral("--source needs one of %1, not '%2'").arg(kSourceNames, parser.value(o.source)));
        }
    }
    if (parser.isSet(o.defaultSource)) {
        const std::optional<SourceChoice> choice = sourceChoiceFrom(parser.value(o.defaultSource));
        if (!choice)
            return invalid(QStringLiteral("--default-source needs one of %1, not '%2'")
                               .arg(kSourceNames, parser.value(o.defaultSource)));
        options.defaultSource = *choice;
    }
    options.account = parser.value(o.account);
    options.tokenFile = parser.value(o.tokenFile);
    // Each place, feed.conf first, then the command line, so that the command line wins; within a place
    // the address given last. --source-url belongs to the source named with it in its place, so that an
    // address written for one source is never used for another.
    const QStringList commandArguments = arguments.mid(1);
    for (const bool inConfig : {true, false}) {
        QCommandLineParser alone;
        alone.addOptions(o.all());
        alone.parse(QStringList{arguments.value(0)} + (inConfig ? configArguments : commandArguments));
        std::optional<SourceChoice> named;
        for (const QString &name : alone.optionNames()) {
            if (name == QLatin1StringView("source"))
                named = sourceChoiceFrom(alone.value(o.source));
            else if (name == QLatin1StringView("page"))
                named = SourceChoice{SourceChoice::Kind::SavedPage, alone.value(o.page)};
        }
        QHash<QString, int> seen; // how many of each option were read: values() holds them in order
        for (const QString &name : alone.optionNames()) {
            const QCommandLineOption *option = name == o.ecbUrl.names().constFirst()    ? &o.ecbUrl
                                               : name == o.oandaUrl.names().constFirst() ? &o.oandaUrl
                                               : name == o.sourceUrl.names().constFirst() ? &o.sourceUrl
                                                                                          : nullptr;
            if (!option)
                continue;
            const QString text = alone.values(*option).value(seen[name]++);
            const std::optional<QUrl> address = webAddressOf(text);
            const QString shownName = inConfig ? name : QStringLiteral("--") + name;
            if (!address)
                return invalid(QStringLiteral("%1 needs an http or https address, not '%2'").arg(shownName, text));
            if (option == &o.ecbUrl || (option == &o.sourceUrl && named && named->kind == SourceChoice::Kind::Ecb))
                options.ecbUrl = *address;
            else if (option == &o.oandaUrl || (option == &o.sourceUrl && named && named->kind == SourceChoice::Kind::Oanda))
                options.oandaUrl = *address;
            else
                return invalid(QStringLiteral("%1 is the address of the ecb or oanda source named with it%2; for an "
                                              "address on its own use ecb-url or oanda-url")
                                   .arg(inConfig ? QStringLiteral("source-url in feed.conf") : QStringLiteral("--source-url"),
                                        inConfig ? QStringLiteral(" in feed.conf") : QStringLiteral(" on the command line")));
        }
    }
    if (parser.isSet(o.delay)) {
        options.delayMs = parser.value(o.delay).toInt(&ok);
        if (!ok || options.delayMs < 0)
            return invalid(QStringLiteral("--delay needs a number of milliseconds, not '%1'").arg(parser.value(o.delay)));
    }
    if (parser.isSet(o.fault)) {
        const std::optional<FaultMode> mode = faultModeFromName(parser.value(o.fault));
        if (!mode)
            return invalid(QStringLiteral("--fault needs one of %1, not '%2'")
                               .arg(faultModeNames().join(QStringLiteral(", ")), parser.value(o.fault)));
        options.fault = *mode;
    }

    CommandLine line;
    line.action = CommandLine::Action::Serve;
    line.options = options;
    return line;
}

QString usageText()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Serves a foreign exchange quote page for Vantrel at\n"
        "http://127.0.0.1:8755/interesthq/market.dll?getexmarket_5l?branch=0755\n"
        "with the prices of one source. Options may also be set in\n"
        "~/.config/vantrel/feed.conf, one 'option = value' a line; the command line wins."));
    parser.addOptions(FeedOptionList().all());
    QString text = parser.helpText();
    // The parser names the program by the path it was started as, and knows nothing of check.
    text.replace(0, text.indexOf(QLatin1Char('\n')),
                 QStringLiteral("Usage: vantrel-feed [options]\n"
                                "       vantrel-feed check PAGE\n"));

    text += QStringLiteral(
        "\n"
        "Sources:\n"
        "  simulated       a market that moves like a real one (see --seed)\n"
        "  page:FILE       this saved page as it is\n"
        "  ecb             the European Central Bank's daily euro reference rates; bid and\n"
        "                  offer are both the reference rate\n"
        "  oanda           live bids and offers from OANDA v20 pricing; needs --account and\n"
        "                  --token-file, a file only you can read (chmod 600)\n"
        "  file:PATH       'PAIR BID OFFER' lines another program writes, read again whenever\n"
        "                  the file changes\n"
        "Pairs a source does not quote are crossed through USD (EUR for ecb). Until a source's\n"
        "first good answer, and once its prices are too old, the page is answered 503. Zero,\n"
        "negative, crossed and over-wide quotes are refused, and so is a jump of over 20 %\n"
        "until the source has given the new level for a minute or three answers in a row.\n"
        "Every change of what is served is one line on standard error.\n"
        "\n"
        "Fault modes:\n");
    for (const QString &mode : faultModeDescriptions())
        text += QStringLiteral("  ") + mode + QLatin1Char('\n');
    text += QStringLiteral(
        "\n"
        "check PAGE prints the rates Vantrel would read from a saved page, one PAIR<TAB>RATE line\n"
        "for each of the 35 pairs; exit status 0 when all were read, 1 otherwise.\n");
    return text;
}

} // namespace vantrel::feed
