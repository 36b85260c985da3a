// The tree's popup menu and the data-source commands behind it.
#include "control/kwQuarryPrivate.h"

#include "platform/widgets/Prompts.h"
#include "platform/widgets/TreeModel.h"
#include "platform/widgets/TreeView.h"
#include "platform/widgets/Twips.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"
#include "settings/Password.h"

#include <QAction>
#include <QMenu>

#include <stdexcept>

namespace {

void tvwData_MouseUp(kwQuarryPrivate& d, Qt::MouseButton button, QPointF twips)
{
    if (d.treeModel->rowCount() == 0)
        return;
    if (button == Qt::LeftButton)
        return;
    const QModelIndex node = d.selectedNode();
    // Category nodes have no menu; nor has a tree without a selection.
    if (!node.isValid() || node.parent().isValid())
        return;

    d.trap(QStringLiteral("tvwData_MouseUp"), [&] {
        // Set only with the menu up: a plain click in the tree must not turn
        // the list's next Enter into a query for the whole data source.
        d.QueryFromTree = true;
        // A right click selects the node under the pointer, so the menu acts
        // on that data source: Connect and Disconnect read the current one.
        Glob::setCurrentDataSource(d.sourceNumber(node));
        const bool connected = d.connectionSlot(Glob::CurrentDataSource()).State() != quarry::adStateClosed;
        const Glob::BrowserOptions& options = Glob::Options();
        d.mnuDisconnect->setVisible(connected);
        d.mnuConnect->setVisible(!connected);
        for (QAction* item : {d.mnuDatCap1, d.mnuNewDataSource, d.mnuEditDataSource, d.mnuDeleteDataSource})
            item->setVisible(options.blnEditData);
        d.mnuDatCap2->setVisible(options.blnOpenSQL && connected);
        d.mnuQuery->setVisible(d.mnuDatCap2->isVisible());

        d.mnuData->setActiveAction(nullptr);
        d.mnuData->popup(quarry::platform::GlobalPosition(d.tvwData->viewport(), twips));
        return true;
    });
}

// Kept apart from the description so that a save failing again does not
// repeat the whole text.
QString unsavedChange()
{
    return kwQuarry::tr("The data sources could not be saved to \"%1\". The change is kept for this "
                        "session only; the tree goes on showing the list as it was last saved.")
        .arg(Glob::Options().strDataSourceFile);
}

// A failed save must not be followed by the rebuild: that reloads the file
// and would drop the user's change without a word.
bool saveAndRebuild(kwQuarryPrivate& d)
{
    if (!Glob::Save_DataSources())
        throw std::runtime_error(unsavedChange().toStdString());
    d.Refresh_Data();
    return true;
}

void editDataSource(kwQuarryPrivate& d, const QString& procedure, bool blnEdit)
{
    if (!Glob::Check_AdminPassword())
        return;
    d.trap(procedure, [&] {
        const int number = d.sourceNumber(d.selectedNode());
        if (!Glob::New_DataSource(number, blnEdit))
            return true;
        return saveAndRebuild(d);
    });
}

void mnuDeleteDataSource_Click(kwQuarryPrivate& d)
{
    using namespace quarry::platform;
    if (!Glob::Check_AdminPassword())
        return;
    d.trap(QStringLiteral("mnuDeleteDataSource_Click"), [&] {
        const int number = d.sourceNumber(d.selectedNode());
        Glob::DataSource& row = Glob::aDataSources().at(size_t(number));
        // The prompts offer no Yes/No pair without Cancel; only Yes deletes.
        const MsgResult answer =
            Prompts::current().MsgBox(kwQuarry::tr("Delete %1?").arg(row[Glob::dsName]), MsgButtons::YesNo,
                                      MsgIcon::Question, kwQuarry::tr("Delete Data Source"));
        if (answer != MsgResult::Yes)
            return true;
        row[Glob::dsID].clear();
        return saveAndRebuild(d);
    });
}

void mnuQuery_Click(kwQuarryPrivate& d)
{
    d.QueryFromTree = true;
    d.RunMaxRecords = 0;
    d.RunAutoRun = false;
    d.RunShowSQL = true;
    d.q->Run_Query();
}

} // namespace

void kwQuarryPrivate::connectMenuHandlers()
{
    QObject::connect(tvwData, &quarry::platform::TreeView::mouseReleased, q,
                     [this](Qt::MouseButton button, Qt::KeyboardModifiers, QPointF twips) {
                         handle("tvwData_MouseUp", [&] { tvwData_MouseUp(*this, button, twips); });
                     });
    QObject::connect(mnuNewDataSource, &QAction::triggered, q, [this] {
        handle("mnuNewDataSource_Click",
               [&] { editDataSource(*this, QStringLiteral("mnuNewDataSource_Click"), false); });
    });
    QObject::connect(mnuEditDataSource, &QAction::triggered, q, [this] {
        handle("mnuEditDataSource_Click",
               [&] { editDataSource(*this, QStringLiteral("mnuEditDataSource_Click"), true); });
    });
    QObject::connect(mnuDeleteDataSource, &QAction::triggered, q, [this] {
        handle("mnuDeleteDataSource_Click", [&] { mnuDeleteDataSource_Click(*this); });
    });
    QObject::connect(mnuQuery, &QAction::triggered, q,
                     [this] { handle("mnuQuery_Click", [&] { mnuQuery_Click(*this); }); });
}
