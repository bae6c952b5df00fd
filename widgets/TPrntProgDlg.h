#pragma once

#include <QDialog>

class QFrame;
class QLabel;

namespace corv
{

// Small always-on-top window that shows how far a print job has got.
// It has no buttons and can't be resized; printing can't be cancelled from it.
class TPrntProgDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TPrntProgDlg(QWidget* parent = nullptr);

    QFrame* Bevel;
    QLabel* lblStatus;
    QLabel* lblTitle;
    QLabel* lblPageNumDesc;
    QLabel* lblPageNumber;
};

} // namespace corv
