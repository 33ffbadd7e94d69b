#pragma once

#include <QColor>
#include <QPointF>
#include <QWidget>

#include <optional>

class ProgressSpinner;
class QLabel;
class QPainter;

// The user's storage allowance on the server: total, used, available and the number of files as
// text, and a two-slice pie at the left end of the view. Each refresh asks the server afresh, on
// the main thread.
class QuotaView : public QWidget
{
    Q_OBJECT

public:
    // The pie pushes its used slice out from the centre by this much.
    static constexpr double kUsedSliceDisplacement = 10.0;

    explicit QuotaView(QWidget *parent = nullptr);

    // Fetches the figures (blocking), fills in the labels and redraws.
    void refreshView();

    QLabel *totalLabel() const { return m_totalLabel; }
    QLabel *usedLabel() const { return m_usedLabel; }
    QLabel *availableLabel() const { return m_availableLabel; }
    QLabel *totalFilesLabel() const { return m_totalFilesLabel; }
    ProgressSpinner *progressIndicator() const { return m_progressIndicator; }
    QLabel *dataUnavailableLabel() const { return m_dataUnavailableLabel; }

    std::optional<qint64> numFiles() const { return m_numFiles; }
    std::optional<double> totalBytes() const { return m_totalBytes; }
    std::optional<double> usedBytes() const { return m_usedBytes; }

    QColor usedColour() const;
    QColor availableColour() const;

    // The pie in widget coordinates: the centre of both slices, the radius, the used slice's
    // sweep in radians (counter-clockwise from three o'clock, as on screen) and its displacement.
    struct PieGeometry
    {
        QPointF centre;
        double radius = 0.0;
        double usedAngle = 0.0;
        QPointF usedOffset;
    };
    static PieGeometry pieGeometry(const QRectF &bounds, double totalBytes, double usedBytes);
    // A point length away from the origin along the bisector of a slice of the given sweep,
    // in y-up coordinates.
    static QPointF calcOffset(double angle, double length);

    QSize sizeHint() const override { return {400, 150}; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void getBytesAvailableAndUsed();
    void fillInLabels();
    void drawPieChart(QPainter &painter) const;
    void drawArc(QPainter &painter, const QPointF &centre, double radius, double startAngle, double endAngle,
                 const QColor &colour) const;
    QLabel *makeLabel(const QColor &colour);

    QLabel *m_totalLabel;
    QLabel *m_usedLabel;
    QLabel *m_availableLabel;
    QLabel *m_totalFilesLabel;
    ProgressSpinner *m_progressIndicator;
    QLabel *m_dataUnavailableLabel;
    std::optional<qint64> m_numFiles;
    std::optional<double> m_totalBytes;
    std::optional<double> m_usedBytes;
};
