#include "platform/widgets/Splitter.h"
#include "platform/widgets/Twips.h"

#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>

using quarry::platform::Splitter;

namespace {

// A tree and a list in a 400 x 300 splitter, as the browser lays them out.
struct Fixture
{
    Splitter splitter;
    QLabel* tree = new QLabel(QStringLiteral("tree"));
    QLabel* list = new QLabel(QStringLiteral("list"));

    Fixture()
    {
        splitter.resize(400, 300);
        splitter.setFirstPane(tree);
        splitter.setSecondPane(list);
    }
    bool shown()
    {
        splitter.show();
        return QTest::qWaitForWindowExposed(&splitter);
    }
    QSplitter& inner() { return *splitter.splitter(); }
    double share() { return 100.0 * inner().sizes()[0] / (inner().sizes()[0] + inner().sizes()[1]); }
};

} // namespace

class SplitterTest : public QObject
{
    Q_OBJECT

private slots:
    void layout_data()
    {
        QTest::addColumn<int>("percent");
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<bool>("listFirst");
        QTest::newRow("20, tree left") << 20 << false << false;
        QTest::newRow("75, list left") << 75 << false << true;
        QTest::newRow("50, tree upper") << 50 << true << false;
        QTest::newRow("30, list upper") << 30 << true << true;
    }

    void layout()
    {
        QFETCH(int, percent);
        QFETCH(bool, horizontal);
        QFETCH(bool, listFirst);
        Fixture f;
        f.splitter.setBarWidth(40);
        f.splitter.setPercentage(percent);
        f.splitter.setNumberedProperty(Splitter::Horizontal, horizontal);
        // As the browser assigns them: the left or upper pane first, then the other.
        QWidget* first = listFirst ? static_cast<QWidget*>(f.list) : f.tree;
        QWidget* second = listFirst ? static_cast<QWidget*>(f.tree) : f.list;
        f.splitter.setNumberedProperty(Splitter::FirstPane, QVariant::fromValue(first));
        f.splitter.setNumberedProperty(Splitter::SecondPane, QVariant::fromValue(second));
        QVERIFY(f.shown());
        QCOMPARE(f.inner().orientation(), horizontal ? Qt::Vertical : Qt::Horizontal);
        QCOMPARE(f.inner().count(), 2);
        QCOMPARE(f.inner().widget(0), first);
        QCOMPARE(f.inner().widget(1), second);
        if (horizontal)
            QVERIFY(first->geometry().bottom() < second->geometry().top());
        else
            QVERIFY(first->geometry().right() < second->geometry().left());
        QVERIFY2(qAbs(f.share() - percent) <= 1.0, qPrintable(QString::number(f.share())));
        QCOMPARE(f.splitter.percentage(), percent);
        // The percentage holds when the splitter is resized.
        f.splitter.resize(800, 600);
        QTest::qWait(0);
        QVERIFY2(qAbs(f.share() - percent) <= 1.0, qPrintable(QString::number(f.share())));
    }

    void numberedPropertiesMatchTyped()
    {
        Fixture f;
        f.splitter.setNumberedProperty(Splitter::Locked, false);
        f.splitter.setNumberedProperty(Splitter::BarWidth, 40);
        f.splitter.setNumberedProperty(Splitter::Percentage, 20);
        QCOMPARE(f.inner().handleWidth(), quarry::platform::TwipsToPixelsX(&f.splitter, 40));
        QCOMPARE(f.splitter.percentage(), 20);
        QCOMPARE(f.splitter.numberedProperty(0).toBool(), false);
        QCOMPARE(f.splitter.numberedProperty(1).toInt(), 40);
        QCOMPARE(f.splitter.numberedProperty(2).toInt(), 20);
        QCOMPARE(f.splitter.numberedProperty(3).value<QWidget*>(), static_cast<QWidget*>(f.list));
        QCOMPARE(f.splitter.numberedProperty(4).value<QWidget*>(), static_cast<QWidget*>(f.tree));
        QCOMPARE(f.splitter.numberedProperty(5).toBool(), false);
    }

    void outOfRangeIsRefused_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("percentage above 100") << 2 << QVariant(101);
        QTest::newRow("percentage below 0") << 2 << QVariant(-1);
        QTest::newRow("negative bar width") << 1 << QVariant(-5);
        QTest::newRow("property 6") << 6 << QVariant(true);
        QTest::newRow("property -1") << -1 << QVariant(true);
    }

    void outOfRangeIsRefused()
    {
        QFETCH(int, number);
        QFETCH(QVariant, value);
        Fixture f;
        f.splitter.setPercentage(40);
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, f.splitter.setNumberedProperty(number, value));
        QCOMPARE(f.splitter.percentage(), 40);
    }

    void panesMoveDetachAndKeepTheirVisibility()
    {
        Fixture f;
        QVERIFY(f.shown());
        // Swapping: each pane leaves its old place first.
        f.splitter.setFirstPane(f.list);
        QCOMPARE(f.inner().count(), 1);
        f.splitter.setSecondPane(f.tree);
        QCOMPARE(f.inner().widget(0), static_cast<QWidget*>(f.list));
        QCOMPARE(f.inner().widget(1), static_cast<QWidget*>(f.tree));
        QVERIFY(f.tree->isVisible() && f.list->isVisible());
        // A pane hidden on purpose stays hidden wherever it goes.
        f.tree->hide();
        f.splitter.setFirstPane(f.tree);
        f.splitter.setSecondPane(f.list);
        QVERIFY(f.tree->isHidden());
        QVERIFY(f.list->isVisible());

        QPointer<QLabel> list = f.list;
        f.splitter.setFirstPane(nullptr);
        f.splitter.setSecondPane(nullptr);
        f.splitter.setFirstPane(nullptr); // detaching again is harmless
        QCOMPARE(f.inner().count(), 0);
        QVERIFY(!f.splitter.firstPane() && !f.splitter.secondPane());
        QVERIFY(list);
        QCOMPARE(list->parentWidget(), static_cast<QWidget*>(&f.splitter));
        QVERIFY(!list->isVisible());
        // A detached pane comes back shown, as it was.
        f.splitter.setSecondPane(list);
        QVERIFY(list->isVisible());
    }

    void userMoveUpdatesPercentage()
    {
        Fixture f;
        f.splitter.setPercentage(50);
        QVERIFY(f.shown());
        QSignalSpy moved(&f.splitter, &Splitter::moved);
        QSplitterHandle* handle = f.inner().handle(1);
        const QPoint grip = handle->rect().center();
        QTest::mousePress(handle, Qt::LeftButton, {}, grip);
        QTest::mouseMove(handle, grip - QPoint(100, 0));
        QTest::mouseRelease(handle, Qt::LeftButton, {}, grip - QPoint(100, 0));
        QVERIFY(moved.size() >= 1);
        QCOMPARE(f.splitter.percentage(), qRound(f.share()));
        QVERIFY(f.splitter.percentage() < 40);
    }

    void lockedBarCannotMove()
    {
        Fixture f;
        f.splitter.setLocked(true);
        QVERIFY(!f.inner().handle(1)->isEnabled());
        // Panes added later get a locked bar too.
        f.splitter.setFirstPane(nullptr);
        f.splitter.setFirstPane(f.tree);
        QVERIFY(!f.inner().handle(1)->isEnabled());
        f.splitter.setNumberedProperty(Splitter::Locked, false);
        QVERIFY(f.inner().handle(1)->isEnabled());
    }
};

QTEST_MAIN(SplitterTest)
#include "tst_splitter.moc"
