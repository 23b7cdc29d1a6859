// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1_fixture.h"

#include "quotes/pair_catalogue.h"

#include <QTest>

namespace vantrel::test {

Form1Fixture::Form1Fixture()
{
    form = std::make_unique<Form1>(Form1Services{
        inet1, messages, clock, [this](QObject *parent) { return new RecordingPlayer(players, parent); },
        dir.filePath(QStringLiteral("curquote.htm")), dir.path()});
    form->load();
    form->show();
    inet1.answerPage(QByteArray()); // the start-up's download
}

Form1Fixture::~Form1Fixture()
{
    form.reset();
    QTest::qWait(0);
}

QStringList Form1Fixture::playToEnd(int maxClips)
{
    return players.playToEnd(maxClips);
}

void Form1Fixture::tickWithPage(const QByteArray &page)
{
    emit form->Timer2.tick();
    inet1.answerPage(page);
}

void Form1Fixture::setRate(const QString &pair, const QString &rate)
{
    form->rates.store(*findPair(pair), rate);
}

} // namespace vantrel::test
