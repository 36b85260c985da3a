// The options dialog: display, tooltip and permission settings, the
// data-source list and the password that guards two of its pages. The caller
// sets CalledFrom (and optionally InitialTab), shows it with exec(); Apply and
// OK save the options and hand them back through the control's Set_Options.
//
// One instance per thread, created on first use and kept; every showing loads
// it anew from the option values.
#pragma once

#include "platform/widgets/BusyPointer.h"

#include <quarry/quarry_export.h>

#include <QDialog>
#include <QPointer>
#include <QString>

#include <array>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class kwQuarry;

namespace quarry::platform {
class Grid;
}

class QUARRY_EXPORT frmOptions : public QDialog
{
    Q_OBJECT

public:
    explicit frmOptions(QWidget* parent = nullptr);
    ~frmOptions() override;

    // The one options dialog of this thread.
    static frmOptions& instance();

    // The control whose Set_Options receives applied changes; may be none.
    void setCalledFrom(kwQuarry* control) { m_calledFrom = control; }
    // The tab to open on at the next load; -1 keeps the first tab.
    void setInitialTab(int tab) { m_initialTab = tab; }

    // Closing by Escape or the window's close box asks about unsaved changes.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Loading and saving the options.
    void Form_Load();
    void Form_Activate();
    void resetToDesign();
    bool Init();
    bool Set_ToolTips();
    bool Save_Changes();
    // Closes after the "Save changes?" check; false when the dialog stays open.
    bool unloadForm();
    void applyToControl();

    // The data-source page.
    bool Set_Grid();
    bool Refresh_DataSources();
    void cmdDataSource_Click(int index);
    void grdDataSources_DblClick(int row);
    bool saveDataSources();

    // Handlers.
    void markChanged(bool dataSourceChanged = false);
    void chkObjectToolTips_Click();
    void chkPassword_Click();
    void tabOptions_Click(int tab);
    void cmdApply_Click();
    void cmdOK_Click();
    void cmdPassword_Click();

    QPointer<kwQuarry> m_calledFrom;
    int m_initialTab = 0;
    bool m_loaded = false;
    bool m_unlocked = false;
    bool m_dataChanged = false;
    bool m_chartChanged = false;
    bool m_dataSourceChanged = false;
    int m_currentTab = 0;
    bool m_revertingTab = false;
    quarry::platform::DefaultPointer m_pointer;
    // The data-source row each grid row shows, from the last refill.
    std::vector<int> m_rowEntries;

    QTabWidget* tabOptions = nullptr;
    QCheckBox* chkToolBarText = nullptr;
    QCheckBox* chkGridLines = nullptr;
    QCheckBox* chkObjectToolTips = nullptr;
    QCheckBox* chkFieldTypes = nullptr;
    QCheckBox* chkSortFields = nullptr;
    QLabel* lblDelay = nullptr;
    QLineEdit* txtObjectToolDelay = nullptr;
    std::array<QRadioButton*, 2> optSplit{};
    std::array<QCheckBox*, 1> chkLeft{};
    QCheckBox* chkOptions = nullptr;
    QCheckBox* chkOpenSQL = nullptr;
    QCheckBox* chkPasswordData = nullptr;
    QCheckBox* chkDataSource = nullptr;
    QCheckBox* chkPasswordAdmin = nullptr;
    QPushButton* cmdPassword = nullptr;
    std::array<QCheckBox*, 3> chkQueryView{};
    quarry::platform::Grid* grdDataSources = nullptr;
    std::array<QPushButton*, 4> cmdDataSource{};
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QPushButton* cmdApply = nullptr;
};
