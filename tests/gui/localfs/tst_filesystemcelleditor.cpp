#include "localfs/FileSystemCellEditor.h"

#include "GuiTest.h"
#include "localfs/FileSystemCell.h"

#include <QStandardItemModel>

#include <memory>

// The in-place name editor: its white box is sized to the name and follows the typing.
class TestFileSystemCellEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void boxGrowsWithTheTextButNeverBelowTheBoldName()
    {
        FileSystemCellEditor editor;
        editor.resize(300, 20);
        editor.beginEditing(u"Holidays"_s);
        QCOMPARE(editor.selectedText(), u"Holidays"_s);

        QFont bold = editor.font();
        bold.setBold(true);
        const qreal boldWidth = QFontMetricsF(bold).horizontalAdvance(u"Holidays"_s) + 4.0;
        QCOMPARE(editor.minimumBackgroundWidth(), boldWidth);
        const QRectF start = editor.backgroundRect();
        QVERIFY(start.width() >= boldWidth);
        // Centred in the editor's height, as high as a line of its font.
        QCOMPARE(start.height(), QFontMetricsF(editor.font()).height());
        QCOMPARE(start.center().y(), editor.height() / 2.0);

        // Typing past the first width widens the box by what was typed.
        editor.end(false);
        const QString more = u" in the mountains"_s;
        QTest::keyClicks(&editor, more);
        const qreal wide = editor.backgroundRect().width();
        QVERIFY(wide > start.width());
        const QFontMetricsF regular(editor.font());
        QVERIFY(wide >= regular.horizontalAdvance(u"Holidays"_s + more));

        // Deleting everything shrinks it back to the bold name's width, not below.
        editor.selectAll();
        QTest::keyClick(&editor, Qt::Key_Backspace);
        QVERIFY(editor.text().isEmpty());
        QCOMPARE(editor.backgroundRect().width(), boldWidth);
    }

    void aRepaintWhileTypingKeepsTheTypedText()
    {
        // The row is repainted (and the cell asked for the model's name again) while the user types.
        QStandardItemModel names;
        names.appendRow(new QStandardItem(u"Family"_s));
        const QModelIndex row = names.index(0, 0);
        FileSystemCell cell;
        std::unique_ptr<QWidget> widget(cell.createEditor(nullptr, QStyleOptionViewItem(), row));
        auto *editor = qobject_cast<FileSystemCellEditor *>(widget.get());
        QVERIFY(editor);
        cell.setEditorData(editor, row);
        QCOMPARE(editor->selectedText(), u"Family"_s);
        QTest::keyClicks(editor, u"Kin"_s);
        cell.setEditorData(editor, row);
        QCOMPARE(editor->text(), u"Kin"_s);
    }
};

VENDRA_GUI_TEST_MAIN(TestFileSystemCellEditor)
#include "tst_filesystemcelleditor.moc"
