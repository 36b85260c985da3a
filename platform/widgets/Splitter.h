// Two panes divided by a movable bar, addressed by numbered properties:
//   0 Locked (Boolean): the user cannot move the bar;
//   1 bar width in twips;
//   2 split percentage 0..100, the share of the left or upper pane;
//   3 the right or lower pane; 4 the left or upper pane (a QWidget*, or none);
//   5 orientation (Boolean): true splits horizontally, one pane above the other.
// A pane that is replaced or detached stays a hidden child of the splitter.
#pragma once

#include <quarry/quarry_export.h>

#include <QPointer>
#include <QVariant>
#include <QWidget>

class QSplitter;

namespace quarry::platform {

class QUARRY_EXPORT Splitter : public QWidget
{
    Q_OBJECT
public:
    enum Property
    {
        Locked = 0,
        BarWidth = 1,
        Percentage = 2,
        SecondPane = 3,
        FirstPane = 4,
        Horizontal = 5
    };

    explicit Splitter(QWidget* parent = nullptr);

    QVariant numberedProperty(int number) const;
    // Throws std::out_of_range for an unknown number or a value out of range.
    void setNumberedProperty(int number, const QVariant& value);

    bool locked() const { return m_locked; }
    void setLocked(bool locked);
    int barWidth() const { return m_barWidth; }
    void setBarWidth(int twips);
    int percentage() const { return m_percentage; }
    void setPercentage(int percent);
    QWidget* secondPane() const { return m_second; }
    void setSecondPane(QWidget* pane);
    QWidget* firstPane() const { return m_first; }
    void setFirstPane(QWidget* pane);
    bool horizontal() const { return m_horizontal; }
    void setHorizontal(bool horizontal);

    QSplitter* splitter() const { return m_splitter; }

signals:
    // The user has moved the bar; percentage() holds the new position.
    void moved();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void arrangePanes();
    void applyPercentage();
    void barMoved();

    QSplitter* m_splitter;
    QPointer<QWidget> m_first;
    QPointer<QWidget> m_second;
    bool m_locked = false;
    int m_barWidth = 0;
    int m_percentage = 50;
    bool m_horizontal = false;
};

} // namespace quarry::platform
