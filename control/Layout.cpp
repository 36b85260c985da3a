// Options applied to what the user sees: grid lines, toolbar captions and
// view buttons, the splitter between tree and list, the list's columns and
// their widths, and the placement of toolbar, splitter and status bar.
#include "control/kwQuarryPrivate.h"

#include "platform/widgets/ImageList.h"
#include "platform/widgets/ObjectList.h"
#include "platform/widgets/Prompts.h"
#include "platform/widgets/Splitter.h"
#include "platform/widgets/TreeModel.h"
#include "platform/widgets/TreeView.h"
#include "platform/widgets/Twips.h"
#include "settings/Glob.h"

#include <QAction>
#include <QResizeEvent>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QToolBar>

#include <algorithm>
#include <cmath>
#include <stdexcept>

using namespace quarry::platform;

namespace {

// Twips of space added to the widest text of a column.
constexpr double kColumnPadding = 400;
constexpr int kSplitterBarWidth = 40;

struct ButtonCaption
{
    const char* key;
    const char* caption;
};
constexpr ButtonCaption kCaptions[] = {
    {"Large", QT_TRANSLATE_NOOP("kwQuarry", "Large")},
    {"Small", QT_TRANSLATE_NOOP("kwQuarry", "Small ")},
    {"List", QT_TRANSLATE_NOOP("kwQuarry", "List")},
    {"Report", QT_TRANSLATE_NOOP("kwQuarry", "Details")},
    {"Options", QT_TRANSLATE_NOOP("kwQuarry", "Browse options")},
};

} // namespace

bool kwQuarry::Set_Options(bool blnDataChanged, bool /*blnChartChanged*/, bool blnDataSourceChanged)
{
    return d->trap(QStringLiteral("Set_Options"), [&] {
        const Glob::BrowserOptions& options = Glob::Options();
        // Tooltip options may have changed what a grid shows for the same object.
        d->LastLookUp.clear();
        if (blnDataChanged)
            d->lvwData->setGridLines(options.blnGridLines);
        if (blnDataSourceChanged)
            d->Refresh_Data();
        Set_MenuText();

        Splitter* splitter = d->kwSplitData;
        splitter->setBarWidth(kSplitterBarWidth);
        if (options.lngSplitPercent < 0 || options.lngSplitPercent > 100)
            throw std::out_of_range(tr("The split percentage %1 is not between 0 and 100.")
                                        .arg(options.lngSplitPercent)
                                        .toStdString());
        splitter->setPercentage(options.lngSplitPercent);
        splitter->setHorizontal(options.blnSplitHorizontal);
        QWidget* tree = d->tvwData;
        QWidget* list = d->lvwData;
        splitter->setFirstPane(options.blnSplitLeft ? list : tree);
        splitter->setSecondPane(options.blnSplitLeft ? tree : list);

        updateGeometry();
        emit Refreshed();
        d->UserControl_Resize();
        return true;
    });
}

bool kwQuarry::Set_MenuText()
{
    return d->trap(QStringLiteral("Set_MenuText"), [this] {
        if (!Glob::Options().blnToolBarText) {
            for (QAction* button : d->toolButtons)
                button->setText(QString());
        } else {
            for (const ButtonCaption& caption : kCaptions) {
                const QString key = QString::fromLatin1(caption.key);
                auto button = std::find_if(d->toolButtons.begin(), d->toolButtons.end(),
                                           [&](QAction* action) { return action->objectName() == key; });
                (*button)->setText(tr(caption.caption));
            }
        }
        // Captions change the toolbar's height; let it settle before the layout reads it.
        Prompts::current().DoEvents();
        return true;
    });
}

bool kwQuarry::Size_Cols()
{
    return d->trap(QStringLiteral("Size_Cols"), [this] {
        ObjectList* list = d->lvwData;
        const ObjectListModel* model = list->model();
        const TextMeter meter(this);
        // The last column is the hidden one and keeps its width.
        for (int column = 0; column < std::max(1, list->columnCount() - 1); ++column) {
            double widest = 0;
            for (int row : model->longestTexts(column, 0, model->count() - 1))
                widest = std::max(
                    widest, meter.width(column == 0 ? model->item(row).text : model->subItem(row, column)));
            list->setColumnWidth(column, widest + kColumnPadding);
        }
        return true;
    });
}

bool kwQuarryPrivate::Set_Grids()
{
    return trap(QStringLiteral("Set_Grids"), [this] {
        treeModel->setPathSeparator(QStringLiteral(" : "));
        lvwData->addColumn(kwQuarry::tr("Name"), 1500);
        lvwData->addColumn(kwQuarry::tr("Owner"), 1500);
        lvwData->addColumn(kwQuarry::tr("Create Date"), 1500);
        lvwData->addColumn(QString(), 0);
        return true;
    });
}

void kwQuarryPrivate::UserControl_Resize()
{
    // Toolbar docked at the top and status bar at the bottom; the splitter
    // takes what lies between. Too small a control leaves the splitter where it was.
    ignoreErrors([this] {
        const int width = q->width();
        const int statusHeight = staStatus->sizeHint().height();
        tlbData->setGeometry(0, 0, width, tlbData->sizeHint().height());
        staStatus->setGeometry(0, q->height() - statusHeight, width, statusHeight);

        const QRectF control = GeometryTwips(q, q);
        const double toolbar = GeometryTwips(tlbData, q).height();
        const double status = GeometryTwips(staStatus, q).height();
        const double height = std::round(std::round(control.height() - status) - toolbar);
        SetGeometryTwips(kwSplitData, {0, toolbar, control.width(), height});
    });
}

void kwQuarryPrivate::pressViewButton(int lngDataView)
{
    if (lngDataView < 0 || lngDataView > 3)
        throw std::out_of_range(
            kwQuarry::tr("The data view %1 is not between 0 and 3.").arg(lngDataView).toStdString());
    toolButtons[size_t(lngDataView)]->setChecked(true);
    lvwData->setView(lngDataView);
}

void kwQuarryPrivate::tlbData_ButtonClick(QAction* button)
{
    Glob::BrowserOptions& options = Glob::Options();
    const QString key = button->objectName();
    static const QStringList views{QStringLiteral("Large"), QStringLiteral("Small"), QStringLiteral("List")};
    if (views.contains(key)) {
        lvwData->setView(int(views.indexOf(key)));
        options.lngDataView = lvwData->view();
    } else if (key == QLatin1String("Report")) {
        lvwData->setView(ObjectList::Details);
        q->Size_Cols();
        options.lngDataView = lvwData->view();
    } else if (key == QLatin1String("Options")) {
        q->Show_Options();
    }
    QString why;
    if (!Glob::SaveSetting(QStringLiteral("General"), QStringLiteral("Data View"),
                           QString::number(options.lngDataView), &why))
        emit q->ErrHandle(QStringLiteral("tlbData_ButtonClick"), why);
}

void kwQuarryPrivate::kwSplitData_Moved()
{
    if (Initialized)
        Glob::Options().lngSplitPercent = kwSplitData->percentage();
}

void kwQuarry::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    d->UserControl_Resize();
}

QSize kwQuarry::sizeHint() const
{
    QSize hint = QWidget::sizeHint();
    const Glob::BrowserOptions& options = Glob::Options();
    const TreeView* tree = d->tvwData;
    // The categories count before they are shown, so that expanding a data
    // source does not cut them; measured as the tree's items are, since text
    // runs wider at some scales than plain font metrics say.
    int categories = 0;
    QStyleOptionViewItem item;
    item.initFrom(tree);
    item.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
    item.decorationSize = tree->iconSize().isValid() ? tree->iconSize() : QSize(16, 16);
    item.icon = d->imgBrowser->icon(2);
    for (const auto& [allowed, text] :
         {std::pair{options.blnQueryTables, tr("Tables")}, std::pair{options.blnQueryViews, tr("Views")},
          std::pair{options.blnQueryProcs, tr("Stored Procedures")}}) {
        if (!allowed)
            continue;
        item.text = text;
        categories = std::max(
            categories, tree->style()->sizeFromContents(QStyle::CT_ItemViewItem, &item, {}, tree).width());
    }
    // QTreeView hides the measure that its base class publishes.
    const int names = static_cast<const QAbstractItemView*>(tree)->sizeHintForColumn(0);
    // A category sits one level in, behind the data source's branch mark.
    const int treeWidth = std::max(names, 2 * tree->indentation() + categories) + 2 * tree->frameWidth() + 4;
    int width = treeWidth;
    if (!options.blnSplitHorizontal) {
        const int share = options.blnSplitLeft ? 100 - options.lngSplitPercent : options.lngSplitPercent;
        const int bar = TwipsToPixelsX(this, kSplitterBarWidth);
        width = share > 0 ? treeWidth * 100 / std::min(share, 100) + bar : hint.width();
    }
    hint.setWidth(std::max({hint.width(), width, d->tlbData->sizeHint().width()}));
    return hint;
}
