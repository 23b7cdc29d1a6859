// SPDX-License-Identifier: GPL-3.0-or-later
#include "quotes/refresh_quotes.h"
#include "support/fake_http_fetch.h"
#include "support/test_page.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

using namespace vantrel;
using vantrel::test::FakeHttpFetch;
using vantrel::test::TestPage;
using Outcome = QuoteRefresher::Outcome;

Q_DECLARE_METATYPE(vantrel::FetchResult)

namespace {

const QUrl kQuoteUrl(QStringLiteral("http://localhost/interesthq/market.dll?getexmarket_5l?branch=0755"));

QByteArray fileContent(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

class TestRefreshQuotes : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void goodPageFillsTable();
    void secondRefreshWaitsForFirst();
    void failedFetchChangesNothing_data();
    void failedFetchChangesNothing();
    void unreadablePageIsSavedButNotRead_data();
    void unreadablePageIsSavedButNotRead();
    void crAndCrLfPagesReadAlike();
    void refreshAfterFailedParseIsNormal();
    void partialParseKeepsLaterPairs();
    void unwritableCacheLeavesTable();
    void cacheThatCannotBeReplacedIsReadAsItIs();
    void failedWriteLeavesTable();
    void firstPageIsSavedUnread();
    void cacheIsTheUsersOwnAndWrittenOnlyWhenNew();

private:
    // Runs one refresh answered with the given result and returns how it ended.
    Outcome refreshWith(const FetchResult &result);
    QString cachePath() const { return m_dir->filePath(QStringLiteral("cache/curquote.htm")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeHttpFetch> m_inet1;
    std::unique_ptr<RateTable> m_rates;
    std::unique_ptr<QuoteRefresher> m_refresher;
};

void TestRefreshQuotes::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_inet1 = std::make_unique<FakeHttpFetch>();
    m_rates = std::make_unique<RateTable>();
    m_refresher = std::make_unique<QuoteRefresher>(*m_inet1, QuoteCacheFile(cachePath()), *m_rates, kQuoteUrl);
}

void TestRefreshQuotes::cleanup()
{
    m_refresher.reset();
    m_rates.reset();
    m_inet1.reset();
    m_dir.reset();
}

Outcome TestRefreshQuotes::refreshWith(const FetchResult &result)
{
    QSignalSpy finished(m_refresher.get(), &QuoteRefresher::refreshFinished);
    if (!m_refresher->RefreshQuotes())
        qFatal("a refresh was already in flight");
    m_inet1->answer(result);
    if (finished.size() != 1)
        qFatal("the refresh did not finish exactly once");
    return finished.first().first().value<Outcome>();
}

void TestRefreshQuotes::goodPageFillsTable()
{
    TestPage page;
    page.setPrices(QStringLiteral("AUD/USD"), QStringLiteral("0.7345"), QStringLiteral("0.7350"));
    page.setPrices(QStringLiteral("USD/JPY"), QStringLiteral("108.12"), QStringLiteral("108.17"));

    QCOMPARE(refreshWith({0, page.bytes(), {}}), Outcome::Updated);
    QCOMPARE(m_inet1->requests, QList<QUrl>{kQuoteUrl});
    QCOMPARE(m_inet1->timeouts, QList<int>{60});
    QCOMPARE(*m_rates->rateOf(QStringLiteral("AUD/USD")), "0.7348");
    QCOMPARE(*m_rates->rateOf(QStringLiteral("USD/JPY")), "108.15");
    QCOMPARE(*m_rates->rateOf(QStringLiteral("GBP/HKD")), "1.0000");
    QCOMPARE(fileContent(cachePath()), page.bytes());
}

void TestRefreshQuotes::secondRefreshWaitsForFirst()
{
    QVERIFY(m_refresher->RefreshQuotes());
    QVERIFY(m_refresher->isBusy());
    QVERIFY(!m_refresher->RefreshQuotes());
    QVERIFY(!m_refresher->downloadFirstPage());
    QCOMPARE(m_inet1->requests.size(), 1);

    m_inet1->answerPage(TestPage().bytes());
    QVERIFY(!m_refresher->isBusy());
    QVERIFY(m_refresher->RefreshQuotes());
}

void TestRefreshQuotes::failedFetchChangesNothing_data()
{
    QTest::addColumn<FetchResult>("result");

    QTest::newRow("time-out") << FetchResult{kFetchTimedOut, {}, {}};
    QTest::newRow("connection refused") << FetchResult{1, {}, QStringLiteral("refused")};
    QTest::newRow("oversized page") << FetchResult{kFetchTooLarge, {}, {}};
    QTest::newRow("empty page") << FetchResult{0, {}, {}};
}

void TestRefreshQuotes::failedFetchChangesNothing()
{
    QFETCH(FetchResult, result);

    const QByteArray oldPage = TestPage(QStringLiteral("2.0000")).bytes();
    QCOMPARE(refreshWith({0, oldPage, {}}), Outcome::Updated);

    const Outcome outcome = refreshWith(result);
    QCOMPARE(outcome, result.ok() ? Outcome::EmptyPage : Outcome::FetchFailed);
    // The fetch has released its request by the time it reports; nothing is cancelled after it.
    QCOMPARE(m_inet1->cancels, 0);
    QCOMPARE(fileContent(cachePath()), oldPage);
    QCOMPARE(*m_rates->rateOf(QStringLiteral("EUR/USD")), "2.0000");
}

void TestRefreshQuotes::unreadablePageIsSavedButNotRead_data()
{
    QTest::addColumn<QByteArray>("page");

    QTest::newRow("lone LF line ends") << TestPage(QStringLiteral("3.0000")).bytes(TestPage::LineEnd::Lf);
    TestPage shortPage(QStringLiteral("3.0000"));
    shortPage.setLineCount(105);
    QTest::newRow("105 lines") << shortPage.bytes();
    QTest::newRow("error page") << QByteArray("<html><body>500 Internal Server Error</body></html>\r\n");
}

void TestRefreshQuotes::unreadablePageIsSavedButNotRead()
{
    QFETCH(QByteArray, page);

    QCOMPARE(refreshWith({0, TestPage(QStringLiteral("2.0000")).bytes(), {}}), Outcome::Updated);
    QCOMPARE(refreshWith({0, page, {}}), Outcome::QuoteLineMissing);
    QCOMPARE(fileContent(cachePath()), page);
    for (int i = 0; i < kPairCount; ++i)
        QVERIFY(m_rates->rate(i).startsWith('2'));
}

void TestRefreshQuotes::crAndCrLfPagesReadAlike()
{
    TestPage page;
    page.setPrices(QStringLiteral("EUR/USD"), QStringLiteral("1.1000"), QStringLiteral("1.1003"));
    page.setPrices(QStringLiteral("SGD/JPY"), QStringLiteral("99.10"), QStringLiteral("99.13"));

    QCOMPARE(refreshWith({0, page.bytes(TestPage::LineEnd::Cr), {}}), Outcome::Updated);
    RateTable fromCr = *m_rates;
    *m_rates = RateTable();
    QCOMPARE(refreshWith({0, page.bytes(TestPage::LineEnd::CrLf), {}}), Outcome::Updated);
    for (int i = 0; i < kPairCount; ++i)
        QCOMPARE(m_rates->rate(i), fromCr.rate(i));
    QCOMPARE(*m_rates->rateOf(QStringLiteral("SGD/JPY")), "99.12");
}

void TestRefreshQuotes::refreshAfterFailedParseIsNormal()
{
    TestPage bad;
    bad.setField(QStringLiteral("AUD/USD"), 0, QStringLiteral("n/a"));
    QCOMPARE(refreshWith({0, bad.bytes(), {}}), Outcome::FieldNotNumber);

    // The next page is saved and read at once: one bad page costs one refresh, not two.
    const QByteArray good = TestPage(QStringLiteral("4.0000")).bytes();
    QCOMPARE(refreshWith({0, good, {}}), Outcome::Updated);
    QCOMPARE(fileContent(cachePath()), good);
    QCOMPARE(*m_rates->rateOf(QStringLiteral("AUD/USD")), "4.0000");
}

void TestRefreshQuotes::partialParseKeepsLaterPairs()
{
    TestPage page(QStringLiteral("5.0000"));
    page.setField(QStringLiteral("AUD/CHF"), 1, QStringLiteral("x.xxxx"));
    QCOMPARE(refreshWith({0, page.bytes(), {}}), Outcome::FieldNotNumber);

    QCOMPARE(*m_rates->rateOf(QStringLiteral("AUD/USD")), "5.0000");
    QCOMPARE(*m_rates->rateOf(QStringLiteral("AUD/CAD")), "5.0000");
    QCOMPARE(*m_rates->rateOf(QStringLiteral("AUD/CHF")), QString());
    QCOMPARE(*m_rates->rateOf(QStringLiteral("SGD/JPY")), QString());
}

void TestRefreshQuotes::unwritableCacheLeavesTable()
{
    // A directory where the file should be: it can be neither replaced nor read.
    QVERIFY(QDir().mkpath(cachePath()));
    QCOMPARE(refreshWith({0, TestPage().bytes(), {}}), Outcome::UnreadableCache);
    QVERIFY(m_rates->rate(0).isEmpty());
}

void TestRefreshQuotes::cacheThatCannotBeReplacedIsReadAsItIs()
{
    // The old page in a directory nobody may write to: it can be read, but not replaced.
    const QString directory = m_dir->filePath(QStringLiteral("readonly"));
    const QString path = directory + QStringLiteral("/curquote.htm");
    const QByteArray oldPage = TestPage(QStringLiteral("6.0000")).bytes();
    QVERIFY(QDir().mkpath(directory));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        QCOMPARE(old.write(oldPage), oldPage.size());
    }
    const QFile::Permissions readAndSearch = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup
                                           | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(m_dir->path(), readAndSearch | QFile::WriteOwner));
    QVERIFY(QFile::setPermissions(directory, readAndSearch));
    // Permissions do not hold back root; a plain user's identity on the file system makes them count.
    const bool asRoot = geteuid() == 0;
    if (asRoot) {
        setfsgid(65534);
        setfsuid(65534);
    }

    RateTable rates;
    QuoteRefresher refresher(*m_inet1, QuoteCacheFile(path), rates, kQuoteUrl);
    QSignalSpy finished(&refresher, &QuoteRefresher::refreshFinished);
    const bool started = refresher.RefreshQuotes();
    m_inet1->answerPage(TestPage(QStringLiteral("7.0000")).bytes());

    if (asRoot) {
        setfsuid(0);
        setfsgid(0);
    }
    QFile::setPermissions(directory, readAndSearch | QFile::WriteOwner);

    // The page on disk, not the one just fetched, is what the refresh reads.
    QVERIFY(started);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().value<Outcome>(), Outcome::Updated);
    QCOMPARE(fileContent(path), oldPage);
    QCOMPARE(*rates.rateOf(QStringLiteral("EUR/USD")), "6.0000");
    QCOMPARE(*rates.rateOf(QStringLiteral("SGD/JPY")), "6.00");
}

void TestRefreshQuotes::failedWriteLeavesTable()
{
    const QByteArray oldPage = TestPage(QStringLiteral("2.0000")).bytes();
    QCOMPARE(refreshWith({0, oldPage, {}}), Outcome::Updated);

    // A file size limit far below a page: the cache opens, and the write into it fails half way.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tight = saved;
    tight.rlim_cur = 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &tight), 0);
    const Outcome outcome = refreshWith({0, TestPage(QStringLiteral("8.0000")).bytes(), {}});
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QCOMPARE(outcome, Outcome::SaveFailed);
    for (int i = 0; i < kPairCount; ++i)
        QVERIFY2(m_rates->rate(i).startsWith('2'), qPrintable(m_rates->rate(i)));
    QCOMPARE(fileContent(cachePath()), oldPage);

    // Nothing is left over from the failed write: the next refresh is a normal one.
    const QByteArray newPage = TestPage(QStringLiteral("9.0000")).bytes();
    QCOMPARE(refreshWith({0, newPage, {}}), Outcome::Updated);
    QCOMPARE(fileContent(cachePath()), newPage);
    QCOMPARE(*m_rates->rateOf(QStringLiteral("AUD/USD")), "9.0000");
}

void TestRefreshQuotes::firstPageIsSavedUnread()
{
    QSignalSpy refreshed(m_refresher.get(), &QuoteRefresher::refreshFinished);

    QVERIFY(m_refresher->downloadFirstPage());
    m_inet1->answer({1, {}, QStringLiteral("refused")});
    QVERIFY(!QFile::exists(cachePath()));

    QVERIFY(m_refresher->downloadFirstPage());
    m_inet1->answerPage(QByteArray());
    QVERIFY(QFile::exists(cachePath()));
    QCOMPARE(fileContent(cachePath()), QByteArray());

    QVERIFY(m_refresher->downloadFirstPage());
    m_inet1->answerPage(TestPage().bytes());
    QCOMPARE(fileContent(cachePath()), TestPage().bytes());
    QVERIFY(m_rates->rate(0).isEmpty());
    QCOMPARE(refreshed.size(), 0);
}

// Whatever the umask, nobody else reads what a trader hears; an unchanged page is not written again.
void TestRefreshQuotes::cacheIsTheUsersOwnAndWrittenOnlyWhenNew()
{
    const mode_t umaskBefore = ::umask(0);
    TestPage page;
    QCOMPARE(refreshWith({0, page.bytes(), {}}), Outcome::Updated);
    ::umask(umaskBefore);
    namespace fs = std::filesystem;
    const fs::path file = cachePath().toStdString();
    QCOMPARE(fs::status(file.parent_path()).permissions(), fs::perms::owner_all);
    QCOMPARE(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);

    // A rewrite replaces the file: a link to the one written keeps naming it only while it is not.
    const fs::path written = file.parent_path() / "written";
    fs::create_hard_link(file, written);
    QCOMPARE(refreshWith({0, page.bytes(), {}}), Outcome::Updated);
    QVERIFY(fs::equivalent(file, written));
    page.setPrices(QStringLiteral("AUD/USD"), QStringLiteral("0.7345"), QStringLiteral("0.7350"));
    QCOMPARE(refreshWith({0, page.bytes(), {}}), Outcome::Updated);
    QVERIFY(!fs::equivalent(file, written));
    QCOMPARE(fileContent(cachePath()), page.bytes());
}

QTEST_GUILESS_MAIN(TestRefreshQuotes)
#include "tst_refresh_quotes.moc"
