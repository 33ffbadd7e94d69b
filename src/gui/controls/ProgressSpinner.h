#pragma once

#include "upload/BZIndeterminateProgressIndicatorCell.h"

#include <QTimer>
#include <QWidget>

// A stand-alone spinning indicator with the upload list's look. Hidden while stopped is the
// caller's choice; a stopped spinner draws nothing.
class ProgressSpinner : public QWidget
{
    Q_OBJECT

public:
    explicit ProgressSpinner(QWidget *parent = nullptr);

    void startAnimation();
    void stopAnimation();
    bool isAnimating() const { return m_cell.isSpinning(); }

    QSize sizeHint() const override { return {32, 32}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    BZIndeterminateProgressIndicatorCell m_cell;
    QTimer m_timer;
};
