// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/page_check.h"
#include "platform/quote_socket.h"
#include "options/feed_config_file.h"
#include "options/feed_options.h"
#include "server/feed_responder.h"
#include "server/feed_server.h"
#include "server/socket_activation.h"
#include "sources/bounded_file.h"
#include "sources/file_follower.h"
#include "sources/source_factory.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTextStream>
#include <QTimer>

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

// Serves `source`'s page, or, with no source, a 503 answer saying `broken` for every page request.
int serve(QuoteSource *source, const FeedOptions &options, quint64 seed, const QString &broken, QTextStream &out,
          QTextStream &err)
{
    const bool activated = startedBySystemd(); // asked before the socket is taken
    // Started by systemd, the source starts at the first request the feed answers, so that a client
    // it refuses (another user's, a page of another name) costs the source nothing.
    bool sourceStarted = false;
    const auto startSource = [source, &sourceStarted] {
        if (source && !sourceStarted) {
            sourceStarted = true;
            source->start();
        }
    };
    FeedResponder::PageSource pages = [source] { return source ? source->page() : QByteArray(); };
    FeedResponder::Unavailability unavailability = [source, broken, startSource]() -> std::optional<QByteArray> {
        startSource();
        if (!source)
            return (kUnavailablePrefix + broken).toUtf8();
        if (source->state() == QuoteSource::State::Fresh)
            return std::nullopt;
        return source->unavailableReason().toUtf8();
    };
    FeedServer server(FeedResponder(options.fault, std::move(pages), seed, std::move(unavailability)), options.delayMs);
    raiseDescriptorLimit();
    const QString unixPath = options.tcp ? QString() : options.socketPath.isEmpty() ? vantrel::quoteSocketPath()
                                                                                     : options.socketPath;
    QString listenError;
    if (!startServing(server, unixPath, options.bindAddress, options.port, listenError)) {
        err << "vantrel-feed: " << listenError << Qt::endl;
        return 1;
    }
    out << "vantrel-feed: serving " << server.pageUrl() << Qt::endl;

    // Started by systemd for a client, the feed is started again by the next one: a feed.conf that
    // changes takes effect then, with no restart to remember. The folder's other files (a token, an
    // editor's backup) change nothing.
    const auto configNow = [] {
        const FileContents contents = readBoundedFile(feedConfigPath(), 1024 * 1024);
        return std::pair(contents.error.isEmpty(), contents.bytes);
    };
    FileFollower config(feedConfigPath(), [&err, &configNow, read = configNow()] {
        if (configNow() == read)
            return;
        err << "vantrel-feed: " << feedConfigPath() << " changed; ending, to start again with it at the next request"
            << Qt::endl;
        QCoreApplication::quit();
    });
    if (activated)
        config.start();
    // What keeps a setup from serving may be mended outside feed.conf too (tzdata installed, a token file
    // made private): tried again a minute on, at the request after.
    if (activated && !source)
        QTimer::singleShot(std::chrono::minutes(1), QCoreApplication::instance(), &QCoreApplication::quit);
    if (!activated)
        startSource();
    return QCoreApplication::exec();
}

int runServer(const CommandLine &command, const QString &configError, QTextStream &out, QTextStream &err)
{
    const FeedOptions &options = command.options;
    const quint64 seed = options.seed.value_or(quint64(QDateTime::currentMSecsSinceEpoch()));
    // Run by hand, a setup that cannot serve is said and the feed ends. Started by systemd, it would only
    // be started again and again until systemd gave up on the socket: the feed stays, answering every
    // page request 503 with what is wrong, until feed.conf changes.
    const QString broken = !configError.isEmpty() ? configError : command.error;
    if (!broken.isEmpty()) {
        err << "vantrel-feed: " << broken << Qt::endl;
        return startedBySystemd() ? serve(nullptr, options, seed, broken, out, err) : 2;
    }
    SourceContext context;
    context.report = [&err](const QString &line) { err << "vantrel-feed: " << line << Qt::endl; };
    MadeSource made = makeQuoteSource(options, seed, std::move(context));
    if (!made.source) {
        err << "vantrel-feed: " << made.error << Qt::endl;
        return startedBySystemd() ? serve(nullptr, options, seed, made.error, out, err) : 2;
    }
    return serve(made.source.get(), options, seed, QString(), out, err);
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
    QString configError;
    if (command.action == CommandLine::Action::Serve) {
        const FeedConfig config = readFeedConfig(feedConfigPath());
        configError = config.error;
        if (configError.isEmpty())
            command = parseCommandLine(arguments, config.arguments);
        if (command.action == CommandLine::Action::Invalid && startedBySystemd())
            command.action = CommandLine::Action::Serve; // feed.conf and the command line disagree
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
        return runServer(command, configError, out, err);
    }
    return 2;
}
