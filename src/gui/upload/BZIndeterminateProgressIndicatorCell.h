#pragma once

#include <QColor>
#include <QStyledItemDelegate>

// The small spinning indicator of the upload list: twelve spokes around a centre, the brightest at
// the phase (doubleValue), the others fading behind it. Every cell of the column shares the phase,
// so all spinners turn in step; whether a row spins comes from the model's spinning role
// (UploadQueueListModel::IsSpinningRole unless set). A stopped spinner is not drawn unless
// displayedWhenStopped.
class BZIndeterminateProgressIndicatorCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit BZIndeterminateProgressIndicatorCell(QObject *parent = nullptr);

    double doubleValue() const { return m_doubleValue; }
    // Clamped to 0.0-1.0.
    void setDoubleValue(double value);
    double animationDelay() const { return m_animationDelay; }
    void setAnimationDelay(double seconds) { m_animationDelay = seconds; }
    bool isDisplayedWhenStopped() const { return m_displayedWhenStopped; }
    void setDisplayedWhenStopped(bool displayed) { m_displayedWhenStopped = displayed; }
    bool isSpinning() const { return m_spinning; }
    void setSpinning(bool spinning) { m_spinning = spinning; }
    // Spins when the value reads as a boolean true; anything else stops it.
    void setObjectValue(const QVariant &value);
    int spinningRole() const { return m_spinningRole; }
    void setSpinningRole(int role) { m_spinningRole = role; }

    // The colour must be opaque; a translucent one is refused (false) and the colour kept.
    bool setColor(const QColor &color);
    double redComponent() const { return m_color.redF(); }
    double greenComponent() const { return m_color.greenF(); }
    double blueComponent() const { return m_color.blueF(); }

    // Draws the spinner in its present state into rect (the interior of a cell).
    void drawInterior(QPainter *painter, const QRectF &rect) const;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    void drawSpokes(QPainter *painter, const QRectF &rect, bool spinning) const;

    double m_doubleValue = 0.0;
    double m_animationDelay = 1.0 / 12.0;
    bool m_displayedWhenStopped = false;
    bool m_spinning = false;
    QColor m_color = Qt::black;
    int m_spinningRole;
};
