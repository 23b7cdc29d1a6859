// SPDX-License-Identifier: GPL-3.0-or-later
#include "quotes/pair_catalogue.h"
#include "quotes/rate_table.h"
#include "toolkit/twips.h"
#include "views/cross_rates_view.h"
#include "views/major_rates_view.h"
#include "views/rate_grid_accessible.h"

#include <QAccessible>
#include <QFontMetrics>
#include <QImage>
#include <QTest>

#include <memory>

using namespace vantrel;

namespace {

const QColor kGreen(192, 255, 192);
const QColor kOrange(255, 224, 192);

RateTable tableWithEveryRate()
{
    RateTable rates;
    for (int i = 0; i < kPairCount; ++i)
        rates.store(i, pairCatalogue()[i].decimals == 4 ? QStringLiteral("1.%1").arg(1000 + i)
                                                        : QStringLiteral("1%1.25").arg(10 + i));
    return rates;
}

} // namespace

class TestRateViews : public QObject
{
    Q_OBJECT

private slots:
    void majorGridBeforeUpdate();
    void majorGridAfterUpdate();
    void crossGridStripesByBaseCurrency();
    void crossGridShowsTableText();
    void gridColours_data();
    void gridColours();
    void viewsScaleWithScreen();
    void gridTableForScreenReaders();
    void captionFitsTitleBar_data();
    void captionFitsTitleBar();
};

void TestRateViews::majorGridBeforeUpdate()
{
    Form2 view;
    RateGrid &grid = view.MSFlexGrid1();
    QCOMPARE(view.windowTitle(), "Major Rates");
    QCOMPARE(grid.rowCount(), 9);
    QCOMPARE(grid.columnCount(), 2);
    QCOMPARE(grid.cellText(0, 0), "Pair");
    QCOMPARE(grid.cellText(0, 1), "Rate");
    QCOMPARE(grid.cellBackground(0, 0), QColor(255, 255, 255));
    QVERIFY(grid.isFixedCell(3, 0));
    QVERIFY(!grid.isFixedCell(3, 1));
    for (int row = 1; row <= 8; ++row) {
        QCOMPARE(grid.cellText(row, 0), Form2::rowOrder()[row - 1]);
        QVERIFY(grid.cellText(row, 1).isEmpty());
        // Before the first update only the Pair cell of a striped row is green.
        QCOMPARE(grid.cellBackground(row, 0) == kGreen, row % 2 == 1);
        QVERIFY(grid.cellBackground(row, 1) != kGreen);
    }
    QCOMPARE(grid.cellText(6, 0), "USD/JPY");
}

// A screen reader gets the pair rows only, with "Pair" and "Rate" as column headings and the pair as the
// row heading of its rate.
void TestRateViews::gridTableForScreenReaders()
{
    Form2 view;
    view.showRates(tableWithEveryRate());
    RateGrid &grid = view.MSFlexGrid1();
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&grid);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Table);
    QAccessibleTableInterface *table = accessible->tableInterface();
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 8);
    QCOMPARE(table->columnCount(), 2);
    QAccessibleInterface *rate = table->cellAt(1, 1);
    QVERIFY(rate);
    QCOMPARE(rate->text(QAccessible::Name), grid.cellText(2, 1));
    QCOMPARE(table->cellAt(1, 0)->text(QAccessible::Name), "EUR/USD");
    QAccessibleTableCellInterface *cell = rate->tableCellInterface();
    QVERIFY(cell);
    QCOMPARE(cell->rowIndex(), 1);
    QCOMPARE(cell->columnIndex(), 1);
    QCOMPARE(cell->columnHeaderCells().size(), 1);
    QCOMPARE(cell->columnHeaderCells().first()->text(QAccessible::Name), "Rate");
    QCOMPARE(cell->columnHeaderCells().first()->role(), QAccessible::ColumnHeader);
    QCOMPARE(cell->rowHeaderCells().size(), 1);
    QCOMPARE(cell->rowHeaderCells().first()->text(QAccessible::Name), "EUR/USD");
    // A screen reader asking the table for a row's heading is answered from the row's first cell.
    QCOMPARE(table->cellAt(1, 0)->tableCellInterface()->rowHeaderCells().value(0), cell->rowHeaderCells().first());
    // The cell the keyboard reaches is found at the place Qt's focus event gives it.
    QCOMPARE(accessible->child(RateGridAccessible::childIndex(grid, 2, 1)), rate);
    QCOMPARE(accessible->indexOfChild(rate), RateGridAccessible::childIndex(grid, 2, 1));
}

void TestRateViews::majorGridAfterUpdate()
{
    Form2 view;
    view.showRates(tableWithEveryRate());
    RateGrid &grid = view.MSFlexGrid1();
    for (int row = 1; row <= 8; ++row) {
        QCOMPARE(grid.cellText(row, 1), *tableWithEveryRate().rateOf(grid.cellText(row, 0)));
        QCOMPARE(grid.cellBackground(row, 1) == kGreen, row % 2 == 1);
    }
    QCOMPARE(grid.cellText(6, 1), "116.25"); // USD/JPY: two decimals
}

void TestRateViews::crossGridStripesByBaseCurrency()
{
    // The grid's rows in order, each striped by its base currency: green for AUD, CHF and GBP.
    const QList<QPair<QString, QColor>> rows{
        {"AUD/CAD", kGreen}, {"AUD/CHF", kGreen}, {"AUD/HKD", kGreen}, {"AUD/JPY", kGreen},
        {"AUD/SGD", kGreen}, {"CAD/HKD", kOrange}, {"CAD/JPY", kOrange}, {"CAD/SGD", kOrange},
        {"CHF/CAD", kGreen}, {"CHF/HKD", kGreen}, {"CHF/JPY", kGreen}, {"CHF/SGD", kGreen},
        {"EUR/AUD", kOrange}, {"EUR/CAD", kOrange}, {"EUR/CHF", kOrange}, {"EUR/HKD", kOrange},
        {"EUR/JPY", kOrange}, {"EUR/SGD", kOrange}, {"GBP/AUD", kGreen}, {"GBP/CAD", kGreen},
        {"GBP/CHF", kGreen}, {"GBP/EUR", kGreen}, {"GBP/HKD", kGreen}, {"GBP/JPY", kGreen},
        {"GBP/SGD", kGreen}, {"SGD/HKD", kOrange}, {"SGD/JPY", kOrange}};

    Form3 view;
    RateGrid &grid = view.MSFlexGrid1();
    QCOMPARE(grid.rowCount(), int(rows.size()) + 1);
    for (int row = 1; row <= int(rows.size()); ++row) {
        const auto &[pair, colour] = rows.at(row - 1);
        QCOMPARE(grid.cellText(row, 0), pair);
        // Right after set-up both cells already have the group colour, and the rate is empty.
        QCOMPARE(grid.cellBackground(row, 0), colour);
        QCOMPARE(grid.cellBackground(row, 1), colour);
        QVERIFY(grid.cellText(row, 1).isEmpty());
    }

    view.showRates(tableWithEveryRate());
    for (int row = 1; row <= int(rows.size()); ++row) {
        const auto &[pair, colour] = rows.at(row - 1);
        QCOMPARE(grid.cellBackground(row, 1), colour);
        QCOMPARE(grid.cellText(row, 1), *tableWithEveryRate().rateOf(pair));
    }
}

void TestRateViews::crossGridShowsTableText()
{
    Form3 view;
    RateGrid &grid = view.MSFlexGrid1();
    QCOMPARE(view.windowTitle(), "Cross Rates");
    QCOMPARE(grid.cellText(0, 0), "Pair");
    QCOMPARE(grid.cellBackground(0, 1), QApplication::palette().color(QPalette::Base));

    // The view shows exactly what the table holds: EUR/JPY is never worked out from other rates.
    RateTable rates;
    rates.store(*findPair(QStringLiteral("EUR/USD")), QStringLiteral("1.1000"));
    rates.store(*findPair(QStringLiteral("USD/JPY")), QStringLiteral("150.00"));
    rates.store(*findPair(QStringLiteral("EUR/JPY")), QStringLiteral("99.99"));
    view.showRates(rates);
    QCOMPARE(grid.cellText(17, 0), "EUR/JPY");
    QCOMPARE(grid.cellText(17, 1), "99.99");
    QCOMPARE(grid.cellText(16, 1), QString()); // EUR/HKD never filled
}

void TestRateViews::gridColours_data()
{
    QTest::addColumn<bool>("crosses");

    QTest::newRow("Major Rates") << false;
    QTest::newRow("Cross Rates") << true;
}

void TestRateViews::gridColours()
{
    QFETCH(bool, crosses);

    std::unique_ptr<RateView> view;
    if (crosses)
        view = std::make_unique<Form3>();
    else
        view = std::make_unique<Form2>();
    view->showRates(tableWithEveryRate());
    RateGrid &grid = view->MSFlexGrid1();

    // Blue text in every cell, the header cells included.
    for (int row = 0; row < grid.rowCount(); ++row) {
        for (int column = 0; column < 2; ++column)
            QCOMPARE(grid.item(row, column)->foreground().color(), QColor(0, 0, 255));
    }

    // As drawn: silver lines between the cells, grey beyond the last cell.
    grid.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid.resize(grid.cellsSize() + QSize(40, 40) + QSize(2, 2) * grid.frameWidth());
    const QImage drawn = grid.viewport()->grab().toImage();
    const int middleOfRow1 = grid.rowViewportPosition(1) + grid.rowHeight(1) / 2;
    const int middleOfColumn1 = grid.columnViewportPosition(1) + grid.columnWidth(1) / 2;
    QCOMPARE(drawn.pixelColor(grid.columnWidth(0) - 1, middleOfRow1), QColor(192, 192, 192));
    QCOMPARE(drawn.pixelColor(middleOfColumn1, grid.rowViewportPosition(1) + grid.rowHeight(1) - 1),
             QColor(192, 192, 192));
    const QSize cells = grid.cellsSize();
    QCOMPARE(drawn.pixelColor(cells.width() + 20, middleOfRow1), QColor(128, 128, 128));
    QCOMPARE(drawn.pixelColor(middleOfColumn1, cells.height() + 20), QColor(128, 128, 128));
    // A striped rate cell is drawn in its stripe, not in the grey of the outside.
    QCOMPARE(drawn.pixelColor(grid.columnViewportPosition(1) + grid.columnWidth(1) - 4,
                              grid.rowViewportPosition(1) + 2),
             kGreen);
}

void TestRateViews::viewsScaleWithScreen()
{
    QCOMPARE(twipsToPixels(900, 96), 60);
    QCOMPARE(twipsToPixels(1080, 96), 72);
    QCOMPARE(twipsToPixels(320, 192), 43);
    Form2 majors;
    QCOMPARE(majors.MSFlexGrid1().columnWidth(0), twipsToPixels(majors, 900));
    QCOMPARE(majors.MSFlexGrid1().rowHeight(1), twipsToPixels(majors, 320));
    // The whole major grid fits its window; the cross grid scrolls.
    QVERIFY(majors.height() >= majors.MSFlexGrid1().cellsSize().height());
    Form3 crosses;
    QVERIFY(crosses.height() < crosses.MSFlexGrid1().cellsSize().height());
}

void TestRateViews::captionFitsTitleBar_data()
{
    QTest::addColumn<bool>("crosses");
    QTest::newRow("Major Rates") << false;
    QTest::newRow("Cross Rates, with its scroll bar") << true;
}

void TestRateViews::captionFitsTitleBar()
{
    QFETCH(bool, crosses);
    const std::unique_ptr<RateView> view = crosses ? std::unique_ptr<RateView>(new Form3)
                                                   : std::unique_ptr<RateView>(new Form2);
    RateGrid &grid = view->MSFlexGrid1();

    // A title bar holds the bold caption centred between the window icon and three buttons, each a square
    // a line and a half high: the buttons' room on both sides (openbox shows "Major Rates" whole from 190
    // px, 77 for the text and 13 for a line).
    QFont titleFont = view->font();
    titleFont.setBold(true);
    const QFontMetrics title(titleFont);
    QVERIFY2(view->width() >= title.horizontalAdvance(view->windowTitle()) + 9 * title.height(),
             qPrintable(QStringLiteral("%1 px wide").arg(view->width())));
    // The columns keep their widths; the grid fills the window.
    QCOMPARE(grid.columnWidth(1), twipsToPixels(grid, 1080));
    QCOMPARE(grid.geometry(), view->rect());

    // Right of the last column the grid shows its grey outside area. (Grabbing lays the grid out.)
    view->showRates(tableWithEveryRate());
    const QImage painted = view->grab().toImage();
    const QRect viewport = grid.viewport()->geometry();
    const int x = viewport.left() + grid.cellsSize().width() + 2;
    const int y = viewport.top() + grid.rowHeight(0) + grid.rowHeight(1) / 2;
    QVERIFY(x < viewport.right());
    QCOMPARE(painted.pixelColor(x, y), QColor(128, 128, 128));
    // ...and the striped rate cell beside it its own colour.
    QCOMPARE(painted.pixelColor(viewport.left() + grid.cellsSize().width() - 4, y), QColor(192, 255, 192));
}

QTEST_MAIN(TestRateViews)
#include "tst_rate_views.moc"
