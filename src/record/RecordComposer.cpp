#include "record/RecordComposer.h"

#include "db/DataSource.h"
#include "db/Database.h"
#include "db/StructureKeys.h"
#include "record/RichTextBox.h"

#include <QHash>
#include <QSet>

namespace velmora::record {

const QString RecordComposer::StructureLabel = QStringLiteral("结构式");

const QString RecordComposer::GoneText =
    QStringLiteral("你所要检索的化学品已经被修改或不存在，请重新检索！");

QString RecordComposer::headingLabel(const QString &field)
{
    static const QHash<QString, QString> labels = {
        {QStringLiteral("熔点"), QStringLiteral("熔点（℃）")},
        {QStringLiteral("沸点"), QStringLiteral("沸点（℃）")},
        {QStringLiteral("消耗定额"), QStringLiteral("消耗定额（t/t）")},
        {QStringLiteral("闪点"), QStringLiteral("闪点（℃）")},
        {QStringLiteral("蒸气压"), QStringLiteral("蒸气压（Pa）")},
        {QStringLiteral("粘度"), QStringLiteral("粘度 mPa·s（20℃）")},
        {QStringLiteral("分子量"), QStringLiteral("相对分子量或原子量")},
    };
    return labels.value(field, field);
}

bool RecordComposer::isInlineLabel(const QString &label)
{
    static const QSet<QString> inlineLabels = {
        QStringLiteral("中文名称"),     QStringLiteral("密度"),         QStringLiteral("英文名称"),
        QStringLiteral("熔点（℃）"),   QStringLiteral("沸点（℃）"),   QStringLiteral("折射率"),
        QStringLiteral("蒸气压（Pa）"), QStringLiteral("闪点（℃）"),   QStringLiteral("粘度 mPa·s（20℃）"),
        QStringLiteral("相对分子量或原子量")};
    return inlineLabels.contains(label);
}

void RecordComposer::find_Click(RichTextBox &box, const db::DataSource &source, const QByteArray &picture,
                                const QString &route, const QString &searchText)
{
    // Hidden while composed: no flicker, no partial text.
    box.setVisible(false);
    const db::ReadingGrid &g = source.grid();
    if (g.rows() < 2) {
        box.clearText();
        box.write(GoneText);
    } else {
        box.clearText();
        const int fields = g.cols() - g.fixedCols();
        bool pictureWritten = false;
        for (int k = 2; k <= fields - 5; ++k) {
            const int col = k - 1 + g.fixedCols();
            if (k == 5 && !picture.isEmpty() && !pictureWritten) {
                pictureWritten = true;
                box.setSecondMeasure(500);
                box.setFirstMeasure(10);
                box.setSelBold(true);
                box.write(QStringLiteral("\r\n【结构或分子式】"));
                box.write(QStringLiteral("\r\n"));
                box.writeSpacer(QString(69, QLatin1Char(' ')));
                box.write(QStringLiteral("\r\n"));
                box.writeSpacer(QString(71, QLatin1Char(' ')));
                box.insertPicture(picture); // a picture that fails is skipped
                box.setSelBold(false);
                box.write(QStringLiteral("\r\n"));
                box.writeSpacer(QString(43, QLatin1Char(' ')));
            }
            const QString value = g.text(1, col);
            if (value.isEmpty() || value == QStringLiteral("……"))
                continue;
            const QString label = headingLabel(g.text(0, col));
            if (label == QStringLiteral("分子式"))
                continue;
            box.setSecondMeasure(100);
            box.setFirstMeasure(10);
            box.setSelBold(true);
            box.write(QStringLiteral("\r\n【") + label + QStringLiteral("】"));
            box.setSelBold(false);
            if (isInlineLabel(label)) {
                box.write(value);
                box.write(QStringLiteral("\r\n"));
            } else {
                box.write(QStringLiteral("\r\n"));
                box.setFirstMeasure(150);
                box.write(QStringLiteral("\r\n    ") + value);
                box.write(QStringLiteral("\r\n"));
            }
        }
        writeStructure(box, source);
        findd_findd(box, route, searchText);
    }
    box.setSel(0, 0);
    box.setVisible(true);
}

void RecordComposer::writeStructure(RichTextBox &box, const db::DataSource &source)
{
    db::Database *database = source.openConnection();
    if (!database || source.grid().rows() < 2)
        return;
    db::StructureKeys::Stored stored;
    try {
        stored = db::StructureKeys::storedFor(database->handle(), source.grid().rowId(1));
    } catch (const db::DbError &) {
        return; // the record stands without it
    }
    if (stored.smiles.isEmpty())
        return;
    box.setSecondMeasure(100);
    box.setFirstMeasure(10);
    box.setSelBold(true);
    box.write(QStringLiteral("\r\n【") + StructureLabel + QStringLiteral("】"));
    box.setSelBold(false);
    box.write(QStringLiteral("\r\n"));
    box.setFirstMeasure(150);
    box.write(QStringLiteral("\r\n    SMILES：") + stored.smiles);
    if (!stored.inchiKey.isEmpty())
        box.write(QStringLiteral("\r\n    InChIKey：") + stored.inchiKey);
    box.write(QStringLiteral("\r\n"));
}

void RecordComposer::findd_findd(RichTextBox &box, const QString &route, const QString &searchText)
{
    const QStringList pieces = route == QStringLiteral("用途") ? searchText.split(QStringLiteral("；"))
                                                               : QStringList{searchText};
    for (const QString &piece : pieces) {
        const int at = box.find(piece);
        if (at >= 0)
            box.colour(at, int(piece.size()), QColor(0, 0, 255));
    }
}

void RecordComposer::writeNotFound(RichTextBox &box, const QString &message)
{
    box.clearText();
    box.setFirstMeasure(100);
    box.setSecondMeasure(100);
    box.write(message + QStringLiteral("\r\n"));
}

} // namespace velmora::record
