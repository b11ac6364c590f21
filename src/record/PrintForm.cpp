#include "record/PrintForm.h"

#include "app/Prompts.h"
#include "app/SkinSetup.h"
#include "record/RecordPrinter.h"
#include "record/RichTextBox.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmora::record {

PrintForm::PrintForm(RichTextBox &box, QPrinter &printer, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowCloseButtonHint
                          | Qt::WindowMinimizeButtonHint),
      m_box(box), m_printer(printer)
{
    setObjectName(QStringLiteral("print1"));
    setWindowTitle(QStringLiteral("打印"));
    setAttribute(Qt::WA_DeleteOnClose);

    Frame1 = new QGroupBox(QStringLiteral("选项"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Option2 = new QRadioButton(QStringLiteral("全部打印"), Frame1);
    Option2->setObjectName(QStringLiteral("Option2"));
    Option1 = new QRadioButton(QStringLiteral("打印选定范围"), Frame1);
    Option1->setObjectName(QStringLiteral("Option1"));
    auto *options = new QVBoxLayout(Frame1);
    options->addWidget(Option2);
    options->addWidget(Option1);

    Command1 = new QPushButton(QStringLiteral("打印"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    print = new QPushButton(QStringLiteral("取消"), this);
    print->setObjectName(QStringLiteral("print"));
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(print);
    buttons->addStretch();

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(14);
    layout->addWidget(Frame1, 1);
    layout->addLayout(buttons);

    app::SkinSetup::apply(this);
    Option2->setChecked(true); // "全部打印" when the window loads
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(print, &QPushButton::clicked, this, &PrintForm::print_Click);
    // The caption keeps its title and buttons, the options their texts.
    setMinimumWidth(260);
    resize(300, sizeHint().height());
}

bool PrintForm::needsFileName(const QPrinter &printer)
{
    if (!printer.outputFileName().isEmpty())
        return false;
    // Without an installed printer Qt has already turned the default printer
    // into PDF output, with no file to write to.
    return printer.outputFormat() == QPrinter::PdfFormat || QPrinterInfo::availablePrinters().isEmpty();
}

bool PrintForm::Command1_Click()
{
    // Without a printer the record goes to a PDF file the user names.
    const QPrinter::OutputFormat format = m_printer.outputFormat();
    bool toFile = false;
    if (needsFileName(m_printer)) {
        app::Prompts::SaveRequest request;
        request.title = QStringLiteral("没有安装打印机，打印到 PDF 文件");
        request.initialName = (m_documentName.isEmpty() ? QStringLiteral("纪录") : m_documentName)
                              + QStringLiteral(".pdf");
        request.filter = QStringLiteral("PDF 文件(*.pdf)|*.pdf");
        request.defaultSuffix = QStringLiteral("pdf");
        request.confirmOverwrite = true;
        const auto chosen = app::Prompts::saveFile(this, request);
        if (!chosen || chosen->isEmpty())
            return false; // cancelled: the window stays, nothing to report
        QString path = *chosen;
        if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
            path += QStringLiteral(".pdf");
        m_printer.setOutputFormat(QPrinter::PdfFormat);
        m_printer.setOutputFileName(path);
        toFile = true;
    }
    if (!m_documentName.isEmpty())
        m_printer.setDocName(m_documentName);
    if (!Option1->isChecked())
        m_box.setSel(0, m_box.textLength());
    const bool printed = RecordPrinter::print(m_box.textCursor(), m_printer);
    if (toFile) {
        // The next print asks for its own file again.
        m_printer.setOutputFileName(QString());
        m_printer.setOutputFormat(format);
    }
    if (!printed) {
        // The window stays open for another try.
        app::Prompts::warning(this, QStringLiteral("警告！"),
                              QStringLiteral("打印没有完成，请检查打印机或所选的文件后再试！"));
        return false;
    }
    close();
    return true;
}

void PrintForm::print_Click() { close(); }

} // namespace velmora::record
