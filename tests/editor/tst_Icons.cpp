#include "widgets/TExplorerButton.h"

#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QSvgRenderer>
#include <QTest>

using namespace corv;

class tst_Icons : public QObject
{
    Q_OBJECT
private slots:
    void rendersAt16_data();
    void rendersAt16();
};

void tst_Icons::rendersAt16_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"new", "open", "save", "add", "delete", "clear", "print", "hints",
                             "exit", "help", "corvedit"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_Icons::rendersAt16()
{
    QFETCH(QString, name);
    QSvgRenderer svg(QStringLiteral(":/icons/%1.svg").arg(name));
    QVERIFY(svg.isValid());
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    // Something is drawn, and it fills a fair part of the square.
    int opaque = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
    QVERIFY2(opaque > 40, qPrintable(QString::number(opaque)));
    // The toolbar shows its images in greys until pointed at, and the
    // light greys vanish into it: enough must stay dark, the middle of the
    // picture too, where a glyph such as a plus stands.
    const QPalette palette;
    const QImage grey = TExplorerButton::MakeMonoImage(image, TExplorerButton::stMedium, palette);
    const auto dark = [&](int x, int y) {
        return grey.pixel(x, y) == palette.color(QPalette::Dark).rgb() ||
               grey.pixel(x, y) == qRgb(0, 0, 0);
    };
    int all = 0;
    int middle = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            all += dark(x, y);
            middle += dark(x, y) && x >= 4 && x < 12 && y >= 4 && y < 12;
        }
    }
    QVERIFY2(all >= 20 && middle >= 4, qPrintable(QStringLiteral("%1, %2").arg(all).arg(middle)));
    if (qEnvironmentVariableIsSet("CORV_ICON_PREVIEW"))
        image.scaled(128, 128).save(qEnvironmentVariable("CORV_ICON_PREVIEW") + "/" + name +
                                    ".png");
}

QTEST_MAIN(tst_Icons)
#include "tst_Icons.moc"
