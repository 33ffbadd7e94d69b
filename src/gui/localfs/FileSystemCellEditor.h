#pragma once

#include <QLineEdit>

// The in-place editor of a row's name: borderless text on a white box with rounded corners. The
// box is sized when editing begins, at least as wide as the name set in bold, and grows with the
// typed text; deleting text never shrinks it below that first width.
class FileSystemCellEditor : public QLineEdit
{
    Q_OBJECT

public:
    explicit FileSystemCellEditor(QWidget *parent = nullptr);

    // Shows the name with all of it selected and measures the box for it.
    void beginEditing(const QString &name);

    // Where the white box is drawn for the present text, in the editor's coordinates.
    QRectF backgroundRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSizeF m_inset;
    // The width of the name in bold when editing began, plus 4: the box is never narrower.
    qreal m_width = 0;
    qreal m_height = 0;
    // Three quarters of two blanks: the room kept after the typed text.
    qreal m_space = 0;
};
