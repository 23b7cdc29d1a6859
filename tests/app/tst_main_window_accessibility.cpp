// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace vantrel;

namespace {

QComboBox *comboNamed(const Form1 &form, const QString &objectName)
{
    return form.findChild<QComboBox *>(objectName);
}

QString textOf(QAccessibleInterface *combo)
{
    QAccessibleTextInterface *text = combo->textInterface();
    return text ? text->text(0, text->characterCount()) : QStringLiteral("<no text interface>");
}

// A shown main window with the keyboard.
void giveKeyboardTo(QWidget &window)
{
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
}

} // namespace

// The main window as a screen reader sees it in process.
class TestMainWindowAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void combosAreNamedByTheirLabels_data();
    void combosAreNamedByTheirLabels();
    void typedRepeatCountIsTheValue();
    void listSelectsItsCurrentEntryOnFocus();
    void returnPressesTheFocusedButton_data();
    void returnPressesTheFocusedButton();
    void windowOpensOnItsFirstControl();
};

void TestMainWindowAccessibility::combosAreNamedByTheirLabels_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("atStartUp");
    QTest::addColumn<QString>("chosen");

    QTest::newRow("pair type") << "Combo1" << "Major or Cross" << "Major" << "Cross";
    QTest::newRow("interval") << "Combo2" << "Interval" << "2.5min" << "10s";
    QTest::newRow("reminder pair") << "Combo3" << "Select Pair" << "EUR/USD" << "GBP/JPY";
    QTest::newRow("alert sound") << "Combo4" << "Sound" << "Bell" << "frog";
    QTest::newRow("repeat count, takes typing") << "Combo5" << "Times" << "One" << "Four";
}

void TestMainWindowAccessibility::combosAreNamedByTheirLabels()
{
    QFETCH(QString, combo);
    QFETCH(QString, label);
    QFETCH(QString, atStartUp);
    QFETCH(QString, chosen);

    test::Form1Fixture fixture;
    QComboBox *control = comboNamed(*fixture.form, combo);
    QVERIFY(control);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::ComboBox);
    QCOMPARE(accessible->text(QAccessible::Name), label);
    QCOMPARE(accessible->text(QAccessible::Value), atStartUp);
    QCOMPARE(textOf(accessible), atStartUp);

    control->setCurrentIndex(control->findText(chosen));
    emit control->activated(control->currentIndex());
    QCOMPARE(accessible->text(QAccessible::Name), label);
    QCOMPARE(accessible->text(QAccessible::Value), chosen);
    QCOMPARE(textOf(accessible), chosen);
    // The drop-down list stays the first child, where a screen reader finds the items.
    QVERIFY(accessible->child(0));
    QCOMPARE(accessible->child(0)->object(), control->view());
}

void TestMainWindowAccessibility::typedRepeatCountIsTheValue()
{
    test::Form1Fixture fixture;
    QComboBox *times = fixture.form->Combo5;
    times->lineEdit()->clear();
    QTest::keyClicks(times->lineEdit(), QStringLiteral("Thr"));
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(times);
    QCOMPARE(accessible->text(QAccessible::Name), "Times");
    QCOMPARE(accessible->text(QAccessible::Value), times->lineEdit()->text());
    QVERIFY(accessible->text(QAccessible::Value).startsWith("Thr"));
    QCOMPARE(accessible->child(1)->object(), times->lineEdit());
}

// The entry a list says when it gets the focus (its current one) is the selected one, so that Remove acts
// on the entry the user heard.
void TestMainWindowAccessibility::listSelectsItsCurrentEntryOnFocus()
{
    test::Form1Fixture fixture;
    fixture.form->List3->addItems({"EUR/USD>1.3", "EUR/USD<1.2"});
    QCOMPARE(fixture.form->List3->selectedItems().size(), 0);
    giveKeyboardTo(*fixture.form);
    fixture.form->List3->setFocus();
    QCOMPARE(fixture.form->List3->selectedItems().size(), 1);
    QCOMPARE(fixture.form->List3->selectedItems().first()->text(), "EUR/USD>1.3");
    // Remove now acts on the entry heard.
    fixture.form->Command8->click();
    QCOMPARE(fixture.form->List3->count(), 1);
    QCOMPARE(fixture.form->List3->item(0)->text(), "EUR/USD<1.2");
    QVERIFY(fixture.messages.shown.isEmpty());
}

void TestMainWindowAccessibility::returnPressesTheFocusedButton_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::Key_Return);
    QTest::newRow("Enter") << int(Qt::Key_Enter);
}

void TestMainWindowAccessibility::returnPressesTheFocusedButton()
{
    QFETCH(int, key);
    test::Form1Fixture fixture;
    giveKeyboardTo(*fixture.form);
    fixture.form->List1->setCurrentRow(1);
    fixture.form->Command4->setFocus();
    QTest::keyClick(fixture.form->Command4, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    QCOMPARE(fixture.form->List2->count(), 1);
    QCOMPARE(fixture.form->List2->item(0)->text(), "EUR/USD");
}

void TestMainWindowAccessibility::windowOpensOnItsFirstControl()
{
    test::Form1Fixture fixture;
    giveKeyboardTo(*fixture.form);
    QCOMPARE(QApplication::focusWidget(), fixture.form->Combo1);
}

QTEST_MAIN(TestMainWindowAccessibility)
#include "tst_main_window_accessibility.moc"
