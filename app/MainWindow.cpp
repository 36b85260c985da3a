#include "app/MainWindow.h"

#include "app/ProcedureCall.h"
#include "app/QueryRunner.h"
#include "app/ResultsModel.h"
#include "app/ResultsSort.h"
#include "app/SqlHighlighter.h"
#include "app/SqlText.h"
#include "platform/widgets/Pictures.h"
#include "platform/widgets/Prompts.h"
#include "platform/widgets/TreeModel.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QShowEvent>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>

// The pictures live in a static library, whose resources nothing else pulls in.
static void initPictures()
{
    Q_INIT_RESOURCE(dabrook);
}

namespace dabrook {

namespace {

const QString AppTitle = QStringLiteral("Dabrook");

// The browser's share of the window's width at start, in percent: enough
// for the tree and the object list side by side to show whole names.
constexpr int kBrowserShare = 40;
// The query pane keeps at least the rest.
constexpr int kBrowserMost = 70;

QIcon picture(const QWidget* widget, const char* name, QStyle::StandardPixmap fallback)
{
    return quarry::platform::svgPicture(QStringLiteral(":/dabrook/icons/%1.svg").arg(QLatin1String(name)),
                                        fallback, widget);
}

// The window's own state, apart from the browser's settings file.
QSettings windowSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quarry"),
                     QStringLiteral("DabrookWindow"));
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    initPictures();
    setWindowTitle(AppTitle);
    setWindowIcon(picture(this, "dabrook", QStyle::SP_DriveNetIcon));
    setObjectName(QStringLiteral("frmMain"));

    m_browser = new kwQuarry(this);
    m_browser->setObjectName(QStringLiteral("kwQuarry1"));

    m_queryName = new QLabel(this);
    m_queryName->setObjectName(QStringLiteral("lblQuery"));
    m_queryName->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_sql = new QPlainTextEdit(this);
    m_sql->setObjectName(QStringLiteral("txtSQL"));
    m_sql->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_sql->setPlaceholderText(tr("Open a table, view or procedure in the browser, or type a query."));
    m_sql->setReadOnly(true);
    new SqlHighlighter(m_sql->document());

    m_results = new ResultsModel(this);
    m_runner = new QueryRunner(this);
    m_tick = new QTimer(this);
    m_tick->setInterval(100);
    m_grid = new QTableView(this);
    m_grid->setObjectName(QStringLiteral("grdResults"));
    // A click on a header sorts what has arrived; later batches take their places.
    m_sorted = new ResultsSort(this);
    m_sorted->setSourceModel(m_results);
    m_sorted->setDynamicSortFilter(true);
    m_grid->setModel(m_sorted);
    m_grid->setSortingEnabled(true);
    m_grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(m_grid->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, [this](int column) {
        if (column >= 0 && m_results->hasPendingRows())
            setStatus(tr("Sorted by %1: the %L2 rows read so far; more come as you scroll.")
                          .arg(m_results->headerData(column, Qt::Horizontal).toString())
                          .arg(m_results->rowCount()));
    });
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setWordWrap(false);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);

    auto* queryPane = m_queryPane = new QSplitter(Qt::Vertical, this);
    queryPane->setObjectName(QStringLiteral("splQuery"));
    queryPane->addWidget(m_sql);
    // A script's earlier results sit in tabs before the live one.
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabResults"));
    m_tabs->setTabBarAutoHide(true);
    m_tabs->setDocumentMode(true);
    m_tabs->addTab(m_grid, tr("Result"));
    queryPane->addWidget(m_tabs);
    queryPane->setStretchFactor(0, 1);
    queryPane->setStretchFactor(1, 3);

    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_queryName);
    rightLayout->addWidget(queryPane, 1);

    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setObjectName(QStringLiteral("splMain"));
    m_split->addWidget(m_browser);
    m_split->addWidget(right);
    m_split->setStretchFactor(0, kBrowserShare);
    m_split->setStretchFactor(1, 100 - kBrowserShare);

    // Errors of the browser stay readable here until the next one or a close;
    // a box would stop the user (and any unattended run) in its tracks.
    m_message = new QFrame(this);
    m_message->setObjectName(QStringLiteral("fraMessage"));
    m_message->setFrameShape(QFrame::StyledPanel);
    m_message->setStyleSheet(QStringLiteral("#fraMessage { background: #fdecea; border: 1px solid #e4a5a0; }"
                                            "#lblMessage { color: #611a15; }"));
    auto* icon = new QLabel(m_message);
    icon->setPixmap(
        picture(this, "error", QStyle::SP_MessageBoxCritical).pixmap(QSize(24, 24), devicePixelRatio()));
    icon->setAlignment(Qt::AlignTop);
    m_messageText = new QLabel(m_message);
    m_messageText->setObjectName(QStringLiteral("lblMessage"));
    m_messageText->setTextFormat(Qt::PlainText);
    m_messageText->setWordWrap(true);
    m_messageText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* close = new QToolButton(m_message);
    close->setObjectName(QStringLiteral("cmdCloseMessage"));
    close->setIcon(picture(this, "close", QStyle::SP_TitleBarCloseButton));
    close->setToolTip(tr("Close"));
    close->setAutoRaise(true);
    connect(close, &QToolButton::clicked, this, &MainWindow::closeMessage);
    auto* messageLayout = new QHBoxLayout(m_message);
    messageLayout->setContentsMargins(8, 6, 4, 6);
    messageLayout->addWidget(icon, 0, Qt::AlignTop);
    messageLayout->addWidget(m_messageText, 1);
    messageLayout->addWidget(close, 0, Qt::AlignTop);
    m_message->hide();

    auto* centre = new QWidget(this);
    auto* centreLayout = new QVBoxLayout(centre);
    centreLayout->setContentsMargins(0, 0, 0, 0);
    centreLayout->addWidget(m_message);
    centreLayout->addWidget(m_split, 1);
    setCentralWidget(centre);

    m_run = new QAction(picture(this, "run", QStyle::SP_MediaPlay), tr("&Run"), this);
    m_run->setObjectName(QStringLiteral("mnuRun"));
    m_run->setShortcut(QKeySequence(Qt::Key_F5));
    m_run->setToolTip(tr("Run the query (F5)"));
    connect(m_run, &QAction::triggered, this, [this] { m_running ? cancelQuery() : void(runSql()); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("scCancel"));
    connect(escape, &QShortcut::activated, this, [this] {
        m_fetchingAll = false; // the rows so far stay
        if (m_running)
            cancelQuery();
    });

    auto* runCurrent = new QAction(tr("Run Current &Statement"), this);
    runCurrent->setObjectName(QStringLiteral("mnuRunCurrent"));
    runCurrent->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    runCurrent->setToolTip(tr("Run the statement under the cursor (Ctrl+Enter)"));
    connect(runCurrent, &QAction::triggered, this, [this] {
        if (!m_running)
            runCurrentStatement();
    });

    auto* copy = new QAction(tr("&Copy"), this);
    copy->setObjectName(QStringLiteral("mnuCopy"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetShortcut); // shown in the menu; the key itself goes to eventFilter
    m_grid->addAction(copy);
    m_grid->installEventFilter(this);
    m_grid->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(copy, &QAction::triggered, this, &MainWindow::copySelection);

    auto* quit = new QAction(tr("E&xit"), this);
    quit->setObjectName(QStringLiteral("mnuExit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);

    m_addDataSource = new QAction(tr("Add Data Source..."), this);
    m_addDataSource->setObjectName(QStringLiteral("mnuAddDataSource"));
    connect(m_addDataSource, &QAction::triggered, this, &MainWindow::addDataSource);

    auto* exportCsv = new QAction(tr("&Export Result to CSV..."), this);
    exportCsv->setObjectName(QStringLiteral("mnuExport"));
    connect(exportCsv, &QAction::triggered, this, [this] {
        if (!m_running)
            exportResult();
    });

    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(m_addDataSource);
    file->addAction(exportCsv);
    file->addSeparator();
    file->addAction(quit);
    QMenu* query = menuBar()->addMenu(tr("&Query"));
    query->addAction(m_run);
    query->addAction(runCurrent);

    m_fetchAll = new QAction(tr("Fetch &All Rows"), this);
    m_fetchAll->setObjectName(QStringLiteral("mnuFetchAll"));
    m_fetchAll->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_End));
    connect(m_fetchAll, &QAction::triggered, this, [this] {
        m_fetchingAll = true;
        fetchOnIfAll();
    });
    query->addAction(m_fetchAll);
    // Earlier queries of the data source in use, newest first.
    QMenu* history = query->addMenu(tr("&History"));
    history->setObjectName(QStringLiteral("mnuHistory"));
    connect(history, &QMenu::aboutToShow, this, [this, history] {
        history->clear();
        const QStringList texts =
            windowSettings().value(QStringLiteral("history/") + dataSourceName()).toStringList();
        for (const QString& text : texts) {
            const QString shown = text.simplified();
            QAction* item = history->addAction(shown.size() > 80 ? shown.left(79) + u'…' : shown);
            item->setToolTip(text);
            connect(item, &QAction::triggered, this, [this, text] { m_sql->setPlainText(text); });
        }
        if (texts.isEmpty())
            history->addAction(tr("(none yet)"))->setEnabled(false);
    });
    query->addSeparator();
    m_allowChanges = new QAction(tr("Allow &Changes"), this);
    m_allowChanges->setObjectName(QStringLiteral("mnuAllowChanges"));
    m_allowChanges->setCheckable(true);
    m_allowChanges->setToolTip(tr("Run statements that change data on this data source"));
    connect(m_allowChanges, &QAction::toggled, this, [this](bool allowed) {
        QSettings settings = windowSettings();
        settings.setValue(QStringLiteral("allow changes/") + dataSourceName(), allowed);
        showAccess();
    });
    query->addAction(m_allowChanges);
    QToolBar* bar = addToolBar(tr("Query"));
    bar->setObjectName(QStringLiteral("tlbQuery"));
    bar->addAction(m_run);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("lblStatus"));
    m_rows = new QLabel(this);
    m_rows->setObjectName(QStringLiteral("lblRows"));
    // "Editable SQL" lets the text be edited; whether statements may change
    // data is this connection's own matter, and said here.
    m_access = new QLabel(this);
    m_access->setObjectName(QStringLiteral("lblAccess"));
    m_busy = new QProgressBar(this);
    m_busy->setObjectName(QStringLiteral("prgBusy"));
    m_busy->setRange(0, 0); // how long is not known: it only shows that something runs
    m_busy->setMaximumWidth(120);
    m_busy->hide();
    statusBar()->addWidget(m_busy);
    statusBar()->addWidget(m_status, 1);
    statusBar()->addPermanentWidget(m_rows);
    statusBar()->addPermanentWidget(m_access);
    showAccess();

    connect(m_browser, &kwQuarry::RunQuery, this, &MainWindow::handleRunQuery);
    connect(m_browser, &kwQuarry::ErrHandle, this, &MainWindow::reportError);
    connect(m_browser, &kwQuarry::QuerySelected, this, &MainWindow::setStatus);
    connect(m_browser, &kwQuarry::Refreshed, this, &MainWindow::widenBrowser);
    // An expanded data source shows its longer category names.
    if (auto* tree = m_browser->findChild<QTreeView*>(QStringLiteral("tvwData")))
        connect(tree, &QTreeView::expanded, this, &MainWindow::widenBrowser);
    connect(m_results, &QAbstractItemModel::rowsInserted, this, &MainWindow::updateRows);
    connect(m_results, &QAbstractItemModel::modelReset, this, &MainWindow::updateRows);
    connect(m_results, &ResultsModel::fetchFailed, this, [this](const QString& description) {
        updateRows();
        showError(tr("Reading the rows failed:\n%1").arg(description));
    });
    connect(m_results, &ResultsModel::moreWanted, m_runner, &QueryRunner::fetch);
    connect(m_runner, &QueryRunner::executed, this, &MainWindow::queryExecuted);
    connect(m_runner, &QueryRunner::failed, this, &MainWindow::queryFailed);
    connect(m_runner, &QueryRunner::exportProgress, this, [this](int run, qint64 rows) {
        if (run == m_runId)
            m_exportRows = rows;
    });
    connect(m_runner, &QueryRunner::exported, this, [this](int run, qint64 rows, qint64 elapsedMs) {
        if (run != m_runId)
            return;
        setRunning(false);
        setStatus(tr("Exported %L1 rows to %2 in %L3 ms.").arg(rows).arg(m_exportFile).arg(elapsedMs));
        emit queryFinished(true);
    });
    connect(m_runner, &QueryRunner::fetched, this,
            [this](int run, const std::vector<ResultRow>& rows, bool atEnd) {
                if (run != m_runId)
                    return;
                m_results->append(rows, atEnd);
                fetchOnIfAll();
            });
    connect(m_tick, &QTimer::timeout, this, [this] {
        const QString seconds = QString::number(double(m_runTime.elapsed()) / 1000.0, 'f', 1);
        setStatus(
            m_exportRows < 0
                ? tr("Running query ... %1 s (Escape cancels)").arg(seconds)
                : tr("Exporting ... %L1 rows written, %2 s (Escape cancels)").arg(m_exportRows).arg(seconds));
    });

    // Within the screen at any scale: 1100 by 700 is more than a small screen at 200 % has.
    resize(QSize(1100, 700).boundedTo(screen()->availableGeometry().size() * 95 / 100));
    restoreWindow();
}

MainWindow::~MainWindow()
{
    unload();
}

bool MainWindow::initBrowser()
{
    const bool ok = m_browser->Init();
    applyEditPermission();
    // The first window grows, within the screen, until the tree's names fit
    // at the user's split beside a query pane of a useful width.
    if (!m_sized) {
        m_sized = true;
        const QRect screen = this->screen()->availableGeometry();
        // The splitter spans the window (no docks, no margins); its own width
        // is not laid out before the first show and would count the window twice.
        const int wanted = m_browser->sizeHint().width() * 100 / kBrowserMost;
        const int grown = std::min(std::max(width(), wanted), screen.width() * 95 / 100);
        if (grown > width())
            resize(grown, height());
    }
    widenBrowser();
    return ok;
}

QString MainWindow::statusText() const
{
    return m_status->text();
}

QString MainWindow::rowsText() const
{
    return m_rows->text();
}

void MainWindow::setConnection(const quarry::Connection& connection, const QString& queryName)
{
    m_connection = connection;
    m_maxRecords = 0;
    m_queryName->setText(queryName);
    showAccess();
}

bool MainWindow::isRunning() const
{
    return m_running;
}

void MainWindow::handleRunQuery(quarry::Connection adoConnection, QString strSQl, QString strQueryName,
                                kwQuarry::dkDataType dkCurrentDataType, int lngMaxRecords, bool blnAutoRun,
                                bool blnShowSQL, QString strDelimter, bool blnOptions)
{
    Q_UNUSED(strDelimter);
    Q_UNUSED(blnOptions);

    cancelQuery();
    clearEarlierResults();
    m_results->clear();
    m_elapsedMs = -1;
    m_connection = adoConnection;
    // "Return top" accepts any number; nothing below 1 limits the rows.
    m_maxRecords = qMax(0, lngMaxRecords);
    m_queryName->setText(strQueryName);
    showAccess();
    applyEditPermission();

    QString text = strSQl;
    bool run = blnAutoRun;
    bool edit = blnShowSQL;
    QString hint;
    if (dkCurrentDataType == kwQuarry::dkDataStoredProc && !text.trimmed().isEmpty()) {
        std::vector<quarry::Parameter> parameters;
        try {
            parameters = describeProcedure(adoConnection, text);
        } catch (const quarry::DatabaseError& e) {
            hint = tr("The parameters of %1 are unknown: %2").arg(text, e.Description());
        }
        const auto arguments = procedureArguments(parameters);
        text = procedureCallText(text, parameters);
        if (!arguments.empty()) {
            QStringList names;
            for (const quarry::Parameter& p : arguments)
                names << QStringLiteral("%1 %2").arg(p.Name, m_browser->Field_Type(p.Type)).trimmed();
            hint =
                tr("Replace the NULL arguments (%1), then run with F5.").arg(names.join(QLatin1String(", ")));
            // Running it with NULL for every argument helps nobody: let the user fill them in.
            if (!m_sql->isReadOnly()) {
                run = false;
                edit = true;
            }
        }
    }

    m_sql->setPlainText(text);
    if (edit) {
        m_sql->setFocus();
        m_sql->moveCursor(QTextCursor::End);
    }
    if (run && !text.trimmed().isEmpty()) {
        runSql();
        return;
    }
    setStatus(hint.isEmpty() ? tr("Press F5 to run the query.") : hint);
    updateRows();
}

void MainWindow::clearEarlierResults()
{
    while (m_tabs->count() > 1) {
        QWidget* earlier = m_tabs->widget(0);
        m_tabs->removeTab(0);
        delete earlier;
    }
    m_tabs->setTabText(0, tr("Result"));
}

void MainWindow::keepEarlierResult(const std::vector<ResultColumn>& columns,
                                   const std::vector<ResultRow>& rows, bool atEnd)
{
    // Only one result can stay open on a connection: an earlier one keeps what it read.
    auto* view = new QTableView(m_tabs);
    auto* model = new ResultsModel(view);
    model->begin(columns, rows, true);
    view->setModel(model);
    view->setWordWrap(false);
    view->resizeColumnsToContents();
    const int at = m_tabs->count() - 1;
    m_tabs->insertTab(at, view, tr("Result %1").arg(m_statementIndex + 1));
    if (!atEnd)
        m_tabs->setTabToolTip(
            at,
            tr("The first %L1 rows; run the statement alone for all of them.").arg(qsizetype(rows.size())));
}

bool MainWindow::runSql()
{
    clearEarlierResults();
    const QTextCursor cursor = m_sql->textCursor();
    const QString script = m_sql->toPlainText();
    // A script runs statement by statement, in order; the selection, if any, is the script.
    const qsizetype offset = cursor.hasSelection() ? cursor.selectionStart() : 0;
    const QString text = cursor.hasSelection() ? script.mid(offset, cursor.selectionEnd() - offset) : script;
    m_script.clear();
    for (const StatementSpan& span : statementSpans(text))
        m_script << StatementSpan{offset + span.Begin, offset + span.End};
    m_statementIndex = 0;
    if (m_script.size() < 2) {
        m_script.clear();
        return runText(text);
    }
    return runNextStatement();
}

bool MainWindow::runNextStatement()
{
    const StatementSpan span = m_script.value(m_statementIndex);
    return runText(m_sql->toPlainText().mid(span.Begin, span.End - span.Begin));
}

bool MainWindow::runCurrentStatement()
{
    m_script.clear();
    clearEarlierResults();
    return runText(statementAt(m_sql->toPlainText(), m_sql->textCursor().position()));
}

bool MainWindow::runText(const QString& sql)
{
    if (sql.trimmed().isEmpty()) {
        setStatus(tr("There is no query to run."));
        return false;
    }
    if (m_connection.State() == quarry::adStateClosed) {
        m_elapsedMs = -1;
        updateRows();
        showError(tr("The query has no open connection. Connect to a data source in the browser first."));
        return false;
    }
    m_results->clear();
    m_elapsedMs = -1;
    m_statement = false;
    updateRows();
    // The browser's connection belongs to the browser and its thread; the
    // query gets one of its own, opened from the same string.
    m_fetchingAll = false;
    m_lastSql = sql;
    remember(sql);
    m_runId = m_runner->run(m_connection.ConnectionString(), !m_allowChanges->isChecked(), sql, m_maxRecords,
                            m_results->batchSize());
    setRunning(true);
    return true;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The grid's own Copy takes the current cell alone.
    if (watched == m_grid && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        copySelection();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::exportResult()
{
    if (m_lastSql.isEmpty() || m_results->columnCount() == 0 ||
        m_connection.State() == quarry::adStateClosed) {
        setStatus(tr("There is no result to export: run a query that returns rows first."));
        return false;
    }
    const QString suggested = (m_queryName->text().section(QStringLiteral(" : "), -1).trimmed().isEmpty()
                                   ? QStringLiteral("result")
                                   : m_queryName->text().section(QStringLiteral(" : "), -1).trimmed()) +
                              QStringLiteral(".csv");
    const QString file = quarry::platform::Prompts::current().SaveFileName(
        tr("Export Result to CSV"), suggested, tr("CSV files (*.csv);;All files (*)"));
    if (file.isEmpty())
        return false;
    // The grid keeps what it read; the export reads every row again, straight to the file.
    m_results->append({}, true);
    m_exportFile = file;
    m_runId = m_runner->exportCsv(m_connection.ConnectionString(), !m_allowChanges->isChecked(), m_lastSql,
                                  m_maxRecords, file);
    setRunning(true);
    m_exportRows = 0;
    return true;
}

void MainWindow::copySelection()
{
    const QModelIndexList cells = m_grid->selectionModel()->selectedIndexes();
    if (cells.isEmpty())
        return;
    int top = INT_MAX, bottom = -1, left = INT_MAX, right = -1;
    for (const QModelIndex& cell : cells) {
        top = std::min(top, cell.row());
        bottom = std::max(bottom, cell.row());
        left = std::min(left, cell.column());
        right = std::max(right, cell.column());
    }
    // Column names first; a NULL leaves its cell empty, as spreadsheets expect.
    QStringList lines, line;
    for (int column = left; column <= right; ++column)
        line << m_sorted->headerData(column, Qt::Horizontal).toString();
    lines << line.join(u'\t');
    for (int row = top; row <= bottom; ++row) {
        line.clear();
        for (int column = left; column <= right; ++column) {
            const QModelIndex cell = m_sorted->index(row, column);
            const bool chosen = m_grid->selectionModel()->isSelected(cell);
            line << (chosen && !cell.data(ResultsModel::IsNullRole).toBool() ? cell.data().toString()
                                                                             : QString());
        }
        lines << line.join(u'\t');
    }
    QGuiApplication::clipboard()->setText(lines.join(u'\n') + u'\n');
}

void MainWindow::cancelQuery()
{
    if (!m_running)
        return;
    m_runner->cancel();
    m_cancelRequested = true;
    setStatus(tr("Cancelling ..."));
}

void MainWindow::queryExecuted(int run, const std::vector<ResultColumn>& columns,
                               const std::vector<ResultRow>& rows, bool atEnd, qint64 elapsedMs)
{
    if (run != m_runId)
        return;
    // MariaDB ends a cancelled SLEEP with a result: what came is shown, the
    // run still counts as cancelled.
    const bool cancelled = m_cancelRequested;
    if (!cancelled && m_statementIndex + 1 < m_script.size()) {
        if (!columns.empty())
            keepEarlierResult(columns, rows, atEnd);
        ++m_statementIndex;
        m_tabs->setTabText(m_tabs->count() - 1, tr("Result %1").arg(m_statementIndex + 1));
        setRunning(false);
        runNextStatement();
        setStatus(tr("Statement %1 of %2 ...").arg(m_statementIndex + 1).arg(m_script.size()));
        return;
    }
    setRunning(false);
    m_elapsedMs = elapsedMs;
    m_statement = columns.empty();
    // A new result arrives in the database's order.
    m_sorted->sort(-1);
    m_grid->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_results->begin(columns, rows, atEnd, m_maxRecords);
    m_grid->resizeColumnsToContents();
    setStatus(cancelled ? tr("Cancelled.") : m_statement ? tr("Statement executed.") : tr("Done."));
    updateRows();
    emit queryFinished(!cancelled);
}

void MainWindow::queryFailed(int run, const QString& description, bool cancelled)
{
    if (run != m_runId)
        return;
    if (!m_running) { // a later batch: the rows so far stay
        if (cancelled)
            m_results->append({}, true);
        else
            m_results->fail(description);
        return;
    }
    setRunning(false);
    updateRows();
    if (cancelled) {
        setStatus(tr("Cancelled."));
    } else if (m_statementIndex < m_script.size()) {
        // The failed statement is selected, where the user can mend it.
        const StatementSpan span = m_script[m_statementIndex];
        QTextCursor cursor = m_sql->textCursor();
        cursor.setPosition(int(span.Begin));
        cursor.setPosition(int(span.End), QTextCursor::KeepAnchor);
        m_sql->setTextCursor(cursor);
        setStatus(tr("The query failed."));
        showError(tr("Statement %1 of %2 failed:\n%3")
                      .arg(m_statementIndex + 1)
                      .arg(m_script.size())
                      .arg(description));
    } else {
        setStatus(tr("The query failed."));
        showError(description);
    }
    emit queryFinished(false);
}

void MainWindow::setRunning(bool running)
{
    m_running = running;
    m_run->setText(running ? tr("&Cancel") : tr("&Run"));
    m_run->setIcon(running ? picture(this, "cancel", QStyle::SP_MediaStop)
                           : picture(this, "run", QStyle::SP_MediaPlay));
    m_run->setToolTip(running ? tr("Cancel the query (Escape)") : tr("Run the query (F5)"));
    if (!running)
        m_exportRows = -1;
    m_busy->setVisible(running);
    if (running) {
        m_cancelRequested = false;
        m_runTime.start();
        m_tick->start();
        setStatus(tr("Running query ..."));
    } else {
        m_tick->stop();
    }
}

namespace {

// What the browser was doing, in the user's words; its procedure's name stays
// in the strip's tooltip and on stderr for whoever reports the fault.
QString plainWords(const QString& procedure)
{
    static const std::pair<const char*, const char*> words[] = {
        {"Connect_DataSource mnuConnect_Click tvwData_Expand",
         QT_TRANSLATE_NOOP("dabrook::MainWindow", "Could not connect to the data source")},
        {"Get_DataObjects Refresh_Data tvwData_NodeClick tvwData_MouseUp",
         QT_TRANSLATE_NOOP("dabrook::MainWindow", "Could not list the objects")},
        {"Get_Fields Show_ToolTip lvwData_ItemClick tmrTip_Timer grdTooltip_MouseMove",
         QT_TRANSLATE_NOOP("dabrook::MainWindow", "Could not read the fields")},
        {"Run_Query Run lvwData_DblClick lvwData_MouseUp lvwData_MouseDown mnuQuery_Click",
         QT_TRANSLATE_NOOP("dabrook::MainWindow", "Could not open the object")},
        // Raised for any statement the browser sends: a listing and a field look-up as well.
        {"Show_SQLError", QT_TRANSLATE_NOOP("dabrook::MainWindow", "The request to the database failed")},
        {"mnuNewDataSource_Click mnuEditDataSource_Click mnuDeleteDataSource_Click",
         QT_TRANSLATE_NOOP("dabrook::MainWindow", "Could not change the data sources")},
        {"mnuDisconnect_Click", QT_TRANSLATE_NOOP("dabrook::MainWindow", "Could not disconnect")},
    };
    for (const auto& [procedures, phrase] : words)
        if (QString::fromLatin1(procedures).split(u' ').contains(procedure))
            return MainWindow::tr(phrase);
    return MainWindow::tr("The browser could not do that");
}

} // namespace

void MainWindow::reportError(const QString& strSub, const QString& strDescription)
{
    const QString line = tr("%1: %2").arg(plainWords(strSub), strDescription);
    setStatus(line);
    showMessage(line);
    m_messageText->setToolTip(strSub);
    std::fprintf(stderr, "%s: (%s)\n", qUtf8Printable(AppTitle), qUtf8Printable(strSub));
}

bool MainWindow::addDataSource()
{
    if (!Glob::New_DataSource(0, false))
        return false;
    // Rebuilding reloads the list from the file: after a failed save that
    // would drop the new entry, which stays in memory for the next save.
    if (!Glob::Save_DataSources()) {
        showMessage(tr("The data-source list could not be saved to %1. The new data source is kept "
                       "until the list is saved again.")
                        .arg(Glob::Options().strDataSourceFile));
        return false;
    }
    return m_browser->Set_Options(false, false, true);
}

bool MainWindow::expandDataSource(const QString& name)
{
    auto* tree = m_browser->findChild<QTreeView*>(QStringLiteral("tvwData"));
    const QAbstractItemModel* model = tree ? tree->model() : nullptr;
    for (int row = 0; model && row < model->rowCount(); ++row) {
        const QModelIndex node = model->index(row, 0);
        if (node.data().toString() != name)
            continue;
        tree->expand(node);
        // A failed connect has collapsed the node again and said why.
        return tree->isExpanded(node);
    }
    showMessage(tr("There is no data source named \"%1\".").arg(name));
    return false;
}

bool MainWindow::listCategory(const QString& name, const QString& category)
{
    auto* tree = m_browser->findChild<QTreeView*>(QStringLiteral("tvwData"));
    const QAbstractItemModel* model = tree ? tree->model() : nullptr;
    for (int row = 0; model && row < model->rowCount(); ++row) {
        const QModelIndex source = model->index(row, 0);
        if (source.data().toString() != name)
            continue;
        for (int child = 0; child < model->rowCount(source); ++child) {
            const QModelIndex node = model->index(child, 0, source);
            // The English name works in every language.
            if (node.data(quarry::platform::TreeModel::TagRole).toString() != category &&
                node.data().toString() != category)
                continue;
            tree->setCurrentIndex(node);
            emit tree->clicked(node);
            return true;
        }
    }
    showMessage(tr("There is no category \"%1\" under \"%2\".").arg(category, name));
    return false;
}

QString MainWindow::messageText() const
{
    return m_message->isHidden() ? QString() : m_messageText->text();
}

void MainWindow::showMessage(const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(AppTitle), qUtf8Printable(text.simplified()));
    m_messageText->setText(text);
    m_messageText->setToolTip(QString());
    m_message->show();
}

void MainWindow::closeMessage()
{
    m_message->hide();
    m_messageText->clear();
}

void MainWindow::remember(const QString& sql)
{
    constexpr int kHistory = 50;
    QSettings settings = windowSettings();
    const QString key = QStringLiteral("history/") + dataSourceName();
    QStringList texts = settings.value(key).toStringList();
    texts.removeAll(sql);
    texts.prepend(sql);
    settings.setValue(key, texts.mid(0, kHistory));
}

QString MainWindow::dataSourceName() const
{
    // "Sample : Tables : orders": the query belongs to the data source "Sample".
    return m_queryName->text().section(QStringLiteral(" : "), 0, 0);
}

void MainWindow::showAccess()
{
    // Whether statements may change data is the connection's matter, not
    // "Editable SQL", which only lets the text be edited.
    const QSignalBlocker quiet(m_allowChanges);
    m_allowChanges->setChecked(
        windowSettings().value(QStringLiteral("allow changes/") + dataSourceName(), false).toBool());
    const bool allowed = m_allowChanges->isChecked();
    m_access->setText(allowed ? tr("Changes allowed") : tr("Read-only"));
    m_access->setToolTip(allowed
                             ? tr("Statements may change data on %1.").arg(dataSourceName())
                             : tr("Queries run on a read-only connection: statements cannot change data."));
}

void MainWindow::fetchOnIfAll()
{
    if (!m_fetchingAll)
        return;
    if (m_results->canFetchMore({}))
        m_results->fetchMore({});
    else if (!m_results->isFetching())
        m_fetchingAll = false;
}

void MainWindow::saveWindow()
{
    QSettings settings = windowSettings();
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("browser split"), m_split->saveState());
    settings.setValue(QStringLiteral("query split"), m_queryPane->saveState());
    settings.setValue(QStringLiteral("query name"), m_queryName->text());
    settings.setValue(QStringLiteral("sql/") + dataSourceName(), m_sql->toPlainText());
}

void MainWindow::restoreWindow()
{
    const QSettings settings = windowSettings();
    // A window placed before is placed again as it was, not grown to fit.
    if (restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray())) {
        m_sized = true;
        // Saved on a larger screen or at a smaller scale: shrunk and moved onto this one.
        const QRect screen = this->screen()->availableGeometry();
        if (!screen.contains(geometry())) {
            resize(size().boundedTo(screen.size()));
            move(std::clamp(x(), screen.left(), screen.right() - width() + 1),
                 std::clamp(y(), screen.top(), screen.bottom() - height() + 1));
        }
    }
    // Splitters take their saved sizes once the window has its own (showEvent).
    m_savedSplits = {settings.value(QStringLiteral("browser split")).toByteArray(),
                     settings.value(QStringLiteral("query split")).toByteArray()};
    const QString name = settings.value(QStringLiteral("query name")).toString();
    m_queryName->setText(name);
    showAccess();
    m_sql->setPlainText(
        settings.value(QStringLiteral("sql/") + name.section(QStringLiteral(" : "), 0, 0)).toString());
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Placed once the window has its size; later the user's own placement holds.
    if (m_splitPlaced)
        return;
    m_splitPlaced = true;
    m_queryPane->restoreState(m_savedSplits.second);
    if (m_split->restoreState(m_savedSplits.first))
        return;
    const int width = m_split->width() - m_split->handleWidth();
    const int browser = std::max(width * kBrowserShare / 100,
                                 std::min(m_browser->sizeHint().width(), width * kBrowserMost / 100));
    m_split->setSizes({browser, width - browser});
}

void MainWindow::widenBrowser()
{
    // Toolbar captions switched on, or longer names: the browser grows to fit
    // them as far as the query pane can spare.
    const QList<int> sizes = m_split->sizes();
    const int width = sizes.value(0) + sizes.value(1);
    const int wanted = std::min(m_browser->sizeHint().width(), width * kBrowserMost / 100);
    if (m_splitPlaced && sizes.value(0) < wanted)
        m_split->setSizes({wanted, width - wanted});
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    saveWindow();
    unload();
    event->accept();
}

void MainWindow::setStatus(const QString& text)
{
    m_status->setText(text);
}

void MainWindow::updateRows()
{
    if (m_elapsedMs < 0) {
        m_rows->clear();
        return;
    }
    const QString time = tr("%1 ms").arg(m_elapsedMs);
    if (m_statement && m_results->columnCount() == 0) {
        m_rows->setText(time);
        return;
    }
    const int rows = m_results->rowCount();
    QString count;
    if (m_results->hasPendingRows())
        count = tr("%L1+ rows").arg(rows);
    else
        count = rows == 1 ? tr("1 row") : tr("%L1 rows").arg(rows);
    m_rows->setText(QStringLiteral("%1, %2").arg(count, time));
}

void MainWindow::showError(const QString& text)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(AppTitle), qUtf8Printable(text.simplified()));
    quarry::platform::Prompts::current().MsgBox(text, quarry::platform::MsgButtons::OK,
                                                quarry::platform::MsgIcon::Critical, AppTitle);
}

void MainWindow::applyEditPermission()
{
    m_sql->setReadOnly(!m_browser->stOpenSQL());
}

void MainWindow::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    // Our statement first: the browser closes the connections it runs on.
    m_runner->close();
    m_results->clear();
    m_connection = quarry::Connection();
    m_browser->UnloadFlter();
}

} // namespace dabrook
