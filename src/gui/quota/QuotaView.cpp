#include "quota/QuotaView.h"

#include "common/MessageText.h"
#include "controls/ProgressSpinner.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"

#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <QtMath>

#include <algorithm>

namespace {

// The figures as the program has always drawn them: 2π exactly, and the full circle of an empty
// allowance in single precision.
constexpr double kTwoPi = 6.283185307179586;
constexpr float kFullCircle = 6.2831855f;

// The slices' shadow, in y-up terms (5, -5): right and down on screen.
const QPointF kShadowOffset(5.0, 5.0);
constexpr int kShadowBlurPasses = 3;
constexpr qreal kOutlineWidth = 1.5;
constexpr int kLabelGap = 12;

const QColor kUsedColour(204, 62, 56);
const QColor kAvailableColour(64, 160, 76);

std::optional<double> number(const QVariant &value)
{
    bool ok = false;
    const double n = value.toDouble(&ok);
    return value.isValid() && ok ? std::optional<double>(n) : std::nullopt;
}

// A byte figure as the labels show it: truncated, and never below nothing.
quint64 byteCount(double bytes)
{
    return bytes > 0.0 ? quint64(bytes) : 0;
}

// One pass of a three-pixel box blur along rows (or columns) of a premultiplied image; three
// passes each way come close to a Gaussian of the shadow's blur.
void boxBlurPass(QImage &image, bool alongRows)
{
    const int outer = alongRows ? image.height() : image.width();
    const int inner = alongRows ? image.width() : image.height();
    QList<QRgb> line(inner);
    for (int o = 0; o < outer; ++o) {
        auto pixel = [&](int i) -> QRgb & {
            return reinterpret_cast<QRgb *>(image.scanLine(alongRows ? o : i))[alongRows ? i : o];
        };
        for (int i = 0; i < inner; ++i)
            line[i] = pixel(i);
        for (int i = 0; i < inner; ++i) {
            const QRgb a = line[std::max(i - 1, 0)], b = line[i], c = line[std::min(i + 1, inner - 1)];
            pixel(i) = qRgba((qRed(a) + qRed(b) + qRed(c)) / 3, (qGreen(a) + qGreen(b) + qGreen(c)) / 3,
                             (qBlue(a) + qBlue(b) + qBlue(c)) / 3, (qAlpha(a) + qAlpha(b) + qAlpha(c)) / 3);
        }
    }
}

void drawShadow(QPainter &painter, const QPainterPath &path, const QColor &fill, const QSize &size)
{
    const qreal ratio = painter.device()->devicePixelRatioF();
    QImage shadow(size * ratio, QImage::Format_ARGB32_Premultiplied);
    shadow.setDevicePixelRatio(ratio);
    shadow.fill(Qt::transparent);
    QColor colour = fill;
    colour.setAlphaF(0.25f);
    {
        QPainter shadowPainter(&shadow);
        shadowPainter.setRenderHint(QPainter::Antialiasing);
        shadowPainter.fillPath(path.translated(kShadowOffset), colour);
    }
    for (int pass = 0; pass < kShadowBlurPasses; ++pass) {
        boxBlurPass(shadow, true);
        boxBlurPass(shadow, false);
    }
    painter.drawImage(QPointF(0, 0), shadow);
}

} // namespace

QuotaView::QuotaView(QWidget *parent)
    : QWidget(parent), m_totalLabel(makeLabel(QColor())), m_usedLabel(makeLabel(kUsedColour)),
      m_availableLabel(makeLabel(kAvailableColour)), m_totalFilesLabel(makeLabel(QColor())),
      m_progressIndicator(new ProgressSpinner(this)), m_dataUnavailableLabel(makeLabel(QColor()))
{
    setObjectName(QStringLiteral("QuotaView"));
    m_dataUnavailableLabel->setText(messageText(QStringLiteral("Text_QuotaDataUnavailable")));
    m_dataUnavailableLabel->setWordWrap(true);
    QFont italic = m_dataUnavailableLabel->font();
    italic.setItalic(true);
    m_dataUnavailableLabel->setFont(italic);
    m_dataUnavailableLabel->hide();

    auto *layout = new QVBoxLayout(this);
    layout->addStretch();
    for (QLabel *label :
         {m_totalLabel, m_usedLabel, m_availableLabel, m_totalFilesLabel, m_dataUnavailableLabel})
        layout->addWidget(label);
    layout->addStretch();

    // No figures yet: the spinner turns until the first refresh.
    m_progressIndicator->startAnimation();
    fillInLabels();
    setMinimumSize(sizeHint());
}

QLabel *QuotaView::makeLabel(const QColor &colour)
{
    auto *label = new QLabel(this);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (colour.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    }
    return label;
}

QColor QuotaView::usedColour() const
{
    return m_usedLabel->palette().color(QPalette::WindowText);
}

QColor QuotaView::availableColour() const
{
    return m_availableLabel->palette().color(QPalette::WindowText);
}

void QuotaView::refreshView()
{
    m_dataUnavailableLabel->show();
    m_numFiles.reset();
    m_totalBytes.reset();
    m_usedBytes.reset();

    getBytesAvailableAndUsed();
    fillInLabels();

    if (m_totalBytes && m_usedBytes) {
        m_progressIndicator->hide();
        m_progressIndicator->stopAnimation();
    } else {
        m_progressIndicator->show();
        m_progressIndicator->startAnimation();
    }
    update();
}

void QuotaView::getBytesAvailableAndUsed()
{
    Error error;
    bool decoded = false;
    if (commsGlobal) {
        const QVariantMap result = commsGlobal->coreComms().doGetQuotaDetails(error);
        decoded = !error && commsGlobal->results().quotaDetails().deserialise(result);
    }
    if (!decoded) {
        m_dataUnavailableLabel->show();
        m_numFiles = 0;
        m_totalBytes = 0.0;
        m_usedBytes = 0.0;
        return;
    }
    m_dataUnavailableLabel->hide();
    const soapGetQuotaDetails &quota = commsGlobal->results().quotaDetails();
    if (const auto files = number(quota.nNumberOfFiles()))
        m_numFiles = qint64(*files);
    m_totalBytes = number(quota.nTotal());
    m_usedBytes = number(quota.nUsed());
}

void QuotaView::fillInLabels()
{
    const float total = float(m_totalBytes.value_or(0.0));
    const float used = float(m_usedBytes.value_or(0.0));
    const float available = total - used;
    auto bytes = [](double figure) {
        return commsGlobals::convertBytesToString(byteCount(figure));
    };
    m_totalLabel->setText(messageText(QStringLiteral("Text_QuotaTotal")).arg(bytes(total)));
    m_usedLabel->setText(messageText(QStringLiteral("Text_QuotaUsed")).arg(bytes(used)));
    m_availableLabel->setText(messageText(QStringLiteral("Text_QuotaAvailable")).arg(bytes(available)));
    m_totalFilesLabel->setText(messageText(QStringLiteral("Text_QuotaFiles")).arg(m_numFiles.value_or(0)));
}

QPointF QuotaView::calcOffset(double angle, double length)
{
    return {length * std::cos(angle), length * std::sin(angle)};
}

QuotaView::PieGeometry QuotaView::pieGeometry(const QRectF &bounds, double totalBytes, double usedBytes)
{
    const float cx = float(bounds.x() + bounds.width() / 2.0);
    const float cy = float(bounds.y() + bounds.height() / 2.0);
    PieGeometry pie;
    // Both slices sit on (cy, cy), at the left end of a wide view; y = cy is its own mirror image,
    // so the centre reads the same with y up or down.
    pie.centre = QPointF(cy, cy);
    pie.radius = 0.8 * double(std::min(cx, cy));
    // More used than allowed (an allowance lowered after the uploads) is a full circle, not a
    // slice that wraps round past itself.
    pie.usedAngle =
        totalBytes > 0.0 ? std::clamp(usedBytes / totalBytes * kTwoPi, 0.0, kTwoPi) : double(kFullCircle);
    const QPointF up = calcOffset(pie.usedAngle / 2.0, kUsedSliceDisplacement);
    pie.usedOffset = QPointF(up.x(), -up.y());
    return pie;
}

void QuotaView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_totalBytes && m_usedBytes)
        drawPieChart(painter);
}

void QuotaView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The labels stand to the right of the pie, which takes a square as high as the view.
    layout()->setContentsMargins(height() + kLabelGap, 0, kLabelGap, 0);
    const QSize spinner = m_progressIndicator->sizeHint();
    m_progressIndicator->setGeometry(QRect(
        QPoint(height() / 2, height() / 2) - QPoint(spinner.width() / 2, spinner.height() / 2), spinner));
}

void QuotaView::drawPieChart(QPainter &painter) const
{
    painter.setRenderHint(QPainter::Antialiasing);
    const PieGeometry pie = pieGeometry(rect(), *m_totalBytes, *m_usedBytes);
    drawArc(painter, pie.centre + pie.usedOffset, pie.radius, 0.0, pie.usedAngle, usedColour());
    drawArc(painter, pie.centre, pie.radius, pie.usedAngle, kTwoPi, availableColour());
}

void QuotaView::drawArc(QPainter &painter, const QPointF &centre, double radius, double startAngle,
                        double endAngle, const QColor &colour) const
{
    // Qt's arcs already turn counter-clockwise on screen for growing angles.
    QPainterPath path(centre);
    path.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
               qRadiansToDegrees(startAngle), qRadiansToDegrees(endAngle - startAngle));
    path.closeSubpath();
    drawShadow(painter, path, colour, size());
    painter.fillPath(path, colour);
    painter.strokePath(path, QPen(Qt::black, kOutlineWidth));
}
