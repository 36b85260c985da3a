#include "platform/widgets/Splitter.h"
#include "platform/widgets/Twips.h"

#include <QLabel>
#include <QSignalSpy>
#include <QSplitter>
#include <QTest>

using quarry::platform::Splitter;

class SplitterTest : public QObject
{
    Q_OBJECT

private slots:
    void percentage_data();
    void percentage();
    void orientationAndFirstPane_data();
    void orientationAndFirstPane();
    void numberedPropertiesMatchTyped();
    void outOfRangeIsRefused_data();
    void outOfRangeIsRefused();
    void detachKeepsPanesAlive();
    void swapKeepsBothPanesShown();
    void userMoveUpdatesPercentage();
    void lockedBarCannotMove();
};

namespace {

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
};

} // namespace

void SplitterTest::percentage_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<bool>("horizontal");
    QTest::newRow("20 vertical split") << 20 << false;
    QTest::newRow("75 vertical split") << 75 << false;
    QTest::newRow("50 horizontal split") << 50 << true;
    QTest::newRow("30 horizontal split") << 30 << true;
}

void SplitterTest::percentage()
{
    QFETCH(int, percent);
    QFETCH(bool, horizontal);
    Fixture f;
    f.splitter.setBarWidth(40);
    f.splitter.setHorizontal(horizontal);
    f.splitter.setPercentage(percent);
    f.splitter.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.splitter));
    const QList<int> sizes = f.splitter.splitter()->sizes();
    QCOMPARE(sizes.size(), 2);
    const double share = 100.0 * sizes[0] / (sizes[0] + sizes[1]);
    QVERIFY2(qAbs(share - percent) <= 1.0, qPrintable(QString::number(share)));
    QCOMPARE(f.splitter.percentage(), percent);
    // The percentage holds when the splitter is resized.
    f.splitter.resize(800, 600);
    QTest::qWait(0);
    const QList<int> resized = f.splitter.splitter()->sizes();
    QVERIFY(qAbs(100.0 * resized[0] / (resized[0] + resized[1]) - percent) <= 1.0);
}

void SplitterTest::orientationAndFirstPane_data()
{
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<bool>("listFirst");
    QTest::newRow("tree left") << false << false;
    QTest::newRow("list left") << false << true;
    QTest::newRow("tree upper") << true << false;
    QTest::newRow("list upper") << true << true;
}

void SplitterTest::orientationAndFirstPane()
{
    QFETCH(bool, horizontal);
    QFETCH(bool, listFirst);
    Fixture f;
    f.splitter.setNumberedProperty(Splitter::Horizontal, horizontal);
    // As the browser assigns them: the left or upper pane first, then the other.
    QWidget* first = listFirst ? static_cast<QWidget*>(f.list) : f.tree;
    QWidget* second = listFirst ? static_cast<QWidget*>(f.tree) : f.list;
    f.splitter.setNumberedProperty(Splitter::FirstPane, QVariant::fromValue(first));
    f.splitter.setNumberedProperty(Splitter::SecondPane, QVariant::fromValue(second));
    f.splitter.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.splitter));
    QCOMPARE(f.splitter.splitter()->orientation(), horizontal ? Qt::Vertical : Qt::Horizontal);
    QCOMPARE(f.splitter.splitter()->count(), 2);
    QCOMPARE(f.splitter.splitter()->widget(0), first);
    QCOMPARE(f.splitter.splitter()->widget(1), second);
    if (horizontal)
        QVERIFY(first->geometry().bottom() < second->geometry().top());
    else
        QVERIFY(first->geometry().right() < second->geometry().left());
}

void SplitterTest::numberedPropertiesMatchTyped()
{
    Fixture f;
    f.splitter.setNumberedProperty(Splitter::Locked, false);
    f.splitter.setNumberedProperty(Splitter::BarWidth, 40);
    f.splitter.setNumberedProperty(Splitter::Percentage, 20);
    QCOMPARE(f.splitter.numberedProperty(0).toBool(), false);
    QCOMPARE(f.splitter.numberedProperty(1).toInt(), 40);
    QCOMPARE(f.splitter.splitter()->handleWidth(), quarry::platform::TwipsToPixelsX(&f.splitter, 40));
    QCOMPARE(f.splitter.numberedProperty(2).toInt(), 20);
    QCOMPARE(f.splitter.numberedProperty(3).value<QWidget*>(), static_cast<QWidget*>(f.list));
    QCOMPARE(f.splitter.numberedProperty(4).value<QWidget*>(), static_cast<QWidget*>(f.tree));
    QCOMPARE(f.splitter.numberedProperty(5).toBool(), false);
}

void SplitterTest::outOfRangeIsRefused_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("percentage above 100") << 2 << QVariant(101);
    QTest::newRow("percentage below 0") << 2 << QVariant(-1);
    QTest::newRow("negative bar width") << 1 << QVariant(-5);
    QTest::newRow("property 6") << 6 << QVariant(true);
    QTest::newRow("property -1") << -1 << QVariant(true);
}

void SplitterTest::outOfRangeIsRefused()
{
    QFETCH(int, number);
    QFETCH(QVariant, value);
    Fixture f;
    f.splitter.setPercentage(40);
    QVERIFY_THROWS_EXCEPTION(std::out_of_range, f.splitter.setNumberedProperty(number, value));
    QCOMPARE(f.splitter.percentage(), 40);
}

void SplitterTest::detachKeepsPanesAlive()
{
    Fixture f;
    f.splitter.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.splitter));
    QPointer<QLabel> tree = f.tree;
    QPointer<QLabel> list = f.list;
    f.splitter.setFirstPane(nullptr);
    f.splitter.setSecondPane(nullptr);
    QCOMPARE(f.splitter.splitter()->count(), 0);
    QVERIFY(!f.splitter.firstPane());
    QVERIFY(!f.splitter.secondPane());
    QVERIFY(tree && list);
    QCOMPARE(tree->parentWidget(), static_cast<QWidget*>(&f.splitter));
    QVERIFY(!tree->isVisible());
    QVERIFY(!list->isVisible());
    // Detaching again is harmless.
    f.splitter.setFirstPane(nullptr);
    // A detached pane comes back shown, as it was.
    f.splitter.setSecondPane(list);
    QVERIFY(list->isVisible());
}

void SplitterTest::swapKeepsBothPanesShown()
{
    Fixture f;
    f.splitter.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.splitter));
    f.splitter.setFirstPane(f.list);
    QCOMPARE(f.splitter.splitter()->count(), 1);
    f.splitter.setSecondPane(f.tree);
    QCOMPARE(f.splitter.splitter()->widget(0), static_cast<QWidget*>(f.list));
    QCOMPARE(f.splitter.splitter()->widget(1), static_cast<QWidget*>(f.tree));
    QVERIFY(f.tree->isVisible());
    QVERIFY(f.list->isVisible());

    // A pane hidden on purpose stays hidden wherever it goes.
    f.tree->hide();
    f.splitter.setFirstPane(f.tree);
    f.splitter.setSecondPane(f.list);
    QVERIFY(f.tree->isHidden());
    QVERIFY(f.list->isVisible());
}

void SplitterTest::userMoveUpdatesPercentage()
{
    Fixture f;
    f.splitter.setPercentage(50);
    f.splitter.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.splitter));
    QSignalSpy moved(&f.splitter, &Splitter::moved);
    QSplitterHandle* handle = f.splitter.splitter()->handle(1);
    const QPoint grip = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, grip);
    QTest::mouseMove(handle, grip - QPoint(100, 0));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, grip - QPoint(100, 0));
    QVERIFY(moved.size() >= 1);
    const QList<int> sizes = f.splitter.splitter()->sizes();
    QCOMPARE(f.splitter.percentage(), qRound(100.0 * sizes[0] / (sizes[0] + sizes[1])));
    QVERIFY(f.splitter.percentage() < 40);
}

void SplitterTest::lockedBarCannotMove()
{
    Fixture f;
    f.splitter.setLocked(true);
    QVERIFY(!f.splitter.splitter()->handle(1)->isEnabled());
    // Panes added later get a locked bar too.
    f.splitter.setFirstPane(nullptr);
    f.splitter.setFirstPane(f.tree);
    QVERIFY(!f.splitter.splitter()->handle(1)->isEnabled());
    f.splitter.setNumberedProperty(Splitter::Locked, false);
    QVERIFY(f.splitter.splitter()->handle(1)->isEnabled());
}

QTEST_MAIN(SplitterTest)
#include "tst_splitter.moc"
