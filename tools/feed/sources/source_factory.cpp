// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/source_factory.h"

#include "sources/ecb_source.h"
#include "sources/oanda_source.h"
#include "sources/rates_file_source.h"
#include "sources/saved_page_source.h"
#include "sources/simulated_source.h"

#include <QFile>

namespace vantrel::feed {
namespace {

MadeSource failed(const QString &error)
{
    return {nullptr, error};
}

PollingSettings withUrl(PollingSettings settings, const QUrl &url)
{
    if (!url.isEmpty())
        settings.url = url;
    return settings;
}

MadeSource makeOanda(const FeedOptions &options, SourceContext context)
{
    if (options.account.isEmpty())
        return failed(QStringLiteral("the oanda source needs the account: --account ID"));
    if (options.tokenFile.isEmpty())
        return failed(QStringLiteral("the oanda source needs the file of the access token: --token-file FILE"));
    QFile file(options.tokenFile);
    if (!file.open(QIODevice::ReadOnly))
        return failed(QStringLiteral("cannot read the token file %1: %2").arg(options.tokenFile, file.errorString()));
    const QByteArray token = file.readAll().trimmed();
    if (token.isEmpty() || token.contains('\n'))
        return failed(QStringLiteral("the token file %1 must hold the access token alone").arg(options.tokenFile));
    return {std::make_unique<OandaSource>(withUrl(OandaSource::defaultSettings(), options.sourceUrl),
                                          options.account, token, options.tokenFile, std::move(context)),
            QString()};
}

} // namespace

MadeSource makeQuoteSource(const FeedOptions &options, quint64 seed, SourceContext context)
{
    const SourceChoice choice = options.chosenSource();
    switch (choice.kind) {
    case SourceChoice::Kind::Simulated:
        return {std::make_unique<SimulatedSource>(seed, std::move(context)), QString()};
    case SourceChoice::Kind::SavedPage: {
        QFile file(choice.path);
        if (!file.open(QIODevice::ReadOnly))
            return failed(QStringLiteral("cannot read %1: %2").arg(choice.path, file.errorString()));
        return {std::make_unique<SavedPageSource>(file.readAll(), std::move(context)), QString()};
    }
    case SourceChoice::Kind::Ecb:
        return {std::make_unique<EcbSource>(withUrl(EcbSource::defaultSettings(), options.sourceUrl),
                                            std::move(context)),
                QString()};
    case SourceChoice::Kind::Oanda:
        return makeOanda(options, std::move(context));
    case SourceChoice::Kind::RatesFile:
        return {std::make_unique<RatesFileSource>(choice.path, std::move(context)), QString()};
    }
    return failed(QStringLiteral("unknown source"));
}

} // namespace vantrel::feed
