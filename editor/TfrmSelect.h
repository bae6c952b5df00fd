#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace corv::editor
{

class TfrmMain;

// The modal "Keystroke Selection" dialog: picks a key of the key table and
// its modifiers, and writes the keystroke text into the main window's field
// named in lblCaller. Made once and kept, so the grid keeps its row.
class TfrmSelect : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSelect(TfrmMain* frmMain);

    QTableWidget* grdSelect;
    QPushButton* Button1;
    QPushButton* Button2;
    QCheckBox* chkAlt;
    QCheckBox* chkCtrl;
    QCheckBox* chkShift;
    QLabel* lblCaller;

    void FormActivate();
    void Button1Click();
    void Button2Click();
    void grdSelectDblClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    TfrmMain* frmMain_;
};

} // namespace corv::editor
