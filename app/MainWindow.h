// Dabrook's main window: the browser control on the left, the query text and
// its results on the right. The browser hands queries over through RunQuery;
// the window runs them, off its own thread, on a connection of its own opened
// from the same connection string.
#pragma once

#include "app/QueryRunner.h"
#include "app/SqlText.h"

#include <quarry/Database.h>
#include <quarry/kwQuarry.h>

#include <QElapsedTimer>
#include <QMainWindow>

class QAction;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QTabWidget;
class QTableView;
class QTimer;

namespace dabrook {

class ResultsModel;
class ResultsSort;

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Calls the browser's Init; false when it failed (it reported why itself).
    bool initBrowser();

    kwQuarry* browser() const { return m_browser; }
    ResultsModel* results() const { return m_results; }
    QPlainTextEdit* sqlEditor() const { return m_sql; }
    QTableView* resultsView() const { return m_grid; }
    QAction* runAction() const { return m_run; }
    QAction* addDataSourceAction() const { return m_addDataSource; }
    QSplitter* mainSplitter() const { return m_split; }
    QString statusText() const;
    QString rowsText() const;
    // The message strip's text while it is shown, "" once it is closed.
    QString messageText() const;

    // Makes `connection`'s data source the one that Run uses, as if the
    // browser had handed over a query on it; for the command line.
    void setConnection(const quarry::Connection& connection, const QString& queryName);
    // True from Run until the statement has run (or failed, or was cancelled).
    bool isRunning() const;

signals:
    // A run ended: `ok` when the statement ran, false when it failed or was cancelled.
    void queryFinished(bool ok);

public slots:
    // Starts the selected text, or else the whole query text, on the current
    // data source (F5); false when it could not start. While one runs, Run is
    // Cancel and stops it.
    bool runSql();
    // Starts the statement under the cursor (Ctrl+Enter).
    bool runCurrentStatement();
    // Writes every row of the last query that returned rows to a CSV file
    // the user names; false when there is none or the user cancelled.
    bool exportResult();
    // Copies the selected cells, with their column names, as tab-separated text.
    void copySelection();
    // Stops the running query; the rows so far stay.
    void cancelQuery();
    void handleRunQuery(quarry::Connection adoConnection, QString strSQl, QString strQueryName,
                        kwQuarry::dkDataType dkCurrentDataType, int lngMaxRecords, bool blnAutoRun,
                        bool blnShowSQL, QString strDelimter, bool blnOptions);
    void reportError(const QString& strSub, const QString& strDescription);
    // The editor for a new data source; on OK the list is saved and the tree
    // rebuilt. False when cancelled or failed (the store reported why).
    bool addDataSource();
    // Expands the data source of that name in the browser, which connects it.
    // False when there is none or it did not connect; the strip says why.
    bool expandDataSource(const QString& name);
    // Clicks category `category` ("Tables", "Views", "Stored Procedures", or
    // the caption shown for it) of the expanded data source `name`, as a user
    // would to list its objects.
    bool listCategory(const QString& name, const QString& category);
    // Shows `text` in the strip above the panes, in place of any earlier one,
    // and writes it to stderr.
    void showMessage(const QString& text);
    void closeMessage();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setStatus(const QString& text);
    void queryExecuted(int run, const std::vector<ResultColumn>& columns, const std::vector<ResultRow>& rows,
                       bool atEnd, qint64 elapsedMs);
    void queryFailed(int run, const QString& description, bool cancelled);
    void setRunning(bool running);
    bool runText(const QString& sql);
    bool runNextStatement();
    void clearEarlierResults();
    void keepEarlierResult(const std::vector<ResultColumn>& columns, const std::vector<ResultRow>& rows,
                           bool atEnd);
    void saveWindow();
    QString dataSourceName() const;
    void remember(const QString& sql);
    void showAccess();
    void fetchOnIfAll();
    void restoreWindow();
    void updateRows();
    void showError(const QString& text);
    void applyEditPermission();
    void widenBrowser();
    void unload();

    kwQuarry* m_browser = nullptr;
    ResultsModel* m_results = nullptr;
    ResultsSort* m_sorted = nullptr;
    QueryRunner* m_runner = nullptr;
    QTimer* m_tick = nullptr; // the running time in the status bar
    QElapsedTimer m_runTime;
    int m_runId = 0;
    bool m_running = false;
    bool m_cancelRequested = false;
    QPlainTextEdit* m_sql = nullptr;
    QTableView* m_grid = nullptr;
    QTabWidget* m_tabs = nullptr;
    QLabel* m_queryName = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_rows = nullptr;
    QAction* m_run = nullptr;
    QAction* m_addDataSource = nullptr;
    QAction* m_fetchAll = nullptr;
    QAction* m_allowChanges = nullptr;
    QLabel* m_access = nullptr;
    QProgressBar* m_busy = nullptr;
    bool m_fetchingAll = false;
    QString m_lastSql;
    QList<StatementSpan> m_script; // the statements of a script that runs, in the editor's text
    qsizetype m_statementIndex = 0;
    QString m_exportFile;
    qint64 m_exportRows = -1; // rows written while an export runs
    QSplitter* m_split = nullptr;
    QSplitter* m_queryPane = nullptr;
    std::pair<QByteArray, QByteArray> m_savedSplits; // browser, query
    QFrame* m_message = nullptr;
    QLabel* m_messageText = nullptr;

    quarry::Connection m_connection;
    qint64 m_maxRecords = 0;
    qint64 m_elapsedMs = -1;
    bool m_statement = false;
    bool m_unloaded = false;
    bool m_splitPlaced = false;
    bool m_sized = false;
};

} // namespace dabrook
