#pragma once

#include <QWidget>

class QPrinter;
class QPushButton;
class QRadioButton;
class QGroupBox;

namespace velmora::record {

class RichTextBox;

// The print window `print1`: print all of the record or the selected part.
class PrintForm : public QWidget {
    Q_OBJECT
public:
    PrintForm(RichTextBox &box, QPrinter &printer, QWidget *parent = nullptr);

    QGroupBox *Frame1 = nullptr;
    QRadioButton *Option1 = nullptr; // 打印选定范围
    QRadioButton *Option2 = nullptr; // 全部打印
    QPushButton *Command1 = nullptr; // 打印
    QPushButton *print = nullptr;    // 取消

    // "打印": prints, then closes. Without a printer it first asks for a PDF
    // file; cancelling that leaves the window open. A failure is reported
    // and the window stays open. Returns whether the record was printed.
    bool Command1_Click();
    void print_Click();
    // The chemical printed: the PDF file's proposed name and title.
    void setDocumentName(const QString &name) { m_documentName = name; }
    // The printer has nowhere to print to but a file not yet named.
    static bool needsFileName(const QPrinter &printer);

private:
    QString m_documentName;
    RichTextBox &m_box;
    QPrinter &m_printer;
};

} // namespace velmora::record
