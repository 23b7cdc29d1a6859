// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1_fixture.h"
#include "support/widget_items.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace vantrel;
using vantrel::test::Form1Fixture;
using vantrel::test::chooseAsUser;
using vantrel::test::itemsOf;

// The lists in which the user picks the pairs to be read: "Major or Cross", the available pairs, Add and
// Remove, "Pairs to be listened".
class TestPairLists : public QObject
{
    Q_OBJECT

private slots:
    void pairTypeRefillsAvailableList();
    void refilledListShowsItsFirstPair_data();
    void refilledListShowsItsFirstPair();
    void addAndRemovePairs();
};

void TestPairLists::pairTypeRefillsAvailableList()
{
    Form1Fixture f;
    Form1 &form = *f.form;
    form.List2->addItem(QStringLiteral("EUR/USD"));
    chooseAsUser(form.Combo1, QStringLiteral("Cross"));
    QCOMPARE(form.List1->count(), 27);
    QCOMPARE(form.List1->item(0)->text(), "AUD/CAD");
    QCOMPARE(form.List1->item(26)->text(), "SGD/JPY");
    QCOMPARE(itemsOf(form.List2), QStringList{"EUR/USD"});
    chooseAsUser(form.Combo1, QStringLiteral("Major"));
    QCOMPARE(form.List1->count(), 8);
}

void TestPairLists::refilledListShowsItsFirstPair_data()
{
    QTest::addColumn<QString>("scrolled"); // the type whose list is scrolled to its end
    QTest::addColumn<QString>("chosen");   // then chosen
    QTest::addColumn<QString>("first");

    QTest::newRow("crosses, then majors") << "Cross" << "Major" << "AUD/USD";
    QTest::newRow("majors, then crosses") << "Major" << "Cross" << "AUD/CAD";
    QTest::newRow("crosses again") << "Cross" << "Cross" << "AUD/CAD";
}

void TestPairLists::refilledListShowsItsFirstPair()
{
    QFETCH(QString, scrolled);
    QFETCH(QString, chosen);
    QFETCH(QString, first);

    Form1Fixture f;
    Form1 &form = *f.form;
    chooseAsUser(form.Combo1, scrolled);
    form.List1->scrollToBottom();
    QTest::qWait(0);
    QVERIFY(form.List1->verticalScrollBar()->value() > 0);

    chooseAsUser(form.Combo1, chosen);
    QTest::qWait(0);
    QCOMPARE(form.List1->verticalScrollBar()->value(), 0);
    const QModelIndex top = form.List1->indexAt(QPoint(1, 1));
    QVERIFY(top.isValid());
    QCOMPARE(top.data().toString(), first);
}

void TestPairLists::addAndRemovePairs()
{
    Form1Fixture f;
    Form1 &form = *f.form;
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    QCOMPARE(f.messages.shown, QStringList{"Seclect pairs to be listened please!"});
    QCOMPARE(form.List2->count(), 0);

    form.List1->setCurrentRow(1);
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    QTest::mouseClick(form.Command4, Qt::LeftButton);
    QCOMPARE(form.List2->count(), 2);
    QCOMPARE(form.List2->item(1)->text(), "EUR/USD");

    QTest::mouseClick(form.Command5, Qt::LeftButton);
    QCOMPARE(f.messages.shown.last(), "Seclect pairs to be removed please!");
    form.List2->setCurrentRow(0);
    QTest::mouseClick(form.Command5, Qt::LeftButton);
    QCOMPARE(form.List2->count(), 1);
    QTest::mouseClick(form.Command5, Qt::LeftButton); // nothing highlighted after a removal
    QCOMPARE(form.List2->count(), 1);
    QCOMPARE(f.messages.shown.size(), 3);
}

QTEST_MAIN(TestPairLists)
#include "tst_pair_lists.moc"
