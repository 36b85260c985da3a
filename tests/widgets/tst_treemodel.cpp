#include "platform/widgets/ImageList.h"
#include "platform/widgets/TreeModel.h"
#include "platform/widgets/TreeView.h"

#include <QAbstractItemModelTester>
#include <QFont>
#include <QSignalSpy>
#include <QTest>

using namespace quarry::platform;

class TreeModelTest : public QObject
{
    Q_OBJECT

private slots:
    void buildsTwoLevels();
    void fullPath_data();
    void fullPath();
    void duplicateKeyIsRefused();
    void imageAndBoldChangesAreSignalled();
    void clearEmptiesEverything();
    void nodeAtTwips();
};

namespace {

// Two data sources with categories, as the browser builds them.
void fill(TreeModel& model)
{
    const QModelIndex first = model.addNode({}, QStringLiteral("a1"), QStringLiteral("Sales"), 1);
    model.setBold(first, true);
    model.addNode(first, {}, QStringLiteral("Tables"), 2);
    model.addNode(first, {}, QStringLiteral("Views"), 3);
    const QModelIndex second = model.addNode({}, QStringLiteral("a12"), QStringLiteral("Stock"), 1);
    model.addNode(second, {}, QStringLiteral("Stored Procedures"), 4);
}

} // namespace

void TreeModelTest::buildsTwoLevels()
{
    TreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
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

void TreeModelTest::fullPath_data()
{
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("child");
    QTest::addColumn<QString>("expected");
    QTest::newRow("root") << " : "
                          << "a12" << -1 << "Stock";
    QTest::newRow("category") << " : "
                              << "a12" << 0 << "Stock : Stored Procedures";
    QTest::newRow("default separator") << QString() << "a1" << 1 << "Sales\\Views";
}

void TreeModelTest::fullPath()
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

void TreeModelTest::duplicateKeyIsRefused()
{
    TreeModel model;
    fill(model);
    QVERIFY_THROWS_EXCEPTION(std::invalid_argument,
                             model.addNode({}, QStringLiteral("a1"), QStringLiteral("Again"), 1));
    QCOMPARE(model.rowCount(), 2);
    // Categories carry no key, so any number of them may exist.
    model.addNode(model.index(0, 0), {}, QStringLiteral("Tables"), 2);
    QCOMPARE(model.rowCount(model.index(0, 0)), 3);
}

void TreeModelTest::imageAndBoldChangesAreSignalled()
{
    TreeModel model;
    ImageList images(QSize(16, 16));
    for (int i = 0; i < 9; ++i)
        images.add(QIcon());
    model.setImageList(&images);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(model);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    const QModelIndex stock = model.findKey(QStringLiteral("a12"));
    model.setImage(stock, 9);
    QCOMPARE(model.image(stock), 9);
    QCOMPARE(model.data(stock, TreeModel::ImageRole).toInt(), 9);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed.first().first().toModelIndex(), stock);
    QVERIFY(!model.bold(stock));
    QVERIFY(model.data(model.index(0, 0), Qt::FontRole).value<QFont>().bold());
    model.setBold(stock, true);
    QVERIFY(model.bold(stock));
    QCOMPARE(changed.size(), 2);
}

void TreeModelTest::clearEmptiesEverything()
{
    TreeModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    fill(model);
    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.nodeCount(), 0);
    QVERIFY(!model.findKey(QStringLiteral("a1")).isValid());
    // Keys are free again after a clear.
    model.addNode({}, QStringLiteral("a1"), QStringLiteral("Sales"), 1);
    QCOMPARE(model.rowCount(), 1);
}

void TreeModelTest::nodeAtTwips()
{
    TreeModel model;
    fill(model);
    TreeView view;
    view.setModel(&model);
    view.resize(300, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QRect rect = view.visualRect(model.index(1, 0));
    const QPointF twips(rect.center().x() * 1440.0 / view.logicalDpiX(),
                        rect.center().y() * 1440.0 / view.logicalDpiY());
    QCOMPARE(view.nodeAt(twips), model.index(1, 0));
    QVERIFY(!view.nodeAt(QPointF(10, 100000)).isValid());
}

QTEST_MAIN(TreeModelTest)
#include "tst_treemodel.moc"
