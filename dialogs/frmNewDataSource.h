// The modal editor of one data source: name, connection string, description
// and delimiter. It touches no store; the caller fills the four properties,
// shows it, then reads Cancelled() and the properties back.
#pragma once

#include "platform/widgets/BusyPointer.h"

#include <quarry/quarry_export.h>

#include <QDialog>
#include <QString>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class QUARRY_EXPORT frmNewDataSource : public QDialog
{
    Q_OBJECT

public:
    explicit frmNewDataSource(QWidget* parent = nullptr);
    ~frmNewDataSource() override;

    // True unless the user left with OK.
    bool Cancelled() const { return m_cancelled; }
    QString SourceName() const { return m_sourceName; }
    void setSourceName(const QString& name) { m_sourceName = name; }
    QString Connection() const { return m_connection; }
    void setConnection(const QString& connection) { m_connection = connection; }
    QString Description() const { return m_description; }
    void setDescription(const QString& description) { m_description = description; }
    QString Delimiter() const { return m_delimiter; }
    void setDelimiter(const QString& delimiter) { m_delimiter = delimiter; }

    // What the "Connection" button runs: given the dialog as owner and the
    // current connection string, it gives back a new string, or nothing when
    // the user cancelled. The default shows dlgConnectionBuilder; tests
    // replace it so that nothing modal opens.
    using ConnectionPrompt = std::function<std::optional<QString>(QWidget* owner, const QString& current)>;
    void setConnectionPrompt(ConnectionPrompt prompt);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Form_Load();
    void Form_Activate();
    void cboDelimiter_Change(const QString& text);
    void cmdDataSource_Click();
    void cmdOK_Click();
    void updateOK();
    void proposeDelimiter(const QString& delimiter);

    bool m_cancelled = true;
    // Once the user chooses a delimiter, a new connection no longer replaces it.
    bool m_delimiterPicked = false;
    QString m_sourceName;
    QString m_connection;
    QString m_description;
    QString m_delimiter;
    ConnectionPrompt m_connectionPrompt;
    quarry::platform::DefaultPointer m_pointer;

    QLineEdit* txtName = nullptr;
    QComboBox* cboDelimiter = nullptr;
    QPlainTextEdit* txtConnection = nullptr;
    QPlainTextEdit* txtDescription = nullptr;
    QLabel* lblReason = nullptr;
    QPushButton* cmdDataSource = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};
