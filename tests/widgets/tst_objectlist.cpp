#include "platform/widgets/ObjectList.h"
#include "platform/widgets/Twips.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QListView>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

using namespace quarry::platform;
using Tester = QAbstractItemModelTester;

class ObjectListTest : public QObject
{
    Q_OBJECT

    static ListItem item(const QString& text, const QStringList& subItems = {})
    {
        return {text, subItems, 1, 5};
    }

    static QStringList texts(const ObjectListModel& model)
    {
        QStringList result;
        for (int row = 0; row < model.count(); ++row)
            result << model.item(row).text;
        return result;
    }

    // Columns of 1500 twips on a list or a bare model.
    template <typename T> static void columns(T& target, const QStringList& names)
    {
        for (const QString& name : names)
            target.addColumn(name, 1500);
    }

private slots:
    void viewModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("viewMode"); // -1: the details view
        QTest::addColumn<int>("flow");
        QTest::addColumn<int>("iconSide");
        QTest::newRow("large icons") << 0 << int(QListView::IconMode) << int(QListView::LeftToRight) << 32;
        QTest::newRow("small icons") << 1 << int(QListView::ListMode) << int(QListView::LeftToRight) << 16;
        QTest::newRow("list") << 2 << int(QListView::ListMode) << int(QListView::TopToBottom) << 16;
        QTest::newRow("details") << 3 << -1 << -1 << -1;
    }

    void viewModes()
    {
        QFETCH(int, mode);
        QFETCH(int, viewMode);
        QFETCH(int, flow);
        QFETCH(int, iconSide);
        ObjectList list;
        Tester tester(list.model(), Tester::FailureReportingMode::QtTest);
        columns(list, {"Name", "Owner"});
        list.model()->setItems({item("b"), item("a"), item("c")});
        // One model and one selection behind all views: a row chosen in one stays chosen in the next.
        QCOMPARE(list.iconView()->model(), list.detailsView()->model());
        QCOMPARE(list.iconView()->selectionModel(), list.detailsView()->selectionModel());
        list.setView(viewMode < 0 ? ObjectList::List : ObjectList::Details);
        list.selectRow(2);
        list.setView(mode);
        QCOMPARE(list.view(), mode);
        QCOMPARE(list.selectedRow(), 2);
        QCOMPARE(list.currentView()->selectionModel()->currentIndex().row(), 2);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.setView(4));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, list.setView(-1));
        QCOMPARE(list.view(), mode);
        list.selectRow(-1);
        QCOMPARE(list.selectedRow(), -1);
        if (viewMode < 0) {
            QCOMPARE(list.currentView(), static_cast<QAbstractItemView*>(list.detailsView()));
            return;
        }
        QCOMPARE(list.currentView(), static_cast<QAbstractItemView*>(list.iconView()));
        QCOMPARE(int(list.iconView()->viewMode()), viewMode);
        QCOMPARE(int(list.iconView()->flow()), flow);
        QCOMPARE(list.iconView()->iconSize(), QSize(iconSide, iconSide));
    }

    void keepsItemsSorted_data()
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

    void keepsItemsSorted()
    {
        QFETCH(int, key);
        QFETCH(int, order);
        QFETCH(QStringList, expected);
        ObjectListModel model;
        Tester tester(&model, Tester::FailureReportingMode::QtTest);
        columns(model, {"Name", "Owner", "Date"});
        model.setSortKey(key);
        model.setSortOrder(order);
        const std::vector<ListItem> items = {item("B", {"z"}), item("c", {"m", ""}), item("b", {"k", "2"}),
                                             item("a", {"x", "1"})};
        // One by one, each landing where the order puts it; then all at once.
        for (const ListItem& i : items)
            model.addItem(i);
        QCOMPARE(texts(model), expected);
        model.setItems(items);
        QCOMPARE(texts(model), expected);
        // Unsorted keeps arrival order.
        model.setSorted(false);
        model.setItems(items);
        QCOMPARE(texts(model), (QStringList{"B", "c", "b", "a"}));
    }

    void resortKeepsSelectionAndFollowsSubItems()
    {
        ObjectList list;
        Tester tester(list.model(), Tester::FailureReportingMode::QtTest);
        columns(list, {"Name", "Owner"});
        ObjectListModel& model = *list.model();
        model.setItems({item("alpha", {"2"}), item("beta", {"3"}), item("gamma", {"4"})});
        list.selectRow(0);
        model.setSortOrder(1);
        QCOMPARE(texts(model), (QStringList{"gamma", "beta", "alpha"}));
        QCOMPARE(model.item(list.selectedRow()).text, QStringLiteral("alpha"));

        model.setSortOrder(0);
        model.setSortKey(1);
        model.setSubItem(0, 1, QStringLiteral("9"));
        QCOMPARE(texts(model), (QStringList{"beta", "gamma", "alpha"}));
        QCOMPARE(model.subItem(2, 1), QStringLiteral("9"));
        QCOMPARE(model.data(model.index(2, 1)).toString(), QStringLiteral("9"));
        // Beyond the columns there is no sub-item to set.
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, model.setSubItem(0, 2, QStringLiteral("x")));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, model.setSubItem(5, 1, QStringLiteral("x")));
    }

    void columnWidthsInTwips()
    {
        ObjectList list;
        columns(list, {"Name", "Owner", "Create Date"});
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
        // The user's resizing shows in twips.
        header->resizeSection(0, 200);
        QCOMPARE(list.columnWidth(0), PixelsToTwipsX(&list, 200));
    }

    // Icon views give every item one size; it must fit the widest text, not the last item's.
    void iconViewsFitTheWidestText_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("small icons") << int(ObjectList::SmallIcons);
        QTest::newRow("list") << int(ObjectList::List);
    }

    void iconViewsFitTheWidestText()
    {
        QFETCH(int, mode);
        ObjectList list;
        list.resize(600, 300);
        list.setView(mode);
        list.show();
        const QString longest = QStringLiteral("a_rather_long_table_name");
        list.model()->setItems({item(longest), item(QStringLiteral("b")), item(QStringLiteral("c"))});
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QListView* view = list.iconView();
        view->doItemsLayout();
        const QRect rect = view->visualRect(list.model()->index(0, 0));
        QVERIFY2(rect.width() > view->fontMetrics().horizontalAdvance(longest),
                 qPrintable(QString::number(rect.width())));
    }

    void itemRectsAndClicks()
    {
        ObjectList list;
        list.resize(400, 300);
        columns(list, {"Name", "Owner"});
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

        QSignalSpy clicks(&list, &ObjectList::itemClick);
        QSignalSpy downs(&list, &ObjectList::mouseDown);
        QSignalSpy columnClicks(&list, &ObjectList::columnClick);
        QTreeView* view = list.detailsView(); // the last view shown
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
        QCOMPARE(columnClicks.size(), 1);
        QCOMPARE(columnClicks.first().first().toInt(), 1);
    }
};

QTEST_MAIN(ObjectListTest)
#include "tst_objectlist.moc"
