#include "widgets/TColorGrid.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

using namespace corv;

namespace
{
void sendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(pos), w->mapToGlobal(QPointF(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QColor contrastOf(const QColor& c)
{
    return QColor(c.red() >= 128 ? 0 : 255, c.green() >= 128 ? 0 : 255, c.blue() >= 128 ? 0 : 255);
}

// Pixels of one cell's centre that have the mark colour; the frame and the
// focus rectangle lie outside the region looked at.
QList<QPoint> markPixels(const QImage& img, const QRect& cell, const QColor& mark)
{
    QList<QPoint> out;
    const QRect r = cell.adjusted(6, 6, -6, -6);
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (img.pixel(x, y) == mark.rgb())
                out.append(QPoint(x, y));
    return out;
}

// The mark as the grid should draw it, rendered on its own.
QList<QPoint> expectedMark(const TColorGrid& g, int index, const QString& text)
{
    QImage img(g.size(), QImage::Format_ARGB32_Premultiplied);
    const QColor fill = TColorGrid::PaletteColor(index);
    img.fill(fill);
    QPainter p(&img);
    p.setFont(g.font());
    p.setPen(contrastOf(fill));
    p.drawText(g.CellRect(index), Qt::AlignCenter | Qt::TextSingleLine, text);
    p.end();
    return markPixels(img, g.CellRect(index), contrastOf(fill));
}
} // namespace

class tst_TColorGrid : public QObject
{
    Q_OBJECT
    std::unique_ptr<TColorGrid> grid_;

    TColorGrid* shown(QSize size = QSize(304, 200))
    {
        grid_ = std::make_unique<TColorGrid>();
        grid_->resize(size);
        grid_->show();
        if (!QTest::qWaitForWindowExposed(grid_.get()))
            return nullptr;
        return grid_.get();
    }
    QPoint centre(int cell) const { return grid_->CellRect(cell).center(); }

private slots:
    void cleanup() { grid_.reset(); }
    void keyboard_data();
    void keyboard();
    void keyChoosesColour_data();
    void keyChoosesColour();
    void bothChoicesShareCell();
    void rightClickWithBackgroundOff_data();
    void rightClickWithBackgroundOff();
    void sameCellNoChange();
    void resizeSnapsToCells_data();
    void resizeSnapsToCells();
    void dragPastEdge();
    void cellDrawing_data();
    void cellDrawing();
};

void tst_TColorGrid::keyboard_data()
{
    QTest::addColumn<int>("ordering");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("to");
    const int g44 = TColorGrid::go4x4;
    QTest::newRow("up from top row") << g44 << 2 << int(Qt::Key_Up) << 13;
    QTest::newRow("down from bottom row") << g44 << 14 << int(Qt::Key_Down) << 3;
    QTest::newRow("down from last cell") << g44 << 15 << int(Qt::Key_Down) << 0;
    QTest::newRow("up from cell 0") << g44 << 0 << int(Qt::Key_Up) << 15;
    QTest::newRow("left from cell 0") << g44 << 0 << int(Qt::Key_Left) << 15;
    QTest::newRow("right from last") << g44 << 15 << int(Qt::Key_Right) << 0;
    QTest::newRow("space") << g44 << 6 << int(Qt::Key_Space) << 7;
    QTest::newRow("down inside") << g44 << 5 << int(Qt::Key_Down) << 9;
    QTest::newRow("home") << g44 << 9 << int(Qt::Key_Home) << 0;
    QTest::newRow("end") << g44 << 3 << int(Qt::Key_End) << 15;
    QTest::newRow("8x2 down from bottom row")
        << int(TColorGrid::go8x2) << 12 << int(Qt::Key_Down) << 5;
    QTest::newRow("16x1 up from 4") << int(TColorGrid::go16x1) << 4 << int(Qt::Key_Up) << 3;
}

void tst_TColorGrid::keyboard()
{
    QFETCH(int, ordering);
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, to);
    TColorGrid* g = shown();
    QVERIFY(g);
    g->setGridOrdering(TColorGrid::TGridOrdering(ordering));
    g->setSelection(from);
    QSignalSpy change(g, &TColorGrid::OnChange);
    QTest::keyClick(g, Qt::Key(key));
    QCOMPARE(g->Selection(), to);
    QCOMPARE(change.count(), 0);
}

void tst_TColorGrid::keyChoosesColour_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("fg");
    QTest::addColumn<int>("bg");
    QTest::newRow("F") << int(Qt::Key_F) << 10 << 0;
    QTest::newRow("B") << int(Qt::Key_B) << 0 << 10;
}

void tst_TColorGrid::keyChoosesColour()
{
    QFETCH(int, key);
    QFETCH(int, fg);
    QFETCH(int, bg);
    TColorGrid* g = shown();
    QVERIFY(g);
    g->setSelection(10);
    QSignalSpy change(g, &TColorGrid::OnChange);
    QSignalSpy click(g, &TColorGrid::OnClick);
    QTest::keyClick(g, Qt::Key(key));
    QCOMPARE(g->ForegroundIndex(), fg);
    QCOMPARE(g->BackgroundIndex(), bg);
    QCOMPARE(change.count(), 1);
    QCOMPARE(click.count(), 1);
}

void tst_TColorGrid::bothChoicesShareCell()
{
    TColorGrid* g = shown();
    QVERIFY(g);
    g->setBackgroundIndex(4); // navy: yellow marks
    g->setForegroundIndex(9);
    QTest::mouseClick(g, Qt::LeftButton, {}, centre(4));
    QCOMPARE(g->ForegroundIndex(), 4);
    QCOMPARE(g->ForegroundColor(), QColor(0, 0, 128));
    const QImage img = g->grab().toImage();
    const auto got = markPixels(img, g->CellRect(4), QColor(255, 255, 0));
    QVERIFY(!got.isEmpty());
    QCOMPARE(got, expectedMark(*g, 4, QStringLiteral("FB")));
    QVERIFY(got != expectedMark(*g, 4, QStringLiteral("FG")));
    for (int i = 0; i < 16; ++i)
        if (i != 4)
            QVERIFY2(
                markPixels(img, g->CellRect(i), contrastOf(TColorGrid::PaletteColor(i))).isEmpty(),
                qPrintable(QString::number(i)));
}

void tst_TColorGrid::rightClickWithBackgroundOff_data()
{
    QTest::addColumn<bool>("clickEnables");
    QTest::addColumn<int>("bg");
    QTest::addColumn<int>("changes");
    QTest::newRow("stays off") << false << 7 << 0;
    QTest::newRow("click puts it in use") << true << 5 << 1;
}

void tst_TColorGrid::rightClickWithBackgroundOff()
{
    QFETCH(bool, clickEnables);
    QFETCH(int, bg);
    QFETCH(int, changes);
    TColorGrid* g = shown();
    QVERIFY(g);
    g->setBackgroundIndex(7);
    g->setBackgroundEnabled(false);
    g->setClickEnablesColor(clickEnables);
    QSignalSpy change(g, &TColorGrid::OnChange);
    QTest::mouseClick(g, Qt::RightButton, {}, centre(5));
    QCOMPARE(g->Selection(), 5);
    QCOMPARE(g->BackgroundIndex(), bg);
    QCOMPARE(g->BackgroundEnabled(), clickEnables);
    QCOMPARE(change.count(), changes);
    // A background not in use shows no mark.
    const QImage img = g->grab().toImage();
    QCOMPARE(markPixels(img, g->CellRect(5), contrastOf(TColorGrid::PaletteColor(5))).isEmpty(),
             !clickEnables);
}

void tst_TColorGrid::sameCellNoChange()
{
    TColorGrid* g = shown();
    QVERIFY(g);
    g->setForegroundIndex(3);
    QSignalSpy change(g, &TColorGrid::OnChange);
    QTest::mouseClick(g, Qt::LeftButton, {}, centre(3));
    g->setForegroundIndex(3);
    QCOMPARE(change.count(), 0);
    QTest::mouseClick(g, Qt::LeftButton, {}, centre(6));
    QCOMPARE(change.count(), 1);
}

void tst_TColorGrid::resizeSnapsToCells_data()
{
    QTest::addColumn<int>("ordering");
    QTest::addColumn<QSize>("requested");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QSize>("cell");
    QTest::newRow("4x4") << int(TColorGrid::go4x4) << QSize(303, 101) << QSize(300, 100)
                         << QSize(75, 25);
    QTest::newRow("16x1") << int(TColorGrid::go16x1) << QSize(303, 101) << QSize(288, 101)
                          << QSize(18, 101);
}

void tst_TColorGrid::resizeSnapsToCells()
{
    QFETCH(int, ordering);
    QFETCH(QSize, requested);
    QFETCH(QSize, size);
    QFETCH(QSize, cell);
    TColorGrid* g = shown(QSize(304, 100));
    QVERIFY(g);
    g->setGridOrdering(TColorGrid::TGridOrdering(ordering));
    g->resize(requested);
    QCOMPARE(g->size(), size);
    QCOMPARE(g->CellRect(0).size(), cell);
}

void tst_TColorGrid::dragPastEdge()
{
    TColorGrid* g = shown();
    QVERIFY(g);
    QSignalSpy change(g, &TColorGrid::OnChange);
    sendMouse(g, QEvent::MouseButtonPress, centre(5), Qt::LeftButton, Qt::LeftButton);
    QCOMPARE(g->ForegroundIndex(), 5);
    sendMouse(g, QEvent::MouseMove, QPoint(-40, 900), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(g->ForegroundIndex(), 12);
    sendMouse(g, QEvent::MouseMove, QPoint(5000, -3), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(g->ForegroundIndex(), 3);
    QCOMPARE(g->Selection(), 3);
    sendMouse(g, QEvent::MouseButtonRelease, QPoint(5000, -3), Qt::LeftButton, Qt::NoButton);
    sendMouse(g, QEvent::MouseMove, centre(0), Qt::NoButton, Qt::NoButton);
    QCOMPARE(g->ForegroundIndex(), 3); // tracking ended
    QCOMPARE(change.count(), 3);
    // The right button drags the background.
    sendMouse(g, QEvent::MouseButtonPress, centre(1), Qt::RightButton, Qt::RightButton);
    sendMouse(g, QEvent::MouseMove, QPoint(9999, 9999), Qt::NoButton, Qt::RightButton);
    QCOMPARE(g->BackgroundIndex(), 15);
    QCOMPARE(g->ForegroundIndex(), 3);
}

void tst_TColorGrid::cellDrawing_data()
{
    QTest::addColumn<bool>("ctl3d");
    QTest::newRow("3D") << true;
    QTest::newRow("flat") << false;
}

void tst_TColorGrid::cellDrawing()
{
    QFETCH(bool, ctl3d);
    TColorGrid* g = shown();
    QVERIFY(g);
    g->setCtl3D(ctl3d);
    g->setForegroundEnabled(false);
    g->setBackgroundEnabled(false);
    const QImage img = g->grab().toImage();
    const QRect c = g->CellRect(6);
    QCOMPARE(img.pixel(c.topLeft() + QPoint(10, 4)), qRgb(0, 128, 128));
    if (ctl3d) {
        QCOMPARE(img.pixel(c.topLeft()), g->palette().color(QPalette::Button).rgb());
        QCOMPARE(img.pixel(c.topLeft() + QPoint(10, 1)), g->palette().color(QPalette::Dark).rgb());
        QCOMPARE(img.pixel(c.bottomLeft() + QPoint(10, -1)),
                 g->palette().color(QPalette::Light).rgb());
    } else {
        QCOMPARE(img.pixel(c.topLeft()), qRgb(0, 0, 0));
        QCOMPARE(img.pixel(c.topLeft() + QPoint(10, 1)), qRgb(0, 128, 128));
    }
}

QTEST_MAIN(tst_TColorGrid)
#include "tst_TColorGrid.moc"
