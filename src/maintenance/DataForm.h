#pragma once

#include "maintenance/WizardForm.h"

namespace velmora::maintenance {

// The record edit wizard `datafrm`: changes the chemical selected in the main
// window, one field at a time. The record is fetched again by the text of the
// name box at every change of item, so a changed Chinese name takes effect at
// once; among the rows of that name the window keeps to the row it opened
// (by its key), so a name shared with another chemical never sends the edits
// there.
class DataForm : public WizardForm {
    Q_OBJECT
public:
    // Shows the one edit wizard, loading it on first use; a later call only
    // brings it forward.
    static DataForm *open(app::MainWindow &main);
    // The open edit wizard, or null.
    static DataForm *instance();

    void Form_Load() override;
    void Toolbar1_ButtonClick(int index) override;

protected:
    bool beginItemChange(Change change) override;
    void refreshData1() override;
    bool hasRecord() const override;
    bool preselectsHeading() const override { return true; }
    bool storeOnClose() override;
    void storeNow() override;

public:
    // The key of the sj row being edited; 0 when none.
    qint64 editedRow() const { return m_row; }

private:
    explicit DataForm(app::MainWindow &main);
    void save();

    qint64 m_row = 0;
};

} // namespace velmora::maintenance
