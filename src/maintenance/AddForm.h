#pragma once

#include "maintenance/WizardForm.h"

namespace velmora::maintenance {

// The record add wizard `addfrm`: enters new chemicals into table sj. It opens
// on a new row, refuses to change item until the chemical has a Chinese name,
// warns when the name already exists, and can start another chemical (添加)
// or take back the one it added (删除).
//
// The window keeps the row id of the chemical it stored, so that its edits
// and its 删除 reach that row and never an older chemical of the same name.
class AddForm : public WizardForm {
    Q_OBJECT
public:
    // Shows the one add wizard, loading it on first use; a later call only
    // brings it forward.
    static AddForm *open(app::MainWindow &main);
    // The open add wizard, or null.
    static AddForm *instance();

    void Form_Load() override;
    void Toolbar1_ButtonClick(int index) override;

    // The sj row stored for the chemical being entered; 0 while none is.
    qint64 addedRow() const { return m_added; }

protected:
    bool beginItemChange(Change change) override;
    void refreshData1() override;
    QString changePrompt(Change change, const QString &item) const override;
    bool hasRecord() const override;
    bool preselectsHeading() const override { return false; }
    bool storeOnClose() override;
    void storeNow() override { storePending(); }

private:
    explicit AddForm(app::MainWindow &main);
    bool unnamedNewRow() const;
    // Writes the pending edits; a new row that has a name becomes this
    // window's row. A new row without a name stays pending.
    void storePending();
    // Back to item 1 on a fresh new row, for the next chemical.
    void startNext();
    void save();
    void addAnother();
    void deleteAdded();

    qint64 m_added = 0;
};

} // namespace velmora::maintenance
