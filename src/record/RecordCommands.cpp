#include "record/RecordCommands.h"

#include "app/Fonts.h"
#include "app/MainWindow.h"
#include "app/Prompts.h"
#include "record/PrintForm.h"
#include "record/RichTextBox.h"
#include "record/RtfWriter.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QPointer>
#include <QPrinter>
#include <QSaveFile>
#include <QTextDocumentFragment>

namespace velmora::record {

QPrinter &RecordCommands::printer()
{
    static QPrinter p(QPrinter::HighResolution);
    return p;
}

bool RecordCommands::writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString RecordCommands::save_Click(app::MainWindow &main)
{
    app::Prompts::SaveRequest request;
    request.title = QStringLiteral("保存文件");
    request.initialName = main.List1->currentText();
    // A name is proposed as a file name, never as a path.
    request.initialName.replace(QLatin1Char('/'), QChar(0xFF0F));
    request.filter = QStringLiteral("RTF(*.rtf)|*.rtf");
    request.defaultSuffix = QStringLiteral("rtf");
    request.confirmOverwrite = true;
    const auto chosen = app::Prompts::saveFile(&main, request);
    if (!chosen || chosen->isEmpty())
        return {};
    QString path = *chosen;
    // Names of chemicals may hold a dot (C.I.颜料白6): whatever precedes it,
    // the file gets its extension unless the name already ends with it.
    if (!path.endsWith(QLatin1String(".rtf"), Qt::CaseInsensitive))
        path += QStringLiteral(".rtf");
    if (!writeFile(path, RtfWriter::toRtf(*main.RichTextBox1->document())))
        return {};
    return path;
}

void RecordCommands::select_Click(app::MainWindow &main)
{
    RichTextBox &box = *main.RichTextBox1;
    box.setSel(0, box.textLength());
}

void RecordCommands::copy_Click(app::MainWindow &main)
{
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    RichTextBox &box = *main.RichTextBox1;
    const QTextCursor selection = box.textCursor();
    if (!selection.hasSelection())
        return;
    auto *data = new QMimeData;
    const QTextDocumentFragment fragment = selection.selection();
    data->setText(fragment.toPlainText());
    data->setHtml(fragment.toHtml());
    const QByteArray rtf = RtfWriter::toRtf(selection);
    data->setData(QStringLiteral("text/rtf"), rtf);
    data->setData(QStringLiteral("application/rtf"), rtf);
    data->setData(QStringLiteral("Rich Text Format"), rtf);
    clipboard->setMimeData(data);
}

void RecordCommands::fornt_Click(app::MainWindow &main)
{
    // The dialog always opens at 宋体 12.
    const auto chosen = app::Prompts::font(&main, app::Fonts::songTi(12));
    if (!chosen)
        return;
    QFont base(app::Fonts::family(chosen->family()));
    base.setPointSizeF(chosen->pointSizeF() > 0 ? chosen->pointSizeF() : 12);
    base.setBold(chosen->bold());
    base.setItalic(chosen->italic());
    base.setUnderline(chosen->underline());
    base.setStrikeOut(chosen->strikeOut());
    main.RichTextBox1->setBaseFont(base);
    main.find_Click();
}

void RecordCommands::printer_Click(app::MainWindow &main)
{
    app::Prompts::printer(&main, &printer());
}

PrintForm *RecordCommands::print_Click(app::MainWindow &main)
{
    auto *form = new PrintForm(*main.RichTextBox1, printer(), &main);
    if (main.List1->currentRow() >= 0)
        form->setDocumentName(main.List1->currentText().replace(QLatin1Char('/'), QChar(0xFF0F)));
    form->move(main.geometry().center() - form->rect().center());
    form->show();
    return form;
}

} // namespace velmora::record
