#include "ScriptedPrompts.h"
#include "platform/widgets/BusyPointer.h"
#include "platform/widgets/Twips.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

#include <cmath>
#include <memory>
#include <stdexcept>

using namespace quarry::platform;
using quarry::test::ScriptedPrompts;

class PlatformWidgetsTest : public QObject
{
    Q_OBJECT

private slots:
    void twipsAtDpi_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::addColumn<double>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("one inch at 96") << 96 << 1440.0 << 96;
        QTest::newRow("column width at 96") << 96 << 1500.0 << 100;
        QTest::newRow("400 at 96 rounds up") << 96 << 400.0 << 27;
        QTest::newRow("bar width at 96") << 96 << 40.0 << 3;
        QTest::newRow("one inch at 144") << 144 << 1440.0 << 144;
        QTest::newRow("column width at 120") << 120 << 1500.0 << 125;
        QTest::newRow("zero") << 96 << 0.0 << 0;
        QTest::newRow("negative") << 96 << -150.0 << -10;
    }

    void twipsAtDpi()
    {
        QFETCH(int, dpi);
        QFETCH(double, twips);
        QFETCH(int, pixels);
        QCOMPARE(TwipsToPixels(twips, dpi), pixels);
        // Back again exactly when the twips are a whole number of pixels.
        if (std::fmod(twips * dpi, 1440.0) == 0)
            QCOMPARE(PixelsToTwips(pixels, dpi), twips);
    }

    void twipsOnDevice()
    {
        QImage device(10, 10, QImage::Format_ARGB32);
        // 144 dots per inch across, 72 down.
        device.setDotsPerMeterX(int(std::lround(144 / 0.0254)));
        device.setDotsPerMeterY(int(std::lround(72 / 0.0254)));
        QCOMPARE(TwipsToPixelsX(&device, 1440), 144);
        QCOMPARE(TwipsToPixelsY(&device, 1440), 72);
        QCOMPARE(PixelsToTwipsX(&device, 10), 100.0);
        QCOMPARE(PixelsToTwipsY(&device, 10), 200.0);
        QCOMPARE(PixelsToTwips(10, 0), 0.0);
    }

    void textMeasuresInTwips()
    {
        QWidget widget;
        const QString text = QStringLiteral("Customers");
        const QFontMetricsF metrics(widget.font(), &widget);
        QCOMPARE(TextWidth(&widget, text), metrics.horizontalAdvance(text) * 1440.0 / widget.logicalDpiX());
        QCOMPARE(TextHeight(&widget, text), metrics.height() * 1440.0 / widget.logicalDpiY());
        // Two lines: twice the height, the wider line's width.
        QCOMPARE(TextHeight(&widget, QStringLiteral("a\nb")), 2 * TextHeight(&widget, QStringLiteral("a")));
        QCOMPARE(TextWidth(&widget, QStringLiteral("a\n") + text), TextWidth(&widget, text));
    }

    void busyPointerRestores()
    {
        QWidget window;
        // A child: a window keeps WA_SetCursor whatever is done to it.
        QWidget& widget = *new QWidget(&window);
        widget.setCursor(Qt::IBeamCursor);
        const auto work = [&widget] {
            BusyPointer outer;
            {
                BusyPointer inner(&widget);
                QCOMPARE(widget.cursor().shape(), Qt::WaitCursor);
            }
            // The outer procedure is still busy.
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            QCOMPARE(widget.cursor().shape(), Qt::IBeamCursor);
            BusyPointer failing(&widget);
            throw std::runtime_error("failed midway");
        };
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, work());
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(widget.cursor().shape(), Qt::IBeamCursor);

        widget.unsetCursor();
        {
            BusyPointer busy(&widget);
        }
        QVERIFY(!widget.testAttribute(Qt::WA_SetCursor));
        // A widget gone before the guard ends is no problem.
        auto* doomed = new QWidget;
        {
            BusyPointer busy(doomed);
            delete doomed;
        }
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void promptsAreInstalledPerThread()
    {
        QVERIFY(dynamic_cast<WidgetPrompts*>(&Prompts::current()));
        {
            ScriptedPrompts prompts;
            QCOMPARE(&Prompts::current(), static_cast<Prompts*>(&prompts));
            prompts.msgAnswers = {MsgResult::Yes};
            QCOMPARE(Prompts::current().MsgBox(QStringLiteral("Delete Sales?"), MsgButtons::YesNoCancel,
                                               MsgIcon::Question, QStringLiteral("Delete Data Source")),
                     MsgResult::Yes);
            // Past the script: a cancel, counted.
            QCOMPARE(Prompts::current().MsgBox(QString(), MsgButtons::OKCancel, MsgIcon::None, QString()),
                     MsgResult::Cancel);
            QCOMPARE(prompts.unscripted, 1);
            QCOMPARE(prompts.calls[0].title, QStringLiteral("Delete Data Source"));
            {
                ScriptedPrompts inner;
                QCOMPARE(&Prompts::current(), static_cast<Prompts*>(&inner));
            }
            QCOMPARE(&Prompts::current(), static_cast<Prompts*>(&prompts));

            Prompts* seenElsewhere = nullptr;
            std::unique_ptr<QThread> thread(QThread::create([&] { seenElsewhere = &Prompts::current(); }));
            thread->start();
            QVERIFY(thread->wait(10000));
            QVERIFY(seenElsewhere && seenElsewhere != static_cast<Prompts*>(&prompts));
        }
        QVERIFY(dynamic_cast<WidgetPrompts*>(&Prompts::current()));
    }

    void sendKeysSelectsLineEditText()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* other = new QLineEdit(QStringLiteral("other"));
        auto* edit = new QLineEdit(QStringLiteral("secret"));
        layout->addWidget(other);
        layout->addWidget(edit);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit));
        edit->setCursorPosition(3);
        WidgetPrompts real;
        real.SendKeys(QStringLiteral("{Home}+{End}"));
        QCOMPARE(edit->selectedText(), QStringLiteral("secret"));
        QCOMPARE(other->selectedText(), QString());
        // Plain characters are typed, replacing the selection.
        real.SendKeys(QStringLiteral("ab{+}"));
        QCOMPARE(edit->text(), QStringLiteral("ab+"));
    }
};

QTEST_MAIN(PlatformWidgetsTest)
#include "tst_platform.moc"
