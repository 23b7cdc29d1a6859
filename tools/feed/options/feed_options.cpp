// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/feed_options.h"

#include <QCommandLineParser>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace vantrel::feed {
namespace {

const QString kSourceNames = QStringLiteral("simulated, page:FILE, ecb, oanda, truefx, kraken, file:PATH");

// Every option with its line of help, so that reading the command line and --help cannot disagree.
struct FeedOptionList {
    QCommandLineOption source{QStringLiteral("source"),
                              QStringLiteral("where the prices come from (see Sources); a list such as "
                                             "truefx,kraken in order of preference"),
                              QStringLiteral("SOURCE")};
    QCommandLineOption defaultSource{QStringLiteral("default-source"),
                                     QStringLiteral("the source when neither the command line nor feed.conf names "
                                                    "one (default simulated)"),
                                     QStringLiteral("SOURCE")};
    QCommandLineOption sourceUrl{QStringLiteral("source-url"),
                                 QStringLiteral("the address of the one network source that --source names in the "
                                                "same place, the command line or feed.conf"),
                                 QStringLiteral("URL")};
    QCommandLineOption ecbUrl{QStringLiteral("ecb-url"),
                              QStringLiteral("the ECB reference rates XML file instead of the ECB's own"),
                              QStringLiteral("URL")};
    QCommandLineOption oandaUrl{QStringLiteral("oanda-url"),
                                QStringLiteral("the OANDA server the /v3/... path follows, instead of the practice "
                                               "server; https, as the token goes with it"),
                                QStringLiteral("URL")};
    QCommandLineOption truefxUrl{QStringLiteral("truefx-url"),
                                 QStringLiteral("TrueFX's connect.html instead of its own"), QStringLiteral("URL")};
    QCommandLineOption krakenUrl{QStringLiteral("kraken-url"),
                                 QStringLiteral("the Kraken server the /0/public/Ticker path follows, instead of "
                                                "its own"),
                                 QStringLiteral("URL")};
    QCommandLineOption account{QStringLiteral("account"), QStringLiteral("the OANDA account"), QStringLiteral("ID")};
    QCommandLineOption tokenFile{QStringLiteral("token-file"), QStringLiteral("the file holding the OANDA access token"),
                                 QStringLiteral("FILE")};
    QCommandLineOption socket{QStringLiteral("socket"),
                              QStringLiteral("the Unix socket to listen on (default $XDG_RUNTIME_DIR/vantrel/feed.sock, "
                                             "where Vantrel asks)"),
                              QStringLiteral("PATH")};
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("listen on this TCP port instead, 0 for any free one (default 8755 with "
                                           "--bind)"),
                            QStringLiteral("N")};
    QCommandLineOption bind{QStringLiteral("bind"),
                            QStringLiteral("listen on this IP address instead (default 127.0.0.1 with --port)"),
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
    QCommandLineOption version{QStringLiteral("version"), QStringLiteral("show the version")};

    QList<QCommandLineOption> all() const
    {
        return {source, defaultSource, sourceUrl, ecbUrl, oandaUrl, truefxUrl, krakenUrl, account, tokenFile,
                socket, port,          bind,      seed,      page,   delay,    fault,     help,      version};
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
    static const std::pair<QLatin1StringView, Kind> named[]{
        {QLatin1StringView("simulated"), Kind::Simulated}, {QLatin1StringView("ecb"), Kind::Ecb},
        {QLatin1StringView("oanda"), Kind::Oanda},         {QLatin1StringView("truefx"), Kind::TrueFx},
        {QLatin1StringView("kraken"), Kind::Kraken}};
    for (const auto &[name, kind] : named) {
        if (text == name)
            return SourceChoice{kind, QString()};
    }
    for (const auto &[prefix, kind] : {std::pair{QLatin1StringView("page:"), Kind::SavedPage},
                                       std::pair{QLatin1StringView("file:"), Kind::RatesFile}}) {
        if (text.startsWith(prefix) && text.size() > prefix.size())
            return SourceChoice{kind, text.mid(prefix.size())};
    }
    return std::nullopt;
}

std::optional<SourceList> sourceListFrom(const QString &text, QString &why)
{
    // A list when every item is a source; otherwise one source, whose path may hold a comma.
    const QStringList items = text.split(QLatin1Char(','));
    const bool list = items.size() > 1 && std::all_of(items.begin(), items.end(), [](const QString &item) {
        return sourceChoiceFrom(item.trimmed()).has_value();
    });
    if (!list) {
        if (const std::optional<SourceChoice> one = sourceChoiceFrom(text))
            return SourceList{*one};
        why = QStringLiteral("needs one of %1, or a list of them, not '%2'").arg(kSourceNames, text);
        return std::nullopt;
    }
    SourceList sources;
    QStringList seen;
    for (const QString &item : items) {
        const QString name = item.trimmed();
        const std::optional<SourceChoice> choice = sourceChoiceFrom(name);
        // A made-up market or an old page served when a real source fails would pass for prices.
        if (choice->kind == SourceChoice::Kind::Simulated || choice->kind == SourceChoice::Kind::SavedPage) {
            why = QStringLiteral("takes %1 only alone, not in a list: '%2'").arg(name, text);
            return std::nullopt;
        }
        if (seen.contains(name)) {
            why = QStringLiteral("names %1 twice: '%2'").arg(name, text);
            return std::nullopt;
        }
        seen << name;
        sources << *choice;
    }
    return sources;
}

QStringList valueOptionNames()
{
    return {"socket",     "port",       "bind",       "seed",    "page",      "delay",      "fault",      "source",
            "default-source", "account", "token-file", "source-url", "ecb-url", "oanda-url", "truefx-url",
            "kraken-url"};
}

CommandLine parseCommandLine(const QStringList &arguments, const QStringList &configArguments)
{
    if (arguments.size() >= 2 && arguments[1] == QLatin1StringView("check"))
        return parseCheck(arguments);

    const FeedOptionList o;
    // parse() rather than process(): process() would exit with status 1 on its own.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(o.all());
    const QStringList all = arguments.mid(0, 1) + configArguments + arguments.mid(1);
    if (!parser.parse(all)) {
        // Named as it was typed, dashes and all, not as the parser names it.
        const QStringList unknown = parser.unknownOptionNames();
        for (const QString &argument : arguments.mid(1)) {
            const QString name = argument.section(QLatin1Char('='), 0, 0);
            if (!unknown.isEmpty() && name.startsWith(QLatin1Char('-')) && name.mid(name.startsWith(QStringLiteral("--")) ? 2 : 1) == unknown.first())
                return invalid(QStringLiteral("unknown option '%1'").arg(name));
        }
        return invalid(parser.errorText().remove(QRegularExpression(QStringLiteral("\\.$"))));
    }
    for (const auto &[option, action] : {std::pair{&o.help, CommandLine::Action::Help},
                                         std::pair{&o.version, CommandLine::Action::Version}}) {
        if (parser.isSet(*option)) {
            CommandLine line;
            line.action = action;
            return line;
        }
    }
    if (!parser.positionalArguments().isEmpty())
        return invalid(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));

    FeedOptions options;
    bool ok = true;
    options.tcp = parser.isSet(o.port) || parser.isSet(o.bind);
    if (parser.isSet(o.socket)) {
        if (options.tcp)
            return invalid(QStringLiteral("--socket and --port or --bind name two places to listen; give one"));
        options.socketPath = parser.value(o.socket);
        if (options.socketPath.isEmpty())
            return invalid(QStringLiteral("--socket needs a path"));
    }
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
    QString why;
    for (const QString &name : parser.optionNames()) {
        if (name == QLatin1StringView("page")) {
            if (parser.value(o.page).isEmpty())
                return invalid(QStringLiteral("--page needs a file name"));
            options.source = SourceList{SourceChoice{SourceChoice::Kind::SavedPage, parser.value(o.page)}};
        } else if (name == QLatin1StringView("source")) {
            options.source = sourceListFrom(parser.value(o.source), why);
            if (!options.source)
                return invalid(QStringLiteral("--source ") + why);
        }
    }
    if (parser.isSet(o.defaultSource)) {
        const std::optional<SourceList> list = sourceListFrom(parser.value(o.defaultSource), why);
        if (!list)
            return invalid(QStringLiteral("--default-source ") + why);
        options.defaultSource = *list;
    }
    options.account = parser.value(o.account);
    options.tokenFile = parser.value(o.tokenFile);
    // Each place, feed.conf first, then the command line, so that the command line wins; within a place
    // the address given last. --source-url belongs to the source named with it in its place, so that an
    // address written for one source is never used for another.
    const QStringList commandArguments = arguments.mid(1);
    for (const bool inConfig : {true, false}) {
        QCommandLineParser alone;
        alone.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        alone.addOptions(o.all());
        alone.parse(QStringList{arguments.value(0)} + (inConfig ? configArguments : commandArguments));
        std::optional<SourceChoice> named; // the one source named in this place, if it names one
        for (const QString &name : alone.optionNames()) {
            if (name == QLatin1StringView("source"))
                named = sourceChoiceFrom(alone.value(o.source));
            else if (name == QLatin1StringView("page"))
                named = SourceChoice{SourceChoice::Kind::SavedPage, alone.value(o.page)};
        }
        using Kind = SourceChoice::Kind;
        const std::pair<const QCommandLineOption *, QUrl *> addresses[]{
            {&o.ecbUrl, &options.ecbUrl}, {&o.oandaUrl, &options.oandaUrl},
            {&o.truefxUrl, &options.truefxUrl}, {&o.krakenUrl, &options.krakenUrl}};
        const std::pair<Kind, QUrl *> addressOfKind[]{{Kind::Ecb, &options.ecbUrl}, {Kind::Oanda, &options.oandaUrl},
                                                      {Kind::TrueFx, &options.truefxUrl},
                                                      {Kind::Kraken, &options.krakenUrl}};
        QHash<QString, int> seen; // how many of each option were read: values() holds them in order
        for (const QString &name : alone.optionNames()) {
            QUrl *target = nullptr;
            const QCommandLineOption *option = nullptr;
            for (const auto &[candidate, url] : addresses) {
                if (name == candidate->names().constFirst())
                    std::tie(option, target) = std::pair(candidate, url);
            }
            if (name == o.sourceUrl.names().constFirst()) {
                option = &o.sourceUrl;
                for (const auto &[kind, url] : addressOfKind) {
                    if (named && named->kind == kind)
                        target = url;
                }
            }
            if (!option)
                continue;
            const QString text = alone.values(*option).value(seen[name]++);
            const std::optional<QUrl> address = webAddressOf(text);
            const QString shownName = inConfig ? name : QStringLiteral("--") + name;
            if (!address)
                return invalid(QStringLiteral("%1 needs an http or https address, not '%2'").arg(shownName, text));
            if (!target)
                return invalid(QStringLiteral("%1 is the address of the one network source named with it%2; for an "
                                              "address on its own use ecb-url, oanda-url, truefx-url or kraken-url")
                                   .arg(inConfig ? QStringLiteral("source-url in feed.conf") : QStringLiteral("--source-url"),
                                        inConfig ? QStringLiteral(" in feed.conf") : QStringLiteral(" on the command line")));
            *target = *address;
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
        "http://localhost/interesthq/market.dll?getexmarket_5l?branch=0755\n"
        "with the prices of a source, on the Unix socket vantrel/feed.sock in your\n"
        "runtime folder, which only you can reach. Options may also be set in\n"
        "~/.config/vantrel/feed.conf, one 'option = value' a line; the command line\n"
        "wins."));
    parser.addOptions(FeedOptionList().all());
    QString text = parser.helpText();
    // The parser names the program by the path it was started as, and knows nothing of check.
    text.replace(0, text.indexOf(QLatin1Char('\n')),
                 QStringLiteral("Usage: vantrel-feed [options]\n"
                                "       vantrel-feed check PAGE\n"));

    text += QStringLiteral(
        "\n"
        "Sources:\n"
        "  simulated   a market that moves like a real one (see --seed)\n"
        "  page:FILE   this saved page as it is\n"
        "  truefx      TrueFX's live indicative prices, aggregated from banks, for your\n"
        "              own viewing only (its terms); no account, ten pairs\n"
        "  kraken      the best bids and offers of a crypto exchange's fiat books: a few\n"
        "              seconds behind the interbank market; no account\n"
        "  ecb         the European Central Bank's daily euro reference rates, one fix a\n"
        "              working day; bid and offer are both the reference rate\n"
        "  oanda       live bids and offers from OANDA v20 pricing; needs --account and\n"
        "              --token-file, a file only you can read (chmod 600)\n"
        "  file:PATH   'PAIR BID OFFER' lines another program writes, read again\n"
        "              whenever the file changes\n"
        "A list such as truefx,kraken is served in order of preference: the next\n"
        "source once the one served has failed for 10 s, the first again once it has\n"
        "answered well for 30 s. truefx and kraken quote neither HKD nor SGD: USD/HKD\n"
        "and USD/SGD come from the ECB's daily fix, crossed with the live dollar legs.\n"
        "Pairs a source does not quote are crossed through USD (EUR for ecb). A live\n"
        "price is current for 2 minutes of its own time; from Friday to Sunday 17:00\n"
        "New York, when the FX market is closed, the week's last prices are current\n"
        "until it opens. Until a source's first good answer, and once its prices are\n"
        "no longer current, the page is answered 503. Zero, negative, crossed and\n"
        "over-wide quotes are refused, and so is a jump of over 20 % until the source\n"
        "has given the new level for a minute or three answers in a row. Every change\n"
        "of what is served is one line on standard error.\n"
        "\n"
        "Fault modes:\n");
    // Within 79 columns, continued under the description.
    for (const QString &mode : faultModeDescriptions()) {
        QString line = QStringLiteral("  ") + mode;
        while (line.size() > 79) {
            const qsizetype cut = line.lastIndexOf(QLatin1Char(' '), 79);
            text += line.left(cut) + QLatin1Char('\n');
            line = QString(13, QLatin1Char(' ')) + line.mid(cut + 1);
        }
        text += line + QLatin1Char('\n');
    }
    text += QStringLiteral(
        "\n"
        "check PAGE prints the rates Vantrel would read from a saved page, one\n"
        "PAIR<TAB>RATE line for each of the 35 pairs; exit status 0 when all were read,\n"
        "1 otherwise.\n");
    return text;
}

QString tryHelpText()
{
    return QStringLiteral("Try 'vantrel-feed --help' for more information.");
}

} // namespace vantrel::feed
