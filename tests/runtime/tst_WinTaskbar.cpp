#include "runtime/CorvplayIcon.h"
#include "runtime/components/TWinTaskbar.h"

#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>
#include <QWidget>

using namespace corv;

class TestWinTaskbar : public QObject
{
    Q_OBJECT

private slots:
    void clickRules_data();
    void clickRules();
    void trayActivationReplaysButtonEvents();
    void rightPressOpensMenuAtCursor();
    void destroyedMenuReadsBackAsNone();
    void hintIsCutForTheTooltip();
    void iconRefreshRule();
};

// Each row is a sequence of virtual calls: d = left down, u = left up,
// D = double click. A double click arrives as d u D u.
void TestWinTaskbar::clickRules_data()
{
    QTest::addColumn<QString>("sequence");
    QTest::addColumn<bool>("dblHandler");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<int>("dblClicks");

    QTest::newRow("single click") << "du" << true << 1 << 0;
    QTest::newRow("double click") << "duDu" << true << 1 << 1;
    QTest::newRow("double click, then click") << "duDudu" << true << 2 << 1;
    // Without a double-click handler the flag is never set, so the release
    // that ends the double click counts as a click.
    QTest::newRow("double click, no handler") << "duDu" << false << 2 << 0;
    QTest::newRow("press without release") << "d" << true << 0 << 0;
}

void TestWinTaskbar::clickRules()
{
    QFETCH(QString, sequence);
    QFETCH(bool, dblHandler);
    QFETCH(int, clicks);
    QFETCH(int, dblClicks);

    QWidget form;
    TWinTaskbar tb(&form);
    int clicked = 0;
    int dblClicked = 0;
    connect(&tb, &TCustomWinTaskbar::OnClick, this, [&](TCustomWinTaskbar* sender) {
        QCOMPARE(sender, &tb);
        ++clicked;
    });
    if (dblHandler)
        connect(&tb, &TCustomWinTaskbar::OnDblClick, this, [&] { ++dblClicked; });

    for (QChar c : sequence) {
        if (c == u'd')
            tb.MouseDown(Qt::LeftButton, {}, 5, 5);
        else if (c == u'u')
            tb.MouseUp(Qt::LeftButton, {}, 5, 5);
        else
            tb.DblClick();
    }
    QCOMPARE(clicked, clicks);
    QCOMPARE(dblClicked, dblClicks);
}

// The notification area reports whole clicks; a double click must not leave
// the component waiting for a release that never comes.
void TestWinTaskbar::trayActivationReplaysButtonEvents()
{
    QWidget form;
    TWinTaskbar tb(&form);
    QSignalSpy clicks(&tb, &TCustomWinTaskbar::OnClick);
    QSignalSpy dblClicks(&tb, &TCustomWinTaskbar::OnDblClick);

    emit tb.trayIcon()->activated(QSystemTrayIcon::Trigger);
    emit tb.trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(dblClicks.count(), 1);
    emit tb.trayIcon()->activated(QSystemTrayIcon::Trigger);
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(dblClicks.count(), 1);

    // Other buttons raise no base events in this component.
    QSignalSpy downs(&tb, &TCustomWinTaskbar::OnMouseDown);
    emit tb.trayIcon()->activated(QSystemTrayIcon::MiddleClick);
    QCOMPARE(downs.count(), 0);
    QCOMPARE(clicks.count(), 2);
}

void TestWinTaskbar::rightPressOpensMenuAtCursor()
{
    QWidget form;
    TWinTaskbar tb(&form);
    tb.MouseDown(Qt::RightButton, {}, 40, 50); // no menu: nothing happens

    QMenu menu;
    menu.addAction(QStringLiteral("Cancel"));
    tb.SetPopUpMenu(&menu);
    tb.MouseDown(Qt::LeftButton, {}, 40, 50);
    QVERIFY(!menu.isVisible());
    tb.MouseDown(Qt::RightButton, {}, 40, 50);
    QTRY_VERIFY(menu.isVisible());
    QCOMPARE(menu.pos(), QPoint(40, 50));
    menu.close();
}

void TestWinTaskbar::destroyedMenuReadsBackAsNone()
{
    QWidget form;
    TWinTaskbar tb(&form);
    auto* menu = new QMenu;
    tb.SetPopUpMenu(menu);
    QCOMPARE(tb.PopUpMenu(), menu);
    delete menu;
    QVERIFY(tb.PopUpMenu() == nullptr);
    tb.MouseDown(Qt::RightButton, {}, 1, 1); // must not touch the freed menu
}

void TestWinTaskbar::hintIsCutForTheTooltip()
{
    QWidget form;
    TWinTaskbar tb(&form);
    const QString longHint = QString(70, u'x') + u'y';
    tb.SetHint(longHint);
    QCOMPARE(tb.Hint(), longHint);
    QCOMPARE(tb.ToolTip(), QString(63, u'x'));
    QCOMPARE(tb.trayIcon()->toolTip(), QString(63, u'x'));
    tb.SetHint(QStringLiteral("Corvane"));
    QCOMPARE(tb.trayIcon()->toolTip(), QStringLiteral("Corvane"));
}

void TestWinTaskbar::iconRefreshRule()
{
    QWidget form;
    TWinTaskbar tb(&form);
    tb.SetShowIcon(true); // no picture yet: stays removed
    QVERIFY(!tb.IconShown());
    tb.SetIcon(CorvplayIcon());
    QVERIFY(tb.IconShown());
    QVERIFY(tb.trayIcon()->isVisible());
    tb.SetIcon(QIcon()); // picture gone: removed
    QVERIFY(!tb.IconShown());
    tb.SetIcon(CorvplayIcon());
    tb.SetShowIcon(false);
    QVERIFY(!tb.IconShown());
    QVERIFY(!tb.trayIcon()->isVisible());
    QVERIFY(!CorvplayIcon().pixmap(32, 32).isNull());
}

QTEST_MAIN(TestWinTaskbar)
#include "tst_WinTaskbar.moc"
