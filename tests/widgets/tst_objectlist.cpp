#include "platform/widgets/ObjectList.h"
#include "platform/widgets/Twips.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

using namespace quarry::platform;

namespace {

ListItem item(const QString& text, const QStringList& subItems = {})
{
    return {text, subItems, 1, 5};
}

QStringList texts(const ObjectListModel& model)
{
    QStringList result;
    for (int row = 0; row < model.count(); ++row)
        result << model.item(row).text;
    return result;
}

} // namespace

class ObjectListTest : public QObject
{
    Q_OBJECT

private slots:
    void viewsShareModelAndSelection();
    void viewModes_data();
    void viewModes();
    void unknownViewModeIsRefused();
    void keepsItemsSorted_data();
    void keepsItemsSorted();
    void selectionFollowsItemThroughResort();
    void subItemChangeResortsOnItsKey();
    void columnWidthsInTwips();
    void userResizeUpdatesTwips();
    void itemRectIsInsideTheList();
    void clickAndColumnSignals();
};

void ObjectListTest::viewsShareModelAndSelection()
{
    ObjectList list;
    QAbstractItemModelTester tester(list.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    list.addColumn(QStringLiteral("Name"), 1500);
    list.addColumn(QStringLiteral("Owner"), 1500);
    list.model()->setItems({item("b"), item("a"), item("c")});
    QCOMPARE(list.iconView()->model(), list.detailsView()->model());
    QCOMPARE(list.iconView()->selectionModel(), list.detailsView()->selectionModel());

    list.setView(ObjectList::Details);
    list.selectRow(2);
    QCOMPARE(list.selectedRow(), 2);
    for (int mode : {ObjectList::LargeIcons, ObjectList::SmallIcons, ObjectList::List}) {
        list.setView(mode);
        QCOMPARE(list.currentView(), static_cast<QAbstractItemView*>(list.iconView()));
        QCOMPARE(list.iconView()->selectionModel()->currentIndex().row(), 2);
        QCOMPARE(list.selectedRow(), 2);
    }
    list.selectRow(-1);
    QCOMPARE(list.selectedRow(), -1);
}

void ObjectListTest::viewModes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("details");
    QTest::addColumn<int>("viewMode");
    QTest::addColumn<int>("flow");
    QTest::addColumn<int>("iconSide");
    QTest::newRow("large icons") << 0 << false << int(QListView::IconMode) << int(QListView::LeftToRight)
                                 << 32;
    QTest::newRow("small icons") << 1 << false << int(QListView::ListMode) << int(QListView::LeftToRight)
                                 << 16;
    QTest::newRow("list") << 2 << false << int(QListView::ListMode) << int(QListView::TopToBottom) << 16;
    QTest::newRow("details") << 3 << true << -1 << -1 << -1;
}

void ObjectListTest::viewModes()
{
    QFETCH(int, mode);
    QFETCH(bool, details);
    QFETCH(int, viewMode);
    QFETCH(int, flow);
    QFETCH(int, iconSide);
    ObjectList list;
    list.setView(mode);
    QCOMPARE(list.view(), mode);
    if (details) {
        QCOMPARE(list.currentView(), static_cast<QAbstractItemView*>(list.detailsView()));
        return;
    }
    QCOMPARE(list.currentView(), static_cast<QAbstractItemView*>(list.iconView()));
    QCOMPARE(int(list.iconView()->viewMode()), viewMode);
    QCOMPARE(int(list.iconView()->flow()), flow);
    QCOMPARE(list.iconView()->iconSize(), QSize(iconSide, iconSide));
}

void ObjectListTest::unknownViewModeIsRefused()
{
    ObjectList list;
    list.setView(ObjectList::List);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.setView(4));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.setView(-1));
    QCOMPARE(list.view(), int(ObjectList::List));
}

void ObjectListTest::keepsItemsSorted_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("order");
    QTest::addColumn<QStringList>("expected");
    // Items: text, owner; "B" and "b" compare equal and keep their arrival order.
    QTest::newRow("text ascending, case-insensitive") << 0 << 0 << QStringList{"a", "B", "b", "c"};
    QTest::newRow("text descending") << 0 << 1 << QStringList{"c", "B", "b", "a"};
    QTest::newRow("owner ascending") << 1 << 0 << QStringList{"b", "c", "a", "B"};
    QTest::newRow("owner descending") << 1 << 1 << QStringList{"B", "a", "c", "b"};
    QTest::newRow("missing sub-item sorts as empty") << 2 << 0 << QStringList{"B", "c", "a", "b"};
}

void ObjectListTest::keepsItemsSorted()
{
    QFETCH(int, key);
    QFETCH(int, order);
    QFETCH(QStringList, expected);
    ObjectListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.addColumn(QStringLiteral("Name"), 1500);
    model.addColumn(QStringLiteral("Owner"), 1500);
    model.addColumn(QStringLiteral("Date"), 1500);
    model.setSortKey(key);
    model.setSortOrder(order);
    // One by one, each landing where the order puts it.
    model.addItem(item("B", {"z"}));
    model.addItem(item("c", {"m", ""}));
    model.addItem(item("b", {"k", "2"}));
    model.addItem(item("a", {"x", "1"}));
    QCOMPARE(texts(model), expected);

    // All at once gives the same order.
    std::vector<ListItem> items = {item("B", {"z"}), item("c", {"m", ""}), item("b", {"k", "2"}),
                                   item("a", {"x", "1"})};
    model.setItems(items);
    QCOMPARE(texts(model), expected);

    // Unsorted keeps arrival order.
    model.setSorted(false);
    model.setItems(items);
    QCOMPARE(texts(model), (QStringList{"B", "c", "b", "a"}));
}

void ObjectListTest::selectionFollowsItemThroughResort()
{
    ObjectList list;
    QAbstractItemModelTester tester(list.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    list.addColumn(QStringLiteral("Name"), 1500);
    list.model()->setItems({item("alpha"), item("beta"), item("gamma")});
    list.selectRow(0);
    list.model()->setSortOrder(1);
    QCOMPARE(texts(*list.model()), (QStringList{"gamma", "beta", "alpha"}));
    QCOMPARE(list.selectedRow(), 2);
    QCOMPARE(list.model()->item(list.selectedRow()).text, QStringLiteral("alpha"));
}

void ObjectListTest::subItemChangeResortsOnItsKey()
{
    ObjectListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.addColumn(QStringLiteral("Name"), 1500);
    model.addColumn(QStringLiteral("Owner"), 1500);
    model.setItems({item("a", {"2"}), item("b", {"3"})});
    model.setSortKey(1);
    QCOMPARE(texts(model), (QStringList{"a", "b"}));
    model.setSubItem(0, 1, QStringLiteral("9"));
    QCOMPARE(texts(model), (QStringList{"b", "a"}));
    QCOMPARE(model.subItem(1, 1), QStringLiteral("9"));
    QCOMPARE(model.data(model.index(1, 1)).toString(), QStringLiteral("9"));
    // Beyond the columns there is no sub-item to set.
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, model.setSubItem(0, 2, QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, model.setSubItem(5, 1, QStringLiteral("x")));
}

void ObjectListTest::columnWidthsInTwips()
{
    ObjectList list;
    list.addColumn(QStringLiteral("Name"), 1500);
    list.addColumn(QStringLiteral("Owner"), 1500);
    list.addColumn(QStringLiteral("Create Date"), 1500);
    list.addColumn(QString(), 0);
    QCOMPARE(list.columnCount(), 4);
    QCOMPARE(list.model()->columnCount(), 4);
    QCOMPARE(list.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Create Date"));
    QHeaderView* header = list.detailsView()->header();
    QCOMPARE(header->sectionSize(0), TwipsToPixelsX(&list, 1500));
    QVERIFY(header->isSectionHidden(3));
    QVERIFY(!header->isSectionHidden(2));

    // A width set in twips reads back exactly, whatever the pixels became.
    list.setColumnWidth(1, 400);
    QCOMPARE(list.columnWidth(1), 400.0);
    QCOMPARE(header->sectionSize(1), TwipsToPixelsX(&list, 400));
    list.setColumnWidth(3, 0);
    QVERIFY(header->isSectionHidden(3));
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.setColumnWidth(4, 100));
}

void ObjectListTest::userResizeUpdatesTwips()
{
    ObjectList list;
    list.addColumn(QStringLiteral("Name"), 1500);
    list.detailsView()->header()->resizeSection(0, 200);
    QCOMPARE(list.columnWidth(0), PixelsToTwipsX(&list, 200));
}

void ObjectListTest::itemRectIsInsideTheList()
{
    ObjectList list;
    list.resize(400, 300);
    list.addColumn(QStringLiteral("Name"), 1500);
    list.model()->setItems({item("first"), item("second")});
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    for (int mode : {0, 1, 2, 3}) {
        list.setView(mode);
        const QRectF first = list.itemRect(0);
        const QRectF second = list.itemRect(1);
        QVERIFY2(first.isValid() && second.isValid(), qPrintable(QString::number(mode)));
        QVERIFY(first.left() >= 0 && first.top() >= 0);
        QVERIFY(first.right() <= PixelsToTwipsX(&list, list.width()));
        QVERIFY(first != second);
    }
    QVERIFY(!list.itemRect(5).isValid());
}

void ObjectListTest::clickAndColumnSignals()
{
    ObjectList list;
    list.resize(400, 300);
    list.addColumn(QStringLiteral("Name"), 1500);
    list.addColumn(QStringLiteral("Owner"), 1500);
    list.model()->setItems({item("first"), item("second")});
    list.setView(ObjectList::Details);
    list.show();
    QVERIFY(QTest::qWaitForWindowExposed(&list));
    QSignalSpy clicks(&list, &ObjectList::itemClick);
    QSignalSpy downs(&list, &ObjectList::mouseDown);
    QSignalSpy columns(&list, &ObjectList::columnClick);

    QTreeView* view = list.detailsView();
    const QPoint centre = view->visualRect(list.model()->index(1, 0)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
    QCOMPARE(clicks.size(), 1);
    QCOMPARE(clicks.first().first().toInt(), 1);
    QCOMPARE(list.selectedRow(), 1);
    QCOMPARE(downs.size(), 1);
    // Reported in twips of the list, not of the view's viewport.
    const QPoint inList = view->viewport()->mapTo(&list, centre);
    QCOMPARE(downs.first().at(2).toPointF().x(), PixelsToTwipsX(&list, inList.x()));

    QHeaderView* header = view->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    QCOMPARE(columns.size(), 1);
    QCOMPARE(columns.first().first().toInt(), 1);
}

QTEST_MAIN(ObjectListTest)
#include "tst_objectlist.moc"
