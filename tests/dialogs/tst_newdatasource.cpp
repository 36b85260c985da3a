#include "dialogs/dlgConnectionBuilder.h"
#include "dialogs/frmNewDataSource.h"
#include "platform/widgets/BusyPointer.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using OptString = std::optional<QString>;
Q_DECLARE_METATYPE(OptString)

namespace {

struct Entry
{
    QString name;
    QString connection;
    QString description;
    QString delimiter;
};

template <typename T> T* control(QWidget& dialog, const char* name)
{
    auto* widget = dialog.findChild<T*>(QLatin1StringView(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

} // namespace

class TestNewDataSource : public QObject
{
    Q_OBJECT

private slots:
    void load_data();
    void load();
    void enablingOK_data();
    void enablingOK();
    void delimiterKeepsOneCharacter_data();
    void delimiterKeepsOneCharacter();
    void okCopiesControls();
    void cancelLeavesCancelled_data();
    void cancelLeavesCancelled();
    void escapeCancelsModalDialog();
    void reusedInstanceReloads();
    void failingPromptChangesNothing();
    void busyPointerGivesWayWhileShown();
    void defaultPromptIsTheBuilder();

private:
    void showWith(frmNewDataSource& dialog, const Entry& entry);
};

void TestNewDataSource::showWith(frmNewDataSource& dialog, const Entry& entry)
{
    dialog.setSourceName(entry.name);
    dialog.setConnection(entry.connection);
    dialog.setDescription(entry.description);
    dialog.setDelimiter(entry.delimiter);
    dialog.show();
}

void TestNewDataSource::load_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("connection");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("okEnabled");

    const QStringList two{"\"", "`"};
    const QString conn = QStringLiteral("Provider=SQLite;Data Source=/tmp/x.db");
    QTest::newRow("new entry proposes grave accent") << ""
                                                     << ""
                                                     << ""
                                                     << "New Data Source" << two << "`" << false;
    QTest::newRow("edit with double quote") << "Sales" << conn << "\""
                                            << "Edit Data Source" << two << "\"" << true;
    QTest::newRow("edit with grave accent") << "Sales" << conn << "`"
                                            << "Edit Data Source" << two << "`" << true;
    QTest::newRow("edit with bracket adds a third item")
        << "Sales" << conn << "["
        << "Edit Data Source" << QStringList{"\"", "`", "["} << "[" << true;
    QTest::newRow("edit without delimiter proposes grave") << "Sales" << conn << ""
                                                           << "Edit Data Source" << two << "`" << true;
    QTest::newRow("stored two characters shown as the first")
        << "Sales" << conn << "ab"
        << "Edit Data Source" << QStringList{"\"", "`", "ab"} << "a" << true;
    QTest::newRow("empty name is a new entry even with a connection")
        << "" << conn << "\""
        << "New Data Source" << two << "\"" << true;
    QTest::newRow("name without connection keeps OK off") << "Sales"
                                                          << ""
                                                          << "\""
                                                          << "Edit Data Source" << two << "\"" << false;
}

void TestNewDataSource::load()
{
    QFETCH(QString, name);
    QFETCH(QString, connection);
    QFETCH(QString, delimiter);
    QFETCH(QString, title);
    QFETCH(QStringList, items);
    QFETCH(QString, shown);
    QFETCH(bool, okEnabled);

    frmNewDataSource dialog;
    showWith(dialog, {name, connection, QStringLiteral("some words"), delimiter});
    QCOMPARE(dialog.windowTitle(), title);
    auto* combo = control<QComboBox>(dialog, "cboDelimiter");
    QStringList got;
    for (int i = 0; i < combo->count(); ++i)
        got << combo->itemText(i);
    QCOMPARE(got, items);
    QCOMPARE(combo->currentText(), shown);
    QCOMPARE(control<QPushButton>(dialog, "cmdOK")->isEnabled(), okEnabled);
    QCOMPARE(control<QLineEdit>(dialog, "txtName")->text(), name);
    QCOMPARE(control<QPlainTextEdit>(dialog, "txtConnection")->toPlainText(), connection);
    QCOMPARE(control<QPlainTextEdit>(dialog, "txtDescription")->toPlainText(), QStringLiteral("some words"));
    QVERIFY(dialog.Cancelled());
}

void TestNewDataSource::enablingOK_data()
{
    QTest::addColumn<QString>("connection"); // loaded
    QTest::addColumn<OptString>("built");    // what the connection prompt gives back
    QTest::addColumn<QString>("typedName");
    QTest::addColumn<QString>("typedDescription");
    QTest::addColumn<int>("pickedDelimiter"); // -1: none
    QTest::addColumn<bool>("okEnabled");

    const OptString none;
    QTest::newRow("nothing done") << "" << none << ""
                                  << "" << -1 << false;
    QTest::newRow("name alone") << "" << none << "Sales"
                                << "" << -1 << false;
    QTest::newRow("description without connection") << "" << none << ""
                                                    << "words" << -1 << false;
    QTest::newRow("delimiter without connection") << "" << none << ""
                                                  << "" << 0 << false;
    QTest::newRow("prompt cancelled") << "" << none << "Sales"
                                      << "words" << 0 << false;
    QTest::newRow("prompt gives empty string") << "" << OptString(QString()) << ""
                                               << "" << -1 << false;
    QTest::newRow("connection built") << "" << OptString("Provider=SQLite;Data Source=a.db") << ""
                                      << "" << -1 << true;
    QTest::newRow("existing entry") << "Provider=SQLite;Data Source=a.db" << none << ""
                                    << "" << -1 << true;
}

void TestNewDataSource::enablingOK()
{
    QFETCH(QString, connection);
    QFETCH(OptString, built);
    QFETCH(QString, typedName);
    QFETCH(QString, typedDescription);
    QFETCH(int, pickedDelimiter);
    QFETCH(bool, okEnabled);

    frmNewDataSource dialog;
    int prompted = 0;
    dialog.setConnectionPrompt([&](QWidget* owner, const QString&) {
        ++prompted;
        [&] { QCOMPARE(owner, &dialog); }();
        return built;
    });
    showWith(dialog, {connection.isEmpty() ? QString() : QStringLiteral("Old"), connection, {}, {}});
    QTest::mouseClick(control<QPushButton>(dialog, "cmdDataSource"), Qt::LeftButton);
    QCOMPARE(prompted, 1);
    if (!typedName.isEmpty())
        QTest::keyClicks(control<QLineEdit>(dialog, "txtName"), typedName);
    if (!typedDescription.isEmpty())
        QTest::keyClicks(control<QPlainTextEdit>(dialog, "txtDescription"), typedDescription);
    if (pickedDelimiter >= 0)
        control<QComboBox>(dialog, "cboDelimiter")->setCurrentIndex(pickedDelimiter);
    QCOMPARE(control<QPushButton>(dialog, "cmdOK")->isEnabled(), okEnabled);

    const QString expected = built && !built->isEmpty() ? *built : connection;
    QCOMPARE(control<QPlainTextEdit>(dialog, "txtConnection")->toPlainText(), expected);
    QCOMPARE(dialog.Connection(), expected);
}

void TestNewDataSource::delimiterKeepsOneCharacter_data()
{
    QTest::addColumn<bool>("selectAll");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("second character after the proposal") << false << "x"
                                                         << "`";
    QTest::newRow("two typed over the selection") << true << "[]"
                                                  << "[";
    QTest::newRow("one typed over the selection") << true << "'"
                                                  << "'";
}

void TestNewDataSource::delimiterKeepsOneCharacter()
{
    QFETCH(bool, selectAll);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    frmNewDataSource dialog;
    showWith(dialog, {QStringLiteral("Sales"), QStringLiteral("Provider=SQLite"), {}, {}});
    auto* combo = control<QComboBox>(dialog, "cboDelimiter");
    combo->lineEdit()->setCursorPosition(1);
    if (selectAll)
        combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), typed);
    QCOMPARE(combo->currentText(), expected);
    QTest::mouseClick(control<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    QCOMPARE(dialog.Delimiter(), expected);
}

void TestNewDataSource::okCopiesControls()
{
    frmNewDataSource dialog;
    dialog.setConnectionPrompt([](QWidget*, const QString&) { return OptString("Provider=PostgreSQL;X=1"); });
    showWith(dialog, {});
    QTest::mouseClick(control<QPushButton>(dialog, "cmdDataSource"), Qt::LeftButton);
    QTest::keyClicks(control<QLineEdit>(dialog, "txtName"), QStringLiteral("O'Brien"));
    auto* description = control<QPlainTextEdit>(dialog, "txtDescription");
    QTest::keyClicks(description, QStringLiteral("two"));
    QTest::keyClick(description, Qt::Key_Return); // a new line, not the default button
    QTest::keyClicks(description, QStringLiteral("lines"));
    control<QComboBox>(dialog, "cboDelimiter")->setCurrentIndex(0);
    QTest::mouseClick(control<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);

    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.Cancelled());
    QCOMPARE(dialog.SourceName(), QStringLiteral("O'Brien"));
    QCOMPARE(dialog.Connection(), QStringLiteral("Provider=PostgreSQL;X=1"));
    QCOMPARE(dialog.Description(), QStringLiteral("two\nlines"));
    QCOMPARE(dialog.Delimiter(), QStringLiteral("\""));
}

void TestNewDataSource::cancelLeavesCancelled_data()
{
    QTest::addColumn<bool>("byEscape");
    QTest::newRow("cmdCancel") << false;
    QTest::newRow("Escape") << true;
}

void TestNewDataSource::cancelLeavesCancelled()
{
    QFETCH(bool, byEscape);
    frmNewDataSource dialog;
    dialog.setConnectionPrompt(
        [](QWidget*, const QString&) { return OptString("Provider=SQLite;Data Source=b"); });
    showWith(dialog, {QStringLiteral("Sales"), QStringLiteral("Provider=SQLite;Data Source=a"),
                      QStringLiteral("d"), QStringLiteral("`")});
    QTest::mouseClick(control<QPushButton>(dialog, "cmdDataSource"), Qt::LeftButton);
    QTest::keyClicks(control<QLineEdit>(dialog, "txtName"), QStringLiteral("Changed"));
    if (byEscape)
        QTest::keyClick(control<QLineEdit>(dialog, "txtName"), Qt::Key_Escape);
    else
        QTest::mouseClick(control<QPushButton>(dialog, "cmdCancel"), Qt::LeftButton);

    QVERIFY(!dialog.isVisible());
    QVERIFY(dialog.Cancelled());
    QCOMPARE(dialog.SourceName(), QStringLiteral("Sales"));
    QCOMPARE(dialog.Description(), QStringLiteral("d"));
    // A string built before cancelling is already in the property; the caller ignores it.
    QCOMPARE(dialog.Connection(), QStringLiteral("Provider=SQLite;Data Source=b"));
}

void TestNewDataSource::escapeCancelsModalDialog()
{
    frmNewDataSource dialog;
    dialog.setSourceName(QStringLiteral("Sales"));
    dialog.setConnection(QStringLiteral("Provider=SQLite;Data Source=a"));
    bool sawModal = false;
    QTimer::singleShot(0, &dialog, [&] {
        sawModal = QApplication::activeModalWidget() == &dialog;
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QTimer::singleShot(5000, &dialog, [&] { dialog.done(-1); }); // never hang the run
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QVERIFY(sawModal);
    QVERIFY(dialog.Cancelled());
}

void TestNewDataSource::reusedInstanceReloads()
{
    frmNewDataSource dialog;
    showWith(dialog, {QStringLiteral("Sales"), QStringLiteral("Provider=SQLite"), QStringLiteral("d"),
                      QStringLiteral("[")});
    QTest::mouseClick(control<QPushButton>(dialog, "cmdOK"), Qt::LeftButton);
    QVERIFY(!dialog.Cancelled());

    showWith(dialog, {});
    QVERIFY(dialog.Cancelled());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("New Data Source"));
    QCOMPARE(control<QComboBox>(dialog, "cboDelimiter")->count(), 2);
    QCOMPARE(control<QComboBox>(dialog, "cboDelimiter")->currentText(), QStringLiteral("`"));
    QVERIFY(!control<QPushButton>(dialog, "cmdOK")->isEnabled());
    QVERIFY(control<QLineEdit>(dialog, "txtName")->text().isEmpty());
    QVERIFY(control<QPlainTextEdit>(dialog, "txtConnection")->toPlainText().isEmpty());
}

void TestNewDataSource::failingPromptChangesNothing()
{
    frmNewDataSource dialog;
    dialog.setConnectionPrompt(
        [](QWidget*, const QString&) -> OptString { throw std::runtime_error("no driver"); });
    showWith(dialog, {});
    QTest::mouseClick(control<QPushButton>(dialog, "cmdDataSource"), Qt::LeftButton);
    QVERIFY(!control<QPushButton>(dialog, "cmdOK")->isEnabled());
    QVERIFY(dialog.Connection().isEmpty());
}

void TestNewDataSource::busyPointerGivesWayWhileShown()
{
    frmNewDataSource dialog;
    quarry::platform::BusyPointer busy;
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    showWith(dialog, {});
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::ArrowCursor);
    dialog.reject();
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
}

void TestNewDataSource::defaultPromptIsTheBuilder()
{
    frmNewDataSource dialog;
    showWith(
        dialog,
        {QStringLiteral("Old"), QStringLiteral("Provider=PostgreSQL;Data Source=db.example,5433"), {}, {}});
    QString shownServer;
    QTimer::singleShot(0, &dialog, [&] {
        auto* builder = qobject_cast<dlgConnectionBuilder*>(QApplication::activeModalWidget());
        if (!builder)
            return;
        shownServer = control<QLineEdit>(*builder, "txtServer")->text();
        control<QLineEdit>(*builder, "txtServer")->setText(QStringLiteral("other.example"));
        QTest::mouseClick(control<QPushButton>(*builder, "cmdOK"), Qt::LeftButton);
    });
    QTimer::singleShot(5000, &dialog, [] {
        if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            modal->reject();
    });
    QTest::mouseClick(control<QPushButton>(dialog, "cmdDataSource"), Qt::LeftButton);
    QCOMPARE(shownServer, QStringLiteral("db.example"));
    QCOMPARE(dialog.Connection(), QStringLiteral("Provider=PostgreSQL;Data Source=other.example,5433"));
    QVERIFY(control<QPushButton>(dialog, "cmdOK")->isEnabled());
}

QTEST_MAIN(TestNewDataSource)
#include "tst_newdatasource.moc"
