#pragma once

class QMessageBox;
class QWidget;

// Makes the report for support and says how it went, window-modal on parent's window: the file it
// was saved as, with a button that shows its folder in the file manager, or that none could be made.
namespace SupportReportMessage {

// The message shown (it deletes itself when closed); nullptr when there is no crash handler.
QMessageBox *makeReport(QWidget *parent);

} // namespace SupportReportMessage
