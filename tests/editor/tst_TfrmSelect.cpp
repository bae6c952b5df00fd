// The keystroke dialog, opened from the main window's keystroke fields.
#include "EditorTest.h"
#include "editor/TfrmSelect.h"
#include "template/KeyTable.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

using namespace corv;
using corv::editor::TfrmSelect;

class TestTfrmSelect : public EditorTest
{
    Q_OBJECT

private slots:
    void init() { createEditor(); }
    void cleanup() { destroyEditor(); }

    void tabOrder();
    void writesTheChosenKeystroke_data();
    void writesTheChosenKeystroke();
    void modePageDisablesModifiers();
    void keepsRowAndUnticksBetweenOpenings();
    void opensOnTheFieldsKeystroke_data();
    void opensOnTheFieldsKeystroke();

private:
    // Double-clicks the field; `act` runs once the dialog is up.
    void openFrom(QLineEdit* field, const std::function<void(TfrmSelect*)>& act)
    {
        TfrmSelect* dialog = frm->frmSelect;
        bool ran = false;
        QTimer::singleShot(0, this, [&] {
            QVERIFY(dialog->isVisible());
            ran = true;
            act(dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        QTest::mouseDClick(field, Qt::LeftButton);
        QVERIFY(ran);
        QVERIFY(!dialog->isVisible());
    }
    static int rowOf(const char* name)
    {
        for (int row = 0; row < int(KeyTable.size()); ++row) {
            if (QLatin1String(KeyTable[row].Name) == QLatin1String(name))
                return row;
        }
        return -1;
    }
};

void TestTfrmSelect::tabOrder()
{
    TfrmSelect* d = frm->frmSelect;
    QList<QWidget*> order{d->Button1};
    for (QWidget* w = d->Button1->nextInFocusChain(); w != d->Button1; w = w->nextInFocusChain()) {
        if (w->parentWidget() == d && (w->focusPolicy() & Qt::TabFocus))
            order << w;
    }
    QCOMPARE(order, (QList<QWidget*>{d->Button1, d->Button2, d->grdSelect, d->chkCtrl, d->chkShift,
                                     d->chkAlt}));
}

void TestTfrmSelect::writesTheChosenKeystroke_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QList<int>>("ticked"); // 0 Alt, 1 Ctrl, 2 Shift
    QTest::addColumn<int>("how");           // 0 OK, 1 double-click on the row, 2 Enter
    QTest::addColumn<QString>("written");
    QTest::newRow("all three") << "a" << QList<int>{0, 1, 2} << 0 << "Ctrl + Shift + Alt + a";
    QTest::newRow("[NONE] with CTRL empties") << "[NONE]" << QList<int>{1} << 0 << "";
    QTest::newRow("double-click") << "Space" << QList<int>{2} << 1 << "Shift + Space";
    QTest::newRow("Enter") << "F12" << QList<int>{} << 2 << "F12";
}

void TestTfrmSelect::writesTheChosenKeystroke()
{
    QFETCH(QString, key);
    QFETCH(QList<int>, ticked);
    QFETCH(int, how);
    QFETCH(QString, written);
    showPage(frm->tabButtons);
    frm->txtKey[3]->setText("b");
    openFrom(frm->txtKey[3], [&](TfrmSelect* d) {
        QCOMPARE(d->lblCaller->text(), QStringLiteral("txtKey4"));
        const int row = rowOf(qPrintable(key));
        d->grdSelect->setCurrentCell(row, 0);
        QCheckBox* boxes[] = {d->chkAlt, d->chkCtrl, d->chkShift};
        for (int b : ticked)
            boxes[b]->setChecked(true);
        if (how == 0) {
            d->Button1->click();
        } else if (how == 1) {
            d->grdSelect->scrollToItem(d->grdSelect->item(row, 0));
            const QRect cell = d->grdSelect->visualItemRect(d->grdSelect->item(row, 0));
            const QPoint at(10, cell.center().y());
            QTest::mouseClick(d->grdSelect->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(d->grdSelect->viewport(), Qt::LeftButton, {}, at);
        } else {
            QTest::keyClick(d->grdSelect, Qt::Key_Return);
        }
    });
    QCOMPARE(frm->txtKey[3]->text(), written);
    QVERIFY(frm->txtKey[0]->text().isEmpty());
}

void TestTfrmSelect::modePageDisablesModifiers()
{
    showPage(frm->tabMode);
    openFrom(frm->txtSwitchKey, [&](TfrmSelect* d) {
        for (QCheckBox* box : {d->chkAlt, d->chkCtrl, d->chkShift}) {
            QVERIFY(!box->isEnabled());
            QVERIFY(!box->isChecked());
        }
        d->grdSelect->setCurrentCell(rowOf("F1"), 0);
        d->Button1->click();
    });
    QCOMPARE(frm->Doc.ModeSwitchKey, QStringLiteral("F1"));
}

void TestTfrmSelect::keepsRowAndUnticksBetweenOpenings()
{
    showPage(frm->tabButtons);
    frm->txtKey[0]->clear();
    const int row = rowOf("Tab");
    openFrom(frm->txtKey[0], [&](TfrmSelect* d) {
        d->grdSelect->setCurrentCell(row, 0);
        d->chkAlt->setChecked(true);
        d->Button2->click();
    });
    QVERIFY(frm->txtKey[0]->text().isEmpty());
    openFrom(frm->txtKey[0], [&](TfrmSelect* d) {
        QCOMPARE(d->grdSelect->currentRow(), row);
        for (QCheckBox* box : {d->chkAlt, d->chkCtrl, d->chkShift}) {
            QVERIFY(box->isEnabled());
            QVERIFY(!box->isChecked());
        }
    });
    QVERIFY(frm->txtKey[0]->text().isEmpty());
}

void TestTfrmSelect::opensOnTheFieldsKeystroke_data()
{
    QTest::addColumn<bool>("modePage");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QList<bool>>("ticked"); // Alt, Ctrl, Shift
    QTest::newRow("Ctrl + x") << false << "Ctrl + x"
                              << "x" << QList<bool>{false, true, false};
    QTest::newRow("all three") << false << "Ctrl + Shift + Alt + Num Lock"
                               << "Num Lock" << QList<bool>{true, true, true};
    QTest::newRow("switch key") << true << "F3"
                                << "F3" << QList<bool>{false, false, false};
}

void TestTfrmSelect::opensOnTheFieldsKeystroke()
{
    QFETCH(bool, modePage);
    QFETCH(QString, field);
    QFETCH(QString, row);
    QFETCH(QList<bool>, ticked);
    showPage(modePage ? frm->tabMode : frm->tabButtons);
    QLineEdit* target = modePage ? frm->txtSwitchKey : frm->txtKey[1];
    // The row picked last elsewhere must not carry over to a filled field.
    // Home, End and Tab on the way there stay on the names.
    frm->txtKey[0]->clear();
    openFrom(frm->txtKey[0], [&](TfrmSelect* d) {
        for (auto [key, at] :
             {std::pair(Qt::Key_End, int(KeyTable.size()) - 1), std::pair(Qt::Key_Home, 0)}) {
            QTest::keyClick(d->grdSelect, key);
            QCOMPARE(QPoint(d->grdSelect->currentRow(), d->grdSelect->currentColumn()),
                     QPoint(at, 0));
        }
        QApplication::setActiveWindow(d);
        d->chkAlt->setFocus();
        QTest::keyClick(d->chkAlt, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), d->Button1);
        d->grdSelect->setCurrentCell(rowOf("Tab"), 0);
        d->Button2->click();
    });
    target->setText(field);
    openFrom(target, [&](TfrmSelect* d) {
        QCOMPARE(d->grdSelect->currentRow(), rowOf(qPrintable(row)));
        QCOMPARE((QList<bool>{d->chkAlt->isChecked(), d->chkCtrl->isChecked(),
                              d->chkShift->isChecked()}),
                 ticked);
        QTest::keyClick(d->grdSelect, Qt::Key_Return);
    });
    QCOMPARE(target->text(), field);
}

QTEST_MAIN(TestTfrmSelect)
#include "tst_TfrmSelect.moc"
