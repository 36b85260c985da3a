// The data-source tree: one bold node per data source with a child per
// category the options allow, connecting on expand, and the node click that
// tells the rest of the control which data source and kind are current.
#include "control/kwQuarryPrivate.h"

#include "platform/widgets/BusyPointer.h"
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/TreeModel.h"
#include "platform/widgets/TreeView.h"
#include "settings/DataSources.h"
#include "settings/Glob.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QPointF>
#include <QStatusBar>

#include <stdexcept>

using quarry::platform::BusyPointer;

namespace {

enum TreeImage : int
{
    imgDataSource = 1,
    imgTables = 2,
    imgViews = 3,
    imgProcedures = 4,
    imgConnected = 9
};

// A category node shows its caption in the user's language and carries its
// English name as its tag, which is what the code and the hosts go by.
const QString kTables = QStringLiteral("Tables");
const QString kViews = QStringLiteral("Views");
const QString kStoredProcedures = QStringLiteral("Stored Procedures");

// Puts the status text back on every way out of a procedure.
class StatusRestorer
{
public:
    explicit StatusRestorer(QLabel* panel)
        : m_panel(panel)
        , m_text(panel->text())
    {}
    ~StatusRestorer() { m_panel->setText(m_text); }
    StatusRestorer(const StatusRestorer&) = delete;
    StatusRestorer& operator=(const StatusRestorer&) = delete;

private:
    QLabel* m_panel;
    QString m_text;
};

} // namespace

bool kwQuarry::Connect_DataSource()
{
    const BusyPointer busy(this);
    return d->trap(QStringLiteral("Connect_DataSource"), [this] {
        QModelIndex node = d->selectedNode();
        if (node.parent().isValid())
            node = node.parent();
        if (!node.isValid())
            throw std::runtime_error(tr("No data source is selected.").toStdString());
        d->panel1->setText(tr("Connecting to %1 ...").arg(d->treeModel->text(node)));
        d->lvwData->clear();

        const int number = Glob::CurrentDataSource();
        quarry::Connection& connection = d->connection(number);
        // A link found gone is closed here, so that this expand connects afresh.
        if (connection.State() != quarry::adStateClosed && !connection.IsAlive())
            kwQuarryPrivate::ignoreErrors([&] { connection.Close(); });
        if (connection.State() == quarry::adStateClosed) {
            connection.setMode(quarry::adModeRead);
            connection.setCursorLocation(quarry::adUseServer);
            connection.setConnectionTimeout(10);
            // A server that stops answering holds no gesture longer than this.
            connection.setCommandTimeout(d->commandTimeout);
            connection.Open(Glob::aDataSources()[size_t(number)][Glob::dsConnection]);
            d->treeModel->setImage(node, imgConnected);
        }
        Glob::Reporter().setConnection(connection);
        d->panel1->setText(tr("Ready ..."));
        return true;
    });
}

QModelIndex kwQuarryPrivate::selectedNode() const
{
    const QModelIndexList selected = tvwData->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QModelIndex() : selected.first();
}

QString kwQuarryPrivate::categoryOf(const QModelIndex& node)
{
    const QString tag = node.data(quarry::platform::TreeModel::TagRole).toString();
    return tag.isEmpty() ? node.data(Qt::DisplayRole).toString() : tag;
}

int kwQuarryPrivate::sourceNumber(const QModelIndex& dataSourceNode) const
{
    bool ok = false;
    const int number = treeModel->key(dataSourceNode).mid(1).toInt(&ok);
    if (!ok)
        throw std::invalid_argument("The node is not a data-source node.");
    return number;
}

bool kwQuarryPrivate::Refresh_Data()
{
    // The connections are dropped: a listing waiting on a server is not waited for.
    stopListing(false);
    lister->waitIdle(std::nullopt, true);
    const BusyPointer busy(q);
    const StatusRestorer status(panel1);
    return trap(QStringLiteral("Refresh_Data"), [this] {
        panel1->setText(kwQuarry::tr("Selecting Data Sources ..."));
        treeModel->clear();
        // An unreadable list has been reported by the loader; the tree stays empty.
        if (!Glob::Get_DataSources())
            return true;

        const Glob::DataSourceTable& sources = Glob::aDataSources();
        int count = 0;
        while (count < Glob::kDataSourceRows && !sources[size_t(count) + 1][Glob::dsName].isEmpty())
            ++count;
        // New slots: every earlier connection is dropped, so no node shows connected.
        Connections.assign(size_t(count) + 1, std::nullopt);

        const Glob::BrowserOptions& options = Glob::Options();
        for (int number = 1; number <= count; ++number) {
            const QModelIndex node = treeModel->addNode({}, QStringLiteral("a%1").arg(number),
                                                        sources[size_t(number)][Glob::dsName], imgDataSource);
            treeModel->setBold(node, true);
            if (options.blnQueryTables)
                treeModel->setTag(treeModel->addNode(node, {}, kwQuarry::tr("Tables"), imgTables), kTables);
            if (options.blnQueryViews)
                treeModel->setTag(treeModel->addNode(node, {}, kwQuarry::tr("Views"), imgViews), kViews);
            if (options.blnQueryProcs)
                treeModel->setTag(
                    treeModel->addNode(node, {}, kwQuarry::tr("Stored Procedures"), imgProcedures),
                    kStoredProcedures);
        }
        lvwData->clear();
        return true;
    });
}

void kwQuarryPrivate::connectCommand()
{
    q->Connect_DataSource();
    // A collapsed node connects again through the expand handling.
    const QModelIndex node = selectedNode();
    if (node.isValid())
        tvwData->expand(node);
}

void kwQuarryPrivate::dropIfDead(int number)
{
    quarry::Connection& slot = connection(number);
    if (slot.State() == quarry::adStateClosed || slot.IsAlive())
        return;
    // The tree tells the truth: the node shows it unconnected, and the next
    // expand connects again.
    ignoreErrors([&] { slot.Close(); });
    const QModelIndex node = treeModel->findKey(QStringLiteral("a%1").arg(number));
    if (!node.isValid())
        return;
    treeModel->setImage(node, imgDataSource);
    tvwData->collapse(node);
}

void kwQuarryPrivate::disconnectCommand()
{
    const int number = Glob::CurrentDataSource();
    quarry::Connection& slot = connectionSlot(number);
    // It closes anyway: a listing waiting on the server is not waited for.
    if (listingRun != 0 && listingSource == number)
        stopListing(false);
    lister->waitIdle(slot, true);
    if (slot.State() != quarry::adStateClosed)
        slot.Close();
    // Objects of a closed connection can be neither looked up nor opened.
    lvwData->clear();
    panel2->clear();
    SelectedObject.clear();
    const QModelIndex node = selectedNode();
    if (!node.isValid())
        return;
    treeModel->setImage(node, imgDataSource);
    tvwData->collapse(node);
}

void kwQuarryPrivate::tvwData_Expand(const QModelIndex& node)
{
    // Only a data-source node with categories can open; Qt reports leaves too.
    if (node.parent().isValid() || treeModel->rowCount(node) == 0)
        return;
    tvwData->setCurrentIndex(node);
    Glob::setCurrentDataSource(sourceNumber(node));
    if (!q->Connect_DataSource())
        tvwData->collapse(node);
}

void kwQuarryPrivate::tvwData_NodeClick(const QModelIndex& clicked)
{
    const BusyPointer busy(q);
    trap(QStringLiteral("tvwData_NodeClick"), [&] {
        QueryFromTree = false;
        const bool hasChildren = treeModel->rowCount(clicked) > 0;
        if (!clicked.parent().isValid() && !hasChildren)
            return true;
        if (hasChildren) {
            stopListing();
            lvwData->clear();
            panel2->clear();
            Glob::setCurrentDataSource(sourceNumber(clicked));
            emit q->QuerySelected(treeModel->fullPath(clicked));
            return true;
        }

        const QString category = categoryOf(clicked);
        if (category == kTables)
            CurrentDataType = kwQuarry::dkDataTable;
        else if (category == kViews)
            CurrentDataType = kwQuarry::dkDataView;
        else if (category == kStoredProcedures)
            CurrentDataType = kwQuarry::dkDataStoredProc;
        CategoryPath = treeModel->fullPath(clicked);
        Glob::setCurrentDataSource(sourceNumber(clicked.parent()));
        QModelIndex node = clicked;
        // Reported by the listing when it ends with nothing listed.
        nextListingPath = treeModel->fullPath(clicked);
        q->Get_DataObjects(node);
        return true;
    });
}

void kwQuarryPrivate::tvwData_MouseMove(QPointF twips)
{
    const QModelIndex node = tvwData->nodeAt(twips);
    if (node.isValid() && !node.parent().isValid()) {
        const int number = sourceNumber(node);
        if (number != TipSourceNumber) {
            tvwData->setToolTip(Glob::aDataSources()[size_t(number)][Glob::dsDescription]);
            TipSourceNumber = number;
        }
        return;
    }
    tvwData->setToolTip(QString());
    TipSourceNumber = -1;
}
