#include "dialogs/frmOptions.h"

#include "dialogs/frmPassword.h"
#include "platform/db/ConnectionString.h"
#include "platform/widgets/BusyPointer.h"
#include "platform/widgets/Grid.h"
#include "platform/widgets/Prompts.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"
#include "settings/Password.h"
#include "settings/TextConvert.h"

#include <quarry/kwQuarry.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QThread>
#include <QVBoxLayout>

#include <exception>
#include <stdexcept>

namespace {

using quarry::platform::Grid;
using quarry::platform::GridModel;

enum Tab : int
{
    tabGeneral = 0,
    tabDataSources = 1,
    tabAdmin = 2,
};

// Grid columns of the data-source page.
enum GridColumn : int
{
    colNum,
    colID,
    colName,
    colProvider,
    colServer,
    colDatabase,
    colConnection,
    colDescription,
    colDelimiter,
    colCount
};

// Hidden columns keep their names untranslated.
const char* const kGridHeaders[colCount] = {"NUM",
                                            "ID",
                                            QT_TRANSLATE_NOOP("frmOptions", "Name"),
                                            QT_TRANSLATE_NOOP("frmOptions", "Provider"),
                                            QT_TRANSLATE_NOOP("frmOptions", "Server"),
                                            QT_TRANSLATE_NOOP("frmOptions", "Database"),
                                            "Connection",
                                            QT_TRANSLATE_NOOP("frmOptions", "Description"),
                                            QT_TRANSLATE_NOOP("frmOptions", "Delimiter")};

constexpr double kFitExtraTwips = 75;

struct OptionsHolder
{
    QPointer<frmOptions> dialog;
    ~OptionsHolder()
    {
        // Past the application's end (the main thread's thread_locals die
        // after main returns) a widget can no longer be deleted safely.
        if (dialog && QCoreApplication::instance() && dialog->thread() == QThread::currentThread())
            delete dialog.data();
    }
};

thread_local OptionsHolder t_options;

// Runs one procedure body of the dialog: a failure goes to the error
// reporter under the procedure's name and the procedure returns false.
template <class Body> bool reported(const QString& procedure, Body&& body)
{
    try {
        return body();
    } catch (const std::exception& error) {
        Glob::Reporter().ReportError(procedure, QString::fromUtf8(error.what()));
        return false;
    }
}

QCheckBox* checkBox(QWidget* parent, const QString& name, const QString& caption)
{
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

QPushButton* button(QWidget* parent, const QString& name, const QString& caption)
{
    auto* push = new QPushButton(caption, parent);
    push->setObjectName(name);
    push->setAutoDefault(false);
    return push;
}

QString indexed(const char* name, int index)
{
    return QString::fromLatin1(name) + QString::number(index);
}

} // namespace

frmOptions::frmOptions(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(tr("Options"));
    setModal(true);

    tabOptions = new QTabWidget(this);
    tabOptions->setObjectName(QStringLiteral("tabOptions"));

    // General: display, tooltips, split.
    auto* general = new QWidget(tabOptions);
    auto* fraDisplay = new QGroupBox(tr("Display"), general);
    fraDisplay->setObjectName(QStringLiteral("fraDisplay"));
    chkToolBarText = checkBox(fraDisplay, QStringLiteral("chkToolBarText"), tr("Toolbar Text"));
    chkGridLines = checkBox(fraDisplay, QStringLiteral("chkGridLines"), tr("Grid Lines"));
    auto* displayLayout = new QVBoxLayout(fraDisplay);
    displayLayout->addWidget(chkToolBarText);
    displayLayout->addWidget(chkGridLines);

    auto* fraTooltips = new QGroupBox(tr("Tooltips"), general);
    fraTooltips->setObjectName(QStringLiteral("fraTooltips"));
    chkObjectToolTips = checkBox(fraTooltips, QStringLiteral("chkObjectToolTips"), tr("Displayed"));
    chkFieldTypes = checkBox(fraTooltips, QStringLiteral("chkFieldTypes"), tr("Show Field Types"));
    chkSortFields = checkBox(fraTooltips, QStringLiteral("chkSortFields"), tr("Sort Fields"));
    txtObjectToolDelay = new QLineEdit(fraTooltips);
    txtObjectToolDelay->setObjectName(QStringLiteral("txtObjectToolDelay"));
    txtObjectToolDelay->setMaxLength(3);
    // Whole seconds only, typed or pasted; Tab, Enter and Escape stay the dialog's.
    txtObjectToolDelay->setValidator(
        new Glob::KeyFilter([](short key) { return Glob::Check_NumberKey(key, false); }, txtObjectToolDelay));
    lblDelay = new QLabel(tr("Delay"), fraTooltips);
    lblDelay->setObjectName(QStringLiteral("lblDelay"));
    lblDelay->setBuddy(txtObjectToolDelay);
    auto* tooltipsLayout = new QGridLayout(fraTooltips);
    tooltipsLayout->addWidget(chkObjectToolTips, 0, 0, 1, 2);
    tooltipsLayout->addWidget(chkFieldTypes, 1, 0, 1, 2);
    tooltipsLayout->addWidget(chkSortFields, 2, 0, 1, 2);
    tooltipsLayout->addWidget(lblDelay, 3, 0);
    tooltipsLayout->addWidget(txtObjectToolDelay, 3, 1);

    auto* fraSplit = new QGroupBox(tr("Split"), general);
    fraSplit->setObjectName(QStringLiteral("fraSplit"));
    optSplit[0] = new QRadioButton(tr("Vertical"), fraSplit);
    optSplit[1] = new QRadioButton(tr("Horizontal"), fraSplit);
    for (int i = 0; i < 2; ++i)
        optSplit[size_t(i)]->setObjectName(indexed("optSplit", i));
    chkLeft[0] = checkBox(fraSplit, indexed("chkLeft", 0), tr("Data objects on left\\top"));
    auto* splitLayout = new QVBoxLayout(fraSplit);
    splitLayout->addWidget(optSplit[0]);
    splitLayout->addWidget(optSplit[1]);
    splitLayout->addWidget(chkLeft[0]);

    auto* generalLayout = new QGridLayout(general);
    generalLayout->addWidget(fraDisplay, 0, 0);
    generalLayout->addWidget(fraSplit, 1, 0);
    generalLayout->addWidget(fraTooltips, 0, 1, 2, 1);
    generalLayout->setRowStretch(2, 1);
    tabOptions->addTab(general, tr("General"));

    // Data Sources: the grid and its four buttons.
    auto* sources = new QWidget(tabOptions);
    grdDataSources = new Grid(sources);
    grdDataSources->setObjectName(QStringLiteral("grdDataSources"));
    const char* const captions[] = {QT_TR_NOOP("&New"), QT_TR_NOOP("&Edit"), QT_TR_NOOP("&Delete"),
                                    QT_TR_NOOP("&Refresh")};
    auto* sourceButtons = new QVBoxLayout;
    for (int i = 0; i < 4; ++i) {
        cmdDataSource[size_t(i)] = button(sources, indexed("cmdDataSource", i), tr(captions[i]));
        sourceButtons->addWidget(cmdDataSource[size_t(i)]);
        connect(cmdDataSource[size_t(i)], &QPushButton::clicked, this, [this, i] { cmdDataSource_Click(i); });
    }
    sourceButtons->addStretch();
    auto* sourcesLayout = new QHBoxLayout(sources);
    sourcesLayout->addWidget(grdDataSources, 1);
    sourcesLayout->addLayout(sourceButtons);
    tabOptions->addTab(sources, tr("Data Sources"));

    // Admin: view, password, data types.
    auto* admin = new QWidget(tabOptions);
    auto* fraView = new QGroupBox(tr("View"), admin);
    fraView->setObjectName(QStringLiteral("fraView"));
    chkOptions = checkBox(fraView, QStringLiteral("chkOptions"), tr("Options"));
    chkOpenSQL = checkBox(fraView, QStringLiteral("chkOpenSQL"), tr("Editable SQL"));
    auto* viewLayout = new QVBoxLayout(fraView);
    viewLayout->addWidget(chkOptions);
    viewLayout->addWidget(chkOpenSQL);

    auto* fraPassword = new QGroupBox(tr("Password"), admin);
    fraPassword->setObjectName(QStringLiteral("fraPassword"));
    chkPasswordData = checkBox(fraPassword, QStringLiteral("chkPasswordData"), tr("Data Sources ("));
    chkDataSource = checkBox(fraPassword, QStringLiteral("chkDataSource"), tr("Editable)"));
    chkPasswordAdmin = checkBox(fraPassword, QStringLiteral("chkPasswordAdmin"), tr("Admin"));
    cmdPassword = button(fraPassword, QStringLiteral("cmdPassword"), tr("&Set"));
    auto* passwordLayout = new QVBoxLayout(fraPassword);
    auto* dataLine = new QHBoxLayout; // the two captions read as one phrase
    dataLine->setSpacing(0);
    dataLine->addWidget(chkPasswordData);
    dataLine->addWidget(chkDataSource);
    dataLine->addStretch();
    passwordLayout->addLayout(dataLine);
    passwordLayout->addWidget(chkPasswordAdmin);
    passwordLayout->addWidget(cmdPassword, 0, Qt::AlignLeft);

    auto* fraDataTypes = new QGroupBox(tr("Data Types"), admin);
    fraDataTypes->setObjectName(QStringLiteral("fraDataTypes"));
    const char* const kinds[] = {QT_TR_NOOP("Tables"), QT_TR_NOOP("Views"), QT_TR_NOOP("Stored Procs.")};
    auto* typesLayout = new QVBoxLayout(fraDataTypes);
    for (int i = 0; i < 3; ++i) {
        chkQueryView[size_t(i)] = checkBox(fraDataTypes, indexed("chkQueryView", i), tr(kinds[i]));
        typesLayout->addWidget(chkQueryView[size_t(i)]);
    }

    auto* adminLayout = new QGridLayout(admin);
    adminLayout->addWidget(fraView, 0, 0);
    adminLayout->addWidget(fraDataTypes, 1, 0);
    adminLayout->addWidget(fraPassword, 0, 1, 2, 1);
    adminLayout->setRowStretch(2, 1);
    tabOptions->addTab(admin, tr("Admin"));

    cmdOK = button(this, QStringLiteral("cmdOK"), tr("&OK"));
    cmdOK->setDefault(true);
    cmdCancel = button(this, QStringLiteral("cmdCancel"), tr("&Cancel"));
    cmdApply = button(this, QStringLiteral("cmdApply"), tr("&Apply"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addWidget(cmdApply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabOptions);
    layout->addLayout(buttons);
    resize(560, 360);

    // Programmatic ticks count as clicks too: Init undoes what its own ticks set.
    for (QCheckBox* box : {chkToolBarText, chkGridLines, chkFieldTypes, chkSortFields, chkLeft[0],
                           chkDataSource, chkOpenSQL, chkOptions})
        connect(box, &QCheckBox::toggled, this, [this] { markChanged(); });
    for (QRadioButton* option : optSplit)
        connect(option, &QRadioButton::toggled, this, [this] { markChanged(); });
    for (QCheckBox* box : chkQueryView)
        connect(box, &QCheckBox::toggled, this, [this] { markChanged(true); });
    connect(txtObjectToolDelay, &QLineEdit::textChanged, this, [this] { markChanged(); });
    connect(chkObjectToolTips, &QCheckBox::toggled, this, &frmOptions::chkObjectToolTips_Click);
    connect(chkPasswordAdmin, &QCheckBox::toggled, this, &frmOptions::chkPassword_Click);
    connect(chkPasswordData, &QCheckBox::toggled, this, &frmOptions::chkPassword_Click);
    connect(tabOptions, &QTabWidget::currentChanged, this, &frmOptions::tabOptions_Click);
    connect(grdDataSources, &Grid::cellDoubleClicked, this, &frmOptions::grdDataSources_DblClick);
    connect(cmdPassword, &QPushButton::clicked, this, &frmOptions::cmdPassword_Click);
    connect(cmdApply, &QPushButton::clicked, this, &frmOptions::cmdApply_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOptions::unloadForm);
}

frmOptions::~frmOptions() = default;

frmOptions& frmOptions::instance()
{
    if (!t_options.dialog)
        t_options.dialog = new frmOptions;
    return *t_options.dialog;
}

void frmOptions::reject()
{
    unloadForm();
}

void frmOptions::showEvent(QShowEvent* event)
{
    // Each showing is a fresh load of the one kept instance.
    if (!event->spontaneous()) {
        Form_Load();
        Form_Activate();
    }
    QDialog::showEvent(event);
}

void frmOptions::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        m_pointer.restore();
    QDialog::hideEvent(event);
}

void frmOptions::resetToDesign()
{
    // What a newly loaded form would show before Init fills it.
    const QSignalBlocker tabs(tabOptions);
    tabOptions->setTabEnabled(tabDataSources, true);
    tabOptions->setCurrentIndex(tabGeneral);
    m_currentTab = tabGeneral;
    for (QCheckBox* box : findChildren<QCheckBox*>()) {
        box->setChecked(false);
        box->setEnabled(true);
    }
    optSplit[0]->setChecked(true);
    txtObjectToolDelay->clear();
    txtObjectToolDelay->setEnabled(true);
    cmdPassword->setEnabled(true);
    cmdApply->setEnabled(true);
}

void frmOptions::Form_Load()
{
    resetToDesign();
    m_loaded = Init();
}

void frmOptions::Form_Activate()
{
    // The caller may still show its busy pointer; this dialog waits for the user.
    m_pointer.show();
    // Closing from inside the showing would leave a modal loop without a dialog.
    if (!m_loaded)
        QMetaObject::invokeMethod(
            this, [this] { QDialog::done(QDialog::Rejected); }, Qt::QueuedConnection);
}

bool frmOptions::Init()
{
    m_loaded = false;
    m_unlocked = false;
    return reported(QStringLiteral("Init"), [this] {
        if (!Set_Grid())
            return false;
        const Glob::BrowserOptions& options = Glob::Options();
        if (options.blnSplitHorizontal)
            optSplit[1]->setChecked(true);
        chkLeft[0]->setChecked(options.blnSplitLeft);
        chkGridLines->setChecked(options.blnGridLines);
        chkToolBarText->setChecked(options.blnToolBarText);
        if (!Set_ToolTips())
            return false;

        chkObjectToolTips->setChecked(options.blnToolTips);
        for (QWidget* dependent : {static_cast<QWidget*>(chkFieldTypes), static_cast<QWidget*>(chkSortFields),
                                   static_cast<QWidget*>(txtObjectToolDelay)})
            dependent->setEnabled(options.blnToolTips);
        chkFieldTypes->setChecked(options.blnToolTipTypes);
        txtObjectToolDelay->setText(Glob::IntToText(options.lngToolTipDelay));
        chkSortFields->setChecked(options.blnToolTipSort);

        chkDataSource->setChecked(options.blnEditData);
        chkQueryView[0]->setChecked(options.blnQueryTables);
        chkQueryView[1]->setChecked(options.blnQueryViews);
        chkQueryView[2]->setChecked(options.blnQueryProcs);
        chkPasswordAdmin->setChecked(options.blnAdminPassword);
        chkPasswordData->setChecked(options.blnDataPassword);
        cmdPassword->setEnabled(options.blnAdminPassword || options.blnDataPassword);
        chkOpenSQL->setChecked(options.blnOpenSQL);
        chkOptions->setChecked(options.blnOptions);

        // A tab about to become unavailable is not worth a password prompt.
        if (m_initialTab > -1 && (m_initialTab != tabDataSources || options.blnEditData))
            tabOptions->setCurrentIndex(m_initialTab);
        tabOptions->setTabEnabled(tabDataSources, options.blnEditData);
        if (!options.blnEditData && tabOptions->currentIndex() == tabDataSources)
            tabOptions->setCurrentIndex(tabGeneral);

        if (!Refresh_DataSources())
            return false;
        cmdApply->setEnabled(false);
        m_dataChanged = false;
        m_chartChanged = false;
        m_dataSourceChanged = false;
        return true;
    });
}

bool frmOptions::Set_ToolTips()
{
    return reported(QStringLiteral("Set_ToolTips"), [this] {
        chkToolBarText->setToolTip(tr("Display descriptive text on Data toolbar icons"));
        chkGridLines->setToolTip(tr("Display grid lines (Details view only)"));
        chkObjectToolTips->setToolTip(tr("Display object fields as tooltip"));
        chkSortFields->setToolTip(tr("Sort fields in tool tip by name"));
        txtObjectToolDelay->setToolTip(tr("Object tool tip delay"));
        optSplit[0]->setToolTip(tr("Split Browser and Data Objects panes vertically"));
        optSplit[1]->setToolTip(tr("Split Browser and Data Objects panes horizontally"));
        chkLeft[0]->setToolTip(tr("Display data objects pane on the left\\top"));
        chkOptions->setToolTip(tr("Allow user to set options"));
        chkOpenSQL->setToolTip(tr("Allow user to edit Results SQL"));
        chkPasswordData->setToolTip(tr("Require password to view Data Sources tab"));
        chkDataSource->setToolTip(tr("Allow user to edit Data Sources"));
        chkPasswordAdmin->setToolTip(tr("Require password to view Admin tab"));
        cmdPassword->setToolTip(tr("Set password for Data Sources and Admin tabs"));
        chkQueryView[0]->setToolTip(tr("Allow user to query Tables"));
        chkQueryView[1]->setToolTip(tr("Allow user to query Views"));
        chkQueryView[2]->setToolTip(tr("Allow user to query Stored Procedures"));
        cmdOK->setToolTip(tr("Save changes and exit"));
        cmdCancel->setToolTip(tr("Exit without saving changes"));
        cmdApply->setToolTip(tr("Apply changes"));
        cmdDataSource[0]->setToolTip(tr("Add a new Data Source"));
        cmdDataSource[1]->setToolTip(tr("Edit the current Data Source"));
        cmdDataSource[2]->setToolTip(tr("Delete the current Data Source"));
        cmdDataSource[3]->setToolTip(tr("Refresh the Data Sources"));
        return true;
    });
}

bool frmOptions::Save_Changes()
{
    return reported(QStringLiteral("Save_Changes"), [this] {
        Glob::BrowserOptions& options = Glob::Options();
        options.blnToolBarText = chkToolBarText->isChecked();
        options.blnToolTips = chkObjectToolTips->isChecked();
        options.blnToolTipTypes = chkFieldTypes->isChecked();
        const std::optional<int> delay = Glob::TextToInt(txtObjectToolDelay->text());
        if (!delay)
            throw std::invalid_argument(
                tr("Type mismatch: the tooltip delay \"%1\" is not a whole number of seconds.")
                    .arg(txtObjectToolDelay->text())
                    .toStdString());
        options.lngToolTipDelay = *delay;
        options.blnToolTipSort = chkSortFields->isChecked();
        options.blnEditData = chkDataSource->isChecked();
        options.blnQueryTables = chkQueryView[0]->isChecked();
        options.blnQueryViews = chkQueryView[1]->isChecked();
        options.blnQueryProcs = chkQueryView[2]->isChecked();
        options.blnAdminPassword = chkPasswordAdmin->isChecked();
        options.blnDataPassword = chkPasswordData->isChecked();
        if (!options.blnAdminPassword && !options.blnDataPassword)
            options.strPassword.clear(); // nothing guarded, nothing to remember

        options.blnOpenSQL = chkOpenSQL->isChecked();
        options.blnOptions = chkOptions->isChecked();
        options.blnGridLines = chkGridLines->isChecked();
        options.blnSplitHorizontal = optSplit[1]->isChecked();
        options.blnSplitLeft = chkLeft[0]->isChecked();

        if (!Glob::Save_INI() || !Glob::Save_Options())
            return false;
        cmdApply->setEnabled(false);
        return true;
    });
}

bool frmOptions::unloadForm()
{
    if (m_loaded && cmdApply->isEnabled()) {
        using namespace quarry::platform;
        const MsgResult answer = Prompts::current().MsgBox(tr("Save changes?"), MsgButtons::YesNoCancel,
                                                           MsgIcon::Question, windowTitle());
        if (answer == MsgResult::Cancel)
            return false;
        // Saved, but neither the data-source list nor the control hears of it.
        if (answer == MsgResult::Yes && !Save_Changes())
            return false;
    }
    QDialog::done(QDialog::Rejected);
    return true;
}

void frmOptions::applyToControl()
{
    if (!m_calledFrom)
        return;
    m_calledFrom->Set_Options(m_dataChanged, m_chartChanged, m_dataSourceChanged);
    // The control has read the list back from its file, renumbered: the grid
    // must show the same rows, or a later edit or delete hits another entry.
    if (m_dataSourceChanged)
        Refresh_DataSources();
}

bool frmOptions::saveDataSources()
{
    if (Glob::Save_DataSources())
        return true;
    Glob::Reporter().ReportError(QStringLiteral("Save_DataSources"),
                                 tr("The data sources could not be written to %1; "
                                    "the changes are kept in memory only.")
                                     .arg(Glob::Options().strDataSourceFile));
    return false;
}

void frmOptions::markChanged(bool dataSourceChanged)
{
    cmdApply->setEnabled(true);
    m_dataChanged = true;
    if (dataSourceChanged)
        m_dataSourceChanged = true;
}

void frmOptions::chkObjectToolTips_Click()
{
    markChanged();
    const bool shown = chkObjectToolTips->isChecked();
    txtObjectToolDelay->setEnabled(shown);
    chkSortFields->setEnabled(shown);
    chkFieldTypes->setEnabled(shown);
}

void frmOptions::chkPassword_Click()
{
    markChanged();
    cmdPassword->setEnabled(chkPasswordAdmin->isChecked() || chkPasswordData->isChecked());
}

void frmOptions::tabOptions_Click(int tab)
{
    const int previous = m_currentTab;
    m_currentTab = tab;
    if (m_revertingTab)
        return;
    const Glob::BrowserOptions& options = Glob::Options();
    if (options.strPassword.isEmpty() || m_unlocked)
        return;
    const bool guarded =
        (tab == tabAdmin && options.blnAdminPassword) || (tab == tabDataSources && options.blnDataPassword);
    if (!guarded)
        return;
    frmPassword& password = Glob::PasswordDialog();
    password.setChangeMode(false);
    password.exec();
    if (password.Cancelled()) {
        m_revertingTab = true;
        tabOptions->setCurrentIndex(previous);
        m_revertingTab = false;
    } else {
        m_unlocked = true;
    }
}

void frmOptions::cmdApply_Click()
{
    // A failed write would be followed by the control reading the old file
    // back, and the edits would be gone; the dialog stays dirty instead.
    if (m_dataSourceChanged) {
        if (!saveDataSources())
            return;
        Refresh_DataSources();
    }
    const bool saved = Save_Changes();
    if (saved)
        applyToControl();
    cmdApply->setEnabled(!saved);
    if (!cmdApply->isEnabled())
        cmdOK->setFocus();
}

void frmOptions::cmdOK_Click()
{
    if (cmdApply->isEnabled()) {
        if (m_dataSourceChanged && !saveDataSources())
            return;
        if (Save_Changes())
            applyToControl();
    }
    unloadForm();
}

void frmOptions::cmdPassword_Click()
{
    // The password dialog puts the arrow back while it waits for the user.
    const quarry::platform::BusyPointer busy;
    frmPassword& password = Glob::PasswordDialog();
    password.setChangeMode(true);
    password.exec();
}

bool frmOptions::Set_Grid()
{
    return reported(QStringLiteral("Set_Grid"), [this] {
        GridModel* grid = grdDataSources->grid();
        grid->setCols(colCount);
        if (grid->rows() < 1)
            grid->setRows(1);
        grid->setFixedRows(1);
        for (int col = 0; col < colCount; ++col)
            grid->setText(0, col, tr(kGridHeaders[col]));
        for (int col : {colNum, colID, colConnection})
            grdDataSources->setColumnHidden(col, true);
        return true;
    });
}

bool frmOptions::Refresh_DataSources()
{
    return reported(QStringLiteral("Refresh_DataSources"), [this] {
        for (int i = 1; i <= 3; ++i)
            cmdDataSource[size_t(i)]->setEnabled(false);
        GridModel* grid = grdDataSources->grid();
        grid->cutToHeader();
        m_rowEntries.clear();
        const Glob::DataSourceTable& table = Glob::aDataSources();
        QStringList unreadable;
        int added = 0;
        for (int i = 1; i <= Glob::kDataSourceRows; ++i) {
            const Glob::DataSource& entry = table[size_t(i)];
            if (entry[Glob::dsName].isEmpty())
                continue;
            const QString connection = entry[Glob::dsConnection];
            // The connection layer's own reading, so the grid shows what a
            // connection made from the string would use.
            std::vector<quarry::db::ConnectionItem> items;
            try {
                items = quarry::db::parseConnectionString(connection);
            } catch (const std::exception& error) {
                unreadable << entry[Glob::dsName] + QStringLiteral(": ") + QString::fromUtf8(error.what());
            }
            const auto value = [&items](const char* key) {
                return quarry::db::findItem(items, QString::fromLatin1(key)).value_or(QString());
            };
            grid->addRow({entry[0], entry[Glob::dsID], entry[Glob::dsName], value("Provider"),
                          value("Data Source"), value("Initial Catalog"), connection,
                          entry[Glob::dsDescription], entry[Glob::dsDelimiter]});
            m_rowEntries.push_back(i);
            ++added;
        }
        // One message for the whole list: a box for every value of every
        // unreadable string would stand between the user and the dialog.
        if (!unreadable.isEmpty())
            Glob::Reporter().ReportError(QStringLiteral("Refresh_DataSources"), unreadable.join(u'\n'));
        if (added > 0) {
            for (int i = 1; i <= 3; ++i)
                cmdDataSource[size_t(i)]->setEnabled(true);
            grdDataSources->setCurrentRow(1);
        }
        grdDataSources->fitColumns(0, grid->cols() - 1, kFitExtraTwips);
        return true;
    });
}

void frmOptions::cmdDataSource_Click(int index)
{
    GridModel* grid = grdDataSources->grid();
    const int row = grdDataSources->currentRow();
    switch (index) {
    case 0:
        if (Glob::New_DataSource(grid->rows(), false)) {
            Refresh_DataSources();
            markChanged(true);
        }
        break;
    case 1: {
        if (row < grid->fixedRows())
            return;
        bool number = false;
        const int entry = grid->text(row, colID).toInt(&number);
        if (!number) {
            Glob::Reporter().ReportError(QStringLiteral("cmdDataSource_Click"),
                                         tr("The data source \"%1\" has been deleted and cannot be edited.")
                                             .arg(grid->text(row, colName)));
            return;
        }
        if (Glob::New_DataSource(entry, true)) {
            Refresh_DataSources();
            markChanged(true);
        }
        break;
    }
    case 2:
        // Row r shows entry r while no entry before it lacks a name; the
        // recorded entry stays right when one does.
        if (row < grid->fixedRows() || row - grid->fixedRows() >= int(m_rowEntries.size()))
            return;
        if (Glob::Delete_DataSource(m_rowEntries[size_t(row - grid->fixedRows())]))
            markChanged(true);
        break;
    case 3: {
        const quarry::platform::BusyPointer busy;
        Refresh_DataSources();
        break;
    }
    default:
        break;
    }
}

void frmOptions::grdDataSources_DblClick(int /*row*/)
{
    if (cmdDataSource[1]->isEnabled())
        cmdDataSource_Click(1);
}
