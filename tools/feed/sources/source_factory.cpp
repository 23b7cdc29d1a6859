// SPDX-License-Identifier: GPL-3.0-or-later
#include "sources/source_factory.h"

#include "sources/access_token.h"
#include "sources/ecb_dollar_legs.h"
#include "sources/ecb_source.h"
#include "sources/failover_source.h"
#include "sources/fx_week.h"
#include "sources/kraken_source.h"
#include "sources/oanda_source.h"
#include "sources/rates_file_source.h"
#include "sources/saved_page_source.h"
#include "sources/simulated_source.h"
#include "sources/truefx_source.h"

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

// One source of the list; the live keyless ones share `dollarLegs`, made when the first needs it.
MadeSource makeOne(const SourceChoice &choice, const FeedOptions &options, quint64 seed, SourceContext context,
                   std::shared_ptr<EcbDollarLegs> &dollarLegs, const SourceContext &topContext)
{
    const auto sharedDollarLegs = [&] {
        if (!dollarLegs)
            dollarLegs = std::make_shared<EcbDollarLegs>(withUrl(EcbSource::defaultSettings(), options.ecbUrl), topContext);
        return dollarLegs;
    };
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
    case SourceChoice::Kind::TrueFx:
        return {std::make_unique<TrueFxSource>(withUrl(TrueFxSource::defaultSettings(), options.truefxUrl),
                                               sharedDollarLegs(), std::move(context)),
                QString()};
    case SourceChoice::Kind::Kraken:
        return {std::make_unique<KrakenSource>(withUrl(KrakenSource::defaultSettings(), options.krakenUrl),
                                               sharedDollarLegs(), std::move(context)),
                QString()};
    case SourceChoice::Kind::RatesFile:
        return {std::make_unique<RatesFileSource>(choice.path, std::move(context)), QString()};
    }
    return failed(QStringLiteral("unknown source"));
}

bool isLive(SourceChoice::Kind kind)
{
    return kind == SourceChoice::Kind::TrueFx || kind == SourceChoice::Kind::Kraken || kind == SourceChoice::Kind::Oanda;
}

} // namespace

MadeSource makeQuoteSource(const FeedOptions &options, quint64 seed, SourceContext context,
                           const FailoverSettings &failoverSettings)
{
    const SourceList list = options.chosenSources();
    for (const SourceChoice &choice : list) {
        if (isLive(choice.kind) && !newYorkTime().isValid())
            return failed(QStringLiteral("a live source keeps the FX week, which closes at 17:00 New York time, and this "
                                         "system has no time zone data for America/New_York (install tzdata)"));
    }
    std::shared_ptr<EcbDollarLegs> dollarLegs;
    if (list.size() == 1)
        return makeOne(list.first(), options, seed, context, dollarLegs, context);

    std::vector<FailoverSource::Maker> makers;
    for (const SourceChoice &choice : list) {
        // Called before make() returns, so the shared legs are still this function's.
        makers.push_back([&, choice](SourceContext memberContext, QString &error) {
            MadeSource made = makeOne(choice, options, seed, std::move(memberContext), dollarLegs, context);
            error = made.error;
            return std::move(made.source);
        });
    }
    QString error;
    std::unique_ptr<FailoverSource> failover = FailoverSource::make(makers, context, failoverSettings, error);
    return {std::move(failover), error};
}

} // namespace vantrel::feed
