#include "upload/BZIndeterminateProgressIndicatorCell.h"

#include "upload/UploadQueueListModel.h"

#include <QApplication>
#include <QPainter>
#include <QtMath>

namespace {
constexpr int kSpokes = 12;
constexpr double kSpokeStepDegrees = 360.0 / kSpokes;
} // namespace

BZIndeterminateProgressIndicatorCell::BZIndeterminateProgressIndicatorCell(QObject *parent)
    : QStyledItemDelegate(parent), m_spinningRole(UploadQueueListModel::IsSpinningRole)
{}

void BZIndeterminateProgressIndicatorCell::setDoubleValue(double value)
{
    m_doubleValue = qBound(0.0, value, 1.0);
}

void BZIndeterminateProgressIndicatorCell::setObjectValue(const QVariant &value)
{
    m_spinning = value.canConvert<bool>() && value.toBool();
}

bool BZIndeterminateProgressIndicatorCell::setColor(const QColor &color)
{
    if (!color.isValid() || color.alphaF() <= 0.999) {
        qWarning("color must be opaque");
        return false;
    }
    m_color = color.toRgb();
    return true;
}

void BZIndeterminateProgressIndicatorCell::drawInterior(QPainter *painter, const QRectF &rect) const
{
    drawSpokes(painter, rect, m_spinning);
}

void BZIndeterminateProgressIndicatorCell::drawSpokes(QPainter *painter, const QRectF &rect,
                                                      bool spinning) const
{
    if (!spinning && !m_displayedWhenStopped)
        return;
    const double size = 0.8 * qMin(rect.width(), rect.height());
    const QPointF centre = rect.center();
    const bool large = size >= 32;
    const double inner = (large ? 0.23 : 0.27) * size;
    const double outer = (large ? 0.38 : 0.48) * size;

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QPen pen(m_color, 0.08 * size, Qt::SolidLine, Qt::RoundCap);
    // Qt's y axis points down, so the angles need no flipping: 270 degrees is straight up and
    // growing angles turn clockwise.
    double angle = spinning ? kSpokeStepDegrees * qRound(m_doubleValue * kSpokes) + 270.0 : 270.0;
    for (int i = 0; i < kSpokes; ++i) {
        QColor spoke = m_color;
        spoke.setAlphaF(float(1.0 - 0.25 * std::sqrt(double(i))));
        pen.setColor(spoke);
        painter->setPen(pen);
        const double radians = qDegreesToRadians(angle);
        const QPointF direction(std::cos(radians), std::sin(radians));
        painter->drawLine(centre + inner * direction, centre + outer * direction);
        angle -= kSpokeStepDegrees;
    }
    painter->restore();
}

void BZIndeterminateProgressIndicatorCell::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                                 const QModelIndex &index) const
{
    // The selection and row background, without any text.
    QStyleOptionViewItem background = option;
    initStyleOption(&background, index);
    background.text.clear();
    const QStyle *style = background.widget ? background.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &background, painter, background.widget);

    // Each row decides whether it spins; the shared cell carries the phase.
    drawSpokes(painter, option.rect, index.data(m_spinningRole).toBool());
}

QSize BZIndeterminateProgressIndicatorCell::sizeHint(const QStyleOptionViewItem &option,
                                                     const QModelIndex &) const
{
    const int side = option.fontMetrics.height();
    return {side + 6, side};
}
