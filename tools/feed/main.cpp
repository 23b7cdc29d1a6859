// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/page_check.h"
#include "options/feed_config_file.h"
#include "options/feed_options.h"
#include "server/feed_responder.h"
#include "server/feed_server.h"
#include "server/socket_activation.h"
#include "sources/bounded_file.h"
#include "sources/source_factory.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>

using namespace vantrel::feed;

namespace {

int runCheck(const QString &path, QTextStream &out, QTextStream &err)
{
    // No bigger than a page Vantrel takes.
    const FileContents page = readBoundedFile(path, 4 * 1024 * 1024);
    if (!page.error.isEmpty()) {
        err << "vantrel-feed: cannot read " << path << ": " << page.error << Qt::endl;
        return 1;
    }
    const PageCheck check = checkPage(page.bytes);
    for (const QString &line : check.lines)
        out << line << '\n';
    out.flush();
    if (!check.complete) {
        err << "vantrel-feed: not all 35 pairs could be read: " << check.reason << Qt::endl;
        return 1;
    }
    return 0;
}

int runServer(const FeedOptions &options, QTextStream &out, QTextStream &err)
{
    const quint64 seed = options.seed.value_or(quint64(QDateTime::currentMSecsSinceEpoch()));
    SourceContext context;
    context.report = [&err](const QString &line) { err << "vantrel-feed: " << line << Qt::endl; };
    MadeSource made = makeQuoteSource(options, seed, std::move(context));
    if (!made.source) {
        err << "vantrel-feed: " << made.error << Qt::endl;
        return 2;
    }
    QuoteSource *source = made.source.get();
    FeedResponder::PageSource pages = [source] { return source->page(); };
    FeedResponder::Unavailability unavailability = [source]() -> std::optional<QByteArray> {
        if (source->state() == QuoteSource::State::Fresh)
            return std::nullopt;
        return source->unavailableReason().toUtf8();
    };

    FeedServer server(FeedResponder(options.fault, std::move(pages), seed, std::move(unavailability)), options.delayMs);
    QString listenError;
    if (!startServing(server, options.bindAddress, options.port, listenError)) {
        err << "vantrel-feed: " << listenError << Qt::endl;
        return 1;
    }
    out << "vantrel-feed: serving " << server.pageUrl() << Qt::endl;
    source->start();
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const QStringList arguments = QCoreApplication::arguments();
    // The command line alone first: help, the version and check need no feed.conf, nor one that reads.
    CommandLine command = parseCommandLine(arguments);
    if (command.action == CommandLine::Action::Serve) {
        const FeedConfig config = readFeedConfig(feedConfigPath());
        if (!config.error.isEmpty()) {
            err << "vantrel-feed: " << config.error << Qt::endl;
            return 2;
        }
        command = parseCommandLine(arguments, config.arguments);
    }
    switch (command.action) {
    case CommandLine::Action::Help:
        out << usageText() << Qt::flush;
        return 0;
    case CommandLine::Action::Version:
        out << "vantrel-feed " << VANTREL_VERSION << Qt::endl;
        return 0;
    case CommandLine::Action::Invalid:
        err << "vantrel-feed: " << command.error << '\n' << tryHelpText() << Qt::endl;
        return 2;
    case CommandLine::Action::Check:
        return runCheck(command.checkPage, out, err);
    case CommandLine::Action::Serve:
        return runServer(command.options, out, err);
    }
    return 2;
}
