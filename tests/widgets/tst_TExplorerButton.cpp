#include "widgets/TExplorerButton.h"

#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
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

// 16 x 16 image on a magenta background (its transparent colour).
QImage icon(QRgb body = qRgb(0, 0, 128))
{
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(qRgb(255, 0, 255));
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x)
            img.setPixel(x, y, body);
    return img;
}

// Red pixels of the drop-down mark's rows at anchor (x, y).
bool markAt(const QImage& img, int x, int y, QRgb color)
{
    for (int i = 0; i < 7; ++i)
        if (img.pixel(x + i, y - 1) != color)
            return false;
    return img.pixel(x + 1, y) == color && img.pixel(x + 5, y) == color &&
           img.pixel(x + 3, y + 2) == color && img.pixel(x + 3, y + 3) != color &&
           img.pixel(x, y) != color;
}
} // namespace

class tst_TExplorerButton : public QObject
{
    Q_OBJECT
    std::unique_ptr<QWidget> parent_;

    QWidget* parentWindow()
    {
        parent_ = std::make_unique<QWidget>();
        parent_->resize(300, 100);
        parent_->setAutoFillBackground(true);
        return parent_.get();
    }
    TExplorerButton* button(int x = 10)
    {
        auto* b = new TExplorerButton(parent_.get());
        b->move(x, 10);
        return b;
    }
    bool showParent()
    {
        parent_->show();
        return QTest::qWaitForWindowExposed(parent_.get());
    }
    static void click(TExplorerButton* b)
    {
        const QPoint c = b->rect().center();
        sendMouse(b, QEvent::MouseButtonPress, c, Qt::LeftButton, Qt::LeftButton);
        sendMouse(b, QEvent::MouseButtonRelease, c, Qt::LeftButton, Qt::NoButton);
    }

private slots:
    void init() { parentWindow(); }
    void cleanup() { parent_.reset(); }
    void clickAndReleaseOutside();
    void groups_data();
    void groups();
    void downNeedsGroup();
    void hintFromCaption_data();
    void hintFromCaption();
    void acceleratorClicks();
    void monoThresholds_data();
    void monoThresholds();
    void idleImageIsGreyAndTransparent();
    void dropDownMenu_data();
    void dropDownMenu();
    void downPattern();
    void layoutPositions_data();
    void layoutPositions();
};

void tst_TExplorerButton::clickAndReleaseOutside()
{
    TExplorerButton* b = button();
    QVERIFY(showParent());
    QSignalSpy clicked(b, &TExplorerButton::OnClick);
    click(b);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!b->MouseInside());

    sendMouse(b, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(b->Pressed() && b->MouseInside());
    sendMouse(b, QEvent::MouseMove, QPoint(-20, 5), Qt::NoButton, Qt::LeftButton);
    QVERIFY(b->Pressed());
    QVERIFY(!b->MouseInside());
    sendMouse(b, QEvent::MouseButtonRelease, QPoint(-20, 5), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicked.count(), 1);
    QVERIFY(!b->Pressed() && !b->MouseInside());
}

void tst_TExplorerButton::groups_data()
{
    QTest::addColumn<bool>("allowAllUp");
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QList<bool>>("down");
    // Buttons 0 and 1 are both down beforehand; 2 is up; 3 is in another group.
    QTest::newRow("up button puts all others up")
        << false << 2 << QList<bool>{false, false, true, true};
    QTest::newRow("down button stays down") << false << 0 << QList<bool>{true, true, false, true};
    QTest::newRow("down button comes up with AllowAllUp")
        << true << 0 << QList<bool>{false, true, false, true};
}

void tst_TExplorerButton::groups()
{
    QFETCH(bool, allowAllUp);
    QFETCH(int, clicked);
    QFETCH(QList<bool>, down);
    QList<TExplorerButton*> b;
    for (int i = 0; i < 4; ++i)
        b << button(10 + 60 * i);
    QVERIFY(showParent());
    b[0]->setGroupIndex(1);
    b[0]->setDown(true);
    b[1]->setGroupIndex(2);
    b[1]->setDown(true);
    b[1]->setGroupIndex(1); // now two of group 1 are down
    b[2]->setGroupIndex(1);
    b[3]->setGroupIndex(2);
    b[3]->setDown(true);
    b[2]->setAllowAllUp(allowAllUp); // shared with the group
    QCOMPARE(b[0]->AllowAllUp(), allowAllUp);
    QCOMPARE(b[3]->AllowAllUp(), false);
    click(b[clicked]);
    for (int i = 0; i < 4; ++i)
        QVERIFY2(b[i]->Down() == down[i], qPrintable(QString::number(i)));
}

void tst_TExplorerButton::downNeedsGroup()
{
    TExplorerButton* b = button();
    b->setDown(true);
    QVERIFY(!b->Down());
    b->setGroupIndex(3);
    b->setDown(true);
    QVERIFY(b->Down());
    b->setGroupIndex(0);
    QVERIFY(!b->Down());
}

void tst_TExplorerButton::hintFromCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    QTest::newRow("accelerator") << "E&xit"
                                 << "Exit";
    QTest::newRow("double ampersand") << "A&&B"
                                      << "A&B";
    QTest::newRow("trailing ampersand") << "Save&"
                                        << "Save&";
    QTest::newRow("mixed") << "&Print && &Go"
                           << "Print & Go";
}

void tst_TExplorerButton::hintFromCaption()
{
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    TExplorerButton* b = button();
    b->setCaption(caption);
    b->setOptions(TExplorerButton::boIconOnly);
    QCOMPARE(b->Hint(), hint);
    QVERIFY(b->ShowHint());
    b->setOptions(TExplorerButton::boMonoDisplay);
    QCOMPARE(b->Hint(), QString());
    QVERIFY(!b->ShowHint());
    // A hint of one's own survives the option.
    b->setHint(QStringLiteral("mine"));
    b->setOptions(TExplorerButton::boIconOnly);
    QCOMPARE(b->Hint(), QStringLiteral("mine"));
}

void tst_TExplorerButton::acceleratorClicks()
{
    TExplorerButton* b = button();
    b->setCaption(QStringLiteral("E&xit"));
    QVERIFY(showParent());
    parent_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(parent_.get()));
    QSignalSpy clicked(b, &TExplorerButton::OnClick);
    QTest::keyClick(parent_.get(), Qt::Key_X, Qt::AltModifier);
    QCOMPARE(clicked.count(), 1);
    b->setEnabled(false);
    QTest::keyClick(parent_.get(), Qt::Key_X, Qt::AltModifier);
    QCOMPARE(clicked.count(), 1);
}

void tst_TExplorerButton::monoThresholds_data()
{
    QTest::addColumn<int>("shading");
    QTest::addColumn<QRgb>("pixel");
    QTest::addColumn<int>("grey"); // 0 white, 1 highlight, 2 shadow, 3 black
    const int medium = TExplorerButton::stMedium;
    QTest::newRow("765 white") << medium << qRgb(255, 255, 255) << 0;
    QTest::newRow("554 white") << medium << qRgb(255, 255, 44) << 0;
    QTest::newRow("553 highlight") << medium << qRgb(255, 255, 43) << 1;
    QTest::newRow("300 highlight") << medium << qRgb(100, 100, 100) << 1;
    QTest::newRow("231 shadow") << medium << qRgb(77, 77, 77) << 2;
    QTest::newRow("100 shadow") << medium << qRgb(0, 0, 100) << 2;
    QTest::newRow("57 black") << medium << qRgb(19, 19, 19) << 3;
    QTest::newRow("light 206 white") << int(TExplorerButton::stLight) << qRgb(206, 0, 0) << 0;
    QTest::newRow("dark 336 white") << int(TExplorerButton::stDark) << qRgb(200, 136, 0) << 0;
    QTest::newRow("dark 275 highlight") << int(TExplorerButton::stDark) << qRgb(200, 75, 0) << 1;
}

void tst_TExplorerButton::monoThresholds()
{
    QFETCH(int, shading);
    QFETCH(QRgb, pixel);
    QFETCH(int, grey);
    const QPalette pal;
    const QRgb expected[] = {qRgb(255, 255, 255), pal.color(QPalette::Light).rgb(),
                             pal.color(QPalette::Dark).rgb(), qRgb(0, 0, 0)};
    QImage img = icon(pixel);
    const QImage mono = TExplorerButton::MakeMonoImage(
        img, TExplorerButton::TExplorerButtonShadingType(shading), pal);
    QCOMPARE(mono.pixel(5, 5), expected[grey]);
    QCOMPARE(mono.pixel(0, 0), qRgb(255, 0, 255)); // background kept
}

void tst_TExplorerButton::idleImageIsGreyAndTransparent()
{
    parent_->setPalette(QPalette(QColor(10, 200, 30)));
    TExplorerButton* b = button();
    QImage img = icon(qRgb(100, 100, 100));
    // Fully transparent pixels count as background too.
    img = img.convertToFormat(QImage::Format_ARGB32);
    img.setPixel(4, 4, qRgba(0, 0, 0, 0));
    b->setBitmap(img);
    QVERIFY(showParent());
    const QImage shot = b->grab().toImage();
    const QPoint at = b->ImageRect().topLeft();
    QCOMPARE(b->ImageRect().size(), QSize(16, 16));
    const QRgb parentBg = parent_->palette().color(QPalette::Window).rgb();
    QCOMPARE(shot.pixel(at), parentBg);
    QCOMPARE(shot.pixel(at + QPoint(4, 4)), parentBg);
    QCOMPARE(shot.pixel(at + QPoint(6, 6)), b->palette().color(QPalette::Light).rgb());
    // Hovered: the image in colour, with a raised bevel.
    QEnterEvent enter(QPointF(5, 5), b->mapToGlobal(QPointF(5, 5)), b->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(b, &enter);
    const QImage hover = b->grab().toImage();
    QCOMPARE(hover.pixel(at + QPoint(6, 6)), qRgb(100, 100, 100));
    QCOMPARE(hover.pixel(0, 5), b->palette().color(QPalette::Light).rgb());
    QCOMPARE(hover.pixel(b->width() - 1, 5), b->palette().color(QPalette::Dark).rgb());
}

void tst_TExplorerButton::dropDownMenu_data()
{
    QTest::addColumn<bool>("popupMark");
    QTest::newRow("with mark") << true;
    QTest::newRow("without mark") << false;
}

void tst_TExplorerButton::dropDownMenu()
{
    QFETCH(bool, popupMark);
    TExplorerButton* b = button();
    b->setCaption(QStringLiteral("Hints"));
    b->setBitmap(icon());
    b->setUnselectedFontColor(QColor(255, 0, 0));
    auto* menu = new QMenu(parent_.get());
    menu->addAction(QStringLiteral("Show Hints"));
    b->setDropDownMenu(menu);
    b->setOptions(popupMark ? TExplorerButton::TExplorerButtonOptions(TExplorerButton::boPopupMark)
                            : TExplorerButton::TExplorerButtonOptions());
    QVERIFY(showParent());
    const QImage shot = b->grab().toImage();
    const QRect img = b->ImageRect();
    QCOMPARE(markAt(shot, img.right() + 1 + 3, img.y() + 8, qRgb(255, 0, 0)), popupMark);
    if (popupMark) // the mark's room moves the image left
        QCOMPARE(img.x(), (50 - 26) / 2);

    QSignalSpy clicked(b, &TExplorerButton::OnClick);
    QPoint openedAt;
    QTimer::singleShot(50, this, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            openedAt = popup->pos();
            popup->close();
        }
    });
    click(b);
    QCOMPARE(openedAt, b->mapToGlobal(QPoint(0, b->height())));
    QCOMPARE(clicked.count(), 0);
    QVERIFY(!b->Pressed());
}

void tst_TExplorerButton::downPattern()
{
    TExplorerButton* b = button();
    b->setGroupIndex(1);
    b->setDown(true);
    QVERIFY(showParent());
    const QImage shot = b->grab().toImage();
    const QRgb face = b->palette().color(QPalette::Button).rgb();
    const QRgb light = b->palette().color(QPalette::Light).rgb();
    for (const QPoint p : {QPoint(10, 10), QPoint(11, 11), QPoint(21, 31)})
        QCOMPARE(shot.pixel(p), light);
    for (const QPoint p : {QPoint(11, 10), QPoint(10, 11), QPoint(20, 31)})
        QCOMPARE(shot.pixel(p), face);
    // Pressed bevel: sunken, shadow at the top-left.
    QCOMPARE(shot.pixel(0, 5), b->palette().color(QPalette::Dark).rgb());
    b->setShowDownPattern(false);
    const QImage plain = b->grab().toImage();
    QVERIFY(plain.pixel(10, 10) != light || plain.pixel(11, 10) != face);
}

void tst_TExplorerButton::layoutPositions_data()
{
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("imageFirst"); // image above / left of the caption
    QTest::addColumn<bool>("vertical");
    QTest::newRow("top centre") << int(TExplorerButton::blBitmapTop)
                                << int(TExplorerButton::taCenter) << true << true;
    QTest::newRow("bottom left") << int(TExplorerButton::blBitmapBottom)
                                 << int(TExplorerButton::taLeftJustify) << false << true;
    QTest::newRow("left right-aligned") << int(TExplorerButton::blBitmapLeft)
                                        << int(TExplorerButton::taRightJustify) << true << false;
    QTest::newRow("right centre") << int(TExplorerButton::blBitmapRight)
                                  << int(TExplorerButton::taCenter) << false << false;
}

void tst_TExplorerButton::layoutPositions()
{
    QFETCH(int, layout);
    QFETCH(int, alignment);
    QFETCH(bool, imageFirst);
    QFETCH(bool, vertical);
    TExplorerButton* b = button();
    b->resize(90, 50);
    b->setCaption(QStringLiteral("Ab"));
    b->setBitmap(icon());
    b->setLayout(TExplorerButton::TExplorerButtonLayout(layout));
    b->setAlignment(TExplorerButton::TAlignment(alignment));
    const QRect img = b->ImageRect(), cap = b->CaptionRect();
    const int W = 90, H = 50, g = 2;
    if (vertical) {
        const QRect& first = imageFirst ? img : cap;
        const QRect& second = imageFirst ? cap : img;
        QCOMPARE(first.y(), (H - cap.height() - 16 - g) / 2);
        QCOMPARE(second.y(), first.y() + first.height() + g);
        if (alignment == TExplorerButton::taCenter)
            QCOMPARE(img.x(), (W - 16) / 2);
        else
            QCOMPARE(img.x(), 3);
    } else {
        QCOMPARE(img.y(), (H - 16) / 2);
        QCOMPARE(cap.y(), (H - cap.height()) / 2);
        const QRect& first = imageFirst ? img : cap;
        const QRect& second = imageFirst ? cap : img;
        QCOMPARE(second.x(), first.x() + first.width() + g);
        if (alignment == TExplorerButton::taRightJustify)
            QCOMPARE(second.x() + second.width(), W - 3);
        else
            QCOMPARE(first.x(), (W - cap.width() - 16 - g) / 2);
    }
}

QTEST_MAIN(tst_TExplorerButton)
#include "tst_TExplorerButton.moc"
