// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibility/list_box.h"

#include <QListWidget>
#include <QTest>

using namespace vantrel;

class TestListBox : public QObject
{
    Q_OBJECT

private slots:
    void listIndexIsMinusOneWithoutHighlight();
    void removalLeavesNothingHighlighted();
};

void TestListBox::listIndexIsMinusOneWithoutHighlight()
{
    QListWidget list;
    list.addItems({QStringLiteral("EUR/USD"), QStringLiteral("USD/JPY")});
    QCOMPARE(listIndex(list), -1);
    // A current row without a highlight, as after keyboard focus alone, is still no selection.
    list.setCurrentRow(1, QItemSelectionModel::NoUpdate);
    QCOMPARE(listIndex(list), -1);
    list.setCurrentRow(1);
    QCOMPARE(listIndex(list), 1);
}

void TestListBox::removalLeavesNothingHighlighted()
{
    QListWidget list;
    list.addItems({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
    list.setCurrentRow(1);
    removeListItem(list, 1);
    QCOMPARE(list.count(), 3);
    QCOMPARE(list.item(1)->text(), "C");
    QCOMPARE(listIndex(list), -1);
}

QTEST_MAIN(TestListBox)
#include "tst_list_box.moc"
