#include "editor/TabStopDelegate.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QStringListModel>
#include <QTest>

using corv::editor::TabStopDelegate;

class tst_TabStopDelegate : public QObject
{
    Q_OBJECT
private slots:
    void stopHoldsTheFirstColumn_data();
    void stopHoldsTheFirstColumn();
    void stopFollowsTheLines();
};

void tst_TabStopDelegate::stopHoldsTheFirstColumn_data()
{
    // The lines; whether the stop fits them; the stop in base stops (0: at
    // least as wide as the widest first column).
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<bool>("fit");
    QTest::addColumn<int>("stops");
    QTest::newRow("ButtonIds keep the stop") << QStringList{"1\tTrigger", "2048\tHat"} << true << 1;
    QTest::newRow("a long input name widens it")
        << QStringList{"B3\tX", "B1+HAT_RIGHT\tDash"} << true << 0;
    QTest::newRow("lines without a tab keep it")
        << QStringList{"Mode 1 Name: Mode 1:"} << true << 1;
    QTest::newRow("not asked: the stop stays") << QStringList{"HAT_RIGHT\tDash"} << false << 1;
}

void tst_TabStopDelegate::stopHoldsTheFirstColumn()
{
    QFETCH(QStringList, lines);
    QFETCH(bool, fit);
    QFETCH(int, stops);
    const QFont font = QApplication::font();
    const TabStopDelegate delegate(43, nullptr, fit); // the Identify page's
    const QStringListModel model(lines);
    const qreal base = delegate.TabStop(font);
    const qreal stop = delegate.TabStop(font, &model);
    const qreal ratio = stop / base;
    QCOMPARE(ratio, std::round(ratio)); // a multiple of the base
    if (stops > 0)
        QCOMPARE(stop, base * stops);
    else
        QVERIFY(stop > QFontMetricsF(font).horizontalAdvance(lines.last().section(u'\t', 0, 0)));
}

// The stop is kept between paints, and must not outlive the lines it fits.
void tst_TabStopDelegate::stopFollowsTheLines()
{
    const QFont font = QApplication::font();
    const TabStopDelegate delegate(43, nullptr, true);
    QStringListModel model({"1\tTrigger"});
    const qreal base = delegate.TabStop(font);
    QCOMPARE(delegate.TabStop(font, &model), base);
    model.setStringList({"B1+B2+HAT_LEFT\tDash"});
    QVERIFY(delegate.TabStop(font, &model) > base);
    model.setData(model.index(0), QStringLiteral("2\tDash"));
    QCOMPARE(delegate.TabStop(font, &model), base);
}

QTEST_MAIN(tst_TabStopDelegate)
#include "tst_TabStopDelegate.moc"
