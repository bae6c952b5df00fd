#include "editor/TabStopDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QTextOption>
#include <algorithm>
#include <cmath>

namespace corv::editor
{

TabStopDelegate::TabStopDelegate(int dialogUnits, QObject* parent, bool fitFirstColumn)
    : QStyledItemDelegate(parent), dialogUnits_(dialogUnits), fitFirstColumn_(fitFirstColumn)
{
}

qreal TabStopDelegate::TabStop(const QFont& font) const
{
    return QFontMetricsF(font).averageCharWidth() * dialogUnits_ / 4.0;
}

qreal TabStopDelegate::TabStop(const QFont& font, const QAbstractItemModel* model) const
{
    const qreal stop = TabStop(font);
    if (!fitFirstColumn_ || !model || stop <= 0)
        return stop;
    if (model != watched_) {
        if (watched_)
            disconnect(watched_, nullptr, this, nullptr);
        watched_ = model;
        fitted_ = false;
        const auto stale = [this] { fitted_ = false; };
        connect(model, &QAbstractItemModel::dataChanged, this, stale);
        connect(model, &QAbstractItemModel::rowsInserted, this, stale);
        connect(model, &QAbstractItemModel::rowsRemoved, this, stale);
        connect(model, &QAbstractItemModel::modelReset, this, stale);
        connect(model, &QAbstractItemModel::layoutChanged, this, stale);
    }
    if (fitted_ && font == fittedFont_)
        return fittedStop_;
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (int row = 0; row < model->rowCount(); ++row) {
        const QString text = model->index(row, 0).data().toString();
        const qsizetype tab = text.indexOf(u'\t');
        if (tab >= 0)
            widest = std::max(widest, metrics.horizontalAdvance(text.left(tab) + u' '));
    }
    fitted_ = true;
    fittedFont_ = font;
    fittedStop_ = stop * std::max(1.0, std::ceil(widest / stop));
    return fittedStop_;
}

void TabStopDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString text = opt.text;
    // The style draws the background, selection and focus; the text is ours.
    opt.text.clear();
    const QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    const QRect area =
        style->subElementRect(QStyle::SE_ItemViewItemText, &opt, opt.widget).adjusted(2, 0, -2, 0);
    QTextOption textOption(Qt::AlignLeft | Qt::AlignVCenter);
    textOption.setWrapMode(QTextOption::NoWrap);
    textOption.setTabStopDistance(TabStop(opt.font, index.model()));
    painter->save();
    painter->setFont(opt.font);
    const bool selected = opt.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (opt.state & QStyle::State_Active) ? QPalette::Active
                                                                            : QPalette::Inactive;
    painter->setPen(
        opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(area);
    painter->drawText(area, text, textOption);
    painter->restore();
}

} // namespace corv::editor
