// The modal password dialog: in check mode it asks for the system password
// before a protected page or command, in change mode it replaces it. The
// caller sets the mode, shows it with exec() and reads Cancelled().
#pragma once

#include "platform/widgets/BusyPointer.h"

#include <quarry/quarry_export.h>

#include <QDialog>

#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

class QUARRY_EXPORT frmPassword : public QDialog
{
    Q_OBJECT

public:
    explicit frmPassword(QWidget* parent = nullptr);
    ~frmPassword() override;

    // False checks the stored password, true replaces it. Read at each showing.
    void setChangeMode(bool changeMode) { m_changeMode = changeMode; }
    // True unless the dialog was left through a successful OK.
    bool Cancelled() const { return m_cancelled; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool Init();
    void Form_Activate();
    void txtPassword_Change();
    void cmdOK_Click();
    void selectAll(QLineEdit* box);

    bool m_changeMode = false;
    bool m_cancelled = true;
    bool m_loaded = false;
    quarry::platform::DefaultPointer m_pointer;

    std::array<QLineEdit*, 3> txtPassword{};
    std::array<QLabel*, 3> lblLabel{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};
