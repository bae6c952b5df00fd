#pragma once

#include <QDialog>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace corv::editor
{

// The modal "Keystroke Selection" dialog: picks a key of the key table and
// its modifiers, and gives the keystroke text to the field that asked.
// Made once and kept, so the grid keeps its row.
class TfrmSelect : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSelect(QWidget* parent);

    // Runs the dialog for the field named caller (kept in lblCaller), on
    // its keystroke; the modifier boxes are enabled when modifiers. Gives
    // the keystroke chosen, empty for [NONE], or nothing when cancelled.
    std::optional<QString> Choose(const QString& caller, const QString& keystroke, bool modifiers);

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
    QString keystroke_;
    bool modifiers_ = true;
    QString chosen_;
};

} // namespace corv::editor
