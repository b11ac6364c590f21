// Qt's own dialogs speak Chinese once the program's translations are in:
// the buttons of the save dialog and of message boxes.
#include "app/Application.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFile>
#include <QFontDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace {

// A button's text without its mnemonic: "保存(&S)" -> "保存".
QString plain(const QAbstractButton *button)
{
    QString text = button->text();
    text.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&")));
    return text.trimmed();
}

} // namespace

class TestTranslations : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_zh_CN.qm"))
            QSKIP("qt6-translations-l10n is not installed");
        QVERIFY(velmora::app::installTranslations(*qApp));
        QCOMPARE(QLocale().language(), QLocale::Chinese);
    }

    void messageBoxButtons_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("yes") << int(QMessageBox::Yes) << "是";
        QTest::newRow("no") << int(QMessageBox::No) << "否";
        QTest::newRow("ok") << int(QMessageBox::Ok) << "确定";
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << "取消";
    }
    void messageBoxButtons()
    {
        QFETCH(int, button);
        QMessageBox box(QMessageBox::Question, "提醒！", "文件已经存在，要替换它吗？",
                        QMessageBox::StandardButton(button));
        QTEST(plain(box.button(QMessageBox::StandardButton(button))), "text");
    }

    void saveDialog()
    {
        QFileDialog dialog(nullptr, "保存文件", QString(), "RTF (*.rtf)");
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(buttons);
        QStringList texts;
        for (QAbstractButton *b : buttons->buttons())
            texts << plain(b);
        QVERIFY2(texts.contains("保存") && texts.contains("取消"), qPrintable(texts.join('|')));
        // The labels of the dialog: "文件名" and "查看" rather than "File name" and "Look in".
        QStringList labels;
        for (QLabel *l : dialog.findChildren<QLabel *>())
            labels << l->text();
        QVERIFY2(!labels.join('|').contains("File name") && !labels.join('|').contains("Look in"),
                 qPrintable(labels.join('|')));
    }

    void fileTypes()
    {
        QCOMPARE(QCoreApplication::translate("QAbstractFileIconProvider", "Folder", "All other platforms"),
                 QString("文件夹"));
        QCOMPARE(QCoreApplication::translate("QFileDialog", "&Save"), QString("保存(&S)"));
    }

    void fontDialog()
    {
        QFontDialog dialog;
        dialog.setOption(QFontDialog::DontUseNativeDialog);
        QVERIFY2(!dialog.windowTitle().contains("Font"), qPrintable(dialog.windowTitle()));
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(buttons);
        QCOMPARE(plain(buttons->button(QDialogButtonBox::Ok)), QString("确定"));
    }

    void printDialog()
    {
        QPrinter printer;
        QPrintDialog dialog(&printer);
        auto *buttons = dialog.findChild<QDialogButtonBox *>();
        QVERIFY(buttons);
        QStringList texts;
        for (QAbstractButton *b : buttons->buttons())
            texts << plain(b);
        QVERIFY2(texts.contains("取消") && !texts.join('|').contains("Print"), qPrintable(texts.join('|')));
    }
};

QTEST_MAIN(TestTranslations)
#include "test_translations.moc"
