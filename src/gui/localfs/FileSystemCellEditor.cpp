#include "localfs/FileSystemCellEditor.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr qreal BoldSlack = 4.0;
constexpr qreal VerticalInset = 2.0;
constexpr qreal CornerRadius = 2.0;
} // namespace

FileSystemCellEditor::FileSystemCellEditor(QWidget *parent) : QLineEdit(parent)
{
    setFrame(false);
    setAutoFillBackground(false);
    // The box is painted here, so the style draws no panel of its own; the text stays dark on it
    // whatever the colour scheme.
    QPalette colours = palette();
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Text, Qt::black);
    setPalette(colours);
    setAttribute(Qt::WA_MacShowFocusRect, false);
}

void FileSystemCellEditor::beginEditing(const QString &name)
{
    setText(name);
    selectAll();
    QFont bold = font();
    bold.setBold(true);
    const QFontMetricsF regular(font());
    m_width = QFontMetricsF(bold).horizontalAdvance(name) + BoldSlack;
    m_height = regular.height();
    m_inset = QSizeF((m_width - regular.horizontalAdvance(name)) * 0.25, VerticalInset);
    const int margin = qRound(m_inset.width());
    setTextMargins(margin, 0, margin, 0);
    m_space = regular.horizontalAdvance(QStringLiteral("  ")) * 0.75;
    update();
}

QRectF FileSystemCellEditor::backgroundRect() const
{
    const qreal typed = QFontMetricsF(font()).horizontalAdvance(text());
    const qreal width = qMax(m_width, m_space + typed + m_inset.width());
    return {0.0, (height() - m_height) * 0.5, width, m_height};
}

void FileSystemCellEditor::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath box;
        box.addRoundedRect(backgroundRect(), CornerRadius, CornerRadius);
        painter.fillPath(box, Qt::white);
    }
    QLineEdit::paintEvent(event);
}
