#include "support/MainWindowHarness.h"

#include "db/ResultFile.h"
#include "record/RichTextBox.h"
#include "search/HistoryCombo.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace velmora::test {

MainWindowHarness::MainWindowHarness(const QString &remembered, Fixture::Sources sources)
    : m_fixture(sources)
{
    m_fixture.install();
    if (!remembered.isNull())
        db::ResultFile::write(m_fixture.file(QStringLiteral("\\result")), remembered);
    app::Prompts::Script script;
    script.message = [this](const app::Prompts::Message &m) {
        messages << m.title + QLatin1Char('|') + m.text;
        return QMessageBox::Ok;
    };
    // Dialogs are cancelled unless a test scripts them otherwise.
    script.saveFile = [](const app::Prompts::SaveRequest &) { return std::optional<QString>(); };
    script.font = [](const QFont &) { return std::optional<QFont>(); };
    script.printer = [](QPrinter *) { return false; };
    app::Prompts::setScript(script);
    m_window = std::make_unique<app::MainWindow>();
    m_window->Form_Load();
}

MainWindowHarness::~MainWindowHarness()
{
    m_window.reset();
    app::Prompts::clearScript();
}

void MainWindowHarness::search(const QString &text, const QString &route)
{
    m_window->setRoute(route);
    m_window->Combo1_Click();
    m_window->Combo2->setText(QString());
    QLineEdit *edit = m_window->Combo2->lineEdit();
    // Key events carrying the text, as an input method delivers Chinese.
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(edit, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(edit, &release);
    }
    QTest::keyClick(edit, Qt::Key_Return);
}

QStringList MainWindowHarness::listEntries() const
{
    QStringList out;
    for (int i = 0; i < m_window->List1->count(); ++i)
        out << m_window->List1->item(i)->text();
    return out;
}

QString MainWindowHarness::selectedEntry() const
{
    auto *item = m_window->List1->currentItem();
    return item ? item->text() : QString();
}

QString MainWindowHarness::recordText() const { return m_window->RichTextBox1->toPlainText(); }

QString MainWindowHarness::resultFile() const
{
    return db::ResultFile::read(m_fixture.file(QStringLiteral("\\result")));
}

} // namespace velmora::test
