// Shows every widget of corvwidgets in its states, for looking at the drawing.
#include "widgets/TColorGrid.h"
#include "widgets/TExplorerButton.h"
#include "widgets/TLinePrinter.h"
#include "widgets/TUrlLabel.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QEnterEvent>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <cstdio>

using namespace corv;

namespace
{
// A 16-colour style icon on a magenta background (its transparent colour).
QImage sampleIcon(int variant)
{
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(QColor(255, 0, 255));
    QPainter p(&img);
    const QColor colors[] = {Qt::darkBlue, Qt::darkGreen, Qt::red, Qt::darkYellow};
    p.setPen(Qt::black);
    p.setBrush(colors[variant % 4]);
    p.drawRect(2, 2, 11, 11);
    p.fillRect(5, 5, 6, 6, Qt::white);
    p.fillRect(7, 7, 2, 2, QColor(192, 192, 192));
    return img;
}

TExplorerButton* addButton(QWidget* parent, QGridLayout* grid, int col, const QString& caption,
                           int variant, const QString& note)
{
    auto* b = new TExplorerButton(parent);
    b->setCaption(caption);
    b->setBitmap(sampleIcon(variant));
    b->setFontColor(Qt::darkBlue);
    b->setFixedSize(50, 40);
    grid->addWidget(b, 1, col, Qt::AlignCenter);
    grid->addWidget(new QLabel(note, parent), 2, col, Qt::AlignCenter);
    return b;
}

void send(QWidget* w, QEvent::Type type, Qt::MouseButton button)
{
    const QPointF local(w->width() / 2, w->height() / 2);
    if (type == QEvent::Enter) {
        QEnterEvent e(local, w->mapToGlobal(local), w->mapToGlobal(local));
        QApplication::sendEvent(w, &e);
        return;
    }
    QMouseEvent e(type, local, w->mapToGlobal(local), button, button, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void printSample(const QString& file)
{
    TLinePrinter lp;
    lp.setOutputFileName(file);
    lp.setTitle(QStringLiteral("Gallery"));
    lp.setMarginTop(1);
    lp.setMarginBottom(1);
    lp.setHeader(QStringLiteral("{$TITLE}|Page {$PAGE}"));
    lp.setHeaderFormat(QStringLiteral("<4|>4"));
    lp.setFooter(QStringLiteral("{$DATE}"));
    lp.setFooterFormat(QStringLiteral("^8"));
    lp.setPageBorders(TLinePrinter::pbTop | TLinePrinter::pbBottom | TLinePrinter::pbLeft |
                      TLinePrinter::pbRight);
    lp.setBorderOffset(0.1f);
    lp.BeginDoc();
    lp.WriteLine(QStringLiteral("Body line\twith a tab, then a long line that wraps: ") +
                 QString(40, QLatin1Char('x')) + QStringLiteral(" words after it"));
    lp.setTableFormat(QStringLiteral("<2|^2|>2"));
    lp.setTableGrid(true);
    lp.WriteTableLine(QStringLiteral("left|centre|right"));
    lp.WriteTableLine(QStringLiteral("{$LINE}|{$PAGE}|{$TITLE}"));
    lp.EndDoc();
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("gallery"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Shows the Corvane editor widgets."));
    parser.addHelpOption();
    const QCommandLineOption save(QStringLiteral("save"),
                                  QStringLiteral("Save a picture of the window and quit."),
                                  QStringLiteral("png"));
    const QCommandLineOption pdf(QStringLiteral("pdf"),
                                 QStringLiteral("Print a sample page into a PDF file."),
                                 QStringLiteral("file"));
    parser.addOption(save);
    parser.addOption(pdf);
    parser.process(app);

    if (parser.isSet(pdf)) {
        try {
            printSample(parser.value(pdf));
        } catch (const std::exception& e) {
            std::fprintf(stderr, "gallery: %s\n", e.what());
            return 1;
        }
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("Corvane widgets"));
    auto* grid = new QGridLayout(&window);

    // Colour grids: focused 4x4 with FG/BG, flat 8x2 with FB, 16x1 with background off.
    auto* g1 = new TColorGrid(&window);
    g1->setFixedSize(304, 100);
    g1->setForegroundIndex(15);
    g1->setBackgroundIndex(4);
    g1->setSelection(9);
    auto* g2 = new TColorGrid(&window);
    g2->setGridOrdering(TColorGrid::go8x2);
    g2->setFixedSize(304, 50);
    g2->setCtl3D(false);
    g2->setForegroundIndex(11);
    g2->setBackgroundIndex(11);
    auto* g3 = new TColorGrid(&window);
    g3->setGridOrdering(TColorGrid::go16x1);
    g3->setFixedSize(304, 25);
    g3->setBackgroundEnabled(false);
    g3->setForegroundIndex(7);
    auto* grids = new QVBoxLayout;
    grids->addWidget(g1);
    grids->addWidget(g2);
    grids->addWidget(g3);
    grid->addLayout(grids, 0, 0, 1, 7);

    addButton(&window, grid, 0, QStringLiteral("&New"), 0, QStringLiteral("idle"));
    auto* hover = addButton(&window, grid, 1, QStringLiteral("&Open"), 1, QStringLiteral("hover"));
    auto* pressed =
        addButton(&window, grid, 2, QStringLiteral("&Save"), 2, QStringLiteral("pressed"));
    auto* down = addButton(&window, grid, 3, QStringLiteral("&Add"), 3, QStringLiteral("down"));
    down->setGroupIndex(1);
    down->setDown(true);
    auto* disabled =
        addButton(&window, grid, 4, QStringLiteral("&Delete"), 0, QStringLiteral("disabled"));
    disabled->setEnabled(false);
    auto* menu = new QMenu(&window);
    menu->addAction(QStringLiteral("Show Hints"));
    menu->addAction(QStringLiteral("Hide Hints"));
    auto* hints = addButton(&window, grid, 5, QStringLiteral("&Hints"), 1, QStringLiteral("menu"));
    hints->setDropDownMenu(menu);
    auto* left =
        addButton(&window, grid, 6, QStringLiteral("E&xit"), 2, QStringLiteral("left, hover"));
    left->setLayout(TExplorerButton::blBitmapLeft);
    left->setFixedSize(70, 40);

    auto* url = new TUrlLabel(&window);
    url->setText(QStringLiteral("https://example.org/corvane"));
    grid->addWidget(url, 3, 0, 1, 4);
    auto* mail = new TUrlLabel(&window);
    mail->setText(QStringLiteral("mailto:corvane@example.org (pressed)"));
    mail->setURL(QStringLiteral("mailto:corvane@example.org"));
    grid->addWidget(mail, 3, 4, 1, 3);

    window.show();
    send(hover, QEvent::Enter, Qt::NoButton);
    send(left, QEvent::Enter, Qt::NoButton);
    send(pressed, QEvent::MouseButtonPress, Qt::LeftButton);
    send(mail, QEvent::MouseButtonPress, Qt::LeftButton);
    g1->setFocus();

    if (parser.isSet(save)) {
        QTimer::singleShot(300, &window, [&] {
            const bool ok = window.grab().save(parser.value(save));
            QApplication::exit(ok ? 0 : 1);
        });
    }
    return app.exec();
}
