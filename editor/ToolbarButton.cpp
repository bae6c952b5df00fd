#include "editor/ToolbarButton.h"

#include "widgets/TExplorerButton.h"

#include <QPainter>
#include <QSvgRenderer>

namespace corv::editor
{

namespace
{

// A 16 x 16 toolbar image drawn from its SVG source; the transparent
// top-left pixel is what the button leaves out.
QImage ToolbarImage(const QString& name)
{
    QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer svg(QStringLiteral(":/icons/%1.svg").arg(name));
    QPainter painter(&image);
    svg.render(&painter, QRectF(0, 0, 16, 16));
    return image;
}

} // namespace

TExplorerButton* AddToolbarButton(QWidget* bar, const char* name, const char* caption,
                                  const char* hint, const char* image)
{
    const int x =
        4 + 52 * int(bar->findChildren<TExplorerButton*>(Qt::FindDirectChildrenOnly).size());
    auto* button = new TExplorerButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setCaption(QLatin1String(caption));
    button->setHint(QLatin1String(hint));
    button->setBitmap(ToolbarImage(QLatin1String(image)));
    button->setFontColor(QColor(0, 0, 128));
    button->setGeometry(x, 4, 50, 40);
    return button;
}

} // namespace corv::editor
