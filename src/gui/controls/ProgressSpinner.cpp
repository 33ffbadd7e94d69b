#include "controls/ProgressSpinner.h"

#include <QPainter>

#include <cmath>

namespace {
// One spoke further per step, a full turn a second.
constexpr int kStepMilliseconds = 1000 / 12;
} // namespace

ProgressSpinner::ProgressSpinner(QWidget *parent) : QWidget(parent), m_cell(this)
{
    m_cell.setColor(palette().color(QPalette::WindowText));
    m_timer.setInterval(kStepMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_cell.setDoubleValue(std::fmod(m_cell.doubleValue() + 1.0 / 12.0, 1.0));
        update();
    });
}

void ProgressSpinner::startAnimation()
{
    m_cell.setSpinning(true);
    m_timer.start();
    update();
}

void ProgressSpinner::stopAnimation()
{
    m_cell.setSpinning(false);
    m_timer.stop();
    update();
}

void ProgressSpinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    m_cell.drawInterior(&painter, rect());
}
