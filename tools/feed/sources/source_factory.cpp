// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/source_factory.h"

#include "sources/access_token.h"
#include "sources/ecb_source.h"
#include "sources/oanda_source.h"
#include "sources/rates_file_source.h"
#include "sources/saved_page_source.h"
#include "sources/simulated_source.h"

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
    const PollingSettings settings = withUrl(OandaSource::defaultSettings(), options.oandaUrl);
    if (!OandaSource::safeForToken(settings.url))
        return failed(QStringLiteral("the OANDA token goes over https only (plain http only to this machine), not to %1")
                          .arg(settings.url.toDisplayString()));
    if (const AccessToken token = readAccessToken(options.tokenFile); !token.error.isEmpty())
        return failed(token.error);
    return {std::make_unique<OandaSource>(settings, options.account, options.tokenFile, std::move(context)), QString()};
}

} // namespace

MadeSource makeQuoteSource(const FeedOptions &options, quint64 seed, SourceContext context)
{
    const SourceChoice choice = options.chosenSource();
    switch (choice.kind) {
    case SourceChoice::Kind::Simulated:
        return {std::make_unique<SimulatedSource>(seed, std::move(context)), QString()};
    case SourceChoice::Kind::SavedPage: {
        SavedPageSource::Loaded loaded = SavedPageSource::load(choice.path);
        if (!loaded.error.isEmpty())
            return failed(loaded.error);
        return {std::make_unique<SavedPageSource>(choice.path, std::move(loaded.page), std::move(context)), QString()};
    }
    case SourceChoice::Kind::Ecb:
        return {std::make_unique<EcbSource>(withUrl(EcbSource::defaultSettings(), options.ecbUrl), std::move(context)),
                QString()};
    case SourceChoice::Kind::Oanda:
        return makeOanda(options, std::move(context));
    case SourceChoice::Kind::RatesFile:
        return {std::make_unique<RatesFileSource>(choice.path, std::move(context)), QString()};
    }
    return failed(QStringLiteral("unknown source"));
}

} // namespace vantrel::feed
