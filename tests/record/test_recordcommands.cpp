// Save, select all, copy, font, printer and print, driven through the main
// window with scripted dialogs.
#include "app/Prompts.h"
#include "record/PrintForm.h"
#include "record/RecordCommands.h"
#include "record/RichTextBox.h"
#include "support/MainWindowHarness.h"
#include "support/WindowInput.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QAction>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

using namespace velmora;
using test::MainWindowHarness;

namespace {

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text an independent reader finds in an RTF file.
QString readRtf(const QString &path)
{
    QTextDocument doc;
    doc.setHtml(run("unrtf", {"--html", path}));
    return doc.toPlainText();
}

// The print window that Ctrl+P in the main window opens.
record::PrintForm *openPrintForm(MainWindowHarness &h)
{
    h.press(Qt::Key_P, Qt::ControlModifier);
    record::PrintForm *form = nullptr;
    const bool opened = QTest::qWaitFor([&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *f = qobject_cast<record::PrintForm *>(w); f && f->isVisible())
                form = f;
        return form != nullptr;
    });
    return opened ? form : nullptr;
}

void scriptSave(std::function<std::optional<QString>(const app::Prompts::SaveRequest &)> answer)
{
    app::Prompts::Script s;
    s.message = [](const app::Prompts::Message &) { return QMessageBox::Ok; };
    s.saveFile = std::move(answer);
    s.font = [](const QFont &) { return std::optional<QFont>(); };
    s.printer = [](QPrinter *) { return false; };
    app::Prompts::setScript(s);
}

} // namespace

class TestRecordCommands : public QObject {
    Q_OBJECT

private slots:
    // First, while the commands' printer is as the program makes it: on a
    // machine without printers, 打印 asks for a PDF file, prints the record
    // there and closes the window.
    void printingWithoutAPrinter()
    {
        if (!QPrinterInfo::availablePrinters().isEmpty())
            QSKIP("this machine has a printer installed");
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        MainWindowHarness h;
        QTemporaryDir out;
        QPrinter &printer = record::RecordCommands::printer();
        QVERIFY(record::PrintForm::needsFileName(printer));
        const auto formatBefore = printer.outputFormat();

        QList<app::Prompts::SaveRequest> asked;
        QString answer;
        app::Prompts::Script s;
        s.message = [&](const app::Prompts::Message &m) {
            h.messages << m.title + '|' + m.text;
            return QMessageBox::Ok;
        };
        s.saveFile = [&](const app::Prompts::SaveRequest &r) {
            asked << r;
            return answer.isNull() ? std::optional<QString>() : std::optional<QString>(answer);
        };
        app::Prompts::setScript(s);

        namespace input = velmora::test::input;
        // Cancelling the file dialog: nothing written, no message, the window stays.
        QPointer<record::PrintForm> form = openPrintForm(h);
        QVERIFY(form);
        input::click(form->Command1);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].initialName, QString("甲酸；蚁酸.pdf"));
        QCOMPARE(asked[0].filter, QString("PDF 文件(*.pdf)|*.pdf"));
        QVERIFY(asked[0].title.contains("PDF"));
        QVERIFY(asked[0].confirmOverwrite);
        QVERIFY(form && form->isVisible());
        QVERIFY(h.messages.isEmpty());
        QVERIFY(QDir(out.path()).isEmpty());

        // A file that cannot be written: said so, the window stays.
        answer = out.filePath("missing/记录.pdf");
        input::click(form->Command1);
        QCOMPARE(h.messages, QStringList{"警告！|打印没有完成，请检查打印机或所选的文件后再试！"});
        QVERIFY(form && form->isVisible());

        // A name: the record is printed to it, the window closes.
        answer = out.filePath("甲酸；蚁酸");
        input::click(form->Command1);
        QTRY_VERIFY(!form || !form->isVisible());
        const QString pdf = out.filePath("甲酸；蚁酸.pdf");
        QVERIFY(QFile::exists(pdf));
        const QString text = run("pdftotext", {pdf, "-"});
        QVERIFY2(text.contains("【中文名称】甲酸；蚁酸") && text.contains("formic acid;methanoic acid"), qPrintable(text));
        QCOMPARE(h.messages.size(), 1);
        // The next print asks again.
        QCOMPARE(printer.outputFormat(), formatBefore);
        QVERIFY(printer.outputFileName().isEmpty());
    }

    void saveProposesTheListedNameAndWritesRtf()
    {
        if (QStandardPaths::findExecutable("unrtf").isEmpty())
            QSKIP("unrtf is not installed");
        MainWindowHarness h;
        QTemporaryDir out;
        app::Prompts::SaveRequest seen;
        scriptSave([&](const app::Prompts::SaveRequest &r) {
            seen = r;
            return std::optional<QString>(out.filePath(r.initialName + ".rtf"));
        });
        h.clickButton(2); // 保存
        const QString path = out.filePath(seen.initialName + ".rtf");
        QVERIFY(QFile::exists(path));
        QCOMPARE(seen.initialName, QString("甲酸；蚁酸"));
        QCOMPARE(seen.filter, QString("RTF(*.rtf)|*.rtf"));
        QCOMPARE(seen.defaultSuffix, QString("rtf"));
        QVERIFY(seen.confirmOverwrite);
        QCOMPARE(QFileInfo(path).fileName(), QString("甲酸；蚁酸.rtf"));

        const QString text = readRtf(path);
        for (const char *expected : {"【中文名称】甲酸；蚁酸", "【英文名称】formic acid;methanoic acid", "【结构或分子式】",
                                     "【熔点（℃）】8.4", "【用途】", "基本有机化工原料"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        QFile rtf(path);
        QVERIFY(rtf.open(QIODevice::ReadOnly));
        const QByteArray bytes = rtf.readAll();
        QVERIFY(bytes.startsWith("{\\rtf1"));
        QVERIFY(bytes.contains("\\pngblip"));
        QVERIFY(bytes.contains("\\li150")); // a block value's indent
    }

    // The extension is added unless the name ends with it, whatever dots
    // the chemical's name holds.
    void saveAddsTheExtension_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::newRow("a name with dots") << "钛白粉；钛白；C.I.颜料白6" << "钛白粉；钛白；C.I.颜料白6.rtf";
        QTest::newRow("no dot") << "甲酸；蚁酸" << "甲酸；蚁酸.rtf";
        QTest::newRow("already .rtf") << "甲酸.rtf" << "甲酸.rtf";
        QTest::newRow("capital .RTF") << "甲酸.RTF" << "甲酸.RTF";
        QTest::newRow("another extension") << "甲酸.txt" << "甲酸.txt.rtf";
        QTest::newRow("ends in a dot") << "2,4-D." << "2,4-D..rtf";
    }
    void saveAddsTheExtension()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        MainWindowHarness h;
        QTemporaryDir out;
        scriptSave([&](const app::Prompts::SaveRequest &) { return std::optional<QString>(out.filePath(chosen)); });
        h.clickButton(2); // 保存
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{written});
        QFile f(out.filePath(written));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().startsWith("{\\rtf1"));
    }

    void cancelAndFailuresWriteNothing()
    {
        MainWindowHarness h;
        QTemporaryDir out;
        scriptSave([](const app::Prompts::SaveRequest &) { return std::optional<QString>(); });
        h.clickButton(2); // 保存
        QVERIFY(QDir(out.path()).isEmpty());

        // A folder that does not exist: nothing is written, no message.
        scriptSave([&](const app::Prompts::SaveRequest &) {
            return std::optional<QString>(out.filePath("missing/x.rtf"));
        });
        h.clickButton(2);
        QVERIFY(QDir(out.path()).isEmpty());

        // A good file is replaced only by a complete one.
        const QString good = out.filePath("good.rtf");
        QVERIFY(record::RecordCommands::writeFile(good, "{\\rtf1 good}"));
        QVERIFY(!record::RecordCommands::writeFile(out.path(), "x")); // a folder is no file
        QFile f(good);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("{\\rtf1 good}"));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList{"good.rtf"});
    }

    void selectAllAndCopy()
    {
        MainWindowHarness h;
        auto &box = *h.w().RichTextBox1;
        QClipboard *clipboard = QApplication::clipboard();
        clipboard->setText("something before");
        h.show();
        box.setSel(0, 0);
        h.press(Qt::Key_C, Qt::ControlModifier); // 复制
        QVERIFY(clipboard->text().isEmpty()); // no selection: an empty clipboard

        const int at = box.find("formic acid");
        box.setSel(at, 11);
        h.clickButton(10); // 复制
        QCOMPARE(clipboard->text(), QString("formic acid"));
        const QMimeData *data = clipboard->mimeData();
        QVERIFY(data->hasHtml());
        QVERIFY(data->data("text/rtf").startsWith("{\\rtf1"));
        QVERIFY(data->data("text/rtf").contains("formic acid"));

        h.press(Qt::Key_S, Qt::ControlModifier); // 全选
        QCOMPARE(box.selStart(), 0);
        QCOMPARE(box.selLength(), box.textLength());
        h.press(Qt::Key_C, Qt::ControlModifier);
        QVERIFY(clipboard->text().contains("【中文名称】甲酸；蚁酸"));
    }

    void fontCommand()
    {
        MainWindowHarness h;
        auto &box = *h.w().RichTextBox1;
        QList<QFont> offered;
        app::Prompts::Script s;
        s.font = [&](const QFont &initial) {
            offered << initial;
            QFont chosen("DejaVu Sans", 15);
            chosen.setItalic(true);
            return std::optional<QFont>(chosen);
        };
        app::Prompts::setScript(s);
        h.w().menuEntry("fornt")->trigger();
        QCOMPARE(box.baseFont().pointSizeF(), 15.0);
        QVERIFY(box.baseFont().italic());
        // Recomposed: the headings stay bold, the values follow the base font.
        const QTextDocument *doc = box.document();
        QCOMPARE(doc->find("【用途】").charFormat().fontWeight(), int(QFont::Bold));
        QVERIFY(box.toPlainText().startsWith("\n【中文名称】甲酸；蚁酸"));
        h.w().menuEntry("fornt")->trigger();
        QCOMPARE(offered.size(), 2);
        for (const QFont &f : offered)
            QCOMPARE(f.pointSizeF(), 12.0); // 宋体 12 every time

        // Cancel changes nothing.
        s.font = [](const QFont &) { return std::optional<QFont>(); };
        app::Prompts::setScript(s);
        h.w().menuEntry("fornt")->trigger();
        QCOMPARE(box.baseFont().pointSizeF(), 15.0);
    }

    void printAllAndSelection()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext is not installed");
        MainWindowHarness h;
        QTemporaryDir out;
        QPrinter &printer = record::RecordCommands::printer();
        printer.setOutputFormat(QPrinter::PdfFormat);

        printer.setOutputFileName(out.filePath("all.pdf"));
        namespace input = velmora::test::input;
        // The window goes when it is closed.
        QPointer<record::PrintForm> form = openPrintForm(h);
        QVERIFY(form);
        QCOMPARE(form->objectName(), QString("print1"));
        QVERIFY(form->Option2->isChecked());
        input::click(form->Command1); // 打印
        QTRY_VERIFY(!form || !form->isVisible());
        const QString all = run("pdftotext", {out.filePath("all.pdf"), "-"});
        QVERIFY2(all.contains("formic acid;methanoic acid"), qPrintable(all));
        QVERIFY(all.contains("CAS"));
        QCOMPARE(h.w().RichTextBox1->selLength(), h.w().RichTextBox1->textLength());

        printer.setOutputFileName(out.filePath("part.pdf"));
        auto &box = *h.w().RichTextBox1;
        box.setSel(box.find("formic acid"), 11);
        form = openPrintForm(h);
        QVERIFY(form);
        input::click(form->Option1);
        QVERIFY(form->Option1->isChecked());
        input::click(form->Command1);
        QTRY_VERIFY(!form || !form->isVisible());
        const QString part = run("pdftotext", {out.filePath("part.pdf"), "-"}).trimmed();
        QCOMPARE(part, QString("formic acid"));

        // The selected range with nothing selected prints an empty page.
        printer.setOutputFileName(out.filePath("none.pdf"));
        box.setSel(0, 0);
        form = openPrintForm(h);
        QVERIFY(form);
        input::click(form->Option1);
        input::click(form->Command1);
        QTRY_VERIFY(!form || !form->isVisible());
        QCOMPARE(run("pdftotext", {out.filePath("none.pdf"), "-"}).trimmed(), QString());

        // A printer error is reported and keeps the window open.
        printer.setOutputFileName(out.filePath("missing/x.pdf"));
        form = openPrintForm(h);
        QVERIFY(form);
        input::click(form->Command1);
        QVERIFY(form->isVisible());
        QVERIFY(!QFile::exists(out.filePath("missing/x.pdf")));
        QCOMPARE(h.messages, QStringList{"警告！|打印没有完成，请检查打印机或所选的文件后再试！"});
        input::click(form->print); // 取消
        QTRY_VERIFY(!form || !form->isVisible());
        printer.setOutputFormat(QPrinter::NativeFormat);
    }
};

QTEST_MAIN(TestRecordCommands)
#include "test_recordcommands.moc"
