#include "BrowserFixture.h"
#include "WidgetTestSupport.h"

#include "platform/widgets/Splitter.h"
#include "platform/widgets/Twips.h"

#include <QAction>
#include <QActionGroup>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>

using quarry::test::Browser;
using quarry::test::SourceRow;
using Settings = std::vector<std::array<QString, 3>>;
using Items = std::vector<quarry::platform::ListItem>;
Q_DECLARE_METATYPE(Items)

namespace {

const std::vector<SourceRow> kOneSource{{QStringLiteral("Sales"), {}, {}}};

QStringList captions(const Browser& b)
{
    QStringList texts;
    for (QAction* button : b.d->toolButtons)
        texts << button->text();
    return texts;
}

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void init() { Glob::Reporter().clearReports(); }

    void setOptionsFlags_data();
    void setOptionsFlags();
    void splitterFollowsOptions_data();
    void splitterFollowsOptions();
    void toolbarButtons_data();
    void toolbarButtons();
    void sizeCols_data();
    void sizeCols();
    void splitterMovedAfterInitOnly();
    void resizeFillsBetweenBars();
    void initRefusesBadLayoutValues_data();
    void initRefusesBadLayoutValues();
};

void LayoutTest::setOptionsFlags_data()
{
    QTest::addColumn<bool>("dataChanged");
    QTest::addColumn<bool>("dataSourceChanged");
    QTest::newRow("no flags") << false << false;
    QTest::newRow("data changed") << true << false;
    QTest::newRow("data sources changed") << false << true;
    QTest::newRow("both") << true << true;
}

void LayoutTest::setOptionsFlags()
{
    QFETCH(bool, dataChanged);
    QFETCH(bool, dataSourceChanged);
    Browser b(kOneSource, {{"Data", "ToolBar Text", "True"}});
    QVERIFY(b.initialized);
    QCOMPARE(captions(b), (QStringList{"Large", "Small ", "List", "Details", "Browse options"}));

    // State that only the flagged steps put right again.
    Glob::Options().blnGridLines = !b.d->lvwData->gridLines();
    const bool gridLinesBefore = b.d->lvwData->gridLines();
    b.model()->addNode({}, QStringLiteral("a9"), QStringLiteral("stale"), 1);
    b.d->toolButtons[0]->setText(QStringLiteral("junk"));
    b.d->kwSplitData->setBarWidth(0);
    QSignalSpy refreshed(b.control.get(), &kwQuarry::Refreshed);

    QVERIFY(b.control->Set_Options(dataChanged, true, dataSourceChanged));
    QCOMPARE(b.d->lvwData->gridLines(), dataChanged ? !gridLinesBefore : gridLinesBefore);
    QCOMPARE(b.root(9).isValid(), !dataSourceChanged);
    QCOMPARE(b.d->toolButtons[0]->text(), QStringLiteral("Large"));
    QCOMPARE(b.d->kwSplitData->barWidth(), 40);
    QCOMPARE(refreshed.size(), 1);
    QVERIFY(b.errors->isEmpty());
}

void LayoutTest::splitterFollowsOptions_data()
{
    QTest::addColumn<int>("percent");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<bool>("listFirst");
    QTest::newRow("tree left") << 30 << false << false;
    QTest::newRow("list left") << 60 << false << true;
    QTest::newRow("tree above") << 25 << true << false;
    QTest::newRow("list above") << 75 << true << true;
}

void LayoutTest::splitterFollowsOptions()
{
    QFETCH(int, percent);
    QFETCH(bool, horizontal);
    QFETCH(bool, listFirst);
    const auto word = [](bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); };
    Browser b(kOneSource, {{"Data", "Split\\Percentage", QString::number(percent)},
                           {"Data", "Split\\Orientation", word(horizontal)},
                           {"Data", "Split\\Left", word(listFirst)}});
    QVERIFY(b.initialized);
    quarry::platform::Splitter* splitter = b.d->kwSplitData;
    QWidget* first = listFirst ? static_cast<QWidget*>(b.d->lvwData) : b.d->tvwData;
    QWidget* second = listFirst ? static_cast<QWidget*>(b.d->tvwData) : b.d->lvwData;
    QCOMPARE(splitter->firstPane(), first);
    QCOMPARE(splitter->secondPane(), second);
    QCOMPARE(splitter->horizontal(), horizontal);
    QCOMPARE(splitter->percentage(), percent);
    QVERIFY(splitter->locked() == false);

    // On screen: the first pane sits left of (or above) the second, sized by the percentage.
    QVERIFY(first->isVisible() && second->isVisible());
    const QRect a = first->geometry();
    const QRect c = second->geometry();
    if (horizontal)
        QVERIFY(a.bottom() < c.top());
    else
        QVERIFY(a.right() < c.left());
    const double share = horizontal ? double(a.height()) / (a.height() + c.height())
                                    : double(a.width()) / (a.width() + c.width());
    QVERIFY2(qAbs(share * 100 - percent) <= 2, qPrintable(QString::number(share)));
}

void LayoutTest::toolbarButtons_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("view");
    QTest::addColumn<QStringList>("procedures"); // ErrHandle raised on the way
    QTest::newRow("Large") << "Large" << 0 << QStringList{};
    QTest::newRow("Small") << "Small" << 1 << QStringList{};
    QTest::newRow("List") << "List" << 2 << QStringList{};
    QTest::newRow("Details") << "Report" << 3 << QStringList{};
    // The options dialog opens (and is closed here); the mode is saved all the same.
    QTest::newRow("Options") << "Options" << 2 << QStringList{};
}

void LayoutTest::toolbarButtons()
{
    QFETCH(QString, key);
    QFETCH(int, view);
    QFETCH(QStringList, procedures);
    Browser b(kOneSource, {{"General", "Data View", "2"}});
    QVERIFY(b.initialized);
    QCOMPARE(b.d->lvwData->view(), 2);
    QVERIFY(b.d->toolButtons[2]->isChecked());
    b.d->lvwData->model()->setItems({{QStringLiteral("a rather long table name"), {"owner"}, 1, 5}});

    // Through the button the user sees.
    QAction* action = b.control->findChild<QAction*>(key);
    QWidget* button = b.d->tlbData->widgetForAction(action);
    bool dialogShown = false;
    quarry::test::whenModal(b.control.get(), [&](QWidget* modal) {
        dialogShown = modal && modal->objectName() == QLatin1String("frmOptions");
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(dialogShown, key == QLatin1String("Options"));

    QCOMPARE(b.errorProcedures(), procedures);
    QCOMPARE(b.d->lvwData->view(), view);
    QCOMPARE(Glob::Options().lngDataView, view);
    QCOMPARE(Glob::GetSetting(QStringLiteral("General"), QStringLiteral("Data View")), QString::number(view));
    QCOMPARE(b.d->toolButtons[size_t(view)]->isChecked(), true);
    int checked = 0;
    for (QAction* viewButton : b.d->viewButtons->actions())
        checked += viewButton->isChecked();
    QCOMPARE(checked, 1);
    // Details fits the columns to their texts.
    QCOMPARE(b.d->lvwData->columnWidth(0) != 1500, key == QLatin1String("Report"));
}

void LayoutTest::sizeCols_data()
{
    QTest::addColumn<Items>("items");
    QTest::newRow("empty list") << Items{};
    QTest::newRow("widest differs per column")
        << Items{{"short", {"a much longer owner name", "2024-01-01"}, 1, 5},
                 {"the longest object name of all", {"dbo", ""}, 1, 5},
                 {"x", {}, 1, 5}};
}

void LayoutTest::sizeCols()
{
    QFETCH(Items, items);
    Browser b(kOneSource);
    QVERIFY(b.initialized);
    quarry::platform::ObjectList* list = b.d->lvwData;
    list->model()->setItems(items);
    QVERIFY(b.control->Size_Cols());

    for (int column = 0; column < 3; ++column) {
        double widest = 0;
        for (const quarry::platform::ListItem& item : items) {
            const QString text = column == 0 ? item.text : item.subItems.value(column - 1);
            widest = std::max(widest, quarry::platform::TextWidth(b.control.get(), text));
        }
        QCOMPARE(list->columnWidth(column), widest + 400);
    }
    QCOMPARE(list->columnWidth(3), 0.0);
    QVERIFY(b.errors->isEmpty());

    // Without columns there is nothing to size: the failure is reported.
    list->model()->clearColumns();
    QVERIFY(!b.control->Size_Cols());
    QCOMPARE(b.errorProcedures(), QStringList{"Size_Cols"});
}

void LayoutTest::splitterMovedAfterInitOnly()
{
    Browser b(kOneSource, {{"Data", "Split\\Percentage", "30"}});
    QVERIFY(b.initialized);
    QSplitter* bar = b.d->kwSplitData->splitter();
    const auto drag = [&](int first, int second) {
        bar->setSizes({first, second});
        emit bar->splitterMoved(first, 1);
    };

    b.d->Initialized = false;
    drag(100, 300);
    QCOMPARE(Glob::Options().lngSplitPercent, 30);

    b.d->Initialized = true;
    drag(300, 100);
    QCOMPARE(Glob::Options().lngSplitPercent, 75);
    // Kept in memory only until the options are saved.
    QCOMPARE(Glob::GetSetting(QStringLiteral("Data"), QStringLiteral("Split\\Percentage")),
             QStringLiteral("30"));
}

void LayoutTest::resizeFillsBetweenBars()
{
    Browser b(kOneSource);
    QVERIFY(b.initialized);
    b.control->resize(500, 400);
    const QRect toolbar = b.d->tlbData->geometry();
    const QRect status = b.d->staStatus->geometry();
    const QRect splitter = b.d->kwSplitData->geometry();
    QCOMPARE(toolbar.top(), 0);
    QCOMPARE(toolbar.width(), 500);
    QCOMPARE(status.bottom(), 399);
    QCOMPARE(splitter.top(), toolbar.bottom() + 1);
    QCOMPARE(splitter.width(), 500);
    // Twips rounding may cost a pixel.
    QVERIFY(qAbs(splitter.bottom() + 1 - status.top()) <= 1);

    // Too small for both bars: the splitter stays where it was.
    b.control->resize(500, toolbar.height() + status.height() - 10);
    QCOMPARE(b.d->kwSplitData->geometry(), splitter);
    QVERIFY(b.errors->isEmpty());
}

void LayoutTest::initRefusesBadLayoutValues_data()
{
    QTest::addColumn<Settings>("settings");
    QTest::addColumn<QString>("procedure");
    QTest::addColumn<QString>("mentions");
    QTest::newRow("split percentage over 100")
        << Settings{{"Data", "Split\\Percentage", "150"}} << "Set_Options"
        << "150";
    QTest::newRow("negative split percentage")
        << Settings{{"Data", "Split\\Percentage", "-1"}} << "Set_Options"
        << "-1";
    QTest::newRow("unknown data view") << Settings{{"General", "Data View", "7"}} << "Init"
                                       << "7";
}

void LayoutTest::initRefusesBadLayoutValues()
{
    QFETCH(Settings, settings);
    QFETCH(QString, procedure);
    QFETCH(QString, mentions);
    Browser b(kOneSource, settings);
    QVERIFY(!b.initialized);
    QVERIFY(!b.d->Initialized);
    QVERIFY(b.d->tvwData->isHidden());
    QVERIFY(b.d->kwSplitData->isHidden());

    // Control procedures raise ErrHandle; Init itself reports to the error reporter.
    QString description;
    if (procedure == QLatin1String("Init")) {
        QVERIFY(b.errors->isEmpty());
        QCOMPARE(Glob::Reporter().reports().size(), size_t(1));
        QCOMPARE(Glob::Reporter().reports().front().Procedure, procedure);
        description = Glob::Reporter().reports().front().Description;
    } else {
        QCOMPARE(b.errorProcedures(), QStringList{procedure});
        description = b.errors->first().at(1).toString();
    }
    QVERIFY2(description.contains(mentions), qPrintable(description));
}

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
