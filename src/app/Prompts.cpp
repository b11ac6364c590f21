#include "app/Prompts.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QFontDialog>
#include <QPrintDialog>
#include <QPrinter>

namespace velmora::app {

namespace {
Prompts::Script &script()
{
    static Prompts::Script s;
    return s;
}
} // namespace

void Prompts::setScript(Script s) { script() = std::move(s); }
void Prompts::clearScript() { script() = Script{}; }

QMessageBox::StandardButton Prompts::message(QWidget *parent, const Message &m)
{
    if (script().message)
        return script().message(m);
    QMessageBox box(m.icon, m.title, m.text, m.buttons, parent);
    // The buttons speak the program's language.
    const std::pair<QMessageBox::StandardButton, const char *> captions[] = {
        {QMessageBox::Ok, "确定"},     {QMessageBox::Cancel, "取消"}, {QMessageBox::Retry, "重试"},
        {QMessageBox::Discard, "放弃"}, {QMessageBox::Yes, "是"},     {QMessageBox::No, "否"}};
    for (const auto &[button, caption] : captions)
        if (QAbstractButton *b = box.button(button))
            b->setText(QString::fromUtf8(caption));
    return QMessageBox::StandardButton(box.exec());
}

QMessageBox::StandardButton Prompts::warning(QWidget *parent, const QString &title, const QString &text)
{
    return message(parent, {QMessageBox::Warning, title, text, QMessageBox::Ok});
}

QString Prompts::qtFilter(const QString &filter)
{
    // Pairs of description|pattern, as the program writes them.
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const int paren = description.indexOf(QLatin1Char('('));
        if (paren > 0)
            description = description.left(paren).trimmed();
        out << QStringLiteral("%1 (%2)").arg(description, parts[i + 1]);
    }
    return out.join(QLatin1String(";;"));
}

std::optional<QString> Prompts::saveFile(QWidget *parent, const SaveRequest &request)
{
    if (script().saveFile)
        return script().saveFile(request);
    QFileDialog dialog(parent, request.title, request.initialName, qtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.selectFile(request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

std::optional<QFont> Prompts::font(QWidget *parent, const QFont &initial)
{
    if (script().font)
        return script().font(initial);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, parent);
    if (!ok)
        return std::nullopt;
    return chosen;
}

bool Prompts::printer(QWidget *parent, QPrinter *printer)
{
    if (script().printer)
        return script().printer(printer);
    QPrintDialog dialog(printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace velmora::app
