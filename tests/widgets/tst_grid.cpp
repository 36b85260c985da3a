#include "platform/widgets/Grid.h"
#include "platform/widgets/Twips.h"

#include <QAbstractItemModelTester>
#include <QFontMetrics>
#include <QTest>

using namespace quarry::platform;

class GridTest : public QObject
{
    Q_OBJECT

private slots:
    void sizeAndCells()
    {
        Grid grid;
        GridModel* model = grid.grid();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model->setCols(2);
        model->setRows(3);
        model->setText(2, 1, QStringLiteral("x"));
        QCOMPARE(model->text(2, 1), QStringLiteral("x"));
        QCOMPARE(model->data(model->index(2, 1)).toString(), QStringLiteral("x"));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, model->setText(3, 0, QStringLiteral("y")));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, model->setText(0, 2, QStringLiteral("y")));
        QCOMPARE(model->text(9, 9), QString());
        // Shrinking then growing brings back empty cells, not old text.
        model->setRows(2);
        model->setRows(3);
        QCOMPARE(model->text(2, 1), QString());
        model->setText(0, 0, QStringLiteral("a"));
        model->clearCells();
        QCOMPARE(model->rows(), 3);
        QCOMPARE(model->text(0, 0), QString());
        grid.setColWidth(1, 1500);
        QCOMPARE(grid.columnWidth(1), TwipsToPixelsX(&grid, 1500));
    }

    void addRowAndCutToHeader_data()
    {
        QTest::addColumn<int>("fixedRows");
        QTest::addColumn<int>("added");
        QTest::newRow("one header row") << 1 << 3;
        QTest::newRow("no header row") << 0 << 2;
        QTest::newRow("nothing added") << 1 << 0;
    }

    void addRowAndCutToHeader()
    {
        QFETCH(int, fixedRows);
        QFETCH(int, added);
        GridModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setCols(3);
        model.setRows(fixedRows);
        model.setFixedRows(fixedRows);
        if (fixedRows)
            model.setText(0, 0, QStringLiteral("Name"));
        // Cells beyond the columns are dropped.
        for (int i = 0; i < added; ++i)
            model.addRow({QStringLiteral("r%1").arg(i), "c", "d", "dropped"});
        QCOMPARE(model.rows(), fixedRows + added);
        QCOMPARE(model.cols(), 3);
        if (added)
            QCOMPARE(model.text(model.rows() - 1, 0), QStringLiteral("r%1").arg(added - 1));
        model.cutToHeader();
        QCOMPARE(model.rows(), fixedRows);
        QCOMPARE(model.text(0, 0), fixedRows ? QStringLiteral("Name") : QString());
        model.addRow({QStringLiteral("short")});
        QCOMPARE(model.text(model.rows() - 1, 2), QString());
    }

    void fitColumnsToContentsPlusExtra_data()
    {
        QTest::addColumn<double>("extra");
        QTest::newRow("no extra") << 0.0;
        QTest::newRow("extra 400 twips") << 400.0;
    }

    void fitColumnsToContentsPlusExtra()
    {
        QFETCH(double, extra);
        Grid grid;
        GridModel* model = grid.grid();
        model->setCols(2);
        model->setRows(1);
        model->setFixedRows(1);
        model->setText(0, 0, QStringLiteral("Header"));
        // Far more rows than fit in view: every one of them counts.
        for (int i = 0; i < 200; ++i)
            model->addRow({QStringLiteral("x"), QStringLiteral("y")});
        const QString widest = QStringLiteral("a much, much wider cell text");
        model->addRow({widest, QStringLiteral("y")});
        grid.resize(200, 100);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.fitColumns(0, 1, extra);
        const int wanted = QFontMetrics(grid.font()).horizontalAdvance(widest) + TwipsToPixelsX(&grid, extra);
        QVERIFY(grid.columnWidth(0) >= wanted);
        QVERIFY(grid.columnWidth(0) <= wanted + 20);
        QVERIFY(grid.columnWidth(1) < grid.columnWidth(0));
        QCOMPARE(grid.colWidth(0), PixelsToTwipsX(&grid, grid.columnWidth(0)));
    }
};

QTEST_MAIN(GridTest)
#include "tst_grid.moc"
