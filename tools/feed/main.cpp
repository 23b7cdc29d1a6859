// SPDX-License-Identifier: GPL-3.0-or-later
#include "feed_options.h"
#include "feed_responder.h"
#include "feed_server.h"
#include "market_simulation.h"
#include "page_check.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QTextStream>

using namespace vantrel::feed;

namespace {

std::optional<QByteArray> readFile(const QString &path, QTextStream &err)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "vantrel-feed: cannot read " << path << ": " << file.errorString() << Qt::endl;
        return std::nullopt;
    }
    return file.readAll();
}

int runCheck(const QString &path, QTextStream &out, QTextStream &err)
{
    const std::optional<QByteArray> page = readFile(path, err);
    if (!page)
        return 1;
    const PageCheck check = checkPage(*page);
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
    FeedResponder::PageSource pages;
    if (!options.pageFile.isEmpty()) {
        // A saved page is read once, so that editing it while serving changes nothing half-way.
        const std::optional<QByteArray> page = readFile(options.pageFile, err);
        if (!page)
            return 2;
        pages = [bytes = *page] { return bytes; };
    } else {
        pages = [market = MarketSimulation(seed)]() mutable {
            market.step();
            return market.renderPage();
        };
    }

    FeedServer server(FeedResponder(options.fault, std::move(pages), seed), options.delayMs);
    if (!server.listen(options.bindAddress, options.port)) {
        err << "vantrel-feed: cannot listen on " << options.bindAddress.toString() << " port " << options.port
            << ": " << server.errorString() << Qt::endl;
        return 1;
    }
    out << "vantrel-feed: serving " << server.pageUrl() << Qt::endl;
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    const CommandLine command = parseCommandLine(QCoreApplication::arguments());
    switch (command.action) {
    case CommandLine::Action::Help:
        out << usageText() << Qt::flush;
        return 0;
    case CommandLine::Action::Invalid:
        err << "vantrel-feed: " << command.error << "\n\n" << usageText() << Qt::flush;
        return 2;
    case CommandLine::Action::Check:
        return runCheck(command.checkPage, out, err);
    case CommandLine::Action::Serve:
        return runServer(command.options, out, err);
    }
    return 2;
}
