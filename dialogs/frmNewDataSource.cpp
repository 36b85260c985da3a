#include "dialogs/frmNewDataSource.h"

#include "dialogs/dlgConnectionBuilder.h"
#include "platform/db/ConnectionString.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

namespace {

// Every identifier quote a known database uses; "[" closes with "]".
const QStringList kDelimiters{QStringLiteral("\""), QStringLiteral("`"), QStringLiteral("[")};

QPlainTextEdit* scrollingText(QWidget* parent)
{
    auto* edit = new QPlainTextEdit(parent);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    edit->setTabChangesFocus(true);
    return edit;
}

} // namespace

frmNewDataSource::frmNewDataSource(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmNewDataSource"));
    setWindowTitle(tr("New Data Source"));
    setModal(true);

    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setMaxLength(255);
    auto* lblName = new QLabel(tr("Name"), this);
    lblName->setObjectName(QStringLiteral("lblName"));
    lblName->setBuddy(txtName);

    cboDelimiter = new QComboBox(this);
    cboDelimiter->setObjectName(QStringLiteral("cboDelimiter"));
    cboDelimiter->setEditable(true);
    cboDelimiter->setInsertPolicy(QComboBox::NoInsert);
    auto* lblDelimiter = new QLabel(tr("Delimiter"), this);
    lblDelimiter->setObjectName(QStringLiteral("lblDelimiter"));
    lblDelimiter->setBuddy(cboDelimiter);

    txtConnection = scrollingText(this);
    txtConnection->setObjectName(QStringLiteral("txtConnection"));
    txtConnection->setReadOnly(true);
    txtConnection->setToolTip(tr("Connection string"));
    auto* lblConnection = new QLabel(tr("Connection"), this);
    lblConnection->setObjectName(QStringLiteral("lblConnection"));
    lblConnection->setBuddy(txtConnection);

    txtDescription = scrollingText(this);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));

    cmdDataSource = new QPushButton(tr("C&onnection"), this);
    cmdDataSource->setObjectName(QStringLiteral("cmdDataSource"));
    cmdDataSource->setToolTip(tr("Build the connection string"));
    cmdDataSource->setAutoDefault(false);

    lblReason = new QLabel(this);
    lblReason->setObjectName(QStringLiteral("lblReason"));
    lblReason->setWordWrap(true);

    cmdOK = new QPushButton(tr("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setToolTip(tr("Save changes and exit"));
    cmdOK->setDefault(true);
    cmdOK->setEnabled(false);

    cmdCancel = new QPushButton(tr("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(tr("Exit without saving changes"));
    cmdCancel->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(lblName, 0, 0);
    grid->addWidget(lblDelimiter, 0, 1);
    grid->addWidget(txtName, 1, 0);
    grid->addWidget(cboDelimiter, 1, 1);
    auto* connectionRow = new QHBoxLayout;
    connectionRow->addWidget(lblConnection);
    connectionRow->addStretch();
    connectionRow->addWidget(cmdDataSource);
    grid->addLayout(connectionRow, 2, 0, 1, 2);
    grid->addWidget(txtConnection, 3, 0, 1, 2);
    grid->addWidget(txtDescription, 4, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblReason, 1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 5, 0, 1, 2);
    grid->setColumnStretch(0, 1);
    resize(420, 300);

    m_connectionPrompt = [](QWidget* owner, const QString& current) {
        return dlgConnectionBuilder::prompt(owner, current);
    };

    connect(cboDelimiter, &QComboBox::currentTextChanged, this, &frmNewDataSource::cboDelimiter_Change);
    connect(cboDelimiter, &QComboBox::activated, this, [this] { m_delimiterPicked = true; });
    connect(cboDelimiter->lineEdit(), &QLineEdit::textEdited, this, [this] { m_delimiterPicked = true; });
    connect(txtName, &QLineEdit::textChanged, this, &frmNewDataSource::updateOK);
    connect(cmdDataSource, &QPushButton::clicked, this, &frmNewDataSource::cmdDataSource_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmNewDataSource::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject); // Escape rejects too
}

frmNewDataSource::~frmNewDataSource() = default;

void frmNewDataSource::setConnectionPrompt(ConnectionPrompt prompt)
{
    m_connectionPrompt = std::move(prompt);
}

void frmNewDataSource::showEvent(QShowEvent* event)
{
    // Each showing is a fresh load: the one instance is reused for every edit.
    if (!event->spontaneous()) {
        Form_Load();
        Form_Activate();
    }
    QDialog::showEvent(event);
}

void frmNewDataSource::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        m_pointer.restore();
    QDialog::hideEvent(event);
}

void frmNewDataSource::Form_Load()
{
    m_cancelled = true;
    txtConnection->setPlainText(m_connection);
    txtName->setText(m_sourceName);
    txtDescription->setPlainText(m_description);

    cboDelimiter->clear();
    cboDelimiter->addItems(kDelimiters);
    // An entry's own delimiter counts as chosen only when it is not what its
    // database would have given it.
    m_delimiterPicked = !m_delimiter.isEmpty() && m_delimiter != quarry::db::identifierQuoteFor(m_connection);
    proposeDelimiter(m_delimiter.isEmpty() ? quarry::db::identifierQuoteFor(m_connection) : m_delimiter);
    updateOK();
    txtName->setFocus();
}

void frmNewDataSource::proposeDelimiter(const QString& delimiter)
{
    if (!delimiter.isEmpty() && cboDelimiter->findText(delimiter, Qt::MatchExactly) < 0)
        cboDelimiter->addItem(delimiter);
    cboDelimiter->setCurrentIndex(cboDelimiter->findText(delimiter, Qt::MatchExactly));
    cboDelimiter->setEditText(delimiter);
}

// A nameless entry would be left out of the list when it is next loaded.
void frmNewDataSource::updateOK()
{
    QString reason;
    if (txtConnection->toPlainText().isEmpty())
        reason = tr("Build the connection string with the Connection button.");
    else if (txtName->text().trimmed().isEmpty())
        reason = tr("Type a name for the data source.");
    lblReason->setText(reason);
    cmdOK->setEnabled(reason.isEmpty());
}

void frmNewDataSource::Form_Activate()
{
    // The caller may still show its busy pointer; this dialog waits for the user.
    m_pointer.show();
    setWindowTitle(m_sourceName.isEmpty() ? tr("New Data Source") : tr("Edit Data Source"));
}

void frmNewDataSource::cboDelimiter_Change(const QString& text)
{
    if (text.size() > 1)
        cboDelimiter->setEditText(text.left(1)); // re-enters with the one character
}

void frmNewDataSource::cmdDataSource_Click()
{
    if (!m_connectionPrompt)
        return;
    std::optional<QString> built;
    try {
        built = m_connectionPrompt(this, txtConnection->toPlainText());
    } catch (const std::exception&) {
        return; // a failed prompt changes nothing, like a cancelled one
    }
    if (!built || built->isEmpty())
        return;
    txtConnection->setPlainText(*built);
    m_connection = *built;
    // A quote the database does not know opens no table.
    if (!m_delimiterPicked)
        proposeDelimiter(quarry::db::identifierQuoteFor(*built));
    updateOK();
    txtName->setFocus();
}

void frmNewDataSource::cmdOK_Click()
{
    m_cancelled = false;
    m_sourceName = txtName->text();
    m_connection = txtConnection->toPlainText();
    m_description = txtDescription->toPlainText();
    m_delimiter = cboDelimiter->currentText();
    accept();
}
