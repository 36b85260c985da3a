#include "dialogs/frmPassword.h"

#include "platform/widgets/BusyPointer.h"
#include "platform/widgets/Prompts.h"
#include "settings/Glob.h"
#include "settings/Password.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>

#include <exception>

namespace {

constexpr int kMaxPasswordLength = 8;

// What is compared and stored: never the clear text.
QString normalised(const QString& typed)
{
    return Glob::Scramble_Password(typed.trimmed().toUpper());
}

} // namespace

frmPassword::frmPassword(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmPassword"));
    setWindowTitle(tr("Admin Password"));
    setModal(true);

    static const char* const captions[] = {QT_TR_NOOP("Current"), QT_TR_NOOP("New"), QT_TR_NOOP("Confirm")};
    static const char* const tips[] = {QT_TR_NOOP("The current password"), QT_TR_NOOP("The new pasword"),
                                       QT_TR_NOOP("Retype new password for confirmation")};
    auto* grid = new QGridLayout(this);
    for (int i = 0; i < 3; ++i) {
        auto* box = new QLineEdit(this);
        box->setObjectName(QStringLiteral("txtPassword%1").arg(i));
        box->setEchoMode(QLineEdit::Password);
        box->setMaxLength(kMaxPasswordLength);
        box->setToolTip(tr(tips[i]));
        // Pasted and dropped text meets the filter typed keys meet, so the
        // context menu and its Paste can stay.
        box->setValidator(new Glob::KeyFilter(&Glob::Check_AlphaKey, box));
        auto* label = new QLabel(tr(captions[i]), this);
        label->setObjectName(QStringLiteral("lblLabel%1").arg(i));
        label->setBuddy(box);
        grid->addWidget(label, i, 0);
        grid->addWidget(box, i, 1);
        txtPassword[i] = box;
        lblLabel[i] = label;
        connect(box, &QLineEdit::textChanged, this, &frmPassword::txtPassword_Change);
    }

    cmdOK = new QPushButton(tr("&OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setToolTip(tr("Save changes and exit"));
    cmdOK->setDefault(true);
    cmdOK->setEnabled(false);

    cmdCancel = new QPushButton(tr("&Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setToolTip(tr("Exit without saving changes"));
    cmdCancel->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    grid->addLayout(buttons, 3, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    connect(cmdOK, &QPushButton::clicked, this, &frmPassword::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject); // Escape rejects too
}

frmPassword::~frmPassword() = default;

void frmPassword::showEvent(QShowEvent* event)
{
    // Each showing is a fresh load: the one instance serves every check and change.
    if (!event->spontaneous()) {
        m_loaded = Init();
        Form_Activate();
    }
    QDialog::showEvent(event);
}

void frmPassword::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous())
        m_pointer.restore();
    QDialog::hideEvent(event);
}

bool frmPassword::Init()
{
    try {
        const bool stored = !Glob::Options().strPassword.isEmpty();
        txtPassword[0]->setEnabled(stored);
        lblLabel[0]->setEnabled(stored);
        for (int i = 1; i < 3; ++i) {
            txtPassword[i]->setEnabled(m_changeMode);
            lblLabel[i]->setEnabled(m_changeMode);
        }
        for (QLineEdit* box : txtPassword)
            box->clear();
        // The instance is reused, so the check-mode caption is restored too.
        setWindowTitle(m_changeMode ? tr("Set Password") : tr("Admin Password"));
        cmdOK->setEnabled(false);
        m_cancelled = true;
        if (stored)
            txtPassword[0]->setFocus();
        else if (m_changeMode)
            txtPassword[1]->setFocus();
        else
            cmdCancel->setFocus();
        return true;
    } catch (const std::exception& e) {
        Glob::Reporter().ReportError(QStringLiteral("Init"), QString::fromLocal8Bit(e.what()));
        return false;
    }
}

void frmPassword::Form_Activate()
{
    // The caller may still show its busy pointer; this dialog waits for the user.
    m_pointer.show();
    // Queued: closing from inside the show would leave exec() waiting.
    if (!m_loaded)
        QTimer::singleShot(0, this, &QDialog::reject);
}

void frmPassword::txtPassword_Change()
{
    cmdOK->setEnabled(txtPassword[1]->text().trimmed().size() == txtPassword[2]->text().trimmed().size());
}

void frmPassword::selectAll(QLineEdit* box)
{
    // Selected here rather than by sent keys: right after a message box the
    // focus may not be back in this window, and the keys would go elsewhere.
    box->setFocus();
    box->selectAll();
}

void frmPassword::cmdOK_Click()
{
    using namespace quarry::platform;
    Glob::BrowserOptions& options = Glob::Options();
    if (normalised(txtPassword[0]->text()) != options.strPassword) {
        Prompts::current().MsgBox(tr("Invalid Password"), MsgButtons::OK, MsgIcon::Critical, windowTitle());
        selectAll(txtPassword[0]);
        return;
    }
    if (m_changeMode) {
        if (txtPassword[1]->text().trimmed().toUpper() != txtPassword[2]->text().trimmed().toUpper()) {
            Prompts::current().MsgBox(tr("Confirm does not match Password, try again!"), MsgButtons::OKCancel,
                                      MsgIcon::Critical, windowTitle());
            selectAll(txtPassword[1]);
            return;
        }
        Prompts::current().MsgBox(tr("Password changed"), MsgButtons::OK, MsgIcon::Information,
                                  windowTitle());
        options.strPassword = normalised(txtPassword[1]->text());
    }
    m_cancelled = false;
    accept();
}
