#include "platform/widgets/Splitter.h"

#include "platform/widgets/Twips.h"

#include <QSplitter>
#include <QVBoxLayout>

#include <cmath>
#include <stdexcept>

namespace quarry::platform {

namespace {

constexpr const char* kDetachedHidden = "quarryDetachedHidden";

bool explicitlyHidden(const QWidget* pane)
{
    return pane->isHidden() && pane->testAttribute(Qt::WA_WState_ExplicitShowHide);
}

} // namespace

Splitter::Splitter(QWidget* parent)
    : QWidget(parent)
    , m_splitter(new QSplitter(Qt::Horizontal, this))
{
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_splitter->setChildrenCollapsible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);
    connect(m_splitter, &QSplitter::splitterMoved, this, &Splitter::barMoved);
}

QVariant Splitter::numberedProperty(int number) const
{
    switch (number) {
    case Locked:
        return m_locked;
    case BarWidth:
        return m_barWidth;
    case Percentage:
        return m_percentage;
    case SecondPane:
        return QVariant::fromValue<QWidget*>(m_second);
    case FirstPane:
        return QVariant::fromValue<QWidget*>(m_first);
    case Horizontal:
        return m_horizontal;
    default:
        throw std::out_of_range("Invalid property index");
    }
}

void Splitter::setNumberedProperty(int number, const QVariant& value)
{
    switch (number) {
    case Locked:
        setLocked(value.toBool());
        break;
    case BarWidth:
        setBarWidth(value.toInt());
        break;
    case Percentage:
        setPercentage(value.toInt());
        break;
    case SecondPane:
        setSecondPane(value.value<QWidget*>());
        break;
    case FirstPane:
        setFirstPane(value.value<QWidget*>());
        break;
    case Horizontal:
        setHorizontal(value.toBool());
        break;
    default:
        throw std::out_of_range("Invalid property index");
    }
}

void Splitter::setLocked(bool locked)
{
    m_locked = locked;
    for (int i = 0; i < m_splitter->count(); ++i)
        m_splitter->handle(i)->setEnabled(!locked);
}

void Splitter::setBarWidth(int twips)
{
    if (twips < 0)
        throw std::out_of_range("Invalid property value");
    m_barWidth = twips;
    m_splitter->setHandleWidth(TwipsToPixels(twips, logicalDpiX()));
}

void Splitter::setPercentage(int percent)
{
    if (percent < 0 || percent > 100)
        throw std::out_of_range("Invalid property value");
    m_percentage = percent;
    applyPercentage();
}

void Splitter::setSecondPane(QWidget* pane)
{
    if (pane && pane == m_first)
        m_first = nullptr;
    m_second = pane;
    arrangePanes();
}

void Splitter::setFirstPane(QWidget* pane)
{
    if (pane && pane == m_second)
        m_second = nullptr;
    m_first = pane;
    arrangePanes();
}

void Splitter::setHorizontal(bool horizontal)
{
    m_horizontal = horizontal;
    // Split horizontally: the bar runs across, the panes sit one above the other.
    m_splitter->setOrientation(horizontal ? Qt::Vertical : Qt::Horizontal);
    applyPercentage();
}

void Splitter::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyPercentage();
}

void Splitter::arrangePanes()
{
    // Panes that are no longer wanted leave the splitter but stay owned here.
    for (int i = m_splitter->count() - 1; i >= 0; --i) {
        QWidget* pane = m_splitter->widget(i);
        if (pane != m_first && pane != m_second) {
            // Kept out of sight while detached; remembered for a later return.
            pane->setProperty(kDetachedHidden, explicitlyHidden(pane));
            pane->hide();
            pane->setParent(this);
        }
    }
    int position = 0;
    for (QWidget* pane : {m_first.data(), m_second.data()}) {
        if (!pane)
            continue;
        // A pane keeps its own shown or hidden state across the move.
        const QVariant detachedHidden = pane->property(kDetachedHidden);
        const bool hidden = detachedHidden.isValid() ? detachedHidden.toBool() : explicitlyHidden(pane);
        pane->setProperty(kDetachedHidden, QVariant());
        m_splitter->insertWidget(position++, pane);
        pane->setHidden(hidden);
    }
    setLocked(m_locked);
    applyPercentage();
}

void Splitter::applyPercentage()
{
    if (m_splitter->count() != 2)
        return;
    const int total = m_horizontal ? m_splitter->height() : m_splitter->width();
    const int available = std::max(0, total - m_splitter->handleWidth());
    const int first = int(std::lround(available * m_percentage / 100.0));
    const QSignalBlocker blocker(m_splitter);
    m_splitter->setSizes({first, available - first});
}

void Splitter::barMoved()
{
    const QList<int> sizes = m_splitter->sizes();
    if (sizes.size() != 2 || sizes[0] + sizes[1] <= 0)
        return;
    m_percentage = int(std::lround(100.0 * sizes[0] / (sizes[0] + sizes[1])));
    emit moved();
}

} // namespace quarry::platform
