// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibility/combo_box_accessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

using namespace vantrel;

class TestComboBoxAccessible : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void nameComesFromTheLabel_data();
    void nameComesFromTheLabel();
    void textIsTheCurrentItem_data();
    void textIsTheCurrentItem();
    void pressOpensAndClosesTheList();
};

void TestComboBoxAccessible::initTestCase()
{
    installComboBoxAccessibility();
}

void TestComboBoxAccessible::nameComesFromTheLabel_data()
{
    QTest::addColumn<QString>("accessibleName");
    QTest::addColumn<QString>("labelText");
    QTest::addColumn<bool>("editable");
    QTest::addColumn<QString>("expectedName");

    QTest::newRow("accessible name") << "Interval" << "Interval" << false << "Interval";
    QTest::newRow("only a buddy label") << "" << "Sound" << false << "Sound";
    QTest::newRow("accessible name wins") << "Times" << "How often" << true << "Times";
}

void TestComboBoxAccessible::nameComesFromTheLabel()
{
    QFETCH(QString, accessibleName);
    QFETCH(QString, labelText);
    QFETCH(bool, editable);
    QFETCH(QString, expectedName);

    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *label = new QLabel(labelText);
    auto *combo = new QComboBox;
    combo->setEditable(editable);
    combo->addItems({QStringLiteral("One"), QStringLiteral("Two")});
    label->setBuddy(combo);
    combo->setAccessibleName(accessibleName);
    layout->addWidget(label);
    layout->addWidget(combo);

    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(combo);
    QVERIFY(dynamic_cast<ComboBoxAccessible *>(accessible));
    QCOMPARE(accessible->role(), QAccessible::ComboBox);
    QCOMPARE(accessible->text(QAccessible::Name), expectedName);
    QCOMPARE(accessible->text(QAccessible::Value), "One");
    QCOMPARE(accessible->childCount(), editable ? 2 : 1);
    QCOMPARE(accessible->indexOfChild(QAccessible::queryAccessibleInterface(combo->view())), 0);
    QCOMPARE(accessible->state().editable, editable);
    combo->setCurrentIndex(1);
    QCOMPARE(accessible->text(QAccessible::Name), expectedName);
    QCOMPARE(accessible->text(QAccessible::Value), "Two");
}

void TestComboBoxAccessible::textIsTheCurrentItem_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::addColumn<QString>("expected");

    QTest::newRow("whole") << 0 << 6 << "2.5min";
    QTest::newRow("to the end") << 0 << -1 << "2.5min";
    QTest::newRow("middle") << 1 << 3 << ".5";
    QTest::newRow("past the end") << 4 << 40 << "in";
    QTest::newRow("start past end") << 9 << 12 << "";
}

void TestComboBoxAccessible::textIsTheCurrentItem()
{
    QFETCH(int, start);
    QFETCH(int, end);
    QFETCH(QString, expected);

    QComboBox combo;
    combo.addItems({QStringLiteral("10s"), QStringLiteral("2.5min")});
    combo.setCurrentIndex(1);
    QAccessibleTextInterface *text = QAccessible::queryAccessibleInterface(&combo)->textInterface();
    QVERIFY(text);
    QCOMPARE(text->characterCount(), 6);
    QCOMPARE(text->text(start, end), expected);
    QCOMPARE(text->selectionCount(), 0);
}

void TestComboBoxAccessible::pressOpensAndClosesTheList()
{
    QComboBox combo;
    combo.addItems({QStringLiteral("Major"), QStringLiteral("Cross")});
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));
    QAccessibleActionInterface *actions = QAccessible::queryAccessibleInterface(&combo)->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::showMenuAction()));
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(combo.view()->isVisible());
    QVERIFY(QAccessible::queryAccessibleInterface(&combo)->state().expanded);
    actions->doAction(QAccessibleActionInterface::pressAction());
    QTRY_VERIFY(!combo.view()->isVisible());
}

QTEST_MAIN(TestComboBoxAccessible)
#include "tst_combo_box_accessible.moc"
