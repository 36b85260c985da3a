#include "platform/widgets/ImageList.h"
#include "platform/widgets/TreeModel.h"
#include "platform/widgets/TreeView.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QSignalSpy>
#include <QTest>

using namespace quarry::platform;
using Tester = QAbstractItemModelTester;

class TreeModelTest : public QObject
{
    Q_OBJECT

    // Two data sources with categories, as the browser builds them.
    static void fill(TreeModel& model)
    {
        const QModelIndex first = model.addNode({}, QStringLiteral("a1"), QStringLiteral("Sales"), 1);
        model.setBold(first, true);
        model.addNode(first, {}, QStringLiteral("Tables"), 2);
        model.addNode(first, {}, QStringLiteral("Views"), 3);
        const QModelIndex second = model.addNode({}, QStringLiteral("a12"), QStringLiteral("Stock"), 1);
        model.addNode(second, {}, QStringLiteral("Stored Procedures"), 4);
    }

private slots:
    void buildsTwoLevels()
    {
        TreeModel model;
        Tester tester(&model, Tester::FailureReportingMode::QtTest);
        fill(model);
        QCOMPARE(model.rowCount(), 2);
        const QModelIndex sales = model.index(0, 0);
        QCOMPARE(model.key(sales), QStringLiteral("a1"));
        QCOMPARE(model.rowCount(sales), 2);
        const QModelIndex views = model.index(1, 0, sales);
        QCOMPARE(model.text(views), QStringLiteral("Views"));
        QCOMPARE(model.key(views), QString());
        QCOMPARE(model.image(views), 3);
        QCOMPARE(model.parent(views), sales);
        QVERIFY(!model.parent(sales).isValid());
        QCOMPARE(model.findKey(QStringLiteral("a12")), model.index(1, 0));
        QVERIFY(!model.findKey(QStringLiteral("a2")).isValid());
        QVERIFY(!model.findKey(QString()).isValid());
        QCOMPARE(model.nodeCount(), 5);
    }

    void fullPath_data()
    {
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("child");
        QTest::addColumn<QString>("expected");
        QTest::newRow("root") << QString(" : ") << QString("a12") << -1 << "Stock";
        QTest::newRow("category") << QString(" : ") << QString("a12") << 0 << "Stock : Stored Procedures";
        QTest::newRow("default separator") << QString() << QString("a1") << 1 << "Sales\\Views";
    }

    void fullPath()
    {
        QFETCH(QString, separator);
        QFETCH(QString, key);
        QFETCH(int, child);
        QFETCH(QString, expected);
        TreeModel model;
        fill(model);
        if (!separator.isNull())
            model.setPathSeparator(separator);
        QModelIndex node = model.findKey(key);
        if (child >= 0)
            node = model.index(child, 0, node);
        QCOMPARE(model.fullPath(node), expected);
        QCOMPARE(model.data(node, TreeModel::FullPathRole).toString(), expected);
    }

    void keysAreUniqueUntilCleared()
    {
        TreeModel model;
        Tester tester(&model, Tester::FailureReportingMode::QtTest);
        fill(model);
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                                 model.addNode({}, QStringLiteral("a1"), QStringLiteral("Again"), 1));
        QCOMPARE(model.rowCount(), 2);
        // Categories carry no key, so any number of them may exist.
        model.addNode(model.index(0, 0), {}, QStringLiteral("Tables"), 2);
        QCOMPARE(model.rowCount(model.index(0, 0)), 3);

        model.clear();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.nodeCount(), 0);
        QVERIFY(!model.findKey(QStringLiteral("a1")).isValid());
        model.addNode({}, QStringLiteral("a1"), QStringLiteral("Sales"), 1);
        QCOMPARE(model.rowCount(), 1);
    }

    void imageAndBoldChangesAreSignalled()
    {
        TreeModel model;
        ImageList images(QSize(16, 16));
        for (int i = 0; i < 9; ++i)
            images.add(QIcon());
        model.setImageList(&images);
        Tester tester(&model, Tester::FailureReportingMode::QtTest);
        fill(model);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        const QModelIndex stock = model.findKey(QStringLiteral("a12"));
        model.setImage(stock, 9);
        QCOMPARE(model.data(stock, TreeModel::ImageRole).toInt(), 9);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().first().toModelIndex(), stock);
        QVERIFY(!model.bold(stock));
        QVERIFY(model.data(model.index(0, 0), Qt::FontRole).value<QFont>().bold());
        model.setBold(stock, true);
        QVERIFY(model.data(stock, Qt::FontRole).value<QFont>().bold());
        QCOMPARE(changed.size(), 2);
    }

    void nodeAtTwips()
    {
        TreeModel model;
        fill(model);
        TreeView view;
        view.setModel(&model);
        view.resize(300, 300);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QPoint centre = view.visualRect(model.index(1, 0)).center();
        const QPointF twips(centre.x() * 1440.0 / view.logicalDpiX(),
                            centre.y() * 1440.0 / view.logicalDpiY());
        QCOMPARE(view.nodeAt(twips), model.index(1, 0));
        QVERIFY(!view.nodeAt(QPointF(10, 100000)).isValid());
    }
};

QTEST_MAIN(TreeModelTest)
#include "tst_treemodel.moc"
